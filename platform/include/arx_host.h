/*
** arx_host.h: the editor's runtime calls that are not ads_* functions.
**
** The application unlock at load time, the editor's product key (where
** its settings live), and the editor's heap for texts and binary chunks
** handed across inside result buffers. The link-store service of the
** editor is declared here later, next to these.
**
**   char *s = (char *)acad_malloc(n + 1);  ...  acad_free(s);
*/
#ifndef PV_PLATFORM_ARX_HOST_H
#define PV_PLATFORM_ARX_HOST_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Marks the application of the load packet as unloadable; 1 on success,
** 0 for a null packet. */
int acrxUnlockApplication(void *appId);
/* The editor's settings key ("Software\\...\\R14.0"); never null. */
const char *acrxProductKey(void);
/* The editor's heap; acad_malloc answers NULL when memory runs out. */
void *acad_malloc(size_t size);
void acad_free(void *p);

#ifdef __cplusplus
}
#endif

#endif /* PV_PLATFORM_ARX_HOST_H */
