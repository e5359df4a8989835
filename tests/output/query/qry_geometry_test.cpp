/*
** qry_geometry_test.cpp: the AREA or LINE of a spatial query condition,
** scripted in the stand-in editor: drawn point by point (closing, Undo,
** refused points, the buffer's limit, BLIPMODE and the rubber lines put
** back), selected from LINE, POLYLINE and LWPOLYLINE entities, the
** self-crossing sweep on hand-made rings, and the dialog pv_sel_mode.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "coords/prj_name.h"
#include "core/pv_globals.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"
#include "output/query/qry_geometry.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

/* A USER system of that name, outside the list. */
prj_rec *user_system(const char *name)
{
  prj_rec *p = prj_new();
  prj_name_copy(p->name, name);
  prj_name_copy(p->type_name, "USER");
  p->type = PRJ_TYPE_USER;
  return p;
}

class QryGeometry : public DrawTest {
 protected:
  prj_rec *map = nullptr;     /* the map's system */
  prj_rec *other = nullptr;   /* a system no map point converts into */
  prj_rec *saved_map = nullptr;
  int saved_dcl = PV_NO_DCL;
  geo_point *pts = nullptr;
  int count = -1;

  void SetUp() override {
    DrawTest::SetUp();
    map = user_system("USER");
    other = user_system("ELSEWHERE");
    saved_map = g_map_params.projection;
    g_map_params.projection = map;
    saved_dcl = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    dlg_test_clear();
    std::string err;
    ASSERT_TRUE(host_set_var("BLIPMODE", "1", err)) << err;
  }
  void TearDown() override {
    std::free(pts);
    g_map_params.projection = saved_map;
    std::free(map);
    std::free(other);
    if (g_dcl_id != saved_dcl) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl;
    DrawTest::TearDown();
  }

  /* Draws with the answers given; the points land in pts and count. */
  int draw(const std::string &answers, int area, prj_rec *column = nullptr) {
    host_io_use_script_text(answers);
    geo_point *before = pts;
    int rc = qry_pick_points(&pts, &count, area, column ? column : map);
    if (pts != before) std::free(before);   /* a success hands over a new ring */
    return rc;
  }
  /* Selects with the answers given. */
  int select(const std::string &answers, int flags) {
    host_io_use_script_text(answers);
    geo_point *before = pts;
    int rc = qry_pick_closed_polyline(&pts, &count, flags);
    if (pts != before) std::free(before);
    return rc;
  }
  std::vector<std::pair<double, double>> got() const {
    std::vector<std::pair<double, double>> out;
    for (int i = 0; i < count; ++i) out.emplace_back(pts[i].x, pts[i].y);
    return out;
  }
  static int times(const std::string &text) {
    int n = 0;
    for (std::size_t at = host_io_transcript().find(text); at != std::string::npos;
         at = host_io_transcript().find(text, at + 1))
      ++n;
    return n;
  }
  static std::string blipmode() { return host_get_var("BLIPMODE"); }

  /* An LWPOLYLINE through the points, closed when asked. */
  static void lwpolyline(const std::vector<std::pair<double, double>> &v, int closed) {
    struct resbuf *head = ads_buildlist(RTDXF0, "LWPOLYLINE", 8, "0", 90, (int)v.size(), 70, closed, 0);
    struct resbuf *tail = head;
    while (tail->rbnext) tail = tail->rbnext;
    for (auto [x, y] : v) {
      ads_point p = {x, y, 0};
      tail->rbnext = ads_buildlist(10, p, 0);
      tail = tail->rbnext;
    }
    ASSERT_EQ(ads_entmake(head), RTNORM) << host_last_error();
    ads_relrb(head);
  }
  /* A POLYLINE with its VERTEX entities and SEQEND. */
  static void polyline(const std::vector<std::pair<double, double>> &v, int closed) {
    ads_point zero = {0, 0, 0};
    struct resbuf *head = ads_buildlist(RTDXF0, "POLYLINE", 8, "0", 66, 1, 10, zero, 70, closed, 0);
    ASSERT_EQ(ads_entmake(head), RTNORM) << host_last_error();
    ads_relrb(head);
    for (auto [x, y] : v) {
      ads_point p = {x, y, 0};
      struct resbuf *vx = ads_buildlist(RTDXF0, "VERTEX", 8, "0", 10, p, 0);
      ASSERT_EQ(ads_entmake(vx), RTNORM) << host_last_error();
      ads_relrb(vx);
    }
    struct resbuf *end = ads_buildlist(RTDXF0, "SEQEND", 0);
    ASSERT_EQ(ads_entmake(end), RTNORM) << host_last_error();
    ads_relrb(end);
  }
};

using Ring = std::vector<std::pair<double, double>>;

/* ---- Drawing ---- */

TEST_F(QryGeometry, SquareOfFourClicksAndReturnIsClosedWithFivePoints) {
  ASSERT_EQ(draw("0,0\n10,0\n10,10\n0,10\n\n", 1), 5) << host_io_transcript();
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
  EXPECT_EQ(times("\nSelect AREA point: "), 2);
  EXPECT_EQ(times("\nSelect AREA point or <U>ndo last: "), 3);
  EXPECT_TRUE(host_temp_vectors().empty()) << "rubber lines left on the screen";
  EXPECT_EQ(blipmode(), "1");
}

TEST_F(QryGeometry, UndoDropsTheLastPointAndErasesItsRubberLine) {
  ASSERT_EQ(draw("0,0\n10,0\n20,5\nU\n30,0\n\n", 0), 3) << host_io_transcript();
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {30, 0}}));
  EXPECT_TRUE(host_temp_vectors().empty()) << "the undone point's rubber line stayed";
  /* Undo is offered as long as two points stand: two Undos leave one. */
  ASSERT_EQ(draw("0,0\n10,0\n10,10\nU\nU\n5,5\n\n", 0), 2);
  EXPECT_EQ(got(), (Ring{{0, 0}, {5, 5}}));
  EXPECT_TRUE(host_temp_vectors().empty());
}

TEST_F(QryGeometry, BowTieCrossingPointIsRefusedAndTheRestStillCloses) {
  ASSERT_EQ(draw("0,0\n10,10\n10,0\n0,10\n\n", 1), 4) << host_io_transcript();
  EXPECT_EQ(times("Polygon edges cannot intersect."), 1);
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 10}, {10, 0}, {0, 0}}));
}

TEST_F(QryGeometry, ClosingEdgeThatCrossesIsRefusedAndInputGoesOn) {
  /* The closing edge from (20,5) back to (0,0) cuts the edge at x = 10:
  ** RETURN is refused until two Undos leave a ring that closes. */
  ASSERT_EQ(draw("0,0\n10,0\n10,10\n-5,10\n-5,-5\n20,-5\n20,5\n\nU\nU\n\n", 1), 6) << host_io_transcript();
  EXPECT_EQ(times("Polygon edges cannot intersect."), 1);
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {10, 10}, {-5, 10}, {-5, -5}, {0, 0}}));
}

TEST_F(QryGeometry, AreaThatWouldRunBackOverItselfIsRefused) {
  /* The third point turns straight back along the second edge. */
  ASSERT_EQ(draw("0,0\n10,0\n5,0\n10,10\n0,10\n\n", 1), 5) << host_io_transcript();
  EXPECT_EQ(times("Polygon edges cannot intersect."), 1);
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
  /* Three points on one line cannot be closed into an area. */
  EXPECT_EQ(draw("0,0\n5,0\n10,0\n\n*cancel*\n", 1), 0);
  EXPECT_EQ(times("Polygon edges cannot intersect."), 2);
  EXPECT_EQ(pts, nullptr);
}

TEST_F(QryGeometry, TooFewPointsSayWhichKindIsShort) {
  EXPECT_EQ(draw("0,0\n10,0\n\n", 1), 0);
  EXPECT_EQ(times("Insufficient points to form AREA."), 1);
  EXPECT_EQ(draw("5,5\n\n", 0), 0);
  EXPECT_EQ(times("Insufficient points to form LINE."), 1);
  EXPECT_EQ(draw("\n", 0), 0);
  EXPECT_EQ(times("Insufficient points to form"), 2) << "no point given, nothing to complain about";
  EXPECT_EQ(pts, nullptr);
}

TEST_F(QryGeometry, PointThatCannotReachTheColumnSystemIsDropped) {
  EXPECT_EQ(draw("5,5\n\n", 0, other), 0);
  EXPECT_EQ(times("Cannot transform this point from USER to ELSEWHERE"), 1) << host_io_transcript();
  EXPECT_EQ(times("Insufficient points"), 0) << "the refused point must not count as picked";
}

TEST_F(QryGeometry, CancelKeepsNothingAndPutsBlipmodeAndTheScreenBack) {
  EXPECT_EQ(draw("0,0\n10,0\n10,10\n0,10\n*cancel*\n", 1), 0);
  EXPECT_EQ(pts, nullptr);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(blipmode(), "1");
  EXPECT_TRUE(host_temp_vectors().empty());
  EXPECT_EQ(times("Insufficient"), 0);
}

TEST_F(QryGeometry, WithoutMapProjectionNothingIsAsked) {
  g_map_params.projection = nullptr;
  EXPECT_EQ(draw("0,0\n", 1), -1);
  EXPECT_EQ(times("No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ."), 1);
  std::string next;
  EXPECT_TRUE(host_io_peek_answer(next)) << "a point was asked for";
}

/* Points on a circle, anticlockwise: a ring that never crosses. */
std::string circle_clicks(int n)
{
  std::string s;
  for (int i = 0; i < n; ++i) {
    double a = 2 * M_PI * i / n;
    s += std::to_string(1000 * std::cos(a)) + "," + std::to_string(1000 * std::sin(a)) + "\n";
  }
  return s;
}

TEST_F(QryGeometry, AreaAtTheBufferLimitClosesInsideIt) {
  ASSERT_EQ(draw(circle_clicks(QRY_DRAW_MAX - 1) + "\n", 1), QRY_DRAW_MAX);
  EXPECT_EQ(pts[QRY_DRAW_MAX - 1].x, pts[0].x);
  EXPECT_EQ(pts[QRY_DRAW_MAX - 1].y, pts[0].y);
  /* More clicks than room: input ends with the closing point in the buffer. */
  ASSERT_EQ(draw(circle_clicks(QRY_DRAW_MAX + 20), 1), QRY_DRAW_MAX);
  EXPECT_EQ(pts[QRY_DRAW_MAX - 1].x, pts[0].x);
  ASSERT_EQ(draw(circle_clicks(QRY_DRAW_MAX + 20), 0), QRY_DRAW_MAX);
  EXPECT_TRUE(host_temp_vectors().empty());
}

/* ---- Selecting ---- */

TEST_F(QryGeometry, PromptSaysWhatMayBeSelected) {
  const struct {
    int flags;
    const char *prompt;
  } cases[] = {
      {QRY_SEL_AREA, "\nSelect a closed polyline:"},
      {QRY_SEL_AREA | QRY_SEL_CLOSE, "\nSelect a polyline:"},
      {0, "\nSelect a line or a polyline:"},
  };
  for (const auto &c : cases) {
    host_io_clear_transcript();
    EXPECT_EQ(select("*cancel*\n", c.flags), -1);
    EXPECT_EQ(times(c.prompt), 1) << c.prompt;
  }
}

TEST_F(QryGeometry, ClosedLwpolylineGivesItsCornersAndTheClosingPoint) {
  lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 1);
  ASSERT_EQ(select("10,5\n", QRY_SEL_AREA), 5) << host_io_transcript();
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
}

TEST_F(QryGeometry, BowTiePolylineIsRefusedAndAskedAgain) {
  lwpolyline({{0, 0}, {10, 10}, {10, 0}, {0, 10}}, 1);
  EXPECT_EQ(select("10,5\n*cancel*\n", QRY_SEL_AREA), -1);
  EXPECT_EQ(times("The polygon crosses itself."), 1) << host_io_transcript();
  EXPECT_EQ(times("\nSelect a closed polyline:"), 2);
}

TEST_F(QryGeometry, OpenPolylineIsClosedOnlyWithClosemode) {
  lwpolyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, 0);
  EXPECT_EQ(select("10,5\n*cancel*\n", QRY_SEL_AREA), -1);
  EXPECT_EQ(times("The polygon is not closed."), 1);
  ASSERT_EQ(select("10,5\n", QRY_SEL_AREA | QRY_SEL_CLOSE), 5);
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}));
}

TEST_F(QryGeometry, PolylineWalksItsVerticesUpToTheSeqend) {
  polyline({{0, 0}, {10, 0}, {5, 8}}, 1);
  ads_name after;
  line(100, 100, 200, 200, after);
  ASSERT_EQ(select("5,0\n", QRY_SEL_AREA), 4) << host_io_transcript();
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 0}, {5, 8}, {0, 0}}));
}

TEST_F(QryGeometry, PlainLineIsALineButNotAnArea) {
  ads_name l;
  line(0, 0, 10, 10, l);
  ASSERT_EQ(select("5,5\n", 0), 2);
  EXPECT_EQ(got(), (Ring{{0, 0}, {10, 10}}));
  EXPECT_EQ(select("5,5\n*cancel*\n", QRY_SEL_AREA | QRY_SEL_CLOSE), -1);
  EXPECT_EQ(times("Not a valid entity."), 1);
}

TEST_F(QryGeometry, RefusedEntitiesAreNamedAndTheUserAskedAgain) {
  ads_name c;
  circle(50, 50, 5, c);
  lwpolyline({{0, 0}, {10, 0}}, 1);
  EXPECT_EQ(select("55,50\n5,0\n*cancel*\n", QRY_SEL_AREA), -1);
  EXPECT_EQ(times("Not a valid entity."), 1);
  EXPECT_EQ(times("Must have at least 3 vertices."), 1);
  EXPECT_EQ(select("500,500\n", QRY_SEL_AREA), -1) << "a pick on nothing fails the selection";
}

/* ---- The sweep ---- */

TEST(QrySweep, RingsThatTouchOrCrossAreTold) {
  const struct {
    const char *what;
    Ring ring;
    int simple;
  } cases[] = {
      {"square", {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}}, 1},
      {"bow-tie", {{0, 0}, {4, 4}, {4, 0}, {0, 4}, {0, 0}}, 0},
      {"collinear edges in a row", {{0, 0}, {2, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}}, 1},
      {"vertex repeated elsewhere (figure eight)", {{0, 0}, {2, 2}, {4, 0}, {4, 4}, {2, 2}, {0, 4}, {0, 0}}, 0},
      {"vertex on another edge", {{0, 0}, {4, 0}, {4, 4}, {2, 0}, {0, 4}, {0, 0}}, 0},
      {"spike folding back", {{0, 0}, {4, 0}, {4, 4}, {4, 2}, {0, 4}, {0, 0}}, 0},
      {"vertical edges side by side", {{0, 0}, {1, 0}, {1, 3}, {2, 3}, {2, 0}, {3, 0}, {3, 4}, {0, 4}, {0, 0}}, 1},
      {"vertical edges overlapping", {{0, 0}, {1, 0}, {1, 3}, {2, 3}, {2, 0}, {3, 0}, {3, 4}, {2, 4}, {2, 1}, {0, 1}, {0, 0}}, 0},
      {"collinear edges apart on one line", {{0, 0}, {1, 0}, {1, 1}, {2, 1}, {2, 0}, {3, 0}, {3, 2}, {0, 2}, {0, 0}}, 1},
      {"vertical edges apart on one line", {{0, 0}, {3, 0}, {3, 1}, {1, 1}, {1, 2}, {3, 2}, {3, 3}, {0, 3}, {0, 0}}, 1},
      {"edge running back over its predecessor", {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {0, 1}, {1, 1}, {-1, 1}, {-1, 0}, {0, 0}}, 0},
      {"repeated point in a row", {{0, 0}, {4, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}}, 1},
  };
  for (const auto &c : cases) {
    std::vector<geo_point> p;
    for (auto [x, y] : c.ring) p.push_back(geo_point{x, y, 0, 0});
    EXPECT_EQ(qry_ring_is_simple(p.data(), (int)p.size()), c.simple) << c.what;
  }
}

TEST_F(QryGeometry, CrossingRingIsToldUnderTheErrorTitle) {
  geo_point bow[5] = {{0, 0, 0, 0}, {4, 4, 0, 0}, {4, 0, 0, 0}, {0, 4, 0, 0}, {0, 0, 0, 0}};
  EXPECT_EQ(qry_polygon_crosses_itself(bow, 5), 0);
  EXPECT_EQ(times("The polygon crosses itself."), 1);
  geo_point square[5] = {{0, 0, 0, 0}, {4, 0, 0, 0}, {4, 4, 0, 0}, {0, 4, 0, 0}, {0, 0, 0, 0}};
  EXPECT_EQ(qry_polygon_crosses_itself(square, 5), 1);
  EXPECT_EQ(times("The polygon crosses itself."), 1);
}

/* ---- The selection-mode dialog ---- */

TEST_F(QryGeometry, SelModeAnswersTheChosenWayWithTheAreaBit) {
  const struct {
    int area;
    const char *answers;
    int flags;
  } cases[] = {
      {1, "ok\n", QRY_SEL_DRAW | QRY_SEL_CLOSE | QRY_SEL_AREA},
      {1, "pick sel_option\npick closemode\nok\n", QRY_SEL_PICK | QRY_SEL_AREA},
      {1, "pick sel_option\nok\n", QRY_SEL_PICK | QRY_SEL_CLOSE | QRY_SEL_AREA},
      {0, "ok\n", QRY_SEL_DRAW},
      {0, "pick sel_option\nok\n", QRY_SEL_PICK},
      {1, "cancel\n", 0},
  };
  for (const auto &c : cases) {
    host_io_use_script_text(std::string("pv_sel_mode\n") + c.answers);
    EXPECT_EQ(pv_sel_mode_dialog(c.area), c.flags) << c.area << " " << c.answers;
  }
  EXPECT_TRUE(host_io_faults().empty()) << host_io_faults().front();
}

TEST_F(QryGeometry, ClosemodeIsFixedWhileDrawingAndFreeOnlyForASelectedArea) {
  dlg_tile_snapshot t;
  host_io_use_script_text("pv_sel_mode\npick sel_option\npick draw_option\nok\n");
  EXPECT_EQ(pv_sel_mode_dialog(1), QRY_SEL_DRAW | QRY_SEL_CLOSE | QRY_SEL_AREA);
  ASSERT_TRUE(dlg_test_last_tile("pv_sel_mode", "closemode", t));
  EXPECT_FALSE(t.enabled);
  EXPECT_EQ(t.value, "1");
  host_io_use_script_text("pv_sel_mode\npick sel_option\ncancel\n");
  pv_sel_mode_dialog(1);
  ASSERT_TRUE(dlg_test_last_tile("pv_sel_mode", "closemode", t));
  EXPECT_TRUE(t.enabled);
  host_io_use_script_text("pv_sel_mode\npick sel_option\ncancel\n");
  pv_sel_mode_dialog(0);
  ASSERT_TRUE(dlg_test_last_tile("pv_sel_mode", "closemode", t));
  EXPECT_FALSE(t.enabled) << "a LINE is never closed";
  EXPECT_EQ(t.value, "0");
}

TEST_F(QryGeometry, SelModeWithoutItsDialogIsRefused) {
  int loaded = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  EXPECT_EQ(pv_sel_mode_dialog(1), RTERROR);
  g_dcl_id = loaded;
  EXPECT_EQ(times("Cannot load dialog box: pv_sel_mode."), 1);
}

}  // namespace
