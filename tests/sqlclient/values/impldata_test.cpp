/*
** impldata_test.cpp: the implementation-type value, its shared byte
** buffer, counted arrays, the function argument list and the defaults of
** the abstract value and of the function base.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_extfunc.h"
#include "sqlclient/values/asi_impldata.h"
#include "sqlclient/values/asi_point.h"

namespace {

using Bytes = std::vector<unsigned char>;

/* The packed bytes of a value. */
Bytes packed(const CAsiData &v)
{
    unsigned char buf[8192];
    CAsiOStream out(buf, sizeof buf);
    int n = v.pack(out);
    EXPECT_EQ(n, v.packedSize());
    return Bytes(buf, buf + n);
}

TEST(ImplData, FreshValuePacksTypeAndEndOnly)
{
    CAsiImplData v;
    EXPECT_EQ(packed(v), (Bytes{1, 0, 7, 0, 0, 0, 0, 0, 0xFF, 0xFF, 7, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(v.typeCode(), -1);
    EXPECT_EQ(v.isUserDefined(), 1);
    CAsiUcStr t;
    EXPECT_EQ(v.typeText(t), 1);
    EXPECT_EQ(t, CAsiUcStr("."));
}

TEST(ImplData, BytesTravelOnlyForStreamedTypes)
{
    const unsigned char raw[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (int type : {7, 4000}) {
        CAsiImplData v;
        v.setImplType(type);
        v.setTypeName(CAsiUcStr("GEOM"));
        ASSERT_EQ(v.setBytes(raw, 10), 1);
        Bytes b = packed(v);
        CAsiIStream in(b.data(), b.size());
        CAsiImplData back;
        back.setBytes(raw, 3);   /* replaced by unpack */
        ASSERT_EQ(back.unpack(in), 1);
        EXPECT_EQ(back.isNull(), 0);
        EXPECT_EQ(back.implTypeCode(), type);
        EXPECT_EQ(back.typeName(), CAsiUcStr("GEOM"));
        EXPECT_EQ(back.dataSize(), type == 7 ? 10 : 0);
    }
}

TEST(ImplData, ReadOffsetsAndLimits)
{
    CAsiImplData v;
    unsigned char raw[10] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, out[100];
    v.setBytes(raw, 10);
    EXPECT_EQ(v.getData(out, 10, 5), 0);
    EXPECT_EQ(v.getData(out, 4, 100), 6);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(v.getData(out, -1, 5), 0);
    EXPECT_EQ(v.getData(nullptr, 0, 5), 0);
    EXPECT_EQ(v.getData(out, 0, 0), 0);
    CAsiByteBuf big(ASI_BYTEBUF_MAX + 1, nullptr), none(0, nullptr), max(ASI_BYTEBUF_MAX, nullptr);
    EXPECT_EQ(big.size(), 0);
    EXPECT_EQ(none.size(), 0);
    EXPECT_EQ(max.size(), ASI_BYTEBUF_MAX);
}

TEST(ImplData, AssignCopyAndRelease)
{
    CAsiImplData a, b;
    const unsigned char raw[3] = {7, 8, 9};
    a.setImplType(12);
    a.setTypeName(CAsiUcStr("RASTER"));
    a.setBytes(raw, 3);
    EXPECT_EQ(b.assign(a), 1);
    EXPECT_EQ(b.implTypeCode(), 12);
    EXPECT_EQ(b.dataSize(), 3);
    EXPECT_EQ(b.assign(b), 1);   /* self-assignment keeps the bytes */
    EXPECT_EQ(b.dataSize(), 3);
    EXPECT_TRUE(a.isAssignable(&b));
    b.setImplType(13);
    EXPECT_FALSE(a.isCastable(&b));
    CAsiPoint p;
    p.setPoint(1, 2);
    EXPECT_EQ(b.assign(p), 0);
    EXPECT_EQ(b.implTypeCode(), 13);
    CAsiImplData *c = a.clone();
    ASSERT_NE(c, nullptr);
    unsigned char out[3];
    EXPECT_EQ(c->getData(out, 0, 3), 3);
    EXPECT_EQ(out[2], 9);
    c->release();   /* release, then the destructor: nothing freed twice */
    EXPECT_EQ(c->dataSize(), 0);
    EXPECT_TRUE(c->typeName().isEmpty());
    delete c;
    EXPECT_EQ(a.dataSize(), 3);   /* the clone shared, not stole, the bytes */
}

TEST(ImplData, DamagedStreamsAreRefused)
{
    const Bytes bad[] = {
        {1, 0, 3, 0, 5, 0, 0xFF, 0xFF, 7, 0, 0xFF, 0xFF, 0xFF, 0xFF},   /* 16-bit type item */
        {2, 0, 13, 0, 2, 0, 'a', 0, 0xFF, 0xFF, 7, 0, 0xFF, 0xFF, 0xFF, 0xFF},   /* name not UCS-2 */
        {3, 0, 13, 0, 9, 0, 1, 2},   /* cut block */
    };
    for (const Bytes &b : bad) {
        CAsiIStream in(b.data(), b.size());
        CAsiImplData v;
        EXPECT_THROW(v.unpack(in), CAsiException);
    }
}

TEST(CountedArrays, HeaderSizesAndOverflow)
{
    void *p = asi_array_alloc(5, 12);
    ASSERT_NE(p, nullptr);
    std::uint32_t n = 0, s = 0;
    asi_array_dims(p, &n, &s);
    EXPECT_EQ(n, 5u);
    EXPECT_EQ(s, 12u);
    std::memset(p, 0xAB, 5 * 12 + 1);   /* the elements and the spare byte */
    asi_array_free(p);
    n = 77;
    s = 88;
    asi_array_dims(nullptr, &n, &s);
    EXPECT_EQ(n, 77u);
    EXPECT_EQ(s, 88u);
    asi_array_free(nullptr);
    EXPECT_EQ(asi_array_alloc(0xFFFFFFFFu, 0xFFFFFFFFu), nullptr);   /* would wrap in 32 bits */
    void *z = asi_array_alloc(0, 8);
    ASSERT_NE(z, nullptr);
    asi_array_free(z);
}

TEST(FuncArgs, EntriesStartEmptyAndCopiesShareValues)
{
    CAsiFuncArgs none;
    EXPECT_EQ(none.at(0), nullptr);
    CAsiFuncArgs args(3);
    EXPECT_EQ(args.count(), 3);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(args.at(i), nullptr);
    CAsiPoint p;
    EXPECT_EQ(args.set(1, &p), 1);
    EXPECT_EQ(args.set(3, &p), 0);
    EXPECT_EQ(args.at(-1), nullptr);
    EXPECT_EQ(args.at(3), nullptr);
    CAsiFuncArgs copy(args);
    EXPECT_EQ(copy.at(1), &p);
    CAsiFuncArgs *cl = args.clone();
    ASSERT_NE(cl, nullptr);
    EXPECT_EQ(cl->at(1), &p);
    cl->release();   /* release, then the destructor */
    EXPECT_EQ(cl->count(), 0);
    delete cl;
    EXPECT_THROW(CAsiFuncArgs(-1), CAsiException);
}

/* A function overriding nothing optional. */
class CBareFunc : public CAsiExtFunc {
public:
    void name(CAsiUcStr &out) const override { out = "BARE"; }
    CAsiData *resultType() const override { return nullptr; }
    int argumentCount() const override { return 0; }
    CAsiData *argumentType(int) const override { return nullptr; }
    int isPredicate() const override { return 0; }
};

/* A value using every default of CAsiData. */
class CBareValue : public CAsiData {
public:
    CBareValue *clone() const override { return new CBareValue(*this); }
    int typeCode() const override { return 99; }
    int typeText(CAsiUcStr &out) const override { out = "BARE"; return 1; }
    int literalText(CAsiUcStr &out) const override { out = "bare"; return 1; }
    int getText(char *buf, int size) const override
    {
        if (m_null)
            return 0;
        std::snprintf(buf, (std::size_t)size, "%s", "42");
        return 1;
    }
    int getUcStr(CAsiUcStr &out) const override
    {
        if (m_null)
            return 0;
        out = "42";
        return 1;
    }
    int setText(const char *text, int length) override
    {
        last = std::string(text, std::strlen(text));
        lastLength = length;
        return 1;
    }
    int setUcStr(const CAsiUcStr &) override { return 7; }
    std::string last;
    int lastLength = 0;
};

TEST(Defaults, FunctionBaseAndValueBase)
{
    CBareFunc f;
    CAsiFuncArgs args;
    CAsiPoint result;
    result.setPoint(3, 4);
    EXPECT_EQ(f.evaluatePredicate(args), -1);
    EXPECT_EQ(f.evaluate(args, result), 0);
    EXPECT_FALSE(result.isNull());

    CBareValue v, target;
    EXPECT_EQ(v.isNull(), 1);
    EXPECT_EQ(v.setWide(u"1"), 0);   /* null: nothing */
    char16_t w[8] = {u'x'};
    EXPECT_EQ(v.getWide(w, 8), 0);
    EXPECT_EQ(w[0], u'x');
    EXPECT_EQ(v.assignTo(target), 0);
    v.setAttached(new CAsiByteBuf(4, "abcd"));
    static_cast<CAsiData &>(v) = CBareValue();   /* attached object dropped */
    EXPECT_EQ(v.attached(), nullptr);
    CBareValue w2;
    w2.setAttached(new CAsiByteBuf(2, "xy"));
    CBareValue copy(w2);
    ASSERT_NE(copy.attached(), nullptr);
    EXPECT_NE(copy.attached(), w2.attached());
    copy.release();
    EXPECT_EQ(copy.attached(), nullptr);

    CBareValue live;
    static_cast<CAsiData &>(live).assign(live);
    live.CAsiData::setNull();
    EXPECT_EQ(live.isNull(), 1);
    CBareValue notNull;
    notNull.setAttached(nullptr);
    struct Open : CBareValue {
        void open() { m_null = 0; }
    } o;
    o.open();
    EXPECT_EQ(o.setWide(u"1"), 7);
    EXPECT_EQ(o.assignTo(target), 1);
    EXPECT_EQ(target.last, "42");
    EXPECT_EQ(target.lastLength, ASI_DATA_TEXT_BUF);
    EXPECT_EQ(o.getWide(w, 8), 1);
    EXPECT_EQ(CAsiUcStr(w), CAsiUcStr("42"));
    char16_t tiny[2];
    EXPECT_EQ(o.getWide(tiny, 2), 1);
    EXPECT_EQ(tiny[1], 0);
    int bits = -1;
    EXPECT_EQ(o.getBytes(w, 8, &bits), 0);
    EXPECT_EQ(bits, -1);
    EXPECT_EQ(o.setData("x", 0, 1), 0);
    EXPECT_EQ(o.createFunction(CAsiUcStr("X")), nullptr);
    EXPECT_EQ(o.isEqual(v), 0);
}

} // namespace
