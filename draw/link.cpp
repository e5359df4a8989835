/*
** link.cpp: the entity-to-row link record, its extended-data group, its
** checks against the logged-on projects and a fetched row, the comparison
** of two links, fetching and building links from rows, and the older
** numeric form. Selecting the entities of a row is in link_select.cpp.
*/
#include "draw/link.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "draw/link_rows.h"

namespace {


/* Key slot of a table type's own key column, by type from
** TBL_DEF_ANALYSIS: the field tables use STATION; outcrops, traverses and
** the map and reference tables their own column; OTHER BASENUMBER. */
const int k_own_key_slot[TBL_TYPE_LAST - TBL_TYPE_FIRST + 1] = {
    TBL_KEY_STATION,  TBL_KEY_STATION,   TBL_KEY_STATION, TBL_KEY_STATION, TBL_KEY_STATION,
    TBL_KEY_STATION,  TBL_KEY_STATION,   TBL_KEY_OUTCROP, TBL_KEY_TRAVERSE, TBL_KEY_BOUNDARY,
    TBL_KEY_UNIT,     TBL_KEY_LEGEND,    TBL_KEY_REFERENCE, TBL_KEY_DICTION, TBL_KEY_BASENUMBER};

/* Names of the key slots, in slot order. */
const char *const k_slot_names[TBL_KEY_COUNT] = {
    "BASENUMBER", "TRAVERSE", "OUTCROP", "STATION",   "SEGMENT", "ROCK",     "SAMPLE", "ANALYSIS",
    "BOUNDARY",   "UNIT",     "LEGEND",  "REFERENCE", "DICTION", "GROUPING", "PNT"};

/* Copies a text into a field of `size` bytes and trims it. */
void copy_trimmed(char *to, size_t size, const char *from)
{
    snprintf(to, size, "%s", from ? from : "");
    str_trim(to);
}

/* The name of a table's column in key slot `slot`: the registered
** column's name, else the slot's own name. */
const char *slot_column_name(const tbl_rec *t, int slot)
{
    return t && t->keys[slot] ? t->keys[slot]->name : k_slot_names[slot];
}

/* True for the field tables, whose links relate through STATION. */
bool is_field_table(int type)
{
    return type >= TBL_DEF_ANALYSIS && type <= TBL_DEF_STATION;
}

/* Next item of a list, with null kept. */
const struct resbuf *next_item(const struct resbuf *rb) { return rb ? rb->rbnext : nullptr; }

/* A text item of code 1000 with a non-blank value; its text, else null. */
const char *xd_text(const struct resbuf *rb)
{
    if (!rb || rb->restype != LINK_XD_TEXT || !rb->resval.rstring) return nullptr;
    return rb->resval.rstring;
}

/* The link's group: (-3) (1001 "PETRIVEX") (1000 ...) ... (1000 extra). */
struct resbuf *xdata_group(const link_rec *link)
{
    return ads_buildlist(LINK_XD_START, LINK_XD_APP, LINK_APP_NAME, LINK_XD_TEXT, link->project,
                         LINK_XD_TEXT, link->table, LINK_XD_LONG, (int)link->row_id, LINK_XD_TEXT,
                         link->key_column, LINK_XD_TEXT, link->key_value, LINK_XD_TEXT, link->extra, 0);
}

/* Trims the link's five texts in place. */
void trim_texts(link_rec *link)
{
    str_trim(link->project);
    str_trim(link->table);
    str_trim(link->key_column);
    str_trim(link->key_value);
    str_trim(link->extra);
}

/* Puts a group on an entity list in place of its -3 item and all after
** it, else at its end. */
void splice_group(struct resbuf *list, struct resbuf *group)
{
    struct resbuf *prev = list;
    while (prev->rbnext && prev->rbnext->restype != LINK_XD_START) prev = prev->rbnext;
    if (prev->rbnext) ads_relrb(prev->rbnext);
    prev->rbnext = group;
}

/* Puts the link's group on the list (splice_group). */
int put_group(link_rec *link, struct resbuf *list)
{
    trim_texts(link);
    struct resbuf *group = xdata_group(link);
    if (!group) return -1;
    splice_group(list, group);
    return 0;
}

/* Steps through the group; 0 when every required item was read. */
int parse_group(link_rec *link, const struct resbuf *list)
{
    link_clear(link);
    const struct resbuf *rb = list;
    while (rb && rb->restype != LINK_XD_START) rb = rb->rbnext;
    rb = next_item(rb);
    if (!rb || rb->restype != LINK_XD_APP || !rb->resval.rstring ||
        !str_eq_nocase(rb->resval.rstring, LINK_APP_NAME))
        return LINK_ERR_NOT_LINKED;
    /* The texts in order, each with the code of its absence. */
    struct text_item {
        char *field;
        size_t size;
        int missing;
    };
    const text_item before[] = {{link->project, sizeof link->project, LINK_ERR_PROJECT},
                                {link->table, sizeof link->table, LINK_ERR_TABLE}};
    const text_item after[] = {{link->key_column, sizeof link->key_column, LINK_ERR_COLUMN},
                               {link->key_value, sizeof link->key_value, LINK_ERR_KEY_VALUE}};
    for (const text_item &t : before) {
        rb = next_item(rb);
        copy_trimmed(t.field, t.size, xd_text(rb));
        if (!*t.field) return t.missing;
    }
    rb = next_item(rb);
    if (!rb || rb->restype != LINK_XD_LONG) return LINK_ERR_ROW;
    link->row_id = rb->resval.rlong;
    for (const text_item &t : after) {
        rb = next_item(rb);
        copy_trimmed(t.field, t.size, xd_text(rb));
        if (!*t.field) return t.missing;
    }
    const char *extra = xd_text(next_item(rb));
    if (extra) copy_trimmed(link->extra, sizeof link->extra, extra);
    return 0;
}

/* Reads an entity with the application's extended data; null when it
** cannot be read. */
struct resbuf *entget_linked(const ads_name ename)
{
    struct resbuf *apps = ads_buildlist(RTSTR, LINK_APP_NAME, 0);
    if (!apps) return nullptr;
    struct resbuf *list = ads_entgetx(ename, apps);
    ads_relrb(apps);
    return list;
}

/* The project, table and input rule an older link's numbers name. */
int legacy_lookup(const link_legacy_rec *legacy, pjct_rec **project, tbl_rec **table, col_attr_rec **rule)
{
    if (!legacy->project || !legacy->row_id || legacy->table < LINK_LEGACY_MIN_NUMBER ||
        legacy->column < LINK_LEGACY_MIN_NUMBER || str_nonblank(legacy->key_value) != RTNORM)
        return LINK_ERR_NOT_LINKED;
    pjct_rec *p = g_pjct_list;
    while (p && (unsigned char)p->letter != legacy->project) p = p->next;
    if (!p) return LINK_ERR_PROJECT;
    tbl_rec *t = p->tables;
    while (t && t->module_id != legacy->table) t = t->next;
    if (!t) return LINK_ERR_TABLE;
    col_attr_rec *r = p->col_attrs;
    while (r && r->extra != legacy->column) r = r->next;
    if (!r || !tbl_find_by_name(p->tables, r->table, nullptr)) return LINK_ERR_COLUMN;
    *project = p;
    *table = t;
    *rule = r;
    return 0;
}

}  // namespace

/* ---- The record ---- */

void link_clear(link_rec *link)
{
    if (!link) return;
    link->project[0] = link->table[0] = link->key_column[0] = 0;
    link->key_value[0] = link->extra[0] = 0;
    link->row_id = 0;
}

int link_incomplete(const link_rec *link)
{
    if (!link || link->row_id < 0) return 1;
    const char *texts[] = {link->project, link->table, link->key_column, link->key_value};
    for (const char *t : texts)
        if (str_nonblank(t) != RTNORM) return 1;
    return 0;
}

int link_copy(link_rec *to, const link_rec *from)
{
    if (!to || !from) return -2;
    if (to != from) memcpy(to, from, sizeof *to);
    return 0;
}

const char *link_own_key_name(int table_type)
{
    if (table_type < TBL_TYPE_FIRST || table_type > TBL_TYPE_LAST) return nullptr;
    return k_slot_names[k_own_key_slot[table_type - TBL_TYPE_FIRST]];
}

int link_find_table(const link_rec *link, pjct_rec **project, tbl_rec **table)
{
    pjct_rec *p = pjct_find(link->project, nullptr);
    if (!p) return LINK_ERR_PROJECT;
    tbl_rec *t = tbl_find_by_name(p->tables, link->table, nullptr);
    if (!t) return LINK_ERR_TABLE;
    if (project) *project = p;
    if (table) *table = t;
    return 0;
}

const char *link_id_column_name(const tbl_rec *table)
{
    return slot_column_name(table, TBL_KEY_BASENUMBER);
}

int link_own_key_slot(int table_type)
{
    if (table_type < TBL_TYPE_FIRST || table_type > TBL_TYPE_LAST) return -1;
    return k_own_key_slot[table_type - TBL_TYPE_FIRST];
}

int link_validate(const link_rec *link)
{
    if (link_incomplete(link)) return -2;
    tbl_rec *t = nullptr;
    int rc = link_find_table(link, nullptr, &t);
    if (rc) return rc;
    if (!tbl_column_find(t->columns, link->key_column, nullptr, nullptr)) return LINK_ERR_COLUMN;
    return 0;
}

int link_check_row(const link_rec *link, sql_col_rec *row)
{
    if (link_incomplete(link) || !row) return -2;
    tbl_rec *t = nullptr;
    int rc = link_find_table(link, nullptr, &t);
    if (rc) return rc;
    if (str_nonblank(row->table) == RTNORM && !str_eq_nocase(row->table, link->table)) return LINK_ERR_TABLE;
    if (t->table_type < TBL_TYPE_FIRST || t->table_type > TBL_TYPE_LAST) return LINK_ERR_COLUMN;
    sql_col_rec *id = sql_col_find(row, slot_column_name(t, TBL_KEY_BASENUMBER), nullptr, nullptr);
    int own_slot = k_own_key_slot[t->table_type - TBL_TYPE_FIRST];
    if (!sql_col_find(row, link->key_column, nullptr, nullptr) || !id ||
        !sql_col_find(row, slot_column_name(t, own_slot), nullptr, nullptr))
        return LINK_ERR_COLUMN;
    if (atol(id->text ? id->text : "") != link->row_id) return LINK_ERR_ROW_ID;
    return 0;
}

/* ---- Extended data ---- */

int link_xdata_put(link_rec *link, struct resbuf *list)
{
    if (!list) return -2;
    if (link) trim_texts(link);
    int rc = link_validate(link);
    if (rc) return rc;
    return put_group(link, list);
}

int link_xdata_put_raw(link_rec *link, struct resbuf *list)
{
    if (!list || link_incomplete(link)) return -2;
    return put_group(link, list);
}

int link_xdata_remove(struct resbuf *list)
{
    if (!list) return -2;
    /* The application's name alone, without items, takes its data off. */
    struct resbuf *group = ads_buildlist(LINK_XD_START, LINK_XD_APP, LINK_APP_NAME, 0);
    if (!group) return -1;
    splice_group(list, group);
    return 0;
}

int link_xdata_parse(link_rec *link, const struct resbuf *list)
{
    if (!link || !list) return -2;
    int rc = parse_group(link, list);
    if (rc) return rc;
    rc = link_validate(link);
    return rc < 0 ? rc : 0;
}

int link_xdata_parse_raw(link_rec *link, const struct resbuf *list)
{
    if (!link || !list) return -2;
    int rc = parse_group(link, list);
    if (rc) return rc;
    return link_incomplete(link) ? LINK_ERR_NOT_LINKED : 0;
}

struct resbuf *link_entget(const ads_name ename)
{
    return ename_isnull(ename) ? nullptr : entget_linked(ename);
}

int link_xdata_get(link_rec *link, const ads_name ename)
{
    if (!link || ename_isnull(ename)) return -2;
    struct resbuf *list = entget_linked(ename);
    link_clear(link);
    if (!list) return LINK_ERR_NOT_LINKED;
    int rc = link_xdata_parse(link, list);
    ads_relrb(list);
    return rc;
}

int link_pick(const char *prompt, struct resbuf **list_out, link_rec *link)
{
    if (!list_out || !link) return -2;
    ads_name e;
    ads_point pick;
    if (ads_entsel(prompt, e, pick) != RTNORM) return LINK_ERR_NOTHING_PICKED;
    struct resbuf *list = entget_linked(e);
    if (!list) return LINK_ERR_NOTHING_PICKED;
    *list_out = list;
    return link_xdata_parse(link, list);
}

int link_compare(const link_rec *a, const link_rec *b)
{
    if (link_validate(a) || link_validate(b) || !str_eq_nocase(a->project, b->project))
        return LINK_ERR_NOT_LINKED;
    bool same_table = str_eq_nocase(a->table, b->table);
    bool same_value = str_eq_nocase(a->key_value, b->key_value);
    if (same_table && a->row_id == b->row_id) return LINK_SAME_ROW;
    if (same_table && same_value && str_nonblank(a->extra) == RTNORM && strcmp(a->extra, b->extra) == 0)
        return LINK_SAME_GROUP;
    if (same_table && same_value) return LINK_SAME_TABLE;
    if (!same_value) return LINK_ERR_NOT_LINKED;
    tbl_rec *ta = nullptr, *tb = nullptr;
    link_find_table(a, nullptr, &ta);
    link_find_table(b, nullptr, &tb);
    if (ta->table_type == tb->table_type || (is_field_table(ta->table_type) && is_field_table(tb->table_type)))
        return LINK_SAME_STATION;
    return LINK_ERR_NOT_LINKED;
}

/* ---- Rows ---- */

int link_row_fetch(const link_rec *link, void **cursor, void **stmt, sql_col_rec **row)
{
    return link_row_fetch_fits(link, cursor, stmt, row, nullptr, {});
}

int link_row_exists(const link_rec *link)
{
    void *cursor = nullptr, *stmt = nullptr;
    sql_col_rec *row = nullptr;
    int rc = link_row_fetch(link, &cursor, &stmt, &row);
    if (rc == 0) sql_close_query(&stmt, &cursor, &row);
    return rc;
}

int link_from_row(link_rec *link, sql_col_rec *row, const sql_col_rec *column)
{
    if (!link || !row || !column) return -2;
    link_clear(link);
    pjct_rec *p = pjct_find_by_session(column->connection);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, column->table, nullptr) : nullptr;
    if (!t || t->table_type < TBL_TYPE_FIRST || t->table_type > TBL_TYPE_LAST) return -1;
    sql_col_rec *id = sql_col_find(row, slot_column_name(t, TBL_KEY_BASENUMBER), nullptr, nullptr);
    sql_col_rec *own = sql_col_find(row, slot_column_name(t, k_own_key_slot[t->table_type - TBL_TYPE_FIRST]),
                                    nullptr, nullptr);
    if (!id || !own || !sql_col_find(row, column->name, nullptr, nullptr) || !id->text || !own->text) return -1;
    snprintf(link->project, sizeof link->project, "%s", p->name);
    snprintf(link->table, sizeof link->table, "%s", t->name);
    link->row_id = (int32_t)atol(id->text);
    copy_trimmed(link->key_column, sizeof link->key_column, column->name);
    if (t->keys[TBL_KEY_GROUPING]) {
        sql_col_rec *g = sql_col_find(row, t->keys[TBL_KEY_GROUPING]->name, nullptr, nullptr);
        if (g && g->text) copy_trimmed(link->extra, sizeof link->extra, g->text);
    }
    copy_trimmed(link->key_value, sizeof link->key_value, own->text);
    if (link_incomplete(link)) {
        link_clear(link);
        return -1;
    }
    return 0;
}

sql_col_rec *link_row_id_column(sql_col_rec *row)
{
    if (!row) return nullptr;
    pjct_rec *p = pjct_find_by_session(row->connection);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, row->table, nullptr) : nullptr;
    if (!t) return nullptr;
    return sql_col_find(row, slot_column_name(t, TBL_KEY_BASENUMBER), nullptr, nullptr);
}

/* ---- The older form ---- */

int link_legacy_get(link_legacy_rec *legacy, const ads_name ename)
{
    if (!legacy || ename_isnull(ename)) return -2;
    memset(legacy, 0, sizeof *legacy);
    struct resbuf *list = entget_linked(ename);
    if (!list) return LINK_ERR_NOT_LINKED;
    const struct resbuf *rb = list;
    while (rb && rb->restype != LINK_XD_START) rb = rb->rbnext;
    rb = next_item(rb);
    int rc = 0;
    if (!rb || rb->restype != LINK_XD_APP || !rb->resval.rstring ||
        !str_eq_nocase(rb->resval.rstring, LINK_APP_NAME))
        rc = LINK_ERR_NOT_LINKED;
    uint16_t *numbers[] = {&legacy->project, &legacy->table, &legacy->row_id, &legacy->column};
    if (!rc) {
        rb = next_item(rb);
        if (!xd_text(rb)) rc = LINK_ERR_NOT_LINKED;
        else snprintf(legacy->text, sizeof legacy->text, "%s", rb->resval.rstring);
    }
    for (uint16_t *n : numbers) {
        if (rc) break;
        rb = next_item(rb);
        if (!rb || rb->restype != LINK_XD_SHORT) rc = LINK_ERR_NOT_LINKED;
        else *n = (uint16_t)rb->resval.rint;
    }
    if (!rc) {
        rb = next_item(rb);
        if (!xd_text(rb)) rc = LINK_ERR_NOT_LINKED;
        else copy_trimmed(legacy->key_value, sizeof legacy->key_value, rb->resval.rstring);
    }
    if (!rc && xd_text(next_item(rb)))
        copy_trimmed(legacy->extra, sizeof legacy->extra, next_item(rb)->resval.rstring);
    ads_relrb(list);
    if (rc) return rc;
    pjct_rec *p;
    tbl_rec *t;
    col_attr_rec *r;
    return legacy_lookup(legacy, &p, &t, &r);
}

int link_legacy_convert(const link_legacy_rec *legacy, link_rec *link)
{
    if (!legacy || !link) return -2;
    pjct_rec *p;
    tbl_rec *t;
    col_attr_rec *r;
    int rc = legacy_lookup(legacy, &p, &t, &r);
    if (rc == LINK_ERR_NOT_LINKED && str_nonblank(legacy->key_value) != RTNORM) return LINK_ERR_COLUMN;
    if (rc) return rc;
    link_clear(link);
    snprintf(link->project, sizeof link->project, "%s", p->name);
    snprintf(link->table, sizeof link->table, "%s", t->name);
    copy_trimmed(link->key_column, sizeof link->key_column, r->column);
    copy_trimmed(link->key_value, sizeof link->key_value, legacy->key_value);
    copy_trimmed(link->extra, sizeof link->extra, legacy->extra);
    link->row_id = legacy->row_id;
    return 0;
}
