/*
** stereo_geom.cpp: projection of planes and lines onto a lower-hemisphere
** net of radius R. A plane's great circle is the circle through both ends
** of its strike (a diameter of the primitive) and its dip point at the
** projected distance d on the dip direction; its centre therefore lies on
** the dip-direction axis at the signed distance c = (d^2 - R^2) / (2 d) and
** its radius is sqrt(R^2 + c^2). This closed form stays exact for every
** dip, where a general three-point circle loses its digits in the
** difference of two nearly equal products.
**
** That circle is the plane's image on the stereographic net only, which
** keeps circles circles. On the equal-area net the image is another curve:
** it is drawn through the projected points of the plane's lines, a unit
** vector v (z up, v.z <= 0) falling at R (v.x, v.y) / sqrt(1 - v.z), which
** is R sqrt(2) sin(pi/4 - plunge/2) along the trend; the interval of lines
** is halved until the middle line lies within the tolerance of its chord.
*/
#include "output/diagrams/stereo_geom.h"

#include <cmath>

namespace {

constexpr double kQuarterTurn = M_PI / 2.0;  /* pi/2 radians                */
constexpr double kEighthTurn = M_PI / 4.0;    /* pi/4 radians                */
constexpr double kTwoPi = 2.0 * M_PI;         /* one turn in radians         */
constexpr double kNorthBaseDeg = 90.0;        /* compass base: north is +y   */
constexpr double kMaxDipDeg = 90.0;           /* vertical                    */

/* Answers 1 when the common guards of the three computations pass. */
int stereo_args_ok(double angle, double radius, int type, const void* out) {
  if (!(angle >= 0.0 && angle <= kMaxDipDeg)) return 0;
  if (!(radius > 0.0)) return 0;
  if (out == nullptr) return 0;
  return type == STEREO_EQUAL_AREA || type == STEREO_STEREOGRAPHIC;
}

/* An angle moved into [0, 2 pi). */
double stereo_positive_angle(double a) { return a < 0.0 ? a + kTwoPi : a; }

constexpr int kCurveMinDepth = 4;     /* at least 16 chords a great circle */
constexpr int kCurveMaxDepth = 24;    /* never more halvings than this     */

/* Sets p to the point at distance r along the drawing angle a. */
void stereo_polar(geo_point* p, double r, double a) {
  p->x = r * std::cos(a);
  p->y = r * std::sin(a);
  p->z = 0.0;
  p->w = 0.0;
}

/* A plane's lines: from its strike at t = 0 down its dip at t = pi/2 to
** the opposite strike at t = pi. */
struct stereo_plane_lines {
  double sx, sy;          /* unit strike direction, horizontal          */
  double dx, dy, dz;      /* unit down-dip direction                    */
  double radius;          /* the net's radius                           */
  int type;               /* STEREO_EQUAL_AREA or STEREO_STEREOGRAPHIC  */

  /* The projected point of the line at t. */
  geo_point at(double t) const {
    double c = std::cos(t), s = std::sin(t);
    double vx = c * sx + s * dx, vy = c * sy + s * dy, vz = s * dz;
    double k = type == STEREO_EQUAL_AREA ? radius / std::sqrt(1.0 - vz) : radius / (1.0 - vz);
    return geo_point{k * vx, k * vy, 0.0, 0.0};
  }
};

/* Distance of m from the line through a and b (from a when they meet). */
double stereo_off_chord(const geo_point& a, const geo_point& b, const geo_point& m) {
  double ux = b.x - a.x, uy = b.y - a.y, len = std::hypot(ux, uy);
  if (len == 0.0) return std::hypot(m.x - a.x, m.y - a.y);
  return std::fabs(ux * (m.y - a.y) - uy * (m.x - a.x)) / len;
}

/* Appends the points after a (t0) up to b (t1) inclusive, halving the
** interval while its middle strays from the chord. */
void stereo_curve_points(const stereo_plane_lines& lines, double t0, const geo_point& a, double t1,
                         const geo_point& b, int depth, std::vector<geo_point>* out) {
  double tm = (t0 + t1) / 2.0;
  geo_point m = lines.at(tm);
  if (depth < kCurveMaxDepth &&
      (depth < kCurveMinDepth || stereo_off_chord(a, b, m) > STEREO_CURVE_TOLERANCE * lines.radius)) {
    stereo_curve_points(lines, t0, a, tm, m, depth + 1, out);
    stereo_curve_points(lines, tm, m, t1, b, depth + 1, out);
    return;
  }
  out->push_back(b);
}

}  // namespace

/* Answers the truncating remainder by 2 pi of pi/2 less the compass angle,
** plus pi/2 for a direction. */
double stereo_drawing_angle(double compass_deg, int direction_flag) {
  double theta = std::fmod(kNorthBaseDeg * M_PI / 180.0 - compass_deg * M_PI / 180.0, kTwoPi);
  if (direction_flag >= 1) theta += kQuarterTurn;
  return theta;
}

/* Answers the distance of the angle phi on the net; 0 for an unknown type. */
double stereo_distance(double phi_rad, double radius, int type) {
  if (type == STEREO_EQUAL_AREA) return radius * std::sqrt(2.0) * std::sin(phi_rad);
  if (type == STEREO_STEREOGRAPHIC) return radius * std::tan(phi_rad);
  return 0.0;
}

/* Answers STEREO_OK with the line's point, or STEREO_BAD_ARG. */
int stereo_line_point(double trend, double plunge, double radius, int direction_flag, int type,
                      geo_point* point) {
  if (!stereo_args_ok(plunge, radius, type, point)) return STEREO_BAD_ARG;
  double theta = stereo_drawing_angle(trend, direction_flag);
  stereo_polar(point, 0.0, 0.0);
  if (plunge == kMaxDipDeg) return STEREO_OK;
  double r = plunge == 0.0 ? radius
                           : stereo_distance(kEighthTurn - plunge * M_PI / 180.0 / 2.0, radius, type);
  stereo_polar(point, r, theta);
  return STEREO_OK;
}

/* Answers STEREO_OK with the pole's point, or STEREO_BAD_ARG. */
int stereo_pole_point(double strike, double dip, double radius, int direction_flag, int type,
                      geo_point* point) {
  if (!stereo_args_ok(dip, radius, type, point)) return STEREO_BAD_ARG;
  double theta = stereo_drawing_angle(strike, direction_flag);
  stereo_polar(point, 0.0, 0.0);
  if (dip == 0.0) return STEREO_OK;
  double r = dip == kMaxDipDeg ? radius : stereo_distance(dip * M_PI / 180.0 / 2.0, radius, type);
  stereo_polar(point, r, theta + kQuarterTurn);
  return STEREO_OK;
}

/* Answers STEREO_OK with the great circle's arc, or STEREO_BAD_ARG. */
int stereo_great_circle(double strike, double dip, double* radius, int direction_flag, int type,
                        geo_point* centre, double* start_rad, double* end_rad) {
  if (radius == nullptr || start_rad == nullptr || end_rad == nullptr) return STEREO_BAD_ARG;
  double big_r = *radius;
  if (!stereo_args_ok(dip, big_r, type, centre)) return STEREO_BAD_ARG;
  stereo_polar(centre, 0.0, 0.0);
  *start_rad = 0.0;
  *end_rad = 0.0;
  if (dip == 0.0) {
    *end_rad = STEREO_FULL_CIRCLE_END;
    return STEREO_OK;
  }
  double theta = stereo_drawing_angle(strike, direction_flag);
  double d = dip == kMaxDipDeg
                 ? STEREO_VERTICAL_DIP_DISTANCE
                 : stereo_distance(kEighthTurn - dip * M_PI / 180.0 / 2.0, big_r, type);
  geo_point a, b;
  stereo_polar(&a, big_r, theta);          /* strike end                     */
  stereo_polar(&b, big_r, theta + M_PI);   /* opposite strike end            */
  double c = (d * d - big_r * big_r) / (2.0 * d); /* signed, on the dip side */
  stereo_polar(centre, c, theta - kQuarterTurn);
  *radius = std::sqrt(big_r * big_r + c * c);
  *start_rad = stereo_positive_angle(std::atan2(b.y - centre->y, b.x - centre->x));
  *end_rad = stereo_positive_angle(std::atan2(a.y - centre->y, a.x - centre->x));
  return STEREO_OK;
}

/* Answers STEREO_OK with the great circle's points, or STEREO_BAD_ARG. */
int stereo_great_circle_points(double strike, double dip, double radius, int direction_flag, int type,
                               std::vector<geo_point>* points) {
  if (!stereo_args_ok(dip, radius, type, points)) return STEREO_BAD_ARG;
  double theta = stereo_drawing_angle(strike, direction_flag);
  double towards = theta - kQuarterTurn; /* the dip direction */
  double dip_rad = dip * M_PI / 180.0;
  stereo_plane_lines lines = {std::cos(theta), std::sin(theta), std::cos(dip_rad) * std::cos(towards),
                              std::cos(dip_rad) * std::sin(towards), -std::sin(dip_rad), radius, type};
  points->clear();
  geo_point a = lines.at(0.0), b = lines.at(M_PI);
  points->push_back(a);
  stereo_curve_points(lines, 0.0, a, M_PI, b, 0, points);
  return STEREO_OK;
}
