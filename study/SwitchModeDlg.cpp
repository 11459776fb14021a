#include "study/SwitchModeDlg.h"

#include "platform/AnsiText.h"
#include "ui/AppLook.h"
#include "platform/MessageBox.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/StudyRules.h"
#include "study/WordMemory.h"
#include "ui/Control.h"
#include "ui/DialogKeys.h"
#include "ui/Images.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString kReviewListEmpty = QStringLiteral("可复习列表为空 ");
const QString kHardBookEmpty = QStringLiteral("难词本为空");
const QString kIncomplete = QStringLiteral("请将复习条件设置完整");
const QString kEqualDates = QStringLiteral("复习条件的起始日期不能相等");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");
const QString kDueToday = QStringLiteral("智能复习：今天有%1个单词到期");

QLabel *staticText(const QString &text, int id, QWidget *parent)
{
    auto *label = named(new QLabel(text, parent), id);
    label->setTextFormat(Qt::PlainText);
    return label;
}

// The list box's own prefix search: the first item whose text starts with the given
// text, case-insensitively; without a match the selection stays as it is.
void selectString(CSkinComboBox *box, const QString &prefix)
{
    for (int i = 0; i < box->count(); ++i) {
        if (box->itemText(i).startsWith(prefix, Qt::CaseInsensitive)) {
            box->setCurrentIndex(i);
            return;
        }
    }
}

} // namespace

CSwitchModeDlg::CSwitchModeDlg(QWidget *parent)
    : QDialog(parent)
{
    prepareDialog(this, 193, QStringLiteral("切换模式"));
    buildControls();
    setupHandlers();
    OnInitDialog();
}

void CSwitchModeDlg::buildControls()
{
    // Statics grey out in the same grey as the skinned controls beside them.
    QPalette pal = palette();
    pal.setColor(QPalette::Disabled, QPalette::WindowText, GrayTextColor());
    setPalette(pal);

    const QFontMetrics fm = fontMetrics();

    // Radios exclude each other among siblings, so all four live in the one group box.
    auto *modeBox = new QGroupBox(QStringLiteral("切换模式"), this);
    const QString captions[4] = {QStringLiteral("学习新单词"), QStringLiteral("复习旧单词"), QStringLiteral("复习难词本"),
                                 QStringLiteral("智能复习")};
    auto *modeColumn = new QVBoxLayout(modeBox);
    modeColumn->setContentsMargins(12, 8, 12, 10);
    modeColumn->setSpacing(6);
    auto *modeRow = new QHBoxLayout;
    modeRow->setSpacing(18);
    for (int m = 0; m < 4; ++m) {
        m_modes[m] = named(new CSkinButton(CSkinButton::Radio, captions[m], modeBox), modeId(m));
        m_modes[m]->LoadImages({161});
        modeRow->addWidget(m_modes[m]);
    }
    modeRow->addStretch(1);
    modeColumn->addLayout(modeRow);
    m_dueToday = staticText(kDueToday.arg(0), IdDueToday, modeBox);
    modeColumn->addWidget(m_dueToday);

    // Every condition control is a child of 1056, so disabling the group disables them
    // all, and enabling it again keeps the boxes that a ticked "不限" switched off.
    m_conditions = named(new QGroupBox(QStringLiteral("复习条件设定"), this), IdConditions);
    auto *dateQuestion = staticText(QStringLiteral("复习什么时候背过的单词？"), IdDateQuestion, m_conditions);
    auto *timesQuestion = staticText(QStringLiteral("复习已经学过多少次的单词？"), IdTimesQuestion, m_conditions);
    m_dateNoLimit = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("不限"), m_conditions), IdDateNoLimit);
    m_timesNoLimit = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("不限"), m_conditions), IdTimesNoLimit);
    for (CSkinButton *box : {m_dateNoLimit, m_timesNoLimit})
        box->LoadImages({165});
    m_dateFromLabel = staticText(QStringLiteral("从"), IdDateFromLabel, m_conditions);
    m_dateToLabel = staticText(QStringLiteral("到"), IdDateToLabel, m_conditions);
    m_timesFromLabel = staticText(QStringLiteral("从"), IdTimesFromLabel, m_conditions);
    m_timesToLabel = staticText(QStringLiteral("到"), IdTimesToLabel, m_conditions);

    m_dateFrom = named(new CSkinComboBox(m_conditions), IdDateFrom);
    m_dateTo = named(new CSkinComboBox(m_conditions), IdDateTo);
    m_timesFrom = named(new CSkinComboBox(m_conditions), IdTimesFrom);
    m_timesTo = named(new CSkinComboBox(m_conditions), IdTimesTo);
    // Wide enough for the longest date item, with the arrow and a little air.
    const QSize comboSize(std::max(fm.horizontalAdvance(QStringLiteral("(当前日期)")), fm.horizontalAdvance(QStringLiteral("999周前"))) + 4 + 19 + 8,
                          std::max(22, fm.height() + 8));
    for (CSkinComboBox *box : {m_dateFrom, m_dateTo, m_timesFrom, m_timesTo}) {
        box->LoadImages(166, QColor(0xAA, 0xAA, 0xAA), QColor(0x92, 0x92, 0xAA));
        box->setFixedSize(comboSize);
        box->setMaxVisibleItems(12);
    }

    auto *grid = new QGridLayout(m_conditions);
    grid->setContentsMargins(12, 8, 12, 10);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(6);
    auto addCondition = [&](int row, QLabel *question, CSkinButton *noLimit, QLabel *fromLabel, CSkinComboBox *from,
                            QLabel *toLabel, CSkinComboBox *to) {
        auto *head = new QHBoxLayout;
        head->setSpacing(12);
        head->addWidget(question);
        head->addStretch(1);
        head->addWidget(noLimit);
        grid->addLayout(head, row, 0, 1, 5);
        // "从" and "到" label their boxes for a screen reader.
        fromLabel->setBuddy(from);
        toLabel->setBuddy(to);
        grid->addWidget(fromLabel, row + 1, 0);
        grid->addWidget(from, row + 1, 1);
        grid->addWidget(toLabel, row + 1, 2);
        grid->addWidget(to, row + 1, 3);
    };
    addCondition(0, dateQuestion, m_dateNoLimit, m_dateFromLabel, m_dateFrom, m_dateToLabel, m_dateTo);
    grid->setRowMinimumHeight(2, 6); // a little more air between the two questions
    addCondition(3, timesQuestion, m_timesNoLimit, m_timesFromLabel, m_timesFrom, m_timesToLabel, m_timesTo);
    grid->setColumnMinimumWidth(2, fm.horizontalAdvance(QStringLiteral("到")) + 12);
    grid->setColumnStretch(4, 1);

    m_status = named(new CStatusLabel(231, this), IdStatus);
    {
        const QStringList texts{kReviewListEmpty + kHardBookEmpty, kIncomplete, kEqualDates};
        int widest = 0;
        for (const QString &text : texts)
            widest = std::max(widest, fm.horizontalAdvance(text));
        m_status->setMinimumSize(20 + 3 + widest + 4, std::max(20, fm.height()));
    }

    m_ok = named(new CSkinButton(CSkinButton::Push, QStringLiteral("确定"), this), IdOk);
    m_ok->LoadImages({164, 163, 162}, true);
    {
        const QSize text = m_ok->fontMetrics().size(Qt::TextSingleLine, m_ok->text());
        m_ok->setFixedSize(std::max(80, text.width() + 28), std::max(26, text.height() + 8));
    }

    auto *bottom = new QHBoxLayout;
    bottom->setSpacing(12);
    bottom->addWidget(m_status, 1, Qt::AlignVCenter);
    bottom->addWidget(m_ok, 0, Qt::AlignVCenter);

    auto *top = new QVBoxLayout(this);
    top->setContentsMargins(14, 12, 14, 12);
    top->setSpacing(10);
    top->addWidget(modeBox);
    top->addWidget(m_conditions);
    top->addLayout(bottom);
    top->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(m_modes[0], m_modes[1]);
    setTabOrder(m_modes[1], m_modes[2]);
    setTabOrder(m_modes[2], m_modes[3]);
    setTabOrder(m_modes[3], m_dateNoLimit);
    setTabOrder(m_dateNoLimit, m_dateFrom);
    setTabOrder(m_dateFrom, m_dateTo);
    setTabOrder(m_dateTo, m_timesNoLimit);
    setTabOrder(m_timesNoLimit, m_timesFrom);
    setTabOrder(m_timesFrom, m_timesTo);
    setTabOrder(m_timesTo, m_ok);
}

void CSwitchModeDlg::setupHandlers()
{
    for (int m = 0; m < 4; ++m)
        connect(m_modes[m], &CSkinButton::clicked, this, [this, m] { OnModeClicked(modeId(m)); });
    connect(m_dateNoLimit, &CSkinButton::clicked, this, &CSwitchModeDlg::OnDateNoLimit);
    connect(m_timesNoLimit, &CSkinButton::clicked, this, &CSwitchModeDlg::OnTimesNoLimit);
    connect(m_ok, &CSkinButton::clicked, this, &CSwitchModeDlg::OnOK);
}

void CSwitchModeDlg::OnInitDialog()
{
    const int mode = theUser.mode;
    if (mode >= study::LearnNew && mode <= study::SmartReview)
        m_modes[mode]->SetCheck(true);
    if (mode != study::ReviewNormal)
        m_conditions->setEnabled(false);

    // An empty source cannot be switched into, unless the user already studies from it.
    bool hardEmpty = false;
    try {
        hardEmpty = study::sourceCount(theDatabase, theUser, study::ReviewHard) == 0;
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(this, e);
    }
    if (hardEmpty && mode != study::ReviewHard)
        m_modes[study::ReviewHard]->setEnabled(false);

    // The memory model's mode is always open: with nothing due it brings new words.
    try {
        const QString today = QDate::currentDate().toString(kDateFormat);
        m_dueToday->setText(kDueToday.arg(memory::dueCount(theDatabase, theUser, today)));
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(this, e);
    }

    const bool reviewEmpty = !FillComboBoxes();
    if (reviewEmpty && mode != study::ReviewNormal)
        m_modes[study::ReviewNormal]->setEnabled(false);

    QString notice;
    if (reviewEmpty)
        notice += kReviewListEmpty;
    if (hardEmpty)
        notice += kHardBookEmpty;
    // A notice with no text would still draw its icon; with nothing to say the label
    // stays blank.
    m_status->SetStatus(notice.isEmpty() ? CStatusLabel::None : CStatusLabel::Notice, notice);

    if (mode == study::ReviewNormal) {
        if (theUser.DateFrom.isEmpty()) {
            m_dateNoLimit->SetCheck(true);
            enableDateControls(false);
        }
        if (theUser.TimesFrom == -1) {
            m_timesNoLimit->SetCheck(true);
            enableTimesControls(false);
        } else {
            selectString(m_timesFrom, QString::number(theUser.TimesFrom));
            selectString(m_timesTo, QString::number(theUser.TimesTo));
        }
        // The date boxes stay unselected: the stored window is absolute dates, the
        // items are weeks before today, and the two rarely meet.
    }
}

bool CSwitchModeDlg::FillComboBoxes()
{
    study::ReviewChoices choices;
    try {
        choices = study::queryReviewChoices(theDatabase, theUser);
    } catch (const CppSQLite3Exception &e) {
        // Without the ranges the user may still know there is something to review.
        MessageBox::storeError(this, e);
        return true;
    }
    const std::pair<CSkinComboBox *, const QList<study::ComboItem> *> boxes[] = {
        {m_dateFrom, &choices.dateFrom}, {m_dateTo, &choices.dateTo}, {m_timesFrom, &choices.timesFrom}, {m_timesTo, &choices.timesTo}};
    for (const auto &[box, items] : boxes) {
        for (const study::ComboItem &item : *items)
            box->AddItem(item.text, item.datum);
        // Adding selects the first item; the boxes start without a choice.
        box->setCurrentIndex(-1);
    }
    return choices.reviewable;
}

int CSwitchModeDlg::modeId(int mode)
{
    return mode == study::SmartReview ? IdSmartReview : IdLearnNew + mode;
}

void CSwitchModeDlg::enableDateControls(bool enable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_dateFromLabel, m_dateToLabel, m_dateFrom, m_dateTo})
        w->setEnabled(enable);
}

void CSwitchModeDlg::enableTimesControls(bool enable)
{
    for (QWidget *w : std::initializer_list<QWidget *>{m_timesFromLabel, m_timesToLabel, m_timesFrom, m_timesTo})
        w->setEnabled(enable);
}

void CSwitchModeDlg::OnModeClicked(int id)
{
    m_conditions->setEnabled(id == IdReviewNormal);
}

void CSwitchModeDlg::OnDateNoLimit()
{
    enableDateControls(!m_dateNoLimit->GetCheck());
}

void CSwitchModeDlg::OnTimesNoLimit()
{
    enableTimesControls(!m_timesNoLimit->GetCheck());
}

void CSwitchModeDlg::keyPressEvent(QKeyEvent *event)
{
    if (!pressForEnter(event, m_ok))
        QDialog::keyPressEvent(event);
}

void CSwitchModeDlg::OnOK()
{
    int mode = -1;
    for (int m = 0; m < 4 && mode < 0; ++m)
        if (m_modes[m]->GetCheck())
            mode = m;
    if (mode < 0)
        return;
    if (mode == study::ReviewNormal && !m_conditions->isEnabled())
        return;
    if (mode == study::ReviewNormal ? confirmReview() : confirmSourceMode(mode))
        accept();
}

bool CSwitchModeDlg::confirmSourceMode(int mode)
{
    try {
        const int n = study::sourceCount(theDatabase, theUser, mode);
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET mode = %d, count = %d WHERE uid = %d;", mode, n, theUser.uid).constData());
        // The review conditions stay stored for the next time mode 1 is chosen.
        theUser.mode = mode;
        theUser.count = n;
    } catch (const CppSQLite3Exception &e) {
        MessageBox::storeError(this, e);
    }
    return true;
}

bool CSwitchModeDlg::confirmReview()
{
    const bool dateNoLimit = m_dateNoLimit->GetCheck();
    const bool timesNoLimit = m_timesNoLimit->GetCheck();
    if ((!dateNoLimit && (m_dateFrom->currentIndex() < 0 || m_dateTo->currentIndex() < 0))
        || (!timesNoLimit && (m_timesFrom->currentIndex() < 0 || m_timesTo->currentIndex() < 0))) {
        m_status->SetStatus(CStatusLabel::Error, kIncomplete);
        return false;
    }
    const int fromDays = dateNoLimit ? -1 : m_dateFrom->itemInt(m_dateFrom->currentIndex());
    const int toDays = dateNoLimit ? -1 : m_dateTo->itemInt(m_dateTo->currentIndex());
    const int timesFrom = timesNoLimit ? -1 : m_timesFrom->itemInt(m_timesFrom->currentIndex());
    const int timesTo = timesNoLimit ? -1 : m_timesTo->itemInt(m_timesTo->currentIndex());
    // Only equal dates are refused: a window given the wrong way round is kept as the
    // user chose it and simply selects nothing.
    if (!dateNoLimit && fromDays == toDays) {
        m_status->SetStatus(CStatusLabel::Error, kEqualDates);
        return false;
    }

    // The window is stored as calendar dates, fixed from today until confirmed again.
    const QDate today = QDate::currentDate();
    const QByteArray todayText = sqlQuote(QStringView(today.toString(kDateFormat)));
    QByteArray sqlDateFrom("NULL");
    QByteArray sqlDateTo("NULL");
    UserRecord next = theUser;
    next.mode = study::ReviewNormal;
    next.TimesFrom = timesFrom;
    next.TimesTo = timesTo;
    next.DateFrom.clear();
    next.DateTo.clear();
    if (!dateNoLimit) {
        sqlDateFrom = sqlFormat("date('%s', '-%d day')", todayText.constData(), fromDays);
        sqlDateTo = sqlFormat("date('%s', '-%d day')", todayText.constData(), toDays);
        next.DateFrom = today.addDays(-fromDays).toString(kDateFormat);
        next.DateTo = today.addDays(-toDays).toString(kDateFormat);
    }

    try {
        // Counted through the same fragments the daily list will use with these values.
        next.count = study::sourceCount(theDatabase, next, study::ReviewNormal);
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET mode = %d, count = %d, DateFrom = %s, DateTo = %s, TimesFrom = %d, "
                                      "TimesTo = %d WHERE uid = %d;",
                                      study::ReviewNormal, next.count, sqlDateFrom.constData(), sqlDateTo.constData(), timesFrom,
                                      timesTo, theUser.uid)
                                .constData());
        theUser.mode = next.mode;
        theUser.count = next.count;
        theUser.DateFrom = next.DateFrom;
        theUser.DateTo = next.DateTo;
        theUser.TimesFrom = next.TimesFrom;
        theUser.TimesTo = next.TimesTo;
    } catch (const CppSQLite3Exception &e) {
        // The dialog closes as after a confirmation; theUser keeps its old values.
        MessageBox::storeError(this, e);
    }
    return true;
}
