#include "users/LoginDlg.h"

#include "platform/AnsiText.h"
#include "ui/AppLook.h"
#include "ui/Control.h"
#include "ui/DialogKeys.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/StatusLabel.h"
#include "users/Config.h"
#include "users/NewUserDlg.h"
#include "users/PasswordScramble.h"
#include "users/UserRecord.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

namespace {

const QString kWrongCredentials = QStringLiteral("用户名或密码错误");

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

} // namespace

CLoginDlg::CLoginDlg(QWidget *parent)
    : QDialog(parent)
{
    prepareDialog(this, 132, QStringLiteral("用户登录"));
    buildControls();
    setupHandlers();
    OnInitDialog();
}

void CLoginDlg::buildControls()
{
    auto *iconLabel = new QLabel(this);
    iconLabel->setPixmap(QPixmap(QStringLiteral(":/ICON/128-48.png")));
    iconLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    m_userName = named(new CSkinEdit(this), IdUserName);
    m_password = named(new CSkinEdit(this), IdPassword);
    m_password->setEchoMode(QLineEdit::Password);
    const int editWidth = fontMetrics().horizontalAdvance(QLatin1Char('M')) * 20;
    for (CSkinEdit *edit : {m_userName, m_password}) {
        edit->LoadImages(168, 167, 7, 7);
        edit->setMinimumWidth(editWidth);
    }

    m_remember = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("记住密码"), this), IdRememberPassword);
    m_autoLog = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("自动登录"), this), IdAutoLog);
    for (CSkinButton *box : {m_remember, m_autoLog})
        box->LoadImages({165});

    m_login = named(new CSkinButton(CSkinButton::Push, QStringLiteral("登录"), this), IdLogin);
    m_register = named(new CSkinButton(CSkinButton::Push, QStringLiteral("注册新用户"), this), IdRegister);
    for (CSkinButton *button : {m_login, m_register}) {
        button->LoadImages({164, 163, 162}, true);
        const QSize text = button->fontMetrics().size(Qt::TextSingleLine, button->text());
        button->setMinimumSize(std::max(80, text.width() + 28), std::max(26, text.height() + 8));
    }

    m_status = named(new CStatusLabel(231, this), IdStatus);
    {
        const QFontMetrics fm = m_status->fontMetrics();
        m_status->setMinimumSize(20 + 3 + fm.horizontalAdvance(kWrongCredentials) + 4, std::max(20, fm.height()));
    }

    auto *fields = new QGridLayout;
    fields->setHorizontalSpacing(10);
    fields->setVerticalSpacing(8);
    // Each box is named by its caption, for a screen reader.
    QLabel *userCaption = caption(QStringLiteral("用户名"), this);
    userCaption->setBuddy(m_userName);
    fields->addWidget(userCaption, 0, 0);
    fields->addWidget(m_userName, 0, 1);
    QLabel *passwordCaption = caption(QStringLiteral("密码"), this);
    passwordCaption->setBuddy(m_password);
    fields->addWidget(passwordCaption, 1, 0);
    fields->addWidget(m_password, 1, 1);

    auto *options = new QHBoxLayout;
    options->setSpacing(14);
    options->addWidget(m_remember);
    options->addWidget(m_autoLog);
    options->addStretch(1);
    // A plain label, but in the Tab chain: a learner without a mouse finds it too.
    QLabel *forgotten = caption(QStringLiteral("忘记密码？"), this);
    forgotten->setFocusPolicy(Qt::TabFocus);
    options->addWidget(forgotten);
    fields->addLayout(options, 2, 1);
    fields->addWidget(m_status, 3, 1);
    fields->setColumnStretch(1, 1);

    auto *upper = new QHBoxLayout;
    upper->setSpacing(16);
    upper->addWidget(iconLabel, 0, Qt::AlignTop);
    upper->addLayout(fields, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_register);
    buttons->addStretch(1);
    buttons->addWidget(m_login);

    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(18, 18, 18, 14);
    top->setSpacing(12);
    top->addLayout(upper);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_userName, m_password);
    setTabOrder(m_password, m_remember);
    setTabOrder(m_remember, m_autoLog);
    setTabOrder(m_autoLog, forgotten);
    setTabOrder(forgotten, m_login);
    setTabOrder(m_login, m_register);
}

void CLoginDlg::setupHandlers()
{
    connect(m_login, &CSkinButton::clicked, this, &CLoginDlg::OnLogin);
    connect(m_register, &CSkinButton::clicked, this, &CLoginDlg::OnRegister);
}

void CLoginDlg::OnInitDialog()
{
    m_userName->setText(config::readLogin(config::kLastUser));
    const QString remembered = config::readLogin(config::kRememberPas);
    if (!remembered.isEmpty()) {
        m_password->SetText(ansi::toUnicode(UnscramblePassword(remembered.toLatin1())));
        m_remember->SetCheck(true);
    }
    m_autoLog->SetCheck(false);
    // A returning user only has the password left to type.
    (m_userName->text().isEmpty() ? m_userName : m_password)->setFocus();
}

void CLoginDlg::keyPressEvent(QKeyEvent *event)
{
    if (!pressForEnter(event, m_login))
        QDialog::keyPressEvent(event);
}

void CLoginDlg::OnLogin()
{
    const QString name = m_userName->text();
    const QString password = m_password->text();
    bool matched = false;
    try {
        const QByteArray sql = sqlFormat("SELECT * FROM UserInfo_tbl WHERE username = '%s' AND password = '%s';",
                                         sqlQuote(name).constData(), sqlQuote(password).constData());
        CppSQLite3Cursor row = theDatabase.query(sql.constData());
        if (!row.eof()) {
            theUser.fill(row);
            matched = true;
        }
        row.finalize();
    } catch (const CppSQLite3Exception &e) {
        // Without a row nobody is logged in: stay open and leave config.ini alone.
        MessageBox::storeError(this, e);
        return;
    }
    if (!matched) {
        m_status->SetStatus(CStatusLabel::Error, kWrongCredentials);
        return;
    }

    // config.ini keeps the name as typed; it is quoted wherever it becomes SQL.
    config::writeLogin(config::kLastUser, name);
    if (m_remember->GetCheck())
        config::writeLogin(config::kRememberPas, QString::fromLatin1(ScramblePassword(ansi::fromUnicode(password))));
    if (m_autoLog->GetCheck())
        config::writeLogin(config::kAutoLog, name);
    m_loggedIn = true;
    accept();
}

void CLoginDlg::OnRegister()
{
    // QDialog::hide() would end our own modal run; only take the window off screen.
    QWidget::setVisible(false);
    {
        CNewUserDlg dialog(this);
        dialog.exec();
    }
    show();
    activateWindow();
}
