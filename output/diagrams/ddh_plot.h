/*
** ddh_plot.h: drill holes plotted for the rows of a query: the state the
** dialog pv_dhole prepares, the dialog, and the stages the record
** plotting loop runs for each row and after the last one.
**
** The rows of one hole are consecutive rows of the same station; each row
** is a survey segment (azimuth clockwise from north, dip below the
** horizontal, length). A hole becomes one POLYLINE: an octagon of width W
** around the collar, the plan trace of its segments, and a cross bar at
** the end; the polyline carries the link to the hole's station row.
**
** On a map with a projection (a geographic or projected system on an
** ellipsoid) lengths are metres and azimuths are from true north: each
** vertex of the trace is found on the ellipsoid (geodesic.h) from the one
** before and carried through the map's projection, so the trace turns by
** the map's convergence and keeps its length on the ground whatever the
** map's units. On a map without one (USER) the trace is laid out in map
** units with the azimuths from the map's north, as ever. A
** hole whose rows give a collar but no survey values is drawn as its
** collar.
**
**     if (pv_dhole_dialog(row) == 0) {
**         ... for each fetched row: if (ddh_plot_row() == 0) holes++; ...
**         if (ddh_plot_end() == 0) holes++;
**     }
*/
#ifndef PV_OUTPUT_DDH_PLOT_H
#define PV_OUTPUT_DDH_PLOT_H

#include "coords/geo_point.h"
#include "core/pjct.h"
#include "core/sym_setup.h"
#include "core/tbl_column.h"
#include "draw/sym_place.h"

struct prj_rec;

/* Name of the drill holes' symbol setup and their default layer. */
#define DDH_SETUP_NAME "DRILLHOLE"
/* Room of the current hole's station text: 257 characters and the
** terminator (the longest key value of a link). */
#define DDH_HOLE_SIZE 258

/* Room of the text naming a coordinate system that cannot be used. */
#define DDH_WHY_SIZE 160

/* The drill holes being set up or drawn. */
struct ddh_state {
    sql_col_rec *strike;         /* chosen columns of the row: azimuth, degrees clockwise from north */
    sql_col_rec *dip;            /* inclination, degrees below the horizontal */
    sql_col_rec *length;         /* segment length: metres on a map with a projection, map units on one without */
    sql_col_rec *row;            /* the query row; borrowed */
    pjct_rec *project;           /* the row's project; borrowed */
    sql_col_rec *station;        /* the row's station-number column (of a STATION table); borrowed */
    sql_col_rec *unique;         /* that table's base-number column in the row; borrowed */
    sql_col_rec *x;              /* the row's collar coordinates; borrowed */
    sql_col_rec *y;
    prj_rec *projection;         /* the coordinate system of x and y; borrowed */
    double run;                  /* horizontal length of the current hole so far (metres on the ground,
                                 ** map units on a map without a projection) */
    double reach;                /* that run measured on the map, map units */
    char hole[DDH_HOLE_SIZE];    /* station value of the current hole, trimmed; empty none */
    long number;                 /* base number of the current hole */
    int collar_drawn;            /* 1 once the current hole's collar octagon is drawn */
    int collar_known;            /* 1 once the current hole's collar is in map coordinates */
    int ground;                  /* 1 when the current hole's trace is laid out on the ellipsoid */
    geo_point collar;            /* collar position in map coordinates */
    geo_point collar_geo;        /* its longitude and latitude on the map's ellipsoid (ground) */
    geo_point previous;          /* the last two trace vertices */
    geo_point last;
    geo_point last_geo;          /* the last vertex's longitude and latitude (ground) */
    int failed;                  /* 1 once the current hole cannot be placed: its collar or a vertex
                                 ** converts to no point of the map */
    long unplaced;               /* holes of the plot that could not be placed on the map */
    char first_unplaced[DDH_HOLE_SIZE]; /* the first of them, its station value; empty none */
    char unplaced_why[DDH_WHY_SIZE];    /* why, when a system of the first cannot be used; else empty */
    sym_rec *symbol;             /* the drill-hole symbol setup copy; owned */
    sym_place_rec placement;     /* the polyline's layer, colour, width W (size) and link */
};

/* The drill holes of the module. */
extern ddh_state g_ddh;

/* Forgets everything: columns, row, project, the current hole, the holes
** not placed; the symbol and placement are rebuilt from the default. */
void ddh_reset_all(void);
/* Fills a setup with the drill holes' default: item "DRILLHOLE", owner
** kind 2, layer "DRILLHOLE", no colour, scale 1.0. 0; -9101 without
** memory; -2 for a null record. */
int ddh_default_symbol(sym_rec *setup);
/* Makes a setup usable: a colour below -1 or 0 becomes -1, a scale not
** above 0 becomes 1.0, a negative line width 0. */
void ddh_normalise_symbol(sym_rec *setup);
/* The polyline's placement: the setup's layer, scale (the collar width
** W), line width and colour, mode 3. */
void ddh_placement_from_symbol(const sym_rec *setup, sym_place_rec *placement);
/* The dialog pv_dhole over the row. 0 after OK; -1 after cancel, after
** one of the messages of a row that cannot be plotted, or when the dialog
** cannot be loaded; -2 without a row. */
int pv_dhole_dialog(sql_col_rec *row);
/* 0 when the settings are complete and consistent; -1 otherwise. */
int ddh_check(void);
/* Plots the state's row: finishes the current hole and starts another,
** or extends the current one. A row with a null or blank station, base
** number or collar is skipped; so is a row of the current hole without
** survey values (azimuth, dip or length null or blank), while such a row
** of another hole starts that hole with its collar. 0 when this row
** finished the previous hole successfully; -1 otherwise (the first row, a
** continuing row, a skipped row); -2 when the settings are incomplete. */
int ddh_plot_row(void);
/* 1 when the row's station is the current hole's: texts compared trimmed
** without regard to case, numbers by value; 0 when not; -1 for a null or
** blank station. */
int ddh_same_hole(void);
/* Starts a hole at this row (the state reset except the run): its link,
** its collar in map coordinates and, once the run reaches W/2 on the map,
** the octagon and the first trace vertex. A row without survey values
** gives the collar alone. 0 when the collar was drawn; -1 otherwise. */
int ddh_start(void);
/* Adds this row's segment to the current hole; a hole whose collar is not
** drawn yet is started again. 0 when a vertex was added; -1 otherwise. */
int ddh_extend(void);
/* Ends the current hole: an octagon at angle 0 alone for a hole shorter
** than W/2 on the map (also for a collar without survey values), else
** the cross bar; the polyline closed and its host link made (the polyline
** erased when that fails). A hole that could not be placed on the map (its
** collar or a vertex of its trace converts to no point of the map's system)
** draws nothing and is counted in unplaced, the first named in
** first_unplaced (with unplaced_why when the collar's or the map's system
** cannot be used at all). The hole is reset. 0; -1 for nothing drawn (no collar
** and no run) or a failure. */
int ddh_finish(void);
/* Opens the hole's polyline with the octagon of radius W/2 around the
** collar, its first vertex at angle `start` (radians). 0; a maker's
** failure. */
int ddh_collar(double start);
/* Fills the placement's link for the current hole. */
void ddh_link(void);
/* Finishes the last hole and resets everything but the count of the
** holes not placed, the first of them and why, which the plot's closing
** message tells. The finish's result. */
int ddh_plot_end(void);

#endif /* PV_OUTPUT_DDH_PLOT_H */
