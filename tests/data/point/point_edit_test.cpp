/*
** point_edit_test.cpp: the point dialog: reading coordinates typed as
** decimal degrees or degrees, minutes and seconds and refusing those out
** of range, the latitude and longitude texts, and the dialog run from
** scripts on GEO's systems (typing, rounding, the slider, accept, cancel)
** and the command pv_point.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "coords/prj_list.h"
#include "data/point_dialog.h"
#include "draw/map_params.h"
#include "geo_fixture.h"

namespace {

constexpr int X_TILE = 0, Y_TILE = 1, Z_TILE = 2;

TEST(PointParse, TypedCoordinatesAreReadOrRefusedByTheirRange) {
  const std::string quotes(300, '"');
  const struct {
    std::string text;
    int index, type, rc;
    double x, y, z;   /* the point after reading, from (7, 8, 9) */
  } cases[] = {
      {"45 30 15", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 45.0 + 30.0 / 60 + 15.0 / 3600, 9},
      {"45 15\"", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 45.0 + 15.0 / 3600, 9},
      {"45 30' 15\"", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 45.0 + 30.0 / 60 + 15.0 / 3600, 9},
      {"45 30", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 45.5, 9},
      {"-0 30 0", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, -0.5, 9},
      {"50.726017", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 50.726017, 9},
      {"45 30" + quotes, X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 45.0 + 30.0 / 3600, 9},
      {"-121 22 2.767", Y_TILE, PRJ_TYPE_GEOGRAPHIC, 0, -(121.0 + 22.0 / 60 + 2.767 / 3600), 8, 9},
      {"180", Y_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 180, 8, 9},
      {"90", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 90, 9},
      {"91", X_TILE, PRJ_TYPE_GEOGRAPHIC, -9701, 7, 8, 9},
      {"-90 0 1", X_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, -(90.0 + 1.0 / 3600), 9},
      {"180.5", Y_TILE, PRJ_TYPE_GEOGRAPHIC, -9702, 7, 8, 9},
      {"45 61 0", X_TILE, PRJ_TYPE_GEOGRAPHIC, -9703, 7, 8, 9},
      {"45 -1 0", X_TILE, PRJ_TYPE_GEOGRAPHIC, -9703, 7, 8, 9},
      {"45 30 60.5", X_TILE, PRJ_TYPE_GEOGRAPHIC, -9704, 7, 8, 9},
      {"45 61\"", X_TILE, PRJ_TYPE_GEOGRAPHIC, -9704, 7, 8, 9},
      {"1234.5 99", X_TILE, PRJ_TYPE_UTM, 0, 1234.5, 8, 9},
      {"5620410", Y_TILE, PRJ_TYPE_UTM, 0, 7, 5620410, 9},
      {"", Y_TILE, PRJ_TYPE_USER, 0, 7, 0, 9},
      {"455.2 1 2", Z_TILE, PRJ_TYPE_GEOGRAPHIC, 0, 7, 8, 455.2},
      {"1", 3, PRJ_TYPE_UTM, -2, 7, 8, 9},
      {"1", X_TILE, PRJ_TYPE_NONE, -2, 7, 8, 9},
  };
  for (const auto &c : cases) {
    geo_point p = {7, 8, 9, 0};
    EXPECT_EQ(point_parse_coord(c.text.c_str(), &p, c.index, c.type), c.rc) << c.text.substr(0, 20);
    EXPECT_NEAR(p.x, c.x, 1e-12) << c.text.substr(0, 20);
    EXPECT_NEAR(p.y, c.y, 1e-12) << c.text.substr(0, 20);
    EXPECT_NEAR(p.z, c.z, 1e-12) << c.text.substr(0, 20);
  }
}

TEST(PointParse, AnAngleBetweenMinusOneAndZeroKeepsItsSignInDegreesMinutesAndSeconds) {
  char dd[96], dms[96];
  point_latlong_texts(-0.5, -121.367435373, dd, dms, sizeof dd);
  EXPECT_STREQ(dd, " -0.500000  ,  -121.367435");
  EXPECT_STREQ(dms, "-0 30' 0.000\",-121 22' 2.767\"");
  point_latlong_texts(50.7260174393, 0.25, dd, dms, sizeof dd);
  EXPECT_STREQ(dms, "50 43' 33.663\",0 15' 0.000\"");
}

class PointDialog : public GeoTest {
 protected:
  void SetUp() override {
    GeoTest::SetUp();
    if (HasFatalFailure()) return;
    utm_ = prj_find("UTM 10 NAD27", nullptr);
    geo_ = prj_find("GEOGRAPHIC Clarke 1866", &geo_index_);
    ASSERT_NE(utm_, nullptr);
    ASSERT_NE(geo_, nullptr);
  }

  /* Runs the dialog with the answers; answers its result. */
  int run(const geo_point &in, prj_rec *display, geo_point *out, const std::string &answers, int elevation = 1) {
    host_io_use_script_text("pv_edit_point\n" + answers);
    return pv_edit_point_dialog(&in, display, out, utm_, elevation);
  }
  static std::string value(const char *key) { return tile("pv_edit_point", key).value; }

  prj_rec *utm_ = nullptr;   /* "UTM 10 NAD27" */
  prj_rec *geo_ = nullptr;   /* "GEOGRAPHIC Clarke 1866" */
  int geo_index_ = -1;       /* its index in the list */
};

const geo_point k_station1 = {615230.5, 5620410.0, 455.2, 0.0};

TEST_F(PointDialog, AProjectedPointShowsRoundedValuesAndItsLatitudeAndLongitude) {
  geo_point out = {};
  EXPECT_EQ(run(k_station1, utm_, &out, "set ypoint 5620410.12346\nset xpoint 615230.56746\nok\n"), RTNORM);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(value("xname"), "Easting");
  EXPECT_EQ(value("yunit"), "meters");
  EXPECT_EQ(value("xpoint"), "615230.568") << "5e-5 is added before rounding to three places";
  EXPECT_EQ(value("ypoint"), "5620410.124");
  EXPECT_EQ(value("zpoint"), "455.200");
  EXPECT_EQ(value("ddlatlong").substr(0, 13), " 50.726019  ,");
  EXPECT_NEAR(out.x, 615230.56746, 1e-9) << "accept converts what was typed, not its rounded echo";
  EXPECT_NEAR(out.y, 5620410.12346, 1e-9);
  EXPECT_NEAR(out.z, 455.2, 1e-9);
}

TEST_F(PointDialog, InAGeographicDisplayTheXTileHoldsTheLatitudeTypedInDegreesMinutesSeconds) {
  geo_point in = {-121.5, 50.5, 0, 0}, out = {};
  EXPECT_EQ(run(in, geo_, &out, "set xpoint \"45 30 15\"\ncancel\n"), RTNORM);
  EXPECT_EQ(value("xname"), "Latitude");
  EXPECT_EQ(value("yname"), "Longitude");
  EXPECT_EQ(value("xunit"), "degrees");
  EXPECT_EQ(value("xpoint"), "45.504167");
  EXPECT_EQ(value("ypoint"), "-121.500000");
  EXPECT_EQ(value("dmslatlong"), "45 30' 15.000\",-121 30' 0.000\"");
  EXPECT_EQ(out.y, 50.5) << "cancel gives back the input point";
}

TEST_F(PointDialog, DegreesMinutesAndSecondsAreConvertedAsTypedNotFromTheirSixDecimalEcho) {
  geo_point in = {-121.5, 50.5, 0, 0}, out = {};
  EXPECT_EQ(run(in, geo_, &out, "set xpoint \"50 30 15.5\"\nset ypoint \"-121 20 10.25\"\nok\n"), RTNORM);
  /* cs2cs +proj=longlat +ellps=clrk66 +to +proj=utm +zone=10 +ellps=clrk66 */
  EXPECT_NEAR(out.x, 617989.868082, 0.001);
  EXPECT_NEAR(out.y, 5595807.516482, 0.001);
}

TEST_F(PointDialog, ALatitudeBeyondNinetyStaysInTheDialogWithTheFocusOnItsTile) {
  geo_point in = {-121.5, 50.5, 0, 0}, out = {1, 2, 3, 0};
  EXPECT_EQ(run(in, geo_, &out, "set xpoint 91\nshow\nok\ncancel\n"), RTNORM);
  EXPECT_EQ(value("error"), "Latitude cannot exceed +-90");
  /* The form's line of the X tile: "xpoint   edit_box = "91" (focus)". */
  std::string form = host_io_transcript();
  size_t at = form.find("edit_box = \"91\"");
  ASSERT_NE(at, std::string::npos) << form;
  std::string line = form.substr(form.rfind('\n', at) + 1, form.find('\n', at) - form.rfind('\n', at));
  EXPECT_NE(line.find("xpoint"), std::string::npos) << line;
  EXPECT_NE(line.find("(focus)"), std::string::npos) << line;
  EXPECT_EQ(out.x, -121.5) << "ok with a typing error kept the dialog open; cancel ended it";
}

TEST_F(PointDialog, ChoosingTheGeographicSystemShowsTheLatitudeInTheXTile) {
  geo_point out = {};
  EXPECT_EQ(run(k_station1, utm_, &out, "select projname " + std::to_string(geo_index_) + "\ncancel\n"), RTNORM);
  EXPECT_TRUE(host_io_faults().empty()) << host_io_faults()[0];
  EXPECT_EQ(value("error"), "");
  EXPECT_EQ(value("xname"), "Latitude");
  EXPECT_EQ(value("xpoint"), "50.726017");
  EXPECT_EQ(value("ypoint"), "-121.367435");
  EXPECT_EQ(value("projname"), std::to_string(geo_index_));

  /* Accept reads the shown degrees (six places, about 0.1 m) back into
  ** the target system. */
  EXPECT_EQ(run(k_station1, utm_, &out, "select projname " + std::to_string(geo_index_) + "\nok\n"), RTNORM);
  EXPECT_EQ(value("xname"), "Easting");
  EXPECT_NEAR(out.x, k_station1.x, 0.1);
  EXPECT_NEAR(out.y, k_station1.y, 0.1);
}

TEST_F(PointDialog, TheSliderShowsTheNamesFromTheirTwentyFirstCharacter) {
  geo_point out = {};
  EXPECT_EQ(run(k_station1, utm_, &out, "set scroll 25\npick scroll\ncancel\n"), RTNORM);
  dlg_tile_snapshot names = tile("pv_edit_point", "projname");
  size_t listed = 0;
  for (const prj_rec *p = prj_list_head(); p; p = p->next) ++listed;
  ASSERT_EQ(names.items.size(), listed);
  std::string full = geo_->name;
  EXPECT_EQ(names.items[geo_index_], full.size() > 20 ? full.substr(20) : "");
  int utm_index = -1;
  prj_index_of(utm_, &utm_index);
  EXPECT_EQ(names.value, std::to_string(utm_index)) << "the chosen system stays chosen";
}

TEST_F(PointDialog, AcceptingThePointZeroLeavesTheCallersPointUnchanged) {
  geo_point in = {0, 0, 5, 0}, out = {11, 12, 13, 0};
  EXPECT_EQ(run(in, utm_, &out, "ok\n"), RTNORM);
  EXPECT_EQ(out.x, 11);
  EXPECT_EQ(out.y, 12);
  EXPECT_EQ(out.z, 13);
  EXPECT_EQ(value("ddlatlong"), "");
}

TEST_F(PointDialog, WithoutElevationTheZTileIsDisabledAndAcceptKeepsTheInputZ) {
  geo_point out = {};
  EXPECT_EQ(run(k_station1, utm_, &out, "ok\n", 0), RTNORM);
  EXPECT_FALSE(tile("pv_edit_point", "zpoint").enabled);
  EXPECT_NEAR(out.z, 455.2, 1e-12);
}

TEST_F(PointDialog, MissingArgumentsAndUnlistedSystemsAreRefused) {
  geo_point out = {};
  EXPECT_EQ(pv_edit_point_dialog(nullptr, utm_, &out, utm_, 1), -2);
  EXPECT_EQ(pv_edit_point_dialog(&k_station1, utm_, nullptr, utm_, 1), -2);
  prj_rec stray;
  prj_init(&stray);
  std::snprintf(stray.name, sizeof stray.name, "NOWHERE");
  EXPECT_EQ(pv_edit_point_dialog(&k_station1, &stray, &out, utm_, 1), -1);
}

TEST_F(PointDialog, ThePointCommandNeedsAMapProjectionAndShowsThePickedPoint) {
  prj_rec *saved = g_map_params.projection;
  g_map_params.projection = nullptr;
  EXPECT_EQ(pv_point(nullptr), -2);
  EXPECT_NE(take_transcript().find("No map projection defined"), std::string::npos);

  g_map_params.projection = utm_;
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(pv_point(nullptr), -1);
  host_io_use_script_text("615230.5,5620410,455.2\npv_edit_point\ncancel\n");
  EXPECT_EQ(pv_point(nullptr), 0);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(value("xpoint"), "615230.500");
  EXPECT_EQ(value("zpoint"), "455.200");
  g_map_params.projection = saved;
}

}  // namespace
