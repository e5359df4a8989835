/*
** stream_test.cpp: the value stream writes each item type byte for byte,
** counts without a buffer, refuses to overflow its buffer, and reads back
** only what is inside its buffer: a truncated or damaged stream is an
** error, never a read past the end.
*/
#include <gtest/gtest.h>

#include <vector>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_stream.h"
#include "sqlclient/base/asi_ucstr.h"

namespace {

using Bytes = std::vector<unsigned char>;

/* Writes with f into a large buffer and answers the bytes. */
template <class F>
Bytes written(F f)
{
    unsigned char buf[256];
    CAsiOStream out(buf, sizeof buf);
    f(out);
    return Bytes(buf, buf + out.length());
}

/* The code a reading function throws, 0 when none. */
template <class F>
int thrown(F f)
{
    try {
        f();
    } catch (const CAsiException &e) {
        return e.code();
    }
    return 0;
}

TEST(StreamItems, EachItemTypeHasItsExactBytes)
{
    EXPECT_EQ(written([](CAsiOStream &o) { o.putI16(1, -2); }), (Bytes{1, 0, 3, 0, 0xFE, 0xFF}));
    EXPECT_EQ(written([](CAsiOStream &o) { o.putI32(0x0102, 0x11223344); }),
              (Bytes{2, 1, 7, 0, 0x44, 0x33, 0x22, 0x11}));
    EXPECT_EQ(written([](CAsiOStream &o) { o.putU32(3, 0xFFFFFFFEu); }),
              (Bytes{3, 0, 6, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(written([](CAsiOStream &o) { o.putF64(0, 1.0); }),
              (Bytes{0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
    EXPECT_EQ(written([](CAsiOStream &o) { o.putUcStr(5, CAsiUcStr(u"A\u20AC")); }),
              (Bytes{5, 0, 12, 0, 4, 0, 'A', 0, 0xAC, 0x20}));
    const unsigned char blk[3] = {9, 8, 7};
    EXPECT_EQ(written([&](CAsiOStream &o) { o.putBytes(3, blk, 3); }),
              (Bytes{3, 0, 13, 0, 3, 0, 9, 8, 7}));
    EXPECT_EQ(written([](CAsiOStream &o) { o.putEnd(-1); }),
              (Bytes{0xFF, 0xFF, 7, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST(StreamItems, CountingStreamCountsWhatItWouldWrite)
{
    CAsiOStream counter;
    counter.putI16(1, 5);
    counter.putUcStr(2, CAsiUcStr("abc"));
    counter.putBytes(3, nullptr, 10);
    counter.putEnd(1);
    EXPECT_TRUE(counter.isCounting());
    EXPECT_EQ(counter.length(), 6 + 12 + 16 + 8);
    EXPECT_EQ(counter.reserveBytes(4, 2), nullptr);
}

TEST(StreamItems, FullBufferAndOverlongItemsAreRefused)
{
    unsigned char buf[10];
    CAsiOStream out(buf, sizeof buf);
    out.putI16(1, 1);
    EXPECT_EQ(thrown([&] { out.putI32(2, 1); }), ASI_ERR_STREAM_FULL);
    EXPECT_EQ(out.length(), 6);   /* nothing of the refused item written */
    CAsiOStream counter;
    EXPECT_EQ(thrown([&] { counter.putBytes(1, nullptr, ASI_ITEM_MAX_DATA + 1); }), ASI_ERR_STREAM_FULL);
}

TEST(StreamItems, ReservedBytesAreFilledInPlace)
{
    unsigned char buf[32];
    CAsiOStream out(buf, sizeof buf);
    unsigned char *p = out.reserveBytes(7, 2);
    ASSERT_NE(p, nullptr);
    p[0] = 0xAB;
    p[1] = 0xCD;
    out.putBytes(8, p, 0);
    EXPECT_EQ(Bytes(buf, buf + 8), (Bytes{7, 0, 13, 0, 2, 0, 0xAB, 0xCD}));
}

TEST(StreamReading, ItemsReadBackAsWritten)
{
    unsigned char buf[128];
    CAsiOStream out(buf, sizeof buf);
    out.putI16(1, -7);
    out.putI32(2, -100000);
    out.putF64(3, 2.5);
    out.putUcStr(4, CAsiUcStr("xyz"));
    out.putI32(99, 1);   /* a tag a reader does not know */
    out.putEnd(3);
    CAsiIStream in(buf, (std::size_t)out.length());
    std::int16_t s;
    std::int32_t l;
    double d;
    CAsiUcStr str;
    ASSERT_EQ(in.nextTag(), 1);
    EXPECT_TRUE(in.readI16(&s));
    EXPECT_EQ(s, -7);
    EXPECT_FALSE(in.readI32(&l));   /* a 2-byte item is not a 32-bit value */
    ASSERT_EQ(in.nextTag(), 2);
    EXPECT_TRUE(in.readI32(&l));
    EXPECT_EQ(l, -100000);
    EXPECT_FALSE(in.readI32(nullptr));   /* no place to copy to */
    EXPECT_FALSE(in.readPair(&d));
    ASSERT_EQ(in.nextTag(), 3);
    EXPECT_TRUE(in.readPair(&d));
    EXPECT_EQ(d, 2.5);
    ASSERT_EQ(in.nextTag(), 4);
    EXPECT_TRUE(in.readUcStr(str));
    EXPECT_EQ(str, CAsiUcStr("xyz"));
    ASSERT_EQ(in.nextTag(), 99);
    ASSERT_EQ(in.nextTag(), ASI_STREAM_END);
    EXPECT_TRUE(in.readI32(&l));
    EXPECT_EQ(l, 3);
}

TEST(StreamReading, DamagedStreamsAreRefused)
{
    const struct {
        const char *what;
        Bytes bytes;
    } cases[] = {
        {"empty", {}},
        {"header cut", {1, 0, 3}},
        {"data cut", {1, 0, 7, 0, 1, 2}},
        {"counted header cut", {1, 0, 12, 0, 4}},
        {"counted length beyond the end", {1, 0, 13, 0, 0xFF, 0xFF, 1, 2, 3}},
        {"unknown item type", {1, 0, 200, 0, 0, 0}},
        {"no end item", {1, 0, 3, 0, 5, 0}},
    };
    for (const auto &c : cases) {
        CAsiIStream in(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(thrown([&] { in.skipRecord(); }), ASI_ERR_STREAM) << c.what;
    }
}

} // namespace

namespace {

TEST(StreamItems, OverlongStringsAndOddTextItemsAreRefused)
{
    std::u16string big(ASI_ITEM_MAX_DATA / 2 + 1, u'x');
    CAsiOStream counter;
    EXPECT_EQ(thrown([&] { counter.putUcStr(1, CAsiUcStr(big.c_str())); }), ASI_ERR_STREAM_FULL);
    const Bytes odd = {1, 0, 12, 0, 3, 0, 'a', 0, 'b'};
    CAsiIStream in(odd.data(), odd.size());
    ASSERT_EQ(in.nextTag(), 1);
    CAsiUcStr s("kept");
    EXPECT_EQ(in.readUcStr(s), 0);
    EXPECT_EQ(s, CAsiUcStr("kept"));
}

} // namespace
