/*
** export_columns.h: the fixed columns each export kind writes ahead of the
** attribute columns of the linked rows.
**
**   int n; const export_fixed_col *cols = export_fixed_columns(EXPORT_KIND_LINES, &n);
*/
#ifndef PV_OUTPUT_EXPORT_COLUMNS_H
#define PV_OUTPUT_EXPORT_COLUMNS_H

/* One fixed column. */
struct export_fixed_col {
    const char *name; /* column name */
    int sql_type;     /* SQL_TYPE_* */
    int width;        /* width in characters */
    int decimals;     /* decimals */
};

/* The fixed columns of a kind (EXPORT_KIND_*) with their count; null and 0
** for another kind. */
const export_fixed_col *export_fixed_columns(int kind, int *count);

#endif /* PV_OUTPUT_EXPORT_COLUMNS_H */
