/*
** sql_rows.cpp: column records of the SQL access layer, the conversion of
** their values to text and back, and the pieces statements are built from.
**
** A column keeps its value twice: in its value buffer, in the host type
** the cursor writes (short, long, float, double or string), and in its
** text buffer, as the dialogs show and edit it. Literals put into
** statement texts are made here: character values quoted with every single
** quote doubled, numbers checked to be numbers, names checked to be plain
** identifiers.
**
**     sql_col_rec *c = sql_col_new("DIP", "STATN", SQL_TYPE_DOUBLE, 20, 0);
**     sql_text_to_value(c, " 45.5 ");  sql_value_to_text(c, NULL);  // c->text "45.5"
*/
#include "core/sql_access.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/str_util.h"
#include "core/tbl.h"

/* Host result codes. */
#define SQL_OK          5100
#define SQL_ERR_ARG     (-2)
/* Value-check codes used when a text cannot become a column's value. */
#define SQL_ERR_TOO_LONG    (-9301)   /* "Entry too long in column" */
#define SQL_ERR_NON_NUMERIC (-9302)   /* "Non-numeric entry in column" */

/* Longest identifier the layer puts into a statement. */
#define SQL_IDENT_MAX 128
/* Significant digits that always bring a double and a float back
** unchanged; a number without an output format of its own is written with
** the fewest digits that do (890.1, not 890.10000000000002). */
#define SQL_DOUBLE_DIGITS 17
#define SQL_FLOAT_DIGITS  9
/* Magnitude from which a shortest text may keep its exponent. */
#define SQL_FIXED_LIMIT 1e15
/* Room in which a fixed-point text is made before it is appended; a
** longer one (a huge number, many decimals) is made by printf. */
#define SQL_FIXED_BUFFER 128

/* The host value type of a column of an SQL type: 5 string for CHAR, 4
** double for NUMERIC, DEC, FLOAT, REAL and DOUBLE, 2 long for INT, 1 short
** for SMALLINT; 0 for any other code. */
int sql_type_to_host(int sql_type)
{
    switch (sql_type) {
    case SQL_TYPE_CHAR: return SQL_HOST_STRING;
    case SQL_TYPE_NUMERIC:
    case SQL_TYPE_DEC:
    case SQL_TYPE_FLOAT:
    case SQL_TYPE_REAL:
    case SQL_TYPE_DOUBLE: return SQL_HOST_DOUBLE;
    case SQL_TYPE_INT: return SQL_HOST_LONG;
    case SQL_TYPE_SMALLINT: return SQL_HOST_SHORT;
    default: return 0;
    }
}

/* The engine's host type of a value type: the same number. */
int sql_host_type(int value_type)
{
    return value_type;
}

/* Bytes of a column's text buffer: the length and a terminator for a
** character column, at least SQL_NUMBER_TEXT_SIZE for a number. 0 for a
** null column. */
int sql_col_text_size(const sql_col_rec *column)
{
    if (!column) return 0;
    int length = column->length > 0 ? column->length : 1;
    if (column->value_type == SQL_HOST_STRING) return length + 1;
    return length + 1 > SQL_NUMBER_TEXT_SIZE ? length + 1 : SQL_NUMBER_TEXT_SIZE;
}

/* Bytes of the value buffer of a value type and length. */
static int sql_value_size(int value_type, int length)
{
    switch (value_type) {
    case SQL_HOST_SHORT: return (int)sizeof(int16_t);
    case SQL_HOST_LONG: return (int)sizeof(int32_t);
    case SQL_HOST_FLOAT: return (int)sizeof(float);
    case SQL_HOST_DOUBLE: return (int)sizeof(double);
    default: return (length > 0 ? length : 1) + 1;
    }
}

/* A new column record with its text and value buffers, null and empty; a
** type outside 1..8 is kept as CHAR. Answers the record, or null when
** memory is short. */
sql_col_rec *sql_col_new(const char *name, const char *table, int sql_type, int length, int decimals)
{
    sql_col_rec *c = (sql_col_rec *)calloc(1, sizeof(sql_col_rec));
    if (!c) return nullptr;
    snprintf(c->name, sizeof c->name, "%s", name ? name : "");
    snprintf(c->table, sizeof c->table, "%s", table ? table : "");
    if (sql_type_to_host(sql_type) == 0) sql_type = SQL_TYPE_CHAR;
    c->sql_type = sql_type;
    c->value_type = sql_type_to_host(sql_type);
    c->length = length > 0 ? length : 1;
    c->decimals = decimals > 0 ? decimals : 0;
    c->value_size = sql_value_size(c->value_type, c->length);
    c->display_width = c->length;
    c->null_ind = SQL_COL_NULL;
    c->text = (char *)calloc(1, (size_t)sql_col_text_size(c));
    c->value = calloc(1, (size_t)c->value_size);
    if (!c->text || !c->value) {
        free(c->text);
        free(c->value);
        free(c);
        return nullptr;
    }
    return c;
}

/* Copies a text trimmed at both ends into a string. */
static std::string sql_trimmed(const char *text)
{
    if (!text) return std::string();
    while (*text && (unsigned char)*text <= 32) text++;
    size_t n = strlen(text);
    while (n && (unsigned char)text[n - 1] <= 32) n--;
    return std::string(text, n);
}

/* Reads a whole text as a finite number. Answers 1 with the number, or 0. */
static int sql_read_number(const std::string &t, double *out)
{
    if (!sql_is_number(t.c_str())) return 0;
    errno = 0;
    char *end = nullptr;
    double v = strtod(t.c_str(), &end);
    if (!end || *end || errno == ERANGE || !std::isfinite(v)) return 0;
    *out = v;
    return 1;
}

/* Converts a text into the column's value buffer by its value type: the
** text is trimmed; a blank text sets the null indicator. Answers 5100; -2
** for a null column or one without buffers; -9302 for a text that is not
** a number of the column's range (whole numbers for SMALLINT and INT);
** -9301 for a character text longer than the column. On a failure the
** value is left as it was. */
int sql_text_to_value(sql_col_rec *column, const char *text)
{
    if (!column || !column->value || column->value_size <= 0) return SQL_ERR_ARG;
    std::string t = sql_trimmed(text);   /* a copy: text may be column->text */
    if (t.empty()) {
        memset(column->value, 0, (size_t)column->value_size);
        column->null_ind = SQL_COL_NULL;
        return SQL_OK;
    }
    double v = 0;
    switch (column->value_type) {
    case SQL_HOST_STRING:
        if ((int)t.size() > column->value_size - 1) return SQL_ERR_TOO_LONG;
        memset(column->value, 0, (size_t)column->value_size);
        memcpy(column->value, t.data(), t.size());
        break;
    case SQL_HOST_SHORT:
        if (!sql_read_number(t, &v) || v != std::floor(v) || v < INT16_MIN || v > INT16_MAX)
            return SQL_ERR_NON_NUMERIC;
        *(int16_t *)column->value = (int16_t)v;
        break;
    case SQL_HOST_LONG:
        if (!sql_read_number(t, &v) || v != std::floor(v) || v < INT32_MIN || v > INT32_MAX)
            return SQL_ERR_NON_NUMERIC;
        *(int32_t *)column->value = (int32_t)v;
        break;
    case SQL_HOST_FLOAT:
        if (!sql_read_number(t, &v) || std::fabs(v) > 3.4028234663852886e38) return SQL_ERR_NON_NUMERIC;
        *(float *)column->value = (float)v;
        break;
    case SQL_HOST_DOUBLE:
        if (!sql_read_number(t, &v)) return SQL_ERR_NON_NUMERIC;
        *(double *)column->value = v;
        break;
    default: return SQL_ERR_ARG;
    }
    column->null_ind = 0;
    return SQL_OK;
}

/* Writes a number with a format into buf. Answers false when the text
** does not fit (the caller then writes the shortest text instead). */
static bool sql_put_number(char *buf, int size, const char *format, double v)
{
    int n = snprintf(buf, (size_t)size, format, v);
    return n >= 0 && n < size;
}

/* Writes v into buf as "%.<decimals>f" writes it, without the cost of
** printf: the conversion gives the same correctly rounded digits. Answers
** false when the text does not fit, buf then holding what snprintf would
** have left. */
bool sql_put_fixed(char *buf, int size, double v, int decimals)
{
    if (!buf || size < 1) return false;
    if (std::isfinite(v) && decimals >= 0) {
        std::to_chars_result r = std::to_chars(buf, buf + size - 1, v, std::chars_format::fixed, decimals);
        if (r.ec == std::errc()) {
            *r.ptr = 0;
            return true;
        }
    }
    int n = snprintf(buf, (size_t)size, "%.*f", decimals, v);
    return n >= 0 && n < size;
}

/* Appends v to out as "%.<decimals>f" writes it (sql_put_fixed). */
void sql_append_fixed(std::string &out, double v, int decimals)
{
    char buf[SQL_FIXED_BUFFER];
    if (sql_put_fixed(buf, (int)sizeof buf, v, decimals)) {
        out += buf;
        return;
    }
    int n = snprintf(nullptr, 0, "%.*f", decimals, v);
    if (n <= 0) return;
    std::string big((size_t)n + 1, '\0');
    snprintf(big.data(), big.size(), "%.*f", decimals, v);
    out.append(big.data(), (size_t)n);
}

/* The significant digits of the shortest text that reads back as the
** double v (1 for zero and for what is not finite). */
static int sql_shortest_digits(double v)
{
    char buf[SQL_NUMBER_TEXT_SIZE];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    if (r.ec != std::errc() || !std::isfinite(v)) return 1;
    int digits = 0;
    for (const char *c = buf; c < r.ptr && *c != 'e'; c++) digits += isdigit((unsigned char)*c) ? 1 : 0;
    return digits > 0 ? digits : 1;
}

/* Writes into buf ("%.*g") the fewest significant digits of v that read
** back as the same double or, for single precision, as the same float. A
** whole number below SQL_FIXED_LIMIT that "%g" would give an exponent
** (615300 as "6.153e+05") is written without one. A double starts at the
** digits of its shortest text, since no fewer read back as it. */
static void sql_put_shortest(char *buf, int size, double v, bool single)
{
    int most = single ? SQL_FLOAT_DIGITS : SQL_DOUBLE_DIGITS;
    bool fast = !single && std::isfinite(v);
    int first = fast ? std::min(sql_shortest_digits(v), most) : 1;
    for (int digits = first; digits <= most; digits++) {
        if (fast) {
            /* The digits "%.*g" gives, read back as strtod reads them. */
            std::to_chars_result r = std::to_chars(buf, buf + size - 1, v, std::chars_format::general, digits);
            if (r.ec == std::errc()) {
                *r.ptr = 0;
                double back = 0;
                std::from_chars(buf, r.ptr, back);
                if (back == v) break;
                continue;
            }
        }
        snprintf(buf, (size_t)size, "%.*g", digits, v);
        double back = strtod(buf, nullptr);
        if (single ? (float)back == (float)v : back == v) break;
    }
    const char *e = strchr(buf, 'e');
    if (e && e[1] == '+' && fabs(v) < SQL_FIXED_LIMIT) sql_put_fixed(buf, size, v, 0);
}

/* Converts the column's value into text, into `text` or, when that is
** null, into the column's own text buffer (either holds at least
** sql_col_text_size bytes). A null value gives an empty text. Numbers use
** the column's output format when it has one, else NUMERIC and DEC their
** decimals, FLOAT and DOUBLE the shortest text that reads back as the same
** double, REAL and a float value as the same float. Answers 5100; -2 for a
** null column or one without buffers. */
int sql_value_to_text(sql_col_rec *column, char *text)
{
    if (!column || !column->value) return SQL_ERR_ARG;
    if (!text) text = column->text;
    if (!text) return SQL_ERR_ARG;
    int size = sql_col_text_size(column);
    text[0] = 0;
    if (column->null_ind == SQL_COL_NULL) return SQL_OK;
    const char *fmt = column->format;
    switch (column->value_type) {
    case SQL_HOST_STRING: {
        const char *v = (const char *)column->value;
        size_t n = strnlen(v, (size_t)column->value_size);
        if ((int)n > size - 1) n = (size_t)size - 1;
        memcpy(text, v, n);
        text[n] = 0;
        break;
    }
    case SQL_HOST_SHORT:
        snprintf(text, (size_t)size, "%d", (int)*(const int16_t *)column->value);
        break;
    case SQL_HOST_LONG:
        snprintf(text, (size_t)size, "%ld", (long)*(const int32_t *)column->value);
        break;
    case SQL_HOST_FLOAT: {
        double v = *(const float *)column->value;
        if (!fmt || !sql_put_number(text, size, fmt, v)) sql_put_shortest(text, size, v, true);
        break;
    }
    case SQL_HOST_DOUBLE: {
        double v = *(const double *)column->value;
        bool exact = column->sql_type == SQL_TYPE_NUMERIC || column->sql_type == SQL_TYPE_DEC;
        if (!fmt && exact) {
            if (sql_put_fixed(text, size, v, column->decimals < 30 ? column->decimals : 30)) break;
            sql_put_shortest(text, size, v, column->sql_type == SQL_TYPE_REAL);
            break;
        }
        if (!fmt || !sql_put_number(text, size, fmt, v))
            sql_put_shortest(text, size, v, column->sql_type == SQL_TYPE_REAL);
        break;
    }
    default: return SQL_ERR_ARG;
    }
    return SQL_OK;
}

/* The text a column holds for a text; see the header. */
std::string sql_held_text(sql_col_rec *column, const char *text)
{
    if (sql_text_to_value(column, text ? text : "") != SQL_OK) return std::string(1, '\x01');
    std::string out((size_t)sql_col_text_size(column) + 1, '\0');
    sql_value_to_text(column, out.data());
    out.resize(std::strlen(out.c_str()));
    return out;
}

/* Converts every column's value of a row into its text. Answers 5100, or
** the first failure of sql_value_to_text (the other columns are still
** converted). */
int sql_row_to_text(sql_col_rec *row)
{
    int rc = SQL_OK;
    for (sql_col_rec *c = row; c; c = c->next) {
        int r = sql_value_to_text(c, nullptr);
        if (r != SQL_OK && rc == SQL_OK) rc = r;
    }
    return rc;
}

/* Converts every column's text of a row into its value. Answers 5100, or
** the first failure of sql_text_to_value (the other columns are still
** converted). */
int sql_row_from_text(sql_col_rec *row)
{
    int rc = SQL_OK;
    for (sql_col_rec *c = row; c; c = c->next) {
        int r = sql_text_to_value(c, c->text);
        if (r != SQL_OK && rc == SQL_OK) rc = r;
    }
    return rc;
}

/* The column of a row with that name (without regard to case) and, when
** the table name is not blank, of that table, with its position in
** *index. Answers null (index -1) when absent. */
sql_col_rec *sql_col_find(sql_col_rec *row, const char *name, const char *table, int *index)
{
    if (index) *index = -1;
    if (!name) return nullptr;
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, i++) {
        if (!str_eq_nocase(c->name, name)) continue;
        if (str_nonblank(table) == SQL_OK && !str_eq_nocase(c->table, table)) continue;
        if (index) *index = i;
        return c;
    }
    return nullptr;
}

/* The column named by a table name and a column name joined by a point or
** a blank ("STATN.DIP", "STATN DIP"); a text without either names a
** column of any table. Answers null (index -1) when absent. */
sql_col_rec *sql_col_find_qualified(sql_col_rec *row, const char *text, int *index)
{
    if (index) *index = -1;
    if (!text) return nullptr;
    std::string t = sql_trimmed(text);
    size_t cut = t.find_first_of(". ");
    if (cut == std::string::npos) return sql_col_find(row, t.c_str(), nullptr, index);
    std::string table = sql_trimmed(t.substr(0, cut).c_str());
    std::string column = sql_trimmed(t.substr(cut + 1).c_str());
    if (table.empty() || column.empty()) return nullptr;
    return sql_col_find(row, column.c_str(), table.c_str(), index);
}

/* The n-th column of a row, 0 being the first; null when out of range. */
sql_col_rec *sql_col_nth(sql_col_rec *row, int n)
{
    if (n < 0) return nullptr;
    sql_col_rec *c = row;
    while (c && n-- > 0) c = c->next;
    return c;
}

/* The first column whose input rule has any of the flags; null when none. */
sql_col_rec *sql_col_find_flag(sql_col_rec *row, unsigned flags)
{
    for (sql_col_rec *c = row; c; c = c->next)
        if (c->attr && (c->attr->flags & flags)) return c;
    return nullptr;
}

/* The column of the same row holding the unique-number column of the
** column's table (the registered table's BASENUMBER slot, found by name
** and table); null when the table is not registered in the column's
** project or the row lacks that column. */
sql_col_rec *sql_row_key_column(sql_col_rec *column, sql_col_rec *row)
{
    if (!column || !row) return nullptr;
    pjct_rec *p = pjct_find_by_session(column->connection);
    if (!p) return nullptr;
    tbl_rec *t = tbl_find_by_name(p->tables, column->table, nullptr);
    if (!t || !t->keys[TBL_KEY_BASENUMBER]) return nullptr;
    return sql_col_find(row, t->keys[TBL_KEY_BASENUMBER]->name, column->table, nullptr);
}

/* Sets the shown word of a column: 1 sets bit 0, 65534 clears it, 0 and
** 65535 clear the word. Answers 5100; -1 for another value; -2 for a
** null column. */
int sql_col_set_shown(sql_col_rec *column, int value)
{
    if (!column) return SQL_ERR_ARG;
    switch (value) {
    case 1: column->shown |= 1u; break;
    case 65534: column->shown &= (uint16_t)~1u; break;
    case 0:
    case 65535: column->shown = 0; break;
    default: return -1;
    }
    return SQL_OK;
}

/* Whether a rule is held by the rule list of a logged-on project. */
static int sql_rule_listed(const col_attr_rec *rule)
{
    for (pjct_rec *p = g_pjct_list; p; p = p->next)
        for (const col_attr_rec *r = p->col_attrs; r; r = r->next)
            if (r == rule) return 1;
    return 0;
}

/* Frees a row's column records with their text, value and format buffers
** and the placeholder input rules (flag 0x40) they own, and clears the
** slot. Rules of a project's list are left to the list, even one still
** marked as a placeholder. */
void sql_col_list_free(sql_col_rec **row)
{
    if (!row) return;
    sql_col_rec *c = *row;
    while (c) {
        sql_col_rec *next = c->next;
        if (c->attr && (c->attr->flags & COL_ATTR_PLACEHOLDER) && !sql_rule_listed(c->attr))
            col_attr_free(c->attr);
        free(c->text);
        free(c->value);
        free(c->format);
        free(c);
        c = next;
    }
    *row = nullptr;
}

/* 1 when a name may stand in a statement as an identifier: letters,
** digits, '_', '$', '#' and points between parts (a qualified name), at
** most 128 characters; or a double-quoted identifier without a quote
** inside. 0 otherwise and for null or empty. */
int sql_is_ident(const char *name)
{
    if (!name || !*name) return 0;
    size_t n = strlen(name);
    if (n > SQL_IDENT_MAX) return 0;
    if (name[0] == '"') {
        if (n < 3 || name[n - 1] != '"') return 0;
        for (size_t i = 1; i + 1 < n; i++)
            if (name[i] == '"' || name[i] == '\'' || (unsigned char)name[i] < 32) return 0;
        return 1;
    }
    for (size_t i = 0; i < n; i++) {
        unsigned char ch = (unsigned char)name[i];
        if (isalnum(ch) || ch == '_' || ch == '$' || ch == '#') continue;
        if (ch == '.' && i > 0 && i + 1 < n && name[i + 1] != '.') continue;
        return 0;
    }
    return 1;
}

/* 1 when a text may stand in a statement as an ORDER BY clause or a list
** of columns: identifiers, blanks, commas, points, parentheses, '*' and
** double quotes, without single quotes, semicolons or comments. 0
** otherwise and for null or blank. */
int sql_is_clause(const char *text)
{
    if (!text || str_nonblank(text) != SQL_OK) return 0;
    for (const char *s = text; *s; s++) {
        unsigned char ch = (unsigned char)*s;
        if (isalnum(ch) || strchr("_$#., \t()*\"", ch)) continue;
        return 0;
    }
    return strstr(text, "--") == nullptr;
}

/* 1 when the text, trimmed, is a decimal number: an optional sign, digits
** with at most one point, an optional exponent. 0 otherwise and for null. */
int sql_is_number(const char *text)
{
    if (!text) return 0;
    std::string t = sql_trimmed(text);
    size_t i = 0, digits = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) i++;
    while (i < t.size() && isdigit((unsigned char)t[i])) i++, digits++;
    if (i < t.size() && t[i] == '.') {
        i++;
        while (i < t.size() && isdigit((unsigned char)t[i])) i++, digits++;
    }
    if (!digits) return 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        i++;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) i++;
        size_t e = 0;
        while (i < t.size() && isdigit((unsigned char)t[i])) i++, e++;
        if (!e) return 0;
    }
    return i == t.size();
}

/* Appends a character literal of the value to out: in single quotes, each
** single quote inside doubled. */
void sql_quote(const char *value, std::string &out)
{
    out += '\'';
    for (const char *s = value ? value : ""; *s; s++) {
        if (*s == '\'') out += '\'';
        out += *s;
    }
    out += '\'';
}

/* Appends the literal of a value text given by a caller to out: a text in
** single quotes is taken as a character value (a doubled quote inside
** read as one) and quoted again with its quotes doubled; NULL and numbers
** stand as they are; any other text is quoted as a character value, so
** that no value can change the statement. A blank text is NULL. Answers
** 0; -2 for a null value. */
int sql_literal(const char *value, std::string &out)
{
    if (!value) return SQL_ERR_ARG;
    std::string t = sql_trimmed(value);
    if (t.empty() || str_eq_nocase(t.c_str(), "NULL")) {
        out += "NULL";
        return 0;
    }
    if (sql_is_number(t.c_str())) {
        out += t;
        return 0;
    }
    if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'') {
        std::string inner;
        for (size_t i = 1; i + 1 < t.size(); i++) {
            inner += t[i];
            if (t[i] == '\'' && i + 2 < t.size() && t[i + 1] == '\'') i++;
        }
        sql_quote(inner.c_str(), out);
        return 0;
    }
    sql_quote(t.c_str(), out);
    return 0;
}

/* Appends the literal of a column's current text to out: a character
** value quoted (trailing blanks dropped, quotes doubled), an empty number
** NULL, a number bare. Answers 0; -2 for a null column or text; -9302
** when the text of a numeric column is not a number. */
int sql_col_literal(const sql_col_rec *column, std::string &out)
{
    if (!column || !column->text) return SQL_ERR_ARG;
    if (column->value_type == SQL_HOST_STRING) {
        std::string t = column->text;
        while (!t.empty() && (unsigned char)t.back() <= 32) t.pop_back();
        sql_quote(t.c_str(), out);
        return 0;
    }
    std::string t = sql_trimmed(column->text);
    if (t.empty()) {
        out += "NULL";
        return 0;
    }
    if (!sql_is_number(t.c_str())) return SQL_ERR_NON_NUMERIC;
    out += t;
    return 0;
}
