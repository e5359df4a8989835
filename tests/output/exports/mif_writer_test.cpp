/*
** mif_writer_test.cpp: the MapInfo pair as the writer lays it down: file
** names, the header and its refusals, the objects and the .MID lines.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "output/exports/mif_writer.h"
#include "output/out_fixture.h"

namespace {

class Mif : public OutFolder {
 protected:
  void TearDown() override {
    mif_close();
    OutFolder::TearDown();
  }
  void open() {
    ASSERT_EQ(mif_open(path("geo").c_str(), 0), MIF_OK);
    ASSERT_EQ(mid_open(path("geo").c_str(), 0), MIF_OK);
  }
  std::vector<std::string> mif_lines() {
    EXPECT_EQ(mif_close(), MIF_OK);
    return lines(path("geo.MIF"));
  }
  std::vector<std::string> mid_lines() {
    EXPECT_EQ(mif_close(), MIF_OK);
    return lines(path("geo.MID"));
  }
};

/* A header with one column of the given type, width and decimals. */
int header(int prj_type, int unit, double a, double b, int type = MIF_COL_CHAR, int width = 8,
           int dec = 0, double lon = 0) {
  const char* names[1] = {"NAME"};
  int types[1] = {type}, widths[1] = {width}, decimals[1] = {dec};
  return mif_write_header(1, ",", nullptr, 0, nullptr, 0, names, types, widths, decimals, 1,
                          prj_type, unit, lon, 0, 0, 0, 1, 0, 0, a, b, 0, 0, 10, 20);
}

constexpr double kGrsA = 6378137.0, kGrsB = 6356752.31414;

}  // namespace

TEST(MifDatums, TwinEllipsoidsShareTheirDatumAndShippedAxesFindTheirOwnRow) {
  EXPECT_EQ(mif_datum_number(6378137.0, 6356752.31414), 74);  // GRS80 and NAD83
  EXPECT_EQ(mif_datum_number(6378206.4, 6356583.8), 66);      // CLARKE1866 and NAD27
  EXPECT_EQ(mif_datum_number(6378137.0, 6356752.31), 104);    // WGS84 exactly
  EXPECT_EQ(mif_datum_number(6378137.0, 6356752.314245), 104); // the shipped WGS 84
  EXPECT_EQ(mif_datum_number(6378137.0, 6356752.314), 74);     // the shipped GRS 1980
  EXPECT_EQ(mif_datum_number(6378166.0, 6356784.28), 0);      // FISCHER1960 has none
  EXPECT_EQ(mif_datum_number(6370997.0, 6370997.0), 0);       // SPHERE neither
  EXPECT_EQ(mif_datum_count, 28);
}

TEST_F(Mif, OwnNameIsCleanedAndCutButTheDirectoryStaysAsGiven) {
  std::filesystem::create_directories(dir / "my maps");
  ASSERT_EQ(mif_open(path("my maps/g e\to.v1").c_str(), 0), MIF_OK);
  ASSERT_EQ(mid_open(path("my maps/g e\to.v1").c_str(), 0), MIF_OK);
  EXPECT_EQ(mif_close(), MIF_OK);
  EXPECT_TRUE(std::filesystem::exists(dir / "my maps" / "geo.MIF"));
  EXPECT_TRUE(std::filesystem::exists(dir / "my maps" / "geo.MID"));
  EXPECT_EQ(mif_open(nullptr, 0), MIF_BAD_ARG);
  EXPECT_EQ(mif_open(path("none/x").c_str(), 0), MIF_CANNOT_OPEN);
}

TEST_F(Mif, HeaderOfAnEarthSystemWithKeysAndColumns) {
  open();
  const char* names[3] = {"NAME", "GRADE", "DIP"};
  int types[3] = {MIF_COL_CHAR, MIF_COL_DECIMAL, MIF_COL_SMALLINT};
  int widths[3] = {12, 8, 6}, decimals[3] = {0, 2, 0};
  int unique[2] = {1, 3}, index[1] = {2};
  ASSERT_EQ(mif_write_header(2, "", unique, 2, index, 1, names, types, widths, decimals, 3,
                             MIF_PRJ_UTM, MIF_UNIT_METERS, 9, 0, 0, 0, 0.9996, 500000, 0, kGrsA,
                             kGrsB, 0, 0, 0, 0),
            MIF_OK);
  std::vector<std::string> want = {
      "VERSION 2", "DELIMITER \" \"", "CHARSET \"WindowsLatin1\"", "UNIQUE 1,3", "INDEX 2", "COORDSYS EARTH",
      "PROJECTION 8,74,\"m\",9.000000,0.000000,0.999600,500000.000000,0.000000",
      "COLUMNS 3", "  NAME char(12)", "  GRADE decimal(8,2)", "  DIP smallint", "DATA "};
  EXPECT_EQ(mif_lines(), want);
}

TEST_F(Mif, LambertLineCarriesSixParametersAndUserSystemsItsBounds) {
  open();
  const char* names[1] = {"N"};
  int types[1] = {MIF_COL_INTEGER}, widths[1] = {11};
  ASSERT_EQ(mif_write_header(1, ",", nullptr, 0, nullptr, 0, names, types, widths, nullptr, 1,
                             MIF_PRJ_LAMBERT, MIF_UNIT_METERS, -100.5, 40, 33, 45, 0.99, 200000,
                             100000, kGrsA, kGrsB, 0, 0, 0, 0),
            MIF_OK);
  ASSERT_EQ(header(MIF_PRJ_USER, MIF_UNIT_FEET, 0, 0), MIF_OK);
  auto got = mif_lines();
  EXPECT_EQ(got[4], "PROJECTION 3,74,\"m\",-100.500000,40.000000,33.000000,45.000000,"
                    "200000.000000,100000.000000");
  EXPECT_EQ(got[11], "COORDSYS NONEARTH");
  EXPECT_EQ(got[12], "UNITS \"ft\"");
  EXPECT_EQ(got[13], "BOUNDS (0.000000,0.000000) (10.000000,20.000000)");
}

TEST_F(Mif, HeaderRefusalsWriteNothing) {
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, kGrsA, kGrsB), MIF_BAD_ARG);  // no file
  open();
  EXPECT_EQ(header(MIF_PRJ_DSTEREO, MIF_UNIT_METERS, kGrsA, kGrsB), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_NONE, kGrsA, kGrsB), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_GEOGRAPHIC, MIF_UNIT_METERS, kGrsA, kGrsB), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, 6378166.0, 6356784.28), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, 6370997.0, 6370997.0), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, kGrsA, kGrsB, MIF_COL_CHAR, 8, 0, 181), 0);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, kGrsA, kGrsB, MIF_COL_DECIMAL, 5, 4), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, kGrsA, kGrsB, MIF_COL_CHAR, 0), MIF_BAD_ARG);
  EXPECT_EQ(header(MIF_PRJ_UTM, MIF_UNIT_METERS, kGrsA, kGrsB, 8), MIF_BAD_ARG);
  EXPECT_TRUE(mif_lines().empty());
}

TEST_F(Mif, ObjectsWithTheirStylesOnlyWhenValid) {
  open();
  mif_write_point(1, 2, 31, 0xFF0000, 5);  // shape 31: no SYMBOL
  mif_write_point(1, 2, 35, 0x123456, 0);  // odd colour becomes 6, size at least 1
  double x[3] = {0, 1, 0}, y[3] = {0, 0, 1};
  EXPECT_EQ(mif_write_region(x, y, 3, 1, 2, 0xFF, 0, 0, 0, 0, 0), MIF_OK);
  EXPECT_EQ(mif_write_pline(x, y, 2, 8, 2, 0, 1), MIF_OK);  // width 8: no PEN
  EXPECT_EQ(mif_write_pline(x, y, 0, 1, 2, 0, 0), MIF_BAD_ARG);
  EXPECT_EQ(mif_write_none(), MIF_OK);
  std::vector<std::string> want = {
      "POINT 1.000000 2.000000", "POINT 1.000000 2.000000", "SYMBOL (35,6,1)",
      "REGION 1", "3", "0.000000 0.000000", "1.000000 0.000000", "0.000000 1.000000",
      "PEN (1,2,255)", "PLINE 2", "0.000000 0.000000", "1.000000 0.000000", "SMOOTH", "NONE"};
  EXPECT_EQ(mif_lines(), want);
}

TEST_F(Mif, GeographicCoordinatesKeepATenthOfAMillimetre) {
  open();
  ASSERT_EQ(header(MIF_PRJ_GEOGRAPHIC, MIF_UNIT_NONE, kGrsA, kGrsB), MIF_OK);
  mif_write_point(-121.123456789, 50.000000012, 31, 0, 1);
  double x[2] = {-121.5, -121.000000001}, y[2] = {50, 50.1};
  mif_write_pline(x, y, 2, 8, 2, 0, 0);
  mif_write_text("A", -121.1, 50.1, -121.0, 50.2, 0, nullptr);
  std::vector<std::string> got = mif_lines();
  std::vector<std::string> want = {"POINT -121.123456789 50.000000012", "PLINE 2", "-121.500000000 50.000000000",
                                   "-121.000000001 50.100000000", "TEXT \"A\"",
                                   "-121.100000000 50.100000000 -121.000000000 50.200000000"};
  ASSERT_GE(got.size(), want.size());
  EXPECT_EQ(std::vector<std::string>(got.end() - want.size(), got.end()), want);
}

TEST_F(Mif, TextQuotesDoubledAndBlankOrInvertedRefused) {
  open();
  EXPECT_EQ(mif_write_text("  \t", 0, 0, 1, 1, 0, "Arial"), MIF_BAD_ARG);
  EXPECT_EQ(mif_write_text("A", 2, 0, 1, 1, 0, "Arial"), MIF_BAD_ARG);
  EXPECT_EQ(mif_write_text("say \"hi\"", 0, 0, 1, 1, 0, " "), MIF_OK);
  EXPECT_EQ(mif_write_text("B", 0, 0, 1, 1, 12.5, "My \"Font\""), MIF_OK);
  std::vector<std::string> want = {
      "TEXT \"say \"\"hi\"\"\"", "0.000000 0.000000 1.000000 1.000000",
      "TEXT \"B\"", "0.000000 0.000000 1.000000 1.000000", "ANGLE 12.500",
      "FONT (\"My \"\"Font\"\"\",0,0,0)"};
  EXPECT_EQ(mif_lines(), want);
}

TEST_F(Mif, MidValuesLoseTheirPaddingAndBlankNumbersAreEmpty) {
  open();
  const char* row[5] = {"ST1  ", "12.5", "0.1", "12345678901234", "a,b"};
  int types[5] = {MIF_COL_CHAR, MIF_COL_DECIMAL, MIF_COL_FLOAT, MIF_COL_INTEGER, MIF_COL_CHAR};
  int widths[5] = {5, 6, 22, 11, 6}, decimals[5] = {0, 2, 0, 0, 0};
  EXPECT_EQ(mid_value_format(row, types, widths, decimals, 5, ","), MIF_OK);
  EXPECT_EQ(mid_value_format(row, types, widths, decimals, 5, ""), MIF_OK);
  const char* missing[5] = {nullptr, nullptr, "0", "7", "q\"x"};
  EXPECT_EQ(mid_value_format(missing, types, widths, decimals, 5, ";"), MIF_OK);
  const char* not_number[5] = {"A", "x", "0", "0", ""};
  EXPECT_EQ(mid_value_format(not_number, types, widths, decimals, 5, ","), MIF_BAD_ARG);
  EXPECT_EQ(mid_value_format(row, types, widths, decimals, 5, "0123456789abcdef"), MIF_BAD_ARG);
  EXPECT_EQ(mid_write_empty_row(3, "|"), MIF_OK);
  const char* blank[5] = {"t\tx", " ", "", "  ", ""};
  EXPECT_EQ(mid_value_format(blank, types, widths, decimals, 5, ","), MIF_OK);
  EXPECT_EQ(mid_value_format(blank, types, widths, decimals, 5, ""), MIF_OK);
  std::vector<std::string> want = {
      "ST1,12.50,0.1,12345678901,\"a,b\"",
      "\"ST1\" 12.50 0.1 12345678901 \"a,b\"",
      ";;0;7;\"q\"\"x\"",
      "||",
      "\"t\tx\",,,,",
      "\"t\tx\" \"\" \"\" \"\" \"\""};
  EXPECT_EQ(mid_lines(), want);
  // Numbers as printf writes them, over many random values.
  open();
  want.clear();
  std::mt19937_64 gen(83);
  int number_types[2] = {MIF_COL_FLOAT, MIF_COL_DECIMAL}, number_widths[2] = {22, 30}, number_decimals[2] = {0, 4};
  for (int i = 0; i < 20000; i++) {
    char x[64], y[64], line[200];
    double v = ((double)gen() / 9.2e18 - 1.0) * std::pow(10.0, (double)(gen() % 40) - 20.0);
    std::snprintf(x, sizeof x, "%.17g", v);
    std::snprintf(y, sizeof y, "%.9f", v);
    std::snprintf(line, sizeof line, "%.15lg,%.4lf", std::strtod(x, nullptr), std::strtod(y, nullptr));
    want.push_back(line);
    const char* values[2] = {x, y};
    ASSERT_EQ(mid_value_format(values, number_types, number_widths, number_decimals, 2, ","), MIF_OK);
  }
  EXPECT_EQ(mid_lines(), want);
}

TEST_F(Mif, WritersRefuseWhenTheirFileIsNotOpen) {
  EXPECT_EQ(mif_write_none(), MIF_NOT_OPEN);
  EXPECT_EQ(mid_write_empty_row(2, ","), MIF_NOT_OPEN);
  ASSERT_EQ(mif_open(path("geo").c_str(), 0), MIF_OK);
  EXPECT_EQ(mid_write_empty_row(2, ","), MIF_NOT_OPEN);
  EXPECT_EQ(mif_write_none(), MIF_OK);
}

TEST_F(Mif, FailedWriteIsReportedAndLeavesTheEarlierPair) {
  std::ofstream(dir / "full.MIF") << "earlier";
  std::ofstream(dir / "full.MID") << "earlier";
  /* Both files are written beside their targets, here on a full disk:
  ** the .MIF fails as its buffer fills, the .MID's row stays buffered. */
  ASSERT_EQ(mif_open(path("full").c_str(), 1024), MIF_OK);
  ASSERT_EQ(mid_open(path("full").c_str(), 1024), MIF_OK);
  int rc = MIF_OK;
  {
    FullDisk full;
    for (int i = 0; i < 1000 && rc == MIF_OK; ++i) rc = mif_write_none();
    EXPECT_EQ(rc, MIF_WRITE_FAILED);
    EXPECT_EQ(mid_write_empty_row(2, ","), MIF_OK);
    EXPECT_EQ(mif_close(), MIF_WRITE_FAILED);
  }
  for (const char *name : {"full.MIF", "full.MID"}) {
    std::ifstream in(dir / name);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "earlier") << name;
  }
  EXPECT_EQ(temp_of("full.MIF"), "");
  EXPECT_EQ(temp_of("full.MID"), "");
}
