/*
** except_test.cpp: exception frames nest 200 deep and a throw lands in the
** innermost; a 201st frame is refused; conditions raised inside a frame
** reach the diagnostics with their SQLSTATE; the frame objects chain,
** keep, re-raise and delete their exception objects.
*/
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

namespace {

/* Enters frames down to depth, throws at the bottom, and records what the
** innermost frame caught; answers the depth reached. */
int nest(int depth, int *caughtAt, int *innermostCode)
{
    if (!asi_try_enter())
        return 0;
    int reached = asi_try_block_get()->depth;
    try {
        if (depth > 1) {
            reached = nest(depth - 1, caughtAt, innermostCode);
        } else {
            asi_throw(0x4321, "test");
        }
    } catch (const CAsiException &e) {
        asi_try_catch(e);
        *caughtAt = asi_try_block_get()->depth;
        *innermostCode = asi_try_code();
    }
    asi_try_leave();
    return reached;
}

TEST(TryFrames, TwoHundredFramesNestAndTheThrowReachesTheInnermost)
{
    int caughtAt = 0, code = 0;
    EXPECT_EQ(nest(ASI_TRY_MAX_FRAMES, &caughtAt, &code), ASI_TRY_MAX_FRAMES);
    EXPECT_EQ(caughtAt, ASI_TRY_MAX_FRAMES);
    EXPECT_EQ(code, 0x4321);
    EXPECT_EQ(asi_try_block_get()->depth, 0);
    EXPECT_EQ(asi_try_code(), 0);
    EXPECT_EQ(asi_try_jmpbuf(), nullptr);
}

TEST(TryFrames, TheTwoHundredAndFirstFrameIsRefused)
{
    for (int i = 0; i < ASI_TRY_MAX_FRAMES; i++)
        ASSERT_EQ(asi_try_enter(), 1);
    EXPECT_EQ(asi_try_enter(), 0);
    CAsiDiagArea diag;
    int code = 0;
    EXPECT_EQ(asi_try_call(&diag, -1, [] { return 1; }, &code), -1);
    EXPECT_EQ(code, ASI_ERR_TOO_DEEP);
    EXPECT_EQ(diag.condCode(0), ASI_ERR_TOO_DEEP);
    for (int i = 0; i < ASI_TRY_MAX_FRAMES; i++)
        asi_try_leave();
    asi_try_leave();   /* one too many is harmless */
    EXPECT_EQ(asi_try_block_get()->depth, 0);
}

TEST(TryCall, RaisedConditionLandsInTheDiagnosticsWithItsSqlstate)
{
    CAsiDiagArea diag;
    int code = 0;
    int r = asi_try_call(&diag, 0, [] {
        asi_warn_state(0x2201);
        asi_raise_state(0x2203);
        return 1;
    }, &code);
    EXPECT_EQ(r, 0);
    EXPECT_EQ(code, 0x2203);
    ASSERT_EQ(diag.count(), 2);
    char state[6];
    diag.condSqlstate(0, state);
    EXPECT_STREQ(state, "22001");
    diag.condSqlstate(1, state);
    EXPECT_STREQ(state, "22003");
    CAsiUcStr text;
    diag.condText(1, text);
    EXPECT_EQ(text, CAsiUcStr("numeric value out of range"));
    EXPECT_EQ(asi_thread_diag(), nullptr);   /* restored after the call */
}

TEST(TryCall, EngineCodesAndForeignExceptionsBecomeConditions)
{
    CAsiDiagArea diag;
    EXPECT_EQ(asi_try_call(&diag, 0, [] { asi_throw(ASI_ERR_INDEX, "x", "no column 7"); return 1; }), 0);
    EXPECT_EQ(asi_try_call(&diag, 0, []() -> int { throw std::bad_alloc(); }), 0);
    EXPECT_EQ(asi_try_call(&diag, 0, []() -> int { throw 5; }), 0);
    EXPECT_EQ(asi_try_call(&diag, 7, [] { return 7; }), 7);
    ASSERT_EQ(diag.count(), 3);
    EXPECT_EQ(diag.condCode(0), ASI_ERR_INDEX);
    CAsiUcStr text;
    diag.condText(0, text);
    EXPECT_EQ(text, CAsiUcStr("no column 7"));
    EXPECT_EQ(diag.condCode(1), ASI_ERR_NO_MEMORY);
    EXPECT_EQ(diag.condCode(2), ASI_ERR_GENERAL);
}

TEST(TryCall, NestedCallsKeepTheirOwnDiagnostics)
{
    CAsiDiagArea outer, inner;
    int r = asi_try_call(&outer, 0, [&] {
        EXPECT_EQ(asi_try_call(&inner, 0, [] { asi_raise_state(0x220C); return 1; }), 0);
        asi_warn_state(0x0108);
        return 1;
    });
    EXPECT_EQ(r, 1);
    EXPECT_EQ(inner.condCode(0), 0x220C);
    EXPECT_EQ(outer.count(), 1);
    EXPECT_EQ(outer.condCode(0), 0x0108);
}

TEST(TryFrameObjects, FramesChainAndDeleteWhatWasNotHandled)
{
    EXPECT_EQ(CAsiTryFrame::innermost(), nullptr);
    {
        CAsiTryFrame outer;
        {
            CAsiTryFrame inner;
            EXPECT_EQ(CAsiTryFrame::innermost(), &inner);
            EXPECT_EQ(inner.previous(), &outer);
            EXPECT_EQ(inner.code(), 0);
            try {
                asi_throw(0xE001);
            } catch (const CAsiException &e) {
                inner.take(e);
            }
            EXPECT_EQ(inner.code(), 0xE001);
            ASSERT_NE(inner.pending(), nullptr);
        }
        EXPECT_EQ(CAsiTryFrame::innermost(), &outer);
    }
    EXPECT_EQ(CAsiTryFrame::innermost(), nullptr);
}

TEST(TryFrameObjects, RaiseWithoutAnObjectPassesThePendingOneOutward)
{
    CAsiTryFrame outer;
    try {
        CAsiTryFrame inner;
        try {
            CAsiException e(0xE001, "link");
            e.items()->addCondition(0xE001);
            e.items()->addNumItem(ASI_ITEM_LINK_CATEGORY, 8);
            asi_raise(&e);
        } catch (const CAsiException &e) {
            inner.take(e);
            asi_raise();
        }
    } catch (const CAsiException &e) {
        outer.take(e);
    }
    ASSERT_NE(outer.pending(), nullptr);
    EXPECT_EQ(outer.code(), 0xE001);
    ASSERT_NE(outer.pending()->itemsOrNull(), nullptr);
    EXPECT_EQ(outer.pending()->itemsOrNull()->condNumItem(0, ASI_ITEM_LINK_CATEGORY), 8);
    outer.handled();
    EXPECT_EQ(outer.pending(), nullptr);
    EXPECT_EQ(outer.code(), 0xE001);
}

TEST(TryCall, ConditionItemsCarriedByTheExceptionAreCopied)
{
    CAsiDiagArea diag;
    asi_try_call(&diag, 0, [] {
        CAsiException e(0xE001);
        e.items()->addCondition(0xE001);
        e.items()->addNumItem(ASI_ITEM_LINK_CODE, 901);
        e.items()->setCondText(CAsiUcStr("host failed"));
        asi_raise(&e);
        return 1;
    });
    ASSERT_EQ(diag.count(), 1);
    EXPECT_EQ(diag.condNumItem(0, ASI_ITEM_LINK_CODE), 901);
    CAsiUcStr t;
    diag.condText(0, t);
    EXPECT_EQ(t, CAsiUcStr("host failed"));
}

} // namespace

namespace {

TEST(TryFrames, EachThreadHasItsOwnBlockAndDiagnostics)
{
    std::atomic<int> failures{0};
    auto worker = [&](int code) {
        for (int round = 0; round < 200; round++) {
            CAsiDiagArea d;
            int got = 0;
            asi_try_call(&d, 0, [&] {
                if (asi_try_block_get()->depth != 1)
                    failures++;
                asi_raise_state(code);
                return 1;
            }, &got);
            if (got != code || d.count() != 1 || d.condCode(0) != code)
                failures++;
        }
        if (asi_try_block_get()->depth != 0 || asi_thread_diag() != nullptr)
            failures++;
    };
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; i++)
        threads.emplace_back(worker, 0x2201 + i);
    for (auto &t : threads)
        t.join();
    EXPECT_EQ(failures.load(), 0);
}

TEST(TryFrameObjects, RaiseWithNothingPendingIsAGeneralError)
{
    try {
        asi_raise();
        ADD_FAILURE() << "asi_raise returned";
    } catch (const CAsiException &e) {
        EXPECT_EQ(e.code(), ASI_ERR_GENERAL);
    }
}

} // namespace
