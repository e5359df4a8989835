/*
** import.h: the import command pv_import and the text and Fieldworker
** importer.
**
** pv_import takes a file into a table of a logged-on project. A dBASE file
** already lies in the project's directory as a table of its own name: it
** is registered (pv_tblimport) and gets its standard indexes. A text file
** is read row by row into a registered table by dialog pv_importxt, as
** delimited text into chosen columns or as a Fieldworker export whose
** layout follows from the project's table setup; rows are appended with
** new numbers or update the row of the same key, and rows the database
** refuses go to <project directory>/<table>.ERR.
**
**     (pv_import)   ->  dialog pv_import, then pv_importxt for a text file
*/
#ifndef PV_DATA_IMPORT_H
#define PV_DATA_IMPORT_H

#include <cstdio>
#include <string>

#include "core/pjct.h"
#include "core/tbl.h"
#include "data/import_reader.h"
#include "platform/include/dcl_host.h"

struct prj_rec;

/* Room of a file name typed or chosen: 255 characters and the terminator. */
#define IMPORT_FNAME_SIZE 256
/* Bytes of the input's read buffer (4096 used) and of the memo buffer. */
#define IMPORT_BUF_SIZE 4097
#define IMPORT_READ_BUF 4096
/* Column delimiters: the blank by default, the tab for the word "tab". */
#define IMPORT_DELIM_BLANK 32
#define IMPORT_DELIM_TAB 9
#define IMPORT_DELIM_COMMA 44
/* Fixed fields of a Fieldworker record before the tables' columns. */
#define IMPORT_FW_FIXED 15
/* Results of import_kind. */
#define IMPORT_KIND_NONE 0
#define IMPORT_KIND_DBASE 1
#define IMPORT_KIND_TEXT 2
#define IMPORT_KIND_BOTH (-1)
/* Room of the key message of import_check_key_selected. */
#define IMPORT_MSG_SIZE 256

/* Options of the open pv_importxt dialog, cleared by importxt_reset_options
** and importxt_close. */
struct import_state {
    pjct_rec *project;              /* current import project; not owned */
    FILE *fp;                       /* the input, opened "rb"; owned */
    char *read_buf;                 /* the input's full buffer, IMPORT_BUF_SIZE bytes; owned */
    import_reader *reader;          /* the value reader with its value buffer; owned */
    char *memo_buf;                 /* memo text of a record, IMPORT_BUF_SIZE bytes; owned */
    char file_name[IMPORT_FNAME_SIZE]; /* the input's name with extension, without directory */
    int col_delim;                  /* column delimiter, a character code */
    int text_delim;                 /* text delimiter, 0 for none */
    int append;                     /* 1 to append rows */
    int update;                     /* 1 to update rows by key */
    tbl_rec *table;                 /* destination table; the project's */
    int *selected;                  /* selected column indexes (delimited text); owned */
    int selected_count;             /* entries of selected */
    int fieldworker;                /* 1 for a Fieldworker export */
    prj_rec *prj;                   /* import coordinate system, or null; not owned */
};

/* The options of the one text import. */
import_state *import_state_get(void);

/* ---- The command and its dialogs (import_dialog.cpp) ---- */

int pv_import(struct resbuf *args);
int pv_importxt_dialog(const char *file_name, tbl_rec *tables);
int importxt_read_options(ads_hdlg dialog);
void importxt_reset_options(void);
void importxt_close(void);
int import_kind(ads_hdlg dialog);
int import_check_key_selected(sql_col_rec *columns, const sql_col_rec *key, const int *selected, int count,
                              char *message);
int import_key_slot(int table_type);
int import_fw_type(int type);

void pv_import_imp_project_cb(ads_callback_packet *cpkt);
void pv_import_filename_cb(ads_callback_packet *cpkt);
void pv_import_import_cb(ads_callback_packet *cpkt);
void pv_import_cancel_cb(ads_callback_packet *cpkt);
void pv_importxt_txt_table_cb(ads_callback_packet *cpkt);
void pv_importxt_txt_fw_cb(ads_callback_packet *cpkt);
void pv_importxt_cancel_cb(ads_callback_packet *cpkt);

/* ---- The importer (import_rows.cpp) ---- */

void pv_importxt_import_cb(ads_callback_packet *cpkt);
/* The one row of the table holding the record's key values (its station
** and the keys below it, or the table's own key), left open in the slots:
** 1 when exactly one holds them; -1 when none or several do or the record
** lacks a key column; -2 for missing arguments; the query's code when the
** table cannot be read, which is never taken for no row. */
int import_find_existing_row(void **stmt, void **cursor, sql_col_rec **found, sql_col_rec *row,
                             const tbl_rec *table);
int import_convert_points(sql_col_rec *row, prj_rec *prj, const int *selected, int count, int fieldworker,
                          std::string *why = nullptr);
int import_row_is_empty(const tbl_rec *table, sql_col_rec *row, int fieldworker);
/* Writes a refused row as one line of the error file: every column but
** BASENUMBER, its value from values (one entry per column of the row, in
** row order; a null entry or a null array takes the column's text, or the
** memo text for a memo column) left-aligned and padded to the column's
** length but never cut. 0; -1 when the row's table is not registered or
** has no BASENUMBER column; -2 for bad arguments. */
int import_write_error_row(FILE *fp, pjct_rec *project, sql_col_rec *row, const char *const *values,
                           const char *memo, int col_delim, int text_delim);
int import_find_int(const int *array, int count, int value);
/* At logon, an import that updated rows of a table of the project and was
** cut short is said, naming the table and the input (its rows cannot be
** taken back; importing again finishes it); one another session runs is
** said too. -1 when a mark is not used (said; it is set aside as
** mark_set_aside does, or, when it cannot be, stays), else 0. */
int import_recover(pjct_rec *project);
sql_col_rec *import_key_column(const tbl_rec *table, sql_col_rec *row);

#endif
