/*
** prj_list.cpp: the global list of coordinate systems: validation and
** normalisation on insert, lookups by name, position, definition and
** ellipsoid, deletion with its cascade to transformations, and the equality
** of two definitions used to match systems across projects.
*/
#include "coords/prj_list.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "coords/prj_chain.h"
#include "coords/prj_formulas.h"
#include "coords/xfrm_list.h"

/* Head of the system list; empty at start-up and after prj_list_free. */
static prj_rec* prj_head = nullptr;

/* Answers 1 with the record set to its initial values. */
int prj_init(prj_rec* prj) {
  if (!prj) return 0;
  std::memset(prj, 0, sizeof *prj);
  prj->type = PRJ_TYPE_NONE;
  prj->units = PRJ_UNIT_NONE;
  prj->scale = 1.0;
  return 1;
}

/* Answers a new initialised record, or null without memory. */
prj_rec* prj_new() {
  auto* prj = static_cast<prj_rec*>(std::malloc(sizeof(prj_rec)));
  if (prj) prj_init(prj);
  return prj;
}

/* Answers 1 when the origin lies within +-180 longitude and +-90 latitude. */
static int prj_origin_valid(const prj_rec* prj) {
  return std::fabs(prj->origin.x) <= 180.0 && std::fabs(prj->origin.y) <= 90.0;
}

/* Answers 1 when the record passes the checks of its type and has been
** normalised; 0 when it must be refused. */
static int prj_validate(prj_rec* prj) {
  if (prj->type < PRJ_TYPE_GEOGRAPHIC || prj->type > PRJ_TYPE_USER) return 0;
  if (!prj->dtm && prj->type != PRJ_TYPE_USER) return 0;
  if ((prj->type == PRJ_TYPE_TM || prj->type == PRJ_TYPE_DSTEREO) && !(prj->scale > 0.0)) return 0;
  if (prj->type == PRJ_TYPE_LAMBERT &&
      (!(std::fabs(prj->parallels.x) <= 90.0) || !(std::fabs(prj->parallels.y) <= 90.0)))
    return 0;
  if ((prj->type == PRJ_TYPE_TM || prj->type == PRJ_TYPE_LAMBERT || prj->type == PRJ_TYPE_DSTEREO) &&
      !prj_origin_valid(prj))
    return 0;
  switch (prj->type) {
    case PRJ_TYPE_UTM:
      if (prj->zone < 1 || prj->zone > 60) return 0;
      prj->units = PRJ_UNIT_METERS;
      prj->false_origin.x = PRJ_UTM_FALSE_EASTING_M;
      prj->origin.x = prj->zone * 6 - 183;
      prj->scale = PRJ_UTM_SCALE;
      break;
    case PRJ_TYPE_USER:
      prj->units = prj_unit_index(prj->units_name);
      break;
    case PRJ_TYPE_LAMBERT:
      /* A cone's scale left at 0 (or not a number) is 1, as it was when
      ** the formulas took none. */
      if (!(prj->scale > 0.0) || !std::isfinite(prj->scale)) prj->scale = 1.0;
      [[fallthrough]];
    case PRJ_TYPE_TM:
    case PRJ_TYPE_DSTEREO:
      prj->units = prj_unit_index(prj->units_name);
      if (prj->units < PRJ_UNIT_DEGREES || prj->units > PRJ_UNIT_SURVEY_FEET) return 0;
      break;
    case PRJ_TYPE_GEOGRAPHIC:
      prj->units = PRJ_UNIT_DEGREES;
      break;
    default:
      return 0;
  }
  return 1;
}

/* Answers 1 when the record was inserted, 0 when refused. */
int prj_insert(prj_rec* prj) {
  if (!prj) return 0;
  prj->name[PRJ_NAME_MAX] = prj->units_name[PRJ_NAME_MAX] = 0;
  prj->dtm_name[PRJ_NAME_MAX] = prj->type_name[PRJ_NAME_MAX] = 0;
  prj_name_trim(prj->name);
  prj_name_trim(prj->units_name);
  prj_name_trim(prj->dtm_name);
  prj_name_trim(prj->type_name);
  if (prj->name[0] == 0) prj_name_copy(prj->name, prj->type_name);
  prj_name_pad(prj->name);
  prj->type = prj_type_index(prj->type_name);
  prj->dtm = dtm_find(prj->dtm_name, nullptr);
  prj->next = nullptr;
  if (!prj_validate(prj)) return 0;
  return prj_chain_insert_sorted(&prj_head, prj);
}

/* Answers the number of built-in systems inserted, -1 without memory. */
int prj_add_builtin_systems() {
  int inserted = 0;
  prj_rec* user = prj_new();
  if (!user) return -1;
  prj_name_copy(user->name, "USER");
  prj_name_copy(user->type_name, "USER");
  if (prj_insert(user)) ++inserted;
  else std::free(user);
  for (dtm_rec* d = dtm_list_head(); d; d = d->next) {
    prj_rec* geo = prj_new();
    if (!geo) return -1;
    char dtm_name[PRJ_NAME_MAX + 1];
    prj_name_copy(dtm_name, d->name);
    prj_name_trim(dtm_name);
    char full[2 * PRJ_NAME_MAX + 16];
    std::snprintf(full, sizeof full, "GEOGRAPHIC %s", dtm_name);
    prj_name_copy(geo->name, full);
    prj_name_copy(geo->type_name, "GEOGRAPHIC");
    prj_name_copy(geo->units_name, "degrees");
    prj_name_copy(geo->dtm_name, dtm_name);
    if (prj_insert(geo)) ++inserted;
    else std::free(geo);
  }
  return inserted;
}

/* Answers the first matching system and its position, or null. */
prj_rec* prj_find(const char* name, int* index) { return prj_chain_find(prj_head, name, index); }

/* Answers the first system of equal definition and its position, or null. */
prj_rec* prj_find_equal(const prj_rec* prj, int* index) {
  if (!prj) return nullptr;
  int i = 0;
  for (prj_rec* p = prj_head; p; p = p->next, ++i) {
    if (prj_equal_def(prj, p)) {
      if (index) *index = i;
      return p;
    }
  }
  return nullptr;
}

/* Answers the n-th system, or null. */
prj_rec* prj_at(int n) { return prj_chain_at(prj_head, n); }

/* Answers 1 with the record's position; 0 when not listed. */
int prj_index_of(const prj_rec* prj, int* index) { return prj_chain_index_of<prj_rec>(prj_head, prj, index); }

/* Answers the head of the list. */
prj_rec* prj_list_head() { return prj_head; }

/* Answers the first system on the ellipsoid, or null. */
prj_rec* prj_find_by_dtm(const dtm_rec* dtm) {
  if (!dtm) return nullptr;
  for (prj_rec* p = prj_head; p; p = p->next)
    if (p->dtm == dtm) return p;
  return nullptr;
}

/* Answers 1 when the record was unlinked; 0 when not listed. */
int prj_unlink(prj_rec* prj) { return prj_chain_unlink(&prj_head, prj); }

/* Answers 1 when the record was unlinked and freed; 0 when not listed. */
int prj_remove(prj_rec* prj) {
  if (!prj_chain_unlink(&prj_head, prj)) return 0;
  std::free(prj);
  return 1;
}

/* Answers 1 when the system and its transformations are deleted. */
int prj_delete_cascade(prj_rec* prj) {
  int index;
  if (!prj_index_of(prj, &index)) return 0;
  xfrm_delete_for_prj(prj);
  return prj_remove(prj);
}

/* Answers 1 with every field copied. */
int prj_copy(prj_rec* dst, const prj_rec* src) {
  if (!dst || !src) return 0;
  *dst = *src;
  return 1;
}

/* Answers 1 when the two points are exactly equal in x and y. */
static int prj_same_xy(const geo_point& a, const geo_point& b) { return a.x == b.x && a.y == b.y; }

/* Answers 1 when a and b define the same system. */
int prj_equal_def(const prj_rec* a, const prj_rec* b) {
  if (!a || !b) return 0;
  if (a == b) return 1;
  if (a->type != b->type) return 0;
  if (a->type == PRJ_TYPE_USER) return prj_name_match(a->name, b->name);
  if (!dtm_equal_axes(a->dtm, b->dtm)) return 0;
  switch (a->type) {
    case PRJ_TYPE_GEOGRAPHIC:
      return 1;
    case PRJ_TYPE_UTM:
      /* The false northing tells a southern zone from a northern one. */
      return a->zone == b->zone && a->origin.y == b->origin.y && a->false_origin.y == b->false_origin.y;
    case PRJ_TYPE_LAMBERT:
      if (!prj_same_xy(a->parallels, b->parallels)) return 0;
      [[fallthrough]];
    case PRJ_TYPE_TM:
    case PRJ_TYPE_DSTEREO:
      return a->units == b->units && a->scale == b->scale && prj_same_xy(a->origin, b->origin) &&
             prj_same_xy(a->false_origin, b->false_origin);
    default:
      return 0;
  }
}

/* Answers why the system cannot convert a point, null when it can. */
const char* prj_unusable(const prj_rec* prj) {
  if (!prj || prj->type == PRJ_TYPE_USER || prj->type == PRJ_TYPE_GEOGRAPHIC || !prj->dtm) return nullptr;
  if (prj->type != PRJ_TYPE_UTM && prj->units == PRJ_UNIT_DEGREES) return "a projected system cannot be in degrees";
  if (prj->type == PRJ_TYPE_UTM && prj->dtm->a_m == prj->dtm->b_m) return "a UTM zone needs an ellipsoid, not a sphere";
  if ((prj->type == PRJ_TYPE_UTM || prj->type == PRJ_TYPE_TM) &&
      !(std::fabs(tm_third_flattening(prj->dtm)) <= TM_MAX_THIRD_FLATTENING))
    return "its ellipsoid is too flat for the transverse Mercator (flattening above 1/100)";
  if (prj->type == PRJ_TYPE_LAMBERT) return lcc_cone_unusable(prj->dtm, &prj->origin, &prj->parallels);
  return nullptr;
}

/* Writes why the first unusable one of two systems cannot be used. */
int prj_unusable_text(const prj_rec* a, const prj_rec* b, char* text, size_t size) {
  if (text && size) text[0] = 0;
  for (const prj_rec* p : {a, b}) {
    const char* why = prj_unusable(p);
    if (!why) continue;
    char name[PRJ_NAME_MAX + 1];
    prj_name_copy(name, p->name);
    if (text && size) std::snprintf(text, size, "Coordinate system %s cannot be used: %s.", prj_name_trim(name), why);
    return 1;
  }
  return 0;
}

/* Frees the whole list. */
void prj_list_free() { prj_chain_free(&prj_head, std::free); }
