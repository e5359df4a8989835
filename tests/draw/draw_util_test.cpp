/*
** draw_util_test.cpp: the services under the drawing makers, in the
** stand-in editor: type and table names, result-buffer text replacement,
** styles and layers, numeric system variables and LIMCHECK, angles,
** entity names and selection sets.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "core/host_util.h"
#include "draw/draw_util.h"
#include "map/draw_fixture.h"

namespace {

constexpr double PI = 3.141592653589793;

using DrawUtil = DrawTest;

TEST(EntTypeNames, EveryCodeAndNameMatchTheTablesAndUnknownsAreTold) {
  const char *names[] = {nullptr, "LINE", "POINT", "CIRCLE", "ARC", "TRACE", "SOLID", "TEXT", "SHAPE",
                         "BLOCK", "ENDBLK", "INSERT", "ATTDEF", "ATTRIB", "POLYLINE", "LWPOLYLINE",
                         "VERTEX", "SEQEND", "3DFACE", nullptr, "VIEWPORT", "DIMENSION"};
  for (int code = 1; code <= ENT_TYPE_LAST; ++code) {
    if (!names[code]) {
      EXPECT_EQ(ent_type_name(code), nullptr) << code;
      continue;
    }
    EXPECT_STREQ(ent_type_name(code), names[code]);
    EXPECT_EQ(ent_type_of_name(names[code]), code);
  }
  EXPECT_EQ(ent_type_name(0), nullptr);
  EXPECT_EQ(ent_type_name(22), nullptr);
  EXPECT_EQ(ent_type_of_name("lwPolyLine"), ENT_TYPE_LWPOLYLINE);
  EXPECT_EQ(ent_type_of_name("HATCH"), ENT_TYPE_UNKNOWN);
  EXPECT_EQ(ent_type_of_name(""), -2);
  EXPECT_EQ(ent_type_of_name("  "), -2);
  EXPECT_EQ(ent_type_of_name(nullptr), -2);
  const char *tables[] = {nullptr, "VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "BLOCK"};
  for (int code = 1; code <= ENT_SYMTAB_LAST; ++code) EXPECT_STREQ(ent_symtab_name(code), tables[code]);
  EXPECT_EQ(ent_symtab_name(0), nullptr);
  EXPECT_EQ(ent_symtab_name(8), nullptr);
}

TEST_F(DrawUtil, EntityTypeCodeReadsGroupZeroAndNullNamesAreUnknown) {
  ads_point a = {0, 0, 0}, b = {1, 1, 0};
  struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
  ads_name e;
  ASSERT_EQ(ads_entmakex(l, e), RTNORM);
  ads_relrb(l);
  EXPECT_EQ(ent_type_code(e), ENT_TYPE_LINE);
  ads_name none = {0, 0};
  EXPECT_EQ(ent_type_code(none), ENT_TYPE_UNKNOWN);
}

TEST(RbText, OnlyTextGroupsAreReplacedAndMissingItemsAreTold) {
  ads_point p = {0, 0, 0};
  struct resbuf *l = ads_buildlist(RTDXF0, "TEXT", 1, "old", 8, "A", 10, p, 1000, "x", 0);
  ASSERT_NE(l, nullptr);
  struct {
    int code;
    const char *text;
    int want;
  } cases[] = {{1, "new", 0}, {8, "LAYER2", 0}, {1000, "y", 0}, {10, "x", -2}, {7, "STANDARD", -1},
               {1, nullptr, -2}, {40, "1", -2}};
  for (const auto &c : cases) EXPECT_EQ(rb_set_text(l, c.code, c.text), c.want) << c.code;
  EXPECT_STREQ(rb_find(l, 1)->resval.rstring, "new");
  EXPECT_STREQ(rb_find(l, 8)->resval.rstring, "LAYER2");
  EXPECT_STREQ(rb_find(l, 1000)->resval.rstring, "y");
  EXPECT_EQ(rb_item_set_text(nullptr, "x"), -1);
  EXPECT_EQ(rb_item_set_text(rb_find(l, 10), "x"), -2);
  for (int code : {1, 2, 3, 6, 7, 8, 1000, 1001, 1003}) EXPECT_EQ(rb_code_is_text(code), 1) << code;
  for (int code : {0, 4, 5, 9, 10, 62, 1002, 1004, 1071}) EXPECT_EQ(rb_code_is_text(code), 0) << code;
  ads_relrb(l);
}

TEST_F(DrawUtil, StylesAreFoundByTheirFontFilesNameAndKind) {
  char out[ENT_STYLE_OUT_SIZE];
  struct resbuf *args = ads_buildlist(RTSTR, PV_RESOURCE_DIR "/shapes/PVSTRUCT", 0);
  ASSERT_EQ(cmd_run("_LOAD", args), RTNORM);
  ads_relrb(args);
  /* A shape-file style answers its font file, found by file name alone. */
  ASSERT_NE(ent_find_style_by_font("/elsewhere/pvstruct.shx", 1, out), nullptr);
  EXPECT_NE(std::string(out).find("PVSTRUCT"), std::string::npos);
  /* It is not a text style. */
  EXPECT_EQ(ent_find_style_by_font("PVSTRUCT", 0, out), nullptr);
  EXPECT_EQ(ent_find_style_by_font("PVSTRUCT", 2, out), nullptr);
  EXPECT_EQ(ent_find_style_by_font("NOSUCH", 1, out), nullptr);
  char lt[8];
  EXPECT_EQ(ent_layer_linetype("0", lt, 7), 0);
  EXPECT_STREQ(lt, "CONTINU");
  EXPECT_EQ(ent_layer_linetype("NOSUCH", lt, 7), -1);
  EXPECT_EQ(ent_layer_linetype("0", lt, 0), -2);
}

TEST_F(DrawUtil, NumericVariablesAreReadAndOnlyTheSixNamesAreSet) {
  EXPECT_EQ(sysvar_set_number("ANGBASE", PI / 2), 0);
  EXPECT_DOUBLE_EQ(sysvar_get_number("ANGBASE"), PI / 2);
  EXPECT_EQ(sysvar_set_number("ANGDIR", 1.7), 0);   /* a short, truncated */
  EXPECT_EQ(sysvar_get_number("ANGDIR"), 1.0);
  EXPECT_EQ(sysvar_set_number("HPSCALE", 2.5), 0);
  EXPECT_EQ(sysvar_get_number("HPSCALE"), 2.5);
  EXPECT_EQ(sysvar_set_number("LIMCHECK", 1), -1);
  EXPECT_EQ(sysvar_set_number(nullptr, 1), -1);
  EXPECT_EQ(sysvar_get_number("NOSUCHVAR"), -1.0);
}

TEST_F(DrawUtil, LimcheckSuspendedTwiceComesBackToTheUsersValue) {
  std::string err;
  ASSERT_TRUE(host_set_var("LIMCHECK", "1", err)) << err;
  EXPECT_EQ(limcheck_suspend(0), RTNORM);
  EXPECT_EQ(host_get_var("LIMCHECK"), "0");
  EXPECT_EQ(limcheck_suspend(0), RTNORM);   /* must not save the 0 it set */
  EXPECT_EQ(limcheck_suspend(1), RTNORM);
  EXPECT_EQ(host_get_var("LIMCHECK"), "1");
  EXPECT_EQ(limcheck_suspend(1), RTNORM);   /* nothing saved: nothing changes */
  EXPECT_EQ(host_get_var("LIMCHECK"), "1");
}

TEST(Angles, RemaindersKeepTheSignAndUserAnglesTurnWithBaseAndDirection) {
  EXPECT_EQ(ang_mod(-30, 360), -30);
  EXPECT_EQ(ang_mod(390, 360), 30);
  EXPECT_DOUBLE_EQ(ang_user_to_drawing(0, 90, 1), PI / 2);
  EXPECT_DOUBLE_EQ(ang_drawing_to_user(0, 90, 1), 90);
  struct {
    double angle, base;
    int dir;
    double rad;
  } cases[] = {{45, 0, 0, PI / 4}, {90, 90, 0, PI}, {30, 90, 1, PI / 3}, {0, 0, 0, 0}};
  for (const auto &c : cases) {
    EXPECT_NEAR(ang_user_to_drawing(c.angle, c.base, c.dir), c.rad, 1e-12) << c.angle << " " << c.base;
    EXPECT_NEAR(ang_drawing_to_user(c.rad, c.base, c.dir), c.angle, 1e-9) << c.angle << " " << c.base;
  }
  for (double base = 0; base <= 360; base += 45)
    for (double a = -7; a <= 7; a += 0.5)
      for (int dir = 0; dir < 2; ++dir) {
        double u = ang_drawing_to_user(a, base, dir);
        EXPECT_GE(u, 0.0);
        EXPECT_LT(u, 360.0);
      }
  geo_point v = {1, 0, 5, 0};
  vec_rotate(&v, PI / 2);
  EXPECT_NEAR(v.x, 0, 1e-15);
  EXPECT_NEAR(v.y, 1, 1e-15);
  EXPECT_EQ(v.z, 5);
}

TEST(EntityNames, NullClearCopyAndEqual) {
  ads_name a = {3, 4}, b = {0, 0};
  EXPECT_EQ(ename_isnull(b), 1);
  EXPECT_EQ(ename_isnull(a), 0);
  EXPECT_EQ(ename_isnull(nullptr), 1);
  EXPECT_EQ(ename_equal(a, b), 0);
  EXPECT_EQ(ename_copy(b, a), 0);
  EXPECT_EQ(ename_equal(a, b), 1);
  EXPECT_EQ(ename_copy(nullptr, a), -1);
  EXPECT_EQ(ename_equal(a, nullptr), -1);
  ename_clear(a);
  EXPECT_EQ(ename_isnull(a), 1);
}

TEST_F(DrawUtil, SelectionSetsCollectDeleteAndBecomeBlocks) {
  ads_name ss = {0, 0};
  EXPECT_EQ(ss_add_last(ss), RTERROR);   /* an empty drawing */
  ads_point a = {0, 0, 0}, b = {1, 1, 0};
  for (int i = 0; i < 2; ++i) {
    struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
    ASSERT_EQ(ads_entmake(l), RTNORM);
    ads_relrb(l);
    ASSERT_EQ(ss_add_last(ss), RTNORM);
  }
  long n = 0;
  ads_sslength(ss, &n);
  EXPECT_EQ(n, 2);   /* each line was the last one in turn */
  EXPECT_EQ(ss_make_block(ss, "TWO"), RTNORM);
  struct resbuf *blk = ads_tblsearch("BLOCK", "TWO", 0);
  ASSERT_NE(blk, nullptr);
  ads_relrb(blk);
  /* Redefining answers "Y" to the editor's question. */
  ads_name ss2 = {0, 0};
  ASSERT_EQ(ss_new(ss2), RTNORM);
  struct resbuf *l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
  ads_name e;
  ASSERT_EQ(ads_entmakex(l, e), RTNORM);
  ads_relrb(l);
  ASSERT_EQ(ads_ssadd(e, ss2, ss2), RTNORM);
  EXPECT_EQ(ss_make_block(ss2, "TWO"), RTNORM);
  ss_free(ss2);
  ss_free(ss);
  EXPECT_TRUE(ename_isnull(ss));

  ASSERT_EQ(ss_new(ss), RTNORM);
  int before = entities();
  l = ads_buildlist(RTDXF0, "LINE", 10, a, 11, b, 0);
  ASSERT_EQ(ads_entmake(l), RTNORM);
  ads_relrb(l);
  ASSERT_EQ(ss_add_last(ss), RTNORM);
  EXPECT_EQ(ss_delete_entities(ss), RTNORM);
  EXPECT_EQ(entities(), before);
  EXPECT_TRUE(ename_isnull(ss));
  EXPECT_EQ(host_open_selection_sets(), 0);
}

}  // namespace
