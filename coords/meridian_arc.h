/*
** meridian_arc.h: quantities of an ellipsoid of revolution shared by the
** projection formulas: eccentricities and their powers, the radii of
** curvature, and the meridian arc by its series in sines of even multiples
** of the latitude (as used by the transverse Mercator and UTM formulas).
**
**   ell_terms t; ell_terms_set(&t, dtm->a_m, dtm->b_m);
**   double m_m = meridian_arc_m(&t, 45.0 * GEO_DEG_TO_RAD);
*/
#ifndef PV_COORDS_MERIDIAN_ARC_H
#define PV_COORDS_MERIDIAN_ARC_H

/* Quantities of one ellipsoid, computed afresh for each conversion. */
struct ell_terms {
  double a_m;  /* major semi-axis, metres                              */
  double e2;   /* first eccentricity squared, (a^2 - b^2) / a^2         */
  double e;    /* first eccentricity                                    */
  double e4;   /* e2 squared                                            */
  double e6;   /* e2 cubed                                              */
  double e8;   /* e2 to the fourth                                      */
  double ep2;  /* second eccentricity squared, (a^2 - b^2) / b^2        */
  double a0;   /* meridian arc coefficients: M = a (A0 phi - A2 sin 2phi */
  double a2;   /*   + A4 sin 4phi - A6 sin 6phi + A8 sin 8phi), to e^8    */
  double a4;
  double a6;
  double a8;
};

/* Fills the terms of the ellipsoid with axes a_m and b_m (metres). */
void ell_terms_set(ell_terms* t, double a_m, double b_m);
/* Answers the meridian arc from the equator to latitude phi_rad, metres. */
double meridian_arc_m(const ell_terms* t, double phi_rad);
/* Answers the prime vertical radius of curvature N at phi_rad, metres. */
double ell_radius_n_m(const ell_terms* t, double phi_rad);
/* Answers the meridian radius of curvature R at phi_rad, metres. */
double ell_radius_r_m(const ell_terms* t, double phi_rad);

#endif /* PV_COORDS_MERIDIAN_ARC_H */
