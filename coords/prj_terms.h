/*
** prj_terms.h: how a projection formula keeps the terms that depend only on
** its ellipsoid and parameters (meridian arc coefficients, the arc to the
** origin latitude, the cone constant, the conformal sphere's constants)
** from one point to the next. Each formula keeps, per direction, the terms
** of the last system it served together with the exact bits of the values
** they were computed from (the ellipsoid's axes and the parameters used);
** a call whose values differ in any bit, such as one after an ellipsoid was
** edited, computes them afresh. The terms are computed by the same
** expressions either way, so a point converts to the same bits whether its
** terms were kept or not. The test of the key is compiled into each formula
** (always inline) and the making of the terms set apart as rarely run
** (cold), so that a conversion pays for little more than its own formula.
**
**   static thread_local tm_kept kept;   // zero-filled: nothing kept yet
**   if (kept.key.renew(dtm->a_m, dtm->b_m, origin->y)) tm_setup(&kept.terms, ...);
*/
#ifndef PV_COORDS_PRJ_TERMS_H
#define PV_COORDS_PRJ_TERMS_H

#include <bit>
#include <cstdint>

/* The values some kept terms were computed from. A zero-filled key holds
** nothing, so a key in zero-initialised storage needs no constructor. */
template <int N>
struct prj_terms_key {
  std::uint64_t bits[N]; /* the exact bits of each value                  */
  bool held;             /* true once terms were computed under this key */

  /* Answers true, keeping the values as the new key, when they differ in
  ** any bit from the key (or nothing is held yet): the caller must compute
  ** its terms afresh. Answers false when the kept terms serve them. */
  template <class... D>
  bool renew(D... values) {
    static_assert(sizeof...(D) == N, "one value per place of the key");
    const std::uint64_t now[N] = {std::bit_cast<std::uint64_t>(static_cast<double>(values))...};
    bool same = held;
    for (int i = 0; i < N; ++i) same = same && bits[i] == now[i];
    if (same) return false;
    for (int i = 0; i < N; ++i) bits[i] = now[i];
    held = true;
    return true;
  }
};

#endif /* PV_COORDS_PRJ_TERMS_H */
