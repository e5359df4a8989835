/*
** crs_dialogs.h: the dialogs that edit the three global coordinate lists
** (ellipsoids, coordinate systems, transformations) and the control points
** of one transformation, with the helpers they share.
**
** Every change marks the matching setup of every logged-on project as
** changed (setup_mark_changed_all), so the next save writes it: 0x10
** ellipsoids, 0x20 systems, 0x40 transformations, 0x80 control points.
**
**     pv_datum(nullptr);          // the ellipsoid dialog, from the command line
**     pv_points_dialog(xfrm);     // the control points of one transformation
*/
#ifndef PV_MAP_CRS_DIALOGS_H
#define PV_MAP_CRS_DIALOGS_H

#include "coords/xfrm_list.h"
#include "platform/include/ads_host.h"
#include "platform/include/dcl_host.h"

/* The ellipsoid dialog pv_datum. 5100; -5001 when the dialog cannot be
** opened (reported as -9501 with its name). */
int pv_datum(struct resbuf *args);
/* The coordinate-system dialog pv_projection; answers as pv_datum. */
int pv_projection(struct resbuf *args);
/* The transformation dialog pv_transform, which runs the control-point
** dialog on the chosen transformation and opens again until exit; answers
** as pv_datum. */
int pv_transform(struct resbuf *args);

/* The control-point dialog of one transformation, looped with the pick of
** a map point. 5100; -5001 when both systems are the same record, the
** record or a system is missing, or the dialog cannot be opened. */
int pv_points_dialog(xfrm_rec *xfrm);
/* Rebuilds the transformation's two point arrays from the list, fits it
** (degree 0 with exactly two points) and copies each point's residual back
** into the list. 0 on a good fit; -1 with fewer than 2 points or a failed
** fit; -9101 when the arrays cannot be allocated (the count is then 0). */
int xfrm_points_store(xfrm_rec *xfrm, xfrm_point_rec *list);
/* The degree the control-point dialog shows and fits: 0 for a negative
** degree or fewer than 2 points, 1 for degree 0 with 3 points or more,
** else the degree. */
int xfrm_points_degree(int degree, int count);

/* After systems were deleted: the map's system is cleared when it is no
** longer listed, and in every logged-on project each point setup whose
** system is gone is detached (its columns lose their point flag and the
** project's input rules are marked changed). */
void prj_refs_repair(void);

/* ---- Shared by the dialogs ---------------------------------------------- */

/* Room of a list line or a formatted field. */
constexpr int PRJ_DLG_LINE_SIZE = 256;

/* The tile read as a number: the value, NaN when blank or not a number
** (every range test then fails). */
double prj_dlg_tile_number(ads_hdlg dlg, const char *key);
/* Sets a tile to a number written with the format. */
void prj_dlg_set_number(ads_hdlg dlg, const char *key, const char *format, double value);
/* Sets a tile to a name, trimmed and cut to 32 characters. */
void prj_dlg_set_name(ads_hdlg dlg, const char *key, const char *name);
/* Reads a name tile (at most 32 characters, trimmed) into name
** (PRJ_NAME_MAX + 1); 1 when it is not blank, else 0. */
int prj_dlg_read_name(ads_hdlg dlg, const char *key, char *name);
/* Fills a list tile with the trimmed names of every system of the list
** (blank names left out). */
void prj_dlg_fill_systems(ads_hdlg dlg, const char *key);
/* Selects a system in a list filled by prj_dlg_fill_systems; clears the
** selection when it is not listed. Answers 1 when selected. */
int prj_dlg_select_system(ads_hdlg dlg, const char *key, const prj_rec *prj);
/* The system chosen in a list filled by prj_dlg_fill_systems; null for none. */
prj_rec *prj_dlg_chosen_system(ads_hdlg dlg, const char *key);
/* Shows a message in the tile "error" ("" clears it). */
void prj_dlg_error(ads_hdlg dlg, const char *text);
/* "exit" of the list dialogs: ends the dialog with status 1. */
void prj_dlg_exit_cb(ads_callback_packet *cpkt);
/* Opens a dialog of the loaded dialog file; reports -9501 with its name
** and answers null when it cannot be opened. */
ads_hdlg prj_dlg_open_dialog(const char *name);

#endif
