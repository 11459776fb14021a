#include "ui/Fonts.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QtTest>

class TestFonts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { installFontSubstitutions(); }

    void substitutions_data()
    {
        QTest::addColumn<QString>("asked");
        QTest::addColumn<QStringList>("acceptable");
        const QStringList song = {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")};
        QTest::newRow("comic") << QStringLiteral("Comic Sans MS") << QStringList{QStringLiteral("Comic Neue")};
        QTest::newRow("song, Chinese name") << QStringLiteral("宋体") << song;
        QTest::newRow("song, Latin name") << QStringLiteral("SimSun") << song;
    }
    void substitutions()
    {
        QFETCH(QString, asked);
        QFETCH(QStringList, acceptable);
        bool installed = false;
        for (const QString &family : acceptable)
            installed = installed || QFontDatabase::families().contains(family);
        if (!installed)
            QSKIP("the substitute faces are not installed here");
        QVERIFY(!QFont::substitutes(asked).isEmpty());
        // Qt keeps substitutes in lower case.
        QVERIFY(acceptable.contains(QFont::substitutes(asked).first(), Qt::CaseInsensitive));
        const QString resolved = QFontInfo(QFont(asked, 12)).family();
        QVERIFY2(acceptable.contains(resolved), qPrintable(resolved));
        // The preferred Song face comes first when it exists.
        if (acceptable.size() > 1 && QFontDatabase::families().contains(acceptable.first()))
            QCOMPARE(resolved, acceptable.first());
    }

    void interface()
    {
        const QFont f = interfaceFont();
        QCOMPARE(f.family(), QStringLiteral("Noto Sans CJK SC"));
        QCOMPARE(f.pointSize(), 9);
    }

    void phoneticFont()
    {
        const QString family = loadPhoneticFont();
        if (!QFile::exists(QStringLiteral(":/MYFONT/142.ttf"))) {
            QVERIFY(family.isEmpty());
            return;
        }
        QCOMPARE(family, QStringLiteral("ZARaviduzi"));
        QVERIFY(QFontDatabase::families().contains(family));
        // IPA characters are covered by the font itself.
        QFontMetrics fm(QFont(family, 14));
        QVERIFY(fm.inFont(QChar(0x0259))); // schwa
        QVERIFY(fm.inFont(QChar(0x02C8))); // primary stress
    }
};

QTEST_MAIN(TestFonts)
#include "tst_fonts.moc"
