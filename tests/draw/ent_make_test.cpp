/*
** ent_make_test.cpp: the entity makers in the stand-in editor, without
** links: each maker's group list in order (62 only for a colour), its
** refusals, block definitions and their foreign flags, hatches, the plot
** circle, shape libraries and the blocks made from shapes.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "shapes/shape_interp.h"
#include "shapes/shape_store.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/shape_block.h"
#include "draw/sym_place.h"
#include "map/draw_fixture.h"

namespace {

constexpr double PI = 3.141592653589793;
using V = std::vector<int>;

class Makers : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    host_add_support_path(PV_RESOURCE_DIR);
    host_add_support_path(PV_RESOURCE_DIR "/shapes");
    shape_store_free();
  }
  void TearDown() override {
    shape_store_free();
    DrawTest::TearDown();
  }
  /* A record with a name, a size, a colour and a mode. */
  static sym_place_rec rec(const char *name, double size = 2.5, int colour = -1, int mode = SYM_MODE_TEXT) {
    sym_place_rec r;
    sym_place_init(&r);
    r.name = name;
    r.layer = "GEOLOGY";
    r.ins = {10, 20, 0, 0};
    r.offset = {1, 2, 0, 0};
    r.size = size;
    r.colour = colour;
    r.mode = mode;
    return r;
  }
  /* Defines block `name` holding one LINE. */
  static void block(const char *name, int flags = 0) {
    geo_point o = {0, 0, 0, 0}, a = {0, 0, 0, 0}, b = {1, 0, 0, 0};
    ASSERT_EQ(ent_make_block(name, &o, flags), 0) << host_last_error();
    ASSERT_EQ(ent_make_line(&a, &b, "0", 0, nullptr), 0);
    ASSERT_EQ(ent_make_endblk(nullptr), 0);
  }
  /* A group of the last entity; null when absent (the caller releases
  ** *list). */
  static struct resbuf *last_group(int code, struct resbuf **list) {
    ads_name e;
    ads_entlast(e);
    *list = ads_entget(e);
    return rb_find(*list, code);
  }
};

TEST(PlaceRecord, InitGivesTheDefaults) {
  sym_place_rec r;
  memset(&r, 0x5A, sizeof r);
  sym_place_init(&r);
  EXPECT_EQ(r.size, 1.0);
  EXPECT_EQ(r.width_factor, 0.67);
  EXPECT_EQ(r.colour, -1);
  EXPECT_EQ(r.mode, -1);
  EXPECT_EQ(r.owner, -1);
  EXPECT_EQ(r.name, nullptr);
  EXPECT_EQ(r.source_col, nullptr);
  EXPECT_EQ(r.angle, 0.0);
  EXPECT_EQ(r.ins.x, 0.0);
  EXPECT_TRUE(ename_isnull(r.ename));
  EXPECT_EQ(r.link.row_id, 0);
  EXPECT_EQ(r.link.project[0], 0);
  EXPECT_EQ(link_incomplete(&r.link), 1);
}

TEST_F(Makers, EachMakerWritesItsGroupsInOrderWithColourOnlyWhenGiven) {
  block("MARK");
  geo_point a = {0, 0, 0, 0}, b = {3, 4, 0, 0};
  geo_point tri[3] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}};
  struct {
    const char *what;
    std::function<int()> make;
    V groups;
  } cases[] = {
      {"text", [] { auto r = rec("ST1"); return sym_place_text(&r); }, V{0, 1, 7, 8, 10, 40, 50}},
      {"text colour", [] { auto r = rec("ST1", 2.5, 3); return sym_place_text(&r); }, V{0, 1, 7, 8, 10, 40, 50, 62}},
      {"insert", [] { auto r = rec("MARK", 2, -1, SYM_MODE_INSERT); return sym_place_insert_block(&r); },
       V{0, 2, 8, 10, 41, 42, 43, 50}},
      {"insert colour", [] { auto r = rec("MARK", 2, 0, SYM_MODE_INSERT); return sym_place_insert_block(&r); },
       V{0, 2, 8, 10, 41, 42, 43, 50, 62}},
      {"line", [&] { return ent_make_line(&a, &b, "", -1, nullptr); }, V{0, 8, 10, 11}},
      {"line colour 0", [&] { return ent_make_line(&a, &b, "L", 0, nullptr); }, V{0, 8, 10, 11, 62}},
      {"line colour below -1", [&] { return ent_make_line(&a, &b, "L", -7, nullptr); }, V{0, 8, 10, 11}},
      {"circle", [&] { return ent_make_circle(&a, 2, "", -1); }, V{0, 8, 10, 40}},
      {"circle colour", [&] { return ent_make_circle(&a, 2, "", 1); }, V{0, 8, 10, 40, 62}},
      {"solid", [&] { auto r = rec("S"); return ent_make_solid(&r, tri, 3); }, V{0, 8, 10, 11, 12, 13}},
      {"solid colour", [&] { auto r = rec("S", 1, 2); return ent_make_solid(&r, tri, 3); },
       V{0, 8, 10, 11, 12, 13, 62}},
  };
  for (auto &c : cases) {
    EXPECT_EQ(c.make(), 0) << c.what << ": " << host_last_error();
    EXPECT_EQ(last_codes(), c.groups) << c.what;
  }
}

TEST_F(Makers, BadRecordsAreRefusedAndDrawNothing) {
  block("MARK");
  geo_point a = {0, 0, 0, 0};
  geo_point same[3] = {{0, 0, 0, 0}, {1, 1, 0, 0}, {1, 1, 5, 0}};
  struct {
    const char *what;
    std::function<int()> make;
  } cases[] = {
      {"text size 0", [] { auto r = rec("ST1", 0); return sym_place_text(&r); }},
      {"text blank", [] { auto r = rec("  "); return sym_place_text(&r); }},
      {"text colour -2", [] { auto r = rec("ST1", 1, -2); return sym_place_text(&r); }},
      {"text of mode 0", [] { auto r = rec("ST1", 1, -1, SYM_MODE_SHAPE); return sym_place_text(&r); }},
      {"block text size 0", [] { auto r = rec("ST1", 0); return sym_block_text(&r); }},
      {"shape size 0", [] { auto r = rec("STRIKE_DIP", 0, -1, 0); return sym_place_shape(&r); }},
      {"shape colour -2", [] { auto r = rec("STRIKE_DIP", 1, -2, 0); return sym_place_shape(&r); }},
      {"shape without library", [] { auto r = rec("STRIKE_DIP", 1, -1, 0); return sym_place_shape(&r); }},
      {"insert of a missing block", [] { auto r = rec("NOSUCH", 1, -1, 1); return sym_place_insert_block(&r); }},
      {"insert of mode -1", [] { auto r = rec("MARK", 1, -1, -1); return sym_place_insert_block(&r); }},
      {"insert size 0", [] { auto r = rec("MARK", 0, -1, 1); return sym_place_insert_block(&r); }},
      {"insert colour -2", [] { auto r = rec("MARK", 1, -2, 1); return sym_place_insert_block(&r); }},
      {"block insert of a missing block", [] { auto r = rec("NOSUCH", 1, -1, 1); return sym_block_insert(&r); }},
      {"shape insert blank", [] { auto r = rec("", 1, -1, 1); return sym_place_insert_shape(&r); }},
      {"circle radius 0", [&] { return ent_make_circle(&a, 0, "", -1); }},
      {"arc without link", [&] { return ent_make_arc(&a, 1, 0, 1, "", -1, nullptr); }},
      {"solid with two equal corners", [&] { auto r = rec("S"); return ent_make_solid(&r, same, 3); }},
      {"solid of 2 corners", [&] { auto r = rec("S"); return ent_make_solid(&r, same, 2); }},
      {"block without name", [&] { return ent_make_block("  ", &a, 0); }},
  };
  int before = entities();
  for (auto &c : cases) EXPECT_EQ(c.make(), -2) << c.what;
  EXPECT_EQ(entities(), before);
}

TEST_F(Makers, ShapesNeedAValidLinkAndAreNeverDrawnWithoutOne) {
  auto r = rec("STRIKE_DIP", 1, -1, SYM_MODE_SHAPE);
  r.font = "PVSTRUCT";
  int before = entities();
  EXPECT_EQ(sym_place_shape(&r), -2);
  EXPECT_EQ(entities(), before);
}

TEST_F(Makers, AnglesOfTextsShapesAndBlocksFollowTheirOwnRules) {
  block("MARK");
  auto t = rec("ST1       ");   /* a CHAR value with its padding */
  t.angle = 20;
  t.angle_offset = 10;
  t.angle_base = 90;
  t.angle_dir = 1;
  ASSERT_EQ(sym_place_text(&t), 0);
  struct resbuf *l;
  EXPECT_NEAR(last_group(50, &l)->resval.rreal, PI / 3, 1e-12);   /* 90 - 30 degrees */
  EXPECT_DOUBLE_EQ(rb_find(l, 10)->resval.rpoint[0], 11);          /* insertion point + offset */
  EXPECT_STREQ(rb_find(l, 7)->resval.rstring, "STANDARD");
  EXPECT_STREQ(rb_find(l, 1)->resval.rstring, "ST1") << "drawn without the padding";
  ads_relrb(l);
  /* A block reference turns by rad(angle + offset), base and direction aside. */
  auto i = t;
  i.name = "MARK";
  i.mode = SYM_MODE_INSERT;
  ASSERT_EQ(sym_place_insert_block(&i), 0);
  EXPECT_NEAR(last_group(50, &l)->resval.rreal, PI / 6, 1e-12);
  EXPECT_EQ(rb_find(l, 43)->resval.rreal, 2.5);
  ads_relrb(l);
  /* Inside a block, an INSERT points up: drawing angle less a right angle. */
  geo_point o = {0, 0, 0, 0};
  ASSERT_EQ(ent_make_block("GROUP", &o, 0), 0);
  ASSERT_EQ(sym_block_insert(&i), 0);
  ASSERT_EQ(sym_block_text(&t), 0);
  char name[ADS_INPUT_MAX];
  ASSERT_EQ(ent_make_endblk(name), 0);
  EXPECT_STREQ(name, "GROUP");
  struct resbuf *blk = ads_tblsearch("BLOCK", "GROUP", 0);
  ASSERT_NE(blk, nullptr);
  ads_name first;
  first[0] = rb_find(blk, -2)->resval.rlname[0];
  first[1] = rb_find(blk, -2)->resval.rlname[1];
  ads_relrb(blk);
  struct resbuf *ins = ads_entget(first);
  EXPECT_STREQ(rb_find(ins, 0)->resval.rstring, "INSERT");
  EXPECT_NEAR(rb_find(ins, 50)->resval.rreal, PI / 3 - PI / 2, 1e-9);
  ads_relrb(ins);
}

TEST_F(Makers, ThreeCornerSolidsRepeatTheThirdAndTrianglesAreDrawn) {
  auto r = rec("S");
  geo_point tri[3] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}};
  ASSERT_EQ(ent_make_solid(&r, tri, 3), 0);
  struct resbuf *l;
  struct resbuf *c13 = last_group(13, &l), *c12 = rb_find(l, 12);
  ASSERT_TRUE(c12 && c13);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(c13->resval.rpoint[k], c12->resval.rpoint[k]);
  ads_relrb(l);
  geo_point quad[4] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}, {1, 1, 0, 0}};
  ASSERT_EQ(ent_make_solid(&r, quad, 4), 0);
  EXPECT_EQ(last_group(13, &l)->resval.rpoint[0], 1);
  ads_relrb(l);
}

TEST_F(Makers, BlocksThatAreForeignCannotBeRedefined) {
  geo_point o = {0, 0, 0, 0};
  struct {
    const char *name;
    int flags;
    int again;
  } cases[] = {{"XREF", 4, -1}, {"DEPENDENT", 16, -1}, {"RESOLVED", 32, -1}, {"PLAIN", 2, 0}};
  for (const auto &c : cases) {
    block(c.name, c.flags);
    EXPECT_EQ(ent_make_block(c.name, &o, 0), c.again) << c.name;
    if (c.again == 0) ent_make_endblk(nullptr);
    /* Only the first word names the block. */
    std::string words = std::string(c.name) + " and more";
    EXPECT_EQ(ent_make_block(words.c_str(), &o, 0), c.again) << words;
    if (c.again == 0) ent_make_endblk(nullptr);
  }
}

TEST_F(Makers, PolylinesCarryTheirWidthAndVerticesTheirNames) {
  auto r = rec("P");
  r.line_width = -3;
  ASSERT_EQ(ent_make_polyline(&r), 0);
  EXPECT_FALSE(ename_isnull(r.ename));
  for (int k = 0; k < 2; ++k) {
    auto v = rec("V");
    v.ins = {double(k), 1, 0, 0};
    ASSERT_EQ(ent_make_vertex(&v), 0) << host_last_error();
    EXPECT_FALSE(ename_isnull(v.ename));
  }
  EXPECT_EQ(ent_make_seqend(), 0) << host_last_error();
  ads_name last;
  ads_entlast(last);
  EXPECT_EQ(ent_type_code(last), ENT_TYPE_POLYLINE);
  EXPECT_EQ(codes(last), (V{0, 8, 66, 10, 70, 40, 41}));
  struct resbuf *l = ads_entget(last);
  EXPECT_EQ(rb_find(l, 40)->resval.rreal, 0.0);
  ads_relrb(l);
}

TEST_F(Makers, HatchesTakeTheRecordsLayerAndColour) {
  geo_point c = {0, 0, 0, 0};
  ASSERT_EQ(ent_make_circle(&c, 5, "", -1), 0);
  ads_name ss = {0, 0};
  ASSERT_EQ(ss_add_last(ss), RTNORM);
  auto r = rec("H", 2, 4);
  r.pattern = "ANSI31";
  ASSERT_EQ(ent_make_hatch(&r, ss), 0) << host_io_transcript();
  struct resbuf *l;
  EXPECT_STREQ(last_group(0, &l)->resval.rstring, "HATCH");
  EXPECT_STREQ(rb_find(l, 8)->resval.rstring, "GEOLOGY");
  ASSERT_NE(rb_find(l, 62), nullptr);
  EXPECT_EQ(rb_find(l, 62)->resval.rint, 4);
  ads_relrb(l);
  ss_free(ss);
  ads_name none = {0, 0};
  EXPECT_EQ(ent_make_hatch(&r, none), -2);
  EXPECT_EQ(ent_make_hatch(nullptr, ss), -2);
}

TEST_F(Makers, ThePlotCircleGivesCentreAndRadiusAndIsDeleted) {
  host_io_use_script_text("5,6\n8,6\n");
  int before = entities();
  geo_point p;
  double radius = 0;
  ASSERT_EQ(plot_pick_points(&p, &radius), 0);
  EXPECT_EQ(p.x, 5);
  EXPECT_EQ(p.y, 6);
  EXPECT_DOUBLE_EQ(radius, 3);
  EXPECT_EQ(entities(), before);
  EXPECT_NE(host_io_transcript().find("Pick insertion points for plot:"), std::string::npos);
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(plot_pick_points(&p, &radius), -1);
}

TEST_F(Makers, ShapeLibrariesLoadOnceIntoEditorAndStore) {
  EXPECT_EQ(shape_lib_load_cmd(" "), -2);
  EXPECT_EQ(shape_lib_load_cmd("NOSUCHLIB"), -1);
  ASSERT_EQ(shape_lib_load_cmd("pvstruct"), 0);
  EXPECT_NE(shape_find_any("STRIKE_DIP"), nullptr);
  char style[ENT_STYLE_OUT_SIZE];
  EXPECT_NE(ent_find_style_by_font("PVSTRUCT", 1, style), nullptr);
  /* Loaded already: a style uses it, nothing more is done. */
  EXPECT_EQ(shape_lib_load_cmd("PVSTRUCT"), 0);
}

TEST_F(Makers, ShapeBlocksAreLinesOnlyMadeOnceAndKeepTheArcSwitch) {
  ASSERT_EQ(shape_lib_load_cmd("PVSTRUCT"), 0);
  EXPECT_EQ(sym_block_from_shape("NOSUCHSHAPE", "0"), -1);
  shape_caller()->arc_switch = 1;
  ASSERT_EQ(sym_block_from_shape("STRIKE_DIP", "SYM"), 0);
  EXPECT_EQ(shape_caller()->arc_switch, 1);
  struct resbuf *blk = ads_tblsearch("BLOCK", "STRIKE_DIP", 0);
  ASSERT_NE(blk, nullptr);
  ads_name e = {rb_find(blk, -2)->resval.rlname[0], rb_find(blk, -2)->resval.rlname[1]};
  ads_relrb(blk);
  int lines = 0;
  do {
    struct resbuf *l = ads_entget(e);
    ASSERT_NE(l, nullptr);
    EXPECT_STREQ(rb_find(l, 0)->resval.rstring, "LINE");
    EXPECT_STREQ(rb_find(l, 8)->resval.rstring, "SYM");
    ASSERT_NE(rb_find(l, 62), nullptr);
    EXPECT_EQ(rb_find(l, 62)->resval.rint, 0);
    ads_relrb(l);
    ++lines;
    ads_name next;
    if (ads_entnext(e, next) != RTNORM) break;
    ename_copy(e, next);
  } while (true);
  EXPECT_GT(lines, 1);
  /* The second time the block stands: nothing is defined again. */
  EXPECT_EQ(sym_block_from_shape("STRIKE_DIP", "OTHER"), 0);
  shape_caller()->arc_switch = 0;
}

}  // namespace
