/*
** decimal_test.cpp: DECIMAL and NUMERIC values: parsing into the digit
** record or DECIMAL's overflow form, the text and type forms, conversions,
** assignment, comparison, result types, the stream bytes and the checks on
** values read back, and the operator families.
*/
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_interval.h"

#include "num_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::string text_of(const CAsiData &v, int size = 64)
{
    std::vector<char> buf(size, 'Z');
    v.getText(buf.data(), size);
    return buf.data();
}

std::string type_of(const CAsiData &v)
{
    CAsiUcStr t;
    v.typeText(t);
    char buf[64];
    return t.toMb(buf, sizeof buf);
}

std::vector<unsigned char> packed(const CAsiData &v)
{
    std::vector<unsigned char> buf(128);
    CAsiOStream out(buf.data(), buf.size());
    int n = v.pack(out);
    EXPECT_EQ(n, v.packedSize());
    buf.resize(n);
    return buf;
}

struct SetTextCase {
    bool decimal;
    unsigned p, s;
    const char *text;
    int state;          /* condition raised, or 0 */
    int answer;         /* setText's answer when none */
    int overflow;       /* DECIMAL's overflow form afterwards */
    const char *shown;  /* getText afterwards */
};

TEST(DecimalText, ParsingIntoDigitsOrTheOverflowForm)
{
    const SetTextCase cases[] = {
        {true, 5, 2, "123456", 0, 1, 1, "1.2346E+005"},
        {false, 5, 2, "123456", S22003, 0, 0, nullptr},
        {true, 10, 2, "1.005", 0, 1, 0, "1.00"},
        {false, 2, 2, "0.25", 0, 1, 0, ".25"},           /* the leading zero takes no digit */
        {true, 5, 2, "123456  ", 0, 1, 1, "1.2346E+005"},/* trailing blanks are consumed */
        {true, 5, 2, "123456 x", S22018, 0, 0, nullptr},
        {true, 5, 2, "12a", S22018, 0, 0, nullptr},
        {false, 5, 2, "12a", S22018, 0, 0, nullptr},
        {true, 5, 0, "1e999", S22003, 0, 0, nullptr},    /* never an infinite value */
        {true, 5, 0, "inf", S22018, 0, 0, nullptr},
        {false, 10, 2, "1e-40", 0, 0, 0, nullptr},       /* every digit below the precision */
        {true, 10, 2, "1e-40", 0, 1, 1, "1E-040"},
        {false, 5, 2, "1 2", 0, 1, 0, "1.00"},
        {false, 5, 2, "-12.5", 0, 1, 0, "-12.50"},
        {false, 5, 0, "0.5", 0, 1, 0, "0"},              /* every shown digit cut: zero */
        {true, 5, 0, "-0.5", 0, 1, 0, "0"},
        {true, 5, 2, "-0.001", 0, 1, 0, "0.00"},
        {false, 2, 0, "0E-3", 0, 1, 0, "0"},             /* zero with any exponent is zero */
        {true, 5, 2, "-0e-9", 0, 1, 0, "0.00"},
        {false, 3, 0, "123.45", 0, 1, 0, "123"},         /* the integer part fits */
        {true, 3, 0, "123.45", 0, 1, 0, "123"},
        {false, 3, 1, "12.345", 0, 1, 0, "12.3"},
        {false, 3, 0, "1234.5", S22003, 0, 0, nullptr},
        {true, 3, 0, "1234.5", 0, 1, 1, "1.23E+003"},
    };
    for (const auto &c : cases) {
        std::unique_ptr<CAsiExactNum> v;
        if (c.decimal) v.reset(new CAsiDecimal(c.p, c.s));
        else v.reset(new CAsiNumeric(c.p, c.s));
        int answer = -1;
        EXPECT_EQ(raised([&] { answer = v->setText(c.text, static_cast<int>(std::strlen(c.text))); }), c.state)
            << c.text;
        if (c.state) {
            EXPECT_EQ(v->isNull(), 1) << c.text;
            continue;
        }
        EXPECT_EQ(answer, c.answer) << c.text;
        if (c.decimal) {
            EXPECT_EQ(static_cast<CAsiDecimal &>(*v).isOverflow(), c.overflow) << c.text;
        }
        if (c.shown) {
            EXPECT_EQ(text_of(*v), c.shown) << c.text;
        }
    }
}

TEST(DecimalText, CutTextRaisesForDecimalOnly)
{
    auto d = make<CAsiDecimal>(10, 2, "12.5");
    auto n = make<CAsiNumeric>(10, 2, "12.5");
    char buf[4];
    EXPECT_EQ(raised([&] { d.getText(buf, sizeof buf); }), S22003);
    EXPECT_EQ(n.getText(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "12.");
    CAsiUcStr u;
    EXPECT_EQ(n.getUcStr(u), 1);
    EXPECT_TRUE(u == CAsiUcStr("12.50"));
    CAsiNumeric null(5, 1);
    EXPECT_EQ(null.literalText(u), 0);
    EXPECT_TRUE(u == CAsiUcStr("null"));
}

TEST(DecimalText, ZeroWithANegativeExponentReplacesTheValue)
{
    auto n = make<CAsiNumeric>(5, 2, "7");
    EXPECT_EQ(n.setText("0e-6", 4), 1);
    EXPECT_EQ(text_of(n), "0.00");
    EXPECT_EQ(n.doubleValue(), 0.0);
}

TEST(DecimalText, CutDigitsGiveTheSameZeroToEveryCaller)
{
    auto n = make<CAsiNumeric>(5, 0, "0.5");
    CAsiChar c(5);
    c.assign(n);
    EXPECT_EQ(text_of(c), "0    ") << "not five blanks";
    auto d = make<CAsiDecimal>(5, 2, "-0.001");
    CAsiUcStr u;
    EXPECT_EQ(d.literalText(u), 1);
    EXPECT_TRUE(u == CAsiUcStr("0.00"));

    /* a peer sends the overflow form holding -0.0 */
    auto ovf = make<CAsiDecimal>(3, 0, "12345");
    std::vector<unsigned char> bytes = packed(ovf);
    const double was = 12345.0, neg_zero = -0.0;
    auto at = std::search(bytes.begin(), bytes.end(), reinterpret_cast<const unsigned char *>(&was),
                          reinterpret_cast<const unsigned char *>(&was) + sizeof was);
    ASSERT_NE(at, bytes.end());
    std::memcpy(&*at, &neg_zero, sizeof neg_zero);
    CAsiDecimal back(3, 0);
    CAsiIStream in(bytes.data(), bytes.size());
    back.unpack(in);
    ASSERT_EQ(back.isOverflow(), 1);
    EXPECT_EQ(text_of(back), "0") << "an overflow-form zero carries no sign";
}

TEST(DecimalText, TypeTexts)
{
    EXPECT_EQ(type_of(CAsiDecimal(18, 0)), "DECIMAL");
    EXPECT_EQ(type_of(CAsiDecimal(18, 2)), "DECIMAL(18,2)");
    EXPECT_EQ(type_of(CAsiDecimal(10)), "DECIMAL(10)");
    EXPECT_EQ(type_of(CAsiNumeric(18, 4)), "NUMERIC(18,4)");
    EXPECT_EQ(type_of(CAsiNumeric(40, 40)), "NUMERIC(32,32)") << "precision and scale are clamped";
    EXPECT_EQ(CAsiNumeric(7, 2).displayLength(), 9u);
}

TEST(DecimalConvert, NumbersInAndOut)
{
    auto d = make<CAsiDecimal>(10, 2, "1.005");
    EXPECT_NEAR(d.doubleValue(), 1.005, 1e-15);
    std::int32_t l = 0;
    std::int16_t s = 0;
    CAsiNumeric n(12, 1);
    n.setDouble(2147483648.5);
    EXPECT_EQ(raised([&] { n.getLong(&l); }), S22003);
    EXPECT_EQ(raised([&] { n.longValue(); }), S22003);
    n.setDouble(-3.7);
    EXPECT_EQ(n.getLong(&l), 1);
    EXPECT_EQ(l, -3);
    n.setLong(32768);
    EXPECT_EQ(raised([&] { n.getShort(&s); }), S22003);
    CAsiNumeric small(5, 2);
    EXPECT_EQ(raised([&] { small.setDouble(1234567.0); }), S22003) << "NUMERIC never stores another number";
    EXPECT_EQ(small.isNull(), 1);
    CAsiDecimal dsmall(5, 2);
    dsmall.setDouble(1234567.0);
    EXPECT_EQ(dsmall.isOverflow(), 1);
    EXPECT_EQ(dsmall.doubleValue(), 1234567.0);
    EXPECT_EQ(raised([&] { dsmall.setDouble(NAN); }), S22003);
    dsmall.setDouble(0.125);
    EXPECT_EQ(text_of(dsmall), ".13") << "a double is rounded half up at the scale";
    CAsiNumeric nine(4, 2);
    EXPECT_EQ(raised([&] { nine.setDouble(99.996); }), S22003) << "rounding that carries out of every digit";
    double g = 0;
    EXPECT_EQ(CAsiNumeric().getDouble(&g), 0);
    unsigned char raw[8];
    EXPECT_EQ(make<CAsiNumeric>(5, 1, "2.5").getData(raw, 6, 8), 2);
}

TEST(DecimalAssign, ExactSourcesKeepDigitsWhenTheyFit)
{
    auto src = make<CAsiDecimal>(10, 4, "1.2345");
    CAsiDecimal dst(3, 2);
    std::vector<int> codes = recorded([&] { dst.assign(src); });
    ASSERT_EQ(codes.size(), 1u);
    EXPECT_EQ(codes[0], S22004);
    EXPECT_EQ(text_of(dst), "1.23");
    auto big = make<CAsiDecimal>(10, 1, "12345.6");
    dst.assign(big);
    EXPECT_EQ(dst.isOverflow(), 1);
    EXPECT_EQ(dst.doubleValue(), 12345.6);

    CAsiDecimal from_int(3, 0);
    CAsiInteger i;
    i.setLong(123456);
    from_int.assign(i);
    EXPECT_EQ(from_int.isOverflow(), 1);
    EXPECT_EQ(from_int.doubleValue(), 123456.0);

    CAsiNumeric n(5, 2);
    auto bigger = make<CAsiDecimal>(10, 1, "123456.7");
    EXPECT_EQ(raised([&] { n.assign(bigger); }), S22003);
    n.assign(big);
    EXPECT_EQ(text_of(n), "12345.") << "the precision limit cuts the fraction";
    CAsiIntervalDT days(ASI_IV_DAY, 2, 0);
    days.setText("-3", 2);
    n.assign(days);
    EXPECT_EQ(text_of(n), "-3.00");
    CAsiIntervalYM ym(ASI_IV_YEAR_TO_MONTH, 2);
    ym.setMonths(14);
    EXPECT_EQ(raised([&] { n.assign(ym); }), S37155);
    n.assign(CAsiNumeric());
    EXPECT_EQ(n.isNull(), 1);
}

TEST(DecimalAssign, ExactToNumericCopiesDigitsNotADouble)
{
    const char *wide = "1234567890123456789012345";
    auto src = make<CAsiNumeric>(32, 0, wide);
    CAsiNumeric dst(30, 0);
    dst.assign(src);
    EXPECT_EQ(text_of(dst), wide) << "digits lost through a double";
    CAsiDecimal ddst(25, 0);
    ddst.assign(src);
    EXPECT_EQ(text_of(ddst), wide);

    auto frac = make<CAsiNumeric>(10, 4, "1.2355");
    CAsiNumeric cut(5, 2);
    cut.assign(frac);
    EXPECT_EQ(text_of(cut), "1.23") << "a fraction is cut as text is, not rounded";
    auto neg = make<CAsiDecimal>(10, 4, "-0.0049");
    cut.assign(neg);
    EXPECT_EQ(text_of(cut), "0.00");

    auto big = make<CAsiNumeric>(10, 0, "123456");
    auto kept = make<CAsiNumeric>(5, 2, "7");
    EXPECT_EQ(raised([&] { kept.assign(big); }), S22003);
    EXPECT_EQ(text_of(kept), "7.00") << "a failed assignment keeps the value";

    CAsiDecimal over(3, 0);
    over.setDouble(4.5e6);
    ASSERT_EQ(over.isOverflow(), 1);
    CAsiNumeric from_over(10, 1);
    from_over.assign(over);
    EXPECT_EQ(text_of(from_over), "4500000.0") << "an overflow form passes its double";
}

TEST(DecimalAssign, ExactToExactAtEveryPrecisionAndScaleCutsLikeText)
{
    const std::string ints = "1234567890123456", frac = "7890123456789012";
    for (const char *sign : {"", "-"}) {
        std::string text = sign + ints + "." + frac;
        auto n32 = make<CAsiNumeric>(32, 16, text.c_str());
        auto d32 = make<CAsiDecimal>(32, 16, text.c_str());
        for (unsigned q = 1; q <= ASI_DEC_MAX_DIGITS; ++q)
            for (unsigned r = 0; r <= q; ++r) {
                CAsiNumeric n(q, r);
                CAsiDecimal d(q, r);
                if (q < ints.size()) {
                    EXPECT_EQ(raised([&] { n.assign(d32); }), S22003) << q;
                    d.assign(n32);
                    EXPECT_EQ(d.isOverflow(), 1) << q;
                    continue;
                }
                size_t kept = q - ints.size();   /* fractional digits that fit */
                std::string want = sign + ints;
                if (r > 0) want += "." + frac.substr(0, r < kept ? r : kept);
                n.assign(d32);
                d.assign(n32);
                EXPECT_EQ(text_of(n), want) << "NUMERIC(" << q << "," << r << ")";
                EXPECT_EQ(text_of(d), want) << "DECIMAL(" << q << "," << r << ")";
            }
    }
}

TEST(DecimalCompare, ExactComparisonAndLongKeys)
{
    auto a = make<CAsiDecimal>(5, 0, "-1");
    auto b = make<CAsiDecimal>(5, 0, "1");
    EXPECT_EQ(a.isGreater(b), 0);
    EXPECT_EQ(a.isEqual(b), 0);
    EXPECT_EQ(b.isGreater(a), 1);
    auto k1 = make<CAsiNumeric>(18, 0, "123456789012345678");
    auto k2 = make<CAsiNumeric>(18, 0, "123456789012345679");
    EXPECT_EQ(k1 == k2, 0) << "distinct 18-digit keys are distinct";
    EXPECT_EQ(k1 != k2, 1);
    EXPECT_EQ(k1 < k2, 1);
    EXPECT_EQ(k1.isEqual(k2), 0);
    auto k3 = make<CAsiDecimal>(20, 0, "123456789012345678");
    EXPECT_EQ(k1 == k3, 1);
    EXPECT_EQ(k1.isEqual(k3), 1);
    auto f1 = make<CAsiNumeric>(20, 10, "123456789.0000000001");
    EXPECT_EQ(f1 == 123456789, 0) << "exact also against an integer beyond what doubles hold";
    EXPECT_EQ(f1 > 123456789, 1);
    CAsiNumeric null(5, 0);
    EXPECT_EQ(null.isEqual(b), -1);
}

TEST(DecimalTypes, ResultClassesPrecisionsAndScales)
{
    CAsiDecimal d(10, 2);
    CAsiNumeric n(6, 4);
    CAsiInteger i;
    std::unique_ptr<CAsiData> t(n.addType(&d));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DECIMAL);
    EXPECT_EQ(t->precision(), 10u);
    EXPECT_EQ(t->scale(), 4u);
    t.reset(n.subtractType(&i));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_NUMERIC);
    EXPECT_EQ(t->precision(), 10u);
    t.reset(n.multiplyType(&d));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DECIMAL);
    EXPECT_EQ(t->scale(), 6u);
    EXPECT_EQ(t->precision(), 10u);
    t.reset(n.unionType(&i));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_NUMERIC);
    EXPECT_EQ(t->precision(), 6u);
    t.reset(n.unionType(&d));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DECIMAL);
    CAsiDouble dbl;
    t.reset(d.addType(&dbl));
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DOUBLE);
    CAsiIntervalDT hm(ASI_IV_HOUR_TO_MINUTE, 2, 0);
    t.reset(d.divideType(&hm));
    EXPECT_EQ(t->intervalCode(), ASI_IV_DAY_TO_SECOND);
    EXPECT_EQ(d.addType(&hm), nullptr);
}

TEST(DecimalStream, BytesAndReadBack)
{
    const std::vector<unsigned char> null18 = {0xFF, 0xFF, 7, 0, 2, 0, 0, 0};
    EXPECT_EQ(packed(CAsiNumeric(18, 0)), null18);
    auto d = make<CAsiDecimal>(10, 2, "1.5");
    const std::vector<unsigned char> d15 = {
        1, 0, 7, 0, 10, 0, 0, 0,                                  /* precision 10 */
        2, 0, 7, 0, 2, 0, 0, 0,                                   /* scale 2 */
        0, 0, 13, 0, 12, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 5,   /* 1.5: scale 1, digits */
        0xFF, 0xFF, 7, 0, 3, 0, 0, 0};
    EXPECT_EQ(packed(d), d15);

    CAsiDecimal back;
    CAsiIStream in(d15.data(), d15.size());
    back.unpack(in);
    EXPECT_EQ(back.precision(), 10u);
    EXPECT_EQ(back.scale(), 2u);
    EXPECT_EQ(text_of(back), "1.50");

    auto ovf = make<CAsiDecimal>(3, 0, "12345");
    std::vector<unsigned char> o = packed(ovf);
    ASSERT_EQ(o.size(), 8u + 12u + 8u);
    EXPECT_EQ(o[10], 9) << "the overflow form travels as a double";
    CAsiDecimal oback(3, 0);
    CAsiIStream oin(o.data(), o.size());
    oback.unpack(oin);
    EXPECT_EQ(oback.isOverflow(), 1);
    EXPECT_EQ(oback.doubleValue(), 12345.0);

    std::vector<unsigned char> bad = d15;
    bad[31] = 12;                                             /* a digit of 12 */
    CAsiDecimal damaged;
    CAsiIStream bin(bad.data(), bad.size());
    EXPECT_EQ(raised([&] { damaged.unpack(bin); }), ASI_ERR_STREAM);
    bad = d15;
    bad[23] = 5;                                              /* sign digit 5 */
    CAsiIStream sin(bad.data(), bad.size());
    EXPECT_EQ(raised([&] { damaged.unpack(sin); }), ASI_ERR_STREAM);
    bad = d15;
    bad[4] = 99;                                              /* precision 99: clamped, then too short */
    CAsiIStream pin(bad.data(), bad.size());
    EXPECT_EQ(raised([&] { damaged.unpack(pin); }), ASI_ERR_STREAM);
    EXPECT_EQ(damaged.precision(), 32u);

    bad = d15;
    bad[12] = 40;                                             /* scale 40: clamped to the precision */
    CAsiDecimal clamped;
    CAsiIStream cin(bad.data(), bad.size());
    clamped.unpack(cin);
    EXPECT_EQ(clamped.scale(), 10u);
    EXPECT_EQ(text_of(clamped), "1.500000000") << "never more than p digits";

    double inf = HUGE_VAL;
    std::vector<unsigned char> dbl = {3, 0, 9, 0};
    dbl.insert(dbl.end(), reinterpret_cast<unsigned char *>(&inf), reinterpret_cast<unsigned char *>(&inf) + 8);
    dbl.insert(dbl.end(), {0xFF, 0xFF, 7, 0, 3, 0, 0, 0});
    CAsiIStream din(dbl.data(), dbl.size());
    EXPECT_EQ(raised([&] { damaged.unpack(din); }), S22003) << "infinity is never stored";
}

TEST(DecimalOps, OverflowIsRaisedOrTakesTheOverflowForm)
{
    auto n = make<CAsiNumeric>(3, 0, "999");
    EXPECT_EQ(raised([&] { n += 1; }), S22003);
    EXPECT_EQ(text_of(n), "999");
    auto neg = make<CAsiNumeric>(3, 0, "-999");
    EXPECT_EQ(raised([&] { neg -= 1; }), S22003);
    auto d = make<CAsiDecimal>(3, 0, "999");
    d += 1;
    EXPECT_EQ(d.isOverflow(), 1);
    EXPECT_EQ(d.doubleValue(), 1000.0);
    d -= 1;
    EXPECT_EQ(d.isOverflow(), 0) << "back within the digits";
    EXPECT_EQ(text_of(d), "999");

    auto m = make<CAsiNumeric>(4, 2, "0.5");
    auto big = make<CAsiNumeric>(4, 0, "99");
    m *= big;
    EXPECT_EQ(text_of(m), "49.50");
    EXPECT_EQ(raised([&] { m *= big; }), S22003);
    EXPECT_EQ(text_of(m), "49.50");
    auto q = make<CAsiNumeric>(5, 4, "1");
    q /= 3;
    EXPECT_EQ(text_of(q), ".3333");
    EXPECT_EQ(raised([&] { q /= 0; }), S22012);
    EXPECT_EQ(raised([&] { q /= 0.0; }), S22012);
    auto w = make<CAsiNumeric>(3, 0, "999");
    EXPECT_EQ(raised([&] { w /= 0.01; }), S22003) << "a quotient needing a negative scale";
    auto p = make<CAsiNumeric>(5, 2, "12345");
    EXPECT_EQ(raised([&] { p += 0.5; }), S22003) << "alignment would push out a digit";

    CAsiNumeric null(5, 2);
    null += 1;
    EXPECT_EQ(null.isNull(), 1);
    auto v = make<CAsiNumeric>(5, 2, "1");
    v += CAsiInteger();
    EXPECT_EQ(v.isNull(), 1);
    v = 7;
    EXPECT_EQ(text_of(v), "7.00");
    v = make<CAsiNumeric>(8, 3, "2.125");
    EXPECT_EQ(text_of(v), "2.12") << "same class: the digits at this precision";
}

TEST(DecimalOps, StepsNegationAndDoubleResults)
{
    auto n = make<CAsiNumeric>(3, 1, "99.5");
    EXPECT_EQ(raised([&] { ++n; }), S22003);
    --n;
    EXPECT_EQ(text_of(n), "98.5");
    -n;
    EXPECT_EQ(text_of(n), "-98.5");
    auto d = make<CAsiDecimal>(2, 0, "99");
    ++d;
    EXPECT_EQ(d.isOverflow(), 1);
    -d;
    EXPECT_EQ(d.doubleValue(), -100.0);

    CAsiDouble r = make<CAsiNumeric>(5, 2, "7") / 2;
    EXPECT_DOUBLE_EQ(r.doubleValue(), 3.5);
    r = 1.5 + make<CAsiDecimal>(5, 2, "1.25");
    EXPECT_DOUBLE_EQ(r.doubleValue(), 2.75);
    r = make<CAsiNumeric>(5, 2, "1") * CAsiInteger();
    EXPECT_EQ(r.isNull(), 1);
    EXPECT_EQ(raised([&] { r = 1 / CAsiNumeric(make<CAsiNumeric>(5, 2, "0")); }), S22012);
}

TEST(DecimalOps, IntegerValuesOnTheLeftGiveDoublePrecision)
{
    CAsiInteger i;
    i.setLong(7);
    CAsiSmallint s;
    s.setShort(3);
    CAsiDouble r = i / make<CAsiNumeric>(5, 1, "2");
    EXPECT_DOUBLE_EQ(r.doubleValue(), 3.5);
    r = s - make<CAsiDecimal>(5, 2, "0.5");
    EXPECT_DOUBLE_EQ(r.doubleValue(), 2.5);
    r = CAsiSmallint() * make<CAsiDecimal>(5, 2, "2");
    EXPECT_EQ(r.isNull(), 1) << "a null SMALLINT makes the result null";
    EXPECT_EQ(raised([&] { r = i / make<CAsiDecimal>(5, 2, "0"); }), S22012);
}

} // namespace
