#include "study/MistakeReport.h"

#include "platform/AnsiText.h"
#include "platform/SqlText.h"
#include "store/CppSQLite3.h"
#include "users/UserRecord.h"

#include <algorithm>

namespace study {

namespace {

// Words and explanations are the user's own text (imported files): never markup.
QByteArray escaped(const char *narrow)
{
    return ansi::fromUnicode(ansi::htmlEscaped(ansi::toUnicode(narrow)));
}

} // namespace

QString cutToBytes(const QString &text, int maxBytes)
{
    const QByteArray narrow = ansi::fromUnicode(text);
    if (narrow.size() <= maxBytes)
        return text;
    QString kept = ansi::toUnicode(ansi::truncateToBytes(narrow, maxBytes));
    // Half a sense's transcription ("n. 眼泪 /tɪ") would teach a wrong pronunciation:
    // an unclosed one goes whole.
    if (kept.count(u'/') % 2 == 1) {
        const qsizetype open = kept.lastIndexOf(u'/');
        const qsizetype close = text.indexOf(u'/', open + 1);
        const QStringView inside = QStringView(text).mid(open + 1, close - open - 1);
        if (close >= kept.size() && std::none_of(inside.begin(), inside.end(), [](QChar c) { return c.isSpace(); }))
            kept = kept.left(open).trimmed();
    }
    return kept + QStringLiteral("...");
}

QByteArray mistakeReportPage(CppSQLite3Connection &db, const UserRecord &user, const QByteArray &templateText,
                             QString *error)
{
    QByteArray report = "<div id='statistics'>";
    try {
        {
            CppSQLite3Cursor c = db.query(sqlFormat("SELECT (SELECT name FROM ThesaurusInfo_tbl WHERE tid = %d)  tname, "
                                                    "(SELECT count(*) FROM DayList_tbl WHERE uid = %d AND incorrect = 1) "
                                                    "ErrCnt;",
                                                    user.tid, user.uid)
                                              .constData());
            const int errors = c.intValue("ErrCnt", 0);
            // The rate is of the daily amount, not of the list's size.
            const double rate = user.DayNum > 0 ? double(errors) / user.DayNum * 100 : 0.0;
            report += escaped(c.stringValue("tname", ""));
            report += ansi::fromUnicode(u"&nbsp;&nbsp;错误量: ");
            report += QByteArray::number(errors);
            report += ansi::fromUnicode(u"&nbsp;&nbsp;错误率: ");
            report += QByteArray::number(rate, 'f', 2) + '%';
        }
        report += "</div><ul>";
        CppSQLite3Cursor row = db.query(sqlFormat("SELECT w.name name, w.interp interp FROM DayList_tbl d      JOIN "
                                                  "words_tbl w      ON d.wid = w.wid WHERE d.uid = %d AND incorrect = 1;",
                                                  user.uid)
                                            .constData());
        for (; !row.eof(); row.next()) {
            report += "<li><div class='title'>";
            report += escaped(row.stringValue("name", ""));
            report += "</div><div>";
            report += escaped(row.stringValue("interp", ""));
            report += "</div></li>";
        }
    } catch (const CppSQLite3Exception &e) {
        if (error)
            *error = ansi::toUnicode(e.errorMessage());
        if (!report.contains("<ul>"))
            report += "</div><ul>";
    }
    report += "</ul></body></html>";
    return templateText + report;
}

} // namespace study
