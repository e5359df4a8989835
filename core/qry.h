/*
** qry.h: the records of a stored query and the helpers every part of the
** query road shares.
**
** A query (qry_rec) hangs from its project's list, kept sorted by name. It
** holds four lists: the SQL conditions written into the WHERE clause, the
** post-filter conditions tested on each fetched row, the join conditions
** that relate the output tables, and the output columns. A condition row
** (qry_cond_rec) points into the static keyword tables below for its
** connector, operator and brackets, and to a registered table and one of
** its column records; it owns its value text and its points.
**
**     qry_rec *q = qry_find(project->queries, "AUQ", &at);
**     for (qry_cond_rec *c = q ? q->conds : NULL; c; c = c->next)
**         if (qry_cond_op(c) == QRY_OP_LIKE) ...
**
** The setup store keeps the queries in PVQUERY, PVQOUT and PVQPOINT
** (core/setup_tables.h); the condition dialog, the SELECT text, the join
** lists and the post-filter live beside this file in output/.
*/
#ifndef PV_CORE_QRY_H
#define PV_CORE_QRY_H

#include <cstdint>

#include "coords/geo_point.h"
#include "core/pjct.h"
#include "core/tbl.h"
#include "core/tbl_column.h"

/* Size of a query name: 32 characters and the terminator. */
#define QRY_NAME_SIZE 33

/* Entries of the operator table, and how many of them the dialog offers
** and a lookup by text searches (indexes 0 .. 13). */
#define QRY_OPERATOR_COUNT   18
#define QRY_OPERATOR_OFFERED 14
/* Entries of the bracket and connector tables. */
#define QRY_BRACKET_COUNT   3
#define QRY_CONNECTOR_COUNT 3

/* Indexes of qry_operator_table. */
enum qry_op {
    QRY_OP_BLANK = 0,    /* " ": no operator yet */
    QRY_OP_LT,           /* "<" */
    QRY_OP_GT,           /* ">" */
    QRY_OP_LE,           /* "<=" */
    QRY_OP_GE,           /* ">=" */
    QRY_OP_EQ,           /* "=" */
    QRY_OP_NE,           /* "NOT =" */
    QRY_OP_LIKE,         /* "LIKE" */
    QRY_OP_NOT_LIKE,     /* "NOT LIKE" */
    QRY_OP_IS,           /* "IS": the row's item is the value's or below it */
    QRY_OP_HAS,          /* "HAS": the value's item is the row's or below it */
    QRY_OP_INSIDE,       /* "INSIDE" an area */
    QRY_OP_OUTSIDE,      /* "OUTSIDE" an area */
    QRY_OP_NEAR,         /* "NEAR" a line, within the value's distance */
    QRY_OP_BLANK_2,      /* " ": separates the keywords nothing offers */
    QRY_OP_OLDER,        /* "OLDER": never offered nor found by text */
    QRY_OP_YOUNGER,      /* "YOUNGER": never offered nor found by text */
    QRY_OP_DURING        /* "DURING": never offered nor found by text */
};
/* Operators from this index on are tested after the fetch (post-filter);
** QRY_OP_LT .. QRY_OP_NOT_LIKE are written into the SQL text. */
#define QRY_OP_FIRST_FILTER QRY_OP_IS

/* Indexes of the bracket table. */
enum qry_bracket { QRY_BRACKET_NONE = 0, QRY_BRACKET_OPEN, QRY_BRACKET_CLOSE };
/* Indexes of the connector table; QRY_CONN_NONE is three blanks. */
enum qry_connector { QRY_CONN_NONE = 0, QRY_CONN_AND, QRY_CONN_OR };

/* The keyword tables; a condition points at their entries. */
extern const char *const qry_operator_table[QRY_OPERATOR_COUNT];
extern const char *const qry_bracket_table[QRY_BRACKET_COUNT];
extern const char *const qry_connector_table[QRY_CONNECTOR_COUNT];

/* Bit of qry_out_rec.flags: the column is shown in the result (clear for
** the key columns the join lists added). */
#define QRY_OUT_SHOWN 0x1u

/* One condition row; doubly linked. */
struct qry_cond_rec {
    const char *connector;       /* entry of qry_connector_table */
    const char *op;              /* entry of qry_operator_table */
    char *value;                 /* value text; owned, or null */
    const char *open_bracket;    /* entry of qry_bracket_table */
    const char *close_bracket;   /* entry of qry_bracket_table */
    tbl_rec *table;              /* the column's registered table; not owned, or null */
    sql_col_rec *column;         /* a column of `table`; not owned, or null */
    geo_point *points;           /* area or line, in the column's coordinate system; owned */
    int32_t point_count;         /* number of `points` */
    geo_box box;                 /* bounding box of `points` (post-filter rows) */
    qry_cond_rec *next;          /* next row */
    qry_cond_rec *prev;          /* previous row */
};

/* One output column. */
struct qry_out_rec {
    sql_col_rec *column;   /* a registered table's column record; not owned */
    uint16_t flags;        /* QRY_OUT_SHOWN */
    qry_out_rec *next;     /* next output column */
};

/* One stored query. */
struct qry_rec {
    char name[QRY_NAME_SIZE];   /* name; empty for a query that is not kept */
    pjct_rec *project;          /* owning project; not owned */
    qry_cond_rec *conds;        /* SQL conditions; owned */
    qry_cond_rec *filters;      /* post-filter conditions; owned */
    qry_cond_rec *joins;        /* join conditions; owned */
    qry_out_rec *outputs;       /* output columns, grouped by table type; owned */
    qry_rec *next;              /* next query of the project's list */
};

/* ---- Records (qry_rec.cpp) ---- */

/* A new query: empty name, no project, no lists. */
void qry_rec_init(qry_rec *query);
/* A new condition: blank connector, operator and brackets, no table,
** column, value or points. */
void qry_cond_init(qry_cond_rec *cond);
/* A new output record: no column, flags 0. */
void qry_out_init(qry_out_rec *out);
/* Allocated and initialised records; null without memory. */
qry_rec *qry_new(void);
qry_cond_rec *qry_cond_new(void);
qry_out_rec *qry_out_new(void);
/* Frees one condition with its value and points (not its neighbours). */
void qry_cond_free(qry_cond_rec *cond);
/* Replaces a condition's value with a copy of text (null clears it).
** 0; -9101 without memory (the old value kept). */
int qry_cond_set_value(qry_cond_rec *cond, const char *text);

/* Free a condition list with its values and points, an output list, or a
** query list with all its lists; each clears the head (null heads are
** ignored). */
void qry_cond_list_free(qry_cond_rec **head);
void qry_out_list_free(qry_out_rec **head);
void qry_list_free(qry_rec **head);
/* Frees one query with its lists (not its successors). */
void qry_free(qry_rec *query);

/* The query of that name (without regard to case, blanks at both ends
** ignored) and its position in *index (-1 when absent); null when absent. */
qry_rec *qry_find(qry_rec *list, const char *name, int *index);
/* The n-th query of a list (0 the first); null when out of range. */
qry_rec *qry_nth(qry_rec *list, int n);
/* 1 when the query is a member of the list, else 0. */
int qry_list_contains(const qry_rec *list, const qry_rec *query);
/* Puts the query into the list before the first one whose name does not
** sort below its own (byte order). 0; -2 for a null argument. */
int qry_list_insert(qry_rec **head, qry_rec *query);
/* Takes the query out of the list; 1 when it was there, else 0. */
int qry_list_unlink(qry_rec **head, qry_rec *query);
/* The output record whose column has that name (without regard to case)
** and, when table is neither null nor blank, that table; null when absent. */
qry_out_rec *qry_out_find(qry_out_rec *list, const char *column, const char *table);

/* ---- Keywords ---- */

/* Index of a condition's operator in qry_operator_table; its text looked
** up among the offered ones when it is not an entry of the table; -1 when
** unknown or for a null condition. */
int qry_cond_op(const qry_cond_rec *cond);
/* Index of a condition's connector in qry_connector_table (0 for none). */
int qry_cond_connector(const qry_cond_rec *cond);
/* Index of an operator text among the offered operators (without regard
** to case, blanks at both ends ignored); -1 when not offered. */
int qry_op_index(const char *text);
/* Index of a connector text (blank texts are QRY_CONN_NONE); -1 when
** unknown. */
int qry_connector_index(const char *text);
/* 1 when the condition has a column, a table, a value and a non-blank
** operator. */
int qry_cond_complete(const qry_cond_rec *cond);
/* 1 when the operator index is a post-filter one (IS .. NEAR and the
** unoffered ones); 0 for SQL operators and the blank one. */
int qry_op_is_filter(int op);
/* 1 when the operator is a spatial one (INSIDE, OUTSIDE, NEAR). */
int qry_op_is_spatial(int op);

/* ---- Drawing an area or a line (qry_geometry*.cpp) ---- */

/* Lets the user draw or pick an area (area 1) or a line (area 0) for the
** condition in the drawing. The count of points stored in the condition
** on success; 0 when nothing was picked; a negative code after reporting
** it; -2 unless the condition's column is a point column. */
int qry_pick_geometry(int area, qry_cond_rec *cond);

#endif
