#pragma once

// Just enough of a reader of SQL text to tell the statements the access layer hands
// to the codec (ATTACH ... KEY, PRAGMA key) from the others.

namespace pagecodec::detail {

// Finds the expression of a top-level KEY clause: ATTACH expr AS name KEY expr.
bool findKeyClause(const char *sql, const char *end, const char *&keyBegin, const char *&keyEnd);

} // namespace pagecodec::detail
