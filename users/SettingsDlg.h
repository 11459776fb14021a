#pragma once

#include <QDialog>
#include <QList>
#include <QRect>

class CLinkStatic;
class CNavList;
class CQuilloraDlg;
class CSettingsPage;
class CSkinButton;
class CStatusLabel;
class QLabel;

// The settings dialog (174): a navigation list on the left and five pages on the right
// (reminders, reading aloud, habits, account, about). Apply and OK validate every page
// in order and save every page only when all are valid.
class CSettingsDlg : public QDialog
{
    Q_OBJECT
public:
    enum Id {
        IDD = 174,
        IDOK = 1,
        IDCANCEL = 2,
        IDC_APPLY = 1002,
        IDC_STATUS = 1020,
        IDC_NAV = 1073,
        IDC_HOMEPAGE = 1075,
        IDC_HELP = 1076,
        IDC_LINKS = 1092,
    };
    enum PageIndex { PageReminder = 0, PageSpeech, PageHabit, PageAccount, PageAbout, PageCount };
    // Where every page lies, in client pixels.
    static constexpr QRect kPageArea = QRect(QPoint(130, 11), QPoint(379, 249));

    // page: the page shown first. mainWindow: the main study window (voices, speech,
    // the daily list), may be null.
    CSettingsDlg(int page, CQuilloraDlg *mainWindow, QWidget *parent = nullptr);

    // Shows page `index` and marks its navigation item.
    void SetPage(int index);
    int currentPage() const { return m_current; }
    CSettingsPage *page(int index) const { return m_pages.value(index); }

    // Validates every page in order and, when all are valid, saves every page. On a
    // failure the failing page comes forward with its message; nothing is saved.
    bool Apply();
    void OnOK();

    // The account page's switch-user button closed the dialog: the caller logs in
    // another user.
    bool switchUserRequested() const { return m_switchUser; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void buildControls();
    void showLinks(bool show);

    CNavList *m_nav = nullptr;
    CSkinButton *m_ok = nullptr;
    QList<CSettingsPage *> m_pages;
    int m_current = -1;
    QLabel *m_linksLabel = nullptr;
    CLinkStatic *m_homePage = nullptr;
    CLinkStatic *m_help = nullptr;
    CStatusLabel *m_status = nullptr;
    CQuilloraDlg *m_main;
    bool m_switchUser = false;
};
