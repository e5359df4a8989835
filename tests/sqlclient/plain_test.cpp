/*
** plain_test.cpp: a plain value read into a bound buffer, or set into a
** value object, gives byte for byte what the value record of the same
** value gives, warnings and errors included; a column takes plain only
** what its value takes exactly; the items read back as they were written.
*/
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "sqlclient/asi_plain.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"
#include "sqlclient/values/asi_integer.h"
#include "values/num_state.h"

namespace {

using Factory = std::function<CAsiData *()>;

Factory decimal(unsigned p, unsigned s) { return [=] { return new CAsiDecimal(p, s); }; }
Factory numeric(unsigned p, unsigned s) { return [=] { return new CAsiNumeric(p, s); }; }
Factory integer() { return [] { return new CAsiInteger(); }; }
Factory smallint() { return [] { return new CAsiSmallint(); }; }
Factory dbl() { return [] { return new CAsiDouble(); }; }
Factory fixed(int n) { return [=] { return new CAsiChar(n); }; }
Factory varying(int n)
{
    return [=] {
        auto *c = new CAsiChar(n);
        c->setVarying();
        return c;
    };
}

/* A value of a column as a driver sends it: how the driver sets the value
** object for the value record, and the same value plain. */
struct sent_value {
    Factory column;                          /* a null value of the column's type */
    std::function<void(CAsiData *)> set;     /* the driver's setter */
    asi_plain_value plain;                   /* the same value plain */
    const char *name;                        /* for the failure message */
};

asi_plain_value plain_int(long long i)
{
    asi_plain_value p;
    p.kind = ASI_PLAIN_INT;
    p.i = i;
    return p;
}

asi_plain_value plain_scaled(long long i)
{
    asi_plain_value p = plain_int(i);
    p.kind = ASI_PLAIN_SCALED;
    return p;
}

asi_plain_value plain_real(double d)
{
    asi_plain_value p;
    p.kind = ASI_PLAIN_REAL;
    p.d = d;
    return p;
}

asi_plain_value plain_text(const char *s)
{
    asi_plain_value p;
    p.kind = ASI_PLAIN_TEXT;
    p.s = s;
    p.n = (int)std::strlen(s);
    return p;
}

/* The driver's setters. */
std::function<void(CAsiData *)> by_text(const char *t)
{
    return [=](CAsiData *v) { v->setText(t, (int)std::strlen(t)); };
}
std::function<void(CAsiData *)> by_long(std::int32_t x)
{
    return [=](CAsiData *v) { v->setLong(x); };
}
std::function<void(CAsiData *)> by_short(std::int16_t x)
{
    return [=](CAsiData *v) { v->setShort(x); };
}
std::function<void(CAsiData *)> by_double(double d)
{
    return [=](CAsiData *v) { v->setDouble(d); };
}
std::function<void(CAsiData *)> by_null()
{
    return [](CAsiData *v) { v->setNull(); };
}

/* What a bound buffer received: its bytes, its indicator, and the
** conditions recorded or raised on the way. */
struct received {
    std::vector<unsigned char> bytes;
    unsigned short ind = 7;
    std::vector<int> conditions;
    int raised = 0;

    bool operator==(const received &o) const
    {
        return bytes == o.bytes && ind == o.ind && conditions == o.conditions && raised == o.raised;
    }
};

/* Fills a buffer of host type and length with put. */
received fill(int type, int length, const std::function<void(const asi_host_bind &)> &put)
{
    received r;
    r.bytes.assign((std::size_t)length, 0xAB);
    asi_host_bind b{type, r.bytes.data(), length, &r.ind};
    r.conditions = recorded([&] { r.raised = raised([&] { put(b); }); });
    return r;
}

std::string describe(const received &r)
{
    std::string s = "ind " + std::to_string(r.ind) + " raised " + std::to_string(r.raised) + " bytes";
    for (unsigned char c : r.bytes) s += " " + std::to_string(c);
    for (int c : r.conditions) s += " cond " + std::to_string(c);
    return s;
}

const std::vector<sent_value> &sent_values()
{
    static const std::vector<sent_value> values = {
        {decimal(8, 0), by_text("0"), plain_int(0), "DEC(8) 0"},
        {decimal(8, 0), by_text("7"), plain_int(7), "DEC(8) 7"},
        {decimal(8, 0), by_text("-42"), plain_int(-42), "DEC(8) -42"},
        {decimal(8, 0), by_text("99999999"), plain_int(99999999), "DEC(8) largest"},
        {decimal(8, 0), by_text("-99999999"), plain_int(-99999999), "DEC(8) smallest"},
        {decimal(12, 0), by_text("2147483647"), plain_int(2147483647LL), "DEC(12) long's largest"},
        {decimal(12, 0), by_text("2147483648"), plain_int(2147483648LL), "DEC(12) beyond a long"},
        {decimal(12, 0), by_text("-2147483648"), plain_int(-2147483648LL), "DEC(12) long's smallest"},
        {decimal(18, 0), by_text("123456789012345678"), plain_int(123456789012345678LL), "DEC(18) beyond a double"},
        {numeric(5, 1), by_text("45.5"), plain_scaled(455), "NUMERIC(5,1) 45.5"},
        {numeric(5, 1), by_text("-0.5"), plain_scaled(-5), "NUMERIC(5,1) -0.5"},
        {numeric(5, 1), by_text("0.0"), plain_scaled(0), "NUMERIC(5,1) 0"},
        {numeric(5, 1), by_text("9999.9"), plain_scaled(99999), "NUMERIC(5,1) largest"},
        {numeric(12, 4), by_text("1234567.8912"), plain_scaled(12345678912LL), "NUMERIC(12,4)"},
        {numeric(12, 4), by_text("-0.0001"), plain_scaled(-1), "NUMERIC(12,4) smallest step"},
        {decimal(18, 6), by_text("999999999999.999999"), plain_scaled(999999999999999999LL), "DEC(18,6) largest"},
        {decimal(18, 17), by_text("0.12345678901234567"), plain_scaled(12345678901234567LL), "DEC(18,17)"},
        {decimal(8, 0), by_null(), asi_plain_value(), "DEC(8) null"},
        {integer(), by_long(INT32_MIN), plain_int(INT32_MIN), "INTEGER smallest"},
        {integer(), by_long(INT32_MAX), plain_int(INT32_MAX), "INTEGER largest"},
        {integer(), by_long(-3), plain_int(-3), "INTEGER -3"},
        {integer(), by_long(40000), plain_int(40000), "INTEGER beyond a short"},
        {smallint(), by_short(INT16_MIN), plain_int(INT16_MIN), "SMALLINT smallest"},
        {smallint(), by_short(300), plain_int(300), "SMALLINT 300"},
        {dbl(), by_double(500000.25), plain_real(500000.25), "DOUBLE"},
        {dbl(), by_double(-0.0), plain_real(-0.0), "DOUBLE -0"},
        {dbl(), by_double(1e300), plain_real(1e300), "DOUBLE beyond a float"},
        {dbl(), by_double(5e-324), plain_real(5e-324), "DOUBLE smallest"},
        {dbl(), by_null(), asi_plain_value(), "DOUBLE null"},
        {fixed(10), by_text("S0000001"), plain_text("S0000001"), "CHAR(10) padded"},
        {fixed(10), by_text("abcdefghij"), plain_text("abcdefghij"), "CHAR(10) full"},
        {fixed(10), by_text(""), plain_text(""), "CHAR(10) empty"},
        {fixed(10), by_text("  lead"), plain_text("  lead"), "CHAR(10) leading blanks"},
        {fixed(10), by_text("end   "), plain_text("end   "), "CHAR(10) trailing blanks"},
        {fixed(10), by_text("   "), plain_text("   "), "CHAR(10) only blanks"},
        {fixed(10), by_text("O'Brien"), plain_text("O'Brien"), "CHAR(10) quote"},
        {varying(10), by_text("abc"), plain_text("abc"), "VARCHAR(10)"},
        {varying(10), by_text("ab  "), plain_text("ab  "), "VARCHAR(10) trailing blanks"},
        {varying(10), by_text(""), plain_text(""), "VARCHAR(10) empty"},
        {fixed(10), by_null(), asi_plain_value(), "CHAR(10) null"},
    };
    return values;
}

/* Every buffer the engine binds: each host type, texts of room enough,
** of no room beyond the text and cut short. */
struct host_buffer {
    int type;
    int length;
};
constexpr host_buffer BUFFERS[] = {
    {ASI_HOST_SHORT, 2}, {ASI_HOST_LONG, 4},    {ASI_HOST_FLOAT, 4},   {ASI_HOST_DOUBLE, 8},
    {ASI_HOST_STRING, 32}, {ASI_HOST_STRING, 11}, {ASI_HOST_STRING, 5}, {ASI_HOST_STRING, 1},
};

TEST(PlainValues, BoundBuffersGetWhatTheValueRecordGives)
{
    for (const sent_value &s : sent_values()) {
        std::unique_ptr<CAsiData> type(s.column());
        asi_plain_column col = asi_plain_column_of(*type);
        ASSERT_TRUE(asi_plain_fits(col, s.plain)) << s.name;
        for (const host_buffer &h : BUFFERS) {
            received want = fill(h.type, h.length, [&](const asi_host_bind &b) {
                std::unique_ptr<CAsiData> v(s.column());
                s.set(v.get());
                asi_host_put(b, v.get());
            });
            received got = fill(h.type, h.length, [&](const asi_host_bind &b) {
                if (asi_plain_put(b, col, s.plain))
                    return;
                std::unique_ptr<CAsiData> v(s.column());
                asi_plain_set(v.get(), s.plain);
                asi_host_put(b, v.get());
            });
            EXPECT_EQ(got, want) << s.name << ", host type " << h.type << " of " << h.length << " bytes\n  got  "
                                 << describe(got) << "\n  want " << describe(want);
        }
    }
}

TEST(PlainValues, ValueSetFromAPlainValueEqualsTheDriversValue)
{
    for (const sent_value &s : sent_values()) {
        std::unique_ptr<CAsiData> want(s.column()), got(s.column());
        s.set(want.get());
        asi_plain_set(got.get(), s.plain);
        EXPECT_EQ(got->isNull(), want->isNull()) << s.name;
        if (!want->isNull()) {
            EXPECT_EQ(got->isEqual(*want), 1) << s.name;
        }
        char a[64] = "", b[64] = "";
        got->getText(a, sizeof a - 1);
        want->getText(b, sizeof b - 1);
        EXPECT_STREQ(a, b) << s.name;
    }
}

/* The double of scaled digits is the one the exact value sums, bit for
** bit, over random digits at every scale. */
TEST(PlainValues, ScaledDigitsGiveTheExactValuesDouble)
{
    std::mt19937_64 random(20261207);
    for (int n = 0; n < 20000; n++) {
        unsigned scale = (unsigned)(random() % (ASI_PLAIN_MAX_DIGITS + 1));
        unsigned digits = 1 + (unsigned)(random() % ASI_PLAIN_MAX_DIGITS);
        long long v = 0;
        for (unsigned k = 0; k < digits; k++) v = v * 10 + (long long)(random() % 10);
        if (random() % 2) v = -v;
        if (v < 0 && -v == 0) v = 0;
        CAsiDecimal d(ASI_PLAIN_MAX_DIGITS, scale);
        char text[48];   /* sign, two 19-digit parts, point */
        long long m = v < 0 ? -v : v;
        long long unit = 1;
        for (unsigned k = 0; k < scale; k++) unit *= 10;
        if (scale)
            std::snprintf(text, sizeof text, "%s%lld.%0*lld", v < 0 ? "-" : "", m / unit, (int)scale, m % unit);
        else
            std::snprintf(text, sizeof text, "%lld", v);
        ASSERT_EQ(d.setText(text, (int)std::strlen(text)), 1) << text;
        double want = 0;
        d.getDouble(&want);
        double got = asi_plain_scaled_double(v, scale);
        ASSERT_EQ(std::memcmp(&got, &want, sizeof got), 0) << text << ": " << got << " against " << want;
    }
}

TEST(PlainValues, AColumnTakesOnlyWhatItsValueTakesExactly)
{
    std::unique_ptr<CAsiData> dec8(new CAsiDecimal(8, 0)), num51(new CAsiNumeric(5, 1)), small(new CAsiSmallint()),
        in(new CAsiInteger()), d(new CAsiDouble()), c10(new CAsiChar(10)), wide(new CAsiDecimal(30, 0));
    asi_plain_column cdec8 = asi_plain_column_of(*dec8), cnum51 = asi_plain_column_of(*num51),
                     csmall = asi_plain_column_of(*small), cin = asi_plain_column_of(*in),
                     cd = asi_plain_column_of(*d), cc10 = asi_plain_column_of(*c10), cwide = asi_plain_column_of(*wide);
    EXPECT_TRUE(asi_plain_fits(cdec8, plain_int(99999999)));
    EXPECT_FALSE(asi_plain_fits(cdec8, plain_int(100000000))) << "beyond the precision";
    EXPECT_FALSE(asi_plain_fits(cdec8, plain_int(-100000000)));
    EXPECT_FALSE(asi_plain_fits(cdec8, plain_scaled(5))) << "an exact number of scale 0 takes integers";
    EXPECT_FALSE(asi_plain_fits(cdec8, plain_real(1.0)));
    EXPECT_TRUE(asi_plain_fits(cdec8, asi_plain_value())) << "a null";
    EXPECT_TRUE(asi_plain_fits(cnum51, plain_scaled(99999)));
    EXPECT_FALSE(asi_plain_fits(cnum51, plain_scaled(100000)));
    EXPECT_FALSE(asi_plain_fits(cnum51, plain_int(4)));
    EXPECT_TRUE(asi_plain_fits(cwide, plain_int(999999999999999999LL))) << "18 digits within 30";
    EXPECT_FALSE(asi_plain_fits(cwide, plain_int(std::numeric_limits<long long>::max())));
    EXPECT_TRUE(asi_plain_fits(csmall, plain_int(INT16_MAX)));
    EXPECT_FALSE(asi_plain_fits(csmall, plain_int(INT16_MAX + 1)));
    EXPECT_TRUE(asi_plain_fits(cin, plain_int(INT32_MIN)));
    EXPECT_FALSE(asi_plain_fits(cin, plain_int((long long)INT32_MIN - 1)));
    EXPECT_TRUE(asi_plain_fits(cd, plain_real(-0.0)));
    EXPECT_FALSE(asi_plain_fits(cd, plain_real(std::nan(""))));
    EXPECT_FALSE(asi_plain_fits(cd, plain_real(INFINITY)));
    EXPECT_FALSE(asi_plain_fits(cd, plain_int(1)));
    EXPECT_TRUE(asi_plain_fits(cc10, plain_text("abcdefghij")));
    EXPECT_FALSE(asi_plain_fits(cc10, plain_text("abcdefghijk"))) << "beyond the declared length: the value cuts it";
    EXPECT_FALSE(asi_plain_fits(cc10, plain_text("Qu\xE9" "bec"))) << "beyond ASCII: the code page decides";
    asi_plain_value nul = plain_text("ab");
    nul.n = 3;   /* the terminator taken in */
    EXPECT_FALSE(asi_plain_fits(cc10, nul)) << "a NUL ends the value's text";
    EXPECT_FALSE(asi_plain_fits(cc10, plain_int(1)));
    asi_plain_value odd;
    odd.kind = 9;
    EXPECT_FALSE(asi_plain_fits(cc10, odd));
    std::unique_ptr<CAsiData> f(new CAsiFloat(10));
    EXPECT_EQ(asi_plain_column_of(*f).takes, 0) << "a single-precision float rounds a double";
}

TEST(PlainValues, ScaledDigitsAreReadOnlyFromTheExactForm)
{
    struct {
        const char *text;
        unsigned scale;
        int ok;
        long long digits;
    } cases[] = {
        {"45.5", 1, 1, 455},   {"-0.5", 1, 1, -5},      {"0.0", 1, 1, 0},          {".5", 1, 1, 5},
        {"12", 0, 1, 12},      {"-7", 0, 1, -7},        {"45.50", 1, 0, 0},        {"45.5", 2, 0, 0},
        {"45", 1, 0, 0},       {"-0.0", 1, 0, 0},       {"", 0, 0, 0},             {"-", 0, 0, 0},
        {".", 1, 0, 0},        {"1e5", 0, 0, 0},        {" 4.5", 1, 0, 0},         {"4.5 ", 1, 0, 0},
        {"+4.5", 1, 0, 0},     {"999999999999999999", 0, 1, 999999999999999999LL},
        {"1000000000000000000", 0, 0, 0},                {"99999999999999999.9", 1, 1, 999999999999999999LL},
        {"9999999999999.999999", 6, 0, 0},
    };
    for (const auto &c : cases) {
        long long digits = -123;
        EXPECT_EQ(asi_plain_scaled_from_text(c.text, (int)std::strlen(c.text), c.scale, &digits), c.ok)
            << "\"" << c.text << "\" scale " << c.scale;
        if (c.ok) {
            EXPECT_EQ(digits, c.digits) << c.text;
        }
    }
}

TEST(PlainValues, ItemsReadBackAsWritten)
{
    const asi_plain_value values[] = {asi_plain_value(), plain_int(-5), plain_scaled(123456789012345678LL),
                                      plain_real(-2.5), plain_text("granite"), plain_text("")};
    for (const asi_plain_value &p : values) {
        unsigned char direct[64], streamed[64];
        unsigned char *end = asi_plain_encode(direct, p);
        ASSERT_EQ((std::size_t)(end - direct), asi_plain_item_size(p));
        CAsiOStream out(streamed, sizeof streamed);
        asi_plain_write(out, p);
        ASSERT_EQ((std::size_t)out.length(), asi_plain_item_size(p));
        EXPECT_EQ(std::memcmp(direct, streamed, asi_plain_item_size(p)), 0) << "kind " << p.kind;
        CAsiIStream in(direct, asi_plain_item_size(p));
        asi_plain_value back, decoded;
        ASSERT_EQ(asi_plain_read(in, in.nextTag(), &back), 1) << "kind " << p.kind;
        ASSERT_EQ(asi_plain_decode(direct, asi_plain_item_size(p), &decoded), asi_plain_item_size(p)) << "kind " << p.kind;
        EXPECT_EQ(asi_plain_decode(direct, asi_plain_item_size(p) - 1, &decoded), 0u) << "cut short, kind " << p.kind;
        for (const asi_plain_value &r : {back, decoded}) {
            EXPECT_EQ(r.kind, p.kind);
            if (p.kind == ASI_PLAIN_INT || p.kind == ASI_PLAIN_SCALED) {
                EXPECT_EQ(r.i, p.i);
            }
            if (p.kind == ASI_PLAIN_REAL) {
                EXPECT_EQ(r.d, p.d);
            }
            if (p.kind == ASI_PLAIN_TEXT) {
                EXPECT_EQ(std::string(r.s, (std::size_t)r.n), std::string(p.s, (std::size_t)p.n));
            }
        }
    }
    /* An item of the wrong size for its tag is refused. */
    unsigned char bytes[16];
    CAsiOStream out(bytes, sizeof bytes);
    out.putI32(ASI_TAG_PLAIN_INT, 5);
    CAsiIStream in(bytes, (std::size_t)out.length());
    asi_plain_value back;
    EXPECT_EQ(asi_plain_read(in, in.nextTag(), &back), 0);
    EXPECT_EQ(asi_plain_decode(bytes, (std::size_t)out.length(), &back), 0u);
}

} // namespace
