/*
** xfrm_list.h: transformations between two coordinate systems, fitted to
** control points, and their global list kept sorted by name.
**
** At logon the setup store reads each PVXFORM row and its PVXPOINT control
** points into a record (xfrm_new, xfrm_alloc_points), fits it (xfrm_fit,
** xfrm_fit.h) and inserts it with xfrm_insert; a refused record is released
** with xfrm_free. The point transformation (prj_transform.h) walks the list.
**
**   xfrm_rec* t = xfrm_new(); prj_name_copy(t->name, "SITE GRID");
**   prj_name_copy(t->prj_name1, "USER"); prj_name_copy(t->prj_name2, "UTM 31 N");
**   xfrm_alloc_points(t, 4); ...fill t->src[i], t->dst[i]...
**   if (!xfrm_fit(t) || !xfrm_insert(t)) xfrm_free(t);
*/
#ifndef PV_COORDS_XFRM_LIST_H
#define PV_COORDS_XFRM_LIST_H

#include "coords/geo_point.h"
#include "coords/prj_list.h"
#include "coords/prj_name.h"

/* Share of their width and height by which the extents of a fitted
** transformation are widened around its control points, and by which two
** extents are shrunk before they are tested for a conflict. */
constexpr double XFRM_EXTENT_MARGIN = 0.01;

/* A transformation from system 1 (source) to system 2 (target). */
struct xfrm_rec {
  char name[PRJ_NAME_MAX + 1];      /* name, blank-padded to 32 in the list  */
  char prj_name1[PRJ_NAME_MAX + 1]; /* name of the source system             */
  char prj_name2[PRJ_NAME_MAX + 1]; /* name of the target system             */
  int degree;                       /* 0 similarity, n >= 1 polynomial of degree n */
  int count;                        /* number of control points              */
  geo_point* src;                   /* count source control points; owned    */
  geo_point* dst;                   /* count target control points; owned    */
  double* residuals;                /* count fit distances in target units; owned */
  double* coef_x;                   /* x coefficients (4, or (n+1)(n+2)/2); owned */
  double* coef_y;                   /* y coefficients, as many; owned        */
  geo_point src_shift;              /* added to source coordinates before scaling */
  geo_point dst_shift;              /* added to target coordinates before scaling */
  double src_scale;                 /* source scale, 1.0 or 0.01             */
  double dst_scale;                 /* target scale, 1.0 or 0.01             */
  geo_box extents;                  /* source box within which it applies    */
  double total;                     /* sum of the residuals of the last fit  */
  prj_rec* prj1;                    /* source system in the list             */
  prj_rec* prj2;                    /* target system in the list             */
  xfrm_rec* next;                   /* following record of the list          */
  int changed;                      /* 1 when not yet written to the setup tables */
};

/* A control point as the transform dialog lists it and PVXPOINT stores it. */
struct xfrm_point_rec {
  double x1, y1;        /* position in system 1                        */
  double x2, y2;        /* position in system 2                        */
  double residual;      /* fit distance of the point                   */
  xfrm_point_rec* next; /* following control point                     */
};

/* Sets the initial values: names empty, counts 0, arrays null, scales 1.0,
** shifts, extents and total zero, no systems, no next. Answers 1; 0 when
** the record is missing. */
int xfrm_init(xfrm_rec* xfrm);
/* Answers a new initialised record (std::malloc), or null without memory. */
xfrm_rec* xfrm_new();
/* Allocates zeroed source and target arrays of count points, replacing
** (and freeing) the old ones and the residuals of the old points, and sets
** the count. Answers 1; 0 for a count below 1 or without memory (the record
** is then left unchanged). */
int xfrm_alloc_points(xfrm_rec* xfrm, int count);
/* Frees the five owned arrays and the record. */
void xfrm_free(xfrm_rec* xfrm);

/* Validates and inserts the record into the sorted list. Answers 1 when
** inserted, 0 when refused: negative degree, empty name, a system that is
** not in the list, one GEOGRAPHIC and one projected system, two non-USER systems
** that differ in more than their ellipsoid or share its axes, a conflict
** with a listed transformation (xfrm_conflicts) or a duplicate name. */
int xfrm_insert(xfrm_rec* xfrm);
/* Answers 1 when the new transformation may not join the list beside the
** old one: both of the same kind between equal systems, with overlapping
** extents after each box is shrunk by 1% of its own size on every side;
** 0 otherwise. */
int xfrm_conflicts(const xfrm_rec* old_xfrm, const xfrm_rec* new_xfrm);
/* Answers the n-th transformation from 0; null for a negative n or past
** the end. */
xfrm_rec* xfrm_at(int n);
/* Answers 1 with the record's position in *index; 0 when not listed. */
int xfrm_index_of(const xfrm_rec* xfrm, int* index);
/* Answers the head of the transformation list (null when empty). */
xfrm_rec* xfrm_list_head();
/* Answers the first transformation whose system 1 or 2 is the record. */
xfrm_rec* xfrm_find_by_prj(const prj_rec* prj);
/* Unlinks the record without freeing it. Answers 1; 0 when not listed. */
int xfrm_unlink(xfrm_rec* xfrm);
/* Unlinks the record and frees it (xfrm_free). Answers 1; 0 when not
** listed. */
int xfrm_remove(xfrm_rec* xfrm);
/* Deletes every transformation whose system 1 or 2 is the record. Answers
** the number deleted. */
int xfrm_delete_for_prj(const prj_rec* prj);
/* Copies names, degree, count, the control-point and coefficient array
** pointers (shared, not duplicated), shifts, scales, extents, total, the
** system pointers and next. Answers 1; 0 when an argument is missing. */
int xfrm_copy(xfrm_rec* dst, const xfrm_rec* src);
/* Frees every transformation and empties the list. */
void xfrm_list_free();

#endif /* PV_COORDS_XFRM_LIST_H */
