/*
** dbrow_test.cpp: rows of values: building them from descriptions and
** names, values to and from the host's lists, single values and marks,
** comparisons, and the SQL texts of key columns run by SQLite on a real
** table.
*/
#include <sqlite3.h>

#include <cstring>
#include <memory>
#include <string>

#include "ase_fixture.h"
#include "linkclient/ase_coldsc.h"
#include "linkclient/ase_dbrow.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/values/asi_data.h"
#include "sqlclient/values/asi_impldata.h"
#include "sqlclient/values/asi_integer.h"
#include "sqlclient/values/asi_point.h"

namespace {

/* A descriptor list of (name, type, precision, scale). */
struct ColDef {
    const char *name;
    int type, prec, scale, dtype = 0;
};

/* A row of the described columns, all values null. */
void build(CAseDbRow &row, CAseErrList &errs, std::initializer_list<ColDef> defs)
{
    CAseList list(&errs);
    for (auto &s : defs) {
        CAseColDsc *d = new CAseColDsc(&errs);
        d->setName(s.name);
        d->setType(s.type);
        d->setPrec(s.prec);
        d->setScale(s.scale);
        d->setDType(s.dtype);
        list.append(d);
    }
    ASSERT_EQ(row.fromColDscList(list), 1);
}

/* The multibyte text of an engine string, deleting it. */
std::string take(CAsiUcStr *s)
{
    if (!s)
        return "<null>";
    char buf[1024];
    s->toMb(buf, sizeof buf);
    delete s;
    return buf;
}

/* A SQLite database in memory holding the table SAMPLES. */
struct SampleDb {
    sqlite3 *db = nullptr;
    SampleDb()
    {
        sqlite3_open(":memory:", &db);
        exec("CREATE TABLE SAMPLES (STATION INTEGER, SEQ SMALLINT, \"Depth m\" DOUBLE, GRADE DECIMAL(10,2))");
        exec("INSERT INTO SAMPLES VALUES (12, NULL, 1.5, 3.25)");
        exec("INSERT INTO SAMPLES VALUES (12, 1, 2.5, 4.5)");
        exec("INSERT INTO SAMPLES VALUES (13, NULL, 0.5, NULL)");
    }
    ~SampleDb() { sqlite3_close(db); }
    int exec(const std::string &sql)
    {
        char *err = nullptr;
        int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err);
        EXPECT_EQ(rc, SQLITE_OK) << sql << ": " << (err ? err : "");
        sqlite3_free(err);
        return rc;
    }
    /* The first column of the first row of a query as text. */
    std::string one(const std::string &sql)
    {
        sqlite3_stmt *st = nullptr;
        std::string out = "<error>";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            ADD_FAILURE() << sql << ": " << sqlite3_errmsg(db);
            return out;
        }
        if (sqlite3_step(st) == SQLITE_ROW)
            out = sqlite3_column_text(st, 0) ? (const char *)sqlite3_column_text(st, 0) : "<NULL>";
        sqlite3_finalize(st);
        return out;
    }
};

} // namespace

TEST(AseDbRow, KeyConditionOfIntegerAndNull)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    build(row, errs, {{"STATION", 4, 0, 0}, {"SEQ", 5, 0, 0}});
    ASSERT_EQ(row.setLong(0, 12), 1);
    EXPECT_EQ(take(row.keyCondition()), "STATION=12 AND SEQ IS NULL ");
    char buf[64];
    EXPECT_EQ(row.keyConditionText(buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "STATION=12 AND SEQ IS NULL ");
    EXPECT_EQ(row.keyConditionText(buf, 8), 1);
    EXPECT_STREQ(buf, "STATION");
}

TEST(AseDbRow, AssignmentListWritesEqualsNullForANullValue)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    build(row, errs, {{"STATION", 4, 0, 0}, {"SEQ", 5, 0, 0}});
    row.setLong(0, 7);
    std::string set = take(row.assignmentList());
    EXPECT_EQ(set, "STATION=7,SEQ=NULL");
    EXPECT_EQ(set.find("IS NULL"), std::string::npos);
}

TEST(AseDbRow, SqlFragmentsRunOnARealTable)
{
    CAseErrList errs;
    SampleDb db;
    CAseDbRow key(&errs, 1);
    build(key, errs, {{"STATION", 4, 0, 0}, {"SEQ", 5, 0, 0}});
    key.setLong(0, 12);
    std::string where = take(key.keyCondition());
    EXPECT_EQ(db.one("SELECT COUNT(*) FROM SAMPLES WHERE " + where), "1");
    EXPECT_EQ(db.one("SELECT \"Depth m\" FROM SAMPLES WHERE " + where), "1.5");

    CAseDbRow vals(&errs, 1);
    build(vals, errs, {{"\"Depth m\"", 8, 0, 0}, {"GRADE", 3, 10, 2}});
    vals.setDouble(0, 9.75);
    std::string set = take(vals.assignmentList());
    db.exec("UPDATE SAMPLES SET " + set + " WHERE " + where);
    EXPECT_EQ(db.one("SELECT \"Depth m\" FROM SAMPLES WHERE " + where), "9.75");
    EXPECT_EQ(db.one("SELECT GRADE IS NULL FROM SAMPLES WHERE " + where), "1") << "the null value was written";
    EXPECT_EQ(db.one("SELECT COUNT(*) FROM SAMPLES WHERE GRADE IS NULL"), "2");

    CAseDbRow ins(&errs, 1);
    build(ins, errs, {{"STATION", 4, 0, 0}, {"SEQ", 5, 0, 0}, {"\"Depth m\"", 8, 0, 0}, {"GRADE", 3, 10, 2}});
    ins.setLong(0, 14);
    ins.setLong(1, 3);
    ins.setDouble(2, -1.25);
    ins.setText(3, "12.5");
    db.exec("INSERT INTO SAMPLES VALUES (" + take(ins.valueList()) + ")");
    EXPECT_EQ(db.one("SELECT GRADE FROM SAMPLES WHERE " + take(ins.keyCondition())), "12.5");
    ins.setText(3, nullptr);
    db.exec("INSERT INTO SAMPLES VALUES (" + take(ins.valueList()) + ")");
    EXPECT_EQ(db.one("SELECT COUNT(*) FROM SAMPLES WHERE " + take(ins.keyCondition())), "1");
}

TEST(AseDbRow, QuotesInTextsAndNamesStaySafeInSql)
{
    CAseErrList errs;
    SampleDb db;
    db.exec("CREATE TABLE NOTES (\"Obs'er \"\"x\"\"\" VARCHAR(40), N INTEGER)");
    db.exec("INSERT INTO NOTES VALUES ('O''Brien', 1)");
    db.exec("INSERT INTO NOTES VALUES ('x'' OR ''1''=''1', 2)");
    CAseDbRow key(&errs, 1);
    build(key, errs, {{"\"Obs'er \"\"x\"\"\"", 12, 40, 0}});
    ASSERT_EQ(key.setText(0, "O'Brien"), 1);
    std::string where = take(key.keyCondition());
    EXPECT_EQ(db.one("SELECT N FROM NOTES WHERE " + where), "1") << where;
    key.setText(0, "x' OR '1'='1");
    where = take(key.keyCondition());
    EXPECT_EQ(db.one("SELECT COUNT(*) FROM NOTES WHERE " + where), "1") << "a quote in a key cannot widen the match";
    db.exec("UPDATE NOTES SET " + take(key.assignmentList()) + " WHERE N=1");
    EXPECT_EQ(db.one("SELECT COUNT(*) FROM NOTES WHERE " + where), "2");
}

TEST(AseDbRow, RowsWithoutColumns)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    EXPECT_EQ(row.keyCondition(), nullptr);
    EXPECT_EQ(row.allNull(), 1);
    EXPECT_EQ(row.count(), 0);
    CAseResBuf list(&errs);
    EXPECT_EQ(row.namesToResBuf(list), 0);
    EXPECT_TRUE(has_item(errs, 2, 1));
    errs.clear();
    EXPECT_EQ(row.valuesToResBuf(list), 0);
    EXPECT_EQ(errs.count(), 0) << "values without a row fail quietly";
    EXPECT_EQ(row.setValuesFromResBuf(list), 0);
    EXPECT_TRUE(has_item(errs, 2, 1));
    EXPECT_EQ(row.isNull(0), 0);
    EXPECT_EQ(row.textLength(0), -1);
}

TEST(AseDbRow, ValuesToTheHostByType)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    build(row, errs, {{"A", 4, 0, 0}, {"B", 8, 0, 0}, {"C", 14, 8, 0}, {"D", 9, 0, 0, 1}, {"E", 5, 0, 0}});
    row.setLong(0, 5);
    row.setDouble(1, 2.5);
    row.setText(2, "A5");
    row.setText(3, "2024-05-01");
    CAseResBuf list(&errs);
    ASSERT_EQ(row.valuesToResBuf(list), 1);
    EXPECT_EQ(types_of(list.head()), (std::vector<int>{RTLONG, RTREAL, RTSTR, RTSTR, RTVOID}));
    list.seek(2);
    EXPECT_STREQ(list.curText(), "A5") << "bit values as hexadecimal digits";
    list.next();
    EXPECT_STREQ(list.curText(), "2024-05-01");
    CAseResBuf texts(&errs);
    ASSERT_EQ(row.valuesToTextResBuf(texts, ASE_NULL_AS_EMPTY), 1);
    EXPECT_EQ(types_of(texts.head()), (std::vector<int>{RTSTR, RTSTR, RTSTR, RTSTR, RTSTR}));
    CAseResBuf voids(&errs);
    ASSERT_EQ(row.valuesToTextResBuf(voids, 0), 1);
    voids.last();
    EXPECT_EQ(voids.curType(), RTVOID);
    CAseResBuf names(&errs);
    ASSERT_EQ(row.namesToResBuf(names), 1);
    EXPECT_STREQ(names.head()->resval.rstring, "A");
}

TEST(AseDbRow, PointColumnsFailAndImplementationTypesAreVoid)
{
    CAseErrList errs;
    CAsiRow *engine = new CAsiRow(2);
    CAsiPoint p;
    p.setText("1 2", 3);
    CAsiImplData impl;
    impl.setImplType(3);
    impl.setText("x", 1);
    (*engine)[0].setValue(&impl);
    (*engine)[1].setValue(&p);
    CAseDbRow row(&errs, 1);
    row.attach(engine);
    CAseResBuf list(&errs);
    if (!row.isNull(1)) {
        EXPECT_EQ(row.valuesToResBuf(list), 0) << "a POINT has no result type";
    }
    (*engine)[1].setValue(nullptr);
    CAseResBuf ok(&errs);
    ASSERT_EQ(row.valuesToResBuf(ok), 1);
    EXPECT_EQ(types_of(ok.head()), (std::vector<int>{RTVOID, RTVOID}));
}

TEST(AseDbRow, RepliesSetValuesAndFillTheRestWithNull)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    build(row, errs, {{"A", 4, 0, 0}, {"B", 8, 0, 0}, {"C", 14, 8, 0}, {"D", 3, 10, 2}});
    row.setLong(3, 9);
    CAseResBuf reply(&errs);
    reply.attach(ads_buildlist(RTLONG, 77, RTREAL, 0.25, 0));
    ASSERT_EQ(row.setValuesFromResBuf(reply), 1);
    long l = 0;
    EXPECT_EQ(row.getLong(0, &l), 1);
    EXPECT_EQ(l, 77);
    EXPECT_EQ(row.value(0)->typeCode(), 4) << "the column keeps its type";
    EXPECT_EQ(row.isNull(2), 1);
    EXPECT_EQ(row.isNull(3), 1) << "columns beyond the reply become null";
    reply.attach(ads_buildlist(RTVOID, RTSHORT, 3, RTLONG, 1, 0));
    ASSERT_EQ(row.setValuesFromResBuf(reply), 1);
    EXPECT_EQ(row.isNull(0), 1);
    EXPECT_EQ(row.isNull(1), 1) << "an element of another type nulls the rest";
    EXPECT_EQ(row.allNull(), 1);
    reply.attach(ads_buildlist(RTREAL, 3.0, RTLONG, 4, RTSTR, "F0", RTSTR, "1.5", 0));
    ASSERT_EQ(row.assignFromResBuf(reply), 1);
    double d = 0;
    EXPECT_EQ(row.getLong(0, &l), 1);
    EXPECT_EQ(l, 3);
    EXPECT_EQ(row.getDouble(1, &d), 1);
    EXPECT_EQ(d, 4.0);
    char buf[16];
    row.getText(2, buf, sizeof buf, 0);
    EXPECT_STREQ(buf, "F0");
    EXPECT_EQ(row.getDouble(3, &d), 1);
    EXPECT_EQ(d, 1.5);
    reply.attach(ads_buildlist(RTLONG, 1, 0));
    EXPECT_EQ(row.assignFromResBuf(reply), 0) << "a reply shorter than the row";
}

TEST(AseDbRow, DescriptionsRoundTripAndMalformedOnesFail)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    build(row, errs, {{"A", 4, 0, 0}, {"\"b c\"", 3, 8, 2}});
    CAseResBuf list(&errs);
    ASSERT_EQ(row.colDscToResBuf(list), 1);
    list.append(RTLE);
    list.first();
    CAseDbRow back(&errs, 1);
    ASSERT_EQ(back.fromColDscResBuf(list), 1);
    ASSERT_EQ(back.count(), 2);
    char name[16];
    back.getName(1, name, sizeof name);
    EXPECT_STREQ(name, "\"b c\"");
    EXPECT_EQ(back.value(1)->precision(), 8u);
    /* The end of the chain also ends the descriptions. */
    CAseResBuf open(&errs);
    row.colDscToResBuf(open);
    open.first();
    EXPECT_EQ(back.fromColDscResBuf(open), 1);
    EXPECT_EQ(back.count(), 2);
    /* A malformed description after a good one fails the whole call. */
    CAseResBuf bad(&errs);
    row.colDscToResBuf(bad);
    bad.last();
    bad.appendChain(ads_buildlist(RTSTR, "C", RTLONG, 1, RTLE, 0));
    bad.first();
    errs.clear();
    EXPECT_EQ(back.fromColDscResBuf(bad), 0);
    EXPECT_TRUE(has_item(errs, 2, 27));
    EXPECT_EQ(back.count(), 0);
}

TEST(AseDbRow, ComparisonsByValue)
{
    CAseErrList errs;
    CAseDbRow a(&errs, 1), b(&errs, 1), c(&errs, 1);
    build(a, errs, {{"X", 4, 0, 0}, {"Y", 8, 0, 0}});
    build(b, errs, {{"X", 5, 0, 0}, {"Y", 3, 6, 2}});
    build(c, errs, {{"X", 4, 0, 0}, {"Y", 8, 0, 0}, {"Z", 4, 0, 0}});
    EXPECT_EQ(a.compare(&c), ASE_CMP_NONE) << "2 and 3 columns";
    a.setLong(0, 5);
    b.setLong(0, 5);
    a.setDouble(1, 2.5);
    b.setText(1, "2.5");
    EXPECT_EQ(a.compare(&b), 0) << "numerics of different types compare by value";
    b.setText(1, "3");
    EXPECT_EQ(a.compare(&b), -1);
    EXPECT_EQ(b.compare(&a), 1);
    b.setText(1, nullptr);
    EXPECT_EQ(a.compareValue(1, b.value(1), 0), 0) << "a null is equal when not strict";
    EXPECT_EQ(a.compareValue(1, b.value(1), 1), 1);
    CAseDbRow d(&errs, 1);
    build(d, errs, {{"D", 9, 0, 0, 1}});
    EXPECT_EQ(a.compareValue(0, d.value(0), 1), ASE_CMP_NONE) << "an INTEGER against a DATE";
    EXPECT_EQ(a.compareValue(0, nullptr, 1), ASE_CMP_NONE);
    CAseDbRow e1(&errs, 1), e2(&errs, 1);
    EXPECT_EQ(e1.compare(&e2), 0);
    EXPECT_EQ(e1.compare(&a), ASE_CMP_NONE);
}

TEST(AseDbRow, TextsMarksAndCopies)
{
    CAseErrList errs;
    CAseDbRow row(&errs, 1);
    build(row, errs, {{"N", 4, 0, 0}, {"M", 4, 0, 0}});
    row.setLong(0, 12345);
    char buf[16];
    EXPECT_EQ(row.getText(0, buf, sizeof buf, 3), 1);
    EXPECT_STREQ(buf, "45");
    EXPECT_EQ(row.getText(0, buf, 4, 0), 1);
    EXPECT_STREQ(buf, "123");
    EXPECT_EQ(row.textLength(0), 6);
    row.setLong(1, 12);
    EXPECT_EQ(row.getText(1, buf, sizeof buf, 3), 1);
    EXPECT_STREQ(buf, "");
    char *copy = row.textCopy(0);
    EXPECT_STREQ(copy, "12345");
    errs.release(copy);
    EXPECT_EQ(row.changedCount(), 2);
    EXPECT_EQ(row.isChanged(1), 1);
    CAseDbRow *clone = static_cast<CAseDbRow *>(row.clone());
    ASSERT_NE(clone, nullptr);
    EXPECT_EQ(clone->changedCount(), 0) << "marks are not copied";
    EXPECT_EQ(clone->compare(&row), 0);
    EXPECT_EQ(clone->flag(), 1);
    delete clone;
    row.setUcStr(1, CAsiUcStr("7"));
    EXPECT_EQ(row.changedCount(), 2);
    row.clearChanged();
    EXPECT_EQ(row.isChanged(0), 0);
    CAseList *descs = row.colDscList();
    ASSERT_NE(descs, nullptr);
    EXPECT_EQ(descs->count(), 2);
    EXPECT_EQ(row.isComparable(0, static_cast<CAseColDsc *>(descs->item(1))), 1);
    delete descs;
    EXPECT_EQ(row.isNumeric(0), 1);
    EXPECT_EQ(row.isDatetimeOrInterval(0), 0);
}

TEST(AseDbRow, AttachAndDetachLeaveTheCallersRow)
{
    CAseErrList errs;
    CAsiRow engine(1);
    CAsiInteger v;
    v.setLong(3);
    engine[0].setValue(&v);
    {
        CAseDbRow row(&errs, 1);
        ASSERT_EQ(row.attach(&engine), 1);
        EXPECT_EQ(row.count(), 1);
        row.detach();
    }
    EXPECT_EQ(engine.count(), 1) << "a detached row is not deleted";
}

TEST(AseDbRow, NamesFromTheHost)
{
    if (!asi_value_known(ASI_TYPE_VARCHAR, 0))
        GTEST_SKIP() << "the engine has no CHARACTER VARYING class yet";
    CAseErrList errs;
    CAseResBuf list(&errs);
    list.attach(ads_buildlist(RTSTR, "station", RTSTR, "\"Depth m\"", RTLONG, 3, RTSTR, "late", 0));
    CAseDbRow row(&errs, 1);
    ASSERT_EQ(row.fromNames(list), 1);
    EXPECT_EQ(row.count(), 2);
    char name[16];
    row.getName(0, name, sizeof name);
    EXPECT_STREQ(name, "STATION");
    EXPECT_EQ(row.value(0)->typeCode(), ASI_TYPE_VARCHAR);
    list.first();
    ASSERT_EQ(row.fromNamesAfterCursor(list), 1);
    EXPECT_EQ(row.count(), 1);
    EXPECT_EQ(list.index(), 0);
}
