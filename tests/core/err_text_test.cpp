/*
** err_text_test.cpp: the error table (every code the sources name has a
** text, the texts users quote are exact, the table-definition texts, the
** padded symbol-setup texts, codes without text) and err_report's forms.
*/
#include "core/err_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "platform/host_io.h"

/* The texts users quote in their notes and scripts, and which the
** end-to-end tests look for: changed, they break what users rely on. */
TEST(ErrText, TextsUsersQuoteAreExact) {
  struct { int code; const char *text; } cases[] = {
      {-9101, "No memory available"},
      {-9102, "Cannot open file"},
      {-9204, "No records selected"},
      {-9401, "Invalid project selected"},
      {-9501, "Cannot load dialog box"},
      {-9802, "Entity not linked"},
      {-9805, "Row not found"},
  };
  for (auto &c : cases) {
    const char *t = err_text(c.code);
    ASSERT_NE(t, nullptr) << c.code;
    EXPECT_STREQ(t, c.text) << c.code;
  }
}

namespace {

/* The application's error codes that the module's own sources name: each
** "#define NAME (-9nnn)", "constexpr int NAME = -9nnn" or "= -9nnn;" of
** the layers that report through err_report, with the file naming it. */
std::map<int, std::string> codes_the_sources_name() {
  namespace fs = std::filesystem;
  static const std::regex named(R"((?:#define\s+\w+\s+\(?|=\s*)(-9[1-9]\d\d)\b)");
  std::map<int, std::string> codes;
  for (const char *layer : {"core", "data", "draw", "map", "output", "module"}) {
    for (const auto &entry : fs::recursive_directory_iterator(fs::path(PV_SOURCE_DIR) / layer)) {
      std::string ext = entry.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      std::ifstream in(entry.path());
      std::string line;
      while (std::getline(in, line)) {
        for (std::sregex_iterator m(line.begin(), line.end(), named), end; m != end; ++m)
          codes.emplace(std::stoi((*m)[1]), entry.path().string());
      }
    }
  }
  return codes;
}

}  // namespace

/* A code reported without a text shows nothing at all (err_report answers
** -5001): every code a source names has one, but for the codes whose
** reason is shown before they are answered. */
TEST(ErrText, EveryCodeTheSourcesNameHasAText) {
  const std::set<int> without_text = {
      -9505,  /* a text file of items refused, its reason already shown */
  };
  std::map<int, std::string> codes = codes_the_sources_name();
  ASSERT_GT(codes.size(), 20u) << "the sources were not found under " PV_SOURCE_DIR;
  for (const auto &[code, file] : codes) {
    if (without_text.count(code)) continue;
    const char *t = err_text(code);
    EXPECT_TRUE(t && *t) << code << " (named in " << file << ") has no text";
  }
}

TEST(ErrText, EveryGroupOfCodesHasItsTexts) {
  for (int code = -9809; code <= -9801; ++code) EXPECT_NE(err_text(code), nullptr) << code;
  for (int code : {-3, -9105, -9106, -9201, -9203, -9204, -9205, -9402})
    EXPECT_NE(err_text(code), nullptr) << code;
  for (int code = -11072; code <= -11001; ++code) {
    if (err_text(code)) { EXPECT_GT(std::strlen(err_text(code)), 0u) << code; }
  }
}

TEST(ErrText, SymbolSetupTextsArePaddedToThirtyFour) {
  struct { int code; const char *start; } cases[] = {
      {16384, "Invalid line width specified"},
      {16384 + 1, "Invalid Around column"},
      {16384 + 16, "Invalid color specified"},
      {16384 + 1024, "Invalid Z offset specified"},
      {16384 + 8192, "Invalid pattern name"},
  };
  for (auto &c : cases) {
    const char *t = err_text(c.code);
    ASSERT_NE(t, nullptr) << c.code;
    EXPECT_EQ(std::strlen(t), (size_t)ERR_SYM_TEXT_WIDTH) << c.code;
    EXPECT_EQ(std::string(t).find(c.start), 0u) << c.code;
  }
  for (int bit = 1; bit <= 8192; bit <<= 1) EXPECT_NE(err_text(16384 + bit), nullptr) << bit;
}

TEST(ErrText, CodesWithoutTextGiveNull) {
  for (int code : {0, 1, -1, -9505, -9999, -12000, 16384 + 3, 16383, 24577})
    EXPECT_EQ(err_text(code), nullptr) << code;
}

class ErrReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_io_set_echo(false);
    host_io_clear_transcript();
  }
};

/* A report answers the code it shows, never success: a caller hands the
** failure on with return err_report(...). */
TEST_F(ErrReportTest, TextAndDetailUnderTheErrorTitleAnsweringTheCode) {
  EXPECT_EQ(err_report(-9102, "STATION.TXT"), -9102);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nCannot open file STATION.TXT"), std::string::npos);
}

TEST_F(ErrReportTest, TextAloneWithoutDetailAndForItsCodes) {
  EXPECT_EQ(err_report(-9101, nullptr), -9101);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nNo memory available\n"), std::string::npos);
  for (int code : {-9601, -9205, -9204, -9106, -9105, -3}) {
    host_io_clear_transcript();
    EXPECT_EQ(err_report(code, "DETAIL"), code) << code;
    EXPECT_EQ(host_io_transcript().find("DETAIL"), std::string::npos) << code;
  }
}

TEST_F(ErrReportTest, NoTextAndNonNegativeCodes) {
  EXPECT_EQ(err_report(-9505, "x"), -9505) << "a failure without a text is no end of rows";
  EXPECT_EQ(err_report(0, "x"), -2);
  EXPECT_EQ(err_report(16385, "x"), -2);
  EXPECT_TRUE(host_io_transcript().empty());
}
