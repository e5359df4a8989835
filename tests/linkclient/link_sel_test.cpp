/*
** link_sel_test.cpp: the requests of link selections and links that the
** store of the stand-in editor does not answer, against a scripted
** service: their argument lists, how replies are read, copies of
** selections and links, and the error list read through the C interface.
*/
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ase_fixture.h"
#include "dsc_fixture.h"
#include "linkclient/ase_link.h"
#include "linkclient/ase_linksel.h"

namespace {

/* A real reply of the number. */
resbuf *real_reply(double v)
{
    resbuf *r = ads_newrb(RTREAL);
    r->resval.rreal = v;
    return r;
}

class AseSelRequests : public AseDscTest {
protected:
    void SetUp() override
    {
        AseDscTest::SetUp();
        host = std::make_unique<ScriptedAse>();
        auto t = [](const resbuf *) { return ads_newrb(RTT); };
        host->replies[34] = [this](const resbuf *) { return real_reply(++selections); };
        host->replies[49] = [this](const resbuf *) { return real_reply(++selections); };
        host->replies[36] = [](const resbuf *args) { return real_reply(args->rbnext->resval.rlong * 10.0); };
        host->replies[37] = host->replies[40] = host->replies[42] = host->replies[43] = host->replies[48] = t;
        host->replies[47] = host->replies[51] = t;
        host->replies[44] = [](const resbuf *) { return ads_buildlist(RTLONG, 1, RTLONG, 2, 0); };
        host->replies[46] = [](const resbuf *) {
            resbuf *r = ads_newrb(RTPICKS);
            r->resval.rlname[0] = 77;
            r->resval.rlname[1] = 1;
            return r;
        };
        host->replies[85] = [](const resbuf *) { return ads_buildlist(RTLONG, 9, RTVOID, 0); };
        host->replies[86] = [](const resbuf *) {
            resbuf *r = ads_newrb(RTENAME);
            r->resval.rlname[0] = 5;
            return r;
        };
        host->replies[63] = [this](const resbuf *args) {
            last.clear();
            for (const resbuf *rb = args; rb; rb = rb->rbnext)
                last.push_back(rb->restype == RTLONG ? rb->resval.rlong : -rb->restype);
            return nullptr;
        };
        a = ase_open_app();
        ASSERT_NE(a, nullptr);
        s = ase_alloc_dsc(a, ASE_DSC_LINKSEL);
        ASSERT_NE(s, nullptr);
    }
    void TearDown() override
    {
        ase_free_dsc(&s);
        ase_close_app(&a);
        host.reset();
        AseDscTest::TearDown();
    }
    CAseLinkSelDsc *sel() const { return static_cast<CAseLinkSelDsc *>(s); }

    std::unique_ptr<ScriptedAse> host;
    int selections = 0;       /* selection numbers handed out */
    std::vector<long> last;   /* numbers (types negated) of the latest request */
    void *a = nullptr;
    void *s = nullptr;
};

TEST_F(AseSelRequests, RequestsOnTheSelectionCarryItsNumber)
{
    ASSERT_EQ(sel()->selection(), 1);
    EXPECT_EQ(ase_linksel_request36(s, 4), 40);
    EXPECT_EQ(last, (std::vector<long>{1, 4}));
    EXPECT_EQ(ase_linksel_request37(s, 2), 1);
    EXPECT_EQ(ase_linksel_request38(s, 2), 0) << "no reply: a failure";
    EXPECT_EQ(ase_linksel_request39(s, 2), 0);
    void *other = ase_alloc_dsc(a, ASE_DSC_LINKSEL);
    EXPECT_EQ(ase_linksel_request40(s, other), 1);
    EXPECT_EQ(last, (std::vector<long>{1, 2})) << "the other's selection";
    void *path = ase_alloc_dsc(a, ASE_DSC_PATH);
    EXPECT_EQ(ase_linksel_request42(s, path), 1);
    EXPECT_EQ(last, (std::vector<long>{1, -1})) << "a descriptor of another kind gives no selection";
    EXPECT_EQ(ase_linksel_request42(s, nullptr), 0);
    resbuf *list = ase_linksel_request44(s);
    EXPECT_EQ(types_of(list), (std::vector<int>{RTLONG, RTLONG})) << "a copy for the caller";
    ads_relrb(list);
    ads_name ss = {0, 0};
    EXPECT_EQ(ase_linksel_request46(s, ss), 1);
    EXPECT_EQ(ss[0], 77);
    EXPECT_EQ(ase_linksel_request46(s, nullptr), 0);
    host->replies[50] = [](const resbuf *) { return ads_newrb(RTSHORT); };
    EXPECT_EQ(ase_linksel_request50(s), 1) << "1 whatever the reply";
    ads_name ent = {0, 0};
    EXPECT_EQ(sel()->getLinkEntity(1, ent), 1);
    EXPECT_EQ(ent[0], 5);
    std::unique_ptr<CAsiRow> row(new CAsiRow(2));
    CAsiColumn *k = key_column("K");
    (*row)[0] = *k;
    (*row)[1] = *k;
    EXPECT_EQ(sel()->getLinkValues(1, row.get()), 1);
    long v = 0;
    EXPECT_EQ(ase_get_value_long(&(*row)[0], &v), 1);
    EXPECT_EQ(v, 9);
    ase_free_value(&k);
    ase_free_dsc(&path);
    ase_free_dsc(&other);
}

TEST_F(AseSelRequests, AReplyThatIsNoNumberFailsInsteadOfReadingAsOne)
{
    host->replies[34] = [](const resbuf *) { return ads_newrb(RTSHORT); };
    host->replies[35] = host->replies[36] = host->replies[34];
    EXPECT_EQ(ase_init_dsc(s), 0) << "a selection number must be a real";
    EXPECT_EQ(ase_get_err_category(s, 0), ASE_CAT_SYSTEM);
    EXPECT_EQ(ase_get_err_code(s, 0), ASE_ERR_BAD_DATA);
    EXPECT_EQ(sel()->selection(), ASE_NO_SELECTION);
    host->replies[34] = [](const resbuf *) { return real_reply(7); };
    ASSERT_EQ(ase_init_dsc(s), 1);
    EXPECT_EQ(ase_linksel_request35(s), 0);
    EXPECT_EQ(ase_get_err_code(s, 0), ASE_ERR_BAD_DATA) << "a count of another type is a failure, not 0 links";
    EXPECT_EQ(ase_linksel_request36(s, 1), 0);
    EXPECT_EQ(ase_get_err_code(s, 0), ASE_ERR_BAD_DATA);
    host->replies[35] = [](const resbuf *) { return real_reply(1e12); };
    EXPECT_EQ(ase_linksel_request35(s), 0) << "a number beyond 32 bits";
    host->replies[34] = [](const resbuf *) { return ads_newrb(RTT); };
    ads_name ent = {3, 1};
    EXPECT_EQ(ase_select_links_by_entity(s, 0, ent), 0);
    EXPECT_EQ(ase_get_err_code(s, 0), ASE_ERR_BAD_DATA);
    EXPECT_EQ(sel()->selection(), ASE_NO_SELECTION);
}

TEST_F(AseSelRequests, CopiesAreNewSelectionsAndEqualityIsTheStores)
{
    void *copy = ase_clone_dsc(s);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<CAseLinkSelDsc *>(copy)->selection(), 3) << "its own selection from request 49";
    EXPECT_EQ(ase_equal_dsc(s, copy), 1);
    EXPECT_EQ(last, (std::vector<long>{1, 3}));
    EXPECT_EQ(ase_copy_dsc(copy, s), 1);
    EXPECT_EQ(host->codes[host->codes.size() - 4], 48) << "the selection held is dropped first";
    EXPECT_EQ(static_cast<CAseLinkSelDsc *>(copy)->selection(), 4);
    ase_free_dsc(&copy);
    EXPECT_EQ(sel()->setDatabase(acdbCurDwg()), 1);
    EXPECT_EQ(sel()->selection(), 5) << "a new selection in the drawing";
}

TEST_F(AseSelRequests, AddingNeedsASelectionAndAFilter)
{
    EXPECT_EQ(ase_add_links_by_lpn(s, "GEO$X"), 1);
    EXPECT_EQ(last, (std::vector<long>{1, -RTSHORT, -RTSTR}));
    EXPECT_EQ(ase_linksel_request43(s, nullptr), 0);
    EXPECT_TRUE(has_err(s, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    CAsiColumn **keys = ase_alloc_values(1);
    keys[0] = key_column("K");
    ase_set_value_long(keys[0], 3);
    EXPECT_EQ(ase_add_links_by_lpn_keys(s, "GEO$X", keys, 1), 1);
    EXPECT_EQ(last, (std::vector<long>{1, -RTSHORT, -RTSTR, -RTSHORT, -RTLB, 3, -RTLE}));
    EXPECT_EQ(ase_add_links_by_lpn_keys(s, "GEO$X", keys, 0), 0);
    EXPECT_EQ(ase_add_links_by_lpn_keys(s, nullptr, keys, 1), 0);
    ase_free_values(&keys, 1);
    EXPECT_EQ(ase_erase_links(s), 1);
    EXPECT_EQ(ase_add_links(s, 1), 0) << "no selection after erasing";
    EXPECT_TRUE(has_err(s, ASE_CAT_HOST, ASE_ERR_NOT_READY));
    EXPECT_EQ(ase_select_links(s, 2), 1);
    EXPECT_EQ(last, (std::vector<long>{-RTSHORT, -RTSHORT})) << "the kind alone";
}

class AseLinkRequests : public AseSelRequests {};

TEST_F(AseLinkRequests, ReadingALinkCopyingAndComparingLinks)
{
    host->replies[28] = [](const resbuf *) {
        return ads_buildlist(RTSHORT, 1, RTREAL, 8.0, RTSHORT, 2, RTSHORT, 1, RTSHORT, 3, RTSHORT, 1, 0);
    };
    void *l = ase_alloc_dsc(a, ASE_DSC_LINK);
    ASSERT_EQ(ase_link_request28(l, 8), 1);
    EXPECT_EQ(ase_get_link_number(l), 8) << "a real number is read as a long";
    EXPECT_EQ(ase_get_link_attr3(l), 1);
    char text[8];
    EXPECT_EQ(ase_get_link_attr10(l, text, sizeof text), 0) << "no text: 0 without an error";
    EXPECT_EQ(ase_get_err_count(l), 0);
    ads_name ent;
    EXPECT_EQ(ase_get_link_entity(l, ent), 0);
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_NOT_READY));
    void *copy = ase_clone_dsc(l);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(ase_equal_dsc(l, copy), 1) << "equal link numbers";
    ASSERT_EQ(ase_init_link(copy, 1), 1);
    EXPECT_EQ(ase_equal_dsc(l, copy), 0);
    EXPECT_EQ(ase_copy_dsc(copy, s), 0) << "a selection is no link";
    auto *k = static_cast<CAseLinkDsc *>(copy);
    resbuf *v = ads_buildlist(RTSTR, "note", 0);
    EXPECT_EQ(k->setAttr(ASE_ATTR_LPN, v), 1);
    resbuf *got = k->getAttr(ASE_ATTR_LPN);
    ASSERT_NE(got, nullptr);
    EXPECT_STREQ(got->resval.rstring, "note");
    ads_relrb(got);
    EXPECT_EQ(k->setAttr(ASE_ATTR_LPN, nullptr), 1);
    EXPECT_EQ(k->getAttr(ASE_ATTR_LPN), nullptr);
    ads_relrb(v);
    ase_free_dsc(&copy);
    ase_free_dsc(&l);
}

TEST_F(AseLinkRequests, TheErrorListThroughTheInterface)
{
    void *l = ase_alloc_dsc(a, ASE_DSC_LINK);
    EXPECT_EQ(ase_init_link(l, 9), 0);
    ASSERT_EQ(ase_get_err_count(l), 1);
    int v = 0;
    EXPECT_EQ(ase_get_err_int(l, 0, ASE_ITEM_CODE, &v), 1);
    EXPECT_EQ(v, ASE_ERR_HOST_FAILED);
    char msg[128] = "old";
    EXPECT_EQ(ase_get_err_str(l, 0, ASE_ITEM_MESSAGE, msg, sizeof msg), 1);
    EXPECT_NE(std::string(msg).find("Host operation failed"), std::string::npos) << msg;
    EXPECT_EQ(ase_get_err_category(l, 5), 0) << "out of range";
    int id = 0, kind = -1;
    const char *name = ase_get_err_param(l, 0, &id, &kind);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(id, ASE_ITEM_CATEGORY);
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(ase_get_err_param(l, 20, &id, &kind), nullptr);
    EXPECT_EQ(ase_add_errs_from(l, nullptr), 0);
    EXPECT_TRUE(has_err(l, ASE_CAT_HOST, ASE_ERR_HOST_FAILED));
    EXPECT_EQ(ase_clear_errs(l), 1);
    EXPECT_EQ(ase_get_err_count(l), 0);
    auto *d = static_cast<CAseDsc *>(l);
    d->req()->add(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY);
    d->req()->add(ASE_CAT_ARGUMENT, ASE_ERR_BAD_ARGUMENT);
    ase_get_err_message(l, 0, msg, sizeof msg);
    EXPECT_NE(std::string(msg).find("Out of memory"), std::string::npos) << msg;
    ase_get_err_message(l, 1, msg, sizeof msg);
    EXPECT_NE(std::string(msg).find("Invalid argument"), std::string::npos) << msg;
    ase_free_dsc(&l);
}

} // namespace
