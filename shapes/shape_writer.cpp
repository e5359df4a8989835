/*
** shape_writer.cpp: the compiled shape file writer.
**
** Collects the entries of one library from the shape index, orders them by
** number and writes the header, the index and the shapes, little-endian.
*/
#include "shapes/shape_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "shapes/shape_reader.h"
#include "shapes/shape_store.h"
#include "wfile/wfile.h"

namespace {

/* Largest length a compiled index entry can carry. */
constexpr size_t SHAPE_LENGTH_MAX = 0xFFFF;

/* The three bytes that close a compiled shape file after its last shape;
** other readers refuse a file without them. */
constexpr char SHAPE_END_MARK[] = "EOF";
constexpr size_t SHAPE_END_MARK_LEN = sizeof SHAPE_END_MARK - 1;

/* Writes a 16-bit little-endian word; false on a write error. */
bool put_u16(FILE *fp, unsigned v) {
  return std::fputc(v & 0xFF, fp) != EOF && std::fputc((v >> 8) & 0xFF, fp) != EOF;
}

}  // namespace

/* Writes library `slot` to `path`: the count written, 0 for an empty
** library, -1 on a write failure or a shape too long for the form. */
int shape_write_compiled(uint16_t slot, const char *path) {
  if (!shape_lib_get(slot) || !path) return 0;
  std::vector<const shape_entry *> shapes;
  for (int b = 0; b < SHAPE_BUCKETS; b++)
    for (const shape_entry *e = shape_bucket_head(b); e; e = e->next)
      if (e->slot == slot) shapes.push_back(e);
  if (shapes.empty()) return 0;
  if (shapes.size() > SHAPE_LENGTH_MAX) return -1;
  std::stable_sort(shapes.begin(), shapes.end(),
                   [](const shape_entry *a, const shape_entry *b) { return a->number < b->number; });
  for (const shape_entry *e : shapes)
    if (std::strlen(e->name) + 1 + e->length > SHAPE_LENGTH_MAX) return -1;

  FILE *fp = wf_fopen(path, "wb");  /* never through a link */
  if (!fp) return -1;
  bool ok = std::fwrite(SHAPE_COMPILED_HEADER, 1, SHAPE_HEADER_LEN, fp) == SHAPE_HEADER_LEN &&
            put_u16(fp, shapes.front()->number) && put_u16(fp, shapes.back()->number) &&
            put_u16(fp, static_cast<unsigned>(shapes.size()));
  for (const shape_entry *e : shapes)
    ok = ok && put_u16(fp, e->number) &&
         put_u16(fp, static_cast<unsigned>(std::strlen(e->name) + 1 + e->length));
  for (const shape_entry *e : shapes) {
    size_t n = std::strlen(e->name) + 1;
    ok = ok && std::fwrite(e->name, 1, n, fp) == n &&
         std::fwrite(e->def, 1, e->length, fp) == e->length;
  }
  ok = ok && std::fwrite(SHAPE_END_MARK, 1, SHAPE_END_MARK_LEN, fp) == SHAPE_END_MARK_LEN;
  if (std::fclose(fp) != 0) ok = false;
  return ok ? static_cast<int>(shapes.size()) : -1;
}
