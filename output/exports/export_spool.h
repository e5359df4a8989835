/*
** export_spool.h: the objects of an export's first pass kept in a scratch
** file, so that the later passes of a format that walks the selection
** several times (E00 writes a section a pass) take each object back in the
** same order instead of reading its entity, its link and its row again.
** The file lives on disk: the module's memory does not grow with the
** selection. Any failure closes the spool, and the later passes then read
** each entity as the first did.
**
**   pass 1:  export_spool_open(); each entity: rc = export_read_entity(...); export_spool_put(e, rc);
**   later:   export_spool_rewind(); each entity: if (!export_spool_get(e, attributes, &rc)) rc = export_read_entity(...);
**   end:     export_spool_close();
*/
#ifndef PV_OUTPUT_EXPORT_SPOOL_H
#define PV_OUTPUT_EXPORT_SPOOL_H

#include "platform/include/ads_host.h"

/* Starts an empty spool (any earlier one closed). Answers true, or false
** when no scratch file can be had. */
bool export_spool_open(void);

/* True while the spool is open. */
bool export_spool_active(void);

/* Closes the spool and removes its file; nothing when none is open. */
void export_spool_close(void);

/* Turns the spool back to its first object for the next pass. */
void export_spool_rewind(void);

/* Appends the entity's object as the entity walker left it: its result
** (0, -1 or -2) and, for 0, the current object and every column's value.
** Answers false, the spool closed, when it cannot be written. */
bool export_spool_put(const ads_name entity, int result);

/* Takes back the next object when it is the entity's: the current object
** and, with attributes, the columns' values as the walker would fill them
** (without, the attribute columns empty), and *result. Answers false, the
** spool closed, when none is open, it is at its end, cannot be read, or
** holds another entity's object next. */
bool export_spool_get(const ads_name entity, bool attributes, int *result);

#endif /* PV_OUTPUT_EXPORT_SPOOL_H */
