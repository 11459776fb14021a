#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "wordlists/WordListFile.h"
#include "wordlists/WordListStore.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>


class TestWordListImport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    CppSQLite3Connection m_db;

    QString writeFile(const QString &name, const QByteArray &data)
    {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(data);
        return path;
    }

    QStringList storedWords(int tid)
    {
        QStringList out;
        for (CppSQLite3Cursor c = m_db.query(sqlFormat("SELECT name, phonetic, interp FROM words_tbl WHERE tid = %d ORDER BY wid;", tid).constData());
             !c.eof(); c.next())
            out << ansi::toUnicode(c.value(0)) + u'|' + ansi::toUnicode(c.value(1)) + u'|' + ansi::toUnicode(c.value(2));
        return out;
    }

private Q_SLOTS:
    void init()
    {
        static int n = 0;
        m_db.close();
        store::openStore(m_db, m_dir.filePath(QStringLiteral("data%1.db").arg(++n)));
    }

    void wordLines_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("word");
        QTest::addColumn<QString>("phonetic");
        QTest::newRow("usual") << "abandon [e'bAnden]" << "abandon" << "e'bAnden";
        QTest::newRow("ipa") << "apple [ˈæpl]" << "apple" << "ˈæpl";
        QTest::newRow("no closing bracket") << "word [abc" << "word" << "ab";
        QTest::newRow("bracket last") << "word[" << "word[" << "";
        QTest::newRow("last bracket wins") << "a [b] [c]" << "a [b]" << "c";
        QTest::newRow("no transcription") << "look after" << "look after" << "";
        QTest::newRow("blanks before bracket") << "set up \t [sɛt]" << "set up" << "sɛt";
    }
    void wordLines()
    {
        QFETCH(QString, line);
        QFETCH(QString, word);
        QFETCH(QString, phonetic);
        QString w, p;
        splitWordLine(line, &w, &p);
        QCOMPARE(w, word);
        QCOMPARE(p, phonetic);
    }

    void entryStructure()
    {
        const ParsedWordList list = parseWordList(
            "  first [f]  \r\n\tv. one\t\r\n\r\n\r\ndropped\r\n\r\nsecond\r\nn. two\r\nthird [t]\r\nadj. three\r\nlast word without explanation");
        QCOMPARE(list.entries.size(), 3);
        QCOMPARE(list.entries[0].word, QStringLiteral("first"));
        QCOMPARE(list.entries[0].phonetic, QStringLiteral("f"));
        QCOMPARE(list.entries[0].explanation, QStringLiteral("v. one"));
        QCOMPARE(list.entries[1].word, QStringLiteral("second")); // the word before the empty line was dropped
        QCOMPARE(list.entries[2].explanation, QStringLiteral("adj. three"));
        QVERIFY(parseWordList("\n\n  \n\t\n").entries.isEmpty());
        QVERIFY(parseWordList("").entries.isEmpty());
        // The last line needs no line end.
        QCOMPARE(parseWordList("w\nexplained").entries.size(), 1);
    }

    void longLinesAreReadWhole()
    {
        const QByteArray longExplanation = QByteArray(300, 'x');
        const ParsedWordList list = parseWordList("w [p]\n" + longExplanation + "\nnext\nn. later\n");
        QCOMPARE(list.entries.size(), 2);
        QCOMPARE(list.entries[0].explanation.size(), 300);
        QCOMPARE(list.entries[1].word, QStringLiteral("next"));
    }

    void encodings_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("encoding");
        QTest::addColumn<QString>("text");
        const QString text = QStringLiteral("apple [ˈæpl]\nn. 苹果\n\nabandon [əˈbændən]\nv. 放弃；抛弃\n");
        QTest::newRow("utf-8") << text.toUtf8() << int(ParsedWordList::Encoding::Utf8) << text;
        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF") + text.toUtf8() << int(ParsedWordList::Encoding::Utf8) << text;
        QTest::newRow("gb18030") << ansi::fromUnicode(text) << int(ParsedWordList::Encoding::Gb18030) << text;
        QByteArray utf16("\xFF\xFE");
        for (QChar c : text) {
            utf16.append(char(c.unicode() & 0xFF));
            utf16.append(char(c.unicode() >> 8));
        }
        QTest::newRow("utf-16le bom") << utf16 << int(ParsedWordList::Encoding::Utf16) << text;
        // Short GBK files whose bytes are also valid UTF-8 ("ѧУ", "è").
        for (const QString &gbk : {QStringLiteral("school\nn. 学校\n"), QStringLiteral("cat\nn. 猫")})
            QTest::newRow(qPrintable(gbk.section(u'\n', 0, 0))) << ansi::fromUnicode(gbk) << int(ParsedWordList::Encoding::Gb18030) << gbk;
        // Transcriptions alone do not make a UTF-8 list GBK.
        const QString english = QStringLiteral("apple [ˈæpl]\nn. a round fruit\n\nsing [sɪŋ]\nv. make music\n");
        QTest::newRow("utf-8 without chinese") << english.toUtf8() << int(ParsedWordList::Encoding::Utf8) << english;
    }
    void encodings()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, encoding);
        QFETCH(QString, text);
        const ParsedWordList list = parseWordList(data);
        QCOMPARE(int(list.encoding), encoding);
        QStringList lines;
        for (const WordEntry &e : list.entries)
            lines << (e.phonetic.isEmpty() ? e.word : e.word + QStringLiteral(" [") + e.phonetic + u']') << e.explanation;
        QCOMPARE(lines, text.split(u'\n', Qt::SkipEmptyParts));
    }

    void gbkBracketTrailBytes()
    {
        // In GBK a "[" byte (0x5B) can be the second byte of a character: the search
        // goes by characters, not bytes. The GBK code of 癧 is B0 5B.
        const QByteArray line = ansi::fromUnicode(u"癧 [l癧]\nn. 疬\n");
        QVERIFY(line.contains(QByteArray::fromHex("b05b")));
        const ParsedWordList list = parseWordList(line);
        QCOMPARE(list.entries.size(), 1);
        QCOMPARE(list.entries[0].word, QStringLiteral("癧"));
        QCOMPARE(list.entries[0].phonetic, QStringLiteral("l癧"));
    }

    void namesFromFiles()
    {
        QCOMPARE(wordListName(QStringLiteral("/x/CET4.txt")), QStringLiteral("CET4"));
        QCOMPARE(wordListName(QStringLiteral("/x/a.b.txt")), QStringLiteral("a.b"));
        QCOMPARE(wordListName(QStringLiteral("/x.y/noext")), QStringLiteral("noext"));
        QCOMPARE(wordListName(QStringLiteral("/x/四级词汇.txt")), QStringLiteral("四级词汇"));
    }

    void importStoresWordsAndRefusesDuplicates()
    {
        const QString path = writeFile(QStringLiteral("CET4.txt"), ansi::fromUnicode(u"abandon [e'bAnden]\nv. give up\n\nit's [ɪts]\nit is 的缩写 'quoted'\n"));
        const auto r = wordlists::importFile(m_db, path);
        QCOMPARE(int(r.status), int(wordlists::ImportStatus::Imported));
        QCOMPARE(r.words, 2);
        QCOMPARE(QString::fromUtf8(m_db.query(sqlFormat("SELECT name FROM ThesaurusInfo_tbl WHERE tid = %d;", r.tid).constData()).value(0)),
                 QStringLiteral("CET4"));
        QCOMPARE(storedWords(r.tid), (QStringList{QStringLiteral("abandon|e'bAnden|v. give up"),
                                                  QStringLiteral("it's|ɪts|it is 的缩写 'quoted'")}));
        QCOMPARE(int(wordlists::importFile(m_db, path).status), int(wordlists::ImportStatus::AlreadyExists));
        // An apostrophe in the list name is quoted too.
        const QString odd = writeFile(QStringLiteral("it's a.b.txt"), "x\ny\n");
        QCOMPARE(int(wordlists::importFile(m_db, odd).status), int(wordlists::ImportStatus::Imported));
        QCOMPARE(int(wordlists::importFile(m_db, odd).status), int(wordlists::ImportStatus::AlreadyExists));
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl WHERE name = 'it''s a.b';"), 1);
    }

    void badFilesStoreNothing_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("words");
        QByteArray garbage(64 * 1024, '\0');
        QRandomGenerator gen(7);
        for (char &c : garbage)
            c = char(gen.bounded(256));
        QTest::newRow("binary garbage") << garbage << int(wordlists::ImportStatus::NotText) << 0;
        QTest::newRow("empty file") << QByteArray() << int(wordlists::ImportStatus::Imported) << 0;
        QTest::newRow("1 MB line") << QByteArray("huge [h]\n") + QByteArray(1024 * 1024, 'z') + "\nsmall\nn. ok\n"
                                   << int(wordlists::ImportStatus::Imported) << 2;
    }
    void badFilesStoreNothing()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, status);
        QFETCH(int, words);
        m_db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (NULL, 'existing'); INSERT INTO words_tbl VALUES (NULL, 1, 'kept', 'k', '');");
        const QString path = writeFile(QStringLiteral("bad.txt"), data);
        const auto r = wordlists::importFile(m_db, path);
        QCOMPARE(int(r.status), status);
        QCOMPARE(r.words, words);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl;"), status == int(wordlists::ImportStatus::Imported) ? 2 : 1);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM words_tbl WHERE name = 'kept';"), 1);
    }

    void missingFileCreatesNoList()
    {
        const auto r = wordlists::importFile(m_db, m_dir.filePath(QStringLiteral("nowhere.txt")));
        QCOMPARE(int(r.status), int(wordlists::ImportStatus::OpenFailed));
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl;"), 0);
    }

    void cancellingStoresNothing()
    {
        QByteArray data;
        for (int i = 0; i < 3000; ++i)
            data += "w" + QByteArray::number(i) + " [p]\nexplanation\n\n";
        const QString path = writeFile(QStringLiteral("big.txt"), data);
        int calls = 0;
        int seenTotal = 0;
        const auto r = wordlists::importFile(m_db, path, [&](int done, int total) -> bool {
            ++calls;
            seenTotal = total;
            return done < 1000;
        });
        QCOMPARE(seenTotal, 3000);
        QCOMPARE(int(r.status), int(wordlists::ImportStatus::Cancelled));
        QCOMPARE(calls, 2);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM ThesaurusInfo_tbl;"), 0);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM words_tbl;"), 0);
        m_db.execute("BEGIN; COMMIT;"); // nothing left open
    }

    void chooseAndDelete()
    {
        m_db.execute("INSERT INTO UserInfo_tbl VALUES(NULL, 1, 'adm', 'pw', -1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);"
                     "INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'usr', 'pw', -1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
        const auto a = wordlists::importFile(m_db, writeFile(QStringLiteral("A.txt"), "a1\nx\n\na2\nx\n\na3\nx\n"));
        const auto b = wordlists::importFile(m_db, writeFile(QStringLiteral("B.txt"), "b1\nx\n\nb2\nx\n"));
        QCOMPARE(wordlists::chooseList(m_db, 1, a.tid), 3);
        QCOMPARE(m_db.queryInt("SELECT count FROM UserInfo_tbl WHERE uid = 1;"), 3);
        m_db.execute("UPDATE WordsMarkInfo_tbl SET times = 4 WHERE uid = 1;");
        QCOMPARE(wordlists::chooseList(m_db, 1, a.tid), 3); // again: marks stay
        QCOMPARE(m_db.queryInt("SELECT sum(times) FROM WordsMarkInfo_tbl WHERE uid = 1;"), 12);
        wordlists::chooseList(m_db, 2, b.tid);
        wordlists::chooseList(m_db, 2, a.tid);
        m_db.execute(sqlFormat("INSERT INTO logs_tbl VALUES (1, %d, date('now'), 0, 0, NULL);", a.tid).constData());
        m_db.execute(sqlFormat("INSERT INTO logs_tbl VALUES (2, %d, date('now'), 0, 0, NULL);", b.tid).constData());
        // Memory rows of both users in A and of user 2 in B.
        m_db.execute("INSERT INTO WordMemory_tbl SELECT uid, wid, 2.3, 2.1, date('now'), date('now'), 1, 0 FROM WordsMarkInfo_tbl;");
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordMemory_tbl;"), 8);

        wordlists::deleteList(m_db, a.tid);
        QCOMPARE(m_db.queryInt(sqlFormat("SELECT count(*) FROM ThesaurusInfo_tbl WHERE tid = %d;", a.tid).constData()), 0);
        QCOMPARE(m_db.queryInt(sqlFormat("SELECT count(*) FROM words_tbl WHERE tid = %d;", a.tid).constData()), 0);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordsMarkInfo_tbl;"), 2); // user 2's rows of B
        QCOMPARE(m_db.queryInt(sqlFormat("SELECT count(*) FROM WordMemory_tbl m JOIN words_tbl w ON m.wid = w.wid WHERE uid = 2 AND tid = %d;", b.tid).constData()), 2);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM WordMemory_tbl;"), 2);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM logs_tbl;"), 1);
        QCOMPARE(m_db.queryInt(sqlFormat("SELECT count(*) FROM words_tbl WHERE tid = %d;", b.tid).constData()), 2);
    }

    void hundredThousandEntries()
    {
        QByteArray data;
        data.reserve(100000 * 40);
        for (int i = 0; i < 100000; ++i)
            data += "word" + QByteArray::number(i) + " [wɜːd]\nn. " + QByteArray::number(i) + " 单词\n\n";
        const QString path = writeFile(QStringLiteral("huge.txt"), data.replace("单词", "\xB5\xA5\xB4\xCA"));
        QElapsedTimer timer;
        timer.start();
        const auto r = wordlists::importFile(m_db, path);
        qInfo("100000 entries imported in %lld ms", timer.elapsed());
        QCOMPARE(r.words, 100000);
        QCOMPARE(m_db.queryInt("SELECT count(*) FROM words_tbl;"), 100000);
        QCOMPARE(ansi::toUnicode(m_db.query("SELECT interp FROM words_tbl WHERE name = 'word99999';").value(0)), QStringLiteral("n. 99999 单词"));
    }
};

QTEST_GUILESS_MAIN(TestWordListImport)
#include "tst_wordlist_import.moc"
