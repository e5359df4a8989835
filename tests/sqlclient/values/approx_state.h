/*
** approx_state.h: test helpers for the approximate and character values:
** run a step and answer the condition it raised (0 when none), and the
** conditions and warnings a step recorded in the diagnostics.
*/
#ifndef PV_TESTS_APPROX_STATE_H
#define PV_TESTS_APPROX_STATE_H

#include <vector>

#include "sqlclient/asi_diag.h"
#include "sqlclient/asi_except.h"

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

/* Runs f; the code of the condition it raised, or 0. */
template <class F>
int raised_by(F &&f)
{
    try {
        f();
    } catch (const CAsiException &e) {
        return e.code();
    }
    return 0;
}

/* Runs f with a diagnostics area of its own; the codes it recorded. */
template <class F>
std::vector<int> recorded_by(F &&f)
{
    CAsiDiagArea area;
    CAsiDiagArea *saved = asi_set_thread_diag(&area);
    try {
        f();
    } catch (const CAsiException &) {
    }
    asi_set_thread_diag(saved);
    std::vector<int> codes;
    for (int i = 0; i < area.count(); ++i)
        codes.push_back(area.condCode(i));
    return codes;
}

#endif
