/*
** number_test.cpp: the packed BCD digits of a double come from the 80-bit
** extended format with ties to even; asi_format_digits writes each layout
** (large exponent, integer, fraction, small exponent) as the value texts
** always have; asi_strip_char trims both ends.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "sqlclient/base/asi_number.h"

namespace {

/* The 18 BCD digits as text, most significant first. */
std::string bcd_digits(const unsigned char bcd[ASI_BCD_BYTES])
{
    std::string s;
    for (int i = ASI_BCD_DIGITS / 2 - 1; i >= 0; i--) {
        s += (char)('0' + (bcd[i] >> 4));
        s += (char)('0' + (bcd[i] & 0xF));
    }
    return s;
}

TEST(DoubleToBcd, DigitsExponentAndSign)
{
    const struct {
        int n;
        double x;
        int exp;
        const char *digits;
        int negative;
    } cases[] = {
        {17, 1.0, 17, "000100000000000000000", 0},
        {17, -2.5, 17, "250000000000000000", 1},
        {18, 592809.9703, 12, "592809970300000044", 0},
        {17, 0.1, 18, "100000000000000006", 0},
        {18, 1e-20, 38, "999999999999999945", 0},
        {17, 123456789012345678.0, 0, "123456789012345680", 0},
    };
    for (const auto &c : cases) {
        unsigned char bcd[ASI_BCD_BYTES];
        int e = 0;
        asi_double_to_bcd(c.n, c.x, &e, bcd);
        EXPECT_EQ(e, c.exp) << c.x;
        std::string d = bcd_digits(bcd);
        EXPECT_EQ(d, std::string(c.digits).substr(std::string(c.digits).size() - 18)) << c.x;
        EXPECT_EQ((bcd[9] & 0x80) != 0, c.negative != 0) << c.x;
    }
}

TEST(DoubleToBcd, ZeroSetsTheExponentAndLeavesTheDigits)
{
    unsigned char bcd[ASI_BCD_BYTES];
    for (unsigned char &b : bcd)
        b = 0x77;
    int e = 0;
    asi_double_to_bcd(17, 0.0, &e, bcd);
    EXPECT_EQ(e, 17);
    for (unsigned char b : bcd)
        EXPECT_EQ(b, 0x77);
}

TEST(DoubleToBcd, InfinityGivesTheIndefiniteDigits)
{
    for (double x : {HUGE_VAL, -HUGE_VAL}) {
        unsigned char bcd[ASI_BCD_BYTES];
        for (unsigned char &b : bcd)
            b = 0x77;
        int e = 0;
        asi_double_to_bcd(17, x, &e, bcd);
        EXPECT_EQ(e, 17);
        const unsigned char want[ASI_BCD_BYTES] = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0xFF};
        for (int i = 0; i < ASI_BCD_BYTES; i++)
            EXPECT_EQ(bcd[i], want[i]) << "byte " << i << " of " << x;
    }
}

TEST(DoubleToBcd, TiesGoToEven)
{
    unsigned char bcd[ASI_BCD_BYTES];
    int e = 0;
    asi_double_to_bcd(1, 2.5, &e, bcd);   /* log10 rounds to 0: 2.5 x 10 = 25 */
    EXPECT_EQ(e, 1);
    asi_double_to_bcd(0, 2.5, &e, bcd);   /* 2.5 rounds to 2, not 3 */
    EXPECT_EQ(e, 0);
    EXPECT_EQ(bcd[0], 0x02);
    asi_double_to_bcd(1, 3.5, &e, bcd);   /* log10 rounds to 1: 3.5 x 1 = 3.5, to 4 */
    EXPECT_EQ(e, 0);
    EXPECT_EQ(bcd[0], 0x04);
    asi_double_to_bcd(1, 4.5, &e, bcd);   /* 4.5 rounds to 4, not 5 */
    EXPECT_EQ(bcd[0], 0x04);
}

TEST(FormatDigits, EveryLayout)
{
    const struct {
        const char *digits;
        int negative, point;
        const char *text;
    } cases[] = {
        /* P of 17 or more: exponent form, the point stays. */
        {"10000000000000000", 0, 21, "1.E+020"},
        {"15000000000000000", 0, 21, "1.5E+020"},
        {"10000000000000000", 0, 17, "1.E+016"},
        {"17976931348623157", 0, 309, "1.797693134862316E+308"},
        /* P from 1 to 16: integer digits, then the fraction if any. */
        {"10000000000000000", 0, 3, "100"},
        {"12345000000000000", 0, 4, "1234.5"},
        {"22500000000000000", 1, 1, "-2.25"},
        {"99999999999999980", 0, 16, "9999999999999998"},
        {"12345678901234560", 0, 15, "123456789012345.6"},
        {"59280997030000004", 0, 6, "592809.9703"},
        /* P = 0. */
        {"50000000000000000", 0, 0, "0.5"},
        {"00000000000000000", 0, 0, "0"},
        {"10000000000000000", 0, 0, "0.1"},
        /* P from -16 to -1: zeros after the point, or the exponent form. */
        {"10000000000000000", 0, -2, "0.001"},
        {"12345678901234560", 0, -3, "1.234567890123456E-004"},
        {"12345678901234560", 1, -4, "-1.234567890123456E-005"},
        {"50000000000000000", 0, -16, "5E-017"},
        {"12000000000000000", 0, -13, "0.000000000000012"},
        {"12000000000000000", 0, -14, "1.2E-015"},
        {"00000000000000000", 0, -3, "0.000"},   /* no significant digit: the zeros */
        {"00000000000000000", 0, -16, "0E-017"},
        /* P below -16. */
        {"10000000000000000", 0, -19, "1.E-020"},
        {"25000000000000000", 1, -30, "-2.5E-031"},
        /* Rounding to 16 digits, with a carry out of the first digit. */
        {"99999999999999995", 0, 2, "100"},
        {"99999999999999995", 0, 16, "1.E+016"},
        {"12345678901234565", 0, 1, "1.234567890123457"},
        {"12345678901234564", 0, 1, "1.234567890123456"},
    };
    for (const auto &c : cases) {
        char out[ASI_FORMAT_BUF];
        ASSERT_EQ(asi_format_digits(c.digits, out, c.negative, c.point), 1);
        EXPECT_STREQ(out, c.text) << c.digits << " P=" << c.point;
    }
}

TEST(FormatDigits, MissingBuffersAndShortDigitsAreSafe)
{
    char out[ASI_FORMAT_BUF] = "untouched";
    EXPECT_EQ(asi_format_digits(nullptr, out, 0, 1), 0);
    EXPECT_STREQ(out, "untouched");
    EXPECT_EQ(asi_format_digits("1", nullptr, 0, 1), 0);
    EXPECT_EQ(asi_format_digits("12", out, 0, 2), 1);   /* the rest reads as zeros */
    EXPECT_STREQ(out, "12");
}

TEST(StripChar, BothEndsInPlace)
{
    const struct {
        const char *in;
        char ch;
        const char *out;
    } cases[] = {
        {"  abc  ", ' ', "abc"}, {"abc", ' ', "abc"}, {"    ", ' ', ""}, {"", ' ', ""},
        {"00120", '0', "12"},    {" a b ", ' ', "a b"},
    };
    for (const auto &c : cases) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%s", c.in);
        EXPECT_STREQ(asi_strip_char(buf, c.ch), c.out) << c.in;
    }
}

} // namespace
