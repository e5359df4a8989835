/*
** qry_sql.h: a stored query turned into one SELECT statement, and running
** it into the table browser.
**
** The text names the output columns, their tables once per run, the SQL
** conditions (bracketed as a group when joins follow), the join
** conditions and an ORDER BY on the best key column of the output.
**
**     char *text = qry_build_select(q);   // "SELECT SAMPLE.BASENUMBER, ..."
**     free(text);
**     qry_execute(q);                     // "Querying... 3 records found..."
*/
#ifndef PV_OUTPUT_QRY_SQL_H
#define PV_OUTPUT_QRY_SQL_H

#include <string>

#include "core/qry.h"

/* Size of the statement buffer: the text and its terminator fit in it. */
#define QRY_SQL_TEXT_SIZE 4096

/* The SELECT text of a query in a new heap buffer that the caller frees;
** null when the query has no project or nothing to select, after "SQL
** statement too long:\n\n%s" for a text that does not fit, or after -9101
** was reported without memory. */
char *qry_build_select(qry_rec *query);
/* Appends every condition of the list from first on to text, each in its
** form ("=" NULL as IS NULL, "NOT =" as NOT (...)). 0; -2 for a missing
** argument. */
int qry_build_condition(const qry_cond_rec *first, std::string *text);
/* Appends the ORDER BY clause of the output list (" ORDER BY %i ", then
** ",%i" for a SEGMENT key), or nothing. 0; -2 for a missing argument. */
int qry_build_order_by(const pjct_rec *project, const qry_out_rec *outputs, std::string *text);
/* Copies the output records' table names, input rules and shown flags
** onto the fetched columns, pairwise in order (a column that has a rule
** keeps it; a placeholder rule stays with the column that owns it). */
void qry_label_result_columns(const qry_out_rec *outputs, sql_col_rec *columns);
/* Runs the query: "Querying..." in the box pv_msg_box, the SELECT through
** the project's session, the count of rows found, then the table browser
** on them. 0; -1 when no text could be built; -2 without a query or
** project; -5001 when the box cannot be created. */
int qry_execute(qry_rec *query);

#endif
