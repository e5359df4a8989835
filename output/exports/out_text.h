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

#include <cstddef>
#include <string>
#include <vector>

/* Appends printf-formatted text to out; nothing for a format error. */
void out_appendf(std::string& out, const char* fmt, ...) __attribute__((format(printf, 2, 3)));

/* Appends the value between two qualifiers, each qualifier inside the
** value doubled, as readers of delimited text expect. A qualifier of 0 or
** a blank is written as it is given (nothing, or a blank on each side),
** and the value is then appended unchanged. */
void out_append_qualified(std::string& out, const std::string& value, char qualifier);

/* The digits of a decimal number's text ("-12.50", "1e-08", blanks around
** it allowed): its sign, its significant digits without the zeros before
** and after them (none for zero), and the place of its point, the value
** being 0.DIGITS times ten to the point. */
struct out_decimal {
  bool negative = false;
  std::string digits; /* significant digits, first not 0 */
  int point = 0;      /* power of ten of 0.DIGITS */
};

/* Significant digits every double keeps: a number text of more is written
** from its own digits, not through a double, which would round them. */
constexpr std::size_t OUT_DOUBLE_DIGITS = 15;

/* Reads text as a decimal number into d; false for any other text. */
bool out_decimal_parse(const char* text, out_decimal* d);

/* Rounds d to at most n significant digits, half away from zero, a carry
** moving its point ("9.996" to 3 digits is 10.0). */
void out_decimal_round(out_decimal* d, std::size_t n);

/* Longest column name of each format: an E00 item name, a MapInfo column
** name, a SPANS attribute name. */
constexpr std::size_t OUT_E00_NAME_MAX = 16;
constexpr std::size_t OUT_MIF_NAME_MAX = 31;
constexpr std::size_t OUT_SPANS_NAME_MAX = 31;

/* Makes the column names of one file unique, case ignored, as its readers
** address columns by name: a name that an earlier one already has takes
** the first suffix "_1", "_2", ... that no other name has, and when the
** name with its suffix would pass max_len the underscore is left out and
** the name cut to make room ("BASENUMBE1"). Each renamed column adds
** "OLD as NEW" to renamed (when given). */
void out_unique_names(std::vector<std::string>& names, std::size_t max_len,
                      std::vector<std::string>* renamed);

/* The closing message's line of renamed columns ("\n\nColumns renamed:
** NAME as NAME_1, ..."), empty when none was renamed. */
std::string out_renamed_text(const std::vector<std::string>& renamed);

#endif /* PV_OUTPUT_OUT_TEXT_H */
