/*
** drawing_grid.cpp: the spatial index of model space, kept with the
** drawing database.
**
** Each live main entity of model space is held in the cells its extent
** (the box of its outline) meets, in one of several grids over the XY
** plane: the grid of level L has cells of the side of level 0 times 2^L,
** and an entity goes into the lowest level whose cells are at least its
** size, so that it meets at most two by two of them. The side of level 0
** follows how close the entities stand, not the drawing's extent: it is
** shrunk until the cells the entities stand in hold about one each, so
** that a few entities far from the rest (the map setup's block at the
** origin beside stations some thousand kilometres away) leave the cells
** of the others as small as before. Cells are kept by key in a hash, so
** empty ones cost nothing; an entity notes its box (in floats rounded
** outward) and level itself. An entity whose extent is not finite, or
** lies too far out for a cell number, is held apart and offered to every
** query.
**
** Window, crossing and point picks ask the index for the entities whose
** extent meets a box and test only those, so a selection costs about what
** its window holds, whatever the size, extent or outliers of the drawing.
** Whatever changes an entity tells the index (db_grid_touch: entmake,
** entmod, entdel, transforms); whatever may change many at once (a block
** redefined, a drawing read or replaced) makes it start again
** (db_grid_forget). Touched entities are placed again at the next query;
** an index that has come to hold a few times the entities it was built
** over is built anew, its side of level 0 chosen again.
**
**   for (unsigned long h : db_grid_query(d, lo, hi)) if (in_window(...)) ...
*/
#include <algorithm>
#include <cmath>

#include "drawing_db.h"

/* Entities placed beyond which an index built over fewer is built again
** (its side of level 0 was chosen for a smaller drawing), and the growth
** that calls for it. */
static const size_t GRID_REBUILD_MIN = 256;
static const size_t GRID_GROWTH = 4;

/* Largest cell number a key holds (29 bits with the sign); an entity
** beyond it is held apart. */
static const int64_t GRID_INDEX_MAX = ((int64_t)1 << 28) - 1;

/* The side of level 0 leaves the cell numbers of the entities within
** this share of GRID_INDEX_MAX, so that none is pushed apart by it. */
static const double GRID_INDEX_ROOM = 1.0 / 4;

/* Entities per occupied cell of level 0 that the choice of its side aims
** at, the most rounds it takes, the least and most it shrinks by in a
** round, and how many times fewer cells than the best a side may occupy
** and still be taken. */
static const double GRID_PER_CELL = 2;
static const int GRID_SIDE_ROUNDS = 12;
static const double GRID_SIDE_STEP = 2;
static const double GRID_SIDE_STEP_MAX = 1024;
static const double GRID_SIDE_GAIN = 1.5;

/* Cells beyond the entities placed that a query may visit before it takes
** every placed entity instead. */
static const double GRID_VISIT_SLACK = 64;

/* Slots of the cell table at least, and the share of them used beyond
** which it doubles. */
static const size_t GRID_SLOTS_MIN = 64;
static const double GRID_SLOTS_LOAD = 0.75;

/* ---- The cell table ---- */

size_t db_grid_cells::home(uint64_t key) const
{
    return (size_t)((key * 0x9E3779B97F4A7C15ull) >> 20) & (slots_.size() - 1);
}

void db_grid_cells::reserve(size_t n)
{
    size_t want = GRID_SLOTS_MIN;
    while ((double)want * GRID_SLOTS_LOAD < (double)n) want *= 2;
    if (want <= slots_.size()) return;
    std::vector<std::pair<uint64_t, unsigned long>> was(want, {0, 0});
    was.swap(slots_);
    n_ = 0;
    for (const auto &[key, h] : was)
        if (h) insert(key, h);
}

void db_grid_cells::insert(uint64_t key, unsigned long h)
{
    if ((double)(n_ + 1) > (double)slots_.size() * GRID_SLOTS_LOAD) reserve(std::max(GRID_SLOTS_MIN, n_ * 2));
    size_t mask = slots_.size() - 1, at = home(key);
    while (slots_[at].second) at = (at + 1) & mask;
    slots_[at] = {key, h};
    ++n_;
}

/* Takes the pair out and moves back the pairs after it that were pushed
** past their place, so that no free slot stands between a pair and its
** place. */
void db_grid_cells::erase(uint64_t key, unsigned long h)
{
    if (slots_.empty()) return;
    size_t mask = slots_.size() - 1, at = home(key);
    while (slots_[at].second && !(slots_[at].first == key && slots_[at].second == h)) at = (at + 1) & mask;
    if (!slots_[at].second) return;
    size_t gap = at;
    for (size_t next = (gap + 1) & mask; slots_[next].second; next = (next + 1) & mask) {
        size_t want = home(slots_[next].first);
        /* The pair may fill the gap when its place is not between the gap
    ** (exclusive) and itself (inclusive), going round the table. */
        bool between = gap <= next ? (want > gap && want <= next) : (want > gap || want <= next);
        if (!between) {
            slots_[gap] = slots_[next];
            gap = next;
        }
    }
    slots_[gap] = {0, 0};
    --n_;
}

void db_grid_cells::get(uint64_t key, std::vector<unsigned long> &out) const
{
    if (slots_.empty()) return;
    size_t mask = slots_.size() - 1;
    for (size_t at = home(key); slots_[at].second; at = (at + 1) & mask)
        if (slots_[at].first == key) out.push_back(slots_[at].second);
}

/* ---- Boxes and cells ---- */

/* Key of cell (ix, iy) of a level. */
static uint64_t cell_key(int level, int64_t ix, int64_t iy)
{
    const uint64_t mask = ((uint64_t)1 << 29) - 1;
    return (uint64_t)level << 58 | ((uint64_t)ix & mask) << 29 | ((uint64_t)iy & mask);
}

/* Side of the cells of a level. */
static double level_side(const db_grid &g, int level)
{
    return std::ldexp(g.cell, level);
}

/* Cell range [ix0, ix1] x [iy0, iy1] of a box at a level, clamped to the
** numbers a key holds (no entity lies beyond them). */
static void cell_range(const db_grid &g, int level, const double lo[2], const double hi[2], int64_t r[4])
{
    double side = level_side(g, level);
    const double *at[4] = {&lo[0], &lo[1], &hi[0], &hi[1]};
    for (int k = 0; k < 4; ++k) {
        double c = std::floor(*at[k] / side);
        r[k] = c < -(double)GRID_INDEX_MAX ? -GRID_INDEX_MAX : c > (double)GRID_INDEX_MAX ? GRID_INDEX_MAX : (int64_t)c;
    }
}

/* The box an entity notes, in doubles. */
static void noted_box(const db_indexed &at, double lo[2], double hi[2])
{
    for (int k = 0; k < 2; ++k) lo[k] = at.lo[k], hi[k] = at.hi[k];
}

/* The level of a box: the lowest whose cells are at least its size, so
** that it meets at most two cells each way; DB_GRID_APART when it is not
** finite, too large or too far out. */
static int box_level(const db_grid &g, const double lo[2], const double hi[2])
{
    for (int k = 0; k < 2; ++k)
        if (!std::isfinite(lo[k]) || !std::isfinite(hi[k])) return DB_GRID_APART;
    double size = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    int level = 0;
    while (level < DB_GRID_LEVELS && level_side(g, level) < size) ++level;
    if (level == DB_GRID_LEVELS) return DB_GRID_APART;
    double side = level_side(g, level);
    for (double v : {lo[0], lo[1], hi[0], hi[1]})
        if (std::fabs(std::floor(v / side)) > (double)GRID_INDEX_MAX) return DB_GRID_APART;
    return level;
}

/* The extent of entity e in the XY plane; false when it has no outline. */
static bool entity_box(db_drawing &d, const db_entity &e, double lo[2], double hi[2])
{
    std::vector<db_seg> segs;
    db_outline(d, e, segs);
    if (segs.empty()) return false;
    lo[0] = lo[1] = HUGE_VAL;
    hi[0] = hi[1] = -HUGE_VAL;
    for (const db_seg &s : segs)
        for (const double *p : {s.a, s.b})
            for (int k = 0; k < 2; ++k) {
                /* A NaN coordinate makes the box not finite: held apart. */
                if (std::isnan(p[k])) {
                    lo[k] = -HUGE_VAL;
                    hi[k] = HUGE_VAL;
                    continue;
                }
                lo[k] = std::min(lo[k], p[k]);
                hi[k] = std::max(hi[k], p[k]);
            }
    return true;
}

/* Notes a box in floats that hold it whole (rounded outward). */
static void note_box(db_indexed &at, const double lo[2], const double hi[2])
{
    for (int k = 0; k < 2; ++k) {
        float l = (float)lo[k], h = (float)hi[k];
        if ((double)l > lo[k]) l = std::nextafter(l, -HUGE_VALF);
        if ((double)h < hi[k]) h = std::nextafter(h, HUGE_VALF);
        at.lo[k] = l;
        at.hi[k] = h;
    }
}

/* Takes entity e (of handle h) out of the grid. */
static void grid_remove(db_grid &g, unsigned long h, db_entity &e)
{
    int level = e.at.level;
    if (level == DB_GRID_OUT) return;
    if (level == DB_GRID_APART) {
        g.apart.erase(std::remove(g.apart.begin(), g.apart.end(), h), g.apart.end());
    } else {
        double lo[2], hi[2];
        int64_t r[4];
        noted_box(e.at, lo, hi);
        cell_range(g, level, lo, hi, r);
        for (int64_t ix = r[0]; ix <= r[2]; ++ix)
            for (int64_t iy = r[1]; iy <= r[3]; ++iy) g.cells.erase(cell_key(level, ix, iy), h);
        g.at_level[level]--;
    }
    g.placed--;
    e.at.level = DB_GRID_OUT;
}

/* Puts entity e (of handle h) into the grid with its box noted. */
static void grid_put(db_grid &g, unsigned long h, db_entity &e)
{
    double lo[2], hi[2];
    noted_box(e.at, lo, hi);
    int level = box_level(g, lo, hi);
    e.at.level = (int8_t)level;
    if (level == DB_GRID_APART) {
        g.apart.push_back(h);
    } else {
        int64_t r[4];
        cell_range(g, level, lo, hi, r);
        for (int64_t ix = r[0]; ix <= r[2]; ++ix)
            for (int64_t iy = r[1]; iy <= r[3]; ++iy) g.cells.insert(cell_key(level, ix, iy), h);
        g.at_level[level]++;
    }
    g.placed++;
}

/* Entity h when it is a live main entity of model space with an outline,
** its box noted; nullptr otherwise. */
static db_entity *placeable(db_drawing &d, unsigned long h)
{
    db_entity *e = db_entity_find(d, h, true);
    double lo[2], hi[2];
    if (!e || e->parent || !e->block.empty() || db_model_noted(d, h) == d.model.size() || !entity_box(d, *e, lo, hi))
        return nullptr;
    note_box(e->at, lo, hi);
    return e;
}

/* The side of level 0 for the entities' boxes: from the extent of their
** middles, then shrunk while the cells their middles stand in hold many
** each (a cluster far from a few others stands in few cells until they
** are about its spacing); of the sides tried, the largest that parts the
** middles nearly as well as the best, so that stacked entities, which no
** side parts, do not make it small; never so small that a middle's cell
** number runs out of room. */
static double choose_side(const std::vector<db_entity *> &placed)
{
    std::vector<std::pair<double, double>> mid;
    double lo[2] = {HUGE_VAL, HUGE_VAL}, hi[2] = {-HUGE_VAL, -HUGE_VAL}, far = 0;
    for (const db_entity *e : placed) {
        double m[2] = {((double)e->at.lo[0] + e->at.hi[0]) / 2, ((double)e->at.lo[1] + e->at.hi[1]) / 2};
        if (!std::isfinite(m[0]) || !std::isfinite(m[1])) continue;
        mid.emplace_back(m[0], m[1]);
        for (int k = 0; k < 2; ++k) {
            lo[k] = std::min(lo[k], m[k]);
            hi[k] = std::max(hi[k], m[k]);
            far = std::max(far, std::fabs(m[k]));
        }
    }
    double extent = mid.empty() ? 0 : std::max(hi[0] - lo[0], hi[1] - lo[1]);
    if (!(extent > 0) || !std::isfinite(extent)) return 1.0;
    double least = far / ((double)GRID_INDEX_MAX * GRID_INDEX_ROOM);
    double side = std::max(extent / std::sqrt((double)mid.size()), least);
    std::vector<std::pair<double, size_t>> tried; /* side, cells occupied */
    size_t best = 0;
    std::vector<uint64_t> cells;
    cells.reserve(mid.size());
    for (int round = 0; round < GRID_SIDE_ROUNDS; ++round) {
        cells.clear();
        for (const auto &[x, y] : mid)
            cells.push_back(cell_key(0, (int64_t)std::floor(x / side), (int64_t)std::floor(y / side)));
        std::sort(cells.begin(), cells.end());
        size_t occupied = (size_t)(std::unique(cells.begin(), cells.end()) - cells.begin());
        tried.emplace_back(side, occupied);
        best = std::max(best, occupied);
        double per = (double)mid.size() / (double)occupied;
        if (per <= GRID_PER_CELL || side <= least) break;
        side = std::max(side / std::clamp(std::sqrt(per / GRID_PER_CELL), GRID_SIDE_STEP, GRID_SIDE_STEP_MAX), least);
    }
    for (const auto &[tried_side, occupied] : tried)
        if ((double)occupied * GRID_SIDE_GAIN >= (double)best) return tried_side;
    return side;
}

/* Builds the grid anew over the drawing. */
static void grid_build(db_drawing &d)
{
    db_grid &g = d.grid;
    g = db_grid();
    for (auto &[h, e] : d.ents) e.at.level = DB_GRID_OUT;
    std::vector<db_entity *> placed;
    for (size_t i = 0; i < d.model.size(); ++i) {
        /* An entity is placed once, at its first entry. */
        if (db_model_noted(d, d.model[i]) != i) continue;
        if (db_entity *e = placeable(d, d.model[i])) placed.push_back(e);
    }
    g.cell = choose_side(placed);
    g.cells.reserve(placed.size());
    for (db_entity *e : placed) grid_put(g, e->handle, *e);
    g.model_seen = d.model.size();
    g.built_over = placed.size();
    g.built = true;
}

/* Brings the grid up to the drawing: new model-space entries and touched
** entities are placed again, and a grid built over a few times fewer
** entities than it now holds is built anew. The entities counted are
** those placed, not model space's entries: those of erased entities stay
** there, and a drawing whose symbols are redrawn over and over would
** otherwise be built anew at every query. */
static void grid_sync(db_drawing &d)
{
    db_grid &g = d.grid;
    if (!g.built || g.model_seen > d.model.size()) {
        grid_build(d);
        return;
    }
    for (; g.model_seen < d.model.size(); ++g.model_seen) g.dirty.push_back(d.model[g.model_seen]);
    if (g.dirty.empty()) return;
    std::sort(g.dirty.begin(), g.dirty.end());
    g.dirty.erase(std::unique(g.dirty.begin(), g.dirty.end()), g.dirty.end());
    for (unsigned long h : g.dirty) {
        db_entity *e = db_entity_find(d, h, false);
        if (!e) continue;
        grid_remove(g, h, *e);
        if (placeable(d, h)) grid_put(g, h, *e);
    }
    /* A fresh list: after a large batch the old one would keep its room. */
    std::vector<unsigned long>().swap(g.dirty);
    if (g.placed > GRID_GROWTH * std::max(g.built_over, GRID_REBUILD_MIN)) grid_build(d);
}

/* Notes that entity h changed (with the main entity it belongs to). */
void db_grid_touch(db_drawing &d, unsigned long h)
{
    if (!d.grid.built) return;
    d.grid.dirty.push_back(h);
    if (db_entity *e = db_entity_find(d, h, false))
        if (e->parent) d.grid.dirty.push_back(e->parent);
}

/* Makes the grid start again at the next query. */
void db_grid_forget(db_drawing &d)
{
    d.grid = db_grid();
}

/* Puts handles in model-space order, each once: each is looked up once,
** not at every comparison. */
static void sort_by_order(db_drawing &d, std::vector<unsigned long> &out)
{
    std::vector<std::pair<size_t, unsigned long>> keyed;
    keyed.reserve(out.size());
    for (unsigned long h : out) keyed.emplace_back(db_model_noted(d, h), h);
    std::sort(keyed.begin(), keyed.end());
    out.clear();
    for (const auto &k : keyed)
        if (out.empty() || out.back() != k.second) out.push_back(k.second);
}

/* Every entity the grid holds, each once. */
static void all_placed(db_drawing &d, std::vector<unsigned long> &out)
{
    for (size_t i = 0; i < d.model.size(); ++i) {
        const db_entity *e = d.ents.find(d.model[i]);
        if (e && e->at.level >= 0 && e->at.model_at == i) out.push_back(d.model[i]);
    }
}

/* Live main entities of model space whose extent may meet the box [lo, hi],
** in model-space order (see drawing_db.h). */
std::vector<unsigned long> db_grid_query(db_drawing &d, const double lo[2], const double hi[2])
{
    grid_sync(d);
    db_grid &g = d.grid;
    std::vector<unsigned long> out(g.apart);
    if (std::isnan(lo[0]) || std::isnan(lo[1]) || std::isnan(hi[0]) || std::isnan(hi[1])) {
        /* No box to test against: every placed entity is a candidate. */
        all_placed(d, out);
        g.offered = out.size();
        sort_by_order(d, out);
        return out;
    }
    double visits = 0;
    for (int level = 0; level < DB_GRID_LEVELS; ++level) {
        if (!g.at_level[level]) continue;
        int64_t r[4];
        cell_range(g, level, lo, hi, r);
        visits += (double)(r[2] - r[0] + 1) * (double)(r[3] - r[1] + 1);
    }
    if (visits > (double)g.placed + GRID_VISIT_SLACK) {
        /* A box of more cells than entities: every placed entity is a candidate. */
        all_placed(d, out);
    } else {
        for (int level = 0; level < DB_GRID_LEVELS; ++level) {
            if (!g.at_level[level]) continue;
            int64_t r[4];
            cell_range(g, level, lo, hi, r);
            for (int64_t ix = r[0]; ix <= r[2]; ++ix)
                for (int64_t iy = r[1]; iy <= r[3]; ++iy) g.cells.get(cell_key(level, ix, iy), out);
        }
    }
    g.offered = out.size();
    auto meets = [&](unsigned long h) {
        const db_entity *e = d.ents.find(h);
        if (!e || e->at.level == DB_GRID_OUT) return false;
        return e->at.level == DB_GRID_APART ||
               (e->at.hi[0] >= lo[0] && e->at.lo[0] <= hi[0] && e->at.hi[1] >= lo[1] && e->at.lo[1] <= hi[1]);
    };
    out.erase(std::remove_if(out.begin(), out.end(), [&](unsigned long h) { return !meets(h); }), out.end());
    sort_by_order(d, out);
    return out;
}
