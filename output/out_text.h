/*
** out_text.h: text building shared by the output writers: printf-style
** appending to a growable string, so that no line or record of an export
** file is ever cut to a fixed buffer, and the qualified values of the
** delimited text writers.
**
**   std::string line; out_appendf(line, "%10ld", n);
**   out_append_qualified(line, "Ga\"mma", '"');     // "Ga""mma"
*/
#ifndef PV_OUTPUT_OUT_TEXT_H
#define PV_OUTPUT_OUT_TEXT_H

#include <string>

/* Appends printf-formatted text to out; nothing for a format error. */
void out_appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

/* Appends the value between two qualifiers, each qualifier inside the
** value doubled, as readers of delimited text expect. A qualifier of 0 or
** a blank is written as it is given (nothing, or a blank on each side),
** and the value is then appended unchanged. */
void out_append_qualified(std::string& out, const std::string& value, char qualifier);

#endif /* PV_OUTPUT_OUT_TEXT_H */
