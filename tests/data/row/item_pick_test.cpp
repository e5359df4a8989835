/*
** item_pick_test.cpp: the item pickers run through the stand-in editor's
** scripted dialogs on a DB3 project: picks kept in the order made and
** joined within the buffer, a single pick replacing the last, levels, items
** inserted from the dictionary or completed as a new dictionary row in the
** row editor, deletion moving children up, the tree walker, and both
** pickers opened from the row editor's "list" and "tree", and the
** walker's symbol previews paged 16 at a time and redrawn when a symbol
** changes.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/sym_setup.h"
#include "data/item_pick.h"
#include "data/item_table.h"
#include "data/row/dialog_fixture.h"
#include "data/row_edit.h"
#include "data/sym_pick.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class ItemPick : public DialogDb3Test {
 protected:
  void SetUp() override {
    DialogDb3Test::SetUp();
    if (IsSkipped()) return;
    /* ROCKP : ROCKD with A (A1 (A11), A2), B, C. */
    root_ = (item_node *)calloc(1, sizeof(item_node));
    item_root_init(root_, "ROCKP", "ROCKD");
    a_ = item_add_child(root_, "Andesite", "A", 1, 0, nullptr);
    a1_ = item_add_child(a_, "Aplite", "A1", 2, 0, nullptr);
    a11_ = item_add_child(a1_, "Arkose", "A11", 3, 0, nullptr);
    item_add_sibling(a1_, "Amphibolite", "A2", 4, 0, nullptr);
    b_ = item_add_sibling(a_, "Basalt", "B", 5, 0, nullptr);
    c_ = item_add_sibling(b_, "Chert", "C", 6, 0, nullptr);
  }
  void TearDown() override {
    if (root_) item_free_tree(root_);
    DialogDb3Test::TearDown();
  }

  /* Runs pv_select_profile on the tree with answers. */
  int pick(const std::string &answers, char *buffer, size_t size, int many, int delimiter, int *level) {
    host_io_clear_transcript();
    host_io_use_script_text("pv_select_profile\n" + answers);
    return pv_select_profile_dialog(root_, buffer, size, many, delimiter, project_, level);
  }

  /* A tile of the dialog that ended last. */
  static dlg_tile_snapshot tile(const char *key, const char *dialog = "pv_select_profile") {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile(dialog, key, t)) << key;
    return t;
  }

  /* The dictionary ROCKD on the project with Andesite and Obsidian's
  ** neighbours. */
  void make_dictionary() {
    ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
    char name[] = "ROCKD";
    ASSERT_EQ(dix_create(name), 0);
    uint16_t number = 0;
    ASSERT_EQ(dix_insert("ROCKD", "Andesite", "AND", &number, "", 0), 0);
    ASSERT_EQ(dix_insert("ROCKD", "Dacite", "DAC", &number, "", 0), 0);
    prf_edit_set_project(nullptr, nullptr);
  }

  item_node *root_ = nullptr, *a_ = nullptr, *a1_ = nullptr, *a11_ = nullptr, *b_ = nullptr, *c_ = nullptr;
};

/* Lines: 0 root, 1 Andesite, 2 Aplite, 3 Arkose, 4 Amphibolite, 5 Basalt, 6 Chert. */

TEST_F(ItemPick, ManySelectKeepsThePickOrderAndASinglePickReplacesTheLast) {
  char buffer[64] = "untouched";
  int level = 0;
  EXPECT_EQ(pick("select sel_prf 6\nselect sel_prf 1 6\nselect sel_prf 1 5 6\nok\n", buffer, sizeof buffer, 1, ',',
                 &level),
            RTNORM);
  EXPECT_STREQ(buffer, "Chert,Andesite,Basalt");
  EXPECT_EQ(tile("sel_edit").value, "Chert,Andesite,Basalt");
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;

  EXPECT_EQ(pick("select sel_prf 6\nselect sel_prf 1 6\nok\n", buffer, sizeof buffer, 0, ',', &level), RTNORM);
  EXPECT_STREQ(buffer, "Andesite") << "without many-select the new pick replaces the first";
  EXPECT_EQ(tile("sel_prf").value, "1");

  EXPECT_EQ(pick("select sel_prf 0\nok\n", buffer, sizeof buffer, 1, ',', &level), RTNORM);
  EXPECT_STREQ(buffer, "Andesite") << "the root is never picked: the buffer stays";
  EXPECT_EQ(pick("select sel_prf 6\ncancel\n", buffer, sizeof buffer, 1, ',', &level), RTNORM);
  EXPECT_STREQ(buffer, "Andesite") << "cancel writes nothing";
}

TEST_F(ItemPick, JoinedNamesStayShorterThanTheBuffer) {
  struct {
    std::vector<item_node *> nodes;
    size_t size;
    int many;
    const char *joined;
  } cases[] = {
      {{c_, b_}, 64, 1, "Chert,Basalt"},
      {{c_, b_}, 12, 1, "Chert"},           /* "Chert,Basalt" is 12: left out with its comma */
      {{c_, b_}, 13, 1, "Chert,Basalt"},
      {{a_, c_, b_}, 15, 1, "Andesite,Chert"}, /* Basalt would not fit */
      {{a11_, c_}, 6, 1, "Chert"},          /* a later name that fits is still added, without a comma */
      {{c_, b_}, 64, 0, "ChertBasalt"},
  };
  for (const auto &c : cases) EXPECT_EQ(pick_join_names(c.nodes, c.size, c.many, ','), c.joined) << c.size;
  char buffer[6] = "";
  int level = 0;
  EXPECT_EQ(pick("select sel_prf 1\nselect sel_prf 1 6\nok\n", buffer, sizeof buffer, 1, ',', &level), RTNORM);
  EXPECT_STREQ(buffer, "Chert") << "Andesite fills a buffer of 6";
}

TEST_F(ItemPick, ALevelListsOnlyTheRootAndItemsDownToIt) {
  char buffer[64] = "";
  int level = -3;
  EXPECT_EQ(pick("show\nset sel_level 2\npick apply\nset sel_level -1\npick apply\ncancel\n", buffer, sizeof buffer,
                 1, ' ', &level),
            RTNORM);
  EXPECT_EQ(level, 2) << "the level in force goes back to the caller";
  EXPECT_EQ(tile("sel_prf").items,
            (std::vector<std::string>{"ROCKP : ROCKD", "  Andesite", "    Aplite", "    Amphibolite", "  Basalt",
                                      "  Chert"}));
  EXPECT_NE(host_io_transcript().find("      Arkose"), std::string::npos) << "level 0 (from -3) lists all";
  EXPECT_EQ(pick_prf_node_at(root_, 2, 3), a_->child->next);
  EXPECT_EQ(pick_prf_line_of(root_, 2, a11_), -1);
  EXPECT_EQ(pick_prf_line_of(root_, 0, a11_), 3);
}

TEST_F(ItemPick, AnItemWithABlankLongNameIsListedByItsShortName) {
  item_add_sibling(c_, " ", "SH", 7, 0, nullptr);
  char buffer[64] = "";
  int level = 0;
  EXPECT_EQ(pick("cancel\n", buffer, sizeof buffer, 1, ' ', &level), RTNORM);
  EXPECT_EQ(tile("sel_prf").items.back(), "  SH");
}

TEST_F(ItemPick, ArgumentsTheRootAndTheSelectionAreCheckedAndSymbolOpensTheItemsSetup) {
  char buffer[8] = "";
  EXPECT_EQ(pv_select_profile_dialog(nullptr, buffer, 8, 0, ' ', project_, nullptr), -1);
  EXPECT_EQ(pv_select_profile_dialog(root_, buffer, 0, 0, ' ', project_, nullptr), -1);
  EXPECT_EQ(pv_select_profile_dialog(root_, buffer, 8, 0, ' ', nullptr, nullptr), -1);
  /* A dialog that cannot be loaded is said and answered as a failure. */
  const int dcl = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  host_io_clear_transcript();
  EXPECT_EQ(pv_select_profile_dialog(root_, buffer, 8, 0, ' ', project_, nullptr), -9501);
  g_dcl_id = dcl;
  EXPECT_NE(host_io_transcript().find("Cannot load dialog box pv_select_profile"), std::string::npos);
  int level = 0;
  EXPECT_EQ(pick("pick delete\nselect sel_prf 0\npick delete\nselect sel_prf 1 2\npick delete\ncancel\n",
                 buffer, sizeof buffer, 1, ' ', &level),
            RTNORM);
  const std::string t = host_io_transcript();
  EXPECT_NE(t.find("Cannot delete top item"), std::string::npos) << t;
  EXPECT_NE(t.find("More than one item selected"), std::string::npos) << t;
  EXPECT_NE(t.find("No items selected"), std::string::npos) << t;
  EXPECT_EQ(root_->flags & ITEM_CHANGED, 0) << "nothing was changed";
  /* The symbol button opens the setup of the one selected item. */
  EXPECT_EQ(pick("select sel_prf 5\npick symbol\npv_symsetup\ncancel\ncancel\n", buffer, sizeof buffer, 1, ' ',
                 &level),
            RTNORM);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  host_io_use_script_text("pv_sel_tree\nselect symbol_tree 1\npick symbol\npv_symsetup\ncancel\ncancel\n");
  col_attr_rec *rule = col_attr_new();
  snprintf(rule->profile, sizeof rule->profile, "ROCKP");
  snprintf(rule->dictionary, sizeof rule->dictionary, "ROCKD");
  rule->tree = root_;
  rule->next = project_->col_attrs;   /* the project's rule: the walker's project */
  project_->col_attrs = rule;
  EXPECT_EQ(pv_sel_tree_dialog(rule, buffer, sizeof buffer), RTNORM);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  project_->col_attrs = rule->next;
  rule->tree = nullptr;
  col_attr_free(rule);
}

TEST_F(ItemPick, DeletingAnItemMovesItsChildrenUpAndMarksTheProfileChanged) {
  char buffer[64] = "";
  int level = 0;
  project_->flags &= ~PJCT_CHG_PROFILES;
  EXPECT_EQ(pick("select sel_prf 2\npick delete\ncancel\n", buffer, sizeof buffer, 1, ' ', &level), RTNORM);
  EXPECT_EQ(tile("sel_prf").items, (std::vector<std::string>{"ROCKP : ROCKD", "  Andesite", "    Arkose",
                                                            "    Amphibolite", "  Basalt", "  Chert"}));
  EXPECT_EQ(tile("sel_prf").value, "2") << "the same line is selected again";
  EXPECT_EQ(tile("sel_edit").value, "Arkose");
  EXPECT_EQ(a11_->parent, a_);
  EXPECT_EQ(a11_->depth, 1 + 1);
  EXPECT_EQ(item_find(root_, "Aplite"), nullptr);
  EXPECT_TRUE(root_->flags & ITEM_CHANGED);
  EXPECT_TRUE(project_->flags & PJCT_CHG_PROFILES);
}

TEST_F(ItemPick, InsertTakesTheDictionarysItemOrCompletesANewRowInTheRowEditor) {
  make_dictionary();
  char buffer[64] = "";
  int level = 0;
  /* Dacite is in ROCKD: a child of Basalt with the dictionary's names. */
  EXPECT_EQ(pick("select sel_prf 5\nset sel_edit Dacite\npick insert\nok\n", buffer, sizeof buffer, 1, ' ', &level),
            RTNORM);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  item_node *dacite = item_find(root_, "Dacite");
  ASSERT_NE(dacite, nullptr) << host_io_transcript();
  EXPECT_EQ(dacite->parent, b_);
  EXPECT_STREQ(dacite->second_name, "DAC");
  EXPECT_EQ(dacite->number, 2);
  EXPECT_STREQ(buffer, "Dacite") << "the inserted item is picked";
  EXPECT_TRUE(root_->flags & ITEM_CHANGED);
  EXPECT_TRUE(project_->flags & PJCT_CHG_PROFILES);

  /* Obsidian is not: a sibling of Chert, its row numbered 3 completed in
  ** the row editor with the short name typed there. */
  EXPECT_EQ(pick("select sel_prf 7\npick sibling\nset sel_edit Obsidian\npick insert\npv_edit_col\n"
                 "select edit_list 2\nset edit_col OBS\nselect edit_list 0\nok\nok\n",
                 buffer, sizeof buffer, 1, ' ', &level),
            RTNORM);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  item_node *obs = item_find(root_, "Obsidian");
  ASSERT_NE(obs, nullptr) << host_io_transcript();
  EXPECT_EQ(item_prev_sibling(obs), c_);
  EXPECT_STREQ(obs->second_name, "OBS");
  EXPECT_EQ(obs->number, 3);
  EXPECT_EQ(rows("SELECT BASENUMBER, SHORTNAME FROM ROCKD WHERE LONGNAME = 'Obsidian'"), "3|OBS\n");

  /* A sibling of the root is refused; a cancelled row adds nothing. */
  EXPECT_EQ(pick("select sel_prf 0\npick sibling\nset sel_edit Gabbro\npick insert\n\n"
                 "select sel_prf 1\npick child\nset sel_edit Gabbro\npick insert\npv_edit_col\ncancel\n\ncancel\n",
                 buffer, sizeof buffer, 1, ' ', &level),
            RTNORM);
  const std::string t = host_io_transcript();
  EXPECT_NE(t.find("Cannot insert sibling at top"), std::string::npos) << t;
  EXPECT_NE(t.find("Cannot add item to dictionary"), std::string::npos) << t;
  EXPECT_EQ(item_find(root_, "Gabbro"), nullptr);
}

TEST_F(ItemPick, TheTreeWalkerDescendsAndAnswersTheLongNameCutToFit) {
  col_attr_rec *rule = col_attr_new();
  snprintf(rule->profile, sizeof rule->profile, "ROCKP");
  snprintf(rule->dictionary, sizeof rule->dictionary, "ROCKD");
  rule->tree = root_;
  char buffer[64] = "kept";
  host_io_use_script_text("pv_sel_tree\nselect symbol_tree 0\nok\n");
  EXPECT_EQ(pv_sel_tree_dialog(rule, buffer, sizeof buffer), RTNORM);
  EXPECT_STREQ(buffer, "kept") << "line 0 at the root gives nothing";
  EXPECT_EQ(tile("symbol_tree", "pv_sel_tree").items,
            (std::vector<std::string>{"ROCKP : ROCKD", "  Andesite", "  Basalt", "  Chert"}));

  host_io_use_script_text("pv_sel_tree\nselect symbol_tree 1\nselect symbol_tree 1\nselect symbol_tree 1\n"
                          "select symbol_tree 0\nok\n");
  EXPECT_EQ(pv_sel_tree_dialog(rule, buffer, sizeof buffer), RTNORM);
  EXPECT_STREQ(buffer, "Arkose") << "down to Arkose and up again, its line selected";
  EXPECT_EQ(tile("symbol_tree", "pv_sel_tree").items, (std::vector<std::string>{"Aplite", "  Arkose"}));
  EXPECT_EQ(tile("symbol_tree", "pv_sel_tree").value, "1") << "the node come from is selected";

  host_io_use_script_text("pv_sel_tree\nselect symbol_tree 1\nok\n");
  EXPECT_EQ(pv_sel_tree_dialog(rule, buffer, sizeof buffer), RTNORM);
  EXPECT_STREQ(buffer, "Andesite") << "line 0 below the root is the current node";

  char small[4] = "";
  host_io_use_script_text("pv_sel_tree\nselect symbol_tree 1\nselect symbol_tree 1\nok\n");
  EXPECT_EQ(pv_sel_tree_dialog(rule, small, sizeof small), RTNORM);
  EXPECT_STREQ(small, "Apl") << "the long name is cut to the buffer";
  EXPECT_FALSE(tile("prev", "pv_sel_tree").enabled);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;

  rule->profile[0] = 0;
  EXPECT_EQ(pv_sel_tree_dialog(rule, buffer, sizeof buffer), -2);
  rule->tree = nullptr;
  col_attr_free(rule);
}

/* The walker's previews: a tree ROCKP : ROCKD whose root has 20 children
** K1..K20, each Kn with the shape Sn of the library T20 but K5 without a
** symbol; K1 has a child G with S20. */
class TreePreview : public ItemPick {
 protected:
  void SetUp() override {
    ItemPick::SetUp();
    if (IsSkipped()) return;
    shape_store_init();
    std::string src;
    for (int n = 1; n <= 20; n++)
      src += "*" + std::to_string(n) + ",5,S" + std::to_string(n) + "\n1,8,(" + std::to_string(n) + ",1),0\n";
    FILE *fp = fmemopen((void *)src.data(), src.size(), "r");
    ASSERT_GT(shape_font_load_stream("T20", fp), 0) << shape_load_error();
    fclose(fp);
    tree_ = (item_node *)calloc(1, sizeof(item_node));
    item_root_init(tree_, "ROCKP", "ROCKD");
    for (int n = 20; n >= 1; n--) {   /* a child is added first: add in reverse */
      kids_[n] = item_add_child(tree_, ("K" + std::to_string(n)).c_str(), nullptr, (uint16_t)n, 0, nullptr);
      if (n != 5) give_symbol(kids_[n], n);
    }
    give_symbol(item_add_child(kids_[1], "G", nullptr, 21, 0, nullptr), 20);
    rule_ = col_attr_new();
    snprintf(rule_->profile, sizeof rule_->profile, "ROCKP");
    snprintf(rule_->dictionary, sizeof rule_->dictionary, "ROCKD");
    rule_->tree = tree_;
    rule_->next = project_->col_attrs;   /* the project's rule: the walker's project */
    project_->col_attrs = rule_;
  }
  void TearDown() override {
    if (rule_) {
      project_->col_attrs = rule_->next;
      rule_->tree = nullptr;
      col_attr_free(rule_);
    }
    for (sym_rec *s : setups_) sym_free(s);
    if (tree_) item_free_tree(tree_);
    shape_store_free();
    ItemPick::TearDown();
  }
  void give_symbol(item_node *node, int shape) {
    sym_rec *s = sym_new();
    s->owner_kind = SYM_OWNER_ITEM;
    s->owner = node;
    s->flags = SYM_SYMBOL;
    sym_set_text(&s->symbol, ("S" + std::to_string(shape)).c_str());
    sym_set_text(&s->library, "T20");
    node->symbol = s;
    item_set_flag(node, ITEM_SYMBOL);
    setups_.push_back(s);
  }
  /* Runs the walker with answers; the buffer it wrote. */
  std::string walk(const std::string &answers) {
    dlg_test_clear();
    char buffer[32] = "";
    host_io_use_script_text("pv_sel_tree\n" + answers);
    EXPECT_EQ(pv_sel_tree_dialog(rule_, buffer, sizeof buffer), RTNORM);
    for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
    return buffer;
  }
  /* The 16 labels as the walker ended. */
  static std::vector<std::string> labels() {
    std::vector<std::string> out;
    for (int n = 1; n <= PICK_TREE_PAGE; n++) out.push_back(tile(("shape" + std::to_string(n)).c_str(), "pv_sel_tree").value);
    return out;
  }
  /* Labels "K<n>" of the numbers given, then blanks up to 16. */
  static std::vector<std::string> page(const std::vector<int> &numbers) {
    std::vector<std::string> out;
    for (int n : numbers) out.push_back("K" + std::to_string(n));
    out.resize(PICK_TREE_PAGE);
    return out;
  }
  /* The image tiles of the last page drawn: fills and tiles with vectors. */
  static void last_page(std::map<std::string, int> &fills, std::map<std::string, int> &vectors) {
    const auto &calls = dlg_test_image_calls();
    size_t from = 0;
    for (size_t i = 0; i < calls.size(); i++)
      if (calls[i].key == "image1" && calls[i].op == DLG_IMAGE_FILL) from = i;
    for (size_t i = from; i < calls.size(); i++) {
      EXPECT_EQ(calls[i].dialog, "pv_sel_tree");
      if (calls[i].op == DLG_IMAGE_FILL) fills[calls[i].key]++;
      if (calls[i].op == DLG_IMAGE_VECTOR) vectors[calls[i].key]++;
    }
  }

  item_node *tree_ = nullptr;
  item_node *kids_[21] = {};
  col_attr_rec *rule_ = nullptr;
  std::vector<sym_rec *> setups_;
};

TEST_F(TreePreview, TheRootsChildrenWithSymbolsPageSixteenAtATimeForwardAndBack) {
  walk("cancel\n");
  EXPECT_EQ(labels(), page({1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}))
      << "K5 has no symbol; G is no child of the root";
  EXPECT_FALSE(tile("prev", "pv_sel_tree").enabled);
  EXPECT_TRUE(tile("next", "pv_sel_tree").enabled);
  std::map<std::string, int> fills, vectors;
  last_page(fills, vectors);
  EXPECT_EQ(fills.size(), 16u) << "every tile of the dialog cleared, no tile beyond its 16";
  EXPECT_EQ(vectors.size(), 16u);
  for (const auto &f : fills) EXPECT_EQ(f.second, 1) << f.first;

  walk("pick next\ncancel\n");
  EXPECT_EQ(labels(), page({18, 19, 20}));
  EXPECT_TRUE(tile("prev", "pv_sel_tree").enabled);
  EXPECT_FALSE(tile("next", "pv_sel_tree").enabled) << "the page reaches the last child";
  fills.clear();
  vectors.clear();
  last_page(fills, vectors);
  EXPECT_EQ(fills.size(), 16u);
  EXPECT_EQ(vectors.size(), 3u) << "the other 13 tiles are only cleared";

  walk("pick next\npick prev\ncancel\n");
  EXPECT_EQ(labels(), page({1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17}));
  EXPECT_FALSE(tile("prev", "pv_sel_tree").enabled) << "back on the first page";
}

TEST_F(TreePreview, DescendingShowsTheCurrentNodeAndItsChildrenAndAPictureDoesNotEndTheWalk) {
  EXPECT_EQ(walk("pick next\nselect symbol_tree 1\npick image1\nok\n"), "K1")
      << "a click on a preview leaves the walker open";
  std::vector<std::string> expect = {"K1", "G"};
  expect.resize(PICK_TREE_PAGE);
  EXPECT_EQ(labels(), expect) << "the previews follow the node descended to, from its first page";
  EXPECT_FALSE(tile("next", "pv_sel_tree").enabled);
  EXPECT_FALSE(tile("prev", "pv_sel_tree").enabled);

  walk("select symbol_tree 1\nselect symbol_tree 0\ncancel\n");
  EXPECT_EQ(labels(), page({1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17})) << "up again at the root";
}

TEST_F(TreePreview, AnItemGivenASymbolInTheSetupDialogIsDrawnAgain) {
  /* Down to K5 (no children, no symbol yet): its own line 0 gets S5. */
  walk("select symbol_tree 5\npick symbol\npv_symsetup\npick sym_symbol\nset sym_lib_chc T20\n"
       "set sym_name_chc S5\nok\ncancel\n");
  ASSERT_NE(kids_[5]->symbol, nullptr) << host_io_transcript();
  EXPECT_EQ(labels(), page({5})) << "the previews are drawn again with K5's new symbol";
  std::map<std::string, int> fills, vectors;
  last_page(fills, vectors);
  EXPECT_EQ(vectors.count("image1"), 1u) << "K5's new shape is drawn";
  sym_detach(project_, kids_[5]->symbol);
}

}  // namespace
