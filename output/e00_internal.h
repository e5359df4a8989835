/*
** e00_internal.h: what the E00 writer's two files share: the module's one
** writer record, the line writer that closes the file on a failed write,
** and the number formatter bound to the writer's formats.
*/
#ifndef PV_OUTPUT_E00_INTERNAL_H
#define PV_OUTPUT_E00_INTERNAL_H

#include "output/e00_writer.h"
#include "output/out_text.h"

#include <string>

/* The module's writer. */
e00_writer_rec& e00_state();

/* Writes text and CR LF. Answers E00_OK; on a failed write closes the file,
** resets the writer and answers the fprintf result (0 or negative). */
int e00_put_line(const std::string& text);

/* Writes text without a line end (PAL entries pair up on a line); same
** results as e00_put_line. */
int e00_put_text(const std::string& text);

/* Appends value in the printf format fmt with a two-digit exponent to out.
** Answers 1, 0 (exponent "99") or E00_NO_TEXT (out unchanged). */
int e00_append_number(std::string& out, const std::string& fmt, double value);


#endif /* PV_OUTPUT_E00_INTERNAL_H */
