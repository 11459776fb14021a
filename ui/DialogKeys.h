#pragma once

class QKeyEvent;
class QWidget;
class QAbstractButton;

// Enter in a dialog, as a standard dialog treats it: a focused push button takes it;
// otherwise it presses the dialog's default button. True when the key was Enter (with
// no modifier but the keypad's) and has been used.
bool pressForEnter(QWidget *dialog, QKeyEvent *event, QAbstractButton *defaultButton);
