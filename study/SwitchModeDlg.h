#pragma once

#include <QDialog>

class CSkinButton;
class CSkinComboBox;
class CStatusLabel;
class QGroupBox;
class QKeyEvent;
class QLabel;

// The study-mode dialog (193). The user picks one of the four study modes and, for
// the ordinary review, a window of weeks in which the words were last studied and a
// range of study counts. Confirming writes the mode, the size of its source and the
// review conditions to the user's row of UserInfo_tbl and to theUser; the daily list
// is left alone until a study page is next started.
class CSwitchModeDlg : public QDialog
{
    Q_OBJECT

public:
    enum Id {
        IdOk = 1,
        IdStatus = 1020,
        IdLearnNew = 1053,     // mode 0; the radio of mode m is IdLearnNew + m
        IdReviewNormal = 1054, // mode 1
        IdReviewHard = 1055,   // mode 2
        IdConditions = 1056,   // group box; it and everything up to 1068 is "the conditions"
        IdDateQuestion = 1057,
        IdTimesQuestion = 1058,
        IdDateNoLimit = 1059,
        IdDateFromLabel = 1060,
        IdDateToLabel = 1061,
        IdDateFrom = 1062,
        IdDateTo = 1063,
        IdTimesNoLimit = 1064,
        IdTimesFromLabel = 1065,
        IdTimesToLabel = 1066,
        IdTimesFrom = 1067,
        IdTimesTo = 1068,
        IdSmartReview = 1097, // mode 3, scheduled by the memory model
        IdDueToday = 1098,    // its line: how many words are due today
    };

    explicit CSwitchModeDlg(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void setupHandlers();
    void OnInitDialog();
    // Fills the four condition boxes; false when no word is reviewable.
    bool FillComboBoxes();

    void OnModeClicked(int id);
    void OnDateNoLimit();
    void OnTimesNoLimit();
    void OnOK();
    // Both return false when the dialog must stay open.
    bool confirmSourceMode(int mode);
    bool confirmReview();

    void enableDateControls(bool enable);
    void enableTimesControls(bool enable);

    // The radio of each mode code, and the id it carries.
    static int modeId(int mode);
    CSkinButton *m_modes[4] = {};
    QLabel *m_dueToday = nullptr;
    QGroupBox *m_conditions = nullptr;
    CSkinButton *m_dateNoLimit = nullptr;
    CSkinButton *m_timesNoLimit = nullptr;
    QLabel *m_dateFromLabel = nullptr;
    QLabel *m_dateToLabel = nullptr;
    QLabel *m_timesFromLabel = nullptr;
    QLabel *m_timesToLabel = nullptr;
    CSkinComboBox *m_dateFrom = nullptr;
    CSkinComboBox *m_dateTo = nullptr;
    CSkinComboBox *m_timesFrom = nullptr;
    CSkinComboBox *m_timesTo = nullptr;
    CStatusLabel *m_status = nullptr;
    CSkinButton *m_ok = nullptr;
};
