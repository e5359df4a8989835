/*
** e00_internal.h: what the E00 writer's two files share: the module's one
** writer record, the line writer that closes the file on a failed write,
** and the number and integer formatters of the writer's fields.
*/
#ifndef PV_OUTPUT_E00_INTERNAL_H
#define PV_OUTPUT_E00_INTERNAL_H

#include "output/exports/e00_writer.h"
#include "output/exports/out_text.h"

#include <cstddef>
#include <string>

/* The module's writer. */
e00_writer_rec& e00_state();

/* Writes the n characters at text, then CR LF when end_line is set.
** Answers E00_OK; on a failed write closes the file, resets the writer and
** answers what fprintf would have (0 or negative). */
int e00_put(const char* text, std::size_t n, bool end_line);

/* Writes text and CR LF; same results as e00_put. */
int e00_put_line(const std::string& text);

/* Writes text without a line end (PAL entries pair up on a line); same
** results as e00_put. */
int e00_put_text(const std::string& text);

/* Appends value as "% .<digits>E" writes it, with a two-digit exponent, to
** out. Answers 1, 0 (exponent "99") or E00_NO_TEXT (not a finite number;
** out unchanged). */
int e00_append_number(std::string& out, int digits, double value);

/* Appends the decimal number d in the same form from its own digits,
** rounded half away from zero to digits + 1 significant ones. Answers 1,
** or E00_NO_TEXT (an exponent of more than two digits; out unchanged). */
int e00_append_decimal(std::string& out, int digits, const out_decimal& d);

/* Appends value right-aligned in a field of width characters, as "%*ld"
** writes it (a wider number whole). Answers the length of the number's
** own text. */
int e00_append_int(std::string& out, long value, int width);

#endif /* PV_OUTPUT_E00_INTERNAL_H */
