/*
** approx_state.h: test helpers for the approximate and character values:
** the conditions they raise and record, as the engine codes them.  Running
** a step and collecting its conditions is shared with the numeric values
** (num_state.h: raised, recorded).
*/
#ifndef PV_TESTS_APPROX_STATE_H
#define PV_TESTS_APPROX_STATE_H

#include "num_state.h"

/* Conditions as the engine codes them. */
constexpr int ST_01008 = 0x0108;
constexpr int ST_22001 = 0x2201;
constexpr int ST_22003 = 0x2203;
constexpr int ST_22012 = 0x220C;
constexpr int ST_22018 = 0x2212;
constexpr int ST_22019 = 0x2213;
constexpr int ST_22025 = 0x2219;
constexpr int ST_22027 = 0x221B;
constexpr int ST_37155 = 0x379B;
constexpr int ST_37168 = 0x37A8;

#endif
