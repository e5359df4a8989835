/*
** img_show.h: showing the image files that rows name, through the host's
** render module.
**
** A single image: img_show. The images of plotted rows: img_begin with the
** row, img_show_row for each fetched row, img_end at the end.
**
**     img_begin(row);
**     while (fetch(...) == RTNORM) if (img_show_row(&shown) == RTCAN) break;
**     img_end();
*/
#ifndef PV_CORE_IMG_SHOW_H
#define PV_CORE_IMG_SHOW_H

#include "core/pjct.h"
#include "core/tbl_column.h"

/* Shows the image file named by a row value, asking "\nDisplay %s?\nYes/No
** <Yes>: " first when ask is non-zero. The file is searched on the host's
** search path. 5100 when shown; -2 for a null or blank name; -5001 for a
** name without an image extension ("Bad or missing file extension:\n%s."),
** when the user answers No, or when the host cannot show images (a line
** says so); -5002 when the user cancels; -9102 when the file is missing
** (reported). */
int img_show(const pjct_rec *project, const char *file_name, int ask);

/* Remembers the row whose image columns (input rule flag 0x1000) are to be
** shown; 5100, -2 for a null row. */
int img_begin(sql_col_rec *row);
/* Shows the image columns of the remembered row as it now stands, asking
** for each, and adds the shown ones to *count. 5100; -5002 when the user
** cancels; -2 without a row from img_begin or a null count. */
int img_show_row(long *count);
/* Ends the image display: when images were shown, "Press RETURN to
** continue..." and a wait for RETURN; forgets the row. 5100. */
int img_end(void);

#endif
