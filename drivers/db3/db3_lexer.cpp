/*
 * Tokens of a statement: the driver reads its own data definition
 * statements from them and finds the tables a statement names before
 * SQLite sees it. Plain words are upper-cased; "quoted" identifiers keep
 * their case; a doubled quote inside either kind of quote stands for one.
 *
 *   std::vector<db3_token> t;
 *   db3_tokenize("DROP INDEX \"ROCKUNQ\"", &t, &err);   // WORD WORD QUOTED END
 */
#include "drivers/db3/db3_internal.h"

#include <cctype>
#include <cstring>
#include <utility>

/* Answers whether c may begin a plain identifier. */
static bool db3_ident_start(unsigned char c) { return isalpha(c) || c == '_' || c >= 0x80; }

/* Answers whether c may continue a plain identifier. */
static bool db3_ident_char(unsigned char c) { return isalnum(c) || c == '_' || c == '$' || c >= 0x80; }

/* Upper-cases ASCII letters of a text. */
std::string db3_upper(const std::string &text)
{
    std::string u = text;
    for (char &c : u) c = (char)toupper((unsigned char)c);
    return u;
}

/* Reads a quoted token (quote q) starting at text[i]; the doubled quote
 * stands for one. Answers the offset after the closing quote, or 0 when
 * the quote is not closed. */
static size_t db3_read_quoted(const char *text, size_t i, char q, std::string *out)
{
    size_t k = i + 1;
    for (;;) {
        if (text[k] == '\0') return 0;
        if (text[k] == q) {
            if (text[k + 1] == q) {
                out->push_back(q);
                k += 2;
                continue;
            }
            return k + 1;
        }
        out->push_back(text[k++]);
    }
}

/* Splits text into tokens (see db3_internal.h). Answers 1, or 0 with
 * DB3_ERR_SYNTAX for an unterminated quote or comment. */
int db3_tokenize(const char *text, std::vector<db3_token> *out, db3_error *err)
{
    out->clear();
    size_t i = 0;
    while (text[i]) {
        unsigned char c = (unsigned char)text[i];
        if (isspace(c)) {
            i++;
            continue;
        }
        if (c == '-' && text[i + 1] == '-') {
            while (text[i] && text[i] != '\n') i++;
            continue;
        }
        if (c == '/' && text[i + 1] == '*') {
            const char *end = strstr(text + i + 2, "*/");
            if (!end) return db3_fail(err, DB3_ERR_SYNTAX, "unterminated comment at character %zu", i + 1);
            i = (size_t)(end - text) + 2;
            continue;
        }
        db3_token t;
        t.at = i;
        if (c == '\'' || c == '"') {
            size_t next = db3_read_quoted(text, i, (char)c, &t.text);
            if (!next)
                return db3_fail(err, DB3_ERR_SYNTAX, "unterminated %s at character %zu",
                                c == '\'' ? "string" : "quoted name", i + 1);
            t.kind = c == '\'' ? DB3_TOK_STRING : DB3_TOK_QUOTED;
            i = next;
        } else if (db3_ident_start(c)) {
            size_t k = i;
            while (db3_ident_char((unsigned char)text[k])) k++;
            t.kind = DB3_TOK_WORD;
            t.text = db3_upper(std::string(text + i, k - i));
            i = k;
        } else if (isdigit(c) || (c == '.' && isdigit((unsigned char)text[i + 1]))) {
            size_t k = i;
            while (isdigit((unsigned char)text[k]) || text[k] == '.') k++;
            if ((text[k] == 'e' || text[k] == 'E')
                && (isdigit((unsigned char)text[k + 1])
                    || ((text[k + 1] == '+' || text[k + 1] == '-') && isdigit((unsigned char)text[k + 2])))) {
                k += 2;
                while (isdigit((unsigned char)text[k])) k++;
            }
            t.kind = DB3_TOK_NUMBER;
            t.text.assign(text + i, k - i);
            i = k;
        } else {
            t.kind = DB3_TOK_PUNCT;
            size_t n = 1;
            if ((c == '<' && (text[i + 1] == '>' || text[i + 1] == '=')) || (c == '>' && text[i + 1] == '=')
                || (c == '!' && text[i + 1] == '=') || (c == '|' && text[i + 1] == '|'))
                n = 2;
            t.text.assign(text + i, n);
            i += n;
        }
        out->push_back(std::move(t));
    }
    db3_token end;
    end.kind = DB3_TOK_END;
    end.at = i;
    out->push_back(end);
    return 1;
}

/* Answers 1 when t is the plain word kw. */
int db3_is_word(const db3_token &t, const char *kw)
{
    return t.kind == DB3_TOK_WORD && t.text == kw;
}

/* Answers 1 when t is a plain or quoted identifier. */
int db3_is_ident(const db3_token &t)
{
    return t.kind == DB3_TOK_WORD || t.kind == DB3_TOK_QUOTED;
}
