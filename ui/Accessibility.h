#pragma once

#include <QAccessible>

class QWidget;

// What a screen reader is told about the skinned controls. Qt names its own widgets by
// their text; the skinned ones draw their captions themselves (or in their art), so
// this one factory gives each of them a role and a name:
// - CSkinButton and CTranslucentButton: push button, check box or radio button as
//   their kind; the name is the accessible name, else the caption, else the tool tip;
//   the description is the accessible description (the home window's help line);
//   pressing is their default action.
// - CLinkStatic: a link that opens as a click does; CStatusLabel, CTranslucentLabel:
//   static text reading their current text; CNavList: a list whose value is the
//   chosen row.
// - Any other widget given a role with setAccessibleRole (the word display).
namespace accessibility {

// Registers the factory; once per process, before the first window is shown.
void install();

// For widgets of other libraries that draw text of their own: the role they are read
// as, their name being their accessible name.
void setAccessibleRole(QWidget *widget, QAccessible::Role role);

} // namespace accessibility
