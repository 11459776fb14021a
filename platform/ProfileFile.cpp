#include "platform/ProfileFile.h"

#include <QFile>
#include <QList>
#include <QSaveFile>

namespace {

QList<QByteArray> splitLines(const QByteArray &data, QByteArray *lineEnd)
{
    *lineEnd = data.contains("\r\n") ? QByteArray("\r\n") : QByteArray("\n");
    QList<QByteArray> lines = data.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // the final line end
    for (QByteArray &line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    return lines;
}

// "[name]" with optional blanks around; returns the name or a null array.
QByteArray sectionName(const QByteArray &line)
{
    const QByteArray t = line.trimmed();
    if (t.size() >= 2 && t.startsWith('[')) {
        const qsizetype close = t.indexOf(']');
        if (close > 0)
            return t.mid(1, close - 1).trimmed();
    }
    return QByteArray();
}

bool keyOf(const QByteArray &line, QByteArray *key, QByteArray *value)
{
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    *key = line.left(eq).trimmed();
    *value = line.mid(eq + 1).trimmed();
    return !key->isEmpty();
}

bool sameName(const QByteArray &a, const QByteArray &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

ProfileFile::ProfileFile(QString path)
    : m_path(std::move(path))
{
}

QByteArray ProfileFile::readString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue,
                                   int bufferSize) const
{
    QByteArray result = defaultValue;
    QFile file(m_path);
    if (file.open(QIODevice::ReadOnly)) {
        QByteArray lineEnd;
        bool inSection = false;
        for (const QByteArray &line : splitLines(file.readAll(), &lineEnd)) {
            const QByteArray name = sectionName(line);
            if (!name.isNull()) {
                if (inSection)
                    break;
                inSection = sameName(name, section);
                continue;
            }
            QByteArray k, v;
            if (inSection && keyOf(line, &k, &v) && sameName(k, key)) {
                if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
                    v = v.mid(1, v.size() - 2);
                result = v;
                break;
            }
        }
    }
    if (bufferSize > 0 && result.size() > bufferSize - 1)
        result.truncate(bufferSize - 1);
    return result;
}

bool ProfileFile::writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value) const
{
    QByteArray data;
    {
        QFile file(m_path);
        if (file.exists()) {
            if (!file.open(QIODevice::ReadOnly))
                return false;
            data = file.readAll();
        }
    }
    QByteArray lineEnd;
    QList<QByteArray> lines = splitLines(data, &lineEnd);
    const QByteArray entry = key + '=' + value;

    qsizetype sectionStart = -1; // index of the section's header line
    qsizetype lastInSection = -1; // last non-empty line of the section
    bool written = false;
    for (qsizetype i = 0; i < lines.size() && !written; ++i) {
        const QByteArray name = sectionName(lines[i]);
        if (!name.isNull()) {
            if (sectionStart >= 0)
                break;
            if (sameName(name, section))
                sectionStart = lastInSection = i;
            continue;
        }
        if (sectionStart < 0)
            continue;
        QByteArray k, v;
        if (keyOf(lines[i], &k, &v) && sameName(k, key)) {
            lines[i] = entry;
            written = true;
        } else if (!lines[i].trimmed().isEmpty()) {
            lastInSection = i;
        }
    }
    if (!written) {
        if (sectionStart >= 0) {
            lines.insert(lastInSection + 1, entry);
        } else {
            lines.append('[' + section + ']');
            lines.append(entry);
        }
    }

    // Unbuffered, so that a short write (a full disk, a file-size limit) is seen here
    // and the old file is kept, rather than a cut one put in its place.
    QByteArray text;
    for (const QByteArray &line : std::as_const(lines))
        text += line + lineEnd;
    QSaveFile out(m_path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    if (out.write(text) != text.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}
