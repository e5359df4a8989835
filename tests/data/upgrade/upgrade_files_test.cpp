/*
** upgrade_files_test.cpp: the file work of upgrading a version-3.0
** project: catalogue values and old names read the old way, the keyword
** list made into dictionary and profile files, and an old table's records
** rewritten into the current layout without losing a value or a memo.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/item_tree.h"
#include "dbf/dbf_fixture.h"
#include "data/upgrade.h"

namespace {

TEST(UpgradeValues, YesNoFieldsAreYesOnlyForTAndY)
{
    struct {
        const char *text;
        int yes;
    } cases[] = {{"T", 1}, {"t", 1}, {"Y", 1}, {"y", 1}, {"N", 0}, {"F", 0}, {" ", 0}, {"", 0}, {"X", 0}};
    for (const auto &c : cases) EXPECT_EQ(upg_field_yes(c.text), c.yes) << "'" << c.text << "'";
    EXPECT_EQ(upg_field_yes(nullptr), 0);
}

TEST(UpgradeValues, TypeWordsGiveTheirIndexAndUnknownWordsNone)
{
    const char *words[] = {"TEXT", "SYM", "MEMO", "INT", "REAL", "PNT", "DATE", "ISTR", "RSTR"};
    for (int i = 0; i < UPG_TYPE_COUNT; i++) EXPECT_EQ(upg_field_type(words[i]), i) << words[i];
    EXPECT_EQ(upg_field_type("ISTR"), UPG_TYPE_ISTR);
    EXPECT_EQ(upg_field_type("pnt "), UPG_TYPE_PNT);
    EXPECT_EQ(upg_field_type("TEXTS"), -1);
    EXPECT_EQ(upg_field_type("TEX"), -1);
    EXPECT_EQ(upg_field_type(""), -1);
}

TEST(UpgradeValues, CatalogueIdsReadLowFirstAndRecordIdsHighFirst)
{
    EXPECT_EQ(upg_read_id("AB"), 'A' + 256 * 'B');
    EXPECT_EQ(upg_read_id("  "), 0);
    EXPECT_EQ(upg_read_id("A "), 'A' + 256 * ' ');
    EXPECT_EQ(upg_read_id("\xff\xff"), 0xFFFF);
    EXPECT_EQ(upg_read_id_field("AB", 2), 16706);
    EXPECT_EQ(upg_read_id_field("\x01\x02", 2), 258);
    EXPECT_EQ(upg_read_id_field("\0\x07", 2), 7);
    EXPECT_EQ(upg_read_id_field("\xff\xfe", 2), 255 * 256 + 254);
    EXPECT_EQ(upg_read_id_field("A", 1), 65);
}

TEST(UpgradeValues, OldNamesCompareWithoutCaseUpToABlank)
{
    EXPECT_EQ(upg_name_equal("ROCK", "rock", 10), 1);
    EXPECT_EQ(upg_name_equal("  ROCK", "ROCK  ", 10), 1);
    EXPECT_EQ(upg_name_equal("ROCKS", "ROCK", 10), 0);
    EXPECT_EQ(upg_name_equal("ROCKS", "ROCKY", 4), 1);
    EXPECT_EQ(upg_name_equal("ID", "IDX", 10), 0);
}

TEST(UpgradeValues, CleanNamesKeepLettersDigitsDashAndUnderscore)
{
    char name[] = "A b.C-D_E(1)!\x7f~";
    EXPECT_STREQ(upg_clean_name(name), "A_b_C-D_E_1____");
    char upper[] = "rocktype";
    EXPECT_STREQ(upg_upper_n(upper, 4), "ROCKtype");
}

TEST(UpgradeValues, ReservedNamesEndInUnderscore)
{
    char order[] = "ORDER", select[] = "select", rock[] = "ROCK";
    EXPECT_EQ(upg_reserved_name(order), 1);
    EXPECT_STREQ(order, "ORDE_");
    EXPECT_EQ(upg_reserved_name(select), 1);
    EXPECT_STREQ(select, "selec_");
    EXPECT_EQ(upg_reserved_name(rock), 0);
    EXPECT_STREQ(rock, "ROCK");
    char offset[] = "OFFSET";   /* a server's word only: kept */
    EXPECT_EQ(upg_reserved_name(offset), 0);
    EXPECT_STREQ(offset, "OFFSET");
}

TEST(UpgradeValues, FixedWidthTextStopsAtABlankAndNumbersAlignRight)
{
    char field[9] = {};
    EXPECT_EQ(upg_copy_left(field, 8, "ab cd"), 2);
    EXPECT_EQ(std::string(field, 8), "ab      ");
    EXPECT_EQ(upg_copy_left(field, 8, "abcdefghij"), 8);
    EXPECT_EQ(std::string(field, 8), "abcdefgh");
    upg_copy_right(field, 8, 60077);
    EXPECT_EQ(std::string(field, 8), "   60077");
    upg_copy_right(field, 3, 123456);
    EXPECT_EQ(std::string(field, 3), "123");
    std::string dir;
    EXPECT_EQ(upg_project_dir("/p/geo", dir), 0);
    EXPECT_EQ(dir, "/p/geo/");
    EXPECT_EQ(upg_project_dir("/p/geo/", dir), 0);
    EXPECT_EQ(dir, "/p/geo/");
    EXPECT_EQ(upg_project_dir("", dir), -1);
}

/* The item tree of a keyword list, freed with the test. */
struct Tree {
    item_node root{};
    ~Tree() { item_root_empty(&root); }
};

TEST(UpgradeDictionary, KeywordsBecomeOneLevelOfItemsNumberedInOrder)
{
    Tree t;
    EXPECT_EQ(upg_keywords_tree(&t.root, "ROCKP", "ROCKD", "granite (coarse fine) basalt"), 4);
    const char *names[] = {"granite", "coarse", "fine", "basalt"};
    int k = 0;
    for (item_node *n = t.root.child; n; n = n->next, k++) {
        ASSERT_LT(k, 4);
        EXPECT_STREQ(n->name, names[k]);
        EXPECT_EQ(n->number, k + 1);
        EXPECT_EQ(n->child, nullptr);
        EXPECT_EQ(n->depth, 1);
    }
    EXPECT_EQ(k, 4);
    Tree empty;
    EXPECT_EQ(upg_keywords_tree(&empty.root, "ROCKP", "ROCKD", " ( ) "), 0);
    EXPECT_EQ(empty.root.child, nullptr);
}

/* A number field of the current record as a number. */
long number_of(dbf_handle *h, const char *name)
{
    return std::stol(get(h, name));
}

TEST(UpgradeDictionary, FilesHoldTheRootAtZeroAndEachItemAtItsNumber)
{
    ScratchDir dir;
    Tree t;
    ASSERT_EQ(upg_keywords_tree(&t.root, "ROCKP", "ROCKD", "granite (coarse fine) basalt"), 4);
    ASSERT_EQ(upg_write_dictionary_dbf((dir.path() + "/").c_str(), "ROCKD", "ROCKP", &t.root), 0);

    dbf_handle *d = dbf_new();
    ASSERT_EQ(dbf_open(d, (dir / "ROCKD").c_str(), DBF_MODE_READ, 0), DBF_OK);
    EXPECT_EQ(d->header.version, DBF_VERSION_PLAIN);
    ASSERT_EQ(d->header.record_count, 5u);
    ASSERT_EQ(dbf_read_record(d, 0), DBF_OK);
    EXPECT_EQ(get(d, "BASENUMBER"), "       0");
    EXPECT_EQ(get(d, "LONGNAME").substr(0, 6), "ROCKD ");
    ASSERT_EQ(dbf_read_record(d, 1), DBF_OK);
    EXPECT_EQ(number_of(d, "BASENUMBER"), 1);
    EXPECT_EQ(get(d, "LONGNAME").substr(0, 8), "granite ");
    ASSERT_EQ(dbf_read_record(d, 4), DBF_OK);
    EXPECT_EQ(get(d, "LONGNAME").substr(0, 7), "basalt ");
    dbf_close(d);
    dbf_free(d);

    dbf_handle *p = dbf_new();
    ASSERT_EQ(dbf_open(p, (dir / "ROCKP").c_str(), DBF_MODE_READ, 0), DBF_OK);
    ASSERT_EQ(p->header.record_count, 5u);
    const long expected[5][4] = {{0, 0, 60077, 8089}, {1, 1, 0, 0}, {2, 2, 0, 0}, {3, 3, 0, 0}, {4, 4, 0, 0}};
    for (int r = 0; r < 5; r++) {
        ASSERT_EQ(dbf_read_record(p, r), DBF_OK);
        EXPECT_EQ(number_of(p, "SORTNUMBER"), expected[r][0]) << r;
        EXPECT_EQ(number_of(p, "BASENUMBER"), expected[r][1]) << r;
        EXPECT_EQ(number_of(p, "PARENTNUM"), expected[r][2]) << r;
        EXPECT_EQ(number_of(p, "WINDOW"), expected[r][3]) << r;
    }
    dbf_close(p);
    dbf_free(p);
}

TEST(UpgradeDictionary, AnUncreatableFileIsReportedNotWritten)
{
    Tree t;
    ASSERT_EQ(upg_keywords_tree(&t.root, "ROCKP", "ROCKD", "granite"), 1);
    EXPECT_EQ(upg_write_dictionary_dbf("/nonexistent-dir/", "ROCKD", "ROCKP", &t.root), UPG_ERR_FILES);
}

/* An old table with its rules: ID C2, NAME, a reserved-word field SELECT,
** a date, two memo fields, an ISTR and an RSTR field with dictionaries. */
class OldTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        istr = rule("ROCKTYPE", COL_ATTR_EDIT | COL_ATTR_ISTR);
        ASSERT_EQ(upg_keywords_tree(istr->tree, "ROCKP", "ROCKD", "granite (coarse fine) basalt"), 4);
        rstr = rule("GRADE", COL_ATTR_EDIT | COL_ATTR_RSTR);
        ASSERT_EQ(upg_keywords_tree(rstr->tree, "GRADP", "GRADD", "au ag cu"), 3);
        rule("NOTE", COL_ATTR_EDIT | COL_ATTR_MEMO);
        rule("NOTE2", COL_ATTR_EDIT | COL_ATTR_MEMO);

        dbf_handle *h = create_table(dir / "STATN", {{"ID", 'C', 2, 0},
                                                     {"NAME", 'C', 10, 0},
                                                     {"SELECT", 'C', 6, 0},
                                                     {"SEEN", 'D', 8, 0},
                                                     {"NOTE", 'M', 10, 0},
                                                     {"NOTE2", 'M', 10, 0},
                                                     {"ROCKTYPE", 'C', 3, 0},
                                                     {"GRADE", 'C', 4, 0}});
        ASSERT_NE(h->record, nullptr);
        put(h, "ID", "AB");
        put(h, "NAME", "outcrop 1");
        put(h, "SELECT", "kept");
        put(h, "SEEN", "19910304");
        put(h, "ROCKTYPE", std::string("\x02\x04 ", 3));
        put(h, "GRADE", std::string("\x65\x04\x01\x01", 4));
        ASSERT_EQ(dbt_set_memo_text(h, dbf_find_field(h, "NOTE"), first_memo.data(), first_memo.size()), DBF_OK);
        ASSERT_EQ(dbt_set_memo_text(h, dbf_find_field(h, "NOTE2"), second_memo.data(), second_memo.size()), DBF_OK);
        ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
        h->record[0] = DBF_BLANK;
        put(h, "ID", std::string("\x00\x07", 2));
        put(h, "ROCKTYPE", "   ");
        put(h, "GRADE", "    ");
        dbt_free_lines(&h->memo);
        ASSERT_EQ(dbf_write_record(h, 1), DBF_OK);
        dbf_close(h);
        dbf_free(h);
    }
    void TearDown() override
    {
        while (rules) {
            col_attr_rec *next = rules->next;
            if (rules->tree) {
                item_root_empty(rules->tree);
                delete rules->tree;
                rules->tree = nullptr;
            }
            col_attr_free(rules);
            rules = next;
        }
    }
    col_attr_rec *rule(const char *column, unsigned flags)
    {
        col_attr_rec *r = col_attr_new();
        std::strcpy(r->column, column);
        std::strcpy(r->table, "STATN");
        r->flags = (uint16_t)flags;
        if (flags & (COL_ATTR_ISTR | COL_ATTR_RSTR)) r->tree = new item_node{};
        r->next = rules;
        rules = r;
        return r;
    }

    ScratchDir dir;
    col_attr_rec *rules = nullptr;
    col_attr_rec *istr = nullptr, *rstr = nullptr;
    std::string first_memo = "First memo of the station, " + std::string(700, 'f') + " end.";
    std::string second_memo = "Second memo " + std::string(1200, 's');
};

TEST_F(OldTable, NewLayoutHasNumberIdCharDatesMemoMarksAndItemFields)
{
    dbf_handle *old_h = dbf_new();
    ASSERT_EQ(dbf_open(old_h, (dir / "STATN").c_str(), DBF_MODE_READ, 1), DBF_OK);
    EXPECT_EQ(upg_has_old_layout(old_h), 1);
    dbf_handle *new_h = dbf_new();
    ASSERT_EQ(upg_new_layout(old_h, "STATN", rules, new_h), 0);
    struct {
        const char *name;
        char type;
        int length;
    } expected[] = {{"ID", 'N', 8},      {"NAME", 'C', 10},   {"SELEC_", 'C', 6}, {"SEEN", 'C', 8},
                    {"NOTE", 'C', 4},    {"NOTE2", 'C', 100}, {"GRANITE", 'C', 2}, {"COARSE", 'C', 2},
                    {"FINE", 'C', 2},    {"AU", 'C', 5},      {"AG", 'C', 5}};
    ASSERT_EQ(new_h->field_count, (int)(sizeof expected / sizeof expected[0]));
    int length = 1;
    for (int i = 0; i < new_h->field_count; i++) {
        EXPECT_STREQ(new_h->fields[i].name, expected[i].name) << i;
        EXPECT_EQ(new_h->fields[i].type, expected[i].type) << i;
        EXPECT_EQ(new_h->fields[i].length, expected[i].length) << i;
        length += expected[i].length;
    }
    EXPECT_EQ(new_h->header.record_length, length);
    dbf_close(old_h);
    dbf_free(old_h);
    dbf_free(new_h);
}

TEST_F(OldTable, RecordsKeepEveryValueAndOnlyTheFirstMemoLeaves)
{
    dbf_handle *old_h = dbf_new();
    ASSERT_EQ(dbf_open(old_h, (dir / "STATN").c_str(), DBF_MODE_READ, 1), DBF_OK);
    dbf_handle *new_h = dbf_new();
    ASSERT_EQ(upg_new_layout(old_h, "STATN", rules, new_h), 0);
    std::snprintf(new_h->path, sizeof new_h->path, "%s", (dir / "NEW").c_str());
    ASSERT_EQ(dbf_create(new_h), DBF_OK);

    ASSERT_EQ(dbf_read_record(old_h, 0), DBF_OK);
    upg_record_out out;
    ASSERT_EQ(upg_convert_record(old_h, new_h, "STATN", rules, &out), 0);
    EXPECT_EQ(out.number, 16706);
    EXPECT_EQ(out.has_memo, 1);
    EXPECT_EQ(out.memo, first_memo);
    EXPECT_EQ(get(new_h, "ID"), "   16706");
    EXPECT_EQ(get(new_h, "NAME"), "outcrop 1 ");
    EXPECT_EQ(get(new_h, "SELEC_"), "kept  ");
    EXPECT_EQ(get(new_h, "SEEN"), "19910304");
    EXPECT_EQ(get(new_h, "NOTE"), "MEMO");
    EXPECT_EQ(get(new_h, "GRANITE"), " 1");
    EXPECT_EQ(get(new_h, "COARSE"), " 3");
    EXPECT_EQ(get(new_h, "FINE"), "31");
    EXPECT_EQ(get(new_h, "AU"), "8.68 ");
    EXPECT_EQ(get(new_h, "AG"), "0.00 ");
    EXPECT_EQ(get(new_h, "NOTE2").find("Second memo"), 0u);
    ASSERT_EQ(dbf_write_record(new_h, 0), DBF_OK);

    ASSERT_EQ(dbf_read_record(old_h, 1), DBF_OK);
    ASSERT_EQ(upg_convert_record(old_h, new_h, "STATN", rules, &out), 0);
    EXPECT_EQ(out.number, 7);
    EXPECT_EQ(out.has_memo, 0);
    EXPECT_EQ(get(new_h, "NOTE"), "    ");
    EXPECT_EQ(get(new_h, "GRANITE"), "  ");
    EXPECT_EQ(get(new_h, "AU"), "     ");

    /* A table declaring code page 437: its text becomes Windows-1252, a
    ** character that page lacks '?', and the first one is named. */
    old_h->header.reserved[DBF_LANGUAGE_AT] = 0x01;
    std::memcpy(dbf_field_ptr(old_h, "NAME"), "Cr\x82" "ek \xb0   ", 10);
    ASSERT_EQ(upg_convert_record(old_h, new_h, "STATN", rules, &out), 0);
    EXPECT_EQ(get(new_h, "NAME"), "Cr\xe9" "ek ?   ");
    EXPECT_EQ(out.lacking, 0x2591u);
    EXPECT_EQ(out.lacking_in, "NAME");
    dbf_close(old_h);
    dbf_free(old_h);
    dbf_close(new_h);
    dbf_free(new_h);
}

TEST_F(OldTable, ATableWithoutCharIdIsNotInTheOldLayout)
{
    dbf_handle *h = create_table(dir / "NEWER", {{"ID", 'N', 8, 0}, {"NAME", 'C', 10, 0}}, 0);
    EXPECT_EQ(upg_has_old_layout(h), 0);
    dbf_close(h);
    dbf_free(h);
}

} // namespace

/* The items of one column get fields of their own: a repeated word is one
** item, words that clean or cut to one name are told apart by a digit. */
TEST_F(OldTable, ItemFieldsOfOneColumnAreUnique)
{
    col_attr_rec *r = rule("ROCKNAME", COL_ATTR_EDIT | COL_ATTR_ISTR);
    ASSERT_EQ(upg_keywords_tree(r->tree, "ROCNP", "ROCND",
                                "Shale shale shale rock-a rock.a rock,a granodiorite1 granodiorite2 select"),
              8);
    std::vector<std::string> fields;
    upg_item_fields(r, fields);
    EXPECT_EQ(fields, (std::vector<std::string>{"SHALE", "SHALE1", "ROCK-A", "ROCK_A", "ROCK_A1", "GRANODIORI",
                                                "GRANODIOR1", "SELEC_"}));
}
