/*
** prj_project.h: the two commands on the drawing's coordinate system:
** pv_map chooses the map's system, symbol scale, text height, north angle
** and angle direction; pv_project moves every entity of the drawing from
** the map's system into another one, which becomes the map's.
**
**     prj_project_drawing(prj_find("GEOGRAPHIC WGS 84", nullptr));
*/
#ifndef PV_MAP_PRJ_PROJECT_H
#define PV_MAP_PRJ_PROJECT_H

#include "coords/prj_list.h"
#include "platform/include/ads_host.h"

/* The application name, the title of the summary alert. */
#define PRJ_PROJECT_TITLE "PETRIVEX"

/* The pv_project command: the dialog of the target system, then
** prj_project_drawing. 5100; -5001 when the map has no system (alerted) or
** the dialog cannot be opened (reported as -9501 with its name). */
int pv_project(struct resbuf *args);
/* The pv_map command: the map setup dialog; on OK the setup is stored in
** g_map_params and the drawing's setup block rewritten. 5100; -5001 when
** the dialog cannot be opened. */
int pv_map(struct resbuf *args);

/* Converts every entity of the drawing from the map's system into `to`,
** which then becomes the map's system, and alerts how many entities were
** projected and how many could not be. Sizes (radius, text height, shape
** size, block scales) and angles (rotation, an arc's ends) follow the
** conversion's scale and turn at the entity's insertion point. An entity
** (a POLYLINE with its vertices is one) changes only when all of its points
** and sizes convert; else it stays as it was and counts once as other. Entities of unnamed types,
** BLOCK, ENDBLK, VIEWPORT and DIMENSION count as other; the reference of
** the map setup block is neither moved nor counted. 0; -2 when the map has
** no system or `to` is missing; -1 when either system cannot be used
** (prj_unusable: the alert names it and why, and nothing changes). */
int prj_project_drawing(prj_rec *to);

#endif
