/*
** qry_check.cpp: the checks, order, brackets and quoting of a query's
** condition rows (see qry_edit.h).
*/
#include "output/query/qry_edit.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/item_tree.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "data/row_edit.h"

/* Codes of the value check. */
#define QRY_TOO_LONG    (-9301)
#define QRY_NOT_NUMERIC (-9302)
#define QRY_NOT_ITEM    (-9304)
#define QRY_ERR_ARG     (-2)
/* Highest character code taken as a control character of a delimiter. */
#define QRY_DELIM_CONTROL 31
#define QRY_DELIM_DEL     127

/* 1 for a string-valued column. */
static int qry_is_string(const sql_col_rec *c)
{
    return c && c->value_type == SQL_HOST_STRING;
}

/* A trimmed copy of a text (empty for null). */
static std::string qry_trim_copy(const char *text)
{
    std::string t = text ? text : "";
    t.resize(std::strlen(str_trim(t.data())));
    return t;
}

/* 1 when the text is a number as the value check wants it: a leading
** sign, digits and at most one point, and at least one digit. */
static int qry_numeric(const std::string &t)
{
    size_t i = t[0] == '+' || t[0] == '-' ? 1 : 0;
    int points = 0, digits = 0;
    for (; i < t.size(); i++) {
        if (t[i] == '.') {
            if (++points > 1) return 0;
        } else if (std::isdigit((unsigned char)t[i])) {
            digits++;
        } else {
            return 0;
        }
    }
    return digits > 0;
}

/* 1 when the row's value counts as NULL. */
int qry_cond_is_null(const qry_cond_rec *cond)
{
    if (!cond || !cond->value) return 0;
    std::string v = qry_trim_copy(cond->value);
    int op = qry_cond_op(cond);
    return v == "NULL" || (v == "'NULL'" && (op == QRY_OP_EQ || op == QRY_OP_NE));
}

/* 1 when the row's column is a point column with its setup. */
int qry_cond_on_point(const qry_cond_rec *cond)
{
    const col_attr_rec *r = cond && cond->column ? cond->column->attr : nullptr;
    return r && (r->flags & COL_ATTR_POINT) && r->point;
}

/* The column's item tree, loaded on first need; see the header. */
item_node *qry_column_tree(const sql_col_rec *column)
{
    col_attr_rec *rule = column ? column->attr : nullptr;
    if (!rule) return nullptr;
    return rule->tree ? rule->tree : row_rule_tree(rule, pjct_of_col_attr(rule));
}

/* Checks the value against the column; see the header. */
int qry_check_value(const qry_cond_rec *cond)
{
    if (!cond || !cond->column) return QRY_ERR_ARG;
    const sql_col_rec *col = cond->column;
    std::string v = qry_trim_copy(cond->value);
    if (!qry_is_string(col) && v != "NULL" && !v.empty() && !qry_numeric(v)) return QRY_NOT_NUMERIC;
    const col_attr_rec *rule = col->attr;
    if (rule && rule->tree && !v.empty()) {
        if (!(rule->flags & COL_ATTR_MANY)) {
            if (!item_find(rule->tree, v.c_str())) return QRY_NOT_ITEM;
        } else {
            char delim = rule->delimiter;
            if ((unsigned char)delim <= QRY_DELIM_CONTROL || (unsigned char)delim == QRY_DELIM_DEL) delim = ' ';
            size_t start = 0;
            while (start <= v.size()) {
                size_t end = v.find(delim, start);
                if (end == std::string::npos) end = v.size();
                std::string piece = qry_trim_copy(v.substr(start, end - start).c_str());
                if (!piece.empty() && !item_find(rule->tree, piece.c_str())) return QRY_NOT_ITEM;
                start = end + 1;
            }
        }
    }
    if ((int)v.size() > col->length) return QRY_TOO_LONG;
    return 0;
}

/* 1 when a value check code is accepted for the row's operator. */
static int qry_value_code_accepted(int code, int op, int null)
{
    switch (code) {
    case 0: return 1;
    case QRY_NOT_NUMERIC: return op == QRY_OP_INSIDE || op == QRY_OP_OUTSIDE || (null && (op == QRY_OP_EQ || op == QRY_OP_NE));
    case QRY_TOO_LONG: return null || (op >= QRY_OP_IS && op <= QRY_OP_NEAR);
    case QRY_NOT_ITEM: return null || !(op == QRY_OP_EQ || op == QRY_OP_NE || op == QRY_OP_IS || op == QRY_OP_HAS);
    default: return 0;
    }
}

/* The first failure of a row; see the header. */
int qry_condition_error(const qry_cond_rec *cond, const qry_cond_rec *prev, std::string *msg)
{
    if (!cond || !msg) return QRY_ERR_ARG;
    int op = qry_cond_op(cond), conn = qry_cond_connector(cond);
    const sql_col_rec *col = cond->column;
    const col_attr_rec *rule = col ? col->attr : nullptr;
    int is_char = col && col->sql_type == SQL_TYPE_CHAR;
    int spatial = qry_op_is_spatial(op);
    if (!prev && conn != QRY_CONN_NONE) *msg = "ERROR: Connector must be blank";
    else if (prev && conn == QRY_CONN_NONE) *msg = "ERROR:  Connector cannot be blank";
    else if (prev && qry_op_is_filter(op) && conn != QRY_CONN_AND) *msg = "ERROR:  Connector must be AND";
    else if (!col || !cond->table) *msg = "ERROR: Column cannot be blank";
    else if (op <= QRY_OP_BLANK) *msg = "ERROR: Operator cannot be blank";
    else if (((op == QRY_OP_LIKE || op == QRY_OP_NOT_LIKE) && !is_char) ||
             ((op == QRY_OP_IS || op == QRY_OP_HAS) && (!is_char || !rule || !rule->tree)))
        *msg = "ERROR: Invalid operator";
    else if (str_nonblank(cond->value) != 5100) *msg = "ERROR: Value cannot be blank";
    else if (rule && (rule->flags & COL_ATTR_MEMO)) *msg = "ERROR: Cannot query MEMO column";
    else if (spatial && qry_cond_on_point(cond) && (!cond->points || cond->point_count < 1))
        *msg = std::string("ERROR: No ") + (op == QRY_OP_NEAR ? "LINE" : "AREA") + " selected";
    else if (spatial && !qry_cond_on_point(cond)) *msg = std::string("ERROR: ") + col->name + " not a point";
    else {
        int code = qry_check_value(cond);
        if (qry_value_code_accepted(code, op, qry_cond_is_null(cond))) return 0;
        const char *text = err_text(code);
        if (code == QRY_NOT_ITEM)
            *msg = "ERROR: " + qry_trim_copy(cond->value) + " " + (text ? text : "");
        else
            *msg = std::string("ERROR: ") + (text ? text : "") + " " + col->name;
    }
    return -1;
}

/* Shows the row's first failure in the dialog; see the header. */
int qry_check_condition(ads_hdlg dialog, const qry_cond_rec *cond, const qry_cond_rec *prev)
{
    if (!dialog || !cond) return QRY_ERR_ARG;
    std::string msg;
    if (qry_condition_error(cond, prev, &msg) == 0) return 0;
    ads_set_tile(dialog, "error", msg.c_str());
    return -1;
}

/* The nearest complete row before the row. */
qry_cond_rec *qry_cond_prev_complete(const qry_cond_rec *cond)
{
    for (qry_cond_rec *c = cond ? cond->prev : nullptr; c; c = c->prev)
        if (qry_cond_complete(c)) return c;
    return nullptr;
}

/* Takes a row out of its list. */
static void qry_cond_unlink(qry_cond_rec **head, qry_cond_rec *c)
{
    if (c->prev) c->prev->next = c->next;
    else *head = c->next;
    if (c->next) c->next->prev = c->prev;
    c->next = c->prev = nullptr;
}

/* Puts a row into a list before another one. */
static void qry_cond_insert_before(qry_cond_rec **head, qry_cond_rec *at, qry_cond_rec *c)
{
    c->next = at;
    c->prev = at->prev;
    if (at->prev) at->prev->next = c;
    else *head = c;
    at->prev = c;
}

/* Puts the SQL rows before the post-filter rows; see the header. */
void qry_cond_reorder(qry_cond_rec **head)
{
    if (!head) return;
    qry_cond_rec *first = *head;
    while (first && !(qry_cond_complete(first) && qry_op_is_filter(qry_cond_op(first)))) first = first->next;
    if (first) {
        first->connector = qry_connector_table[QRY_CONN_AND];
        for (qry_cond_rec *c = first->next; c;) {
            qry_cond_rec *next = c->next;
            int op = qry_cond_op(c);
            if (qry_op_is_filter(op) || op == QRY_OP_BLANK) {
                c->connector = qry_connector_table[QRY_CONN_AND];
            } else {
                qry_cond_unlink(head, c);
                qry_cond_insert_before(head, first, c);
            }
            c = next;
        }
    }
    for (qry_cond_rec *c = *head; c; c = c->next)
        if (qry_cond_complete(c)) {
            c->connector = qry_connector_table[QRY_CONN_NONE];
            break;
        }
}

/* 1 for LIKE and NOT LIKE. */
static int qry_is_like(const qry_cond_rec *c)
{
    int op = qry_cond_op(c);
    return op == QRY_OP_LIKE || op == QRY_OP_NOT_LIKE;
}

/* Sets both brackets of a row. */
static void qry_set_brackets(qry_cond_rec *c, int open, int close)
{
    c->open_bracket = qry_bracket_table[open];
    c->close_bracket = qry_bracket_table[close];
}

/* Brackets the complete rows; see the header. */
void qry_cond_bracket(qry_cond_rec *head)
{
    std::vector<qry_cond_rec *> rows;
    for (qry_cond_rec *c = head; c; c = c->next)
        if (qry_cond_complete(c)) rows.push_back(c);
    if (rows.empty()) return;
    const char *close = qry_bracket_table[QRY_BRACKET_CLOSE];
    int k = rows.size() > 1 ? qry_cond_connector(rows[1]) : QRY_CONN_NONE;
    qry_cond_rec *r0 = rows[0];
    r0->connector = qry_connector_table[QRY_CONN_NONE];
    int open = !qry_is_like(r0);
    qry_set_brackets(r0, open ? QRY_BRACKET_OPEN : QRY_BRACKET_NONE, QRY_BRACKET_NONE);
    int filters = 0;
    for (size_t i = 1; i < rows.size(); i++) {
        qry_cond_rec *ri = rows[i], *rp = rows[i - 1];
        if (qry_op_is_filter(qry_cond_op(ri))) {
            ri->connector = qry_connector_table[QRY_CONN_AND];
            if (filters++) {
                qry_set_brackets(ri, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
                continue;
            }
            if (open) rp->close_bracket = close;
            qry_set_brackets(ri, QRY_BRACKET_OPEN, QRY_BRACKET_NONE);
            open = 1;
        } else if (qry_is_like(ri)) {
            qry_set_brackets(ri, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
            if (qry_is_like(rp)) qry_set_brackets(rp, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
            else if (open) rp->close_bracket = close;
            open = 0;
        } else if (qry_is_like(rp)) {
            qry_set_brackets(rp, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
            open = qry_cond_connector(ri) == k;
            qry_set_brackets(ri, open ? QRY_BRACKET_OPEN : QRY_BRACKET_NONE, QRY_BRACKET_NONE);
        } else if (rp == r0 || qry_cond_connector(rp) == qry_cond_connector(ri)) {
            qry_set_brackets(ri, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
        } else if (qry_cond_connector(rp) != k) {
            qry_set_brackets(rp, QRY_BRACKET_OPEN, QRY_BRACKET_NONE);
            qry_set_brackets(ri, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
            open = 1;
        } else {
            qry_set_brackets(ri, QRY_BRACKET_NONE, QRY_BRACKET_NONE);
            if (open) rp->close_bracket = close;
            open = 0;
        }
    }
    if (open) rows.back()->close_bracket = close;
}

/* Quotes the SQL values; see the header. */
int qry_quote_values(qry_cond_rec *sql)
{
    for (qry_cond_rec *c = sql; c; c = c->next) {
        std::string v = qry_trim_copy(c->value);
        if (v.empty()) v = "NULL";
        int op = qry_cond_op(c);
        if (qry_is_string(c->column) && op > QRY_OP_BLANK && op < QRY_OP_FIRST_FILTER) {
            std::string q;
            sql_quote(v.c_str(), q);
            v = q;
        }
        if (qry_cond_set_value(c, v.c_str()) < 0) return ERR_NO_MEMORY;
    }
    return 0;
}

/* Removes the quoting of character values; see the header. */
int qry_unquote_values(qry_cond_rec *sql)
{
    for (qry_cond_rec *c = sql; c; c = c->next) {
        if (!c->column || c->column->sql_type != SQL_TYPE_CHAR || !c->value) continue;
        std::string v = qry_trim_copy(c->value);
        if (v.size() >= 2 && v.front() == '\'' && v.back() == '\'') {
            std::string inner;
            for (size_t i = 1; i + 1 < v.size(); i++) {
                inner += v[i];
                if (v[i] == '\'' && i + 2 < v.size() && v[i + 1] == '\'') i++;
            }
            v = inner;
        }
        if (qry_cond_set_value(c, v.c_str()) < 0) return ERR_NO_MEMORY;
    }
    return 0;
}

/* Splits a list at its first post-filter row; see the header. */
void qry_cond_split(qry_cond_rec *list, qry_cond_rec **sql, qry_cond_rec **filters)
{
    qry_cond_rec *f = list;
    while (f && !qry_op_is_filter(qry_cond_op(f))) f = f->next;
    *filters = f;
    *sql = f == list ? nullptr : list;
    if (f && f->prev) {
        f->prev->next = nullptr;
        f->prev = nullptr;
    }
}

/* Appends list b to list a; answers the head. */
qry_cond_rec *qry_cond_concat(qry_cond_rec *a, qry_cond_rec *b)
{
    if (!a) return b;
    qry_cond_rec *t = a;
    while (t->next) t = t->next;
    t->next = b;
    if (b) b->prev = t;
    return a;
}
