/*
** tbl_column.h: the column record of a table's column list.
**
** A row of a table, as the SQL access layer describes or fetches it, is a
** singly linked list of sql_col_rec, one per column. A registered table
** (tbl_rec) keeps the list of its columns; its key slots and the point
** setups point into that list, and each column points to its input rule.
**
**     for (sql_col_rec *c = row->columns; c; c = c->next)
**         if (c->sql_type == SQL_TYPE_CHAR) ...
**
** The SQL access layer of the core fills and frees these records; it is
** meant to take this record over as its own.
*/
#ifndef PV_CORE_TBL_COLUMN_H
#define PV_CORE_TBL_COLUMN_H

#include <cstdint>

struct col_attr_rec;

/* Size of a table or column name buffer: 20 characters and the terminator. */
#define SQL_COL_NAME_SIZE 21

/* SQL type codes of the application. */
#define SQL_TYPE_CHAR     1
#define SQL_TYPE_NUMERIC  2
#define SQL_TYPE_DEC      3
#define SQL_TYPE_INT      4
#define SQL_TYPE_SMALLINT 5
#define SQL_TYPE_FLOAT    6
#define SQL_TYPE_REAL     7
#define SQL_TYPE_DOUBLE   8

/* Null indicator value of a null column. */
#define SQL_COL_NULL 0xFFFFu

/* One column of a row. */
struct sql_col_rec {
    char name[SQL_COL_NAME_SIZE];   /* column name (the record begins with it) */
    char table[SQL_COL_NAME_SIZE];  /* name of the column's table */
    int32_t sql_type;               /* SQL_TYPE_CHAR .. SQL_TYPE_DOUBLE */
    int32_t value_type;             /* host value type: 1 short, 2 long, 3 float, 4 double, 5 string */
    int32_t value_size;             /* bytes of the value buffer */
    int32_t display_width;          /* characters shown */
    int32_t length;                 /* declared length or precision, characters */
    int32_t decimals;               /* declared decimals */
    uint16_t null_ind;              /* SQL_COL_NULL when the value is null */
    uint16_t shown;                 /* bit 0: the column is shown */
    char *text;                     /* the value as text, at least length + 1 bytes; owned */
    void *value;                    /* the binary value; owned */
    char *format;                   /* printf output format; owned, may be null */
    col_attr_rec *attr;             /* input rule: a project's list owns it, a
                                       placeholder (flag 0x40) is owned by this record */
    void *connection;               /* SQL connection the column belongs to; not owned */
    sql_col_rec *next;              /* next column of the row; owned by the row */
};

#endif
