/*
** plot_opts.h: the plot options as read from the dialog "pv_plot_opts",
** checked and taken into the plot state; kept apart from the dialog so
** that every check can be tried on its own.
**
**     plot_opts_input in;  in.type = PLOT_TYPE_TEXT;  in.output = {0, 2};
**     in.file_name = "rocks.dat";  in.projection = -1;  in.symbol = -1;
**     std::string error;
**     if (plot_opts_apply(in, error) < 0) ... show error ...
**     // g_plot_state.file_name == "rocks.TXT"
*/
#ifndef PV_OUTPUT_PLOT_OPTS_H
#define PV_OUTPUT_PLOT_OPTS_H

#include <string>
#include <vector>

#include "core/tbl_column.h"

/* What the user chose in the dialog. List indexes count the entries of
** the lists as the dialog fills them; -1 for no choice. */
struct plot_opts_input {
    int type = 0;                /* output type */
    std::vector<int> output;     /* selected entries of "output" */
    std::string file_name;       /* "filename" as typed */
    int projection = -1;         /* entry of "projection" (the last is blank) */
    int symbol = -1;             /* entry of "symbol" (the last is blank) */
    std::string col_delim;       /* "col_delim" */
    std::string txt_delim;       /* "txt_delim" */
    std::string scale;           /* "scale" */
    std::string height;          /* "height" */
};

/* The positions in the row of the columns the "output" and "symbol" lists
** offer: those with a table and a column name. */
std::vector<int> plot_listed_columns(sql_col_rec *row);
/* The output file name of a typed name for a type: trimmed, the base cut
** at the first "." of its last path component, the type's extension
** appended (none for TABLE). "" when no base name is left. */
std::string plot_output_name(const std::string &typed, int type);
/* Checks the choices in order and takes them into the plot state's
** options (the state's row must be set). 0; -1 with the dialog's message
** in error (the options freed). */
int plot_opts_apply(const plot_opts_input &in, std::string &error);

#endif
