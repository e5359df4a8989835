/*
** ads_selection.cpp: selection sets, picks and moving entities.
**
** ads_ssget (picked by the user, "C" crossing and "W" window, "X" all,
** "L" last, "P" previous, a point pick) with filter lists on entity type,
** layer, other groups and extended-data application; ads_ssadd, ads_ssdel,
** ads_ssfree, ads_sslength, ads_ssname, ads_ssmemb; ads_xformss and
** ads_draggen. A set's name is {id, NAME_SET}; at most SS_OPEN_MAX sets
** are open at a time, as in the editor.
**
**   struct resbuf *f = ads_buildlist(-3, 1001, "PETRIVEX", 0);
**   ads_ssget("C", p1, p2, f, ss);  ads_sslength(ss, &n);  ads_ssfree(ss);
*/
#include <algorithm>
#include <cmath>
#include <sstream>

#include "drawing_db.h"
#include "platform/host_io.h"

/* Most selection sets the editor keeps open at once. */
static const size_t SS_OPEN_MAX = 128;

/* Opens a selection set with the members; its id, 0 when too many are open. */
long ss_create(const std::vector<unsigned long>& members) {
  host_session& s = host();
  if (s.sets.size() >= SS_OPEN_MAX) return 0;
  long id = s.next_set++;
  db_set& set = s.sets[id];
  for (unsigned long h : members) set.add(h);
  return id;
}

/* An open set by its name; nullptr for anything else. */
static db_set* ss_find_set(const long n[2]) {
  if (!n || n[1] != NAME_SET) return nullptr;
  auto it = host().sets.find(n[0]);
  return it == host().sets.end() ? nullptr : &it->second;
}

/* Members of an open set by its name; nullptr for anything else. */
const db_set_members* ss_find(const long n[2]) {
  db_set* set = ss_find_set(n);
  return set ? &set->members : nullptr;
}

/* Distance in the XY plane from point p to segment ab. */
static double seg_dist(const double p[3], const db_seg& s) {
  double dx = s.b[0] - s.a[0], dy = s.b[1] - s.a[1];
  double l2 = dx * dx + dy * dy, t = 0;
  if (l2 > 0) t = std::clamp(((p[0] - s.a[0]) * dx + (p[1] - s.a[1]) * dy) / l2, 0.0, 1.0);
  return std::hypot(p[0] - (s.a[0] + t * dx), p[1] - (s.a[1] + t * dy));
}

/* Entity whose outline passes nearest the point within the pick
** tolerance (the last drawn wins ties); 0 when none. */
unsigned long db_pick(const double p[3]) {
  db_drawing& d = db();
  unsigned long best = 0;
  double best_d = host().pick_tolerance;
  double lo[2] = {p[0] - best_d, p[1] - best_d}, hi[2] = {p[0] + best_d, p[1] + best_d};
  std::vector<unsigned long> near = db_grid_query(d, lo, hi);
  for (auto it = near.rbegin(); it != near.rend(); ++it) {
    db_entity* e = db_entity_find(d, *it, true);
    if (!e || e->parent) continue;
    std::vector<db_seg> segs;
    db_outline(d, *e, segs);
    for (auto& s : segs) {
      double dist = seg_dist(p, s);
      if (dist <= best_d) { best_d = dist; best = e->handle; }
    }
  }
  return best;
}

/* Reads a pick answer: "last"/"L", "#<handle>" or a point; false when the
** text is none of these. h is 0 when nothing is there. */
bool pick_answer(const std::string& ans, unsigned long& h, double pt[3]) {
  db_drawing& d = db();
  h = 0;
  pt[0] = pt[1] = pt[2] = 0;
  if (str_ieq(ans, "last") || str_ieq(ans, "L")) {
    h = db_last(d);
  } else if (!ans.empty() && ans[0] == '#') {
    unsigned long v;
    if (!handle_parse(ans.substr(1), v)) return false;
    db_entity* e = db_entity_find(d, v, true);
    if (e && !e->parent && e->block.empty()) h = v;
  } else if (parse_point(ans, nullptr, pt)) {
    h = db_pick(pt);
    return true;
  } else {
    return false;
  }
  if (db_entity* e = db_entity_find(d, h, true))
    if (const db_grp* g = db_group(*e, 10)) std::copy(g->v, g->v + 3, pt);
  return true;
}

/* True when segment ab meets the box [lo, hi] in the XY plane. */
static bool seg_meets_box(const db_seg& s, const double lo[2], const double hi[2]) {
  double t0 = 0, t1 = 1, d[2] = {s.b[0] - s.a[0], s.b[1] - s.a[1]};
  for (int k = 0; k < 2; ++k) {
    if (d[k] == 0) {
      if (s.a[k] < lo[k] || s.a[k] > hi[k]) return false;
      continue;
    }
    double ta = (lo[k] - s.a[k]) / d[k], tb = (hi[k] - s.a[k]) / d[k];
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
    if (t0 > t1) return false;
  }
  return true;
}

/* Window test: crossing (touching is enough) or inside (all of it). */
static bool in_window(const db_entity& e, const double lo[2], const double hi[2], bool crossing) {
  std::vector<db_seg> segs;
  db_outline(db(), e, segs);
  if (segs.empty()) return false;
  auto inside = [&](const double* p) { return p[0] >= lo[0] && p[0] <= hi[0] && p[1] >= lo[1] && p[1] <= hi[1]; };
  for (auto& s : segs) {
    if (crossing && seg_meets_box(s, lo, hi)) return true;
    if (!crossing && (!inside(s.a) || !inside(s.b))) return false;
  }
  return !crossing;
}

static bool filter_match(const db_entity& e, const struct resbuf* f);

/* The live main entities of model space a crossing (or, crossing false,
** a window) between corners p1 and p2 takes that pass the filter (when
** given), in model-space order; only those the spatial index finds near
** the window are tested, the filter first. */
static std::vector<unsigned long> window_select(const double p1[3], const double p2[3], bool crossing,
                                                const struct resbuf* filter = nullptr) {
  db_drawing& d = db();
  double lo[2] = {std::min(p1[0], p2[0]), std::min(p1[1], p2[1])};
  double hi[2] = {std::max(p1[0], p2[0]), std::max(p1[1], p2[1])};
  std::vector<unsigned long> out;
  for (unsigned long h : db_grid_query(d, lo, hi)) {
    db_entity* e = db_entity_find(d, h, true);
    if (e && !e->parent && (!filter || filter_match(*e, filter)) && in_window(*e, lo, hi, crossing))
      out.push_back(h);
  }
  return out;
}

/* Checks that a filter uses only tests this editor applies. */
static bool filter_valid(const struct resbuf* f) {
  for (; f; f = f->rbnext) {
    db_kind k = db_kind_of(f->restype);
    if (k == DBK_BAD || f->restype == -4 || f->restype == -1 || f->restype == -2) return false;
    if (k == DBK_STR && !f->resval.rstring) return false;
  }
  return true;
}

/* True when an entity passes every test of the filter. */
static bool filter_match(const db_entity& e, const struct resbuf* f) {
  for (; f; f = f->rbnext) {
    int code = f->restype;
    if (code == -3) continue;
    if (code == 1001) {
      bool any = false;
      for (auto& x : e.xdata) any = any || wc_match(x.app, f->resval.rstring);
      if (!any) return false;
      continue;
    }
    if (code == 0) {
      if (!wc_match(e.type, f->resval.rstring)) return false;
      continue;
    }
    if (code >= 1000) continue;
    bool any = false, seen = false;
    for (auto& g : e.groups) {
      if (g.code != code) continue;
      seen = true;
      switch (db_kind_of(code)) {
      case DBK_STR:
          any = any || wc_match(g.text(), f->resval.rstring);
          break;
      case DBK_REAL:
          any = any || std::fabs(g.v[0] - f->resval.rreal) < 1e-10;
          break;
      case DBK_POINT:
          any = any || (g.v[0] == f->resval.rpoint[0] && g.v[1] == f->resval.rpoint[1] &&
                        g.v[2] == f->resval.rpoint[2]);
          break;
        case DBK_SHORT: any = any || g.i == f->resval.rint; break;
        case DBK_LONG: any = any || g.i == f->resval.rlong; break;
        default: break;
      }
    }
    if (!seen && code == 62) any = f->resval.rint == 256;
    if (!any) return false;
  }
  return true;
}

/* Reads a window answer of the user (see drawing_db.h). */
bool window_answer(const std::string& line, std::vector<unsigned long>& out) {
  std::istringstream in(line);
  std::string mode, a, b, rest;
  in >> mode;
  mode = str_upper(mode);
  db_drawing& d = db();
  if (mode == "ALL" && !(in >> rest)) {
    for (unsigned long h : d.model) {
      db_entity* e = db_entity_find(d, h, true);
      if (e && !e->parent) out.push_back(h);
    }
    return true;
  }
  double p1[3], p2[3];
  if ((mode != "C" && mode != "W") || !(in >> a >> b) || (in >> rest) || !parse_point(a, nullptr, p1) ||
      !parse_point(b, nullptr, p2))
    return false;
  std::vector<unsigned long> found = window_select(p1, p2, mode == "C");
  out.insert(out.end(), found.begin(), found.end());
  return true;
}

/* Lets the user pick entities one answer at a time until RETURN. */
static int ss_user_picks(db_set& out) {
  for (;;) {
    std::string line;
    if (host_io_read_answer("Select objects: ", line) == HOST_ANSWER_CANCEL) return RTCAN;
    if (line.empty()) return RTNORM;
    unsigned long h;
    double pt[3];
    std::vector<unsigned long> win;
    if (window_answer(line, win)) {
      for (unsigned long w : win) out.add(w);
      host_io_print(std::to_string(win.size()) + " found\n");
      continue;
    }
    if (!pick_answer(line, h, pt)) { host_io_print("*Invalid selection*\n"); continue; }
    if (!h) { host_io_print("0 found\n"); continue; }
    out.add(h);
    host_io_print("1 found\n");
  }
}

extern "C" {

/* Makes a selection set: str NULL asks the user (or picks at pt1 when
** given); "C" crossing window and "W" window between pt1 and pt2; "X" all
** of model space; "L" the last entity; "P" the previous set. The filter
** tests group 0 (types, wildcards), strings, numbers, and applications
** (1001, with or without -3). RTNORM; RTCAN when the user cancelled;
** RTERROR for a bad mode, a bad filter, no entity found or too many sets. */
int ads_ssget(const char* str, const void* pt1, const void* pt2, const struct resbuf* filter, ads_name ss) {
  if (!ss) return RTERROR;
  name_set(ss, 0, 0);
  if (!filter_valid(filter)) return RTERROR;
  db_drawing& d = db();
  host_session& s = host();
  std::vector<unsigned long> cand;
  std::string mode = str ? str_upper(str) : "";
  while (!mode.empty() && mode[0] == '_') mode.erase(0, 1);
  const double* a = (const double*)pt1;
  const double* b = (const double*)pt2;
  if (mode.empty() && a) {
    if (unsigned long h = db_pick(a)) cand.push_back(h);
  } else if (mode.empty()) {
    db_set picked;
    int rc = ss_user_picks(picked);
    if (rc != RTNORM) return rc;
    cand.assign(picked.members.begin(), picked.members.end());
  } else if (mode == "C" || mode == "W") {
    if (!a || !b) return RTERROR;
    cand = window_select(a, b, mode == "C", filter);
  } else if (mode == "X") {
    for (unsigned long h : d.model) {
      db_entity* e = db_entity_find(d, h, true);
      if (e && !e->parent) cand.push_back(h);
    }
  } else if (mode == "L") {
    if (unsigned long h = db_last(d)) cand.push_back(h);
  } else if (mode == "P") {
    for (unsigned long h : s.previous)
      if (db_entity_find(d, h, true)) cand.push_back(h);
  } else {
    return RTERROR;
  }
  std::vector<unsigned long> kept;
  for (unsigned long h : cand)
    if (const db_entity* e = d.ents.find(h); e && filter_match(*e, filter)) kept.push_back(h);
  if (kept.empty()) return RTERROR;
  long id = ss_create(kept);
  if (!id) return RTERROR;
  s.previous = kept;
  name_set(ss, id, NAME_SET);
  return RTNORM;
}

/* Adds an entity to a set; with no set makes a new one (empty when ename
** is NULL too) and gives its name in result. RTNORM, RTERROR for a bad
** entity or set or too many sets. */
int ads_ssadd(const ads_name ename, const ads_name sname, ads_name result) {
  db_entity* e = nullptr;
  if (ename && !(e = name_entity(ename, true))) return RTERROR;
  if (!sname) {
    if (!result) return RTERROR;
    std::vector<unsigned long> m;
    if (e) m.push_back(e->handle);
    long id = ss_create(m);
    if (!id) return RTERROR;
    name_set(result, id, NAME_SET);
    return RTNORM;
  }
  db_set* set = ss_find_set(sname);
  if (!set || !e) return RTERROR;
  set->add(e->handle);
  if (result) { result[0] = sname[0]; result[1] = sname[1]; }
  return RTNORM;
}

/* Removes an entity from a set; RTERROR when it is not a member. */
int ads_ssdel(const ads_name ename, const ads_name ss) {
  db_set* set = ss_find_set(ss);
  if (!set || !ename || ename[1] != NAME_ENT || !set->has.erase((unsigned long)ename[0])) return RTERROR;
  set->members.erase(std::find(set->members.begin(), set->members.end(), (unsigned long)ename[0]));
  return RTNORM;
}

/* Frees a set; RTERROR for a set that is not open. */
int ads_ssfree(const ads_name sname) {
  if (!ss_find_set(sname)) return RTERROR;
  host().sets.erase(sname[0]);
  return RTNORM;
}

/* Number of members; RTERROR for a bad set. */
int ads_sslength(const ads_name sname, long* len) {
  const db_set_members* set = ss_find(sname);
  if (!set || !len) return RTERROR;
  *len = (long)set->size();
  return RTNORM;
}

/* Name of member i (from 0); RTERROR out of range or for a bad set. */
int ads_ssname(const ads_name ss, long i, ads_name entres) {
  const db_set_members* set = ss_find(ss);
  if (!set || !entres || i < 0 || (size_t)i >= set->size()) return RTERROR;
  name_set(entres, (*set)[i], NAME_ENT);
  return RTNORM;
}

/* RTNORM when the entity is a member, RTERROR otherwise. */
int ads_ssmemb(const ads_name ename, const ads_name ss) {
  db_set* set = ss_find_set(ss);
  if (!set || !ename || ename[1] != NAME_ENT) return RTERROR;
  return set->has.count((unsigned long)ename[0]) ? RTNORM : RTERROR;
}

/* Moves, rotates and scales every member by the matrix (a similarity: same
** scale on every axis, no mirror). RTNORM; RTERROR (nothing moved) for a
** bad set or a matrix the editor refuses. */
int ads_xformss(const ads_name ssname, ads_matrix genmat) {
  const db_set_members* set = ss_find(ssname);
  if (!set || !genmat) return RTERROR;
  /* db_transform refuses a matrix before it changes anything, and the
  ** matrix is the same for every member: only the first can refuse. */
  db_drawing& d = db();
  for (unsigned long h : *set) {
    db_entity* e = db_entity_find(d, h, true);
    if (e && !db_transform(d, *e, genmat)) return RTERROR;
    db_grid_touch(d, h);
  }
  return RTNORM;
}

/* Drags a set: reads a point answer, hands it to the transform callback
** (which fills a matrix; the caller applies it with ads_xformss) and gives
** it in p. RTNORM for a point; RTNONE for RETURN; RTCAN for a cancel;
** RTKWORD for a keyword of ads_initget; a negative callback result ends
** the drag with that result; RTERROR for a bad set. */
int ads_draggen(const ads_name ss, const char* pmt, int cursor, int (*scnf)(ads_point pt, ads_matrix mt),
                ads_point p) {
  (void)cursor;
  host_session& s = host();
  std::string kw = s.initget_kwords;
  s.initget_flags = 0;
  s.initget_kwords.clear();
  if (!ss_find(ss) || !p) return RTERROR;
  for (;;) {
    std::string line, full;
    if (host_io_read_answer(pmt ? pmt : "", line) == HOST_ANSWER_CANCEL) return RTCAN;
    if (line.empty()) return RTNONE;
    double pt[3];
    if (parse_point(line, nullptr, pt)) {
      if (scnf) {
        ads_matrix m;
        int rc = scnf(pt, m);
        if (rc < 0) return rc;
      }
      std::copy(pt, pt + 3, p);
      return RTNORM;
    }
    if (!kw.empty() && kw_match(kw, line, full)) {
      s.last_input = full;
      return RTKWORD;
    }
    host_io_print("Invalid point.\n");
  }
}

}  // extern "C"
