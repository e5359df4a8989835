/*
 * Tests of .DBF files: creating, appending, reopening, refusing damaged
 * headers, file names and extensions, and update handles.
 */
#include "dbf_fixture.h"

#include <fcntl.h>
#include <unistd.h>

namespace {

/* A table of the four plain types with two records. */
dbf_handle *two_rows(const std::string &path)
{
    dbf_handle *h = create_table(path, {{"NAME", 'C', 8, 0}, {"DEPTH", 'N', 6, 1}, {"OK", 'L', 1, 0}, {"SEEN", 'D', 8, 0}});
    put(h, "NAME", "gneiss");
    put(h, "DEPTH", "12.5", true);
    put(h, "OK", "T");
    put(h, "SEEN", "20210304");
    EXPECT_EQ(dbf_write_record(h, 0), DBF_OK);
    put(h, "NAME", "marble");
    EXPECT_EQ(dbf_write_record(h, 1), DBF_OK);
    return h;
}

TEST(DbfFile, CreatedTableHasDbaseHeaderAndAppendsBeforeTheEndMark)
{
    ScratchDir dir;
    dbf_handle *h = two_rows(dir / "ROCK");
    EXPECT_EQ(h->header.record_count, 2u);
    EXPECT_EQ(h->current, 1);
    ASSERT_EQ(dbf_close(h), DBF_OK);

    auto b = file_bytes(dir / "ROCK.DBF");
    const int hlen = 32 * 4 + 33, rlen = 1 + 8 + 6 + 1 + 8;
    ASSERT_EQ(b.size(), (size_t)(hlen + 2 * rlen + 1));
    EXPECT_EQ(b[0], 0x03);
    EXPECT_EQ(b[4] | b[5] << 8, 2);
    EXPECT_EQ(b[8] | b[9] << 8, hlen);
    EXPECT_EQ(b[10] | b[11] << 8, rlen);
    EXPECT_EQ(b[29], 0x03) << "the Windows-1252 language driver, so that readers decode accents";
    EXPECT_EQ(b[hlen - 1], 0x0D);
    EXPECT_EQ(b.back(), 0x1A);
    EXPECT_EQ(std::string(b.begin() + hlen, b.begin() + hlen + rlen), " gneiss    12.5T20210304");

    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    EXPECT_EQ(get(h, "NAME"), "marble  ");
    EXPECT_EQ(get(h, "DEPTH"), "  12.5");
    EXPECT_EQ(dbf_read_record(h, 2), DBF_ERR_ARG);
    EXPECT_EQ(dbf_read_record(h, -1), DBF_ERR_ARG);
    EXPECT_EQ(dbf_write_record(h, 0), DBF_ERR_ARG) << "read-only handle";
    dbf_close(h);
    dbf_free(h);
}

TEST(DbfFile, TablesInADeepProjectDirectoryOpen)
{
    ScratchDir dir;
    std::string deep = dir.path();
    while (deep.size() < 300) deep += "/geological_survey_project";
    fs::create_directories(deep);
    dbf_handle *h = two_rows(deep + "/ROCK");
    ASSERT_EQ(dbf_close(h), DBF_OK);
    ASSERT_EQ(dbf_open(h, (deep + "/rock").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(get(h, "NAME"), "gneiss  ");
    dbf_close(h);
    dbf_free(h);
}

TEST(DbfFile, AppendGoesAfterTheLastRecordWhetherOrNotTheFileHadAnEndMark)
{
    ScratchDir dir;
    dbf_handle *h = two_rows(dir / "ROCK");
    dbf_close(h);
    const std::string path = dir / "ROCK.DBF";
    auto b = file_bytes(path);
    b.pop_back();                                   // no end mark
    write_bytes(path, b);

    ASSERT_EQ(dbf_open(h, path.c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
    put(h, "NAME", "slate");
    ASSERT_EQ(dbf_write_record(h, 99), DBF_OK);     // any n past the end appends
    EXPECT_EQ(h->current, 2);
    dbf_close(h);
    auto after = file_bytes(path);
    const size_t hlen = 32 * 4 + 33, rlen = 24;
    ASSERT_EQ(after.size(), hlen + 3 * rlen + 1);
    EXPECT_EQ(after.back(), 0x1A);
    EXPECT_EQ(std::string(after.begin() + hlen + 2 * rlen + 1, after.begin() + hlen + 2 * rlen + 6), "slate");
    EXPECT_EQ(after[4], 3);
    dbf_free(h);
}

TEST(DbfFile, ReadingThenWritingTheNextRecordLandsInPlace)
{
    ScratchDir dir;
    dbf_handle *h = two_rows(dir / "ROCK");
    put(h, "NAME", "chert");
    ASSERT_EQ(dbf_write_record(h, 2), DBF_OK);
    dbf_close(h);
    ASSERT_EQ(dbf_open(h, (dir / "rock").c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    put(h, "NAME", "quartz");
    ASSERT_EQ(dbf_write_record(h, 1), DBF_OK);      // right after a read
    ASSERT_EQ(dbf_read_record(h, 2), DBF_OK);       // right after a write
    EXPECT_EQ(get(h, "NAME"), "chert   ");
    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    EXPECT_EQ(get(h, "NAME"), "quartz  ");
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(get(h, "NAME"), "gneiss  ");
    dbf_close(h);
    dbf_free(h);
}

/* Writes a one-field table by hand, then lets a test damage it. */
std::vector<unsigned char> one_field_file(unsigned char version, char type, int length, int decimals)
{
    std::vector<unsigned char> b(32 + 32 + 1 + 1 + length, 0);
    b[0] = version;
    b[8] = 65;
    b[10] = (unsigned char)(1 + length);
    memcpy(&b[32], "F1", 2);
    b[43] = (unsigned char)type;
    b[48] = (unsigned char)length;
    b[49] = (unsigned char)decimals;
    b[64] = 0x0D;
    b.back() = 0x1A;
    return b;
}

TEST(DbfFile, OpenAcceptsOnlyKnownVersionsAndValidDescriptors)
{
    struct Case { unsigned char version; char type; int length, decimals; int expect; } cases[] = {
        {0x03, 'C', 10, 0, DBF_OK},     {0x83, 'C', 10, 0, DBF_OK},   {0x8B, 'C', 10, 0, DBF_OK},
        {0xF5, 'C', 10, 0, DBF_ERR_FORMAT}, {0x30, 'C', 10, 0, DBF_ERR_FORMAT}, {0x04, 'C', 10, 0, DBF_ERR_FORMAT},
        {0x03, 'N', 21, 0, DBF_ERR_FIELD},  {0x03, 'N', 5, 4, DBF_ERR_FIELD},   {0x03, 'N', 5, 3, DBF_OK},
        {0x03, 'C', 250, 0, DBF_OK},    {0x03, 'X', 4, 0, DBF_ERR_FIELD},
    };
    ScratchDir dir;
    const std::string path = dir / "T.DBF";
    dbf_handle *h = dbf_new();
    for (const Case &c : cases) {
        write_bytes(path, one_field_file(c.version, c.type, c.length, c.decimals));
        EXPECT_EQ(dbf_open(h, path.c_str(), DBF_MODE_READ, 1), c.expect)
            << std::hex << (int)c.version << " " << c.type << std::dec << c.length << "," << c.decimals;
        dbf_close(h);
    }
    /* Bit 7 set but no memo field: no memo file is needed. */
    write_bytes(path, one_field_file(0x83, 'C', 4, 0));
    ASSERT_EQ(dbf_open(h, path.c_str(), DBF_MODE_READ, 1), DBF_OK);
    EXPECT_EQ(h->memo_state, 0);
    dbf_close(h);
    dbf_free(h);
}

TEST(DbfFile, DamagedHeaderIsRefusedAndLeavesTheHandleEmpty)
{
    struct Case { const char *what; int offset; int value; } cases[] = {
        {"header length 40: no field", 8, 40},
        {"header length 63: no field", 8, 63},
        {"header length 64: no room for the terminator", 8, 64},
        {"negative header length", 9, 0x80},
        {"record length below the fields", 10, 4},
        {"record length 0", 10, 0},
        {"negative record length", 11, 0x80},
        {"terminator missing", 64, 0x20},
    };
    ScratchDir dir;
    const std::string path = dir / "T.DBF";
    dbf_handle *h = dbf_new();
    for (const Case &c : cases) {
        auto b = one_field_file(0x03, 'C', 10, 0);
        b[c.offset] = (unsigned char)c.value;
        write_bytes(path, b);
        EXPECT_EQ(dbf_open(h, path.c_str(), DBF_MODE_UPDATE, 1), DBF_ERR_FORMAT) << c.what;
        EXPECT_EQ(h->file, nullptr);
        EXPECT_EQ(h->fields, nullptr);
        EXPECT_EQ(h->record, nullptr);
    }
    /* A header that claims more descriptors than the file holds. */
    auto b = one_field_file(0x03, 'C', 10, 0);
    b[8] = 0x20; b[9] = 0x7F;
    write_bytes(path, b);
    EXPECT_EQ(dbf_open(h, path.c_str(), DBF_MODE_READ, 1), DBF_ERR_FORMAT);
    EXPECT_EQ(dbf_open(h, (dir / "NONE").c_str(), DBF_MODE_READ, 1), DBF_ERR_OPEN);
    EXPECT_EQ(dbf_open(h, "", DBF_MODE_READ, 1), DBF_ERR_ARG);
    EXPECT_EQ(dbf_open(nullptr, path.c_str(), DBF_MODE_READ, 1), DBF_ERR_ARG);
    dbf_free(h);
}

TEST(DbfFile, EveryDamagedHeaderByteGivesAnErrorOrAReadableTable)
{
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "ROCK", {{"NAME", 'C', 6, 0}, {"DEPTH", 'N', 5, 1}, {"NOTE", 'M', 10, 0}});
    put(h, "NAME", "tuff");
    dbt_set_memo_text(h, 2, "ash", 3);
    ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
    dbf_close(h);
    const auto good = file_bytes(dir / "ROCK.DBF");
    const size_t header_end = 32 * 3 + 33;
    const int values[] = {0x00, 0x01, 0x7F, 0x80, 0xFF};
    for (size_t at = 0; at < header_end; at++) {
        for (int v : values) {
            auto b = good;
            b[at] = (unsigned char)v;
            write_bytes(dir / "ROCK.DBF", b);
            int rc = dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1);
            if (rc == DBF_OK) {
                for (long n = 0; n < 3 && (unsigned long)n < h->header.record_count; n++) dbf_read_record(h, n);
                for (int i = 0; i < h->field_count; i++) dbf_field_blank(h, h->fields[i].name);
            } else {
                EXPECT_LT(rc, 0);
                EXPECT_EQ(h->record, nullptr);
            }
            dbf_close(h);
        }
    }
    dbf_free(h);
}

TEST(DbfFile, ExtensionIsSetInTheLastPathComponentOnly)
{
    struct Case { const char *path; const char *ext; const char *expect; } cases[] = {
        {"C:\\DATA.OLD\\TABLE", ".DBF", "C:\\DATA.OLD\\TABLE.DBF"},
        {"build.debug/TABLE", ".DBT", "build.debug/TABLE.DBT"},
        {"./TABLE", ".DBF", "./TABLE.DBF"},
        {"../proj/TABLE.dbf", ".DBT", "../proj/TABLE.DBT"},
        {"TABLE.OLD.DBF", ".DBF", "TABLE.DBF"},
        {"TABLE", ".DBF", "TABLE.DBF"},
    };
    for (const Case &c : cases) {
        char p[DBF_PATH_SIZE];
        strcpy(p, c.path);
        EXPECT_EQ(dbf_set_extension(p, sizeof p, c.ext), DBF_OK);
        EXPECT_STREQ(p, c.expect);
    }
    char p[DBF_PATH_SIZE];
    std::string fits(DBF_PATH_SIZE - 5, 'A');
    strcpy(p, fits.c_str());
    EXPECT_EQ(dbf_set_extension(p, sizeof p, ".DBF"), DBF_OK);
    fits += "B";
    strcpy(p, fits.c_str());
    EXPECT_EQ(dbf_set_extension(p, sizeof p, ".DBF"), DBF_ERR_ARG);
    EXPECT_STREQ(p, "");
}

TEST(DbfFile, CreatingNeverTouchesAFileNamedAfterADottedDirectory)
{
    ScratchDir dir;
    fs::create_directory(dir / "build.debug");
    write_bytes(dir / "build.DBF", {'k', 'e', 'e', 'p'});
    dbf_handle *h = create_table(dir / "build.debug/TABLE", {{"A", 'C', 2, 0}});
    dbf_close(h);
    EXPECT_EQ(file_bytes(dir / "build.DBF").size(), 4u);
    EXPECT_TRUE(fs::exists(dir / "build.debug/TABLE.DBF"));

    dbf_handle *bad = dbf_new();
    describe(bad, dir / "build.debug/", {{"A", 'C', 2, 0}}, 0);
    EXPECT_EQ(dbf_create(bad), DBF_ERR_ARG) << "a folder is no table name";
    dbf_free(bad);
    bad = dbf_new();
    describe(bad, dir / "WIDE", {{"N", 'N', 21, 0}}, 0);
    EXPECT_EQ(dbf_create(bad), DBF_ERR_FIELD);
    EXPECT_FALSE(fs::exists(dir / "WIDE.DBF")) << "nothing is created for a bad layout";
    dbf_free(bad);
    dbf_free(h);
}

TEST(DbfFile, NamesAreFoundWithoutRegardToCaseAndCreatedUpperCase)
{
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "rock", {{"NOTE", 'M', 10, 0}});
    dbf_close(h);
    EXPECT_TRUE(fs::exists(dir / "ROCK.DBF"));
    EXPECT_TRUE(fs::exists(dir / "ROCK.DBT"));
    fs::rename(dir / "ROCK.DBF", dir / "rock.dbf");
    fs::rename(dir / "ROCK.DBT", dir / "Rock.Dbt");
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    EXPECT_EQ(h->memo_state, 1);
    dbf_close(h);
    dbf_free(h);
}

TEST(DbfFile, UpdateWithoutMemoKeepsMemoFieldsOnFile)
{
    ScratchDir dir;
    dbf_handle *h = create_table(dir / "ROCK", {{"NAME", 'C', 4, 0}, {"NOTE", 'M', 10, 0}});
    dbf_close(h);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_UPDATE, 0), DBF_OK);
    EXPECT_EQ(h->fields[1].type, 'C') << "memo field reads as its block number";
    put(h, "NAME", "ab");
    ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
    dbf_close(h);
    EXPECT_EQ(file_bytes(dir / "ROCK.DBF")[32 + 32 + 11], 'M');
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    EXPECT_EQ(h->memo_state, 1);
    EXPECT_EQ(h->fields[1].type, 'M');
    dbf_close(h);
    dbf_free(h);
}

} // namespace
