/*
** setup_columns.h: the column layouts of the setup tables PVTABLE,
** PVCOLUMN and PVPOINT, and the conversion of one row's texts into a
** registry row, an input rule or a point setup and back.
**
** The core's setup store runs the SQL: it selects the columns of a layout
** in layout order (setup_select_list), hands each fetched row's texts to
** the *_from_setup_row function and registers the record; to save, it
** fills a setup_row with the *_to_setup_row function and inserts the texts
** in layout order. A missing table is created from the layout
** (setup_column_type_text gives each column's SQL type).
**
**     const setup_table_def *pv = setup_layout(SETUP_PVTABLE);
**     char cols[1024];
**     setup_select_list(pv, cols, sizeof cols);   // TABLENAME, ..., "POINT"
**
** Layouts (types by the application's SQL type codes):
**
** PVTABLE, one registered table; 21 columns, each CHAR(20):
**   TABLENAME  the table name
**   TABLETYPE  the name of its table type (ANALYSIS .. OTHER)
**   BASENUMBER the column of its unique number
**   ANALYSIS SAMPLE COMPOSE ROCK GENESIS SEGMENT STATION OUTCROP TRAVERSE
**   BOUNDARY UNIT LEGEND REFERENCE DICTION OTHER
**              table type names; those that are key slots hold the name of
**              the column filling that slot (COMPOSE, GENESIS and OTHER
**              are always blank)
**   GROUPING   the grouping key column
**   PNT        the point key column
**   "POINT"    (a quoted identifier) the point key column once more;
**              read into the PNT slot when PNT is blank
**
** PVCOLUMN, one input rule:
**   COLUMNAME  CHAR(20)  column name
**   TABLENAME  CHAR(20)  table name
**   DICTIONARY CHAR(20)  dictionary name, blank for none
**   PROFILE    CHAR(20)  profile name, blank for none
**   FLAGS      INT       flag word (bits of col_attr.h); the placeholder,
**                        profile-loaded and point bits are dropped on load:
**                        the tree and the point setups are tied afresh
**   RANGEFLAGS INT       1 minimum set, 2 maximum set
**   PICKLEVEL  INT       profile level used for picking, 0 none
**   EXTRAWORD  INT       the rule's extra 16-bit word
**   DELIMITER  CHAR(1)   separator of several picked values
**   DEFAULTVAL CHAR(254) default value as text, blank for none
**   MINIMUM    DOUBLE    lowest value allowed
**   MAXIMUM    DOUBLE    highest value allowed
**
** PVPOINT, one point setup:
**   TABLENAME  CHAR(20)  the registered table
**   XCOLUMN    CHAR(20)  column holding X
**   YCOLUMN    CHAR(20)  column holding Y
**   ZCOLUMN    CHAR(20)  column holding Z, blank for none
**   SYMCOLUMN  CHAR(20)  column naming the symbol, blank for none
**   PROJECTION CHAR(32)  name of the coordinate system of X and Y
**
** Numbers are written as decimal texts, doubles with 17 significant
** digits so that they read back to the same value.
*/
#ifndef PV_CORE_SETUP_COLUMNS_H
#define PV_CORE_SETUP_COLUMNS_H

#include <cstddef>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pnt.h"
#include "core/tbl.h"

/* Widths of the setup tables' texts. */
#define SETUP_NAME_WIDTH     20   /* table, column, dictionary and profile names */
#define SETUP_DEFAULT_WIDTH  254  /* default value of an input rule */
#define SETUP_PRJ_NAME_WIDTH 32   /* name of a coordinate system */

/* One row's texts in layout order: enough columns for PVTABLE, room for the
** widest text (the default value) and its terminator. */
#define SETUP_MAX_COLUMNS 21
#define SETUP_TEXT_SIZE   (SETUP_DEFAULT_WIDTH + 1)

/* Column counts and indexes of PVCOLUMN and PVPOINT (PVTABLE's are the
** TBL_DEF_* indexes of core/tbl.h). */
#define PVCOLUMN_COLUMNAME  0
#define PVCOLUMN_TABLENAME  1
#define PVCOLUMN_DICTIONARY 2
#define PVCOLUMN_PROFILE    3
#define PVCOLUMN_FLAGS      4
#define PVCOLUMN_RANGEFLAGS 5
#define PVCOLUMN_PICKLEVEL  6
#define PVCOLUMN_EXTRAWORD  7
#define PVCOLUMN_DELIMITER  8
#define PVCOLUMN_DEFAULTVAL 9
#define PVCOLUMN_MINIMUM    10
#define PVCOLUMN_MAXIMUM    11
#define PVCOLUMN_COUNT      12

#define PVPOINT_TABLENAME  0
#define PVPOINT_XCOLUMN    1
#define PVPOINT_YCOLUMN    2
#define PVPOINT_ZCOLUMN    3
#define PVPOINT_SYMCOLUMN  4
#define PVPOINT_PROJECTION 5
#define PVPOINT_COUNT      6

/* The setup tables laid out here. */
enum setup_table_id { SETUP_PVTABLE, SETUP_PVCOLUMN, SETUP_PVPOINT };

/* One column of a setup table. */
struct setup_column_def {
    const char *name;   /* column name, static */
    int sql_type;       /* SQL_TYPE_* */
    int length;         /* characters of a CHAR column, 0 otherwise */
    int quoted;         /* 1: written as a quoted identifier ("POINT") */
};

/* One setup table. */
struct setup_table_def {
    const char *name;                  /* table name, static */
    const setup_column_def *columns;   /* its columns in layout order, static */
    int count;                         /* number of columns */
};

/* One row's texts in layout order, each terminated. */
struct setup_row {
    char text[SETUP_MAX_COLUMNS][SETUP_TEXT_SIZE];
};

const setup_table_def *setup_layout(int id);
const char *setup_number_type_name(int index);
int setup_select_list(const setup_table_def *layout, char *buf, size_t size);
const char *setup_column_type_text(const setup_column_def *column, char *buf, size_t size);

int tbl_from_setup_row(const char *const *texts, sql_col_rec *columns, tbl_rec *row);
int tbl_to_setup_row(const tbl_rec *row, setup_row *out);
int col_attr_from_setup_row(const char *const *texts, col_attr_rec *rule);
int col_attr_to_setup_row(const col_attr_rec *rule, setup_row *out);
int pnt_from_setup_row(const char *const *texts, pjct_rec *project, pnt_rec *setup,
                       char *projection, size_t size);
int pnt_to_setup_row(const pnt_rec *setup, const char *projection, setup_row *out);

#endif
