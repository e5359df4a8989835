/*
** out_file.h: opening and closing an export file with its own stdio
** buffer. Every export file is written in binary mode through a buffer of
** at least OUT_MIN_BUFFER bytes; the caller keeps the file and the buffer
** in a pair of slots that these two operations fill and clear.
**
**   std::FILE *f = nullptr; char *buf = nullptr;
**   if (out_open_file("geo.TXT", &f, &buf, 2048, "wb") == 0) { ...; out_close_file(&f, &buf); }
*/
#ifndef PV_OUTPUT_OUT_FILE_H
#define PV_OUTPUT_OUT_FILE_H

#include <cstddef>
#include <cstdio>
#include <string>

/* Smallest stdio buffer an export file gets, in bytes. */
constexpr std::size_t OUT_MIN_BUFFER = 1024;
/* Codes of a failed open. */
constexpr int OUT_ERR_ARG = -2;          /* a slot, the path or the mode is missing */
constexpr int OUT_ERR_NO_MEMORY = -9101; /* the buffer cannot be had or set */
constexpr int OUT_ERR_CANNOT_OPEN = -9102; /* the file cannot be opened */

/* Closes whatever the slots hold, opens path in mode and gives the file a
** buffer of buffer_size bytes, at least OUT_MIN_BUFFER. 0; OUT_ERR_ARG;
** OUT_ERR_CANNOT_OPEN; OUT_ERR_NO_MEMORY (the file is closed again). */
int out_open_file(const char *path, std::FILE **file, char **buffer, std::size_t buffer_size,
                  const char *mode);
/* Flushes and closes the file, frees its buffer and clears both slots. 0;
** -1 when the last buffered bytes could not be written (closed anyway). */
int out_close_file(std::FILE **file, char **buffer);

/* The refusal of an output whose header could not be written: "Could not
** plot <label> header." or, when opening its file failed with the system's
** reason err (errno then; 0 for none), "Could not plot <label> header:
** cannot open <path> (<reason>)". */
std::string out_header_failure(const char *label, const std::string &path, int err);

#endif /* PV_OUTPUT_OUT_FILE_H */
