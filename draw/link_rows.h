/*
** link_rows.h: the rows of a batch of linked entities, fetched one
** statement per table instead of one look-up per entity. A command that
** walks many entities gathers the links of the next thousand, fetches
** their rows, and then asks for each entity's row in its own order; the
** answer is the row the entity's own look-up (link_row_fetch) would have
** given, and a link whose table was not fetched is looked up on its own.
**
**     link_rows_rec *rows = link_rows_new();
**     link_rows_fetch(rows, links, n);
**     for (...) if (link_rows_find(rows, &links[i], &row) == 0) ... row's texts ...;
**     link_rows_free(&rows);
*/
#ifndef PV_DRAW_LINK_ROWS_H
#define PV_DRAW_LINK_ROWS_H

#include <functional>

#include "draw/link.h"

struct sql_col_rec;

/* Ids put into one statement. */
#define LINK_ROWS_PER_REQUEST 1000

/* The test a caller puts to the rows of a link's BASENUMBER, each with the
** number of rows holding it: the first for which it holds is the answer. */
using link_rows_fits = std::function<bool(sql_col_rec *row, long count)>;

/* Rows of a batch of linked entities, fetched one statement per table. */
struct link_rows_rec;

/* A new empty batch; null when memory is short. */
link_rows_rec *link_rows_new(void);
/* Frees the batch with its rows and any look-up still open; the slot is
** cleared. */
void link_rows_free(link_rows_rec **rows);

/* Forgets what was fetched before and fetches the rows of these links: for
** each project and table among them, SELECT * FROM <table> WHERE <its
** BASENUMBER column> IN (<the links' ids, once each>), a thousand ids per
** statement at most. Links that do not validate (link_validate) are
** skipped; they are answered on their own later. 0, or a negative code of
** the SQL access layer when a statement failed (the rows of that table are
** then looked up one by one, as before). */
int link_rows_fetch(link_rows_rec *rows, const link_rec *links, int n);

/* The row a look-up of the link's own (sql_select_where on BASENUMBER = id,
** rows tried in the order that look-up gives) would have answered: the
** first row with the link's BASENUMBER for which fits(row, count) holds
** (fits empty: link_check_row(link, row) == 0). 0 with *row (a row list
** owned by rows, its texts and values as a fetch leaves them, valid until
** the next call on rows) and *count (when given) the number of rows
** holding that BASENUMBER; LINK_ERR_ROW when none fits; link_validate's
** code for a link that does not validate; a negative SQL code when a read
** failed (never taken for a row that is not there). A link whose
** table was not fetched (or forgotten), or whose BASENUMBER no fetched link
** held, is looked up on its own, exactly as before. */
int link_rows_find(link_rows_rec *rows, const link_rec *link, sql_col_rec **row, long *count = nullptr,
                   const link_rows_fits &fits = {});

/* Forgets the fetched rows of one table: a command that writes to a table
** during its walk calls it after each write, so no later entity is answered
** from rows the write made stale. */
void link_rows_forget(link_rows_rec *rows, const char *project, const char *table);

/* The ids one statement takes: LINK_ROWS_PER_REQUEST unless a test set
** another number. A caller gathers about this many links a batch; 1 means
** no batch is fetched. */
int link_rows_per_request(void);

/* Sets the ids one statement takes, from 1 (every link looked up on its
** own) to LINK_ROWS_PER_REQUEST; 0 or less gives back the default. For
** the tests and benchmarks that hold a batched walk against a single one. */
void link_rows_set_per_request(int n);

/* The look-up of one link's own: "SELECT * FROM table WHERE BASENUMBER =
** id", moving on until fits(row, count) holds (fits empty: link_check_row).
** 0 with the query open for the caller and *count (when given) the rows
** holding the id; LINK_ERR_ROW (closed) when no row fits; the validation's
** code; the SQL layer's code when the query or a later fetch fails; -2 for
** missing slots. */
int link_row_fetch_fits(const link_rec *link, void **cursor, void **stmt, sql_col_rec **row, long *count,
                        const link_rows_fits &fits);

/* Moves an open query to its next row: 1 on a row (its texts in row), 0
** past the last, or the SQL layer's code of a read that failed (a damaged
** table, an ended driver, a lost connection), which is never the end. */
int link_fetch_next(void *cursor, sql_col_rec *row);

/* 1 when a look-up's code (link_rows_find, link_row_fetch) is a read that
** failed: a damaged table, an ended driver, a lost connection; 0 for a row
** that is not there, a link that does not validate, success. */
int link_read_failed(int code);
/* Says once what a failed read of a link's row was: the driver's own words
** when it has ended, else "Table STATN of project GEO cannot be read: ..."
** under the error title. Answers code. */
int link_read_report(const link_rec *link, int code);
/* The same for a table read whole: the driver's own words when it has
** ended, else "Table ARCS of project GEO cannot be read: ..." under the
** error title. Answers code. */
int link_table_read_report(const char *project, const char *table, int code);

#endif /* PV_DRAW_LINK_ROWS_H */
