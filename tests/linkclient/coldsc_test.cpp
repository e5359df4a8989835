/*
** coldsc_test.cpp: column descriptors: the result-type table, names and
** their comparison, descriptions read from and written to result-buffer
** lists (malformed input refused), every SQL type through an engine column
** and back, type texts, and the packed records a list of descriptors
** reads, converts and writes.
*/
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include "ase_fixture.h"
#include "linkclient/ase_buf.h"
#include "linkclient/ase_coldsc.h"
#include "linkclient/ase_list.h"
#include "linkclient/ase_resbuf.h"
#include "linkclient/ase_str.h"
#include "sqlclient/asi_row.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/values/asi_data.h"

namespace {

/* A descriptor of the given fields. */
std::unique_ptr<CAseColDsc> dsc(CAseErrList &errs, const char *name, int type, int prec = 0, int scale = 0,
                                int dtype = 0)
{
    auto d = std::make_unique<CAseColDsc>(&errs);
    d->setName(name);
    d->setType(type);
    d->setPrec(prec);
    d->setScale(scale);
    d->setDType(dtype);
    return d;
}

bool have_character_class()
{
    return asi_value_known(ASI_TYPE_CHAR, 0) != 0;
}

} // namespace

TEST(AseColDsc, ResultTypeTable)
{
    const struct {
        int type, rb;
    } table[] = {
        {1, RTSTR}, {9, RTSTR}, {10, RTSTR}, {12, RTSTR}, {14, RTSTR}, {15, RTSTR},
        {2, RTREAL}, {3, RTREAL}, {6, RTREAL}, {7, RTREAL}, {8, RTREAL},
        {4, RTLONG}, {5, RTLONG},
        {0, RTNONE}, {11, RTNONE}, {13, RTNONE}, {16, RTNONE}, {-1, RTNONE}, {99, RTNONE},
    };
    CAseErrList errs;
    for (auto &t : table) {
        auto d = dsc(errs, "C", t.type);
        EXPECT_EQ(d->rbType(), t.rb) << "type " << t.type;
        EXPECT_EQ(d->isValid(), t.rb != RTNONE) << "type " << t.type;
    }
    auto d = dsc(errs, "", 4);
    EXPECT_EQ(d->isValid(), 0) << "a descriptor without a name is not valid";
}

TEST(AseColDsc, LongColumnTakesRealsButNotTheOtherWay)
{
    CAseErrList errs;
    auto lng = dsc(errs, "N", 4), real = dsc(errs, "R", 8), text = dsc(errs, "T", 12);
    EXPECT_EQ(lng->isCompatible(real.get()), 1);
    EXPECT_EQ(real->isCompatible(lng.get()), 0);
    EXPECT_EQ(real->isCompatible(real.get()), 1);
    EXPECT_EQ(text->isCompatible(lng.get()), 0);
    EXPECT_EQ(lng->isCompatible(nullptr), 0);
}

TEST(AseColDsc, NamesAreTrimmedAndRegularOnesUpperCased)
{
    CAseErrList errs;
    CAseColDsc d(&errs);
    EXPECT_EQ(d.setName("  Station_No  "), 1);
    EXPECT_STREQ(d.name(), "STATION_NO");
    EXPECT_EQ(d.isQuoted(), 0);
    EXPECT_EQ(d.setName("  \"Depth m\"  "), 1);
    EXPECT_STREQ(d.name(), "\"Depth m\"");
    EXPECT_EQ(d.isQuoted(), 1);
    EXPECT_EQ(d.setName(d.name()), 1) << "its own name is copied before it is released";
    EXPECT_STREQ(d.name(), "\"Depth m\"");
    EXPECT_EQ(d.setName("   "), 1);
    EXPECT_EQ(d.name(), nullptr);
    d.setName("\"\"");
    char *p = d.plainName();
    EXPECT_STREQ(p, "");
    errs.release(p);
    d.setName("\"ab\"");
    p = d.plainName();
    EXPECT_STREQ(p, "ab");
    errs.release(p);
}

TEST(AseColDsc, NameComparison)
{
    CAseErrList errs;
    auto d = dsc(errs, "SAMPLE", 4);
    EXPECT_EQ(d->compareName("SAMPLE", 0), 0);
    EXPECT_EQ(d->compareName(" sample ", 1), 0) << "normalised like setName";
    EXPECT_EQ(d->compareName("sample", 0), -1);
    EXPECT_EQ(d->compareName("\"SAMPLE\"", 0), 0) << "quotes are ignored";
    EXPECT_EQ(d->compareName("", 0), 1);
    EXPECT_EQ(d->compareName(nullptr, 0), 1);
    CAseColDsc none(&errs);
    EXPECT_EQ(none.compareName("A", 0), -1);
    auto e = dsc(errs, "SAMPLE", 5);
    EXPECT_EQ(d->compare(e.get()), -1) << "then by type";
    e->setType(4);
    e->setStatus(7);
    EXPECT_EQ(d->compare(e.get()), 1) << "Status last";
}

TEST(AseColDsc, DescriptionsThroughResultBuffers)
{
    CAseErrList errs;
    auto d = dsc(errs, "GRADE", 3, 10, 2);
    d->setCharSet("1252");
    d->setLocale("LATIN1");
    CAseResBuf list(&errs);
    ASSERT_EQ(d->toResBuf(list, 1, 0), 1);
    EXPECT_EQ(types_of(list.head()),
              (std::vector<int>{RTSTR, RTSTR, RTSTR, RTSHORT, RTSHORT, RTSHORT, RTSHORT, RTSHORT}));
    list.append(RTLE);
    list.first();
    CAseColDsc back(&errs);
    ASSERT_EQ(back.fromResBuf(list, 0), 1);
    EXPECT_EQ(back.compare(d.get()), 0);
    EXPECT_STREQ(back.locale(), "LATIN1");
    EXPECT_EQ(list.curType(), RTLE) << "the cursor stops after the description";
    EXPECT_EQ(back.fromResBuf(list, 0), 0);
    EXPECT_EQ(errs.count(), 0) << "RTLE ends a list of descriptions quietly";
    CAseResBuf shortForm(&errs);
    shortForm.attach(ads_buildlist(RTSTR, " grade ", RTSHORT, 3, RTSHORT, 10, RTSHORT, 2, RTSHORT, 0, RTSHORT,
                                   1024, 0));
    EXPECT_EQ(d->compare(&shortForm), 0) << "compared against a name and five numbers at the cursor";
    shortForm.seek(3);
    shortForm.setType(RTLONG);
    shortForm.first();
    EXPECT_EQ(d->compare(&shortForm), ASE_CMP_NONE) << "a number of another type is not read";
    list.first();
    EXPECT_EQ(d->compare(&list), ASE_CMP_NONE) << "the full form has texts where the numbers are";
    CAseResBuf one(&errs);
    ASSERT_EQ(d->toResBuf(one, 0, 0), 1);
    EXPECT_EQ(one.length(), 1);
}

TEST(AseColDsc, MalformedDescriptionsFail)
{
    CAseErrList errs;
    CAseColDsc d(&errs);
    CAseResBuf list(&errs);
    list.attach(ads_buildlist(RTLONG, 4, 0));
    EXPECT_EQ(d.fromResBuf(list, 0), 0);
    EXPECT_TRUE(has_item(errs, 2, 27));
    errs.clear();
    /* A number sent as a long instead of a 16-bit integer is not read. */
    list.attach(ads_buildlist(RTSTR, "K", RTSTR, "", RTSTR, "", RTSHORT, 4, RTLONG, 0, RTSHORT, 0, RTSHORT, 0,
                              RTSHORT, 0, 0));
    EXPECT_EQ(d.fromResBuf(list, 0), 0);
    EXPECT_TRUE(has_item(errs, 2, 27));
    EXPECT_EQ(d.name(), nullptr);
    errs.clear();
    list.attach(ads_buildlist(RTSTR, "K", RTSTR, "", 0));
    EXPECT_EQ(d.fromResBuf(list, 0), 0) << "a description cut short";
    EXPECT_TRUE(has_item(errs, 2, 27));
    list.attach(ads_buildlist(RTSTR, "K", RTSTR, "", RTSTR, "NOSUCHLOCALE", RTSHORT, 4, RTSHORT, 0, RTSHORT, 0,
                              RTSHORT, 0, RTSHORT, 1024, 0));
    EXPECT_EQ(d.fromResBuf(list, 0), 1);
    EXPECT_EQ(d.locale(), nullptr) << "an unknown locale is dropped";
    EXPECT_EQ(d.charSet(), nullptr);
}

TEST(AseColDsc, NameOnlyReadsLeaveStatus512)
{
    CAseErrList errs;
    CAseColDsc d(&errs);
    EXPECT_EQ(d.status(), ASE_COLDSC_STATUS_NEW);
    CAseResBuf list(&errs);
    list.attach(ads_buildlist(RTSHORT, 1, 0));
    EXPECT_EQ(d.fromResBufName(list), 0);
    EXPECT_EQ(d.status(), ASE_COLDSC_STATUS_NAME);
    list.attach(ads_buildlist(RTSTR, "key", 0));
    EXPECT_EQ(d.fromResBufName(list), 1);
    EXPECT_STREQ(d.name(), "KEY");
    EXPECT_EQ(d.status(), ASE_COLDSC_STATUS_NAME);
    d.clear();
    EXPECT_EQ(d.status(), ASE_COLDSC_STATUS_NEW);
}

TEST(AseColDsc, ExtendedFormConvertsTextsForTheHost)
{
    CodePageGuard guard;
    CatalogErrList errs;
    errs.setHostCodePage("850");
    auto d = dsc(errs, "\"M\xfc" "ller\"", 4);
    CAseResBuf xd(&errs);
    ASSERT_EQ(d->toResBuf(xd, 1, 1), 1);
    EXPECT_EQ(types_of(xd.head()), (std::vector<int>{1000, 1000, 1000, 1070, 1070, 1070, 1070, 1070}));
    EXPECT_STREQ(xd.head()->resval.rstring, "\"M\x81ller\"");
    /* Back as a host reply with conversion. */
    CAseResBuf reply(&errs);
    reply.attach(ads_buildlist(RTSTR, "\"M\x81ller\"", RTSTR, "", RTSTR, "", RTSHORT, 4, RTSHORT, 0, RTSHORT, 0,
                               RTSHORT, 0, RTSHORT, 1024, 0));
    CAseColDsc back(&errs);
    ASSERT_EQ(back.fromResBuf(reply, 1), 1);
    EXPECT_STREQ(back.name(), "\"M\xfc" "ller\"");
}

/* Every SQL type through makeColumn and fromColumn. */
struct TypeCase {
    int type, prec, scale, dtype;
};

class AseColDscTypes : public ::testing::TestWithParam<TypeCase> {
};

TEST_P(AseColDscTypes, SurvivesTheRoundTripThroughAnEngineColumn)
{
    const TypeCase &c = GetParam();
    if ((c.type == ASI_TYPE_CHAR || c.type == ASI_TYPE_VARCHAR) && !have_character_class())
        GTEST_SKIP() << "the engine has no CHARACTER class yet";
    CAseErrList errs;
    auto d = dsc(errs, "COL", c.type, c.prec, c.scale, c.dtype);
    if (c.type == ASI_TYPE_CHAR || c.type == ASI_TYPE_VARCHAR)
        d->setCharSet("1252");
    if (c.type == ASI_TYPE_IMPL)
        d->setLocale("GEOMETRY");
    std::unique_ptr<CAsiColumn> col(d->makeColumn());
    ASSERT_NE(col, nullptr) << "type " << c.type;
    ASSERT_NE(col->value(), nullptr);
    EXPECT_EQ(col->value()->typeCode(), c.type);
    EXPECT_EQ(col->value()->isNull(), 1);
    CAseColDsc back(&errs);
    ASSERT_EQ(back.fromColumn(*col), 1);
    EXPECT_STREQ(back.name(), "COL");
    EXPECT_EQ(back.type(), c.type);
    EXPECT_EQ(back.prec(), c.prec) << "type " << c.type << "/" << c.dtype;
    EXPECT_EQ(back.scale(), c.scale) << "type " << c.type << "/" << c.dtype;
    EXPECT_EQ(back.dtype(), c.dtype);
    char *text = back.typeText();
    ASSERT_NE(text, nullptr);
    EXPECT_GT(std::strlen(text), 0u);
    errs.release(text);
}

INSTANTIATE_TEST_SUITE_P(
    EveryType, AseColDscTypes,
    ::testing::Values(TypeCase{1, 20, 0, 0}, TypeCase{12, 40, 0, 0}, TypeCase{2, 10, 2, 0}, TypeCase{3, 12, 3, 0},
                      TypeCase{4, 0, 0, 0}, TypeCase{5, 0, 0, 0}, TypeCase{6, 20, 0, 0}, TypeCase{7, 0, 0, 0},
                      TypeCase{8, 0, 0, 0}, TypeCase{9, 0, 0, 1}, TypeCase{9, 3, 0, 2}, TypeCase{9, 6, 0, 3},
                      TypeCase{10, 4, 0, 1}, TypeCase{10, 2, 0, 7}, TypeCase{10, 3, 0, 3}, TypeCase{10, 2, 6, 10},
                      TypeCase{10, 5, 4, 6}, TypeCase{14, 8, 0, 0}, TypeCase{15, 16, 0, 0},
                      TypeCase{-1, 0, 0, 7}));

TEST(AseColDsc, DelimitedAndEmptyIdentifiersKeepTheirQuotes)
{
    CAseErrList errs;
    auto d = dsc(errs, "\"Depth m\"", 8);
    std::unique_ptr<CAsiColumn> col(d->makeColumn());
    ASSERT_NE(col, nullptr);
    EXPECT_EQ(col->name().nameRef(), 1);
    CAseColDsc back(&errs);
    ASSERT_EQ(back.fromColumn(*col), 1);
    EXPECT_STREQ(back.name(), "\"Depth m\"");
    CAseColDsc unnamed(&errs);
    unnamed.setType(4);
    col.reset(unnamed.makeColumn());
    ASSERT_NE(col, nullptr);
    ASSERT_EQ(back.fromColumn(*col), 1);
    EXPECT_STREQ(back.name(), "\"\"");
    CAsiColumn bare;
    ASSERT_EQ(back.fromColumn(bare), 1);
    EXPECT_EQ(back.type(), 0) << "a column without a value";
}

TEST(AseColDsc, CharacterColumnsKeepCharSetAndLocale)
{
    if (!have_character_class())
        GTEST_SKIP() << "the engine has no CHARACTER class yet";
    CAseErrList errs;
    auto d = dsc(errs, "NOTE", 12, 30);
    d->setCharSet("850");
    d->setLocale("LATIN1");
    std::unique_ptr<CAsiColumn> col(d->makeColumn());
    ASSERT_NE(col, nullptr);
    CAseColDsc back(&errs);
    ASSERT_EQ(back.fromColumn(*col), 1);
    EXPECT_STREQ(back.charSet(), "850");
    EXPECT_STREQ(back.locale(), "LATIN1");
    EXPECT_EQ(back.prec(), 30);
    d->setCharSet("NOSUCHSET");
    char *text = d->typeText();
    ASSERT_NE(text, nullptr);
    EXPECT_NE(std::string(text).find("NOSUCHSET"), std::string::npos) << text;
    EXPECT_EQ(std::string(text).find("VARYING") == std::string::npos &&
                  std::string(text).find("VARCHAR") == std::string::npos,
              false)
        << text;
    errs.release(text);
}

TEST(AseColDsc, TypesWithoutAClassFallBackToCharacter)
{
    if (!have_character_class())
        GTEST_SKIP() << "the engine has no CHARACTER class yet";
    CAseErrList errs;
    auto d = dsc(errs, "D", 9, 0, 0, 0);
    std::unique_ptr<CAsiColumn> col(d->makeColumn());
    ASSERT_NE(col, nullptr);
    EXPECT_EQ(col->value()->typeCode(), ASI_TYPE_CHAR);
}

TEST(AseRecord, PackedRecordsRoundTrip)
{
    CodePageGuard guard;
    CAseErrList errs;
    CAseList cols(&errs);
    cols.append(dsc(errs, "N", 4).release());
    cols.append(dsc(errs, "T", 12).release());
    cols.append(dsc(errs, "R", 8).release());
    cols.append(dsc(errs, "U", 1).release());
    ASSERT_EQ(asi_set_current_cp("850"), 1);
    CAseResBuf values(&errs);
    values.attach(ads_buildlist(RTLONG, 42, RTSTR, "M\x81ller", RTREAL, -2.5, RTSTR, "\xb0", 0));
    CAseBuf rec(&errs);
    ASSERT_EQ(rec.packChain(values, 0, 0), 1);
    CAseBuf work(&errs);
    CAseResBuf xd(&errs);
    ASSERT_EQ(rec.packRecord(work, cols, xd), 1);
    EXPECT_EQ(xd.head()->restype, 1004);
    /* In the chunks: the 1252 text tagged with an empty name, the 850-only
    ** character tagged with its page. */
    const unsigned char want[] = "\x07M\xfcller";
    EXPECT_NE(std::search(work.data(), work.data() + work.size(), want, want + sizeof want - 1),
              work.data() + work.size());
    xd.first();
    CAseBuf fromXd(&errs);
    ASSERT_EQ(fromXd.packChain(xd, 1, 0), 1);
    CAseBuf plain(&errs);
    ASSERT_EQ(plain.convertRecord(fromXd, cols, ASE_FROM_TAGGED), 1);
    ASSERT_EQ(plain.size(), rec.size());
    EXPECT_EQ(std::memcmp(plain.data(), rec.data(), rec.size()), 0);
    CAseResBuf out(&errs);
    ASSERT_EQ(plain.unpackRecord(out, cols), 1);
    out.first();
    EXPECT_EQ(out.curLong(), 42);
    out.next();
    EXPECT_STREQ(out.curText(), "M\x81ller");
    out.next();
    EXPECT_DOUBLE_EQ(out.curReal(), -2.5);
    out.next();
    EXPECT_STREQ(out.curText(), "\xb0");
}

TEST(AseRecord, RecordsRefuseShortDataAndForeignColumns)
{
    CAseErrList errs;
    CAseList cols(&errs);
    cols.append(dsc(errs, "R", 8).release());
    CAseBuf rec(&errs);
    rec.setBytes("abc", 3);
    CAseResBuf out(&errs);
    EXPECT_EQ(rec.unpackRecord(out, cols), 0) << "a real needs 8 bytes";
    CAseBuf conv(&errs);
    EXPECT_EQ(conv.convertRecord(rec, cols, ASE_TO_TAGGED), 0);
    CAseList bad(&errs);
    bad.append(dsc(errs, "P", 16).release());
    EXPECT_EQ(rec.unpackRecord(out, bad), 0);
    EXPECT_TRUE(has_item(errs, 1, 1));
    CAseList notCols(&errs);
    notCols.append(new CAseStr(&errs));
    errs.clear();
    EXPECT_EQ(rec.unpackRecord(out, notCols), 0);
    EXPECT_TRUE(has_item(errs, 1, 1));
}
