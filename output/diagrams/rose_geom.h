/*
** rose_geom.h: the counting and the wedges of a rose diagram. Directions
** are reduced into [0, range) (range 180 for bidirectional data, 360 for
** directions) and counted in intervals of equal width; each non-empty
** interval is drawn as a wedge whose length is its count over the largest.
**
**   int k = rose_bin_index(200.0, 180.0, 10.0, 0);   // 2: the 20..30 wedge
*/
#ifndef PV_OUTPUT_ROSE_GEOM_H
#define PV_OUTPUT_ROSE_GEOM_H

#include "coords/geo_point.h"

/* Number of counters: with the minimum interval of 1 degree a full circle
** holds at most this many intervals. */
#define ROSE_MAX_INTERVALS 360
/* Degrees subtracted from a dip direction to bin it as a strike. */
#define ROSE_DIP_OFFSET_DEG 90.0
/* Smallest interval the dialog accepts, in degrees. */
#define ROSE_MIN_INTERVAL_DEG 1.0

/* The interval index of an angle in degrees: with dip 1 or more the angle
** is first reduced by 90, then brought into [0, range) and divided by the
** interval. Answers the index, or -1 when the angle falls outside every
** counter (index ROSE_MAX_INTERVALS or more, or range or interval not above
** 0). */
int rose_bin_index(double angle_deg, double range_deg, double interval_deg, int dip);

/* The number of intervals drawn: trunc(range / interval), plus one when the
** intervals fall short of the range (the last one drawn full width). Answers
** 0 when range or interval is not above 0. */
int rose_interval_count(double range_deg, double interval_deg);

/* The three corners of the wedge of interval i whose length is ratio (count
** over the largest count): (0,0) and the two edge points, compass angles
** i * interval and (i + 1) * interval turned into drawing angles. The SOLID
** repeats the third corner as its fourth. */
void rose_wedge(int i, double interval_deg, double ratio, geo_point corners[3]);

#endif /* PV_OUTPUT_ROSE_GEOM_H */
