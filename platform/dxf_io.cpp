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
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <string_view>

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
/* Largest drawing file read, in bytes: a drawing takes several times its
** file's size in memory (some 4 times for linked texts, 8 for points). */
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

/* Bytes of group lines a writer holds before it hands them to its file. */
static const size_t DXF_OUT_BUFFER = 1 << 20;

/* Writer of group lines into a file, through a buffer. */
struct dxf_out {
    std::FILE *f = nullptr; /* the file; not owned                        */
    std::string o;          /* lines not yet written                      */
    bool ok = true;         /* false once a write failed                  */
    int err = 0;            /* its errno                                  */
    /* Hands the lines held to the file. */
    void flush()
    {
        if (ok && !o.empty() && std::fwrite(o.data(), 1, o.size(), f) != o.size()) {
            ok = false;
            err = errno;
        }
        o.clear();
    }
    void line(long code, std::string_view v)
    {
        char c[24];
        int n = std::snprintf(c, sizeof c, "%ld\n", code);
        o.append(c, (size_t)n).append(v).push_back('\n');
        if (o.size() >= DXF_OUT_BUFFER) flush();
    }
    void grp(int code, const std::string &v) { line(code, dxf_escape(v)); }
    void real(int code, double v)
    {
        char b[40];
        std::snprintf(b, sizeof b, "%.17g", v);
        line(code, b);
    }
    void integer(int code, long v) { line(code, std::to_string(v)); }
    void point(int code, const double *v, bool flat)
    {
        real(code, v[0]);
        real(code + 10, v[1]);
        if (!flat) real(code + 20, v[2]);
  }
  /* Writes one group by its kind. */
  void group(const db_grp& g, bool angle, bool flat) {
    switch (db_kind_of(g.code)) {
    case DBK_STR:
        grp(g.code, g.text());
        break;
    case DBK_REAL:
        real(g.code, angle ? g.v[0] * 180 / PI : g.v[0]);
        break;
    case DBK_POINT:
        point(g.code, g.v, flat);
        break;
    case DBK_SHORT:
    case DBK_LONG:
        integer(g.code, g.i);
        break;
    case DBK_BINARY: {
        std::string hex;
        char b[3];
        for (unsigned char c : g.str()) {
            std::snprintf(b, sizeof b, "%02X", c);
            hex += b;
        }
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

/* Writes the whole drawing as ASCII DXF through w. */
static void dxf_write(db_drawing &d, dxf_out &w)
{
    w.grp(0, "SECTION");
    w.grp(2, "HEADER");
    w.grp(9, "$ACADVER");
    w.grp(1, DXF_VERSION);
    w.grp(9, "$DWGCODEPAGE");
    w.grp(3, DXF_CODE_PAGE);
    w.grp(9, "$HANDLING");
    w.integer(70, 1);
    /* Each table's head carries a handle of its own, the ones after the
  ** drawing's last; they are not kept when the file is read again. */
    const unsigned long table_handles = d.next_handle;
    const unsigned long table_count = sizeof TABLE_ORDER / sizeof TABLE_ORDER[0];
    w.grp(9, "$HANDSEED");
    w.grp(5, handle_text(table_handles + table_count));
    for (auto &v : HEADER_VARS) {
        const db_grp &g = d.vars[v.var];
        w.grp(9, v.file);
        if (v.code == 8)
            w.grp(8, g.text());
        else if (v.code == 70)
            w.integer(70, g.i);
        else if (v.code == 50)
            w.real(50, g.v[0] * 180 / PI);
        else
            w.real(v.code, g.v[0]);
    }
    w.grp(0, "ENDSEC");
    w.grp(0, "SECTION");
    w.grp(2, "TABLES");
    for (unsigned long i = 0; i < table_count; ++i) {
        const char *t = TABLE_ORDER[i];
        auto &recs = d.tables[t];
        w.grp(0, "TABLE");
        w.grp(2, t);
        w.grp(5, handle_text(table_handles + i));
        w.integer(70, (long)recs.size());
        for (auto &r : recs) {
            w.grp(0, t);
            w.grp(5, handle_text(r.handle));
            w.grp(2, r.name);
            for (auto &g : r.groups) w.group(g, false, false);
            db_xdata store_x; /* the link store rides on its APPID entry */
            if (std::string(t) == "APPID" && lsv_dxf_xdata(r.name, store_x)) {
                w.grp(1001, store_x.app);
                for (auto &g : store_x.items) w.group(g, false, false);
            }
        }
        w.grp(0, "ENDTAB");
    }
    w.grp(0, "ENDSEC");
    w.grp(0, "SECTION");
    w.grp(2, "BLOCKS");
    for (auto &b : d.blocks) {
        w.grp(0, "BLOCK");
        w.grp(5, handle_text(b.handle));
        w.grp(8, "0");
        w.grp(2, b.name);
        w.integer(70, b.flags);
        w.point(10, b.base, false);
        w.grp(3, b.name);
        for (unsigned long h : b.ents)
            if (db_entity *e = db_entity_find(d, h, true)) write_entity(w, *e, b.handle);
        w.grp(0, "ENDBLK");
        w.grp(5, handle_text(b.end_handle));
        w.grp(8, "0");
    }
    w.grp(0, "ENDSEC");
    w.grp(0, "SECTION");
    w.grp(2, "ENTITIES");
    for (unsigned long h : d.model) {
        db_entity *e = db_entity_find(d, h, true);
        if (e) write_entity(w, *e, 0);
    }
    w.grp(0, "ENDSEC");
    w.grp(0, "EOF");
    w.flush();
}

/* ---- Reading ---- */

/* One group pair of the file. */
struct dxf_pair {
  int code;          /* group code                    */
  std::string value; /* value line, without line end  */
  size_t line;       /* line number of the code       */
};

static bool utf8_value_to_cp(const std::string &v, std::string &out);

/* Reader of the pairs of a file, a few at a time: the pairs ahead of the
** reader's place are kept, none behind it, so that a file of any size is
** read in little memory. The file is read once for its layout
** (dxf_scan), when need be once for its code page (dxf_to_code_page), and
** once for its drawing. */
struct dxf_in {
    std::FILE *f = nullptr;       /* the file; not owned                     */
    std::string path;             /* its name, for messages                  */
    size_t line = 0;              /* lines read                              */
    unsigned long long bytes = 0; /* bytes read                           */
    std::string failed_read;      /* why the file could not be read, or ""   */
    char *buf = nullptr;          /* line buffer of getline; owned           */
    size_t room = 0;              /* its size                                */
    std::deque<dxf_pair> ahead;   /* pairs read, not yet passed              */
    bool ended = false;           /* no pair after those ahead               */
    bool utf8 = false;            /* values are UTF-8, converted as read     */
    std::string err;
    int closed_sequences = 0; /* sequences given their missing SEQEND    */
    ~dxf_in() { std::free(buf); }
    /* Reads the file from its start again. */
    void rewind()
    {
        std::rewind(f);
        line = 0;
        bytes = 0;
        ahead.clear();
        ended = false;
    }
    /* Reads one line into out, its line end (and a CR before it) cut;
  ** false at the end of the file. */
    bool read_line(std::string &out)
    {
        ssize_t n = getline(&buf, &room, f);
        if (n < 0) {
            if (std::ferror(f)) fail_read("cannot read " + path + ": " + std::strerror(errno));
            return false;
        }
        bytes += (unsigned long long)n;
        if (bytes > DXF_MAX_FILE_BYTES) {
            fail_read(path + " grew past the " + std::to_string(DXF_MAX_FILE_BYTES >> 20) + " MB a drawing may be");
            return false;
        }
        ++line;
        out.assign(buf, (size_t)n);
        if (!out.empty() && out.back() == '\n') out.pop_back();
        if (!out.empty() && out.back() == '\r') out.pop_back();
        return true;
    }
    /* Reads the next pair; false at the end of the file, and with err set
  ** for lines that are no pair. */
    bool read(dxf_pair &p)
    {
        std::string a;
        if (!read_line(a)) return false;
        p.line = line;
        size_t i = a.find_first_not_of(" \t");
        if (i == std::string::npos) {
            err = "line " + std::to_string(line) + ": empty group code";
            return false;
        }
        /* A plain integer between blanks, and nothing else: a NUL byte must
    ** not end the line early and pass for a shorter code. */
        const char *start = a.c_str() + i;
        const char *stop = a.c_str() + a.size();
        char *end = nullptr;
        long code = std::strtol(start, &end, 10);
        bool digits = end && end != start;
        while (end && end < stop && (*end == ' ' || *end == '\t')) ++end;
        if (!digits || end != stop || code < -32768 || code > 32767) {
            err = "line " + std::to_string(line) + ": bad group code \"" + dxf_escape(a) + "\"";
            return false;
        }
        if (!read_line(p.value)) {
            err = "line " + std::to_string(p.line) + ": group without value";
            return false;
        }
        p.code = (int)code;
        if (utf8) {
            std::string conv;
            if (!utf8_value_to_cp(p.value, conv)) {
                err = "line " + std::to_string(p.line + 1) + ": text is not UTF-8";
                return false;
            }
            p.value = std::move(conv);
        }
        return true;
    }
    /* Whether there is a pair k places ahead. */
    bool has(size_t k)
    {
        while (ahead.size() <= k && !ended) {
            dxf_pair p;
            if (!read(p))
                ended = true;
            else
                ahead.push_back(std::move(p));
        }
        return ahead.size() > k;
    }
    /* The file cannot be read (whatever it holds): why, said as is. */
    void fail_read(const std::string &why)
    {
        if (failed_read.empty()) failed_read = why;
        if (err.empty()) err = why;
    }
    bool more() { return has(0); }
    const dxf_pair &peek(size_t k = 0)
    {
        has(k);
        return ahead[k];
    }
    void next() { ahead.pop_front(); }
    bool fail(const std::string &what)
    {
        if (err.empty()) err = "line " + std::to_string(has(0) ? ahead[0].line : 0) + ": " + what;
        return false;
    }
};

/* What the first reading of a file finds: the largest handle of its
** groups 5 and 105, and the values of two header variables (the value
** line after their group 9, before the first ENDSEC; empty when the file
** lacks them). */
struct dxf_layout {
    unsigned long top = 0;
    std::string version;
    std::string page;
};

/* Reads the whole file once: every line pair is a group (false with the
** line of a bad one), and its layout. */
static bool dxf_scan(dxf_in &in, dxf_layout &out)
{
    dxf_pair p;
    bool header = true;
    std::string pending;
    unsigned long h;
    while (in.read(p)) {
        if ((p.code == 5 || p.code == 105) && handle_parse(p.value, h)) out.top = std::max(out.top, h);
        if (!header) continue;
        if (pending == "$ACADVER" && out.version.empty()) out.version = p.value;
        if (pending == "$DWGCODEPAGE" && out.page.empty()) out.page = p.value;
        pending.clear();
        if (p.code == 0 && str_upper(p.value) == "ENDSEC")
            header = false;
        else if (p.code == 9)
            pending = str_upper(p.value);
    }
    return in.err.empty();
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

/* Brings every value of the file into the editor's code page: a UTF-8
** version is converted as it is read (every value tried first), a file in
** ANSI_1252 (or without $DWGCODEPAGE) is taken as it is, and a file in
** another code page is refused when it holds any byte beyond ASCII. False
** with in.err. */
static bool dxf_to_code_page(dxf_in &in, const dxf_layout &layout)
{
    std::string version = str_upper(layout.version);
    std::string page = str_upper(layout.page);
    bool utf8 = version.size() == std::strlen(DXF_FIRST_UTF8_VERSION) && version >= DXF_FIRST_UTF8_VERSION;
    bool own = page.empty() || page == DXF_CODE_PAGE;
    if (!utf8 && own) return true;
    in.rewind();
    in.utf8 = utf8;
    dxf_pair p;
    while (in.read(p))
        if (!utf8 && std::any_of(p.value.begin(), p.value.end(), [](char c) { return (unsigned char)c >= 0x80; })) {
            in.err = "line " + std::to_string(p.line + 1) + ": text in code page " + page +
                     ", which the editor does not read";
            return false;
        }
    return in.err.empty();
}

/* Reads the value of one group at the reader's position (points take
** their Y and Z pairs); false on a bad value. */
static bool read_group(dxf_in& in, db_grp& g) {
    /* p is the pair read; it goes once the reader moves on. */
    const dxf_pair &p = in.peek();
    int code = p.code;
    g = db_grp();
    g.code = (short)code;
    db_kind k = db_kind_of(code);
    auto num = [&](const std::string &v, double &out) { return parse_real(v, out); };
    switch (k) {
    case DBK_STR:
        g.set_text(dxf_unescape(p.value));
        break;
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
      if (!in.has(1) || in.peek(1).code != code + 10) {
          in.next();
          return in.fail("point without Y");
      }
      in.next();
      if (!num(in.peek().value, g.v[1])) return in.fail("bad Y");
      if (in.has(1) && in.peek(1).code == code + 20) {
          in.next();
          if (!num(in.peek().value, g.v[2])) return in.fail("bad Z");
      }
      break;
    }
    case DBK_BINARY: {
      if (p.value.size() % 2) return in.fail("bad binary chunk");
      std::string bytes;
      for (size_t i = 0; i < p.value.size(); i += 2) {
        if (!std::isxdigit((unsigned char)p.value[i]) || !std::isxdigit((unsigned char)p.value[i + 1]))
          return in.fail("bad binary chunk");
        bytes += (char)std::stoi(p.value.substr(i, 2), nullptr, 16);
      }
      g.set_text(bytes);
      break;
    }
    case DBK_ENAME: break;
    default:
        return in.fail("unknown group code " + std::to_string(code));
    }
    in.next();
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
      in.next();
      continue;
    }
    if ((p.code == 5 && type == "DIMSTYLE") || p.code == 100 || p.code == 102 || (p.code >= 320 && p.code <= 369) || (p.code >= 390 && p.code <= 399) ||
        p.code == 999) {
        in.next();
        continue;
    }
    if (skipped_group(p.code)) {
        in.next();
        continue;
    }
    if (p.code == 1001) {
      if (!xdata) return in.fail("extended data out of place");
      xdata->push_back(db_xdata{str_upper(p.value), {}});
      in.next();
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

/* The handles a file's objects took: a set of numbers in a table of
** slots (0, which no object takes, marks a free one), a few bytes a handle
** while a large file is read. */
class dxf_handles {
  public:
    /* Adds h; false when it is there already. */
    bool insert(unsigned long h)
    {
        if ((n_ + 1) * 2 > slots_.size()) grow();
        size_t at = find(h);
        if (slots_[at]) return false;
        slots_[at] = h;
        ++n_;
        return true;
    }
    size_t count(unsigned long h) const { return !slots_.empty() && slots_[find(h)] == h; }

  private:
    size_t find(unsigned long h) const
    {
        size_t mask = slots_.size() - 1, at = (size_t)((h * 0x9E3779B97F4A7C15ull) >> 17) & mask;
        while (slots_[at] && slots_[at] != h) at = (at + 1) & mask;
        return at;
    }
    void grow()
    {
        std::vector<unsigned long> was(std::max<size_t>(64, slots_.size() * 2), 0);
        was.swap(slots_);
        for (unsigned long h : was)
            if (h) slots_[find(h)] = h;
    }
    std::vector<unsigned long> slots_;
    size_t n_ = 0;
};

/* Records an object's handle; false for one already used in the file.
** An object without handle gets one after the file is read. */
static bool claim_handle(dxf_in &in, dxf_handles &used, unsigned long h)
{
    if (h && !used.insert(h)) return in.fail("duplicate handle " + handle_text(h));
    return true;
}

/* A handle no object of the file takes, for an entity read without one
** or made while reading; noted as used. */
static unsigned long fresh_handle(db_drawing &d, dxf_handles &used)
{
    unsigned long h;
    do h = d.next_handle++;
    while (used.count(h));
    used.insert(h);
    return h;
}

/* Files an entity read at the end of its space (order: model space or a
** block's list), noting its place when that is model space. */
static void file_entity(db_drawing &d, std::vector<unsigned long> &order, db_entity e)
{
    if (&order == &d.model) e.at.model_at = (uint32_t)order.size();
    order.push_back(e.handle);
    d.ents.put(std::move(e));
}

/* Files a SEQEND for the sequence headed by head, which its space ended
** without one: on the head's layer, under a fresh handle, after the last
** entity read. */
static void close_sequence(dxf_in &in, db_drawing &d, dxf_handles &used, const std::string &block,
                           std::vector<unsigned long> &order, unsigned long head)
{
    db_entity e;
    e.type = "SEQEND";
    e.block = block;
    e.parent = head;
    e.handle = fresh_handle(d, used);
    const db_entity *he = d.ents.find(head);
    const db_grp *l = he ? db_group(*he, 8) : nullptr;
    e.groups.push_back(grp_str(8, l ? l->text() : "0"));
    file_entity(d, order, std::move(e));
    ++in.closed_sequences;
}

/* Reads the entities of a space up to the given end marker (ENDBLK or
** ENDSEC), filing them in order. A sequence still open at the end marker
** or at the end of the file is closed with its SEQEND. */
static bool read_entities(dxf_in &in, db_drawing &d, dxf_handles &used, const std::string &block,
                          std::vector<unsigned long> &order, const char *end_marker)
{
    unsigned long seq_head = 0;
    std::string seq_type;
    while (in.more()) {
        const dxf_pair &p = in.peek();
        if (p.code != 0) return in.fail("expected group 0");
        std::string type = str_upper(p.value);
        if (seq_head && (type == end_marker || type == "EOF" || type == "ENDSEC" || type == "SECTION")) {
            close_sequence(in, d, used, block, order, seq_head);
            seq_head = 0;
        }
        if (type == end_marker) return true;
        if (type == "EOF" || type == "ENDSEC" || type == "SECTION")
            return in.fail("missing " + std::string(end_marker));
        in.next();
        db_entity e;
        e.type = type;
        e.block = block;
        if (!read_object(in, type, e.handle, e.groups, &e.xdata)) return false;
        if (!claim_handle(in, used, e.handle)) return false;
        if (!e.handle) e.handle = fresh_handle(d, used);
        if (type == "VERTEX" || type == "ATTRIB" || type == "SEQEND") {
            if (!seq_head) return in.fail(type + " outside a sequence");
            if ((type == "VERTEX" && seq_type != "POLYLINE") || (type == "ATTRIB" && seq_type != "INSERT"))
                return in.fail(type + " in a " + seq_type);
            e.parent = seq_head;
            if (type == "SEQEND") seq_head = 0;
        } else {
            if (seq_head) return in.fail("sequence without SEQEND");
            const db_grp *f = db_group(e, 66);
            if (type == "POLYLINE" || (type == "INSERT" && f && f->i == 1)) {
                seq_head = e.handle;
                seq_type = type;
            }
        }
        if (const db_grp *l = db_group(e, 8)) {
            if (!db_ensure_layer(d, l->text())) return in.fail("bad layer name \"" + l->text() + "\"");
        } else {
            e.groups.insert(e.groups.begin(), grp_str(8, "0"));
        }
        file_entity(d, order, std::move(e));
    }
    return in.fail("missing " + std::string(end_marker));
}

/* Parses a whole file into d, its layout already read; false with in.err. */
static bool dxf_read(dxf_in &in, const dxf_layout &layout, db_drawing &d)
{
    dxf_handles used;
    unsigned long seed = 0;
    for (auto &[t, recs] : d.tables) recs.clear();
    /* Objects without a handle get one above every handle of the file. */
    d.next_handle = layout.top + 1;
    bool eof = false;
    while (in.more() && !eof) {
        const dxf_pair &p = in.peek();
        if (p.code == 999) {
            in.next();
            continue;
        }
        if (p.code != 0) return in.fail("expected group 0");
        if (str_upper(p.value) == "EOF") {
            eof = true;
            break;
        }
        if (str_upper(p.value) != "SECTION") return in.fail("expected SECTION");
        in.next();
        if (!in.more() || in.peek().code != 2) return in.fail("section without name");
        std::string sec = str_upper(in.peek().value);
        in.next();
        if (sec == "HEADER") {
            while (in.more() && !(in.peek().code == 0)) {
                if (in.peek().code != 9) return in.fail("expected a header variable");
                std::string var = str_upper(in.peek().value);
                in.next();
                std::vector<db_grp> vals;
                while (in.more() && in.peek().code != 9 && in.peek().code != 0) {
                    if (skipped_group(in.peek().code)) {
                        in.next();
                        continue;
                    }
                    db_grp g;
                    if (!read_group(in, g)) return false;
                    vals.push_back(g);
                }
                if (vals.empty()) continue;
                if (var == "$HANDSEED" && !handle_parse(vals[0].text(), seed)) return in.fail("bad $HANDSEED");
                for (auto &v : HEADER_VARS) {
                    if (var != v.file) continue;
                    db_grp &cur = d.vars[v.var];
                    if (v.code == 8)
                        cur.set_text(vals[0].str());
                    else if (v.code == 70)
                        cur.i = vals[0].i;
                    else if (v.code == 50)
                        cur.v[0] = vals[0].v[0] * PI / 180;
                    else
                        cur.v[0] = vals[0].v[0];
                }
            }
        } else if (sec == "TABLES") {
            while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDSEC")) {
                if (in.peek().code != 0 || str_upper(in.peek().value) != "TABLE") return in.fail("expected TABLE");
                in.next();
                if (!in.more() || in.peek().code != 2) return in.fail("table without name");
                std::string tname = str_upper(in.peek().value);
                in.next();
                unsigned long th;
                std::vector<db_grp> skip;
                std::vector<db_xdata> skip_x;
                if (!read_object(in, tname, th, skip, &skip_x)) return false;
                while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDTAB")) {
                    if (in.peek().code != 0) return in.fail("expected a table entry");
                    in.next();
                    db_tblrec r;
                    std::vector<db_grp> groups;
                    std::vector<db_xdata> foreign_x; /* other writers' notes, not kept */
                    if (!read_object(in, tname, r.handle, groups, &foreign_x)) return false;
                    if (!claim_handle(in, used, r.handle)) return false;
                    for (auto &g : groups)
                        if (g.code == 2 && r.name.empty())
                            r.name = g.text();
                        else
                            r.groups.push_back(g);
                    if (r.name.empty()) return in.fail(tname + " entry without name");
                    if (tname == "APPID" && !lsv_dxf_read(r.name, foreign_x))
                        return in.fail("damaged link store of " + r.name);
                    if (tname == "BLOCK_RECORD" || tname == "DIMSTYLE") continue;
                    d.tables[tname].push_back(r);
                }
                if (!in.more()) return in.fail("missing ENDTAB");
                in.next();
            }
            if (!in.more()) return in.fail("missing ENDSEC");
            in.next();
            continue;
        } else if (sec == "BLOCKS") {
            while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDSEC")) {
                if (in.peek().code != 0 || str_upper(in.peek().value) != "BLOCK") return in.fail("expected BLOCK");
                in.next();
                db_block b;
                std::vector<db_grp> groups;
                std::vector<db_xdata> foreign_x; /* other writers' notes, not kept */
                if (!read_object(in, "BLOCK", b.handle, groups, &foreign_x)) return false;
                for (auto &g : groups) {
                    if (g.code == 2) b.name = g.text();
                    if (g.code == 70) b.flags = (short)g.i;
                    if (g.code == 10) std::copy(g.v, g.v + 3, b.base);
                }
                if (b.name.empty()) return in.fail("BLOCK without name");
                if (!claim_handle(in, used, b.handle)) return false;
                if (!read_entities(in, d, used, b.name, b.ents, "ENDBLK")) return false;
                in.next();
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
            while (in.more() && !(in.peek().code == 0 && str_upper(in.peek().value) == "ENDSEC")) in.next();
        }
        if (!in.more()) return in.fail("missing ENDSEC");
        in.next();
    }
    if (!eof) return in.fail("missing EOF");
    d.next_handle = std::max(seed, d.next_handle);
    for (auto &[t, recs] : d.tables)
        for (auto &r : recs)
            if (!r.handle) r.handle = d.next_handle++;
    for (auto &b : d.blocks) {
        if (!b.handle) b.handle = d.next_handle++;
        if (!b.end_handle) b.end_handle = d.next_handle++;
    }
    /* Every table a drawing needs is there; what the file lacks is added. */
    db_drawing fresh;
    db_reset(fresh);
    for (auto &[t, recs] : fresh.tables)
        for (auto &r : recs)
            if (!db_table_find(d, t, r.name)) {
                db_tblrec c = r;
                c.handle = d.next_handle++;
                d.tables[t].push_back(c);
            }
    if (!db_table_find(d, "LAYER", d.vars["CLAYER"].text())) d.vars["CLAYER"].set_text("0");
    return true;
}

/* Opens the file path to be read, refusing before reading what is not a
** regular file (a device, a FIFO) or is larger than DXF_MAX_FILE_BYTES: a
** drawing takes many times its size in memory. Answers the stream, or
** null with err naming the file (and the limit). */
static std::FILE *dxf_open_file(const std::string &path, std::string &err)
{
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        err = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
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
    std::FILE *f = ok ? fdopen(fd, "rb") : nullptr;
    if (ok && !f) err = "cannot read " + path + ": " + std::strerror(errno);
    if (!f) close(fd);
    return f;
}

/* Saves as ASCII DXF through a temporary file renamed over the target,
** so a failed write never leaves half a drawing; false with err. */
bool host_save_drawing(const std::string &path, std::string &err)
{
    std::string tmp;
    std::FILE *out = wf_temp_fopen(path, tmp, "wb");
    if (!out) {
        err = "cannot write " + path + ": " + wf_reason(errno);
        return false;
    }
    dxf_out w;
    w.f = out;
    dxf_write(db(), w);
    bool ok = w.ok;
    int e = w.err;
    if (std::fclose(out) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (!ok) {
        err = "cannot write " + path + ": " + wf_reason(e);
        std::remove(tmp.c_str());
        return false;
    }
    if (wf_place(tmp, path) != 0) {
        err = "cannot write " + path + ": " + wf_reason(errno);
        return false;
    }
    db().path = path;
    return true;
}

/* Opens an ASCII DXF file into a fresh drawing that replaces the current
** one only when the whole file was read; false with err otherwise. */
bool host_open_drawing(const std::string &path, std::string &err)
{
    dxf_in in;
    in.path = path;
    in.f = dxf_open_file(path, err);
    if (!in.f) return false;
    db_drawing d;
    dxf_layout layout;
    bool ok = false;
    try {
        db_reset(d);
        lsv_dxf_begin();
        ok = dxf_scan(in, layout) && dxf_to_code_page(in, layout);
        if (ok) {
            in.rewind();
            ok = dxf_read(in, layout, d);
        }
        if (!ok) err = in.failed_read.empty() ? path + ": " + in.err : in.failed_read;
    } catch (const std::bad_alloc &) {
        /* What was read so far goes; the open drawing and its links stay. */
        lsv_dxf_begin();
        err = "not enough memory to read " + path;
        ok = false;
    }
    std::fclose(in.f);
    if (!ok) return false;
    if (in.closed_sequences)
        host_io_print(path + ": " + std::to_string(in.closed_sequences) +
                      (in.closed_sequences == 1 ? " sequence" : " sequences") + " without SEQEND closed\n");
    host_new_drawing();
    d.path = path;
    db() = std::move(d);
    lsv_dxf_opened();
    return true;
}
