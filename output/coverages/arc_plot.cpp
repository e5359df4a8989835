/*
** arc_plot.cpp: the drawing of one coverage polygon: its rings as
** polylines in the map's coordinate system and one linked hatch over them.
*/
#include "output/coverages/arc_plot.h"

#include <string>
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
                     sym_place_rec *place, std::string *why) {
  std::string reason;
  int rc = -1;
  if (!cover || !place || !arc_cover_read_polygon(cover, n)) {
    reason = "its polygon cannot be read";
  } else if (!cover->poly_unread.empty()) {
    reason = cover->poly_unread.size() == 1 ? "arc " : "arcs ";
    for (std::size_t i = 0; i < cover->poly_unread.size(); i++)
      reason += (i ? ", " : "") + std::to_string(cover->poly_unread[i]);
    reason += " of its polygon cannot be read";
  } else {
    std::vector<std::vector<geo_point>> rings = polygon_rings(cover, cover_prj, map_prj);
    ads_name ss = {0, 0};
    bool drawn = !rings.empty();
    for (std::size_t i = 0; drawn && i < rings.size(); i++) drawn = draw_ring(rings[i], place, ss);
    if (rings.empty()) {
      reason = "no point of its polygon converts into the map's system";
    } else if (!drawn) {
      if (!ename_isnull(ss)) ss_delete_entities(ss);
      reason = "the drawing refused its outline";
    } else {
      if (link) link_copy(&place->link, link);
      rc = ent_make_hatch(place, ss) == 0 ? 0 : -1;
      ss_free(ss);
      if (rc != 0) reason = "the drawing refused its hatch";
    }
  }
  if (why) *why = reason;
  return rc;
}
