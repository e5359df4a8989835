/*
** msg_box_test.cpp: the message boxes: which box a text gets by its
** length, the answers of each box, a box that cannot load, and alerts
** short, long and overlong.
*/
#include "core/msg_box.h"

#include <gtest/gtest.h>

#include <string>

#include "core/pv_globals.h"
#include "dcl_host.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"

namespace {

class MsgBoxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    host_io_set_echo(false);
    host_io_use_script_text("");
    host_io_clear_transcript();
    host_io_clear_faults();
    dlg_test_clear();
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM);
  }
  void TearDown() override {
    ads_unload_dialog(g_dcl_id);
    g_dcl_id = PV_NO_DCL;
  }
};

/* A text of n characters made of words of five letters. */
std::string words(int n) {
  std::string s;
  while ((int)s.size() < n) s += s.empty() ? "abcde" : " abcde";
  return s.substr(0, n);
}

/* A text of n words of four letters: eight fill a line of 40 columns,
** eleven a line of 55. */
std::string word_count(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += i ? " abcd" : "abcd";
  return s;
}

}  // namespace

TEST(MsgBoxSize, TextLengthChoosesSmallMediumOrLarge) {
  struct { std::string text; msg_box_size want; } cases[] = {
      {"", MSG_BOX_SMALL},
      {"Delete this row ?", MSG_BOX_SMALL},
      {word_count(16), MSG_BOX_SMALL},     /* two full lines of 40 */
      {word_count(17), MSG_BOX_MEDIUM},    /* a third line needed */
      {"a\nb\nc", MSG_BOX_MEDIUM},         /* three lines by their breaks */
      {word_count(44), MSG_BOX_MEDIUM},    /* four full lines of 55 */
      {word_count(45), MSG_BOX_LARGE},
      {words(2000), MSG_BOX_LARGE},        /* cut to eight lines */
      {std::string(120, 'x'), MSG_BOX_MEDIUM}, /* one long word cut at 55 */
  };
  for (auto &c : cases) EXPECT_EQ(msg_box_size_for(c.text.c_str()), c.want) << c.text.size() << " characters";
  EXPECT_EQ(msg_box_dialog_name("yesno", MSG_BOX_SMALL), "pv_yesno_small");
  EXPECT_EQ(msg_box_dialog_name("ync", MSG_BOX_LARGE), "pv_ync_large");
}

TEST(MsgWrap, LinesBreakAtBlanksAndLongWordsAreCut) {
  auto lines = msg_wrap_text("one two three\n\nfour", 9);
  EXPECT_EQ(lines, (std::vector<std::string>{"one two", "three", "", "four"}));
  lines = msg_wrap_text("abcdefghij k", 4);
  EXPECT_EQ(lines, (std::vector<std::string>{"abcd", "efgh", "ij k"}));
  for (const auto &l : msg_wrap_text(words(500).c_str(), 55)) EXPECT_LE(l.size(), 55u);
}

TEST_F(MsgBoxTest, YesNoAnswers) {
  host_io_use_script_text("pv_yesno_small\nok\npv_yesno_small\npick no\npv_yesno_small\ncancel\n");
  EXPECT_EQ(msg_yes_no("Proceed ?"), RTNORM);
  EXPECT_EQ(msg_yes_no("Proceed ?"), RTERROR);
  EXPECT_EQ(msg_yes_no("Proceed ?"), RTERROR);   /* cancel is no */
  EXPECT_TRUE(host_io_faults().empty());
  dlg_tile_snapshot line;
  ASSERT_TRUE(dlg_test_last_tile("pv_yesno_small", "line1", line));
  EXPECT_EQ(line.value, "Proceed ?");
}

TEST_F(MsgBoxTest, YesNoCancelAnswers) {
  host_io_use_script_text("pv_ync_small\nok\npv_ync_small\npick no\npv_ync_small\ncancel\n");
  EXPECT_EQ(msg_yes_no_cancel("Save changes ?"), RTNORM);
  EXPECT_EQ(msg_yes_no_cancel("Save changes ?"), RTERROR);
  EXPECT_EQ(msg_yes_no_cancel("Save changes ?"), RTCAN);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(MsgBoxTest, OkQuitAnswers) {
  host_io_use_script_text("pv_okquit_small\nok\npv_okquit_small\ncancel\n");
  EXPECT_EQ(msg_ok_quit("Continue ?"), RTNORM);
  EXPECT_EQ(msg_ok_quit("Continue ?"), RTERROR);
}

TEST_F(MsgBoxTest, LongTextOpensTheLargeBoxWithItsLines) {
  std::string text = words(300);
  host_io_use_script_text("pv_yesno_large\nok\n");
  EXPECT_EQ(msg_yes_no(text.c_str()), RTNORM);
  EXPECT_TRUE(host_io_faults().empty()) << host_io_faults()[0];
  dlg_tile_snapshot line;
  ASSERT_TRUE(dlg_test_last_tile("pv_yesno_large", "line5", line));
  EXPECT_FALSE(line.value.empty());
}

TEST_F(MsgBoxTest, NullTextAndMissingDialogFile) {
  EXPECT_EQ(msg_yes_no(nullptr), -2);
  EXPECT_EQ(msg_ok_quit(nullptr), -2);
  EXPECT_EQ(msg_yes_no_cancel(nullptr), -2);
  EXPECT_EQ(pv_msg_box("t", nullptr), -2);
  int id = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  EXPECT_EQ(msg_yes_no("x"), -9501);
  EXPECT_EQ(msg_ok_quit("x"), -9501);
  EXPECT_EQ(msg_yes_no_cancel("x"), -9501);
  EXPECT_EQ(pv_msg_box("t", "x"), -9501);
  g_dcl_id = id;
}

TEST_F(MsgBoxTest, MessageBoxShowsTitleAndText) {
  host_io_use_script_text("pv_msg_box\nok\n");
  EXPECT_EQ(pv_msg_box("PETRIVEX", "Cleaned... 12 entities"), RTNORM);
  dlg_tile_snapshot t;
  ASSERT_TRUE(dlg_test_last_tile("pv_msg_box", "error", t));
  EXPECT_EQ(t.value, "Cleaned... 12 entities");
}

TEST_F(MsgBoxTest, ShortAlertGoesToTheHostAlert) {
  EXPECT_EQ(msg_alert("Petrivex ERROR:", "Cannot open %s.", "A.TXT"), RTNORM);
  EXPECT_NE(host_io_transcript().find("Petrivex ERROR:\nCannot open A.TXT."), std::string::npos);
}

TEST_F(MsgBoxTest, AlertOf133CharactersGoesToTheWrappingDialog) {
  std::string title = "Petrivex ERROR:";                       /* 15 characters */
  std::string just_short = words(132 - (int)title.size());
  EXPECT_EQ(msg_alert(title.c_str(), "%s", just_short.c_str()), RTNORM);
  EXPECT_TRUE(host_io_faults().empty());   /* no dialog opened */

  std::string just_long = words(133 - (int)title.size());
  host_io_use_script_text("pv_alert_wrap\nok\n");
  EXPECT_EQ(msg_alert(title.c_str(), "%s", just_long.c_str()), RTNORM);
  EXPECT_TRUE(host_io_faults().empty());
  dlg_tile_snapshot lines;
  ASSERT_TRUE(dlg_test_last_tile("pv_alert_wrap", "lines", lines));
  ASSERT_EQ(lines.items.size(), 3u);
  for (const auto &l : lines.items) EXPECT_LE(l.size(), (size_t)MSG_WRAP_COLUMNS);
}

TEST_F(MsgBoxTest, OverlongAlertIsCutNotOverflowed) {
  std::string huge(20000, 'y');
  host_io_use_script_text("pv_alert_wrap\nok\n");
  EXPECT_EQ(msg_alert("T", "%s", huge.c_str()), RTNORM);
  dlg_tile_snapshot lines;
  ASSERT_TRUE(dlg_test_last_tile("pv_alert_wrap", "lines", lines));
  size_t total = 0;
  for (const auto &l : lines.items) total += l.size();
  EXPECT_EQ(total, 1 + 2 + MSG_FORMAT_EXTRA - 1u); /* title + format + extra, less the terminator */
}

TEST_F(MsgBoxTest, AlertRefusesNullTitleAndEmptyFormat) {
  EXPECT_EQ(msg_alert(nullptr, "x"), RTERROR);
  EXPECT_EQ(msg_alert("t", nullptr), RTERROR);
  const char *empty = "";
  EXPECT_EQ(msg_alert("t", empty), RTERROR);
  EXPECT_TRUE(host_io_transcript().empty());
}
