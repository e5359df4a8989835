/*
 * Column types of the DB3 driver and the text of their dBASE fields.
 *
 * dBASE III knows character (C) and number (N) fields; the SQL types of
 * CREATE TABLE map onto them as follows (width and decimals of the field,
 * the width counting sign and decimal point as dBASE does):
 *
 *   CHAR(n)                    C(n), n 1..254 (CHAR alone is CHAR(1))
 *   NUMERIC(p[,s]), DEC(p[,s]) N(p,s), p 1..20, s 0..p-2 (p alone: s = 0;
 *   DECIMAL(p[,s])             no size: NUMERIC(18,0))
 *   SMALLINT                   N(6,0)    -32768..32767
 *   INT, INTEGER               N(11,0)   -2147483648..2147483647
 *   FLOAT[(p)], REAL,          N(20,6)   the shortest text that reads back as
 *   DOUBLE [PRECISION]                   the same binary number, point or
 *                                        exponent where needed (E-15); the
 *                                        decimals only tell other readers
 *                                        that the field holds fractions
 *
 * The SQL type itself is marked in reserved bytes of the field descriptor
 * (bytes 20 to 22: 'P', the type code, the FLOAT precision), which other
 * dBASE readers ignore, so a table describes itself as it was created.
 * Fields without the mark (tables made by other programs, or rebuilt by the
 * application) are described from their letter: C(n) CHAR(n); N(20,d) (any
 * d, so tables written before the decimals were declared read alike) and
 * F DOUBLE PRECISION; other N(w,d) NUMERIC(w,d); L CHAR(1); D CHAR(8);
 * M CHAR holding the memo text.
 *
 * Blank fields are NULL. Numbers are written right-aligned, an exact one
 * rounded half away from zero to its decimals on its digits (no double on
 * the way: NUMERIC(20,6) keeps 1234567890123.123456); a value that
 * does not fit its field is refused (22003), never cut; a text longer than
 * its field is refused (22001) unless only blanks are cut; a D field takes
 * only a date YYYYMMDD that exists and an L field only a logical letter,
 * so that other dBASE readers can read what is written.
 */
#include "drivers/db3/db3_internal.h"

#include <cerrno>
#include <charconv>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>

/* Sizes of the mapping. */
constexpr int DB3_CHAR_MAX = 254;          /* longest C field */
constexpr int DB3_NUMERIC_DEFAULT = 18;    /* width of NUMERIC without a size */
constexpr int DB3_SMALLINT_WIDTH = 6;      /* "-32768" */
constexpr int DB3_SMALLINT_DIGITS = 5;
constexpr int DB3_INTEGER_WIDTH = 11;      /* "-2147483648" */
constexpr int DB3_INTEGER_DIGITS = 10;
constexpr int DB3_APPROX_WIDTH = 20;       /* field of FLOAT, REAL and DOUBLE */
constexpr int DB3_APPROX_DECIMALS = 6;     /* their declared decimals, as "%lf" writes */
constexpr int DB3_FLOAT_DEFAULT = 53;      /* binary digits of FLOAT without a size */
constexpr int DB3_FLOAT_MAX = 53;
constexpr int DB3_REAL_DIGITS = 24;        /* binary digits of REAL */
constexpr int DB3_DOUBLE_DIGITS = 53;      /* binary digits of DOUBLE PRECISION */
constexpr int DB3_REAL_SIGNIFICANT = 9;    /* decimal digits that bring a float back */
constexpr int DB3_DOUBLE_SIGNIFICANT = 17; /* decimal digits that bring a double back */
constexpr int DB3_MEMO_CHARS = 32000;      /* described length of a memo column */
constexpr int DB3_DATE_CHARS = 8;          /* YYYYMMDD */
constexpr int DB3_INT_DIGITS_MAX = 18;     /* widths up to this read as SQLite integers */
constexpr int DB3_NUMBER_TEXT = 64;        /* buffer of a formatted number */

/* The type mark in the descriptor's reserved bytes 20..22. */
constexpr int DB3_MARK_AT = 2;             /* index in reserved2 of the mark byte */
constexpr unsigned char DB3_MARK = 'P';

/* Sets the exact-number parts of ct. */
static void db3_exact(db3_coltype *ct, int type, int width, int decimals, int precision)
{
    ct->sql_type = type;
    ct->letter = 'N';
    ct->width = width;
    ct->decimals = decimals;
    ct->precision = precision;
    ct->exact = 1;
}

/* Sets the approximate-number parts of ct. */
static void db3_approx(db3_coltype *ct, int type, int precision)
{
    ct->sql_type = type;
    ct->letter = 'N';
    ct->width = DB3_APPROX_WIDTH;
    ct->decimals = 0;
    ct->precision = precision;
    ct->exact = 0;
}

/* Reads "( n [, m] )" after a type name when present. Answers the count of
 * numbers read (0, 1 or 2), or -1 with DB3_ERR_SYNTAX. */
static int db3_parse_size(const std::vector<db3_token> &t, size_t *pos, int max_numbers, int *a, int *b,
                          db3_error *err)
{
    if (!(t[*pos].kind == DB3_TOK_PUNCT && t[*pos].text == "(")) return 0;
    size_t p = *pos + 1;
    int got = 0;
    int *slots[2] = {a, b};
    for (;;) {
        if (t[p].kind != DB3_TOK_NUMBER || t[p].text.find_first_not_of("0123456789") != std::string::npos
            || t[p].text.size() > 4 || got == max_numbers)
            return db3_fail(err, DB3_ERR_SYNTAX, "a size is expected at character %zu", t[p].at + 1), -1;
        *slots[got++] = atoi(t[p].text.c_str());
        p++;
        if (t[p].kind == DB3_TOK_PUNCT && t[p].text == ",") {
            p++;
            continue;
        }
        if (t[p].kind == DB3_TOK_PUNCT && t[p].text == ")") break;
        return db3_fail(err, DB3_ERR_SYNTAX, "\")\" is expected at character %zu", t[p].at + 1), -1;
    }
    *pos = p + 1;
    return got;
}

/* Parses a column type (see db3_internal.h). Answers 1, or 0 with
 * DB3_ERR_SYNTAX for an unknown type and DB3_ERR_DEFINITION for a size the
 * field cannot hold. */
int db3_parse_coltype(const std::vector<db3_token> &t, size_t *pos, db3_coltype *ct, db3_error *err)
{
    const db3_token &w = t[*pos];
    if (w.kind != DB3_TOK_WORD) return db3_fail(err, DB3_ERR_SYNTAX, "a column type is expected at character %zu", w.at + 1);
    (*pos)++;
    int a = 0, b = 0;
    if (w.text == "CHAR" || w.text == "CHARACTER") {
        int n = db3_parse_size(t, pos, 1, &a, &b, err);
        if (n < 0) return 0;
        if (n == 0) a = 1;
        if (a < 1 || a > DB3_CHAR_MAX)
            return db3_fail(err, DB3_ERR_DEFINITION, "CHAR(%d): a dBASE character field holds 1 to %d characters", a, DB3_CHAR_MAX);
        ct->sql_type = DB3_TYPE_CHAR;
        ct->letter = 'C';
        ct->width = ct->precision = a;
        ct->decimals = 0;
        ct->exact = 0;
        return 1;
    }
    if (w.text == "NUMERIC" || w.text == "DEC" || w.text == "DECIMAL") {
        int n = db3_parse_size(t, pos, 2, &a, &b, err);
        if (n < 0) return 0;
        if (n == 0) a = DB3_NUMERIC_DEFAULT;
        if (n < 2) b = 0;
        if (a < 1 || a > DBF_NUMBER_MAX)
            return db3_fail(err, DB3_ERR_DEFINITION, "%s(%d): a dBASE number field holds 1 to %d characters",
                            w.text.c_str(), a, DBF_NUMBER_MAX);
        if (b > 0 && b + 1 >= a)
            return db3_fail(err, DB3_ERR_DEFINITION, "%s(%d,%d): the scale must be below the precision less one",
                            w.text.c_str(), a, b);
        db3_exact(ct, w.text == "NUMERIC" ? DB3_TYPE_NUMERIC : DB3_TYPE_DECIMAL, a, b, a);
        return 1;
    }
    if (w.text == "INT" || w.text == "INTEGER") {
        db3_exact(ct, DB3_TYPE_INTEGER, DB3_INTEGER_WIDTH, 0, DB3_INTEGER_DIGITS);
        return 1;
    }
    if (w.text == "SMALLINT") {
        db3_exact(ct, DB3_TYPE_SMALLINT, DB3_SMALLINT_WIDTH, 0, DB3_SMALLINT_DIGITS);
        return 1;
    }
    if (w.text == "FLOAT") {
        int n = db3_parse_size(t, pos, 1, &a, &b, err);
        if (n < 0) return 0;
        if (n == 0) a = DB3_FLOAT_DEFAULT;
        if (a < 1 || a > DB3_FLOAT_MAX)
            return db3_fail(err, DB3_ERR_DEFINITION, "FLOAT(%d): the precision must be 1 to %d", a, DB3_FLOAT_MAX);
        db3_approx(ct, DB3_TYPE_FLOAT, a);
        return 1;
    }
    if (w.text == "REAL") {
        db3_approx(ct, DB3_TYPE_REAL, DB3_REAL_DIGITS);
        return 1;
    }
    if (w.text == "DOUBLE") {
        if (db3_is_word(t[*pos], "PRECISION")) (*pos)++;
        db3_approx(ct, DB3_TYPE_DOUBLE, DB3_DOUBLE_DIGITS);
        return 1;
    }
    return db3_fail(err, DB3_ERR_SYNTAX, "unknown column type %s at character %zu", w.text.c_str(), w.at + 1);
}

/* Fills a descriptor for a new column (see db3_internal.h). */
void db3_field_from_type(dbf_field *f, const char *name, const db3_coltype *ct)
{
    memset(f, 0, sizeof *f);
    snprintf(f->name, sizeof f->name, "%s", db3_upper(name).c_str());
    f->type = ct->letter;
    f->length = (unsigned char)ct->width;
    f->decimals = (unsigned char)(ct->letter == 'N' && !ct->exact ? DB3_APPROX_DECIMALS : ct->decimals);
    if (ct->letter == 'N') {
        f->reserved2[DB3_MARK_AT] = DB3_MARK;
        f->reserved2[DB3_MARK_AT + 1] = (unsigned char)ct->sql_type;
        f->reserved2[DB3_MARK_AT + 2] = (unsigned char)ct->precision;
    }
}

/* Answers the column type of a field read from a file (see the table at
 * the top of this file). */
db3_coltype db3_type_of_field(const dbf_field *f)
{
    db3_coltype ct{DB3_TYPE_CHAR, f->type, f->length, f->decimals, f->length, 0};
    int mark = f->reserved2[DB3_MARK_AT] == DB3_MARK ? f->reserved2[DB3_MARK_AT + 1] : 0;
    int prec = f->reserved2[DB3_MARK_AT + 2];
    if (f->type == 'N') {
        if (mark == DB3_TYPE_FLOAT && prec >= 1 && prec <= DB3_FLOAT_MAX) {
            db3_approx(&ct, DB3_TYPE_FLOAT, prec);
        } else if (mark == DB3_TYPE_REAL) {
            db3_approx(&ct, DB3_TYPE_REAL, DB3_REAL_DIGITS);
        } else if (mark == DB3_TYPE_DOUBLE || (!mark && f->length == DB3_APPROX_WIDTH)) {
            db3_approx(&ct, DB3_TYPE_DOUBLE, DB3_DOUBLE_DIGITS);
        } else if (mark == DB3_TYPE_INTEGER && f->decimals == 0) {
            db3_exact(&ct, DB3_TYPE_INTEGER, f->length, 0, DB3_INTEGER_DIGITS);
        } else if (mark == DB3_TYPE_SMALLINT && f->decimals == 0) {
            db3_exact(&ct, DB3_TYPE_SMALLINT, f->length, 0, DB3_SMALLINT_DIGITS);
        } else {
            db3_exact(&ct, mark == DB3_TYPE_DECIMAL ? DB3_TYPE_DECIMAL : DB3_TYPE_NUMERIC, f->length, f->decimals, f->length);
        }
        /* The field is read and written in its own width, whatever width
         * its marks were made with: a field another program narrowed
         * would otherwise take the bytes of the fields after it. */
        ct.width = f->length;
    } else if (f->type == 'F') {
        db3_approx(&ct, DB3_TYPE_DOUBLE, DB3_DOUBLE_DIGITS);
        ct.letter = 'F';
        ct.width = f->length;
    } else if (f->type == 'L') {
        ct.precision = 1;
    } else if (f->type == 'D') {
        ct.precision = DB3_DATE_CHARS;
    } else if (f->type == 'M') {
        ct.precision = DB3_MEMO_CHARS;
    }
    return ct;
}

/* The declared SQLite type of a column: TEXT affinity for characters,
 * INTEGER for whole numbers, REAL otherwise. */
const char *db3_decl_type(const db3_coltype *ct)
{
    if (ct->letter != 'N' && ct->letter != 'F') return "CHAR COLLATE RTRIM";
    if (ct->exact && ct->decimals == 0 && ct->width <= DB3_INT_DIGITS_MAX) return "INTEGER";
    return ct->exact ? "NUMERIC" : "REAL";
}

/* Blank bytes of a field are ' ' and NUL: the two bytes that clearing
 * bit 5 turns to zero, so eight of them are tested at once by masking a
 * word of eight bytes. */
constexpr int DB3_WORD_BYTES = 8;
constexpr uint64_t DB3_NOT_BLANK_BITS = 0xDFDFDFDFDFDFDFDFULL;
constexpr unsigned char DB3_NOT_BLANK_BYTE = 0xDF;

/* The place in its word (0 first) of the first and of the last nonzero
 * byte of a nonzero word read from memory. */
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
#define DB3_FIRST_BYTE(w) (__builtin_ctzll(w) / 8)
#define DB3_LAST_BYTE(w) (DB3_WORD_BYTES - 1 - __builtin_clzll(w) / 8)
#else
#define DB3_FIRST_BYTE(w) (__builtin_clzll(w) / 8)
#define DB3_LAST_BYTE(w) (DB3_WORD_BYTES - 1 - __builtin_ctzll(w) / 8)
#endif

/* Answers the offset of the first byte of bytes[from, to) that is not
 * blank, or to when all are. */
static inline int db3_skip_blanks(const char *bytes, int from, int to)
{
    while (to - from >= DB3_WORD_BYTES) {
        uint64_t w;
        memcpy(&w, bytes + from, sizeof w);
        w &= DB3_NOT_BLANK_BITS;
        if (w) return from + DB3_FIRST_BYTE(w);
        from += DB3_WORD_BYTES;
    }
    while (from < to && !(bytes[from] & DB3_NOT_BLANK_BYTE)) from++;
    return from;
}

/* Answers the end (exclusive) of bytes[from, to) without its trailing
 * blanks: from when all are blank. */
static inline int db3_cut_blanks(const char *bytes, int from, int to)
{
    while (to - from >= DB3_WORD_BYTES) {
        uint64_t w;
        memcpy(&w, bytes + to - DB3_WORD_BYTES, sizeof w);
        w &= DB3_NOT_BLANK_BITS;
        if (w) return to - DB3_WORD_BYTES + DB3_LAST_BYTE(w) + 1;
        to -= DB3_WORD_BYTES;
    }
    while (to > from && !(bytes[to - 1] & DB3_NOT_BLANK_BYTE)) to--;
    return to;
}

/* Finds the non-blank part of a field: *from and *to (exclusive). */
static void db3_trim_span(const char *bytes, int width, int *from, int *to)
{
    int a = db3_skip_blanks(bytes, 0, width);
    *from = a;
    *to = db3_cut_blanks(bytes, a, width);
}

/* Parses the number text of a field; answers 1 with the nearest double,
 * 0 when the text is not a number. Overflow marks ('*' only) read as no
 * number. */
static int db3_parse_number(const char *text, int n, double *out)
{
    char buf[DB3_NUMBER_TEXT];
    if (n <= 0 || n >= (int)sizeof buf) return 0;
    memcpy(buf, text, (size_t)n);
    buf[n] = '\0';
    for (char &c : buf)
        if (c == ',') c = '.';
    char *end = nullptr;
    errno = 0;
    double v = strtod(buf, &end);
    if (end == buf || *end != '\0' || !std::isfinite(v)) return 0;
    *out = v;
    return 1;
}

/* Most digits a decimal text may carry into an exact value (past them a
 * text is out of every field's range). */
constexpr int DB3_DECIMAL_DIGITS_MAX = 300;

/* Reads a decimal text ([sign] digits [point digits] [exponent], the
 * point '.' or ',') into its sign, its significant digits without leading
 * zeros (*digits, "" for zero) and the power of ten of their last one
 * (*power). Answers 1, or 0 when t[0, n) is not such a number. */
static int db3_decimal_parts(const char *t, int n, int *negative, std::string *digits, long *power)
{
    int i = 0, point = -1, seen = 0;
    *negative = 0;
    digits->clear();
    long after = 0;
    if (i < n && (t[i] == '-' || t[i] == '+')) *negative = t[i++] == '-';
    for (; i < n; i++) {
        char c = t[i];
        if (c >= '0' && c <= '9') {
            seen++;
            if (point >= 0) after++;
            if (c != '0' || !digits->empty()) digits->push_back(c);
            if ((int)digits->size() > DB3_DECIMAL_DIGITS_MAX) return 0;
        } else if ((c == '.' || c == ',') && point < 0) {
            point = i;
        } else {
            break;
        }
    }
    if (!seen) return 0;
    long exponent = 0;
    if (i < n && (t[i] == 'e' || t[i] == 'E')) {
        int sign = 1, k = i + 1, e_digits = 0;
        if (k < n && (t[k] == '+' || t[k] == '-')) sign = t[k++] == '-' ? -1 : 1;
        for (; k < n && t[k] >= '0' && t[k] <= '9'; k++, e_digits++)
            if (exponent < 100000) exponent = exponent * 10 + (t[k] - '0');
        if (!e_digits) return 0;
        exponent *= sign;
        i = k;
    }
    if (i != n) return 0;
    *power = exponent - after;
    if (digits->empty()) *negative = 0;
    return 1;
}

/* See db3_internal.h. */
int db3_decimal_text(const char *t, int n, int decimals, std::string *out)
{
    int negative;
    std::string d;
    long power;
    if (!db3_decimal_parts(t, n, &negative, &d, &power)) return 0;
    /* The value times 10^decimals, rounded half away from zero. */
    long shift = power + decimals;
    if (d.empty()) {
        d = "0";
    } else if (shift >= 0) {
        if ((long)d.size() + shift > DB3_DECIMAL_DIGITS_MAX) return -1;
        d.append((size_t)shift, '0');
    } else {
        long cut = -shift;
        bool up = cut <= (long)d.size() && d[d.size() - (size_t)cut] >= '5';
        d.resize(cut >= (long)d.size() ? 0 : d.size() - (size_t)cut);
        if (up) {
            size_t k = d.size();
            while (k > 0 && d[k - 1] == '9') d[--k] = '0';
            if (k == 0) d.insert(d.begin(), '1');
            else d[k - 1]++;
        }
        if (d.empty()) d = "0";
    }
    if ((int)d.size() <= decimals) d.insert(0, (size_t)(decimals + 1) - d.size(), '0');
    bool zero = d.find_first_not_of('0') == std::string::npos;
    out->clear();
    if (negative && !zero) out->push_back('-');
    out->append(d, 0, d.size() - (size_t)decimals);
    if (decimals > 0) {
        out->push_back('.');
        out->append(d, d.size() - (size_t)decimals, std::string::npos);
    }
    return 1;
}

/* See db3_internal.h. */
int db3_decimal_int(const char *t, int n, long long *out)
{
    int negative;
    std::string d;
    long power;
    if (!db3_decimal_parts(t, n, &negative, &d, &power)) return 0;
    while (!d.empty() && power < 0 && d.back() == '0') {
        d.pop_back();
        power++;
    }
    if (d.empty()) {
        *out = 0;
        return 1;
    }
    if (power < 0 || (long)d.size() + power > 19) return 0;
    d.append((size_t)power, '0');
    unsigned long long m = strtoull(d.c_str(), nullptr, 10);   /* 19 digits at most: no overflow */
    if (m > (negative ? 9223372036854775808ULL : 9223372036854775807ULL)) return 0;
    *out = negative ? (long long)(0ULL - m) : (long long)m;
    return 1;
}

/* Most significant digits the plain scan reads (their integer stays
 * below 2^63), and the largest integer a double holds exactly (2^53). */
constexpr int DB3_SCAN_DIGITS = 18;
constexpr long long DB3_DOUBLE_EXACT = 9007199254740992LL;

/* Powers of ten up to 10^DB3_SCAN_DIGITS, as integers and as doubles
 * (each exact). */
static const long long DB3_POW10[DB3_SCAN_DIGITS + 1] = {
    1LL, 10LL, 100LL, 1000LL, 10000LL, 100000LL, 1000000LL, 10000000LL, 100000000LL, 1000000000LL,
    10000000000LL, 100000000000LL, 1000000000000LL, 10000000000000LL, 100000000000000LL,
    1000000000000000LL, 10000000000000000LL, 100000000000000000LL, 1000000000000000000LL};
static const double DB3_POW10_D[DB3_SCAN_DIGITS + 1] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                                       1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};

/* Reads the plain decimal number at the start of t[0, n) ([sign] digits
 * [point digits], the point '.' or ','), the common case, without a
 * conversion call: the digits as an integer *digits, the count of those
 * after the point *after and the sign *negative. Answers the count of
 * bytes it took (a field is plain when only blanks follow them), or 0 when
 * t does not begin with a digit after its sign and point or holds more
 * than DB3_SCAN_DIGITS digits (the full parser then reads it). */
static inline int db3_scan_decimal(const char *t, int n, long long *digits, int *after, int *negative)
{
    int i = 0, point = -1, first;
    unsigned long long v = 0;   /* wraps past DB3_SCAN_DIGITS digits; such a text is refused below */
    *negative = 0;
    if (i < n && (t[i] == '-' || t[i] == '+')) *negative = t[i++] == '-';
    first = i;
    for (; i < n; i++) {
        unsigned d = (unsigned)(unsigned char)t[i] - '0';
        if (d < 10) {
            v = v * 10 + d;
        } else if ((t[i] == '.' || t[i] == ',') && point < 0) {
            point = i;
        } else {
            break;
        }
    }
    int count = i - first - (point >= 0);
    if (count == 0 || count > DB3_SCAN_DIGITS) return 0;
    *digits = (long long)v;
    *after = point < 0 ? 0 : i - point - 1;
    return i;
}

/* Sets out to the plain decimal number of a field read by
 * db3_scan_decimal, as db3_field_read would from the full parser: an
 * integer for a whole number of an exact column without decimals, else
 * the nearest double. Answers 0 when the fast way cannot give it exactly. */
static inline int db3_fast_value(const db3_coltype *ct, long long digits, int after, int negative, db3_field_value *out)
{
    if (ct->exact && ct->decimals == 0 && (after == 0 || digits % DB3_POW10[after] == 0)) {
        long long whole = after == 0 ? digits : digits / DB3_POW10[after];
        out->kind = DB3_VALUE_INT;
        out->i = negative ? -whole : whole;
        return 1;
    }
    if (digits > DB3_DOUBLE_EXACT) return 0;
    /* Both operands are exact, so the quotient is the nearest double. */
    double v = (double)digits / DB3_POW10_D[after];
    out->kind = DB3_VALUE_REAL;
    out->d = negative ? -v : v;
    return 1;
}

/* Reads the value of a field as db3_field_read does, written out in
 * each caller. The bytes are gone over once: a text looks only for its
 * trailing blanks, a number is read as its leading blanks end. */
static inline __attribute__((always_inline)) int db3_read_field(const db3_coltype *ct, const char *bytes, int width,
                                                                 db3_field_value *out)
{
    if (ct->letter != 'N' && ct->letter != 'F') {
        /* Leading blanks belong to the text; trailing ones are padding. */
        int keep = db3_cut_blanks(bytes, 0, width);
        out->kind = keep == 0 ? DB3_VALUE_NULL : DB3_VALUE_TEXT;
        out->text = bytes;
        out->length = keep;
        return 1;
    }
    int a = db3_skip_blanks(bytes, 0, width);
    if (a == width) {
        out->kind = DB3_VALUE_NULL;
        return 1;
    }
    long long digits;
    int after, negative;
    int used = db3_scan_decimal(bytes + a, width - a, &digits, &after, &negative);
    /* The number's own text stays at hand: an exact column hands on its
     * digits where a double would lose some. */
    out->text = bytes + a;
    out->length = used;
    if (used && db3_skip_blanks(bytes, a + used, width) == width && db3_fast_value(ct, digits, after, negative, out))
        return 1;
    int b = db3_cut_blanks(bytes, a, width);
    out->length = b - a;
    if (strspn(bytes + a, "*") >= (size_t)(b - a)) {
        out->kind = DB3_VALUE_NULL;
        return 1;
    }
    double v;
    if (!db3_parse_number(bytes + a, b - a, &v)) return 0;
    long long whole;
    if (ct->exact && ct->decimals == 0 && db3_decimal_int(bytes + a, b - a, &whole)) {
        out->kind = DB3_VALUE_INT;
        out->i = whole;
    } else {
        out->kind = DB3_VALUE_REAL;
        out->d = v;
    }
    return 1;
}

/* Reads the value of a field (see db3_internal.h). */
int db3_field_read(const db3_coltype *ct, const char *bytes, int width, db3_field_value *out)
{
    return db3_read_field(ct, bytes, width, out);
}

/* Gives SQLite the value of a field (see db3_internal.h). */
int db3_field_result(sqlite3_context *ctx, const db3_coltype *ct, const char *bytes, int width, int copy)
{
    db3_field_value v;
    if (!db3_read_field(ct, bytes, width, &v)) return 0;
    switch (v.kind) {
    case DB3_VALUE_INT:
        sqlite3_result_int64(ctx, v.i);
        break;
    case DB3_VALUE_REAL:
        sqlite3_result_double(ctx, v.d);
        break;
    case DB3_VALUE_TEXT:
        sqlite3_result_text(ctx, v.text, v.length, copy ? SQLITE_TRANSIENT : SQLITE_STATIC);
        break;
    default:
        sqlite3_result_null(ctx);
    }
    return 1;
}

/* Writes a formatted number right-aligned into a field; answers 0 with
 * DB3_ERR_RANGE when it is wider than the field. */
static int db3_put_number(const char *text, char *bytes, int width, const char *column, db3_error *err)
{
    int n = (int)strlen(text);
    if (n > width)
        return db3_fail(err, DB3_ERR_RANGE, "value %s does not fit column %s (%d characters)", text, column, width);
    memset(bytes, ' ', (size_t)width);
    memcpy(bytes + width - n, text, (size_t)n);
    return 1;
}

/* Largest magnitude of a double scaled to a field's decimals that is
 * rounded without its text (2^40: the scaling errs by less than 2^-11),
 * how far from a half its fraction must lie for that, and the most
 * decimals it serves. */
constexpr double DB3_STORE_SCALED_MAX = 1099511627776.0;
constexpr double DB3_STORE_HALF_MARGIN = 1e-3;
constexpr int DB3_STORE_DECIMALS_MAX = 15;

/* The text db3_decimal_text gives the shortest text of d with decimals
 * decimals, found from d scaled when it lies plainly nearer one integer
 * than the other (a text lying within a few units of the last place of d
 * rounds the same way): "-123.40", no minus for zero. Answers false when
 * it does not (too large, or too near a half: the text decides). */
static bool db3_scaled_text(double d, int decimals, char *text, size_t size)
{
    static const double tens[DB3_STORE_DECIMALS_MAX + 1] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (decimals < 0 || decimals > DB3_STORE_DECIMALS_MAX) return false;
    double scaled = d * tens[decimals];
    if (!(std::fabs(scaled) < DB3_STORE_SCALED_MAX)) return false;
    double low = std::floor(scaled), frac = scaled - low;
    if (std::fabs(frac - 0.5) < DB3_STORE_HALF_MARGIN) return false;
    long long n = (long long)low + (frac > 0.5 ? 1 : 0);
    unsigned long long m = n < 0 ? 0ULL - (unsigned long long)n : (unsigned long long)n;
    char digits[DB3_NUMBER_TEXT];
    int k = snprintf(digits, sizeof digits, "%0*llu", decimals + 1, m);
    if (k < 0 || (size_t)k + 3 > size) return false;
    char *out = text;
    if (n < 0) *out++ = '-';
    memcpy(out, digits, (size_t)(k - decimals));
    out += k - decimals;
    if (decimals > 0) {
        *out++ = '.';
        memcpy(out, digits + k - decimals, (size_t)decimals);
        out += decimals;
    }
    *out = '\0';
    return true;
}

/* Writes an exact number, given as its decimal text, with the field's
 * decimals (rounded half away from zero, digit by digit: no double on the
 * way), or as the text already so rounded in scaled. Answers 1, or 0 with
 * DB3_ERR_RANGE. */
static int db3_store_exact(const db3_coltype *ct, const char *text, int n, char *bytes, const char *column,
                           db3_error *err, const char *scaled = nullptr)
{
    std::string exact;
    int got = scaled ? 1 : db3_decimal_text(text, n, ct->decimals, &exact);
    if (got == 0) return db3_fail(err, DB3_ERR_TYPE, "'%.*s' is not a number for column %s", n < 40 ? n : 40, text, column);
    if (got < 0) return db3_fail(err, DB3_ERR_RANGE, "value %.40s does not fit column %s (%d characters)", text, column, ct->width);
    if (scaled) exact = scaled;
    if (ct->sql_type == DB3_TYPE_SMALLINT || ct->sql_type == DB3_TYPE_INTEGER) {
        long long r;
        bool small = ct->sql_type == DB3_TYPE_SMALLINT;
        if (!db3_decimal_int(exact.data(), (int)exact.size(), &r) || r < (small ? SHRT_MIN : INT_MIN)
            || r > (small ? SHRT_MAX : INT_MAX))
            return db3_fail(err, DB3_ERR_RANGE, "value %s is outside %s for column %s", exact.c_str(),
                            small ? "SMALLINT" : "INTEGER", column);
    }
    return db3_put_number(exact.c_str(), bytes, ct->width, column, err);
}

/* The value with that many significant digits in the shortest form that
 * fits a field of width characters: plain decimals ("0.000015") where they
 * fit, else the exponent form ("1.5E-05"). Answers false when neither
 * fits. */
static bool db3_approx_text(double v, int digits, int width, char *text, size_t size)
{
    char g[DB3_NUMBER_TEXT];
    int n = snprintf(g, sizeof g, "%.*G", digits, v);
    if (n < 0 || n >= (int)sizeof g) return false;
    if (dbf_plain_number(g, (int)strlen(g), text, (int)size) >= 0 && (int)strlen(text) <= width) return true;
    snprintf(text, size, "%s", g);
    return (int)strlen(text) <= width;
}

/* Writes an approximate number as a text that reads back as the same
 * number (in float for REAL and small FLOATs): the fewest significant
 * digits from the type's usual precision up that bring it back (trailing
 * zeros dropped, so 0.1 stays "0.1"), in plain decimals wherever they fit
 * and with an exponent only where they do not; when even that is wider
 * than the field, the most digits that fit. Answers 1, or 0 with
 * DB3_ERR_RANGE when no text fits. */
static int db3_store_approx(const db3_coltype *ct, double v, char *bytes, const char *column, db3_error *err)
{
    bool single = ct->precision <= DB3_REAL_DIGITS;
    if (single && fabs(v) > FLT_MAX)
        return db3_fail(err, DB3_ERR_RANGE, "value %g is outside REAL for column %s", v, column);
    double want = single ? (double)(float)v : v;
    int first = single ? FLT_DIG : DBL_DIG;
    int most = single ? DB3_REAL_SIGNIFICANT : DB3_DOUBLE_SIGNIFICANT;
    char text[DB3_NUMBER_TEXT];
    for (int digits = first; digits <= most; digits++) {
        if (!db3_approx_text(want, digits, ct->width, text, sizeof text)) break;
        double back = strtod(text, nullptr);
        if (single ? (float)back == (float)want : back == want) return db3_put_number(text, bytes, ct->width, column, err);
    }
    for (int digits = most; digits >= 1; digits--)
        if (db3_approx_text(want, digits, ct->width, text, sizeof text))
            return db3_put_number(text, bytes, ct->width, column, err);
    return db3_fail(err, DB3_ERR_RANGE, "value %.17G does not fit column %s", v, column);
}

/* Writes value v into a field (see db3_internal.h). */
int db3_field_store(const db3_coltype *ct, sqlite3_value *v, char *bytes, const char *column, db3_error *err)
{
    int width = ct->width;
    int vt = sqlite3_value_type(v);
    if (vt == SQLITE_NULL) {
        memset(bytes, ' ', (size_t)width);
        return 1;
    }
    if (ct->letter != 'N' && ct->letter != 'F') {
        if (vt == SQLITE_BLOB) return db3_fail(err, DB3_ERR_TYPE, "a binary value cannot go into column %s", column);
        const char *text = reinterpret_cast<const char *>(sqlite3_value_text(v));
        int n = sqlite3_value_bytes(v);
        if (!text) return db3_fail(err, DB3_ERR_MEMORY, "no memory for the value of column %s", column);
        int keep = n;
        while (keep > width && text[keep - 1] == ' ') keep--;
        if (keep > width)
            return db3_fail(err, DB3_ERR_TOO_LONG, "a text of %d characters does not fit column %s (%d characters)", n,
                            column, width);
        if (const char *why = dbf_value_refusal(ct->letter, text, (size_t)n))
            return db3_fail(err, DB3_ERR_TYPE, "'%.40s' %s for column %s", text, why, column);
        memset(bytes, ' ', (size_t)width);
        memcpy(bytes, text, (size_t)keep);
        return 1;
    }
    /* The number as a decimal text: an integer's digits, a double's
     * shortest text that reads back as it, a text as given. */
    char number[DB3_NUMBER_TEXT];
    const char *text = number;
    int n = 0;
    if (vt == SQLITE_INTEGER) {
        n = snprintf(number, sizeof number, "%lld", (long long)sqlite3_value_int64(v));
    } else if (vt == SQLITE_FLOAT) {
        double d = sqlite3_value_double(v);
        if (!std::isfinite(d)) return db3_fail(err, DB3_ERR_RANGE, "column %s cannot hold an infinite number", column);
        char scaled[DB3_NUMBER_TEXT];
        if (ct->exact && db3_scaled_text(d, ct->decimals, scaled, sizeof scaled))
            return db3_store_exact(ct, nullptr, 0, bytes, column, err, scaled);
        std::to_chars_result r = std::to_chars(number, number + sizeof number - 1, d);
        n = (int)(r.ptr - number);
    } else if (vt == SQLITE_TEXT) {
        const char *given = reinterpret_cast<const char *>(sqlite3_value_text(v));
        int length = sqlite3_value_bytes(v);
        if (!given) return db3_fail(err, DB3_ERR_MEMORY, "no memory for the value of column %s", column);
        int a, b;
        db3_trim_span(given, length, &a, &b);
        if (a == b) {
            memset(bytes, ' ', (size_t)width);
            return 1;
        }
        double ignored;
        if (!db3_parse_number(given + a, b - a, &ignored) || memchr(given, ',', (size_t)length))
            return db3_fail(err, DB3_ERR_TYPE, "'%.40s' is not a number for column %s", given, column);
        text = given + a;
        n = b - a;
    } else {
        return db3_fail(err, DB3_ERR_TYPE, "a binary value cannot go into column %s", column);
    }
    if (ct->exact) return db3_store_exact(ct, text, n, bytes, column, err);
    double d;
    if (vt == SQLITE_FLOAT) d = sqlite3_value_double(v);
    else if (!db3_parse_number(text, n, &d)) return db3_fail(err, DB3_ERR_RANGE, "value %.40s does not fit column %s", text, column);
    return db3_store_approx(ct, d, bytes, column, err);
}

/* The canonical key text of a field for unique indexes (see
 * db3_internal.h). */
int db3_field_key(const db3_coltype *ct, const char *bytes, int width, std::string *key)
{
    int a, b;
    db3_trim_span(bytes, width, &a, &b);
    if (a == b) return 0;
    /* A number's key is its exact value: its digits with as many decimals
     * as the field holds, so 5, 5.0 and 05 are one key. */
    std::string exact;
    if ((ct->letter == 'N' || ct->letter == 'F') && db3_decimal_text(bytes + a, b - a, b - a, &exact) > 0) {
        size_t cut = exact.find('.');
        if (cut != std::string::npos) {
            while (exact.back() == '0') exact.pop_back();
            if (exact.back() == '.') exact.pop_back();
        }
        key->append(exact);
    } else {
        key->append(bytes, (size_t)b);
    }
    return 1;
}
