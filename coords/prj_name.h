/*
** prj_name.h: names of coordinate systems, ellipsoids and transformations,
** the tables of projection types and units, and the angle helpers that
** split decimal degrees into degrees, minutes and seconds.
**
** Names hold at most 32 characters and are stored blank-padded to exactly
** 32. Two rules compare them: the match rule (lookups by name) ignores
** blanks at both ends only; the order rule (keeping the lists sorted and
** refusing duplicates) also ignores blanks inside names. Both compare
** letters without regard to case and every other character exactly.
**
**   prj_name_match("wgs84   ", "WGS84")   -> 1
**   prj_type_index("Lambert")             -> PRJ_TYPE_LAMBERT
*/
#ifndef PV_COORDS_PRJ_NAME_H
#define PV_COORDS_PRJ_NAME_H

#include <cstddef>

/* Longest name of an ellipsoid, system or transformation, in characters. */
constexpr int PRJ_NAME_MAX = 32;

/* Projection types: indexes into the type-name table. */
enum prj_type {
  PRJ_TYPE_GEOGRAPHIC = 0, /* longitude and latitude in degrees              */
  PRJ_TYPE_UTM = 1,        /* Universal Transverse Mercator, by zone         */
  PRJ_TYPE_TM = 2,         /* transverse Mercator, free origin and scale     */
  PRJ_TYPE_LAMBERT = 3,    /* Lambert conformal conic, two parallels         */
  PRJ_TYPE_DSTEREO = 4,    /* double (oblique) stereographic                 */
  PRJ_TYPE_USER = 5,       /* local system reached through fitted transforms */
  PRJ_TYPE_NONE = 6        /* not set                                        */
};

/* Units: indexes into the unit-name table. */
enum prj_unit {
  PRJ_UNIT_DEGREES = 0,     /* geographic systems only                       */
  PRJ_UNIT_FEET = 1,        /* international foot, 0.3048 m                  */
  PRJ_UNIT_METERS = 2,      /* metres                                        */
  PRJ_UNIT_SURVEY_FEET = 3, /* US survey foot, 1200/3937 m                   */
  PRJ_UNIT_NONE = 4         /* not set                                       */
};

/* Factors into and out of metres for the two kinds of feet. */
constexpr double PRJ_FEET_TO_M = 0.3048;
constexpr double PRJ_SURVEY_FEET_TO_M = 0.30480060960121924;
constexpr double PRJ_M_TO_FEET = 3.280839895013123;
constexpr double PRJ_M_TO_SURVEY_FEET = 3.2808333333333333;

/* Order of a new name against an old one in a sorted list. */
enum prj_order {
  PRJ_ORDER_BEFORE = -1,   /* the new record goes in front of the old one */
  PRJ_ORDER_DUPLICATE = 0, /* the two names are the same name             */
  PRJ_ORDER_AFTER = 1      /* the new record goes behind the old one      */
};

/* Answers 1 when the two names match: blanks (code 32 or less) at both ends
** ignored, letters compared without regard to case, all other characters
** exactly; 0 otherwise and when either text is missing. */
int prj_name_match(const char* a, const char* b);
/* Answers where a record named new_name goes against one named old_name:
** PRJ_ORDER_DUPLICATE when the names are equal ignoring every blank and the
** case of letters, else PRJ_ORDER_BEFORE or PRJ_ORDER_AFTER. A missing text
** orders as an empty one. */
prj_order prj_name_order(const char* new_name, const char* old_name);

/* Removes characters of code 32 or less at both ends, in place; answers the
** text (null for null). */
char* prj_name_trim(char* text);
/* Pads the name with blanks to exactly PRJ_NAME_MAX characters, cutting a
** longer one; the buffer must hold PRJ_NAME_MAX + 1 characters. Answers it. */
char* prj_name_pad(char* name);
/* Copies at most PRJ_NAME_MAX characters of src into dst (PRJ_NAME_MAX + 1
** characters) and terminates it; a null src gives the empty name. */
void prj_name_copy(char* dst, const char* src);

/* Answers the index of the type whose name matches the text, or
** PRJ_TYPE_NONE when none does or no text is given. */
int prj_type_index(const char* text);
/* Answers the type's name, or "" for an index outside 0..5. */
const char* prj_type_name(int index);
/* Answers the index of the unit whose name matches the text, or
** PRJ_UNIT_NONE when none does or no text is given. */
int prj_unit_index(const char* text);
/* Answers the unit's name ("degrees", "feet", "meters", "survey feet"), or
** "" for an index outside 0..3. */
const char* prj_unit_name(int index);

/* Answers |d| + |m|/60 + |s|/3600, negative when d is negative (a degree
** part of -0 counts as negative, so -0 30 0 is -0.5). */
double dms_to_deg(double d, double m, double s);
/* Splits decimal degrees into whole degrees (truncated toward zero, keeping
** the sign of an angle between -1 and 0 as -0), whole minutes and seconds,
** with seconds rounded at 0.0005 carrying into minutes and minutes carrying
** into degrees away from zero. Answers 1; 0 when an output is missing. */
int deg_to_dms(double deg, double* d, double* m, double* s);

#endif /* PV_COORDS_PRJ_NAME_H */
