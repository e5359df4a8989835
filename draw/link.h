/*
** link.h: the link of a drawing entity to its table row.
**
** Every entity drawn for a row carries the row's link in its extended
** data under the application "PETRIVEX":
**     (-3 (1001 "PETRIVEX") (1000 project) (1000 table) (1071 row id)
**         (1000 key column) (1000 key value) (1000 extra))
** This file holds the record, its writing and reading, the checks against
** the logged-on projects and a fetched row, the comparison of two links,
** the selection of the entities of one row, and the older numeric form
** met in old drawings. The editor's own link store is kept in step by
** link_ase.h.
**
**     link_rec l;
**     if (link_xdata_get(&l, ename) == 0 && link_compare(&l, &other) == LINK_SAME_ROW) ...
*/
#ifndef PV_DRAW_LINK_H
#define PV_DRAW_LINK_H

#include <cstdint>

#include "coords/geo_point.h"
#include "platform/include/ads_host.h"

struct sql_col_rec;

/* Sizes of the link's texts, terminator included. */
#define LINK_PROJECT_SIZE 257   /* project name, at most 256 characters */
#define LINK_TABLE_SIZE    21   /* table name, at most 20 */
#define LINK_COLUMN_SIZE   21   /* key column name, at most 20 */
#define LINK_VALUE_SIZE   258   /* key value and extra, at most 257 */

/* Sizes of the older form's texts, terminator included. */
#define LINK_LEGACY_TEXT_SIZE  65
#define LINK_LEGACY_VALUE_SIZE 33
/* Legacy table and column numbers below this never name anything. */
#define LINK_LEGACY_MIN_NUMBER 257

/* The application whose extended data holds the link. */
#define LINK_APP_NAME "PETRIVEX"

/* Extended-data group codes of the link. */
#define LINK_XD_START (-3)   /* start of extended data */
#define LINK_XD_APP   1001   /* application name */
#define LINK_XD_TEXT  1000   /* a text */
#define LINK_XD_SHORT 1070   /* 16-bit integer (older form) */
#define LINK_XD_LONG  1071   /* 32-bit integer */

/* The link codes. */
#define LINK_ERR_NOTHING_PICKED (-9801)  /* nothing selected */
#define LINK_ERR_NOT_LINKED     (-9802)  /* not linked, or links unrelated */
#define LINK_ERR_PROJECT        (-9803)  /* project not logged on */
#define LINK_ERR_TABLE          (-9804)  /* table not registered, row of another table */
#define LINK_ERR_ROW            (-9805)  /* row id missing, row not found */
#define LINK_ERR_COLUMN         (-9806)  /* column missing */
#define LINK_ERR_ROW_ID         (-9807)  /* row id differs from BASENUMBER */
#define LINK_ERR_KEY_VALUE      (-9808)  /* key value missing */
#define LINK_ERR_GEOMETRY       (-9809)  /* a geometry group is missing */

/* Levels of link_compare: smaller is closer. */
#define LINK_SAME_ROW     1   /* same table and row id */
#define LINK_SAME_GROUP   2   /* same table, key value and non-blank extra */
#define LINK_SAME_TABLE   4   /* same table and key value */
#define LINK_SAME_STATION 8   /* same key value in related tables */

/* Window of link_ss_same_row: this many times the entity's size. */
#define LINK_WINDOW_FACTOR 15.0

/* The link of one entity to its row. */
struct link_rec {
    char project[LINK_PROJECT_SIZE];  /* logged-on project */
    char table[LINK_TABLE_SIZE];      /* registered table */
    int32_t row_id;                   /* the row's BASENUMBER; negative: no link */
    char key_column[LINK_COLUMN_SIZE];/* the column the entity stands for */
    char key_value[LINK_VALUE_SIZE];  /* the row's own key column's value as text */
    char extra[LINK_VALUE_SIZE];      /* the row's GROUPING value, empty when none */
};

/* The older numeric form, read only. */
struct link_legacy_rec {
    char text[LINK_LEGACY_TEXT_SIZE];        /* read, not used */
    uint16_t project;                        /* legacy project number */
    uint16_t table;                          /* legacy table number */
    uint16_t row_id;                         /* row id */
    uint16_t column;                         /* legacy column number */
    char key_value[LINK_LEGACY_VALUE_SIZE];  /* key value */
    char extra[LINK_LEGACY_VALUE_SIZE];      /* extra, empty when absent */
};

/* ---- The record ---- */

/* Empties every text and sets the row id to 0. */
void link_clear(link_rec *link);
/* 1 when the link is null or not complete (negative row id, or a blank
** project, table, key column or key value), else 0. */
int link_incomplete(const link_rec *link);
/* Copies every field; 0, -2 for a missing argument. */
int link_copy(link_rec *to, const link_rec *from);
/* 0 for a valid link; -2 incomplete; -9803 no such logged-on project;
** -9804 no such registered table; -9806 no such column in the table. */
int link_validate(const link_rec *link);
/* Checks a fetched row against the link; 0 when it is the linked row.
** -2 missing or incomplete; -9803, -9804 as link_validate; -9804 for a row
** of another table; -9806 when the row lacks the key column, BASENUMBER
** or the table's own key column; -9807 when BASENUMBER is not the row id. */
int link_check_row(const link_rec *link, sql_col_rec *row);
/* Name of the own key column of a table type (STATION, the type's own
** column, or BASENUMBER); null for a type out of range. */
const char *link_own_key_name(int table_type);
/* The logged-on project and registered table a link names, into the
** given places (each may be null). 0; -9803; -9804. */
int link_find_table(const link_rec *link, struct pjct_rec **project, struct tbl_rec **table);
/* Name of a table's BASENUMBER column: its registered column's, else
** "BASENUMBER". */
const char *link_id_column_name(const struct tbl_rec *table);
/* Key slot (TBL_KEY_*) of the own key column of a table type; -1 for a
** type out of range. */
int link_own_key_slot(int table_type);

/* ---- Extended data ---- */

/* Trims the link's texts, validates it (its code on failure) and puts its
** group on the entity list, replacing an existing -3 item and all after
** it, else appending. 0; -1 when the group cannot be built; -2 for a null
** list. */
int link_xdata_put(link_rec *link, struct resbuf *list);
/* The same with only the completeness check (-2 when incomplete). */
int link_xdata_put_raw(link_rec *link, struct resbuf *list);
/* Puts on the entity list the application's name without a link, so that
** the entity modified with it loses its link. 0; -1 when the group cannot
** be built; -2 for a null list. */
int link_xdata_remove(struct resbuf *list);
/* Reads the entity with its "PETRIVEX" data and parses the link. 0, the
** parse's code; -9802 when the entity cannot be read; -2 for a null name. */
int link_xdata_get(link_rec *link, const ads_name ename);
/* Parses the group of an entity list and validates it. 0; -9802 no group,
** another application; the code of the first missing item (-9803 project,
** -9804 table, -9805 row id, -9806 key column, -9808 key value); else the
** validation's code. -2 for a missing argument. */
int link_xdata_parse(link_rec *link, const struct resbuf *list);
/* The same ending with the completeness check only (-9802 incomplete). */
int link_xdata_parse_raw(link_rec *link, const struct resbuf *list);
/* Reads an entity with its "PETRIVEX" extended data; the list is the
** caller's to release; null when the entity cannot be read. */
struct resbuf *link_entget(const ads_name ename);
/* Lets the user pick one entity and parses its link; the entity's list
** (with the application's data) goes to *list_out for the caller to
** release. 0; -9801 nothing picked or unreadable; -9802 not linked; the
** parse's code; -2 for missing arguments. */
int link_pick(const char *prompt, struct resbuf **list_out, link_rec *link);
/* How closely two links relate: 1, 2, 4 or 8 (LINK_SAME_*); -9802 when
** they are invalid, of other projects or unrelated. */
int link_compare(const link_rec *a, const link_rec *b);

/* ---- Entities of a row ---- */

/* Selects with a crossing window of half size h around centre the linked
** entities whose link compares with `link` at a level from 1 to `level`.
** The number kept; -1 when the selection fails; -9802 when none is kept
** (set freed); -2 for a level other than 1, 2, 4, 8 or missing arguments. */
int link_ss_window(const geo_point *centre, double half, const link_rec *link, int level, ads_name ss);
/* The same over the whole drawing: every linked entity whose link compares
** with `link` at a level from 1 to `level`, wherever it lies. */
int link_ss_drawing(const link_rec *link, int level, ads_name ss);
/* The window link_ss_same_row uses for an entity list: its centre and
** half size by entity type. 0; -9809 when a group it needs is missing;
** -9802 for another type; -2 for missing arguments. */
int link_window_of(const struct resbuf *list, geo_point *centre, double *half);
/* Frees a set still held in ss, parses the entity's link and selects the
** linked entities of its row around it (link_ss_window). The count; the
** parse's or the window's code; -2 for bad arguments. */
int link_ss_same_row(const struct resbuf *list, int level, ads_name ss);
/* Length of an LWPOLYLINE (its vertices in the list) or a POLYLINE (its
** VERTEX entities up to SEQEND); the last vertex goes to last_out. 0.0
** for a missing list or entity name. */
double ent_polyline_length(const struct resbuf *list, geo_point *last_out);
/* 1 when the entity's link is keyed by its table's BASENUMBER column. */
int link_keyed_by_id(const ads_name ename);
/* Drops the entities keyed by BASENUMBER from the set and groups the rest
** by row into a new array of as many ints (each group: the negated index
** of its first entity, then the indexes of the later ones). 0; -2 empty
** set; -1 nothing left (set freed); -9101 without memory. */
int link_ss_group_rows(int **array_out, ads_name ss);

/* ---- Rows ---- */

/* Fetches the linked row: "SELECT * FROM table WHERE BASENUMBER = id"
** and moves on until link_check_row passes. 0 with the query open for the
** caller; -9805 (closed) when no row qualifies; the validation's code; the
** SQL layer's code when the query fails. */
int link_row_fetch(const link_rec *link, void **cursor, void **stmt, sql_col_rec **row);
/* Whether the link names a row that exists (link_row_fetch, the query
** closed again): 0 when it does; else link_row_fetch's code. */
int link_row_exists(const link_rec *link);
/* Fills the link from a row of a registered table for the given column.
** 0; -1 (link cleared) when anything is missing; -2 for missing arguments. */
int link_from_row(link_rec *link, sql_col_rec *row, const sql_col_rec *column);
/* The row's BASENUMBER column record; null when missing. */
sql_col_rec *link_row_id_column(sql_col_rec *row);

/* ---- The older form ---- */

/* Reads and checks the older form of an entity's link. 0; -9802 wrong
** items or incomplete; -9803, -9804, -9806 when its numbers name nothing. */
int link_legacy_get(link_legacy_rec *legacy, const ads_name ename);
/* A current link from an older one, by the names its numbers stand for.
** 0; -9803, -9804, -9806 as link_legacy_get; -2 for missing arguments. */
int link_legacy_convert(const link_legacy_rec *legacy, link_rec *link);

#endif
