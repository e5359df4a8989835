/*
** plot_e2e.cpp: plotting query results end to end. The module is loaded
** into the stand-in editor and logs on through the engine and the DB3
** driver to a copy of the sample project GEO made in <build>/e2e/plot/,
** whose station table STATN holds EASTING and NORTHING in a point setup in
** "UTM 10 NAD27". The program opens the table browser on a query over it
** (and over a sample table SMP it makes, without coordinates), picks an
** output in the browser's "plot" list and answers the plot options: text,
** TABLE, E00, MapInfo, SPANS and MAP. ogrinfo and python3-dbfread read
** the results back; texts are compared byte for byte. After every plot
** the browser shows the same page and no file is left open.
*/
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>

#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/browse.h"
#include "data/memo.h"
#include "draw/map_params.h"
#include "geo_e2e.h"
#include "output/plot/plot_state.h"
#include "output/query/qry_filter.h"
#include "platform/host_io.h"
#include "sqlclient/asi_driver.h"

namespace {

/* The queries handed to the browser; only their addresses matter here. */
int g_all_tag = 0, g_even_tag = 0, g_damage_tag = 0;
qry_rec *const k_all = reinterpret_cast<qry_rec *>(&g_all_tag);
qry_rec *const k_even = reinterpret_cast<qry_rec *>(&g_even_tag);
/* Lets every row through, and while rows are plotted cuts the file
** g_damaged short when it meets row 2. */
qry_rec *const k_damage = reinterpret_cast<qry_rec *>(&g_damage_tag);
std::string g_damaged;
/* Lets every row through, and ends the DB3 driver when it meets row 2
** while rows are plotted (g_end_plotting) or while the browser reads them. */
int g_end_tag = 0;
qry_rec *const k_end_driver = reinterpret_cast<qry_rec *>(&g_end_tag);
bool g_end_plotting = false;
/* Rows of a table longer than a statement's prepare brings whole. */
const int k_long_rows = 1100;

/* Ends the DB3 driver and waits until it has ended. */
void end_driver(void)
{
  const pid_t pid = asi_driver_pid("DB3");
  if (pid <= 0 || kill(pid, SIGKILL) != 0) return;
  const std::string stat = "/proc/" + std::to_string(pid) + "/stat";
  for (;;) {
    std::ifstream in(stat);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = text.rfind(')');
    if (!in || close == std::string::npos || text.compare(close + 2, 1, "Z") == 0) return;
  }
}
/* Samples made. */
const int k_samples = 10;
/* Stations of the sample project. */
const int k_stations = 5;

}  // namespace

/* The queries' post-filter: k_even lets only even BASENUMBERs through. */
int qry_filter_row(qry_rec *query, sql_col_rec *row)
{
  if (query == k_damage && plot_type != PLOT_TYPE_IDLE && std::atol(row->text) == 2)
    std::filesystem::resize_file(g_damaged, 10);
  if (query == k_end_driver && (plot_type != PLOT_TYPE_IDLE) == g_end_plotting && std::atol(row->text) == 2)
    end_driver();
  return query != k_even || std::atol(row->text) % 2 == 0;
}

namespace {

/* Descriptors the process holds open. */
int open_files(void)
{
  int n = 0;
  DIR *d = opendir("/proc/self/fd");
  if (!d) return -1;
  while (readdir(d)) n++;
  closedir(d);
  return n;
}

/* A whole file, "" when it cannot be read. */
std::string slurp(const std::string &path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class PlotEndToEnd : public GeoModuleTest {
 protected:
  const char *folder() const override { return "plot"; }
  pjct_rec *geo_ = nullptr;

  void SetUp() override {
    GeoModuleTest::SetUp();
    geo_ = open_geo();
    ASSERT_NE(geo_, nullptr) << host_io_transcript();
  }

  void run(const std::string &sql) {
    void *stmt = nullptr, *cursor = nullptr;
    EXPECT_EQ(sql_execute(geo_->connection, &stmt, &cursor, sql.c_str(), 0), 5100) << sql;
    sql_free_handles(&stmt, &cursor);
  }

  /* The entry of a projection in the options dialog's list. */
  static int prj_entry(const char *name) {
    int i = -1;
    prj_rec *p = prj_find(name, nullptr);
    return p && prj_index_of(p, &i) ? i : -1;
  }

  /* Opens the browser on a query with the answers given and answers its
  ** transcript. The page is shown before the plot and after it ("show"
  ** around the answers); both pages must be the same. */
  std::string browse(const char *sql, const char *table, qry_rec *query, const std::string &answers,
                     const char *dialog = "pv_table_large") {
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    EXPECT_GT(sql_query(geo_->connection, sql, &stmt, &cursor, &row, 0), 0) << sql;
    for (sql_col_rec *c = row; c; c = c->next) std::snprintf(c->table, sizeof c->table, "%s", table);
    const int files = open_files();
    host_io_clear_transcript();
    host_io_use_script_text(std::string(dialog) + "\nshow\n" + answers);
    pv_table_dialog(stmt, cursor, row, query);
    sql_close_query(&stmt, &cursor, &row);
    for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
    EXPECT_EQ(open_files(), files) << "a file was left open";
    EXPECT_EQ(plot_type, PLOT_TYPE_IDLE);
    return host_io_transcript();
  }

  /* The long alerts' lines a transcript shows (and every other listed
  ** item), joined without their blanks. */
  static std::string wrapped(const std::string &shown) {
    static const std::regex item("^ +\\*?\\d+: (.*)$");
    std::string all, line;
    std::istringstream lines(shown);
    while (std::getline(lines, line)) {
      std::smatch m;
      if (std::regex_match(line, m, item)) all += m[1].str();
    }
    std::erase(all, ' ');
    return all;
  }
  /* The drawing's entities. */
  static int entities(void) {
    int n = 0;
    ads_name e, next;
    for (int more = ads_entnext(nullptr, e) == RTNORM; more;
         more = ads_entnext(e, next) == RTNORM, e[0] = next[0], e[1] = next[1])
      n++;
    return n;
  }
  /* A text without its blanks, to be found in wrapped(). */
  static std::string unblanked(std::string text) {
    std::erase(text, ' ');
    return text;
  }

  /* The page lines shown by the first and the last "show". */
  static void same_page(const std::string &shown) {
    size_t first = shown.find("sqlrow"), last = shown.rfind("sqlrow");
    ASSERT_NE(first, std::string::npos) << shown;
    std::string a = shown.substr(first, shown.find('\n', first) - first);
    std::string b = shown.substr(last, shown.find('\n', last) - last);
    EXPECT_EQ(a, b) << "the browser's rows changed";
  }

  /* The options dialog's answers for a file output of STATN columns. */
  static std::string options(int type, const char *columns, const char *file, int projection,
                             const std::string &more = "") {
    std::string s = "select plot " + std::to_string(type) + "\npv_plot_opts\nselect output " + columns +
                    "\nset filename " + file + "\n";
    if (projection >= 0) s += "select projection " + std::to_string(projection) + "\n";
    return s + more + "pick plot\n";
  }

  /* A station's point converted into a system, formatted as the text
  ** output writes it. */
  static std::string coord(double e, double n, const char *to, int lat_first) {
    geo_point in = {e, n, 0, 0}, out{};
    prj_rec *to_prj = prj_find(to, nullptr);
    EXPECT_TRUE(prj_transform_point(&in, prj_find("UTM 10 NAD27", nullptr), &out, to_prj));
    const char *f = to_prj->type == PRJ_TYPE_GEOGRAPHIC ? "%12.6lf" : "%12.3lf";
    char a[40], b[40];
    std::snprintf(a, sizeof a, f, lat_first ? out.y : out.x);
    std::snprintf(b, sizeof b, f, lat_first ? out.x : out.y);
    return std::string(a) + "," + b;
  }
};

/* STATN as the sample holds it: BASENUMBER, STN, NAME, EASTING, NORTHING. */
struct station {
  int number;
  const char *name;
  double e, n;
};
const station k_statn[k_stations] = {{1, "Cache Creek 1", 615230.5, 5620410},
                                     {2, "Cache Creek 2", 615980, 5621120.8},
                                     {3, "Bonaparte", 617402.3, 5623055.1},
                                     {4, "Hat Creek", 603115.9, 5615480.4},
                                     {5, "Marble Canyon", 596740.2, 5629910.6}};

const char k_statn_sql[] = "SELECT * FROM STATN ORDER BY BASENUMBER";

TEST_F(PlotEndToEnd, TextWritesQualifiedDelimitedLinesLatitudeFirstWhenGeographic) {
  const std::string shown = browse(k_statn_sql, "STATN", k_all,
                                   options(PLOT_TYPE_TEXT, "1 2 3 4", "rocks.dat", prj_entry("GEOGRAPHIC Clarke 1866"),
                                           "set col_delim ,\nset txt_delim \"\n") +
                                       options(PLOT_TYPE_TEXT, "2 3 4", "utm11", prj_entry("UTM 11 NAD27"),
                                               "set col_delim ,\nset txt_delim '\n") +
                                       "select plot 2\nshow\ncancel\n");
  same_page(shown);
  EXPECT_NE(shown.find("No image column available to plot."), std::string::npos) << shown;
  EXPECT_EQ(shown.find("WARNING"), std::string::npos) << shown;
  std::string geo, utm;
  for (const station &s : k_statn) {
    /* NAME is CHAR(20): its values come padded, and are written without. */
    const char *name = s.name;
    geo += std::to_string(s.number) + ",\"" + name + "\"," + coord(s.e, s.n, "GEOGRAPHIC Clarke 1866", 1) + "\r\n";
    utm += std::string("'") + name + "'," + coord(s.e, s.n, "UTM 11 NAD27", 0) + "\r\n";
  }
  EXPECT_EQ(slurp((dir_ / "rocks.TXT").string()), geo);
  EXPECT_EQ(slurp((dir_ / "utm11.TXT").string()), utm);
  EXPECT_NE(shown.find("Plotted... 5 records"), std::string::npos) << shown;
}

TEST_F(PlotEndToEnd, TableOutputMakesANewTableOfTheChosenColumns) {
  const std::string shown = browse(k_statn_sql, "STATN", k_all,
                                   options(PLOT_TYPE_TABLE, "1 2 3", "STNCOPY.dbf", -1) + "show\ncancel\n");
  same_page(shown);
  EXPECT_NE(shown.find("Saved... 5 records"), std::string::npos) << shown;
  EXPECT_EQ(python("output/plot_e2e_read.py", "dbf " + (dir_ / "GEO" / "STNCOPY.DBF").string() + " STN NAME EASTING"),
            "1|Cache Creek 1|615230.5\n2|Cache Creek 2|615980\n3|Bonaparte|617402.3\n4|Hat Creek|603115.9\n"
            "5|Marble Canyon|596740.2\n");
}

TEST_F(PlotEndToEnd, AFileThatCannotBeOpenedIsNamedWithTheSystemsReason) {
  const std::string shown =
      browse(k_statn_sql, "STATN", k_all,
             options(PLOT_TYPE_TEXT, "1 2 3 4", "nosuch/rocks", prj_entry("UTM 10 NAD27")) +
                 options(PLOT_TYPE_E00, "1 2 5", "nosuch/stations", prj_entry("UTM 10 NAD27")) + "cancel\n");
  EXPECT_NE(shown.find("Cannot open file nosuch/rocks.TXT (No such file or directory)"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Could not plot ArcInfo .E00 header: cannot open nosuch/stations.E00 (No such file or directory)"), std::string::npos) << shown;
}

TEST_F(PlotEndToEnd, AFailingTableOutputLeavesNoTableOrFileBehind) {
  const std::string shown = browse(k_statn_sql, "STATN", k_all,
                                   options(PLOT_TYPE_TABLE, "1 2 3", "SELECT.dbf", -1) + "show\ncancel\n");
  EXPECT_EQ(shown.find("Saved... 5 records"), std::string::npos) << shown;
  EXPECT_NE(shown.find("No table SELECT made: SELECT is a reserved word of SQL"), std::string::npos) << shown;
  EXPECT_FALSE(std::filesystem::exists(dir_ / "GEO" / "SELECT.DBF")) << shown;
}

TEST_F(PlotEndToEnd, E00LabelsCarryTheirPatAttributesAndNothingQualifyingPlotsNothing) {
  const std::string shown = browse(k_statn_sql, "STATN", k_even,
                                   options(PLOT_TYPE_E00, "1 2 5", "stations.x", prj_entry("UTM 10 NAD27")) +
                                       "pick plot_sel\n" +
                                       options(PLOT_TYPE_E00, "1 2 5", "none", prj_entry("UTM 10 NAD27")) +
                                       "show\ncancel\n");
  same_page(shown);
  const std::string e00 = slurp((dir_ / "stations.E00").string());
  EXPECT_NE(e00.find("Spheroid      CLARKE1866"), std::string::npos) << e00;
  EXPECT_EQ(python("output/plot_e2e_read.py", "ogr " + (dir_ / "stations.E00").string() + " LAB"),
            "ValueId=1|PolyId=0|AREA=0.00000|PERIMETER=0.00000|stations#=1|stations-ID=1|STN=2|"
            "NAME=Cache Creek 2|ELEV=478.00000|POINT (615980.0 5621120.8)\n"
            "ValueId=2|PolyId=0|AREA=0.00000|PERIMETER=0.00000|stations#=2|stations-ID=2|STN=4|"
            "NAME=Hat Creek|ELEV=890.10000|POINT (603115.9 5615480.4)\n");
  EXPECT_NE(shown.find("Plotted... 2 records"), std::string::npos) << shown;
  EXPECT_NE(shown.find("No records plotted"), std::string::npos) << shown;
}

TEST_F(PlotEndToEnd, MapInfoPointsCarryTheirMidValuesAndUserOutputUsesTheFirstPassBounds) {
  run("UPDATE STATN SET ELEV = NULL WHERE BASENUMBER = 3");
  std::string shown = browse(k_statn_sql, "STATN", k_all,
                             options(PLOT_TYPE_MIF, "1 2 5", "stations", prj_entry("UTM 10 NAD27"),
                                     "set col_delim ,\n") + "show\ncancel\n");
  same_page(shown);
  const std::string mif = slurp((dir_ / "stations.MIF").string());
  EXPECT_NE(mif.find("PROJECTION 8,66,"), std::string::npos) << mif;
  EXPECT_EQ(python("output/plot_e2e_read.py", "ogr " + (dir_ / "stations.MIF").string()),
            "STN=1|NAME=Cache Creek 1|ELEV=455.2|POINT (615230.5 5620410.0)\n"
            "STN=2|NAME=Cache Creek 2|ELEV=478|POINT (615980.0 5621120.8)\n"
            "STN=3|NAME=Bonaparte|ELEV=0|POINT (617402.3 5623055.1)\n"
            "STN=4|NAME=Hat Creek|ELEV=890.1|POINT (603115.9 5615480.4)\n"
            "STN=5|NAME=Marble Canyon|ELEV=702.4|POINT (596740.2 5629910.6)\n");
  /* The null ELEV of station 3 is an empty field, as the text output
  ** writes it; no number is padded. */
  const std::string mid = slurp((dir_ / "stations.MID").string());
  EXPECT_NE(mid.find("Bonaparte,\r\n"), std::string::npos) << mid;
  EXPECT_NE(mid.find("Cache Creek 2,478\r\n"), std::string::npos) << mid;

  /* The stations' own system made USER: the output in USER runs two passes. */
  pnt_rec *setup = geo_->points;
  ASSERT_NE(setup, nullptr);
  prj_rec *own = setup->projection;
  setup->projection = prj_find("USER", nullptr);
  shown = browse(k_statn_sql, "STATN", k_all,
                 options(PLOT_TYPE_MIF, "1 2", "local", prj_entry("USER")) + "show\ncancel\n");
  setup->projection = own;
  same_page(shown);
  const std::string user = slurp((dir_ / "local.MIF").string());
  EXPECT_NE(user.find("COORDSYS NONEARTH"), std::string::npos) << user;
  EXPECT_NE(user.find("BOUNDS (596740.200000,5615480.400000) (617402.300000,5629910.600000)"), std::string::npos)
      << user;
}

TEST_F(PlotEndToEnd, SpansHeaderCountsEveryRowWhileThePostFilterCutsTheLines) {
  run("CREATE TABLE SMP (BASENUMBER NUMERIC(8,0), SMPNO CHAR(8), DEPTH NUMERIC(8,2))");
  for (int n = 1; n <= k_samples; ++n) {
    char sql[200];
    std::snprintf(sql, sizeof sql, "INSERT INTO SMP VALUES (%d, 'S%03d', %.2f)", n, n, n * 1.5);
    run(sql);
  }
  const std::string shown = browse("SELECT * FROM SMP ORDER BY BASENUMBER", "SMP", k_even,
                                   "select plot 5\n" +
                                       options(PLOT_TYPE_SPANS, "1 2", "samples", -1, "set col_delim ,\n") +
                                       "show\ncancel\n",
                                   "pv_table_med");
  same_page(shown);
  EXPECT_NE(shown.find("Cannot plot to ArcInfo .E00: no coordinates present."), std::string::npos) << shown;
  EXPECT_EQ(slurp((dir_ / "samples.TBA").string()),
            "ID samples\r\nTITLE samples\r\nTABTYPE 4\r\nFTYPE free\r\nDELIMITER ,\r\nRECSKIP 0\r\n"
            "CHARSKIP 0\r\nNRECORD 11\r\n1 28 8.0 0    SMPNO SMPNO\r\n2 0 8.2 0    DEPTH DEPTH\r\nDATA\r\n"
            "\"S002\",3.00\r\n\"S004\",6.00\r\n\"S006\",9.00\r\n\"S008\",12.00\r\n\"S010\",15.00\r\n");
  EXPECT_NE(shown.find("Plotted... 5 records"), std::string::npos) << shown;
}

TEST_F(PlotEndToEnd, MapDrawsOnlyTheChosenColumnsAndRestoresEveryRuleFlag) {
  g_map_params.projection = prj_find("UTM 10 NAD27", nullptr);
  /* STN is a plotted column of its own: only the chosen NAME may draw. */
  col_attr_rec *stn = col_attr_find(geo_->col_attrs, "STN", "STATN", nullptr);
  ASSERT_NE(stn, nullptr);
  stn->flags |= COL_ATTR_PLOT;
  auto flags = [this] {
    std::string all;
    for (col_attr_rec *r = geo_->col_attrs; r; r = r->next)
      all += std::string(r->column) + "=" + std::to_string(r->flags) + " ";
    return all;
  };
  const std::string before = flags();
  const std::string shown =
      browse(k_statn_sql, "STATN", k_all, "select plot 1\npv_plot_opts\nselect output 2\npick plot\n");
  EXPECT_NE(shown.find("Plotted... 5 records"), std::string::npos) << shown;
  EXPECT_EQ(flags(), before);
  std::string texts;
  ads_name e, next;
  for (int more = ads_entnext(nullptr, e) == RTNORM; more;
       more = ads_entnext(e, next) == RTNORM, e[0] = next[0], e[1] = next[1]) {
    struct resbuf *l = ads_entget(e);
    for (struct resbuf *r = l; r; r = r->rbnext)
      if (r->restype == 1) texts += std::string(r->resval.rstring) + "|";
    ads_relrb(l);
  }
  EXPECT_EQ(texts, "Cache Creek 1|Cache Creek 2|Bonaparte|Hat Creek|Marble Canyon|");
}

TEST_F(PlotEndToEnd, StereonetAndRoseDiagramsRunTheirDialogsAndStagesThroughTheLoop) {
  /* Strikes from ELEV (455.2 ... 890.1), dips from STN (1 to 5). */
  std::string shown = browse(k_statn_sql, "STATN", k_all,
                             "select plot 8\npv_stereonet\npick planar\npick pole\npick gcircle\npick stereo\n"
                             "select strike 5\nselect dip 1\nset netname NETQ\nok\n100,100\n110,100\n");
  EXPECT_NE(shown.find("Plotted... 5 records"), std::string::npos) << shown;
  /* Angles from ELEV: 95.2, 118, 152.7, 170.1 and 342.4 in intervals of 30. */
  shown = browse(k_statn_sql, "STATN", k_all,
                 "select plot 9\npv_rose\nselect rose_angle 5\nset rose_interval 30\nset rose_name ROSEQ\nok\n"
                 "200,200\n205,200\n");
  EXPECT_NE(shown.find("Plotted... 5 records"), std::string::npos) << shown;

  std::map<std::string, std::string> blocks;
  for (struct resbuf *b = ads_tblnext("BLOCK", 1); b; b = ads_tblnext("BLOCK", 0)) {
    std::string name, kinds;
    for (struct resbuf *r = b; r; r = r->rbnext)
      if (r->restype == 2) name = r->resval.rstring;
    ads_name e, next;
    struct resbuf *first = nullptr;
    for (struct resbuf *r = b; r; r = r->rbnext)
      if (r->restype == -2) first = r;
    if (first) {
      e[0] = first->resval.rlname[0], e[1] = first->resval.rlname[1];
      for (int more = 1; more; more = ads_entnext(e, next) == RTNORM, e[0] = next[0], e[1] = next[1]) {
        struct resbuf *l = ads_entget(e);
        for (struct resbuf *r = l; r; r = r->rbnext) {
          if (r->restype == 0) kinds += std::string(r->resval.rstring) + " ";
          if (r->restype == 1) kinds += std::string("\"") + r->resval.rstring + "\" ";
        }
        ads_relrb(l);
      }
    }
    ads_relrb(b);
    blocks[name] = kinds;
  }
  ASSERT_TRUE(blocks.count("NETQ")) << shown;
  const std::string &net = blocks["NETQ"];
  size_t arcs = 0;
  for (size_t at = net.find("ARC "); at != std::string::npos; at = net.find("ARC ", at + 1)) arcs++;
  EXPECT_EQ(arcs, 5u) << net;
  ASSERT_TRUE(blocks.count("ROSEQ")) << shown;
  EXPECT_NE(blocks["ROSEQ"].find("\"Total   = 5\""), std::string::npos) << blocks["ROSEQ"];
  EXPECT_NE(blocks["ROSEQ"].find("\"Maximum = 2\""), std::string::npos) << blocks["ROSEQ"];
}


TEST_F(PlotEndToEnd, NoOutputProjectionKeepsTheStoredCoordinatesAndFailedConversionsAreReportedOnce) {
  int blank = 0;
  while (prj_at(blank)) blank++;
  const std::string shown =
      browse(k_statn_sql, "STATN", k_all,
             options(PLOT_TYPE_TEXT, "1 3 4", "stored", blank, "set col_delim ;\n") +
                 options(PLOT_TYPE_TEXT, "1 3 4", "local", prj_entry("USER"), "set col_delim ;\n") + "cancel\n");
  /* Each line holds the row's own EASTING and NORTHING texts. */
  std::istringstream lines(slurp((dir_ / "stored.TXT").string()));
  std::string line;
  int n = 0;
  while (std::getline(lines, line)) {
    ASSERT_LT(n, k_stations);
    const station &s = k_statn[n++];
    int number = 0;
    double e = 0, north = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%d;%lf;%lf", &number, &e, &north), 3) << line;
    EXPECT_EQ(number, s.number);
    EXPECT_NEAR(e, s.e, 1e-6) << line;
    EXPECT_NEAR(north, s.n, 1e-6) << line;
    EXPECT_EQ(line.back(), '\r');
  }
  EXPECT_EQ(n, k_stations);
  EXPECT_NE(shown.find("Plotted... 5 records\n"), std::string::npos) << shown;
  /* No transformation reaches USER: every row fails, reported once. */
  EXPECT_NE(shown.find("Plotted... 0 records\n\nWARNING: Could not transform 5 points to USER."), std::string::npos)
      << shown;
  EXPECT_EQ(shown.find("WARNING"), shown.rfind("WARNING")) << shown;
  EXPECT_EQ(slurp((dir_ / "local.TXT").string()), "");
}


TEST_F(PlotEndToEnd, MemoColumnsCarryEachRowsMemoText) {
  run("CREATE TABLE SMP (BASENUMBER NUMERIC(8,0), SMPNO CHAR(8), NOTES CHAR(4))");
  for (int n = 1; n <= 3; ++n) {
    char sql[200];
    std::snprintf(sql, sizeof sql, "INSERT INTO SMP VALUES (%d, 'S%03d', 'MEMO')", n, n);
    run(sql);
  }
  /* Registered as logon registers it, keyed by BASENUMBER; NOTES is a
  ** memo column with texts for rows 1 and 2. */
  tbl_rec *t = tbl_rec_new();
  std::snprintf(t->name, sizeof t->name, "SMP");
  t->table_type = TBL_DEF_OTHER;
  t->column_count = sql_describe_table(geo_->connection, "SMP", &t->columns, 0);
  t->keys[TBL_KEY_BASENUMBER] = tbl_column_find(t->columns, "BASENUMBER", nullptr, nullptr);
  ASSERT_EQ(tbl_add(geo_, t), 0);
  col_attr_rec *notes = col_attr_find(geo_->col_attrs, "NOTES", "SMP", nullptr);
  ASSERT_NE(notes, nullptr);
  ASSERT_EQ(col_attr_set_flag(notes, COL_ATTR_MEMO), 0);
  sql_col_rec *notes_col = sql_col_find(t->columns, "NOTES", nullptr, nullptr);
  notes_col->attr = notes;
  ASSERT_EQ(memo_set_text(notes_col, "Fine grained", 1), 0);
  ASSERT_EQ(memo_set_text(notes_col, "Coarse", 2), 0);

  const std::string text = options(PLOT_TYPE_TEXT, "1 2", "notes", -1, "set col_delim ,\nset txt_delim \"\n");
  std::string shown = browse("SELECT * FROM SMP ORDER BY BASENUMBER", "SMP", k_all,
                             text + options(PLOT_TYPE_SPANS, "1 2", "notes", -1, "set col_delim ,\n") +
                                 "show\ncancel\n",
                             "pv_table_small");
  same_page(shown);
  /* Text takes the memo at its own length (at least four), SPANS at 250;
  ** both write it, as every text value, without its padding. */
  EXPECT_EQ(slurp((dir_ / "notes.TXT").string()),
            "\"S001\",\" Fine grained\"\r\n\"S002\",\" Coarse\"\r\n\"S003\",\"\"\r\n");
  EXPECT_EQ(slurp((dir_ / "notes.TBA").string()),
            "ID notes\r\nTITLE notes\r\nTABTYPE 4\r\nFTYPE free\r\nDELIMITER ,\r\nRECSKIP 0\r\nCHARSKIP 0\r\n"
            "NRECORD 4\r\n1 28 8.0 0    SMPNO SMPNO\r\n2 270 250.0 0    NOTES NOTES\r\nDATA\r\n"
            "\"S001\",\" Fine grained\"\r\n\"S002\",\" Coarse\"\r\n\"S003\",\"\"\r\n");

  /* A side table that cannot be read is no table without memos: the
  ** output stops at the row whose memo it cannot read and leaves nothing,
  ** the earlier file as it was. */
  const std::string before = slurp((dir_ / "notes.TXT").string());
  std::filesystem::resize_file(dir_ / "GEO" / "SMPMEM.DBF", 10);
  shown = browse("SELECT * FROM SMP ORDER BY BASENUMBER", "SMP", k_all,
                 text + "pv_alert_wrap\nshow\nok\n" + options(PLOT_TYPE_TABLE, "1 2", "NOTESCP.dbf", -1) +
                     "pv_alert_wrap\nshow\nok\nshow\ncancel\n",
                 "pv_table_small");
  same_page(shown);
  EXPECT_EQ(slurp((dir_ / "notes.TXT").string()), before);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "GEO" / "NOTESCP.DBF")) << shown;
  const std::string unread = ": the memo of row 1 of table SMP cannot be read: ";
  EXPECT_NE(wrapped(shown).find(unblanked("Could not write notes.TXT" + unread)), std::string::npos) << shown;
  EXPECT_NE(wrapped(shown).find(unblanked("No table NOTESCP made" + unread)), std::string::npos) << shown;

  /* On the map, a memo that cannot be read at row 2 takes back what row 1
  ** drew. */
  run("UPDATE STATN SET NAME = 'MEMO'");
  col_attr_rec *name = col_attr_find(geo_->col_attrs, "NAME", "STATN", nullptr);
  ASSERT_NE(name, nullptr);
  ASSERT_EQ(col_attr_set_flag(name, COL_ATTR_MEMO), 0);
  sql_col_rec *name_col = sql_col_find(tbl_find_by_name(geo_->tables, "STATN", nullptr)->columns, "NAME", nullptr,
                                       nullptr);
  name_col->attr = name;
  ASSERT_EQ(memo_set_text(name_col, "Fine grained", 1), 0);
  ASSERT_EQ(memo_set_text(name_col, "Coarse", 2), 0);
  g_map_params.projection = prj_find("UTM 10 NAD27", nullptr);
  g_damaged = (dir_ / "GEO" / "STATNMEM.DBF").string();
  const int drawn = entities();
  shown = browse(k_statn_sql, "STATN", k_damage,
                 "select plot 1\npv_plot_opts\nselect output 2\npick plot\npv_alert_wrap\nshow\nok\n");
  EXPECT_NE(wrapped(shown).find(unblanked("Nothing was plotted: the memo of row 2 of table STATN cannot be read: ")),
            std::string::npos)
      << shown;
  EXPECT_EQ(entities(), drawn) << shown;
}


TEST_F(PlotEndToEnd, RowsThatCannotBeReadOrCountedBecauseTheDriverEndedLeaveNoFile) {
  run("CREATE TABLE LONGT (BASENUMBER NUMERIC(8,0), SMPNO CHAR(8))");
  for (int n = 1; n <= k_long_rows; ++n) run("INSERT INTO LONGT VALUES (" + std::to_string(n) + ", 'S" +
                                             std::to_string(n) + "')");
  const char *sql = "SELECT * FROM LONGT ORDER BY BASENUMBER";
  const std::string text = options(PLOT_TYPE_TEXT, "1", "long", -1) + "cancel\n";
  /* Ended under the rows: the rows read are no output, and no file is
  ** left. */
  g_end_plotting = true;
  std::string shown = browse(sql, "LONGT", k_end_driver, text, "pv_table_small");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "long.TXT")) << shown;
  EXPECT_NE(shown.find("Could not write long.TXT: row "), std::string::npos) << shown;
  EXPECT_EQ(shown.find("Plotted..."), std::string::npos) << shown;
  /* Ended after the browser read its page: the rows cannot be counted,
  ** which is no empty output. */
  struct resbuf *r = nullptr;
  host_invoke_function("pv_logoff", nullptr, &r);
  ads_relrb(r);
  geo_ = open_geo();
  ASSERT_NE(geo_, nullptr) << host_io_transcript();
  g_end_plotting = false;
  shown = browse(sql, "LONGT", k_end_driver, text, "pv_table_small");
  EXPECT_NE(shown.find("Could not write long.TXT: the rows cannot be counted: "), std::string::npos) << shown;
}

TEST_F(PlotEndToEnd, SymbolColumnsBecomeLabelBoxesAndTextObjectsAndThePaletteNeedsOneColumn) {
  /* NAME plotted as the symbol column: its text placement gives the E00
  ** label its box and the MapInfo object its text. */
  const std::string sym = "select symbol 2\n";
  const std::string shown =
      browse(k_statn_sql, "STATN", k_all,
             "select plot 6\npv_plot_opts\npick palette\nselect output 1 2\npick palette\n"
             "select output 2\npick palette\npv_symsetup\ncancel\ncancel\n" +
                 options(PLOT_TYPE_E00, "1 2", "named", prj_entry("UTM 10 NAD27"), sym) +
                 options(PLOT_TYPE_MIF, "1 2", "named", prj_entry("UTM 10 NAD27"), sym + "set scale 2\n") +
                 options(PLOT_TYPE_MIF, "1", "refused", prj_entry("UTM 10 NAD27"), sym) + "show\ncancel\n" +
                 options(PLOT_TYPE_MIF, "1", "unnamed", prj_entry("UTM 10 NAD27")) + "cancel\n");
  const size_t none = shown.find("Column not selected"), many = shown.find("More than one column selected");
  EXPECT_NE(none, std::string::npos) << shown;
  EXPECT_NE(many, std::string::npos) << shown;
  EXPECT_LT(none, many);
  EXPECT_NE(shown.find("ERROR: NAME must be selected for output"), std::string::npos) << shown;

  const std::string e00 = slurp((dir_ / "named.E00").string());
  /* Each label carries the box of its placement: its size and its angle
  ** less 90. */
  EXPECT_NE(e00.find("LAB  3\r\n         1         0 6.15230500000000E+05 5.62041000000000E+06\r\n"
                     " 1.00000000000000E+00-9.00000000000000E+01\r\n"),
            std::string::npos)
      << e00;
  const std::string mif = slurp((dir_ / "named.MIF").string());
  /* Scale 2: a text box 2 high and 13 x 2 x 0.67 wide. */
  EXPECT_NE(mif.find("TEXT \"Cache Creek 1\"\r\n615230.500000 5620410.000000 615247.920000 5620412.000000"),
            std::string::npos)
      << mif;
  EXPECT_NE(mif.find("TEXT \"Marble Canyon\""), std::string::npos) << mif;
  EXPECT_EQ(mif.find("POINT "), std::string::npos) << mif;
  EXPECT_NE(slurp((dir_ / "unnamed.MIF").string()).find("POINT 615230.500000 5620410.000000"), std::string::npos);
}


TEST_F(PlotEndToEnd, OptionsDialogEnablesTheTilesOfEachTypeAndProposesTheCoordinateSystem) {
  g_map_params.projection = prj_find("GEOGRAPHIC Clarke 1866", nullptr);
  const std::string utm = std::to_string(prj_entry("UTM 10 NAD27"));
  const std::string map = std::to_string(prj_entry("GEOGRAPHIC Clarke 1866"));
  struct { int type; const char *enabled; std::string projection; const char *txt_delim; } rows[] = {
      {PLOT_TYPE_MAP, "scale height", map, ""},
      {PLOT_TYPE_TABLE, "filename projection", utm, ""},
      {PLOT_TYPE_TEXT, "col_delim txt_delim filename projection", utm, ""},
      {PLOT_TYPE_E00, "filename scale symbol projection", utm, ""},
      {PLOT_TYPE_MIF, "col_delim filename scale height symbol projection", utm, ""},
      {PLOT_TYPE_SPANS, "col_delim filename projection", utm, "\""},
  };
  std::string answers;
  for (const auto &r : rows) answers += "select plot " + std::to_string(r.type) + "\npv_plot_opts\nshow\ncancel\n";
  const std::string shown = browse(k_statn_sql, "STATN", k_all, answers + "cancel\n");
  size_t at = 0;
  for (const auto &r : rows) {
    at = shown.find("=== Dialog pv_plot_opts", at);
    ASSERT_NE(at, std::string::npos) << r.type;
    const size_t end = shown.find("error          text", at);
    const std::string form = shown.substr(at, end - at);
    at = end;
    EXPECT_NE(form.find(std::string("title          text = \"") + plot_type_label(r.type) + "\""), std::string::npos)
        << form;
    for (const char *key : {"col_delim", "txt_delim", "filename", "scale", "height", "symbol", "projection"}) {
      const size_t line = form.find(std::string(key) + " ");
      ASSERT_NE(line, std::string::npos) << key;
      const std::string text = form.substr(line, form.find('\n', line) - line);
      const bool enabled = (" " + std::string(r.enabled) + " ").find(" " + std::string(key) + " ") != std::string::npos;
      EXPECT_EQ(text.find("(disabled)") == std::string::npos, enabled) << r.type << ": " << text;
    }
    EXPECT_NE(form.find("\"Coordinate system:\" = \"" + r.projection + "\""), std::string::npos) << form;
    EXPECT_NE(form.find(std::string("\"Text delimiter:\" = \"") + r.txt_delim + "\""), std::string::npos) << form;
    EXPECT_NE(form.find("\"Scale:\" = \"0.000\""), std::string::npos) << form;
  }
}

}  // namespace
