/*
** symbol_setup_store_test.cpp: the symbol setups of a DB3 project through
** the setup table PVSYMBOL: every field written and read back by a new
** logon, column setups attached to their rules (a point column's to the
** X, Y and Z rules too), owners and associations that no longer resolve
** kept by name, libraries loaded at logon with their shape numbers looked
** up, and a library that cannot be loaded reported once and kept.
*/
#include "symbol_fixture.h"

namespace {

using SymbolStore = SymbolProjectTest;

TEST_F(SymbolStore, EveryFieldRoundTripsAndColumnSetupsBindTheirRules) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  col_attr_rec *east = col_attr_find(p->col_attrs, "EASTING", "STATN", nullptr);
  ASSERT_NE(east, nullptr);
  ASSERT_TRUE(east->flags & COL_ATTR_POINT);

  sym_rec *col = sym_new();
  col->owner_kind = SYM_OWNER_COLUMN;
  col->owner = east;
  sym_set_text(&col->symbol, "STRIKE_DIP");
  sym_set_text(&col->library, "PVSTRUCT");
  sym_set_text(&col->pattern, "ANSI31");
  snprintf(col->layer, sizeof col->layer, "STRUCTURE");
  col->word = 0;
  col->shape_number = 99;   /* looked up again by name at logon */
  col->form = SYM_FORM_BLOCK;
  col->flags = SYM_SYMBOL | SYM_FILL;
  col->colour = 3;
  col->scale = 2.5f;
  col->angle = 33.3f;
  col->line_width = 0.35f;
  col->position = 4;
  col->x_offset = 1.0 / 3;
  col->y_offset = -2.25;
  col->z_offset = 1e-7;
  col->angle_offset = 12.5f;
  const char *assoc[SYM_ASSOC_COUNT] = {"NAME", "ROCKTYPE", "GONE", "STN", "", "ELEV", "NORTHING", "", "NAME", "ELEV"};
  for (int i = 0; i < SYM_ASSOC_COUNT; i++) {
    sym_set_text(&col->assoc_name[i], assoc[i]);
    if (*assoc[i] && strcmp(assoc[i], "GONE") != 0)
      col->assoc[i] = col_attr_find(p->col_attrs, assoc[i], "STATN", nullptr);
  }
  sym_attach(p, col);

  sym_rec *item = sym_new();
  item->owner_kind = SYM_OWNER_ITEM;
  sym_set_text(&item->item_name, "Granite");
  sym_set_text(&item->profile, "STRAT");
  sym_set_text(&item->dictionary, "ROCKD");
  sym_set_text(&item->symbol, "GR");
  sym_set_text(&item->library, "Arial");
  sym_set_text(&item->assoc_name[SYM_ASSOC_COLOUR], "Basalt");
  item->flags = SYM_TEXT;
  sym_attach(p, item);

  sym_rec *gone = sym_new();
  gone->owner_kind = SYM_OWNER_COLUMN;
  sym_set_text(&gone->table_name, "STATN");
  sym_set_text(&gone->column_name, "DROPPED");
  gone->flags = SYM_SOLID;
  sym_attach(p, gone);

  sym_rec *diagram = sym_new();
  diagram->owner_kind = SYM_OWNER_NONE;
  sym_set_text(&diagram->symbol, "STEREONET");
  sym_attach(p, diagram);
  sym_attach(p, symlib_setup_new("PVSTRUCT"));
  std::string before = all_fields(p);

  p = save_and_logon_again();
  ASSERT_NE(p, nullptr);
  std::string after = all_fields(p);
  /* The shape number of STRIKE_DIP was found again in its library. */
  std::string want = before;
  want.replace(want.find("#99|"), 4, "#1|");
  EXPECT_EQ(after, want);
  EXPECT_EQ(std::count(after.begin(), after.end(), '\n'), 5);

  sym_rec *s = sym_find_by_owner(p->symbols, SYM_FIND_COLUMN, "EASTING", "STATN", nullptr, 0);
  ASSERT_NE(s, nullptr);
  for (const char *c : {"EASTING", "NORTHING", "ELEV"})
    EXPECT_EQ(col_attr_find(p->col_attrs, c, "STATN", nullptr)->symbol, s) << c;
  EXPECT_NE(s->assoc[SYM_ASSOC_SYMBOL], nullptr);
  EXPECT_EQ(s->assoc[SYM_ASSOC_ANGLE], nullptr) << "GONE is kept by name only";
  EXPECT_GE(symlib_slot("PVSTRUCT"), 0) << "the library was loaded at logon";
  EXPECT_EQ(p->flags & PJCT_CHG_SYMBOLS, 0u) << "loading is no change";
}

TEST_F(SymbolStore, ALibraryThatCannotBeLoadedIsReportedOnceAndItsSetupsKept) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  for (const char *shape : {"ONE", "TWO"}) {
    sym_rec *s = sym_new();
    s->owner_kind = SYM_OWNER_NONE;
    s->flags = SYM_SYMBOL;
    sym_set_text(&s->symbol, shape);
    sym_set_text(&s->library, "NOSUCH");
    sym_attach(p, s);
  }
  take_transcript();
  p = save_and_logon_again();
  ASSERT_NE(p, nullptr);
  std::string t = take_transcript();
  size_t first = t.find("Cannot load symbol library NOSUCH of project GEO");
  ASSERT_NE(first, std::string::npos) << t;
  EXPECT_EQ(t.find("Cannot load symbol library NOSUCH", first + 1), std::string::npos) << "reported once";
  int kept = 0;
  for (sym_rec *s = p->symbols; s; s = s->next) kept += s->library && strcmp(s->library, "NOSUCH") == 0;
  EXPECT_EQ(kept, 2);
}

}  // namespace
