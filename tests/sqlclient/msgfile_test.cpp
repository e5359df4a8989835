/*
** msgfile_test.cpp: the catalogue tool builds asiloc.xmx and aseloc.xmx,
** CAsiMsgFile reads their messages back (texts are not stored in the
** clear), a damaged catalogue is refused, the home search finds the
** catalogues, and the default texts of the diagnostics come from them.
*/
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_files.h"
#include "sqlclient/base/asi_msgfile.h"

namespace {

const std::string kBuilt = std::string(PV_BINARY_DIR) + "/resources/";
const std::string kTool = std::string(PV_BINARY_DIR) + "/sqlclient/tools/asi_msgcat";

/* The whole file as bytes. */
std::string slurp(const std::string &path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

/* Writes bytes to a file. */
void spit(const std::string &path, const std::string &bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

/* A scratch file name in this test's own folder, removed when the test
 * program ends. */
std::string scratch(const char *name)
{
    static pv_scratch_dir dir("pv_msgfile_");
    return (dir.path() / name).string();
}

TEST(Catalogues, BothCataloguesAreBuiltAndReadBack)
{
    CAsiMsgFile asi, ase;
    ASSERT_EQ(asi.open((kBuilt + "asiloc.xmx").c_str()), 1);
    ASSERT_EQ(ase.open((kBuilt + "aseloc.xmx").c_str()), 1);
    CAsiUcStr text;
    EXPECT_EQ(asi.text(ASI_MSG_SET_CONDITIONS, 0x2203, text), 1);
    EXPECT_EQ(text, CAsiUcStr("numeric value out of range"));
    EXPECT_EQ(ase.text(1, 1, text), 1);
    EXPECT_EQ(text, CAsiUcStr("No applicable message is available"));
    EXPECT_EQ(ase.text(17, 13, text), 1);
    EXPECT_EQ(ase.text(1, 9999, text), 0);
    EXPECT_TRUE(text.isEmpty());
    /* The texts are scrambled in the file. */
    std::string bytes = slurp(kBuilt + "asiloc.xmx");
    EXPECT_EQ(bytes.find(std::string("n\0u\0m\0e\0r\0i\0c", 13)), std::string::npos);
    EXPECT_EQ(bytes.find("numeric"), std::string::npos);
}

TEST(Catalogues, ToolReadsEscapesAndRejectsBadSources)
{
    std::string src = scratch("cat_ok.txt"), out = scratch("cat_ok.xmx");
    spit(src, "# comment\n$set 3\n0x10 tab\\there\n7 caf\xC3\xA9\n\n$set 1\n2 two\n");
    ASSERT_EQ(std::system((kTool + " " + src + " " + out + " 2>/dev/null").c_str()), 0);
    CAsiMsgFile cat;
    ASSERT_EQ(cat.open(out.c_str()), 1);
    CAsiUcStr t;
    EXPECT_EQ(cat.text(3, 16, t), 1);
    EXPECT_EQ(t, CAsiUcStr("tab\there"));
    EXPECT_EQ(cat.text(3, 7, t), 1);
    EXPECT_EQ(t, CAsiUcStr(u"caf\u00E9"));
    EXPECT_EQ(cat.text(1, 2, t), 1);
    for (const char *bad : {"1 before any set\n", "$set 0\n", "$set 1\nx text\n", "$set 1\n1 a\\q\n",
                            "$set 1\n1 a\n1 b\n"}) {
        spit(src, bad);
        EXPECT_NE(std::system((kTool + " " + src + " " + out + " 2>/dev/null").c_str()), 0) << bad;
    }
}

TEST(Catalogues, DamagedCataloguesAreRefused)
{
    std::string good = slurp(kBuilt + "aseloc.xmx");
    ASSERT_GT(good.size(), 40u);
    std::vector<std::pair<const char *, std::string>> cases;
    cases.push_back({"truncated in the index", good.substr(0, 20)});
    cases.push_back({"truncated in the texts", good.substr(0, good.size() - 3)});
    std::string magic = good;
    magic[0] = 'Y';
    cases.push_back({"bad magic", magic});
    std::string count = good;
    count[8] = count[9] = count[10] = count[11] = '\xFF';
    cases.push_back({"count beyond the file", count});
    std::string offset = good;
    offset[ASI_MSG_HEAD + 4 + 3] = '\x7F';
    cases.push_back({"text offset beyond the file", offset});
    std::string order = good;
    std::swap(order[ASI_MSG_HEAD + 2], order[ASI_MSG_HEAD + ASI_MSG_ENTRY + 2]);
    cases.push_back({"index out of order", order});
    for (const auto &c : cases) {
        std::string path = scratch("damaged.xmx");
        spit(path, c.second);
        CAsiMsgFile cat;
        EXPECT_EQ(cat.open(path.c_str()), 0) << c.first;
        CAsiUcStr t;
        EXPECT_EQ(cat.text(1, 1, t), 0) << c.first;
    }
    CAsiMsgFile none;
    EXPECT_EQ(none.open("/nonexistent/x.xmx"), 0);
}

TEST(Catalogues, HomeSearchFindsThemAndDefaultTextsUseThem)
{
    char path[ASI_PATH_MAX];
    int n = asi_find_home("aseloc.xmx", path, sizeof path);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(path).size(), (size_t)n);
    char tiny[4];
    EXPECT_EQ(asi_find_home("aseloc.xmx", tiny, sizeof tiny), -1);
    EXPECT_EQ(asi_find_home("no-such-catalogue.xmx", path, sizeof path), 0);
    CAsiUcStr t;
    EXPECT_EQ(CAsiDiagArea::defaultText(0x379B, t), 1);
    EXPECT_EQ(t, CAsiUcStr("Expression cannot be cast to the specified type"));
    EXPECT_EQ(CAsiDiagArea::defaultText(0x7777, t), 0);
    EXPECT_EQ(t, CAsiUcStr("Error 30583"));
}

TEST(FileFind, EnumeratesMatchingFiles)
{
    pv_scratch_dir scratch_dir("pv_ffind_");
    std::string dir = scratch_dir.path().string() + "/";
    spit(dir + "ffind_a.xmx", "a");
    spit(dir + "ffind_B.XMX", "b");
    spit(dir + "ffind_c.txt", "c");
    CAsiFileFind ff;
    int found = 0;
    for (int ok = ff.first((dir + "ffind_*.xmx").c_str()); ok; ok = ff.next()) {
        found++;
        EXPECT_EQ(std::string(ff.path()), dir + ff.name());
    }
    EXPECT_EQ(found, 2);
    EXPECT_EQ(ff.first("/nonexistent-dir/*"), 0);
    EXPECT_TRUE(asi_name_match("a?c*", "abcdef"));
    EXPECT_FALSE(asi_name_match("a?c", "abcd"));
}

} // namespace
