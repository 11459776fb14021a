#include "platform/AnsiText.h"
#include "users/Config.h"
#include "users/PasswordScramble.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestScrambleConfig : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Published DES test vectors (FIPS 46-3 validation and textbook examples).
    void desVectors_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("plain");
        QTest::addColumn<QByteArray>("cipher");
        QTest::newRow("textbook") << QByteArray("133457799BBCDFF1") << QByteArray("0123456789ABCDEF") << QByteArray("85E813540F0AB405");
        QTest::newRow("zero output") << QByteArray("0E329232EA6D0D73") << QByteArray("8787878787878787") << QByteArray("0000000000000000");
        QTest::newRow("now is the time") << QByteArray("0123456789ABCDEF") << QByteArray("4E6F772069732074") << QByteArray("3FA40E8A984D4815");
        QTest::newRow("variable plaintext") << QByteArray("0101010101010101") << QByteArray("8000000000000000") << QByteArray("95F8A5E5DD31D900");
        QTest::newRow("variable key") << QByteArray("8001010101010101") << QByteArray("0000000000000000") << QByteArray("95A8D72813DAA94D");
    }
    void desVectors()
    {
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, cipher);
        QCOMPARE(des::ecbEncrypt(QByteArray::fromHex(key), QByteArray::fromHex(plain)).toHex().toUpper(), cipher);
        QCOMPARE(des::ecbDecrypt(QByteArray::fromHex(key), QByteArray::fromHex(cipher)).toHex().toUpper(), plain);
    }

    void scrambleLengths_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<int>("digits");
        QTest::newRow("1 byte") << QByteArray("a") << 16;
        QTest::newRow("8 bytes") << QByteArray("12345678") << 16;
        QTest::newRow("9 bytes") << QByteArray("123456789") << 32;
        QTest::newRow("15 bytes") << QByteArray("abcdefghijklmno") << 32;
        QTest::newRow("chinese") << ansi::fromUnicode(u"密码") << 16;
        QTest::newRow("apostrophe") << QByteArray("it''s") << 16;
    }
    void scrambleLengths()
    {
        QFETCH(QByteArray, password);
        QFETCH(int, digits);
        const QByteArray hex = ScramblePassword(password);
        QCOMPARE(hex.size(), digits);
        QCOMPARE(hex, hex.toUpper());
        QVERIFY(!hex.contains(password));
        QCOMPARE(UnscramblePassword(hex), password);
        QCOMPARE(UnscramblePassword(hex.toLower()), password); // lower-case digits read alike
    }

    void scrambleIsDesUnderTheFixedKey()
    {
        // Zero padding to whole blocks, each block enciphered on its own.
        const QByteArray key("p9wd2h\0\0", 8);
        const QByteArray expected = des::ecbEncrypt(key, QByteArray("abc\0\0\0\0\0", 8)).toHex().toUpper();
        QCOMPARE(ScramblePassword("abc"), expected);
        const QByteArray twoBlocks = ScramblePassword("abcdefgh12");
        QCOMPARE(twoBlocks.left(16), ScramblePassword("abcdefgh"));
        QCOMPARE(ScramblePassword(""), QByteArray(""));
    }

    void malformedStoredValues_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("odd length") << QByteArray("ABC");
        QTest::newRow("one byte short of a block") << QByteArray("0123456789ABCDE");
        QTest::newRow("non-hex") << QByteArray("ZZZZZZZZZZZZZZZZ");
        QTest::newRow("garbage") << QByteArray("\x01\xff garbage \x80!!!!");
        QTest::newRow("24 digits") << QByteArray("0123456789ABCDEF01234567");
        QTest::newRow("empty") << QByteArray();
    }
    void malformedStoredValues()
    {
        QFETCH(QByteArray, stored);
        QCOMPARE(UnscramblePassword(stored), QByteArray(""));
    }

    void configFile()
    {
        QTemporaryDir dir;
        config::initialise(dir.path());
        const QString path = dir.filePath(QStringLiteral("config.ini"));
        QCOMPARE(config::path(), path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(QFileInfo(path).size(), 0); // created empty
        QCOMPARE(config::readLogin(config::kLastUser), QString());
        config::writeLogin(config::kLastUser, QStringLiteral("张'三"));
        config::writeLogin(config::kAutoLog, QString());
        QCOMPARE(config::readLogin(config::kLastUser), QStringLiteral("张'三"));
        QCOMPARE(config::readLogin(config::kAutoLog), QString());
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains(QByteArray("LastUser=") + ansi::fromUnicode(u"张'三"))); // stored as typed, narrow
        // The path is fixed once: later reads do not follow the current directory.
        QDir::setCurrent(QDir::tempPath());
        QCOMPARE(config::readLogin(config::kLastUser), QStringLiteral("张'三"));
    }
};

QTEST_GUILESS_MAIN(TestScrambleConfig)
#include "tst_scramble_config.moc"
