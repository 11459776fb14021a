#pragma once

#include "store/CppSQLite3.h"

#include <QByteArray>
#include <QString>

// The program's one connection, used by the interface thread and, while the
// interface thread only dispatches events, by the daily-list worker.
extern CppSQLite3Connection theDatabase;

namespace store {

inline constexpr char kDatabaseFile[] = "data.db";
inline constexpr char kDatabaseKey[] = "k7m;3qTz";

// The schema script (resource SQL 137) and the per-run temporary objects, as narrow
// text ready for one execute. Empty when the resource is missing.
QByteArray schemaScript();
QByteArray tempObjectsScript();

// Opens path as start-up does: an existing file with the key; a missing or zero-length
// one is created (in place), keyed while still empty and filled by the schema script in one
// transaction. Either way the memory model's table is added when missing.
// Raises CppSQLite3Exception.
void openStore(CppSQLite3Connection &db, const QString &path, const char *key = kDatabaseKey);

// Rolls back a transaction a failed script left open, so later statements do not
// run inside it.
void rollbackIfOpen(CppSQLite3Connection &db);

} // namespace store
