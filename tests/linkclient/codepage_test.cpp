/*
** codepage_test.cpp: the error list's text conversions checked against
** iconv: between the library's code page and "1252" in both directions,
** named code pages, the tagged form of packed records, upper case and
** collation.
*/
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "ase_fixture.h"

namespace {

/* One byte converted by iconv; -1 when iconv has no mapping. */
int iconv_byte(const char *to, const char *from, unsigned char in)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == (iconv_t)-1)
        return -2;
    char src[1] = {(char)in}, dst[8];
    char *ip = src, *op = dst;
    size_t il = 1, ol = sizeof dst;
    size_t r = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (r == (size_t)-1 || op - dst != 1)
        return -1;
    return (unsigned char)dst[0];
}

} // namespace

class AseCodePage : public ::testing::TestWithParam<const char *> {
};

TEST_P(AseCodePage, ConversionsAgreeWithIconv)
{
    CodePageGuard guard;
    const char *cp = GetParam();
    ASSERT_EQ(asi_set_current_cp(cp), 1);
    std::string iconvName = std::string("CP") + cp;
    CAseErrList errs;
    int checked = 0;
    for (int b = 0x20; b < 0x100; ++b) {
        char in[2] = {(char)b, 0}, out[4];
        int want = iconv_byte("CP1252", iconvName.c_str(), (unsigned char)b);
        ASSERT_NE(want, -2) << "iconv lacks " << iconvName;
        ASSERT_NE(errs.to1252(in, out, sizeof out), nullptr);
        if (want >= 0) {
            EXPECT_EQ((unsigned char)out[0], want) << cp << " byte " << b << " to 1252";
            ++checked;
        } else {
            EXPECT_EQ(out[0], '?') << cp << " byte " << b << " has no 1252 form";
        }
        int back = iconv_byte(iconvName.c_str(), "CP1252", (unsigned char)b);
        char *conv = errs.from1252(in);
        ASSERT_NE(conv, nullptr);
        if (back >= 0) {
            EXPECT_EQ((unsigned char)conv[0], back) << "1252 byte " << b << " to " << cp;
        }
        errs.release(conv);
    }
    EXPECT_GT(checked, 100);
    EXPECT_LE(errs.scratchBlocks(), 8) << "scratch buffers are given back";
}

TEST_P(AseCodePage, TaggedFormRoundTrips)
{
    CodePageGuard guard;
    ASSERT_EQ(asi_set_current_cp(GetParam()), 1);
    CAseErrList errs;
    for (int b = 0x20; b < 0x100; ++b) {
        char text[4] = {'k', (char)b, 'z', 0};
        char *tagged = errs.toTagged(text);
        ASSERT_NE(tagged, nullptr);
        char *back = errs.fromTagged(tagged);
        ASSERT_NE(back, nullptr);
        char roundTrip[8];
        std::snprintf(roundTrip, sizeof roundTrip, "%s", back);
        int fits = iconv_byte("CP1252", (std::string("CP") + GetParam()).c_str(), (unsigned char)b) >= 0;
        if (fits) {
            EXPECT_EQ(tagged[0], ASE_TAG_CHAR) << "a text that fits 1252 carries no name";
        } else {
            EXPECT_EQ(std::string(tagged).substr(0, std::strlen(GetParam()) + 1),
                      std::string(GetParam()) + ASE_TAG_CHAR);
        }
        EXPECT_STREQ(roundTrip, text) << "byte " << b;
        errs.release(back);
        errs.release(tagged);
    }
}

INSTANTIATE_TEST_SUITE_P(DosPages, AseCodePage, ::testing::Values("850", "437"));

TEST(AseConvert, TaggedEdgeCases)
{
    CodePageGuard guard;
    CatalogErrList errs;
    char *t = errs.toTagged("");
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "\x07") << "an empty text is the character 7 alone";
    errs.release(t);
    t = errs.toTagged("abc", "NOSUCHPAGE");
    EXPECT_STREQ(t, "\x07" "abc") << "an unknown name counts as 1252";
    errs.release(t);
    char *u = errs.fromTagged("\x07" "abc");
    EXPECT_STREQ(u, "abc");
    errs.release(u);
    u = errs.fromTagged("abc");
    EXPECT_STREQ(u, "abc");
    errs.release(u);
    EXPECT_EQ(errs.fromTagged("XYZ\x07" "abc"), nullptr);
    ASSERT_TRUE(has_item(errs, 2, 34));
    char msg[128];
    errs.message(errs.count() - 1, msg, sizeof msg);
    EXPECT_NE(std::string(msg).find("XYZ"), std::string::npos) << "the unknown name is in the text";
}

TEST(AseConvert, NamedPagesUpperCaseAndCollation)
{
    CodePageGuard guard;
    CAseErrList errs;
    char *c = errs.convert("\x81", "850", "1252");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c, "\xfc");
    std::free(c);
    EXPECT_EQ(errs.convert("x", "NOSUCHPAGE", "1252"), nullptr);
    EXPECT_GT(errs.count(), 0);
    char buf[16];
    EXPECT_STREQ(errs.upper("abc-\xe4", buf, sizeof buf), "ABC-\xe4") << "the ASCII locale maps a to z only";
    ASSERT_EQ(asi_set_current_locale("LATIN1"), 1);
    EXPECT_STREQ(errs.upper("abc-\xe4", buf, sizeof buf), "ABC-\xc4");
    EXPECT_STREQ(errs.upper1252("\xfc", buf, sizeof buf), "\xdc");
    EXPECT_STREQ(errs.upper("NOLOWER", buf, sizeof buf), "NOLOWER");
    EXPECT_EQ(errs.compareByLocale("abc", "abd"), -1);
    EXPECT_EQ(errs.compareByLocale("b", "a", "ASCII"), 1);
    EXPECT_EQ(errs.compareByLocale("a", "a"), 0);
    EXPECT_EQ(errs.compareByLocale(nullptr, "a"), -1);
    EXPECT_EQ(errs.compareByLocale("a", "b", "NOSUCHLOCALE"), -1);
}
