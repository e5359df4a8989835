/*
** ads_entities.cpp: the editor's entity, table and coordinate functions.
**
** ads_entmake and ads_entmakex (through db_make), ads_entget and
** ads_entgetx, ads_entmod (extended data replaced only for the applications
** present in the list), ads_entupd, ads_entdel, ads_entlast, ads_entnext,
** ads_tblsearch and ads_tblnext, ads_regapp, ads_snvalid, ads_trans,
** ads_distance and the system variables. Every refusal leaves the drawing
** as it was.
**
**   ads_name e;  ads_entlast(e);
**   struct resbuf *l = ads_entget(e);  ...  ads_entmod(l);  ads_relrb(l);
*/
#include <algorithm>
#include <cmath>
#include <cstring>

#include "drawing_db.h"

extern "C" {

/* Makes an entity (or a BLOCK, ENDBLK, sequence step); NULL cancels a
** block definition or complex entity under way. RTNORM; RTKWORD when an
** ENDBLK completes a block (ads_getinput then gives its name); RTERROR
** for a refused list. */
int ads_entmake(const struct resbuf* ent) {
  if (!ent) {
    db_cancel_pending();
    return RTNORM;
  }
  unsigned long h;
  return db_make(ent, h);
}

/* Like ads_entmake and gives the new entity's name; RTERROR clears it. */
int ads_entmakex(const struct resbuf* ent, ads_name result) {
  if (!ent) {
    db_cancel_pending();
    if (result) name_set(result, 0, 0);
    return RTERROR;
  }
  unsigned long h;
  int rc = db_make(ent, h);
  if (result) name_set(result, rc == RTERROR ? 0 : h, NAME_ENT);
  return rc;
}

/* The entity's list without extended data; NULL for a bad or deleted
** entity. */
struct resbuf* ads_entget(const ads_name ent) {
  db_entity* e = name_entity(ent, true);
  return e ? db_entity_list(*e, nullptr) : nullptr;
}

/* The entity's list with the extended data of the applications named in
** the RTSTR chain apps (wildcards allowed); NULL for a bad entity. */
struct resbuf* ads_entgetx(const ads_name ent, const struct resbuf* apps) {
  db_entity* e = name_entity(ent, true);
  if (!e) return nullptr;
  std::vector<std::string> names;
  for (; apps; apps = apps->rbnext)
    if (apps->restype == RTSTR && apps->resval.rstring) names.push_back(apps->resval.rstring);
  return db_entity_list(*e, &names);
}

/* Changes an entity to the list: each group code given replaces that
** code's groups (one for one in place when the list gives as many as the
** entity has, else all of them at the place of the first), other groups
** stay; extended data is replaced only for the
** applications present in the list (an application given without groups
** loses its data); others are kept. RTNORM, RTERROR (nothing changed) for
** a missing or deleted entity, another type, a bad group or a refused
** result. */
int ads_entmod(const struct resbuf* ent) {
  std::string type, err;
  std::vector<db_grp> groups;
  std::vector<db_xdata> xdata;
  bool has_x;
  unsigned long h;
  if (!ent) return RTERROR;
  if (!db_list_parse(ent, type, groups, xdata, has_x, h, err)) { host().last_error = err; return RTERROR; }
  db_drawing& d = db();
  db_entity* cur = db_entity_find(d, h, true);
  if (!cur) { host().last_error = "no such entity"; return RTERROR; }
  if (!type.empty() && type != cur->type) { host().last_error = "the entity type cannot change"; return RTERROR; }
  db_entity e = *cur;
  std::vector<bool> done(groups.size(), false);
  for (size_t i = 0; i < groups.size(); ++i) {
    if (done[i]) continue;
    int code = groups[i].code;
    std::vector<db_grp> fresh;
    for (size_t j = i; j < groups.size(); ++j)
      if (groups[j].code == code) { fresh.push_back(groups[j]); done[j] = true; }
    /* As many groups as the entity has of that code: each takes the place
    ** of its own, so that a list read with ads_entget and given back keeps
    ** the entity's order (a HATCH's boundary points stay in their paths). */
    size_t had = (size_t)std::count_if(e.groups.begin(), e.groups.end(), [&](const db_grp& g) { return g.code == code; });
    if (had == fresh.size()) {
      size_t next = 0;
      for (auto& g : e.groups)
        if (g.code == code) g = fresh[next++];
      continue;
    }
    auto first = std::find_if(e.groups.begin(), e.groups.end(), [&](const db_grp& g) { return g.code == code; });
    if (first == e.groups.end()) {
      e.groups.insert(e.groups.end(), fresh.begin(), fresh.end());
      continue;
    }
    size_t pos = first - e.groups.begin();
    std::vector<db_grp> out;
    for (size_t k = 0; k < e.groups.size(); ++k) {
      if (k == pos) out.insert(out.end(), fresh.begin(), fresh.end());
      else if (e.groups[k].code != code) out.push_back(e.groups[k]);
    }
    e.groups.swap(out);
  }
  if (e.type == "LWPOLYLINE") {
    int n = 0;
    for (auto& g : e.groups) n += g.code == 10;
    if (db_grp* c = db_group(e, 90)) c->i = n;
  }
  for (auto& x : xdata) {
    auto it = std::find_if(e.xdata.begin(), e.xdata.end(), [&](const db_xdata& o) { return str_ieq(o.app, x.app); });
    if (x.items.empty()) { if (it != e.xdata.end()) e.xdata.erase(it); }
    else if (it != e.xdata.end()) it->items = x.items;
    else e.xdata.push_back(x);
  }
  if (!db_entity_check(d, e, err)) { host().last_error = err; return RTERROR; }
  if (db_grp* l = db_group(e, 8)) {
      if (!db_ensure_layer(d, l->text())) return RTERROR;
      l->set_text(db_table_find(d, "LAYER", l->text())->name);
  }
  *cur = std::move(e);
  /* An entity of a block definition moves every insert of the block. */
  if (cur->block.empty()) db_grid_touch(d, h);
  else db_grid_forget(d);
  return RTNORM;
}

/* Regenerates an entity on the screen; RTNORM, RTERROR for a bad name. */
int ads_entupd(const ads_name ent) { return name_entity(ent, true) ? RTNORM : RTERROR; }

/* Deletes a main entity of model space, or brings a deleted one back;
** RTNORM, RTERROR for a bad name, a sub-entity or a block's entity. */
int ads_entdel(const ads_name ent) {
  db_entity* e = name_entity(ent, false);
  if (!e || e->parent || !e->block.empty()) return RTERROR;
  db_set_erased(db(), e->handle, !e->erased);
  return RTNORM;
}

/* Name of the last main entity of model space (also one made by a host
** command); RTERROR when the drawing is empty. */
int ads_entlast(ads_name result) {
  if (!result) return RTERROR;
  unsigned long h = db_last(db());
  name_set(result, h, NAME_ENT);
  return h ? RTNORM : RTERROR;
}

/* The entity after ent in its space (sub-entities included; inside a block
** definition the next of that block); with a null or cleared ent the first
** of model space. RTERROR at the end or for a bad name. */
int ads_entnext(const ads_name ent, ads_name result) {
  if (!result) return RTERROR;
  db_drawing& d = db();
  name_set(result, 0, 0);
  const std::vector<unsigned long>* seq = &d.model;
  size_t start = 0;
  if (ent && (ent[0] || ent[1])) {
    db_entity* e = name_entity(ent, false);
    if (!e) return RTERROR;
    if (!e->block.empty()) {
      db_block* b = db_block_find(d, e->block);
      if (!b) return RTERROR;
      seq = &b->ents;
    }
    size_t at = seq == &d.model ? db_model_place(d, e->handle)
                                : (size_t)(std::find(seq->begin(), seq->end(), e->handle) - seq->begin());
    if (at >= seq->size()) return RTERROR;
    start = at + 1;
  }
  for (size_t i = start; i < seq->size(); ++i)
    if (db_entity_find(d, (*seq)[i], true)) {
      name_set(result, (*seq)[i], NAME_ENT);
      return RTNORM;
    }
  return RTERROR;
}

}  // extern "C"

/* Position of tblnext in each table. */
static std::map<std::string, size_t>& tbl_cursor() {
  static std::map<std::string, size_t> c;
  return c;
}

/* The list of one block-table entry. */
static struct resbuf* block_entry(const db_block& b) {
  std::vector<db_grp> g = {grp_str(0, "BLOCK"), grp_str(2, b.name), grp_int(70, b.flags), grp_pt(10, b.base)};
  for (unsigned long h : b.ents)
    if (db_entity_find(db(), h, true)) {
      db_grp f; f.code = -2; f.h = h; g.push_back(f);
      break;
    }
  return db_grps_to_chain(g);
}

/* The list of one table entry: (0 table) (2 name) (70 ...) ... */
static struct resbuf* table_entry(const std::string& table, const db_tblrec& r) {
  std::vector<db_grp> g = {grp_str(0, table), grp_str(2, r.name)};
  g.insert(g.end(), r.groups.begin(), r.groups.end());
  return db_grps_to_chain(g);
}

/* Entry i of a table (blocks included); NULL past the end. */
static struct resbuf* table_at(const std::string& t, size_t i) {
  db_drawing& d = db();
  if (t == "BLOCK") return i < d.blocks.size() ? block_entry(d.blocks[i]) : nullptr;
  auto it = d.tables.find(t);
  if (it == d.tables.end() || i >= it->second.size()) return nullptr;
  return table_entry(t, it->second[i]);
}

extern "C" {

/* Finds a table entry by name (any case); with setnext the next
** ads_tblnext gives the entry after it. NULL when there is none or the
** table is unknown. */
struct resbuf* ads_tblsearch(const char* tblname, const char* sym, int setnext) {
  if (!tblname || !sym) return nullptr;
  std::string t = str_upper(tblname);
  db_drawing& d = db();
  size_t n = t == "BLOCK" ? d.blocks.size() : (d.tables.count(t) ? d.tables[t].size() : 0);
  for (size_t i = 0; i < n; ++i) {
    const std::string& name = t == "BLOCK" ? d.blocks[i].name : d.tables[t][i].name;
    if (!str_ieq(name, sym)) continue;
    if (setnext) tbl_cursor()[t] = i + 1;
    return table_at(t, i);
  }
  return nullptr;
}

/* The next entry of a table, or its first with rewind; NULL at the end. */
struct resbuf* ads_tblnext(const char* tblname, int rewind) {
  if (!tblname) return nullptr;
  std::string t = str_upper(tblname);
  size_t& c = tbl_cursor()[t];
  if (rewind) c = 0;
  struct resbuf* r = table_at(t, c);
  if (r) ++c;
  return r;
}

/* Registers an application name in the APPID table; RTNORM, RTERROR for an
** invalid name or one already registered. */
int ads_regapp(const char* appname) {
  if (!appname || !db_name_valid(appname, false)) return RTERROR;
  db_drawing& d = db();
  if (db_table_find(d, "APPID", appname)) return RTERROR;
  db_tblrec r;
  r.name = str_upper(appname);
  r.handle = db_new_handle(d);
  r.groups = {grp_int(70, 0)};
  d.tables["APPID"].push_back(r);
  return RTNORM;
}

/* Checks a symbol name; with pipetest a '|' inside the name is allowed.
** RTNORM valid, RTERROR not. */
int ads_snvalid(const char* tbstr, int pipetest) {
  return tbstr && db_name_valid(tbstr, pipetest != 0) ? RTNORM : RTERROR;
}

}  // extern "C"

/* Axes of an object coordinate system with normal n (the editor's
** arbitrary-axis rule); false for a zero normal. */
static bool ecs_axes(const double n_in[3], double ax[3], double ay[3], double nz[3]) {
  double len = std::sqrt(n_in[0] * n_in[0] + n_in[1] * n_in[1] + n_in[2] * n_in[2]);
  if (!(len > 0)) return false;
  for (int k = 0; k < 3; ++k) nz[k] = n_in[k] / len;
  const double limit = 1.0 / 64.0;
  double w[3] = {0, 0, 1};
  if (std::fabs(nz[0]) < limit && std::fabs(nz[1]) < limit) { w[1] = 1; w[2] = 0; }
  ax[0] = w[1] * nz[2] - w[2] * nz[1];
  ax[1] = w[2] * nz[0] - w[0] * nz[2];
  ax[2] = w[0] * nz[1] - w[1] * nz[0];
  double l = std::sqrt(ax[0] * ax[0] + ax[1] * ax[1] + ax[2] * ax[2]);
  for (int k = 0; k < 3; ++k) ax[k] /= l;
  ay[0] = nz[1] * ax[2] - nz[2] * ax[1];
  ay[1] = nz[2] * ax[0] - nz[0] * ax[2];
  ay[2] = nz[0] * ax[1] - nz[1] * ax[0];
  return true;
}

/* Normal of a coordinate-system description, or false when it names no
** object system; code gets 0..3 for the named systems, -1 for an ECS. */
static bool cs_of(const struct resbuf* rb, int& code, double n[3]) {
  if (!rb) return false;
  n[0] = 0; n[1] = 0; n[2] = 1;
  if (rb->restype == RTSHORT) {
    code = rb->resval.rint;
    return code >= ADS_TRANS_WCS && code <= ADS_TRANS_PSDCS;
  }
  code = -1;
  if (rb->restype == RT3DPOINT) {
    for (int k = 0; k < 3; ++k) n[k] = rb->resval.rpoint[k];
    return true;
  }
  if (rb->restype == RTENAME) {
    db_entity* e = name_entity(rb->resval.rlname, false);
    if (!e) return false;
    if (const db_grp* g = db_group(*e, 210)) for (int k = 0; k < 3; ++k) n[k] = g->v[k];
    return true;
  }
  return false;
}

extern "C" {

/* Converts a point (or a displacement, disp non-zero) between the world,
** user, display and paper display systems (RTSHORT 0..3) and an entity's
** own system (RTENAME, or RT3DPOINT giving its normal). The user system is
** the world moved by the test hook's origin; the display systems equal the
** user system (plan view). RTNORM, RTERROR for a bad system or entity. */
int ads_trans(const ads_point pt, const struct resbuf* from, const struct resbuf* to, int disp,
              ads_point result) {
  int cf, ct;
  double nf[3], nt[3], ax[3], ay[3], nz[3];
  if (!pt || !result || !cs_of(from, cf, nf) || !cs_of(to, ct, nt)) return RTERROR;
  const double* o = host().ucs_origin;
  double w[3];
  if (cf == -1) {
    if (!ecs_axes(nf, ax, ay, nz)) return RTERROR;
    for (int k = 0; k < 3; ++k) w[k] = pt[0] * ax[k] + pt[1] * ay[k] + pt[2] * nz[k];
  } else {
    for (int k = 0; k < 3; ++k) w[k] = pt[k] + (cf == ADS_TRANS_WCS || disp ? 0.0 : o[k]);
  }
  if (ct == -1) {
    if (!ecs_axes(nt, ax, ay, nz)) return RTERROR;
    double r[3] = {w[0] * ax[0] + w[1] * ax[1] + w[2] * ax[2], w[0] * ay[0] + w[1] * ay[1] + w[2] * ay[2],
                   w[0] * nz[0] + w[1] * nz[1] + w[2] * nz[2]};
    for (int k = 0; k < 3; ++k) result[k] = r[k];
  } else {
    for (int k = 0; k < 3; ++k) result[k] = w[k] - (ct == ADS_TRANS_WCS || disp ? 0.0 : o[k]);
  }
  return RTNORM;
}

/* Distance in space between two points (0 for a null argument). */
ads_real ads_distance(const ads_point pt1, const ads_point pt2) {
  if (!pt1 || !pt2) return 0.0;
  return std::sqrt((pt1[0] - pt2[0]) * (pt1[0] - pt2[0]) + (pt1[1] - pt2[1]) * (pt1[1] - pt2[1]) +
                   (pt1[2] - pt2[2]) * (pt1[2] - pt2[2]));
}

/* Reads a system variable into result (RTSTR texts are the caller's to
** free); RTNORM, RTERROR for an unknown name. */
int ads_getvar(const char* sym, struct resbuf* result) {
  if (!sym || !result) return RTERROR;
  auto& vars = db().vars;
  auto it = vars.find(str_upper(sym));
  if (it == vars.end()) return RTERROR;
  const db_grp& g = it->second;
  result->restype = g.code;
  if (g.code == RTSTR) {
      if (!(result->resval.rstring = rb_strdup(g.text()))) return RTERROR;
  } else if (g.code == RTSHORT) {
    result->resval.rint = (short)g.i;
  } else {
    result->resval.rreal = g.v[0];
  }
  return RTNORM;
}

/* Sets a system variable with the editor's type and range checks; RTNORM,
** RTERROR (variable unchanged) for an unknown name, a wrong type or a bad
** value (CLAYER must name an existing layer). */
int ads_setvar(const char* sym, const struct resbuf* val) {
  if (!sym || !val) return RTERROR;
  db_grp g;
  g.code = val->restype;
  switch (val->restype) {
    case RTSTR:
      if (!val->resval.rstring) return RTERROR;
      g.set_text(val->resval.rstring);
      break;
    case RTSHORT: g.i = val->resval.rint; break;
    case RTLONG: g.i = val->resval.rlong; break;
    case RTREAL: case RTANG: case RTORINT:
      if (!std::isfinite(val->resval.rreal)) return RTERROR;
      g.v[0] = val->resval.rreal;
      break;
    default: return RTERROR;
  }
  std::string err;
  int rc = db_setvar(db(), sym, g, err);
  if (rc != RTNORM) host().last_error = err;
  return rc;
}

}  // extern "C"
