/*
** link_e2e.cpp: linked map symbols end to end. The module is loaded into
** the stand-in editor, logs on to a DB3 project GEO made here (links on),
** loads the shape library PVSTRUCT, draws a linked TEXT, SHAPE and shape
** block reference of one STATION row, links the TEXT a second time and
** saves the drawing as linked.dxf in the run's folder (PV_E2E_WORK), which
** link_e2e_check.py reads back with ezdxf: each entity with exactly its
** link, the shape's block of LINEs only, and the editor's link store with
** the link path name once and one host link per entity. Then, in project
** GEO-1, the editor refuses to create the link path: the SHAPE is removed,
** both messages print once and the next SHAPE is drawn without a request.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ase_service.h"
#include "shapes/shape_store.h"
#include "core/core_fixture.h"
#include "core/err_text.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/link_ase.h"
#include "draw/shape_block.h"
#include "draw/sym_place.h"
#include "map/station_project.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER ""
#endif
#ifndef PV_E2E_OUT
#define PV_E2E_OUT "map_link_e2e"
#endif

namespace {

namespace fs = std::filesystem;

/* Request of the link store that creates a link path. */
constexpr int RQ_CREATE_PATH = 20;

class MapLinkE2e : public CoreTest {
 protected:
  void SetUp() override {
    if (!*PV_DB3_DRIVER) GTEST_SKIP() << "no DB3 driver in this build";
    CoreTest::SetUp();
    /* The built-in projections as the fixture copied them; GEO and GEO-1
    ** are empty directories, their table made by the test. */
    fs::remove_all(dir_ / "projects" / "GEO");
    fs::create_directories(dir_ / "projects" / "GEO");
    fs::create_directories(dir_ / "projects" / "GEO-1");
    if (!fs::exists(dir_ / "projects" / "Projections"))
      fs::copy(fs::path(PV_RESOURCE_DIR) / "projects" / "Projections", dir_ / "projects" / "Projections");
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n"
                          "[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
                          "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\nPETRIVEX.GEO-1=GEO-1\n"
                          "[PETRIVEX_MISC]\nGEO.links=1\nGEO-1.links=1\n";
    host_set_env("ASI_INI", ini);
    host_add_support_path(PV_RESOURCE_DIR "/shapes");
    ASSERT_EQ(load(), PV_ENTRY_OK) << take_transcript();
  }
  void TearDown() override {
    if (dir_.empty()) return;
    ase_service_reset_hooks();
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }

  /* Logs on with (pv_open name "DB3" "" "") and makes the STATION table
  ** (BASENUMBER, STATION, NAME; row 12 "ST1") registered as a STATION
  ** table. */
  static pjct_rec *open_project(const char *name) {
    pjct_rec *p = station_project_open(name);
    if (!p) return nullptr;
    EXPECT_NE(p->link_flags & PJCT_LINKS_ON, 0u);
    station_project_run(p, {"CREATE TABLE STATION (BASENUMBER NUMERIC(8), STATION CHAR(10), NAME CHAR(20))",
                            "INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill')"});
    station_project_register(p);
    return p;
  }

  /* A record of row 12 of the project's STATION table, keyed by column. */
  static sym_place_rec row12(pjct_rec *p, const char *column, const char *name, int mode) {
    sym_place_rec r;
    sym_place_init(&r);
    r.name = name;
    r.font = "PVSTRUCT";
    r.layer = "STATIONS";
    r.ins = {100, 200, 0, 0};
    r.size = 2.5;
    r.mode = mode;
    sql_col_rec *row = nullptr;
    void *stmt = nullptr, *cursor = nullptr;
    EXPECT_GT(sql_select_where(p->connection, "STATION", "BASENUMBER", "12", nullptr, &stmt, &cursor, &row), 0);
    EXPECT_EQ(link_from_row(&r.link, row, sql_col_find(row, column, nullptr, nullptr)), 0);
    sql_close_query(&stmt, &cursor, &row);
    return r;
  }

  static int printed(const std::string &t, const std::string &what) {
    int n = 0;
    for (size_t at = t.find(what); at != std::string::npos; at = t.find(what, at + 1)) ++n;
    return n;
  }
};

TEST_F(MapLinkE2e, LinkedSymbolsReachTheDrawingAndTheLinkStore) {
  pjct_rec *geo = open_project("GEO");
  ASSERT_NE(geo, nullptr);
  ASSERT_EQ(shape_lib_load_cmd("PVSTRUCT"), 0);

  sym_place_rec text = row12(geo, "NAME", "Red Hill", SYM_MODE_TEXT);
  ASSERT_EQ(sym_place_text(&text), 0) << take_transcript();
  ASSERT_EQ(link_ase_create(&text.link, text.ename), RTNORM);   /* linked a second time */
  sym_place_rec shape = row12(geo, "STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  ASSERT_EQ(sym_place_shape(&shape), 0) << take_transcript();
  sym_place_rec insert = row12(geo, "STATION", "STRIKE_DIP", SYM_MODE_INSERT);
  insert.ins = {130, 200, 0, 0};
  ASSERT_EQ(sym_place_insert_shape(&insert), 0) << take_transcript();
  EXPECT_EQ(printed(take_transcript(), "Could not"), 0);

  const char *work = std::getenv("PV_E2E_WORK");   /* the run's own folder, when run by ctest */
  fs::path out = work && *work ? fs::path(work) : fs::path(PV_E2E_OUT);
  fs::create_directories(out);
  std::string dxf = (out / "linked.dxf").string(), err;
  ASSERT_TRUE(host_save_drawing(dxf, err)) << err;
  std::string cmd = "/usr/bin/python3 " PV_TEST_DATA_DIR "/map/link_e2e_check.py " + dxf + " > " +
                    (out / "check.log").string() + " 2>&1";
  int status = std::system(cmd.c_str());
  std::ifstream log(out / "check.log");
  std::string report((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(status, 0) << report;
}

TEST_F(MapLinkE2e, ARefusedLinkPathRemovesTheShapeAndSwitchesTheProjectsLinksOff) {
  pjct_rec *geo1 = open_project("GEO-1");
  ASSERT_NE(geo1, nullptr);
  ASSERT_EQ(shape_lib_load_cmd("PVSTRUCT"), 0);
  sym_place_rec shape = row12(geo1, "STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  take_transcript();
  ase_service_clear_calls();
  ase_service_fail_request(RQ_CREATE_PATH, 1);
  int before = host_model_entity_count();
  EXPECT_EQ(sym_place_shape(&shape), -1);
  EXPECT_EQ(host_model_entity_count(), before);
  EXPECT_TRUE(ename_isnull(shape.ename));
  bool named = false;
  for (const auto &call : ase_service_calls())
    named = named || ase_service_call_text(call).find("GEO_1$STATION") != std::string::npos;
  EXPECT_TRUE(named);
  std::string t = take_transcript();
  EXPECT_EQ(printed(t, ERR_TITLE " Could not create link path."), 1) << t;
  EXPECT_EQ(printed(t, ERR_TITLE " Could not create link.\n"), 1) << t;
  EXPECT_EQ(geo1->link_flags & PJCT_LINKS_ON, 0u);

  /* The next SHAPE is drawn without asking the link store anything. */
  ase_service_clear_calls();
  EXPECT_EQ(sym_place_shape(&shape), 0);
  EXPECT_EQ(host_model_entity_count(), before + 1);
  EXPECT_TRUE(ase_service_calls().empty());
  EXPECT_EQ(printed(take_transcript(), "Could not"), 0);
}

}  // namespace
