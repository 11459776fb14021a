#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>

class CppSQLite3Exception;
class QWidget;

// Every message box of the program goes through here. It may be called from any
// thread: a box raised on a worker is shown on the interface thread, and the worker
// waits for the answer. Tests switch on the test mode, in which boxes are not shown:
// their texts are recorded and answered with the queued (or default) answer.
class MessageBox
{
public:
    // A notice or error with an OK button (the program's usual box).
    static QMessageBox::StandardButton warning(QWidget *parent, const QString &text);
    static QMessageBox::StandardButton information(QWidget *parent, const QString &text);
    // A store failure: the engine's text, as every handler of the program shows it.
    static QMessageBox::StandardButton storeError(QWidget *parent, const CppSQLite3Exception &e);
    static QMessageBox::StandardButton question(QWidget *parent, const QString &text,
                                                QMessageBox::StandardButtons buttons
                                                = QMessageBox::Yes | QMessageBox::No);

    static void setTestMode(bool on);
    static bool testMode();
    // Answers for the next boxes, in order; without one a box answers its first button.
    static void queueAnswer(QMessageBox::StandardButton answer);
    // Texts of the boxes recorded in test mode since the last call, oldest first;
    // nothing is kept outside test mode.
    static QStringList takeShown();
    static QStringList shown();

private:
    static QMessageBox::StandardButton show(QWidget *parent, QMessageBox::Icon icon, const QString &text,
                                            QMessageBox::StandardButtons buttons);
};
