/*
** tblsetup.h: the table setup: the setup tree, its dialog, applying it to
** the database, the column definition and move dialogs, registering an
** existing table and its standard indexes.
**
** The dialog "pv_tblsetup" never edits the registry of a project directly:
** it edits the setup tree, an editable copy of the project's tables with
** their columns in order, each with a type index, length and decimals.
** Saving compares the tree with the registry and creates, alters or drops
** tables; every registered table gets its standard indexes.
**
**     tblsetup_table_node *t = tblsetup_table_from_row(row);   // a node from a registered table
**     int rc = tblsetup_table_append_full(&tblsetup_state_get()->tree, t);
**     pv_tblsetup(nullptr);                                     // runs the dialog
*/
#ifndef PV_DATA_TBLSETUP_H
#define PV_DATA_TBLSETUP_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/pjct.h"
#include "core/tbl.h"
#include "platform/include/dcl_host.h"

struct col_attr_rec;

/* Type indexes of a column node; the SQL type codes 1..8 map to 0..7. */
#define TS_TYPE_NONE     (-1)
#define TS_TYPE_CHAR     0
#define TS_TYPE_NUMERIC  1
#define TS_TYPE_DEC      2
#define TS_TYPE_INT      3
#define TS_TYPE_SMALLINT 4
#define TS_TYPE_FLOAT    5
#define TS_TYPE_REAL     6
#define TS_TYPE_DOUBLE   7
#define TS_TYPE_COUNT    8

/* Longest CHAR column node the tree holds. */
#define TS_CHAR_MAX_TREE 255
/* Longest CHAR column, and longest NUMERIC, DEC or FLOAT, the column
** dialog accepts. */
#define TS_CHAR_MAX 254
#define TS_NUMBER_MAX 18
/* Decimals need this many more places than they take (sign and point). */
#define TS_DECIMAL_ROOM 2

/* Longest table and column names the dialog accepts. */
#define TS_TABLE_NAME_MAX 5
#define TS_COLUMN_NAME_MAX 10
/* Length and type of a column named in the dialog. */
#define TS_NEW_COLUMN_LENGTH 6

/* Room of a DDL statement and of the collected error texts. */
#define TS_TEXT_SIZE 8192

/* Highest table-definition code the registration warns about (the
** codes TBL_ERR_FIRST..TS_WARN_LAST: widths, dictionary columns). */
#define TS_WARN_LAST (-11043)

/* Change codes of the detection functions. */
#define TS_CHG_NONE     0
#define TS_CHG_MODIFIED 3      /* a table or column changed */
#define TS_CHG_ADDED    5      /* a column is new */
#define TS_CHG_DROPPED  9      /* a column was dropped */
#define TS_CHG_ANY      128    /* some change exists */
#define TS_CHG_NEW      640    /* a table is new in the tree */
#define TS_CHG_GONE     1152   /* a registered table is gone from the tree */

/* List modes of the setup dialog. */
#define TS_MODE_PROJECTS 1
#define TS_MODE_TABLES   2
#define TS_MODE_COLUMNS  3

/* Answers of the save question, remembered by the dialog state. */
#define TS_ANSWER_NONE   0
#define TS_ANSWER_YES    1
#define TS_ANSWER_NO     2
#define TS_ANSWER_CANCEL 3

/* One column of a table node; the list that holds it owns it. */
struct tblsetup_column_node {
    char *name;                     /* column name; owned */
    int32_t type;                   /* TS_TYPE_CHAR..TS_TYPE_DOUBLE, TS_TYPE_NONE when not chosen */
    uint16_t length;                /* length or precision, characters */
    int16_t decimals;               /* decimals */
    tblsetup_column_node *next;     /* next column node */
    col_attr_rec *attr;             /* the column's input rule; borrowed, or null */
};

/* One table of the tree; the tree owns it. */
struct tblsetup_table_node {
    char *name;                         /* table name; owned */
    int32_t column_count;               /* nodes of `columns`, set when appended */
    tblsetup_column_node *columns;      /* the columns in table order; owned */
    tblsetup_column_node *key_columns;  /* copies of the primary-key columns in key order; owned */
    tblsetup_table_node *next;          /* next table node */
    tbl_rec *row;                       /* copy of the registered row (its column list is the
                                           registry's, never freed here), or null */
};

/* State of the one open table setup dialog. */
struct tblsetup_state {
    tblsetup_table_node *tree;      /* the setup tree; owned */
    tblsetup_table_node *table;     /* table node a sub-dialog works on */
    tblsetup_column_node *column;   /* column node a sub-dialog works on */
    pjct_rec *project;              /* project a sub-dialog works on */
    col_attr_rec *rule;             /* rule record a sub-dialog works on */
    int answer;                     /* TS_ANSWER_* of the last save question */
    int mode;                       /* TS_MODE_* of the list */
    std::vector<std::string> removed;  /* tables the user removed from the tree since it was built */
};

/* ---- The tree (tblsetup_tree.cpp, tblsetup_state.cpp) ---- */

tblsetup_state *tblsetup_state_get(void);
void tblsetup_repoint_attr(const col_attr_rec *from, col_attr_rec *to);
void tblsetup_point_column_at(col_attr_rec *rule);

tblsetup_column_node *tblsetup_column_new(void);
tblsetup_table_node *tblsetup_table_new(void);
int tblsetup_column_free(tblsetup_column_node *node);
int tblsetup_table_free(tblsetup_table_node *node);
int tblsetup_column_list_free(tblsetup_column_node **head);
int tblsetup_table_list_free(tblsetup_table_node **root);
char *tblsetup_trim(char *text);
int tblsetup_column_append(tblsetup_column_node **head, tblsetup_column_node *node);
int tblsetup_table_append_full(tblsetup_table_node **root, tblsetup_table_node *node);
int tblsetup_table_append(tblsetup_table_node **root, tblsetup_table_node *node);
int tblsetup_column_remove(tblsetup_column_node **head, tblsetup_column_node *node);
int tblsetup_table_remove(tblsetup_table_node **root, tblsetup_table_node *node);
tblsetup_column_node *tblsetup_column_find(tblsetup_column_node *list, const char *name, int *index);
tblsetup_table_node *tblsetup_table_find(tblsetup_table_node *root, const char *name, int *index);
tblsetup_column_node *tblsetup_column_nth(tblsetup_column_node *list, int n);
tblsetup_table_node *tblsetup_table_nth(tblsetup_table_node *root, int n);
int tblsetup_type_index(int sql_type);
tblsetup_column_node *tblsetup_column_from_desc(const sql_col_rec *column);
int tblsetup_key_columns(tblsetup_table_node *node);
tblsetup_table_node *tblsetup_table_from_row(const tbl_rec *row);
int tblsetup_set_row(tblsetup_table_node *node, const tbl_rec *row);
int tblsetup_build_tree(pjct_rec *project);
const char *tblsetup_type_name(int type);
char *tblsetup_strdup(const char *text);
int tblsetup_size_text(const tblsetup_column_node *column, char *buffer, int size);

/* ---- Change detection and DDL (tblsetup_apply.cpp) ---- */

int tblsetup_table_is_new(const tblsetup_table_node *node, const pjct_rec *project);
int tblsetup_any_new(const pjct_rec *project);
int tblsetup_table_is_gone(const tbl_rec *row);
int tblsetup_any_gone(const pjct_rec *project);
int tblsetup_column_is_new(const tblsetup_column_node *column, const tblsetup_table_node *table,
                           const pjct_rec *project);
int tblsetup_column_is_changed(const tblsetup_column_node *column, const tblsetup_table_node *table,
                               const pjct_rec *project);
int tblsetup_column_is_moved(const tblsetup_column_node *column, const tblsetup_table_node *table,
                             const pjct_rec *project);
int tblsetup_column_is_dropped(const sql_col_rec *column, const tbl_rec *row);
int tblsetup_table_is_modified(const tblsetup_table_node *node, const pjct_rec *project);
int tblsetup_any_modified(const pjct_rec *project);
int tblsetup_project_changes(const pjct_rec *project);
int tblsetup_has_changes(ads_hdlg dialog);

int tbl_alter_add(const tblsetup_table_node *table, const tblsetup_column_node *column, pjct_rec *project);
int tbl_alter_modify(const tblsetup_table_node *table, const tblsetup_column_node *column, pjct_rec *project);
int tbl_alter_drop(const sql_col_rec *column, const tbl_rec *row);
int tbl_create_table(tblsetup_table_node *table, pjct_rec *project);
int tblsetup_alter_server_table(tblsetup_table_node *node, tbl_rec *row, pjct_rec *project);
int tblsetup_take_columns(tblsetup_table_node *node, tbl_rec *row, sql_col_rec *columns, int count,
                          pjct_rec *project);
void tblsetup_take_described(tblsetup_table_node *node, sql_col_rec *columns);
int tblsetup_apply(ads_hdlg dialog);

/* ---- The dialogs (tblsetup_dialog.cpp, tblsetup_columns.cpp, tbl_import.cpp) ---- */

int pv_tblsetup(ads_hdlg parent);
int pv_tblsetup_command(struct resbuf *args);
int pv_tblsetup_open(pjct_rec *project);
int tblsetup_check_name(ads_hdlg dialog, char *name, int kind);
int tblsetup_is_reserved(const char *name);
int tblsetup_is_sql_word(const char *name);
int tblsetup_check_column_delete(ads_hdlg dialog, pjct_rec *project, const char *table, const char *column);
void tblsetup_refresh(ads_hdlg dialog);

int pv_colsetup_dialog(tblsetup_column_node *column, tblsetup_table_node *table, pjct_rec *project);
int pv_colmove_dialog(tblsetup_column_node *column, tblsetup_table_node *table);
int tblsetup_column_move_before(tblsetup_table_node *table, tblsetup_column_node *moved,
                                tblsetup_column_node *target);
int tblsetup_column_check(const pjct_rec *project, int type, int length, int decimals, char *message,
                          int size);

tbl_rec *pv_tblimport_dialog(pjct_rec *project, const tbl_rec *row, sql_col_rec *columns);
int tbl_create_indexes(const tbl_rec *row, std::string *why = nullptr);
int tbl_drop_indexes(const tbl_rec *row);
int tblsetup_warn_definition(tbl_rec *row);

/* ---- Rebuilding a dBASE table (dbf_restructure.cpp) ---- */

struct dbf_handle;
/* A failure is said in an alert, or, with said, left there for the caller
** to say among its own. */
int dbf_restructure(ads_hdlg dialog, tblsetup_table_node *node, pjct_rec *project, std::string *said = nullptr);
int dbf_describe_node(const tblsetup_table_node *node, const pjct_rec *project, dbf_handle *handle);
char dbf_field_letter(int type);
int dbf_restore_files(const char *message, const char *tmp_dbf, const char *tmp_dbt, const char *dbf,
                      const char *dbt);
/* What dbf_rebuild_recover found: no rebuild cut short, one mended (the
** table named), or one another process is still running. */
#define DBF_REBUILD_NONE 0
#define DBF_REBUILD_MENDED 1
#define DBF_REBUILD_BUSY 2
int dbf_rebuild_recover(const char *dir, char *table, size_t size);
void dbf_index_mended(pjct_rec *project, const char *table);
/* A function run at each step of a rebuild and after each record it
** writes (tests only: they end the process there), or none. */
typedef void (*dbf_rebuild_hook)(void);
void dbf_set_rebuild_hook(dbf_rebuild_hook hook);

/* One standard index: its name, table and column list. */
#define TBL_INDEX_NAME_SIZE 21      /* longest index name made: 20 characters */
#define TBL_INDEX_NAME_ROOM 32      /* room of a name before it is checked */
#define TBL_INDEX_COLUMNS_SIZE 256  /* room of a column list */
#define TBL_INDEX_MAX 12            /* most standard indexes of one table */
struct tbl_index_entry {
    char name[TBL_INDEX_NAME_ROOM];         /* index name (more than 20 characters is refused) */
    char table[TBL_NAME_SIZE];              /* table it is on */
    char columns[TBL_INDEX_COLUMNS_SIZE];   /* columns joined by "," */
};
int tbl_index_entries(const tbl_rec *row, tbl_index_entry *out, int room);

#endif
