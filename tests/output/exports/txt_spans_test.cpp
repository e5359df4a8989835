/*
** txt_spans_test.cpp: the delimited text and SPANS writers, byte for byte:
** record lines (delimiters, qualifiers, padding, missing values), the .TBA
** header written again over itself, the .VEH/.VEC pair with the final
** count and extents, a .VEC that cannot be written out failing the
** finish, the refusals without an open file, the output file name and
** the unique column names of a file.
*/
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/tbl_column.h"
#include "output/out_fixture.h"
#include "output/exports/export_state.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"
#include "output/plot/plot.h"
#include "output/exports/tba_header.h"
#include "output/exports/txt_spans.h"

namespace {

class Writers : public OutFolder {
 protected:
  export_state_rec &s = export_state();

  void SetUp() override {
    OutFolder::SetUp();
    export_state_reset();
  }
  void TearDown() override {
    export_state_reset();
    plot_type = PLOT_TYPE_IDLE;
    OutFolder::TearDown();
  }
  /* An output column with its type code, width and decimals. */
  void column(const char *name, int type, int width, int decimals = 0) {
    export_column_rec c;
    c.name = name;
    c.type = type;
    c.width = width;
    c.decimals = decimals;
    s.columns.push_back(c);
  }
  /* A SPANS export of lines or areas to name with its two fixed columns. */
  void vec_export(int kind, const char *name) {
    plot_type = EXPORT_TYPE_SPANS;
    s.kind = kind;
    s.file_name = path(name);
    column("ID", 3, 8);
    column("NUMVERTEX", 3, 5);
    s.fixed_count = 2;
  }
  /* Gives attribute column i the value text (null: no value). */
  void value(std::size_t i, const char *text) {
    s.columns[i].has_value = text != nullptr;
    s.columns[i].text = text ? text : "";
  }
};

TEST_F(Writers, TextLinePadsFitsAndQualifiesOnlyCharColumns) {
  plot_type = EXPORT_TYPE_TEXT;
  s.file_name = path("sites.TXT");
  s.col_delim = ',';
  s.txt_delim = '"';
  column("CODE", SQL_TYPE_CHAR, 5);
  column("DIP", SQL_TYPE_NUMERIC, 5);
  column("NOTE", SQL_TYPE_CHAR, 5);
  ASSERT_EQ(txt_open(), 0);
  value(0, "abc");       /* 3 in 5: three blanks follow, inside the qualifiers */
  value(1, "  1234567 "); /* longer than the width: whole, trimmed */
  value(2, nullptr);     /* no value: nothing between the delimiters */
  ASSERT_EQ(txt_write_object(), 0);
  value(0, "");
  value(1, nullptr);
  value(2, "x");
  ASSERT_EQ(txt_write_object(), 0);
  value(0, "Ga\"mma");   /* the qualifier inside is doubled */
  value(1, "1");
  value(2, "a\"");
  ASSERT_EQ(txt_write_object(), 0);
  value(0, "two\r\nl");  /* a line break stays inside the qualifiers */
  value(1, "   ");       /* a blank number: nothing between the delimiters */
  value(2, nullptr);
  ASSERT_EQ(txt_write_object(), 0);
  ASSERT_EQ(txt_close(), 0);
  EXPECT_EQ(bytes(path("sites.TXT")),
            "\"abc   \",1234567,\r\n"
            "\"      \",,\"x     \"\r\n"
            "\"Ga\"\"mma\",1     ,\"a\"\"    \"\r\n"
            "\"two\r\nl\",,\r\n");
  EXPECT_EQ(s.count, 4);
}

TEST_F(Writers, DelimiterZeroGivesBlanksAndTabStaysTab) {
  plot_type = EXPORT_TYPE_TEXT;
  column("A", SQL_TYPE_INT, 2);
  column("B", SQL_TYPE_INT, 2);
  for (char d : {'\0', '\t', '\x05'}) {
    s.file_name = path("d.TXT");
    s.col_delim = d;
    ASSERT_EQ(txt_open(), 0);
    value(0, "1");
    value(1, "22");
    ASSERT_EQ(txt_write_object(), 0);
    ASSERT_EQ(txt_close(), 0);
    std::string sep = d == '\t' ? "\t" : " ";
    EXPECT_EQ(bytes(path("d.TXT")), "1  " + sep + "22 \r\n") << int(d);
  }
}

TEST_F(Writers, TbaHeaderIsRewrittenInPlaceWithTheFinalCount) {
  plot_type = EXPORT_TYPE_SPANS;
  s.kind = EXPORT_KIND_POINTS;
  s.file_name = path("sub.v1/field.TBA");
  std::filesystem::create_directories(path("sub.v1"));
  s.col_delim = ',';
  s.txt_delim = '"';
  column("X", SPANS_CODE_COORD, 12, 6);
  column("STRUCTURES", 28, 8);  /* 10 characters: cut to 8, then whole */
  column("DIP", 3, 5);          /* 3 characters: 5 blanks before it */
  s.fixed_count = 0;
  ASSERT_EQ(spans_open_vec_files(), 0);
  value(0, "12.5");
  value(1, "bedding");
  value(2, nullptr);            /* a SPANS number without value reads 0 */
  ASSERT_EQ(txt_write_object(), 0);
  value(0, " ");
  value(1, nullptr);
  value(2, "7");
  ASSERT_EQ(txt_write_object(), 0);
  ASSERT_EQ(spans_finish(), 0);
  EXPECT_EQ(s.file, nullptr);
  EXPECT_EQ(bytes(path("sub.v1/field.TBA")),
            "ID field\r\n"
            "TITLE field\r\n"
            "TABTYPE 4\r\n"
            "FTYPE free\r\n"
            "DELIMITER ,\r\n"
            "RECSKIP 0\r\n"
            "CHARSKIP 0\r\n"
            "NRECORD        2\r\n"
            "1 10 12.6 0        X X\r\n"
            "2 28 8.0 0 STRUCTUR STRUCTURES\r\n"
            "3 3 5.0 0      DIP DIP\r\n"
            "DATA\r\n"
            "12.5         ,\"bedding  \",0     \r\n"
            "0            ,\"         \",7     \r\n");
}

TEST_F(Writers, AnExportNeverWritesThroughALinkBesideItsTargetOrAtIt) {
  /* A folder from elsewhere may hold links where an export writes: at the
  ** name its temporary file once had, or at the target itself. */
  struct planted {
    const char *link;   /* where the link stands */
    const char *target; /* the file exported */
  } cases[] = {{"beside.TXT.tmp", "beside.TXT"}, {"linked.TXT", "linked.TXT"}};
  std::ofstream(path("canary")) << "canary";
  for (const planted &c : cases) {
    std::filesystem::create_symlink(path("canary"), path(c.link));
    std::FILE *f = nullptr;
    char *buf = nullptr;
    ASSERT_EQ(out_open_file(path(c.target).c_str(), &f, &buf, 0, "wb"), 0) << c.link;
    std::fputs("rows\r\n", f);
    EXPECT_EQ(out_close_file(&f, &buf), 0) << c.link;
    EXPECT_EQ(bytes(path("canary")), "canary") << c.link;
    EXPECT_FALSE(std::filesystem::is_symlink(path(c.target))) << c.link;
    EXPECT_EQ(bytes(path(c.target)), "rows\r\n") << c.link;
  }
}

TEST_F(Writers, TbaRewriteThatWouldGrowIsRefusedAndLeavesTheEarlierFile) {
  plot_type = EXPORT_TYPE_SPANS;
  s.kind = EXPORT_KIND_POINTS;
  s.file_name = path("big.TBA");
  std::ofstream(s.file_name) << "earlier";
  column("N", 3, 2);
  ASSERT_EQ(spans_open_vec_files(), 0);
  value(0, "1");
  ASSERT_EQ(txt_write_object(), 0);
  s.count = 123456789; /* nine digits no longer fit the header's eight */
  EXPECT_EQ(spans_finish(), -1);
  EXPECT_EQ(bytes(path("big.TBA")), "earlier");
  EXPECT_EQ(temp_of("big.TBA"), "");
}

TEST_F(Writers, NoDelimiterLeavesOutTheDelimiterLine) {
  std::string h = tba_header_text("t", "", "NRECORD 1", {{3, 8, 0, "ID"}});
  EXPECT_EQ(h, "ID t\r\nTITLE t\r\nTABTYPE 4\r\nFTYPE free\r\nRECSKIP 0\r\nCHARSKIP 0\r\nNRECORD 1\r\n"
               "1 3 8.0 0       ID ID\r\nDATA\r\n");
  EXPECT_EQ(tba_title("a/b.c/name.x.TBA"), "name");
  EXPECT_EQ(tba_title("plain"), "plain");
}

TEST_F(Writers, ArcsExportWritesVecLinesAndVehWithFinalCountAndExtents) {
  plot_type = EXPORT_TYPE_SPANS;
  s.kind = EXPORT_KIND_LINES;
  s.file_name = path("faults.TBA");
  column("ID", 3, 8);
  column("NUMVERTEX", 3, 5);
  column("LAYER", 52, 32);
  s.fixed_count = 3;
  ASSERT_EQ(spans_open_vec_files(), 0);
  EXPECT_EQ(s.columns.size(), 2u);
  /* The first header waits beside its target until the export ends. */
  EXPECT_FALSE(std::filesystem::exists(path("faults.VEH")));
  ASSERT_NE(temp_of("faults.VEH"), "");
  EXPECT_EQ(bytes(temp_of("faults.VEH")),
            "FILE_TYPE A X U 0 1\r\nVERSION 4.0\r\n"
            "ARCS_HEADER        0 4    0.0000000    0.0000000    0.0000000    0.0000000 2 0 0 0 0 0 0\r\n"
            "EXTENTS 4    0.0000000    0.0000000    0.0000000    0.0000000\r\nPROJECTION 0\r\nREFERENCE 0\r\n");
  s.obj.x = {1.5, 3.0};
  s.obj.y = {-2.0, 4.25};
  export_extents_add(1.5, -2.0);
  export_extents_add(3.0, 4.25);
  ASSERT_EQ(txt_write_object(), 0);
  ASSERT_EQ(spans_finish(), 0);
  EXPECT_EQ(bytes(path("faults.VEC")),
            "ARCS\r\n1         2     \r\n1.500000 -2.000000\r\n3.000000 4.250000\r\n");
  EXPECT_EQ(bytes(path("faults.VEH")),
            "FILE_TYPE A X U 0 1\r\nVERSION 4.0\r\n"
            "ARCS_HEADER        1 4    1.5000000   -2.0000000    3.0000000    4.2500000 2 0 0 0 0 0 0\r\n"
            "EXTENTS 4    1.5000000   -2.0000000    3.0000000    4.2500000\r\nPROJECTION 0\r\nREFERENCE 0\r\n");
}

TEST_F(Writers, AreasExportWithNoObjectStillWritesWholeHeader) {
  vec_export(EXPORT_KIND_POLYGONS, "units.TBA");
  ASSERT_EQ(spans_open_vec_files(), 0);
  ASSERT_EQ(spans_finish(), 0);
  EXPECT_EQ(bytes(path("units.VEC")), "AREAS\r\n");
  EXPECT_EQ(bytes(path("units.VEH")),
            "FILE_TYPE P O U 0 1\r\nVERSION 4.0\r\n"
            "AREAS_HEADER        0 1 4    0.0000000    0.0000000    0.0000000    0.0000000 3 0 3 2 0 0 0\r\n"
            "EXTENTS 4    0.0000000    0.0000000    0.0000000    0.0000000\r\nPROJECTION 0\r\nREFERENCE 0\r\n");
}

TEST_F(Writers, AVecFileThatCannotBeWrittenOutFailsTheFinishAndLeavesTheEarlierPair) {
  vec_export(EXPORT_KIND_LINES, "full.TBA");
  std::ofstream(path("full.VEC")) << "earlier";
  std::ofstream(path("full.VEH")) << "earlier";
  /* The files are written beside their targets, here on a full disk:
  ** their buffered lines fail when they are flushed. */
  ASSERT_EQ(spans_open_vec_files(), 0);
  {
    FullDisk full;
    EXPECT_NE(spans_finish(), 0);
  }
  EXPECT_EQ(s.file, nullptr);
  EXPECT_EQ(bytes(path("full.VEC")), "earlier");
  EXPECT_EQ(bytes(path("full.VEH")), "earlier");
  for (const auto &e : std::filesystem::directory_iterator(dir))
    EXPECT_NE(e.path().extension(), ".tmp") << e.path();
}

TEST_F(Writers, AreaRecordEndsWithOneAndItsRing) {
  plot_type = EXPORT_TYPE_SPANS;
  s.kind = EXPORT_KIND_POLYGONS;
  s.file_name = path("a.TBA");
  column("ID", 3, 2);
  column("NUMVERTEX", 3, 2);
  s.fixed_count = 2;
  ASSERT_EQ(spans_open_vec_files(), 0);
  s.obj.x = {0, 0, 1, 0};
  s.obj.y = {0, 1, 0, 0};
  ASSERT_EQ(txt_write_object(), 0);
  ASSERT_EQ(spans_finish(), 0);
  EXPECT_EQ(bytes(path("a.VEC")),
            "AREAS\r\n1   4   1\r\n0.000000 0.000000\r\n0.000000 1.000000\r\n"
            "1.000000 0.000000\r\n0.000000 0.000000\r\n");
}

TEST_F(Writers, WritersRefuseWithoutAnOpenFile) {
  plot_type = EXPORT_TYPE_TEXT;
  column("A", SQL_TYPE_INT, 2);
  EXPECT_EQ(txt_write_object(), -2);
  EXPECT_EQ(spans_write_tba_header(), -2);
  ads_name e = {1, 1};
  EXPECT_EQ(txt_write_record(e, 0), -2);
  EXPECT_EQ(spans_write_record(nullptr, 0), -2);
  s.file_name = path("missing/dir/x.TXT");
  EXPECT_EQ(txt_open(), OUT_ERR_CANNOT_OPEN);
  EXPECT_EQ(s.file, nullptr);
}

TEST_F(Writers, OpenFileChecksItsArgumentsAndClosesWhatTheSlotsHeld) {
  std::FILE *f = nullptr;
  char *b = nullptr;
  EXPECT_EQ(out_open_file(nullptr, &f, &b, 10, "wb"), OUT_ERR_ARG);
  EXPECT_EQ(out_open_file(path("x").c_str(), nullptr, &b, 10, "wb"), OUT_ERR_ARG);
  ASSERT_EQ(out_open_file(path("one").c_str(), &f, &b, 10, "wb"), 0);
  std::fputs("first", f);
  ASSERT_EQ(out_open_file(path("two").c_str(), &f, &b, 10, "wb"), 0);
  EXPECT_EQ(bytes(path("one")), "first"); /* flushed and closed by the second open */
  EXPECT_EQ(out_open_file(path("nope/three").c_str(), &f, &b, 10, "r+b"), OUT_ERR_CANNOT_OPEN);
  EXPECT_EQ(f, nullptr);
  EXPECT_EQ(b, nullptr);
  EXPECT_EQ(out_close_file(&f, &b), 0);
}

TEST(ExportFileName, CutAtFirstDotOfItsOwnNameAndNeverTruncated) {
  struct row {
    const char *name, *ext, *want;
  } rows[] = {
      {"sites.dat", ".E00", "sites.E00"},
      {"  sites  ", ".TXT", "sites.TXT"},
      {"out.v2/sites.a.b", ".MIF", "out.v2/sites.MIF"},
      {"   ", ".TXT", ""},
      {"dir/", ".TXT", ""},
      {".hidden", ".TXT", ""},
      {"a_name_well_beyond_thirty_one_characters_long", ".TBA",
       "a_name_well_beyond_thirty_one_characters_long.TBA"},
  };
  for (const row &r : rows) EXPECT_EQ(export_file_name(r.name, r.ext), r.want) << r.name;
}

TEST(UniqueNames, AClashTakesTheFirstFreeSuffixWithinTheFormatsLength) {
  struct row {
    std::vector<std::string> names;
    std::size_t max_len;
    std::vector<std::string> want;
    std::string message;
  } rows[] = {
      {{"X", "NAME", "NAME", "name", "NAME_1"}, OUT_E00_NAME_MAX, {"X", "NAME", "NAME_2", "name_3", "NAME_1"},
       "\n\nColumns renamed: NAME as NAME_2, name as name_3"},
      {{"BASENUMBER", "BASENUMBER", "ABCDEFGHI", "ABCDEFGHI"}, 10,
       {"BASENUMBER", "BASENUMBE1", "ABCDEFGHI", "ABCDEFGHI1"},
       "\n\nColumns renamed: BASENUMBER as BASENUMBE1, ABCDEFGHI as ABCDEFGHI1"},
      {{"NAME", "DIP"}, OUT_MIF_NAME_MAX, {"NAME", "DIP"}, ""},
  };
  for (row &r : rows) {
    std::vector<std::string> renamed;
    out_unique_names(r.names, r.max_len, &renamed);
    EXPECT_EQ(r.names, r.want);
    EXPECT_EQ(out_renamed_text(renamed), r.message);
  }
}

}  // namespace
