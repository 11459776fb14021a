#include "study/Speech.h"

#include "platform/MessageBox.h"
#include "platform/Modules.h"
#include "study/SpeechModule.h"
#include "users/UserRecord.h"

#include <QComboBox>

#include <algorithm>
#include <utility>

Speech::Speech(QObject *parent)
    : QObject(parent)
{
}

Speech::~Speech() = default;

SpeechVoices *Speech::engine() const
{
    if (m_opened)
        return m_engine.get();
    m_opened = true;
    auto *self = const_cast<Speech *>(this); // opening on first use is no change seen from outside
    const QList<Settings> pending = std::exchange(self->m_pending, {});
    auto *module = loadModule<SpeechModule>();
    if (!module)
        return nullptr;
    m_engine = module->open();
    if (!m_engine) {
        modules::reportUnavailable(SpeechModule::kModule, QStringLiteral("没有可用的语音引擎（flite 或 speech-dispatcher）。"));
        return nullptr;
    }
    m_engine->onError([self] { self->onError(); });
    for (const Settings &s : pending)
        self->apply(s);
    return m_engine.get();
}

QString Speech::engineName() const
{
    SpeechVoices *e = engine();
    return e ? e->engineName() : QString();
}

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
    if (theUser.TTSspeaker == -1 || text.trimmed().isEmpty())
        return;
    SpeechVoices *e = engine();
    if (!e)
        return;
    m_speaking = true;
    if (observer())
        observer()(text, currentVoiceName(), currentVolume(), currentRate());
    e->say(text);
}

void Speech::onError()
{
    if (!m_speaking)
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
    const Settings settings{voiceIndex, volume, rate};
    // Settings are applied at every log-in; opening the engine for them alone would
    // load it in a program that may never speak.
    if (!m_opened) {
        // In order: an index outside the list keeps the voice an earlier call chose.
        m_pending.append(settings);
        return;
    }
    apply(settings);
}

void Speech::apply(const Settings &settings)
{
    if (!m_engine)
        return;
    m_engine->setRate(engineRate(settings.rate));
    m_engine->setVolume(engineVolume(settings.volume));
    m_engine->selectVoice(settings.voice); // keeps the voice for an index outside the list
}

QStringList Speech::voiceNames() const
{
    SpeechVoices *e = engine();
    if (!e)
        return {};
    QStringList names = e->voices();
    const QStringList territories = e->territories();
    const bool withTerritory = e->engineName() == QStringLiteral("speechd") || territories.size() > 1;
    for (int i = 0; i < names.size(); ++i)
        if (withTerritory)
            names[i] += QStringLiteral(" (%1)").arg(territories.value(i));
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
    SpeechVoices *e = engine();
    return e ? e->volume() : 0.0;
}

double Speech::currentRate() const
{
    SpeechVoices *e = engine();
    return e ? e->rate() : 0.0;
}

QString Speech::currentVoiceName() const
{
    SpeechVoices *e = engine();
    return e ? e->voiceName() : QString();
}
