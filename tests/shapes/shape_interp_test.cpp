/*
** shape_interp_test.cpp: the shape interpreter, command by command.
**
** Each case puts hand-made definitions into a one-library store and checks
** the segments and arcs the steps hand out.
*/
#include "shapes/shape_interp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "shapes/shape_store.h"

namespace {

constexpr double EPS = 1e-9;
constexpr double PI = 3.14159265358979323846;

class ShapeInterp : public ::testing::Test {
 protected:
  uint16_t slot = SHAPE_SLOT_NONE;

  void SetUp() override {
    shape_store_free();
    shape_store_init();
    slot = shape_lib_add("TEST");
    ASSERT_NE(slot, SHAPE_SLOT_NONE);
    shape_caller_rec *c = shape_caller();
    c->arc_switch = 0;
    c->vertical_switch = 0;
    c->chord_step = 1.0;
    shape_state_reset();
  }
  void TearDown() override { shape_store_free(); }

  const shape_entry *add(uint16_t number, std::vector<uint8_t> def) {
    const shape_entry *e = shape_index_add(slot, number, "S", def.data(),
                                           static_cast<uint16_t>(def.size()));
    EXPECT_NE(e, nullptr);
    return e;
  }
  /* Every step's output up to the end of the shape. */
  static std::vector<shape_output_rec> steps(const shape_entry *e) {
    std::vector<shape_output_rec> out;
    for (int guard = 0; shape_step(e); guard++) {
      out.push_back(*shape_output());
      if (guard > 2 * SHAPE_WALK_STEPS_MAX) break;
    }
    return out;
  }
  static std::vector<shape_output_rec> drawn(const shape_entry *e) {
    std::vector<shape_output_rec> out;
    for (const shape_output_rec &o : steps(e))
      if (o.kind != SHAPE_STEP_NONE) out.push_back(o);
    return out;
  }
};

void expect_segment(const shape_output_rec &o, double x1, double y1, double x2, double y2) {
  EXPECT_EQ(o.kind, SHAPE_STEP_LINE);
  EXPECT_NEAR(o.x1, x1, EPS);
  EXPECT_NEAR(o.y1, y1, EPS);
  EXPECT_NEAR(o.x2, x2, EPS);
  EXPECT_NEAR(o.y2, y2, EPS);
}

TEST_F(ShapeInterp, VectorsMoveAlongTheSixteenDirections) {
  const double dx[16] = {1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5, 0, 0.5, 1, 1};
  const double dy[16] = {0, 0.5, 1, 1, 1, 1, 1, 0.5, 0, -0.5, -1, -1, -1, -1, -1, -0.5};
  for (int d = 0; d < 16; d++) {
    SCOPED_TRACE(d);
    shape_state_reset();
    std::vector<shape_output_rec> out = drawn(add(static_cast<uint16_t>(d), {uint8_t(0x30 | d), 0}));
    ASSERT_EQ(out.size(), 1u);
    expect_segment(out[0], 0, 0, 3 * dx[d], 3 * dy[d]);
  }
}

/* A definition (shape 1) and the segments it draws. Shape 2 of the library
** is one unit to the right; shape 9 is cut short inside its operands. */
struct drawing_case {
  const char *what;
  std::vector<uint8_t> def;
  std::vector<std::vector<double>> segs;  // x1, y1, x2, y2 of each segment
  double scale = 1, base_x = 0, base_y = 0, rotation_rad = 0;
};

TEST_F(ShapeInterp, DefinitionsDrawTheirSegments) {
  const drawing_case cases[] = {
      {"two vectors", {0x01, 0x14, 0x10, 0}, {{0, 0, 0, 1}, {0, 1, 1, 1}}},
      {"quarter turn", {0x01, 0x14, 0x10, 0}, {{0, 0, -1, 0}, {-1, 0, -1, 1}}, 1, 0, 0, PI / 2},
      {"base and scale", {0x14, 0x10, 0}, {{10, 20, 10, 22}, {10, 22, 12, 22}}, 2, 10, 20},
      {"pen up moves", {0x02, 0x14, 0x01, 0x14, 0}, {{0, 1, 0, 2}}},
      {"scale divided", {0x03, 2, 0x10, 0}, {{0, 0, 0.5, 0}}},
      {"scale multiplied", {0x04, 6, 0x03, 4, 0x10, 0}, {{0, 0, 1.5, 0}}},
      {"divisor 0 ignored", {0x03, 0, 0x10, 0}, {{0, 0, 1, 0}}},
      {"pop moves without drawing", {0x05, 0x10, 0x06, 0x14, 0}, {{0, 0, 1, 0}, {0, 0, 0, 1}}},
      {"subshape", {0x07, 2, 0x14, 0}, {{0, 0, 1, 0}, {1, 0, 1, 1}}},
      {"missing subshape skips its number", {0x07, 0x14, 0x10, 0}, {{0, 0, 1, 0}}},
      {"subshape cut short returns", {0x07, 9, 0x10, 0}, {{0, 0, 1, 0}}},
      {"signed scaled displacement", {0x08, 6, 0xFC, 0}, {{0, 0, 3, -2}}, 0.5},
      {"displacement list", {0x09, 1, 1, 2, 0, 0, 0, 0x14, 0}, {{0, 0, 1, 1}, {1, 1, 3, 1}, {3, 1, 3, 2}}},
      {"bulge 0 is straight", {0x0C, 0x0A, 0, 0, 0}, {{0, 0, 20, 0}}, 2},
      {"vertical prefix skips", {0x0E, 0x08, 5, 5, 0x0E, 0x14, 0x10, 0}, {{0, 0, 1, 0}}},
      {"skipped lists", {0x0E, 0x09, 1, 0, 1, 0, 0, 0, 0x0E, 0x0D, 1, 0, 5, 0, 0, 0x10, 0},
       {{0, 0, 1, 0}}},
      {"code 15 does nothing", {0x0F, 0x10, 0}, {{0, 0, 1, 0}}},
  };
  add(2, {0x10, 0});
  add(9, {0x08, 1});
  uint16_t n = 10;
  for (const drawing_case &c : cases) {
    SCOPED_TRACE(c.what);
    shape_state_reset();
    shape_caller()->scale = c.scale;
    shape_caller()->base_x = c.base_x;
    shape_caller()->base_y = c.base_y;
    shape_caller()->rotation_rad = c.rotation_rad;
    std::vector<shape_output_rec> out = drawn(add(n++, c.def));
    ASSERT_EQ(out.size(), c.segs.size());
    for (size_t i = 0; i < out.size(); i++)
      expect_segment(out[i], c.segs[i][0], c.segs[i][1], c.segs[i][2], c.segs[i][3]);
  }
}

TEST_F(ShapeInterp, RepeatingCommandsTakeOneStepPerPieceAndMovesReportThePen) {
  std::vector<shape_output_rec> all = steps(add(1, {0x09, 1, 1, 2, 0, 0, 0, 0x02, 0x14, 0}));
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[2].kind, SHAPE_STEP_NONE);  // the pair (0, 0)
  EXPECT_EQ(all[4].kind, SHAPE_STEP_NONE);  // pen-up move
  EXPECT_NEAR(all[4].x2, 3, EPS);
  EXPECT_NEAR(all[4].y2, 2, EPS);
  EXPECT_EQ(all[0].number, 1);
}

TEST_F(ShapeInterp, FifthPushAndFifthPopAreIgnored) {
  // Pushes at x = 0, 1, 2, 3 and an ignored one at 4; pen goes on to 5.
  std::vector<uint8_t> def = {0x02};
  for (int i = 0; i < 5; i++) def.insert(def.end(), {0x05, 0x10});
  for (int i = 0; i < 5; i++) def.push_back(0x06);
  def.push_back(0);
  std::vector<double> popped;
  for (const shape_output_rec &o : steps(add(1, def))) popped.push_back(o.x2);
  ASSERT_EQ(popped.size(), 16u);
  std::vector<double> pops(popped.end() - 5, popped.end());
  EXPECT_EQ(pops, (std::vector<double>{3, 2, 1, 0, 0}));
}

TEST_F(ShapeInterp, SubshapesNestNineLevelsAndRunawayCallsStopAtTheStepLimit) {
  // Shape 5 draws one unit and calls itself: the top level and nine nested
  // levels draw, the tenth call is ignored.
  EXPECT_EQ(drawn(add(5, {0x10, 0x07, 5, 0})).size(), 1u + SHAPE_SUB_LEVELS);
  // Forty self-calls per level would take 40^9 steps.
  std::vector<uint8_t> def;
  for (int i = 0; i < 40; i++) def.insert(def.end(), {0x07, 7});
  def.insert(def.end(), {0x10, 0});
  EXPECT_EQ(steps(add(7, def)).size(), static_cast<size_t>(SHAPE_WALK_STEPS_MAX));
}

TEST_F(ShapeInterp, FullOctantCircleIsOneArcOrEightChords) {
  const shape_entry *e = add(1, {0x0A, 0x01, 0x00, 0x00});
  shape_caller()->arc_switch = 1;
  std::vector<shape_output_rec> out = drawn(e);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].kind, SHAPE_STEP_ARC);
  EXPECT_NEAR(out[0].arc_x, -1, EPS);
  EXPECT_NEAR(out[0].arc_y, 0, EPS);
  EXPECT_NEAR(out[0].arc_radius, 1, EPS);
  EXPECT_EQ(out[0].arc_start_rad, 0.0);
  EXPECT_EQ(out[0].arc_end_rad, SHAPE_FULL_CIRCLE_RAD);

  shape_state_reset();
  shape_caller()->arc_switch = 0;
  out = drawn(e);
  ASSERT_EQ(out.size(), 8u);
  // The octant angle is a hair over pi/4: the chords do not quite close.
  EXPECT_NEAR(out[7].x2, std::cos(8 * SHAPE_OCTANT_RAD) - 1, EPS);
  EXPECT_NEAR(out[7].y2, std::sin(8 * SHAPE_OCTANT_RAD), EPS);
  EXPECT_GT(std::fabs(out[7].y2), 1e-4);
  for (int k = 1; k < 8; k++) EXPECT_NEAR(out[k].x1, out[k - 1].x2, EPS);
}

TEST_F(ShapeInterp, ChordStepSplitsEachOctant) {
  shape_caller()->chord_step = 0.5;
  EXPECT_EQ(drawn(add(1, {0x0A, 0x01, 0x00, 0x00})).size(), 16u);
  shape_state_reset();
  shape_caller()->chord_step = 0;  // unusable: one chord per octant
  EXPECT_EQ(drawn(add(2, {0x0A, 0x01, 0x02, 0x00})).size(), 2u);
}

TEST_F(ShapeInterp, ClockwiseOctantArcExchangesItsAngles) {
  // Radius 2, clockwise, start octant 1, two octants: from +oct to -oct.
  const shape_entry *e = add(1, {0x0A, 2, 0x92, 0});
  shape_caller()->arc_switch = 1;
  std::vector<shape_output_rec> out = drawn(e);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].arc_start_rad, -SHAPE_OCTANT_RAD, EPS);
  EXPECT_NEAR(out[0].arc_end_rad, SHAPE_OCTANT_RAD, EPS);
  EXPECT_NEAR(out[0].arc_x, -2 * std::cos(SHAPE_OCTANT_RAD), EPS);
  EXPECT_NEAR(out[0].arc_y, -2 * std::sin(SHAPE_OCTANT_RAD), EPS);
  EXPECT_NEAR(out[0].x2, 0, EPS);
  EXPECT_NEAR(out[0].y2, -4 * std::sin(SHAPE_OCTANT_RAD), EPS);

  shape_state_reset();
  shape_caller()->arc_switch = 0;
  out = drawn(e);
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NEAR(out[1].x2, 0, EPS);
  EXPECT_NEAR(out[1].y2, -4 * std::sin(SHAPE_OCTANT_RAD), EPS);
}

TEST_F(ShapeInterp, ArcAnglesFollowTheRotation) {
  shape_caller()->arc_switch = 1;
  shape_caller()->rotation_rad = 0.25;
  std::vector<shape_output_rec> out = drawn(add(1, {0x0A, 1, 0x02, 0}));
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NEAR(out[0].arc_start_rad, 0.25, EPS);
  EXPECT_NEAR(out[0].arc_end_rad, 0.25 + 2 * SHAPE_OCTANT_RAD, EPS);
  EXPECT_NEAR(out[0].arc_x, -std::cos(0.25), EPS);
  EXPECT_NEAR(out[0].arc_y, -std::sin(0.25), EPS);
}

TEST_F(ShapeInterp, FractionalArcOffsetsTheOctants) {
  const double unit = SHAPE_FRACTION_DEG * PI / 180.0;
  struct {
    uint8_t start, end, octant;
    double a0, a1;
  } cases[] = {
      {128, 0, 0x02, 128 * unit, 2 * SHAPE_OCTANT_RAD},
      {0, 64, 0x02, 0, SHAPE_OCTANT_RAD + 64 * unit},  // end offset: one octant less
      {32, 64, 0x13, SHAPE_OCTANT_RAD + 32 * unit, 3 * SHAPE_OCTANT_RAD + 64 * unit},
  };
  shape_caller()->arc_switch = 1;
  uint16_t n = 1;
  for (auto &c : cases) {
    SCOPED_TRACE(n);
    shape_state_reset();
    std::vector<shape_output_rec> out = drawn(add(n++, {0x0B, c.start, c.end, 1, 0, c.octant, 0}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_NEAR(out[0].arc_radius, 256, EPS);
    EXPECT_NEAR(out[0].arc_start_rad, c.a0, EPS);
    EXPECT_NEAR(out[0].arc_end_rad, c.a1, EPS);
  }
}

TEST_F(ShapeInterp, BulgeArcsTurnBySignThroughBothPoints) {
  struct {
    int8_t bulge;
    double start, end;
  } halves[] = {{127, PI, 2 * PI}, {-127, 0, PI}};
  shape_caller()->arc_switch = 1;
  uint16_t n = 1;
  for (auto &c : halves) {
    shape_state_reset();
    shape_caller()->arc_switch = 1;
    std::vector<shape_output_rec> out = drawn(add(n++, {0x0C, 2, 0, uint8_t(c.bulge), 0}));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].kind, SHAPE_STEP_ARC);
    EXPECT_NEAR(out[0].arc_x, 1, EPS);
    EXPECT_NEAR(out[0].arc_y, 0, EPS);
    EXPECT_NEAR(out[0].arc_radius, 1, EPS);
    EXPECT_NEAR(std::remainder(out[0].arc_start_rad - c.start, 2 * PI), 0, EPS);
    EXPECT_NEAR(std::remainder(out[0].arc_end_rad - c.end, 2 * PI), 0, EPS);
    EXPECT_NEAR(out[0].x2, 2, EPS);
  }

  // A shallow bulge: both ends on the circle, included angle 4 atan(b/127).
  shape_state_reset();
  shape_caller()->arc_switch = 1;
  std::vector<shape_output_rec> out = drawn(add(n++, {0x0C, 3, 4, 40, 0}));
  ASSERT_EQ(out.size(), 1u);
  const shape_output_rec &a = out[0];
  EXPECT_NEAR(std::hypot(0 - a.arc_x, 0 - a.arc_y), a.arc_radius, 1e-9);
  EXPECT_NEAR(std::hypot(3 - a.arc_x, 4 - a.arc_y), a.arc_radius, 1e-9);
  EXPECT_NEAR(a.arc_end_rad - a.arc_start_rad, 4 * std::atan(40 / 127.0), 1e-9);

  // As chords, the last one ends exactly on the target point.
  shape_state_reset();
  shape_caller()->arc_switch = 0;
  out = drawn(add(n++, {0x0C, 2, 0, 127, 0}));
  ASSERT_EQ(out.size(), 4u);
  EXPECT_NEAR(out[1].y2, -1, 1e-3);  // bulges below the chord
  EXPECT_DOUBLE_EQ(out[3].x2, 2);
  EXPECT_DOUBLE_EQ(out[3].y2, 0);
}

TEST_F(ShapeInterp, BulgeListDrawsUntilZeroZero) {
  shape_caller()->arc_switch = 1;
  std::vector<shape_output_rec> all =
      steps(add(1, {0x0D, 2, 0, 127, 2, 0, 0, 0, 0, 0x14, 0}));
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[0].kind, SHAPE_STEP_ARC);
  expect_segment(all[1], 2, 0, 4, 0);
  EXPECT_EQ(all[2].kind, SHAPE_STEP_NONE);
  expect_segment(all[3], 4, 0, 4, 1);

  // Chords of an arc inside the list, then the list goes on.
  shape_state_reset();
  shape_caller()->arc_switch = 0;
  std::vector<shape_output_rec> out = drawn(add(2, {0x0D, 2, 0, 127, 2, 0, 0, 0, 0, 0x14, 0}));
  ASSERT_EQ(out.size(), 6u);
  expect_segment(out[4], 2, 0, 4, 0);
  expect_segment(out[5], 4, 0, 4, 1);
}

TEST_F(ShapeInterp, VerticalPrefixRunsTheNextCommandOnlyWhenVerticalIsActive) {
  // Active only when asked for and shape 0 of the library allows it.
  std::vector<uint8_t> def = {0x0E, 0x08, 5, 5, 0x0E, 0x14, 0x10, 0};
  shape_caller()->vertical_switch = 1;
  EXPECT_EQ(drawn(add(2, def)).size(), 1u);
  add(0, {10, 2, 1, 0});
  shape_state_reset();
  std::vector<shape_output_rec> out = drawn(add(3, def));
  ASSERT_EQ(out.size(), 3u);
  expect_segment(out[2], 5, 6, 6, 6);
}

TEST_F(ShapeInterp, OperandsPastTheEndEndTheShape) {
  // Definitions cut short inside their operands (no terminating 0): each
  // ends without drawing and without reading past its last byte.
  std::vector<std::vector<uint8_t>> cut = {
      {0x03}, {0x04}, {0x07}, {0x08, 1}, {0x09, 1}, {0x09, 1, 1, 2},
      {0x0A, 1}, {0x0B, 1, 2, 3, 4}, {0x0C, 1, 1}, {0x0D, 1, 1}, {0x0D, 1, 1, 1, 2},
      {0x0E, 0x0B, 1}, {0x0E, 0x09, 1, 1},
  };
  uint16_t n = 1;
  for (auto &def : cut) {
    SCOPED_TRACE(n);
    shape_state_reset();
    const shape_entry *e = add(n++, def);
    std::vector<shape_output_rec> all = steps(e);
    EXPECT_LE(all.size(), 2u);
    if (def[0] == 0x09 || def[0] == 0x0D) continue;  // a whole pair may draw
    for (const shape_output_rec &o : all) EXPECT_EQ(o.kind, SHAPE_STEP_NONE);
  }
}

TEST_F(ShapeInterp, ShapeStartsAgainAfterItsEnd) {
  const shape_entry *e = add(1, {0x14, 0});
  EXPECT_EQ(drawn(e).size(), 1u);
  std::vector<shape_output_rec> again = drawn(e);
  ASSERT_EQ(again.size(), 1u);
  expect_segment(again[0], 0, 0, 0, 1);
}

TEST_F(ShapeInterp, NullEntryResetsAndResetKeepsTheSwitches) {
  shape_caller()->arc_switch = 1;
  shape_caller()->vertical_switch = 1;
  shape_caller()->chord_step = 0.25;
  shape_caller()->scale = 3;
  shape_caller()->base_x = 4;
  EXPECT_EQ(shape_step(nullptr), 0);
  EXPECT_EQ(shape_output()->kind, SHAPE_STEP_NONE);
  EXPECT_EQ(shape_caller()->scale, 1.0);
  EXPECT_EQ(shape_caller()->base_x, 0.0);
  EXPECT_EQ(shape_caller()->arc_switch, 1);
  EXPECT_EQ(shape_caller()->vertical_switch, 1);
  EXPECT_EQ(shape_caller()->chord_step, 0.25);
}

}  // namespace
