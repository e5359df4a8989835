/*
** prf_edit_test.cpp: the profile editor run through the stand-in editor's
** scripted dialogs on a DB3 project with the dictionary ROCKD: a profile
** created, built by inserting and moving items, paged, saved as a table
** (read back row by row) and as a text file loaded back as the source; a
** long name the dictionary lacks completed in the row editor; a file
** outside the project's directory refused; every action refused without
** a project; a saved tree handed to every rule bound to its profile; the
** profiles the pickers changed saved before the editor opens and by the
** setup saver.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/setup_store.h"
#include "data/item_table.h"
#include "data/prf_edit.h"
#include "data/row/dialog_fixture.h"
#include "module/pv_project_cmds.h"
#include "platform/dialog/dialog_test_api.h"

namespace {

class PrfEdit : public DialogDb3Test {
 protected:
  void SetUp() override {
    DialogDb3Test::SetUp();
    if (IsSkipped()) return;
    prf_serve_setups();
    ASSERT_EQ(prf_edit_set_project(nullptr, project_), 0);
    char name[] = "ROCKD";
    ASSERT_EQ(dix_create(name), 0);
    for (const char *item : {"Granite", "Basalt", "Coarse"}) {
      uint16_t number = 0;
      ASSERT_EQ(dix_insert("ROCKD", item, std::string(item, 1).c_str(), &number, "", 0), 0);
    }
    dir_ = pjct_dir(project_->name);
  }
  void TearDown() override {
    DialogDb3Test::TearDown();
  }

  /* Runs the editor with answers; its result. */
  int edit(const std::string &answers) {
    host_io_clear_transcript();
    host_io_use_script_text("pv_edit_profile\n" + answers);
    return pv_edit_profile_dialog();
  }

  /* A tile of the editor as it ended. */
  static dlg_tile_snapshot tile(const char *key) {
    dlg_tile_snapshot t;
    EXPECT_TRUE(dlg_test_last_tile("pv_edit_profile", key, t)) << key;
    return t;
  }

  /* Times a text appears in the transcript. */
  static int count(const std::string &text) {
    const std::string t = host_io_transcript();
    int n = 0;
    for (size_t at = t.find(text); at != std::string::npos; at = t.find(text, at + 1)) n++;
    return n;
  }

  /* Adds a rule on ROCKP : ROCKD holding each tree to the project. */
  void bind(std::initializer_list<item_node *> trees) {
    for (item_node *t : trees) {
      col_attr_rec *r = col_attr_new();
      snprintf(r->profile, sizeof r->profile, "ROCKP");
      snprintf(r->dictionary, sizeof r->dictionary, "ROCKD");
      r->tree = t;
      r->next = project_->col_attrs;
      project_->col_attrs = r;
      rules_.push_back(r);
    }
  }
  /* Takes the rules out again, newest first as they were added; their
  ** trees are the test's. */
  void unbind() {
    for (auto it = rules_.rbegin(); it != rules_.rend(); ++it) {
      project_->col_attrs = (*it)->next;
      (*it)->tree = nullptr;
      col_attr_free(*it);
    }
    rules_.clear();
  }
  /* A changed tree ROCKP : ROCKD with Granite, as a picker leaves it. */
  static item_node *changed_tree() {
    item_node *tree = (item_node *)calloc(1, sizeof(item_node));
    item_root_init(tree, "ROCKP", "ROCKD");
    item_add_child(tree, "Granite", "G", 1, 0, nullptr);
    tree->flags |= ITEM_CHANGED;
    return tree;
  }

  /* Loads ROCKP : ROCKD as the target, creating it. */
  inline static const std::string load_new = "set src_dix_name ROCKD\nset tgt_prf_name ROCKP\npick tgt_load\npv_prf_opts\nok\n"
                                "pv_okquit_small\nok\n";

  std::string dir_;   /* the project's directory */
  std::vector<col_attr_rec *> rules_;   /* rules bound by the test */
};

TEST_F(PrfEdit, WithoutAProjectEveryActionSaysNoProjectSelected) {
  pjct_rec *list = g_pjct_list;
  g_pjct_list = nullptr;
  const char *actions[] = {"tgt_load", "src_load", "dix_load", "tgt_save", "select", "clear", "insert",
                           "modify",   "delete",   "move",     "copy",     "src_copy", "symbol", "tgt_dix",
                           "src_dix",  "tgt_file"};
  std::string script;
  for (const char *a : actions) script += std::string("pick ") + a + "\n";
  EXPECT_EQ(edit(script + "cancel\n"), RTERROR);
  g_pjct_list = list;
  EXPECT_EQ(count("No project selected"), (int)(sizeof actions / sizeof actions[0])) << host_io_transcript();
  EXPECT_EQ(tile("prf_project").items, (std::vector<std::string>{""}));
  EXPECT_FALSE(tile("src_dum1").enabled);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
}

TEST_F(PrfEdit, AProfileIsBuiltMovedPagedAndSavedAsATable) {
  EXPECT_EQ(edit(load_new +
                 "select tgt_prf 0\nset tgt_longname Granite\npick insert\n"
                 "select tgt_prf 1\npick sibling\nset tgt_longname Basalt\npick insert\n"
                 "select tgt_prf 1\npick child\nset tgt_longname Coarse\npick insert\n"
                 /* Basalt (line 3) under Granite. */
                 "select tgt_prf 3\npick move\nselect tgt_prf 1\npick insert\n"
                 /* select during a move asks; quitting cancels the move. */
                 "select tgt_prf 2\npick move\npick select\npv_okquit_small\nshow\ncancel\n"
                 "pick next\npick prev\n"
                 "pick tgt_save\npv_prf_opts\nok\npv_okquit_small\nshow\nok\n"
                 "cancel\n"),
            RTERROR);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  const std::string t = host_io_transcript();
  EXPECT_NE(t.find("MOVE in progress. Continue MOVE ?"), std::string::npos) << t;
  EXPECT_NE(t.find("End of profile reached"), std::string::npos) << t;
  EXPECT_NE(t.find("Top of profile reached"), std::string::npos) << t;
  EXPECT_NE(t.find("Profile ROCKP exists. Overwrite ?"), std::string::npos) << t;
  EXPECT_NE(t.find("Profile saved as ROCKP"), std::string::npos) << t;
  EXPECT_EQ(tile("tgt_prf").items,
            (std::vector<std::string>{"ROCKP : ROCKD", "  Granite", "    Basalt", "    Coarse"}));
  EXPECT_EQ(tile("tgt_prf").value, "2 ") << "select was not done after the move was quit";
  EXPECT_EQ(rows("SELECT SORTNUMBER, BASENUMBER, PARENTNUM, WINDOW FROM ROCKP ORDER BY SORTNUMBER"),
            "0|0|60077|8089\n1|1|0|0\n2|2|1|0\n3|3|1|0\n");
}

TEST_F(PrfEdit, ANewLongNameIsCompletedInTheRowEditorAndATextFileLoadsBackAsTheSource) {
  const std::string text = dir_ + "/ROCKP.TXT";
  EXPECT_EQ(edit(load_new +
                 "select tgt_prf 0\nset tgt_longname Granite\npick insert\n"
                 "select tgt_prf 1\nset tgt_longname Obsidian\nset tgt_shortname OB\npick insert\npv_edit_col\nok\n"
                 "set tgt_prf_name " + text + "\npick tgt_save\npv_prf_opts\npick txt_opt\nok\n"
                 "set src_prf_name " + text + "\npick src_load\npv_prf_opts\npick txt_opt\nok\n"
                 "cancel\n"),
            RTERROR);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  EXPECT_EQ(rows("SELECT BASENUMBER, SHORTNAME FROM ROCKD WHERE LONGNAME = 'Obsidian'"), "4|OB\n")
      << "numbered one above the highest" << host_io_transcript();
  std::vector<std::string> target = tile("tgt_prf").items, source = tile("src_prf").items;
  ASSERT_EQ(target.size(), 3u);
  ASSERT_EQ(source.size(), 3u);
  EXPECT_EQ(std::vector<std::string>(target.begin() + 1, target.end()),
            (std::vector<std::string>{"  Granite", "    Obsidian"}));
  EXPECT_EQ(std::vector<std::string>(source.begin() + 1, source.end()),
            std::vector<std::string>(target.begin() + 1, target.end()));
}

TEST_F(PrfEdit, AFileOutsideTheProjectDirectoryIsRefused) {
  EXPECT_EQ(edit("pick tgt_file\n/elsewhere/ROCKP.DBF\n" + dir_ + "/ROCKP.DBF\ncancel\n"), RTERROR);
  EXPECT_NE(host_io_transcript().find("File must be selected from " + dir_ + "/"), std::string::npos)
      << host_io_transcript();
  EXPECT_EQ(tile("tgt_prf_name").value, dir_ + "/ROCKP.DBF");
  /* A dictionary typed with another folder is refused, not cut to its
  ** last part; the project's own folder, as the choice gives it, names it. */
  for (const std::string typed : {"/elsewhere/LITHD", "../OTHER/LITHD"}) {
    /* With a long folder name the refusal comes in the wrapping alert. */
    std::string said = "ERROR: dictionary " + typed + " is not in the project's folder " + dir_ + "/";
    bool wrapped = std::strlen(ERR_TITLE) + said.size() >= MSG_WRAP_THRESHOLD;
    EXPECT_EQ(edit("set src_dix_name " + typed + "\npick dix_load\n" + (wrapped ? "pv_alert_wrap\nok\n" : "") +
                   "cancel\n"),
              RTERROR);
    std::string shown = host_io_transcript();
    dlg_tile_snapshot lines;
    if (wrapped && dlg_test_last_tile("pv_alert_wrap", "lines", lines)) {
      shown.clear();
      for (const std::string &l : lines.items) shown += l;
      std::erase(said, ' ');
      std::erase(shown, ' ');
    }
    EXPECT_NE(shown.find(said), std::string::npos) << shown;
    EXPECT_FALSE(has_file("LITHD.DBF")) << typed;
  }
  EXPECT_EQ(edit("set src_dix_name " + dir_ + "/LITHD\npick dix_load\npv_dix_opts\nok\npv_okquit_small\nok\ncancel\n"),
            RTERROR);
  EXPECT_TRUE(has_file("LITHD.DBF")) << host_io_transcript();
}

TEST_F(PrfEdit, ATableSaveHandsTheTreeToEveryRuleOfThatProfileFreeingEachOldTreeOnce) {
  /* Two rules share an old tree, a third holds one of its own. */
  item_node *shared = (item_node *)calloc(1, sizeof(item_node));
  item_node *own = (item_node *)calloc(1, sizeof(item_node));
  item_root_init(shared, "ROCKP", "ROCKD");
  item_root_init(own, "ROCKP", "ROCKD");
  bind({shared, shared, own});
  EXPECT_EQ(edit(load_new + "select tgt_prf 0\nset tgt_longname Granite\npick insert\n"
                 "pick tgt_save\npv_prf_opts\nok\npv_okquit_small\nok\ncancel\n"),
            RTERROR);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  item_node *tree = rules_[0]->tree;
  ASSERT_NE(tree, nullptr);
  EXPECT_NE(tree, shared);
  EXPECT_NE(item_find(tree, "Granite"), nullptr) << "the saved tree outlives the editor";
  for (col_attr_rec *r : rules_) EXPECT_EQ(r->tree, tree);
  unbind();
  item_free_tree(tree);
}

TEST_F(PrfEdit, ANameOfControlCharactersOnlyIsRefusedAndNeverWritten) {
  EXPECT_EQ(edit(load_new + "select tgt_prf 0\nset tgt_longname \x7f\x7f\npick insert\ncancel\n"), RTERROR);
  EXPECT_EQ(count("No item name specified"), 1) << host_io_transcript();
  EXPECT_EQ(rows("SELECT COUNT(*) FROM ROCKD"), "4\n") << "the header and the three items only";
}

TEST_F(PrfEdit, ASaveWhoseQuestionsAreCancelledEndsInsteadOfAskingForever) {
  const std::string with_item = load_new + "select tgt_prf 0\nset tgt_longname Granite\npick insert\n";
  /* The script runs dry at the options box, then at the overwrite question. */
  for (const std::string &rest : {std::string("pick tgt_save\n"), std::string("pick tgt_save\npv_prf_opts\nok\n")}) {
    EXPECT_EQ(edit(with_item + rest), RTERROR);
    int asked = 0;
    for (const auto &f : host_io_faults()) asked += f.find("pv_yesno_small") != std::string::npos;
    EXPECT_EQ(asked, 1) << rest << host_io_transcript();
    EXPECT_EQ(count("Profile saved as"), 0) << rest;
  }
}

TEST_F(PrfEdit, AnOptionsDialogThatCannotBeLoadedIsSaidOnceAndAnsweredAsAFailure) {
  const int dcl = g_dcl_id;
  g_dcl_id = PV_NO_DCL;
  host_io_clear_transcript();
  EXPECT_EQ(prf_opts_dialog("pv_prf_opts", "Save ROCKP as ROCKP ?"), -9501);
  g_dcl_id = dcl;
  EXPECT_EQ(count("Cannot load dialog box pv_prf_opts"), 1) << host_io_transcript();
  EXPECT_EQ(count("Really abort SAVE ?"), 0);
}

TEST_F(PrfEdit, ProfilesChangedThroughThePickersAreSavedOnceBeforeTheEditorOpens) {
  item_node *tree = changed_tree();
  bind({tree, tree});
  project_->flags |= PJCT_CHG_PROFILES;
  host_io_clear_transcript();
  host_io_use_script_text("pv_edit_profile\ncancel\n");
  EXPECT_EQ(pv_profile(nullptr), RTERROR);
  EXPECT_EQ(rows("SELECT SORTNUMBER, BASENUMBER, PARENTNUM FROM ROCKP ORDER BY SORTNUMBER"), "0|0|60077\n1|1|0\n");
  EXPECT_FALSE(tree->flags & ITEM_CHANGED);
  EXPECT_FALSE(project_->flags & PJCT_CHG_PROFILES);
  EXPECT_EQ(tile("prf_project").value, "0") << "the editor opens on the newest project";
  unbind();
  item_free_tree(tree);
}

TEST_F(PrfEdit, TheSetupSaverAsksOnceAndSavesTheProfilesThePickersChanged) {
  item_node *tree = changed_tree();
  bind({tree});
  project_->flags |= PJCT_CHG_PROFILES;
  host_io_clear_transcript();
  host_io_use_script_text("pv_yesno_small\nshow\nok\n");
  EXPECT_EQ(setup_save_all(g_pjct_list, 1), 0);
  EXPECT_NE(host_io_transcript().find("GEO"), std::string::npos) << "the question names the project";
  EXPECT_EQ(rows("SELECT SORTNUMBER, BASENUMBER, PARENTNUM FROM ROCKP ORDER BY SORTNUMBER"), "0|0|60077\n1|1|0\n");
  EXPECT_FALSE(tree->flags & ITEM_CHANGED);
  EXPECT_FALSE(project_->flags & PJCT_CHG_PROFILES);
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  unbind();
  item_free_tree(tree);
}

}  // namespace
