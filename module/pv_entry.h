/*
** pv_entry.h: the module's entry points, the three names the host calls.
**
** The host loads the module, calls _SetacrxPtp (start-up of the module's
** runtime), checks acrxGetApiVersion, then sends its messages to
** acrxEntryPoint: initialise, load drawing (start-up and the command
** names), invoke a function, save, unload and quit.
**
**     _SetacrxPtp();
**     if (acrxGetApiVersion() == PV_API_VERSION) acrxEntryPoint(PV_MSG_INIT, app);
*/
#ifndef PV_MODULE_PV_ENTRY_H
#define PV_MODULE_PV_ENTRY_H

/* Interface version the module is built for. */
#define PV_API_VERSION 0xE0000

/* Messages of the host to acrxEntryPoint. */
#define PV_MSG_INIT        1  /* initialise the application (packet: the application) */
#define PV_MSG_UNLOAD_APP  2  /* unload the application */
#define PV_MSG_LOAD_DWG    3  /* a drawing was loaded */
#define PV_MSG_UNLOAD_DWG  4  /* the drawing is being closed */
#define PV_MSG_INVOKE      5  /* invoke a function the module defined */
#define PV_MSG_CONFIG      6  /* configuration changed */
#define PV_MSG_END         7  /* the session ends */
#define PV_MSG_QUIT        8  /* the host quits */
#define PV_MSG_SAVE        9  /* the drawing is being saved */

/* Answers of acrxEntryPoint. */
#define PV_ENTRY_OK    0  /* handled */
#define PV_ENTRY_FAIL  3  /* a load or a function call failed */

#ifdef __cplusplus
extern "C" {
#endif

/* Runs the module's start-up of its runtime state; safe to call again. */
void _SetacrxPtp(void);
/* Answers PV_API_VERSION. */
int acrxGetApiVersion(void);
/* Handles one host message; PV_ENTRY_OK, or PV_ENTRY_FAIL when loading or
** the invoked function failed. */
int acrxEntryPoint(int msg, void *pkt);

#ifdef __cplusplus
}
#endif

#endif
