/*
** setup_columns_test.cpp: the layouts of PVTABLE, PVCOLUMN and PVPOINT
** and the round trip of each record through one row's texts.
*/
#include <gtest/gtest.h>

#include "core/setup_columns.h"
#include "tbl_fixtures.h"

namespace {

/* The texts of a setup row as the loader hands them over. */
std::vector<const char *> texts_of(const setup_row &row, int n)
{
    std::vector<const char *> v;
    for (int i = 0; i < n; i++) v.push_back(row.text[i]);
    return v;
}

TEST(SetupLayout, PvtableHasTwentyOneCharColumnsEndingWithQuotedPoint)
{
    const setup_table_def *pv = setup_layout(SETUP_PVTABLE);
    ASSERT_NE(pv, nullptr);
    EXPECT_STREQ(pv->name, "PVTABLE");
    ASSERT_EQ(pv->count, 21);
    for (int i = 0; i < pv->count; i++) {
        EXPECT_EQ(pv->columns[i].sql_type, SQL_TYPE_CHAR);
        EXPECT_EQ(pv->columns[i].length, 20);
        EXPECT_EQ(pv->columns[i].quoted, i == TBL_DEF_POINT);
    }
    char list[512];
    ASSERT_GT(setup_select_list(pv, list, sizeof list), 0);
    EXPECT_EQ(std::string(list).find("TABLENAME, TABLETYPE, BASENUMBER, ANALYSIS"), 0u);
    EXPECT_NE(std::string(list).find("GROUPING, PNT, \"POINT\""), std::string::npos);
    EXPECT_EQ(setup_select_list(pv, list, 10), -1);
    EXPECT_STREQ(list, "");
    EXPECT_EQ(setup_layout(3), nullptr);
    for (int id : {SETUP_PVTABLE, SETUP_PVCOLUMN, SETUP_PVPOINT})
        for (int i = 0; i < setup_layout(id)->count; i++)
            EXPECT_LE(strlen(setup_layout(id)->columns[i].name), 10u) << "dBASE field names hold 10 characters";
}

const std::vector<col_def> k_cols = {{"BASENUMBER", N, 8}, {"STN", N, 8}, {"SMP", N, 8}, {"PT", C, 10},
                                      {"GRP", N, 8}};

TEST(SetupRows, RegistryRowRoundTripsThroughItsTexts)
{
    tbl_rec *t = make_table("SAMPLES", TBL_DEF_SAMPLE, k_cols,
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_SAMPLE, "SMP"},
                             {TBL_KEY_GROUPING, "GRP"}, {TBL_KEY_PNT, "PT"}});
    setup_row row;
    ASSERT_EQ(tbl_to_setup_row(t, &row), 0);
    EXPECT_STREQ(row.text[TBL_DEF_TABLETYPE], "SAMPLE");
    EXPECT_STREQ(row.text[TBL_DEF_COMPOSE], "");
    EXPECT_STREQ(row.text[TBL_DEF_POINT], "PT");

    sql_col_rec *cols = make_columns("SAMPLES", k_cols);
    tbl_rec back;
    auto texts = texts_of(row, TBL_DEF_COUNT);
    ASSERT_EQ(tbl_from_setup_row(texts.data(), cols, &back), 0);
    EXPECT_STREQ(back.name, "SAMPLES");
    EXPECT_EQ(back.table_type, TBL_DEF_SAMPLE);
    EXPECT_EQ(back.column_count, 5);
    for (int k = 0; k < TBL_KEY_COUNT; k++) {
        if (!t->keys[k]) {
            EXPECT_EQ(back.keys[k], nullptr) << k;
            continue;
        }
        ASSERT_NE(back.keys[k], nullptr) << k;
        EXPECT_STREQ(back.keys[k]->name, t->keys[k]->name);
        EXPECT_NE(back.keys[k], t->keys[k]) << "slots point into the new column list";
    }
    free_columns(back.columns);
    tbl_list_free(t);
}

TEST(SetupRows, RegistryRowReadsQuotedPointOnlyWhenPntIsBlankAndRefusesUnknownTypes)
{
    const char *texts[TBL_DEF_COUNT] = {};
    texts[TBL_DEF_TABLENAME] = " samples ";
    texts[TBL_DEF_TABLETYPE] = "sample  ";
    texts[TBL_DEF_BASENUMBER] = "BASENUMBER";
    texts[TBL_DEF_POINT] = "pt";
    sql_col_rec *cols = make_columns("SAMPLES", k_cols);
    tbl_rec r;
    ASSERT_EQ(tbl_from_setup_row(texts, cols, &r), 0);
    EXPECT_STREQ(r.name, "samples");
    EXPECT_STREQ(r.keys[TBL_KEY_PNT]->name, "PT");
    texts[TBL_DEF_PNT] = "GRP";
    ASSERT_EQ(tbl_from_setup_row(texts, cols, &r), 0);
    EXPECT_STREQ(r.keys[TBL_KEY_PNT]->name, "GRP");

    texts[TBL_DEF_TABLETYPE] = "BASENUMBER";
    r.table_type = 99;
    EXPECT_EQ(tbl_from_setup_row(texts, cols, &r), -1);
    EXPECT_EQ(r.table_type, 99) << "a refused row changes nothing";
    texts[TBL_DEF_TABLETYPE] = "SAMPLE";
    texts[TBL_DEF_TABLENAME] = "  ";
    EXPECT_EQ(tbl_from_setup_row(texts, cols, &r), -1);
    EXPECT_EQ(tbl_from_setup_row(nullptr, cols, &r), -2);
    free_columns(cols);
}

TEST(SetupRows, InputRuleRoundTripsExactlyAndDropsTheTransientFlags)
{
    col_attr_rec *r = col_attr_new();
    snprintf(r->column, sizeof r->column, "DIP");
    snprintf(r->table, sizeof r->table, "STN");
    snprintf(r->dictionary, sizeof r->dictionary, "LITHO");
    snprintf(r->profile, sizeof r->profile, "ROCKS");
    r->flags = COL_ATTR_EDIT | COL_ATTR_MANY | COL_ATTR_PROFILE | COL_ATTR_POINT | COL_ATTR_GROUPKEY;
    r->range = COL_ATTR_HAS_MIN | COL_ATTR_HAS_MAX;
    r->level = 3;
    r->extra = 65535;
    r->delimiter = ',';
    r->default_text = strdup("  45 deg");
    r->minimum = 0.1;
    r->maximum = -1.2345678901234567e300;

    setup_row row;
    ASSERT_EQ(col_attr_to_setup_row(r, &row), 0);
    auto texts = texts_of(row, PVCOLUMN_COUNT);
    col_attr_rec back;
    ASSERT_EQ(col_attr_from_setup_row(texts.data(), &back), 0);
    EXPECT_STREQ(back.column, "DIP");
    EXPECT_STREQ(back.profile, "ROCKS");
    EXPECT_EQ(back.flags, COL_ATTR_EDIT | COL_ATTR_MANY | COL_ATTR_GROUPKEY);
    EXPECT_EQ(back.range, 3);
    EXPECT_EQ(back.level, 3);
    EXPECT_EQ(back.extra, 65535);
    EXPECT_EQ(back.delimiter, ',');
    EXPECT_STREQ(back.default_text, "45 deg");
    EXPECT_EQ(back.minimum, 0.1);
    EXPECT_EQ(back.maximum, -1.2345678901234567e300);
    EXPECT_EQ(back.tree, nullptr);
    free(back.default_text);
    col_attr_free(r);
}

TEST(SetupRows, InputRuleRowsWithBadNumbersOrNoColumnAreRefused)
{
    const char *good[PVCOLUMN_COUNT] = {"DIP", "STN", "", "", "1", "0", "0", "0", " ", "", "", ""};
    col_attr_rec r;
    ASSERT_EQ(col_attr_from_setup_row(good, &r), 0);
    EXPECT_EQ(r.delimiter, ' ');
    EXPECT_EQ(r.default_text, nullptr);
    static const struct {
        int index;
        const char *text;
    } bad[] = {{PVCOLUMN_COLUMNAME, " "}, {PVCOLUMN_FLAGS, "65536"}, {PVCOLUMN_FLAGS, "-1"},
               {PVCOLUMN_PICKLEVEL, "2.5"}, {PVCOLUMN_RANGEFLAGS, "x"}, {PVCOLUMN_MINIMUM, "1e999"},
               {PVCOLUMN_MAXIMUM, "nan"}};
    for (auto &b : bad) {
        const char *t[PVCOLUMN_COUNT];
        memcpy(t, good, sizeof t);
        t[b.index] = b.text;
        snprintf(r.column, sizeof r.column, "KEEP");
        EXPECT_EQ(col_attr_from_setup_row(t, &r), -1) << b.index << " " << b.text;
        EXPECT_STREQ(r.column, "KEEP");
    }
}

TEST(SetupRows, PointSetupRoundTripsAndNeedsItsTableAndXY)
{
    test_project tp;
    tbl_rec *t = make_table("STN", TBL_DEF_OTHER,
                            {{"BASENUMBER", N, 8}, {"SYM", C, 10}, {"EAST", N, 10}, {"NORTH", N, 10}, {"ELEV", N, 6}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    tbl_add(&tp.p, t);
    const char *texts[PVPOINT_COUNT] = {"stn", "east", "NORTH", "ELEV", "SYM", " UTM 33N "};
    pnt_rec s;
    char prj[SETUP_PRJ_NAME_WIDTH + 1];
    ASSERT_EQ(pnt_from_setup_row(texts, &tp.p, &s, prj, sizeof prj), 0);
    EXPECT_EQ(s.table, t);
    EXPECT_STREQ(s.x_col->name, "EAST");
    EXPECT_EQ(s.x_index, 2);
    EXPECT_EQ(s.z_index, 4);
    EXPECT_STREQ(s.sym_col->name, "SYM");
    EXPECT_STREQ(prj, "UTM 33N");

    setup_row row;
    ASSERT_EQ(pnt_to_setup_row(&s, prj, &row), 0);
    EXPECT_STREQ(row.text[PVPOINT_TABLENAME], "STN");
    EXPECT_STREQ(row.text[PVPOINT_YCOLUMN], "NORTH");
    EXPECT_STREQ(row.text[PVPOINT_PROJECTION], "UTM 33N");

    texts[PVPOINT_ZCOLUMN] = "";
    ASSERT_EQ(pnt_from_setup_row(texts, &tp.p, &s, prj, sizeof prj), 0);
    EXPECT_EQ(s.z_col, nullptr);
    EXPECT_EQ(s.z_index, -1);
    texts[PVPOINT_YCOLUMN] = "MISSING";
    EXPECT_EQ(pnt_from_setup_row(texts, &tp.p, &s, prj, sizeof prj), -1);
    texts[PVPOINT_YCOLUMN] = "NORTH";
    texts[PVPOINT_TABLENAME] = "ROCK";
    EXPECT_EQ(pnt_from_setup_row(texts, &tp.p, &s, prj, sizeof prj), -1);
}

}  // namespace
