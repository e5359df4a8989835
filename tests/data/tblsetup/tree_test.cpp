/*
** tree_test.cpp: the setup tree: the refusals of its lists, the primary
** key lists by table type, lookups without regard to case, and building a
** project's tree from its registry without ever freeing the registry's
** column lists.
*/
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/sql_access.h"
#include "data/tblsetup.h"

namespace {

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

/* The names of a column node list, joined by ",". */
std::string names(const tblsetup_column_node *list)
{
    std::string out;
    for (; list; list = list->next) out += std::string(out.empty() ? "" : ",") + list->name;
    return out;
}

/* A registered row over described columns, its slots filled by name. */
tbl_rec *row_of(const char *name, int type, const std::vector<std::pair<const char *, int>> &cols,
                const std::vector<std::pair<int, const char *>> &slots)
{
    tbl_rec *r = tbl_rec_new();
    snprintf(r->name, sizeof r->name, "%s", name);
    r->table_type = type;
    sql_col_rec **tail = &r->columns;
    for (auto &c : cols) {
        *tail = sql_col_new(c.first, name, c.second, c.second == SQL_TYPE_CHAR ? 12 : 8, 0);
        tail = &(*tail)->next;
        r->column_count++;
    }
    for (auto &s : slots) r->keys[s.first] = tbl_column_find(r->columns, s.second, nullptr, nullptr);
    return r;
}

TEST(SetupTreeColumns, SizesBeyondWhatTheTypeHoldsAreRefused) {
    static const struct {
        int type, length, decimals, want;
    } k[] = {
        {TS_TYPE_CHAR, 255, 0, 1},     {TS_TYPE_CHAR, 256, 0, -1},   {TS_TYPE_NUMERIC, 4, 2, 1},
        {TS_TYPE_NUMERIC, 3, 2, -1},   {TS_TYPE_NUMERIC, 3, 0, 1},   {TS_TYPE_DEC, 3, 2, -1},
        {TS_TYPE_FLOAT, 300, 0, 1},    {TS_TYPE_NONE, 6, 0, -1},     {TS_TYPE_COUNT, 6, 0, -1},
    };
    for (auto &e : k) {
        tblsetup_column_node *head = nullptr, *c = col("A", e.type, e.length, e.decimals);
        EXPECT_EQ(tblsetup_column_append(&head, c), e.want) << e.type << "(" << e.length << "," << e.decimals << ")";
        if (e.want < 0) tblsetup_column_free(c);
        tblsetup_column_list_free(&head);
    }
}

TEST(SetupTreeColumns, NamesAreTrimmedAndFoundWithoutRegardToCase) {
    tblsetup_column_node *head = nullptr;
    ASSERT_EQ(tblsetup_column_append(&head, col("  ROCK ", TS_TYPE_CHAR, 6)), 1);
    ASSERT_EQ(tblsetup_column_append(&head, col("STATION", TS_TYPE_NUMERIC, 8)), 1);
    tblsetup_column_node *blank = col("   ", TS_TYPE_CHAR, 6);
    EXPECT_EQ(tblsetup_column_append(&head, blank), -1);
    tblsetup_column_free(blank);
    int index = -9;
    EXPECT_EQ(tblsetup_column_find(head, "station", &index), head->next);
    EXPECT_EQ(index, 1);
    EXPECT_STREQ(head->name, "ROCK");
    EXPECT_EQ(tblsetup_column_find(head, "STAT", &index), nullptr);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(tblsetup_column_nth(head, 2), nullptr);
    tblsetup_column_node *other = col("X", TS_TYPE_CHAR, 1);
    EXPECT_EQ(tblsetup_column_remove(&head, other), -1) << "not in the list";
    tblsetup_column_free(other);
    EXPECT_EQ(tblsetup_column_list_free(&head), 1);
    EXPECT_EQ(head, nullptr);
    EXPECT_EQ(tblsetup_column_list_free(&head), -1) << "an empty list";
}

TEST(SetupTreeColumns, TypeIndexesFollowTheSqlTypeCodes) {
    for (int code = SQL_TYPE_CHAR; code <= SQL_TYPE_DOUBLE; code++) EXPECT_EQ(tblsetup_type_index(code), code - 1);
    EXPECT_EQ(tblsetup_type_index(0), -1);
    EXPECT_EQ(tblsetup_type_index(9), -1);
    EXPECT_STREQ(tblsetup_type_name(TS_TYPE_SMALLINT), "SMALLINT");
}

TEST(SetupTreeColumns, MovingBeforeATargetKeepsEveryNode) {
    static const struct {
        const char *moved, *target, *want;
    } k[] = {{"C", "A", "C,A,B"}, {"A", "C", "B,A,C"}, {"A", "B", "A,B,C"}, {"B", "A", "B,A,C"}};
    for (auto &e : k) {
        tblsetup_table_node *t = tblsetup_table_new();
        for (const char *n : {"A", "B", "C"}) tblsetup_column_append(&t->columns, col(n, TS_TYPE_CHAR, 1));
        EXPECT_EQ(tblsetup_column_move_before(t, tblsetup_column_find(t->columns, e.moved, nullptr),
                                              tblsetup_column_find(t->columns, e.target, nullptr)),
                  0);
        EXPECT_EQ(names(t->columns), e.want) << e.moved << " before " << e.target;
        tblsetup_column_node *a = t->columns;
        EXPECT_EQ(tblsetup_column_move_before(t, a, a), -1) << "a column is not moved before itself";
        tblsetup_table_free(t);
    }
}

TEST(SetupTreeKeys, KeyListsFollowTheTableTypeAndSkipEmptySlots) {
    static const struct {
        int type;
        std::vector<std::pair<int, const char *>> slots;
        const char *want;
    } k[] = {
        {TBL_DEF_SAMPLE, {{TBL_KEY_STATION, "STATION"}, {TBL_KEY_ROCK, "ROCK"}, {TBL_KEY_SAMPLE, "SAMPLE"}},
         "STATION,ROCK,SAMPLE"},
        {TBL_DEF_ANALYSIS, {{TBL_KEY_ANALYSIS, "ANALYSIS"}, {TBL_KEY_STATION, "STATION"}, {TBL_KEY_SEGMENT, "SEGMENT"}},
         "STATION,SEGMENT,ANALYSIS"},
        {TBL_DEF_ROCK, {{TBL_KEY_STATION, "STATION"}, {TBL_KEY_SAMPLE, "SAMPLE"}, {TBL_KEY_ROCK, "ROCK"}},
         "STATION,ROCK"},
        {TBL_DEF_OUTCROP, {{TBL_KEY_OUTCROP, "OUTCROP"}, {TBL_KEY_STATION, "STATION"}}, "OUTCROP"},
        {TBL_DEF_DICTION, {{TBL_KEY_DICTION, "LONGNAME"}}, "LONGNAME"},
        {TBL_DEF_OTHER, {{TBL_KEY_STATION, "STATION"}}, "BASENUMBER"},
        {TBL_DEF_STATION, {}, ""},
    };
    std::vector<std::pair<const char *, int>> cols = {
        {"BASENUMBER", SQL_TYPE_NUMERIC}, {"STATION", SQL_TYPE_NUMERIC}, {"SEGMENT", SQL_TYPE_NUMERIC},
        {"ROCK", SQL_TYPE_NUMERIC},       {"SAMPLE", SQL_TYPE_NUMERIC},  {"ANALYSIS", SQL_TYPE_NUMERIC},
        {"OUTCROP", SQL_TYPE_NUMERIC},    {"LONGNAME", SQL_TYPE_CHAR}};
    for (auto &e : k) {
        auto slots = e.slots;
        slots.push_back({TBL_KEY_BASENUMBER, "BASENUMBER"});
        tbl_rec *r = row_of("T", e.type, cols, slots);
        tblsetup_table_node *t = tblsetup_table_from_row(r);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(names(t->key_columns), e.want) << "type " << e.type;
        tblsetup_table_free(t);
        tbl_list_free(r);
    }
}

TEST(SetupTreeKeys, AnEmptyUniqueNumberSlotGivesNoKeyAndNoFullAppend) {
    tbl_rec *r = row_of("T", TBL_DEF_STATION, {{"BASENUMBER", SQL_TYPE_NUMERIC}, {"STATION", SQL_TYPE_NUMERIC}},
                        {{TBL_KEY_STATION, "STATION"}});
    tblsetup_table_node *t = tblsetup_table_from_row(r), *root = nullptr;
    EXPECT_EQ(tblsetup_key_columns(t), 0);
    EXPECT_EQ(t->key_columns, nullptr);
    EXPECT_EQ(tblsetup_table_append_full(&root, t), -1);
    EXPECT_EQ(tblsetup_table_append(&root, t), 1);
    EXPECT_EQ(t->column_count, 2);
    tblsetup_table_list_free(&root);
    tbl_list_free(r);
}

TEST(SetupTreeBuild, ANodeSharesTheRegisteredColumnsAndNeverFreesThem) {
    pjct_rec p{};
    tbl_rec *statn = row_of("STATN", TBL_DEF_STATION, {{"BASENUMBER", SQL_TYPE_NUMERIC}, {"STATION", SQL_TYPE_NUMERIC},
                                                        {"ROCKTYPE", SQL_TYPE_CHAR}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STATION"}});
    tbl_rec *fresh = row_of("SOIL1", 0, {{"BASENUMBER", SQL_TYPE_NUMERIC}}, {});   /* just created, no key yet */
    tbl_rec *keyless = row_of("ROCKS", TBL_DEF_ROCK, {{"BASENUMBER", SQL_TYPE_NUMERIC}},
                              {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    ASSERT_EQ(tbl_insert(&p, statn), 0);
    ASSERT_EQ(tbl_insert(&p, fresh), 0);
    ASSERT_EQ(tbl_insert(&p, keyless), 0);
    tblsetup_state *s = tblsetup_state_get();
    EXPECT_EQ(tblsetup_build_tree(&p), 2);
    tblsetup_table_node *n = tblsetup_table_find(s->tree, "statn", nullptr);
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->row->columns, statn->columns);
    EXPECT_EQ(n->row->next, nullptr);
    EXPECT_EQ(names(n->columns), "BASENUMBER,STATION,ROCKTYPE");
    EXPECT_EQ(n->columns->next->next->length, 12);
    EXPECT_NE(tblsetup_table_find(s->tree, "SOIL1", nullptr), nullptr)
        << "a table the apply just registered stays in the tree, so leaving never offers to delete it";
    EXPECT_EQ(tblsetup_table_find(s->tree, "ROCKS", nullptr), nullptr) << "a keyed type without its key is left out";
    EXPECT_EQ(tblsetup_build_tree(&p), 2) << "building again frees the old tree first";
    EXPECT_EQ(tblsetup_table_list_free(&s->tree), 1);
    EXPECT_STREQ(statn->columns->name, "BASENUMBER") << "the registry's columns outlive the tree";
    tbl_list_free(p.tables);
}

}  // namespace
