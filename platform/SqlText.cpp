#include "platform/SqlText.h"

#include "platform/AnsiText.h"

#include <cstdarg>
#include <cstdio>

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

QByteArray sqlFormat(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    QByteArray out;
    if (n > 0) {
        out.resize(n);
        std::vsnprintf(out.data(), static_cast<size_t>(n) + 1, format, args);
    }
    va_end(args);
    return out;
}
