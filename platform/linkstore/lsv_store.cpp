/*
** lsv_store.cpp: the link store of the current drawing: path texts, the
** registered link path names, the links and their key values.
**
** A path text names a table as "ENV.CAT.SCHEMA.TABLE(LPN)": parts joined
** by dots (a missing part keeps its dot), an optional link path name in
** parentheses. Unquoted names are kept upper-cased, a name in double
** quotes exactly as written, "*" stands for any name. A registered link
** path name belongs to one path (environment to table) and lists the key
** columns of that table; a link ties an entity to one row of it by the
** values of those key columns.
**
**   lsv_path g;  std::string err;
**   lsv_path_parse("DB3", g, err);   // every path of the environment DB3
*/
#include <algorithm>
#include <cmath>
#include <iterator>

#include "platform/linkstore/linkstore.h"

/* The store of the current drawing. */
lsv_store &lsv_current() {
  static lsv_store store;
  return store;
}

/* A new drawing has an empty store. */
void lsv_store_reset() { lsv_current() = lsv_store(); }

/* ---- Path texts ---- */

/* Index of the first non-blank character at or after i. */
static size_t skip_blanks(const std::string &s, size_t i) {
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  return i;
}

/* Text without blanks at both ends. */
static std::string trimmed(const std::string &s) {
  size_t a = skip_blanks(s, 0), b = s.size();
  while (b > a && (s[b - 1] == ' ' || s[b - 1] == '\t')) --b;
  return s.substr(a, b - a);
}

/* Reads the link path name in parentheses at text[i] == '('; false with
** err for a missing ')', an empty or invalid name, or text after it. */
static bool parse_lpn(const std::string &text, size_t i, lsv_path &out, std::string &err) {
  size_t close = text.find(')', i + 1);
  if (close == std::string::npos) {
    err = "missing ')' in \"" + text + "\"";
    return false;
  }
  std::string name = trimmed(text.substr(i + 1, close - i - 1));
  if (name.empty()) {
    err = "empty link path name in \"" + text + "\"";
    return false;
  }
  if (name != "*" && !lsv_name_valid(name)) {
    err = "invalid link path name \"" + name + "\"";
    return false;
  }
  size_t rest = skip_blanks(text, close + 1);
  if (rest < text.size()) {
    err = std::string("unexpected '") + text[rest] + "' in \"" + text + "\"";
    return false;
  }
  out.part[4] = str_upper(name);
  return true;
}

/* Reads a path text into its parts; see linkstore.h. */
bool lsv_path_parse(const std::string &text, lsv_path &out, std::string &err) {
  out = lsv_path();
  /* A NUL would end the name early wherever it is read as a C text. */
  if (text.find('\0') != std::string::npos) {
    err = "NUL character in \"" + text.substr(0, text.find('\0')) + "\"";
    return false;
  }
  if (text.size() > LSV_PATH_TEXT_MAX) {
    err = "path text longer than " + std::to_string(LSV_PATH_TEXT_MAX) + " characters";
    return false;
  }
  size_t i = skip_blanks(text, 0);
  for (int k = 0; k < 4 && i < text.size(); ++k) {
    i = skip_blanks(text, i);
    if (i < text.size() && text[i] == '(') return parse_lpn(text, i, out, err);
    std::string name;
    if (i < text.size() && text[i] == '"') {
      if (k == 0) {
        err = "unexpected '\"' in \"" + text + "\"";
        return false;
      }
      size_t close = text.find('"', i + 1);
      if (close == std::string::npos) {
        err = "missing '\"' in \"" + text + "\"";
        return false;
      }
      name = text.substr(i, close - i + 1);
      i = skip_blanks(text, close + 1);
    } else {
      size_t end = i;
      while (end < text.size() && text[end] != '.' && text[end] != '(') ++end;
      name = trimmed(text.substr(i, end - i));
      for (char c : name)
        if (c == ' ' || c == '\t' || c == '"' || c == ')') {
          err = std::string("unexpected '") + c + "' in \"" + text + "\"";
          return false;
        }
      if (name != "*") name = str_upper(name);
      i = end;
    }
    out.part[k] = name;
    if (!name.empty()) out.level = k + 1;
    if (i >= text.size()) break;
    if (text[i] == '(') return parse_lpn(text, i, out, err);
    if (text[i] != '.' || k == 3) {
      err = std::string("unexpected '") + text[i] + "' in \"" + text + "\"";
      return false;
    }
    ++i;
  }
  return true;
}

/* The path text; parts up to the level, all four before a link path name. */
std::string lsv_path::text(bool with_lpn) const {
  bool lpn = with_lpn && !part[4].empty();
  int upto = lpn ? 4 : level;
  std::string t;
  for (int k = 0; k < upto; ++k) {
    if (k) t += '.';
    t += part[k];
  }
  if (lpn) t += "(" + part[4] + ")";
  return t;
}

/* See linkstore.h. */
bool lsv_path_within(const lsv_path &g, const lsv_path &p, const std::string &lpn) {
  for (int k = 0; k < g.level; ++k) {
    const std::string &a = g.part[k], &b = p.part[k];
    if (a == "*" || b == "*") continue;
    if (a != b) return false;
  }
  const std::string &want = g.part[4];
  return want.empty() || want == "*" || str_ieq(want, lpn);
}

/* The editor's symbol-name rule, a bar allowed inside. */
bool lsv_name_valid(const std::string &name) { return db_name_valid(name, true); }

/* ---- Registered names ---- */

/* The registered link path name of any case, or nullptr. */
lsv_lpn *lsv_find_lpn(const std::string &name) {
  for (auto &l : lsv_current().lpns)
    if (str_ieq(l.name, name)) return &l;
  return nullptr;
}

/* The drawing registers the application the store is saved under. */
void lsv_store_register_app() {
  if (!db_table_find(db(), "APPID", LSV_APP)) ads_regapp(LSV_APP);
}

/* ---- Links ---- */

/* Takes a link's number out of its entity's list. */
static void unindex(lsv_store &s, const lsv_link &l) {
  auto e = s.by_entity.find(l.entity);
  if (e == s.by_entity.end()) return;
  e->second.erase(l.number);
  if (e->second.empty()) s.by_entity.erase(e);
}

void lsv_link_put(lsv_store &s, const lsv_link &l) {
  auto it = s.links.find(l.number);
  if (it != s.links.end()) unindex(s, it->second);
  s.links[l.number] = l;
  if (l.entity) s.by_entity[l.entity].insert(l.number);
}

std::map<long, lsv_link>::iterator lsv_link_erase(lsv_store &s, std::map<long, lsv_link>::iterator it) {
  unindex(s, it->second);
  return s.links.erase(it);
}

const std::set<long> *lsv_links_of(const lsv_store &s, unsigned long entity) {
  auto e = s.by_entity.find(entity);
  return e == s.by_entity.end() ? nullptr : &e->second;
}

/* Drops links of entities the drawing lacks (or kind-1 links without
** entity) and every reference to them. */
void lsv_store_drop_orphans() {
  lsv_store &s = lsv_current();
  for (auto it = s.links.begin(); it != s.links.end();) {
    const lsv_link &l = it->second;
    bool keep = l.entity ? db_entity_find(db(), l.entity, true) != nullptr : l.kind == 2;
    it = keep ? std::next(it) : lsv_link_erase(s, it);
  }
  for (auto &sel : s.selections) {
    auto &v = sel.second;
    v.erase(std::remove_if(v.begin(), v.end(), [&](long n) { return !s.links.count(n); }), v.end());
  }
}

/* ---- Values ---- */

/* True for the numeric result types. */
static bool is_number(short t) { return t == RTREAL || t == RTSHORT || t == RTLONG; }

/* A numeric value as a double. */
static double number_of(const lsv_value &v) { return v.type == RTREAL ? v.r[0] : (double)v.l; }

/* Takes one chain element; see linkstore.h. An entity name must name an
** entity of the drawing ({0,0} is kept as no entity). */
bool lsv_value_from_rb(const struct resbuf *rb, lsv_value &out) {
  out = lsv_value();
  out.type = rb->restype;
  switch (rb->restype) {
    case RTSTR:
      if (!rb->resval.rstring) return false;
      out.s = rb->resval.rstring;
      return true;
    case RTREAL: out.r[0] = rb->resval.rreal; return true;
    case RTSHORT: out.l = rb->resval.rint; return true;
    case RTLONG: out.l = rb->resval.rlong; return true;
    case RTPOINT: case RT3DPOINT:
      for (int k = 0; k < 3; ++k) out.r[k] = rb->resval.rpoint[k];
      if (rb->restype == RTPOINT) out.r[2] = 0;
      return true;
    case RTENAME:
      if (rb->resval.rlname[0] == 0 && rb->resval.rlname[1] == 0) return true;
      if (!name_entity(rb->resval.rlname, false)) return false;
      out.h = (unsigned long)rb->resval.rlname[0];
      return true;
    case RTVOID: case RTNIL: case RTT: case RTLB: case RTLE: return true;
    default: return false;
  }
}

/* A result-buffer element of a value; nullptr without memory. */
struct resbuf *lsv_value_to_rb(const lsv_value &v) {
  struct resbuf *rb = ads_newrb(v.type);
  if (!rb) return nullptr;
  switch (v.type) {
    case RTSTR:
      if (!(rb->resval.rstring = rb_strdup(v.s))) { ads_relrb(rb); return nullptr; }
      break;
    case RTREAL: rb->resval.rreal = v.r[0]; break;
    case RTSHORT: rb->resval.rint = (short)v.l; break;
    case RTLONG: rb->resval.rlong = v.l; break;
    case RTPOINT: case RT3DPOINT:
      for (int k = 0; k < 3; ++k) rb->resval.rpoint[k] = v.r[k];
      break;
    case RTENAME: name_set(rb->resval.rlname, v.h, NAME_ENT); break;
    default: break;
  }
  return rb;
}

/* Numbers by value, texts exactly, names by handle, points by coordinates. */
bool lsv_value_equal(const lsv_value &a, const lsv_value &b) {
  if (is_number(a.type) && is_number(b.type)) return number_of(a) == number_of(b);
  if (a.type != b.type) return false;
  switch (a.type) {
    case RTSTR: return a.s == b.s;
    case RTENAME: return a.h == b.h;
    case RTPOINT: case RT3DPOINT: return a.r[0] == b.r[0] && a.r[1] == b.r[1] && a.r[2] == b.r[2];
    default: return true;
  }
}

/* SQL type codes whose values travel as texts. */
static bool text_type(int t) { return t == 1 || t == 9 || t == 10 || t == 12 || t == 14 || t == 15; }
/* SQL type codes of approximate and decimal numbers. */
static bool real_type(int t) { return t == 2 || t == 3 || t == 6 || t == 7 || t == 8; }
/* SQL type codes of integers. */
static bool integer_type(int t) { return t == 4 || t == 5; }

/* One value per key column, none null, each of a type that carries the
** column's SQL type; false with err naming the first that does not. */
bool lsv_keys_fit(const lsv_lpn &lpn, const lsv_values &keys, lsv_error &err) {
  err.code = LSV_ERR_ARGS;
  if (keys.size() != lpn.keys.size()) {
    err.text = "Link path name " + lpn.name + " has " + std::to_string(lpn.keys.size()) + " key columns, the link gives " +
               std::to_string(keys.size()) + " values";
    return false;
  }
  for (size_t i = 0; i < keys.size(); ++i) {
    const lsv_value &v = keys[i];
    const lsv_column &c = lpn.keys[i];
    bool ok;
    if (v.type != RTSTR && !is_number(v.type)) ok = false;
    else if (text_type(c.type)) ok = v.type == RTSTR;
    else if (real_type(c.type)) ok = is_number(v.type);
    else if (integer_type(c.type)) ok = v.type != RTSTR && number_of(v) == std::floor(number_of(v));
    else ok = true;
    if (!ok) {
      err.text = "Key value " + std::to_string(i + 1) + " (column " + c.name + ") of link path name " + lpn.name +
                 (v.type == RTVOID || v.type == RTNIL ? " is null" : " has the wrong type");
      return false;
    }
  }
  err = lsv_error();
  return true;
}
