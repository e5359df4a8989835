/*
** drawing_db.cpp: the drawing database of the stand-in editor.
**
** A new drawing's tables and system variables; look-ups of entities,
** blocks and table entries; the rules by which the editor accepts an
** entity (required groups, values, layers created on first use, extended
** data only of registered applications); the making of entities one by one
** with block definitions (BLOCK ... ENDBLK, answered RTKWORD) and complex
** entities (POLYLINE ... SEQEND); outlines for selection and similarity
** transforms for ads_xformss.
*/
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>

#include "drawing_db.h"

/* Longest symbol name the editor accepts. */
static const size_t SYM_NAME_MAX = 31;
/* Deepest nesting of block references followed for outlines. */
static const int OUTLINE_DEPTH_MAX = 8;
/* Segments of a full circle in an outline. */
static const int CIRCLE_SEGMENTS = 72;
/* Width of a character as a share of the text height, for outlines. */
static const double TEXT_WIDTH_SHARE = 0.67;
static const double PI = 3.14159265358979323846;

/* The one editor session, with a new drawing on first use. */
host_session& host() {
  static host_session s;
  static bool ready = false;
  if (!ready) {
    ready = true;
    db_reset(s.dwg);
  }
  return s;
}

/* Adds one table entry with its groups. */
static void add_entry(db_drawing& d, const std::string& table, const std::string& name,
                      std::vector<db_grp> groups) {
  db_tblrec r;
  r.name = name;
  r.handle = db_new_handle(d);
  r.groups = std::move(groups);
  d.tables[table].push_back(r);
}

/* Empties the drawing and gives it the default tables and variables. */
void db_reset(db_drawing& d) {
  d = db_drawing();
  for (const char* t : {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID"}) d.tables[t];
  double zero[3] = {0, 0, 0}, one[3] = {1, 1, 0};
  add_entry(d, "VPORT", "*ACTIVE",
            {grp_int(70, 0), grp_pt(10, zero), grp_pt(11, one), grp_pt(12, zero), grp_real(40, 10.0),
             grp_real(41, 1.0)});
  add_entry(d, "LTYPE", "CONTINUOUS",
            {grp_int(70, 0), grp_str(3, "Solid line"), grp_int(72, 65), grp_int(73, 0), grp_real(40, 0.0)});
  add_entry(d, "LAYER", "0", {grp_int(70, 0), grp_int(62, 7), grp_str(6, "CONTINUOUS")});
  add_entry(d, "STYLE", "STANDARD",
            {grp_int(70, 0), grp_real(40, 0.0), grp_real(41, 1.0), grp_real(50, 0.0), grp_int(71, 0),
             grp_real(42, 0.2), grp_str(3, "txt"), grp_str(4, "")});
  add_entry(d, "APPID", "ACAD", {grp_int(70, 0)});
  d.vars["ACADVER"] = grp_str(RTSTR, "14.0");
  d.vars["CLAYER"] = grp_str(RTSTR, "0");
  for (const char* v : {"CMDECHO", "CMDDIA"}) d.vars[v] = grp_int(RTSHORT, 1);
  for (const char* v : {"LIMCHECK", "ANGDIR", "BLIPMODE"}) d.vars[v] = grp_int(RTSHORT, 0);
  d.vars["ANGBASE"] = grp_real(RTREAL, 0.0);
  d.vars["HPANG"] = grp_real(RTREAL, 0.0);
  d.vars["HPSCALE"] = grp_real(RTREAL, 1.0);
}

/* Hands out the next free handle. */
unsigned long db_new_handle(db_drawing& d) { return d.next_handle++; }

/* Table entry by name (any case); nullptr when absent. */
db_tblrec* db_table_find(db_drawing& d, const std::string& table, const std::string& name) {
  auto t = d.tables.find(str_upper(table));
  if (t == d.tables.end()) return nullptr;
  for (auto& r : t->second)
    if (str_ieq(r.name, name)) return &r;
  return nullptr;
}

/* Block definition by name (any case); nullptr when absent. */
db_block* db_block_find(db_drawing& d, const std::string& name) {
  for (auto& b : d.blocks)
    if (str_ieq(b.name, name)) return &b;
  return nullptr;
}

/* Entity by handle (deleted ones only when not live_only); nullptr. */
db_entity* db_entity_find(db_drawing& d, unsigned long h, bool live_only) {
  db_entity* e = d.ents.find(h);
  return e && !(live_only && e->erased) ? e : nullptr;
}

/* ---- The entity store ---- */

db_entity& db_entities::put(db_entity e) {
  unsigned long h = e.handle;
  e.groups.shrink_to_fit();
  for (db_xdata &x : e.xdata) x.items.shrink_to_fit();
  e.xdata.shrink_to_fit();
  auto it = all_.find(h);
  if (it != all_.end()) {
    unlink_sub(it->second);
    /* The indexes know the entity where they placed it. */
    db_indexed was = it->second.at;
    if (was.model_at == DB_NO_PLACE) was.model_at = e.at.model_at;
    e.at = was;
    it->second = std::move(e);
  } else {
    it = all_.emplace(h, std::move(e)).first;
  }
  db_entity &in = it->second;
  if (in.parent) {
    std::vector<unsigned long>& v = subs_[in.parent];
    v.insert(std::upper_bound(v.begin(), v.end(), h), h);
  }
  return in;
}

void db_entities::erase(unsigned long h) {
  auto it = all_.find(h);
  if (it == all_.end()) return;
  unlink_sub(it->second);
  all_.erase(it);
}

const std::vector<unsigned long>& db_entities::subs(unsigned long h) const {
  static const std::vector<unsigned long> none;
  auto it = subs_.find(h);
  return it == subs_.end() ? none : it->second;
}

/* Takes e out of its header's list of sub-entities. */
void db_entities::unlink_sub(const db_entity& e) {
  if (!e.parent) return;
  auto s = subs_.find(e.parent);
  if (s == subs_.end()) return;
  std::vector<unsigned long>& v = s->second;
  auto at = std::lower_bound(v.begin(), v.end(), e.handle);
  if (at != v.end() && *at == e.handle) v.erase(at);
  if (v.empty()) subs_.erase(s);
}

/* First group of an entity with the code; nullptr when absent. */
const db_grp* db_group(const db_entity& e, int code) {
  for (auto& g : e.groups)
    if (g.code == code) return &g;
  return nullptr;
}
/* First group of an entity with the code; nullptr when absent. */
db_grp* db_group(db_entity& e, int code) {
  for (auto& g : e.groups)
    if (g.code == code) return &g;
  return nullptr;
}

/* A symbol name: 1 to 31 letters, digits, '$', '-', '_' (and '|' inside the
** name when allowed). */
bool db_name_valid(const std::string& name, bool allow_pipe) {
  if (name.empty() || name.size() > SYM_NAME_MAX) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = (unsigned char)name[i];
    if (std::isalnum(c) || c == '$' || c == '-' || c == '_') continue;
    if (c == '|' && allow_pipe && i > 0 && i + 1 < name.size()) continue;
    return false;
  }
  return true;
}

/* Creates the layer on first use; false for an invalid name. */
bool db_ensure_layer(db_drawing& d, const std::string& name) {
  if (db_table_find(d, "LAYER", name)) return true;
  if (!db_name_valid(name, false)) return false;
  add_entry(d, "LAYER", str_upper(name), {grp_int(70, 0), grp_int(62, 7), grp_str(6, "CONTINUOUS")});
  return true;
}

/* Sets a system variable after checking its type and range; RTNORM, or
** RTERROR with err for an unknown name, a wrong type or a bad value. */
int db_setvar(db_drawing& d, const std::string& name, const db_grp& value, std::string& err) {
  std::string n = str_upper(name);
  auto it = d.vars.find(n);
  if (it == d.vars.end()) { err = "unknown variable " + name; return RTERROR; }
  db_grp& cur = it->second;
  if (cur.code == RTSTR) {
    if (value.code != RTSTR) { err = n + " takes a text"; return RTERROR; }
    if (n == "CLAYER") {
        db_tblrec *l = db_table_find(d, "LAYER", value.text());
        if (!l) {
            err = "Cannot find layer " + value.text();
            return RTERROR;
        }
        cur.set_text(l->name);
    } else {
        cur.set_text(value.str());
    }
    return RTNORM;
  }
  double v;
  if (value.code == RTSHORT || value.code == RTLONG) v = value.i;
  else if (value.code == RTREAL || value.code == RTANG || value.code == RTORINT) v = value.v[0];
  else { err = n + " takes a number"; return RTERROR; }
  if (cur.code == RTSHORT) {
    if (value.code != RTSHORT && value.code != RTLONG) { err = n + " takes an integer"; return RTERROR; }
    if (v < 0 || v > 1) { err = n + " must be 0 or 1"; return RTERROR; }
    cur.i = (int32_t)v;
    return RTNORM;
  }
  if (n == "HPSCALE" && !(v > 0)) { err = "HPSCALE must be above 0"; return RTERROR; }
  cur.v[0] = v;
  return RTNORM;
}

/* Groups an entity type needs, and whether 40 must be above 0. */
struct ent_rule {
  const char* type;        /* entity type                                */
  std::vector<int> needs;  /* required group codes                       */
  bool size40;             /* group 40 (radius, height) must be above 0  */
};
/* The entity types the editor makes from lists, with their rules. */
static const std::vector<ent_rule>& ent_rules() {
  static const std::vector<ent_rule> rules = {
      {"LINE", {10, 11}, false},       {"POINT", {10}, false},
      {"CIRCLE", {10, 40}, true},      {"ARC", {10, 40, 50, 51}, true},
      {"TRACE", {10, 11, 12, 13}, false}, {"SOLID", {10, 11, 12}, false},
      {"3DFACE", {10, 11, 12}, false}, {"TEXT", {10, 40, 1}, true},
      {"SHAPE", {10, 40, 2}, true},    {"INSERT", {2, 10}, false},
      {"ATTDEF", {10, 40, 1, 2, 3}, true}, {"ATTRIB", {10, 40, 1, 2}, true},
      {"POLYLINE", {}, false},         {"VERTEX", {10}, false},
      {"SEQEND", {}, false},           {"LWPOLYLINE", {10}, false},
      {"HATCH", {2}, false},
  };
  return rules;
}

/* Checks an entity's groups against the rules of its type; false with err
** naming the first fault. */
bool db_entity_check(db_drawing& d, const db_entity& e, std::string& err) {
  const ent_rule* rule = nullptr;
  for (auto& r : ent_rules())
    if (e.type == r.type) rule = &r;
  static const ent_rule any = {"", {}, false};
  if (!rule && !e.handle) { err = "entity type not accepted: " + e.type; return false; }
  if (!rule) rule = &any; /* a drawing's own entity of another type (entmod) */
  for (int c : rule->needs)
    if (!db_group(e, c)) { err = e.type + " needs group " + std::to_string(c); return false; }
  for (auto& g : e.groups) {
    if (db_kind_of(g.code) == DBK_BAD || g.code < 0) { err = "bad group " + std::to_string(g.code); return false; }
    if (g.code == 62 && (g.i < 0 || g.i > 256)) { err = "colour out of range"; return false; }
    if (g.code == 40 && rule->size40 && !(g.v[0] > 0)) { err = e.type + " needs a size above 0"; return false; }
    if (g.code == 8 && !db_table_find(d, "LAYER", g.text()) && !db_name_valid(g.text(), false)) {
        err = "bad layer name \"" + g.text() + "\"";
        return false;
    }
    if (g.code == 6 && !str_ieq(g.text(), "BYLAYER") && !str_ieq(g.text(), "BYBLOCK") &&
        !db_table_find(d, "LTYPE", g.text())) {
        err = "unknown linetype " + g.text();
        return false;
    }
    if (g.code == 7) {
        db_tblrec *st = db_table_find(d, "STYLE", g.text());
        bool shapefile = false;
        if (st)
            for (auto &sg : st->groups)
                if (sg.code == 70 && (sg.i & 1)) shapefile = true;
        if (!st || shapefile) {
            err = "unknown text style " + g.text();
            return false;
        }
    }
    if (e.type == "INSERT" && (g.code == 41 || g.code == 42 || g.code == 43) && g.v[0] == 0) {
      err = "INSERT scale of 0"; return false;
    }
  }
  if (e.type == "INSERT") {
      const std::string bn = db_group(e, 2)->text();
      if (host().in_block && !host().pending_block_given.empty() && str_ieq(bn, host().pending_block_given) &&
          !(host().pending_block.flags & 1)) {
          err = "block " + bn + " references itself";
          return false;
      }
    if (!db_block_find(d, bn)) { err = "unknown block " + bn; return false; }
  }
  if (e.type == "SHAPE") {
    bool any = false;
    for (auto& st : d.tables["STYLE"])
      for (auto& sg : st.groups) if (sg.code == 70 && (sg.i & 1)) any = true;
    if (!any) { err = "no shape file loaded"; return false; }
  }
  return true;
}

/* Puts the layer group first when missing and creates the layer. */
static void settle_layer(db_drawing& d, db_entity& e) {
  db_grp* l = db_group(e, 8);
  if (!l) {
      e.groups.insert(e.groups.begin(), grp_str(8, d.vars["CLAYER"].text()));
      l = &e.groups.front();
  }
  db_ensure_layer(d, l->text());
  if (db_tblrec *r = db_table_find(d, "LAYER", l->text())) l->set_text(r->name);
}

/* Files an entity at the end of model space (handle given when it has
** none, layer settled); answers its handle. */
unsigned long db_add_model(db_drawing& d, db_entity e) {
  if (!e.handle) e.handle = db_new_handle(d);
  settle_layer(d, e);
  unsigned long h = e.handle;
  e.block.clear();
  e.at.model_at = (uint32_t)d.model.size();
  d.ents.put(std::move(e));
  d.model.push_back(h);
  db_grid_touch(d, h);
  return h;
}

/* Files a finished entity: into the block under way, else model space. */
static void file_entity(db_entity e) {
  host_session& s = host();
  if (s.in_block) s.pending_block_ents.push_back(std::move(e));
  else db_add_model(s.dwg, std::move(e));
}

/* Drops a block definition and a complex entity under way. */
void db_cancel_pending() {
  host_session& s = host();
  s.in_block = false;
  s.pending_block = db_block();
  s.pending_block_ents.clear();
  s.pending_block_given.clear();
  s.pending_seq.clear();
}

/* Completes the block under way: names it, replaces a named block's old
** contents, files its entities. Answers the block's name. */
static std::string end_block() {
  host_session& s = host();
  db_drawing& d = s.dwg;
  db_block b = s.pending_block;
  bool anon = (b.flags & 1) != 0;
  if (anon) {
    do b.name = "*U" + std::to_string(d.next_anon++); while (db_block_find(d, b.name));
  }
  b.end_handle = db_new_handle(d);
  for (auto& e : s.pending_block_ents) {
    e.block = b.name;
    b.ents.push_back(e.handle);
    d.ents.put(e);
  }
  if (db_block* old = anon ? nullptr : db_block_find(d, b.name)) {
    for (unsigned long h : old->ents) d.ents.erase(h);
    db_grid_forget(d);
    b.handle = old->handle;
    b.name = old->name;
    *old = b;
  } else {
    d.blocks.push_back(b);
  }
  std::string name = b.name;
  db_cancel_pending();
  return name;
}

/* Makes one entity by the rules of ads_entmake; err tells a refusal. */
static int make_entity(const struct resbuf* list, unsigned long& h, std::string& err) {
  host_session& s = host();
  db_drawing& d = s.dwg;
  h = 0;
  db_entity e;
  bool has_x;
  unsigned long given;
  if (!db_list_parse(list, e.type, e.groups, e.xdata, has_x, given, err)) return RTERROR;
  if (e.type.empty()) { err = "entity list without group 0"; return RTERROR; }
  if (e.type == "BLOCK") {
    if (s.in_block || !s.pending_seq.empty()) { err = "a definition is already under way"; return RTERROR; }
    const db_grp* n = db_group(e, 2);
    const db_grp* base = db_group(e, 10);
    if (!n || !base) { err = "BLOCK needs groups 2 and 10"; return RTERROR; }
    const db_grp* f = db_group(e, 70);
    short flags = f ? (short)f->i : 0;
    std::string name = n->text();
    bool anon = (flags & 1) || (!name.empty() && name[0] == '*');
    if (anon) {
      flags |= 1;
    } else {
      if (!db_name_valid(name, false)) { err = "bad block name \"" + name + "\""; return RTERROR; }
      if (db_block* old = db_block_find(d, name))
        if (old->flags & (4 | 16 | 32)) { err = "block " + name + " is an external reference"; return RTERROR; }
    }
    s.in_block = true;
    s.pending_block = db_block();
    s.pending_block.name = str_upper(name);
    s.pending_block.flags = flags;
    for (int k = 0; k < 3; ++k) s.pending_block.base[k] = base->v[k];
    s.pending_block.handle = db_new_handle(d);
    s.pending_block_given = name;
    h = s.pending_block.handle;
    return RTNORM;
  }
  if (e.type == "ENDBLK") {
    if (!s.in_block || !s.pending_seq.empty()) { err = "ENDBLK without a BLOCK under way"; return RTERROR; }
    s.last_input = end_block();
    if (db_block* b = db_block_find(d, s.last_input)) h = b->end_handle;
    return RTKWORD;
  }
  if (e.type == "SEQEND") {
    if (s.pending_seq.empty()) { err = "SEQEND without a sequence"; return RTERROR; }
    e.handle = db_new_handle(d);
    unsigned long head = s.pending_seq.front().handle;
    e.parent = head;
    settle_layer(d, e);
    s.pending_seq.push_back(e);
    std::vector<db_entity> seq;
    seq.swap(s.pending_seq);
    for (auto& x : seq) file_entity(std::move(x));
    h = e.handle;
    return RTNORM;
  }
  if (e.type == "VERTEX" || e.type == "ATTRIB") {
    const char* head = e.type == "VERTEX" ? "POLYLINE" : "INSERT";
    if (s.pending_seq.empty() || s.pending_seq.front().type != head) { err = e.type + " without its " + head; return RTERROR; }
  } else if (!s.pending_seq.empty()) {
    err = e.type + " inside a " + s.pending_seq.front().type + " sequence";
    return RTERROR;
  }
  if (e.type == "HATCH") { err = "a HATCH is made with the _HATCH command"; return RTERROR; }
  if (!db_entity_check(d, e, err)) return RTERROR;
  if (e.type == "LWPOLYLINE") {
    int n = 0;
    for (auto& g : e.groups) n += g.code == 10;
    if (db_grp* c = db_group(e, 90)) c->i = n;
    else e.groups.push_back(grp_int(90, n));
  }
  e.handle = db_new_handle(d);
  settle_layer(d, e);
  h = e.handle;
  if (e.type == "VERTEX" || e.type == "ATTRIB") {
    e.parent = s.pending_seq.front().handle;
    s.pending_seq.push_back(std::move(e));
    return RTNORM;
  }
  const db_grp* follow = db_group(e, 66);
  if (e.type == "POLYLINE" || (e.type == "INSERT" && follow && follow->i == 1)) {
    if (!db_group(e, 66)) e.groups.push_back(grp_int(66, 1));
    if (e.type == "POLYLINE" && !db_group(e, 10)) {
      double z[3] = {0, 0, 0};
      e.groups.push_back(grp_pt(10, z));
    }
    s.pending_seq.push_back(std::move(e));
    return RTNORM;
  }
  file_entity(std::move(e));
  return RTNORM;
}

/* Marks an entity and its sub-entities deleted (or live again). */
/* Makes one entity and keeps the reason of a refusal for host_last_error. */
int db_make(const struct resbuf* list, unsigned long& h) {
  std::string err;
  int rc = make_entity(list, h, err);
  if (rc == RTERROR) host().last_error = err.empty() ? "entity refused" : err;
  return rc;
}

void db_set_erased(db_drawing& d, unsigned long h, bool erased) {
  db_entity* head = d.ents.find(h);
  if (!head) return;
  head->erased = erased;
  /* Only a polyline or an insert heads sub-entities. */
  if (head->type == "POLYLINE" || head->type == "INSERT")
    for (unsigned long k : d.ents.subs(h))
      if (db_entity* e = d.ents.find(k)) e->erased = erased;
  db_grid_touch(d, h);
}

/* Place of a handle in model space as its entity notes it, checked
** against model space; model.size() when none is noted. */
size_t db_model_noted(db_drawing &d, unsigned long h)
{
    const db_entity *e = d.ents.find(h);
    size_t at = e ? e->at.model_at : DB_NO_PLACE;
    return at < d.model.size() && d.model[at] == h ? at : d.model.size();
}

/* Place of a handle in model space: as noted, else searched (a drawing
** rearranged). */
size_t db_model_place(db_drawing &d, unsigned long h)
{
    size_t at = db_model_noted(d, h);
    if (at < d.model.size()) return at;
    return (size_t)(std::find(d.model.begin(), d.model.end(), h) - d.model.begin());
}

/* Last live main entity of model space; 0 when none. */
unsigned long db_last(db_drawing& d) {
  for (auto it = d.model.rbegin(); it != d.model.rend(); ++it) {
    db_entity* e = db_entity_find(d, *it, true);
    if (e && !e->parent) return *it;
  }
  return 0;
}

/* ---- Geometry ---- */

/* Affine map of a point: p' = o + R(rot) * (s * (p - base)). */
struct xf {
  double o[3] = {0, 0, 0}, base[3] = {0, 0, 0};
  double sx = 1, sy = 1, sz = 1, rot = 0;
  void apply(const double p[3], double q[3]) const {
    double x = (p[0] - base[0]) * sx, y = (p[1] - base[1]) * sy;
    q[0] = o[0] + x * std::cos(rot) - y * std::sin(rot);
    q[1] = o[1] + x * std::sin(rot) + y * std::cos(rot);
    q[2] = o[2] + (p[2] - base[2]) * sz;
  }
};

static void push_seg(std::vector<db_seg>& out, const std::vector<xf>& chain, const double a[3],
                     const double b[3]) {
  db_seg s;
  for (int k = 0; k < 3; ++k) { s.a[k] = a[k]; s.b[k] = b[k]; }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    double t[3];
    it->apply(s.a, t); std::copy(t, t + 3, s.a);
    it->apply(s.b, t); std::copy(t, t + 3, s.b);
  }
  out.push_back(s);
}

static void push_path(std::vector<db_seg>& out, const std::vector<xf>& chain,
                      const std::vector<std::array<double, 3>>& pts, bool closed) {
  if (pts.size() == 1) push_seg(out, chain, pts[0].data(), pts[0].data());
  for (size_t i = 1; i < pts.size(); ++i) push_seg(out, chain, pts[i - 1].data(), pts[i].data());
  if (closed && pts.size() > 2) push_seg(out, chain, pts.back().data(), pts[0].data());
}

/* Real of a group, or the default when the entity lacks it. */
static double grp_real_or(const db_entity& e, int code, double dflt) {
  const db_grp* g = db_group(e, code);
  return g ? g->v[0] : dflt;
}

static void outline_rec(db_drawing& d, const db_entity& e, std::vector<xf>& chain,
                        std::vector<db_seg>& out, int depth) {
  const db_grp* p10 = db_group(e, 10);
  double c[3] = {0, 0, 0};
  if (p10) std::copy(p10->v, p10->v + 3, c);
  std::vector<std::array<double, 3>> pts;
  auto add = [&](const double* p) { pts.push_back({p[0], p[1], p[2]}); };
  const std::string& t = e.type;
  if (t == "LINE") {
    add(c);
    if (const db_grp* g = db_group(e, 11)) add(g->v);
    push_path(out, chain, pts, false);
  } else if (t == "POINT") {
    add(c);
    push_path(out, chain, pts, false);
  } else if (t == "CIRCLE" || t == "ARC") {
    double r = grp_real_or(e, 40, 0);
    double a0 = 0, a1 = 2 * PI;
    if (t == "ARC") {
      a0 = grp_real_or(e, 50, 0);
      a1 = grp_real_or(e, 51, 0);
      while (a1 <= a0) a1 += 2 * PI;
    }
    int n = std::max(2, (int)std::ceil(CIRCLE_SEGMENTS * (a1 - a0) / (2 * PI)));
    for (int i = 0; i <= n; ++i) {
      double a = a0 + (a1 - a0) * i / n, p[3] = {c[0] + r * std::cos(a), c[1] + r * std::sin(a), c[2]};
      add(p);
    }
    push_path(out, chain, pts, false);
  } else if (t == "TEXT" || t == "ATTDEF" || t == "ATTRIB" || t == "SHAPE") {
    double hgt = grp_real_or(e, 40, 1), rot = grp_real_or(e, 50, 0);
    const db_grp* s = db_group(e, 1);
    double w = t == "SHAPE" ? hgt : hgt * TEXT_WIDTH_SHARE * std::max<size_t>(1, s ? s->size() : 1);
    double corners[4][2] = {{0, 0}, {w, 0}, {w, hgt}, {0, hgt}};
    for (auto& k : corners) {
      double p[3] = {c[0] + k[0] * std::cos(rot) - k[1] * std::sin(rot),
                     c[1] + k[0] * std::sin(rot) + k[1] * std::cos(rot), c[2]};
      add(p);
    }
    push_path(out, chain, pts, true);
  } else if (t == "SOLID" || t == "TRACE" || t == "3DFACE") {
    const db_grp* g11 = db_group(e, 11);
    const db_grp* g12 = db_group(e, 12);
    const db_grp* g13 = db_group(e, 13);
    add(c);
    if (g11) add(g11->v);
    if (t == "3DFACE") { if (g12) add(g12->v); if (g13) add(g13->v); }
    else { if (g13) add(g13->v); if (g12) add(g12->v); }
    push_path(out, chain, pts, true);
  } else if (t == "LWPOLYLINE" || t == "HATCH") {
    bool first = true;
    for (auto& g : e.groups) {
      if (g.code != 10) continue;
      if (t == "HATCH" && first) { first = false; continue; }  /* elevation point */
      add(g.v);
    }
    const db_grp* f = db_group(e, 70);
    push_path(out, chain, pts, t == "HATCH" || (f && (f->i & 1)));
  } else if (t == "POLYLINE") {
    for (unsigned long h : d.ents.subs(e.handle)) {
      const db_entity* v = d.ents.find(h);
      if (v && v->type == "VERTEX")
        if (const db_grp* g = db_group(*v, 10)) add(g->v);
    }
    const db_grp* f = db_group(e, 70);
    push_path(out, chain, pts, f && (f->i & 1));
  } else if (t == "INSERT") {
    const db_grp* bn = db_group(e, 2);
    db_block *b = bn ? db_block_find(d, bn->text()) : nullptr;
    xf x;
    std::copy(c, c + 3, x.o);
    if (b) std::copy(b->base, b->base + 3, x.base);
    x.sx = grp_real_or(e, 41, 1); x.sy = grp_real_or(e, 42, 1); x.sz = grp_real_or(e, 43, 1);
    x.rot = grp_real_or(e, 50, 0);
    size_t before = out.size();
    if (b && depth < OUTLINE_DEPTH_MAX) {
      chain.push_back(x);
      for (unsigned long h : b->ents) {
        const db_entity* sub = db_entity_find(d, h, true);
        if (sub && !sub->parent) outline_rec(d, *sub, chain, out, depth + 1);
      }
      chain.pop_back();
    }
    if (out.size() == before) { add(c); push_path(out, chain, pts, false); }
  }
}

/* The outline of an entity as world segments (see drawing_db.h). */
void db_outline(db_drawing& d, const db_entity& e, std::vector<db_seg>& out) {
  std::vector<xf> chain;
  outline_rec(d, e, chain, out, 0);
}

/* Applies the matrix to a point (with translation unless disp). */
static void mat_apply(const ads_matrix m, double p[3], bool disp) {
  double q[3];
  for (int r = 0; r < 3; ++r) q[r] = m[r][0] * p[0] + m[r][1] * p[1] + m[r][2] * p[2] + (disp ? 0 : m[r][3]);
  std::copy(q, q + 3, p);
}

/* Moves, rotates (about Z) and scales an entity; groups 10..18 are points,
** sizes scale, rotations turn. */
bool db_transform(db_drawing& d, db_entity& e, const ads_matrix m) {
  double sc = std::hypot(m[0][0], m[1][0]);
  double sc2 = std::hypot(m[0][1], m[1][1]);
  const double tol = 1e-9 * std::max(1.0, sc);
  double det = m[0][0] * m[1][1] - m[0][1] * m[1][0];
  if (!(sc > 0) || std::fabs(sc - sc2) > tol || std::fabs(m[0][0] * m[0][1] + m[1][0] * m[1][1]) > tol ||
      det <= 0 || std::fabs(m[2][2] - sc) > tol || std::fabs(m[2][0]) > tol || std::fabs(m[2][1]) > tol ||
      std::fabs(m[0][2]) > tol || std::fabs(m[1][2]) > tol || m[3][0] != 0 || m[3][1] != 0 || m[3][2] != 0)
    return false;
  double rot = std::atan2(m[1][0], m[0][0]);
  bool hatch = e.type == "HATCH";
  bool first10 = true;
  for (auto& g : e.groups) {
    if (g.code >= 10 && g.code <= 18) {
      if ((hatch || e.type == "POLYLINE") && g.code == 10 && first10) { first10 = false; continue; }
      mat_apply(m, g.v, false);
    } else if (g.code == 40 && e.type != "POLYLINE" && e.type != "VERTEX" && e.type != "LWPOLYLINE") {
      g.v[0] *= sc;
    } else if ((g.code == 41 || g.code == 42 || g.code == 43) && e.type == "INSERT") {
      g.v[0] *= sc;
    } else if (g.code == 41 && hatch) {
      g.v[0] *= sc;
    } else if ((g.code == 50 || g.code == 51) && e.type == "ARC") {
      g.v[0] = std::fmod(g.v[0] + rot + 2 * PI, 2 * PI);
    } else if (g.code == 50 && e.type != "VERTEX" && !hatch) {
      g.v[0] += rot;
    } else if (g.code == 52 && hatch) {
      g.v[0] = std::fmod(g.v[0] + rot * 180 / PI + 360, 360);
    }
  }
  if (e.type == "POLYLINE" || e.type == "INSERT")
    for (unsigned long h : d.ents.subs(e.handle))
      if (db_entity* v = d.ents.find(h); v && h != e.handle) db_transform(d, *v, m);
  return true;
}

/* Entity behind an entity name; nullptr for a set name or unknown handle. */
db_entity* name_entity(const long n[2], bool live_only) {
  if (!n || n[1] != NAME_ENT || n[0] <= 0) return nullptr;
  return db_entity_find(db(), (unsigned long)n[0], live_only);
}
