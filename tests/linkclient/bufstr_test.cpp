/*
** bufstr_test.cpp: byte buffers and packed texts: sizes, packing a chain
** into little-endian bytes, the 127-byte binary chunks, texts by index
** with the room their terminators need, and their exchange with chains.
*/
#include <cstring>
#include <string>
#include <vector>

#include "ase_fixture.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "linkclient/ase_str.h"

TEST(AseBuf, SizesAndCopies)
{
    CAseErrList errs;
    CAseBuf buf(&errs);
    EXPECT_EQ(buf.alloc(0), 0);
    EXPECT_TRUE(has_item(errs, 1, 1));
    EXPECT_EQ(buf.isValid(), 0) << "a refused size leaves the buffer empty";
    ASSERT_EQ(buf.alloc(8), 1);
    EXPECT_EQ(buf.data()[0], 0);
    std::memcpy(buf.data(), "abcdefg", 8);
    EXPECT_EQ(buf.grow(4), 1);
    EXPECT_EQ(buf.size(), 8) << "growing to a smaller size changes nothing";
    ASSERT_EQ(buf.grow(16), 1);
    EXPECT_STREQ(reinterpret_cast<char *>(buf.data()), "abcdefg");
    CAseBuf other(&errs);
    EXPECT_EQ(other.assign(&buf), 1);
    EXPECT_EQ(other.size(), 16);
    EXPECT_EQ(std::memcmp(other.data(), buf.data(), 16), 0);
    CAseBuf empty(&errs);
    EXPECT_EQ(other.assign(&empty), 1);
    EXPECT_EQ(other.isValid(), 0);
    EXPECT_EQ(other.assign(nullptr), 0);
}

TEST(AseBuf, PackChainWritesLittleEndianValues)
{
    CAseErrList errs;
    CAseResBuf chain(&errs);
    chain.attach(ads_buildlist(1002, "{", RTREAL, 1.0, 1071, 0x01020304, RTSTR, "ab", 1000, "", RTLONG, -2,
                               1002, "}", 0));
    CAseBuf buf(&errs);
    ASSERT_EQ(buf.packChain(chain, 0, 0), 1);
    const unsigned char want[] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 4, 3, 2, 1, 'a', 'b', 0, 0, 0xFE, 0xFF, 0xFF, 0xFF};
    ASSERT_EQ(buf.size(), (int)sizeof want);
    EXPECT_EQ(std::memcmp(buf.data(), want, sizeof want), 0);
    EXPECT_DOUBLE_EQ(ase_get_real(buf.data()), 1.0);
    EXPECT_EQ(ase_get_long(buf.data() + 16), -2);
    ASSERT_EQ(buf.packChain(chain, 0, 64), 1);
    EXPECT_EQ(buf.size(), 64) << "the minimum size pads with zeros";
}

TEST(AseBuf, PackChainRefusesOtherTypesAndEmptyChains)
{
    CAseErrList errs;
    CAseBuf buf(&errs);
    CAseResBuf chain(&errs);
    chain.attach(ads_buildlist(RTSTR, "x", RTSHORT, 3, 0));
    EXPECT_EQ(buf.packChain(chain, 0, 0), 0);
    EXPECT_TRUE(has_item(errs, 2, 27));
    errs.clear();
    chain.attach(ads_buildlist(1002, "{", 1002, "}", 0));
    EXPECT_EQ(buf.packChain(chain, 0, 0), 0);
    EXPECT_TRUE(has_item(errs, 1, 1));
    EXPECT_EQ(buf.isValid(), 0);
}

TEST(AseBuf, BytesTakenFromItsOwnBlockSurviveTheReplacement)
{
    CAseErrList errs;
    CAseBuf buf(&errs);
    ASSERT_EQ(buf.setBytes("abcdef", 6), 1);
    ASSERT_EQ(buf.setBytes(buf.data() + 2, 3), 1) << "the old block is freed only after the copy";
    ASSERT_EQ(buf.size(), 3);
    EXPECT_EQ(std::memcmp(buf.data(), "cde", 3), 0);
}

TEST(AseBuf, ThreeHundredBytesBecomeThreeChunks)
{
    CAseErrList errs;
    CAseBuf buf(&errs);
    std::vector<unsigned char> bytes(300);
    for (int i = 0; i < 300; ++i)
        bytes[i] = (unsigned char)(i * 7);
    ASSERT_EQ(buf.setBytes(bytes.data(), 300), 1);
    CAseResBuf chain(&errs);
    ASSERT_EQ(buf.toChunks(chain), 1);
    std::vector<int> lengths;
    for (resbuf *rb = chain.head(); rb; rb = rb->rbnext) {
        EXPECT_EQ(rb->restype, 1004);
        lengths.push_back(rb->resval.rbinary.clen);
    }
    EXPECT_EQ(lengths, (std::vector<int>{127, 127, 46}));
    chain.first();
    CAseBuf back(&errs);
    ASSERT_EQ(back.packChain(chain, 1, 0), 1);
    ASSERT_EQ(back.size(), 300);
    EXPECT_EQ(std::memcmp(back.data(), bytes.data(), 300), 0);
    CAseBuf none(&errs);
    EXPECT_EQ(none.toChunks(chain), 0);
}

TEST(AseStr, TextsByIndex)
{
    CAseErrList errs;
    CAseStr s(&errs);
    EXPECT_EQ(s.textCount(), 0);
    EXPECT_EQ(s.offsetOf(0), -1);
    ASSERT_EQ(s.setAt(0, "ab"), 1);
    EXPECT_EQ(s.textCount(), 1);
    EXPECT_EQ(s.used(), 3);
    EXPECT_EQ(s.setAt(5, "cd"), 1) << "a missing index appends";
    EXPECT_STREQ(s.at(1), "cd");
    EXPECT_EQ(s.setAt(2, "ab"), 1);
    EXPECT_EQ(s.findText("ab"), 2) << "the later of two equal texts";
    EXPECT_EQ(s.findText("zz"), -1);
    EXPECT_EQ(s.setAt(1, "longer text"), 1);
    EXPECT_EQ(s.textCount(), 2) << "replacing a text drops the texts after it";
    EXPECT_EQ(s.offsetOf(1), 3);
    EXPECT_EQ(s.at(2), nullptr);
    EXPECT_EQ(s.setAt(0, nullptr), 0);
}

TEST(AseStr, GrowthKeepsRoomForTheTerminatorsAndOwnTexts)
{
    CAseErrList errs;
    CAseStr s(&errs);
    std::string expect;
    for (int i = 0; i < 40; ++i) {
        std::string t(i % 9 + 1, (char)('a' + i % 26));
        ASSERT_EQ(s.setAt(i, t.c_str()), 1);
        ASSERT_GE(s.size(), s.used() + 1);
        EXPECT_EQ(s.data()[s.used()], 0) << "the byte after the last text is 0";
    }
    /* Setting a text from one of its own texts: copied before the buffer moves. */
    const char *own = s.at(39);
    std::string copy = own;
    ASSERT_EQ(s.setAt(40, own), 1);
    EXPECT_EQ(std::string(s.at(40)), copy);
    ASSERT_EQ(s.setAt(0, s.at(40)), 1);
    EXPECT_EQ(std::string(s.at(0)), copy);
    EXPECT_EQ(s.textCount(), 1);
}

TEST(AseStr, ChainsBothWaysWithAndWithoutConversion)
{
    CodePageGuard guard;
    CAseErrList errs;
    CAseStr s(&errs);
    s.setAt(0, "DB3");
    s.setAt(1, "Gr\xfc\xdf" "e");   /* 1252 */
    CAseResBuf plain(&errs);
    ASSERT_EQ(s.toChain(plain, 0), 1);
    EXPECT_EQ(types_of(plain.head()), (std::vector<int>{RTSTR, RTSTR}));
    ASSERT_EQ(asi_set_current_cp("850"), 1);
    CAseStr s850(&errs);
    s850.setAt(0, "Gr\x81\xe1" "e");   /* the same text in 850 */
    CAseResBuf xd(&errs);
    ASSERT_EQ(s850.toChain(xd, 1), 1);
    EXPECT_EQ(xd.head()->restype, 1000);
    EXPECT_STREQ(xd.head()->resval.rstring, "Gr\xfc\xdf" "e") << "extended data carries 1252";
    xd.xdataBrace(1);
    xd.append(RTSHORT);
    xd.first();
    CAseStr back(&errs);
    EXPECT_EQ(back.fromChain(&xd, 1), 6);
    EXPECT_STREQ(back.at(0), "Gr\x81\xe1" "e");
    EXPECT_EQ(xd.curType(), 1002) << "the brace ends the reading";
    xd.next();
    EXPECT_EQ(back.fromChain(&xd, 0), 0);
    EXPECT_TRUE(has_item(errs, 2, 27));
    EXPECT_EQ(back.fromChain(nullptr, 0), 0);
}

TEST(AseStr, OrderSplitAndCopies)
{
    CAseErrList errs;
    CAseStr a(&errs), b(&errs);
    a.setAt(0, "x");
    a.setAt(1, "b");
    b.setAt(0, "x");
    EXPECT_EQ(a.compare(&b), 1) << "a missing text sorts first";
    b.setAt(1, "c");
    EXPECT_EQ(a.compare(&b), -1);
    CAseBuf notStr(&errs);
    EXPECT_EQ(a.compare(&notStr), ASE_CMP_NONE);
    CAseList *parts = a.split();
    ASSERT_NE(parts, nullptr);
    EXPECT_EQ(parts->count(), 2);
    EXPECT_EQ(parts->blockSize(), 10);
    EXPECT_STREQ(static_cast<CAseStr *>(parts->item(1))->at(0), "b");
    delete parts;
    CAseStr none(&errs);
    EXPECT_EQ(none.split(), nullptr);
    CAseStr *c = static_cast<CAseStr *>(a.clone());
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->compare(&a), 0);
    c->empty();
    EXPECT_EQ(c->textCount(), 0);
    delete c;
}
