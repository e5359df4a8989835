/*
** fuzz_cover.cpp: fuzz target of the ArcInfo coverage reader.
**
** The input is cut at "@@@@" into the seven files of a coverage, in the
** order LAB, ARC, PAL, CNT, ARX, PAX, CNX (an empty part: no such file).
** The first byte of the first part picks the names: odd, "NAME.adf";
** even, the plain names. Whatever attaches is read record by record,
** every polygon is assembled, and a few numbers outside the counts are
** asked for too.
**
**   fuzz_cover -max_total_time=60 corpus/ tests/fuzz/corpus/cover
*/
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_files.h"
#include "output/coverages/arc_cover.h"

namespace {

/* The files in input order. */
const char *const k_files[ARC_FILE_COUNT] = {"LAB", "ARC", "PAL", "CNT", "ARX", "PAX", "CNX"};
/* Most records of one kind read per input, so one input stays quick. */
constexpr long READ_MAX = 2000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<std::string> parts = fuzz_split(data, size, ARC_FILE_COUNT);
  bool adf = !parts[0].empty() && (static_cast<unsigned char>(parts[0][0]) & 1);
  fuzz_clear();
  for (int i = 0; i < ARC_FILE_COUNT; i++)
    if (!parts[i].empty()) fuzz_put(fuzz_dir() + "/" + k_files[i] + (adf ? ".adf" : ""), parts[i]);

  arc_cover_rec *c = arc_cover_alloc();
  if (!c) return 0;
  if (arc_cover_attach(c, fuzz_dir().c_str())) {
    for (long n = -1; n <= c->nlabels + 1 && n < READ_MAX; n++) arc_cover_read_label(c, n);
    for (long n = -1; n <= c->narcs + 1 && n < READ_MAX; n++) arc_cover_read_arc(c, n);
    for (long n = -1; n <= c->ncentroids + 1 && n < READ_MAX; n++) arc_cover_read_centroid(c, n);
    for (long n = -1; n <= c->npolygons + 1 && n < READ_MAX; n++) {
      arc_cover_read_pal(c, n);
      arc_cover_read_polygon(c, n);
    }
  }
  arc_cover_free(c);
  return 0;
}
