#pragma once

// Helpers for tests that drive the program's windows offscreen.

#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/Accessibility.h"
#include "ui/Control.h"
#include "ui/Fonts.h"
#include "users/Config.h"
#include "users/UserRecord.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>

namespace testsupport {

// Runs `act` on the next modal dialog of type T as soon as it runs its own loop.
// Returns a flag that turns true once `act` has run.
template<class T>
std::shared_ptr<bool> onModal(std::function<void(T *)> act, int timeoutMs = 10000)
{
    auto done = std::make_shared<bool>(false);
    auto *timer = new QTimer(qApp);
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, qApp, [=] {
        if (auto *dialog = qobject_cast<T *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            *done = true;
            act(dialog);
        } else if (elapsed->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return done;
}

inline void click(QWidget *dialog, int id)
{
    auto *button = control<QAbstractButton>(dialog, id);
    QVERIFY2(button, qPrintable(QStringLiteral("no button %1").arg(id)));
    QVERIFY2(button->isEnabled(), qPrintable(QStringLiteral("button %1 disabled").arg(id)));
    QTest::mouseClick(button, Qt::LeftButton, {}, button->rect().center());
}

// A fresh data folder with the store open in it and config.ini in place.
class DataFolder
{
public:
    DataFolder()
    {
        QDir::setCurrent(m_dir.path());
        config::initialise(m_dir.path());
        theDatabase.close();
        store::openStore(theDatabase, m_dir.filePath(QStringLiteral("data.db")));
        theUser = UserRecord();
        MessageBox::setTestMode(true);
    }
    ~DataFolder() { theDatabase.close(); }
    QString path(const QString &name = {}) const { return name.isEmpty() ? m_dir.path() : m_dir.filePath(name); }

    // Inserts a user (as the new-user dialog does) and loads the record.
    int addUser(const QString &name, int type = 0, int dayNum = 20)
    {
        theDatabase.execute(sqlFormat("INSERT INTO UserInfo_tbl VALUES(NULL, %d, '%s', 'pw', -1, %d, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);",
                                      type, sqlQuote(QStringView(name)).constData(), dayNum).constData());
        const int uid = int(theDatabase.lastInsertRowId());
        reloadUser(uid);
        return uid;
    }
    static void reloadUser(int uid)
    {
        CppSQLite3Cursor row = theDatabase.query(sqlFormat("SELECT * FROM UserInfo_tbl WHERE uid = %d;", uid).constData());
        theUser.fill(row);
    }
    // A word list of n words, "w1".."wn", chosen by the current user when choose.
    int addList(const QString &name, int words, bool choose = true)
    {
        theDatabase.execute(sqlFormat("INSERT INTO ThesaurusInfo_tbl VALUES(NULL, '%s');", sqlQuote(QStringView(name)).constData()).constData());
        const int tid = int(theDatabase.lastInsertRowId());
        theDatabase.execute("BEGIN;");
        for (int i = 1; i <= words; ++i)
            theDatabase.execute(sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, '%s%d', 'n. 解释%d', 'wɜːd');", tid,
                                          sqlQuote(QStringView(name)).constData(), i, i).constData());
        theDatabase.execute("COMMIT;");
        if (choose) {
            theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET tid = %d, count = %d WHERE uid = %d;", tid, words, theUser.uid).constData());
            reloadUser(theUser.uid);
        }
        return tid;
    }

private:
    QTemporaryDir m_dir;
};

// A new store in place of `old` (closed first: one store at a time) with one user on a
// chosen list of `words` words.
inline std::unique_ptr<DataFolder> freshStore(std::unique_ptr<DataFolder> old, int words, const QString &user,
                                              const QString &list)
{
    old.reset();
    auto data = std::make_unique<DataFolder>();
    data->addUser(user);
    data->addList(list, words);
    MessageBox::takeShown();
    return data;
}

// Runs statements with {uid} and {tid} standing for the current user and list, then
// reads the user's record again.
inline void runForUser(const QStringList &statements)
{
    for (QString sql : statements) {
        sql.replace(QStringLiteral("{uid}"), QString::number(theUser.uid)).replace(QStringLiteral("{tid}"), QString::number(theUser.tid));
        theDatabase.execute(ansi::fromUnicode(sql).constData());
    }
    DataFolder::reloadUser(theUser.uid);
}

inline void setUpApplication()
{
    accessibility::install();
    installFontSubstitutions();
    QApplication::setFont(interfaceFont());
    loadPhoneticFont();
}

} // namespace testsupport
