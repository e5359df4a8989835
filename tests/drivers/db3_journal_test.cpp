/*
 * Statements of the DB3 driver cut short at every kind of moment: a
 * child process runs the statement and ends itself after its n-th write
 * (the journal without its mark, the journal, a memo, a record, the
 * header), as a kill at that moment would; the next connection that locks
 * the table must find it byte for byte as it stood before the statement,
 * and the statement run again must apply whole. The journal file itself
 * is kept between statements, empty.
 */
#include "db3_fixture.h"
#include "db3_memo_table.h"
#include "drivers/db3/db3_internal.h"

#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

namespace {

/* Writes counted by the hook, and the write after which the process ends
 * (0: never). */
long g_writes = 0;
long g_cut_at = 0;

/* Bytes of a journal's mark: a journal no longer than it undoes nothing. */
constexpr size_t JOURNAL_MARK = 8;

/* Exit status of a child cut short by the hook, and of one that was not. */
constexpr int CUT_STATUS = 0;
constexpr int WHOLE_STATUS = 3;

/* The write hook: counts, and ends the process at the chosen write. */
void count_or_cut()
{
    if (++g_writes == g_cut_at) _exit(CUT_STATUS);
}

class Db3JournalTest : public Db3Test {
protected:
    /* Every file of the catalog directory, by name, but a journal of at
     * most its mark (kept between statements, it holds nothing). */
    std::map<std::string, std::string> files()
    {
        std::map<std::string, std::string> out;
        for (const auto &e : std::filesystem::directory_iterator(dir)) {
            std::ifstream f(e.path(), std::ios::binary);
            std::string bytes(std::istreambuf_iterator<char>(f), {});
            if (bytes.size() <= JOURNAL_MARK && e.path().extension() == ".JNL") continue;
            out[e.path().filename().string()] = bytes;
        }
        return out;
    }

    /* Answers whether table has a journal that holds anything. */
    bool journal_holds(const std::string &table)
    {
        std::error_code ec;
        auto size = std::filesystem::file_size(dir + "/" + table + ".JNL", ec);
        return !ec && size > JOURNAL_MARK;
    }

    /* Puts the directory back to the given files. */
    void put_files(const std::map<std::string, std::string> &all)
    {
        for (const auto &e : std::filesystem::directory_iterator(dir))
            if (!all.count(e.path().filename().string())) std::filesystem::remove(e.path());
        for (const auto &[name, bytes] : all) std::ofstream(dir + "/" + name, std::ios::binary | std::ios::trunc) << bytes;
    }

    /* Answers how many writes sql makes, running it and then putting the
     * directory back as it was. */
    long writes_of(const std::string &sql)
    {
        auto before = files();
        g_writes = 0;
        g_cut_at = 0;
        db3_set_write_hook(count_or_cut);
        run(sql);
        db3_set_write_hook(nullptr);
        put_files(before);
        return g_writes;
    }

    /* Runs sql in a child process that ends after write n. Answers whether
     * it was cut there. */
    bool cut_after(const std::string &sql, long n)
    {
        pid_t pid = fork();
        if (pid == 0) {
            g_writes = 0;
            g_cut_at = n;
            db3_set_write_hook(count_or_cut);
            db3_result r;
            db3_error e;
            db3_run(s, sql.c_str(), &r, nullptr, &e);
            _exit(WHOLE_STATUS);
        }
        int status = -1;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == CUT_STATUS;
    }

    /* Cuts sql short after the journal's bytes (its mark not yet
     * written), the journal, a middle write, its last record and its
     * header; after each the next statement on
     * table must find the directory as before. Then sql runs whole and
     * check names a row it must change. */
    void expect_undone_at_every_cut(const std::string &table, const std::string &sql, const std::string &check)
    {
        auto before = files();
        std::string rows_before = rows("SELECT * FROM " + table);
        long writes = writes_of(sql);
        ASSERT_GE(writes, 4) << sql;
        for (long n : {1L, 2L, writes / 2, writes - 1, writes}) {
            ASSERT_TRUE(cut_after(sql, n)) << sql << ": not cut after write " << n << " of " << writes;
            EXPECT_TRUE(journal_holds(table)) << sql << ", cut after write " << n;
            EXPECT_EQ(rows("SELECT * FROM " + table), rows_before) << sql << ", cut after write " << n;
            EXPECT_FALSE(journal_holds(table)) << "the restore clears the journal";
            EXPECT_TRUE(files() == before) << sql << ", cut after write " << n << ": the files differ from before";
        }
        run(sql);
        EXPECT_TRUE(exists(table + ".JNL")) << "the journal file is kept";
        EXPECT_FALSE(journal_holds(table)) << "a statement written whole clears its journal";
        EXPECT_NE(rows(check), rows_before);
    }
};

TEST_F(Db3JournalTest, MultiRowUpdateCutShortIsUndoneByTheNextStatement)
{
    run("CREATE TABLE ROCK (N NUMERIC(6), NAME CHAR(10))");
    for (int i = 1; i <= 30; i++) run("INSERT INTO ROCK (N, NAME) VALUES (" + std::to_string(i) + ", 'old')");
    expect_undone_at_every_cut("ROCK", "UPDATE ROCK SET N = N + 1000, NAME = 'new'", "SELECT * FROM ROCK");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM ROCK WHERE NAME = 'new' AND N > 1000"), "30\n");
}

TEST_F(Db3JournalTest, DeleteCutShortIsUndoneByTheNextStatement)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    for (int i = 1; i <= 12; i++) run("INSERT INTO ROCK (N) VALUES (" + std::to_string(i) + ")");
    expect_undone_at_every_cut("ROCK", "DELETE FROM ROCK WHERE N > 4", "SELECT * FROM ROCK");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM ROCK"), "4\n");
}

TEST_F(Db3JournalTest, MemoUpdateCutShortIsUndoneAndTheMemoFileCutBack)
{
    ASSERT_TRUE(make_memo_table(dir, "NOTES", 10, "old note"));
    std::string text(700, 'm');   /* two blocks per memo */
    expect_undone_at_every_cut("NOTES", "UPDATE NOTES SET NOTE = '" + text + "' WHERE ID > 3", "SELECT * FROM NOTES");
    EXPECT_EQ(rows("SELECT COUNT(*) FROM NOTES WHERE NOTE = '" + text + "'"), "7\n");
    EXPECT_EQ(dbfread("NOTES").substr(0, 13), "1|'old note'\n");
}

TEST_F(Db3JournalTest, InsertIntoATableWithAUniqueIndexCutShortIsUndone)
{
    run("CREATE TABLE SAMPL (K NUMERIC(6), V CHAR(8))");
    run("CREATE UNIQUE INDEX SAMPLK ON SAMPL (K)");
    run("INSERT INTO SAMPL (K, V) VALUES (1, 'first')");
    std::string sql = "INSERT INTO SAMPL (K, V) VALUES (2, 'b'), (3, 'c'), (4, 'd'), (5, 'e')";
    expect_undone_at_every_cut("SAMPL", sql, "SELECT * FROM SAMPL");
    EXPECT_EQ(fail("INSERT INTO SAMPL (K, V) VALUES (5, 'again')"), DB3_ERR_DUPLICATE) << "the index still holds";
    EXPECT_EQ(dbfread("SAMPL"), "1|'first'\n2|'b'\n3|'c'\n4|'d'\n5|'e'\n");
}

/* A connection keeps its listing of the directory while the directory is
 * as it was when listed, long after its last change: the journal a
 * statement cut short leaves then is still found and undone. */
TEST_F(Db3JournalTest, UpdateCutShortAfterTheDirectoryWasListedLongSinceIsUndone)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    run("INSERT INTO ROCK (N) VALUES (1), (2), (3), (4)");
    db3_session_close(s);   /* a connection that has not written the table keeps no journal of it */
    s = db3_session_open(dir.c_str(), &err);
    ASSERT_NE(s, nullptr);
    usleep(2100000);        /* past the time a listing needs to be kept */
    std::string before = rows("SELECT * FROM ROCK");
    ASSERT_TRUE(s->listing.trusted);
    ASSERT_TRUE(cut_after("UPDATE ROCK SET N = N + 100", 4));
    EXPECT_EQ(rows("SELECT * FROM ROCK"), before);
    EXPECT_FALSE(journal_holds("ROCK"));
}

TEST_F(Db3JournalTest, JournalLeftWhileItWasWrittenMeansNothingChanged)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    run("INSERT INTO ROCK (N) VALUES (7)");
    std::ofstream(dir + "/ROCK.JNL.tmp") << "PVDB3JNL half";
    EXPECT_EQ(rows("SELECT N FROM ROCK"), "7\n");
    EXPECT_FALSE(exists("ROCK.JNL.tmp"));
}

TEST_F(Db3JournalTest, DamagedJournalRefusesTheTableInsteadOfGuessing)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    run("INSERT INTO ROCK (N) VALUES (7)");
    const std::string damaged[] = {std::string("PVDB3JNL\x01\0\0\0\0\0\0\0", 16),
                                   std::string("NOTAJNL!\x01\0\0\0\0\0\0\0", 16), "PVDB3JNLPVDB3JNL"};
    for (const std::string &bytes : damaged) {
        std::ofstream(dir + "/ROCK.JNL", std::ios::binary) << bytes;
        EXPECT_EQ(fail("SELECT N FROM ROCK"), DB3_ERR_DAMAGED) << "journal \"" << bytes << "\"";
        EXPECT_NE(err.text.find("journal"), std::string::npos) << err.text;
    }
    std::filesystem::remove(dir + "/ROCK.JNL");
    EXPECT_EQ(rows("SELECT N FROM ROCK"), "7\n");
}

TEST_F(Db3JournalTest, AJournalNeverWritesPastItsOwnTable)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    run("INSERT INTO ROCK (N) VALUES (7)");
    const std::string canary = dir + ".canary.txt", kept = "canary: written by no one\n";
    std::ofstream(canary) << kept;
    auto le = [](unsigned long long n) { return std::string(reinterpret_cast<const char *>(&n), 8); };
    /* A whole journal that names a file not of its table restores nothing. */
    std::string named = "PVDB3JNL" + le(1) + le(canary.size()) + canary + le(kept.size()) + le(1) + le(0) + le(7) +
                        "WRITTEN" + "JNLEND!!";
    std::ofstream(dir + "/ROCK.JNL", std::ios::binary) << named;
    EXPECT_EQ(fail("SELECT N FROM ROCK"), DB3_ERR_DAMAGED);
    EXPECT_NE(err.text.find("which is not a file of its table"), std::string::npos) << err.text;
    std::filesystem::remove(dir + "/ROCK.JNL");
    /* A journal that is a link is neither read, written nor cut through. */
    std::filesystem::create_symlink(canary, dir + "/ROCK.JNL");
    EXPECT_NE(fail("INSERT INTO ROCK (N) VALUES (8)"), 0);
    EXPECT_NE(err.text.find("symbolic link"), std::string::npos) << err.text;
    std::ifstream in(canary, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), kept);
    std::filesystem::remove(dir + "/ROCK.JNL");
    EXPECT_EQ(rows("SELECT N FROM ROCK"), "7\n");
    std::filesystem::remove(canary);
}

TEST_F(Db3JournalTest, EmptyClearedOrUnmarkedJournalMeansNothingChanged)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    run("INSERT INTO ROCK (N) VALUES (7)");
    auto before = files();
    /* Empty; cut back to its mark; cut short in its first bytes; the
     * journal of a statement whose mark was never written. */
    std::string unmarked = std::string(8, '\0') + "\x01" + std::string(7, '\0') + "half";
    const std::string left[] = {"", "PVDB3JNL", "PVD", unmarked};
    for (const std::string &bytes : left) {
        std::ofstream(dir + "/ROCK.JNL", std::ios::binary | std::ios::trunc) << bytes;
        EXPECT_EQ(rows("SELECT N FROM ROCK"), "7\n") << bytes.size() << " bytes";
        EXPECT_FALSE(journal_holds("ROCK")) << bytes.size() << " bytes";
        EXPECT_TRUE(files() == before) << bytes.size() << " bytes: the table changed";
    }
}

TEST_F(Db3JournalTest, OneJournalFileServesEveryStatementAndGoesWithTheTable)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    for (int i = 1; i <= 5; i++) run("INSERT INTO ROCK (N) VALUES (" + std::to_string(i) + ")");
    run("UPDATE ROCK SET N = N + 10");
    run("DELETE FROM ROCK WHERE N > 13");
    EXPECT_EQ(rows("SELECT N FROM ROCK"), "11\n12\n13\n");
    EXPECT_TRUE(exists("ROCK.JNL"));
    EXPECT_FALSE(journal_holds("ROCK"));
    EXPECT_FALSE(exists("ROCK.JNL.tmp"));
    run("DROP TABLE ROCK");
    EXPECT_FALSE(exists("ROCK.JNL")) << "the journal goes with its table";
}

TEST_F(Db3JournalTest, TheKeptJournalGoesWithTheConnectionUnlessAnotherIsWritingIt)
{
    run("CREATE TABLE ROCK (N NUMERIC(6))");
    run("INSERT INTO ROCK (N) VALUES (1)");
    ASSERT_TRUE(exists("ROCK.JNL"));
    db3_session_close(s);
    s = db3_session_open(dir.c_str(), &err);
    ASSERT_NE(s, nullptr);
    EXPECT_FALSE(exists("ROCK.JNL")) << "a closed connection leaves no journal file";

    /* Another connection has begun its journal (its mark still zeros). */
    run("INSERT INTO ROCK (N) VALUES (2)");
    std::string begun = std::string(8, '\0') + "\x01" + std::string(15, '\0');
    std::ofstream(dir + "/ROCK.JNL", std::ios::binary | std::ios::trunc) << begun;
    db3_session_close(s);
    s = db3_session_open(dir.c_str(), &err);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(journal_holds("ROCK")) << "a journal being written is not removed";
    EXPECT_EQ(rows("SELECT N FROM ROCK"), "1\n2\n");
}

} // namespace
