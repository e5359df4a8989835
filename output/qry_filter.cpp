/*
** qry_filter.cpp: the post-filter of stored queries. Queries carry no
** post-filter conditions yet, so every row passes.
*/
#include "output/qry_filter.h"

/* Answers whether the row passes the query's post-filter; see the header. */
int qry_filter_row(qry_rec *, sql_col_rec *)
{
    return 1;
}
