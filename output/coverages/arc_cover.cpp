/*
** arc_cover.cpp: the ArcInfo binary coverage reader: the lookup of the
** coverage's files, their headers, the records read by number through the
** indexes, and the assembly of a polygon from its PAL record and its arcs.
** Each value is taken from the record's bytes once and converted when the
** file's byte order differs from this machine's.
*/
#include "output/coverages/arc_cover.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <climits>
#include <cstring>
#include <filesystem>
#include <new>

namespace {

/* Plain names of the seven files, by role. */
const char *const k_names[ARC_FILE_COUNT] = {"LAB", "ARC", "PAL", "CNT", "ARX", "PAX", "CNX"};
/* The extension of the extended names. */
const char *const k_adf_ext = ".ADF";

/* Byte of the marker that is 0x27 in a big-endian file, and in a little-endian one. */
constexpr int MARKER_BIG_AT = 2;
constexpr int MARKER_LITTLE_AT = 1;
constexpr unsigned char MARKER = 0x27;
/* Offsets in the header of the precision value and of the length in words. */
constexpr int HDR_PRECISION_AT = 4;
constexpr int HDR_LENGTH_AT = 24;
/* Words of a header counted in a file's length. */
constexpr long HDR_WORDS = ARC_COVER_HEADER_SIZE / 2;
/* Bytes read from a file's start to find its header. */
constexpr std::size_t HEADER_PROBE = ARC_COVER_PREFIX_SIZE + ARC_COVER_HEADER_SIZE;
/* Sizes of the fixed parts, in bytes. */
constexpr int I32 = 4;
constexpr int INDEX_ENTRY = 8;              /* offset and length                     */
constexpr int RECORD_LEAD = 8;              /* number and length, not in the length  */
constexpr int LABEL_SIZE[2] = {32, 56};     /* label record                          */
constexpr int ARC_HDR_SIZE = 32;            /* eight i32                             */
constexpr int CNT_HDR_SIZE[2] = {20, 28};   /* centroid header                       */
constexpr int PAL_HDR_SIZE[2] = {28, 44};   /* PAL header                            */
constexpr int PAL_ENTRY_SIZE = 12;          /* arc, node, polygon                    */
/* Smallest point count of an arc. */
constexpr int32_t ARC_MIN_POINTS = 2;

/* The bytes of v in the opposite order. */
uint32_t swap32(uint32_t v) { return __builtin_bswap32(v); }
uint64_t swap64(uint64_t v) { return __builtin_bswap64(v); }

/* Reads values of one record in its file's byte order and precision. */
struct rec_reader {
  const unsigned char *p;  /* the record's bytes            */
  bool swap;               /* the file's order differs      */
  int precision;           /* ARC_PREC_...                  */

  int32_t i32(std::size_t at) const {
    uint32_t v;
    std::memcpy(&v, p + at, sizeof v);
    if (swap) v = swap32(v);
    return static_cast<int32_t>(v);
  }
  /* A real at byte at: 4 bytes in single precision, 8 in double. */
  double real(std::size_t at) const {
    if (precision == ARC_PREC_DOUBLE) {
      uint64_t v;
      std::memcpy(&v, p + at, sizeof v);
      if (swap) v = swap64(v);
      return std::bit_cast<double>(v);
    }
    uint32_t v;
    std::memcpy(&v, p + at, sizeof v);
    if (swap) v = swap32(v);
    return std::bit_cast<float>(v);
  }
  /* Size of a real, in bytes. */
  int real_size() const { return precision == ARC_PREC_DOUBLE ? 8 : 4; }
};

/* The reader of file role in the handle, over bytes. */
rec_reader reader_of(const arc_cover_rec *c, int role, const unsigned char *bytes) {
  const arc_file_format &f = c->formats[role];
  return rec_reader{bytes, f.order != c->machine_order, f.precision};
}

/* Reads exactly n bytes at offset of file role into buf. true, or false when
** the offset is outside the file or the read is short. */
bool read_at(arc_cover_rec *c, int role, long long offset, void *buf, std::size_t n) {
  std::FILE *fp = c->files[role];
  if (!fp || offset < 0 || offset > c->formats[role].size ||
      static_cast<long long>(n) > c->formats[role].size - offset)
    return false;
  if (std::fseek(fp, static_cast<long>(offset), SEEK_SET) != 0) return false;
  return std::fread(buf, 1, n, fp) == n;
}

/* Finds file name (case ignored) in directory dir; its full path, or "". */
std::string find_file(const std::string &dir, const std::string &name) {
  std::error_code ec;
  std::filesystem::directory_iterator it(dir.empty() ? "." : dir, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string have = it->path().filename().string();
    if (have.size() != name.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < have.size() && same; i++)
      same = std::toupper(static_cast<unsigned char>(have[i])) ==
             std::toupper(static_cast<unsigned char>(name[i]));
    if (same && it->is_regular_file(ec)) return dir + have;
  }
  return "";
}

/* The path of file role as the directory holds it, plain or ".ADF". */
std::string role_file(const arc_cover_rec *c, int role) {
  std::string plain = find_file(c->path, k_names[role]);
  return plain.empty() ? find_file(c->path, std::string(k_names[role]) + k_adf_ext) : plain;
}

/* Closes what an attach opened and keeps why it failed; answers 0. */
int refuse(arc_cover_rec *c, const std::string &why) {
  arc_cover_close_files(c);
  c->refused = why;
  return 0;
}

/* Opens file role under its plain name, then its ".ADF" name; remembers the
** style and the file's size. true when opened. */
bool open_role(arc_cover_rec *c, int role) {
  for (int style : {ARC_NAME_PLAIN, ARC_NAME_ADF}) {
    std::string name = k_names[role];
    if (style == ARC_NAME_ADF) name += k_adf_ext;
    std::string full = find_file(c->path, name);
    if (full.empty()) continue;
    std::FILE *fp = std::fopen(full.c_str(), "rb");
    if (!fp) continue;
    long long size = -1;
    if (std::fseek(fp, 0, SEEK_END) == 0) size = std::ftell(fp);
    if (size < 0 || size > LONG_MAX) {
      std::fclose(fp);
      continue;
    }
    c->files[role] = fp;
    c->name_style = style;
    c->formats[role] = arc_file_format{};
    c->formats[role].size = size;
    return true;
  }
  return false;
}

/* Reads and checks the header of open file role and keeps its format; the
** length in words, or -1 when it is not a coverage file. */
long long take_header(arc_cover_rec *c, int role) {
  unsigned char probe[HEADER_PROBE] = {};
  std::size_t have = static_cast<std::size_t>(std::min<long long>(c->formats[role].size, HEADER_PROBE));
  if (!read_at(c, role, 0, probe, have)) return -1;
  if (!arc_cover_check_header(c, probe, have)) return -1;
  arc_file_format &f = c->formats[role];
  f.order = c->file_order;
  f.precision = c->precision;
  f.header_offset = c->header_offset;
  rec_reader r = reader_of(c, role, probe + c->header_offset);
  return r.i32(HDR_LENGTH_AT);
}

/* Records of rec_bytes each that the file role holds after its header. */
long long records_in_file(const arc_cover_rec *c, int role, long long rec_bytes) {
  long long left = c->formats[role].size - c->formats[role].header_offset - ARC_COVER_HEADER_SIZE;
  return left > 0 ? left / rec_bytes : 0;
}

/* The count a header's length gives for records of rec_words words, cut to
** what the file really holds (a damaged length never promises more). */
long count_of(const arc_cover_rec *c, int role, long long length_words, long long rec_words) {
  if (length_words <= HDR_WORDS) return 0;
  long long n = (length_words - HDR_WORDS) / rec_words;
  n = std::min(n, records_in_file(c, role, rec_words * 2));
  return static_cast<long>(std::min<long long>(n, LONG_MAX));
}

/* The record of data file role through its index entry n (1 to count):
** its byte offset. false when n is out of
** range, the entry cannot be read or points outside the data file. */
bool index_entry(arc_cover_rec *c, int role, int index_role, long n, long count, long long *offset) {
  if (n < 1 || n > count || !c->files[role]) return false;
  unsigned char e[INDEX_ENTRY];
  const arc_file_format &ix = c->formats[index_role];
  long long at = ix.header_offset + ARC_COVER_HEADER_SIZE + static_cast<long long>(n - 1) * INDEX_ENTRY;
  if (!read_at(c, index_role, at, e, sizeof e)) return false;
  rec_reader r = reader_of(c, index_role, e);
  int32_t off_words = r.i32(0), len_words = r.i32(I32);
  if (off_words < 0 || len_words < 0) return false;
  *offset = c->formats[role].header_offset + static_cast<long long>(off_words) * 2;
  return *offset <= c->formats[role].size;
}

/* Reads the fixed header (hdr bytes) of record n of data file role through
** its index into h and gives the record's offset. false as index_entry, or
** when the header is cut short. */
bool record_head(arc_cover_rec *c, int role, int index_role, long n, long count, int hdr, unsigned char *h,
                 long long *offset) {
  return index_entry(c, role, index_role, n, count, offset) &&
         read_at(c, role, *offset, h, static_cast<std::size_t>(hdr));
}

/* Bytes of a record starting at offset with the given fixed header that
** may hold its items: the smaller of its own length and the file's rest. */
long long room_after(const arc_cover_rec *c, int role, long long offset, int32_t length_words, int hdr) {
  long long rec = static_cast<long long>(length_words) * 2 + RECORD_LEAD - hdr;
  long long file = c->formats[role].size - offset - hdr;
  return std::min(rec, file);
}

/* Reads n items of item bytes each after a record's header into buf, when
** the record and the file hold them. */
bool read_items(arc_cover_rec *c, int role, long long offset, int hdr, int32_t length_words,
                long long n, long long item, std::vector<unsigned char> &buf) {
  if (n < 0 || length_words < 0) return false;
  if (n * item > room_after(c, role, offset, length_words, hdr)) return false;
  buf.resize(static_cast<std::size_t>(n * item));
  return n == 0 || read_at(c, role, offset + hdr, buf.data(), buf.size());
}

/* Frees the assembled polygon. */
void clear_polygon(arc_cover_rec *c) {
  c->poly_centroid = arc_cnt_hdr{};
  c->poly_labels.clear();
  c->poly_pal = arc_pal_hdr{};
  c->poly_arcs.clear();
  c->poly_unread.clear();
}

}  // namespace

arc_cover_rec *arc_cover_alloc() {
  arc_cover_rec *c = new (std::nothrow) arc_cover_rec;
  if (c) c->machine_order = std::endian::native == std::endian::big ? ARC_ORDER_BIG : ARC_ORDER_LITTLE;
  return c;
}

void arc_cover_free(arc_cover_rec *c) {
  if (!c) return;
  arc_cover_close_files(c);
  delete c;
}

int arc_cover_check_header(arc_cover_rec *c, const unsigned char *bytes, std::size_t size) {
  for (long at : {0L, static_cast<long>(ARC_COVER_PREFIX_SIZE)}) {
    if (size < static_cast<std::size_t>(at) + ARC_COVER_HEADER_SIZE) continue;
    const unsigned char *h = bytes + at;
    int order;
    if (h[MARKER_BIG_AT] == MARKER)
      order = ARC_ORDER_BIG;
    else if (h[MARKER_LITTLE_AT] == MARKER)
      order = ARC_ORDER_LITTLE;
    else
      continue;
    /* ".ADF" files are only ever written big-endian. */
    if (order == ARC_ORDER_LITTLE && c->name_style == ARC_NAME_ADF) return 0;
    c->file_order = order;
    c->header_offset = at;
    rec_reader r{h, order != c->machine_order, ARC_PREC_SINGLE};
    c->precision = r.i32(HDR_PRECISION_AT) < 0 ? ARC_PREC_DOUBLE : ARC_PREC_SINGLE;
    return 1;
  }
  return 0;
}

int arc_cover_open_file(arc_cover_rec *c, int role) {
  if (role < ARC_FILE_LAB || role > ARC_FILE_CNT || !open_role(c, role)) return 0;
  if (role != ARC_FILE_LAB) return 1;
  long long length = take_header(c, role);
  if (length < 0) return 0;
  c->nlabels = count_of(c, role, length, LABEL_SIZE[c->formats[role].precision] / 2);
  return 1;
}

int arc_cover_open_index(arc_cover_rec *c, int index) {
  if (index < 1 || index > 3) return 0;
  int role = ARC_FILE_ARX + index - 1;
  if (!open_role(c, role)) return 0;
  long long length = take_header(c, role);
  if (length < 0) return 0;
  long n = count_of(c, role, length, INDEX_ENTRY / 2);
  /* The data file is read in the byte order and precision of its index. */
  int data = ARC_FILE_ARC + index - 1;
  long long data_size = c->formats[data].size;
  c->formats[data] = c->formats[role];
  c->formats[data].size = data_size;
  if (role == ARC_FILE_ARX) c->narcs = n;
  if (role == ARC_FILE_PAX) c->npolygons = n;
  if (role == ARC_FILE_CNX) c->ncentroids = n;
  return 1;
}

int arc_cover_attach(arc_cover_rec *c, const char *dir) {
  if (!c || !dir) return 0;
  arc_cover_close_files(c);
  c->refused.clear();
  c->machine_order = std::endian::native == std::endian::big ? ARC_ORDER_BIG : ARC_ORDER_LITTLE;
  c->path = dir;
  if (c->path.empty() || (c->path.back() != '/' && c->path.back() != '\\')) c->path += '/';
  if (c->path.size() > ARC_COVER_PATH_MAX)
    return refuse(c, c->path + ": the path is longer than " + std::to_string(ARC_COVER_PATH_MAX) + " characters");
  bool any = false;
  for (int role = ARC_FILE_LAB; role <= ARC_FILE_CNT; role++) {
    if (arc_cover_open_file(c, role)) {
      any = true;
    } else if (c->files[role]) {
      return refuse(c, role_file(c, role) + " has a damaged header");
    }
  }
  for (int index = 1; index <= 3; index++) {
    int role = ARC_FILE_ARX + index - 1;
    int data = ARC_FILE_ARC + index - 1;
    bool opened = arc_cover_open_index(c, index);
    if (!opened && c->files[role]) return refuse(c, role_file(c, role) + " has a damaged header");
    if (opened != (c->files[data] != nullptr)) {
      int have = opened ? role : data, lacks = opened ? data : role;
      return refuse(c, role_file(c, have) + " has no " + k_names[lacks] + " file beside it");
    }
  }
  if (!any) return refuse(c, c->path + " holds no coverage files (LAB, ARC, PAL, CNT and their indexes)");
  if (c->npolygons > 0)
    c->kind = ARC_KIND_POLYGONS;
  else if (c->narcs > 0)
    c->kind = ARC_KIND_ARCS;
  else if (c->nlabels > 0)
    c->kind = ARC_KIND_LABELS;
  else
    return refuse(c, c->path + " holds no label points, arcs or polygons");
  return 1;
}

int arc_cover_read_label(arc_cover_rec *c, long n) {
  if (!c || n < 1 || n > c->nlabels || !c->files[ARC_FILE_LAB]) return 0;
  const arc_file_format &f = c->formats[ARC_FILE_LAB];
  int size = LABEL_SIZE[f.precision];
  unsigned char b[LABEL_SIZE[ARC_PREC_DOUBLE]];
  if (!read_at(c, ARC_FILE_LAB, f.header_offset + ARC_COVER_HEADER_SIZE + static_cast<long long>(n - 1) * size,
               b, static_cast<std::size_t>(size)))
    return 0;
  rec_reader r = reader_of(c, ARC_FILE_LAB, b);
  int rs = r.real_size();
  arc_label_rec l;
  l.label_id = r.i32(0);
  l.polygon_id = r.i32(I32);
  l.x = r.real(2 * I32);
  l.y = r.real(2 * I32 + rs);
  l.x1 = r.real(2 * I32 + 2 * rs);
  l.y1 = r.real(2 * I32 + 3 * rs);
  l.x2 = r.real(2 * I32 + 4 * rs);
  l.y2 = r.real(2 * I32 + 5 * rs);
  if (l.x2 != 0 || l.y2 != 0) l.x1 = l.y1 = 0;
  c->label = l;
  return 1;
}

int arc_cover_read_arc(arc_cover_rec *c, long n) {
  if (!c) return 0;
  c->arc.points.clear();
  long long offset;
  unsigned char h[ARC_HDR_SIZE];
  if (!record_head(c, ARC_FILE_ARC, ARC_FILE_ARX, n, c->narcs, ARC_HDR_SIZE, h, &offset)) return 0;
  rec_reader r = reader_of(c, ARC_FILE_ARC, h);
  arc_arc_hdr a;
  a.number = r.i32(0);
  a.length = r.i32(I32);
  a.user_id = r.i32(2 * I32);
  a.from_node = r.i32(3 * I32);
  a.to_node = r.i32(4 * I32);
  a.left_poly = r.i32(5 * I32);
  a.right_poly = r.i32(6 * I32);
  a.npoints = r.i32(7 * I32);
  if (a.number != n || a.npoints < ARC_MIN_POINTS) return 0;
  std::vector<unsigned char> buf;
  long long point = 2LL * r.real_size();
  if (!read_items(c, ARC_FILE_ARC, offset, ARC_HDR_SIZE, a.length, a.npoints, point, buf)) return 0;
  rec_reader p = reader_of(c, ARC_FILE_ARC, buf.data());
  std::vector<arc_point> pts(static_cast<std::size_t>(a.npoints));
  for (std::size_t i = 0; i < pts.size(); i++) {
    pts[i].x = p.real(i * point);
    pts[i].y = p.real(i * point + r.real_size());
  }
  c->arc.hdr = a;
  c->arc.points = std::move(pts);
  return 1;
}

int arc_cover_read_centroid(arc_cover_rec *c, long n) {
  if (!c) return 0;
  c->centroid_labels.clear();
  long long offset;
  int hdr = CNT_HDR_SIZE[c->formats[ARC_FILE_CNT].precision];
  unsigned char h[CNT_HDR_SIZE[ARC_PREC_DOUBLE]];
  if (!record_head(c, ARC_FILE_CNT, ARC_FILE_CNX, n, c->ncentroids, hdr, h, &offset)) return 0;
  rec_reader r = reader_of(c, ARC_FILE_CNT, h);
  arc_cnt_hdr t;
  t.number = r.i32(0);
  t.length = r.i32(I32);
  t.x = r.real(2 * I32);
  t.y = r.real(2 * I32 + r.real_size());
  t.nlabels = r.i32(2 * I32 + 2 * r.real_size());
  if (t.number != n) return 0;
  std::vector<unsigned char> buf;
  if (!read_items(c, ARC_FILE_CNT, offset, hdr, t.length, t.nlabels, I32, buf)) return 0;
  rec_reader p = reader_of(c, ARC_FILE_CNT, buf.data());
  std::vector<int32_t> ids(static_cast<std::size_t>(t.nlabels));
  for (std::size_t i = 0; i < ids.size(); i++) ids[i] = p.i32(i * I32);
  c->centroid = t;
  c->centroid_labels = std::move(ids);
  return 1;
}

int arc_cover_read_pal(arc_cover_rec *c, long n) {
  if (!c) return 0;
  c->pal_arcs.clear();
  long long offset;
  int hdr = PAL_HDR_SIZE[c->formats[ARC_FILE_PAL].precision];
  unsigned char h[PAL_HDR_SIZE[ARC_PREC_DOUBLE]];
  if (!record_head(c, ARC_FILE_PAL, ARC_FILE_PAX, n, c->npolygons, hdr, h, &offset)) return 0;
  rec_reader r = reader_of(c, ARC_FILE_PAL, h);
  int rs = r.real_size();
  arc_pal_hdr t;
  t.number = r.i32(0);
  t.length = r.i32(I32);
  t.xmin = r.real(2 * I32);
  t.ymin = r.real(2 * I32 + rs);
  t.xmax = r.real(2 * I32 + 2 * rs);
  t.ymax = r.real(2 * I32 + 3 * rs);
  t.narcs = r.i32(2 * I32 + 4 * rs);
  if (t.number != n || t.narcs < 1) return 0;
  std::vector<unsigned char> buf;
  if (!read_items(c, ARC_FILE_PAL, offset, hdr, t.length, t.narcs, PAL_ENTRY_SIZE, buf)) return 0;
  rec_reader p = reader_of(c, ARC_FILE_PAL, buf.data());
  std::vector<arc_pal_entry> es(static_cast<std::size_t>(t.narcs));
  for (std::size_t i = 0; i < es.size(); i++) {
    es[i].arc = p.i32(i * PAL_ENTRY_SIZE);
    es[i].node = p.i32(i * PAL_ENTRY_SIZE + I32);
    es[i].adj_poly = p.i32(i * PAL_ENTRY_SIZE + 2 * I32);
  }
  c->pal = t;
  c->pal_arcs = std::move(es);
  return 1;
}

int arc_cover_read_polygon(arc_cover_rec *c, long n) {
  if (!c) return 0;
  clear_polygon(c);
  if (arc_cover_read_centroid(c, n)) {
    c->poly_centroid = c->centroid;
    for (int32_t id : c->centroid_labels)
      if (arc_cover_read_label(c, id)) c->poly_labels.push_back(c->label);
    c->poly_centroid.nlabels = static_cast<int32_t>(c->poly_labels.size());
  }
  if (!arc_cover_read_pal(c, n)) {
    clear_polygon(c);
    return 0;
  }
  c->poly_pal = c->pal;
  c->poly_arcs.resize(c->pal_arcs.size());
  for (std::size_t i = 0; i < c->pal_arcs.size(); i++) {
    int32_t e = c->pal_arcs[i].arc;
    /* 0 is a ring break; -2147483648 names no arc (its opposite does not fit). */
    if (e == 0) continue;
    if (e == INT32_MIN || !arc_cover_read_arc(c, e < 0 ? -static_cast<long>(e) : e)) {
      c->poly_unread.push_back(e < 0 && e != INT32_MIN ? -e : e);
      continue;
    }
    arc_arc_rec &a = c->poly_arcs[i];
    a.hdr = c->arc.hdr;
    a.points = std::move(c->arc.points);
    c->arc.points.clear();
    if (e < 0) std::reverse(a.points.begin(), a.points.end());
  }
  return 1;
}

int arc_cover_close_files(arc_cover_rec *c) {
  if (!c) return 0;
  for (std::FILE *&fp : c->files) {
    if (fp) {
      std::fflush(fp);
      std::fclose(fp);
    }
    fp = nullptr;
  }
  int machine = c->machine_order;
  c->path.clear();
  c->name_style = ARC_NAME_PLAIN;
  c->file_order = ARC_ORDER_BIG;
  c->precision = ARC_PREC_SINGLE;
  c->header_offset = 0;
  c->kind = ARC_KIND_NONE;
  for (arc_file_format &f : c->formats) f = arc_file_format{};
  c->nlabels = c->narcs = c->npolygons = c->ncentroids = 0;
  c->label = arc_label_rec{};
  c->arc = arc_arc_rec{};
  c->centroid = arc_cnt_hdr{};
  c->centroid_labels.clear();
  c->pal = arc_pal_hdr{};
  c->pal_arcs.clear();
  clear_polygon(c);
  c->machine_order = machine;
  return 1;
}
