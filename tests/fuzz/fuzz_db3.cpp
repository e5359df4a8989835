/*
 * Fuzz target of the DB3 driver's engine on damaged tables: an input is a
 * table's .DBF, .DBT and index side file (separated by "@@@@"), put into
 * a catalog folder as ROCK; the engine then reads it, counts it, rewrites
 * its first column, inserts a row and deletes every row, each statement
 * failing cleanly or succeeding.
 */
#include "drivers/db3/db3_engine.h"
#include "fuzz_files.h"

namespace {

/* Runs one statement, whatever it answers. */
void run(db3_session *s, const std::string &sql, db3_result *out = nullptr)
{
    db3_result r;
    db3_error e;
    long rows = 0;
    db3_run(s, sql.c_str(), out ? out : &r, &rows, &e);
}

/* A column name as an identifier in double quotes. */
std::string as_identifier(const std::string &name)
{
    std::string q = "\"";
    for (char c : name) q += c == '"' ? std::string("\"\"") : std::string(1, c);
    return q + "\"";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::vector<std::string> parts = fuzz_split(data, size, 3);
    fuzz_clear();
    const std::string &dir = fuzz_dir();
    fuzz_put(dir + "/ROCK.DBF", parts[0]);
    if (!parts[1].empty()) fuzz_put(dir + "/ROCK.DBT", parts[1]);
    if (!parts[2].empty()) fuzz_put(dir + "/ROCK.INI", parts[2]);
    db3_error e;
    db3_session *s = db3_session_open(dir.c_str(), &e);
    if (!s) return 0;
    db3_result all;
    run(s, "SELECT * FROM ROCK", &all);
    run(s, "SELECT COUNT(*) FROM ROCK");
    if (!all.columns.empty()) {
        std::string col = as_identifier(all.columns[0].name);
        run(s, "UPDATE ROCK SET " + col + " = " + col);
        run(s, "INSERT INTO ROCK (" + col + ") VALUES (NULL)");
        run(s, "INSERT INTO ROCK (" + col + ") VALUES ('1')");
        run(s, "SELECT * FROM ROCK");
    }
    run(s, "DELETE FROM ROCK");
    db3_session_close(s);
    return 0;
}
