#include "platform/MessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QThread>
#include <QTimer>
#include <QtTest>

class TestMessageBox : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void testModeRecordsAndAnswers()
    {
        MessageBox::setTestMode(true);
        MessageBox::queueAnswer(QMessageBox::No);
        QCOMPARE(MessageBox::question(nullptr, QStringLiteral("q?")), QMessageBox::No);
        QCOMPARE(MessageBox::question(nullptr, QStringLiteral("again?")), QMessageBox::Yes); // first button
        QCOMPARE(MessageBox::warning(nullptr, QStringLiteral("w")), QMessageBox::Ok);
        QCOMPARE(MessageBox::takeShown(), (QStringList{QStringLiteral("q?"), QStringLiteral("again?"), QStringLiteral("w")}));
        QCOMPARE(MessageBox::shown(), QStringList());
        MessageBox::setTestMode(false);
    }

    // A box raised on a worker thread is shown by the interface thread, and the
    // worker gets the answer.
    void workerBoxesAreShownOnTheInterfaceThread()
    {
        MessageBox::setTestMode(false);
        QThread *boxThread = nullptr;
        QString boxText;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            for (QWidget *w : QApplication::topLevelWidgets()) {
                if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                    boxThread = box->thread();
                    boxText = box->text();
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        poll.start();
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        QThread *worker = QThread::create([&] { answer = MessageBox::warning(nullptr, QStringLiteral("来自工作线程")); });
        worker->start();
        QTRY_VERIFY_WITH_TIMEOUT(worker->isFinished(), 10000);
        delete worker;
        QCOMPARE(answer, QMessageBox::Ok);
        QCOMPARE(boxText, QStringLiteral("来自工作线程"));
        QCOMPARE(boxThread, qApp->thread());
        QCOMPARE(MessageBox::shown(), QStringList()); // a real box leaves no record behind
    }
};

QTEST_MAIN(TestMessageBox)
#include "tst_message_box.moc"
