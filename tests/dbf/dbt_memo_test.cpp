/*
 * Tests of .DBT memo files: memo text across blocks, blank and stale block
 * numbers, dBASE IV memos, a memo file that cannot be made or opened.
 */
#include "dbf_fixture.h"

#include <unistd.h>

namespace {

const std::string kLong = std::string(600, 'q') + "tail";   // spans two blocks

/* A table with a name and two memo fields; record 0 has both memos,
 * record 1 none. */
dbf_handle *memo_table(const std::string &path)
{
    dbf_handle *h = create_table(path, {{"NAME", 'C', 6, 0}, {"NOTE", 'M', 10, 0}, {"MORE", 'M', 10, 0}});
    EXPECT_EQ(h->memo_state, 1);
    put(h, "NAME", "one");
    EXPECT_EQ(dbt_set_memo_text(h, 1, "short note", 10), DBF_OK);
    EXPECT_EQ(dbt_set_memo_text(h, 2, kLong.data(), kLong.size()), DBF_OK);
    EXPECT_EQ(dbf_write_record(h, 0), DBF_OK);
    dbt_free_lines(&h->memo);
    put(h, "NAME", "two");
    EXPECT_EQ(dbf_write_record(h, 1), DBF_OK);
    return h;
}

TEST(DbtMemo, MemoTextSurvivesCloseAndReopen)
{
    ScratchDir dir;
    dbf_handle *h = memo_table(dir / "ROCK");
    EXPECT_EQ(get(h, "MORE"), "          ") << "record 1 has no memo";
    dbf_close(h);
    auto dbt = file_bytes(dir / "ROCK.DBT");
    ASSERT_EQ(dbt.size(), 4u * 512);
    EXPECT_EQ(dbt[0], 4) << "next free block";
    EXPECT_EQ(dbt[22] | dbt[23] << 8, 512);
    EXPECT_EQ(dbt[512 + 10], 0x1A);

    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(get(h, "NOTE"), "         1");
    EXPECT_EQ(memo_of(h, "NOTE"), "short note");
    EXPECT_EQ(memo_of(h, "MORE"), kLong);
    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    EXPECT_EQ(h->memo.line_count, 0) << "reading a record replaces the chain";
    dbf_close(h);

    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 0), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(h->fields[2].type, 'C');
    EXPECT_EQ(get(h, "MORE"), "         2") << "without memo the block number shows";
    dbf_close(h);
    dbf_free(h);
}

TEST(DbtMemo, BlockNumbersOutsideTheFileGiveNoMemoAndAreBlankedOnWrite)
{
    ScratchDir dir;
    dbf_handle *h = memo_table(dir / "ROCK");
    dbf_close(h);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    put(h, "MORE", std::to_string(h->memo.header.next_free), true);
    ASSERT_EQ(dbf_load_memos(h), DBF_OK);
    EXPECT_EQ(memo_of(h, "MORE"), "") << "the next free block holds no memo yet";
    EXPECT_EQ(memo_of(h, "NOTE"), "short note");
    dbf_close(h);
    for (const char *number : {"0", "999999", "x"}) {
        ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_UPDATE, 0), DBF_OK);
        ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
        put(h, "NOTE", number, true);
        ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
        dbf_close(h);
        ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
        ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
        EXPECT_EQ(memo_of(h, "NOTE"), "") << number;
        EXPECT_EQ(memo_of(h, "MORE"), kLong) << number;
        ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
        EXPECT_EQ(get(h, "NOTE"), "          ") << number;
        dbf_close(h);
    }
    dbf_free(h);
}

TEST(DbtMemo, StaleNextFreeBlockNeverOverwritesStoredMemos)
{
    ScratchDir dir;
    dbf_handle *h = memo_table(dir / "ROCK");
    dbf_close(h);
    auto dbt = file_bytes(dir / "ROCK.DBT");
    dbt[0] = 0;                                     // header says nothing is used
    write_bytes(dir / "ROCK.DBT", dbt);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
    ASSERT_EQ(dbt_set_memo_text(h, 1, "new", 3), DBF_OK);
    ASSERT_EQ(dbf_write_record(h, 1), DBF_OK);
    EXPECT_EQ(get(h, "NOTE"), "         4");
    dbf_close(h);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(memo_of(h, "MORE"), kLong);
    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    EXPECT_EQ(memo_of(h, "NOTE"), "new");
    dbf_close(h);
    dbf_free(h);
}

TEST(DbtMemo, UnterminatedMemoAtTheEndOfTheFileIsReadAsFarAsItGoes)
{
    ScratchDir dir;
    dbf_handle *h = memo_table(dir / "ROCK");
    dbf_close(h);
    auto dbt = file_bytes(dir / "ROCK.DBT");
    dbt.resize(512 + 5);                            // memo 1 cut short, no 0x1A
    dbt[0] = 9;
    write_bytes(dir / "ROCK.DBT", dbt);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(memo_of(h, "NOTE"), "short");
    EXPECT_EQ(memo_of(h, "MORE"), "");
    dbf_close(h);
    dbf_free(h);
}

/* Header next-free numbers that lie: beyond the file's end (four blanks,
 * or one block too many) and below the first data block. Each is read and
 * written back against the file's real size. */
TEST(DbtMemo, LyingNextFreeBlockIsReplacedByTheFilesRealEnd)
{
    const struct {
        const char *what;
        unsigned char bytes[4];
    } lies[] = {
        {"four blanks", {0x20, 0x20, 0x20, 0x20}},
        {"one beyond the end", {5, 0, 0, 0}},
        {"zero", {0, 0, 0, 0}},
    };
    for (const auto &lie : lies) {
        ScratchDir dir;
        dbf_handle *h = memo_table(dir / "ROCK");
        dbf_close(h);
        auto dbt = file_bytes(dir / "ROCK.DBT");
        ASSERT_EQ(dbt.size(), 4u * 512);
        memcpy(dbt.data(), lie.bytes, 4);
        write_bytes(dir / "ROCK.DBT", dbt);

        ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK) << lie.what;
        EXPECT_EQ(h->memo.header.next_free, 4u) << lie.what;
        ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
        EXPECT_EQ(memo_of(h, "NOTE"), "short note") << lie.what;
        EXPECT_EQ(memo_of(h, "MORE"), kLong) << lie.what;
        dbf_close(h);

        ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_UPDATE, 1), DBF_OK) << lie.what;
        ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
        ASSERT_EQ(dbt_set_memo_text(h, 1, "new", 3), DBF_OK);
        ASSERT_EQ(dbf_write_record(h, 1), DBF_OK);
        EXPECT_EQ(get(h, "NOTE"), "         4") << lie.what << ": the new memo follows the last block";
        dbf_close(h);
        auto after = file_bytes(dir / "ROCK.DBT");
        EXPECT_EQ(after.size(), 5u * 512) << lie.what << ": one block more, no hole";
        EXPECT_EQ(after[0], 5) << lie.what << ": the header now tells the truth";
        EXPECT_EQ(after[1] | after[2] | after[3], 0) << lie.what;

        ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
        ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
        EXPECT_EQ(memo_of(h, "MORE"), kLong) << lie.what;
        ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
        EXPECT_EQ(memo_of(h, "NOTE"), "new") << lie.what;
        dbf_close(h);
        dbf_free(h);
    }
}

TEST(DbtMemo, MemoFileCutWhileOpenGetsItsNextMemoAtTheRealEnd)
{
    ScratchDir dir;
    dbf_handle *h = memo_table(dir / "ROCK");
    dbf_close(h);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
    ASSERT_EQ(truncate((dir / "ROCK.DBT").c_str(), 2 * 512), 0);
    ASSERT_EQ(dbf_read_record(h, 1), DBF_OK);
    ASSERT_EQ(dbt_set_memo_text(h, 1, "after the cut", 13), DBF_OK);
    ASSERT_EQ(dbf_write_record(h, 1), DBF_OK);
    EXPECT_EQ(get(h, "NOTE"), "         2");
    dbf_close(h);
    EXPECT_EQ(file_bytes(dir / "ROCK.DBT").size(), 3u * 512);
    dbf_free(h);
}

TEST(DbtMemo, LongMemoWithoutEndMarkIsReadWholeUpToTheEndOfTheFile)
{
    constexpr size_t kBlocks = 40000;   // a slow chain walk would make this take seconds
    ScratchDir dir;
    dbf_handle *h = memo_table(dir / "ROCK");
    dbf_close(h);
    auto dbt = file_bytes(dir / "ROCK.DBT");
    dbt.resize(512);
    dbt.resize(512 * (1 + kBlocks), 'r');
    dbt[0] = dbt[1] = dbt[2] = dbt[3] = 0xFF;     // lying header too
    write_bytes(dir / "ROCK.DBT", dbt);
    ASSERT_EQ(dbf_open(h, (dir / "ROCK").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(h->memo.line_count, (int)(2 * kBlocks - 1)) << "NOTE from block 1, MORE from block 2, each to the end";
    std::string note = memo_of(h, "NOTE");
    EXPECT_EQ(note.size(), kBlocks * 512 - 1) << "the last byte of the last block becomes the end mark";
    EXPECT_EQ(note.find_first_not_of('r'), std::string::npos);
    dbf_close(h);
    dbf_free(h);
}

/* A dBASE IV table (version 0x8B) whose one memo has the 8-byte header. */
void write_dbase4(const std::string &dir, const std::string &text)
{
    std::vector<unsigned char> dbf(32 + 32 + 1 + 11 + 1, 0);
    dbf[0] = 0x8B;
    dbf[4] = 1;
    dbf[8] = 65;
    dbf[10] = 11;
    memcpy(&dbf[32], "NOTE", 4);
    dbf[43] = 'M';
    dbf[48] = 10;
    dbf[64] = 0x0D;
    memcpy(&dbf[65], "          1", 11);
    dbf.back() = 0x1A;
    write_bytes(dir + "/OLD.DBF", dbf);
    size_t blocks = (8 + text.size() + 511) / 512;
    std::vector<unsigned char> dbt(512 * (1 + blocks), 0);
    dbt[0] = (unsigned char)(1 + blocks);
    dbt[21] = 0x02;
    unsigned char head[8] = {0xFF, 0xFF, 0x08, 0x00, 0, 0, 0, 0};
    uint32_t len = (uint32_t)(8 + text.size());
    memcpy(head + 4, &len, 4);
    memcpy(&dbt[512], head, 8);
    memcpy(&dbt[520], text.data(), text.size());
    write_bytes(dir + "/OLD.DBT", dbt);
}

TEST(DbtMemo, DbaseFourMemosAreReadAndWrittenWithTheirBlockHeader)
{
    ScratchDir dir;
    const std::string text = "dBASE IV memo " + std::string(520, 'z');
    write_dbase4(dir.path(), text);
    dbf_handle *h = dbf_new();
    ASSERT_EQ(dbf_open(h, (dir / "OLD").c_str(), DBF_MODE_UPDATE, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(memo_of(h, "NOTE"), text);
    ASSERT_EQ(dbt_set_memo_text(h, 0, "rewritten", 9), DBF_OK);
    ASSERT_EQ(dbf_write_record(h, 0), DBF_OK);
    EXPECT_EQ(get(h, "NOTE"), "         3");
    dbf_close(h);
    auto dbt = file_bytes(dir / "OLD.DBT");
    ASSERT_GE(dbt.size(), 3u * 512 + 17);
    EXPECT_EQ(dbt[3 * 512], 0xFF);
    EXPECT_EQ(dbt[3 * 512 + 4], 17);
    ASSERT_EQ(dbf_open(h, (dir / "OLD").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(memo_of(h, "NOTE"), "rewritten");
    dbf_close(h);

    /* A hostile length is held to the blocks the file has. */
    auto bad = file_bytes(dir / "OLD.DBT");
    bad[3 * 512 + 7] = 0x7F;
    write_bytes(dir / "OLD.DBT", bad);
    ASSERT_EQ(dbf_open(h, (dir / "OLD").c_str(), DBF_MODE_READ, 1), DBF_OK);
    ASSERT_EQ(dbf_read_record(h, 0), DBF_OK);
    EXPECT_EQ(memo_of(h, "NOTE").substr(0, 9), "rewritten");
    dbf_close(h);
    dbf_free(h);
}

TEST(DbtMemo, TableWhoseMemoFileCannotBeMadeIsNotCreated)
{
    ScratchDir dir;
    fs::create_directory(dir / "ROCK.DBT");        // blocks the memo file
    dbf_handle *h = dbf_new();
    describe(h, dir / "ROCK", {{"NAME", 'C', 4, 0}, {"NOTE", 'M', 10, 0}}, 1);
    EXPECT_EQ(dbf_create(h), DBF_ERR_CREATE);
    EXPECT_FALSE(fs::exists(dir / "ROCK.DBF")) << "the half-made table is removed";
    EXPECT_EQ(h->file, nullptr);
    dbf_free(h);

    /* Without memo support asked for, memo fields become text fields. */
    h = create_table(dir / "PLAIN", {{"NOTE", 'M', 10, 0}}, 0);
    EXPECT_EQ(h->fields[0].type, 'C');
    EXPECT_EQ(h->header.version, 0x03);
    dbf_close(h);
    EXPECT_FALSE(fs::exists(dir / "PLAIN.DBT"));
    dbf_free(h);

    /* A memo table whose memo file is gone cannot be opened with memo. */
    h = memo_table(dir / "GONE");
    dbf_close(h);
    fs::remove(dir / "GONE.DBT");
    EXPECT_EQ(dbf_open(h, (dir / "GONE").c_str(), DBF_MODE_READ, 1), DBF_ERR_MEMO);
    EXPECT_EQ(dbf_open(h, (dir / "GONE").c_str(), DBF_MODE_READ, 0), DBF_OK);
    dbf_close(h);
    dbf_free(h);
}

} // namespace
