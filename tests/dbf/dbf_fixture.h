/*
 * Shared helpers of the dBASE library tests: a scratch folder, tables made
 * from a short layout list, field text in and out, and raw file bytes.
 */
#ifndef PV_TESTS_DATA_DBF_FIXTURE_H
#define PV_TESTS_DATA_DBF_FIXTURE_H

#include "dbf/dbf.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

#include "scratch_dir.h"

namespace fs = std::filesystem;

/* One field of a layout: name, type letter, length, decimals. */
struct FieldLayout {
    const char *name;
    char type;
    int length;
    int decimals;
};

/* A scratch folder removed with the test. */
class ScratchDir {
public:
    ScratchDir() : path_(pv_make_scratch_dir("pvdbf-").string()) {}
    ~ScratchDir()
    {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    std::string operator/(const std::string &name) const { return path_ + "/" + name; }
    const std::string &path() const { return path_; }

private:
    std::string path_;
};

/* Fills a handle's description from a layout (descriptors malloc'ed as the
 * library frees them). */
inline void describe(dbf_handle *h, const std::string &path, std::initializer_list<FieldLayout> layout_fields, int memo)
{
    strncpy(h->path, path.c_str(), sizeof h->path - 1);
    h->header.version = DBF_VERSION_PLAIN;
    h->field_count = (int)layout_fields.size();
    h->fields = static_cast<dbf_field *>(calloc(layout_fields.size(), sizeof(dbf_field)));
    int i = 0;
    for (const FieldLayout &s : layout_fields) {
        strncpy(h->fields[i].name, s.name, DBF_NAME_MAX);
        h->fields[i].type = s.type;
        h->fields[i].length = (unsigned char)s.length;
        h->fields[i].decimals = (unsigned char)s.decimals;
        i++;
    }
    h->mode = DBF_MODE_UPDATE;
    h->memo_state = memo;
}

/* Creates a table and answers its open handle (the test fails otherwise). */
inline dbf_handle *create_table(const std::string &path, std::initializer_list<FieldLayout> layout_fields, int memo = 1)
{
    dbf_handle *h = dbf_new();
    describe(h, path, layout_fields, memo);
    EXPECT_EQ(dbf_create(h), DBF_OK) << path;
    return h;
}

/* Puts text into a field of the record buffer: left-aligned, or
 * right-aligned with right true. */
inline void put(dbf_handle *h, const char *name, const std::string &text, bool right = false)
{
    int i = dbf_find_field(h, name);
    ASSERT_GE(i, 0) << name;
    char *p = dbf_field_at(h, i);
    int len = h->fields[i].length;
    memset(p, ' ', (size_t)len);
    size_t n = std::min(text.size(), (size_t)len);
    memcpy(p + (right ? len - n : 0), text.data(), n);
}

/* Answers a field's text in the record buffer. */
inline std::string get(dbf_handle *h, const char *name)
{
    int i = dbf_find_field(h, name);
    if (i < 0) return "<absent>";
    return std::string(dbf_field_at(h, i), h->fields[i].length);
}

/* Answers the memo text of a field of the current record. */
inline std::string memo_of(dbf_handle *h, const char *name)
{
    int i = dbf_find_field(h, name);
    size_t n = dbt_memo_text(h, i, nullptr, 0);
    std::string s(n + 1, '\0');
    dbt_memo_text(h, i, s.data(), s.size());
    s.resize(n);
    return s;
}

/* Answers a file's bytes. */
inline std::vector<unsigned char> file_bytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

/* Replaces a file's bytes. */
inline void write_bytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), (std::streamsize)bytes.size());
}

#endif
