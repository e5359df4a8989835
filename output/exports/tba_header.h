/*
** tba_header.h: the lines of a SPANS attribute table's (.TBA) header, built
** once for every writer of the format. The caller chooses how the
** delimiter and the record count are written; the rest is fixed:
**
**   ID <title>, TITLE <title>, TABTYPE 4, FTYPE free, [DELIMITER <d>],
**   RECSKIP 0, CHARSKIP 0, NRECORD <n>, one line per column, DATA
**
**   std::string h = tba_header_text("sites", "DELIMITER ,", "NRECORD        3", cols);
*/
#ifndef PV_OUTPUT_TBA_HEADER_H
#define PV_OUTPUT_TBA_HEADER_H

#include <string>
#include <vector>

/* One column line of the header. */
struct tba_column {
    int code;         /* SPANS type code */
    int width;        /* width in characters */
    int decimals;     /* decimals */
    std::string name; /* column name */
};

/* The title of a .TBA file: the file name without directory and extension. */
std::string tba_title(const std::string &file_name);

/* The header's lines, each ended with CR LF: delimiter_line is written
** when not empty (e.g. "DELIMITER ,"), nrecord_line as given (e.g.
** "NRECORD        3"); each column as "%d %d %d.%d 0 %8.8s %s" (its number
** from 1, code, width, decimals, its name right-aligned and cut to 8
** characters, its full name). */
std::string tba_header_text(const std::string &title, const std::string &delimiter_line,
                            const std::string &nrecord_line, const std::vector<tba_column> &columns);

#endif /* PV_OUTPUT_TBA_HEADER_H */
