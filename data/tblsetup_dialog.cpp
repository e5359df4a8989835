/*
** tblsetup_dialog.cpp: the table setup command and its dialog
** "pv_tblsetup".
**
** One list, "opt_list", shows the logged-on projects, the table nodes of
** the setup tree or the column nodes of the chosen table node, as the
** radio tiles "prj_opt", "tbl_opt" and "col_opt" choose. The choice is
** held in the texts "prj_name", "tbl_name" and "col_name"; every lookup
** goes through them. The dialog edits only the tree; "save" (and "exit")
** apply it to the database (tblsetup_apply.cpp).
**
**     pv-tblsetup            ; command line: opens the dialog
**     (pv_tblsetup)          ; the same from LISP
*/
#include "data/tblsetup.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/cinsetup.h"
#include "data/pnt_dialog.h"
#include "data/sym_setup_dialog.h"

namespace {

/* Dialog name and tile keys. */
const char k_dialog[] = "pv_tblsetup";
const char k_list[] = "opt_list";
const char k_prj_opt[] = "prj_opt";
const char k_tbl_opt[] = "tbl_opt";
const char k_col_opt[] = "col_opt";
const char k_prj_name[] = "prj_name";
const char k_tbl_name[] = "tbl_name";
const char k_col_name[] = "col_name";
const char k_error[] = "error";

/* Name kinds of tblsetup_check_name. */
constexpr int TS_KIND_TABLE = 2;
constexpr int TS_KIND_COLUMN = 3;

/* Every tile the enabling starts by disabling. */
const char *const k_all_tiles[] = {"exit",   "new",    "save",   "purge", "delete", k_tbl_name, k_col_name,
                                   k_prj_opt, k_tbl_opt, k_col_opt, k_list, "move",  "setup",  "points",
                                   "input",  "symbol"};

/* The reserved words a table or column may not be named. */
const char *const k_reserved[] = {
    "ABSOLUTE", "ACTION", "ADD", "ALL", "ALLOCATE", "ALTER", "AND", "ANY", "ARE", "AS", "ASC", "ASSERTION", "AT",
    "AUTHORIZATION", "AVG", "BEGIN", "BETWEEN", "BIT", "BIT_LENGTH", "BOTH", "BY", "CASCADE", "CASE", "CAST",
    "CATALOG", "CHAR", "CHARACTER", "CHAR_LENGTH", "CHARACTER_LENGTH", "CHECK", "CLOSE", "COALESCE", "COLLATE",
    "COLLATION", "COLUMN", "COMMIT", "CONNECT", "CONNECTION", "CONSTRAINT", "CONSTRAINTS", "CONTINUE", "CONVERT",
    "CORRESPONDING", "COUNT", "CREATE", "CROSS", "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "CURRENT_USER", "CURSOR", "DATE", "DAY", "DEALLOCATE", "DEC", "DECIMAL", "DECLARE", "DEFAULT", "DEFERABLE",
    "DEFERRED", "DELETE", "DESC", "DESCRIBE", "DESCRIPTOR", "DIAGNOSTICS", "DISCONNECT", "DISTINCT", "DOMAIN",
    "DOUBLE", "DROP", "ELSE", "END", "END-EXEC", "ESCAPE", "EXCEPT", "EXCEPTION", "EXEC", "EXECUTE", "EXISTS",
    "EXTERNAL", "EXTRACT", "FALSE", "FETCH", "FIRST", "FLOAT", "FOR", "FOREIGN", "FOUND", "FROM", "FULL", "GET",
    "GLOBAL", "GO", "GOTO", "GRANT", "GROUP", "HAVING", "HOUR", "IDENTITY", "IMMEDIATE", "IN", "INDICATOR",
    "INITIALLY", "INNER", "INPUT", "INSENSITIVE", "INSERT", "INT", "INTEGER", "INTERSECT", "INTERVAL", "INTO", "IS",
    "ISOLATION", "JOIN", "KEY", "LANGUAGE", "LAST", "LEADING", "LEFT", "LEVEL", "LIKE", "LOCAL", "LOWER", "MATCH",
    "MAX", "MIN", "MINUTE", "MODULE", "MONTH", "NAMES", "NATIONAL", "NATURAL", "NCHAR", "NEXT", "NO", "NOT",
    "NULL", "NULLIF", "NUMERIC", "OCTET_LENGTH", "OF", "ON", "ONLY", "OPEN", "OPTION", "OR", "ORDER", "OUTER",
    "OUTPUT", "OVERLAPS", "PARTIAL", "POSITION", "PRECISION", "PREPARE", "PRESERVE", "PRIMARY", "PRIOR",
    "PRIVILEGES", "PROCEDURE", "PUBLIC", "READ", "REAL", "REFERENCES", "RELATIVE", "RESTRICT", "REVOKE", "RIGHT",
    "ROLLBACK", "ROWS", "SCHEMA", "SCROLL", "SECOND", "SECTION", "SELECT", "SESSION", "SESSION_USER", "SET",
    "SIZE", "SMALLINT", "SOME", "SQL", "SQLCODE", "SQLERROR", "SQLSTATE", "SUBSTRING", "SUM", "SYSTEM_USER",
    "TABLE", "TEMPORARY", "THEN", "TIME", "TIMESTAMP", "TIMEZONE_HOUR", "TIMEZONE_MINUTE", "TO", "TRAILING",
    "TRANSACTION", "TRANSLATE", "TRANSLATION", "TRIM", "TRUE", "UNION", "UNIQUE", "UNKNOWN", "UPDATE", "UPPER",
    "USAGE", "USER", "USING", "VALUE", "VALUES", "VARCHAR", "VARYING", "VIEW", "WHEN", "WHENEVER", "WHERE", "WITH",
    "WORK", "WRITE", "YEAR"};
constexpr int TS_RESERVED_COUNT = (int)(sizeof k_reserved / sizeof k_reserved[0]);
/* The words a PostgreSQL server reserves beyond those (its reserved and
** its type or function name key words), refused on either road so that a
** project's tables can be made on a server and on dBASE files alike.
** WINDOW is not among them: the profile tables' own column, which the
** ODBC driver quotes. */
const char *const k_server_reserved[] = {
    "ANALYSE",  "ANALYZE",   "ARRAY",  "ASYMMETRIC", "BINARY",   "CONCURRENTLY", "CURRENT_CATALOG", "CURRENT_ROLE",
    "CURRENT_SCHEMA", "DEFERRABLE", "DO", "FREEZE",  "ILIKE",    "ISNULL",       "LATERAL",         "LIMIT",
    "LOCALTIME", "LOCALTIMESTAMP", "NOTNULL", "OFFSET", "PLACING", "RETURNING",  "SIMILAR",         "SYMMETRIC",
    "TABLESAMPLE", "VARIADIC", "VERBOSE"};
constexpr int TS_SERVER_RESERVED_COUNT = (int)(sizeof k_server_reserved / sizeof k_server_reserved[0]);

/* Key slots whose column may not be deleted, and the refusal of each. */
struct ts_undeletable {
    int slot;               /* key slot */
    const char *text;       /* refusal shown in "error" */
};
const ts_undeletable k_undeletable[] = {
    {TBL_KEY_BASENUMBER, "Cannot delete Unique Number"}, {TBL_KEY_TRAVERSE, "Cannot delete Traverse Number"},
    {TBL_KEY_OUTCROP, "Cannot delete Outcrop Number"},   {TBL_KEY_STATION, "Cannot delete Station Number"},
    {TBL_KEY_ROCK, "Cannot delete Rock Number"},         {TBL_KEY_SAMPLE, "Cannot delete Sample Number"},
    {TBL_KEY_ANALYSIS, "Cannot delete Analysis Number"}, {TBL_KEY_BOUNDARY, "Cannot delete Boundary Number"},
    {TBL_KEY_REFERENCE, "Cannot delete Reference Number"}, {TBL_KEY_UNIT, "Cannot delete Unit Number"},
};

/* Reads a tile's text (empty when it cannot be read). */
std::string ts_tile(ads_hdlg dlg, const char *key)
{
    char buf[TILE_BUF_SIZE] = "";
    if (ads_get_tile(dlg, key, buf, TILE_STR_LIMIT) != RTNORM) buf[0] = '\0';
    return buf;
}

/* The chosen project, by the text "prj_name"; null when none. */
pjct_rec *ts_project(ads_hdlg dlg)
{
    std::string name = ts_tile(dlg, k_prj_name);
    return str_nonblank(name.c_str()) == RTNORM ? pjct_find(name.c_str(), nullptr) : nullptr;
}

/* The chosen table node, by the text "tbl_name"; null when none. */
tblsetup_table_node *ts_table(ads_hdlg dlg)
{
    std::string name = ts_tile(dlg, k_tbl_name);
    return str_nonblank(name.c_str()) == RTNORM ? tblsetup_table_find(tblsetup_state_get()->tree, name.c_str(), nullptr)
                                                : nullptr;
}

/* The chosen column node of the chosen table node; null when none. */
tblsetup_column_node *ts_column(ads_hdlg dlg)
{
    tblsetup_table_node *t = ts_table(dlg);
    std::string name = ts_tile(dlg, k_col_name);
    if (!t || str_nonblank(name.c_str()) != RTNORM) return nullptr;
    return tblsetup_column_find(t->columns, name.c_str(), nullptr);
}

/* The registered column of a table and column name in a project; null
** when the table is not registered or has no such column. */
sql_col_rec *ts_registered_column(const pjct_rec *p, const char *table, const char *column)
{
    tbl_rec *row = p && table ? tbl_find_by_name(p->tables, table, nullptr) : nullptr;
    return row && column ? tbl_column_find(row->columns, column, nullptr, nullptr) : nullptr;
}

/* Lists what the mode shows. */
void ts_fill(ads_hdlg dlg)
{
    tblsetup_state *s = tblsetup_state_get();
    std::vector<const char *> texts;
    if (s->mode == TS_MODE_PROJECTS) {
        for (pjct_rec *p = g_pjct_list; p; p = p->next) texts.push_back(p->name);
    } else if (s->mode == TS_MODE_TABLES) {
        for (tblsetup_table_node *t = s->tree; t; t = t->next) texts.push_back(t->name);
    } else if (tblsetup_table_node *t = ts_table(dlg)) {
        for (tblsetup_column_node *c = t->columns; c; c = c->next) texts.push_back(c->name);
    }
    dlg_fill_list(dlg, k_list, texts.data(), (int)texts.size());
}

/* Enables the tiles the state allows (everything else disabled) and puts
** the focus on the mode's radio tile. */
void ts_enable(ads_hdlg dlg)
{
    tblsetup_state *s = tblsetup_state_get();
    for (const char *key : k_all_tiles) ads_mode_tile(dlg, key, MODE_DISABLE);
    ads_mode_tile(dlg, "exit", MODE_ENABLE);
    ads_mode_tile(dlg, k_list, MODE_ENABLE);
    ads_mode_tile(dlg, k_prj_opt, MODE_ENABLE);
    pjct_rec *p = ts_project(dlg);
    if (!p) {
        ads_set_tile(dlg, k_prj_opt, "1");
        ads_mode_tile(dlg, k_prj_opt, MODE_SETFOCUS);
        return;
    }
    int db3 = (p->flags & PJCT_ENV_DB3) != 0, server = (p->flags & PJCT_ENV_SERVER) != 0;
    if (tblsetup_project_changes(p) > 0) ads_mode_tile(dlg, "save", MODE_ENABLE);
    ads_mode_tile(dlg, k_tbl_opt, MODE_ENABLE);
    if (s->mode == TS_MODE_TABLES) ads_mode_tile(dlg, "new", MODE_ENABLE);
    tblsetup_table_node *t = ts_table(dlg);
    if (t) {
        int registered = tbl_find_by_name(p->tables, t->name, nullptr) != nullptr;
        if (db3) ads_mode_tile(dlg, "purge", MODE_ENABLE);
        if (s->mode == TS_MODE_TABLES) {
            ads_mode_tile(dlg, "delete", MODE_ENABLE);
            if (registered) {
                ads_mode_tile(dlg, "setup", MODE_ENABLE);
                ads_mode_tile(dlg, "points", MODE_ENABLE);
            } else {
                ads_mode_tile(dlg, k_tbl_name, MODE_ENABLE);
            }
        }
        ads_mode_tile(dlg, k_col_opt, MODE_ENABLE);
        if (s->mode == TS_MODE_COLUMNS) ads_mode_tile(dlg, "new", MODE_ENABLE);
        tblsetup_column_node *c = ts_column(dlg);
        if (c && s->mode == TS_MODE_COLUMNS) {
            int col_registered = ts_registered_column(p, t->name, c->name) != nullptr;
            ads_mode_tile(dlg, "setup", MODE_ENABLE);
            if (col_registered) {
                ads_mode_tile(dlg, "input", MODE_ENABLE);
                ads_mode_tile(dlg, "symbol", MODE_ENABLE);
            }
            if (!col_registered || db3 || server) ads_mode_tile(dlg, "delete", MODE_ENABLE);
            if (db3) ads_mode_tile(dlg, "move", MODE_ENABLE);
            if (!db3 && !server) ads_mode_tile(dlg, "new", MODE_DISABLE);
            if (!col_registered) ads_mode_tile(dlg, k_col_name, MODE_ENABLE);
        }
    }
    const char *radio = s->mode == TS_MODE_PROJECTS ? k_prj_opt : s->mode == TS_MODE_TABLES ? k_tbl_opt : k_col_opt;
    ads_mode_tile(dlg, radio, MODE_SETFOCUS);
}

/* Sets the list mode and its radio tile. */
void ts_set_mode(ads_hdlg dlg, int mode)
{
    tblsetup_state_get()->mode = mode;
    ads_set_tile(dlg, mode == TS_MODE_PROJECTS ? k_prj_opt : mode == TS_MODE_TABLES ? k_tbl_opt : k_col_opt, "1");
}

/* Makes the n-th entry of the list the selection (see the file comment):
** a project (the tree rebuilt from its registry when there is none or
** more than one project is logged on), a table node or a column node. */
void ts_select(ads_hdlg dlg, int n)
{
    tblsetup_state *s = tblsetup_state_get();
    char index[TILE_BUF_SIZE];
    std::snprintf(index, sizeof index, "%d", n);
    if (s->mode == TS_MODE_PROJECTS) {
        pjct_rec *p = pjct_nth(n);
        if (!p) return;
        ads_set_tile(dlg, k_list, index);
        ads_set_tile(dlg, k_prj_name, p->name);
        ads_set_tile(dlg, k_tbl_name, "");
        ads_set_tile(dlg, k_col_name, "");
        if (!s->tree || (g_pjct_list && g_pjct_list->next)) {
            if (tblsetup_build_tree(p) < 0) err_report(ERR_NO_MEMORY, nullptr);
        }
    } else if (s->mode == TS_MODE_TABLES) {
        tblsetup_table_node *t = tblsetup_table_nth(s->tree, n);
        if (!t) return;
        ads_set_tile(dlg, k_list, index);
        ads_set_tile(dlg, k_tbl_name, t->name);
        ads_set_tile(dlg, k_col_name, "");
    } else {
        tblsetup_table_node *t = ts_table(dlg);
        tblsetup_column_node *c = t ? tblsetup_column_nth(t->columns, n) : nullptr;
        if (!c) return;
        ads_set_tile(dlg, k_list, index);
        ads_set_tile(dlg, k_col_name, c->name);
    }
    ts_enable(dlg);
    ads_set_tile(dlg, k_error, "");
}

/* The "new" step: the mode's name tile is cleared, enabled and focused,
** and the list shows the table (or column) nodes without a selection. */
void ts_new_step(ads_hdlg dlg)
{
    tblsetup_state *s = tblsetup_state_get();
    if (s->mode == TS_MODE_TABLES) {
        ads_set_tile(dlg, k_tbl_name, "");
        ads_set_tile(dlg, k_col_name, "");
        ads_mode_tile(dlg, k_tbl_name, MODE_ENABLE);
        ads_mode_tile(dlg, k_tbl_name, MODE_SETFOCUS);
    } else if (s->mode == TS_MODE_COLUMNS) {
        ads_set_tile(dlg, k_col_name, "");
        ads_mode_tile(dlg, k_col_name, MODE_ENABLE);
        ads_mode_tile(dlg, k_col_name, MODE_SETFOCUS);
    }
    ts_fill(dlg);
}

/* Asks the save question when the tree differs from the registry, yes/no
** or yes/no/cancel, remembers the answer and applies the tree on yes. */
void ts_save_step(ads_hdlg dlg, int with_cancel)
{
    tblsetup_state *s = tblsetup_state_get();
    pjct_rec *p = ts_project(dlg);
    if (!p || tblsetup_project_changes(p) <= 0) return;
    std::string text = std::string("Save changes to ") + p->name + " database ?";
    int rc = with_cancel ? msg_yes_no_cancel(text.c_str()) : msg_yes_no(text.c_str());
    if (rc == RTNORM) s->answer = TS_ANSWER_YES;
    else if (rc == RTERROR) s->answer = TS_ANSWER_NO;
    else s->answer = with_cancel ? TS_ANSWER_CANCEL : TS_ANSWER_NO;
    if (s->answer == TS_ANSWER_YES) tblsetup_apply(dlg);
}

/* Checks every registered table of the project that has columns and a
** name, but one the dialog never listed (it cannot be corrected here, and
** leaving must not wait for it); answers the collected texts ("\n%s in
** %s... correct with ...") while they stay below TS_TEXT_SIZE characters,
** empty when all pass. */
std::string ts_definition_errors(pjct_rec *p)
{
    std::string out;
    tblsetup_table_node *tree = tblsetup_state_get()->tree;
    for (tbl_rec *r = p ? p->tables : nullptr; r; r = r->next) {
        if (!r->columns || tbl_name_blank(r->name)) continue;
        if (!tblsetup_table_find(tree, r->name, nullptr) && tblsetup_table_is_gone(r) != TS_CHG_GONE) continue;
        int rc = tbl_resolve_definition(r, 0);
        if (rc >= 0) continue;
        const char *text = err_text(rc);
        std::string line = std::string("\n") + (text ? text : "Incorrect table definition") + " in " + r->name +
                           "... correct with Table Setup or Column Setup";
        if (out.size() + line.size() < TS_TEXT_SIZE) out += line;
    }
    return out;
}

/* Frees the tree and clears the dialog state. */
void ts_reset(void)
{
    tblsetup_state *s = tblsetup_state_get();
    tblsetup_table_list_free(&s->tree);
    s->removed.clear();
    s->table = nullptr;
    s->column = nullptr;
    s->project = nullptr;
    s->rule = nullptr;
    s->answer = TS_ANSWER_NONE;
    s->mode = TS_MODE_PROJECTS;
}

/* Whether a callback of an edit box should act: RETURN or leaving it. */
int ts_edit_acts(const ads_callback_packet *cpkt)
{
    return cpkt->reason == CBR_SELECT || cpkt->reason == CBR_LOST_FOCUS;
}

/* "exit": the save step (yes/no/cancel); unless the answer is cancel, the
** registered tables are checked: any failure is shown and keeps the
** dialog open, else the tree is freed and the dialog closes with 1. */
void ts_cb_exit(ads_callback_packet *cpkt)
{
    tblsetup_state *s = tblsetup_state_get();
    /* Only this exit's own question counts: a cancel answered earlier (at a
    ** change of mode) must not keep the dialog from ever closing. */
    s->answer = TS_ANSWER_NONE;
    ts_save_step(cpkt->dialog, 1);
    if (s->answer == TS_ANSWER_CANCEL) return;
    std::string errors = ts_definition_errors(ts_project(cpkt->dialog));
    if (!errors.empty()) {
        msg_alert(ERR_TITLE, "%s", errors.c_str());
        return;
    }
    ts_reset();
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* "save": the save step with a yes/no question. */
void ts_cb_save(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ts_save_step(cpkt->dialog, 0);
    ts_enable(cpkt->dialog);
}

/* "new": ready for a new table or column name. */
void ts_cb_new(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ts_new_step(cpkt->dialog);
}

/* "opt_list": the entry becomes the selection. */
void ts_cb_list(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int n = tile_get_int(cpkt->dialog, k_list);
    if (n >= 0) ts_select(cpkt->dialog, n);
}

/* "prj_opt": projects; with several logged on the save question comes
** first and cancel returns to the previous mode. */
void ts_cb_prj_opt(ads_callback_packet *cpkt)
{
    tblsetup_state *s = tblsetup_state_get();
    ads_hdlg dlg = cpkt->dialog;
    int several = g_pjct_list && g_pjct_list->next;
    if (several && s->mode != TS_MODE_PROJECTS) {
        ts_save_step(dlg, 1);
        if (s->answer == TS_ANSWER_CANCEL) {
            ts_set_mode(dlg, s->mode);
            return;
        }
    }
    s->mode = TS_MODE_PROJECTS;
    ts_fill(dlg);
    ts_enable(dlg);
    if (!several) ads_mode_tile(dlg, k_list, MODE_DISABLE);
}

/* "tbl_opt": the table nodes. */
void ts_cb_tbl_opt(ads_callback_packet *cpkt)
{
    tblsetup_state_get()->mode = TS_MODE_TABLES;
    ts_fill(cpkt->dialog);
    ts_enable(cpkt->dialog);
}

/* "col_opt": the chosen table node's column nodes. */
void ts_cb_col_opt(ads_callback_packet *cpkt)
{
    tblsetup_state_get()->mode = TS_MODE_COLUMNS;
    ts_fill(cpkt->dialog);
    ts_enable(cpkt->dialog);
}

/* The node the list's selected entry names in the mode, or null. */
void *ts_listed_node(ads_hdlg dlg, int kind)
{
    int n = tile_get_int(dlg, k_list);
    if (n < 0) return nullptr;
    if (kind == TS_KIND_TABLE) return tblsetup_table_nth(tblsetup_state_get()->tree, n);
    tblsetup_table_node *t = ts_table(dlg);
    return t ? tblsetup_column_nth(t->columns, n) : nullptr;
}

/* A name entered in "tbl_name" or "col_name": checked, then the selected
** node is renamed, or a new node is made (a column as CHAR(6)); the list
** is refilled and the "new" step runs again. */
void ts_name_entered(ads_callback_packet *cpkt, int kind)
{
    if (!ts_edit_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    const char *key = kind == TS_KIND_TABLE ? k_tbl_name : k_col_name;
    char name[TILE_BUF_SIZE];
    std::snprintf(name, sizeof name, "%s", cpkt->value ? cpkt->value : "");
    if (tblsetup_check_name(dlg, name, kind) != 0) {
        ads_mode_tile(dlg, key, MODE_SETFOCUS);
        return;
    }
    ads_set_tile(dlg, k_error, "");
    tblsetup_state *s = tblsetup_state_get();
    void *listed = ts_listed_node(dlg, kind);
    char *copy = tblsetup_strdup(name);
    if (!copy) {
        err_report(ERR_NO_MEMORY, nullptr);
        return;
    }
    if (listed) {
        char **old = kind == TS_KIND_TABLE ? &((tblsetup_table_node *)listed)->name
                                           : &((tblsetup_column_node *)listed)->name;
        std::free(*old);
        *old = copy;
    } else if (kind == TS_KIND_TABLE) {
        tblsetup_table_node *t = tblsetup_table_new();
        if (!t) {
            std::free(copy);
            err_report(ERR_NO_MEMORY, nullptr);
            return;
        }
        t->name = copy;
        if (tblsetup_table_append(&s->tree, t) < 0) tblsetup_table_free(t);
    } else {
        tblsetup_table_node *t = ts_table(dlg);
        tblsetup_column_node *c = t ? tblsetup_column_new() : nullptr;
        if (!c) {
            std::free(copy);
            if (t) err_report(ERR_NO_MEMORY, nullptr);
            return;
        }
        c->name = copy;
        c->type = TS_TYPE_CHAR;
        c->length = TS_NEW_COLUMN_LENGTH;
        if (tblsetup_column_append(&t->columns, c) < 0) tblsetup_column_free(c);
        else t->column_count++;
    }
    ts_fill(dlg);
    ts_new_step(dlg);
    if (tblsetup_project_changes(ts_project(dlg)) > 0) ads_mode_tile(dlg, "save", MODE_ENABLE);
}

void ts_cb_tbl_name(ads_callback_packet *cpkt) { ts_name_entered(cpkt, TS_KIND_TABLE); }
void ts_cb_col_name(ads_callback_packet *cpkt) { ts_name_entered(cpkt, TS_KIND_COLUMN); }

/* "delete": the chosen table node leaves the tree, or the chosen column
** node its table node once the delete check passed. */
void ts_cb_delete(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    tblsetup_state *s = tblsetup_state_get();
    tblsetup_table_node *t = ts_table(dlg);
    if (!t) return;
    if (s->mode == TS_MODE_TABLES) {
        tblsetup_table_remove(&s->tree, t);
        ads_set_tile(dlg, k_tbl_name, "");
    } else if (s->mode == TS_MODE_COLUMNS) {
        tblsetup_column_node *c = ts_column(dlg);
        if (!c || tblsetup_check_column_delete(dlg, ts_project(dlg), t->name, c->name) != 0) return;
        if (tblsetup_column_remove(&t->columns, c) > 0) t->column_count--;
    }
    ads_set_tile(dlg, k_col_name, "");
    ts_fill(dlg);
    ts_enable(dlg);
}

/* Registers a registered table's node anew through the registration
** dialog, checks it, and creates its standard indexes. */
void ts_setup_table(ads_hdlg dlg, pjct_rec *p, tblsetup_table_node *t)
{
    tbl_rec *reg = tbl_find_by_name(p->tables, t->name, nullptr);
    if (!reg) return;
    tbl_rec *row = pv_tblimport_dialog(p, reg, nullptr);
    if (!row) return;
    if (tbl_add(p, row) < 0) {
        std::free(row);
        return;
    }
    tblsetup_warn_definition(row);
    std::string text = std::string("Indexing ") + row->name + "...";
    ads_set_tile(dlg, k_error, text.c_str());
    tbl_create_indexes(row);
    ads_set_tile(dlg, k_error, "");
    tblsetup_set_row(t, row);
}

/* "setup": in table mode the registration of a registered table, in
** column mode the column definition of the chosen column node. */
void ts_cb_setup(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    tblsetup_state *s = tblsetup_state_get();
    pjct_rec *p = ts_project(dlg);
    tblsetup_table_node *t = ts_table(dlg);
    if (!p || !t) return;
    if (s->mode == TS_MODE_TABLES) {
        ts_setup_table(dlg, p, t);
    } else if (s->mode == TS_MODE_COLUMNS) {
        tblsetup_column_node *c = ts_column(dlg);
        if (c) pv_colsetup_dialog(c, t, p);
    }
    ts_enable(dlg);
}

/* "points": the point setups of the selected registered table. */
void ts_cb_points(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *p = ts_project(dlg);
    tblsetup_table_node *t = ts_table(dlg);
    if (!p || !t || !tbl_find_by_name(p->tables, t->name, nullptr)) return;
    pv_pntsetup_dialog(p, t->name);
    ts_enable(dlg);
}

/* "input": the input rule of the chosen registered column; the column
** node follows the rule that replaces it. */
void ts_cb_input(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *p = ts_project(dlg);
    tblsetup_table_node *t = ts_table(dlg);
    tblsetup_column_node *c = ts_column(dlg);
    sql_col_rec *reg = p && t && c ? ts_registered_column(p, t->name, c->name) : nullptr;
    if (!reg) return;
    col_attr_rec *rule = c->attr ? c->attr : reg->attr;
    if (!rule) return;
    pv_cinsetup_dialog(rule, p);
    ts_enable(dlg);
}

/* "move": a column moved in a dBASE project's table node. */
void ts_cb_move(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *p = ts_project(dlg);
    tblsetup_table_node *t = ts_table(dlg);
    tblsetup_column_node *c = ts_column(dlg);
    if (!p || !(p->flags & PJCT_ENV_DB3) || !t || !c) return;
    if (pv_colmove_dialog(c, t) == 0) {
        ts_fill(dlg);
        ts_enable(dlg);
    }
}

/* "purge": in a dBASE project, the chosen table is rebuilt without its
** deleted rows once the user agrees. */
void ts_cb_purge(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *p = ts_project(dlg);
    tblsetup_table_node *t = ts_table(dlg);
    if (!p || !(p->flags & PJCT_ENV_DB3) || !t) return;
    std::string question = std::string("Purge deleted rows from ") + t->name + " ?";
    if (msg_yes_no(question.c_str()) != RTNORM) return;
    ads_set_tile(dlg, k_error, "Purging...");
    dbf_restructure(dlg, t, p);
    ads_set_tile(dlg, k_error, "");
}

/* "symbol": the symbol setup of the chosen registered column's rule. */
void ts_cb_symbol(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    pjct_rec *p = ts_project(dlg);
    tblsetup_table_node *t = ts_table(dlg);
    tblsetup_column_node *c = ts_column(dlg);
    sql_col_rec *col = t && c ? ts_registered_column(p, t->name, c->name) : nullptr;
    if (!col || !col->attr) return;
    pv_symsetup_dialog(p, col->attr, nullptr);
    ts_enable(dlg);
}

/* The dialog's tiles. */
const dlg_tile k_tiles[] = {
    {"exit", ts_cb_exit},           {"new", ts_cb_new},         {"save", ts_cb_save},
    {"delete", ts_cb_delete},       {k_tbl_name, ts_cb_tbl_name}, {k_col_name, ts_cb_col_name},
    {k_prj_opt, ts_cb_prj_opt},     {k_tbl_opt, ts_cb_tbl_opt}, {k_col_opt, ts_cb_col_opt},
    {k_list, ts_cb_list},           {"move", ts_cb_move},       {"setup", ts_cb_setup},
    {"points", ts_cb_points},       {"purge", ts_cb_purge},     {"input", ts_cb_input},
    {"symbol", ts_cb_symbol},

};
}  // namespace

/* Room for the reason a name is refused, with the limit it passed. */
constexpr int TS_REASON_SIZE = 48;

/* Checks a table (kind 2) or column (kind 3) name, trimmed and upper-cased
** in place. Answers 0 when valid; -1 when refused, the reason shown in
** "error"; -2 for another kind or a null argument. */
int tblsetup_check_name(ads_hdlg dialog, char *name, int kind)
{
    if ((kind != TS_KIND_TABLE && kind != TS_KIND_COLUMN) || !name) return -2;
    str_upper(tblsetup_trim(name));
    const char *reason = nullptr;
    size_t n = std::strlen(name);
    const int most = kind == TS_KIND_TABLE ? TS_TABLE_NAME_MAX : TS_COLUMN_NAME_MAX;
    char too_long[TS_REASON_SIZE];   /* the reason with the limit it passed */
    if (n == 0) {
        reason = "empty";
    } else if (n > (size_t)most) {
        std::snprintf(too_long, sizeof too_long, "too long (at most %d characters)", most);
        reason = too_long;
    } else {
        for (size_t i = 0; i < n && !reason; i++)
            if (!std::isdigit((unsigned char)name[i]) && !(name[i] >= 'A' && name[i] <= 'Z'))
                reason = "has invalid characters";
    }
    if (!reason && tblsetup_is_reserved(name)) reason = "is a reserved word";
    if (!reason && dialog) {
        pjct_rec *p = ts_project(dialog);
        tblsetup_state *s = tblsetup_state_get();
        void *listed = ts_listed_node(dialog, kind);
        if (kind == TS_KIND_TABLE) {
            tblsetup_table_node *same = tblsetup_table_find(s->tree, name, nullptr);
            if ((p && tbl_find_by_name(p->tables, name, nullptr)) || (same && same != listed))
                reason = "already used";
        } else {
            tblsetup_table_node *t = ts_table(dialog);
            tblsetup_column_node *same = t ? tblsetup_column_find(t->columns, name, nullptr) : nullptr;
            if ((t && ts_registered_column(p, t->name, name)) || (same && same != listed)) reason = "already used";
        }
    }
    if (!reason) return 0;
    std::string text = std::string(kind == TS_KIND_TABLE ? "Table name " : "Column name ") + name + " " + reason;
    if (dialog) ads_set_tile(dialog, k_error, text.c_str());
    return -1;
}

/* 1 when the name is one of the reserved words of either road (without
** regard to case): the test of a name given anew. */
int tblsetup_is_reserved(const char *name)
{
    return tblsetup_is_sql_word(name) || (name && str_index_nocase(name, k_server_reserved, TS_SERVER_RESERVED_COUNT) >= 0);
}

/* 1 when the name is one of the dialect's own 222 reserved words (without
** regard to case): the words an upgraded project's names give way to. */
int tblsetup_is_sql_word(const char *name)
{
    return name && str_index_nocase(name, k_reserved, TS_RESERVED_COUNT) >= 0;
}

/* Refuses deleting a column that fills one of the registered table's key
** slots other than SEGMENT, LEGEND, DICTION, GROUPING and PNT. Answers 0
** when it may go; -1 when refused (the text shown in "error"). */
int tblsetup_check_column_delete(ads_hdlg dialog, pjct_rec *project, const char *table, const char *column)
{
    tbl_rec *row = project && table ? tbl_find_by_name(project->tables, table, nullptr) : nullptr;
    if (!row || !column) return 0;
    for (const ts_undeletable &u : k_undeletable) {
        const sql_col_rec *c = row->keys[u.slot];
        if (!c || tbl_name_cmp(c->name, column) != 0) continue;
        if (dialog) ads_set_tile(dialog, k_error, u.text);
        return -1;
    }
    return 0;
}

/* Lists the mode's entries anew and enables the tiles by state. */
void tblsetup_refresh(ads_hdlg dialog)
{
    if (!dialog) return;
    ts_fill(dialog);
    ts_enable(dialog);
}

/* 128 when the chosen project's tree differs from its registry, else 0;
** -2 without a dialog or project. */
int tblsetup_has_changes(ads_hdlg dialog)
{
    pjct_rec *p = dialog ? ts_project(dialog) : nullptr;
    if (!p) return -2;
    return tblsetup_project_changes(p);
}

/* Runs the dialog "pv_tblsetup". Answers 5100 when it ran; -5001 when it
** cannot be loaded (reported). The tree is freed whenever the dialog ends. */
int pv_tblsetup(ads_hdlg)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, k_dialog);
        return RTERROR;
    }
    ts_reset();
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    ts_set_mode(dlg, TS_MODE_PROJECTS);
    ts_enable(dlg);
    ts_fill(dlg);
    if (g_pjct_list) {
        ts_select(dlg, 0);
        pjct_rec *p = ts_project(dlg);
        if (p && p->tables && tblsetup_state_get()->tree) {
            ts_set_mode(dlg, TS_MODE_TABLES);
            ts_fill(dlg);
            ts_select(dlg, 0);
            if (p->tables->columns) {
                ts_set_mode(dlg, TS_MODE_COLUMNS);
                ts_fill(dlg);
                ts_select(dlg, 0);
            }
        }
    }
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    ts_reset();
    return RTNORM;
}

/* The command c:pv-tblsetup. */
int pv_tblsetup_command(struct resbuf *)
{
    return pv_tblsetup(nullptr);
}

/* The "tblsetup" button of the setup dialog: opens the dialog as the
** command does. */
int pv_tblsetup_open(pjct_rec *)
{
    return pv_tblsetup(nullptr);
}
