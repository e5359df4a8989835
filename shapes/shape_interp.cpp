/*
** shape_interp.cpp: the shape interpreter, one command per step.
**
** A definition is a string of command bytes. The high four bits of a byte
** are a length L, the low four a direction or code D: with L >= 1 the byte
** is a vector of L units in direction D; with L = 0 it is the special code
** D (0 end, 1 pen down, 2 pen up, 3 divide scale, 4 multiply scale, 5 push,
** 6 pop, 7 subshape, 8 displacement, 9 displacements, 10 octant arc, 11
** fractional arc, 12 bulge arc, 13 bulge arcs, 14 vertical only, 15 none).
** The pen moves in the shape's own frame; each new point is rotated by the
** caller's rotation, offset by the base point and handed out as a segment
** or an arc. Repeating commands (9, 13, and arcs drawn as chords) take one
** step per piece. Every operand read is bounded by the definition's length:
** running off the end ends that definition as its 0 byte would.
*/
#include "shapes/shape_interp.h"

#include <cmath>

#include "shapes/shape_store.h"

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double TWO_PI = 2.0 * PI;
/* Two angles closer than this count as equal when a chord reaches the end
** of its arc (the steps and the end are computed by different sums). */
constexpr double ARC_END_EPS_RAD = 1e-9;
/* Largest value of a signed bulge byte: a bulge of 127 is a half circle. */
constexpr double BULGE_HALF_CIRCLE = 127.0;

/* Unit offsets of the 16 vector directions. */
constexpr double DIR_DX[16] = {1, 1, 1, 0.5, 0, -0.5, -1, -1,
                               -1, -1, -1, -0.5, 0, 0.5, 1, 1};
constexpr double DIR_DY[16] = {0, 0.5, 1, 1, 1, 1, 1, 0.5,
                               0, -0.5, -1, -1, -1, -1, -1, -0.5};

/* What a repeating command still has to do on the next step. */
enum repeat_mode {
  REPEAT_NONE = 0,   /* decode the next command byte                        */
  REPEAT_PAIRS = 9,  /* code 9: read the next displacement pair             */
  REPEAT_BULGES = 13,/* code 13: read the next bulge triple                 */
  REPEAT_ARC = 100   /* an arc drawn as chords: draw its next chord         */
};

/* A definition being executed, and where. */
struct def_pos {
  const uint8_t *def; /* the definition bytes (owned by the store)          */
  int len;            /* its length in bytes                                */
  int idx;            /* index of the next byte to read                     */
};

/* The arc being drawn. */
struct arc_state {
  double radius;      /* radius in the shape frame, scale applied           */
  int dir;            /* +1 counter-clockwise, -1 clockwise                 */
  double a0_rad;      /* start angle, shape frame                           */
  double a1_rad;      /* end angle, shape frame                             */
  double prev_rad;    /* angle the pen is at                                */
  long chord;         /* chords drawn so far                                */
  bool snap;          /* set the pen to (end_x, end_y) when the arc ends    */
  double end_x;       /* exact end point of a bulge arc                     */
  double end_y;
  repeat_mode after;  /* what follows the arc (code 13 resumes)             */
};

/* The whole working state of one walk. */
struct interp_state {
  bool running = false;              /* a shape is under way              */
  const shape_entry *entry = nullptr;/* the shape walked                  */
  double base_x = 0, base_y = 0;     /* caller's base point, taken at start*/
  double rot_rad = 0;                /* caller's rotation                 */
  double cos_r = 1, sin_r = 0;       /* its cosine and sine               */
  double scale = 1;                  /* scale register                    */
  double pen_x = 0, pen_y = 0;       /* pen, shape frame                  */
  bool pen_up = false;               /* pen lifted                        */
  double pos_x[SHAPE_POS_STACK] = {};/* pushed positions                  */
  double pos_y[SHAPE_POS_STACK] = {};
  int pos_n = 0;                     /* positions held                    */
  def_pos subs[SHAPE_SUB_LEVELS] = {};/* callers of the current subshape  */
  int sub_n = 0;                     /* subshape levels in use            */
  def_pos cur = {};                  /* the definition being executed     */
  bool skip_next = false;            /* code 14 skips the next command    */
  bool vertical = false;             /* vertical form active              */
  repeat_mode repeat = REPEAT_NONE;  /* repeating command under way       */
  arc_state arc = {};                /* the arc under way                 */
  double prev_x = 0, prev_y = 0;     /* previous output point (rotated)   */
  long steps = 0;                    /* steps since the shape started     */
};

shape_caller_rec g_caller = {0, 0, 0, 1.0, 0, 0, 1.0};
shape_output_rec g_out = {SHAPE_STEP_NONE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr};
interp_state g_st;

/* Signed value of an operand byte. */
int s8(uint8_t b) { return b < 128 ? b : b - 256; }

/* True when the current definition holds `n` operand bytes after the
** command byte at cur.idx. */
bool have_operands(int n) { return g_st.cur.idx + 1 + n <= g_st.cur.len; }

/* Chord step of the caller, 1.0 when it is unusable. */
double chord_step() {
  double c = g_caller.chord_step;
  return (c > 0.0 && std::isfinite(c)) ? c : 1.0;
}

/* Starts shape `e` with the caller's settings. */
void start_shape(const shape_entry *e) {
  interp_state fresh;
  g_st = fresh;
  g_st.running = true;
  g_st.entry = e;
  g_st.base_x = g_caller.base_x;
  g_st.base_y = g_caller.base_y;
  g_st.rot_rad = g_caller.rotation_rad;
  g_st.cos_r = std::cos(g_st.rot_rad);
  g_st.sin_r = std::sin(g_st.rot_rad);
  g_st.scale = g_caller.scale;
  g_st.cur.def = e->def;
  g_st.cur.len = e->def ? e->length : 0;
  g_st.cur.idx = 0;
  g_out.number = e->number;
  g_out.name = e->name;
  if (g_caller.vertical_switch) {
    const shape_entry *zero = shape_find_by_number(e->slot, 0);
    g_st.vertical = zero && zero->length > 2 && zero->def[2] != 0;
  }
}

/* Ends the current definition as its 0 byte does: back to the calling
** definition, or the end of the shape at the top level. Answers the step's
** result (1 more to come, 0 ended). */
int end_definition() {
  g_st.repeat = REPEAT_NONE;
  g_st.skip_next = false;
  if (g_st.sub_n == 0) {
    g_st.running = false;
    return 0;
  }
  g_st.cur = g_st.subs[--g_st.sub_n];
  return 1;
}

/* Operand bytes that command byte `b` takes at cur.idx, for skipping it
** (code 14). Answers -1 when they run past the end of the definition. */
int skip_length(uint8_t b) {
  const def_pos &c = g_st.cur;
  if (b >> 4) return 0;
  switch (b & 0x0F) {
    case 3: case 4: case 7: return 1;
    case 8: case 10: return 2;
    case 11: return 5;
    case 12: return 3;
    case 9:
    case 13: {
      int step = (b & 0x0F) == 9 ? 2 : 3;
      for (int i = c.idx + 1; i + 2 <= c.len;) {
        if (c.def[i] == 0 && c.def[i + 1] == 0) return i + 2 - (c.idx + 1);
        if (i + step > c.len) return -1;
        i += step;
      }
      return -1;
    }
    default: return 0;
  }
}

/* Moves the pen to angle `a_rad` of the arc under way. */
void arc_move_to(double a_rad) {
  arc_state &a = g_st.arc;
  g_st.pen_x += a.radius * (std::cos(a_rad) - std::cos(a.prev_rad));
  g_st.pen_y += a.radius * (std::sin(a_rad) - std::sin(a.prev_rad));
  a.prev_rad = a_rad;
}

/* Ends the arc under way: exact end point for a bulge, then what follows. */
void arc_finish() {
  arc_state &a = g_st.arc;
  if (a.snap) {
    g_st.pen_x = a.end_x;
    g_st.pen_y = a.end_y;
  }
  g_st.repeat = a.after;
}

/* Draws the next chord of the arc under way. */
void arc_chord() {
  arc_state &a = g_st.arc;
  a.chord++;
  double ak = a.a0_rad + a.chord * a.dir * SHAPE_OCTANT_RAD * chord_step();
  bool last = a.dir * (ak - a.a1_rad) >= -ARC_END_EPS_RAD;
  if (last) ak = a.a1_rad;
  arc_move_to(ak);
  if (last) arc_finish();
}

/* Begins the arc set up in g_st.arc. With the arc switch on the whole arc
** is one move and one arc piece (answers true); otherwise its first chord is
** drawn now and the rest on the following steps (answers false). */
bool arc_begin(repeat_mode after) {
  arc_state &a = g_st.arc;
  a.prev_rad = a.a0_rad;
  a.chord = 0;
  a.after = after;
  if (g_caller.arc_switch) {
    arc_move_to(a.a1_rad);
    arc_finish();
    return true;
  }
  g_st.repeat = REPEAT_ARC;
  arc_chord();
  return false;
}

/* Sets up an octant (fractional when `frac`) arc from its operands.
** Octant byte: bit 7 clockwise, bits 4-6 start octant, bits 0-3 count
** (0 is 8). A fractional arc adds start and end offsets in units of 45/256
** degrees and a 16-bit radius. */
void arc_setup_octant(int radius, uint8_t octant, bool frac, int start_off,
                      int end_off) {
  arc_state &a = g_st.arc;
  a = arc_state{};
  a.dir = (octant & 0x80) ? -1 : 1;
  int s = (octant >> 4) & 0x07;
  int n = octant & 0x0F;
  if (n == 0) n = 8;
  double o0 = 0, o1 = 0;
  if (frac) {
    o0 = start_off * SHAPE_FRACTION_DEG * PI / 180.0 * a.dir;
    o1 = end_off * SHAPE_FRACTION_DEG * PI / 180.0 * a.dir;
    if (o1 != 0) n -= 1;
  }
  a.radius = radius * g_st.scale;
  a.a0_rad = s * SHAPE_OCTANT_RAD + o0;
  a.a1_rad = (s + a.dir * n) * SHAPE_OCTANT_RAD + o1;
}

/* Sets up a bulge arc to the displacement (dx, dy) (already scaled) with
** bulge `bulge` (not 0). Its included angle is 4 atan(|bulge| / 127). */
void arc_setup_bulge(double dx, double dy, int bulge) {
  arc_state &a = g_st.arc;
  a = arc_state{};
  double chord = std::hypot(dx, dy);
  double incl = 4.0 * std::atan(std::fabs(bulge) / BULGE_HALF_CIRCLE);
  a.dir = bulge > 0 ? 1 : -1;
  a.radius = chord / (2.0 * std::cos((PI - incl) / 2.0));
  /* Centre: from the chord's middle along its left normal (right normal for
  ** a clockwise arc), by r cos(incl / 2), negative past a half circle. */
  double ux = dx / chord, uy = dy / chord;
  double h = a.radius * std::cos(incl / 2.0) * a.dir;
  double cx = g_st.pen_x + dx / 2.0 - uy * h;
  double cy = g_st.pen_y + dy / 2.0 + ux * h;
  a.a0_rad = std::atan2(g_st.pen_y - cy, g_st.pen_x - cx);
  a.a1_rad = a.a0_rad + a.dir * incl;
  a.snap = true;
  a.end_x = g_st.pen_x + dx;
  a.end_y = g_st.pen_y + dy;
}

/* What one command did, for the output rules of the step. */
struct effect {
  bool moved = false;  /* the pen moved (drawing when down)                */
  bool popped = false; /* a position was popped                            */
  bool arc = false;    /* the move was a whole arc (arc switch on)         */
};

/* One bulge of code 12 or 13 from its operands; `after` follows an arc. */
effect bulge(int dx, int dy, int b, repeat_mode after) {
  effect fx;
  fx.moved = true;
  double dxs = dx * g_st.scale, dys = dy * g_st.scale;
  if (b == 0 || (dx == 0 && dy == 0) || std::hypot(dxs, dys) == 0.0) {
    g_st.pen_x += dxs;
    g_st.pen_y += dys;
    g_st.repeat = after;
    return fx;
  }
  arc_setup_bulge(dxs, dys, b);
  fx.arc = arc_begin(after);
  return fx;
}

/* Next displacement pair of code 9. */
int step_pair(effect &fx) {
  def_pos &c = g_st.cur;
  if (c.idx + 2 > c.len) return end_definition();
  int dx = s8(c.def[c.idx]), dy = s8(c.def[c.idx + 1]);
  c.idx += 2;
  if (dx == 0 && dy == 0) {
    g_st.repeat = REPEAT_NONE;
    return 1;
  }
  g_st.pen_x += dx * g_st.scale;
  g_st.pen_y += dy * g_st.scale;
  fx.moved = true;
  return 1;
}

/* Next bulge triple of code 13; the pair (0, 0) ends it. */
int step_bulge_triple(effect &fx) {
  def_pos &c = g_st.cur;
  if (c.idx + 2 > c.len) return end_definition();
  int dx = s8(c.def[c.idx]), dy = s8(c.def[c.idx + 1]);
  if (dx == 0 && dy == 0) {
    c.idx += 2;
    g_st.repeat = REPEAT_NONE;
    return 1;
  }
  if (c.idx + 3 > c.len) return end_definition();
  int b = s8(c.def[c.idx + 2]);
  c.idx += 3;
  fx = bulge(dx, dy, b, REPEAT_BULGES);
  return 1;
}

/* Decodes and runs the command byte at cur.idx. Answers the step's result. */
int run_command(effect &fx) {
  def_pos &c = g_st.cur;
  if (c.idx >= c.len || c.def[c.idx] == 0) return end_definition();
  uint8_t b = c.def[c.idx];

  if (g_st.skip_next) {
    g_st.skip_next = false;
    int n = skip_length(b);
    if (n < 0 || !have_operands(n)) return end_definition();
    c.idx += 1 + n;
    return 1;
  }

  int len = b >> 4, code = b & 0x0F;
  if (len) {
    g_st.pen_x += len * DIR_DX[code] * g_st.scale;
    g_st.pen_y += len * DIR_DY[code] * g_st.scale;
    fx.moved = true;
    c.idx++;
    return 1;
  }
  switch (code) {
    case 1: g_st.pen_up = false; c.idx++; return 1;
    case 2: g_st.pen_up = true; c.idx++; return 1;
    case 3:
    case 4: {
      if (!have_operands(1)) return end_definition();
      int n = c.def[c.idx + 1];
      if (code == 4) g_st.scale *= n;
      else if (n != 0) g_st.scale /= n;  /* a divisor of 0 is ignored */
      c.idx += 2;
      return 1;
    }
    case 5:
      if (g_st.pos_n < SHAPE_POS_STACK) {
        g_st.pos_x[g_st.pos_n] = g_st.pen_x;
        g_st.pos_y[g_st.pos_n] = g_st.pen_y;
        g_st.pos_n++;
      }
      c.idx++;
      return 1;
    case 6:
      if (g_st.pos_n > 0) {
        g_st.pos_n--;
        g_st.pen_x = g_st.pos_x[g_st.pos_n];
        g_st.pen_y = g_st.pos_y[g_st.pos_n];
        fx.popped = true;
      }
      c.idx++;
      return 1;
    case 7: {
      if (!have_operands(1)) return end_definition();
      const shape_entry *sub = shape_find_by_number(g_st.entry->slot, c.def[c.idx + 1]);
      c.idx += 2;
      if (sub && sub->def && sub->length > 0 && g_st.sub_n < SHAPE_SUB_LEVELS) {
        g_st.subs[g_st.sub_n++] = c;
        g_st.cur = def_pos{sub->def, sub->length, 0};
      }
      return 1;
    }
    case 8:
      if (!have_operands(2)) return end_definition();
      g_st.pen_x += s8(c.def[c.idx + 1]) * g_st.scale;
      g_st.pen_y += s8(c.def[c.idx + 2]) * g_st.scale;
      c.idx += 3;
      fx.moved = true;
      return 1;
    case 9:
      c.idx++;
      g_st.repeat = REPEAT_PAIRS;
      return step_pair(fx);
    case 10:
      if (!have_operands(2)) return end_definition();
      arc_setup_octant(c.def[c.idx + 1], c.def[c.idx + 2], false, 0, 0);
      c.idx += 3;
      fx.moved = true;
      fx.arc = arc_begin(REPEAT_NONE);
      return 1;
    case 11:
      if (!have_operands(5)) return end_definition();
      arc_setup_octant(c.def[c.idx + 3] * 256 + c.def[c.idx + 4], c.def[c.idx + 5],
                       true, c.def[c.idx + 1], c.def[c.idx + 2]);
      c.idx += 6;
      fx.moved = true;
      fx.arc = arc_begin(REPEAT_NONE);
      return 1;
    case 12: {
      if (!have_operands(3)) return end_definition();
      int dx = s8(c.def[c.idx + 1]), dy = s8(c.def[c.idx + 2]);
      int bl = s8(c.def[c.idx + 3]);
      c.idx += 4;
      fx = bulge(dx, dy, bl, REPEAT_NONE);
      return 1;
    }
    case 13:
      c.idx++;
      g_st.repeat = REPEAT_BULGES;
      return step_bulge_triple(fx);
    case 14:
      if (!g_st.vertical) g_st.skip_next = true;
      c.idx++;
      return 1;
    default: /* 15: nothing */
      c.idx++;
      return 1;
  }
}

/* Hands out what the step did: a segment or an arc from the previous output
** point when the pen is down and moved, else the new pen position. */
void emit(const effect &fx) {
  double nx = g_st.pen_x * g_st.cos_r - g_st.pen_y * g_st.sin_r;
  double ny = g_st.pen_y * g_st.cos_r + g_st.pen_x * g_st.sin_r;
  if (!g_st.pen_up && fx.moved) {
    g_out.x1 = g_st.base_x + g_st.prev_x;
    g_out.y1 = g_st.base_y + g_st.prev_y;
    g_out.x2 = g_st.base_x + nx;
    g_out.y2 = g_st.base_y + ny;
    if (fx.arc) {
      const arc_state &a = g_st.arc;
      double r = a.radius;
      g_out.kind = SHAPE_STEP_ARC;
      g_out.arc_radius = r;
      g_out.arc_x = g_out.x1 - r * std::cos(a.a0_rad + g_st.rot_rad);
      g_out.arc_y = g_out.y1 - r * std::sin(a.a0_rad + g_st.rot_rad);
      if (std::fabs(a.a1_rad - a.a0_rad) >= TWO_PI) {
        g_out.arc_start_rad = 0.0;
        g_out.arc_end_rad = SHAPE_FULL_CIRCLE_RAD;
      } else if (a.dir > 0) {
        g_out.arc_start_rad = a.a0_rad + g_st.rot_rad;
        g_out.arc_end_rad = a.a1_rad + g_st.rot_rad;
      } else {
        g_out.arc_start_rad = a.a1_rad + g_st.rot_rad;
        g_out.arc_end_rad = a.a0_rad + g_st.rot_rad;
      }
    } else {
      g_out.kind = SHAPE_STEP_LINE;
    }
    g_st.prev_x = nx;
    g_st.prev_y = ny;
  } else if (g_st.pen_up || fx.popped) {
    g_st.prev_x = nx;
    g_st.prev_y = ny;
    g_out.x2 = g_st.base_x + nx;
    g_out.y2 = g_st.base_y + ny;
  }
}

}  // namespace

/* The caller settings record. */
shape_caller_rec *shape_caller() { return &g_caller; }

/* The outputs of the last step. */
const shape_output_rec *shape_output() { return &g_out; }

/* Clears outputs, base point, rotation and scale; abandons the shape under
** way. The arc switch, vertical switch and chord step are kept. */
void shape_state_reset() {
  g_out = shape_output_rec{SHAPE_STEP_NONE, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr};
  g_caller.base_x = 0;
  g_caller.base_y = 0;
  g_caller.rotation_rad = 0;
  g_caller.scale = 1.0;
  g_st = interp_state{};
}

/* One step of shape `e`: answers 1 while more steps follow, 0 when the
** shape has ended (or ran past SHAPE_WALK_STEPS_MAX steps); a null entry
** resets the interpreter and answers 0. */
int shape_step(const shape_entry *e) {
  if (!e) {
    shape_state_reset();
    return 0;
  }
  if (!g_st.running || g_st.entry != e) start_shape(e);
  g_out.kind = SHAPE_STEP_NONE;
  if (++g_st.steps > SHAPE_WALK_STEPS_MAX) {
    g_st.running = false;
    return 0;
  }

  effect fx;
  int more;
  switch (g_st.repeat) {
    case REPEAT_ARC:
      arc_chord();
      fx.moved = true;
      more = 1;
      break;
    case REPEAT_PAIRS: more = step_pair(fx); break;
    case REPEAT_BULGES: more = step_bulge_triple(fx); break;
    default: more = run_command(fx); break;
  }
  if (!more) return 0;
  emit(fx);
  return 1;
}
