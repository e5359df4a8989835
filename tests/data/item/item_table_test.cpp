/*
** item_table_test.cpp: dictionary and profile tables on a DB3 project run
** by the DB3 driver: their statements, names and packed names, numbering,
** loading and saving trees, the indented text file, and what a project's
** logoff releases.
*/
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "core/err_text.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "data/item_table.h"
#include "module/pv_logon.h"
#include "platform/host_io.h"
#include "platform/include/ads_host.h"
#include "platform/include/dcl_host.h"

namespace {

/* The system python3 that has the dbfread module. */
const char *const k_python = "/usr/bin/python3";

/* The tree in walk order as "depth name/short/number" lines. */
std::string shape(item_node *root)
{
    std::string out;
    for (item_node *n = item_walk_next(root); n; n = item_walk_next(n))
        out += std::to_string(n->depth) + " " + n->name + "/" + (n->second_name ? n->second_name : "") + "/" +
               std::to_string(n->number) + "\n";
    return out;
}

/* A whole file as bytes. */
std::string slurp(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

/* The four-level text file of the tests, one item climbing two levels. */
const char *const k_strat_file =
    "  \"Precambrian\",\"PC\"\r\n"
    "    \"Granite\",\"GR\",\"Coarse pink granite\"\r\n"
    "      \"Devil's Gate\",\"DG\"\r\n"
    "        \"Upper gate\",\"UG\"\r\n"
    "    \"Gneiss\",\"GN\"\r\n"
    "\r\n"
    "  \"Cambrian\",\"CM\"\r\n";

/* The tree that file gives, numbered in file order. */
const char *const k_strat_shape =
    "1 Precambrian/PC/1\n"
    "2 Granite/GR/2\n"
    "3 Devil's Gate/DG/3\n"
    "4 Upper gate/UG/4\n"
    "2 Gneiss/GN/5\n"
    "1 Cambrian/CM/6\n";

class ItemTable : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  }

  void TearDown() override {
    item_root_empty(&root_);
    for (pjct_rec *p = g_pjct_list; p; p = p->next) prf_project_logoff(p);
    SqlDb3Test::TearDown();
  }

  /* Creates a dictionary, which must succeed. */
  void create(const char *name) {
    char buf[DIX_NAME_SIZE + 8];
    snprintf(buf, sizeof buf, "%s", name);
    ASSERT_EQ(dix_create(buf), 0) << name;
  }

  /* A file of the scratch directory holding the text. */
  std::string file(const std::string &name, const std::string &text) {
    std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }

  /* The records of a dBASE file as python3-dbfread reads them, one
  ** "a|b|c" line each. */
  std::string dbf_rows(const std::string &table) {
    std::string path = std::string(pjct_dir(project_->name)) + "/" + table + ".DBF";
    std::string cmd = std::string(k_python) +
                      " -c 'import sys, dbfread\n"
                      "for r in dbfread.DBF(sys.argv[1]):\n"
                      "    print(\"|\".join(str(v).strip() if isinstance(v, str) else \"%g\" % v for v in r.values()))' " +
                      path;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return "popen failed";
    std::string out;
    char buf[256];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    return out;
  }

  item_node root_{};   /* the tree a test loads */
};

TEST_F(ItemTable, CreatedDictionaryHasItsHeaderRowAndIndexesOnlyFromVersion15) {
  g_host_version = 14;
  create("rockd");
  EXPECT_EQ(rows("SELECT BASENUMBER, LONGNAME, SHORTNAME FROM ROCKD"), "0|ROCKD|\n");
  EXPECT_FALSE(has_file("ROCKD.INI"));
  /* One another user made meanwhile is used with its items, never made
  ** again over them. */
  uint16_t n = 0;
  ASSERT_EQ(dix_insert("ROCKD", "Granite", "GR", &n, "", 0), 0);
  create("ROCKD");
  EXPECT_EQ(rows("SELECT BASENUMBER, LONGNAME FROM ROCKD"), "0|ROCKD\n1|Granite\n");
  run("DROP TABLE ROCKD");
  g_host_version = 15;
  create("ROCKD");
  ASSERT_TRUE(has_file("ROCKD.INI"));
  std::string ini = slurp(std::string(pjct_dir("GEO")) + "/ROCKD.INI");
  EXPECT_NE(ini.find("ROCKD1"), std::string::npos) << ini;
  EXPECT_NE(ini.find("ROCKD2"), std::string::npos) << ini;
  EXPECT_EQ(rows("SELECT COUNT(*) FROM ROCKD"), "1\n");   /* made again, not added to */
}

TEST_F(ItemTable, StatementTextsForOdbcAndOtherEnvironments) {
  char text[DIX_SQL_SIZE];
  dix_create_text(text, sizeof text, "ROCKD", 1);
  EXPECT_STREQ(text, "CREATE TABLE ROCKD (BASENUMBER INTEGER ,LONGNAME CHAR(32) ,SHORTNAME CHAR(32) ,DEFINITION CHAR(70))");
  dix_create_text(text, sizeof text, "ROCKD", 0);
  EXPECT_STREQ(text, "CREATE TABLE ROCKD (BASENUMBER DEC(8) ,LONGNAME CHAR(32) ,SHORTNAME CHAR(32) ,DEFINITION CHAR(70))");
  prf_create_text(text, sizeof text, "ROCKP", 1);
  EXPECT_STREQ(text, "CREATE TABLE ROCKP (SORTNUMBER INTEGER,BASENUMBER INTEGER,PARENTNUM INTEGER,WINDOW INTEGER)");
  prf_create_text(text, sizeof text, "ROCKP", 0);
  EXPECT_STREQ(text, "CREATE TABLE ROCKP (SORTNUMBER DEC(8) ,BASENUMBER DEC(8) ,PARENTNUM DEC(8),WINDOW DEC(8))");
}

TEST_F(ItemTable, ProjectOfAnOdbcEnvironmentInAnyCaseGetsIntegerNumbers) {
  char **saved = g_env_names;
  int saved_count = g_env_count;
  char odbc[] = "odbc";
  char *names[] = {odbc};
  g_env_names = names;
  g_env_count = 1;
  project_->env_index = 0;
  create("ROCKD");
  char p[] = "ROCKP", d[] = "ROCKD";
  EXPECT_EQ(prf_create(p, d), 0);
  g_env_names = saved;
  g_env_count = saved_count;
  sql_col_rec *row = nullptr;
  ASSERT_EQ(sql_describe_table(project_->connection, "ROCKD", &row, 0), 4);
  std::string dix_field = std::to_string(row->sql_type) + "/" + std::to_string(row->length);
  sql_col_list_free(&row);
  ASSERT_EQ(sql_describe_table(project_->connection, "ROCKP", &row, 0), 4);
  std::string prf_field = std::to_string(row->sql_type) + "/" + std::to_string(row->length);
  sql_col_list_free(&row);
  run("DROP TABLE ROCKD");
  create("ROCKD");
  ASSERT_EQ(sql_describe_table(project_->connection, "ROCKD", &row, 0), 4);
  std::string dec_field = std::to_string(row->sql_type) + "/" + std::to_string(row->length);
  sql_col_list_free(&row);
  EXPECT_EQ(dix_field, prf_field);
  EXPECT_NE(dix_field, dec_field);
}

TEST_F(ItemTable, PackedNamesAndNameRules) {
  struct {
    const char *name;
    uint16_t first, second;
    const char *back;
  } rows[] = {
      {"ROCK", 60077, 153, "ROCK"},
      {"rock", 60077, 153, "ROCK"},
      {"ROCKD", 60077, 8089, "ROCKD"},
      {"LITHO", 63783, 10894, "LITHO"},
      {"A-1 B", 0, 0, "A-1 B"},
  };
  for (auto &r : rows) {
    uint16_t first = 0, second = 0;
    ASSERT_EQ(prf_pack_name(r.name, &first, &second), 0);
    if (r.first) {
      EXPECT_EQ(first, r.first) << r.name;
      EXPECT_EQ(second, r.second) << r.name;
    }
    char back[DIX_NAME_SIZE];
    prf_unpack_name(back, first, second);
    EXPECT_STREQ(back, r.back) << r.name;
  }

  host_io_clear_transcript();
  EXPECT_EQ(dix_check_name("ROCKSS"), -1);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nERROR: ROCKSS is longer than 5 characters"), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(dix_check_name("C:\\data\\ROCKD.TXT"), 0);
  EXPECT_EQ(dix_check_name("  "), -2);
  tbl_rec *t = tbl_rec_new();
  snprintf(t->name, sizeof t->name, "STATN");
  t->table_type = TBL_DEF_STATION;
  ASSERT_EQ(tbl_insert(project_, t), 0);
  host_io_clear_transcript();
  EXPECT_EQ(dix_check_name("statn"), -1);
  EXPECT_NE(host_io_transcript().find("ERROR: table name statn in use"), std::string::npos) << host_io_transcript();

  char name[DIX_NAME_SIZE];
  EXPECT_EQ(prf_name_from_path(name, "/home/geo/ strat.txt"), 0);
  EXPECT_STREQ(name, "STRAT");
  EXPECT_EQ(prf_name_from_path(name, "c:lithology"), 0);
  EXPECT_STREQ(name, "LITHO");
  EXPECT_EQ(prf_name_from_path(name, "dir/.txt"), -1);
  EXPECT_EQ(prf_name_from_path(name, " "), -2);
}

TEST_F(ItemTable, TextFileBecomesDictionaryItemsAndAProfileThatLoadsBackAfterLogon) {
  create("ROCKD");
  std::string path = file("strat.txt", k_strat_file);
  ASSERT_EQ(item_read_text(path.c_str(), "ROCKD", &root_), 0);
  EXPECT_EQ(shape(&root_), k_strat_shape);
  EXPECT_STREQ(root_.second_name, "ROCKD");
  EXPECT_EQ(std::string(root_.name), path.substr(0, ITEM_NAME_MAX));

  char longname[DIX_LONGNAME_LEN + 1], shortname[DIX_SHORTNAME_LEN + 1], definition[DIX_DEFINITION_SIZE];
  uint16_t number = 0;
  EXPECT_EQ(dix_find_long("ROCKD", "Devil's Gate", longname, shortname, &number, definition), 1);
  EXPECT_STREQ(longname, "Devil's Gate");
  EXPECT_EQ(number, 3);
  EXPECT_EQ(dix_find_long("ROCKD", "Granite", longname, shortname, &number, definition), 1);
  EXPECT_STREQ(definition, "Coarse pink granite");
  EXPECT_EQ(dix_find_long("ROCKD", "Basalt", longname, shortname, &number, definition), -1);

  ASSERT_EQ(item_save_profile("ROCKP", "ROCKD", &root_), 0);
  if (access(k_python, X_OK) == 0) {
    EXPECT_EQ(dbf_rows("ROCKP"),
              "0|0|60077|8089\n1|1|0|0\n2|2|1|0\n3|3|2|0\n4|4|3|0\n5|5|1|0\n6|6|0|0\n");
    EXPECT_EQ(dbf_rows("ROCKD"),
              "0|ROCKD||\n1|Precambrian|PC|\n2|Granite|GR|Coarse pink granite\n3|Devil's Gate|DG|\n"
              "4|Upper gate|UG|\n5|Gneiss|GN|\n6|Cambrian|CM|\n");
  }

  item_root_empty(&root_);
  logoff(project_);
  project_ = logon("GEO");
  ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  ASSERT_EQ(item_load_profile("ROCKP", "ROCKD", &root_), 0);
  EXPECT_EQ(shape(&root_), k_strat_shape);
  EXPECT_STREQ(root_.name, "ROCKP");
  EXPECT_STREQ(root_.second_name, "ROCKD");
  EXPECT_NE(item_find(&root_, "Devil's Gate"), nullptr);

  ASSERT_EQ(item_load_dictionary("ROCKD", &root_), 0);
  EXPECT_EQ(root_.name, nullptr);
  EXPECT_EQ(shape(&root_),
            "1 Precambrian/PC/1\n1 Granite/GR/2\n1 Devil's Gate/DG/3\n1 Upper gate/UG/4\n1 Gneiss/GN/5\n"
            "1 Cambrian/CM/6\n");
}

TEST_F(ItemTable, ProfileOfAnotherDictionaryOrWithAParentOffThePathLoadsNothing) {
  create("ROCKD");
  create("LITHO");
  uint16_t a = 0, b = 0;
  ASSERT_EQ(dix_insert("ROCKD", "Granite", "GR", &a, "", 0), 0);
  ASSERT_EQ(dix_insert("ROCKD", "Shale", "SH", &b, "", 0), 0);
  ASSERT_EQ(item_root_init(&root_, "ROCKP", "ROCKD"), 0);
  item_node *g = item_add_child(&root_, "Granite", "GR", a, 0, nullptr);
  item_add_child(g, "Shale", "SH", b, 0, nullptr);
  ASSERT_EQ(item_save_profile("ROCKP", "ROCKD", &root_), 0);

  EXPECT_EQ(item_load_profile("ROCKP", "LITHO", &root_), -9503);
  EXPECT_EQ(root_.child, nullptr);
  EXPECT_EQ(root_.second_name, nullptr);
  EXPECT_STREQ(err_text(-9503), "Incorrect dictionairy for profile ");

  char p[] = "BADP", d[] = "ROCKD";
  ASSERT_EQ(prf_create(p, d), 0);
  EXPECT_EQ(prf_insert("BADP", 1, a, 0, 0), 5100);
  EXPECT_EQ(prf_insert("BADP", 2, b, 99, 0), 5100);
  EXPECT_EQ(item_load_profile("BADP", "ROCKD", &root_), -9502);
  EXPECT_EQ(root_.child, nullptr);
  EXPECT_EQ(item_load_profile("NOSUCH", "ROCKD", &root_) < 0, true);

  /* An item number past 16 bits is said as such, never read as another
  ** item or as the header; a profile of more items than its sort numbers
  ** count is refused before anything is written. */
  run("INSERT INTO ROCKD (BASENUMBER, LONGNAME, SHORTNAME) VALUES (65536, 'Basalt', 'BA')");
  EXPECT_EQ(prf_insert("ROCKP", 3, 65536, 0, 0), 5100);
  EXPECT_EQ(item_load_profile("ROCKP", "ROCKD", &root_), -9506);
  EXPECT_EQ(root_.child, nullptr);
  EXPECT_EQ(item_load_dictionary("ROCKD", &root_), -9506);
  EXPECT_STREQ(err_text(-9506), "More than 65535 items, or an item number above 65535, in");
  ASSERT_EQ(item_root_init(&root_, "BIGP", "ROCKD"), 0);
  for (int i = 0; i <= DIX_NUMBER_MAX; i++) item_add_child(&root_, "Granite", "GR", a, 0, nullptr);
  EXPECT_EQ(item_save_profile("BIGP", "ROCKD", &root_), -9506);
  EXPECT_FALSE(has_file("BIGP.DBF"));
}

TEST_F(ItemTable, AProfileWhoseRowsCannotBeWrittenIsSaidAndLeftAsItWas) {
  if (on_server) GTEST_SKIP() << "a file size limit fails the writes of the DB3 driver";
  create("ROCKD");
  uint16_t a = 0;
  ASSERT_EQ(dix_insert("ROCKD", "Granite", "GR", &a, "", 0), 0);
  ASSERT_EQ(item_root_init(&root_, "ROCKP", "ROCKD"), 0);
  for (int i = 0; i < 200; i++) item_add_child(&root_, "Granite", "GR", a, 0, nullptr);
  /* The driver started anew (a file too large fails its write, not the
  ** driver) and held to a file size limit: the profile's table is made,
  ** its rows do not fit. */
  prf_project_logoff(project_);
  logoff(project_);
  ASSERT_TRUE(kill_driver());
  signal(SIGXFSZ, SIG_IGN);
  project_ = logon("GEO");
  struct rlimit small = {1024, RLIM_INFINITY};
  ASSERT_EQ(prlimit(asi_driver_pid("DB3"), RLIMIT_FSIZE, &small, nullptr), 0);
  signal(SIGXFSZ, SIG_DFL);
  ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  host_io_clear_transcript();
  int rc = item_save_profile("ROCKP", "ROCKD", &root_);
  const std::string said = host_io_transcript();
  prf_project_logoff(project_);
  logoff(project_);
  kill_driver();
  project_ = logon("GEO");
  EXPECT_NE(rc, 0);
  const std::string text = "Profile ROCKP cannot be saved: ";
  EXPECT_NE(said.find(text), std::string::npos) << said;
  EXPECT_EQ(said.find(text), said.rfind(text)) << said;
  EXPECT_FALSE(has_file("ROCKP.DBF")) << "the profile is as it was: none";
}

TEST_F(ItemTable, RefusedInsertKeepsTheDictionaryRows) {
  run("CREATE TABLE ROCKX (BASENUMBER DEC(8), LONGNAME CHAR(32), SHORTNAME CHAR(32))");
  run("INSERT INTO ROCKX (BASENUMBER, LONGNAME, SHORTNAME) VALUES (0, 'ROCKX', '')");
  run("INSERT INTO ROCKX (BASENUMBER, LONGNAME, SHORTNAME) VALUES (1, 'Granite', 'GR')");
  uint16_t number = 0;
  EXPECT_LT(dix_insert("ROCKX", "Shale", "SH", &number, "no such column", 1), 0);
  EXPECT_EQ(rows("SELECT BASENUMBER, LONGNAME FROM ROCKX"), "0|ROCKX\n1|Granite\n");

  /* A dictionary that does not exist is made when asked. */
  EXPECT_LT(dix_insert("ROCKN", "Shale", "SH", &number, "", 0), 0);
  EXPECT_FALSE(has_file("ROCKN.DBF"));
  ASSERT_EQ(dix_insert("ROCKN", "Shale", "SH", &number, "", 1), 0);
  EXPECT_EQ(number, 1);
  EXPECT_EQ(rows("SELECT BASENUMBER, LONGNAME FROM ROCKN"), "0|ROCKN\n1|Shale\n");
}

TEST_F(ItemTable, EachProjectNumbersADictionaryFromItsOwnMaximum) {
  create("ROCKD");
  uint16_t n = 0;
  for (const char *name : {"A", "B", "C"}) ASSERT_EQ(dix_insert("ROCKD", name, "", &n, "", 0), 0);
  EXPECT_EQ(n, 3);
  pjct_rec *map = logon("MAP");
  run("CREATE TABLE ROCKD (BASENUMBER DEC(8), LONGNAME CHAR(32), SHORTNAME CHAR(32), DEFINITION CHAR(70))", map);
  run("INSERT INTO ROCKD (BASENUMBER, LONGNAME) VALUES (10, 'X')", map);
  ASSERT_EQ(prf_edit_set_project(nullptr, map), 0);
  EXPECT_EQ(dix_next_number("ROCKD"), 11);
  ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  EXPECT_EQ(dix_next_number("rockd"), 4);
  ASSERT_EQ(prf_edit_set_project(nullptr, map), 0);
  EXPECT_EQ(dix_next_number("ROCKD"), 12);
  /* A number another user stored since it was counted is never shared. */
  run("INSERT INTO ROCKD (BASENUMBER, LONGNAME) VALUES (13, 'Other user')", map);
  ASSERT_EQ(dix_insert("ROCKD", "Mine", "", &n, "", 0), 0);
  EXPECT_EQ(n, 14);

  /* No counter is kept while the maximum cannot be read. */
  EXPECT_EQ(dix_next_number("NOSUCH"), 0);
  run("CREATE TABLE NOSUCH (BASENUMBER DEC(8))", map);
  run("INSERT INTO NOSUCH (BASENUMBER) VALUES (7)", map);
  EXPECT_EQ(dix_next_number("NOSUCH"), 8);

  /* A number never wraps past 65535 onto an existing one. */
  run("INSERT INTO ROCKD (BASENUMBER, LONGNAME) VALUES (65535, 'Last')", project_);
  ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  dix_counters_drop("GEO");
  EXPECT_EQ(dix_next_number("ROCKD"), 0);
  EXPECT_LT(dix_insert("ROCKD", "Wrapped", "", &n, "", 0), 0);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM ROCKD WHERE LONGNAME = 'Wrapped'"), "0\n");
}

TEST_F(ItemTable, LogoffFreesASharedTreeOnceAndForgetsTheProject) {
  create("ROCKD");
  item_node *tree = (item_node *)calloc(1, sizeof(item_node));
  ASSERT_EQ(item_root_init(tree, "ROCKP", "ROCKD"), 0);
  item_node *g = item_add_child(tree, "Granite", "GR", 1, 0, nullptr);
  item_add_child(g, "Coarse", "", 2, 0, nullptr);
  for (const char *column : {"ROCK1", "ROCK2"}) {
    col_attr_rec *r = col_attr_new();
    snprintf(r->column, sizeof r->column, "%s", column);
    snprintf(r->table, sizeof r->table, "STATN");
    snprintf(r->profile, sizeof r->profile, "ROCKP");
    snprintf(r->dictionary, sizeof r->dictionary, "ROCKD");
    r->tree = tree;
    col_attr_push(r, project_);
  }
  EXPECT_EQ(dix_next_number("ROCKD"), 1);
  ASSERT_EQ(pjct_logoff(project_, 0, 1), RTNORM);
  EXPECT_EQ(prf_tables()->dix.project, nullptr);
  EXPECT_EQ(prf_tables()->prf.connection, nullptr);
  EXPECT_EQ(dix_counters_drop("GEO"), 0);   /* already dropped */

  project_ = logon("GEO");
  ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
  EXPECT_EQ(dix_next_number("ROCKD"), 1);   /* read from the table again */
}

TEST_F(ItemTable, TextFileIsWrittenIndentedWithCrLfAndReadsBackTheSameTree) {
  create("ROCKD");
  ASSERT_EQ(item_root_init(&root_, "STRAT", "ROCKD"), 0);
  item_node *g = item_add_child(&root_, "Granite", "GR", 1, 0, nullptr);
  item_add_child(g, "Coarse", "", 2, 0, nullptr);
  std::string path = dir_ + "/small.txt";
  ASSERT_EQ(item_write_text(path.c_str(), "ROCKD", &root_), 0);
  EXPECT_EQ(slurp(path), "  \"Granite\",\"GR\"\r\n    \"Coarse\",\"\"\r\n");

  /* Five levels, climbing one and three levels at a time. */
  item_root_empty(&root_);
  ASSERT_EQ(item_root_init(&root_, "DEEP", "ROCKD"), 0);
  item_node *n = &root_;
  for (int d = 1; d <= 5; ++d) n = item_add_child(n, ("Level " + std::to_string(d)).c_str(), "L", (uint16_t)d, 0, nullptr);
  item_add_sibling(n->parent, "Back to four", "B4", 6, 0, nullptr);
  item_add_sibling(root_.child->child, "Back to two", "B2", 7, 0, nullptr);
  std::string first = dir_ + "/deep1.txt", second = dir_ + "/deep2.txt";
  ASSERT_EQ(item_write_text(first.c_str(), "ROCKD", &root_), 0);
  std::string written = shape(&root_);

  item_node back{};
  ASSERT_EQ(item_read_text(first.c_str(), "ROCKD", &back), 0);
  std::string read = shape(&back);
  ASSERT_EQ(item_write_text(second.c_str(), "ROCKD", &back), 0);
  item_root_empty(&back);
  /* Numbered by the dictionary in file order, which is the written one. */
  EXPECT_EQ(read, written);
  EXPECT_EQ(slurp(second), slurp(first));

  EXPECT_EQ(item_write_text((dir_ + "/no/such/dir.txt").c_str(), "ROCKD", &root_), -9102);
  EXPECT_EQ(item_read_text((dir_ + "/none.txt").c_str(), "ROCKD", &back), -9102);
  EXPECT_EQ(item_write_text(" ", "ROCKD", &root_), -2);
  EXPECT_STREQ(err_text(ERR_SAVE_PROFILE), "Cannot save profile");
}

TEST_F(ItemTable, TextFileKeepsAccentedNamesAndRefusesADoubleQuoteBeforeChangingAnything) {
  create("ROCKD");
  /* "Éclogite" and "Marné" in Windows-1252, one below the other. */
  ASSERT_EQ(item_root_init(&root_, "STRAT", "ROCKD"), 0);
  item_node *e = item_add_child(&root_, "\xC9" "clogite", "\xC9" "C", 1, 0, nullptr);
  item_add_child(e, "Marn\xE9", "", 2, 0, nullptr);
  const std::string path = dir_ + "/accent.txt";
  ASSERT_EQ(item_write_text(path.c_str(), "ROCKD", &root_), 0);
  const std::string written = slurp(path);
  item_node back{};
  ASSERT_EQ(item_read_text(path.c_str(), "ROCKD", &back), 0);
  EXPECT_EQ(shape(&back), "1 \xC9" "clogite/\xC9" "C/1\n2 Marn\xE9//2\n");
  item_root_empty(&back);
  /* The same names in UTF-8 read as the same items; a character that
  ** Windows-1252 lacks is refused naming its line. */
  const std::string utf8 = file("accent8.txt", "\"\xC3\x89" "clogite\",\"\xC3\x89" "C\"\r\n  \"Marn\xC3\xA9\",\"\"\r\n");
  ASSERT_EQ(item_read_text(utf8.c_str(), "ROCKD", &back), 0);
  EXPECT_EQ(shape(&back), "1 \xC9" "clogite/\xC9" "C/1\n2 Marn\xE9//2\n");
  item_root_empty(&back);
  const std::string foreign = file("accent9.txt", "\"Gneiss \xE4\xB8\xAD\",\"\"\r\n");
  host_io_clear_transcript();
  EXPECT_EQ(item_read_text(foreign.c_str(), "ROCKD", &back), ERR_TEXT_REFUSED);
  EXPECT_NE(host_io_transcript().find("line 1: U+4E2D is a character Windows-1252 lacks"), std::string::npos)
      << host_io_transcript();

  /* The file has no escape for a double quote: refused before the file is touched. */
  item_add_sibling(e, "Fine \"grained\"", "FG", 3, 0, nullptr);
  host_io_clear_transcript();
  EXPECT_EQ(item_write_text(path.c_str(), "ROCKD", &root_), ERR_TEXT_REFUSED);
  EXPECT_NE(host_io_transcript().find(path + " cannot be written to a text file: item Fine \"grained\" holds a double quote"),
            std::string::npos) << host_io_transcript();
  EXPECT_EQ(slurp(path), written);
  /* Nor is an item without a name, which would read back as no item. */
  item_update(e->next, " ", "", 3, nullptr);
  host_io_clear_transcript();
  EXPECT_EQ(item_write_text(path.c_str(), "ROCKD", &root_), ERR_TEXT_REFUSED);
  EXPECT_NE(host_io_transcript().find("item number 3 has no name"), std::string::npos) << host_io_transcript();
  EXPECT_EQ(slurp(path), written);

  /* A line whose quotes do not pair is refused with its number; no dictionary row is added. */
  const std::string before = rows("SELECT BASENUMBER, LONGNAME FROM ROCKD ORDER BY BASENUMBER");
  const std::string bad = file("quote.txt", "  \"Basalt\",\"BA\"\r\n\n  \"Fine \"grained\"\",\"FG\"\r\n");
  host_io_clear_transcript();
  EXPECT_EQ(item_read_text(bad.c_str(), "ROCKD", &back), ERR_TEXT_REFUSED);
  EXPECT_NE(host_io_transcript().find(bad + " line 3: the double quotes do not pair"), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(rows("SELECT BASENUMBER, LONGNAME FROM ROCKD ORDER BY BASENUMBER"), before);
  EXPECT_EQ(item_walk_next(&back), nullptr);
}

TEST_F(ItemTable, BlankLinesAndLinesWithoutALongNameArePassedOver) {
  create("ROCKD");
  std::string path = file("blank.txt", "\n\n  \"\",\"SH\"\n  \"Shale\",\"\"\n   \n  \"\",\"\"\n");
  ASSERT_EQ(item_read_text(path.c_str(), "ROCKD", &root_), 0);
  EXPECT_EQ(shape(&root_), "1 Shale//1\n");
}

TEST_F(ItemTable, DictionaryWhoseHeaderIsNotTheFirstRowLoadsEveryItem) {
  run("CREATE TABLE LATE (BASENUMBER DEC(8), LONGNAME CHAR(32), SHORTNAME CHAR(32), DEFINITION CHAR(70))");
  run("INSERT INTO LATE (BASENUMBER, LONGNAME, SHORTNAME) VALUES (1, 'Granite', 'GR')");
  run("INSERT INTO LATE (BASENUMBER, LONGNAME, SHORTNAME) VALUES (0, 'LATE', '')");
  run("INSERT INTO LATE (BASENUMBER, LONGNAME, SHORTNAME) VALUES (2, 'Shale', 'SH')");
  ASSERT_EQ(item_load_dictionary("LATE", &root_), 0);
  EXPECT_EQ(shape(&root_), "1 Granite/GR/1\n1 Shale/SH/2\n");
  EXPECT_STREQ(root_.second_name, "LATE");
  EXPECT_NE(item_find(&root_, "Granite"), nullptr);
  EXPECT_EQ(item_load_dictionary("NOSUCH", &root_) < 0, true);
  EXPECT_NE(root_.child, nullptr);   /* a failed query leaves the tree alone */
}

/* The editor's opening of tables, answered through the OK/quit box. */
class ItemTableOpen : public ItemTable {
 protected:
  void SetUp() override {
    ItemTable::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM);
  }
  void TearDown() override {
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    ItemTable::TearDown();
  }
  int saved_dcl_ = PV_NO_DCL;   /* g_dcl_id before the test */
};

TEST_F(ItemTableOpen, MissingDictionaryIsCreatedOnlyWhenConfirmedAndItsKeysAreLocked) {
  host_io_use_script_text("pv_okquit_small\ncancel\npv_okquit_small\nok\n");
  EXPECT_LT(prf_edit_open_dictionary("ROCKD"), 0);
  EXPECT_FALSE(has_file("ROCKD.DBF"));
  EXPECT_EQ(prf_edit_open_dictionary("ROCKD"), 0);
  EXPECT_EQ(rows("SELECT BASENUMBER, LONGNAME FROM ROCKD"), "0|ROCKD\n");
  sql_col_rec *columns = prf_tables()->dix_columns;
  ASSERT_NE(columns, nullptr);
  auto editable = [columns](const char *name) {
    sql_col_rec *c = sql_col_find(columns, name, nullptr, nullptr);
    return c && c->attr && (c->attr->flags & COL_ATTR_EDIT);
  };
  EXPECT_FALSE(editable("BASENUMBER"));
  EXPECT_FALSE(editable("LONGNAME"));
  EXPECT_TRUE(editable("SHORTNAME"));
  EXPECT_EQ(dix_unlock_longname(columns), 0);
  EXPECT_TRUE(editable("LONGNAME"));
  /* Open again: found, no question. */
  host_io_use_script_text("");
  EXPECT_EQ(prf_edit_open_dictionary("ROCKD"), 1);
  EXPECT_EQ(prf_edit_open_dictionary("ROCKDD"), -1);
}

TEST_F(ItemTableOpen, MissingProfileIsCreatedForItsDictionaryWhenConfirmed) {
  create("ROCKD");
  host_io_use_script_text("pv_okquit_small\ncancel\npv_okquit_small\nok\n");
  EXPECT_LT(prf_edit_open_profile("ROCKP", "ROCKD"), 0);
  EXPECT_FALSE(has_file("ROCKP.DBF"));
  EXPECT_EQ(prf_edit_open_profile("ROCKP", "ROCKD"), 0);
  EXPECT_EQ(rows("SELECT SORTNUMBER, BASENUMBER, PARENTNUM, WINDOW FROM ROCKP"), "0|0|60077|8089\n");
  host_io_use_script_text("");
  EXPECT_EQ(prf_edit_open_profile("ROCKP", "ROCKD"), 1);
  EXPECT_EQ(prf_edit_open_profile("ROCKP", "ROCKDDD"), -1);
}

}  // namespace

#ifdef PV_SQL_FIXTURE_ODBC
/* On a server reached through ODBC the dictionary and profile numbers are
** INTEGER in the server's own catalog, and the profile's WINDOW column,
** a word the server reserves, is made and read like any other. */
TEST_F(ItemTable, ServerCatalogHoldsTheNumbersOfAnOdbcProjectAsInteger) {
  char **saved = g_env_names;
  int saved_count = g_env_count;
  char odbc[] = "ODBC";
  char *names[] = {odbc};
  g_env_names = names;
  g_env_count = 1;
  project_->env_index = 0;
  create("ROCKD");
  char p[] = "ROCKP", d[] = "ROCKD";
  EXPECT_EQ(prf_create(p, d), 0);
  g_env_names = saved;
  g_env_count = saved_count;
  EXPECT_EQ(g_sql_pg->psql("SELECT table_name, column_name FROM information_schema.columns WHERE table_schema = 'geo' "
                           "AND data_type = 'integer' ORDER BY table_name, ordinal_position"),
            "rockd|basenumber\nrockp|sortnumber\nrockp|basenumber\nrockp|parentnum\nrockp|window\n");
  EXPECT_EQ(rows("SELECT SORTNUMBER, WINDOW FROM ROCKP"), "0|8089\n");   /* the header row and its packed name */
}
#endif
