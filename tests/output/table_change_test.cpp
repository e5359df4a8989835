/*
** table_change_test.cpp: stored queries, pie definitions and chemistry
** terms while a registered table changes under them in a session: a new
** registration of the table (new column records, or the same list under a
** new row), columns rebuilt in place, a column gone, the table dropped.
** Their references must follow the table by name; what no longer
** resolves must neither be read nor lost: every save writes it back as it
** was stored.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/chem_term.h"
#include "core/pie_rec.h"
#include "core/setup_store.h"
#include "data/tblsetup.h"
#include "module/pv_logon.h"
#include "qry_fixture.h"

namespace {

/* The columns of STATION as the fixture registers them, in another order
** (a new registration describes the table anew). */
const std::vector<qfix_col> k_station_again = {{"NORTHING", SQL_TYPE_NUMERIC, 12, -1},
                                               {"EASTING", SQL_TYPE_NUMERIC, 12, -1},
                                               {"ROCKTYPE", SQL_TYPE_CHAR, 20, -1},
                                               {"UNIT", SQL_TYPE_NUMERIC, 8, TBL_KEY_UNIT},
                                               {"SEGMENT", SQL_TYPE_NUMERIC, 8, TBL_KEY_SEGMENT},
                                               {"STATION", SQL_TYPE_NUMERIC, 8, TBL_KEY_STATION},
                                               {"BASENUMBER", SQL_TYPE_NUMERIC, 8, TBL_KEY_BASENUMBER}};

class TableChange : public QueryProject {
 protected:
  void SetUp() override {
    /* The kept rows of left-out queries go by project name. */
    snprintf(project_.name, sizeof project_.name, "%s", ::testing::UnitTest::GetInstance()->current_test_info()->name());
    sample_and_station();
    tbl_set_rebind_hook(pjct_rebind_setup);
    make_query();
    make_pie();
    make_terms();
  }
  void TearDown() override {
    tbl_set_rebind_hook(nullptr);
    pie_list_free(&project_.pies);
    chem_term_list_free(&project_.chem_terms);
    QueryProject::TearDown();
  }

  /* AUQ: SAMPLE.AU > 5, post-filter STATION.ROCKTYPE IS GRANITE, output
  ** SAMPLE.AU and STATION.EASTING with their keys and join list. */
  void make_query() {
    qry_rec *q = qry_new();
    snprintf(q->name, sizeof q->name, "AUQ");
    q->project = &project_;
    int idx[] = {index_of("SAMPLE", "AU"), index_of("STATION", "EASTING")};
    ASSERT_EQ(qry_output_list_build(&project_, idx, 2, 1, &q->outputs), 0);
    cond(&q->conds, "", "SAMPLE", "AU", ">", "5");
    cond(&q->filters, "", "STATION", "ROCKTYPE", "IS", "GRANITE");
    ASSERT_EQ(qry_build_join_list(q), 0);
    ASSERT_NE(q->joins, nullptr);
    qry_list_insert(&project_.queries, q);
  }
  /* ASSAYS: SAMPLE.AU inside, STATION.EASTING outside. */
  void make_pie() {
    pie_rec *p = pie_new();
    snprintf(p->name, sizeof p->name, "ASSAYS");
    pie_col_append(&p->inside, col("SAMPLE", "AU"));
    pie_col_append(&p->outside, col("STATION", "EASTING"));
    project_.pies = p;
  }
  /* DIA: X = SAMPLE.AU, Y = STATION.EASTING, symbols by STATION.ROCKTYPE. */
  void make_terms() {
    chem_term_rec *x = chem_term_new(CHEM_AXIS_X), *y = chem_term_new(CHEM_AXIS_Y);
    snprintf(x->name, sizeof x->name, "DIA");
    snprintf(y->name, sizeof y->name, "DIA");
    chem_term_set_column(x, col("SAMPLE", "AU"));
    chem_term_set_column(y, col("STATION", "EASTING"));
    chem_term_set_symbol(x, col("STATION", "ROCKTYPE"));
    chem_term_set_symbol(y, col("STATION", "ROCKTYPE"));
    x->next = y;
    project_.chem_terms = x;
  }

  /* A new, unlinked registration of a table. */
  static tbl_rec *fresh(const char *name, int type, const std::vector<qfix_col> &cols) {
    tbl_rec *t = tbl_rec_new();
    snprintf(t->name, sizeof t->name, "%s", name);
    t->table_type = type;
    sql_col_rec **tail = &t->columns;
    for (const auto &d : cols) {
      *tail = sql_col_new(d.name, name, d.type, d.length, 0);
      if (d.slot >= 0) t->keys[d.slot] = *tail;
      tail = &(*tail)->next;
      t->column_count++;
    }
    return t;
  }
  static std::vector<qfix_col> without(const std::vector<qfix_col> &cols, const char *gone) {
    std::vector<qfix_col> out;
    for (const auto &c : cols)
      if (strcmp(c.name, gone) != 0) out.push_back(c);
    return out;
  }

  /* Every row the setup store would write for the queries, pies and
  ** chemistry diagrams, one text per row. */
  std::string saved() {
    std::string out;
    int (*savers[])(pjct_rec *, setup_text_rows *) = {setup_save_pvquery, setup_save_pvqout, setup_save_pvqpoint,
                                                     setup_save_pvpie, setup_save_pvpieout, setup_save_pvchem};
    for (auto save : savers) {
      setup_text_rows rows;
      EXPECT_EQ(save(&project_, &rows), 0);
      for (const auto &r : rows.rows) {
        for (const auto &t : r) out += t + "|";
        out += "\n";
      }
    }
    return out;
  }

  /* 1 when the column record is one of the registered table's. */
  int bound_to(const sql_col_rec *c, const char *table) {
    tbl_rec *t = tbl_find_by_name(project_.tables, table, nullptr);
    for (const sql_col_rec *k = t ? t->columns : nullptr; k; k = k->next)
      if (k == c) return 1;
    return 0;
  }
  /* Every column reference of the query, the pie and the terms is a
  ** column record of a registered table (conditions with their table). */
  void expect_all_bound() {
    const qry_rec *q = project_.queries;
    ASSERT_NE(q, nullptr);
    for (const qry_cond_rec *list : {q->conds, q->filters, q->joins})
      for (const qry_cond_rec *c = list; c; c = c->next) {
        EXPECT_TRUE(bound_to(c->column, c->table->name)) << c->table->name << "." << c->column->name;
        EXPECT_EQ(c->table, tbl_find_by_name(project_.tables, c->table->name, nullptr));
      }
    for (const qry_out_rec *o = q->outputs; o; o = o->next)
      EXPECT_TRUE(bound_to(o->column, o->column->table)) << o->column->table << "." << o->column->name;
    for (const pie_col_rec *c : {project_.pies->inside, project_.pies->outside})
      EXPECT_TRUE(bound_to(c->column, c->table)) << c->table << "." << c->name;
    for (const chem_term_rec *t = project_.chem_terms; t; t = t->next) {
      EXPECT_TRUE(bound_to(t->column, t->column ? t->column->table : "")) << t->axis;
      EXPECT_TRUE(bound_to(t->symbol_col, "STATION")) << t->axis;
    }
  }
};

TEST_F(TableChange, ANewRegistrationOfATableMovesEveryReferenceToItsNewColumns) {
  std::string before = saved();
  tbl_rec *again = fresh("STATION", TBL_DEF_STATION, k_station_again);
  ASSERT_EQ(tbl_add(&project_, again), 0);
  ASSERT_EQ(tbl_find_by_name(project_.tables, "STATION", nullptr), again);
  expect_all_bound();
  EXPECT_EQ(project_.queries->filters->table, again);
  EXPECT_EQ(saved(), before);
}

TEST_F(TableChange, ARegistrationSharingTheOldColumnListMovesTheConditionsToTheNewRow) {
  /* The registration dialog works on a copy of the registered row. */
  tbl_rec *reg = tbl_find_by_name(project_.tables, "STATION", nullptr);
  tbl_rec *copy = tbl_rec_new();
  tbl_rec_copy(copy, reg);
  copy->next = nullptr;
  std::string before = saved();
  ASSERT_EQ(tbl_add(&project_, copy), 0);
  expect_all_bound();
  EXPECT_EQ(project_.queries->filters->table, copy);
  EXPECT_EQ(saved(), before);
}

TEST_F(TableChange, ColumnsRebuiltInPlaceAreTakenUpBeforeTheOldOnesAreFreed) {
  tbl_rec *station = tbl_find_by_name(project_.tables, "STATION", nullptr);
  tbl_rec *described = fresh("STATION", TBL_DEF_STATION, k_station_again);
  sql_col_rec *columns = described->columns;
  described->columns = nullptr;
  tbl_list_free(described);
  std::string before = saved();
  ASSERT_EQ(tblsetup_take_columns(nullptr, station, columns, (int)k_station_again.size(), &project_), 0);
  expect_all_bound();
  EXPECT_EQ(saved(), before);
}

TEST_F(TableChange, AColumnGoneLeavesTheQueryOutAndUnbindsThePieAndTermButEverySaveKeepsThem) {
  std::string before = saved();
  ASSERT_EQ(tbl_add(&project_, fresh("STATION", TBL_DEF_STATION, without(k_station_again, "EASTING"))), 0);
  EXPECT_EQ(project_.queries, nullptr) << "a query naming a column that is gone is left out";
  EXPECT_EQ(project_.pies->outside->column, nullptr);
  EXPECT_TRUE(bound_to(project_.pies->inside->column, "SAMPLE"));
  const chem_term_rec *y = project_.chem_terms->next;
  EXPECT_EQ(y->column, nullptr);
  EXPECT_STREQ(y->col_table, "STATION");
  EXPECT_STREQ(y->col_name, "EASTING");
  EXPECT_TRUE(bound_to(y->symbol_col, "STATION")) << "the symbol column is still there";
  EXPECT_EQ(saved(), before);

  /* The column back: the pie and the term take it up again by name; the
  ** query stays out until the next logon, its rows written once. */
  ASSERT_EQ(tbl_add(&project_, fresh("STATION", TBL_DEF_STATION, k_station_again)), 0);
  EXPECT_TRUE(bound_to(project_.pies->outside->column, "STATION"));
  EXPECT_TRUE(bound_to(y->column, "STATION"));
  EXPECT_STREQ(y->col_name, "EASTING");
  EXPECT_EQ(saved(), before);
}

TEST_F(TableChange, AQueryMadeAgainUnderALeftOutNameIsWrittenOnceWhenItIsLeftOutToo) {
  ASSERT_EQ(tbl_add(&project_, fresh("STATION", TBL_DEF_STATION, without(k_station_again, "EASTING"))), 0);
  ASSERT_EQ(project_.queries, nullptr);
  /* A new AUQ over SAMPLE alone, which is then dropped. */
  qry_rec *q = qry_new();
  snprintf(q->name, sizeof q->name, "AUQ");
  q->project = &project_;
  cond(&q->conds, "", "SAMPLE", "AU", "<", "1");
  qry_list_insert(&project_.queries, q);
  std::string before = saved();
  ASSERT_EQ(tbl_unregister(&project_, tbl_find_by_name(project_.tables, "SAMPLE", nullptr)), 0);
  EXPECT_EQ(project_.queries, nullptr);
  EXPECT_EQ(saved(), before) << "only the newer AUQ is written";
}

TEST_F(TableChange, ADroppedTableUnbindsEveryReferenceIntoItAndLosesNothingStored) {
  std::string before = saved();
  ASSERT_EQ(tbl_unregister(&project_, tbl_find_by_name(project_.tables, "STATION", nullptr)), 0);
  EXPECT_EQ(tbl_find_by_name(project_.tables, "STATION", nullptr), nullptr);
  EXPECT_EQ(project_.queries, nullptr);
  EXPECT_EQ(project_.pies->outside->column, nullptr);
  EXPECT_STREQ(project_.pies->outside->name, "EASTING");
  for (const chem_term_rec *t = project_.chem_terms; t; t = t->next) {
    EXPECT_EQ(t->symbol_col, nullptr);
    EXPECT_STREQ(t->sym_table, "STATION");
    EXPECT_STREQ(t->sym_name, "ROCKTYPE");
  }
  EXPECT_TRUE(bound_to(project_.chem_terms->column, "SAMPLE"));
  EXPECT_EQ(saved(), before);
}

}  // namespace
