// A speech module with two English voices that speaks nowhere, so that the voice each
// setting chose can be told apart. With QUILLORA_FAKE_SPEECH_NO_AUDIO set, every text
// fails as it does without an audio device: the engine reports an error afterwards.

#include "study/SpeechModule.h"

#include <QObject>
#include <QTimer>

namespace {

class FakeVoices : public SpeechVoices
{
public:
    QString engineName() const override { return QStringLiteral("fake"); }
    QStringList voices() const override { return {QStringLiteral("Alan"), QStringLiteral("Kal")}; }
    QStringList territories() const override { return {QStringLiteral("United Kingdom"), QStringLiteral("United States")}; }
    void selectVoice(int index) override
    {
        if (index >= 0 && index < voices().size())
            m_voice = index;
    }
    void setVolume(double volume) override { m_volume = volume; }
    void setRate(double rate) override { m_rate = rate; }
    double volume() const override { return m_volume; }
    double rate() const override { return m_rate; }
    QString voiceName() const override { return voices().value(m_voice); }
    void say(const QString &) override
    {
        if (qEnvironmentVariableIsSet("QUILLORA_FAKE_SPEECH_NO_AUDIO"))
            QTimer::singleShot(10, &m_context, [this] {
                if (m_onError)
                    m_onError();
            });
    }
    void onError(std::function<void()> handler) override { m_onError = std::move(handler); }

private:
    int m_voice = 0;
    double m_volume = 1.0;
    double m_rate = 0.0;
    std::function<void()> m_onError;
    QObject m_context; // ends pending reports with the voices
};

} // namespace

class FakeSpeechModule : public QObject, public SpeechModule
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QuilloraSpeechModule_iid)
    Q_INTERFACES(SpeechModule)

public:
    std::unique_ptr<SpeechVoices> open() override { return std::make_unique<FakeVoices>(); }
};

#include "FakeSpeechModule.moc"
