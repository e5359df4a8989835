/*
** row_place_test.cpp: a row turned into placements and its points
** carried to and from the map, on rows, rules, symbol setups and item
** trees built by hand in a project that exists only in memory, inside the
** stand-in editor.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/col_attr.h"
#include "core/item_tree.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "map/row_place.h"
#include "platform/editor_fixture.h"

namespace {

/* The connection handle the project and its rows carry. */
int g_connection_tag;
void *const kConnection = &g_connection_tag;

class RowPlacements : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    project_ = (pjct_rec *)calloc(1, sizeof(pjct_rec));
    snprintf(project_->name, sizeof project_->name, "GEO");
    project_->connection = kConnection;
    project_->next = g_pjct_list;
    g_pjct_list = project_;
    table_ = tbl_rec_new();
    snprintf(table_->name, sizeof table_->name, "ST");
    table_->table_type = TBL_DEF_STATION;
    table_->next = project_->tables;
    project_->tables = table_;
    map_params_init(&g_map_params);
    prj_init(&user_);
    snprintf(user_.name, sizeof user_.name, "USER                 ");
    user_.type = PRJ_TYPE_USER;
    prj_init(&geographic_);
    snprintf(geographic_.name, sizeof geographic_.name, "GEOGRAPHIC Nowhere   ");
    geographic_.type = PRJ_TYPE_GEOGRAPHIC;
  }

  void TearDown() override {
    for (sql_col_rec *c = row_; c; c = c->next) c->attr = nullptr;
    sql_col_list_free(&row_);
    for (col_attr_rec *r : rules_) col_attr_free(r);
    for (item_node *t : trees_) item_free_tree(t);
    pnt_list_free(&project_->points);
    sym_list_free(&project_->symbols);
    g_pjct_list = project_->next;
    tbl_list_free(project_->tables);
    free(project_);
    map_params_init(&g_map_params);
  }

  /* Appends a column with a text and a rule with the given flags to the
  ** row; the registered table gets a column of that name too. */
  sql_col_rec *col(const char *name, const char *text, int type = SQL_TYPE_CHAR, unsigned flags = COL_ATTR_PLOT,
                   int length = 20, int decimals = 0) {
    sql_col_rec *c = sql_col_new(name, "ST", type, length, decimals);
    snprintf(c->text, (size_t)sql_col_text_size(c), "%s", text);
    c->connection = kConnection;
    col_attr_rec *r = col_attr_new();
    snprintf(r->column, sizeof r->column, "%s", name);
    snprintf(r->table, sizeof r->table, "ST");
    r->flags = (uint16_t)flags;
    rules_.push_back(r);
    c->attr = r;
    sql_col_rec **tail = &row_;
    while (*tail) tail = &(*tail)->next;
    *tail = c;
    return c;
  }

  /* The STATN-like start of every row: BASENUMBER 7 and STN "S7", the
  ** table's unique and own key columns. */
  void keys(unsigned flags = COL_ATTR_PLOT) {
    table_->keys[TBL_KEY_BASENUMBER] = col("BASENUMBER", "7", SQL_TYPE_NUMERIC, flags);
    table_->keys[TBL_KEY_STATION] = col("STN", "S7", SQL_TYPE_CHAR, flags);
  }

  /* A symbol setup of the project owned by a column (its rule refers to
  ** it) or, without a column, by nobody. */
  sym_rec *setup(sql_col_rec *c, int flags) {
    sym_rec *s = sym_new();
    s->flags = flags;
    s->owner_kind = c ? SYM_OWNER_COLUMN : SYM_OWNER_NONE;
    s->owner = c ? c->attr : nullptr;
    if (c) c->attr->symbol = s;
    s->next = project_->symbols;
    project_->symbols = s;
    return s;
  }
  /* Names association `which` of a setup after a column. */
  static void assoc(sym_rec *s, int which, const char *column) { sym_set_text(&s->assoc_name[which], column); }

  /* A heap item tree of the rule: the root, then (name, parent index) pairs
  ** in order, parents first (-1 is the root). */
  item_node *tree(col_attr_rec *rule, std::vector<std::pair<const char *, int>> items) {
    item_node *root = item_node_new("PRF", "DIC", 0, 0, nullptr);
    item_root_init(root, "PRF", "DIC");
    std::vector<item_node *> made;
    for (auto &it : items)
      made.push_back(item_add_child(it.second < 0 ? root : made[(size_t)it.second], it.first, nullptr,
                                    (uint16_t)(made.size() + 1), 0, nullptr));
    rule->tree = root;
    trees_.push_back(root);
    return root;
  }
  /* An item setup of the project attached to a node. */
  sym_rec *item_setup(item_node *node, int flags, const char *symbol = nullptr) {
    sym_rec *s = setup(nullptr, flags);
    s->owner_kind = SYM_OWNER_ITEM;
    s->owner = node;
    if (symbol) sym_set_text(&s->symbol, symbol);
    node->symbol = s;
    return s;
  }

  /* Builds the placements of the row; the slots are kept in sym_ and txt_. */
  int build(int mode) {
    sym_place_rec *a = nullptr, *b = nullptr;
    int na = 0, nb = 0;
    EXPECT_EQ(row_alloc_placements(row_, &a, &na, &b, &nb), 0);
    int rc = row_build_placements(row_, a, &na, b, &nb, mode);
    sym_.assign(a, a + na);
    txt_.assign(b, b + nb);
    free(a);
    free(b);
    return rc;
  }
  /* The texts placed, as "column=name" joined by blanks. */
  std::string texts() const {
    std::string out;
    for (auto &t : txt_) out += std::string(out.empty() ? "" : " ") + t.own_col->name + "=" + (t.name ? t.name : "");
    return out;
  }
  /* 1 when some setup of the project still carries a visited mark. */
  bool any_mark() const {
    for (sym_rec *s = project_->symbols; s; s = s->next)
      if (s->flags & ROW_ROLE_MARKS) return true;
    return false;
  }

  /* A point setup of X, Y (and Z) columns in a coordinate system. */
  pnt_rec *point_setup(sql_col_rec *x, sql_col_rec *y, sql_col_rec *z, prj_rec *system, sql_col_rec *sym = nullptr) {
    pnt_rec *p = pnt_new();
    p->x_col = x, p->y_col = y, p->z_col = z, p->projection = system, p->sym_col = sym;
    pnt_attach(project_, p);
    return p;
  }

  pjct_rec *project_ = nullptr;
  tbl_rec *table_ = nullptr;
  sql_col_rec *row_ = nullptr;
  std::vector<col_attr_rec *> rules_;
  std::vector<item_node *> trees_;
  std::vector<sym_place_rec> sym_, txt_;
  prj_rec user_, geographic_;
};

TEST_F(RowPlacements, AColumnWithoutSetupShowsItsValueAndABlankOneIsLeftOut) {
  keys();
  col("NAME", "Cache Creek");
  col("NOTE", "   ");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_TRUE(sym_.empty());
  EXPECT_EQ(texts(), "BASENUMBER=7 STN=S7 NAME=Cache Creek");
  EXPECT_EQ(txt_[2].size, g_map_params.text_height) << "a text starts at the map's text height";
  EXPECT_EQ(txt_[2].owner, -1);
  EXPECT_STREQ(txt_[2].link.key_column, "NAME") << "each text is linked to the row for its column";
  EXPECT_EQ(txt_[2].link.row_id, 7);
  EXPECT_STREQ(txt_[2].link.key_value, "S7");
}

TEST_F(RowPlacements, ModeZeroPlacesPlottedColumnsAndModeOneAllButBasenumberAndNeverTheOtherAxes) {
  keys(0);
  col("NAME", "Hat Creek", SQL_TYPE_CHAR, 0);
  col("ROCK", "Chert", SQL_TYPE_CHAR, COL_ATTR_PLOT);
  sql_col_rec *x = col("EAST", "10", SQL_TYPE_NUMERIC, COL_ATTR_PLOT);
  sql_col_rec *y = col("NORTH", "20", SQL_TYPE_NUMERIC, COL_ATTR_PLOT);
  sql_col_rec *z = col("ELEV", "30", SQL_TYPE_NUMERIC, COL_ATTR_PLOT);
  point_setup(x, y, z, &user_);
  sym_rec *ys = setup(y, SYM_TEXT);
  sym_set_text(&ys->symbol, "NORTH");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(texts(), "ROCK=Chert") << "the X column without setup draws no value; Y and Z are never placed";
  ASSERT_EQ(build(ROW_PLACE_ALL), 0);
  EXPECT_EQ(texts(), "STN=S7 NAME=Hat Creek ROCK=Chert");
  EXPECT_EQ(row_build_placements(row_, nullptr, nullptr, nullptr, nullptr, 0), -2);
  for (sql_col_rec *c = row_; c; c = c->next) c->connection = nullptr;
  sym_place_rec a[8], b[8];
  int na = 8, nb = 8;
  EXPECT_EQ(row_build_placements(row_, a, &na, b, &nb, 1), -1) << "no logged-on project owns the row";
}

TEST_F(RowPlacements, SlotsBeyondTheCapacityAreNotWritten) {
  keys();
  col("NAME", "A");
  sym_place_rec b[2];
  sym_place_init(&b[0]);
  sym_place_init(&b[1]);
  sym_place_rec a[1];
  int na = 1, nb = 1;
  ASSERT_EQ(row_build_placements(row_, a, &na, b, &nb, ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(nb, 1);
  EXPECT_EQ(b[1].name, nullptr);
}

/* One role given by the column's own setup and one by an association. */
struct RoleCase {
  int role;
  void (*give)(sym_rec *);                        /* makes a setup give the role */
};

TEST_F(RowPlacements, EachRoleComesFromTheColumnsSetupOrAlongItsAssociation) {
  const RoleCase cases[] = {
      {ROW_ROLE_SYMBOL, [](sym_rec *s) { s->flags |= SYM_TEXT; sym_set_text(&s->symbol, "X"); }},
      {ROW_ROLE_LAYER, [](sym_rec *s) { strcpy(s->layer, "GEOL"); }},
      {ROW_ROLE_ANGLE, [](sym_rec *s) { s->angle = 30; }},
      {ROW_ROLE_FONT, [](sym_rec *s) { sym_set_text(&s->library, "ROMANS"); }},
      {ROW_ROLE_COLOUR, [](sym_rec *s) { s->colour = 3; }},
      {ROW_ROLE_SCALE, [](sym_rec *s) { s->scale = 2; }},
      {ROW_ROLE_ANGLE_OFFSET, [](sym_rec *s) { s->angle_offset = 5; }},
      {ROW_ROLE_FILL, [](sym_rec *s) { s->flags |= SYM_SOLID; }},
      {ROW_ROLE_LINE_WIDTH, [](sym_rec *s) { s->line_width = 0.5; }},
  };
  const int assoc_of[] = {SYM_ASSOC_SYMBOL, SYM_ASSOC_LAYER, SYM_ASSOC_ANGLE, SYM_ASSOC_FONT, SYM_ASSOC_COLOUR,
                          SYM_ASSOC_SCALE, SYM_ASSOC_ANGLE_OFFSET, SYM_ASSOC_PATTERN, SYM_ASSOC_LINE_WIDTH};
  keys();
  sql_col_rec *a = col("A", "a");
  sql_col_rec *b = col("B", "b");
  sym_rec *own = setup(a, 0);
  sym_rec *other = setup(b, 0);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
    const RoleCase &c = cases[i];
    sym_rec blank;
    sym_rec_init(&blank);
    EXPECT_EQ(row_resolve_role(row_, a, c.role), nullptr) << "a setup without the property gives nothing: " << c.role;
    row_clear_marks(project_);
    c.give(other);
    assoc(own, assoc_of[i], "B");
    EXPECT_EQ(row_resolve_role(row_, a, c.role), other) << "followed through the association: " << c.role;
    EXPECT_TRUE(other->flags & c.role) << "the setup visited keeps the mark";
    row_clear_marks(project_);
    c.give(own);
    EXPECT_EQ(row_resolve_role(row_, a, c.role), own) << "the column's own setup comes first: " << c.role;
    row_clear_marks(project_);
    EXPECT_FALSE(any_mark());
    /* Back to blank setups for the next role. */
    for (sym_rec *s : {own, other}) {
      s->flags = 0, s->layer[0] = 0, s->angle = 0, s->colour = 0, s->scale = 0, s->angle_offset = 0;
      s->line_width = 0;
      sym_set_text(&s->symbol, nullptr);
      sym_set_text(&s->library, nullptr);
      sym_set_text(&s->assoc_name[assoc_of[i]], nullptr);
    }
  }
  /* Offsets have no association; position only from the starting setup. */
  own->x_offset = 1;
  EXPECT_EQ(row_resolve_role(row_, a, ROW_ROLE_OFFSETS), own);
  other->position = 2;
  assoc(own, SYM_ASSOC_POSITION, "B");
  EXPECT_EQ(row_resolve_role(row_, a, ROW_ROLE_POSITION), nullptr) << "a position along the chain does not count";
  row_clear_marks(project_);
  own->position = 1;
  EXPECT_EQ(row_resolve_role(row_, a, ROW_ROLE_POSITION), own);
  EXPECT_EQ(row_resolve_role(row_, a, 8), nullptr) << "not a role";
  row_clear_marks(project_);
}

TEST_F(RowPlacements, AssociationColumnsGiveTextsFromCharacterColumnsAndNumbersFromOthers) {
  keys();
  sql_col_rec *a = col("A", "a");
  col("LAYC", "GEOL");
  col("LAYN", "12", SQL_TYPE_NUMERIC);
  col("CLRN", "5", SQL_TYPE_NUMERIC);
  col("CLRC", "6");
  col("SCLN", "3", SQL_TYPE_NUMERIC);
  col("ANGN", "45", SQL_TYPE_NUMERIC);
  col("FNTC", "ROMANS");
  col("PATC", "ANSI37");
  col("LWDC", "0.25");
  col("LWDN", "0.5", SQL_TYPE_NUMERIC);
  struct {
    int which;
    const char *column;
    std::string want;
  } cases[] = {
      {SYM_ASSOC_LAYER, "LAYC", "layer GEOL"},   {SYM_ASSOC_LAYER, "LAYN", "layer -"},
      {SYM_ASSOC_COLOUR, "CLRN", "colour 5"},    {SYM_ASSOC_COLOUR, "CLRC", "colour -1"},
      {SYM_ASSOC_SCALE, "SCLN", "size 3"},       {SYM_ASSOC_ANGLE, "ANGN", "angle 45 from ANGN"},
      {SYM_ASSOC_FONT, "FNTC", "font ROMANS"},   {SYM_ASSOC_PATTERN, "PATC", "pattern ANSI37"},
      {SYM_ASSOC_LINE_WIDTH, "LWDC", "width 0.25"}, {SYM_ASSOC_LINE_WIDTH, "LWDN", "width 0"},
  };
  sym_rec *own = setup(a, 0);
  for (auto &c : cases) {
    for (int i = 0; i < SYM_ASSOC_COUNT; i++) sym_set_text(&own->assoc_name[i], nullptr);
    assoc(own, c.which, c.column);
    ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
    const sym_place_rec *t = nullptr;
    for (auto &s : txt_)
      if (strcmp(s.own_col->name, "A") == 0) t = &s;
    ASSERT_NE(t, nullptr) << c.column;
    std::string got;
    switch (c.which) {
      case SYM_ASSOC_LAYER: got = std::string("layer ") + (t->layer ? t->layer : "-"); break;
      case SYM_ASSOC_COLOUR: got = "colour " + std::to_string(t->colour); break;
      case SYM_ASSOC_SCALE: got = "size " + std::to_string((int)t->size); break;
      case SYM_ASSOC_ANGLE:
        got = "angle " + std::to_string((int)t->angle) + " from " + (t->angle_col ? t->angle_col->name : "-");
        break;
      case SYM_ASSOC_FONT: got = std::string("font ") + (t->font ? t->font : "-"); break;
      case SYM_ASSOC_PATTERN: got = std::string("pattern ") + (t->pattern ? t->pattern : "-"); break;
      case SYM_ASSOC_LINE_WIDTH: {
        char w[32];
        snprintf(w, sizeof w, "width %g", t->line_width);
        got = w;
        break;
      }
    }
    EXPECT_EQ(got, c.want) << c.column;
  }
}

TEST_F(RowPlacements, ATextSetupGivesItsFontAndASolidFillSetsTheFillSwitch) {
  keys();
  sql_col_rec *a = col("A", "a");
  sql_col_rec *b = col("B", "b");
  sym_rec *own = setup(a, SYM_TEXT);
  sym_set_text(&own->symbol, "LABEL");
  sym_set_text(&own->library, "ROMANS");
  sym_rec *fill = setup(b, SYM_SOLID);
  assoc(own, SYM_ASSOC_PATTERN, "B");
  sym_rec *hatch = setup(nullptr, SYM_FILL | SYM_SYMBOL);
  sym_set_text(&hatch->pattern, "ANSI31");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  ASSERT_EQ(txt_.size(), 4u) << "B, without a symbol of its own, shows its value";
  const sym_place_rec &t = txt_[2];
  EXPECT_STREQ(t.name, "LABEL");
  EXPECT_STREQ(t.font, "ROMANS") << "a text setup's font (its library name) is the placement's font";
  EXPECT_EQ(t.fill, 1) << "a solid fill found through the pattern association switches the fill on";
  EXPECT_EQ(t.pattern, nullptr);
  EXPECT_EQ(sym_has_role(hatch, ROW_ROLE_FILL), 1) << "a fill with a pattern gives the fill role";
  EXPECT_EQ(sym_has_role(hatch, ROW_ROLE_FONT), 0) << "a symbol's library is no text font";
  EXPECT_EQ(sym_has_role(fill, ROW_ROLE_FILL), 1);
  EXPECT_FALSE(any_mark());
}

TEST_F(RowPlacements, ASymbolSetupGivesAnAnchorWithItsLibraryFormAndTheMapsScale) {
  keys();
  sql_col_rec *a = col("DIP", "30", SQL_TYPE_NUMERIC);
  sym_rec *s = setup(a, SYM_SYMBOL);
  sym_set_text(&s->symbol, "STRIKE");
  sym_set_text(&s->library, "PVSTRUCT");
  s->shape_number = 4;
  s->form = 7;
  g_map_params.scale = 2.5;
  g_map_params.angle_base = 90;
  g_map_params.angle_dir = 1;
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  ASSERT_EQ(sym_.size(), 1u);
  EXPECT_STREQ(sym_[0].name, "STRIKE");
  EXPECT_STREQ(sym_[0].font, "PVSTRUCT");
  EXPECT_EQ(sym_[0].mode, SYM_MODE_SHAPE) << "a form outside -1..2 becomes a shape";
  EXPECT_EQ(sym_[0].size, 2.5);
  EXPECT_EQ(sym_[0].ask_rotation, 1) << "a symbol without angle asks for it";
  EXPECT_EQ(sym_[0].angle_base, 90);
  EXPECT_EQ(sym_[0].angle_dir, 1);
  EXPECT_STREQ(sym_[0].link.key_column, "DIP");
}

TEST_F(RowPlacements, AnItemSymbolIsFoundByClimbingToAParent) {
  keys();
  sql_col_rec *rock = col("ROCK", "Granite ");
  item_node *root = tree(rock->attr, {{"Igneous", -1}, {"Granite", 0}});
  item_node *igneous = item_find(root, "Igneous");
  sym_rec *s = item_setup(igneous, SYM_TEXT, "IGN");
  strcpy(s->layer, "IGNEOUS");
  EXPECT_EQ(row_resolve_role(row_, rock, ROW_ROLE_SYMBOL), s);
  EXPECT_EQ(row_resolve_role(row_, rock, ROW_ROLE_LAYER), s);
  EXPECT_EQ(row_resolve_role(row_, rock, ROW_ROLE_COLOUR), nullptr);
  EXPECT_EQ(row_resolve_role(row_, rock, ROW_ROLE_SYMBOL), nullptr) << "an item record already marked ends the search";
  row_clear_marks(project_);
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(texts(), "BASENUMBER=7 STN=S7 ROCK=IGN");
  EXPECT_STREQ(txt_[2].layer, "IGNEOUS");
  EXPECT_FALSE(any_mark());
  EXPECT_EQ(item_resolve_role("Nothing", root, 0, ROW_ROLE_SYMBOL), nullptr);
}

TEST_F(RowPlacements, AnItemRecordsAssociationLeadsToTheNextItem) {
  keys();
  sql_col_rec *rock = col("ROCK", "Granite");
  item_node *root = tree(rock->attr, {{"Granite", -1}, {"Colours", -1}});
  sym_rec *g = item_setup(item_find(root, "Granite"), SYM_TEXT, "GR");
  sym_rec *c = item_setup(item_find(root, "Colours"), 0);
  c->colour = 4;
  g->assoc[SYM_ASSOC_COLOUR] = item_find(root, "Colours");
  EXPECT_EQ(row_resolve_role(row_, rock, ROW_ROLE_COLOUR), c);
  row_clear_marks(project_);
}

TEST_F(RowPlacements, AManySelectValueComposesOneSymbolOfItsItemsSymbols) {
  keys();
  sql_col_rec *rock = col("ROCK", "GRAN,BAS", SQL_TYPE_CHAR, COL_ATTR_PLOT | COL_ATTR_MANY);
  rock->attr->delimiter = ',';
  item_node *root = tree(rock->attr, {{"GRAN", -1}, {"BAS", -1}, {"PLAIN", -1}});
  item_setup(item_find(root, "GRAN"), SYM_TEXT, "S1");
  item_setup(item_find(root, "BAS"), SYM_TEXT, "S2");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(texts(), "BASENUMBER=7 STN=S7 ROCK=S1,S2");
  EXPECT_FALSE(any_mark());
  sym_rec *s = item_compose_symbol("BAS, NONE ,PLAIN", root, ',');
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s->symbol, "S2,PLAIN") << "unknown parts are left out, an item without symbol gives its name";
  EXPECT_EQ(s->flags, SYM_TEXT);
  row_clear_marks(project_);
  EXPECT_EQ(item_compose_symbol("NONE", root, ','), nullptr);
  EXPECT_EQ(item_compose_symbol("GRAN", root, 127), nullptr);
  EXPECT_EQ(item_compose_symbol("GRAN", root, 31), nullptr);
}

TEST_F(RowPlacements, TwoComposedColumnsOfOneRowKeepTheirOwnNames) {
  keys();
  sql_col_rec *a = col("ROCK", "GRAN,BAS", SQL_TYPE_CHAR, COL_ATTR_PLOT | COL_ATTR_MANY);
  sql_col_rec *b = col("ROCK2", "BAS,GRAN", SQL_TYPE_CHAR, COL_ATTR_PLOT | COL_ATTR_MANY);
  a->attr->delimiter = b->attr->delimiter = ',';
  item_node *root = tree(a->attr, {{"GRAN", -1}, {"BAS", -1}});
  b->attr->tree = root;
  item_setup(item_find(root, "GRAN"), SYM_TEXT, "S1");
  item_setup(item_find(root, "BAS"), SYM_TEXT, "S2");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(texts(), "BASENUMBER=7 STN=S7 ROCK=S1,S2 ROCK2=S2,S1");
}

TEST_F(RowPlacements, ACycleOfAssociationColumnsEndsAndNoSetupKeepsAMark) {
  keys();
  sql_col_rec *a = col("A", "a");
  sql_col_rec *b = col("B", "b");
  sql_col_rec *c = col("C", "c");
  sym_rec *sa = setup(a, 0), *sb = setup(b, 0), *sc = setup(c, 0);
  for (int w = 0; w < SYM_ASSOC_COUNT; w++) {
    assoc(sa, w, "B");
    assoc(sb, w, "C");
    assoc(sc, w, "A");
  }
  EXPECT_EQ(row_resolve_role(row_, a, ROW_ROLE_LAYER), nullptr);
  EXPECT_TRUE(sa->flags & ROW_ROLE_LAYER);
  EXPECT_TRUE(sc->flags & ROW_ROLE_LAYER);
  row_clear_marks(project_);
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(texts(), "BASENUMBER=7 STN=S7 A=a B=b C=c");
  EXPECT_FALSE(any_mark());
}

TEST_F(RowPlacements, ABlankValueEndsTheSearchUnlessTheColumnIsAPointColumn) {
  keys();
  sql_col_rec *a = col("A", "");
  sym_rec *s = setup(a, 0);
  strcpy(s->layer, "L");
  EXPECT_EQ(row_resolve_role(row_, a, ROW_ROLE_LAYER), nullptr);
  sql_col_rec *x = col("X", "", SQL_TYPE_NUMERIC);
  sql_col_rec *y = col("Y", "", SQL_TYPE_NUMERIC);
  point_setup(x, y, nullptr, &user_);
  sym_rec *xs = setup(x, 0);
  strcpy(xs->layer, "L");
  EXPECT_EQ(row_resolve_role(row_, x, ROW_ROLE_LAYER), xs);
  row_clear_marks(project_);
}

TEST_F(RowPlacements, TextsAreGroupedBehindTheirAnchorsWithOwnerIndexes) {
  keys(0);
  sql_col_rec *d1 = col("D1", "10", SQL_TYPE_NUMERIC);
  sql_col_rec *d2 = col("D2", "20", SQL_TYPE_NUMERIC);
  sql_col_rec *t1 = col("T1", "x");
  sql_col_rec *t2 = col("T2", "y");
  sql_col_rec *t3 = col("T3", "z");
  for (sql_col_rec *d : {d1, d2}) {
    sym_rec *s = setup(d, SYM_SYMBOL);
    sym_set_text(&s->symbol, "SYM");
    sym_set_text(&s->library, "LIB");
    s->shape_number = 1;
    s->angle = 10;
  }
  /* T1 and T3 are shown with D2, T2 with D1, through their positions. */
  for (auto [t, shows] : {std::pair{t1, "D2"}, std::pair{t2, "D1"}, std::pair{t3, "D2"}}) {
    sym_rec *s = setup(t, SYM_TEXT);
    sym_set_text(&s->symbol, t->name);
    s->position = 1;
    assoc(s, SYM_ASSOC_POSITION, shows);
  }
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  ASSERT_EQ(sym_.size(), 2u);
  ASSERT_EQ(txt_.size(), 3u);
  std::string order;
  for (auto &t : txt_) order += std::string(t.name) + ":" + std::to_string(t.owner) + " ";
  EXPECT_EQ(order, "T2:0 T1:1 T3:1 ") << "the first anchor's texts first, each owned by its anchor";
  EXPECT_STREQ(txt_[0].source_col->name, "D1");
}

TEST_F(RowPlacements, AnAnchorThatAsksForItsAngleOwnsNoTexts) {
  keys(0);
  sql_col_rec *d = col("D", "10", SQL_TYPE_NUMERIC);
  sql_col_rec *t = col("T", "x");
  sym_rec *s = setup(d, SYM_SYMBOL);
  sym_set_text(&s->symbol, "SYM");
  sym_set_text(&s->library, "LIB");
  s->shape_number = 1;
  sym_rec *ts = setup(t, SYM_TEXT);
  sym_set_text(&ts->symbol, "T");
  ts->position = 2;
  assoc(ts, SYM_ASSOC_POSITION, "D");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  ASSERT_EQ(txt_.size(), 1u);
  EXPECT_EQ(txt_[0].owner, -1);
}

/* ---- Coordinates ---- */

TEST_F(RowPlacements, PointColumnsAndTheirAxes) {
  keys();
  sql_col_rec *x = col("X", "1", SQL_TYPE_NUMERIC);
  sql_col_rec *y = col("Y", "2", SQL_TYPE_NUMERIC);
  sql_col_rec *z = col("Z", "3", SQL_TYPE_NUMERIC);
  sql_col_rec *n = col("N", "4", SQL_TYPE_NUMERIC);
  point_setup(x, y, z, &user_);
  EXPECT_EQ(col_point_axis(x), 0);
  EXPECT_EQ(col_point_axis(y), 1);
  EXPECT_EQ(col_point_axis(z), 2);
  EXPECT_EQ(col_point_axis(n), -1);
  EXPECT_EQ(col_point_axis(nullptr), -1);
  pnt_rec lost;
  pnt_rec_init(&lost);
  sql_col_rec *absent = sql_col_new("W", "ST", SQL_TYPE_NUMERIC, 10, 0);
  lost.x_col = x, lost.y_col = absent;
  geo_point p;
  EXPECT_EQ(row_get_point(&p, &lost, row_), -1) << "a column of the setup missing from the row";
  EXPECT_EQ(row_put_point(&p, &lost, row_), -1);
  EXPECT_EQ(row_get_point(nullptr, &lost, row_), -2);
  sql_col_list_free(&absent);
}

TEST_F(RowPlacements, PointsGoToTheMapAndBackInTheColumnsFormat) {
  keys();
  sql_col_rec *x = col("X", "100.5", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 3);
  sql_col_rec *y = col("Y", "200.25", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 3);
  sql_col_rec *z = col("Z", "7", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 1);
  sql_col_rec *name = col("NAME", "Bonaparte");
  point_setup(x, y, z, &user_, name);
  sym_rec *xs = setup(x, SYM_TEXT);
  sym_set_text(&xs->symbol, "X");
  ASSERT_EQ(build(ROW_PLACE_PLOTTED), 0);
  EXPECT_EQ(place_points_to_map(txt_.data(), (int)txt_.size(), row_), -2) << "the map has no projection";
  g_map_params.projection = &user_;
  ASSERT_EQ(place_points_to_map(txt_.data(), (int)txt_.size(), row_), 0);
  for (auto &t : txt_) {
    std::string c = t.own_col->name;
    bool placed = c == "X" || c == "NAME";
    EXPECT_EQ(t.ins.x, placed ? 100.5 : 0.0) << c;
    EXPECT_EQ(t.ins.y, placed ? 200.25 : 0.0) << c;
    EXPECT_EQ(t.ins.z, placed ? 7.0 : 0.0) << c;
  }
  /* NAME's text is drawn and moved; its position comes back into X, Y, Z. */
  sym_place_rec *drawn = nullptr;
  for (auto &t : txt_)
    if (strcmp(t.own_col->name, "NAME") == 0) drawn = &t;
  ASSERT_NE(drawn, nullptr);
  drawn->ins = {1234.56789, 50, 2, 0};
  drawn->link = {};
  ASSERT_EQ(sym_place_text(drawn), 0);
  ads_entlast(drawn->ename);
  char messages[ROW_MSG_SIZE] = "";
  ASSERT_EQ(place_points_from_symbols(txt_.data(), (int)txt_.size(), messages, row_), 0);
  EXPECT_STREQ(x->text, "1234.568");
  EXPECT_STREQ(y->text, "50.000");
  EXPECT_STREQ(z->text, "2.0");
  EXPECT_STREQ(messages, "");
}

TEST_F(RowPlacements, AFailedReadBackErasesTheEntityAndTheWalkGoesOnToTheLastSlot) {
  keys();
  sql_col_rec *x1 = col("X1", "1", SQL_TYPE_NUMERIC);
  sql_col_rec *y1 = col("Y1", "1", SQL_TYPE_NUMERIC);
  sql_col_rec *x2 = col("X2", "2", SQL_TYPE_NUMERIC);
  sql_col_rec *y2 = col("Y2", "2", SQL_TYPE_NUMERIC);
  point_setup(x1, y1, nullptr, &geographic_);
  point_setup(x2, y2, nullptr, &user_);
  g_map_params.projection = &user_;
  sym_place_rec slots[2];
  for (int i = 0; i < 2; i++) {
    sym_place_init(&slots[i]);
    slots[i].name = "P";
    slots[i].own_col = i == 0 ? x1 : x2;
    slots[i].ins = {10.0 * (i + 1), 20.0 * (i + 1), 0, 0};
    ASSERT_EQ(sym_place_text(&slots[i]), 0);
    ads_entlast(slots[i].ename);
  }
  char messages[ROW_MSG_SIZE] = "";
  ASSERT_EQ(place_points_from_map(slots, 2, messages, row_), 0);
  EXPECT_STREQ(messages, "\nCould not transform X1 from USER to GEOGRAPHIC Nowhere");
  EXPECT_TRUE(ename_isnull(slots[0].ename)) << "the entity that could not be read back is erased";
  EXPECT_EQ(host_model_entity_count(), 1);
  EXPECT_EQ(atof(x2->text), 20.0) << "the last slot is read back after the failure";
  EXPECT_EQ(atof(y2->text), 40.0);
  EXPECT_EQ(atof(x1->text), 1.0);
}

TEST_F(RowPlacements, AnglesOfAnchorsAreStoredInTheirColumnsFormat) {
  keys();
  sql_col_rec *dip = col("DIPDIR", "0", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 6, 1);
  sym_place_rec a;
  sym_place_init(&a);
  a.angle = 123.456;
  a.angle_col = dip;
  ASSERT_EQ(place_store_angles(&a, 1, row_), 0);
  EXPECT_STREQ(dip->text, "123.5");
  EXPECT_EQ(place_store_angles(nullptr, 1, row_), -2);
}

TEST_F(RowPlacements, AMissingPointIsAskedForAndASecondSetupReusesIt) {
  keys();
  sql_col_rec *x = col("EASTING", "0", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 2);
  sql_col_rec *y = col("NORTHING", "0", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 2);
  sql_col_rec *z = col("ELEV", "9", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 2);
  sql_col_rec *x2 = col("GX", "5", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 2);
  sql_col_rec *y2 = col("GY", "6", SQL_TYPE_NUMERIC, COL_ATTR_PLOT, 12, 2);
  point_setup(x, y, z, &user_);
  point_setup(x2, y2, nullptr, &user_);
  g_map_params.projection = &user_;
  sysvar_set_number("BLIPMODE", 0);
  host_io_use_script_text("12.5,30.25\n");
  char messages[ROW_MSG_SIZE] = "";
  ASSERT_EQ(row_ask_points(row_, messages), 0);
  EXPECT_NE(host_io_transcript().find("\nSelect point for EASTING\n"), std::string::npos) << host_io_transcript();
  EXPECT_EQ(host_io_transcript().find("Select point for GX"), std::string::npos) << "the picked point is reused";
  EXPECT_STREQ(x->text, "12.50");
  EXPECT_STREQ(y->text, "30.25");
  EXPECT_STREQ(z->text, "9.00") << "the stored Z replaces the picked one";
  EXPECT_STREQ(x2->text, "12.50");
  EXPECT_STREQ(y2->text, "30.25");
  EXPECT_EQ(sysvar_get_number("BLIPMODE"), 0.0) << "BLIPMODE is restored";
}

TEST_F(RowPlacements, ARefusedPointLeavesTheColumnsAndBlipmodeIsRestored) {
  keys();
  sql_col_rec *x = col("EASTING", "0", SQL_TYPE_NUMERIC);
  sql_col_rec *y = col("NORTHING", "0", SQL_TYPE_NUMERIC);
  point_setup(x, y, nullptr, &user_);
  g_map_params.projection = &user_;
  sysvar_set_number("BLIPMODE", 0);
  host_io_use_script_text("*cancel*\n");
  char messages[ROW_MSG_SIZE] = "";
  EXPECT_EQ(row_ask_points(row_, messages), 0);
  EXPECT_STREQ(x->text, "0");
  EXPECT_STREQ(y->text, "0");
  EXPECT_EQ(sysvar_get_number("BLIPMODE"), 0.0);
  /* A point that cannot be converted is reported, BLIPMODE again restored. */
  g_map_params.projection = &geographic_;
  host_io_use_script_text("1,2\n");
  EXPECT_EQ(row_ask_points(row_, messages), -1);
  EXPECT_STREQ(messages, "\nCould not transform EASTING from GEOGRAPHIC Nowhere to USER");
  EXPECT_STREQ(x->text, "0");
  EXPECT_EQ(sysvar_get_number("BLIPMODE"), 0.0);
  EXPECT_EQ(row_ask_points(nullptr, messages), -2);
}

TEST_F(RowPlacements, CollectedMessagesNeverOverflowAndALineThatDoesNotFitIsLeftOutWhole) {
  char text[ROW_MSG_SIZE + 16];
  memset(text, 'Z', sizeof text);
  text[0] = 0;
  std::string line = "\nCould not transform EASTING from UTM 10 NAD27 to GEOGRAPHIC Clarke 1866";
  int appended = 0;
  while (row_msg_append(text, line.c_str()) == 0) appended++;
  EXPECT_EQ(appended, (int)((ROW_MSG_SIZE - 1) / line.size()));
  EXPECT_EQ(strlen(text), appended * line.size()) << "only whole lines";
  EXPECT_EQ(text[ROW_MSG_SIZE], 'Z') << "nothing written past the collected text";
  size_t room = ROW_MSG_SIZE - 1 - strlen(text);
  std::string fits(room, 'x');
  EXPECT_EQ(row_msg_append(text, fits.c_str()), 0) << "a line that just fits is taken";
  EXPECT_EQ(strlen(text), (size_t)ROW_MSG_SIZE - 1);
  EXPECT_EQ(row_msg_append(text, "y"), -1);
  EXPECT_EQ(row_msg_append(nullptr, "y"), -2);
  for (int i = 0; i < 400; i++) xform_error_line(&user_, &geographic_, "EASTING", text);
  EXPECT_EQ(strlen(text), (size_t)ROW_MSG_SIZE - 1);
}

TEST_F(RowPlacements, AllocationGivesInitialisedSlotsForEveryColumn) {
  keys();
  col("A", "a");
  sym_place_rec *a = nullptr, *b = nullptr;
  int na = 0, nb = 0;
  ASSERT_EQ(row_alloc_placements(row_, &a, &na, &b, &nb), 0);
  EXPECT_EQ(na, 3);
  EXPECT_EQ(nb, 3);
  EXPECT_EQ(b[2].size, SYM_PLACE_SIZE);
  EXPECT_EQ(b[2].owner, -1);
  free(a);
  free(b);
  EXPECT_EQ(row_alloc_placements(nullptr, &a, &na, &b, &nb), -2);
}

}  // namespace
