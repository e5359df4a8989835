/*
** cover_writer.h: a test-only writer of ArcInfo binary coverages, laid out
** as the reader expects them (headers, indexes, LAB, ARC, CNT and PAL
** records) in either byte order and precision, with or without the
** 256-byte prefix, under plain or ".adf" names. Its fields can be set to
** damaged values on purpose: a wrong record number, a point or arc count
** the record does not hold, a file cut short.
**
**   tw_cover c; c.arcs.push_back({...}); c.write("/tmp/cov");
*/
#ifndef PV_TESTS_OUTPUT_COVER_WRITER_H
#define PV_TESTS_OUTPUT_COVER_WRITER_H

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

/* An arc as written; number and npoints are written as given when set. */
struct tw_arc {
  int32_t user = 0, from = 0, to = 0, left = 0, right = 0;
  std::vector<std::array<double, 2>> pts;
  std::optional<int32_t> number;   /* default: its record number */
  std::optional<int32_t> npoints;  /* default: pts.size()        */
};
/* A centroid with its label ids; nlabels written as given when set. */
struct tw_cnt {
  double x = 0, y = 0;
  std::vector<int32_t> labels;
  std::optional<int32_t> nlabels;
};
/* A label point. */
struct tw_lab {
  int32_t id = 0, poly = 0;
  double x = 0, y = 0, x1 = 0, y1 = 0, x2 = 0, y2 = 0;
};
/* A PAL record: box and arc entries (arc, node, polygon). */
struct tw_pal {
  double xmin = 0, ymin = 0, xmax = 0, ymax = 0;
  std::vector<std::array<int32_t, 3>> arcs;
  std::optional<int32_t> number;
  std::optional<int32_t> narcs;
};

/* A whole coverage and how its files are stored. */
struct tw_cover {
  bool big = true;        /* big-endian, else little-endian          */
  bool dbl = false;       /* double precision                        */
  bool prefix = false;    /* 256 bytes before each header            */
  std::string ext;        /* "" (plain names), ".adf" or ".ADF"      */
  bool lower = false;     /* names in lower case                     */
  std::vector<tw_arc> arcs;
  std::vector<tw_cnt> cnts;
  std::vector<tw_lab> labs;
  std::vector<tw_pal> pals;

  using bytes = std::string;

  void i32(bytes &b, int32_t v) const {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; i++) {
      int shift = big ? 8 * (3 - i) : 8 * i;
      b.push_back(static_cast<char>((u >> shift) & 0xFF));
    }
  }
  void real(bytes &b, double v) const {
    uint64_t u;
    int n;
    if (dbl) {
      u = std::bit_cast<uint64_t>(v);
      n = 8;
    } else {
      u = std::bit_cast<uint32_t>(static_cast<float>(v));
      n = 4;
    }
    for (int i = 0; i < n; i++) {
      int shift = big ? 8 * (n - 1 - i) : 8 * i;
      b.push_back(static_cast<char>((u >> shift) & 0xFF));
    }
  }
  /* A 100-byte header over body; length_words overrides the length. */
  bytes file(const bytes &body, std::optional<int32_t> length_words = {}) const {
    bytes h;
    if (big) h += std::string("\0\0\x27\x0a", 4); else h += std::string("\x0a\x27\0\0", 4);
    i32(h, dbl ? -1 : 1);
    h.resize(24, '\0');
    i32(h, length_words ? *length_words : static_cast<int32_t>((100 + body.size()) / 2));
    h.resize(100, '\0');
    return (prefix ? std::string(256, '\x55') : "") + h + body;
  }
  std::string name(const char *plain) const {
    std::string n = std::string(plain) + ext;
    if (lower)
      for (char &ch : n) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return n;
  }
  static void put(const std::filesystem::path &p, const bytes &b) {
    std::ofstream(p, std::ios::binary | std::ios::trunc).write(b.data(), static_cast<std::streamsize>(b.size()));
  }
  /* Adds one record to a data body and its entry to an index body. */
  void add(bytes &data, bytes &index, const bytes &rec) const {
    i32(index, static_cast<int32_t>((100 + data.size()) / 2));
    i32(index, static_cast<int32_t>((rec.size() - 8) / 2));
    data += rec;
  }
  /* The files' bodies by name; a role with no records gets no files. */
  std::vector<std::pair<std::string, bytes>> files() const {
    std::vector<std::pair<std::string, bytes>> out;
    int rs = dbl ? 8 : 4;
    if (!arcs.empty()) {
      bytes data, index;
      for (std::size_t n = 0; n < arcs.size(); n++) {
        const tw_arc &a = arcs[n];
        bytes r;
        i32(r, a.number ? *a.number : static_cast<int32_t>(n + 1));
        i32(r, static_cast<int32_t>((32 - 8 + a.pts.size() * 2 * rs) / 2));
        for (int32_t v : {a.user, a.from, a.to, a.left, a.right}) i32(r, v);
        i32(r, a.npoints ? *a.npoints : static_cast<int32_t>(a.pts.size()));
        for (const auto &p : a.pts) {
          real(r, p[0]);
          real(r, p[1]);
        }
        add(data, index, r);
      }
      out.push_back({name("ARC"), file(data)});
      out.push_back({name("ARX"), file(index)});
    }
    if (!cnts.empty()) {
      bytes data, index;
      for (std::size_t n = 0; n < cnts.size(); n++) {
        const tw_cnt &c = cnts[n];
        bytes r;
        i32(r, static_cast<int32_t>(n + 1));
        i32(r, static_cast<int32_t>((2 * rs + 4 + 4 * c.labels.size()) / 2));
        real(r, c.x);
        real(r, c.y);
        i32(r, c.nlabels ? *c.nlabels : static_cast<int32_t>(c.labels.size()));
        for (int32_t id : c.labels) i32(r, id);
        add(data, index, r);
      }
      out.push_back({name("CNT"), file(data)});
      out.push_back({name("CNX"), file(index)});
    }
    if (!labs.empty()) {
      bytes data;
      for (const tw_lab &l : labs) {
        i32(data, l.id);
        i32(data, l.poly);
        for (double v : {l.x, l.y, l.x1, l.y1, l.x2, l.y2}) real(data, v);
      }
      out.push_back({name("LAB"), file(data)});
    }
    if (!pals.empty()) {
      bytes data, index;
      for (std::size_t n = 0; n < pals.size(); n++) {
        const tw_pal &p = pals[n];
        bytes r;
        i32(r, p.number ? *p.number : static_cast<int32_t>(n + 1));
        i32(r, static_cast<int32_t>((4 * rs + 4 + 12 * p.arcs.size()) / 2));
        for (double v : {p.xmin, p.ymin, p.xmax, p.ymax}) real(r, v);
        i32(r, p.narcs ? *p.narcs : static_cast<int32_t>(p.arcs.size()));
        for (const auto &e : p.arcs)
          for (int32_t v : e) i32(r, v);
        add(data, index, r);
      }
      out.push_back({name("PAL"), file(data)});
      out.push_back({name("PAX"), file(index)});
    }
    return out;
  }
  /* Writes the coverage into directory dir (made when missing). */
  void write(const std::filesystem::path &dir) const {
    std::filesystem::create_directories(dir);
    for (const auto &[n, b] : files()) put(dir / n, b);
  }
};

/* Two unit squares side by side (polygons 2 and 3 of a three-polygon
** coverage whose polygon 1 is the outside), with a hole ring in polygon 3
** behind an arc 0, and an arc run backwards in polygon 3. */
inline tw_cover tw_two_squares() {
  tw_cover c;
  c.arcs = {
      {1, 1, 2, 2, 3, {{1, 0}, {1, 1}}, {}, {}},
      {2, 2, 1, 2, 1, {{1, 1}, {0, 1}, {0, 0}, {1, 0}}, {}, {}},
      {3, 1, 2, 3, 1, {{1, 0}, {2, 0}, {2, 1}, {1, 1}}, {}, {}},
      {4, 3, 3, 1, 3, {{1.25, 0.25}, {1.75, 0.25}, {1.5, 0.75}, {1.25, 0.25}}, {}, {}},
  };
  c.cnts = {{0, 0, {}, {}}, {0.5, 0.5, {1}, {}}, {1.5, 0.5, {2}, {}}};
  c.labs = {{1, 2, 0.5, 0.5, 0, 0, 0, 0}, {2, 3, 1.5, 0.5, 0, 0, 0, 0}};
  c.pals = {
      {0, 0, 2, 1, {{{-2, 2, 2}}, {{-3, 1, 3}}}, {}, {}},
      {0, 0, 1, 1, {{{-1, 2, 3}}, {{-2, 1, 1}}}, {}, {}},
      {1, 0, 2, 1, {{{1, 1, 2}}, {{-3, 2, 1}}, {{0, 0, 0}}, {{4, 3, 3}}}, {}, {}},
  };
  return c;
}

/* Four unit squares in two rows (polygons 2 and 3 below, 4 and 5 above,
** polygon 1 the outside), every inner edge an arc of its own: 1 between
** 2 and 3, 2 between 4 and 5, 3 between 2 and 4, 4 between 3 and 5; the
** outer edges are arcs 5 to 8. */
inline tw_cover tw_four_units() {
  tw_cover c;
  c.arcs = {
      {1, 1, 2, 2, 3, {{1, 0}, {1, 1}}, {}, {}},
      {2, 2, 3, 4, 5, {{1, 1}, {1, 2}}, {}, {}},
      {3, 4, 2, 4, 2, {{0, 1}, {1, 1}}, {}, {}},
      {4, 2, 5, 5, 3, {{1, 1}, {2, 1}}, {}, {}},
      {5, 1, 4, 1, 2, {{1, 0}, {0, 0}, {0, 1}}, {}, {}},
      {6, 5, 1, 1, 3, {{2, 1}, {2, 0}, {1, 0}}, {}, {}},
      {7, 4, 3, 1, 4, {{0, 1}, {0, 2}, {1, 2}}, {}, {}},
      {8, 3, 5, 1, 5, {{1, 2}, {2, 2}, {2, 1}}, {}, {}},
  };
  c.cnts = {{0, 0, {}, {}}, {0.5, 0.5, {1}, {}}, {1.5, 0.5, {2}, {}}, {0.5, 1.5, {3}, {}}, {1.5, 1.5, {4}, {}}};
  c.labs = {{1, 2, 0.5, 0.5, 0, 0, 0, 0}, {2, 3, 1.5, 0.5, 0, 0, 0, 0}, {3, 4, 0.5, 1.5, 0, 0, 0, 0},
            {4, 5, 1.5, 1.5, 0, 0, 0, 0}};
  c.pals = {
      {0, 0, 2, 2, {{{5, 1, 2}}, {{6, 5, 3}}, {{7, 4, 4}}, {{8, 3, 5}}}, {}, {}},
      {0, 0, 1, 1, {{{1, 1, 3}}, {{-3, 2, 4}}, {{-5, 4, 1}}}, {}, {}},
      {1, 0, 2, 1, {{{-1, 2, 2}}, {{-6, 1, 1}}, {{4, 5, 5}}}, {}, {}},
      {0, 1, 1, 2, {{{3, 4, 2}}, {{2, 2, 5}}, {{-7, 3, 1}}}, {}, {}},
      {1, 1, 2, 2, {{{-2, 3, 4}}, {{-8, 5, 1}}, {{-4, 2, 3}}}, {}, {}},
  };
  return c;
}

/* A polygon coverage of the outside polygon alone. */
inline tw_cover tw_one_polygon() {
  tw_cover c = tw_two_squares();
  c.pals.resize(1);
  c.cnts.resize(1);
  c.labs.clear();
  return c;
}

#endif
