/*
** num_state.h: test helpers for the numeric values: run a step and answer
** the SQLSTATE code it raised (0 when none), and collect the warnings a
** step records, and make a DECIMAL or NUMERIC from its text.
*/
#ifndef PV_TESTS_NUM_STATE_H
#define PV_TESTS_NUM_STATE_H

#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"

#include <cstring>
#include <vector>

/* SQLSTATE codes as the engine codes them. */
constexpr int S22003 = 0x2203;
constexpr int S22004 = 0x2204;
constexpr int S22012 = 0x220C;
constexpr int S22018 = 0x2212;
constexpr int S37155 = 0x379B;

/* Runs f; answers the code of the condition it raised, or 0. */
template <class F>
int raised(F &&f)
{
    try {
        f();
    } catch (const CAsiException &e) {
        return e.code();
    }
    return 0;
}

/* Runs f with a diagnostics area installed; answers the codes of the
** conditions and warnings it recorded. */
template <class F>
std::vector<int> recorded(F &&f)
{
    CAsiDiagArea area;
    CAsiDiagArea *saved = asi_set_thread_diag(&area);
    try {
        f();
    } catch (const CAsiException &) {
    }
    asi_set_thread_diag(saved);
    std::vector<int> codes;
    for (int i = 0; i < area.count(); ++i) codes.push_back(area.condCode(i));
    return codes;
}

/* A value of class C (DECIMAL or NUMERIC) of precision p and scale s
** given the text. */
template <class C>
C make(unsigned p, unsigned s, const char *text)
{
    C v(p, s);
    v.setText(text, static_cast<int>(std::strlen(text)));
    return v;
}

#endif
