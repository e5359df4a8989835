/*
** dbf_refill.h: a table dropped, made again and filled (Fill ARCS, a
** profile's Save) all or nothing: the former table is kept until the new
** one is filled whole, and a refill cut short is put back at the next
** logon. On a dBASE project its file is copied to <table>.DBO; on a server
** project the table itself is renamed <table>_DBO, so that the command's
** DROP finds none and its CREATE makes the new one under the table's name.
**
**     dbf_refill r;
**     if (dbf_refill_begin(r, project, "ARCS", "Fill ARCS") != 0) return;   // said already
**     ... the table dropped and made again ...
**     if (dbf_refill_guard(r) != 0) ... as a table that could not be made
**     ... the table filled ...
**     if (dbf_refill_end(r, project, filled_whole) != 0) ... not filled (said)
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
    bool had = false;   /* the table was there, kept as <table>.DBO or <table>_DBO */
    void *connection = nullptr;   /* a server project's, which holds the kept table; null on dBASE */
    std::string command; /* the command refilling it */
};

/* Before the table is dropped: the mark <table>.MRF written by command
** (Fill ARCS) and held where the project keeps its marks, and the table kept (copied to <table>.DBO on a
** dBASE project, renamed <table>_DBO on a server). 0 (also when nothing is
** kept: no project, or one without a folder); -1 when the mark cannot be
** made, the table cannot be kept, a table <table>_DBO is there already or
** a mark is left from a refill cut short or another session refills the
** table (said; nothing is changed). */
int dbf_refill_begin(dbf_refill &refill, pjct_rec *project, const char *table, const char *command);
/* Once the new table is made, before its first row: the table is guarded
** until the refill ends, so that another session's write, which a
** put-back would discard, is refused naming the command (or, once the
** writer is gone, saying that the next logon puts the table back): on a
** server by a trigger, on a dBASE project by the file <table>.RFG naming
** the driver that fills it. 0 (also when nothing is kept); -1 when the
** guard cannot be set (said). */
int dbf_refill_guard(dbf_refill &refill);
/* After the table is filled whole (whole set) the kept table and the mark
** go; else, or when the mark cannot say the new table is whole (a full
** disk, a file-size limit), the former table is put back (or the new one
** removed, when there was none) and indexed again; what cannot be done now
** (the server gone) is left to the next logon under the mark. 0 (also when
** nothing was kept); -1 when the table filled whole was not kept (said). */
int dbf_refill_end(dbf_refill &refill, pjct_rec *project, bool whole);
/* At logon, before dbf_refill_recover, the refill of table cut short by a
** command that had filled it whole (its own mark says so only when the
** command got that far): the kept table goes, said, and the table is
** added to mended. 0 (also when there is no mark); -1 when a mark is
** there that is not used or held by a command at work (said or left). */
int dbf_refill_finish(pjct_rec *project, const char *table, std::vector<std::string> &mended);
/* At logon, each refill of the project cut short, from its marks (also
** another user's whose session is gone; one still held is said): with the new table complete only the kept table goes; else the
** former table is put back (or the part filled removed, when there was
** none), each said once. The tables put back or finished are added to
** mended (to be indexed again). Then what writers now gone left in the
** project's folder goes, each file only when no command at work holds it:
** a copy <table>.DBO of a former table that no mark names, and the
** temporary files of whole-file writes (wfile/wfile.h); the copies of
** tables among them are said. -1 when a mark is not used or a table
** cannot be put back (said; the mark stays), else 0. */
int dbf_refill_recover(pjct_rec *project, std::vector<std::string> &mended);

#endif /* PV_DATA_DBF_REFILL_H */
