/*
** host_editor.h: the stand-in editor's own C++ interface, for pvhost and
** for tests.
**
** New, open and save a drawing (ASCII DXF); send the module its messages
** and invoke the functions it defined with ads_defun; test hooks (a UCS
** offset for ads_trans, the pick tolerance, file search directories, the
** environment of ads_agetenv, loaders for ads_arxload, the temporary
** vectors of ads_grdraw, the open selection sets). Answers and printed text
** go through host_io.h.
**
** Answers (one line each, from the terminal or a script; see host_io.h):
**   point            "x,y" or "x,y,z"; "@dx,dy" relative to a base point
**   entity pick      "last" (or "L"), "#<hex handle>", or a point near it
**   selection        picks as above, "C x1,y1 x2,y2" crossing, "W x1,y1
**                    x2,y2" window, "ALL"; an empty line ends it
**   keyword          the keyword or its capital letters ("U" for "Undo")
**   number, text     as typed; a file name (extension added when missing)
**   RETURN / cancel  an empty line / "*cancel*"
**
**   host_register_module("pvx14.arx", acrxEntryPoint);
**   host_send_message(HOST_MSG_LOAD_DWG, nullptr);
**   struct resbuf *r = nullptr;
**   host_invoke_function("pv_open", nullptr, &r);  ... ads_relrb(r);
*/
#ifndef PV_PLATFORM_HOST_EDITOR_H
#define PV_PLATFORM_HOST_EDITOR_H

#include <string>
#include <utility>
#include <vector>

#include "ads_host.h"

/* Messages the editor sends to a module's entry point. */
enum host_message {
  HOST_MSG_INIT = 1,       /* initialise the application (packet given)   */
  HOST_MSG_UNLOAD_APP = 2, /* unload the application                      */
  HOST_MSG_LOAD_DWG = 3,   /* a drawing was loaded                        */
  HOST_MSG_UNLOAD_DWG = 4, /* the drawing is being closed                 */
  HOST_MSG_INVOKE = 5,     /* invoke a function the module defined        */
  HOST_MSG_CONFIG = 6,     /* configuration changed                       */
  HOST_MSG_END = 7,        /* the session ends                            */
  HOST_MSG_QUIT = 8,       /* the editor quits                            */
  HOST_MSG_SAVE = 9        /* the drawing is being saved                  */
};

/* A module's entry point: answers 0, or 3 on failure. */
typedef int (*host_entry_fn)(int msg, void *pkt);
/* Loader of an application for ads_arxload; true when it loaded. */
typedef bool (*host_arx_loader)();

/* A temporary vector on the screen (ads_grdraw). */
struct host_vector {
  double from[3];  /* start, UCS                                          */
  double to[3];    /* end, UCS                                            */
  int color;       /* colour number, -1 complement                        */
  int highlight;   /* non-zero: highlighted                               */
};

/* ---- Drawings ---- */
/* Starts a new, empty drawing with the default tables and variables;
** cancels any block definition under way and frees every selection set. */
void host_new_drawing();
/* Opens an ASCII DXF drawing; on failure (err set) the current drawing is
** left unchanged. */
bool host_open_drawing(const std::string &path, std::string &err);
/* Saves the drawing as ASCII DXF; false with err when it cannot. */
bool host_save_drawing(const std::string &path, std::string &err);
/* The file of the current drawing, empty for a new one. */
std::string host_drawing_path();

/* Sets a system variable from text ("14.0", "0", "1.5708") with the checks
** of ads_setvar; false with err for an unknown name or a bad value. */
bool host_set_var(const std::string &name, const std::string &value, std::string &err);
/* A system variable as text; empty for an unknown name. */
std::string host_get_var(const std::string &name);

/* ---- The module ---- */
/* Registers the module's entry point and file name (listed by
** ads_arxloaded). */
void host_register_module(const std::string &file, host_entry_fn entry);
/* Sends a message to the module; -1 when none is registered. */
int host_send_message(int msg, void *pkt);
/* Calls the function defined under name with the arguments (copied):
** sets the function code and argument list and sends HOST_MSG_INVOKE.
** Answers the entry's result (0 or 3); RTERROR when the name is not
** defined or no module is registered. *result (when given) receives a
** copy of the value the function returned with ads_ret* (nullptr when it
** returned none); the caller releases it with ads_relrb. */
int host_invoke_function(const std::string &name, const struct resbuf *args,
                         struct resbuf **result);
/* The functions defined with ads_defun: (name, code) in name order. */
std::vector<std::pair<std::string, int>> host_defined_functions();

/* ---- Test hooks and settings ---- */
/* Moves the UCS origin (WCS point of the UCS origin); ads_trans follows. */
void host_set_ucs_origin(const double origin[3]);
/* Half size of the pick box in drawing units (picks by point). */
void host_set_pick_tolerance(double units);
/* Adds a directory searched by ads_findfile (and _LOAD). */
void host_add_support_path(const std::string &dir);
/* Sets a value answered by ads_agetenv. */
void host_set_env(const std::string &name, const std::string &value);
/* Registers a loader for ads_arxload of the application named stem
** (file name without directory and extension, any case). */
void host_register_arx_app(const std::string &stem, host_arx_loader loader);
/* Temporary vectors now on the screen. */
const std::vector<host_vector> &host_temp_vectors();
/* Why the last refused ads_entmake, ads_entmakex, ads_entmod or
** ads_setvar was refused ("LINE needs group 11", "unknown block X"...). */
std::string host_last_error();
/* Number of selection sets not yet freed. */
int host_open_selection_sets();
/* Number of live entities in model space (main entities only). */
int host_model_entity_count();
/* Number of entities the spatial index offered the last window, crossing
** or pick to test, whatever these took. */
size_t host_selection_offered();
/* The image files the render module's c:replay showed, in order, as it
** found them. */
const std::vector<std::string> &host_replayed_images();

#endif /* PV_PLATFORM_HOST_EDITOR_H */
