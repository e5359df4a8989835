/*
 * A table with a memo field, as another program would leave one: the DB3
 * driver makes no memo columns itself, so tests of memo writes start from
 * a file made by the dBASE library.
 */
#ifndef PV_TESTS_DRIVERS_DB3_MEMO_TABLE_H
#define PV_TESTS_DRIVERS_DB3_MEMO_TABLE_H

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "dbf/dbf.h"

/* Creates dir/NAME.DBF with fields ID N(6) and NOTE M(10), and rows
 * records with IDs 1 to rows, each with the memo note. Answers whether
 * the table was made. */
inline bool make_memo_table(const std::string &dir, const char *name, int rows, const std::string &note)
{
    dbf_handle *h = dbf_new();
    if (!h) return false;
    dbf_field *f = static_cast<dbf_field *>(calloc(2, sizeof(dbf_field)));
    strcpy(f[0].name, "ID");
    f[0].type = 'N';
    f[0].length = 6;
    strcpy(f[1].name, "NOTE");
    f[1].type = 'M';
    f[1].length = 10;
    snprintf(h->path, sizeof h->path, "%s/%s", dir.c_str(), name);
    h->mode = DBF_MODE_UPDATE;
    h->header.version = DBF_VERSION_MEMO;
    h->fields = f;
    h->field_count = 2;
    h->memo_state = 1;
    bool ok = dbf_create(h) == DBF_OK;
    for (int i = 0; ok && i < rows; i++) {
        char id[16];
        snprintf(id, sizeof id, "%6d", i + 1);
        memcpy(dbf_field_at(h, 0), id, 6);
        dbt_free_lines(&h->memo);
        ok = dbt_set_memo_text(h, 1, note.data(), note.size()) == DBF_OK && dbf_write_record(h, i) == DBF_OK;
    }
    ok = dbf_close(h) == DBF_OK && ok;
    dbf_free(h);
    return ok;
}

#endif
