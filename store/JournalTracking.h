#pragma once

// Rollback journals of encrypted databases: page images are encrypted at their
// offsets and the record checksums are kept over the encrypted image. The engine
// writes and reads a record as three calls (page number, page image, checksum), so
// the layer tells an image from the call before it and corrects the checksum that
// follows.

#include <sqlite3.h>

namespace pagecodec::detail {

int journalWrite(sqlite3_file *f, const void *buf, int n, sqlite3_int64 off);
int journalRead(sqlite3_file *f, void *buf, int n, sqlite3_int64 off);

} // namespace pagecodec::detail
