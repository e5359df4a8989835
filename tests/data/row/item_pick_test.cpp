/*
** item_pick_test.cpp: the item pickers run through the stand-in editor's
** scripted dialogs on a DB3 project: picks kept in the order made and
** joined within the buffer, a single pick replacing the last, levels, items
** inserted from the dictionary or completed as a new dictionary row in the
** row editor, deletion moving children up, the tree walker, and both
** pickers opened from the row editor's "list" and "tree".
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "data/col_attr.h"
#include "data/item_pick.h"
#include "data/item_table.h"
#include "data/row_edit.h"
#include "data/row/dialog_fixture.h"
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

TEST_F(ItemPick, ArgumentsTheRootAndTheSelectionAreCheckedAndSymbolOpensTheItemsSetup) {
  char buffer[8] = "";
  EXPECT_EQ(pv_select_profile_dialog(nullptr, buffer, 8, 0, ' ', project_, nullptr), -1);
  EXPECT_EQ(pv_select_profile_dialog(root_, buffer, 0, 0, ' ', project_, nullptr), -1);
  EXPECT_EQ(pv_select_profile_dialog(root_, buffer, 8, 0, ' ', nullptr, nullptr), -1);
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

}  // namespace
