#pragma once

#include <QAccessible>

#include <memory>

class QWidget;

// What a screen reader is told about the skinned controls. Qt names its own widgets by
// their text; the skinned ones draw their captions themselves (or in their art), so
// this one factory gives each of them a role and a name:
// - CSkinButton and CTranslucentButton: push button, check box or radio button as
//   their kind; the name is the accessible name, else the caption, else the tool tip;
//   the description is the accessible description (the home window's help line);
//   pressing is their default action.
// - CLinkStatic: a link that opens as a click does, reached by Tab; CTranslucentLabel:
//   static text reading its current text; CStatusLabel: static text reading its
//   current text, with a notification child that the label shows whenever its text
//   changes (a screen reader speaks a notification as it shows); CNavList: a list of
//   list items, each named by its row, selected when chosen and focused when the list
//   has the keyboard; the list's value is the chosen row.
// - The layered top-level windows (the home window): a window named by its title.
// - Any other widget given a role with setAccessibleRole (the word display).
// Password edits: what is typed reaches a screen reader as the mask character only.
namespace accessibility {

// Registers the factory; once per process, before the first window is shown.
void install();

// Tells a screen reader of an event the program raises itself (a text or the
// current item changed).
void notify(QAccessibleEvent *event);

// A copy of `event` fit to leave the program, or nullptr when it may go as it is: the
// text inserted into or removed from a password edit becomes mask characters (Qt
// reports the typed ones).
std::unique_ptr<QAccessibleEvent> masked(QAccessibleEvent *event);

// While one lives, the text events Qt sends for password edits leave the program
// masked (see masked()); an edit holds one while it handles typing. Qt 6.4 puts the
// typed characters into them, and a screen reader echoes them.
class PasswordEventsMasked
{
public:
    PasswordEventsMasked();
    ~PasswordEventsMasked();
    PasswordEventsMasked(const PasswordEventsMasked &) = delete;
    PasswordEventsMasked &operator=(const PasswordEventsMasked &) = delete;
};

// While one lives, the caret and selection events of `edit` do not leave the
// program. An edit takes the focus by moving its caret first, and Qt reports the focus
// only after: a screen reader that meets the caret in a newly focused control moves
// there without saying so.
class CaretEventsHeld
{
public:
    explicit CaretEventsHeld(QObject *edit);
    ~CaretEventsHeld();
    CaretEventsHeld(const CaretEventsHeld &) = delete;
    CaretEventsHeld &operator=(const CaretEventsHeld &) = delete;

private:
    QObject *m_previous;
};

// Sees every event notify() passes on; for tests, where no screen reader listens.
// nullptr removes it.
using Observer = void (*)(QAccessibleEvent *event);
void setObserver(Observer observer);

// For widgets of other libraries that draw text of their own: the role they are read
// as, their name being their accessible name.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

} // namespace accessibility
