/*
** export_entity.h: the entity walker of the export command. It reads one
** drawing entity into the current object of export_state(): its geometry
** converted from the map's coordinate system into the export projection,
** its names and sizes, and the values of the attribute columns from the
** row it is linked to.
**
**   if (export_read_entity(EXPORT_KIND_POINTS, ename, prj, 1, 1, 1, 0) == 0) ... export_state().obj ...
*/
#ifndef PV_OUTPUT_EXPORT_ENTITY_H
#define PV_OUTPUT_EXPORT_ENTITY_H

#include "platform/include/ads_host.h"

struct prj_rec;

/* Fills the current object from the entity for the kind (EXPORT_KIND_*):
** POINT, SHAPE, INSERT and TEXT make points, LINE lines, POLYLINE and
** LWPOLYLINE lines or polygons. Pass 1 widens the extents and notes a TEXT.
** With attributes (and a project chosen) the linked row's values fill the
** attribute columns; a TEXT carries them only with text_as_attr. A polygon
** must be closed, hold at least 4 points, have a point inside and an area;
** it is turned clockwise. Answers 0; -1 when the entity is refused (other
** type or kind, a point that cannot be converted, more than
** EXPORT_POINTS_MAX points, a ring that is not a polygon); -2 for a missing
** entity or projection or an unknown kind. */
int export_read_entity(int kind, const ads_name entity, prj_rec *projection, int pass,
                       int with_attributes, int text_form, int text_as_attr);

/* The walk of a selection by the export driver: the attribute rows of its
** entities are fetched a batch at a time (link_rows_per_request entities,
** a statement per table), ahead of the entity being read, each entity then
** taking the row a look-up of its own would give. export_rows_begin before
** each pass over the selection of count entities, export_rows_at with the
** index of the entity read next, export_rows_end after the walk (frees the
** rows). Outside a walk each entity's row is looked up on its own. */
void export_rows_begin(const ads_name ss, long count);
void export_rows_at(long index);
void export_rows_end(void);

#endif /* PV_OUTPUT_EXPORT_ENTITY_H */
