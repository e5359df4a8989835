/*
** arc_fill.cpp: Fill ARCS all or nothing; see arc_fill.h.
*/
#include "output/coverages/arc_fill.h"

#include "data/dbf_refill.h"
#include "output/coverages/arc_make.h"

namespace {

/* The fill under way. */
dbf_refill s_fill;

}  // namespace

int arc_fill_begin(pjct_rec *project)
{
    return dbf_refill_begin(s_fill, project, ARC_ARCS_TABLE, "Fill ARCS");
}

int arc_fill_guard(void)
{
    return dbf_refill_guard(s_fill);
}

void arc_fill_end(pjct_rec *project, bool whole)
{
    dbf_refill_end(s_fill, project, whole);
}
