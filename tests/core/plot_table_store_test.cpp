/*
** plot_table_store_test.cpp: the TABLE output of the plot loop on a DB3
** project: a name that is already a table of the project is refused
** before anything is done to that table, so its indexes stay; an output
** killed while it fills its new table leaves no table after the next
** logon's mending.
*/
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/dbf_refill.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"
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

TEST_F(PlotTableStore, AnOutputKilledWhileItFillsItsTableLeavesNoTable) {
  pjct_rec *p = logon();
  ASSERT_NE(p, nullptr);
  tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
  ASSERT_NE(statn, nullptr);
  const std::string dir = std::string(pjct_dir(p->name)) + "/";
  int first = 0;
  fflush(nullptr);
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    /* Only the child speaks to the driver until it is killed between two
    ** statements. */
    plot_state_rec &s = g_plot_state;
    s.row = statn->columns;
    s.out_index = &first;
    s.out_count = 1;
    s.file_name = "OUTT";
    if (table_plot_begin() != 0 || table_plot_row() != 0) _exit(1);
    raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the output could not begin";
  ASSERT_TRUE(std::filesystem::exists(dir + "OUTT.DBF"));
  std::vector<std::string> mended;
  EXPECT_EQ(dbf_refill_recover(p, mended), 0);
  EXPECT_EQ(mended, std::vector<std::string>{"OUTT"});
  EXPECT_FALSE(std::filesystem::exists(dir + "OUTT.DBF")) << "the half-filled table goes";
  EXPECT_FALSE(std::filesystem::exists(dir + "OUTT.MRF"));
}
