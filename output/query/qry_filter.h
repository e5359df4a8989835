/*
** qry_filter.h: the post-filter of a stored query, as the table browser
** and the plot loop ask it for each fetched row: the conditions SQL
** cannot express (IS and HAS in a dictionary's item tree, INSIDE and
** OUTSIDE an area, NEAR a line) tested on the row's values.
**
**     if (qry_filter_row(query, row)) ... the row counts ...
*/
#ifndef PV_OUTPUT_QRY_FILTER_H
#define PV_OUTPUT_QRY_FILTER_H

#include "core/tbl_column.h"

struct qry_rec;
struct qry_cond_rec;

/* 1 when the row's current values pass every post-filter condition of the
** query (their connectors are all AND); every row passes without a query
** (null) or without such conditions. 0 when it fails; -2 without a row. */
int qry_filter_row(qry_rec *query, sql_col_rec *row);
/* 1 when the condition holds for the row, else 0. Operators other than
** IS, HAS, INSIDE, OUTSIDE and NEAR hold. */
int qry_eval_condition(const qry_cond_rec *cond, sql_col_rec *row);

#endif
