/*
** num_test.cpp: the numeric bases: the tolerance table, the comparison
** operator family of exact values (tolerant, plain, exact for long keys,
** the null rule), the base predicates and result types, and the runtime's
** number texts shared by every value class.
*/
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_interval.h"
#include "sqlclient/values/asi_textfmt.h"

#include "num_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace {

CAsiInteger integer(std::int32_t v)
{
    CAsiInteger i;
    i.setLong(v);
    return i;
}

/* The six relations of a against b as a string of 0/1 in the order
** > >= == <= < != . */
template <class A, class B>
std::string rels(const A &a, const B &b)
{
    std::string r;
    for (int x : {a > b, a >= b, a == b, a <= b, a < b, a != b}) r += static_cast<char>('0' + x);
    return r;
}

TEST(NumTolerance, HalfAUnitOfEachScale)
{
    EXPECT_EQ(asi_num_tolerance[0], 0.5);
    EXPECT_EQ(asi_num_tolerance[2], 0.005);
    EXPECT_EQ(asi_num_tolerance[32], 5e-33);
    EXPECT_EQ(asi_num_tolerance_of(40), 5e-33);
}

TEST(NumCompare, ExactValuesCompareTolerantlyByTheFinerScale)
{
    auto d101 = make<CAsiDecimal>(10, 2, "1.01");
    EXPECT_EQ(rels(d101, integer(1)), "110001") << "0.01 is not below the tolerance 0.005";
    EXPECT_EQ(rels(integer(1), make<CAsiDecimal>(5, 1, "1.4")), "000111");
    EXPECT_EQ(rels(integer(2), 2), "011100");
    EXPECT_EQ(rels(integer(2), 2L), "011100");
    auto d24 = make<CAsiDecimal>(10, 1, "2.4");
    EXPECT_EQ(rels(d24, 2), "110001");
    auto a = make<CAsiNumeric>(10, 2, "0.3");
    auto b = make<CAsiNumeric>(10, 1, "0.3");
    EXPECT_EQ(rels(a, b), "011100") << "conversion rounding is absorbed";
    CAsiSmallint five;
    five.setShort(5);
    EXPECT_EQ(rels(five, static_cast<short>(5)), rels(five, 5));
    auto k1 = make<CAsiDecimal>(19, 0, "1234567890123456789");
    auto k2 = make<CAsiNumeric>(19, 0, "1234567890123456788");
    EXPECT_EQ(rels(k1, k2), "110001") << "long keys are compared in decimal";
    EXPECT_EQ(k1.compareWith(ASI_REL_GT, k2), 1);
}

TEST(NumCompare, DoublesAndApproximateValuesComparePlainly)
{
    EXPECT_EQ(rels(integer(1), 1.4), "000111");
    auto d24 = make<CAsiDecimal>(10, 1, "2.4");
    EXPECT_EQ(d24 == 2.4, d24.doubleValue() == 2.4 ? 1 : 0);
    CAsiDouble x;
    x = 1.0000001;
    EXPECT_EQ(rels(integer(1), x), "000111") << "no tolerance against an approximate value";
    EXPECT_EQ(integer(1).compareWith(ASI_REL_LT, x), 1);
}

TEST(NumCompare, EveryPairOfClassesComparesFromEitherSide)
{
    auto d = make<CAsiDecimal>(10, 2, "2");
    auto n = make<CAsiNumeric>(10, 1, "1.0");
    CAsiSmallint s;
    s.setShort(1);
    CAsiReal r;
    r = 1.25;
    CAsiFloat f;
    f = 1.0;
    CAsiDouble x;
    x = 2.0;
    /* Each left operand's own operator answers; the approximate pairs and
    ** an exact value against an approximate one answer alike both ways. */
    EXPECT_EQ(rels(r, x), "000111");
    EXPECT_EQ(rels(x, f), "110001");
    EXPECT_EQ(rels(f, r), "000111");
    EXPECT_EQ(rels(r, integer(1)), "110001");
    EXPECT_EQ(rels(integer(1), r), "000111");
    EXPECT_EQ(rels(d, x), "011100");
    EXPECT_EQ(rels(x, d), "011100");
    EXPECT_EQ(rels(f, s), "011100");
    EXPECT_EQ(rels(s, f), "011100");
    EXPECT_EQ(rels(n, s), "011100");
    EXPECT_EQ(rels(d, n), "110001");
    EXPECT_EQ(rels(n, d), "000111");
}

TEST(NumCompare, NullOperandsAnswerZeroEvenForInequality)
{
    CAsiInteger null;
    EXPECT_EQ(rels(null, 1), "000000");
    EXPECT_EQ(rels(null, 1.0), "000000");
    EXPECT_EQ(rels(integer(1), null), "000000");
    EXPECT_EQ(rels(make<CAsiNumeric>(5, 0, "1"), CAsiDecimal()), "000000");
    CAsiDouble dnull;
    EXPECT_EQ(rels(integer(1), dnull), "000000");
}

/* A minimal exact value, to see the exact base's own rules. */
class TestExact : public CAsiExactNum {
public:
    TestExact(unsigned p, unsigned s) { m_precision = p; m_scale = s; }
    TestExact *clone() const override { return new TestExact(*this); }
    int typeCode() const override { return ASI_TYPE_DECIMAL; }
    int typeText(CAsiUcStr &) const override { return 0; }
    int literalText(CAsiUcStr &) const override { return 0; }
    int exactDigits(asi_decnum *) const override { return 0; }
};

TEST(NumBase, PredicatesAndResultTypes)
{
    TestExact e(10, 2);
    CAsiNumeric n(6, 4);
    CAsiDouble d;
    std::unique_ptr<CAsiData> t(e.addType(&n));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DECIMAL);
    EXPECT_EQ(t->precision(), 10u);
    EXPECT_EQ(t->scale(), 4u);
    t.reset(e.addType(&d));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DOUBLE);
    t.reset(e.subtractType(&n));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DOUBLE) << "subtraction keeps the numeric base's rule";
    CAsiIntervalDT dh(ASI_IV_DAY_TO_HOUR, 2, 0), sec(ASI_IV_SECOND, 2, 0);
    EXPECT_EQ(e.addType(&dh), nullptr);
    t.reset(e.multiplyType(&dh));
    EXPECT_EQ(t->intervalCode(), ASI_IV_DAY_TO_SECOND);
    EXPECT_EQ(e.isCastable(&dh), 0);
    EXPECT_EQ(e.isCastable(&sec), 1);
    EXPECT_EQ(e.isCastable(&n), 1);
    EXPECT_EQ(e.isCastable(nullptr), 0);
    EXPECT_EQ(e.isComparable(&sec), 0);
    EXPECT_EQ(e.isAssignable(&d), 1);
    EXPECT_EQ(e.isExactNumeric(), 1);
    EXPECT_EQ(e.isApproximateNumeric(), 0);
    EXPECT_EQ(e.spare(), 0);
}

struct GCase {
    double x;
    int prec;
    const char *text;
};

TEST(NumText, GeneralStyleWithThreeExponentDigits)
{
    const GCase cases[] = {
        {123456.0, 5, "1.2346E+005"}, {0.0001, 6, "0.0001"},  {0.00001, 6, "1E-005"},
        {1e20, 32, "100000000000000000000"}, {0.1, 32, "0.10000000000000001"},
        {-0.0, 6, "-0"},              {1.5, 1, "2"},           {12.5, 0, "1E+001"},
        {1e100, 6, "1E+100"},         {-1.25e-300, 3, "-1.25E-300"},
        {INFINITY, 6, "INF"},         {NAN, 6, "NAN"},
    };
    for (const auto &c : cases) {
        char buf[ASI_FMT_BUF];
        asi_fmt_g(buf, sizeof buf, c.x, c.prec);
        EXPECT_STREQ(buf, c.text) << c.x << " %." << c.prec << "G";
    }
    char small[4];
    EXPECT_EQ(asi_fmt_g(small, sizeof small, 123456.0, 5), 11) << "the full length is answered";
    EXPECT_STREQ(small, "1.2");
}

TEST(NumText, ScientificAndIntegerForms)
{
    char buf[ASI_FMT_BUF];
    asi_fmt_le(buf, sizeof buf, 12345.678, 3);
    EXPECT_STREQ(buf, "1.235E+004");
    asi_fmt_le(buf, sizeof buf, 1.0, 0);
    EXPECT_STREQ(buf, "1E+000");
    asi_fmt_le(buf, sizeof buf, 0.1, 20);
    EXPECT_STREQ(buf, "1.00000000000000010000E-001") << "at most 17 significant digits";
    asi_fmt_ld(buf, sizeof buf, -2147483647 - 1);
    EXPECT_STREQ(buf, "-2147483648");
}

TEST(NumText, ParsingRefusesInfinityNanAndHexadecimal)
{
    char *end = nullptr;
    const char *t = " -1.5e3x";
    EXPECT_EQ(asi_strtod(t, &end), -1500.0);
    EXPECT_EQ(*end, 'x');
    for (const char *bad : {"inf", "-Infinity", "nan", "NAN(1)", "", "+", ".e1"}) {
        EXPECT_EQ(asi_strtod(bad, &end), 0.0) << bad;
        EXPECT_EQ(end, bad) << bad;
    }
    const char *hex = "0x1A";
    EXPECT_EQ(asi_strtod(hex, &end), 0.0);
    EXPECT_EQ(end, hex + 1) << "only the 0 of a hexadecimal text is a number";
    EXPECT_EQ(asi_fmt_is_finite(asi_strtod("1e999", nullptr)), 0);
}

} // namespace
