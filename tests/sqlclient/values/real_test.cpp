/*
** real_test.cpp: REAL, FLOAT and DOUBLE PRECISION values: parsing, the
** integer getters, plain comparisons, result types, stream bytes and the
** arithmetic and assignment operators.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "approx_state.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_datetime.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_interval.h"

namespace {


std::string type_text(const CAsiData *v)
{
    CAsiUcStr s;
    v->typeText(s);
    char buf[64];
    return s.toMb(buf, sizeof buf);
}

CAsiReal real(double v)
{
    CAsiReal r;
    r.setDouble(v);
    return r;
}

CAsiInteger integer(std::int32_t v)
{
    CAsiInteger i;
    i.setLong(v);
    return i;
}

/* The bytes a pack wrote. */
std::vector<unsigned char> packed(const CAsiData &v, bool valueOnly = false)
{
    unsigned char buf[128];
    CAsiOStream out(buf, sizeof buf);
    int n = valueOnly ? v.packValue(out) : v.pack(out);
    EXPECT_EQ(n, valueOnly ? v.packedValueSize() : v.packedSize());
    return std::vector<unsigned char>(buf, buf + n);
}

/* An item header: tag and type, little-endian. */
void item(std::vector<unsigned char> &b, int tag, int type)
{
    b.push_back((unsigned char)tag);
    b.push_back((unsigned char)(tag >> 8));
    b.push_back((unsigned char)type);
    b.push_back((unsigned char)(type >> 8));
}

void i32_item(std::vector<unsigned char> &b, int tag, std::int32_t v)
{
    item(b, tag, ASI_ITEM_I32);
    for (int i = 0; i < 4; i++)
        b.push_back((unsigned char)((std::uint32_t)v >> (8 * i)));
}

void f64_item(std::vector<unsigned char> &b, int tag, double v)
{
    item(b, tag, ASI_ITEM_F64);
    unsigned char raw[8];
    std::memcpy(raw, &v, 8);
    b.insert(b.end(), raw, raw + 8);
}

} // namespace

/* Text with blanks around it parses; anything else after the number is
** refused, except that a UCS-2 string may end in any white space. */
TEST(ApproxParse, TextAndUcs2Rules)
{
    CAsiReal r;
    EXPECT_EQ(r.setText("  1.5e3  ", 9), 1);
    EXPECT_EQ(r.doubleValue(), 1500.0);
    EXPECT_EQ(raised([&] { r.setText("1.5x", 4); }), ST_22018);
    EXPECT_EQ(raised([&] { r.setText("", 0); }), ST_22018);
    EXPECT_EQ(raised([&] { r.setText("inf", 3); }), ST_22018);
    EXPECT_EQ(r.doubleValue(), 1500.0);   /* a refused text changes nothing */
    EXPECT_EQ(r.setText("   ", 3), 1);
    EXPECT_EQ(r.doubleValue(), 0.0);
    EXPECT_EQ(raised([&] { r.setText("1.5\t", 4); }), ST_22018);
    EXPECT_EQ(r.setUcStr(CAsiUcStr("1.5\t")), 1);
    EXPECT_EQ(r.doubleValue(), 1.5);
    EXPECT_EQ(r.setUcStr(CAsiUcStr("")), 1);
    EXPECT_EQ(r.doubleValue(), 0.0);
    EXPECT_EQ(raised([&] { r.setUcStr(CAsiUcStr("2 x")); }), ST_22018);

    /* Only the first 64 bytes are read: the 65th digit onward is lost. */
    std::string seventy = "1" + std::string(63, '0') + "123456";
    CAsiFloat f;
    EXPECT_EQ(f.setText(seventy.c_str(), (int)seventy.size()), 1);
    EXPECT_EQ(f.doubleValue(), 1e63);
    EXPECT_EQ(f.setText(seventy.c_str(), -1), 1);
    EXPECT_EQ(f.doubleValue(), 1e63);

    /* Beyond the double range: stored as the conversion gives it. */
    CAsiDouble d;
    EXPECT_EQ(d.setText("1e999", 5), 1);
    EXPECT_TRUE(std::isinf(d.doubleValue()));
}

/* The bound is on the magnitude before truncation; infinity and NaN are
** out of range, never converted into some integer. */
TEST(ApproxGetters, IntegerBoundsAndTruncation)
{
    std::int32_t l = 0;
    std::int16_t s = 0;
    EXPECT_EQ(real(2147483647.0).getLong(&l), 1);
    EXPECT_EQ(l, 2147483647);
    EXPECT_EQ(raised([&] { real(2147483647.5).getLong(&l); }), ST_22003);
    EXPECT_EQ(raised([&] { real(-2147483648.0).getLong(&l); }), ST_22003);
    EXPECT_EQ(raised([&] { real(-32768.0).getShort(&s); }), ST_22003);
    EXPECT_EQ(raised([&] { real(32767.5).getShort(&s); }), ST_22003);
    EXPECT_EQ(real(-1.9).getShort(&s), 1);
    EXPECT_EQ(s, -1);

    const double special[] = {std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                              std::nan("")};
    for (double x : special) {
        CAsiFloat f;
        f.setDouble(x);
        l = 77;
        s = 77;
        EXPECT_EQ(raised([&] { f.getLong(&l); }), ST_22003);
        EXPECT_EQ(raised([&] { f.getShort(&s); }), ST_22003);
        EXPECT_EQ(raised([&] { f.longValue(); }), ST_22003);
        EXPECT_EQ(l, 77);
        EXPECT_EQ(s, 77);
        char buf[8];
        EXPECT_EQ(f.getText(buf, sizeof buf), 1);
        EXPECT_LE(std::strlen(buf), 4u);
    }

    CAsiReal n;
    double d = 5.0;
    char buf[4] = "abc";
    EXPECT_EQ(n.getDouble(&d), 0);
    EXPECT_EQ(d, 5.0);
    EXPECT_EQ(n.doubleValue(), 0.0);
    EXPECT_EQ(n.getText(buf, sizeof buf), 0);
    EXPECT_STREQ(buf, "");
}

/* Plain comparisons: no tolerance; null on either side answers 0 for all
** six operators. */
TEST(ApproxCompare, PlainAndNullRule)
{
    CAsiReal sum = real(0.1);
    sum += 0.2;
    EXPECT_EQ(sum == 0.3, 0);
    EXPECT_EQ(sum != 0.3, 1);

    /* Compared the way the engine does, through the numeric base (two
    ** numeric classes side by side would also match the reversed form). */
    CAsiDouble dv;
    dv.setDouble(2.5);
    const CAsiNum &d = dv;
    CAsiInteger two = integer(2);
    EXPECT_EQ(d > two, 1);
    EXPECT_EQ(d >= two, 1);
    EXPECT_EQ(d == two, 0);
    EXPECT_EQ(d < (short)3, 1);

    CAsiReal nul;
    CAsiFloat oneValue;
    oneValue.setDouble(1.0);
    const CAsiNum &one = oneValue;
    CAsiDecimal nulDec(5, 2);
    EXPECT_EQ((nul > 1) + (nul >= 1) + (nul == 1) + (nul <= 1) + (nul < 1) + (nul != 1), 0);
    EXPECT_EQ((one > nulDec) + (one >= nulDec) + (one == nulDec) + (one <= nulDec) + (one < nulDec) +
                  (one != nulDec),
              0);

    CAsiDecimal dec(5, 2);
    dec.setText("1.01", 4);
    EXPECT_EQ(one == dec, 0);
    EXPECT_EQ(one < dec, 1);
    CAsiReal pz = real(0.0), nz = real(-0.0);
    EXPECT_EQ(pz == nz, 1);

    for (const CAsiData *v : std::initializer_list<const CAsiData *>{&nul, &oneValue, &dv}) {
        EXPECT_EQ(v->isApproximateNumeric(), 1);
        EXPECT_EQ(v->isExactNumeric(), 0);
    }

    EXPECT_EQ(real(2.0).isGreater(integer(1)), 1);
    EXPECT_EQ(real(2.0).isGreater(CAsiInteger()), -1);
    CAsiChar c(3);
    c.setText("1", 1);
    EXPECT_EQ(real(2.0).isGreater(c), -1);
    EXPECT_EQ(real(2.0).isEqual(integer(2)), 1);
}

/* Type texts, literal texts, the FLOAT precision cap. */
TEST(ApproxTypes, TypeTextsAndPrecision)
{
    CAsiReal r;
    CAsiFloat f16(16), f20(20), f40(40), fneg(-3), f0(0);
    EXPECT_EQ(type_text(&r), "REAL");
    EXPECT_EQ(type_text(&f16), "FLOAT");
    EXPECT_EQ(type_text(&f20), "FLOAT(20)");
    EXPECT_EQ(type_text(&f40), "FLOAT(32)");
    EXPECT_EQ(fneg.precision(), 32u);
    EXPECT_EQ(f0.precision(), 0u);

    CAsiUcStr lit;
    EXPECT_EQ(f20.literalText(lit), 0);
    char buf[16];
    EXPECT_STREQ(lit.toMb(buf, sizeof buf), "null");
    f20.setDouble(-2.5);
    EXPECT_EQ(f20.literalText(lit), 1);
    EXPECT_STREQ(lit.toMb(buf, sizeof buf), "-2.5");
    CAsiUcStr u;
    char wide[40];
    EXPECT_EQ(real(-1.234567890123456e-5).getUcStr(u), 1);
    EXPECT_STREQ(u.toMb(wide, sizeof wide), "-1.234567890123456E-005");
}

/* getData copies the stored double from an offset. */
TEST(ApproxTypes, GetDataCopiesTheDouble)
{
    CAsiReal r = real(1.5);
    unsigned char out[16] = {0};
    double v = 1.5;
    EXPECT_EQ(r.getData(out, 0, 16), 8);
    EXPECT_EQ(std::memcmp(out, &v, 8), 0);
    EXPECT_EQ(r.getData(out, 6, 16), 2);
    EXPECT_EQ(std::memcmp(out, (unsigned char *)&v + 6, 2), 0);
    EXPECT_EQ(r.getData(out, 8, 16), 0);
    EXPECT_EQ(r.getData(out, -1, 16), 0);
}

/* Assignment from numbers, text, single-field intervals; anything else
** refused. */
TEST(ApproxAssign, FromOtherValues)
{
    CAsiReal r = real(9.0);
    CAsiIntervalDT days(ASI_IV_DAY, 2, 0);
    days.setText("-3", 2);
    EXPECT_EQ(r.assign(days), 1);
    EXPECT_EQ(r.doubleValue(), -3.0);

    CAsiIntervalDT dayHour(ASI_IV_DAY_TO_HOUR, 2, 0);
    dayHour.setText("1 02", 4);
    EXPECT_EQ(raised([&] { r.assign(dayHour); }), ST_37155);
    EXPECT_EQ(r.doubleValue(), -3.0);

    CAsiDate nulDate;
    EXPECT_EQ(r.assign(nulDate), 1);
    EXPECT_EQ(r.isNull(), 1);

    CAsiChar c(10);
    c.setText("  42.5", 6);
    EXPECT_EQ(r.assign(c), 1);
    EXPECT_EQ(r.doubleValue(), 42.5);
    c.setText("4x", 2);
    EXPECT_EQ(raised([&] { r.assign(c); }), ST_22018);
    EXPECT_EQ(r.assign(r), 1);
    EXPECT_EQ(r.assign(integer(7)), 1);
    EXPECT_EQ(r.doubleValue(), 7.0);
}

/* Result types: REAL and FLOAT answer the exact type of an exact operand
** (kept that way on purpose), the union of two FLOATs is the wider. */
TEST(ApproxTypes, ResultTypes)
{
    CAsiReal r = real(1.0);
    CAsiFloat f20(20), f24(24);
    CAsiSmallint small;
    CAsiInteger i;
    CAsiDouble d;
    CAsiChar c;
    struct Case {
        const CAsiData *self;
        const CAsiData *other;
        int addCode;
    };
    const Case cases[] = {
        {&r, &small, ASI_TYPE_REAL},  {&r, &i, ASI_TYPE_INTEGER},   {&r, &f20, ASI_TYPE_REAL},
        {&r, &d, ASI_TYPE_DOUBLE},    {&f20, &small, ASI_TYPE_FLOAT}, {&f20, &r, ASI_TYPE_REAL},
        {&f20, &i, ASI_TYPE_INTEGER}, {&f20, &f24, ASI_TYPE_FLOAT}, {&d, &small, ASI_TYPE_DOUBLE},
    };
    for (const Case &k : cases) {
        std::unique_ptr<CAsiData> a(k.self->addType(k.other));
        std::unique_ptr<CAsiData> m(k.self->multiplyType(k.other));
        ASSERT_TRUE(a && m);
        EXPECT_EQ(a->typeCode(), k.addCode);
        EXPECT_EQ(m->typeCode(), k.addCode);
    }
    EXPECT_EQ(r.addType(&c), nullptr);
    EXPECT_EQ(r.addType(nullptr), nullptr);
    /* The copy carries the value. */
    std::unique_ptr<CAsiData> copy(r.subtractType(&small));
    EXPECT_EQ(static_cast<CAsiNum *>(copy.get())->doubleValue(), 1.0);

    std::unique_ptr<CAsiData> u(f20.unionType(&f24));
    ASSERT_TRUE(u);
    EXPECT_EQ(u->typeCode(), ASI_TYPE_FLOAT);
    EXPECT_EQ(u->precision(), 24u);
    EXPECT_EQ(u->isNull(), 1);
    std::unique_ptr<CAsiData> ur(r.unionType(&i));
    EXPECT_EQ(ur->typeCode(), ASI_TYPE_REAL);
    std::unique_ptr<CAsiData> ud(r.unionType(&d));
    EXPECT_EQ(ud->typeCode(), ASI_TYPE_DOUBLE);
    std::unique_ptr<CAsiData> uf(f20.unionType(&r));
    EXPECT_EQ(uf->typeCode(), ASI_TYPE_REAL);
    EXPECT_EQ(r.unionType(&c), nullptr);
}

/* The stream bytes of each class, and what comes back. */
TEST(ApproxStream, BytesAndRoundTrip)
{
    std::vector<unsigned char> want;
    f64_item(want, 0, 1.5);
    i32_item(want, 65535, 7);
    EXPECT_EQ(packed(real(1.5)), want);
    EXPECT_EQ(packed(real(1.5), true), want);

    CAsiFloat nul20(20);
    want.clear();
    i32_item(want, 1, 20);
    i32_item(want, 65535, 6);
    EXPECT_EQ(packed(nul20), want);
    want.clear();
    i32_item(want, 65535, 6);
    EXPECT_EQ(packed(nul20, true), want);
    EXPECT_EQ(packed(CAsiFloat()), want);

    CAsiDouble d;
    d.setDouble(-2.0);
    want.clear();
    f64_item(want, 0, -2.0);
    i32_item(want, 65535, 8);
    EXPECT_EQ(packed(d), want);

    /* A null FLOAT(20) comes back null with its precision; a precision
    ** sent beyond 32 is taken as it is; unknown tags are skipped. */
    std::vector<unsigned char> in = packed(nul20);
    CAsiFloat back;
    back.setDouble(3.0);
    CAsiIStream s1(in.data(), in.size());
    EXPECT_EQ(back.unpack(s1), 1);
    EXPECT_EQ(back.isNull(), 1);
    EXPECT_EQ(back.precision(), 20u);

    in.clear();
    i32_item(in, 9, 123);
    f64_item(in, 0, 6.25);
    i32_item(in, 1, 40);
    i32_item(in, 65535, 6);
    CAsiIStream s2(in.data(), in.size());
    EXPECT_EQ(back.unpack(s2), 1);
    EXPECT_EQ(back.isNull(), 0);
    EXPECT_EQ(back.doubleValue(), 6.25);
    EXPECT_EQ(back.precision(), 40u);

    CAsiReal rb;
    CAsiIStream s3(in.data(), in.size());
    EXPECT_EQ(rb.unpackValue(s3), 1);
    EXPECT_EQ(rb.doubleValue(), 6.25);
    EXPECT_EQ(rb.precision(), 32u);
}

/* Compound assignment: the null rule and division by zero. */
TEST(ApproxOperators, CompoundAssignment)
{
    CAsiReal r = real(1.5);
    r += CAsiInteger();
    EXPECT_EQ(r.isNull(), 1);
    CAsiReal n;
    n += 2;
    EXPECT_EQ(n.isNull(), 1);

    CAsiReal three = real(3.0);
    EXPECT_EQ(raised([&] { three /= 0; }), ST_22012);
    EXPECT_EQ(three.doubleValue(), 3.0);
    CAsiDecimal zero(5, 2);
    zero.setText("0.00", 4);
    EXPECT_EQ(raised([&] { three /= zero; }), ST_22012);
    EXPECT_EQ(raised([&] { three /= -0.0; }), ST_22012);
    EXPECT_EQ(three.doubleValue(), 3.0);

    CAsiDouble big;
    big.setDouble(1e308);
    big *= 10;
    EXPECT_TRUE(std::isinf(big.doubleValue()));
}

/* Two-operand operators: the result class and precision. */
TEST(ApproxOperators, TwoOperandResults)
{
    CAsiReal a = real(1.0) + integer(2);
    EXPECT_EQ(a.doubleValue(), 3.0);
    EXPECT_EQ(a.typeCode(), ASI_TYPE_REAL);
    CAsiReal b = 10 - real(4.0);
    EXPECT_EQ(b.doubleValue(), 6.0);
    CAsiReal c = integer(7) / real(2.0);
    EXPECT_EQ(c.doubleValue(), 3.5);
    CAsiFloat f15;
    f15.setDouble(1.5);
    CAsiReal d = f15 + real(1.0);
    EXPECT_EQ(d.doubleValue(), 2.5);
    EXPECT_EQ((real(1.0) + CAsiInteger()).isNull(), 1);
    EXPECT_EQ(raised([&] { real(1.0) / 0.0; }), ST_22012);

    CAsiFloat f20(20), f8(8), f24(24);
    f20.setDouble(2.0);
    f8.setDouble(2.0);
    f24.setDouble(1.0);
    CAsiSmallint s;
    s.setLong(1);
    struct Case {
        CAsiFloat result;
        unsigned precision;
    };
    const Case cases[] = {
        {f20 * integer(3), 20}, {f8 * integer(3), 10}, {f20 * 3, 16},     {f8 + s, 8},
        {f20 - f24, 24},        {integer(3) * f8, 10}, {3.0 * f20, 16},   {s - f8, 8},
    };
    for (const Case &k : cases) {
        EXPECT_EQ(k.result.precision(), k.precision);
        EXPECT_EQ(k.result.isNull(), 0);
    }
    EXPECT_EQ((f20 - f24).doubleValue(), 1.0);

    CAsiDouble dd;
    dd.setDouble(0.5);
    CAsiDouble e = real(1.0) + dd;
    EXPECT_EQ(e.doubleValue(), 1.5);
    EXPECT_EQ(e.typeCode(), ASI_TYPE_DOUBLE);
}

/* Assignment, negation, increment and decrement. */
TEST(ApproxOperators, AssignmentAndUnary)
{
    CAsiReal r = real(2.0);
    -r;
    EXPECT_EQ(r.doubleValue(), -2.0);
    ++r;
    --r;
    --r;
    EXPECT_EQ(r.doubleValue(), -3.0);
    CAsiFloat n;
    ++n;
    EXPECT_EQ(n.isNull(), 1);

    r = r;
    EXPECT_EQ(r.doubleValue(), -3.0);
    CAsiNumeric nulNum(5, 0);
    r = nulNum;
    EXPECT_EQ(r.isNull(), 1);
    CAsiFloat f;
    f = real(0.25);
    EXPECT_EQ(f.doubleValue(), 0.25);
    EXPECT_EQ(f.precision(), 16u);
}
