// quillora-db: maintenance of the program's encrypted store from the command line.

#include "platform/AnsiText.h"
#include "store/CppSQLite3.h"
#include "store/PageCodec.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <sqlite3.h>

#include <cstdio>

namespace {

constexpr char kUsage[] =
    "usage: quillora-db [--key PHRASE] COMMAND FILE ...\n"
    "  init FILE                create FILE as the program does at its first start\n"
    "  sql FILE STATEMENT       run STATEMENT; print result rows, columns separated by tabs\n"
    "  rekey FILE --plain       decrypt FILE in place\n"
    "  rekey FILE --to PHRASE   re-encrypt FILE in place under PHRASE\n"
    "  check FILE               print \"ok\" when the integrity check passes\n"
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

int runCommand(const QString &command, const QString &path, const QStringList &args, const QByteArray &key);

int run(const QStringList &argsIn)
{
    QStringList args = argsIn;
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
