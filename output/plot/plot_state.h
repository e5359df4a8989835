/*
** plot_state.h: the plot state shared by the plot options dialog, the
** record plotting loop, its output stages and the export command: the
** output type with its label and file extension, the source of the rows
** (cursor, row, query, project), the options the user chose, the work
** arrays of the E00 and MapInfo writers and the drawing's layer names.
**
**     plot_reset();                          // type idle, options freed
**     g_plot_state.cursor = cursor; ...      // set by the options dialog
**     long n = plot_records(dialog, 0);      // the loop (output/plot/plot.h)
**
** The state is file-level and lives from the options dialog to the reset
** that follows the plot.
*/
#ifndef PV_OUTPUT_PLOT_STATE_H
#define PV_OUTPUT_PLOT_STATE_H

#include <cstdint>
#include <string>
#include <vector>

#include "coords/geo_point.h"
#include "core/tbl_column.h"
#include "output/plot/plot.h"

struct qry_rec;
struct pjct_rec;
struct prj_rec;

/* Output types. */
#define PLOT_TYPE_MAP     1
#define PLOT_TYPE_IMAGE   2
#define PLOT_TYPE_TABLE   3
#define PLOT_TYPE_TEXT    4
#define PLOT_TYPE_E00     5
#define PLOT_TYPE_MIF     6
#define PLOT_TYPE_SPANS   7
#define PLOT_TYPE_STEREO  8
#define PLOT_TYPE_ROSE    9
#define PLOT_TYPE_CHEM    10
#define PLOT_TYPE_PIE     11
#define PLOT_TYPE_DHOLE   12
#define PLOT_TYPE_UNITS   14
#define PLOT_TYPE_AOB     15
#define PLOT_TYPE_DXF     16
/* Highest type of the type table; the loop serves 1 to PLOT_TYPE_LOOP_LAST. */
#define PLOT_TYPE_LAST      16
#define PLOT_TYPE_LOOP_LAST PLOT_TYPE_DHOLE

/* Passes of plot_records: one pass, and the two of E00 and of MapInfo in a
** USER projection. */
#define PLOT_PASS_SINGLE 0
#define PLOT_PASS_FIRST  1
#define PLOT_PASS_SECOND 2

/* Rule flags the loop works with. */
#define PLOT_RULE_PLOT  0x20u   /* the column places symbols */
#define PLOT_RULE_MEMO  0x200u  /* memo column */
#define PLOT_RULE_POINT 0x400u  /* column of a point setup */
#define PLOT_RULE_IMAGE 0x1000u /* image column */
#define PLOT_RULE_UNIQUE 0x10u  /* values are unique */

/* The label of a type of the type table ("" outside 1..16). */
const char *plot_type_label(int type);
/* The file extension of a type (".TXT", ".E00", ".MIF", ".TBA", ".AOB",
** ".DXF"); "" for types without one. */
const char *plot_type_ext(int type);

/* The work arrays of the E00 and MapInfo writers: one entry per chosen
** output column present in the row, after `lead` leading entries that the
** export fills with entity columns. */
struct plot_buffers_rec {
    int count;                 /* entries in use (lead + chosen columns) */
    int lead;                  /* leading entries of the export, 0 for the loop */
    sql_col_rec **column;      /* each entry's column record; borrowed */
    const char **table;        /* its table name; borrowed from the column */
    int *type;                 /* E00 item type code or MapInfo column type */
    int *length;               /* width */
    int *decimals;             /* decimals */
    const char **value;        /* the value text; borrowed from the column */
};

/* The plot state. Pointers marked borrowed belong to the browser or the
** project; the rest is owned and freed by plot_free_options. */
struct plot_state_rec {
    void *cursor;              /* open cursor of the browsed rows; borrowed */
    sql_col_rec *row;          /* the rows' column list; borrowed */
    qry_rec *query;            /* the query whose post-filter applies, or null; borrowed */
    pjct_rec *project;         /* project of the query's connection; borrowed */
    int *out_index;            /* chosen output columns, positions in the row; owned */
    int out_count;             /* entries of out_index */
    std::string file_name;     /* base name with the type's extension (TABLE: the table name) */
    prj_rec *out_prj;          /* output projection, null for none; borrowed */
    sql_col_rec *sym_col;      /* symbol column, or null; borrowed */
    sql_col_rec *strike_col;   /* strike or trend column, or null; borrowed */
    double height;             /* text height option, 0 for none */
    double scale;              /* symbol scale option, 0 for none */
    char col_delim;            /* column delimiter, 0 for a blank */
    char txt_delim;            /* text delimiter, 0 for a blank */
    geo_box first_box;         /* bounding box measured by a first pass */
    int has_first_box;         /* 1 when first_box holds a measured box */
    char **layer_names;        /* the drawing's layer names, null-terminated; owned */
    plot_buffers_rec buffers;  /* work arrays of the E00 and MapInfo stages; owned */
    long e00_labels;           /* labels written by E00 pass 1 */
    long e00_pat_rows;         /* .PAT records written by E00 pass 2 */
    sql_col_rec *table_cols;   /* column list of the TABLE output's new table; owned */
    std::vector<std::string> renamed; /* "OLD as NEW" per column the header renamed to keep names unique */
};

/* The one plot state. */
extern plot_state_rec g_plot_state;

/* Frees the output index array and the layer-name list, clears the file
** name, projection, symbol and strike columns, sizes, delimiters and the
** first-pass bounding box. */
void plot_free_options(void);
/* Rebuilds the list of the drawing's layer names. 0; -5001 (and no list)
** when the drawing has no layer; -9101 without memory. */
int plot_collect_layer_names(void);

/* Sizes the work arrays to lead plus the chosen columns present in the
** row, zeroed, with the chosen columns' records and table names. 0; -2
** when no chosen column is present; -9101 without memory. */
int plot_alloc_buffers(int lead);
/* Forgets the work arrays' entries (count 0, arrays kept). */
void plot_clear_buffers(void);
/* Releases the work arrays. */
void plot_free_buffers(void);

#endif
