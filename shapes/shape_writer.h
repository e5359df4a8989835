/*
** shape_writer.h: writing a loaded shape library as a compiled shape file.
**
** The compiled form is the one shape_reader.cpp reads: the 24-byte header,
** the first and last shape numbers, the count, the index of (number,
** length) pairs, each shape's name, its 0 byte and its definition, and the
** closing mark "EOF". Our own symbol libraries are kept as text sources in
** resources/shapes and compiled with this writer, so that reader and writer
** check each other.
**
**   int n = shape_font_load("PVSTRUCT.SHP");
**   shape_write_compiled(shape_lib_slot("PVSTRUCT.SHP"), "PVSTRUCT.SHX");
*/
#ifndef PV_COORDS_SHAPE_WRITER_H
#define PV_COORDS_SHAPE_WRITER_H

#include <cstdint>

/* Writes every shape of library `slot`, by ascending number (reading order
** among equal numbers), to the file `path`. Answers the number of shapes
** written; 0 when the slot holds no shape; -1 when the file cannot be
** written or a shape does not fit the compiled form (its name, 0 byte and
** definition must fit a 16-bit length). */
int shape_write_compiled(uint16_t slot, const char *path);

#endif /* PV_COORDS_SHAPE_WRITER_H */
