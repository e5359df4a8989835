/*
** str_util.cpp: trimming, case, words, names and comparisons of texts,
** and the 32-bit swap.
*/
#include "core/str_util.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/include/ads_host.h"

namespace {

/* Code of the highest blank character. */
constexpr unsigned char STR_BLANK_MAX = 32;
/* The delete character, never counted as text. */
constexpr unsigned char STR_DEL = 127;

/* True for a blank: a character of code STR_BLANK_MAX or below. */
bool is_blank(char c) { return (unsigned char)c <= STR_BLANK_MAX; }

/* True for a letter, a digit or an underscore. */
bool is_ident_char(char c) { return std::isalnum((unsigned char)c) || c == '_'; }

}  // namespace

/* Trims the characters blank answers true for at both ends in place;
** answers the text (null for null). */
char *str_trim_if(char *text, bool (*blank)(char))
{
    if (!text) return text;
    size_t len = std::strlen(text);
    while (len > 0 && blank(text[len - 1])) --len;
    text[len] = '\0';
    size_t start = 0;
    while (start < len && blank(text[start])) ++start;
    if (start > 0) std::memmove(text, text + start, len - start + 1);
    return text;
}

/* Trims blanks at both ends in place; answers the text. */
char *str_trim(char *text)
{
    return str_trim_if(text, is_blank);
}

/* Answers the text without its trailing blanks; see the header. */
std::string str_trim_right(const char *text)
{
    std::string s = text ? text : "";
    size_t len = s.size();
    while (len > 0 && is_blank(s[len - 1])) --len;
    s.resize(len);
    return s;
}

/* Upper-cases in place; answers the text. */
char *str_upper(char *text)
{
    if (!text) return text;
    for (char *p = text; *p; ++p) *p = (char)std::toupper((unsigned char)*p);
    return text;
}

/* Keeps the first word in place; answers the text. */
char *str_first_word(char *text)
{
    if (!text) return text;
    char *p = text;
    while (*p && is_blank(*p)) ++p;
    char *q = p;
    while (*q && !is_blank(*q)) ++q;
    size_t n = (size_t)(q - p);
    std::memmove(text, p, n);
    text[n] = '\0';
    return text;
}

/* Cuts a path to its bare file name in place; answers it. */
char *str_basename(char *path)
{
    if (!path) return path;
    char *start = path;
    for (char *p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') start = p + 1;
    char *dot = std::strrchr(start, '.');
    if (dot) *dot = '\0';
    if (start != path) std::memmove(path, start, std::strlen(start) + 1);
    return path;
}

/* Answers 5100 for a text with a visible character, else -1. */
int str_nonblank(const char *text)
{
    if (!text) return -1;
    for (const char *p = text; *p; ++p)
        if ((unsigned char)*p > STR_BLANK_MAX && (unsigned char)*p != STR_DEL) return RTNORM;
    return -1;
}

/* Answers 1 for equal texts, else 0. */
int str_eq(const char *a, const char *b)
{
    if (!a || !b) return 0;
    return std::strcmp(a, b) == 0;
}

/* Answers 1 for texts equal ignoring case, else 0. */
int str_eq_nocase(const char *a, const char *b)
{
    return str_cmp_nocase(a, b) == 2;
}

/* Answers 2 equal, 1 b greater, 3 b smaller or shorter; -1 for null. */
int str_cmp_nocase(const char *a, const char *b)
{
    if (!a || !b) return -1;
    for (;; ++a, ++b) {
        int ca = std::toupper((unsigned char)*a), cb = std::toupper((unsigned char)*b);
        if (ca != cb) {
            if (cb == 0) return 3;
            return cb > ca ? 1 : 3;
        }
        if (ca == 0) return 2;
    }
}

/* Answers the index of the text among n words, or -1. */
int str_index_nocase(const char *text, const char *const *words, int n)
{
    if (!text || !words) return -1;
    for (int i = 0; i < n; ++i)
        if (str_eq_nocase(words[i], text)) return i;
    return -1;
}

/* Answers 1 for a text of letters, digits and underscores, else 0. */
int str_is_ident(const char *text)
{
    if (!text) return 0;
    for (const char *p = text; *p; ++p)
        if (!is_ident_char(*p)) return 0;
    return 1;
}

/* Hides the passwords of connection strings; see str_util.h. */
std::string str_hide_passwords(const std::string &text)
{
    std::string out;
    size_t at = 0;
    while (at < text.size()) {
        size_t key = at;
        bool starts = key == 0 || text[key - 1] == ';' || (unsigned char)text[key - 1] <= ' ';
        size_t n = 0;
        for (const char *word : {"PWD=", "PASSWORD="})
            if (starts && !n && strncasecmp(text.c_str() + key, word, std::strlen(word)) == 0) n = std::strlen(word);
        if (!n) {
            out += text[at++];
            continue;
        }
        out += text.substr(key, n) + "****";
        at = key + n;
        if (at < text.size() && text[at] == '{') {
            /* To the closing brace; a brace within is doubled. */
            for (at++; at < text.size(); at++) {
                if (text[at] != '}') continue;
                if (at + 1 < text.size() && text[at + 1] == '}') {
                    at++;
                    continue;
                }
                at++;
                break;
            }
        } else {
            at = std::min(text.find(';', at), text.size());
        }
    }
    return out;
}

/* Pads with blanks to the length; answers the text. */
char *str_pad(char *text, int length)
{
    if (!text) return text;
    int len = (int)std::strlen(text);
    for (; len < length; ++len) text[len] = ' ';
    text[len] = '\0';
    return text;
}

/* Trims and turns every other character into an underscore; answers the text. */
char *str_make_ident(char *text)
{
    if (!text) return text;
    str_trim(text);
    for (char *p = text; *p; ++p)
        if (!is_ident_char(*p)) *p = '_';
    return text;
}

/* Swaps the two values; 5100, -2 for a null pointer. */
int util_swap32(int *a, int *b)
{
    if (!a || !b) return -2;
    int t = *a;
    *a = *b;
    *b = t;
    return RTNORM;
}
