/*
** path_test.cpp: link path names: reading a path text part by part,
** quoted names and "*", the errors of malformed texts with their message
** texts, writing the text back with every dot in place, the sizes of its
** forms, comparing paths, and reading a path from a host reply.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ase_fixture.h"
#include "linkclient/ase_path.h"
#include "platform/include/ads_host.h"

namespace {

/* The whole text of a path, "" when it does not fit 256 bytes. */
std::string text_of(const CAsePath &p, int upTo = ASE_LVL_LPN)
{
    char buf[256];
    return p.buildText(buf, sizeof buf, upTo) ? std::string(buf) : std::string();
}

/* Parts 1..5 joined by '|', a missing part empty. */
std::string parts_of(const CAsePath &p)
{
    std::string out;
    for (int k = 1; k <= ASE_PATH_PARTS; ++k)
        out += std::string(k > 1 ? "|" : "") + (p.part(k) ? p.part(k) : "");
    return out;
}

class AsePath : public ::testing::Test {
protected:
    CatalogErrList errs;
    CAsePath path{&errs};
};

TEST_F(AsePath, ReadsPartsFoldedAndWritesThemBackWithTheirDots)
{
    struct Case {
        const char *in;      /* text read at level 1 */
        const char *parts;   /* stored parts */
        const char *out;     /* written back */
    } cases[] = {
        {"env.cat.sch.tab(lpn)", "ENV|CAT|SCH|TAB|LPN", "ENV.CAT.SCH.TAB(LPN)"},
        {"E..S.T", "E||S|T|", "E..S.T"},
        {"E...T", "E|||T|", "E...T"},
        {"(L)", "||||L", "...(L)"},
        {" db3 . petrivex . geo . station ( geo$station ) ", "DB3|PETRIVEX|GEO|STATION|GEO$STATION",
         "DB3.PETRIVEX.GEO.STATION(GEO$STATION)"},
        {"E.*.S.*(*)", "E|*|S|*|*", "E.*.S.*(*)"},
        {"E.C.S.(L)", "E|C|S|(L)|", "E.C.S.(L)"},
    };
    for (auto &c : cases) {
        ASSERT_EQ(path.setText(c.in, 1), 1) << c.in;
        EXPECT_EQ(parts_of(path), c.parts) << c.in;
        EXPECT_EQ(text_of(path), c.out) << c.in;
        EXPECT_EQ(path.textSize(), (int)std::string(c.out).size() + 1) << c.in;
    }
}

TEST_F(AsePath, AnLpnWithoutTableIsWrittenInItsPlaceButReadBackAsTheTable)
{
    ASSERT_EQ(path.setText("E.C.S.T(L)", 1), 1);
    ASSERT_EQ(path.storePart(ASE_LVL_TABLE, ""), 1);
    ASSERT_EQ(path.setPart(ASE_LVL_LPN, "L", 1), 1);
    EXPECT_EQ(text_of(path), "E.C.S.(L)");
    CAsePath back(&errs);
    ASSERT_EQ(back.setText("E.C.S.(L)", 1), 1);
    EXPECT_EQ(parts_of(back), "E|C|S|(L)|");
}

TEST_F(AsePath, QuotedNamesKeepCaseBlanksAndQuotes)
{
    ASSERT_EQ(path.setText("E.\"My Cat\".sch.\"Tab\"", 1), 1);
    EXPECT_EQ(parts_of(path), "E|\"My Cat\"|SCH|\"Tab\"|");
    EXPECT_EQ(path.isQuoted(ASE_LVL_CAT), 1);
    EXPECT_EQ(path.isQuoted(ASE_LVL_ENV), 0);
    errs.clear();
    EXPECT_EQ(path.setText("E.My Cat.sch.tab", 1), 0);
    ASSERT_EQ(errs.count(), 1);
    EXPECT_EQ(errs.code(0), ASE_ERR_PATH_SYNTAX);
    char msg[256];
    errs.message(0, msg, sizeof msg);
    EXPECT_NE(std::string(msg).find("' '"), std::string::npos) << msg;
}

TEST_F(AsePath, MalformedTextsFailWithTheCharacterInTheMessage)
{
    struct Case {
        int level;          /* 0: setText at level 1; else setPart with parsing */
        const char *in;
        const char *shown;  /* the character the message names */
    } cases[] = {
        {0, "E.C.S.T.U", "'.'"}, {0, "E.C.S.T(L", "')'"},  {0, "()", "')'"},
        {0, "E.C.S.T(L) x", "'x'"}, {0, "E.C.S.T(|abc)", "'|'"}, {0, "E.C.S.T(abc|)", "'|'"},
        {1, "E.C", "'C'"},         {0, "E.\"Cat", "'\"'"},     {0, "E.\"C\"x.S", "'x'"},
    };
    for (auto &c : cases) {
        errs.clear();
        int ok = c.level ? path.setPart(c.level, c.in, 1) : path.setText(c.in, 1);
        EXPECT_EQ(ok, 0) << c.in;
        ASSERT_EQ(errs.count(), 1) << c.in;
        EXPECT_EQ(errs.category(0), ASE_CAT_SYSTEM) << c.in;
        EXPECT_EQ(errs.code(0), ASE_ERR_PATH_SYNTAX) << c.in;
        char msg[256];
        errs.message(0, msg, sizeof msg);
        EXPECT_NE(std::string(msg).find(c.shown), std::string::npos) << c.in << ": " << msg;
    }
}

TEST_F(AsePath, LinkPathNamesPassTheHostsNameCheck)
{
    ASSERT_EQ(path.setText("E.C.S.T(ab|c)", 1), 1);
    EXPECT_STREQ(path.part(ASE_LVL_LPN), "AB|C");
    EXPECT_EQ(path.lpnHasBar(), 1);
    EXPECT_EQ(path.setPart(ASE_LVL_LPN, "L", 1), 1);
    EXPECT_STREQ(path.part(ASE_LVL_LPN), "L");
    EXPECT_EQ(path.setPart(ASE_LVL_LPN, "(m)", 1), 1);
    EXPECT_STREQ(path.part(ASE_LVL_LPN), "M");
    errs.clear();
    EXPECT_EQ(path.setPart(ASE_LVL_LPN, "bad<name", 1), 0);
    ASSERT_EQ(errs.count(), 1);
    EXPECT_EQ(errs.code(0), ASE_ERR_PATH_NAME);
    EXPECT_EQ(path.part(ASE_LVL_LPN), nullptr) << "the refused level is left empty";
}

TEST_F(AsePath, ATextOf2048CharactersIsRefusedAndChangesOnlyTheClearedParts)
{
    std::string ok(2047, 'A');
    EXPECT_EQ(path.setText(ok.c_str(), 1), 1);
    EXPECT_EQ(std::string(path.part(1)), ok);
    ASSERT_EQ(path.setText("E.C", 1), 1);
    std::string tooLong(2048, 'A');
    EXPECT_EQ(path.setText(tooLong.c_str(), 2), 0);
    EXPECT_EQ(errs.code(errs.count() - 1), ASE_ERR_PATH_SYNTAX);
    EXPECT_EQ(parts_of(path), "E||||") << "the environment before the level stays";
}

TEST_F(AsePath, SizesOfEveryForm)
{
    ASSERT_EQ(path.setText("EN.CA.SC.TAB(LPN)", 1), 1);
    EXPECT_EQ(path.formSize(1), 3);
    EXPECT_EQ(path.formSize(5), 4);
    EXPECT_EQ(path.formSize(6), 18);
    EXPECT_EQ(path.formSize(0), 18);
    EXPECT_EQ(path.formSize(ASE_FORM_NO_LPN), 13) << "EN.CA.SC.TAB";
    EXPECT_EQ(path.formSize(ASE_FORM_SQL), 10) << "CA.SC.TAB";
    EXPECT_EQ(path.formSize(9), 0);
    ASSERT_EQ(path.setText("(L)", 1), 1);
    EXPECT_EQ(path.formSize(ASE_FORM_NO_LPN), 0) << "nothing left without the LPN";
    EXPECT_EQ(path.formSize(2), 0) << "a missing part";
}

TEST_F(AsePath, TextsThatDoNotFitAreCutAndTerminated)
{
    ASSERT_EQ(path.setText("ENV.CAT.SCH.TAB(LPN)", 1), 1);
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(path.buildText(buf, sizeof buf, 5), 0);
    EXPECT_STREQ(buf, "ENV.CAT");
    EXPECT_EQ(path.buildText(buf, 0, 5), 1) << "nothing to write";
    EXPECT_EQ(path.buildText(nullptr, 8, 5), 0);
    char sql[32];
    EXPECT_EQ(path.sqlTableName(sql, sizeof sql), 1);
    EXPECT_STREQ(sql, "CAT.SCH.TAB");
    ASSERT_EQ(path.setText("E.C..T", 1), 1);
    EXPECT_EQ(path.sqlTableName(sql, sizeof sql), 1);
    EXPECT_STREQ(sql, "T") << "a catalog without schema is left out";
    ASSERT_EQ(path.setText("E.C.S", 1), 1);
    EXPECT_EQ(path.sqlTableName(sql, sizeof sql), 0) << "no table";
}

TEST_F(AsePath, ComparesByLpnThenPartByPartWithWildcards)
{
    CAsePath other(&errs);
    ASSERT_EQ(path.setText("E.C.S.T1(A)", 1), 1);
    ASSERT_EQ(other.setText("E.C.S.T2(A)", 1), 1);
    EXPECT_EQ(path.compare(&other), 0) << "the LPNs alone decide";
    ASSERT_EQ(other.setText("E.C.S.T2(*)", 1), 1);
    EXPECT_EQ(path.compare(&other), -1) << "with \"*\" the tables decide";
    ASSERT_EQ(other.setText("E.*.S.T1", 1), 1);
    EXPECT_EQ(path.compareTo(ASE_FORM_NO_LPN, &other), 0) << "\"*\" matches any catalog";
    ASSERT_EQ(other.setText("E..S.T1", 1), 1);
    EXPECT_EQ(path.compareTo(ASE_FORM_NO_LPN, &other), 1) << "an empty part matches only \"*\" or empty";
    EXPECT_EQ(other.compareTo(ASE_FORM_NO_LPN, &path), -1);
    ASSERT_EQ(other.setText("E.\"C\".S.T1", 1), 1);
    EXPECT_EQ(path.compareTo(ASE_FORM_SQL, &other), 0) << "quoted names compare without quotes";
    EXPECT_EQ(path.compareTo(9, &other), ASE_CMP_NONE);
    EXPECT_EQ(path.compareRange(&other, 5, 6), ASE_CMP_NONE);
    EXPECT_EQ(path.compareRange(&other, 3, 2), ASE_CMP_NONE);
    EXPECT_EQ(path.compare(&errs), ASE_CMP_NONE) << "not a path";
}

TEST_F(AsePath, ReadsAPathAndItsStatusFromAReply)
{
    resbuf *ok = ads_buildlist(RTLB, RTSTR, "db3.x.y.t", RTSHORT, 6, RTLE, RTT, 0);
    const resbuf *cursor = ok;
    EXPECT_EQ(path.fromReply(cursor), 1);
    EXPECT_EQ(text_of(path), "DB3.X.Y.T");
    EXPECT_EQ(path.getStatus(), 6);
    ASSERT_NE(cursor, nullptr);
    EXPECT_EQ(cursor->restype, RTT) << "the cursor stops after the RTLE";
    ads_relrb(ok);
    resbuf *bad = ads_buildlist(RTSTR, "db3", RTLONG, 6, 0);
    cursor = bad;
    errs.clear();
    EXPECT_EQ(path.fromReply(cursor), 0);
    ASSERT_EQ(errs.count(), 1);
    EXPECT_EQ(errs.code(0), ASE_ERR_BAD_DATA);
    ads_relrb(bad);
}

TEST_F(AsePath, CopiesAndClonesKeepPartsAndStatus)
{
    ASSERT_EQ(path.setText("E.C.S.T(L)", 1), 1);
    path.setStatus(10);
    CAseObj *copy = path.clone();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->isA(), ASE_CLASS_PATH);
    EXPECT_EQ(copy->isKindOf(ASE_CLASS_STR), 1);
    auto *p = static_cast<CAsePath *>(copy);
    EXPECT_EQ(text_of(*p), "E.C.S.T(L)");
    EXPECT_EQ(p->getStatus(), 10);
    EXPECT_EQ(p->compare(&path), 0);
    delete copy;
    EXPECT_EQ(path.clear(), 1);
    EXPECT_EQ(path.level(), 0);
    EXPECT_EQ(path.getStatus(), 0);
}

} // namespace
