/*
** char_test.cpp: CHARACTER and CHARACTER VARYING values: cutting and
** padding, fetch, numbers in text, the collation tables, comparisons, the
** string functions and the stream form.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "approx_state.h"
#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/values/asi_approx.h"
#include "sqlclient/values/asi_bit.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_decimal.h"

namespace {

CAsiChar fixed(int n, const char *text)
{
    CAsiChar c(n);
    c.setText(text, -1);
    return c;
}

CAsiChar varying(int n, const char *text)
{
    CAsiChar c(n);
    c.setVarying();
    c.setText(text, -1);
    return c;
}

std::string mb(const CAsiUcStr &s)
{
    char buf[600];
    return s.toMb(buf, sizeof buf);
}

std::string fetched(const CAsiData &v)
{
    CAsiUcStr s;
    v.getUcStr(s);
    return mb(s);
}

std::string stored(const CAsiChar &c)
{
    return mb(c.value());
}

std::string type_text(const CAsiData &v)
{
    CAsiUcStr s;
    v.typeText(s);
    return mb(s);
}

} // namespace

/* Trailing blanks are dropped from the stored text but come back on
** fetch: to the declared length when fixed, the assigned one when not. */
TEST(CharAssign, TrailingBlanksAndPadding)
{
    EXPECT_EQ(CAsiChar(300).length(), 256u);
    EXPECT_EQ(CAsiChar().length(), 1u);

    CAsiChar f(10);
    EXPECT_EQ(f.setText("abc   ", 6), 1);
    EXPECT_EQ(stored(f), "abc");
    EXPECT_EQ(f.currentLength(), 6u);
    char buf[20];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(f.getText(buf, sizeof buf), 1);
    EXPECT_EQ(std::string(buf), "abc       ");

    CAsiChar v = varying(10, "abc   ");
    std::memset(buf, 'x', sizeof buf);
    v.getText(buf, sizeof buf);
    EXPECT_EQ(std::string(buf), "abc   ");
    EXPECT_EQ(v.displayLength(), 6u);
    EXPECT_EQ(f.displayLength(), 10u);

    /* All blanks: kept whole. */
    CAsiChar blanks = varying(10, "   ");
    EXPECT_EQ(stored(blanks), "   ");

    /* UCS-2 input drops any trailing white space; fetch gives blanks. */
    CAsiChar u(10);
    u.setVarying();
    u.setUcStr(CAsiUcStr("ab\t"));
    EXPECT_EQ(stored(u), "ab");
    EXPECT_EQ(fetched(u), "ab ");

    /* A buffer smaller than the text: filled, no terminator. */
    std::memset(buf, 'x', sizeof buf);
    fixed(10, "abcdef").getText(buf, 4);
    EXPECT_EQ(std::string(buf, 5), "abcdx");
}

/* One string taking the padded text of value after value (as a fetch
** loop does): each text whole, nothing of a longer one before it left,
** and a copy taken earlier unchanged. */
TEST(CharAssign, PaddedTextsIntoOneStringStayApart)
{
    CAsiChar f(6);
    CAsiUcStr out;
    const char *const texts[] = {"ab", "abcdef", "x", "", "abcdef"};
    const char *const padded[] = {"ab    ", "abcdef", "x     ", "      ", "abcdef"};
    CAsiUcStr first;
    for (size_t i = 0; i < sizeof texts / sizeof texts[0]; i++) {
        ASSERT_EQ(f.setText(texts[i], -1), 1);
        ASSERT_EQ(f.getUcStr(out), 1);
        EXPECT_EQ(out, CAsiUcStr(padded[i])) << i;
        if (i == 0) first = out;
    }
    EXPECT_EQ(first, CAsiUcStr("ab    "));
    EXPECT_EQ(stored(f), "abcdef") << "the value's own text is untouched";
}

/* Too long: a warning and the cut for text, an error for the text of a
** number. */
TEST(CharAssign, CuttingWarnsOrFails)
{
    CAsiChar c(10);
    EXPECT_EQ(recorded([&] { c.setText("abcdefghijk", 11); }), std::vector<int>{ST_22001});
    EXPECT_EQ(stored(c), "abcdefghij");
    /* Cutting only blanks warns all the same. */
    EXPECT_EQ(recorded([&] { c.setText("abcdefghij ", 11); }), std::vector<int>{ST_22001});

    CAsiDecimal d(12, 2);
    d.setText("123456789.25", 12);
    CAsiChar keep = fixed(10, "keep");
    EXPECT_EQ(raised([&] { keep.assign(d); }), ST_22001);
    EXPECT_EQ(stored(keep), "keep");
    CAsiChar wide(12);
    EXPECT_EQ(wide.assign(d), 1);
    EXPECT_EQ(stored(wide), "123456789.25");
    EXPECT_EQ(wide.currentLength(), 12u);

    CAsiChar twelve = fixed(12, "abcdefghijkl");
    CAsiChar ten(10);
    EXPECT_EQ(recorded([&] { ten.assign(twelve); }), std::vector<int>{ST_22001});
    EXPECT_EQ(stored(ten), "abcdefghij");

    CAsiReal r;
    r.setDouble(2.5);
    CAsiChar five(5);
    EXPECT_EQ(five.assign(r), 1);
    EXPECT_EQ(fetched(five), "2.5  ");
    CAsiChar nul(5);
    EXPECT_EQ(five.assign(nul), 1);
    EXPECT_EQ(five.isNull(), 1);
}

/* 16 bits make a character, most significant bit first; fewer than the
** declared length is zero-bit padding. */
TEST(CharAssign, FromBitStrings)
{
    CAsiBit bits(17);
    const unsigned char raw[3] = {0x00, 0x41, 0x80};
    bits.setBits(raw, 17);
    CAsiChar c(5);
    EXPECT_EQ(recorded([&] { c.assign(bits); }), std::vector<int>{ST_01008});
    EXPECT_EQ(c.currentLength(), 2u);
    EXPECT_EQ(c.value().length(), 2);
    EXPECT_EQ(c.value().at(0), u'A');
    EXPECT_EQ(c.value().at(1), (char16_t)0x8000);

    CAsiChar one(1);
    EXPECT_EQ(recorded([&] { one.assign(bits); }), std::vector<int>{ST_22001});
    EXPECT_EQ(one.value().at(0), u'A');
}

/* Numbers into text, and text into numbers. */
TEST(CharNumbers, SettersAndGetters)
{
    CAsiChar c(10);
    c.setLong(-42);
    EXPECT_EQ(stored(c), "-42");
    CAsiChar four(4);
    four.setDouble(1234.5678);
    EXPECT_EQ(stored(four), "1235");
    CAsiChar three(3);
    EXPECT_EQ(recorded([&] { three.setDouble(1234.5678); }), std::vector<int>{ST_22001});
    EXPECT_EQ(stored(three), "1.2");

    std::int32_t l = 5;
    std::int16_t s = 5;
    double d = 5.0;
    EXPECT_EQ(fixed(20, " 12abc").getLong(&l), 1);
    EXPECT_EQ(l, 12);
    EXPECT_EQ(fixed(20, "2.5e2").getDouble(&d), 1);
    EXPECT_EQ(d, 250.0);
    EXPECT_EQ(fixed(20, "-300").getShort(&s), 1);
    EXPECT_EQ(s, -300);

    /* Nothing to convert: 0 and the output untouched. */
    l = 5;
    s = 5;
    d = 5.0;
    for (const char *t : {"", "   ", "x1"}) {
        CAsiChar e = fixed(8, t);
        EXPECT_EQ(e.getDouble(&d), 0) << t;
        EXPECT_EQ(e.getLong(&l), 0) << t;
        EXPECT_EQ(e.getShort(&s), 0) << t;
    }
    EXPECT_EQ(d, 5.0);
    EXPECT_EQ(l, 5);
    EXPECT_EQ(s, 5);

    /* Out of range: 22003, never a wrapped number. */
    EXPECT_EQ(raised([&] { fixed(20, "99999999999").getLong(&l); }), ST_22003);
    EXPECT_EQ(raised([&] { fixed(20, "-2147483649").getLong(&l); }), ST_22003);
    EXPECT_EQ(raised([&] { fixed(20, "40000").getShort(&s); }), ST_22003);
    EXPECT_EQ(raised([&] { fixed(20, "1e999").getDouble(&d); }), ST_22003);
    EXPECT_EQ(l, 5);
    EXPECT_EQ(fixed(20, "-2147483648").getLong(&l), 1);
    EXPECT_EQ(l, INT32_MIN);
    /* Only the first 7 bytes are read for a 16-bit number, 15 for a
    ** 32-bit one. */
    EXPECT_EQ(fixed(20, "12     99").getShort(&s), 1);
    EXPECT_EQ(s, 12);
    EXPECT_EQ(raised([&] { fixed(20, "1234567890").getShort(&s); }), ST_22003);
    EXPECT_EQ(fixed(20, "-000000000000017").getLong(&l), 1);
    EXPECT_EQ(l, -1);
}

TEST(CharNumbers, DoubleTextsFollowTheRuntimeForm)
{
    /* Three exponent digits and never more than 17 significant digits,
    ** whatever the declared length. */
    CAsiChar ten(10);
    ten.setDouble(1e20);
    EXPECT_EQ(stored(ten), "1E+020");
    CAsiChar forty(40);
    forty.setDouble(0.1);
    EXPECT_EQ(stored(forty), "0.10000000000000001");
    /* Reading back refuses infinity, NaN and hexadecimal forms. */
    double d = 5.0;
    for (const char *t : {"inf", "-infinity", "nan"}) {
        EXPECT_EQ(fixed(20, t).getDouble(&d), 0) << t;
        EXPECT_EQ(d, 5.0) << t;
    }
    EXPECT_EQ(fixed(20, "0x10").getDouble(&d), 1);
    EXPECT_EQ(d, 0.0) << "only the 0 of a hexadecimal text is a number";
}

/* Data bytes: the padded UCS-2 text with its terminating zero. */
TEST(CharData, PaddedUcs2Bytes)
{
    CAsiChar c = fixed(10, "abc");
    EXPECT_EQ(c.dataSize(), 22);
    unsigned char out[100];
    std::memset(out, 0xEE, sizeof out);
    EXPECT_EQ(c.getData(out, 12, 100), 10);
    const char16_t tail[5] = {u' ', u' ', u' ', u' ', 0};
    EXPECT_EQ(std::memcmp(out, tail, 10), 0);
    EXPECT_EQ(c.getData(out, 0, 2), 2);
    EXPECT_EQ(out[0], 'a');
}

/* Type and literal texts. */
TEST(CharTexts, TypeAndLiteral)
{
    EXPECT_EQ(type_text(CAsiChar(1)), "CHARACTER");
    CAsiChar v(40);
    v.setVarying();
    EXPECT_EQ(type_text(v), "CHARACTER VARYING(40)");
    CAsiChar n(5);
    n.setNational();
    n.setCharSet(CAsiUcStr("850"));
    EXPECT_EQ(type_text(n), "NATIONAL CHARACTER(5) CHARACTER SET 850");
    EXPECT_EQ(n.coercibility(), ASI_COLL_IMPLICIT);
    EXPECT_EQ(n.codePage(), 850);

    CAsiUcStr lit;
    EXPECT_EQ(fixed(10, "it's  ").literalText(lit), 1);
    EXPECT_EQ(mb(lit), "'it''s'");
    EXPECT_EQ(CAsiChar(3).literalText(lit), 0);
    EXPECT_EQ(mb(lit), "null");

    /* An unknown character set: passed on, nothing but the code page set. */
    CAsiChar u(3);
    EXPECT_EQ(raised([&] { u.setCharSet(CAsiUcStr("NOSUCH")); }), ASI_ERR_CHARSET);
    EXPECT_EQ(u.coercibility(), ASI_COLL_COERCIBLE);
    EXPECT_EQ(mb(u.charSetName()), asi_current_cp());
    EXPECT_EQ(raised([&] { u.setLocale(CAsiUcStr("NOSUCH")); }), ASI_ERR_LOCALE);
    EXPECT_EQ(u.coercibility(), ASI_COLL_COERCIBLE);
}

/* The two collation tables, cell by cell, with equal and different
** locales (X = 1, Y = 1 or -1). */
TEST(CharCollation, DyadicAndComparisonTables)
{
    /* Dyadic result per (C, D): locale ('X', 'Y' or '0') and
    ** coercibility, first for X != Y, then for X == Y; "R" refused. */
    const char *dyadic[4][4] = {
        {"Y0", "Y1", "02", "Y3"},
        {"X1", "00|X1", "00", "Y3"},
        {"00", "00", "00", "Y3"},
        {"X3", "X3", "X3", "R|X3"},
    };
    /* Comparison: "P" permitted with its locale letter, "R" refused. */
    const char *compare[4][4] = {
        {"PY", "PY", "R", "PY"},
        {"PX", "R|PX", "R", "PY"},
        {"R", "R", "R", "PY"},
        {"PX", "PX", "PX", "R|PX"},
    };
    for (int same = 0; same < 2; same++) {
        int x = 1, y = same ? 1 : -1;
        for (int c = 0; c < 4; c++) {
            for (int d = 0; d < 4; d++) {
                std::string want = dyadic[c][d];
                if (want.find('|') != std::string::npos)
                    want = same ? want.substr(want.find('|') + 1) : want.substr(0, want.find('|'));
                int locale = 99, k = 99;
                int ok = asi_coll_dyadic(x, c, y, d, &locale, &k);
                if (want == "R") {
                    EXPECT_EQ(ok, 0) << c << d << same;
                } else {
                    ASSERT_EQ(ok, 1) << c << d << same;
                    int wantLocale = want[0] == 'X' ? x : want[0] == 'Y' ? y : 0;
                    EXPECT_EQ(locale, wantLocale) << c << d << same;
                    EXPECT_EQ(k, want[1] - '0') << c << d << same;
                }

                std::string cmp = compare[c][d];
                if (cmp.find('|') != std::string::npos)
                    cmp = same ? cmp.substr(cmp.find('|') + 1) : cmp.substr(0, cmp.find('|'));
                locale = 99;
                ok = asi_coll_compare(x, c, y, d, &locale);
                EXPECT_EQ(ok, cmp[0] == 'P' ? 1 : 0) << c << d << same;
                if (ok) {
                    EXPECT_EQ(locale, cmp[1] == 'X' ? x : y) << c << d << same;
                }
            }
        }
    }
    int locale = 0, k = 0;
    EXPECT_EQ(asi_coll_dyadic(1, 7, 1, 0, &locale, &k), 1);
    EXPECT_EQ(k, 7);
    EXPECT_EQ(asi_coll_compare(1, 7, 1, 0, &locale), 0);
}

/* Collated comparisons of values, and the refusals. */
TEST(CharCollation, ComparingValues)
{
    CAsiChar a = fixed(5, "abc"), b = varying(5, "abd");
    EXPECT_EQ(a < b, 1);
    EXPECT_EQ(a == b, 0);
    EXPECT_EQ(fixed(5, "abc") == varying(9, "abc  "), 1);
    EXPECT_EQ(a.isEqual(fixed(3, "abc")), 1);
    EXPECT_EQ(a.isGreater(b), 0);
    EXPECT_EQ(a.isEqual(CAsiChar(3)), -1);
    CAsiReal r;
    r.setDouble(1.0);
    EXPECT_EQ(a.isEqual(r), -1);
    EXPECT_EQ(a == CAsiChar(3), 0);

    CAsiChar ascii = fixed(5, "abc"), latin = fixed(5, "abc");
    ascii.setLocale(CAsiUcStr("ASCII"));
    latin.setLocale(CAsiUcStr("LATIN1"));
    EXPECT_EQ(raised([&] { (void)(ascii == latin); }), ST_37168);
    EXPECT_EQ(raised([&] { ascii.isComparable(&latin); }), ST_37168);
    EXPECT_EQ(raised([&] { ascii.isAssignable(&latin); }), ST_37168);

    CAsiChar none = fixed(5, "abc");
    none.setCoercibility(ASI_COLL_NONE);
    EXPECT_EQ(raised([&] { (void)(none == a); }), ST_37168);
    EXPECT_EQ(none.isAssignable(&a), 0);
    EXPECT_EQ(none == latin, 1);

    /* With a string: case ignored, the string on either side. */
    CAsiUcStr s("ABD");
    EXPECT_EQ(a < s, 1);
    EXPECT_EQ(a <= s, 1);
    EXPECT_EQ(b == s, 1);
    EXPECT_EQ(s == b, 1);
    EXPECT_EQ(s > a, 1);
    EXPECT_EQ(s != a, 1);
    EXPECT_EQ(CAsiChar(3) == s, 0);
    EXPECT_EQ(s != CAsiChar(3), 0);
}

/* Trailing blanks never count in a comparison: the blank-only texts (kept
** whole in storage) equal each other and the empty one, in both classes,
** through the operators, isEqual/isGreater and against a string. */
TEST(CharCollation, TrailingBlanksNeverCount)
{
    const char *texts[] = {"", " ", "  ", "a", "a "};
    auto rank = [](const char *t) { return t[0] == 'a' ? 1 : 0; };
    for (const char *x : texts)
        for (const char *y : texts)
            for (int kinds = 0; kinds < 4; kinds++) {
                CAsiChar a = kinds & 1 ? varying(4, x) : fixed(4, x);
                CAsiChar b = kinds & 2 ? varying(4, y) : fixed(4, y);
                const int eq = rank(x) == rank(y), gt = rank(x) > rank(y);
                SCOPED_TRACE(std::string("'") + x + "' vs '" + y + "' kinds " + std::to_string(kinds));
                EXPECT_EQ(a == b, eq);
                EXPECT_EQ(a < b, rank(x) < rank(y));
                EXPECT_EQ(a > b, gt);
                EXPECT_EQ(a.isEqual(b), eq);
                EXPECT_EQ(a.isGreater(b), gt);
                EXPECT_EQ(a == CAsiUcStr(y), eq);
                EXPECT_EQ(a > CAsiUcStr(y), gt);
            }
}

/* Result types. */
TEST(CharTypes, ConcatAndUnionTypes)
{
    CAsiChar a(200), b(200);
    std::unique_ptr<CAsiData> t(a.concatType(&b));
    ASSERT_TRUE(t);
    EXPECT_EQ(t->length(), 256u);
    EXPECT_EQ(t->typeCode(), ASI_TYPE_CHAR);
    CAsiChar v(3);
    v.setVarying();
    std::unique_ptr<CAsiData> tv(CAsiChar(4).concatType(&v));
    EXPECT_EQ(tv->length(), 7u);
    EXPECT_EQ(tv->typeCode(), ASI_TYPE_VARCHAR);
    CAsiReal r;
    EXPECT_EQ(a.concatType(&r), nullptr);

    std::unique_ptr<CAsiData> u(CAsiChar(4).unionType(&v));
    EXPECT_EQ(u->length(), 4u);
    std::unique_ptr<CAsiData> u2(v.unionType(&a));
    EXPECT_EQ(u2->length(), 200u);
    EXPECT_EQ(v.unionType(&r), nullptr);
}

/* SUBSTRING, never reading before the text. */
TEST(CharFunctions, Substring)
{
    CAsiChar c = varying(10, "abcdef");
    struct Case {
        int start, len;
        const char *text;
    };
    const Case cases[] = {
        {2, 3, "bcd"}, {1, 6, "abcdef"}, {4, 10, "def"}, {0, 3, "ab"}, {-5, 3, ""},
        {-1, 4, "ab"}, {7, 2, ""},       {2, 0, ""},     {INT32_MIN, 5, ""}, {3, -2, ""},
    };
    for (const Case &k : cases) {
        CAsiChar s = c.substring(k.start, k.len);
        EXPECT_EQ(stored(s), k.text) << k.start << "," << k.len;
        EXPECT_EQ(s.typeCode(), ASI_TYPE_VARCHAR);
        EXPECT_EQ(s.length(), std::strlen(k.text));
    }
    EXPECT_EQ(CAsiChar(3).substring(1, 2).isNull(), 1);
}

/* TRIM, POSITION, UPPER and concatenation. */
TEST(CharFunctions, TrimPositionUpperConcat)
{
    CAsiChar x = fixed(1, "x");
    CAsiChar text = varying(20, "xxabcxx");
    EXPECT_EQ(stored(text.trim(ASI_TRIM_BOTH, x)), "abc");
    EXPECT_EQ(stored(text.trim(ASI_TRIM_LEADING, x)), "abcxx");
    EXPECT_EQ(stored(text.trim(ASI_TRIM_TRAILING, x)), "xxabc");
    EXPECT_EQ(stored(varying(5, "xxx").trim(ASI_TRIM_BOTH, x)), "");
    EXPECT_EQ(stored(fixed(8, "  ab").trim(ASI_TRIM_BOTH, fixed(1, " "))), "ab");
    EXPECT_EQ(raised([&] { text.trim(ASI_TRIM_BOTH, fixed(2, "xy")); }), ST_22027);
    EXPECT_EQ(text.trim(ASI_TRIM_BOTH, CAsiChar(1)).isNull(), 1);

    EXPECT_EQ(fixed(10, "abcdef").position(fixed(2, "cd")).longValue(), 3);
    EXPECT_EQ(fixed(10, "abcdef").position(fixed(2, "zz")).longValue(), 0);
    EXPECT_EQ(fixed(10, "ab").position(varying(3, "   ")).longValue(), 3);
    EXPECT_EQ(varying(10, "ab  ").position(varying(3, "   ")).longValue(), 0);
    EXPECT_EQ(fixed(10, "ab").position(CAsiChar(0)).isNull(), 1);
    CAsiChar empty(0);
    empty.setText("", 0);
    EXPECT_EQ(fixed(10, "ab").position(empty).longValue(), 1);

    CAsiChar lower = fixed(5, "ab\xe9");
    lower.setLocale(CAsiUcStr("LATIN1"));
    EXPECT_EQ(stored(lower.upper()), "AB\xc9");
    EXPECT_EQ(stored(fixed(5, "ab\xe9").upper()), "AB\xe9");

    CAsiChar cat = fixed(3, "ab").concat(varying(5, "cd  "));
    EXPECT_EQ(stored(cat), "ab cd");
    EXPECT_EQ(cat.length(), 5u);
    EXPECT_EQ(cat.typeCode(), ASI_TYPE_VARCHAR);
    EXPECT_EQ(fetched(cat), "ab cd  ");
    EXPECT_EQ(fixed(3, "ab").concat(CAsiChar(2)).isNull(), 1);

    CAsiChar longText(200);
    longText.setText(std::string(200, 'a').c_str(), 200);
    CAsiChar big(256);
    EXPECT_EQ(recorded([&] { big = longText.concat(longText); }), std::vector<int>{ST_22001});
    EXPECT_EQ(big.value().length(), 256);

    CAsiChar withStr = fixed(3, "ab").concat(CAsiUcStr("cd \t"));
    EXPECT_EQ(stored(withStr), "ab cd");
    EXPECT_EQ(withStr.length(), 7u);
    EXPECT_EQ(recorded([&] { big = longText.concat(CAsiUcStr(std::string(100, 'b').c_str())); }),
              std::vector<int>{ST_22001});
    EXPECT_EQ(big.value().length(), 256);
}

/* Assignment from another CHARACTER and from a string. */
TEST(CharAssign, OperatorsFromValuesAndStrings)
{
    CAsiChar v(4);
    v.setVarying();
    EXPECT_EQ(recorded([&] { v = fixed(6, "abcdef"); }), std::vector<int>{ST_22001});
    EXPECT_EQ(stored(v), "abcd");
    EXPECT_EQ(v.currentLength(), 4u);
    v = varying(6, "ab ");
    EXPECT_EQ(fetched(v), "ab ");
    v = CAsiChar(2);
    EXPECT_EQ(v.isNull(), 1);
    v = CAsiUcStr("xy");
    EXPECT_EQ(fetched(v), "xy");

    CAsiChar explicitLatin = fixed(4, "a");
    explicitLatin.setLocale(CAsiUcStr("LATIN1"));
    CAsiChar target(4);
    target = explicitLatin;
    EXPECT_EQ(target.coercibility(), ASI_COLL_EXPLICIT);
    EXPECT_EQ(target.localeId(), ASI_LOCALE_LATIN1);
    EXPECT_EQ(mb(target.localeName()), "LATIN1");
}

/* LIKE: the null rule and the escape conditions (the matching itself is
** checked against Python's re by the like_oracle test). */
TEST(CharFunctions, LikeConditions)
{
    CAsiChar t = fixed(5, "ab"), esc = fixed(1, "!");
    EXPECT_EQ(t.like(varying(5, "ab%"), esc), 1);   /* the padding counts */
    EXPECT_EQ(t.like(varying(5, "ab"), esc), 0);
    EXPECT_EQ(t.like(CAsiChar(2), esc), -1);
    EXPECT_EQ(raised([&] { t.like(varying(5, "a%"), varying(2, "!!")); }), ST_22019);
    EXPECT_EQ(raised([&] { t.like(varying(5, "a!b"), esc); }), ST_22025);
}

/* The stream form: every item, and what comes back. */
TEST(CharStream, BytesAndRoundTrip)
{
    CAsiChar c(10);
    c.setVarying();
    c.setText("ab ", 3);
    unsigned char buf[256];
    CAsiOStream out(buf, sizeof buf);
    int n = c.pack(out);
    EXPECT_EQ(n, c.packedSize());
    const unsigned char want[] = {
        0, 0, 12, 0, 4, 0, 'a', 0, 'b', 0,   /* tag 0: the stored text */
        1, 0, 3, 0, 1, 0,                    /* tag 1: flags VARYING */
        2, 0, 7, 0, 10, 0, 0, 0,             /* tag 2: declared 10 */
        3, 0, 7, 0, 0, 0, 0, 0,              /* tag 3: coercibility, always */
        4, 0, 7, 0, 3, 0, 0, 0,              /* tag 4: current 3 */
        0xFF, 0xFF, 7, 0, 1, 0, 0, 0,        /* end: 1 */
    };
    ASSERT_EQ(n, (int)sizeof want);
    EXPECT_EQ(std::memcmp(buf, want, sizeof want), 0);

    CAsiOStream outValue(buf, sizeof buf);
    EXPECT_EQ(c.packValue(outValue), 10 + 8 + 8);
    EXPECT_EQ(c.packedValueSize(), 26);

    /* A null CHARACTER(1) in the current set writes only what it must. */
    CAsiOStream outNull(buf, sizeof buf);
    EXPECT_EQ(CAsiChar().pack(outNull), 8 + 8 + 8);

    /* Round trip with a character set and a locale. */
    CAsiChar rich(5);
    rich.setCharSet(CAsiUcStr("850"));
    rich.setLocale(CAsiUcStr("LATIN1"));
    rich.setText("x", 1);
    CAsiOStream o2(buf, sizeof buf);
    int m = rich.pack(o2);
    CAsiChar back;
    CAsiIStream in(buf, (std::size_t)m);
    EXPECT_EQ(back.unpack(in), 1);
    EXPECT_EQ(stored(back), "x");
    EXPECT_EQ(back.length(), 5u);
    EXPECT_EQ(back.codePage(), 850);
    EXPECT_EQ(back.localeId(), ASI_LOCALE_LATIN1);
    EXPECT_EQ(back.coercibility(), ASI_COLL_EXPLICIT);
    EXPECT_EQ(fetched(back), "x    ");
}

/* Lengths from the stream are kept in range: declared at most 256, current
** at most declared, the text no longer than declared. */
TEST(CharStream, LengthsFromTheStreamAreClamped)
{
    unsigned char buf[1200];
    CAsiOStream out(buf, sizeof buf);
    out.putUcStr(ASI_CHAR_TAG_VALUE, CAsiUcStr(std::string(300, 'q').c_str()));
    out.putI16(ASI_CHAR_TAG_FLAGS, ASI_CHAR_VARYING);
    out.putI32(ASI_CHAR_TAG_DECLARED, 100000);
    out.putI32(ASI_CHAR_TAG_CURRENT, -1);
    out.putI32(77, 5);   /* unknown: skipped */
    out.putEnd(ASI_CHAR_STREAM_END_CODE);
    CAsiChar c;
    CAsiIStream in(buf, (std::size_t)out.length());
    EXPECT_EQ(c.unpack(in), 1);
    EXPECT_EQ(c.length(), 256u);
    EXPECT_EQ(c.currentLength(), 256u);
    EXPECT_EQ(c.value().length(), 256);
    EXPECT_EQ(c.dataSize(), 514);
    char text[600];
    EXPECT_EQ(c.getText(text, sizeof text), 1);
    EXPECT_EQ(std::strlen(text), 256u);

    CAsiOStream out2(buf, sizeof buf);
    out2.putUcStr(ASI_CHAR_TAG_VALUE, CAsiUcStr("abcdef"));
    out2.putI32(ASI_CHAR_TAG_DECLARED, 3);
    out2.putI32(ASI_CHAR_TAG_CURRENT, 9);
    out2.putEnd(ASI_CHAR_STREAM_END_CODE);
    CAsiIStream in2(buf, (std::size_t)out2.length());
    c.unpack(in2);
    EXPECT_EQ(c.currentLength(), 3u);
    EXPECT_EQ(stored(c), "abc");
}
