/*
** pv_startup.h: start-up and unload of the application.
**
** pv_init runs at every load-drawing message: it registers the application
** name, and while the application is not started it loads, step by step,
** the dialog file, the SQL client, the link client's application handle,
** the hatch patterns,
** the SQL configuration and the built-in projections, printing a progress
** line for each; last, always, it reads the drawing's map setup (or gives
** the drawing a new one). pv_terminate writes the map setup back and undoes
** all of it; after it the next load-drawing message starts the application
** again.
**
**     if (pv_init() != RTNORM) return PV_ENTRY_FAIL;
*/
#ifndef PV_MODULE_PV_STARTUP_H
#define PV_MODULE_PV_STARTUP_H

/* The application's name: registered in APPID, shown while loading, and
** the base name of its dialog file. */
#define PV_APP_NAME "PETRIVEX"
/* Files read at start-up. */
#define PV_DCL_FILE "PETRIVEX.DCL"
#define PV_HATCH_FILE "ACAD.PAT"
#define PV_STARTUP_LSP "acad.lsp"
#define PV_LSP_FILE "petrivex.lsp"
/* The editor's application that serves the link store, loaded when the
** link client finds no service at start-up. */
#define PV_ASE_HOST_APP "ase"

/* Starts the application (see above). 5100; -5001 when a step fails (its
** alert shown, whatever the step loaded released again), also after
** "Cannot initialize Petrivex" when the map setup can be neither read nor
** made (everything unloaded again). */
int pv_init(void);
/* Writes the map setup back, unloads everything start-up loaded, resets
** the map setup and marks the application as not started. 5100. */
int pv_terminate(void);
/* The save message: writes the drawing's map parameters and the changed
** setups of the logged-on projects. 5100. */
int pv_save_drawing(void);

/* 1 between a complete start-up and the next unload, else 0. */
int pv_is_started(void);

/* Start-up steps, in their order; each 5100 or -5001 (after its alert). */
int pv_register_app(void);
int pv_load_dcl(void);
int pv_load_asi(void);
int pv_load_ase(void);
int pv_load_config(void);
int pv_load_hatches(void);
/* Makes acad.lsp hold the line that loads petrivex.lsp; 5100, or -5001
** after the warning line (start-up goes on). The file lives in the first
** folder of the editor's setting "ACAD" (its support folders); without
** that setting it is the one the editor's file search finds, else one in
** the current directory. */
int pv_check_startup_lsp(void);
/* Logs on to the built-in projections; 5100, or -5001 after the line
** " ** No projections!" and, on a line of its own after "** ", the reason
** the logon gave (start-up goes on). */
int pv_load_projections(void);

/* The drawing's map setup into g_map_params: the block read, else the
** system "USER" given (the built-in systems added when missing) and a new
** block written and referenced. 5100; -5001 when neither works. */
int pv_load_map_params(void);

/* Reads the pattern names of a pattern file ("*NAME, description" lines)
** into a new heap array of heap texts (upper case), with their count.
** 5100; -9102 when the file cannot be opened; -9101 when memory runs out
** (nothing is kept). */
int pv_read_hatch_names(const char *path, char ***names, int *count);
/* Frees g_hatch_list and clears g_hatch_count. */
void pv_free_hatches(void);

#endif
