/*
** api_test.cpp: the link client's C interface as the application uses it:
** the exact requests of start-up, of opening a project's environment, of
** giving a drawn entity its host link and of unload, read from the
** service's own record; the null-handle rules; and the column values.
*/
#include <gtest/gtest.h>

#include <strings.h>

#include <cstring>
#include <string>

#include "ase_fixture.h"
#include "dsc_fixture.h"
#include "linkclient/ase_lp.h"
#include "sqlclient/asi_row.h"

namespace {

class AseApi : public LinkStoreTest {
protected:
    void TearDown() override { ase_dsc_fail_alloc_after(-1); }
};

/* True when the host knows the link path name for the path (any case). */
bool path_has_name(void *p, const char *name)
{
    resbuf *names = ase_get_path_names(p);
    bool found = false;
    for (resbuf *rb = names; rb; rb = rb->rbnext)
        if (rb->restype == RTSTR && rb->resval.rstring && strcasecmp(rb->resval.rstring, name) == 0)
            found = true;
    ads_relrb(names);
    return found;
}

/* The host link of an entity to row `row` of GEO.STATION as the map side
** makes it; 1 when made. */
int host_link(void *app, const ads_name ent, long row)
{
    void *p = ase_alloc_dsc(app, ASE_DSC_PATH);
    int ok = ase_init_path(p, "DB3", 1) && ase_set_path_name(p, "DB3.PETRIVEX.GEO.STATION");
    CAsiColumn **keys = ase_alloc_values(1);
    CAsiColumn *described = key_column("BASENUMBER");
    keys[0] = ase_clone_value(described);
    ase_free_value(&described);
    const char *lpn = "GEO$STATION";
    if (ok && (ase_get_path_status(p) & ASE_STATUS_NAMES) && path_has_name(p, lpn))
        ok = ase_init_path(p, lpn, 5);
    else if (ok)
        ok = ase_init_path(p, lpn, 5) && ase_create_path(p, keys, 1);
    if (ok) {
        void *l = ase_alloc_dsc(app, ASE_DSC_LINK), *s = ase_alloc_dsc(app, ASE_DSC_LINKSEL);
        if (ase_select_links_by_entity(s, 0, ent) == 1)
            ase_erase_links(s);
        ase_free_dsc(&s);
        ok = ase_init_link(l, 1) && ase_set_value_long(keys[0], row) && ase_create_link(l, lpn, keys, 1, ent) == 1 &&
             ase_write_link(l) == 1;
        ase_free_dsc(&l);
    }
    ase_free_values(&keys, 1);
    ase_free_dsc(&p);
    return ok;
}

TEST_F(AseApi, StartUpOpenLinkAndUnloadSendExactlyTheRequestsOfTheMapSide)
{
    ads_name ent;
    line(0, 0, 1, 1, ent);
    ASSERT_EQ(register_lpn("DB3.PETRIVEX.GEO.STATION", "OLD$STATION"), ASE_STATUS_NAMES);
    ASSERT_EQ(write_link(ent, "OLD$STATION", 1), 1);
    ase_service_clear_calls();

    void *app = ase_open_app();                              /* start-up */
    ASSERT_NE(app, nullptr);
    void *p = ase_alloc_dsc(app, ASE_DSC_PATH);              /* pv-open */
    ASSERT_EQ(ase_init_path(p, "DB3", 1), 1);
    EXPECT_EQ(ase_get_path_status(p) & ASE_STATUS_REFUSED, 0);
    ase_free_dsc(&p);
    ASSERT_EQ(host_link(app, ent, 12), 1);                   /* a drawn entity */
    ase_close_app(&app);                                     /* unload */
    EXPECT_EQ(app, nullptr);

    EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{1, 64, 10, 63, 13, 63, 10, 63, 12, 63, 20, 63, 34, 63, 48,
                                                              63, 34, 63, 47, 63, 32, 63, 65}));
    std::string before;   /* arguments of the latest request other than 63 */
    for (const ase_svc_call &c : ase_service_calls()) {
        if (c.op != 1)
            continue;
        std::string text = ase_service_call_text(c);
        std::string args = text.substr(text.find(' ') == std::string::npos ? text.size() : text.find(' '));
        if (c.code == 63)
            EXPECT_EQ(args, before) << "request 63 carries the arguments of the request it follows";
        else
            before = args;
    }
    std::string handle = handle_text_of(ent);
    EXPECT_EQ(ase_service_dump(), "LPN OLD$STATION DB3.PETRIVEX.GEO.STATION BASENUMBER:4\n"
                                  "LPN GEO$STATION DB3.PETRIVEX.GEO.STATION BASENUMBER:4\n"
                                  "LINK 2 kind 1 entity " +
                                      handle + " GEO$STATION 12\n")
        << "the old link erased, the new one written, no selection left behind";

    ase_service_clear_calls();
    app = ase_open_app();
    ASSERT_EQ(host_link(app, ent, 13), 1);
    ase_close_app(&app);
    EXPECT_EQ(ase_service_request_codes(), (std::vector<int>{1, 64, 13, 63, 10, 63, 12, 63, 34, 63, 48, 63, 34, 63, 47,
                                                              63, 32, 63, 65}))
        << "a known link path name is not registered again";
}

TEST_F(AseApi, NullHandlesGive0OrMinus1AndTouchNothing)
{
    char buf[8] = "x";
    ads_name n = {1, 1};
    EXPECT_EQ(ase_cmp_path(nullptr, nullptr, 6), -1);
    EXPECT_EQ(ase_get_link_number(nullptr), -1);
    EXPECT_EQ(ase_linksel_request36(nullptr, 1), -1);
    EXPECT_EQ(ase_linksel_request39(nullptr, 1), -1);
    EXPECT_EQ(ase_clear_errs(nullptr), 0);
    int zeros[] = {
        ase_init_dsc(nullptr),          ase_check_dsc(nullptr),           ase_get_dsc_type(nullptr),
        ase_copy_dsc(nullptr, nullptr), ase_equal_dsc(nullptr, nullptr),  ase_fetch_app_errs(nullptr),
        ase_get_err_count(nullptr),     ase_get_err_message(nullptr, 0, buf, 8),
        ase_set_path_name(nullptr, "x"), ase_init_path(nullptr, "x", 1),  ase_get_path_status(nullptr),
        ase_get_path_text(nullptr, buf, 8, 6), ase_create_path(nullptr, nullptr, 1),
        ase_init_link(nullptr, 1),      ase_create_link(nullptr, "L", nullptr, 1, n), ase_write_link(nullptr),
        ase_select_links_by_entity(nullptr, 0, n), ase_erase_links(nullptr), ase_linksel_request35(nullptr),
        ase_set_value_long(nullptr, 1), ase_get_value_str(nullptr, buf, 8), ase_set_ident(nullptr, "x"),
    };
    for (int z : zeros)
        EXPECT_EQ(z, 0);
    EXPECT_STREQ(buf, "x") << "a null handle does not touch the buffer";
    EXPECT_EQ(ase_get_app_text(nullptr), nullptr);
    EXPECT_EQ(ase_get_path_names(nullptr), nullptr);
    EXPECT_EQ(ase_clone_dsc(nullptr), nullptr);
    void *none = nullptr;
    ase_free_dsc(&none);
    ase_free_dsc(nullptr);
    ase_close_app(&none);
    EXPECT_EQ(none, nullptr);
}

TEST_F(AseApi, AHandleOfAnotherKindCountsAsNull)
{
    void *app = ase_open_app();
    void *l = ase_alloc_dsc(app, ASE_DSC_LINK);
    EXPECT_EQ(ase_init_path(l, "DB3", 1), 0);
    EXPECT_EQ(ase_cmp_path(l, l, 6), -1);
    EXPECT_EQ(ase_erase_links(l), 0);
    EXPECT_EQ(ase_get_dsc_type(l), ASE_DSC_LINK);
    ase_free_dsc(&l);
    ase_close_app(&app);
}

TEST_F(AseApi, ValueArraysAreFreedUpToTheFirstNullAndClonedWhole)
{
    CAsiColumn **a = ase_alloc_values(3);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(ase_alloc_values(-1), nullptr);
    a[0] = key_column("A");
    a[2] = key_column("C");
    CAsiColumn *third = a[2];
    CAsiColumn **b = ase_clone_values(a, 3);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b[0], nullptr);
    EXPECT_EQ(b[1], nullptr);
    EXPECT_EQ(ase_cmp_value_names(b[2], a[2]), 1);
    ase_dsc_fail_alloc_after(2);
    EXPECT_EQ(ase_clone_values(a, 3), nullptr) << "a clone that cannot be made fails the whole copy";
    CAsiColumn *cloneOfThird = b[2];
    ase_free_values(&b, 3);
    ase_free_value(&cloneOfThird);
    ase_free_values(&a, 3);
    EXPECT_EQ(a, nullptr);
    ase_free_value(&third);
    ase_free_values(&a, 3);
    ase_free_values(nullptr, 3);
}

TEST_F(AseApi, ValuesAsTextsNumbersAndHostTypes)
{
    CAsiColumn *c = key_column("NAME", ASI_TYPE_VARCHAR);
    char one[1] = {'x'};
    EXPECT_EQ(ase_set_value_str(c, "granite"), 1);
    EXPECT_EQ(ase_get_value_str(c, one, 1), 1);
    EXPECT_EQ(one[0], 0) << "a buffer of one byte holds the empty text";
    char buf[5];
    EXPECT_EQ(ase_get_value_str(c, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "gran");
    int isNull = -1;
    EXPECT_EQ(ase_get_value_rbtype(c, &isNull), RTSTR);
    EXPECT_EQ(isNull, 0);
    EXPECT_EQ(ase_set_value_null(c), 1);
    ase_get_value_rbtype(c, &isNull);
    EXPECT_EQ(isNull, 1);
    CAsiColumn *d = key_column("D", ASI_TYPE_DOUBLE);
    EXPECT_EQ(ase_get_value_rbtype(d, &isNull), RTVOID) << "DOUBLE PRECISION has no host type here";
    EXPECT_EQ(ase_set_value_double(d, 2.5), 1);
    double x = 0;
    EXPECT_EQ(ase_get_value_double(d, &x), 1);
    EXPECT_EQ(x, 2.5);
    CAsiColumn *i = key_column("I", ASI_TYPE_SMALLINT);
    EXPECT_EQ(ase_get_value_rbtype(i, nullptr), RTLONG);
    EXPECT_EQ(ase_copy_value(i, d), 1);
    CAsiColumn empty;
    EXPECT_EQ(ase_copy_value(i, &empty), 0) << "no source value: the target becomes null";
    EXPECT_EQ(ase_get_value_rbtype(&empty, &isNull), RTVOID);
    ase_free_value(&c);
    ase_free_value(&d);
    ase_free_value(&i);
}

TEST_F(AseApi, IdentifiersAreReadFromACopyOfTheText)
{
    CAsiIdent id, other;
    char quote[] = "\"";
    EXPECT_EQ(ase_set_ident(&id, quote), 1);
    EXPECT_EQ(id.nameRef(), 0) << "one double quote is a regular name";
    char delimited[] = "\"Mixed Case\"";
    EXPECT_EQ(ase_set_ident(&id, delimited), 1);
    EXPECT_EQ(id.nameRef(), 1);
    char name[32];
    id.name().toMb(name, sizeof name);
    EXPECT_STREQ(name, "Mixed Case");
    EXPECT_STREQ(delimited, "\"Mixed Case\"") << "the caller's text is unchanged";
    EXPECT_EQ(ase_set_ident(&other, "mixed case"), 1);
    EXPECT_EQ(ase_cmp_ident(&id, &other), 0);
    EXPECT_EQ(ase_set_ident(&other, "\"Mixed Case\""), 1);
    EXPECT_EQ(ase_cmp_ident(&id, &other), 1);
    EXPECT_EQ(ase_cmp_ident(&id, nullptr), 0);
}

} // namespace
