/*
** arc_plot.cpp: the drawing of one coverage polygon: its rings as
** polylines in the map's coordinate system and one linked hatch over them.
*/
#include "output/arc_plot.h"

#include <vector>

#include "coords/prj_transform.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link.h"
#include "draw/sym_place.h"

namespace {

/* The rings of the assembled polygon in map coordinates: a ring ends at
** an arc entry 0 or an arc without points; a ring is never empty. */
std::vector<std::vector<geo_point>> polygon_rings(const arc_cover_rec *c, prj_rec *from, prj_rec *to) {
  std::vector<std::vector<geo_point>> rings(1);
  for (const arc_arc_rec &a : c->poly_arcs) {
    if (a.points.empty()) {
      if (!rings.back().empty()) rings.emplace_back();
      continue;
    }
    for (const arc_point &p : a.points) {
      geo_point in = {p.x, p.y, 0, 0}, out;
      if (!prj_transform_point(&in, from, &out, to)) continue;
      std::vector<geo_point> &r = rings.back();
      /* the joint of two arcs is one vertex */
      if (!r.empty() && r.back().x == out.x && r.back().y == out.y) continue;
      r.push_back(out);
    }
  }
  if (rings.back().empty()) rings.pop_back();
  return rings;
}

/* Draws one ring as a POLYLINE closed by repeating its first point, adds
** it to ss. true, or false when the editor refused an entity. */
bool draw_ring(const std::vector<geo_point> &ring, sym_place_rec *place, ads_name ss) {
  sym_place_rec rec = *place;
  link_clear(&rec.link);
  if (ent_make_polyline(&rec) != 0) return false;
  std::vector<geo_point> pts = ring;
  if (pts.front().x != pts.back().x || pts.front().y != pts.back().y) pts.push_back(pts.front());
  for (const geo_point &p : pts) {
    rec.ins = p;
    if (ent_make_vertex(&rec) != 0) return false;
  }
  return ent_make_seqend() == 0 && ss_add_last(ss) == RTNORM;
}

}  // namespace

int arc_plot_polygon(arc_cover_rec *cover, long n, prj_rec *cover_prj, prj_rec *map_prj, const link_rec *link,
                     sym_place_rec *place) {
  if (!cover || !place || !arc_cover_read_polygon(cover, n)) return -1;
  std::vector<std::vector<geo_point>> rings = polygon_rings(cover, cover_prj, map_prj);
  if (rings.empty()) return -1;
  ads_name ss = {0, 0};
  for (const std::vector<geo_point> &ring : rings)
    if (!draw_ring(ring, place, ss)) {
      if (!ename_isnull(ss)) ss_delete_entities(ss);
      return -1;
    }
  if (link) link_copy(&place->link, link);
  int rc = ent_make_hatch(place, ss);
  ss_free(ss);
  return rc == 0 ? 0 : -1;
}
