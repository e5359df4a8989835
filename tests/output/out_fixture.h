/*
** out_fixture.h: a scratch folder per test and a reader of the lines an
** export writer left in a file (CR LF ends checked, then stripped).
*/
#ifndef PV_TESTS_OUTPUT_OUT_FIXTURE_H
#define PV_TESTS_OUTPUT_OUT_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "scratch_dir.h"

class OutFolder : public ::testing::Test {
 protected:
  std::filesystem::path dir;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = pv_make_scratch_dir(std::string("pv_out_") + info->test_suite_name() + "_" + info->name() + "_");
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string path(const std::string& name) const { return (dir / name).string(); }

  /* The file's whole bytes. */
  static std::string bytes(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }

  /* The file's lines; fails the test when a line does not end in CR LF. */
  static std::vector<std::string> lines(const std::string& file) {
    std::string all = bytes(file);
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < all.size()) {
      std::size_t nl = all.find("\r\n", at);
      if (nl == std::string::npos) {
        ADD_FAILURE() << "line without CR LF at the end of " << file;
        out.push_back(all.substr(at));
        break;
      }
      out.push_back(all.substr(at, nl - at));
      at = nl + 2;
    }
    return out;
  }
};

#endif /* PV_TESTS_OUTPUT_OUT_FIXTURE_H */
