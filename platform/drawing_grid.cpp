/*
** drawing_grid.cpp: the spatial index of model space, kept with the
** drawing database.
**
** A uniform grid over the XY plane holds each live main entity of model
** space in the cells its extent (the box of its outline) meets; an entity
** whose extent spans too many cells, or is not finite, is held apart and
** offered to every query. Window, crossing and point picks ask the grid
** for the entities whose extent meets a box and test only those, so a
** selection touching k entities costs about k, not the drawing's size.
** Whatever changes an entity tells the grid (db_grid_touch: entmake,
** entmod, entdel, transforms); whatever may change many at once (a block
** redefined, a drawing read or replaced) makes it start again
** (db_grid_forget). Touched entities are placed again at the next query.
**
**   for (unsigned long h : db_grid_query(d, lo, hi)) if (in_window(...)) ...
*/
#include <algorithm>
#include <cmath>

#include "drawing_db.h"

/* Most cells an entity's extent may span before it is held apart. */
static const double GRID_SPAN_MAX = 64;

/* Entities placed beyond which a grid built over fewer is built again
** (its cells were chosen for a smaller drawing), and the growth that
** calls for it. */
static const size_t GRID_REBUILD_MIN = 256;
static const size_t GRID_GROWTH = 4;

/* Largest cell number kept in a key's half; beyond it an entity is apart. */
static const double GRID_INDEX_MAX = 1e9;

/* Key of cell (ix, iy). */
static uint64_t cell_key(int64_t ix, int64_t iy) {
  return ((uint64_t)(uint32_t)(int32_t)ix << 32) | (uint32_t)(int32_t)iy;
}

/* Cell range [ix0, ix1] x [iy0, iy1] of a box; false when it is too wide
** or not finite (the box is then held apart). */
static bool cell_range(const db_grid& g, const double lo[2], const double hi[2], int64_t r[4]) {
  double c[4] = {std::floor(lo[0] / g.cell), std::floor(lo[1] / g.cell), std::floor(hi[0] / g.cell),
                 std::floor(hi[1] / g.cell)};
  for (double v : c)
    if (!std::isfinite(v) || std::fabs(v) > GRID_INDEX_MAX) return false;
  if ((c[2] - c[0] + 1) * (c[3] - c[1] + 1) > GRID_SPAN_MAX) return false;
  for (int k = 0; k < 4; ++k) r[k] = (int64_t)c[k];
  return true;
}

/* The extent of entity e in the XY plane; false when it has no outline. */
static bool entity_box(db_drawing& d, const db_entity& e, double lo[2], double hi[2]) {
  std::vector<db_seg> segs;
  db_outline(d, e, segs);
  if (segs.empty()) return false;
  lo[0] = lo[1] = HUGE_VAL;
  hi[0] = hi[1] = -HUGE_VAL;
  for (const db_seg& s : segs)
    for (const double* p : {s.a, s.b})
      for (int k = 0; k < 2; ++k) {
        /* A NaN coordinate makes the box not finite: held apart. */
        if (std::isnan(p[k])) { lo[k] = -HUGE_VAL; hi[k] = HUGE_VAL; continue; }
        lo[k] = std::min(lo[k], p[k]);
        hi[k] = std::max(hi[k], p[k]);
      }
  return true;
}

/* Takes handle h out of the grid. */
static void grid_remove(db_grid& g, unsigned long h) {
  auto it = g.boxes.find(h);
  if (it == g.boxes.end()) return;
  const db_grid_box& b = it->second;
  int64_t r[4];
  auto drop = [h](std::vector<unsigned long>& v) { v.erase(std::remove(v.begin(), v.end(), h), v.end()); };
  if (b.apart || !cell_range(g, b.lo, b.hi, r)) {
    drop(g.apart);
  } else {
    for (int64_t ix = r[0]; ix <= r[2]; ++ix)
      for (int64_t iy = r[1]; iy <= r[3]; ++iy) {
        auto c = g.cells.find(cell_key(ix, iy));
        if (c == g.cells.end()) continue;
        drop(c->second);
        if (c->second.empty()) g.cells.erase(c);
      }
  }
  g.boxes.erase(it);
}

/* Puts handle h into the grid when it is a live main entity of model
** space with an outline. */
static void grid_place(db_drawing& d, db_grid& g, unsigned long h) {
  db_entity* e = db_entity_find(d, h, true);
  if (!e || e->parent || !e->block.empty() || !g.order.count(h)) return;
  db_grid_box b;
  if (!entity_box(d, *e, b.lo, b.hi)) return;
  int64_t r[4];
  b.apart = !cell_range(g, b.lo, b.hi, r);
  if (b.apart) {
    g.apart.push_back(h);
  } else {
    for (int64_t ix = r[0]; ix <= r[2]; ++ix)
      for (int64_t iy = r[1]; iy <= r[3]; ++iy) g.cells[cell_key(ix, iy)].push_back(h);
  }
  g.boxes[h] = b;
}

/* Builds the grid anew over the drawing: the cell side is chosen so that
** the drawing's extent holds about one entity per cell. */
static void grid_build(db_drawing& d) {
  db_grid& g = d.grid;
  g = db_grid();
  double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL};
  size_t n = 0;
  for (unsigned long h : d.model) {
    db_entity* e = db_entity_find(d, h, true);
    double a[2], b[2];
    if (!e || e->parent || !entity_box(d, *e, a, b)) continue;
    for (int k = 0; k < 2; ++k) {
      if (std::isfinite(a[k])) lo[k] = std::min(lo[k], a[k]);
      if (std::isfinite(b[k])) hi[k] = std::max(hi[k], b[k]);
    }
    n++;
  }
  double side = std::max(hi[0] - lo[0], hi[1] - lo[1]);
  g.cell = n && std::isfinite(side) && side > 0 ? side / std::sqrt((double)n) : 1.0;
  for (size_t i = 0; i < d.model.size(); ++i) g.order.emplace(d.model[i], i);
  g.model_seen = d.model.size();
  for (unsigned long h : d.model) grid_place(d, g, h);
  g.built_over = n;
  g.built = true;
}

/* Brings the grid up to the drawing: new model-space entries get their
** order, touched entities are placed again, and a grid whose cells were
** chosen for a few times fewer entities than it now holds is built anew.
** The entities counted are those placed, not model space's entries: those
** of erased entities stay there, and a drawing whose symbols are redrawn
** over and over would otherwise be built anew at every query. */
static void grid_sync(db_drawing& d) {
  db_grid& g = d.grid;
  if (!g.built || g.model_seen > d.model.size()) {
    grid_build(d);
    return;
  }
  for (; g.model_seen < d.model.size(); ++g.model_seen) {
    unsigned long h = d.model[g.model_seen];
    g.order.emplace(h, g.model_seen);
    g.dirty.insert(h);
  }
  if (g.dirty.empty()) return;
  for (unsigned long h : g.dirty) {
    grid_remove(g, h);
    grid_place(d, g, h);
  }
  /* A fresh set: clearing keeps the buckets of the most it ever held and
  ** wipes them all, which after a large batch would cost every query. */
  std::unordered_set<unsigned long>().swap(g.dirty);
  if (g.boxes.size() > GRID_GROWTH * std::max(g.built_over, GRID_REBUILD_MIN)) grid_build(d);
}

/* Notes that entity h changed (with the main entity it belongs to). */
void db_grid_touch(db_drawing& d, unsigned long h) {
  if (!d.grid.built) return;
  d.grid.dirty.insert(h);
  if (db_entity* e = db_entity_find(d, h, false))
    if (e->parent) d.grid.dirty.insert(e->parent);
}

/* Makes the grid start again at the next query. */
void db_grid_forget(db_drawing& d) {
  d.grid = db_grid();
}

/* Puts handles in model-space order, each once: each is looked up once,
** not at every comparison. */
static void sort_by_order(db_grid& g, std::vector<unsigned long>& out) {
  std::vector<std::pair<size_t, unsigned long>> keyed;
  keyed.reserve(out.size());
  for (unsigned long h : out) keyed.emplace_back(g.order[h], h);
  std::sort(keyed.begin(), keyed.end());
  out.clear();
  for (const auto& k : keyed)
    if (out.empty() || out.back() != k.second) out.push_back(k.second);
}

/* Live main entities of model space whose extent may meet the box [lo, hi],
** in model-space order (see drawing_db.h). */
std::vector<unsigned long> db_grid_query(db_drawing& d, const double lo[2], const double hi[2]) {
  grid_sync(d);
  db_grid& g = d.grid;
  std::vector<unsigned long> out(g.apart);
  double c[4] = {std::floor(lo[0] / g.cell), std::floor(lo[1] / g.cell), std::floor(hi[0] / g.cell),
                 std::floor(hi[1] / g.cell)};
  bool finite = true;
  for (double v : c) finite = finite && std::isfinite(v) && std::fabs(v) <= GRID_INDEX_MAX;
  if (!finite || (c[2] - c[0] + 1) * (c[3] - c[1] + 1) > (double)g.boxes.size() + GRID_SPAN_MAX) {
    /* A box of more cells than entities: every placed entity is a candidate. */
    for (auto& [h, b] : g.boxes) out.push_back(h);
    if (!finite) {
      sort_by_order(g, out);
      return out;
    }
  } else {
    for (int64_t ix = (int64_t)c[0]; ix <= (int64_t)c[2]; ++ix)
      for (int64_t iy = (int64_t)c[1]; iy <= (int64_t)c[3]; ++iy) {
        auto cell = g.cells.find(cell_key(ix, iy));
        if (cell != g.cells.end()) out.insert(out.end(), cell->second.begin(), cell->second.end());
      }
  }
  auto placed = [&](unsigned long h) {
    auto b = g.boxes.find(h);
    return b != g.boxes.end() && (b->second.apart || (b->second.hi[0] >= lo[0] && b->second.lo[0] <= hi[0] &&
                                                      b->second.hi[1] >= lo[1] && b->second.lo[1] <= hi[1]));
  };
  out.erase(std::remove_if(out.begin(), out.end(), [&](unsigned long h) { return !placed(h); }), out.end());
  sort_by_order(g, out);
  return out;
}
