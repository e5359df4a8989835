/*
** ads_input.cpp: the editor's user-input and text-screen functions.
**
** ads_initget (bits and keywords for the next input call), ads_getpoint
** (with a base point), ads_entsel, ads_getkword, ads_getinput, ads_getint,
** ads_getreal, ads_getstring, ads_getfiled; ads_grdraw and ads_redraw
** (temporary vectors kept for tests); ads_printf, ads_prompt, ads_alert.
** Every answer is one line read through host_io: RETURN is an empty line
** (RTNONE), a cancel answers RTCAN; an answer the call cannot take is
** refused with the editor's message and asked again.
**
**   ads_initget(RSG_OTHER, "Undo");
**   if (ads_getpoint(base, "\nNext point: ", pt) == RTKWORD) ads_getinput(kw);
*/
#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "drawing_db.h"
#include "platform/host_io.h"

/* ads_getfiled flag: the default names the directory to start in. */
static const int GETFILED_START_DIR = 16;
/* Largest text ads_printf prints in one call. */
static const size_t PRINTF_MAX = 65536;
/* Room of the buffer on the stack a short text is formatted in. */
static const size_t PRINTF_SMALL = 512;

/* Finds the keyword of kwl that ans names: its capital letters, or a
** prefix at least as long as the part up to its last capital; true with
** the whole keyword in full. */
bool kw_match(const std::string& kwl, const std::string& ans, std::string& full) {
  std::string a = str_upper(ans);
  size_t start = 0;
  while (start < kwl.size()) {
    size_t end = kwl.find(' ', start);
    std::string k = kwl.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? kwl.size() : end + 1;
    if (k.empty()) continue;
    if (k[0] == '_') break;  /* the language-independent names follow */
    std::string caps;
    size_t min_len = 0;
    for (size_t i = 0; i < k.size(); ++i)
      if (std::isupper((unsigned char)k[i])) { caps += k[i]; min_len = i + 1; }
    if (min_len == 0) min_len = k.size();
    std::string ku = str_upper(k);
    if ((!a.empty() && a == caps) || (a.size() >= min_len && ku.compare(0, a.size(), a) == 0 && a.size() <= ku.size())) {
      full = k;
      return true;
    }
  }
  return false;
}

/* The initget settings of this call, cleared for the next. */
struct get_opts {
  int flags;          /* RSG_* bits                                   */
  std::string kwords; /* keyword list                                 */
};
/* Takes the initget settings for this call and clears them. */
static get_opts take_opts() {
  host_session& s = host();
  get_opts o{s.initget_flags, s.initget_kwords};
  s.initget_flags = 0;
  s.initget_kwords.clear();
  return o;
}

/* Result of reading one answer under the initget rules. */
enum read_kind { READ_TEXT, READ_NONE, READ_CANCEL, READ_KWORD };

/* Reads an answer: cancel, RETURN (refused under RSG_NONULL), a keyword
** (kept for ads_getinput) or a text for the caller to check. */
static read_kind read_one(const char* prompt, const get_opts& o, std::string& line) {
  for (;;) {
    if (host_io_read_answer(prompt ? prompt : "", line) == HOST_ANSWER_CANCEL) return READ_CANCEL;
    if (line.empty()) {
      if (o.flags & RSG_NONULL) { host_io_print("Value required.\n"); continue; }
      return READ_NONE;
    }
    std::string full;
    if (!o.kwords.empty() && kw_match(o.kwords, line, full)) {
      host().last_input = full;
      return READ_KWORD;
    }
    return READ_TEXT;
  }
}

/* Copies text into a caller's buffer of ADS_INPUT_MAX bytes. */
static void copy_input(char* dst, const std::string& s) {
  size_t n = std::min(s.size(), (size_t)ADS_INPUT_MAX - 1);
  std::memcpy(dst, s.data(), n);
  dst[n] = 0;
}

/* What a question makes of one answer line. */
enum answer_take {
  ANSWER_TAKEN = 0,     /* the answer is the result                        */
  ANSWER_UNREAD = 1,    /* no value of the wanted kind (complain, or a     */
                        /* keyword under RSG_OTHER)                        */
  ANSWER_REFUSED = 2    /* a value, refused with its own message           */
};

/* The question loop of getpoint, getint and getreal: asks until take
** accepts an answer, printing complaint after an unread one. RTNORM,
** RTNONE, RTCAN, RTKWORD (also for any text under RSG_OTHER). */
static int ask_until(const char* prompt, const get_opts& o,
                     const std::function<answer_take(const std::string&)>& take,
                     const char* complaint) {
  for (;;) {
    std::string line;
    read_kind k = read_one(prompt, o, line);
    if (k == READ_CANCEL) return RTCAN;
    if (k == READ_NONE) return RTNONE;
    if (k == READ_KWORD) return RTKWORD;
    answer_take t = take(line);
    if (t == ANSWER_TAKEN) return RTNORM;
    if (t == ANSWER_REFUSED) continue;
    if (o.flags & RSG_OTHER) { host().last_input = line; return RTKWORD; }
    host_io_print(complaint);
  }
}

/* Checks a number against RSG_NOZERO and RSG_NONEG; prints the refusal. */
static bool number_allowed(double v, int flags) {
  if ((flags & RSG_NOZERO) && v == 0) { host_io_print("Value must be nonzero.\n"); return false; }
  if ((flags & RSG_NONEG) && v < 0) { host_io_print("Value must be positive.\n"); return false; }
  return true;
}

/* Parses a whole answer as an integer of the editor's short range. */
static bool parse_short(const std::string& line, double& v) {
  char* end = nullptr;
  long n = std::strtol(line.c_str(), &end, 10);
  if (line.empty() || !end || *end || n < -32768 || n > 32767) return false;
  v = (double)n;
  return true;
}

/* The question of getint and getreal: parse reads the number, which the
** initget flags must then allow. RTNORM with v set, else as ask_until. */
static int read_number(const char* prompt, bool (*parse)(const std::string&, double&),
                       const char* complaint, double& v) {
  get_opts o = take_opts();
  return ask_until(prompt, o, [&](const std::string& line) {
    if (!parse(line, v)) return ANSWER_UNREAD;
    return number_allowed(v, o.flags) ? ANSWER_TAKEN : ANSWER_REFUSED;
  }, complaint);
}

extern "C" {

/* Sets the bits and keywords for the next input call; RTNORM. */
int ads_initget(int val, const char* kwl) {
  host().initget_flags = val;
  host().initget_kwords = kwl ? kwl : "";
  return RTNORM;
}

/* Asks for a point ("x,y[,z]", "@dx,dy" relative to the base point).
** RTNORM with the point; RTNONE for RETURN; RTCAN; RTKWORD for a keyword
** or, with RSG_OTHER, any other text (ads_getinput gives it). */
int ads_getpoint(const ads_point pt, const char* prompt, ads_point result) {
  get_opts o = take_opts();
  if (!result) return RTERROR;
  return ask_until(prompt, o, [&](const std::string& line) {
    double p[3];
    if (!parse_point(line, pt, p)) return ANSWER_UNREAD;
    std::copy(p, p + 3, result);
    return ANSWER_TAKEN;
  }, o.kwords.empty() ? "Invalid point.\n" : "Point or option keyword required.\n");
}

/* Asks the user to pick one entity: "last", "#<handle>" or a point.
** RTNORM with its name and the pick point; RTERROR for RETURN or a pick
** that finds nothing; RTCAN; RTKWORD for a keyword. */
int ads_entsel(const char* str, ads_name entres, ads_point ptres) {
  get_opts o = take_opts();
  if (!entres) return RTERROR;
  name_set(entres, 0, 0);
  std::string line;
  read_kind k = read_one(str ? str : "\nSelect object: ", o, line);
  if (k == READ_CANCEL) return RTCAN;
  if (k == READ_NONE) return RTERROR;
  if (k == READ_KWORD) return RTKWORD;
  unsigned long h;
  double p[3];
  if (!pick_answer(line, h, p) || !h) {
    host_io_print("Nothing found.\n");
    return RTERROR;
  }
  name_set(entres, h, NAME_ENT);
  if (ptres) std::copy(p, p + 3, ptres);
  return RTNORM;
}

/* Asks for one of the initget keywords; RTNORM with the whole keyword in
** result (ADS_INPUT_MAX bytes); RTNONE for RETURN (without keywords only
** RETURN ends the question); RTCAN; RTERROR for a null result. */
int ads_getkword(const char* prompt, char* result) {
  get_opts o = take_opts();
  if (!result) return RTERROR;
  for (;;) {
    std::string line;
    read_kind k = read_one(prompt, o, line);
    if (k == READ_CANCEL) return RTCAN;
    if (k == READ_NONE) { result[0] = 0; return RTNONE; }
    if (k == READ_KWORD) { copy_input(result, host().last_input); return RTNORM; }
    if (o.flags & RSG_OTHER) { copy_input(result, line); return RTNORM; }
    host_io_print("Invalid option keyword.\n");
  }
}

/* The keyword or text of the last RTKWORD answer, also the name of a block
** completed by ENDBLK; RTNORM, RTERROR for a null buffer. */
int ads_getinput(char* str) {
  if (!str) return RTERROR;
  copy_input(str, host().last_input);
  return RTNORM;
}

}  // extern "C"

extern "C" {

/* Asks for an integer (-32768..32767); RTNORM, RTNONE, RTCAN, RTKWORD;
** RTERROR for a null result. */
int ads_getint(const char* prompt, int* result) {
  if (!result) { take_opts(); return RTERROR; }
  double v = 0;
  int rc = read_number(prompt, parse_short, "Requires an integer between -32768 and 32767.\n", v);
  if (rc == RTNORM) *result = (int)v;
  return rc;
}

/* Asks for a real number; RTNORM, RTNONE, RTCAN, RTKWORD; RTERROR for a
** null result. */
int ads_getreal(const char* prompt, ads_real* result) {
  if (!result) { take_opts(); return RTERROR; }
  double v = 0;
  int rc = read_number(prompt, parse_real, "Requires a real number.\n", v);
  if (rc == RTNORM) *result = v;
  return rc;
}

/* Asks for a text of at most ADS_INPUT_MAX - 1 characters (longer answers
** are cut); without cronly a space ends the text. RTNORM (also for an
** empty answer), RTCAN. */
int ads_getstring(int cronly, const char* prompt, char* result) {
  take_opts();
  if (!result) return RTERROR;
  std::string line;
  if (host_io_read_answer(prompt ? prompt : "", line) == HOST_ANSWER_CANCEL) return RTCAN;
  if (!cronly) line = line.substr(0, line.find(' '));
  copy_input(result, line);
  return RTNORM;
}

/* Asks for a file name under the title; RETURN takes the default; the
** extension is added when the name has none. With GETFILED_START_DIR in
** flags the default is the directory the dialog starts in: a bare name is
** taken from it and RETURN chooses nothing. RTNORM with an RTSTR in
** result (its text is the caller's to free); RTCAN for a cancel or RETURN
** without default. */
int ads_getfiled(const char* title, const char* defawlt, const char* ext, int flags, struct resbuf* result) {
  take_opts();
  if (!result) return RTERROR;
  std::string prompt = std::string("\n") + (title ? title : "File") + ": ";
  if (defawlt && *defawlt) prompt += std::string("<") + defawlt + "> ";
  std::string line;
  if (host_io_read_answer(prompt, line) == HOST_ANSWER_CANCEL) return RTCAN;
  bool start_dir = (flags & GETFILED_START_DIR) != 0;
  if (line.empty()) {
    if (!defawlt || !*defawlt || start_dir) return RTCAN;
    line = defawlt;
  }
  size_t slash = line.find_last_of("/\\:");
  if (start_dir && defawlt && *defawlt && slash == std::string::npos) {
    std::string dir = defawlt;
    char end = dir.back();
    if (end != '/' && end != '\\' && end != ':') dir += '/';
    line = dir + line;
    slash = line.find_last_of("/\\:");
  }
  size_t dot = line.find_last_of('.');
  if (ext && *ext && (dot == std::string::npos || (slash != std::string::npos && dot < slash)))
    line += std::string(".") + ext;
  char* s = rb_strdup(line);
  if (!s) return RTERROR;
  result->restype = RTSTR;
  result->resval.rstring = s;
  return RTNORM;
}

/* Draws a temporary vector; colour -1 drawn over the same vector erases
** it. RTNORM, RTERROR for a null point. */
int ads_grdraw(const ads_point from, const ads_point to, int color, int hl) {
  if (!from || !to) return RTERROR;
  auto& v = host().vectors;
  if (color == -1) {
    for (auto it = v.begin(); it != v.end(); ++it) {
      bool same = std::equal(from, from + 3, it->from) && std::equal(to, to + 3, it->to);
      bool rev = std::equal(from, from + 3, it->to) && std::equal(to, to + 3, it->from);
      if (it->color == -1 && (same || rev)) { v.erase(it); return RTNORM; }
    }
  }
  host_vector x;
  std::copy(from, from + 3, x.from);
  std::copy(to, to + 3, x.to);
  x.color = color;
  x.highlight = hl;
  v.push_back(x);
  return RTNORM;
}

/* Redraws the screen (NULL entity: temporary vectors vanish) or one entity
** (mode 1..4). RTNORM, RTERROR for a bad entity or mode. */
int ads_redraw(const ads_name ent, int mode) {
  if (!ent || (!ent[0] && !ent[1])) {
    host().vectors.clear();
    return RTNORM;
  }
  return name_entity(ent, true) && mode >= 1 && mode <= 4 ? RTNORM : RTERROR;
}

/* Prints formatted text on the text screen; RTNORM, RTERROR for a null
** format. */
int ads_printf(const char* format, ...) {
  if (!format) return RTERROR;
  /* A progress line fits the small buffer; a longer text is formatted again
  ** into one of its own size, at most PRINTF_MAX. */
  char small[PRINTF_SMALL];
  va_list ap, again;
  va_start(ap, format);
  va_copy(again, ap);
  int n = std::vsnprintf(small, sizeof small, format, ap);
  va_end(ap);
  if (n < 0 || (size_t)n < sizeof small) {
    va_end(again);
    if (n < 0) return RTERROR;
    host_io_print(small);
    return RTNORM;
  }
  std::vector<char> buf(std::min((size_t)n + 1, PRINTF_MAX));
  std::vsnprintf(buf.data(), buf.size(), format, again);
  va_end(again);
  host_io_print(buf.data());
  return RTNORM;
}

/* Prints a prompt; RTNORM. */
int ads_prompt(const char* str) {
  if (str) host_io_print(str);
  return RTNORM;
}

/* Shows an alert box (printed as "\n[Alert] <text>\n"); RTNORM. */
int ads_alert(const char* str) {
  host_io_print(std::string("\n[Alert] ") + (str ? str : "") + "\n");
  return RTNORM;
}

}  // extern "C"
