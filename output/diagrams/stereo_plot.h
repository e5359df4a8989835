/*
** stereo_plot.h: the stereonet's state and the three stages that draw a
** net: the frame (stereo_plot_begin), one plane or line per row
** (stereo_plot_row) and the block placed by the user's circle
** (stereo_plot_end). The dialog fills the state; the command and the
** record plotting loop run the stages.
**
**     g_stereo.project = p; g_stereo.planar = 1; g_stereo.pole = 1; ...
**     if (stereo_plot_begin() == 0) { ... stereo_plot_row() ...; stereo_plot_end(); }
*/
#ifndef PV_OUTPUT_STEREO_PLOT_H
#define PV_OUTPUT_STEREO_PLOT_H

#include "platform/include/ads_host.h"

struct pjct_rec;
struct sql_col_rec;
struct sym_rec;

/* Room of the title: 512 characters and the terminator. */
#define STEREO_TITLE_SIZE 513
/* Name of the project's symbol setup for stereonets, also their default
** layer. */
#define STEREO_SETUP_NAME "STEREONET"

/* The stereonet being set up or drawn. */
struct stereo_state {
    int planar;                /* 1: planes (strike and dip) are plotted */
    int linear;                /* 1: lines (trend and plunge) are plotted */
    int equal_area;            /* 1: equal-area net (set by every reset) */
    int stereographic;         /* 1: stereographic net */
    int great_circle;          /* 1: planes as great circles */
    int pole;                  /* 1: planes as poles */
    int dip_direction;         /* 1: the strike column holds the dip direction */
    int plunge_direction;      /* 1: the trend is turned by 90 degrees likewise */
    sql_col_rec *strike;       /* chosen columns; borrowed from the row or a table */
    sql_col_rec *dip;
    sql_col_rec *trend;
    sql_col_rec *plunge;
    pjct_rec *project;         /* chosen project; borrowed */
    sql_col_rec *row;          /* the row to plot; borrowed; null none */
    ads_name selection;        /* every entity drawn for the net */
    char title[STEREO_TITLE_SIZE]; /* the title; the block name once converted */
};

/* The one stereonet of the module. */
extern stereo_state g_stereo;

/* Sets equal-area, clears every other flag and column, forgets the row
** and erases the entities collected so far. Project and title stay. */
void stereo_reset(void);
/* 0 when the settings are complete: a project, one net type, planar or
** linear (not both), both columns of the pair and, for planes, pole or
** great circle (not both); -1 otherwise. */
int stereo_check(void);
/* A new setup for stereonets: the shape "OUTCROP" at 0.02 when a loaded
** library holds it, else the text "x" at 0.1; layer "STEREONET", colour
** 0. Owned by the caller (sym_free); null without memory. */
sym_rec *stereo_default_symbol(void);
/* Draws the frame of the net in block units (radius 1): circle, "N", the
** tick lines and the title along the right side. LIMCHECK is held at 0
** until stereo_plot_end. 0; -1 when the settings fail or a maker fails
** (what was drawn is erased). */
int stereo_plot_begin(void);
/* Plots the state's row: a great circle ARC, or a pole or line symbol,
** linked to the row. 0; -1 when the row has no usable values, no
** registered table or key, or the drawing fails; -2 for invalid settings
** or no row. */
int stereo_plot_row(void);
/* Makes the collected entities into the block named by the converted
** title and inserts it where the user draws a circle, scaled by its
** radius. The insertion's result; -1 when the block or the pick fails;
** -2 for invalid settings. The state is reset on every path. */
int stereo_plot_end(void);
/* In place of stereo_plot_end when the rows cannot all be read: erases
** what was drawn and resets the state, as a failing stage does. */
void stereo_plot_discard(void);

#endif /* PV_OUTPUT_STEREO_PLOT_H */
