/*
** ent_make.h: the entity makers that take explicit arguments or line-work
** records: solids, lines, circles, arcs, block definitions, polylines
** with their vertices, hatches, and the circle the user draws to place a
** plot. Each builds its list with ads_buildlist starting with group 0,
** makes the entity and releases the list; 0 on success, -1 on a host
** failure, -2 for bad arguments. A colour of -1 writes no group 62.
**
**     ent_make_block("STRIKE_DIP", &origin, 0);
**     ent_make_line(&a, &b, "0", 0, NULL);
**     char name[ADS_INPUT_MAX];  ent_make_endblk(name);
*/
#ifndef PV_DRAW_ENT_MAKE_H
#define PV_DRAW_ENT_MAKE_H

#include "coords/geo_point.h"
#include "draw/link.h"
#include "draw/sym_place.h"
#include "platform/include/ads_host.h"

/* Block flag bits that forbid redefining a block: external reference,
** dependent, resolved. */
#define ENT_BLOCK_FOREIGN_BITS (4 | 16 | 32)

/* A SOLID of 3 or 4 corners on the record's layer in its colour; with
** three the fourth repeats the third. -2 when two of the first three
** corners coincide (in x and y), for a count other than 3 or 4 or a
** colour below -1. Made with ads_entmake. */
int ent_make_solid(const sym_place_rec *rec, const geo_point *corners, int count);
/* A LINE on `layer` ("0" when blank); colour 62 only for 0 or more
** (below -1 counts as -1). With a link its group goes on first (its
** refusal is returned, nothing made) and the host link is made after; a
** host-link failure gives -1 but the LINE stays. */
int ent_make_line(const geo_point *start, const geo_point *end, const char *layer, int colour, link_rec *link);
/* A plain CIRCLE; -2 for a radius not above 0. */
int ent_make_circle(const geo_point *centre, double radius, const char *layer, int colour);
/* An ARC (angles in radians) carrying its link, which it needs: -2
** without one, the link's code when it is refused; otherwise as
** ent_make_line. */
int ent_make_arc(const geo_point *centre, double radius, double start, double end, const char *layer,
                 int colour, link_rec *link);
/* Starts a block definition of the first word of `name`. -2 for an empty
** name; -1 when a block of that name is an external reference, dependent
** or resolved, or the host refuses. */
int ent_make_block(const char *name, const geo_point *base, int flags);
/* Ends the block definition under way; the name the host gave it goes to
** name_out (ADS_INPUT_MAX characters, may be null). 0; -1 otherwise. */
int ent_make_endblk(char *name_out);
/* A VERTEX at the record's insertion point, its link when complete; the
** entity's name goes to the record. */
int ent_make_vertex(sym_place_rec *rec);
/* A POLYLINE head (width from the record, 0 when negative), its link when
** complete; the entity's name goes to the record. */
int ent_make_polyline(sym_place_rec *rec);
/* The SEQEND of a POLYLINE. */
int ent_make_seqend(void);
/* Hatches the objects of the set with _HATCH (the record's pattern, its
** size as scale when above 0, angle plus offset in degrees), then sets the
** hatch's layer, colour and link. A host-link failure is ignored. 0; -1
** when the command or the hatch cannot be read or changed; -9101 without
** memory; -2 for a null record or set. */
int ent_make_hatch(sym_place_rec *rec, ads_name ss);
/* Lets the user draw a circle (_CIRCLE with two pauses) after
** "\nPick insertion points for plot:", reads its centre and radius and
** deletes it. 0; -1 when cancelled or unreadable; -2 for null outputs. */
int plot_pick_points(geo_point *point_out, double *radius_out);

#endif
