/*
** dsc_test.cpp: the application descriptor and the request channel
** against the editor's link-store service: connecting and disconnecting,
** code-page conversion, the drawing preparation and error fetch around
** each request, replies that count as none, the child list, handles made
** and refused, and the attribute lists of links and selections.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ase_fixture.h"
#include "dsc_fixture.h"
#include "linkclient/ase_dsc.h"
#include "linkclient/ase_lp.h"
#include "sqlclient/base/asi_codepage.h"

namespace {

using AseChannel = AseDscTest;

/* The calls the service received as text lines (operations too). */
std::vector<std::string> call_texts()
{
    std::vector<std::string> out;
    for (auto &c : ase_service_calls())
        out.push_back(c.op == 1 ? std::to_string(c.code) : ase_service_call_text(c));
    return out;
}

TEST_F(AseChannel, OpenConnectsWithRequests1And64AndCloseSends65)
{
    ase_close_app(&m_app);
    EXPECT_EQ(m_app, nullptr);
    ase_service_clear_calls();
    m_app = ase_open_app();
    ASSERT_NE(m_app, nullptr);
    EXPECT_EQ(call_texts(), (std::vector<std::string>{"1", "64"})) << "no drawing preparation for 1 and 64";
    EXPECT_STREQ(ase_get_app_text(m_app), "Link store of the stand-in editor 14.0");
    EXPECT_EQ(ase_check_dsc(m_app), 1);
    EXPECT_EQ(ase_get_dsc_type(m_app), ASE_DSC_APP);
    EXPECT_EQ(app()->converting(), 0);
    ase_close_app(&m_app);
    EXPECT_EQ(m_app, nullptr);
    EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{1, 64, 65}));
    ase_close_app(&m_app);
    ase_close_app(nullptr);
    EXPECT_EQ(ase_service_request_codes().size(), 3u) << "closing a null handle sends nothing";
}

TEST_F(AseChannel, ARequestIsFramedByDrawingPreparationAndTheErrorFetch)
{
    void *p = ase_alloc_dsc(m_app, ASE_DSC_PATH);
    ASSERT_NE(p, nullptr);
    ASSERT_EQ(ase_init_path(p, "db3", 1), 1);
    ase_service_clear_calls();
    EXPECT_EQ(ase_get_path_status(p), 0);
    EXPECT_EQ(call_texts(), (std::vector<std::string>{"op 3", "op 7", "10", "63"}));
    ase_service_clear_calls();
    EXPECT_EQ(ase_path_request17(p), 0) << "a request the store does not serve";
    EXPECT_EQ(call_texts(), (std::vector<std::string>{"op 2", "op 7", "17", "63"})) << "mode 1 prepares with op 2";
    EXPECT_TRUE(has_err(p, LSV_ERR_CATEGORY, LSV_ERR_REQUEST)) << "the host's item from request 63";
    ase_free_dsc(&p);
    EXPECT_EQ(p, nullptr);
}

TEST_F(AseChannel, ANilReplyFailsWithTheHostsItemsAndAMissingFetchLeavesNone)
{
    void *p = ase_alloc_dsc(m_app, ASE_DSC_PATH);
    ASSERT_EQ(ase_init_path(p, "DB3", 1), 1);
    ase_service_fail_request(10, 1);
    EXPECT_EQ(ase_get_path_status(p), 0);
    EXPECT_EQ(errs_of(p), (std::vector<std::pair<int, int>>{{LSV_ERR_CATEGORY, LSV_ERR_REFUSED}}));
    char msg[256];
    EXPECT_EQ(ase_get_err_message(p, 0, msg, sizeof msg), 1);
    EXPECT_NE(std::string(msg).find("Request 10 refused"), std::string::npos) << msg;

    ase_service_fail_request(10, 1);
    ase_service_fail_request(63, 1);
    EXPECT_EQ(ase_get_path_status(p), 0);
    EXPECT_EQ(ase_get_err_count(p), 0) << "request 63 gave nothing: the list is empty";
    ase_free_dsc(&p);
}

TEST_F(AseChannel, ACodePageDifferingOnlyInCaseDoesNotConvert)
{
    CodePageGuard guard;
    ASSERT_EQ(asi_set_current_cp("1252"), 1);
    ase_close_app(&m_app);
    ase_service_set_code_page("cp1252");
    m_app = ase_open_app();
    ASSERT_NE(m_app, nullptr);
    EXPECT_EQ(app()->converting(), 1) << "another name of the page is another text";
    ase_close_app(&m_app);
    std::string lower = asi_current_cp();
    for (auto &ch : lower)
        ch = (char)std::tolower((unsigned char)ch);
    ase_service_set_code_page(lower.c_str());
    m_app = ase_open_app();
    ASSERT_NE(m_app, nullptr);
    EXPECT_EQ(app()->converting(), 0);
}

TEST_F(AseChannel, TextsAreConvertedBetweenTheHostsCodePageAndTheLibrarys)
{
    CodePageGuard guard;
    ASSERT_EQ(asi_set_current_cp("1252"), 1);
    ase_close_app(&m_app);
    ase_service_set_code_page("850");
    ase_service_set_host_text("Stra\x8F\xE1");    /* 850: A-ring, sharp s */
    m_app = ase_open_app();
    ASSERT_NE(m_app, nullptr);
    EXPECT_EQ(app()->converting(), 1);
    EXPECT_STREQ(app()->hostCodePage(), "850");
    EXPECT_STREQ(ase_get_app_text(m_app), "Stra\xC5\xDF") << "the host text in 1252";
    void *p = ase_alloc_dsc(m_app, ASE_DSC_PATH);
    ASSERT_EQ(ase_init_path(p, "\xC5SE", 1), 1);
    ase_service_clear_calls();
    ase_get_path_status(p);
    ASSERT_FALSE(ase_service_calls().empty());
    EXPECT_EQ(request_texts().front(), "10 (5005 \"\x8FSE\")") << "the argument goes out in 850";
    ase_free_dsc(&p);
}

TEST_F(AseChannel, WithoutHostTextOrServiceNoHandleIsMade)
{
    ase_close_app(&m_app);
    ase_service_set_host_text(nullptr);
    ase_service_clear_calls();
    EXPECT_EQ(ase_open_app(), nullptr) << "request 1 gave no host text";
    EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{1})) << "not connected: no 64, no 65";
    CAseAppDsc direct(nullptr);
    EXPECT_EQ(direct.init(), 0);
    EXPECT_TRUE(has_err(&direct, ASE_CAT_HOST, ASE_ERR_NO_SERVICE));
    EXPECT_EQ(direct.hostText(), nullptr);
    ase_service_reset_hooks();

    ase_service_unregister();
    EXPECT_EQ(ase_open_app(), nullptr);
    EXPECT_EQ(direct.init(), 0);
    EXPECT_TRUE(has_err(&direct, ASE_CAT_HOST, ASE_ERR_NO_SERVICE));
    ASSERT_EQ(ads_arxload("ase"), RTNORM);
    m_app = ase_open_app();
    EXPECT_NE(m_app, nullptr) << "loading the host application brings the service back";
}

TEST_F(AseChannel, ADescriptorOutlivingItsApplicationLosesItsChannel)
{
    void *p = ase_alloc_dsc(m_app, ASE_DSC_PATH);
    ASSERT_EQ(ase_init_path(p, "DB3", 1), 1);
    EXPECT_EQ(app()->children()->count(), 1);
    ase_close_app(&m_app);
    ase_service_clear_calls();
    EXPECT_EQ(ase_get_path_status(p), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_HOST, ASE_ERR_NOT_READY));
    EXPECT_TRUE(ase_service_calls().empty());
    EXPECT_EQ(ase_get_app_text(p), nullptr);
    ase_free_dsc(&p);
    EXPECT_EQ(p, nullptr);
}

TEST_F(AseChannel, EveryDescriptorLeavesItsParentsChildListAndNoOtherList)
{
    void *child = ase_alloc_dsc(m_app, ASE_DSC_APP);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(app()->children()->count(), 1);
    EXPECT_EQ(ase_check_dsc(child), 0) << "a further application descriptor is not connected";
    auto *c = static_cast<CAseAppDsc *>(child);
    EXPECT_EQ(c->channel(), c) << "it is its own channel";
    ase_free_dsc(&child);
    EXPECT_EQ(app()->children()->count(), 0) << "removed from its parent's list";

    void *a = ase_alloc_dsc(m_app, ASE_DSC_PATH), *b = ase_alloc_dsc(m_app, ASE_DSC_LINK);
    void *s = ase_alloc_dsc(m_app, ASE_DSC_LINKSEL);
    EXPECT_EQ(app()->children()->count(), 3);
    EXPECT_EQ(app()->children()->item(0), static_cast<CAseDsc *>(s)) << "newest first";
    ase_free_dsc(&b);
    EXPECT_EQ(app()->children()->count(), 2);
    EXPECT_EQ(app()->children()->item(5), nullptr);
    ase_free_dsc(&a);
    ase_free_dsc(&s);
    EXPECT_EQ(app()->children()->count(), 0);
}

TEST_F(AseChannel, AFailureWhileMakingAHandleIsCaughtAndNothingIsLeft)
{
    void *child = ase_alloc_dsc(m_app, ASE_DSC_APP);
    ASSERT_NE(child, nullptr);
    auto *c = static_cast<CAseAppDsc *>(child);
    for (int type : {ASE_DSC_PATH, ASE_DSC_LINK, ASE_DSC_LINKSEL}) {
        EXPECT_EQ(ase_alloc_dsc(child, type), nullptr) << type;
        EXPECT_TRUE(has_err(child, ASE_CAT_HOST, ASE_ERR_HOST_FAILED)) << type;
        EXPECT_EQ(c->children()->count(), 0) << "the half-made descriptor left the list";
    }
    ase_dsc_fail_alloc_after(0);
    EXPECT_EQ(ase_alloc_dsc(m_app, ASE_DSC_PATH), nullptr) << "no memory for the descriptor";
    EXPECT_EQ(app()->children()->count(), 1) << "only the child application";
    EXPECT_EQ(ase_alloc_dsc(m_app, 5), nullptr);
    EXPECT_EQ(ase_alloc_dsc(m_app, 0), nullptr);
    EXPECT_EQ(ase_alloc_dsc(nullptr, ASE_DSC_PATH), nullptr);
    ase_free_dsc(&child);
}

TEST_F(AseChannel, CopiesOfTheApplicationShareItsHostTexts)
{
    void *copy = ase_clone_dsc(m_app);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(ase_get_app_text(copy), ase_get_app_text(m_app));
    EXPECT_EQ(ase_equal_dsc(copy, m_app), 0) << "application descriptors are equal only to themselves";
    EXPECT_EQ(ase_equal_dsc(m_app, m_app), 1);
    EXPECT_EQ(ase_equal_dsc(m_app, nullptr), 0);
    EXPECT_EQ(ase_service_request_codes().back(), 64) << "the copy of a connected one sends 64";
    ase_free_dsc(&copy);
    EXPECT_EQ(ase_service_request_codes().back(), 65) << "and disconnects when it goes";
    EXPECT_EQ(ase_fetch_app_errs(m_app), 1);
}

TEST_F(AseChannel, AttributePairsFollowTheTableOfCodes)
{
    CAseDsc *d = app();
    auto make = [&](int code) {
        return ase_dsc_guard(d->req(), static_cast<resbuf *>(nullptr), [&] { return d->makeAttr(code, "x"); });
    };
    struct Case {
        int code;
        std::vector<int> types;
    } cases[] = {
        {-3, {RTSHORT, RTSTR}},  {-2, {RTSHORT, RTPICKS}},     {-1, {RTSHORT, RTSTR}}, {1, {RTSHORT, RTLONG}},
        {2, {RTSHORT, RTSHORT}}, {4, {RTSHORT, RTENAME}},      {5, {RTSHORT, RTSTR}},  {6, {RTSHORT, RTLB, RTLE}},
        {12, {RTSHORT, RTLB, RTLE}},
    };
    for (auto &c : cases) {
        resbuf *pair = make(c.code);
        EXPECT_EQ(types_of(pair), c.types) << c.code;
        ads_relrb(pair);
    }
    for (int bad : {0, 11, 13, -4}) {
        EXPECT_EQ(make(bad), nullptr) << bad;
        EXPECT_TRUE(has_err(d, ASE_CAT_HOST, ASE_ERR_BAD_ATTR)) << bad;
    }
}

TEST_F(AseChannel, AttributeWalkersReplaceRemoveAndTurnPointsIntoLists)
{
    CAseDsc *d = app();
    ads_point pt = {1, 2, 3};
    resbuf *list = ads_buildlist(RTSHORT, 1, RTLONG, 7, RTSHORT, 6, RT3DPOINT, pt, RTSHORT, 7, RTLB, RTSTR, "A",
                                 RTLB, RTSTR, "B", RTLE, RTLE, RTSHORT, 5, RTSTR, "L", 0);
    EXPECT_EQ(CAseDsc::nextPair(CAseDsc::findPair(list, 7)), CAseDsc::findPair(list, 5)) << "a nested list counts whole";
    ASSERT_EQ(ase_dsc_guard(d->req(), 0, [&] { return d->pointToList(list); }), 1);
    EXPECT_EQ(types_of(CAseDsc::findPair(list, 6)),
              (std::vector<int>{RTSHORT, RTLB, RTREAL, RTREAL, RTREAL, RTLE, RTSHORT, RTLB, RTSTR, RTLB, RTSTR, RTLE,
                                RTLE, RTSHORT, RTSTR}));
    resbuf *value = ads_buildlist(RTSTR, "new", 0);
    ASSERT_EQ(ase_dsc_guard(d->req(), 0, [&] { return d->setValue(list, 7, value); }), 1);
    EXPECT_STREQ(CAseDsc::valueOf(list, 7)->resval.rstring, "new");
    EXPECT_EQ(CAseDsc::valueOf(list, 7)->rbnext, CAseDsc::findPair(list, 5));
    resbuf *missing = ads_buildlist(RTSTR, "x", 0);
    EXPECT_EQ(ase_dsc_guard(d->req(), 0, [&] { return d->setValue(list, 9, missing); }), 0);
    EXPECT_TRUE(has_err(d, ASE_CAT_HOST, ASE_ERR_NOT_READY));
    list = CAseDsc::removePair(list, list);
    EXPECT_EQ(list->resval.rint, 6) << "removing the first pair gives the next as head";
    list = CAseDsc::removePair(list, CAseDsc::findPair(list, 7));
    EXPECT_EQ(CAseDsc::findPair(list, 7), nullptr);
    EXPECT_NE(CAseDsc::findPair(list, 5), nullptr);
    resbuf *copy = ase_dsc_guard(d->req(), static_cast<resbuf *>(nullptr), [&] { return d->copyChain(list, list); });
    EXPECT_EQ(copy, nullptr) << "two equal elements copy nothing";
    ads_relrb(list);
}

} // namespace
