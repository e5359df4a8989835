/*
** out_file.cpp: an export file with its own stdio buffer (see out_file.h).
*/
#include "output/exports/out_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "wfile/wfile.h"

namespace {

/* A file written under its temporary name. */
struct out_temp_rec {
    std::FILE *file;    /* the open file; null while parked */
    std::string target; /* the name it is renamed to when whole */
    std::string temp;   /* the name it is written under */
};

/* errno of the first failed write, close or rename of the output's files
** under way; 0 for none. */
int s_failed_errno = 0;

/* The files under their temporary names, open or parked. */
std::vector<out_temp_rec> &temps()
{
    static std::vector<out_temp_rec> list;
    return list;
}

/* The entry of file f, or of the parked file of target; null for none. */
out_temp_rec *find_temp(std::FILE *f, const char *target)
{
    for (out_temp_rec &t : temps())
        if ((f && t.file == f) || (!f && target && !t.file && t.target == target)) return &t;
    return nullptr;
}

/* Forgets the entry t. */
void drop_temp(const out_temp_rec *t)
{
    std::vector<out_temp_rec> &list = temps();
    list.erase(list.begin() + (t - list.data()));
}

/* Closes f (0, or -1 when its last bytes could not be written). */
int close_stream(std::FILE *f)
{
    int rc = 0;
    if (std::fflush(f) != 0) out_note_failure(), rc = -1;
    if (std::ferror(f)) rc = -1;
    if (std::fclose(f) != 0) out_note_failure(), rc = -1;
    return rc;
}

/* Renames the temporary file into place; 0, or -1 with the reason kept. */
int place(const out_temp_rec &t)
{
    if (wf_place(t.temp, t.target) == 0) return 0;
    out_note_failure();
    return -1;
}

/* Closes the file in the slots: renamed into place (whole), left parked,
** or removed; then frees the buffer. */
enum class close_how { whole, park, discard };
int close_slots(std::FILE **file, char **buffer, close_how how)
{
    int rc = 0;
    if (file && *file) {
        out_temp_rec *t = find_temp(*file, nullptr);
        if (how == close_how::park && t) {
            rc = close_stream(*file);
            t->file = nullptr;
            if (rc != 0) {
                std::remove(t->temp.c_str());
                drop_temp(t);
            }
        } else {
            rc = out_temp_fclose(*file, how != close_how::discard);
        }
        *file = nullptr;
    }
    if (buffer) {
        std::free(*buffer);
        *buffer = nullptr;
    }
    return rc;
}

}  // namespace

std::FILE *out_temp_fopen(const char *path, const char *mode)
{
    if (!path || !mode) return nullptr;
    if (mode[0] != 'w') {
        /* A parked file is opened again under its temporary name. */
        out_temp_rec *t = find_temp(nullptr, path);
        if (!t) return wf_fopen(path, mode);
        t->file = wf_fopen(t->temp.c_str(), mode);
        if (!t->file) out_note_failure();
        std::FILE *f = t->file;
        if (!f) {
            std::remove(t->temp.c_str());
            drop_temp(t);
        }
        return f;
    }
    /* The first file of an output begins its account of failures. */
    if (temps().empty()) s_failed_errno = 0;
    std::string temp;
    std::FILE *f = wf_temp_fopen(path, temp, mode);
    if (!f) return nullptr;
    try {
        temps().push_back({f, path, temp});
    } catch (...) {
        std::fclose(f);
        std::remove(temp.c_str());
        errno = ENOMEM;
        return nullptr;
    }
    return f;
}

int out_temp_fclose(std::FILE *f, bool whole)
{
    if (!f) return 0;
    out_temp_rec *t = find_temp(f, nullptr);
    int rc = close_stream(f);
    if (!t) return rc;
    if (whole && rc == 0 && place(*t) != 0) rc = -1;
    if (!whole || rc != 0) std::remove(t->temp.c_str());
    drop_temp(t);
    return rc;
}

int out_open_file(const char *path, std::FILE **file, char **buffer, std::size_t buffer_size,
                  const char *mode)
{
    if (!file || !buffer) return OUT_ERR_ARG;
    out_close_file(file, buffer);
    if (!path || !*path || !mode) return OUT_ERR_ARG;
    std::size_t size = buffer_size < OUT_MIN_BUFFER ? OUT_MIN_BUFFER : buffer_size;
    std::FILE *f = out_temp_fopen(path, mode);
    if (!f) return OUT_ERR_CANNOT_OPEN;
    char *b = static_cast<char *>(std::malloc(size));
    if (!b || std::setvbuf(f, b, _IOFBF, size) != 0) {
        out_temp_fclose(f, false);
        std::free(b);
        return OUT_ERR_NO_MEMORY;
    }
    *file = f;
    *buffer = b;
    return 0;
}

int out_close_file(std::FILE **file, char **buffer)
{
    return close_slots(file, buffer, close_how::whole);
}

int out_park_file(std::FILE **file, char **buffer)
{
    return close_slots(file, buffer, close_how::park);
}

int out_place_parked(void)
{
    int rc = 0;
    std::vector<out_temp_rec> &list = temps();
    for (std::size_t i = list.size(); i-- > 0;)
        if (!list[i].file) {
            if (place(list[i]) != 0) rc = -1;
            list.erase(list.begin() + (std::ptrdiff_t)i);
        }
    return rc;
}

void out_discard_file(std::FILE **file, char **buffer)
{
    close_slots(file, buffer, close_how::discard);
    std::vector<out_temp_rec> &list = temps();
    for (std::size_t i = list.size(); i-- > 0;)
        if (!list[i].file) {
            std::remove(list[i].temp.c_str());
            list.erase(list.begin() + (std::ptrdiff_t)i);
        }
}

void out_note_failure(void)
{
    if (!s_failed_errno) s_failed_errno = errno ? errno : EIO;
}

std::string out_failure_reason(void)
{
    return s_failed_errno ? std::strerror(s_failed_errno) : "";
}

std::string out_header_failure(const char *label, const std::string &path, int err)
{
    std::string text = std::string("Could not plot ") + (label ? label : "") + " header";
    if (s_failed_errno) return text + ": cannot write " + path + ": " + std::strerror(s_failed_errno);
    if (err == 0) return text + ".";
    return text + ": cannot open " + path + " (" + std::strerror(err) + ")";
}
