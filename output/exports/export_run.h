/*
** export_run.h: the export driver. It lets the user select entities and
** walks the selection once per pass of the output type (text and SPANS
** one, MapInfo two, E00 two for points and lines, a third for points when
** a text was met, four for polygons), opening the output before the first
** entity, writing each entity through the type's object stage and ending
** each pass with the type's pass-end stage.
**
**   long n = export_run();   // options from the dialog pv_export_opts
*/
#ifndef PV_OUTPUT_EXPORT_RUN_H
#define PV_OUTPUT_EXPORT_RUN_H

/* Runs the export chosen in export_state() and plot_type. Shows the
** progress on the prompt line and "Plotted... %ld entities" at the end;
** "Could not plot %s header" when the output cannot be opened (with
** ": cannot open <file> (<the system's reason>)" when it gave one) and "Plot
** aborted" when a pass cannot be ended (both end the export). A linked
** row that cannot be read (its table damaged, its driver ended, its server
** gone) ends the export with no file written (an earlier one kept) and
** "Nothing was exported: row N of table T cannot be read: <reason>" in
** place of the count. Answers the number of entities exported; 0 for an
** empty selection or a failure. */
long export_run(void);

/* The number of passes of an output type and kind (with text_met when
** the first pass met a TEXT): text and SPANS 1, MapInfo 2, E00 2 for
** points and lines, 3 for points with a text, 4 for polygons. */
int export_pass_count(int type, int kind, int text_met);

/* The E00 object and pass-end stages (export_e00.cpp): 0 when written;
** -1 when the entity is refused or skipped in this pass; another negative
** code when a write failed (the file is then closed). */
int export_e00(int kind, const long *entity, struct prj_rec *projection, int pass, int text_as_attr);
int export_e00_tail(int kind, int pass, struct prj_rec *projection, const struct geo_box *extents);
/* Forgets which sections an earlier E00 export began, so that a new one
** writes every section header (called when its file is opened). */
void export_e00_restart(void);

/* The MapInfo object and pass-end stages (export_mif.cpp); same results. */
int export_mif(int kind, const long *entity, struct prj_rec *projection, char delimiter, int pass,
               int text_as_attr);
int export_mif_end(int pass);
/* Closes the MapInfo files of an export that ends early. */
void export_mif_abandon(void);

#endif /* PV_OUTPUT_EXPORT_RUN_H */
