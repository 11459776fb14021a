#pragma once

#include <QString>

namespace privatetemp {

// A folder for the program's temporary files that only this user can enter: "Quillora"
// in the per-user runtime folder, or "Quillora-<uid>" in the temporary folder where
// there is none. Created owner-only on first use; a folder of that name that is a
// link or belongs to someone else is refused. Empty when no such folder can be had.
QString folder();

// folder() joined with name, or empty.
QString filePath(const QString &name);

} // namespace privatetemp
