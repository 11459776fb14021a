#pragma once

// A data folder as the built program finds it once a learner chose automatic log-in:
// the user "ann" with a word list of one word. The folder becomes the current one, as
// the program makes it.

#include "store/CppSQLite3.h"
#include "store/Store.h"
#include "users/Config.h"

#include <QDir>

namespace testsupport {

inline void prepareAutoLogin(const QString &dataDir)
{
    QDir::setCurrent(dataDir);
    CppSQLite3Connection db;
    store::openStore(db, QDir(dataDir).filePath(QStringLiteral("data.db")));
    db.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'l'); INSERT INTO words_tbl VALUES (NULL, 1, 'w', 'x', 'y');"
               "INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'ann', 'pw', 1, 20, 0, -1, NULL, NULL, NULL, NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);");
    config::initialise(dataDir);
    config::writeLogin(config::kAutoLog, QStringLiteral("ann"));
}

} // namespace testsupport
