/*
** qry_edit.h: the rules the condition dialog applies to a query's
** condition rows: the check of one row and of its value, the order that
** puts the SQL rows before the post-filter rows, the brackets, and the
** quoting of the SQL values.
**
**     if (qry_condition_error(row, qry_cond_prev_complete(row), &msg) == 0) ...
**     qry_cond_reorder(&head);
**     qry_cond_bracket(head);     // (A AND B) OR (C AND D)
*/
#ifndef PV_OUTPUT_QRY_EDIT_H
#define PV_OUTPUT_QRY_EDIT_H

#include <string>

#include "core/qry.h"
#include "platform/include/dcl_host.h"

struct item_node;

/* The item tree of the column's input rule, loaded on first need and kept
** in the rule as the row editor keeps it (see row_rule_tree). Null when the
** rule has none or the load failed (reported). */
item_node *qry_column_tree(const sql_col_rec *column);
/* The checks of a value against its condition's column: 0 when the value
** fits; -9302 for a non-numeric value of a number column (a sign and one
** point allowed, at least one digit needed); -9304 for a value that is no
** item of the column's tree (each piece of a many-select value); -9301 for
** a value longer than the column; -2 without a column. */
int qry_check_value(const qry_cond_rec *cond);
/* 1 when the row's value counts as NULL: "NULL", or "'NULL'" under "=" or
** "NOT =". */
int qry_cond_is_null(const qry_cond_rec *cond);
/* 1 when the row's column is a point column: its rule has the point flag
** and its point setup. */
int qry_cond_on_point(const qry_cond_rec *cond);
/* The first failure of a row, checked against the previous complete row
** (null for the first), as its "ERROR: " text in *msg. 0 when the row is
** valid; -1 with the text; -2 for a missing argument. */
int qry_condition_error(const qry_cond_rec *cond, const qry_cond_rec *prev, std::string *msg);
/* The same for the dialog: the text goes to its "error" tile. 0; -1 after
** showing the error; -2 for a missing argument. */
int qry_check_condition(ads_hdlg dialog, const qry_cond_rec *cond, const qry_cond_rec *prev);
/* The nearest complete row before the row; null when none. */
qry_cond_rec *qry_cond_prev_complete(const qry_cond_rec *cond);
/* Moves every SQL row behind the first post-filter row in front of it;
** the post-filter rows (and blank ones after them) are joined by AND, the
** first complete row has no connector. */
void qry_cond_reorder(qry_cond_rec **head);
/* Sets the brackets of the complete rows from their connectors: runs of
** rows joined alike become bracketed groups; LIKE rows stand alone. */
void qry_cond_bracket(qry_cond_rec *head);
/* Step of running a query: in every row of the SQL list an empty value
** becomes NULL and the value of a character column is put in single
** quotes with its inner quotes doubled. 0; -9101 without memory. */
int qry_quote_values(qry_cond_rec *sql);
/* The reverse for editing: the values of character columns lose their
** enclosing quotes and their doubled quotes become single again. 0;
** -9101 without memory. */
int qry_unquote_values(qry_cond_rec *sql);
/* Splits a list at its first post-filter row: that row and all after it
** go to *filters, the rows before stay in *sql. */
void qry_cond_split(qry_cond_rec *list, qry_cond_rec **sql, qry_cond_rec **filters);
/* Appends list b to the end of list a (either may be empty); answers the
** head. */
qry_cond_rec *qry_cond_concat(qry_cond_rec *a, qry_cond_rec *b);

#endif
