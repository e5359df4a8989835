/*
** lsv_service.cpp: the registry object "Ase_Class" of the link-store
** service and the requests it answers for the current drawing's store.
**
** Requests served (arguments -> reply; a failure replies RTNIL and leaves
** an error item for request 63):
**    1  none -> code page name, host text            (connect)
**   64  none -> T                                    (connected)
**   65  none -> T                                    (disconnect)
**   63  the last request's arguments -> its error items, or no reply
**   10  path text -> status word (flag 2 names within, flag 8 refused)
**   13  path text -> its canonical text, status 0    (resolve a name)
**   12  path text -> the link path names within it
**   20  path to table, link path name, key columns -> status word
**   32  link attribute list -> the link as stored    (write a link)
**   34  selection filter or none -> selection number (select links)
**   47  selection number -> T                        (erase its links)
**   48  selection number -> T                        (release it)
** A reply stays the service's until ASE_SVC_REPLY_KEEP further requests.
** The service records every call for the tests (ase_service.h).
**
**   host_register_arx_app("ase", ase_service_load);
**   ads_arxload("ase");   // registers "Ase_Services" and "Ase_Class"
*/
#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <sstream>
#include <unordered_set>

#include "ase_service.h"
#include "platform/linkstore/linkstore.h"

/* Names under which the service is registered. */
static const char *const SVC_SERVICE = "Ase_Services";
static const char *const SVC_OBJECT = "Ase_Class";
/* Class record of the service object. */
static const char *const SVC_CLASS = "CAseStoreObj";
/* Native condition code of the service's error items. */
static const double SVC_NATIVE_CODE = 57345.0; /* 0xE001 */
/* Item ids of an error item: category, code, message text. */
enum { ITEM_CATEGORY = 1025, ITEM_CODE = 1026, ITEM_TEXT = 1027 };
/* Defaults of the texts of request 1. */
static const char *const DEFAULT_CODE_PAGE = "1252";
static const char *const DEFAULT_HOST_TEXT = "Link store of the stand-in editor 14.0";

/* Settings and record of the test hooks. */
struct svc_hooks {
  std::vector<ase_svc_call> calls;   /* every call, in order              */
  std::map<int, int> failing;        /* code -> requests left to fail, -1 all */
  std::set<std::string> refused;     /* refused environments, upper case  */
  bool host_text_on = true;          /* request 1 carries a host text     */
  std::string host_text = DEFAULT_HOST_TEXT; /* that text                 */
  std::string code_page = DEFAULT_CODE_PAGE; /* code page of request 1    */
};

/* The hooks' settings and record, made on first use. */
static svc_hooks &hooks() {
  static svc_hooks h;
  return h;
}

/* ---- Building replies ---- */

/* Builder of a reply chain; ok() false once an element could not be made. */
struct svc_reply {
  struct resbuf *head = nullptr; /* the chain, owned until taken           */
  struct resbuf *tail = nullptr; /* its last element                       */
  bool failed = false;           /* an element could not be allocated      */
  ~svc_reply() { ads_relrb(head); }
  /* Appends an element; a null one (no memory) marks the reply failed. */
  void add(struct resbuf *rb) {
    if (!rb) { failed = true; return; }
    (tail ? tail->rbnext : head) = rb;
    tail = rb;
  }
  /* Appends an element of a type without value (RTT, RTLB, RTLE). */
  void type(int t) { add(ads_newrb(t)); }
  /* Appends RTSTR, RTSHORT, RTLONG, RTREAL or a stored value. */
  void str(const std::string &s) {
    struct resbuf *rb = ads_newrb(RTSTR);
    if (rb && !(rb->resval.rstring = rb_strdup(s))) { ads_relrb(rb); rb = nullptr; }
    add(rb);
  }
  void shrt(int v) {
    struct resbuf *rb = ads_newrb(RTSHORT);
    if (rb) rb->resval.rint = (short)v;
    add(rb);
  }
  void lng(long v) {
    struct resbuf *rb = ads_newrb(RTLONG);
    if (rb) rb->resval.rlong = (int32_t)v;
    add(rb);
  }
  void real(double v) {
    struct resbuf *rb = ads_newrb(RTREAL);
    if (rb) rb->resval.rreal = v;
    add(rb);
  }
  void value(const lsv_value &v) { add(lsv_value_to_rb(v)); }
  /* The chain, or nullptr when an element failed (then released). */
  struct resbuf *take() {
    if (failed) return nullptr;
    struct resbuf *r = head;
    head = tail = nullptr;
    return r;
  }
};

/* ---- Reading arguments ---- */

/* Sets err and answers nullptr (the failing reply). */
static struct resbuf *fail(lsv_error &err, int code, const std::string &text) {
  err.code = code;
  err.text = text;
  return nullptr;
}

/* The one RTSTR argument of a request; false when the chain is not that. */
static bool one_text(const struct resbuf *args, std::string &out) {
  if (!args || args->restype != RTSTR || !args->resval.rstring || args->rbnext) return false;
  out = args->resval.rstring;
  return true;
}

/* Magnitude below which a real converts to a 32-bit number. */
static const double LONG_LIMIT = 2147483648.0;

/* An integral number element (RTSHORT, RTLONG, or an RTREAL without
** fraction); false otherwise. */
static bool number_arg(const struct resbuf *rb, long &out) {
  if (!rb) return false;
  if (rb->restype == RTSHORT) out = rb->resval.rint;
  else if (rb->restype == RTLONG) out = rb->resval.rlong;
  else if (rb->restype == RTREAL && std::fabs(rb->resval.rreal) < LONG_LIMIT && rb->resval.rreal == std::floor(rb->resval.rreal))
    out = (long)rb->resval.rreal;
  else return false;
  return true;
}

/* One attribute of an attribute list: its code and value. */
struct svc_attr {
  int code = 0;                        /* attribute code                    */
  const struct resbuf *value = nullptr;/* the value element (RTLB of a list)*/
  bool list = false;                   /* the value is RTLB ... RTLE        */
  lsv_values items;                    /* a list's elements, nested kept    */
};

/* Attribute of the selection filter whose value is two lists (column
** names, then values as texts). */
static const int ATTR_TWO_LISTS = 12;

/* Reads the list RTLB ... RTLE that begins at rb into a's items (nested
** lists kept); the list's RTLE, or nullptr with err for a list without end
** or an element the store cannot hold. */
static const struct resbuf *read_list(const struct resbuf *rb, svc_attr &a, lsv_error &err) {
  int depth = 1;
  for (rb = rb->rbnext; rb; rb = rb->rbnext) {
    if (rb->restype == RTLB) ++depth;
    if (rb->restype == RTLE && --depth == 0) return rb;
    lsv_value v;
    if (!lsv_value_from_rb(rb, v)) {
      err.text = "Attribute " + std::to_string(a.code) + ": a list element of type " + std::to_string(rb->restype) +
                 " cannot be held (or names no entity)";
      return nullptr;
    }
    a.items.push_back(v);
  }
  err.text = "Attribute " + std::to_string(a.code) + ": list without end";
  return nullptr;
}

/* Reads a chain of (RTSHORT code, value) pairs, a value being one element
** or a list RTLB ... RTLE (two lists for code 12); false with err for a
** missing code or value, an unbalanced list, a code given twice, or a list
** element the store cannot hold. */
static bool parse_attrs(const struct resbuf *rb, std::vector<svc_attr> &out, lsv_error &err) {
  err.code = LSV_ERR_ARGS;
  while (rb) {
    svc_attr a;
    if (rb->restype != RTSHORT) {
      err.text = "Attribute list: code expected, found an element of type " + std::to_string(rb->restype);
      return false;
    }
    a.code = rb->resval.rint;
    for (auto &o : out)
      if (o.code == a.code) {
        err.text = "Attribute list: attribute " + std::to_string(a.code) + " given twice";
        return false;
      }
    rb = rb->rbnext;
    if (!rb || rb->restype == RTLE) {
      err.text = "Attribute list: attribute " + std::to_string(a.code) + " without value";
      return false;
    }
    a.value = rb;
    a.list = rb->restype == RTLB;
    if (a.list && !(rb = read_list(rb, a, err))) return false;
    if (a.list && a.code == ATTR_TWO_LISTS && rb->rbnext && rb->rbnext->restype == RTLB &&
        !(rb = read_list(rb->rbnext, a, err)))
      return false;
    rb = rb->rbnext;
    out.push_back(std::move(a));
  }
  err = lsv_error();
  return true;
}

/* The attribute of a code, or nullptr. */
static const svc_attr *attr_of(const std::vector<svc_attr> &attrs, int code) {
  for (auto &a : attrs)
    if (a.code == code) return &a;
  return nullptr;
}

/* ---- Paths and status ---- */

/* Status word of a path; see linkstore.h. */
int lsv_path_status(const lsv_path &g) {
  int status = 0;
  for (auto &l : lsv_current().lpns)
    if (lsv_path_within(g, l.path, l.name)) {
      status |= LSV_STATUS_NAMES;
      break;
    }
  if (!g.part[0].empty() && hooks().refused.count(str_upper(g.part[0]))) status |= LSV_STATUS_REFUSED;
  return status;
}

/* The path of a request's one text argument; false with err. */
static bool path_arg(const struct resbuf *args, lsv_path &p, lsv_error &err) {
  std::string text, why;
  if (!one_text(args, text)) {
    err = {LSV_ERR_ARGS, "A path text is expected as the only argument"};
    return false;
  }
  if (!lsv_path_parse(text, p, why)) {
    err = {LSV_ERR_NAME, "Path " + why};
    return false;
  }
  return true;
}

/* ---- The requests ---- */

/* 1: code page name and host text. */
static struct resbuf *rq_connect(const struct resbuf *, lsv_error &) {
  svc_reply r;
  r.str(hooks().code_page);
  if (hooks().host_text_on) r.str(hooks().host_text);
  return r.take();
}

/* 64, 65: acknowledged. */
static struct resbuf *rq_ack(const struct resbuf *, lsv_error &) {
  svc_reply r;
  r.type(RTT);
  return r.take();
}

/* 10: status word of the path. */
static struct resbuf *rq_status(const struct resbuf *args, lsv_error &err) {
  lsv_path p;
  if (!path_arg(args, p, err)) return nullptr;
  svc_reply r;
  r.shrt(lsv_path_status(p));
  return r.take();
}

/* 13: canonical text of the path; its status is left to request 10. */
static struct resbuf *rq_resolve(const struct resbuf *args, lsv_error &err) {
  lsv_path p;
  if (!path_arg(args, p, err)) return nullptr;
  if (p.level == 0) return fail(err, LSV_ERR_NAME, "Path names no environment or table");
  svc_reply r;
  r.str(p.text());
  r.shrt(0);
  return r.take();
}

/* 12: the link path names registered within the path. */
static struct resbuf *rq_names(const struct resbuf *args, lsv_error &err) {
  lsv_path p;
  if (!path_arg(args, p, err)) return nullptr;
  svc_reply r;
  for (auto &l : lsv_current().lpns)
    if (lsv_path_within(p, l.path, l.name)) r.str(l.name);
  if (!r.head && !r.failed) return fail(err, LSV_ERR_NAME, "No link path names within " + p.text());
  return r.take();
}

/* True when the eight elements at rb are a full column description:
** three texts (name, character set, locale) and five short integers. */
static bool is_column_description(const struct resbuf *rb) {
  for (int k = 0; k < 8; ++k, rb = rb->rbnext)
    if (!rb || rb->restype != (k < 3 ? RTSTR : RTSHORT) || (k < 3 && !rb->resval.rstring)) return false;
  return true;
}

/* Reads the key columns of request 20: full descriptions, each optionally
** followed by a value element, or (name, value) pairs; the whole may be
** enclosed in RTLB ... RTLE. Values are read and not kept. False with err. */
static bool parse_key_columns(const struct resbuf *rb, std::vector<lsv_column> &cols, lsv_error &err) {
  err.code = LSV_ERR_ARGS;
  bool enclosed = rb && rb->restype == RTLB;
  if (enclosed) rb = rb->rbnext;
  bool full = rb && is_column_description(rb);
  while (rb && !(enclosed && rb->restype == RTLE)) {
    lsv_column c;
    if (full) {
      if (!is_column_description(rb)) {
        err.text = "Key column " + std::to_string(cols.size() + 1) + ": a description is expected";
        return false;
      }
      c.name = rb->resval.rstring;
      c.charset = rb->rbnext->resval.rstring;
      c.locale = rb->rbnext->rbnext->resval.rstring;
      rb = rb->rbnext->rbnext->rbnext;
      int *nums[5] = {&c.type, &c.prec, &c.scale, &c.dtype, &c.status};
      for (int k = 0; k < 5; ++k, rb = rb->rbnext) *nums[k] = rb->resval.rint;
      lsv_value v;
      if (rb && rb->restype != RTLE && !is_column_description(rb)) {
        if (!lsv_value_from_rb(rb, v) || rb->restype == RTLB) {
          err.text = "Key column " + c.name + ": a value of type " + std::to_string(rb->restype) + " is not expected";
          return false;
        }
        rb = rb->rbnext;
      }
    } else {
      lsv_value v;
      if (rb->restype != RTSTR || !rb->resval.rstring || !rb->rbnext || !lsv_value_from_rb(rb->rbnext, v) ||
          rb->rbnext->restype == RTLB || rb->rbnext->restype == RTLE) {
        err.text = "Key column " + std::to_string(cols.size() + 1) + ": a name and a value are expected";
        return false;
      }
      c.name = rb->resval.rstring;
      rb = rb->rbnext->rbnext;
    }
    c.name = c.name.size() > 1 && c.name.front() == '"' ? c.name : str_upper(c.name);
    if (c.name.empty()) {
      err.text = "Key column " + std::to_string(cols.size() + 1) + " has no name";
      return false;
    }
    for (auto &o : cols)
      if (o.name == c.name) {
        err.text = "Key column " + c.name + " given twice";
        return false;
      }
    cols.push_back(c);
  }
  if (enclosed && (!rb || rb->rbnext)) {
    err.text = rb ? "Elements after the key columns" : "Key columns without end";
    return false;
  }
  if (cols.empty()) {
    err.text = "A link path name needs at least one key column";
    return false;
  }
  err = lsv_error();
  return true;
}

/* 20: registers a link path name on a table path with its key columns. */
static struct resbuf *rq_register(const struct resbuf *args, lsv_error &err) {
  if (!args || args->restype != RTSTR || !args->resval.rstring || !args->rbnext ||
      args->rbnext->restype != RTSTR || !args->rbnext->resval.rstring)
    return fail(err, LSV_ERR_ARGS, "A path text and a link path name are expected");
  lsv_lpn l;
  std::string why, name = args->rbnext->resval.rstring;
  if (!lsv_path_parse(args->resval.rstring, l.path, why)) return fail(err, LSV_ERR_NAME, "Path " + why);
  if (l.path.part[0].empty() || l.path.part[3].empty() || !l.path.part[4].empty())
    return fail(err, LSV_ERR_NAME, "Path " + l.path.text() + " does not name a table by environment and table");
  if (l.path.part[0] == "*" || l.path.part[3] == "*")
    return fail(err, LSV_ERR_NAME, "Path " + l.path.text() + " names no single table");
  if (!lsv_name_valid(name)) return fail(err, LSV_ERR_NAME, "Invalid link path name \"" + name + "\"");
  if (lsv_find_lpn(name)) return fail(err, LSV_ERR_EXISTS, "Link path name " + str_upper(name) + " already exists");
  if (!parse_key_columns(args->rbnext->rbnext, l.keys, err)) return nullptr;
  l.name = str_upper(name);
  svc_reply r;
  r.shrt(lsv_path_status(l.path) | LSV_STATUS_NAMES);
  struct resbuf *reply = r.take();
  if (!reply) return nullptr;
  lsv_current().lpns.push_back(std::move(l));
  lsv_store_register_app();
  return reply;
}

/* The reply of a link: its attributes 1 to 6 and, for kind 2, the lists. */
static struct resbuf *link_reply(const lsv_link &l) {
  svc_reply r;
  auto code = [&](int c) { r.shrt(c); };
  code(1); r.lng(l.number);
  code(2); r.shrt(l.kind);
  code(3); r.shrt(l.flag);
  code(4);
  lsv_value ent;
  ent.type = RTENAME;
  ent.h = l.entity;
  r.value(ent);
  code(5); r.str(l.lpn);
  code(6); r.type(RTLB);
  for (auto &v : l.keys) r.value(v);
  r.type(RTLE);
  for (int k = 0; k < 3; ++k) {
    if (!l.has_extra[k]) continue;
    code(7 + k); r.type(RTLB);
    for (auto &v : l.extra[k]) r.value(v);
    r.type(RTLE);
  }
  return r.take();
}

/* 32: writes a link (number -1: a new one) and replies the stored link. */
static struct resbuf *rq_write_link(const struct resbuf *args, lsv_error &err) {
  std::vector<svc_attr> attrs;
  if (!args) return fail(err, LSV_ERR_ARGS, "A link attribute list is expected");
  if (!parse_attrs(args, attrs, err)) return nullptr;
  for (auto &a : attrs)
    if (a.code < 1 || a.code > 10) return fail(err, LSV_ERR_ARGS, "Unknown link attribute " + std::to_string(a.code));
  const svc_attr *num = attr_of(attrs, 1), *kind = attr_of(attrs, 2), *flag = attr_of(attrs, 3);
  const svc_attr *ent = attr_of(attrs, 4), *name = attr_of(attrs, 5), *keys = attr_of(attrs, 6);
  lsv_link l;
  if (!num || num->list || !number_arg(num->value, l.number))
    return fail(err, LSV_ERR_ARGS, "Link attribute 1 (link number) is missing or not a number");
  long k = 0;
  if (!kind || kind->value->restype != RTSHORT || !number_arg(kind->value, k) || (k != 1 && k != 2))
    return fail(err, LSV_ERR_ARGS, "Link attribute 2 (kind) must be 1 or 2");
  l.kind = (int)k;
  if (flag && (flag->value->restype != RTSHORT)) return fail(err, LSV_ERR_ARGS, "Link attribute 3 must be a short integer");
  l.flag = flag ? flag->value->resval.rint : 0;
  if (!ent || ent->value->restype != RTENAME) return fail(err, LSV_ERR_ARGS, "Link attribute 4 (entity) is missing");
  const long *en = ent->value->resval.rlname;
  if (en[0] || en[1]) {
    if (!name_entity(en, true)) return fail(err, LSV_ERR_ENTITY, "No entity " + handle_text((unsigned long)en[0]) + " in the drawing");
    l.entity = (unsigned long)en[0];
  } else if (l.kind == 1) {
    return fail(err, LSV_ERR_ENTITY, "A link of kind 1 needs an entity");
  }
  if (!name || name->value->restype != RTSTR || !name->value->resval.rstring)
    return fail(err, LSV_ERR_ARGS, "Link attribute 5 (link path name) is missing");
  lsv_lpn *lpn = lsv_find_lpn(name->value->resval.rstring);
  if (!lpn) return fail(err, LSV_ERR_NAME, std::string("Link path name ") + name->value->resval.rstring + " is not registered");
  l.lpn = lpn->name;
  if (!keys || !keys->list) return fail(err, LSV_ERR_ARGS, "Link attribute 6 (key values) must be a list");
  l.keys = keys->items;
  if (!lsv_keys_fit(*lpn, l.keys, err)) return nullptr;
  for (int x = 0; x < 3; ++x) {
    const svc_attr *a = attr_of(attrs, 7 + x);
    if (!a) continue;
    if (l.kind != 2) return fail(err, LSV_ERR_ARGS, "Link attribute " + std::to_string(7 + x) + " belongs to links of kind 2");
    if (!a->list) return fail(err, LSV_ERR_ARGS, "Link attribute " + std::to_string(7 + x) + " must be a list");
    l.extra[x] = a->items;
    l.has_extra[x] = true;
  }
  lsv_store &s = lsv_current();
  if (l.number == -1) {
    l.number = s.next_link++;
  } else if (!s.links.count(l.number)) {
    return fail(err, LSV_ERR_FAILED, "No link number " + std::to_string(l.number) + " in the store");
  }
  struct resbuf *reply = link_reply(l);
  if (!reply) return nullptr;
  lsv_link_put(s, l);
  lsv_store_register_app();
  return reply;
}

/* 34: a new selection of the links that pass the filter (all without). */
static struct resbuf *rq_select(const struct resbuf *args, lsv_error &err) {
  std::vector<svc_attr> attrs;
  if (!parse_attrs(args, attrs, err)) return nullptr;
  long kind = 0;
  unsigned long entity = 0;
  const db_set_members *set = nullptr;
  const lsv_lpn *lpn = nullptr;
  lsv_path path;
  bool by_path = false;
  const lsv_values *keys = nullptr;
  for (auto &a : attrs) {
    const struct resbuf *v = a.value;
    switch (a.code) {
      case 2:
        if (v->restype != RTSHORT) return fail(err, LSV_ERR_ARGS, "Filter: the link kind must be a short integer");
        kind = v->resval.rint;
        break;
      case 4:
        if (v->restype != RTENAME) return fail(err, LSV_ERR_ARGS, "Filter: an entity name is expected");
        if (!name_entity(v->resval.rlname, false))
          return fail(err, LSV_ERR_ENTITY, "No entity " + handle_text((unsigned long)v->resval.rlname[0]) + " in the drawing");
        entity = (unsigned long)v->resval.rlname[0];
        break;
      case -2:
        if (v->restype != RTPICKS || !(set = ss_find(v->resval.rlname)))
          return fail(err, LSV_ERR_ARGS, "Filter: no such selection set");
        break;
      case 5:
        if (v->restype != RTSTR || !v->resval.rstring) return fail(err, LSV_ERR_ARGS, "Filter: a link path name is expected");
        if (!(lpn = lsv_find_lpn(v->resval.rstring)))
          return fail(err, LSV_ERR_NAME, std::string("Link path name ") + v->resval.rstring + " is not registered");
        break;
      case -3: {
        std::string why;
        if (v->restype != RTSTR || !v->resval.rstring) return fail(err, LSV_ERR_ARGS, "Filter: a path text is expected");
        if (!lsv_path_parse(v->resval.rstring, path, why)) return fail(err, LSV_ERR_NAME, "Path " + why);
        by_path = true;
        break;
      }
      case 6:
        if (!a.list) return fail(err, LSV_ERR_ARGS, "Filter: key values must be a list");
        keys = &a.items;
        break;
      case 10: case -1: case 12:
        return fail(err, LSV_ERR_REQUEST, "Selection by criterion " + std::to_string(a.code) + " is not served by this store");
      default:
        return fail(err, LSV_ERR_ARGS, "Filter: unknown criterion " + std::to_string(a.code));
    }
  }
  lsv_store &s = lsv_current();
  /* An entity or a selection set names the only links to look at: those
  ** filed under its entities, in their numbers' order. */
  std::vector<const std::pair<const long, lsv_link> *> visit;
  if (entity || set) {
    std::vector<long> numbers;
    std::vector<unsigned long> of = entity ? std::vector<unsigned long>{entity} : std::vector<unsigned long>(set->begin(), set->end());
    for (unsigned long e : of)
      if (const std::set<long> *mine = lsv_links_of(s, e)) numbers.insert(numbers.end(), mine->begin(), mine->end());
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (long n : numbers)
      if (auto it = s.links.find(n); it != s.links.end()) visit.push_back(&*it);
  } else {
    for (auto &p : s.links) visit.push_back(&p);
  }
  std::unordered_set<unsigned long> in_set;
  if (set) in_set.insert(set->begin(), set->end());
  std::vector<long> chosen;
  for (auto *p : visit) {
    long number = p->first;
    const lsv_link &l = p->second;
    if (kind && l.kind != kind) continue;
    if (entity && l.entity != entity) continue;
    if (set && !in_set.count(l.entity)) continue;
    if (lpn && l.lpn != lpn->name) continue;
    if (by_path) {
      const lsv_lpn *own = lsv_find_lpn(l.lpn);
      if (!own || !lsv_path_within(path, own->path, own->name)) continue;
    }
    if (keys) {
      if (keys->size() != l.keys.size()) continue;
      bool same = true;
      for (size_t i = 0; i < keys->size() && same; ++i) same = lsv_value_equal((*keys)[i], l.keys[i]);
      if (!same) continue;
    }
    chosen.push_back(number);
  }
  svc_reply r;
  r.real((double)s.next_sel);
  struct resbuf *reply = r.take();
  if (!reply) return nullptr;
  s.selections[s.next_sel++] = chosen;
  return reply;
}

/* The selection named by a request's one number; nullptr with err. */
static std::vector<long> *selection_arg(const struct resbuf *args, long &number, lsv_error &err) {
  if (!number_arg(args, number) || args->rbnext) {
    fail(err, LSV_ERR_ARGS, "A selection number is expected as the only argument");
    return nullptr;
  }
  auto it = lsv_current().selections.find(number);
  if (it == lsv_current().selections.end()) {
    fail(err, LSV_ERR_SEL, "No selection " + std::to_string(number));
    return nullptr;
  }
  return &it->second;
}

/* 47: erases the selected links; the selection ends with them. */
static struct resbuf *rq_erase(const struct resbuf *args, lsv_error &err) {
  long n = 0;
  std::vector<long> *sel = selection_arg(args, n, err);
  if (!sel) return nullptr;
  svc_reply r;
  r.type(RTT);
  struct resbuf *reply = r.take();
  if (!reply) return nullptr;
  lsv_store &s = lsv_current();
  for (long number : *sel)
    if (auto it = s.links.find(number); it != s.links.end()) lsv_link_erase(s, it);
  s.selections.erase(n);
  for (auto &other : s.selections) {
    auto &v = other.second;
    v.erase(std::remove_if(v.begin(), v.end(), [&](long k) { return !s.links.count(k); }), v.end());
  }
  return reply;
}

/* 48: the selection is dropped. */
static struct resbuf *rq_release(const struct resbuf *args, lsv_error &err) {
  long n = 0;
  if (!selection_arg(args, n, err)) return nullptr;
  svc_reply r;
  r.type(RTT);
  struct resbuf *reply = r.take();
  if (reply) lsv_current().selections.erase(n);
  return reply;
}

/* A request handler: the reply, or nullptr with err set (err left empty:
** the reply could not be allocated). */
typedef struct resbuf *(*svc_handler)(const struct resbuf *args, lsv_error &err);

/* The requests served. */
static const struct {
  int code;          /* request code   */
  svc_handler fn;    /* its handler    */
} SVC_REQUESTS[] = {
    {1, rq_connect}, {64, rq_ack},        {65, rq_ack},      {10, rq_status},  {13, rq_resolve}, {12, rq_names},
    {20, rq_register}, {32, rq_write_link}, {34, rq_select}, {47, rq_erase},   {48, rq_release},
};

/* Request code of the error fetch. */
static const int RQ_ERRORS = 63;

/* ---- The registry object ---- */

/* The service object registered as "Ase_Class". */
class CAseStoreObj : public CAseRxObj {
 public:
  ~CAseStoreObj() override {
    for (struct resbuf *r : m_replies) ads_relrb(r);
  }
  /* The record "CAseStoreObj", registered before the object is made. */
  AcRxClass *isA() const override { return newAcRxClass(SVC_CLASS, "CAseRxObj"); }

  struct resbuf *request(int code, const struct resbuf *args) override;
  int protocolOp2(AcDbDatabase *db) override { return database_op(2, db); }
  int protocolOp3(AcDbDatabase *db) override { return database_op(3, db); }
  int protocolOp4(AcDbDatabase *db) override { return database_op(4, db); }
  int protocolOp5(AcDbDatabase *db) override { return database_op(5, db); }
  int protocolOp6(AcDbDatabase *db) override { return database_op(6, db); }
  int protocolOp7(AcDbDatabase *db) override { return database_op(7, db); }
  /* The store holds no user names or passwords. */
  int protocolOp8(const char *, const char **user, const char **password) override {
    record(8);
    if (user) *user = nullptr;
    if (password) *password = nullptr;
    return 0;
  }
  int protocolOp9() override { record(9); return 0; }
  int protocolOp10(void *, void *) override { record(10); return 0; }
  int protocolOp11(void *, void *) override { record(11); return 0; }
  /* 1 for a live entity of the current drawing. */
  int protocolOp12(AcDbEntity *ent) override {
    record(12);
    return ent && db_entity_find(db(), ent->objectId().handle(), true) ? 1 : 0;
  }

 private:
  /* Records a protocol operation. */
  static void record(int op) {
    ase_svc_call c;
    c.op = op;
    hooks().calls.push_back(c);
  }
  /* Operations 2 to 7: 1 for the current drawing's database. */
  static int database_op(int op, AcDbDatabase *dbase) {
    record(op);
    return dbase && dbase == acdbCurDwg() ? 1 : 0;
  }
  /* Keeps a reply alive for the next requests, freeing the oldest. */
  struct resbuf *keep(struct resbuf *r) {
    if (!r) return nullptr;
    m_replies.push_back(r);
    while (m_replies.size() > ASE_SVC_REPLY_KEEP) {
      ads_relrb(m_replies.front());
      m_replies.pop_front();
    }
    return r;
  }
  struct resbuf *errors_reply();

  std::deque<struct resbuf *> m_replies; /* replies still valid, oldest first */
  std::vector<lsv_error> m_pending;      /* error items of the last request  */
};

/* Records the request's arguments element by element. */
static void record_request(int code, const struct resbuf *args) {
  ase_svc_call c;
  c.op = 1;
  c.code = code;
  for (const struct resbuf *rb = args; rb; rb = rb->rbnext) {
    ase_svc_value v;
    v.type = rb->restype;
    switch (rb->restype) {
      case RTSTR: v.text = rb->resval.rstring ? rb->resval.rstring : ""; break;
      case RTREAL: case RTANG: case RTORINT: v.real[0] = rb->resval.rreal; break;
      case RTPOINT: case RT3DPOINT: for (int k = 0; k < 3; ++k) v.real[k] = rb->resval.rpoint[k]; break;
      case RTSHORT: v.number = rb->resval.rint; break;
      case RTLONG: v.number = rb->resval.rlong; break;
      case RTENAME: case RTPICKS: v.name[0] = rb->resval.rlname[0]; v.name[1] = rb->resval.rlname[1]; break;
      default: break;
    }
    c.args.push_back(v);
  }
  hooks().calls.push_back(std::move(c));
}

/* Request 63: the error items of the last request, or no reply. */
struct resbuf *CAseStoreObj::errors_reply() {
  if (m_pending.empty()) return nullptr;
  svc_reply r;
  for (auto &e : m_pending) {
    r.real(SVC_NATIVE_CODE);
    r.str(e.text);
    r.shrt(ITEM_CATEGORY); r.lng(LSV_ERR_CATEGORY);
    r.shrt(ITEM_CODE); r.lng(e.code);
    r.shrt(ITEM_TEXT); r.str(e.text);
  }
  return keep(r.take());
}

/* Answers one request; see the head of the file. */
struct resbuf *CAseStoreObj::request(int code, const struct resbuf *args) {
  record_request(code, args);
  svc_hooks &h = hooks();
  auto failing = h.failing.find(code);
  bool refused = failing != h.failing.end() && failing->second != 0;
  if (refused && failing->second > 0) --failing->second;
  if (code == RQ_ERRORS) return refused ? nullptr : errors_reply();
  m_pending.clear();
  lsv_error err;
  struct resbuf *reply = nullptr;
  if (refused) {
    fail(err, LSV_ERR_REFUSED, "Request " + std::to_string(code) + " refused");
  } else {
    svc_handler fn = nullptr;
    for (auto &r : SVC_REQUESTS)
      if (r.code == code) fn = r.fn;
    if (!fn) fail(err, LSV_ERR_REQUEST, "Request " + std::to_string(code) + " is not served by this link store");
    else if (!(reply = fn(args, err)) && !err.code) fail(err, LSV_ERR_FAILED, "Out of memory");
  }
  if (!reply) {
    m_pending.push_back(err);
    reply = ads_newrb(RTNIL);
  }
  return keep(reply);
}

/* The service object while registered. */
static CAseStoreObj *g_store_obj = nullptr;

/* Registers the service; see ase_service.h. */
bool ase_service_load() {
  if (g_store_obj) return true;
  if (!newAcRxClass("CAseRxObj", "AcRxObject") || !newAcRxClass(SVC_CLASS, "CAseRxObj")) return false;
  g_store_obj = new CAseStoreObj();
  lsv_registry_put(SVC_SERVICE, SVC_OBJECT, g_store_obj);
  return true;
}

/* ---- Test hooks ---- */

/* Every call since the last clear. */
const std::vector<ase_svc_call> &ase_service_calls() { return hooks().calls; }
/* Forgets the calls. */
void ase_service_clear_calls() { hooks().calls.clear(); }

/* The request codes of the calls, in order. */
std::vector<int> ase_service_request_codes() {
  std::vector<int> codes;
  for (auto &c : hooks().calls)
    if (c.op == 1) codes.push_back(c.code);
  return codes;
}

/* "code (type value) ..." for a request, "op N" for an operation. */
std::string ase_service_call_text(const ase_svc_call &call) {
  std::ostringstream o;
  if (call.op != 1) {
    o << "op " << call.op;
    return o.str();
  }
  o << call.code;
  for (auto &v : call.args) {
    o << " (" << v.type;
    switch (v.type) {
      case RTSTR: o << " \"" << v.text << "\""; break;
      case RTREAL: o << " " << v.real[0]; break;
      case RTPOINT: case RT3DPOINT: o << " " << v.real[0] << "," << v.real[1] << "," << v.real[2]; break;
      case RTSHORT: case RTLONG: o << " " << v.number; break;
      case RTENAME: case RTPICKS: o << " " << v.name[0] << "," << v.name[1]; break;
      default: break;
    }
    o << ")";
  }
  return o.str();
}

/* True while the service object is registered. */
bool ase_service_registered() { return g_store_obj != nullptr; }

/* Takes the service out; see ase_service.h. */
void ase_service_unregister() {
  lsv_registry_take(SVC_SERVICE, SVC_OBJECT);
  delete g_store_obj;
  g_store_obj = nullptr;
  auto &loaded = host().arx_loaded;
  loaded.erase(std::remove_if(loaded.begin(), loaded.end(),
                              [](const std::string &f) {
                                std::string n = str_lower(f);
                                size_t slash = n.find_last_of("/\\");
                                n = slash == std::string::npos ? n : n.substr(slash + 1);
                                return n == "ase" || n.rfind("ase.", 0) == 0;
                              }),
               loaded.end());
}

/* The next count requests of the code fail (-1 all, 0 none). */
void ase_service_fail_request(int code, int count) { hooks().failing[code] = count; }

/* Marks or clears a refused environment (any case). */
void ase_service_refuse_environment(const std::string &env, bool refused) {
  if (refused) hooks().refused.insert(str_upper(env));
  else hooks().refused.erase(str_upper(env));
}

/* Host text of request 1; nullptr: none. */
void ase_service_set_host_text(const char *text) {
  hooks().host_text_on = text != nullptr;
  hooks().host_text = text ? text : "";
}

/* Code page name of request 1; nullptr: the default. */
void ase_service_set_code_page(const char *name) { hooks().code_page = name ? name : DEFAULT_CODE_PAGE; }

/* Back to no failing request, no refused environment, default texts. */
void ase_service_reset_hooks() {
  svc_hooks &h = hooks();
  h.failing.clear();
  h.refused.clear();
  h.host_text_on = true;
  h.host_text = DEFAULT_HOST_TEXT;
  h.code_page = DEFAULT_CODE_PAGE;
}

/* Text of a stored value for the dump. */
static std::string value_text(const lsv_value &v) {
  std::ostringstream o;
  switch (v.type) {
    case RTSTR: o << '"' << v.s << '"'; break;
    case RTREAL: o << v.r[0]; break;
    case RTSHORT: case RTLONG: o << v.l; break;
    case RTENAME: o << '#' << handle_text(v.h); break;
    case RTPOINT: case RT3DPOINT: o << v.r[0] << ',' << v.r[1] << ',' << v.r[2]; break;
    case RTLB: o << '('; break;
    case RTLE: o << ')'; break;
    default: o << "<" << v.type << ">"; break;
  }
  return o.str();
}

/* The store as lines; see ase_service.h. */
std::string ase_service_dump() {
  std::ostringstream o;
  lsv_store &s = lsv_current();
  for (auto &l : s.lpns) {
    o << "LPN " << l.name << " " << l.path.text();
    for (auto &c : l.keys) o << " " << c.name << ":" << c.type;
    o << "\n";
  }
  for (auto &[n, l] : s.links) {
    o << "LINK " << n << " kind " << l.kind << " entity " << handle_text(l.entity) << " " << l.lpn;
    for (auto &v : l.keys) o << " " << value_text(v);
    for (int k = 0; k < 3; ++k) {
      if (!l.has_extra[k]) continue;
      o << " [" << 7 + k << ":";
      for (auto &v : l.extra[k]) o << " " << value_text(v);
      o << "]";
    }
    o << "\n";
  }
  for (auto &[n, links] : s.selections) {
    o << "SEL " << n;
    for (long k : links) o << " " << k;
    o << "\n";
  }
  return o.str();
}
