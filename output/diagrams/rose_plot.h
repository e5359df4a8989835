/*
** rose_plot.h: the rose diagram's state and its stages: counters cleared
** (rose_plot_begin), one row's direction counted (rose_bin_row), and the
** diagram drawn as a block and placed by the user's circle (rose_plot).
**
**     g_rose.project = p; g_rose.angle = azim; g_rose.range = 360; g_rose.interval = 30;
**     rose_plot_begin(); ... g_rose.row = row; rose_bin_row(); ...; rose_plot();
*/
#ifndef PV_OUTPUT_ROSE_PLOT_H
#define PV_OUTPUT_ROSE_PLOT_H

#include <cstdint>

#include "core/sym_setup.h"
#include "draw/sym_place.h"
#include "output/diagrams/rose_geom.h"

struct pjct_rec;
struct sql_col_rec;

/* Room of the title: 512 characters and the terminator. */
#define ROSE_TITLE_SIZE 513
/* Name of the project's symbol setup for rose diagrams, also their
** default layer. */
#define ROSE_SETUP_NAME "ROSE_DIAGRAM"
/* Room of the wedges' fill pattern name. */
#define ROSE_PATTERN_SIZE 64

/* The rose diagram being set up or drawn. */
struct rose_state {
    pjct_rec *project;                  /* chosen project; borrowed */
    sql_col_rec *row;                   /* the row to count; borrowed; null none */
    sql_col_rec *angle;                 /* the angle column; borrowed */
    int dip;                            /* 1: dip directions, 90 subtracted before counting */
    double interval;                    /* width of an interval, degrees */
    double range;                       /* 180 or 360 degrees */
    int32_t counts[ROSE_MAX_INTERVALS]; /* one counter per interval */
    char title[ROSE_TITLE_SIZE];        /* the title as typed */
    sym_place_rec placement;            /* layer and colour of the wedges; the insertion */
    char layer[SYM_LAYER_SIZE];         /* the placement's layer text */
    char pattern[ROSE_PATTERN_SIZE];    /* the placement's pattern text */
};

/* The one rose diagram of the module. */
extern rose_state g_rose;

/* Clears interval, range, angle, dip and the counters, and initialises
** the placement. Project, row and title stay. */
void rose_reset(void);
/* Initialises the placement: layer "ROSE_DIAGRAM", colour 0. */
void rose_placement_init(void);
/* 0 when interval and range are above 0, range at least the interval,
** and an angle column and a project are chosen; -1 otherwise. */
int rose_check(void);
/* Applies the project's "ROSE_DIAGRAM" setup (when it has one) to the
** freshly initialised placement. */
void rose_apply_symbol(void);
/* A new default setup: "ROSE_DIAGRAM", layer "ROSE_DIAGRAM", colour 0.
** Owned by the caller (sym_free); null without memory. */
sym_rec *rose_default_symbol(void);
/* -2 when the settings fail; else clears the counters in use and answers 0. */
int rose_plot_begin(void);
/* Counts the state's row. 0 (counted or ignored); -1 without a usable
** value; -2 for invalid settings or no row. */
int rose_bin_row(void);
/* Draws the block named by the converted title and inserts it where the
** user draws a circle. The insertion's result; -2 for invalid settings;
** the first negative result of the block or the pick. */
int rose_plot(void);

#endif /* PV_OUTPUT_ROSE_PLOT_H */
