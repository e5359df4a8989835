/*
** out_file.cpp: an export file with its own stdio buffer (see out_file.h).
*/
#include "output/out_file.h"

#include <cstdlib>
#include <cstring>

int out_open_file(const char *path, std::FILE **file, char **buffer, std::size_t buffer_size,
                  const char *mode)
{
    if (!file || !buffer) return OUT_ERR_ARG;
    out_close_file(file, buffer);
    if (!path || !*path || !mode) return OUT_ERR_ARG;
    std::size_t size = buffer_size < OUT_MIN_BUFFER ? OUT_MIN_BUFFER : buffer_size;
    std::FILE *f = std::fopen(path, mode);
    if (!f) return OUT_ERR_CANNOT_OPEN;
    char *b = static_cast<char *>(std::malloc(size));
    if (!b || std::setvbuf(f, b, _IOFBF, size) != 0) {
        std::fclose(f);
        std::free(b);
        return OUT_ERR_NO_MEMORY;
    }
    *file = f;
    *buffer = b;
    return 0;
}

int out_close_file(std::FILE **file, char **buffer)
{
    int rc = 0;
    if (file && *file) {
        if (std::fflush(*file) != 0 || std::ferror(*file)) rc = -1;
        if (std::fclose(*file) != 0) rc = -1;
        *file = nullptr;
    }
    if (buffer) {
        std::free(*buffer);
        *buffer = nullptr;
    }
    return rc;
}

std::string out_header_failure(const char *label, const std::string &path, int err)
{
    std::string text = std::string("Could not plot ") + (label ? label : "") + " header";
    if (err == 0) return text + ".";
    return text + ": cannot open " + path + " (" + std::strerror(err) + ")";
}
