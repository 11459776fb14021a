#include "store/StatementClassifier.h"

#include "store/PageCodec.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string>

namespace pagecodec::detail {

namespace {

struct Token
{
    const char *begin;
    const char *end;
    bool word;
};

// Next token of SQL text: words, quoted strings and identifiers, single characters;
// white space and comments are skipped. Returns false at the end.
bool nextToken(const char *&p, const char *end, Token &tok)
{
    for (;;) {
        while (p < end && static_cast<unsigned char>(*p) <= ' ')
            ++p;
        if (p + 1 < end && p[0] == '-' && p[1] == '-') {
            while (p < end && *p != '\n')
                ++p;
            continue;
        }
        if (p + 1 < end && p[0] == '/' && p[1] == '*') {
            p += 2;
            while (p + 1 < end && !(p[0] == '*' && p[1] == '/'))
                ++p;
            p = std::min(end, p + 2);
            continue;
        }
        break;
    }
    if (p >= end)
        return false;
    tok.begin = p;
    const char c = *p;
    if (c == '\'' || c == '"' || c == '`' || c == '[') {
        const char close = c == '[' ? ']' : c;
        ++p;
        while (p < end) {
            if (*p == close) {
                if (close != ']' && p + 1 < end && p[1] == close) {
                    p += 2;
                    continue;
                }
                ++p;
                break;
            }
            ++p;
        }
        tok.word = false;
    } else if (std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80) {
        while (p < end && (std::isalnum(static_cast<unsigned char>(*p)) || *p == '_' || *p == '$'
                           || static_cast<unsigned char>(*p) >= 0x80))
            ++p;
        tok.word = true;
    } else {
        ++p;
        tok.word = false;
    }
    tok.end = p;
    return true;
}

bool tokenIs(const Token &t, const char *word)
{
    const size_t n = std::strlen(word);
    return t.word && static_cast<size_t>(t.end - t.begin) == n && sqlite3_strnicmp(t.begin, word, static_cast<int>(n)) == 0;
}

} // namespace

bool findKeyClause(const char *sql, const char *end, const char *&keyBegin, const char *&keyEnd)
{
    const char *p = sql;
    Token t;
    int depth = 0;
    bool seenAs = false;
    bool nameTaken = false;
    while (nextToken(p, end, t)) {
        if (!t.word && *t.begin == '(')
            ++depth;
        else if (!t.word && *t.begin == ')')
            --depth;
        if (depth != 0)
            continue;
        if (!seenAs) {
            seenAs = tokenIs(t, "AS");
            continue;
        }
        if (!nameTaken) {
            nameTaken = true; // the schema name may itself be spelt "key"
            continue;
        }
        if (tokenIs(t, "KEY")) {
            keyBegin = t.end;
            keyEnd = end;
            while (keyEnd > keyBegin && (static_cast<unsigned char>(keyEnd[-1]) <= ' ' || keyEnd[-1] == ';'))
                --keyEnd;
            return true;
        }
    }
    return false;
}

} // namespace pagecodec::detail

namespace pagecodec {

using detail::nextToken;
using detail::tokenIs;
using detail::Token;

bool isKeyPragma(const char *sql, const char *end, std::string *value)
{
    const char *p = sql;
    Token t;
    if (!nextToken(p, end, t) || !tokenIs(t, "PRAGMA") || !nextToken(p, end, t))
        return false;
    if (tokenIs(t, "main")) {
        if (!nextToken(p, end, t) || t.word || *t.begin != '.' || !nextToken(p, end, t))
            return false;
    }
    if (!tokenIs(t, "key") || !nextToken(p, end, t) || t.word || (*t.begin != '=' && *t.begin != '('))
        return false;
    if (!nextToken(p, end, t))
        return false;
    value->assign(t.begin, t.end);
    const char quote = t.begin[0];
    if (!t.word && (quote == '\'' || quote == '"') && value->size() >= 2) {
        // A quoted value: drop the quotes and undo doubled ones.
        std::string plain;
        for (size_t i = 1; i + 1 < value->size(); ++i) {
            plain += (*value)[i];
            if ((*value)[i] == quote && (*value)[i + 1] == quote)
                ++i;
        }
        *value = plain;
    }
    return true;
}

bool isAttachStatement(const char *sql, const char *end)
{
    const char *p = sql;
    Token t;
    return nextToken(p, end, t) && tokenIs(t, "ATTACH");
}
} // namespace pagecodec
