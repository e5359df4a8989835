/*
** dialog_runtime_test.cpp: the modal dialog runtime driven by scripts.
**
** A small dialog file is written for the tests; each test loads a script of
** answers, runs a dialog with callbacks that record what they received, and
** checks the end status, the tile values kept when the dialog ended and the
** faults recorded.
*/
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "dcl_host.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"
#include "scratch_dir.h"

namespace {

const char kTestDcl[] = R"DCL(
t_main : dialog {
  label = "Main";
  : edit_box { key = "name"; label = "Name:"; }
  : toggle { key = "flag"; label = "Flag"; }
  : list_box { key = "rows"; multiple_select = true; list = "r0\nr1\nr2"; }
  : list_box { key = "cols"; multiple_select = true; list = "NAME      C 20\nNORTHING  N 12\nSITE  A\nSITE  B"; }
  : popup_list { key = "kind"; list = "A\nB"; }
  : slider { key = "level"; min_value = 0; max_value = 10; }
  : radio_row { key = "side";
    : radio_button { key = "left"; label = "Left"; value = "1"; }
    : radio_button { key = "right"; label = "Right"; } }
  : button { key = "go"; label = "Go"; }
  : button { key = "open"; label = "Open..."; }
  : button { key = "off"; label = "Off"; is_enabled = false; }
  : image_button { key = "pic"; width = 10; height = 4; }
  : text { key = "note"; label = "hello"; }
  ok_cancel;
  errtile;
}
t_inner : dialog {
  label = "Inner";
  : edit_box { key = "val"; }
  ok_only;
}
)DCL";

/* What the callbacks saw, in order. */
struct callback_log {
  std::vector<std::string> events;   /* "key:reason:value"               */
  int inner_status = -99;            /* status of the nested dialog      */
  int inner_result = -99;            /* result of its ads_start_dialog   */
  int go_status = -1;                /* status "go" ends with; -1 none   */
  bool go_term = false;              /* "go" calls ads_term_dialog       */
  bool go_nest = false;              /* "go" opens t_main again          */
  std::string form;                  /* text form taken inside "go"      */
  std::string attr_key;              /* key read with ads_get_attr_string*/
  ads_htile last_tile = nullptr;     /* tile handle of the last callback */
};

callback_log& cb() {
  static callback_log log;
  return log;
}

int& dcl_id() {
  static int id = -1;
  return id;
}

/* Records a callback. */
void record_cb(ads_callback_packet* p) {
  char key[64] = "";
  ads_get_attr_string(p->tile, "key", key, sizeof key);
  cb().events.push_back(std::string(key) + ":" + std::to_string(p->reason) + ":" + p->value);
  cb().last_tile = p->tile;
}

/* "go": records, may end the dialog or end every dialog. */
void go_cb(ads_callback_packet* p) {
  record_cb(p);
  cb().form = dlg_test_form(p->dialog);
  char key[64] = "";
  ads_get_attr_string(p->tile, "key", key, sizeof key);
  cb().attr_key = key;
  if (cb().go_nest) {
    ads_hdlg again = nullptr;
    ads_new_dialog("t_main", dcl_id(), record_cb, &again);
    ads_action_tile(again, "go", go_cb);
    int status = 0;
    if (ads_start_dialog(again, &status) != RTNORM) ads_term_dialog();
    return;
  }
  if (cb().go_term) ads_term_dialog();
  else if (cb().go_status >= 0) ads_done_dialog(p->dialog, cb().go_status);
}

/* "open": runs the inner dialog from inside the callback. */
void open_cb(ads_callback_packet* p) {
  record_cb(p);
  ads_hdlg inner = nullptr;
  if (ads_new_dialog("t_inner", dcl_id(), nullptr, &inner) != RTNORM) return;
  ads_action_tile(inner, "go", nullptr);  /* a key t_inner lacks: a fault */
  int status = -99;
  cb().inner_result = ads_start_dialog(inner, &status);
  cb().inner_status = status;
  char val[32] = "";
  ads_get_tile(p->dialog, "name", val, sizeof val);
  cb().events.push_back(std::string("after inner, name=") + val);
}

/* "accept" that ends with a status of the application. */
void accept7_cb(ads_callback_packet* p) {
  record_cb(p);
  ads_done_dialog(p->dialog, 7);
}

class DialogRuntime : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static pv_scratch_dir scratch("pv_dialog_runtime_");
    std::string path = (scratch.path() / "runtime.dcl").string();
    std::ofstream(path) << kTestDcl;
    host_io_set_echo(false);
    ASSERT_EQ(ads_load_dialog(path.c_str(), &dcl_id()), RTNORM) << dlg_test_load_error();
  }
  void SetUp() override {
    cb() = callback_log();
    host_io_clear_faults();
    host_io_clear_transcript();
    dlg_test_clear();
  }

  /* Opens t_main with the usual callbacks. */
  ads_hdlg open_main() {
    ads_hdlg h = nullptr;
    EXPECT_EQ(ads_new_dialog("t_main", dcl_id(), record_cb, &h), RTNORM);
    ads_action_tile(h, "go", go_cb);
    ads_action_tile(h, "open", open_cb);
    return h;
  }

  /* Runs t_main on a script; answers the status. */
  int run_main(const std::string& script) {
    host_io_use_script_text(script);
    int status = -99;
    EXPECT_EQ(ads_start_dialog(open_main(), &status), RTNORM);
    return status;
  }

  std::string last_value(const char* dialog, const char* key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << key;
    return t.value;
  }

  bool fault_contains(const std::string& part) {
    for (const std::string& f : host_io_faults())
      if (f.find(part) != std::string::npos) return true;
    return false;
  }
};

TEST_F(DialogRuntime, ScriptAnswersSetTilesAndFireCallbacks) {
  int status = run_main(
      "t_main\nset name \"Hello world\"\npick flag\nselect rows 0 2\n"
      "select kind B\ndclick rows\nset level 4\npick right\nset side left\nselect cols \"SITE  B\" \"NAME\"\nok\n");
  EXPECT_EQ(status, DLGOK);  /* "accept" has no action: ends with 1 */
  /* A button's value is its label. */
  EXPECT_TRUE(host_io_faults().empty());
  EXPECT_EQ(last_value("t_main", "name"), "Hello world");
  EXPECT_EQ(last_value("t_main", "flag"), "1");
  EXPECT_EQ(last_value("t_main", "rows"), "0 2");
  EXPECT_EQ(last_value("t_main", "cols"), "3 0");   /* by their texts */
  EXPECT_EQ(last_value("t_main", "kind"), "1");
  EXPECT_EQ(last_value("t_main", "level"), "4");
  EXPECT_EQ(last_value("t_main", "side"), "left");
  EXPECT_EQ(last_value("t_main", "right"), "0");
  /* Typing into an edit box ends with reason 2 as the box loses focus. */
  EXPECT_EQ(cb().events, (std::vector<std::string>{
                             "name:2:Hello world", "flag:1:1", "rows:1:0 2", "kind:1:1", "rows:4:0 2",
                             "right:1:1", "cols:1:3 0", "accept:1:OK"}));
}

TEST_F(DialogRuntime, StartAnswersTheStatusGivenToDone) {
  host_io_use_script_text("t_main\nok\n");
  ads_hdlg h = open_main();
  ads_action_tile(h, "accept", accept7_cb);
  int status = -1;
  ASSERT_EQ(ads_start_dialog(h, &status), RTNORM);
  EXPECT_EQ(status, 7);
  EXPECT_EQ(run_main("t_main\ncancel\n"), DLGCANCEL);
  cb().go_status = 3;
  EXPECT_EQ(run_main("t_main\npick go\n"), 3);
  EXPECT_EQ(cb().attr_key, "go");
  EXPECT_NE(cb().form.find("rows"), std::string::npos);
  EXPECT_NE(cb().form.find("r2"), std::string::npos);       /* list shown  */
  EXPECT_NE(cb().form.find("(disabled)"), std::string::npos);
  /* The tile handle of an ended dialog is stale. */
  char v[8];
  EXPECT_EQ(ads_get_attr_string(cb().last_tile, "key", v, sizeof v), RTERROR);
}

TEST_F(DialogRuntime, NestedDialogEndsFirstAndOuterGoesOn) {
  int status = run_main("t_main\npick open\nt_inner\nset val 5\nok\nset name after\nok\n");
  EXPECT_EQ(status, DLGOK);
  EXPECT_EQ(cb().inner_result, RTNORM);
  EXPECT_EQ(cb().inner_status, DLGOK);
  EXPECT_EQ(last_value("t_inner", "val"), "5");
  EXPECT_EQ(last_value("t_main", "name"), "after");
  EXPECT_EQ(cb().events, (std::vector<std::string>{
                             "open:1:Open...", "after inner, name=", /* inner first */
                             "name:2:after", "accept:1:OK"}));
  EXPECT_TRUE(fault_contains("t_inner has no tile \"go\""));
  EXPECT_EQ(dlg_test_open(), 0);
}

TEST_F(DialogRuntime, CloseAndReopenAroundAPointQuestion) {
  cb().go_status = 2;
  host_io_use_script_text("t_main\nset name first\npick go\n10,20\nt_main\nok\n");
  int status = -1;
  ASSERT_EQ(ads_start_dialog(open_main(), &status), RTNORM);
  EXPECT_EQ(status, 2);
  std::string point;
  ASSERT_EQ(host_io_read_answer("Pick point: ", point), HOST_ANSWER_LINE);
  EXPECT_EQ(point, "10,20");
  ASSERT_EQ(ads_start_dialog(open_main(), &status), RTNORM);
  EXPECT_EQ(status, DLGOK);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(DialogRuntime, AnswerHoldingANulByteIsRefusedAndAskedAgain) {
  host_io_use_script_text(std::string("GEO\0junk\nGEO\n", 13));
  std::string answer;
  ASSERT_EQ(host_io_read_answer("Project: ", answer), HOST_ANSWER_LINE);
  EXPECT_EQ(answer, "GEO") << "the line with the NUL is not cut to GEO, the next line answers";
  EXPECT_TRUE(fault_contains("answer with a NUL byte at: Project: "));
  EXPECT_NE(host_io_transcript().find("A NUL byte in an answer is refused."), std::string::npos);
}

TEST_F(DialogRuntime, DryScriptOrMissingEntryCancelsAndIsAFault) {
  EXPECT_EQ(run_main("t_main\nset name x\n"), DLGCANCEL);
  EXPECT_TRUE(fault_contains("script ran dry"));
  host_io_clear_faults();
  EXPECT_EQ(run_main(""), DLGCANCEL);
  EXPECT_TRUE(fault_contains("script ran dry"));
  host_io_clear_faults();
  EXPECT_EQ(run_main("pv_other\nok\n"), DLGCANCEL);
  EXPECT_TRUE(fault_contains("opened but the script gives \"pv_other\""));
  std::string next;
  ASSERT_TRUE(host_io_peek_answer(next));  /* the line is left for its owner */
  EXPECT_EQ(next, "pv_other");
  /* A dry script ends the dialog without pressing its cancel tile. */
  EXPECT_EQ(cb().events, std::vector<std::string>{"name:2:x"});
}

TEST_F(DialogRuntime, StarCancelPressesTheCancelTile) {
  host_io_use_script_text("t_main\n*cancel*\n");
  ads_hdlg h = open_main();
  int status = -1;
  ASSERT_EQ(ads_start_dialog(h, &status), RTNORM);
  EXPECT_EQ(status, DLGCANCEL);
  EXPECT_EQ(cb().events, std::vector<std::string>{"cancel:1:Cancel"});
  EXPECT_TRUE(host_io_faults().empty());
}

/* A person at the terminal cancels with the same word: the cancel tile is
** pressed; the end of the input just ends the dialog. */
TEST_F(DialogRuntime, TypedCancelPressesTheCancelTileAtTheTerminal) {
  std::istringstream typed("*cancel*\n");
  std::streambuf* keyboard = std::cin.rdbuf(typed.rdbuf());
  host_io_use_terminal();
  int status = -1;
  EXPECT_EQ(ads_start_dialog(open_main(), &status), RTNORM);
  EXPECT_EQ(status, DLGCANCEL);
  EXPECT_EQ(cb().events, std::vector<std::string>{"cancel:1:Cancel"});
  cb().events.clear();
  EXPECT_EQ(ads_start_dialog(open_main(), &status), RTNORM);  /* input ended */
  EXPECT_EQ(status, DLGCANCEL);
  EXPECT_TRUE(cb().events.empty());
  std::cin.rdbuf(keyboard);
  std::cin.clear();
  host_io_use_script_text("");
}

struct refused_answer {
  const char* line;     /* the answer                            */
  const char* fault;    /* part of the fault it must record      */
};

TEST_F(DialogRuntime, WrongAnswersAreRefusedAndTheDialogGoesOn) {
  const refused_answer cases[] = {
      {"set nosuch 1", "no tile \"nosuch\""},
      {"pick off", "tile \"off\" is disabled"},
      {"set flag 2", "takes 0 or 1"},
      {"select rows 3", "is no selection of the 3 items"},
      {"select cols SITE", "\"SITE\" reads as several items of \"cols\": 2: SITE  A, 3: SITE  B"},
      {"select cols NAM", "\"NAM\" is no item of \"cols\"; its items: 0: NAME      C 20, 1: NORTHING  N 12"},
      {"select kind 0 1", "is no selection of the 2 items"},
      {"select name 0", "is no list"},
      {"set go x", "cannot be set"},
      {"set level 11", "whole number from 0 to 10"},
      {"set side middle", "\"middle\" is no button of side"},
      {"frobnicate", "unknown answer"},
  };
  for (const refused_answer& c : cases) {
    host_io_clear_faults();
    EXPECT_EQ(run_main(std::string("t_main\n") + c.line + "\nok\n"), DLGOK) << c.line;
    ASSERT_EQ(host_io_faults().size(), 1u) << c.line;
    EXPECT_NE(host_io_faults()[0].find(c.fault), std::string::npos)
        << c.line << " gave: " << host_io_faults()[0];
  }
}

TEST_F(DialogRuntime, TileCallsOnMissingKeysAndStaleHandlesAreFaults) {
  ads_hdlg h = open_main();
  char buf[16];
  EXPECT_EQ(ads_set_tile(h, "nosuch", "1"), RTERROR);
  EXPECT_EQ(ads_get_tile(h, "nosuch", buf, sizeof buf), RTERROR);
  EXPECT_EQ(ads_mode_tile(h, "nosuch", MODE_DISABLE), RTERROR);
  EXPECT_EQ(host_io_faults().size(), 3u);
  EXPECT_TRUE(fault_contains("ads_set_tile: dialog t_main has no tile \"nosuch\""));
  EXPECT_EQ(ads_new_dialog("no_such_dialog", dcl_id(), nullptr, &h), RTERROR);
  EXPECT_EQ(h, nullptr);
  EXPECT_EQ(ads_new_dialog("t_main", 9999, nullptr, &h), RTERROR);

  h = open_main();
  host_io_use_script_text("t_main\nok\n");
  int status;
  ASSERT_EQ(ads_start_dialog(h, &status), RTNORM);
  host_io_clear_faults();
  EXPECT_EQ(ads_set_tile(h, "name", "x"), RTERROR);  /* ended: stale */
  EXPECT_EQ(ads_done_dialog(h, 1), RTERROR);
  EXPECT_EQ(host_io_faults().size(), 2u);
}

TEST_F(DialogRuntime, GetTileCutsToTheCallersBuffer) {
  ads_hdlg h = open_main();
  ASSERT_EQ(ads_set_tile(h, "name", "abcdefgh"), RTNORM);
  char small[4];
  ASSERT_EQ(ads_get_tile(h, "name", small, sizeof small), RTNORM);
  EXPECT_STREQ(small, "abc");
  char buf[16];
  ASSERT_EQ(ads_get_tile(h, "note", buf, sizeof buf), RTNORM);
  EXPECT_STREQ(buf, "hello");
  ASSERT_EQ(ads_set_tile(h, "flag", "1"), RTNORM);
  ASSERT_EQ(ads_set_tile(h, "side", "right"), RTNORM);
  ads_get_tile(h, "side", buf, sizeof buf);
  EXPECT_STREQ(buf, "right");
  ads_get_tile(h, "left", buf, sizeof buf);
  EXPECT_STREQ(buf, "0");
  EXPECT_EQ(ads_set_tile(h, "side", "middle"), RTERROR);
  ads_term_dialog();
}

TEST_F(DialogRuntime, ListsAreReplacedAppendedAndChanged) {
  ads_hdlg h = open_main();
  dlg_tile_snapshot t;
  ASSERT_EQ(ads_start_list(h, "kind", LIST_NEW, 0), RTNORM);
  ads_add_list("x");
  ads_add_list("y");
  ASSERT_EQ(ads_end_list(), RTNORM);
  ASSERT_TRUE(dlg_test_open_tile(h, "kind", t));
  EXPECT_EQ(t.items, (std::vector<std::string>{"x", "y"}));
  EXPECT_EQ(t.value, "0");  /* a popup shows its first item */

  ASSERT_EQ(ads_set_tile(h, "rows", "1"), RTNORM);
  ASSERT_EQ(ads_start_list(h, "rows", LIST_APPEND, 0), RTNORM);
  ads_add_list("r3");
  ads_end_list();
  ASSERT_EQ(ads_start_list(h, "rows", LIST_CHANGE, 1), RTNORM);
  ads_add_list("R1");
  ads_end_list();
  ASSERT_TRUE(dlg_test_open_tile(h, "rows", t));
  EXPECT_EQ(t.items, (std::vector<std::string>{"r0", "R1", "r2", "r3"}));
  EXPECT_EQ(t.value, "1");  /* append and change keep the selection */
  ASSERT_EQ(ads_start_list(h, "rows", LIST_NEW, 0), RTNORM);
  ads_end_list();
  ASSERT_TRUE(dlg_test_open_tile(h, "rows", t));
  EXPECT_TRUE(t.items.empty());
  EXPECT_EQ(t.value, "");

  EXPECT_EQ(ads_start_list(h, "rows", LIST_CHANGE, 0), RTERROR);  /* empty */
  EXPECT_EQ(ads_start_list(h, "rows", 9, 0), RTERROR);
  EXPECT_EQ(ads_add_list("loose"), RTERROR);
  EXPECT_EQ(ads_start_list(h, "name", LIST_NEW, 0), RTERROR);
  EXPECT_TRUE(fault_contains("ads_add_list without ads_start_list"));
  EXPECT_TRUE(fault_contains("tile name is no list"));
  ads_term_dialog();
}

/* A list keeps only a selection of its own items: the module never reads
** back an index its list lacks. */
TEST_F(DialogRuntime, ListRefusesASelectionOfItemsItLacks) {
  ads_hdlg h = open_main();
  char buf[16];
  EXPECT_EQ(ads_set_tile(h, "rows", "0 2"), RTNORM);
  EXPECT_EQ(ads_set_tile(h, "rows", "3"), RTERROR);
  EXPECT_EQ(ads_set_tile(h, "kind", "0 1"), RTERROR);  /* popup: one item */
  EXPECT_EQ(ads_set_tile(h, "kind", "x"), RTERROR);
  ASSERT_EQ(ads_get_tile(h, "rows", buf, sizeof buf), RTNORM);
  EXPECT_STREQ(buf, "0 2");
  EXPECT_TRUE(fault_contains("\"3\" is no selection of the 3 items of \"rows\""));
  EXPECT_EQ(ads_set_tile(h, "rows", ""), RTNORM);  /* nothing selected */
  ads_term_dialog();
}

TEST_F(DialogRuntime, ImageCallsAreRecordedForTests) {
  ads_hdlg h = open_main();
  short cx = 0, cy = 0;
  ASSERT_EQ(ads_dimensions_tile(h, "pic", &cx, &cy), RTNORM);
  EXPECT_EQ(cx, 80);
  EXPECT_EQ(cy, 64);
  EXPECT_EQ(ads_fill_image(0, 0, cx, cy, 0), RTERROR);  /* not started */
  ASSERT_EQ(ads_start_image(h, "pic"), RTNORM);
  EXPECT_EQ(ads_start_image(h, "pic"), RTERROR);        /* one at a time */
  ads_fill_image(0, 0, cx, cy, 4);
  ads_vector_image(1, 2, 30, 40, -18);
  ads_slide_image(0, 0, cx, cy, "ACAD(ANSI31)");
  ASSERT_EQ(ads_end_image(), RTNORM);
  EXPECT_EQ(ads_start_image(h, "name"), RTERROR);       /* no image */
  EXPECT_EQ(ads_mode_tile(h, "pic", MODE_FLIP), RTNORM);
  ads_term_dialog();
  const std::vector<dlg_image_call>& calls = dlg_test_image_calls();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].op, DLG_IMAGE_FILL);
  EXPECT_EQ(calls[0].color, 4);
  EXPECT_EQ(calls[1].op, DLG_IMAGE_VECTOR);
  EXPECT_EQ(calls[1].x2, 30);
  EXPECT_EQ(calls[1].y2, 40);
  EXPECT_EQ(calls[1].color, -18);
  EXPECT_EQ(calls[2].slide, "ACAD(ANSI31)");
  EXPECT_EQ(calls[2].key, "pic");
  EXPECT_EQ(calls[2].dialog, "t_main");
}

TEST_F(DialogRuntime, TermDialogEndsEveryRunningDialog) {
  cb().go_term = true;
  int status = run_main("t_main\npick open\nt_inner\nok\npick go\nok\n");
  EXPECT_EQ(status, DLGALLDONE);
  std::string rest;
  EXPECT_TRUE(host_io_peek_answer(rest));  /* "ok" was never read */
}

TEST_F(DialogRuntime, RunawayNestingIsRefused) {
  cb().go_nest = true;
  std::string script;
  for (int i = 0; i < 20; ++i) script += "t_main\npick go\n";
  EXPECT_EQ(run_main(script), DLGALLDONE);  /* the refused level ends all */
  EXPECT_TRUE(fault_contains("t_main nested too deeply"));
  EXPECT_EQ(dlg_test_running(), 0);
  EXPECT_EQ(dlg_test_open(), 0);
}

TEST_F(DialogRuntime, LoadRefusesDamagedFilesAndSearchesByName) {
  pv_scratch_dir scratch("pv_dialog_damaged_");
  std::string bad = (scratch.path() / "damaged.dcl").string();
  std::ofstream(bad) << "ok_d : dialog { ok_only; }\nbad_d : dialog {\n : widget {} }\n";
  int id = 42;
  EXPECT_EQ(ads_load_dialog(bad.c_str(), &id), RTERROR);
  EXPECT_EQ(id, -1);
  EXPECT_NE(dlg_test_load_error().find("line 3: unknown tile kind \"widget\""),
            std::string::npos) << dlg_test_load_error();
  EXPECT_EQ(ads_load_dialog("/nonexistent/none.dcl", &id), RTERROR);
  EXPECT_NE(dlg_test_load_error().find("cannot find"), std::string::npos);
  /* A plain name without extension is found on the search path. */
  ASSERT_EQ(ads_load_dialog("petrivex", &id), RTNORM) << dlg_test_load_error();
  EXPECT_EQ(dlg_test_load_error(), "");
  EXPECT_EQ(ads_unload_dialog(id), RTNORM);
  EXPECT_EQ(ads_unload_dialog(id), RTERROR);
}

}  // namespace
