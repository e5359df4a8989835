/*
** memo_delete.cpp: deleting a row together with its memo lines, and
** finishing at the next logon a delete that was cut short between the two.
**
** The row goes first and its lines after it, so a row whose delete fails
** (a table that cannot be written, a driver that has ended) keeps its
** lines. While the two statements run, the mark STATN-<process>.MRD
** (core/mark_file.h: in a dBASE project's folder, on a server in PVMARK)
** holds "STATN BASENUMBER 7": a kill between them leaves
** it behind, and the next logon deletes the lines of row 7 once the row is
** found gone, or lets the mark go when the row is still there. So a row
** and its lines go both or neither.
*/

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "data/memo.h"
#include "wfile/wfile.h"

namespace {

/* Extension of a delete's mark, and of a refill's (data/dbf_refill.h). */
const char k_delete_mark_ext[] = ".MRD";
const char k_refill_mark_ext[] = ".MRF";

/* Whether a row's table has memo lines to follow it: a memo column in the
** row, or one among the project's input rules of the table (a query's row
** may leave its memo columns out; their lines go all the same). */
bool row_has_memo(const sql_col_rec *row, const pjct_rec *p, const char *table)
{
    for (const sql_col_rec *c = row; c; c = c->next)
        if (c->attr && (c->attr->flags & COL_ATTR_MEMO)) return true;
    for (const col_attr_rec *r = p ? p->col_attrs : nullptr; r; r = r->next)
        if ((r->flags & COL_ATTR_MEMO) && str_eq_nocase(r->table, table)) return true;
    return false;
}

/* Deletes the memo lines of row number of a table (a table whose side
** table was never made has none). 5100, or the delete's code. */
int delete_lines(void *connection, const char *table, long number)
{
    int rc = memo_delete_one(connection, table, number);
    return sql_no_table(rc) ? RTNORM : rc;
}

/* Writes the mark of the row's delete under a name no mark of the project
** holds yet; 0 (also for a dBASE project without a folder), or -1 with
** errno. */
int delete_mark_begin(mark_file &mark, const pjct_rec *p, const char *table, const char *key, long number)
{
    return mark_begin_of(mark, p, mark_unique_name(p, table, k_delete_mark_ext),
                         std::string(table) + " " + key + " " + std::to_string(number) + "\n", "pv-delete");
}

/* Finishes the delete the mark held names: 0 when done (or nothing was to
** be done), else -1 with why; MEMO_MARK_UNUSABLE when the mark names no
** registered table's row. */
int delete_mark_finish(pjct_rec *p, const mark_file &held, const std::string &body, std::string &why)
{
    std::vector<std::string> lines = mark_lines(body);
    char table[TBL_NAME_SIZE + 1] = "", key[SQL_COL_NAME_SIZE + 1] = "";
    long number = 0;
    char tail = 0;
    if (lines.size() != 1 || std::sscanf(lines[0].c_str(), "%20s %20s %ld %c", table, key, &number, &tail) != 3 ||
        number < 1 || !sql_is_ident(table) || !sql_is_ident(key)) {
        why = "it does not name a table, its unique number column and a row";
        return MEMO_MARK_UNUSABLE;
    }
    if (!tbl_find_by_name(p->tables, table, nullptr)) {
        why = std::string(table) + " is not a registered table of project " + p->name;
        return MEMO_MARK_UNUSABLE;
    }
    std::string memo;
    if (memo_table_name(table, memo) == 0 && !(why = mark_writer_refusal(held, memo, "DELETE")).empty()) return -1;
    char id[32];
    std::snprintf(id, sizeof id, "%ld", number);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int n = sql_select_where(p->connection, table, key, id, nullptr, &stmt, &cursor, &row);
    sql_close_query(&stmt, &cursor, &row);
    if (n < 0) {
        why = std::string("row ") + id + " of table " + table + " cannot be read: " + sql_failure_text(n);
        return -1;
    }
    /* The row is still there: the delete was cut short before it, and
    ** its lines stay with it. */
    if (n > 0) return 0;
    int rc = delete_lines(p->connection, table, number);
    if (rc != RTNORM) {
        why = std::string("the memo lines of row ") + id + " of table " + table + " cannot be deleted: " +
              sql_failure_text(rc);
        return -1;
    }
    msg_alert(ERR_TITLE, "The delete of row %ld of table %s was cut short after the row; its memo lines were "
              "deleted now.", number, table);
    return 0;
}

}  // namespace

int memo_delete_with_row(sql_col_rec *row, sql_col_rec *key, std::string &why, int *gone,
                         const std::vector<std::string> *shown)
{
    why.clear();
    if (gone) *gone = 0;
    if (!row || !key) return -2;
    sql_col_rec *value = sql_col_find(row, key->name, key->table, nullptr);
    long number = value && value->text ? std::atol(value->text) : 0;
    const char *table = key->table;
    void *connection = key->connection ? key->connection : row->connection;
    pjct_rec *p = pjct_find_by_session(connection);
    const bool memo = number >= 1 && row_has_memo(row, p, table);
    char text[512];
    mark_file mark;
    if (memo && p && delete_mark_begin(mark, p, table, key->name, number) != 0) {
        std::snprintf(text, sizeof text,
                      "Row %ld of table %s is not deleted: the mark of its delete cannot be "
                      "written in project %s: %s",
                      number, table, p->name, wf_reason(errno));
        why = text;
        return ERR_SQL_NO_CONDITION;
    }
    int rc = shown ? sql_delete_held(connection, table, key->name, number, row, *shown) : sql_delete_row(row, key);
    if (rc != RTNORM) {
        mark_end(mark, false);
        if (rc == ERR_ROW_CHANGED)
            std::snprintf(text, sizeof text, "%s row %ld was changed by another user since it was shown", table,
                          number);
        else
            std::snprintf(text, sizeof text, "Row %ld of table %s cannot be deleted: %s", number, table,
                          sql_failure_text(rc));
        why = text;
        return rc;
    }
    if (gone) *gone = 1;
    rc = memo ? delete_lines(connection, table, number) : RTNORM;
    if (rc != RTNORM) {
        /* The row is gone: its mark stays, and the next logon deletes the
        ** lines left behind. */
        mark_end(mark, true);
        std::snprintf(text, sizeof text, "Row %ld of table %s was deleted, but its memo lines cannot be: %s. The "
                      "next logon deletes them.", number, table, sql_failure_text(rc));
        why = text;
        return rc < 0 ? rc : ERR_SQL_NO_CONDITION;
    }
    mark_end(mark, false);
    return RTNORM;
}

int memo_marks_recover(pjct_rec *p, const char *ext, const char *kind, const char *busy_command, const char *check,
                       int (*finish)(pjct_rec *p, const mark_file &held, const std::string &body, std::string &why))
{
    int rc = 0;
    for (const std::string &path : p ? mark_names_of(p, ext) : std::vector<std::string>()) {
        /* A mark cut short while it was written (nothing was changed yet)
        ** goes; one another session holds belongs to a writer still
        ** running. */
        mark_file held;
        std::string body, why;
        int got = mark_take_of(held, p, path, body);
        if (got == MARK_BUSY && busy_command) {
            size_t slash = path.find_last_of("/\\");
            std::string stem = path.substr(slash == std::string::npos ? 0 : slash + 1);
            mark_busy_note(held, ("Table " + stem.substr(0, stem.find('-'))).c_str(), busy_command);
        }
        if (got != MARK_FOUND && got != MARK_DAMAGED) continue;
        /* A mark that cannot be used is set aside, what it names left as
        ** it is; one whose finish failed stays for the next logon. */
        int done = got == MARK_DAMAGED ? MEMO_MARK_UNUSABLE : finish(p, held, body, why);
        if (got == MARK_DAMAGED) why = body;
        if (done == 0) {
            mark_end(held, false);
            continue;
        }
        /* Setting the mark aside renames it: it is named as found. */
        std::string named = held.path;
        msg_alert(ERR_TITLE, "The %s mark %s was not finished: %s. %s", kind, named.c_str(), why.c_str(),
                  done == MEMO_MARK_UNUSABLE ? mark_aside_text(held, "row", check).c_str()
                                             : "It is left in place for the next logon.");
        mark_end(held, true);
        rc = -1;
    }
    return rc;
}

int memo_delete_recover(pjct_rec *p)
{
    return memo_marks_recover(p, k_delete_mark_ext, "delete", "pv-delete", "the memo tables for lines of a row deleted",
                              delete_mark_finish);
}

int memo_orphans_recover(pjct_rec *p)
{
    int rc = 0;
    for (const tbl_rec *t = p ? p->tables : nullptr; t; t = t->next) {
        const sql_col_rec *key = t->keys[TBL_KEY_BASENUMBER];
        std::string side;
        if (!key || !row_has_memo(nullptr, p, t->name) || memo_table_name(t->name, side) != 0 ||
            !sql_is_ident(key->name))
            continue;
        /* A table being filled anew holds only part of its rows: its lines
        ** wait for a logon after the refill. */
        if (!mark_in_the_way(p, std::string(t->name) + k_refill_mark_ext, t->name, "a refill", "left").empty())
            continue;
        long gone = 0;
        std::string text = "DELETE FROM " + side + " WHERE " MEMO_COL_BASENUMBER " NOT IN (SELECT " +
                           key->name + " FROM " + t->name + " WHERE " + key->name + " IS NOT NULL)";
        int done = sql_execute_rows(p->connection, text.c_str(), 0, &gone);
        if (sql_no_table(done)) continue;
        /* A side table that cannot be read is said by the command that
        ** reads it; its lines wait for a later logon. */
        if (done != RTNORM)
            rc = -1;
        else if (gone > 0)
            msg_alert(WARN_TITLE, "%ld memo lines of table %s had no row (left when their rows were deleted); "
                      "they were removed, so that no new row takes them.", gone, t->name);
    }
    return rc;
}
