#include "users/SpeechPage.h"

#include "app/QuilloraDlg.h"
#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/Speech.h"
#include "ui/Control.h"
#include "ui/SkinButton.h"
#include "ui/SkinComboBox.h"
#include "users/UserRecord.h"

#include <QGridLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

#include <utility>

CSpeechPage::CSpeechPage(CQuilloraDlg *mainWindow, QWidget *parent)
    : CSettingsPage(IDD, QStringLiteral("朗读设置"), 212, mainWindow, parent)
{
    m_off = named(new CSkinButton(CSkinButton::CheckBox, QStringLiteral("关闭本功能"), this), IDC_OFF);
    m_off->LoadImages({165});
    m_voice = named(new CSkinComboBox(this), IDC_VOICE);
    m_voice->LoadImages(166, QColor(0xAA, 0xAA, 0xAA), QColor(0x92, 0x92, 0xAA));
    m_voice->setMinimumWidth(150);
    m_volume = named(new QSlider(Qt::Horizontal, this), IDC_VOLUME);
    m_rate = named(new QSlider(Qt::Horizontal, this), IDC_RATE);
    m_volume->setAccessibleName(QStringLiteral("音量"));
    m_rate->setAccessibleName(QStringLiteral("语速"));
    m_volume->setRange(0, 100);
    m_volume->setTickInterval(10);
    m_volume->setPageStep(10);
    m_rate->setRange(0, 10);
    m_rate->setTickInterval(1);
    m_rate->setPageStep(1);
    for (QSlider *bar : {m_volume, m_rate})
        bar->setTickPosition(QSlider::TicksBelow);
    m_sample = named(new QLabel(QStringLiteral("SAMPLE: enabling previously impossible experiments"), this), IDC_SAMPLE);
    m_sample->setWordWrap(true);
    m_sample->setTextFormat(Qt::PlainText);
    m_test = pushButton(QStringLiteral("测试"), IDC_TEST, this);

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(8);
    // Each control is labelled by its caption, for a screen reader (a combo box's own
    // name is the voice chosen).
    const std::pair<const char16_t *, QWidget *> captions[] = {{u"朗读人", m_voice}, {u"音量", m_volume}, {u"速率", m_rate}};
    int row = 0;
    for (const auto &[text, control] : captions) {
        auto *caption = new QLabel(QString::fromUtf16(text), this);
        caption->setBuddy(control);
        grid->addWidget(caption, row, 0);
        grid->addWidget(control, row++, 1);
    }
    grid->setColumnStretch(1, 1);

    auto *column = new QVBoxLayout(this);
    setPageMargins(column);
    column->setSpacing(10);
    column->addWidget(m_off);
    column->addLayout(grid);
    column->addWidget(m_sample);
    column->addWidget(m_test, 0, Qt::AlignRight);
    column->addStretch(1);

    connect(m_off, &CSkinButton::clicked, this, &CSpeechPage::OnOffClicked);
    connect(m_test, &CSkinButton::clicked, this, &CSpeechPage::OnTest);

    m_volume->setValue(theUser.TTSvolume);
    m_rate->setValue(theUser.TTSspeed);
    if (theUser.TTSspeaker == -1)
        m_off->SetCheck(true);
    OnOffClicked();
}

void CSpeechPage::showEvent(QShowEvent *event)
{
    CSettingsPage::showEvent(event);
    listVoices();
}

void CSpeechPage::listVoices()
{
    if (m_listed)
        return;
    m_listed = true;
    if (m_main && m_main->speech())
        m_main->speech()->ListVoices(m_voice);
    m_voice->setCurrentIndex(theUser.TTSspeaker < m_voice->count() ? theUser.TTSspeaker : -1);
}

int CSpeechPage::chosenVoice() const
{
    // Never shown, the voice cannot have been changed.
    return m_listed ? m_voice->currentIndex() : theUser.TTSspeaker;
}

void CSpeechPage::OnOffClicked()
{
    const bool on = !m_off->GetCheck();
    for (QWidget *w : std::initializer_list<QWidget *>{m_voice, m_volume, m_rate, m_test})
        w->setEnabled(on);
}

void CSpeechPage::OnTest()
{
    Speech *speech = m_main ? m_main->speech() : nullptr;
    if (!speech)
        return;
    listVoices();
    speech->ApplySettings(m_voice->currentIndex(), m_volume->value(), m_rate->value());
    // The voice speaks only for a user who has reading aloud on; the sample is spoken
    // whatever is stored, as the page is about to turn it on.
    const int stored = std::exchange(theUser.TTSspeaker, m_voice->currentIndex());
    speech->Speak(m_sample->text());
    theUser.TTSspeaker = stored;
    speech->ApplySettings(theUser.TTSspeaker, theUser.TTSvolume, theUser.TTSspeed);
}

bool CSpeechPage::Validate()
{
    if (m_off->GetCheck() || chosenVoice() >= 0)
        return true;
    m_message = QStringLiteral("请选择朗读人");
    return false;
}

void CSpeechPage::Save()
{
    try {
        if (m_off->GetCheck()) {
            // Volume and rate stay as they were, for the day reading aloud comes back.
            theUser.TTSspeaker = -1;
            theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET TTSspeaker = %d WHERE uid = %d;", -1, theUser.uid).constData());
            return;
        }
        theUser.TTSspeaker = chosenVoice();
        theUser.TTSvolume = m_volume->value();
        theUser.TTSspeed = m_rate->value();
        theDatabase.execute(sqlFormat("UPDATE UserInfo_tbl SET TTSspeaker = %d, TTSvolume = %d, TTSspeed = %d WHERE uid = %d;",
                                      theUser.TTSspeaker, theUser.TTSvolume, theUser.TTSspeed, theUser.uid)
                                .constData());
    } catch (const CppSQLite3Exception &e) {
        showStoreError(e);
    }
    // Words are read with the new voice from now on.
    if (m_main && m_main->speech())
        m_main->speech()->ApplySettings(theUser.TTSspeaker, theUser.TTSvolume, theUser.TTSspeed);
}
