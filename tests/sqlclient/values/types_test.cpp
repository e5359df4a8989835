/*
** types_test.cpp: DOUBLE PRECISION, the intervals, the datetimes, BIT and
** POINT: each parses and formats its text, compares within its class,
** raises the right conditions, and travels through the value stream (a
** damaged record refused).
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_bit.h"
#include "sqlclient/values/asi_datetime.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_interval.h"
#include "sqlclient/values/asi_point.h"

namespace {

using Bytes = std::vector<unsigned char>;

/* The condition code f raises (0 when none). */
template <class F>
int raised(F f)
{
    int code = 0;
    CAsiDiagArea d;
    asi_try_call(&d, 0, [&] { f(); return 1; }, &code);
    return code;
}

/* The warnings f records. */
template <class F>
std::vector<int> warnings(F f)
{
    CAsiDiagArea d;
    asi_try_call(&d, 0, [&] { f(); return 1; });
    std::vector<int> w;
    for (int i = 0; i < d.count(); i++)
        w.push_back(d.condCode(i));
    return w;
}

/* Packs a value and unpacks it into another. */
template <class T>
Bytes round_trip(const T &from, T &to)
{
    unsigned char buf[1024];
    CAsiOStream out(buf, sizeof buf);
    int n = from.pack(out);
    EXPECT_EQ(n, from.packedSize());
    CAsiIStream in(buf, (std::size_t)n);
    EXPECT_EQ(to.unpack(in), 1);
    return Bytes(buf, buf + n);
}

/* getText of a value. */
std::string text_of(const CAsiData &v)
{
    char buf[128];
    v.getText(buf, sizeof buf);
    return buf;
}

TEST(DoublePrecision, TextForms)
{
    const struct {
        double x;
        const char *text;
    } cases[] = {
        {0.0, "0"},
        {0.1, "0.1"},
        {1e16, "1.E+016"},
        {9999999999999998.0, "9999999999999998"},
        {123456789012345.6, "123456789012345.6"},
        {1e-20, "1.E-020"},
        {-1.234567890123456e-5, "-1.234567890123456E-005"},
        {592809.9703, "592809.9703"},
        {-2.25, "-2.25"},
    };
    for (const auto &c : cases) {
        CAsiDouble d;
        d = c.x;
        EXPECT_EQ(text_of(d), c.text) << c.x;
    }
    CAsiDouble d;
    d = 1234.5;
    char small[4];
    EXPECT_EQ(d.getText(small, sizeof small), 1);
    EXPECT_STREQ(small, "123");
    CAsiDouble n;
    CAsiUcStr lit;
    EXPECT_EQ(n.literalText(lit), 0);
    EXPECT_EQ(lit, CAsiUcStr("null"));
    n.typeText(lit);
    EXPECT_EQ(lit, CAsiUcStr("DOUBLE PRECISION"));
}

TEST(DoublePrecision, ParsingAndRanges)
{
    CAsiDouble d;
    EXPECT_EQ(raised([&] { d.setText("  1.5e3  ", 9); }), 0);
    EXPECT_EQ(d.doubleValue(), 1500.0);
    EXPECT_EQ(raised([&] { d.setText("1.5x", 4); }), 0x2212);
    EXPECT_EQ(d.doubleValue(), 1500.0);   /* unchanged */
    EXPECT_EQ(raised([&] { d.setText("", 0); }), 0x2212);
    EXPECT_EQ(raised([&] { d.setText("1.5\t", 4); }), 0x2212);
    EXPECT_EQ(raised([&] { d.setUcStr(CAsiUcStr("1.5\t")); }), 0);
    EXPECT_EQ(d.doubleValue(), 1.5);
    d.setText("   ", 3);
    EXPECT_EQ(d.doubleValue(), 0.0);
    std::int32_t l;
    std::int16_t s;
    d = 2147483647.0;
    EXPECT_EQ(d.getLong(&l), 1);
    EXPECT_EQ(l, 2147483647);
    d = -2147483648.0;
    EXPECT_EQ(raised([&] { d.getLong(&l); }), 0x2203);
    d = -1.9;
    d.getShort(&s);
    EXPECT_EQ(s, -1);
    d = 32767.5;
    EXPECT_EQ(raised([&] { d.getShort(&s); }), 0x2203);
    CAsiIntervalDT days(ASI_IV_DAY, 2, 0);
    days.setText("-3", 2);
    EXPECT_EQ(d.assign(days), 1);
    EXPECT_EQ(d.doubleValue(), -3.0);
    CAsiIntervalDT dh(ASI_IV_DAY_TO_HOUR, 2, 0);
    dh.setText("1 02", 4);
    EXPECT_EQ(raised([&] { d.assign(dh); }), 0x379B);
    CAsiDate nullDate;
    d.assign(nullDate);
    EXPECT_EQ(d.isNull(), 1);
}

TEST(DoublePrecision, StreamFormAndResultTypes)
{
    CAsiDouble a, b;
    EXPECT_EQ(round_trip(a, b), (Bytes{0xFF, 0xFF, 7, 0, 8, 0, 0, 0}));
    EXPECT_TRUE(b.isNull());
    a = 1.0;
    EXPECT_EQ(round_trip(a, b), (Bytes{0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xFF, 0xFF, 7, 0, 8, 0, 0, 0}));
    EXPECT_EQ(b.doubleValue(), 1.0);
    CAsiData *t = a.addType(&b);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->typeCode(), ASI_TYPE_DOUBLE);
    EXPECT_TRUE(t->isNull());
    delete t;
    CAsiPoint p;
    EXPECT_EQ(a.addType(&p), nullptr);
    EXPECT_EQ(a.isEqual(b), 1);
    EXPECT_EQ(a.isGreater(p), -1);
    const Bytes bad = {0, 0, 3, 0, 1, 0, 0xFF, 0xFF, 7, 0, 8, 0, 0, 0};   /* 2-byte value */
    CAsiIStream in(bad.data(), bad.size());
    EXPECT_THROW(b.unpack(in), CAsiException);
}

TEST(Intervals, FieldsTextAndGetters)
{
    CAsiIntervalYM ym(ASI_IV_YEAR_TO_MONTH, 2);
    ym.setText("-1-06", 5);
    EXPECT_EQ(text_of(ym), "-1-06");
    EXPECT_EQ(ym.sign(), 1);
    std::uint32_t u;
    EXPECT_EQ(ym.getYears(&u), 1);
    EXPECT_EQ(u, 1u);
    EXPECT_EQ(ym.getMonths(&u), 1);
    EXPECT_EQ(u, 6u);
    CAsiIntervalYM months(ASI_IV_MONTH, 3);
    months.setText("30", 2);
    EXPECT_EQ(months.getMonths(&u), 1);
    EXPECT_EQ(u, 30u);
    EXPECT_EQ(months.getYears(&u), 0);
    CAsiUcStr lit;
    ym.literalText(lit);
    EXPECT_EQ(lit, CAsiUcStr("INTERVAL '-1-06' YEAR TO MONTH"));

    CAsiIntervalDT ds(ASI_IV_DAY_TO_SECOND, 2, 6);
    ds.setText("3 04:05:06.5", 12);
    EXPECT_EQ(text_of(ds), "3 04:05:06.500000");
    double sec;
    EXPECT_EQ(ds.getDays(&u), 1);
    EXPECT_EQ(u, 3u);
    EXPECT_EQ(ds.getHours(&u), 1);
    EXPECT_EQ(u, 4u);
    EXPECT_EQ(ds.getMinutes(&u), 1);
    EXPECT_EQ(u, 5u);
    EXPECT_EQ(ds.getSeconds(&sec), 1);
    EXPECT_DOUBLE_EQ(sec, 6.5);
    CAsiIntervalDT hours(ASI_IV_HOUR, 2, 0);
    hours.setText("30", 2);
    EXPECT_EQ(hours.getHours(&u), 1);
    EXPECT_EQ(u, 30u);
    EXPECT_EQ(hours.getDays(&u), 0);
    CAsiIntervalDT nul(ASI_IV_HOUR, 2, 0);
    EXPECT_EQ(nul.getHours(&u), 0);
    hours.typeText(lit);
    EXPECT_EQ(lit, CAsiUcStr("INTERVAL HOUR"));
    CAsiIntervalDT ds2(ASI_IV_DAY_TO_SECOND, 3, 2);
    ds2.typeText(lit);
    EXPECT_EQ(lit, CAsiUcStr("INTERVAL DAY(3) TO SECOND(2)"));
}

TEST(Intervals, BadTextAndOverflow)
{
    CAsiIntervalDT hm(ASI_IV_HOUR_TO_MINUTE, 2, 0);
    EXPECT_EQ(raised([&] { hm.setText("10:60", 5); }), 0x220F);
    EXPECT_EQ(raised([&] { hm.setText("100:00", 6); }), 0x220F);
    EXPECT_EQ(raised([&] { hm.setText("10-30", 5); }), 0x2206);
    EXPECT_EQ(raised([&] { hm.setText("", 0); }), 0x2206);
    EXPECT_TRUE(hm.isNull());
    EXPECT_THROW(CAsiIntervalYM(ASI_IV_DAY, 2), CAsiException);
    EXPECT_THROW(CAsiIntervalDT(ASI_IV_YEAR_TO_MONTH, 2, 0), CAsiException);
    EXPECT_THROW(CAsiIntervalDT(99, 2, 0), CAsiException);
}

TEST(Intervals, ComparisonAndStream)
{
    CAsiIntervalDT a(ASI_IV_DAY_TO_HOUR, 2, 0), b(ASI_IV_DAY_TO_HOUR, 2, 0), c(ASI_IV_HOUR, 4, 0);
    a.setText("1 02", 4);
    b.setText("-1 02", 5);
    c.setText("26", 2);
    EXPECT_EQ(a.isGreater(b), 1);
    EXPECT_EQ(b.isGreater(a), 0);
    EXPECT_TRUE(b < a);
    EXPECT_EQ(a.isEqual(c), 1);   /* 1 day 2 hours is 26 hours */
    CAsiIntervalYM y(ASI_IV_YEAR, 2);
    EXPECT_EQ(a.isEqual(y), -1);
    CAsiIntervalDT back;
    round_trip(b, back);
    EXPECT_EQ(back.intervalCode(), ASI_IV_DAY_TO_HOUR);
    EXPECT_EQ(back.isEqual(b), 1);
    EXPECT_EQ(back.sign(), 1);
    CAsiIntervalYM ym(ASI_IV_YEAR_TO_MONTH, 4), ymBack;
    ym.setText("1234-11", 7);
    round_trip(ym, ymBack);
    EXPECT_EQ(text_of(ymBack), "1234-11");
    EXPECT_EQ(ymBack.leadingPrecision(), 4u);
    /* A year-month record read as day-time, and a value beyond its precision. */
    unsigned char buf[256];
    CAsiOStream out(buf, sizeof buf);
    ym.pack(out);
    CAsiIStream in(buf, (std::size_t)out.length());
    CAsiIntervalDT wrong;
    EXPECT_THROW(wrong.unpack(in), CAsiException);
    const Bytes tooBig = {1, 0, 7, 0, 2, 0, 0, 0, 2, 0, 7, 0, 1, 0, 0, 0, 0, 0, 7, 0, 200, 0, 0, 0,
                          0xFF, 0xFF, 7, 0, 10, 0, 0, 0};
    CAsiIStream in2(tooBig.data(), tooBig.size());
    CAsiIntervalYM m;
    EXPECT_THROW(m.unpack(in2), CAsiException);
}

/* Every leading precision holds its largest year and year-month value
** whole, through text, getters and the stream; one more year overflows. */
TEST(Intervals, YearMonthHoldTheirLargestValuesAndOverflowBeyond)
{
    for (int p = 1; p <= 9; p++) {
        const std::string nines(p, '9'), ten = "1" + std::string(p, '0');
        CAsiIntervalYM y(ASI_IV_YEAR, p), yBack;
        ASSERT_EQ(y.setText(nines.c_str(), p), 1) << p;
        round_trip(y, yBack);
        EXPECT_EQ(text_of(yBack), nines) << p;
        std::uint32_t u = 0;
        EXPECT_EQ(yBack.getYears(&u), 1);
        EXPECT_EQ(u, std::stoul(nines)) << p;
        EXPECT_EQ(raised([&] { y.setText(ten.c_str(), p + 1); }), 0x220F) << p;
        EXPECT_EQ(raised([&] { y.setMonths(-12 * std::stoll(ten)); }), 0x220F) << p;
        EXPECT_EQ(text_of(y), nines) << "an overflow keeps the old value";

        const std::string ym = "-" + nines + "-11", over = ten + "-00";
        CAsiIntervalYM m(ASI_IV_YEAR_TO_MONTH, p), mBack;
        ASSERT_EQ(m.setText(ym.c_str(), (int)ym.size()), 1) << p;
        round_trip(m, mBack);
        EXPECT_EQ(text_of(mBack), ym) << p;
        EXPECT_EQ(mBack.totalMonths(), -(std::stoll(nines) * 12 + 11)) << p;
        EXPECT_EQ(mBack.getMonths(&u), 1);
        EXPECT_EQ(u, 11u);
        EXPECT_EQ(raised([&] { m.setText(over.c_str(), (int)over.size()); }), 0x220F) << p;
    }
    CAsiDouble n;
    n = 999999999.0;
    CAsiIntervalYM y9(ASI_IV_YEAR, 9);
    EXPECT_EQ(y9.assign(n), 1);
    EXPECT_EQ(text_of(y9), "999999999");
    n = 1e9;
    EXPECT_EQ(raised([&] { y9.assign(n); }), 0x220F);
}

TEST(Datetimes, TextValidationAndComparison)
{
    CAsiDate d;
    d.setText("1997-03-01", 10);
    EXPECT_EQ(text_of(d), "1997-03-01");
    const struct {
        const char *text;
        int code;
    } dates[] = {
        {"2000-02-29", 0}, {"1900-02-29", 0x2208}, {"1997-13-01", 0x2208}, {"1997-04-31", 0x2208},
        {"1997/03/01", 0x2207}, {"1997-03-01x", 0x2207}, {"", 0x2207}, {" 1997-3-1 ", 0},
    };
    for (const auto &c : dates) {
        CAsiDate v;
        EXPECT_EQ(raised([&] { v.setText(c.text, (int)std::strlen(c.text)); }), c.code) << c.text;
    }
    CAsiTime t(2);
    t.setText("12:30:05.257", 12);
    EXPECT_EQ(text_of(t), "12:30:05.25");
    EXPECT_EQ(raised([&] { t.setText("24:00:00", 8); }), 0x2208);
    CAsiTimeStamp ts;
    ts.setText("1997-03-01 23:59:59.5", 21);
    EXPECT_EQ(text_of(ts), "1997-03-01 23:59:59.500000");
    CAsiUcStr lit;
    d.literalText(lit);
    EXPECT_EQ(lit, CAsiUcStr("DATE '1997-03-01'"));
    t.typeText(lit);
    EXPECT_EQ(lit, CAsiUcStr("TIME(2)"));
    ts.typeText(lit);
    EXPECT_EQ(lit, CAsiUcStr("TIMESTAMP"));
    CAsiDate later;
    later.setText("1997-03-02", 10);
    EXPECT_TRUE(d < later);
    EXPECT_FALSE(later < d);
    EXPECT_EQ(d.isEqual(ts), -1);
    CAsiDate fromStamp;
    fromStamp.assign(ts);
    EXPECT_TRUE(fromStamp == d);
    EXPECT_EQ(raised([&] { d.assign(t); }), 0x379B);
}

TEST(Datetimes, StreamRoundTripAndDamage)
{
    CAsiTimeStamp ts(3), back(3);
    ts.setText("2026-12-07 08:15:30.125", 23);
    round_trip(ts, back);
    EXPECT_TRUE(back == ts);
    EXPECT_EQ(back.timestampPrecision(), 3u);
    CAsiDate nul, nulBack;
    round_trip(nul, nulBack);
    EXPECT_TRUE(nulBack.isNull());
    const Bytes badMonth = {1, 0, 7, 0, 1, 0, 0, 0, 0, 0, 13, 0, 12, 0, 0xCD, 0x07, 13, 1, 0, 0, 0, 0,
                            0, 0, 0, 0, 0xFF, 0xFF, 7, 0, 9, 0, 0, 0};
    CAsiIStream in(badMonth.data(), badMonth.size());
    CAsiDate d;
    EXPECT_THROW(d.unpack(in), CAsiException);
    EXPECT_TRUE(d.isNull());
}

TEST(Bits, SettingPaddingAndCutting)
{
    CAsiBit b(12);
    EXPECT_TRUE(warnings([&] { b.setFromString(CAsiUcStr("A3F")); }).empty());
    CAsiUcStr hex;
    b.getHexText(hex);
    EXPECT_EQ(hex, CAsiUcStr("A3F"));
    unsigned char out[4] = {0};
    int bits = 0;
    EXPECT_EQ(b.getBytes(out, 100, &bits), 1);
    EXPECT_EQ(bits, 12);
    EXPECT_EQ(out[0], 0xA3);
    EXPECT_EQ(out[1], 0xF0);
    EXPECT_EQ(warnings([&] { b.setFromString(CAsiUcStr("A")); }), (std::vector<int>{0x0108}));
    b.getHexText(hex);
    EXPECT_EQ(hex, CAsiUcStr("A00"));
    EXPECT_EQ(warnings([&] { b.setFromString(CAsiUcStr("ABCD")); }), (std::vector<int>{0x2201}));
    EXPECT_EQ(raised([&] { b.setFromString(CAsiUcStr("AG")); }), 0x2212);
    CAsiBit v(20);
    v.setVarying();
    const unsigned char raw[2] = {0xFF, 0xFF};
    v.setBits(raw, 9);
    EXPECT_EQ(v.bitCount(), 9);
    CAsiUcStr lit;
    v.literalText(lit);
    EXPECT_EQ(lit, CAsiUcStr("B'111111111'"));
    v.typeText(lit);
    EXPECT_EQ(lit, CAsiUcStr("BIT VARYING(20)"));
    CAsiBit n;
    EXPECT_EQ(n.getHexText(hex), 0);
    EXPECT_TRUE(hex.isEmpty());
    CAsiBit x(8);
    x.setText("X'5A'", 5);
    EXPECT_EQ(text_of(x), "5A");
}

TEST(Bits, ComparisonAndStream)
{
    CAsiBit a(8), b(8);
    a.setText("X'80'", 5);
    b.setText("X'7F'", 5);
    EXPECT_EQ(a.isGreater(b), 1);
    EXPECT_EQ(a.isEqual(b), 0);
    CAsiBit back;
    round_trip(a, back);
    EXPECT_EQ(back.isEqual(a), 1);
    EXPECT_EQ(back.length(), 8u);
    const Bytes mismatch = {0, 0, 13, 0, 1, 0, 0xFF, 1, 0, 7, 0, 40, 0, 0, 0, 2, 0, 7, 0, 64, 0, 0, 0,
                            0xFF, 0xFF, 7, 0, 14, 0, 0, 0};
    CAsiIStream in(mismatch.data(), mismatch.size());
    EXPECT_THROW(back.unpack(in), CAsiException);
}

/* A binary literal of any length is read whole into BIT(16), BIT
** VARYING(16) and BIT(4096): what does not fit is cut with one 22001, a
** fixed value given fewer bits is padded (01008); a long hexadecimal text
** is cut once too. */
TEST(Bits, LiteralsOfAnyLengthAreReadAndCutOnce)
{
    auto pattern = [](int i) { return i % 3 == 0 || i % 7 == 2; };
    const struct {
        int declared, varying;
    } targets[] = {{16, 0}, {16, 1}, {4096, 0}};
    for (int n : {1, 1024, 1025, 4096}) {
        std::string lit = "B'";
        for (int i = 0; i < n; i++)
            lit += pattern(i) ? '1' : '0';
        lit += "'";
        for (const auto &t : targets) {
            CAsiBit b(t.declared);
            if (t.varying)
                b.setVarying();
            std::vector<int> expect;
            if (n > t.declared)
                expect.push_back(0x2201);
            else if (n < t.declared && !t.varying)
                expect.push_back(0x0108);
            const int kept = n < t.declared ? n : t.declared;
            const bool viaUcs = (n + t.declared) % 2 == 0;   /* both setters */
            EXPECT_EQ(warnings([&] {
                          if (viaUcs)
                              b.setUcStr(CAsiUcStr(lit.c_str()));
                          else
                              b.setText(lit.c_str(), (int)lit.size());
                      }),
                      expect)
                << n << " bits into " << t.declared;
            ASSERT_EQ(b.bitCount(), t.varying ? kept : t.declared) << n;
            std::vector<unsigned char> out(ASI_BIT_MAX_BYTES);
            int bits = 0;
            ASSERT_EQ(b.getBytes(out.data(), ASI_BIT_MAX_BITS, &bits), 1);
            for (int i = 0; i < bits; i++)
                ASSERT_EQ((out[i / 8] >> (7 - i % 8)) & 1, i < kept && pattern(i) ? 1 : 0)
                    << "bit " << i << " of " << n << " into " << t.declared;
        }
    }
    const std::string hex(4100, 'F');
    for (int declared : {16, 4096}) {
        CAsiBit b(declared);
        EXPECT_EQ(warnings([&] { b.setText(hex.c_str(), (int)hex.size()); }), (std::vector<int>{0x2201}));
        EXPECT_EQ(b.bitCount(), declared);
    }
    CAsiBit b(16);
    EXPECT_EQ(raised([&] { b.setText(("B'" + std::string(2000, '1') + "2'").c_str(), 2004); }), 0x2212);
}

TEST(Points, TextFunctionsAndStream)
{
    CAsiPoint p, q;
    p.setText("(3,4)", 5);
    q.setText("0 0", 3);
    EXPECT_EQ(text_of(p), "(3,4)");
    EXPECT_EQ(raised([&] { p.setText("(3;4)", 5); }), 0x2212);
    CAsiExtFunc *dist = p.createFunction(CAsiUcStr("distance"));
    CAsiExtFunc *coord = p.createFunction(CAsiUcStr("COORDINATE"));
    CAsiExtFunc *near = p.createFunction(CAsiUcStr("IsNear"));
    ASSERT_TRUE(dist && coord && near);
    EXPECT_EQ(p.createFunction(CAsiUcStr("AREA")), nullptr);
    CAsiUcStr name;
    near->name(name);
    EXPECT_EQ(name, CAsiUcStr("ISNEAR"));
    EXPECT_EQ(near->isPredicate(), 1);
    EXPECT_EQ(coord->argumentCount(), 2);
    EXPECT_EQ(near->argumentType(3), nullptr);
    CAsiFuncArgs two(2), three(3);
    two.set(0, &p);
    two.set(1, &q);
    CAsiDouble r;
    EXPECT_EQ(dist->evaluate(two, r), 1);
    EXPECT_EQ(r.doubleValue(), 5.0);
    CAsiDouble n2;
    n2 = 2.0;
    two.set(1, &n2);
    coord->evaluate(two, r);
    EXPECT_EQ(r.doubleValue(), 4.0);
    CAsiDouble limit;
    three.set(0, &p);
    three.set(1, &q);
    EXPECT_EQ(near->evaluatePredicate(three), -1);   /* the limit is missing */
    three.set(2, &limit);
    EXPECT_EQ(near->evaluatePredicate(three), -1);   /* the limit is null */
    limit = 5.0;
    EXPECT_EQ(near->evaluatePredicate(three), 1);
    limit = 4.9;
    EXPECT_EQ(near->evaluatePredicate(three), 0);
    delete dist;
    delete coord;
    delete near;
    CAsiPoint back;
    round_trip(p, back);
    EXPECT_EQ(back.isEqual(p), 1);
    const Bytes halfPoint = {0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0xFF, 0xFF, 7, 0, 16, 0, 0, 0};
    CAsiIStream in(halfPoint.data(), halfPoint.size());
    EXPECT_THROW(back.unpack(in), CAsiException);
}

} // namespace

namespace {

TEST(Intervals, NumbersAndOtherIntervalsFitTheQualifier)
{
    CAsiDouble n;
    n = -2.5;
    CAsiIntervalDT hours(ASI_IV_HOUR, 3, 0), seconds(ASI_IV_SECOND, 2, 2);
    EXPECT_EQ(hours.assign(n), 1);
    EXPECT_EQ(text_of(hours), "-2");   /* the fraction of an hour is dropped */
    n = 12.345;
    seconds.assign(n);
    EXPECT_EQ(text_of(seconds), "12.34");   /* cut to two fraction digits */
    CAsiIntervalDT ds(ASI_IV_DAY_TO_SECOND, 2, 6);
    ds.setText("1 00:00:01", 10);
    CAsiIntervalDT mins(ASI_IV_MINUTE, 4, 0);
    mins.assign(ds);
    EXPECT_EQ(text_of(mins), "1440");
    CAsiIntervalDT small(ASI_IV_DAY, 1, 0);
    small.setText("9", 1);
    EXPECT_EQ(raised([&] { small.assign(ds); small.setText("10", 2); }), 0x220F);
    EXPECT_EQ(text_of(small), "1");
    CAsiIntervalYM ym(ASI_IV_YEAR_TO_MONTH, 2), years(ASI_IV_YEAR, 2);
    ym.setText("3-11", 4);
    years.assign(ym);
    EXPECT_EQ(text_of(years), "3");
    EXPECT_EQ(raised([&] { ym.assign(n); }), 0x379B);   /* two fields: no number */
    EXPECT_FALSE(ym.isCastable(&n));
    EXPECT_TRUE(years.isCastable(&n));
}

TEST(Datetimes, AssignmentBetweenKindsAndPrecisionInTheStream)
{
    CAsiDate d;
    d.setText("2024-02-29", 10);
    CAsiTimeStamp ts(0);
    ts.assign(d);
    EXPECT_EQ(text_of(ts), "2024-02-29 00:00:00");
    CAsiTime t(6), tBack(0);
    t.setText("01:02:03.123456789", 18);
    EXPECT_EQ(text_of(t), "01:02:03.123456");
    round_trip(t, tBack);
    EXPECT_EQ(tBack.timePrecision(), 6u);
    EXPECT_TRUE(tBack == t);
    int year = 0;
    EXPECT_EQ(d.getFields(&year, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(year, 2024);
}

TEST(Bits, TextAssignmentAndResultTypes)
{
    CAsiBit a(8), v(16);
    v.setVarying();
    v.setText("B'101'", 6);
    EXPECT_EQ(v.bitCount(), 3);
    a.assign(v);   /* fixed: padded to 8 bits */
    EXPECT_EQ(text_of(a), "A0");
    CAsiData *cat = a.concatType(&v);
    ASSERT_NE(cat, nullptr);
    EXPECT_EQ(cat->typeCode(), ASI_TYPE_VARBIT);
    EXPECT_EQ(cat->length(), 24u);
    delete cat;
    CAsiData *u = a.unionType(&v);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->length(), 16u);
    delete u;
    unsigned char byte = 0;
    EXPECT_EQ(a.getData(&byte, 0, 8), 1);
    EXPECT_EQ(byte, 0xA0);
    EXPECT_EQ(a.getData(&byte, 1, 8), 0);
    EXPECT_EQ(raised([&] { a.setText("X'1", 3); }), 0x2212);
}

TEST(DoublePrecision, UnionDataAndNumbers)
{
    CAsiDouble a, b;
    a.setLong(-7);
    b.setShort(3);
    EXPECT_EQ(a.doubleValue(), -7.0);
    EXPECT_EQ(a.isGreater(b), 0);
    CAsiData *u = a.unionType(&b);
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->typeCode(), ASI_TYPE_DOUBLE);
    delete u;
    CAsiPoint p;
    EXPECT_EQ(a.unionType(&p), nullptr);
    unsigned char bytes[8];
    EXPECT_EQ(a.getData(bytes, 6, 100), 2);
    EXPECT_EQ(bytes[1], 0xC0);   /* -7.0 ends in 0x1C 0xC0 */
    EXPECT_EQ(a.getData(bytes, 8, 1), 0);
    EXPECT_EQ(a.longValue(), -7);
    CAsiDouble nul;
    EXPECT_EQ(nul.longValue(), 0);
    double out = 9.0;
    EXPECT_EQ(nul.getDouble(&out), 0);
    EXPECT_EQ(out, 9.0);
}

} // namespace

namespace {

TEST(StreamRobustness, RandomAndCutRecordsNeverCrashAnyValueClass)
{
    /* A valid record of each class, then every cut of it and random bytes:
    ** unpack either succeeds or throws an engine exception. */
    CAsiDouble d;
    d = 3.25;
    CAsiIntervalDT iv(ASI_IV_DAY_TO_SECOND, 2, 6);
    iv.setText("-1 02:03:04.5", 13);
    CAsiTimeStamp ts;
    ts.setText("1999-12-31 23:59:59", 19);
    CAsiBit b(12);
    b.setFromString(CAsiUcStr("ABC"));
    CAsiPoint p;
    p.setPoint(1, 2);
    const CAsiData *samples[] = {&d, &iv, &ts, &b, &p};
    unsigned seed = 12345;
    auto next = [&] { seed = seed * 1103515245u + 12345u; return (seed >> 16) & 0xFF; };
    for (const CAsiData *s : samples) {
        unsigned char good[256];
        CAsiOStream out(good, sizeof good);
        int n = s->pack(out);
        for (int trial = 0; trial < n + 300; trial++) {
            std::vector<unsigned char> buf(good, good + n);
            if (trial < n)
                buf.resize((std::size_t)trial);                 /* every cut */
            else
                buf[next() % (unsigned)n] = (unsigned char)next();   /* one damaged byte */
            CAsiData *v = s->clone();
            ASSERT_NE(v, nullptr);
            CAsiIStream in(buf.data(), buf.size());
            try {
                v->unpack(in);
            } catch (const CAsiException &) {
            }
            delete v;
        }
    }
}

} // namespace
