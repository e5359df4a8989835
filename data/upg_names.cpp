/*
** upg_names.cpp: the small readers of an old project's catalogue values
** and names: yes/no fields, type words, the two-character ids, names
** compared and cleaned the old way, and the fixed-width text of the
** dictionary files.
*/
#include <cctype>
#include <cstdio>
#include <cstring>

#include "data/tblsetup.h"
#include "data/upgrade.h"

namespace {

/* The type words of the catalogue's TYPE field, in index order. */
const char *const k_type_words[UPG_TYPE_COUNT] = {"TEXT", "SYM", "MEMO", "INT", "REAL", "PNT", "DATE", "ISTR", "RSTR"};

/* Characters a name keeps only as '_' (besides those at or below the blank and 127). */
const char k_unclean[] = "!\"#$%&'()*+,./:;<=>?@[\\]^`{|}~";

/* The delete character, never part of a name. */
const unsigned char k_delete_char = 127;
/* Folding of characters when old names are compared. */
const int k_case_fold = 32;

/* 1 when c ends an old name: a blank or control character. */
int ends_name(unsigned char c)
{
    return c <= ' ';
}

} // namespace

/* 1 when a yes/no field is yes: its first character is T, t, Y or y;
** 0 for a blank, any other character or no text. */
int upg_field_yes(const char *text)
{
    return text && std::strchr("TtYy", text[0]) && text[0] != '\0';
}

/* Answers the index (0 to 8) of a type word after leading blanks, compared
** without regard to case up to a blank; -1 for no text or an unknown word. */
int upg_field_type(const char *text)
{
    if (!text) return -1;
    while (*text == ' ') text++;
    size_t n = 0;
    while (text[n] && !ends_name((unsigned char)text[n])) n++;
    for (int i = 0; i < UPG_TYPE_COUNT; i++)
        if (std::strlen(k_type_words[i]) == n && strncasecmp(text, k_type_words[i], n) == 0) return i;
    return -1;
}

/* Reads a two-character catalogue id as first + 256 * second (a signed
** 16-bit value, kept in its 16 bits). Answers 0 (no id) for no text or two
** blanks; a missing second character counts as a blank. */
uint16_t upg_read_id(const char *text)
{
    if (!text || !text[0]) return 0;
    unsigned char lo = (unsigned char)text[0];
    unsigned char hi = text[0] && text[1] ? (unsigned char)text[1] : ' ';
    if (lo == ' ' && hi == ' ') return 0;
    return (uint16_t)(lo + 256u * hi);
}

/* Reads an old record's field "ID" (length bytes, NULs included) as first
** * 256 + second character ("AB" is 16706). Answers the number; 0 for no
** text or length; a field of one character counts alone. */
long upg_read_id_field(const char *text, int length)
{
    if (!text || length < 1) return 0;
    if (length == 1) return (unsigned char)text[0];
    return (long)(unsigned char)text[0] * 256 + (unsigned char)text[1];
}

/* Compares two old names over at most n characters after leading blanks,
** characters taken modulo 32 (so case does not count); a blank or control
** character ends either name. Answers 1 when equal, 0 otherwise. */
int upg_name_equal(const char *a, const char *b, int n)
{
    if (!a || !b) return 0;
    while (*a == ' ') a++;
    while (*b == ' ') b++;
    for (int i = 0; i < n; i++) {
        int ea = ends_name((unsigned char)a[i]), eb = ends_name((unsigned char)b[i]);
        if (ea || eb) return ea && eb;
        if ((unsigned char)a[i] % k_case_fold != (unsigned char)b[i] % k_case_fold) return 0;
    }
    return 1;
}

/* Replaces by '_' every character of a name that no table or column name
** may hold: those at or below the blank, 127, and the punctuation
** of k_unclean. Answers the name (null stays null). */
char *upg_clean_name(char *name)
{
    if (!name) return name;
    for (char *p = name; *p; p++) {
        unsigned char c = (unsigned char)*p;
        if (c <= ' ' || c == k_delete_char || std::strchr(k_unclean, c)) *p = '_';
    }
    return name;
}

/* Upper-cases the first n characters of a name (stopping at its end).
** Answers the name. */
char *upg_upper_n(char *name, int n)
{
    if (!name) return name;
    for (int i = 0; i < n && name[i]; i++) name[i] = (char)std::toupper((unsigned char)name[i]);
    return name;
}

/* Writes text left-aligned into a field of width characters, blank-padded,
** stopping at the first blank or control character or at 127. Answers the
** characters written; -2 for a null argument. */
int upg_copy_left(char *field, int width, const char *text)
{
    if (!field || !text || width < 0) return -2;
    std::memset(field, ' ', (size_t)width);
    int n = 0;
    while (n < width && !ends_name((unsigned char)text[n]) && (unsigned char)text[n] != k_delete_char) {
        field[n] = text[n];
        n++;
    }
    return n;
}

/* Writes a number "%u" right-aligned into a field of width characters;
** a number longer than the field keeps its first digits. Answers 0; -2 for
** a null field. */
int upg_copy_right(char *field, int width, unsigned long number)
{
    if (!field || width < 0) return -2;
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%lu", number);
    std::memset(field, ' ', (size_t)width);
    if (n > width) n = width;
    std::memcpy(field + width - n, digits, (size_t)n);
    return 0;
}

/* Gives a name that is one of the dialect's reserved words (without regard
** to case) a '_' in place of its last character; a word only a server
** reserves is kept, as projects were always upgraded. Answers 1 when it
** was changed, 0 otherwise. */
int upg_reserved_name(char *name)
{
    if (!name || !name[0] || !tblsetup_is_sql_word(name)) return 0;
    name[std::strlen(name) - 1] = '_';
    return 1;
}

/* The project directory with '/' appended unless it ends in '\' or '/'.
** Answers 0; -1 for a missing or empty directory. */
int upg_project_dir(const char *configured, std::string &out)
{
    if (!configured || !configured[0]) return -1;
    out = configured;
    if (out.back() != '\\' && out.back() != '/') out += '/';
    return 0;
}
