/*
** driver_test.cpp: the pieces between the transport and the interface:
** finding a driver program, reading replies (whole, cut short or damaged),
** moving values into and out of application buffers, and the spool that
** keeps a driver's cursor rows.
*/
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "scratch_dir.h"
#include "sqlclient/asi_connection.h"
#include "sqlclient/asi_descriptor.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/asi_driver_side.h"
#include "sqlclient/asi_row_spool.h"
#include "sqlclient/asi_valfactory.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "sqlclient/values/asi_decimal.h"
#include "sqlclient/values/asi_double.h"

namespace {

/* Runs body in an engine frame; answers the code it failed with, 0. */
template <class F> int frame_code(CAsiDiagArea &diag, F body)
{
    int code = 0;
    asi_try_call(&diag, 0, [&] {
        body();
        return 1;
    }, &code);
    return code;
}

TEST(DriverResolve, EntriesAreFoundBesideTheStoreOrAlongPath)
{
    std::string dir = pv_make_scratch_dir("pv_drv_").string();
    mkdir((dir + "/bin").c_str(), 0755);
    for (const char *name : {"/pvdb3", "/bin/pvora"}) {
        std::ofstream(dir + name) << "#!/bin/sh\n";
        chmod((dir + name).c_str(), 0755);
    }
    std::ofstream(dir + "/notexec") << "data\n";
    char out[ASI_PATH_MAX];
    ASSERT_EQ(asi_driver_resolve("pvdb3", dir.c_str(), out), 1);
    EXPECT_EQ(std::string(out), dir + "/pvdb3");
    ASSERT_EQ(asi_driver_resolve("bin/pvora", dir.c_str(), out), 1);
    EXPECT_EQ(std::string(out), dir + "/bin/pvora");
    ASSERT_EQ(asi_driver_resolve((dir + "/pvdb3").c_str(), "/elsewhere", out), 1);
    ASSERT_EQ(asi_driver_resolve("sh", dir.c_str(), out), 1) << "a bare name is looked for along PATH";
    EXPECT_NE(std::strstr(out, "/sh"), nullptr);
    EXPECT_EQ(asi_driver_resolve("notexec", dir.c_str(), out), 0);
    EXPECT_EQ(asi_driver_resolve("bin/nosuch", dir.c_str(), out), 0);
    EXPECT_EQ(asi_driver_resolve("", dir.c_str(), out), 0);
    EXPECT_EQ(asi_driver_resolve(nullptr, dir.c_str(), out), 0);
    std::string cmd = "rm -rf " + dir;
    (void)std::system(cmd.c_str());
}

TEST(DriverResolve, BareNamesAreFoundBesideTheEngineInABuildTreeOrAnInstallation)
{
    std::string top = pv_make_scratch_dir("pv_beside_").string();
    auto program = [](const std::string &path) {
        std::ofstream(path) << "#!/bin/sh\n";
        chmod(path.c_str(), 0755);
    };
    for (const char *d : {"/core", "/drivers", "/drivers/db3", "/drivers/db3/server", "/drivers/ora",
                          "/drivers/ora/server", "/lib", "/bin"})
        mkdir((top + d).c_str(), 0755);
    program(top + "/drivers/db3/server/pvdb3");
    program(top + "/drivers/ora/server/pvora");
    program(top + "/bin/pvinst");
    std::ofstream(top + "/bin/notexec") << "data\n";
    /* (engine file, name, expected path below top or "" for none) */
    struct {
        const char *engine;
        const char *name;
        const char *found;
    } cases[] = {
        {"/core/libpvx14.so", "pvdb3", "/drivers/db3/server/pvdb3"},
        {"/core/libpvx14.so", "pvora", "/drivers/ora/server/pvora"},
        {"/lib/libpvx14.so", "pvinst", "/bin/pvinst"},
        {"/lib/libpvx14.so", "notexec", ""},
        {"/lib/libpvx14.so", "pvnone", ""},
        {"/lib/libpvx14.so", "server/pvdb3", ""},
    };
    for (auto &c : cases) {
        char out[ASI_PATH_MAX] = "x";
        int found = asi_driver_beside((top + c.engine).c_str(), c.name, out);
        EXPECT_EQ(found, c.found[0] ? 1 : 0) << c.engine << " " << c.name;
        EXPECT_EQ(std::string(out), c.found[0] ? top + c.found : "") << c.engine << " " << c.name;
    }
    std::string cmd = "rm -rf " + top;
    (void)std::system(cmd.c_str());
}

TEST(DriverResolve, TheBuildsDriverIsFoundWithoutPath)
{
    const char *saved = std::getenv("PATH");
    std::string path = saved ? saved : "";
    setenv("PATH", "/nonexistent", 1);
    char out[ASI_PATH_MAX];
    int found = asi_driver_resolve("pvdb3", "/nonexistent", out);
    setenv("PATH", path.c_str(), 1);
    ASSERT_EQ(found, 1) << "the driver beside the engine was not found";
    EXPECT_NE(std::string(out).find("/drivers/db3/server/pvdb3"), std::string::npos) << out;
}

/* A reply with every kind of part, as a driver builds it. */
void sample_reply(CAsiDrvReply &r)
{
    CAsiNumeric amount(10, 2);
    CAsiDouble dip;
    dip = 12.5;
    r.warning(7, "01004", "a warning first");
    r.setFunction(ASI_FUNC_CURSOR_SPEC);
    r.setParamCount(2);
    r.addColumn("AMOUNT", amount, 0);
    r.addColumn("DIP", dip);
    r.setRow(4);
    r.addValue(dip);
    r.error(14215, "42000", "syntax error near %s", "FORM");
}

TEST(DriverMessage, ReplyPartsSurviveTheTrip)
{
    CAsiDrvReply r;
    CAsiDiagArea diag;
    ASSERT_EQ(frame_code(diag, [&] { sample_reply(r); }), 0);
    EXPECT_TRUE(r.failed());
    CAsiMessage m;
    ASSERT_EQ(frame_code(diag, [&] { m.parse(r.body().data(), r.body().length()); }), 0);
    EXPECT_EQ(m.function, ASI_FUNC_CURSOR_SPEC);
    EXPECT_EQ(m.params, 2);
    EXPECT_EQ(m.row, 4);
    ASSERT_EQ(m.columns.size(), 2u);
    EXPECT_EQ(m.columns[0].nullable, 0);
    ASSERT_NE(m.columns[0].type, nullptr);
    EXPECT_EQ(m.columns[0].type->typeCode(), ASI_TYPE_NUMERIC);
    EXPECT_EQ(m.columns[0].type->scale(), 2u);
    ASSERT_EQ(m.values.size(), 1u);
    double d = 0;
    ASSERT_EQ(m.values[0]->getDouble(&d), 1);
    EXPECT_EQ(d, 12.5);
    ASSERT_EQ(m.conds.size(), 2u);
    EXPECT_EQ(m.conds[0].warning, 1);
    EXPECT_EQ(m.conds[1].native, 14215);
    char text[64];
    m.conds[1].message.toMb(text, sizeof text);
    EXPECT_STREQ(text, "syntax error near FORM");

    /* Recorded at the engine: the driver's SQLSTATE is kept as an item. */
    CAsiDiagArea into;
    int code = frame_code(into, [&] { asi_reply_conditions(m, 1); });
    EXPECT_EQ(code, 14215);
    ASSERT_EQ(into.count(), 2);
    CAsiUcStr state;
    ASSERT_EQ(into.condTextItem(1, ASI_ITEM_SQLSTATE, state), 1);
    state.toMb(text, sizeof text);
    EXPECT_STREQ(text, "42000");
}

TEST(DriverMessage, EveryTruncationIsRefusedCleanly)
{
    CAsiDrvReply r;
    CAsiDiagArea diag;
    ASSERT_EQ(frame_code(diag, [&] { sample_reply(r); }), 0);
    std::size_t n = r.body().length();
    int refused = 0;
    for (std::size_t cut = 1; cut < n; cut++) {
        /* A copy of exactly cut bytes, so that a read past it is caught. */
        unsigned char *copy = (unsigned char *)std::malloc(cut);
        std::memcpy(copy, r.body().data(), cut);
        CAsiMessage m;
        int code = frame_code(diag, [&] { m.parse(copy, cut); });
        std::free(copy);
        EXPECT_TRUE(code == 0 || code == ASI_ERR_STREAM) << "cut at " << cut << " gave " << code;
        refused += code != 0;
    }
    EXPECT_GT(refused, (int)n / 2);
}

TEST(DriverMessage, ItemsOutOfPlaceAreDamage)
{
    CAsiDiagArea diag;
    CAsiMsgBuf b;
    b.put([](CAsiOStream &o) { o.putUcStr(ASI_TAG_MESSAGE, CAsiUcStr("orphan text")); });
    CAsiMessage m;
    EXPECT_EQ(frame_code(diag, [&] { m.parse(b.data(), b.length()); }), ASI_ERR_STREAM);
    b.clear();
    b.put([](CAsiOStream &o) { o.putUcStr(ASI_TAG_COLUMN, CAsiUcStr("NOTYPE")); });
    EXPECT_EQ(frame_code(diag, [&] { m.parse(b.data(), b.length()); }), ASI_ERR_STREAM);
    b.clear();
    b.put([](CAsiOStream &o) { o.putF64(ASI_TAG_ROW, 1.0); });
    EXPECT_EQ(frame_code(diag, [&] { m.parse(b.data(), b.length()); }), ASI_ERR_STREAM);
    b.clear();
    b.put([](CAsiOStream &o) { o.putI32(200, 5); o.putI32(ASI_TAG_ROW, 3); });
    EXPECT_EQ(frame_code(diag, [&] { m.parse(b.data(), b.length()); }), 0) << "unknown tags are passed over";
    EXPECT_EQ(m.row, 3);
}

TEST(HostBuffers, ValuesConvertByHostTypeWithNullIndicators)
{
    CAsiDiagArea diag;
    CAsiNumeric amount(10, 2);
    amount.setText("1234.56", 7);
    CAsiDouble none;
    std::int16_t sh = 0;
    std::int32_t lg = 0;
    float fl = 0;
    char text[16];
    unsigned short ind = 1;
    ASSERT_EQ(frame_code(diag, [&] {
        asi_host_put({ASI_HOST_SHORT, &sh, sizeof sh, &ind}, &amount);
        asi_host_put({ASI_HOST_LONG, &lg, sizeof lg, nullptr}, &amount);
        asi_host_put({ASI_HOST_FLOAT, &fl, sizeof fl, nullptr}, &amount);
        asi_host_put({ASI_HOST_STRING, text, sizeof text, nullptr}, &amount);
    }), 0);
    EXPECT_EQ(ind, 0);
    EXPECT_EQ(sh, 1234);
    EXPECT_EQ(lg, 1234);
    EXPECT_FLOAT_EQ(fl, 1234.56f);
    EXPECT_STREQ(text, "1234.56");

    double d = 5;
    ASSERT_EQ(frame_code(diag, [&] { asi_host_put({ASI_HOST_DOUBLE, &d, sizeof d, &ind}, &none); }), 0);
    EXPECT_EQ(ind, ASI_NULL_INDICATOR);
    EXPECT_EQ(d, 0.0);

    /* A text cut to its buffer warns 01004 and stays terminated. */
    char small[4];
    diag.reset();
    ASSERT_EQ(frame_code(diag, [&] { asi_host_put({ASI_HOST_STRING, small, sizeof small, nullptr}, &amount); }),
              0);
    EXPECT_STREQ(small, "123");
    ASSERT_EQ(diag.count(), 1);
    EXPECT_EQ(diag.condCode(0), 0x0104);

    /* Buffers into values; the indicator makes a null. */
    CAsiNumeric target(10, 2);
    char in[] = "77.5";
    ASSERT_EQ(frame_code(diag, [&] { asi_host_get({ASI_HOST_STRING, in, sizeof in, nullptr}, target); }), 0);
    double back = 0;
    ASSERT_EQ(target.getDouble(&back), 1);
    EXPECT_EQ(back, 77.5);
    ind = ASI_NULL_INDICATOR;
    ASSERT_EQ(frame_code(diag, [&] { asi_host_get({ASI_HOST_STRING, in, sizeof in, &ind}, target); }), 0);
    EXPECT_TRUE(target.isNull());

    EXPECT_EQ(frame_code(diag, [&] { asi_host_check({ASI_HOST_DOUBLE, &d, 4, nullptr}); }), ASI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(frame_code(diag, [&] { asi_host_check({0, &d, sizeof d, nullptr}); }), ASI_ERR_BAD_ARGUMENT);
    EXPECT_EQ(frame_code(diag, [&] { asi_host_check({ASI_HOST_STRING, nullptr, 8, nullptr}); }),
              ASI_ERR_BAD_ARGUMENT);
}

TEST(HostBuffers, FloatBufferRefusesNumbersBeyondItsRange)
{
    CAsiDiagArea diag;
    CAsiDouble big, edge;
    ASSERT_EQ(big.setDouble(1e300), 1);
    ASSERT_EQ(edge.setDouble(-3.0e38), 1);
    float fl = 1;
    unsigned short ind = 7;
    EXPECT_EQ(frame_code(diag, [&] { asi_host_put({ASI_HOST_FLOAT, &fl, sizeof fl, &ind}, &big); }), 0x2203);
    EXPECT_EQ(fl, 1.0f) << "the buffer keeps its old value";
    EXPECT_EQ(ind, 7);
    ASSERT_EQ(frame_code(diag, [&] { asi_host_put({ASI_HOST_FLOAT, &fl, sizeof fl, &ind}, &edge); }), 0);
    EXPECT_FLOAT_EQ(fl, -3.0e38f);
    EXPECT_EQ(ind, 0);
}

/* A long result holds its budget of bytes in memory and a chunk or two
 * more, however many rows it has, and every row, read forward, backward or at random, comes
 * back as it went in, whether rows were appended one by one or in batches
 * that end in the middle of chunks. */
TEST(DriverRowSpool, LongResultHoldsAFewChunksAndEveryRowReadsBack)
{
    const long rows = 40 * ASI_SPOOL_CHUNK_ROWS + 17;
    auto text = [](long k) { return std::string((size_t)(k % 97), (char)('a' + k % 26)) + std::to_string(k); };
    const size_t budget = 4 * ASI_SPOOL_CHUNK_ROWS * 100;   /* about four chunks */
    for (long batch : {1L, ASI_SPOOL_CHUNK_ROWS + 44}) {
        SCOPED_TRACE("rows appended " + std::to_string(batch) + " at a time");
        asi_row_spool s(budget);
        size_t widest = 0;
        const char *p = nullptr;
        size_t n = 0;
        for (long k = 1; k <= rows; k += batch) {
            long last = std::min(rows, k + batch - 1);
            std::string bytes;
            std::vector<size_t> ends;
            for (long j = k; j <= last; j++) {
                std::string t = text(j);
                widest = std::max(widest, t.size());
                bytes += t;
                ends.push_back(bytes.size());
            }
            if (batch == 1)
                s.append(bytes.data(), bytes.size());
            else
                s.append(bytes.data(), ends.data(), ends.size());
            ASSERT_EQ(s.row(last, &p, &n), 1);   /* the row a forward fetch reads at once */
            ASSERT_EQ(std::string(p, n), text(last));
        }
        ASSERT_EQ(s.count(), rows);
        EXPECT_LE(s.memoryHighWater(), budget + 2 * ASI_SPOOL_CHUNK_ROWS * widest);
        for (long k : {rows, rows - 1, 1L, 2L, rows / 2, ASI_SPOOL_CHUNK_ROWS, ASI_SPOOL_CHUNK_ROWS + 1, 3L})
            ASSERT_TRUE(s.row(k, &p, &n) == 1 && std::string(p, n) == text(k)) << "row " << k;
        for (long k = rows; k >= 1; k -= 7)
            ASSERT_TRUE(s.row(k, &p, &n) == 1 && std::string(p, n) == text(k)) << "row " << k;
        EXPECT_LE(s.memoryHighWater(), budget + 2 * ASI_SPOOL_CHUNK_ROWS * widest);
        EXPECT_EQ(s.row(0, &p, &n), 0);
        EXPECT_EQ(s.row(rows + 1, &p, &n), 0);
    }
}

} // namespace
