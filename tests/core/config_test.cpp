/*
** config_test.cpp: the configured environments and projects read from the
** configuration store, and the project manager's writes: relative
** directories, links switches, long key lists, names that would break the
** store, and failures that must leave the file as it was.
*/
#include "core/pv_config.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/pjct_list.h"
#include "host_editor.h"
#include "platform/host_io.h"
#include "sqlclient/asi_api.h"

namespace {

namespace fs = std::filesystem;

/* A scratch directory with an asi.ini named by the editor setting. */
class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_io_clear_transcript();
    dir_ = fs::temp_directory_path() /
           ("pvcfg-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    ini_ = (dir_ / "asi.ini").string();
    host_set_env("ASI_INI", ini_);
    ASSERT_EQ(asi_init(), 1);
  }
  void TearDown() override {
    pv_config_free();
    asi_term();
    host_set_env("ASI_INI", "");
    fs::remove_all(dir_);
  }
  void write(const std::string &text) { std::ofstream(ini_) << text; }
  std::string file() const {
    std::ifstream in(ini_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }

  fs::path dir_;     /* scratch directory */
  std::string ini_;  /* its asi.ini */
};

const char *SITE =
    "[ENVIRONMENTS]\n"
    "DB3=\n"
    "ORACLE7=\n"
    "[DB3]\n"
    "Driver=pvdb3\n"
    "PETRIVEX=projects\n"
    "PETRIVEX.GEO=GEO\n"
    "PETRIVEX.Survey=/data/survey\n"
    "PETRIVEX.O'NEIL=projects/x\n"
    "[ORACLE7]\n"
    "Driver=pvora\n"
    "PETRIVEX=PVCAT\n"
    "PETRIVEX.MINES=minesdb\n"
    "[PETRIVEX_MISC]\n"
    "GEO.links=1\n"
    "Survey.links=0\n";

}  // namespace

TEST_F(ConfigTest, EnvironmentsAndProjectsAreReadWithDb3DirectoriesInTheirCatalog) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  ASSERT_EQ(g_env_count, 2);
  EXPECT_STREQ(g_env_names[0], "DB3");
  EXPECT_STREQ(g_env_names[1], "ORACLE7");
  ASSERT_EQ(g_pjct_count, 3);
  std::string base = dir_.string();
  EXPECT_STREQ(g_pjct_names[0], "GEO");
  EXPECT_EQ(std::string(g_pjct_dirs[0]), base + "/projects/GEO");
  EXPECT_EQ(g_pjct_env[0], 0);
  EXPECT_STREQ(g_pjct_dirs[1], "/data/survey") << "an absolute directory is kept";
  EXPECT_STREQ(g_pjct_names[2], "MINES");
  EXPECT_STREQ(g_pjct_dirs[2], "minesdb") << "a server schema is not a directory";
  EXPECT_EQ(g_pjct_env[2], 1);
  EXPECT_EQ(std::string(pv_config_catalog(0)), base + "/projects");
  EXPECT_STREQ(pv_config_catalog(1), "PVCAT");
  EXPECT_EQ(pv_config_catalog(2), nullptr);
}

TEST_F(ConfigTest, LookupsIgnoreCaseAndKnowTheEnvironment) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  EXPECT_EQ(pv_config_env_index("db3"), 0);
  EXPECT_EQ(pv_config_env_index("ODBC"), -1);
  EXPECT_EQ(pv_config_env_index(nullptr), -1);
  EXPECT_EQ(pv_config_project_index("geo", -1), 0);
  EXPECT_EQ(pv_config_project_index("GEO", 1), -1) << "GEO is not an ORACLE7 project";
  EXPECT_EQ(pv_config_project_index("MINES", 1), 2);
  EXPECT_EQ(pv_config_project_index("NOSUCH", -1), -1);
  EXPECT_EQ(std::string(pjct_dir("survey")), "/data/survey");
  EXPECT_EQ(pjct_dir("NOSUCH"), nullptr);
  EXPECT_EQ(pjct_dir(nullptr), nullptr);
}

TEST_F(ConfigTest, LinksSwitchIsOnOnlyWhenTheStoreSaysSo) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  EXPECT_EQ(pv_config_links("GEO"), 1);
  EXPECT_EQ(pv_config_links("Survey"), 0);
  EXPECT_EQ(pv_config_links("MINES"), 0) << "no entry: links off";
  EXPECT_EQ(pv_config_links("NOSUCH"), 0);
}

TEST_F(ConfigTest, ANameThatWouldBreakTheStoreIsNotAProject) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  EXPECT_EQ(pv_config_project_index("O'NEIL", -1), -1);
  EXPECT_EQ(g_pjct_count, 3);
}

TEST_F(ConfigTest, AStoreWithoutEnvironmentsFailsAndLeavesTheListsEmpty) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  write("[DB3]\nDriver=pvdb3\n");
  EXPECT_EQ(pv_config_load(), -9102);
  EXPECT_EQ(g_env_count, 0);
  EXPECT_EQ(g_pjct_count, 0);
  EXPECT_EQ(g_env_names, nullptr);
  fs::remove(ini_);
  EXPECT_EQ(pv_config_load(), -9102) << "a missing store is empty";
}

TEST_F(ConfigTest, ManyProjectsBeyondTheFirstListRoomAreAllRead) {
  std::string text = "[ENVIRONMENTS]\nDB3=\n[DB3]\n";
  const int n = 400;  /* keys of about 20 characters: twice the first room */
  for (int i = 0; i < n; ++i) text += "PETRIVEX.PROJECT" + std::to_string(1000 + i) + "=/p/" + std::to_string(i) + "\n";
  write(text);
  ASSERT_EQ(pv_config_load(), RTNORM);
  ASSERT_EQ(g_pjct_count, n);
  EXPECT_STREQ(g_pjct_names[n - 1], "PROJECT1399");
  EXPECT_STREQ(g_pjct_dirs[n - 1], "/p/399");
}

TEST(ConfigNames, NamesThatCannotLiveInTheStoreAreRefused) {
  struct { const char *name; int ok; } cases[] = {
      {"GEO", 1}, {"Field 1995", 1}, {"Projections", 1}, {"", 0}, {nullptr, 0}, {" GEO", 0},
      {"GEO ", 0}, {"O'NEIL", 0}, {"A\"B", 0}, {"A=B", 0}, {"[GEO]", 0}, {"A;B", 0}, {"A#B", 0},
      {"A\\B", 0}, {"A\nB", 0}, {"A\tB", 0},
  };
  for (auto &c : cases) EXPECT_EQ(pv_config_name_ok(c.name), c.ok) << (c.name ? c.name : "(null)");
  std::string longest(PV_CFG_NAME_MAX, 'A');
  EXPECT_EQ(pv_config_name_ok(longest.c_str()), 1);
  EXPECT_EQ(pv_config_name_ok((longest + "A").c_str()), 0);
}

TEST_F(ConfigTest, AddingAProjectWritesItsEntriesAndReadsTheListsAgain) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  ASSERT_EQ(pv_config_add_project("db3", "FIELD95", "F95", 1), RTNORM);
  int i = pv_config_project_index("FIELD95", 0);
  ASSERT_GE(i, 0);
  EXPECT_EQ(std::string(g_pjct_dirs[i]), dir_.string() + "/projects/F95");
  EXPECT_EQ(pv_config_links("FIELD95"), 1);
  std::string t = file();
  EXPECT_NE(t.find("PETRIVEX.FIELD95=F95"), std::string::npos) << t;
  EXPECT_NE(t.find("[ASE_CATALOGS]"), std::string::npos) << t;
  EXPECT_NE(t.find("FIELD95.links=1"), std::string::npos) << t;

  ASSERT_EQ(pv_config_set_links("FIELD95", 0), RTNORM);
  EXPECT_EQ(pv_config_links("FIELD95"), 0);
  EXPECT_NE(file().find("FIELD95.links=0"), std::string::npos);

  ASSERT_EQ(pv_config_remove_project("field95"), RTNORM);
  EXPECT_EQ(pv_config_project_index("FIELD95", -1), -1);
  EXPECT_EQ(file().find("FIELD95"), std::string::npos) << file();
  EXPECT_EQ(pv_config_remove_project("FIELD95"), -2);
  EXPECT_EQ(pv_config_set_links("FIELD95", 1), -2);
}

TEST_F(ConfigTest, BadProjectEntriesAreRefusedAndTheStoreIsLeftAsItWas) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  const std::string before = file();
  host_io_clear_transcript();
  EXPECT_EQ(pv_config_add_project("DB3", "O'NEIL", "projects/x", 0), -2);
  EXPECT_NE(host_io_transcript().find("Invalid project name"), std::string::npos);
  EXPECT_EQ(pv_config_add_project("DB3", "A]B", "projects/x", 0), -2);
  EXPECT_EQ(pv_config_add_project("ODBC", "NEW", "projects/x", 0), -2);
  EXPECT_EQ(pv_config_add_project("DB3", "NEW", "", 0), -2);
  EXPECT_EQ(pv_config_add_project("DB3", "NEW", "a\nb", 0), -2);
  EXPECT_EQ(pv_config_add_project("DB3", "MINES", "projects/x", 0), -2) << "MINES belongs to ORACLE7";
  EXPECT_EQ(file(), before);
  EXPECT_EQ(g_pjct_count, 3);
}

TEST_F(ConfigTest, AStoreThatCannotBeWrittenReportsAndKeepsItsEntries) {
  write(SITE);
  ASSERT_EQ(pv_config_load(), RTNORM);
  /* A directory in the store's place cannot be replaced by a file. */
  fs::path blocked = dir_ / "blocked";
  fs::create_directories(blocked / "asi.ini");
  host_set_env("ASI_INI", (blocked / "asi.ini").string());
  host_io_clear_transcript();
  int rc = pv_config_add_project("DB3", "NEW", "projects/new", 0);
  EXPECT_EQ(rc, -9102);
  EXPECT_NE(host_io_transcript().find("Cannot write the SQL configuration"), std::string::npos);
  EXPECT_EQ(pv_config_project_index("GEO", -1), 0) << "the lists read before are kept";
}
