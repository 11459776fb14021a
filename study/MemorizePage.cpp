#include "study/MemorizePage.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/MemoryModel.h"
#include "study/WordDisplay.h"
#include "study/WordMemory.h"
#include "ui/Control.h"
#include "ui/FittedLabel.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/SkinProgressCtrl.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"

#include <QLabel>

#include <optional>

namespace {

const QString kNextCaption = QStringLiteral("下一个");
const QString kDoneCaption = QStringLiteral("完了");
const QString kTooLong = QStringLiteral("长度超长！");
const QString kWrong = QStringLiteral("Ooops...错了");
const QString kMemorise = QStringLiteral("请记忆单词...%1");
const QString kSpell = QStringLiteral("请拼写单词");

constexpr int kDefaultCountdownLength = 5;

// One countdown for the whole program: it starts at the countdown length, goes back to
// it whenever a countdown completes, and keeps its value when one is broken off.
std::optional<int> s_countdown;

} // namespace

CMemorizePage::CMemorizePage(QWidget *parent)
    : CWordStudyPage(QStringLiteral("背单词"), parent)
{
    setObjectName(QStringLiteral("129"));
    buildControls();
    setupHandlers();
    OnInitDialog();
}

void CMemorizePage::buildControls()
{
    m_explanation = named(new CFittedLabel(QStringLiteral("释义"), this), IdExplanation);
    m_explanation->setGeometry(14, 96, 462, 56);
    m_explanation->setWordWrap(true);
    m_explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_edit->setGeometry(14, 158, 300, 30);

    m_next = named(new CSkinButton(CSkinButton::Push, kNextCaption, this), IdNext);
    m_next->setGeometry(324, 158, 84, 30);

    m_status = named(new CStatusLabel(231, this), IdStatus);
    m_status->setGeometry(14, 194, 394, 20);

    m_hardMode = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("难模式"), this), IdHardMode);
    m_autoNext = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("自动跳转下一个"), this), IdAutoNext);

    setTabOrder(m_edit, m_next);
    setTabOrder(m_next, m_speak);
    setTabOrder(m_speak, m_hardMode);
    setTabOrder(m_hardMode, m_autoNext);
    setTabOrder(m_autoNext, m_back);
}

void CMemorizePage::setupHandlers()
{
    connect(m_edit, &QLineEdit::textChanged, this, &CMemorizePage::OnTyping);
    // Enter in the edit is the keyboard's "下一个".
    connect(m_edit, &QLineEdit::returnPressed, this, &CMemorizePage::OnNext);
    connect(m_next, &CSkinButton::clicked, this, &CMemorizePage::OnNext);
    connect(m_hardMode, &CSkinButton::clicked, this, &CMemorizePage::OnHardMode);
    connect(m_autoNext, &CSkinButton::clicked, this, &CMemorizePage::OnAutoNext);
    connect(m_back, &CSkinButton::clicked, this, &CMemorizePage::OnBack);
    connect(&m_countdown, &QTimer::timeout, this, &CMemorizePage::OnCountdownTick);
}

void CMemorizePage::OnInitDialog()
{
    m_countdownLength = kDefaultCountdownLength;
    m_next->LoadImages({164, 163, 162}, true);
    placeOptionBoxes(m_hardMode, m_autoNext, 220);
    syncOptions();
}

void CMemorizePage::syncOptions()
{
    m_hardMode->SetCheck(theUser.MemorHardMode == 1);
    m_autoNext->SetCheck(theUser.MemorAutoNext == 1);
}

int CMemorizePage::countdownCounter()
{
    return s_countdown.value_or(kDefaultCountdownLength);
}

void CMemorizePage::clearStatus()
{
    m_status->SetStatus(CStatusLabel::Correct, QString());
}

void CMemorizePage::clearEdit()
{
    // Typing follows every change the program makes too; an edit that is empty already
    // reports no change, so run it here.
    if (m_edit->text().isEmpty())
        OnTyping();
    else
        m_edit->clear();
}

void CMemorizePage::describeWord()
{
    const QString word = m_display->word().trimmed();
    if (word.isEmpty()) {
        describeQuestion({}, {});
        return;
    }
    const QString meaning = m_explanation->text();
    // In the hard mode the word is typed from memory once it has vanished: only the
    // page, which has the keyboard while the word shows, says it, and only then.
    const bool hard = theUser.MemorHardMode == 1;
    const bool shown = !hard || m_countdown.isActive();
    describeQuestion({hard ? QString() : word, meaning}, {shown ? word : QString(), meaning});
}

void CMemorizePage::startCountdown()
{
    m_display->SetMode(CWordDisplay::Normal);
    // The keyboard leaves the edit for the page, not for the next control in the chain.
    if (m_edit->hasFocus())
        setFocus(Qt::OtherFocusReason);
    m_edit->hide();
    m_countdown.start(kCountdownMs);
}

void CMemorizePage::Start()
{
    // Another user may have logged in since the boxes were last set.
    syncOptions();

    m_position = 0;
    m_recalling = m_slipped = false;
    clearEdit();

    if (FetchWord()) {
        m_next->SetText(kNextCaption);
        m_finished = false;
    } else {
        m_next->SetText(kDoneCaption);
        m_finished = true;
    }

    try {
        m_total = theDatabase.queryInt(sqlFormat("SELECT count(*) FROM DayList_tbl WHERE uid = %d;", theUser.uid).constData());
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }

    ShowProgress();

    if (theUser.MemorHardMode == 1) {
        startCountdown();
    } else {
        // The same as unticking the box would leave: the edit in view, the word whole.
        m_countdown.stop();
        m_edit->show();
        m_display->SetMode(CWordDisplay::Normal);
    }
    describeWord();
}

bool CMemorizePage::FetchWord()
{
    bool came = true;
    try {
        CppSQLite3Cursor row = theDatabase.query(
            sqlFormat("SELECT wid, name, interp, phonetic FROM DayList_view WHERE uid = %d LIMIT %d, 1;", theUser.uid,
                      m_position)
                .constData());
        if (row.eof()) {
            came = false;
        } else {
            m_wordId = row.intValue(0);
            const QString name = ansi::toUnicode(row.stringValue(1));
            m_display->SetWord(name);
            m_phonetic->setText(u'[' + ansi::toUnicode(row.stringValue(3)) + u']');
            m_explanation->setText(ansi::toUnicode(row.stringValue(2)));
            if (host())
                host()->Speak(name);
        }
    } catch (const CppSQLite3Exception &e) {
        // The previous word stays in view, but the row counts as fetched.
        showStoreError(e);
    }
    // The position moves on whatever came back: the list is walked by offset.
    ++m_position;
    return came;
}

void CMemorizePage::ShowProgress()
{
    showProgress(m_position, m_total);
}

void CMemorizePage::OnTyping()
{
    const QString typed = m_edit->text();
    m_display->SetTyped(typed);
    const QString word = m_display->word();
    if (m_recalling && !word.startsWith(typed))
        m_slipped = true;
    if (ansi::byteLength(typed) > ansi::byteLength(word)) {
        m_status->SetStatus(CStatusLabel::Error, kTooLong);
    } else if (theUser.MemorAutoNext == 1 && !typed.isEmpty() && typed == word) {
        clearStatus();
        if (m_finished)
            End();
        else
            Advance();
    } else {
        clearStatus();
    }
}

void CMemorizePage::OnNext()
{
    clearStatus();
    if (m_finished) {
        End();
        return;
    }
    if (m_edit->text() != m_display->word()) {
        if (m_recalling)
            m_slipped = true;
        m_status->SetStatus(CStatusLabel::Error, kWrong);
        return;
    }
    Advance();
}

void CMemorizePage::Advance()
{
    const bool recalled = m_recalling;
    const bool slipped = m_slipped;
    m_recalling = m_slipped = false;
    try {
        QByteArray sql = sqlFormat("UPDATE WordsMarkInfo_tbl SET times = times + 1, RecentMarkDate = date('now', "
                                   "'localtime') WHERE uid = %d AND wid = %d; ",
                                   theUser.uid, m_wordId);
        // Spelt from memory: the day's first attempt grades recall, in the same
        // transaction as the study itself. Copying the word on the screen grades nothing.
        if (recalled) {
            const QByteArray grade = memory::gradeStatement(theDatabase, theUser.uid, m_wordId, slipped ? memory::Again : memory::Good);
            if (!grade.isEmpty())
                sql = "BEGIN TRANSACTION;" + sql + grade + "COMMIT TRANSACTION;";
        }
        theDatabase.execute(sql.constData());
    } catch (const CppSQLite3Exception &e) {
        store::rollbackIfOpen(theDatabase);
        // The word was typed right all the same: go on to the next one.
        showStoreError(e);
    }

    if (FetchWord()) {
        ShowProgress();
        clearEdit();
        if (theUser.MemorHardMode == 1)
            startCountdown();
        describeWord();
    } else {
        // The progress stays as it was: the last word's position is the total.
        m_next->SetText(kDoneCaption);
        m_finished = true;
    }
}

void CMemorizePage::End()
{
    if (host())
        host()->FinishTodayLog(false);
    m_display->SetWord(QStringLiteral(" "));
    m_phonetic->clear();
    m_explanation->clear();
    m_finished = false;
    describeWord();
}

void CMemorizePage::OnCountdownTick()
{
    if (!s_countdown)
        s_countdown = m_countdownLength;
    int &counter = *s_countdown;
    QString text;
    if (counter != 0)
        text = kMemorise.arg(counter);
    else
        text = kSpell;
    --counter;
    m_status->SetStatus(CStatusLabel::Notice, text);
    if (counter < 0) {
        counter = m_countdownLength;
        m_edit->show();
        m_edit->setFocus();
        m_display->SetMode(CWordDisplay::Spelling);
        m_countdown.stop();
        m_recalling = true; // from here the word is spelt from memory
        describeWord();
    }
}

void CMemorizePage::OnHardMode()
{
    const bool on = m_hardMode->GetCheck();
    if (on) {
        startCountdown();
    } else {
        // The word in view again: whatever is typed now is copied, and recall failed.
        if (m_recalling)
            m_slipped = true;
        m_edit->show();
        clearStatus();
        m_countdown.stop();
        m_display->SetMode(CWordDisplay::Normal);
    }
    storeUserOption("MemorHardMode", theUser.MemorHardMode, on);
    describeWord();
}

void CMemorizePage::OnAutoNext()
{
    storeUserOption("MemorAutoNext", theUser.MemorAutoNext, m_autoNext->GetCheck());
}

void CMemorizePage::OnBack()
{
    if (m_finished) {
        End();
        return;
    }
    // Nothing is recorded: the marks made so far stay, the list starts over next time.
    if (host())
        host()->closePage();
}
