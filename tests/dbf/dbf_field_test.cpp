/*
 * Tests of field lookup and field tests: names matched exactly first and
 * modulo 32 after, blank fields, deletion marks, places in the record.
 */
#include "dbf_fixture.h"

namespace {

TEST(DbfField, NamesCompareModulo32OverTenCharacters)
{
    struct Case { const char *a, *b; int expect; } cases[] = {
        {"x1", "XQ", 1},       {"NAME", "NAME  ", 1},   {"NAME  ", "NAME", 1},
        {"NAME", "NAMES", 0},  {"AB", "AC", 0},         {"", "", 1},
        {"ABCDEFGHIJK", "abcdefghijZ", 1},              {"NAMEX", "NAME", 0},
        {nullptr, "A", -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dbf_name_equal(c.a, c.b, DBF_NAME_MAX), c.expect) << (c.a ? c.a : "null") << " / " << c.b;
}

TEST(DbfField, ExactNameWinsOverAModulo32Match)
{
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "T", {{"XQ", 'C', 2, 0}, {"X1", 'C', 3, 0}, {"NAME", 'C', 4, 0}});
    EXPECT_EQ(dbf_find_field(h, "X1"), 1);
    EXPECT_EQ(dbf_find_field(h, "xq"), 0);
    EXPECT_EQ(dbf_find_field(h, "x1"), 1);
    EXPECT_EQ(dbf_find_field(h, "NAME  "), 2);
    EXPECT_EQ(dbf_find_field(h, "nAmE"), 2);
    EXPECT_EQ(dbf_find_field(h, "ZZ"), -1);
    dbf_close(h);
    dbf_free(h);

    h = create_table(dir / "U", {{"XQ", 'C', 2, 0}, {"B", 'C', 1, 0}});
    EXPECT_EQ(dbf_find_field(h, "x1"), 0) << "modulo 32 stays as the fallback";
    EXPECT_EQ(dbf_field_index(h, "B"), 1);
    dbf_close(h);
    EXPECT_EQ(dbf_field_index(h, "B"), -1) << "no open file";
    dbf_free(h);
}

TEST(DbfField, FieldPlacesBlanksAndDeletionMarks)
{
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "T", {{"A", 'C', 2, 0}, {"B", 'C', 3, 0}, {"C", 'C', 1, 0}});
    EXPECT_EQ(dbf_field_at(h, 0), h->record + 1);
    EXPECT_EQ(dbf_field_at(h, 2), h->record + 6);
    EXPECT_EQ(dbf_field_ptr(h, "b"), h->record + 3);
    EXPECT_EQ(dbf_field_at(h, 3), nullptr);
    EXPECT_EQ(dbf_field_at(h, -1), nullptr);
    EXPECT_EQ(dbf_field_ptr(h, "Q"), nullptr);

    EXPECT_EQ(dbf_field_blank(h, "B"), 1);
    put(h, "B", "\t\n ");
    EXPECT_EQ(dbf_field_blank(h, "B"), 1) << "control characters count as blank";
    put(h, "B", "\xE9\xE8");
    EXPECT_EQ(dbf_field_blank(h, "B"), 0) << "accented letters are text";
    put(h, "B", "  x");
    EXPECT_EQ(dbf_field_blank(h, "B"), 0);
    EXPECT_EQ(dbf_field_blank(h, "Q"), -1);

    EXPECT_EQ(dbf_is_deleted(h), 0);
    h->record[0] = DBF_DELETED;
    EXPECT_EQ(dbf_is_deleted(h), 1);
    ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
    dbf_close(h);
    EXPECT_EQ(dbf_is_deleted(h), -1);
    EXPECT_EQ(dbf_field_blank(h, "B"), -1);
    ASSERT_EQ(dbf_open(h, (dir / "T").c_str(), DBF_MODE_READ, 0), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(dbf_is_deleted(h), 1);
    dbf_close(h);
    dbf_free(h);
}

} // namespace
