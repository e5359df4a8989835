/*
** row_cmd.h: adding rows with their symbols and deleting symbols with
** their rows.
**
** pv-delete lets the user select drawn objects; each object linked to a
** row takes the row with it: the row is deleted from its table with its
** memo lines and every other object linked to the same row is erased.
**
**     long rows = 0, erased = 0;
**     delete_linked_row(ename, &link, ss, &rows, &erased);   // one object
*/
#ifndef PV_MAP_ROW_CMD_H
#define PV_MAP_ROW_CMD_H

#include "map/link.h"
#include "platform/include/ads_host.h"

/* Code of a link whose project, table, key column or BASENUMBER column
** is not loaded: the object is left alone. */
#define ROW_DELETE_NOT_LOADED (-9801)

/* ---- Deleting (row_delete.cpp) ---- */

/* The pv_delete command: without a map projection it says so and does
** nothing; else it lets the user select objects, asks once whether to go
** on and deletes each linked object's row with all of the row's objects,
** showing how many entities and rows went. 5100; -1 when no selection
** was made. */
int pv_delete(struct resbuf *args);
/* Deletes the row an object is linked to (with its memo lines), erases
** every other object linked to that row and then the object itself,
** removing each erased object from the set and counting erased objects
** in *entities and the deleted row in *rows. 0 when the object itself
** was erased; -1 when not; -9801 when the link's project, table, key
** column or the table's BASENUMBER column is not loaded (nothing erased);
** -2 when the object, the link, the set or a counter is missing. */
int delete_linked_row(const ads_name ename, const link_rec *link, ads_name ss, long *rows, long *entities);

#endif
