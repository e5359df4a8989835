/*
** tbl.h: the table registry of a project.
**
** Every table the application manages is registered with its table type
** and the columns that carry its key numbers: its unique number and the
** numbers of its parent records in the field hierarchy (traverse, outcrop,
** station, section, rock, sample, analysis) and of units, legends,
** boundaries, references and dictionaries. The registry is a list of
** tbl_rec hung from the project, sorted by name without regard to case;
** it is the in-memory form of the setup table PVTABLE (core/setup_columns.h).
**
**     int rc = tbl_resolve_definition(row, 1);   // check the keys, read numbers
**     if (rc == 0) rc = tbl_insert(project, row);
**     else err_report(rc, row->name);
**
** Table types and PVTABLE definition indexes are the same numbers
** (TBL_DEF_ANALYSIS 3 .. TBL_DEF_OTHER 17).
*/
#ifndef PV_CORE_TBL_H
#define PV_CORE_TBL_H

#include <cstdint>

#include "core/pjct.h"
#include "core/tbl_column.h"

/* Size of a table name buffer: 20 characters and the terminator. */
#define TBL_NAME_SIZE 21

/* Indexes of the PVTABLE definition columns; 3..17 are the table types. */
#define TBL_DEF_TABLENAME   0
#define TBL_DEF_TABLETYPE   1
#define TBL_DEF_BASENUMBER  2
#define TBL_DEF_ANALYSIS    3
#define TBL_DEF_SAMPLE      4
#define TBL_DEF_COMPOSE     5
#define TBL_DEF_ROCK        6
#define TBL_DEF_GENESIS     7
#define TBL_DEF_SEGMENT     8
#define TBL_DEF_STATION     9
#define TBL_DEF_OUTCROP     10
#define TBL_DEF_TRAVERSE    11
#define TBL_DEF_BOUNDARY    12
#define TBL_DEF_UNIT        13
#define TBL_DEF_LEGEND      14
#define TBL_DEF_REFERENCE   15
#define TBL_DEF_DICTION     16
#define TBL_DEF_OTHER       17
#define TBL_DEF_GROUPING    18
#define TBL_DEF_PNT         19
#define TBL_DEF_POINT       20  /* written "POINT", read into the PNT slot */
#define TBL_DEF_COUNT       21

#define TBL_TYPE_FIRST TBL_DEF_ANALYSIS
#define TBL_TYPE_LAST  TBL_DEF_OTHER

/* The fifteen key slots of a tbl_rec, in record order. */
enum tbl_key_slot {
    TBL_KEY_BASENUMBER = 0,
    TBL_KEY_TRAVERSE,
    TBL_KEY_OUTCROP,
    TBL_KEY_STATION,
    TBL_KEY_SEGMENT,
    TBL_KEY_ROCK,
    TBL_KEY_SAMPLE,
    TBL_KEY_ANALYSIS,
    TBL_KEY_BOUNDARY,
    TBL_KEY_UNIT,
    TBL_KEY_LEGEND,
    TBL_KEY_REFERENCE,
    TBL_KEY_DICTION,
    TBL_KEY_GROUPING,
    TBL_KEY_PNT,
    TBL_KEY_COUNT
};

/* Slots BASENUMBER..DICTION, the ones a column may fill only once. */
#define TBL_KEY_UNSHARED_COUNT 13

/* Smallest width of a NUMERIC, DEC or FLOAT key-number column. */
#define TBL_KEY_MIN_WIDTH 8

/* One registered table; the project owns the list and every row in it. */
struct tbl_rec {
    char name[TBL_NAME_SIZE];           /* table name, not blank */
    int32_t column_count;               /* number of records in `columns` */
    sql_col_rec *columns;               /* the table's columns; owned */
    uint32_t user_word;                 /* copied with the row, never read here */
    int32_t table_type;                 /* TBL_TYPE_FIRST..TBL_TYPE_LAST */
    int32_t last_number;                /* highest unique number read by the check */
    sql_col_rec *keys[TBL_KEY_COUNT];   /* key slots: columns of `columns`, or null */
    uint16_t module_id;                 /* module number of an upgraded old project */
    int32_t numbers_read;               /* 1 once the numbers were read since logon */
    tbl_rec *next;                      /* next row of the project's list */
};

/* Record helpers. */
void tbl_rec_init(tbl_rec *row);
tbl_rec *tbl_rec_new(void);
int tbl_rec_copy(tbl_rec *dst, const tbl_rec *src);
void tbl_list_free(tbl_rec *list);
tbl_rec *tbl_find_by_name(tbl_rec *list, const char *name, int *index);
tbl_rec *tbl_nth(tbl_rec *list, int n);
tbl_rec *tbl_find_by_type(tbl_rec *list, int type, int *index);

/* The project's list. */
int tbl_insert(pjct_rec *project, tbl_rec *row);
int tbl_remove(pjct_rec *project, tbl_rec *row);
int tbl_add(pjct_rec *project, tbl_rec *row);
int tbl_rebind_columns(pjct_rec *project, tbl_rec *row, const char *old_name);
int tbl_unregister(pjct_rec *project, tbl_rec *row);

/* The re-binding of the column references the registry does not know of
** (stored queries, pie and chemistry diagrams): called by
** tbl_rebind_columns with its arguments, after the point setups, while
** the old columns still exist. The core sets it when a project logs on;
** null (the default) re-binds only the point setups. */
typedef void (*tbl_rebind_fn)(pjct_rec *project, tbl_rec *row, const char *old_name);
void tbl_set_rebind_hook(tbl_rebind_fn fn);

/* Definition rules. */
int tbl_resolve_definition(tbl_rec *row, int read_numbers);
/* Why the last tbl_resolve_definition answered -11026 (the numbers could
** not be read): "table STATN cannot be read: <the driver's words>"; "" when
** the last reading of numbers went through. */
const char *tbl_numbers_failure(void);
int tbl_check_key_column(tbl_rec *row, int index);
int tbl_key_column_unshared(const tbl_rec *row, const sql_col_rec *column, int slot);
int tbl_key_slot_of_index(int index);
const char *tbl_definition_error_text(int code);

/* Lowest and highest table-definition error codes. */
#define TBL_ERR_FIRST (-11072)
#define TBL_ERR_LAST  (-11001)

/* Small name helpers shared by the registry, the input rules and the
** point setups: comparisons without regard to case. */
int tbl_name_cmp(const char *a, const char *b);
int tbl_name_blank(const char *s);
sql_col_rec *tbl_column_find(sql_col_rec *columns, const char *name, const char *table, int *index);

#endif
