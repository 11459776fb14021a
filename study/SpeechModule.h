#pragma once

// What Speech (study/Speech.cpp) asks of the speech module speech.so
// (study/SpeechModule.cpp), which the program loads with the first word it reads aloud
// or the first list of voices it shows. Only Qt Core types cross it, so the program
// itself is not linked against the text-to-speech library.

#include "platform/Modules.h"
#include "study/SpeechModuleId.h" // generated: the id stamped with the build and this header

#include <QList>
#include <QString>
#include <QStringList>
#include <QtPlugin>

#include <functional>
#include <memory>

class SpeechVoices
{
public:
    virtual ~SpeechVoices() = default;

    // "flite" or "speechd"; empty when neither engine works here.
    virtual QString engineName() const = 0;
    // The English voices, each with the territory of its locale.
    virtual QStringList voices() const = 0;
    virtual QStringList territories() const = 0;
    virtual void selectVoice(int index) = 0;
    virtual void setVolume(double volume) = 0;
    virtual void setRate(double rate) = 0;
    virtual double volume() const = 0;
    virtual double rate() const = 0;
    virtual QString voiceName() const = 0;
    virtual void say(const QString &text) = 0;
    // Called when the engine reports an error.
    virtual void onError(std::function<void()> handler) = 0;
};

class SpeechModule
{
public:
    static constexpr ModuleInfo kModule{"speech", u"朗读组件", true};

    virtual ~SpeechModule() = default;
    // flite first (English without a daemon), speech-dispatcher as the fallback.
    virtual std::unique_ptr<SpeechVoices> open() = 0;
};

Q_DECLARE_INTERFACE(SpeechModule, QuilloraSpeechModule_iid)
