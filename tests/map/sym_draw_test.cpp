/*
** sym_draw_test.cpp: a row's group of symbols and texts: text positions
** around a symbol, drawing with free and owned texts, dragging (with and
** without a rotation, cancelled), erasing, matching entities to records,
** and redrawing after the records changed.
*/
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "draw/draw_util.h"
#include "map/draw_fixture.h"
#include "map/sym_draw.h"

namespace {

constexpr double PI = 3.14159265358979323846;

class SymDrawTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    host_add_support_path(PV_RESOURCE_DIR "/shapes");
    pjct_rec *p = project("GEO");
    station_ = table(p, "STATION", TBL_DEF_STATION, {"DIP", "LABEL"});
  }
  void TearDown() override {
    shape_store_free();
    DrawTest::TearDown();
  }

  /* A record of row 12 shown by `column`; a symbol of PVSTRUCT unless the
  ** mode is that of a text. */
  sym_place_rec rec(const char *column, const char *name, int mode) {
    sym_place_rec r;
    sym_place_init(&r);
    r.name = name;
    r.mode = mode;
    r.font = mode == SYM_MODE_TEXT ? nullptr : "PVSTRUCT";
    r.source_col = sql_col_find(station_->columns, column, nullptr, nullptr);
    r.link = link("GEO", "STATION", 12, column, "ST1");
    return r;
  }

  /* The model-space entities of a type, oldest first. */
  static std::vector<std::vector<long>> of_type(int type) {
    std::vector<std::vector<long>> out;
    ads_name e, n;
    for (bool more = ads_entnext(nullptr, e) == RTNORM; more; more = ads_entnext(e, n) == RTNORM && ename_copy(e, n) == 0)
      if (ent_type_code(e) == type) out.push_back({e[0], e[1]});
    return out;
  }

  /* A point group of an entity. */
  static geo_point point_of(const ads_name e, int code = 10) {
    struct resbuf *l = ads_entget(e);
    struct resbuf *p = rb_find(l, code);
    geo_point g = {p->resval.rpoint[0], p->resval.rpoint[1], p->resval.rpoint[2], 0};
    ads_relrb(l);
    return g;
  }
  static double real_of(const ads_name e, int code) {
    struct resbuf *l = ads_entget(e);
    double v = rb_find(l, code)->resval.rreal;
    ads_relrb(l);
    return v;
  }

  /* The faults recorded so far, one a line. */
  static std::string take_faults() {
    std::string out;
    for (auto &f : host_io_faults()) out += f + "\n";
    return out + host_io_transcript();
  }

  tbl_rec *station_ = nullptr;
};

/* A shape whose one stroke runs from (-1,-1) to (1,1), in library BOXLIB. */
void load_box_shape() {
  std::string src = "*1,9,BOX\n2,8,(-1,-1),1,8,(2,2),0\n";
  FILE *fp = fmemopen(src.data(), src.size(), "rb");
  ASSERT_NE(fp, nullptr);
  ASSERT_EQ(shape_font_load_stream("BOXLIB", fp), 1) << shape_load_error();
  fclose(fp);
  ASSERT_EQ(shape_extents("BOXLIB"), 1);
}

/* Symbol at 90 degrees (base 0, counter-clockwise), size 2, around the
** shape (-1,-1)-(1,1); a text of three characters, size 1, width 0.67. */
TEST_F(SymDrawTest, TextPositionsLieOneCharacterPastTheShapeOnEachSide) {
  load_box_shape();
  sym_place_rec sym;
  sym_place_init(&sym);
  sym.name = "BOX";
  sym.size = 2.0;
  sym.angle = 90.0;
  struct { int pos; double x, y; } cases[] = {
      {1, 2.67, -1.0}, {3, 0.0, 2.67}, {5, -4.68, 0.0}, {7, -2.01, -3.67},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.pos);
    sym_place_rec t;
    sym_place_init(&t);
    t.name = "ABC";
    t.text_pos = c.pos;
    ASSERT_EQ(sym_place_text_position(&sym, &t), 0);
    EXPECT_NEAR(t.offset.x, c.x, 1e-9);
    EXPECT_NEAR(t.offset.y, c.y, 1e-9);
  }
  /* The text's own offset pushes it further out; the symbol's is added. */
  sym_place_rec t;
  sym_place_init(&t);
  t.name = "ABC";
  t.text_pos = 3;
  t.offset = {-0.5, -0.25, 0, 0};
  sym.offset = {10, 20, 0, 0};
  ASSERT_EQ(sym_place_text_position(&sym, &t), 0);
  EXPECT_NEAR(t.offset.x, 10.5, 1e-9);
  EXPECT_NEAR(t.offset.y, 22.92, 1e-9);
}

TEST_F(SymDrawTest, TextPositionRefusesBadInputAndLeavesPositionZeroAlone) {
  load_box_shape();
  sym_place_rec sym, t;
  sym_place_init(&sym);
  sym.name = "BOX";
  sym_place_init(&t);
  t.name = "A";
  t.offset = {1, 2, 0, 0};
  EXPECT_EQ(sym_place_text_position(&sym, &t), 0);   /* position 0 */
  EXPECT_EQ(t.offset.x, 1.0);
  t.text_pos = 9;
  EXPECT_EQ(sym_place_text_position(&sym, &t), -2);
  t.text_pos = 1;
  t.width_factor = 0;
  EXPECT_EQ(sym_place_text_position(&sym, &t), -2);
  t.width_factor = 0.67;
  sym.name = "NO_SUCH_SHAPE";
  EXPECT_EQ(sym_place_text_position(&sym, &t), 0);
  EXPECT_EQ(t.offset.x, 1.0);
  EXPECT_EQ(sym_place_text_position(nullptr, &t), -2);
}

TEST_F(SymDrawTest, DrawRefusesGroupsItCannotPlace) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  EXPECT_EQ(sym_place_draw(nullptr, nullptr, 0, 0, 0), -2);
  EXPECT_EQ(sym_place_draw(&s, nullptr, -1, 0, 0), -2);
  s.owner = 0;
  EXPECT_EQ(sym_place_draw(&s, nullptr, 1, 0, 0), -2);   /* no symbol stands free */
  EXPECT_EQ(entities(), 0);
}

TEST_F(SymDrawTest, FreeTextKeepsItsPointAndOwnedTextFollowsItsSymbol) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  s.ins = {100, 200, 0, 0};
  s.angle = 90;   /* the shape upright: east is east */
  sym_place_rec texts[2] = {rec("NAME", "Red Hill", SYM_MODE_TEXT), rec("LABEL", "free", SYM_MODE_TEXT)};
  texts[0].owner = 0;
  texts[0].text_pos = 1;
  texts[1].ins = {5, 6, 0, 0};
  texts[1].angle = 45;   /* texts are laid horizontal */
  ASSERT_EQ(sym_place_draw(&s, texts, 1, 2, 0), 0);
  auto shapes = of_type(ENT_TYPE_SHAPE);
  auto txt = of_type(ENT_TYPE_TEXT);
  ASSERT_EQ(shapes.size(), 1u);
  ASSERT_EQ(txt.size(), 2u);
  geo_point owned = point_of(txt[0].data()), free_pt = point_of(txt[1].data());
  EXPECT_NEAR(owned.x, 100 + texts[0].offset.x, 1e-9);
  EXPECT_GT(texts[0].offset.x, 0.0);   /* east of the symbol */
  EXPECT_EQ(free_pt.x, 5.0);
  EXPECT_EQ(free_pt.y, 6.0);
  EXPECT_NEAR(real_of(txt[1].data(), 50), 0.0, 1e-12);
}

TEST_F(SymDrawTest, OneSymbolWithOneTextIsDraggedWithoutARotation) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_INSERT);
  s.ask_rotation = 1;
  s.angle = 90;
  sym_place_rec t = rec("NAME", "Red Hill", SYM_MODE_TEXT);
  t.owner = 0;
  t.text_pos = 5;
  host_io_use_script_text("100,200\n");
  ASSERT_EQ(sym_place_draw(&s, &t, 1, 1, 1), 0) << take_faults();
  EXPECT_TRUE(host_io_faults().empty()) << take_faults();
  auto ins = of_type(ENT_TYPE_INSERT);
  ASSERT_EQ(ins.size(), 1u);   /* the drag reference is gone */
  geo_point at = point_of(ins[0].data());
  EXPECT_EQ(at.x, 100.0);
  EXPECT_EQ(at.y, 200.0);
  auto txt = of_type(ENT_TYPE_TEXT);
  ASSERT_EQ(txt.size(), 1u);
  EXPECT_NEAR(point_of(txt[0].data()).x, 100 + t.offset.x, 1e-9);
  EXPECT_LT(t.offset.x, 0.0);   /* west of the symbol */
}

TEST_F(SymDrawTest, LoneSymbolAskingForItTakesTheDraggedRotation) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_INSERT);
  s.ask_rotation = 1;
  s.angle_offset = 10;   /* dropped while dragging, kept on the symbol */
  sym_place_rec lone = s;
  host_io_use_script_text("50,50\n30\n");
  ASSERT_EQ(sym_place_draw(&lone, nullptr, 1, 0, 1), 0) << take_faults();
  EXPECT_NEAR(lone.angle, 20.0, 1e-9);
  auto ins = of_type(ENT_TYPE_INSERT);
  ASSERT_EQ(ins.size(), 1u);
  EXPECT_NEAR(ang_mod(real_of(ins[0].data(), 50) + 2 * PI, 2 * PI), ang_deg_to_rad(300.0), 1e-9);
  struct resbuf rb;
  ASSERT_EQ(ads_getvar("CMDECHO", &rb), RTNORM);
  EXPECT_EQ(rb.resval.rint, 1);
}

TEST_F(SymDrawTest, CancelledDragDrawsNothingAndLeavesNoReference) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  sym_place_rec t = rec("NAME", "Red Hill", SYM_MODE_TEXT);
  t.owner = 0;
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(sym_place_draw(&s, &t, 1, 1, 1), -1);
  EXPECT_EQ(entities(), 0);
  EXPECT_TRUE(ename_isnull(s.ename));
  struct resbuf rb;
  ASSERT_EQ(ads_getvar("CMDECHO", &rb), RTNORM);
  EXPECT_EQ(rb.resval.rint, 1);
}

TEST_F(SymDrawTest, RedrawnShapeOfAnInsertRecordBecomesAnInsert) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  s.ins = {10, 20, 0, 0};
  ASSERT_EQ(sym_place_draw(&s, nullptr, 1, 0, 0), 0);
  auto shapes = of_type(ENT_TYPE_SHAPE);
  ASSERT_EQ(shapes.size(), 1u);
  /* Angle 0 from base 0 counter-clockwise turns the shape a quarter back. */
  EXPECT_NEAR(ang_mod(real_of(shapes[0].data(), 50) + 2 * PI, 2 * PI), 1.5 * PI, 1e-9);
  s.mode = SYM_MODE_INSERT;
  s.ins = {30, 40, 0, 0};
  ASSERT_EQ(sym_place_redraw(&s, 1, nullptr, 0), 0);
  EXPECT_EQ(of_type(ENT_TYPE_SHAPE).size(), 0u);
  auto ins = of_type(ENT_TYPE_INSERT);
  ASSERT_EQ(ins.size(), 1u);
  EXPECT_EQ(ename_equal(s.ename, ins[0].data()), 1);
  EXPECT_EQ(point_of(ins[0].data()).x, 30.0);
  link_rec back;
  ASSERT_EQ(link_xdata_get(&back, s.ename), 0);
  EXPECT_EQ(fields(back), fields(s.link));
}

TEST_F(SymDrawTest, RedrawnVectorsLeaveExactlyOneSet) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_VECTORS);
  s.ins = {10, 20, 0, 0};
  sym_place_rec other = rec("DIP", "STRIKE_DIP", SYM_MODE_VECTORS);   /* same row, other column */
  ASSERT_EQ(sym_place_draw(&s, nullptr, 1, 0, 0), 0);
  ASSERT_EQ(sym_place_draw(&other, nullptr, 1, 0, 0), 0);
  size_t one_set = of_type(ENT_TYPE_LINE).size() / 2;
  ASSERT_GT(one_set, 1u);
  link_rec l;
  ASSERT_EQ(link_xdata_get(&l, s.ename), 0);
  EXPECT_STREQ(l.key_column, "STATION");
  s.ins = {50, 60, 0, 0};
  ASSERT_EQ(sym_place_redraw(&s, 1, nullptr, 0), 0);
  auto lines = of_type(ENT_TYPE_LINE);
  ASSERT_EQ(lines.size(), 2 * one_set);
  int moved = 0;
  for (auto &e : lines) moved += point_of(e.data()).x > 40 ? 1 : 0;
  EXPECT_EQ(moved, (int)one_set);
}

TEST_F(SymDrawTest, TextUpdatedInPlaceKeepsTheRotationAndLayerItsRecordLacks) {
  sym_place_rec t = rec("NAME", "Red Hill", SYM_MODE_TEXT);
  ASSERT_EQ(sym_place_draw(nullptr, &t, 0, 1, 0), 0);
  struct resbuf *l = ads_entget(t.ename);
  rb_find(l, 50)->resval.rreal = 0.5;   /* the user turned it */
  ASSERT_EQ(ads_entmod(l), RTNORM);
  ads_relrb(l);
  t.name = "Blue Hill";
  t.layer = "NAMES";
  t.colour = 3;
  t.ins = {7, 8, 0, 0};
  t.offset = {1, 1, 0, 0};   /* dropped by the redraw */
  ASSERT_EQ(sym_place_redraw(nullptr, 0, &t, 1), 0);
  auto txt = of_type(ENT_TYPE_TEXT);
  ASSERT_EQ(txt.size(), 1u);
  EXPECT_EQ(ename_equal(t.ename, txt[0].data()), 1);
  l = ads_entget(t.ename);
  EXPECT_STREQ(rb_find(l, 1)->resval.rstring, "Blue Hill");
  EXPECT_STREQ(rb_find(l, 8)->resval.rstring, "NAMES");
  EXPECT_EQ(rb_find(l, 62)->resval.rint, 3);
  EXPECT_EQ(rb_find(l, 10)->resval.rpoint[0], 7.0);
  EXPECT_EQ(rb_find(l, 50)->resval.rreal, 0.5);
  ads_relrb(l);
  t.layer = nullptr;   /* a setup naming no layer keeps the entity's */
  ASSERT_EQ(sym_place_redraw(nullptr, 0, &t, 1), 0);
  l = ads_entget(t.ename);
  EXPECT_STREQ(rb_find(l, 8)->resval.rstring, "NAMES");
  ads_relrb(l);
  EXPECT_EQ(ent_update_from_placement(nullptr, &t), -2);
}

TEST_F(SymDrawTest, DrawnEntitiesAreMatchedBackToTheirRecordsAndErased) {
  sym_place_rec s = rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE);
  s.ins = {100, 200, 0, 0};
  sym_place_rec t = rec("NAME", "Red Hill", SYM_MODE_TEXT);
  t.owner = 0;
  t.text_pos = 3;
  ASSERT_EQ(sym_place_draw(&s, &t, 1, 1, 0), 0);
  ads_name ss = {0, 0};
  ASSERT_EQ(ss_new(ss), RTNORM);
  for (auto &e : of_type(ENT_TYPE_SHAPE)) ads_ssadd(e.data(), ss, ss);
  for (auto &e : of_type(ENT_TYPE_TEXT)) ads_ssadd(e.data(), ss, ss);

  sym_place_rec again[2] = {rec("STATION", "STRIKE_DIP", SYM_MODE_SHAPE), rec("NAME", "x", SYM_MODE_TEXT)};
  again[1].owner = 0;
  EXPECT_EQ(sym_place_find_by_column(again, 2, "name"), &again[1]);
  EXPECT_EQ(sym_place_find_by_column(again, 2, "DIP"), nullptr);
  ASSERT_EQ(link_ss_to_placements(ss, &again[0], 1, &again[1], 1, 1), 2);
  long left = -1;
  ads_sslength(ss, &left);
  EXPECT_EQ(left, 0);
  EXPECT_EQ(ename_equal(again[0].ename, s.ename), 1);
  EXPECT_EQ(ename_equal(again[1].ename, t.ename), 1);
  EXPECT_EQ(again[1].owner, -1);
  EXPECT_NEAR(again[1].ins.y, 200 + t.offset.y, 1e-9);
  ads_ssfree(ss);

  ASSERT_EQ(sym_place_erase(&again[0], &again[1], 1, 1), 0);
  EXPECT_EQ(entities(), 0);
  EXPECT_TRUE(ename_isnull(again[0].ename));
  EXPECT_EQ(sym_place_erase(nullptr, nullptr, 1, 1), -2);
}

TEST_F(SymDrawTest, CopyAndSwapCarryEveryField) {
  sym_place_rec a = rec("STATION", "A", SYM_MODE_SHAPE), b = rec("NAME", "B", SYM_MODE_TEXT), c;
  a.ename[0] = 77;
  ASSERT_EQ(sym_place_copy(&c, &a), 0);
  EXPECT_EQ(c.ename[0], 77);
  EXPECT_EQ(fields(c.link), fields(a.link));
  ASSERT_EQ(sym_place_swap(&a, &b), 0);
  EXPECT_STREQ(a.name, "B");
  EXPECT_STREQ(b.name, "A");
  EXPECT_EQ(b.ename[0], 77);
  EXPECT_EQ(sym_place_copy(nullptr, &a), -2);
  EXPECT_EQ(sym_place_swap(&a, nullptr), -2);
}

}  // namespace
