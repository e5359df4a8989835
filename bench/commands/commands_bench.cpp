/*
 * The commands that work entity by entity, run in the stand-in editor on
 * the sample project GEO through the engine and the DB3 driver program,
 * over maps of N, 10 N and 100 N stations (N = PV_BENCH_ROWS / 100, 1,000
 * by default): STATN holds one station per entity on a 30 m grid near
 * (600000, 5600000), and the drawing, set up by pv-map as a user sets one
 * up (its setup block at the origin), one TEXT per station showing its
 * NAME, linked to its row and drawn a little off its point. Each iteration
 * runs the command (pv-update, pv-clean, pv-scale, the exports, pv-import
 * updating every row) on ALL as many times as make 100 N entities handled
 * (100 times over N, 10 over 10 N, once over 100 N and over more),
 * checking each run: every map's run is as long, so that beside busy
 * threads each waits for a processor as often; pv-move drags the symbols
 * of the table at the first station as often, and its counters are per
 * move; pv-edit edits 1,000 stations spread over the map (fewer on a
 * smaller one) once an iteration. The counter "per_entity" gives the real time per entity
 * handled, "cpu_us_per_entity" the processor time (microseconds) of the
 * benchmark's thread and of pvdb3; the ratios give both per entity of the
 * largest map over the smallest (flat: 1). The benchmarks run in rounds
 * (PV_BENCH_REPS, each once a round, every size in turn) and the best of
 * each is kept, so that the sizes compared meet the machine's other work
 * alike as it comes and goes. The exports of 100 N with attributes (E00,
 * and MapInfo with a column) are also set beside ogr2ogr writing the same
 * points from a CSV file (to MIF, and to a shapefile), when the machine
 * has it.
 *
 * pv-query runs over STATN of 100 N stations a WHERE that half of them
 * pass (EASTING below the middle of the grid, the rows ordered by STN as
 * the command orders a station table): the statement, the count of rows
 * found and the browser opened on its first page, beside the sqlite3
 * library counting and reading the first 100 rows of the same statement
 * on the same rows in an ordinary table.
 *
 *   bench_commands                                   (1,000 to 100,000)
 *   PV_BENCH_ROWS=50 PV_BENCH_REPS=1 bench_commands  (the smoke test of CI)
 *   bench_commands --benchmark_filter=Update
 */
#include <sqlite3.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_ratios.h"
#include "bench/driver_peak.h"
#include "coords/prj_list.h"
#include "core/pjct_list.h"
#include "core/qry.h"
#include "core/qry_join.h"
#include "core/sql_access.h"
#include "core/tbl.h"
#include "data/import.h"
#include "draw/link.h"
#include "draw/map_params.h"
#include "draw/sym_place.h"
#include "host_editor.h"
#include "map/link_cmd.h"
#include "map/map_edit_cmd.h"
#include "map/prj_project.h"
#include "map/row_cmd.h"
#include "map/sym_draw.h"
#include "module/pv_entry.h"
#include "output/exports/export_dialog.h"
#include "output/query/qry_edit.h"
#include "output/query/qry_sql.h"
#include "platform/dialog/dialog_test_api.h"
#include "platform/host_io.h"
#include "scratch_dir.h"

namespace {

namespace fs = std::filesystem;

/* Spacing of the stations, metres, and where the grid starts (UTM 10). */
constexpr double GRID_M = 30;
constexpr double GRID_EAST = 600000, GRID_NORTH = 5600000;
/* How far off its station each TEXT is drawn: none, as pv-add draws a
 * station's name without a symbol setup, so that a drag moves from the
 * point its row holds (pv-move writes no row whose symbols show another). */
constexpr double TEXT_OFF_M = 0;
/* The map's coordinate system: the project's own, so no conversion. */
constexpr const char *MAP_SYSTEM = "UTM 10 NAD27";

/* The scratch folder of the run and the stations of the map made last. */
fs::path g_dir;
long g_map_size = -1;
/* Whether a benchmark drew more on the map's drawing. */
bool g_map_drawn_over = false;

/* The entities of a benchmark whose map is times N stations. */
long entities(long times)
{
    return times * (bench_rows() / 100 > 0 ? bench_rows() / 100 : 1);
}

/* The runs over a map of times N of an iteration: as many as make 100 N
 * entities handled, once at least. */
long passes(long times)
{
    return times < 100 ? 100 / times : 1;
}

/* Processor time (microseconds) this thread has used. */
double thread_cpu_us()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e6 + (double)t.tv_nsec / 1e3;
}

/* Processor time (microseconds) the driver program has used, user and
 * system, from /proc/<pid>/stat; 0 without one. */
double driver_cpu_us()
{
    char path[64], text[1024];
    long pid = driver_pid();
    if (pid < 0) return 0;
    std::snprintf(path, sizeof path, "/proc/%ld/stat", pid);
    FILE *f = std::fopen(path, "r");
    size_t got = f ? std::fread(text, 1, sizeof text - 1, f) : 0;
    if (f) std::fclose(f);
    text[got] = 0;
    /* The fields after the name in parentheses: state is the third, user
     * time the 14th and system time the 15th, in clock ticks. */
    const char *at = std::strrchr(text, ')');
    unsigned long user = 0, system = 0;
    if (!at || std::sscanf(at + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &user, &system) != 2)
        return 0;
    return (double)(user + system) * 1e6 / (double)sysconf(_SC_CLK_TCK);
}

/* Sets the counters of a benchmark that handled the entities given in all
 * its iterations, with the processor time (microseconds) it took. */
void count_entities(benchmark::State &state, double handled, double cpu_us)
{
    state.counters[BENCH_PER_ENTITY] =
        benchmark::Counter(handled, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters[BENCH_CPU_PER_ENTITY] = handled > 0 ? cpu_us / handled : 0;
}

/* A dBASE field: its name, type, offset in the record and width. */
struct dbf_field {
    std::string name;
    char type;
    size_t offset, width, decimals;
};

/* The header of a dBASE file and its fields. */
std::vector<dbf_field> dbf_fields(const std::string &header)
{
    std::vector<dbf_field> out;
    size_t offset = 1;
    for (size_t at = 32; at + 32 <= header.size() && header[at] != 0x0D; at += 32) {
        dbf_field f{std::string(header.c_str() + at), header[at + 11], offset, (unsigned char)header[at + 16],
                    (unsigned char)header[at + 17]};
        offset += f.width;
        out.push_back(f);
    }
    return out;
}

/* The header of a dBASE file: its first header-length bytes. */
std::string dbf_header(const fs::path &file, std::string *body = nullptr)
{
    std::ifstream in(file, std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t length = (unsigned char)all[8] | ((unsigned char)all[9] << 8);
    if (body) *body = all.substr(length);
    return all.substr(0, length);
}

/* Writes a value into its field of a record: numbers to the right,
 * texts to the left. */
void dbf_put(std::string &record, const dbf_field &f, const char *text)
{
    std::string v(text);
    if (v.size() > f.width) v.resize(f.width);
    std::string cell(f.width, ' ');
    cell.replace(f.type == 'N' ? f.width - v.size() : 0, v.size(), v);
    record.replace(f.offset, f.width, cell);
}

/* The side of the square grid of n stations. */
long grid_side(long n)
{
    long side = 1;
    while (side * side < n) side++;
    return side;
}

/* The text of field f of station i (from 0) on a grid of the side given. */
std::string station_value(const dbf_field &f, long i, long side)
{
    char v[64];
    if (f.name == "BASENUMBER" || f.name == "STN") std::snprintf(v, sizeof v, "%ld", i + 1);
    else if (f.name == "NAME") std::snprintf(v, sizeof v, "S%ld", i + 1);
    else if (f.name == "EASTING") std::snprintf(v, sizeof v, "%.6f", GRID_EAST + (double)(i % side) * GRID_M);
    else if (f.name == "NORTHING") std::snprintf(v, sizeof v, "%.6f", GRID_NORTH + (double)(i / side) * GRID_M);
    else if (f.name == "ELEV") std::snprintf(v, sizeof v, "%.6f", 100.0);
    else std::snprintf(v, sizeof v, "Granite");
    return v;
}

/* The fields of the sample's STATN. */
std::vector<dbf_field> station_fields()
{
    return dbf_fields(dbf_header(g_dir / "projects" / "GEO" / "STATN.DBF"));
}

/* STATN of n stations on the grid, written over the sample's file. */
void write_stations(long n)
{
    fs::path file = g_dir / "projects" / "GEO" / "STATN.DBF";
    std::string header = dbf_header(file);
    std::vector<dbf_field> fields = dbf_fields(header);
    size_t record_length = (unsigned char)header[10] | ((unsigned char)header[11] << 8);
    for (int i = 0; i < 4; i++) header[4 + i] = (char)((n >> (8 * i)) & 0xFF);
    long side = grid_side(n);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << header;
    for (long i = 0; i < n; i++) {
        std::string record(record_length, ' ');
        for (const dbf_field &f : fields) dbf_put(record, f, station_value(f, i, side).c_str());
        out << record;
    }
    out << '\x1A';
}

/* The point setup of STATN names NAME as its symbol column. */
void name_symbol_column()
{
    fs::path file = g_dir / "projects" / "GEO" / "PVPOINT.DBF";
    std::string body, header = dbf_header(file, &body);
    for (const dbf_field &f : dbf_fields(header))
        if (f.name == "SYMCOLUMN") dbf_put(body, f, "NAME");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << header << body;
}

/* Calls a LISP function of the module with text arguments. */
void call(const char *fn, std::vector<const char *> args)
{
    struct resbuf *head = nullptr, *tail = nullptr;
    for (const char *a : args) {
        struct resbuf *rb = ads_buildlist(RTSTR, a, 0);
        (tail ? tail->rbnext : head) = rb;
        tail = rb;
    }
    struct resbuf *result = nullptr;
    host_invoke_function(fn, head, &result);
    ads_relrb(head);
    ads_relrb(result);
}

/* The module loaded in a scratch folder holding a copy of the sample
 * projects, its asi.ini running the driver program built with it. */
void start()
{
    g_dir = pv_make_scratch_dir("pv_bench_commands_");
    fs::copy(fs::path(PV_RESOURCE_DIR) / "projects", g_dir / "projects", fs::copy_options::recursive);
    std::ofstream(g_dir / "asi.ini") << "[ENVIRONMENTS]\nDB3=\n[DB3]\nDriver=" PV_DB3_DRIVER "\nPETRIVEX=projects\n"
                                        "PETRIVEX.Projections=Projections\nPETRIVEX.GEO=GEO\n";
    fs::current_path(g_dir);
    host_set_env("ASI_INI", (g_dir / "asi.ini").string());
    host_io_set_echo(false);
    host_new_drawing();
    _SetacrxPtp();
    host_register_module("pvx14.arx", acrxEntryPoint);
    host_add_support_path(PV_RESOURCE_DIR "/shapes");
    static int app = 0;
    acrxEntryPoint(PV_MSG_INIT, &app);
    acrxEntryPoint(PV_MSG_LOAD_DWG, nullptr);
    name_symbol_column();
}

/* Ends the module and removes the scratch folder. */
void stop()
{
    if (g_map_size >= 0) call("pv_logoff", {});
    acrxEntryPoint(PV_MSG_UNLOAD_DWG, nullptr);
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(g_dir);
}

/* A map of n stations: the table written, GEO logged on afresh, and a new
 * drawing set up by pv-map, as a user sets one up (its setup block at the
 * origin, some thousand kilometres from the stations), with a linked TEXT
 * by each station. */
void make_map(long n)
{
    if (g_map_size >= 0) call("pv_logoff", {});
    write_stations(n);
    call("pv_open", {"GEO", "DB3", "", ""});
    g_map_size = n;
    g_map_drawn_over = false;
    host_new_drawing();
    map_params_set_projection(&g_map_params, prj_find(MAP_SYSTEM, nullptr));
    host_io_use_script_text("pv_map\nok\n");
    pv_map(nullptr);
    ads_regapp(LINK_APP_NAME);
    long side = grid_side(n);
    for (long i = 0; i < n; i++) {
        char name[32], key[32];
        std::snprintf(name, sizeof name, "S%ld", i + 1);
        std::snprintf(key, sizeof key, "%ld", i + 1);
        ads_point at = {GRID_EAST + (double)(i % side) * GRID_M + TEXT_OFF_M,
                        GRID_NORTH + (double)(i / side) * GRID_M, 0};
        link_rec l;
        link_clear(&l);
        std::snprintf(l.project, sizeof l.project, "GEO");
        std::snprintf(l.table, sizeof l.table, "STATN");
        l.row_id = i + 1;
        std::snprintf(l.key_column, sizeof l.key_column, "NAME");
        std::snprintf(l.key_value, sizeof l.key_value, "%s", name);
        struct resbuf *list = ads_buildlist(RTDXF0, "TEXT", 10, at, 40, 2.0, 1, name, 0);
        link_xdata_put(&l, list);
        ads_entmake(list);
        ads_relrb(list);
    }
    host_io_clear_transcript();
}

/* The index of STATN.NAME among the columns the export dialog offers. */
int export_name_column()
{
    host_io_use_script_text("pv_export_opts\ncancel\n");
    pv_export(nullptr);
    std::vector<dlg_tile_snapshot> tiles;
    dlg_test_last_tiles("pv_export_opts", tiles);
    for (const dlg_tile_snapshot &t : tiles)
        for (size_t i = 0; t.key == "output" && i < t.items.size(); i++)
            if (t.items[i] == "STATN.NAME") return (int)i;
    return -1;
}

/* A text file giving each of n stations a new name, by its number. */
std::string write_renames(long n)
{
    std::string file = (g_dir / "renames.txt").string();
    std::ofstream out(file);
    for (long i = 0; i < n; i++) out << i + 1 << ",R" << i + 1 << "\n";
    return file;
}

/* Edits a run of pv-edit makes (fewer on a smaller map), each on a
 * station of its own spread over the map. */
constexpr long EDITS_PER_RUN = 1000;

/* The point of station i's TEXT on a map of n stations, moved by dx. */
std::string text_point(long i, long n, double dx = 0)
{
    long side = grid_side(n);
    char at[64];
    std::snprintf(at, sizeof at, "%.3f,%.3f", GRID_EAST + (double)(i % side) * GRID_M + TEXT_OFF_M + dx,
                  GRID_NORTH + (double)(i / side) * GRID_M);
    return at;
}

/* The stations pv-edit is run on over a map of n. */
long edits(long n)
{
    return std::min(n, EDITS_PER_RUN);
}

/* A text file of n new stations, one a line as pv-import reads them and
 * without a heading: STN, NAME, EASTING, NORTHING, ELEV and ROCKTYPE,
 * separated by commas; made once per size. */
std::string write_new_stations(long n)
{
    std::string file = (g_dir / ("stations" + std::to_string(n) + ".csv")).string();
    if (fs::exists(file)) return file;
    std::ofstream out(file);
    long side = grid_side(n);
    char line[160];
    for (long i = 0; i < n; i++) {
        std::snprintf(line, sizeof line, "%ld,N%ld,%.6f,%.6f,%.6f,Granite\n", n + i + 1, i + 1,
                      GRID_EAST + (double)(i % side) * GRID_M, GRID_NORTH + (double)(i / side) * GRID_M, 100.0);
        out << line;
    }
    return file;
}

/* A command of the benchmark: its function, its answers for run number
 * pass over a map of n entities, and the text its end shows when it
 * handled all of them (a format of n; none: the run shows no ERROR). A
 * command run on one entity at a time (pv-edit) runs edits(n) times a run;
 * it, and a command that changes the map's table (pv-import adding rows),
 * runs once an iteration at every size. */
struct bench_command {
    const char *name;
    int (*run)(struct resbuf *);
    std::string (*answers)(long n, long pass);
    const char *done;
    bool one_by_one = false;
    bool once = false;
};

const bench_command COMMANDS[] = {
    {"Update", pv_update, [](long, long) { return std::string("ALL\n\n"); }, "Updated... %ld entities"},
    {"Clean", pv_clean, [](long, long) { return std::string("ALL\n\n"); }, "Cleaned... %ld entities"},
    {"Scale", pv_scale,
     [](long, long pass) {
         return std::string("pv_scale\npick scl_text\nset scl_height ") + (pass % 2 ? "2.5" : "2") + "\nok\nALL\n\n";
     },
     "Scaled... %ld entities"},
    {"Edit", pv_edit,
     [](long n, long pass) {
         std::string a;
         for (long k = 0; k < edits(n); k++)
             a += text_point(k * (n / edits(n)), n) + "\npv_edit_col\nselect edit_list ELEV\nset edit_col " +
                  std::to_string(101 + pass % 2) + "\nok\n";
         return a;
     },
     nullptr, true},
    {"ExportE00Attributes", pv_export,
     [](long, long) {
         return "pv_export_opts\nselect plotype 1\npick point\nselect output " + std::to_string(export_name_column()) +
                "\nset filename stations\npick txtdbf\npick plot\nALL\n\n";
     },
     "Plotted..."},
    {"Import", pv_import,
     [](long n, long) {
         return "pv_import\nset imp_fname " + write_new_stations(n) +
                "\npick imp_text\npick import\npv_importxt\nselect txt_table 0\nset txt_coldel ,\nset txt_txtdel \n"
                "pick txt_append\nselect txt_output 1 2 3 4 5 6\npick import\n";
     },
     "Imported: %ld rows into STATN", false, true},
    {"ImportUpdate", pv_import,
     [](long n, long) {
         return "pv_import\nset imp_fname " + write_renames(n) +
                "\npick imp_text\npick import\npv_importxt\nselect txt_table 0\nset txt_coldel ,\nset txt_txtdel \n"
                "pick txt_update\nselect txt_output 1 2\npick import\n";
     },
     "Imported: %ld rows into STATN"},
    {"ExportMifColumn", pv_export,
     [](long, long) {
         return "pv_export_opts\nselect plotype 2\npick point\nselect output " + std::to_string(export_name_column()) +
                "\nset filename stations\nset col_delim ,\npick txtdbf\npick plot\nALL\n\n";
     },
     "Plotted..."},
    {"ExportE00", pv_export,
     [](long, long) {
         return std::string("pv_export_opts\nselect plotype 1\npick point\nset filename all\npick plot\nALL\n\n");
     },
     "Plotted..."},
    /* The whole table dragged 1 m east and back, run after run; last, for
     * a run that leaves it moved makes the next map afresh. */
    {"Move", pv_move,
     [](long n, long pass) {
         double from = pass % 2 ? 1 : 0;
         return text_point(0, n, from) + "\npv_ssget\nset ss_table 1\nok\n" + text_point(0, n, 1 - from) + "\n";
     },
     nullptr},
};

/* A symbol of PVSTRUCT drawn as vectors by each station of a map of times
 * N made afresh, outside the timing; then each iteration redraws every
 * symbol 1 m off its place, one by one, as pv-update and pv-edit redraw a
 * row's symbol, and back, over as many passes as make 100 N redraws: every
 * map's run is as long, so that beside busy threads each gets the same
 * share of a processor on average. The next benchmark makes its map
 * afresh too. */
void RedrawVectors(benchmark::State &state, long times)
{
    long n = entities(times);
    make_map(n);
    g_map_drawn_over = true;
    tbl_rec *statn = tbl_find_by_name(pjct_find("GEO", nullptr)->tables, "STATN", nullptr);
    long side = grid_side(n);
    std::vector<sym_place_rec> symbols((size_t)n);
    std::vector<std::string> keys((size_t)n);
    for (long i = 0; i < n; i++) {
        sym_place_rec &r = symbols[(size_t)i];
        sym_place_init(&r);
        r.name = "STRIKE_DIP";
        r.mode = SYM_MODE_VECTORS;
        r.font = "PVSTRUCT";
        r.size = 2.0;
        r.source_col = sql_col_find(statn->columns, "STN", nullptr, nullptr);
        keys[(size_t)i] = std::to_string(i + 1);
        link_clear(&r.link);
        std::snprintf(r.link.project, sizeof r.link.project, "GEO");
        std::snprintf(r.link.table, sizeof r.link.table, "STATN");
        r.link.row_id = i + 1;
        std::snprintf(r.link.key_column, sizeof r.link.key_column, "STN");
        std::snprintf(r.link.key_value, sizeof r.link.key_value, "%s", keys[(size_t)i].c_str());
        r.ins = {GRID_EAST + (double)(i % side) * GRID_M, GRID_NORTH + (double)(i / side) * GRID_M, 0, 0};
        if (sym_place_draw(&r, nullptr, 1, 0, 0) != 0) {
            state.SkipWithError("a symbol could not be drawn");
            return;
        }
    }
    long runs = passes(times);
    double step = 1, cpu = 0;
    for (auto _ : state) {
        double from = thread_cpu_us();
        for (long pass = 0; pass < runs; pass++) {
            for (sym_place_rec &r : symbols) {
                r.ins.x += step;
                if (sym_place_redraw(&r, 1, nullptr, 0) != 0) state.SkipWithError("a symbol could not be redrawn");
            }
            step = -step;
        }
        cpu += thread_cpu_us() - from;
    }
    count_entities(state, (double)n * (double)runs * (double)state.iterations(), cpu);
}

/* Runs a command on a map of times N stations, passes(times) times an
 * iteration, each run checked (outside the timing) for its end naming
 * every entity. */
void RunOnMap(benchmark::State &state, long times, const bench_command *c)
{
    long n = entities(times), runs = c->one_by_one || c->once ? 1 : passes(times), each = c->one_by_one ? edits(n) : n;
    if (g_map_size != n || g_map_drawn_over) make_map(n);
    char done[96] = "";
    if (c->done) std::snprintf(done, sizeof done, c->done, n);
    state.counters["pvdb3_peak_logon_MB"] = (double)driver_peak_kb() / 1024.0;
    driver_peak_reset();
    double cpu = 0;
    long pass = 0;
    for (auto _ : state) {
        for (long r = 0; r < runs; r++, pass++) {
            state.PauseTiming();
            std::string answers = c->answers(n, pass);
            host_io_clear_transcript();
            host_io_use_script_text(answers);
            state.ResumeTiming();
            double from = thread_cpu_us() + driver_cpu_us();
            for (long k = 0; k < (c->one_by_one ? each : 1); k++) c->run(nullptr);
            cpu += thread_cpu_us() + driver_cpu_us() - from;
            state.PauseTiming();
            std::string t = host_io_transcript();
            host_io_clear_transcript();
            /* A run that failed ends the benchmark: its timing stays stopped. */
            if (c->done ? t.find(done) == std::string::npos : t.find("ERROR") != std::string::npos) {
                state.SkipWithError(("not every entity was handled: " + t.substr(0, 600)).c_str());
                break;
            }
            state.ResumeTiming();
        }
    }
    if (c->run == pv_move || c->once) g_map_drawn_over = true;
    long peak = driver_peak_kb();
    state.counters["pvdb3_peak_MB"] = (double)peak / 1024.0;
    state.counters["pvdb3_bound_MB"] = (double)DRIVER_PEAK_BOUND_KB / 1024.0;
    driver_peak_within((c->name + ("/" + std::to_string(times)) + "N").c_str(), peak);
    /* A move drags the few symbols at one place, whatever the map's size. */
    double handled = c->run == pv_move ? 1 : (double)each;
    count_entities(state, handled * (double)runs * (double)state.iterations(), cpu);
}

/* The query pv-query runs over a map of n stations: every column of STATN
 * out, and EASTING below the middle of the grid, which half the stations
 * pass; built, quoted and joined as the condition dialog leaves it. */
qry_rec *half_query(long n)
{
    pjct_rec *p = pjct_find("GEO", nullptr);
    tbl_rec *statn = tbl_find_by_name(p->tables, "STATN", nullptr);
    std::vector<int> out;
    for (sql_col_rec *c = statn->columns; c; c = c->next) {
        int at = -1;
        if (pjct_find_column(p, "STATN", c->name, &at)) out.push_back(at);
    }
    qry_rec *q = qry_new();
    q->project = p;
    qry_output_list_build(p, out.data(), (int)out.size(), 1, &q->outputs);
    qry_cond_rec *c = qry_cond_new();
    c->connector = qry_connector_table[QRY_CONN_NONE];
    c->op = qry_operator_table[qry_op_index("<")];
    c->table = statn;
    c->column = pjct_find_column(p, "STATN", "EASTING", nullptr);
    char middle[32];
    std::snprintf(middle, sizeof middle, "%.0f", GRID_EAST + (double)(grid_side(n) / 2) * GRID_M);
    qry_cond_set_value(c, middle);
    q->conds = c;
    qry_cond_reorder(&q->conds);
    qry_cond_bracket(q->conds);
    qry_quote_values(q->conds);
    qry_build_join_list(q);
    return q;
}

/* The map of times N stations with its query (freed by the caller), and
 * the rows the query finds. */
qry_rec *query_map(long times, long *found)
{
    long n = entities(times);
    if (g_map_size != n) make_map(n);
    qry_rec *q = half_query(n);
    long side = grid_side(n), half = side / 2;
    *found = (n / side) * half + std::min(n % side, half);
    return q;
}

/* pv-query over a map of times N stations: its statement, the count of
 * the rows found and the browser opened on its first page, once an
 * iteration. */
void Query(benchmark::State &state, long times)
{
    long found = 0;
    qry_rec *q = query_map(times, &found);
    char done[96];
    std::snprintf(done, sizeof done, "Querying... %ld records found...", found);
    std::string answers = "pv_msg_box\nshow\nok\n" + std::string(found > 0 ? "pv_table_large\nshow\nok\n" : "");
    for (auto _ : state) {
        host_io_clear_transcript();
        host_io_use_script_text(answers);
        qry_execute(q);
        state.PauseTiming();
        std::string t = host_io_transcript();
        host_io_clear_transcript();
        if (t.find(done) == std::string::npos) {
            state.SkipWithError(("not every row was counted: " + t.substr(0, 600)).c_str());
            break;
        }
        state.ResumeTiming();
    }
    qry_free(q);
}

/* The same statement through the sqlite3 library over the same rows in an
 * ordinary table of a database file made outside the timing: each
 * iteration counts its rows and reads the first 100, every value as text. */
void QuerySqlite(benchmark::State &state, long times)
{
    long found = 0;
    qry_rec *q = query_map(times, &found);
    char *text = qry_build_select(q);
    qry_free(q);
    long n = entities(times), side = grid_side(n);
    std::string file = (g_dir / "stations.db").string();
    fs::remove(file);
    sqlite3 *db = nullptr;
    sqlite3_open(file.c_str(), &db);
    std::vector<dbf_field> fields = station_fields();
    std::string create = "CREATE TABLE STATN (", insert = "INSERT INTO STATN VALUES (";
    for (size_t k = 0; k < fields.size(); k++) {
        create += (k ? "," : "") + fields[k].name + (fields[k].type == 'N' ? " NUMERIC" : " TEXT");
        insert += k ? ",?" : "?";
    }
    sqlite3_exec(db, (create + ")").c_str(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *put = nullptr;
    sqlite3_prepare_v2(db, (insert + ")").c_str(), -1, &put, nullptr);
    for (long i = 0; i < n; i++) {
        for (size_t k = 0; k < fields.size(); k++) {
            std::string v = station_value(fields[k], i, side);
            if (fields[k].type == 'N') sqlite3_bind_double(put, (int)k + 1, std::atof(v.c_str()));
            else sqlite3_bind_text(put, (int)k + 1, v.c_str(), -1, SQLITE_TRANSIENT);
        }
        sqlite3_step(put);
        sqlite3_reset(put);
    }
    sqlite3_finalize(put);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    std::string select = text ? text : "";
    std::free(text);
    size_t from = select.find(" FROM ");
    std::string count = "SELECT COUNT(*)" + select.substr(from, select.find(" ORDER BY ") - from);
    for (auto _ : state) {
        sqlite3_stmt *s = nullptr;
        long counted = -1, read = 0;
        if (sqlite3_prepare_v2(db, count.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW)
            counted = sqlite3_column_int64(s, 0);
        sqlite3_finalize(s);
        sqlite3_prepare_v2(db, select.c_str(), -1, &s, nullptr);
        while (read < 100 && sqlite3_step(s) == SQLITE_ROW) {
            for (int k = 0; k < sqlite3_column_count(s); k++) benchmark::DoNotOptimize(sqlite3_column_text(s, k));
            read++;
        }
        sqlite3_finalize(s);
        if (counted != found || read != std::min(found, 100L)) state.SkipWithError(("SQLite found other rows: " + count).c_str());
    }
    sqlite3_close(db);
}

/* The ogr2ogr program, or empty when the machine lacks it. */
std::string ogr2ogr_path()
{
    for (const char *dir : {"/usr/bin", "/usr/local/bin"}) {
        fs::path p = fs::path(dir) / "ogr2ogr";
        if (fs::exists(p)) return p.string();
    }
    return std::string();
}

/* A CSV file of the points a map of n stations exports (each TEXT's point
 * and its station's NAME), made once per size. */
std::string write_points_csv(long n)
{
    std::string file = (g_dir / ("points" + std::to_string(n) + ".csv")).string();
    if (fs::exists(file)) return file;
    std::ofstream out(file);
    out << "X,Y,NAME\n";
    long side = grid_side(n);
    char line[128];
    for (long i = 0; i < n; i++) {
        std::snprintf(line, sizeof line, "%.6f,%.6f,S%ld\n", GRID_EAST + (double)(i % side) * GRID_M + TEXT_OFF_M,
                      GRID_NORTH + (double)(i / side) * GRID_M, i + 1);
        out << line;
    }
    return file;
}

/* ogr2ogr writing the rows pv-import reads for a map of times N stations
 * from the same text file into a DBF (the "ESRI Shapefile" driver given
 * rows without geometry), the columns' types told from their values, once
 * an iteration. */
void OgrDbfFromText(benchmark::State &state, long times)
{
    long n = entities(times);
    std::string text = write_new_stations(n);
    fs::path out = g_dir / "ogr_rows.dbf";
    std::string command = ogr2ogr_path() + " -f \"ESRI Shapefile\" " + out.string() + " " + text +
                          " -oo HEADERS=NO -oo AUTODETECT_TYPE=YES >/dev/null 2>&1";
    for (auto _ : state) {
        state.PauseTiming();
        for (const char *e : {".dbf", ".shp", ".shx", ".prj", ".cpg"}) fs::remove(fs::path(out).replace_extension(e));
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError(("ogr2ogr failed: " + command).c_str());
    }
    state.counters[BENCH_PER_ENTITY] = benchmark::Counter((double)n * (double)state.iterations(),
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

/* ogr2ogr writing the points of a map of times N stations from a CSV file
 * in one format ("MapInfo File" .mif, "ESRI Shapefile" .shp), the points
 * in UTM 10 NAD27, once an iteration: the tool a geologist would use
 * otherwise, measured beside the export in the same run. */
void OgrFromCsv(benchmark::State &state, long times, const char *format, const char *ext)
{
    std::string csv = write_points_csv(entities(times));
    fs::path out = g_dir / ("ogr" + std::string(ext));
    std::string command = ogr2ogr_path() + " -f \"" + format + "\" -a_srs EPSG:26710 " + out.string() + " " + csv +
                          " -oo X_POSSIBLE_NAMES=X -oo Y_POSSIBLE_NAMES=Y >/dev/null 2>&1";
    for (auto _ : state) {
        state.PauseTiming();
        for (const char *e : {".mif", ".mid", ".shp", ".shx", ".dbf", ".prj", ".cpg"})
            fs::remove(fs::path(out).replace_extension(e));
        state.ResumeTiming();
        if (std::system(command.c_str()) != 0) state.SkipWithError(("ogr2ogr failed: " + command).c_str());
    }
    state.counters[BENCH_PER_ENTITY] = benchmark::Counter((double)entities(times) * (double)state.iterations(),
                                                          benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

}  // namespace

int main(int argc, char **argv)
{
    start();
    /* Every command over N, 10 N and 100 N; the export without attributes
     * also over 1,000 N. */
    for (long times : {1L, 10L, 100L, 1000L}) {
        std::string suffix = "/" + std::to_string(times) + "N";
        for (const bench_command &c : COMMANDS)
            if (times < 1000 || std::strcmp(c.name, "ExportE00") == 0)
                benchmark::RegisterBenchmark((c.name + suffix).c_str(), RunOnMap, times, &c)
                    ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
        if (times < 1000)
            benchmark::RegisterBenchmark(("RedrawVectors" + suffix).c_str(), RedrawVectors, times)
                ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    }
    /* pv-query and SQLite over 100 N stations, after the commands (whose
     * renames leave the columns it reads as they were). */
    benchmark::RegisterBenchmark("Query/100N", Query, 100L)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark("QuerySqlite/100N", QuerySqlite, 100L)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
    /* ogr2ogr writing the same points as the exports of 100 N, from CSV. */
    if (ogr2ogr_path().empty()) {
        std::printf("ogr2ogr not found: the exports are not compared with it\n");
    } else {
        benchmark::RegisterBenchmark("OgrMif/100N", OgrFromCsv, 100L, "MapInfo File", ".mif")
            ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
        benchmark::RegisterBenchmark("OgrShapefile/100N", OgrFromCsv, 100L, "ESRI Shapefile", ".shp")
            ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
        for (long times : {1L, 10L, 100L})
            benchmark::RegisterBenchmark(("OgrDbf/" + std::to_string(times) + "N").c_str(), OgrDbfFromText, times)
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime();
    }
    static const bench_ratio RATIOS[] = {
        {"Update/100N", "Update/1N", "pv-update ALL, per entity 100 N / N (flat: 1, goal at most 1.5)", true},
        {"Clean/100N", "Clean/1N", "pv-clean ALL, per entity 100 N / N (flat: 1, goal at most 1.5)", true},
        {"Scale/100N", "Scale/1N", "pv-scale ALL, per entity 100 N / N (flat: 1, goal at most 1.5)", true},
        {"Edit/100N", "Edit/1N", "pv-edit, per edit 100 N / N (flat: 1, goal at most 1.5)", true},
        {"Move/100N", "Move/1N",
         "pv-move of a table's symbols at a station, per move 100 N / N (flat: 1, goal at most 1.5)", true},
        {"ExportE00Attributes/100N", "ExportE00Attributes/1N",
         "pv-export E00 + attributes, per entity 100 N / N (flat: 1, goal at most 1.5)", true},
        {"ExportMifColumn/100N", "ExportMifColumn/1N",
         "pv-export MIF + column, per entity 100 N / N (flat: 1, goal at most 1.5)", true},
        {"ImportUpdate/100N", "ImportUpdate/1N", "pv-import update, per entity 100 N / N (flat: 1)", true},
        {"RedrawVectors/100N", "RedrawVectors/1N", "vector symbols redrawn, per symbol 100 N / N (flat: 1)", true},
        {"ExportE00/1000N", "ExportE00/100N", "pv-export E00 ALL, per entity 1000 N / 100 N (flat: 1)", true},
        {"Query/100N", "QuerySqlite/100N", "pv-query count + first page / SQLite count + 100 rows"},
        {"ExportMifColumn/100N", "OgrMif/100N", "pv-export MIF + column / ogr2ogr CSV to MIF, 100 N"},
        {"Import/1N", "OgrDbf/1N", "pv-import / ogr2ogr of the same rows into a DBF, N (goal at most 3)", true},
        {"Import/10N", "OgrDbf/10N", "pv-import / ogr2ogr of the same rows into a DBF, 10 N (goal at most 3)", true},
        {"Import/100N", "OgrDbf/100N", "pv-import / ogr2ogr of the same rows into a DBF, 100 N (goal at most 3)", true},
        {"ExportE00Attributes/100N", "OgrShapefile/100N",
         "pv-export E00 + attributes / ogr2ogr CSV to shapefile, 100 N"},
    };
    int rc = bench_main_contended(argc, argv, RATIOS, std::size(RATIOS), bench_reps());
    stop();
    return rc;
}
