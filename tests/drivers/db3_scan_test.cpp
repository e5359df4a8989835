/*
 * Cursors of plain scans ("SELECT A, B FROM T"), which the DB3 engine reads
 * straight from the table's records: every row and value is the one the
 * same rows give when SQLite hands them on (a WHERE that keeps every row
 * sends a statement that way), a damaged field or file fails the same
 * way, and a statement reopened after its table changed reads it anew.
 */
#include "db3_fixture.h"
#include "db3_memo_table.h"
#include "dbf_writer.h"
#include "drivers/db3/db3_internal.h"

#include <cstring>
#include <unistd.h>

namespace {

/* The rows of a cursor read to its end and the condition that ended it
 * (native 0 at the last row). */
struct Read {
    bool opened = false;
    std::vector<std::vector<db3_value>> rows;
    db3_error end;
};

/* Opens a cursor on a prepared statement and reads it to its end. */
Read read_open(db3_stmt *st)
{
    Read r;
    r.opened = db3_cursor_open(st, nullptr, &r.end) == 1;
    std::vector<db3_value> row;
    while (r.opened && db3_cursor_next(st, &row, &r.end) == 1) r.rows.push_back(row);
    return r;
}

/* Prepares text, reads its cursor to its end and frees it. */
Read read_all(db3_session *s, const std::string &text)
{
    db3_error e;
    db3_stmt *st = db3_prepare(s, text.c_str(), &e);
    EXPECT_NE(st, nullptr) << text << ": " << e.text;
    if (!st) return Read();
    Read r = read_open(st);
    db3_stmt_free(st);
    return r;
}

/* Answers "" when two reads gave the same rows of the same values (kinds,
 * numbers to the bit, texts) and ended alike, else the first difference. */
std::string difference(const Read &a, const Read &b)
{
    if (a.opened != b.opened) return "one cursor did not open";
    if (a.end.native != b.end.native || a.end.text != b.end.text)
        return "ended with " + std::to_string(a.end.native) + " " + a.end.text + " against " +
               std::to_string(b.end.native) + " " + b.end.text;
    if (a.rows.size() != b.rows.size())
        return std::to_string(a.rows.size()) + " rows against " + std::to_string(b.rows.size());
    for (size_t r = 0; r < a.rows.size(); r++) {
        if (a.rows[r].size() != b.rows[r].size()) return "row " + std::to_string(r) + " has another width";
        for (size_t c = 0; c < a.rows[r].size(); c++) {
            const db3_value &x = a.rows[r][c], &y = b.rows[r][c];
            bool same = x.kind == y.kind;
            if (same && x.kind == DB3_VALUE_INT) same = x.i == y.i;
            if (same && x.kind == DB3_VALUE_REAL) same = memcmp(&x.d, &y.d, sizeof x.d) == 0;
            if (same && x.kind == DB3_VALUE_TEXT) same = x.s == y.s;
            if (!same) return "row " + std::to_string(r) + " column " + std::to_string(c) + " differs";
        }
    }
    return "";
}

/* Answers "" when query q gives the same rows with its braced conditions
 * written so that a plan may look them up as with each the value of an
 * expression, which no plan looks up (it then reads every record); else
 * the difference. */
std::string looked_against_scanned(db3_session *s, const std::string &q)
{
    std::string looked, scanned;
    for (char c : q) {
        if (c != '{' && c != '}') looked += c;
        scanned += c == '{' ? std::string("((") : c == '}' ? std::string(") = 1)") : std::string(1, c);
    }
    Read a = read_all(s, looked), b = read_all(s, scanned);
    if (!a.opened) return "the look-up did not open: " + a.end.text;
    return difference(a, b);
}

} // namespace

/* Every column type, nulls, deleted records, and field texts another
 * program may leave (a comma point, overflow marks, NULs, an exponent,
 * more digits than a plain read takes, a fraction in a whole-number
 * column): each plain scan, whatever its columns and their order, gives
 * what the same columns give through SQLite. */
TEST_F(Db3Test, PlainScansGiveTheValuesSqliteGives)
{
    run("CREATE TABLE T (C CHAR(12),W NUMERIC(20),I INT,S SMALLINT,N NUMERIC(9,3),D DOUBLE,R REAL,F FLOAT(20),"
        "E DEC(12,2),K DEC(6))");
    run("INSERT INTO T VALUES ('granite', 123456789012, -2147483648, 32767, -1234.5, 0.1, 2.5, 1e-7, 0.005, 7)");
    run("INSERT INTO T VALUES ('  lead''s', -1, 0, -32768, 0, -0.0, 1e30, 6378137, -99999999.99, -99999)");
    run("INSERT INTO T (C) VALUES ('gone')");
    run("INSERT INTO T (W, N) VALUES (5, 0.125)");
    run("INSERT INTO T (C, E) VALUES ('x', 12.5)");
    run("DELETE FROM T WHERE C = 'gone'");
    /* Texts written into record 3 as another program might. */
    const char *const odd[][2] = {
        {"1", "1234567890123456789"}, {"2", "  12.7"}, {"3", "-0"},       {"4", "3,25"}, {"5", "1e3"},
        {"6", "123456789012345678"},  {"7", "*****"},  {"8", "+0.100"}, {"9", " 1.005"},
    };
    for (const auto &o : odd) put_field("T", 3, atoi(o[0]), o[1]);
    put_field("T", 4, 0, std::string("\0a\0", 3));

    struct Pair {
        const char *plain;     /* a plain scan */
        const char *through;   /* the same rows handed on by SQLite */
    } pairs[] = {
        {"SELECT * FROM T", "SELECT * FROM T WHERE 1 = 1"},
        {"SELECT N, C, N, K FROM T", "SELECT N, C, N, K FROM T WHERE 1 = 1"},
        {"select e, c, w from t", "select e, c, w from t where 1 = 1"},
        {"SELECT \"F\", \"R\" FROM \"T\";", "SELECT \"F\", \"R\" FROM \"T\" WHERE 1 = 1"},
        {"SELECT NULL FROM T", "SELECT NULL FROM T WHERE 1 = 1"},
        {"SELECT ROWID, C FROM T", "SELECT ROWID, C FROM T WHERE 1 = 1"},
    };
    for (const Pair &p : pairs) {
        SCOPED_TRACE(p.plain);
        Read plain = read_all(s, p.plain);
        EXPECT_EQ(plain.rows.size(), 4u);
        EXPECT_EQ(difference(plain, read_all(s, p.through)), "");
    }
    /* A few values spelled out, so that both roads cannot go wrong alike. */
    EXPECT_EQ(rows("SELECT C, W, N, E, K FROM T"), "granite|123456789012|-1234.500|0.01|7\n"
                                                   "  lead's|-1|0.000|-99999999.99|-99999\n"
                                                   "~|1234567890123456789|3.250|0.10|1\n" +
                                                       std::string("\0a", 2) + "|~|~|12.50|~\n");
}

/* A number field that holds no number fails its row as it fails through
 * SQLite: the rows before it come, then the condition, and the cursor is
 * closed; a file shorter than its header says fails the first row. */
TEST_F(Db3Test, PlainScansFailOnDamagedRecordsAsSqliteDoes)
{
    run("CREATE TABLE T (C CHAR(4),W NUMERIC(6))");
    for (int i = 1; i <= 3; i++) run("INSERT INTO T VALUES ('r" + std::to_string(i) + "', " + std::to_string(i) + ")");
    put_field("T", 1, 1, "  1 2");
    db3_stmt *st = db3_prepare(s, "SELECT * FROM T", &err);
    ASSERT_NE(st, nullptr) << err.text;
    Read plain = read_open(st);
    EXPECT_EQ(plain.rows.size(), 1u);
    EXPECT_EQ(plain.end.native, DB3_ERR_DAMAGED);
    EXPECT_NE(plain.end.text.find("record 2: field W holds no number"), std::string::npos) << plain.end.text;
    EXPECT_EQ(difference(plain, read_all(s, "SELECT * FROM T WHERE 1 = 1")), "");
    std::vector<db3_value> row;
    EXPECT_EQ(db3_cursor_next(st, &row, &err), -1);
    EXPECT_EQ(err.native, DB3_ERR_STATE);

    put_field("T", 1, 1, "2");
    ASSERT_EQ(truncate((dir + "/T.DBF").c_str(), (off_t)std::filesystem::file_size(dir + "/T.DBF") - 8), 0);
    plain = read_open(st);
    EXPECT_TRUE(plain.opened);
    EXPECT_EQ(plain.rows.size(), 0u);
    EXPECT_EQ(plain.end.native, DB3_ERR_DAMAGED);
    EXPECT_EQ(difference(plain, read_all(s, "SELECT * FROM T WHERE 1 = 1")), "");
    db3_stmt_free(st);
}

/* Scans of every record over more than one window of records, the
 * records at the windows' edges deleted: a DELETE and an UPDATE through
 * such a scan change the records they should, and a WHERE, aggregates
 * (which keep values across windows) and a self-join then see every live
 * record once with its own values; a record damaged late in the table
 * fails the scan at that record, after the rows before it. */
TEST_F(Db3Test, ScansOverManyWindowsSeeEveryLiveRecordOnce)
{
    constexpr int N = 4096 * 2 + 17, DAMAGED = 8200;
    run("CREATE TABLE T (C CHAR(6),W NUMERIC(6))");
    auto c_of = [](int i) {
        char c[16];
        snprintf(c, sizeof c, "%s%05d", i % 2 ? "u" : "", i);
        return std::string(c);
    };
    for (int i = 0; i < N; i += 500) {
        std::string fill = "INSERT INTO T VALUES ";
        for (int j = i; j < std::min(N, i + 500); j++) fill += (j > i ? ",('" : "('") + c_of(j).substr(j % 2) + "'," + std::to_string(j) + ")";
        run(fill);
    }
    run("DELETE FROM T WHERE W % 1000 = 7 OR W IN (0, 4095, 4096, 8192)");
    run("UPDATE T SET C = 'u' || C WHERE W % 2 = 1");
    auto live = [](int i) { return i % 1000 != 7 && i != 0 && i != 4095 && i != 4096 && i != 8192; };
    std::string all, joined, low = "~", high;
    long count = 0, sum = 0, before_damaged = 0;
    for (int i = 0; i < N; i++) {
        if (!live(i)) continue;
        all += std::to_string(i) + "|" + c_of(i) + "\n";
        if (i >= 4090 && i <= 4100 && live(i + 4096)) joined += std::to_string(i) + "|" + c_of(i + 4096) + "\n";
        low = std::min(low, c_of(i));
        high = std::max(high, c_of(i));
        count++;
        sum += i;
        before_damaged += i < DAMAGED;
    }
    EXPECT_EQ(rows("SELECT W, C FROM T WHERE W >= 0"), all);
    EXPECT_EQ(rows("SELECT MIN(C), MAX(C), COUNT(*), SUM(W) FROM T WHERE W >= 0"),
              low + "|" + high + "|" + std::to_string(count) + "|" + std::to_string(sum) + "\n");
    EXPECT_EQ(rows("SELECT A.W, B.C FROM T A, T B WHERE A.W BETWEEN 4090 AND 4100 AND B.W = A.W + 4096"), joined);
    put_field("T", DAMAGED, 1, "x1");
    Read r = read_all(s, "SELECT W FROM T WHERE W >= 0");
    EXPECT_EQ((long)r.rows.size(), before_damaged);
    EXPECT_NE(r.end.text.find("record " + std::to_string(DAMAGED + 1) + ": field W holds no number"), std::string::npos)
        << r.end.text;
}

/* A DOUBLE column whose field another program narrowed on file (keeping
 * the engine's marks in its descriptor) is read and written in the
 * field's own width: each record gives its own number through both
 * roads, the last record's field is not read past the records, and an
 * UPDATE leaves the field after it as it was. */
TEST_F(Db3Test, ANarrowedApproximateFieldIsReadAndWrittenInItsOwnWidth)
{
    constexpr int NARROW = 6;   /* the field's width after the other program */
    run("CREATE TABLE T (D DOUBLE,C CHAR(4))");
    run("INSERT INTO T VALUES (1, 'a')");
    run("INSERT INTO T VALUES (2, 'b')");
    run("INSERT INTO T VALUES (3, 'c')");
    std::string path = dir + "/T.DBF";
    std::string file;
    {
        FILE *f = fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        char buf[4096];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, f)) > 0) file.append(buf, n);
        fclose(f);
    }
    const int header = (unsigned char)file[8] | (unsigned char)file[9] << 8;
    const int record = (unsigned char)file[10] | (unsigned char)file[11] << 8;
    const int wide = (unsigned char)file[32 + 16];   /* D's length in its descriptor */
    std::string narrowed = file.substr(0, (size_t)header);
    narrowed[10] = (char)(record - wide + NARROW);
    narrowed[32 + 16] = (char)NARROW;
    narrowed[32 + 17] = 0;                             /* and its decimals */
    for (int r = 0; r < 3; r++) {
        std::string rec = file.substr((size_t)(header + r * record), (size_t)record);
        narrowed += rec[0] + std::string(NARROW - 1, ' ') + std::to_string(r + 1) + rec.substr((size_t)(1 + wide));
    }
    narrowed += '\x1a';
    {
        FILE *f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fwrite(narrowed.data(), 1, narrowed.size(), f);
        fclose(f);
    }
    EXPECT_EQ(rows("SELECT D, C FROM T"), "1|a\n2|b\n3|c\n");
    EXPECT_EQ(rows("SELECT D, C FROM T WHERE 1 = 1"), "1|a\n2|b\n3|c\n");
    run("UPDATE T SET D = 2.5 WHERE C = 'b'");
    run("UPDATE T SET D = NULL WHERE C = 'c'");
    EXPECT_EQ(rows("SELECT * FROM T"), "1|a\n2.5|b\n~|c\n");
    EXPECT_EQ(std::filesystem::file_size(path), narrowed.size());
}

/* One prepared plain scan opened again and again: a cursor closed half
 * read starts over, rows added meanwhile come, and a table another
 * connection made anew with other columns is read with its new columns. */
TEST_F(Db3Test, PlainScanReopenedReadsTheTableAsItIsNow)
{
    run("CREATE TABLE T (C CHAR(4),W NUMERIC(6))");
    run("INSERT INTO T VALUES ('a', 1)");
    run("INSERT INTO T VALUES ('b', 2)");
    db3_stmt *st = db3_prepare(s, "SELECT * FROM T", &err);
    ASSERT_NE(st, nullptr) << err.text;
    std::vector<db3_value> row;
    ASSERT_EQ(db3_cursor_open(st, nullptr, &err), 1);
    ASSERT_EQ(db3_cursor_next(st, &row, &err), 1);
    db3_cursor_close(st);
    run("INSERT INTO T VALUES ('c', 3)");
    Read again = read_open(st);
    ASSERT_EQ(again.rows.size(), 3u);
    EXPECT_EQ(again.rows[0][0].s, "a");
    EXPECT_EQ(again.rows[2][1].i, 3);

    /* Another connection makes the table anew. */
    db3_session *other = db3_session_open(dir.c_str(), &err);
    ASSERT_NE(other, nullptr);
    for (const char *text : {"DROP TABLE T", "CREATE TABLE T (X DEC(5,1),Y CHAR(2),Z DOUBLE)",
                             "INSERT INTO T VALUES (4.5, 'yy', 0.25)"})
        EXPECT_EQ(db3_run(other, text, nullptr, nullptr, &err), 1) << text << ": " << err.text;
    db3_session_close(other);
    Read remade = read_open(st);
    ASSERT_EQ(remade.rows.size(), 1u);
    ASSERT_EQ(db3_stmt_columns(st).size(), 3u);
    EXPECT_EQ(remade.rows[0][0].s, "4.5");
    EXPECT_EQ(remade.rows[0][1].s, "yy");
    EXPECT_EQ(remade.rows[0][2].d, 0.25);
    EXPECT_EQ(difference(remade, read_all(s, "SELECT * FROM T WHERE 1 = 1")), "");
    db3_stmt_free(st);
}

/* Statements prepared before their table was made anew with other
 * columns by a statement of the same connection are described again when
 * opened: each column read in its new type, none in the type of the
 * column that stood at its place before. */
TEST_F(Db3Test, StatementsPreparedBeforeTheirTableWasRemadeReadItsNewColumns)
{
    run("CREATE TABLE T (C CHAR(4),W NUMERIC(6))");
    run("INSERT INTO T VALUES ('a', 1)");
    std::vector<db3_stmt *> sts;
    for (const char *text : {"SELECT * FROM T", "SELECT * FROM T WHERE 1 = 1"}) {
        sts.push_back(db3_prepare(s, text, &err));
        ASSERT_NE(sts.back(), nullptr) << err.text;
    }
    run("DROP TABLE T");
    run("CREATE TABLE T (X DEC(5,1),Y CHAR(2),Z DOUBLE)");
    run("INSERT INTO T VALUES (4.5, 'yy', 0.25)");
    for (db3_stmt *st : sts) {
        Read r = read_open(st);
        ASSERT_EQ(db3_stmt_columns(st).size(), 3u);
        EXPECT_EQ(db3_stmt_columns(st)[1].type, DB3_TYPE_CHAR);
        ASSERT_EQ(r.rows.size(), 1u);
        ASSERT_EQ(r.rows[0].size(), 3u);
        EXPECT_EQ(r.rows[0][0].s, "4.5");
        EXPECT_EQ(r.rows[0][1].s, "yy");
        EXPECT_EQ(r.rows[0][2].d, 0.25);
        db3_stmt_free(st);
    }
}

/* A table with a memo field: the memo column reads its text (through
 * SQLite), the others alone read straight, both as through SQLite. */
TEST_F(Db3Test, PlainScansOfATableWithMemosGiveWhatSqliteGives)
{
    ASSERT_TRUE(make_memo_table(dir, "M", 3, "banded ironstone"));
    run("DELETE FROM M WHERE ID = 2");
    for (const char *cols : {"*", "ID", "NOTE, ID"}) {
        std::string plain = std::string("SELECT ") + cols + " FROM M";
        SCOPED_TRACE(plain);
        Read r = read_all(s, plain);
        EXPECT_EQ(r.rows.size(), 2u);
        EXPECT_EQ(difference(r, read_all(s, plain + " WHERE 1 = 1")), "");
    }
    EXPECT_EQ(rows("SELECT NOTE, ID FROM M"), "banded ironstone|1\nbanded ironstone|3\n");
}

/* Look-ups of BASENUMBER and of a declared index's column give what the
 * same query gives when it must read every record (the column behind a
 * unary plus, which no plan looks up): equalities, IN lists, ranges,
 * texts read as numbers, trailing blanks, a join, a field that holds no
 * number; after each of the session's inserts, updates and deletes
 * (which the indexes follow without reading the table again), after another
 * program rewrote the table between two statements (values changed in
 * place, records deleted, the table restructured), and a look-up steps
 * onto the records it finds, not onto the whole table. */
TEST_F(Db3Test, LookUpsGiveWhatScansOfEveryRecordGive)
{
    run("CREATE TABLE T (BASENUMBER DEC(8),STN CHAR(10),DIP NUMERIC(5,1))");
    run("CREATE INDEX T_STN ON T (STN)");
    std::string fill = "INSERT INTO T (BASENUMBER,STN,DIP) VALUES ";
    for (int i = 0; i < 300; i++)
        fill += (i ? ",(" : "(") + std::to_string(i) + ",'S" + std::to_string(i % 40) + "'," + std::to_string(i % 7) + ".5)";
    run(fill);
    /* The braces hold the condition a plan may look up; the scan tests it
     * as the value of an expression, which no plan looks up. */
    const char *const queries[] = {
        "SELECT * FROM T WHERE {BASENUMBER = 17}",
        "SELECT * FROM T WHERE {BASENUMBER = '250'}",
        "SELECT * FROM T WHERE {BASENUMBER = 17.0}",
        "SELECT * FROM T WHERE {BASENUMBER IN (3, 299, 1003, 5000)}",
        "SELECT * FROM T WHERE {BASENUMBER BETWEEN 40 AND 45}",
        "SELECT * FROM T WHERE {BASENUMBER > 1290} OR {BASENUMBER < 2.5}",
        "SELECT * FROM T WHERE {BASENUMBER >= '297'}",
        "SELECT STN FROM T WHERE {STN = 'S7'}",
        "SELECT STN FROM T WHERE {STN = 'S7   '} AND DIP > 2",
        "SELECT STN FROM T WHERE {STN IN ('S1', 'S39', 'none')}",
        "SELECT A.BASENUMBER, B.DIP FROM T A, T B WHERE A.BASENUMBER < 30 AND {B.BASENUMBER = A.BASENUMBER * 2} "
        "ORDER BY 1",
    };
    auto check = [&](const char *stage) {
        for (const char *q : queries) EXPECT_EQ(looked_against_scanned(s, q), "") << stage << ": " << q;
    };
    check("as made");
    long before = s->visited;
    read_all(s, "SELECT * FROM T WHERE BASENUMBER = 17");
    EXPECT_LE(s->visited - before, 1) << "a look-up of one row steps onto more records";
    /* The indexes follow the session's writes, each looked up between:
     * old keys gone, new keys found, without reading the table again. */
    before = s->indexed;
    for (const char *write : {"UPDATE T SET BASENUMBER = BASENUMBER + 1000 WHERE BASENUMBER < 20",
                              "UPDATE T SET BASENUMBER = 1290, STN = 'S39' WHERE BASENUMBER = 250",
                              "DELETE FROM T WHERE BASENUMBER BETWEEN 40 AND 60",
                              "INSERT INTO T (BASENUMBER,STN,DIP) VALUES (17,'S7',9.5),(45,'S1',1.5)",
                              "UPDATE T SET STN = 'S39' WHERE STN = 'S7' AND BASENUMBER = 27",
                              "UPDATE T SET BASENUMBER = 3 WHERE BASENUMBER = 17 AND DIP = 9.5",
                              "DELETE FROM T WHERE STN = 'S1' AND BASENUMBER = 45"}) {
        run(write);
        check(write);
    }
    EXPECT_EQ(s->indexed, before) << "the session's writes made the indexes be built anew";
    put_field("T", 100, 0, "250");
    put_field("T", 101, 1, "S7");
    check("after another program changed fields in place");
    const char *rewrite = "for r in t:\n"
                          "    if r.basenumber in (17, 250, 297):\n"
                          "        dbf.delete(r)\n"
                          "    elif r.basenumber % 5 == 0:\n"
                          "        dbf.write(r, basenumber=r.basenumber + 3, stn='S1')\n"
                          "t.append((299, 'S7', 2.5))\n"
                          "if len(sys.argv) > 2:\n"
                          "    t.close()\n"
                          "    t.open(dbf.READ_WRITE)\n"
                          "    t.add_fields('NOTE C(6)')\n";
    ASSERT_EQ(pv_dbf_write(dir + "/T.DBF", rewrite), 0);
    check("after another program rewrote the table");
    ASSERT_EQ(pv_dbf_write(dir + "/T.DBF", rewrite, false, "restructure"), 0);
    check("after another program restructured the table");
    put_field("T", 5, 0, "x");
    check("with a field that holds no number");
}

/* A text key compared with a number finds what a scan finds: SQLite
 * compares a text column with a number column, a numeric CAST or an IN
 * subquery of numbers as numbers ('0001', ' 1', '+1', '1.0' all equal 1),
 * and with a literal as texts; a number key compared with texts likewise;
 * an UPDATE or DELETE through such a condition touches the same rows. */
TEST_F(Db3Test, TextKeysComparedWithNumbersFindWhatScansFind)
{
    for (std::string t : {"U", "V"}) {
        run("CREATE TABLE " + t + " (BASENUMBER CHAR(6),NAME CHAR(8),X DOUBLE)");
        run("CREATE INDEX " + t + "_NAME ON " + t + " (NAME)");
        run("INSERT INTO " + t + " VALUES ('0001','5',1),('1','05',2),(' 1','+5',3),('+1','5.0',4),('1.0','5e0',5),"
            "('1e0',' 5',6),('01x','5x',7),('2','abc',8),('abc','2',9),('0.5','-0',10)");
    }
    run("CREATE TABLE N (BASENUMBER NUMERIC(6),K INTEGER)");
    run("INSERT INTO N VALUES (1,5),(5,1),(2,0)");
    for (const char *q : {"SELECT * FROM U WHERE {BASENUMBER = 1}", "SELECT * FROM U WHERE {NAME = 5.0}",
                          "SELECT * FROM U WHERE {BASENUMBER = CAST('1' AS INTEGER)}",
                          "SELECT * FROM U WHERE {NAME = CAST(5 AS REAL)}", "SELECT * FROM U WHERE {NAME IN (5, '2', 0)}",
                          "SELECT U.X, N.K FROM N, U WHERE {U.BASENUMBER = N.BASENUMBER} ORDER BY 1, 2",
                          "SELECT U.X, N.K FROM N, U WHERE {U.NAME = N.K} ORDER BY 1, 2",
                          "SELECT * FROM U WHERE {NAME IN (SELECT K FROM N)}",
                          "SELECT * FROM U WHERE {BASENUMBER IN (SELECT BASENUMBER + 0.0 FROM N)}",
                          "SELECT * FROM N WHERE {BASENUMBER = ' 01'}", "SELECT * FROM N WHERE {BASENUMBER IN (SELECT NAME FROM U)}",
                          "SELECT U.X, N.K FROM U, N WHERE {N.BASENUMBER = U.BASENUMBER} ORDER BY 1, 2"})
        EXPECT_EQ(looked_against_scanned(s, q), "") << q;
    EXPECT_EQ(rows("SELECT COUNT(*) FROM N, U WHERE U.BASENUMBER = N.BASENUMBER"), "7\n");
    /* Each write runs looked up on U and as a scan on V, alike until then. */
    for (std::string w : {"UPDATE @ SET X = X + 100 WHERE {NAME IN (SELECT K FROM N)}",
                          "DELETE FROM @ WHERE {BASENUMBER IN (SELECT BASENUMBER FROM N)}",
                          "UPDATE @ SET X = 0 WHERE {NAME = CAST('5' AS INTEGER)}"}) {
        std::string on_u, on_v;
        for (char c : w) {
            if (c != '{' && c != '}') on_u += c == '@' ? std::string("U") : std::string(1, c);
            on_v += c == '@' ? std::string("V") : c == '{' ? std::string("((") : c == '}' ? std::string(") = 1)") : std::string(1, c);
        }
        long looked = -1, scanned = -2;
        run(on_u, &looked);
        run(on_v, &scanned);
        EXPECT_EQ(looked, scanned) << w;
        EXPECT_EQ(rows("SELECT * FROM U"), rows("SELECT * FROM V")) << w;
    }
}

/* On a file system whose clock ticks coarsely (every time of this test
 * falls in one tick, so a write leaves a file's times as they were), a
 * look-up still finds what the file holds: another session's rewrite of a
 * record in place shows in the change counter its write bumps, another
 * program's (python3-dbf, the file's times then set back) in the state
 * taken within the tick, which vouches for nothing; and so does the state
 * after the session's own write, which another program's write in the
 * same tick would leave as it is: the next statement builds its index
 * anew. */
TEST_F(Db3Test, LookUpsSeeRewritesInTheSameTickOfTheFileClock)
{
    struct Ticks {
        Ticks() { db3_set_file_tick(3600 * 1000000000LL); }
        ~Ticks() { db3_set_file_tick(0); }
    } coarse;
    run("CREATE TABLE T (BASENUMBER DEC(6),GRP CHAR(4))");
    run("CREATE INDEX T_GRP ON T (GRP)");
    std::string fill = "INSERT INTO T VALUES ";
    for (int i = 0; i < 100; i++) fill += (i ? ",(" : "(") + std::to_string(i) + ",'g" + std::to_string(i % 10) + "')";
    run(fill);
    auto check = [&](const char *stage) {
        for (const char *q : {"SELECT * FROM T WHERE {GRP = 'g1'}", "SELECT * FROM T WHERE {BASENUMBER IN (5, 6, 7)}"})
            EXPECT_EQ(looked_against_scanned(s, q), "") << stage << ": " << q;
    };
    check("as made");
    run("UPDATE T SET GRP = 'g2' WHERE GRP = 'g1' AND BASENUMBER < 50");
    long built = s->indexed;
    EXPECT_EQ(rows("SELECT COUNT(*) FROM T WHERE GRP = 'g2'"), "15\n");
    EXPECT_GT(s->indexed, built) << "the session's own write in a coarse tick kept its index";
    check("after the session's own write");
    db3_error e;
    db3_session *other = db3_session_open(dir.c_str(), &e);
    ASSERT_NE(other, nullptr) << e.text;
    long touched = 0;
    EXPECT_EQ(db3_run(other, "UPDATE T SET GRP = 'g1', BASENUMBER = 7 WHERE BASENUMBER = 8", nullptr, &touched, &e), 1) << e.text;
    EXPECT_EQ(touched, 1);
    db3_session_close(other);
    check("after another session's write");
    ASSERT_EQ(pv_dbf_write(dir + "/T.DBF", "for r in t:\n"
                                           "    if r.basenumber in (5, 19):\n"
                                           "        dbf.write(r, grp='g1', basenumber=6)\n",
                           true),
              0);
    check("after another program's write");
    run("UPDATE T SET BASENUMBER = BASENUMBER + 1000 WHERE GRP = 'g1'", &touched);
    EXPECT_EQ(touched, 8) << "an update through the index missed rows";
    run("DELETE FROM T WHERE GRP = 'g1'", &touched);
    EXPECT_EQ(touched, 8) << "a delete through the index missed rows";
}
