/*
** geodesic.h: the direct problem on an ellipsoid of revolution: the point
** reached from a given point by going a given distance along the geodesic
** that leaves it at a given azimuth (clockwise from true north). Used to
** lay out lines measured on the ground (a drill hole's survey segments)
** before they are carried through a map's projection.
**
**   double lon2, lat2;
**   if (geo_direct(dtm->a_m, dtm->b_m, 5.9, 60.0, 0.0, 100.0, &lon2, &lat2)) ...
*/
#ifndef PV_COORDS_GEODESIC_H
#define PV_COORDS_GEODESIC_H

/* Most iterations of the direct problem, and the change of the arc on the
** auxiliary sphere (radians) below which it counts as found. */
constexpr int GEO_DIRECT_MAX_ITERATIONS = 50;
constexpr double GEO_DIRECT_STEP_RAD = 1e-13;

/* Answers 1 with the point dist_m metres from (lon_deg, lat_deg) along the
** geodesic of azimuth az_deg in *lon2_deg and *lat2_deg (the longitude is
** lon_deg plus the change, not reduced), by Vincenty's formulas (to well
** under a millimetre for any distance short of the antipode); 0 when an
** argument is missing or not finite, or for an ellipsoid of b > a or
** b <= 0. */
int geo_direct(double a_m, double b_m, double lon_deg, double lat_deg, double az_deg, double dist_m,
               double* lon2_deg, double* lat2_deg);

#endif /* PV_COORDS_GEODESIC_H */
