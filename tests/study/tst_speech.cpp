#include "platform/MessageBox.h"
#include "study/Speech.h"
#include "study/SpeechModule.h"
#include "support/ModuleTestSupport.h"
#include "users/UserRecord.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

class TestSpeech : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { MessageBox::setTestMode(true); }
    void init()
    {
        MessageBox::takeShown();
        theUser = UserRecord();
    }

    void settingsMapOntoTheEngine_data()
    {
        QTest::addColumn<int>("storedVolume");
        QTest::addColumn<int>("storedRate");
        QTest::addColumn<double>("volume");
        QTest::addColumn<double>("rate");
        QTest::newRow("silent, normal speed") << 0 << 0 << 0.0 << 0.0;
        QTest::newRow("a new user's 40 and 1") << 40 << 1 << 0.4 << 0.1;
        QTest::newRow("loudest, fastest") << 100 << 10 << 1.0 << 1.0;
        QTest::newRow("out of range high") << 250 << 11 << 1.0 << 1.0;
        QTest::newRow("out of range low") << -5 << -1 << 0.0 << 0.0;
    }
    void settingsMapOntoTheEngine()
    {
        QFETCH(int, storedVolume);
        QFETCH(int, storedRate);
        QFETCH(double, volume);
        QFETCH(double, rate);
        QCOMPARE(Speech::engineVolume(storedVolume) + 1.0, volume + 1.0); // fuzzy compare needs a non-zero base
        QCOMPARE(Speech::engineRate(storedRate) + 1.0, rate + 1.0);
    }

    // First, while no speech module is loaded: one that cannot be had. The learner who
    // asks for speech is told once; nothing is spoken, no voice listed, and the next use
    // tries again (and says nothing more).
    void unavailableModule_data() { testsupport::addUnavailableModuleRows(QStringLiteral("speech")); }
    void unavailableModule()
    {
        QFETCH(QString, folder);
        QFETCH(QString, reason);
        QFETCH(QString, cause);
        testsupport::ModuleFolder modules(folder);
        const QRegularExpression logged(QStringLiteral("^speech module: "));
        QTest::ignoreMessage(QtWarningMsg, logged);
        QTest::ignoreMessage(QtWarningMsg, logged);
        theUser.TTSspeaker = 0;
        QStringList spoken;
        Speech::setObserver([&](const QString &text, const QString &, double, double) { spoken << text; });
        Speech speech;
        speech.Speak(QStringLiteral("apple"));
        QComboBox combo;
        QCOMPARE(Speech().ListVoices(&combo), 0);
        Speech::setObserver({});
        QCOMPARE(spoken, QStringList());
        const QStringList shown = MessageBox::takeShown();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].startsWith(QStringLiteral("无法加载朗读组件：") + reason), qPrintable(shown[0]));
        QVERIFY2(shown[0].contains(cause), qPrintable(shown[0]));
        QVERIFY(!moduleLoaded<SpeechModule>());
        QVERIFY(!modules.staleMapped());
    }

    // From here on, a speech module with two voices (Alan, then Kal).
    void voicesAndSettings()
    {
        modules::setFolders({QStringLiteral(QUILLORA_TEST_MODULES "/two-voices")});
        Speech speech;
        const QStringList voices{QStringLiteral("Alan (United Kingdom)"), QStringLiteral("Kal (United States)")};
        QCOMPARE(speech.voiceNames(), voices);
        QVERIFY(moduleLoaded<SpeechModule>());
        QComboBox combo;
        QCOMPARE(speech.ListVoices(&combo), 2);
        QCOMPARE(combo.itemText(1), voices[1]);

        QCOMPARE(speech.currentVoiceName(), QStringLiteral("Alan"));
        speech.ApplySettings(1, 40, 1);
        QCOMPARE(speech.currentVolume(), 0.4);
        QCOMPARE(speech.currentRate(), 0.1);
        QCOMPARE(speech.currentVoiceName(), QStringLiteral("Kal"));
        // An index outside the list keeps the voice.
        speech.ApplySettings(5, 0, 10);
        QCOMPARE(speech.currentVoiceName(), QStringLiteral("Kal"));
        QCOMPARE(speech.currentVolume(), 0.0);
        QCOMPARE(speech.currentRate(), 1.0);
        speech.ApplySettings(0, 40, 1);
        QCOMPARE(speech.currentVoiceName(), QStringLiteral("Alan"));
    }

    void settingsWaitForTheEngine()
    {
        // Applied at log-in, before anything is spoken: the engine is not opened for
        // them, and they hold once it is, in order (an index outside the list keeps the
        // voice an earlier call chose).
        Speech speech;
        speech.ApplySettings(1, 40, 1);
        speech.ApplySettings(5, 30, 2);
        QVERIFY(!speech.engineOpened());
        QCOMPARE(speech.currentVolume(), 0.3);
        QVERIFY(speech.engineOpened());
        QCOMPARE(speech.currentRate(), 0.2);
        QCOMPARE(speech.currentVoiceName(), QStringLiteral("Kal"));
    }

    void speechOffSpeaksNothing()
    {
        Speech speech;
        QVERIFY(speech.available());
        QStringList spoken;
        Speech::setObserver([&](const QString &text, const QString &voice, double, double) { spoken << text + u'/' + voice; });
        theUser.TTSspeaker = -1;
        speech.Speak(QStringLiteral("apple"));
        theUser.TTSspeaker = 0;
        speech.Speak(QStringLiteral("book"));
        Speech::setObserver({});
        QCOMPARE(spoken, QStringList{QStringLiteral("book/Alan")});
        QCOMPARE(MessageBox::takeShown(), QStringList());
    }

    void failureIsReportedOnce()
    {
        // Without an audio device every word fails alike: the user is told once.
        qputenv("QUILLORA_FAKE_SPEECH_NO_AUDIO", "1");
        Speech speech;
        theUser.TTSspeaker = 0;
        QSignalSpy failed(&speech, &Speech::speakFailed);
        speech.Speak(QStringLiteral("apple"));
        QVERIFY(failed.wait(5000));
        speech.Speak(QStringLiteral("book"));
        QVERIFY(failed.wait(5000));
        speech.Speak(QStringLiteral("cat"));
        QVERIFY(failed.wait(5000));
        qunsetenv("QUILLORA_FAKE_SPEECH_NO_AUDIO");
        QCOMPARE(failed.count(), 3);
        QCOMPARE(MessageBox::takeShown(), QStringList{QStringLiteral("朗读失败！可能是音频设备没有打开！")});
    }
};

QTEST_MAIN(TestSpeech)
#include "tst_speech.moc"
