/*
** arc_fill.h: Fill ARCS all or nothing on a dBASE project (data/dbf_refill.h):
** the former ARCS is kept beside the new one until the new one is filled
** whole, and a fill cut short is put back at the next logon.
**
**     if (arc_fill_begin(project) != 0) return nullptr;   // said already
**     ... ARCS dropped, made again and filled ...
**     arc_fill_end(project, true);
*/
#ifndef PV_OUTPUT_ARC_FILL_H
#define PV_OUTPUT_ARC_FILL_H

struct pjct_rec;

/* Before ARCS is dropped (dbf_refill_begin). 0; -1 when the former ARCS
** cannot be kept (said; nothing is changed). */
int arc_fill_begin(pjct_rec *project);
/* Once the new ARCS is made, before its first arc (dbf_refill_guard). 0;
** -1 when other users cannot be kept from it (said). */
int arc_fill_guard(void);
/* After ARCS is filled, whole or not (dbf_refill_end). */
void arc_fill_end(pjct_rec *project, bool whole);

#endif /* PV_OUTPUT_ARC_FILL_H */
