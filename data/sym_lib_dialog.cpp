/*
** sym_lib_dialog.cpp: the dialog pv_load_sym that loads symbol libraries
** into the shape store and unloads them.
**
** The list shows the loaded libraries in slot order. A library loaded
** here becomes a library setup (owner kind 6, flag 2) of every logged-on
** project, so that the project loads it again at its next logon; an
** unloaded one loses them. After the dialog every loaded library that no
** shape-file style of the drawing uses yet is loaded into the drawing too
** (not in upgrade mode, where the upgrade does it itself).
**
**     pv_load_sym_dialog(0);           // from the setup dialog's "symlib"
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "draw/draw_util.h"
#include "draw/shape_block.h"
#include "platform/include/ads_host.h"

namespace {

/* The dialog and its texts. */
constexpr const char *SYMLIB_DIALOG = "pv_load_sym";
constexpr const char *SYMLIB_FILE_TITLE = "PETRIVEX: Select symbol file to load";
constexpr const char *SYMLIB_FILE_EXT = "SHX";
/* ads_getfiled flags: 2 (no "type it" button) and 16 (start directory). */
constexpr int SYMLIB_FILE_FLAGS = 18;
/* Longest path taken from the file dialog. */
constexpr int SYMLIB_PATH_MAX = 255;
constexpr const char *SYMLIB_NONE = "No symbol library specified";
constexpr const char *SYMLIB_ALREADY = "%s already loaded";
constexpr const char *SYMLIB_CANNOT_LOAD = "Cannot load %s";
constexpr const char *SYMLIB_LOADING = "Loading %s...";
constexpr const char *SYMLIB_LOADED = "%s loaded";
constexpr const char *SYMLIB_CANNOT_UNLOAD = "Cannot unload %s";
/* Where a library's file was looked for, on the command line after "Cannot
** load" when the file is nowhere the editor searches. */
constexpr const char *SYMLIB_NOT_FOUND =
    "\nCannot load %s: %s is not in the current folder, the drawing's folder or the support folders%s%s";
/* The editor's setting that lists its support folders. */
constexpr const char *SYMLIB_SUPPORT_SETTING = "ACAD";
constexpr const char *SYMLIB_ACAD_FAILED = "\nCould not ACAD load %s";
/* Room of a message of the "error" tile. */
constexpr int SYMLIB_MSG_SIZE = ADS_PATH_MAX + 64;
/* Status ads_done_dialog is given by exit. */
constexpr int SYMLIB_DONE = 1;

/* Shows a message with one name in the "error" tile. */
void symlib_say(ads_hdlg dlg, const char *format, const char *name)
{
    char text[SYMLIB_MSG_SIZE];
    snprintf(text, sizeof text, format, name);
    ads_set_tile(dlg, "error", text);
}

/* Says on the command line where the library's file was looked for, when
** no folder the editor searches holds it (a file found but unreadable says
** nothing more than the dialog does). */
void symlib_say_searched(const char *name)
{
    char file[ADS_PATH_MAX + 8], path[ADS_PATH_MAX], support[ADS_PATH_MAX] = "";
    shape_lib_file(name, file, sizeof file);
    if (ads_findfile(file, path) == RTNORM) return;
    if (ads_agetenv(SYMLIB_SUPPORT_SETTING, support) != RTNORM) support[0] = '\0';
    ads_printf(SYMLIB_NOT_FOUND, name, file, support[0] ? " " : "", support);
}

/* The names of the loaded libraries in slot order. */
std::vector<std::string> symlib_names(void)
{
    std::vector<std::string> names;
    for (int slot = 0; slot < SYMLIB_SLOTS; slot++) {
        const shape_lib_rec *lib = shape_lib_get((uint16_t)slot);
        if (lib && lib->name) names.push_back(lib->name);
    }
    return names;
}

/* Fills "symlist" and selects the library name (none when null). */
void symlib_refresh(ads_hdlg dlg, const char *select)
{
    std::vector<std::string> names = symlib_names();
    std::vector<const char *> texts;
    for (const auto &n : names) texts.push_back(n.c_str());
    dlg_fill_list(dlg, "symlist", texts.data(), (int)texts.size());
    for (size_t i = 0; select && i < names.size(); i++)
        if (str_eq_nocase(names[i].c_str(), select)) dlg_set_index(dlg, "symlist", (int)i);
}

/* The library named in "symname" (shape_lib_name); 0, or -2 after saying
** that none is named. */
int symlib_named(ads_hdlg dlg, char *name, size_t size)
{
    char text[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "symname", text, TILE_BUF_SIZE);
    if (shape_lib_name(text, name, size) != 0) {
        ads_set_tile(dlg, "error", SYMLIB_NONE);
        return -2;
    }
    return 0;
}

/* "symlist": the chosen library's name goes to "symname". */
void symlib_list(ads_callback_packet *cpkt)
{
    int i = tile_get_int(cpkt->dialog, "symlist");
    std::vector<std::string> names = symlib_names();
    if (i >= 0 && i < (int)names.size()) ads_set_tile(cpkt->dialog, "symname", names[(size_t)i].c_str());
}

/* "filename": the file dialog; the chosen path goes to "symname". */
void symlib_file(ads_callback_packet *cpkt)
{
    struct resbuf rb;
    rb.restype = RTNONE;
    rb.resval.rstring = nullptr;
    if (ads_getfiled(SYMLIB_FILE_TITLE, "", SYMLIB_FILE_EXT, SYMLIB_FILE_FLAGS, &rb) != RTNORM) return;
    if (rb.restype == RTSTR && rb.resval.rstring) {
        char path[SYMLIB_PATH_MAX + 1];
        snprintf(path, sizeof path, "%s", rb.resval.rstring);
        ads_set_tile(cpkt->dialog, "symname", path);
        free(rb.resval.rstring);
    }
}

/* "load": loads the named library into the shape store and measures it;
** every logged-on project gets a library setup of it. */
void symlib_load(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    char name[ADS_PATH_MAX];
    if (symlib_named(dlg, name, sizeof name) != 0) return;
    int n = shape_lib_open(name);
    if (n == SHAPE_ALREADY_LOADED) return symlib_say(dlg, SYMLIB_ALREADY, name);
    if (n <= 0) {
        symlib_say_searched(name);
        return symlib_say(dlg, SYMLIB_CANNOT_LOAD, name);
    }
    symlib_say(dlg, SYMLIB_LOADING, name);
    if (shape_extents(name) == 0) {
        shape_font_unload(name);
        return symlib_say(dlg, SYMLIB_CANNOT_LOAD, name);
    }
    symlib_say(dlg, SYMLIB_LOADED, name);
    for (pjct_rec *p = g_pjct_list; p; p = p->next) {
        sym_rec *s = symlib_setup_new(name);
        if (!s) continue;
        if (sym_find_equal(p->symbols, s)) sym_free(s);
        else sym_attach(p, s);
    }
    symlib_refresh(dlg, name);
}

/* "unload": unloads the named library; every logged-on project's
** library setup of it is detached. */
void symlib_unload(ads_callback_packet *cpkt)
{
    ads_hdlg dlg = cpkt->dialog;
    char name[ADS_PATH_MAX];
    if (symlib_named(dlg, name, sizeof name) != 0) return;
    if (!shape_font_unload(name)) return symlib_say(dlg, SYMLIB_CANNOT_UNLOAD, name);
    sym_rec *tmpl = symlib_setup_new(name);
    for (pjct_rec *p = g_pjct_list; p && tmpl; p = p->next)
        for (sym_rec *s; (s = sym_find_equal(p->symbols, tmpl)) != nullptr;) sym_detach(p, s);
    sym_free(tmpl);
    symlib_refresh(dlg, nullptr);
    ads_set_tile(dlg, "symname", "");
    ads_set_tile(dlg, "error", "");
}

/* "exit" closes the dialog. */
void symlib_exit(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, SYMLIB_DONE);
}

const dlg_tile k_symlib_tiles[] = {
    {"symlist", symlib_list}, {"filename", symlib_file}, {"load", symlib_load},
    {"unload", symlib_unload}, {"exit", symlib_exit},
};

/* Loads into the drawing every loaded library that no shape-file style
** uses yet; the failures are shown together afterwards. */
void symlib_load_into_drawing(void)
{
    std::string failed;
    for (const auto &name : symlib_names()) {
        char style[ENT_STYLE_OUT_SIZE];
        if (ent_find_style_by_font(name.c_str(), 1, style)) continue;
        struct resbuf *args = ads_buildlist(RTSTR, name.c_str(), 0);
        int rc = args ? cmd_run("_LOAD", args) : RTERROR;
        rb_free(args);
        if (rc == RTNORM) continue;
        char line[SYMLIB_MSG_SIZE];
        snprintf(line, sizeof line, SYMLIB_ACAD_FAILED, name.c_str());
        failed += line;
    }
    if (!failed.empty()) msg_alert(ERR_TITLE, "%s", failed.c_str());
}

}  // namespace

/* The dialog pv_load_sym; upgrade set leaves the drawing's styles to the
** upgrade. Answers 5100 after the dialog; -1 after the alert "Cannot load
** dialog box: %s." when it cannot be opened. */
int pv_load_sym_dialog(int upgrade)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(SYMLIB_DIALOG, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", SYMLIB_DIALOG);
        return -1;
    }
    dlg_register(dlg, k_symlib_tiles, (int)(sizeof k_symlib_tiles / sizeof k_symlib_tiles[0]), nullptr);
    symlib_refresh(dlg, nullptr);
    int status = 0;
    ads_start_dialog(dlg, &status);
    if (!upgrade) symlib_load_into_drawing();
    return RTNORM;
}

/* The library dialog in upgrade mode. Answers what pv_load_sym_dialog
** answers. */
int symlib_load_for_upgrade(void)
{
    return pv_load_sym_dialog(1);
}
