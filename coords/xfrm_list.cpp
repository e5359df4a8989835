/*
** xfrm_list.cpp: the global transformation list: records and their owned
** arrays, validation on insert (only a change of ellipsoid, or a way into
** or out of a USER system, may be fitted), the conflict rule between two
** transformations of the same systems, lookups and deletion.
*/
#include "coords/xfrm_list.h"

#include <cstdlib>
#include <cstring>

#include "coords/prj_chain.h"

/* Head of the transformation list; empty at start-up and after
** xfrm_list_free. */
static xfrm_rec* xfrm_head = nullptr;

/* Answers 1 with the record set to its initial values. */
int xfrm_init(xfrm_rec* xfrm) {
  if (!xfrm) return 0;
  std::memset(xfrm, 0, sizeof *xfrm);
  xfrm->src_scale = 1.0;
  xfrm->dst_scale = 1.0;
  return 1;
}

/* Answers a new initialised record, or null without memory. */
xfrm_rec* xfrm_new() {
  auto* xfrm = static_cast<xfrm_rec*>(std::malloc(sizeof(xfrm_rec)));
  if (xfrm) xfrm_init(xfrm);
  return xfrm;
}

/* Answers 1 with fresh zeroed point arrays of count points. */
int xfrm_alloc_points(xfrm_rec* xfrm, int count) {
  if (!xfrm || count < 1) return 0;
  auto* src = static_cast<geo_point*>(std::calloc(count, sizeof(geo_point)));
  auto* dst = static_cast<geo_point*>(std::calloc(count, sizeof(geo_point)));
  if (!src || !dst) {
    std::free(src);
    std::free(dst);
    return 0;
  }
  std::free(xfrm->src);
  std::free(xfrm->dst);
  /* The residuals were those of the old points, one per point: kept, they
  ** would be read past their end for a larger count. The next fit makes
  ** new ones. */
  std::free(xfrm->residuals);
  xfrm->residuals = nullptr;
  xfrm->src = src;
  xfrm->dst = dst;
  xfrm->count = count;
  return 1;
}

/* Frees the owned arrays and the record. */
void xfrm_free(xfrm_rec* xfrm) {
  if (!xfrm) return;
  std::free(xfrm->src);
  std::free(xfrm->dst);
  std::free(xfrm->residuals);
  std::free(xfrm->coef_x);
  std::free(xfrm->coef_y);
  std::free(xfrm);
}

/* Answers the box shrunk by 1% of its own width on the left and right and
** 1% of its own height at the bottom and top. */
static geo_box xfrm_shrunk_extents(const geo_box& box) {
  geo_box out = box;
  double dx = (box.max.x - box.min.x) * XFRM_EXTENT_MARGIN;
  double dy = (box.max.y - box.min.y) * XFRM_EXTENT_MARGIN;
  out.min.x += dx;
  out.max.x -= dx;
  out.min.y += dy;
  out.max.y -= dy;
  return out;
}

/* Answers 1 when the two transformations would compete for the same points:
** same kind, equal systems, overlapping shrunk extents; 0 otherwise. */
int xfrm_conflicts(const xfrm_rec* old_xfrm, const xfrm_rec* new_xfrm) {
  if (!old_xfrm || !new_xfrm) return 0;
  if ((old_xfrm->degree < 0) != (new_xfrm->degree < 0)) return 0;
  if ((old_xfrm->count < 2) != (new_xfrm->count < 2)) return 0;
  if ((old_xfrm->coef_x == nullptr) != (new_xfrm->coef_x == nullptr)) return 0;
  if ((old_xfrm->coef_y == nullptr) != (new_xfrm->coef_y == nullptr)) return 0;
  if (!prj_equal_def(old_xfrm->prj1, new_xfrm->prj1) || !prj_equal_def(old_xfrm->prj2, new_xfrm->prj2))
    return 0;
  geo_box a = xfrm_shrunk_extents(old_xfrm->extents);
  geo_box b = xfrm_shrunk_extents(new_xfrm->extents);
  return geo_extents_overlap(&a, &b);
}

/* Answers 1 when two non-USER systems differ in their ellipsoid and in
** nothing else, so that a transformation between them is meaningful. */
static int xfrm_only_ellipsoid_differs(const prj_rec* p1, const prj_rec* p2) {
  prj_rec copy;
  prj_copy(&copy, p1);
  copy.dtm = p2->dtm;
  if (!prj_equal_def(&copy, p2)) return 0;
  return !dtm_equal_axes(p1->dtm, p2->dtm);
}

/* Answers 1 when the record was inserted, 0 when refused. */
int xfrm_insert(xfrm_rec* xfrm) {
  if (!xfrm || xfrm->degree < 0) return 0;
  xfrm->name[PRJ_NAME_MAX] = xfrm->prj_name1[PRJ_NAME_MAX] = xfrm->prj_name2[PRJ_NAME_MAX] = 0;
  prj_name_trim(xfrm->name);
  prj_name_trim(xfrm->prj_name1);
  prj_name_trim(xfrm->prj_name2);
  xfrm->prj1 = prj_find(xfrm->prj_name1, nullptr);
  xfrm->prj2 = prj_find(xfrm->prj_name2, nullptr);
  xfrm->next = nullptr;
  if (xfrm->name[0] == 0 || !xfrm->prj1 || !xfrm->prj2) return 0;
  int user = xfrm->prj1->type == PRJ_TYPE_USER || xfrm->prj2->type == PRJ_TYPE_USER;
  int geo1 = xfrm->prj1->type == PRJ_TYPE_GEOGRAPHIC;
  int geo2 = xfrm->prj2->type == PRJ_TYPE_GEOGRAPHIC;
  /* Geographic to projected is the formulas' business, not a fit's; a local
  ** USER grid may be fitted to longitude and latitude directly. */
  if (geo1 != geo2 && !user) return 0;
  if (!user && !xfrm_only_ellipsoid_differs(xfrm->prj1, xfrm->prj2)) return 0;
  prj_name_pad(xfrm->name);
  xfrm_rec** place = nullptr;
  xfrm_rec** link = &xfrm_head;
  for (; *link; link = &(*link)->next) {
    if (xfrm_conflicts(*link, xfrm)) return 0;
    prj_order order = prj_name_order(xfrm->name, (*link)->name);
    if (order == PRJ_ORDER_DUPLICATE) return 0;
    if (order == PRJ_ORDER_BEFORE && !place) place = link;
  }
  if (!place) place = link;
  xfrm->next = *place;
  *place = xfrm;
  return 1;
}

/* Answers the n-th transformation, or null. */
xfrm_rec* xfrm_at(int n) { return prj_chain_at(xfrm_head, n); }

/* Answers 1 with the record's position; 0 when not listed. */
int xfrm_index_of(const xfrm_rec* xfrm, int* index) {
  return prj_chain_index_of<xfrm_rec>(xfrm_head, xfrm, index);
}

/* Answers the head of the list. */
xfrm_rec* xfrm_list_head() { return xfrm_head; }

/* Answers the first transformation from or to the system, or null. */
xfrm_rec* xfrm_find_by_prj(const prj_rec* prj) {
  if (!prj) return nullptr;
  for (xfrm_rec* t = xfrm_head; t; t = t->next)
    if (t->prj1 == prj || t->prj2 == prj) return t;
  return nullptr;
}

/* Answers 1 when the record was unlinked; 0 when not listed. */
int xfrm_unlink(xfrm_rec* xfrm) { return prj_chain_unlink(&xfrm_head, xfrm); }

/* Answers 1 when the record was unlinked and freed; 0 when not listed. */
int xfrm_remove(xfrm_rec* xfrm) {
  if (!prj_chain_unlink(&xfrm_head, xfrm)) return 0;
  xfrm_free(xfrm);
  return 1;
}

/* Answers the number of transformations deleted for the system. */
int xfrm_delete_for_prj(const prj_rec* prj) {
  int deleted = 0;
  if (!prj) return 0;
  while (xfrm_rec* t = xfrm_find_by_prj(prj)) {
    if (!xfrm_remove(t)) break;
    ++deleted;
  }
  return deleted;
}

/* Answers 1 with the fields copied; arrays are shared, not duplicated. */
int xfrm_copy(xfrm_rec* dst, const xfrm_rec* src) {
  if (!dst || !src) return 0;
  prj_name_copy(dst->name, src->name);
  prj_name_copy(dst->prj_name1, src->prj_name1);
  prj_name_copy(dst->prj_name2, src->prj_name2);
  dst->degree = src->degree;
  dst->count = src->count;
  dst->src = src->src;
  dst->dst = src->dst;
  dst->coef_x = src->coef_x;
  dst->coef_y = src->coef_y;
  dst->src_shift = src->src_shift;
  dst->dst_shift = src->dst_shift;
  dst->src_scale = src->src_scale;
  dst->dst_scale = src->dst_scale;
  dst->extents = src->extents;
  dst->total = src->total;
  dst->prj1 = src->prj1;
  dst->prj2 = src->prj2;
  dst->next = src->next;
  return 1;
}

/* Frees the whole list. */
void xfrm_list_free() { prj_chain_free(&xfrm_head, xfrm_free); }
