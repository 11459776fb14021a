#include "users/HabitPage.h"

#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/Control.h"
#include "ui/SkinButton.h"
#include "users/UserRecord.h"

#include <QGroupBox>
#include <QVBoxLayout>

CHabitPage::CHabitPage(CQuilloraDlg *mainWindow, QWidget *parent)
    : CSettingsPage(IDD, QStringLiteral("操作习惯"), 210, mainWindow, parent)
{
    // Both radios share the group box as parent, which makes them one exclusive group.
    auto *group = new QGroupBox(QStringLiteral("关闭按钮作用"), this);
    m_toTray = named(new CSkinButton(CSkinButton::Radio, QStringLiteral("最小化到托盘"), group), IDC_TO_TRAY);
    m_exit = named(new CSkinButton(CSkinButton::Radio, QStringLiteral("退出程序"), group), IDC_EXIT);
    auto *radios = new QVBoxLayout(group);
    radios->setContentsMargins(12, 10, 12, 10);
    radios->setSpacing(10);
    for (CSkinButton *radio : {m_toTray, m_exit}) {
        radio->LoadImages({161});
        radios->addWidget(radio);
    }

    auto *column = new QVBoxLayout(this);
    setPageMargins(column);
    column->addWidget(group);
    column->addStretch(1);

    // "Ask each time" shows as exit: the page offers only the two fixed choices.
    (theUser.CloseExit == 0 ? m_toTray : m_exit)->SetCheck(true);
}

void CHabitPage::Save()
{
    theUser.CloseExit = m_toTray->GetCheck() ? 0 : 1;
    try {
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET CloseExit = %d WHERE uid = %d;", theUser.CloseExit, theUser.uid).constData());
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
}
