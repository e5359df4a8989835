/*
 * Another program writing a table the tests read: python3-dbf, an
 * independent writer of the files, run on a table file as a user's own
 * tool would, optionally leaving the file's times as they were (as a write
 * within the same tick of a coarse file-system clock does).
 *
 *   pv_dbf_write(dir + "/T.DBF", "for r in t:\n    dbf.delete(r)\n");
 */
#ifndef PV_TESTS_DRIVERS_DBF_WRITER_H
#define PV_TESTS_DRIVERS_DBF_WRITER_H

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

/* Runs the Python lines body with the table file path open for writing as
 * t (closed after them; sys.argv[2:] are the words of args); with
 * keep_times the file's access and change times are set back afterwards
 * to what they were. Answers the exit status: 0 when it ran. */
inline int pv_dbf_write(const std::string &path, const std::string &body, bool keep_times = false,
                        const std::string &args = "")
{
    std::string script = (std::filesystem::path(path).parent_path() / "dbf_write.py").string();
    std::ofstream(script) << "import os, sys, dbf\n"
                             "was = os.stat(sys.argv[1])\n"
                             "t = dbf.Table(sys.argv[1])\n"
                             "t.open(dbf.READ_WRITE)\n"
                          << body << "t.close()\n"
                          << (keep_times ? "os.utime(sys.argv[1], ns=(was.st_atime_ns, was.st_mtime_ns))\n" : "");
    return std::system(("/usr/bin/python3 " + script + " " + path + " " + args).c_str());
}

#endif
