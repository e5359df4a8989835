/*
** cover_dialog_fixture.h: what the tests of the coverage dialogs share: the
** dialog file loaded, the test writer's two squares in a directory of the
** test's own, a project GEO and a map projection (the first system), all
** put back afterwards.
*/
#ifndef PV_TESTS_OUTPUT_COVER_DIALOG_FIXTURE_H
#define PV_TESTS_OUTPUT_COVER_DIALOG_FIXTURE_H

#include <filesystem>
#include <string>

#include "coords/prj_list.h"
#include "core/pv_globals.h"
#include "cover_writer.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"
#include "output/coverages/arc_units.h"
#include "platform/dialog/dialog_test_api.h"
#include "scratch_dir.h"

class CoverDialogTest : public DrawTest {
 protected:
  std::filesystem::path dir;       /* the two squares          */
  pjct_rec *geo = nullptr;         /* the project GEO          */
  prj_rec *saved_map = nullptr;    /* the map's system before  */
  int saved_dcl = PV_NO_DCL;       /* the dialog file before   */

  /* A new directory of this test's own, named prefix + the test's name +
   * a unique part. */
  static std::filesystem::path test_dir(const char *prefix) {
    return pv_make_scratch_dir(prefix + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_");
  }
  void SetUp() override {
    DrawTest::SetUp();
    saved_dcl = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    dir = test_dir("pv_cover_dialog_");
    tw_two_squares().write(dir);
    geo = project("GEO");
    saved_map = g_map_params.projection;
    if (!prj_list_head()) prj_add_builtin_systems();
    g_map_params.projection = prj_list_head();
    host_io_clear_transcript();
  }
  void TearDown() override {
    arc_opts_reset();
    g_map_params.projection = saved_map;
    if (g_dcl_id != saved_dcl) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl;
    std::filesystem::remove_all(dir);
    DrawTest::TearDown();
  }
};

#endif
