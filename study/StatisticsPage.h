#pragma once

#include "study/StudyPage.h"

class CSkinButton;

// The statistics page (131): the learner's progress in the current list and mode as
// an HTML report with a pie chart of study counts, rebuilt each time the page is about
// to be shown.
class CStatisticsPage : public CStudyPage
{
    Q_OBJECT

public:
    enum Id {
        IdBrowser = 1077,
        IdBack = 1049,
    };

    explicit CStatisticsPage(QWidget *parent = nullptr);

    // Gathers the figures, assembles the report and loads it into the browser. A store
    // failure is shown and the report still shows what was gathered.
    void BuildStatisticsReport();

    // The browser, made when the first report is built (none before).
    QWidget *browser() const { return m_browser; }
    // The last report's HTML.
    const QString &report() const { return m_report; }

    // The report is only read: the keyboard goes to "返回".
    void takeFocus() override;

private:
    void buildControls();
    void setupHandlers();
    void createBrowser();
    void OnBack();

    QWidget *m_browser = nullptr;
    CSkinButton *m_back = nullptr;
    QString m_report;
};
