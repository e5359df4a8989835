/*
** pv_entry.cpp: the module's entry points and the handling of the host's
** messages.
*/
#include "module/pv_entry.h"

#include <cstdlib>
#include <ctime>

#include "core/pv_globals.h"
#include "data/prf_edit.h"
#include "data/row_edit.h"
#include "draw/link_rows.h"
#include "draw/shape_block.h"
#include "module/pv_commands.h"
#include "module/pv_startup.h"
#include "output/plot/plot.h"
#include "platform/include/ads_host.h"
#include "platform/include/arx_host.h"

namespace {

/* Set once the runtime start-up has run. */
bool s_runtime_ready = false;

/* The host's major version from ACADVER ("14.0" gives 14); never below
** PV_HOST_VERSION_MIN. */
int pv_read_host_version(void)
{
    struct resbuf rb;
    int major = 0;
    if (ads_getvar("ACADVER", &rb) == RTNORM) {
        if (rb.restype == RTSTR && rb.resval.rstring) {
            major = std::atoi(rb.resval.rstring);
            std::free(rb.resval.rstring);
        } else if (rb.restype == RTSHORT) {
            major = rb.resval.rint;
        }
    }
    return major < PV_HOST_VERSION_MIN ? PV_HOST_VERSION_MIN : major;
}

}  // namespace

extern "C" {

/* Puts the core's globals in their start state, has the layers fill the
** tables through which a lower layer calls a higher one, and seeds the
** random numbers that name cursors; runs once. */
void _SetacrxPtp(void)
{
    if (s_runtime_ready) return;
    prf_serve_setups();
    shape_lib_serve_setups();
    plot_serve_browser();
    g_host_version = 0;
    g_dcl_id = PV_NO_DCL;
    g_hatch_list = nullptr;
    g_hatch_count = 0;
    std::srand((unsigned)std::time(nullptr));
    s_runtime_ready = true;
}

/* Sets how many linked rows one batched look-up asks for (1: each link
** on its own; 0: the default). Not one of the editor's entry points: the
** test editor calls it, so that a test can hold a batched walk against
** a single one. */
void pv_set_rows_per_request(int n)
{
    link_rows_set_per_request(n);
}

/* Sets how many seconds a writer of new rows waits at most for the lock
** another user holds on new rows of a table (0: the default). Not one of
** the editor's entry points: the test editor calls it, so that a test
** need not wait the default's full time. */
void pv_set_lock_wait(int seconds)
{
    row_set_lock_wait(seconds);
}

/* Answers the interface version the module is built for. */
int acrxGetApiVersion(void)
{
    return PV_API_VERSION;
}

/* Handles the host's messages 1 to 9; see pv_entry.h. */
int acrxEntryPoint(int msg, void *pkt)
{
    switch (msg) {
    case PV_MSG_INIT:
        acrxUnlockApplication(pkt);
        return PV_ENTRY_OK;
    case PV_MSG_LOAD_DWG:
        g_host_version = pv_read_host_version();
        if (pv_init() != RTNORM) return PV_ENTRY_FAIL;
        if (pv_defun_all() != RTNORM) return PV_ENTRY_FAIL;
        return PV_ENTRY_OK;
    case PV_MSG_INVOKE:
        return pv_dispatch() == RTNORM ? PV_ENTRY_OK : PV_ENTRY_FAIL;
    case PV_MSG_UNLOAD_DWG:
    case PV_MSG_END:
    case PV_MSG_QUIT:
        pv_terminate();
        return PV_ENTRY_OK;
    case PV_MSG_SAVE:
        pv_save_drawing();
        return PV_ENTRY_OK;
    case PV_MSG_UNLOAD_APP:
    case PV_MSG_CONFIG:
    default:
        return PV_ENTRY_OK;
    }
}

}  // extern "C"
