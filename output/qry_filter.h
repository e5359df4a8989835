/*
** qry_filter.h: the post-filter of a stored query, as the table browser
** and the plot loop ask it for each fetched row.
**
**     if (qry_filter_row(query, row)) ... the row counts ...
*/
#ifndef PV_OUTPUT_QRY_FILTER_H
#define PV_OUTPUT_QRY_FILTER_H

#include "data/tbl_column.h"

struct qry_rec;

/* 1 when the row's current values pass the query's post-filter conditions;
** every row passes without a query (null) or without such conditions. */
int qry_filter_row(qry_rec *query, sql_col_rec *row);

#endif
