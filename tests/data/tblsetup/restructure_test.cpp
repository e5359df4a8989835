/*
** restructure_test.cpp: rebuilding a dBASE table's files from its setup
** node on a DB3 project: purging deleted records, renamed, added and moved
** columns, memo texts carried into the new memo file, the header of a new
** table, and every failure that must leave the table's files as they were
** (missing file, unreadable record, full disk, a number that no longer
** fits, a set-aside file or journal left behind, picture fields), and a
** rebuild killed at every kind of moment, mended as the next logon mends
** it. The files are read back by this library and by independent readers
** (python3-dbfread, gdal's ogrinfo). A table refilled (dropped, made again
** and filled) and killed at each step is put back or finished by the next
** logon; built again for a server project, the same case runs there.
*/
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/sql_fixture.h"
#include "dbf/dbf.h"
#include "dbf/dbf_fixture.h"
#include "data/dbf_refill.h"
#include "data/tblsetup.h"
#include "platform/host_io.h"
#include "platform/include/host_editor.h"

/* Where a child that does a refill's file work is killed (the program's
** own unlink and rename are these in this test): as the mark of a
** put-back leaves its name, as a whole copy of the former table is renamed
** over the table it puts back, or once the former table is kept as its
** copy, before the mark names it. */
enum kill_at_file { KILL_NEVER, KILL_AT_MARK_REMOVAL, KILL_AT_COPY_BACK, KILL_ONCE_KEPT };
static kill_at_file g_kill_at_file = KILL_NEVER;

static bool ends_with(const char *path, const char *tail)
{
    std::string p = path, t = tail;
    return p.size() > t.size() && p.compare(p.size() - t.size(), t.size(), t) == 0;
}

extern "C" int unlink(const char *path)
{
    if (g_kill_at_file == KILL_AT_MARK_REMOVAL && ends_with(path, ".MRF")) raise(SIGKILL);
    return (int)syscall(SYS_unlink, path);
}

extern "C" int rename(const char *from, const char *to)
{
    if (g_kill_at_file == KILL_AT_MARK_REMOVAL && ends_with(from, ".MRF")) raise(SIGKILL);
    if (g_kill_at_file == KILL_AT_COPY_BACK && ends_with(from, ".tmp") && ends_with(to, "SOILS.DBF")) raise(SIGKILL);
    int rc = (int)syscall(SYS_renameat, AT_FDCWD, from, AT_FDCWD, to);
    if (g_kill_at_file == KILL_ONCE_KEPT && rc == 0 && ends_with(to, "SOILS.DBO")) raise(SIGKILL);
    return rc;
}

namespace {

const char kPython[] = "/usr/bin/python3";
const char kOgrinfo[] = "/usr/bin/ogrinfo";
const std::string kDump = std::string(PV_TEST_DATA_DIR) + "/dbf/dbf_crosscheck.py";

/* Prints a table's field names, its live record count and a checksum of
** the values of every field but DEPTH, as dbfread reads them. */
const char kSummary[] =
    "import dbfread, hashlib, sys\n"
    "t = dbfread.DBF(sys.argv[1])\n"
    "names = [f.name for f in t.fields if f.name != 'DEPTH']\n"
    "h, n = hashlib.md5(), 0\n"
    "for r in t:\n"
    "    n += 1\n"
    "    h.update(repr([r[k] for k in names]).encode())\n"
    "print(' '.join(f.name for f in t.fields), n, h.hexdigest())\n";

/* Steps of a rebuild seen by the hook, the one at which the process
** kills itself (0: never), and a pipe to say so first and wait to be
** killed (-1: none). */
long g_steps = 0;
long g_kill_at = 0;
int g_hold_fd = -1;

/* The rebuild hook: counts, and kills the process at the chosen step. */
void count_or_kill()
{
    if (++g_steps != g_kill_at) return;
    if (g_hold_fd >= 0 && write(g_hold_fd, "!", 1) == 1) pause();
    raise(SIGKILL);
}

/* One column of a node: name, type index, length, decimals. */
struct ColumnSpec {
    const char *name;
    int type, length, decimals;
};

/* A file's bytes. */
std::string bytes_of(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/* Runs a shell command; answers its output and exit status. */
std::string run_command(const std::string &line, int *status)
{
    std::string out;
    FILE *p = popen((line + " 2>&1").c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    *status = pclose(p);
    return out;
}

/* A table node with the given columns; the caller frees it. */
tblsetup_table_node *make_node(const char *name, const std::vector<ColumnSpec> &columns)
{
    tblsetup_table_node *t = tblsetup_table_new();
    t->name = tblsetup_strdup(name);
    for (const ColumnSpec &c : columns) {
        tblsetup_column_node *n = tblsetup_column_new();
        n->name = tblsetup_strdup(c.name);
        n->type = c.type;
        n->length = (uint16_t)c.length;
        n->decimals = (int16_t)c.decimals;
        EXPECT_EQ(tblsetup_column_append(&t->columns, n), 1) << c.name;
    }
    return t;
}

class Restructure : public SqlDb3Test {
 protected:
  void TearDown() override {
    for (tblsetup_table_node *n : nodes_) tblsetup_table_free(n);
    SqlDb3Test::TearDown();
  }

  std::string dir() { return pjct_dir(project_->name); }
  std::string path(const std::string &file) { return dir() + "/" + file; }

  /* Makes a table of the project with this library: its fields and its
  ** records, each a list of texts in field order (memo fields take the
  ** text as memo), a record whose first text is "*" marked deleted. */
  void make_table(const char *name, std::initializer_list<FieldLayout> fields,
                  const std::vector<std::vector<std::string>> &records) {
    int memo = 0;
    for (const FieldLayout &f : fields) memo |= f.type == 'M';
    dbf_handle *h = create_table(path(name), fields, memo);
    for (const auto &r : records) {
      size_t at = !r.empty() && r[0] == "*" ? 1 : 0;
      h->record[0] = at ? DBF_DELETED : DBF_BLANK;
      for (int i = 0; i < h->field_count && at + i < r.size(); i++) {
        const std::string &t = r[at + i];
        if (h->fields[i].type == 'M') dbt_set_memo_text(h, i, t.data(), t.size());
        else put(h, h->fields[i].name, t, h->fields[i].type == 'N');
      }
      ASSERT_EQ(dbf_write_record(h, (long)h->header.record_count), DBF_OK);
    }
    ASSERT_EQ(dbf_close(h), DBF_OK);
    dbf_free(h);
  }

  /* SOILS: NAME C(8), PH N(6,2), ROCK C(6), ten records SOIL0..SOIL9 of
  ** which 2, 5 and 7 are marked deleted. */
  void make_soils() {
    std::vector<std::vector<std::string>> records;
    for (int i = 0; i < 10; i++) {
      std::vector<std::string> r = {"SOIL" + std::to_string(i), std::to_string(i) + ".5", "R" + std::to_string(i)};
      if (i == 2 || i == 5 || i == 7) r.insert(r.begin(), "*");
      records.push_back(r);
    }
    make_table("SOILS", {{"NAME", 'C', 8, 0}, {"PH", 'N', 6, 2}, {"ROCK", 'C', 6, 0}}, records);
  }

  /* A table node with the given columns (freed with the test). */
  tblsetup_table_node *node(const char *name, const std::vector<ColumnSpec> &columns) {
    nodes_.push_back(make_node(name, columns));
    return nodes_.back();
  }

  /* The node of SOILS as it stands. */
  tblsetup_table_node *soils_node() {
    return node("SOILS", {{"NAME", TS_TYPE_CHAR, 8, 0}, {"PH", TS_TYPE_NUMERIC, 6, 2}, {"ROCK", TS_TYPE_CHAR, 6, 0}});
  }

  /* The table as dbfread reads it: "header", "field" and "live" lines. */
  std::string dump(const std::string &file) {
    int status = -1;
    std::string out = run_command(std::string(kPython) + " " + kDump + " dump '" + path(file) + "'", &status);
    EXPECT_EQ(status, 0) << out;
    return out;
  }

  /* Whether a set-aside file is left in the project directory. */
  bool temp_left() { return has_file("TEMPRARY.DBF") || has_file("TEMPRARY.DBT"); }

  std::vector<tblsetup_table_node *> nodes_;   /* nodes made by the test */
};

TEST(DbfFieldLetter, NumberTypesAreNAndEverythingElseC) {
  static const struct {
    int type;
    char letter;
  } k[] = {{TS_TYPE_CHAR, 'C'},  {TS_TYPE_NUMERIC, 'N'}, {TS_TYPE_DEC, 'N'},    {TS_TYPE_INT, 'N'},
           {TS_TYPE_SMALLINT, 'N'}, {TS_TYPE_FLOAT, 'N'}, {TS_TYPE_REAL, 'N'}, {TS_TYPE_DOUBLE, 'N'},
           {TS_TYPE_NONE, 'C'},  {TS_TYPE_COUNT, 'C'},   {-7, 'C'}};
  for (auto &e : k) EXPECT_EQ(dbf_field_letter(e.type), e.letter) << e.type;
}

TEST(DbfDescribeNode, FieldsComeFromTheColumnsAndLongNamesAreCutToTen) {
  pjct_rec project{};
  tblsetup_table_node *t = make_node("SOILS", {{"ABCDEFGHIJKL", TS_TYPE_CHAR, 6, 0}, {"B", TS_TYPE_NUMERIC, 8, 2}});
  dbf_handle *h = dbf_new();
  ASSERT_EQ(dbf_describe_node(t, &project, h), 0);
  EXPECT_STREQ(h->path, "SOILS");
  EXPECT_EQ(h->header.version, DBF_VERSION_PLAIN);
  ASSERT_EQ(h->field_count, 2);
  EXPECT_STREQ(h->fields[0].name, "ABCDEFGHIJ");
  EXPECT_EQ(h->fields[0].type, 'C');
  EXPECT_EQ(h->fields[1].type, 'N');
  EXPECT_EQ(h->fields[1].length, 8);
  EXPECT_EQ(h->fields[1].decimals, 2);
  EXPECT_EQ(std::string(h->record, 15), std::string(15, ' ')) << "a blank record of 1 + 6 + 8 bytes";
  EXPECT_EQ(dbf_describe_node(nullptr, &project, h), -2);
  EXPECT_EQ(dbf_describe_node(t, nullptr, h), -2);
  dbf_free(h);
  tblsetup_table_free(t);
  EXPECT_EQ(dbf_restructure(nullptr, nullptr, &project), -2);
  EXPECT_EQ(dbf_restore_files("", nullptr, "a", "b", "c"), -2);
}

TEST_F(Restructure, PurgingDropsTheDeletedRecordsAndKeepsTheOrder) {
  make_soils();
  ASSERT_EQ(dbf_restructure(nullptr, soils_node(), project_), 0) << host_io_transcript();
  EXPECT_FALSE(temp_left());
  std::string out = dump("SOILS.DBF");
  std::string live;
  std::istringstream lines(out);
  for (std::string l; std::getline(lines, l);)
    if (l.rfind("live ", 0) == 0 || l.rfind("deleted ", 0) == 0) live += l.substr(0, l.find('|')) + "\n";
  EXPECT_EQ(live, "live NAME=SOIL0\nlive NAME=SOIL1\nlive NAME=SOIL3\nlive NAME=SOIL4\nlive NAME=SOIL6\n"
                  "live NAME=SOIL8\nlive NAME=SOIL9\n") << out;
  EXPECT_NE(out.find("live NAME=SOIL9|PH=9.5|ROCK=R9"), std::string::npos) << out;

  if (access(kOgrinfo, X_OK) != 0) return;
  int status = -1;
  std::string ogr = run_command(std::string(kOgrinfo) + " -ro -al -q '" + path("SOILS.DBF") + "'", &status);
  EXPECT_EQ(status, 0) << ogr;
  std::string names;
  std::istringstream ol(ogr);
  for (std::string l; std::getline(ol, l);)
    if (l.find("NAME (String) = ") != std::string::npos) names += l.substr(l.find("= ") + 2) + ",";
  EXPECT_EQ(names, "SOIL0,SOIL1,SOIL3,SOIL4,SOIL6,SOIL8,SOIL9,") << ogr;
}

TEST_F(Restructure, TheIdleJournalTheDriverKeepsDoesNotRefuseTheRebuild) {
  make_soils();
  std::ofstream(path("SOILS.JNL")) << "PVDB3JNL";
  ASSERT_EQ(dbf_restructure(nullptr, soils_node(), project_), 0) << host_io_transcript();
  EXPECT_FALSE(temp_left());
}

TEST_F(Restructure, RenamedAddedAndMovedColumnsKeepTheOtherValues) {
  make_soils();
  /* ROCK moved first and renamed STONE, DEPTH added, PH made a DOUBLE:
  ** whatever size its node gives, it is declared N(20,6) as in a new
  ** table, so readers keep its fractions. */
  tblsetup_table_node *t = node("SOILS", {{"STONE", TS_TYPE_CHAR, 6, 0},
                                          {"NAME", TS_TYPE_CHAR, 8, 0},
                                          {"DEPTH", TS_TYPE_NUMERIC, 8, 2},
                                          {"PH", TS_TYPE_DOUBLE, 8, 0}});
  ASSERT_EQ(dbf_restructure(nullptr, t, project_), 0) << host_io_transcript();
  std::string out = dump("SOILS.DBF");
  EXPECT_NE(out.find("field STONE C 6 0\nfield NAME C 8 0\nfield DEPTH N 8 2\nfield PH N 20 6\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("live STONE=|NAME=SOIL0|DEPTH=None|PH=0.5\n"), std::string::npos) << out;
  EXPECT_NE(out.find("live STONE=|NAME=SOIL9|DEPTH=None|PH=9.5\n"), std::string::npos) << out;
  EXPECT_FALSE(temp_left());
}

TEST_F(Restructure, MemoTextsTravelWholeIntoTheNewMemoFile) {
  const std::string longer = std::string(1996, 'm') + "end.";
  make_table("NOTES", {{"NAME", 'C', 8, 0}, {"TEXT", 'M', 10, 0}},
             {{"first", "a short note"}, {"*", "gone", "deleted note"}, {"second", longer}, {"third", "line 1\r\nline 2"}});
  tblsetup_table_node *t = node("NOTES", {{"NAME", TS_TYPE_CHAR, 8, 0}, {"TEXT", TS_TYPE_CHAR, 254, 0},
                                          {"SITE", TS_TYPE_CHAR, 4, 0}});
  ASSERT_EQ(dbf_restructure(nullptr, t, project_), 0) << host_io_transcript();
  EXPECT_FALSE(temp_left());
  std::string out = dump("NOTES.DBF");
  EXPECT_NE(out.find("field TEXT M 10 0\n"), std::string::npos) << "the memo field stays a memo field\n" << out;
  EXPECT_NE(out.find("live NAME=first|TEXT=a short note|SITE=\n"), std::string::npos) << out;
  EXPECT_NE(out.find("live NAME=second|TEXT=" + longer + "|SITE=\n"), std::string::npos) << "2,000 characters whole";
  EXPECT_NE(out.find("live NAME=third|TEXT=line 1\r\nline 2|SITE=\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("deleted note"), std::string::npos) << out;
}

TEST_F(Restructure, ANewTableHasTheHeaderOfItsColumns) {
  make_table("SOILS", {{"A", 'C', 3, 0}}, {});
  /* The table's own language driver (here Windows-1250) is kept. */
  std::string old = bytes_of(path("SOILS.DBF"));
  old[29] = '\x57';
  std::ofstream(path("SOILS.DBF"), std::ios::binary | std::ios::trunc) << old;
  tblsetup_table_node *t = node("SOILS", {{"A", TS_TYPE_CHAR, 6, 0}, {"B", TS_TYPE_NUMERIC, 8, 2}});
  ASSERT_EQ(dbf_restructure(nullptr, t, project_), 0) << host_io_transcript();
  std::string b = bytes_of(path("SOILS.DBF"));
  ASSERT_EQ(b.size(), 98u) << "header and end mark";
  EXPECT_EQ((unsigned char)b[0], DBF_VERSION_PLAIN);
  EXPECT_EQ((unsigned char)b[8] | (unsigned char)b[9] << 8, 97);
  EXPECT_EQ((unsigned char)b[10] | (unsigned char)b[11] << 8, 15);
  EXPECT_EQ((unsigned char)b[29], 0x57);
  EXPECT_EQ((unsigned char)b[97], DBF_END_MARK);
}

TEST_F(Restructure, AMissingTableFailsAndLeavesNoSetAsideFile) {
  host_io_clear_transcript();
  EXPECT_EQ(dbf_restructure(nullptr, soils_node(), project_), -1);
  EXPECT_FALSE(temp_left());
  EXPECT_FALSE(has_file("SOILS.DBF"));
  EXPECT_NE(host_io_transcript().find("Cannot access table " + path("SOILS.DBF") + ": No such file or directory"),
            std::string::npos)
      << host_io_transcript();
}

TEST_F(Restructure, AnUnreadableRecordIsNamedAndTheFilesComeBack) {
  make_soils();
  /* The header counts ten records; the file keeps five. */
  std::string cut = bytes_of(path("SOILS.DBF"));
  cut.resize(129 + 5 * 21);
  std::ofstream(path("SOILS.DBF"), std::ios::binary | std::ios::trunc) << cut;
  host_io_clear_transcript();
  EXPECT_EQ(dbf_restructure(nullptr, soils_node(), project_), -1);
  EXPECT_NE(host_io_transcript().find("Cannot read record 5 from table " + path("SOILS.DBF")), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(bytes_of(path("SOILS.DBF")), cut);
  EXPECT_FALSE(temp_left());
}

TEST_F(Restructure, ANumberThatNoLongerFitsRefusesTheRebuild) {
  make_table("SOILS", {{"NAME", 'C', 8, 0}, {"PH", 'N', 7, 1}}, {{"a", "1.5"}, {"b", "12345.5"}});
  std::string before = bytes_of(path("SOILS.DBF"));
  tblsetup_table_node *t = node("SOILS", {{"NAME", TS_TYPE_CHAR, 8, 0}, {"PH", TS_TYPE_NUMERIC, 3, 0}});
  host_io_clear_transcript();
  EXPECT_EQ(dbf_restructure(nullptr, t, project_), -1);
  EXPECT_NE(host_io_transcript().find("Table SOILS not changed: column PH (N 3,0) cannot hold 12345.5 of record 1."),
            std::string::npos) << host_io_transcript();
  EXPECT_EQ(bytes_of(path("SOILS.DBF")), before);
  EXPECT_FALSE(temp_left());

  /* The same value in a deleted record goes with the record. */
  make_table("SOILS", {{"NAME", 'C', 8, 0}, {"PH", 'N', 7, 1}}, {{"a", "1.5"}, {"*", "b", "12345.5"}});
  EXPECT_EQ(dbf_restructure(nullptr, t, project_), 0) << host_io_transcript();
  EXPECT_NE(dump("SOILS.DBF").find("live NAME=a|PH=1.5\n"), std::string::npos) << dump("SOILS.DBF");
}

TEST_F(Restructure, AFullDiskPutsTheOldFileBackByteForByte) {
  make_soils();
  std::string before = bytes_of(path("SOILS.DBF"));
  tblsetup_table_node *t = soils_node();
  fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    /* No statement goes to the parent's driver from here. */
    project_->connection = nullptr;
    signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = {200, 200};   /* the new header fits, the records do not */
    setrlimit(RLIMIT_FSIZE, &limit);
    host_io_clear_transcript();
    bool failed = dbf_restructure(nullptr, t, project_) == -1;
    /* Said with the system's reason. */
    _exit(failed && host_io_transcript().find("SOILS.DBF: File too large") != std::string::npos ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the rebuild must fail, saying why";
  EXPECT_EQ(bytes_of(path("SOILS.DBF")), before);
  EXPECT_FALSE(temp_left());
}

TEST_F(Restructure, RefusedTablesAreLeftUntouched) {
  static const struct {
    const char *why;
    const char *leftover;    /* a file left beside the table, or null */
    bool picture;            /* the table has a G field */
    const char *message;
  } k[] = {
      {"a set-aside table of an earlier rebuild", "TEMPRARY.DBF", false, "left from an earlier rebuild"},
      {"a set-aside memo file in lower case", "temprary.dbt", false, "left from an earlier rebuild"},
      {"the journal of a change cut short", "SOILS.JNL", false, "was cut short"},
      {"a picture field", nullptr, true, "its field PIC is of type G"},
  };
  for (auto &e : k) {
    if (e.picture)
      make_table("SOILS", {{"NAME", 'C', 8, 0}, {"PIC", 'G', 10, 0}}, {{"a", "1"}});
    else
      make_soils();
    if (e.leftover) std::ofstream(path(e.leftover)) << "the only copy";
    std::string before = bytes_of(path("SOILS.DBF"));
    host_io_clear_transcript();
    EXPECT_EQ(dbf_restructure(nullptr, soils_node(), project_), -1) << e.why;
    EXPECT_NE(host_io_transcript().find(e.message), std::string::npos) << e.why << "\n" << host_io_transcript();
    EXPECT_EQ(bytes_of(path("SOILS.DBF")), before) << e.why;
    if (e.leftover) {
      EXPECT_EQ(bytes_of(path(e.leftover)), "the only copy") << e.why;
      std::filesystem::remove(path(e.leftover));
    }
    EXPECT_FALSE(temp_left()) << e.why;
  }
}

TEST_F(Restructure, ARebuildKilledAtAnyMomentComesBackWholeAtTheNextLogon) {
  const int kRows = 20000;
  std::vector<std::vector<std::string>> records;
  for (int i = 0; i < kRows; i++)
    records.push_back({"S" + std::to_string(i), std::to_string(i % 900) + ".25", "R" + std::to_string(i % 97)});
  make_table("SOILS", {{"NAME", 'C', 8, 0}, {"PH", 'N', 6, 2}, {"ROCK", 'C', 6, 0}}, records);
  const std::string before = bytes_of(path("SOILS.DBF"));
  auto summary = [&] {
    int status = -1;
    std::string out = run_command(std::string(kPython) + " -c \"" + kSummary + "\" '" + path("SOILS.DBF") + "'", &status);
    EXPECT_EQ(status, 0) << out;
    return out;
  };
  const std::string old_summary = summary();
  ASSERT_NE(old_summary.find("NAME PH ROCK 20000 "), std::string::npos) << old_summary;
  const std::string new_summary = "NAME PH ROCK DEPTH" + old_summary.substr(old_summary.find(' ', 12));
  tblsetup_table_node *t = node("SOILS", {{"NAME", TS_TYPE_CHAR, 8, 0}, {"PH", TS_TYPE_NUMERIC, 6, 2},
                                          {"ROCK", TS_TYPE_CHAR, 6, 0}, {"DEPTH", TS_TYPE_NUMERIC, 8, 2}});

  /* A whole rebuild, to count its steps; then the old table again. */
  g_steps = 0;
  dbf_set_rebuild_hook(count_or_kill);
  ASSERT_EQ(dbf_restructure(nullptr, t, project_), 0) << host_io_transcript();
  dbf_set_rebuild_hook(nullptr);
  const long steps = g_steps;
  ASSERT_GT(steps, kRows);
  /* The last steps: the last record, the new files closed, marked
  ** complete, the set-aside files removed, the table registered again. */
  const long last_record = steps - 5, complete = steps - 3;

  std::vector<long> points = {1, 2, 3, 4, 5, 6};
  for (int k = 1; k <= 8; k++) points.push_back(6 + (long)kRows * k / 9);
  for (long k = last_record; k <= steps; k++) points.push_back(k);
  ASSERT_EQ(points.size(), 20u);
  for (long at : points) {
    std::filesystem::remove(path("SOILS.DBF"));
    std::ofstream(path("SOILS.DBF"), std::ios::binary) << before;
    /* At one step the rebuild waits, alive: a logon then leaves it alone. */
    int hold[2] = {-1, -1};
    if (at == 3) { ASSERT_EQ(pipe(hold), 0); }
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      project_->connection = nullptr;   /* the parent's driver stays out of it */
      g_steps = 0;
      g_kill_at = at;
      g_hold_fd = hold[1];
      dbf_set_rebuild_hook(count_or_kill);
      dbf_restructure(nullptr, t, project_);
      _exit(0);
    }
    if (hold[0] >= 0) {
      char said = 0;
      EXPECT_EQ(read(hold[0], &said, 1), 1);
      char busy[64] = "";
      EXPECT_EQ(dbf_rebuild_recover(dir().c_str(), busy, sizeof busy), DBF_REBUILD_BUSY);
      EXPECT_TRUE(has_file("TEMPRARY.DBF")) << "a rebuild under way keeps its set-aside table";
      kill(child, SIGKILL);
      close(hold[0]);
      close(hold[1]);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "not killed at step " << at;

    host_io_clear_transcript();
    char table[64] = "";
    EXPECT_EQ(dbf_rebuild_recover(dir().c_str(), table, sizeof table), DBF_REBUILD_MENDED) << "step " << at;
    EXPECT_STREQ(table, "SOILS");
    bool done = at >= complete;
    EXPECT_EQ(summary(), done ? new_summary : old_summary) << "killed at step " << at << " of " << steps;
    if (!done) {
      EXPECT_EQ(bytes_of(path("SOILS.DBF")), before) << "step " << at;
      EXPECT_NE(host_io_transcript().find("The change to table SOILS was cut short; the table is as it was before."),
                std::string::npos) << host_io_transcript();
    }
    EXPECT_FALSE(temp_left()) << "step " << at;
    EXPECT_FALSE(has_file("TEMPRARY.MRK") || has_file("TEMPRARY.MRN")) << "step " << at;
    EXPECT_EQ(dbf_rebuild_recover(dir().c_str(), table, sizeof table), DBF_REBUILD_NONE) << "mended once";
  }
}

/* Every file under a folder with its bytes, by its path below the folder. */
std::map<std::string, std::string> files_under(const std::string &top) {
  std::map<std::string, std::string> out;
  for (auto &e : std::filesystem::recursive_directory_iterator(top))
    if (e.is_regular_file()) out[std::filesystem::relative(e.path(), top).string()] = bytes_of(e.path().string());
  return out;
}

TEST_F(Restructure, ARebuildCutShortIsMendedInTheFolderItWasMovedOrCopiedTo) {
  std::vector<std::vector<std::string>> records;
  for (int i = 0; i < 300; i++) records.push_back({"S" + std::to_string(i), std::to_string(i % 90) + ".25", "R"});
  make_table("SOILS", {{"NAME", 'C', 8, 0}, {"PH", 'N', 6, 2}, {"ROCK", 'C', 6, 0}}, records);
  const std::string before = bytes_of(path("SOILS.DBF"));
  tblsetup_table_node *t = node("SOILS", {{"NAME", TS_TYPE_CHAR, 8, 0}, {"PH", TS_TYPE_NUMERIC, 6, 2}});
  const std::string home = dir(), moved = home + "_MOVED", copy = home + "_COPY";
  for (bool copied : {false, true}) {
    fflush(nullptr);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      project_->connection = nullptr;
      g_kill_at = 150;   /* half the records copied */
      dbf_set_rebuild_hook(count_or_kill);
      dbf_restructure(nullptr, t, project_);
      _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_TRUE(has_file("TEMPRARY.MRK"));
    std::string there = copied ? copy : moved;
    if (copied) std::filesystem::copy(home, copy, std::filesystem::copy_options::recursive);
    else std::filesystem::rename(home, moved);
    auto original = copied ? files_under(home) : std::map<std::string, std::string>{};
    char table[64] = "";
    EXPECT_EQ(dbf_rebuild_recover(there.c_str(), table, sizeof table), DBF_REBUILD_MENDED) << host_io_transcript();
    EXPECT_EQ(bytes_of(there + "/SOILS.DBF"), before) << (copied ? "copied" : "moved");
    EXPECT_FALSE(std::filesystem::exists(there + "/TEMPRARY.DBF") || std::filesystem::exists(there + "/TEMPRARY.MRK"));
    if (copied) {
      EXPECT_EQ(files_under(home), original) << "the original folder is left alone";
      EXPECT_EQ(dbf_rebuild_recover(home.c_str(), table, sizeof table), DBF_REBUILD_MENDED);
      std::filesystem::remove_all(copy);
    } else {
      EXPECT_FALSE(std::filesystem::exists(home));
      std::filesystem::rename(moved, home);
    }
  }
}

TEST_F(Restructure, AMarkThatIsNotSoundChangesNoFileAndIsNamed) {
  make_table("SOILS", {{"NAME", 'C', 8, 0}, {"NOTE", 'M', 10, 0}}, {{"a", std::string(1500, 'x')}, {"b", "short"}});
  make_table("STRUC", {{"NAME", 'C', 8, 0}}, {{"s"}});
  make_table("UNIT", {{"NAME", 'C', 8, 0}}, {{"u"}});
  const std::string other = std::filesystem::path(dir()).parent_path().string() + "/OTHER";
  std::filesystem::create_directories(other);
  std::filesystem::copy_file(path("STRUC.DBF"), other + "/STATN.DBF");
  const std::string soils = bytes_of(path("SOILS.DBF")), memo = bytes_of(path("SOILS.DBT"));
  const std::string d = dir() + "/";
  static const struct {
    const char *why;
    std::string mark;
    std::string tmp_dbf, tmp_dbt;   /* TEMPRARY.DBF and .DBT put beside it, when not empty */
    bool used;                      /* a sound mark: only the mark goes */
  } k[] = {
      {"an empty mark", "", "", "", false},
      {"a mark cut short", "SOILS\n" + d + "SOILS.DBF\n" + d + "SO", "", "", false},
      {"a path for the table's name", "../OTHER/STATN\n../OTHER/STATN.DBF\n../OTHER/STATN.DBT\nTEMPRARY.DBF\n"
       "TEMPRARY.DBT\n0\n", soils, "", false},
      {"another project's table", "STATN\n" + other + "/STATN.DBF\n" + other + "/STATN.DBT\n" + d + "TEMPRARY.DBF\n" +
       d + "TEMPRARY.DBT\n0\ndone\n", soils, "", false},
      {"one table over another", "STRUC\n" + d + "STRUC.DBF\n" + d + "STRUC.DBT\n" + d + "UNIT.DBF\n" + d +
       "UNIT.DBT\n1\n", "", "", false},
      {"a file outside the catalog", "SOILS\n/tmp/SOILS.DBF\n" + d + "SOILS.DBT\n" + d + "TEMPRARY.DBF\n" + d +
       "TEMPRARY.DBT\n0\ndone\n", "", "", false},
      {"a name longer than a table's", std::string(21, 'S') + "\nA.DBF\nA.DBT\nTEMPRARY.DBF\nTEMPRARY.DBT\n0\n", "",
       "", false},
      {"a half-written set-aside table", "SOILS\nSOILS.DBF\nSOILS.DBT\nTEMPRARY.DBF\nTEMPRARY.DBT\n1\n",
       soils.substr(0, soils.size() - 20), memo, false},
      {"memos beyond the set-aside memo file", "SOILS\nSOILS.DBF\nSOILS.DBT\nTEMPRARY.DBF\nTEMPRARY.DBT\n1\n", soils,
       memo.substr(0, 512), false},
      {"a sound mark of a table with a memo file, said to have none",
       "SOILS\nSOILS.DBF\nSOILS.DBT\nTEMPRARY.DBF\nTEMPRARY.DBT\n0\n", "", "", true},
  };
  for (auto &e : k) {
    std::ofstream(path("TEMPRARY.MRK"), std::ios::binary) << e.mark;
    if (!e.tmp_dbf.empty()) std::ofstream(path("TEMPRARY.DBF"), std::ios::binary) << e.tmp_dbf;
    if (!e.tmp_dbt.empty()) std::ofstream(path("TEMPRARY.DBT"), std::ios::binary) << e.tmp_dbt;
    const std::string top = std::filesystem::path(dir()).parent_path().string();
    auto before = files_under(top);
    host_io_clear_transcript();
    char table[64] = "";
    EXPECT_EQ(dbf_rebuild_recover(dir().c_str(), table, sizeof table), e.used ? DBF_REBUILD_MENDED : -1) << e.why;
    auto after = files_under(top);
    /* One used goes; one not used is set aside, for the next rebuild to begin. */
    auto mark = before.find(std::filesystem::relative(path("TEMPRARY.MRK"), top).string());
    if (!e.used) before[mark->first + ".BAD"] = mark->second;
    before.erase(mark);
    EXPECT_TRUE(after == before) << e.why << "\n" << host_io_transcript();
    if (!e.used) {
      EXPECT_NE(host_io_transcript().find(path("TEMPRARY.MRK") + " of a change to a table cut short was not used"),
                std::string::npos) << e.why << "\n" << host_io_transcript();
    }
    for (const char *f : {"TEMPRARY.MRK.BAD", "TEMPRARY.DBF", "TEMPRARY.DBT"}) std::filesystem::remove(path(f));
  }
  std::filesystem::remove_all(other);
}

TEST_F(Restructure, ARefillKilledAtAnyStepIsPutBackOrFinishedAtTheNextLogon) {
  /* Steps at which the child is killed: the former table kept, then
  ** dropped, the new one half written, the new one complete. The tables
  ** are made and filled through the driver, so that the same steps run on
  ** a server project in the server build of this test. Last, the new one
  ** complete but its mark's closing line refused by a file-size limit: the
  ** child puts the former table back itself and says so, never "saved". */
  enum { kKept, kDropped, kHalf, kComplete, kUnmarked };
  if (on_server) host_set_env("ACAD", dir_);   /* the server project's folder is then dir() */
  /* SOILS as it stands: on dBASE its file's bytes, on a server its rows;
  ** "" when there is none. */
  auto soils = [&](const char *table = "SOILS") -> std::string {
    if (!on_server) return has_file(std::string(table) + ".DBF") ? bytes_of(path(std::string(table) + ".DBF")) : "";
    std::string out = rows(std::string("SELECT * FROM ") + table + " ORDER BY NAME");
    return out.rfind("error", 0) == 0 ? "" : out;
  };
  for (bool had : {true, false}) {
    for (int at : {kKept, kDropped, kHalf, kComplete, kUnmarked}) {
      if (at == kUnmarked && on_server) continue;   /* a server's mark is no file */
      sql_drop_table(project_->connection, "SOILS");
      if (had) {
        run("CREATE TABLE SOILS (NAME CHAR(8), PH NUMERIC(6,2))");
        run("INSERT INTO SOILS (NAME, PH) VALUES ('SOIL1', 1.5)");
        run("INSERT INTO SOILS (NAME, PH) VALUES ('SOIL2', 7.25)");
      }
      const std::string before = soils();
      ASSERT_EQ(before.empty(), !had);
      fflush(nullptr);
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        /* Only the child speaks to the driver until it is killed between
        ** two statements. */
        dbf_refill r;
        if (dbf_refill_begin(r, project_, "SOILS", "Fill SOILS") != 0) _exit(1);
        if (at >= kDropped) sql_drop_table(project_->connection, "SOILS");
        if (at >= kHalf) {
          run("CREATE TABLE SOILS (NAME CHAR(8))");
          if (dbf_refill_guard(r) != 0) _exit(1);
          run("INSERT INTO SOILS (NAME) VALUES ('new')");
        }
        if (at == kComplete) {
          run("INSERT INTO SOILS (NAME) VALUES ('newer')");
          mark_append(r.mark, "done\n");
        }
        if (at == kUnmarked) {
          const rlim_t mark_bytes = (rlim_t)std::filesystem::file_size(path("SOILS.MRF"));
          struct rlimit size = {mark_bytes, mark_bytes};
          signal(SIGXFSZ, SIG_IGN);
          setrlimit(RLIMIT_FSIZE, &size);
          host_io_clear_transcript();
          int rc = dbf_refill_end(r, project_, true);
          _exit(rc == -1 && host_io_transcript().find("ERROR: SOILS was not changed: its mark " + path("SOILS.MRF") +
                                                      " cannot be finished: File too large.") != std::string::npos
                    ? 3 : 4);
        }
        raise(SIGKILL);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      if (at == kUnmarked) {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << "said, had " << had;
        EXPECT_EQ(soils(), before) << "put back at once, had " << had;
        EXPECT_FALSE(has_file("SOILS.DBO") || has_file("SOILS.MRF") || has_file("SOILS.RFG")) << had;
        continue;
      }
      ASSERT_TRUE(WIFSIGNALED(status)) << had << " " << at;
      const std::string made = soils();
      std::vector<std::string> mended;
      EXPECT_EQ(dbf_refill_recover(project_, mended), 0) << host_io_transcript();
      EXPECT_EQ(mended, std::vector<std::string>{"SOILS"});
      if (at == kComplete) EXPECT_EQ(soils(), made) << "finished, had " << had;
      else if (had) EXPECT_EQ(soils(), before) << "put back at step " << at;
      else EXPECT_EQ(soils(), "") << "the part made at step " << at << " goes";
      if (at >= kHalf) {
        EXPECT_NE(made.find("new"), std::string::npos) << "the writer fills its guarded table";
      }
      EXPECT_FALSE(has_file("SOILS.DBO") || has_file("SOILS.MRF") || has_file("SOILS.RFG")) << had << " " << at;
      EXPECT_EQ(soils("SOILS_DBO"), "") << "the kept table goes, " << had << " " << at;
      /* A finished table takes every session's writes again. */
      if (on_server) {
        EXPECT_EQ(rows("SELECT count(*) FROM pg_trigger WHERE tgname = 'pv_refill_guard'"), "0\n") << at;
      }
    }
  }
  if (on_server) {
    /* A table of the kept name is the project's own: no refill begins. */
    run("CREATE TABLE SOILS_DBO (NAME CHAR(8))");
    run("INSERT INTO SOILS_DBO (NAME) VALUES ('mine')");
    const std::string before = soils();
    dbf_refill r;
    EXPECT_EQ(dbf_refill_begin(r, project_, "SOILS", "Fill SOILS"), -1);
    EXPECT_EQ(soils(), before);
    EXPECT_EQ(soils("SOILS_DBO"), "mine\n");
    EXPECT_FALSE(has_file("SOILS.MRF"));
    host_set_env("ACAD", "");
  }
}

TEST_F(Restructure, APutBackCutShortBeforeItsMarkWentIsFinishedAtTheNextLogon) {
  /* A refill of a dBASE table killed half filled; the logon putting it
  ** back is killed as it removes the mark, the former table back in place,
  ** or as the whole copy it wrote beside the table is renamed over it. Or
  ** the refill is killed as soon as the former table is kept, before its
  ** mark. The next logon still finds what it needs and ends the put-back,
  ** and no copy of the table is left for good. */
  if (on_server) GTEST_SKIP() << "a server's put-back is two statements, each one found done or not";
  run("CREATE TABLE SOILS (NAME CHAR(8))");
  run("INSERT INTO SOILS (NAME) VALUES ('SOIL1')");
  const std::string before = bytes_of(path("SOILS.DBF"));
  const struct {
    const char *why;
    kill_at_file refill, logon;   /* where the refill and then a logon are killed */
  } k[] = {
      {"the logon killed as the mark goes", KILL_NEVER, KILL_AT_MARK_REMOVAL},
      {"the logon killed as its whole copy takes the table's place", KILL_NEVER, KILL_AT_COPY_BACK},
      {"the refill killed once the former table is kept", KILL_ONCE_KEPT, KILL_NEVER},
  };
  for (const auto &e : k) {
    for (bool in_logon : {false, true}) {
      if (in_logon && e.logon == KILL_NEVER) continue;
      fflush(nullptr);
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        if (in_logon) {
          g_kill_at_file = e.logon;
          std::vector<std::string> mended;
          dbf_refill_recover(project_, mended);
          _exit(1);
        }
        g_kill_at_file = e.refill;
        dbf_refill r;
        if (dbf_refill_begin(r, project_, "SOILS", "Fill SOILS") != 0) _exit(1);
        sql_drop_table(project_->connection, "SOILS");
        run("CREATE TABLE SOILS (NAME CHAR(8))");
        if (dbf_refill_guard(r) != 0) _exit(1);
        run("INSERT INTO SOILS (NAME) VALUES ('new')");
        raise(SIGKILL);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      ASSERT_TRUE(WIFSIGNALED(status)) << e.why << " " << in_logon;
    }
    host_io_clear_transcript();
    std::vector<std::string> mended;
    EXPECT_EQ(dbf_refill_recover(project_, mended), 0) << e.why << "\n" << host_io_transcript();
    EXPECT_EQ(mended, e.refill == KILL_NEVER ? std::vector<std::string>{"SOILS"} : std::vector<std::string>{})
        << e.why;
    EXPECT_EQ(bytes_of(path("SOILS.DBF")), before) << e.why;
    std::vector<std::string> left;
    for (const auto &f : std::filesystem::directory_iterator(dir()))
      if (f.path().filename().string() != "SOILS.DBF" && f.path().filename().string().rfind("SOILS", 0) == 0)
        left.push_back(f.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{}) << e.why << ": the copies, marks and guard go";
    if (e.refill != KILL_NEVER || e.logon == KILL_AT_COPY_BACK) {
      EXPECT_NE(host_io_transcript().find("cut short left in project GEO were removed: SOILS.D"), std::string::npos)
          << e.why << "\n" << host_io_transcript();
    }
  }
}

TEST_F(Restructure, ARegisteredTableIsDescribedAgainAndItsNodeFollows) {
  run("CREATE TABLE SOILS (BASENUMBER NUMERIC(8,0), NAME CHAR(8))");
  run("INSERT INTO SOILS (BASENUMBER, NAME) VALUES (1, 'loam')");
  tbl_rec *r = tbl_rec_new();
  snprintf(r->name, sizeof r->name, "SOILS");
  r->table_type = TBL_DEF_OTHER;
  r->column_count = sql_describe_table(project_->connection, "SOILS", &r->columns, 0);
  r->keys[TBL_KEY_BASENUMBER] = r->columns;
  ASSERT_EQ(tbl_insert(project_, r), 0);
  tblsetup_table_node *t = tblsetup_table_from_row(r);
  ASSERT_NE(t, nullptr);
  nodes_.push_back(t);
  tblsetup_table_node *added = make_node("X", {{"DEPTH", TS_TYPE_NUMERIC, 8, 2}});
  tblsetup_column_node *depth = added->columns;
  added->columns = nullptr;
  tblsetup_table_free(added);
  tblsetup_column_append(&t->columns, depth);

  ASSERT_EQ(dbf_restructure(nullptr, t, project_), 0) << host_io_transcript();
  EXPECT_EQ(r->column_count, 3);
  ASSERT_NE(tbl_column_find(r->columns, "DEPTH", nullptr, nullptr), nullptr);
  EXPECT_EQ(r->keys[TBL_KEY_BASENUMBER], tbl_column_find(r->columns, "BASENUMBER", nullptr, nullptr))
      << "the key slot follows the new column list";
  ASSERT_NE(t->row, nullptr);
  EXPECT_EQ(t->row->columns, r->columns) << "the node's row copy takes the new list";
  EXPECT_EQ(depth->length, 8);
  EXPECT_EQ(rows("SELECT NAME, DEPTH FROM SOILS"), "loam|\n");
  std::string ini = bytes_of(path("SOILS.INI"));
  EXPECT_NE(ini.find("[SOILSUNQ]"), std::string::npos) << "indexed again: " << ini;
}

}  // namespace
