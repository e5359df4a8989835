/*
** e00_writer_test.cpp: the lines of an E00 file as the writer lays them
** down, section by section, in single and double precision, and what the
** writer refuses.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "output/exports/e00_writer.h"
#include "output/out_fixture.h"

namespace {

class E00 : public OutFolder {
 protected:
  void TearDown() override {
    e00_close();
    OutFolder::TearDown();
  }
  /* Opens cover "COV" in the scratch folder. */
  void open(int precision = E00_PREC_SINGLE) {
    ASSERT_EQ(e00_open(path("COV").c_str(), 1024, precision), E00_OK);
  }
  /* Closes and answers the file's lines. */
  std::vector<std::string> finish() {
    EXPECT_EQ(e00_close(), E00_OK);
    return lines(path("COV.E00"));
  }
};

std::string fmt(const char* f, double v, int* rc = nullptr) {
  char buf[64] = "";
  int r = e00_format_number(buf, sizeof buf, f, v);
  if (rc) *rc = r;
  return buf;
}

}  // namespace

TEST(E00Numbers, ExponentAlwaysHasTwoDigits) {
  int rc = 0;
  EXPECT_EQ(fmt("% .7E", 123456.7, &rc), " 1.2345670E+05");
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(fmt("% .7E", -0.5), "-5.0000000E-01");
  EXPECT_EQ(fmt("% .14E", 0.0), " 0.00000000000000E+00");
  EXPECT_EQ(fmt("% .7E", 1.0E+120, &rc), " 1.0000000E+99");
  EXPECT_EQ(rc, 0);  // three exponent digits: written 99, reported
  EXPECT_EQ(fmt("% .7E", INFINITY, &rc), "");
  EXPECT_EQ(rc, E00_NO_TEXT);
  char tiny[4];
  EXPECT_EQ(e00_format_number(tiny, sizeof tiny, "% .7E", 1.0), E00_NO_TEXT);
  // Over many random values, as printf writes an exponent of two digits.
  std::mt19937_64 gen(83);
  for (int i = 0; i < 60000; i++) {
    double v = ((double)gen() / 9.2e18 - 1.0) * std::pow(10.0, (double)(gen() % 200) - 100.0);
    for (const char* f : {"% .7E", "% .14E", "% .17E"}) {
      char want[64];
      std::snprintf(want, sizeof want, f, v);
      if (std::strlen(std::strchr(want, 'E') + 2) > 2) continue;  // three exponent digits: above
      ASSERT_EQ(fmt(f, v), want) << f << " " << v;
    }
  }
}

TEST(E00Numbers, DmsCarriesAndKeepsTheSignOfSmallAngles) {
  double d, m, s;
  ASSERT_EQ(e00_deg_to_dms(-100.5, &d, &m, &s), 1);
  EXPECT_EQ(d, -100);
  EXPECT_EQ(m, 30);
  EXPECT_NEAR(s, 0.0, 1e-9);
  e00_deg_to_dms(10.9999999, &d, &m, &s);
  EXPECT_EQ(d, 11);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(s, 0);
  e00_deg_to_dms(-0.5, &d, &m, &s);
  EXPECT_TRUE(d == 0 && std::signbit(d));
  EXPECT_EQ(e00_deg_to_dms(1.0, nullptr, &m, &s), 0);
}

TEST(E00Spheroids, ExactRowFirstThenTheRowThatAgreesAsFarAsBothAreWritten) {
  EXPECT_STREQ(e00_spheroid_name(6378206.4, 6356583.8), "CLARKE1866");
  EXPECT_STREQ(e00_spheroid_name(6378137.0, 6356752.31), "WGS84");
  // The shipped WGS 84 lies nearer GRS80's rounded row than its own.
  EXPECT_STREQ(e00_spheroid_name(6378137.0, 6356752.314245), "WGS84");
  EXPECT_STREQ(e00_spheroid_name(6378137.0, 6356752.314140356), "GRS80");
  EXPECT_STREQ(e00_spheroid_name(6378137.0, 6356752.314), "GRS80");  // shipped GRS 1980
  EXPECT_STREQ(e00_spheroid_name(6378206.4, 6356583.795), "CLARKE1866");  // nearest
  EXPECT_EQ(e00_spheroid_name(6378137.0, 6356752.0), nullptr);  // agrees, but 31 cm off
  EXPECT_EQ(e00_spheroid_name(6378000.0, 6356000.0), nullptr);
  EXPECT_EQ(e00_spheroid_count, 29);
}

TEST_F(E00, FileIsCutAtTheFirstDotOfItsOwnNameAndCoverIsItsBase) {
  ASSERT_EQ(e00_open(path("geology.sheet1.txt").c_str(), 0, 7), E00_OK);
  EXPECT_EQ(e00_writer_state().cover, "geology");
  EXPECT_EQ(e00_writer_state().precision, E00_PREC_SINGLE);  // 7 is no precision
  EXPECT_EQ(e00_open(path("other").c_str(), 0, 2), E00_ALREADY_OPEN);
  EXPECT_EQ(e00_write_exp(), E00_OK);
  EXPECT_EQ(e00_close(), E00_OK);
  EXPECT_EQ(lines(path("geology.E00")), std::vector<std::string>{"EXP  0 geology"});

  // A dotted directory never selects another file.
  std::filesystem::create_directories(dir / "maps.v1");
  ASSERT_EQ(e00_open(path("maps.v1/geology.sheet1").c_str(), 0, 2), E00_OK);
  e00_close();
  EXPECT_TRUE(std::filesystem::exists(dir / "maps.v1" / "geology.E00"));
  EXPECT_FALSE(std::filesystem::exists(dir / "maps.E00"));

  ASSERT_EQ(e00_open(path("ABCDEFGHIJKLMNO").c_str(), 0, 3), E00_OK);
  EXPECT_EQ(e00_writer_state().cover, "ABCDEFGHIJKLM");
  e00_close();
  EXPECT_EQ(e00_open(nullptr, 0, 2), E00_BAD_ARG);
  EXPECT_EQ(e00_open(path("no/such/dir/x").c_str(), 0, 2), E00_CANNOT_CREATE);
}

TEST_F(E00, EveryOperationRefusesWithoutAnOpenFile) {
  EXPECT_EQ(e00_close(), E00_NOT_OPEN);
  EXPECT_EQ(e00_write_exp(), E00_NOT_OPEN);
  EXPECT_EQ(e00_write_lab_end(), E00_NOT_OPEN);
  EXPECT_EQ(e00_write_tol(1.0), E00_NOT_OPEN);
  EXPECT_EQ(e00_write_bnd(0, 0, 1, 1), E00_NOT_OPEN);
  EXPECT_EQ(e00_write_prj(5, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1), E00_NOT_OPEN);
}

TEST_F(E00, ArcsWriteTwoPointsALineInSingleAndOneInDouble) {
  open();
  double x[3] = {1, 2, 3}, y[3] = {4, 5, 6};
  EXPECT_EQ(e00_write_arc_header(), E00_OK);
  EXPECT_EQ(e00_write_arc_record(1, 1, 1, 2, 0, 0, 3), E00_OK);
  EXPECT_EQ(e00_write_arc_record(0, 1, 1, 2, 0, 0, 3), E00_BAD_ARG);
  EXPECT_EQ(e00_write_arc_record(1, 1, 1, 2, 0, -1, 3), E00_BAD_ARG);
  EXPECT_EQ(e00_write_arc_points(x, y, 3), E00_OK);
  EXPECT_EQ(e00_write_arc_end(), E00_OK);
  std::vector<std::string> want = {
      "ARC  2",
      "         1         1         1         2         0         0         3",
      " 1.0000000E+00 4.0000000E+00 2.0000000E+00 5.0000000E+00",
      " 3.0000000E+00 6.0000000E+00",
      "        -1         0         0         0         0         0         0"};
  EXPECT_EQ(finish(), want);

  open(E00_PREC_DOUBLE);
  e00_write_arc_points(x, y, 2);
  auto got = finish();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], " 1.00000000000000E+00 4.00000000000000E+00");
}

TEST_F(E00, LabelsWithAndWithoutABox) {
  open();
  e00_write_lab_header();
  EXPECT_EQ(e00_write_lab_record(0, 1, 0, 10, 20, 99, 99), E00_OK);
  EXPECT_EQ(e00_write_lab_record(1, 2, 0, 10, 20, 2.5, 45), E00_OK);
  EXPECT_EQ(e00_write_lab_record(2, 3, 0, 10, 20, 0, 0), E00_BAD_ARG);
  EXPECT_EQ(e00_write_lab_record(0, 0, 0, 10, 20, 0, 0), E00_BAD_ARG);
  e00_write_lab_end();
  std::vector<std::string> want = {
      "LAB  2",
      "         1         0 1.0000000E+01 2.0000000E+01",
      " 1.0000000E+01 2.0000000E+01 1.0000000E+01 2.0000000E+01",
      "         2         0 1.0000000E+01 2.0000000E+01",
      " 2.5000000E+00 4.5000000E+01 0.0000000E+00 0.0000000E+00",
      "        -1         0 0.0000000E+00 0.0000000E+00"};
  EXPECT_EQ(finish(), want);
}

TEST_F(E00, CentroidLabelsFillLinesOfEightAndPalEntriesPairUp) {
  open();
  long labels[9] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(e00_write_cnt_record(1, 2, labels, 9), E00_OK);
  long bad[1] = {0};
  EXPECT_EQ(e00_write_cnt_record(1, 2, bad, 1), E00_BAD_ARG);
  EXPECT_EQ(e00_write_pal_record(3, 0, 0, 2, 1), E00_OK);
  e00_write_pal_arc(1, 1, 2);
  e00_write_pal_arc(-2, 2, 1);
  e00_write_pal_arc(3, 1, 0);
  EXPECT_EQ(e00_write_pal_arc(3, -1, 0), E00_BAD_ARG);
  auto got = finish();
  ASSERT_EQ(got.size(), 6u);
  EXPECT_EQ(got[1].size(), 80u);
  EXPECT_EQ(got[2], "         9");
  EXPECT_EQ(got[3], "         3 0.0000000E+00 0.0000000E+00 2.0000000E+00 1.0000000E+00");
  EXPECT_EQ(got[4], "         1         1         2        -2         2         1");
  EXPECT_EQ(got[5], "         3         1         0");
}

TEST_F(E00, TextRecordLayoutEndsWithTheJabberwocky) {
  open();
  e00_write_tx6_header();
  EXPECT_EQ(e00_write_tx6_record("", 0, 0, 1, 1, 1), E00_BAD_ARG);
  EXPECT_EQ(e00_write_tx6_record("ST1", 5, 6, 2.5, 1, 1), E00_OK);
  e00_write_tx6_end();
  auto got = finish();
  ASSERT_EQ(got.size(), 16u);
  EXPECT_EQ(got[0], "TX6  2");
  EXPECT_EQ(got[1], "");
  EXPECT_EQ(got[2], "         1         1         2         0         1         0         3");
  EXPECT_EQ(got[3], "         1         0         0         0         0         0         0");
  EXPECT_EQ(got[5], "         0         0         0         0         0         0");
  EXPECT_EQ(got[9], "-1.0000000E+02");
  EXPECT_EQ(got[10], " 2.5000000E+00 0.0000000E+00 0.0000000E+00");
  EXPECT_EQ(got[12], " 5.0000000E+00 6.0000000E+00");
  EXPECT_EQ(got[13], "ST1");
  EXPECT_EQ(got[14], "        -1         0         0         0         0         0         0");
  EXPECT_EQ(got[15], "JABBERWOCKY");
}

TEST_F(E00, ToleranceOfANegativeValueIsTakenPositive) {
  open();
  EXPECT_EQ(e00_write_tol(0.0), E00_BAD_ARG);
  EXPECT_EQ(e00_write_tol(-250.0), E00_OK);
  auto got = finish();
  ASSERT_EQ(got.size(), 12u);
  EXPECT_EQ(got[0], "TOL  2");
  EXPECT_EQ(got[1], "         1         2 2.5000000E-02");
  EXPECT_EQ(got[2], "         2         2 0.0000000E+00");
  EXPECT_EQ(got[6], "         6         2 2.5000000E-01");
  EXPECT_EQ(got[10], "        10         2 2.5000000E-02");
}

TEST_F(E00, ProjectionLinesAndTheirRefusals) {
  open();
  // The user system writes nothing and succeeds; DSTEREO and unknown axes fail.
  EXPECT_EQ(e00_write_prj(E00_PRJ_USER, 2, 0, 6378137, 6356752.31, 0, 0, 0, 0, 0, 0, 1), E00_OK);
  EXPECT_EQ(e00_write_prj(E00_PRJ_DSTEREO, 2, 0, 6378137, 6356752.31, 0, 0, 0, 0, 0, 0, 1), 0);
  EXPECT_EQ(e00_write_prj(E00_PRJ_UTM, 2, 31, 6378000, 6356000, 0, 0, 0, 0, 0, 0, 1), 0);
  EXPECT_EQ(e00_write_prj(E00_PRJ_UTM, 2, 61, 6378137, 6356752.31, 0, 0, 0, 0, 0, 0, 1), 0);
  EXPECT_EQ(e00_write_prj(E00_PRJ_GEOGRAPHIC, 2, 0, 6378137, 6356752.31, 0, 0, 0, 0, 0, 0, 1), 0);
  EXPECT_EQ(e00_write_prj(E00_PRJ_LAMBERT, 2, 0, 6378137, 6356752.31, 181, 0, 0, 0, 0, 0, 1), 0);
  EXPECT_EQ(e00_write_prj(E00_PRJ_LAMBERT, 2, 0, 6378206.4, 6356583.8, -100.5, 10.9999999,
                          33, -0.5, 500000, 0, 1),
            E00_OK);
  std::vector<std::string> want = {
      "PRJ  2",
      "Projection    LAMBERT", "~",
      "Zunits        NO", "~",
      "Units         METERS", "~",
      "Spheroid      CLARKE1866", "~",
      "Xshift        0.0000000", "~",
      "Yshift        0.0000000", "~",
      "Parameters", "~",
      " 33  0  0.000", "~",
      " -0 30  0.000", "~",
      "-100 30  0.000", "~",
      " 11  0  0.000", "~",
      "500000.00000", "~",
      "0.00000", "~",
      "EOP"};
  EXPECT_EQ(finish(), want);
}

TEST_F(E00, UtmNamesItsZoneAndTransverseItsScale) {
  open();
  e00_write_prj(E00_PRJ_UTM, 2, 32, 6378137, 6356752.314245, 0, 0, 0, 0, 0, 0, 1);
  e00_write_prj(E00_PRJ_TRANSVERSE, 2, 0, 6378388, 6356911.94613, 9, 0, 0, 0, 500000, 0, 0.9996);
  auto got = finish();
  ASSERT_GT(got.size(), 30u);
  EXPECT_EQ(got[3], "Zone          32");
  EXPECT_EQ(got[9], "Spheroid      WGS84");
  EXPECT_EQ(got[17], "EOP");
  EXPECT_EQ(got[18], "PRJ  2");
  EXPECT_EQ(got[19], "Projection    TRANSVERSE");
  EXPECT_EQ(got[33], "0.99960");
  EXPECT_EQ(got[35], "  9  0  0.000");
}

TEST_F(E00, DoublePrecisionBoundsRecordIsSplitAtEightyColumns) {
  open(E00_PREC_DOUBLE);
  EXPECT_EQ(e00_write_bnd(0, 0, 100, 50), E00_OK);
  std::vector<std::string> got = finish();
  ASSERT_EQ(got.size(), 7u);
  EXPECT_EQ(got[0], "COV.BND                         XX   4   4  32         1");
  EXPECT_EQ(got[1], "XMIN              8-1   14-1  18 5 60-1  -1  -1-1                   1-");
  EXPECT_EQ(got[2], "YMIN              8-1   94-1  18 5 60-1  -1  -1-1                   2-");
  EXPECT_EQ(got[5].size(), 80u);
  EXPECT_EQ(got[6].size(), 16u);
  EXPECT_EQ(got[6], "000000000000E+01");
}

TEST_F(E00, TicsAndAttributeTablesDefineTheirItems) {
  open();
  double x[2] = {0, 10}, y[2] = {0, 10};
  EXPECT_EQ(e00_write_tic(x, y, 0), E00_BAD_ARG);
  EXPECT_EQ(e00_write_tic(x, y, 2), E00_OK);
  const char* names[2] = {"ROCK", "DIP"};
  int types[2] = {E00_ITEM_CHAR, E00_ITEM_INTEXT};
  int widths[2] = {12, 3};
  EXPECT_EQ(e00_write_pat(names, types, widths, nullptr, 2, 1), E00_OK);
  const char* values[2] = {"gran\tite", "45"};
  EXPECT_EQ(e00_write_pat_record(0, 0, 1, 1, values, types, widths, 2), E00_OK);
  auto got = finish();
  std::vector<std::string> want = {
      "COV.TIC                         XX   3   3  12         2",
      "IDTIC             4-1   14-1   5-1 50-1  -1  -1-1                   1-",
      "XTIC              4-1   54-1  12 3 60-1  -1  -1-1                   2-",
      "YTIC              4-1   94-1  12 3 60-1  -1  -1-1                   3-",
      "          1 0.0000000E+00 0.0000000E+00",
      "          2 1.0000000E+01 1.0000000E+01",
      "COV.PAT                         XX   6   6  31         1",
      "AREA              4-1   14-1  12 3 60-1  -1  -1-1                   1-",
      "PERIMETER         4-1   54-1  12 3 60-1  -1  -1-1                   2-",
      "COV#              4-1   94-1   5-1 50-1  -1  -1-1                   3-",
      "COV-ID            4-1  134-1   5-1 50-1  -1  -1-1                   4-",
      "ROCK             12-1  174-1  12-1 20-1  -1  -1-1                   5-",
      "DIP               3-1  294-1   3-1 30-1  -1  -1-1                   6-",
      " 0.0000000E+00 0.0000000E+00          1          1gran ite     45"};
  EXPECT_EQ(got, want);
}

TEST_F(E00, ArcAttributeTableLeadsWithItsSevenItems) {
  open();
  const char* names[1] = {"KIND"};
  int types[1] = {E00_ITEM_BINARY};
  int widths[1] = {4};
  EXPECT_EQ(e00_write_aat(names, types, widths, nullptr, 1, 1), E00_OK);
  const char* values[1] = {nullptr};
  EXPECT_EQ(e00_write_aat_record(1, 2, 1, 2, 3.5, 1, 7, values, types, widths, 1), E00_OK);
  auto got = finish();
  ASSERT_EQ(got.size(), 11u);
  EXPECT_EQ(got[0], "COV.AAT                         XX   8   8  32         1");
  EXPECT_EQ(got[6], "COV#              4-1  214-1   5-1 50-1  -1  -1-1                   6-");
  EXPECT_EQ(got[9], "          1          2          1          2 3.5000000E+00          1          7");
  EXPECT_EQ(got[10], "          0");
}

TEST_F(E00, InfoValueTooWideForItsItemIsRefusedBeforeAnythingIsWritten) {
  open();
  int types[2] = {E00_ITEM_CHAR, E00_ITEM_INTEXT};
  int widths[2] = {4, 3};
  const char* wide[2] = {"A", "12345"};
  EXPECT_EQ(e00_write_info_record(wide, types, widths, 2), E00_BAD_ARG);
  const char* not_number[2] = {"A", "x1"};
  EXPECT_EQ(e00_write_info_record(not_number, types, widths, 2), E00_BAD_ARG);
  int bad_type[1] = {70};
  EXPECT_EQ(e00_write_info_record(wide, bad_type, widths, 1), E00_BAD_ARG);
  const char* fine[2] = {"ABCDEF", nullptr};
  EXPECT_EQ(e00_write_info_record(fine, types, widths, 2), E00_OK);
  EXPECT_EQ(finish(), std::vector<std::string>{"ABCD  0"});
}

TEST_F(E00, ItemDefinitionRefusalsAndForcedDecimals) {
  open();
  EXPECT_EQ(e00_write_item_def(nullptr, 4, 4, 0, 20, 14, 1), E00_BAD_ARG);
  EXPECT_EQ(e00_write_item_def("A", 0, 4, 0, 20, 14, 1), E00_BAD_ARG);
  EXPECT_EQ(e00_write_item_def("A", 4, 4, -1, 20, 14, 1), E00_BAD_ARG);
  EXPECT_EQ(e00_write_item_def("A", 4, 4, 0, 70, 14, 1), E00_BAD_ARG);
  EXPECT_EQ(e00_write_item_def("A", 4, 4, 0, 40, 14, 1), 0);  // no storage width
  EXPECT_EQ(e00_write_item_def("A", 4, 4, 9, 30, 14, 1), E00_OK);
  EXPECT_EQ(finish(), std::vector<std::string>{
                          "A                 4-1   14-1   4-1 30-1  -1  -1-1                   1-"});
}

TEST_F(E00, FailedWriteClosesTheFileAndLaterCallsFindNoneOpen) {
  /* The file is written beside its target, here on a full disk; the
  ** earlier file of the name stays as it was. */
  std::ofstream(dir / "FULL.E00") << "earlier\r\n";
  ASSERT_EQ(e00_open(path("FULL").c_str(), 1024, 2), E00_OK);
  int rc = E00_OK;
  {
    FullDisk full;
    for (int i = 0; i < 1000 && rc == E00_OK; ++i) rc = e00_write_lab_end();
  }
  EXPECT_LE(rc, 0);
  EXPECT_EQ(e00_write_lab_end(), E00_NOT_OPEN);
  EXPECT_EQ(e00_writer_state().precision, E00_PREC_SINGLE);
  EXPECT_EQ(lines(path("FULL.E00")), std::vector<std::string>{"earlier"});
  EXPECT_EQ(temp_of("FULL.E00"), "");
  /* A discarded file leaves the earlier one too. */
  ASSERT_EQ(e00_open(path("FULL").c_str(), 1024, 2), E00_OK);
  EXPECT_EQ(e00_write_exp(), E00_OK);
  EXPECT_EQ(e00_discard(), E00_OK);
  EXPECT_EQ(lines(path("FULL.E00")), std::vector<std::string>{"earlier"});
}
