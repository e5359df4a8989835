/*
** pjct_test.cpp: lookups over the logged-on projects and over the column
** records of a project's registry, on projects built by hand.
*/
#include "core/pjct_list.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/tbl.h"
#include "core/tbl_column.h"
#include "platform/include/host_editor.h"
#include "scratch_dir.h"

namespace {

/* Three logged-on projects, newest first: SURVEY, GEO, Projections. GEO
** registers STATN (BASENUMBER, STN, EASTING) and ROCK (BASENUMBER, KIND). */
class PjctTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char *names[] = {"SURVEY", "GEO", "Projections"};
    for (int i = 0; i < 3; ++i) {
      std::memset(&p_[i], 0, sizeof p_[i]);
      std::strcpy(p_[i].name, names[i]);
      p_[i].connection = &sessions_[i];
      p_[i].next = i < 2 ? &p_[i + 1] : nullptr;
      p_[i].prev = i > 0 ? &p_[i - 1] : nullptr;
    }
    g_pjct_list = &p_[0];
    add_table(0, "STATN", {"BASENUMBER", "STN", "EASTING"});
    add_table(1, "ROCK", {"BASENUMBER", "KIND"});
    t_[0].next = &t_[1];
    p_[1].tables = &t_[0];
  }
  void TearDown() override { g_pjct_list = nullptr; }

  void add_table(int t, const char *name, std::vector<const char *> cols) {
    std::memset(&t_[t], 0, sizeof t_[t]);
    std::strcpy(t_[t].name, name);
    sql_col_rec *prev = nullptr;
    for (const char *c : cols) {
      sql_col_rec &r = c_[used_++];
      std::memset(&r, 0, sizeof r);
      std::strcpy(r.name, c);
      std::strcpy(r.table, name);
      (prev ? prev->next : t_[t].columns) = &r;
      prev = &r;
    }
  }

  pjct_rec p_[3];
  int sessions_[3] = {0, 0, 0};
  tbl_rec t_[2];
  sql_col_rec c_[8];
  int used_ = 0;
};

}  // namespace

TEST_F(PjctTest, NthCountsFromTheNewestAndRefusesOutOfRange) {
  EXPECT_EQ(pjct_nth(0), &p_[0]);
  EXPECT_EQ(pjct_nth(2), &p_[2]);
  EXPECT_EQ(pjct_nth(3), nullptr);
  EXPECT_EQ(pjct_nth(-1), nullptr);
  g_pjct_list = nullptr;
  EXPECT_EQ(pjct_nth(0), nullptr);
}

TEST_F(PjctTest, FindIgnoresCaseAndGivesTheIndex) {
  int at = 99;
  EXPECT_EQ(pjct_find("geo", &at), &p_[1]);
  EXPECT_EQ(at, 1);
  EXPECT_EQ(pjct_find("PROJECTIONS", &at), &p_[2]);
  EXPECT_EQ(at, 2);
  EXPECT_EQ(pjct_find("GEOL", &at), nullptr);
  EXPECT_EQ(at, -1);
  EXPECT_EQ(pjct_find("GEO", nullptr), &p_[1]);
  EXPECT_EQ(pjct_find(nullptr, &at), nullptr);
}

TEST_F(PjctTest, ASessionFindsItsProjectOnly) {
  EXPECT_EQ(pjct_find_by_session(&sessions_[1]), &p_[1]);
  int stranger = 0;
  EXPECT_EQ(pjct_find_by_session(&stranger), nullptr);
  EXPECT_EQ(pjct_find_by_session(nullptr), nullptr) << "a project without a connection is not matched";
}

TEST_F(PjctTest, AnInputRuleBelongsToTheProjectThatListsItOrWhoseColumnPointsToIt) {
  col_attr_rec listed{}, placeholder{}, foreign{};
  p_[0].col_attrs = &listed;
  c_[2].attr = &placeholder; /* EASTING of GEO's STATN */
  EXPECT_EQ(pjct_of_col_attr(&listed), &p_[0]);
  EXPECT_EQ(pjct_of_col_attr(&placeholder), &p_[1]);
  EXPECT_EQ(pjct_of_col_attr(&foreign), nullptr);
  EXPECT_EQ(pjct_of_col_attr(nullptr), nullptr);
}

TEST_F(PjctTest, ColumnsAreCountedOverAllTablesInRegistryOrder) {
  const char *want[] = {"STATN.BASENUMBER", "STATN.STN", "STATN.EASTING", "ROCK.BASENUMBER", "ROCK.KIND"};
  for (int n = 0; n < 5; ++n) {
    sql_col_rec *c = pjct_nth_column(&p_[1], n);
    ASSERT_NE(c, nullptr) << n;
    EXPECT_EQ(std::string(c->table) + "." + c->name, want[n]);
    int at = -7;
    EXPECT_EQ(pjct_find_column(&p_[1], c->table, c->name, &at), c);
    EXPECT_EQ(at, n) << "find and nth must count alike";
  }
  EXPECT_EQ(pjct_nth_column(&p_[1], 5), nullptr);
  EXPECT_EQ(pjct_nth_column(&p_[1], -1), nullptr);
  EXPECT_EQ(pjct_nth_column(&p_[0], 0), nullptr) << "SURVEY registers no table";
  EXPECT_EQ(pjct_nth_column(nullptr, 0), nullptr);
}

TEST_F(PjctTest, AColumnIsFoundOnlyInItsOwnTable) {
  int at = 0;
  EXPECT_EQ(pjct_find_column(&p_[1], "rock", "basenumber", &at), &c_[3]);
  EXPECT_EQ(at, 3);
  EXPECT_EQ(pjct_find_column(&p_[1], "ROCK", "EASTING", &at), nullptr) << "EASTING is STATN's";
  EXPECT_EQ(at, -1);
  EXPECT_EQ(pjct_find_column(&p_[1], "NOSUCH", "KIND", &at), nullptr);
  EXPECT_EQ(pjct_find_column(&p_[1], nullptr, "KIND", &at), nullptr);
  EXPECT_EQ(pjct_find_column(&p_[1], "ROCK", nullptr, nullptr), nullptr);
}

/* A server project's "directory" is its schema, no folder: its files go
** into a folder of its name in the user's support folder, made when
** missing; one that cannot be made is named. */
TEST_F(PjctTest, AServerProjectsFilesGoToItsOwnFolderInTheUsersFolder) {
  pv_scratch_dir scratch("pjct_file_dir");
  const std::string folder = scratch.path().string();
  host_set_env("ACAD", folder + ";" + folder + "/shapes");
  p_[0].flags = PJCT_ENV_SERVER;
  p_[1].flags = PJCT_ENV_SERVER;
  std::ofstream(folder + "/GEO") << "a file where the folder would go";
  std::string dir, why;
  EXPECT_EQ(pjct_file_dir(&p_[0], dir, why), 0) << why;
  EXPECT_EQ(dir, folder + "/SURVEY");
  EXPECT_TRUE(std::filesystem::is_directory(dir));
  EXPECT_EQ(pjct_file_dir(&p_[1], dir, why), -1);
  EXPECT_NE(why.find(folder + "/GEO"), std::string::npos) << why;
  host_set_env("ACAD", "");
}
