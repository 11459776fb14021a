#pragma once

class QApplication;
class QIcon;
class QString;
class QWidget;

// The program's look for every window: the interface font and font substitutions,
// white dialogs with black text, a small password bullet, and the standard dialogs
// (file dialog, message box buttons) in Chinese whatever the system's language.
void applyApplicationLook(QApplication &app);

// The program icon in every size it is drawn at.
QIcon programIcon();

// What every dialog of the program starts with: its template id as objectName, its
// caption, the program icon and a white background.
void prepareDialog(QWidget *dialog, int id, const QString &caption);
