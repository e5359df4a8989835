/*
** plot_opts_test.cpp: the plot state's type table, the option checks in
** the dialog's order, the declared column codes and the per-row file
** texts of the plot loop: delimited lines, the .TBA header and the
** coordinates converted into a row's texts.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/pnt.h"
#include "map/draw_fixture.h"
#include "output/exports/e00_writer.h"
#include "output/exports/mif_writer.h"
#include "output/plot/plot_col_type.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_io.h"
#include "output/plot/plot_opts.h"
#include "output/plot/plot_state.h"

namespace {

const double CLARKE_A = 6378206.4, CLARKE_B = 6356583.8;

/* A project GEO with a station table STATN (BASENUMBER, STATION, NAME, X,
** Y) whose X and Y form a point setup in "UTM 10 NAD27", a sample table
** SMP (BASENUMBER, SAMPLE, NAME) without coordinates, and a row of each
** made of copies of their columns. */
class PlotOpts : public DrawTest {
 protected:
  pjct_rec *geo_ = nullptr;
  tbl_rec *statn_ = nullptr;
  tbl_rec *smp_ = nullptr;
  pnt_rec *point_ = nullptr;
  prj_rec *utm_ = nullptr;
  prj_rec *geographic_ = nullptr;
  prj_rec *dstereo_ = nullptr;
  prj_rec *scaled_cone_ = nullptr, *flat_cone_ = nullptr;
  sql_col_rec *row_ = nullptr;

  void SetUp() override {
    DrawTest::SetUp();
    dtm_rec *d = dtm_new();
    prj_name_copy(d->name, "CLARKE1866");
    d->a_m = CLARKE_A;
    d->b_m = CLARKE_B;
    ASSERT_TRUE(dtm_insert(d));
    prj_add_builtin_systems();
    utm_ = add("UTM 10 NAD27", "UTM", "meters", 10, 1.0);
    dstereo_ = add("RD", "DSTEREO", "meters", 0, 0.9999079);
    scaled_cone_ = add("CONE K", "LAMBERT", "meters", 0, 0.9999);
    scaled_cone_->parallels = {44, 49, 0, 0};
    flat_cone_ = add("CONE FLAT", "LAMBERT", "meters", 0, 1.0);
    flat_cone_->parallels = {-30, 30, 0, 0};
    geographic_ = prj_find("GEOGRAPHIC CLARKE1866", nullptr);
    geo_ = project("GEO");
    geo_->connection = (void *)this;
    statn_ = table(geo_, "STATN", TBL_DEF_STATION, {"X", "Y"});
    const bool own_sample = std::strcmp(link_own_key_name(TBL_DEF_SAMPLE), "SAMPLE") == 0;
    std::vector<const char *> extra;
    if (!own_sample) extra.push_back("SAMPLE");
    smp_ = table(geo_, "SMP", TBL_DEF_SAMPLE, extra);
    point_ = pnt_new();
    point_->x_col = sql_col_find(statn_->columns, "X", nullptr, nullptr);
    point_->y_col = sql_col_find(statn_->columns, "Y", nullptr, nullptr);
    point_->table = statn_;
    point_->projection = utm_;
    for (const char *name : {"X", "Y"}) rule(name)->flags |= COL_ATTR_POINT, rule(name)->point = point_;
    plot_reset();
  }
  void TearDown() override {
    plot_reset();
    sql_col_list_free(&row_);
    std::free(point_);
    prj_list_free();
    dtm_list_free();
    DrawTest::TearDown();
  }

  prj_rec *add(const char *name, const char *type, const char *units, int zone, double scale) {
    prj_rec *p = prj_new();
    prj_name_copy(p->name, name);
    prj_name_copy(p->type_name, type);
    prj_name_copy(p->dtm_name, "CLARKE1866");
    prj_name_copy(p->units_name, units);
    p->zone = zone;
    p->scale = scale;
    if (std::strcmp(type, "DSTEREO") == 0) p->origin = {5.4, 52.2, 0, 0};
    EXPECT_TRUE(prj_insert(p)) << name;
    return prj_find(name, nullptr);
  }
  /* The input rule of a STATN column, made on first use. */
  col_attr_rec *rule(const char *column) {
    col_attr_rec *r = col_attr_find(geo_->col_attrs, column, "STATN", nullptr);
    if (r) return r;
    r = col_attr_new();
    snprintf(r->column, sizeof r->column, "%s", column);
    snprintf(r->table, sizeof r->table, "STATN");
    col_attr_push(r, geo_);
    return col_attr_find(geo_->col_attrs, column, "STATN", nullptr);
  }
  /* A row of copies of the named table columns with texts (null: a null
  ** value), the rules of STATN attached. */
  sql_col_rec *make_row(std::vector<std::pair<const char *, const char *>> columns,
                        std::vector<const char *> texts) {
    sql_col_list_free(&row_);
    sql_col_rec **tail = &row_;
    for (size_t i = 0; i < columns.size(); i++) {
      tbl_rec *t = std::strcmp(columns[i].first, "STATN") == 0 ? statn_ : smp_;
      sql_col_rec *from = sql_col_find(t->columns, columns[i].second, nullptr, nullptr);
      *tail = sql_col_new(from->name, t->name, from->sql_type, from->sql_type == SQL_TYPE_CHAR ? 8 : 12,
                          std::strcmp(from->name, "X") == 0 || std::strcmp(from->name, "Y") == 0 ? 3 : 0);
      (*tail)->connection = geo_->connection;
      if (t == statn_) (*tail)->attr = col_attr_find(geo_->col_attrs, from->name, "STATN", nullptr);
      if (texts[i]) snprintf((*tail)->text, 9, "%s", texts[i]), (*tail)->null_ind = 0;
      else (*tail)->null_ind = SQL_COL_NULL, (*tail)->text[0] = 0;
      tail = &(*tail)->next;
    }
    g_plot_state.row = row_;
    return row_;
  }
  /* The entry of a projection in the dialog's list. */
  static int entry(const prj_rec *p) {
    int i = -1;
    return p && prj_index_of(p, &i) ? i : -1;
  }
  /* The bytes a writer put into a temporary file. */
  template <typename F>
  static std::string written(F write) {
    std::FILE *f = std::tmpfile();
    write(f);
    std::fflush(f);
    std::string out(std::ftell(f), '\0');
    std::rewind(f);
    size_t n = std::fread(out.data(), 1, out.size(), f);
    out.resize(n);
    std::fclose(f);
    return out;
  }
};

TEST(PlotTypeTable, LabelsAndExtensionsAreTheListsTexts)
{
  struct { int type; const char *label; const char *ext; } rows[] = {
      {1, "MAP", ""},           {2, "Image or Sketch", ""}, {3, "TABLE", ""},
      {4, "Text    .TXT", ".TXT"}, {5, "ArcInfo .E00", ".E00"}, {6, "MapInfo .MIF", ".MIF"},
      {7, "Spans   .TBA", ".TBA"}, {8, "Stereo Diagram", ""},  {9, "Rose Diagram", ""},
      {10, "Chem Diagram", ""}, {11, "Pie Diagram", ""},     {12, "Drill Holes", ""},
      {13, "", ""},             {14, "Map Units", ""},       {15, "SurView .AOB", ".AOB"},
      {16, "AutoCAD .DXF", ".DXF"}, {0, "", ""},            {17, "", ""}, {-1, "", ""}};
  for (const auto &r : rows) {
    EXPECT_STREQ(plot_type_label(r.type), r.label) << r.type;
    EXPECT_STREQ(plot_type_ext(r.type), r.ext) << r.type;
  }
}

TEST(PlotOutputName, BaseIsCutAtItsOwnFirstPointAndNeverAtAFixedLength)
{
  const std::string long_base(40, 'r');
  struct { std::string typed; int type; std::string want; } rows[] = {
      {"rocks.dat", PLOT_TYPE_TEXT, "rocks.TXT"},
      {"  rocks  ", PLOT_TYPE_E00, "rocks.E00"},
      {"rocks.tar.gz", PLOT_TYPE_MIF, "rocks.MIF"},
      {"out.v2/rocks.dat", PLOT_TYPE_SPANS, "out.v2/rocks.TBA"},
      {"NEWTAB.dbf", PLOT_TYPE_TABLE, "NEWTAB"},
      {".dat", PLOT_TYPE_TEXT, ""},
      {"out.v2/.dat", PLOT_TYPE_TEXT, ""},
      {"   ", PLOT_TYPE_TEXT, ""},
      {long_base + ".x", PLOT_TYPE_SPANS, long_base + ".TBA"}};
  for (const auto &r : rows) EXPECT_EQ(plot_output_name(r.typed, r.type), r.want) << r.typed;
}

TEST_F(PlotOpts, RefusalsComeInTheDialogsOrderAndFreeTheOptions)
{
  make_row({{"STATN", "STATION"}, {"STATN", "NAME"}, {"STATN", "X"}, {"STATN", "Y"}}, {"1", "A", "1", "2"});
  struct { int type; std::vector<int> output; const char *file; int prj; int symbol; const char *error; } rows[] = {
      {PLOT_TYPE_TEXT, {}, "rocks.dat", -1, -1, "ERROR: No columns selected"},
      {PLOT_TYPE_TEXT, {0}, " .dat", -1, -1, "ERROR: No file name specified"},
      {PLOT_TYPE_E00, {0}, "rocks", entry(dstereo_), -1, "ERROR: Projection cannot be Double Stereographic"},
      {PLOT_TYPE_MIF, {0}, "rocks", entry(dstereo_), -1, "ERROR: Projection cannot be Double Stereographic"},
      {PLOT_TYPE_MIF, {0}, "rocks", entry(scaled_cone_), -1, "ERROR: Projection cannot be Lambert with a scale factor"},
      {PLOT_TYPE_TEXT, {0}, "rocks", entry(flat_cone_), -1,
       "ERROR: Coordinate system CONE FLAT cannot be used: its standard parallels make a cone constant of 0."},
      {PLOT_TYPE_E00, {0}, "rocks", -1, -1, "ERROR: No projection selected"},
      {PLOT_TYPE_SPANS, {0}, "rocks", entry(utm_), -1, "ERROR: Projection must be GEOGRAPHIC"},
      {PLOT_TYPE_SPANS, {0}, "rocks", -1, -1, "ERROR: Projection must be GEOGRAPHIC"},
      {PLOT_TYPE_E00, {0, 2}, "rocks", entry(utm_), 1, "ERROR: NAME must be selected for output"},
      {PLOT_TYPE_MIF, {2}, "rocks", entry(utm_), 0, "ERROR: STATION must be selected for output"},
  };
  for (const auto &r : rows) {
    plot_opts_input in;
    in.type = r.type, in.output = r.output, in.file_name = r.file, in.projection = r.prj, in.symbol = r.symbol;
    std::string error;
    EXPECT_EQ(plot_opts_apply(in, error), -1) << r.error;
    EXPECT_EQ(error, r.error);
    EXPECT_EQ(g_plot_state.out_index, nullptr) << r.error;
    EXPECT_TRUE(g_plot_state.file_name.empty()) << r.error;
  }
}

TEST_F(PlotOpts, TableNamesMustBePlainAndColumnNamesUnique)
{
  make_row({{"STATN", "NAME"}, {"SMP", "NAME"}, {"SMP", "SAMPLE"}}, {"A", "B", "1"});
  plot_opts_input in;
  in.type = PLOT_TYPE_TABLE, in.output = {2, 0, 1}, in.file_name = "NEWTAB";
  std::string error;
  EXPECT_EQ(plot_opts_apply(in, error), -1);
  EXPECT_EQ(error, "ERROR: multiple NAME selected");
  /* The name goes into CREATE TABLE: only a plain table name is taken. */
  in.output = {0, 2};
  for (const char *bad : {"NEW TAB", "X;DROP", "\"Q\"", "ABCDEFGHIJKLMNOPQRSTU"}) {
    in.file_name = bad;
    EXPECT_EQ(plot_opts_apply(in, error), -1) << bad;
    EXPECT_EQ(error, "ERROR: Invalid file name") << bad;
  }
  in.file_name = "NEWTAB";
  EXPECT_EQ(plot_opts_apply(in, error), 0) << error;
  EXPECT_EQ(g_plot_state.file_name, "NEWTAB");
  EXPECT_EQ(g_plot_state.out_prj, nullptr);
}

TEST_F(PlotOpts, AcceptedOptionsAreTakenIntoTheState)
{
  make_row({{"STATN", "STATION"}, {"STATN", "NAME"}, {"STATN", "X"}, {"STATN", "Y"}}, {"1", "A", "1", "2"});
  plot_opts_input in;
  in.type = PLOT_TYPE_TEXT, in.output = {3, 1, 9}, in.file_name = "rocks.dat", in.projection = entry(geographic_);
  in.col_delim = "TaB", in.txt_delim = "'x", in.scale = "2.5", in.height = "abc";
  std::string error;
  ASSERT_EQ(plot_opts_apply(in, error), 0) << error;
  const plot_state_rec &s = g_plot_state;
  EXPECT_EQ(s.file_name, "rocks.TXT");
  ASSERT_EQ(s.out_count, 2); /* entry 9 is past the list */
  EXPECT_EQ(s.out_index[0], 3);
  EXPECT_EQ(s.out_index[1], 1);
  EXPECT_EQ(s.out_prj, geographic_);
  EXPECT_EQ(s.col_delim, '\t');
  EXPECT_EQ(s.txt_delim, '\'');
  EXPECT_DOUBLE_EQ(s.scale, 2.5);
  EXPECT_DOUBLE_EQ(s.height, 0.0);

  /* Text with the blank projection entry: no projection at all. */
  in.projection = 999;
  ASSERT_EQ(plot_opts_apply(in, error), 0) << error;
  EXPECT_EQ(s.out_prj, nullptr);

  /* E00 with its symbol column among the outputs keeps it. */
  in.type = PLOT_TYPE_E00, in.projection = entry(utm_), in.symbol = 1;
  ASSERT_EQ(plot_opts_apply(in, error), 0) << error;
  EXPECT_EQ(s.file_name, "rocks.E00");
  EXPECT_EQ(s.sym_col, sql_col_nth(row_, 1));
}

TEST_F(PlotOpts, SpansWithoutCoordinatesNeedsNoProjection)
{
  make_row({{"SMP", "SAMPLE"}, {"SMP", "NAME"}}, {"1", "A"});
  plot_opts_input in;
  in.type = PLOT_TYPE_SPANS, in.output = {0, 1}, in.file_name = "samples", in.projection = entry(utm_);
  std::string error;
  ASSERT_EQ(plot_opts_apply(in, error), 0) << error;
  EXPECT_EQ(g_plot_state.out_prj, nullptr);
  EXPECT_EQ(g_plot_state.file_name, "samples.TBA");
}

TEST_F(PlotOpts, DeclaredCodesFollowTypeWidthAndRule)
{
  struct { int sql; int length; int decimals; int out; int code; int width; int dec; } rows[] = {
      {SQL_TYPE_CHAR, 8, 0, PLOT_TYPE_SPANS, 28, 8, 0},     {SQL_TYPE_NUMERIC, 4, 0, PLOT_TYPE_SPANS, 2, 4, 0},
      {SQL_TYPE_NUMERIC, 9, 0, PLOT_TYPE_SPANS, 3, 9, 0},   {SQL_TYPE_NUMERIC, 10, 0, PLOT_TYPE_SPANS, 0, 10, 0},
      {SQL_TYPE_NUMERIC, 4, 2, PLOT_TYPE_SPANS, 0, 4, 2},   {SQL_TYPE_DEC, 8, 2, PLOT_TYPE_SPANS, 7, 8, 2},
      {SQL_TYPE_DEC, 4, 0, PLOT_TYPE_SPANS, 2, 4, 0},       {SQL_TYPE_INT, 11, 0, PLOT_TYPE_SPANS, 3, 11, 0},
      {SQL_TYPE_SMALLINT, 6, 0, PLOT_TYPE_SPANS, 2, 6, 0},  {SQL_TYPE_FLOAT, 15, 0, PLOT_TYPE_SPANS, 0, 15, 0},
      {SQL_TYPE_REAL, 15, 0, PLOT_TYPE_SPANS, 1, 15, 0},    {SQL_TYPE_DOUBLE, 15, 0, PLOT_TYPE_SPANS, 1, 15, 0},
      {SQL_TYPE_DOUBLE, 15, 3, PLOT_TYPE_TEXT, 8, 15, 3},   {SQL_TYPE_CHAR, 8, 0, PLOT_TYPE_TEXT, 1, 8, 0}};
  for (const auto &r : rows) {
    sql_col_rec *c = sql_col_new("V", "SMP", r.sql, r.length, r.decimals);
    int width = -1, decimals = -1;
    EXPECT_EQ(plot_col_out_type(c, r.out, &width, &decimals), r.code) << r.sql << "/" << r.length;
    EXPECT_EQ(width, r.width) << r.sql << "/" << r.length;
    EXPECT_EQ(decimals, r.dec) << r.sql << "/" << r.length;
    sql_col_list_free(&c);
  }
  rule("NAME")->flags |= COL_ATTR_MEMO;
  make_row({{"STATN", "X"}, {"STATN", "NAME"}}, {"1", "A"});
  int width = 0, decimals = 0;
  EXPECT_EQ(plot_col_out_type(row_, PLOT_TYPE_SPANS, &width, &decimals), SPANS_CODE_COORD);
  EXPECT_EQ(width, 12);
  EXPECT_EQ(decimals, 6);
  EXPECT_EQ(plot_col_out_type(row_->next, PLOT_TYPE_SPANS, &width, nullptr), 20 + 250);
  EXPECT_EQ(width, 250);
  EXPECT_EQ(plot_col_out_type(nullptr, PLOT_TYPE_SPANS, &width, nullptr), -2);
}

TEST(PlotDriverCodes, ItemAndColumnTypesByValueAndSqlType)
{
  const int e00[][2] = {{1, 30}, {2, 50}, {3, 60}, {4, 60}, {5, 20}, {0, -1}, {6, -1}};
  for (const auto &r : e00) EXPECT_EQ(e00_item_type_code(r[0]), r[1]) << r[0];
  const int mif[][4] = {{SQL_TYPE_CHAR, 8, 0, 1},     {SQL_TYPE_NUMERIC, 4, 0, 3}, {SQL_TYPE_NUMERIC, 5, 0, 2},
                        {SQL_TYPE_NUMERIC, 9, 0, 2},  {SQL_TYPE_NUMERIC, 10, 0, 5}, {SQL_TYPE_NUMERIC, 4, 1, 5},
                        {SQL_TYPE_DEC, 4, 0, 5},      {SQL_TYPE_FLOAT, 8, 0, 5},   {SQL_TYPE_REAL, 8, 0, 5},
                        {SQL_TYPE_DOUBLE, 8, 0, 5},   {SQL_TYPE_INT, 11, 0, 2},    {SQL_TYPE_SMALLINT, 6, 0, 3},
                        {0, 8, 0, -1}};
  for (const auto &r : mif) EXPECT_EQ(mif_col_type(r[0], r[1], r[2]), r[3]) << r[0] << "/" << r[1];
}

TEST_F(PlotOpts, DelimitedLinesQuoteCharValuesAndWriteNullNumbersAsZeroWhereAsked)
{
  // A CHAR value loses its padding; the qualifier inside it is doubled.
  make_row({{"STATN", "NAME"}, {"STATN", "X"}, {"STATN", "STATION"}}, {"a\"b   ", nullptr, "7"});
  const int all[] = {0, 1, 2};
  struct { int type; char col; char txt; const char *want; } rows[] = {
      {PLOT_TYPE_TEXT, ',', '"', "\"a\"\"b\",,7\r\n"},
      {PLOT_TYPE_TEXT, 0, 0, " a\"b  0 7\r\n"},
      {PLOT_TYPE_SPANS, ',', '"', "\"a\"\"b\",0,7\r\n"},
      {PLOT_TYPE_TEXT, '\t', '\'', "'a\"b'\t\t7\r\n"}};
  for (const auto &r : rows) {
    std::string got =
        written([&](std::FILE *f) { EXPECT_EQ(plot_write_line(f, row_, all, 3, r.type, r.col, r.txt), 3); });
    EXPECT_EQ(got, r.want) << r.type << "/" << (int)r.col;
  }
  EXPECT_EQ(written([&](std::FILE *f) { EXPECT_EQ(plot_write_line(f, row_, all, 0, PLOT_TYPE_TEXT, ',', 0), 0); }), "");
}

TEST_F(PlotOpts, TbaHeaderIsWrittenByteForByte)
{
  make_row({{"SMP", "SAMPLE"}, {"SMP", "NAME"}}, {"1", "A"});
  const int both[] = {1, 0};
  std::string got = written([&](std::FILE *f) {
    EXPECT_EQ(plot_write_tba_header(f, row_, "out/samples.TBA", ",", both, 2, 11), 0);
  });
  EXPECT_EQ(got,
            "ID samples\r\nTITLE samples\r\nTABTYPE 4\r\nFTYPE free\r\nDELIMITER ,\r\nRECSKIP 0\r\n"
            "CHARSKIP 0\r\nNRECORD 11\r\n1 28 8.0 0     NAME NAME\r\n2 0 12.0 0   SAMPLE SAMPLE\r\nDATA\r\n");
  got = written([&](std::FILE *f) { plot_write_tba_header(f, row_, "samples.TBA", " ", both, 1, 2); });
  EXPECT_EQ(got.find("DELIMITER"), std::string::npos) << got;
}

TEST_F(PlotOpts, CoordinatesAreConvertedThroughTheXColumnAndSwappedForGeographic)
{
  /* 500000 E, 4000000 N in zone 10: about 36.14 N, 123 W. */
  make_row({{"STATN", "X"}, {"STATN", "Y"}, {"STATN", "NAME"}}, {"500000", "4000000", "A"});
  const int x_only[] = {0};
  ASSERT_EQ(plot_number_format(row_, geographic_, x_only, 1, 1), 0);
  const double lat = std::atof(row_->text), lon = std::atof(row_->next->text);
  EXPECT_NEAR(lat, 36.14, 0.01);
  EXPECT_NEAR(lon, -123.0, 1e-6);
  EXPECT_EQ(std::string(row_->text).size(), 12u) << row_->text;
  EXPECT_EQ(std::string(row_->text).find('.'), 12u - 7) << "six decimals: " << row_->text;

  make_row({{"STATN", "X"}, {"STATN", "Y"}}, {"500000", "4000000"});
  ASSERT_EQ(plot_number_format(row_, geographic_, x_only, 1, 0), 0);
  EXPECT_NEAR(std::atof(row_->text), -123.0, 1e-6) << "no swap asked: X keeps the longitude";

  /* Only the Y column chosen: it is converted only through its X partner. */
  make_row({{"STATN", "X"}, {"STATN", "Y"}}, {"500000", "4000000"});
  const int y_only[] = {1};
  ASSERT_EQ(plot_number_format(row_, geographic_, y_only, 1, 1), 0);
  EXPECT_STREQ(row_->next->text, "4000000");

  /* No output projection: the stored texts stay. */
  make_row({{"STATN", "X"}, {"STATN", "Y"}}, {"500000", "4000000"});
  ASSERT_EQ(plot_number_format(row_, nullptr, x_only, 1, 1), 0);
  EXPECT_STREQ(row_->text, "500000");

  /* Into a projected system: three decimals. */
  point_->projection = geographic_;
  make_row({{"STATN", "X"}, {"STATN", "Y"}}, {"-123", "36"});
  ASSERT_EQ(plot_number_format(row_, utm_, x_only, 1, 1), 0);
  EXPECT_EQ(std::string(row_->text).find('.'), std::string(row_->text).size() - 4) << row_->text;
  EXPECT_NEAR(std::atof(row_->text), 500000.0, 1e-3);
}

TEST_F(PlotOpts, ConvertedCoordinatesFitTextBuffersOfNarrowCharColumns)
{
  /* X and Y stored as CHAR(8): "%12.6lf" needs more than their 9 bytes. */
  make_row({{"STATN", "X"}, {"STATN", "Y"}}, {"500000", "4000000"});
  for (sql_col_rec *c = row_; c; c = c->next) {
    sql_col_rec *narrow = sql_col_new(c->name, "STATN", SQL_TYPE_CHAR, 8, 0);
    snprintf(narrow->text, 9, "%s", c->text);
    std::swap(narrow->text, c->text);
    std::swap(narrow->sql_type, c->sql_type);
    std::swap(narrow->value_type, c->value_type);
    std::swap(narrow->length, c->length);
    std::swap(narrow->value, c->value);
    std::swap(narrow->value_size, c->value_size);
    sql_col_list_free(&narrow);
  }
  const int x_only[] = {0};
  ASSERT_EQ(plot_number_format(row_, geographic_, x_only, 1, 1), 0);
  EXPECT_EQ(std::string(row_->text).size(), 12u) << row_->text;
  EXPECT_EQ(std::string(row_->next->text).size(), 12u) << row_->next->text;
  EXPECT_NEAR(std::atof(row_->next->text), -123.0, 1e-6);
}

TEST_F(PlotOpts, CoordColumnNeedsBothPartnersInTheRow)
{
  make_row({{"STATN", "X"}, {"STATN", "NAME"}}, {"1", "A"});
  geo_point p{9, 9, 9, 9};
  prj_rec *from = nullptr;
  EXPECT_EQ(plot_find_coord_column(row_, &p, &from), nullptr);
  EXPECT_EQ(p.x, 0.0);
  make_row({{"STATN", "NAME"}, {"STATN", "Y"}, {"STATN", "X"}}, {"A", "20", "10"});
  EXPECT_EQ(plot_find_coord_column(row_, &p, &from), row_->next);
  EXPECT_EQ(p.x, 10.0);
  EXPECT_EQ(p.y, 20.0);
  EXPECT_EQ(from, utm_);
  make_row({{"STATN", "X"}, {"STATN", "Y"}}, {"10", nullptr});
  EXPECT_EQ(plot_find_coord_column(row_, &p, &from), row_);
  EXPECT_EQ(p.x, 0.0) << "a null Y gives the zero point";
}

}  // namespace
