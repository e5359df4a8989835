/*
** chem_plot.h: the chemistry diagram's state and its stages: the axis
** equations evaluated for a row, each row plotted as its symbol on an X-Y
** or a ternary diagram, the frame drawn after the last row and the whole
** made into a block that the user places with a circle. The dialogs
** (chem_dialog.h) fill the state; the record plotting loop runs the
** stages (chem_dialog_run, then chem_plot_row per row, then
** chem_plot_end).
**
**     if (chem_dialog_run(row) == 0) { ... chem_plot_row() per row ...; chem_plot_end(); }
*/
#ifndef PV_OUTPUT_CHEM_PLOT_H
#define PV_OUTPUT_CHEM_PLOT_H

#include <cstddef>
#include <vector>

#include "coords/geo_point.h"
#include "core/chem_term.h"
#include "core/sym_setup.h"
#include "draw/sym_place.h"
#include "platform/include/ads_host.h"

/* The project's symbol setup for chemistry diagrams, also their default
** layer. */
#define CHEM_SETUP_NAME "GEOCHEMISTRY"
/* Name of the block placement before a diagram names it. */
#define CHEM_BLOCK_PLACEHOLDER "*GEOCHEMISTRY"
/* Room of an axis title: 255 characters and the terminator. */
#define CHEM_TITLE_SIZE 256
/* Room of a block name: the diagram's name and a three-character suffix. */
#define CHEM_BLOCK_NAME_SIZE (CHEM_NAME_SIZE + 3)
/* Room of the block placement's font (a library name). */
#define CHEM_FONT_SIZE 129
/* Room of the name of the first sample left out: the symbol column's
** text (a key value of 257 characters at most) and the terminator. */
#define CHEM_SAMPLE_SIZE 258

/* A sample's label as drawn: moved off a marker drawn after it. */
struct chem_label {
    ads_name text;   /* its TEXT */
    geo_point point; /* its sample's point, block units */
    geo_point at;    /* where the text starts, block units */
    double width;    /* its length as a reader measures it */
    double height;   /* its text height */
};

/* The diagram being set up or drawn. */
struct chem_state {
    chem_term_rec *x_equ;            /* X equation; owned copy; null none */
    chem_term_rec *y_equ;            /* Y equation; owned copy; null none */
    chem_term_rec *z_equ;            /* Z equation; owned copy; null for an X-Y diagram */
    sql_col_rec *row;                /* the row to plot; borrowed */
    sql_col_rec *symbol_col;         /* the row's column whose symbol is drawn; borrowed */
    pjct_rec *project;               /* the project of the row; borrowed */
    char name[CHEM_NAME_SIZE];       /* the diagram's name */
    geo_box limits;                  /* (XMIN, YMIN)-(XMAX, YMAX); all 0: none */
    geo_point scale;                 /* x XSCALE, y YSCALE; 1.0 when unset */
    geo_box data;                    /* smallest box of every plotted X-Y point */
    long data_points;                /* number of points in the data box; 0: none */
    long rows;                       /* rows offered to the diagram */
    long left_out;                   /* rows left out for a missing value of an equation */
    char first_left_out[CHEM_SAMPLE_SIZE]; /* the first of them: its symbol column's text,
                                     ** else "row N" */
    ads_name selection;              /* every entity drawn for the diagram */
    sym_place_rec block;             /* placement of the final INSERT; its texts below */
    char block_layer[SYM_LAYER_SIZE];/* the placement's layer */
    char block_font[CHEM_FONT_SIZE]; /* the placement's font */
    char block_name[CHEM_BLOCK_NAME_SIZE]; /* the placement's block name */
    std::vector<geo_box> markers;          /* boxes of the markers drawn so far, block units */
    std::vector<chem_label> labels;        /* the sample labels drawn so far */
};

/* The one chemistry diagram of the module. */
extern chem_state g_chem;

/* Clears the state (the equations are forgotten, not freed): no row,
** symbol column or name, scales 1.0, both boxes zero, no rows counted, no
** labels or markers, the block placement rebuilt without a setup. */
void chem_state_reset(void);
/* Frees the three equations and resets the state. */
void chem_state_free(void);
/* Rebuilds the block placement: name "*GEOCHEMISTRY"; layer, colour, size
** (|scale|, 1.0 when 0) and, for a setup that is not a library symbol, font
** from the project's symbol setup named like the diagram, else the one
** named "GEOCHEMISTRY"; without a setup layer "GEOCHEMISTRY" and colour
** -1; mode 1. */
void chem_placement_from_symbol(const pjct_rec *project, const char *name);

/* 0 when X and Y equations, row and symbol column are set and the limits
** run upwards; -1 otherwise. */
int chem_check(void);
/* The value of an equation for a row: two passes (brackets, then the
** operators between terms), division only by values other than 0, and the
** base-10 logarithm (0 for a result of 0 or less) when the first term
** asks for it. 0 for no equation. */
double chem_eval_equation(chem_term_rec *equation, sql_col_rec *row);
/* Writes the display text of an equation into buffer (size bytes): empty
** for none; a term that does not fit ends the text. Spaced, each operator
** stands between blanks ("NA2O + K2O", as an axis title reads) where the
** dialog's form keeps it against its term ("NA2O+ K2O"). Answers its
** length. */
int chem_equation_text(const chem_term_rec *equation, char *buffer, size_t size, bool spaced = false);
/* 1 when a column that a term of the equation names is in the row with a
** null or blank value; 0 otherwise (a term whose column the row lacks
** stands for its constant, as chem_eval_equation takes it). */
int chem_equation_lacks_value(const chem_term_rec *equation, sql_col_rec *row);
/* Plots one row on the diagram at the value of its equations (ternary
** when z is given) with the placement of the symbol column `symbol`. A
** row with a value of its equations missing (chem_equation_lacks_value)
** is not plotted: it is counted in the state's left_out, the first one
** named in first_left_out. A text symbol is a label beside a small circle
** on the point, covering no other label and no marker: a label drawn
** before that the new marker would cover is moved off it. 0 when drawn;
** -1 when the row lacks a value,
** lies outside the limits, is a ternary row without a sum, has no
** placement for the column or cannot be drawn; -2 for missing arguments. */
int chem_plot_point(chem_term_rec *x, chem_term_rec *y, chem_term_rec *z, sql_col_rec *row, const char *symbol);
/* Plots the state's row: the result of chem_plot_point; -2 when
** chem_check fails. */
int chem_plot_row(void);
/* Draws the frame after the last row: an existing block of the diagram's
** name is inserted instead; X-Y axes with ticks, labels and titles (the
** limits taken from the plotted points when unset, then scaled); the
** ternary triangle with its titles. 0; -1 when a maker fails; -2 when
** chem_check fails. */
int chem_frame(void);
/* The first block name "<name>NNN" from 001 to 999 not in the drawing,
** else "<name>XXX", into out (CHEM_BLOCK_NAME_SIZE bytes). */
void chem_unique_block_name(const char *name, char *out);
/* Draws the frame, makes the collected entities into a block and inserts
** it where the user draws a circle. The insertion's result; -1 when the
** frame, the block or the circle fails, or when an X-Y diagram has no
** extent to scale by (its entities are erased); -2 when chem_check fails.
** LIMCHECK is given back and the state freed on every path. */
int chem_plot_end(void);
/* In place of chem_plot_end when the rows cannot all be read: erases what
** was drawn, gives LIMCHECK back and frees the state. */
void chem_plot_discard(void);
/* The plot's set-up: runs the diagram dialog on the row with LIMCHECK
** held at 0, then starts the selection set. 0; -1 when the dialog was
** cancelled or could not run (LIMCHECK given back); -2 without a row. */
int chem_dialog_run(sql_col_rec *row);

#endif
