/*
** lsv_dxf.cpp: the link store saved with the drawing.
**
** The store travels in a DXF file as extended data of the APPID entry
** "ASE" (the application the store registers in the drawing when it first
** holds something), a flat run of groups after the 1001 "ASE":
**   1000 "LINKSTORE"  1070 format  1071 next link number
**   per link path name:  1000 "LPN"  1000 name  1000 path text
**                        1070 columns, then per column 1000 name,
**                        1000 character set, 1000 locale, 1070 type,
**                        1070 length, 1070 scale, 1070 sub-code, 1070 status
**   per link:            1000 "LINK"  1071 number  1070 kind  1070 flag
**                        1000 entity handle ("" none)  1000 link path name
**                        values of the keys, 1070 mask of lists 7, 8, 9
**                        and the values of each list present
**   values:              1070 count, then per value 1070 result type and
**                        its value (1000 text or handle, 1040 real or three
**                        for a point, 1070 short, 1071 long, none for the
**                        list marks and nil)
** Selections are not saved. Links of erased entities are left out when
** saving; links of entities the file lacks are dropped when reading.
*/
#include "platform/linkstore/linkstore.h"

/* Marker of the store's extended data and the format written. */
static const char *const STORE_MARK = "LINKSTORE";
static const int STORE_FORMAT = 1;
/* Record markers. */
static const char *const LPN_MARK = "LPN";
static const char *const LINK_MARK = "LINK";

/* ---- Writing ---- */

/* Appends the groups of a run of values. */
static void put_values(std::vector<db_grp> &g, const lsv_values &vals) {
  g.push_back(grp_int(1070, (int32_t)vals.size()));
  for (auto &v : vals) {
    g.push_back(grp_int(1070, v.type));
    switch (v.type) {
      case RTSTR: g.push_back(grp_str(1000, v.s)); break;
      case RTREAL: g.push_back(grp_real(1040, v.r[0])); break;
      case RTPOINT: case RT3DPOINT:
        for (int k = 0; k < 3; ++k) g.push_back(grp_real(1040, v.r[k]));
        break;
      case RTSHORT: g.push_back(grp_int(1070, v.l)); break;
      case RTLONG: g.push_back(grp_int(1071, v.l)); break;
      case RTENAME: g.push_back(grp_str(1000, v.h ? handle_text(v.h) : "")); break;
      default: break;
    }
  }
}

/* True when the link is written: its entity is live (or it has none and
** is of kind 2). */
static bool link_saved(const lsv_link &l) {
  return l.entity ? db_entity_find(db(), l.entity, true) != nullptr : l.kind == 2;
}

/* The store's extended data for the APPID entry "ASE"; see linkstore.h. */
bool lsv_dxf_xdata(const std::string &appid, db_xdata &out) {
  const lsv_store &s = lsv_current();
  if (!str_ieq(appid, LSV_APP) || (s.lpns.empty() && s.links.empty())) return false;
  out = db_xdata{LSV_APP, {}};
  std::vector<db_grp> &g = out.items;
  g.push_back(grp_str(1000, STORE_MARK));
  g.push_back(grp_int(1070, STORE_FORMAT));
  g.push_back(grp_int(1071, (int32_t)s.next_link));
  for (auto &l : s.lpns) {
    g.push_back(grp_str(1000, LPN_MARK));
    g.push_back(grp_str(1000, l.name));
    g.push_back(grp_str(1000, l.path.text(false)));
    g.push_back(grp_int(1070, (int32_t)l.keys.size()));
    for (auto &c : l.keys) {
      g.push_back(grp_str(1000, c.name));
      g.push_back(grp_str(1000, c.charset));
      g.push_back(grp_str(1000, c.locale));
      for (int v : {c.type, c.prec, c.scale, c.dtype, c.status}) g.push_back(grp_int(1070, v));
    }
  }
  for (auto &[n, l] : s.links) {
    if (!link_saved(l)) continue;
    g.push_back(grp_str(1000, LINK_MARK));
    g.push_back(grp_int(1071, (int32_t)n));
    g.push_back(grp_int(1070, l.kind));
    g.push_back(grp_int(1070, l.flag));
    g.push_back(grp_str(1000, l.entity ? handle_text(l.entity) : ""));
    g.push_back(grp_str(1000, l.lpn));
    put_values(g, l.keys);
    g.push_back(grp_int(1070, (l.has_extra[0] ? 1 : 0) | (l.has_extra[1] ? 2 : 0) | (l.has_extra[2] ? 4 : 0)));
    for (int k = 0; k < 3; ++k)
      if (l.has_extra[k]) put_values(g, l.extra[k]);
  }
  return true;
}

/* ---- Reading ---- */

/* Store read from the file under way, kept until the file is taken. */
static lsv_store g_read_store;

/* Cursor over the groups of the store's extended data; every getter
** answers false at the end or for a group of another code. */
struct xd_cursor {
  const std::vector<db_grp> &g; /* the groups                             */
  size_t i = 0;                 /* next group                             */
  bool str(std::string &out) {
    if (i >= g.size() || g[i].code != 1000) return false;
    out = g[i++].text();
    return true;
  }
  bool shrt(int &out) {
    if (i >= g.size() || g[i].code != 1070) return false;
    out = g[i++].i;
    return true;
  }
  bool lng(long &out) {
    if (i >= g.size() || g[i].code != 1071) return false;
    out = g[i++].i;
    return true;
  }
  bool real(double &out) {
    if (i >= g.size() || g[i].code != 1040) return false;
    out = g[i++].v[0];
    return true;
  }
  bool done() const { return i >= g.size(); }
};

/* Reads a run of values; false when damaged. */
static bool get_values(xd_cursor &c, lsv_values &out) {
  int n = 0, t = 0;
  if (!c.shrt(n) || n < 0) return false;
  for (int k = 0; k < n; ++k) {
    lsv_value v;
    if (!c.shrt(t)) return false;
    v.type = (short)t;
    std::string h;
    long l = 0;
    switch (t) {
      case RTSTR: if (!c.str(v.s)) return false; break;
      case RTREAL: if (!c.real(v.r[0])) return false; break;
      case RTPOINT: case RT3DPOINT:
        for (int j = 0; j < 3; ++j)
          if (!c.real(v.r[j])) return false;
        break;
      case RTSHORT: if (!c.shrt(t)) return false; v.l = t; break;
      case RTLONG: if (!c.lng(l)) return false; v.l = (int32_t)l; break;
      case RTENAME:
        if (!c.str(h) || (!h.empty() && !handle_parse(h, v.h))) return false;
        break;
      case RTVOID: case RTNIL: case RTT: case RTLB: case RTLE: break;
      default: return false;
    }
    out.push_back(v);
  }
  return true;
}

/* Reads one link path name record (after its marker). */
static bool get_lpn(xd_cursor &c, lsv_store &s) {
  lsv_lpn l;
  std::string path, why;
  int n = 0;
  if (!c.str(l.name) || !lsv_name_valid(l.name) || !c.str(path) || !lsv_path_parse(path, l.path, why) || !c.shrt(n) || n < 1)
    return false;
  for (int k = 0; k < n; ++k) {
    lsv_column col;
    if (!c.str(col.name) || !c.str(col.charset) || !c.str(col.locale)) return false;
    for (int *f : {&col.type, &col.prec, &col.scale, &col.dtype, &col.status})
      if (!c.shrt(*f)) return false;
    l.keys.push_back(col);
  }
  for (auto &o : s.lpns)
    if (str_ieq(o.name, l.name)) return false;
  l.name = str_upper(l.name);
  s.lpns.push_back(std::move(l));
  return true;
}

/* Reads one link record (after its marker); its name must be registered
** and its values fit the key columns. */
static bool get_link(xd_cursor &c, lsv_store &s) {
  lsv_link l;
  std::string ent;
  int mask = 0;
  if (!c.lng(l.number) || l.number < 1 || l.number >= s.next_link || s.links.count(l.number)) return false;
  if (!c.shrt(l.kind) || (l.kind != 1 && l.kind != 2) || !c.shrt(l.flag) || !c.str(ent) || !c.str(l.lpn)) return false;
  if (ent.empty() ? l.kind == 1 : !handle_parse(ent, l.entity)) return false;
  const lsv_lpn *lpn = nullptr;
  for (auto &o : s.lpns)
    if (str_ieq(o.name, l.lpn)) lpn = &o;
  lsv_error err;
  if (!lpn || !get_values(c, l.keys) || !lsv_keys_fit(*lpn, l.keys, err) || !c.shrt(mask) || mask < 0 || mask > 7)
    return false;
  for (int k = 0; k < 3; ++k)
    if (mask & (1 << k)) {
      if (l.kind != 2 || !get_values(c, l.extra[k])) return false;
      l.has_extra[k] = true;
    }
  lsv_link_put(s, l);
  return true;
}

/* A file is about to be read. */
void lsv_dxf_begin() { g_read_store = lsv_store(); }

/* Decodes the store from the APPID entry "ASE"; see linkstore.h. Extended
** data of that entry without the store's marker is not the store's. */
bool lsv_dxf_read(const std::string &appid, const std::vector<db_xdata> &xdata) {
  if (!str_ieq(appid, LSV_APP)) return true;
  for (auto &x : xdata) {
    if (!str_ieq(x.app, LSV_APP)) continue;
    xd_cursor c{x.items};
    std::string mark, rec;
    int format = 0;
    if (!c.str(mark) || mark != STORE_MARK) continue;
    lsv_store s;
    if (!c.shrt(format) || format != STORE_FORMAT || !c.lng(s.next_link) || s.next_link < 1) return false;
    while (!c.done()) {
      if (!c.str(rec)) return false;
      if (rec == LPN_MARK ? !get_lpn(c, s) : rec == LINK_MARK ? !get_link(c, s) : true) return false;
    }
    g_read_store = std::move(s);
  }
  return true;
}

/* The file read is the current drawing now; see linkstore.h. */
void lsv_dxf_opened() {
  lsv_current() = std::move(g_read_store);
  g_read_store = lsv_store();
  lsv_store_drop_orphans();
}
