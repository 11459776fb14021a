#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Word-list text files: entries of two non-empty lines, the word (optionally followed
// by its transcription in square brackets) and the explanation; empty lines separate
// entries. Files written on Chinese Windows systems are GBK; newer ones are UTF-8
// (with or without a byte-order mark) or UTF-16 with a mark. The encoding is detected.

struct WordEntry
{
    QString word;
    QString phonetic;
    QString explanation;
};

struct ParsedWordList
{
    enum class Encoding { Gb18030, Utf8, Utf16 };
    Encoding encoding = Encoding::Gb18030;
    bool binary = false; // not a text file at all
    QList<WordEntry> entries;
};

ParsedWordList parseWordList(const QByteArray &data);

// The word line "word [transcription]" split as the format says: the last "[" starts
// the transcription, whose last character (normally "]") is dropped.
void splitWordLine(const QString &line, QString *word, QString *phonetic);

// The list is named after the file: its name without the last extension.
QString wordListName(const QString &filePath);
