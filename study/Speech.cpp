#include "study/Speech.h"

#include "platform/MessageBox.h"
#include "users/UserRecord.h"

#include <QComboBox>
#include <QTextToSpeech>

#include <algorithm>

Speech::Speech(QObject *parent)
    : QObject(parent)
{
    // flite speaks English without a daemon; speech-dispatcher is the fallback.
    const QStringList engines = QTextToSpeech::availableEngines();
    for (const QString &engine : {QStringLiteral("flite"), QStringLiteral("speechd")}) {
        if (!engines.contains(engine))
            continue;
        auto *tts = new QTextToSpeech(engine, this);
        if (tts->state() == QTextToSpeech::Error) {
            delete tts;
            continue;
        }
        m_tts = tts;
        m_engine = engine;
        break;
    }
    if (!m_tts)
        return;
    // Only English voices: the words are English.
    QList<QLocale> locales;
    for (const QLocale &locale : m_tts->availableLocales())
        if (locale.language() == QLocale::English)
            locales.append(locale);
    if (locales.isEmpty())
        locales.append(QLocale(QLocale::English, QLocale::UnitedStates));
    for (const QLocale &locale : std::as_const(locales)) {
        m_tts->setLocale(locale);
        for (const QVoice &voice : m_tts->availableVoices()) {
            m_voices.append(voice);
            m_voiceLocales.append(locale);
        }
    }
    m_tts->setLocale(locales.first());
    connect(m_tts, &QTextToSpeech::stateChanged, this, [this](QTextToSpeech::State s) { onStateChanged(int(s)); });
}

Speech::~Speech() = default;

double Speech::engineVolume(int volume)
{
    return std::clamp(volume, 0, 100) / 100.0;
}

double Speech::engineRate(int rate)
{
    // 0 is the normal speed and 10 the fastest, as the settings offer them.
    return std::clamp(rate, 0, 10) / 10.0;
}

namespace {
Speech::Observer &observer()
{
    static Speech::Observer o;
    return o;
}
} // namespace

void Speech::setObserver(Observer o)
{
    observer() = std::move(o);
}

void Speech::Speak(const QString &text)
{
    if (theUser.TTSspeaker == -1 || !m_tts || text.trimmed().isEmpty())
        return;
    m_speaking = true;
    if (observer())
        observer()(text, currentVoiceName(), currentVolume(), currentRate());
    m_tts->say(text);
}

void Speech::onStateChanged(int state)
{
    if (state != QTextToSpeech::Error || !m_speaking)
        return;
    m_speaking = false;
    Q_EMIT speakFailed();
    // Once a run: without an audio device every word would fail the same way.
    if (!m_failureShown) {
        m_failureShown = true;
        MessageBox::warning(nullptr, QStringLiteral("朗读失败！可能是音频设备没有打开！"));
    }
}

void Speech::ApplySettings(int voiceIndex, int volume, int rate)
{
    if (!m_tts)
        return;
    m_tts->setRate(engineRate(rate));
    m_tts->setVolume(engineVolume(volume));
    if (voiceIndex >= 0 && voiceIndex < m_voices.size()) {
        m_tts->setLocale(m_voiceLocales[voiceIndex]);
        m_tts->setVoice(m_voices[voiceIndex]);
    }
}

QStringList Speech::voiceNames() const
{
    QStringList names;
    for (int i = 0; i < m_voices.size(); ++i) {
        const QVoice &v = m_voices[i];
        QString name = v.name();
        if (m_engine == QStringLiteral("speechd") || m_voiceLocales.size() > 1)
            name += QStringLiteral(" (%1)").arg(QLocale::territoryToString(m_voiceLocales[i].territory()));
        names << name;
    }
    return names;
}

int Speech::ListVoices(QComboBox *combo) const
{
    const QStringList names = voiceNames();
    if (combo)
        combo->addItems(names);
    return int(names.size());
}

double Speech::currentVolume() const
{
    return m_tts ? m_tts->volume() : 0.0;
}

double Speech::currentRate() const
{
    return m_tts ? m_tts->rate() : 0.0;
}

QString Speech::currentVoiceName() const
{
    return m_tts ? m_tts->voice().name() : QString();
}
