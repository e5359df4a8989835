/*
** prj_transform.cpp: the single entry through which the module moves
** coordinates between systems. Between two systems on the same ellipsoid it
** projects inversely to longitude and latitude and forward again; between
** ellipsoids, and into or out of USER systems, it uses the fitted
** transformations of the list, first in name order whose extents contain
** the point.
**
** A point no formula can place is refused rather than converted into
** numbers that mean nothing: a longitude and latitude beyond the globe, a
** projected coordinate farther from the false origin than the ellipsoid's
** circumference at the system's scale, and for the transverse Mercator
** family a point beyond the reach where its series hold to a millimetre
** (the formula answers no number there), on either side of a conversion.
*/
#include "coords/prj_transform.h"

#include <cmath>

#include "coords/prj_formulas.h"

/* Inverse formulas (projected to geographic) by source type. */
static const prj_formula prj_inverse_table[] = {nullptr, utm_inverse, tm_inverse, lcc_inverse, dstereo_inverse,
                                                nullptr};
/* Forward formulas (geographic to projected) by target type. */
static const prj_formula prj_forward_table[] = {nullptr, utm_forward, tm_forward, lcc_forward, dstereo_forward,
                                                nullptr};

/* Answers the factor into metres of a unit index; 1 for meters, degrees
** and unset units. */
static double prj_to_m(int units) {
  if (units == PRJ_UNIT_FEET) return PRJ_FEET_TO_M;
  if (units == PRJ_UNIT_SURVEY_FEET) return PRJ_SURVEY_FEET_TO_M;
  return 1.0;
}

/* Answers the factor out of metres of a unit index. */
static double prj_from_m(int units) {
  if (units == PRJ_UNIT_FEET) return PRJ_M_TO_FEET;
  if (units == PRJ_UNIT_SURVEY_FEET) return PRJ_M_TO_SURVEY_FEET;
  return 1.0;
}

/* Multiplies x and y of the point by the factor (z and w stay). A factor
** of 1 leaves the point as it is without touching it, which spares
** reading back the coordinates a formula has only just written. */
static void prj_scale_xy(geo_point* p, double f) {
  if (f == 1.0) return;
  p->x *= f;
  p->y *= f;
}

/* Writes the four coordinates into out one by one (out may be the point
** they were read from). Copying a point just written field by field as a
** whole would stall the processor on every conversion. */
static void prj_put_point(geo_point* out, double x, double y, double z, double w) {
  out->x = x;
  out->y = y;
  out->z = z;
  out->w = w;
}

/* Largest magnitude of a latitude, and of a longitude (degrees): the
** latter takes both -180..180 and 0..360 longitudes. */
static constexpr double PRJ_LAT_MAX_DEG = 90.0;
static constexpr double PRJ_LON_MAX_DEG = 360.0;
/* Full turn in radians. */
static constexpr double PRJ_TWO_PI = 6.283185307179586;

/* Answers 1 when a point is a longitude and latitude on the globe. */
static int prj_geo_ok(const geo_point* g) {
  return std::fabs(g->y) <= PRJ_LAT_MAX_DEG && std::fabs(g->x) <= PRJ_LON_MAX_DEG;
}

/* Answers 1 when a projected point (metres, as its false origin) lies no
** farther from the false origin than the ellipsoid's circumference at the
** system's scale, and for a cone that distance beyond its apex (a cone
** nearly a cylinder has its apex far away); UTM's false easting is its
** fixed one. */
static int prj_xy_ok(const prj_rec* prj, const geo_point* p, const geo_point* false_origin_m) {
  if (!prj->dtm) return std::isfinite(p->x) && std::isfinite(p->y);
  double fe = prj->type == PRJ_TYPE_UTM ? PRJ_UTM_FALSE_EASTING_M : false_origin_m->x;
  double reach = PRJ_TWO_PI * prj->dtm->a_m;
  if (prj->type == PRJ_TYPE_LAMBERT) reach += lcc_apex_m(prj->dtm, &prj->origin, &prj->parallels);
  reach *= prj->scale > 1.0 ? prj->scale : 1.0;
  return std::fabs(p->x - fe) <= reach && std::fabs(p->y - false_origin_m->y) <= reach;
}

/* Answers 1 when a converted point lies in the target system's range:
** finite, on the globe for a geographic system, within the ellipsoid's
** reach of the false origin (in the system's units) for a projected one. */
static int prj_in_range(const prj_rec* to, const geo_point* p) {
  if (!std::isfinite(p->x) || !std::isfinite(p->y)) return 0;
  if (to->type == PRJ_TYPE_GEOGRAPHIC) return prj_geo_ok(p);
  if (to->type == PRJ_TYPE_USER || to->type < PRJ_TYPE_GEOGRAPHIC || to->type > PRJ_TYPE_USER) return 1;
  double f = to->type == PRJ_TYPE_UTM ? 1.0 : prj_to_m(to->units);
  geo_point m = {p->x * f, p->y * f, 0, 0}, fo = {to->false_origin.x * f, to->false_origin.y * f, 0, 0};
  return prj_xy_ok(to, &m, &fo);
}

/* Answers 1 when the type has formulas (not USER, not unset) that can
** serve the system: not those of a projected system in degrees, nor of a
** UTM zone on a sphere (prj_unusable says why; the formulas refuse the
** other unusable systems themselves, answering no number). */
static int prj_has_formulas(const prj_rec* prj) {
  if (prj->type == PRJ_TYPE_GEOGRAPHIC) return 1;
  if (prj->type < PRJ_TYPE_GEOGRAPHIC || prj->type >= PRJ_TYPE_USER || !prj->dtm) return 0;
  if (prj->type == PRJ_TYPE_UTM) return prj->dtm->a_m != prj->dtm->b_m;
  return prj->units != PRJ_UNIT_DEGREES;
}

/* Copies x, y and z of in to out (w of out kept). */
static void prj_copy_xyz(const geo_point* in, geo_point* out) {
  out->x = in->x;
  out->y = in->y;
  out->z = in->z;
}

/* Answers 1 after the inverse of from and the forward of to, as
** prj_reproject does; axes_equal 1 says the caller has already found the
** two ellipsoids' axes equal (this is the path of every conversion, kept
** apart so that it can be compiled into its callers). */
[[gnu::always_inline]]
static inline int prj_reproject_on(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to,
                                   int axes_equal) {
  if (from->type == to->type && prj_equal_def(from, to)) { /* systems of two types never are */
    prj_copy_xyz(in, out);
    return 1;
  }
  if (!axes_equal && (!from->dtm || !to->dtm || !dtm_equal_axes(from->dtm, to->dtm))) return 0;
  if (!prj_has_formulas(from) || !prj_has_formulas(to)) return 0;
  geo_point g = *in, s = *in, p = *in;
  geo_point f1 = from->false_origin, f2 = to->false_origin;
  if (from->type == PRJ_TYPE_UTM) {
    s.w = from->zone;
    from->units = PRJ_UNIT_METERS;
  }
  if (to->type == PRJ_TYPE_UTM) {
    p.w = to->zone;
    to->units = PRJ_UNIT_METERS;
  }
  if (from->type != PRJ_TYPE_GEOGRAPHIC) {
    double f = prj_to_m(from->units);
    prj_scale_xy(&s, f);
    prj_scale_xy(&f1, f);
  }
  if (to->type != PRJ_TYPE_GEOGRAPHIC) prj_scale_xy(&f2, prj_to_m(to->units));
  /* The input within the inverse's domain, its longitude and latitude on
  ** the globe and within the forward's domain. */
  if (from->type == PRJ_TYPE_GEOGRAPHIC ? !prj_geo_ok(&g) : !prj_xy_ok(from, &s, &f1)) return 0;
  if (prj_formula inv = prj_inverse_table[from->type]) {
    inv(&g, &s, &from->origin, &f1, &from->parallels, from->dtm, from->scale);
    if (!prj_geo_ok(&g)) return 0;
  }
  if (prj_formula fwd = prj_forward_table[to->type]) {
    fwd(&g, &p, &to->origin, &f2, &to->parallels, to->dtm, to->scale);
    if (!prj_xy_ok(to, &p, &f2)) return 0;
    prj_scale_xy(&p, prj_from_m(to->units));
  }
  const geo_point& res = to->type != PRJ_TYPE_GEOGRAPHIC ? p : g;
  /* A degenerate system (a cone of zero constant, a point beyond the
  ** projection's reach) yields no number: that is a failure, not a point. */
  if (!std::isfinite(res.x) || !std::isfinite(res.y)) return 0;
  prj_put_point(out, res.x, res.y, in->z, in->w);
  return 1;
}

/* Answers 1 after the inverse of from and the forward of to. */
int prj_reproject(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to) {
  if (!in || !from || !out || !to) return 0;
  return prj_reproject_on(in, from, out, to, 0);
}

/* Answers 1 when the transformation goes from a system equal to from to
** one equal to to and its extents contain the point. */
static int prj_xfrm_direct(const xfrm_rec* t, const prj_rec* from, const prj_rec* to, const geo_point* in) {
  return prj_equal_def(t->prj1, from) && prj_equal_def(t->prj2, to) && geo_pt_in_extent(in, &t->extents);
}

/* Answers 1 after a conversion between two non-USER systems, as
** prj_transform_datum does, given four present arguments. */
[[gnu::always_inline]]
static inline int prj_datum(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to) {
  if (from->type == PRJ_TYPE_USER || to->type == PRJ_TYPE_USER) return 0;
  /* one ellipsoid record has equal axes to itself */
  if ((from->dtm && from->dtm == to->dtm) || dtm_equal_axes(from->dtm, to->dtm))
    return prj_reproject_on(in, from, out, to, 1);
  for (xfrm_rec* t = xfrm_list_head(); t; t = t->next)
    if (prj_xfrm_direct(t, from, to, in)) return xfrm_apply(in, out, t);
  for (xfrm_rec* t = xfrm_list_head(); t; t = t->next) {
    if (!t->prj1 || !t->prj2 || !dtm_equal_axes(t->prj2->dtm, to->dtm)) continue;
    geo_point tmp1, tmp2;
    if (!prj_reproject(in, from, &tmp1, t->prj1)) continue;
    if (!geo_pt_in_extent(&tmp1, &t->extents)) continue;
    if (!xfrm_apply(&tmp1, &tmp2, t)) return 0;
    return prj_reproject(&tmp2, t->prj2, out, to);
  }
  return 0;
}

/* Answers 1 after a conversion between two non-USER systems. */
int prj_transform_datum(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to) {
  if (!in || !from || !out || !to) return 0;
  return prj_datum(in, from, out, to);
}

/* Answers 1 after a conversion into, out of or between USER systems. */
int prj_transform_user(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to) {
  if (!in || !from || !out || !to) return 0;
  if (from->type != PRJ_TYPE_USER && to->type != PRJ_TYPE_USER) return 0;
  if (prj_equal_def(from, to)) {
    prj_copy_xyz(in, out);
    return 1;
  }
  for (xfrm_rec* t = xfrm_list_head(); t; t = t->next)
    if (prj_xfrm_direct(t, from, to, in)) return xfrm_apply(in, out, t);
  if (from->type == PRJ_TYPE_USER) {
    if (to->type == PRJ_TYPE_USER) return 0;
    for (xfrm_rec* t = xfrm_list_head(); t; t = t->next) {
      geo_point tmp, res;
      if (!prj_equal_def(t->prj1, from) || !geo_pt_in_extent(in, &t->extents)) continue;
      if (!xfrm_apply(in, &tmp, t)) continue;
      if (!prj_transform_datum(&tmp, t->prj2, &res, to)) continue;
      *out = res;
      return 1;
    }
    return 0;
  }
  for (xfrm_rec* t = xfrm_list_head(); t; t = t->next) {
    geo_point tmp, res;
    if (!prj_equal_def(t->prj2, to)) continue;
    if (!prj_transform_datum(in, from, &tmp, t->prj1)) continue;
    if (!geo_pt_in_extent(&tmp, &t->extents)) continue;
    if (!xfrm_apply(&tmp, &res, t)) continue;
    *out = res;
    return 1;
  }
  return 0;
}

/* Answers 1 with out holding the converted point and the input's z. */
int prj_transform_point(const geo_point* in, prj_rec* from, geo_point* out, prj_rec* to) {
  if (!in || !from || !out || !to) return 0;
  geo_point res = *in;
  int ok = (from->type != PRJ_TYPE_USER && to->type != PRJ_TYPE_USER) ? prj_datum(in, from, &res, to)
                                                                      : prj_transform_user(in, from, &res, to);
  if (!ok || !prj_in_range(to, &res)) return 0;
  prj_put_point(out, res.x, res.y, in->z, res.w);
  return 1;
}
