#include "users/ReminderPage.h"

#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/Control.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "users/UserRecord.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CReminderPage::CReminderPage(CQuilloraDlg *mainWindow, QWidget *parent)
    : CSettingsPage(IDD, QStringLiteral("提醒设置"), 211, mainWindow, parent)
{
    m_off = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("关闭本功能"), this), IDC_OFF);
    m_off->LoadImages({165});
    m_begin = named(new CSkinComboBox(this), IDC_BEGIN);
    m_end = named(new CSkinComboBox(this), IDC_END);
    m_interval = named(new CSkinComboBox(this), IDC_INTERVAL);
    m_begin->setAccessibleName(QStringLiteral("提醒开始于"));
    m_end->setAccessibleName(QStringLiteral("提醒结束于"));
    m_interval->setAccessibleName(QStringLiteral("提醒间隔"));
    const int hourWidth = fontMetrics().horizontalAdvance(QStringLiteral("23")) + 4 + 19 + 14;
    for (CSkinComboBox *box : {m_begin, m_end, m_interval})
        box->LoadImages(166, QColor(0xAA, 0xAA, 0xAA), QColor(0x92, 0x92, 0xAA));
    for (CSkinComboBox *box : {m_begin, m_end}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setFixedWidth(hourWidth);
        box->setMaxVisibleItems(12);
        for (int h = 0; h <= 23; ++h)
            box->AddItem(QString::number(h), h);
    }
    m_interval->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("15分钟")) + 4 + 19 + 14);
    m_interval->AddItem(QStringLiteral("2小时"), 120);
    m_interval->AddItem(QStringLiteral("1小时"), 60);
    m_interval->AddItem(QStringLiteral("半小时"), 30);
    m_interval->AddItem(QStringLiteral("15分钟"), 15);

    auto *hours = new QHBoxLayout;
    hours->setSpacing(4);
    // The captions label the boxes for a screen reader.
    auto *beginCaption = new QLabel(QStringLiteral("提醒开始于"), this);
    beginCaption->setBuddy(m_begin);
    auto *endCaption = new QLabel(QStringLiteral("时 到 "), this);
    endCaption->setBuddy(m_end);
    hours->addWidget(beginCaption);
    hours->addWidget(m_begin);
    hours->addWidget(endCaption);
    hours->addWidget(m_end);
    hours->addWidget(new QLabel(QStringLiteral("时"), this));
    hours->addStretch(1);
    auto *interval = new QHBoxLayout;
    interval->setSpacing(4);
    auto *intervalCaption = new QLabel(QStringLiteral("间隔"), this);
    intervalCaption->setBuddy(m_interval);
    interval->addWidget(intervalCaption);
    interval->addWidget(m_interval);
    interval->addStretch(1);
    auto *note = new QLabel(QStringLiteral("注：仅当程序最小化到托盘时开始任务，且当完成当天任务后将会自动停止"), this);
    note->setWordWrap(true);

    auto *column = new QVBoxLayout(this);
    setPageMargins(column);
    column->setSpacing(10);
    column->addWidget(m_off);
    column->addLayout(hours);
    column->addLayout(interval);
    column->addSpacing(6);
    column->addWidget(note);
    column->addStretch(1);

    connect(m_off, &CSkinButton::clicked, this, &CReminderPage::OnOffClicked);

    // The lists start without a choice; the stored values choose.
    for (CSkinComboBox *box : {m_begin, m_end, m_interval})
        box->setCurrentIndex(-1);
    if (theUser.NotifyBegin == -1)
        m_off->SetCheck(true);
    if (theUser.NotifyBegin >= 0 && theUser.NotifyBegin <= 23)
        m_begin->setCurrentIndex(theUser.NotifyBegin);
    if (theUser.NotifyEnd >= 0 && theUser.NotifyEnd <= 23)
        m_end->setCurrentIndex(theUser.NotifyEnd);
    m_interval->setCurrentIndex(m_interval->findData(theUser.NotifyInterval));
    OnOffClicked();
}

void CReminderPage::OnOffClicked()
{
    const bool on = !m_off->GetCheck();
    for (CSkinComboBox *box : {m_begin, m_end, m_interval})
        box->setEnabled(on);
}

int CReminderPage::selection(const CSkinComboBox *box)
{
    const int index = box->currentIndex();
    if (index < 0 || (box->isEditable() && box->currentText() != box->itemText(index)))
        return -1;
    return index;
}

bool CReminderPage::Validate()
{
    if (m_off->GetCheck())
        return true;
    const int begin = selection(m_begin);
    const int end = selection(m_end);
    if (begin < 0 || end < 0 || selection(m_interval) < 0) {
        m_message = QStringLiteral("请将提醒设置设置完整");
        return false;
    }
    if (begin >= end) {
        m_message = QStringLiteral("提醒时段设置不合法");
        return false;
    }
    return true;
}

void CReminderPage::Save()
{
    try {
        if (m_off->GetCheck()) {
            // The interval stays as it was, for the day reminders are turned on again.
            theUser.NotifyBegin = -1;
            theUser.NotifyEnd = -1;
            theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET NotifyBegin = %d, NotifyEnd = %d WHERE uid = %d;", -1, -1, theUser.uid).constData());
            return;
        }
        theUser.NotifyBegin = m_begin->itemInt(selection(m_begin));
        theUser.NotifyEnd = m_end->itemInt(selection(m_end));
        theUser.NotifyInterval = m_interval->itemInt(selection(m_interval));
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET NotifyBegin = %d, NotifyEnd = %d, NotifyInterval = %d WHERE uid = %d;",
                                      theUser.NotifyBegin, theUser.NotifyEnd, theUser.NotifyInterval, theUser.uid)
                                .constData());
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
}
