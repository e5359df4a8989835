/*
** integer_test.cpp: SMALLINT and INTEGER values: the range rule of the
** setters, text parsing and formatting, assignment from other values,
** result types, three-way comparison, the stream bytes, and the operator
** families with their null rule, integer division and range checks.
*/
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_interval.h"

#include "num_state.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

CAsiSmallint small(int v)
{
    CAsiSmallint s;
    s.setShort(static_cast<std::int16_t>(v));
    return s;
}

CAsiInteger integer(std::int32_t v)
{
    CAsiInteger i;
    i.setLong(v);
    return i;
}

std::string text_of(const CAsiData &v, int size = 64)
{
    std::vector<char> buf(size, 'Z');
    v.getText(buf.data(), size);
    return buf.data();
}

/* The bytes a value packs into. */
std::vector<unsigned char> packed(const CAsiData &v)
{
    std::vector<unsigned char> buf(64);
    CAsiOStream out(buf.data(), buf.size());
    int n = v.pack(out);
    EXPECT_EQ(n, v.packedSize());
    buf.resize(n);
    return buf;
}

struct RangeCase {
    bool smallint;
    double value;     /* given to setDouble */
    int state;        /* 0 or 22003 */
    std::int32_t stored;
};

TEST(IntegerRange, SettersRefuseMagnitudesBeyondTheClassMaximum)
{
    const RangeCase cases[] = {
        {true, 32767, 0, 32767},      {true, -32767, 0, -32767},  {true, -32768, S22003, 0},
        {true, 32767.5, S22003, 0},   {true, -12.99, 0, -12},     {true, NAN, S22003, 0},
        {false, 2147483647, 0, 2147483647}, {false, -2147483648.0, S22003, 0},
        {false, 1e300, S22003, 0},    {false, -0.5, 0, 0},
    };
    for (const auto &c : cases) {
        std::unique_ptr<CAsiExactNum> v;
        if (c.smallint) v.reset(new CAsiSmallint(small(99)));
        else v.reset(new CAsiInteger(integer(99)));
        EXPECT_EQ(raised([&] { v->setDouble(c.value); }), c.state) << c.value;
        EXPECT_EQ(v->longValue(), c.state ? 99 : c.stored) << c.value << ": a refusal keeps the old value";
        EXPECT_EQ(v->isNull(), 0);
    }
    CAsiSmallint s;
    for (std::int32_t bad : {-32768, 40000, -2147483647 - 1})
        EXPECT_EQ(raised([&] { s.setLong(bad); }), S22003) << bad;
    EXPECT_EQ(s.isNull(), 1) << "a refused value leaves the null flag";
    CAsiInteger i;
    i.setLong(-2147483647 - 1);
    EXPECT_EQ(i.longValue(), -2147483647 - 1);
}

struct TextCase {
    const char *text;
    int len;
    int state;
    int value;
};

TEST(IntegerText, ParsesDecimalNumbersWithTrailingBlanks)
{
    const TextCase cases[] = {
        {"+7 ", 3, 0, 7},       {"7 x", 3, S22018, 0},   {"", 0, S22018, 0},
        {"   ", 3, 0, 0},       {" 42 ", 4, 0, 42},      {"12.9", 4, 0, 12},
        {"-1e3", 4, 0, -1000},  {"12abc", 5, S22018, 0}, {"inf", 3, S22018, 0},
        {"nan", 3, S22018, 0},  {"0x10", 4, S22018, 0},  {"40000", 5, S22003, 0},
        {"+", 1, S22018, 0},
    };
    for (const auto &c : cases) {
        CAsiSmallint s;
        EXPECT_EQ(raised([&] { s.setText(c.text, c.len); }), c.state) << c.text;
        if (!c.state) {
            EXPECT_EQ(s.longValue(), c.value) << c.text;
        }
    }
    std::string seventy = "1" + std::string(63, ' ') + "xxxxxx";
    CAsiInteger i;
    EXPECT_EQ(i.setText(seventy.c_str(), 70), 1) << "only the first 64 bytes are read";
    EXPECT_EQ(i.longValue(), 1);

    CAsiInteger u;
    EXPECT_EQ(u.setUcStr(CAsiUcStr("  -42  ")), 1);
    EXPECT_EQ(u.longValue(), -42);
    EXPECT_EQ(u.setUcStr(CAsiUcStr("")), 1);
    EXPECT_EQ(u.longValue(), 0);
    EXPECT_EQ(raised([&] { u.setUcStr(CAsiUcStr("4 2")); }), S22018);
}

TEST(IntegerText, FormatsAndCutsWithoutACondition)
{
    EXPECT_EQ(text_of(small(-5), 3), "-5");
    EXPECT_EQ(text_of(small(-5), 2), "-");
    EXPECT_EQ(text_of(integer(-2147483647 - 1)), "-2147483648");
    CAsiSmallint null;
    char buf[8] = "xxxxxxx";
    EXPECT_EQ(null.getText(buf, 8), 0);
    EXPECT_STREQ(buf, "");
    CAsiUcStr lit;
    EXPECT_EQ(null.literalText(lit), 0);
    EXPECT_TRUE(lit == CAsiUcStr("null"));
    EXPECT_EQ(integer(12).literalText(lit), 1);
    EXPECT_TRUE(lit == CAsiUcStr("12"));
    std::int16_t sv = 0;
    EXPECT_EQ(raised([&] { integer(32768).getShort(&sv); }), S22003);
    EXPECT_EQ(integer(-32767).getShort(&sv), 1);
    EXPECT_EQ(sv, -32767);
}

TEST(IntegerAssign, FromDecimalCharacterAndIntervalValues)
{
    CAsiNumeric n(10, 2);
    n.setText("-3.75", 5);
    CAsiInteger i;
    EXPECT_EQ(i.assign(n), 1);
    EXPECT_EQ(i.longValue(), -3);
    CAsiSmallint s;
    n.setText("40000", 5);
    EXPECT_EQ(raised([&] { s.assign(n); }), S22003);

    CAsiIntervalDT secs(ASI_IV_SECOND, 6, 2);
    ASSERT_EQ(secs.setText("40000", 5), 1);
    EXPECT_EQ(raised([&] { s.assign(secs); }), S22003);
    CAsiIntervalDT days(ASI_IV_DAY, 2, 0);
    ASSERT_EQ(days.setText("-3", 2), 1);
    EXPECT_EQ(s.assign(days), 1);
    EXPECT_EQ(s.longValue(), -3);
    CAsiIntervalDT big(ASI_IV_SECOND, 9, 0);
    ASSERT_EQ(big.setText("-999999999.75", 13), 1);
    EXPECT_EQ(i.assign(big), 1);
    EXPECT_EQ(i.longValue(), -999999999) << "seconds are cut toward zero";
    CAsiIntervalYM ym(ASI_IV_YEAR_TO_MONTH, 2);
    ym.setMonths(14);
    EXPECT_EQ(raised([&] { s.assign(ym); }), S37155);
    CAsiIntervalDT null_iv(ASI_IV_DAY, 2, 0);
    EXPECT_EQ(s.assign(null_iv), 1);
    EXPECT_EQ(s.isNull(), 1);
}

/* A year interval around and beyond 2^31 - 1 months gives INTEGER its
** years exactly; SMALLINT refuses what it cannot hold. */
TEST(IntegerAssign, FromYearIntervalsOfEveryMagnitude)
{
    const struct {
        int qualifier;
        const char *text;
        long expect;   /* value INTEGER receives */
    } cases[] = {
        {ASI_IV_YEAR, "178956970", 178956970},       /* 2147483640 months */
        {ASI_IV_YEAR, "178956971", 178956971},       /* 2147483652 months */
        {ASI_IV_YEAR, "-357913942", -357913942},     /* beyond 2^32 months */
        {ASI_IV_YEAR, "999999999", 999999999},
        {ASI_IV_MONTH, "999999999", 999999999},
    };
    for (const auto &c : cases) {
        CAsiIntervalYM iv(c.qualifier, 9);
        ASSERT_EQ(iv.setText(c.text, (int)std::strlen(c.text)), 1) << c.text;
        CAsiInteger i;
        EXPECT_EQ(i.assign(iv), 1) << c.text;
        EXPECT_EQ(i.longValue(), c.expect) << c.text;
        CAsiSmallint s;
        EXPECT_EQ(raised([&] { s.assign(iv); }), S22003) << c.text;
    }
}

TEST(IntegerTypes, ResultTypesOfArithmeticAndUnion)
{
    CAsiSmallint s;
    CAsiInteger i;
    CAsiDecimal d(12, 3);
    CAsiNumeric n(6, 4);
    std::unique_ptr<CAsiData> t(s.addType(&i));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_INTEGER);
    t.reset(i.addType(&d));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DECIMAL);
    EXPECT_EQ(t->precision(), 12u);
    EXPECT_EQ(t->scale(), 3u);
    t.reset(s.addType(&s));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_SMALLINT);
    t.reset(i.multiplyType(&n));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_NUMERIC);
    EXPECT_EQ(t->precision(), 6u);
    EXPECT_EQ(t->scale(), 4u);
    CAsiIntervalYM ym(ASI_IV_YEAR_TO_MONTH, 2);
    t.reset(i.multiplyType(&ym));
    EXPECT_EQ(t->intervalCode(), ASI_IV_MONTH);
    EXPECT_EQ(t->leadingPrecision(), 6u);
    CAsiIntervalDT hm(ASI_IV_HOUR_TO_MINUTE, 2, 0);
    t.reset(i.divideType(&hm));
    EXPECT_EQ(t->intervalCode(), ASI_IV_DAY_TO_SECOND);
    EXPECT_EQ(t->fractionalPrecision(), 8u);
    t.reset(s.unionType(&i));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_INTEGER);
    t.reset(i.unionType(&s));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_INTEGER);
    EXPECT_EQ(i.addType(nullptr), nullptr);
    EXPECT_EQ(s.displayLength(), 6u);
    EXPECT_EQ(i.precision(), 10u);
}

TEST(IntegerCompare, ThreeWayComparisonUsesTheOperandsOwnRule)
{
    EXPECT_EQ(integer(3).isGreater(small(2)), -1) << "isGreater needs the same class";
    EXPECT_EQ(integer(3).isGreater(integer(2)), 1);
    EXPECT_EQ(integer(2).isEqual(small(2)), 1);
    CAsiDouble d;
    d = 1.9;
    EXPECT_EQ(integer(1).isEqual(d), 0) << "INTEGER 1 is not DOUBLE 1.9";
    d = 1.0;
    EXPECT_EQ(integer(1).isEqual(d), 1);
    CAsiReal r;
    r.setDouble(1.9);
    EXPECT_EQ(integer(1).isEqual(r), 0) << "INTEGER 1 is not REAL 1.9";
    EXPECT_EQ(small(1).isEqual(r), 0);
    CAsiNumeric n(5, 1);
    n.setText("1.9", 3);
    EXPECT_EQ(integer(1).isEqual(n), 0);
    CAsiInteger null;
    EXPECT_EQ(null.isEqual(integer(1)), -1);
    EXPECT_EQ(integer(1).isEqual(null), -1);
}

TEST(IntegerStream, BytesOfEachClassAndTheirReadBack)
{
    const std::vector<unsigned char> s5 = {0, 0, 3, 0, 5, 0, 0xFF, 0xFF, 7, 0, 5, 0, 0, 0};
    EXPECT_EQ(packed(small(5)), s5);
    const std::vector<unsigned char> i7 = {0, 0, 7, 0, 0xF9, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 7, 0, 5, 0, 0, 0};
    EXPECT_EQ(packed(integer(-7)), i7) << "INTEGER's end item carries 5 too";
    const std::vector<unsigned char> end_only = {0xFF, 0xFF, 7, 0, 5, 0, 0, 0};
    EXPECT_EQ(packed(CAsiSmallint()), end_only);

    CAsiInteger back = integer(1);
    CAsiIStream in(end_only.data(), end_only.size());
    back.unpack(in);
    EXPECT_EQ(back.isNull(), 1);
    CAsiIStream in2(i7.data(), i7.size());
    back.unpack(in2);
    EXPECT_EQ(back.longValue(), -7);

    CAsiSmallint wrong;
    CAsiIStream in3(i7.data(), i7.size());
    EXPECT_EQ(raised([&] { wrong.unpack(in3); }), ASI_ERR_STREAM) << "a 4-byte item is not a SMALLINT";
}

TEST(IntegerOps, CompoundAssignmentRangeNullAndDivision)
{
    CAsiSmallint s = small(30000);
    EXPECT_EQ(raised([&] { s += small(3000); }), S22003);
    EXPECT_EQ(s.longValue(), 30000);
    s += 0.9;
    EXPECT_EQ(s.longValue(), 30000) << "the fraction is cut";
    s = small(7);
    s /= 2;
    EXPECT_EQ(s.longValue(), 3);
    s = small(-7);
    s /= static_cast<short>(2);
    EXPECT_EQ(s.longValue(), -3);
    EXPECT_EQ(raised([&] { s /= 0; }), S22012);
    EXPECT_EQ(raised([&] { s /= 0.0; }), S22012);
    EXPECT_EQ(s.longValue(), -3);

    CAsiInteger i = integer(2147483647);
    EXPECT_EQ(raised([&] { i += 1; }), S22003);
    i = integer(10);
    CAsiNumeric q(4, 2);
    q.setText("0.25", 4);
    i *= q;
    EXPECT_EQ(i.longValue(), 2);
    i = integer(-2147483647 - 1);
    EXPECT_EQ(raised([&] { i /= -1; }), S22003) << "the one quotient that does not fit";
    EXPECT_EQ(raised([&] { i /= -1L; }), S22003);
    EXPECT_EQ(raised([&] { i /= small(-1); }), S22003);

    CAsiSmallint null;
    null += 5;
    EXPECT_EQ(null.isNull(), 1);
    s = small(5);
    s += CAsiInteger();
    EXPECT_EQ(s.isNull(), 1);

    s = small(1);
    EXPECT_EQ(raised([&] { s = integer(-32768); }), S22003);
    EXPECT_EQ(s.longValue(), 1) << "nothing was stored";
    s = 2.75;
    EXPECT_EQ(s.longValue(), 2);
}

TEST(IntegerOps, TwoOperandArithmeticGivesDoublePrecision)
{
    CAsiDouble r = small(7) / small(2);
    EXPECT_DOUBLE_EQ(r.doubleValue(), 3.5);
    r = small(5) + CAsiSmallint();
    EXPECT_EQ(r.isNull(), 1);
    r = integer(2147483647) + 1;
    EXPECT_DOUBLE_EQ(r.doubleValue(), 2147483648.0);
    r = 10 - integer(4);
    EXPECT_DOUBLE_EQ(r.doubleValue(), 6.0);
    r = small(3) * integer(4);
    EXPECT_DOUBLE_EQ(r.doubleValue(), 12.0);
    EXPECT_EQ(raised([&] { r = integer(1) / 0; }), S22012);
    EXPECT_EQ(raised([&] { r = 1.0 / CAsiSmallint(small(0)); }), S22012);
}

TEST(IntegerOps, IncrementDecrementAndNegation)
{
    CAsiSmallint s = small(-32767);
    --s;
    EXPECT_EQ(s.longValue(), -32768);
    EXPECT_EQ(raised([&] { --s; }), S22003);
    EXPECT_EQ(raised([&] { s.negate(); }), S22003) << "-32768 has no positive twin";
    s = small(32767);
    EXPECT_EQ(raised([&] { ++s; }), S22003);
    s.negate();
    EXPECT_EQ(s.longValue(), -32767);
    CAsiInteger i = integer(2147483646);
    ++i;
    EXPECT_EQ(raised([&] { ++i; }), S22003);
    CAsiInteger null;
    ++null;
    EXPECT_EQ(null.isNull(), 1);
}

TEST(IntegerData, RawBytesFromAnOffset)
{
    CAsiInteger i = integer(0x01020304);
    unsigned char b[8] = {0};
    EXPECT_EQ(i.getData(b, 1, 8), 3);
    EXPECT_EQ(b[0], 0x03);
    EXPECT_EQ(i.getData(b, 4, 1), 0);
    EXPECT_EQ(i.getData(nullptr, 0, 1), 0);
    EXPECT_EQ(small(1).dataSize(), 2);
}

} // namespace
