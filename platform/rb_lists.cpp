/*
** rb_lists.cpp: result buffers and the conversions between result-buffer
** chains and the drawing's groups.
**
** ads_newrb, ads_relrb and ads_buildlist; the kind of value each DXF group
** code carries; the small text helpers (case, wildcards, handles, points)
** that the other platform files share.
**
**   struct resbuf *l = ads_buildlist(RTDXF0, "CIRCLE", 10, c, 40, 2.0, 0);
*/
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

#include "drawing_db.h"

/* Kind of value of a DXF group code (entity lists, xdata, tables). */
db_kind db_kind_of(int code) {
  if (code == -1 || code == -2) return DBK_ENAME;
  if (code == -3) return DBK_NONE;
  if (code == -4) return DBK_STR; /* relational operator of a filter */
  if (code >= 0 && code <= 9) return DBK_STR;
  if (code >= 10 && code <= 39) return DBK_POINT;
  if (code >= 40 && code <= 59) return DBK_REAL;
  if (code >= 60 && code <= 79) return DBK_SHORT;
  if (code >= 90 && code <= 99) return DBK_LONG;
  if (code >= 100 && code <= 105) return DBK_STR;
  if (code >= 110 && code <= 139) return DBK_POINT;
  if (code >= 140 && code <= 149) return DBK_REAL;
  if (code >= 170 && code <= 179) return DBK_SHORT;
  if (code >= 210 && code <= 239) return DBK_POINT;
  if (code >= 270 && code <= 289) return DBK_SHORT;
  if (code >= 290 && code <= 299) return DBK_SHORT;
  if (code >= 300 && code <= 309) return DBK_STR;
  if (code >= 310 && code <= 319) return DBK_BINARY;
  if (code >= 320 && code <= 369) return DBK_ENAME;
  if (code >= 370 && code <= 389) return DBK_SHORT;
  if (code >= 390 && code <= 399) return DBK_ENAME;
  if (code >= 400 && code <= 409) return DBK_SHORT;
  if (code >= 410 && code <= 419) return DBK_STR;
  if (code >= 420 && code <= 429) return DBK_LONG;
  if (code >= 430 && code <= 439) return DBK_STR;
  if (code >= 440 && code <= 459) return DBK_LONG;
  if (code >= 460 && code <= 469) return DBK_REAL;
  if (code >= 470 && code <= 479) return DBK_STR;
  if (code >= 480 && code <= 481) return DBK_ENAME;
  if (code == 999) return DBK_STR;
  if (code >= 1000 && code <= 1003) return DBK_STR;
  if (code == 1004) return DBK_BINARY;
  if (code == 1005) return DBK_STR;
  if (code >= 1010 && code <= 1013) return DBK_POINT;
  if (code >= 1040 && code <= 1042) return DBK_REAL;
  if (code == 1070) return DBK_SHORT;
  if (code == 1071) return DBK_LONG;
  return DBK_BAD;
}

/* ---- A group's value ---- */

db_grp::db_grp(const db_grp &o) : code(o.code), heap_(0), n_(0), v{o.v[0], o.v[1], o.v[2]}
{
    if (o.heap_)
        set_text(o.str());
    else
        n_ = o.n_;
}

db_grp::db_grp(db_grp &&o) noexcept : code(o.code), heap_(o.heap_), n_(o.n_), v{o.v[0], o.v[1], o.v[2]}
{
    o.heap_ = 0;
    o.n_ = 0;
}

db_grp &db_grp::operator=(const db_grp &o)
{
    if (this != &o) *this = db_grp(o);
    return *this;
}

db_grp &db_grp::operator=(db_grp &&o) noexcept
{
    if (this != &o) {
        if (heap_) std::free(out_);
        code = o.code;
        heap_ = o.heap_;
        n_ = o.n_;
        std::memcpy(v, o.v, sizeof v);
        o.heap_ = 0;
        o.n_ = 0;
    }
    return *this;
}

/* The text is copied before the old one goes: t may be part of it. */
void db_grp::set_text(std::string_view t)
{
    char *p = nullptr;
    char small[DB_GRP_INLINE + 1];
    if (t.size() > DB_GRP_INLINE) {
        p = (char *)std::malloc(t.size() + 1);
        if (!p) throw std::bad_alloc();
        std::memcpy(p, t.data(), t.size());
        p[t.size()] = 0;
    } else {
        std::memcpy(small, t.data(), t.size());
    }
    if (heap_) std::free(out_);
    heap_ = p != nullptr;
    n_ = (uint32_t)t.size();
    if (p) {
        out_ = p;
    } else {
        std::memcpy(in_, small, t.size());
        in_[t.size()] = 0;
    }
}

/* Makers of single groups. */
db_grp grp_str(int code, const std::string &s)
{
    db_grp g;
    g.code = (short)code;
    g.set_text(s);
    return g;
}
db_grp grp_real(int code, double r) { db_grp g; g.code = (short)code; g.v[0] = r; return g; }
db_grp grp_pt(int code, const double p[3]) {
  db_grp g; g.code = (short)code; g.v[0] = p[0]; g.v[1] = p[1]; g.v[2] = p[2]; return g;
}
db_grp grp_int(int code, int32_t i) { db_grp g; g.code = (short)code; g.i = i; return g; }

/* Case helpers (ASCII). */
std::string str_upper(std::string s) {
  for (char& c : s) c = (char)std::toupper((unsigned char)c);
  return s;
}
std::string str_lower(std::string s) {
  for (char& c : s) c = (char)std::tolower((unsigned char)c);
  return s;
}
bool str_ieq(const std::string& a, const std::string& b) { return str_upper(a) == str_upper(b); }

/* Matches one wildcard alternative: '*' any run, '?' one character,
** '#' a digit, '@' a letter, '`' escapes the next character. */
static bool wc_one(const char* t, const char* p) {
  for (; *p; ++p) {
    if (*p == '*') {
      for (const char* s = t;; ++s) {
        if (wc_one(s, p + 1)) return true;
        if (!*s) return false;
      }
    }
    if (!*t) return false;
    char pc = *p;
    if (pc == '`' && p[1]) pc = *++p;
    else if (pc == '?') { ++t; continue; }
    else if (pc == '#') { if (!std::isdigit((unsigned char)*t)) return false; ++t; continue; }
    else if (pc == '@') { if (!std::isalpha((unsigned char)*t)) return false; ++t; continue; }
    if (std::toupper((unsigned char)pc) != std::toupper((unsigned char)*t)) return false;
    ++t;
  }
  return *t == 0;
}

/* True when text matches the pattern: alternatives separated by ',', an
** alternative beginning with '~' matches what it does not match. */
bool wc_match(const std::string& text, const std::string& pattern) {
  size_t start = 0;
  while (start <= pattern.size()) {
    size_t comma = pattern.find(',', start);
    std::string alt = pattern.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    bool neg = !alt.empty() && alt[0] == '~';
    if (neg) alt.erase(0, 1);
    if (wc_one(text.c_str(), alt.c_str()) != neg) return true;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return false;
}

/* Handle as upper-case hexadecimal text. */
std::string handle_text(unsigned long h) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "%lX", h);
  return buf;
}

/* Parses a hexadecimal handle; false for an empty or non-hex text. */
bool handle_parse(const std::string& s, unsigned long& h) {
  if (s.empty() || s.size() > 16) return false;
  for (char c : s)
    if (!std::isxdigit((unsigned char)c)) return false;
  h = std::strtoul(s.c_str(), nullptr, 16);
  return h != 0;
}

/* Parses one real; the whole text must be a number. */
bool parse_real(const std::string& s, double& out) {
  const char* b = s.c_str();
  while (std::isspace((unsigned char)*b)) ++b;
  if (!*b) return false;
  char* end = nullptr;
  double v = std::strtod(b, &end);
  while (end && std::isspace((unsigned char)*end)) ++end;
  if (!end || *end || !std::isfinite(v)) return false;
  out = v;
  return true;
}

/* Parses "x,y[,z]", or "@dx,dy[,dz]" relative to base; z defaults to the
** base's z (0 without base). */
bool parse_point(const std::string& text, const double* base, double out[3]) {
  std::string s = text;
  bool rel = !s.empty() && s[0] == '@';
  if (rel) {
    if (!base) return false;
    s.erase(0, 1);
  }
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t comma = s.find(',', start);
    parts.push_back(s.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (parts.size() < 2 || parts.size() > 3) return false;
  double v[3] = {0, 0, 0};
  int n = (int)parts.size();
  for (int k = 0; k < n; ++k)
    if (!parse_real(parts[k], v[k])) return false;
  if (n == 2) v[2] = rel ? 0.0 : (base ? base[2] : 0.0);
  for (int k = 0; k < 3; ++k) out[k] = rel ? base[k] + v[k] : v[k];
  return true;
}

/* Heap copy of a text for a result buffer (freed by ads_relrb); NULL
** without memory. */
char* rb_strdup(const std::string& s) {
  char* p = (char*)std::malloc(s.size() + 1);
  if (p) std::memcpy(p, s.c_str(), s.size() + 1);
  return p;
}

/* Kind of value a result buffer of this type holds (RT codes first). */
static db_kind rb_kind(int restype) {
  switch (restype) {
    case RTREAL: case RTANG: case RTORINT: return DBK_REAL;
    case RTPOINT: case RT3DPOINT: return DBK_POINT;
    case RTSHORT: return DBK_SHORT;
    case RTSTR: return DBK_STR;
    case RTENAME: case RTPICKS: return DBK_ENAME;
    case RTLONG: return DBK_LONG;
    case RTVOID: case RTLB: case RTLE: case RTDOTE: case RTNIL: case RTT: case RTNONE: return DBK_NONE;
    case RTDXF0: return DBK_STR;
    default: return db_kind_of(restype);
  }
}

/* Allocates one zeroed result buffer of type v; NULL without memory. */
struct resbuf* ads_newrb(int v) {
  struct resbuf* rb = (struct resbuf*)std::calloc(1, sizeof(struct resbuf));
  if (rb) rb->restype = (short)v;
  return rb;
}

/* Releases a chain with the texts and binary chunks it owns; RTNORM. */
int ads_relrb(struct resbuf* rb) {
  while (rb) {
    struct resbuf* next = rb->rbnext;
    db_kind k = rb_kind(rb->restype);
    if (k == DBK_STR) std::free(rb->resval.rstring);
    if (k == DBK_BINARY) std::free(rb->resval.rbinary.buf);
    std::free(rb);
    rb = next;
  }
  return RTNORM;
}

/* Builds a chain from (type, value) pairs ending with 0; RTDXF0 stands
** for group 0. Answers NULL for an unknown type, a null text or no
** memory (nothing is leaked). */
struct resbuf* ads_buildlist(int rtype, ...) {
  va_list ap;
  va_start(ap, rtype);
  struct resbuf *head = nullptr, *tail = nullptr;
  bool ok = true;
  for (int t = rtype; t != 0 && ok; t = va_arg(ap, int)) {
    db_kind k = rb_kind(t);
    struct resbuf* rb = ads_newrb(t == RTDXF0 ? 0 : t);
    if (!rb || k == DBK_BAD) { std::free(rb); ok = false; break; }
    switch (k) {
      case DBK_REAL: rb->resval.rreal = va_arg(ap, double); break;
      case DBK_POINT: {
        const double* p = va_arg(ap, const double*);
        if (!p) { ok = false; break; }
        rb->resval.rpoint[0] = p[0]; rb->resval.rpoint[1] = p[1];
        rb->resval.rpoint[2] = (t == RTPOINT) ? 0.0 : p[2];
        break;
      }
      case DBK_SHORT: rb->resval.rint = (short)va_arg(ap, int); break;
      case DBK_LONG: rb->resval.rlong = (int32_t)va_arg(ap, int); break;
      case DBK_STR: {
        const char* s = va_arg(ap, const char*);
        if (!s || !(rb->resval.rstring = rb_strdup(s))) ok = false;
        break;
      }
      case DBK_ENAME: {
        const long* n = va_arg(ap, const long*);
        if (!n) { ok = false; break; }
        rb->resval.rlname[0] = n[0]; rb->resval.rlname[1] = n[1];
        break;
      }
      case DBK_BINARY: {
        const struct ads_binary* b = va_arg(ap, const struct ads_binary*);
        if (!b || b->clen < 0) { ok = false; break; }
        rb->resval.rbinary.clen = b->clen;
        rb->resval.rbinary.buf = (char*)std::malloc(b->clen ? b->clen : 1);
        if (!rb->resval.rbinary.buf) { ok = false; break; }
        if (b->clen) std::memcpy(rb->resval.rbinary.buf, b->buf, b->clen);
        break;
      }
      default: break;
    }
    if (tail) tail->rbnext = rb; else head = rb;
    tail = rb;
  }
  va_end(ap);
  if (!ok) { ads_relrb(head); return nullptr; }
  return head;
}

/* Fills a name: {id, tag}, or {0, 0} for no id. */
void name_set(long n[2], unsigned long id, long tag) {
  n[0] = (long)id;
  n[1] = id ? tag : 0;
}

/* Makes a result buffer of one group (its code as type). */
struct resbuf* db_grp_to_rb(const db_grp& g) {
  struct resbuf* rb = ads_newrb(g.code);
  if (!rb) return nullptr;
  switch (db_kind_of(g.code)) {
    case DBK_STR:
        if (!(rb->resval.rstring = rb_strdup(g.text()))) {
            std::free(rb);
            return nullptr;
        }
      break;
    case DBK_REAL: rb->resval.rreal = g.v[0]; break;
    case DBK_POINT: for (int k = 0; k < 3; ++k) rb->resval.rpoint[k] = g.v[k]; break;
    case DBK_SHORT: rb->resval.rint = (short)g.i; break;
    case DBK_LONG: rb->resval.rlong = g.i; break;
    case DBK_ENAME: name_set(rb->resval.rlname, g.h, NAME_ENT); break;
    case DBK_BINARY:
        rb->resval.rbinary.clen = (short)g.size();
        rb->resval.rbinary.buf = (char *)std::malloc(g.size() + 1);
        if (!rb->resval.rbinary.buf) {
            std::free(rb);
            return nullptr;
        }
        std::memcpy(rb->resval.rbinary.buf, g.c_str(), g.size());
        break;
    default: break;
  }
  return rb;
}

/* Largest number of extended-data bytes an entity may carry. */
static const size_t XDATA_MAX_BYTES = 16383;
/* Longest text of one extended-data string. */
static const size_t XDATA_STRING_MAX = 255;

/* Whether a group ahead of the extended data is kept among an entity's
** groups: its name, type, handle, subclass markers, owners and
** references are not. */
static bool db_group_kept(int code) {
  return code != -1 && code != 0 && code != 5 && code != 100 && code != 102 && code != -2 &&
         !(code >= 320 && code <= 369);
}

/* Converts a chain into the groups of an entity list. The entity name
** (-1) goes to ename, group 0 to type; -3 starts extended data, whose
** applications must be registered. Handles (5), owners (330) and subclass
** markers (100) are ignored as the editor ignores them. */
bool db_list_parse(const struct resbuf* rb, std::string& type, std::vector<db_grp>& groups,
                   std::vector<db_xdata>& xdata, bool& has_xdata, unsigned long& ename,
                   std::string& err) {
  type.clear(); groups.clear(); xdata.clear(); has_xdata = false; ename = 0;
  /* Room for every group ahead of the extended data at once, not grown
  ** group by group: an entity made or changed costs one allocation. */
  size_t ahead = 0;
  for (const struct resbuf* c = rb; c && c->restype != -3; c = c->rbnext) ahead += db_group_kept(c->restype);
  groups.reserve(ahead);
  bool in_x = false;
  size_t xbytes = 0;
  int depth = 0;
  for (; rb; rb = rb->rbnext) {
    int code = rb->restype;
    db_kind k = db_kind_of(code);
    if (k == DBK_BAD || code == -4) { err = "invalid group code " + std::to_string(code); return false; }
    db_grp g;
    g.code = (short)code;
    switch (k) {
      case DBK_STR:
        if (!rb->resval.rstring) { err = "null text in group " + std::to_string(code); return false; }
        g.set_text(rb->resval.rstring);
        break;
      case DBK_REAL:
        if (!std::isfinite(rb->resval.rreal)) { err = "bad real in group " + std::to_string(code); return false; }
        g.v[0] = rb->resval.rreal; break;
      case DBK_POINT:
        for (int j = 0; j < 3; ++j) {
          if (!std::isfinite(rb->resval.rpoint[j])) { err = "bad point in group " + std::to_string(code); return false; }
          g.v[j] = rb->resval.rpoint[j];
        }
        break;
      case DBK_SHORT: g.i = rb->resval.rint; break;
      case DBK_LONG: g.i = rb->resval.rlong; break;
      case DBK_ENAME: g.h = (unsigned long)rb->resval.rlname[0]; break;
      case DBK_BINARY:
        if (rb->resval.rbinary.clen < 0 || (rb->resval.rbinary.clen && !rb->resval.rbinary.buf)) {
          err = "bad binary chunk"; return false;
        }
        g.set_text(
            std::string_view(rb->resval.rbinary.buf ? rb->resval.rbinary.buf : "", (size_t)rb->resval.rbinary.clen));
        break;
      default: break;
    }
    if (code == -3) { in_x = true; has_xdata = true; continue; }
    if (in_x) {
      if (code == 1001) {
          if (!db_table_find(db(), "APPID", g.text())) {
              err = "application not registered: " + g.text();
              return false;
          }
        for (auto& x : xdata)
            if (str_ieq(x.app, g.text())) {
                err = "application given twice: " + g.text();
                return false;
            }
        xdata.push_back(db_xdata{str_upper(g.text()), {}});
        size_t items = 0;
        for (const struct resbuf* c = rb->rbnext; c && c->restype != 1001; c = c->rbnext) ++items;
        xdata.back().items.reserve(items);
        continue;
      }
      if (code < 1000 || xdata.empty()) {
        err = "group " + std::to_string(code) + " inside extended data"; return false;
      }
      if (k == DBK_STR && g.size() > XDATA_STRING_MAX) {
          err = "extended-data string too long";
          return false;
      }
      if (code == 1002) {
          if (g.str() == "{")
              ++depth;
          else if (g.str() == "}" && depth > 0)
              --depth;
          else {
              err = "unbalanced braces in extended data";
              return false;
          }
      }
      xbytes += (k == DBK_STR || k == DBK_BINARY) ? g.size() + 2 : (k == DBK_POINT ? 24 : 8);
      if (xbytes > XDATA_MAX_BYTES) { err = "too much extended data"; return false; }
      xdata.back().items.push_back(std::move(g));
      continue;
    }
    if (code >= 1000) { err = "extended data without -3"; return false; }
    if (code == -1) {
      if (rb->resval.rlname[1] != NAME_ENT) { err = "-1 is not an entity name"; return false; }
      ename = g.h;
      continue;
    }
    if (code == 0) {
        type = str_upper(g.text());
        continue;
    }
    if (!db_group_kept(code)) continue;
    groups.push_back(std::move(g));
  }
  if (depth != 0) { err = "unbalanced braces in extended data"; return false; }
  return true;
}

/* Makes the list of an entity: (-1 name) (0 type) (5 handle) groups, then
** the extended data of the applications matching apps (none when null). */
struct resbuf* db_entity_list(const db_entity& e, const std::vector<std::string>* apps) {
  /* Each group goes straight into the chain, no copy of the entity made. */
  struct resbuf *head = nullptr, *tail = nullptr;
  bool ok = true;
  auto add = [&](const db_grp& g) {
    struct resbuf* rb = ok ? db_grp_to_rb(g) : nullptr;
    ok = rb != nullptr;
    if (rb) {
      (tail ? tail->rbnext : head) = rb;
      tail = rb;
    }
  };
  /* A text group made from its text, without a group to copy it from. */
  auto add_text = [&](int code, const std::string& s) {
    struct resbuf* rb = ok ? ads_newrb(code) : nullptr;
    if (rb && !(rb->resval.rstring = rb_strdup(s))) { std::free(rb); rb = nullptr; }
    ok = rb != nullptr;
    if (rb) {
      (tail ? tail->rbnext : head) = rb;
      tail = rb;
    }
  };
  db_grp n; n.code = -1; n.h = e.handle; add(n);
  add_text(0, e.type);
  add_text(5, handle_text(e.handle));
  for (auto& g : e.groups) add(g);
  bool marker = false;
  if (apps) {
    for (auto& x : e.xdata) {
      bool want = false;
      for (auto& a : *apps) want = want || wc_match(x.app, a);
      if (!want) continue;
      if (!marker) { db_grp m; m.code = -3; add(m); marker = true; }
      add_text(1001, x.app);
      for (auto& g : x.items) add(g);
    }
  }
  if (ok) return head;
  ads_relrb(head);
  return nullptr;
}

/* Makes the chain of a group list in order; NULL without memory (nothing
** is left behind). */
struct resbuf* db_grps_to_chain(const std::vector<db_grp>& groups) {
  struct resbuf *head = nullptr, *tail = nullptr;
  for (const db_grp& g : groups) {
    struct resbuf* rb = db_grp_to_rb(g);
    if (!rb) { ads_relrb(head); return nullptr; }
    (tail ? tail->rbnext : head) = rb;
    tail = rb;
  }
  return head;
}

/* Copies a chain with its texts and binary chunks; NULL without memory. */
struct resbuf* rb_copy_chain(const struct resbuf* rb) {
  struct resbuf *head = nullptr, *tail = nullptr;
  for (; rb; rb = rb->rbnext) {
    struct resbuf* c = ads_newrb(rb->restype);
    if (!c) { ads_relrb(head); return nullptr; }
    c->resval = rb->resval;
    db_kind k = rb_kind(rb->restype);
    if (k == DBK_STR) {
      c->resval.rstring = rb->resval.rstring ? rb_strdup(rb->resval.rstring) : nullptr;
      if (rb->resval.rstring && !c->resval.rstring) { std::free(c); ads_relrb(head); return nullptr; }
    } else if (k == DBK_BINARY) {
      short n = rb->resval.rbinary.clen > 0 ? rb->resval.rbinary.clen : 0;
      c->resval.rbinary.buf = (char*)std::malloc(n + 1);
      if (!c->resval.rbinary.buf) { std::free(c); ads_relrb(head); return nullptr; }
      if (n && rb->resval.rbinary.buf) std::memcpy(c->resval.rbinary.buf, rb->resval.rbinary.buf, n);
    }
    (tail ? tail->rbnext : head) = c;
    tail = c;
  }
  return head;
}
