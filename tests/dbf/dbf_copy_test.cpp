/*
 * Tests of copying records between layouts: type conversions, numbers that
 * do not fit, and memos that must stay in their own field when a rebuilt
 * layout moves them.
 */
#include "dbf_fixture.h"

namespace {

struct Conversion {
    FieldLayout from;
    std::string text;
    bool right;            // source text right-aligned
    FieldLayout to;
    std::string expect;    // destination field after the copy
    int result;
    long cut = 0;          // the value lost fraction digits
};

TEST(DbfCopy, FieldsAreConvertedByTheirTypes)
{
    const Conversion cases[] = {
        {{"V", 'C', 10, 0}, "  -12.5-3", false, {"V", 'N', 10, 1}, "-12.5     ", DBF_OK},
        {{"V", 'C', 10, 0}, "  -12.5-3", false, {"V", 'D', 8, 0}, "        ", DBF_OK},
        {{"V", 'C', 10, 0}, "  -12.5-3", false, {"V", 'L', 1, 0}, "Y", DBF_OK},
        {{"V", 'C', 10, 0}, "          ", false, {"V", 'L', 1, 0}, " ", DBF_OK},
        {{"V", 'C', 10, 0}, " 19990102x", false, {"V", 'D', 8, 0}, "19990102", DBF_OK},
        {{"V", 'C', 10, 0}, "granodiori", false, {"V", 'C', 4, 0}, "gran", DBF_OK},
        {{"V", 'N', 3, 0}, "42", true, {"V", 'N', 6, 0}, "    42", DBF_OK},
        {{"V", 'N', 3, 0}, "42", true, {"V", 'N', 1, 0}, " ", DBF_ERR_OVERFLOW},
        {{"V", 'N', 3, 0}, "-42", true, {"V", 'N', 2, 0}, "  ", DBF_ERR_OVERFLOW},
        {{"V", 'N', 7, 3}, "123.456", true, {"V", 'N', 6, 2}, "123.45", DBF_OK, 1},
        {{"V", 'N', 7, 3}, "123.450", true, {"V", 'N', 6, 2}, "123.45", DBF_OK, 0},
        {{"V", 'N', 7, 3}, "123.456", true, {"V", 'N', 4, 0}, " 123", DBF_OK, 1},
        {{"V", 'N', 20, 0}, "5620410", true, {"V", 'N', 8, 2}, "        ", DBF_ERR_OVERFLOW},
        {{"V", 'N', 8, 2}, "5620410", true, {"V", 'N', 8, 2}, " 5620410", DBF_OK},
        {{"V", 'N', 20, 0}, "99999.999", true, {"V", 'N', 8, 2}, "99999.99", DBF_OK, 1},
        {{"V", 'N', 20, 0}, "5621120.85", true, {"V", 'N', 10, 1}, " 5621120.8", DBF_OK, 1},
        {{"V", 'N', 5, 1}, "1.5", true, {"V", 'N', 3, 0}, "1.5", DBF_OK},
        {{"V", 'F', 10, 2}, "12.50", true, {"V", 'F', 6, 2}, " 12.50", DBF_OK},
        {{"V", 'N', 11, 0}, "5", true, {"V", 'C', 8, 0}, "5       ", DBF_OK},
        {{"V", 'N', 20, 0}, "455.2", true, {"V", 'C', 10, 0}, "455.2     ", DBF_OK},
        {{"V", 'N', 20, 0}, "5621120.85", true, {"V", 'C', 8, 0}, "        ", DBF_ERR_OVERFLOW},
        {{"V", 'C', 6, 0}, "-12.5", false, {"V", 'N', 4, 1}, "    ", DBF_ERR_OVERFLOW},
        {{"V", 'N', 8, 0}, "12345", false, {"V", 'N', 6, 0}, " 12345", DBF_OK},
        {{"V", 'C', 6, 0}, "12345", false, {"V", 'N', 3, 0}, "   ", DBF_ERR_OVERFLOW},
        {{"V", 'C', 6, 0}, "7.25", false, {"V", 'N', 3, 0}, "7.2", DBF_OK, 1},
        {{"V", 'C', 6, 0}, " -", false, {"V", 'N', 4, 0}, "    ", DBF_OK},
        {{"V", 'C', 6, 0}, "-.x", false, {"V", 'N', 4, 0}, "    ", DBF_OK},
        {{"V", 'C', 6, 0}, "-.5x", false, {"V", 'N', 4, 1}, "-.5 ", DBF_OK},
        {{"V", 'N', 5, 1}, "3.5", true, {"V", 'C', 5, 0}, "3.5  ", DBF_OK},
        {{"V", 'F', 5, 1}, "3.5", true, {"V", 'C', 5, 0}, "3.5  ", DBF_OK},
        {{"V", 'D', 8, 0}, "20200101", false, {"V", 'L', 1, 0}, "Y", DBF_OK},
        /* Approximate numbers with an exponent are fitted in plain form. */
        {{"V", 'N', 20, 6}, "1.5E-05", true, {"V", 'N', 8, 2}, "    0.00", DBF_OK, 1},
        {{"V", 'N', 20, 6}, "5E-05", true, {"V", 'N', 10, 6}, "   0.00005", DBF_OK},
        {{"V", 'N', 20, 6}, "-1.25E+3", true, {"V", 'N', 8, 2}, "   -1250", DBF_OK},
        {{"V", 'N', 20, 6}, "1E+20", true, {"V", 'N', 8, 2}, "        ", DBF_ERR_OVERFLOW},
        {{"V", 'N', 20, 6}, "1.5E", true, {"V", 'N', 8, 2}, "        ", DBF_ERR_OVERFLOW},
        {{"V", 'C', 8, 0}, "2.5e2 m", false, {"V", 'N', 5, 0}, "250  ", DBF_OK},
    };
    for (const Conversion &c : cases) {
        ScratchDir dir;
        dbf_handle *src = create_table(dir / "SRC", {c.from});
        dbf_handle *dst = create_table(dir / "DST", {c.to});
        put(src, "V", c.text, c.right);
        dst->record[0] = '*';
        long cut = 0;
        dbf_copy_note note = {7, &cut};
        EXPECT_EQ(dbf_copy_record(dst, src, &note), c.result) << c.from.type << " '" << c.text << "' to " << c.to.type;
        EXPECT_EQ(note.overflow, c.result == DBF_ERR_OVERFLOW ? 0 : -1) << "'" << c.text << "' to " << c.to.type;
        EXPECT_EQ(cut, c.cut) << "'" << c.text << "' to " << c.to.type << c.to.length << "," << c.to.decimals;
        EXPECT_EQ(get(dst, "V"), c.expect) << c.from.type << " '" << c.text << "' to " << c.to.type << c.to.length;
        EXPECT_EQ(dst->record[0], '*') << "the deletion flag is the caller's";
        dbf_close(src);
        dbf_close(dst);
        dbf_free(src);
        dbf_free(dst);
    }
}

TEST(DbfCopy, FieldsAreMatchedByNameAndUnmatchedOnesStayBlank)
{
    ScratchDir dir;
    dbf_handle *src = create_table(dir / "SRC", {{"NAME", 'C', 6, 0}, {"OLDCOL", 'C', 4, 0}, {"DEPTH", 'N', 5, 1}});
    dbf_handle *dst = create_table(dir / "DST", {{"DEPTH", 'N', 6, 1}, {"NEWCOL", 'C', 4, 0}, {"name", 'C', 8, 0}});
    put(src, "NAME", "basalt");
    put(src, "OLDCOL", "gone");
    put(src, "DEPTH", "2.5", true);
    memset(dst->record + 1, 'x', (size_t)dst->header.record_length - 1);
    EXPECT_EQ(dbf_copy_record(dst, src), DBF_OK);
    EXPECT_EQ(std::string(dst->record + 1, (size_t)dst->header.record_length - 1), "   2.5    basalt  ");
    EXPECT_EQ(dbf_copy_record(nullptr, src), DBF_ERR_ARG);
    dbf_handle *empty = dbf_new();
    EXPECT_EQ(dbf_copy_record(dst, empty), DBF_ERR_ARG);
    dbf_free(empty);
    dbf_close(src);
    dbf_close(dst);
    dbf_free(src);
    dbf_free(dst);
}

/* Rebuilds the table at path into a new layout the way a table rebuild
 * does: old files set aside, each live record copied and written. */
void rebuild(const ScratchDir &dir, std::initializer_list<FieldLayout> layout)
{
    fs::rename(dir / "ROCK.DBF", dir / "TEMPRARY.DBF");
    fs::rename(dir / "ROCK.DBT", dir / "TEMPRARY.DBT");
    dbf_handle *old = dbf_new();
    ASSERT_EQ(dbf_open(old, (dir / "TEMPRARY").c_str(), DBF_MODE_READ, 1), DBF_OK);
    dbf_handle *neu = create_table(dir / "ROCK", layout);
    for (long n = 0; n < (long)old->header.record_count; n++) {
        ASSERT_EQ(dbf_read_record(old, n), DBF_OK);
        ASSERT_EQ(dbf_copy_record(neu, old), DBF_OK);
        if (!dbf_is_deleted(old)) {
            ASSERT_EQ(dbf_write_record(neu, (long)neu->header.record_count), DBF_OK);
        }
    }
    dbf_close(old);
    dbf_close(neu);
    dbf_free(old);
    dbf_free(neu);
}

TEST(DbfCopy, RebuildWithAColumnInsertedBeforeTwoMemosKeepsEachMemoInItsField)
{
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "ROCK", {{"NAME", 'C', 6, 0}, {"NOTES", 'M', 10, 0}, {"REMARKS", 'M', 10, 0}});
    const char *names[] = {"one", "two", "three"};
    for (int r = 0; r < 3; r++) {
        put(h, "NAME", names[r]);
        std::string a = std::string("notes of ") + names[r], b = std::string(530, 'r') + names[r];
        ASSERT_EQ(dbt_set_memo_text(h, 1, a.data(), a.size()), DBF_OK);
        if (r != 2) ASSERT_EQ(dbt_set_memo_text(h, 2, b.data(), b.size()), DBF_OK);
        else dbt_set_memo_text(h, 2, nullptr, 0);
        h->record[0] = r == 1 ? '*' : ' ';
        ASSERT_EQ(dbf_write_record(h, r), DBF_OK);
    }
    dbf_close(h);

    rebuild(dir, {{"NAME", 'C', 6, 0}, {"SAMPLE", 'N', 4, 0}, {"NOTES", 'M', 10, 0}, {"REMARKS", 'M', 10, 0}});
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(h->header.record_count, 2u) << "the deleted record is dropped";
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(get(h, "NAME"), "one   ");
    EXPECT_EQ(memo_of(h, "NOTES"), "notes of one");
    EXPECT_EQ(memo_of(h, "REMARKS"), std::string(530, 'r') + "one");
    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    EXPECT_EQ(get(h, "NAME"), "three ");
    EXPECT_EQ(memo_of(h, "NOTES"), "notes of three");
    EXPECT_EQ(memo_of(h, "REMARKS"), "");
    EXPECT_EQ(get(h, "REMARKS"), "          ");
    dbf_close(h);

    /* Memo fields swapped and one dropped: each text follows its name. */
    rebuild(dir, {{"REMARKS", 'M', 10, 0}, {"OTHER", 'M', 10, 0}, {"NAME", 'C', 6, 0}});
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(memo_of(h, "REMARKS"), std::string(530, 'r') + "one");
    EXPECT_EQ(memo_of(h, "OTHER"), "") << "a memo must not land in an unmatched field";
    dbf_close(h);
    dbf_free(h);
}

TEST(DbfCopy, MemoTextCopiedIntoTextFieldsAndNotIntoTablesWithoutMemo)
{
    ScratchDir dir;
    dbf_handle *src = create_table(dir / "SRC", {{"NOTE", 'M', 10, 0}});
    ASSERT_EQ(dbt_set_memo_text(src, 0, "hornblende", 10), DBF_OK);
    ASSERT_EQ(dbf_write_record(src, 0), DBF_OK);
    ASSERT_EQ(dbf_read_record(src, 0), DBF_OK);
    dbf_handle *text = create_table(dir / "TXT", {{"NOTE", 'C', 5, 0}});
    EXPECT_EQ(dbf_copy_record(text, src), DBF_OK);
    EXPECT_EQ(get(text, "NOTE"), "hornb");
    dbf_handle *plain = create_table(dir / "PLN", {{"NOTE", 'M', 10, 0}}, 0);
    EXPECT_EQ(dbf_copy_record(plain, src), DBF_OK);
    EXPECT_EQ(plain->memo.line_count, 0);
    for (dbf_handle *h : {src, text, plain}) {
        dbf_close(h);
        dbf_free(h);
    }
}

} // namespace
