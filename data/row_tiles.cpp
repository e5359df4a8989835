/*
** row_tiles.cpp: the row-entry tiles shared by "pv_add_tbl" and
** "pv_edit_col": the list of the row's columns ("edit_list"), the field
** of the selected column ("edit_col"), its picker buttons, the map's
** "attach" and "plot" switches, and the accept and cancel of the row.
**
** The tiles work on the row-entry state (g_row_state): its current row and
** column, add or edit mode and the browse statement and cursor. A value is
** checked when the user leaves its column and again, with the uniqueness
** look-up, when the row is accepted.
**
**     row_fill_edit_list(dlg, row, 1, 1, 0);   // a new row: numbers, defaults
**     ads_start_dialog(dlg, &status);
*/
#include "data/row_edit.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/col_attr.h"
#include "core/dlg_state.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/row_state.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/cinsetup.h"
#include "data/item_pick.h"
#include "data/memo.h"
#include "data/merge.h"
#include "data/pnt_dialog.h"
#include "data/point_dialog.h"
#include "data/sym_pick.h"
#include "data/sym_setup_dialog.h"
#include "draw/map_params.h"

namespace {

/* Tile keys of the row entry. */
const char k_list[] = "edit_list";
const char k_col[] = "edit_col";
const char k_name[] = "edit_name";
const char k_error[] = "error";
const char k_accept[] = "accept";

/* The text of a memo column that has memo lines, and of one without. */
const char k_memo_text[] = "MEMO";
const char k_memo_none[] = "    ";
/* The question before a walked row is written. */
const char k_modify_question[] = "Only database will be modified. Proceed ?";

/* The flags of a column's rule; 0 without a rule. */
unsigned row_flags(const sql_col_rec *c)
{
    return c && c->attr ? c->attr->flags : 0u;
}

/* The text without blanks at either end. */
std::string row_trim(const char *text)
{
    std::string t = text ? text : "";
    size_t a = t.find_first_not_of(" \t");
    if (a == std::string::npos) return "";
    return t.substr(a, t.find_last_not_of(" \t") - a + 1);
}

/* Puts a text into the column's text (cut to its buffer and, for a
** character column, to its length); the value follows only with convert,
** so that a cancel can take the texts back from the values. */
void row_store_text(sql_col_rec *c, const std::string &text, int convert = 0)
{
    if (!c || !c->text) return;
    size_t room = (size_t)sql_col_text_size(c);
    if (room < 1) return;
    size_t n = text.size();
    if (n > room - 1) n = room - 1;
    if (c->sql_type == SQL_TYPE_CHAR && c->length >= 0 && n > (size_t)c->length) n = (size_t)c->length;
    memcpy(c->text, text.data(), n);
    c->text[n] = 0;
    if (convert) sql_text_to_value(c, c->text);
}

/* The index of a column in its row; -1 when it is not there. */
int row_index_of(sql_col_rec *row, const sql_col_rec *column)
{
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, i++)
        if (c == column) return i;
    return -1;
}

/* The project of the state, else the one owning the row's connection. */
pjct_rec *row_project(const sql_col_rec *row)
{
    if (g_row_state.cur_pjct) return g_row_state.cur_pjct;
    return row ? pjct_find_by_session(row->connection) : nullptr;
}

/* 1 when the column is the unique-number column of the table. */
int row_is_basenumber(const sql_col_rec *c, const tbl_rec *t)
{
    const sql_col_rec *b = t ? t->keys[TBL_KEY_BASENUMBER] : nullptr;
    if (!b) return 0;
    return c == b || (tbl_name_cmp(c->name, b->name) == 0 && tbl_name_cmp(c->table, t->name) == 0);
}

/* Code of tbl_resolve_definition when a table's numbers cannot be read. */
constexpr int ROW_ERR_NUMBERS_UNREAD = -11026;

/* Reads the numbers of a registered table the first time a row of it is
** added after logon (logon registers tables without their key flags and
** numbers); a failing check is shown and entry goes on. Numbers that could
** not be read because the driver has ended are read again next time. */
void row_read_numbers_once(tbl_rec *t)
{
    if (!t || t->numbers_read) return;
    int rc = tbl_resolve_definition(t, 1);
    if (rc == ROW_ERR_NUMBERS_UNREAD && sql_report_lost(sql_last_failure()->code)) return;
    t->numbers_read = 1;
    if (rc < 0) {
        const char *text = err_text(rc);
        /* Numbers that could not be read name the table's damage. */
        std::string why = rc == ROW_ERR_NUMBERS_UNREAD && *tbl_numbers_failure() ? tbl_numbers_failure() : "";
        msg_alert(WARN_TITLE, "%s in table %s%s%s.\nCorrect with DU-ZOREZ.", text ? text : "Incorrect table definition",
                  t->name, why.empty() ? "" : ": ", why.c_str());
    }
}

/* The value a new row offers in a column: the table's number for its
** unique-number column, then the default, the kept or the stepped value. */
void row_new_value(sql_col_rec *c, const tbl_rec *t)
{
    const col_attr_rec *r = c->attr;
    const unsigned flags = r->flags;
    if (row_is_basenumber(c, t)) {
        char number[SQL_NUMBER_TEXT_SIZE];
        snprintf(number, sizeof number, "%ld", (long)t->last_number);
        row_store_text(c, number, 1);
    }
    std::string def = r->default_text ? r->default_text : "";
    if (c->display_width >= 0 && def.size() > (size_t)c->display_width) def.resize((size_t)c->display_width);
    if (!(flags & (COL_ATTR_DEF | COL_ATTR_INC))) {
        row_store_text(c, def);
        return;
    }
    if (str_nonblank(c->text) != RTNORM) {
        row_store_text(c, def);
        return;
    }
    if (flags & COL_ATTR_INC) {
        std::string next = row_step_text(c->text);
        /* A number that outgrows a character column is not cut into a
        ** number already used; the unique check refuses the text kept. */
        if (c->sql_type != SQL_TYPE_CHAR || (int)next.size() <= c->length) row_store_text(c, next);
    }
}

/* Checks a text against the column's rule, its profile's items loaded
** first when the rule names a profile and none is loaded yet: without
** them any text would pass as one of the profile's. */
int row_check(sql_col_rec *c, const char *text, char *out)
{
    col_attr_rec *r = c ? c->attr : nullptr;
    if (r && !r->tree && !(r->flags & (COL_ATTR_MEMO | COL_ATTR_POINT))) {
        pjct_rec *p = row_project(g_row_state.cur_row);
        row_rule_tree(r, p ? p : pjct_of_col_attr(r));
    }
    return col_check_value(c, text, out);
}

/* Checks a column's text (or the text given, as a picker put it into the
** field) and shows its message, or clears "error": a message never
** outlives its cause. */
void row_show_check(ads_hdlg d, sql_col_rec *c, const char *text = nullptr)
{
    char out[ROW_VALUE_SIZE];
    const char *t = text ? text : c->text ? c->text : "";
    int rc = row_check(c, t, out);
    if (rc < 0) row_show_check_error(d, c, rc, t);
    else ads_set_tile(d, k_error, "");
}

/* Looks the value of a unique column up in its table: 0 when no row holds
** it, -9306 when one does, the look-up's code when it fails. */
int row_unique_lookup(const sql_col_rec *c, const char *value)
{
    pjct_rec *p = row_project(c);
    void *conn = p ? p->connection : c->connection;
    std::string literal;
    std::string v = row_trim(value);
    if (c->sql_type == SQL_TYPE_CHAR) sql_quote(v.c_str(), literal);
    else if (sql_is_number(v.c_str())) literal = v;
    else {
        /* A checked number the statement would not read as one (".5"). */
        char number[SQL_NUMBER_TEXT_SIZE];
        snprintf(number, sizeof number, "%.17g", atof(v.c_str()));
        literal = number;
    }
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *found = nullptr;
    int n = sql_select_where(conn, c->table, c->name, literal.c_str(), nullptr, &stmt, &cursor, &found);
    sql_close_query(&stmt, &cursor, &found);
    if (n < 0) return n;
    return n > 0 ? ROW_ERR_NOT_UNIQUE : 0;
}

/* 1 when a check code refuses the typed text: every failure but "Cannot
** edit column" for the text the column already holds. A column that may
** not be edited still refuses a different text, which would otherwise be
** dropped without a word and the row stored with the old text. */
bool row_refused(int rc, const char *typed, const sql_col_rec *c)
{
    if (rc >= 0) return false;
    return rc != ROW_ERR_NOT_EDITABLE || row_trim(typed) != row_trim(c->text);
}

/* When a failure's code says that the driver has ended, shows that as a
** failed query shows it and in "error", and answers 1; else 0. The
** dialog stays open, to be cancelled. */
int row_show_lost(ads_hdlg d, int code)
{
    if (!sql_report_lost(code)) return 0;
    std::string line = std::string("ERROR:  ") + sql_last_failure()->text;
    ads_set_tile(d, k_error, line.c_str());
    return 1;
}

/* Checks the typed text of the current column and stores it when it
** passes; answers the check's code with the checked text in out. */
int row_take_typed(ads_hdlg d, char *typed, char *out)
{
    sql_col_rec *cur = g_row_state.cur_col;
    typed[0] = 0;
    ads_get_tile(d, k_col, typed, TILE_BUF_SIZE);
    int rc = row_check(cur, typed, out);
    if (rc == 0 && !(row_flags(cur) & COL_ATTR_MEMO)) row_store_text(cur, out);
    return rc;
}

}  // namespace

/* Most numbers a new row tries before its insert gives up: a try fails
** only when another writer stored the number since it was taken. */
constexpr int ROW_NUMBER_TRIES = 1000;
/* Seconds a writer of new rows waits at most for the server's lock on
** new rows of a table that another user holds. */
constexpr int ROW_LOCK_WAIT_S = 30;
/* Rows of a run after which the server's lock on new rows is given back,
** so that another writer waits for no more than so many. */
constexpr long ROW_RUN_LOCKED_ROWS = 100;

namespace {

/* The run of new rows one writer adds to one table (row_new_run_begin):
** the server's lock and the rows' mark are taken once for many rows. */
struct row_run {
    void *connection = nullptr;      /* the run's connection; null when no run is open */
    std::string table;               /* its table */
    merge_mark mark;                 /* the mark of its rows with memo lines, once made */
    bool marked = false;             /* the mark was asked for (a project without a folder has none) */
    bool locked = false;             /* the server's lock on new rows is held */
    long rows = 0;                   /* rows inserted while the lock is held */
    long highest = -1;               /* the table's highest number while the lock is held, -1 unknown */
};
row_run s_run;
/* Why row_insert_new refused its last row when the insert itself went (a
** mark or memo lines that could not be written), and the code it answered. */
std::string s_refused;
int s_refused_code = 0;

/* The open run of a table, or null. */
row_run *row_run_of(void *connection, const char *table)
{
    return s_run.connection && s_run.connection == connection && str_eq_nocase(s_run.table.c_str(), table)
               ? &s_run
               : nullptr;
}

}  // namespace

/* The unique-number column of a registered table in a row of it; see the
** header. */
sql_col_rec *row_number_column(void *connection, sql_col_rec *row, const char *table, tbl_rec **out)
{
    pjct_rec *p = pjct_find_by_session(connection);
    tbl_rec *t = p && table ? tbl_find_by_name(p->tables, table, nullptr) : nullptr;
    sql_col_rec *key = t && t->keys[TBL_KEY_BASENUMBER]
                           ? tbl_column_find(row, t->keys[TBL_KEY_BASENUMBER]->name, nullptr, nullptr)
                           : nullptr;
    if (out) *out = key && key->text ? t : nullptr;
    return key && key->text ? key : nullptr;
}

/* Gives a new row the next free number; see the header. */
int row_take_free_number(void *connection, sql_col_rec *row, const char *table)
{
    tbl_rec *t = nullptr;
    sql_col_rec *key = row_number_column(connection, row, table, &t);
    if (!key) return -2;
    std::string was = key->text;
    int rc = sql_select_max(connection, &row, key->name, table);
    if (rc < 0) {
        row_store_text(key, was, 1);
        return rc;
    }
    long number = atol(key->text) + 1;
    row_store_text(key, std::to_string(number), 1);
    if (number > t->last_number && number <= INT32_MAX) t->last_number = (int32_t)number;
    return 0;
}

namespace {

/* The seconds a writer of new rows waits for another user's lock on new
** rows of a table (row_set_lock_wait). */
int s_lock_wait_s = ROW_LOCK_WAIT_S;

/* Runs a statement of row_server_lock; its code. */
int row_lock_statement(void *connection, const std::string &text)
{
    void *stmt = nullptr, *cursor = nullptr;
    int rc = sql_execute(connection, &stmt, &cursor, text.c_str(), 0);
    sql_free_handles(&stmt, &cursor);
    return rc;
}

}  // namespace

/* Takes or gives back the server's lock on new rows; see the header. */
int row_server_lock(void *connection, const char *table, int lock)
{
    std::string key = std::string("hashtext('pv.new.' || current_schema() || '.") + table + "')";
    if (!lock) return row_lock_statement(connection, "SELECT 1 FROM (SELECT pg_advisory_unlock(" + key + ")) AS l");
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_query(connection,
                      ("SELECT 1 FROM (SELECT CASE WHEN pg_try_advisory_lock(" + key +
                       ") THEN 1 ELSE 0 END AS held) AS l WHERE held = 1").c_str(),
                      &stmt, &cursor, &row, 0);
    sql_close_query(&stmt, &cursor, &row);
    if (n != 0) return n > 0 ? RTNORM : n;
    ads_printf("\nAnother user is adding rows to table %s: waiting for them, at most %d s...\n", table,
               s_lock_wait_s);
    auto timeout = [&](long ms) {
        return row_lock_statement(connection, "SELECT 1 FROM (SELECT set_config('lock_timeout', '" +
                                                  std::to_string(ms) + "', false)) AS l");
    };
    int rc = timeout(s_lock_wait_s * 1000L);
    if (rc == RTNORM) rc = row_lock_statement(connection, "SELECT 1 FROM (SELECT pg_advisory_lock(" + key + ")) AS l");
    /* The session's other statements wait as before. */
    if (!sql_driver_lost(rc)) timeout(0);
    return rc == RTNORM || sql_driver_lost(rc) ? rc : ERR_LOCK_HELD;
}

namespace {

/* Inserts a new row while no row holds its number; *rows gets the rows
** inserted. On dBASE files the look-up and the insert are one statement
** under the table's write lock; the server takes no untyped values in a
** SELECT list, so there they are two, under row_server_lock. The note
** hears of the number before the insert, and of a number found taken
** after a refused one (on the server a number found taken is never tried). */
int row_insert_once(void *connection, sql_col_rec *row, const char *table, sql_col_rec *key, int server,
                    const row_number_note *note, row_run *run, long *rows)
{
    *rows = 0;
    long number = atol(key->text);
    /* Under a run's lock no other writer adds a row: a number above the
    ** table's highest is free without a look-up. */
    bool known_free = run && run->locked && run->highest >= 0 && number > run->highest;
    if (server && !known_free) {
        void *stmt = nullptr, *cursor = nullptr;
        sql_col_rec *found = nullptr;
        int n = sql_select_where(connection, table, key->name, key->text, nullptr, &stmt, &cursor, &found);
        sql_close_query(&stmt, &cursor, &found);
        if (n != 0) return n < 0 ? n : RTNORM;
    }
    int rc = note && note->note ? note->note(note->context, number, 0, row) : 0;
    if (rc != 0) return rc;
    rc = sql_insert_row(connection, row, table, server ? nullptr : key, rows);
    if (rc == RTNORM && *rows > 0 && run && run->highest >= 0 && number > run->highest) run->highest = number;
    if (rc == RTNORM && *rows == 0 && note && note->note) {
        int taken = note->note(note->context, number, 1, nullptr);
        if (taken != 0) return taken;
    }
    return rc;
}

/* Inserts a new row under a number no other writer holds (row_insert_new
** without the row's memo lines); in a run, the server's lock is kept for
** ROW_RUN_LOCKED_ROWS rows. */
int row_insert_numbered(void *connection, sql_col_rec *row, const char *table, sql_col_rec *key,
                        const row_number_note *note, row_run *run)
{
    int server = memo_integer_numbers(connection);
    if (server && !(run && run->locked)) {
        int rc = row_server_lock(connection, table, 1);
        if (rc != RTNORM) return rc;
        if (run) {
            run->locked = true;
            run->rows = 0;
            /* The highest number, read once the lock is held. */
            std::string was = key->text;
            run->highest = sql_select_max(connection, &row, key->name, table) >= 0 ? atol(key->text) : -1;
            row_store_text(key, was, 1);
        }
    }
    int rc = ROW_ERR_NOT_UNIQUE;
    for (int k = 0; k < ROW_NUMBER_TRIES; k++) {
        long rows = 0;
        int ins = row_insert_once(connection, row, table, key, server, note, run, &rows);
        if (ins != RTNORM || rows > 0) {
            rc = ins;
            break;
        }
        ins = row_take_free_number(connection, row, table);
        if (ins < 0) {
            rc = ins;
            break;
        }
    }
    if (server && (!run || ++run->rows >= ROW_RUN_LOCKED_ROWS || rc != RTNORM)) {
        row_server_lock(connection, table, 0);
        if (run) {
            run->locked = false;
            run->highest = -1;
        }
    }
    return rc;
}

}  // namespace

/* Inserts a new row under a number no other writer holds, with its memo
** lines; see the header. */
int row_insert_new(void *connection, sql_col_rec *row, const char *table, const row_number_note *note)
{
    tbl_rec *t = nullptr;
    sql_col_rec *key = row_number_column(connection, row, table, &t);
    if (!key) return sql_insert_row(connection, row, table);
    /* A row with memo lines goes in under a mark of its own where the
    ** project keeps its marks (a run's rows under the run's): a writer cut short
    ** between the row and its lines leaves the mark, and the next logon
    ** removes the row and the lines (merge_recover). */
    row_run *run = row_run_of(connection, table);
    merge_mark own;
    merge_mark *mark = nullptr;
    s_refused.clear();
    if (memo_held_count(row) > 0) {
        mark = run ? &run->mark : &own;
        pjct_rec *p = pjct_find_by_session(connection);
        if (!(run && run->marked) && merge_mark_begin(*mark, p, t, 0, 1, run ? "pv-import" : "pv-add") != 0) {
            s_refused = std::string("its mark in project ") + (p ? p->name : "") +
                        " cannot be written: " + mark_failure_text(p, errno);
            s_refused_code = RTERROR;
            return RTERROR;
        }
        if (run) run->marked = true;
    }
    const row_number_note marked = {merge_note_number, mark};
    if (mark) note = &marked;
    int rc = row_insert_numbered(connection, row, table, key, note, run);
    /* A driver that ended during the insert may have stored the row. */
    bool doubt = rc != RTNORM && sql_driver_lost(rc);
    /* The lines typed for the row follow it under the number it went in
    ** under; when they cannot, the row goes again: both or neither. */
    if (rc == RTNORM) {
        int memo = memo_store_held(row, connection, table, atol(key->text));
        if (memo < 0) {
            std::string side;
            memo_table_name(table, side);
            if (memo == MEMO_ERR_NO_TABLE)
                s_refused = memo_table_failure();
            else if (memo == -2)
                s_refused = "its memo side table " + side + " lacks its columns";
            else
                s_refused = std::string("its memo lines cannot be written: ") + sql_failure_text(memo);
            s_refused_code = memo;
            doubt = sql_delete_where(connection, table, key->name, key->text) != RTNORM;
            rc = memo;
        }
    }
    /* Kept, the next logon removes what it lists; a run's mark takes
    ** back a row gone in whole, or not at all. */
    if (mark == &own) mark_end(own.file, doubt);
    else if (mark && !doubt)
        while (!mark->numbers.empty()) merge_note_number(mark, mark->numbers.back(), 1, nullptr);
    return rc;
}

/* Sets how long a writer waits for the lock on new rows; see the header. */
void row_set_lock_wait(int seconds)
{
    s_lock_wait_s = seconds > 0 ? seconds : ROW_LOCK_WAIT_S;
}

/* Why no row could be added while another user held the lock; see the
** header. */
std::string row_lock_held_text(const char *table)
{
    return std::string("another user has held the lock on new rows of table ") + (table ? table : "") +
           " for more than " + std::to_string(s_lock_wait_s) + " s; nothing was added";
}

/* Why the last row was refused; see the header. */
std::string row_refused_text(const char *table, int code)
{
    if (code == ERR_LOCK_HELD) return row_lock_held_text(table);
    if (code == s_refused_code && !s_refused.empty()) return s_refused;
    return sql_failure_text(code);
}

/* Opens a run of new rows of a table; see the header. */
void row_new_run_begin(void *connection, const char *table)
{
    row_new_run_end();
    s_run.connection = connection;
    s_run.table = table ? table : "";
}

/* Ends the open run; see the header. */
void row_new_run_end(void)
{
    if (!s_run.connection) return;
    if (s_run.locked) row_server_lock(s_run.connection, s_run.table.c_str(), 0);
    mark_end(s_run.mark.file, !s_run.mark.numbers.empty());
    s_run = row_run();
}

/* The line of "edit_list" showing a column; see the header. */
std::string row_list_line(const sql_col_rec *column)
{
    char line[ROW_LINE_SIZE];
    const char *text = column->text ? column->text : "";
    if (row_flags(column) & COL_ATTR_MEMO)
        snprintf(line, sizeof line, "%-15.15s\t:\t%s", column->name,
                 str_nonblank(text) == RTNORM ? k_memo_text : k_memo_none);
    else
        snprintf(line, sizeof line, "%-15.15s\t:\t%-27.27s", column->name, text);
    return line;
}

/* Puts a text into the column and replaces its list line; see the header. */
int row_list_set_line(ads_hdlg dialog, sql_col_rec *column, const char *text, int index)
{
    if (!dialog || !column || !text || index < 0) return -2;
    row_store_text(column, row_trim(text));
    ads_start_list(dialog, k_list, LIST_CHANGE, (short)index);
    ads_add_list(row_list_line(column).c_str());
    ads_end_list();
    return 0;
}

/* Enables the picker tiles of a column; see the header. */
void row_set_column_tiles(ads_hdlg dialog, sql_col_rec *column)
{
    if (!dialog || !column) return;
    const col_attr_rec *r = column->attr;
    const unsigned f = row_flags(column);
    const bool edit = (f & COL_ATTR_EDIT) != 0;
    const bool plain = !(f & (COL_ATTR_MEMO | COL_ATTR_POINT));
    const bool named = r && str_nonblank(r->profile) == RTNORM && str_nonblank(r->dictionary) == RTNORM;
    const bool tree = r && r->tree;
    const struct {
        const char *key;   /* tile */
        bool on;           /* enabled */
    } tiles[] = {
        {"memo", (f & COL_ATTR_MEMO) && edit},
        {"image", (f & COL_ATTR_IMAGE) && g_row_state.image_ok},
        {"point", r && r->point && (f & COL_ATTR_POINT) && edit},
        {"list", edit && plain && (tree || named)},
        {"tree", edit && plain && (tree || named)},
        {"symbols", edit && (f & COL_ATTR_PROFILE) && plain && tree},
    };
    for (const auto &t : tiles) ads_mode_tile(dialog, t.key, t.on ? MODE_ENABLE : MODE_DISABLE);
}

/* Shows a column as the selected one; see the header. */
void row_select_column(ads_hdlg dialog, sql_col_rec *column, int index)
{
    dlg_set_index(dialog, k_list, index);
    ads_set_tile(dialog, k_name, column->name);
    ads_set_tile(dialog, k_col, row_trim(column->text).c_str());
    row_set_column_tiles(dialog, column);
    ads_mode_tile(dialog, k_col, MODE_SETFOCUS);
    g_row_state.cur_col = column;
}

/* Shows a row another user changed since it was shown as it is now, and
** says which columns changed, in "error". */
static void row_show_changed(ads_hdlg d, sql_col_rec *row, const std::string &changed)
{
    int index = 0;
    for (sql_col_rec *c = row; c; c = c->next, index++) row_list_set_line(d, c, c->text ? c->text : "", index);
    if (g_row_state.cur_col) ads_set_tile(d, k_col, row_trim(g_row_state.cur_col->text).c_str());
    std::string line = "ERROR:  Changed by another user meanwhile: " + changed +
                       ". Shown as it is now: make your change again.";
    ads_set_tile(d, k_error, line.c_str());
}

/* ---- Callbacks ---- */

/* "accept": the typed value, then every column with the uniqueness
** look-up in add mode; the first failure stays on its column. A walked
** row is written after the question. Ends the dialog with 1. */
void pv_edit_col_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    sql_col_rec *row = g_row_state.cur_row;
    ads_hdlg d = cpkt->dialog;
    if (!row) return;
    char typed[TILE_BUF_SIZE], out[ROW_VALUE_SIZE];
    if (g_row_state.cur_col) {
        int rc = row_take_typed(d, typed, out);
        /* A refused typed value is never dropped in favour of the old one. */
        if (row_refused(rc, typed, g_row_state.cur_col)) {
            row_show_check_error(d, g_row_state.cur_col, rc, typed);
            ads_mode_tile(d, k_col, MODE_SETFOCUS);
            return;
        }
    }
    int index = 0;
    for (sql_col_rec *c = row; c; c = c->next, index++) {
        int rc = row_check(c, c->text ? c->text : "", out);
        /* The look-up also covers a unique column that is not edited by
        ** hand, the table's unique number. */
        if ((rc == 0 || rc == ROW_ERR_NOT_EDITABLE) && g_row_state.add_mode && (row_flags(c) & COL_ATTR_UNQ) &&
            str_nonblank(out) == RTNORM) {
            int found = row_unique_lookup(c, out);
            if (row_show_lost(d, found)) return;
            /* A number another writer took meanwhile: the next free one
            ** serves, the user is not asked again. */
            tbl_rec *t = g_row_state.cur_tbl;
            pjct_rec *p = row_project(row);
            if (found == ROW_ERR_NOT_UNIQUE && t && row_is_basenumber(c, t)) {
                found = row_take_free_number(p ? p->connection : c->connection, row, t->name);
                if (row_show_lost(d, found)) return;
                row_list_set_line(d, c, c->text, index);
            }
            if (found != 0) rc = found;
        }
        if (rc == 0 || rc == ROW_ERR_NOT_EDITABLE) continue;
        row_show_check_error(d, c, rc, nullptr);
        if (!(row_flags(c) & COL_ATTR_MEMO)) row_list_set_line(d, c, c->text ? c->text : "", index);
        row_select_column(d, c, index);
        return;
    }
    /* A row another user changed since it was shown, in a column the
    ** user changed too, is not taken: it is shown as it is now. A walked
    ** row is written here, only in the columns the user changed. */
    std::string changed;
    const bool walked = g_row_state.edit_mode && g_row_state.browse_stmt;
    if (walked && msg_yes_no(k_modify_question) == RTNORM) {
        int up = row_write_shown(row, changed, 0);
        if (up != RTNORM) {
            if (row_show_lost(d, up)) return;
            if (up == ERR_ROW_CHANGED) {
                row_show_changed(d, row, changed);
                return;
            }
            ads_set_tile(d, k_error, up == ERR_ROW_GONE ? "ERROR:  Row not found: it was deleted meanwhile"
                                                        : "ERROR:  Cannot modify this row");
            return;
        }
    } else if (!walked && !g_row_state.add_mode && row_check_shown(row, changed) == ERR_ROW_CHANGED) {
        row_show_changed(d, row, changed);
        return;
    }
    sql_row_from_text(row);
    ads_done_dialog(d, ROW_DLG_ACCEPT);
}

/* "cancel": the memo lines held for the row go; the values become text
** again. */
void pv_edit_col_cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    sql_col_rec *row = g_row_state.cur_row;
    if (row) {
        if (g_row_state.add_mode) memo_drop_held(row);
        else memo_drop_edit(row);
        sql_row_to_text(row);
    }
    ads_done_dialog(cpkt->dialog, ROW_DLG_CANCEL);
}

/* "edit_list": the typed value is checked and stored, then the picked
** column becomes the current one. */
void pv_edit_col_edit_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg d = cpkt->dialog;
    sql_col_rec *row = g_row_state.cur_row, *cur = g_row_state.cur_col;
    if (!row || !cur) return;
    int cur_index = row_index_of(row, cur);
    char typed[TILE_BUF_SIZE], out[ROW_VALUE_SIZE];
    int rc = row_take_typed(d, typed, out);
    if (row_refused(rc, typed, cur)) {
        row_show_check_error(d, cur, rc, typed);
        dlg_set_index(d, k_list, cur_index);
        if (rc == ROW_ERR_NOT_IN_PRF) ads_set_tile(d, k_col, out);
        ads_mode_tile(d, k_col, MODE_SETFOCUS);
        return;
    }
    int n = tile_get_int(d, k_list);
    sql_col_rec *c = sql_col_nth(row, n);
    if (!c) return;
    if ((row_flags(cur) & COL_ATTR_EDIT) && !(row_flags(cur) & COL_ATTR_MEMO))
        row_list_set_line(d, cur, cur->text ? cur->text : "", cur_index);
    row_show_check(d, c);
    if (c == cur) return;
    row_select_column(d, c, n);
}

/* "edit_col", RETURN in the field: the next column (after the last, the
** first) is picked. */
void pv_edit_col_edit_col_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    sql_col_rec *row = g_row_state.cur_row, *cur = g_row_state.cur_col;
    if (!row || !cur) return;
    int next = cur->next ? row_index_of(row, cur) + 1 : 0;
    dlg_set_index(cpkt->dialog, k_list, next);
    pv_edit_col_edit_list_cb(cpkt);
}

/* "attach" and "plot": the map's switches follow the toggles. */
void pv_edit_col_attach_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    g_map_params.attach = tile_get_int(cpkt->dialog, "attach") == 1;
}

void pv_edit_col_plot_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    g_map_params.plot = tile_get_int(cpkt->dialog, "plot") == 1;
}

/* "image": the typed file name becomes the column's value and the dialog
** ends so that the image can be shown. */
void pv_edit_col_image_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col) return;
    char typed[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, k_col, typed, TILE_BUF_SIZE);
    row_store_text(g_row_state.cur_col, row_trim(typed), 1);
    ads_done_dialog(cpkt->dialog, ROW_DLG_IMAGE);
}

/* "memo": the memo editor on the row's memo; the column then shows
** whether the memo has lines. */
void pv_edit_col_memo_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    sql_col_rec *row = g_row_state.cur_row, *c = g_row_state.cur_col;
    if (!row || !c) return;
    if (!(row_flags(c) & COL_ATTR_MEMO) || c->sql_type != SQL_TYPE_CHAR) {
        msg_alert(ERR_TITLE, "Not a MEMO column");
        return;
    }
    sql_col_rec *key = sql_row_key_column(c, row);
    pjct_rec *p = row_project(row);
    void *conn = p ? p->connection : c->connection;
    long number = key && key->text ? atol(key->text) : 0;
    const int editable = (row_flags(c) & COL_ATTR_EDIT) ? 1 : 0;
    /* A row being added holds its lines until it is inserted. */
    /* A stored row's memo is written with the row, at its OK. */
    int rc = g_row_state.add_mode ? pv_edit_memo_held(row, editable)
                                  : pv_edit_memo_row(row, conn, c->table, number, editable);
    if (rc < 0) {
        ads_set_tile(cpkt->dialog, k_error, "Cannot edit the memo of this row");
        return;
    }
    row_list_set_line(cpkt->dialog, c, rc > 0 ? k_memo_text : k_memo_none, row_index_of(row, c));
}

/* The loaded tree of the current column's rule: its profile is loaded
** when none is (every rule of the project naming the same profile and
** dictionary shares it). Null when the rule names no profile or the load
** failed (reported). */
item_node *row_rule_tree(col_attr_rec *r, pjct_rec *p)
{
    if (!r || !p || str_nonblank(r->profile) != RTNORM || str_nonblank(r->dictionary) != RTNORM) return nullptr;
    if (r->tree) return r->tree;
    item_node *root = (item_node *)calloc(1, sizeof(item_node));
    if (!root) {
        err_report(ERR_NO_MEMORY, r->profile);
        return nullptr;
    }
    prf_sides_saved saved;
    prf_sides_point(p, &saved);
    int rc = item_load_profile(r->profile, r->dictionary, root);
    prf_sides_restore(&saved);
    if (rc != 0) {
        item_free_tree(root);
        dix_report_failure(rc, r->profile, r->profile);
        return nullptr;
    }
    for (col_attr_rec *o = p->col_attrs; o; o = o->next)
        if (!o->tree && str_eq_nocase(o->profile, r->profile) && str_eq_nocase(o->dictionary, r->dictionary)) {
            o->tree = root;
            o->flags |= COL_ATTR_PROFILE;
        }
    if (!r->tree) {
        r->tree = root;
        r->flags |= COL_ATTR_PROFILE;
    }
    return root;
}

/* "list": the profile picker on the typed text; a changed level is kept
** in the rule. */
void pv_edit_col_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col) return;
    col_attr_rec *r = g_row_state.cur_col->attr;
    pjct_rec *p = row_project(g_row_state.cur_row);
    if (!p) p = pjct_of_col_attr(r);
    row_state_rec *kept = dlg_state_push();
    item_node *tree = row_rule_tree(r, p);
    char text[ROW_VALUE_SIZE] = "";
    int rc = RTERROR;
    if (tree) {
        ads_get_tile(cpkt->dialog, k_col, text, sizeof text);
        int level = r->level;
        rc = pv_select_profile_dialog(tree, text, sizeof text, (r->flags & COL_ATTR_MANY) != 0, r->delimiter, p,
                                      &level);
        if (rc == RTNORM && level != r->level) {
            r->level = (uint16_t)level;
            p->flags |= PJCT_CHG_COLUMNS;
        }
    }
    dlg_state_pop(kept);
    if (rc != RTNORM) return;
    ads_set_tile(cpkt->dialog, k_col, text);
    row_show_check(cpkt->dialog, g_row_state.cur_col, text);
}

/* "tree": the tree walker on the rule's tree. */
void pv_edit_col_tree_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col) return;
    col_attr_rec *r = g_row_state.cur_col->attr;
    pjct_rec *p = row_project(g_row_state.cur_row);
    if (!p) p = pjct_of_col_attr(r);
    if (!row_rule_tree(r, p)) return;
    char text[ROW_VALUE_SIZE] = "";
    ads_get_tile(cpkt->dialog, k_col, text, sizeof text);
    if (pv_sel_tree_dialog(r, text, sizeof text) != RTNORM) return;
    ads_set_tile(cpkt->dialog, k_col, text);
    row_show_check(cpkt->dialog, g_row_state.cur_col, text);
}
/* "symbol": the symbol setup of the column's rule, the registered
** column's when the table is registered (the rule its setup is bound to). */
void pv_edit_col_symbol_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col) return;
    sql_col_rec *c = g_row_state.cur_col;
    pjct_rec *p = row_project(g_row_state.cur_row);
    tbl_rec *t = p ? tbl_find_by_name(p->tables, c->table, nullptr) : nullptr;
    sql_col_rec *registered = t ? tbl_column_find(t->columns, c->name, nullptr, nullptr) : nullptr;
    col_attr_rec *rule = registered && registered->attr ? registered->attr : c->attr;
    if (!p || !rule) return;
    pv_symsetup_dialog(p, rule, nullptr);
}

/* "symbols": the symbol picker of the column's profile on the typed text;
** the picked item goes into "edit_col". */
void pv_edit_col_symbols_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col) return;
    col_attr_rec *r = g_row_state.cur_col->attr;
    if (!r || !(r->flags & COL_ATTR_PROFILE)) return;
    char typed[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, k_col, typed, TILE_BUF_SIZE);
    int rc = pv_sel_sym_dialog(r, typed, sizeof typed);
    if (rc != RTNORM) {
        err_report(rc, g_row_state.cur_col->name);
        return;
    }
    ads_set_tile(cpkt->dialog, k_col, row_trim(typed).c_str());
    row_show_check(cpkt->dialog, g_row_state.cur_col, typed);
}

/* "input": the column input setup of the column's rule. Afterwards the
** column takes the rule its project lists for it (the old one may have
** been replaced and freed); a placeholder the column owned is freed. */
void pv_edit_col_input_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    sql_col_rec *c = g_row_state.cur_col;
    pjct_rec *p = row_project(g_row_state.cur_row);
    if (!c || !c->attr || !p) return;
    col_attr_rec *old = c->attr;
    tbl_rec *t = tbl_find_by_name(p->tables, c->table, nullptr);
    sql_col_rec *reg = t ? tbl_column_find(t->columns, c->name, nullptr, nullptr) : nullptr;
    const bool owned = (old->flags & COL_ATTR_PLACEHOLDER) && !(reg && reg->attr == old) &&
                       col_attr_find(p->col_attrs, c->name, c->table, nullptr) != old;
    pv_cinsetup_dialog(old, p);
    col_attr_rec *now = col_attr_find(p->col_attrs, c->name, c->table, nullptr);
    if (now && now != old) {
        if (owned) col_attr_free(old);
        c->attr = now;
    }
    row_set_column_tiles(cpkt->dialog, c);
    ads_set_tile(cpkt->dialog, k_error, "");
}

/* "points": the point setup of the column's table. */
void pv_edit_col_points_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col) return;
    pjct_rec *p = row_project(g_row_state.cur_row);
    const char *table = g_row_state.cur_col->table;
    if (!p || !tbl_find_by_name(p->tables, table, nullptr)) {
        std::string text = std::string("Table ") + table + " is not registered.";
        ads_set_tile(cpkt->dialog, k_error, text.c_str());
        return;
    }
    pv_pntsetup_dialog(p, table);
}
/* Room for a coordinate written as text before the column formats it. */
constexpr int ROW_NUMBER_SIZE = 40;

/* "point": the row's X, Y and Z of the column's point setup shown in the
** point dialog in the setup's coordinate system; a changed point is
** written back into the three columns with their output formats. */
void pv_edit_col_point_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !g_row_state.cur_col || !g_row_state.cur_row) return;
    const col_attr_rec *r = g_row_state.cur_col->attr;
    const pnt_rec *s = r && (r->flags & COL_ATTR_POINT) ? r->point : nullptr;
    if (!s || !s->projection || !s->x_col || !s->y_col) return;
    sql_col_rec *row = g_row_state.cur_row;
    sql_col_rec *cols[3] = {tbl_column_find(row, s->x_col->name, nullptr, nullptr),
                            tbl_column_find(row, s->y_col->name, nullptr, nullptr),
                            s->z_col ? tbl_column_find(row, s->z_col->name, nullptr, nullptr) : nullptr};
    if (!cols[0] || !cols[1]) return;
    double *parts[3];
    geo_point in = {}, out = {};
    parts[0] = &out.x, parts[1] = &out.y, parts[2] = &out.z;
    in.x = std::atof(row_trim(cols[0]->text).c_str());
    in.y = std::atof(row_trim(cols[1]->text).c_str());
    in.z = cols[2] ? std::atof(row_trim(cols[2]->text).c_str()) : 0.0;
    out = in;
    if (pv_edit_point_dialog(&in, s->projection, &out, s->projection, cols[2] != nullptr) != RTNORM) return;
    if (out.x == in.x && out.y == in.y && out.z == in.z) return;   /* cancelled or unchanged */
    for (int i = 0; i < 3; ++i) {
        sql_col_rec *c = cols[i];
        if (!c) continue;
        char number[ROW_NUMBER_SIZE];
        std::snprintf(number, sizeof number, "%.17g", *parts[i]);
        /* Formatted through a scratch copy of the column: the row's value
        ** stays as it was, so that cancelling the row takes the text back. */
        sql_col_rec scratch = *c;
        std::string text((size_t)sql_col_text_size(c) + 1, '\0');
        std::string value((size_t)(c->value_size > 0 ? c->value_size : 0) + sizeof(double), '\0');
        scratch.value = value.data();
        scratch.text = text.data();
        if (sql_text_to_value(&scratch, number) != RTNORM || sql_value_to_text(&scratch, text.data()) != RTNORM)
            continue;
        row_list_set_line(cpkt->dialog, c, text.c_str(), row_index_of(row, c));
        /* The field of the current column shows it too, else leaving the
        ** column would store the old text over it. */
        if (c == g_row_state.cur_col) ads_set_tile(cpkt->dialog, k_col, row_trim(c->text).c_str());
    }
}

namespace {

/* The fifteen row-entry tiles and their callbacks. */
const dlg_tile k_row_tiles[] = {
    {k_accept, pv_edit_col_accept_cb}, {"cancel", pv_edit_col_cancel_cb},   {"attach", pv_edit_col_attach_cb},
    {"plot", pv_edit_col_plot_cb},     {k_col, pv_edit_col_edit_col_cb},    {k_list, pv_edit_col_edit_list_cb},
    {"symbols", pv_edit_col_symbols_cb}, {"list", pv_edit_col_list_cb},     {"tree", pv_edit_col_tree_cb},
    {"memo", pv_edit_col_memo_cb},     {"point", pv_edit_col_point_cb},     {"image", pv_edit_col_image_cb},
    {"input", pv_edit_col_input_cb},   {"points", pv_edit_col_points_cb},   {"symbol", pv_edit_col_symbol_cb},
};

}  // namespace

/* Fills the row-entry tiles; see the header. */
int row_fill_edit_list(ads_hdlg dialog, sql_col_rec *row, int add, int options, int keep)
{
    if (!dialog || !row) return -2;
    g_row_state.cur_row = row;
    g_row_state.cur_col = row;
    g_row_state.add_mode = add;
    tbl_rec *t = g_row_state.cur_tbl;
    const bool fresh = add && keep != 1;
    if (fresh) row_read_numbers_once(t);
    /* A row entered afresh has no memo yet. */
    if (fresh) memo_drop_held(row);
    if (keep != 1) sql_row_to_text(row);
    ads_start_list(dialog, k_list, LIST_NEW, 0);
    for (sql_col_rec *c = row; c; c = c->next) {
        if (c->attr && fresh) row_new_value(c, t);
        ads_add_list(row_list_line(c).c_str());
    }
    ads_end_list();
    row_select_column(dialog, row, 0);
    /* Nothing is typed yet: the error line waits for the first answer. */
    ads_set_tile(dialog, k_error, "");
    const struct {
        const char *key;   /* toggle */
        int32_t *flag;     /* the map's switch */
    } toggles[] = {{"attach", &g_map_params.attach}, {"plot", &g_map_params.plot}};
    for (const auto &tg : toggles) {
        if (!options) *tg.flag = 0;
        ads_mode_tile(dialog, tg.key, options ? MODE_ENABLE : MODE_DISABLE);
        ads_set_tile(dialog, tg.key, *tg.flag ? "1" : "0");
    }
    dlg_register(dialog, k_row_tiles, (int)(sizeof k_row_tiles / sizeof k_row_tiles[0]), nullptr);
    if (g_row_state.edit_mode && !(g_row_state.browse_stmt && g_row_state.browse_cursor))
        ads_mode_tile(dialog, k_accept, MODE_DISABLE);
    else
        ads_mode_tile(dialog, k_accept, MODE_ENABLE);
    return 0;
}
