/*
** crs_fixture.h: the module loaded in the stand-in editor with the sample
** project GEO logged on through the DB3 driver (the built-in projections
** come with it), the change bits cleared; commands run from dialog scripts.
*/
#ifndef PV_TESTS_MAP_CRS_FIXTURE_H
#define PV_TESTS_MAP_CRS_FIXTURE_H

#include <fstream>
#include <string>

#include "coords/dtm_list.h"
#include "core/core_fixture.h"
#include "core/pjct.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"

#ifndef PV_DB3_DRIVER
#define PV_DB3_DRIVER "pvdb3"
#endif

class CrsTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    std::ofstream((dir_ / "asi.ini").string())
        << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER
           "\nPETRIVEX=projects\nPETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n";
    ASSERT_EQ(load(), PV_ENTRY_OK);
    texts(call("pv_open", {"GEO", "DB3", "", ""}));
    ASSERT_NE(g_pjct_list, nullptr) << take_transcript();
    ASSERT_NE(dtm_find("WGS 84", nullptr), nullptr);
    dlg_test_clear();
    clear_marks();
  }

  /* Runs a LISP command with a dialog script; answers the transcript. */
  static std::string run(const char *fn, const std::string &script) {
    take_transcript();
    host_io_use_script_text(script);
    ads_relrb(call(fn, {}));
    host_io_use_script_text("");
    return take_transcript();
  }
  /* A tile of the dialog as it ended. */
  static dlg_tile_snapshot tile(const char *dialog, const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << dialog << " " << key;
    return t;
  }
  static void clear_marks() {
    for (pjct_rec *p = g_pjct_list; p; p = p->next) p->flags &= ~0xffu;
  }
  /* The change bits of the coordinate setups and point setups, the same
  ** in every logged-on project (else a mismatch shows). */
  static uint32_t marks() {
    uint32_t m = g_pjct_list->flags & 0xffu;
    for (pjct_rec *p = g_pjct_list; p; p = p->next)
      if ((p->flags & 0xf0u) != (m & 0xf0u)) return 0xdead;
    return m;
  }
};

#endif
