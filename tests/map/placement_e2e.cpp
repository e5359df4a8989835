/*
** placement_e2e.cpp: rows placed on the map by dragging, end to end. The
** module is loaded into the stand-in editor and logs on to a DB3 project
** GEO made here (links on). Row 12 of STATION is drawn as a SHAPE
** STRIKE_DIP with its NAME east and its DIP west of it, dragged to
** 100,200; row 13 as a lone block reference that asks for its rotation,
** dragged to 50,50 and turned by 30. The answers to the drags come from a
** script. The drawing is saved as placed.dxf in the run's folder
** (PV_E2E_WORK) and placement_e2e_check.py reads it back with ezdxf.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/core_fixture.h"
#include "map/station_project.h"
#include "map/sym_draw.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER ""
#endif
#ifndef PV_E2E_OUT
#define PV_E2E_OUT "map_placement_e2e"
#endif

namespace {

namespace fs = std::filesystem;

class MapPlacementE2e : public CoreTest {
 protected:
  void SetUp() override {
    if (!*PV_DB3_DRIVER) GTEST_SKIP() << "no DB3 driver in this build";
    CoreTest::SetUp();
    fs::remove_all(dir_ / "projects" / "GEO");
    fs::create_directories(dir_ / "projects" / "GEO");
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n"
                          "[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
                          "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n"
                          "[PETRIVEX_MISC]\nGEO.links=1\n";
    host_set_env("ASI_INI", ini);
    host_add_support_path(PV_RESOURCE_DIR "/shapes");
    ASSERT_EQ(load(), PV_ENTRY_OK) << take_transcript();
  }
  void TearDown() override {
    if (dir_.empty()) return;
    if (row_) sql_close_query(&stmt_, &cursor_, &row_);
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }

  /* Logs on to GEO and makes its STATION table (rows 12 and 13),
  ** registered as a STATION table. */
  static pjct_rec *open_project() {
    pjct_rec *p = station_project_open("GEO");
    if (!p) return nullptr;
    station_project_run(
        p, {"CREATE TABLE STATION (BASENUMBER NUMERIC(8), STATION CHAR(10), NAME CHAR(20), DIP NUMERIC(3))",
            "INSERT INTO STATION VALUES (12, 'ST1', 'Red Hill', 45)",
            "INSERT INTO STATION VALUES (13, 'ST2', 'Low Ford', 10)"});
    station_project_register(p);
    return p;
  }

  /* Fetches a row of STATION; it stays open for the records that borrow
  ** its columns until the next fetch or the end of the test. */
  void fetch(pjct_rec *p, const char *row_id) {
    if (row_) sql_close_query(&stmt_, &cursor_, &row_);
    EXPECT_GT(sql_select_where(p->connection, "STATION", "BASENUMBER", row_id, nullptr, &stmt_, &cursor_, &row_),
              0);
  }

  /* A record of the fetched row for a column, showing `name`. */
  sym_place_rec rec(const char *column, const char *name, int mode) {
    sym_place_rec r;
    sym_place_init(&r);
    r.name = name;
    r.mode = mode;
    r.font = mode == SYM_MODE_TEXT ? nullptr : "PVSTRUCT";
    r.size = 2.5;
    r.source_col = sql_col_find(row_, column, nullptr, nullptr);
    EXPECT_EQ(link_from_row(&r.link, row_, r.source_col), 0) << column;
    return r;
  }

  void *stmt_ = nullptr, *cursor_ = nullptr;
  sql_col_rec *row_ = nullptr;
};

TEST_F(MapPlacementE2e, DraggedRowsLandWhereTheUserPutsThem) {
  pjct_rec *geo = open_project();
  ASSERT_NE(geo, nullptr);
  host_io_use_script_text("100,200\n50,50\n30\n");

  fetch(geo, "12");
  sym_place_rec shape = rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  shape.angle = 90;
  sym_place_rec texts[2] = {rec("NAME", "Red Hill", SYM_MODE_TEXT), rec("DIP", "45", SYM_MODE_TEXT)};
  texts[0].owner = texts[1].owner = 0;
  texts[0].text_pos = 1;
  texts[1].text_pos = 5;
  ASSERT_EQ(sym_place_draw(&shape, texts, 1, 2, 1), 0) << take_transcript();

  fetch(geo, "13");
  sym_place_rec lone = rec("STATION", "STRIKE_DIP", SYM_MODE_INSERT);
  lone.ask_rotation = 1;
  ASSERT_EQ(sym_place_draw(&lone, nullptr, 1, 0, 1), 0) << take_transcript();
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_DOUBLE_EQ(lone.angle, 30.0);

  const char *work = std::getenv("PV_E2E_WORK");   /* the run's own folder, when run by ctest */
  fs::path out = work && *work ? fs::path(work) : fs::path(PV_E2E_OUT);
  fs::create_directories(out);
  std::string dxf = (out / "placed.dxf").string(), err;
  ASSERT_TRUE(host_save_drawing(dxf, err)) << err;
  std::string cmd = "/usr/bin/python3 " PV_TEST_DATA_DIR "/map/placement_e2e_check.py " + dxf + " > " +
                    (out / "check.log").string() + " 2>&1";
  int status = std::system(cmd.c_str());
  std::ifstream log(out / "check.log");
  std::string report((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_EQ(status, 0) << report;
}

}  // namespace
