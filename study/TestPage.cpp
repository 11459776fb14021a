#include "study/TestPage.h"

#include "platform/AnsiText.h"
#include "platform/MessageBox.h"
#include "platform/PrivateTemp.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/MemoryModel.h"
#include "study/MistakeReport.h"
#include "study/WordDisplay.h"
#include "study/WordMemory.h"
#include "ui/BrowserHost.h"
#include "ui/Control.h"
#include "ui/FittedLabel.h"
#include "ui/SkinButton.h"
#include "ui/SkinEdit.h"
#include "ui/SkinProgressCtrl.h"
#include "ui/StatusLabel.h"
#include "users/UserRecord.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QRandomGenerator>
#include <QSignalBlocker>
#include <QUrl>

namespace {

const QString kOkCaption = QStringLiteral("确定");
const QString kDoneCaption = QStringLiteral("完成");
const QString kEmptyList = QStringLiteral("系统错误！今日单词列表为空，无法开始测试！");
const QString kWrong = QStringLiteral("⊙o⊙错了");
const QString kAlreadyWrong = QStringLiteral("haha, 你已经错了");
const QString kTooLong = QStringLiteral("长度超长，明显错误！");
const QString kShownCounts = QStringLiteral(" (看答案算做错)");
const QString kAdded = QStringLiteral("添加成功");
const QString kAlreadyAdded = QStringLiteral("已经添加，不用重复添加");
const QString kLeftBook = QStringLiteral(" 已经移出难词本!");
const QString kReportFile = QStringLiteral("Quillora_il.htm");

// Explanations are cut shorter on the wrong options than on the right one.
constexpr int kRightCut = 50;
constexpr int kWrongCut = 40;

// The word whose first answer has been recorded; one value for every run of the page.
int s_lastRecorded = -1;

QString optionCaption(int index, const QString &text)
{
    return QStringLiteral("【%1】").arg(QChar(u'A' + index)) + text;
}

} // namespace

CTestPage::CTestPage(QWidget *parent)
    : CWordStudyPage(QStringLiteral("考单词"), parent)
    , m_kindSource([] { return int(QRandomGenerator::global()->bounded(3)); })
{
    setObjectName(QStringLiteral("130"));
    setFocusPolicy(Qt::StrongFocus);
    buildControls();
    setupHandlers();
    OnInitDialog();
}

void CTestPage::buildControls()
{
    placeWordBlock(2);

    // Kinds 1 and 2 show the explanation where kind 0 shows the word.
    m_explanation = named(new CFittedLabel(QStringLiteral("释义"), this), IdExplanation);
    m_explanation->setGeometry(14, 6, 462, 76);
    m_explanation->setWordWrap(true);
    m_explanation->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_explanation->hide();

    for (int i = 0; i < 4; ++i) {
        auto *radio = named(new CSkinButton(CSkinButton::Radio, QString(QChar(u'A' + i)), this), IdOptionA + i);
        radio->setGeometry(14, 88 + 20 * i, 462, 20);
        m_options.append(radio);
    }

    m_edit->setGeometry(14, 100, 300, 30);
    m_edit->hide();

    m_status = named(new CStatusLabel(231, this), IdStatus);
    m_status->setGeometry(14, 170, 462, 20);

    m_ok = named(new CSkinButton(CSkinButton::Push, kOkCaption, this), IdOk);
    m_ok->setGeometry(14, 194, 84, 26);
    m_showAnswer = named(new CSkinButton(CSkinButton::Push, QStringLiteral("看答案"), this), IdShowAnswer);
    m_showAnswer->setGeometry(106, 194, 112, 26);
    m_report = named(new CSkinButton(CSkinButton::Push, QStringLiteral("查看错误报告"), this), IdReport);
    m_report->setGeometry(m_showAnswer->geometry());
    m_report->hide();
    m_addHard = named(new CSkinButton(CSkinButton::Push, QStringLiteral("添加到难词本"), this), IdAddHard);
    m_addHard->setGeometry(226, 194, 112, 26);

    m_autoAddHard = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("自动将错词加入难词本"), this), IdAutoAddHard);
    m_autoNext = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("自动跳转下一个"), this), IdAutoNext);

}

void CTestPage::setupHandlers()
{
    connect(m_ok, &CSkinButton::clicked, this, &CTestPage::OnSubmit);
    connect(m_showAnswer, &CSkinButton::clicked, this, &CTestPage::OnShowAnswer);
    connect(m_addHard, &CSkinButton::clicked, this, &CTestPage::OnAddHard);
    connect(m_report, &CSkinButton::clicked, this, &CTestPage::OnReport);
    for (CSkinButton *radio : std::as_const(m_options))
        connect(radio, &CSkinButton::clicked, this, &CTestPage::OnOptionClicked);
    // Enter in the edit reaches the page's key handler, the keyboard's "确定".
    connect(m_edit, &QLineEdit::textChanged, this, &CTestPage::OnTyping);
    connect(m_autoAddHard, &CSkinButton::clicked, this,
            [this] { storeUserOption("TestAutoAddHard", theUser.TestAutoAddHard, m_autoAddHard->GetCheck()); });
    connect(m_autoNext, &CSkinButton::clicked, this,
            [this] { storeUserOption("TestAutoNext", theUser.TestAutoNext, m_autoNext->GetCheck()); });
    connect(m_back, &CSkinButton::clicked, this, &CTestPage::OnBack);
}

void CTestPage::OnInitDialog()
{
    for (CSkinButton *button : {m_ok, m_showAnswer, m_addHard, m_report})
        button->LoadImages({164, 163, 162}, true);
    for (CSkinButton *radio : std::as_const(m_options))
        radio->LoadImages({161});
    placeOptionBoxes(m_autoAddHard, m_autoNext, 226);
    syncOptions();
}

void CTestPage::syncOptions()
{
    m_autoAddHard->SetCheck(theUser.TestAutoAddHard == 1);
    m_autoNext->SetCheck(theUser.TestAutoNext == 1);
}

CSkinButton *CTestPage::option(int index) const
{
    return m_options.value(index);
}

void CTestPage::clearStatus()
{
    m_status->SetStatus(CStatusLabel::Correct, QString());
}

void CTestPage::Start()
{
    // Another user may have logged in since the boxes were last set.
    syncOptions();
    setFocus();
    m_ok->SetText(kOkCaption);
    m_showAnswer->show();
    m_addHard->show();
    m_report->hide();
    clearStatus();

    m_finished = false;
    m_answerShown = false;
    m_position = 0;
    // A word left from an earlier run must not keep this run's first answer unrecorded.
    s_lastRecorded = -1;

    try {
        theDatabase.execute(sqlFormat("BEGIN TRANSACTION;DELETE FROM tmp_NoOrder_DayList_tbl;INSERT INTO "
                                      "tmp_NoOrder_DayList_tbl SELECT DISTINCT wid FROM DayList_tbl WHERE uid = %d ORDER "
                                      "BY random();COMMIT TRANSACTION;",
                                      theUser.uid)
                                .constData());
    } catch (const CppSQLite3Exception &e) {
        store::rollbackIfOpen(theDatabase);
        showStoreError(e);
    }

    if (m_kind < 0)
        m_kind = m_kindSource();
    if (!LoadQuestion()) {
        MessageBox::warning(this, kEmptyList);
        m_finished = true;
        End();
        return;
    }

    try {
        m_total = theDatabase.queryInt(sqlFormat("SELECT count(*) FROM DayList_tbl WHERE uid = %d;", theUser.uid).constData());
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
    ShowProgress();
    describeCurrentQuestion();
}

void CTestPage::describeCurrentQuestion()
{
    // The question for a screen reader: the explanation to type or choose the word of,
    // or the word to choose the explanation of; the options read themselves.
    const QString asked = m_kind == ChooseExplanation ? m_correctWord : m_explanation->text();
    describeQuestion({asked}, {asked});
}

void CTestPage::ShowProgress()
{
    showProgress(m_position, m_total);
}

void CTestPage::fillOptions(const QString &right, const QStringList &others)
{
    // Options without a distractor are hidden; the right one is always among the
    // options shown, which run from A without gaps.
    m_correctOption = int(QRandomGenerator::global()->bounded(int(others.size()) + 1));
    int next = 0;
    for (int i = 0; i < m_options.size(); ++i) {
        CSkinButton *radio = m_options[i];
        radio->SetCheck(false);
        QString text;
        if (i == m_correctOption)
            text = right;
        else if (next < others.size())
            text = others[next++];
        else {
            radio->hide();
            continue;
        }
        radio->SetText(optionCaption(i, text));
        radio->show();
    }
}

bool CTestPage::LoadQuestion()
{
    try {
        CppSQLite3Cursor row = theDatabase.query(
            sqlFormat("SELECT wid, name, interp, phonetic FROM tmp_NoOrder_DayList_view LIMIT %d, 1;", m_position).constData());
        ++m_position;
        if (row.eof())
            return false;
        m_wordId = row.intValue(0);
        const QByteArray name = row.stringValue(1);
        const QByteArray interp = row.stringValue(2);
        m_correctWord = ansi::toUnicode(name);
        const QString explanation = ansi::toUnicode(interp);

        // The program clears the edit itself: that is no typing.
        const QSignalBlocker blocker(m_edit);
        m_edit->clear();
        m_display->SetTyped(QString());

        if (m_kind == TypeWord) {
            m_display->hide();
            m_phonetic->hide();
            m_speak->hide();
            for (CSkinButton *radio : std::as_const(m_options))
                radio->hide();
            m_explanation->setText(explanation);
            m_explanation->show();
            m_edit->show();
            m_edit->setFocus();
            return true;
        }

        m_edit->hide();
        // Distractors never repeat the right answer, which two words may share.
        const bool byWord = m_kind == ChooseWord;
        const char *column = byWord ? "name" : "interp";
        const QByteArray right = sqlQuote(QByteArrayView(byWord ? name : interp));
        CppSQLite3Cursor others = theDatabase.query(sqlFormat("SELECT DISTINCT %s FROM DayList_view WHERE uid = %d AND "
                                                              "wid != %d AND %s != '%s' ORDER BY random() LIMIT 3;",
                                                              column, theUser.uid, m_wordId, column, right.constData())
                                                        .constData());
        QStringList distractors;
        for (; !others.eof(); others.next()) {
            const QString text = ansi::toUnicode(others.stringValue(0));
            distractors << (byWord ? text : study::cutToBytes(text, kWrongCut));
        }

        if (byWord) {
            m_display->hide();
            m_phonetic->hide();
            m_speak->hide();
            m_explanation->setText(explanation);
            m_explanation->show();
            fillOptions(m_correctWord, distractors);
        } else {
            m_explanation->hide();
            m_display->SetWord(m_correctWord);
            m_phonetic->setText(u'[' + ansi::toUnicode(row.stringValue(3)) + u']');
            m_display->show();
            m_phonetic->show();
            m_speak->show();
            fillOptions(study::cutToBytes(explanation, kRightCut), distractors);
        }
        setFocus();
    } catch (const CppSQLite3Exception &e) {
        // A failed load counts as a loaded question: the test goes on with the next one.
        showStoreError(e);
    }
    return true;
}

void CTestPage::NextQuestion()
{
    m_answerShown = false;
    m_kind = m_kindSource();
    if (LoadQuestion()) {
        ShowProgress();
        describeCurrentQuestion();
        return;
    }
    describeQuestion({}, {});
    m_showAnswer->hide();
    m_addHard->hide();
    m_ok->SetText(kDoneCaption);
    try {
        if (theDatabase.queryInt(sqlFormat("SELECT EXISTS (SELECT * FROM DayList_tbl WHERE uid = %d AND incorrect = 1);",
                                           theUser.uid)
                                     .constData())
            != 0)
            m_report->show();
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
    m_finished = true;
    setFocus();
    ShowProgress();
}

bool CTestPage::wrongAnswer() const
{
    if (m_kind == TypeWord)
        return m_edit->text() != m_correctWord;
    // No choice at all counts as a wrong one.
    const CSkinButton *chosen = option(m_correctOption);
    return !chosen || !chosen->GetCheck();
}

void CTestPage::Record(bool wrong)
{
    const int incorrect = (m_answerShown || wrong) ? 1 : 0;
    // One transaction: a failure leaves the word as it was, with no half of the record.
    QByteArray sql = sqlFormat("BEGIN TRANSACTION;UPDATE WordsMarkInfo_tbl SET times = times + 1, RecentMarkDate = "
                               "date('now', 'localtime') WHERE uid = %d AND wid = %d; UPDATE DayList_tbl SET incorrect = "
                               "%d WHERE uid = %d AND wid = %d;",
                               theUser.uid, m_wordId, incorrect, theUser.uid, m_wordId);
    if (theUser.TestAutoAddHard == 1 && incorrect)
        sql += sqlFormat("UPDATE WordsMarkInfo_tbl SET hard = 1 WHERE uid = %d AND wid = %d;", theUser.uid, m_wordId);
    try {
        // The day's first answer grades recall for the memory model, in the same
        // transaction.
        sql += memory::gradeStatement(theDatabase, theUser.uid, m_wordId, incorrect ? memory::Again : memory::Good);
        sql += "COMMIT TRANSACTION;";
        theDatabase.execute(sql.constData());
    } catch (const CppSQLite3Exception &e) {
        store::rollbackIfOpen(theDatabase);
        showStoreError(e);
    }
}

void CTestPage::OnSubmit()
{
    if (m_finished) {
        End();
        s_lastRecorded = -1;
        return;
    }
    const bool wrong = wrongAnswer();
    if (m_wordId != s_lastRecorded) {
        Record(wrong);
        // Also after a failure: the question's first answer has been given.
        s_lastRecorded = m_wordId;
    }
    if (wrong) {
        m_status->SetStatus(CStatusLabel::Error, kWrong);
        if (m_kind == TypeWord)
            m_edit->setFocus();
        return;
    }

    QString notice;
    if (theUser.mode == 2 && !m_answerShown) {
        try {
            theDatabase.execute(
                sqlFormat("UPDATE WordsMarkInfo_tbl SET hard = 0 WHERE uid = %d AND wid = %d;", theUser.uid, m_wordId)
                    .constData());
            notice = m_correctWord + kLeftBook;
        } catch (const CppSQLite3Exception &e) {
            showStoreError(e);
        }
    }
    NextQuestion();
    // The word that left the book is named until the next answer, not cleared at once.
    if (notice.isEmpty())
        clearStatus();
    else
        m_status->SetStatus(CStatusLabel::Notice, notice);
}

void CTestPage::OnShowAnswer()
{
    m_answerShown = true;
    QString text = m_kind == TypeWord ? QStringLiteral("答案：%1").arg(m_correctWord)
                                      : QStringLiteral("答案：【%1】").arg(QChar(u'A' + m_correctOption));
    m_status->SetStatus(CStatusLabel::Notice, text + kShownCounts);
    if (m_kind == TypeWord)
        m_edit->setFocus();
}

void CTestPage::OnAddHard()
{
    try {
        if (theDatabase.queryInt(
                sqlFormat("SELECT hard FROM WordsMarkInfo_tbl WHERE uid = %d AND wid = %d;", theUser.uid, m_wordId).constData())
            != 0) {
            m_status->SetStatus(CStatusLabel::Notice, kAlreadyAdded);
            return;
        }
        theDatabase.execute(
            sqlFormat("UPDATE WordsMarkInfo_tbl SET hard = 1 WHERE uid = %d AND wid = %d;", theUser.uid, m_wordId).constData());
        m_status->SetStatus(CStatusLabel::Notice, kAdded);
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
    if (m_kind == TypeWord)
        m_edit->setFocus();
}

void CTestPage::OnOptionClicked()
{
    if (theUser.TestAutoNext == 1)
        OnSubmit();
}

void CTestPage::OnTyping()
{
    if (theUser.TestAutoNext != 1)
        return;
    clearStatus();
    const QByteArray typed = ansi::fromUnicode(m_edit->text());
    if (typed.isEmpty())
        return;
    const QByteArray word = ansi::fromUnicode(m_correctWord);
    if (typed.size() < word.size()) {
        if (!word.startsWith(typed))
            m_status->SetStatus(CStatusLabel::Error, kAlreadyWrong);
    } else if (typed.size() > word.size()) {
        m_status->SetStatus(CStatusLabel::Error, kTooLong);
    } else {
        OnSubmit();
    }
}

void CTestPage::keyPressEvent(QKeyEvent *event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        OnSubmit();
        event->accept();
        return;
    }
    // A-D and 1-4 choose an option of a multiple-choice question, as a click does.
    int index = -1;
    if (key >= Qt::Key_A && key <= Qt::Key_D)
        index = key - Qt::Key_A;
    else if (key >= Qt::Key_1 && key <= Qt::Key_4)
        index = key - Qt::Key_1;
    if (index >= 0 && !m_finished && m_kind != TypeWord && event->modifiers() == Qt::NoModifier) {
        CSkinButton *radio = option(index);
        if (radio && radio->isVisible())
            radio->click();
        event->accept();
        return;
    }
    CStudyPage::keyPressEvent(event);
}

void CTestPage::End()
{
    if (host())
        host()->FinishTodayLog(true);
}

void CTestPage::OnBack()
{
    if (m_finished) {
        End();
        return;
    }
    // Nothing more is recorded: the answers given so far stay.
    if (host())
        host()->closePage();
}

void CTestPage::OnReport()
{
    QByteArray templateText;
    QFile resource(QStringLiteral(":/HTML/HTML_INCORRECTLIST.html"));
    if (resource.open(QIODevice::ReadOnly))
        templateText = ansi::fromUnicode(QString::fromUtf8(resource.readAll()));

    QString error;
    const QByteArray page = study::mistakeReportPage(theDatabase, theUser, templateText, &error);
    if (!error.isEmpty())
        MessageBox::warning(this, error);

    // Never a fixed name in a folder others can write to.
    const QString path = privatetemp::filePath(kReportFile);
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || !file.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || file.write(page) != page.size() || !file.flush()) {
        MessageBox::warning(this, QStringLiteral("无法写入错误报告的临时文件：%1").arg(path));
        file.remove();
        return;
    }
    file.close();

    QWidget *home = window();
    home->setEnabled(false);
    setEnabled(false);
    HtmlDialogOptions options;
    options.scrollBars = true;
    options.centreOn = home;
    showHtmlDialog(QUrl::fromLocalFile(path), QSize(460, kReportHeight), options);
    setEnabled(true);
    home->setEnabled(true);
    // The page lost the keyboard while disabled; Enter is to reach "完成" again.
    takeFocus();
    QFile::remove(path);
}
