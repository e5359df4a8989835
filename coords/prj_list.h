/*
** prj_list.h: coordinate systems ("projections") and their global list,
** kept sorted by name, with the equality rule that decides when two
** systems are the same system.
**
** At logon the setup store inserts "USER" and one "GEOGRAPHIC <ellipsoid>"
** per ellipsoid (prj_add_builtin_systems), then every PVPROJ row with
** prj_insert. Records are made with prj_new, belong to the list once
** prj_insert accepts them, and are released with std::free when refused.
**
**   prj_rec* p = prj_new(); prj_name_copy(p->name, "UTM 31 N");
**   prj_name_copy(p->type_name, "UTM"); prj_name_copy(p->dtm_name, "WGS84");
**   p->zone = 31; if (!prj_insert(p)) std::free(p);
*/
#ifndef PV_COORDS_PRJ_LIST_H
#define PV_COORDS_PRJ_LIST_H

#include "coords/dtm_list.h"
#include "coords/geo_point.h"
#include "coords/prj_name.h"

/* Scale factor on the central meridian of every UTM zone. */
constexpr double PRJ_UTM_SCALE = 0.9996;
/* False easting of every UTM zone, metres. */
constexpr double PRJ_UTM_FALSE_EASTING_M = 500000.0;

/* A coordinate system. */
struct prj_rec {
  char name[PRJ_NAME_MAX + 1];       /* name, blank-padded to 32 in the list  */
  char units_name[PRJ_NAME_MAX + 1]; /* unit name as given ("feet", ...)      */
  char dtm_name[PRJ_NAME_MAX + 1];   /* name of the ellipsoid                 */
  char type_name[PRJ_NAME_MAX + 1];  /* type name as given ("UTM", ...)       */
  int type;                          /* prj_type, 0..6                        */
  int zone;                          /* UTM zone 1..60                        */
  int units;                         /* prj_unit, 0..4                        */
  geo_point origin;                  /* x central meridian, y origin latitude; degrees */
  geo_point false_origin;            /* x false easting, y false northing; system units */
  geo_point parallels;               /* x, y first and second standard parallel; degrees */
  double scale;                      /* scale on the central meridian or at the origin */
  dtm_rec* dtm;                      /* its ellipsoid in the list; null for USER */
  prj_rec* next;                     /* following record of the list          */
};

/* Sets the initial values: names empty, type PRJ_TYPE_NONE, units
** PRJ_UNIT_NONE, zone 0, points zero, scale 1.0, no ellipsoid, no next.
** Answers 1; 0 when the record is missing. */
int prj_init(prj_rec* prj);
/* Answers a new initialised record (std::malloc), or null without memory. */
prj_rec* prj_new();

/* Validates, normalises and inserts the record into the sorted list.
** Answers 1 when inserted (the list owns it), 0 when refused: unknown type,
** missing ellipsoid (but for USER), TM or DSTEREO scale <= 0, LAMBERT
** parallel beyond +-90, origin beyond +-180 / +-90, UTM zone outside 1..60,
** units not 0..3 for TM, LAMBERT and DSTEREO, or a name equal by the order
** rule to one in the list. UTM gets meters, false easting 500000, its
** zone's central meridian and scale 0.9996; GEOGRAPHIC gets degrees; a
** LAMBERT scale not above 0 becomes 1. */
int prj_insert(prj_rec* prj);
/* Inserts the built-in systems: "USER" of type USER, and for every
** ellipsoid in list order "GEOGRAPHIC <name>" (cut to 32 characters) in
** degrees on it. Answers the number inserted (names already present are
** skipped); -1 without memory. */
int prj_add_builtin_systems();

/* Answers the first system whose name matches, with its position from 0 in
** *index (when given); null when none or no name. */
prj_rec* prj_find(const char* name, int* index);
/* Answers the first system equal to the given one by prj_equal_def, with its
** position in *index (when given); null when none. */
prj_rec* prj_find_equal(const prj_rec* prj, int* index);
/* Answers the n-th system from 0; null for a negative n or past the end. */
prj_rec* prj_at(int n);
/* Answers 1 with the record's position in *index; 0 when it is not listed. */
int prj_index_of(const prj_rec* prj, int* index);
/* Answers the head of the system list (null when empty). */
prj_rec* prj_list_head();
/* Answers the first system on the ellipsoid; null when none. */
prj_rec* prj_find_by_dtm(const dtm_rec* dtm);
/* Unlinks the record without freeing it. Answers 1; 0 when not listed. */
int prj_unlink(prj_rec* prj);
/* Unlinks the record and frees it. Answers 1; 0 when it is not listed. */
int prj_remove(prj_rec* prj);
/* Deletes every transformation from or to the system, then the system.
** Answers 1; 0 when it is not listed. */
int prj_delete_cascade(prj_rec* prj);
/* Copies every field, the ellipsoid and next pointers included. Answers 1;
** 0 when an argument is missing. */
int prj_copy(prj_rec* dst, const prj_rec* src);
/* Answers 1 when the two records define the same system: the same record;
** two USER systems with matching names; otherwise the same type on
** ellipsoids of equal axes and, for UTM, equal zone, origin latitude and
** false northing; for LAMBERT equal parallels; for TM, LAMBERT and DSTEREO
** equal units, scale, origin and false origin. 0 otherwise or when either
** is missing. */
int prj_equal_def(const prj_rec* a, const prj_rec* b);
/* Answers why the system cannot convert a point, in words for the user
** ("its standard parallels make a cone constant of 0", "a projected
** system cannot be in degrees", "a UTM zone needs an ellipsoid, not a
** sphere", ...); null when it can, or for a null record. Such a system is
** accepted by prj_insert, so that one stored in a project stays readable,
** but refused by the dialog that defines it, and every conversion with it
** fails. */
const char* prj_unusable(const prj_rec* prj);
/* Writes into text (size bytes) "Coordinate system NAME cannot be used:
** REASON." for the first of the two systems (either may be null) that
** prj_unusable names, and answers 1; answers 0, text empty, when neither
** is. */
int prj_unusable_text(const prj_rec* a, const prj_rec* b, char* text, size_t size);
/* Frees every system and empties the list. */
void prj_list_free();

#endif /* PV_COORDS_PRJ_LIST_H */
