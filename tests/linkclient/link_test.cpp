/*
** link_test.cpp: link path, link and link selection descriptors against
** the editor's link store (and a scripted service where the store gives no
** such reply): changing a path part by part, the cached status, key
** columns and registration, making and writing links, selecting and
** erasing the links of an entity.
*/
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "ase_fixture.h"
#include "dsc_fixture.h"
#include "linkclient/ase_link.h"
#include "linkclient/ase_linksel.h"
#include "linkclient/ase_lp.h"
#include "linkclient/ase_path.h"
#include "linkclient/ase_resbuf.h"

namespace {

class AseLinkPath : public AseDscTest {
protected:
    void SetUp() override
    {
        AseDscTest::SetUp();
        p = ase_alloc_dsc(m_app, ASE_DSC_PATH);
        ASSERT_NE(p, nullptr);
    }
    void TearDown() override
    {
        ase_free_dsc(&p);
        AseDscTest::TearDown();
    }
    /* The whole path text. */
    std::string text()
    {
        char buf[256];
        ase_get_path_text(p, buf, sizeof buf, 6);
        return buf;
    }
    void *p = nullptr;
};

TEST_F(AseLinkPath, TheEnvironmentIsFoldedAndSentWithRequest10)
{
    ASSERT_EQ(ase_init_path(p, "abc", 1), 1);
    EXPECT_EQ(text(), "ABC");
    ase_service_refuse_environment("ABC", true);
    EXPECT_EQ(ase_get_path_status(p) & ASE_STATUS_REFUSED, ASE_STATUS_REFUSED);
    EXPECT_EQ(request_texts(), (std::vector<std::string>{"10 (5005 \"ABC\")", "63 (5005 \"ABC\")"}));
}

TEST_F(AseLinkPath, ChangingOnePartKeepsTheOthers)
{
    struct Case {
        const char *before;
        int level;
        const char *in;
        const char *after;
    } cases[] = {
        {"E.C.S.T(L)", 4, "x", "E.C.S.X(L)"},       {"E.C.S.T(L)", 2, "k", "E.K.S.T(L)"},
        {"E.C.X.Y(L)", 8, "S.T", "E..S.T(L)"},      {"E.C.X.Y(L)", 8, "T", "E...T(L)"},
        {"E.C.X.Y(L)", 8, "C.S.T", "E.C.S.T(L)"},   {"A.B.C.D(L)", 7, "E.C.S.T(M)", "E.C.S.T(L)"},
        {"E.C.S.T(L)", 6, "F..G.H", "F..G.H"},      {"E.C.S.T(L)", 5, "m", "E.C.S.T(M)"},
    };
    for (auto &c : cases) {
        ASSERT_EQ(ase_init_path(p, c.before, 6), 1) << c.before;
        EXPECT_EQ(ase_init_path(p, c.in, c.level), 1) << c.in;
        EXPECT_EQ(text(), c.after) << c.level << " " << c.in;
    }
    EXPECT_EQ(ase_get_path_level(p), 5);
    EXPECT_EQ(ase_match_path(p, "e.c.s.t", 7), 1);
    EXPECT_EQ(ase_match_path(p, "C.S.T", 8), 1);
    EXPECT_EQ(ase_match_path(p, "C.S.U", 8), 0);
}

TEST_F(AseLinkPath, AFailedChangeLeavesThePreviousPathAndNoStatus)
{
    ASSERT_EQ(ase_init_path(p, "DB3.PETRIVEX.GEO.STATION", 6), 1);
    ASSERT_EQ(ase_get_path_status(p), 0);
    ASSERT_EQ(ase_init_path(p, "GEO$STATION", 5), 1);
    ASSERT_EQ(ase_create_path(p, nullptr, 0), 0);
    EXPECT_EQ(ase_init_path(p, "bad name", 5), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_PATH_NAME));
    EXPECT_EQ(ase_init_path(p, "T.U", 4), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_PATH_SYNTAX));
    EXPECT_EQ(text(), "DB3.PETRIVEX.GEO.STATION(GEO$STATION)");
    EXPECT_EQ(ase_init_path(p, nullptr, 5), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
}

TEST_F(AseLinkPath, AStatusOtherThan0IsAskedOnce)
{
    ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "OLD$STATION"), ASE_STATUS_NAMES);
    ASSERT_EQ(ase_init_path(p, "DB3.PETRIVEX.GEO.STATION", 6), 1);
    ase_service_clear_calls();
    EXPECT_EQ(ase_get_path_status(p), ASE_STATUS_NAMES);
    EXPECT_EQ(ase_get_path_status(p), ASE_STATUS_NAMES);
    EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{10, 63}));
    ASSERT_EQ(ase_init_path(p, "DB3.PETRIVEX.GEO.ROCK", 6), 1);
    ase_service_clear_calls();
    EXPECT_EQ(ase_get_path_status(p), 0);
    EXPECT_EQ(ase_get_path_status(p), 0);
    EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{10, 63, 10, 63})) << "a status of 0 is asked again";
}

TEST_F(AseLinkPath, NamesResolvesAndRegistration)
{
    ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "OLD$STATION"), ASE_STATUS_NAMES);
    ASSERT_EQ(ase_set_path_name(p, "db3.petrivex.geo.station"), 1);
    EXPECT_EQ(text(), "DB3.PETRIVEX.GEO.STATION");
    resbuf *names = ase_get_path_names(p);
    ASSERT_NE(names, nullptr);
    EXPECT_STREQ(names->resval.rstring, "OLD$STATION");
    ads_relrb(names);

    CAsiColumn **keys = ase_alloc_values(1);
    keys[0] = key_column("basenumber");
    ASSERT_EQ(ase_set_value_long(keys[0], 12), 1);
    ASSERT_EQ(ase_init_path(p, "Geo$Station", 5), 1);
    ase_service_clear_calls();
    EXPECT_EQ(ase_create_path(p, keys, 1), 1);
    ASSERT_FALSE(request_texts().empty());
    EXPECT_EQ(request_texts().front(),
              "20 (5005 \"DB3.PETRIVEX.GEO.STATION\") (5005 \"GEO$STATION\") (5005 \"BASENUMBER\") (5005 \"\") "
              "(5005 \"\") (5003 4) (5003 0) (5003 0) (5003 0) (5003 1024) (5010 12)")
        << "path to table, LPN, each key column's description and value";
    EXPECT_NE(ase_service_dump().find("LPN GEO$STATION DB3.PETRIVEX.GEO.STATION BASENUMBER:4"), std::string::npos);
    EXPECT_EQ(ase_get_path_status(p), ASE_STATUS_NAMES) << "the reply's status is cached";
    ase_free_values(&keys, 1);
}

TEST_F(AseLinkPath, RequestsThatNeedAnLpnOrArgumentsSendNothingWithout)
{
    ASSERT_EQ(ase_init_path(p, "DB3.P.G.T", 6), 1);
    CAsiColumn **cols = reinterpret_cast<CAsiColumn **>(1);
    int count = 5;
    ase_service_clear_calls();
    EXPECT_EQ(ase_get_path_row(p, &cols, &count), 0);
    EXPECT_EQ(cols, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_NO_LPN));
    EXPECT_EQ(ase_path_request5(p, "NEW"), 0) << "renaming needs the LPN";
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_NO_LPN));
    CAsiColumn *one = key_column("K");
    EXPECT_EQ(ase_create_path(p, &one, 0), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    EXPECT_TRUE(ase_service_calls().empty());
    ase_free_value(&one);
}

TEST_F(AseLinkPath, TextsFitTheBufferOrFail)
{
    ASSERT_EQ(ase_init_path(p, "E.C.S.T(L)", 6), 1);
    char one[1] = {'x'};
    EXPECT_EQ(ase_get_path_text(p, one, 1, 6), 0);
    EXPECT_EQ(one[0], 0);
    char small[5];
    EXPECT_EQ(ase_get_path_text(p, small, sizeof small, 6), 0);
    EXPECT_STREQ(small, "E.C.");
    char sql[16];
    EXPECT_EQ(ase_get_path_text(p, sql, sizeof sql, 8), 1);
    EXPECT_STREQ(sql, "C.S.T");
    EXPECT_EQ(ase_get_path_text(p, sql, sizeof sql, 5), 1);
    EXPECT_STREQ(sql, "L");
    EXPECT_EQ(ase_get_path_text_len(p, 6), 11);
    EXPECT_EQ(ase_get_path_text_len(p, 3), 2);
    EXPECT_EQ(ase_get_path_text_len(p, 9), 1) << "at least 1";
    void *q = ase_clone_dsc(p);
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(ase_cmp_path(p, q, 6), 1);
    EXPECT_EQ(ase_equal_dsc(p, q), 1);
    ASSERT_EQ(ase_init_path(q, "U", 4), 1);
    EXPECT_EQ(ase_cmp_path(p, q, 7), 0);
    EXPECT_EQ(ase_cmp_path(p, q, 6), 1) << "the LPNs decide the whole path";
    ase_free_dsc(&q);
}

TEST_F(AseLinkPath, KeyColumnsAreHandedOutWholeOrNotAtAll)
{
    ScriptedAse host;
    host.replies[8] = [](const resbuf *) {
        return ads_buildlist(RTSTR, "K1", RTSTR, "", RTSTR, "", RTSHORT, 4, RTSHORT, 10, RTSHORT, 0, RTSHORT, 0,
                             RTSHORT, 1024, RTSTR, "K2", RTSTR, "", RTSTR, "", RTSHORT, 4, RTSHORT, 10, RTSHORT, 0,
                             RTSHORT, 0, RTSHORT, 1024, 0);
    };
    host.replies[63] = [](const resbuf *) { return nullptr; };
    void *a = ase_open_app();
    ASSERT_NE(a, nullptr);
    void *q = ase_alloc_dsc(a, ASE_DSC_PATH);
    ASSERT_EQ(ase_init_path(q, "E.C.S.T(L)", 6), 1);
    CAsiColumn **cols = nullptr;
    int count = 0;
    ASSERT_EQ(ase_get_path_row(q, &cols, &count), 1);
    ASSERT_EQ(count, 2);
    char name[8];
    ASSERT_NE(cols[1], nullptr);
    cols[1]->name().name().toMb(name, sizeof name);
    EXPECT_STREQ(name, "K2");
    ase_free_values(&cols, count);

    ase_dsc_fail_alloc_after(1);
    EXPECT_EQ(ase_get_path_row(q, &cols, &count), 0) << "the second copy fails: the call fails";
    EXPECT_EQ(cols, nullptr);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(has_err(q, ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY));
    ase_free_dsc(&q);
    ase_close_app(&a);
}

class AseLink : public AseDscTest {
protected:
    void SetUp() override
    {
        AseDscTest::SetUp();
        ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "GEO_1$STATION"), ASE_STATUS_NAMES);
        line(0, 0, 1, 1, ent);
        l = ase_alloc_dsc(m_app, ASE_DSC_LINK);
        ASSERT_NE(l, nullptr);
        keys = ase_alloc_values(1);
        keys[0] = key_column("BASENUMBER");
        ase_set_value_long(keys[0], 12);
    }
    void TearDown() override
    {
        ase_free_values(&keys, 1);
        ase_free_dsc(&l);
        AseDscTest::TearDown();
    }
    void *l = nullptr;
    ads_name ent = {0, 0};
    CAsiColumn **keys = nullptr;
};

TEST_F(AseLink, AFreshLinkHasNoNumberAndOnlyKinds1And2Start)
{
    EXPECT_EQ(ase_get_link_number(l), -1);
    EXPECT_EQ(ase_init_link(l, 3), 0);
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    ASSERT_EQ(ase_init_link(l, 2), 1);
    EXPECT_EQ(types_of(static_cast<CAseLinkDsc *>(l)->attributes()).size(), 19u) << "attributes 1 to 8";
    EXPECT_EQ(ase_get_link_kind(l), 2);
    EXPECT_EQ(ase_set_link_entity(l, ent), 0) << "a link of kind 2 has no entity";
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_WRONG_KIND));
    ASSERT_EQ(ase_init_link(l, 1), 1);
    EXPECT_EQ(ase_set_link_attr8(l, nullptr), 0);
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_WRONG_KIND));
}

TEST_F(AseLink, CreatedAndWrittenLinksCarryTheNameUnchangedAndTheStoresNumber)
{
    ASSERT_EQ(ase_init_link(l, 1), 1);
    ASSERT_EQ(ase_create_link(l, "Geo_1$Station", keys, 1, ent), 1);
    char name[32];
    ASSERT_EQ(ase_get_link_name(l, name, sizeof name), 1);
    EXPECT_STREQ(name, "Geo_1$Station") << "not upper-cased";
    EXPECT_EQ(ase_get_link_name_len(l), 14);
    ads_name back = {0, 0};
    ASSERT_EQ(ase_get_link_entity(l, back), 1);
    EXPECT_EQ(back[0], ent[0]);
    ASSERT_EQ(ase_write_link(l), 1);
    EXPECT_EQ(ase_get_link_number(l), 1);
    EXPECT_NE(ase_service_dump().find("GEO_1$STATION 12"), std::string::npos);

    CAsiColumn **two = ase_alloc_values(2);
    two[0] = key_column("A");
    two[1] = key_column("B");
    ase_set_value_long(two[1], 99);
    ASSERT_EQ(ase_get_link_keys(l, two, 2), 1);
    long v = 0;
    EXPECT_EQ(ase_get_value_long(two[0], &v), 1);
    EXPECT_EQ(v, 12);
    int isNull = 0;
    ase_get_value_rbtype(two[1], &isNull);
    EXPECT_EQ(isNull, 1) << "a column beyond the values read becomes null";
    ase_free_values(&two, 2);
}

TEST_F(AseLink, RefusedNamesAndEntitiesFail)
{
    ASSERT_EQ(ase_init_link(l, 1), 1);
    EXPECT_EQ(ase_create_link(l, "bad<name", keys, 1, ent), 0);
    auto items = errs_of(l);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0], std::make_pair(ASE_CAT_SYSTEM, ASE_ERR_PATH_NAME));
    EXPECT_EQ(items[1], std::make_pair(ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    ads_name zero = {0, 0};
    EXPECT_EQ(ase_create_link(l, "GEO_1$STATION", keys, 1, zero), 0);
    EXPECT_EQ(ase_create_link(l, "GEO_1$STATION", keys, 0, ent), 0);
    ASSERT_EQ(ase_init_link(l, 1), 1);
    EXPECT_EQ(ase_set_link_entity(l, zero), 0);
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    char name_buf[16];
    EXPECT_EQ(ase_get_link_name(l, name_buf, sizeof name_buf), 0) << "no name yet";
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_NOT_READY));
}

TEST_F(AseLink, AKind2LinkHoldsAttributes1To6AndItsLists)
{
    CAsiColumn **second = ase_alloc_values(1);
    second[0] = key_column("NOTE", ASI_TYPE_CHAR);
    ase_set_value_str(second[0], "granite");
    resbuf *list = ads_buildlist(RTSTR, "x", 0);
    ASSERT_EQ(ase_create_link_ex(l, "GEO_1$STATION", keys, 1, second, 1, list), 1);
    const resbuf *attrs = static_cast<CAseLinkDsc *>(l)->attributes();
    for (int code = 1; code <= 9; ++code)
        EXPECT_NE(CAseDsc::findPair(const_cast<resbuf *>(attrs), code), nullptr) << code;
    CAsiColumn **back = nullptr;
    int n = 0;
    ASSERT_EQ(ase_get_link_attr79(l, &back, &n), 1);
    ASSERT_EQ(n, 1);
    char text[32];
    ase_get_value_str(back[0], text, sizeof text);
    EXPECT_EQ(std::string(text).rfind("granite", 0), 0u) << text;
    ase_free_values(&back, n);
    ads_relrb(list);
    ase_free_values(&second, 1);
}

TEST_F(AseLink, AReplyPointBecomesAListAndRequest31ClearsTheNumber)
{
    ScriptedAse host;
    host.replies[32] = [](const resbuf *) {
        ads_point pt = {1, 2, 0};
        return ads_buildlist(RTSHORT, 1, RTLONG, 5, RTSHORT, 6, RTPOINT, pt, RTSHORT, 10, RTSTR, "note", 0);
    };
    host.replies[31] = [](const resbuf *) { return ads_newrb(RTT); };
    void *a = ase_open_app();
    void *k = ase_alloc_dsc(a, ASE_DSC_LINK);
    ASSERT_EQ(ase_init_link(k, 1), 1);
    ASSERT_EQ(ase_write_link(k), 1);
    EXPECT_EQ(ase_get_link_number(k), 5);
    const resbuf *v = CAseDsc::valueOf(const_cast<resbuf *>(static_cast<CAseLinkDsc *>(k)->attributes()), 6);
    EXPECT_EQ(types_of(v).size(), 6u) << "RTLB, two reals, RTLE, then attribute 10";
    EXPECT_EQ(v->rbnext->resval.rreal, 1.0);
    char text[3];
    EXPECT_EQ(ase_get_link_attr10(k, text, sizeof text), 1);
    EXPECT_STREQ(text, "no");
    EXPECT_EQ(ase_link_request31(k), 1);
    EXPECT_EQ(ase_get_link_number(k), -1);
    ase_free_dsc(&k);
    ase_close_app(&a);
}

class AseLinkSel : public AseLink {};

TEST_F(AseLinkSel, TheLinksOfAnEntityAreSelectedAndErased)
{
    ASSERT_EQ(write_link(ent, "GEO_1$STATION", 7), 1);
    void *s = ase_alloc_dsc(m_app, ASE_DSC_LINKSEL);
    ASSERT_NE(s, nullptr);
    ase_service_clear_calls();
    EXPECT_EQ(ase_select_links_by_entity(s, 0, ent), 1);
    auto calls = request_texts();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].substr(0, 2), "48");
    EXPECT_EQ(calls[2], "34 (5003 4) (5006 " + std::to_string(ent[0]) + "," + std::to_string(ent[1]) + ")")
        << "kind 0 sends no code 2";
    EXPECT_EQ(ase_erase_links(s), 1);
    EXPECT_EQ(static_cast<CAseLinkSelDsc *>(s)->selection(), ASE_NO_SELECTION);
    EXPECT_EQ(ase_service_dump().find("LINK"), std::string::npos);
    ase_service_clear_calls();
    ase_free_dsc(&s);
    EXPECT_TRUE(ase_service_calls().empty()) << "no selection left to drop";
}

TEST_F(AseLinkSel, MissingCriteriaAndSelectionsAreRefused)
{
    void *s = ase_alloc_dsc(m_app, ASE_DSC_LINKSEL);
    ads_name zero = {0, 0};
    EXPECT_EQ(ase_select_links_by_entity(s, 0, zero), 0);
    EXPECT_TRUE(has_err(s, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    EXPECT_EQ(ase_select_links_by_lpn(s, 0, "NO$SUCH"), 0) << "the store knows no such name";
    EXPECT_EQ(static_cast<CAseLinkSelDsc *>(s)->selection(), ASE_NO_SELECTION);
    EXPECT_EQ(ase_add_links_by_entity(s, ent), 0) << "no selection after a failed select";
    EXPECT_TRUE(has_err(s, ASE_CAT_HOST, ASE_ERR_NOT_READY));
    EXPECT_EQ(ase_copy_dsc(s, l), 0);
    EXPECT_TRUE(has_err(s, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    EXPECT_EQ(ase_select_links(s, 1), 1);
    ase_service_clear_calls();
    EXPECT_EQ(ase_select_links_by_lpn(s, 1, "GEO_1$STATION"), 1);
    EXPECT_EQ(request_texts()[2], "34 (5003 5) (5005 \"GEO_1$STATION\") (5003 2) (5003 1)");
    ase_free_dsc(&s);
}

TEST_F(AseLinkSel, CountsOfMinus1ReadAs0AndLinkTextsAreCut)
{
    ScriptedAse host;
    host.replies[34] = [](const resbuf *) {
        resbuf *r = ads_newrb(RTREAL);
        r->resval.rreal = 3;
        return r;
    };
    host.replies[35] = [](const resbuf *) {
        resbuf *r = ads_newrb(RTREAL);
        r->resval.rreal = -1;
        return r;
    };
    host.replies[84] = [](const resbuf *) { return ads_buildlist(RTSTR, "abcdef", 0); };
    host.replies[48] = [](const resbuf *) { return ads_newrb(RTT); };
    void *a = ase_open_app();
    void *s = ase_alloc_dsc(a, ASE_DSC_LINKSEL);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(ase_linksel_request35(s), 0);
    char buf[4];
    auto *sel = static_cast<CAseLinkSelDsc *>(s);
    EXPECT_EQ(sel->getLinkText(1, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "abc") << "cut to size - 1 and terminated";
    EXPECT_EQ(sel->getLinkText(1, buf, 0), 0);
    ase_free_dsc(&s);
    ASSERT_GE(host.codes.size(), 2u);
    EXPECT_EQ(host.codes[host.codes.size() - 2], 48) << "the selection held is dropped";
    ase_close_app(&a);
}

} // namespace

namespace {

/* The requests of a link path that the module itself never sends, against
** a scripted service: their argument lists and how their replies are read. */
class AsePathRequests : public AseDscTest {
protected:
    void SetUp() override
    {
        AseDscTest::SetUp();
        host = std::make_unique<ScriptedAse>();
        host->replies[23] = [](const resbuf *) { return ads_buildlist(RTSTR, "abcdef", 0); };
        host->replies[76] = host->replies[81] = [](const resbuf *) { return ads_newrb(RTT); };
        host->replies[78] = [](const resbuf *) {
            resbuf *r = ads_newrb(RTREAL);
            r->resval.rreal = 41.9;
            return r;
        };
        host->replies[63] = [this](const resbuf *args) {
            last.clear();
            for (const resbuf *rb = args; rb; rb = rb->rbnext)
                last.push_back(rb->restype);
            return nullptr;
        };
        a = ase_open_app();
        ASSERT_NE(a, nullptr);
        p = static_cast<CAsePathDsc *>(ase_alloc_dsc(a, ASE_DSC_PATH));
        ASSERT_NE(p, nullptr);
    }
    void TearDown() override
    {
        void *h = p;
        ase_free_dsc(&h);
        ase_close_app(&a);
        host.reset();
        AseDscTest::TearDown();
    }
    std::unique_ptr<ScriptedAse> host;
    std::vector<int> last;   /* types of the arguments of the latest request */
    void *a = nullptr;
    CAsePathDsc *p = nullptr;
};

TEST_F(AsePathRequests, TextsAreCutKeysAndValuesGoAsListsAndTheEnvironmentIsNeeded)
{
    char buf[4];
    EXPECT_EQ(p->request23(buf, sizeof buf), 0) << "the LPN is needed";
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_NO_LPN));
    ASSERT_EQ(p->setPart("E.C.S.T(L)", 6), 1);
    EXPECT_EQ(p->request23(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "abc");
    EXPECT_EQ(last, (std::vector<int>{RTSTR, RTSTR, RTSHORT}));

    CAsiColumn **keys = ase_alloc_values(1);
    keys[0] = key_column("K");
    ase_set_value_long(keys[0], 5);
    long n = 0;
    EXPECT_EQ(p->request78(keys, 1, &n), 1);
    EXPECT_EQ(n, 41) << "a real reply is cut to a long";
    EXPECT_EQ(last.size(), 1u + 10u + 3u) << "path, key list (RTLB, 8 elements, RTLE), value list";
    host->replies[78] = [](const resbuf *) {
        resbuf *r = ads_newrb(RTREAL);
        r->resval.rreal = 1e12;
        return r;
    };
    n = 0;
    EXPECT_EQ(p->request78(keys, 1, &n), 0) << "a number that no long of 32 bits holds";
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_BAD_DATA));
    EXPECT_EQ(n, 0);
    ase_free_values(&keys, 1);

    p->path()->setStatus(6);
    EXPECT_EQ(p->request76(), 1);
    EXPECT_EQ(p->path()->getStatus(), 2) << "flag 4 cleared";
    EXPECT_EQ(p->request81("user", nullptr), 1);
    EXPECT_EQ(last, (std::vector<int>{RTSTR, RTSTR}));
    EXPECT_EQ(p->path()->getStatus(), 0);
    ASSERT_EQ(p->setPart("(L)", 6), 1);
    EXPECT_EQ(p->request82(), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_NO_ENV));
    EXPECT_EQ(p->request79(nullptr, 1), 0);
    EXPECT_TRUE(has_err(p, ASE_CAT_SYSTEM, ASE_ERR_NO_TABLE));
}

TEST_F(AsePathRequests, TheApplicationsOwnOperations)
{
    auto *app = static_cast<CAseAppDsc *>(a);
    EXPECT_EQ(app->protocolOp(4, nullptr), 1);
    EXPECT_EQ(app->protocolOp(7, nullptr), 0);
    EXPECT_EQ(app->protocolOp2Args(10, nullptr, nullptr, nullptr), 0) << "the scripted service offers nothing";
    host->replies[66] = [](const resbuf *) { return ads_newrb(RTT); };
    EXPECT_EQ(app->requestDb(66, nullptr), 1);
    EXPECT_EQ(app->requestDb(68, nullptr), 0) << "no reply: a failure";
    EXPECT_EQ(app->requestDb(70, nullptr), 0);
    EXPECT_EQ(app->request60(), 1);
    EXPECT_EQ(host->codes.back(), 60);
}

TEST(AsePathLists, PathsGoIntoRepliesAndComeFromLists)
{
    CatalogErrList errs;
    CAsePath path(&errs);
    ASSERT_EQ(path.setText("E.\"Cat\".S.T(L)", 1), 1);
    path.setStatus(0x10002);
    resbuf *head = ads_buildlist(RTT, RTNIL, 0);
    resbuf *tail = head;
    resbuf *pair = path.toReply(tail);
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(types_of(head), (std::vector<int>{RTT, RTSTR, RTSHORT, RTNIL}));
    EXPECT_STREQ(pair->resval.rstring, "E.\"Cat\".S.T(L)");
    EXPECT_EQ(tail->resval.rint, 2) << "the low 16 bits of the status";
    ads_relrb(head);

    char *cat = path.unquoted(ASE_LVL_CAT);
    ASSERT_NE(cat, nullptr);
    EXPECT_STREQ(cat, "Cat");
    errs.release(cat);
    EXPECT_EQ(path.unquoted(ASE_LVL_CAT + 10), nullptr);

    CAseResBuf list(&errs);
    list.attach(ads_buildlist(RTSTR, "e", RTSTR, "c", RTSTR, "s", 0));
    list.first();
    EXPECT_EQ(path.fromList(list), 1);
    EXPECT_EQ(path.getStatus(), ASE_PATH_STATUS_LIST);
    EXPECT_EQ(path.level(), ASE_LVL_SCHEMA);
    CAseResBuf shortList(&errs);
    shortList.attach(ads_buildlist(RTSTR, "e", RTSTR, "c", 0));
    shortList.first();
    EXPECT_EQ(path.fromList(shortList), 0);
    EXPECT_EQ(errs.code(errs.count() - 1), ASE_ERR_BAD_DATA);
}

} // namespace
