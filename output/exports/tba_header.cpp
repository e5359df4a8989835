/*
** tba_header.cpp: the SPANS attribute table header (see tba_header.h).
*/
#include "output/exports/tba_header.h"

#include "output/exports/out_text.h"

namespace {
/* Line end of every export file. */
const char k_eol[] = "\r\n";
}  // namespace

std::string tba_title(const std::string &file_name)
{
    std::size_t slash = file_name.find_last_of("/\\:");
    std::string base = slash == std::string::npos ? file_name : file_name.substr(slash + 1);
    std::size_t dot = base.find('.');
    if (dot != std::string::npos) base.erase(dot);
    return base;
}

std::string tba_header_text(const std::string &title, const std::string &delimiter_line,
                            const std::string &nrecord_line, const std::vector<tba_column> &columns)
{
    std::string out;
    out_appendf(out, "ID %s%s", title.c_str(), k_eol);
    out_appendf(out, "TITLE %s%s", title.c_str(), k_eol);
    out_appendf(out, "TABTYPE 4%s", k_eol);
    out_appendf(out, "FTYPE free%s", k_eol);
    if (!delimiter_line.empty()) out_appendf(out, "%s%s", delimiter_line.c_str(), k_eol);
    out_appendf(out, "RECSKIP 0%s", k_eol);
    out_appendf(out, "CHARSKIP 0%s", k_eol);
    out_appendf(out, "%s%s", nrecord_line.c_str(), k_eol);
    int number = 1;
    for (const tba_column &c : columns)
        out_appendf(out, "%d %d %d.%d 0 %8.8s %s%s", number++, c.code, c.width, c.decimals,
                    c.name.c_str(), c.name.c_str(), k_eol);
    out_appendf(out, "DATA%s", k_eol);
    return out;
}
