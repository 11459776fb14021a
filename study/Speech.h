#pragma once

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QComboBox;
class SpeechVoices;

// Reads words aloud through the platform's speech engine. Voice indices are
// positions in voiceNames(); volume is 0 to 100 and rate 0 (normal) to 10 (fastest),
// as the user's settings store them. Without an engine nothing is spoken and nothing
// fails. The engine (the speech module) is opened with the first call that needs it:
// a word spoken, the voices listed, or a question about either; settings applied
// before that wait for it.
class Speech : public QObject
{
    Q_OBJECT
public:
    explicit Speech(QObject *parent = nullptr);
    ~Speech() override;

    bool available() const { return engine() != nullptr; }
    QString engineName() const;

    // Speaks asynchronously with the current voice; nothing when the user has switched
    // speech off (voice index -1).
    void Speak(const QString &text);
    // Voice, volume and rate, in that order; an index outside the list keeps the voice.
    void ApplySettings(int voiceIndex, int volume, int rate);
    QStringList voiceNames() const;
    // Appends the voice names to the combo box; returns their number.
    int ListVoices(QComboBox *combo) const;

    // The engine's ranges for the stored settings.
    static double engineVolume(int volume);
    static double engineRate(int rate);

    // Sees every text handed to the engine, with the voice, volume and rate in force
    // then, so tests can tell what was spoken without an audio device. {} removes it.
    using Observer = std::function<void(const QString &text, const QString &voice, double volume, double rate)>;
    static void setObserver(Observer observer);

    double currentVolume() const;
    double currentRate() const;
    QString currentVoiceName() const;

    // Whether the engine has been opened in this object.
    bool engineOpened() const { return m_opened; }

Q_SIGNALS:
    void speakFailed();

private:
    struct Settings
    {
        int voice = -1;
        int volume = 0;
        int rate = 0;
    };

    SpeechVoices *engine() const;
    void apply(const Settings &settings);
    void onError();

    mutable std::unique_ptr<SpeechVoices> m_engine;
    mutable bool m_opened = false;
    QList<Settings> m_pending;
    bool m_speaking = false;
    bool m_failureShown = false;
};
