#include "platform/MessageBox.h"

#include "platform/AnsiText.h"
#include "store/CppSQLite3.h"

#include <QApplication>
#include <QMutex>
#include <QMutexLocker>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <deque>

namespace {
QMutex g_mutex;
bool g_testMode = false;
QStringList g_shown;
std::deque<QMessageBox::StandardButton> g_answers;

QMessageBox::StandardButton firstButton(QMessageBox::StandardButtons buttons)
{
    for (auto b : {QMessageBox::Ok, QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel})
        if (buttons.testFlag(b))
            return b;
    return QMessageBox::Ok;
}
} // namespace

QMessageBox::StandardButton MessageBox::warning(QWidget *parent, const QString &text)
{
    return show(parent, QMessageBox::Warning, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox::information(QWidget *parent, const QString &text)
{
    return show(parent, QMessageBox::Information, text, QMessageBox::Ok);
}

QMessageBox::StandardButton MessageBox::storeError(QWidget *parent, const CppSQLite3Exception &e)
{
    return warning(parent, ansi::toUnicode(e.errorMessage()));
}

QMessageBox::StandardButton MessageBox::question(QWidget *parent, const QString &text,
                                                 QMessageBox::StandardButtons buttons)
{
    return show(parent, QMessageBox::Question, text, buttons);
}

void MessageBox::setTestMode(bool on)
{
    QMutexLocker lock(&g_mutex);
    g_testMode = on;
    g_answers.clear();
    g_shown.clear();
}

bool MessageBox::testMode()
{
    QMutexLocker lock(&g_mutex);
    return g_testMode;
}

void MessageBox::queueAnswer(QMessageBox::StandardButton answer)
{
    QMutexLocker lock(&g_mutex);
    g_answers.push_back(answer);
}

QStringList MessageBox::takeShown()
{
    QMutexLocker lock(&g_mutex);
    return std::exchange(g_shown, {});
}

QStringList MessageBox::shown()
{
    QMutexLocker lock(&g_mutex);
    return g_shown;
}

QMessageBox::StandardButton MessageBox::show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                             QMessageBox::StandardButtons buttons)
{
    {
        QMutexLocker lock(&g_mutex);
        if (g_testMode) {
            g_shown.append(text);
            if (g_answers.empty())
                return firstButton(buttons);
            const auto answer = g_answers.front();
            g_answers.pop_front();
            return answer;
        }
    }
    if (QThread::currentThread() != qApp->thread()) {
        // Widgets live on the interface thread; the caller waits for the answer.
        QMessageBox::StandardButton answer = QMessageBox::NoButton;
        QPointer<QWidget> owner(parent);
        QMetaObject::invokeMethod(
            qApp, [&] { answer = show(owner.data(), icon, text, buttons); }, Qt::BlockingQueuedConnection);
        return answer;
    }
    QMessageBox box(icon, QStringLiteral("Quillora"), text, buttons, parent);
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
