// Cost of the page codec: a word-list import of 100,000 words and a read-heavy query
// mix, each on a plain file and on an encrypted one. Prints the times and the ratio
// encrypted / plain (the target is at most 1.10).

#include "bench/BenchTiming.h"
#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {
using bench::median;

constexpr int kWords = 100000;

double seconds(const std::chrono::steady_clock::time_point &start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

QByteArray word(int i)
{
    static const char *syllables[] = {"ab", "con", "de", "ex", "pre", "ment", "tion", "ly", "ous", "ize", "er", "ing"};
    QByteArray w;
    for (int k = i; w.size() < 6 || k > 0; k /= 12)
        w += syllables[k % 12];
    return w;
}

// Imports the words as the word-list import does: one transaction, statements as text.
double importWords(CppSQLite3Connection &db)
{
    const QByteArray interp = ansi::fromUnicode(u"n. 名词的解释；v. 动词的解释，用于测试导入的速度");
    const QByteArray phonetic = ansi::fromUnicode(u"ˌekspləˈneɪʃn");
    const auto start = std::chrono::steady_clock::now();
    db.execute("INSERT INTO ThesaurusInfo_tbl VALUES(NULL, 'bench');");
    const int tid = static_cast<int>(db.lastInsertRowId());
    db.execute("BEGIN TRANSACTION;");
    for (int i = 0; i < kWords; ++i) {
        const QByteArray sql = sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, '%s', '%s', '%s');", tid,
                                         sqlQuote(QByteArrayView(word(i))).constData(), interp.constData(), phonetic.constData());
        db.execute(sql.constData());
    }
    db.execute("COMMIT TRANSACTION;");
    return seconds(start);
}

// Reads that miss the engine's page cache (the file is ten times its size).
double queryMix(CppSQLite3Connection &db)
{
    QRandomGenerator gen(42);
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 3; ++round) {
        db.queryInt("SELECT count(*) FROM words_tbl WHERE interp LIKE '%zzz%';");
        db.queryInt("SELECT count(*) FROM unmark_view WHERE uid = 1 AND tid = 1;");
        db.queryInt("SELECT count(*) FROM ReviewNormal_view WHERE uid = 1 AND tid = 1 AND times BETWEEN 1 AND 3;");
        for (int i = 0; i < 2000; ++i) {
            const QByteArray sql = sqlFormat("SELECT name, interp, phonetic FROM words_tbl WHERE wid = %d;", int(gen.bounded(kWords)) + 1);
            CppSQLite3Cursor c = db.query(sql.constData());
        }
        for (int i = 0; i < 200; ++i) {
            const QByteArray sql = sqlFormat("SELECT count(*) FROM words_tbl WHERE name = '%s';", word(int(gen.bounded(kWords))).constData());
            db.queryInt(sql.constData());
        }
    }
    return seconds(start);
}

struct Figures
{
    double import;
    double queries;
};

Figures measure(const QString &dir, const char *key)
{
    const QString path = QDir(dir).filePath(QString::fromLatin1(*key ? "enc.db" : "plain.db"));
    QFile::remove(path);
    CppSQLite3Connection db;
    store::openStore(db, path, key);
    if (!*key)
        db.execute("PRAGMA page_size = 1024; VACUUM;"); // same page size for a fair comparison
    db.execute("INSERT INTO UserInfo_tbl VALUES(NULL, 1, 'bench', 'pw', -1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
    Figures f;
    f.import = importWords(db);
    db.execute("UPDATE UserInfo_tbl SET tid = 1 WHERE uid = 1; UPDATE WordsMarkInfo_tbl SET times = wid % 5 WHERE wid % 2 = 0;");
    db.execute("PRAGMA cache_size = 200;");
    f.queries = queryMix(db);
    return f;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const int runs = 5;
    std::vector<double> plainImport, encImport, plainQueries, encQueries;
    for (int r = 0; r < runs; ++r) {
        // Alternate the order so that neither side always runs on a warmer machine.
        const bool plainFirst = r % 2 == 0;
        const Figures a = measure(dir.path(), plainFirst ? "" : store::kDatabaseKey);
        const Figures b = measure(dir.path(), plainFirst ? store::kDatabaseKey : "");
        const Figures &plain = plainFirst ? a : b;
        const Figures &enc = plainFirst ? b : a;
        plainImport.push_back(plain.import);
        encImport.push_back(enc.import);
        plainQueries.push_back(plain.queries);
        encQueries.push_back(enc.queries);
        std::printf("run %d: import plain %.3f s, encrypted %.3f s; queries plain %.3f s, encrypted %.3f s\n", r + 1,
                    plain.import, enc.import, plain.queries, enc.queries);
    }
    const double importRatio = median(encImport) / median(plainImport);
    const double queryRatio = median(encQueries) / median(plainQueries);
    std::printf("median import of %d words: plain %.3f s, encrypted %.3f s, ratio %.3f\n", kWords, median(plainImport),
                median(encImport), importRatio);
    std::printf("median query mix: plain %.3f s, encrypted %.3f s, ratio %.3f\n", median(plainQueries), median(encQueries),
                queryRatio);
    std::printf("target: both ratios at most 1.10 -> %s\n", importRatio <= 1.10 && queryRatio <= 1.10 ? "met" : "NOT met");
    return 0;
}
