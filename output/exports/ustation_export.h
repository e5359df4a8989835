/*
** ustation_export.h: the pv_ustation command, which prepares a logged-on
** project's database for the Microstation 95 database tools: the catalogue
** table MSCATLOG with one row per exported table, a unique index on each
** table's MSLINK column, a copy "%sMMO" of each memo side table, the
** data-dictionary script "pvddict.s" and the batch file "cleanup.bat" in
** the project's directory.
**
**     (pv_ustation)   ->  dialog pv_ustation, "accept" exports the chosen project
*/
#ifndef PV_OUTPUT_USTATION_EXPORT_H
#define PV_OUTPUT_USTATION_EXPORT_H

#include <string>
#include <vector>

#include "platform/include/dcl_host.h"

struct pjct_rec;

/* Longest summary shown after an export, in characters. */
#define USTN_SUMMARY_MAX 1023

/* The command: shows dialog pv_ustation over the logged-on projects.
** 5100 when the dialog ended with an export, else -5001 (also, after the
** "Cannot load dialog box" report, when it cannot be loaded). */
int pv_ustation(struct resbuf *args);

/* The dialog's callbacks: "accept" exports the chosen project and ends
** the dialog with 1 (a missing or unknown project, a catalogue table that
** cannot be made and a script that cannot be created keep it open);
** "cancel" ends it with 0; "project" clears "error". */
void pv_ustation_accept_cb(ads_callback_packet *cpkt);
void pv_ustation_cancel_cb(ads_callback_packet *cpkt);
void pv_ustation_project_cb(ads_callback_packet *cpkt);

/* At logon, an export of the project cut short (its mark MSCATLOG.MRU,
** also another user's whose session is gone; one at work is left): one
** cut short before it was whole is said and left to dbf_refill_recover,
** which puts the catalogue and the memo copies back; one cut short after
** is finished (the catalogue and the copies kept, added to mended to be
** indexed again, and pvddict.s and cleanup.bat written from the mark) and
** said. Before dbf_refill_recover. -1 when the mark is not used or the
** export cannot be finished now (said; it stays), else 0. */
int ustation_recover(pjct_rec *project, std::vector<std::string> &mended);

#endif /* PV_OUTPUT_USTATION_EXPORT_H */
