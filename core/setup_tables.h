/*
** setup_tables.h: the setup tables of a project, one entry each, and the
** reading and writing that every one of them shares: a save writes its
** tables as one.
**
** An entry names its table, lays out its columns (core/setup_columns.h
** types), says which change bits of the project make it be written, and
** gives the loader that turns its rows' texts into records and the saver
** that turns records into rows' texts. Reading and writing are common:
** a missing table reads as empty and is created at its first save; a save
** never leaves a table emptied when it fails part-way.
**
**     const setup_table_entry *e = setup_table_find("PVDATUM");
**     setup_text_rows rows;
**     if (setup_table_read(project, e, &rows) == 0) e->load(project, &rows);
**
** Every table carries two columns of our own after its layout:
**   SAVEGEN INTEGER  the save that wrote the row: rows are written under
**                    the negative of a new number, made current in one
**                    UPDATE, and the older rows deleted last; a reader
**                    takes only the rows of the highest number at or
**                    above 0 (a row without a number counts as 0)
**   SAVEROW INTEGER  the row's place in its save, so that rows read back
**                    in the order they were written
** A table made without them (by hand or an older program) is read whole;
** at its first save it is rebuilt with them through the scratch table
** named like it with "_NEW" appended, which the reader takes when the
** table itself is gone or holds no row.
**
** The tables and their columns (the layouts of PVTABLE, PVCOLUMN and
** PVPOINT are those of core/setup_columns.h):
**
** PVDATUM, one ellipsoid:
**   DATUMNAME  CHAR(32)  name
**   MAJORAXISA DOUBLE    major semi-axis, metres
**   MINORAXISB DOUBLE    minor semi-axis, metres
** PVPROJ, one coordinate system (the built-in "USER" and "GEOGRAPHIC %s"
** systems are made at logon and never written):
**   PROJNAME   CHAR(32)  name
**   DATUMNAME  CHAR(32)  ellipsoid name, blank for USER
**   UNITS      CHAR(32)  unit name: degrees, feet, meters, survey feet
**   PROJTYPE   CHAR(32)  type name: GEOGRAPHIC, UTM, TM, LAMBERT, DSTEREO, USER
**   UTMZONE    INT       UTM zone 1..60
**   SCALE      DOUBLE    scale factor
**   ORIGINLONG DOUBLE    central meridian, degrees
**   ORIGINLAT  DOUBLE    latitude of origin, degrees
**   FALSEEAST  DOUBLE    false easting, system units
**   FALSENORTH DOUBLE    false northing, system units
**   PARALLEL1  DOUBLE    first standard parallel, degrees
**   PARALLEL2  DOUBLE    second standard parallel, degrees
** PVXFORM, one transformation:
**   XFORMNAME  CHAR(32)  name
**   PROJNAME1  CHAR(32)  source system
**   PROJNAME2  CHAR(32)  target system
**   DEGREE     INT       0 similarity, n polynomial of degree n
** PVXPOINT, one control point of a transformation, in its order:
**   XFORMNAME  CHAR(32)  the transformation
**   X1, Y1     DOUBLE    position in the source system
**   X2, Y2     DOUBLE    position in the target system
**   RESIDUAL   DOUBLE    fit distance of the last fit
** PVSYMBOL, one symbol setup (core/sym_setup.h), loaded after PVPOINT:
**   OWNERKIND  INT       2 a table column, 5 a profile item, 6 neither
**                        (a library the project uses, a diagram's setup)
**   ITEMNAME   CHAR(32)  the profile item (kind 5)
**   TABLENAME  CHAR(20)  the column's table (kind 2)
**   COLUMNNAME CHAR(20)  the column (kind 2)
**   PROFILE    CHAR(20)  the item's profile (kind 5)
**   DICTIONARY CHAR(20)  the profile's dictionary (kind 5)
**   SYMBOL     CHAR(32)  symbol name; for text the column written
**   LIBRARY    CHAR(128) symbol library; for text the font
**   PATTERN    CHAR(32)  fill pattern
**   LAYER      CHAR(35)  layer, blank for the current one
**   SHAPENUM   INT       shape number (looked up again by name at logon)
**   SYMFORM    INT       0 shape, 1 block, -1 neither
**   TEXTFLAG   INT       1 text, 2 symbol, 4 fill, 8 solid fill
**   COLOR      INT       colour 0..255
**   SCALE      DOUBLE    size
**   ANGLE      DOUBLE    angle, degrees
**   LINEWIDTH  DOUBLE    line width
**   POSITION   INT       text position 0..8, -1 none
**   XOFFSET, YOFFSET, ZOFFSET DOUBLE  offsets, drawing units
**   ANGOFFSET  DOUBLE    angle offset, degrees
**   SYMASSOC, LAYASSOC, ANGASSOC, POSASSOC, PATASSOC, CLRASSOC, SCLASSOC,
**   AOFFASSOC, FNTASSOC, LWDASSOC  CHAR(32)  the name of the column (kind
**                        2) or item (kind 5) the symbol, layer, angle,
**                        position, pattern, colour, scale, angle offset,
**                        font or line width is taken from; blank: fixed
** An owner or association that no longer resolves is kept by its names.
** PVPIE, one pie-diagram definition (core/pie_rec.h), newest first,
** loaded after PVTABLE; its loader reads PVPIEOUT too:
**   PLOTNAME   CHAR(32)  name
**   RADIUS     DOUBLE    radius of the pie's circle, block units
**   CIRCLE     INT       1 the circle is drawn
**   ABSENT     CHAR(32)  the value that stands for a missing one
**   MAXVALUE   DOUBLE    the value of a full sector, 0 the row's own total
**   INWIDTH    DOUBLE    width of an inside sector, degrees
**   INLENGTH   DOUBLE    length of an inside sector, block units
**   INWIDPROP  INT       1 the inside width follows the value
**   INLENPROP  INT       1 the inside length follows the value
**   OUTWIDTH, OUTLENGTH DOUBLE, OUTWIDPROP, OUTLENPROP INT  the same outside
** PVPIEOUT, one chosen column of a definition, in the ring's order:
**   PLOTNAME   CHAR(32)  the definition
**   TABLENAME  CHAR(20)  the column's table
**   COLUMNAME  CHAR(20)  the column
**   INSIDE     CHAR(1)   "Y" for the inside ring, blank for the outside
** A column no longer registered is kept by its names.
**
** PVQUERY, one condition row of a stored query (core/qry.h), loaded
** after PVPOINT; the loader reads PVQOUT and PVQPOINT too:
**   QRYNAME    CHAR(32)  the query's name
**   LISTKIND   INT       0 an SQL condition, 1 a post-filter condition
**                        (join conditions are not stored: they are built
**                        again from the output columns at logon)
**   POSITION   INT       the row's place in its list, from 0
**   CONNECTOR  CHAR(3)   AND, OR or blank
**   OPERATOR   CHAR(8)   the operator's text ("<" .. "NEAR")
**   OPENBRKT   CHAR(1)   "(" or blank
**   CLOSEBRKT  CHAR(1)   ")" or blank
**   TABLENAME  CHAR(20)  the column's registered table
**   COLUMNAME  CHAR(20)  the column
**   VALUE      CHAR(254) the value as the query holds it (an SQL value of a
**                        character column in single quotes, inner quotes
**                        doubled)
**   NPOINTS    INT       number of the row's PVQPOINT rows
**   VALUEMORE  CHAR(254) the rest of a value longer than VALUE holds
** PVQOUT, one output column of a stored query:
**   QRYNAME    CHAR(32)  the query's name
**   POSITION   INT       the column's place in the output list, from 0
**   TABLENAME  CHAR(20)  the column's registered table
**   COLUMNAME  CHAR(20)  the column
**   FLAGS      INT       1 shown in the result, 0 a key column added
** PVQPOINT, one point of the area or line of a spatial condition:
**   QRYNAME    CHAR(32)  the query's name
**   LISTKIND   INT       the condition's list, as in PVQUERY
**   CONDPOS    INT       the condition's POSITION in that list
**   POSITION   INT       the point's place in the condition's points
**   X, Y, Z, W DOUBLE    the point, in the column's coordinate system
** Queries load sorted by name, their boxes computed and join lists built
** again. A query naming a table or column that is no longer registered is
** left out with a warning, and its rows are written back as they were read.
**
** PVCHEM, one term of a chemistry diagram's axis equation
** (core/chem_term.h), loaded after PVTABLE; a diagram's terms are
** consecutive and the rows read back in the order of TERMNO:
**   PLOTNAME   CHAR(32)  the diagram's name
**   TERMNO     INT       the term's position in the project's list, from 0
**   AXIS       INT       0 X, 1 Y, 2 Z equation
**   LOGFLAG    INT       1: base-10 logarithm of the equation (first term)
**   XMIN, YMIN, XMAX, YMAX DOUBLE  the diagram's limits (all 0: none)
**   XSCALE, YSCALE DOUBLE  the diagram's scales
**   SYMTABLE   CHAR(20)  table of the symbol column
**   SYMCOLUMN  CHAR(20)  the symbol column
**   OPERATOR   INT       0 none, 1 "+", 2 "-", 3 "/", 4 "x"
**   SCALAR1    DOUBLE    bracket factor of an opening term
**   OPENBKT    INT       1: the term opens a bracket group
**   SCALAR2    DOUBLE    the term's constant
**   TABLENAME  CHAR(20)  table of the term's column
**   COLUMNNAME CHAR(20)  the term's column
**   CLOSEBKT   INT       1: the term closes the bracket group
** A column that is no longer registered is kept by its names.
**
** A table written by another's loader (PVXPOINT, read by the loader of
** PVXFORM; PVQOUT and PVQPOINT, read by the loader of PVQUERY; PVPIEOUT,
** read by the loader of PVPIE) has no loader of its own.
*/
#ifndef PV_CORE_SETUP_TABLES_H
#define PV_CORE_SETUP_TABLES_H

#include <cstdint>
#include <string>
#include <vector>

#include "core/pjct.h"
#include "core/setup_columns.h"

/* Our own columns of every setup table. */
#define SETUP_GEN_COLUMN "SAVEGEN"
#define SETUP_SEQ_COLUMN "SAVEROW"
/* Appended to a table's name to name its scratch table. */
#define SETUP_SCRATCH_SUFFIX "_NEW"

/* The rows of a setup table as texts, each row in layout order. */
struct setup_text_rows {
    std::vector<std::vector<std::string>> rows;   /* one text per layout column */
};

/* One setup table. */
struct setup_table_entry {
    const char *name;                 /* table name, static */
    const setup_table_def *layout;    /* its columns in layout order, static */
    uint32_t change_bits;             /* PJCT_CHG_* bits that make it be written */
    /* Makes the project's records from the rows read at logon; null for a
    ** table that its parent's loader reads. Answers 0, or a negative code
    ** when records could not be made (memory). */
    int (*load)(pjct_rec *project, const setup_text_rows *rows);
    /* Fills the rows to write from the project's records. Answers 0, or a
    ** negative code. */
    int (*save)(pjct_rec *project, setup_text_rows *rows);
    /* Runs after the table was written: marks the records saved; may be
    ** null. */
    void (*saved)(pjct_rec *project);
    /* 1 when the order of the rows is part of the setup (control points
    ** in their order); 0 when each row stands for itself. */
    int ordered;
};

int setup_table_count(void);
const setup_table_entry *setup_table_at(int i);
const setup_table_entry *setup_table_find(const char *name);
int setup_table_read(pjct_rec *project, const setup_table_entry *entry, setup_text_rows *out,
                     std::string *why = nullptr);

/* A save writes its tables as one: under the project's mark PVSETUP.MRS
** (core/mark_file.h; a file of a dBASE project's folder, on a server a
** mark of PVMARK) each table's new rows go in under the negative of its
** new save number; the mark lists "<table> <number> <rows>" (and
** " scratch" when the table's scratch table goes with the save) before
** each, and "done" once all are in; then each table's rows are made
** current. A save cut short is put back (before "done": the rows that
** never became current go) or finished by the next logon, whoever's
** (setup_tables_recover), only where the table holds the rows listed and
** no later save. */
#define SETUP_SAVE_MARK "PVSETUP.MRS"

/* One table of a save: its entry and the rows to write. */
struct setup_table_rows {
    const setup_table_entry *entry; /* static */
    setup_text_rows rows;           /* the rows, in layout order */
};
/* A table's save under way. */
struct setup_staged {
    const setup_table_entry *entry = nullptr; /* static */
    long gen = 0;                             /* the new save number; 0 when the table holds the rows already */
    int scratch = 0;                          /* 1 when the scratch table goes once the rows are current */
    long rows = -1;                           /* the rows it puts in; -1 not known */
};

/* Gets a table ready for its new rows: made when missing; made without
** SAVEGEN or a column of its layout, rebuilt with them holding its rows as
** they were. The table then reads as before. 0 with staged->gen the new
** save number, or 0 when it holds these rows already (nothing to write);
** the failure's code, its text in *why when given (a table that exists but
** cannot be described is never written over). */
int setup_table_stage(pjct_rec *project, const setup_table_entry *entry, const setup_text_rows *rows,
                      setup_staged *staged, std::string *why = nullptr);
/* Puts a staged table's rows in, under the negative of its save number,
** where readers pass them over. 5100; -9302 for a number column holding
** another text; the statement's code (*why its text). */
int setup_table_put(pjct_rec *project, const setup_staged *staged, const setup_text_rows *rows,
                    std::string *why = nullptr);
/* Makes the rows of save gen current, the older rows (and with scratch
** the scratch table) going. 5100, or the code of the statement that
** failed (*why its text). */
int setup_table_current(pjct_rec *project, const char *table, long gen, int scratch, std::string *why = nullptr);
/* Removes the rows of save gen that never became current. */
void setup_table_unstage(pjct_rec *project, const char *table, long gen);
/* Writes the rows of the tables of a project as one (see above); a table
** that holds its rows already is not written. 0 when written (or nothing
** to write); -1 when nothing was written: a table could not be (*table
** names it, *why says why) or the mark could not be begun (*why says why,
** *table empty). */
int setup_tables_write(pjct_rec *project, const std::vector<setup_table_rows> &tables, std::string *table,
                       std::string *why);
/* At logon, a save of the project's setup cut short is put back or
** finished from its mark, and said; one another session is writing is
** said and left. -1 when the mark is not used (said; it stays), else 0. */
int setup_tables_recover(pjct_rec *project);
/* A test's hook, run after each statement and each mark line a save
** writes (null: none). */
typedef void (*setup_step_hook)(void);
void setup_set_step_hook(setup_step_hook hook);

std::string setup_failure_text(int code);
const char *setup_row_text(const std::vector<std::string> &row, int i);

#endif
