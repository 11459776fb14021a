#pragma once

// A store with one learner and one chosen list, and the main window as a study page
// sees it, for the tests of the study pages.

#include "platform/SqlText.h"
#include "store/Store.h"
#include "study/DailyList.h"
#include "study/StudyPage.h"
#include "users/UserRecord.h"

#include <QDate>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

namespace testsupport {

struct StudyWord
{
    QString name, interp, phonetic = QStringLiteral("fəˈnetɪk");
};

// Finishing records the day like the real main window.
class FakeStudyHost : public StudyHost
{
public:
    QStringList spoken;
    QList<bool> finishes;
    int closes = 0;

    void Speak(const QString &text) override { spoken << text; }
    void FinishTodayLog(bool withErrorRate) override
    {
        finishes << withErrorRate;
        study::finishTodayLog(theDatabase, theUser, withErrorRate);
    }
    void closePage() override { ++closes; }
};

inline QString today()
{
    return QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
}

// A new store at path with the per-run temporary objects, user 1 ("u", settings as the
// new-user dialog makes them) who has chosen list 1 ("list") of `words`; theUser holds
// that user. The daily list is left to the caller.
inline void openStudyStore(const QString &path, const QList<StudyWord> &words, int dayNum = 20, int mode = 0)
{
    theDatabase.close();
    store::openStore(theDatabase, path);
    theDatabase.execute(store::tempObjectsScript().constData());
    theDatabase.execute("INSERT INTO ThesaurusInfo_tbl VALUES (1, 'list');");
    theDatabase.execute(sqlFormat("INSERT INTO UserInfo_tbl VALUES(NULL, 0, 'u', 'p', -1, %d, %d, -1, NULL, NULL, NULL, "
                                  "NULL, -1, 0, 0, 0, 0, -1, -1, 0, 0, 40, 1);",
                                  dayNum, mode)
                            .constData());
    theDatabase.execute("BEGIN;");
    for (const StudyWord &w : words)
        theDatabase.execute(sqlFormat("INSERT INTO words_tbl VALUES (NULL, 1, '%s', '%s', '%s');",
                                      sqlQuote(w.name).constData(), sqlQuote(w.interp).constData(),
                                      sqlQuote(w.phonetic).constData())
                                .constData());
    theDatabase.execute("COMMIT;");
    // Choosing the list gives the user a mark row for each of its words.
    theDatabase.execute(
        sqlFormat("UPDATE UserInfo_tbl SET tid = 1, count = %d WHERE uid = 1;", int(words.size())).constData());
    CppSQLite3Cursor c = theDatabase.query("SELECT * FROM UserInfo_tbl WHERE uid = 1;");
    theUser = UserRecord();
    theUser.fill(c);
}

// Whether anything is drawn on the image: a pixel that differs from the top left one.
inline bool hasInk(const QImage &image)
{
    const QRgb background = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != background)
                return true;
    return false;
}

// The phonetic symbols among `symbols` that `widget` (a label or a button) does not draw
// with a glyph of their own: nothing at all, or the same picture as a character no font
// has (the missing-glyph box), or the same picture as another symbol. Its text is put
// back afterwards.
template <typename Widget>
QStringList symbolsDrawnAsMissing(Widget *widget, const QString &symbols)
{
    const QString text = widget->text();
    const auto drawn = [widget](const QString &s) {
        widget->setText(s);
        return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    const QImage missing = drawn(QString(QChar(0x0378))); // unassigned: no font has it
    QStringList faults;
    QList<QImage> seen;
    for (const QChar c : symbols) {
        const QImage ink = drawn(QString(c));
        if (!hasInk(ink) || ink == missing || seen.contains(ink))
            faults.append(QString(c));
        seen.append(ink);
    }
    widget->setText(text);
    return faults;
}

// The symbols of the learners' notation that occur only in transcriptions.
inline const QString kPhoneticSymbols = QStringLiteral("ɪəʃʊʌɜɔɒɑʒθðŋæɡˈˌː");

} // namespace testsupport
