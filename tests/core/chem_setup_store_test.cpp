/*
** chem_setup_store_test.cpp: the chemistry diagrams of a DB3 project
** through the setup table PVCHEM: every field of every term written and
** read back by a new logon, the diagrams' terms consecutive and in their
** order, a column no longer registered kept by its names, the file as
** dbfread sees it, and terms read and written by their columns' names after
** their table took a new column list.
*/
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/chem_term.h"
#include "core/setup_tables.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "output/diagrams/chem_plot.h"
#include "symbol_fixture.h"

namespace {

using ChemStore = SymbolProjectTest;

/* Every field of every term as text, columns by table and name. */
std::string all_terms(const pjct_rec *p)
{
    std::string out;
    for (const chem_term_rec *t = p->chem_terms; t; t = t->next) {
        char buf[512];
        snprintf(buf, sizeof buf, "%s|%d|%d|%.17g %.17g %.17g %.17g|%.17g %.17g|%s.%s|%d|%.17g|%d|%.17g|%s.%s|%d", t->name,
                 t->axis, t->log_flag, t->xmin, t->ymin, t->xmax, t->ymax, t->xscale, t->yscale,
                 t->symbol_col ? t->symbol_col->table : t->sym_table, t->symbol_col ? t->symbol_col->name : t->sym_name,
                 t->op, t->scalar1, t->open_bracket, t->scalar2, t->column ? t->column->table : t->col_table,
                 t->column ? t->column->name : t->col_name, t->close_bracket);
        out += buf;
        out += t->column || !t->col_name[0] ? "\n" : " (unregistered)\n";
    }
    return out;
}

}  // namespace

TEST_F(ChemStore, DiagramsRoundTripInTheirOrderWithUnregisteredColumnsKept) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  auto column = [statn](const char *name) { return sql_col_find(statn->columns, name, nullptr, nullptr); };
  struct {
    const char *name;
    int axis, op, open, close, log;
    double factor, constant;
    const char *column;
  } terms[] = {
      {"HEIGHTS", CHEM_AXIS_X, CHEM_OP_NONE, 1, 0, 1, 2, 0, "ELEV"},
      {"HEIGHTS", CHEM_AXIS_X, CHEM_OP_PLUS, 0, 1, 0, 0, 1.0 / 3, "EASTING"},
      {"HEIGHTS", CHEM_AXIS_Y, CHEM_OP_NONE, 0, 0, 0, 0, 0, "NORTHING"},
      {"HEIGHTS", CHEM_AXIS_Z, CHEM_OP_NONE, 0, 0, 0, 0, 5, nullptr},
      {"AB", CHEM_AXIS_X, CHEM_OP_NONE, 0, 0, 0, 0, 0, "ELEV"},
      {"AB", CHEM_AXIS_Y, CHEM_OP_NONE, 0, 0, 0, 0, 0, nullptr},
  };
  chem_term_rec **tail = &p->chem_terms;
  for (const auto &d : terms) {
    chem_term_rec *t = chem_term_new(d.axis);
    snprintf(t->name, sizeof t->name, "%s", d.name);
    t->op = d.op, t->open_bracket = d.open, t->close_bracket = d.close, t->log_flag = d.log;
    t->scalar1 = d.factor, t->scalar2 = d.constant;
    chem_term_set_column(t, d.column ? column(d.column) : nullptr);
    chem_term_set_symbol(t, column("NAME"));
    t->xmin = -1.5, t->xmax = 1e6, t->ymax = 0.1, t->xscale = 0.001;
    *tail = t;
    tail = &t->next;
  }
  /* A column of a table that is not registered (any more). */
  snprintf(p->chem_terms->next->next->next->next->next->col_table, SQL_COL_NAME_SIZE, "ASSAY");
  snprintf(p->chem_terms->next->next->next->next->next->col_name, SQL_COL_NAME_SIZE, "AU");
  p->flags |= PJCT_CHG_CHEM;
  std::string before = all_terms(p);

  p = save_and_logon_again();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(all_terms(p), before);
  EXPECT_NE(p->chem_terms->column, nullptr) << "bound to the registered column again";
  EXPECT_EQ(p->flags & PJCT_CHG_CHEM, 0u) << "loading is no change";

  std::string rows = SymbolProjectTest::dbf_lines("PVCHEM");
  EXPECT_EQ(rows.substr(0, rows.find('\n')),
            "HEIGHTS|0|0|1|-1.5|0|1000000|0.1|0.001|1|STATN|NAME|0|2|1|0|STATN|ELEV|0");
  EXPECT_NE(rows.find("\nAB|5|1|0|"), std::string::npos) << rows;
  EXPECT_NE(rows.find("|ASSAY|AU|0\n"), std::string::npos) << rows;
  EXPECT_EQ(std::count(rows.begin(), rows.end(), '\n'), 6);
}

TEST_F(ChemStore, TermsAreReadAndWrittenByTheirNamesAfterTheirTableIsDescribedAgain) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  chem_term_rec *t = chem_term_new(CHEM_AXIS_X);
  snprintf(t->name, sizeof t->name, "HEIGHTS");
  chem_term_set_column(t, sql_col_find(statn->columns, "ELEV", nullptr, nullptr));
  chem_term_set_symbol(t, sql_col_find(statn->columns, "NAME", nullptr, nullptr));
  p->chem_terms = t;
  describe_again(p, statn);
  if (HasFatalFailure()) return;

  setup_text_rows rows;
  ASSERT_EQ(setup_save_pvchem(p, &rows), 0);
  ASSERT_EQ(rows.rows.size(), 1u);
  EXPECT_EQ(rows.rows[0][10] + "." + rows.rows[0][11], "STATN.NAME") << "the symbol column";
  EXPECT_EQ(rows.rows[0][16] + "." + rows.rows[0][17], "STATN.ELEV") << "the term's column";
  char text[64];
  chem_equation_text(t, text, sizeof text);
  EXPECT_STREQ(text, "ELEV") << "the axis title";
}
