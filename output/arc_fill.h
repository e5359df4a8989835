/*
** arc_fill.h: Fill ARCS all or nothing on a dBASE project: the former
** ARCS is kept beside the new one until the new one is filled whole, and
** a fill cut short is put back at the next logon.
**
**     if (arc_fill_begin(project) != 0) return nullptr;   // said already
**     ... ARCS dropped, made again and filled ...
**     arc_fill_end(project, true);
*/
#ifndef PV_OUTPUT_ARC_FILL_H
#define PV_OUTPUT_ARC_FILL_H

struct pjct_rec;

/* Before ARCS is dropped: on a dBASE project its file is copied to
** ARCSOLD.DBF and the mark ARCS.MRK written and held. 0 (also when there
** is nothing to keep, on a server project); -1 when the copy or the mark
** cannot be made or a mark is left from a fill cut short (said; nothing
** is changed). */
int arc_fill_begin(pjct_rec *project);
/* After ARCS is filled whole (whole set) the copy and the mark go; else
** the former ARCS is put back (or the new one removed, when there was
** none) and indexed again. Nothing when no fill was begun. */
void arc_fill_end(pjct_rec *project, bool whole);
/* At logon, a fill of ARCS in the project folder dir cut short: with the
** new ARCS complete only the copy goes; else the former ARCS is put back
** from its copy (or the part filled removed, when there was none), each
** said once. 1 when ARCS was put back or finished (to be indexed again), 0
** when no fill was cut short, -1 when the mark is not used or a file
** cannot be put back (said; the mark stays). */
int arc_fill_recover(const char *dir);

#endif /* PV_OUTPUT_ARC_FILL_H */
