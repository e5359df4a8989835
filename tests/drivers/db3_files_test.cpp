/*
 * The DB3 driver and its files: damaged tables, tables rebuilt or renamed
 * between statements, names in another case, memo fields of tables made
 * by other programs, and two connections writing one table at once.
 */
#include "db3_fixture.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dbf/dbf.h"

/* Writes bytes into a file of the catalog directory. */
static void put_file(const std::string &path, const std::string &bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), (std::streamsize)bytes.size());
}

static std::string get_file(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

/* A damaged .DBF fails the statements on that table with a clear
 * condition; the session and the other tables go on working. */
TEST_F(Db3Test, DamagedTableFailsOnlyItsStatements)
{
    run("CREATE TABLE GOOD (A CHAR(4), N NUMERIC(6,1))");
    run("INSERT INTO GOOD (A, N) VALUES ('ok', 1.5)");
    std::string good = get_file(dir + "/GOOD.DBF");

    struct Case {
        const char *what;
        std::string bytes;
        bool appendable;     /* a new row may still be added */
    } cases[] = {
        {"not a table", "this is not a dBASE file at all, just text", false},
        {"header cut short", good.substr(0, 20), false},
        {"descriptors cut", good.substr(0, 40), false},
        {"records missing", good.substr(0, good.size() - 8), false},
        {"number field holds letters", good.substr(0, good.size() - 7) + "  x1.5\x1a", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        put_file(dir + "/BAD.DBF", c.bytes);
        EXPECT_EQ(fail("SELECT * FROM BAD"), DB3_ERR_DAMAGED) << err.text;
        EXPECT_STREQ(err.sqlstate, "HY000");
        EXPECT_NE(err.text.find("BAD"), std::string::npos) << err.text;
        if (!c.appendable) {
            EXPECT_EQ(fail("INSERT INTO BAD (A) VALUES ('x')"), DB3_ERR_DAMAGED);
            EXPECT_EQ(get_file(dir + "/BAD.DBF"), c.bytes) << "a refused INSERT wrote to the file";
        }
        EXPECT_EQ(rows("SELECT A, N FROM GOOD"), "ok|1.5\n");
    }
    put_file(dir + "/BAD.DBF", cases[0].bytes);
    EXPECT_EQ(fail("SELECT * FROM BAD"), DB3_ERR_DAMAGED);
    std::filesystem::remove(dir + "/BAD.DBF");
    EXPECT_EQ(fail("SELECT * FROM BAD"), DB3_ERR_NO_TABLE) << "a table removed is no longer damaged: " << err.text;
}

/* A damaged index side file stops writes with a clear condition instead
 * of letting a unique index go unchecked. */
TEST_F(Db3Test, DamagedIndexFileStopsWrites)
{
    run("CREATE TABLE T (N INT)");
    run("CREATE UNIQUE INDEX TU ON T (N)");
    put_file(dir + "/T.INI", "[TU]\nthis line is no entry\n");
    EXPECT_EQ(fail("INSERT INTO T (N) VALUES (1)"), DB3_ERR_DAMAGED);
    EXPECT_EQ(dbfread("T"), "");
}

/* A table rebuilt under its name between statements (set aside as
 * TEMPRARY, created anew with other columns, filled back) is seen as it
 * is now, and so is a file swapped for another of the same layout. */
TEST_F(Db3Test, TablesRebuiltBetweenStatementsAreSeenFresh)
{
    run("CREATE TABLE T (A CHAR(4))");
    run("INSERT INTO T (A) VALUES ('one')");
    EXPECT_EQ(rows("SELECT * FROM T"), "one\n");
    ASSERT_EQ(rename((dir + "/T.DBF").c_str(), (dir + "/TEMPRARY.DBF").c_str()), 0);
    EXPECT_EQ(fail("SELECT * FROM T"), DB3_ERR_NO_TABLE);
    run("CREATE TABLE T (A CHAR(4), B INT)");
    run("INSERT INTO T SELECT A, 7 FROM TEMPRARY");
    run("DROP TABLE TEMPRARY");
    EXPECT_EQ(rows("SELECT * FROM T"), "one|7\n");

    run("CREATE TABLE U (A CHAR(4), B INT)");
    run("INSERT INTO U (A, B) VALUES ('two', 2)");
    EXPECT_EQ(rows("SELECT * FROM T"), "one|7\n");
    ASSERT_EQ(rename((dir + "/U.DBF").c_str(), (dir + "/T.DBF").c_str()), 0);
    EXPECT_EQ(rows("SELECT * FROM T"), "two|2\n");
}

/* Table files are found without regard to case. */
TEST_F(Db3Test, TableFilesAreFoundWithoutRegardToCase)
{
    run("CREATE TABLE ROCK (A CHAR(4))");
    run("INSERT INTO ROCK (A) VALUES ('r')");
    ASSERT_EQ(rename((dir + "/ROCK.DBF").c_str(), (dir + "/rock.dbf").c_str()), 0);
    EXPECT_EQ(rows("SELECT * FROM Rock"), "r\n");
    run("INSERT INTO rock (A) VALUES ('s')");
    run("CREATE INDEX ROCKUNQ ON rock (A)");
    run("DROP TABLE ROCK");
    EXPECT_FALSE(exists("rock.dbf"));
    EXPECT_FALSE(exists("ROCK.INI"));
}

/* A statement that fails on one row writes none of its rows. */
TEST_F(Db3Test, FailedStatementLeavesTheTableUnchanged)
{
    run("CREATE TABLE SRC (A CHAR(10))");
    run("CREATE TABLE DST (A CHAR(4))");
    run("INSERT INTO SRC (A) VALUES ('ab')");
    run("INSERT INTO SRC (A) VALUES ('cd')");
    run("INSERT INTO SRC (A) VALUES ('too long')");
    std::string before = get_file(dir + "/DST.DBF");
    EXPECT_EQ(fail("INSERT INTO DST SELECT A FROM SRC"), DB3_ERR_TOO_LONG);
    EXPECT_EQ(get_file(dir + "/DST.DBF"), before);
    EXPECT_EQ(fail("UPDATE SRC SET A = A || 'xxxxx'"), DB3_ERR_TOO_LONG);
    EXPECT_EQ(dbfread("SRC"), "'ab'\n'cd'\n'too long'\n");
}

/* Memo fields of a table made by another program read as their text;
 * rows can be changed around them; the application's whole-row UPDATE and
 * INSERT texts write them: the same text keeps its blocks, new text is
 * appended to the .DBT and read back by dbfread. */
TEST_F(Db3Test, MemoFieldsOfOtherTablesReadAsText)
{
    dbf_handle *h = dbf_new();
    ASSERT_NE(h, nullptr);
    dbf_field *f = static_cast<dbf_field *>(calloc(2, sizeof(dbf_field)));
    strcpy(f[0].name, "ID");
    f[0].type = 'N';
    f[0].length = 4;
    strcpy(f[1].name, "NOTES");
    f[1].type = 'M';
    f[1].length = 10;
    snprintf(h->path, sizeof h->path, "%s/OLD", dir.c_str());
    h->mode = DBF_MODE_UPDATE;
    h->header.version = DBF_VERSION_MEMO;
    h->fields = f;
    h->field_count = 2;
    h->memo_state = 1;
    ASSERT_EQ(dbf_create(h), DBF_OK);
    memcpy(dbf_field_at(h, 0), "   1", 4);
    ASSERT_EQ(dbt_set_memo_text(h, 1, "schist with garnet", 18), DBF_OK);
    ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
    ASSERT_EQ(dbf_close(h), DBF_OK);
    dbf_free(h);

    EXPECT_EQ(rows("SELECT ID, NOTES FROM OLD"), "1|schist with garnet\n");
    run("UPDATE OLD SET ID = 2");
    EXPECT_EQ(rows("SELECT ID, NOTES FROM OLD"), "2|schist with garnet\n");
    run("INSERT INTO OLD (ID) VALUES (3)");
    EXPECT_EQ(rows("SELECT ID, NOTES FROM OLD"), "2|schist with garnet\n3|~\n");

    auto memo_size = [&] { return std::filesystem::file_size(dir + "/OLD.DBT"); };
    auto before = memo_size();
    run("UPDATE OLD SET ID = 2, NOTES = 'schist with garnet' WHERE ID = 2");
    EXPECT_EQ(memo_size(), before) << "an unchanged memo keeps its blocks";
    run("UPDATE OLD SET NOTES = 'new text' WHERE ID = 2");
    run("INSERT INTO OLD (ID, NOTES) VALUES (4, 'gneiss')");
    run("INSERT INTO OLD (ID, NOTES) VALUES (5, '')");
    EXPECT_EQ(rows("SELECT ID, NOTES FROM OLD"), "2|new text\n3|~\n4|gneiss\n5|~\n");
    EXPECT_EQ(dbfread("OLD"), "2|'new text'\n3|None\n4|'gneiss'\n5|None\n");
    EXPECT_EQ(fail("INSERT INTO OLD (ID, NOTES) VALUES (6, 'a' || char(26))"), DB3_ERR_TYPE);
    run("UPDATE OLD SET NOTES = NULL WHERE ID = 4");
    EXPECT_EQ(rows("SELECT ID, NOTES FROM OLD WHERE ID = 4"), "4|~\n");

    /* A memo longer than an engine value comes back cut to 256 characters
     * when the application rewrites the whole row: it stays whole. */
    std::string longer;
    for (int i = 0; i < 40; i++) longer += "layer " + std::to_string(100 + i) + " ";
    longer += "end";
    run("UPDATE OLD SET NOTES = '" + longer + "' WHERE ID = 2");
    run("UPDATE OLD SET ID = 2, NOTES = '" + longer.substr(0, 256) + "' WHERE ID = 2");
    EXPECT_EQ(rows("SELECT NOTES FROM OLD WHERE ID = 2"), longer + "\n");
    run("UPDATE OLD SET NOTES = '" + longer.substr(0, 195) + "' WHERE ID = 2");
    EXPECT_EQ(rows("SELECT NOTES FROM OLD WHERE ID = 2"), longer.substr(0, 195) + "\n");

    /* A memo pointer past the end of the memo file is damage, named, not a
     * row without a memo; the other columns still read. */
    std::string bytes = get_file(dir + "/OLD.DBF");
    size_t first = bytes.size() - 1 - 4 * 15 + 1 + 4;   /* NOTES of the first of the 4 records of 15 bytes */
    bytes.replace(first, 10, "     99999");
    put_file(dir + "/OLD.DBF", bytes);
    EXPECT_EQ(fail("SELECT ID, NOTES FROM OLD"), DB3_ERR_DAMAGED) << err.text;
    EXPECT_NE(err.text.find("NOTES lies past the end"), std::string::npos) << err.text;
    EXPECT_EQ(rows("SELECT ID FROM OLD"), "2\n3\n4\n5\n");
}

/* Date and logical fields of a table another program made take only what
 * dBASE readers read: a date YYYYMMDD that exists, a logical letter, or a
 * blank; anything else is refused and the table stays readable. */
TEST_F(Db3Test, DateAndLogicalFieldsTakeOnlyWhatDbaseReadersRead)
{
    dbf_handle *h = dbf_new();
    ASSERT_NE(h, nullptr);
    dbf_field *f = static_cast<dbf_field *>(calloc(3, sizeof(dbf_field)));
    const struct { const char *name; char type; int length; } fields[] = {{"ID", 'N', 4}, {"SEEN", 'D', 8}, {"OK", 'L', 1}};
    for (int i = 0; i < 3; i++) {
        strcpy(f[i].name, fields[i].name);
        f[i].type = fields[i].type;
        f[i].length = (unsigned char)fields[i].length;
    }
    snprintf(h->path, sizeof h->path, "%s/VISIT", dir.c_str());
    h->mode = DBF_MODE_UPDATE;
    h->header.version = DBF_VERSION_PLAIN;
    h->fields = f;
    h->field_count = 3;
    ASSERT_EQ(dbf_create(h), DBF_OK);
    ASSERT_EQ(dbf_close(h), DBF_OK);
    dbf_free(h);

    run("INSERT INTO VISIT VALUES (1, '20240229', 'y')");
    run("INSERT INTO VISIT VALUES (2, '', '?')");
    for (const char *bad : {"'15/07/20'", "'2024-07-'", "'20241345'", "'20230229'", "'2024071'", "'20240700'"})
        EXPECT_EQ(fail(std::string("INSERT INTO VISIT VALUES (3, ") + bad + ", 'N')"), DB3_ERR_TYPE) << bad;
    for (const char *bad : {"'1'", "'x'"})
        EXPECT_EQ(fail(std::string("UPDATE VISIT SET OK = ") + bad), DB3_ERR_TYPE) << bad;
    EXPECT_EQ(dbfread("VISIT"), "1|datetime.date(2024, 2, 29)|True\n2|None|None\n");
}

/* Two connections in two processes insert into one table at once: every
 * row arrives, the header counts them all, dbfread reads a sound file. */
TEST_F(Db3Test, TwoConnectionsWritingOneTableDoNotCorruptIt)
{
    constexpr int ROWS = 150;
    run("CREATE TABLE SHARED (N INT, WHO CHAR(8), X DOUBLE)");
    run("CREATE UNIQUE INDEX SHAREDU ON SHARED (N)");
    pid_t kids[2];
    for (int k = 0; k < 2; k++) {
        kids[k] = fork();
        ASSERT_GE(kids[k], 0);
        if (kids[k] == 0) {
            db3_error e;
            db3_session *mine = db3_session_open(dir.c_str(), &e);
            int bad = mine ? 0 : 1;
            for (int i = 0; i < ROWS && !bad; i++) {
                std::string sql = "INSERT INTO SHARED (N, WHO, X) VALUES (" + std::to_string(k * 1000 + i) + ", 'conn"
                                + std::to_string(k) + "', " + std::to_string(i) + ".25)";
                if (!db3_run(mine, sql.c_str(), nullptr, nullptr, &e)) bad = 1;
                if (i % 10 == 0 && !db3_run(mine, "SELECT COUNT(*) FROM SHARED", nullptr, nullptr, &e)) bad = 1;
            }
            db3_session_close(mine);
            _exit(bad);
        }
    }
    for (pid_t kid : kids) {
        int status = 0;
        waitpid(kid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(rows("SELECT COUNT(*), COUNT(DISTINCT N) FROM SHARED"), "300|300\n");
    EXPECT_EQ(rows("SELECT WHO, COUNT(*), SUM(X) FROM SHARED GROUP BY WHO ORDER BY 1"),
              "conn0|150|11212.5\nconn1|150|11212.5\n");
    std::string read = dbfread("SHARED");
    EXPECT_EQ(std::count(read.begin(), read.end(), '\n'), 2 * ROWS) << read.substr(0, 400);
}

/* Every byte of a table's header, descriptors and first records, set to
 * a few hostile values in turn: each statement either runs or fails with
 * a condition, and the driver lives on. */
TEST_F(Db3Test, DamageSweepNeverCrashes)
{
    run("CREATE TABLE T (A CHAR(5), N NUMERIC(6,2), I SMALLINT)");
    run("CREATE UNIQUE INDEX TI ON T (I)");
    for (int i = 0; i < 4; i++)
        run("INSERT INTO T (A, N, I) VALUES ('r" + std::to_string(i) + "', " + std::to_string(i) + ".5, " + std::to_string(i) + ")");
    std::string good = get_file(dir + "/T.DBF");
    const unsigned char hostile[] = {0x00, 0xFF, 0x80, '*', '9'};
    const char *statements[] = {
        "SELECT * FROM T ORDER BY 3",
        "UPDATE T SET N = 1 WHERE I = 1",
        "INSERT INTO T (A, N, I) VALUES ('new', 1, 9)",
        "DELETE FROM T WHERE I = 2",
        "SELECT MAX(N), COUNT(*) FROM T",
    };
    int failures = 0;
    for (size_t at = 0; at < good.size(); at++) {
        for (unsigned char b : hostile) {
            std::string bad = good;
            bad[at] = (char)b;
            put_file(dir + "/T.DBF", bad);
            for (const char *q : statements) {
                db3_error e;
                db3_result r;
                if (!db3_run(s, q, &r, nullptr, &e)) {
                    failures++;
                    EXPECT_NE(e.native, 0) << q;
                    EXPECT_FALSE(e.text.empty()) << q;
                }
            }
        }
    }
    EXPECT_GT(failures, 0);
    put_file(dir + "/T.DBF", good);
    EXPECT_EQ(rows("SELECT A FROM T"), "r0\nr1\nr2\nr3\n");
}

/* A write waits for the lock another connection holds on the table: the
 * other side finishes its work (here: leaves a marker) before the
 * statement goes on. */
TEST_F(Db3Test, WriteWaitsForAnotherConnectionsLock)
{
    run("CREATE TABLE T (N INT)");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t kid = fork();
    ASSERT_GE(kid, 0);
    if (kid == 0) {
        int fd = open((dir + "/T.DBF").c_str(), O_RDONLY);
        int ok = fd >= 0 && flock(fd, LOCK_EX) == 0;
        char c = ok ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        usleep(300 * 1000);
        put_file(dir + "/MARKER", "done");
        _exit(ok ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    run("INSERT INTO T (N) VALUES (1)");
    EXPECT_TRUE(exists("MARKER"));
    int status = 0;
    waitpid(kid, &status, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(rows("SELECT N FROM T"), "1\n");
}

/* A table another session refills (its guard file beside it names that
 * session's driver) takes no write of this one, which its put-back would
 * discard: each is refused, saying whether the writer is still at work.
 * A guard whose writer is gone, or is no driver (the parent here), keeps
 * no one out beside no refill mark; one that is no file is refused, never
 * waited on; the command shown is one of the system's. */
TEST_F(Db3Test, ATableAnotherSessionRefillsIsWrittenByThatSessionAlone)
{
    run("CREATE TABLE ARCS (NAME CHAR(8))");
    pid_t gone = fork();
    ASSERT_GE(gone, 0);
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    /* Another driver: a process of this program. */
    pid_t driver = fork();
    ASSERT_GE(driver, 0);
    if (driver == 0) {
        pause();
        _exit(0);
    }
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    auto guard = [&](long pid, const std::string &on, const char *command = "Fill ARCS") {
        return std::to_string(pid) + " " + on + "\n" + command + "\n";
    };
    const std::string at_work = "Table ARCS is being written by Fill ARCS in another session.";
    const std::string cut_short = "Filling table ARCS by Fill ARCS was cut short in another session; log on to the "
                                  "project again to put it back.";
    const struct {
        std::string guard;   /* ARCS.RFG, none when empty; a FIFO for "fifo" */
        bool marked;         /* ARCS.MRF beside it */
        std::string refused; /* what a write is told; empty when it goes in */
    } cases[] = {
        {"", false, ""},
        {guard(getpid(), host), false, ""},
        {guard(driver, host), false, at_work},
        {guard(driver, host, "Run rm -rf ~ to fix"), false, "being written by a refill in another session."},
        {guard(getppid(), host), false, ""},
        {guard(gone, host), false, ""},
        {guard(gone, host), true, cut_short},
        {guard(getppid(), host), true, cut_short},
        {guard(getpid(), std::string(host) + "-elsewhere"), false, at_work},
        {"fifo", false, "ARCS.RFG cannot be read: it is not a regular file"},
    };
    for (const auto &c : cases) {
        std::filesystem::remove(dir + "/ARCS.RFG");
        std::filesystem::remove(dir + "/ARCS.MRF");
        run("DELETE FROM ARCS");
        run("INSERT INTO ARCS (NAME) VALUES ('a')");
        if (c.guard == "fifo")
            EXPECT_EQ(mkfifo((dir + "/ARCS.RFG").c_str(), 0600), 0);
        else if (!c.guard.empty())
            put_file(dir + "/ARCS.RFG", c.guard);
        if (c.marked) put_file(dir + "/ARCS.MRF", "ARCS\n1\n");
        const std::string before = rows("SELECT NAME FROM ARCS ORDER BY NAME");
        for (const char *write : {"INSERT INTO ARCS (NAME) VALUES ('b')", "UPDATE ARCS SET NAME = 'c' WHERE NAME = 'a'",
                                  "DELETE FROM ARCS"}) {
            if (c.refused.empty()) {
                run(write);
                continue;
            }
            EXPECT_EQ(fail(write), DB3_ERR_LOCKED) << write << " beside " << c.guard;
            EXPECT_NE(std::string(err.text).find(c.refused), std::string::npos) << err.text;
        }
        if (!c.refused.empty()) {
            EXPECT_EQ(rows("SELECT NAME FROM ARCS ORDER BY NAME"), before) << c.guard;
        }
    }
    kill(driver, SIGKILL);
    waitpid(driver, nullptr, 0);
    std::filesystem::remove(dir + "/ARCS.RFG");
    std::filesystem::remove(dir + "/ARCS.MRF");
}

/* Makes table T of count rows (N = 1, 2, ...) through session s, then
 * puts letters into the number field of its record n (from 1). */
static void make_table_damaged_at(db3_session *s, const std::string &dir, int count, int n)
{
    std::string q = "INSERT INTO T (N) VALUES ";
    for (int i = 1; i <= count; i++) q += (i > 1 ? ",(" : "(") + std::to_string(i) + ")";
    db3_error e;
    ASSERT_TRUE(db3_run(s, "CREATE TABLE T (N NUMERIC(6))", nullptr, nullptr, &e)) << e.text;
    ASSERT_TRUE(db3_run(s, q.c_str(), nullptr, nullptr, &e)) << e.text;
    std::string bytes = get_file(dir + "/T.DBF");
    size_t header = (unsigned char)bytes[8] | (unsigned char)bytes[9] << 8;
    size_t record = (unsigned char)bytes[10] | (unsigned char)bytes[11] << 8;
    bytes.replace(header + (size_t)(n - 1) * record + 1, 6, "  x1.5");
    put_file(dir + "/T.DBF", bytes);
}

/* A cursor read row by row: while it is open the session runs nothing
 * else (the tables' records it reads stay whole); read to its end or
 * closed half-read, it frees the session and its table, which another
 * connection may then write. */
TEST_F(Db3Test, CursorReadRowByRowHoldsItsSessionAndTableOnlyWhileOpen)
{
    run("CREATE TABLE T (N NUMERIC(6), A CHAR(4))");
    run("INSERT INTO T (N, A) VALUES (1, 'a'), (2, 'b'), (3, NULL)");
    db3_stmt *st = db3_prepare(s, "SELECT N, A FROM T", &err);
    ASSERT_NE(st, nullptr) << err.text;
    std::vector<db3_value> row;
    ASSERT_EQ(db3_cursor_open(st, nullptr, &err), 1) << err.text;
    ASSERT_EQ(db3_cursor_next(st, &row, &err), 1);
    EXPECT_EQ(fail("SELECT N FROM T"), DB3_ERR_STATE);
    EXPECT_EQ(fail("INSERT INTO T (N) VALUES (4)"), DB3_ERR_STATE);
    EXPECT_EQ(db3_cursor_open(st, nullptr, &err), 0);
    db3_cursor_close(st);

    db3_session *other = db3_session_open(dir.c_str(), &err);
    ASSERT_NE(other, nullptr);
    ASSERT_EQ(db3_cursor_open(st, nullptr, &err), 1) << err.text;
    ASSERT_EQ(db3_cursor_next(st, &row, &err), 1);
    db3_cursor_close(st);
    EXPECT_EQ(db3_run(other, "UPDATE T SET N = N + 10", nullptr, nullptr, &err), 1) << err.text;

    std::string seen;
    ASSERT_EQ(db3_cursor_open(st, nullptr, &err), 1) << err.text;
    int got;
    while ((got = db3_cursor_next(st, &row, &err)) == 1)
        seen += std::to_string(row[0].i) + (row[1].kind == DB3_VALUE_NULL ? "~" : row[1].s) + " ";
    EXPECT_EQ(got, 0);
    EXPECT_EQ(seen, "11a 12b 13~ ");
    EXPECT_EQ(db3_run(other, "DELETE FROM T WHERE N = 13", nullptr, nullptr, &err), 1) << err.text;
    EXPECT_EQ(rows("SELECT N FROM T"), "11\n12\n");
    EXPECT_EQ(db3_cursor_next(st, &row, &err), -1) << "a cursor read to its end is closed";
    db3_session_close(other);
    db3_stmt_free(st);
}

/* A record that cannot be read in the middle of a scan: the rows before
 * it come, then the failure, and the cursor is closed with the session
 * free again. */
TEST_F(Db3Test, CursorFailingInTheMiddleGivesTheRowsBeforeAndFreesTheSession)
{
    make_table_damaged_at(s, dir, 10, 7);
    db3_stmt *st = db3_prepare(s, "SELECT N FROM T", &err);
    ASSERT_NE(st, nullptr) << err.text;
    ASSERT_EQ(db3_cursor_open(st, nullptr, &err), 1) << err.text;
    std::vector<db3_value> row;
    std::string seen;
    int got;
    while ((got = db3_cursor_next(st, &row, &err)) == 1) seen += std::to_string(row[0].i) + " ";
    EXPECT_EQ(got, -1);
    EXPECT_EQ(seen, "1 2 3 4 5 6 ");
    EXPECT_EQ(err.native, DB3_ERR_DAMAGED);
    EXPECT_NE(err.text.find("record 7"), std::string::npos) << err.text;
    run("CREATE TABLE U (N NUMERIC(2))");
    run("INSERT INTO U (N) VALUES (1)");
    EXPECT_EQ(rows("SELECT N FROM U"), "1\n");
    db3_stmt_free(st);
}
