#pragma once

class QWidget;

// Asks for a word-list text file and stores it as a new list: the file dialog, the
// progress of a long import and every message of the way. True when the words were
// stored; false when the user cancelled or the list could not be stored (the user
// has been told why, except for a cancel).
bool ImportWordList(QWidget *parent);
