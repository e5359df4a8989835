/*
** xfrm_fit.h: fitting a transformation to its control points by least
** squares, evaluating the fitted model, and inverting a transformation.
**
** Degree 0 fits a similarity (rotation, uniform scale and shift: four
** parameters); degree n >= 1 a full polynomial in the source coordinates of
** (n+1)(n+2)/2 terms, ordered u^i v^j with i from n down to 0 and, for each
** i, j from n - i down to 0. Coordinates are shifted to the centre of their
** control points (and scaled by 0.01 when they span more than 1000000)
** before the fit.
**
**   xfrm->degree = 1; ...control points...
**   if (xfrm_fit(xfrm)) xfrm_apply(&in, &out, xfrm);
*/
#ifndef PV_COORDS_XFRM_FIT_H
#define PV_COORDS_XFRM_FIT_H

#include "coords/geo_point.h"
#include "coords/xfrm_list.h"

/* Total residual above which the worst control point is dropped and the
** fit repeated; xfrm_fit passes this value, so no point is ever dropped. */
constexpr double XFRM_FIT_TOLERANCE = 9.9999e+250;
/* Span of coordinates beyond which they are scaled by XFRM_BIG_SCALE. */
constexpr double XFRM_BIG_SPAN = 1000000.0;
constexpr double XFRM_BIG_SCALE = 0.01;

/* Answers the number of coefficients of a degree: 4 for 0, (n+1)(n+2)/2
** for n >= 1 (INT_MAX when that exceeds an int); 0 for a negative degree. */
int xfrm_term_count(int degree);

/* Fits the record from its degree and control points, setting residuals,
** coefficients, shifts, scales, extents and total. Answers 1; 0 for a
** missing record, a negative degree, fewer than 2 points (fewer than the
** number of terms for degree n >= 1), no memory or a failed decomposition,
** leaving the record then without coefficients and residuals. */
int xfrm_fit(xfrm_rec* xfrm);
/* Prepares a fit: zeroes the residuals, sets extents (the source box widened
** by 1% on every side), shifts and scales, and writes the shifted and scaled
** control points into work_src and work_dst (count points each). Answers 1;
** 0 when an argument or the points are missing. */
int xfrm_prepare_points(xfrm_rec* xfrm, geo_point* work_src, geo_point* work_dst);
/* Answers a new record mapping system 2 to system 1: names and systems
** swapped, control points exchanged into new arrays, same degree, fitted,
** name empty and marked changed. Null when the record lacks its systems or
** control points, without memory, or when the fit fails. */
xfrm_rec* xfrm_invert(const xfrm_rec* xfrm);
/* Evaluates the fitted model at shifted and scaled source coordinates
** (u, v) into (*x_out, *y_out) in shifted and scaled target coordinates. */
void xfrm_eval(const xfrm_rec* xfrm, double u, double v, double* x_out, double* y_out);
/* Applies the transformation to in, writing out (z and w copied). Answers 1;
** 0 when an argument is missing or the record has fewer than 2 control
** points or no coefficients. */
int xfrm_apply(const geo_point* in, geo_point* out, const xfrm_rec* xfrm);

#endif /* PV_COORDS_XFRM_FIT_H */
