// quillora-db: maintenance of the program's encrypted store from the command line.

#include "platform/AnsiText.h"
#include "store/CppSQLite3.h"
#include "store/PageCodec.h"
#include "store/Store.h"
#include "study/MemoryModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>
#include <iostream>
#include <string>

namespace {

constexpr char kUsage[] =
    "usage: quillora-db [--key PHRASE] COMMAND FILE ...\n"
    "  init FILE                create FILE as the program does at its first start\n"
    "  sql FILE STATEMENT       run STATEMENT; print result rows, columns separated by tabs\n"
    "  rekey FILE --plain       decrypt FILE in place\n"
    "  rekey FILE --to PHRASE   re-encrypt FILE in place under PHRASE\n"
    "  check FILE               print \"ok\" when the integrity check passes\n"
    "  schedule [--retention R] replay one word's reviews read from standard input, one\n"
    "                           \"DAYS RATING\" a line (DAYS since the previous review, 0 on\n"
    "                           the first line; RATING 1 again, 2 hard, 3 good, 4 easy);\n"
    "                           print \"STABILITY DIFFICULTY INTERVAL\" after each\n"
    "Without --key the program's own key is used; --key '' means a plain file.\n";

struct Failure
{
    QString message;
    int exitCode;
};

[[noreturn]] void fail(const QString &message, int exitCode = 1)
{
    throw Failure{message, exitCode};
}

void openExisting(CppSQLite3Connection &db, const QString &path, const QByteArray &key)
{
    // Opening would create a missing file; refuse instead.
    if (!QFileInfo(path).isFile())
        fail(QStringLiteral("%1: no such file").arg(path));
    db.open(QFile::encodeName(path).constData(), key.constData());
    // Reading the schema tells a wrong key or a damaged file before anything is done.
    db.queryInt("SELECT count(*) FROM sqlite_master;");
}

void printRows(CppSQLite3Cursor &cursor)
{
    const int columns = cursor.columnCount();
    for (; !cursor.eof(); cursor.next()) {
        QByteArray line;
        for (int i = 0; i < columns; ++i) {
            if (i)
                line += '\t';
            const int type = cursor.columnType(i);
            if (type == SQLITE_NULL)
                continue;
            if (type == SQLITE_BLOB) {
                line += "X'" + QByteArray(cursor.value(i)).toHex().toUpper() + '\'';
                continue;
            }
            line += ansi::toUnicode(cursor.value(i)).toUtf8();
        }
        line += '\n';
        std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stdout);
    }
}

void runSql(CppSQLite3Connection &db, const QString &statement)
{
    // The store holds narrow text: literals typed in UTF-8 are converted to match it.
    const QByteArray sql = ansi::fromUnicode(statement);
    const char *text = sql.constData();
    while (*text) {
        sqlite3_stmt *probe = nullptr;
        const char *tail = nullptr;
        if (sqlite3_prepare_v2(db.handle(), text, -1, &probe, &tail) != SQLITE_OK) {
            db.query(text); // raises with the engine's text
            return;
        }
        sqlite3_finalize(probe);
        if (probe) {
            const QByteArray one(text, tail - text);
            CppSQLite3Cursor cursor = db.query(one.constData());
            printRows(cursor);
        }
        text = tail;
    }
}

// A whole number written as such: digits with an optional sign, nothing else.
bool wholeNumber(const QString &text, long long &value)
{
    bool ok = false;
    value = text.toLongLong(&ok);
    return ok;
}

// Replays one word's reviews through the memory model: what the program would store
// after each answer, and the days until the next review.
int schedule(const QStringList &args)
{
    double retention = memory::kDefaultRetention;
    if (args.size() == 2 && args.at(0) == QStringLiteral("--retention")) {
        bool ok = false;
        retention = args.at(1).toDouble(&ok);
        if (!ok || !(retention > 0.0 && retention < 1.0))
            fail(QStringLiteral("--retention needs a number between 0 and 1 (both excluded): %1").arg(args.at(1)), 2);
    } else if (!args.isEmpty()) {
        fail(QString(), 2);
    }

    memory::State state;
    bool first = true;
    std::string raw;
    for (int lineNo = 1; std::getline(std::cin, raw); ++lineNo) {
        const QString line = QString::fromUtf8(raw.data(), qsizetype(raw.size())).trimmed();
        if (line.isEmpty())
            continue;
        const QStringList fields = line.split(u' ', Qt::SkipEmptyParts);
        auto bad = [&](const QString &why) {
            throw Failure{QStringLiteral("line %1: %2: %3").arg(lineNo).arg(why, line), 3};
        };
        long long days = 0;
        long long rating = 0;
        if (fields.size() != 2)
            bad(QStringLiteral("expected \"DAYS RATING\""));
        if (!wholeNumber(fields.at(0), days))
            bad(QStringLiteral("DAYS is not a whole number"));
        if (days < 0)
            bad(QStringLiteral("DAYS is negative"));
        if (!wholeNumber(fields.at(1), rating) || rating < memory::Again || rating > memory::Easy)
            bad(QStringLiteral("RATING must be 1, 2, 3 or 4"));
        // The first line has no previous review: its day count does not enter.
        state = first ? memory::firstReview(int(rating))
                      : memory::review(state, int(std::min<long long>(days, 1'000'000'000)), int(rating));
        first = false;
        // Decimal points whatever the locale says.
        const QByteArray out = QByteArray::number(state.stability, 'f', 4) + ' ' + QByteArray::number(state.difficulty, 'f', 4) + ' '
            + QByteArray::number(memory::interval(state.stability, retention)) + '\n';
        std::fwrite(out.constData(), 1, size_t(out.size()), stdout);
        std::fflush(stdout);
    }
    return 0;
}

int runCommand(const QString &command, const QString &path, const QStringList &args, const QByteArray &key);

int run(const QStringList &argsIn)
{
    QStringList args = argsIn;
    if (!args.isEmpty() && args.first() == QStringLiteral("schedule"))
        return schedule(args.mid(1));
    QByteArray key = store::kDatabaseKey;
    if (!args.isEmpty() && args.first() == QStringLiteral("--key")) {
        if (args.size() < 2)
            fail(QStringLiteral("--key needs a phrase"), 2);
        key = args.at(1).toUtf8();
        args = args.mid(2);
    }
    if (args.size() < 2)
        fail(QString(), 2);
    const QString command = args.at(0);
    const QString path = args.at(1);
    try {
        return runCommand(command, path, args, key);
    } catch (const CppSQLite3Exception &e) {
        fail(QStringLiteral("%1: %2").arg(path, ansi::toUnicode(e.errorMessage())));
    }
}

int runCommand(const QString &command, const QString &path, const QStringList &args, const QByteArray &key)
{
    CppSQLite3Connection db;

    if (command == QStringLiteral("init") && args.size() == 2) {
        if (QFileInfo::exists(path))
            fail(QStringLiteral("%1: file exists").arg(path));
        store::openStore(db, path, key.constData());
        return 0;
    }
    if (command == QStringLiteral("sql") && args.size() == 3) {
        openExisting(db, path, key);
        runSql(db, args.at(2));
        return 0;
    }
    if (command == QStringLiteral("rekey") && (args.size() == 3 || args.size() == 4)) {
        QByteArray newKey;
        if (args.size() == 3 && args.at(2) == QStringLiteral("--plain"))
            newKey = "";
        else if (args.size() == 4 && args.at(2) == QStringLiteral("--to") && !args.at(3).isEmpty())
            newKey = args.at(3).toUtf8();
        else
            fail(QString(), 2);
        openExisting(db, path, key);
        db.changeKey(newKey.constData());
        return 0;
    }
    if (command == QStringLiteral("check") && args.size() == 2) {
        openExisting(db, path, key);
        CppSQLite3Cursor c = db.query("PRAGMA integrity_check;");
        QStringList problems;
        for (; !c.eof(); c.next())
            problems << QString::fromUtf8(c.value(0));
        if (problems == QStringList{QStringLiteral("ok")}) {
            std::puts("ok");
            return 0;
        }
        fail(QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
    }
    fail(QString(), 2);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    try {
        return run(app.arguments().mid(1));
    } catch (const Failure &f) {
        if (f.exitCode == 3) { // bad input: the line says what, the usage would not
            std::fprintf(stderr, "quillora-db: %s\n", qPrintable(f.message));
            return 2;
        }
        if (f.exitCode == 2)
            std::fprintf(stderr, "%s%s", f.message.isEmpty() ? "" : qPrintable(QStringLiteral("quillora-db: %1\n").arg(f.message)), kUsage);
        else
            std::fprintf(stderr, "quillora-db: %s\n", qPrintable(f.message));
        return f.exitCode;
    } catch (const CppSQLite3Exception &e) {
        std::fprintf(stderr, "quillora-db: %s\n", qPrintable(ansi::toUnicode(e.errorMessage())));
        return 1;
    }
}
