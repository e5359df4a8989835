/*
 * The DB3 engine against SQLite over the same rows: random queries over
 * two tables whose texts read as numbers in many ways, each run as a plan
 * may look it up, as a scan of every record and by sqlite3 over a copy of
 * the rows, with writes between them from the session itself, from a
 * second session and from python3-dbf (which sets the file's times back
 * after its write), once on the file times as they are and once on times
 * so coarse that every write falls in the same tick. A fixed seed and
 * count keep it to a few seconds.
 */
#include "db3_fixture.h"
#include "dbf_writer.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

/* Statements of each round, and how many differences are shown. */
constexpr int STATEMENTS = 250;
constexpr int SHOWN = 5;

/* What the values are drawn from: texts that read as the same number in
 * many ways (and texts that do not), numbers, and literals to compare with. */
const char *const TEXTS[] = {"'1'", "'01'", "' 1'", "'+1'", "'1.0'", "'1e0'", "'2'", "'02'",
                             "'5'", "'5.0'", "'x'",  "'abc'", "'0.5'", "NULL"};
const char *const INTEGERS[] = {"0", "1", "2", "5", "-1", "NULL"};
const char *const REALS[] = {"0.5", "1", "2.5", "5", "NULL"};
const char *const LITERALS[] = {"1",    "2",         "5",    "1.0",  "2.5",
                                "'1'",  "'01'",      "' 1'", "'5.0'", "'x'",
                                "NULL", "CAST('1' AS INTEGER)", "CAST('05' AS REAL)", "CAST(2.5 AS TEXT)"};

/* The tables as made by both sides: the SQL types and, for SQLite, the
 * types the engine declares their virtual tables with. */
const char *const DB3_TABLES[] = {
    "CREATE TABLE A (ID INT, BASENUMBER CHAR(6), K CHAR(6), N NUMERIC(6,1), X DOUBLE)",
    "CREATE TABLE B (ID INT, BASENUMBER DEC(6), R CHAR(6), M INT)"};
const char *const SQLITE_TABLES[] = {
    "CREATE TABLE A (ID INTEGER, BASENUMBER CHAR COLLATE RTRIM, K CHAR COLLATE RTRIM, N NUMERIC, X REAL)",
    "CREATE TABLE B (ID INTEGER, BASENUMBER INTEGER, R CHAR COLLATE RTRIM, M INTEGER)"};

/* Columns a condition tests: those that have indexes first. */
const char *const A_KEYED[] = {"A.BASENUMBER", "A.K"};
const char *const B_KEYED[] = {"B.BASENUMBER", "B.R", "B.M"};
const char *const A_OTHERS[] = {"A.N", "A.X"};

class Db3Differential : public Db3Test {
protected:
    std::mt19937 rng{78};
    sqlite3 *mirror = nullptr;
    db3_session *other = nullptr;
    int next_id = 1;
    int differences = 0;

    void TearDown() override
    {
        sqlite3_close(mirror);
        db3_session_close(other);
        Db3Test::TearDown();
    }

    template <size_t N> const char *pick(const char *const (&pool)[N]) { return pool[rng() % N]; }

    /* Reports a difference (the first few in full) and counts it. */
    void differ(const std::string &what, const std::string &a, const std::string &b)
    {
        if (++differences <= SHOWN) ADD_FAILURE() << what << "\n" << a << "--- against ---\n" << b;
    }

    /* The rows of a query through the engine on session on, one line
     * each, sorted; a number as "%.15g" whatever its kind; "~" for null. */
    std::string db3_rows(db3_session *on, const std::string &q)
    {
        db3_error e;
        db3_stmt *st = db3_prepare(on, q.c_str(), &e);
        if (!st) return "error: " + e.text + "\n";
        std::vector<std::string> lines;
        std::vector<db3_value> row;
        int got = 0;
        if (db3_cursor_open(st, nullptr, &e)) {
            const std::vector<db3_column> &cols = db3_stmt_columns(st);
            while ((got = db3_cursor_next(st, &row, &e)) == 1) {
                std::string line;
                for (size_t i = 0; i < row.size(); i++) {
                    const db3_value &v = row[i];
                    char b[64];
                    if (v.kind == DB3_VALUE_NULL) line += "~";
                    else if (v.kind == DB3_VALUE_TEXT && cols[i].type == DB3_TYPE_CHAR) line += v.s;
                    else {
                        double d = v.kind == DB3_VALUE_INT ? (double)v.i : v.kind == DB3_VALUE_REAL ? v.d : strtod(v.s.c_str(), nullptr);
                        snprintf(b, sizeof b, "%.15g", d);
                        line += b;
                    }
                    line += "|";
                }
                lines.push_back(line);
            }
        } else {
            got = -1;
        }
        db3_stmt_free(st);
        if (got < 0) return "error: " + e.text + "\n";
        std::sort(lines.begin(), lines.end());
        std::string out;
        for (const std::string &l : lines) out += l + "\n";
        return out;
    }

    /* The same through SQLite over the copy. */
    std::string sqlite_rows(const std::string &q)
    {
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(mirror, q.c_str(), -1, &st, nullptr) != SQLITE_OK)
            return std::string("error: ") + sqlite3_errmsg(mirror) + "\n";
        std::vector<std::string> lines;
        while (sqlite3_step(st) == SQLITE_ROW) {
            std::string line;
            for (int i = 0; i < sqlite3_column_count(st); i++) {
                int type = sqlite3_column_type(st, i);
                char b[64];
                if (type == SQLITE_NULL) line += "~";
                else if (type == SQLITE_TEXT) line += reinterpret_cast<const char *>(sqlite3_column_text(st, i));
                else {
                    snprintf(b, sizeof b, "%.15g", sqlite3_column_double(st, i));
                    line += b;
                }
                line += "|";
            }
            lines.push_back(line);
        }
        sqlite3_finalize(st);
        std::sort(lines.begin(), lines.end());
        std::string out;
        for (const std::string &l : lines) out += l + "\n";
        return out;
    }

    /* Runs a write on the engine's session on and on the copy: both must
     * touch as many rows. */
    void write(db3_session *on, const std::string &w)
    {
        db3_error e;
        long touched = -1;
        if (!db3_run(on, w.c_str(), nullptr, &touched, &e)) {
            differ("the engine refused " + w, e.text + "\n", "");
            return;
        }
        ASSERT_EQ(sqlite3_exec(mirror, w.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << w << ": " << sqlite3_errmsg(mirror);
        if (touched != sqlite3_changes(mirror))
            differ(w, std::to_string(touched) + " rows touched\n", std::to_string(sqlite3_changes(mirror)) + "\n");
    }

    /* Checks that the files hold what the copy holds, read by a session of
     * their own. */
    void check_files(const std::string &after)
    {
        db3_error e;
        db3_session *fresh = db3_session_open(dir.c_str(), &e);
        for (const char *t : {"A", "B"}) {
            std::string q = std::string("SELECT * FROM ") + t;
            std::string a = db3_rows(fresh, q), b = sqlite_rows(q);
            if (a != b) differ("table " + std::string(t) + " after " + after, a, b);
        }
        db3_session_close(fresh);
    }

    /* A condition on a column of A, or of B, that a plan may look up (in
     * braces) or must scan. */
    std::string condition(bool on_a)
    {
        std::string col = on_a ? (rng() % 4 ? pick(A_KEYED) : pick(A_OTHERS)) : pick(B_KEYED);
        switch (rng() % 4) {
        case 0: return "{" + col + " IN (" + pick(LITERALS) + ", " + pick(LITERALS) + ")}";
        case 1: return "{" + col + " IN (SELECT " + (on_a ? pick(B_KEYED) : pick(A_KEYED)) + " FROM " + (on_a ? "B" : "A") + ")}";
        case 2: return "{" + col + " > " + pick(LITERALS) + "} AND {" + col + " <= " + pick(LITERALS) + "}";
        default: return "{" + col + " = " + pick(LITERALS) + "}";
        }
    }

    /* A random query. */
    std::string query()
    {
        switch (rng() % 4) {
        case 0: return "SELECT * FROM A WHERE " + condition(true);
        case 1: return "SELECT * FROM B WHERE " + condition(false);
        case 2: return std::string("SELECT A.ID, B.ID FROM A, B WHERE {") + pick(A_KEYED) + " = " + pick(B_KEYED) + "}";
        default: return std::string("SELECT A.ID, B.ID, A.K FROM B, A WHERE {") + pick(B_KEYED) + " = " + pick(A_KEYED) + "}";
        }
    }

    /* An INSERT of a random row into A, or into B. */
    std::string insert(bool into_a)
    {
        std::string id = std::to_string(next_id++);
        if (into_a) return "INSERT INTO A VALUES (" + id + ", " + pick(TEXTS) + ", " + pick(TEXTS) + ", " + pick(REALS) + ", " + pick(REALS) + ")";
        return "INSERT INTO B VALUES (" + id + ", " + pick(INTEGERS) + ", " + pick(TEXTS) + ", " + pick(INTEGERS) + ")";
    }

    /* A random write (its conditions as a plan may look them up). */
    std::string change()
    {
        std::string w;
        switch (rng() % 5) {
        case 0: w = insert(true); break;
        case 1: w = insert(false); break;
        case 2: w = std::string("UPDATE A SET K = ") + pick(TEXTS) + ", BASENUMBER = " + pick(TEXTS) + " WHERE " + condition(true); break;
        case 3: w = std::string("UPDATE B SET R = ") + pick(TEXTS) + ", M = " + pick(INTEGERS) + " WHERE " + condition(false); break;
        default: w = "DELETE FROM " + std::string(rng() % 2 ? "A WHERE " + condition(true) : "B WHERE " + condition(false)); break;
        }
        w.erase(std::remove_if(w.begin(), w.end(), [](char c) { return c == '{' || c == '}'; }), w.end());
        return w;
    }

    /* Another program rewrites a field of one record in place and sets the
     * file's times back to what they were. */
    void foreign_write()
    {
        bool on_a = rng() % 2;
        std::string table = on_a ? "A" : "B", field = on_a ? "k" : "r", value = pick(TEXTS);
        int id = 1 + (int)(rng() % (unsigned)(next_id - 1));
        std::string py = value == "NULL" ? "None" : value;
        std::string body = "for r in t:\n    if r.id == " + std::to_string(id) + ":\n        dbf.write(r, " + field + "=" + py + ")\n";
        ASSERT_EQ(pv_dbf_write(dir + "/" + table + ".DBF", body, true), 0);
        std::string w = "UPDATE " + table + " SET " + field + " = " + value + " WHERE ID = " + std::to_string(id);
        ASSERT_EQ(sqlite3_exec(mirror, w.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        check_files("python3-dbf's " + w);
    }

    /* One round: the tables made and filled, then the statements. */
    void round(const char *name)
    {
        SCOPED_TRACE(name);
        db3_error ignored;
        for (const char *t : {"DROP TABLE A", "DROP TABLE B"}) db3_run(s, t, nullptr, nullptr, &ignored);
        sqlite3_close(mirror);
        ASSERT_EQ(sqlite3_open(":memory:", &mirror), SQLITE_OK);
        for (int i = 0; i < 2; i++) {
            run(DB3_TABLES[i]);
            ASSERT_EQ(sqlite3_exec(mirror, SQLITE_TABLES[i], nullptr, nullptr, nullptr), SQLITE_OK);
        }
        run("CREATE INDEX A_K ON A (K)");
        run("CREATE INDEX B_R ON B (R)");
        run("CREATE INDEX B_M ON B (M)");
        next_id = 1;
        for (int i = 0; i < 60; i++) write(s, insert(i % 3 != 0));
        check_files("the tables were filled");
        for (int n = 0; n < STATEMENTS; n++) {
            std::string q = query(), looked, scanned;
            for (char c : q) {
                if (c != '{' && c != '}') looked += c;
                scanned += c == '{' ? std::string("((") : c == '}' ? std::string(") = 1)") : std::string(1, c);
            }
            std::string a = db3_rows(s, looked), b = db3_rows(s, scanned), c = sqlite_rows(looked);
            if (a != b) differ("looked up against scanned: " + looked, a, b);
            if (a != c) differ("the engine against SQLite: " + looked, a, c);
            switch (rng() % 8) {
            case 0:
            case 1: write(s, change()); check_files("the session's write"); break;
            case 2: write(other, change()); check_files("another session's write"); break;
            default: break;
            }
            /* Another program's write, after another session's: a write
             * of the session's own vouches for the file while the counter
             * shows no other. */
            if (n % 60 == 59) {
                write(other, change());
                foreign_write();
            }
        }
    }
};

/* The rows of a query with every number as the engine hands it on: an
 * integer's digits, an exact number's text, a double's 17 digits. */
std::string exact_rows(db3_session *on, const std::string &q)
{
    db3_result r;
    db3_error e;
    if (!db3_run(on, q.c_str(), &r, nullptr, &e)) return "error: " + e.text;
    std::string out;
    for (const std::vector<db3_value> &row : r.rows) {
        for (const db3_value &v : row) {
            char b[64];
            if (v.kind == DB3_VALUE_NULL) out += "~";
            else if (v.kind == DB3_VALUE_TEXT) out += v.s;
            else if (v.kind == DB3_VALUE_INT) out += std::to_string(v.i);
            else snprintf(b, sizeof b, "%.17g", v.d), out += b;
            out += "|";
        }
        out += "\n";
    }
    return out;
}

/* Exact numbers of up to 20 digits keep every digit, as the server keeps
 * them, whichever way they come (number literals, texts) and are read
 * (straight from the records, through SQLite, a look-up, an order). */
TEST_F(Db3Differential, TwentyDigitNumbersKeepEveryDigit)
{
    run("CREATE TABLE E (ID INT, D DEC(20), N NUMERIC(20,6), S NUMERIC(8,2))");
    run("CREATE INDEX E_D ON E (D)");
    run("INSERT INTO E VALUES (1, 12345678901234567890, 1234567890123.123456, 1.25)");
    run("INSERT INTO E VALUES (2, 9000000000000000001, 9999999999999.999999, -0.05)");
    run("INSERT INTO E VALUES (3, -9223372036854775809, -987654321098.765015, 0.125)");
    run("INSERT INTO E VALUES (4, '99999999999999999999', '987654321098.765015', NULL)");
    run("INSERT INTO E VALUES (5, 9223372036854775807, 0.000001, 2.675)");
    const std::string all = "1|12345678901234567890|1234567890123.123456|1.25|\n"
                            "2|9000000000000000001|9999999999999.999999|-0.05|\n"
                            "3|-9223372036854775809|-987654321098.765015|0.13|\n"
                            "4|99999999999999999999|987654321098.765015|~|\n"
                            "5|9223372036854775807|0.000001|2.68|\n";
    EXPECT_EQ(exact_rows(s, "SELECT * FROM E"), all);
    EXPECT_EQ(exact_rows(s, "SELECT ID, D, N, S FROM E WHERE ID > 0"), all);
    EXPECT_EQ(exact_rows(s, "SELECT ID, D, N, S FROM E WHERE ID > 0 ORDER BY ID"), all);
    EXPECT_EQ(exact_rows(s, "SELECT * FROM E WHERE D = 9000000000000000001"), "2|9000000000000000001|9999999999999.999999|-0.05|\n");
    EXPECT_EQ(exact_rows(s, "SELECT N FROM E WHERE D = -9223372036854775809"), "-987654321098.765015|\n");
    EXPECT_EQ(exact_rows(s, "SELECT COUNT(*) FROM E WHERE N > 9999999999999"), "1|\n");
    run("UPDATE E SET N = -999999999999.999999 WHERE ID = 5");
    db3_error e;
    db3_session *fresh = db3_session_open(dir.c_str(), &e);
    ASSERT_NE(fresh, nullptr) << e.text;
    EXPECT_EQ(exact_rows(fresh, "SELECT N FROM E WHERE ID = 5"), "-999999999999.999999|\n");
    db3_session_close(fresh);
    /* A value past the field's characters (its width counts the sign) is
     * refused, not cut. */
    db3_result r;
    EXPECT_EQ(db3_run(s, "INSERT INTO E VALUES (6, NULL, 99999999999999.000001, NULL)", &r, nullptr, &e), 0);
    EXPECT_EQ(db3_run(s, "INSERT INTO E VALUES (6, NULL, -9999999999999.999999, NULL)", &r, nullptr, &e), 0);
}

/* A Windows-1252 text as UTF-8. */
std::string utf8_of_1252(const std::string &t)
{
    static const char16_t high[32] = {0x20AC, 0x81,   0x201A, 0x192,  0x201E, 0x2026, 0x2020, 0x2021,
                                      0x2C6,  0x2030, 0x160,  0x2039, 0x152,  0x8D,   0x17D,  0x8F,
                                      0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x2DC,  0x2122, 0x161,  0x203A, 0x153,  0x9D,   0x17E,  0x178};
    std::string out;
    for (unsigned char c : t) {
        unsigned u = c >= 0x80 && c < 0xA0 ? high[c - 0x80] : c;
        if (u < 0x80) {
            out += (char)u;
        } else if (u < 0x800) {
            out += (char)(0xC0 | u >> 6);
            out += (char)(0x80 | (u & 0x3F));
        } else {
            out += (char)(0xE0 | u >> 12);
            out += (char)(0x80 | (u >> 6 & 0x3F));
            out += (char)(0x80 | (u & 0x3F));
        }
    }
    return out;
}

/* Accented texts on the DB3 road: LIKE, LENGTH and SUBSTR count a
 * Windows-1252 byte as the letter it is, giving what SQLite gives over
 * the same texts in UTF-8 (and a server over its own), and UPPER and
 * LOWER change the case of every letter that has two. */
TEST_F(Db3Differential, AccentedTextsAreLettersInLikeLengthAndSubstr)
{
    const char *const names[] = {"Cr\xE8te", "Cr\xEAte", "Andr\xE9\x92s", "Caf\xE9\x99", "ni\xF1o",
                                 "Stra\xDF" "e", "\x8Cuvre", "plain", "a\\b", "50%"};
    ASSERT_EQ(sqlite3_open(":memory:", &mirror), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(mirror, "PRAGMA case_sensitive_like = ON; CREATE TABLE T (ID INTEGER, NAME CHAR COLLATE RTRIM)",
                           nullptr, nullptr, nullptr), SQLITE_OK);
    run("CREATE TABLE T (ID INT, NAME CHAR(12))");
    run("CREATE INDEX T_NAME ON T (NAME)");
    int id = 0;
    for (const char *n : names) {
        std::string w = "INSERT INTO T VALUES (" + std::to_string(++id) + ", '" + n + "')";
        run(w);
        ASSERT_EQ(sqlite3_exec(mirror, utf8_of_1252(w).c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
    }
    const char *const patterns[] = {"Cr\xE8te", "Cr_te", "%\xE9%", "%\x92%", "%\x99", "Stra_e", "%\xF1_",
                                    "\x8C%", "\x9C%", "Caf__", "Andr__s", "a\\b", "%!%%' ESCAPE '!"};
    for (const char *p : patterns) {
        for (const char *op : {" LIKE '", " NOT LIKE '"}) {
            std::string q = std::string("SELECT ID FROM T WHERE NAME") + op + p + "' ORDER BY ID";
            std::string a = utf8_of_1252(db3_rows(s, q)), b = sqlite_rows(utf8_of_1252(q));
            if (a != b) differ(utf8_of_1252(q), a, b);
        }
    }
    for (const char *q : {"SELECT ID, LENGTH(NAME), SUBSTR(NAME, 1, 4), SUBSTR(NAME, -2) FROM T",
                          "SELECT ID, SUBSTR(NAME, 4, 2), LENGTH(SUBSTR(NAME, 2)), TRIM(NAME, 'Cae\xE8') FROM T",
                          "SELECT ID FROM T WHERE LENGTH(NAME) = 5"}) {
        std::string a = utf8_of_1252(db3_rows(s, q)), b = sqlite_rows(utf8_of_1252(q));
        if (a != b) differ(utf8_of_1252(q), a, b);
    }
    EXPECT_EQ(utf8_of_1252(db3_rows(s, "SELECT UPPER(NAME), LOWER(NAME) FROM T WHERE ID IN (1, 3, 6, 7)")),
              utf8_of_1252("ANDR\xC9\x92S|andr\xE9\x92s|\nCR\xC8TE|cr\xE8te|\n"
                           "STRA\xDF" "E|stra\xDF" "e|\n\x8CUVRE|\x9Cuvre|\n"));
    EXPECT_EQ(differences, 0);
}

/* Times so coarse that every write falls in one tick (an hour) while the
 * object lives: another program's write then leaves the file's times as
 * the session's own write left them. */
struct CoarseTicks {
    CoarseTicks() { db3_set_file_tick(3600 * 1000000000LL); }
    ~CoarseTicks() { db3_set_file_tick(0); }
};

/* Another program rewrites a record in place in the same tick as the
 * session's own write (times set back, header untouched): a look-up of
 * the new value still finds it, and one of the old value no longer does. */
TEST_F(Db3Differential, LookUpFindsAnotherProgramsWriteInTheTickOfOurOwn)
{
    CoarseTicks coarse;
    run("CREATE TABLE A (ID INT, K CHAR(6))");
    run("CREATE INDEX A_K ON A (K)");
    for (const char *w : {"INSERT INTO A VALUES (1, 'a')", "INSERT INTO A VALUES (2, 'b')", "INSERT INTO A VALUES (3, 'c')"})
        run(w);
    EXPECT_EQ(db3_rows(s, "SELECT ID FROM A WHERE K = 'b'"), "2|\n");
    run("UPDATE A SET K = 'd' WHERE ID = 3");
    EXPECT_EQ(db3_rows(s, "SELECT ID FROM A WHERE K = 'd'"), "3|\n");
    ASSERT_EQ(pv_dbf_write(dir + "/A.DBF", "for r in t:\n    if r.id == 1:\n        dbf.write(r, k='z')\n", true), 0);
    EXPECT_EQ(db3_rows(s, "SELECT ID FROM A WHERE K = 'z'"), "1|\n");
    EXPECT_EQ(db3_rows(s, "SELECT ID FROM A WHERE K IN ('a', 'd')"), "3|\n");
    EXPECT_EQ(db3_rows(s, "SELECT ID FROM A WHERE K = 'z'"), "1|\n");
}

/* No difference, on fine times and on coarse ones. */
TEST_F(Db3Differential, LookUpsScansAndSqliteAgreeUnderWritesFromEverySide)
{
    other = db3_session_open(dir.c_str(), &err);
    ASSERT_NE(other, nullptr) << err.text;
    round("file times as they are");
    CoarseTicks coarse;
    round("file times in one tick");
    EXPECT_EQ(differences, 0);
}

} // namespace
