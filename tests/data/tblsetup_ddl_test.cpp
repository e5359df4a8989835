/*
** tblsetup_ddl_test.cpp: comparing the setup tree with the registry and
** the DDL texts the table setup issues, on a server-flagged project whose
** statements are recorded by a stand-in of the SQL layer; the server
** alter sequence, and the input-rule list keeping tree nodes on live rules.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/tblsetup.h"
#include "tbl_fixtures.h"

/* ---- Stand-ins of the SQL layer and the core's name comparison ---- */

namespace {
struct fake_ddl_state {
    std::vector<std::string> statements;   /* every text run, in order */
    std::vector<int> answers;              /* answer of each run in turn (5100 past the end) */
    std::vector<std::string> dropped_index_tables;
    int describe_calls = 0;
    std::vector<col_def> described;        /* columns the describe gives */
    int closes = 0;
};
fake_ddl_state g_ddl;
}  // namespace

int sql_execute(void *, void **, void **, const char *text, int)
{
    size_t n = g_ddl.statements.size();
    g_ddl.statements.push_back(text);
    return n < g_ddl.answers.size() ? g_ddl.answers[n] : 5100;
}
int sql_close_query(void **, void **, sql_col_rec **)
{
    g_ddl.closes++;
    return 5100;
}
int sql_drop_indexes(void *, const char *table)
{
    g_ddl.dropped_index_tables.push_back(table);
    return 5100;
}
int sql_describe_table(void *, const char *table, sql_col_rec **row, int)
{
    g_ddl.describe_calls++;
    *row = make_columns(table, g_ddl.described);
    return (int)g_ddl.described.size();
}
void sql_col_list_free(sql_col_rec **row)
{
    free_columns(*row);
    *row = nullptr;
}
int setup_name_eq(const char *a, const char *b)
{
    return tbl_name_cmp(a, b) == 0;
}

namespace {

static const int D = SQL_TYPE_DOUBLE;

/* A column node of a type index, length and decimals. */
tblsetup_column_node *col(const char *name, int type, int length, int decimals = 0)
{
    tblsetup_column_node *c = tblsetup_column_new();
    c->name = strdup(name);
    c->type = type;
    c->length = (uint16_t)length;
    c->decimals = (int16_t)decimals;
    return c;
}

/* A table node over column nodes (not appended to any tree). */
tblsetup_table_node *node(const char *name, std::vector<tblsetup_column_node *> cols)
{
    tblsetup_table_node *t = tblsetup_table_new();
    t->name = strdup(name);
    for (tblsetup_column_node *c : cols) EXPECT_EQ(tblsetup_column_append(&t->columns, c), 1) << c->name;
    return t;
}

class TblSetupDdl : public ::testing::Test {
 protected:
  void SetUp() override {
    g_ddl = fake_ddl_state();
    project.p.flags = PJCT_ENV_SERVER;
    soils = make_table("SOILS", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}, {"NAME", C, 20}, {"DEPTH", N, 8}},
                       {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    ASSERT_EQ(tbl_insert(&project.p, soils), 0);
    tblsetup_state_get()->tree = nullptr;
    ASSERT_GT(tblsetup_build_tree(&project.p), 0);
    tree_node = tblsetup_state_get()->tree;
  }
  void TearDown() override { tblsetup_table_list_free(&tblsetup_state_get()->tree); }

  tblsetup_column_node *tree_col(const char *name) { return tblsetup_column_find(tree_node->columns, name, nullptr); }

  test_project project;
  tbl_rec *soils = nullptr;
  tblsetup_table_node *tree_node = nullptr;
};

TEST_F(TblSetupDdl, ChangesOfARegisteredNumericColumnFollowTheTypeFamilies) {
  static const struct {
    int reg_type, reg_len;
    int type, len, dec;
    int want;
  } k[] = {
      {N, 8, TS_TYPE_INT, 0, 0, TS_CHG_NONE},         /* NUMERIC(8,0) -> INT: no change */
      {N, 8, TS_TYPE_CHAR, 8, 0, TS_CHG_MODIFIED},    /* -> CHAR */
      {N, 8, TS_TYPE_NUMERIC, 10, 0, TS_CHG_MODIFIED},/* -> NUMERIC(10,0) */
      {N, 8, TS_TYPE_NUMERIC, 8, 2, TS_CHG_MODIFIED}, /* other decimals */
      {N, 8, TS_TYPE_NUMERIC, 8, 0, TS_CHG_NONE},
      {F, 8, TS_TYPE_DOUBLE, 0, 0, TS_CHG_NONE},      /* FLOAT(8) -> DOUBLE: no change */
      {C, 20, TS_TYPE_NUMERIC, 20, 0, TS_CHG_MODIFIED},
      {C, 20, TS_TYPE_CHAR, 21, 0, TS_CHG_MODIFIED},
      {I, 11, TS_TYPE_SMALLINT, 0, 0, TS_CHG_MODIFIED},
      {I, 11, TS_TYPE_INT, 0, 0, TS_CHG_NONE},
  };
  sql_col_rec *depth = tbl_column_find(soils->columns, "DEPTH", nullptr, nullptr);
  for (auto &e : k) {
    depth->sql_type = e.reg_type;
    depth->length = e.reg_len;
    tblsetup_column_node *c = tree_col("DEPTH");
    c->type = e.type;
    c->length = (uint16_t)e.len;
    c->decimals = (int16_t)e.dec;
    EXPECT_EQ(tblsetup_column_is_changed(c, tree_node, &project.p), e.want)
        << e.reg_type << "(" << e.reg_len << ") -> " << e.type << "(" << e.len << "," << e.dec << ")";
    EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), e.want ? TS_CHG_MODIFIED : TS_CHG_NONE);
  }
}

TEST_F(TblSetupDdl, NewGoneAddedDroppedAndMovedAreToldApart) {
  EXPECT_EQ(tblsetup_project_changes(&project.p), TS_CHG_NONE) << "a tree just built from the registry";
  tblsetup_column_node *depth = tree_col("DEPTH");
  EXPECT_EQ(tblsetup_column_is_new(depth, tree_node, &project.p), TS_CHG_NONE);
  ASSERT_EQ(tblsetup_column_append(&tree_node->columns, col("PH", TS_TYPE_CHAR, 6)), 1);
  EXPECT_EQ(tblsetup_column_is_new(tree_col("PH"), tree_node, &project.p), TS_CHG_ADDED);
  EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), TS_CHG_MODIFIED);
  EXPECT_EQ(tblsetup_project_changes(&project.p), TS_CHG_ANY);

  ASSERT_EQ(tblsetup_column_remove(&tree_node->columns, tree_col("PH")), 1);
  ASSERT_EQ(tblsetup_column_remove(&tree_node->columns, depth), 1);
  sql_col_rec *reg_depth = tbl_column_find(soils->columns, "DEPTH", nullptr, nullptr);
  EXPECT_EQ(tblsetup_column_is_dropped(reg_depth, soils), TS_CHG_DROPPED);
  EXPECT_EQ(tblsetup_column_is_dropped(soils->columns, soils), TS_CHG_NONE);
  EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), TS_CHG_MODIFIED);

  /* The order of columns counts only in a dBASE project. */
  ASSERT_EQ(tblsetup_column_append(&tree_node->columns, col("DEPTH", TS_TYPE_NUMERIC, 8)), 1);
  tblsetup_column_node *name = tree_col("NAME");
  tblsetup_column_move_before(tree_node, name, tree_node->columns);
  EXPECT_EQ(tblsetup_column_is_moved(name, tree_node, &project.p), TS_CHG_NONE);
  EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), TS_CHG_NONE) << "server: order does not count";
  project.p.flags = PJCT_ENV_DB3;
  EXPECT_EQ(tblsetup_column_is_moved(name, tree_node, &project.p), TS_CHG_MODIFIED);
  EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), TS_CHG_MODIFIED);
  project.p.flags = 0;
  EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), TS_CHG_NONE)
      << "neither dBASE nor server: columns are never changed";

  tblsetup_table_node *t1 = node("T1", {col("A", TS_TYPE_CHAR, 6)});
  ASSERT_EQ(tblsetup_table_append(&tblsetup_state_get()->tree, t1), 1);
  EXPECT_EQ(tblsetup_table_is_new(t1, &project.p), TS_CHG_NEW);
  EXPECT_EQ(tblsetup_table_is_new(tree_node, &project.p), TS_CHG_NONE);
  EXPECT_EQ(tblsetup_table_is_gone(soils), TS_CHG_NONE);
  ASSERT_EQ(tblsetup_table_remove(&tblsetup_state_get()->tree, tree_node), 1);
  EXPECT_EQ(tblsetup_table_is_gone(soils), TS_CHG_GONE);
  EXPECT_EQ(tblsetup_any_gone(&project.p), TS_CHG_GONE);
}

TEST_F(TblSetupDdl, AlterTextsOfAServerProject) {
  tblsetup_column_node *cols[] = {col("DEPTH", TS_TYPE_CHAR, 12), col("DEPTH", TS_TYPE_NUMERIC, 8, 2),
                                  col("DEPTH", TS_TYPE_INT, 0), col("DEPTH", TS_TYPE_FLOAT, 8),
                                  col("DEPTH", TS_TYPE_CHAR, 1)};
  EXPECT_EQ(tbl_alter_add(tree_node, cols[0], &project.p), 5100);
  EXPECT_EQ(tbl_alter_add(tree_node, cols[1], &project.p), 5100);
  EXPECT_EQ(tbl_alter_add(tree_node, cols[2], &project.p), 5100);
  EXPECT_EQ(tbl_alter_modify(tree_node, cols[3], &project.p), 5100);
  sql_col_rec *depth = tbl_column_find(soils->columns, "DEPTH", nullptr, nullptr);
  EXPECT_EQ(tbl_alter_drop(depth, soils), 5100);
  cols[4]->type = TS_TYPE_COUNT;
  EXPECT_EQ(tbl_alter_add(tree_node, cols[4], &project.p), -1);
  for (tblsetup_column_node *c : cols) tblsetup_column_free(c);
  EXPECT_EQ(g_ddl.statements, (std::vector<std::string>{
                                  "ALTER TABLE SOILS ADD DEPTH CHAR(12)", "ALTER TABLE SOILS ADD DEPTH NUMERIC(8,2)",
                                  "ALTER TABLE SOILS ADD DEPTH INT", "ALTER TABLE SOILS MODIFY DEPTH FLOAT(8)",
                                  "ALTER TABLE SOILS DROP DEPTH CASCADE"}));
  EXPECT_EQ(g_ddl.closes, 5) << "every statement is released";
}

TEST_F(TblSetupDdl, CreateTableListsTheTypedColumnsAndCountsThem) {
  tblsetup_table_node *t1 = node("T1", {col("A", TS_TYPE_CHAR, 6), col("B", TS_TYPE_DOUBLE, 0)});
  tblsetup_column_node *untyped = tblsetup_column_new();
  untyped->name = strdup("C");
  t1->columns->next->next = untyped;   /* a node of no type is left out */
  EXPECT_EQ(tbl_create_table(t1, &project.p), 5100);
  EXPECT_EQ(t1->column_count, 2);
  EXPECT_EQ(g_ddl.statements, std::vector<std::string>{"CREATE TABLE T1 (A CHAR(6),B DOUBLE)"});
  EXPECT_TRUE(g_ddl.dropped_index_tables.empty()) << "indexes are dropped first only in dBASE projects";

  project.p.flags = PJCT_ENV_DB3;
  EXPECT_EQ(tbl_create_table(t1, &project.p), 5100);
  EXPECT_EQ(g_ddl.dropped_index_tables, std::vector<std::string>{"T1"});

  tblsetup_table_node *empty = node("T2", {});
  EXPECT_EQ(tbl_create_table(empty, &project.p), -1) << "no column: nothing is run";
  EXPECT_EQ(g_ddl.statements.size(), 2u);
  tblsetup_table_free(t1);
  tblsetup_table_free(empty);
}

TEST_F(TblSetupDdl, ServerAlterRunsInOrderAndStopsAtTheFirstFailure) {
  tree_col("NAME")->length = 30;                                            /* modified */
  ASSERT_EQ(tblsetup_column_append(&tree_node->columns, col("PH", TS_TYPE_CHAR, 6)), 1);   /* added */
  ASSERT_EQ(tblsetup_column_remove(&tree_node->columns, tree_col("DEPTH")), 1);           /* dropped */
  g_ddl.described = {{"BASENUMBER", N, 8}, {"NAME", C, 30}, {"PH", C, 6}};
  EXPECT_EQ(tblsetup_alter_server_table(tree_node, soils, &project.p), 0);
  EXPECT_EQ(g_ddl.statements,
            (std::vector<std::string>{"ALTER TABLE SOILS MODIFY NAME CHAR(30)", "ALTER TABLE SOILS ADD PH CHAR(6)",
                                      "ALTER TABLE SOILS DROP DEPTH CASCADE"}));
  EXPECT_EQ(g_ddl.describe_calls, 1);
  EXPECT_EQ(soils->column_count, 3);
  EXPECT_EQ(tbl_column_find(soils->columns, "DEPTH", nullptr, nullptr), nullptr);
  ASSERT_NE(soils->keys[TBL_KEY_BASENUMBER], nullptr);
  EXPECT_EQ(soils->keys[TBL_KEY_BASENUMBER], soils->columns) << "the key slot is looked up in the new list";
  EXPECT_EQ(tree_node->row->columns, soils->columns) << "the node's row copy takes the new list";
  EXPECT_EQ(tree_node->key_columns->attr, soils->columns->attr);
  EXPECT_EQ(tree_col("PH")->attr, tbl_column_find(soils->columns, "PH", nullptr, nullptr)->attr);
  EXPECT_EQ(tblsetup_table_is_modified(tree_node, &project.p), TS_CHG_NONE);
}

TEST_F(TblSetupDdl, AServerAlterStoppedPartWayStillDescribesTheTable) {
  tree_col("NAME")->length = 30;
  ASSERT_EQ(tblsetup_column_append(&tree_node->columns, col("PH", TS_TYPE_CHAR, 6)), 1);
  g_ddl.answers = {5100, -9201};
  g_ddl.described = {{"BASENUMBER", N, 8}, {"NAME", C, 30}, {"DEPTH", N, 8}};
  EXPECT_EQ(tblsetup_alter_server_table(tree_node, soils, &project.p), -1);
  EXPECT_EQ(g_ddl.statements.size(), 2u) << "nothing after the failure";
  EXPECT_EQ(g_ddl.describe_calls, 1) << "the modify succeeded: the registry must follow it";
  EXPECT_EQ(tbl_column_find(soils->columns, "NAME", nullptr, nullptr)->length, 30);
  EXPECT_EQ(tblsetup_column_is_new(tree_col("PH"), tree_node, &project.p), TS_CHG_ADDED) << "PH is still to add";

  g_ddl = fake_ddl_state();
  g_ddl.answers = {-9201};
  EXPECT_EQ(tblsetup_alter_server_table(tree_node, soils, &project.p), -1);
  EXPECT_EQ(g_ddl.describe_calls, 0) << "nothing succeeded: nothing to describe";
}

TEST_F(TblSetupDdl, ReplacedAndRemovedRulesNeverStayOnATreeNode) {
  col_attr_rec *listed = col_attr_new();
  snprintf(listed->column, sizeof listed->column, "NAME");
  snprintf(listed->table, sizeof listed->table, "SOILS");
  col_attr_push(listed, &project.p);
  sql_col_rec *reg_name = tbl_column_find(soils->columns, "NAME", nullptr, nullptr);
  col_attr_free(reg_name->attr);   /* its placeholder: the listed rule takes its place */
  reg_name->attr = listed;
  col_attr_rec *edited = col_attr_new();
  col_attr_copy(edited, listed);
  edited->next = nullptr;
  tree_col("NAME")->attr = listed;
  EXPECT_EQ(col_attr_replace(edited, &project.p), 0);
  EXPECT_EQ(tree_col("NAME")->attr, edited) << "the open tree's column node follows the new rule";
  EXPECT_EQ(col_attr_remove(edited, &project.p), 0);
  EXPECT_EQ(tree_col("NAME")->attr, nullptr) << "a freed rule is cleared from the tree";
}

}  // namespace
