/*
** dxf_io.cpp: drawings as ASCII DXF files.
**
** Writes the drawing in the group-code/value line pairs of ASCII DXF: a
** HEADER with the handle seed and the system variables, TABLES (VPORT,
** LTYPE, LAYER, STYLE, VIEW, UCS, APPID), BLOCKS (named and anonymous, with
** their ATTDEFs and other entities) and ENTITIES (with POLYLINE sequences
** and extended data), each table entry and entity under its handle, and
** reads such a file back. The file keeps the older entity layout (no
** subclass markers) except for LWPOLYLINE, HATCH and MTEXT, which need
** them. Files of every version up to AC1032 are read; groups of a kind the
** drawing does not hold (the 64-bit integers of the newer versions, such as
** $REQUIREDVERSIONS) are passed over in the header and in every object.
** Angles are radians in the drawing and degrees in the file.
**
** Texts are in the editor's code page: the file says so in $DWGCODEPAGE
** (ANSI_1252) and holds them as such. A file of a version that writes UTF-8
** (AC1021 and later) has its texts converted on reading, a character the
** code page lacks kept as the file format's own "\U+XXXX" notation.
**
** A file that cannot be read (no EOF, a group-code line that is not a
** plain integer, a point without its Y, a duplicate handle) is refused with
** the line number and the current drawing is kept. Two slips of other
** writers are mended instead, so that what is opened is saved in a form
** that opens again: a POLYLINE (or an INSERT with attributes) still open at
** the end of its section or block gets its SEQEND, reported in one line,
** and several ENTITIES sections are read as one. A file larger than
** DXF_MAX_FILE_BYTES, or one that is not a regular file, is refused before
** it is read, and running out of memory while reading refuses the file:
** either way the current drawing stays.
*/
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "drawing_db.h"
#include "wfile/wfile.h"
#include "host_codepage.h"
#include "host_io.h"
#include "linkstore/linkstore.h"

static const double PI = 3.14159265358979323846;
/* Format version written in $ACADVER: the first whose readers take a
** HATCH (an older version has them read a hatch without its layer and
** pattern); its entities may still leave out their subclass markers. */
static const char* const DXF_VERSION = "AC1015";
/* Largest drawing file read, in bytes: a drawing takes many times its
** file's size in memory (some 23 times in lines, entities and handles). */
static const unsigned long long DXF_MAX_FILE_BYTES = 256ULL << 20;
/* $DWGCODEPAGE written and the one read without conversion. */
static const char* const DXF_CODE_PAGE = "ANSI_1252";
/* First format version whose texts are UTF-8. */
static const char* const DXF_FIRST_UTF8_VERSION = "AC1021";
/* Order of the symbol tables in the file. */
static const char* const TABLE_ORDER[] = {"VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "APPID"};

/* Header variables written and read: (file name, variable, group code). */
struct dxf_var {
  const char* file;  /* "$ANGBASE"                                     */
  const char* var;   /* "ANGBASE"                                      */
  int code;          /* group code of its value                        */
};
static const dxf_var HEADER_VARS[] = {
    {"$CLAYER", "CLAYER", 8},     {"$ANGBASE", "ANGBASE", 50},   {"$ANGDIR", "ANGDIR", 70},
    {"$BLIPMODE", "BLIPMODE", 70}, {"$LIMCHECK", "LIMCHECK", 70}, {"$HPANG", "HPANG", 40},
    {"$HPSCALE", "HPSCALE", 40},  {"$CMDECHO", "CMDECHO", 70},   {"$CMDDIA", "CMDDIA", 70},
};

/* True for the groups that hold angles (radians in the drawing). */
static bool is_angle(const std::string& type, int code) {
  return code >= 50 && code <= 58 && type != "HATCH";
}

/* Control characters are written as "^" and a letter, "^" itself as "^ ". */
static std::string dxf_escape(const std::string& s) {
  std::string o;
  for (char c : s) {
    if (c == '^') o += "^ ";
    else if ((unsigned char)c < 32) { o += '^'; o += (char)(c + 64); }
    else o += c;
  }
  return o;
}
/* Undoes dxf_escape. */
static std::string dxf_unescape(const std::string& s) {
  std::string o;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '^' && i + 1 < s.size()) {
      char n = s[++i];
      o += n == ' ' ? '^' : (char)(n - 64);
    } else {
      o += s[i];
    }
  }
  return o;
}

/* Writer of group lines. */
struct dxf_out {
  std::ostringstream o;
  void grp(int code, const std::string& v) { o << code << "\n" << dxf_escape(v) << "\n"; }
  void real(int code, double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.17g", v);
    o << code << "\n" << b << "\n";
  }
  void integer(int code, long v) { o << code << "\n" << v << "\n"; }
  void point(int code, const double* v, bool flat) {
    real(code, v[0]);
    real(code + 10, v[1]);
    if (!flat) real(code + 20, v[2]);
  }
  /* Writes one group by its kind. */
  void group(const db_grp& g, bool angle, bool flat) {
    switch (db_kind_of(g.code)) {
      case DBK_STR: grp(g.code, g.s); break;
      case DBK_REAL: real(g.code, angle ? g.v[0] * 180 / PI : g.v[0]); break;
      case DBK_POINT: point(g.code, g.v, flat); break;
      case DBK_SHORT: case DBK_LONG: integer(g.code, g.i); break;
      case DBK_BINARY: {
        std::string hex;
        char b[3];
        for (unsigned char c : g.s) { std::snprintf(b, sizeof b, "%02X", c); hex += b; }
        grp(g.code, hex);
        break;
      }
      default: break;
    }
  }
};

/* The subclass marker of an entity that readers take only with its
** markers (AcDbEntity, then this one); null for the others, which keep the
** older layout. */
static const char* entity_subclass(const std::string& type) {
  if (type == "LWPOLYLINE") return "AcDbPolyline";
  if (type == "HATCH") return "AcDbHatch";
  if (type == "MTEXT") return "AcDbMText";
  return nullptr;
}

/* Writes one entity with its extended data; owner is the handle of the
** block that holds it, 0 in model space. */
static void write_entity(dxf_out& w, const db_entity& e, unsigned long owner) {
  w.grp(0, e.type);
  w.grp(5, handle_text(e.handle));
  /* A VERTEX, ATTRIB or SEQEND names the entity that heads its sequence,
  ** an entity of a block the block. */
  if (e.parent) w.grp(330, handle_text(e.parent));
  else if (owner) w.grp(330, handle_text(owner));
  const char* subclass = entity_subclass(e.type);
  bool marked = subclass != nullptr;
  /* The groups every entity has (layer, linetype, colour, space); in a
  ** marked entity they go under AcDbEntity wherever the list holds them
  ** (a colour given later is appended to the list). */
  auto common = [](int code) { return code == 8 || code == 6 || code == 62 || code == 67; };
  if (marked) {
    w.grp(100, "AcDbEntity");
    for (auto& g : e.groups)
      if (common(g.code)) w.group(g, false, false);
    w.grp(100, subclass);
  }
  bool first10 = true;
  for (auto& g : e.groups) {
    if (marked && common(g.code)) continue;
    bool flat = false;
    if (g.code == 10 && e.type == "LWPOLYLINE") flat = true;
    if (g.code == 10 && e.type == "HATCH") { flat = !first10; first10 = false; }
    w.group(g, is_angle(e.type, g.code), flat);
  }
  for (auto& x : e.xdata) {
    w.grp(1001, x.app);
    for (auto& g : x.items) w.group(g, false, false);
  }
}

/* Text of the whole drawing as ASCII DXF. */
static std::string dxf_write(db_drawing& d) {
  dxf_out w;
  w.grp(0, "SECTION"); w.grp(2, "HEADER");
  w.grp(9, "$ACADVER"); w.grp(1, DXF_VERSION);
  w.grp(9, "$DWGCODEPAGE"); w.grp(3, DXF_CODE_PAGE);
  w.grp(9, "$HANDLING"); w.integer(70, 1);
  /* Each table's head carries a handle of its own, the ones after the
  ** drawing's last; they are not kept when the file is read again. */
  const unsigned long table_handles = d.next_handle;
  const unsigned long table_count = sizeof TABLE_ORDER / sizeof TABLE_ORDER[0];
  w.grp(9, "$HANDSEED"); w.grp(5, handle_text(table_handles + table_count));
  for (auto& v : HEADER_VARS) {
    const db_grp& g = d.vars[v.var];
    w.grp(9, v.file);
    if (v.code == 8) w.grp(8, g.s);
    else if (v.code == 70) w.integer(70, g.i);
    else if (v.code == 50) w.real(50, g.v[0] * 180 / PI);
    else w.real(v.code, g.v[0]);
  }
  w.grp(0, "ENDSEC");
  w.grp(0, "SECTION"); w.grp(2, "TABLES");
  for (unsigned long i = 0; i < table_count; ++i) {
    const char* t = TABLE_ORDER[i];
    auto& recs = d.tables[t];
    w.grp(0, "TABLE"); w.grp(2, t); w.grp(5, handle_text(table_handles + i)); w.integer(70, (long)recs.size());
    for (auto& r : recs) {
      w.grp(0, t);
      w.grp(5, handle_text(r.handle));
      w.grp(2, r.name);
      for (auto& g : r.groups) w.group(g, false, false);
      db_xdata store_x; /* the link store rides on its APPID entry */
      if (std::string(t) == "APPID" && lsv_dxf_xdata(r.name, store_x)) {
        w.grp(1001, store_x.app);
        for (auto& g : store_x.items) w.group(g, false, false);
      }
    }
    w.grp(0, "ENDTAB");
  }
  w.grp(0, "ENDSEC");
  w.grp(0, "SECTION"); w.grp(2, "BLOCKS");
  for (auto& b : d.blocks) {
    w.grp(0, "BLOCK"); w.grp(5, handle_text(b.handle)); w.grp(8, "0"); w.grp(2, b.name);
    w.integer(70, b.flags); w.point(10, b.base, false); w.grp(3, b.name);
    for (unsigned long h : b.ents)
      if (db_entity* e = db_entity_find(d, h, true)) write_entity(w, *e, b.handle);
    w.grp(0, "ENDBLK"); w.grp(5, handle_text(b.end_handle)); w.grp(8, "0");
  }
  w.grp(0, "ENDSEC");
  w.grp(0, "SECTION"); w.grp(2, "ENTITIES");
  for (unsigned long h : d.model) {
    db_entity* e = db_entity_find(d, h, true);
    if (e) write_entity(w, *e, 0);
  }
  w.grp(0, "ENDSEC");
  w.grp(0, "EOF");
  return w.o.str();
}

/* ---- Reading ---- */

/* One group pair of the file. */
struct dxf_pair {
  int code;          /* group code                    */
  std::string value; /* value line, without line end  */
  size_t line;       /* line number of the code       */
};

/* Reader over the pairs of a file. */
struct dxf_in {
  std::vector<dxf_pair> pairs;
  size_t pos = 0;
  std::string err;
  int closed_sequences = 0; /* sequences given their missing SEQEND */
  bool more() const { return pos < pairs.size(); }
  const dxf_pair& peek() const { return pairs[pos]; }
  bool fail(const std::string& what) {
    if (err.empty()) err = "line " + std::to_string(pos < pairs.size() ? pairs[pos].line : 0) + ": " + what;
    return false;
  }
};

/* Splits the text into pairs; false with the line of a bad code. */
static bool dxf_split(const std::string& text, dxf_in& in) {
  std::istringstream s(text);
  std::string a, b;
  size_t line = 0;
  while (std::getline(s, a)) {
    ++line;
    if (!a.empty() && a.back() == '\r') a.pop_back();
    size_t i = a.find_first_not_of(" \t");
    if (i == std::string::npos) {
      in.err = "line " + std::to_string(line) + ": empty group code";
      return false;
    }
    /* A plain integer between blanks, and nothing else: a NUL byte must
    ** not end the line early and pass for a shorter code. */
    const char* start = a.c_str() + i;
    const char* stop = a.c_str() + a.size();
    char* end = nullptr;
    long code = std::strtol(start, &end, 10);
    bool digits = end && end != start;
    while (end && end < stop && (*end == ' ' || *end == '\t')) ++end;
    if (!digits || end != stop || code < -32768 || code > 32767) {
      in.err = "line " + std::to_string(line) + ": bad group code \"" + dxf_escape(a) + "\"";
      return false;
    }
    if (!std::getline(s, b)) {
      in.err = "line " + std::to_string(line) + ": group without value";
      return false;
    }
    if (!b.empty() && b.back() == '\r') b.pop_back();
    in.pairs.push_back({(int)code, b, line});
    ++line;
  }
  return true;
}

/* The value of a header variable as the split file gives it (the value
** line after its group 9); empty when the file lacks it. */
static std::string header_value(const dxf_in& in, const char* var) {
  for (size_t i = 0; i + 1 < in.pairs.size(); ++i) {
    if (in.pairs[i].code == 0 && str_upper(in.pairs[i].value) == "ENDSEC") break;
    if (in.pairs[i].code == 9 && str_upper(in.pairs[i].value) == var) return in.pairs[i + 1].value;
  }
  return "";
}

/* A UTF-8 value in the editor's code page, characters it lacks written as
** "\U+XXXX"; false for a value that is not UTF-8. */
static bool utf8_value_to_cp(const std::string& v, std::string& out) {
  out.clear();
  for (size_t at = 0; at < v.size();) {
    uint32_t cp;
    unsigned char byte;
    if (!host_utf8_next(v, at, cp)) return false;
    if (host_cp_byte_of(cp, byte)) {
      out += (char)byte;
    } else {
      char esc[16];
      std::snprintf(esc, sizeof esc, "\\U+%04X", (unsigned)cp);
      out += esc;
    }
  }
  return true;
}

/* Brings every value of the split file into the editor's code page: a
** UTF-8 version is converted, a file in ANSI_1252 (or without
** $DWGCODEPAGE) is taken as it is, and a file in another code page is
** refused when it holds any byte beyond ASCII. False with in.err. */
static bool dxf_to_code_page(dxf_in& in) {
  std::string version = str_upper(header_value(in, "$ACADVER"));
  std::string page = str_upper(header_value(in, "$DWGCODEPAGE"));
  bool utf8 = version.size() == std::strlen(DXF_FIRST_UTF8_VERSION) && version >= DXF_FIRST_UTF8_VERSION;
  bool own = page.empty() || page == DXF_CODE_PAGE;
  if (!utf8 && own) return true;
  for (auto& p : in.pairs) {
    if (utf8) {
      std::string conv;
      if (!utf8_value_to_cp(p.value, conv)) {
        in.err = "line " + std::to_string(p.line + 1) + ": text is not UTF-8";
        return false;
      }
      p.value = std::move(conv);
    } else if (std::any_of(p.value.begin(), p.value.end(), [](char c) { return (unsigned char)c >= 0x80; })) {
      in.err = "line " + std::to_string(p.line + 1) + ": text in code page " + page + ", which the editor does not read";
      return false;
    }
  }
  return true;
}

/* Reads the value of one group at the reader's position (points take
** their Y and Z pairs); false on a bad value. */
static bool read_group(dxf_in& in, db_grp& g) {
  const dxf_pair& p = in.pairs[in.pos];
  g = db_grp();
  g.code = (short)p.code;
  db_kind k = db_kind_of(p.code);
  auto num = [&](const std::string& v, double& out) { return parse_real(v, out); };
  switch (k) {
    case DBK_STR: g.s = dxf_unescape(p.value); break;
    case DBK_REAL:
      if (!num(p.value, g.v[0])) return in.fail("bad real");
      break;
    case DBK_SHORT: case DBK_LONG: {
      double v;
      if (!num(p.value, v) || v != std::floor(v) || std::fabs(v) > 2147483647.0) return in.fail("bad integer");
      g.i = (int32_t)v;
      break;
    }
    case DBK_POINT: {
      if (!num(p.value, g.v[0])) return in.fail("bad X");
      if (in.pos + 1 >= in.pairs.size() || in.pairs[in.pos + 1].code != p.code + 10) {
        ++in.pos;
        return in.fail("point without Y");
      }
      ++in.pos;
      if (!num(in.pairs[in.pos].value, g.v[1])) return in.fail("bad Y");
      if (in.pos + 1 < in.pairs.size() && in.pairs[in.pos + 1].code == p.code + 20) {
        ++in.pos;
        if (!num(in.pairs[in.pos].value, g.v[2])) return in.fail("bad Z");
      }
      break;
    }
    case DBK_BINARY: {
      if (p.value.size() % 2) return in.fail("bad binary chunk");
      for (size_t i = 0; i < p.value.size(); i += 2) {
        if (!std::isxdigit((unsigned char)p.value[i]) || !std::isxdigit((unsigned char)p.value[i + 1]))
          return in.fail("bad binary chunk");
        g.s += (char)std::stoi(p.value.substr(i, 2), nullptr, 16);
      }
      break;
    }
    case DBK_ENAME: break;
    default: return in.fail("unknown group code " + std::to_string(p.code));
  }
  ++in.pos;
  return true;
}

/* True for a group of a newer version whose kind the drawing does not
** hold (a 64-bit integer, 160..169, and the like); extended data keeps its
** own check. */
static bool skipped_group(int code) {
  return code > 0 && code < 1000 && db_kind_of(code) == DBK_BAD;
}

/* Reads the groups of one object up to the next group 0: its handle, its
** groups and its extended data. */
static bool read_object(dxf_in& in, const std::string& type, unsigned long& handle, std::vector<db_grp>& groups,
                        std::vector<db_xdata>* xdata) {
  handle = 0;
  while (in.more() && in.peek().code != 0) {
    const dxf_pair& p = in.peek();
    if ((p.code == 5 && type != "DIMSTYLE") || p.code == 105) {
      if (!handle_parse(p.value, handle)) return in.fail("bad handle \"" + p.value + "\"");
      ++in.pos;
      continue;
    }
    if ((p.code == 5 && type == "DIMSTYLE") || p.code == 100 || p.code == 102 || (p.code >= 320 && p.code <= 369) || (p.code >= 390 && p.code <= 399) ||
        p.code == 999) {
      ++in.pos;
      continue;
    }
    if (skipped_group(p.code)) {
      ++in.pos;
      continue;
    }
    if (p.code == 1001) {
      if (!xdata) return in.fail("extended data out of place");
      xdata->push_back(db_xdata{str_upper(p.value), {}});
      ++in.pos;
      continue;
    }
    db_grp g;
    if (!read_group(in, g)) return false;
    if (g.code >= 1000) {
      if (!xdata || xdata->empty()) return in.fail("extended data without application");
      xdata->back().items.push_back(g);
      continue;
    }
    if (is_angle(type, g.code)) g.v[0] = g.v[0] * PI / 180;
    groups.push_back(g);
  }
  return true;
}

/* Records an object's handle; false for one already used in the file.
** An object without handle gets one after the file is read. */
static bool claim_handle(dxf_in& in, std::set<unsigned long>& used, unsigned long h) {
  if (h && !used.insert(h).second) return in.fail("duplicate handle " + handle_text(h));
  return true;
}

/* Files a SEQEND for the sequence headed by head, which its space ended
** without one: on the head's layer, under a fresh handle, after the last
** entity read. */
static void close_sequence(dxf_in& in, db_drawing& d, std::set<unsigned long>& used, const std::string& block,
                           std::vector<unsigned long>& order, unsigned long head) {
  db_entity e;
  e.type = "SEQEND";
  e.block = block;
  e.parent = head;
  do e.handle = d.next_handle++; while (used.count(e.handle));
  used.insert(e.handle);
  const db_entity* he = d.ents.find(head);
  const db_grp* l = he ? db_group(*he, 8) : nullptr;
  e.groups.push_back(grp_str(8, l ? l->s : "0"));
  order.push_back(e.handle);
  d.ents.put(std::move(e));
  ++in.closed_sequences;
}

/* Reads the entities of a space up to the given end marker (ENDBLK or
** ENDSEC), filing them in order. A sequence still open at the end marker
** or at the end of the file is closed with its SEQEND. */
static bool read_entities(dxf_in& in, db_drawing& d, std::set<unsigned long>& used, const std::string& block,
                          std::vector<unsigned long>& order, const char* end_marker) {
  unsigned long seq_head = 0;
  std::string seq_type;
  while (in.more()) {
    const dxf_pair& p = in.peek();
    if (p.code != 0) return in.fail("expected group 0");
    std::string type = str_upper(p.value);
    if (seq_head && (type == end_marker || type == "EOF" || type == "ENDSEC" || type == "SECTION")) {
      close_sequence(in, d, used, block, order, seq_head);
      seq_head = 0;
    }
    if (type == end_marker) return true;
    if (type == "EOF" || type == "ENDSEC" || type == "SECTION") return in.fail("missing " + std::string(end_marker));
    ++in.pos;
    db_entity e;
    e.type = type;
    e.block = block;
    if (!read_object(in, type, e.handle, e.groups, &e.xdata)) return false;
    if (!claim_handle(in, used, e.handle)) return false;
    if (!e.handle) {
      do e.handle = d.next_handle++; while (used.count(e.handle));
      used.insert(e.handle);
    }
    if (type == "VERTEX" || type == "ATTRIB" || type == "SEQEND") {
      if (!seq_head) return in.fail(type + " outside a sequence");
      if ((type == "VERTEX" && seq_type != "POLYLINE") || (type == "ATTRIB" && seq_type != "INSERT"))
        return in.fail(type + " in a " + seq_type);
      e.parent = seq_head;
      if (type == "SEQEND") seq_head = 0;
    } else {
      if (seq_head) return in.fail("sequence without SEQEND");
      const db_grp* f = db_group(e, 66);
      if (type == "POLYLINE" || (type == "INSERT" && f && f->i == 1)) {
        seq_head = e.handle;
        seq_type = type;
      }
    }
    if (const db_grp* l = db_group(e, 8)) {
      if (!db_ensure_layer(d, l->s)) return in.fail("bad layer name \"" + l->s + "\"");
    } else {
      e.groups.insert(e.groups.begin(), grp_str(8, "0"));
    }
    order.push_back(e.handle);
    d.ents.put(std::move(e));
  }
  return in.fail("missing " + std::string(end_marker));
}

/* Parses a whole file into d; false with in.err. */
static bool dxf_read(dxf_in& in, db_drawing& d) {
  std::set<unsigned long> used;
  unsigned long seed = 0, top = 0, h;
  for (auto& [t, recs] : d.tables) recs.clear();
  /* Objects without a handle get one above every handle of the file. */
  for (auto& p : in.pairs)
    if ((p.code == 5 || p.code == 105) && handle_parse(p.value, h)) top = std::max(top, h);
  d.next_handle = top + 1;
  bool eof = false;
  while (in.more() && !eof) {
    const dxf_pair& p = in.peek();
    if (p.code == 999) { ++in.pos; continue; }
    if (p.code != 0) return in.fail("expected group 0");
    if (str_upper(p.value) == "EOF") { eof = true; break; }
    if (str_upper(p.value) != "SECTION") return in.fail("expected SECTION");
    ++in.pos;
    if (!in.more() || in.peek().code != 2) return in.fail("section without name");
    std::string sec = str_upper(in.peek().value);
    ++in.pos;
    if (sec == "HEADER") {
      while (in.more() && !(in.peek().code == 0)) {
        if (in.peek().code != 9) return in.fail("expected a header variable");
        std::string var = str_upper(in.peek().value);
        ++in.pos;
        std::vector<db_grp> vals;
        while (in.more() && in.peek().code != 9 && in.peek().code != 0) {
          if (skipped_group(in.peek().code)) {
            ++in.pos;
            continue;
          }
          db_grp g;
          if (!read_group(in, g)) return false;
          vals.push_back(g);
        }
        if (vals.empty()) continue;
        if (var == "$HANDSEED" && !handle_parse(vals[0].s, seed)) return in.fail("bad $HANDSEED");
        for (auto& v : HEADER_VARS) {
          if (var != v.file) continue;
          db_grp& cur = d.vars[v.var];
          if (v.code == 8) cur.s = vals[0].s;
          else if (v.code == 70) cur.i = vals[0].i;
          else if (v.code == 50) cur.v[0] = vals[0].v[0] * PI / 180;
          else cur.v[0] = vals[0].v[0];
        }
      }
    } else if (sec == "TABLES") {
      while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDSEC")) {
        if (in.peek().code != 0 || str_upper(in.peek().value) != "TABLE") return in.fail("expected TABLE");
        ++in.pos;
        if (!in.more() || in.peek().code != 2) return in.fail("table without name");
        std::string tname = str_upper(in.peek().value);
        ++in.pos;
        unsigned long th;
        std::vector<db_grp> skip;
        std::vector<db_xdata> skip_x;
        if (!read_object(in, tname, th, skip, &skip_x)) return false;
        while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDTAB")) {
          if (in.peek().code != 0) return in.fail("expected a table entry");
          ++in.pos;
          db_tblrec r;
          std::vector<db_grp> groups;
          std::vector<db_xdata> foreign_x; /* other writers' notes, not kept */
          if (!read_object(in, tname, r.handle, groups, &foreign_x)) return false;
          if (!claim_handle(in, used, r.handle)) return false;
          for (auto& g : groups)
            if (g.code == 2 && r.name.empty()) r.name = g.s;
            else r.groups.push_back(g);
          if (r.name.empty()) return in.fail(tname + " entry without name");
          if (tname == "APPID" && !lsv_dxf_read(r.name, foreign_x)) return in.fail("damaged link store of " + r.name);
          if (tname == "BLOCK_RECORD" || tname == "DIMSTYLE") continue;
          d.tables[tname].push_back(r);
        }
        if (!in.more()) return in.fail("missing ENDTAB");
        ++in.pos;
      }
      if (!in.more()) return in.fail("missing ENDSEC");
      ++in.pos;
      continue;
    } else if (sec == "BLOCKS") {
      while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDSEC")) {
        if (in.peek().code != 0 || str_upper(in.peek().value) != "BLOCK") return in.fail("expected BLOCK");
        ++in.pos;
        db_block b;
        std::vector<db_grp> groups;
        std::vector<db_xdata> foreign_x; /* other writers' notes, not kept */
        if (!read_object(in, "BLOCK", b.handle, groups, &foreign_x)) return false;
        for (auto& g : groups) {
          if (g.code == 2) b.name = g.s;
          if (g.code == 70) b.flags = (short)g.i;
          if (g.code == 10) std::copy(g.v, g.v + 3, b.base);
        }
        if (b.name.empty()) return in.fail("BLOCK without name");
        if (!claim_handle(in, used, b.handle)) return false;
        if (!read_entities(in, d, used, b.name, b.ents, "ENDBLK")) return false;
        ++in.pos;
        std::vector<db_grp> end_groups;
        if (!read_object(in, "ENDBLK", b.end_handle, end_groups, &foreign_x)) return false;
        if (!claim_handle(in, used, b.end_handle)) return false;
        std::string up = str_upper(b.name);
        if (up == "*MODEL_SPACE" || up == "$MODEL_SPACE" || up.rfind("*PAPER_SPACE", 0) == 0 ||
            up.rfind("$PAPER_SPACE", 0) == 0) {
          for (unsigned long h : b.ents) d.ents.erase(h);
          continue;
        }
        if (db_block_find(d, b.name)) return in.fail("block " + b.name + " defined twice");
        if (up.size() > 2 && up.compare(0, 2, "*U") == 0) {
          int n = std::atoi(up.c_str() + 2);
          if (n >= d.next_anon) d.next_anon = n + 1;
        }
        d.blocks.push_back(b);
      }
    } else if (sec == "ENTITIES") {
      if (!read_entities(in, d, used, "", d.model, "ENDSEC")) return false;
    } else {
      while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDSEC")) ++in.pos;
    }
    if (!in.more()) return in.fail("missing ENDSEC");
    ++in.pos;
  }
  if (!eof) return in.fail("missing EOF");
  d.next_handle = std::max(seed, d.next_handle);
  for (auto& [t, recs] : d.tables)
    for (auto& r : recs)
      if (!r.handle) r.handle = d.next_handle++;
  for (auto& b : d.blocks) {
    if (!b.handle) b.handle = d.next_handle++;
    if (!b.end_handle) b.end_handle = d.next_handle++;
  }
  for (unsigned long h : used) (void)h;
  /* Every table a drawing needs is there; what the file lacks is added. */
  db_drawing fresh;
  db_reset(fresh);
  for (auto& [t, recs] : fresh.tables)
    for (auto& r : recs)
      if (!db_table_find(d, t, r.name)) {
        db_tblrec c = r;
        c.handle = d.next_handle++;
        d.tables[t].push_back(c);
      }
  for (auto& e : d.ents)
    if (const db_grp* l = db_group(e.second, 8)) db_ensure_layer(d, l->s);
  if (!db_table_find(d, "LAYER", d.vars["CLAYER"].s)) d.vars["CLAYER"].s = "0";
  return true;
}

/* Reads the whole file path into text, refusing before reading what is
** not a regular file (a device, a FIFO) or is larger than
** DXF_MAX_FILE_BYTES: a drawing takes many times its size in memory.
** False with err naming the file (and the limit). */
static bool dxf_read_file(const std::string& path, std::string& text, std::string& err) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) { err = "cannot open " + path + ": " + std::strerror(errno); return false; }
  struct stat st;
  bool ok = fstat(fd, &st) == 0;
  if (ok && !S_ISREG(st.st_mode)) {
    err = path + " is not a regular file";
    ok = false;
  } else if (ok && (unsigned long long)st.st_size > DXF_MAX_FILE_BYTES) {
    err = path + " is " + std::to_string((unsigned long long)st.st_size >> 20) + " MB, more than the " +
          std::to_string(DXF_MAX_FILE_BYTES >> 20) + " MB a drawing may be";
    ok = false;
  } else if (!ok) {
    err = "cannot read " + path + ": " + std::strerror(errno);
  }
  try {
    if (ok) text.reserve((size_t)st.st_size);
    char buf[65536];
    while (ok) {
      ssize_t n = read(fd, buf, sizeof buf);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) { err = "cannot read " + path + ": " + std::strerror(errno); ok = false; }
      if (n <= 0) break;
      if (text.size() + (size_t)n > DXF_MAX_FILE_BYTES) {
        err = path + " grew past the " + std::to_string(DXF_MAX_FILE_BYTES >> 20) + " MB a drawing may be";
        ok = false;
        break;
      }
      text.append(buf, (size_t)n);
    }
  } catch (const std::bad_alloc&) {
    err = "not enough memory to read " + path;
    ok = false;
  }
  close(fd);
  if (!ok) std::string().swap(text);
  return ok;
}

/* Saves as ASCII DXF through a temporary file renamed over the target,
** so a failed write never leaves half a drawing; false with err. */
bool host_save_drawing(const std::string& path, std::string& err) {
  std::string text = dxf_write(db());
  std::string tmp;
  std::FILE* out = wf_temp_fopen(path, tmp, "wb");
  if (!out) { err = "cannot write " + path + ": " + wf_reason(errno); return false; }
  bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
  int e = errno;
  if (std::fclose(out) != 0 && ok) { ok = false; e = errno; }
  if (!ok) { err = "cannot write " + path + ": " + wf_reason(e); std::remove(tmp.c_str()); return false; }
  if (wf_place(tmp, path) != 0) { err = "cannot write " + path + ": " + wf_reason(errno); return false; }
  db().path = path;
  return true;
}

/* Opens an ASCII DXF file into a fresh drawing that replaces the current
** one only when the whole file was read; false with err otherwise. */
bool host_open_drawing(const std::string& path, std::string& err) {
  std::string text;
  if (!dxf_read_file(path, text, err)) return false;
  dxf_in in;
  db_drawing d;
  try {
    db_reset(d);
    lsv_dxf_begin();
    if (!dxf_split(text, in) || !dxf_to_code_page(in) || !dxf_read(in, d)) {
      err = path + ": " + in.err;
      return false;
    }
  } catch (const std::bad_alloc&) {
    /* What was read so far goes; the open drawing and its links stay. */
    lsv_dxf_begin();
    err = "not enough memory to read " + path;
    return false;
  }
  if (in.closed_sequences)
    host_io_print(path + ": " + std::to_string(in.closed_sequences) +
                  (in.closed_sequences == 1 ? " sequence" : " sequences") + " without SEQEND closed\n");
  host_new_drawing();
  d.path = path;
  db() = std::move(d);
  lsv_dxf_opened();
  return true;
}
