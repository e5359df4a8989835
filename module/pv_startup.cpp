/*
** pv_startup.cpp: the application's start-up and unload, one function per
** step, in the order they run.
**
** Start-up: register "PETRIVEX" in APPID; then, when not started: the
** dialog file, the SQL client, the link client's application handle, the hatch patterns, the
** SQL configuration, acad.lsp, the built-in projections; always last the
** drawing's map parameters. Unload releases them in the order the
** application's lists depend on each other.
*/
#include "module/pv_startup.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "coords/dtm_list.h"
#include "coords/prj_list.h"
#include "shapes/shape_store.h"
#include "coords/xfrm_list.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/setup_store.h"
#include "core/str_util.h"
#include "draw/map_params.h"
#include "linkclient/ase_api.h"
#include "module/pv_logon.h"
#include "platform/include/ads_host.h"
#include "platform/include/dcl_host.h"
#include "sqlclient/asi_api.h"
#include "wfile/wfile.h"

namespace {

/* Set by a complete start-up, cleared by unload. The SQL configuration's
** environment list is what marks a started application; until that step
** loads, the start-up itself keeps the mark. */
bool s_started = false;
/* Set between asi_init and asi_term. */
bool s_asi_started = false;

/* Host version from which the configuration is called the registry. */
constexpr int PV_REGISTRY_HOST_VERSION = 14;

/* Longest line of a pattern file or of acad.lsp that is read whole. */
constexpr int PV_LINE_MAX = 1024;

/* Releases what a failed start-up had loaded. */
void pv_release_partial(void)
{
    pjct_logoff_all(0);
    pv_config_free();
    if (s_asi_started) {
        asi_term();
        s_asi_started = false;
    }
    ase_close_app(&g_ase_app);
    pv_free_hatches();
    if (g_dcl_id != PV_NO_DCL) {
        ads_unload_dialog(g_dcl_id);
        g_dcl_id = PV_NO_DCL;
    }
}

/* 1 when the line loads petrivex.lsp (a load call naming it, any case). */
int pv_line_loads_lsp(const char *line)
{
    std::string l(line);
    for (char &c : l) c = (char)std::tolower((unsigned char)c);
    return l.find("(load") != std::string::npos && l.find(PV_LSP_FILE) != std::string::npos;
}

}  // namespace

/* Starts the SQL client engine; -5001 after "Unable to initialize ASI.". */
int pv_load_asi(void)
{
    ads_printf("\nLoading %s...", "ASI");
    if (!asi_init()) {
        msg_alert(ERR_TITLE, "Unable to initialize ASI.");
        return RTERROR;
    }
    s_asi_started = true;
    ads_printf("done");
    return RTNORM;
}

/* Opens the link client's application handle into g_ase_app; when the
** editor's link store is not there, loads the host application "ase" and
** tries once more. -5001 after "Unable to initialize ASE.". */
int pv_load_ase(void)
{
    ads_printf("\nLoading %s...", "ASE");
    if (!g_ase_app) g_ase_app = ase_open_app();
    if (!g_ase_app) {
        ads_arxload(PV_ASE_HOST_APP);   /* already loaded: the retry tells */
        g_ase_app = ase_open_app();
    }
    if (!g_ase_app) {
        msg_alert(ERR_TITLE, "Unable to initialize ASE.");
        return RTERROR;
    }
    ads_printf("done");
    return RTNORM;
}

/* Reads the environments and projects of the configuration; -5001 after
** "Unable to load ASI registry: " with the store, the line or section at
** fault and the cause. Each project entry left out is named on a line of
** its own. */
int pv_load_config(void)
{
    if (g_host_version >= PV_REGISTRY_HOST_VERSION)
        ads_printf("\nLoading ASI registry...");
    else
        ads_printf("\nLoading %s...", "ASI.INI");
    if (pv_config_load() != RTNORM) {
        msg_alert(ERR_TITLE, "Unable to load ASI registry: %s.", pv_config_failure());
        return RTERROR;
    }
    ads_printf("done");
    for (int i = 0; i < pv_config_refusal_count(); ++i) ads_printf("\n** Left out: %s.", pv_config_refusal_nth(i));
    return RTNORM;
}

/* Logs on to the built-in projections; prints " ** No projections!" and
** the reason on the next line when that fails (start-up goes on). 5100 or
** -5001. */
int pv_load_projections(void)
{
    ads_printf("\nLoading %s...", PV_PROJECTIONS);
    if (pjct_logon_projections() != RTNORM) {
        ads_printf(" ** No projections!");
        if (pjct_logon_failure()[0]) ads_printf("\n** %s", pjct_logon_failure());
        return RTERROR;
    }
    ads_printf("done");
    return RTNORM;
}

/* Looks the application up in APPID and registers it when absent; -5001
** after "Cannot register %s as an AutoCAD application.". */
int pv_register_app(void)
{
    struct resbuf *entry = ads_tblsearch("APPID", PV_APP_NAME, 0);
    if (entry) {
        ads_relrb(entry);
        return RTNORM;
    }
    if (ads_regapp(PV_APP_NAME) != RTNORM) {
        msg_alert(ERR_TITLE, "Cannot register %s as an AutoCAD application.", PV_APP_NAME);
        return RTERROR;
    }
    return RTNORM;
}

/* Loads PETRIVEX.DCL into g_dcl_id; -5001 after "Unable to load dialogue
** file: %s.". */
int pv_load_dcl(void)
{
    ads_printf("\nLoading %s.DCL...", PV_APP_NAME);
    int id = PV_NO_DCL;
    if (ads_load_dialog(PV_DCL_FILE, &id) != RTNORM || id < 0) {
        msg_alert(ERR_TITLE, "Unable to load dialogue file: %s.", PV_DCL_FILE);
        return RTERROR;
    }
    g_dcl_id = id;
    ads_printf("done");
    return RTNORM;
}

/* Reads the pattern names of a pattern file; see pv_startup.h. */
int pv_read_hatch_names(const char *path, char ***names, int *count)
{
    if (!path || !names || !count) return -2;
    *names = nullptr;
    *count = 0;
    FILE *fp = wf_fopen(path, "r");
    if (!fp) return ERR_OPEN_FILE;
    char **list = nullptr;
    int n = 0, room = 0;
    char line[PV_LINE_MAX];
    int rc = RTNORM;
    while (std::fgets(line, sizeof line, fp)) {
        size_t len = std::strlen(line);
        bool whole = len > 0 && line[len - 1] == '\n';
        if (line[0] == '*') {
            char *name = line + 1;
            name[std::strcspn(name, ",\r\n")] = '\0';
            str_upper(str_trim(name));
            if (*name) {
                if (n == room) {
                    room = room ? room * 2 : 32;
                    char **grown = (char **)std::realloc(list, sizeof(char *) * (size_t)room);
                    if (!grown) { rc = ERR_NO_MEMORY; break; }
                    list = grown;
                }
                list[n] = (char *)std::malloc(std::strlen(name) + 1);
                if (!list[n]) { rc = ERR_NO_MEMORY; break; }
                std::strcpy(list[n++], name);
            }
        }
        /* Skip the rest of a line longer than the buffer. */
        while (!whole && std::fgets(line, sizeof line, fp)) {
            len = std::strlen(line);
            whole = len > 0 && line[len - 1] == '\n';
        }
    }
    std::fclose(fp);
    if (rc != RTNORM) {
        for (int i = 0; i < n; ++i) std::free(list[i]);
        std::free(list);
        return rc;
    }
    *names = list;
    *count = n;
    return RTNORM;
}

/* Frees the hatch-pattern names. */
void pv_free_hatches(void)
{
    for (int i = 0; i < g_hatch_count; ++i) std::free(g_hatch_list[i]);
    std::free(g_hatch_list);
    g_hatch_list = nullptr;
    g_hatch_count = 0;
}

/* Reads ACAD.PAT, found on the host's search path, into g_hatch_list;
** -5001 after "Unable to load file: %s.". */
int pv_load_hatches(void)
{
    ads_printf("\nLoading %s...", PV_HATCH_FILE);
    pv_free_hatches();
    char path[ADS_PATH_MAX];
    if (ads_findfile(PV_HATCH_FILE, path) != RTNORM ||
        pv_read_hatch_names(path, &g_hatch_list, &g_hatch_count) != RTNORM) {
        msg_alert(ERR_TITLE, "Unable to load file: %s.", PV_HATCH_FILE);
        return RTERROR;
    }
    ads_printf("done");
    return RTNORM;
}

/* Writes the path of acad.lsp into path (ADS_PATH_MAX bytes): in the
** editor's first support folder when the editor names one, else where the
** editor's search finds it, else in the current directory. An empty path
** when the folder's path is too long (the file then cannot be made). */
static void pv_startup_lsp_path(char *path)
{
    char support[ADS_PATH_MAX];
    if (pv_support_folder(support) == RTNORM) {
        size_t n = std::strlen(support);
        const char *slash = support[n - 1] == '/' ? "" : "/";
        int len = std::snprintf(path, ADS_PATH_MAX, "%s%s%s", support, slash, PV_STARTUP_LSP);
        if (len < 0 || len >= ADS_PATH_MAX) path[0] = '\0';
        return;
    }
    if (ads_findfile(PV_STARTUP_LSP, path) != RTNORM)
        std::snprintf(path, ADS_PATH_MAX, "%s", PV_STARTUP_LSP);
}

/* Makes acad.lsp (in the editor's support folder) hold the line that loads
** petrivex.lsp; see pv_startup.h. */
int pv_check_startup_lsp(void)
{
    ads_printf("\nVerifying pv-logon loaded in ACAD.LSP...");
    char path[ADS_PATH_MAX];
    pv_startup_lsp_path(path);
    bool present = false, ends_open = false;
    if (FILE *in = wf_fopen(path, "r")) {
        char line[PV_LINE_MAX];
        while (std::fgets(line, sizeof line, in)) {
            if (pv_line_loads_lsp(line)) present = true;
            size_t len = std::strlen(line);
            ends_open = len > 0 && line[len - 1] != '\n';
        }
        std::fclose(in);
    }
    if (!present) {
        FILE *out = wf_fopen(path, "a"); /* never through a link or into a second name */
        bool ok = out != nullptr;
        if (ok) {
            if (ends_open) ok = std::fputc('\n', out) != EOF;
            ok = ok && std::fprintf(out, "(load \"%s\")\n", PV_LSP_FILE) > 0;
            ok = (std::fclose(out) == 0) && ok;
        }
        if (!ok) {
            ads_printf("failed\n** WARNING: AutoCAD may not recognize pv-logon.  Use pv-open.\n");
            return RTERROR;
        }
    }
    ads_printf("done");
    return RTNORM;
}

/* Reads the drawing's map setup, else gives it the system "USER" and writes
** and references a new block; see pv_startup.h. */
int pv_load_map_params(void)
{
    if (map_params_read(&g_map_params) == 0) return RTNORM;
    /* "USER" exists even when the built-in projections could not be
    ** loaded. */
    if (prj_add_builtin_systems() < 0) return RTERROR;
    map_params_set_projection(&g_map_params, prj_find(MAP_PARAMS_DEFAULT_PRJ, nullptr));
    if (map_params_write(&g_map_params) != 0 || map_params_insert(&g_map_params) != 0) return RTERROR;
    return RTNORM;
}

namespace {

/* The steps whose failure fails the start-up, in their order. */
int (*const k_required_steps[])(void) = {pv_load_dcl, pv_load_asi, pv_load_ase, pv_load_hatches, pv_load_config};

}  // namespace

/* Runs the start-up; see pv_startup.h. */
int pv_init(void)
{
    if (pv_register_app() != RTNORM) return RTERROR;
    if (!s_started) {
        ads_printf("\nLoading %s...", PV_APP_NAME);
        for (int (*step)(void) : k_required_steps) {
            if (step() != RTNORM) {
                pv_release_partial();
                return RTERROR;
            }
        }
        pv_check_startup_lsp();
        pv_load_projections();
        ads_printf("\nLoading %s...done\n", PV_APP_NAME);
        s_started = true;
    }
    if (pv_load_map_params() != RTNORM) {
        msg_alert(ERR_TITLE, "Cannot initialize Petrivex");
        pv_terminate();
        return RTERROR;
    }
    return RTNORM;
}

/* Unloads in the order of the application's dependencies; see
** pv_startup.h. */
int pv_terminate(void)
{
    map_params_update(&g_map_params);
    pjct_logoff_all(1);
    pv_config_free();
    pv_free_hatches();
    shape_store_free();
    xfrm_list_free();
    prj_list_free();
    dtm_list_free();
    setup_owner_clear();
    map_params_init(&g_map_params);
    if (s_asi_started) {
        asi_term();
        s_asi_started = false;
    }
    ase_close_app(&g_ase_app);
    if (g_dcl_id != PV_NO_DCL) {
        ads_unload_dialog(g_dcl_id);
        g_dcl_id = PV_NO_DCL;
    }
    s_started = false;
    return RTNORM;
}

/* The save message; see pv_startup.h. */
int pv_save_drawing(void)
{
    map_params_update(&g_map_params);
    if (g_pjct_list) setup_save_all(g_pjct_list, 1);
    return RTNORM;
}

/* Answers whether the application is started. */
int pv_is_started(void)
{
    return s_started ? 1 : 0;
}
