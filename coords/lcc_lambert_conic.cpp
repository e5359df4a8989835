/*
** lcc_lambert_conic.cpp: the Lambert conformal conic on the ellipsoid with
** two standard parallels, in the form given by the USGS map-projection
** manual: cone constant n from the two parallels, isometric function t,
** and for the inverse the conformal latitude turned back into the geodetic
** one by its series in e squared to the third power, then iterated on the
** manual's phi = pi/2 - 2 atan(t ((1 - e sin phi) / (1 + e sin phi))^(e/2))
** until the step is below LCC_STEP_RAD (the series alone is some 2 mm off
** away from the standard parallels). The
** longitude difference is taken in (-180, 180] and the inverse answers
** longitudes in (-180, 180] (an unreduced difference would send a point
** across the antimeridian from the origin round the cone the wrong way). Two equal parallels give the tangent cone,
** n = sin phi1. The scale factor k0 scales the plane about the origin, the
** radii rho and rho0 alike, one parallel or two. The inverse takes the angle
** theta from both coordinates (the two-argument arctangent), so that points
** more than 90 / n degrees from the central meridian come back where they
** were. The cone's constants are kept between points (prj_terms.h).
*/
#include <cmath>

#include "coords/meridian_arc.h"
#include "coords/prj_formulas.h"
#include "coords/prj_terms.h"

/* Parallels closer than this (radians) make one tangent parallel. */
constexpr double LCC_TANGENT_RAD = 1e-10;
/* The inverse's latitude counts as found once a step is below this
** (radians, some 0.1 micrometre on the ground); the iteration shrinks the
** error by e squared a step, so two or three steps after the series do. */
constexpr double LCC_STEP_RAD = 1e-14;
/* Smallest magnitude of a usable cone constant: parallels symmetric about
** the equator, or both on it, make the cone a cylinder (n = 0). */
constexpr double LCC_MIN_CONE = 1e-10;
/* Most steps the inverse takes after the series. */
constexpr int LCC_MAX_ITERATIONS = 10;

/* Constants of one cone. */
struct lcc_cone {
  ell_terms t;  /* ellipsoid terms                                  */
  double n;     /* cone constant                                    */
  double f;     /* F = m1 / (n t1^n)                                */
  double rho0;  /* radius of the origin parallel, metres            */
  double af;    /* a F, metres                                      */
  double inv_n; /* 1 / n                                            */
  double chi2;  /* inverse latitude series: the factor of sin 2chi  */
  double chi4;  /*   of sin 4chi                                    */
  double chi6;  /*   of sin 6chi                                    */
};

/* The constants with the key they were computed from. */
struct lcc_kept {
  prj_terms_key<5> key; /* axes a and b, the two parallels, origin latitude */
  lcc_cone cone;
};

/* The cone last used by each direction, and by the measure of the apex
** (zero-filled: none yet). */
static thread_local lcc_kept lcc_forward_kept, lcc_inverse_kept, lcc_apex_kept;

/* Answers the isometric function t(phi) of the ellipsoid. */
static double lcc_t(const ell_terms* t, double phi) {
  double es = t->e * std::sin(phi);
  return std::tan(M_PI / 4.0 - phi / 2.0) / std::sqrt(std::pow((1.0 - es) / (1.0 + es), t->e));
}

/* Answers m(phi) = cos phi / sqrt(1 - e2 sin^2 phi). */
static double lcc_m(const ell_terms* t, double phi) {
  double s = std::sin(phi);
  return std::cos(phi) / std::sqrt(1.0 - t->e2 * s * s);
}

/* Fills the cone of the given parallels and origin latitude. */
[[gnu::cold]]
static void lcc_setup(lcc_cone* cone, const dtm_rec* dtm, const geo_point* origin, const geo_point* parallels) {
  ell_terms_set(&cone->t, dtm->a_m, dtm->b_m);
  double phi1 = parallels->x * GEO_DEG_TO_RAD, phi2 = parallels->y * GEO_DEG_TO_RAD;
  double m1 = lcc_m(&cone->t, phi1), m2 = lcc_m(&cone->t, phi2);
  double t1 = lcc_t(&cone->t, phi1), t2 = lcc_t(&cone->t, phi2);
  double den = std::log(t1) - std::log(t2);
  /* One standard parallel (or two too close to tell apart): the cone
  ** touches the ellipsoid along it, and n is the limit sin phi1. */
  if (std::fabs(phi1 - phi2) < LCC_TANGENT_RAD || den == 0.0)
    cone->n = std::sin(phi1);
  else
    cone->n = (std::log(m1) - std::log(m2)) / den;
  cone->f = m1 / (cone->n * std::pow(t1, cone->n));
  cone->rho0 = cone->t.a_m * cone->f * std::pow(lcc_t(&cone->t, origin->y * GEO_DEG_TO_RAD), cone->n);
  cone->af = cone->t.a_m * cone->f;
  cone->inv_n = 1.0 / cone->n;
  const ell_terms& e = cone->t;
  cone->chi2 = e.e2 * 0.5 + e.e4 * 0.20833333333333331 + e.e6 * 0.08333333333333333;
  cone->chi4 = e.e4 * 0.14583333333333331 + e.e6 * 0.12083333333333333;
  cone->chi6 = e.e6 * 0.058333333333333334;
}

/* Answers the cone for the ellipsoid, origin and parallels, kept in *kept
** and computed afresh when any of them differs from the last call's. */
[[gnu::always_inline]]
static inline const lcc_cone* lcc_cone_for(lcc_kept* kept, const dtm_rec* dtm, const geo_point* origin,
                                    const geo_point* parallels) {
  if (kept->key.renew(dtm->a_m, dtm->b_m, parallels->x, parallels->y, origin->y))
    lcc_setup(&kept->cone, dtm, origin, parallels);
  return &kept->cone;
}

/* Answers why the parallels and origin give the ellipsoid no cone the
** formulas can use, null when they do. */
const char* lcc_cone_unusable(const dtm_rec* dtm, const geo_point* origin, const geo_point* parallels) {
  if (std::fabs(parallels->x) >= 90.0 || std::fabs(parallels->y) >= 90.0) return "a standard parallel lies at a pole";
  lcc_cone cone;
  lcc_setup(&cone, dtm, origin, parallels);
  if (!(std::fabs(cone.n) >= LCC_MIN_CONE)) return "its standard parallels make a cone constant of 0";
  if (!std::isfinite(cone.af) || !std::isfinite(cone.rho0)) return "its origin lies at the pole the cone does not reach";
  return nullptr;
}

/* Answers the distance of the cone's apex from the origin, metres at
** scale 1 (the radius rho0 of the origin's parallel). */
double lcc_apex_m(const dtm_rec* dtm, const geo_point* origin, const geo_point* parallels) {
  return std::fabs(lcc_cone_for(&lcc_apex_kept, dtm, origin, parallels)->rho0);
}

/* Projects geo (degrees) into xy (metres). */
void lcc_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double scale) {
  const lcc_cone& cone = *lcc_cone_for(&lcc_forward_kept, dtm, origin, parallels);
  double rho = cone.af * std::pow(lcc_t(&cone.t, geo->y * GEO_DEG_TO_RAD), cone.n);
  double theta = cone.n * geo_lon_reduce(geo->x - origin->x) * GEO_DEG_TO_RAD;
  xy->x = scale * rho * std::sin(theta) + false_origin_m->x;
  xy->y = scale * (cone.rho0 - rho * std::cos(theta)) + false_origin_m->y;
}

/* Unprojects xy (metres) into geo (degrees). */
void lcc_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double scale) {
  const lcc_cone& cone = *lcc_cone_for(&lcc_inverse_kept, dtm, origin, parallels);
  double xp = (xy->x - false_origin_m->x) / scale;
  double yp = (xy->y - false_origin_m->y) / scale;
  /* The angle from both coordinates, turned with the cone's sign (for a
  ** cone opening southwards rho is negative): a point more than 90 / n
  ** degrees from the central meridian keeps its side of the apex. At the
  ** apex itself theta is 0. */
  double sx = cone.n < 0.0 ? -xp : xp, sy = cone.n < 0.0 ? yp - cone.rho0 : cone.rho0 - yp;
  double theta = sx == 0.0 && sy == 0.0 ? 0.0 : std::atan2(sx, sy);
  double rho = std::sqrt(xp * xp + (cone.rho0 - yp) * (cone.rho0 - yp));
  if (cone.n < 0.0) rho = -rho;
  double t = std::pow(rho / cone.af, cone.inv_n);
  double chi = M_PI / 2.0 - 2.0 * std::atan(t);
  double phi = chi + cone.chi2 * std::sin(2.0 * chi) + cone.chi4 * std::sin(4.0 * chi) + cone.chi6 * std::sin(6.0 * chi);
  /* At the apex (t = 0) the series gives the pole exactly, and the
  ** iteration would only repeat it. */
  const double e = cone.t.e;
  for (int i = 0; t > 0.0 && i < LCC_MAX_ITERATIONS; ++i) {
    double es = e * std::sin(phi);
    double next = M_PI / 2.0 - 2.0 * std::atan(t * std::pow((1.0 - es) / (1.0 + es), e / 2.0));
    double step = next - phi;
    phi = next;
    if (!(std::fabs(step) >= LCC_STEP_RAD)) break;
  }
  geo->x = geo_lon_reduce(theta / cone.n * GEO_RAD_TO_DEG + origin->x);
  geo->y = phi * GEO_RAD_TO_DEG;
}
