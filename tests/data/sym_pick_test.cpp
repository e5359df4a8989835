/*
** sym_pick_test.cpp: the symbol, shape and pattern pickers run from
** scripts in the stand-in editor: paging a library of 30 shapes, the
** picked label and a buffer left alone by exit, labels cut to the buffer,
** every vector inside its tile with each picture centred, the profile
** picker paging back by its items, patterns as slides, and refusals.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/item_tree.h"
#include "core/pv_globals.h"
#include "core/sym_setup.h"
#include "data/sym_pick.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/editor_fixture.h"

namespace {

class SymPick : public EditorTest {
 protected:
  void SetUp() override {
    EditorTest::SetUp();
    saved_dcl_ = g_dcl_id;
    ASSERT_EQ(ads_load_dialog(PV_RESOURCE_DIR "/PETRIVEX.DCL", &g_dcl_id), RTNORM) << dlg_test_load_error();
    shape_store_init();
    /* Shape n is a line n units long, then one unit up: each has its
    ** own size, so the page scale is set by the largest. */
    std::string src;
    for (int n = 1; n <= 30; n++)
      src += "*" + std::to_string(n) + ",5,S" + std::to_string(n) + "\n1,8,(" + std::to_string(n) + ",1),0\n";
    load("T30", src);
    ASSERT_GT(shape_extents("T30"), 0);
    dlg_test_clear();
  }
  void TearDown() override {
    shape_store_free();
    if (g_dcl_id != saved_dcl_) ads_unload_dialog(g_dcl_id);
    g_dcl_id = saved_dcl_;
  }

  static void load(const char *name, const std::string &src) {
    FILE *fp = fmemopen((void *)src.data(), src.size(), "r");
    ASSERT_GT(shape_font_load_stream(name, fp), 0) << shape_load_error();
    fclose(fp);
  }
  /* A tile of pv_sel_sym as it ended. */
  static dlg_tile_snapshot tile(const std::string &key, const char *dialog = "pv_sel_sym") {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << key;
    return t;
  }
  /* The 24 labels as the dialog ended. */
  static std::vector<std::string> labels(const char *dialog = "pv_sel_sym") {
    std::vector<std::string> out;
    for (int n = 1; n <= 24; n++) out.push_back(tile("shape" + std::to_string(n), dialog).value);
    return out;
  }
  /* Labels "S<from>".."S<to>" then blanks up to 24. */
  static std::vector<std::string> page(int from, int to) {
    std::vector<std::string> out;
    for (int n = from; n <= to; n++) out.push_back("S" + std::to_string(n));
    out.resize(24);
    return out;
  }
  /* Runs the shape picker on T30 with answers. */
  static int pick_shape(const std::string &answers, char *out, size_t size) {
    host_io_use_script_text("pv_sel_sym\n" + answers);
    return sym_pick_shape_dialog("T30", out, size);
  }

  int saved_dcl_ = PV_NO_DCL;
};

TEST_F(SymPick, AThirtyShapeLibraryPagesOneToTwentyFourThenTheRest) {
  char out[40] = "keep";
  EXPECT_EQ(pick_shape("pick exit\n", out, sizeof out), 0);
  EXPECT_EQ(labels(), page(1, 24));
  EXPECT_FALSE(tile("prev").enabled);
  EXPECT_TRUE(tile("next").enabled);
  EXPECT_STREQ(out, "keep") << "exit leaves the buffer as it was";

  dlg_test_clear();
  EXPECT_EQ(pick_shape("pick next\npick image20\npick exit\n", out, sizeof out), 0);
  EXPECT_EQ(labels(), page(25, 30));
  EXPECT_STREQ(out, "keep") << "an empty tile picks nothing";
  EXPECT_FALSE(tile("next").enabled) << "the page reaches the last shape";
  EXPECT_TRUE(tile("prev").enabled);
  /* The second page: 6 pictures, the other 18 tiles only cleared. */
  std::map<std::string, int> vectors, fills;
  const auto &calls = dlg_test_image_calls();
  size_t from = 0;   /* where the last page begins */
  for (size_t i = 0; i < calls.size(); i++)
    if (calls[i].key == "image1" && calls[i].op == DLG_IMAGE_FILL) from = i;
  for (size_t i = from; i < calls.size(); i++) {
    if (calls[i].op == DLG_IMAGE_VECTOR) vectors[calls[i].key]++;
    if (calls[i].op == DLG_IMAGE_FILL) {
      fills[calls[i].key]++;
      EXPECT_EQ(calls[i].color, SYM_PICK_CLEAR_COLOUR);
    }
  }
  EXPECT_EQ(fills.size(), 24u);
  EXPECT_EQ(vectors.size(), 6u);
  for (int n = 7; n <= 24; n++) EXPECT_EQ(vectors.count("image" + std::to_string(n)), 0u) << n;
}

TEST_F(SymPick, PrevAfterNextShowsTheFirstPageAgain) {
  char out[40] = "";
  EXPECT_EQ(pick_shape("pick next\npick prev\npick exit\n", out, sizeof out), 0);
  EXPECT_EQ(labels(), page(1, 24));
  EXPECT_FALSE(tile("prev").enabled);
}

TEST_F(SymPick, PickingImage7ReturnsTheLabelOfShape7CutToTheBuffer) {
  char out[40] = "keep";
  EXPECT_EQ(pick_shape("pick image7\n", out, sizeof out), 0);
  EXPECT_STREQ(out, "S7");
  load("LONG", "*7,5,AVERYLONGSHAPENAME\n1,8,(2,2),0\n");
  char small[5] = "";
  host_io_use_script_text("pv_sel_sym\npick image1\n");
  EXPECT_EQ(sym_pick_shape_dialog("LONG", small, sizeof small), 0);
  EXPECT_STREQ(small, "AVER") << "a longer label is cut to the buffer's size";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(SymPick, EveryVectorLiesInsideItsTileAndEachPictureIsCentred) {
  char out[40] = "";
  EXPECT_EQ(pick_shape("pick exit\n", out, sizeof out), 0);
  short w = 0, h = 0;
  struct Box {
    int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  };
  std::map<std::string, Box> boxes;
  for (const dlg_image_call &c : dlg_test_image_calls()) {
    if (c.op == DLG_IMAGE_FILL) {
      w = (short)c.x2;
      h = (short)c.y2;
      EXPECT_EQ(c.x1, 0);
      continue;
    }
    if (c.op != DLG_IMAGE_VECTOR) continue;
    EXPECT_EQ(c.color, -18) << "the dialog line colour";
    Box &b = boxes[c.key];
    b.x0 = std::min({b.x0, c.x1, c.x2});
    b.x1 = std::max({b.x1, c.x1, c.x2});
    b.y0 = std::min({b.y0, c.y1, c.y2});
    b.y1 = std::max({b.y1, c.y1, c.y2});
  }
  ASSERT_GT(w, 0);
  ASSERT_EQ(boxes.size(), 24u);
  int widest = 0;
  for (const auto &[key, b] : boxes) {
    EXPECT_GE(b.x0, w / 10) << key;
    EXPECT_LE(b.x1, w - w / 10) << key;
    EXPECT_GE(b.y0, h / 10) << key;
    EXPECT_LE(b.y1, h - h / 10) << key;
    EXPECT_NEAR((b.x0 + b.x1) / 2.0, w / 2.0, 1.0) << key;
    EXPECT_NEAR((b.y0 + b.y1) / 2.0, h / 2.0, 1.0) << key;
    widest = std::max(widest, b.x1 - b.x0);
  }
  /* One scale for the page fits the widest loaded shape (S30) into the
  ** room inside the margins; the widest on page 1 is S24. */
  EXPECT_NEAR(widest, (w - 2 * (w / 10)) * 24.0 / 30.0, 1.5);
  /* y runs downwards: shape 1 goes right and up, so its end is higher. */
  for (const dlg_image_call &c : dlg_test_image_calls())
    if (c.op == DLG_IMAGE_VECTOR && c.key == "image1") { EXPECT_LT(c.y2, c.y1); }
}

TEST_F(SymPick, RefusalsComeBeforeAnyDialog) {
  char out[8] = "";
  EXPECT_EQ(sym_pick_shape_dialog(" ", out, sizeof out), -2);
  EXPECT_EQ(sym_pick_shape_dialog("NOTLOADED", out, sizeof out), -2);
  EXPECT_EQ(sym_pick_shape_dialog("T30", nullptr, 8), -2);
  char **saved = g_hatch_list;
  int saved_count = g_hatch_count;
  g_hatch_list = nullptr;
  g_hatch_count = 0;
  EXPECT_EQ(sym_pick_pattern_dialog("ACAD", out, sizeof out), -2);
  g_hatch_list = saved;
  g_hatch_count = saved_count;
  EXPECT_EQ(pv_sel_sym_dialog(nullptr, out, sizeof out), -2);
  EXPECT_EQ(dlg_test_open(), 0);
  int dcl = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  EXPECT_EQ(sym_pick_shape_dialog("T30", out, sizeof out), -1);
  g_dcl_id = dcl;
  EXPECT_NE(host_io_transcript().find("Cannot load dialog box: pv_sel_sym."), std::string::npos);
}

TEST_F(SymPick, PatternsAreSlidesOfTheSlideLibraryPagedByTwentyFour) {
  std::vector<std::string> names;
  for (int i = 0; i < 26; i++) names.push_back("PAT" + std::to_string(i));
  std::vector<char *> list;
  for (auto &n : names) list.push_back(n.data());
  char **saved = g_hatch_list;
  int saved_count = g_hatch_count;
  g_hatch_list = list.data();
  g_hatch_count = (int)list.size();
  char out[16] = "";
  host_io_use_script_text("pv_sel_pat\npick next\npick image2\n");
  EXPECT_EQ(sym_pick_pattern_dialog("ACAD", out, sizeof out), 0);
  g_hatch_list = saved;
  g_hatch_count = saved_count;
  EXPECT_STREQ(out, "PAT25");
  std::vector<std::string> slides;
  for (const dlg_image_call &c : dlg_test_image_calls())
    if (c.op == DLG_IMAGE_SLIDE) slides.push_back(c.slide);
  ASSERT_EQ(slides.size(), 26u);
  EXPECT_EQ(slides[0], "ACAD(PAT0)");
  EXPECT_EQ(slides[25], "ACAD(PAT25)");
  EXPECT_EQ(tile("shape3", "pv_sel_pat").value, "");
  EXPECT_FALSE(tile("next", "pv_sel_pat").enabled);
}

/* The profile picker: 30 items of a tree, every other one with a symbol
** setup of a T30 shape, under two groups. */
class ProfilePick : public SymPick {
 protected:
  void SetUp() override {
    SymPick::SetUp();
    item_root_init(&root_, "STRAT", "ROCKD");
    /* Children are added first, so add in reverse to read in order. */
    item_node *groups[2];
    groups[1] = item_add_child(&root_, "G2", "G2", 2, 0, nullptr);
    groups[0] = item_add_child(&root_, "G1", "G1", 1, 0, nullptr);
    for (int n = 60; n >= 1; n--) {
      std::string name = "I" + std::to_string(n);
      item_node *node = item_add_child(groups[n <= 30 ? 0 : 1], name.c_str(), nullptr, (uint16_t)n, 0, nullptr);
      if (n % 2) continue;   /* odd items carry no symbol */
      sym_rec *s = sym_new();
      s->owner_kind = SYM_OWNER_ITEM;
      s->owner = node;
      s->flags = SYM_SYMBOL;
      sym_set_text(&s->symbol, ("S" + std::to_string(n / 2)).c_str());
      sym_set_text(&s->library, "T30");
      node->symbol = s;
      item_set_flag(node, ITEM_SYMBOL);
      setups_.push_back(s);
    }
    rule_ = col_attr_new();
    snprintf(rule_->column, sizeof rule_->column, "ROCK");
    snprintf(rule_->profile, sizeof rule_->profile, "STRAT");
    snprintf(rule_->dictionary, sizeof rule_->dictionary, "ROCKD");
    rule_->tree = &root_;
    rule_->flags |= COL_ATTR_PROFILE;
  }
  void TearDown() override {
    rule_->tree = nullptr;
    col_attr_free(rule_);
    for (sym_rec *s : setups_) sym_free(s);
    item_root_empty(&root_);
    SymPick::TearDown();
  }
  /* Item labels "I<from>".."I<to>" of the even items, then blanks. */
  static std::vector<std::string> items(int from, int to) {
    std::vector<std::string> out;
    for (int n = from; n <= to; n += 2) out.push_back("I" + std::to_string(n));
    out.resize(24);
    return out;
  }

  item_node root_ = {};
  col_attr_rec *rule_ = nullptr;
  std::vector<sym_rec *> setups_;
};

TEST_F(ProfilePick, ItemsWithSymbolsPageForwardAndBackByTheirItems) {
  char out[40] = "keep";
  host_io_use_script_text("pv_sel_sym\npick next\npick exit\n");
  EXPECT_EQ(pv_sel_sym_dialog(rule_, out, sizeof out), RTNORM);
  EXPECT_EQ(labels(), items(50, 60));
  EXPECT_FALSE(tile("next").enabled);
  EXPECT_STREQ(out, "keep");
  host_io_use_script_text("pv_sel_sym\npick next\npick prev\npick image3\n");
  EXPECT_EQ(pv_sel_sym_dialog(rule_, out, sizeof out), RTNORM);
  EXPECT_EQ(labels(), items(2, 48));
  EXPECT_FALSE(tile("prev").enabled) << "back at the first item with a symbol";
  EXPECT_STREQ(out, "I6");
  /* The pictures are the items' shapes: I2 has S1, a line 1 unit long. */
  int drawn = 0;
  for (const dlg_image_call &c : dlg_test_image_calls()) drawn += c.op == DLG_IMAGE_VECTOR;
  EXPECT_GT(drawn, 0);
}

TEST_F(ProfilePick, ARuleWithoutItemSymbolsOrNamesIsRefused) {
  char out[8] = "";
  rule_->flags &= (uint16_t)~COL_ATTR_PROFILE;
  EXPECT_EQ(pv_sel_sym_dialog(rule_, out, sizeof out), -2);
  rule_->flags |= COL_ATTR_PROFILE;
  snprintf(rule_->dictionary, sizeof rule_->dictionary, " ");
  EXPECT_EQ(pv_sel_sym_dialog(rule_, out, sizeof out), -2);
  EXPECT_EQ(pv_sel_sym_dialog(rule_, nullptr, 8), -2);
}

}  // namespace
