/*
** approx_text_test.cpp: the text of approximate values.  The known texts
** first, then thousands of doubles against a reference written here from
** the rules alone: the value scaled to 18 digits in long double (ties to
** even), half up to 17, half up to 16, and the layout with three exponent
** digits.  printf's %.16g is no reference: it rounds once, we round twice.
*/
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_double.h"

namespace {

/* 10^n in long double: exact by repeated products up to 10^27, powl
** beyond (the scaling rule the texts are defined by). */
long double ref_pow10(int n)
{
    if (n <= 27) {
        long double p = 1.0L;
        for (int i = 0; i < n; i++)
            p *= 10.0L;
        return p;
    }
    return powl(10.0L, (long double)n);
}

/* |x| scaled so that about n digits stand before the point, rounded to an
** integer; *e receives the power of ten used. */
long double ref_scaled(long double ax, int n, int *e)
{
    *e = n - (int)nearbyintl(log10l(ax));
    long double s = *e >= 0 ? ax * ref_pow10(*e) : ax / ref_pow10(-*e);
    return nearbyintl(s);
}

/* Rounds the digit string d half up to keep digits; true when the carry
** left the first digit (d is then "1000..."). */
bool ref_round(std::string &d, size_t keep)
{
    bool up = d[keep] >= '5';
    d.resize(keep);
    if (!up)
        return false;
    for (size_t i = keep; i-- > 0;) {
        if (d[i] != '9') {
            d[i]++;
            return false;
        }
        d[i] = '0';
    }
    d[0] = '1';
    return true;
}

/* Digits from position from on without trailing zeros. */
std::string ref_tail(const std::string &d, size_t from)
{
    size_t end = d.size();
    while (end > from && d[end - 1] == '0')
        end--;
    return d.substr(from, end - from);
}

std::string ref_exp(char sign, int e)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "E%c%03d", sign, e);
    return buf;
}

/* The expected text of a finite double. */
std::string ref_text(double x)
{
    if (x == 0.0)
        return "0";
    long double ax = fabsl((long double)x);
    int e = 0;
    long double s = ref_scaled(ax, 17, &e);
    if (s < 1e17L)
        s = ref_scaled(ax, 18, &e);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.0Lf", s);
    std::string d = buf;
    EXPECT_EQ(d.size(), 18u) << x;
    int p = 18 - e;
    if (ref_round(d, 17))
        p++;
    if (ref_round(d, 16))
        p++;
    std::string out = x < 0 ? "-" : "";
    if (p >= 17) {
        out += d.substr(0, 1) + "." + ref_tail(d, 1) + ref_exp('+', p - 1);
    } else if (p >= 1) {
        out += d.substr(0, (size_t)p);
        std::string t = ref_tail(d, (size_t)p);
        if (!t.empty())
            out += "." + t;
    } else if (p == 0) {
        std::string t = ref_tail(d, 0);
        out += t.empty() ? "0" : "0." + t;
    } else if (p >= -16) {
        std::string t = ref_tail(d, 0);
        int k = (int)t.size();
        if (k - p < 16)
            out += "0." + std::string((size_t)-p, '0') + t;
        else
            out += t.substr(0, 1) + (k > 1 ? "." + t.substr(1) : "") + ref_exp('-', 1 - p);
    } else {
        out += d.substr(0, 1) + "." + ref_tail(d, 1) + ref_exp('-', 1 - p);
    }
    return out;
}

std::string text_of(double x, int size = 64)
{
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(asi_approx_text(x, buf, size), 1);
    return buf;
}

struct TextCase {
    double value;
    const char *text;
};

} // namespace

/* The texts the number layout rules fix, one per layout branch. */
TEST(ApproxText, KnownTextsOfEachLayout)
{
    const TextCase cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {0.1, "0.1"},
        {0.5, "0.5"},
        {100.0, "100"},
        {1234.5, "1234.5"},
        {-2.25, "-2.25"},
        {1e16, "1.E+016"},
        {1e20, "1.E+020"},
        {1.5e20, "1.5E+020"},
        {9999999999999998.0, "9999999999999998"},
        {123456789012345.6, "123456789012345.6"},
        {0.001, "0.001"},
        {0.0001234567890123456, "1.234567890123456E-004"},
        {-1.234567890123456e-5, "-1.234567890123456E-005"},
        {5e-17, "5E-017"},
        {1e-20, "1.E-020"},
        {1.0 / 3.0, "0.3333333333333333"},
        {2.0 / 3.0, "0.6666666666666666"},
        /* ...09499999 to 18 digits is ...095, then half up twice: ...10,
        ** where a single rounding (%.16g) gives ...09. */
        {6.1269331030963095, "6.12693310309631"},
        {DBL_MAX, "1.797693134862316E+308"},
        {-DBL_MAX, "-1.797693134862316E+308"},
        {DBL_MIN, "2.225073858507201E-308"},
        {std::numeric_limits<double>::denorm_min(), "4.940656458412465E-324"},
    };
    for (const TextCase &c : cases)
        EXPECT_EQ(text_of(c.value), c.text) << c.text;
}

/* Values whose first seventeen digits are nines and whose eighteenth
** rounds them up must carry into a new first digit, not print zeros. */
TEST(ApproxText, RoundingCarryOutOfSeventeenNines)
{
    const TextCase reals[] = {{1e89, "1.E+089"}, {1e-55, "1.E-055"}, {-1e89, "-1.E+089"}};
    for (const TextCase &c : reals) {
        CAsiReal r;
        r.setDouble(c.value);
        char buf[32];
        r.getText(buf, sizeof buf);
        EXPECT_STREQ(buf, c.text);
    }

    /* Search powers of ten for ones whose 17-digit scaling came out as all
    ** nines with a rounding digit: each must print as 1.E...  */
    int carried = 0;
    for (int k = -300; k <= 300; k++) {
        double x = std::pow(10.0, (double)k);
        char digits[ASI_APPROX_DIGITS + 1];
        int point = 0, negative = 0;
        ASSERT_EQ(asi_approx_digits(x, digits, &point, &negative), 1);
        if (std::strcmp(digits, "10000000000000000") == 0)
            carried++;
        EXPECT_EQ(text_of(x), ref_text(x)) << k;
        EXPECT_NE(digits[0], '0') << k;
    }
    EXPECT_GT(carried, 0);
}

/* Infinity and NaN have short fixed texts, cut like any other. */
TEST(ApproxText, InfinityAndNanTexts)
{
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(text_of(inf), "INF");
    EXPECT_EQ(text_of(-inf), "-INF");
    EXPECT_EQ(text_of(std::nan("")), "NAN");
    EXPECT_EQ(text_of(-inf, 3), "-I");
    char digits[ASI_APPROX_DIGITS + 1] = "unchanged";
    int point = 7, negative = 7;
    EXPECT_EQ(asi_approx_digits(inf, digits, &point, &negative), 0);
    EXPECT_STREQ(digits, "unchanged");
}

/* The text is cut to size - 1 bytes and always terminated. */
TEST(ApproxText, CutToTheBuffer)
{
    EXPECT_EQ(text_of(1234.5, 4), "123");
    EXPECT_EQ(text_of(1234.5, 1), "");
    EXPECT_EQ(asi_approx_text(1.0, nullptr, 8), 0);
    char one = 'x';
    EXPECT_EQ(asi_approx_text(1.0, &one, 0), 0);
    EXPECT_EQ(one, 'x');
}

/* Random doubles of every kind against the reference. */
TEST(ApproxText, RandomDoublesMatchTheReference)
{
    std::mt19937_64 rng(20261207);
    std::uniform_int_distribution<int> exp10(-30, 30);
    std::uniform_real_distribution<double> unit(1.0, 10.0);
    int checked = 0;
    for (int i = 0; i < 12000; i++) {
        double x;
        switch (i % 4) {
        case 0: {
            /* Any finite bit pattern. */
            std::uint64_t bits = rng();
            std::memcpy(&x, &bits, sizeof x);
            if (!std::isfinite(x))
                continue;
            break;
        }
        case 1:
            x = unit(rng) * std::pow(10.0, exp10(rng));
            break;
        case 2: {
            /* Sixteen or seventeen significant digits: the rounding edges. */
            std::uint64_t m = 1000000000000000ull + rng() % 9000000000000000ull;
            x = (double)(m * (i % 8 == 2 ? 10 : 1) + (rng() % 10)) * std::pow(10.0, exp10(rng) - 16);
            break;
        }
        default:
            x = (double)(std::int64_t)(rng() >> (rng() % 64));
            break;
        }
        if (rng() & 1)
            x = -x;
        ASSERT_EQ(text_of(x), ref_text(x)) << std::hexfloat << x;
        checked++;
    }
    EXPECT_GT(checked, 10000);
}

/* The value classes print through the same text: REAL, FLOAT and DOUBLE
** PRECISION alike, at most 16 digits whatever the type. */
TEST(ApproxText, AllThreeClassesPrintAlike)
{
    CAsiReal r;
    CAsiFloat f(4);
    CAsiDouble d;
    r.setDouble(2.0 / 3.0);
    f.setDouble(2.0 / 3.0);
    d.setDouble(2.0 / 3.0);
    char a[32], b[32], c[32];
    r.getText(a, sizeof a);
    f.getText(b, sizeof b);
    d.getText(c, sizeof c);
    EXPECT_STREQ(a, "0.6666666666666666");
    EXPECT_STREQ(b, a);
    EXPECT_STREQ(c, a);
}
