/*
** plot_col_type.cpp: the declared type code of an output column.
*/
#include "output/plot/plot_col_type.h"

#include "core/col_attr.h"
#include "output/plot/plot_state.h"

namespace {

/* The code of a NUMERIC or DEC column without decimals by its width. */
int integer_code(int width)
{
    if (width < SPANS_SHORT_BELOW) return SPANS_CODE_SHORT;
    if (width < SPANS_LONG_BELOW) return SPANS_CODE_LONG;
    return SPANS_CODE_REAL;
}

} // namespace

/* The column's code; see the header. */
int plot_col_out_type(const sql_col_rec *c, int out_type, int *width_out, int *decimals_out)
{
    if (!c) return -2;
    int width = c->length, decimals = c->decimals, code;
    const unsigned flags = c->attr ? c->attr->flags : 0u;
    if (flags & PLOT_RULE_MEMO) width = SPANS_MEMO_WIDTH;
    if (out_type == PLOT_TYPE_TEXT) {
        code = c->sql_type;
    } else if ((flags & PLOT_RULE_POINT) && c->attr->point) {
        code = SPANS_CODE_COORD;
        width = SPANS_COORD_WIDTH;
        decimals = SPANS_COORD_DECIMALS;
    } else {
        switch (c->sql_type) {
        case SQL_TYPE_CHAR: code = SPANS_CODE_CHAR + width; break;
        case SQL_TYPE_NUMERIC: code = decimals ? SPANS_CODE_REAL : integer_code(width); break;
        case SQL_TYPE_DEC: code = decimals ? SPANS_CODE_DECIMAL : integer_code(width); break;
        case SQL_TYPE_INT: code = SPANS_CODE_LONG; break;
        case SQL_TYPE_SMALLINT: code = SPANS_CODE_SHORT; break;
        case SQL_TYPE_FLOAT: code = SPANS_CODE_REAL; break;
        case SQL_TYPE_REAL:
        case SQL_TYPE_DOUBLE: code = SPANS_CODE_DOUBLE; break;
        default: code = SPANS_CODE_CHAR + width; break;
        }
    }
    if (width_out) *width_out = width;
    if (decimals_out) *decimals_out = decimals;
    return code;
}
