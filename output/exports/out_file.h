/*
** out_file.h: opening and closing an export file with its own stdio
** buffer. Every export file is written in binary mode through a buffer of
** at least OUT_MIN_BUFFER bytes; the caller keeps the file and the buffer
** in a pair of slots that these two operations fill and clear.
**
** A file opened to be written ("wb") is written under a new temporary name
** beside its target (made by wf_temp_open: the target's name, a dot, six
** random letters, its writer and ".tmp", never through a link) and renamed into place
** when it is closed whole, so that a failed export or plot never leaves
** half a file and never harms an earlier file of that name: a failure
** closes it with out_discard_file, which removes the temporary file. A
** file closed with out_park_file stays under its temporary name until it
** is opened again ("r+b") and closed whole, or discarded.
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
/* Flushes and closes the file, frees its buffer and clears both slots; a
** file written under a temporary name is renamed to its target. 0; -1
** when the last buffered bytes could not be written or the rename failed
** (closed anyway, the temporary file removed). */
int out_close_file(std::FILE **file, char **buffer);
/* Closes the file as out_close_file does but leaves it under its
** temporary name, to be opened again and finished. 0 or -1. */
int out_park_file(std::FILE **file, char **buffer);
/* Renames every parked file into place. 0, or -1 when one could not be
** (it is removed). */
int out_place_parked(void);
/* Closes the file and removes its temporary file, and every parked one:
** the target keeps what it held before. */
void out_discard_file(std::FILE **file, char **buffer);

/* The stdio side of the same: opens path in mode, a "w" mode under the
** temporary name (null with errno when it cannot be opened); closes f,
** renaming it into place when whole and removing it otherwise (0, or -1
** when the close or the rename failed). Files not opened here are simply
** closed. */
std::FILE *out_temp_fopen(const char *path, const char *mode);
int out_temp_fclose(std::FILE *f, bool whole);

/* Keeps errno as the reason the output's files could not be written, when
** none is kept yet: every writer calls it at its failed write, the close
** and the rename at theirs. */
void out_note_failure(void);
/* The system's words for the first failure kept since the output's first
** file was opened ("File too large"), else "". */
std::string out_failure_reason(void);

/* The refusal of an output whose header could not be written: "Could not
** plot <label> header: cannot write <path>: <reason>" when a write failed
** (out_note_failure), else, when opening its file failed with the system's
** reason err (errno then; 0 for none), "Could not plot <label> header:
** cannot open <path> (<reason>)", else "Could not plot <label> header.". */
std::string out_header_failure(const char *label, const std::string &path, int err);

#endif /* PV_OUTPUT_OUT_FILE_H */
