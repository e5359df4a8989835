/*
** cover_samples.cpp: writes the test's sample coverage and prints what the
** coverage reader reads from a coverage, for the check by GDAL's ogrinfo
** in cover_external_check.py.
**
**   cover_samples write DIR single|double   big-endian, with info/arc.dir
**   cover_samples write DIR four|one        the four units, the outside alone
**   cover_samples dump DIR                  one line per record
*/
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "cover_writer.h"
#include "output/coverages/arc_cover.h"

namespace {

/* Prints the counts, every record and the rings of every polygon. */
int dump(const char *dir) {
  arc_cover_rec *c = arc_cover_alloc();
  if (!c || !arc_cover_attach(c, dir)) {
    std::fprintf(stderr, "cover_samples: %s does not open\n", dir);
    arc_cover_free(c);
    return 1;
  }
  std::printf("COUNTS %d %ld %ld %ld %ld\n", c->kind, c->nlabels, c->narcs, c->npolygons, c->ncentroids);
  for (long n = 1; n <= c->narcs; n++) {
    if (!arc_cover_read_arc(c, n)) return std::printf("ARC %ld unreadable\n", n), 1;
    const arc_arc_hdr &h = c->arc.hdr;
    std::printf("ARC %ld %d %d %d %d %d", n, h.user_id, h.from_node, h.to_node, h.left_poly, h.right_poly);
    for (const arc_point &p : c->arc.points) std::printf(" %.17g,%.17g", p.x, p.y);
    std::printf("\n");
  }
  for (long n = 1; n <= c->ncentroids; n++) {
    if (!arc_cover_read_centroid(c, n)) return std::printf("CNT %ld unreadable\n", n), 1;
    std::printf("CNT %ld %.17g,%.17g", n, c->centroid.x, c->centroid.y);
    for (int32_t id : c->centroid_labels) std::printf(" %d", id);
    std::printf("\n");
  }
  for (long n = 1; n <= c->nlabels; n++) {
    if (!arc_cover_read_label(c, n)) return std::printf("LAB %ld unreadable\n", n), 1;
    std::printf("LAB %ld %d %d %.17g,%.17g\n", n, c->label.label_id, c->label.polygon_id, c->label.x, c->label.y);
  }
  for (long n = 1; n <= c->npolygons; n++) {
    if (!arc_cover_read_polygon(c, n)) return std::printf("PAL %ld unreadable\n", n), 1;
    std::printf("PAL %ld", n);
    for (const arc_pal_entry &e : c->pal_arcs) std::printf(" %d", e.arc);
    std::printf("\nRING %ld", n);
    bool first = true;
    double lx = 0, ly = 0;
    for (const arc_arc_rec &a : c->poly_arcs) {
      if (a.points.empty()) {
        std::printf("\nRING %ld", n);
        first = true;
        continue;
      }
      for (const arc_point &p : a.points) {
        if (!first && p.x == lx && p.y == ly) continue;
        std::printf(" %.17g,%.17g", p.x, p.y);
        lx = p.x, ly = p.y, first = false;
      }
    }
    std::printf("\n");
  }
  arc_cover_free(c);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc >= 4 && std::strcmp(argv[1], "write") == 0) {
    tw_cover w = std::strcmp(argv[3], "four") == 0  ? tw_four_units()
                 : std::strcmp(argv[3], "one") == 0 ? tw_one_polygon()
                                                    : tw_two_squares();
    /* "many": the two squares and 3,000 lines more, for a long fill. */
    for (int i = 0; std::strcmp(argv[3], "many") == 0 && i < 3000; i++)
      w.arcs.push_back({i + 5, 1, 1, 1, 1, {{0, -1 - i * 0.001}, {1, -1 - i * 0.001}}, {}, {}});
    w.dbl = std::strcmp(argv[3], "double") == 0;
    w.lower = true;
    w.ext = ".adf";
    std::filesystem::path cov(argv[2]);
    w.write(cov);
    std::filesystem::create_directories(cov.parent_path() / "info");
    tw_cover::put(cov.parent_path() / "info" / "arc.dir", "");
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "dump") == 0) return dump(argv[2]);
  std::fprintf(stderr, "usage: cover_samples write DIR single|double|four|one|many | dump DIR\n");
  return 2;
}
