/*
** dtm_list.cpp: the global ellipsoid list. A singly linked list sorted by
** name (prj_name_order); lookups by name use the match rule
** (prj_name_match). Deleting an ellipsoid with dtm_delete_cascade takes its
** projections and their transformations along (prj_list.cpp).
*/
#include "coords/dtm_list.h"

#include <cstdlib>
#include <cstring>

#include "coords/prj_chain.h"
#include "coords/prj_list.h"

/* Head of the ellipsoid list; empty at start-up and after dtm_list_free. */
static dtm_rec* dtm_head = nullptr;

/* Answers 1 with the record set to its initial values. */
int dtm_init(dtm_rec* dtm) {
  if (!dtm) return 0;
  std::memset(dtm, 0, sizeof *dtm);
  return 1;
}

/* Answers a new initialised record, or null without memory. */
dtm_rec* dtm_new() {
  auto* dtm = static_cast<dtm_rec*>(std::malloc(sizeof(dtm_rec)));
  if (dtm) dtm_init(dtm);
  return dtm;
}

/* Answers 1 when the record was inserted, 0 when refused. */
int dtm_insert(dtm_rec* dtm) {
  if (!dtm) return 0;
  dtm->name[PRJ_NAME_MAX] = 0;
  prj_name_trim(dtm->name);
  if (dtm->name[0] == 0) return 0;
  if (!(dtm->a_m >= DTM_MIN_MAJOR_M) || !(dtm->b_m >= DTM_MIN_MINOR_M)) return 0;
  /* A minor axis longer than the major one is no ellipsoid of revolution
  ** that the formulas can use (e squared would be negative). */
  if (dtm->b_m > dtm->a_m) return 0;
  prj_name_pad(dtm->name);
  return prj_chain_insert_sorted(&dtm_head, dtm);
}

/* Answers the first matching ellipsoid and its position, or null. */
dtm_rec* dtm_find(const char* name, int* index) { return prj_chain_find(dtm_head, name, index); }

/* Answers the n-th ellipsoid, or null. */
dtm_rec* dtm_at(int n) { return prj_chain_at(dtm_head, n); }

/* Answers 1 with the record's position; 0 when it is not in the list. */
int dtm_index_of(const dtm_rec* dtm, int* index) { return prj_chain_index_of<dtm_rec>(dtm_head, dtm, index); }

/* Answers the head of the list. */
dtm_rec* dtm_list_head() { return dtm_head; }

/* Answers 1 when the record was unlinked; 0 when not listed. */
int dtm_unlink(dtm_rec* dtm) { return prj_chain_unlink(&dtm_head, dtm); }

/* Answers 1 when the record was unlinked and freed; 0 when not listed. */
int dtm_remove(dtm_rec* dtm) {
  if (!prj_chain_unlink(&dtm_head, dtm)) return 0;
  std::free(dtm);
  return 1;
}

/* Answers 1 when the ellipsoid and everything built on it are deleted. */
int dtm_delete_cascade(dtm_rec* dtm) {
  int index;
  if (!dtm_index_of(dtm, &index)) return 0;
  while (prj_rec* prj = prj_find_by_dtm(dtm)) {
    if (!prj_delete_cascade(prj)) break;
  }
  return dtm_remove(dtm);
}

/* Answers 1 with name and axes copied. */
int dtm_copy(dtm_rec* dst, const dtm_rec* src) {
  if (!dst || !src) return 0;
  prj_name_copy(dst->name, src->name);
  dst->a_m = src->a_m;
  dst->b_m = src->b_m;
  return 1;
}

/* Answers 1 when a and b are exactly equal in both axes. */
int dtm_equal_axes(const dtm_rec* a, const dtm_rec* b) {
  if (!a || !b) return 0;
  return a->a_m == b->a_m && a->b_m == b->b_m;
}

/* Frees the whole list. */
void dtm_list_free() { prj_chain_free(&dtm_head, std::free); }
