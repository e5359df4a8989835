/*
** tbl_errors.cpp: the texts of the table-definition codes -11072..-11001.
**
** The core's error-text lookup reads them through
** tbl_definition_error_text(); the texts are shown to the user as they
** stand, misspellings included, since users and manuals quote them.
**
**     const char *t = tbl_definition_error_text(-11016);  // "No Station ..."
*/
#include "core/tbl.h"

/* One code and its text. */
struct tbl_err_entry {
    int code;           /* -11072..-11001 */
    const char *text;   /* fixed text, static */
};

static const tbl_err_entry k_tbl_errors[] = {
    {-11072, "Unique Number must be BASENUMBER"},
    {-11071, "Long Name must be LONGNAME "},
    {-11070, "DEFINITION is numeric"},
    {-11069, "DEFINITION less than 70 wide"},
    {-11068, "No column named DEFINITION in table"},
    {-11067, "BASENUMBER is not numeric"},
    {-11066, "BASENUMBER less than 8 wide"},
    {-11065, "No column named BASENUMBER in table"},
    {-11064, "SHORTNAME is numeric"},
    {-11063, "SHORTNAME less than 32 wide"},
    {-11062, "No column named SHORTNAME in table"},
    {-11061, "LONGNAME is numeric"},
    {-11060, "LONGNAME less than 32 wide"},
    {-11059, "No column named LONGNAME in table"},
    {-11058, "Long Name specified more than once"},
    {-11057, "No Long Name specified"},
    {-11056, "Inconsistant long name"},
    {-11055, "Long name must be at least 8 wide"},
    {-11054, "Reference number must be at least 8 wide"},
    {-11053, "Legend number must be at least 8 wide"},
    {-11052, "Unit number must be at least 8 wide"},
    {-11051, "Boundary number must be at least 8 wide"},
    {-11050, "Traverse number must be at least 8 wide"},
    {-11049, "Outcrop number must be at least 8 wide"},
    {-11048, "Station number must be at least 8 wide"},
    {-11047, "Section number must be at least 8 wide"},
    {-11046, "Rock number must be at least 8 wide"},
    {-11045, "Sample number must be at least 8 wide"},
    {-11044, "Analysis number must be at least 8 wide"},
    {-11043, "Unique number must be at least 8 wide"},
    {-11042, "No Legend Number sepcified"},
    {-11041, "Legend Number specified more than once"},
    {-11040, "Inconsistant Legend Number type"},
    {-11039, "No Section Number sepcified"},
    {-11038, "Section Number specified more than once"},
    {-11037, "Section Number type differs from Station Number"},
    {-11036, "Inconsistant Section Number type"},
    {-11035, "Inconsistant Analysis Number type"},
    {-11034, "Inconsistant Sample Number type"},
    {-11033, "Inconsistant Rock Number type"},
    {-11032, "Inconsistant Unit Number type"},
    {-11031, "Inconsistant Reference Number type"},
    {-11030, "Inconsistant Boundary Number type"},
    {-11029, "Inconsistant Traverse Number type"},
    {-11028, "Inconsistant Outcrop Number type"},
    {-11027, "Inconsistant Station Number type"},
    {-11026, "Cannot retreive Unique Number"},
    {-11025, "No columns defined"},
    {-11024, "Non-numeric Unique Number specified"},
    {-11023, "Unique Number specified more than once"},
    {-11022, "No Unique Number specified"},
    {-11021, "Traverse Number specified more than once"},
    {-11020, "No Traverse Number specified"},
    {-11019, "Outcrop Number specified more than once"},
    {-11018, "No Outcrop Number specified"},
    {-11017, "Station Number specified more than once"},
    {-11016, "No Station Number specified"},
    {-11015, "Rock Number type differs from Station Number"},
    {-11014, "Rock Number specified more than once"},
    {-11013, "No Rock Number specified"},
    {-11012, "Sample Number type differs from Station Number"},
    {-11011, "Sample Number used more than once"},
    {-11010, "No Sample Number specified"},
    {-11009, "Analysis Number type differs from Station Number"},
    {-11008, "Analysis Number used more than once"},
    {-11007, "No Analysis Number specified"},
    {-11006, "Unit Number used more than once"},
    {-11005, "No Unit Number specified"},
    {-11004, "Boundary Number used more than once"},
    {-11003, "No Boundary Number specified"},
    {-11002, "Reference Number used more than once"},
    {-11001, "No Reference Number specified"},
};

static_assert(sizeof k_tbl_errors / sizeof k_tbl_errors[0] == TBL_ERR_LAST - TBL_ERR_FIRST + 1,
              "one text per table-definition code");

/* The fixed text of a table-definition code; null for any other code. */
const char *tbl_definition_error_text(int code)
{
    if (code < TBL_ERR_FIRST || code > TBL_ERR_LAST) return nullptr;
    const tbl_err_entry &e = k_tbl_errors[code - TBL_ERR_FIRST];
    return e.code == code ? e.text : nullptr;
}
