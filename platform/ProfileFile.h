#pragma once

#include <QByteArray>
#include <QString>

// A Windows profile (.ini) file read and written with the semantics of
// GetPrivateProfileStringA / WritePrivateProfileStringA: section and key names match
// without regard to case, values are trimmed and lose one pair of enclosing quotes,
// a read through a buffer of bufferSize bytes returns at most bufferSize - 1 bytes,
// and a write creates what is missing while keeping every other line as it was.
// Names and values are bytes in the narrow code page.
class ProfileFile
{
public:
    explicit ProfileFile(QString path);

    const QString &path() const { return m_path; }

    // The default when the file, the section or the key is missing.
    QByteArray readString(const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue = {},
                          int bufferSize = 512) const;
    // False when the file cannot be written; the old file is then left unchanged.
    bool writeString(const QByteArray &section, const QByteArray &key, const QByteArray &value) const;

private:
    QString m_path;
};
