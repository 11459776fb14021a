#pragma once

#include <QString>

// The folder of word lists that come with the program ("赠送词库"). The import's file
// dialog opens there, so a first-time user finds a list to start with.
QString freeWordListFolderName();

// The folder beside the running program (<prefix>/bin/../share/quillora/...; the build
// tree is laid out the same way), else the one of the configured installation prefix,
// else the program's own folder.
QString freeWordListFolder();
