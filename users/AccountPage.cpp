#include "users/AccountPage.h"

#include "app/QuilloraDlg.h"
#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/Control.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "users/Config.h"
#include "users/PasswordScramble.h"
#include "users/UserRecord.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

CAccountPage::CAccountPage(CQuilloraDlg *mainWindow, QWidget *parent)
    : CSettingsPage(IDD, QStringLiteral("用户账户"), 209, mainWindow, parent)
{
    auto *group = new QGroupBox(QStringLiteral("修改个人基本信息"), this);
    m_dayNum = named(new CSkinEdit(group), IDC_DAYNUM);
    m_password = named(new CSkinEdit(group), IDC_PASSWORD);
    m_password->setEchoMode(QLineEdit::Password);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    for (CSkinEdit *edit : {m_dayNum, m_password})
        edit->LoadImages(168, 167, 7, 7);
    m_dayNum->setFixedWidth(em * 6);
    m_password->setMinimumWidth(em * 7);
    m_show = pushButton(QStringLiteral("显示"), IDC_SHOW, group);
    m_show->setFixedWidth(std::max(48, m_show->fontMetrics().horizontalAdvance(QStringLiteral("隐藏")) + 20));
    auto *switchUser = pushButton(QStringLiteral("立即切换用户"), IDC_SWITCH_USER, this);

    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(10, 10, 10, 10);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(10);
    // Each edit is named by its caption, not by the group's title, for a screen reader.
    auto *dayNumCaption = new QLabel(QStringLiteral("每日任务量"), group);
    dayNumCaption->setBuddy(m_dayNum);
    auto *passwordCaption = new QLabel(QStringLiteral("密码"), group);
    passwordCaption->setBuddy(m_password);
    grid->addWidget(dayNumCaption, 0, 0);
    grid->addWidget(m_dayNum, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("(5 - 1000)"), group), 0, 2, 1, 2);
    grid->addWidget(passwordCaption, 1, 0);
    grid->addWidget(m_password, 1, 1, 1, 2);
    grid->addWidget(m_show, 1, 3);
    grid->setColumnStretch(2, 1);

    auto *column = new QVBoxLayout(this);
    setPageMargins(column);
    column->setSpacing(12);
    column->addWidget(group);
    column->addWidget(switchUser, 0, Qt::AlignLeft);
    column->addStretch(1);

    connect(m_show, &CSkinButton::clicked, this, &CAccountPage::OnShowPassword);
    connect(switchUser, &CSkinButton::clicked, this, &CAccountPage::OnSwitchUser);

    m_amount = m_openingAmount = theUser.DayNum;
    m_dayNum->setText(QString::number(theUser.DayNum));
    try {
        CppSQLite3Cursor row = theDatabase.query(sqlFormat("SELECT password FROM UserInfo_tbl WHERE uid = %d;", theUser.uid).constData());
        if (!row.eof())
            m_password->SetText(ansi::toUnicode(row.stringValue(0)));
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
}

void CAccountPage::OnShowPassword()
{
    const bool hidden = m_password->echoMode() == QLineEdit::Password;
    m_password->setEchoMode(hidden ? QLineEdit::Normal : QLineEdit::Password);
    m_show->SetText(hidden ? QStringLiteral("隐藏") : QStringLiteral("显示"));
    m_password->update();
}

void CAccountPage::rememberNewPassword(const QString &password)
{
    // The log-in dialog fills in what config.ini remembers for the last user; the old
    // password there would only be refused.
    if (config::readLogin(config::kLastUser) != theUser.username)
        return;
    const QString remembered = config::readLogin(config::kRememberPas);
    if (remembered.isEmpty())
        return;
    const QString scrambled = QString::fromLatin1(ScramblePassword(ansi::fromUnicode(password)));
    if (scrambled != remembered)
        config::writeLogin(config::kRememberPas, scrambled);
}

void CAccountPage::OnSwitchUser()
{
    // The next start asks who is there, whoever logs in now.
    config::writeLogin(config::kAutoLog, QString());
    Q_EMIT switchUserRequested();
}

bool CAccountPage::Validate()
{
    bool isInteger = false;
    const int amount = m_dayNum->text().trimmed().toInt(&isInteger);
    if (!isInteger) {
        // Saving the other fields with an amount the user did not type would report
        // a failure as success: the page stays invalid until the box holds a number.
        // The dialog's status line says why.
        m_dayNum->setFocus();
        m_message = QStringLiteral("请键入一个整数。");
        return false;
    }
    m_amount = amount;
    if (amount < 5 || amount > 1000) {
        m_message = QStringLiteral("每日任务量超出范围");
        return false;
    }
    if (m_password->text().isEmpty()) {
        m_message = QStringLiteral("密码不能为空");
        return false;
    }
    m_message.clear();
    return true;
}

void CAccountPage::Save()
{
    theUser.DayNum = m_amount;
    const QString password = m_password->text();
    try {
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET DayNum = %d, password = '%s' WHERE uid = %d;", m_amount,
                                      sqlQuote(QStringView(password)).constData(), theUser.uid)
                                .constData());
        rememberNewPassword(password);
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
    if (m_amount != m_openingAmount && m_main) {
        m_main->runWorkerAndWait();
        // Built for this amount now; a second Apply need not build again.
        m_openingAmount = m_amount;
    }
}
