/*
 * Fuzz target of the dBASE library: an input is a .DBF, a .DBT and the
 * table's guard file .RFG (separated by "@@@@"). The table is opened
 * read-only with its memos and its first records read; then opened for
 * update, its first record written back and a record appended with a memo;
 * then its records copied into a new table of another layout; and the
 * result opened once more. Last the guard is read as a driver reads it
 * before writing the table, and as the logon reads it to remove a stale
 * one.
 */
#include <unistd.h>

#include <cstring>

#include "dbf/dbf.h"
#include "fuzz_files.h"

namespace {

/* Most records a pass reads or copies: a damaged count may be huge. */
constexpr long FUZZ_RECORDS = 64;

/* Reads the first records of the open table with their memos and asks
 * each field whether it is blank. */
void read_records(dbf_handle *h)
{
    long count = (long)h->header.record_count;
    for (long n = 0; n < count && n < FUZZ_RECORDS; n++) {
        if (dbf_read_record(h, n) != DBF_OK) break;
        dbf_is_deleted(h);
        for (int i = 0; i < h->field_count; i++) {
            char name[DBF_NAME_MAX + 1] = {};
            memcpy(name, h->fields[i].name, DBF_NAME_MAX);
            dbf_field_blank(h, name);
            if (h->memo_state == 1) dbt_memo_text(h, i, nullptr, 0);
        }
    }
}

/* Rewrites record 0 and appends one record whose memo fields get a text. */
void update_and_append(dbf_handle *h)
{
    long count = (long)h->header.record_count;
    if (count > 0 && dbf_read_record(h, 0) == DBF_OK) dbf_write_record(h, 0);
    dbt_free_lines(&h->memo);
    if (h->memo_state == 1)
        for (int i = 0; i < h->field_count; i++)
            if (h->fields[i].type == 'M') dbt_set_memo_text(h, i, "fuzz memo", 9);
    dbf_write_record(h, count);
}

/* Copies the first records of the table at src_path into a new table of
 * another layout (text, number, date, logical and memo fields). */
void copy_records(const std::string &src_path)
{
    dbf_handle *src = dbf_new(), *dst = dbf_new();
    if (src && dst && dbf_open(src, src_path.c_str(), DBF_MODE_READ, 1) == DBF_OK) {
        static const struct { const char *name; char type; int length, decimals; } layout[] = {
            {"NAME", 'C', 12, 0}, {"N", 'N', 10, 2}, {"WHEN", 'D', 8, 0}, {"OK", 'L', 1, 0}, {"NOTE", 'M', 10, 0}};
        int n = (int)(sizeof layout / sizeof layout[0]);
        snprintf(dst->path, sizeof dst->path, "%s/COPY", fuzz_dir().c_str());
        dst->header.version = DBF_VERSION_PLAIN;
        dst->field_count = n;
        dst->fields = static_cast<dbf_field *>(calloc((size_t)n, sizeof(dbf_field)));
        for (int i = 0; i < n; i++) {
            strncpy(dst->fields[i].name, layout[i].name, DBF_NAME_MAX);
            dst->fields[i].type = layout[i].type;
            dst->fields[i].length = (unsigned char)layout[i].length;
            dst->fields[i].decimals = (unsigned char)layout[i].decimals;
        }
        dst->mode = DBF_MODE_UPDATE;
        dst->memo_state = 1;
        if (dbf_create(dst) == DBF_OK) {
            long count = (long)src->header.record_count;
            for (long r = 0; r < count && r < FUZZ_RECORDS; r++) {
                if (dbf_read_record(src, r) != DBF_OK) break;
                dbt_free_lines(&dst->memo);
                dbf_copy_record(dst, src);
                dbf_write_record(dst, r);
            }
        }
        dbf_close(dst);
        dbf_close(src);
    }
    dbf_free(src);
    dbf_free(dst);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> parts = fuzz_split(data, size, 3);
    fuzz_clear();
    std::string table = fuzz_dir() + "/T";
    fuzz_put(table + ".DBF", parts[0]);
    fuzz_put(table + ".DBT", parts[1]);
    if (!parts[2].empty()) fuzz_put(table + DBF_EXT_GUARD, parts[2]);
    dbf_handle *h = dbf_new();
    if (!h) return 0;
    if (dbf_open(h, table.c_str(), DBF_MODE_READ, 1) == DBF_OK) read_records(h);
    dbf_close(h);
    if (dbf_open(h, table.c_str(), DBF_MODE_UPDATE, 1) == DBF_OK) update_and_append(h);
    dbf_close(h);
    copy_records(table);
    if (dbf_open(h, table.c_str(), DBF_MODE_READ, 1) == DBF_OK) read_records(h);
    dbf_close(h);
    dbf_free(h);
    char why[512];
    dbf_guard_refuses((table + DBF_EXT_TABLE).c_str(), "T", (long)getpid(), why, sizeof why);
    std::vector<std::string> said;
    dbf_guard_sweep(fuzz_dir().c_str(), (long)getpid(), said);
    return 0;
}
