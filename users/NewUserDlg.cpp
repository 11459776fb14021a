#include "users/NewUserDlg.h"

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

#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QVBoxLayout>

namespace {

const QString kCorrect = QStringLiteral("正确");
const QString kUserNameLength = QStringLiteral("长度范围1~10");
const QString kUserExists = QStringLiteral("此用户已存在");
const QString kPasswordLength = QStringLiteral("长度范围1~15");
const QString kConfirmDiffers = QStringLiteral("两次输入不一致");
const QString kDayNumRange = QStringLiteral("请输入5~1000的数");

constexpr int kMaxUserNameBytes = 10;
constexpr int kMaxPasswordBytes = 15;
constexpr int kMinDayNum = 5;
constexpr int kMaxDayNum = 1000;

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// A caption naming `control` for a screen reader.
QLabel *buddyCaption(const QString &text, QWidget *control, QWidget *parent)
{
    QLabel *label = caption(text, parent);
    label->setBuddy(control);
    return label;
}

// What the integer exchange of the dialog accepts: an optional sign and decimal
// digits, blanks around them allowed.
bool parseInteger(const QString &text, int &value)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && (text[first] == QLatin1Char(' ') || text[first] == QLatin1Char('\t')))
        ++first;
    while (last > first && (text[last - 1] == QLatin1Char(' ') || text[last - 1] == QLatin1Char('\t')))
        --last;
    bool ok = false;
    const int parsed = QStringView(text).mid(first, last - first).toInt(&ok, 10);
    if (ok)
        value = parsed;
    return ok;
}

// The style fills a group box's panel with a light grey picture; the skinned controls
// inside paint on white, so this one keeps the style's geometry but draws a white panel.
class WhiteGroupBox : public QGroupBox
{
public:
    using QGroupBox::QGroupBox;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStyleOptionGroupBox opt;
        initStyleOption(&opt);
        const QRect label = style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, this);
        // The title stands above the frame, as the style draws it.
        const QRect frame = rect().adjusted(0, title().isEmpty() ? 0 : label.bottom() + 4, 0, 0);
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QColor(200, 208, 218));
        p.setBrush(Qt::white);
        p.drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(label, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title());
    }
};

void setVerdict(CStatusLabel *label, const QString &error)
{
    if (error.isEmpty())
        label->SetStatus(CStatusLabel::Correct, kCorrect);
    else
        label->SetStatus(CStatusLabel::Error, error);
}

} // namespace

CNewUserDlg::CNewUserDlg(QWidget *parent)
    : QDialog(parent)
{
    prepareDialog(this, 135, QStringLiteral("新建用户"));
    buildControls();
    setupHandlers();
    OnInitDialog();
}

void CNewUserDlg::buildControls()
{
    auto *intro = caption(QStringLiteral("本软件为每个用户分别记录背诵统计信息，所以使用前需要先建立一个账户。"), this);

    auto *group = new WhiteGroupBox(QStringLiteral("用户信息"), this);

    m_userNameEdit = named(new CSkinEdit(group), IdUserName);
    m_passwordEdit = named(new CSkinEdit(group), IdPassword);
    m_confirmEdit = named(new CSkinEdit(group), IdConfirm);
    m_dayNumEdit = named(new CSkinEdit(group), IdDayNum);
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_confirmEdit->setEchoMode(QLineEdit::Password);
    const int em = fontMetrics().horizontalAdvance(QLatin1Char('M'));
    for (CSkinEdit *edit : {m_userNameEdit, m_passwordEdit, m_confirmEdit, m_dayNumEdit}) {
        edit->LoadImages(168, 167, 7, 7);
        edit->setMinimumWidth(em * 16);
    }
    m_dayNumEdit->setMinimumWidth(em * 7);
    m_dayNumEdit->setMaximumWidth(em * 7);

    m_userNameStatus = named(new CStatusLabel(232, group), IdUserNameStatus);
    m_passwordStatus = named(new CStatusLabel(232, group), IdPasswordStatus);
    m_confirmStatus = named(new CStatusLabel(232, group), IdConfirmStatus);
    m_dayNumStatus = named(new CStatusLabel(232, group), IdDayNumStatus);
    int verdictWidth = 0;
    const QFontMetrics fm = m_userNameStatus->fontMetrics();
    for (const QString &text : {kCorrect, kUserNameLength, kUserExists, kPasswordLength, kConfirmDiffers, kDayNumRange})
        verdictWidth = std::max(verdictWidth, fm.horizontalAdvance(text));
    // The icon is drawn at the top and the text centred: a label as high as the icon
    // keeps the two on one line.
    for (CStatusLabel *label : {m_userNameStatus, m_passwordStatus, m_confirmStatus, m_dayNumStatus}) {
        label->setMinimumWidth(16 + 3 + verdictWidth + 4);
        label->setFixedHeight(16);
    }

    // Both radios share the group box as parent, which makes them one exclusive group.
    m_ordinary = named(new CSkinButton(CSkinButton::Radio, QStringLiteral("普通用户(不能删除词库)"), group), IdOrdinary);
    m_administrator = named(new CSkinButton(CSkinButton::Radio, QStringLiteral("管理员"), group), IdAdministrator);
    for (CSkinButton *radio : {m_ordinary, m_administrator})
        radio->LoadImages({161});

    m_ok = named(new CSkinButton(CSkinButton::Push, QStringLiteral("确定"), this), IdOk);
    m_cancel = named(new CSkinButton(CSkinButton::Push, QStringLiteral("取消"), this), IdCancel);
    for (CSkinButton *button : {m_ok, m_cancel}) {
        button->LoadImages({164, 163, 162}, true);
        const QSize text = button->fontMetrics().size(Qt::TextSingleLine, button->text());
        button->setMinimumSize(std::max(80, text.width() + 28), std::max(26, text.height() + 8));
    }

    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(16, 14, 16, 14);
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(8);
    grid->addWidget(buddyCaption(QStringLiteral("账号(*)"), m_userNameEdit, group), 0, 0);
    grid->addWidget(m_userNameEdit, 0, 1);
    grid->addWidget(m_userNameStatus, 0, 2, Qt::AlignVCenter);
    grid->addWidget(buddyCaption(QStringLiteral("密码(*)"), m_passwordEdit, group), 1, 0);
    grid->addWidget(m_passwordEdit, 1, 1);
    grid->addWidget(m_passwordStatus, 1, 2, Qt::AlignVCenter);
    grid->addWidget(buddyCaption(QStringLiteral("密码确认(*)"), m_confirmEdit, group), 2, 0);
    grid->addWidget(m_confirmEdit, 2, 1);
    grid->addWidget(m_confirmStatus, 2, 2, Qt::AlignVCenter);
    grid->addWidget(buddyCaption(QStringLiteral("每日任务量(*)"), m_dayNumEdit, group), 3, 0);
    auto *amount = new QHBoxLayout;
    amount->setSpacing(6);
    amount->addWidget(m_dayNumEdit);
    amount->addWidget(caption(QStringLiteral("个/天"), group));
    amount->addStretch(1);
    grid->addLayout(amount, 3, 1);
    grid->addWidget(m_dayNumStatus, 3, 2, Qt::AlignVCenter);
    auto *types = new QHBoxLayout;
    types->setSpacing(18);
    types->addWidget(m_ordinary);
    types->addWidget(m_administrator);
    types->addStretch(1);
    grid->addLayout(types, 4, 1, 1, 2);
    grid->setColumnStretch(1, 1);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);

    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(18, 16, 18, 14);
    top->setSpacing(12);
    top->addWidget(intro);
    top->addWidget(group);
    top->addLayout(buttons);
    top->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_userNameEdit, m_passwordEdit);
    setTabOrder(m_passwordEdit, m_confirmEdit);
    setTabOrder(m_confirmEdit, m_dayNumEdit);
    setTabOrder(m_dayNumEdit, m_ordinary);
    setTabOrder(m_ordinary, m_administrator);
    setTabOrder(m_administrator, m_ok);
    setTabOrder(m_ok, m_cancel);
}

void CNewUserDlg::setupHandlers()
{
    m_onKillFocus = {
        {m_userNameEdit, &CNewUserDlg::OnKillFocusUserName},
        {m_passwordEdit, &CNewUserDlg::OnKillFocusPassword},
        {m_confirmEdit, &CNewUserDlg::OnKillFocusConfirm},
        {m_dayNumEdit, &CNewUserDlg::OnKillFocusDayNum},
    };
    for (QObject *box : m_onKillFocus.keys())
        box->installEventFilter(this);
    connect(m_ok, &CSkinButton::clicked, this, &CNewUserDlg::OnOK);
    connect(m_cancel, &CSkinButton::clicked, this, &CNewUserDlg::reject);
}

void CNewUserDlg::OnInitDialog()
{
    try {
        if (theDatabase.queryInt("SELECT EXISTS ( SELECT * FROM UserInfo_tbl WHERE type = 1 );") != 0)
            m_administrator->setEnabled(false);
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(this, e);
    }
    m_userNameEdit->setFocus();
}

bool CNewUserDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut) {
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        // Losing the focus to a message box, a context menu or another window is not
        // leaving the box: the check runs when the user really moves on.
        const bool leftTheBox = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
        if (leftTheBox && isVisible())
            if (const Handler handler = m_onKillFocus.value(watched))
                (this->*handler)();
    }
    return QDialog::eventFilter(watched, event);
}

void CNewUserDlg::keyPressEvent(QKeyEvent *event)
{
    if (!pressForEnter(event, m_ok))
        QDialog::keyPressEvent(event);
}

bool CNewUserDlg::takeValues()
{
    m_userName = m_userNameEdit->text();
    m_password = m_passwordEdit->text();
    m_confirm = m_confirmEdit->text();
    m_type = m_ordinary->GetCheck() ? Ordinary : m_administrator->GetCheck() ? Administrator : NoType;
    const QString amount = m_dayNumEdit->text();
    // An empty box holds no amount yet; prompting for it while the user is still on
    // the first boxes would only be in the way.
    if (amount.trimmed().isEmpty()) {
        m_dayNum = 0;
        return true;
    }
    if (parseInteger(amount, m_dayNum))
        return true;
    MessageBox::warning(this, QStringLiteral("请键入一个整数。"));
    return false;
}

bool CNewUserDlg::userNameLengthOk() const
{
    const qsizetype bytes = ansi::byteLength(m_userName);
    return bytes >= 1 && bytes <= kMaxUserNameBytes;
}

bool CNewUserDlg::userNameFree()
{
    try {
        const QByteArray sql = sqlFormat("SELECT EXISTS ( SELECT * FROM UserInfo_tbl WHERE username = '%s' );",
                                         sqlQuote(m_userName).constData());
        return theDatabase.queryInt(sql.constData()) == 0;
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(this, e);
        return true;
    }
}

bool CNewUserDlg::passwordLengthOk() const
{
    const qsizetype bytes = ansi::byteLength(m_password);
    return bytes >= 1 && bytes <= kMaxPasswordBytes;
}

bool CNewUserDlg::confirmationMatches() const
{
    return ansi::fromUnicode(m_confirm) == ansi::fromUnicode(m_password);
}

bool CNewUserDlg::dayNumInRange() const
{
    return m_dayNum >= kMinDayNum && m_dayNum <= kMaxDayNum;
}

void CNewUserDlg::OnKillFocusUserName()
{
    takeValues();
    if (!userNameLengthOk())
        setVerdict(m_userNameStatus, kUserNameLength);
    else if (!userNameFree())
        setVerdict(m_userNameStatus, kUserExists);
    else
        setVerdict(m_userNameStatus, {});
}

void CNewUserDlg::OnKillFocusPassword()
{
    takeValues();
    setVerdict(m_passwordStatus, passwordLengthOk() ? QString() : kPasswordLength);
}

void CNewUserDlg::OnKillFocusConfirm()
{
    takeValues();
    setVerdict(m_confirmStatus, confirmationMatches() ? QString() : kConfirmDiffers);
}

void CNewUserDlg::OnKillFocusDayNum()
{
    takeValues();
    setVerdict(m_dayNumStatus, dayNumInRange() ? QString() : kDayNumRange);
}

void CNewUserDlg::OnOK()
{
    // The amount shown is not the one that would be stored: let the user correct it.
    if (!takeValues()) {
        m_dayNumEdit->setFocus(Qt::OtherFocusReason);
        m_dayNumEdit->selectAll();
        return;
    }
    const bool valid = userNameLengthOk() && userNameFree() && passwordLengthOk() && confirmationMatches()
                       && dayNumInRange();
    if (!valid) {
        MessageBox::warning(this, QStringLiteral("     请把信息填写正确！    "));
        return;
    }
    if (m_type == NoType) {
        MessageBox::warning(this, QStringLiteral("请选择账户类型！"));
        return;
    }
    try {
        const QByteArray sql = sqlFormat(
            "INSERT INTO UserInfo_tbl VALUES(NULL, %d, '%s', '%s', -1, %d, 0, -1, NULL, NULL, NULL, NULL, "
            "-1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);",
            m_type, sqlQuote(m_userName).constData(), sqlQuote(m_password).constData(), m_dayNum);
        theDatabase.execute(sql.constData());
    } catch (const CppSQLite3Exception &e) {
        // No account was created, so the dialog must not report one.
        MessageBox::storeError(this, e);
        return;
    }
    accept();
}
