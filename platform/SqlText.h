#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// SQL is built as text. Every text value placed inside a quoted SQL literal goes
// through sqlQuote, which doubles each apostrophe once; nothing is spliced unquoted.
QByteArray sqlQuote(QByteArrayView narrow);
QByteArray sqlQuote(QStringView text); // converts to the narrow code page first

// printf-style formatting into narrow text, for building statements.
QByteArray sqlFormat(const char *format, ...) __attribute__((format(printf, 1, 2)));
