/*
** import_reader_test.cpp: the text importer's value reader: delimiters,
** quoting, long values, short and blank lines, and bytes of code page
** 1252, read into records as the importer reads them; the choice between
** UTF-8 and Windows-1252 and the values turned into Windows-1252.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "data/import_reader.h"

namespace {

using Records = std::vector<std::vector<std::string>>;

/* Reads a whole text into records of values, `expected` fields a record. */
Records read_all(const std::string &text, int col, int quote, int expected)
{
    std::string bytes = text;
    FILE *fp = fmemopen(bytes.data(), bytes.size(), "rb");
    EXPECT_NE(fp, nullptr);
    static import_reader r;
    import_reader_init(&r, fp, col, quote);
    Records out(1);
    for (;;) {
        int end = import_read_value(&r);
        out.back().push_back(std::string(r.value, (size_t)r.length));
        if (import_ends_record(&r, (int)out.back().size(), expected)) {
            if (end == IMPORT_EOF) break;
            import_skip_record_end(&r);
            out.emplace_back();
        }
    }
    std::fclose(fp);
    /* The end of the stream reads one empty value after the last line. */
    if (out.back().size() == 1 && out.back()[0].empty()) out.pop_back();
    return out;
}

struct ReaderCase {
    const char *what;       /* what the case shows */
    std::string text;       /* the input */
    int col;                /* column delimiter */
    int quote;              /* text delimiter */
    int expected;           /* fields a record */
    Records records;        /* values read */
};

TEST(ImportReader, SplitsValuesAsTheDelimitersSay)
{
    const std::vector<ReaderCase> cases = {
        {"quoted comma stays in its value",
         "12,\"granite, coarse\",3.5\n",
         ',',
         '"',
         3,
         {{"12", "granite, coarse", "3.5"}}},
        {"two tabs give an empty middle value", "a\t\tc\n", '\t', 0, 3, {{"a", "", "c"}}},
        {"runs of blanks are one separator", "one   two  three\n", ' ', 0, 3, {{"one", "two", "three"}}},
        {"a short line ends its record at the line end", "a,b\nc,d,e\n", ',', 0, 3, {{"a", "b"}, {"c", "d", "e"}}},
        {"CR LF ends a line once", "a;b\r\nc;d\r\n", ';', 0, 2, {{"a", "b"}, {"c", "d"}}},
        {"trailing blanks of an unquoted value are kept", "ab  ,c\n", ',', 0, 2, {{"ab  ", "c"}}},
        {"a blank line at the start is an empty record", "\nx,y\n", ',', 0, 2, {{""}, {"x", "y"}}},
        {"values past the expected count stay in their record", "a,b,c\nd\n", ',', 0, 2, {{"a", "b", "c"}, {"d"}}},
        {"a quote inside an unquoted value is ordinary", "o'neil,x\n", ',', '"', 2, {{"o'neil", "x"}}},
        {"text after a closing quote is dropped", "\"ab\"cd,e\n", ',', '"', 2, {{"ab", "e"}}},
        {"a value without a final line end is read", "a,b", ',', 0, 2, {{"a", "b"}}},
        {"a NUL byte stays in its value, which keeps its place",
         std::string("2\0"
                     "00,x\n",
                     6),
         ',',
         0,
         2,
         {{std::string("2\0"
                       "00",
                       4),
           "x"}}},
    };
    for (const ReaderCase &c : cases)
        EXPECT_EQ(read_all(c.text, c.col, c.quote, c.expected), c.records) << c.what;
}

TEST(ImportReader, HighBytesAreCharactersNotTheEndOfFile)
{
    /* Montréal in code page 1252, then a byte 0xFF (ÿ) inside a value. */
    Records r = read_all("Montr\xe9" "al,x\xffz\nlast,row\n", ',', 0, 2);
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0][0], "Montr\xe9" "al");
    EXPECT_EQ(r[0][1], "x\xffz");
    EXPECT_EQ(r[1], (std::vector<std::string>{"last", "row"}));
}

TEST(ImportReader, LongValuesAreCutAndTheirRestSkipped)
{
    std::string quoted = "\"" + std::string(5000, 'q') + "\",after\n";
    Records r = read_all(quoted, ',', '"', 2);
    ASSERT_EQ(r.size(), 1u);
    ASSERT_EQ(r[0].size(), 2u);
    EXPECT_EQ(r[0][0], std::string(IMPORT_VALUE_MAX, 'q'));
    EXPECT_EQ(r[0][1], "after");

    std::string plain = std::string(4100, 'p') + ",next\n";
    r = read_all(plain, ',', 0, 2);
    ASSERT_EQ(r[0].size(), 2u);
    EXPECT_EQ(r[0][0].size(), (size_t)IMPORT_VALUE_MAX);
    EXPECT_EQ(r[0][1], "next");
}

TEST(ImportReader, UnclosedQuoteEndsAtTheEndOfFile)
{
    Records r = read_all("a,\"open to the end", ',', '"', 2);
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0], (std::vector<std::string>{"a", "open to the end"}));
}

TEST(ImportReader, OnlyValidUtf8BeyondAsciiIsReadAsUtf8)
{
    const struct {
        const char *text;
        int utf8;
    } cases[] = {
        {"plain ascii", 0},          {"Montr\xc3\xa9" "al", 1}, {"Montr\xe9" "al", 0},
        {"\xf0\x9f\x98\x80", 1},     {"\xc0\xaf overlong", 0},  {"cut \xc3", 0},
        {"\xed\xa0\x80 surrogate", 0}, {"\xa9 stray", 0},
    };
    for (const auto &c : cases) EXPECT_EQ(import_is_utf8(c.text, std::strlen(c.text)), c.utf8) << c.text;
}

TEST(ImportReader, AValueCutShortLosesTheCharacterItCutNotTheOnesBefore)
{
    EXPECT_EQ(import_utf8_whole("Montr\xc3"), "Montr");
    EXPECT_EQ(import_utf8_whole("1 \xe2\x82"), "1 ");
    EXPECT_EQ(import_utf8_whole("caf\xc3\xa9"), "caf\xc3\xa9");
    EXPECT_EQ(import_utf8_whole("\xe2\x82\xac"), "\xe2\x82\xac");
}

TEST(ImportReader, ValuesBecomeWindows1252OrNameTheCharacterItLacks)
{
    const struct {
        const char *value;
        int utf8;
        const char *text;     /* the Windows-1252 text, or null when refused */
        unsigned long bad;    /* the character refused */
    } cases[] = {
        {"Montr\xc3\xa9" "al", 1, "Montr\xe9" "al", 0},
        {"\xe2\x82\xac \xc5\x93", 1, "\x80 \x9c", 0},
        {"\xe4\xb8\xad", 1, nullptr, 0x4E2D},
        {"\xc2\x81", 1, nullptr, 0x81},
        {"Montr\xe9" "al \x80", 0, "Montr\xe9" "al \x80", 0},
        {"a\x8d" "b", 0, nullptr, 0x8D},
        {"\x9d", 0, nullptr, 0x9D},
    };
    for (const auto &c : cases) {
        std::string out;
        unsigned long bad = 0;
        int rc = import_to_cp1252(c.value, c.utf8, out, &bad);
        EXPECT_EQ(rc, c.text ? 0 : -1) << c.value;
        if (c.text) EXPECT_EQ(out, c.text) << c.value;
        else EXPECT_EQ(bad, c.bad) << c.value;
    }
}

}  // namespace
