#include "platform/SqlText.h"

#include "platform/AnsiText.h"

QByteArray sqlQuote(QByteArrayView narrow)
{
    QByteArray out;
    out.reserve(narrow.size() + 8);
    for (char c : narrow) {
        out.append(c);
        if (c == '\'')
            out.append('\'');
    }
    return out;
}

QByteArray sqlQuote(QStringView text)
{
    return sqlQuote(QByteArrayView(ansi::fromUnicode(text)));
}
