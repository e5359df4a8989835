/*
** row_edit.h: the row-entry tiles, the row editor and the checks of typed
** values against their columns' input rules.
**
** Every value typed for a row, while adding it or in the row editor, is
** checked against its column's rule (col_check_value): editable, required,
** numeric with its decimals and range, the long or short name of a profile
** item, several items joined by a delimiter. The tiles of "pv_add_tbl" and
** "pv_edit_col" list the row's columns ("edit_list"), edit the selected one
** ("edit_col") and open the memo editor, the image and, where they exist,
** the pickers and setups of a column. The row editor (pv_edit_col_dialog)
** walks the rows of a query and jumps to the related row of another table,
** up to four editors deep, each keeping its own row-entry state.
**
**     char out[ROW_VALUE_SIZE];
**     int rc = col_check_value(column, "12.5", out);   // -9310 in an INT column
**     if (rc < 0) row_show_check_error(dlg, column, rc, "12.5");
**
**     int rc = row_enter_new(conn, NULL, "STATN", 1);  // 5100: a row was inserted
*/
#ifndef PV_DATA_ROW_EDIT_H
#define PV_DATA_ROW_EDIT_H

#include <string>

#include "core/tbl.h"
#include "core/tbl_column.h"
#include "platform/include/dcl_host.h"

struct item_node;

/* Room of a checked value and of a message line: a tile's longest text and
** the terminator. */
#define ROW_VALUE_SIZE (TILE_STR_LIMIT + 1)
/* Widths of a line of "edit_list": the column name and its text. */
#define ROW_LINE_NAME_WIDTH 15
#define ROW_LINE_TEXT_WIDTH 27
/* Room of a line of "edit_list". */
#define ROW_LINE_SIZE 64
/* Room of a SHORTNAME answered by dix_edit_item, with the terminator. */
#define ROW_SHORTNAME_SIZE 33

/* Value-check codes of col_check_value. */
#define ROW_ERR_TOO_LONG     (-9301)  /* longer than the column */
#define ROW_ERR_NON_NUMERIC  (-9302)  /* not a number in a numeric column */
#define ROW_ERR_BLANK        (-9303)  /* blank where a value is required */
#define ROW_ERR_NOT_IN_PRF   (-9304)  /* no item of the profile */
#define ROW_ERR_NOT_EDITABLE (-9305)  /* the column may not be edited */
#define ROW_ERR_NOT_UNIQUE   (-9306)  /* the value is in the table already */
#define ROW_ERR_BELOW_MIN    (-9307)  /* below the rule's minimum */
#define ROW_ERR_ABOVE_MAX    (-9308)  /* above the rule's maximum */
#define ROW_ERR_DECIMALS     (-9309)  /* more decimals than the column has */
#define ROW_ERR_POINTS       (-9310)  /* a second point, or a point in a whole number */

/* ---- Values and their checks (row_check.cpp) ---- */

/* Checks a typed text against the column's input rule; the text to store
** (long names for short ones, joined names for several items) goes to out
** (ROW_VALUE_SIZE bytes); the column's own text is not changed. 0 when the
** value passes; a value-check code; -2 for null arguments. */
int col_check_value(sql_col_rec *column, const char *text, char *out);
/* The message line of a check code for a column and the text that failed
** (null: the column's own text), into out. 0; -2 for a null column or
** out, or a code not below 0. */
int row_check_message(const sql_col_rec *column, int code, const char *text, std::string &out);
/* Writes the message of a check code into the dialog's tile "error" (the
** text that failed, null for the column's own text). 0; -2 for a null
** dialog or column or a code not below 0. */
int row_show_check_error(ads_hdlg dialog, sql_col_rec *column, int code, const char *text);
/* The next value of an auto-increment text: its trailing digit run raised
** by one and kept at least as wide (ST099 -> ST100, 99 -> 100), or without
** digits its last character above blank raised by one code (A -> B). A
** blank text stays as it is. */
std::string row_step_text(const char *text);
/* The key both a row and a target table carry: the row's column and the
** target's column of the key slot their table types share. 0 when found;
** -1 when they share none; -2 for null arguments. */
int row_find_link_column(sql_col_rec *row, sql_col_rec **column, tbl_rec *target, sql_col_rec **target_column);

/* ---- The row-entry tiles (row_tiles.cpp) ---- */

/* Fills the row-entry tiles with a row and registers their callbacks: in
** add mode (unless keep is 1) the row takes its numbers, defaults and
** stepped values; map options allow "attach" and "plot". 0; -2 for a null
** dialog or row. */
int row_fill_edit_list(ads_hdlg dialog, sql_col_rec *row, int add, int options, int keep);
/* The loaded item tree of a rule naming a profile and a dictionary: the
** profile is loaded when no tree is, and kept in every rule of the project
** naming the same profile and dictionary. Null when the rule names no
** profile or the load failed (reported). */
item_node *row_rule_tree(col_attr_rec *r, pjct_rec *p);
/* Enables the picker tiles a column's rule allows, disables the others. */
void row_set_column_tiles(ads_hdlg dialog, sql_col_rec *column);
/* Puts the trimmed text into the column's text and replaces line index of
** "edit_list". 0; -2 for null arguments. */
int row_list_set_line(ads_hdlg dialog, sql_col_rec *column, const char *text, int index);
/* The line of "edit_list" showing a column. */
std::string row_list_line(const sql_col_rec *column);
/* Shows a column as the selected one: "edit_list", "edit_name",
** "edit_col" with its trimmed text, its picker tiles and the focus. */
void row_select_column(ads_hdlg dialog, sql_col_rec *column, int index);

/* The unique-number column (BASENUMBER) of a table registered in the
** connection's project, found in a row of it; its table rec to *out (when
** given). Null when the table has none or the row lacks it. */
sql_col_rec *row_number_column(void *connection, sql_col_rec *row, const char *table, tbl_rec **out);
/* Gives a new row of a table the next free number (the table's highest
** plus one, read anew). 0; -2 when the table has no unique-number column
** in the row; the look-up's code (the number kept). */
int row_take_free_number(void *connection, sql_col_rec *row, const char *table);
/* What a writer that keeps a mark of the rows it adds (pv-merge) is told
** by row_insert_new: note(context, number, 0, row) just before the row
** goes in under a number, so that the mark lists it first with what the
** row holds; note(context, number, 1, null) when that number proved
** another writer's and the row did not go in. A note answering non-zero
** stops the insert with that code. */
struct row_number_note {
    int (*note)(void *context, long number, int taken, const sql_col_rec *row);  /* the call */
    void *context;                                       /* its first argument; not owned */
};
/* Inserts a new row of a table: while its number is held by a row stored
** by another writer since it was taken, the row takes the next free one
** (row_take_free_number), so the table never holds a number twice. The
** look-up and the insert cannot interleave with another writer's: on
** dBASE files they are one statement under the table's write lock, on the
** server two under a lock every writer of new rows takes. The number the
** row went in under is left in its unique-number column; each number tried
** is told to the note when one is given. The memo lines held for the row
** (typed while it was added) are then stored under that number; when they
** cannot be, the row is deleted again. Meanwhile a mark of its own in the
** project's folder lists the row's number, so that the next logon removes
** the row and its lines when the writer is cut short between the two.
** 5100; -9306 after 1000 numbers taken by others; -5001 when the mark
** cannot be written; -9811 when another user held the server's
** lock on new rows for longer than the wait (row_set_lock_wait); the
** insert's, look-up's, note's or memo's code. */
int row_insert_new(void *connection, sql_col_rec *row, const char *table, const row_number_note *note = nullptr);
/* Opens a run of many new rows one writer adds to a table (pv-import),
** ending any run still open: until row_new_run_end, row_insert_new keeps
** the server's lock on new rows for 100 rows at a time instead of taking
** it for each, and its rows with memo lines share one mark, each row's
** number taken back once the row is in with its lines. */
void row_new_run_begin(void *connection, const char *table);
/* Sets how many seconds a writer of new rows waits at most for the
** server's lock on new rows that another user holds (30 when seconds is
** not above 0); row_insert_new then gives up with -9811. */
void row_set_lock_wait(int seconds);
/* Takes (lock 1) or gives back (0) the server's lock on new rows of a
** table, held by the connection until given back or closed: every writer
** of new rows takes it, so that no other one stores a number between a
** writer's look-up and its insert. A lock another user holds is said at
** once and waited for at most the wait of row_set_lock_wait. 5100; -9811
** when the wait ran out (nothing taken); else the statement's code. */
int row_server_lock(void *connection, const char *table, int lock);
/* "another user has held the lock on new rows of table STATN for more
** than 30 s; nothing was added": why a row was not added (-9811). */
std::string row_lock_held_text(const char *table);
/* Why row_insert_new refused its last row (its code), in the driver's or
** the server's words: the lock held too long, the memo side table or the
** row's mark that could not be made, the statement refused. */
std::string row_refused_text(const char *table, int code);
/* Ends the open run: gives back the server's lock, and removes the mark
** unless it still lists a row whose writer lost its driver. */
void row_new_run_end(void);

/* ---- Writing back a row the user was shown (row_write.cpp) ---- */

/* Notes the texts a row (a list of column records, known by its first) is
** shown with; a row noted again is shown anew. */
void row_note_shown(const sql_col_rec *row);
/* Forgets them (the row is freed, or no longer shown). */
void row_forget_shown(const sql_col_rec *row);
/* 1 when a row's texts shown are noted, else 0. */
int row_has_shown(const sql_col_rec *row);
/* Checks a noted row against what its tables hold now. When another user
** changed a column the user changed too (to another text), the row takes
** every value stored now, the texts shown become those, changed names the
** columns another user changed ("NAME, ROCKTYPE") and the answer is
** -9810; else the columns the user did not change take the values stored
** now and the answer is 5100. -9805 when the row is gone; the fetch's
** code. A row not noted passes. */
int row_check_shown(sql_col_rec *row, std::string &changed);
/* Writes back a noted row: only the columns whose text differs from the
** text shown, each only while its table still holds the text shown, so
** that no change another user made since is written over. 5100 (the texts
** written become the texts shown); -9810 when the row changed meanwhile
** in a column the user changed: nothing written, and the row and changed
** as row_check_shown leaves them; -9805 when the row is gone; -2 for a
** table without its unique-number column in the row; the statement's
** code. A row not noted is written whole (sql_update_row). With report
** non-zero a failure is said once, naming the table, the row and the
** columns changed, or the driver's or server's words. */
int row_write_shown(sql_col_rec *row, std::string &changed, int report);
/* row_write_shown of a row of a table the registry may not know (a
** dictionary): key_column is then its unique-number column. */
int row_write_shown_keyed(sql_col_rec *row, const char *key_column, std::string &changed, int report);
/* What a failure -9810 of a row's write says after its fixed text: "STATN
** row 2 (NAME); nothing was written". */
std::string row_changed_detail(sql_col_rec *row, const std::string &changed);

/* ---- The row editor (row_editor.cpp) ---- */

/* The row editor "pv_edit_col" on a row, walking the statement's cursor
** when both are given. 5100 when accepted; -5001 when cancelled or when
** the dialog cannot be loaded; -2 for a null row or when four editors are
** open; -9101 when the state cannot be saved. The result (0, 1) is left
** in dlg_result of the caller's state. */
int pv_edit_col_dialog(void *stmt, void *cursor, sql_col_rec *row, int add, int options, int image, int edit);
/* Enters a new row of a table (described when *row is null) in the row
** editor and inserts it on accept. 5100 when inserted; -5001 when
** cancelled; the negative result of the editor or the insert; -2 for bad
** arguments. A row it described itself is freed and *row left null. */
int row_enter_new(void *connection, sql_col_rec **row, const char *table, int add);
/* Edits the dictionary row of an item in the row editor, its number and
** long name locked, and writes it back; its SHORTNAME goes to shortname
** (ROW_SHORTNAME_SIZE bytes). 0; -1 when the item is not in the
** dictionary or the editor or the update fails (reported); -2 for bad
** arguments. */
int dix_edit_item(const char *dictionary, const char *longname, char *shortname);

/* Row-entry callbacks the editor and the add command share. */
void pv_edit_col_accept_cb(ads_callback_packet *cpkt);
void pv_edit_col_cancel_cb(ads_callback_packet *cpkt);
void pv_edit_col_memo_cb(ads_callback_packet *cpkt);
/* "plot" and "attach": the map's switch follows the toggle. */
void pv_edit_col_plot_cb(ads_callback_packet *cpkt);
void pv_edit_col_attach_cb(ads_callback_packet *cpkt);
/* "image": the typed text becomes the current column's text and value and
** the dialog ends with ROW_DLG_IMAGE. */
void pv_edit_col_image_cb(ads_callback_packet *cpkt);

#endif
