#pragma once

#include <QString>

#include <functional>

class CppSQLite3Connection;

// Storing, choosing and deleting word lists in the store. Failures of the store are
// raised as CppSQLite3Exception; a failed transaction is rolled back first.
namespace wordlists {

enum class ImportStatus {
    Imported,
    AlreadyExists, // a list of that name exists
    OpenFailed,    // the file cannot be read
    NotText,       // the file is not a text word list
    Cancelled,     // the progress callback asked to stop
};

struct ImportResult
{
    ImportStatus status = ImportStatus::OpenFailed;
    int tid = -1;
    int words = 0;
};

// Progress: called now and then with the entries stored so far and their total;
// returning false cancels (nothing is stored then).
using ImportProgress = std::function<bool(int done, int total)>;

// Reads the file whole before anything is written, then stores the list row and all
// its words in one transaction.
ImportResult importFile(CppSQLite3Connection &db, const QString &filePath, const ImportProgress &progress = {});

// Makes the list the user's current one: returns its word count. The store's trigger
// gives the user a progress row for every word of the list not seen before.
int chooseList(CppSQLite3Connection &db, int uid, int tid);

// Deletes the list, its logs, every user's progress on its words and the words.
void deleteList(CppSQLite3Connection &db, int tid);

} // namespace wordlists
