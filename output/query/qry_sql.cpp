/*
** qry_sql.cpp: the SELECT text of a stored query and its execution into
** the table browser (see qry_sql.h).
*/
#include "output/query/qry_sql.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/qry_join.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "data/browse.h"
#include "output/query/qry_edit.h"

/* Host result codes. */
#define QRY_OK      5100
#define QRY_CANCEL  (-5001)
#define QRY_ERR_ARG (-2)

/* Texts of the statement and the progress box. */
#define QRY_TOO_LONG      "SQL statement too long:\n\n%s"
#define QRY_BOX_DIALOG    "pv_msg_box"
#define QRY_BOX_TITLE     "PETRIVEX:"
#define QRY_BOX_RUNNING   "Querying..."
#define QRY_BOX_NONE      "Querying... No records found..."
#define QRY_BOX_FAILED    "Querying... Internal error encountered"
#define QRY_BOX_FOUND     "Querying... %ld records found..."
#define QRY_LOAD_DIALOG   "Cannot load dialog box: %s."
/* Room of the "found" line. */
#define QRY_BOX_LINE_SIZE 64
/* Output tables of a type above this one ask for DISTINCT; so do join
** conditions on tables of a type above QRY_DISTINCT_JOIN_TYPE. */
#define QRY_DISTINCT_OUT_TYPE  TBL_DEF_TRAVERSE
#define QRY_DISTINCT_JOIN_TYPE TBL_DEF_STATION

/* 1 when the value is a NULL for the operator: "NULL", or "'NULL'" with
** "=" or "NOT =". */
static int qry_value_is_null(const char *value, int op)
{
    if (!value) return 1;
    if (std::strcmp(value, "NULL") == 0) return 1;
    return std::strcmp(value, "'NULL'") == 0 && (op == QRY_OP_EQ || op == QRY_OP_NE);
}

/* Appends a printf-formatted piece to text. */
static void qry_append(std::string *text, const char *format, ...) __attribute__((format(printf, 2, 3)));
static void qry_append(std::string *text, const char *format, ...)
{
    va_list ap, again;
    va_start(ap, format);
    va_copy(again, ap);
    int n = std::vsnprintf(nullptr, 0, format, ap);
    va_end(ap);
    if (n > 0) {
        std::string piece((size_t)n + 1, '\0');
        std::vsnprintf(piece.data(), piece.size(), format, again);
        piece.resize((size_t)n);
        *text += piece;
    }
    va_end(again);
}

/* Appends every condition of a list; see the header. */
int qry_build_condition(const qry_cond_rec *first, std::string *text)
{
    if (!first || !text) return QRY_ERR_ARG;
    for (const qry_cond_rec *c = first; c; c = c->next) {
        const char *conn = c->connector ? c->connector : qry_connector_table[QRY_CONN_NONE];
        const char *open = c->open_bracket ? c->open_bracket : qry_bracket_table[QRY_BRACKET_NONE];
        const char *close = c->close_bracket ? c->close_bracket : qry_bracket_table[QRY_BRACKET_NONE];
        const char *table = c->table ? c->table->name : "";
        const char *column = c->column ? c->column->name : "";
        const char *value = c->value && *c->value ? c->value : "NULL";
        int op = qry_cond_op(c);
        int null = qry_value_is_null(value, op);
        if (op == QRY_OP_NE && !null)
            qry_append(text, " %s %s NOT (%s.%s = %s) %s", conn, open, table, column, value, close);
        else if (op == QRY_OP_NE)
            qry_append(text, " %s %s NOT (%s.%s IS NULL) %s", conn, open, table, column, close);
        else if (op == QRY_OP_EQ && null)
            qry_append(text, " %s %s%s.%s IS NULL%s", conn, open, table, column, close);
        else
            qry_append(text, " %s %s%s.%s %s %s%s", conn, open, table, column, c->op ? c->op : "", value, close);
    }
    return 0;
}

/* 1 when the output column is the table's key of that slot. */
static int qry_is_key(const tbl_rec *t, const sql_col_rec *column, int slot)
{
    return t->keys[slot] && t->keys[slot] == column;
}

/* Appends the ORDER BY clause; see the header. */
int qry_build_order_by(const pjct_rec *project, const qry_out_rec *outputs, std::string *text)
{
    if (!project || !text) return QRY_ERR_ARG;
    int level = -1, chosen = 0, segment = 0, pos = 0;
    for (const qry_out_rec *o = outputs; o; o = o->next) {
        pos++;
        const tbl_rec *t = qry_column_table(project, o->column);
        if (!t) continue;
        int type = t->table_type;
        int open = level < type || level == TBL_DEF_REFERENCE;
        int slot = -1;
        if (type >= TBL_DEF_ANALYSIS && type <= TBL_DEF_STATION) {
            if (qry_is_key(t, o->column, TBL_KEY_SEGMENT)) segment = pos;
            if (open) slot = TBL_KEY_STATION;
        } else if (type == TBL_DEF_OUTCROP || type == TBL_DEF_TRAVERSE || type == TBL_DEF_BOUNDARY) {
            if (open) slot = type == TBL_DEF_OUTCROP ? TBL_KEY_OUTCROP
                             : type == TBL_DEF_TRAVERSE ? TBL_KEY_TRAVERSE : TBL_KEY_BOUNDARY;
        } else if (type == TBL_DEF_UNIT) {
            if (level < TBL_DEF_UNIT || level == TBL_DEF_LEGEND) slot = TBL_KEY_UNIT;
        } else if (type == TBL_DEF_LEGEND) {
            if (level < TBL_DEF_LEGEND && level != TBL_DEF_UNIT) slot = TBL_KEY_LEGEND;
        } else if (type == TBL_DEF_REFERENCE) {
            if (!chosen) slot = TBL_KEY_REFERENCE;
        } else if (type == TBL_DEF_OTHER) {
            if (level < TBL_DEF_OTHER) slot = TBL_KEY_BASENUMBER;
        }
        if (slot >= 0 && qry_is_key(t, o->column, slot)) {
            chosen = pos;
            level = type;
        }
    }
    if (!chosen) return 0;
    qry_append(text, " ORDER BY %i ", chosen);
    if (segment && level <= TBL_DEF_STATION) qry_append(text, ",%i", segment);
    return 0;
}

/* 1 when the text no longer fits the statement buffer (or is empty),
** after the alert. */
static int qry_too_long(const std::string &text)
{
    if (!text.empty() && text.size() < QRY_SQL_TEXT_SIZE) return 0;
    msg_alert(ERR_TITLE, QRY_TOO_LONG, text.c_str());
    return 1;
}

/* 1 when the output list asks for DISTINCT: more than one run of tables
** and a table of a type above TRAVERSE among them, or a join on a table of
** a type above STATION. */
static int qry_wants_distinct(const qry_rec *q)
{
    int runs = 0, high = 0;
    const qry_out_rec *last = nullptr;
    for (const qry_out_rec *o = q->outputs; o; last = o, o = o->next) {
        if (!last || !o->column || !last->column || !str_eq_nocase(o->column->table, last->column->table)) runs++;
        const tbl_rec *t = qry_column_table(q->project, o->column);
        if (t && t->table_type > QRY_DISTINCT_OUT_TYPE) high = 1;
    }
    if (runs > 1 && high) return 1;
    for (const qry_cond_rec *j = q->joins; j; j = j->next)
        if (j->table && j->table->table_type > QRY_DISTINCT_JOIN_TYPE) return 1;
    return 0;
}

/* The number of conditions of a list. */
static int qry_cond_count(const qry_cond_rec *c)
{
    int n = 0;
    for (; c; c = c->next) n++;
    return n;
}

/* Builds the SELECT text; see the header. */
char *qry_build_select(qry_rec *query)
{
    if (!query || !query->project) return nullptr;
    if (!query->conds && !query->filters && !query->joins && !query->outputs) return nullptr;
    std::string text;
    try {
        text = "SELECT ";
        if (qry_wants_distinct(query)) text += "DISTINCT ";
        const qry_out_rec *last = nullptr;
        for (const qry_out_rec *o = query->outputs; o; last = o, o = o->next)
            qry_append(&text, "%s%s.%s", last ? ", " : "", o->column->table, o->column->name);
        /* Each table is named once after FROM: a table met again after
        ** another one would be a second, uncorrelated copy of it. */
        text += " FROM ";
        std::vector<const char *> named;
        for (const qry_out_rec *o = query->outputs; o; o = o->next) {
            int seen = 0;
            for (const char *t : named) seen |= str_eq_nocase(t, o->column->table);
            if (seen) continue;
            qry_append(&text, "%s%s", named.empty() ? "" : ",", o->column->table);
            named.push_back(o->column->table);
        }
        if (qry_too_long(text)) return nullptr;
        if (query->conds || query->joins) {
            text += " WHERE ";
            int n = qry_cond_count(query->conds);
            /* A group of several SQL conditions is bracketed before the
            ** joins are added, whatever its first operator, so that an OR
            ** inside it cannot reach past them. */
            int group = n > 1 && query->joins;
            if (n == 1) {
                query->conds->open_bracket = qry_bracket_table[QRY_BRACKET_NONE];
                query->conds->close_bracket = qry_bracket_table[QRY_BRACKET_NONE];
            }
            if (group) text += "(";
            if (query->conds) qry_build_condition(query->conds, &text);
            if (group) text += ")";
            if (qry_too_long(text)) return nullptr;
            if (query->joins) qry_build_condition(query->joins, &text);
            if (qry_too_long(text)) return nullptr;
        }
        qry_build_order_by(query->project, query->outputs, &text);
        if (qry_too_long(text)) return nullptr;
    } catch (const std::bad_alloc &) {
        err_report(ERR_NO_MEMORY, "");
        return nullptr;
    }
    char *out = strdup(text.c_str());
    if (!out) err_report(ERR_NO_MEMORY, "");
    return out;
}

/* Copies table names, rules and shown flags pairwise onto the columns. */
void qry_label_result_columns(const qry_out_rec *outputs, sql_col_rec *columns)
{
    for (; outputs && columns; outputs = outputs->next, columns = columns->next) {
        if (!outputs->column) continue;
        std::snprintf(columns->table, sizeof columns->table, "%s", outputs->column->table);
        /* A placeholder rule belongs to the column that holds it: the result
        ** column would free it with the row. */
        const col_attr_rec *rule = outputs->column->attr;
        if (rule && !(rule->flags & COL_ATTR_PLACEHOLDER) && !columns->attr) columns->attr = outputs->column->attr;
        columns->shown = (uint16_t)((columns->shown & ~1u) | (outputs->flags & QRY_OUT_SHOWN));
    }
}

/* Ends the progress box. */
static void qry_box_accept_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, 1);
}

/* Runs the query into the browser; see the header. */
int qry_execute(qry_rec *query)
{
    if (!query || !query->project) return QRY_ERR_ARG;
    /* IS and HAS test the rows against their columns' item trees. */
    for (qry_cond_rec *c = query->filters; c; c = c->next) {
        int op = qry_cond_op(c);
        if (op == QRY_OP_IS || op == QRY_OP_HAS) qry_column_tree(c->column);
    }
    char *text = qry_build_select(query);
    if (!text) return -1;
    ads_hdlg box = nullptr;
    if (ads_new_dialog(QRY_BOX_DIALOG, g_dcl_id, nullptr, &box) != QRY_OK || !box) {
        std::free(text);
        msg_alert(ERR_TITLE, QRY_LOAD_DIALOG, QRY_BOX_DIALOG);
        return QRY_CANCEL;
    }
    static const dlg_tile k_tiles[] = {{"accept", qry_box_accept_cb}};
    dlg_register(box, k_tiles, 1, nullptr);
    ads_set_tile(box, "title", QRY_BOX_TITLE);
    ads_set_tile(box, "error", QRY_BOX_RUNNING);
    ads_mode_tile(box, "accept", MODE_DISABLE);
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    /* The browser reads the first page itself. */
    int n = sql_query_counted(query->project->connection, text, &stmt, &cursor, &row, 1);
    std::free(text);
    /* Reporting, the access layer answers a query that selected nothing
    ** with its own code (after its alert): no rows, not a failure. */
    if (n == ERR_NO_RECORDS) n = 0;
    ads_mode_tile(box, "accept", MODE_ENABLE);
    char line[QRY_BOX_LINE_SIZE];
    if (n == 0)
        std::snprintf(line, sizeof line, QRY_BOX_NONE);
    else if (n < 0)
        std::snprintf(line, sizeof line, QRY_BOX_FAILED);
    else
        std::snprintf(line, sizeof line, QRY_BOX_FOUND, (long)n);
    ads_set_tile(box, "error", line);
    int status = 0;
    ads_start_dialog(box, &status);
    if (n > 0) {
        qry_label_result_columns(query->outputs, row);
        pv_table_dialog(stmt, cursor, row, query);
    }
    if (n >= 0) sql_close_query(&stmt, &cursor, &row);
    return 0;
}
