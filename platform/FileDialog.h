#pragma once

#include <QString>

class QWidget;

// Every file dialog of the program goes through here, so that tests can answer it.
class FileDialog
{
public:
    // Empty when the user cancels.
    static QString getOpenFileName(QWidget *parent, const QString &title, const QString &directory,
                                   const QString &filter);

    // Test seam: the next dialog is not shown and answers with this name ("" cancels).
    static void setNextFileName(const QString &fileName);
};
