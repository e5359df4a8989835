/*
** sterea_double_stereo.cpp: the double (oblique) stereographic projection:
** the ellipsoid is first mapped conformally onto a sphere of the radius of
** the conformal sphere at the origin (Gauss's conformal latitude, with
** constant c), and that sphere is projected stereographically from the
** point opposite the origin, as the Dutch and Canadian survey grids do.
** The inverse finds the latitude by Newton's method, at most 50 steps, and
** the longitude by the two-argument arctangent, so that it holds round the
** whole circle. The longitude difference is taken in (-180, 180] before
** it is scaled onto the sphere, and the inverse answers longitudes in
** (-180, 180] (scaling the unreduced longitude would move a point beyond
** the origin's antimeridian by c times a full turn). At a
** polar origin the general formula's k is 0/0 (south) or infinity over infinity
** (north); there c = 1, chi0 is the origin latitude and k takes its limit,
** 1 / S(phi0). The sphere's constants are kept between points
** (prj_terms.h).
*/
#include <cmath>

#include "coords/meridian_arc.h"
#include "coords/prj_formulas.h"
#include "coords/prj_terms.h"

/* Constants of one double stereographic system. */
struct dstereo_sphere {
  ell_terms t;    /* ellipsoid terms                                   */
  double c;       /* exponent of the conformal mapping                 */
  double chi0;    /* conformal latitude of the origin, radians         */
  double k;       /* constant of the conformal mapping                 */
  double r_m;     /* radius of the conformal sphere, metres            */
  double lam0;    /* the origin longitude, degrees                     */
  double sin0;    /* sin chi0                                          */
  double cos0;    /* cos chi0                                          */
  double ck;      /* c k, the factor of the latitude's derivative      */
};

/* The constants with the key they were computed from. */
struct dstereo_kept {
  prj_terms_key<4> key; /* axes a and b, origin longitude and latitude */
  dstereo_sphere sphere;
};

/* The sphere last used by each direction (zero-filled: none yet). */
static thread_local dstereo_kept dstereo_forward_kept, dstereo_inverse_kept;

/* Answers ((1 - e sin phi) / (1 + e sin phi))^(e/2). */
static double dstereo_s(const ell_terms* t, double phi) {
  double es = t->e * std::sin(phi);
  return std::pow((1.0 - es) / (1.0 + es), t->e / 2.0);
}

/* Answers w(phi) = [tan(pi/4 + phi/2) S(phi)]^c. */
static double dstereo_w(const dstereo_sphere* s, double phi) {
  return std::pow(std::tan(M_PI / 4.0 + phi / 2.0) * dstereo_s(&s->t, phi), s->c);
}

/* Fills the constants of the system with the given origin. */
[[gnu::cold]]
static void dstereo_setup(dstereo_sphere* s, const dtm_rec* dtm, const geo_point* origin) {
  ell_terms_set(&s->t, dtm->a_m, dtm->b_m);
  double phi0 = origin->y * GEO_DEG_TO_RAD;
  double cos0 = std::cos(phi0);
  s->c = std::sqrt(1.0 + s->t.e2 * cos0 * cos0 * cos0 * cos0 / (1.0 - s->t.e2));
  s->chi0 = std::asin(std::sin(phi0) / s->c);
  s->k = std::tan(M_PI / 4.0 + s->chi0 / 2.0) *
         std::pow(std::tan(M_PI / 4.0 + phi0 / 2.0) * dstereo_s(&s->t, phi0), -s->c);
  if (origin->y == 90.0 || origin->y == -90.0) {
    /* The limit at the pole: c = 1 exactly, chi0 = phi0, and both tangents
    ** vanish (or grow) alike, leaving k = 1 / S(phi0). */
    s->c = 1.0;
    s->chi0 = phi0;
    s->k = 1.0 / dstereo_s(&s->t, phi0);
  }
  s->r_m = std::sqrt(ell_radius_n_m(&s->t, phi0) * ell_radius_r_m(&s->t, phi0));
  s->lam0 = origin->x;
  s->sin0 = std::sin(s->chi0);
  s->cos0 = std::cos(s->chi0);
  s->ck = s->c * s->k;
}

/* Answers the sphere for the ellipsoid and origin, kept in *kept and
** computed afresh when either differs from the last call's. */
[[gnu::always_inline]]
static inline const dstereo_sphere* dstereo_sphere_for(dstereo_kept* kept, const dtm_rec* dtm, const geo_point* origin) {
  if (kept->key.renew(dtm->a_m, dtm->b_m, origin->x, origin->y)) dstereo_setup(&kept->sphere, dtm, origin);
  return &kept->sphere;
}

/* Projects geo (degrees) into xy (metres). */
void dstereo_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                     const geo_point*, const dtm_rec* dtm, double scale) {
  const dstereo_sphere& s = *dstereo_sphere_for(&dstereo_forward_kept, dtm, origin);
  double dlam = s.c * geo_lon_reduce(geo->x - s.lam0) * GEO_DEG_TO_RAD;
  double chi = 2.0 * (std::atan(s.k * dstereo_w(&s, geo->y * GEO_DEG_TO_RAD)) - M_PI / 4.0);
  const double sin0 = s.sin0, cos0 = s.cos0;
  double b = 1.0 + sin0 * std::sin(chi) + cos0 * std::cos(chi) * std::cos(dlam);
  double two_rk = 2.0 * s.r_m * scale;
  xy->x = false_origin_m->x + two_rk * std::cos(chi) * std::sin(dlam) / b;
  xy->y = false_origin_m->y + two_rk * (cos0 * std::sin(chi) - sin0 * std::cos(chi) * std::cos(dlam)) / b;
}

/* Unprojects xy (metres) into geo (degrees). The longitude difference on
** the sphere is atan2(x' sin g, rho cos chi0 cos g - y' sin chi0 sin g),
** which holds on every side of the origin meridian (an arcsine of the
** first term alone would fold points beyond 90 degrees back). */
void dstereo_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                     const geo_point*, const dtm_rec* dtm, double scale) {
  const dstereo_sphere& s = *dstereo_sphere_for(&dstereo_inverse_kept, dtm, origin);
  double xp = (xy->x - false_origin_m->x) / scale;
  double yp = (xy->y - false_origin_m->y) / scale;
  double rho = std::sqrt(xp * xp + yp * yp);
  double dir_y = rho != 0.0 ? yp / rho : 0.0; /* at the origin the direction is (1, 0) */
  double gamma = 2.0 * std::atan(rho / (2.0 * s.r_m));
  double sin_g = std::sin(gamma), cos_g = std::cos(gamma);
  double chi = std::asin(cos_g * s.sin0 + dir_y * sin_g * s.cos0);
  double dlam = std::atan2(xp * sin_g, rho * s.cos0 * cos_g - yp * s.sin0 * sin_g);
  geo->x = geo_lon_reduce(dlam / s.c * GEO_RAD_TO_DEG + s.lam0);

  /* Newton on f(phi) = k w(phi) - tan(pi/4 + chi/2), from phi = chi. */
  const ell_terms& e = s.t;
  double target = std::tan(M_PI / 4.0 + chi / 2.0);
  double phi = chi;
  for (int i = 0; i < DSTEREO_MAX_ITERATIONS; ++i) {
    double sp = dstereo_s(&e, phi);
    double tq = std::tan(M_PI / 4.0 + phi / 2.0);
    double cq = std::cos(M_PI / 4.0 + phi / 2.0);
    double sin_phi = std::sin(phi);
    double f = s.k * std::pow(tq * sp, s.c) - target;
    double fp = s.ck * std::pow(tq * sp, s.c - 1.0) * sp *
                (1.0 / (2.0 * cq * cq) - tq * e.e2 * std::cos(phi) / (1.0 - e.e2 * sin_phi * sin_phi));
    double step = f / fp;
    phi -= step;
    if (std::fabs(step) < DSTEREO_STEP_RAD) break;
  }
  geo->y = phi * GEO_RAD_TO_DEG;
}
