#include "wordlists/WordListStore.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "wordlists/WordListFile.h"

#include <QFile>

namespace wordlists {

namespace {
void runInTransaction(CppSQLite3Connection &db, const std::function<void()> &work)
{
    try {
        db.execute("BEGIN TRANSACTION;");
        work();
        db.execute("COMMIT TRANSACTION;");
    } catch (...) {
        store::rollbackIfOpen(db);
        throw;
    }
}
} // namespace

ImportResult importFile(CppSQLite3Connection &db, const QString &filePath, const ImportProgress &progress)
{
    ImportResult result;
    const QByteArray name = sqlQuote(QStringView(wordListName(filePath)));
    const QByteArray exists = sqlFormat("SELECT EXISTS ( SELECT * FROM ThesaurusInfo_tbl WHERE name = '%s' );", name.constData());
    if (db.queryInt(exists.constData())) {
        result.status = ImportStatus::AlreadyExists;
        return result;
    }

    QFile file(filePath);
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = ImportStatus::OpenFailed;
        return result;
    }
    const ParsedWordList parsed = parseWordList(file.readAll());
    if (file.error() != QFileDevice::NoError) {
        result.status = ImportStatus::OpenFailed;
        return result;
    }
    if (parsed.binary) {
        result.status = ImportStatus::NotText;
        return result;
    }

    const int total = static_cast<int>(parsed.entries.size());
    bool cancelled = false;
    struct Cancel {};
    try {
        runInTransaction(db, [&] {
            db.execute(sqlFormat("INSERT INTO ThesaurusInfo_tbl VALUES(NULL, '%s');", name.constData()).constData());
            result.tid = static_cast<int>(db.lastInsertRowId());
            for (int i = 0; i < total; ++i) {
                const WordEntry &e = parsed.entries[i];
                const QByteArray sql = sqlFormat("INSERT INTO words_tbl VALUES (NULL, %d, '%s', '%s', '%s');", result.tid,
                                                 sqlQuote(QStringView(e.word)).constData(),
                                                 sqlQuote(QStringView(e.explanation)).constData(),
                                                 sqlQuote(QStringView(e.phonetic)).constData());
                db.execute(sql.constData());
                if (progress && (i + 1) % 500 == 0 && !progress(i + 1, total))
                    throw Cancel{};
            }
        });
    } catch (const Cancel &) {
        cancelled = true;
    }
    if (cancelled) {
        result = {};
        result.status = ImportStatus::Cancelled;
        return result;
    }
    if (progress)
        progress(total, total);
    result.status = ImportStatus::Imported;
    result.words = total;
    return result;
}

int chooseList(CppSQLite3Connection &db, int uid, int tid)
{
    const int count = db.queryInt(sqlFormat("SELECT count(*) FROM Words_tbl WHERE tid = %d;", tid).constData());
    db.execute(sqlFormat("UPDATE UserInfo_tbl SET tid = %d, count = %d WHERE uid = %d;", tid, count, uid).constData());
    return count;
}

void deleteList(CppSQLite3Connection &db, int tid)
{
    runInTransaction(db, [&] {
        db.execute(sqlFormat("DELETE FROM ThesaurusInfo_tbl WHERE tid = %d; ", tid).constData());
        db.execute(sqlFormat("DELETE FROM logs_tbl WHERE tid = %d; ", tid).constData());
        // Progress and memory rows are found through the words, so they go first.
        db.execute(sqlFormat("DELETE FROM WordMemory_tbl WHERE wid IN ( SELECT wid FROM words_tbl WHERE tid = %d ); ", tid).constData());
        db.execute(sqlFormat("DELETE FROM WordsMarkInfo_tbl WHERE wid IN ( SELECT m.wid FROM WordsMarkInfo_tbl m JOIN Words_tbl w ON m.wid = w.wid WHERE w.tid = %d ); ", tid).constData());
        db.execute(sqlFormat("DELETE FROM words_tbl WHERE tid = %d;", tid).constData());
    });
}

} // namespace wordlists
