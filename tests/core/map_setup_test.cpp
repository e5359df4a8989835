/*
** map_setup_test.cpp: the drawing's map setup as the application drives
** it: created with "USER" at the first load (also without the built-in
** projections), written at the save message and at unload, and a system
** the drawing names that only a later logon loads.
*/
#include <filesystem>
#include <fstream>
#include <string>

#include "core/pjct.h"
#include "core/str_util.h"
#include "core_fixture.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/map_params.h"
#include "module/pv_startup.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

namespace {

namespace fs = std::filesystem;

/* The module with a configuration whose only project, SYSTEMS, holds the
** systems the built-in projections would hold; the built-in projections
** themselves are missing. */
class MapSetupTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    fs::rename(dir_ / "projects" / "Projections", dir_ / "projects" / "SYSTEMS");
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER
                          "\nPETRIVEX=projects\nPETRIVEX.SYSTEMS=SYSTEMS\n";
    host_set_env("ASI_INI", ini);
  }
  void TearDown() override {
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }

  /* A setup block as another session left it. */
  static void setup_block(const char *proj, const char *scale) {
    const geo_point origin = {0, 0, 0, 0};
    ASSERT_EQ(ent_make_block(MAP_PARAMS_BLOCK, &origin, MAP_PARAMS_BLOCK_FLAGS), 0);
    for (auto [tag, value] : {std::pair{"NAME", MAP_PARAMS_ID}, {"PROJ", proj}, {"SCALE", scale}})
      ASSERT_EQ(map_params_attdef(tag, value), 0);
    ASSERT_EQ(ent_make_endblk(nullptr), 0);
  }

  /* The value of a definition of the current setup block; "?" if none. */
  static std::string stored(const char *tag) {
    struct resbuf *entry = ads_tblsearch("BLOCK", g_map_params.block_name, 0);
    if (!entry) return "?";
    ads_name e, n;
    ename_copy(e, rb_find(entry, -2)->resval.rlname);
    ads_relrb(entry);
    char buf[MAP_PARAMS_TEXT_SIZE];
    do {
      if (ent_get_group_text(e, 2, buf) && str_eq_nocase(buf, tag)) return ent_get_group_text(e, 1, buf) ? buf : "?";
    } while (ads_entnext(e, n) == RTNORM && ename_copy(e, n) == 0);
    return "?";
  }
};

TEST_F(MapSetupTest, NewDrawingGetsUserEvenWithoutTheBuiltInProjections) {
  ASSERT_EQ(load(), PV_ENTRY_OK) << take_transcript();
  EXPECT_NE(take_transcript().find(" ** No projections!"), std::string::npos);
  ASSERT_NE(g_map_params.projection, nullptr);
  EXPECT_EQ(g_map_params.projection, prj_find("USER", nullptr));
  EXPECT_EQ(stored("PROJ"), "USER");
  EXPECT_EQ(host_model_entity_count(), 1);   /* the block's reference */

  g_map_params.scale = 2.5;
  g_map_params.angle_base = 90;
  EXPECT_EQ(acrxEntryPoint(PV_MSG_SAVE, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(stored("SCALE"), "2.500000");
  EXPECT_NEAR(sysvar_get_number("ANGBASE"), ang_deg_to_rad(90), 1e-12);

  std::string block = g_map_params.block_name;
  g_map_params.text_height = 4;
  EXPECT_EQ(acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(g_map_params.projection, nullptr);   /* reset after the lists are freed */
  EXPECT_STREQ(g_map_params.block_name, "");
  snprintf(g_map_params.block_name, sizeof g_map_params.block_name, "%s", block.c_str());
  EXPECT_EQ(stored("HEIGHT"), "4.000000");   /* written at unload */
  g_map_params.block_name[0] = '\0';

  /* Loaded again, the drawing's block is read, not made a second time. */
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_EQ(g_map_params.block_name, block);
  EXPECT_EQ(g_map_params.scale, 2.5);
  EXPECT_EQ(host_model_entity_count(), 1);
}

/* A drawing that cannot take a new setup block (a block definition is
** left open) fails the load, with everything unloaded again. */
TEST_F(MapSetupTest, SetupThatCanBeNeitherReadNorMadeFailsTheLoad) {
  const geo_point origin = {0, 0, 0, 0};
  ASSERT_EQ(ent_make_block("OPEN_DEFINITION", &origin, 0), 0);
  EXPECT_EQ(load(), PV_ENTRY_FAIL);
  EXPECT_NE(take_transcript().find("Cannot initialize Petrivex"), std::string::npos);
  EXPECT_EQ(pv_is_started(), 0);
  EXPECT_EQ(g_pjct_list, nullptr);
  ads_entmake(nullptr);
  ASSERT_EQ(load(), PV_ENTRY_OK) << take_transcript();
  EXPECT_NE(g_map_params.projection, nullptr);
}

/* Opened before the logon that loads its system, a drawing keeps the
** system's name through a save and has it resolved by the logon. */
TEST_F(MapSetupTest, SystemLoadedByALaterLogonIsKeptUntilThenAndResolved) {
  setup_block("UTM 31 WGS84", "2.500000");
  ASSERT_EQ(load(), PV_ENTRY_OK) << take_transcript();
  EXPECT_EQ(g_map_params.projection, nullptr);
  EXPECT_STREQ(g_map_params.proj_text, "UTM 31 WGS84");
  EXPECT_EQ(acrxEntryPoint(PV_MSG_SAVE, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(stored("PROJ"), "UTM 31 WGS84");

  struct resbuf *r = call("pv_open", {"SYSTEMS", "DB3", "", ""});
  ads_relrb(r);
  ASSERT_NE(g_map_params.projection, nullptr) << take_transcript();
  EXPECT_EQ(g_map_params.projection, prj_find("UTM 31 WGS84", nullptr));
  EXPECT_EQ(g_map_params.scale, 2.5);
  EXPECT_EQ(acrxEntryPoint(PV_MSG_SAVE, nullptr), PV_ENTRY_OK);
  EXPECT_EQ(stored("PROJ"), "UTM 31 WGS84");
}

}  // namespace
