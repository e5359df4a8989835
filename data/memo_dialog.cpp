/*
** memo_dialog.cpp: the memo editor, dialog "pv_edit_memo", and the lines
** it holds for a row being added.
**
** The memo's lines are listed in "pv_memo_list" above the end line
** "End of Memo"; the selected line's text is edited in "pv_memo_line" and
** "insert", "modify" and "delete" change the list. "accept" writes the
** list as the row's memo. Read-only, the dialog only shows the memo: the
** editing tiles are disabled and "accept" just closes it.
**
** A row being added has no number of its own until it is inserted: the
** number it is offered may be stored first by another writer, and a row
** cancelled, refused or never finished (pvhost killed) takes none. Its
** lines are therefore held here, by the row, and stored only once the row
** is in, under the number it went in under (memo_store_held): no line
** ever stands in a side table before its row. The memo of a stored row the
** row editor shows is held here too (pv_edit_memo_row), and written with
** the row when the row editor's OK writes it (memo_write_row): a row and
** its lines change together or not at all.
**
**     int rc = pv_edit_memo_dialog(conn, "STATN", 70000, 1);   // 1: lines written
**     pv_edit_memo_held(row, 1);                               // lines held for row
*/
#include "data/memo.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"

namespace {

/* Tile keys of the dialog. */
const char k_dialog[] = "pv_edit_memo";
const char k_list[] = "pv_memo_list";
const char k_line[] = "pv_memo_line";
const char k_error[] = "error";

/* Room for a list index as text. */
constexpr int MEMO_INDEX_TEXT_SIZE = 16;

/* The lines held for each row being added, by its first column record. */
std::map<const sql_col_rec *, std::vector<std::string>> s_held;
/* Where "accept" keeps the list of the editor on held lines; null when it
** writes the list as a stored row's memo. */
std::vector<std::string> *s_keep = nullptr;

/* The memo of a stored row the row editor shows, held until the row is
** written with it (memo_held_edit). */
struct memo_edit {
    void *connection = nullptr;         /* its connection; not owned */
    std::string table;                  /* the row's table */
    long number = 0;                    /* the row's number */
    std::vector<std::string> read;      /* its lines as read, which it must still hold when written */
    std::vector<std::string> lines;     /* its lines as the user left them */
};
/* The memos held for rows shown, by the row's first column record. */
std::map<const sql_col_rec *, memo_edit> s_edits;
/* The memo the editor has open for a stored row; null for other memos. */
memo_edit *s_edit = nullptr;

/* The stored memo the editor has open: where it is, and its lines as
** listed when read, which it must still hold when written. */
struct memo_opened {
    void *connection = nullptr;         /* its connection; not owned */
    std::string table;                  /* the row's table */
    long number = 0;                    /* the row's number */
    std::vector<std::string> lines;     /* its lines as read */
    int had = 0;                        /* 1 when it had lines as read */
};
memo_opened s_opened;

/* 1 when a callback should act: picked, selected or double-clicked. */
int memo_cb_acts(const ads_callback_packet *cpkt)
{
    return cpkt->reason == CBR_SELECT || cpkt->reason == CBR_DOUBLE_CLICK;
}

/* Selects the line at an index and puts its text into the edit field
** with the focus. */
void memo_show_line(ads_hdlg dlg, long index)
{
    memo_line *l = memo_line_nth(memo_state()->lines, index);
    if (!l) return;
    char text[MEMO_INDEX_TEXT_SIZE];
    std::snprintf(text, sizeof text, "%ld", index);
    ads_set_tile(dlg, k_list, text);
    ads_set_tile(dlg, k_line, l->text);
    ads_mode_tile(dlg, k_line, MODE_SETFOCUS);
}

/* Lists the lines again and selects the line at an index. */
void memo_relist(ads_hdlg dlg, long index)
{
    memo_fill_list(dlg, k_list, memo_state()->lines);
    memo_show_line(dlg, index);
}

/* The selected line's index, or -1 after the selection was reported. */
long memo_selected(ads_hdlg dlg)
{
    int index = tile_get_one_index(dlg, k_list);
    if (index < 0 || !memo_line_nth(memo_state()->lines, index)) return -1;
    return index;
}

/* 1 when the line at an index is the end line. */
int memo_is_end(long index)
{
    memo_line *l = memo_line_nth(memo_state()->lines, index);
    return l && !l->next;
}

/* Reads the edit field into text; 1 when it is not blank and may be
** stored (refusals are shown), else 0. */
int memo_typed_line(ads_hdlg dlg, char *text)
{
    if (tile_get_str(dlg, k_line, text) != RTNORM) return 0;
    return memo_check_line(text) == RTNORM;
}

/* "pv_memo_list": the selected line goes into the edit field. */
void memo_cb_list(ads_callback_packet *cpkt)
{
    if (!memo_cb_acts(cpkt)) return;
    long index = memo_selected(cpkt->dialog);
    if (index >= 0) memo_show_line(cpkt->dialog, index);
}

/* "pv_memo_line", RETURN in the field: the next line is selected (after
** the end line, the first). */
void memo_cb_line(ads_callback_packet *cpkt)
{
    if (!memo_cb_acts(cpkt)) return;
    long index = memo_selected(cpkt->dialog);
    if (index < 0) return;
    memo_show_line(cpkt->dialog, memo_is_end(index) ? 0 : index + 1);
}

/* "modify": the typed line replaces the selected one (never the end line). */
void memo_cb_modify(ads_callback_packet *cpkt)
{
    if (!memo_cb_acts(cpkt)) return;
    long index = memo_selected(cpkt->dialog);
    if (index < 0) return;
    if (memo_is_end(index)) {
        ads_set_tile(cpkt->dialog, k_error, "Cannot modify last row");
        return;
    }
    char text[TILE_BUF_SIZE];
    if (!memo_typed_line(cpkt->dialog, text)) return;
    std::snprintf(memo_line_nth(memo_state()->lines, index)->text, MEMO_LINE_SIZE, "%s", text);
    ads_set_tile(cpkt->dialog, k_error, "");
    memo_relist(cpkt->dialog, index);
}

/* "insert": the typed line goes before the selected one, which stays
** selected. */
void memo_cb_insert(ads_callback_packet *cpkt)
{
    if (!memo_cb_acts(cpkt)) return;
    long index = memo_selected(cpkt->dialog);
    if (index < 0) return;
    char text[TILE_BUF_SIZE];
    if (!memo_typed_line(cpkt->dialog, text)) return;
    memo_rec *m = memo_state();
    if (!memo_line_add(&m->lines, index > 0 ? memo_line_nth(m->lines, index - 1) : nullptr, text)) {
        err_report(ERR_NO_MEMORY, nullptr);
        return;
    }
    ads_set_tile(cpkt->dialog, k_error, "");
    memo_relist(cpkt->dialog, index + 1);
}

/* "delete": the selected line is removed (never the end line); the same
** index is selected. */
void memo_cb_delete(ads_callback_packet *cpkt)
{
    if (!memo_cb_acts(cpkt)) return;
    long index = memo_selected(cpkt->dialog);
    if (index < 0) return;
    if (memo_is_end(index)) {
        ads_set_tile(cpkt->dialog, k_error, "Cannot delete last row");
        return;
    }
    memo_line_remove(&memo_state()->lines, index);
    ads_set_tile(cpkt->dialog, k_error, "");
    memo_relist(cpkt->dialog, index);
}

int memo_load_lines(sql_col_rec *text, int count);

/* Loads the open memo anew, as it is stored now, into the list; 1 when
** it has lines, 0 when not, else the failure's code (the state reset). */
int memo_reload(void)
{
    memo_reset();
    int count = memo_open(s_opened.table.c_str(), s_opened.number, s_opened.connection, 1);
    if (count < 0) return count;
    sql_col_rec *text = sql_col_find(memo_state()->row, MEMO_COL_TEXT, nullptr, nullptr);
    int had = text ? memo_load_lines(text, count) : ERR_BAD_SELECTION;
    if (had < 0) memo_reset();
    return had;
}

/* "accept": the list is written (or kept as the held lines of a row being
** added); the dialog ends with MEMO_STATUS_WRITTEN, MEMO_STATUS_EMPTY, or
** MEMO_STATUS_CANCEL when writing failed. A memo another user changed
** since it was opened is not written over: it is shown as it is now, and
** the dialog stays for the change to be made again. */
void memo_cb_accept(ads_callback_packet *cpkt)
{
    int rc = 0;
    if (s_edit) {
        /* Held for the row: a memo saved by another user since it was
        ** read is shown as it is now, for the change to be made again. */
        std::vector<std::string> now;
        int got = memo_listed_lines(s_edit->table.c_str(), s_edit->number, s_edit->connection, now);
        if (got == 0 && now != s_edit->read) {
            s_edit->read = now;
            memo_rec *m = memo_state();
            memo_line_free(&m->lines);
            memo_line *tail = nullptr;
            for (const std::string &line : now) tail = memo_line_add(&m->lines, tail, line.c_str());
            memo_line_add(&m->lines, tail, MEMO_END_EDITOR);
            memo_relist(cpkt->dialog, 0);
            ads_set_tile(cpkt->dialog, k_error, "The memo was changed by another user since it was opened; nothing "
                         "was saved. It is shown as it is now: make your change again.");
            return;
        }
        s_edit->lines.clear();
        for (memo_line *l = memo_state()->lines; l && l->next; l = l->next) s_edit->lines.push_back(l->text);
        rc = s_edit->lines.empty() ? 0 : 1;
        memo_reset();
    } else if (s_keep) {
        s_keep->clear();
        for (memo_line *l = memo_state()->lines; l && l->next; l = l->next) s_keep->push_back(l->text);
        rc = s_keep->empty() ? 0 : 1;
        memo_reset();
    } else {
        rc = memo_write(&s_opened.lines);
        if (rc == MEMO_ERR_CHANGED && (s_opened.had = memo_reload()) >= 0) {
            memo_relist(cpkt->dialog, 0);
            ads_set_tile(cpkt->dialog, k_error, "The memo was changed by another user since it was opened; nothing "
                         "was saved. It is shown as it is now: make your change again.");
            return;
        }
        if (rc == MEMO_ERR_CHANGED)
            msg_alert(ERR_TITLE, "The memo of %s row %ld was changed by another user since it was opened; nothing "
                      "was saved.", s_opened.table.c_str(), s_opened.number);
    }
    ads_done_dialog(cpkt->dialog, rc < 0 ? MEMO_STATUS_CANCEL : rc == 0 ? MEMO_STATUS_EMPTY : MEMO_STATUS_WRITTEN);
}

/* "accept" of the read-only dialog, and "cancel": nothing is written. */
void memo_cb_close(ads_callback_packet *cpkt)
{
    memo_reset();
    ads_done_dialog(cpkt->dialog, MEMO_STATUS_CANCEL);
}

/* One tile of the dialog and its callback. */
struct memo_tile {
    const char *key;                /* tile key */
    CLIENTFUNC action;              /* its callback */
};

/* The editable dialog's tiles. */
const memo_tile k_edit_tiles[] = {
    {k_list, memo_cb_list},     {k_line, memo_cb_line},       {"accept", memo_cb_accept},
    {"cancel", memo_cb_close},  {"insert", memo_cb_insert},   {"delete", memo_cb_delete},
    {"modify", memo_cb_modify},
};
/* The read-only dialog's tiles, and the tiles it disables. */
const memo_tile k_view_tiles[] = {{k_list, memo_cb_list}, {"accept", memo_cb_close}};
const char *const k_view_disabled[] = {k_line, "cancel", "insert", "delete", "modify"};

/* Lists the loaded memo's lines that are not blank, then the end line;
** answers 1 when the memo had lines, 0 when not, -9101 when memory is
** short, the failure's code when a line cannot be read. */
int memo_load_lines(sql_col_rec *text, int count)
{
    memo_rec *m = memo_state();
    memo_line_free(&m->lines);
    s_opened.lines.clear();
    memo_line *tail = nullptr;
    int had = 0;
    for (int k = 0; k < count; k++) {
        int got = sql_fetch_counted(m->cursor, m->row, k);
        if (got != RTNORM) return got;
        std::string line = memo_listed_line(text->text);
        if (line.empty()) continue;
        if (!(tail = memo_line_add(&m->lines, tail, line.c_str()))) return ERR_NO_MEMORY;
        s_opened.lines.push_back(line);
        had = 1;
    }
    if (!memo_line_add(&m->lines, tail, MEMO_END_EDITOR)) return ERR_NO_MEMORY;
    return had;
}

/* Runs the dialog on the loaded line list; had tells whether the memo had
** lines. What pv_edit_memo_dialog answers. */
int memo_run_dialog(int editable, const int *had)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", k_dialog);
        memo_reset();
        return -1;
    }
    if (editable) {
        for (const memo_tile &t : k_edit_tiles) ads_action_tile(dlg, t.key, t.action);
    } else {
        for (const memo_tile &t : k_view_tiles) ads_action_tile(dlg, t.key, t.action);
        for (const char *key : k_view_disabled) ads_mode_tile(dlg, key, MODE_DISABLE);
    }
    memo_relist(dlg, 0);
    int status = MEMO_STATUS_CANCEL;
    ads_start_dialog(dlg, &status);
    memo_reset();
    if (status == MEMO_STATUS_WRITTEN) return 1;
    if (status == MEMO_STATUS_EMPTY) return 0;
    return *had;
}

}  // namespace

/* Runs the memo editor; see memo.h. */
int pv_edit_memo_dialog(void *connection, const char *table, long number, int editable)
{
    if (!connection || !table || str_nonblank(table) != RTNORM || number < 1 || (editable != 0 && editable != 1))
        return -2;
    memo_reset();
    int count = memo_open(table, number, connection, editable);
    if (count < 0) return count;
    memo_rec *m = memo_state();
    sql_col_rec *text = sql_col_find(m->row, MEMO_COL_TEXT, nullptr, nullptr);
    if (!sql_col_find(m->row, MEMO_COL_BASENUMBER, nullptr, nullptr) || !text) {
        err_report(ERR_BAD_SELECTION, nullptr);
        memo_reset();
        return -1;
    }
    int had = memo_load_lines(text, count);
    if (had < 0) {
        if (had == ERR_NO_MEMORY) err_report(had, nullptr);
        else msg_alert(ERR_TITLE, "Table %s cannot be read: %s", m->name, sql_failure_text(had));
        memo_reset();
        return had;
    }
    s_keep = nullptr;
    s_opened.connection = connection;
    s_opened.table = table;
    s_opened.number = number;
    s_opened.had = had;
    return memo_run_dialog(editable, &s_opened.had);
}

/* Runs the memo editor on the lines held for a row; see memo.h. */
int pv_edit_memo_held(const sql_col_rec *row, int editable)
{
    if (!row || (editable != 0 && editable != 1)) return -2;
    memo_reset();
    std::vector<std::string> &held = s_held[row];
    memo_rec *m = memo_state();
    memo_line *tail = nullptr;
    for (const std::string &line : held)
        if (!(tail = memo_line_add(&m->lines, tail, line.c_str()))) break;
    if ((!held.empty() && !tail) || !memo_line_add(&m->lines, tail, MEMO_END_EDITOR)) {
        err_report(ERR_NO_MEMORY, nullptr);
        memo_reset();
        return ERR_NO_MEMORY;
    }
    int had = held.empty() ? 0 : 1;
    s_keep = editable ? &held : nullptr;
    int rc = memo_run_dialog(editable, &had);
    s_keep = nullptr;
    return rc;
}

/* The listed lines of a stored row's memo; see memo.h. */
int memo_listed_lines(const char *table, long number, void *connection, std::vector<std::string> &out)
{
    out.clear();
    std::string side;
    if (!connection || number < 1 || memo_table_name(table, side) != 0) return -2;
    std::vector<std::string> stored;
    int rc = memo_stored_lines(connection, side.c_str(), number, stored);
    if (rc != 0 && !sql_no_table(rc)) return rc;
    for (const std::string &l : stored)
        if (!memo_listed_line(l.c_str()).empty()) out.push_back(memo_listed_line(l.c_str()));
    return 0;
}

/* Runs the memo editor on a stored row's memo, held for the row; see
** memo.h. */
int pv_edit_memo_row(const sql_col_rec *row, void *connection, const char *table, long number, int editable)
{
    if (!row || !connection || !table || str_nonblank(table) != RTNORM || number < 1 ||
        (editable != 0 && editable != 1))
        return -2;
    memo_reset();
    auto it = s_edits.find(row);
    memo_edit open;
    if (it != s_edits.end() && it->second.number == number && str_eq_nocase(it->second.table.c_str(), table)) {
        open = it->second;
    } else {
        open.connection = connection;
        open.table = table;
        open.number = number;
        int rc = memo_listed_lines(table, number, connection, open.read);
        if (rc < 0) {
            std::string side;
            memo_table_name(table, side);
            msg_alert(ERR_TITLE, "Table %s cannot be read: %s", side.c_str(), sql_failure_text(rc));
            return rc;
        }
        open.lines = open.read;
    }
    memo_rec *m = memo_state();
    memo_line *tail = nullptr;
    for (const std::string &line : open.lines)
        if (!(tail = memo_line_add(&m->lines, tail, line.c_str()))) break;
    if ((!open.lines.empty() && !tail) || !memo_line_add(&m->lines, tail, MEMO_END_EDITOR)) {
        err_report(ERR_NO_MEMORY, nullptr);
        memo_reset();
        return ERR_NO_MEMORY;
    }
    int had = open.lines.empty() ? 0 : 1;
    const std::vector<std::string> before = open.lines;
    s_edit = editable ? &open : nullptr;
    int rc = memo_run_dialog(editable, &had);
    /* Kept for the row once changed and accepted. */
    if (s_edit && open.lines != before) s_edits[row] = open;
    s_edit = nullptr;
    return rc;
}

/* The memo held for a stored row; see memo.h. */
bool memo_held_edit(const sql_col_rec *row, long number, std::string &table, std::vector<std::string> &lines,
                    std::vector<std::string> &read)
{
    auto it = s_edits.find(row);
    if (it == s_edits.end() || it->second.number != number) return false;
    table = it->second.table;
    lines = it->second.lines;
    read = it->second.read;
    return true;
}

/* Lets go of the memo held for a stored row; see memo.h. */
void memo_drop_edit(const sql_col_rec *row)
{
    s_edits.erase(row);
}

/* Stores the lines held for a row just inserted; see memo.h. */
int memo_store_held(const sql_col_rec *row, void *connection, const char *table, long number)
{
    if (!row) return -2;
    auto it = s_held.find(row);
    if (it == s_held.end() || it->second.empty()) {
        if (it != s_held.end()) s_held.erase(it);
        return 0;
    }
    if (!connection || !table || number < 1) return -2;
    memo_reset();
    int rc = memo_read(table, number, connection, 1);
    memo_rec *m = memo_state();
    memo_line *tail = nullptr;
    for (size_t k = 0; rc == 0 && k < it->second.size(); k++)
        if (!(tail = memo_line_add(&m->lines, tail, it->second[k].c_str()))) rc = ERR_NO_MEMORY;
    if (rc == 0 && !memo_line_add(&m->lines, tail, MEMO_END_EDITOR)) rc = ERR_NO_MEMORY;
    if (rc == 0) rc = memo_write(nullptr, false);
    else memo_reset();
    if (rc < 0) return rc;
    s_held.erase(it);
    return 0;
}

/* Holds the lines of a text for a row about to be added; see memo.h. */
int memo_hold_text(const sql_col_rec *row, const char *text)
{
    if (!row || !text) return -2;
    std::vector<std::string> lines;
    int rc = memo_split_lines(text, lines);
    if (rc < 0) return rc;
    s_held[row] = std::move(lines);
    return 0;
}

/* The number of lines held for a row; see memo.h. */
int memo_held_count(const sql_col_rec *row)
{
    auto it = s_held.find(row);
    return it == s_held.end() ? 0 : (int)it->second.size();
}

/* Lets go of the lines held for a row; see memo.h. */
void memo_drop_held(const sql_col_rec *row)
{
    s_held.erase(row);
}
