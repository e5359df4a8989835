/*
 * What the fuzz targets share: a scratch folder of the process (removed
 * when it ends), an input cut into the files of one table or drawing, and
 * whole files written from bytes.
 *
 *   std::vector<std::string> parts = fuzz_split(data, size, 2);   // .DBF, .DBT
 *   fuzz_put(fuzz_dir() + "/T.DBF", parts[0]);
 */
#ifndef PV_TESTS_FUZZ_FUZZ_FILES_H
#define PV_TESTS_FUZZ_FUZZ_FILES_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

/* The mark between the files of one input: "@@@@". */
constexpr const char *FUZZ_PART_MARK = "@@@@";

/* The scratch folder of this process, made at the first call and removed
 * at exit. When it cannot be made the process stops with the reason: it
 * never falls back on the shared temporary folder, which the exit would
 * then empty under every other program using it. */
inline const std::string &fuzz_dir()
{
    static std::string dir = [] {
        char tmpl[] = "/tmp/pvfuzz-XXXXXX";
        if (!mkdtemp(tmpl)) {
            std::perror("fuzz scratch folder /tmp/pvfuzz-XXXXXX");
            std::abort();
        }
        static std::string to_remove = tmpl;
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(to_remove, ec);
        });
        return std::string(tmpl);
    }();
    return dir;
}

/* Cuts the input at each FUZZ_PART_MARK into exactly parts pieces (the
 * last takes the rest; missing ones are empty). */
inline std::vector<std::string> fuzz_split(const uint8_t *data, size_t size, size_t parts)
{
    std::string all(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> out;
    size_t at = 0;
    while (out.size() + 1 < parts) {
        size_t mark = all.find(FUZZ_PART_MARK, at);
        if (mark == std::string::npos) break;
        out.push_back(all.substr(at, mark - at));
        at = mark + std::char_traits<char>::length(FUZZ_PART_MARK);
    }
    out.push_back(all.substr(at));
    out.resize(parts);
    return out;
}

/* Replaces the file at path by bytes. */
inline void fuzz_put(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), (std::streamsize)bytes.size());
}

/* Empties the scratch folder. */
inline void fuzz_clear()
{
    for (const auto &e : std::filesystem::directory_iterator(fuzz_dir())) std::filesystem::remove_all(e.path());
}

#endif
