/*
** utm_zone.cpp: Universal Transverse Mercator: the transverse Mercator of
** tm_transverse_mercator.cpp on the zone's central meridian (zone x 6 - 183
** degrees), false easting 500000 m and scale 0.9996; the false northing and
** the origin latitude are the system's own, so northern and southern zones
** differ only there.
*/
#include <cmath>

#include "coords/prj_formulas.h"
#include "coords/prj_list.h"

/* Sets the zone's central meridian (zone from xy->w) into origin->x and
** answers the false origin that the transverse Mercator is to use. */
static geo_point utm_setup(const geo_point* xy, geo_point* origin, const geo_point* false_origin_m) {
  int zone = static_cast<int>(xy->w);
  origin->x = zone * 6 - 183;
  geo_point fo = *false_origin_m;
  fo.x = PRJ_UTM_FALSE_EASTING_M;
  return fo;
}

/* Projects geo into the zone given in xy->w. */
void utm_forward(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double) {
  geo_point fo = utm_setup(xy, origin, false_origin_m);
  tm_forward(geo, xy, origin, &fo, parallels, dtm, PRJ_UTM_SCALE);
}

/* Unprojects xy of the zone given in xy->w into geo. */
void utm_inverse(geo_point* geo, geo_point* xy, geo_point* origin, const geo_point* false_origin_m,
                 const geo_point* parallels, const dtm_rec* dtm, double) {
  geo_point fo = utm_setup(xy, origin, false_origin_m);
  tm_inverse(geo, xy, origin, &fo, parallels, dtm, PRJ_UTM_SCALE);
}
