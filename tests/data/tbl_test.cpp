/*
** tbl_test.cpp: the table registry: its name order, the table-definition
** rules with their codes and texts, the key-column checks across a
** project, reading the next numbers, registering over an old row and
** re-binding the point setups.
*/
#include <gtest/gtest.h>

#include "tbl_fixtures.h"

namespace {

using Slots = std::vector<std::pair<int, const char *>>;

std::vector<std::string> names(const pjct_rec &p)
{
    std::vector<std::string> v;
    for (tbl_rec *t = p.tables; t; t = t->next) v.push_back(t->name);
    return v;
}

TEST(TblRegistry, KeepsNamesSortedWithoutRegardToCaseAndRefusesEqualNames)
{
    test_project tp;
    EXPECT_EQ(tbl_insert(&tp.p, make_table("TRAVERSE", TBL_DEF_TRAVERSE, {{"BASENUMBER", N, 8}}, {})), 0);
    EXPECT_EQ(tbl_insert(&tp.p, make_table("Samples", TBL_DEF_SAMPLE, {{"BASENUMBER", N, 8}}, {})), 0);
    EXPECT_EQ(tbl_insert(&tp.p, make_table("stations", TBL_DEF_STATION, {{"BASENUMBER", N, 8}}, {})), 0);
    EXPECT_EQ(names(tp.p), (std::vector<std::string>{"Samples", "stations", "TRAVERSE"}));
    EXPECT_EQ(tp.p.flags, PJCT_CHG_TABLES);

    tbl_rec *dup = make_table("STATIONS", TBL_DEF_STATION, {{"BASENUMBER", N, 8}}, {});
    EXPECT_EQ(tbl_insert(&tp.p, dup), -1);
    EXPECT_EQ(names(tp.p).size(), 3u);
    tbl_list_free(dup);

    tbl_rec blank;
    tbl_rec_init(&blank);
    EXPECT_EQ(tbl_insert(&tp.p, &blank), -2);
    EXPECT_EQ(tbl_insert(nullptr, &blank), -2);
}

TEST(TblRegistry, RemoveUnlinksOnlyListedRows)
{
    test_project tp;
    tbl_rec *a = make_table("A", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}}, {});
    tbl_insert(&tp.p, a);
    tbl_rec *stray = make_table("B", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}}, {});
    tp.p.flags = 0;
    EXPECT_EQ(tbl_remove(&tp.p, stray), -1);
    EXPECT_EQ(tp.p.flags, 0u);
    EXPECT_EQ(tbl_remove(&tp.p, a), 0);
    EXPECT_EQ(tp.p.tables, nullptr);
    EXPECT_EQ(tp.p.flags, PJCT_CHG_TABLES);
    EXPECT_EQ(tbl_remove(&tp.p, nullptr), -2);
    tbl_list_free(stray);
}

/* One definition case: a table, its slots and the expected answer. */
struct def_case {
    const char *what;
    int type;
    std::vector<col_def> cols;
    Slots slots;
    int code;
};

const std::vector<col_def> k_dict_cols = {{"BASENUMBER", N, 8}, {"LONGNAME", C, 32}, {"SHORTNAME", C, 32},
                                           {"DEFINITION", C, 70}};
const Slots k_dict_slots = {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_DICTION, "LONGNAME"}};

std::vector<col_def> dict_with(const char *name, int type, int length)
{
    std::vector<col_def> v = k_dict_cols;
    for (auto &c : v)
        if (!strcmp(c.name, name)) c = {name, type, length};
    return v;
}

std::vector<col_def> dict_without(const char *name)
{
    std::vector<col_def> v;
    for (auto &c : k_dict_cols)
        if (strcmp(c.name, name)) v.push_back(c);
    return v;
}

const std::vector<col_def> k_cols = {{"BASENUMBER", N, 8}, {"TRAV", N, 8}, {"OUTC", N, 8}, {"STN", N, 8},
                                      {"SEG", N, 8},        {"ROCK", N, 8}, {"SMP", N, 8},  {"ANL", N, 8},
                                      {"UNIT", N, 8},       {"LEG", N, 8},  {"BND", N, 8},  {"REF", N, 8},
                                      {"CSTN", C, 10},      {"CNAME", C, 8}};

TEST(TblDefinition, EachRuleAnswersItsCode)
{
    const int B = TBL_KEY_BASENUMBER;
    const std::vector<def_case> cases = {
        {"an OTHER table needs only its unique number", TBL_DEF_OTHER, k_cols, {{B, "BASENUMBER"}}, 0},
        {"no unique number", TBL_DEF_OTHER, k_cols, {}, -11022},
        {"CHAR unique number", TBL_DEF_OTHER, k_cols, {{B, "CNAME"}}, -11024},
        {"unique number is also the station", TBL_DEF_STATION, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "BASENUMBER"}}, -11023},
        {"traverse table without traverse", TBL_DEF_TRAVERSE, k_cols, {{B, "BASENUMBER"}}, -11020},
        {"traverse shared with outcrop", TBL_DEF_STATION, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_TRAVERSE, "TRAV"}, {TBL_KEY_OUTCROP, "TRAV"}}, -11021},
        {"outcrop table without outcrop", TBL_DEF_OUTCROP, k_cols, {{B, "BASENUMBER"}}, -11018},
        {"outcrop shared with unit", TBL_DEF_STATION, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_OUTCROP, "UNIT"}, {TBL_KEY_UNIT, "UNIT"}}, -11019},
        {"station table without station", TBL_DEF_STATION, k_cols, {{B, "BASENUMBER"}}, -11016},
        {"rock table without station", TBL_DEF_ROCK, k_cols, {{B, "BASENUMBER"}, {TBL_KEY_ROCK, "ROCK"}}, -11016},
        {"station shared with rock", TBL_DEF_ROCK, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_ROCK, "STN"}}, -11017},
        {"section table without section", TBL_DEF_SEGMENT, k_cols, {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}},
         -11039},
        {"section shared with rock", TBL_DEF_ANALYSIS, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_SEGMENT, "SEG"}, {TBL_KEY_ROCK, "SEG"}}, -11038},
        {"rock table without rock", TBL_DEF_ROCK, k_cols, {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}}, -11013},
        {"rock shared with sample", TBL_DEF_ANALYSIS, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_ROCK, "ROCK"}, {TBL_KEY_SAMPLE, "ROCK"}}, -11014},
        {"sample table without sample", TBL_DEF_SAMPLE, k_cols, {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}},
         -11010},
        {"sample shared with analysis", TBL_DEF_SAMPLE, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_SAMPLE, "SMP"}, {TBL_KEY_ANALYSIS, "SMP"}}, -11011},
        {"analysis shared with boundary", TBL_DEF_ANALYSIS, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}, {TBL_KEY_ANALYSIS, "ANL"}, {TBL_KEY_BOUNDARY, "ANL"}},
         -11008},
        {"an analysis table without analysis column passes", TBL_DEF_ANALYSIS, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "STN"}}, 0},
        {"unit table without unit", TBL_DEF_UNIT, k_cols, {{B, "BASENUMBER"}}, -11005},
        {"unit shared with legend", TBL_DEF_UNIT, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_UNIT, "UNIT"}, {TBL_KEY_LEGEND, "UNIT"}}, -11006},
        {"legend table without legend", TBL_DEF_LEGEND, k_cols, {{B, "BASENUMBER"}}, -11042},
        {"legend shared with boundary", TBL_DEF_BOUNDARY, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_BOUNDARY, "BND"}, {TBL_KEY_LEGEND, "BND"}}, -11041},
        {"boundary table without boundary", TBL_DEF_BOUNDARY, k_cols, {{B, "BASENUMBER"}}, -11003},
        {"boundary shared with reference", TBL_DEF_OTHER, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_BOUNDARY, "BND"}, {TBL_KEY_REFERENCE, "BND"}}, -11004},
        {"reference table without reference", TBL_DEF_REFERENCE, k_cols, {{B, "BASENUMBER"}}, -11001},
        {"reference shared with long name", TBL_DEF_OTHER, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_REFERENCE, "REF"}, {TBL_KEY_DICTION, "REF"}}, -11002},
        {"section of another type than the station", TBL_DEF_SAMPLE, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "CSTN"}, {TBL_KEY_SAMPLE, "CSTN"}, {TBL_KEY_SEGMENT, "SEG"}}, -11037},
        {"rock of another type than the station", TBL_DEF_SAMPLE, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "CSTN"}, {TBL_KEY_SAMPLE, "CSTN"}, {TBL_KEY_ROCK, "ROCK"}}, -11015},
        {"sample of another type than the station", TBL_DEF_SAMPLE, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "CSTN"}, {TBL_KEY_SAMPLE, "SMP"}}, -11012},
        {"analysis of another type than the station", TBL_DEF_ANALYSIS, k_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_STATION, "CSTN"}, {TBL_KEY_ANALYSIS, "ANL"}}, -11009},
        {"dictionary without long name slot", TBL_DEF_DICTION, k_dict_cols, {{B, "BASENUMBER"}}, -11057},
        {"dictionary with its columns passes", TBL_DEF_DICTION, k_dict_cols, k_dict_slots, 0},
        {"no LONGNAME", TBL_DEF_DICTION, dict_without("LONGNAME"),
         {{B, "BASENUMBER"}, {TBL_KEY_DICTION, "SHORTNAME"}}, -11059},
        {"LONGNAME CHAR(30)", TBL_DEF_DICTION, dict_with("LONGNAME", C, 30), k_dict_slots, -11060},
        {"numeric LONGNAME", TBL_DEF_DICTION, dict_with("LONGNAME", N, 40), k_dict_slots, -11061},
        {"long name slot not LONGNAME", TBL_DEF_DICTION, k_dict_cols,
         {{B, "BASENUMBER"}, {TBL_KEY_DICTION, "SHORTNAME"}}, -11071},
        {"no SHORTNAME", TBL_DEF_DICTION, dict_without("SHORTNAME"), k_dict_slots, -11062},
        {"SHORTNAME CHAR(31)", TBL_DEF_DICTION, dict_with("SHORTNAME", C, 31), k_dict_slots, -11063},
        {"numeric SHORTNAME", TBL_DEF_DICTION, dict_with("SHORTNAME", N, 32), k_dict_slots, -11064},
        {"no DEFINITION", TBL_DEF_DICTION, dict_without("DEFINITION"), k_dict_slots, -11068},
        {"DEFINITION CHAR(69)", TBL_DEF_DICTION, dict_with("DEFINITION", C, 69), k_dict_slots, -11069},
        {"numeric DEFINITION", TBL_DEF_DICTION, dict_with("DEFINITION", N, 70), k_dict_slots, -11070},
    };
    for (const def_case &c : cases) {
        tbl_rec *t = make_table("T", c.type, c.cols, c.slots);
        EXPECT_EQ(tbl_resolve_definition(t, 0), c.code) << c.what;
        tbl_list_free(t);
    }
}

TEST(TblDefinition, DictionaryUniqueNumberMustBeTheBasenumberColumn)
{
    const Slots slots = {{TBL_KEY_BASENUMBER, "BNUM"}, {TBL_KEY_DICTION, "LONGNAME"}};
    struct {
        std::vector<col_def> cols;
        int code;
    } cases[] = {
        {{{"BNUM", N, 8}, {"LONGNAME", C, 32}, {"SHORTNAME", C, 32}, {"DEFINITION", C, 70}}, -11065},
        {{{"BNUM", N, 8}, {"LONGNAME", C, 32}, {"SHORTNAME", C, 32}, {"DEFINITION", C, 70}, {"BASENUMBER", C, 8}},
         -11067},
        {{{"BNUM", N, 8}, {"LONGNAME", C, 32}, {"SHORTNAME", C, 32}, {"DEFINITION", C, 70}, {"BASENUMBER", N, 6}},
         -11066},
        {{{"BNUM", N, 8}, {"LONGNAME", C, 32}, {"SHORTNAME", C, 32}, {"DEFINITION", C, 70}, {"BASENUMBER", I, 4}},
         -11072},
    };
    for (auto &c : cases) {
        tbl_rec *t = make_table("DICT", TBL_DEF_DICTION, c.cols, slots);
        EXPECT_EQ(tbl_resolve_definition(t, 0), c.code);
        tbl_list_free(t);
    }
}

TEST(TblDefinition, RefusesRowsWithoutNameOrColumns)
{
    EXPECT_EQ(tbl_resolve_definition(nullptr, 0), -2);
    tbl_rec *t = make_table("", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}}, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    EXPECT_EQ(tbl_resolve_definition(t, 0), -2);
    snprintf(t->name, sizeof t->name, "T");
    t->column_count = 0;
    EXPECT_EQ(tbl_resolve_definition(t, 0), -2);
    tbl_list_free(t);
}

TEST(TblDefinition, SetsTheKeyColumnsRuleFlagsAndClearsUnusedSlots)
{
    tbl_rec *t = make_table("SMP", TBL_DEF_SAMPLE, k_cols,
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_STATION, "STN"},
                             {TBL_KEY_SAMPLE, "STN"}, {TBL_KEY_TRAVERSE, "TRAV"}, {TBL_KEY_UNIT, "UNIT"}});
    sql_col_rec *stn = t->keys[TBL_KEY_STATION];
    stn->attr->flags = COL_ATTR_PLACEHOLDER | COL_ATTR_INC | COL_ATTR_UNQ;
    ASSERT_EQ(tbl_resolve_definition(t, 0), 0);
    EXPECT_EQ(stn->attr->flags & 0x1F, COL_ATTR_NULL | COL_ATTR_DEF);
    EXPECT_EQ(t->keys[TBL_KEY_BASENUMBER]->attr->flags & 0x81F, 0x81Eu);
    EXPECT_EQ(t->keys[TBL_KEY_TRAVERSE], nullptr);
    EXPECT_EQ(t->keys[TBL_KEY_UNIT], nullptr);
    EXPECT_EQ(t->keys[TBL_KEY_SAMPLE], stn);
    tbl_list_free(t);
}

TEST(TblDefinition, CutsKeyColumnNamesToTheirFirstWord)
{
    tbl_rec *t = make_table("T", TBL_DEF_OTHER, {{" BASENUMBER extra", N, 8}}, {});
    t->keys[TBL_KEY_BASENUMBER] = t->columns;
    ASSERT_EQ(tbl_resolve_definition(t, 0), 0);
    EXPECT_STREQ(t->columns->name, "BASENUMBER");
    tbl_list_free(t);
}

/* The width and consistency codes of each key index, checked on rows of a
** logged-on project. */
TEST(TblKeyCheck, WidthAndConsistencyCodesPerIndex)
{
    static const struct {
        int index, slot, width, consistency;
    } k[] = {
        {TBL_DEF_BASENUMBER, TBL_KEY_BASENUMBER, -11043, -11024}, {TBL_DEF_ANALYSIS, TBL_KEY_ANALYSIS, -11044, -11035},
        {TBL_DEF_SAMPLE, TBL_KEY_SAMPLE, -11045, -11034},         {TBL_DEF_ROCK, TBL_KEY_ROCK, -11046, -11033},
        {TBL_DEF_SEGMENT, TBL_KEY_SEGMENT, -11047, -11036},       {TBL_DEF_STATION, TBL_KEY_STATION, -11048, -11027},
        {TBL_DEF_OUTCROP, TBL_KEY_OUTCROP, -11049, -11028},       {TBL_DEF_TRAVERSE, TBL_KEY_TRAVERSE, -11050, -11029},
        {TBL_DEF_BOUNDARY, TBL_KEY_BOUNDARY, -11051, -11030},     {TBL_DEF_UNIT, TBL_KEY_UNIT, -11052, -11032},
        {TBL_DEF_LEGEND, TBL_KEY_LEGEND, -11053, -11040},         {TBL_DEF_REFERENCE, TBL_KEY_REFERENCE, -11054, -11031},
        {TBL_DEF_DICTION, TBL_KEY_DICTION, -11055, -11056},
    };
    for (auto &e : k) {
        test_project tp;
        tbl_rec *a = make_table("A", TBL_DEF_OTHER, {{"K", N, 6}, {"W", F, 8}, {"S", C, 2}}, {{e.slot, "K"}});
        tbl_rec *b = make_table("B", TBL_DEF_OTHER, {{"K", N, 8}, {"S", C, 2}}, {{e.slot, "K"}});
        EXPECT_EQ(tbl_check_key_column(a, e.index), 0) << "a row in no project passes, index " << e.index;
        tbl_insert(&tp.p, a);
        tbl_insert(&tp.p, b);
        EXPECT_EQ(tbl_check_key_column(a, e.index), e.width) << e.index;
        a->keys[e.slot] = tbl_column_find(a->columns, "W", nullptr, nullptr);
        EXPECT_EQ(tbl_check_key_column(a, e.index), 0) << "FLOAT(8) is wide enough, index " << e.index;
        a->keys[e.slot] = tbl_column_find(a->columns, "S", nullptr, nullptr);
        EXPECT_EQ(tbl_check_key_column(a, e.index), e.consistency) << e.index;
        EXPECT_EQ(tbl_check_key_column(b, e.index), e.consistency) << e.index;
    }
}

TEST(TblKeyCheck, LegendAlsoChecksTheLongNameAndOddIndexesPass)
{
    test_project tp;
    tbl_rec *a = make_table("A", TBL_DEF_LEGEND, {{"L", N, 8}, {"D", N, 6}},
                            {{TBL_KEY_LEGEND, "L"}, {TBL_KEY_DICTION, "D"}});
    tbl_insert(&tp.p, a);
    EXPECT_EQ(tbl_check_key_column(a, TBL_DEF_LEGEND), -11055);
    EXPECT_EQ(tbl_check_key_column(a, TBL_DEF_COMPOSE), 0);
    EXPECT_EQ(tbl_check_key_column(a, TBL_DEF_OTHER), 0);
    EXPECT_EQ(tbl_check_key_column(a, 1), -2);
    EXPECT_EQ(tbl_check_key_column(a, 18), -2);
    EXPECT_EQ(tbl_check_key_column(nullptr, 2), -2);
}

TEST(TblKeyCheck, RegisteredNarrowTraverseFailsTheDefinition)
{
    test_project tp;
    tbl_rec *t = make_table("TRAV", TBL_DEF_TRAVERSE, {{"BASENUMBER", N, 8}, {"TNO", N, 6}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_TRAVERSE, "TNO"}});
    tbl_insert(&tp.p, t);
    EXPECT_EQ(tbl_resolve_definition(t, 0), -11050);
}

TEST(TblErrors, EveryDefinitionCodeHasItsTextAndNoOtherCodeHasOne)
{
    for (int code = TBL_ERR_FIRST; code <= TBL_ERR_LAST; code++)
        EXPECT_NE(tbl_definition_error_text(code), nullptr) << code;
    EXPECT_EQ(tbl_definition_error_text(-11073), nullptr);
    EXPECT_EQ(tbl_definition_error_text(-11000), nullptr);
    EXPECT_EQ(tbl_definition_error_text(0), nullptr);
    static const struct {
        int code;
        const char *text;
    } k[] = {{-11072, "Unique Number must be BASENUMBER"}, {-11071, "Long Name must be LONGNAME "},
             {-11042, "No Legend Number sepcified"},      {-11026, "Cannot retreive Unique Number"},
             {-11027, "Inconsistant Station Number type"}, {-11016, "No Station Number specified"},
             {-11007, "No Analysis Number specified"},    {-11001, "No Reference Number specified"}};
    for (auto &e : k) EXPECT_STREQ(tbl_definition_error_text(e.code), e.text);
}

TEST(TblNumbers, EmptyTableStartsAtOnePaddedToTheColumnLength)
{
    g_fake = {};
    tbl_rec *t = make_table("T", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}}, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    ASSERT_EQ(tbl_resolve_definition(t, 1), 0);
    EXPECT_STREQ(t->columns->text, "00000001");
    EXPECT_EQ(t->last_number, 1);
    EXPECT_EQ(g_fake.max_calls, 1);
    EXPECT_EQ(g_fake.from_text_calls, 1);

    g_fake.max_text = "00000042";
    ASSERT_EQ(tbl_resolve_definition(t, 1), 0);
    EXPECT_EQ(t->last_number, 42);
    EXPECT_EQ(g_fake.from_text_calls, 1) << "a found maximum needs no conversion here";

    g_fake.max_result = -9203;
    EXPECT_EQ(tbl_resolve_definition(t, 1), -11026);
    g_fake = {};
    tbl_list_free(t);
}

TEST(TblAdd, ReplacesAnOldRowAndMovesItsPointSetupToTheNewColumns)
{
    test_project tp;
    std::vector<col_def> cols = {{"BASENUMBER", N, 8}, {"EAST", N, 10}, {"NORTH", N, 10}};
    tbl_rec *old = make_table("STN", TBL_DEF_OTHER, cols, {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    ASSERT_EQ(tbl_add(&tp.p, old), 0);
    EXPECT_EQ(tp.p.flags, PJCT_CHG_TABLES | PJCT_CHG_COLUMNS);
    EXPECT_NE(col_attr_find(tp.p.col_attrs, "EAST", "STN", nullptr), nullptr) << "placeholder rules join the list";
    EXPECT_FALSE(tp.p.col_attrs->flags & COL_ATTR_PLACEHOLDER);

    pnt_rec *p = pnt_new();
    p->x_col = tbl_column_find(old->columns, "EAST", nullptr, nullptr);
    p->y_col = tbl_column_find(old->columns, "NORTH", nullptr, nullptr);
    pnt_attach(&tp.p, p);

    tbl_rec *fresh = make_table("stn", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}, {"NORTH", N, 10}, {"EAST", N, 10}},
                                {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    ASSERT_EQ(tbl_add(&tp.p, fresh), 0);
    ASSERT_EQ(tp.p.tables, fresh);
    EXPECT_EQ(fresh->next, nullptr);
    EXPECT_EQ(p->table, fresh);
    EXPECT_EQ(p->x_col, tbl_column_find(fresh->columns, "EAST", nullptr, nullptr));
    EXPECT_EQ(p->x_index, 2);
    EXPECT_EQ(p->y_index, 1);
    EXPECT_EQ(p->x_col->attr->point, p);
    EXPECT_EQ(tbl_add(&tp.p, fresh), 0) << "the registered row itself";
}

TEST(TblRebind, APointSetupThatLosesItsColumnsIsDetached)
{
    test_project tp;
    tbl_rec *t = make_table("STN", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}, {"EAST", N, 10}, {"NORTH", N, 10}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}});
    tbl_add(&tp.p, t);
    pnt_rec *p = pnt_new();
    p->x_col = tbl_column_find(t->columns, "EAST", nullptr, nullptr);
    p->y_col = tbl_column_find(t->columns, "NORTH", nullptr, nullptr);
    pnt_attach(&tp.p, p);
    col_attr_rec *east = p->x_col->attr;
    ASSERT_EQ(tbl_rebind_columns(&tp.p, nullptr, "stn"), 0);
    EXPECT_EQ(tp.p.points, nullptr);
    EXPECT_EQ(east->point, nullptr);
    EXPECT_FALSE(east->flags & COL_ATTR_POINT);
    EXPECT_EQ(tbl_rebind_columns(&tp.p, nullptr, " "), -2);
    EXPECT_EQ(tbl_rebind_columns(nullptr, nullptr, "STN"), -2);
}

TEST(TblRebind, ReLooksUpKeySlotsInTheRowsOwnColumns)
{
    tbl_rec *t = make_table("T", TBL_DEF_OTHER, {{"BASENUMBER", N, 8}, {"P", N, 8}},
                            {{TBL_KEY_BASENUMBER, "BASENUMBER"}, {TBL_KEY_PNT, "P"}});
    sql_col_rec *old = t->columns;
    t->columns = make_columns("T", {{"P", N, 8}, {"BASENUMBER", N, 8}, {"X", N, 8}});
    test_project tp;
    ASSERT_EQ(tbl_rebind_columns(&tp.p, t, "T"), 0);
    EXPECT_EQ(t->column_count, 3);
    EXPECT_EQ(t->keys[TBL_KEY_BASENUMBER], t->columns->next);
    EXPECT_EQ(t->keys[TBL_KEY_PNT], t->columns);
    tbl_list_free(t);
    free_columns(old);
}

}  // namespace
