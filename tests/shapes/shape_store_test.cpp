/*
** shape_store_test.cpp: the shape file readers, the library table and the
** shape index, extents, the walk, and our own symbol libraries.
**
** Compiled files are built byte by byte here (so that damaged ones can be
** made) or written by the library writer; text sources are inline strings.
*/
#include "shapes/shape_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "shapes/shape_interp.h"
#include "shapes/shape_reader.h"
#include "shapes/shape_writer.h"
#include "scratch_dir.h"

namespace {

/* One shape of a hand-built compiled file. */
struct raw_shape {
  uint16_t number;
  std::string name;
  std::vector<uint8_t> def;
  int length = -1; /* index length; -1 for the true one */
};

void put16(std::string &s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}

/* The bytes of a compiled file holding `shapes`. */
std::string compiled(const std::vector<raw_shape> &shapes) {
  std::string s(reinterpret_cast<const char *>(SHAPE_COMPILED_HEADER), SHAPE_HEADER_LEN);
  put16(s, shapes.empty() ? 0 : shapes.front().number);
  put16(s, shapes.empty() ? 0 : shapes.back().number);
  put16(s, static_cast<unsigned>(shapes.size()));
  for (const raw_shape &r : shapes) {
    put16(s, r.number);
    put16(s, r.length >= 0 ? r.length : static_cast<unsigned>(r.name.size() + 1 + r.def.size()));
  }
  for (const raw_shape &r : shapes) {
    s += r.name;
    s += '\0';
    s.append(r.def.begin(), r.def.end());
  }
  return s;
}

/* Loads library `name` from the bytes `data` through a memory stream. */
int load_bytes(const char *name, const std::string &data) {
  std::string copy = data;
  FILE *fp = fmemopen(copy.data(), copy.size(), "rb");
  if (!fp) return -100;
  int n = shape_font_load_stream(name, fp);
  std::fclose(fp);
  return n;
}

/* A file name in this test program's own scratch folder, removed when the
 * program ends. */
std::string temp_path(const std::string &leaf) {
  static pv_scratch_dir dir("pv_shape_");
  return (dir.path() / leaf).string();
}

void write_file(const std::string &path, const std::string &data) {
  std::ofstream(path, std::ios::binary) << data;
}

std::string read_file(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::vector<uint8_t> def_of(const shape_entry *e) {
  return e ? std::vector<uint8_t>(e->def, e->def + e->length) : std::vector<uint8_t>{};
}

class ShapeStore : public ::testing::Test {
 protected:
  void SetUp() override {
    shape_store_free();
    shape_caller()->arc_switch = 0;
    shape_caller()->vertical_switch = 0;
    shape_caller()->chord_step = 1.0;
  }
  void TearDown() override { shape_store_free(); }
};

TEST_F(ShapeStore, TextSourceItemsReadAsHexDecimalAndNegative) {
  EXPECT_EQ(load_bytes("T", "*1,6,ONE\n2,-2,-043,012,(0A,\n0)\n*0100,2,WIDE remark here\n014,0\n"), 2);
  const shape_entry *one = shape_find_in_lib(shape_lib_slot("t"), "one");
  ASSERT_NE(one, nullptr);
  EXPECT_EQ(one->number, 1);
  EXPECT_EQ(def_of(one), (std::vector<uint8_t>{0x02, 0xFE, 0xC3, 0x12, 0x0A, 0x00}));
  const shape_entry *wide = shape_find_any("WIDE");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->number, 0x100);
  EXPECT_EQ(def_of(wide), (std::vector<uint8_t>{0x14, 0x00}));
}

TEST_F(ShapeStore, MalformedTextSourcesFailAndLeaveNothing) {
  struct {
    const char *source;
    const char *reason;
  } cases[] = {
      {"*1,5,A\n1,2,3,0\n*2,2,B\n014,0\n", "4 items where 5"},
      {"*1,2,A\n1,2,0\n", "more items"},
      {"*1,2,A\n1,2\n", "does not end with 0"},
      {"*1,0,A\n", "no items"},
      {"*1,2001,A\n0\n", "exceed"},
      {"*1,2,ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456\n1,0\n", "name longer than 32"},
      {"*1,2,A\n300,0\n", "out of range"},
      {"*1,2,A\n-129,0\n", "out of range"},
      {"*1,2,A\nx,0\n", "item expected"},
      {"*1 2,A\n1,0\n", "',' expected"},
      {"*70000,2,A\n1,0\n", "larger than"},
      {"*1,2,A\n1 0\n", "',' expected between items"},
      {"*1,2,A\n1,0 junk\n", "unexpected text"},
      {"*BIGFONT 1,0\n", "big font"},
      {"hello\n", "neither a compiled shape file nor a shape source"},
      {"*", "shape number expected"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(load_bytes("BAD", c.source), 0);
    EXPECT_NE(std::string(shape_load_error()).find(c.reason), std::string::npos)
        << shape_load_error();
    EXPECT_EQ(shape_lib_slot("BAD"), SHAPE_SLOT_NONE);
    EXPECT_EQ(shape_find_any("A"), nullptr);
    for (int b = 0; b < SHAPE_BUCKETS; b++) EXPECT_EQ(shape_bucket_head(b), nullptr);
  }
}

TEST_F(ShapeStore, NegativeItemsKeepTheirLowSevenBits) {
  ASSERT_EQ(load_bytes("T", "*1,5,N\n-1,-127,-128,-07F,0\n"), 1);
  EXPECT_EQ(def_of(shape_find_any("N")), (std::vector<uint8_t>{0xFF, 0x81, 0x00, 0xFF, 0x00}));
}

TEST_F(ShapeStore, CompiledFileLoadsWithNamesNumbersAndDefinitions) {
  std::string data = compiled({{1, "UP", {0x14, 0}}, {300, "RIGHT", {0x10, 0x02, 0}}});
  ASSERT_EQ(load_bytes("C", data), 2);
  const shape_entry *right = shape_find_by_number(shape_lib_slot("C"), 300);
  ASSERT_NE(right, nullptr);
  EXPECT_STREQ(right->name, "RIGHT");
  EXPECT_EQ(right->length, 3);
  EXPECT_EQ(def_of(right), (std::vector<uint8_t>{0x10, 0x02, 0}));
}

TEST_F(ShapeStore, DamagedCompiledFilesFailWithAClearReason) {
  std::vector<uint8_t> long_def(SHAPE_DEF_MAX + 1, 0x10);
  long_def.back() = 0;
  std::string no_name_end = compiled({{1, "ABC", {0x10, 0}}});
  no_name_end.resize(no_name_end.size() - 3);  // cut inside the name
  std::string cut_index = compiled({{1, "A", {0}}, {2, "B", {0}}});
  cut_index.resize(SHAPE_HEADER_LEN + 6 + 5);
  std::string cut_def = compiled({{1, "A", {0x10, 0x10, 0}}});
  cut_def.pop_back();
  struct {
    std::string data;
    const char *reason;
  } cases[] = {
      {compiled({{1, "A", long_def}}), "exceeds 2000"},
      {compiled({{1, "AB", {0x10, 0}, 3}}), "no definition bytes"},
      {compiled({{1, "ABCD", {0x10, 0}, 2}}), "name runs past"},
      {compiled({{1, "A", {0x10, 0}}}).substr(0, SHAPE_HEADER_LEN + 10 + 1), "ends inside its name"},
      {no_name_end, "ends inside"},
      {cut_index, "ends inside its index"},
      {cut_def, "ends inside its definition"},
      {compiled({{1, "A", {0x10, 0x10}}}), "does not end with 0"},
      {compiled({}), "no shapes"},
      {compiled({{1, "A", {0}}}).substr(0, SHAPE_HEADER_LEN + 3), "inside its header"},
      {compiled({{1, "OK", {0x10, 0}}, {2, "B", {0x10, 0}, 1}}), "name runs past"},
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.reason);
    EXPECT_EQ(load_bytes("BAD", c.data), 0);
    EXPECT_NE(std::string(shape_load_error()).find(c.reason), std::string::npos)
        << shape_load_error();
    EXPECT_EQ(shape_lib_slot("BAD"), SHAPE_SLOT_NONE);
    EXPECT_EQ(shape_find_any("OK"), nullptr);
  }
}

TEST_F(ShapeStore, AlreadyLoadedDiffersFromAnyCountOfShapes) {
  std::vector<raw_shape> many;
  for (uint16_t n = 1; n <= 257; n++) many.push_back({n, "S" + std::to_string(n), {0x10, 0}});
  std::string path = temp_path("many.shx");
  write_file(path, compiled(many));
  EXPECT_EQ(shape_font_load(path.c_str()), 257);
  EXPECT_EQ(shape_font_load(path.c_str()), SHAPE_ALREADY_LOADED);
  EXPECT_NE(SHAPE_ALREADY_LOADED, 257);
  EXPECT_EQ(shape_lib_slot(path.c_str()), 0);
  EXPECT_EQ(shape_lib_get(1), nullptr);  // nothing read the second time
}

/* An allocator that fails once `g_allocs_left` blocks have been given. */
int g_allocs_left = -1;
void *failing_alloc(size_t n) {
  if (g_allocs_left == 0) return nullptr;
  g_allocs_left--;
  return std::malloc(n);
}

TEST_F(ShapeStore, RunningOutOfMemoryAnywhereInALoadLeavesNothing) {
  // Library record and name, then per shape its entry, name and definition.
  const int allocs = 2 + 2 * 3;
  const std::string src = "*1,2,A\n014,0\n*2,2,B\n010,0\n";
  shape_store_set_allocator(failing_alloc);
  for (int left = 0; left < allocs; left++) {
    SCOPED_TRACE(left);
    g_allocs_left = left;
    EXPECT_EQ(load_bytes("M", src), 0);
    EXPECT_NE(std::string(shape_load_error()).find("out of memory"), std::string::npos)
        << shape_load_error();
    EXPECT_EQ(shape_lib_slot("M"), SHAPE_SLOT_NONE);
    for (int b = 0; b < SHAPE_BUCKETS; b++) EXPECT_EQ(shape_bucket_head(b), nullptr);
  }
  g_allocs_left = allocs;
  EXPECT_EQ(load_bytes("M", src), 2);
  shape_store_set_allocator(nullptr);
}

TEST_F(ShapeStore, LoadReportsMissingFilesAndEmptyNames) {
  EXPECT_EQ(shape_font_load(temp_path("absent.shx").c_str()), 0);
  EXPECT_NE(std::string(shape_load_error()).find("cannot open"), std::string::npos);
  EXPECT_EQ(shape_font_load(""), 0);
  EXPECT_EQ(shape_font_load(nullptr), 0);
  std::string empty = temp_path("empty.shp");
  write_file(empty, "");
  EXPECT_EQ(shape_font_load(empty.c_str()), 0);
  EXPECT_EQ(shape_lib_slot(empty.c_str()), SHAPE_SLOT_NONE);
}

TEST_F(ShapeStore, FiftyLibrariesFitAndTheFiftyFirstDoesNot) {
  std::string src = "*1,2,A\n014,0\n";
  for (int i = 0; i < SHAPE_LIB_MAX; i++)
    ASSERT_EQ(load_bytes(("L" + std::to_string(i)).c_str(), src), 1);
  EXPECT_EQ(load_bytes("L50", src), 0);
  EXPECT_NE(std::string(shape_load_error()).find("no free library slot"), std::string::npos);
  EXPECT_EQ(shape_lib_add("L50"), SHAPE_SLOT_NONE);

  EXPECT_EQ(shape_font_unload("L7"), 1);
  EXPECT_EQ(shape_font_unload("L7"), 0);
  EXPECT_EQ(load_bytes("L50", src), 1);
  EXPECT_EQ(shape_lib_slot("l50"), 7);
  EXPECT_EQ(shape_store_free(), SHAPE_LIB_MAX);
  EXPECT_EQ(shape_store_free(), 0);
}

TEST_F(ShapeStore, LibraryNamesMatchWithoutRegardToCase) {
  EXPECT_EQ(shape_lib_slot("X"), SHAPE_SLOT_NONE);  // not initialised: no slot 0
  EXPECT_EQ(shape_lib_add("X"), SHAPE_SLOT_NONE);
  shape_store_init();
  EXPECT_EQ(shape_lib_add(""), SHAPE_SLOT_NONE);
  EXPECT_EQ(shape_lib_add("Fonts/Geo.shx"), 0);
  EXPECT_EQ(shape_lib_slot("FONTS/GEO.SHX"), 0);
  EXPECT_EQ(shape_lib_slot("FONTS/GEO"), SHAPE_SLOT_NONE);
  EXPECT_EQ(shape_lib_slot(""), SHAPE_SLOT_NONE);
  EXPECT_STREQ(shape_lib_get(0)->name, "Fonts/Geo.shx");
  EXPECT_EQ(shape_lib_get(SHAPE_LIB_MAX), nullptr);
}

TEST_F(ShapeStore, LookupsFollowBucketOrderAndReadingOrder) {
  ASSERT_EQ(load_bytes("ONE", "*5,2,a\n014,0\n*257,2,LATE\n014,0\n*1,2,EARLY\n014,0\n"), 3);
  ASSERT_EQ(load_bytes("TWO", "*3,2,A\n010,0\n*1,2,AB\n010,0\n"), 2);
  uint16_t one = shape_lib_slot("ONE"), two = shape_lib_slot("TWO");

  // a (number 5) in ONE and A (number 3) in TWO: bucket 3 comes first.
  const shape_entry *any = shape_find_any("A");
  ASSERT_NE(any, nullptr);
  EXPECT_EQ(any->slot, two);
  EXPECT_EQ(shape_find_in_lib(one, "A")->number, 5);
  EXPECT_EQ(shape_find_in_lib(two, "ab")->number, 1);  // equal length only
  EXPECT_EQ(shape_find_in_lib(one, "AB"), nullptr);
  EXPECT_EQ(shape_find_in_lib(one, ""), nullptr);
  EXPECT_EQ(shape_find_in_lib(SHAPE_SLOT_NONE, "A"), nullptr);
  EXPECT_EQ(shape_find_any(nullptr), nullptr);

  // 257 and 1 share bucket 1, in reading order, then TWO's shape 1.
  const shape_entry *e = shape_bucket_head(1);
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->number, 257);
  EXPECT_EQ(e->next->number, 1);
  EXPECT_EQ(e->next->slot, one);
  EXPECT_EQ(e->next->next->slot, two);
  EXPECT_EQ(shape_find_by_number(one, 1)->name, std::string("EARLY"));
  EXPECT_EQ(shape_find_by_number(two, 1)->name, std::string("AB"));
  EXPECT_EQ(shape_find_by_number(two, 257), nullptr);

  // Unloading ONE leaves TWO's shapes alone.
  EXPECT_EQ(shape_font_unload("one"), 1);
  EXPECT_EQ(shape_bucket_head(1)->slot, two);
  EXPECT_EQ(shape_find_any("LATE"), nullptr);
  EXPECT_NE(shape_find_any("A"), nullptr);
}

TEST_F(ShapeStore, ExtentsMeasureEveryShapeAlsoAboveNumber255) {
  shape_caller()->arc_switch = 1;
  shape_caller()->vertical_switch = 1;
  shape_caller()->chord_step = 0.5;
  ASSERT_EQ(load_bytes("E",
                       "*1,3,BOX\n"
                       "024,030,0\n"
                       "*300,5,HIGH\n"
                       "2,8,(0,-5),0\n"
                       "*301,7,TALL\n"
                       "2,8,(1,-2),1,064,0\n"
                       "*302,4,CIRCLE\n"
                       "10,(2,000),0\n"),
            4)
      << shape_load_error();
  EXPECT_EQ(shape_extents("E"), 3);  // HIGH draws nothing
  // The caller's switches are back.
  EXPECT_EQ(shape_caller()->arc_switch, 1);
  EXPECT_EQ(shape_caller()->vertical_switch, 1);
  EXPECT_EQ(shape_caller()->chord_step, 0.5);

  double x0, y0, x1, y1;
  EXPECT_EQ(shape_extents_by_name("box", &x0, &y0, &x1, &y1), 1);
  EXPECT_EQ((std::vector<double>{x0, y0, x1, y1}), (std::vector<double>{0, 0, 3, 2}));
  EXPECT_EQ(shape_extents_by_number("E", 301, &x0, &y0, &x1, &y1), 1);
  EXPECT_EQ((std::vector<double>{x0, y0, x1, y1}), (std::vector<double>{1, -2, 1, 4}));
  EXPECT_EQ(shape_extents_by_number("E", 300, &x0, &y0, &x1, &y1), 1);
  EXPECT_EQ((std::vector<double>{x0, y0, x1, y1}), (std::vector<double>{0, 0, 0, 0}));
  // The circle is measured by its chords (arcs come out as chords here).
  EXPECT_EQ(shape_extents_by_number("E", 302, &x0, &y0, &x1, &y1), 1);
  EXPECT_NEAR(x0, -4, 1e-6);
  EXPECT_NEAR(y1, 2 * std::sin(2 * SHAPE_OCTANT_RAD), 1e-6);

  x0 = 9;
  EXPECT_EQ(shape_extents_by_name("NONE", &x0, &y0, &x1, &y1), 0);
  EXPECT_EQ(x0, 0);
  EXPECT_EQ(shape_extents_by_number("NOLIB", 1, &x0, &y0, &x1, &y1), 0);

  const shape_lib_rec *lib = shape_lib_get(shape_lib_slot("E"));
  EXPECT_NEAR(lib->min_x, -4, 1e-6);
  EXPECT_EQ(lib->max_x, 3);
  EXPECT_EQ(lib->min_y, -2);
  EXPECT_EQ(lib->max_y, 4);
  EXPECT_EQ(lib->max_height, 6);
  EXPECT_NEAR(lib->max_width, 4, 1e-6);

  ASSERT_EQ(load_bytes("F", "*1,3,FAR\n2,0C0,0\n*2,2,R\n0A0,0\n"), 2);
  EXPECT_EQ(shape_extents("F"), 1);
  double w, h;
  EXPECT_EQ(shape_store_extents(&x0, &y0, &x1, &y1, &w, &h), 1);
  EXPECT_EQ(x1, 10);
  EXPECT_EQ(h, 6);
  EXPECT_NEAR(w, 10, 1e-6);
  EXPECT_EQ(shape_extents("NOLIB"), 0);
}

TEST_F(ShapeStore, OperationsAnswerNothingBeforeTheStoreIsReady) {
  double v = 5;
  EXPECT_EQ(shape_store_extents(&v, nullptr, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(v, 0);
  EXPECT_EQ(shape_extents("X"), 0);
  EXPECT_EQ(shape_walk_any("X"), 0);
  EXPECT_EQ(shape_font_unload("X"), 0);
  EXPECT_EQ(shape_find_by_number(0, 1), nullptr);
  EXPECT_EQ(shape_index_add(0, 1, "A", reinterpret_cast<const uint8_t *>(""), 1), nullptr);
}

/* Segments of a whole walk driven by `step`. */
template <typename F>
std::vector<std::vector<double>> walk_segments(F step) {
  std::vector<std::vector<double>> segs;
  for (int guard = 0; step() && guard < 1000; guard++) {
    const shape_output_rec *o = shape_output();
    if (o->kind == SHAPE_STEP_LINE) segs.push_back({o->x1, o->y1, o->x2, o->y2});
  }
  return segs;
}

TEST_F(ShapeStore, WalksStepTheNamedShapeToItsEnd) {
  ASSERT_EQ(load_bytes("W", "*1,3,UP\n014,010,0\n*2,2,DOWN\n01C,0\n"), 2);
  std::vector<std::vector<double>> up = {{0, 0, 0, 1}, {0, 1, 1, 1}};
  shape_state_reset();
  EXPECT_EQ(walk_segments([] { return shape_walk_named("W", "up"); }), up);
  shape_state_reset();
  EXPECT_EQ(walk_segments([] { return shape_walk_number("w", 1); }), up);
  shape_state_reset();
  shape_caller()->base_x = 5;
  EXPECT_EQ(walk_segments([] { return shape_walk_any("DOWN"); }),
            (std::vector<std::vector<double>>{{5, 0, 5, -1}}));

  EXPECT_EQ(shape_walk_named("W", "MISSING"), 0);
  EXPECT_EQ(shape_walk_named("NOLIB", "UP"), 0);
  EXPECT_EQ(shape_walk_number("W", 99), 0);

  // Other arguments in the middle of a walk: answer 1, then start afresh.
  shape_state_reset();
  EXPECT_EQ(shape_walk_named("W", "UP"), 1);
  EXPECT_EQ(shape_walk_named("W", "DOWN"), 1);
  EXPECT_EQ(shape_output()->kind, SHAPE_STEP_NONE);
  EXPECT_EQ(walk_segments([] { return shape_walk_named("W", "DOWN"); }),
            (std::vector<std::vector<double>>{{0, 0, 0, -1}}));

  // Unloading the library abandons the walk.
  EXPECT_EQ(shape_walk_named("W", "UP"), 1);
  EXPECT_EQ(shape_font_unload("W"), 1);
  EXPECT_EQ(shape_walk_named("W", "UP"), 0);
}

TEST_F(ShapeStore, WriterAndReaderAgree) {
  ASSERT_EQ(load_bytes("SRC", "*300,3,B\n2,014,0\n*1,4,A\n8,(1,-1),0\n*1,2,DUP\n010,0\n"), 3);
  std::string path = temp_path("agree.shx");
  EXPECT_EQ(shape_write_compiled(shape_lib_slot("SRC"), path.c_str()), 3);
  ASSERT_EQ(shape_font_load(path.c_str()), 3);
  uint16_t src = shape_lib_slot("SRC"), out = shape_lib_slot(path.c_str());
  for (const char *name : {"A", "B", "DUP"}) {
    const shape_entry *a = shape_find_in_lib(src, name), *b = shape_find_in_lib(out, name);
    ASSERT_NE(b, nullptr) << name;
    EXPECT_EQ(a->number, b->number);
    EXPECT_EQ(def_of(a), def_of(b));
  }
  // Ascending numbers, duplicates in reading order; first and last numbers.
  std::string bytes = read_file(path);
  ASSERT_GE(bytes.size(), 30u + 12u);
  auto u16 = [&](size_t at) { return (uint8_t)bytes[at] | ((uint8_t)bytes[at + 1] << 8); };
  EXPECT_EQ(u16(24), 1);
  EXPECT_EQ(u16(26), 300);
  EXPECT_EQ(u16(28), 3);
  EXPECT_EQ(bytes.substr(42, 2), std::string("A\0", 2));
  EXPECT_EQ(bytes.substr(bytes.size() - 3), "EOF");  // other readers refuse a file without it
  EXPECT_EQ(shape_write_compiled(SHAPE_SLOT_NONE, path.c_str()), 0);
  EXPECT_EQ(shape_write_compiled(src, "/nonexistent-dir/x.shx"), -1);
}

/* Our own symbol libraries: every source loads, every shape draws, and the
** compiled copies beside them are what the writer makes of the sources. */
TEST_F(ShapeStore, OwnSymbolLibrariesLoadDrawAndMatchTheirCompiledCopies) {
  struct {
    const char *lib;
    std::vector<const char *> shapes;
  } libs[] = {
      {"PVSTRUCT", {"STRIKE_DIP", "BEDDING_VERTICAL", "BEDDING_HORIZONTAL",
                    "BEDDING_OVERTURNED", "FOLIATION", "FOLIATION_VERTICAL", "OUTCROP"}},
      {"PVLINES", {"FAULT", "FAULT_THRUST", "CONTACT", "CONTACT_INFERRED",
                   "CONTACT_GRADATIONAL"}},
  };
  for (auto &l : libs) {
    SCOPED_TRACE(l.lib);
    std::string src = std::string(PV_RESOURCE_DIR) + "/shapes/" + l.lib + ".SHP";
    std::string shx = std::string(PV_RESOURCE_DIR) + "/shapes/" + l.lib + ".SHX";
    int n = shape_font_load(src.c_str());
    ASSERT_EQ(n, static_cast<int>(l.shapes.size())) << shape_load_error();
    EXPECT_EQ(shape_extents(src.c_str()), n);
    uint16_t slot = shape_lib_slot(src.c_str());
    for (const char *s : l.shapes) EXPECT_NE(shape_find_in_lib(slot, s), nullptr) << s;
    const shape_lib_rec *lib = shape_lib_get(slot);
    EXPECT_LE(lib->max_width, 1.0f);  // symbols are drawn one unit wide at most
    EXPECT_GT(lib->max_width, 0.5f);

    std::string fresh = temp_path(std::string(l.lib) + ".SHX");
    ASSERT_EQ(shape_write_compiled(slot, fresh.c_str()), n);
    EXPECT_EQ(read_file(shx), read_file(fresh)) << "recompile: copy " << fresh << " to " << shx;
    EXPECT_EQ(shape_font_load(shx.c_str()), n) << shape_load_error();
    EXPECT_EQ(shape_extents(shx.c_str()), n);
  }
  double x0, y0, x1, y1;
  ASSERT_EQ(shape_extents_by_name("STRIKE_DIP", &x0, &y0, &x1, &y1), 1);
  EXPECT_EQ((std::vector<double>{x0, y0, x1, y1}), (std::vector<double>{0, -0.5, 0.25, 0.5}));  // points north, dips east
}

}  // namespace
