/*
** shape_interp.h: the shape interpreter.
**
** Executes a shape definition one command at a time and hands each drawn
** piece to the caller: a line segment, or an arc when the caller's arc
** switch is on. Vectors of 16 directions, pen up and down, scale, a stack of
** positions, subshapes, displacements, octant, fractional and bulge arcs and
** the vertical-text prefix are understood. Callers usually step through the
** walk functions of the shape store (shape_store.h).
**
**   shape_state_reset(); shape_caller()->scale = 2.0;
**   while (shape_step(e)) if (shape_output()->kind == SHAPE_STEP_LINE) ...
*/
#ifndef PV_COORDS_SHAPE_INTERP_H
#define PV_COORDS_SHAPE_INTERP_H

#include <cstdint>

struct shape_entry;

/* What a step produced. */
constexpr int SHAPE_STEP_NONE = 18; /* nothing drawn                      */
constexpr int SHAPE_STEP_LINE = 1;  /* a line segment (x1, y1)-(x2, y2)   */
constexpr int SHAPE_STEP_ARC = 8;   /* an arc (centre, radius, angles)    */

constexpr int SHAPE_POS_STACK = 4;  /* positions code 5 can push          */
constexpr int SHAPE_SUB_LEVELS = 9; /* nested subshape calls              */
/* A walk that runs this many steps ends there: subshapes calling each other
** could otherwise multiply into billions of steps. */
constexpr long SHAPE_WALK_STEPS_MAX = 100000;

/* The octant angle of octant arcs, radians; a hair more than pi/4, as the
** stored drawings were drawn with it. */
constexpr double SHAPE_OCTANT_RAD = 0.78549816439748;
/* The unit of the start and end offsets of a fractional arc, degrees. */
constexpr double SHAPE_FRACTION_DEG = 0.17578125;
/* End angle of an arc that closes the circle: 2 pi less 0.00001. */
constexpr double SHAPE_FULL_CIRCLE_RAD = 6.283175307179587;

/* Settings the caller makes after shape_state_reset, before the first step. */
struct shape_caller_rec {
  double base_x;       /* added to every output x (drawing units)           */
  double base_y;       /* added to every output y                           */
  double rotation_rad; /* rotation about the shape's origin, radians        */
  double scale;        /* initial scale register; 1.0 after reset           */
  int arc_switch;      /* 0 arcs as chords, 1 each arc as one arc piece;
                          kept by reset                                     */
  int vertical_switch; /* 1 asks for the vertical form; kept by reset       */
  double chord_step;   /* share of an octant one chord spans (default 1.0);
                          kept by reset; 0 or less counts as 1.0            */
};

/* What the last step produced. */
struct shape_output_rec {
  int kind;            /* SHAPE_STEP_NONE, SHAPE_STEP_LINE or SHAPE_STEP_ARC */
  double x1, y1;       /* segment start                                     */
  double x2, y2;       /* segment end; after a move without drawing, the
                          new pen position                                  */
  double arc_x, arc_y; /* arc centre                                        */
  double arc_radius;   /* arc radius, drawing units                         */
  double arc_start_rad;/* arc start angle; the arc runs counter-clockwise   */
  double arc_end_rad;  /*   from start to end                               */
  uint16_t number;     /* number of the shape being walked                  */
  const char *name;    /* its name; owned by the shape store                */
};

/* The caller settings, to be changed between reset and the first step. */
shape_caller_rec *shape_caller();
/* The outputs of the last step. */
const shape_output_rec *shape_output();

/* Clears the outputs, the base point and the rotation, sets the scale to 1.0
** and the step kind to SHAPE_STEP_NONE, and abandons any shape in progress. */
void shape_state_reset();
/* Performs one step of shape `e`. Answers 1 while the shape has more steps,
** 0 when it has ended (the next call starts it again). A null entry resets
** the interpreter and answers 0. */
int shape_step(const shape_entry *e);

#endif /* PV_COORDS_SHAPE_INTERP_H */
