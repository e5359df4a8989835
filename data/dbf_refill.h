/*
** dbf_refill.h: a table of a dBASE project dropped, made again and filled
** (Fill ARCS, a profile's Save) all or nothing: its former file is kept
** beside it until the new one is filled whole, and a refill cut short is
** put back at the next logon.
**
**     dbf_refill r;
**     if (dbf_refill_begin(r, project, "ARCS") != 0) return;   // said already
**     ... the table dropped, made again and filled ...
**     dbf_refill_end(r, project, filled_whole);
*/
#ifndef PV_DATA_DBF_REFILL_H
#define PV_DATA_DBF_REFILL_H

#include <string>
#include <vector>

#include "core/mark_file.h"

struct pjct_rec;

/* A refill under way. */
struct dbf_refill {
    mark_file mark;     /* <table>.MRF, held while the table is refilled */
    std::string dir;    /* the project's folder; empty when nothing is kept */
    std::string name;   /* the table */
    bool had = false;   /* the table had a file, kept as <table>.DBO */
};

/* Before the table is dropped: on a dBASE project its file is copied to
** <table>.DBO and the mark <table>.MRF written and held. 0 (also when
** nothing is kept, on a server project); -1 when the copy or the mark
** cannot be made or a mark is left from a refill cut short (said; nothing
** is changed). */
int dbf_refill_begin(dbf_refill &refill, pjct_rec *project, const char *table);
/* After the table is filled whole (whole set) the copy and the mark go;
** else the former table is put back (or the new one removed, when there
** was none) and indexed again. Nothing when nothing was kept. */
void dbf_refill_end(dbf_refill &refill, pjct_rec *project, bool whole);
/* At logon, each refill in the project folder dir cut short: with the new
** table complete only the copy goes; else the former table is put back
** from its copy (or the part filled removed, when there was none), each
** said once. The tables put back or finished are added to mended (to be
** indexed again). -1 when a mark is not used or a file cannot be put back
** (said; the mark stays), else 0. */
int dbf_refill_recover(const char *dir, std::vector<std::string> &mended);

#endif /* PV_DATA_DBF_REFILL_H */
