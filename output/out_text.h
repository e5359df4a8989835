/*
** out_text.h: text building shared by the output writers: printf-style
** appending to a growable string, so that no line or record of an export
** file is ever cut to a fixed buffer.
**
**   std::string line; out_appendf(line, "%10ld", n);
*/
#ifndef PV_OUTPUT_OUT_TEXT_H
#define PV_OUTPUT_OUT_TEXT_H

#include <string>

/* Appends printf-formatted text to out; nothing for a format error. */
void out_appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

#endif /* PV_OUTPUT_OUT_TEXT_H */
