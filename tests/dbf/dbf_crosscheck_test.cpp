/*
 * Cross-checks with independent dBASE readers and writers (the Debian
 * python3-dbfread and python3-dbf modules, run with the system python3):
 * tables this library writes must read back the same there, and tables
 * they write must read here.
 */
#include "dbf_fixture.h"

#include <cstdio>
#include <unistd.h>

namespace {

const char *kPython = "/usr/bin/python3";
const std::string kScript = std::string(PV_TEST_DATA_DIR) + "/dbf/dbf_crosscheck.py";

/* Runs the cross-check script with a command and a path; answers its
 * output, and its exit status in *status. */
std::string run_script(const std::string &command, const std::string &path, int *status)
{
    std::string line = std::string(kPython) + " " + kScript + " " + command + " '" + path + "' 2>&1";
    std::string out;
    FILE *p = popen(line.c_str(), "r");
    if (!p) {
        *status = -1;
        return out;
    }
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    *status = pclose(p);
    return out;
}

const std::string kLongMemo = std::string(700, 'x') + "end";

TEST(DbfCrossCheck, TablesWrittenHereReadTheSameInAnIndependentReader)
{
    if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no system python3";
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "ROCK", {{"NAME", 'C', 12, 0}, {"DEPTH", 'N', 7, 2}, {"COUNT", 'N', 4, 0},
                                                {"OK", 'L', 1, 0}, {"SEEN", 'D', 8, 0}, {"NOTE", 'M', 10, 0},
                                                {"REMARK", 'M', 10, 0}});
    struct Row { const char *name, *depth, *count, *ok, *seen, *note, *remark; bool deleted; } rows[] = {
        {"granite", "12.50", "3", "T", "20210304", "pink, coarse grained", kLongMemo.c_str(), false},
        {"basalt", "-0.25", "0", "F", "19991231", "olivine", nullptr, true},
        {"schist", "", "42", " ", "", nullptr, "line one\r\nline two", false},
    };
    for (const Row &r : rows) {
        put(h, "NAME", r.name);
        put(h, "DEPTH", r.depth, true);
        put(h, "COUNT", r.count, true);
        put(h, "OK", r.ok);
        put(h, "SEEN", r.seen);
        dbt_set_memo_text(h, 5, r.note, r.note ? strlen(r.note) : 0);
        dbt_set_memo_text(h, 6, r.remark, r.remark ? strlen(r.remark) : 0);
        h->record[0] = r.deleted ? DBF_DELETED : DBF_BLANK;
        ASSERT_EQ(dbf_write_record(h, (long)h->header.record_count), DBF_OK);
    }
    ASSERT_EQ(dbf_close(h), DBF_OK);
    dbf_free(h);

    int status = 0;
    std::string out = run_script("dump", dir / "ROCK.DBF", &status);
    ASSERT_EQ(status, 0) << out;
    std::string expect =
        "header 131 3 257 53\n"
        "field NAME C 12 0\nfield DEPTH N 7 2\nfield COUNT N 4 0\nfield OK L 1 0\n"
        "field SEEN D 8 0\nfield NOTE M 10 0\nfield REMARK M 10 0\n"
        "live NAME=granite|DEPTH=12.5|COUNT=3|OK=T|SEEN=2021-03-04|NOTE=pink, coarse grained|REMARK=" + kLongMemo + "\n"
        "live NAME=schist|DEPTH=None|COUNT=42|OK=None|SEEN=None|NOTE=None|REMARK=line one\r\nline two\n"
        "deleted NAME=basalt|DEPTH=-0.25|COUNT=0|OK=F|SEEN=1999-12-31|NOTE=olivine|REMARK=None\n";
    EXPECT_EQ(out, expect);
}

TEST(DbfCrossCheck, TablesWrittenByAnIndependentWriterReadHere)
{
    if (access(kPython, X_OK) != 0) GTEST_SKIP() << "no system python3";
    ScratchDir dir;
    int status = 0;
    std::string out = run_script("write", dir / "pyrock.dbf", &status);
    ASSERT_EQ(status, 0) << out;

    dbf_handle *h = dbf_new();
    ASSERT_EQ(dbf_open(h, (dir / "PYROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    EXPECT_EQ(h->memo_state, 1);
    ASSERT_EQ(h->field_count, 6);
    EXPECT_EQ(h->header.record_count, 3u);
    const char *names = "NAME DEPTH COUNT OK SEEN NOTE";
    std::string seen;
    for (int i = 0; i < h->field_count; i++) seen += std::string(seen.empty() ? "" : " ") + h->fields[i].name;
    EXPECT_EQ(seen, names);
    EXPECT_EQ(h->fields[1].type, 'N');
    EXPECT_EQ(h->fields[1].length, 7);
    EXPECT_EQ(h->fields[1].decimals, 2);

    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(dbf_is_deleted(h), 0);
    EXPECT_EQ(get(h, "NAME"), "granite     ");
    EXPECT_EQ(std::stod(get(h, "DEPTH")), 12.5);
    EXPECT_EQ(std::stoi(get(h, "COUNT")), 3);
    EXPECT_EQ(get(h, "OK"), "T");
    EXPECT_EQ(get(h, "SEEN"), "20210304");
    EXPECT_EQ(memo_of(h, "NOTE"), "pink, coarse grained");

    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    EXPECT_EQ(dbf_is_deleted(h), 1);
    EXPECT_EQ(std::stod(get(h, "DEPTH")), -0.25);
    EXPECT_EQ(get(h, "OK"), "F");
    EXPECT_EQ(memo_of(h, "NOTE"), std::string(700, 'x') + "end");

    ASSERT_EQ(dbf_read_record(h, 2), DBF_OK);
    EXPECT_EQ(dbf_is_deleted(h), 0);
    EXPECT_EQ(get(h, "NAME"), "schist      ");
    EXPECT_EQ(std::stoi(get(h, "COUNT")), 42);
    EXPECT_EQ(memo_of(h, "NOTE"), "");
    dbf_close(h);

    /* Appending here keeps the file readable there. */
    ASSERT_EQ(dbf_open(h, (dir / "PYROCK").c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    put(h, "NAME", "gabbro");
    ASSERT_EQ(dbf_write_record(h, 3), DBF_OK);
    ASSERT_EQ(dbf_close(h), DBF_OK);
    dbf_free(h);
    out = run_script("dump", dir / "pyrock.dbf", &status);
    ASSERT_EQ(status, 0) << out;
    EXPECT_NE(out.find("live NAME=gabbro|DEPTH=12.5|COUNT=3|OK=T|SEEN=2021-03-04|NOTE=pink, coarse grained\n"),
              std::string::npos) << out;
}

} // namespace
