#pragma once

#include "study/StudyPage.h"

class CFittedLabel;
class CSkinButton;
class CSkinEdit;
class CSkinProgressCtrl;
class CWordDisplay;
class QLabel;

// What the memorise and test pages share: the big word with its read-aloud button and
// transcription, the edit the word is typed into, the progress line and the back
// button, under the same ids, skins and faces.
class CWordStudyPage : public CStudyPage
{
    Q_OBJECT

public:
    enum SharedId {
        IdEdit = 1001,
        IdWord = 1023,
        IdPhonetic = 1024,
        IdSpeak = 1026,
        IdProgressText = 1039,
        IdProgress = 1040,
        IdBack = 1049,
    };

    explicit CWordStudyPage(const QString &title, QWidget *parent = nullptr);

    // The edit while it shows (a word to type), otherwise the page, whose keys answer.
    void takeFocus() override;

protected:
    // The word at `top`, the read-aloud button and transcription under it.
    void placeWordBlock(int top);
    // Two option boxes side by side at y, sized to their captions.
    static void placeOptionBoxes(CSkinButton *first, CSkinButton *second, int y);
    // "shown / total" and the bar, shown being the smaller of position and total.
    void showProgress(int position, int total);
    // What a screen reader says of the question in view, with the position, without
    // the learner leaving the control that has the keyboard: the edit's description
    // (`forEdit`) and the page's (`forPage`, for when the edit is hidden); a screen
    // reader speaks a focused control's description when it changes. Empty parts are
    // left out; nothing at all clears both.
    void describeQuestion(const QStringList &forEdit, const QStringList &forPage);

    CWordDisplay *m_display = nullptr;
    CSkinButton *m_speak = nullptr;
    CFittedLabel *m_phonetic = nullptr;
    CSkinEdit *m_edit = nullptr;
    CSkinProgressCtrl *m_progress = nullptr;
    QLabel *m_progressText = nullptr;
    CSkinButton *m_back = nullptr;
};
