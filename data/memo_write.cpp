/*
** memo_write.cpp: a row's memo lines written as one with the row, and the
** next logon's finishing of a write cut short.
**
** A memo is written by deleting the row's lines and inserting the new ones,
** several statements: a writer cut short between them would leave the old
** lines gone and part of the new ones in. So while they run, a mark
** STATN-<process>.MRE (core/mark_file.h: in a dBASE project's folder, on a
** server in PVMARK) holds what the next logon needs to put the memo back
** whole, as it was or as it was to be:
**
**     STATN BASENUMBER 2          the table, its unique-number column, the row
**     C NAME =4368657274 =4e6577  a column written with the lines: from, to
**     O =4f6c64206c696e65         each former line
**     N =4e6577206c696e65         each new line
**
** (texts in hex after "=", so that no text breaks a line; "-" in place of
** the column when no column is written). A row's columns go in first, in
** one statement, only while they hold what was shown (sql_update_held);
** then its lines. The next logon decides by the row: one that holds the
** texts written took the change, and gets its new lines; else it gets its
** former lines back; with no column written, lines found whole are kept,
** else the former lines are put back. Lines another user wrote since (no
** state a write of this one could leave) stay, and are named.
*/
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/host_util.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "data/memo.h"

namespace {

/* Extension of a memo write's mark. */
const char k_write_mark_ext[] = ".MRE";
/* The key column of a mark that writes no column of the row. */
const char k_no_key[] = "-";

/* A text as a mark holds it: "=" and its bytes in hex. */
std::string mark_text(const std::string &text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out = "=";
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

/* The text of a mark's word made by mark_text; false when it is none. */
bool mark_untext(const std::string &word, std::string &out)
{
    out.clear();
    if (word.empty() || word[0] != '=' || word.size() % 2 == 0) return false;
    for (size_t i = 1; i + 1 < word.size(); i += 2) {
        char pair[3] = {word[i], word[i + 1], 0};
        char *end = nullptr;
        long v = std::strtol(pair, &end, 16);
        if (*end || !std::isxdigit((unsigned char)pair[0])) return false;
        out += (char)v;
    }
    return true;
}

/* What a memo write does, as its mark holds it. */
struct memo_change {
    std::string table;                     /* the row's table */
    std::string key;                       /* its unique-number column; k_no_key when no column is written */
    long number = 0;                       /* the row's number */
    std::vector<std::string> names, from, to;  /* the row's columns written, their texts before and after */
    std::vector<std::string> old_lines;    /* the lines before, as stored */
    std::vector<std::string> new_lines;    /* the lines after */
};

/* The body of the mark of a change. */
std::string mark_body(const memo_change &c)
{
    std::string body = c.table + " " + c.key + " " + std::to_string(c.number) + "\n";
    for (size_t i = 0; i < c.names.size(); ++i)
        body += "C " + c.names[i] + " " + mark_text(c.from[i]) + " " + mark_text(c.to[i]) + "\n";
    for (const std::string &l : c.old_lines) body += "O " + mark_text(l) + "\n";
    for (const std::string &l : c.new_lines) body += "N " + mark_text(l) + "\n";
    return body;
}

/* The change a mark's body holds; false when it holds none. */
bool mark_change(const std::string &body, memo_change &c)
{
    std::vector<std::string> lines = mark_lines(body);
    if (lines.empty()) return false;
    char table[SQL_COL_NAME_SIZE + 1] = "", key[SQL_COL_NAME_SIZE + 1] = "", tail = 0;
    if (std::sscanf(lines[0].c_str(), "%20s %20s %ld %c", table, key, &c.number, &tail) != 3 || c.number < 1 ||
        !sql_is_ident(table) || (!sql_is_ident(key) && std::strcmp(key, k_no_key) != 0))
        return false;
    c.table = table;
    c.key = key;
    for (size_t i = 1; i < lines.size(); ++i) {
        std::vector<std::string> words;
        for (size_t at = 0; at <= lines[i].size();) {
            size_t end = lines[i].find(' ', at);
            if (end == std::string::npos) end = lines[i].size();
            words.push_back(lines[i].substr(at, end - at));
            at = end + 1;
        }
        std::string a, b;
        if (words[0] == "C" && words.size() == 4 && sql_is_ident(words[1].c_str()) && mark_untext(words[2], a) &&
            mark_untext(words[3], b) && c.key != k_no_key) {
            c.names.push_back(words[1]);
            c.from.push_back(a);
            c.to.push_back(b);
        } else if ((words[0] == "O" || words[0] == "N") && words.size() == 2 && mark_untext(words[1], a))
            (words[0] == "O" ? c.old_lines : c.new_lines).push_back(a);
        else
            return false;
    }
    return true;
}

/* Whether the lines of a memo are a state a write of `from` to `to` may
** leave: the lines before, or the first lines after (none included). */
bool memo_left_by(const std::vector<std::string> &now, const std::vector<std::string> &from,
                  const std::vector<std::string> &to)
{
    if (now == from) return true;
    if (now.size() > to.size()) return false;
    for (size_t i = 0; i < now.size(); ++i)
        if (now[i] != to[i]) return false;
    return true;
}

/* Why the last memo_write_row failed, for its caller to say. */
std::string s_write_failure;

/* Finishes the change a mark held by the next logon names: 0 when done,
** said; MEMO_MARK_UNUSABLE with why when it names no registered table with
** a memo side table; else -1 with why. */
int memo_finish(pjct_rec *p, const mark_file &held, const memo_change &c, std::string &why)
{
    if (!tbl_find_by_name(p->tables, c.table.c_str(), nullptr)) {
        why = c.table + " is not a registered table of project " + p->name;
        return MEMO_MARK_UNUSABLE;
    }
    std::string side;
    if (memo_table_name(c.table.c_str(), side) != 0) {
        why = "table " + c.table + " has no memo side table";
        return MEMO_MARK_UNUSABLE;
    }
    if (!(why = mark_writer_refusal(held, side, "DELETE")).empty()) return -1;
    if (!c.names.empty() && !(why = mark_writer_refusal(held, c.table, "UPDATE")).empty()) return -1;
    const std::string row_name = c.table + " row " + std::to_string(c.number);
    /* The row: did it take the change? */
    bool went = false, theirs = false, gone = false;
    if (!c.names.empty()) {
        void *stmt = nullptr, *cursor = nullptr;
        sql_col_rec *row = nullptr;
        int n = sql_select_where(p->connection, c.table.c_str(), c.key.c_str(), std::to_string(c.number).c_str(),
                                 nullptr, &stmt, &cursor, &row);
        size_t to = 0, from = 0;
        for (size_t i = 0; n > 0 && i < c.names.size(); ++i) {
            sql_col_rec *col = sql_col_find(row, c.names[i].c_str(), nullptr, nullptr);
            std::string now = col ? sql_compared_text(col, col->text) : "";
            if (col && now == sql_compared_text(col, c.to[i].c_str())) ++to;
            else if (col && now == sql_compared_text(col, c.from[i].c_str())) ++from;
        }
        sql_close_query(&stmt, &cursor, &row);
        if (n < 0) {
            why = row_name + " cannot be read: " + sql_failure_text(n);
            return -1;
        }
        gone = n == 0;
        went = to > 0;
        theirs = !gone && to + from < c.names.size();
    }
    std::vector<std::string> now;
    int rc = memo_stored_lines(p->connection, side.c_str(), c.number, now);
    if (rc != 0 && !sql_no_table(rc)) {
        why = "the memo lines of " + row_name + " cannot be read: " + sql_failure_text(rc);
        return -1;
    }
    if (c.names.empty()) went = now == c.new_lines;
    const std::vector<std::string> none, &want = gone ? none : went ? c.new_lines : c.old_lines;
    if (now != want && !memo_left_by(now, c.old_lines, c.new_lines)) {
        msg_alert(ERR_TITLE, "The memo of %s was being written when its writer was cut short; it was changed by "
                  "another user since and stays as it is.", row_name.c_str());
        return 0;
    }
    if (now != want && (rc = memo_put_lines(p->connection, side.c_str(), c.number, want)) != RTNORM) {
        why = "the memo lines of " + row_name + " cannot be written: " + sql_failure_text(rc);
        return -1;
    }
    if (gone)
        msg_alert(ERR_TITLE, "The memo of %s was being written when its writer was cut short; the row is gone, and so "
                  "are its lines.", row_name.c_str());
    else
        msg_alert(ERR_TITLE, "The change of %s and its memo was cut short; %s%s", row_name.c_str(),
                  went ? "its memo lines were written now." : "the row and its memo are as they were before.",
                  theirs ? " Another user changed the row since." : "");
    return 0;
}

/* Finishes the memo write the mark held names (memo_marks_recover). */
int write_mark_finish(pjct_rec *p, const mark_file &held, const std::string &body, std::string &why)
{
    memo_change c;
    if (!mark_change(body, c)) {
        why = "it does not name a row and its memo";
        return MEMO_MARK_UNUSABLE;
    }
    return memo_finish(p, held, c, why);
}

}  // namespace

/* Writes a row's columns and its memo lines as one; see memo.h. */
int memo_write_row(void *connection, const char *table, const char *key_column, long id, sql_col_rec *held,
                   const std::vector<std::string> &names, const std::vector<std::string> &from,
                   const std::vector<std::string> &to, const std::vector<std::string> &lines,
                   const std::vector<std::string> *as_read, const char *command)
{
    s_write_failure.clear();
    memo_change c;
    if (!connection || !table || id < 1 || (!names.empty() && (!held || !key_column || !sql_is_ident(key_column))))
        return -2;
    std::string side;
    if (memo_table_name(table, side) != 0) return -2;
    c.table = side.substr(0, side.size() - std::strlen(MEMO_TABLE_SUFFIX));
    c.key = names.empty() ? k_no_key : key_column;
    c.number = id;
    c.names = names;
    c.from = from;
    c.to = to;
    for (const std::string &l : lines) c.new_lines.push_back(str_trim_right(l.c_str()));
    int rc = memo_stored_lines(connection, side.c_str(), id, c.old_lines);
    bool made = rc == 0;
    if (rc != 0 && !sql_no_table(rc)) {
        s_write_failure = "its memo lines cannot be read: " + std::string(sql_failure_text(rc));
        return rc;
    }
    /* A memo another user saved since it was read is not written over. */
    std::vector<std::string> listed;
    for (const std::string &l : c.old_lines)
        if (!memo_listed_line(l.c_str()).empty()) listed.push_back(memo_listed_line(l.c_str()));
    if (as_read && listed != *as_read) return MEMO_ERR_CHANGED;
    if (c.old_lines == c.new_lines)
        return names.empty() ? RTNORM : sql_update_held(connection, table, key_column, id, held, names, from, to);
    if (!made && (rc = memo_create_table(connection, side.c_str())) != 0) {
        s_write_failure = "its memo side table " + side + " cannot be made: " + sql_failure_text(rc);
        return rc < 0 ? rc : ERR_SQL_NO_CONDITION;
    }
    pjct_rec *p = pjct_find_by_session(connection);
    mark_file mark;
    if (p && mark_begin_of(mark, p, mark_unique_name(p, c.table, k_write_mark_ext), mark_body(c), command) != 0) {
        s_write_failure = std::string("its mark in project ") + p->name + " cannot be written: " +
                          mark_failure_text(p, errno);
        return ERR_SQL_NO_CONDITION;
    }
    rc = names.empty() ? RTNORM : sql_update_held(connection, table, key_column, id, held, names, from, to);
    if (rc != RTNORM) {
        mark_end(mark, false);
        return rc;
    }
    /* A test cuts the writer short here, between the row and its lines. */
    pv_hold_at("memo-row");
    rc = memo_put_lines(connection, side.c_str(), id, c.new_lines);
    if (rc == RTNORM) {
        mark_end(mark, false);
        return RTNORM;
    }
    /* Both go back as they were; what cannot is left to the next logon. */
    s_write_failure = "its memo lines cannot be written: " + std::string(sql_failure_text(rc));
    bool back = memo_put_lines(connection, side.c_str(), id, c.old_lines) == RTNORM;
    if (back && !names.empty()) {
        void *stmt = nullptr, *cursor = nullptr;
        sql_col_rec *now = nullptr;
        back = sql_select_where(connection, table, key_column, std::to_string(id).c_str(), nullptr, &stmt, &cursor,
                                &now) > 0 &&
               sql_update_held(connection, table, key_column, id, now, names, to, from) == RTNORM;
        sql_close_query(&stmt, &cursor, &now);
    }
    mark_end(mark, !back);
    return rc;
}

/* Why the last memo_write_row failed; see memo.h. */
const std::string &memo_write_failure(void)
{
    return s_write_failure;
}

/* Finishes the memo writes cut short; see memo.h. */
int memo_write_recover(pjct_rec *p)
{
    return memo_marks_recover(p, k_write_mark_ext, "memo", "a writer of memo lines", "the row and its memo lines",
                              write_mark_finish);
}
