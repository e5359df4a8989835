/*
 * The text functions of the DB3 road, over Windows-1252 texts.
 *
 * dBASE files, the statements and the application keep their texts in
 * Windows-1252, one byte a character, while SQLite's own LIKE, LENGTH,
 * SUBSTR, UPPER, LOWER and TRIM read a text as UTF-8: they would take
 * "è" and "ê" for parts of one character ('Crète' LIKE 'Crête'), count
 * 'André’s' as 6 characters and cut 'Café™' in the middle of nothing. The
 * session overrides them with these, which take a byte as a character and
 * give the answers a server gives for the same letters:
 *
 *   x LIKE p [ESCAPE e]   case as it is; '_' one character, '%' any run;
 *                         no escape unless one is given ('\' is plain)
 *   LENGTH(x)             characters of a text (bytes of a blob)
 *   SUBSTR(x, from[, n])  SUBSTRING too; positions counted as SQLite
 *                         counts them (from 1, negative from the end)
 *   UPPER(x), LOWER(x)    the letters of Windows-1252 with both cases
 *                         (é/É, š/Š, œ/Œ, ž/Ž, ÿ/Ÿ...); ß and µ stay
 *   TRIM, LTRIM, RTRIM    (x[, set]) the characters of set, blanks by default
 *
 *   db3_text_register(db);   // once, when the session opens
 */
#include "drivers/db3/db3_internal.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace {

/* The other case of each Windows-1252 byte, or the byte itself. */
struct db3_case_table {
    unsigned char upper[256];
    unsigned char lower[256];
    db3_case_table()
    {
        for (int c = 0; c < 256; c++) upper[c] = lower[c] = (unsigned char)c;
        auto pair = [this](int big, int small) {
            upper[small] = (unsigned char)big;
            lower[big] = (unsigned char)small;
        };
        for (int c = 'A'; c <= 'Z'; c++) pair(c, c + 32);
        for (int c = 0xC0; c <= 0xDE; c++)
            if (c != 0xD7) pair(c, c + 32);   /* À..Þ and à..þ; × and ÷ have no case */
        pair(0x8A, 0x9A);                    /* Š š */
        pair(0x8C, 0x9C);                    /* Œ œ */
        pair(0x8E, 0x9E);                    /* Ž ž */
        pair(0x9F, 0xFF);                    /* Ÿ ÿ */
    }
};

const db3_case_table k_case;

/* The bytes of argument v as a text (a number as its text): *n of them.
 * Answers none for a null. */
const unsigned char *db3_arg_text(sqlite3_value *v, int *n)
{
    if (sqlite3_value_type(v) == SQLITE_NULL) return nullptr;
    const unsigned char *t = sqlite3_value_type(v) == SQLITE_BLOB ? static_cast<const unsigned char *>(sqlite3_value_blob(v))
                                                                  : sqlite3_value_text(v);
    *n = sqlite3_value_bytes(v);
    static const unsigned char empty[1] = {0};
    return t ? t : empty;
}

/* Answers whether text[0, n) matches pattern[0, m) with escape byte esc
 * (-1 none): 1, 0, or -1 when the pattern ends in its escape. '%'
 * backtracks to the last one met, so the match takes at most n * m
 * steps. */
int db3_like_match(const unsigned char *text, int n, const unsigned char *pattern, int m, int esc)
{
    int t = 0, p = 0;
    int star_p = -1, star_t = 0;   /* after the last '%', and the text it took up to */
    while (t < n) {
        if (p < m && pattern[p] == esc) {
            if (p + 1 >= m) return -1;
            if (pattern[p + 1] == text[t]) {
                p += 2;
                t++;
                continue;
            }
        } else if (p < m && pattern[p] == '%') {
            star_p = ++p;
            star_t = t;
            continue;
        } else if (p < m && (pattern[p] == '_' || pattern[p] == text[t])) {
            p++;
            t++;
            continue;
        }
        if (star_p < 0) return 0;
        p = star_p;
        t = ++star_t;
    }
    while (p < m && pattern[p] == '%') p++;
    if (p < m && pattern[p] == esc && p + 1 >= m) return -1;
    return p == m;
}

/* like(pattern, text[, escape]): the LIKE operator. */
void db3_like(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    int m = 0, n = 0, e = 0, esc = -1;
    const unsigned char *pattern = db3_arg_text(argv[0], &m);
    const unsigned char *text = db3_arg_text(argv[1], &n);
    if (argc == 3) {
        const unsigned char *escape = db3_arg_text(argv[2], &e);
        if (!escape) return sqlite3_result_null(ctx);
        if (e > 1) return sqlite3_result_error(ctx, "ESCAPE expression must be a single character", -1);
        if (e == 1) esc = escape[0];
    }
    if (!pattern || !text) return sqlite3_result_null(ctx);
    int r = db3_like_match(text, n, pattern, m, esc);
    if (r < 0) return sqlite3_result_error(ctx, "LIKE pattern must not end with escape character", -1);
    sqlite3_result_int(ctx, r);
}

/* length(x). */
void db3_length(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    int n = 0;
    if (!db3_arg_text(argv[0], &n)) return sqlite3_result_null(ctx);
    sqlite3_result_int(ctx, n);
}

/* substr(x, from[, count]), as SQLite counts the positions. */
void db3_substr(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    int n = 0;
    const unsigned char *t = db3_arg_text(argv[0], &n);
    if (!t || sqlite3_value_type(argv[1]) == SQLITE_NULL || (argc == 3 && sqlite3_value_type(argv[2]) == SQLITE_NULL))
        return sqlite3_result_null(ctx);
    sqlite3_int64 from = sqlite3_value_int64(argv[1]);
    sqlite3_int64 count = n;
    bool back = false;
    if (argc == 3) {
        count = sqlite3_value_int64(argv[2]);
        if (count < 0) {
            count = -count;
            back = true;
        }
    } else {
        count = (sqlite3_int64)n + 1;
    }
    if (from < 0) {
        from += n;
        if (from < 0) {
            count += from;
            if (count < 0) count = 0;
            from = 0;
        }
    } else if (from > 0) {
        from--;
    } else if (count > 0) {
        count--;
    }
    if (back) {
        from -= count;
        if (from < 0) {
            count += from;
            from = 0;
        }
    }
    if (from > n) from = n;
    if (from + count > n) count = n - from;
    if (count < 0) count = 0;
    const char *at = reinterpret_cast<const char *>(t) + from;
    if (sqlite3_value_type(argv[0]) == SQLITE_BLOB)
        sqlite3_result_blob64(ctx, at, (sqlite3_uint64)count, SQLITE_TRANSIENT);
    else
        sqlite3_result_text64(ctx, at, (sqlite3_uint64)count, SQLITE_TRANSIENT, SQLITE_UTF8);
}

/* upper(x) and lower(x): the table in the user data. */
void db3_change_case(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    int n = 0;
    const unsigned char *t = db3_arg_text(argv[0], &n);
    if (!t) return sqlite3_result_null(ctx);
    const unsigned char *to = static_cast<const unsigned char *>(sqlite3_user_data(ctx));
    std::string out(reinterpret_cast<const char *>(t), (size_t)n);
    for (char &c : out) c = (char)to[(unsigned char)c];
    sqlite3_result_text64(ctx, out.data(), out.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
}

/* Which ends trim cuts: bit 1 the start, bit 2 the end. */
constexpr intptr_t DB3_TRIM_START = 1;
constexpr intptr_t DB3_TRIM_END = 2;

/* trim, ltrim, rtrim (x[, set]). */
void db3_trim(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    int n = 0, k = 1;
    const unsigned char *t = db3_arg_text(argv[0], &n);
    const unsigned char *set = reinterpret_cast<const unsigned char *>(" ");
    if (argc == 2) set = db3_arg_text(argv[1], &k);
    if (!t || !set) return sqlite3_result_null(ctx);
    bool in[256] = {false};
    for (int i = 0; i < k; i++) in[set[i]] = true;
    intptr_t ends = reinterpret_cast<intptr_t>(sqlite3_user_data(ctx));
    int a = 0, b = n;
    if (ends & DB3_TRIM_START)
        while (a < b && in[t[a]]) a++;
    if (ends & DB3_TRIM_END)
        while (b > a && in[t[b - 1]]) b--;
    sqlite3_result_text(ctx, reinterpret_cast<const char *>(t) + a, b - a, SQLITE_TRANSIENT);
}

}  // namespace

/* Registers the functions on db (see db3_internal.h). Answers SQLite's
 * code. */
int db3_text_register(sqlite3 *db)
{
    struct fn {
        const char *name;
        int args;
        void (*call)(sqlite3_context *, int, sqlite3_value **);
        void *data;
    };
    void *upper = const_cast<unsigned char *>(k_case.upper), *lower = const_cast<unsigned char *>(k_case.lower);
    const fn fns[] = {
        {"like", 2, db3_like, nullptr},
        {"like", 3, db3_like, nullptr},
        {"length", 1, db3_length, nullptr},
        {"substr", 2, db3_substr, nullptr},
        {"substr", 3, db3_substr, nullptr},
        {"substring", 2, db3_substr, nullptr},
        {"substring", 3, db3_substr, nullptr},
        {"upper", 1, db3_change_case, upper},
        {"lower", 1, db3_change_case, lower},
        {"trim", 1, db3_trim, reinterpret_cast<void *>(DB3_TRIM_START | DB3_TRIM_END)},
        {"trim", 2, db3_trim, reinterpret_cast<void *>(DB3_TRIM_START | DB3_TRIM_END)},
        {"ltrim", 1, db3_trim, reinterpret_cast<void *>(DB3_TRIM_START)},
        {"ltrim", 2, db3_trim, reinterpret_cast<void *>(DB3_TRIM_START)},
        {"rtrim", 1, db3_trim, reinterpret_cast<void *>(DB3_TRIM_END)},
        {"rtrim", 2, db3_trim, reinterpret_cast<void *>(DB3_TRIM_END)},
    };
    for (const fn &f : fns) {
        int rc = sqlite3_create_function_v2(db, f.name, f.args, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS,
                                            f.data, f.call, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) return rc;
    }
    return SQLITE_OK;
}
