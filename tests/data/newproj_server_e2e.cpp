/*
** newproj_server_e2e.cpp: runs the new-project end-to-end script on a
** PostgreSQL schema: a throwaway server is started in a temporary folder,
** the schema "blue" is made for the test role, and the script is run with the
** server's port; the server is stopped whatever the script did.
**
**   newproj_server_e2e PYTHON SCRIPT PVHOST MODULE RESOURCES WORKDIR [MODE...]
*/
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "pg_server.h"

/* The status CTest reads as a skipped test. */
constexpr int SKIPPED = 77;

int main(int argc, char **argv)
{
    if (argc < 7) {
        std::fprintf(stderr, "usage: newproj_server_e2e PYTHON SCRIPT PVHOST MODULE RESOURCES WORKDIR [MODE...]\n");
        return 2;
    }
    pg_server pg;
    if (!pg.start()) {
        std::printf("no PostgreSQL test server: %s\n", pg.why().c_str());
        return SKIPPED;
    }
    /* The schema is the server's counterpart of a DB3 project's folder:
    ** made by whoever keeps the server, before the first logon. */
    std::string made = pg.psql("CREATE SCHEMA blue");
    if (!made.empty()) {
        std::printf("cannot make the schema blue: %s\n", made.c_str());
        return 1;
    }
    std::string cmd = std::string(argv[1]);
    for (int i = 2; i < argc; ++i) cmd += std::string(" '") + argv[i] + "'";
    cmd += " --server " + std::to_string(pg.port());
    std::fflush(stdout);
    int status = std::system(cmd.c_str());
    pg.stop();
    return status == 0 ? 0 : 1;
}
