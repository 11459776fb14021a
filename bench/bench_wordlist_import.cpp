// Time to import each free word list into a fresh store, as the word-list dialog does
// (read and parse the file, then one transaction). Prints the median of five runs per
// list; the target is well under a second.
//   bench_wordlist_import [FOLDER [RUNS]]   the lists of FOLDER (default: the free lists),
//                                           RUNS runs each (default 5)

#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "wordlists/WordListStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QDir lists(args.size() > 1 ? args.at(1) : QString::fromUtf8(QUILLORA_FREE_LISTS));
    QTemporaryDir dir;
    const int runs = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 5;
    bool met = true;
    for (const QString &name : lists.entryList({QStringLiteral("*.txt")}, QDir::Files, QDir::Name)) {
        std::vector<double> times;
        int words = 0;
        for (int r = 0; r < runs; ++r) {
            const QString db = dir.filePath(QStringLiteral("run%1.db").arg(r));
            CppSQLite3Connection store;
            store::openStore(store, db);
            const auto start = std::chrono::steady_clock::now();
            const wordlists::ImportResult result = wordlists::importFile(store, lists.filePath(name));
            times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
            if (result.status != wordlists::ImportStatus::Imported) {
                std::printf("%s: import failed\n", qPrintable(name));
                return 1;
            }
            words = store.queryInt("SELECT count(*) FROM words_tbl;");
            store.close();
            QFile::remove(db);
        }
        std::sort(times.begin(), times.end());
        const double median = times[runs / 2];
        met = met && median < 0.5;
        std::printf("%s: %d words, median import %.3f s (fastest %.3f s, slowest %.3f s)\n", qPrintable(name), words, median,
                    times.front(), times.back());
    }
    std::printf("target: each list under 0.5 s -> %s\n", met ? "met" : "NOT met");
    return 0;
}
