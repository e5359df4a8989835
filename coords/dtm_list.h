/*
** dtm_list.h: ellipsoids and their global list, kept sorted by name.
**
** The setup store fills the list at logon from the table PVDATUM (one
** dtm_insert per row); the datum dialog changes it; unload frees it with
** dtm_list_free. Records are made with dtm_new, belong to the list once
** dtm_insert accepts them, and are released with std::free when refused.
**
**   dtm_rec* d = dtm_new(); prj_name_copy(d->name, "WGS84");
**   d->a_m = 6378137.0; d->b_m = 6356752.314245;
**   if (!dtm_insert(d)) std::free(d);
*/
#ifndef PV_COORDS_DTM_LIST_H
#define PV_COORDS_DTM_LIST_H

#include "coords/prj_name.h"

/* Smallest axes an ellipsoid may have: anything smaller is not the Earth. */
constexpr double DTM_MIN_MAJOR_M = 6.37e6;
constexpr double DTM_MIN_MINOR_M = 6.35e6;

/* An ellipsoid. */
struct dtm_rec {
  char name[PRJ_NAME_MAX + 1]; /* name, blank-padded to 32 in the list      */
  double a_m;                  /* major semi-axis a, metres                 */
  double b_m;                  /* minor semi-axis b, metres (b <= a)        */
  dtm_rec* next;               /* following record of the list; list-owned  */
};

/* Sets the initial values: empty name, axes 0, no next. Answers 1; 0 when
** the record is missing. */
int dtm_init(dtm_rec* dtm);
/* Answers a new initialised record (std::malloc), or null without memory. */
dtm_rec* dtm_new();

/* Validates, normalises and inserts the record into the sorted list.
** Answers 1 when inserted (the list owns it), 0 when refused: an empty
** name, a < 6.37e6 m, b < 6.35e6 m, b > a, or a name equal by the order rule
** to one in the list. The name is trimmed, and padded to 32 on success. */
int dtm_insert(dtm_rec* dtm);
/* Answers the first ellipsoid whose name matches, with its position from 0
** in *index (when index is given); null when none or no name. */
dtm_rec* dtm_find(const char* name, int* index);
/* Answers the n-th ellipsoid from 0; null for a negative n or past the end. */
dtm_rec* dtm_at(int n);
/* Answers 1 with the position of the record in *index; 0 when it is not in
** the list or an argument is missing. */
int dtm_index_of(const dtm_rec* dtm, int* index);
/* Answers the head of the ellipsoid list (null when empty). */
dtm_rec* dtm_list_head();
/* Unlinks the record from the list without freeing it (a record changed
** in place is inserted again). Answers 1; 0 when it is not in the list. */
int dtm_unlink(dtm_rec* dtm);
/* Unlinks the record from the list and frees it. Answers 1; 0 when the
** record is not in the list. */
int dtm_remove(dtm_rec* dtm);
/* Deletes every projection that uses the ellipsoid (with their
** transformations), then the ellipsoid. Answers 1; 0 when it is not in the
** list. */
int dtm_delete_cascade(dtm_rec* dtm);
/* Copies the name (at most 32 characters, terminated) and the axes. Answers
** 1; 0 when an argument is missing. */
int dtm_copy(dtm_rec* dst, const dtm_rec* src);
/* Answers 1 when the two ellipsoids have exactly equal a and b; 0 otherwise
** or when either is missing. */
int dtm_equal_axes(const dtm_rec* a, const dtm_rec* b);
/* Frees every ellipsoid and empties the list. */
void dtm_list_free();

#endif /* PV_COORDS_DTM_LIST_H */
