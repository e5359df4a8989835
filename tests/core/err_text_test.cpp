/*
** err_text_test.cpp: the error table (every code with its text, the
** table-definition texts, the padded symbol-setup texts, codes without
** text) and err_report's forms.
*/
#include "core/err_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/host_io.h"

TEST(ErrText, CodesGiveTheirFixedTexts) {
  struct { int code; const char *text; } cases[] = {
      {-9101, "No memory available"},
      {-9102, "Cannot open file"},
      {-9301, "Entry too long in column"},
      {-9302, "Non-numeric entry in column"},
      {-9303, "Blank entry not allowed in column"},
      {-9304, "not found in profile"},
      {-9305, "Cannot edit column"},
      {-9306, "Non-unique entry in column"},
      {-9307, "is less than minimum of"},
      {-9308, "is greater than maximum of"},
      {-9309, "Too many decimals in"},
      {-9310, "Too many decimal points in"},
      {-9401, "Invalid project selected"},
      {-9501, "Cannot load dialog box"},
      {-9502, "Cannot load profile"},
      {-9503, "Incorrect dictionairy for profile "},
      {-9504, "Cannot save profile"},
      {-9601, "Cannot move or copy items"},
      {-9701, "Latitude cannot exceed +-90"},
      {-9702, "Longitude cannot exceed +-180"},
      {-9703, "Minutes must be 0 to 60"},
      {-9704, "Seconds must be 0 to 60"},
      {-9901, "Column must be point"},
      {-11001, "No Reference Number specified"},
      {-11009, "Analysis Number type differs from Station Number"},
  };
  for (auto &c : cases) {
    const char *t = err_text(c.code);
    ASSERT_NE(t, nullptr) << c.code;
    EXPECT_STREQ(t, c.text) << c.code;
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

TEST_F(ErrReportTest, TextAndDetailUnderTheErrorTitle) {
  EXPECT_EQ(err_report(-9102, "STATION.TXT"), 5100);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nCannot open file STATION.TXT"), std::string::npos);
}

TEST_F(ErrReportTest, TextAloneWithoutDetailAndForItsCodes) {
  EXPECT_EQ(err_report(-9101, nullptr), 5100);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nNo memory available\n"), std::string::npos);
  for (int code : {-9601, -9205, -9204, -9106, -9105, -3}) {
    host_io_clear_transcript();
    EXPECT_EQ(err_report(code, "DETAIL"), 5100) << code;
    EXPECT_EQ(host_io_transcript().find("DETAIL"), std::string::npos) << code;
  }
}

TEST_F(ErrReportTest, NoTextAndNonNegativeCodes) {
  EXPECT_EQ(err_report(-9505, "x"), -5001);
  EXPECT_EQ(err_report(0, "x"), -2);
  EXPECT_EQ(err_report(16385, "x"), -2);
  EXPECT_TRUE(host_io_transcript().empty());
}
