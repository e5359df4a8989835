/*
** link_cmd.h: linking entities to rows by hand and repairing links.
**
** pv-link lets the user pick one entity and link it to a table row in the
** dialog "pv_link"; link_attach_loop attaches further picked objects to a
** row that data entry just added or edited. pv-clean walks a selection
** and brings each entity's link back in line with its row after rows were
** renumbered or duplicated: the row is found by its id, else by its key
** value, and a duplicated row number is given the table's next number.
**
**     link_attach_loop(row);                       // after a row was added
**     clean_entity(ename, ss);                     // one entity of a selection
*/
#ifndef PV_MAP_LINK_CMD_H
#define PV_MAP_LINK_CMD_H

#include <string>

#include "draw/draw_util.h"
#include "draw/link.h"
#include "platform/include/ads_host.h"

struct link_rows_rec;
struct sql_col_rec;
struct tbl_rec;

/* Longest line of the link dialog's row lists, in characters. */
#define LINK_LIST_WIDTH 60
/* Modes of clean_row_matches: by row id, by key value. */
#define CLEAN_BY_ROW_ID 1
#define CLEAN_BY_KEY    8

/* ---- Linking by hand (link_dialog.cpp) ---- */

/* Writes a link on an entity that exists: puts it on the entity's list
** (read with its "PETRIVEX" data), creates the host link and modifies the
** entity. 0; -1 when any step fails (the entity left as it was, a host
** link failure reported by link_ase_create). */
int link_entity_write(struct resbuf *list, link_rec *link);

/* The pv_link command: picks an entity, runs the dialog "pv_link" and,
** when it ends with "link_mod", puts the link on the entity, modifies it,
** creates its host link and prints "... Entity linked". Always 5100. */
int pv_link(struct resbuf *args);
/* Attaches picked objects to a row (a list of column records) until the
** user picks nothing or answers no. 0; -1 when the row has no BASENUMBER
** column or no link can be made from it. */
int link_attach_loop(sql_col_rec *row);

/* ---- Repairing links (link_clean.cpp) ---- */

/* The pv_clean command: cleans every entity of a selection the user
** makes and shows how many were cleaned. Always 5100. */
int pv_clean(struct resbuf *args);
/* Walks a set as ss_walk does; before an entity whose link was not
** gathered yet, the links of the entities from there on (about
** link_rows_per_request of them) are gathered and their rows fetched into
** rows, for the handler to find. The number handled. */
long ss_walk_rows(ads_name ss, const char *progress, ss_walk_fn handle, link_rows_rec *rows);
/* Cleans one entity of a selection set and removes it (and the entities
** renumbered with it) from the set; within pv-clean its row is answered
** from the rows fetched ahead. 0 when handled; -1 when its link cannot be
** read or its row's entities cannot be selected; -2 for bad arguments. */
int clean_entity(const ads_name ename, ads_name ss);
/* Closes a query still held, then queries the link's table for the rows
** whose BASENUMBER is the link's row id and stops at the first row that
** matches by row id. 0 with the query open and the row current (the
** number of rows found in *count when count is given); -9805 (query
** closed) when no row matches; the link's validation code; the SQL
** layer's code when the query fails; -2 for missing arguments. */
int clean_fetch_by_row_id(const struct resbuf *list, const link_rec *link, void **cursor, void **stmt,
                          sql_col_rec **row, long *count);
/* The same on the table's own key column and the link's key value (a
** character column gets the value quoted, another column a number or no
** row), stopping at the first row that matches by key. -1 when the table
** has no own key column; other answers as clean_fetch_by_row_id. */
int clean_fetch_by_key(const struct resbuf *list, const link_rec *link, void **cursor, void **stmt,
                       sql_col_rec **row, long *count);
/* Raises the table's last used row number to the largest BASENUMBER the
** table holds (it is never lowered) and answers it; the failure's code
** (the number left as it was) when the table cannot be read. */
long tbl_last_row_number(tbl_rec *table, void *connection);
/* A key value as it enters a statement: trimmed and quoted for a
** character column, as it stands when it is a number. 0; -1 for a value
** that is not a number in another column; -2 for missing arguments. */
int link_key_literal(const sql_col_rec *column, const char *value, std::string &out);
/* The column record of the table's own key column in a column list; null
** when absent. */
sql_col_rec *tbl_key_column(const tbl_rec *table, sql_col_rec *columns);
/* Whether a fetched row is the one the entity's link means, among `count`
** rows found by row id (mode 1) or by key value (mode 8). 0 when it
** matches; -2 for a bad mode, an incomplete link, no row or no rows;
** -9803, -9804 for an unknown project or table, -9804 for a row of
** another table; -9806 when the row lacks the key column, BASENUMBER or
** the own key column, or the entity lacks the shown value mode 8 needs;
** -9807 when BASENUMBER is not the row id; -9808 when the key value or
** the shown value differs. */
int clean_row_matches(const struct resbuf *list, const link_rec *link, sql_col_rec *row, int mode, long count);
/* Gives an entity of a duplicated row number the table's last used row
** number: its link (extended data and host link), the row (once per
** group: *row_done is set after the row was renumbered) and the entity.
** 0, also when `count` is 1 and nothing is to be done; -1 on any failure
** (the entity left as it was). */
int clean_renumber(const ads_name ename, link_rec *link, sql_col_rec *row, long count, int *row_done);
/* Links the entity of the list to the row: the row id becomes the row's
** BASENUMBER, the link is put on the list, the host link made and the
** entity modified. 0; -1 on failure. */
int clean_relink(struct resbuf *list, link_rec *link, sql_col_rec *row);

#endif
