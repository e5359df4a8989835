/*
** fuzz_shape.cpp: fuzz target of the shape file readers and the shape
** interpreter.
**
** Each input is loaded as a shape library (compiled or text); whatever
** loads is measured and walked with every switch of the interpreter. The
** same bytes are then put into the store unchecked, as raw definitions
** without their terminating 0, and walked, so that the interpreter's own
** bounds are exercised too.
**
**   fuzz_shape -max_total_time=60 corpus/ resources/shapes/
*/
#include <cstdint>
#include <cstdio>
#include <vector>

#include "shapes/shape_interp.h"
#include "shapes/shape_store.h"

namespace {

/* Longest input used as one raw definition (a definition length is 16-bit). */
constexpr size_t RAW_DEF_MAX = 0xFFFF;

/* Walks every shape of library `slot` with arcs as pieces and as chords. */
void walk_library(uint16_t slot) {
  for (int b = 0; b < SHAPE_BUCKETS; b++)
    for (const shape_entry *e = shape_bucket_head(b); e; e = e->next) {
      if (e->slot != slot) continue;
      for (int arcs = 0; arcs < 2; arcs++) {
        shape_state_reset();
        shape_caller_rec *c = shape_caller();
        c->arc_switch = arcs;
        c->vertical_switch = 1;
        c->chord_step = arcs ? 1.0 : 0.37;
        c->rotation_rad = 0.3;
        c->scale = 1.5;
        while (shape_step(e)) (void)shape_output()->kind;
      }
    }
  shape_caller()->arc_switch = 0;
  shape_caller()->vertical_switch = 0;
  shape_caller()->chord_step = 1.0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::vector<uint8_t> bytes(data, data + size);
  if (!bytes.empty()) {
    FILE *fp = fmemopen(bytes.data(), bytes.size(), "rb");
    if (fp) {
      if (shape_font_load_stream("FUZZ", fp) > 0) {
        shape_extents("FUZZ");
        walk_library(shape_lib_slot("FUZZ"));
        while (shape_walk_any("A")) {
        }
      }
      std::fclose(fp);
    }
  }

  /* The raw bytes as definitions: the whole input as shape 1 (and 0, for
  ** the vertical check), its two halves as shapes 2 and 3 for subshapes. */
  shape_store_init();
  uint16_t slot = shape_lib_add("RAW");
  size_t n = bytes.size() < RAW_DEF_MAX ? bytes.size() : RAW_DEF_MAX;
  if (n > 0) {
    shape_index_add(slot, 1, "ALL", bytes.data(), static_cast<uint16_t>(n));
    shape_index_add(slot, 0, "ZERO", bytes.data(), static_cast<uint16_t>(n));
    if (n > 1) {
      shape_index_add(slot, 2, "HEAD", bytes.data(), static_cast<uint16_t>(n / 2));
      shape_index_add(slot, 3, "TAIL", bytes.data() + n / 2, static_cast<uint16_t>(n - n / 2));
    }
    walk_library(slot);
  }
  shape_store_free();
  return 0;
}
