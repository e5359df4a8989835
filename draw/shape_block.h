/*
** shape_block.h: shapes in the drawing: a shape library loaded both into
** the editor (as a shape-file style) and into the shape store, and the
** block of LINEs made from one shape so that it can be inserted.
**
**     if (shape_lib_load_cmd("PVSTRUCT") == 0) sym_block_from_shape("STRIKE_DIP", "0");
*/
#ifndef PV_DRAW_SHAPE_BLOCK_H
#define PV_DRAW_SHAPE_BLOCK_H

#include <cstddef>

/* Extension of a compiled shape file, upper case. */
#define SHAPE_FILE_EXT "SHX"

/* Makes block `shape` of one LINE per pen-down segment of the shape
** (arcs as chords; the interpreter's arc switch is restored), on `layer`
** in colour 0. 0 (also when the block exists); -1 when no loaded library
** has the shape; the block maker's failure otherwise. */
int sym_block_from_shape(const char *shape, const char *layer);
/* The name a library is known by: the text trimmed, its file name (after
** the last '/', '\' or ':') upper-cased, directories keeping their case.
** 0; -2 for a blank text (out is then ""). */
int shape_lib_name(const char *text, char *out, size_t size);
/* The file of a library named `name` (shape_lib_name): the name itself
** when it has an extension, else "%s.SHX". */
void shape_lib_file(const char *name, char *file, size_t size);
/* Loads a library into the shape store under its name (shape_lib_name):
** the file of that name, or "%s.SHX" when it has no extension, found with
** ads_findfile. Answers the number of shapes read; SHAPE_ALREADY_LOADED
** when the store has it; 0 when it is not found or cannot be read (nothing
** stays loaded). Its shapes are not measured. */
int shape_lib_open(const char *library);
/* Makes sure a shape library is loaded: _LOAD in the editor unless a
** shape-file style uses it, and the library into the shape store
** (shape_lib_open), measured, and unloaded again when nothing in it
** draws. 0; -1 on failure; -2 for a blank name. */
int shape_lib_load_cmd(const char *library);
/* Hands shape_lib_name and shape_lib_load_cmd to the setup store
** (core/setup_store.h), which loads the symbol setups' libraries at logon;
** the module's entry calls it at start. */
void shape_lib_serve_setups(void);

#endif
