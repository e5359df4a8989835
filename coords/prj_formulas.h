/*
** prj_formulas.h: forward (geographic to projected) and inverse (projected
** to geographic) formulas of the four projection families, all on an
** ellipsoid. prj_reproject (prj_transform.cpp) picks one inverse by the
** source type and one forward by the target type.
**
** Every formula takes the same seven arguments: the geographic point
** (longitude x, latitude y, degrees; written by an inverse, read by a
** forward), the projected point (easting x, northing y, metres; read by an
** inverse, written by a forward), the system's origin (x central meridian,
** y origin latitude, degrees), its false origin in metres, its standard
** parallels (degrees), its ellipsoid and its scale factor. None fails; a
** degenerate definition, or a point beyond the transverse Mercator's
** reach, yields values that are not finite, which the caller checks.
**
**   geo_point geo = {3.0, 45.0, 0, 0}, xy = {0, 0, 0, 31};
**   utm_forward(&geo, &xy, &prj->origin, &fo_m, &prj->parallels, prj->dtm, prj->scale);
*/
#ifndef PV_COORDS_PRJ_FORMULAS_H
#define PV_COORDS_PRJ_FORMULAS_H

#include "coords/dtm_list.h"
#include "coords/geo_point.h"

/* The common signature of the eight formulas. */
typedef void (*prj_formula)(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                            const geo_point* parallels, const dtm_rec* dtm, double scale);

/* Transverse Mercator: uses origin, false origin, ellipsoid and scale. */
/* Flattest ellipsoid, by its third flattening (a - b) / (a + b), on which
** the transverse Mercator's series hold to a millimetre (a flattening of
** about 1/100; the Earth's is some 1/300). */
constexpr double TM_MAX_THIRD_FLATTENING = 0.005;
/* Answers the third flattening (a - b) / (a + b) of the ellipsoid. */
double tm_third_flattening(const dtm_rec* dtm);
void tm_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                const geo_point* parallels, const dtm_rec* dtm, double scale);
void tm_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                const geo_point* parallels, const dtm_rec* dtm, double scale);

/* UTM: the zone travels in xy->w; writes the zone's central meridian into
** origin->x; false easting 500000, the given false northing, scale 0.9996. */
void utm_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double scale);
void utm_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double scale);

/* Lambert conformal conic: uses parallels, origin, false origin, ellipsoid
** and scale (the scale factor k0 of the plane about the origin). */
void lcc_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double scale);
void lcc_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double scale);
/* Answers why the parallels and origin give the ellipsoid no cone the
** formulas can use (a parallel at a pole, a cone constant of 0, an origin
** at the pole the cone does not reach), null when they do. */
const char* lcc_cone_unusable(const dtm_rec* dtm, const geo_point* origin, const geo_point* parallels);
/* Answers the distance of the cone's apex (the pole's image) from the
** origin, metres at scale 1: a cone nearly a cylinder puts it far beyond
** the Earth's circumference. */
double lcc_apex_m(const dtm_rec* dtm, const geo_point* origin, const geo_point* parallels);

/* Double stereographic: uses origin, false origin, ellipsoid and scale. */
void dstereo_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                     const geo_point* parallels, const dtm_rec* dtm, double scale);
void dstereo_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                     const geo_point* parallels, const dtm_rec* dtm, double scale);

/* Most Newton steps the double stereographic inverse takes for a latitude,
** and the step (radians) below which the latitude counts as found. Newton's
** method converges quadratically here, so the step is the error of the
** previous estimate and the result is good to far below a micrometre. */
constexpr int DSTEREO_MAX_ITERATIONS = 50;
constexpr double DSTEREO_STEP_RAD = 1e-12;

#endif /* PV_COORDS_PRJ_FORMULAS_H */
