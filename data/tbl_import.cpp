/*
** tbl_import.cpp: registering an existing table ("pv_tblimport") and the
** standard indexes of a registered table.
**
** The registration dialog works on a copy of a row (or a new row over a
** column list): the user picks the table type and, for each key number,
** the column that carries it. Every registered table then gets plain
** indexes named after it on its unique number and its key columns:
**
**     tbl_rec *row = pv_tblimport_dialog(project, registered, nullptr);
**     if (row && tbl_add(project, row) == 0) tbl_create_indexes(row);
**     // SAMPL: SAMPLUNQ (BASENUMBER), SAMPLPRI (STN,SEC,SMP)
*/
#include "data/tblsetup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/setup_columns.h"
#include "core/setup_store.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/memo.h"

namespace {

/* Dialog name and tile keys. */
const char k_dialog[] = "pv_tblimport";
const char k_type[] = "tbl_type";
const char k_cols[] = "tbl_cols";
const char k_opt[] = "tbl_opt";
const char k_error[] = "error";

/* One key option: its radio tile, its field tile and its key slot. */
struct ti_option {
    const char *option;     /* radio tile */
    const char *field;      /* field tile showing the column */
    int slot;               /* key slot */
};
enum ti_option_index {
    TI_BASE, TI_TRAV, TI_OUT, TI_STAT, TI_SECT, TI_ROCK, TI_SMPL, TI_ANAL, TI_BOUND, TI_UNIT, TI_LEG, TI_DIX, TI_REF,
    TI_GROUP, TI_COUNT
};
const ti_option k_options[TI_COUNT] = {
    {"opt_basenum", "basenum", TBL_KEY_BASENUMBER}, {"opt_travnum", "travnum", TBL_KEY_TRAVERSE},
    {"opt_outnum", "outnum", TBL_KEY_OUTCROP},      {"opt_statnum", "statnum", TBL_KEY_STATION},
    {"opt_sectnum", "sectnum", TBL_KEY_SEGMENT},    {"opt_rocknum", "rocknum", TBL_KEY_ROCK},
    {"opt_smplnum", "smplnum", TBL_KEY_SAMPLE},     {"opt_analnum", "analnum", TBL_KEY_ANALYSIS},
    {"opt_boundnum", "boundnum", TBL_KEY_BOUNDARY}, {"opt_unitnum", "unitnum", TBL_KEY_UNIT},
    {"opt_legnum", "legnum", TBL_KEY_LEGEND},       {"opt_dixnum", "dixnum", TBL_KEY_DICTION},
    {"opt_refnum", "refnum", TBL_KEY_REFERENCE},    {"opt_groupnum", "groupnum", TBL_KEY_GROUPING},
};

#define TI_BIT(o) (1u << (o))
/* Options a table type enables beyond the unique number, boundary and
** reference, by type (index type - TBL_TYPE_FIRST). */
const unsigned k_type_options[TBL_TYPE_LAST - TBL_TYPE_FIRST + 1] = {
    /* ANALYSIS */ TI_BIT(TI_ANAL) | TI_BIT(TI_SMPL) | TI_BIT(TI_ROCK) | TI_BIT(TI_GROUP) | TI_BIT(TI_SECT) |
        TI_BIT(TI_STAT) | TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* SAMPLE */ TI_BIT(TI_SMPL) | TI_BIT(TI_ROCK) | TI_BIT(TI_GROUP) | TI_BIT(TI_SECT) | TI_BIT(TI_STAT) |
        TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* COMPOSE */ TI_BIT(TI_SMPL) | TI_BIT(TI_ROCK) | TI_BIT(TI_GROUP) | TI_BIT(TI_SECT) | TI_BIT(TI_STAT) |
        TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* ROCK */ TI_BIT(TI_ROCK) | TI_BIT(TI_GROUP) | TI_BIT(TI_SECT) | TI_BIT(TI_STAT) | TI_BIT(TI_UNIT) |
        TI_BIT(TI_LEG),
    /* GENESIS */ TI_BIT(TI_SMPL) | TI_BIT(TI_ROCK) | TI_BIT(TI_GROUP) | TI_BIT(TI_SECT) | TI_BIT(TI_STAT) |
        TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* SEGMENT */ TI_BIT(TI_SECT) | TI_BIT(TI_STAT) | TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* STATION */ TI_BIT(TI_STAT) | TI_BIT(TI_UNIT) | TI_BIT(TI_LEG) | TI_BIT(TI_OUT) | TI_BIT(TI_TRAV),
    /* OUTCROP */ TI_BIT(TI_OUT) | TI_BIT(TI_TRAV),
    /* TRAVERSE */ TI_BIT(TI_TRAV),
    /* BOUNDARY */ TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* UNIT */ TI_BIT(TI_UNIT) | TI_BIT(TI_LEG),
    /* LEGEND */ TI_BIT(TI_LEG) | TI_BIT(TI_DIX),
    /* REFERENCE */ 0,
    /* DICTION */ TI_BIT(TI_DIX),
    /* OTHER */ 0,
};

/* Index suffixes. */
const char k_sfx_unique[] = "UNQ";
const char k_sfx_one[] = "1";
const char k_sfx_two[] = "2";
const char k_sfx_primary[] = "PRI";
const char k_memo_columns[] = "BASENUMBER,ORDNUMBER";

/* 1 when the type is a table type. */
int ti_is_type(int type)
{
    return type >= TBL_TYPE_FIRST && type <= TBL_TYPE_LAST;
}

/* The working row of the running dialog. */
tbl_rec *ti_row(const ads_callback_packet *cpkt)
{
    return (tbl_rec *)cpkt->client_data;
}

/* Enables the options of the row's type (everything else disabled). */
void ti_enable(ads_hdlg dlg, const tbl_rec *row)
{
    for (const ti_option &o : k_options) ads_mode_tile(dlg, o.option, MODE_DISABLE);
    ads_mode_tile(dlg, "register", MODE_DISABLE);
    int type = row->table_type;
    if (!ti_is_type(type)) return;
    ads_mode_tile(dlg, "register", MODE_ENABLE);
    unsigned on = TI_BIT(TI_BASE) | k_type_options[type - TBL_TYPE_FIRST];
    if (type != TBL_DEF_DICTION && type != TBL_DEF_OTHER) on |= TI_BIT(TI_BOUND) | TI_BIT(TI_REF);
    if (type == TBL_DEF_LEGEND) on &= ~TI_BIT(TI_BOUND);
    for (int o = 0; o < TI_COUNT; o++)
        if (on & TI_BIT(o)) ads_mode_tile(dlg, k_options[o].option, MODE_ENABLE);
}

/* Shows the type and each slot's column name. */
void ti_show(ads_hdlg dlg, const tbl_rec *row)
{
    if (ti_is_type(row->table_type)) dlg_set_index(dlg, k_type, row->table_type - TBL_TYPE_FIRST);
    else ads_set_tile(dlg, k_type, "");
    for (const ti_option &o : k_options) {
        const sql_col_rec *c = row->keys[o.slot];
        ads_set_tile(dlg, o.field, c ? c->name : "");
    }
}

/* Reads the tiles into the row: type, name, column count and each slot
** (the column named by the field's first word, upper-cased, or null). */
void ti_read(ads_hdlg dlg, tbl_rec *row)
{
    int n = tile_get_int(dlg, k_type);
    if (n >= 0 && ti_is_type(n + TBL_TYPE_FIRST)) row->table_type = n + TBL_TYPE_FIRST;
    if (row->columns) std::snprintf(row->name, sizeof row->name, "%s", row->columns->table);
    int count = 0;
    for (sql_col_rec *c = row->columns; c; c = c->next) count++;
    row->column_count = count;
    for (const ti_option &o : k_options) {
        char text[TILE_BUF_SIZE];
        if (tile_get_str(dlg, o.field, text) != RTNORM) {
            row->keys[o.slot] = nullptr;
            continue;
        }
        str_upper(str_first_word(text));
        row->keys[o.slot] = tbl_column_find(row->columns, text, nullptr, nullptr);
    }
}

/* The option chosen in "tbl_opt", or -1. */
int ti_chosen_option(ads_hdlg dlg)
{
    char key[TILE_BUF_SIZE] = "";
    if (ads_get_tile(dlg, k_opt, key, TILE_STR_LIMIT) != RTNORM) return -1;
    for (int o = 0; o < TI_COUNT; o++)
        if (std::strcmp(k_options[o].option, key) == 0) return o;
    return -1;
}

/* "tbl_type": a new table type. */
void ti_cb_type(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    tbl_rec *row = ti_row(cpkt);
    int n = tile_get_int(cpkt->dialog, k_type);
    if (n < 0 || !ti_is_type(n + TBL_TYPE_FIRST)) return;
    row->table_type = n + TBL_TYPE_FIRST;
    tbl_resolve_definition(row, 0);
    ti_enable(cpkt->dialog, row);
    ti_show(cpkt->dialog, row);
    ads_set_tile(cpkt->dialog, k_cols, "");
}

/* "tbl_cols": the column goes into the chosen option's slot. */
void ti_cb_cols(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    tbl_rec *row = ti_row(cpkt);
    int o = ti_chosen_option(dlg);
    int n = tile_get_int(dlg, k_cols);
    sql_col_rec *c = row->columns;
    for (int i = 0; c && i < n; i++) c = c->next;
    if (o < 0 || n < 0 || !c) return;
    row->keys[k_options[o].slot] = c;
    ti_show(dlg, row);
    for (const ti_option &opt : k_options) ads_mode_tile(dlg, opt.field, MODE_DISABLE);
    ads_mode_tile(dlg, k_options[o].field, MODE_ENABLE);
    ads_mode_tile(dlg, k_options[o].field, MODE_SETFOCUS);
}

/* "tbl_opt": an option chosen; its slot's column is selected in the list. */
void ti_cb_opt(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    tbl_rec *row = ti_row(cpkt);
    int o = ti_chosen_option(dlg);
    if (o < 0) return;
    ti_read(dlg, row);
    ti_show(dlg, row);
    ads_mode_tile(dlg, k_options[o].field, MODE_ENABLE);
    ads_mode_tile(dlg, k_options[o].field, MODE_SETFOCUS);
    int index = -1, pos = 0;
    for (sql_col_rec *c = row->columns; c; c = c->next, pos++)
        if (c == row->keys[k_options[o].slot]) index = pos;
    if (index >= 0) dlg_set_index(dlg, k_cols, index);
    else ads_set_tile(dlg, k_cols, "");
}

/* "register": the row is read and checked with its numbers; success
** closes the dialog with 1, a failure is shown and it stays open. */
void ti_cb_register(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    tbl_rec *row = ti_row(cpkt);
    ti_read(dlg, row);
    ti_show(dlg, row);
    int rc = tbl_resolve_definition(row, 1);
    if (rc == 0) {
        ads_done_dialog(dlg, DLGOK);
        return;
    }
    const char *text = err_text(rc);
    std::string message = text ? std::string("ERROR: ") + text : std::string("Incorrect table definition");
    /* Numbers that cannot be read are the table's damage, named. */
    if (rc == -11026 && *tbl_numbers_failure()) message += std::string(": ") + tbl_numbers_failure();
    ads_set_tile(dlg, k_error, message.c_str());
}

/* "cancel". */
void ti_cb_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

const dlg_tile k_tiles[] = {{k_type, ti_cb_type},        {k_cols, ti_cb_cols}, {k_opt, ti_cb_opt},
                            {"register", ti_cb_register}, {"cancel", ti_cb_cancel}};

/* 1 when a column of the row has the memo flag. */
int ti_has_memo(const tbl_rec *row)
{
    for (const sql_col_rec *c = row->columns; c; c = c->next)
        if (c->attr && (c->attr->flags & COL_ATTR_MEMO)) return 1;
    return 0;
}

/* Adds an index entry (the table's name and a suffix, or the memo side
** table's); answers the new count. */
int ti_entry(tbl_index_entry *out, int n, int room, const char *table, const char *suffix, const std::string &columns)
{
    if (n >= room) return n;
    std::snprintf(out[n].name, sizeof out[n].name, "%s%s", table, suffix);
    std::snprintf(out[n].table, sizeof out[n].table, "%s", table);
    std::snprintf(out[n].columns, sizeof out[n].columns, "%s", columns.c_str());
    return n + 1;
}

}  // namespace

/* Runs "pv_tblimport" on a copy of a row (or a new row), with a column
** list for a row that has none. Answers the registered row (the caller
** owns it; its column list is the given one) or null when cancelled,
** without columns ("No columns exist for this table"), without the dialog
** (-9501 reported) or without memory (-9101 reported). */
tbl_rec *pv_tblimport_dialog(pjct_rec *, const tbl_rec *row, sql_col_rec *columns)
{
    tbl_rec *work = tbl_rec_new();
    if (!work) {
        err_report(ERR_NO_MEMORY, nullptr);
        return nullptr;
    }
    if (row) {
        tbl_rec_copy(work, row);
        work->next = nullptr;
    }
    if (!work->columns) work->columns = columns;
    if (tbl_name_blank(work->name) && work->columns)
        std::snprintf(work->name, sizeof work->name, "%s", work->columns->table);
    int count = 0;
    for (sql_col_rec *c = work->columns; c; c = c->next) count++;
    work->column_count = count;
    if (count == 0) {
        msg_alert(ERR_TITLE, "No columns exist for this table");
        std::free(work);
        return nullptr;
    }
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_dialog);
        std::free(work);
        return nullptr;
    }
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), work);
    ads_set_tile(dlg, "tbl_name", work->name);
    std::vector<const char *> texts;
    for (int t = TBL_TYPE_FIRST; t <= TBL_TYPE_LAST; t++) texts.push_back(setup_number_type_name(t));
    dlg_fill_list(dlg, k_type, texts.data(), (int)texts.size());
    texts.clear();
    for (sql_col_rec *c = work->columns; c; c = c->next) texts.push_back(c->name);
    dlg_fill_list(dlg, k_cols, texts.data(), (int)texts.size());
    tbl_resolve_definition(work, 0);
    ti_enable(dlg, work);
    ti_show(dlg, work);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK) return work;
    std::free(work);
    return nullptr;
}

/* Builds the standard index entries of a registered row, in creation
** order, into out (room entries). Answers the number of entries; -2 for
** a null row, blank name or no columns; -1 when the BASENUMBER slot is
** empty; the missing-key code of the table type when its own key slot is
** empty. */
int tbl_index_entries(const tbl_rec *row, tbl_index_entry *out, int room)
{
    if (!row || !out || tbl_name_blank(row->name) || !row->columns || row->column_count < 1) return -2;
    const sql_col_rec *const *k = row->keys;
    if (!k[TBL_KEY_BASENUMBER]) return -1;
    const char *name = row->name;
    int type = row->table_type, n = 0;
    auto col = [&](int slot) { return std::string(k[slot]->name); };
    int dix_like = type == TBL_DEF_LEGEND || type == TBL_DEF_DICTION;
    n = ti_entry(out, n, room, name, dix_like ? k_sfx_one : k_sfx_unique, col(TBL_KEY_BASENUMBER));
    if (k[TBL_KEY_BOUNDARY] && type != TBL_DEF_BOUNDARY) n = ti_entry(out, n, room, name, "BND", col(TBL_KEY_BOUNDARY));
    if (k[TBL_KEY_REFERENCE] && type != TBL_DEF_REFERENCE)
        n = ti_entry(out, n, room, name, "REF", col(TBL_KEY_REFERENCE));
    if (k[TBL_KEY_TRAVERSE] && (type == TBL_DEF_STATION || type == TBL_DEF_OUTCROP))
        n = ti_entry(out, n, room, name, "TRV", col(TBL_KEY_TRAVERSE));
    if (k[TBL_KEY_UNIT] && type == TBL_DEF_STATION) n = ti_entry(out, n, room, name, "UNT", col(TBL_KEY_UNIT));
    if (k[TBL_KEY_LEGEND] && (type == TBL_DEF_STATION || type == TBL_DEF_BOUNDARY || type == TBL_DEF_UNIT))
        n = ti_entry(out, n, room, name, "LEG", col(TBL_KEY_LEGEND));
    if (k[TBL_KEY_OUTCROP] && type == TBL_DEF_STATION) n = ti_entry(out, n, room, name, "OUT", col(TBL_KEY_OUTCROP));
    /* The table's own key. */
    struct own_key {
        int type, slot, missing;
        const char *suffix;
    };
    static const own_key k_own[] = {
        {TBL_DEF_OUTCROP, TBL_KEY_OUTCROP, -11018, k_sfx_primary},
        {TBL_DEF_TRAVERSE, TBL_KEY_TRAVERSE, -11020, k_sfx_primary},
        {TBL_DEF_BOUNDARY, TBL_KEY_BOUNDARY, -11003, k_sfx_primary},
        {TBL_DEF_UNIT, TBL_KEY_UNIT, -11005, k_sfx_primary},
        {TBL_DEF_REFERENCE, TBL_KEY_REFERENCE, -11001, ""},
    };
    if (type >= TBL_DEF_ANALYSIS && type <= TBL_DEF_STATION) {
        const sql_col_rec *station = k[TBL_KEY_STATION];
        if (!station) return -11016;
        std::string columns = station->name;
        for (int slot : {TBL_KEY_SEGMENT, TBL_KEY_ROCK, TBL_KEY_SAMPLE, TBL_KEY_ANALYSIS})
            if (k[slot] && k[slot] != station) columns += std::string(",") + k[slot]->name;
        n = ti_entry(out, n, room, name, k_sfx_primary, columns);
    }
    for (const own_key &o : k_own) {
        if (o.type != type) continue;
        if (!k[o.slot]) return o.missing;
        n = ti_entry(out, n, room, name, o.suffix, col(o.slot));
    }
    if (type == TBL_DEF_LEGEND) {
        if (!k[TBL_KEY_LEGEND]) return -11042;
        if (k[TBL_KEY_LEGEND] != k[TBL_KEY_DICTION]) n = ti_entry(out, n, room, name, "LEG", col(TBL_KEY_LEGEND));
    }
    if (dix_like) {
        if (!k[TBL_KEY_DICTION]) return -11057;
        n = ti_entry(out, n, room, name, k_sfx_two, col(TBL_KEY_DICTION));
    }
    if (ti_has_memo(row)) {
        std::string side;
        memo_table_name(name, side);
        n = ti_entry(out, n, room, side.c_str(), "", k_memo_columns);
    }
    return n;
}

/* Creates the standard indexes of a registered row on the connection of
** its first column; an index that cannot be made (its name longer than 20
** characters included, which is neither made nor cut) is reported with the
** reason and the next follows; with why given, the first such failure is
** put there instead and the rest are left (nothing is shown). Answers 0;
** see tbl_index_entries for the failures, when nothing is created. */
int tbl_create_indexes(const tbl_rec *row, std::string *why)
{
    tbl_index_entry entries[TBL_INDEX_MAX];
    int n = tbl_index_entries(row, entries, TBL_INDEX_MAX);
    if (n < 0) return n;
    void *connection = row->columns->connection;
    for (int i = 0; i < n; i++) {
        const tbl_index_entry &e = entries[i];
        const bool long_name = std::strlen(e.name) >= TBL_INDEX_NAME_SIZE;
        int rc = long_name ? RTNORM : sql_create_index(connection, e.name, e.table, e.columns, 0);
        if (!long_name && rc == RTNORM) continue;
        std::string text = std::string("Could not create index ") + e.name + " on " + e.table + " (" + e.columns +
                           "): " + (long_name ? "its name is longer than 20 characters" : sql_failure_text(rc));
        if (!why) {
            msg_alert(ERR_TITLE, "%s", text.c_str());
            continue;
        }
        *why = text;
        break;
    }
    return 0;
}

/* Checks a registered row's definition (no numbers read) and warns under
** "PETRIVEX Warning:" about the codes of widths and dictionary columns;
** other codes are not shown. Answers the code of tbl_resolve_definition. */
int tblsetup_warn_definition(tbl_rec *row)
{
    int rc = tbl_resolve_definition(row, 0);
    if (rc >= TBL_ERR_FIRST && rc <= TS_WARN_LAST)
        msg_alert(WARN_TITLE, "%s in table %s.\nCorrect with DU-ZOREZ.", err_text(rc), row->name);
    return rc;
}

/* Drops the standard indexes of a registered row (failures not reported).
** Answers 0; -2 for a null row, a blank name or an empty BASENUMBER slot. */
int tbl_drop_indexes(const tbl_rec *row)
{
    if (!row || tbl_name_blank(row->name) || !row->keys[TBL_KEY_BASENUMBER]) return -2;
    void *connection = row->columns ? row->columns->connection : nullptr;
    const sql_col_rec *const *k = row->keys;
    int type = row->table_type;
    std::vector<std::string> suffixes;
    if (type == TBL_DEF_LEGEND || type == TBL_DEF_DICTION) suffixes = {k_sfx_two, k_sfx_one};
    else suffixes = {k_sfx_primary, k_sfx_unique};
    if (k[TBL_KEY_TRAVERSE] && type != TBL_DEF_TRAVERSE) suffixes.push_back("TRV");
    if (k[TBL_KEY_OUTCROP] && type != TBL_DEF_OUTCROP) suffixes.push_back("OUT");
    if (k[TBL_KEY_BOUNDARY] && type != TBL_DEF_BOUNDARY) suffixes.push_back("BND");
    if (k[TBL_KEY_REFERENCE] && type != TBL_DEF_REFERENCE) suffixes.push_back("REF");
    if (k[TBL_KEY_DICTION] && type != TBL_DEF_DICTION) {
        suffixes.push_back(k_sfx_two);
        suffixes.push_back(k_sfx_one);
    }
    if (k[TBL_KEY_LEGEND] && k[TBL_KEY_LEGEND] != k[TBL_KEY_DICTION]) suffixes.push_back("LEG");
    if (k[TBL_KEY_UNIT] && type != TBL_DEF_UNIT) suffixes.push_back("UNT");
    for (const std::string &s : suffixes) {
        std::string index = std::string(row->name) + s;
        sql_drop_index(connection, index.c_str(), row->name);
    }
    if (ti_has_memo(row)) {
        std::string side;
        memo_table_name(row->name, side);
        sql_drop_index(connection, side.c_str(), side.c_str());
    }
    return 0;
}
