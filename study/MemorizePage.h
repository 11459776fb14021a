#pragma once

#include "study/WordStudyPage.h"

#include <QTimer>

class CSkinButton;
class CSkinEdit;
class CSkinProgressCtrl;
class CStatusLabel;
class CWordDisplay;
class QLabel;

// The memorise page (129): walks the daily list word by word, showing each with its
// transcription and explanation, and moves on only when the word has been typed
// correctly; each correct word counts as one study of it. In hard mode the word is
// shown for a countdown and then has to be spelt from memory.
class CMemorizePage : public CWordStudyPage
{
    Q_OBJECT

public:
    enum Id {
        IdNext = 1002,
        IdExplanation = 1025,
        IdStatus = 1027,
        IdHardMode = 1028,
        IdAutoNext = 1029,
    };

    static constexpr int kCountdownMs = 1000;

    explicit CMemorizePage(QWidget *parent = nullptr);

    // The daily list is ready: back to its first row.
    void Start() override;

    int position() const { return m_position; }
    int total() const { return m_total; }
    bool finished() const { return m_finished; }
    int currentWordId() const { return m_wordId; }
    int countdownLength() const { return m_countdownLength; }

    // Seconds left of the countdown; shared by every page and kept when a countdown is
    // broken off, so the next one goes on from there.
    static int countdownCounter();

    const QTimer &countdownTimer() const { return m_countdown; }
    // One second of the hard-mode countdown; the timer calls it.
    void OnCountdownTick();

private:
    void buildControls();
    void setupHandlers();
    void OnInitDialog();

    void OnTyping();
    void OnNext();
    void OnHardMode();
    void OnAutoNext();
    void OnBack();

    bool FetchWord();
    void ShowProgress();
    void Advance();
    void End();
    void startCountdown();
    void describeWord();
    void clearEdit();
    void clearStatus();
    void syncOptions();

    QLabel *m_explanation = nullptr;
    CStatusLabel *m_status = nullptr;
    CSkinButton *m_hardMode = nullptr;
    CSkinButton *m_autoNext = nullptr;
    CSkinButton *m_next = nullptr;

    int m_position = 0;
    int m_wordId = 0;
    int m_total = 0;
    bool m_finished = false;
    int m_countdownLength = 5;
    // Hard mode: the current word reached the spelling step (it is being recalled), and
    // a wrong letter, a wrong submission or showing the word again happened since.
    bool m_recalling = false;
    bool m_slipped = false;
    QTimer m_countdown;
};
