/*
** editor_fixture.h: shared set-up of the stand-in editor tests: a new
** drawing, a quiet text screen, an empty script, and small entity makers.
*/
#ifndef PV_TESTS_PLATFORM_EDITOR_FIXTURE_H
#define PV_TESTS_PLATFORM_EDITOR_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "ads_host.h"
#include "host_editor.h"
#include "platform/host_io.h"

class EditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_io_clear_transcript();
    host_io_clear_faults();
    host_new_drawing();
    double zero[3] = {0, 0, 0};
    host_set_ucs_origin(zero);
    host_set_pick_tolerance(1.0);
  }

  /* Makes a LINE and answers its name ({0,0} when refused). */
  static void line(double x1, double y1, double x2, double y2, ads_name out, const char* layer = "0") {
    ads_point a = {x1, y1, 0}, b = {x2, y2, 0};
    struct resbuf* l = ads_buildlist(RTDXF0, "LINE", 8, layer, 10, a, 11, b, 0);
    ASSERT_NE(l, nullptr);
    out[0] = out[1] = 0;
    EXPECT_EQ(ads_entmakex(l, out), RTNORM);
    ads_relrb(l);
  }

  /* Makes a CIRCLE and answers its name. */
  static void circle(double x, double y, double r, ads_name out) {
    ads_point c = {x, y, 0};
    struct resbuf* l = ads_buildlist(RTDXF0, "CIRCLE", 10, c, 40, r, 0);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(ads_entmakex(l, out), RTNORM);
    ads_relrb(l);
  }

  /* The list of the drawing's last entity (the caller releases it);
  ** nullptr when there is none. */
  static struct resbuf* last_list() {
    ads_name e;
    if (ads_entlast(e) != RTNORM) return nullptr;
    return ads_entget(e);
  }

  /* First item of a chain with the given type code, or nullptr. */
  static const struct resbuf* find(const struct resbuf* rb, int code) {
    for (; rb; rb = rb->rbnext)
      if (rb->restype == code) return rb;
    return nullptr;
  }

  /* Number of extended-data applications (1001 items) in a list. */
  static int apps(const struct resbuf* rb) {
    int n = 0;
    for (; rb; rb = rb->rbnext) n += rb->restype == 1001;
    return n;
  }
};

#endif /* PV_TESTS_PLATFORM_EDITOR_FIXTURE_H */
