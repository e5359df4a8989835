/*
** decnum_test.cpp: the packed decimal routines: parsing, text form,
** conversions from doubles, resizing, and the faults that must not come
** back (lost leading digits, silent overflow, mislabelled scales).
** Random arithmetic is checked against Python by decnum_oracle.py.
*/
#include "sqlclient/values/asi_decnum.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <cmath>
#include <string>

namespace {

/* The record as "sign digits/scale". */
std::string raw(const asi_decnum &x, unsigned p)
{
    std::string s = std::to_string(x.sign) + " ";
    for (unsigned i = 0; i < p; ++i) s += static_cast<char>('0' + x.digit[i]);
    return s + "/" + std::to_string(x.scale);
}

std::string text(const asi_decnum &x, unsigned p, unsigned s)
{
    char buf[ASI_DEC_TEXT_BUF];
    return asi_dec_to_text(&x, buf, p, s);
}

asi_decnum parse(const char *t, unsigned p, int *st = nullptr)
{
    asi_decnum x;
    asi_dec_from_text(t, &x, p, st);
    return x;
}

struct ParseCase {
    const char *text;
    unsigned p;
    int status;
    const char *raw;   /* expected record, unless status is 1 or 2 */
};

TEST(DecnumParse, TextsGiveTheirRecordsAndStatus)
{
    const ParseCase cases[] = {
        {" -12.50 ", 5, 0, "9 99875/1"},
        {"1 2", 3, 0, "0 001/0"},
        {"12a", 3, 2, nullptr},
        {"1e", 3, 0, "0 010/0"},
        {"1.5e-1", 3, 0, "0 015/2"},
        {"1.2.3", 3, 0, "0 123/2"},
        {"-", 3, 0, "0 000/0"},
        {"   ", 3, 0, "0 000/0"},
        {"--1", 3, 2, nullptr},
        {"1234", 3, 1, nullptr},
        {"12.345", 3, 0, "0 123/1"},
        {"123.456", 3, 0, "0 123/0"},        /* the integer part fits: the fraction is cut */
        {"1234.5", 3, 1, nullptr},
        {"1e5", 3, 1, nullptr},
        {"0.25", 2, 0, "0 25/2"},           /* a leading zero takes no place */
        {"000123", 3, 0, "0 123/0"},
        {"1e-5", 3, 3, "0 000/0"},          /* every digit below the precision */
        {"1e100", 32, 1, nullptr},          /* no wrap of a huge exponent */
        {"1e4294967297", 32, 1, nullptr},
        {"5e-99999999999", 32, 3, "0 00000000000000000000000000000000/0"},
        {"1e+x", 3, 2, nullptr},
        {"0e5", 3, 0, "0 000/0"},           /* zero fits whatever its exponent */
        {"-0.00e99", 3, 0, "0 000/0"},
        {"0E-3", 2, 0, "0 00/0"},           /* zero fits whatever its exponent */
        {"-0e-9", 5, 0, "0 00000/0"},
        {"0.000e-40", 1, 0, "0 0/0"},
    };
    for (const auto &c : cases) {
        int st = -1;
        asi_decnum x = parse(c.text, c.p, &st);
        EXPECT_EQ(st, c.status) << c.text;
        if (c.raw) {
            EXPECT_EQ(raw(x, c.p), c.raw) << c.text;
        }
    }
}

TEST(DecnumParse, TextLongerThanTheWorkBufferIsCutNotOverrun)
{
    std::string big = "1." + std::string(4000, '5');
    int st = -1;
    asi_decnum x = parse(big.c_str(), 32, &st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(text(x, 32, 31), "1.5555555555555555555555555555555");
}

struct TextCase {
    const char *in;
    unsigned p, s;
    const char *out;
};

TEST(DecnumText, FixedFractionalDigitsCutNotRounded)
{
    const TextCase cases[] = {
        {"-12.50", 5, 2, "-12.50"}, {"-12.50", 5, 1, "-12.5"}, {"123", 5, 2, "123.00"},
        {"1.5", 5, 0, "1"},         {"0", 5, 2, "0.00"},      {"0.25", 5, 2, ".25"},
        {"-0.5", 5, 1, "-.5"},      {"1.999", 5, 2, "1.99"},  {"12345", 5, 2, "12345."},
        {"0", 2, 3, "0.0"},
        {"0.5", 5, 0, "0"},         {"-0.5", 5, 0, "0"},      {"-0.001", 5, 2, "0.00"},
        {"0.009", 5, 2, "0.00"},    {"-0.01", 5, 2, "-.01"},  {"-0.5", 1, 0, "0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(text(parse(c.in, c.p), c.p, c.s), c.out) << c.in << " s=" << c.s;
}

/* The zero of p digits shown with s fractional digits. */
std::string zero_text(unsigned p, unsigned s)
{
    std::string z = "0";
    if (s > 0) z += "." + std::string(s < p ? s : p - 1, '0');
    return z;
}

TEST(DecnumText, DigitsAllCutShowTheUnsignedZeroAtEveryPrecisionAndScale)
{
    for (unsigned p = 1; p <= ASI_DEC_MAX_DIGITS; ++p)
        for (unsigned s = 0; s < p; ++s)
            for (const char *sign : {"", "-"}) {
                /* 5 one place below the shown scale, then 1 at it */
                std::string below = std::string(sign) + "0." + std::string(s, '0') + "5";
                std::string at = std::string(sign) + (s ? "0." + std::string(s - 1, '0') + "1" : "1");
                std::string at_text = s ? std::string(sign) + "." + std::string(s - 1, '0') + "1" : at;
                EXPECT_EQ(text(parse(below.c_str(), p), p, s), zero_text(p, s)) << below << " p=" << p;
                EXPECT_EQ(text(parse(at.c_str(), p), p, s), at_text) << at << " p=" << p;
            }
}

TEST(DecnumParse, ZeroWithAnyExponentIsZeroAtEveryPrecision)
{
    for (unsigned p = 1; p <= ASI_DEC_MAX_DIGITS; ++p)
        for (int e = -40; e <= 40; ++e)
            for (const char *mant : {"0", "-0", "0.00", "-.0"}) {
                std::string t = std::string(mant) + "e" + std::to_string(e);
                int st = -1;
                asi_decnum x = parse(t.c_str(), p, &st);
                EXPECT_EQ(st, 0) << t << " p=" << p;
                EXPECT_EQ(raw(x, p), "0 " + std::string(p, '0') + "/0") << t << " p=" << p;
            }
}

TEST(DecnumParse, IntegerPartThatFitsKeepsItsCutFractionAtEveryPrecision)
{
    for (unsigned p = 1; p <= ASI_DEC_MAX_DIGITS; ++p) {
        std::string digits(p, '7');
        for (const char *sign : {"", "-"}) {
            int st = -1;
            std::string fits = sign + digits + ".987";
            asi_decnum x = parse(fits.c_str(), p, &st);
            EXPECT_EQ(st, 0) << fits;
            EXPECT_EQ(text(x, p, 0), sign + digits) << fits;
            std::string big = sign + digits + "7.1";
            parse(big.c_str(), p, &st);
            EXPECT_EQ(st, 1) << big;
        }
    }
}

TEST(DecnumConvert, LongAndDoubleAndBack)
{
    asi_decnum x;
    int st = -1;
    asi_dec_from_long(-2147483647 - 1, &x, 10, &st);
    EXPECT_EQ(st, 0);
    EXPECT_EQ(asi_dec_to_long(&x, 10), -2147483647 - 1 + 1);   /* clamped to the 32-bit range */
    asi_dec_from_long(-42, &x, 10, &st);
    EXPECT_EQ(asi_dec_to_long(&x, 10), -42);
    EXPECT_DOUBLE_EQ(asi_dec_to_double(&x, 10), -42.0);
    asi_dec_from_text("-3.75", &x, 5, &st);
    EXPECT_EQ(asi_dec_to_long(&x, 5), -3);
    EXPECT_DOUBLE_EQ(asi_dec_to_double(&x, 5), -3.75);
    /* The double nearest the value, as strtod reads its text. */
    for (const char *text : {"1.25", "987654321098.765015", "1234567890123.123456", "-0.1", "9999999999999.999999"}) {
        asi_dec_from_text(text, &x, 20, &st);
        EXPECT_EQ(asi_dec_to_double(&x, 20), std::strtod(text, nullptr)) << text;
    }
}

struct DoubleCase {
    double x;
    unsigned p;
    int s;
    int overflow;
    const char *raw;
};

TEST(DecnumFromDouble, RoundsAtTheScaleCutsAtThePrecision)
{
    const DoubleCase cases[] = {
        {0.125, 10, 2, 0, "0 0000000013/2"},
        {2.675, 10, 2, 0, "0 0000000267/2"},       /* 2.67499999999999982 */
        {-0.125, 10, 2, 0, "9 9999999987/2"},
        {0.006, 10, 0, 0, "0 0000000000/0"},       /* the next digit is a 0, not the 6 */
        {0.006, 10, 2, 0, "0 0000000001/2"},
        {99.996, 4, 2, 1, nullptr},                /* carry into the sign digit */
        {1e19, 18, 0, 1, nullptr},
        {123456789.123456789, 32, 10, 0, "0 00000000000000001234567891234567/7"},
        {1e20, 32, 0, 0, "0 00000000000100000000000000000000/0"},
        {0.0, 5, 2, 0, "0 00000/0"},
        {12.36, 3, 1, 0, "0 124/1"},               /* the scale is checked before the precision */
        {NAN, 5, 2, 1, nullptr},
        {INFINITY, 5, 2, 1, nullptr},
    };
    for (const auto &c : cases) {
        asi_decnum x;
        asi_dec_from_text("7", &x, c.p, nullptr);
        asi_decnum before = x;
        int ovf = -1;
        asi_dec_from_double_scaled(c.x, &x, c.p, &ovf, c.s);
        EXPECT_EQ(ovf, c.overflow) << c.x;
        if (c.raw) {
            EXPECT_EQ(raw(x, c.p), c.raw) << c.x;
        } else {
            EXPECT_EQ(raw(x, c.p), raw(before, c.p)) << c.x << ": overflow leaves the record";
        }
    }
}

TEST(DecnumFromDouble, WithoutAFlagAnOverflowStillLeavesTheRecord)
{
    asi_decnum x;
    asi_dec_from_text("7", &x, 5, nullptr);
    asi_dec_from_double_scaled(1234567.0, &x, 5, nullptr, 2);
    EXPECT_EQ(raw(x, 5), "0 00007/0");
}

TEST(DecnumDoubleDigits, RoundingCarryIsKept)
{
    char d[ASI_DEC_DBL_TEXT];
    int point = 0, neg = 0;
    asi_double_digits(d, 1e89, &point, &neg);
    EXPECT_STREQ(d, "10000000000000000");
    EXPECT_EQ(point, 90);
    asi_double_digits(d, -2.675, &point, &neg);
    EXPECT_STREQ(d, "26749999999999998");
    EXPECT_EQ(point, 1);
    EXPECT_EQ(neg, 1);
    asi_double_digits(d, 0.05, &point, &neg);
    EXPECT_EQ(point, -1);
    EXPECT_EQ(d[0], '5');
}

TEST(DecnumArith, MendedOverflowsAndScales)
{
    asi_decnum a = parse("-999", 3), b = parse("-1", 3);
    EXPECT_EQ(asi_dec_add(&a, &b, 3), 1) << "negative overflow";
    a = parse("12345", 5);
    b = parse("0.5", 5);
    EXPECT_EQ(asi_dec_add(&a, &b, 5), 1) << "alignment would lose a digit";
    a = parse("-1", 3);
    b = parse("1", 3);
    EXPECT_EQ(asi_dec_add(&a, &b, 3), 0);
    EXPECT_EQ(raw(a, 3), "0 000/0");
    a = parse("999", 3);
    b = parse("1", 3);
    EXPECT_EQ(asi_dec_add(&a, &b, 3), 1);

    asi_decnum r;
    a = parse("0.123", 4);
    b = parse("0.45", 4);
    ASSERT_EQ(asi_dec_mul(&a, &b, &r, 4, 4), 0);
    EXPECT_EQ(text(r, 4, 4), ".0553") << "the product is shifted to its scale";

    a = parse("1", 5);
    b = parse("3", 5);
    ASSERT_EQ(asi_dec_div(&a, &b, 5, 5, &r, 5), 1);
    EXPECT_EQ(raw(r, 5), "0 03333/4");
    a = parse("99999", 5);
    b = parse("0.01", 5);
    EXPECT_EQ(asi_dec_div(&a, &b, 5, 5, &r, 5), 0) << "a quotient needing a negative scale";

    a = parse("-1", 3);
    b = parse("1", 3);
    EXPECT_LT(asi_dec_cmp(&a, &b, 3), 0);
    a = parse("1.50", 3);
    b = parse("1.5", 3);
    EXPECT_EQ(asi_dec_cmp(&a, &b, 3), 0);

    a = parse("99.9", 3);
    EXPECT_EQ(asi_dec_inc(&a, 3), 1) << "99.9 + 1 does not fit three digits";
    EXPECT_EQ(raw(a, 3), "0 999/1");
    a = parse("0", 3);
    EXPECT_EQ(asi_dec_dec(&a, 3), 0);
    EXPECT_EQ(raw(a, 3), "9 999/0");
    EXPECT_EQ(asi_dec_negate(&a, 3), 1);
    EXPECT_EQ(raw(a, 3), "0 001/0");
}

TEST(DecnumResize, WidensBySignAndNarrowsTheMagnitude)
{
    asi_decnum x = parse("-5", 2), w, n;
    int st = -1;
    asi_dec_resize(&x, &w, 2, 4, &st);
    EXPECT_EQ(raw(w, 4), "9 9995/0");
    asi_dec_resize(&w, &n, 4, 2, &st);
    EXPECT_EQ(raw(n, 2), "9 95/0");
    EXPECT_EQ(st, 0);

    x = parse("-1.25", 4);
    asi_dec_resize(&x, &n, 4, 2, &st);
    EXPECT_EQ(st, 4);
    EXPECT_EQ(text(n, 2, 1), "-1.2") << "negative values are cut toward zero";

    x = parse("-100", 4);
    asi_decnum keep = parse("7", 2);
    n = keep;
    asi_dec_resize(&x, &n, 4, 2, &st);
    EXPECT_EQ(st, 1) << "-100 does not fit two digits";
    EXPECT_EQ(raw(n, 2), raw(keep, 2));

    x = parse("0.001", 5);
    asi_dec_resize(&x, &n, 5, 2, &st);
    EXPECT_EQ(st, 4);
    EXPECT_EQ(raw(n, 2), "0 00/2") << "the scale never exceeds the new precision";
    EXPECT_EQ(asi_dec_is_valid(&n, 2), 1);
}

TEST(DecnumValid, RejectsDamagedRecords)
{
    asi_decnum x = parse("12", 3);
    EXPECT_EQ(asi_dec_is_valid(&x, 3), 1);
    x.digit[0] = 10;
    EXPECT_EQ(asi_dec_is_valid(&x, 3), 0);
    x = parse("12", 3);
    x.sign = 5;
    EXPECT_EQ(asi_dec_is_valid(&x, 3), 0);
    x = parse("12", 3);
    x.scale = 4;
    EXPECT_EQ(asi_dec_is_valid(&x, 3), 0);
    asi_dec_clear(&x);
    x.sign = 9;
    EXPECT_EQ(asi_dec_is_valid(&x, 3), 0) << "-10^p is not a value";
}

} // namespace
