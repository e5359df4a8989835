/*
** geo_fixture.h: the module loaded in the stand-in editor and logged on to
** a scratch copy of the sample project GEO (its table STATN registered with
** one point setup, EASTING, NORTHING and ELEV in "UTM 10 NAD27"), for the
** point dialogs' tests; a dialog's tiles are read as it ended.
*/
#ifndef PV_TESTS_DATA_POINT_GEO_FIXTURE_H
#define PV_TESTS_DATA_POINT_GEO_FIXTURE_H

#include <fstream>
#include <string>

#include "core/core_fixture.h"
#include "core/pjct_list.h"
#include "platform/dialog/dialog_test_api.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

class GeoTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    std::string ini = (dir_ / "asi.ini").string();
    std::ofstream(ini) << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
                          "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n";
    host_set_env("ASI_INI", ini);
    ASSERT_EQ(load(), PV_ENTRY_OK);
    logon();
    dlg_test_clear();
  }
  void TearDown() override {
    CoreTest::TearDown();
    host_set_env("ASI_INI", "");
  }

  /* Logs on to GEO and keeps its project record. */
  void logon() {
    ads_relrb(call("pv_open", {"GEO", "DB3", "", ""}));
    geo_ = pjct_find("GEO", nullptr);
    ASSERT_NE(geo_, nullptr) << take_transcript();
  }

  /* A column of STATN. */
  sql_col_rec *column(const char *name) const {
    return pjct_find_column(geo_, "STATN", name, nullptr);
  }

  /* A tile of a dialog as it ended. */
  static dlg_tile_snapshot tile(const char *dialog, const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << dialog << " " << key;
    return t;
  }

  pjct_rec *geo_ = nullptr;   /* the logged-on project GEO */
};

#endif
