/*
** ads_functions.cpp: the module's functions, its results, and the editor's
** environment.
**
** ads_defun / ads_undef fill the editor's function table; the editor
** invokes a function by setting its code and argument list and sending the
** module message 5 (host_invoke_function); the module reads them with
** ads_getfuncode / ads_getargs and answers with ads_ret*. Also
** ads_agetenv, ads_findfile (case-insensitive search of the current
** directory, the drawing's directory, the support directories and the
** resources), ads_arxload / ads_arxloaded, the runtime calls of arx_host.h
** and the set-up calls of host_editor.h.
*/
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "arx_host.h"
#include "ase_service.h"
#include "drawing_db.h"
#include "linkstore/linkstore.h"
#include "platform/host_io.h"

namespace fs = std::filesystem;

/* Replaces the value the function under way returns. */
static int set_return(struct resbuf* rb) {
  host_session& s = host();
  ads_relrb(s.ret_value);
  s.ret_value = rb;
  s.ret_set = true;
  return RTNORM;
}

/* File name without directory and extension, lower case. */
static std::string file_stem(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  return str_lower(fs::path(p).stem().string());
}

extern "C" {

/* Defines a function name (LISP name, or "c:" command) under a code;
** RTNORM, RTERROR for a null or blank name, a space in it, or a negative
** code. */
int ads_defun(const char* sname, short funcno) {
  if (!sname || !*sname || std::strchr(sname, ' ') || funcno < 0) return RTERROR;
  host_session& s = host();
  std::string key = str_lower(sname);
  s.functions[key] = funcno;
  s.fn_names[key] = sname;
  return RTNORM;
}

/* Removes a defined name; RTERROR when it is not defined under that code. */
int ads_undef(const char* sname, short funcno) {
  if (!sname) return RTERROR;
  host_session& s = host();
  auto it = s.functions.find(str_lower(sname));
  if (it == s.functions.end() || it->second != funcno) return RTERROR;
  s.fn_names.erase(it->first);
  s.functions.erase(it);
  return RTNORM;
}

/* Code of the function being invoked; RTERROR outside an invocation. */
int ads_getfuncode(void) { return host().cur_funcode >= 0 ? host().cur_funcode : RTERROR; }

/* Copy of the invocation's arguments (the caller releases it); NULL when
** there are none. */
struct resbuf* ads_getargs(void) { return rb_copy_chain(host().cur_args); }

/* Returns a list (a copy of the chain) as the function's value; RTNORM, RTERROR without memory. */
int ads_retlist(const struct resbuf* rbuf) {
  struct resbuf* c = rb_copy_chain(rbuf);
  if (rbuf && !c) return RTERROR;
  return set_return(c);
}
/* Returns one value (a copy of the first buffer); RTNORM, RTERROR for none. */
int ads_retval(const struct resbuf* rbuf) {
  if (!rbuf) return RTERROR;
  struct resbuf one = *rbuf;
  one.rbnext = nullptr;
  struct resbuf* c = rb_copy_chain(&one);
  return c ? set_return(c) : RTERROR;
}
/* Returns T, nil or nothing; RTNORM. */
int ads_rett(void) { return set_return(ads_newrb(RTT)); }
int ads_retnil(void) { return set_return(ads_newrb(RTNIL)); }
int ads_retvoid(void) { return set_return(ads_newrb(RTVOID)); }
/* Returns an integer (RTSHORT when it fits, else RTLONG); RTNORM. */
int ads_retint(int ival) {
  struct resbuf* rb;
  if (ival >= -32768 && ival <= 32767) { rb = ads_newrb(RTSHORT); if (rb) rb->resval.rint = (short)ival; }
  else { rb = ads_newrb(RTLONG); if (rb) rb->resval.rlong = ival; }
  return rb ? set_return(rb) : RTERROR;
}
/* Returns a real; RTNORM, RTERROR without memory. */
int ads_retreal(ads_real rval) {
  struct resbuf* rb = ads_newrb(RTREAL);
  if (!rb) return RTERROR;
  rb->resval.rreal = rval;
  return set_return(rb);
}
/* Returns a text (copied); RTNORM, RTERROR for NULL or without memory. */
int ads_retstr(const char* s) {
  if (!s) return RTERROR;
  struct resbuf* rb = ads_newrb(RTSTR);
  if (!rb || !(rb->resval.rstring = rb_strdup(s))) { ads_relrb(rb); return RTERROR; }
  return set_return(rb);
}

/* An editor setting by name (any case) into var (ADS_PATH_MAX bytes, cut
** when longer); RTNORM, RTERROR when not set. */
int ads_agetenv(const char* sym, char* var) {
  if (!sym || !var) return RTERROR;
  auto& env = host().env;
  auto it = env.find(str_upper(sym));
  if (it == env.end()) return RTERROR;
  size_t n = std::min(it->second.size(), (size_t)ADS_PATH_MAX - 1);
  std::memcpy(var, it->second.data(), n);
  var[n] = 0;
  return RTNORM;
}

}  // extern "C"

/* The file in dir whose name equals name in any case; empty when none. */
static std::string find_in_dir(const std::string& dir, const std::string& name) {
  std::error_code ec;
  fs::path exact = fs::path(dir) / name;
  if (fs::is_regular_file(exact, ec)) return exact.string();
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    if (str_ieq(it->path().filename().string(), name) && it->is_regular_file(ec)) return it->path().string();
  return "";
}

extern "C" {

/* Finds a file: a name with a directory is checked there; a plain name is
** searched in the current directory, the drawing's directory, the support
** directories and the resources, without regard to case. RTNORM with the
** path in result (ADS_PATH_MAX bytes), RTERROR when not found or too
** long. */
int ads_findfile(const char* fname, char* result) {
  if (!fname || !*fname || !result) return RTERROR;
  std::string name = fname;
  std::replace(name.begin(), name.end(), '\\', '/');
  std::string found;
  fs::path p(name);
  if (p.has_parent_path()) {
    found = find_in_dir(p.parent_path().string(), p.filename().string());
  } else {
    std::vector<std::string> dirs = {"."};
    if (!db().path.empty()) dirs.push_back(fs::path(db().path).parent_path().string());
    for (auto& s : host().support) dirs.push_back(s);
    dirs.push_back(PV_RESOURCE_DIR);
    for (auto& d : dirs) {
      if (d.empty()) continue;
      found = find_in_dir(d, name);
      if (!found.empty()) break;
    }
  }
  if (found.empty() || found.size() >= ADS_PATH_MAX) return RTERROR;
  std::memcpy(result, found.c_str(), found.size() + 1);
  return RTNORM;
}

/* Loads an application through the loader registered for its name; the
** editor's own "ase" application (its link-store service) is always known.
** RTNORM, RTERROR when none is registered, it fails, or it is loaded. */
int ads_arxload(const char* app) {
  if (!app || !*app) return RTERROR;
  host_session& s = host();
  std::string stem = file_stem(app);
  for (auto& l : s.arx_loaded)
    if (file_stem(l) == stem) return RTERROR;
  auto it = s.arx_loaders.find(stem);
  host_arx_loader loader = it != s.arx_loaders.end() ? it->second
                           : stem == "ase"           ? ase_service_load
                                                     : nullptr;
  if (!loader || !loader()) return RTERROR;
  s.arx_loaded.push_back(app);
  return RTNORM;
}

/* The loaded applications' file names as an RTSTR chain (the caller
** releases it); NULL when none. */
struct resbuf* ads_arxloaded(void) {
  host_session& s = host();
  std::vector<std::string> names;
  if (!s.module_file.empty()) names.push_back(s.module_file);
  names.insert(names.end(), s.arx_loaded.begin(), s.arx_loaded.end());
  struct resbuf *head = nullptr, *tail = nullptr;
  for (auto& n : names) {
    struct resbuf* rb = ads_newrb(RTSTR);
    if (!rb || !(rb->resval.rstring = rb_strdup(n))) { ads_relrb(rb); ads_relrb(head); return nullptr; }
    (tail ? tail->rbnext : head) = rb;
    tail = rb;
  }
  return head;
}

/* Runtime calls: unlock (1 for a packet, 0 for none), the settings key,
** and the heap of texts and chunks inside result buffers. */
int acrxUnlockApplication(void* appId) { return appId != nullptr; }
const char* acrxProductKey(void) { return "Software\\Petrivex\\Editor\\R14.0"; }
void* acad_malloc(size_t size) { return std::malloc(size ? size : 1); }
void acad_free(void* p) { std::free(p); }

}  // extern "C"

/* ---- host_editor.h ---- */

void host_new_drawing() {
  host_session& s = host();
  db_cancel_pending();
  s.sets.clear();
  s.previous.clear();
  s.vectors.clear();
  s.last_input.clear();
  db_reset(s.dwg);
  lsv_store_reset();
}

/* File of the current drawing (empty for a new one). */
std::string host_drawing_path() { return db().path; }

/* Sets a system variable from text; false with err (see host_editor.h). */
bool host_set_var(const std::string& name, const std::string& value, std::string& err) {
  auto& vars = db().vars;
  auto it = vars.find(str_upper(name));
  if (it == vars.end()) { err = "unknown variable " + name; return false; }
  db_grp g;
  g.code = it->second.code;
  double v = 0;
  if (g.code == RTSTR) {
      g.set_text(value);
  } else if (!parse_real(value, v)) {
    err = name + " takes a number";
    return false;
  } else if (g.code == RTSHORT) {
    if (v != std::floor(v)) { err = name + " takes an integer"; return false; }
    g.i = (int32_t)v;
  } else {
    g.v[0] = v;
  }
  return db_setvar(db(), name, g, err) == RTNORM;
}

/* A system variable as text; empty when unknown. */
std::string host_get_var(const std::string& name) {
  auto& vars = db().vars;
  auto it = vars.find(str_upper(name));
  if (it == vars.end()) return "";
  const db_grp& g = it->second;
  if (g.code == RTSTR) return g.text();
  if (g.code == RTSHORT) return std::to_string(g.i);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.17g", g.v[0]);
  return buf;
}

/* Registers the module's entry point and its file name. */
void host_register_module(const std::string& file, host_entry_fn entry) {
  host().module = entry;
  host().module_file = file;
}

/* Sends a message to the module; its answer, -1 without module. */
int host_send_message(int msg, void* pkt) {
  host_entry_fn f = host().module;
  return f ? f(msg, pkt) : -1;
}

/* Invokes a defined function with a copy of args; the entry's answer, or
** RTERROR for an undefined name; *result takes what ads_ret* gave. */
int host_invoke_function(const std::string& name, const struct resbuf* args, struct resbuf** result) {
  host_session& s = host();
  if (result) *result = nullptr;
  auto it = s.functions.find(str_lower(name));
  if (it == s.functions.end() || !s.module) return RTERROR;
  int saved_code = s.cur_funcode;
  struct resbuf* saved_args = s.cur_args;
  struct resbuf* saved_ret = s.ret_value;
  bool saved_set = s.ret_set;
  s.cur_funcode = it->second;
  s.cur_args = rb_copy_chain(args);
  s.ret_value = nullptr;
  s.ret_set = false;
  int rc = s.module(HOST_MSG_INVOKE, nullptr);
  ads_relrb(s.cur_args);
  if (result) *result = s.ret_value;
  else ads_relrb(s.ret_value);
  s.cur_funcode = saved_code;
  s.cur_args = saved_args;
  s.ret_value = saved_ret;
  s.ret_set = saved_set;
  return rc;
}

/* The defined names with their codes, in name order. */
std::vector<std::pair<std::string, int>> host_defined_functions() {
  std::vector<std::pair<std::string, int>> out;
  for (auto& [k, v] : host().functions) out.emplace_back(host().fn_names[k], v);
  return out;
}

/* Test hooks and settings (see host_editor.h). */
void host_set_ucs_origin(const double origin[3]) { std::copy(origin, origin + 3, host().ucs_origin); }
void host_set_pick_tolerance(double units) { host().pick_tolerance = units > 0 ? units : 0; }
void host_add_support_path(const std::string& dir) { host().support.push_back(dir); }
void host_set_env(const std::string& name, const std::string& value) { host().env[str_upper(name)] = value; }
void host_register_arx_app(const std::string& stem, host_arx_loader loader) {
  host().arx_loaders[str_lower(stem)] = loader;
}
const std::vector<host_vector>& host_temp_vectors() { return host().vectors; }
std::string host_last_error() { return host().last_error; }
int host_open_selection_sets() { return (int)host().sets.size(); }
size_t host_selection_offered()
{
    return db().grid.offered;
}
/* Number of live main entities of model space. */
int host_model_entity_count() {
  int n = 0;
  for (unsigned long h : db().model) {
    db_entity* e = db_entity_find(db(), h, true);
    n += e && !e->parent;
  }
  return n;
}
