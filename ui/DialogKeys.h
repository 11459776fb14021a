#pragma once

class QKeyEvent;
class QAbstractButton;

// Enter in a dialog, as a standard dialog treats it: presses the dialog's default
// button. A focused push button never lets Enter get this far: it presses itself
// (CSkinButton). True when the key was Enter (with no modifier but the keypad's) and
// has been used.
bool pressForEnter(QKeyEvent *event, QAbstractButton *defaultButton);
