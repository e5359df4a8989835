/*
** qry_join.h: a query's output list completed with the key columns that
** relate its tables, and the join conditions between adjacent tables.
**
** The user picks output columns; the list is grouped by table type, each
** table's link key and unique number are added unshown, a table holding
** the keys of two tables that share none is put between them, and the
** join list equates the keys that adjacent tables share.
**
**     qry_output_list_build(project, picked, n, 1, &q->outputs);
**     qry_build_join_list(q);     // q->joins: SAMPLE.STATION = STATION.STATION
*/
#ifndef PV_CORE_QRY_JOIN_H
#define PV_CORE_QRY_JOIN_H

#include "core/qry.h"

/* Longest "%s.%s" value of a join row (table and column name of B). */
#define QRY_JOIN_VALUE_MAX 42

/* The key slot (TBL_KEY_*) through which a table of the type links to
** others: STATION for types 3 to 9, then OUTCROP, TRAVERSE, BOUNDARY, UNIT,
** LEGEND, REFERENCE and DICTION for 10 to 16; -1 for other types. */
int qry_link_key_slot(int table_type);
/* The registered table of a column record (by its table name); null when
** not registered. */
tbl_rec *qry_column_table(const pjct_rec *project, const sql_col_rec *column);

/* Builds an output list from indexes of the project's columns (counted as
** for pjct_nth_column), each shown, grouped by table type; with keys set,
** completed with unshown key columns. The new list goes to *out (the old
** one is not freed). 0; -2 for a missing argument or an index that names
** no column; -9101 without memory (nothing built). */
int qry_output_list_build(pjct_rec *project, const int *indexes, int n, int with_keys, qry_out_rec **out);
/* The first registered table of the project whose link key columns for
** both table types (3 to 15) are set; null for other types or none. */
tbl_rec *qry_find_link_table(const pjct_rec *project, int type_a, int type_b);
/* Rebuilds the query's join list from its output list. 0; -1 when a pair
** of adjacent tables shares no key (no join list then) or for a query
** without project; -9101 without memory (no join list). */
int qry_build_join_list(qry_rec *query);
/* Appends one join row "A.key = B.column" to the query's join list. 0; -1
** when A's table is not registered; -2 for a missing argument; -9101
** without memory. */
int qry_join_append(sql_col_rec *key_a, sql_col_rec *column_b, qry_rec *query);

#endif
