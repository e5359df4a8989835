/*
** memo.h: memo columns and their side tables.
**
** A column whose input rule has the memo flag (COL_ATTR_MEMO) holds free
** text of any length. The text is not kept in the column: it lives in a
** side table named after the table with "MEM" appended (STATN's memos are
** in STATNMEM), one row per line, keyed by the row's unique number
** (BASENUMBER) and the line's order number (ORDNUMBER). Every table has at
** most one side table, so all memo columns of a row show the same memo.
**
** One memo is loaded at a time into the working state (memo_rec): the
** query over its lines, the side table's row, its name and the line list.
** Every entry point resets the state first and again when done.
**
**     memo_set_text(column, "Rock is grey", 70000);       // split and stored
**     char *text = NULL;
**     if (memo_get_text("STATN", 70000, conn, &text, 0) == 0) ... " Rock is grey"; free(text);
*/
#ifndef PV_DATA_MEMO_H
#define PV_DATA_MEMO_H

#include <string>
#include <vector>

#include "core/tbl_column.h"
#include "platform/include/dcl_host.h"

/* Appended to a table's name to name its side table. */
#define MEMO_TABLE_SUFFIX "MEM"
/* Columns of a side table, in this order. */
#define MEMO_COL_BASENUMBER "BASENUMBER"
#define MEMO_COL_ORDNUMBER  "ORDNUMBER"
#define MEMO_COL_TEXT       "MEMOTEXT"
/* Digits of the two number columns (DEC(8)). */
#define MEMO_NUMBER_DIGITS 8
/* Characters of MEMOTEXT (CHAR(70)). */
#define MEMO_TEXT_WIDTH 70
/* Longest line memo_split makes: two characters short of MEMOTEXT. */
#define MEMO_SPLIT_WIDTH 68
/* Bytes of one line's buffer in a line list. */
#define MEMO_LINE_SIZE 258
/* Bytes memo_get_text allocates per line (a blank and MEMOTEXT), plus one
** for the terminator, and never fewer than MEMO_TEXT_MIN_SIZE. */
#define MEMO_TEXT_PER_LINE 71
#define MEMO_TEXT_MIN_SIZE 5

/* Line that ends a list made by memo_split; never stored. */
#define MEMO_END_SPLIT "end memo"
/* Line that ends the list of the memo editor; never stored. */
#define MEMO_END_EDITOR "                             End of Memo                             "

/* Results of reading a memo. */
#define MEMO_ERR_NO_LINES (-10001)  /* no lines, or no side table, when only reading */
#define MEMO_ERR_NO_TABLE (-10002)  /* the side table cannot be created */
#define MEMO_ERR_CHANGED  (-10003)  /* the memo changed since it was read: nothing written */

/* Ends of the memo editor (its dialog status). */
#define MEMO_STATUS_CANCEL 0        /* cancelled, or writing failed */
#define MEMO_STATUS_WRITTEN 1       /* accepted, lines written */
#define MEMO_STATUS_EMPTY 2         /* accepted, no lines */

/* One line of a line list. */
struct memo_line {
    char *text;                     /* MEMO_LINE_SIZE bytes, NUL-terminated; owned */
    memo_line *next;                /* next line; the last is the end line */
};

/* The memo working state: one memo at a time. */
struct memo_rec {
    void *connection;               /* SQL connection of the memo; not owned */
    void *stmt;                     /* statement of the line query; owned */
    void *cursor;                   /* cursor over the lines, ORDNUMBER order; owned */
    sql_col_rec *row;               /* the side table's row: described or
                                       queried (owned, row_owned 1) or the
                                       static row (row_owned 0) */
    int row_owned;                  /* 1 when row is freed with the state */
    char *name;                     /* side table name, upper case; owned */
    long number;                    /* the row's unique number, 0 when none */
    memo_line *lines;               /* the line list; owned */
};

/* The working state (for the editor; other callers use the functions). */
memo_rec *memo_state(void);

/* ---- The side table ---- */

/* The side table's name of a table ("STATN" -> "STATNMEM") into out.
** 0; -2 when the table is blank or the name would not be a plain
** identifier of at most 20 characters. */
int memo_table_name(const char *table, std::string &out);
/* The CREATE TABLE text of a side table: DEC(8) numbers, or INTEGER ones
** when odbc is non-zero. */
std::string memo_create_text(const char *name, int odbc);
/* The CREATE INDEX text of a side table's index (named like the table, on
** BASENUMBER and ORDNUMBER). */
std::string memo_index_text(const char *name);
/* Makes a side table when there is none: upper-cases the name, creates
** the table and, when it is made now and g_host_version is above 14, its
** index; a failed index drops the table just made again. A side table
** found there, one another session made a moment ago included, is used as
** it is: no table is made anew over another user's lines. 0; the SQL
** layer's code of the failed statement; -2 for a null connection or a
** blank or unusable name; -9101 when memory is short. */
int memo_create_table(void *connection, const char *name);
/* Why the last memo_read or memo_open that answered -10002 could not make
** or read its side table: "its memo side table STATNMEM cannot be made: "
** and the driver's or the server's words. */
const std::string &memo_table_failure(void);

/* ---- Reading and writing the memo of one row ---- */

/* Releases the query and the line list, frees a described row and the
** name, and gives the static row its formats and empty texts again. */
void memo_reset(void);
/* Loads the memo of row number of a table: the lines' query (in
** ORDNUMBER order) and the side table's row, its BASENUMBER text set to
** the number. With create 1 a missing side table is made. 0; -2 for bad
** arguments (blank name, number below 1, create not 0 or 1, no
** connection); -9101; -10001 when there are no lines and create is 0;
** -10002 when the side table cannot be made; the query's code when the
** side table exists but cannot be read or its driver has ended (it is
** never made anew then).
** Failures reset the state. The line list is kept. */
int memo_read(const char *table, long number, void *connection, int create);
/* As memo_read, answering the number of lines found. */
int memo_open(const char *table, long number, void *connection, int create);
/* Stores the line list (every line before the end line) as the memo of
** the loaded row, as one (memo_write_row, the lines alone): its old lines
** are read, deleted, and the new ones inserted with ORDNUMBER 1, 2, 3 ...
** When an insert fails, the old ones are put back. With as_read, the old
** lines (as memo_listed_line gives them, blank ones left out) must be
** those, so that a memo another user changed since it was read is never
** written over: else nothing is written and the answer is -10003. Without
** marked (the lines of a row just added, which a mark of the add covers)
** the lines are written without a mark of their own, and removed when one
** fails. Resets the state. 1 when at least one line was inserted; 0 when
** none; -2 when no memo is loaded; otherwise the negative code of the
** statement that failed. */
int memo_write(const std::vector<std::string> *as_read = nullptr, bool marked = true);
/* The lines of row number of a side table as stored (their trailing
** blanks left out, blank ones kept), in ORDNUMBER order, into out. 0; the
** query's code (out empty), also the missing side table's. */
int memo_stored_lines(void *connection, const char *side, long number, std::vector<std::string> &out);
/* Writes lines as the memo of row number of a side table in place of the
** lines it has (deleted, then each inserted with ORDNUMBER 1, 2, 3 ...),
** without a mark. 5100; -2 for bad arguments; the code of the statement
** that failed (the lines before it stay). */
int memo_put_lines(void *connection, const char *side, long number, const std::vector<std::string> &lines);
/* Writes the named columns of row id of a table (sql_update_held: each
** only while it holds its `from`) and its memo lines as one: while they
** are written a mark of the project (STATN-<process>.MRE) holds the row's
** columns and its former and new lines, so that the next logon finds the
** row with its former columns and lines or with the new ones
** (memo_write_recover). No columns writes the lines alone; lines equal to
** those stored write the columns alone. With as_read the stored lines (as
** memo_listed_line lists them) must still be those: else nothing is
** written and the answer is -10003. command names the writer in a server
** mark. 5100; -2 for bad arguments; -9810 as sql_update_held (nothing
** written); else the failure's code, with memo_write_failure saying what
** failed (the row and its lines put back as they were, or left to the
** next logon under the mark). */
int memo_write_row(void *connection, const char *table, const char *key_column, long id, sql_col_rec *held,
                   const std::vector<std::string> &names, const std::vector<std::string> &from,
                   const std::vector<std::string> &to, const std::vector<std::string> &lines,
                   const std::vector<std::string> *as_read, const char *command);
/* Why the last memo_write_row failed ("its memo lines cannot be written:
** ..."); "" when its code says it (a statement's failure of the row). */
const std::string &memo_write_failure(void);
/* At logon: finishes each memo write of the project cut short, from its
** mark (also another user's whose session is gone): the row and its lines
** as they were, or as they were to be when the row took its columns; lines
** another user wrote since stay, named. 0; -1 when a mark is not used
** (named; one that names no row and memo it can finish, or is damaged, is
** set aside, any other stays). */
struct pjct_rec;
int memo_write_recover(pjct_rec *project);
/* A stored line as the memo editor lists it: without its trailing
** blanks, "" for a blank line (never listed). */
std::string memo_listed_line(const char *text);
/* Replaces the line list with the lines of a text (at most
** MEMO_SPLIT_WIDTH characters each, then MEMO_END_SPLIT; an empty text
** gives an empty list). 0; -2 for a null text; -9101. */
int memo_split(const char *text);
/* The lines of a text as memo_split makes them (the end line left out),
** into out; the state is reset. 0; -2 for a null text; -9101. */
int memo_split_lines(const char *text, std::vector<std::string> &out);
/* Stores a text as the memo of row number of the column's table (split,
** read with create, written). 0 when written; -1 when not; -2 for bad
** arguments. */
int memo_set_text(sql_col_rec *column, const char *text, long number);
/* The same operation as memo_set_text. */
int memo_replace_text(sql_col_rec *column, const char *text, long number);
/* Inserts the lines of a text into a side table (named by its own name)
** as row number's, through the static row, deleting nothing first. 0 when
** every line was inserted; -1 when none was or one could not be (the
** lines before it stay); -2 for bad arguments. */
int memo_insert_text(const char *name, const char *text, long number, void *connection);
/* Joins the memo of row number of a table into one text: for each line in
** ORDNUMBER order whose text is not blank, a blank and the trimmed line,
** while they fit in size bytes. With a null *buffer or a size below 1 a
** buffer of MEMO_TEXT_PER_LINE bytes per line plus one (at least
** MEMO_TEXT_MIN_SIZE) is allocated into *buffer for the caller to free.
** 0; -1 when the row has no lines (or its table has no side table); -2
** for bad arguments; -9101; the query's code when the side table or a
** line of it cannot be read (the buffer then holds no text). */
int memo_get_text(const char *table, long number, void *connection, char **buffer, int size);

/* ---- Deleting memos ---- */

/* Deletes the memo of a row (a list of column records) for each of its
** memo columns, the row number being its table's BASENUMBER value. 0 (also
** when a side table was never made); -2 for a null row; -1 when no
** logged-on project owns the row's connection; the failed delete's code. */
int memo_delete_rows(sql_col_rec *row);
/* Deletes a row by its key column (its table's unique number) and then its
** memo lines (those of every memo column of its table, whether the row
** shows one or not), as one: while it runs a mark in the project's folder names
** the row, so that a run cut short between the two is finished by the next
** logon (memo_delete_recover). Memo lines never go before their row. 5100;
** else the failure's code with why saying what failed, naming the row and
** table: the row's delete failed (nothing changed), or its memo lines could
** not be deleted after it (the mark stays for the next logon), or the mark
** could not be written (nothing changed); *gone (when given) is 1 once the
** row was deleted, else 0. With shown (the row's texts as the user was
** shown them, one a column of row, in order), the row goes only while it
** holds them (sql_delete_held): -9810 when it does not, nothing changed. */
int memo_delete_with_row(sql_col_rec *row, sql_col_rec *key, std::string &why, int *gone = nullptr,
                         const std::vector<std::string> *shown = nullptr);
/* At logon: finishes the deletes of a project that were cut short. A row
** still there keeps its memo lines (neither went); the lines of a row that
** went are deleted; a mark another session holds is noted as pv-delete's.
** 0; -1 when a mark could not be finished (named in an alert; a damaged
** one, or one naming no row it can finish, is set aside, any other stays). */
struct pjct_rec;
int memo_delete_recover(pjct_rec *project);
/* What a mark's finish answers for a mark that names nothing it can
** finish (memo_marks_recover sets it aside). */
#define MEMO_MARK_UNUSABLE (-2)
/* At logon: takes each mark of a project ending in ext that a writer cut
** short left and finishes it by finish (why saying what failed): 0 lets
** the mark go; MEMO_MARK_UNUSABLE, also for a damaged mark (why its
** damage), sets it aside, check naming what to look over; else it stays
** for the next logon. A mark not finished is named in an alert ("The
** <kind> mark ... was not finished: <why>."); one another session holds
** is noted as busy_command's, when given. 0; -1 when a mark was not
** finished. */
struct mark_file;
int memo_marks_recover(pjct_rec *project, const char *ext, const char *kind, const char *busy_command,
                       const char *check,
                       int (*finish)(pjct_rec *project, const mark_file &held, const std::string &body,
                                     std::string &why));
/* At logon: removes the memo lines of every table of a project that
** stand without their row (an earlier version deleted rows and left their
** lines), so that a new row given a number of theirs never shows them as
** its own; a table being refilled is left for a later logon. Says how many
** went. 0; -1 when the lines of a table cannot be removed (left, unsaid:
** the command that reads its side table says why). */
int memo_orphans_recover(pjct_rec *project);
/* 1 when the connection's project runs in the server's environment
** (ODBC), whose side tables have INTEGER numbers; else 0. */
int memo_integer_numbers(void *connection);
/* Deletes every line of row number from a table's side table. 5100; -2
** for bad arguments; the delete's code on failure. */
int memo_delete_one(void *connection, const char *table, long number);

/* ---- Lines and the editor ---- */

/* 5100 when a typed line holds no character below 32, no 127 and no
** single quote; otherwise -5001 after the alert "Illegal character %i at
** column %i." under the error title (the first such character and its
** column from 1); -2 for null. */
int memo_check_line(const char *text);
/* A new line holding text (cut to MEMO_LINE_SIZE - 1 bytes), linked after
** the given line, or at the head when after is null; null when memory is
** short or for a null list or text. */
memo_line *memo_line_add(memo_line **list, memo_line *after, const char *text);
/* The line at an index from 0; null when out of range. */
memo_line *memo_line_nth(memo_line *list, long index);
/* Unlinks and frees the line at an index; 0; -1 when out of range. */
int memo_line_remove(memo_line **list, long index);
/* Frees a line list and clears the slot. */
void memo_line_free(memo_line **list);
/* Fills a list tile with the lines of a list that are not blank (the end
** line included). 5100; -2 for bad arguments. */
int memo_fill_list(ads_hdlg dialog, const char *tile, const memo_line *list);
/* Empties the texts of the loaded memo row (the static row when none is
** loaded). */
void memo_row_clear(void);

/* The memo editor "pv_edit_memo" on the memo of row number of a table;
** read-only when editable is 0. 1 when accepted with lines written; 0
** when accepted with no lines; when cancelled, read-only or when writing
** failed, 1 if the memo had lines as read, else 0; -1 when the dialog
** cannot be loaded or the side table lacks its columns; -2 for bad
** arguments; the error of memo_read. */
int pv_edit_memo_dialog(void *connection, const char *table, long number, int editable);

/* ---- The memo of a row shown in the row editor (memo_dialog.cpp) ---- */

/* The lines of row number's memo of a table as the memo editor lists them
** (blank ones left out), into out: 0 (also for a table whose side table
** was never made); -2 for bad arguments; the read's code. */
int memo_listed_lines(const char *table, long number, void *connection, std::vector<std::string> &out);
/* The memo editor on the memo of a stored row (a list of column records,
** by its first) of a table, read-only when editable is 0: its lines are
** read (or those held for the row since), and "accept" holds the list for
** the row, nothing written; a memo another user saved since it was read
** is shown as it is now for the change to be made again. The row's write
** takes them (memo_held_edit). Answers as pv_edit_memo_dialog. */
int pv_edit_memo_row(const sql_col_rec *row, void *connection, const char *table, long number, int editable);
/* Whether lines are held for the memo of a stored row of number: its
** table, the lines and the lines as read, which the stored memo must
** still hold when they are written. */
bool memo_held_edit(const sql_col_rec *row, long number, std::string &table, std::vector<std::string> &lines,
                    std::vector<std::string> &read);
/* Lets go of the memo held for a stored row (written, or shown anew). */
void memo_drop_edit(const sql_col_rec *row);

/* ---- The lines of a row being added (memo_dialog.cpp) ---- */

/* The memo editor on the lines held for a row being added (a list of
** column records, by its first), read-only when editable is 0: "accept"
** keeps the list as the row's held lines, nothing is written. Answers as
** pv_edit_memo_dialog; -9101 when memory is short. */
int pv_edit_memo_held(const sql_col_rec *row, int editable);
/* Stores the lines held for a row just inserted as the memo of row number
** of its table (the side table made when missing), and lets them go. 0
** when none were held or all were stored; -2 for bad arguments; else the
** negative code of the statement that failed, no line of the row then
** stored and the lines still held. */
int memo_store_held(const sql_col_rec *row, void *connection, const char *table, long number);
/* Holds the lines of a text (split as memo_split splits it) for a row
** about to be added, in place of any held before: row_insert_new stores
** them once the row is in. 0; -2 for bad arguments; -9101. */
int memo_hold_text(const sql_col_rec *row, const char *text);
/* The number of lines held for a row. */
int memo_held_count(const sql_col_rec *row);
/* Lets go of the lines held for a row (cancelled, or entered afresh). */
void memo_drop_held(const sql_col_rec *row);

#endif
