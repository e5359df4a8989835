/*
** dialog_fixture.h: a DB3 project with the module's dialog file loaded,
** for the scripted-dialog tests of row entry, the pickers and the profile
** editor. The row state is reset before and after each test.
*/
#ifndef PV_TESTS_DATA_ROW_DIALOG_FIXTURE_H
#define PV_TESTS_DATA_ROW_DIALOG_FIXTURE_H

#include <gtest/gtest.h>

#include "core/dlg_state.h"
#include "core/pv_globals.h"
#include "core/sql_fixture.h"
#include "platform/dialog/dialog_test_api.h"

class DialogDb3Test : public SqlDb3Test {
 protected:
  void SetUp() override {
    SqlDb3Test::SetUp();
    if (IsSkipped()) return;
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    dlg_state_reset();
  }
  void TearDown() override {
    dlg_state_reset();
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
    SqlDb3Test::TearDown();
  }

  int saved_dcl_ = PV_NO_DCL;   /* g_dcl_id before the test */
};

#endif
