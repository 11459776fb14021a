#include "Manifest.h"

#include <QFile>
#include <QRegularExpression>
#include <QTextStream>

namespace {

bool parseSize(const QString &text, QSize *size)
{
    static const QRegularExpression re(QStringLiteral("^(\\d+)x(\\d+)$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    *size = QSize(m.captured(1).toInt(), m.captured(2).toInt());
    return size->width() > 0 && size->height() > 0;
}

bool parseMarkers(const QString &text, ArtMarkers *mk)
{
    static const QRegularExpression re(QStringLiteral("^(\\d+),(\\d+)/(\\d+),(\\d+)$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    *mk = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(), m.captured(4).toInt()};
    return true;
}

bool parseLayer(QString text, ArtLayer *layer)
{
    text = text.trimmed();
    static const QRegularExpression re(QStringLiteral(
        "^([A-Za-z0-9_.-]+\\.svg)(?:@(-?\\d+),(-?\\d+))?(?:#([\\d.]+),([\\d.]+),([\\d.]+),([\\d.]+))?$"));
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    layer->file = m.captured(1);
    if (m.capturedLength(2))
        layer->offset = QPoint(m.captured(2).toInt(), m.captured(3).toInt());
    if (m.capturedLength(4))
        layer->viewBox = QRectF(m.captured(4).toDouble(), m.captured(5).toDouble(),
                                m.captured(6).toDouble(), m.captured(7).toDouble());
    return true;
}

} // namespace

Manifest readManifest(const QString &path)
{
    Manifest result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        result.error = QStringLiteral("%1: cannot open").arg(path);
        return result;
    }
    QTextStream in(&file);
    int lineNo = 0;
    auto fail = [&](const QString &why) {
        result.error = QStringLiteral("%1:%2: %3").arg(path).arg(lineNo).arg(why);
        return result;
    };
    while (!in.atEnd()) {
        ++lineNo;
        QString line = in.readLine();
        if (const int hash = line.indexOf(QLatin1String(" #")); hash >= 0)
            line.truncate(hash);
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;

        const QStringList tokens = line.split(QRegularExpression(QStringLiteral("\\s+")));
        if (tokens.size() < 3)
            return fail(QStringLiteral("expected an output, a size and a source"));
        ArtEntry entry;
        entry.line = lineNo;
        entry.output = tokens[0];
        if (tokens[1] == QLatin1String("copy")) {
            entry.copyFrom = tokens[2];
            result.entries.append(entry);
            continue;
        }
        if (!parseSize(tokens[1], &entry.size))
            return fail(QStringLiteral("bad size \"%1\"").arg(tokens[1]));

        int i = 2;
        for (; i < tokens.size() && tokens[i].contains(QLatin1Char('=')); ++i) {
            const QString key = tokens[i].section(QLatin1Char('='), 0, 0);
            const QString value = tokens[i].section(QLatin1Char('='), 1);
            if (key == QLatin1String("markers")) {
                ArtMarkers mk;
                if (!parseMarkers(value, &mk))
                    return fail(QStringLiteral("bad markers \"%1\"").arg(value));
                entry.markers = mk;
            } else if (key == QLatin1String("background")) {
                entry.background = value;
            } else if (key == QLatin1String("fit") && value == QLatin1String("scale")) {
                entry.scaled = true;
            } else {
                return fail(QStringLiteral("unknown option \"%1\"").arg(key));
            }
        }
        const QString sources = tokens.mid(i).join(QLatin1Char(' '));
        for (const QString &frameText : sources.split(QLatin1Char('|'))) {
            QList<ArtLayer> layers;
            for (const QString &layerText : frameText.split(QLatin1Char('+'))) {
                ArtLayer layer;
                if (!parseLayer(layerText, &layer))
                    return fail(QStringLiteral("bad source \"%1\"").arg(layerText.trimmed()));
                layers.append(layer);
            }
            entry.frames.append(layers);
        }
        const int n = int(entry.frames.size());
        if (n > 1 && (entry.frameWidth() <= 0 || n * entry.frameWidth() + n - 1 != entry.size.width()))
            return fail(QStringLiteral("width %1 does not split into %2 frames with separators")
                            .arg(entry.size.width()).arg(n));
        if (entry.markers) {
            const ArtMarkers &m = *entry.markers;
            // Each of the three pieces per axis must keep at least one source column/row.
            if (!(m.x1 >= 2 && m.x2 >= m.x1 + 3 && m.x2 + 1 < entry.size.width()
                  && m.y1 >= 2 && m.y2 >= m.y1 + 3 && m.y2 + 1 < entry.size.height()))
                return fail(QStringLiteral("markers leave an empty nine-grid piece"));
        }
        result.entries.append(entry);
    }
    if (result.entries.isEmpty())
        return fail(QStringLiteral("no entries"));
    return result;
}
