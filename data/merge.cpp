/*
** merge.cpp: the pv_merge command: its dialog, the database half (rows of
** the slave's tables into the master's under new numbers, memos along)
** and the map half (links of the slave's rows moved to the master).
**
** The offset of a table is the master table's last number, raised first
** to the table's highest unique number (the registry loaded at logon
** holds no numbers, and an offset of 0 would give the merged rows the
** master's own numbers). The map half shifts each link by the offset the
** table had before the database half raised it, so that with both halves
** an entity follows its row to the number the row was given.
*/
#include "data/merge.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/col_attr.h"
#include "data/memo.h"
#include "data/tbl.h"
#include "data/tblsetup.h"
#include "map/link.h"
#include "map/link_ase.h"

pjct_rec *g_merge_master = nullptr;
pjct_rec *g_merge_slave = nullptr;
int g_merge_map = 0;
int g_merge_dbf = 0;

namespace {

/* Title of the alert that lists the merged tables. */
const char k_report_title[] = "PETRIVEX - The following tables were merged:";
/* Room for a message of the key check. */
constexpr int k_message_size = 512;

/* The offset each master table had before the database half raised it,
** kept for the map half of the same command. */
std::map<std::string, long> s_offsets;

/* One level of the key check: its key slot and message. */
struct merge_level {
    int slot;           /* TBL_KEY_* */
    const char *text;   /* "Missing ... number %s.%s in project %s" */
};
const merge_level k_analysis = {TBL_KEY_ANALYSIS, "Missing analysis number %s.%s in project %s"};
const merge_level k_sample = {TBL_KEY_SAMPLE, "Missing sample number %s.%s in project %s"};
const merge_level k_rock = {TBL_KEY_ROCK, "Missing rock number %s.%s in project %s"};
const merge_level k_segment = {TBL_KEY_SEGMENT, "Missing section number %s.%s in project %s"};
const merge_level k_station = {TBL_KEY_STATION, "Missing station number %s.%s in project %s"};
const merge_level k_outcrop = {TBL_KEY_OUTCROP, "Missing outcrop number %s.%s in project %s"};
const merge_level k_traverse = {TBL_KEY_TRAVERSE, "Missing traverse number %s.%s in project %s"};
const merge_level k_boundary = {TBL_KEY_BOUNDARY, "Missing boundary number %s.%s in project %s"};
const merge_level k_unit = {TBL_KEY_UNIT, "Missing unit number %s.%s in project %s"};
const merge_level k_legend = {TBL_KEY_LEGEND, "Missing legend number %s.%s in project %s"};
const merge_level k_reference = {TBL_KEY_REFERENCE, "Missing reference number %s.%s in project %s"};

/* The levels checked for a master table's type, in order (at most five). */
struct merge_levels {
    int type;                      /* TBL_DEF_* table type */
    const merge_level *level[5];   /* null-ended */
};
const merge_levels k_levels[] = {
    {TBL_DEF_ANALYSIS, {&k_analysis, &k_sample, &k_rock, &k_segment, &k_station}},
    {TBL_DEF_SAMPLE, {&k_sample, &k_rock, &k_segment, &k_station, nullptr}},
    {TBL_DEF_ROCK, {&k_rock, &k_segment, &k_station, nullptr, nullptr}},
    {TBL_DEF_SEGMENT, {&k_segment, &k_station, nullptr, nullptr, nullptr}},
    {TBL_DEF_STATION, {&k_station, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_OUTCROP, {&k_outcrop, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_TRAVERSE, {&k_traverse, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_BOUNDARY, {&k_boundary, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_UNIT, {&k_unit, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_LEGEND, {&k_legend, nullptr, nullptr, nullptr, nullptr}},
    {TBL_DEF_REFERENCE, {&k_reference, nullptr, nullptr, nullptr, nullptr}},
};

/* Empties the command's state. */
void merge_reset()
{
    g_merge_master = g_merge_slave = nullptr;
    g_merge_map = g_merge_dbf = 0;
    s_offsets.clear();
}

/* Shows a progress or error text in the dialog's "error" tile. */
void show(ads_hdlg dlg, const std::string &text)
{
    if (dlg) ads_set_tile(dlg, "error", text.c_str());
}

/* 1 when the column's input rule is a memo rule. */
bool is_memo(const sql_col_rec *c)
{
    return c && c->attr && (c->attr->flags & COL_ATTR_MEMO);
}

/* The offset of a master table for the map half: as it was before the
** database half, else its last number. */
long map_offset(const tbl_rec *t)
{
    auto it = s_offsets.find(t->name);
    return it != s_offsets.end() ? it->second : t->last_number;
}

/* Merges one master table's twin of the slave; appends to the report. */
void merge_table(ads_hdlg dlg, tbl_rec *t, const tbl_rec *s, std::string &report)
{
    char text[k_message_size];
    int rc = merge_check_keys(t, s, g_merge_slave->name, text, sizeof text);
    if (rc == -1) {
        msg_alert(ERR_TITLE, "%s", text);
        return;
    }
    if (rc != 0) {
        err_report(rc, t->name);
        return;
    }
    std::string list;
    for (const sql_col_rec *c = t->columns; c; c = c->next) {
        const sql_col_rec *sc = tbl_column_find(s->columns, c->name, nullptr, nullptr);
        if (sc && sc->value_type == c->value_type) list += (list.empty() ? " " : ",") + std::string(c->name);
    }
    if (list.empty()) {
        msg_alert(ERR_TITLE, "No matching columns in table %s", t->name);
        return;
    }
    std::string select = "SELECT" + list + " FROM " + t->name;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(g_merge_slave->connection, select.c_str(), &stmt, &cursor, &row, 1);
    if (n < 0) return;
    const sql_col_rec *key = t->keys[TBL_KEY_BASENUMBER];
    sql_col_rec *u = key ? sql_col_find(row, key->name, nullptr, nullptr) : nullptr;
    if (!u) {
        sql_close_query(&stmt, &cursor, &row);
        return;
    }
    long rows = 0, failed = 0;
    double largest = 0;
    if (n > 0) {
        show(dlg, std::string("DeIndexing ") + t->name + "...  ");
        tbl_drop_indexes(t);
    }
    std::string memo_table = std::string(t->name) + "MEM";
    for (long k = 0; k < n; ++k) {
        if (k > 0 && sql_fetch(cursor, row, SQL_FETCH_NEXT, SQL_FROM_CURRENT, 0) != RTNORM) break;
        char progress[k_message_size];
        std::snprintf(progress, sizeof progress, "Merging %s... %ld", s->name, rows);
        show(dlg, progress);
        double old_number = std::fabs(std::atof(u->text));
        double new_number = t->last_number + old_number;
        std::snprintf(u->text, (size_t)sql_col_text_size(u), "%.0lf", new_number);
        sql_text_to_value(u, u->text);
        bool memo = false;
        for (sql_col_rec *c = row; c; c = c->next) {
            if (c == u) continue;
            str_trim(c->text);
            const sql_col_rec *m = tbl_column_find(t->columns, c->name, nullptr, nullptr);
            if (m && (int)std::strlen(c->text) > m->length) c->text[m->length] = '\0';
            const sql_col_rec *sc = tbl_column_find(s->columns, c->name, nullptr, nullptr);
            if (is_memo(m) && is_memo(sc)) memo = true;
            if (c->sql_type == SQL_TYPE_CHAR) {
                /* Quotes and accented letters stay (the access layer doubles
                ** quotes); only control bytes become blanks. */
                for (char *p = c->text; *p; ++p)
                    if ((unsigned char)*p < 32 || (unsigned char)*p == 127) *p = ' ';
            }
            sql_text_to_value(c, c->text);
        }
        if (sql_insert_row(g_merge_master->connection, row, t->name) != RTNORM) {
            ++failed;
        } else {
            if (new_number > largest) largest = new_number;
            char *whole = nullptr;
            if (memo && memo_get_text(s->name, (long)old_number, g_merge_slave->connection, &whole, 0) == 0)
                memo_insert_text(memo_table.c_str(), whole, (long)new_number, g_merge_master->connection);
            std::free(whole);
        }
        ++rows;
    }
    sql_close_query(&stmt, &cursor, &row);
    if (n > 0) {
        show(dlg, std::string("Indexing ") + t->name + "...  ");
        tbl_create_indexes(t);
        if (largest > 0) t->last_number = (int32_t)largest + 1;
    }
    show(dlg, "");
    if (failed)
        msg_alert(ERR_TITLE, "Warning: could not merge %ld rows from table %s in project %s", failed, s->name,
                  g_merge_slave->name);
    if (rows) report += std::string("\n     ") + s->name;
}

}  // namespace

int merge_check_keys(const tbl_rec *t, const tbl_rec *s, const char *slave_project, char *text, int size)
{
    if (!t || !s || !slave_project || !text || size < 1) return -2;
    text[0] = '\0';
    const sql_col_rec *tk = t->keys[TBL_KEY_BASENUMBER];
    const sql_col_rec *sk = s->keys[TBL_KEY_BASENUMBER];
    const char *tk_name = tk ? tk->name : "BASENUMBER";
    if (!tk || !sk || !str_eq_nocase(tk->name, sk->name)) {
        std::snprintf(text, (size_t)size, "Missing unique number %s.%s in project %s", s->name, tk_name, slave_project);
        return -1;
    }
    if (t->table_type == TBL_DEF_DICTION || s->table_type == TBL_DEF_DICTION) {
        std::snprintf(text, (size_t)size, "Cannot merge Dictionary tables %s and %s", t->name, s->name);
        return -1;
    }
    for (const merge_levels &l : k_levels) {
        if (l.type != t->table_type) continue;
        for (const merge_level *lv : l.level) {
            if (!lv) break;
            const sql_col_rec *tc = t->keys[lv->slot];
            if (!tc && lv->slot != TBL_KEY_STATION) continue;
            const sql_col_rec *sc = s->keys[lv->slot];
            if (!tc || !sc || !str_eq_nocase(tc->name, sc->name)) {
                std::snprintf(text, (size_t)size, lv->text, s->name, tc ? tc->name : "STATION", slave_project);
                return -1;
            }
        }
    }
    return 0;
}

int merge_raise_last_number(pjct_rec *master, tbl_rec *t)
{
    if (!master || !t || !t->keys[TBL_KEY_BASENUMBER]) return -2;
    const sql_col_rec *key = t->keys[TBL_KEY_BASENUMBER];
    sql_col_rec *probe = sql_col_new(key->name, t->name, key->sql_type, key->length, key->decimals);
    if (!probe) return ERR_NO_MEMORY;
    int rc = sql_select_max(master->connection, &probe, key->name, t->name);
    if (rc == 0 && probe->text[0]) {
        double highest = std::atof(probe->text);
        if (highest > t->last_number) t->last_number = (int32_t)highest;
    }
    sql_col_list_free(&probe);
    return rc;
}

int merge_database(ads_hdlg dlg)
{
    if (!g_merge_dbf || !g_merge_master || !g_merge_slave) return -2;
    if (!g_merge_master->tables || !g_merge_slave->tables) return -1;
    /* The offsets the map half will use, before this half raises them. */
    for (tbl_rec *t = g_merge_master->tables; t; t = t->next) {
        merge_raise_last_number(g_merge_master, t);
        s_offsets[t->name] = t->last_number;
    }
    std::string report;
    for (tbl_rec *t = g_merge_master->tables; t; t = t->next) {
        const tbl_rec *s = tbl_find_by_name(g_merge_slave->tables, t->name, nullptr);
        if (s) merge_table(dlg, t, s, report);
    }
    msg_alert(k_report_title, "%s", report.c_str());
    return 0;
}

int merge_entity(const ads_name ename)
{
    struct resbuf *list = link_entget(ename);
    if (!list) return -9802;
    link_rec l;
    int rc = link_xdata_parse(&l, list);
    tbl_rec *t = nullptr;
    if (rc == 0) {
        pjct_rec *p = pjct_find(l.project, nullptr);
        t = tbl_find_by_name(g_merge_master->tables, l.table, nullptr);
        if (p != g_merge_slave || !t) rc = -1;
    }
    if (rc == 0) {
        l.row_id += (int32_t)map_offset(t);
        std::snprintf(l.project, sizeof l.project, "%s", g_merge_master->name);
        rc = (link_xdata_put(&l, list) == 0 && ads_entmod(list) == RTNORM) ? 0 : -1;
        if (rc == 0) link_ase_create(&l, ename);
    }
    ads_relrb(list);
    return rc;
}

int merge_maps(void)
{
    if (!g_merge_map || !g_merge_master || !g_merge_slave) return -2;
    /* Without the database half the offsets are the raised last numbers. */
    if (s_offsets.empty())
        for (tbl_rec *t = g_merge_master->tables; t; t = t->next) merge_raise_last_number(g_merge_master, t);
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    ads_printf("\n");
    long count = 0, merged = 0;
    ads_sslength(ss, &count);
    for (long i = 0; i < count; ++i) {
        ads_printf("\rMerging... %ld", merged);
        ads_name e;
        if (ads_ssname(ss, i, e) != RTNORM) break;
        if (merge_entity(e) == 0) ++merged;
    }
    ads_printf("\rMerging...  %ld\n", merged);
    ads_ssfree(ss);
    msg_alert("PETRIVEX", "Merged... %ld entities", merged);
    return 0;
}

void pv_merge_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    int m = tile_get_int(dlg, "mrg_master"), s = tile_get_int(dlg, "mrg_slave");
    g_merge_master = m >= 0 ? pjct_nth(m) : nullptr;
    g_merge_slave = s >= 0 ? pjct_nth(s) : nullptr;
    g_merge_map = tile_get_int(dlg, "mrg_map") > 0;
    g_merge_dbf = tile_get_int(dlg, "mrg_dbf") > 0;
    const char *error = nullptr;
    if (!g_merge_master) error = "ERROR:  No master project chosen";
    else if (!g_merge_slave) error = "ERROR:  No slave project chosen";
    else if (g_merge_master == g_merge_slave) error = "ERROR:  Same master and slave projects";
    else if (!g_merge_map && !g_merge_dbf) error = "ERROR:  Choose map or database for merging";
    if (error) {
        ads_set_tile(dlg, "error", error);
        return;
    }
    if (g_merge_dbf) {
        if (msg_yes_no("Merge database now ? (Note: merge maps first)") != RTNORM) return;
        merge_database(dlg);
    }
    ads_done_dialog(dlg, DLGOK);
}

void pv_merge_cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    merge_reset();
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

int pv_merge(struct resbuf *)
{
    merge_reset();
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_merge", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_merge");
        return RTNORM;
    }
    std::vector<const char *> names;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) names.push_back(p->name);
    dlg_fill_list(dlg, "mrg_master", names.data(), (int)names.size());
    dlg_fill_list(dlg, "mrg_slave", names.data(), (int)names.size());
    ads_set_tile(dlg, "mrg_master", "");
    ads_set_tile(dlg, "mrg_slave", "");
    ads_set_tile(dlg, "mrg_map", "1");
    ads_set_tile(dlg, "mrg_dbf", "0");
    static const dlg_tile k_tiles[] = {{"accept", pv_merge_accept_cb}, {"cancel", pv_merge_cancel_cb}};
    dlg_register(dlg, k_tiles, 2, nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK && g_merge_map) merge_maps();
    merge_reset();
    return RTNORM;
}
