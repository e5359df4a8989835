/*
** err_text.cpp: the one table of the application's error texts, and the
** report that shows them.
**
** Codes are grouped as the application uses them: files and memory, SQL,
** value checks, projects, dialogs and profiles, coordinates, entity links,
** columns, and the symbol-setup codes. The table-definition texts
** (-11072 .. -11001) belong to the table registry and are asked of it.
**
**     err_report(-9102, "STATION.TXT");   // "Cannot open file STATION.TXT"
*/
#include "core/err_text.h"

#include <cstdio>
#include <cstring>

#include "core/msg_box.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "platform/include/ads_host.h"

namespace {

/* One code and its fixed text. */
struct err_entry {
    int code;           /* application error code */
    const char *text;   /* its text, as shown to the user */
};

/* Every code with a text; codes missing here have none. */
const err_entry k_err_table[] = {
    /* selections, files and memory */
    {-3, "Cannot read the selection"},
    {-9101, "No memory available"},
    {-9102, "Cannot open file"},
    {-9105, "More than one item selected"},
    {-9106, "No item selected"},
    /* SQL */
    {-9201, "SQL syntax error"},
    {-9203, "SQL request failed"},
    {-9204, "No records selected"},
    {-9205, "Cannot update the row or its symbols"},
    /* value checks of the row entry */
    {-9301, "Entry too long in column"},
    {-9302, "Non-numeric entry in column"},
    {-9303, "Blank entry not allowed in column"},
    {-9304, "not found in profile"},
    {-9305, "Cannot edit column"},
    {-9306, "Non-unique entry in column"},
    {-9307, "is less than minimum of"},
    {-9308, "is greater than maximum of"},
    {-9309, "Too many decimals in"},
    {-9310, "Too many decimal points in"},
    /* projects and tables */
    {-9401, "Invalid project selected"},
    {-9402, "Invalid table selected"},
    /* dialogs and profiles */
    {-9501, "Cannot load dialog box"},
    {-9502, "Cannot load profile"},
    {-9503, "Incorrect dictionairy for profile "},
    {-9504, "Cannot save profile"},
    {-9506, "More than 65535 items, or an item number above 65535, in"},
    {-9601, "Cannot move or copy items"},
    /* coordinates */
    {-9701, "Latitude cannot exceed +-90"},
    {-9702, "Longitude cannot exceed +-180"},
    {-9703, "Minutes must be 0 to 60"},
    {-9704, "Seconds must be 0 to 60"},
    /* entity links */
    {-9801, "Nothing selected"},
    {-9802, "Entity not linked"},
    {-9803, "Project not logged on"},
    {-9804, "Table not registered"},
    {-9805, "Row not found"},
    {-9806, "Column missing"},
    {-9807, "Row id differs from BASENUMBER"},
    {-9808, "Key value missing"},
    {-9809, "Geometry missing"},
    {-9810, "Row changed by another user meanwhile:"},
    {-9811, "Another user holds the lock on"},
    /* columns */
    {-9901, "Column must be point"},
};

/* The symbol-setup texts by field bit, padded to ERR_SYM_TEXT_WIDTH. */
struct err_sym_entry {
    int bit;            /* field bit; 16384 is the line width (code 16384) */
    const char *text;   /* padded text */
};

const err_sym_entry k_err_sym_table[] = {
    {1,     "Invalid Around column             "},
    {2,     "Invalid symbol library            "},
    {4,     "Invalid symbol name               "},
    {8,     "Invalid layer specified           "},
    {16,    "Invalid color specified           "},
    {32,    "Invalid size specified            "},
    {64,    "Invalid angle specified           "},
    {128,   "Invalid angle offset specified    "},
    {256,   "Invalid X offset specified        "},
    {512,   "Invalid Y offset specified        "},
    {1024,  "Invalid Z offset specified        "},
    {2048,  "Invalid position specified        "},
    {4096,  "Invalid font name                 "},
    {8192,  "Invalid pattern name              "},
    {16384, "Invalid line width specified      "},
};

/* Codes whose text err_report shows without the detail. */
const int k_err_text_alone[] = {-9601, -9205, -9204, -9106, -9105, -3};

}  // namespace

/* Answers the code's fixed text, or null when it has none. */
const char *err_text(int code)
{
    if (code >= TBL_ERR_FIRST && code <= TBL_ERR_LAST)
        return tbl_definition_error_text(code);
    if (code >= ERR_SYM_BASE && code <= ERR_SYM_LAST) {
        int bit = code == ERR_SYM_BASE ? ERR_SYM_BASE : code - ERR_SYM_BASE;
        for (const err_sym_entry &e : k_err_sym_table)
            if (e.bit == bit) return e.text;
        return nullptr;
    }
    for (const err_entry &e : k_err_table)
        if (e.code == code) return e.text;
    return nullptr;
}

/* Shows the code's text and the detail under the error title (a driver
** that has ended as a failed query shows it); answers the code, shown or
** without a text; -2 for a code >= 0. */
int err_report(int code, const char *detail)
{
    if (code >= 0) return -2;
    if (sql_report_lost(code)) return code;
    const char *text = err_text(code);
    if (!text) return code;
    bool alone = detail == nullptr;
    for (int c : k_err_text_alone)
        if (c == code) alone = true;
    if (alone) msg_alert(ERR_TITLE, "%s", text);
    else msg_alert(ERR_TITLE, "%s %s", text, detail);
    return code;
}
