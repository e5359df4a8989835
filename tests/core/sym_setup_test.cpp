/*
** sym_setup_test.cpp: symbol setup records and their bindings in a
** project held in memory: finding, comparing and copying records, a
** column setup on its rule (and through a point column on the X, Y and Z
** rules), profile item setups on their items with item flag 8 and the
** rules' flag 0x100, setups without owner, and binding item setups by
** name.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/item_tree.h"
#include "core/pjct.h"
#include "core/pnt.h"
#include "core/sql_access.h"
#include "core/sym_setup.h"
#include "core/tbl_column.h"

namespace {

class SymSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    project_ = (pjct_rec *)calloc(1, sizeof(pjct_rec));
    ASSERT_EQ(item_root_init(&tree_, "STRAT", "ROCKD"), 0);
    granite_ = item_add_child(&tree_, "Granite", "GR", 1, 0, nullptr);
    basalt_ = item_add_child(&tree_, "Basalt", "BA", 2, 0, nullptr);
    item_node *group = item_add_child(&tree_, "Group", "GP", 3, 0, nullptr);
    granite2_ = item_add_child(group, "Granite", "GR", 4, 0, nullptr);
    ASSERT_NE(granite2_, nullptr);
  }
  void TearDown() override {
    sym_list_free(&project_->symbols);
    for (sql_col_rec *c : cols_) {
      c->attr = nullptr;   /* the rules are the project's, freed below */
      sql_col_list_free(&c);
    }
    while (project_->col_attrs) {
      col_attr_rec *next = project_->col_attrs->next;
      project_->col_attrs->tree = nullptr;
      col_attr_free(project_->col_attrs);
      project_->col_attrs = next;
    }
    free(project_);
    item_root_empty(&tree_);
  }

  /* A rule of the project for column of table. */
  col_attr_rec *rule(const char *column, const char *table = "STATN") {
    col_attr_rec *r = col_attr_new();
    snprintf(r->column, sizeof r->column, "%s", column);
    snprintf(r->table, sizeof r->table, "%s", table);
    r->next = project_->col_attrs;
    project_->col_attrs = r;
    return r;
  }
  /* A rule of the profile tree. */
  col_attr_rec *profile_rule(const char *column) {
    col_attr_rec *r = rule(column);
    snprintf(r->profile, sizeof r->profile, "STRAT");
    snprintf(r->dictionary, sizeof r->dictionary, "ROCKD");
    r->tree = &tree_;
    return r;
  }
  /* A column record of a rule. */
  sql_col_rec *column_of(col_attr_rec *r) {
    sql_col_rec *c = sql_col_new(r->column, r->table, SQL_TYPE_DOUBLE, 8, 0);
    c->attr = r;
    cols_.push_back(c);
    return c;
  }
  /* A setup of an owner kind with a symbol in a library. */
  static sym_rec *setup(int kind, void *owner, int flags = SYM_SYMBOL) {
    sym_rec *s = sym_new();
    s->owner_kind = kind;
    s->owner = owner;
    s->flags = flags;
    sym_set_text(&s->symbol, "STRIKE_DIP");
    sym_set_text(&s->library, "PVSTRUCT");
    return s;
  }
  /* An item setup by names, not yet bound. */
  static sym_rec *item_setup(const char *item, const char *profile = "STRAT", const char *dictionary = "ROCKD") {
    sym_rec *s = setup(SYM_OWNER_ITEM, nullptr);
    sym_set_text(&s->item_name, item);
    sym_set_text(&s->profile, profile);
    sym_set_text(&s->dictionary, dictionary);
    return s;
  }

  pjct_rec *project_ = nullptr;
  item_node tree_ = {};
  item_node *granite_ = nullptr, *basalt_ = nullptr, *granite2_ = nullptr;
  std::vector<sql_col_rec *> cols_;
};

TEST_F(SymSetup, NewRecordsHaveNoPositionAndOwnNothing) {
  sym_rec *s = sym_new();
  EXPECT_EQ(s->position, -1);
  EXPECT_EQ(s->owner, nullptr);
  EXPECT_EQ(s->library, nullptr);
  EXPECT_EQ(s->next, nullptr);
  sym_free(s);
}

TEST_F(SymSetup, ABlankNameNeverFindsARecordEvenOneWithABlankItemName) {
  sym_rec *a = item_setup(" "), *b = item_setup("Granite");
  b->next = a;
  project_->symbols = b;
  EXPECT_EQ(sym_find(project_->symbols, " "), nullptr);
  EXPECT_EQ(sym_find(project_->symbols, ""), nullptr);
  EXPECT_EQ(sym_find(project_->symbols, nullptr), nullptr);
  EXPECT_EQ(sym_find(project_->symbols, "GRANITE"), b);
}

TEST_F(SymSetup, CopiesOwnTheirTextsAndStayEqual) {
  sym_rec *a = item_setup("Granite");
  sym_set_text(&a->pattern, "ANSI31");
  sym_set_text(&a->assoc_name[SYM_ASSOC_LAYER], "LAY");
  sym_rec *b = sym_new();
  ASSERT_EQ(sym_copy(b, a), 0);
  EXPECT_NE(b->library, a->library);
  EXPECT_NE(b->assoc_name[SYM_ASSOC_LAYER], a->assoc_name[SYM_ASSOC_LAYER]);
  EXPECT_TRUE(sym_equal(a, b));
  sym_free(a);   /* the copy's texts outlive the original */
  EXPECT_STREQ(b->library, "PVSTRUCT");
  EXPECT_STREQ(b->pattern, "ANSI31");
  EXPECT_EQ(sym_copy(nullptr, b), -2);
  sym_free(b);
}

TEST_F(SymSetup, EqualityIgnoresScaleZOffsetAndTheCaseOfLibraryAndLayer) {
  sym_rec *a = setup(SYM_OWNER_NONE, nullptr), *b = setup(SYM_OWNER_NONE, nullptr);
  sym_set_text(&b->library, "pvstruct");
  snprintf(a->layer, sizeof a->layer, "Sym");
  snprintf(b->layer, sizeof b->layer, "SYM");
  b->scale = 4;
  b->z_offset = 9;
  EXPECT_TRUE(sym_equal(a, b));
  struct Change {
    const char *what;
    void (*apply)(sym_rec *);
  };
  const Change changes[] = {
      {"colour", [](sym_rec *s) { s->colour = 3; }},
      {"angle", [](sym_rec *s) { s->angle = 1; }},
      {"x offset", [](sym_rec *s) { s->x_offset = 1; }},
      {"flags", [](sym_rec *s) { s->flags = SYM_TEXT; }},
      {"form", [](sym_rec *s) { s->form = SYM_FORM_BLOCK; }},
      {"symbol", [](sym_rec *s) { sym_set_text(&s->symbol, "OTHER"); }},
      {"library", [](sym_rec *s) { sym_set_text(&s->library, "QMS"); }},
      {"association", [](sym_rec *s) { s->assoc[SYM_ASSOC_SCALE] = s; }},
  };
  for (const Change &c : changes) {
    sym_rec *d = sym_new();
    sym_copy(d, b);
    c.apply(d);
    EXPECT_FALSE(sym_equal(a, d)) << c.what;
    sym_free(d);
  }
  sym_free(a);
  sym_free(b);
}

TEST_F(SymSetup, AColumnSetupTakesItsRuleAndClearsTheItemSymbolFlag) {
  col_attr_rec *r = profile_rule("ROCK");
  r->flags |= COL_ATTR_PROFILE;
  sym_rec *s = setup(SYM_OWNER_COLUMN, r);
  ASSERT_EQ(sym_attach(project_, s), 0);
  EXPECT_EQ(r->symbol, s);
  EXPECT_FALSE(r->flags & COL_ATTR_PROFILE);
  EXPECT_TRUE(project_->flags & PJCT_CHG_SYMBOLS);
  EXPECT_EQ(project_->symbols, s);
  project_->flags = 0;
  ASSERT_EQ(sym_detach(project_, s), 0);
  EXPECT_EQ(r->symbol, nullptr);
  EXPECT_EQ(project_->symbols, nullptr);
  EXPECT_TRUE(project_->flags & PJCT_CHG_SYMBOLS) << "detaching is a change too";
}

TEST_F(SymSetup, APointColumnSetupBindsTheXYAndZRules) {
  col_attr_rec *x = rule("EAST"), *y = rule("NORTH"), *z = rule("ELEV"), *other = rule("DIP");
  pnt_rec pt;
  pnt_rec_init(&pt);
  pt.x_col = column_of(x);
  pt.y_col = column_of(y);
  pt.z_col = column_of(z);
  col_attr_rec *own = rule("SITE");
  own->flags |= COL_ATTR_POINT;
  own->point = &pt;
  for (col_attr_rec *r : {x, y, z}) r->flags |= COL_ATTR_PROFILE;
  sym_rec *s = setup(SYM_OWNER_COLUMN, own);
  sym_attach(project_, s);
  for (col_attr_rec *r : {own, x, y, z}) {
    EXPECT_EQ(r->symbol, s) << r->column;
    EXPECT_FALSE(r->flags & COL_ATTR_PROFILE) << r->column;
  }
  EXPECT_EQ(other->symbol, nullptr);
  sym_detach(project_, s);
  for (col_attr_rec *r : {own, x, y, z}) EXPECT_EQ(r->symbol, nullptr) << r->column;
}

TEST_F(SymSetup, AnItemSymbolFlagsItsItemAndTheTreesRulesUntilDetached) {
  col_attr_rec *r = profile_rule("ROCK"), *plain = rule("DIP");
  sym_rec *g = setup(SYM_OWNER_ITEM, granite_), *b = setup(SYM_OWNER_ITEM, basalt_);
  sym_attach(project_, g);
  sym_attach(project_, b);
  EXPECT_EQ(granite_->symbol, g);
  EXPECT_TRUE(granite_->flags & ITEM_SYMBOL);
  EXPECT_TRUE(r->flags & COL_ATTR_PROFILE);
  EXPECT_FALSE(plain->flags & COL_ATTR_PROFILE);
  sym_detach(project_, g);
  EXPECT_EQ(granite_->symbol, nullptr);
  EXPECT_FALSE(granite_->flags & ITEM_SYMBOL) << "detaching an item setup clears item flag 8";
  EXPECT_TRUE(r->flags & COL_ATTR_PROFILE) << "Basalt still has a symbol";
  sym_detach(project_, b);
  EXPECT_FALSE(basalt_->flags & ITEM_SYMBOL);
  EXPECT_FALSE(r->flags & COL_ATTR_PROFILE);
}

TEST_F(SymSetup, AnItemSetupThatIsNoSymbolClearsItemFlag8) {
  item_set_flag(basalt_, ITEM_SYMBOL);
  sym_rec *text = setup(SYM_OWNER_ITEM, basalt_, SYM_TEXT);
  sym_attach(project_, text);
  EXPECT_EQ(basalt_->symbol, text);
  EXPECT_FALSE(basalt_->flags & ITEM_SYMBOL);
}

TEST_F(SymSetup, SetupsWithoutOwnerAreOnlyListed) {
  col_attr_rec *r = profile_rule("ROCK");
  r->flags |= COL_ATTR_PROFILE;
  sym_rec *diagram = setup(SYM_OWNER_COLUMN, nullptr), *lib = symlib_setup_new("PVSTRUCT");
  sym_rec *item = item_setup("Granite");
  for (sym_rec *s : {diagram, lib, item}) EXPECT_EQ(sym_attach(project_, s), 0);
  EXPECT_EQ(r->symbol, nullptr);
  EXPECT_TRUE(r->flags & COL_ATTR_PROFILE);
  EXPECT_EQ(granite_->symbol, nullptr);
  for (sym_rec *s : {diagram, lib, item}) EXPECT_EQ(sym_detach(project_, s), 0);
  EXPECT_EQ(project_->symbols, nullptr);
}

TEST_F(SymSetup, DetachLeavesARecordOutsideTheListAlone) {
  sym_rec *s = setup(SYM_OWNER_NONE, nullptr);
  EXPECT_EQ(sym_detach(project_, s), -1);
  EXPECT_EQ(sym_detach(nullptr, s), -2);
  EXPECT_EQ(sym_attach(project_, nullptr), -2);
  sym_free(s);
}

TEST_F(SymSetup, ReplaceSwapsTheRulesSetup) {
  col_attr_rec *r = rule("DIP");
  sym_rec *a = setup(SYM_OWNER_COLUMN, r), *b = setup(SYM_OWNER_COLUMN, r);
  sym_attach(project_, a);
  ASSERT_EQ(sym_replace(project_, a, b), 0);
  EXPECT_EQ(r->symbol, b);
  EXPECT_EQ(project_->symbols, b);
  EXPECT_EQ(b->next, nullptr);
}

TEST_F(SymSetup, BindingItemsByNameTakesEveryItemOfThatName) {
  col_attr_rec *r = profile_rule("ROCK");
  sym_rec *g = item_setup("granite"), *lost = item_setup("Gneiss"), *other = item_setup("Granite", "OTHER");
  sym_set_text(&g->assoc_name[SYM_ASSOC_LAYER], "Basalt");
  for (sym_rec *s : {g, lost, other}) sym_attach(project_, s);
  EXPECT_EQ(sym_bind_items(project_, nullptr), 1);
  /* Children are added first, so the walk meets Group's Granite first. */
  EXPECT_EQ(g->owner, granite2_);
  EXPECT_EQ(granite_->symbol, g);
  EXPECT_TRUE(granite_->flags & ITEM_SYMBOL);
  EXPECT_EQ(g->assoc[SYM_ASSOC_LAYER], basalt_);
  EXPECT_EQ(lost->owner, nullptr);
  EXPECT_EQ(other->owner, nullptr) << "no rule names the profile OTHER";
  EXPECT_TRUE(r->flags & COL_ATTR_PROFILE);
  /* A tree of another profile leaves the setups of STRAT bound. */
  item_node elsewhere = {};
  item_root_init(&elsewhere, "OTHER", "ROCKD");
  item_node *og = item_add_child(&elsewhere, "Granite", "GR", 1, 0, nullptr);
  EXPECT_EQ(sym_bind_items(project_, &elsewhere), 1);
  EXPECT_EQ(other->owner, og);
  EXPECT_EQ(g->owner, granite2_);
  sym_detach(project_, other);
  EXPECT_FALSE(og->flags & ITEM_SYMBOL);
  item_root_empty(&elsewhere);
}

TEST_F(SymSetup, OwnersAreFoundByEachKindOfKey) {
  col_attr_rec *dip = rule("DIP"), *dip2 = rule("DIP", "OUTCR");
  sym_rec *c1 = setup(SYM_OWNER_COLUMN, dip), *c2 = setup(SYM_OWNER_COLUMN, dip2);
  sym_rec *it = item_setup("Granite");
  sym_rec *byname = setup(SYM_OWNER_COLUMN, nullptr);
  sym_set_text(&byname->column_name, "STRIKE");
  sym_set_text(&byname->table_name, "STATN");
  sym_set_text(&byname->symbol, "ARROW");
  for (sym_rec *s : {byname, it, c2, c1}) sym_attach(project_, s);
  sym_rec *list = project_->symbols;
  struct Case {
    int kind;
    const char *a, *b, *c;
    int index;
    sym_rec *want;
  } cases[] = {
      {SYM_FIND_ITEM, "GRANITE", nullptr, nullptr, 0, it},
      {SYM_FIND_COLUMN, "DIP", "OUTCR", nullptr, 0, c2},
      {SYM_FIND_COLUMN, "dip", "", nullptr, 0, c1},
      {SYM_FIND_COLUMN, "STRIKE", "STATN", nullptr, 0, byname},
      {SYM_FIND_COLUMN_NTH, "DIP", "", nullptr, 1, c2},
      {SYM_FIND_COLUMN_NTH, "DIP", "", nullptr, 2, nullptr},
      {SYM_FIND_SYMBOL, "ARROW", "pvstruct", nullptr, 0, byname},
      {SYM_FIND_PROFILE, "ROCKD", "STRAT", "Granite", 0, it},
      {SYM_FIND_PROFILE, "ROCKD", "OTHER", "Granite", 0, nullptr},
      {9, "DIP", "", nullptr, 0, nullptr},
  };
  for (const Case &c : cases)
    EXPECT_EQ(sym_find_by_owner(list, c.kind, c.a, c.b, c.c, c.index), c.want) << c.kind << " " << c.a;
}

TEST_F(SymSetup, LibrarySlotsAreFoundWithoutRegardToCase) {
  shape_store_init();
  static const char src[] = "*1,5,DOT\n1,8,(1,1),0\n";
  FILE *fp = fmemopen((void *)src, sizeof src - 1, "r");
  ASSERT_GT(shape_font_load_stream("DOTS", fp), 0);
  fclose(fp);
  EXPECT_EQ(symlib_slot("dots"), (int)shape_lib_slot("DOTS"));
  EXPECT_EQ(symlib_slot("NONE"), -1);
  EXPECT_EQ(symlib_slot("  "), -2);
  shape_store_free();
}

}  // namespace
