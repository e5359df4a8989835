/*
** browse_hooks_test.cpp: the browser with a query whose post-filter
** rejects odd BASENUMBERs and with plot calls that record what they get:
** rejected rows are never shown, deleted or replaced; "plot" hands the
** options the browser's dialog, cursor, row and query, and the plot loop
** runs after the browser has closed. This program hands the browser its
** own post-filter and plot functions in place of the query layer's.
** Opening takes the count the query made and reads its first page in
** one request to the driver.
*/
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "browse_fixture.h"
#include "output/plot/plot.h"
#include "output/query/qry_filter.h"
#include "sqlclient/asi_connection.h"

namespace {

/* The query handed to the browser; only its address matters here. */
int g_query_tag = 0;
qry_rec *const k_query = reinterpret_cast<qry_rec *>(&g_query_tag);

/* What the plot calls saw. */
struct plot_log {
  int choose = PLOT_TYPE_IDLE;      /* output type the options dialog sets */
  int opts_calls = 0;
  std::string opts_dialog_title;    /* "title" of the dialog handed over */
  void *opts_cursor = nullptr;
  sql_col_rec *opts_row = nullptr;
  qry_rec *opts_query = nullptr;
  int bind_calls = 0, record_calls = 0, reset_calls = 0;
  int running_at_records = -1;      /* dialogs running when the loop ran */
  std::vector<std::string> order;   /* calls in order */
} g_plot;

}  // namespace

/* The row whose second look ends the DB3 driver, or 0; the looks at it. */
long g_end_driver_at = 0;
int g_looks = 0;

/* Rows with an odd BASENUMBER fail the post-filter of k_query. */
int qry_filter_row(qry_rec *query, sql_col_rec *row)
{
  if (query != k_query) return 1;
  if (g_end_driver_at && std::atol(row->text) == g_end_driver_at && ++g_looks == 2) {
      siginfo_t info;
      pid_t pid = asi_driver_pid("DB3");
      if (pid > 0 && kill(pid, SIGKILL) == 0) waitid(P_PID, (id_t)pid, &info, WEXITED | WNOWAIT);
  }
  return std::atol(row->text) % 2 == 0;
}

int pv_plot_opts_dialog(ads_hdlg dialog, void *cursor, sql_col_rec *row, qry_rec *query)
{
  g_plot.opts_calls++;
  char title[TILE_STR_LIMIT + 1] = "";
  ads_get_tile(dialog, "title", title, sizeof title);
  g_plot.opts_dialog_title = title;
  g_plot.opts_cursor = cursor;
  g_plot.opts_row = row;
  g_plot.opts_query = query;
  plot_type = g_plot.choose;
  g_plot.order.push_back("opts");
  return 0;
}

int plot_bind_memo_columns(sql_col_rec *, void *)
{
  g_plot.bind_calls++;
  g_plot.order.push_back("bind");
  return 0;
}

long plot_records(ads_hdlg, int)
{
  g_plot.record_calls++;
  g_plot.running_at_records = dlg_test_running();
  g_plot.order.push_back("records");
  return 0;
}

void plot_reset(void)
{
  g_plot.reset_calls++;
  plot_type = PLOT_TYPE_IDLE;
  g_plot.order.push_back("reset");
}

namespace {

class FilteredBrowser : public BrowseTest {
 protected:
  void SetUp() override {
    BrowseTest::SetUp();
    g_plot = plot_log();
    g_browse_output = {qry_filter_row, pv_plot_opts_dialog, [] { return (int)plot_type; }, plot_bind_memo_columns,
                       plot_records, plot_reset};
  }
  void TearDown() override {
    g_browse_output = {};
    BrowseTest::TearDown();
  }
  /* Runs the browser on rows 1..10, the driver ended as the answers reach
  ** row 6 (its first look is the page's): one alert, with the count. */
  void expect_said_once_ending_at_6(const char *answers, const char *count)
  {
      run("DELETE FROM SMP");
      fill(10);
      open("SELECT * FROM SMP ORDER BY BASENUMBER");
      g_end_driver_at = 6;
      g_looks = 0;
      host_io_clear_transcript();
      browse(std::string("pv_table_med\n") + answers, k_query);
      g_end_driver_at = 0;
      const std::string said = host_io_transcript();
      EXPECT_NE(said.find(count), std::string::npos) << said;
      EXPECT_EQ(said.find("Petrivex ERROR:"), said.rfind("Petrivex ERROR:")) << said;
  }
};

TEST_F(FilteredBrowser, RejectedRowsAreNeverShownWhilePagingEitherWay) {
  fill(40);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  for (const char *steps : {"", "pick next\n", "pick next\npick prev\n", "pick bot\n", "pick next\npick next\n",
                            "pick bot\npick prev\n", "pick bot\npick top\n"}) {
    EXPECT_EQ(browse(std::string("pv_table_med\n") + steps + "ok\n", k_query), RTNORM);
    expect_no_faults();
    std::vector<std::string> n = shown_numbers();
    ASSERT_FALSE(n.empty()) << steps;
    for (const std::string &s : n) EXPECT_EQ(std::stoi(s.substr(1)) % 2, 0) << s << " after " << steps;
  }
  EXPECT_EQ(browse("pv_table_med\nok\n", k_query), RTNORM);
  EXPECT_EQ(shown_numbers().size(), 15u);
  EXPECT_EQ(shown_numbers().back(), "S030");
  EXPECT_TRUE(tile("next").enabled);
  EXPECT_EQ(browse("pv_table_med\npick next\nok\n", k_query), RTNORM);
  EXPECT_EQ(shown_numbers(), (std::vector<std::string>{"S032", "S034", "S036", "S038", "S040"}));
}

TEST_F(FilteredBrowser, OpeningTakesTheQuerysCountAndReadsItsFirstPageInOneRequest) {
  fill(70);   /* more than the driver answers whole with the prepare */
  CAsiConnection *c = (CAsiConnection *)project_->connection;
  struct { const char *where; long count; std::vector<std::string> shown; bool next; long requests; } cases[] = {
      {"BASENUMBER > 6", 64,
       {"S008", "S010", "S012", "S014", "S016", "S018", "S020", "S022", "S024", "S026", "S028", "S030", "S032",
        "S034", "S036"}, true, 1},
      {"SMPNO > 'S063'", 7, {"S064", "S066", "S068", "S070"}, false, 1},
      {"SMPNO > 'S099'", 0, {}, false, 0},
  };
  for (const auto &k : cases) {
    open(std::string("SELECT * FROM SMP WHERE ") + k.where + " ORDER BY BASENUMBER");
    long before = c->requestCount();
    EXPECT_EQ(browse("pv_table_med\nok\n", k_query), RTNORM);
    EXPECT_EQ(c->requestCount() - before, k.requests) << k.where;
    EXPECT_EQ(g_row_count, k.count) << k.where;
    EXPECT_EQ(shown_numbers(), k.shown) << k.where;
    EXPECT_EQ(tile("next").enabled, k.next) << k.where;
  }
  EXPECT_NE(host_io_transcript().find("No records selected"), std::string::npos) << host_io_transcript();
}

TEST_F(FilteredBrowser, DeleteAllAndReplaceLeaveRejectedRowsAlone) {
  fill(10);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\npick modall\npv_dlg_modall\nselect column 2\nset edit_value SMPNO\nok\n"
                   "pv_yesno_small\nok\nok\n",
                   k_query),
            RTNORM);
  expect_no_faults();
  EXPECT_NE(host_io_transcript().find("Replaced NAME with SMPNO in 5 rows."), std::string::npos);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP WHERE NAME = SMPNO"), "5\n");
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP WHERE NAME LIKE 'Sample%' AND MOD(BASENUMBER, 2) = 1"), "5\n");
  EXPECT_EQ(browse("pv_table_med\npick delall\npv_yesno_small\nok\nok\n", k_query), RTNORM);
  EXPECT_NE(host_io_transcript().find("Deleted 5 rows."), std::string::npos);
  EXPECT_EQ(rows("SELECT BASENUMBER FROM SMP ORDER BY BASENUMBER"), "1\n3\n5\n7\n9\n");

  /* The driver ends as Replace reads row 6: said once, counting the rows
  ** written before it. */
  expect_said_once_ending_at_6("pick modall\npv_dlg_modall\nselect column 2\nset edit_value SMPNO\nok\n"
                               "pv_yesno_small\nok\nok\n",
                               "Replaced NAME with SMPNO in 2 rows before it.");
}

TEST_F(FilteredBrowser, DeletedSelectedRowsAreTheShownOnes) {
  fill(40);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\nselect sqlrow 0 1\npick delete\npv_yesno_small\nok\nok\n", k_query), RTNORM);
  expect_no_faults();
  EXPECT_NE(host_io_transcript().find("Deleted 2 rows."), std::string::npos);
  EXPECT_EQ(rows("SELECT COUNT(*) FROM SMP WHERE BASENUMBER IN (1, 2, 3, 4)"), "2\n");
  EXPECT_EQ(rows("SELECT BASENUMBER FROM SMP WHERE BASENUMBER < 5 ORDER BY 1"), "1\n3\n");
  EXPECT_EQ(shown_numbers().front(), "S006");
  /* Delete all goes from the bottom: rows 10 and 8 are gone when the
  ** driver ends at row 6. */
  expect_said_once_ending_at_6("pick delall\npv_yesno_small\nok\nok\n", "Deleted at least 2 rows before it.");
}

TEST_F(FilteredBrowser, PlotHandsOverTheBrowserAndPlotsAfterItClosed) {
  fill(3);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  g_plot.choose = 1;
  EXPECT_EQ(browse("pv_table_med\nselect plot 1\n", k_query), RTNORM);
  expect_no_faults();
  EXPECT_EQ(g_plot.opts_calls, 1);
  EXPECT_EQ(g_plot.opts_dialog_title.substr(0, 8), "BASENUMB") << "the browser's own dialog";
  EXPECT_EQ(g_plot.opts_cursor, cursor_);
  EXPECT_EQ(g_plot.opts_row, row_);
  EXPECT_EQ(g_plot.opts_query, k_query);
  EXPECT_EQ(g_plot.running_at_records, 0) << "the loop runs after the browser closed";
  EXPECT_EQ(g_plot.order, (std::vector<std::string>{"reset", "opts", "bind", "records", "reset"}));
  EXPECT_EQ(plot_type, PLOT_TYPE_IDLE);
}

TEST_F(FilteredBrowser, PlotWithoutAChoiceKeepsTheBrowserOpenAtTheTop) {
  fill(40);
  open("SELECT * FROM SMP ORDER BY BASENUMBER");
  EXPECT_EQ(browse("pv_table_med\npick next\nselect plot 2\nok\n", k_query), RTNORM);
  expect_no_faults();
  EXPECT_EQ(g_plot.opts_calls, 1);
  EXPECT_EQ(g_plot.record_calls, 0);
  EXPECT_EQ(shown_numbers().front(), "S002") << "back at the top";
  g_plot = plot_log();
  EXPECT_EQ(browse("pv_table_med\nselect plot_sel 1\nok\n"), RTNORM);
  EXPECT_FALSE(tile("plot").enabled) << "without a query there is nothing to plot";
}

}  // namespace
