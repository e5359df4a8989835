/*
** plot_table_store_test.cpp: the TABLE output of the plot loop on a DB3
** project: a name that is already a table of the project is refused
** before anything is done to that table, so its indexes stay.
*/
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "output/plot_drivers.h"
#include "output/plot_state.h"
#include "symbol_fixture.h"

namespace {

using PlotTableStore = SymbolProjectTest;

}  // namespace

TEST_F(PlotTableStore, AnExistingTablesNameIsRefusedAndItsIndexesStay) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  const int host_version = g_host_version;
  g_host_version = SQL_INDEX_HOST_VERSION;   /* an editor that makes indexes */
  ASSERT_EQ(sql_create_index(p->connection, "STATNUNQ", "STATN", "ELEV", 0), RTNORM);

  int first = 0;
  plot_state_rec &s = g_plot_state;
  s.row = statn->columns;
  s.out_index = &first;
  s.out_count = 1;
  s.file_name = "STATN";
  EXPECT_LT(table_plot_begin(), 0) << "no new table of an existing table's name";
  s = plot_state_rec{};
  EXPECT_EQ(sql_drop_index(p->connection, "STATNUNQ", "STATN"), RTNORM) << "the index is still there";
  g_host_version = host_version;
}
