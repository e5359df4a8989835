/*
** wfile.h: writing files so that no name in a folder can redirect them.
**
** Every file the system writes goes through one of two roads. A file
** written whole (a drawing, an export, a copy, a side file rewritten) is
** written under a new name made beside its target with O_EXCL and
** O_NOFOLLOW, and renamed over the target when it is whole: a symbolic link
** at the target is replaced, never followed, and a failure leaves the
** target as it was. The new file takes the permissions and group of the
** file it replaces (a new name the user's umask); its data reaches the
** disk before the rename and the rename before wf_place answers, so that
** a power cut leaves the old file or the new one, never an empty one. A
** hard link to the target is cut: the other name keeps the old file.
**
** A file of a fixed name read or written in place (a log, a mark, a
** journal, a table) is opened with O_NOFOLLOW and O_NONBLOCK and must be
** a regular file: a symbolic link at that name is refused (errno ELOOP),
** a FIFO, a device or a folder too (ENODEV: never waited on), and a file
** written in place that has another name (a hard link, EMLINK), each of
** which wf_reason tells; so a project or a drawing from elsewhere cannot
** make the program write outside the folder the user chose, nor wait for
** ever on a name.
**
**   std::string temp;
**   int fd = wf_temp_open("maps/geo.dxf", temp);    // maps/geo.dxf.a8Zk3Q-4711-1f2e3d4c.tmp
**   ... write(fd, ...); close(fd); wf_place(temp, "maps/geo.dxf");
**
** A temporary name carries its writer: the process and a digest of the
** machine's name. A writer cut short (killed) leaves its temporary file;
** wf_temp_sweep removes those of writers gone, never one at work.
*/
#ifndef PV_WFILE_WFILE_H
#define PV_WFILE_WFILE_H

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <vector>

/* Permissions asked for a new file (the process's umask applies). */
constexpr mode_t WF_FILE_MODE = 0666;

/* Opens the file of a fixed name path to be read or written in place,
** never through a symbolic link and never waiting: flags are open(2)'s
** (O_RDONLY, O_WRONLY or O_RDWR, with O_CREAT, O_TRUNC, O_APPEND, O_EXCL
** as wanted). Answers the file descriptor (blocking, close-on-exec); -1
** with errno: ELOOP when a symbolic link stands at path (a dangling one
** too: O_CREAT would make its target), ENODEV when what stands there is
** not a regular file, EMLINK when a file to be written has more than one
** link. O_TRUNC empties the file only once it passed. */
int wf_open(const char *path, int flags, mode_t mode = WF_FILE_MODE);

/* The stdio side of wf_open: mode is fopen's ("w", "wb", "a", "ab",
** "r+b", "w+b"...). Answers the stream, or null with errno. */
std::FILE *wf_fopen(const char *path, const char *mode);

/* Makes a new empty file beside target to be written and renamed over it:
** target's name, a dot, six random letters, "-", the writer's process
** number, "-", eight hex digits of its machine's name and ".tmp", made with O_CREAT,
** O_EXCL and O_NOFOLLOW (another name is tried while one exists), opened
** O_RDWR. Answers the descriptor and sets temp to its name; -1 with errno
** (temp cleared). */
int wf_temp_open(const std::string &target, std::string &temp, mode_t mode = WF_FILE_MODE);

/* The stdio side of wf_temp_open; mode is "wb" or "w" ("w+b" reads too). */
std::FILE *wf_temp_fopen(const std::string &target, std::string &temp, const char *mode);

/* Renames temp over target: whatever stands at target, a symbolic link
** too, is replaced and never followed. temp first takes the permissions
** and group of the regular file at target, and its data is synced; the
** folder is synced after the rename. 0; -1 with errno (temp removed,
** target as it was). */
int wf_place(const std::string &temp, const std::string &target);

/* Copies the file from to the name to, written under a temporary name and
** renamed over to when whole (so a link at to is replaced, never written
** through), with from's permissions. 0; -1 with errno (nothing made). */
int wf_copy(const char *from, const char *to);

/* 1 when name (a file name without its folder) is a temporary name
** wf_temp_open made for a writer of this machine whose process has ended,
** with target set to the name it was to be renamed to; 0 for any other
** name (a writer at work, one of another machine, a name of another
** shape). */
int wf_temp_left(const std::string &name, std::string &target);

/* Removes from folder dir every regular file whose name wf_temp_left
** takes for one left by a writer gone. Answers the names removed. */
std::vector<std::string> wf_temp_sweep(const std::string &dir);

/* Puts the file from back under the name to as a second name of it (a
** hard link made beside to and renamed over it), so that it needs no room
** on a full disk and from stays; whatever stood at to, a link too, is
** replaced. 0; -1 with errno (a file system without hard links: EPERM or
** ENOTSUP), nothing changed. */
int wf_link_place(const char *from, const char *to);

/* 1 when a symbolic link stands at path, 0 otherwise. */
int wf_is_link(const char *path);

/* Removes path when it is a symbolic link that points nowhere (the
** program's own leftover name never is one it made). 1 when removed. */
int wf_drop_dangling(const char *path);

/* The reason of a failed open or write for a message: "it is a symbolic
** link, which is never written through" for ELOOP, "it is not a regular
** file" for ENODEV, "it has another name (a hard link), which is never
** written through" for EMLINK, the system's text otherwise. */
const char *wf_reason(int err);

#endif /* PV_WFILE_WFILE_H */
