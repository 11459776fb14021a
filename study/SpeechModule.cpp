// The speech module: everything that needs Qt TextToSpeech, loaded by Speech with the
// first word read aloud.

#include "study/SpeechModule.h"

#include <QLocale>
#include <QTextToSpeech>
#include <QVoice>

#include <utility>

namespace {

class TextToSpeechVoices : public SpeechVoices
{
public:
    TextToSpeechVoices(QTextToSpeech *tts, QString engine)
        : m_tts(tts)
        , m_engine(std::move(engine))
    {
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
        QObject::connect(m_tts.get(), &QTextToSpeech::stateChanged, [this](QTextToSpeech::State s) {
            if (s == QTextToSpeech::Error && m_onError)
                m_onError();
        });
    }

    ~TextToSpeechVoices() override { QObject::disconnect(m_tts.get(), nullptr, nullptr, nullptr); }

    QString engineName() const override { return m_engine; }
    QStringList voices() const override
    {
        QStringList names;
        for (const QVoice &v : m_voices)
            names << v.name();
        return names;
    }
    QStringList territories() const override
    {
        QStringList names;
        for (const QLocale &l : m_voiceLocales)
            names << QLocale::territoryToString(l.territory());
        return names;
    }
    void selectVoice(int index) override
    {
        if (index < 0 || index >= m_voices.size())
            return;
        m_tts->setLocale(m_voiceLocales[index]);
        m_tts->setVoice(m_voices[index]);
    }
    void setVolume(double volume) override { m_tts->setVolume(volume); }
    void setRate(double rate) override { m_tts->setRate(rate); }
    double volume() const override { return m_tts->volume(); }
    double rate() const override { return m_tts->rate(); }
    QString voiceName() const override { return m_tts->voice().name(); }
    void say(const QString &text) override { m_tts->say(text); }
    void onError(std::function<void()> handler) override { m_onError = std::move(handler); }

private:
    std::unique_ptr<QTextToSpeech> m_tts;
    QString m_engine;
    QList<QVoice> m_voices;
    QList<QLocale> m_voiceLocales;
    std::function<void()> m_onError;
};

} // namespace

class TextToSpeechModule : public QObject, public SpeechModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuilloraSpeechModule_iid)
    Q_INTERFACES(SpeechModule)

public:
    std::unique_ptr<SpeechVoices> open() override
    {
        const QStringList engines = QTextToSpeech::availableEngines();
        for (const QString &engine : {QStringLiteral("flite"), QStringLiteral("speechd")}) {
            if (!engines.contains(engine))
                continue;
            auto tts = std::make_unique<QTextToSpeech>(engine);
            if (tts->state() == QTextToSpeech::Error)
                continue;
            return std::make_unique<TextToSpeechVoices>(tts.release(), engine);
        }
        return nullptr;
    }
};

#include "SpeechModule.moc"
