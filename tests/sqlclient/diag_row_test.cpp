/*
** diag_row_test.cpp: the diagnostics area keeps its records and items and
** codes SQLSTATEs right; identifiers, columns and rows keep and release
** what they own exactly once; the memory manager remembers block sizes.
*/
#include <gtest/gtest.h>

#include "sqlclient/asi_handle.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/base/asi_codepage.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/base/asi_memory.h"
#include "sqlclient/values/asi_char.h"
#include "sqlclient/values/asi_point.h"

namespace {

TEST(Sqlstate, ClassInHexSubclassAsNumber)
{
    const struct {
        int code;
        const char *state;
    } cases[] = {
        {0x2203, "22003"}, {0x2201, "22001"}, {0x0108, "01008"}, {0x379B, "37155"},
        {0x37A8, "37168"}, {0x221B, "22027"}, {0x3787, "37135"}, {0xA008, "A0008"},
    };
    for (const auto &c : cases) {
        char out[6];
        EXPECT_STREQ(asi_sqlstate_text(c.code, out), c.state);
    }
}

TEST(DiagArea, RecordsItemsCopiesAndReset)
{
    CAsiDiagArea d;
    EXPECT_EQ(d.addNumItem(1, 2), 0);   /* no record yet */
    EXPECT_EQ(d.addCondition(0xE001), 0);
    d.addNumItem(ASI_ITEM_LINK_CATEGORY, 8);
    d.addNumItem(ASI_ITEM_LINK_CODE, 901);
    d.addNumItem(ASI_ITEM_LINK_CODE, 902);   /* replaces */
    d.addTextItem(1027, CAsiUcStr("host failed"));
    d.complete();
    d.addCondition(0x2203);
    d.setCondText(CAsiUcStr("own text"));
    d.complete();
    ASSERT_EQ(d.count(), 2);
    EXPECT_EQ(d.condNumItem(0, ASI_ITEM_LINK_CODE), 902);
    EXPECT_EQ(d.condNumItem(0, 1027), 0);   /* a text item is not a number */
    CAsiUcStr t;
    EXPECT_EQ(d.condTextItem(0, 1027, t), 1);
    EXPECT_EQ(t, CAsiUcStr("host failed"));
    EXPECT_EQ(d.condItem(0, ASI_ITEM_LINK_CATEGORY, t), 1);
    EXPECT_EQ(t, CAsiUcStr("8"));
    EXPECT_EQ(d.condText(0, t), 1);
    EXPECT_EQ(t, CAsiUcStr("link client error"));
    d.condText(1, t);
    EXPECT_EQ(t, CAsiUcStr("own text"));
    EXPECT_EQ(d.condCode(2), 0);
    EXPECT_EQ(d.condText(-1, t), 0);
    char state[6];
    EXPECT_EQ(d.condSqlstate(5, state), 0);
    EXPECT_STREQ(state, "");

    CAsiDiagArea *copy = d.clone();
    ASSERT_NE(copy, nullptr);
    d.reset();
    EXPECT_EQ(d.count(), 0);
    EXPECT_EQ(copy->condNumItem(0, ASI_ITEM_LINK_CODE), 902);
    copy->appendRecord(*copy, 0);
    EXPECT_EQ(copy->count(), 3);
    EXPECT_EQ(copy->condCode(2), 0xE001);
    d.assign(*copy);
    EXPECT_EQ(d.count(), 3);
    delete copy;
    EXPECT_EQ(d.condNumItem(2, ASI_ITEM_LINK_CATEGORY), 8);
    for (int i = 0; i < 100; i++)
        d.addCondition(i);
    EXPECT_EQ(d.count(), 103);
    EXPECT_EQ(d.condCode(102), 99);
}

TEST(DiagArea, SqlstateOfADriverConditionIsTheDriversOwn)
{
    CAsiDiagArea d;
    d.addCondition(14215);   /* a driver's native syntax-error code */
    d.addTextItem(ASI_ITEM_SQLSTATE, CAsiUcStr("42000"));
    d.complete();
    d.addCondition(0x2203);  /* an engine condition carries its own state */
    d.complete();
    char state[6];
    ASSERT_EQ(d.condSqlstate(0, state), 1);
    EXPECT_STREQ(state, "42000");
    ASSERT_EQ(d.condSqlstate(1, state), 1);
    EXPECT_STREQ(state, "22003");
}

TEST(DiagArea, HandleGettersReadTheHandlesArea)
{
    CAsiHandle h;
    asi_try_call(&h.diag(), 0, [] { asi_raise_state(0x2212); return 1; });
    EXPECT_EQ(h.diagCount(), 1);
    EXPECT_EQ(h.diagCondCode(0), 0x2212);
    char state[6];
    h.diagCondSqlstate(0, state);
    EXPECT_STREQ(state, "22018");
    CAsiUcStr t;
    h.diagCondText(0, t);
    EXPECT_EQ(t, CAsiUcStr("invalid character value for cast"));
}

TEST(Memory, BlocksRememberTheirSize)
{
    void *p = asi_malloc(10);
    EXPECT_EQ(asi_msize(p), 10u);
    p = asi_realloc(p, 1000);
    EXPECT_EQ(asi_msize(p), 1000u);
    asi_mfree(p);
    asi_mfree(nullptr);
    EXPECT_EQ(asi_msize(nullptr), 0u);
    EXPECT_EQ(asi_malloc_nothrow(ASI_MAX_BLOCK + 1), nullptr);
    try {
        asi_malloc(ASI_MAX_BLOCK + 1);
        ADD_FAILURE() << "huge block granted";
    } catch (const CAsiException &e) {
        EXPECT_EQ(e.code(), ASI_ERR_NO_MEMORY);
    }
    /* Objects: a failed allocation is a null new-expression, not a throw. */
    EXPECT_EQ(CAsiObject::operator new(ASI_MAX_BLOCK + 1), nullptr);
}

TEST(Ident, RegularAndDelimitedNames)
{
    CAsiIdent a, b, c;
    a.set(CAsiUcStr("  station "));
    EXPECT_EQ(a.name(), CAsiUcStr("STATION"));
    EXPECT_EQ(a.nameRef(), 0);
    b.set(CAsiUcStr("\"STATION\""));
    EXPECT_EQ(b.nameRef(), 1);
    EXPECT_TRUE(a == b);
    c.set(CAsiUcStr("\"Say \"\"hi\"\"\""));
    EXPECT_EQ(c.name(), CAsiUcStr("Say \"hi\""));
    CAsiUcStr sql("SELECT ");
    c.appendSql(sql);
    sql.append(", ");
    a.appendSql(sql);
    EXPECT_EQ(sql, CAsiUcStr("SELECT \"Say \"\"hi\"\"\", STATION"));
    a.setDelimited(1);
    EXPECT_EQ(a.nameRef(), 1);
    a = c;
    EXPECT_TRUE(a == c);
}

TEST(Row, ColumnsAreOwnedAndIndexesChecked)
{
    CAsiRow row(3);
    EXPECT_EQ(row.count(), 3);
    EXPECT_TRUE(row[0].name().name().isEmpty());
    EXPECT_EQ(row[2].value(), nullptr);
    for (int bad : {-1, 3}) {
        try {
            (void)row[bad];
            ADD_FAILURE() << "index " << bad;
        } catch (const CAsiException &e) {
            EXPECT_EQ(e.code(), ASI_ERR_INDEX);
        }
    }
    EXPECT_THROW(CAsiRow(-1), CAsiException);
    EXPECT_THROW(CAsiRow(ASI_ROW_MAX_COLUMNS + 1), CAsiException);
    CAsiRow empty(0);
    EXPECT_EQ(empty.count(), 0);

    CAsiPoint p;
    p.setPoint(1, 2);
    row[1].setValue(&p);
    p.setPoint(5, 6);   /* the column kept a copy */
    double x = 0;
    ASSERT_NE(row[1].value(), nullptr);
    static_cast<CAsiPoint *>(row[1].value())->getPoint(&x, nullptr);
    EXPECT_EQ(x, 1.0);
    row[1].assignValue(p);
    static_cast<CAsiPoint *>(row[1].value())->getPoint(&x, nullptr);
    EXPECT_EQ(x, 5.0);
    CAsiColumn copy(row[1]);
    EXPECT_NE(copy.value(), row[1].value());
    CAsiColumn *cl = row[1].clone();
    ASSERT_NE(cl, nullptr);
    cl->release();   /* release, then the destructor: nothing freed twice */
    EXPECT_EQ(cl->value(), nullptr);
    delete cl;
    /* A column without a value cannot take one by conversion. */
    CAsiDiagArea d;
    EXPECT_EQ(asi_try_call(&d, 0, [&] { row[0].assignValue(p); return 1; }), 0);
    EXPECT_EQ(d.condCode(0), 0x379B);
    row.release();
    EXPECT_EQ(row.count(), 0);
}

TEST(Row, ColumnLocaleIsTheCharacterValuesOwn)
{
    CAsiChar text(10);
    CAsiPoint p;
    CAsiColumn chr(CAsiIdent(), &text), pnt(CAsiIdent(), &p), none;
    CAsiUcStr name("stale");
    EXPECT_EQ(chr.localeName(name), 1);
    EXPECT_EQ(name, CAsiUcStr(asi_current_locale_name()));
    chr.setLocaleName(CAsiUcStr("latin1"));
    EXPECT_EQ(chr.localeName(name), 1);
    EXPECT_EQ(name, CAsiUcStr("latin1"));
    EXPECT_EQ(static_cast<CAsiChar *>(chr.value())->localeId(), ASI_LOCALE_LATIN1);
    /* An unknown locale raises and the value keeps its locale. */
    CAsiDiagArea d;
    EXPECT_EQ(asi_try_call(&d, 0, [&] { chr.setLocaleName(CAsiUcStr("KLINGON")); return 1; }), 0);
    EXPECT_EQ(d.condCode(0), ASI_ERR_LOCALE);
    EXPECT_EQ(static_cast<CAsiChar *>(chr.value())->localeId(), ASI_LOCALE_LATIN1);
    /* Other values and a column without a value have no locale. */
    name = "stale";
    EXPECT_EQ(pnt.localeName(name), 0);
    EXPECT_TRUE(name.isEmpty());
    EXPECT_EQ(none.localeName(name), 0);
    pnt.setLocaleName(CAsiUcStr("LATIN1"));
    none.setLocaleName(CAsiUcStr("LATIN1"));
    EXPECT_EQ(none.value(), nullptr);
}

} // namespace
