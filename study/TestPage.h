#pragma once

#include "study/WordStudyPage.h"

#include <functional>

class CFittedLabel;
class CSkinButton;
class CSkinEdit;
class CSkinProgressCtrl;
class CStatusLabel;
class CWordDisplay;
class QLabel;

// The test page (130): asks every word of the daily list once, in a shuffled order, as
// one of three kinds of question. The first answer to a question is what counts: it is
// one study of the word and records whether it was answered wrongly. Wrong words can go
// into the hard-word book; the finished test offers a report of the mistakes.
class CTestPage : public CWordStudyPage
{
    Q_OBJECT

public:
    enum Id {
        IdOk = 1,
        IdAddHard = 1002,
        IdAutoAddHard = 1006,
        IdShowAnswer = 1008,
        IdStatus = 1020,
        IdExplanation = 1025,
        IdAutoNext = 1029,
        IdOptionA = 1031,
        IdOptionB = 1032,
        IdOptionC = 1033,
        IdOptionD = 1034,
        IdReport = 1095,
    };

    enum Kind { ChooseExplanation = 0, ChooseWord = 1, TypeWord = 2 };

    // Height of the mistake report's dialog.
    static constexpr int kReportHeight = 230;

    explicit CTestPage(QWidget *parent = nullptr);

    // The daily list is ready: shuffle it and ask the first word.
    void Start() override;

    int position() const { return m_position; }
    int total() const { return m_total; }
    int kind() const { return m_kind; }
    bool finished() const { return m_finished; }
    int currentWordId() const { return m_wordId; }
    QString correctWord() const { return m_correctWord; }
    // 0..3 for the options A..D, -1 before the first multiple-choice question.
    int correctOption() const { return m_correctOption; }

    // Where the kinds of questions come from (a uniform draw of 0..2 unless replaced).
    void setKindSource(std::function<int()> source) { m_kindSource = std::move(source); }

    void OnSubmit();
    void OnShowAnswer();
    void OnAddHard();
    void OnReport();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void setupHandlers();
    void OnInitDialog();
    void syncOptions();

    void OnTyping();
    void OnOptionClicked();
    void OnBack();

    bool LoadQuestion();
    void NextQuestion();
    void ShowProgress();
    void describeCurrentQuestion();
    void End();
    void clearStatus();
    bool wrongAnswer() const;
    void Record(bool wrong);
    void fillOptions(const QString &right, const QStringList &others);
    CSkinButton *option(int index) const;

    CFittedLabel *m_explanation = nullptr;
    QList<CSkinButton *> m_options;
    CStatusLabel *m_status = nullptr;
    CSkinButton *m_ok = nullptr;
    CSkinButton *m_showAnswer = nullptr;
    CSkinButton *m_addHard = nullptr;
    CSkinButton *m_report = nullptr;
    CSkinButton *m_autoAddHard = nullptr;
    CSkinButton *m_autoNext = nullptr;

    int m_position = 0;
    int m_wordId = 0;
    int m_total = 0;
    int m_kind = -1;
    QString m_correctWord;
    int m_correctOption = -1;
    bool m_answerShown = false;
    bool m_finished = false;
    std::function<int()> m_kindSource;
};
