/*
** shape_reader.h: reading a shape library from an open stream.
**
** Two forms are read. A compiled shape file starts with a 24-byte header,
** then the first and last shape numbers and the count of shapes (16-bit
** little-endian words), an index of (number, length) pairs, and per shape
** its name ending with a 0 byte and its definition bytes, the last of them
** 0. A text source starts with "*" and holds one shape per header line
** "*number,count,name" followed by `count` comma-separated items. The store
** (shape_store.cpp) calls this for shape_font_load.
**
**   std::string err; int n = shape_read_stream(fp, slot, err);
*/
#ifndef PV_COORDS_SHAPE_READER_H
#define PV_COORDS_SHAPE_READER_H

#include <cstdint>
#include <cstdio>
#include <string>

/* The 24 bytes that open a compiled shape file. */
constexpr int SHAPE_HEADER_LEN = 24;
extern const unsigned char SHAPE_COMPILED_HEADER[SHAPE_HEADER_LEN];

/* Reads every shape of the stream `fp` (positioned at its start) into
** library `slot`. Answers the number of shapes added; 0 when the stream is
** neither form, holds no shape, or a shape is malformed or cannot be
** stored, with the reason in `err`. Shapes added before a failure stay in
** the index; the caller unloads the library. */
int shape_read_stream(FILE *fp, uint16_t slot, std::string &err);

#endif /* PV_COORDS_SHAPE_READER_H */
