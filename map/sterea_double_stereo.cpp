/*
** sterea_double_stereo.cpp: the double (oblique) stereographic projection:
** the ellipsoid is first mapped conformally onto a sphere of the radius of
** the conformal sphere at the origin (Gauss's conformal latitude, with
** constant c), and that sphere is projected stereographically from the
** point opposite the origin, as the Dutch and Canadian survey grids do.
** The inverse finds the latitude by Newton's method, at most 50 steps.
*/
#include <cmath>

#include "map/meridian_arc.h"
#include "map/prj_formulas.h"

/* Constants of one double stereographic system, computed at each call. */
struct dstereo_sphere {
  ell_terms t;    /* ellipsoid terms                                   */
  double c;       /* exponent of the conformal mapping                 */
  double chi0;    /* conformal latitude of the origin, radians         */
  double k;       /* constant of the conformal mapping                 */
  double r_m;     /* radius of the conformal sphere, metres            */
  double lam0_c;  /* c times the origin longitude, radians             */
};

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
static void dstereo_setup(dstereo_sphere* s, const dtm_rec* dtm, const geo_point* origin) {
  ell_terms_set(&s->t, dtm->a_m, dtm->b_m);
  double phi0 = origin->y * GEO_DEG_TO_RAD;
  double cos0 = std::cos(phi0);
  s->c = std::sqrt(1.0 + s->t.e2 * cos0 * cos0 * cos0 * cos0 / (1.0 - s->t.e2));
  s->chi0 = std::asin(std::sin(phi0) / s->c);
  s->k = std::tan(M_PI / 4.0 + s->chi0 / 2.0) *
         std::pow(std::tan(M_PI / 4.0 + phi0 / 2.0) * dstereo_s(&s->t, phi0), -s->c);
  s->r_m = std::sqrt(ell_radius_n_m(&s->t, phi0) * ell_radius_r_m(&s->t, phi0));
  s->lam0_c = s->c * origin->x * GEO_DEG_TO_RAD;
}

/* Projects geo (degrees) into xy (metres). */
void dstereo_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                     const geo_point*, const dtm_rec* dtm, double scale) {
  dstereo_sphere s;
  dstereo_setup(&s, dtm, origin);
  double dlam = s.c * geo->x * GEO_DEG_TO_RAD - s.lam0_c;
  double chi = 2.0 * (std::atan(s.k * dstereo_w(&s, geo->y * GEO_DEG_TO_RAD)) - M_PI / 4.0);
  double sin0 = std::sin(s.chi0), cos0 = std::cos(s.chi0);
  double b = 1.0 + sin0 * std::sin(chi) + cos0 * std::cos(chi) * std::cos(dlam);
  double two_rk = 2.0 * s.r_m * scale;
  xy->x = false_origin_m->x + two_rk * std::cos(chi) * std::sin(dlam) / b;
  xy->y = false_origin_m->y + two_rk * (cos0 * std::sin(chi) - sin0 * std::cos(chi) * std::cos(dlam)) / b;
}

/* Unprojects xy (metres) into geo (degrees). */
void dstereo_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                     const geo_point*, const dtm_rec* dtm, double scale) {
  dstereo_sphere s;
  dstereo_setup(&s, dtm, origin);
  double xp = (xy->x - false_origin_m->x) / scale;
  double yp = (xy->y - false_origin_m->y) / scale;
  double rho = std::sqrt(xp * xp + yp * yp);
  double dir_x = 1.0, dir_y = 0.0;
  if (rho != 0.0) {
    dir_x = xp / rho;
    dir_y = yp / rho;
  }
  double gamma = 2.0 * std::atan(rho / (2.0 * s.r_m));
  double chi = std::asin(std::cos(gamma) * std::sin(s.chi0) + dir_y * std::sin(gamma) * std::cos(s.chi0));
  double dlam = std::asin(dir_x * std::sin(gamma) / std::cos(chi));
  geo->x = (dlam + s.lam0_c) / s.c * GEO_RAD_TO_DEG;

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
    double fp = s.c * s.k * std::pow(tq * sp, s.c - 1.0) * sp *
                (1.0 / (2.0 * cq * cq) - tq * e.e2 * std::cos(phi) / (1.0 - e.e2 * sin_phi * sin_phi));
    double step = f / fp;
    phi -= step;
    if (std::fabs(step) < DSTEREO_STEP_RAD) break;
  }
  geo->y = phi * GEO_RAD_TO_DEG;
}
