/*
 * Fields of a dBASE table: finding a field by name, its place in the record
 * buffer, the blank test, copying and checking descriptors.
 *
 *   char *name = dbf_field_ptr(h, "NAME");      // record buffer of h
 *   if (dbf_field_blank(h, "NAME") == 0) ...
 */
#include "dbf/dbf_internal.h"

#include <cctype>
#include <cstring>

constexpr int DBF_NAME_MODULUS = 32;  /* names compare by character value modulo 32 */

/* Answers whether two characters match by value modulo 32, taken as signed
 * 8-bit values (so 'a' matches 'A', and '1' matches 'Q'). */
static bool dbf_char_mod_equal(char a, char b)
{
    return (signed char)a % DBF_NAME_MODULUS == (signed char)b % DBF_NAME_MODULUS;
}

/* Answers whether two characters are equal, letters without regard to case. */
static bool dbf_char_exact_equal(char a, char b)
{
    return toupper((unsigned char)a) == toupper((unsigned char)b);
}

/* Compares two names over at most n characters with the character test eq:
 * equal when n characters matched, or where the comparison stopped both
 * names end or one ends and the other has a blank. Answers 1 or 0, -1 for a
 * missing name. */
static int dbf_name_compare(const char *a, const char *b, int n, bool (*eq)(char, char))
{
    if (!a || !b) return -1;
    int k = 0;
    while (k < n && a[k] && b[k] && eq(a[k], b[k])) k++;
    if (k >= n) return 1;
    if (!a[k] && !b[k]) return 1;
    if (!a[k] && b[k] == DBF_BLANK) return 1;
    if (!b[k] && a[k] == DBF_BLANK) return 1;
    return 0;
}

/* Compares two field names over n characters by value modulo 32. Answers 1
 * when equal, 0 when not, -1 for a missing name. */
int dbf_name_equal(const char *a, const char *b, int n)
{
    return dbf_name_compare(a, b, n, dbf_char_mod_equal);
}

/* Finds the field of the given name: a field whose name is equal (letters
 * without regard to case) wins; else the first whose name matches modulo 32
 * over 10 characters. Answers its index, -1 when none or no descriptors. */
int dbf_find_field(const dbf_handle *h, const char *name)
{
    if (!h || !h->fields || !name) return -1;
    for (int i = 0; i < h->field_count; i++)
        if (dbf_name_compare(h->fields[i].name, name, DBF_NAME_MAX, dbf_char_exact_equal) == 1) return i;
    for (int i = 0; i < h->field_count; i++)
        if (dbf_name_equal(h->fields[i].name, name, DBF_NAME_MAX) == 1) return i;
    return -1;
}

/* Answers the index of the named field, -1 when the handle has no open file
 * or no such field. */
int dbf_field_index(const dbf_handle *h, const char *name)
{
    if (!h || !h->file) return -1;
    return dbf_find_field(h, name);
}

/* Answers the place of field i in the record buffer (after the deletion
 * flag and the fields before it); none for an index outside the fields, a
 * handle without descriptors or record buffer, or a field that would pass
 * the end of the record. */
char *dbf_field_at(dbf_handle *h, int i)
{
    if (!h || !h->fields || !h->record || i < 0 || i >= h->field_count) return nullptr;
    long offset = 1;
    for (int k = 0; k < i; k++) offset += h->fields[k].length;
    if (h->header.record_length > 0 && offset + h->fields[i].length > h->header.record_length) return nullptr;
    return h->record + offset;
}

/* Answers the place of the named field in the record buffer, or none. */
char *dbf_field_ptr(dbf_handle *h, const char *name)
{
    int i = dbf_find_field(h, name);
    return i < 0 ? nullptr : dbf_field_at(h, i);
}

/* Answers 1 when every byte of the named field of the record buffer is at
 * most the blank (unsigned: accented letters are text; a field of length 0
 * is blank), 0 otherwise; -1 for an absent field or no open file. */
int dbf_field_blank(dbf_handle *h, const char *name)
{
    if (!h || !h->file) return DBF_ERR_ARG;
    int i = dbf_find_field(h, name);
    const char *p = i < 0 ? nullptr : dbf_field_at(h, i);
    if (!p) return DBF_ERR_ARG;
    for (int k = 0; k < h->fields[i].length; k++)
        if (!dbf_is_blank(p[k])) return 0;
    return 1;
}

/* Copies a 32-byte descriptor, the name limited to 10 characters and its
 * byte 10 set to 0. Answers 1; -1 for a missing descriptor. */
int dbf_copy_field_desc(dbf_field *dst, const dbf_field *src)
{
    if (!dst || !src) return DBF_ERR_ARG;
    memcpy(dst, src, sizeof *dst);
    dst->name[DBF_NAME_MAX] = '\0';
    return DBF_OK;
}

/* Checks the descriptors: every type letter one of "CNLMDFPG"; an N field at
 * most 20 long and, with decimals, longer than decimals + 1. Answers 1, or
 * -4 for the first invalid descriptor (-1 for no descriptors). */
int dbf_check_fields(const dbf_handle *h)
{
    if (!h || !h->fields) return DBF_ERR_ARG;
    int letters = (int)strlen(DBF_TYPE_LETTERS);
    for (int i = 0; i < h->field_count; i++) {
        const dbf_field &f = h->fields[i];
        if (dbf_index_of_char(DBF_TYPE_LETTERS, letters, f.type) < 0) return DBF_ERR_FIELD;
        if (f.type == 'N') {
            if (f.length > DBF_NUMBER_MAX) return DBF_ERR_FIELD;
            if (f.decimals != 0 && f.decimals + 1 >= f.length) return DBF_ERR_FIELD;
        }
    }
    return DBF_OK;
}

/* Letters a logical field holds: true, false and unknown. */
constexpr const char *DBF_LOGICAL_LETTERS = "YyTtNnFf?";
constexpr int DBF_DATE_CHARS = 8;  /* YYYYMMDD */

/* Answers 1 when the eight characters are digits of a day that exists. */
static int dbf_is_date(const char *t)
{
    for (int i = 0; i < DBF_DATE_CHARS; i++)
        if (!isdigit((unsigned char)t[i])) return 0;
    int year = (t[0] - '0') * 1000 + (t[1] - '0') * 100 + (t[2] - '0') * 10 + (t[3] - '0');
    int month = (t[4] - '0') * 10 + (t[5] - '0');
    int day = (t[6] - '0') * 10 + (t[7] - '0');
    static const int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > days[month - 1]) return 0;
    int leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month != 2 || day < 29 || leap;
}

/* Tells whether a value can be written into a field of the type letter so
 * that dBASE readers take it: a D field holds a blank or a date YYYYMMDD
 * that exists, an L field a blank or one of Y, N, T, F (either case) and
 * ?; any other letter takes any text here. The value's leading and
 * trailing blanks do not count. Answers null when it can, else the reason
 * ("is not a date (YYYYMMDD)"). */
const char *dbf_value_refusal(char type, const char *text, size_t n)
{
    if (type != 'D' && type != 'L') return nullptr;
    size_t a = 0;
    while (a < n && dbf_is_blank(text[a])) a++;
    while (n > a && dbf_is_blank(text[n - 1])) n--;
    if (a == n) return nullptr;
    if (type == 'D')
        return n - a == DBF_DATE_CHARS && dbf_is_date(text + a) ? nullptr : "is not a date (YYYYMMDD)";
    return n - a == 1 && strchr(DBF_LOGICAL_LETTERS, text[a]) ? nullptr : "is not a logical (Y, N, T, F or ?)";
}
