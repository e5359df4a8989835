/*
** table_change_store_test.cpp: a logged-on DB3 project whose registered
** table changes under its stored queries, pie definitions and chemistry
** terms: described again (as a rebuilt table is), they follow it to its
** new column records; dropped from the setup, the query is left out and
** the others unbound, yet the setup tables keep every row they had, also
** across the next logon.
*/
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "core/chem_term.h"
#include "core/pie_rec.h"
#include "core/qry.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "symbol_fixture.h"

namespace {

class TableChangeStore : public SymbolProjectTest {
 protected:
  /* The rows of the tables that hold queries, pies and chemistry terms,
  ** each table's lines sorted (rows kept of a left-out query come after
  ** the others). */
  static std::string stored_rows() {
    std::string out;
    for (const char *table : {"PVQUERY", "PVQOUT", "PVPIE", "PVPIEOUT", "PVCHEM"}) {
      std::istringstream in(dbf_lines(table));
      std::vector<std::string> lines;
      for (std::string line; std::getline(in, line);) lines.push_back(line);
      std::sort(lines.begin(), lines.end());
      out += std::string(table) + ":\n";
      for (const auto &l : lines) out += l + "\n";
    }
    return out;
  }
};

}  // namespace

TEST_F(TableChangeStore, ATableDescribedAgainOrDroppedLosesNoStoredQueryPieOrDiagram) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  sql_col_rec *elev = sql_col_find(statn->columns, "ELEV", nullptr, nullptr);
  ASSERT_NE(elev, nullptr);

  qry_rec *q = qry_new();
  snprintf(q->name, sizeof q->name, "HIGHSTATIONS");
  q->project = p;
  q->conds = qry_cond_new();
  q->conds->op = qry_operator_table[QRY_OP_GT];
  q->conds->table = statn;
  q->conds->column = elev;
  qry_cond_set_value(q->conds, "500");
  q->outputs = qry_out_new();
  q->outputs->column = elev;
  q->outputs->flags = QRY_OUT_SHOWN;
  qry_list_insert(&p->queries, q);
  pie_rec *pie = pie_new();
  snprintf(pie->name, sizeof pie->name, "HEIGHTS");
  pie->radius = 1;
  pie_col_append(&pie->inside, elev);
  pie->next = p->pies;
  p->pies = pie;
  chem_term_rec *t = chem_term_new(CHEM_AXIS_X);
  snprintf(t->name, sizeof t->name, "ELEVATIONS");
  chem_term_set_column(t, elev);
  chem_term_set_symbol(t, sql_col_find(statn->columns, "NAME", nullptr, nullptr));
  t->next = p->chem_terms;
  p->chem_terms = t;
  p->flags |= PJCT_CHG_QUERIES | PJCT_CHG_PIES | PJCT_CHG_CHEM;
  ASSERT_EQ(setup_save_all(p, 0), 0);
  std::string before = stored_rows();
  ASSERT_NE(before.find("HIGHSTATIONS"), std::string::npos);

  describe_again(p, statn);
  if (HasFatalFailure()) return;
  elev = sql_col_find(statn->columns, "ELEV", nullptr, nullptr);
  EXPECT_EQ(q->conds->column, elev) << "the condition follows the new column records";
  EXPECT_EQ(q->outputs->column, elev);
  EXPECT_EQ(pie->inside->column, elev);
  EXPECT_EQ(t->column, elev);
  EXPECT_EQ(t->symbol_col, sql_col_find(statn->columns, "NAME", nullptr, nullptr));

  ASSERT_EQ(tbl_unregister(p, statn), 0);
  EXPECT_EQ(qry_find(p->queries, "HIGHSTATIONS", nullptr), nullptr) << "left out, as the logon leaves it out";
  EXPECT_EQ(pie->inside->column, nullptr);
  EXPECT_EQ(t->column, nullptr);
  p->flags |= PJCT_CHG_QUERIES | PJCT_CHG_PIES | PJCT_CHG_CHEM;
  p = save_and_logon_again();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(tbl_find_by_name(p->tables, "STATN", nullptr), nullptr);
  EXPECT_EQ(stored_rows(), before);

  p->flags |= PJCT_CHG_QUERIES | PJCT_CHG_PIES | PJCT_CHG_CHEM;
  ASSERT_EQ(setup_save_all(p, 0), 0);
  EXPECT_EQ(stored_rows(), before) << "a save after the next logon writes them back too";
}
