#pragma once

#include <QByteArray>
#include <QString>

class CppSQLite3Connection;
struct UserRecord;

namespace study {

// text cut to at most maxBytes of narrow text, never inside a character nor inside a
// sense's transcription between slashes, followed by "..." when anything was cut.
// Options show explanations this way.
QString cutToBytes(const QString &text, int maxBytes);

// The mistake report of the user's daily list: the template (narrow text, ending in the
// opening body tag) followed by the list name, the number and rate of mistakes and
// every wrongly answered word with its explanation, HTML-escaped, as narrow text.
// A store failure ends the generated part early; its text goes to *error and the
// page is still closed properly.
QByteArray mistakeReportPage(CppSQLite3Connection &db, const UserRecord &user, const QByteArray &templateText,
                             QString *error = nullptr);

} // namespace study
