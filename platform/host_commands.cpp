/*
** host_commands.cpp: the editor's commands run through ads_command.
**
** The arguments of ads_command (texts, points, numbers, entity names,
** selection sets; PAUSE for an answer of the user, "" for RETURN) are a
** queue of answers to the commands' prompts. A PAUSE, or an answer still
** wanted when the queue is empty, is read from host_io. The commands:
**   _BLOCK  name, ["Y" when redefining], base point, objects, ""
**   _HATCH  pattern, scale, angle (degrees), objects, ""
**   _LOAD   shape file (a STYLE entry with flag 1, the file in group 3)
**   _CIRCLE centre, radius (a number or a point on the circle)
**   _INSERT block, point, X scale, Y scale, rotation ("" takes defaults)
**   _ERASE  objects (an entity may be followed by its pick point), ""
**   _REDRAW
** A command gathers all its answers before it changes the drawing, so a
** cancel or a refused answer leaves nothing behind (RTCAN / RTERROR).
**
**   ads_command(RTSTR, "_CIRCLE", RTSTR, PAUSE, RTSTR, PAUSE, RTNONE);
*/
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <fstream>

#include "drawing_db.h"
#include "platform/host_io.h"

static const double PI = 3.14159265358979323846;
/* Default hatch pattern of the editor. */
static const char* const HATCH_DEFAULT = "ANSI31";

/* One argument of ads_command. */
struct cmd_token {
  int type = RTSTR;          /* RTSTR, RT3DPOINT, RTREAL, RTENAME, RTPICKS */
  std::string s;             /* text                                      */
  double p[3] = {0, 0, 0};   /* point; p[0] holds a number                */
  long n[2] = {0, 0};        /* entity or selection-set name              */
};

/* A command under way: its answers and the next one to take. */
struct cmd_run {
  std::vector<cmd_token> toks; /* the arguments of ads_command          */
  size_t pos = 0;              /* next argument                         */
};

/* Converts one argument; false for a type ads_command does not take. */
static bool token_of(int type, const struct resbuf* rb, cmd_token& t) {
  t.type = type;
  switch (type) {
    case RTSTR:
      if (!rb->resval.rstring) return false;
      t.s = rb->resval.rstring;
      return true;
    case RTPOINT: case RT3DPOINT:
      std::copy(rb->resval.rpoint, rb->resval.rpoint + 3, t.p);
      if (type == RTPOINT) t.p[2] = 0;
      t.type = RT3DPOINT;
      return true;
    case RTREAL: case RTANG: case RTORINT: t.type = RTREAL; t.p[0] = rb->resval.rreal; return true;
    case RTSHORT: t.type = RTREAL; t.p[0] = rb->resval.rint; return true;
    case RTLONG: t.type = RTREAL; t.p[0] = rb->resval.rlong; return true;
    case RTENAME: case RTPICKS: t.n[0] = rb->resval.rlname[0]; t.n[1] = rb->resval.rlname[1]; return true;
    default: return false;
  }
}

/* Outcome of asking for one answer. */
enum ask_rc { ASK_OK, ASK_CANCEL };

/* Takes the next answer; a PAUSE or an empty queue reads the user's line
** (an empty line is RETURN, given as the text ""). */
static ask_rc next_answer(cmd_run& r, const std::string& prompt, cmd_token& out) {
  if (r.pos < r.toks.size() && !(r.toks[r.pos].type == RTSTR && r.toks[r.pos].s == PAUSE)) {
    out = r.toks[r.pos++];
    return ASK_OK;
  }
  if (r.pos < r.toks.size()) ++r.pos;
  std::string line;
  if (host_io_read_answer(prompt, line) == HOST_ANSWER_CANCEL) return ASK_CANCEL;
  out = cmd_token();
  out.s = line;
  return ASK_OK;
}

/* Asks for a text; RTNORM, RTCAN, RTERROR when the answer is not a text. */
static int want_text(cmd_run& r, const std::string& prompt, std::string& out) {
  cmd_token t;
  if (next_answer(r, prompt, t) == ASK_CANCEL) return RTCAN;
  if (t.type != RTSTR) return RTERROR;
  out = t.s;
  return RTNORM;
}

/* Asks for a point (relative to base when given); RTNONE for RETURN. */
static int want_point(cmd_run& r, const std::string& prompt, const double* base, double out[3]) {
  cmd_token t;
  if (next_answer(r, prompt, t) == ASK_CANCEL) return RTCAN;
  if (t.type == RT3DPOINT) { std::copy(t.p, t.p + 3, out); return RTNORM; }
  if (t.type != RTSTR) return RTERROR;
  if (t.s.empty()) return RTNONE;
  return parse_point(t.s, base, out) ? RTNORM : RTERROR;
}

/* Asks for a number, or a point when point_ok (kind set to RT3DPOINT);
** RETURN gives the default. */
static int want_number(cmd_run& r, const std::string& prompt, double dflt, double& out, double* pt = nullptr,
                       const double* base = nullptr) {
  cmd_token t;
  if (next_answer(r, prompt, t) == ASK_CANCEL) return RTCAN;
  if (t.type == RTREAL) { out = t.p[0]; return RTNORM; }
  if (t.type == RT3DPOINT && pt) { std::copy(t.p, t.p + 3, pt); return RT3DPOINT; }
  if (t.type != RTSTR) return RTERROR;
  if (t.s.empty()) { out = dflt; return RTNORM; }
  if (parse_real(t.s, out)) return RTNORM;
  if (pt && parse_point(t.s, base, pt)) return RT3DPOINT;
  return RTERROR;
}

/* Gathers objects until RETURN: entity names (a point after one is its
** pick), selection sets, "last", "P", "#<handle>", a pick point, or a
** window answer ("C x1,y1 x2,y2", "W ...", "ALL"). */
static int want_objects_into(cmd_run& r, db_set& out) {
  db_drawing& d = db();
  for (;;) {
    cmd_token t;
    if (next_answer(r, "Select objects: ", t) == ASK_CANCEL) return RTCAN;
    if (t.type == RTENAME) {
      db_entity* e = name_entity(t.n, true);
      if (e && !e->parent && e->block.empty()) out.add(e->handle);
      if (r.pos < r.toks.size() && r.toks[r.pos].type == RT3DPOINT) ++r.pos;
      continue;
    }
    if (t.type == RTPICKS) {
      const db_set_members* set = ss_find(t.n);
      if (!set) return RTERROR;
      for (unsigned long h : *set)
        if (db_entity_find(d, h, true)) out.add(h);
      continue;
    }
    if (t.type == RT3DPOINT) { out.add(db_pick(t.p)); continue; }
    if (t.type != RTSTR) return RTERROR;
    if (t.s.empty()) return RTNORM;
    if (str_ieq(t.s, "P")) {
      for (unsigned long h : host().previous)
        if (db_entity_find(d, h, true)) out.add(h);
      continue;
    }
    unsigned long h;
    double pt[3];
    std::vector<unsigned long> win;
    if (window_answer(t.s, win)) {
      for (unsigned long w : win) out.add(w);
      continue;
    }
    if (!pick_answer(t.s, h, pt)) { host_io_print("*Invalid selection*\n"); continue; }
    out.add(h);
  }
}

/* Gathers objects until RETURN (want_objects_into) into out, each once. */
static int want_objects(cmd_run& r, std::vector<unsigned long>& out) {
  db_set set;
  for (unsigned long h : out) set.add(h);
  int rc = want_objects_into(r, set);
  out.assign(set.members.begin(), set.members.end());
  return rc;
}

/* Copies an entity (and its sub-entities) with fresh handles. */
static void copy_with_subs(db_drawing& d, unsigned long h, std::vector<db_entity>& out) {
  db_entity e = *d.ents.find(h);
  e.handle = db_new_handle(d);
  unsigned long head = e.handle;
  out.push_back(e);
  /* The sub-entities in their model-space order; most entities have none. */
  if (d.ents.subs(h).empty()) return;
  for (unsigned long k : d.model) {
    const db_entity* it = d.ents.find(k);
    if (!it || it->parent != h) continue;
    db_entity s = *it;
    s.handle = db_new_handle(d);
    s.parent = head;
    out.push_back(s);
  }
}

/* _BLOCK: makes (or redefines) a named block from objects, which leave
** model space (as erased entities). */
static int cmd_block(cmd_run& r) {
  db_drawing& d = db();
  std::string name, yes;
  int rc = want_text(r, "Block name (or ?): ", name);
  if (rc != RTNORM) return rc;
  if (!db_name_valid(name, false)) return RTERROR;
  db_block* old = db_block_find(d, name);
  if (old) {
    if ((rc = want_text(r, "Block " + name + " already exists.\nRedefine it? <N> ", yes)) != RTNORM) return rc;
    if (!str_ieq(yes, "Y") && !str_ieq(yes, "YES")) return RTNORM;
    if (old->flags & (4 | 16 | 32)) return RTERROR;
  }
  double base[3];
  if ((rc = want_point(r, "Insertion base point: ", nullptr, base)) != RTNORM) return rc == RTNONE ? RTERROR : rc;
  std::vector<unsigned long> objs;
  if ((rc = want_objects(r, objs)) != RTNORM) return rc;
  if (objs.empty()) return RTERROR;
  for (unsigned long h : objs) {
    const db_entity& o = *d.ents.find(h);
    const db_grp* bn = db_group(o, 2);
    if (o.type == "INSERT" && bn && str_ieq(bn->text(), name)) return RTERROR;
  }
  db_block b;
  b.name = old ? old->name : str_upper(name);
  b.flags = old ? old->flags : 0;
  std::copy(base, base + 3, b.base);
  b.handle = old ? old->handle : db_new_handle(d);
  b.end_handle = db_new_handle(d);
  std::vector<db_entity> copies;
  for (unsigned long h : objs) copy_with_subs(d, h, copies);
  for (auto& e : copies) {
    e.block = b.name;
    b.ents.push_back(e.handle);
    d.ents.put(e);
  }
  for (unsigned long h : objs) db_set_erased(d, h, true);
  if (old) {
    for (unsigned long h : old->ents) d.ents.erase(h);
    *old = b;
    db_grid_forget(d);
  } else {
    d.blocks.push_back(b);
  }
  return RTNORM;
}

/* One line family of a hatch pattern, at pattern scale 1. */
struct pat_line {
  double angle_deg;          /* direction of the lines               */
  double origin[2];          /* a point the first line passes        */
  double delta[2];           /* shift to the next line, along and across */
  std::vector<double> dash;  /* dashes (+), gaps (-), dots (0)       */
};

/* Reads the line families of a pattern from the ACAD.PAT found on the
** search path. 1 found (families filled), 0 when the file does not list
** the name, -1 when there is no such file. */
static int pattern_read(const std::string& pat, std::vector<pat_line>& lines) {
  lines.clear();
  char path[ADS_PATH_MAX];
  if (ads_findfile("acad.pat", path) != RTNORM) return -1;
  std::ifstream in(path);
  std::string line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '*') {
      if (inside) return 1;
      std::string n = line.substr(1, line.find(',') == std::string::npos ? std::string::npos : line.find(',') - 1);
      while (!n.empty() && std::isspace((unsigned char)n.back())) n.pop_back();
      inside = str_ieq(n, pat);
      continue;
    }
    if (!inside) continue;
    std::vector<double> v;
    for (const char* c = line.c_str(); *c;) {
      char* end = nullptr;
      double x = std::strtod(c, &end);
      if (end == c) { ++c; continue; }
      v.push_back(x);
      c = end;
    }
    if (v.size() < 5) continue;
    lines.push_back({v[0], {v[1], v[2]}, {v[3], v[4]}, std::vector<double>(v.begin() + 5, v.end())});
  }
  return inside ? 1 : 0;
}

/* True when the pattern may be used: "SOLID", or a name listed in the
** ACAD.PAT found on the search path (any valid name when there is none). */
static bool pattern_known(const std::string& pat) {
  if (str_ieq(pat, "SOLID")) return true;
  if (!db_name_valid(pat, false)) return false;
  std::vector<pat_line> lines;
  return pattern_read(pat, lines) != 0;
}

/* The pattern's line families as a HATCH carries them (group 78 and, per
** family, 53 angle, 43/44 base point, 45/46 offset, 79 and 49 dashes), at
** the hatch's scale and angle, so that readers draw the pattern. */
static std::vector<db_grp> pattern_groups(const std::string& pat, double scale, double angle_deg) {
  std::vector<pat_line> lines;
  if (pattern_read(pat, lines) != 1) lines.clear();
  std::vector<db_grp> g = {grp_int(78, (int32_t)lines.size())};
  auto turned = [](const double* v, double scale_by, double deg, double* out) {
    double a = deg * PI / 180, x = v[0] * scale_by, y = v[1] * scale_by;
    out[0] = x * std::cos(a) - y * std::sin(a);
    out[1] = x * std::sin(a) + y * std::cos(a);
  };
  for (const pat_line& l : lines) {
    double base[2], offset[2];
    turned(l.origin, scale, angle_deg, base);
    turned(l.delta, scale, l.angle_deg + angle_deg, offset);
    g.insert(g.end(), {grp_real(53, l.angle_deg + angle_deg), grp_real(43, base[0]), grp_real(44, base[1]),
                       grp_real(45, offset[0]), grp_real(46, offset[1]), grp_int(79, (int32_t)l.dash.size())});
    for (double d : l.dash) g.push_back(grp_real(49, d * scale));
  }
  return g;
}

/* Appends the boundary path of a closed object to a hatch; false when the
** object cannot bound a hatch. */
static bool hatch_path(db_drawing& d, const db_entity& e, std::vector<db_grp>& g) {
  double zero[3] = {0, 0, 0};
  if (e.type == "CIRCLE") {
    const db_grp* c = db_group(e, 10);
    const db_grp* rad = db_group(e, 40);
    if (!c || !rad) return false;
    g.insert(g.end(), {grp_int(92, 1), grp_int(93, 1), grp_int(72, 2), grp_pt(10, c->v), grp_real(40, rad->v[0]),
                       grp_real(50, 0.0), grp_real(51, 360.0), grp_int(73, 1), grp_int(97, 0)});
    return true;
  }
  std::vector<const double*> pts;
  const db_grp* f = db_group(e, 70);
  bool flagged = f && (f->i & 1);
  if (e.type == "LWPOLYLINE") {
    for (auto& x : e.groups) if (x.code == 10) pts.push_back(x.v);
  } else if (e.type == "POLYLINE") {
    /* Vertices are sub-entities, kept among the entities, not in the model list. */
    for (unsigned long h : d.ents.subs(e.handle)) {
      const db_entity* v = d.ents.find(h);
      if (v && v->type == "VERTEX" && !v->erased)
        if (const db_grp* p = db_group(*v, 10)) pts.push_back(p->v);
    }
  }
  /* A polyline without the closed flag bounds a hatch when its last vertex
  ** repeats its first (the repeated vertex is not written twice). */
  bool repeated = pts.size() > 3 && pts.front()[0] == pts.back()[0] && pts.front()[1] == pts.back()[1];
  if (!flagged && !repeated) return false;
  if (repeated) pts.pop_back();
  if (pts.size() < 3) return false;
  g.insert(g.end(), {grp_int(92, 3), grp_int(72, 0), grp_int(73, 1), grp_int(93, (int32_t)pts.size())});
  for (const double* p : pts) {
    double q[3] = {p[0], p[1], 0};
    g.push_back(grp_pt(10, q));
  }
  g.push_back(grp_int(97, 0));
  (void)zero;
  return true;
}

/* _HATCH: hatches the closed objects (circles, closed polylines). */
static int cmd_hatch(cmd_run& r) {
  db_drawing& d = db();
  std::string pat;
  int rc = want_text(r, std::string("Enter pattern name or [?/Solid/User defined] <") + HATCH_DEFAULT + ">: ", pat);
  if (rc != RTNORM) return rc;
  /* A name ends at its first blank, as the editor's prompt takes it. */
  pat = pat.substr(0, pat.find_first_of(" \t"));
  if (pat.empty()) pat = HATCH_DEFAULT;
  if (!pattern_known(pat)) { host_io_print("Unknown pattern " + pat + "\n"); return RTERROR; }
  bool solid = str_ieq(pat, "SOLID");
  double scale = d.vars["HPSCALE"].v[0], ang = d.vars["HPANG"].v[0] * 180 / PI;
  if (!solid) {
    if ((rc = want_number(r, "Scale for pattern: ", scale, scale)) != RTNORM) return rc == RT3DPOINT ? RTERROR : rc;
    if ((rc = want_number(r, "Angle for pattern: ", ang, ang)) != RTNORM) return rc == RT3DPOINT ? RTERROR : rc;
    if (!(scale > 0)) return RTERROR;
  }
  std::vector<unsigned long> objs;
  if ((rc = want_objects(r, objs)) != RTNORM) return rc;
  std::vector<db_grp> paths;
  int n = 0;
  for (unsigned long h : objs) n += hatch_path(d, *d.ents.find(h), paths);
  if (!n) { host_io_print("Invalid hatch boundary.\n"); return RTERROR; }
  db_entity e;
  e.type = "HATCH";
  double zero[3] = {0, 0, 0}, up[3] = {0, 0, 1};
  e.groups = {grp_pt(10, zero), grp_pt(210, up), grp_str(2, str_upper(pat)), grp_int(70, solid), grp_int(71, 0),
              grp_int(91, n)};
  e.groups.insert(e.groups.end(), paths.begin(), paths.end());
  e.groups.insert(e.groups.end(), {grp_int(75, 0), grp_int(76, 1)});
  if (!solid) {
    e.groups.insert(e.groups.end(), {grp_real(52, ang), grp_real(41, scale), grp_int(77, 0)});
    std::vector<db_grp> families = pattern_groups(pat, scale, ang);
    e.groups.insert(e.groups.end(), families.begin(), families.end());
  }
  e.groups.push_back(grp_int(98, 0));
  db_add_model(d, e);
  if (!solid) {
    d.vars["HPSCALE"].v[0] = scale;
    d.vars["HPANG"].v[0] = ang * PI / 180;
  }
  return RTNORM;
}

/* _LOAD: loads a shape file as a STYLE entry with flag 1 and the file in
** group 3 (once per file). */
static int cmd_load(cmd_run& r) {
  db_drawing& d = db();
  std::string name;
  int rc = want_text(r, "Name of shape file to load (or ?): ", name);
  if (rc != RTNORM) return rc;
  if (name.empty()) return RTERROR;
  std::string file = name;
  size_t slash = file.find_last_of("/\\:"), dot = file.find_last_of('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) file += ".shx";
  char path[ADS_PATH_MAX];
  if (ads_findfile(file.c_str(), path) != RTNORM) {
    host_io_print("\nCan't find file " + file + "\n");
    return RTERROR;
  }
  std::string stem = file.substr(slash == std::string::npos ? 0 : slash + 1);
  stem = str_upper(stem.substr(0, stem.find_last_of('.')));
  for (auto& st : d.tables["STYLE"]) {
    const db_grp *f = nullptr, *font = nullptr;
    for (auto& g : st.groups) { if (g.code == 70) f = &g; if (g.code == 3) font = &g; }
    if (f && (f->i & 1) && font) {
        std::string fs = font->text().substr(
            font->text().find_last_of("/\\:") == std::string::npos ? 0 : font->text().find_last_of("/\\:") + 1);
        if (str_ieq(fs.substr(0, fs.find_last_of('.')), stem)) return RTNORM;
    }
  }
  if (!db_name_valid(stem, false) || db_table_find(d, "STYLE", stem)) stem = "SHAPE" + std::to_string(d.next_handle);
  db_tblrec st;
  st.name = stem;
  st.handle = db_new_handle(d);
  st.groups = {grp_int(70, 1), grp_real(40, 0.0), grp_real(41, 1.0), grp_real(50, 0.0), grp_int(71, 0),
               grp_real(42, 0.0), grp_str(3, name), grp_str(4, "")};
  d.tables["STYLE"].push_back(st);
  return RTNORM;
}

/* _CIRCLE: centre, then a radius or a point on the circle. */
static int cmd_circle(cmd_run& r) {
  double c[3], pt[3], rad = 0;
  int rc = want_point(r, "Specify center point for circle: ", nullptr, c);
  if (rc != RTNORM) return rc == RTNONE ? RTERROR : rc;
  rc = want_number(r, "Specify radius of circle: ", -1, rad, pt, c);
  if (rc == RT3DPOINT) rad = std::hypot(pt[0] - c[0], pt[1] - c[1]);
  else if (rc != RTNORM) return rc;
  if (!(rad > 0)) return RTERROR;
  db_entity e;
  e.type = "CIRCLE";
  e.groups = {grp_pt(10, c), grp_real(40, rad)};
  db_add_model(db(), e);
  return RTNORM;
}

/* _INSERT: block, point, X and Y scales, rotation (degrees from the
** drawing's angle base and direction, or a point giving the direction). */
static int cmd_insert(cmd_run& r) {
  db_drawing& d = db();
  std::string name;
  int rc = want_text(r, "Block name (or ?): ", name);
  if (rc != RTNORM) return rc;
  db_block* b = db_block_find(d, name);
  if (!b) { host_io_print("\nBlock " + name + " not found.\n"); return RTERROR; }
  double p[3], xs, ys, rot_deg, dir[3];
  if ((rc = want_point(r, "Insertion point: ", nullptr, p)) != RTNORM) return rc == RTNONE ? RTERROR : rc;
  if ((rc = want_number(r, "X scale factor <1>: ", 1.0, xs)) != RTNORM) return rc;
  if ((rc = want_number(r, "Y scale factor (default=X): ", xs, ys)) != RTNORM) return rc;
  if (xs == 0 || ys == 0) return RTERROR;
  double rot = 0;
  rc = want_number(r, "Rotation angle <0>: ", 0.0, rot_deg, dir, p);
  if (rc == RT3DPOINT) {
    rot = std::atan2(dir[1] - p[1], dir[0] - p[0]);
  } else if (rc == RTNORM) {
    double base = d.vars["ANGBASE"].v[0];
    rot = base + (d.vars["ANGDIR"].i ? -1 : 1) * rot_deg * PI / 180;
  } else {
    return rc;
  }
  rot = std::fmod(rot, 2 * PI);
  if (rot < 0) rot += 2 * PI;
  db_entity e;
  e.type = "INSERT";
  e.groups = {grp_str(2, b->name), grp_pt(10, p), grp_real(41, xs), grp_real(42, ys), grp_real(43, xs),
              grp_real(50, rot)};
  db_add_model(d, e);
  return RTNORM;
}

/* _ERASE: deletes the objects selected. */
static int cmd_erase(cmd_run& r) {
  std::vector<unsigned long> objs;
  int rc = want_objects(r, objs);
  if (rc != RTNORM) return rc;
  for (unsigned long h : objs) db_set_erased(db(), h, true);
  host().previous = objs;
  return RTNORM;
}

/* _REDRAW: the screen is drawn again; temporary vectors vanish. */
static int cmd_redraw(cmd_run&) {
  host().vectors.clear();
  return RTNORM;
}

/* Runs the commands of the queue one after another; the first that fails
** or is cancelled ends the run with its result. */
static int run_commands(cmd_run& r) {
  static const struct { const char* name; int (*fn)(cmd_run&); } table[] = {
      {"BLOCK", cmd_block}, {"HATCH", cmd_hatch}, {"LOAD", cmd_load}, {"CIRCLE", cmd_circle},
      {"INSERT", cmd_insert}, {"ERASE", cmd_erase}, {"REDRAW", cmd_redraw},
  };
  while (r.pos < r.toks.size()) {
    cmd_token t = r.toks[r.pos++];
    if (t.type != RTSTR) return RTERROR;
    if (t.s.empty()) continue;
    std::string name = str_upper(t.s);
    while (!name.empty() && (name[0] == '_' || name[0] == '.')) name.erase(0, 1);
    int (*fn)(cmd_run&) = nullptr;
    for (auto& c : table)
      if (name == c.name) fn = c.fn;
    if (!fn) {
      host_io_print("Unknown command \"" + t.s + "\".\n");
      return RTERROR;
    }
    if (db().vars["CMDECHO"].i) host_io_print("Command: " + t.s + "\n");
    db_cancel_pending();
    int rc = fn(r);
    if (rc != RTNORM) {
      if (rc == RTCAN) host_io_print("*Cancel*\n");
      return rc;
    }
  }
  return RTNORM;
}

extern "C" {

/* Runs editor commands from (type, value) pairs ending with RTNONE (or 0).
** RTNORM when every command completed; RTCAN when one was cancelled;
** RTERROR for an unknown command, a refused answer or a bad argument. */
int ads_command(int rtype, ...) {
  cmd_run r;
  va_list ap;
  va_start(ap, rtype);
  bool ok = true;
  for (int t = rtype; t != RTNONE && t != 0 && ok; t = va_arg(ap, int)) {
    struct resbuf rb;
    std::memset(&rb, 0, sizeof rb);
    switch (t) {
      case RTSTR: rb.resval.rstring = va_arg(ap, char*); break;
      case RTPOINT: case RT3DPOINT: {
        const double* p = va_arg(ap, const double*);
        if (!p) { ok = false; break; }
        std::copy(p, p + 3, rb.resval.rpoint);
        break;
      }
      case RTREAL: case RTANG: case RTORINT: rb.resval.rreal = va_arg(ap, double); break;
      case RTSHORT: rb.resval.rint = (short)va_arg(ap, int); break;
      case RTLONG: rb.resval.rlong = va_arg(ap, int); break;
      case RTENAME: case RTPICKS: {
        const long* n = va_arg(ap, const long*);
        if (!n) { ok = false; break; }
        rb.resval.rlname[0] = n[0]; rb.resval.rlname[1] = n[1];
        break;
      }
      default: ok = false; break;
    }
    cmd_token tok;
    if (ok && !token_of(t, &rb, tok)) ok = false;
    if (ok) r.toks.push_back(tok);
  }
  va_end(ap);
  if (!ok) return RTERROR;
  return run_commands(r);
}

/* Runs editor commands from a result-buffer chain, as ads_command. */
int ads_cmd(const struct resbuf* rbp) {
  cmd_run r;
  for (; rbp; rbp = rbp->rbnext) {
    cmd_token tok;
    if (!token_of(rbp->restype, rbp, tok)) return RTERROR;
    r.toks.push_back(tok);
  }
  return run_commands(r);
}

}  // extern "C"
