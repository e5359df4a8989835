/*
** errlist_test.cpp: the error list: items and their texts from the
** catalogue, the limit of 99 items, SQL client conditions and the host's
** error items, the scratch pool's bounds, and how the catalogue is found.
*/
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "ase_fixture.h"
#include "linkclient/ase_str.h"
#include "platform/include/host_editor.h"
#include "scratch_dir.h"
#include "sqlclient/asi_handle.h"
#include "sqlclient/base/asi_files.h"

namespace {

std::string item_message(const CAseErrList &errs, int i)
{
    char buf[512];
    errs.message(i, buf, sizeof buf);
    return buf;
}

/* A handle whose diagnostics a test fills. */
struct TestHandle : CAsiHandle {
};

} // namespace

TEST(AseErrList, ItemCarriesCategoryCodeAndCatalogueText)
{
    CatalogErrList errs;
    ASSERT_TRUE(errs.opened());
    EXPECT_NE(errs.add(ASE_CAT_SYSTEM, ASE_ERR_NO_MEMORY), 0);
    EXPECT_NE(errs.add(ASE_CAT_HOST, ASE_ERR_NOT_READY, "detail"), 0);
    ASSERT_EQ(errs.count(), 2);
    EXPECT_EQ(errs.category(0), 2);
    EXPECT_EQ(errs.code(0), 2);
    /* (2, 2) reads message 3 of set 1 */
    EXPECT_EQ(item_message(errs, 0), std::string("Link client: ") + errs.msgFile()->text(1, 3));
    EXPECT_EQ(item_message(errs, 1), "Link client: detail");
    EXPECT_EQ(errs.diagnostics()->condCode(0), ASI_ERR_LINK_CONDITION);
    EXPECT_EQ(errs.code(2), 0) << "an index equal to the count has no code";
    EXPECT_EQ(errs.category(-1), 0);
}

TEST(AseErrList, CodesWithoutMessageGetTheDefaultText)
{
    CatalogErrList errs;
    errs.add(3, 7);
    errs.add(8, 914);   /* message 13 of set 17 */
    EXPECT_EQ(item_message(errs, 0), std::string("Link client: ") + ASE_DEFAULT_TEXT);
    EXPECT_EQ(item_message(errs, 1), "Link client: Invalid link descriptor");
}

TEST(AseErrList, PlainListWithoutCatalogueUsesDefaultTextWithoutPrefix)
{
    CAseErrList errs;
    errs.add(2, 2);
    EXPECT_EQ(item_message(errs, 0), ASE_DEFAULT_TEXT);
}

TEST(AseErrList, NinetyNinthItemBringsTooManyErrors)
{
    CatalogErrList errs;
    for (int i = 0; i < 98; ++i)
        ASSERT_NE(errs.add(1, 1), 0);
    EXPECT_NE(errs.add(1, 1), 0) << "the 99th item itself is accepted";
    ASSERT_EQ(errs.count(), 100);
    EXPECT_EQ(errs.category(99), 2);
    EXPECT_EQ(errs.code(99), 4);
    EXPECT_EQ(item_message(errs, 99), "Link client warning: Too many errors");
    EXPECT_EQ(errs.add(1, 1), 0) << "beyond the limit an add reports failure";
    EXPECT_EQ(errs.count(), 101) << "but the item is kept";
}

TEST(AseErrList, SqlConditionsAreCopiedLastFirstWithTheirItems)
{
    CatalogErrList errs;
    TestHandle h;
    h.diag().addCondition(0x2203);
    h.diag().setCondText(CAsiUcStr("numeric value out of range"));
    h.diag().addCondition(0x4200);
    h.diag().setCondText(CAsiUcStr("syntax error"));
    h.diag().addTextItem(ASE_ITEM_TABLE, CAsiUcStr("STATION"));
    ASSERT_EQ(errs.fromDiagnostics(&h), 1);
    ASSERT_EQ(errs.count(), 2);
    EXPECT_EQ(errs.category(0), ASE_CAT_SQL);
    EXPECT_EQ(errs.code(0), 0x4200);
    EXPECT_EQ(errs.diagnostics()->condCode(0), 0x4200);
    EXPECT_EQ(item_message(errs, 0), "Link client: syntax error");
    char table[32];
    EXPECT_EQ(errs.itemText(0, ASE_ITEM_TABLE, table, sizeof table), 1);
    EXPECT_STREQ(table, "STATION");
    EXPECT_EQ(errs.code(1), 0x2203);
    EXPECT_EQ(errs.itemText(1, ASE_ITEM_TABLE, table, sizeof table), 0);
    EXPECT_EQ(errs.fromDiagnostics(nullptr), 0);
    EXPECT_TRUE(has_item(errs, 8, 901));
}

TEST(AseErrList, ExceptionWithoutItemsBecomesOneSqlItem)
{
    CAseErrList errs;
    errs.fromSqlException(CAsiException(ASI_ERR_INDEX, "here", "column index out of range"));
    ASSERT_EQ(errs.count(), 1);
    EXPECT_EQ(errs.category(0), 4);
    EXPECT_EQ(errs.code(0), ASI_ERR_INDEX);
}

TEST(AseErrList, HostItemsLoadOnlyAfterAnItemStarted)
{
    CAseErrList errs;
    errs.add(1, 1);
    resbuf *chain = ads_buildlist(RTSHORT, 31, RTSTR, "lost", RTREAL, 901.0, RTSTR, "host failed", RTSHORT,
                                  ASE_ITEM_CATEGORY, RTLONG, 8, RTSHORT, ASE_ITEM_TABLE, RTSTR, "SAMPLE", RTREAL,
                                  77.0, RTSHORT, ASE_ITEM_CODE, RTLONG, 5, 0);
    ASSERT_EQ(errs.loadHostItems(chain), 1);
    ads_relrb(chain);
    ASSERT_EQ(errs.count(), 2) << "the old items are replaced";
    EXPECT_EQ(errs.diagnostics()->condCode(0), 901);
    EXPECT_EQ(errs.category(0), 8);
    char buf[64];
    EXPECT_EQ(errs.itemText(0, ASE_ITEM_TABLE, buf, sizeof buf), 1);
    EXPECT_STREQ(buf, "SAMPLE");
    CAsiUcStr text;
    errs.diagnostics()->condText(0, text);
    EXPECT_EQ(text, CAsiUcStr("host failed"));
    EXPECT_EQ(errs.diagnostics()->condCode(1), 77);
    EXPECT_EQ(errs.code(1), 5);
    chain = ads_buildlist(RTREAL, 1e300, RTREAL, -5e9, 0);
    ASSERT_EQ(errs.loadHostItems(chain), 1);
    ads_relrb(chain);
    EXPECT_EQ(errs.diagnostics()->condCode(0), 0) << "a code no integer holds is not cut wrongly";
    EXPECT_EQ(errs.diagnostics()->condCode(1), 0);
}

TEST(AseErrList, ChainFormLoadsBackToTheSameItems)
{
    CatalogErrList errs;
    errs.add(8, 903);
    errs.addTextItem(ASE_ITEM_ENVIRONMENT, "DB3");
    errs.add(2, 27, "bad value");
    resbuf *chain = errs.toChain();
    ASSERT_NE(chain, nullptr);
    EXPECT_EQ(chain->restype, RTREAL);
    CAseErrList back;
    ASSERT_EQ(back.loadHostItems(chain), 1);
    ads_relrb(chain);
    ASSERT_EQ(back.count(), 2);
    EXPECT_EQ(items_of(back), (std::vector<std::pair<int, int>>{{2, 27}, {8, 903}}));
    char env[16];
    EXPECT_EQ(back.itemText(1, ASE_ITEM_ENVIRONMENT, env, sizeof env), 1);
    EXPECT_STREQ(env, "DB3");
}

TEST(AseErrList, PathItemsTakeTheFivePartsInOrder)
{
    CAseErrList errs;
    CAseStr path(&errs);
    const char *parts[] = {"DB3", "CAT", "SCH", "STATION", "LPN1"};
    for (int i = 0; i < 5; ++i)
        path.setAt(i, parts[i]);
    errs.add(5, 501);
    ASSERT_EQ(errs.addPathItems(&path), 1);
    const int ids[] = {ASE_ITEM_ENVIRONMENT, ASE_ITEM_CATALOG, ASE_ITEM_SCHEMA, ASE_ITEM_TABLE, ASE_ITEM_LPN};
    char buf[16];
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(errs.itemText(0, ids[i], buf, sizeof buf), 1);
        EXPECT_STREQ(buf, parts[i]);
    }
}

TEST(AseErrList, ItemTableStopsAfterTwentyRows)
{
    CatalogErrList errs;
    int id = 0, isText = 0;
    EXPECT_EQ(CAseErrList::itemName(0, &id, &isText), 1);
    EXPECT_EQ(id, 1025);
    EXPECT_EQ(isText, 0);
    EXPECT_EQ(CAseErrList::itemName(19, &id, &isText), 1);
    EXPECT_EQ(id, 22);
    EXPECT_EQ(CAseErrList::itemName(20, &id, &isText), 0);
    char name[64];
    EXPECT_STREQ(errs.itemNameText(2, name, sizeof name), "Message");
}

TEST(AseErrList, ScratchPoolIsBoundedAndReused)
{
    CAseErrList errs;
    EXPECT_EQ(errs.get(ASE_SCRATCH_MAX + 1), nullptr) << "no 16-bit wrap of the capacity";
    EXPECT_TRUE(has_item(errs, 1, 1));
    char *big = errs.get(ASE_SCRATCH_MAX);
    ASSERT_NE(big, nullptr);
    big[ASE_SCRATCH_MAX - 1] = 'x';
    errs.release(big);
    EXPECT_EQ(big, nullptr);
    char *again = errs.get(10);
    EXPECT_EQ(errs.scratchBlocks(), 1) << "a free block large enough is taken again";
    char *second = errs.get(20);
    EXPECT_EQ(errs.scratchBlocks(), 2);
    EXPECT_EQ(second[20], 0);
    errs.release(again);
    errs.release(second);
    char *held[12];
    for (char *&p : held)
        p = errs.get(8);
    EXPECT_EQ(errs.scratchBlocks(), 12);
    for (char *&p : held)
        errs.release(p);
    EXPECT_LE(errs.scratchBlocks(), 8) << "blocks eight or more down the chain are freed";
}

TEST(AseMsgFile, FoundBesideTheAseApplication)
{
    namespace fs = std::filesystem;
    char home[ASI_PATH_MAX];
    ASSERT_GT(asi_find_home(ASE_MSGFILE_NAME, home, sizeof home), 0);
    pv_scratch_dir scratch("pv_ase_");
    const fs::path &dir = scratch.path();
    fs::copy_file(home, dir / ASE_MSGFILE_NAME, fs::copy_options::overwrite_existing);
    std::string app = (dir / "Ase.Service.arx").string();
    host_register_module(app, nullptr);
    CAseErrList errs;
    CAseMsgFile mf(&errs);
    EXPECT_EQ(mf.open(), 1);
    EXPECT_EQ(std::string(mf.path()), (dir / ASE_MSGFILE_NAME).string());
    EXPECT_STREQ(mf.text(1, 3), "Out of memory");
    EXPECT_STREQ(mf.text(1, 999), "") << "a message the catalogue lacks is empty";
    host_register_module("", nullptr);
}

TEST(AseMsgFile, HomeSearchWhenNoAseApplicationOrItsPathIsTooLong)
{
    std::string longDir = "/" + std::string(1100, 'd') + "/ase.arx";
    host_register_module(longDir, nullptr);
    CAseErrList errs;
    CAseMsgFile mf(&errs);
    EXPECT_EQ(mf.open(), 1) << "a path that does not fit is skipped";
    char home[ASI_PATH_MAX];
    asi_find_home(ASE_MSGFILE_NAME, home, sizeof home);
    EXPECT_STREQ(mf.path(), home);
    host_register_module("/opt/editor/pvx14.arx", nullptr);
    EXPECT_EQ(mf.open(), 1);
    EXPECT_STREQ(mf.path(), home);
    host_register_module("", nullptr);
}
