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

#include <string>

#include "draw/link.h"
#include "draw/sym_place.h"
#include "platform/include/ads_host.h"
#include "platform/include/dcl_host.h"

struct pjct_rec;

/* Code of a link whose project, table, key column or BASENUMBER column
** is not loaded: the object is left alone. */
#define ROW_DELETE_NOT_LOADED (-9801)

/* ---- Deleting (row_delete.cpp) ---- */

/* The pv_delete command: without a map projection it says so and does
** nothing; else it lets the user select objects, asks once whether to go
** on and deletes each linked object's row with all of the row's objects,
** showing how many entities and rows went. A row is deleted only while
** it holds what it held when the question was asked: a row another user
** changed while it was pending stays with its objects, named. 5100; -1
** when no selection was made. */
int pv_delete(struct resbuf *args);
/* Deletes the row an object is linked to (with its memo lines), erases
** every other object linked to that row and then the object itself,
** removing each erased object from the set and counting erased objects
** in *entities and the deleted row in *rows. 0 when the object itself
** was erased; -1 when not; -9801 when the link's project, table, key
** column or the table's BASENUMBER column is not loaded (nothing erased);
** the failure's code when the row cannot be read, its driver ended or its
** table damaged, or when it cannot be deleted (nothing erased), or when
** its memo lines cannot be deleted after it (the row's objects erased and
** the row counted), with *why (when given) naming the row, the table and
** what failed; -2 when the object, the link, the set or a counter is
** missing. With shown (the row's texts when the user chose to delete
** it), a row that no longer holds them stays with its objects: -9810, with
** *why naming it. */
int delete_linked_row(const ads_name ename, const link_rec *link, ads_name ss, long *rows, long *entities,
                      std::string *why = nullptr, const std::vector<std::string> *shown = nullptr);

/* ---- Adding (row_add.cpp, row_carry.cpp) ---- */



/* The pv_add command: saves, clears and restores the row-entry state and
** shows "pv_add_tbl" again after every accepted row and every image until
** the user cancels. 5100; -9101 when the state cannot be saved. */
int pv_add(struct resbuf *args);
/* Shows "pv_add_tbl" once on the row-entry state (falling back to the
** newest project and its first table) and, after "image", the image.
** The dialog's result: 0 cancel, 1 accept, 5 image; -5001 when the dialog
** cannot be loaded. */
int pv_add_tbl_dialog(void);
/* Callbacks of "pv_add_tbl" beside the row-entry tiles'. */
void pv_add_tbl_project_cb(ads_callback_packet *cpkt);
void pv_add_tbl_tables_cb(ads_callback_packet *cpkt);
void pv_add_tbl_cancel_cb(ads_callback_packet *cpkt);
void pv_add_tbl_plot_cb(ads_callback_packet *cpkt);
void pv_add_tbl_image_cb(ads_callback_packet *cpkt);
/* Adds an entry row: draws it (when the map's plot switch is on), reads
** its points and angles back, asks for missing points, inserts it and
** carries its keys, then lets the user attach objects (attach switch on).
** A row not drawn or not inserted leaves no entity and no memo line, its
** texts taken back from its values. 0 (also when the row was refused);
** -2 for a null row; -9101 without memory; the negative result of
** building the placements. */
int row_add(sql_col_rec *row);
/* After a row was added: the table's last number becomes its BASENUMBER,
** its key values by its table type go into the other tables' entry rows
** and the key columns below its level are emptied in every entry row. 0;
** -2 for a null row; -1 when its project or table is not found. */
int row_carry_keys(sql_col_rec *row);

/* ---- Editing and moving (row_edit_cmd.cpp, row_move.cpp) ---- */

/* Move scopes the dialog "pv_ssget" answers (a link comparison level). */
#define MOVE_SCOPE_STATION 8
#define MOVE_SCOPE_TABLE   4
#define MOVE_SCOPE_ROW     1
#define MOVE_SCOPE_GROUP   2
#define MOVE_SCOPE_NONE    (-1)

/* The pv_edit command: the user picks a linked symbol, its row is shown
** in the row editor and updated, and the row's drawing follows the new
** values. 0 when done or cancelled in the editor; the pick's code (below
** -9801 also reported); -9805 when the row is gone; -9205 when the
** redraw or the update fails; -9101 without memory. */
int pv_edit(struct resbuf *args);
/* Moves a placement's entity to the row's point of the column's point
** setup (the project's setup whose symbol column it is, else the column's
** own), converted into the map's system and the entity's own system; a
** failed conversion appends its line to the messages. 0; -1 when there is
** no setup or the point is 0; -2 for null arguments or no entity. */
int place_point_from_row(pjct_rec *project, sql_col_rec *row, sym_place_rec *placement, char *messages);
/* 0 when the link's table has a column of a point setup; -1 otherwise
** (also when the project or table is not loaded); -2 for a null link. */
int link_has_point_column(const link_rec *link);

/* "STATN row 2": a linked row as a message names it. */
std::string row_link_name(const link_rec &link);
/* The pv_move command: the symbols of a row, group, table or station are
** dragged to a new place and the rows' coordinates follow. Every row is
** read back before any is updated; on any message nothing stays updated
** and the symbols go back. 5100; -9101 without memory. */
int pv_move(struct resbuf *args);
/* Undoes at logon a move of the project's rows that was cut short: the
** mark it left in the project's folder gives each row that still holds
** what the move wrote its former texts back, and the mark goes; said
** once, with the rows changed since, which keep their values. A mark cut
** short or naming no registered table, column or row of the project is
** left in place and named, and no row is written. 0; -1 when a mark is
** not used, a row was changed since or a row cannot be written (the mark
** stays). */
struct pjct_rec;
int move_recover(pjct_rec *project);
/* The scope dialog "pv_ssget": 8, 4, 1, 2; -1 cancelled or none chosen;
** -5001 when the dialog cannot be loaded (reported as -9501). */
int pv_ssget_dialog(void);
void pv_ssget_accept_cb(ads_callback_packet *cpkt);
void pv_ssget_cancel_cb(ads_callback_packet *cpkt);
/* The drag's transform: the identity with the translation from the base
** point of the current move to the point. 5100. */
int move_drag_xform(ads_point point, ads_matrix matrix);
/* Sets the identity. */
void xform_identity(ads_matrix matrix);
/* Sets the base point the drag transform measures from. */
void move_set_base(const ads_point base);

#endif
