/*
** user_copy_test.cpp: the user's copy of the configuration and the sample
** projects is made once in the user's data folder, from resources that
** are only read, and an interrupted copy is finished without losing what
** the user already has. Every case works under a scratch HOME.
*/
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>

#include "host/user_copy.h"

namespace fs = std::filesystem;

namespace {

/* The whole text of a file. */
std::string read_file(const fs::path &p)
{
  std::ifstream in(p);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class UserCopy : public ::testing::Test {
 protected:
  fs::path top;        /* scratch folder of the case */
  fs::path resources;  /* a read-only stand-in for the shipped resources */
  fs::path folder;     /* the user's data folder under the scratch HOME */

  void SetUp() override
  {
    top = fs::temp_directory_path() /
          ("pv-user-copy-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(top);
    resources = top / "resources";
    fs::create_directories(resources / "projects" / "GEO");
    fs::create_directories(resources / "projects" / "Projections");
    std::ofstream(resources / "asi.ini") << "[ENVIRONMENTS]\nDB3=\n";
    std::ofstream(resources / "projects" / "GEO" / "STATN.DBF") << "stations";
    std::ofstream(resources / "projects" / "Projections" / "PVPROJ.DBF") << "projections";
    std::ofstream(resources / "projects" / "mkprojects.cpp") << "// the generator";
    for (auto &e : fs::recursive_directory_iterator(resources))
      if (e.is_regular_file()) fs::permissions(e.path(), fs::perms::owner_read, fs::perm_options::replace);
    save("HOME", saved_home_);
    save("XDG_DATA_HOME", saved_xdg_);
    setenv("HOME", (top / "home").c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    folder = top / "home" / ".local" / "share" / "petrivex";
  }

  void TearDown() override
  {
    restore("HOME", saved_home_);
    restore("XDG_DATA_HOME", saved_xdg_);
    for (auto &e : fs::recursive_directory_iterator(top))
      fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add);
    fs::remove_all(top);
  }

 private:
  std::pair<bool, std::string> saved_home_, saved_xdg_;  /* (was set, value) */
  static void save(const char *name, std::pair<bool, std::string> &to)
  {
    const char *v = std::getenv(name);
    to = {v != nullptr, v ? v : ""};
  }
  static void restore(const char *name, const std::pair<bool, std::string> &from)
  {
    if (from.first) setenv(name, from.second.c_str(), 1);
    else unsetenv(name);
  }
};

TEST_F(UserCopy, DataFolderFollowsXdgDataHomeOnlyWhenAbsolute)
{
  struct {
    const char *xdg;   /* null: unset */
    const char *home;  /* null: unset */
    const char *want;
  } cases[] = {
      {"/data/me", "/home/me", "/data/me/petrivex"},
      {"relative/data", "/home/me", "/home/me/.local/share/petrivex"},
      {"", "/home/me", "/home/me/.local/share/petrivex"},
      {nullptr, "/home/me", "/home/me/.local/share/petrivex"},
      {nullptr, nullptr, ""},
  };
  for (auto &c : cases) {
    if (c.xdg) setenv("XDG_DATA_HOME", c.xdg, 1);
    else unsetenv("XDG_DATA_HOME");
    if (c.home) setenv("HOME", c.home, 1);
    else unsetenv("HOME");
    EXPECT_EQ(user_data_folder(), c.want) << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
}

TEST_F(UserCopy, FirstRunMakesAWritableCopyAndTheNextReusesIt)
{
  user_copy c;
  ASSERT_TRUE(user_copy_prepare(resources.string(), c)) << c.error;
  EXPECT_TRUE(c.made);
  EXPECT_EQ(c.folder, folder.string());
  EXPECT_EQ(c.ini, (folder / "asi.ini").string());
  EXPECT_EQ(read_file(folder / "asi.ini"), "[ENVIRONMENTS]\nDB3=\n");
  EXPECT_EQ(read_file(folder / "projects" / "GEO" / "STATN.DBF"), "stations");
  EXPECT_EQ(read_file(folder / "projects" / "Projections" / "PVPROJ.DBF"), "projections");
  EXPECT_FALSE(fs::exists(folder / "projects" / "mkprojects.cpp")) << "only the project folders are samples";
  EXPECT_NE(fs::status(folder / "projects" / "GEO" / "STATN.DBF").permissions() & fs::perms::owner_write,
            fs::perms::none)
      << "the copied project cannot be saved into";
  EXPECT_NE(fs::status(folder / "asi.ini").permissions() & fs::perms::owner_write, fs::perms::none);

  std::ofstream(folder / "asi.ini", std::ios::app) << "; the user's own line\n";
  user_copy again;
  ASSERT_TRUE(user_copy_prepare(resources.string(), again)) << again.error;
  EXPECT_FALSE(again.made);
  EXPECT_EQ(again.ini, c.ini);
  EXPECT_EQ(read_file(folder / "asi.ini"), "[ENVIRONMENTS]\nDB3=\n; the user's own line\n");
}

TEST_F(UserCopy, ShippedSymbolLibrariesJoinTheUsersOwnWithoutReplacingThem)
{
  fs::create_directories(resources / "shapes");
  std::ofstream(resources / "shapes" / "PVSTRUCT.SHX") << "shipped";
  std::ofstream(resources / "shapes" / "PVLINES.SHX") << "shipped lines";
  fs::create_directories(folder / "shapes");
  std::ofstream(folder / "shapes" / "PVLINES.SHX") << "the user's lines";
  std::string shapes, error;
  ASSERT_TRUE(user_copy_shapes(resources.string(), folder.string(), shapes, error)) << error;
  EXPECT_EQ(shapes, (folder / "shapes").string());
  EXPECT_EQ(read_file(folder / "shapes" / "PVSTRUCT.SHX"), "shipped");
  EXPECT_EQ(read_file(folder / "shapes" / "PVLINES.SHX"), "the user's lines");
}

TEST_F(UserCopy, AnInterruptedCopyIsFinishedAndKeepsTheUsersFiles)
{
  fs::create_directories(folder / "projects" / "GEO");
  std::ofstream(folder / "projects" / "GEO" / "STATN.DBF") << "the user's stations";
  std::ofstream(folder / "asi.ini.partial") << "[HALF";
  user_copy c;
  ASSERT_TRUE(user_copy_prepare(resources.string(), c)) << c.error;
  EXPECT_TRUE(c.made);
  EXPECT_EQ(read_file(folder / "projects" / "GEO" / "STATN.DBF"), "the user's stations");
  EXPECT_EQ(read_file(folder / "projects" / "Projections" / "PVPROJ.DBF"), "projections");
  EXPECT_EQ(read_file(folder / "asi.ini"), "[ENVIRONMENTS]\nDB3=\n");
  EXPECT_FALSE(fs::exists(folder / "asi.ini.partial"));
}

TEST_F(UserCopy, WhatCannotBeCopiedIsNamedAndNoHalfConfigurationIsLeft)
{
  struct {
    const char *what;
    std::function<void()> arrange;
    const char *reason;
  } cases[] = {
      {"no configuration in the resources", [&] { fs::remove(resources / "asi.ini"); }, "no asi.ini in"},
      {"no user folder", [&] { unsetenv("HOME"); }, "neither XDG_DATA_HOME nor HOME"},
      {"a folder where the configuration goes",
       [&] { fs::create_directories(folder / "asi.ini"); }, "is not a file"},
      {"a file where the data folder goes",
       [&] {
         fs::create_directories(folder.parent_path());
         std::ofstream(folder) << "in the way";
       },
       "cannot make"},
  };
  for (auto &c : cases) {
    c.arrange();
    user_copy u;
    EXPECT_FALSE(user_copy_prepare(resources.string(), u)) << c.what;
    EXPECT_NE(u.error.find(c.reason), std::string::npos) << c.what << ": " << u.error;
    EXPECT_FALSE(fs::is_regular_file(folder / "asi.ini")) << c.what;
    TearDown();
    SetUp();
  }
}

}  // namespace
