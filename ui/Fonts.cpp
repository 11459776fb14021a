#include "ui/Fonts.h"

#include <QFile>
#include <QFontDatabase>

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    const QStringList families = QFontDatabase::families();
    QStringList song;
    for (const QString &candidate : {QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC")})
        if (families.contains(candidate))
            song.append(candidate);
    if (song.isEmpty())
        song.append(QStringLiteral("Noto Sans CJK SC"));
    QFont::insertSubstitutions(QStringLiteral("宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
}

QString loadPhoneticFont()
{
    QFile file(QStringLiteral(":/MYFONT/142.ttf"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const int id = QFontDatabase::addApplicationFontFromData(file.readAll());
    if (id < 0)
        return {};
    return QFontDatabase::applicationFontFamilies(id).value(0);
}

QFont interfaceFont()
{
    return QFont(QStringLiteral("Noto Sans CJK SC"), 9);
}
