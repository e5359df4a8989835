/*
** err_text.h: the application's error codes and their fixed texts.
**
** Every failure the application reports has a negative code (from -3 down
** to -11072) or, for the symbol setup, a code of 16384 plus one bit per
** invalid field. err_text gives a code's text; err_report shows it, with an
** optional detail, under the error title.
**
**     if (fp == NULL) return err_report(ERR_OPEN_FILE, path);
*/
#ifndef PV_CORE_ERR_TEXT_H
#define PV_CORE_ERR_TEXT_H

/* Title of every error alert. */
#define ERR_TITLE "Petrivex ERROR:"
/* Title of warnings. */
#define WARN_TITLE "PETRIVEX Warning:"

/* Codes the core itself returns or reports. */
#define ERR_BAD_SELECTION    (-3)     /* a selection tile cannot be read */
#define ERR_NO_MEMORY        (-9101)  /* "No memory available" */
#define ERR_OPEN_FILE        (-9102)  /* "Cannot open file" */
#define ERR_MANY_SELECTED    (-9105)  /* more than one item selected */
#define ERR_NONE_SELECTED    (-9106)  /* no item selected */
#define ERR_SQL_SYNTAX       (-9201)  /* the engine's syntax error 14215 */
#define ERR_SQL_NO_CONDITION (-9203)  /* an SQL call failed without a condition */
#define ERR_NO_RECORDS       (-9204)  /* a query selected nothing */
#define ERR_UPDATE_FAILED    (-9205)  /* a row or its drawing could not be updated */
#define ERR_ROW_GONE         (-9805)  /* the row is no longer there: "Row not found" */
#define ERR_ROW_CHANGED      (-9810)  /* another user changed the row since it was read */
#define ERR_LOCK_HELD        (-9811)  /* another user holds a lock for longer than it is waited for */
#define ERR_BAD_PROJECT      (-9401)  /* "Invalid project selected" */
#define ERR_BAD_TABLE        (-9402)  /* an invalid table was selected */
#define ERR_LOAD_DIALOG      (-9501)  /* "Cannot load dialog box" */
#define ERR_MOVE_ITEMS       (-9601)  /* "Cannot move or copy items" */

/* Symbol-setup codes: ERR_SYM_BASE plus one bit per invalid field. */
#define ERR_SYM_BASE     16384
#define ERR_SYM_LAST     (16384 + 8192)
/* Width the symbol-setup texts are padded to. */
#define ERR_SYM_TEXT_WIDTH 34

/* The fixed text of an application error code; null for a code without a
** text (also for 0 and other unknown codes). The symbol-setup texts come
** padded with blanks to ERR_SYM_TEXT_WIDTH characters. */
const char *err_text(int code);

/* Shows "%s %s" (the code's text and the detail) under ERR_TITLE, or the
** text alone when the detail is null and for the codes whose text stands
** alone; a code saying that the driver has ended is shown as a failed
** query shows it. Answers the code it was given, so that a caller hands
** the failure on with `return err_report(code, detail);` (a code without
** a text is answered without showing anything); -2 for a code not below
** 0. */
int err_report(int code, const char *detail);

#endif
