/*
** scratch_dir.h: a scratch folder of a test's own under the temporary
** directory. Its name is the given prefix and six random characters made
** by mkdtemp, so the tests of one run (each GoogleTest case is a process
** of its own under ctest -j) and two builds testing at the same time never
** share a folder, and a folder left over by a killed run is never reused.
**
**   std::filesystem::path dir = pv_make_scratch_dir("pv_out_");  // fixtures
**   pv_scratch_dir scratch("pv_plat_load_");  // removed when it goes
*/
#ifndef PV_TESTS_SCRATCH_DIR_H
#define PV_TESTS_SCRATCH_DIR_H

#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

/* The characters mkdtemp replaces with a unique name. */
inline constexpr const char* PV_SCRATCH_UNIQUE = "XXXXXX";

/* Makes a new, empty folder named PREFIX followed by a unique part in the
 * temporary directory ($TMPDIR, else /tmp); answers its path. Throws
 * std::runtime_error naming the template and the system's reason when the
 * folder cannot be made (a test's SetUp reports that as its failure). */
inline std::filesystem::path pv_make_scratch_dir(const std::string& prefix) {
  std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + PV_SCRATCH_UNIQUE)).string();
  if (!mkdtemp(tmpl.data()))
    throw std::runtime_error("cannot make the scratch folder " + tmpl + ": " + std::strerror(errno));
  return tmpl;
}

/* A scratch folder removed with everything in it when the holder goes,
 * whether the test passed, failed an assertion or threw. */
class pv_scratch_dir {
 public:
  explicit pv_scratch_dir(const std::string& prefix) : path_(pv_make_scratch_dir(prefix)) {}
  ~pv_scratch_dir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  pv_scratch_dir(const pv_scratch_dir&) = delete;
  pv_scratch_dir& operator=(const pv_scratch_dir&) = delete;

  /* The folder's path. */
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_; /* the folder made for this holder */
};

#endif /* PV_TESTS_SCRATCH_DIR_H */
