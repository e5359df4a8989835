/*
** qry_rec_test.cpp: the query records and their helpers: the keyword
** tables and their lookups by text (only the offered operators are found),
** finding and ordering queries by name, output records by column and
** table, and freeing lists.
*/
#include "output/qry_fixture.h"

namespace {

TEST(QueryKeywords, OperatorTableHoldsEighteenEntriesAndOnlyTheFirstFourteenAreFoundByText) {
  const char *want[QRY_OPERATOR_COUNT] = {" ",    "<",  ">",      "<=",      ">=",   "=",  "NOT =", "LIKE", "NOT LIKE",
                                          "IS",   "HAS", "INSIDE", "OUTSIDE", "NEAR", " ",  "OLDER", "YOUNGER",
                                          "DURING"};
  for (int i = 0; i < QRY_OPERATOR_COUNT; i++) EXPECT_STREQ(qry_operator_table[i], want[i]) << i;
  for (int i = 1; i < QRY_OPERATOR_OFFERED; i++) EXPECT_EQ(qry_op_index(want[i]), i) << want[i];
  EXPECT_EQ(qry_op_index(" not like "), QRY_OP_NOT_LIKE);
  EXPECT_EQ(qry_op_index("  "), QRY_OP_BLANK);
  for (const char *hidden : {"OLDER", "YOUNGER", "DURING", "older", "NOT", "=="})
    EXPECT_EQ(qry_op_index(hidden), -1) << hidden;
}

TEST(QueryKeywords, ConnectorZeroIsThreeBlanksAndBracketsAreBlankOpenClose) {
  EXPECT_STREQ(qry_connector_table[QRY_CONN_NONE], "   ");
  EXPECT_STREQ(qry_connector_table[QRY_CONN_AND], "AND");
  EXPECT_STREQ(qry_connector_table[QRY_CONN_OR], "OR");
  EXPECT_EQ(qry_connector_index(" or"), QRY_CONN_OR);
  EXPECT_EQ(qry_connector_index(""), QRY_CONN_NONE);
  EXPECT_EQ(qry_connector_index("XOR"), -1);
  EXPECT_STREQ(qry_bracket_table[0], " ");
  EXPECT_STREQ(qry_bracket_table[1], "(");
  EXPECT_STREQ(qry_bracket_table[2], ")");
}

TEST(QueryKeywords, NewConditionIsBlankAndIncompleteUntilColumnTableOperatorAndValueAreSet) {
  qry_cond_rec *c = qry_cond_new();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(qry_cond_connector(c), QRY_CONN_NONE);
  EXPECT_EQ(qry_cond_op(c), QRY_OP_BLANK);
  EXPECT_STREQ(c->open_bracket, " ");
  EXPECT_STREQ(c->close_bracket, " ");
  EXPECT_EQ(c->value, nullptr);
  EXPECT_EQ(c->points, nullptr);
  EXPECT_FALSE(qry_cond_complete(c));
  tbl_rec t{};
  sql_col_rec col{};
  c->table = &t;
  c->column = &col;
  c->op = qry_operator_table[QRY_OP_GT];
  qry_cond_set_value(c, "  ");
  EXPECT_FALSE(qry_cond_complete(c)) << "a blank value is no value";
  qry_cond_set_value(c, "5");
  EXPECT_TRUE(qry_cond_complete(c));
  c->op = qry_operator_table[QRY_OP_BLANK_2];
  EXPECT_FALSE(qry_cond_complete(c));
  qry_cond_free(c);
}

TEST(QueryKeywords, FilterAndSpatialOperatorsAreTheOnesFromIsOn) {
  for (int op = 0; op < QRY_OPERATOR_COUNT; op++) {
    EXPECT_EQ(qry_op_is_filter(op), op >= QRY_OP_IS && op != QRY_OP_BLANK_2) << op;
    EXPECT_EQ(qry_op_is_spatial(op), op >= QRY_OP_INSIDE && op <= QRY_OP_NEAR) << op;
  }
}

/* A query list built by name insertion. */
static qry_rec *named(qry_rec **list, const char *name) {
  qry_rec *q = qry_new();
  snprintf(q->name, sizeof q->name, "%s", name);
  qry_list_insert(list, q);
  return q;
}

TEST(QueryList, InsertionKeepsByteOrderAndFindIgnoresCaseAndBlanks) {
  qry_rec *list = nullptr;
  named(&list, "beta");
  named(&list, "AUQ");
  named(&list, "Zinc");
  named(&list, "ALPHA");
  std::string order;
  for (qry_rec *q = list; q; q = q->next) order += std::string(q->name) + " ";
  EXPECT_EQ(order, "ALPHA AUQ Zinc beta ") << "upper case sorts below lower case in byte order";
  int at = -2;
  EXPECT_EQ(qry_find(list, " auq ", &at), qry_nth(list, 1));
  EXPECT_EQ(at, 1);
  EXPECT_EQ(qry_find(list, "AU", &at), nullptr);
  EXPECT_EQ(at, -1);
  EXPECT_EQ(qry_nth(list, 4), nullptr);
  EXPECT_EQ(qry_nth(list, -1), nullptr);
  qry_rec *zinc = qry_nth(list, 2);
  EXPECT_TRUE(qry_list_contains(list, zinc));
  EXPECT_EQ(qry_list_unlink(&list, zinc), 1);
  EXPECT_FALSE(qry_list_contains(list, zinc));
  EXPECT_EQ(qry_list_unlink(&list, zinc), 0);
  qry_free(zinc);
  qry_list_free(&list);
  EXPECT_EQ(list, nullptr);
}

TEST(QueryList, FreeingAQueryListReleasesEveryListAndClearsTheHeads) {
  qry_rec *list = nullptr;
  qry_rec *q = named(&list, "FULL");
  for (qry_cond_rec **l : {&q->conds, &q->filters, &q->joins}) {
    qry_cond_rec *c = qry_cond_new();
    qry_cond_set_value(c, "X");
    c->points = (geo_point *)calloc(4, sizeof(geo_point));
    c->point_count = 4;
    *l = c;
  }
  q->outputs = qry_out_new();
  qry_cond_list_free(&q->joins);
  EXPECT_EQ(q->joins, nullptr);
  qry_out_list_free(&q->outputs);
  EXPECT_EQ(q->outputs, nullptr);
  qry_list_free(&list);  /* the sanitizer build finds anything left */
  EXPECT_EQ(list, nullptr);
  qry_list_free(nullptr);
  qry_cond_list_free(nullptr);
}

using QueryOutputs = QueryProject;

TEST_F(QueryOutputs, OutputFindMatchesColumnAndTableWithoutCaseAndAnyTableWhenBlank) {
  sample_and_station();
  qry_rec *q = query_over({{"SAMPLE", "AU"}, {"STATION", "ROCKTYPE"}});
  EXPECT_EQ(qry_out_find(q->outputs, "station", "STATION")->column, col("STATION", "STATION"));
  EXPECT_EQ(qry_out_find(q->outputs, "STATION", "sample")->column, col("SAMPLE", "STATION"));
  EXPECT_EQ(qry_out_find(q->outputs, "STATION", "")->column, col("SAMPLE", "STATION")) << "first in list order";
  EXPECT_EQ(qry_out_find(q->outputs, "AU", "STATION"), nullptr);
  EXPECT_EQ(qry_out_find(q->outputs, "GONE", nullptr), nullptr);
}

}  // namespace
