/*
** resbuf_test.cpp: result-buffer chains: cursor moves and edits at the
** head, in the middle and at the end (run under AddressSanitizer for the
** memory they hand around), typed access that refuses elements of another
** type, copies, braces, and the result type of group codes.
*/
#include <cstring>

#include "ase_fixture.h"
#include "linkclient/ase_resbuf.h"

namespace {

/* A chain object holding RTSHORT 1, RTSTR "two", RTREAL 3.0, RTLONG 4. */
void fill(CAseResBuf &rb)
{
    rb.attach(ads_buildlist(RTSHORT, 1, RTSTR, "two", RTREAL, 3.0, RTLONG, 4, 0));
}

} // namespace

TEST(AseResBuf, CursorWalksBothWays)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    fill(rb);
    EXPECT_EQ(rb.length(), 4);
    EXPECT_EQ(rb.index(), 0);
    EXPECT_EQ(rb.last(), 1);
    EXPECT_EQ(rb.curLong(), 4);
    EXPECT_EQ(rb.prev(), 1);
    EXPECT_EQ(rb.curType(), RTREAL);
    EXPECT_EQ(rb.prev(), 1);
    EXPECT_EQ(rb.prev(), 1);
    EXPECT_EQ(rb.index(), 0);
    EXPECT_EQ(rb.prev(), 0) << "from the head the cursor leaves the chain";
    EXPECT_EQ(rb.index(), -1);
    EXPECT_EQ(rb.next(), 0) << "without a cursor nothing moves";
    EXPECT_EQ(rb.seek(2), 1);
    EXPECT_DOUBLE_EQ(rb.curReal(), 3.0);
    EXPECT_EQ(rb.get(2)->restype, RTLONG);
    EXPECT_EQ(rb.seek(9), 0);
    EXPECT_EQ(rb.find(RTSTR), 1);
    EXPECT_STREQ(rb.curText(), "two");
    rb.first();
    EXPECT_EQ(rb.findReal(RTREAL, 3.0), 1);
    EXPECT_EQ(rb.index(), 2);
    rb.first();
    EXPECT_EQ(rb.findReal(RTREAL, 9.0), 0);
}

TEST(AseResBuf, AccessorsRefuseElementsOfAnotherType)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    fill(rb);
    rb.first();   /* RTSHORT */
    EXPECT_EQ(rb.curText(), nullptr);
    EXPECT_EQ(rb.curReal(), 0.0);
    EXPECT_EQ(rb.curLong(), 0);
    EXPECT_EQ(rb.curPoint(), nullptr);
    EXPECT_EQ(rb.setText("x"), 0) << "a text never goes into a short";
    EXPECT_EQ(rb.setReal(1.5), 0);
    EXPECT_EQ(rb.setShort(7), 1);
    EXPECT_EQ(rb.curShort(), 7);
    rb.next();   /* RTSTR */
    EXPECT_EQ(rb.curShort(), 0);
    EXPECT_EQ(rb.setLong(3), 0);
    EXPECT_EQ(rb.setBinary("ab", 2), 0);
}

TEST(AseResBuf, SetTextGivenItsOwnTextCopiesFirst)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    fill(rb);
    rb.seek(1);
    EXPECT_EQ(rb.setText(rb.curText()), 1);
    EXPECT_STREQ(rb.curText(), "two");
    EXPECT_EQ(rb.setType(ASE_XD_STRING), 1);
    EXPECT_EQ(rb.curText(), nullptr) << "a new type starts with a zero value";
    EXPECT_EQ(rb.setText("again"), 1);
    resbuf other = {};
    other.restype = ASE_XD_BINARY;
    char bytes[3] = {1, 2, 3};
    other.resval.rbinary.clen = 3;
    other.resval.rbinary.buf = bytes;
    EXPECT_EQ(rb.setValue(&other), 1);
    EXPECT_EQ(rb.curType(), ASE_XD_BINARY);
    EXPECT_NE(rb.get(1)->resval.rbinary.buf, bytes) << "chunks are duplicated";
    EXPECT_EQ(std::memcmp(rb.get(1)->resval.rbinary.buf, bytes, 3), 0);
}

TEST(AseResBuf, AppendAndInsertMoveTheCursorToTheNewElements)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    EXPECT_EQ(rb.append(RTLB), 1) << "the first element becomes the head";
    EXPECT_EQ(rb.appendValue(RTSTR, nullptr), 1);
    EXPECT_STREQ(rb.curText(), "");
    EXPECT_EQ(rb.append(RTLE), 1);
    rb.first();
    EXPECT_EQ(rb.appendChain(ads_buildlist(RTSHORT, 5, RTSHORT, 6, 0)), 1);
    EXPECT_EQ(rb.curShort(), 6) << "cursor on the last element linked in";
    EXPECT_EQ(types_of(rb.head()), (std::vector<int>{RTLB, RTSHORT, RTSHORT, RTSTR, RTLE}));
    rb.first();
    EXPECT_EQ(rb.insertValue(RTSTR, "head"), 1);
    EXPECT_STREQ(rb.head()->resval.rstring, "head");
    EXPECT_EQ(rb.index(), 0);
    rb.seek(3);
    EXPECT_EQ(rb.insert(RTT), 1);
    EXPECT_EQ(rb.index(), 3);
    EXPECT_EQ(types_of(rb.head()), (std::vector<int>{RTSTR, RTLB, RTSHORT, RTT, RTSHORT, RTSTR, RTLE}));
    rb.prev();
    rb.prev();
    rb.prev();
    EXPECT_EQ(rb.prev(), 0);
    EXPECT_EQ(rb.append(RTT), 0) << "a chain with a head but no cursor refuses an append";
    EXPECT_EQ(rb.appendValue(RTSHORT, "x"), 0) << "no text in an element that holds none";
}

TEST(AseResBuf, RemoveAtHeadMiddleAndEnd)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    fill(rb);
    rb.first();
    EXPECT_EQ(rb.remove(), 1);
    EXPECT_EQ(rb.head()->restype, RTSTR) << "the next element becomes the head";
    EXPECT_EQ(rb.index(), 0);
    rb.seek(1);
    EXPECT_EQ(rb.remove(), 1);
    EXPECT_EQ(rb.curType(), RTLONG);
    EXPECT_EQ(rb.removeN(5), 1) << "stops when the cursor leaves the chain";
    EXPECT_EQ(types_of(rb.head()), (std::vector<int>{RTSTR}));
    EXPECT_EQ(rb.remove(), 0);
    rb.first();
    rb.remove();
    EXPECT_EQ(rb.head(), nullptr);
    EXPECT_EQ(rb.length(), 0);
}

TEST(AseResBuf, CopiesAreDeepAndIndependent)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    fill(rb);
    CAseObj *copy = rb.clone();
    ASSERT_NE(copy, nullptr);
    CAseResBuf *c = static_cast<CAseResBuf *>(copy);
    c->seek(1);
    c->setText("changed");
    rb.seek(1);
    EXPECT_STREQ(rb.curText(), "two");
    CAseResBuf d(&errs);
    EXPECT_EQ(d.copyFrom(c), 1);
    EXPECT_EQ(d.index(), 0);
    d.seek(1);
    EXPECT_STREQ(d.curText(), "changed");
    EXPECT_EQ(d.copyFrom(nullptr), 0);
    EXPECT_EQ(d.length(), 0);
    resbuf *part = rb.copyChain(rb.head(), rb.get(0)->rbnext->rbnext);
    EXPECT_EQ(types_of(part), (std::vector<int>{RTSHORT, RTSTR}));
    ads_relrb(part);
    EXPECT_EQ(rb.copyChain(rb.head(), rb.head()), nullptr);
    delete copy;
}

TEST(AseResBuf, BracesAndSetAll)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    rb.attach(ads_buildlist(ASE_XD_STRING, "a", 0));
    EXPECT_EQ(rb.xdataBraces(), 1);
    EXPECT_EQ(types_of(rb.head()), (std::vector<int>{1002, 1000, 1002}));
    EXPECT_STREQ(rb.head()->resval.rstring, "{");
    EXPECT_EQ(rb.xdataBrace(0), 1);
    EXPECT_STREQ(rb.curText(), "{");
    double p[3] = {1, 2, 3};
    double q[3] = {7, 8, 9};
    CAseResBuf pts(&errs);
    pts.attach(ads_buildlist(RTPOINT, p, RTSHORT, 1, RTPOINT, p, 0));
    pts.seek(1);
    EXPECT_EQ(pts.setAllPoints(RTPOINT, q), 1);
    EXPECT_EQ(pts.head()->resval.rpoint[0], 1.0) << "elements before the cursor keep theirs";
    pts.last();
    EXPECT_EQ(pts.curPoint()[2], 9.0);
    EXPECT_EQ(pts.setAllPoints(RTSHORT, q), 0);
}

TEST(AseResBuf, ResultTypeOfGroupCodes)
{
    const struct {
        int code, result;
    } table[] = {
        {1004, 1004}, {1071, RTLONG}, {5009, RTPOINT}, {RTSTR, RTSTR}, {RTLB, RTLB},
        {-1, RTENAME}, {-2, RTENAME}, {-4, RTSTR}, {0, RTSTR}, {9, RTSTR}, {1000, RTSTR},
        {1005, RTSTR}, {10, RTPOINT}, {18, RTPOINT}, {210, RTPOINT}, {1010, RTPOINT}, {38, RTREAL},
        {58, RTREAL}, {140, RTREAL}, {1040, RTREAL}, {62, RTSHORT}, {78, RTSHORT}, {170, RTSHORT},
        {1070, RTSHORT}, {90, 90}, {60, 60}, {19, 19},
    };
    for (auto &t : table)
        EXPECT_EQ(CAseResBuf::resultType(t.code), t.result) << "group code " << t.code;
    EXPECT_EQ(CAseResBuf::isTextType(1000), 1);
    EXPECT_EQ(CAseResBuf::isTextType(1070), 0);
}

TEST(AseResBuf, NormaliseMapsGroupCodesItCanCarry)
{
    CAseErrList errs;
    CAseResBuf rb(&errs);
    rb.attach(ads_buildlist(1002, "{", 1040, 2.5, 1000, "t", 1070, 3, 1071, 4, 1002, "}", 0));
    EXPECT_EQ(rb.normalise(), 1);
    EXPECT_EQ(types_of(rb.head()), (std::vector<int>{1002, RTREAL, RTSTR, RTSHORT, RTLONG, 1002}));
    rb.seek(1);
    EXPECT_DOUBLE_EQ(rb.curReal(), 2.5);
    CAseResBuf other(&errs);
    other.attach(ads_buildlist(90, 7, 1040, 1.0, 0));
    EXPECT_EQ(other.normalise(), 0);
    EXPECT_EQ(types_of(other.head()), (std::vector<int>{90, RTREAL}));
}
