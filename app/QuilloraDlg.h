#pragma once

#include <functional>

#include "study/DailyList.h"
#include "study/StudyPage.h"
#include "ui/StandardDialog.h"

#include <QList>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include "users/UserRecord.h"

class CLinkStatic;
class Speech;

// Builds the daily list off the interface thread; it shares the store with the
// interface thread, which meanwhile only dispatches events.
class DailyListWorker : public QThread
{
    Q_OBJECT
public:
    DailyListWorker(const UserRecord &user, bool pageStart, const QString &today, QObject *parent = nullptr);

    // Test seam: called on the worker thread before each build (tests hold a build
    // there to meet it running). Null by default.
    static inline std::function<void()> beforeBuild;

Q_SIGNALS:
    void dailyListReady();   // the page can start on the stored list
    void nothingToStudy();   // the mode's source holds no word
    void updateCheckWanted(); // first opening of a page today

protected:
    void run() override;

private:
    UserRecord m_user;
    bool m_pageStart;
    QString m_today;
};

// The main study window: the companion of the home window, holding the three study
// pages in one content rectangle and sliding one in at a time; it runs the daily-list
// worker, checks at start of day that a usable word list exists, speaks words and
// carries the update link.
class CQuilloraDlg : public CStandardDialog, public StudyHost
{
    Q_OBJECT
public:
    enum Id { IDC_UPDATE_LINK = 1072 };
    enum Page { PageNone = -1, PageStatistics = 0, PageMemorize = 1, PageTest = 2, PageCount };
    // The content rectangle in client pixels: left, top, right, bottom.
    static constexpr int kContentLeft = 21;
    static constexpr int kContentTop = 42;
    static constexpr int kContentRight = 511;
    static constexpr int kContentBottom = 318;
    static QRect contentRect() { return QRect(kContentLeft, kContentTop, kContentRight - kContentLeft, kContentBottom - kContentTop); }

    explicit CQuilloraDlg(QWidget *parent);
    ~CQuilloraDlg() override;

    // Start-of-day checks, then the pages, the voice and the update link. False when
    // the user cancelled the word-list dialog: the program is to end.
    bool Initialise();

    // Home buttons.
    void startStudyPage(int index);
    void showStatistics();
    void runStudyModeDialog();
    void runWordListDialog();

    void showPage();
    void closePage() override;
    // Back to the home view at once, as "返回" would go but without a slide, recording
    // nothing more: another user is about to log in. A list build under way is left
    // to finish first, but its page is no longer started.
    void returnHome();
    // Rebuilds the daily list at once (after a change of word list or daily amount),
    // keeping the window disabled and dispatching events until it is done; a build
    // already running is waited for first, never taken for this one.
    void runWorkerAndWait();
    bool isWorkerRunning() const;
    // False when the user cancelled the import or the word-list dialog: the program
    // is to end.
    bool checkWordLists();

    void FinishTodayLog(bool withErrorRate) override;
    void Speak(const QString &text) override;
    Speech *speech() const { return m_speech; }

    // Shows the update link with its target.
    void setUpdateLink(const QString &target);
    CLinkStatic *updateLink() const { return m_updateLink; }

    int pageIndex() const { return m_pageIndex; }
    // Made on first use: the skins of pages nobody has opened yet cost nothing.
    CStudyPage *page(int index);
    CStudyPage *currentPage() const { return m_current; }
    bool isSliding() const { return m_slideTimer.isActive(); }
    int slideStep() const { return m_step; }
    int movingLeft() const { return m_moving.left; }

    // One tick of the slide (every 15 ms); public for tests that step it by hand.
    void slideTick();

Q_SIGNALS:
    // The daily-list worker asks the home window to look for a newer version.
    void updateCheckRequested();
    // A page starts to slide in; the home view is back (the home window's buttons take
    // the keyboard again).
    void pageOpening();
    void homeViewShown();

public Q_SLOTS:
    void OnOK() override {}
    void OnCancel() override {}

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void startWorker(bool pageStart);
    void waitForWorker();
    void onDailyListReady();
    void onNothingToStudy();
    bool refuseWhileBusy();

    QList<CStudyPage *> m_pages;
    QPointer<CStudyPage> m_current;
    int m_pageIndex = PageNone;
    QPointer<DailyListWorker> m_worker;
    QTimer m_slideTimer;
    struct Edges
    {
        int left = 0, top = 0, right = 0, bottom = 0;
    } m_moving;
    int m_step = 0;
    Speech *m_speech = nullptr;
    CLinkStatic *m_updateLink = nullptr;
};
