/*
** crs_dialogs_test.cpp: the ellipsoid, coordinate-system, transformation
** and control-point dialogs run from scripts in the stand-in editor with
** the built-in project "Projections" logged on: list lines, field checks
** and their messages, changes kept sorted and checked as inserts, the
** cascades with their one question, the references repaired, the change
** bits, the refit of control points.
*/
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "coords/xfrm_fit.h"
#include "core/pjct.h"
#include "core/pnt.h"
#include "draw/map_params.h"
#include "map/crs_dialogs.h"
#include "map/crs_fixture.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"

namespace {

class CrsDialogTest : public CrsTest {
 protected:
  /* Inserts an ellipsoid through the dialog; answers the error tile. */
  static std::string insert_datum(const char *name, const char *a, const char *b) {
    run("pv_datum", std::string("pv_datum\nset dtm_name \"") + name + "\"\nset dtm_a " + a + "\nset dtm_b " + b +
                        "\npick insert\ncancel\n");
    return tile("pv_datum", "error").value;
  }
  /* Index of an ellipsoid in the ellipsoid list of pv_projection. */
  static int dtm_pos(const char *name) {
    int i = -1;
    dtm_find(name, &i);
    return i;
  }
  /* Inserts a UTM system on an ellipsoid; answers the error tile. */
  static std::string insert_utm(const char *name, const char *dtm, int zone, int hemi) {
    run("pv_projection", std::string("pv_projection\nset prj_name \"") + name + "\"\nselect dtm_list " +
                             std::to_string(dtm_pos(dtm)) + "\nselect prj_type 1\nset prj_zone " +
                             std::to_string(zone) + "\nselect prj_hemi " + std::to_string(hemi) +
                             "\npick insert\ncancel\n");
    return tile("pv_projection", "error").value;
  }
};

TEST_F(CrsDialogTest, EllipsoidLinesArePaddedNameThenBothAxes) {
  run("pv_datum", "pv_datum\ncancel\n");
  std::string wgs = std::string("WGS 84") + std::string(29, ' ') + "\t6378137.000000\t6356752.314245";
  auto items = tile("pv_datum", "dtm_list").items;
  EXPECT_NE(std::find(items.begin(), items.end(), wgs), items.end());
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(CrsDialogTest, EllipsoidAxesAreCheckedWithTheirOwnMessages) {
  struct Case {
    const char *name, *a, *b, *error;
  } cases[] = {
      {"ZZ LOW A", "6369999.999", "6356000", "ERROR: Invalid major axis"},
      {"ZZ LOW B", "6378000", "6349999", "ERROR: Invalid minor axis"},
      {"ZZ B OVER A", "6378000", "6378001", "ERROR: Invalid minor axis"},
      {"  ", "6378000", "6356000", "ERROR: Invalid ellipsoid name"},
      {"ZZ TEXT", "big", "6356000", "ERROR: Invalid major axis"},
      {"ZZ EXACT", "6370000", "6356000", ""},
      {"zz exact", "6371000", "6357000", "ERROR: Ellipsoid name already used"},
  };
  for (const Case &c : cases) {
    clear_marks();
    EXPECT_EQ(insert_datum(c.name, c.a, c.b), c.error) << c.name;
    EXPECT_EQ(marks(), *c.error ? 0u : PJCT_CHG_DATUMS) << c.name;
  }
  dtm_rec *d = dtm_find("ZZ EXACT", nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->a_m, 6.37e6);
  EXPECT_EQ(dtm_find("ZZ B OVER A", nullptr), nullptr);
}

TEST_F(CrsDialogTest, ModifiedEllipsoidIsCheckedAndStaysSortedUnderItsSystems) {
  ASSERT_EQ(insert_datum("AAA FIRST", "6378000", "6356000"), "");
  ASSERT_EQ(insert_utm("ZZ ON AAA", "AAA FIRST", 31, 0), "");
  prj_rec *p = prj_find("ZZ ON AAA", nullptr);
  ASSERT_NE(p, nullptr);
  dtm_rec *d = dtm_find("AAA FIRST", nullptr);
  int pos = dtm_pos("AAA FIRST");
  /* A name another ellipsoid has is refused and nothing changes. */
  run("pv_datum", "pv_datum\nselect dtm_list " + std::to_string(pos) + "\nset dtm_name \"WGS 84\"\npick modify\ncancel\n");
  EXPECT_EQ(tile("pv_datum", "error").value, "ERROR: Ellipsoid name already used");
  EXPECT_EQ(dtm_find("AAA FIRST", nullptr), d);
  /* b > a is refused before anything is touched. */
  run("pv_datum", "pv_datum\nselect dtm_list " + std::to_string(pos) + "\nset dtm_b 6400000\npick modify\ncancel\n");
  EXPECT_EQ(tile("pv_datum", "error").value, "ERROR: Invalid minor axis");
  EXPECT_EQ(d->b_m, 6356000.0);
  /* A rename moves the record to its sorted place; its system keeps it. */
  clear_marks();
  run("pv_datum", "pv_datum\nselect dtm_list " + std::to_string(pos) + "\nset dtm_name ZZZ LAST\npick modify\ncancel\n");
  EXPECT_EQ(tile("pv_datum", "error").value, "");
  EXPECT_EQ(dtm_find("ZZZ LAST", nullptr), d) << "the same record, not a copy";
  EXPECT_EQ(d->next, nullptr) << "sorted to the end";
  EXPECT_EQ(p->dtm, d);
  EXPECT_TRUE(prj_name_match(p->dtm_name, "ZZZ LAST"));
  EXPECT_EQ(marks(), PJCT_CHG_DATUMS | PJCT_CHG_PROJS);
}

TEST_F(CrsDialogTest, SouthernUtmStoresItsFalseNorthingAndShowsSouthAgain) {
  ASSERT_EQ(insert_utm("ZZ UTM 33 S", "WGS 84", 33, 1), "");
  prj_rec *p = prj_find("ZZ UTM 33 S", nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->false_origin.y, 10000000.0);
  EXPECT_EQ(p->origin.x, 15.0);
  EXPECT_EQ(p->units, PRJ_UNIT_METERS);
  EXPECT_EQ(marks(), PJCT_CHG_PROJS);
  int i = -1;
  prj_index_of(p, &i);
  run("pv_projection", "pv_projection\nselect prj_list " + std::to_string(i) + "\ncancel\n");
  EXPECT_EQ(tile("pv_projection", "prj_hemi").value, "1");
  EXPECT_EQ(tile("pv_projection", "prj_falsey").value, "10000000.0");
  EXPECT_EQ(tile("pv_projection", "prj_originx").value, "  15.0000");
  EXPECT_FALSE(tile("pv_projection", "prj_parallel1").enabled);
}

TEST_F(CrsDialogTest, ProjectionFieldsAreCheckedInOrder) {
  ASSERT_EQ(insert_datum("ZZZ SPHERE", "6371000", "6371000"), "");
  const std::string sphere = std::to_string(dtm_pos("ZZZ SPHERE"));
  const std::string cone = "set prj_name ZZ\nselect prj_type 3\nselect dtm_list 0\nselect prj_unit 2\n";
  struct Case {
    std::string answers;
    const char *error;
  } cases[] = {
      {"select prj_type 1\n", "ERROR: Invalid projection name"},
      {"set prj_name ZZ\n", "ERROR: Invalid projection type"},
      {"set prj_name ZZ\nselect prj_type 2\n", "ERROR: Invalid ellipsoid"},
      {"set prj_name ZZ\nselect prj_type 1\nselect dtm_list 0\nset prj_zone 61\n", "ERROR: Invalid zone"},
      {"set prj_name ZZ\nselect prj_type 2\nselect dtm_list 0\nselect prj_unit 0\n", "ERROR: Units cannot be DEGREES"},
      {"set prj_name ZZ\nselect prj_type 2\nselect dtm_list 0\nselect prj_unit 2\nset prj_originx 181\n",
       "ERROR: Invalid origin"},
      {"set prj_name ZZ\nselect prj_type 3\nselect dtm_list 0\nselect prj_unit 2\nset prj_parallel1 91\n",
       "ERROR: Invalid parallels"},
      {"set prj_name ZZ\nselect prj_type 2\nselect dtm_list 0\nselect prj_unit 2\n", "ERROR: Invalid projection"},
      /* Systems no point would convert with, as PROJ refuses them too. */
      {cone + "set prj_parallel1 -30\nset prj_parallel2 30\n",
       "ERROR: Projection cannot be used: its standard parallels make a cone constant of 0"},
      {cone + "set prj_parallel1 0\nset prj_parallel2 0\n",
       "ERROR: Projection cannot be used: its standard parallels make a cone constant of 0"},
      {cone + "set prj_parallel1 0\nset prj_parallel2 90\n",
       "ERROR: Projection cannot be used: a standard parallel lies at a pole"},
      {cone + "set prj_parallel1 90\nset prj_parallel2 90\n",
       "ERROR: Projection cannot be used: a standard parallel lies at a pole"},
      {"set prj_name ZZ\nselect prj_type 1\nselect dtm_list " + sphere + "\nset prj_zone 30\n",
       "ERROR: Projection cannot be used: a UTM zone needs an ellipsoid, not a sphere"},
  };
  for (const Case &c : cases) {
    run("pv_projection", "pv_projection\n" + c.answers + "pick insert\ncancel\n");
    EXPECT_EQ(tile("pv_projection", "error").value, c.error) << c.answers;
  }
  EXPECT_EQ(prj_find("ZZ", nullptr), nullptr) << "a TM of scale 0 is refused, and each system above";
}

TEST_F(CrsDialogTest, ModifiedSystemIsCheckedAsAnInsertAndKeepsItsTransforms) {
  run("pv_projection",
      "pv_projection\nset prj_name ZZ TM\nselect prj_type 2\nselect dtm_list 0\nselect prj_unit 2\n"
      "set prj_scale 1\npick insert\ncancel\n");
  prj_rec *p = prj_find("ZZ TM", nullptr);
  ASSERT_NE(p, nullptr);
  int i = -1;
  prj_index_of(p, &i);
  run("pv_projection", "pv_projection\nselect prj_list " + std::to_string(i) + "\nset prj_scale 0\npick modify\ncancel\n");
  EXPECT_EQ(tile("pv_projection", "error").value, "ERROR: Invalid projection");
  EXPECT_EQ(prj_find("ZZ TM", nullptr), p);
  EXPECT_EQ(p->scale, 1.0) << "the refused change leaves the system as it was";
  run("pv_projection", "pv_projection\nselect prj_list " + std::to_string(i) + "\nset prj_name USER\npick modify\ncancel\n");
  EXPECT_EQ(tile("pv_projection", "error").value, "ERROR: Invalid projection") << "a name another system has";
  run("pv_projection", "pv_projection\nselect prj_list " + std::to_string(i) + "\nset prj_name AA TM\npick modify\ncancel\n");
  EXPECT_EQ(prj_list_head(), p) << "renamed and sorted first";
}

/* Two systems on a new ellipsoid, a transformation from one of them to
** the WGS84 system of the same zone, and the map in one of them. */
class CrsCascadeTest : public CrsDialogTest {
 protected:
  void SetUp() override {
    CrsDialogTest::SetUp();
    ASSERT_EQ(insert_datum("ZZ DATUM", "6378200", "6356800"), "");
    ASSERT_EQ(insert_utm("ZZ UTM 31", "ZZ DATUM", 31, 0), "");
    ASSERT_EQ(insert_utm("ZZ UTM 32", "ZZ DATUM", 32, 0), "");
    ASSERT_EQ(insert_utm("WG UTM 31", "WGS 84", 31, 0), "");
    xfrm_rec *t = xfrm_new();
    prj_name_copy(t->name, "ZZ SHIFT");
    prj_name_copy(t->prj_name1, "ZZ UTM 31");
    prj_name_copy(t->prj_name2, "WG UTM 31");
    ASSERT_TRUE(xfrm_insert(t));
    map_params_set_projection(&g_map_params, prj_find("ZZ UTM 32", nullptr));
    clear_marks();
  }
};

TEST_F(CrsCascadeTest, DeletingAnEllipsoidAsksOnceAndTakesItsSystemsTransformsAndTheMapSystem) {
  /* A point setup in the deleted system goes with it. */
  auto count = [] {
    int n = 0;
    for (pnt_rec *s = g_pjct_list->points; s; s = s->next) ++n;
    return n;
  };
  int before = count();
  pnt_rec *setup = pnt_new();
  setup->projection = prj_find("ZZ UTM 31", nullptr);
  pnt_attach(g_pjct_list, setup);
  clear_marks();
  std::string t = run("pv_datum", "pv_datum\nselect dtm_list " + std::to_string(dtm_pos("ZZ DATUM")) +
                                      "\npick delete\npv_yesno_small\nok\ncancel\n");
  EXPECT_TRUE(host_io_faults().empty()) << "asked exactly once";
  EXPECT_EQ(dtm_find("ZZ DATUM", nullptr), nullptr);
  EXPECT_EQ(prj_find("ZZ UTM 31", nullptr), nullptr);
  EXPECT_EQ(prj_find("ZZ UTM 32", nullptr), nullptr);
  EXPECT_NE(prj_find("WG UTM 31", nullptr), nullptr);
  EXPECT_EQ(xfrm_list_head(), nullptr);
  EXPECT_EQ(g_map_params.projection, nullptr);
  EXPECT_EQ(count(), before) << "the setup in the deleted system is detached";
  EXPECT_EQ(marks(), PJCT_CHG_DATUMS | PJCT_CHG_PROJS | PJCT_CHG_XFORMS | PJCT_CHG_POINTS | PJCT_CHG_COLUMNS);
}

TEST_F(CrsCascadeTest, AnsweringNoToTheQuestionKeepsEverything) {
  run("pv_datum", "pv_datum\nselect dtm_list " + std::to_string(dtm_pos("ZZ DATUM")) +
                      "\npick delete\npv_yesno_small\ncancel\ncancel\n");
  EXPECT_NE(dtm_find("ZZ DATUM", nullptr), nullptr);
  EXPECT_NE(xfrm_list_head(), nullptr);
  EXPECT_EQ(marks(), 0u);
}

TEST_F(CrsCascadeTest, DeletingASystemAsksAboutItsTransforms) {
  int i = -1;
  prj_find("ZZ UTM 31", &i);
  run("pv_projection", "pv_projection\nselect prj_list " + std::to_string(i) + "\npick delete\npv_yesno_small\nok\ncancel\n");
  EXPECT_EQ(prj_find("ZZ UTM 31", nullptr), nullptr);
  EXPECT_EQ(xfrm_list_head(), nullptr);
  EXPECT_NE(g_map_params.projection, nullptr) << "the map's system was another";
  EXPECT_EQ(marks(), PJCT_CHG_PROJS | PJCT_CHG_XFORMS);
}

TEST_F(CrsCascadeTest, TransformSystemsMustDifferOnlyInTheirEllipsoid) {
  auto pos = [](const char *name) {
    int i = -1;
    prj_find(name, &i);
    return std::to_string(i);
  };
  struct Case {
    std::string answers;
    const char *error;
  } cases[] = {
      {"select xfrm_prj1 " + pos("ZZ UTM 31") + "\n", "ERROR: Invalid transformation name"},
      {"set xfrm_name T\n", "ERROR: Invalid 'from' projection"},
      {"set xfrm_name T\nselect xfrm_prj1 " + pos("ZZ UTM 31") + "\n", "ERROR: Invalid 'to' projection"},
      {"set xfrm_name T\nselect xfrm_prj1 " + pos("ZZ UTM 31") + "\nselect xfrm_prj2 " + pos("GEOGRAPHIC WGS 84") + "\n",
       "ERROR: Projection cannot be GEOGRAPHIC"},
      {"set xfrm_name T\nselect xfrm_prj1 " + pos("ZZ UTM 32") + "\nselect xfrm_prj2 " + pos("WG UTM 31") + "\n",
       "ERROR: Invalid projections for transform"},
      {"set xfrm_name T\nselect xfrm_prj1 " + pos("ZZ UTM 31") + "\nselect xfrm_prj2 " + pos("ZZ UTM 32") + "\n",
       "ERROR: Invalid projections for transform"},
      {"set xfrm_name zz shift\nselect xfrm_prj1 " + pos("USER") + "\nselect xfrm_prj2 " + pos("WG UTM 31") + "\n",
       "ERROR: Transform already exists"},
      {"set xfrm_name T\nselect xfrm_prj1 " + pos("USER") + "\nselect xfrm_prj2 " + pos("WG UTM 31") + "\n", ""},
  };
  for (const Case &c : cases) {
    run("pv_transform", "pv_transform\npick new\n" + c.answers + "pick insert\ncancel\n");
    EXPECT_EQ(tile("pv_transform", "error").value, c.error) << c.answers;
  }
  EXPECT_TRUE(host_io_faults().empty());
}

/* A transformation from USER to a UTM system with its control points. */
class CrsPointsTest : public CrsDialogTest {
 protected:
  void SetUp() override {
    CrsDialogTest::SetUp();
    ASSERT_EQ(insert_utm("ZZ UTM 31", "WGS 84", 31, 0), "");
    xfrm_ = xfrm_new();
    prj_name_copy(xfrm_->name, "ZZ GRID");
    prj_name_copy(xfrm_->prj_name1, "USER");
    prj_name_copy(xfrm_->prj_name2, "ZZ UTM 31");
    ASSERT_TRUE(xfrm_insert(xfrm_));
    clear_marks();
  }
  /* Runs the transformation dialog into the control points of ZZ GRID. */
  std::string points(const std::string &answers) {
    int i = -1;
    xfrm_index_of(xfrm_, &i);
    return run("pv_transform", "pv_transform\nselect xfrm_list " + std::to_string(i) + "\npick points\npv_points\n" +
                                   answers + "cancel\npv_transform\ncancel\n");
  }
  static std::string insert(double x1, double y1, double x2, double y2) {
    char text[256];
    std::snprintf(text, sizeof text, "set pnts_x1 %.3f\nset pnts_y1 %.3f\nset pnts_x2 %.3f\nset pnts_y2 %.3f\npick insert\n",
                  x1, y1, x2, y2);
    return text;
  }
  xfrm_rec *xfrm_ = nullptr;
};

TEST_F(CrsPointsTest, ThreePointsOfDegreeZeroFitDegreeOneAndTwoASimilarity) {
  points("select pnts_degree 0\n" + insert(0, 0, 500000, 4000000) + insert(100, 0, 500100, 4000010) +
         insert(0, 100, 499990, 4000100));
  EXPECT_TRUE(host_io_faults().empty());
  ASSERT_EQ(xfrm_->count, 3);
  EXPECT_EQ(xfrm_->degree, 1);
  EXPECT_EQ(tile("pv_points", "pnts_degree").value, "1");
  EXPECT_EQ(tile("pv_points", "error").value, "");
  auto items = tile("pv_points", "pnts_list").items;
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[1], "     100.000\t,0.000       \t  500100.000\t,4000010.000 \t0.000000      ");
  EXPECT_EQ(tile("pv_points", "pnts_rmstot").value.substr(0, 9), "0.000000 ");
  EXPECT_EQ(marks(), PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS);
  /* Back to two points: a similarity. */
  points("select pnts_list 2\npick delete\n");
  EXPECT_EQ(xfrm_->count, 2);
  EXPECT_EQ(xfrm_->degree, 0);
  geo_point in = {50, 0, 0, 0}, out;
  ASSERT_TRUE(xfrm_apply(&in, &out, xfrm_));
  EXPECT_NEAR(out.x, 500050.0, 1e-6);
  EXPECT_NEAR(out.y, 4000005.0, 1e-6);
}

TEST_F(CrsPointsTest, ThePairOrItsSwappedTwinIsAlreadyPresent) {
  points(insert(1, 2, 500001, 4000002) + insert(500001, 4000002, 1, 2));
  EXPECT_EQ(tile("pv_points", "error").value, "ERROR:  Point already present");
  EXPECT_EQ(xfrm_->count, 1);
  points(insert(1, 2, 500001, 4000002));
  EXPECT_EQ(tile("pv_points", "error").value, "ERROR:  Point already present");
  points("set pnts_x1 abc\nset pnts_y1 2\nset pnts_x2 3\nset pnts_y2 4\npick insert\n");
  EXPECT_EQ(tile("pv_points", "error").value, "ERROR: Invalid point");
  EXPECT_EQ(xfrm_->count, 1) << "a field that is no number adds nothing";
  clear_marks();
  points(insert(3, 4, 500003, 4000004) + insert(5, 9, 500005, 4000009) + "select pnts_degree 2\n");
  EXPECT_EQ(tile("pv_points", "error").value, "WARNING: Not enough points for degree of polynomial");
  EXPECT_EQ(xfrm_->count, 3);
  EXPECT_EQ(marks(), PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS) << "the inserts mark, the failed degree adds nothing";
}

TEST_F(CrsPointsTest, AnInvertedTransformIsInsertedAndMarkedForSaving) {
  points(insert(0, 0, 500000, 4000000) + insert(100, 0, 500100, 4000010));
  int i = -1;
  xfrm_index_of(xfrm_, &i);
  clear_marks();
  run("pv_transform", "pv_transform\nselect xfrm_list " + std::to_string(i) + "\nset xfrm_name ZZ BACK\npick xfrm_invert\ncancel\n");
  EXPECT_EQ(tile("pv_transform", "error").value, "");
  xfrm_rec *back = nullptr;
  for (xfrm_rec *t = xfrm_list_head(); t; t = t->next)
    if (prj_name_match(t->name, "ZZ BACK")) back = t;
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->prj1, xfrm_->prj2);
  EXPECT_EQ(back->count, 2);
  EXPECT_EQ(marks(), PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS);
}

TEST_F(CrsPointsTest, APickedMapPointFillsTheFieldsOfTheMapsSystem) {
  auto pick = [this](const char *typed) {
    int i = -1;
    xfrm_index_of(xfrm_, &i);
    return run("pv_transform", "pv_transform\nselect xfrm_list " + std::to_string(i) + "\npick points\npv_points\n" +
                                   typed + "pick pick\n500010,4000020\npv_points\ncancel\npv_transform\ncancel\n");
  };
  ASSERT_EQ(g_map_params.projection, xfrm_->prj1) << "a new drawing's map is USER";
  std::string t = pick("set pnts_x2 7\n");
  EXPECT_NE(t.find("Pick point from map: "), std::string::npos) << t;
  EXPECT_EQ(tile("pv_points", "pnts_x1").value, "  500010.000");
  EXPECT_EQ(tile("pv_points", "pnts_y1").value, " 4000020.000");
  EXPECT_EQ(tile("pv_points", "pnts_x2").value, "7") << "the other fields stay as typed";
  map_params_set_projection(&g_map_params, xfrm_->prj2);
  pick("");
  EXPECT_EQ(tile("pv_points", "pnts_x2").value, "  500010.000");
  EXPECT_EQ(tile("pv_points", "pnts_y2").value, " 4000020.000");
  EXPECT_TRUE(host_io_faults().empty());
  map_params_set_projection(&g_map_params, prj_find("GEOGRAPHIC WGS 84", nullptr));
  points("");
  EXPECT_FALSE(tile("pv_points", "pick").enabled) << "the map is in neither system";
}

TEST(CrsPointsStore, FewerThanTwoPointsFitNothingAndDegreeRulesHold) {
  struct Case {
    int degree, count, shown;
  } cases[] = {{-1, 5, 0}, {2, 1, 0}, {0, 2, 0}, {0, 3, 1}, {3, 10, 3}, {2, 2, 2}};
  for (const Case &c : cases) EXPECT_EQ(xfrm_points_degree(c.degree, c.count), c.shown) << c.degree << " " << c.count;
  xfrm_rec *t = xfrm_new();
  xfrm_point_rec one = {1, 2, 3, 4, 9.0, nullptr};
  EXPECT_EQ(xfrm_points_store(t, &one), -1);
  EXPECT_EQ(t->count, 1);
  EXPECT_EQ(xfrm_points_store(t, nullptr), -1);
  EXPECT_EQ(t->count, 0);
  EXPECT_EQ(t->src, nullptr);
  xfrm_free(t);
}

}  // namespace

namespace {

TEST_F(CrsDialogTest, SetupButtonsOpenTheCoordinateDialogs) {
  run("pv_setup", "pv_setup\npick datum\npv_datum\ncancel\npick projection\npv_projection\ncancel\n"
                  "pick transform\npv_transform\ncancel\ncancel\n");
  EXPECT_TRUE(host_io_faults().empty());
  dlg_tile_snapshot t;
  EXPECT_TRUE(dlg_test_last_tile("pv_datum", "dtm_list", t));
  EXPECT_TRUE(dlg_test_last_tile("pv_projection", "prj_list", t));
  EXPECT_TRUE(dlg_test_last_tile("pv_transform", "xfrm_list", t));
}

}  // namespace
