/*
 * The statements the application issues, run through the DB3 driver's
 * engine against real dBASE files, with the files read back by dbfread.
 */
#include "db3_fixture.h"
#include "standard_statements.h"

#include <fstream>
#include <iterator>
#include <map>
#include <cmath>
#include <cstdlib>
#include <cstring>

/* Every column type of CREATE TABLE becomes the field dbfread sees and
 * is described back with the SQL type, length, precision and scale. */
TEST_F(Db3Test, ColumnTypesMapToDocumentedFieldsAndDescribeBack)
{
    struct Case {
        const char *decl;     /* column type in CREATE TABLE */
        const char *field;    /* dbfread's TYPE:LENGTH:DECIMALS */
        int type, length, precision, scale;
    } cases[] = {
        {"CHAR(6)", "C:6:0", DB3_TYPE_CHAR, 6, 6, 0},
        {"CHAR", "C:1:0", DB3_TYPE_CHAR, 1, 1, 0},
        {"NUMERIC(8,2)", "N:8:2", DB3_TYPE_NUMERIC, 8, 8, 2},
        {"NUMERIC(10)", "N:10:0", DB3_TYPE_NUMERIC, 10, 10, 0},
        {"DEC(8)", "N:8:0", DB3_TYPE_DECIMAL, 8, 8, 0},
        {"DECIMAL(12,3)", "N:12:3", DB3_TYPE_DECIMAL, 12, 12, 3},
        {"INT", "N:11:0", DB3_TYPE_INTEGER, 11, 10, 0},
        {"INTEGER", "N:11:0", DB3_TYPE_INTEGER, 11, 10, 0},
        {"SMALLINT", "N:6:0", DB3_TYPE_SMALLINT, 6, 5, 0},
        /* decimals declared so that other readers keep the fractions */
        {"FLOAT(15)", "N:20:6", DB3_TYPE_FLOAT, 20, 15, 0},
        {"FLOAT", "N:20:6", DB3_TYPE_FLOAT, 20, 53, 0},
        {"REAL", "N:20:6", DB3_TYPE_REAL, 20, 24, 0},
        {"DOUBLE", "N:20:6", DB3_TYPE_DOUBLE, 20, 53, 0},
        {"DOUBLE PRECISION", "N:20:6", DB3_TYPE_DOUBLE, 20, 53, 0},
    };
    std::string sql = "CREATE TABLE TYPES (", want_fields;
    int i = 0;
    for (const Case &c : cases) {
        std::string col = "C" + std::to_string(i++);
        sql += (i > 1 ? "," : "") + col + " " + c.decl;
        want_fields += (i > 1 ? " " : "") + col + ":" + c.field;
    }
    run(sql + ")");
    EXPECT_EQ(dbfread("TYPES", true), want_fields + "\n");

    db3_stmt *st = db3_prepare(s, "SELECT * FROM TYPES", &err);
    ASSERT_NE(st, nullptr) << err.text;
    EXPECT_EQ(db3_stmt_function(st), DB3_FUNC_CURSOR);
    const auto &cols = db3_stmt_columns(st);
    ASSERT_EQ(cols.size(), sizeof cases / sizeof cases[0]);
    for (size_t k = 0; k < cols.size(); k++) {
        SCOPED_TRACE(cases[k].decl);
        EXPECT_EQ(cols[k].type, cases[k].type);
        EXPECT_EQ(cols[k].length, cases[k].length);
        EXPECT_EQ(cols[k].precision, cases[k].precision);
        EXPECT_EQ(cols[k].scale, cases[k].scale);
        EXPECT_EQ(cols[k].table, "TYPES");
    }
    db3_stmt_free(st);
}

/* Values are written as dBASE text that dbfread reads back unchanged:
 * exact numbers with their decimals, approximate ones in full (in plain
 * decimals where they fit the field, else with an exponent), blanks for
 * NULL and for empty texts. */
TEST_F(Db3Test, ValuesRoundTripThroughTheFiles)
{
    run("CREATE TABLE V (A CHAR(6),B DOUBLE,C NUMERIC(8,2),D INT,E REAL)");
    run("INSERT INTO V (A,B,C,D,E) VALUES ('x''y', 0.1, 12.5, -7, 2.5)");
    run("INSERT INTO V (A,B,C,D,E) VALUES ('', 1e-15, -3, NULL, NULL)");
    run("INSERT INTO V VALUES ('  lead', 6378137, '42.10', '12', 1.0e30)");
    run("INSERT INTO V (B, E) VALUES (0.1 + 0.2, 0.1)");
    run("INSERT INTO V (B, E) VALUES (1.5e-5, 1e19)");
    EXPECT_EQ(dbfread("V"),
              "\"x'y\"|0.1|12.5|-7|2.5\n"
              "''|1e-15|-3.0|None|None\n"
              "'  lead'|6378137|42.1|12|1e+30\n"
              "''|0.30000000000000004|None|None|0.1\n"
              "''|1.5e-05|None|None|10000000000000000000\n");
    EXPECT_EQ(rows("SELECT * FROM V"),
              "x'y|0.1|12.50|-7|2.5\n"
              "~|1e-15|-3.00|~|~\n"
              "  lead|6378137|42.10|12|1e+30\n"
              "~|0.3|~|~|0.1\n"
              "~|1.5e-05|~|~|1e+19\n");
    std::ifstream in(dir + "/V.DBF", std::ios::binary);
    std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const char *text : {" 0.000000000000001", "            0.000015", "10000000000000000000", "1E+30"})
        EXPECT_NE(file.find(text), std::string::npos) << text;
}

/* A column named with a word SQLite keeps for itself but the dialect
 * does not reserve (an upgraded project keeps LIMIT) is read, written and
 * sorted by as a name. */
TEST_F(Db3Test, NamesSqliteTakesForKeywordsServeAsColumnNames)
{
    run("CREATE TABLE K (LIMIT INT, OFFSET INT, INDEX CHAR(4))");
    run("INSERT INTO K (LIMIT, OFFSET, INDEX) VALUES (1, 2, 'a')");
    run("UPDATE K SET LIMIT = 3 WHERE INDEX = 'a'");
    EXPECT_EQ(rows("SELECT LIMIT, OFFSET, K.INDEX FROM K WHERE LIMIT = 3 ORDER BY LIMIT"), "3|2|a\n");
    EXPECT_EQ(dbfread("K"), "3|2|'a'\n");
}

/* The memo side table of a table, its index of the same name and the
 * memo lines: CREATE, INSERT, SELECT WHERE, DELETE as the application
 * issues them; the copy made for the export runs INSERT ... SELECT. */
TEST_F(Db3Test, MemoSideTableWithIndexOfItsOwnName)
{
    run("CREATE TABLE ROCKMEM (BASENUMBER DEC(8), ORDNUMBER DEC(8), MEMOTEXT CHAR(70))");
    run("CREATE INDEX ROCKMEM ON ROCKMEM (BASENUMBER, ORDNUMBER)");
    EXPECT_TRUE(exists("ROCKMEM.INI"));
    run("INSERT INTO ROCKMEM (BASENUMBER,ORDNUMBER,MEMOTEXT) VALUES (70000,1,'Rock is ')");
    run("INSERT INTO ROCKMEM (BASENUMBER,ORDNUMBER,MEMOTEXT) VALUES (70000,2,'grey')");
    run("INSERT INTO ROCKMEM (BASENUMBER,ORDNUMBER,MEMOTEXT) VALUES (5,1,'other')");
    EXPECT_EQ(rows("SELECT * FROM ROCKMEM WHERE BASENUMBER = 70000"), "70000|1|Rock is\n70000|2|grey\n");

    run("CREATE TABLE ROCKMMO(MSLINK DEC(10), ORDNUMBER DEC(8), MEMOTEXT CHAR(70))");
    run("CREATE INDEX ROCKMMI ON ROCKMMO(MSLINK, ORDNUMBER)");
    long n = 0;
    run("INSERT INTO ROCKMMO SELECT * FROM ROCKMEM", &n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(dbfread("ROCKMMO"), "70000|1|'Rock is'\n70000|2|'grey'\n5|1|'other'\n");

    run("DELETE FROM ROCKMEM WHERE BASENUMBER=70000", &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(dbfread("ROCKMEM"), "5|1|'other'\n");
    EXPECT_EQ(dbfread("ROCKMEM", false, true), "70000|1|'Rock is'\n70000|2|'grey'\n");

    run("DROP INDEX ROCKMEM");
    EXPECT_FALSE(exists("ROCKMEM.INI"));
    run("DROP TABLE ROCKMEM CASCADE");
    EXPECT_FALSE(exists("ROCKMEM.DBF"));
}

/* The standard indexes of a registered table: created plain, found by
 * DROP INDEX with and without ON, uniqueness only where asked for. */
TEST_F(Db3Test, StandardIndexesAreKeptAndDropped)
{
    run("CREATE TABLE SAMPL (BASENUMBER DEC(8),STN CHAR(10),SEC DEC(4),SMP DEC(4))");
    run("CREATE INDEX SAMPLUNQ ON SAMPL (BASENUMBER)");
    run("CREATE INDEX SAMPLPRI ON SAMPL (STN,SEC,SMP)");
    run("INSERT INTO SAMPL (BASENUMBER,STN,SEC,SMP) VALUES (1,'S1',1,1)");
    run("INSERT INTO SAMPL (BASENUMBER,STN,SEC,SMP) VALUES (1,'S1',1,1)");  /* plain: duplicates allowed */
    EXPECT_EQ(fail("CREATE INDEX SAMPLPRI ON SAMPL (STN)"), DB3_ERR_INDEX_EXISTS);
    EXPECT_EQ(fail("CREATE UNIQUE INDEX SAMPLU2 ON SAMPL (BASENUMBER)"), DB3_ERR_DUPLICATE);
    EXPECT_STREQ(err.sqlstate, "23000");
    run("DROP INDEX SAMPLPRI");
    EXPECT_EQ(fail("DROP INDEX SAMPLPRI"), DB3_ERR_NO_INDEX);
    EXPECT_EQ(fail("DROP INDEX SAMPLUNQ ON OTHER"), DB3_ERR_NO_INDEX);
    run("DROP INDEX SAMPLUNQ ON SAMPL");
    EXPECT_FALSE(exists("SAMPL.INI"));
}

/* A unique index refuses a duplicate key on INSERT and UPDATE (23000)
 * and leaves the table as it was; nulls take part in no key. */
TEST_F(Db3Test, UniqueIndexIsEnforcedOnInsertAndUpdate)
{
    run("CREATE TABLE LITH (BASENUMBER DEC(8) ,LONGNAME CHAR(32) ,SHORTNAME CHAR(32) ,DEFINITION CHAR(70))");
    run("CREATE UNIQUE INDEX LITH1 ON LITH (BASENUMBER)");
    run("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('LITH','',0,'')");
    run("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('granite','gr',1,'coarse')");
    run("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('basalt','ba',2,'fine')");
    EXPECT_EQ(fail("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('x','x',1,'x')"),
              DB3_ERR_DUPLICATE);
    EXPECT_EQ(fail("UPDATE LITH SET BASENUMBER = 2 WHERE BASENUMBER = 1"), DB3_ERR_DUPLICATE);
    /* The statement fails whole: no row of it is written. */
    EXPECT_EQ(fail("UPDATE LITH SET BASENUMBER = 9"), DB3_ERR_DUPLICATE);
    EXPECT_EQ(dbfread("LITH"), "0|'LITH'|''|''\n1|'granite'|'gr'|'coarse'\n2|'basalt'|'ba'|'fine'\n");
    run("UPDATE LITH SET BASENUMBER = 1, SHORTNAME = 'G' WHERE BASENUMBER = 1");
    run("DELETE FROM LITH WHERE BASENUMBER = 2");
    run("INSERT INTO LITH (LONGNAME,BASENUMBER) VALUES ('basalt',2)");
    run("INSERT INTO LITH (LONGNAME) VALUES ('a')");
    run("INSERT INTO LITH (LONGNAME) VALUES ('b')");
    EXPECT_EQ(rows("SELECT MAX(BASENUMBER) FROM LITH"), "2\n");
}

/* Rows come in physical record order without ORDER BY: a new row goes
 * after the others, deleted records are skipped, updated ones stay. */
TEST_F(Db3Test, RowsComeInRecordOrder)
{
    run("CREATE TABLE T (N INT, A CHAR(4))");
    for (int i = 5; i >= 1; i--) run("INSERT INTO T (N, A) VALUES (" + std::to_string(i) + ", 'r')");
    run("DELETE FROM T WHERE N = 3");
    run("UPDATE T SET A = 'u' WHERE N = 4");
    run("INSERT INTO T (N, A) VALUES (9, 'n')");
    EXPECT_EQ(rows("SELECT N, A FROM T"), "5|r\n4|u\n2|r\n1|r\n9|n\n");
    EXPECT_EQ(rows("SELECT N FROM T ORDER BY 1"), "1\n2\n4\n5\n9\n");
}

/* The query builder's texts: qualified names, comma joins, DISTINCT,
 * brackets, NOT ( = ), IS [NOT] NULL, LIKE, ORDER BY ordinals. */
TEST_F(Db3Test, QueryBuilderTexts)
{
    for (const char *q : k_standard_tables) run(q);
    for (const standard_query &c : k_standard_queries) EXPECT_EQ(rows(c.sql), c.want) << c.sql;
}

/* The dictionary and profile statements, with the profile's column
 * WINDOW, joined and ordered by an ordinal. */
TEST_F(Db3Test, DictionaryAndProfileJoin)
{
    run("CREATE TABLE LITH (BASENUMBER DEC(8) ,LONGNAME CHAR(32) ,SHORTNAME CHAR(32) ,DEFINITION CHAR(70))");
    run("CREATE INDEX LITH1 ON LITH (BASENUMBER)");
    run("CREATE INDEX LITH2 ON LITH (LONGNAME)");
    run("CREATE TABLE PLITH (SORTNUMBER DEC(8) ,BASENUMBER DEC(8) ,PARENTNUM DEC(8),WINDOW DEC(8))");
    run("CREATE INDEX PLITH1 ON PLITH (BASENUMBER)");
    run("CREATE INDEX PLITH2 ON PLITH (SORTNUMBER)");
    run("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('LITH','',0,'')");
    run("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('granite','gr',1,'it''s coarse')");
    run("INSERT INTO LITH (LONGNAME,SHORTNAME,BASENUMBER,DEFINITION) VALUES ('pink granite','pg',2,'')");
    run("INSERT INTO PLITH (SORTNUMBER,BASENUMBER,PARENTNUM,WINDOW) VALUES (0,0,60077,153)");
    run("INSERT INTO PLITH (SORTNUMBER,BASENUMBER,PARENTNUM,WINDOW) VALUES (2,2,1,0)");
    run("INSERT INTO PLITH (SORTNUMBER,BASENUMBER,PARENTNUM,WINDOW) VALUES (1,1,0,0)");
    EXPECT_EQ(rows("SELECT LITH.BASENUMBER,LITH.LONGNAME,LITH.SHORTNAME,LITH.DEFINITION,PLITH.PARENTNUM,PLITH.WINDOW,"
                   "PLITH.SORTNUMBER FROM LITH,PLITH WHERE LITH.BASENUMBER = PLITH.BASENUMBER ORDER BY 7"),
              "0|LITH|~|~|60077|153|0\n1|granite|gr|it's coarse|0|0|1\n2|pink granite|pg|~|1|0|2\n");
    EXPECT_EQ(rows("SELECT * FROM LITH WHERE LONGNAME = 'granite'"), "1|granite|gr|it's coarse\n");
}

/* "POINT" and other double-quoted names are names, never strings. */
TEST_F(Db3Test, DoubleQuotedIdentifiers)
{
    run("CREATE TABLE PNT (BASENUMBER DEC(8), \"POINT\" CHAR(20))");
    run("INSERT INTO PNT (BASENUMBER, \"POINT\") VALUES (1, '10.5,20.25')");
    EXPECT_EQ(rows("SELECT \"POINT\" FROM PNT"), "10.5,20.25\n");
    EXPECT_EQ(rows("SELECT \"PNT\".\"POINT\" FROM \"PNT\""), "10.5,20.25\n");
    EXPECT_EQ(fail("SELECT \"NOPOINT\" FROM PNT"), DB3_ERR_NO_COLUMN);
}

/* Wrong statements get the syntax code 14215 (42000). */
TEST_F(Db3Test, SyntaxErrorsHaveTheSyntaxCode)
{
    run("CREATE TABLE T (A CHAR(4))");
    const char *texts[] = {
        "SELEC * FROM T",
        "SELECT * FROM",
        "SELECT * FROM T WHERE",
        "INSERT INTO T VALUES (1",
        "SELECT 'abc FROM T",
        "CREATE TABLE U (A CHR(5))",
        "CREATE TABLE U (A CHAR(5)",
        "CREATE INDEX I ON T",
        "DROP VIEW V",
        "PRAGMA table_info(T)",
        "ATTACH DATABASE 'x' AS y",
        "SELECT * FROM T; DROP TABLE T",
        "",
    };
    for (const char *t : texts) {
        EXPECT_EQ(fail(t), DB3_ERR_SYNTAX) << t << " -> " << err.text;
        EXPECT_STREQ(err.sqlstate, "42000") << t;
    }
    EXPECT_TRUE(exists("T.DBF"));
}

/* Every other failure has its own stable code and SQLSTATE class. */
TEST_F(Db3Test, FailuresHaveStableCodesAndStates)
{
    run("CREATE TABLE T (A CHAR(4), S SMALLINT, N NUMERIC(5,2), I INT)");
    struct Case {
        const char *sql;
        int native;
        const char *state;
    } cases[] = {
        {"SELECT * FROM NOSUCH", DB3_ERR_NO_TABLE, "42S02"},
        {"INSERT INTO NOSUCH (A) VALUES ('x')", DB3_ERR_NO_TABLE, "42S02"},
        {"SELECT Q FROM T", DB3_ERR_NO_COLUMN, "42S22"},
        {"CREATE TABLE T (A CHAR(4))", DB3_ERR_TABLE_EXISTS, "42S01"},
        {"DROP TABLE NOSUCH", DB3_ERR_NO_TABLE, "42S02"},
        {"CREATE INDEX X ON NOSUCH (A)", DB3_ERR_NO_TABLE, "42S02"},
        {"CREATE INDEX X ON T (B)", DB3_ERR_NO_COLUMN, "42S22"},
        {"DROP INDEX NOSUCH", DB3_ERR_NO_INDEX, "42S12"},
        {"INSERT INTO T (S) VALUES ('abc')", DB3_ERR_TYPE, "22018"},
        {"INSERT INTO T (S) VALUES (40000)", DB3_ERR_RANGE, "22003"},
        {"INSERT INTO T (I) VALUES (3000000000)", DB3_ERR_RANGE, "22003"},
        {"INSERT INTO T (N) VALUES (12345.5)", DB3_ERR_RANGE, "22003"},
        {"INSERT INTO T (A) VALUES ('abcde')", DB3_ERR_TOO_LONG, "22001"},
        {"INSERT INTO T (A, S) VALUES ('a')", DB3_ERR_COUNT, "21S01"},
        {"ALTER TABLE T ADD B CHAR(12)", DB3_ERR_NOT_SUPPORTED, "0A000"},
        {"ALTER TABLE T DROP A CASCADE", DB3_ERR_NOT_SUPPORTED, "0A000"},
        {"CREATE TABLE U (A CHAR(300))", DB3_ERR_DEFINITION, "42000"},
        {"CREATE TABLE U (A NUMERIC(25,2))", DB3_ERR_DEFINITION, "42000"},
        {"CREATE TABLE U (A NUMERIC(5,4))", DB3_ERR_DEFINITION, "42000"},
        {"CREATE TABLE U (ELEVENCHARS CHAR(2))", DB3_ERR_DEFINITION, "42000"},
        {"CREATE TABLE U (A CHAR(2), A INT)", DB3_ERR_COLUMN_EXISTS, "42S21"},
        /* A quoted name never reaches outside the directory. */
        {"CREATE INDEX X ON \"../T\" (A)", DB3_ERR_DEFINITION, "42000"},
        {"DROP TABLE \"../T\"", DB3_ERR_DEFINITION, "42000"},
        {"CREATE TABLE \"../U\" (A CHAR(2))", DB3_ERR_DEFINITION, "42000"},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(fail(c.sql), c.native) << c.sql << " -> " << err.text;
        EXPECT_STREQ(err.sqlstate, c.state) << c.sql;
        EXPECT_FALSE(err.text.empty());
    }
    EXPECT_EQ(dbfread("T"), "");
    EXPECT_FALSE(exists("U.DBF"));
}

/* A statement is described without being run; parameters are bound. */
TEST_F(Db3Test, PrepareDescribesWithoutRunning)
{
    run("CREATE TABLE T (A CHAR(4), N NUMERIC(6,2))");
    run("INSERT INTO T (A, N) VALUES ('kept', 1)");
    db3_stmt *st = db3_prepare(s, "DELETE FROM T", &err);
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(db3_stmt_function(st), DB3_FUNC_DELETE);
    db3_stmt_free(st);
    st = db3_prepare(s, "DROP TABLE T", &err);
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(db3_stmt_function(st), DB3_FUNC_DROP_TABLE);
    db3_stmt_free(st);
    EXPECT_EQ(dbfread("T"), "'kept'|1.0\n");
    st = db3_prepare(s, "INSERT INTO T (A, N) VALUES (?, ?)", &err);
    ASSERT_NE(st, nullptr);
    EXPECT_EQ(db3_stmt_function(st), DB3_FUNC_INSERT);
    EXPECT_EQ(db3_stmt_param_count(st), 2);
    std::vector<db3_value> p(2);
    p[0].kind = DB3_VALUE_TEXT;
    p[0].s = "ab";
    p[1].kind = DB3_VALUE_REAL;
    p[1].d = 1.25;
    long n = 0;
    EXPECT_EQ(db3_execute(st, &p, &n, &err), 1) << err.text;
    EXPECT_EQ(n, 1);
    db3_stmt_free(st);
    st = db3_prepare(s, "SELECT A, MAX(N), COUNT(*) FROM T", &err);
    ASSERT_NE(st, nullptr);
    const auto &c = db3_stmt_columns(st);
    ASSERT_EQ(c.size(), 3u);
    EXPECT_EQ(c[1].type, DB3_TYPE_NUMERIC);
    EXPECT_EQ(c[1].scale, 2);
    EXPECT_EQ(c[2].type, DB3_TYPE_INTEGER);
    EXPECT_EQ(db3_execute(st, nullptr, &n, &err), 0);
    EXPECT_EQ(err.native, DB3_ERR_STATE);
    db3_stmt_free(st);
    EXPECT_EQ(dbfread("T"), "'kept'|1.0\n'ab'|1.25\n");
}

/* The number texts a field may hold, written straight into the file, read
 * as the full parser reads them: an exact column without decimals as the
 * nearest integer, others as the nearest double; an exact column with
 * decimals shows them as "%.*f" shows that double (ties and near-ties of
 * binary fractions included), but a number text longer than a double
 * holds exactly shows its own digits; overflow marks read as null. */
TEST_F(Db3Test, NumberTextsOfFieldsReadAsTheFullParserReadsThem)
{
    static const char *const texts[] = {
        "42",    "  -7",  "+15",    "3,25",  "12.0",   "-0",    "-0.001", "0.1",   "1.125",  "0.125",
        "2.675", "1.005", "-2.675", "1e3",   "99.995", "123456789012345678", "1234567890123456789",
        "9007199254740993",  "0.30000000000000004", "4503599627370497.5",
    };
    run("CREATE TABLE N (W NUMERIC(20),D DOUBLE,S NUMERIC(20,2))");
    run("INSERT INTO N (W,D,S) VALUES (1,1,1)");
    std::string path = dir + "/N.DBF";
    for (const char *text : texts) {
        /* Each field of the one record gets the text, right-aligned. */
        FILE *f = fopen(path.c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        unsigned char head[32];
        ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
        long at = (head[8] | head[9] << 8) + 1;
        for (int field = 0; field < 3; field++) {
            unsigned char desc[32];
            fseek(f, 32 + 32 * field, SEEK_SET);
            ASSERT_EQ(fread(desc, 1, sizeof desc, f), sizeof desc);
            int width = desc[16];
            std::string bytes = std::string((size_t)width - strlen(text), ' ') + text;
            fseek(f, at, SEEK_SET);
            fwrite(bytes.data(), 1, bytes.size(), f);
            at += width;
        }
        fclose(f);
        /* The reference: the C library's long double parser. */
        std::string plain = text;
        for (char &c : plain)
            if (c == ',') c = '.';
        long double v = strtold(plain.c_str(), nullptr);
        char whole[64], real[64], scaled[64];
        snprintf(whole, sizeof whole, "%lld", v == truncl(v) ? (long long)v : std::llround((double)v));
        snprintf(real, sizeof real, "%.15g", (double)v);
        snprintf(scaled, sizeof scaled, "%.2f", (double)v);
        std::string s = scaled;
        if (s == "-0.00") s = "0.00";
        static const std::map<std::string, std::string> wide = {{"123456789012345678", "123456789012345678.00"},
                                                                {"1234567890123456789", "1234567890123456789.00"},
                                                                {"9007199254740993", "9007199254740993.00"},
                                                                {"4503599627370497.5", "4503599627370497.50"}};
        if (wide.count(text)) s = wide.at(text);
        EXPECT_EQ(rows("SELECT * FROM N"), std::string(whole) + "|" + real + "|" + s + "\n") << text;
    }
}

/* A field of overflow marks reads as null in every number column. */
TEST_F(Db3Test, OverflowMarksReadAsNull)
{
    run("CREATE TABLE N (W NUMERIC(6),S NUMERIC(6,2))");
    run("INSERT INTO N (W,S) VALUES (1,1)");
    FILE *f = fopen((dir + "/N.DBF").c_str(), "r+b");
    ASSERT_NE(f, nullptr);
    unsigned char head[32];
    ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
    fseek(f, (head[8] | head[9] << 8) + 1, SEEK_SET);
    fwrite("******  ****", 1, 12, f);
    fclose(f);
    EXPECT_EQ(rows("SELECT * FROM N"), "~|~\n");
}

/* Blanks and NULs around a field's value are cut however many there are
 * and wherever the value sits in the field (the blank test runs eight
 * bytes at a time): a text keeps what leads it and loses what trails it,
 * a number reads the same at every place, and a field of nothing else is
 * null. */
TEST_F(Db3Test, BlanksAndNulsAroundAFieldValueAreCutWhereverItSits)
{
    run("CREATE TABLE B (C CHAR(20),W NUMERIC(20),D DOUBLE,S NUMERIC(20,2))");
    run("INSERT INTO B (C) VALUES ('x')");
    struct Case {
        const char *value;   /* the value's bytes, put at every place of every field */
        const char *text;    /* as the CHAR column reads it, after what led it */
        const char *numbers; /* as the number columns read it */
    } cases[] = {
        {"7", "7", "7|7|7.00"},
        {"-7.25", "-7.25", "-7|-7.25|-7.25"},
        {"+12345678,5", "+12345678,5", "12345679|12345678.5|12345678.50"},
        {"0.125", "0.125", "0|0.125|0.12"},
        {"123456789012345678", "123456789012345678", "123456789012345678|1.23456789012346e+17|123456789012345678.00"},
    };
    for (const Case &c : cases) {
        std::string value = c.value;
        for (size_t at = 0; at + value.size() <= 20; at++) {
            for (char first : {' ', '\0'}) {
                /* Blanks and NULs by turns before the value, and after it. */
                std::string lead, bytes;
                for (size_t k = 0; k < at; k++) lead += (k % 2 == 0) == (first == ' ') ? ' ' : '\0';
                bytes = lead + value;
                for (size_t k = bytes.size(); k < 20; k++) bytes += (k % 2 == 0) == (first == ' ') ? '\0' : ' ';
                SCOPED_TRACE(std::string(c.value) + " at " + std::to_string(at));
                for (int field = 0; field < 4; field++) put_field("B", 0, field, bytes);
                db3_result r = run("SELECT C FROM B");
                ASSERT_EQ(r.rows.size(), 1u);
                EXPECT_EQ(r.rows[0][0].s, lead + value);
                EXPECT_EQ(rows("SELECT W,D,S FROM B"), std::string(c.numbers) + "\n");
            }
        }
    }
    /* Nothing but blanks and NULs, in any order: null everywhere. */
    for (const std::string &bytes : {std::string(20, ' '), std::string(20, '\0'), std::string("  \0 \0\0   \0  \0 \0\0  \0 ", 20)}) {
        for (int field = 0; field < 4; field++) put_field("B", 0, field, bytes);
        EXPECT_EQ(rows("SELECT * FROM B"), "~|~|~|~\n");
    }
    /* A byte that only looks blank in its low bits is kept as text. */
    put_field("B", 0, 0, "ab\xA0\x80 ");
    EXPECT_EQ(run("SELECT C FROM B").rows[0][0].s, "ab\xA0\x80");
}

/* A number field with anything but blanks after its number, or a second
 * point, or no digit, is damaged, wherever the fault sits; past eighteen
 * digits the number is still read whole. */
TEST_F(Db3Test, NumberFieldsWithStrayBytesAreDamagedWhereverTheyAre)
{
    run("CREATE TABLE B (W NUMERIC(20),S NUMERIC(20,2))");
    run("INSERT INTO B (W,S) VALUES (1,1)");
    static const char *const damaged[] = {
        "1 2", "12      x", "-", ".", "+.", "1.2.3", "1,2.3", "--1", "1-", "12\xA0", "1e", "1.5        .",
    };
    for (const char *text : damaged) {
        for (size_t at : {0, 5, 8, 11}) {
            std::string bytes = std::string(at, ' ') + text;
            if (bytes.size() > 20) continue;
            SCOPED_TRACE(bytes);
            for (int field = 0; field < 2; field++) {
                put_field("B", 0, 0, field == 0 ? bytes : "1");
                put_field("B", 0, 1, field == 1 ? bytes : "1");
                db3_result r;
                db3_error e;
                EXPECT_EQ(db3_run(s, "SELECT * FROM B", &r, nullptr, &e), 0);
                EXPECT_EQ(e.native, DB3_ERR_DAMAGED);
            }
        }
    }
    put_field("B", 0, 0, "1234567890123456789");
    put_field("B", 0, 1, "-12345678901234567.5");
    EXPECT_EQ(rows("SELECT * FROM B"), "1234567890123456789|-12345678901234567.50\n");
}
