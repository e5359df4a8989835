/*
** export_dialog_test.cpp: the command pv_export and its dialog
** pv_export_opts scripted: refused before the dialog without a map
** projection, the lists it offers, the tile modes of every output type and
** kind, the checks of "plot" with their messages in order, and what a
** valid "plot" exports: the fixed columns with their codes, the tab
** delimiter, the file name cut at its first dot; systems without a name
** are not offered, and an E00 export after one that ended in its first
** pass still writes its section headers.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "coords/prj_list.h"
#include "core/pv_globals.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"
#include "output/exports/e00_writer.h"
#include "output/exports/export_dialog.h"
#include "output/exports/export_run.h"
#include "output/exports/export_state.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"
#include "platform/dialog/dialog_test_api.h"
#include "scratch_dir.h"

namespace {

class ExportDialog : public DrawTest {
 protected:
  std::filesystem::path dir;
  pjct_rec *geo = nullptr;
  prj_rec *saved_map = nullptr;
  int saved_dcl = PV_NO_DCL;
  prj_rec *geographic = nullptr, *utm = nullptr, *dstereo = nullptr, *tm_degrees = nullptr;
  prj_rec *scaled_cone = nullptr, *flat_cone = nullptr;

  void SetUp() override {
    DrawTest::SetUp();
    saved_dcl = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    dir = pv_make_scratch_dir("pv_export_dialog_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_");
    geo = project("GEO");
    table(geo, "SITES", TBL_DEF_STATION, {"DIP"});
    saved_map = g_map_params.projection;
    prj_list_free();
    dtm_list_free();
    dtm_rec *wgs = dtm_new();
    prj_name_copy(wgs->name, "WGS 84");
    wgs->a_m = 6378137.0;
    wgs->b_m = 6356752.314245;
    ASSERT_EQ(dtm_insert(wgs), 1);
    prj_add_builtin_systems();
    geographic = prj_find("GEOGRAPHIC WGS 84", nullptr);
    utm = add("UTM 33 WGS84", "UTM", 33, 0.9996);
    dstereo = add("STEREO", "DSTEREO", 0, 1.0);
    tm_degrees = add("TM DEG", "TM", 0, 1.0);
    tm_degrees->units = PRJ_UNIT_DEGREES;
    scaled_cone = add("CONE K", "LAMBERT", 0, 0.9999);
    scaled_cone->parallels = {44, 49, 0, 0};
    flat_cone = add("CONE FLAT", "LAMBERT", 0, 1.0);
    flat_cone->parallels = {-30, 30, 0, 0};
    g_map_params.projection = geographic;
    host_io_clear_transcript();
  }
  void TearDown() override {
    g_map_params.projection = saved_map;
    prj_list_free();
    dtm_list_free();
    if (g_dcl_id != saved_dcl) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl;
    std::filesystem::remove_all(dir);
    DrawTest::TearDown();
  }
  /* Inserts a system on WGS 84. */
  static prj_rec *add(const char *name, const char *type, int zone, double scale) {
    prj_rec *p = prj_new();
    prj_name_copy(p->name, name);
    prj_name_copy(p->type_name, type);
    prj_name_copy(p->dtm_name, "WGS 84");
    prj_name_copy(p->units_name, "meters");
    p->zone = zone;
    p->scale = scale;
    EXPECT_EQ(prj_insert(p), 1) << name;
    return prj_find(name, nullptr);
  }
  /* The index of a system in the dialog's "projection" list. */
  int proj_index(const prj_rec *want) {
    int i = 0;
    for (prj_rec *p = prj_list_head(); p; p = p->next) {
      if (p == want) return i;
      ++i;
    }
    return -1;
  }
  int run(const std::string &answers) {
    host_io_use_script_text("pv_export_opts\n" + answers);
    return pv_export(nullptr);
  }
  dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot s;
    EXPECT_TRUE(dlg_test_last_tile("pv_export_opts", key, s)) << key;
    return s;
  }
  std::string file(const std::string &name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  /* Makes a POINT. */
  static void point(double x, double y) {
    ads_point p = {x, y, 0};
    struct resbuf *l = ads_buildlist(RTDXF0, "POINT", 8, "SITES", 10, p, 0);
    ASSERT_EQ(ads_entmake(l), RTNORM);
    ads_relrb(l);
  }
};

TEST_F(ExportDialog, WithoutMapProjectionTheCommandIsRefusedBeforeTheDialog) {
  g_map_params.projection = nullptr;
  EXPECT_EQ(run("cancel\n"), RTNORM);
  EXPECT_NE(host_io_transcript().find(EXPORT_NO_MAP_PROJECTION), std::string::npos) << host_io_transcript();
  dlg_tile_snapshot s;
  EXPECT_FALSE(dlg_test_last_tile("pv_export_opts", "project", s)) << "the dialog must not open";
}

TEST_F(ExportDialog, ListsHoldTheProjectsABlankEntryTheTypesAndTheMapSystem) {
  EXPECT_EQ(run("cancel\n"), RTNORM);
  EXPECT_EQ(tile("project").items, (std::vector<std::string>{"GEO", "            "}));
  EXPECT_EQ(tile("project").value, "0");
  EXPECT_EQ(tile("plotype").items,
            (std::vector<std::string>{"Text    .TXT", "ArcInfo .E00", "MapInfo .MIF", "Spans   .TBA"}));
  EXPECT_EQ(tile("plotype").value, "0");
  EXPECT_EQ(tile("projection").value, std::to_string(proj_index(geographic)));
  EXPECT_EQ(tile("output").items,
            (std::vector<std::string>{"SITES.BASENUMBER", "SITES.STATION", "SITES.NAME", "SITES.DIP"}));
}

TEST_F(ExportDialog, ASystemWithoutANameIsNotOffered) {
  std::memset(dstereo->name, ' ', PRJ_NAME_MAX);
  dstereo->name[PRJ_NAME_MAX] = '\0';
  EXPECT_EQ(run("cancel\n"), RTNORM);
  std::vector<std::string> items = tile("projection").items;
  EXPECT_FALSE(items.empty());
  for (const std::string &name : items) EXPECT_NE(name.find_first_not_of(' '), std::string::npos) << "a blank entry";
}

TEST_F(ExportDialog, WithoutAProjectOnlyTheChoiceOfProjectAndTypeIsOpen) {
  while (g_pjct_list) {
    pjct_rec *p = g_pjct_list;
    g_pjct_list = p->next;
    tbl_list_free(p->tables);
    free(p);
  }
  EXPECT_EQ(run("cancel\n"), RTNORM);
  EXPECT_EQ(tile("project").items, (std::vector<std::string>{"            "}));
  for (const char *key : {"output", "col_delim", "txt_delim", "scale", "height", "plot", "filename", "point",
                          "line", "polygon", "txtdbf"})
    EXPECT_FALSE(tile(key).enabled) << key;
  EXPECT_EQ(tile("scale").value, "0.000");
  EXPECT_EQ(tile("height").value, "0.000");
}

TEST_F(ExportDialog, EachTypeAndKindOpensItsOwnTiles) {
  /* Enabled tiles by type (list index) and kind; the rest of these are disabled. */
  const char *const keys[] = {"output", "txtdbf", "col_delim", "txt_delim", "scale", "height"};
  struct row {
    int type;
    const char *kind;
    std::vector<std::string> enabled;
  } rows[] = {
      {0, "point", {"output", "txtdbf", "col_delim", "txt_delim"}},
      {1, "point", {"output", "txtdbf", "scale", "height"}},
      {2, "point", {"output", "txtdbf", "col_delim", "scale", "height"}},
      {3, "point", {"output", "txtdbf", "col_delim"}},
      {0, "line", {"output", "col_delim", "txt_delim"}},
      {1, "polygon", {"output"}},
      {2, "line", {"output", "col_delim"}},
      {3, "polygon", {}},
  };
  for (const row &r : rows) {
    dlg_test_clear();
    EXPECT_EQ(run("select plotype " + std::to_string(r.type) + "\npick " + r.kind + "\ncancel\n"), RTNORM);
    for (const char *k : keys) {
      bool want = std::find(r.enabled.begin(), r.enabled.end(), k) != r.enabled.end();
      EXPECT_EQ(tile(k).enabled, want) << "type " << r.type << " " << r.kind << " " << k;
    }
    for (const char *k : {"filename", "point", "line", "polygon", "plot"}) EXPECT_TRUE(tile(k).enabled) << k;
  }
}

TEST_F(ExportDialog, SpansQualifierIsTheQuoteAndItsEntryNamesTheVectorFile) {
  EXPECT_EQ(run("select plotype 3\npick point\ncancel\n"), RTNORM);
  EXPECT_EQ(tile("txt_delim").value, "\"");
  EXPECT_EQ(tile("plotype").items[3], "Spans   .TBA");
  EXPECT_EQ(run("select plotype 3\npick line\ncancel\n"), RTNORM);
  EXPECT_EQ(tile("plotype").items[3], "Spans   .VEC");
  EXPECT_EQ(tile("plotype").value, "3");
  EXPECT_EQ(run("select plotype 3\npick polygon\npick point\ncancel\n"), RTNORM);
  EXPECT_EQ(tile("plotype").items[3], "Spans   .TBA");
}

TEST_F(ExportDialog, LinesTurnTheTextAttributesOff) {
  EXPECT_EQ(run("select plotype 1\npick point\npick txtdbf\npick line\ncancel\n"), RTNORM);
  EXPECT_EQ(tile("txtdbf").value, "0");
  EXPECT_FALSE(tile("txtdbf").enabled);
}

TEST_F(ExportDialog, PlotChecksShowTheirMessagesInOrderAndKeepTheDialogOpen) {
  auto s = [](int n) { return std::to_string(n); };
  struct step {
    std::string answers;
    const char *message;
  } steps[] = {
      {"set filename \"   \"\n", "ERROR: No file name specified"},
      {"set filename sites\nselect plotype 1\nselect projection " + s(proj_index(dstereo)) + "\n",
       "ERROR: Projection cannot be Double Stereographic"},
      {"select projection " + s(proj_index(tm_degrees)) + "\n",
       "ERROR: Cannot use degrees in non-geographic projection"},
      {"select projection " + s(proj_index(scaled_cone)) + "\n",
       "ERROR: Projection cannot be Lambert with a scale factor"},
      {"select plotype 0\nselect projection " + s(proj_index(flat_cone)) + "\n",
       "ERROR: Coordinate system CONE FLAT cannot be used: its standard parallels make a cone constant of 0."},
      {"select plotype 3\nselect projection " + s(proj_index(utm)) + "\n", "ERROR: Projection must be GEOGRAPHIC"},
  };
  std::string script;
  for (const step &st : steps) script += st.answers + "pick plot\nshow\n";
  EXPECT_EQ(run(script + "cancel\n"), RTNORM);
  const std::string t = host_io_transcript();
  std::size_t at = 0;
  for (const step &st : steps) {
    std::size_t found = t.find(st.message, at);
    EXPECT_NE(found, std::string::npos) << st.message;
    if (found != std::string::npos) at = found;
  }
  EXPECT_EQ(t.find("Plotted..."), std::string::npos) << "nothing may be exported";
}

TEST_F(ExportDialog, TextExportCutsTheNameAtItsDotAndSeparatesByTab) {
  point(15.5, 45.25);
  std::string name = (dir / "sites.dat").string();
  EXPECT_EQ(run("select plotype 0\npick point\nset filename " + name + "\nset col_delim TaB\npick plot\nALL\n\n"),
            RTNORM);
  EXPECT_NE(host_io_transcript().find("Plotted... 1 entities"), std::string::npos) << host_io_transcript();
  EXPECT_EQ(file("sites.TXT"),
            "15.500000         \t45.250000         \t0.000000          \t" + std::string(33, ' ') +
                "\t0.000       \t0.000    \tSITES" + std::string(28, ' ') + "\r\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "sites.dat"));
}

TEST_F(ExportDialog, AFileThatCannotBeOpenedIsNamedWithTheSystemsReason) {
  point(15.5, 45.25);
  std::string name = (dir / "no" / "such" / "sites").string();
  EXPECT_EQ(run("select plotype 0\npick point\nset filename " + name + "\npick plot\nALL\n\npv_alert_wrap\nshow\nok\n"),
            RTNORM);
  /* The long alert wraps; its lines, blanks aside, hold the whole text. */
  dlg_tile_snapshot lines;
  ASSERT_TRUE(dlg_test_last_tile("pv_alert_wrap", "lines", lines)) << host_io_transcript();
  std::string shown, want = "Could not plot Text .TXT header: cannot open " + name + ".TXT (No such file or directory)";
  for (const std::string &l : lines.items) shown += l;
  std::erase(shown, ' ');
  std::erase(want, ' ');
  EXPECT_EQ(shown, want);
}

TEST_F(ExportDialog, SpansHeaderDeclaresCoordinatesAndCharacterColumns) {
  point(15.5, 45.25);
  std::string name = (dir / "pts").string();
  EXPECT_EQ(run("select plotype 3\npick point\nset filename " + name + "\nset col_delim ,\nselect output 2\n"
                "pick plot\nALL\n\n"),
            RTNORM);
  std::string tba = file("pts.TBA");
  for (const char *line : {"NRECORD        1\r\n", "1 10 12.6 0        X X\r\n", "2 10 12.6 0        Y Y\r\n",
                           "3 7 17.6 0        Z Z\r\n", "4 52 32.0 0     NAME NAME\r\n",
                           "7 52 32.0 0    LAYER LAYER\r\n", "8 40 20.0 0   NAME_1 NAME_1\r\n", "DELIMITER ,\r\n"})
    EXPECT_NE(tba.find(line), std::string::npos) << line << tba;
}

TEST_F(ExportDialog, AnEmptySelectionWritesNoFile) {
  std::string name = (dir / "none").string();
  EXPECT_EQ(run("select plotype 3\npick line\nset filename " + name + "\npick plot\n\n"), RTNORM);
  EXPECT_FALSE(std::filesystem::exists(dir / "none.VEH"));
  EXPECT_FALSE(std::filesystem::exists(dir / "none.VEC"));
}

TEST_F(ExportDialog, AnE00ExportEndedInItsFirstPassDoesNotCostTheNextOneItsArcHeader) {
  ads_name ln;
  line(15.1, 45.1, 15.2, 45.2, ln);
  /* An export that ended in its first pass after writing its first arc. */
  plot_type = PLOT_TYPE_E00;
  export_state().kind = EXPORT_KIND_LINES;
  ASSERT_EQ(e00_plot_begin((dir / "broken.E00").string().c_str()), 0);
  ASSERT_EQ(export_e00(EXPORT_KIND_LINES, ln, geographic, 1, 0), 0);
  e00_close();
  export_state_reset();
  plot_type = PLOT_TYPE_IDLE;
  std::string name = (dir / "faults").string();
  EXPECT_EQ(run("select plotype 1\npick line\nset filename " + name + "\npick plot\nALL\n\n"), RTNORM);
  EXPECT_NE(host_io_transcript().find("Plotted... 1 entities"), std::string::npos) << host_io_transcript();
  std::string e00 = file("faults.E00");
  EXPECT_NE(e00.find("\nARC  3"), std::string::npos) << e00;
}

}  // namespace
