/*
** row_write.cpp: writing back a row the user was shown, in a project that
** other users change at the same time.
**
** A row is shown (the row editor, the browser's "modify", pv-edit) as it
** was read; the texts shown are noted by the row (row_note_shown). When
** it is written back, only the columns whose text the user changed are
** written, each only while the stored row still holds the text shown
** (sql_update_held), so a change another user made since to another
** column is kept and one made to the same column is never written over.
** When the row changed in a column the user changed too, nothing is
** written: the row takes the values it holds now, which become the texts
** shown, and the caller names the columns another user changed, so that
** the user sees the row as it is and may make the change again.
**
**     row_note_shown(row);
**     if (pv_edit_col_dialog(nullptr, nullptr, row, 0, 0, 0, 0) == RTNORM)
**         rc = row_write_shown(row, changed, 1);   // -9810: changed names them
**     row_forget_shown(row);
*/
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "data/memo.h"
#include "data/row_edit.h"

namespace {

/* The texts shown of each row noted, by its first column record, one a
** column in the row's order. */
std::map<const sql_col_rec *, std::vector<std::string>> s_shown;

/* One table of a row: its columns there, its unique-number column and
** its stored row, fetched anew. */
struct row_part {
    const char *table = nullptr;        /* the table's name; the row's */
    void *connection = nullptr;         /* its connection; not owned */
    sql_col_rec *key = nullptr;         /* its unique-number column in the row */
    long id = 0;                        /* the number shown in it */
    std::vector<sql_col_rec *> columns; /* its other columns in the row */
    std::vector<size_t> at;             /* their places in the row */
    void *stmt = nullptr;               /* the stored row's query; owned */
    void *cursor = nullptr;             /* its cursor; owned */
    sql_col_rec *stored = nullptr;      /* the stored row; owned */
};

/* The texts of a row's columns, in order. */
std::vector<std::string> row_texts(const sql_col_rec *row)
{
    std::vector<std::string> out;
    for (const sql_col_rec *c = row; c; c = c->next) out.emplace_back(c->text ? c->text : "");
    return out;
}

/* The row's tables, in the order their columns first appear, each with
** its stored row fetched by the number shown; columns of no table are
** left out. A table the registry does not know takes key_name (when
** given) as its unique-number column. 5100; -2 for a table without a
** unique-number column in the row; -9805 when a table no longer holds the
** row; the fetch's code. */
int row_parts(sql_col_rec *row, const std::vector<std::string> &shown, std::vector<row_part> &parts,
              const char *key_name)
{
    size_t i = 0;
    for (sql_col_rec *c = row; c; c = c->next, ++i) {
        if (str_nonblank(c->table) != RTNORM) continue;
        row_part *part = nullptr;
        for (row_part &p : parts)
            if (str_eq_nocase(p.table, c->table)) part = &p;
        if (!part) {
            sql_col_rec *key = sql_row_key_column(c, row);
            if (!key && key_name) key = sql_col_find(row, key_name, nullptr, nullptr);
            if (!key) return -2;
            size_t k = 0;
            for (sql_col_rec *x = row; x && x != key; x = x->next) ++k;
            parts.emplace_back();
            part = &parts.back();
            part->table = c->table;
            part->connection = c->connection;
            part->key = key;
            part->id = std::atol(k < shown.size() ? shown[k].c_str() : key->text);
        }
        if (c == part->key) continue;
        part->columns.push_back(c);
        part->at.push_back(i);
    }
    for (row_part &p : parts) {
        int n = sql_select_where(p.connection, p.table, p.key->name, std::to_string(p.id).c_str(), nullptr, &p.stmt,
                                 &p.cursor, &p.stored);
        if (n < 0) return n;
        if (n == 0) return ERR_ROW_GONE;
    }
    return RTNORM;
}

/* Releases the stored rows of the parts. */
void row_parts_free(std::vector<row_part> &parts)
{
    for (row_part &p : parts) sql_close_query(&p.stmt, &p.cursor, &p.stored);
    parts.clear();
}

/* Gives a column of the row the text a stored column holds, in its text
** and its value. */
void row_take_stored(sql_col_rec *c, const sql_col_rec *stored)
{
    if (!c->text || !stored->text) return;
    std::snprintf(c->text, (size_t)sql_col_text_size(c), "%s", stored->text);
    sql_text_to_value(c, c->text);
}

/* What one table of the row holds against what was shown and what the
** user typed: the columns the user changed (names, texts shown, texts
** typed), those another user changed since, and whether one column was
** changed by both to different texts. */
struct row_diff {
    std::vector<std::string> names, from, to;   /* the user's changes */
    std::vector<std::string> theirs;            /* changed in the table since shown */
    bool clash = false;                         /* a column changed by both, differently */
};

/* Compares a part's columns with its stored row (whose records are
** scratch for the comparisons). */
row_diff row_compare(const row_part &p, const std::vector<std::string> &shown)
{
    row_diff d;
    for (size_t j = 0; j < p.columns.size(); ++j) {
        sql_col_rec *c = p.columns[j];
        sql_col_rec *s = sql_col_find(p.stored, c->name, nullptr, nullptr);
        if (!s) continue;
        const std::string &was_text = p.at[j] < shown.size() ? shown[p.at[j]] : std::string();
        std::string stored = sql_compared_text(s, s->text);
        std::string was = sql_compared_text(s, was_text.c_str());
        std::string now = sql_compared_text(s, c->text ? c->text : "");
        const bool mine = now != was, other = stored != was;
        if (other) d.theirs.emplace_back(c->name);
        if (mine && other && stored != now) d.clash = true;
        if (mine) {
            d.names.emplace_back(c->name);
            d.from.push_back(was_text);
            d.to.emplace_back(c->text ? c->text : "");
        }
    }
    return d;
}

/* The row takes what its tables hold now (all of it, or only the columns
** the user did not change), and those texts become the texts shown. */
void row_refresh(sql_col_rec *row, std::vector<row_part> &parts, std::vector<std::string> &shown, bool all)
{
    for (row_part &p : parts) {
        row_diff d = row_compare(p, shown);
        for (size_t j = 0; j < p.columns.size(); ++j) {
            sql_col_rec *c = p.columns[j];
            sql_col_rec *s = sql_col_find(p.stored, c->name, nullptr, nullptr);
            bool mine = false;
            for (const std::string &n : d.names) mine = mine || n == c->name;
            if (!s || (mine && !all)) continue;
            row_take_stored(c, s);
            if (p.at[j] < shown.size()) shown[p.at[j]] = c->text ? c->text : "";
        }
    }
    if (all) shown = row_texts(row);
}

/* "NAME, ROCKTYPE": the columns another user changed in any table. */
std::string row_theirs(std::vector<row_part> &parts, const std::vector<std::string> &shown)
{
    std::string out;
    for (const row_part &p : parts)
        for (const std::string &n : row_compare(p, shown).theirs) out += (out.empty() ? "" : ", ") + n;
    return out;
}

/* Why the memo lines of the last row_settle could not be written with
** the row ("" when its code says it). */
std::string s_memo_why;

/* The check and the write of row_check_shown and row_write_shown (key_name
** as row_parts takes it). */
int row_settle(sql_col_rec *row, bool write, std::string &changed, const char *key_name = nullptr)
{
    changed.clear();
    s_memo_why.clear();
    auto it = s_shown.find(row);
    if (it == s_shown.end()) return write ? sql_update_row(row, 0) : RTNORM;
    std::vector<std::string> &shown = it->second;
    std::vector<row_part> parts;
    int rc = row_parts(row, shown, parts, key_name);
    bool clash = false;
    for (const row_part &p : parts) clash = clash || (rc == RTNORM && row_compare(p, shown).clash);
    if (rc == RTNORM && !clash && !write) row_refresh(row, parts, shown, false);
    /* Each table written only while it holds what was shown; a table
    ** changed between the look-up and the write gives the tables written
    ** before it their former texts back. The memo lines held for the row
    ** go with its table's columns, as one. */
    size_t written = 0;
    bool memo_changed = false;
    for (; rc == RTNORM && !clash && write && written < parts.size(); ++written) {
        row_part &p = parts[written];
        row_diff d = row_compare(p, shown);
        std::string memo_table;
        std::vector<std::string> lines, read;
        if (memo_held_edit(row, p.id, memo_table, lines, read) && str_eq_nocase(memo_table.c_str(), p.table)) {
            rc = memo_write_row(p.connection, p.table, p.key->name, p.id, p.stored, d.names, d.from, d.to, lines, &read,
                                "the row editor");
            s_memo_why = memo_write_failure();
            /* A memo another user saved since: shown as it is now. */
            if (rc == MEMO_ERR_CHANGED) memo_changed = true;
            if (rc == RTNORM || rc == MEMO_ERR_CHANGED) memo_drop_edit(row);
            if (rc == MEMO_ERR_CHANGED) rc = ERR_ROW_CHANGED;
        } else
            rc = sql_update_held(p.connection, p.table, p.key->name, p.id, p.stored, d.names, d.from, d.to);
        if (rc != RTNORM) {
            for (size_t k = 0; k < written; ++k) {
                row_part &q = parts[k];
                row_diff back = row_compare(q, shown);
                sql_close_query(&q.stmt, &q.cursor, &q.stored);
                if (sql_select_where(q.connection, q.table, q.key->name, std::to_string(q.id).c_str(), nullptr,
                                     &q.stmt, &q.cursor, &q.stored) > 0)
                    sql_update_held(q.connection, q.table, q.key->name, q.id, q.stored, back.names, back.to,
                                    back.from);
            }
            break;
        }
    }
    if (rc == RTNORM && write && !clash) shown = row_texts(row);
    if (clash || rc == ERR_ROW_CHANGED) {
        /* The row as it is now, read anew after a write that found it
        ** changed. */
        if (!clash) {
            row_parts_free(parts);
            rc = row_parts(row, shown, parts, key_name);
        }
        if (!clash && rc != RTNORM) {
            row_parts_free(parts);
            return rc;
        }
        changed = row_theirs(parts, shown);
        for (const sql_col_rec *c = row; memo_changed && c; c = c->next)
            if (c->attr && (c->attr->flags & COL_ATTR_MEMO) && changed.find(c->name) == std::string::npos)
                changed += (changed.empty() ? "" : ", ") + std::string(c->name);
        row_refresh(row, parts, shown, true);
        rc = ERR_ROW_CHANGED;
    }
    row_parts_free(parts);
    return rc;
}

}  // namespace

/* Notes the texts a row is shown with; see the header. */
void row_note_shown(const sql_col_rec *row)
{
    if (row) s_shown[row] = row_texts(row);
}

/* Forgets the texts a row was shown with; see the header. */
void row_forget_shown(const sql_col_rec *row)
{
    s_shown.erase(row);
    memo_drop_edit(row);
}

/* Whether a row's texts shown are noted; see the header. */
int row_has_shown(const sql_col_rec *row)
{
    return s_shown.count(row) ? 1 : 0;
}

/* Checks a row shown against what is stored; see the header. */
int row_check_shown(sql_col_rec *row, std::string &changed)
{
    if (!row) return -2;
    return row_settle(row, false, changed);
}

/* "STATN row 2 (NAME); nothing was written"; see the header. */
std::string row_changed_detail(sql_col_rec *row, const std::string &changed)
{
    sql_col_rec *key = sql_row_key_column(row, row);
    return std::string(row->table) + (key && key->text ? std::string(" row ") + key->text : "") +
           (changed.empty() ? "" : " (" + changed + ")") + "; nothing was written";
}

/* Writes the columns of a row the user changed; see the header. */
int row_write_shown(sql_col_rec *row, std::string &changed, int report)
{
    return row_write_shown_keyed(row, nullptr, changed, report);
}

/* row_write_shown of a row whose table may be one the registry does not
** know; see the header. */
int row_write_shown_keyed(sql_col_rec *row, const char *key_column, std::string &changed, int report)
{
    if (!row) return -2;
    int rc = row_settle(row, true, changed, key_column);
    if (rc == RTNORM || !report || sql_report_lost(rc)) return rc;
    if (rc == ERR_ROW_CHANGED || err_text(rc)) {
        err_report(rc, rc == ERR_ROW_CHANGED ? row_changed_detail(row, changed).c_str() : row->table);
        return rc;
    }
    /* A failure of the driver or the server, in its own words. */
    sql_col_rec *key = sql_row_key_column(row, row);
    if (!key && key_column) key = sql_col_find(row, key_column, nullptr, nullptr);
    msg_alert(ERR_TITLE, "Table %s row %s cannot be written: %s", row->table,
              key && key->text ? str_trim_right(key->text).c_str() : "?",
              s_memo_why.empty() ? sql_failure_text(rc) : s_memo_why.c_str());
    return rc;
}
