/*
** driver_canned.cpp: a driver program serving canned tables, for testing
** the engine's driver manager and interface without a database.
**
** Tables: ROCK (25 rows: BASENUMBER INTEGER, NAME CHARACTER(12) when the
** build has character values, DIP DOUBLE PRECISION null on every fifth
** row, AMOUNT NUMERIC(10,2)), EMPTY (no rows), SLOW (like ROCK, but the
** driver hangs on the third row), WIDE (3 rows of 40 implementation-type
** columns of 4000 bytes: replies far larger than a channel's buffer) and
** PARAMS (one row holding the parameters of the last execute) and BROKEN
** (like ROCK, but row 1 comes short of a value and row 2 with a value of
** an unknown type) and BLOCKS (like ROCK, served in blocks of rows, row 4
** with its amount of another type than its column, row 6 short of a
** value) and PLAIN (like ROCK, served in blocks whose values go plain
** where their column takes them; row 4 with a plain amount its column does
** not take, row 8 with a name beyond ASCII sent as a value record) and
** PREPARED (one row: the number of statements the session holds).  Any
** statement it cannot read is a syntax error, native code 14215.
*/
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_impldata.h"
#if __has_include("sqlclient/values/asi_char.h")
#include "sqlclient/values/asi_char.h"
#define CANNED_HAS_CHAR 1
#endif

namespace {

/* Native codes and sizes of the canned driver. */
constexpr int NATIVE_SYNTAX = 14215;
constexpr int NATIVE_NO_TABLE = 14206;
constexpr int NATIVE_AUTH = 14300;
constexpr int ROCK_ROWS = 25;
constexpr int SLOW_ROWS = 5;
constexpr int SLOW_HANG_ROW = 3;
constexpr int SLOW_HANG_S = 3600;
constexpr int WIDE_ROWS = 3;
constexpr int WIDE_COLUMNS = 40;
constexpr int WIDE_BYTES = 4000;
constexpr int TEXT_MAX = 256;
constexpr int BROKEN_TYPE = 99;
constexpr long BLOCKS_WRONG_TYPE_ROW = 4;
constexpr long BLOCKS_SHORT_ROW = 6;
constexpr long PLAIN_REFUSED_ROW = 4;
constexpr long PLAIN_RECORD_ROW = 8;
constexpr int NAME_LENGTH = 12;
constexpr unsigned AMOUNT_PRECISION = 10;
constexpr unsigned AMOUNT_SCALE = 2;

/* A null NAME value: CHARACTER(12). */
CAsiData *name_value()
{
#ifdef CANNED_HAS_CHAR
    return new CAsiChar(NAME_LENGTH);
#else
    return asi_value_new(ASI_TYPE_CHAR, 0);
#endif
}

/* Dynamic function codes of the statements it knows. */
constexpr int FUNC_DELETE = 19;
constexpr int FUNC_INSERT = 50;
constexpr int FUNC_UPDATE = 82;

/* A prepared statement: the table of a SELECT, else its function. */
struct canned_stmt {
    std::string table;   /* table of a SELECT, "" otherwise */
    int function;        /* dynamic function code */
    int params;          /* '?' markers */
};

/* An open cursor. */
struct canned_cursor {
    std::string table;   /* its table */
    long pos;            /* 0 before the first row, rows + 1 after the last */
};

/* The number of rows of a table; -1 when unknown. */
long table_rows(const std::string &t, const asi_value_list &last)
{
    if (t == "ROCK")
        return ROCK_ROWS;
    if (t == "EMPTY")
        return 0;
    if (t == "SLOW")
        return SLOW_ROWS;
    if (t == "BROKEN" || t == "BLOCKS" || t == "PLAIN")
        return ROCK_ROWS;
    if (t == "WIDE")
        return WIDE_ROWS;
    if (t == "PARAMS")
        return last.empty() ? 0 : 1;
    if (t == "PREPARED")
        return 1;
    return -1;
}

/* A ROCK-like row's value of column c (row from 1); null values where the
** table has them. */
CAsiData *rock_value(int c, long row)
{
    bool chars = asi_value_known(ASI_TYPE_CHAR, 0);
    if (!chars && c >= 1)
        c++;
    char text[TEXT_MAX];
    switch (c) {
    case 0: {
        CAsiData *v = asi_value_new(ASI_TYPE_INTEGER, 0);
        v->setLong((std::int32_t)row);
        return v;
    }
    case 1: {
        CAsiData *v = name_value();
        std::snprintf(text, sizeof text, "ROCK%03ld", row);
        v->setText(text, (int)std::strlen(text));
        return v;
    }
    case 2: {
        CAsiData *v = asi_value_new(ASI_TYPE_DOUBLE, 0);
        if (row % 5 != 0)
            v->setDouble(row * 1.5);
        return v;
    }
    default: {
        CAsiData *v = new CAsiNumeric(AMOUNT_PRECISION, AMOUNT_SCALE);
        std::snprintf(text, sizeof text, "%ld.25", row * 10);
        v->setText(text, (int)std::strlen(text));
        return v;
    }
    }
}

class canned_session : public CAsiDrvSession {
public:
    int connect(const CAsiUcStr &, const CAsiUcStr &user, const CAsiUcStr &, CAsiDrvReply &r) override
    {
        if (user.compareNoCase("nobody") == 0) {
            r.error(NATIVE_AUTH, "28000", "invalid authorization");
            return 0;
        }
        return 1;
    }

    int setSchema(const CAsiUcStr &name, CAsiDrvReply &r) override
    {
        if (name.compareNoCase("BAD") == 0) {
            r.error(NATIVE_NO_TABLE, "3F000", "invalid schema name");
            return 0;
        }
        return 1;
    }

    int prepare(int stmt, const CAsiUcStr &text, CAsiDrvReply &r) override
    {
        char buf[TEXT_MAX * 4];
        text.toMb(buf, sizeof buf);
        std::string s(buf);
        for (char &ch : s)
            ch = (char)std::toupper((unsigned char)ch);
        canned_stmt st{"", 0, 0};
        for (char ch : s)
            st.params += ch == '?';
        std::size_t from = s.find(" FROM ");
        if (s.rfind("SELECT ", 0) == 0 && from != std::string::npos) {
            std::size_t b = from + 6, e = b;
            while (e < s.size() && std::isalnum((unsigned char)s[e]))
                e++;
            st.table = s.substr(b, e - b);
            if (table_rows(st.table, m_last) < 0) {
                r.error(NATIVE_NO_TABLE, "42S02", "table %s not found", st.table.c_str());
                return 0;
            }
            st.function = ASI_FUNC_CURSOR_SPEC;
            describe(st.table, r);
        } else if (s.rfind("INSERT ", 0) == 0) {
            st.function = FUNC_INSERT;
        } else if (s.rfind("DELETE ", 0) == 0) {
            st.function = FUNC_DELETE;
        } else if (s.rfind("UPDATE ", 0) == 0) {
            st.function = FUNC_UPDATE;
        } else {
            r.error(NATIVE_SYNTAX, "42000", "syntax error in \"%.60s\"", buf);
            return 0;
        }
        r.setFunction(st.function);
        r.setParamCount(st.params);
        m_stmts[stmt] = st;
        return 1;
    }

    int execute(int stmt, const asi_value_list &params, CAsiDrvReply &r) override
    {
        auto it = m_stmts.find(stmt);
        if (it == m_stmts.end()) {
            r.error(NATIVE_SYNTAX, "26000", "statement %d not prepared", stmt);
            return 0;
        }
        asi_value_list_free(m_last);
        for (CAsiData *v : params)
            m_last.push_back(v->clone());
        r.setRowCount(1);
        return 1;
    }

    void deallocate(int stmt) override { m_stmts.erase(stmt); }

    int open(int cursor, int stmt, const asi_value_list &, CAsiDrvReply &r) override
    {
        auto it = m_stmts.find(stmt);
        if (it == m_stmts.end() || it->second.table.empty()) {
            r.error(NATIVE_SYNTAX, "26000", "statement %d is no prepared query", stmt);
            return 0;
        }
        m_cursors[cursor] = canned_cursor{it->second.table, 0};
        return 1;
    }

    int fetch(int cursor, int orientation, long offset, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it == m_cursors.end()) {
            r.error(NATIVE_SYNTAX, "24000", "cursor %d not open", cursor);
            return 0;
        }
        canned_cursor &c = it->second;
        long n = table_rows(c.table, m_last), p = c.pos;
        switch (orientation) {
        case ASI_FETCH_NEXT: p++; break;
        case ASI_FETCH_PRIOR: p--; break;
        case ASI_FETCH_FIRST: p = 1; break;
        case ASI_FETCH_LAST: p = n; break;
        case ASI_FETCH_ABSOLUTE: p = offset >= 0 ? offset : n + 1 + offset; break;
        case ASI_FETCH_RELATIVE: p += offset; break;
        default: r.error(NATIVE_SYNTAX, "HY106", "bad orientation %d", orientation); return 0;
        }
        c.pos = p < 0 ? 0 : p > n + 1 ? n + 1 : p;
        if (c.pos < 1 || c.pos > n)
            return 1;
        if (c.table == "SLOW" && c.pos == SLOW_HANG_ROW)
            sleep(SLOW_HANG_S);
        r.setRow(c.pos);
        row(c.table, c.pos, r);
        return 1;
    }

    /* BLOCKS: the rows after the current one, with the damage the table
    ** carries. */
    void fetchBlock(int cursor, CAsiDrvReply &r) override
    {
        auto it = m_cursors.find(cursor);
        if (it != m_cursors.end() && it->second.table == "PLAIN") {
            plainBlock(it->second, r);
            return;
        }
        if (it == m_cursors.end() || it->second.table != "BLOCKS")
            return;
        canned_cursor &c = it->second;
        int columns = asi_value_known(ASI_TYPE_CHAR, 0) ? 4 : 3;
        while (c.pos >= 1 && c.pos < ROCK_ROWS && r.beginBlockRow(c.pos + 1)) {
            long n = c.pos + 1;
            int sent = n == BLOCKS_SHORT_ROW ? columns - 1 : columns;
            for (int k = 0; k < sent; k++) {
                CAsiData *v = rock_value(k, n);
                if (n == BLOCKS_WRONG_TYPE_ROW && k == columns - 1) {
                    delete v;
                    v = asi_value_new(ASI_TYPE_INTEGER, 0);
                    v->setLong(1);
                }
                r.addValue(*v);
                delete v;
            }
            if (!r.endBlockRow())
                return;
            c.pos = n;
        }
    }

    void close(int cursor) override { m_cursors.erase(cursor); }

    ~canned_session() override { asi_value_list_free(m_last); }

private:
    /* PLAIN: the rows after the current one, each value plain where its
    ** column takes it (ROCK's values, the amount as its scaled digits). */
    void plainBlock(canned_cursor &c, CAsiDrvReply &r)
    {
        int columns = asi_value_known(ASI_TYPE_CHAR, 0) ? 4 : 3;
        char name[TEXT_MAX];
        while (c.pos >= 1 && c.pos < ROCK_ROWS && r.beginBlockRow(c.pos + 1)) {
            long n = c.pos + 1;
            asi_plain_value p;
            p.kind = ASI_PLAIN_INT;
            p.i = n;
            r.addPlain(p);
            if (columns == 4) {
                std::snprintf(name, sizeof name, n == PLAIN_RECORD_ROW ? "ROCK%03ld\xE9" : "ROCK%03ld", n);
                p.kind = ASI_PLAIN_TEXT;
                p.s = name;
                p.n = (int)std::strlen(name);
                if (n == PLAIN_RECORD_ROW) {
                    CAsiData *v = name_value();
                    v->setText(name, p.n);
                    r.addValue(*v);
                    delete v;
                } else {
                    r.addPlain(p);
                }
            }
            p = asi_plain_value();
            if (n % 5 != 0) {
                p.kind = ASI_PLAIN_REAL;
                p.d = n * 1.5;
            }
            r.addPlain(p);
            p = asi_plain_value();
            p.kind = n == PLAIN_REFUSED_ROW ? ASI_PLAIN_REAL : ASI_PLAIN_SCALED;
            p.i = n * 1000 + 25;   /* n * 10 + 0.25 at scale 2 */
            r.addPlain(p);
            if (!r.endBlockRow())
                return;
            c.pos = n;
        }
    }

    /* Describes a table's columns. */
    void describe(const std::string &t, CAsiDrvReply &r)
    {
        if (t == "WIDE") {
            CAsiImplData v;
            v.setImplType(1);
            for (int i = 0; i < WIDE_COLUMNS; i++) {
                char name[TEXT_MAX];
                std::snprintf(name, sizeof name, "BLOB%d", i);
                r.addColumn(name, v);
            }
            return;
        }
        if (t == "PARAMS") {
            for (std::size_t i = 0; i < m_last.size(); i++) {
                char name[TEXT_MAX];
                std::snprintf(name, sizeof name, "P%zu", i);
                CAsiData *v = m_last[i]->clone();
                v->setNull();
                r.addColumn(name, *v);
                delete v;
            }
            return;
        }
        if (t == "PREPARED") {
            std::unique_ptr<CAsiData> v(asi_value_new(ASI_TYPE_INTEGER, 0));
            r.addColumn("PREPARED", *v);
            return;
        }
        const char *names[] = {"BASENUMBER", "NAME", "DIP", "AMOUNT"};
        bool chars = asi_value_known(ASI_TYPE_CHAR, 0);
        CAsiData *types[] = {asi_value_new(ASI_TYPE_INTEGER, 0),
                             chars ? name_value() : nullptr,
                             asi_value_new(ASI_TYPE_DOUBLE, 0), new CAsiNumeric(AMOUNT_PRECISION, AMOUNT_SCALE)};
        for (int i = 0; i < 4; i++)
            if (types[i]) {
                r.addColumn(names[i], *types[i], i != 0);
                delete types[i];
            }
    }

    /* Sends row `row` of a table. */
    void row(const std::string &t, long row, CAsiDrvReply &r)
    {
        if (t == "WIDE") {
            static unsigned char bytes[WIDE_BYTES];
            for (int i = 0; i < WIDE_COLUMNS; i++) {
                std::memset(bytes, (int)((row * WIDE_COLUMNS + i) & 0xFF), sizeof bytes);
                CAsiImplData v;
                v.setImplType(1);
                v.setBytes(bytes, WIDE_BYTES);
                r.addValue(v);
            }
            return;
        }
        if (t == "PARAMS") {
            for (CAsiData *v : m_last)
                r.addValue(*v);
            return;
        }
        if (t == "PREPARED") {
            std::unique_ptr<CAsiData> v(asi_value_new(ASI_TYPE_INTEGER, 0));
            v->setLong((std::int32_t)m_stmts.size());
            r.addValue(*v);
            return;
        }
        int columns = asi_value_known(ASI_TYPE_CHAR, 0) ? 4 : 3;
        if (t == "BROKEN" && row == 1)
            columns--;
        if (t == "BROKEN" && row == 2) {
            r.body().put([](CAsiOStream &o) {
                o.putI32(ASI_TAG_VALUE, BROKEN_TYPE);
                o.putEnd(BROKEN_TYPE);
            });
            columns--;
        }
        for (int c = 0; c < columns; c++) {
            CAsiData *v = rock_value(c, row);
            r.addValue(*v);
            delete v;
        }
    }

    std::map<int, canned_stmt> m_stmts;     /* prepared statements by id */
    std::map<int, canned_cursor> m_cursors; /* open cursors by id */
    asi_value_list m_last;                  /* parameters of the last execute */
};

/* Makes a session. */
CAsiDrvSession *make_session(void *)
{
    return new canned_session();
}

} // namespace

/* Serves the engine that started it. */
int main(int argc, char **argv)
{
    return asi_drv_serve(argc, argv, make_session, nullptr);
}
