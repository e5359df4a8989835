/*
** prj_transform.h: conversion of one point from one coordinate system to
** another: directly between two systems on the same ellipsoid (inverse
** projection to longitude and latitude, then forward), through a fitted
** transformation when the ellipsoid changes, and through fitted
** transformations into and out of USER systems, alone or chained with a
** reprojection.
**
**   geo_point in = {lon, lat, z, 0}, out;
**   if (!prj_transform_point(&in, geographic, &out, utm31))
**     ...report "Cannot transform this point from %s to %s"...
**
** Every function answers 1 on success and 0 on failure (a missing
** argument, no usable transformation, or a step that failed or gave a
** value that is not finite), and writes out only on success. A UTM record
** handed in gets its units set to meters and its origin longitude to its
** zone's central meridian.
*/
#ifndef PV_COORDS_PRJ_TRANSFORM_H
#define PV_COORDS_PRJ_TRANSFORM_H

#include "coords/geo_point.h"
#include "coords/prj_list.h"
#include "coords/xfrm_fit.h"
#include "coords/xfrm_list.h"

/* Converts x and y of in from system from into out in system to; z is
** copied from in. Answers 1, or 0 on failure. */
int prj_transform_point(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to);
/* Converts between two systems of which neither is USER: reprojection on
** equal ellipsoids, else a direct transformation containing the point, else
** reprojection to the source system of a transformation towards the target
** ellipsoid, the transformation, and reprojection to the target. */
int prj_transform_datum(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to);
/* Converts when at least one system is USER: a copy between equal systems,
** a direct transformation, or one transformation chained with
** prj_transform_datum on the non-USER side. */
int prj_transform_user(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to);
/* Converts between two non-USER systems on ellipsoids of equal axes: inverse
** formula of from, forward formula of to, with the unit factors applied.
** Answers 1, or 0 when the ellipsoids differ, either system is USER or the
** result is not finite. */
int prj_reproject(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to);

#endif /* PV_COORDS_PRJ_TRANSFORM_H */
