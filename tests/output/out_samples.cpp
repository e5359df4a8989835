/*
** out_samples.cpp: writes sample export files through the writers'
** operations, for the checks by independent readers (GDAL's ogrinfo,
** avcimport and avcexport) in out_external_check.py.
**
**   out_samples e00-points DIR/NAME PRJ   (PRJ: geographic utm transverse lambert)
**   out_samples e00-polygons DIR/NAME
**   out_samples mif DIR/NAME DELIM PRJ    (DELIM: comma or blank; PRJ as above or user)
*/
#include <cstdio>
#include <cstring>
#include <string>

#include "output/exports/e00_writer.h"
#include "output/exports/mif_writer.h"

namespace {

/* Axes of the shipped WGS 84, which match the WGS84 rows only as far as
** those rows are written. */
constexpr double k_wgs84_a = 6378137.0;
constexpr double k_wgs84_b = 6356752.314245;

/* Fails the program with the operation's name when rc is not ok. */
void check(int rc, int ok, const char* what) {
  if (rc != ok) {
    std::fprintf(stderr, "out_samples: %s answered %d\n", what, rc);
    std::exit(1);
  }
}

/* One coordinate system of the samples. */
struct sample_prj {
  const char* name;
  int type, unit, zone;
  double lon, lat, p1, p2, fe, fn, k;
};
const sample_prj k_prjs[] = {
    {"geographic", 0, 0, 0, 0, 0, 0, 0, 0, 0, 1},
    {"utm", 1, 2, 32, 0, 0, 0, 0, 0, 0, 0.9996},
    {"transverse", 2, 2, 0, 9.5, 0, 0, 0, 500000, 0, 0.9996},
    {"lambert", 3, 2, 0, -100.5, 40, 33, 45, 200000, 100000, 1},
    {"user", 5, 2, 0, 0, 0, 0, 0, 0, 0, 1},
};

const sample_prj* find_prj(const char* name) {
  for (const auto& p : k_prjs)
    if (std::strcmp(p.name, name) == 0) return &p;
  std::fprintf(stderr, "out_samples: unknown system %s\n", name);
  std::exit(2);
}

/* Two labelled points with a name, a dip and a weight. */
void e00_points(const char* name, const sample_prj& p) {
  check(e00_open(name, 4096, E00_PREC_SINGLE), E00_OK, "e00_open");
  check(e00_write_exp(), E00_OK, "exp");
  check(e00_write_lab_header(), E00_OK, "lab header");
  check(e00_write_lab_record(0, 1, 0, 10.5, 20.25, 0, 0), E00_OK, "lab 1");
  check(e00_write_lab_record(1, 2, 0, 30, 40, 2.5, 45), E00_OK, "lab 2");
  check(e00_write_lab_end(), E00_OK, "lab end");
  check(e00_write_tol(30), E00_OK, "tol");
  check(e00_write_sin(), E00_OK, "sin");
  check(e00_write_log(), E00_OK, "log");
  check(e00_write_prj(p.type, p.unit, p.zone, k_wgs84_a, k_wgs84_b, p.lon, p.lat, p.p1, p.p2,
                      p.fe, p.fn, p.k),
        E00_OK, "prj");
  check(e00_write_ifo(), E00_OK, "ifo");
  const char* names[3] = {"ROCK", "DIP", "WEIGHT"};
  int types[3] = {E00_ITEM_CHAR, E00_ITEM_INTEXT, E00_ITEM_FLOAT};
  int widths[3] = {10, 3, 4};
  check(e00_write_pat(names, types, widths, nullptr, 3, 2), E00_OK, "pat");
  const char* row1[3] = {"granite", "45", "1.5"};
  const char* row2[3] = {"gneiss", "80", "-2.25"};
  check(e00_write_pat_record(0, 0, 1, 1, row1, types, widths, 3), E00_OK, "pat 1");
  check(e00_write_pat_record(0, 0, 2, 2, row2, types, widths, 3), E00_OK, "pat 2");
  check(e00_write_bnd(7.5, 18.25, 33, 42), E00_OK, "bnd");
  double tx[4] = {7.5, 33, 33, 7.5}, ty[4] = {18.25, 18.25, 42, 42};
  check(e00_write_tic(tx, ty, 4), E00_OK, "tic");
  check(e00_write_eoi(), E00_OK, "eoi");
  check(e00_close(), E00_OK, "close");
}

/* Two unit squares side by side: arcs, centroids, labels, polygons. */
void e00_polygons(const char* name) {
  check(e00_open(name, 4096, E00_PREC_SINGLE), E00_OK, "e00_open");
  check(e00_write_exp(), E00_OK, "exp");
  check(e00_write_arc_header(), E00_OK, "arc header");
  double x1[2] = {1, 1}, y1[2] = {0, 1};
  double x2[4] = {1, 0, 0, 1}, y2[4] = {1, 1, 0, 0};
  double x3[4] = {1, 2, 2, 1}, y3[4] = {0, 0, 1, 1};
  check(e00_write_arc_record(1, 1, 1, 2, 2, 3, 2), E00_OK, "arc 1");
  check(e00_write_arc_points(x1, y1, 2), E00_OK, "arc 1 points");
  check(e00_write_arc_record(2, 2, 2, 1, 2, 1, 4), E00_OK, "arc 2");
  check(e00_write_arc_points(x2, y2, 4), E00_OK, "arc 2 points");
  check(e00_write_arc_record(3, 3, 1, 2, 3, 1, 4), E00_OK, "arc 3");
  check(e00_write_arc_points(x3, y3, 4), E00_OK, "arc 3 points");
  check(e00_write_arc_end(), E00_OK, "arc end");
  check(e00_write_cnt_header(), E00_OK, "cnt header");
  long l1[1] = {1}, l2[1] = {2};
  check(e00_write_cnt_record(0, 0, nullptr, 0), E00_OK, "cnt 1");
  check(e00_write_cnt_record(0.5, 0.5, l1, 1), E00_OK, "cnt 2");
  check(e00_write_cnt_record(1.5, 0.5, l2, 1), E00_OK, "cnt 3");
  check(e00_write_section_end(), E00_OK, "cnt end");
  check(e00_write_lab_header(), E00_OK, "lab header");
  check(e00_write_lab_record(0, 1, 2, 0.5, 0.5, 0, 0), E00_OK, "lab 1");
  check(e00_write_lab_record(0, 2, 3, 1.5, 0.5, 0, 0), E00_OK, "lab 2");
  check(e00_write_lab_end(), E00_OK, "lab end");
  check(e00_write_pal_header(), E00_OK, "pal header");
  check(e00_write_pal_record(2, 0, 0, 2, 1), E00_OK, "pal 1");
  check(e00_write_pal_arc(2, 2, 2), E00_OK, "pal 1 a");
  check(e00_write_pal_arc(3, 1, 3), E00_OK, "pal 1 b");
  check(e00_write_pal_record(2, 0, 0, 1, 1), E00_OK, "pal 2");
  check(e00_write_pal_arc(-1, 2, 3), E00_OK, "pal 2 a");
  check(e00_write_pal_arc(-2, 1, 1), E00_OK, "pal 2 b");
  check(e00_write_pal_record(2, 1, 0, 2, 1), E00_OK, "pal 3");
  check(e00_write_pal_arc(1, 1, 2), E00_OK, "pal 3 a");
  check(e00_write_pal_arc(-3, 2, 1), E00_OK, "pal 3 b");
  check(e00_write_section_end(), E00_OK, "pal end");
  check(e00_write_sin(), E00_OK, "sin");
  check(e00_write_log(), E00_OK, "log");
  check(e00_write_ifo(), E00_OK, "ifo");
  const char* names[1] = {"UNIT"};
  int types[1] = {E00_ITEM_CHAR};
  int widths[1] = {8};
  check(e00_write_pat(names, types, widths, nullptr, 1, 3), E00_OK, "pat");
  const char* u0[1] = {nullptr};
  const char* u1[1] = {"Qal"};
  const char* u2[1] = {"Tbx"};
  check(e00_write_pat_record(-2, 6, 1, 0, u0, types, widths, 1), E00_OK, "pat 1");
  check(e00_write_pat_record(1, 4, 2, 1, u1, types, widths, 1), E00_OK, "pat 2");
  check(e00_write_pat_record(1, 4, 3, 2, u2, types, widths, 1), E00_OK, "pat 3");
  check(e00_write_bnd(0, 0, 2, 1), E00_OK, "bnd");
  check(e00_write_eoi(), E00_OK, "eoi");
  check(e00_close(), E00_OK, "close");
}

/* Points, a line, a region and a text with their .MID lines. */
void mif_pair(const char* name, const char* delim, const sample_prj& p) {
  check(mif_open(name, 0), MIF_OK, "mif_open");
  check(mid_open(name, 0), MIF_OK, "mid_open");
  const char* names[5] = {"NAME", "DIP", "GRADE", "DEPTH", "NOTE"};
  int types[5] = {MIF_COL_CHAR, MIF_COL_SMALLINT, MIF_COL_DECIMAL, MIF_COL_FLOAT, MIF_COL_CHAR};
  int widths[5] = {12, 6, 8, 22, 20};
  int decimals[5] = {0, 0, 2, 0, 0};
  int unique[1] = {1};
  check(mif_write_header(2, delim, unique, 1, unique, 1, names, types, widths, decimals, 5,
                         p.type, p.unit, p.lon, p.lat, p.p1, p.p2, p.k, p.fe, p.fn, k_wgs84_a,
                         k_wgs84_b, 0, 0, 1000, 1000),
        MIF_OK, "header");
  const char* rows[4][5] = {
      {"ST1", "45", "12.5", "100.25", "grey, coarse"},
      {"ST 2", "80", "3", "0.5", "say \"hi\""},
      {"LINE", "0", "0", "0", "plain"},
      {"AREA", "1", "1", "1", nullptr},
  };
  check(mif_write_point(10, 20, 35, 0xFF0000, 12), MIF_OK, "point");
  check(mid_value_format(rows[0], types, widths, decimals, 5, delim), MIF_OK, "mid 1");
  check(mif_write_text("T \"one\"", 30, 40, 35, 42, 30, "Arial"), MIF_OK, "text");
  check(mid_value_format(rows[1], types, widths, decimals, 5, delim), MIF_OK, "mid 2");
  double lx[3] = {0, 50, 100}, ly[3] = {0, 50, 0};
  check(mif_write_pline(lx, ly, 3, 1, 2, 0x0000FF, 0), MIF_OK, "pline");
  check(mid_value_format(rows[2], types, widths, decimals, 5, delim), MIF_OK, "mid 3");
  double rx[5] = {200, 300, 300, 200, 200}, ry[5] = {200, 200, 300, 300, 200};
  check(mif_write_region(rx, ry, 5, 1, 2, 0, 2, 0x00FF00, 0xFFFFFF, 250, 250), MIF_OK, "region");
  check(mid_value_format(rows[3], types, widths, decimals, 5, delim), MIF_OK, "mid 4");
  check(mif_write_none(), MIF_OK, "none");
  check(mid_write_empty_row(5, delim), MIF_OK, "empty row");
  check(mif_close(), MIF_OK, "close");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4 && std::strcmp(argv[1], "e00-points") == 0) {
    e00_points(argv[2], *find_prj(argv[3]));
  } else if (argc >= 3 && std::strcmp(argv[1], "e00-polygons") == 0) {
    e00_polygons(argv[2]);
  } else if (argc >= 5 && std::strcmp(argv[1], "mif") == 0) {
    const char* delim = std::strcmp(argv[3], "comma") == 0 ? "," : "";
    mif_pair(argv[2], delim, *find_prj(argv[4]));
  } else {
    std::fprintf(stderr, "usage: out_samples e00-points|e00-polygons|mif ...\n");
    return 2;
  }
  return 0;
}
