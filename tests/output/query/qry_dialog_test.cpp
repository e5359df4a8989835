/*
** qry_dialog_test.cpp: the condition dialog driven by script answers on
** the DB3 project of query_project.py: a post-filter row typed first is
** moved behind the SQL row, a row on the second page is chosen at its
** place, changed tiles are offered for saving before a row is inserted, a
** name used by another query is refused, a blank name deletes the picked
** query after asking, the seven-blank entry starts a new query, and
** closing after picking a query leaves it as it runs (its values quoted,
** its post-filter rows apart), and a query that finds no row says so.
*/
#include "core/item_tree.h"
#include "platform/host_io.h"
#include "output/qry_db3_fixture.h"

namespace {

/* Column indexes of the dialog's lists (tables in name order: LEGND,
** ROCKD, SAMPLE, STATION, ULINK, UNITS). */
constexpr int kAu = 7, kSegment = 10, kUnit = 11, kRock = 12;

class ConditionDialog : public QueryDb3 {
 protected:
  pjct_rec *p_ = nullptr;
  item_node *tree_ = nullptr;
  col_attr_rec *rock_ = nullptr;
  /* Logs on; the rock types get a tree ROCK > IGNEOUS > GRANITE. */
  void SetUp() override {
    QueryDb3::SetUp();
    p_ = logon();
    ASSERT_NE(p_, nullptr);
    rock_ = pjct_find_column(p_, "STATION", "ROCKTYPE", nullptr)->attr;
    ASSERT_NE(rock_, nullptr);
    tree_ = (item_node *)calloc(1, sizeof(item_node));
    item_root_init(tree_, "STRAT", "ROCKD");
    item_add_child(item_add_child(item_add_child(tree_, "ROCK", "", 1, 0, nullptr), "IGNEOUS", "", 2, 0, nullptr),
                   "GRANITE", "", 3, 0, nullptr);
    rock_->tree = tree_;
    take_transcript();
  }
  void TearDown() override {
    if (rock_) rock_->tree = nullptr;
    if (tree_) {
      item_root_empty(tree_);
      free(tree_);
    }
    QueryDb3::TearDown();
  }
  /* Runs pv-query on the answers; answers the transcript. */
  std::string run(const std::string &answers) {
    host_io_use_script_text("pv_condition\n" + answers);
    struct resbuf *result = nullptr;
    EXPECT_EQ(host_invoke_function("c:pv-query", nullptr, &result), PV_ENTRY_OK);
    ads_relrb(result);
    return take_transcript();
  }
  /* The last form of the condition dialog in a transcript. */
  static std::string last_form(const std::string &t) {
    size_t at = t.rfind("=== Dialog pv_condition");
    return at == std::string::npos ? "" : t.substr(at, t.find("Answers:", at) - at);
  }
  /* A kept query of n rows "UNIT = 1", "OR UNIT = 2", ... over STATION. */
  qry_rec *kept(const char *name, int n) {
    std::vector<std::vector<const char *>> rows;
    static const char *values[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14",
                                   "15", "16", "17", "18", "19", "20"};
    for (int i = 0; i < n; i++) rows.push_back({i ? "OR" : "", "STATION.UNIT", "=", values[i]});
    qry_rec *q = query(p_, {"STATION.ROCKTYPE"}, rows);
    snprintf(q->name, sizeof q->name, "%s", name);
    qry_list_insert(&p_->queries, q);
    return q;
  }
};

TEST_F(ConditionDialog, PostFilterRowTypedFirstIsMovedBehindTheSqlRowAndJoinedByAnd) {
  std::string t = run("select column " + std::to_string(kRock) +
                      "\nselect operator 9\nset value GRANITE\npick modify\npick down\n"
                      "select connector 2\nselect column " + std::to_string(kUnit) +
                      "\nselect operator 5\nset value 1\npick modify\nshow\ncancel\n");
  std::string form = last_form(t);
  EXPECT_NE(form.find("0:      ( STATION.UNIT       = 1  )"), std::string::npos) << form;
  EXPECT_NE(form.find("1:  AND ( STATION.ROCKTYPE      IS GRANITE  )"), std::string::npos) << form;
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(ConditionDialog, ARowOnTheSecondPageIsChosenAtItsPlace) {
  kept("MANY", 16);
  std::string t = run("select queries 0\npick next\nselect condition 1\nshow\npick prev\nshow\ncancel\n");
  size_t second = t.rfind("=== Dialog pv_condition", t.rfind("=== Dialog pv_condition") - 1);
  std::string page2 = t.substr(second, t.rfind("=== Dialog pv_condition") - second);
  EXPECT_NE(page2.find("value          edit_box \"Value:\" = \"16\""), std::string::npos)
      << "the 16th row is the second of the second page: " << page2;
  EXPECT_NE(page2.find("prev           button \"Prev\"\n"), std::string::npos) << "prev enabled on page two";
  EXPECT_NE(page2.find("next           button \"Next\" (disabled)"), std::string::npos);
  std::string page1 = last_form(t);
  EXPECT_NE(page1.find("prev           button \"Prev\" (disabled)"), std::string::npos) << page1;
  EXPECT_NE(page1.find(" 0:      ( STATION.UNIT       = 1"), std::string::npos) << page1;
  EXPECT_NE(page1.find("condition      list_box \"Conditions:\" = \"\""), std::string::npos)
      << "the selected row stays the 16th, off this page: " << page1;
  EXPECT_STREQ(p_->queries->conds->value, "1") << "closing leaves the query as it runs";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(ConditionDialog, ChangedTilesAreOfferedForSavingBeforeARowIsInserted) {
  std::string t = run("select column " + std::to_string(kAu) +
                      "\nselect operator 2\nset value 5\npick modify\nset value 7\npick up\npv_yesno_small\nok\n"
                      "show\ncancel\n");
  std::string form = last_form(t);
  EXPECT_NE(t.find("Dialog: pv_yesno_small"), std::string::npos) << t;
  EXPECT_NE(form.find("1:      ( SAMPLE.AU       > 7  )"), std::string::npos) << "saved, then moved down: " << form;
  EXPECT_NE(form.find("*0:"), std::string::npos) << "the new blank row is selected";
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(ConditionDialog, ANameUsedByAnotherQueryIsRefused) {
  kept("ALPHA", 1);
  kept("BETA", 2);
  std::string t = run("select queries 0\nset qname beta\npick query\nshow\ncancel\n");
  EXPECT_NE(last_form(t).find("error          text = \"ERROR: Query name already used. Choose another.\""),
            std::string::npos)
      << t;
  EXPECT_STREQ(p_->queries->name, "ALPHA");
  EXPECT_STREQ(p_->queries->next->name, "BETA");
}

TEST_F(ConditionDialog, ABlankNameDeletesThePickedQueryAfterItRunsWhenTheUserSaysYes) {
  kept("GONE", 1);
  std::string t = run("select queries 0\nset qname \"\"\npick query\npv_yesno_small\nok\npv_msg_box\nshow\nok\n"
                      "pv_table_large\nok\n");
  EXPECT_NE(t.find("Querying... 2 records found..."), std::string::npos) << t;
  EXPECT_EQ(p_->queries, nullptr) << "taken out of the project's list and freed";
  EXPECT_TRUE(p_->flags & PJCT_CHG_QUERIES);
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(ConditionDialog, AQueryThatFindsNoRowSaysSoAndNotThatItFailed) {
  qry_rec *q = query(p_, {"STATION.ROCKTYPE"}, {{"", "STATION.UNIT", "=", "99"}});
  snprintf(q->name, sizeof q->name, "NONE");
  qry_list_insert(&p_->queries, q);
  std::string t = run("select queries 0\npick query\npv_alert_wrap\nok\npv_msg_box\nshow\nok\n");
  EXPECT_NE(t.find("Querying... No records found..."), std::string::npos) << t;
  EXPECT_EQ(t.find("Querying... Internal error encountered"), std::string::npos) << t;
  EXPECT_EQ(t.find("pv_table_large"), std::string::npos) << "no browser without rows: " << t;
  EXPECT_TRUE(host_io_faults().empty());
}

TEST_F(ConditionDialog, TheSevenBlankEntryStartsANewUnnamedQuery) {
  kept("ONE", 2);
  qry_rec *bare = query(p_, {"UNITS.UNITNAME"}, {});
  snprintf(bare->name, sizeof bare->name, "BARE");
  qry_list_insert(&p_->queries, bare);
  std::string t = run("select queries 0\nselect queries 1\nselect queries 2\nshow\ncancel\n");
  std::string form = last_form(t);
  EXPECT_NE(form.find("qname          edit_box \"Query name:\" = \"\""), std::string::npos) << form;
  EXPECT_EQ(form.find("STATION.UNIT       ="), std::string::npos) << "one blank row: " << form;
  qry_rec *one = qry_find(p_->queries, "ONE", nullptr);
  EXPECT_STREQ(one->conds->value, "1") << "the query left is as it was";
  EXPECT_STREQ(one->conds->next->value, "2");
  EXPECT_EQ(bare->conds, nullptr) << "a query of output columns only gets no blank condition";
  EXPECT_EQ(bare->filters, nullptr);
}

TEST_F(ConditionDialog, ClosingAfterEditingAPickedQueryKeepsItsValuesQuotedAndItsFilterRowsApart) {
  qry_cond_rec *filters = nullptr;
  qry_rec *q = query(p_, {"STATION.ROCKTYPE"},
                     {{"", "STATION.ROCKTYPE", "=", "O'NEIL"}, {"AND", "STATION.ROCKTYPE", "IS", "GRANITE"}},
                     &filters);
  q->filters = filters;
  snprintf(q->name, sizeof q->name, "NAMED");
  qry_list_insert(&p_->queries, q);
  std::string t = run("select queries 0\nshow\npick down\ncancel\n");
  EXPECT_NE(last_form(t).find("STATION.ROCKTYPE       = O'NEIL"), std::string::npos) << "shown as typed: " << t;
  EXPECT_STREQ(q->conds->value, "'O''NEIL'") << "back to its quoted form";
  EXPECT_EQ(q->conds->next, nullptr) << "the blank row inserted is not kept as a condition";
  ASSERT_NE(q->filters, nullptr);
  EXPECT_STREQ(q->filters->op, "IS");
  char *text = qry_build_select(q);
  ASSERT_NE(text, nullptr);
  EXPECT_NE(std::string(text).find("STATION.ROCKTYPE = 'O''NEIL'"), std::string::npos) << text;
  free(text);
}

TEST_F(ConditionDialog, SegmentAndUnitRowsGetTheirColumnsIntoTheOutputSelection) {
  std::string t = run("select column " + std::to_string(kSegment) +
                      "\nselect operator 4\nset value 2\npick modify\nshow\ncancel\n");
  EXPECT_NE(last_form(t).find("output         list_box \"Output columns:\" = \" 10\""), std::string::npos)
      << last_form(t);
}

TEST_F(ConditionDialog, TheTreePickerWritesTheChosenItemIntoTheValue) {
  snprintf(rock_->dictionary, COL_ATTR_NAME_SIZE, "ROCKD");
  snprintf(rock_->profile, COL_ATTR_NAME_SIZE, "STRAT");
  std::string t = run("select column " + std::to_string(kRock) +
                      "\nselect operator 9\npick tree\npv_sel_tree\nselect symbol_tree 1\nok\npick modify\nshow\n"
                      "cancel\n");
  for (const auto &f : host_io_faults()) ADD_FAILURE() << f;
  std::string form = last_form(t);
  EXPECT_NE(form.find("value          edit_box \"Value:\" = \"ROCK\" (focus)"), std::string::npos) << form;
  EXPECT_NE(form.find("0:      ( STATION.ROCKTYPE      IS ROCK  )"), std::string::npos) << form;
  EXPECT_EQ(form.find("tree           button \"Tree...\" (disabled)"), std::string::npos) << "enabled by the tree";
  EXPECT_NE(form.find("line           button \"Line <\" (disabled)"), std::string::npos) << "no point column";
  rock_->dictionary[0] = rock_->profile[0] = '\0';
}

}  // namespace
