/*
 * Shared helpers of the DB3 driver tests: a fresh catalog directory per
 * test, statements run through the driver's engine, and the tables read
 * back by python3-dbfread, the independent reader of the files.
 */
#ifndef PV_TESTS_DRIVERS_DB3_FIXTURE_H
#define PV_TESTS_DRIVERS_DB3_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "drivers/db3/db3_engine.h"
#include "scratch_dir.h"

class Db3Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = pv_make_scratch_dir("pvdb3_").string();
        s = db3_session_open(dir.c_str(), &err);
        ASSERT_NE(s, nullptr) << err.text;
    }
    void TearDown() override
    {
        db3_session_close(s);
        std::filesystem::remove_all(dir);
    }

    /* Runs a statement and expects it to succeed. */
    db3_result run(const std::string &sql, long *rows = nullptr)
    {
        db3_result r;
        db3_error e;
        EXPECT_EQ(db3_run(s, sql.c_str(), &r, rows, &e), 1) << sql << "\n -> " << e.native << " " << e.text;
        return r;
    }

    /* Runs a statement that must fail; answers its native code. */
    int fail(const std::string &sql)
    {
        db3_result r;
        err = db3_error();
        EXPECT_EQ(db3_run(s, sql.c_str(), &r, nullptr, &err), 0) << sql;
        return err.native;
    }

    /* The rows of a SELECT as "a|b|c" lines (NULL as "~"). */
    std::string rows(const std::string &sql)
    {
        db3_result r = run(sql);
        std::string out;
        for (const auto &row : r.rows) {
            for (size_t i = 0; i < row.size(); i++) {
                const db3_value &v = row[i];
                if (i) out += "|";
                if (v.kind == DB3_VALUE_NULL) out += "~";
                else if (v.kind == DB3_VALUE_INT) out += std::to_string(v.i);
                else if (v.kind == DB3_VALUE_REAL) {
                    char b[40];
                    snprintf(b, sizeof b, "%.15g", v.d);
                    out += b;
                } else out += v.s;
            }
            out += "\n";
        }
        return out;
    }

    /* What dbfread reads from a table: one line per live record, values
     * repr()'d and joined by "|"; with fields = true first a line of the
     * field descriptions NAME:TYPE:LENGTH:DECIMALS. */
    std::string dbfread(const std::string &table, bool fields = false, bool deleted = false)
    {
        std::string script = dir + "/read.py";
        FILE *f = fopen(script.c_str(), "w");
        fprintf(f,
                "import sys, dbfread\n"
                "t = dbfread.DBF(sys.argv[1], load=True, char_decode_errors='strict')\n"
                "if %d: print(' '.join('%%s:%%s:%%d:%%d' %% (x.name, x.type, x.length, x.decimal_count) for x in t.fields))\n"
                "for r in (t.deleted if %d else t.records): print('|'.join(repr(v) for v in r.values()))\n",
                fields ? 1 : 0, deleted ? 1 : 0);
        fclose(f);
        std::string cmd = "/usr/bin/python3 " + script + " " + dir + "/" + table + ".DBF 2>&1";
        std::string out;
        FILE *p = popen(cmd.c_str(), "r");
        char buf[4096];
        while (p && fgets(buf, sizeof buf, p)) out += buf;
        if (p) pclose(p);
        unlink(script.c_str());
        return out;
    }

    bool exists(const std::string &file) { return std::filesystem::exists(dir + "/" + file); }

    /* Writes bytes, blank-padded to the field's width, into field `field`
     * (from 0) of record `record` (from 0) of table's file, as another
     * program might. */
    void put_field(const std::string &table, long record, int field, const std::string &bytes)
    {
        FILE *f = fopen((dir + "/" + table + ".DBF").c_str(), "r+b");
        ASSERT_NE(f, nullptr);
        unsigned char head[32];
        ASSERT_EQ(fread(head, 1, sizeof head, f), sizeof head);
        long at = (head[8] | head[9] << 8) + record * (head[10] | head[11] << 8) + 1;
        for (int i = 0; i <= field; i++) {
            unsigned char desc[32];
            fseek(f, 32 + 32 * i, SEEK_SET);
            ASSERT_EQ(fread(desc, 1, sizeof desc, f), sizeof desc);
            if (i == field) {
                ASSERT_LE(bytes.size(), (size_t)desc[16]);
                std::string padded = bytes + std::string(desc[16] - bytes.size(), ' ');
                fseek(f, at, SEEK_SET);
                fwrite(padded.data(), 1, padded.size(), f);
            }
            at += desc[16];
        }
        fclose(f);
    }

    std::string dir;
    db3_session *s = nullptr;
    db3_error err;
};

#endif
