/*
** col_attr_test.cpp: column input rules: setting and clearing flags one
** bit at a time, copies owning their texts, and the project's list with
** its shared profile trees and the placeholders it replaces.
*/
#include <gtest/gtest.h>

#include "data/tblsetup.h"
#include "tbl_fixtures.h"

namespace {

col_attr_rec *rule(const char *column, const char *table, const char *profile = "", const char *dict = "",
                   item_node *tree = nullptr)
{
    col_attr_rec *r = col_attr_new();
    snprintf(r->column, sizeof r->column, "%s", column);
    snprintf(r->table, sizeof r->table, "%s", table);
    snprintf(r->profile, sizeof r->profile, "%s", profile);
    snprintf(r->dictionary, sizeof r->dictionary, "%s", dict);
    r->tree = tree;
    return r;
}

int count(const pjct_rec &p)
{
    int n = 0;
    for (col_attr_rec *r = p.col_attrs; r; r = r->next) n++;
    return n;
}

TEST(ColAttrFlags, SingleBitsSetComplementsClearZeroAndAllOnesClearEverything)
{
    static const struct {
        int code;
        unsigned before, after;
        int rc;
    } k[] = {
        {0x1, 0x0, 0x1, 0},          {0x400, 0x1, 0x401, 0},       {0x8000, 0x0, 0x8000, 0},
        {65534, 0x3, 0x2, 0},        {64511, 0x401, 0x1, 0},       {0xFEFF, 0x1FF, 0xFF, 0},
        {0x7FFF, 0xFFFF, 0x7FFF, 0}, {0, 0xFFFF, 0x0, 0},          {65535, 0x1234, 0x0, 0},
        {0x3, 0x10, 0x10, -1},       {65533 - 1, 0x10, 0x10, -1},  {65536, 0x10, 0x10, -1},
        {-1, 0x10, 0x10, -1},        {0x10000 | 0x1, 0x10, 0x10, -1},
    };
    for (auto &e : k) {
        col_attr_rec r;
        col_attr_init(&r);
        r.flags = (uint16_t)e.before;
        EXPECT_EQ(col_attr_set_flag(&r, e.code), e.rc) << e.code;
        EXPECT_EQ(r.flags, e.after) << e.code;
    }
    EXPECT_EQ(col_attr_set_flag(nullptr, 1), -2);
}

TEST(ColAttrRecord, CopyOwnsItsDefaultText)
{
    col_attr_rec *src = rule("DIP", "STN");
    src->default_text = strdup("45");
    src->minimum = -90;
    src->maximum = 90;
    src->range = COL_ATTR_HAS_MIN | COL_ATTR_HAS_MAX;
    src->extra = 77;
    col_attr_rec *dst = col_attr_new();
    ASSERT_EQ(col_attr_copy(dst, src), 0);
    EXPECT_NE(dst->default_text, src->default_text);
    col_attr_free(dst);
    EXPECT_STREQ(src->default_text, "45");
    dst = col_attr_new();
    col_attr_copy(dst, src);
    EXPECT_EQ(dst->extra, 77);
    EXPECT_EQ(dst->maximum, 90);
    EXPECT_EQ(dst->range, 3);
    EXPECT_EQ(col_attr_copy(dst, nullptr), -2);
    col_attr_free(dst);
    col_attr_free(src);
}

TEST(ColAttrList, FindsByColumnTableAndProfile)
{
    test_project tp;
    col_attr_push(rule("DIP", "STN"), &tp.p);
    col_attr_push(rule("LITH", "ROCK", "ROCKS", "LITHO"), &tp.p);
    col_attr_push(rule("dip", "other"), &tp.p);
    int i;
    EXPECT_STREQ(col_attr_find(tp.p.col_attrs, "DIP", "stn", &i)->table, "STN");
    EXPECT_EQ(i, 2);
    EXPECT_STREQ(col_attr_find(tp.p.col_attrs, "DIP", "", &i)->table, "other");
    EXPECT_EQ(i, 0);
    EXPECT_EQ(col_attr_find(tp.p.col_attrs, "STRIKE", "", &i), nullptr);
    EXPECT_EQ(i, -1);
    EXPECT_NE(col_attr_find_profile(tp.p.col_attrs, "rocks", ""), nullptr);
    EXPECT_NE(col_attr_find_profile(tp.p.col_attrs, "ROCKS", "LITHO"), nullptr);
    EXPECT_EQ(col_attr_find_profile(tp.p.col_attrs, "ROCKS", "UNITS"), nullptr);
    EXPECT_EQ(tp.p.flags, PJCT_CHG_COLUMNS);
}

TEST(ColAttrList, ARuleListedFromAColumnIsFreedOnceByItsList)
{
    test_project tp;
    tp.p.tables = make_table("STN", 2, {{"DIP", N, 5}}, {});
    col_attr_rec *placeholder = tp.p.tables->columns->attr;
    col_attr_push(placeholder, &tp.p);
    /* The project's end frees the tables, then the rule list: once each. */
    EXPECT_FALSE(placeholder->flags & COL_ATTR_PLACEHOLDER);
}

TEST(ColAttrList, RemovingAnUnlistedPairChangesNothing)
{
    test_project tp;
    col_attr_rec *key = rule("DIP", "STN");
    EXPECT_EQ(col_attr_remove(key, &tp.p), -1);
    col_attr_push(rule("DIP", "ROCK"), &tp.p);
    tp.p.flags = 0;
    col_attr_rec *head = tp.p.col_attrs;
    EXPECT_EQ(col_attr_remove(key, &tp.p), -1);
    EXPECT_EQ(tp.p.col_attrs, head);
    EXPECT_EQ(tp.p.flags, 0u);
    EXPECT_EQ(col_attr_remove(nullptr, &tp.p), -2);
    col_attr_free(key);
}

TEST(ColAttrList, ASharedProfileTreeIsFreedWithItsLastRule)
{
    g_fake = {};
    test_project tp;
    item_node *tree = reinterpret_cast<item_node *>(&tp);   /* only compared, never read */
    col_attr_push(rule("LITH", "ROCK", "ROCKS", "LITHO", tree), &tp.p);
    col_attr_push(rule("LITH", "SMP", "ROCKS", "LITHO", tree), &tp.p);
    col_attr_rec *key = rule("LITH", "ROCK");
    EXPECT_EQ(col_attr_remove(key, &tp.p), 0);
    EXPECT_TRUE(g_fake.freed_trees.empty());
    snprintf(key->table, sizeof key->table, "smp");
    EXPECT_EQ(col_attr_remove(key, &tp.p), 0);
    ASSERT_EQ(g_fake.freed_trees.size(), 1u);
    EXPECT_EQ(g_fake.freed_trees[0], tree);
    EXPECT_EQ(tp.p.col_attrs, nullptr);
    col_attr_free(key);
    g_fake = {};
}

TEST(ColAttrList, ReplaceLeavesExactlyTheNewRuleAndPointsTheColumnAtIt)
{
    g_fake = {};
    test_project tp;
    tbl_rec *t = make_table("STN", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}, {"DIP", N, 3}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    tbl_add(&tp.p, t);
    col_attr_rec *listed = col_attr_find(tp.p.col_attrs, "DIP", "STN", nullptr);
    ASSERT_NE(listed, nullptr);
    col_attr_push(rule("dip", "stn"), &tp.p);
    col_attr_push(rule("STRIKE", "STN"), &tp.p);
    int before = count(tp.p);

    col_attr_rec *edited = rule("DIP", "STN");
    edited->flags |= COL_ATTR_NULL;
    ASSERT_EQ(col_attr_replace(edited, &tp.p), 0);
    EXPECT_EQ(count(tp.p), before - 1);
    EXPECT_EQ(tp.p.col_attrs, edited);
    int n = 0;
    for (col_attr_rec *r = tp.p.col_attrs; r; r = r->next)
        if (!tbl_name_cmp(r->column, "DIP")) n++;
    EXPECT_EQ(n, 1);
    EXPECT_EQ(tbl_column_find(t->columns, "DIP", nullptr, nullptr)->attr, edited);

    EXPECT_EQ(col_attr_replace(edited, &tp.p), 0) << "replacing a listed rule by itself keeps it";
    EXPECT_EQ(tp.p.col_attrs, edited);
    EXPECT_EQ(count(tp.p), before - 1);
    EXPECT_EQ(col_attr_replace(nullptr, &tp.p), -2);

    ASSERT_EQ(col_attr_remove(edited, &tp.p), 0);
    EXPECT_EQ(tbl_column_find(t->columns, "DIP", nullptr, nullptr)->attr, nullptr)
        << "no column is left pointing at a freed rule";
}

TEST(ColAttrList, ReplaceFreesThePlaceholderItsColumnOwnedAfterRepointingItsUsers)
{
    g_fake = {};
    test_project tp;
    tbl_rec *t = make_table("STN", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}, {"DIP", N, 3}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    tbl_insert(&tp.p, t);
    sql_col_rec *dip = tbl_column_find(t->columns, "DIP", nullptr, nullptr);
    col_attr_rec *placeholder = dip->attr;   /* made with the column, as describing does */
    ASSERT_TRUE(placeholder->flags & COL_ATTR_PLACEHOLDER);
    tblsetup_state_get()->rule = placeholder;   /* an open sub-dialog's rule */

    col_attr_rec *edited = rule("DIP", "STN");
    ASSERT_EQ(col_attr_replace(edited, &tp.p), 0);
    EXPECT_EQ(dip->attr, edited);
    EXPECT_EQ(tblsetup_state_get()->rule, edited) << "nothing may keep the freed placeholder";
    EXPECT_EQ(tp.p.col_attrs, edited);
    EXPECT_EQ(count(tp.p), 1);
    tblsetup_state_get()->rule = nullptr;
}

TEST(ColAttrList, ReplaceKeepsATreeTheNewRuleStillUses)
{
    g_fake = {};
    test_project tp;
    item_node *tree = reinterpret_cast<item_node *>(&tp);
    col_attr_push(rule("LITH", "ROCK", "ROCKS", "LITHO", tree), &tp.p);
    ASSERT_EQ(col_attr_replace(rule("LITH", "ROCK", "ROCKS", "LITHO", tree), &tp.p), 0);
    EXPECT_TRUE(g_fake.freed_trees.empty());
    ASSERT_EQ(col_attr_replace(rule("LITH", "ROCK"), &tp.p), 0);
    EXPECT_EQ(g_fake.freed_trees.size(), 1u);
    g_fake = {};
}

}  // namespace
