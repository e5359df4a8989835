/*
** txt_spans.h: the delimited text and SPANS writers of the export command.
** Text output is one line per object; SPANS writes an attribute table
** (.TBA, points) with a header that is written again over itself at the
** end, or a vector pair for lines and polygons: the header file (.VEH, with
** the final count and extents) and the vector file (.VEC, one record line
** and the coordinate lines per object). They work on export_state() and
** its one open file; every line ends with CR LF.
**
**   txt_open(); txt_write_record(ename, 0) ...; txt_close();
**   spans_open_vec_files(); spans_write_record(ename, 0) ...; spans_finish();
*/
#ifndef PV_OUTPUT_TXT_SPANS_H
#define PV_OUTPUT_TXT_SPANS_H

#include "platform/include/ads_host.h"

/* Opens the output file ("wb", EXPORT_FILE_BUFFER bytes); the text output
** has no header. 0; the codes of out_open_file. */
int txt_open(void);
/* Closes the output file. 0; -1 when its last bytes could not be written. */
int txt_close(void);

/* Writes the .TBA header at the start of the open file. 0; -2 (slots
** cleared) when no file is open; -1 when the file cannot be positioned,
** the write fails, or a rewrite would not have the length of the header
** first written (the rows after it would be overwritten). */
int spans_write_tba_header(void);
/* Writes the .VEH file of an arcs or areas export (the output name with
** ".VEH" for its last four characters) in mode ("wb" or "r+b") with the
** state's count and extents, and closes it. 0; the codes of out_open_file;
** -1 when it cannot be positioned or written. */
int spans_write_arcs_header(const char *mode);
int spans_write_areas_header(const char *mode);
/* The open stage of a SPANS export by the state's kind: points open the
** output file and write the .TBA header; lines and polygons keep only the
** two leading columns, write the .VEH file and open the .VEC file with its
** first line "ARCS" or "AREAS". 0; the first failure's code. */
int spans_open_vec_files(void);
/* The finishing stage: points rewrite the .TBA header; lines and polygons
** write the .VEH file again ("r+b") with the final count and extents; the
** output file is closed. 0, or the first failure's code. */
int spans_finish(void);

/* Writes the current object's record line and, for SPANS lines and
** polygons, its coordinate lines, and counts it. 0; -2 (slots cleared)
** when no file is open; -1 when a write fails. */
int txt_write_object(void);
/* Reads the entity into the current object (pass 1, with attributes, as
** text) and writes it with txt_write_object. 0; -2 (file closed) when no
** file is open or for a null entity; -1 when the entity is refused or the
** write fails (nothing counted). */
int txt_write_record(const ads_name entity, int text_as_attr);
/* The SPANS entry of the same writer. */
int spans_write_record(const ads_name entity, int text_as_attr);

#endif /* PV_OUTPUT_TXT_SPANS_H */
