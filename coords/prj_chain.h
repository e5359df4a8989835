/*
** prj_chain.h: the walks that the three coordinate lists share. Ellipsoids
** (dtm_list.cpp), systems (prj_list.cpp) and transformations
** (xfrm_list.cpp) are singly linked records with a `next` field and a
** blank-padded `name`, kept sorted by the order rule of prj_name.h; these
** templates hold the position lookups, the lookup by name, unlinking, the
** sorted insert and freeing once for all three.
**
**   dtm_rec* d = prj_chain_at(dtm_head, 2);
**   if (!prj_chain_insert_sorted(&dtm_head, rec)) ...duplicate name...
*/
#ifndef PV_COORDS_PRJ_CHAIN_H
#define PV_COORDS_PRJ_CHAIN_H

#include "coords/prj_name.h"

/* Answers the n-th record from 0; null for a negative n or past the end. */
template <class Rec>
Rec* prj_chain_at(Rec* head, int n) {
  if (n < 0) return nullptr;
  while (head && n-- > 0) head = head->next;
  return head;
}

/* Answers 1 with the position of rec in *index; 0 when it is not in the
** chain or an argument is missing. */
template <class Rec>
int prj_chain_index_of(const Rec* head, const Rec* rec, int* index) {
  if (!rec || !index) return 0;
  int i = 0;
  for (const Rec* r = head; r; r = r->next, ++i) {
    if (r == rec) {
      *index = i;
      return 1;
    }
  }
  return 0;
}

/* Answers the first record whose name matches (prj_name_match), with its
** position in *index when index is given; null when none or no name. */
template <class Rec>
Rec* prj_chain_find(Rec* head, const char* name, int* index) {
  if (!name) return nullptr;
  int i = 0;
  for (Rec* r = head; r; r = r->next, ++i) {
    if (prj_name_match(name, r->name)) {
      if (index) *index = i;
      return r;
    }
  }
  return nullptr;
}

/* Unlinks rec from the chain without freeing it. Answers 1; 0 when it is
** not in the chain. */
template <class Rec>
int prj_chain_unlink(Rec** head, Rec* rec) {
  if (!rec) return 0;
  for (Rec** link = head; *link; link = &(*link)->next) {
    if (*link == rec) {
      *link = rec->next;
      return 1;
    }
  }
  return 0;
}

/* Links rec in front of the first record it orders before, or at the end.
** Answers 1; 0 (chain unchanged) when a record of an equal name by the order
** rule is met first. */
template <class Rec>
int prj_chain_insert_sorted(Rec** head, Rec* rec) {
  Rec** link = head;
  while (*link) {
    prj_order order = prj_name_order(rec->name, (*link)->name);
    if (order == PRJ_ORDER_DUPLICATE) return 0;
    if (order == PRJ_ORDER_BEFORE) break;
    link = &(*link)->next;
  }
  rec->next = *link;
  *link = rec;
  return 1;
}

/* Frees every record of the chain with free_rec and empties its head. */
template <class Rec, class FreeFn>
void prj_chain_free(Rec** head, FreeFn free_rec) {
  while (*head) {
    Rec* next = (*head)->next;
    free_rec(*head);
    *head = next;
  }
}

#endif /* PV_COORDS_PRJ_CHAIN_H */
