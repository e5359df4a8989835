/*
** map_params_test.cpp: the drawing's map setup block: reading the first
** block that carries a value, defaults, writing, the reference, updating
** in place (also after the block was lost), the angle variables and a PROJ
** naming a system that is not loaded yet.
*/
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "coords/prj_list.h"
#include "core/str_util.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/map_params.h"
#include "map/draw_fixture.h"

namespace {

constexpr double HALF_PI = 1.5707963267948966;

class MapParamsTest : public DrawTest {
 protected:
  void SetUp() override {
    DrawTest::SetUp();
    prj_list_free();
    ASSERT_GT(prj_add_builtin_systems(), 0);
    map_params_init(&rec_);
  }
  void TearDown() override {
    prj_list_free();
    DrawTest::TearDown();
  }

  /* Defines an anonymous block of the given (tag, value) definitions;
  ** answers its generated name. */
  static std::string block(const std::vector<std::pair<const char *, const char *>> &defs) {
    const geo_point origin = {0, 0, 0, 0};
    EXPECT_EQ(ent_make_block(MAP_PARAMS_BLOCK, &origin, MAP_PARAMS_BLOCK_FLAGS), 0);
    for (auto &d : defs) EXPECT_EQ(map_params_attdef(d.first, d.second), 0) << d.first;
    char name[ADS_INPUT_MAX] = "";
    EXPECT_EQ(ent_make_endblk(name), 0);
    return name;
  }

  /* Moves e to the entity after it; false at the end. */
  static bool next(ads_name e) {
    ads_name n;
    if (ads_entnext(e, n) != RTNORM) return false;
    ename_copy(e, n);
    return true;
  }

  /* The value of the definition `tag` in block `name`; "?" when absent. */
  static std::string value_in(const std::string &name, const char *tag) {
    struct resbuf *entry = ads_tblsearch("BLOCK", name.c_str(), 0);
    if (!entry) return "?";
    ads_name e;
    ename_copy(e, rb_find(entry, -2)->resval.rlname);
    ads_relrb(entry);
    char buf[MAP_PARAMS_TEXT_SIZE];
    do {
      if (ent_get_group_text(e, 2, buf) && str_eq_nocase(buf, tag)) return ent_get_group_text(e, 1, buf) ? buf : "?";
    } while (next(e));
    return "?";
  }

  /* Number of INSERTs of a block in model space. */
  static int references(const std::string &name) {
    int n = 0;
    ads_name e = {0, 0};
    while (next(e)) {
      char buf[MAP_PARAMS_TEXT_SIZE];
      if (ent_type_code(e) == ENT_TYPE_INSERT && ent_get_group_text(e, 2, buf) && name == buf) ++n;
    }
    return n;
  }

  static double var_real(const char *name) {
    struct resbuf rb;
    EXPECT_EQ(ads_getvar(name, &rb), RTNORM);
    return rb.resval.rreal;
  }
  static int var_short(const char *name) {
    struct resbuf rb;
    EXPECT_EQ(ads_getvar(name, &rb), RTNORM);
    return rb.resval.rint;
  }

  map_params_rec rec_;
};

TEST_F(MapParamsTest, DrawingWithoutBlockReadsNothingAndKeepsDefaults) {
  block({{"NAME", "SOMETHING_ELSE"}, {"SCALE", "3"}});
  rec_.scale = 7.0;
  EXPECT_EQ(map_params_read(&rec_), -1);
  EXPECT_EQ(rec_.scale, 1.0);
  EXPECT_EQ(rec_.text_height, 1.0);
  EXPECT_EQ(rec_.projection, nullptr);
  EXPECT_EQ(rec_.plot, 1);
  EXPECT_EQ(rec_.attach, 0);
  EXPECT_STREQ(rec_.block_name, "");
  EXPECT_EQ(map_params_read(nullptr), -2);
}

TEST_F(MapParamsTest, EmptyScaleOrHeightReadsOneAndOtherValuesAsStored) {
  std::string name = block({{"name", "petrivex_params"}, {"PROJ", "USER"}, {"SCALE", ""}, {"HEIGHT", "-2.5"}});
  ASSERT_EQ(map_params_read(&rec_), 0);
  EXPECT_EQ(rec_.block_name, name);
  EXPECT_EQ(rec_.scale, 1.0);
  EXPECT_EQ(rec_.text_height, -2.5);   /* a stored value below 0 is read as it stands */
  ASSERT_NE(rec_.projection, nullptr);
  EXPECT_EQ(rec_.projection, prj_find("USER", nullptr));
}

TEST_F(MapParamsTest, BlockWithOnlyTheNameIsPassedOverForALaterOne) {
  block({{"NAME", "PETRIVEX_PARAMS"}});
  block({{"PROJ", "USER"}, {"NAME", "PETRIVEX_PARAMS"}, {"SCALE", "9"}});   /* not begun by NAME */
  std::string wanted = block({{"NAME", "PETRIVEX_PARAMS"}, {"HEIGHT", "3.5"}});
  block({{"NAME", "PETRIVEX_PARAMS"}, {"HEIGHT", "8"}});
  ASSERT_EQ(map_params_read(&rec_), 0);
  EXPECT_EQ(rec_.block_name, wanted);
  EXPECT_EQ(rec_.text_height, 3.5);
  EXPECT_EQ(rec_.scale, 1.0);
}

TEST_F(MapParamsTest, WrittenBlockHoldsTheFourDefinitionsAndOneReference) {
  map_params_set_projection(&rec_, prj_find("USER", nullptr));
  rec_.scale = 2.5;
  rec_.text_height = 0.125;
  ASSERT_EQ(map_params_write(&rec_), 0);
  std::string name = rec_.block_name;
  ASSERT_EQ(name.rfind("*U", 0), 0u) << name;
  ASSERT_EQ(map_params_insert(&rec_), 0);

  struct resbuf *entry = ads_tblsearch("BLOCK", name.c_str(), 0);
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(rb_find(entry, 70)->resval.rint & 1, 1);
  ads_name e;
  ename_copy(e, rb_find(entry, -2)->resval.rlname);
  ads_relrb(entry);
  const char *want[][2] = {{"NAME", "PETRIVEX_PARAMS"}, {"PROJ", "USER"}, {"SCALE", "2.500000"},
                           {"HEIGHT", "0.125000"}};
  int i = 0;
  do {
    ASSERT_LT(i, 4);
    struct resbuf *l = ads_entget(e);
    EXPECT_STREQ(rb_find(l, 0)->resval.rstring, "ATTDEF");
    EXPECT_STREQ(rb_find(l, 2)->resval.rstring, want[i][0]);
    EXPECT_STREQ(rb_find(l, 3)->resval.rstring, want[i][0]);
    EXPECT_STREQ(rb_find(l, 1)->resval.rstring, want[i][1]);
    EXPECT_EQ(rb_find(l, 70)->resval.rint, MAP_PARAMS_ATTDEF_FLAGS);
    ads_relrb(l);
    ++i;
  } while (next(e));
  EXPECT_EQ(i, 4);

  EXPECT_EQ(references(name), 1);
  struct resbuf *ins = last_list();
  EXPECT_STREQ(rb_find(ins, 8)->resval.rstring, "0");
  EXPECT_EQ(rb_find(ins, 10)->resval.rpoint[0], 0.0);
  EXPECT_EQ(rb_find(ins, 41)->resval.rreal, 1.0);
  EXPECT_EQ(rb_find(ins, 50)->resval.rreal, 0.0);
  ads_relrb(ins);

  map_params_rec back;
  ASSERT_EQ(map_params_read(&back), 0);
  EXPECT_EQ(back.scale, 2.5);
  EXPECT_EQ(back.text_height, 0.125);
  EXPECT_EQ(back.block_name, name);
}

/* Base 90 and direction 1, whether the block is written or updated,
** leave ANGBASE at a quarter turn (not 90 radians) and ANGDIR at 1. */
TEST_F(MapParamsTest, AngleBaseReachesTheDrawingInRadiansOnWriteAndUpdate) {
  for (bool update : {false, true}) {
    SCOPED_TRACE(update ? "update" : "write");
    ASSERT_EQ(sysvar_set_number("ANGBASE", 0.0), 0);
    ASSERT_EQ(sysvar_set_number("ANGDIR", 0), 0);
    map_params_init(&rec_);
    if (update) { ASSERT_EQ(map_params_write(&rec_), 0); }
    rec_.angle_base = 90.0;
    rec_.angle_dir = 1;
    ASSERT_EQ(update ? map_params_update(&rec_) : map_params_write(&rec_), 0);
    EXPECT_NEAR(var_real("ANGBASE"), HALF_PI, 1e-12);
    EXPECT_EQ(var_short("ANGDIR"), 1);
    map_params_rec back;
    map_params_init(&back);
    EXPECT_NEAR(back.angle_base, 90.0, 1e-9);
    EXPECT_EQ(back.angle_dir, 1);
  }
}

TEST_F(MapParamsTest, UpdateWritesTheRecordIntoItsBlockOnly) {
  std::string other = block({{"NAME", "PETRIVEX_PARAMS"}, {"SCALE", "5"}});
  map_params_set_projection(&rec_, prj_find("USER", nullptr));
  ASSERT_EQ(map_params_write(&rec_), 0);
  rec_.scale = 4.0;
  map_params_set_projection(&rec_, nullptr);
  ASSERT_EQ(map_params_update(&rec_), 0);
  EXPECT_EQ(value_in(rec_.block_name, "SCALE"), "4.000000");
  EXPECT_EQ(value_in(rec_.block_name, "HEIGHT"), "1.000000");
  EXPECT_EQ(value_in(rec_.block_name, "PROJ"), "");   /* no projection: empty */
  EXPECT_EQ(value_in(other, "SCALE"), "5");
}

TEST_F(MapParamsTest, UpdateRefusesABlockNotBegunByTheNameDefinition) {
  std::string name = block({{"PROJ", "USER"}, {"NAME", "PETRIVEX_PARAMS"}});
  snprintf(rec_.block_name, sizeof rec_.block_name, "%s", name.c_str());
  EXPECT_EQ(map_params_update(&rec_), -1);
  EXPECT_EQ(value_in(name, "PROJ"), "USER");
  rec_.block_name[0] = '\0';
  EXPECT_EQ(map_params_update(&rec_), -2);
}

TEST_F(MapParamsTest, UpdateOfALostBlockWritesAndReferencesANewOne) {
  snprintf(rec_.block_name, sizeof rec_.block_name, "%s", "*U4711");
  rec_.scale = 3.0;
  ASSERT_EQ(map_params_update(&rec_), 0);
  EXPECT_STRNE(rec_.block_name, "*U4711");
  EXPECT_EQ(value_in(rec_.block_name, "SCALE"), "3.000000");
  EXPECT_EQ(references(rec_.block_name), 1);
}

/* A drawing read before a logon names a system only that logon loads: the
** name survives an update and resolves afterwards. */
TEST_F(MapParamsTest, ProjectionNotLoadedYetIsKeptAndResolvedLater) {
  block({{"NAME", "PETRIVEX_PARAMS"}, {"PROJ", "  LOCAL GRID 7 "}});
  ASSERT_EQ(map_params_read(&rec_), 0);
  EXPECT_EQ(rec_.projection, nullptr);
  EXPECT_STREQ(rec_.proj_text, "LOCAL GRID 7");
  ASSERT_EQ(map_params_update(&rec_), 0);
  EXPECT_EQ(value_in(rec_.block_name, "PROJ"), "LOCAL GRID 7");
  EXPECT_EQ(map_params_resolve(&rec_), 0);

  prj_rec *p = prj_new();
  prj_name_copy(p->name, "LOCAL GRID 7");
  prj_name_copy(p->type_name, "USER");
  p->type = PRJ_TYPE_USER;
  ASSERT_EQ(prj_insert(p), 1);
  EXPECT_EQ(map_params_resolve(&rec_), 1);
  EXPECT_EQ(rec_.projection, prj_find("LOCAL GRID 7", nullptr));
  EXPECT_STREQ(rec_.proj_text, "");

  block({{"NAME", "PETRIVEX_PARAMS"}, {"PROJ", "ELSEWHERE"}});
  ASSERT_EQ(map_params_read(&rec_), 0);   /* the first block still wins */
  EXPECT_NE(rec_.projection, nullptr);
  map_params_set_projection(&rec_, nullptr);
  ASSERT_EQ(map_params_update(&rec_), 0);
  EXPECT_EQ(value_in(rec_.block_name, "PROJ"), "");   /* cleared on purpose */
}

TEST_F(MapParamsTest, AttdefAndGroupTextRefuseWhatTheyCannotUse) {
  EXPECT_EQ(map_params_attdef(nullptr, "x"), -2);
  EXPECT_EQ(map_params_attdef("   ", "x"), -2);
  EXPECT_EQ(map_params_insert(&rec_), -1);   /* no block yet */
  ads_name e;
  line(0, 0, 1, 1, e);
  char buf[MAP_PARAMS_TEXT_SIZE] = "old";
  EXPECT_EQ(ent_get_group_text(e, 1, buf), nullptr);
  EXPECT_STREQ(buf, "");
  EXPECT_NE(ent_get_group_text(e, 8, buf), nullptr);
  EXPECT_STREQ(buf, "0");
  ads_name none = {0, 0};
  EXPECT_EQ(ent_get_group_text(none, 8, buf), nullptr);
}

}  // namespace
