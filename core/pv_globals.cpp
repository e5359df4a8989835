/*
** pv_globals.cpp: definitions of the core's module-wide globals and of the
** list of logged-on projects.
*/
#include "core/pv_globals.h"

#include "core/pjct.h"

int g_host_version = 0;
int g_dcl_id = PV_NO_DCL;
void *g_ase_app = nullptr;
char **g_hatch_list = nullptr;
int g_hatch_count = 0;
pjct_rec *g_pjct_list = nullptr;
