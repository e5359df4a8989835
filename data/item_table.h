/*
** item_table.h: dictionary and profile tables, and the indented text file
** of items.
**
** A dictionary is a project table of items (BASENUMBER, LONGNAME,
** SHORTNAME, DEFINITION) whose row number 0 is a header naming the
** dictionary; a profile is a table of (SORTNUMBER, BASENUMBER, PARENTNUM,
** WINDOW) rows naming the items of one dictionary in walk order, with a
** header row whose PARENTNUM and WINDOW pack the dictionary's name. Both
** load into item trees (core/item_tree.h); a tree saves back as a profile
** and reads from and writes to a text file of one indented line per item.
**
**     prf_edit_set_project(NULL, project);
**     item_node root = {};
**     if (item_load_profile("STRAT", "ROCKD", &root) == 0) ... item_find(&root, "Granite") ...
**
** The module keeps one dictionary side and one profile side, each a
** project with its directory and connection; dictionary statements run on
** the dictionary side's connection, profile statements on the profile
** side's. It also keeps one open dictionary or profile query at a time and
** a column list of the dictionary table for making new rows. Next free item
** numbers are counted per project and dictionary.
*/
#ifndef PV_DATA_ITEM_TABLE_H
#define PV_DATA_ITEM_TABLE_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/item_tree.h"
#include "core/tbl_column.h"

struct pjct_rec;

/* Longest dictionary or profile name, in characters. */
#define DIX_NAME_MAX 5
/* Size of a buffer holding such a name. */
#define DIX_NAME_SIZE (DIX_NAME_MAX + 1)
/* Widths of the dictionary's columns. */
#define DIX_NUMBER_DIGITS 8
#define DIX_LONGNAME_LEN 32
#define DIX_SHORTNAME_LEN 32
#define DIX_DEFINITION_LEN 70
/* Size of a buffer holding a definition. */
#define DIX_DEFINITION_SIZE (DIX_DEFINITION_LEN + 1)
/* Highest item number: numbers are unsigned 16-bit values. */
#define DIX_NUMBER_MAX 65535

/* Column names of dictionary and profile tables. */
#define DIX_COL_NUMBER     "BASENUMBER"
#define DIX_COL_LONGNAME   "LONGNAME"
#define DIX_COL_SHORTNAME  "SHORTNAME"
#define DIX_COL_DEFINITION "DEFINITION"
#define PRF_COL_SORT       "SORTNUMBER"
#define PRF_COL_PARENT     "PARENTNUM"
#define PRF_COL_WINDOW     "WINDOW"

/* Room of a statement of this module. */
#define DIX_SQL_SIZE 512
/* Room of a text-file line and of the file's stream buffer. */
#define ITEM_TEXT_LINE_MAX 1024
#define ITEM_TEXT_BUFFER 2048

/* The application's code of a profile or text file that cannot be saved. */
#define ERR_SAVE_PROFILE (-9504)
/* A profile that cannot be loaded, and one of another dictionary. */
#define ERR_LOAD_PROFILE (-9502)
#define ERR_PROFILE_DICTIONARY (-9503)
/* A text file of items refused, its reason already shown (a code without
** a text, so err_report adds nothing). */
#define ERR_TEXT_REFUSED (-9505)
/* A dictionary or profile row whose item number passes DIX_NUMBER_MAX, or
** a profile of more items than its sort numbers can count. */
#define ERR_ITEM_NUMBER (-9506)

/* One row of a dictionary table. */
struct dix_rec {
    uint32_t number;                        /* BASENUMBER: unique in the dictionary; 0 in the header */
    char longname[DIX_LONGNAME_LEN + 1];    /* LONGNAME: the tree's key; the dictionary's name in the header */
    char shortname[DIX_SHORTNAME_LEN + 1];  /* SHORTNAME: abbreviation; empty in the header */
    char definition[DIX_DEFINITION_SIZE];   /* DEFINITION; empty in the header */
};

/* One row of a profile table. */
struct prf_rec {
    uint32_t sort;     /* SORTNUMBER: position in walk order, 1 for the first item; 0 in the header */
    uint32_t number;   /* BASENUMBER: the item's dictionary number; 0 in the header */
    uint32_t parent;   /* PARENTNUM: the parent's number, 0 at the top; in the header the
                          first packed number of the dictionary's name */
    uint32_t window;   /* WINDOW: carried with the item; in the header the second packed number */
};

/* One side (dictionary or profile) of the module state. */
struct prf_side {
    pjct_rec *project;   /* the project; not owned */
    const char *dir;     /* its configured directory (pjct_dir); not owned */
    void *connection;    /* its SQL connection; not owned */
};

/* The module state of dictionary and profile tables. */
struct prf_table_state {
    prf_side dix;              /* dictionary side */
    prf_side prf;              /* profile side */
    void *stmt;                /* statement of the open dictionary or profile query */
    void *cursor;              /* its cursor */
    sql_col_rec *row;          /* its row; owned */
    long rows;                 /* rows it found */
    long fetched;              /* rows handed out by dix_fetch or prf_fetch */
    sql_col_rec *dix_columns;  /* column list of the dictionary table for new rows; owned */
    void (*reset_editor)(void *dialog);  /* the profile editor's reset, run first by
                                            prf_edit_set_project; set while the editor is open */
};

/* The module state (one instance). */
prf_table_state *prf_tables(void);

/* ---- Sides, names and counters (item_table.cpp) ---- */

int prf_edit_set_project(void *dialog, pjct_rec *project);
int dix_check_name(const char *name);
int prf_name_from_path(char *out, const char *path);
int prf_pack_name(const char *name, uint16_t *first, uint16_t *second);
int prf_unpack_name(char *out, uint16_t first, uint16_t second);
uint16_t dix_next_number(const char *dictionary);
int dix_counters_drop(const char *project);
int prf_project_logoff(pjct_rec *project);

/* ---- Tables and rows (item_table.cpp) ---- */

int dix_create_text(char *out, size_t size, const char *name, int odbc);
int prf_create_text(char *out, size_t size, const char *name, int odbc);
int dix_create(char *name);
int prf_create(char *profile, char *dictionary);
int dix_insert(const char *dictionary, const char *longname, const char *shortname, uint16_t *number,
               const char *definition, int create);
int prf_insert(const char *profile, uint32_t sort, uint32_t number, uint32_t parent, uint32_t window);
int dix_find_long(const char *dictionary, const char *name, char *longname, char *shortname, uint16_t *number,
                  char *definition);
int dix_find_number(const char *dictionary, uint16_t number, char *longname, char *shortname, char *definition);
int prf_find_number(const char *profile, uint16_t number, uint32_t *parent, uint32_t *window);
int dix_select_all(const char *dictionary);
int dix_fetch(char **longname, char **shortname, uint16_t *number, char **definition);
int prf_select_join(const char *dictionary, const char *profile);
int prf_fetch(char **longname, char **shortname, uint16_t *number, char **definition, uint32_t *parent,
              uint32_t *window);
int dix_close(void);
int prf_close(void);
int dix_lock_keys(sql_col_rec *row);
int dix_unlock_longname(sql_col_rec *row);
int prf_edit_open_dictionary(const char *dictionary);
int prf_edit_open_profile(const char *profile, const char *dictionary);
int dix_report_failure(int code, const char *detail, const char *table);

/* ---- Trees from and to tables and text files (item_load.cpp) ---- */

int item_load_dictionary(const char *dictionary, item_node *root);
int item_load_profile(const char *profile, const char *dictionary, item_node *root);
/* Why a save of a profile of the dictionary (read from table source, or
** the profile's own when null) would write over another user's change:
** "Profile ROCKP was changed by another user since it was loaded: Coarse
** removed; Shale added. Nothing was saved." when it holds other items than
** this session last loaded or saved (or "... cannot be read: ..."); ""
** when it holds those, or this session never loaded it. */
std::string prf_changed_text(const char *profile, const char *dictionary, const char *source = nullptr);
int item_save_profile(const char *profile, const char *dictionary, item_node *root);
int item_write_text(const char *path, const char *dictionary, item_node *root);
int item_read_text(const char *path, const char *dictionary, item_node *root);

#endif
