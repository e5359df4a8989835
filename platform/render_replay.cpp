/*
** render_replay.cpp: the editor's render module and the call that runs
** another application's LISP function.
**
** The editor's applications define LISP functions of their own; a module
** reaches them with ads_invoke, passing a list whose first element is the
** function's name. The render module is built into this editor and always
** present; its one function, "c:replay", shows an image file: it checks
** that the file exists and is of a kind the module reads, prints a line on
** the text screen, remembers the file (host_replayed_images) and answers T.
** A missing file or another kind answers nil after a one-line error.
**
**   struct resbuf *a = ads_buildlist(RTSTR, "c:replay", RTSTR, path, 0);
**   struct resbuf *r = nullptr;  ads_invoke(a, &r);  ... ads_relrb(r);
*/
#include <cstring>
#include <string>
#include <vector>

#include "ads_host.h"
#include "drawing_db.h"
#include "host_editor.h"
#include "platform/host_io.h"

namespace {

/* An application's LISP function: its arguments (after the name) and
** where it puts its value (a new chain the caller releases); RTNORM when
** it ran, RTERROR when its arguments are wrong. */
typedef int (*app_lisp_fn)(const struct resbuf *args, struct resbuf **value);

/* One LISP function of one of the editor's applications. */
struct app_function {
  const char *name;  /* name as LISP knows it, any case when looked up  */
  app_lisp_fn fn;    /* the function                                     */
};

/* Extensions (without the dot) of the image files the render module
** reads; compared without regard to case. */
const char *const k_replay_exts[] = {"TGA", "BMP", "TIF", "TIFF", "GIF",
                                     "PCX", "JPG", "JPEG", "PNG"};

/* Files replayed so far, in order, as c:replay found them. */
std::vector<std::string> s_replayed;

/* Answers nil as a function's value; RTNORM, RTERROR without memory. */
int value_nil(struct resbuf **value) {
  *value = ads_newrb(RTNIL);
  return *value ? RTNORM : RTERROR;
}

/* True when path's file name ends in an extension the render module
** reads; false for none or another. */
bool replay_readable_kind(const std::string &path) {
  std::string::size_type slash = path.find_last_of("/\\:");
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string::size_type dot = base.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = str_upper(base.substr(dot + 1));
  for (const char *k : k_replay_exts)
    if (ext == k) return true;
  return false;
}

/* The render module's "c:replay": one argument, the image file's name,
** found as ads_findfile finds it. Shows it (a line on the text screen and
** an entry in host_replayed_images) and sets T; sets nil after "Cannot
** find image file <name>." or "<path> is not an image file the render
** module reads." RTNORM when it ran; RTERROR for no argument, a non-text
** one, more than one, or no memory. */
int render_replay(const struct resbuf *args, struct resbuf **value) {
  if (!args || args->restype != RTSTR || !args->resval.rstring || args->rbnext)
    return RTERROR;
  const char *name = args->resval.rstring;
  char path[ADS_PATH_MAX];
  if (ads_findfile(name, path) != RTNORM) {
    host_io_print(std::string("\nCannot find image file ") + name + ".\n");
    return value_nil(value);
  }
  if (!replay_readable_kind(path)) {
    host_io_print(std::string("\n") + path + " is not an image file the render module reads.\n");
    return value_nil(value);
  }
  *value = ads_newrb(RTT);
  if (!*value) return RTERROR;
  host_io_print(std::string("\nReplaying image ") + path + "\n");
  s_replayed.push_back(path);
  return RTNORM;
}

/* The LISP functions of the editor's applications ads_invoke can reach. */
const app_function k_app_functions[] = {
    {"c:replay", render_replay},
};

}  // namespace

extern "C" {

/* Runs another application's LISP function: args holds the name (RTSTR)
** and then the arguments. RTNORM when it ran, with its value in *result
** (when result is given; the caller releases it, nullptr for none);
** RTERROR for a missing or non-text name, a name no application defines,
** or arguments the function refuses. */
int ads_invoke(const struct resbuf *args, struct resbuf **result) {
  if (result) *result = nullptr;
  if (!args || args->restype != RTSTR || !args->resval.rstring) return RTERROR;
  for (const app_function &f : k_app_functions) {
    if (!str_ieq(f.name, args->resval.rstring)) continue;
    struct resbuf *value = nullptr;
    int rc = f.fn(args->rbnext, &value);
    if (rc != RTNORM || !result) ads_relrb(value);
    else *result = value;
    return rc;
  }
  return RTERROR;
}

}  // extern "C"

/* The files c:replay showed, in order; see host_editor.h. */
const std::vector<std::string> &host_replayed_images() { return s_replayed; }
