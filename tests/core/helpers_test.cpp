/*
** helpers_test.cpp: the text helpers, tile readers, quiet host commands,
** the dialog state's save and restore, and image display.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/col_attr.h"
#include "core/dlg_state.h"
#include "core/host_util.h"
#include "core/img_show.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "core_fixture.h"
#include "dcl_host.h"
#include "host_editor.h"

namespace {

/* Applies an in-place helper to a copy of the text. */
std::string apply(char *(*fn)(char *), const char *text) {
  char buf[128];
  std::snprintf(buf, sizeof buf, "%s", text);
  return fn(buf);
}

}  // namespace

TEST(StrHelpers, InPlaceEdits) {
  struct { char *(*fn)(char *); const char *in, *out; } cases[] = {
      {str_trim, "  \t abc \r\n", "abc"},
      {str_trim, "\x01\x1f", ""},
      {str_trim, "a b", "a b"},
      {str_upper, "Sand-1", "SAND-1"},
      {str_first_word, "  \tfirst second", "first"},
      {str_first_word, "   ", ""},
      {str_basename, "C:\\PV\\DATA\\STATION.DBF", "STATION"},
      {str_basename, "/home/geo/map.v1.dxf", "map.v1"},
      {str_basename, "drive:name", "name"},
      {str_basename, "plain", "plain"},
      {str_make_ident, "  rock type (1) ", "rock_type__1_"},
  };
  for (auto &c : cases) EXPECT_EQ(apply(c.fn, c.in), c.out) << c.in;
  EXPECT_EQ(str_trim(nullptr), nullptr);
  char pad[16] = "AB";
  EXPECT_STREQ(str_pad(pad, 5), "AB   ");
  char longer[16] = "ABCDEF";
  EXPECT_STREQ(str_pad(longer, 3), "ABCDEF");
}

TEST(StrHelpers, Comparisons) {
  EXPECT_EQ(str_nonblank(" x "), 5100);
  EXPECT_EQ(str_nonblank(" \x7f\t"), -1);
  EXPECT_EQ(str_nonblank(nullptr), -1);
  EXPECT_EQ(str_eq_nocase("Geo", "Ge"), 0);
  struct { const char *a, *b; int want; } cmp[] = {
      {"abc", "ABC", 2}, {"abc", "abd", 1}, {"abd", "abc", 3}, {"abc", "ab", 3}, {"ab", "abc", 1}, {"", "", 2},
  };
  for (auto &c : cmp) EXPECT_EQ(str_cmp_nocase(c.a, c.b), c.want) << c.a << " / " << c.b;
  EXPECT_EQ(str_cmp_nocase(nullptr, "a"), -1);
  const char *envs[] = {"DB3", "INFORMIX", "ODBC"};
  EXPECT_EQ(str_index_nocase("odbc", envs, 3), 2);
  EXPECT_EQ(str_index_nocase("odbc", envs, 2), -1);
  EXPECT_EQ(str_index_nocase(nullptr, envs, 3), -1);
  EXPECT_EQ(str_is_ident("ROCK_1"), 1);
  EXPECT_EQ(str_is_ident(""), 1);
  EXPECT_EQ(str_is_ident("ROCK-1"), 0);
  EXPECT_EQ(str_is_ident(nullptr), 0);
}

namespace {

/* What the accept callback read from the open dialog. */
struct tile_reads {
  int project = -2;
  int user_rc = 0;
  char user[TILE_BUF_SIZE] = "";
  int list_rc = 0;
  int *rows = nullptr;
  int row_count = -1;
  int one = 0;       /* tile_get_one_index of the list */
  int bad_key = 0;   /* tile_get_one_index of a key the dialog lacks */
};
tile_reads g_reads;

void logon_accept_cb(ads_callback_packet *pkt) {
  g_reads.project = tile_get_int(pkt->dialog, "project");
  g_reads.user_rc = tile_get_str(pkt->dialog, "user", g_reads.user);
  ads_done_dialog(pkt->dialog, DLGOK);
}

void table_accept_cb(ads_callback_packet *pkt) {
  g_reads.list_rc = tile_get_int_list(pkt->dialog, "sqlrow", &g_reads.rows, &g_reads.row_count);
  ads_done_dialog(pkt->dialog, DLGOK);
}

void one_index_cb(ads_callback_packet *pkt) {
  g_reads.one = tile_get_one_index(pkt->dialog, "sqlrow");
  g_reads.bad_key = tile_get_one_index(pkt->dialog, "no_such_tile");
  ads_done_dialog(pkt->dialog, DLGOK);
}

/* Opens a dialog, fills a list, sets the accept callback and runs it. */
void run_dialog(const char *name, const char *list_key, int items, CLIENTFUNC accept) {
  ads_hdlg h = nullptr;
  ASSERT_EQ(ads_new_dialog(name, g_dcl_id, nullptr, &h), RTNORM);
  ads_start_list(h, list_key, LIST_NEW, 0);
  for (int i = 0; i < items; ++i) ads_add_list(("item " + std::to_string(i)).c_str());
  ads_end_list();
  ads_action_tile(h, "accept", accept);
  int status = 0;
  ads_start_dialog(h, &status);
}

}  // namespace

class TileTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    ASSERT_EQ(load(), PV_ENTRY_OK);
    g_reads = tile_reads();
  }
};

TEST_F(TileTest, IntegerAndTextOfTiles) {
  host_io_use_script_text("pv_logon\nselect project 2\nset user \"  JOE \"\nok\n");
  run_dialog("pv_logon", "project", 4, logon_accept_cb);
  EXPECT_EQ(g_reads.project, 2);
  EXPECT_EQ(g_reads.user_rc, 5100);
  EXPECT_STREQ(g_reads.user, "  JOE ");
  EXPECT_TRUE(host_io_faults().empty());

  host_io_use_script_text("pv_logon\nok\n");
  run_dialog("pv_logon", "project", 4, logon_accept_cb);
  EXPECT_EQ(g_reads.project, -1);   /* nothing selected */
  EXPECT_EQ(g_reads.user_rc, -1);   /* blank */
  EXPECT_EQ(tile_get_int(nullptr, "project"), -1);
}

TEST_F(TileTest, SelectedIndexesOfAMultipleList) {
  host_io_use_script_text("pv_table_small\nselect sqlrow 0 3 11\nok\n");
  run_dialog("pv_table_small", "sqlrow", 12, table_accept_cb);
  EXPECT_EQ(g_reads.list_rc, 5100);
  ASSERT_EQ(g_reads.row_count, 3);
  EXPECT_EQ(g_reads.rows[0], 0);
  EXPECT_EQ(g_reads.rows[1], 3);
  EXPECT_EQ(g_reads.rows[2], 11);
  std::free(g_reads.rows);

  g_reads = tile_reads();
  host_io_use_script_text("pv_table_small\nok\n");
  run_dialog("pv_table_small", "sqlrow", 12, table_accept_cb);
  EXPECT_EQ(g_reads.list_rc, 5100);
  EXPECT_EQ(g_reads.row_count, 0);
  EXPECT_EQ(g_reads.rows, nullptr);
  int *out = nullptr, n = 0;
  EXPECT_EQ(tile_get_int_list(nullptr, "sqlrow", &out, &n), -5001);
}

TEST_F(TileTest, OneSelectedIndexOrTheReportedReasonWhyNot) {
  struct { const char *select; int want; const char *alert; } cases[] = {
      {"select sqlrow 7\n", 7, nullptr},
      {"select sqlrow 0 3\n", -9105, "More than one item selected"},
      {"", -9106, "No item selected"},
  };
  for (const auto &c : cases) {
    host_io_clear_transcript();
    host_io_use_script_text(std::string("pv_table_small\n") + c.select + "ok\n");
    run_dialog("pv_table_small", "sqlrow", 12, one_index_cb);
    EXPECT_EQ(g_reads.one, c.want) << c.select;
    EXPECT_EQ(g_reads.bad_key, -3) << "a tile that cannot be read";
    std::string t = host_io_transcript();
    if (c.alert) { EXPECT_NE(t.find(c.alert), std::string::npos) << t; }
    EXPECT_NE(t.find("Cannot read the selection"), std::string::npos) << t;
  }
  EXPECT_EQ(tile_get_one_index(nullptr, "sqlrow"), -3);
}

TEST_F(CoreTest, HostCommandRunsQuietlyAndRestoresEchoAndDialogs) {
  std::string err;
  ASSERT_TRUE(host_set_var("CMDECHO", "1", err));
  ASSERT_TRUE(host_set_var("CMDDIA", "1", err));
  ads_point centre = {5, 5, 0};
  struct resbuf *args = ads_buildlist(RTPOINT, centre, RTREAL, 2.0, 0);
  EXPECT_EQ(cmd_run("_CIRCLE", args), RTNORM);
  rb_free(args);
  EXPECT_EQ(host_model_entity_count(), 1);
  EXPECT_EQ(host_io_transcript().find("Command: _CIRCLE"), std::string::npos);
  EXPECT_EQ(host_get_var("CMDECHO"), "1");
  EXPECT_EQ(host_get_var("CMDDIA"), "1");

  EXPECT_EQ(cmd_run("_NOSUCH", nullptr), RTERROR);
  EXPECT_EQ(host_get_var("CMDECHO"), "1");
  EXPECT_EQ(host_get_var("CMDDIA"), "1");

  ASSERT_TRUE(host_set_var("CMDECHO", "0", err));
  EXPECT_EQ(cmd_run("_REDRAW", nullptr), RTNORM);
  EXPECT_EQ(host_get_var("CMDECHO"), "0");
  EXPECT_EQ(cmd_run(nullptr, nullptr), -2);
  EXPECT_EQ(cmd_run("", nullptr), -2);
}

TEST(DlgState, PushHandsTheBuffersToTheCopyAndPopGivesThemBack) {
  dlg_state_reset();
  pjct_rec project{};
  g_row_state.cur_pjct = &project;
  g_row_state.add_mode = 1;
  g_row_state.header = strdup("NAME  TYPE");
  g_row_state.page[0] = strdup("row 0");
  g_row_state.selection = (uint32_t *)calloc(2, sizeof(uint32_t));
  g_row_state.selection_words = 2;
  g_cur_row = 7;
  g_row_count = 40;
  char *header = g_row_state.header;

  row_state_rec *saved = dlg_state_push();
  ASSERT_NE(saved, nullptr);
  EXPECT_EQ(g_row_state.header, nullptr);
  EXPECT_EQ(g_row_state.page[0], nullptr);
  EXPECT_EQ(g_row_state.selection, nullptr);
  EXPECT_EQ(g_row_state.cur_pjct, &project);  /* the fields stay until reset */

  dlg_state_reset();
  EXPECT_EQ(g_row_state.cur_pjct, nullptr);
  EXPECT_EQ(g_cur_row, -1);
  EXPECT_EQ(g_row_count, 0);
  /* The inner dialog fills its own buffers... */
  g_row_state.header = strdup("inner");
  g_cur_row = 2;
  row_state_rec *inner = dlg_state_push();
  ASSERT_NE(inner, nullptr);
  dlg_state_pop(inner);
  EXPECT_STREQ(g_row_state.header, "inner");
  EXPECT_EQ(g_cur_row, 2);

  /* ...which the outer pop frees while restoring the outer state. */
  dlg_state_pop(saved);
  EXPECT_EQ(g_row_state.header, header);
  EXPECT_STREQ(g_row_state.page[0], "row 0");
  EXPECT_EQ(g_row_state.selection_words, 2);
  EXPECT_EQ(g_row_state.cur_pjct, &project);
  EXPECT_EQ(g_row_state.add_mode, 1);
  EXPECT_EQ(g_cur_row, 7);
  EXPECT_EQ(g_row_count, 40);
  dlg_state_pop(nullptr);
  dlg_state_reset();
  EXPECT_EQ(g_row_state.header, nullptr);
}

TEST_F(CoreTest, ImageNamesAreCheckedFoundAndAskedFor) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  EXPECT_EQ(img_show(nullptr, "  ", 0), -2);
  EXPECT_EQ(img_show(nullptr, nullptr, 0), -2);
  EXPECT_EQ(img_show(nullptr, "outcrop.txt", 0), RTERROR);
  EXPECT_NE(host_io_transcript().find("Bad or missing file extension:\noutcrop.txt."), std::string::npos);
  EXPECT_EQ(img_show(nullptr, "noext", 0), RTERROR);
  EXPECT_EQ(img_show(nullptr, "missing.bmp", 0), -9102);
  EXPECT_NE(host_io_transcript().find("Cannot open file missing.bmp"), std::string::npos);

  { std::ofstream out("outcrop.bmp"); out << "BM"; }
  host_io_clear_transcript();
  host_io_use_script_text("No\n*cancel*\nYes\n");
  EXPECT_EQ(img_show(nullptr, " outcrop.bmp ", 1), RTERROR);   /* answered No */
  EXPECT_NE(host_io_transcript().find("\nDisplay outcrop.bmp?\nYes/No <Yes>: "), std::string::npos);
  EXPECT_EQ(img_show(nullptr, "outcrop.bmp", 1), RTCAN);
  EXPECT_TRUE(host_replayed_images().empty());   /* neither No nor cancel shows it */
  /* Yes: the render module replays the file found. */
  EXPECT_EQ(img_show(nullptr, "outcrop.bmp", 1), RTNORM);
  ASSERT_EQ(host_replayed_images().size(), 1u);
  EXPECT_EQ(std::filesystem::path(host_replayed_images()[0]).filename(), "outcrop.bmp");
  EXPECT_NE(host_io_transcript().find("Replaying image "), std::string::npos);
  EXPECT_EQ(img_show(nullptr, "OUTCROP.BMP", 0), RTNORM);   /* no question asked */
  EXPECT_EQ(host_replayed_images().size(), 2u);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(CoreTest, ImagesOfARowAreShownColumnByColumnAndCancelStops) {
  ASSERT_EQ(load(), PV_ENTRY_OK);
  { std::ofstream out("a.bmp"); out << "BM"; }
  col_attr_rec image_rule{}, plain_rule{};
  image_rule.flags = COL_ATTR_IMAGE;
  sql_col_rec c2{}, c1{};
  char t1[] = "a.bmp", t2[] = "b.tga";
  c1.text = t1;
  c1.attr = &image_rule;
  c1.next = &c2;
  c2.text = t2;
  c2.attr = &plain_rule;
  long shown = 0;
  const size_t before = host_replayed_images().size();   /* images of earlier cases in this process */
  EXPECT_EQ(img_show_row(&shown), -2);   /* no img_begin yet */
  ASSERT_EQ(img_begin(&c1), RTNORM);
  host_io_use_script_text("*cancel*\n");
  EXPECT_EQ(img_show_row(&shown), RTCAN);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(host_replayed_images().size(), before);
  host_io_use_script_text("Yes\n\n");   /* Yes, then RETURN for img_end */
  EXPECT_EQ(img_show_row(&shown), RTNORM);
  EXPECT_EQ(shown, 1);   /* the image column only; the plain one is skipped */
  ASSERT_EQ(host_replayed_images().size(), before + 1);
  EXPECT_EQ(std::filesystem::path(host_replayed_images().back()).filename(), "a.bmp");
  EXPECT_EQ(img_end(), RTNORM);
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(img_show_row(&shown), -2);
}
