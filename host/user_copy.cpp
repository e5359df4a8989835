/*
** user_copy.cpp: finding or making the user's copy of the configuration
** and the sample projects (see user_copy.h).
*/
#include "host/user_copy.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

/* The folder under the data home that holds Petrivex's files. */
const char *const k_app_folder = "petrivex";
/* The data home below $HOME when $XDG_DATA_HOME does not name one. */
const char *const k_default_data_home = ".local/share";
/* Suffix of the configuration while it is being copied. */
const char *const k_partial_suffix = ".partial";

/* Lets the user write every file of a copied tree (the sources may be
** read-only, as installed files are). */
void make_writable(const fs::path &top, std::error_code &ec)
{
  fs::permissions(top, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
  if (ec || !fs::is_directory(top)) return;
  for (fs::recursive_directory_iterator it(top, ec), end; !ec && it != end; it.increment(ec)) {
    fs::perms p = fs::perms::owner_read | fs::perms::owner_write;
    if (it->is_directory()) p |= fs::perms::owner_exec;
    fs::permissions(it->path(), p, fs::perm_options::add, ec);
  }
}

/* Answers false after setting the error text. */
bool fail(user_copy &c, const std::string &what, const std::error_code &ec)
{
  c.error = what + (ec ? ": " + ec.message() : std::string());
  return false;
}

}  // namespace

/* The user's data folder; see user_copy.h. */
std::string user_data_folder()
{
  const char *xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && xdg[0] == '/') return (fs::path(xdg) / k_app_folder).string();
  const char *home = std::getenv("HOME");
  if (home && home[0]) return (fs::path(home) / k_default_data_home / k_app_folder).string();
  return "";
}

/* Finds or makes the copy; see user_copy.h. */
bool user_copy_prepare(const std::string &resources, user_copy &c)
{
  c = user_copy();
  c.folder = user_data_folder();
  if (c.folder.empty()) return fail(c, "neither XDG_DATA_HOME nor HOME names the user's folder", {});
  fs::path folder(c.folder);
  fs::path ini = folder / USER_COPY_INI;
  c.ini = ini.string();
  std::error_code ec;
  if (fs::is_regular_file(ini, ec)) return true;
  if (fs::exists(ini, ec)) return fail(c, c.ini + " is not a file", {});

  fs::path source_ini = fs::path(resources) / USER_COPY_INI;
  fs::path source_projects = fs::path(resources) / USER_COPY_PROJECTS;
  if (!fs::is_regular_file(source_ini, ec)) return fail(c, "no " USER_COPY_INI " in " + resources, ec);
  fs::create_directories(folder / USER_COPY_PROJECTS, ec);
  if (ec) return fail(c, "cannot make " + (folder / USER_COPY_PROJECTS).string(), ec);
  /* Every project is a folder; other files there (the generator's source)
  ** are not part of the samples. */
  for (fs::directory_iterator it(source_projects, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_directory(ec)) continue;
    fs::path to = folder / USER_COPY_PROJECTS / it->path().filename();
    fs::copy(it->path(), to, fs::copy_options::recursive | fs::copy_options::skip_existing, ec);
    if (!ec) make_writable(to, ec);
    if (ec) return fail(c, "cannot copy " + it->path().string() + " to " + to.string(), ec);
  }
  if (ec) return fail(c, "cannot read " + source_projects.string(), ec);
  fs::path partial = ini;
  partial += k_partial_suffix;
  fs::copy_file(source_ini, partial, fs::copy_options::overwrite_existing, ec);
  if (!ec) make_writable(partial, ec);
  if (!ec) fs::rename(partial, ini, ec);
  if (ec) {
    std::error_code ignored;
    fs::remove(partial, ignored);
    return fail(c, "cannot copy " + source_ini.string() + " to " + c.ini, ec);
  }
  c.made = true;
  return true;
}

/* Copies the shipped symbol libraries; see user_copy.h. */
bool user_copy_shapes(const std::string &resources, const std::string &folder, std::string &shapes,
                      std::string &error)
{
  fs::path from = fs::path(resources) / USER_COPY_SHAPES;
  fs::path to = fs::path(folder) / USER_COPY_SHAPES;
  shapes = to.string();
  std::error_code ec;
  fs::create_directories(to, ec);
  if (ec) {
    error = "cannot make " + shapes + ": " + ec.message();
    return false;
  }
  for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    fs::path file = to / it->path().filename();
    if (fs::exists(file, ec)) continue;
    fs::copy_file(it->path(), file, ec);
    if (!ec) fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec) {
      error = "cannot copy " + it->path().string() + " to " + file.string() + ": " + ec.message();
      return false;
    }
  }
  if (ec) {
    error = "cannot read " + from.string() + ": " + ec.message();
    return false;
  }
  return true;
}
