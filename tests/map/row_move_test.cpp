/*
** row_move_test.cpp: the drag transform of pv-move (identity with the
** translation from the base point) and the order in which the scope
** dialog "pv_ssget" reads its toggles.
*/
#include <gtest/gtest.h>

#include <string>

#include "core/pv_globals.h"
#include "host_editor.h"
#include "map/row_cmd.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/editor_fixture.h"
#include "platform/host_io.h"

namespace {

TEST(MoveDrag, TranslationIsPickedPointMinusBaseAndTheRestIsIdentity) {
  ads_point base = {10.0, 20.0, 0.0}, pick = {13.0, 24.0, 1.0};
  move_set_base(base);
  ads_matrix m;
  for (auto &r : m)
    for (double &v : r) v = 7.0;
  EXPECT_EQ(move_drag_xform(pick, m), RTNORM);
  const double want[4][4] = {{1, 0, 0, 3}, {0, 1, 0, 4}, {0, 0, 1, 1}, {0, 0, 0, 1}};
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_DOUBLE_EQ(m[i][j], want[i][j]) << "row " << i << " column " << j;
}

TEST(MoveDrag, PickAtTheBaseMovesNothing) {
  ads_point base = {-5.5, 2.25, 3.0};
  move_set_base(base);
  ads_matrix m, id;
  move_drag_xform(base, m);
  xform_identity(id);
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) EXPECT_DOUBLE_EQ(m[i][j], id[i][j]);
}

class Scope : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
  }
  void TearDown() override {
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    EditorTest::TearDown();
  }
  int saved_dcl_ = PV_NO_DCL; /* g_dcl_id before the test */
};

TEST_F(Scope, TogglesAreTestedStationTableRowGroupAndNoneCancels) {
  struct {
    const char *toggles; /* the toggles set, space separated */
    const char *end;     /* ok or cancel */
    int want;
  } cases[] = {
      {"ss_station ss_table ss_row ss_group", "ok", 8},
      {"ss_group ss_row ss_table", "ok", 4},
      {"ss_group ss_row", "ok", 1},
      {"ss_group", "ok", 2},
      {"", "ok", -1},
      {"ss_row", "cancel", -1},
  };
  for (const auto &c : cases) {
    std::string answers = "pv_ssget\n";
    std::string t = c.toggles;
    for (size_t at = 0; at < t.size();) {
      size_t end = t.find(' ', at);
      if (end == std::string::npos) end = t.size();
      answers += "set " + t.substr(at, end - at) + " 1\n";
      at = end + 1;
    }
    answers += std::string(c.end) + "\n";
    host_io_use_script_text(answers);
    EXPECT_EQ(pv_ssget_dialog(), c.want) << c.toggles << " " << c.end;
    for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
    host_io_clear_faults();
  }
}

TEST_F(Scope, DialogThatCannotLoadIsReportedNotTakenAsAScope) {
  ads_unload_dialog(g_dcl_id);
  g_dcl_id = PV_NO_DCL;
  saved_dcl_ = PV_NO_DCL;
  host_io_clear_transcript();
  EXPECT_EQ(pv_ssget_dialog(), -5001);
  EXPECT_NE(host_io_transcript().find("pv_ssget"), std::string::npos) << host_io_transcript();
}

}  // namespace
