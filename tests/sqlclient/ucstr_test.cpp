/*
** ucstr_test.cpp: the UCS-2 string shares and copies its body correctly,
** converts through the code pages 1252, 850 and 437 both ways without loss,
** reads decimal numbers as the C library does, and compares and maps case
** under the ASCII and LATIN1 locales.
*/
#include <gtest/gtest.h>

#include <cstring>

#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_ucstr.h"

namespace {

TEST(CodePages, EveryByteRoundTripsThroughUcs2)
{
    for (int cp : {ASI_CP_1252, ASI_CP_850, ASI_CP_437}) {
        char bytes[256];
        for (int i = 1; i < 256; i++)
            bytes[i - 1] = (char)i;
        bytes[255] = '\0';
        char16_t ucs[256];
        ASSERT_EQ(asi_mb_to_ucs(ucs, 256, bytes, -1, cp), 255);
        CAsiUcStr s(ucs, 255);
        char back[256];
        s.toMb(back, sizeof back, cp);
        EXPECT_EQ(std::memcmp(back, bytes, 256), 0) << "code page " << cp;
    }
}

TEST(CodePages, KnownCharactersMapBothWays)
{
    const struct {
        int cp;
        unsigned char byte;
        char16_t ucs;
    } cases[] = {
        {ASI_CP_1252, 0x80, 0x20AC}, {ASI_CP_1252, 0xE9, 0x00E9}, {ASI_CP_850, 0x82, 0x00E9},
        {ASI_CP_850, 0xD5, 0x0131}, {ASI_CP_437, 0x82, 0x00E9},   {ASI_CP_437, 0xE3, 0x03C0},
        {ASI_CP_437, 0x9B, 0x00A2},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(asi_cp_to_ucs(c.cp, c.byte), c.ucs) << c.cp;
        EXPECT_EQ(asi_cp_from_ucs(c.cp, c.ucs), c.byte) << c.cp;
    }
    /* A character the page lacks becomes '?'. */
    EXPECT_EQ(asi_cp_from_ucs(ASI_CP_437, 0x20AC), '?');
    EXPECT_EQ(asi_cp_from_ucs(ASI_CP_ASCII, 0x00E9), '?');
    /* The same text converts differently in two pages. */
    CAsiUcStr e(u"\u00E9t\u00E9");
    char b1252[8], b850[8];
    e.toMb(b1252, sizeof b1252, "1252");
    e.toMb(b850, sizeof b850, "CP850");
    EXPECT_STREQ(b1252, "\xE9t\xE9");
    EXPECT_STREQ(b850, "\x82t\x82");
    EXPECT_EQ(CAsiUcStr(b850, "850"), e);
}

TEST(CodePages, NamesResolveAndUnknownNamesAreReported)
{
    EXPECT_EQ(asi_cp_from_name("windows-1252"), ASI_CP_1252);
    EXPECT_EQ(asi_cp_from_name("IBM437"), ASI_CP_437);
    EXPECT_EQ(asi_cp_from_name(nullptr), asi_current_cp_number());
    EXPECT_EQ(asi_cp_from_name_or_current("KOI8-R"), asi_current_cp_number());
    try {
        asi_cp_from_name("KOI8-R");
        ADD_FAILURE() << "unknown name accepted";
    } catch (const CAsiException &e) {
        EXPECT_EQ(e.code(), ASI_ERR_CHARSET);
    }
    EXPECT_STREQ(asi_current_cp(), "1252");
}

TEST(Locales, IdsNamesAndUnknownIds)
{
    EXPECT_EQ(asi_locale_id("latin1"), ASI_LOCALE_LATIN1);
    EXPECT_STREQ(asi_locale_by_name(-1), "ASCII");
    EXPECT_STREQ(asi_locale_by_name(ASI_LOCALE_LATIN1), "LATIN1");
    CAsiDiagArea diag;
    asi_try_call(&diag, 0, [] {
        EXPECT_STREQ(asi_locale_by_name(77), "Unsupported");
        return 1;
    });
    EXPECT_EQ(diag.condCode(0), ASI_ERR_LOCALE);
    EXPECT_THROW(asi_locale_id("KLINGON"), CAsiException);
    EXPECT_THROW(asi_uc_compare(77, u"a", u"b"), CAsiException);
}

TEST(Locales, CollationAndCaseFollowTheLocale)
{
    const struct {
        int locale;
        const char16_t *a, *b;
        int cmp, nocase;
    } cases[] = {
        {ASI_LOCALE_ASCII, u"abc", u"abc", 0, 0},
        {ASI_LOCALE_ASCII, u"a", u"B", 1, -1},
        {ASI_LOCALE_ASCII, u"abc", u"ABC", 1, 0},
        {ASI_LOCALE_ASCII, u"ab", u"abc", -1, -1},
        {ASI_LOCALE_LATIN1, u"a", u"B", -1, -1},
        {ASI_LOCALE_LATIN1, u"e", u"\u00E9", -1, -1},
        {ASI_LOCALE_LATIN1, u"\u00E9", u"f", -1, -1},
        {ASI_LOCALE_LATIN1, u"\u00E9T\u00C9", u"\u00C9t\u00E9", -1, 0},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(asi_uc_compare(c.locale, c.a, c.b), c.cmp);
        EXPECT_EQ(asi_uc_compare(c.locale, c.b, c.a), -c.cmp);
        EXPECT_EQ(asi_uc_compare_nocase(c.locale, c.a, c.b), c.nocase);
    }
    EXPECT_LT(asi_uc_compare_by_name("LATIN1", u"b", u"C"), 0);
    EXPECT_EQ(asi_uc_to_upper(ASI_LOCALE_LATIN1, 0xE9), 0xC9);
    EXPECT_EQ(asi_uc_to_upper(ASI_LOCALE_ASCII, 0xE9), 0xE9);
    ASSERT_TRUE(asi_set_current_locale("LATIN1"));
    CAsiUcStr s(u"gr\u00FCn");
    s.upper();
    EXPECT_EQ(s, CAsiUcStr(u"GR\u00DCN"));
    EXPECT_TRUE(asi_uc_is_lower(0xDF));
    ASSERT_TRUE(asi_set_current_locale("ASCII"));
    EXPECT_FALSE(asi_uc_is_lower(0xFC));
    EXPECT_TRUE(asi_uc_is_lower(u'q'));
}

TEST(UcStr, CopiesShareUntilOneChanges)
{
    CAsiUcStr a("granite");
    CAsiUcStr b(a);
    EXPECT_EQ(a.ucs(), b.ucs());
    b.append(u's');
    EXPECT_NE(a.ucs(), b.ucs());
    EXPECT_EQ(a, CAsiUcStr("granite"));
    EXPECT_EQ(b, CAsiUcStr("granites"));
    b.append(b);
    EXPECT_EQ(b, CAsiUcStr("granitesgranites"));
    b.append(b, 3);
    EXPECT_EQ(b.length(), 19);
    CAsiUcStr c;
    c.left(b, 4);
    EXPECT_EQ(c, CAsiUcStr("gran"));
    c.left(c, 2);
    EXPECT_EQ(c, CAsiUcStr("gr"));
    c.left(c, -1);
    EXPECT_TRUE(c.isEmpty());
    EXPECT_EQ(c.ucs()[0], 0);
    CAsiUcStr d;
    d.assign("abcdef", 3);
    EXPECT_EQ(d, CAsiUcStr("abc"));

    /* A new text written over a body of its own must not show through a
     * copy, and may come from the string itself. */
    CAsiUcStr e("sandstone");
    CAsiUcStr shared(e);
    e.assignUcs(u"shale", -1);
    EXPECT_EQ(shared, CAsiUcStr("sandstone"));
    EXPECT_EQ(e, CAsiUcStr("shale"));
    const char16_t *body = e.ucs();
    e.assignUcs(u"chert", -1);
    EXPECT_EQ(e.ucs(), body) << "a body of its own with room is reused";
    EXPECT_EQ(e, CAsiUcStr("chert"));
    e.assignUcs(e.ucs() + 2, 3);
    EXPECT_EQ(e, CAsiUcStr("ert"));
    EXPECT_EQ(e.ucs()[3], 0);
    e.assignUcs(u"conglomerate", -1);
    EXPECT_EQ(e, CAsiUcStr("conglomerate"));
}

TEST(UcStr, BuffersAreNeverOverrun)
{
    CAsiUcStr s("sandstone");
    char small[5];
    std::memset(small, 'x', sizeof small);
    s.toMb(small, sizeof small);
    EXPECT_STREQ(small, "sand");
    char16_t u[4];
    EXPECT_EQ(s.toUcsBuf(u, 4), 3);
    EXPECT_EQ(u[3], 0);
    char raw[4];
    EXPECT_EQ(asi_ucs_to_mb(raw, 4, s.ucs(), -1, 0), 4);   /* no room for a NUL */
    EXPECT_EQ(std::memcmp(raw, "sand", 4), 0);
    EXPECT_EQ(s.mbLength(), 9);
    EXPECT_EQ(s.at(9), 0);
    EXPECT_EQ(s.at(-1), 0);
}

TEST(UcStr, ToDoubleReadsDecimalTextOnly)
{
    const struct {
        const char *text;
        double value;
        int used;
    } cases[] = {
        {"  1.5e3  ", 1500.0, 7}, {"-0.25", -0.25, 5}, {"12abc", 12.0, 2}, {"1e", 1.0, 1},
        {".5", 0.5, 2}, {"", 0.0, 0}, {"abc", 0.0, 0}, {"0x10", 0.0, 1}, {"inf", 0.0, 0},
        {"nan", 0.0, 0}, {"+7.", 7.0, 3},
    };
    for (const auto &c : cases) {
        int used = -1;
        EXPECT_EQ(CAsiUcStr(c.text).toDouble(&used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
    /* Only the first 64 characters count. */
    std::string longText(70, '1');
    int used = 0;
    CAsiUcStr(longText.c_str()).toDouble(&used);
    EXPECT_EQ(used, ASI_UC_NUMBER_MAX);
}

TEST(UcStr, TextHelpers)
{
    EXPECT_EQ(asi_ucs_len(u"quartz"), 6);
    EXPECT_EQ(asi_ucs_len(nullptr), 0);
    const char16_t *t = u"basalt and basanite";
    EXPECT_EQ(asi_ucs_cat(t, u"basa"), t);
    EXPECT_EQ(asi_ucs_cat(t, u"basan"), t + 11);
    EXPECT_EQ(asi_ucs_cat(t, u"gneiss"), nullptr);
    EXPECT_EQ(asi_ucs_cat(t, u""), t);
    for (char16_t c : {u' ', u'\t', u'\n', u'\r', u'\v', u'\f'})
        EXPECT_TRUE(asi_uc_is_space(c));
    EXPECT_FALSE(asi_uc_is_space(u'x'));
    EXPECT_FALSE(asi_uc_is_space(0xA0));
    EXPECT_EQ(CAsiUcStr("Shale").compareNoCase("SHALE"), 0);
    EXPECT_LT(CAsiUcStr("chert").compareNoCase("SHALE"), 0);
}

} // namespace

namespace {

TEST(CodePages, TheCurrentCodePageGovernsPlainConversions)
{
    ASSERT_EQ(asi_set_current_cp("437"), 1);
    EXPECT_EQ(CAsiUcStr("\x82").at(0), 0x00E9);
    char buf[4];
    CAsiUcStr(u"\u03C0").toMb(buf, sizeof buf);
    EXPECT_STREQ(buf, "\xE3");
    EXPECT_EQ(asi_set_current_cp("EBCDIC"), 0);   /* unknown: nothing changes */
    EXPECT_STREQ(asi_current_cp(), "437");
    ASSERT_EQ(asi_set_current_cp("1252"), 1);
    EXPECT_EQ(CAsiUcStr("\x82").at(0), 0x201A);
}

} // namespace
