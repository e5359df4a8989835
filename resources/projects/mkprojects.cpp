/*
** mkprojects.cpp: writes the shipped DB3 projects as dBASE tables:
** "Projections", the built-in ellipsoids (PVDATUM) and coordinate systems
** (PVPROJ) every user gets, and "GEO", a small sample project of field
** stations with its table registry (PVTABLE) and point setup (PVPOINT).
**
** The tables are committed; run this again after changing the lists:
**     g++ -std=c++20 -I. resources/projects/mkprojects.cpp <build>/data/dbf/libpvdbf.a -o /tmp/mkprojects
**     (cd resources/projects && /tmp/mkprojects)
** Semi-axes are the published values in meters; numbers are written as the
** shortest text that reads back as the same double.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/dbf/dbf.h"

namespace {

/* Field widths. */
constexpr int NAME_WIDTH = 32;     /* ellipsoid and coordinate-system names */
constexpr int SETUP_WIDTH = 20;    /* registry and column names */
constexpr int DOUBLE_WIDTH = 20;   /* N(20,0): a DOUBLE PRECISION column */
constexpr int INT_WIDTH = 11;      /* N(11,0): an INTEGER column */
constexpr int NUMBER_TEXT = 32;    /* room for a number's text */

/* One column of a table to write. */
struct mk_column {
    const char *name;   /* field name */
    char type;          /* 'C' or 'N' */
    int width;          /* field width */
};

/* Most decimals tried in fixed notation before falling back to an
** exponent. */
constexpr int FIXED_DECIMALS_MAX = 15;

/* The shortest fixed-point text of a double that reads back as the same
** value (an exponent only when none does). */
std::string mk_number(double v)
{
    char buf[NUMBER_TEXT];
    for (int decimals = 0; decimals <= FIXED_DECIMALS_MAX; ++decimals) {
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
        if (std::strtod(buf, nullptr) == v) return buf;
    }
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

/* Writes table dir/name with the columns and rows (texts in column order;
** numbers right-aligned, texts left-aligned). Exits on failure. */
void mk_table(const char *dir, const char *name, const std::vector<mk_column> &cols,
              const std::vector<std::vector<std::string>> &rows)
{
    dbf_handle *h = dbf_new();
    if (!h) std::exit(1);
    std::snprintf(h->path, sizeof h->path, "%s/%s", dir, name);
    h->mode = DBF_MODE_UPDATE;
    h->header.version = DBF_VERSION_PLAIN;
    h->field_count = (int)cols.size();
    h->fields = (dbf_field *)std::calloc(cols.size(), sizeof(dbf_field));
    for (size_t i = 0; i < cols.size(); ++i) {
        std::snprintf(h->fields[i].name, DBF_NAME_SIZE, "%s", cols[i].name);
        h->fields[i].type = cols[i].type;
        h->fields[i].length = (unsigned char)cols[i].width;
    }
    if (dbf_create(h) != DBF_OK) {
        std::fprintf(stderr, "mkprojects: cannot create %s/%s\n", dir, name);
        std::exit(1);
    }
    for (const auto &row : rows) {
        for (size_t i = 0; i < cols.size(); ++i) {
            char *f = dbf_field_at(h, (int)i);
            const std::string &t = i < row.size() ? row[i] : std::string();
            int w = cols[i].width;
            if ((int)t.size() > w) {
                std::fprintf(stderr, "mkprojects: %s too long for %s\n", t.c_str(), cols[i].name);
                std::exit(1);
            }
            std::memset(f, ' ', (size_t)w);
            if (cols[i].type == 'N') std::memcpy(f + w - t.size(), t.data(), t.size());
            else std::memcpy(f, t.data(), t.size());
        }
        h->record[0] = DBF_BLANK;
        if (dbf_write_record(h, (long)h->header.record_count) != DBF_OK) {
            std::fprintf(stderr, "mkprojects: cannot write %s/%s\n", dir, name);
            std::exit(1);
        }
    }
    if (dbf_close(h) != DBF_OK) std::exit(1);
    dbf_free(h);
}

/* One ellipsoid: name and semi-axes in meters. */
struct mk_ellipsoid {
    const char *name;
    double a_m;   /* major semi-axis */
    double b_m;   /* minor semi-axis */
};

const mk_ellipsoid k_ellipsoids[] = {
    {"Airy 1830", 6377563.396, 6356256.909},
    {"Modified Airy", 6377340.189, 6356034.446},
    {"Australian National", 6378160.0, 6356774.719},
    {"Bessel 1841", 6377397.155, 6356078.963},
    {"Clarke 1866", 6378206.4, 6356583.8},
    {"Clarke 1880", 6378249.145, 6356514.870},
    {"Everest 1830", 6377276.345, 6356075.413},
    {"GRS 1967", 6378160.0, 6356774.516},
    {"GRS 1980", 6378137.0, 6356752.314},
    {"Helmert 1906", 6378200.0, 6356818.17},
    {"International 1924", 6378388.0, 6356911.946},
    {"Krassovsky 1940", 6378245.0, 6356863.019},
    {"WGS 72", 6378135.0, 6356750.520},
    {"WGS 84", 6378137.0, 6356752.314245},
};

/* One coordinate system, in the columns of PVPROJ. */
struct mk_projection {
    const char *name;
    const char *datum;
    const char *units;
    const char *type;
    int zone;
    double scale;
    double origin_lon_deg, origin_lat_deg;
    double false_east, false_north;   /* in the system's units */
    double parallel1_deg, parallel2_deg;
};

const mk_projection k_projections[] = {
    {"UTM 10 NAD27", "Clarke 1866", "meters", "UTM", 10, 0.9996, -123, 0, 500000, 0, 0, 0},
    {"UTM 11 NAD27", "Clarke 1866", "meters", "UTM", 11, 0.9996, -117, 0, 500000, 0, 0, 0},
    {"UTM 17 NAD83", "GRS 1980", "meters", "UTM", 17, 0.9996, -81, 0, 500000, 0, 0, 0},
    {"UTM 31 WGS84", "WGS 84", "meters", "UTM", 31, 0.9996, 3, 0, 500000, 0, 0, 0},
    {"UTM 32 ED50", "International 1924", "meters", "UTM", 32, 0.9996, 9, 0, 500000, 0, 0, 0},
    {"British National Grid", "Airy 1830", "meters", "TM", 0, 0.9996012717, -2, 49, 400000, -100000, 0, 0},
    {"Lambert 93", "GRS 1980", "meters", "LAMBERT", 0, 1.0, 3, 46.5, 700000, 6600000, 44, 49},
    {"Statistics Canada Lambert", "GRS 1980", "meters", "LAMBERT", 0, 1.0, -91.866666666666667, 63.390675,
     6200000, 3000000, 49, 77},
};

/* Writes the built-in project of ellipsoids and coordinate systems. */
void mk_projections(const char *dir)
{
    std::vector<std::vector<std::string>> rows;
    for (const mk_ellipsoid &e : k_ellipsoids) rows.push_back({e.name, mk_number(e.a_m), mk_number(e.b_m)});
    mk_table(dir, "PVDATUM",
             {{"DATUMNAME", 'C', NAME_WIDTH}, {"MAJORAXISA", 'N', DOUBLE_WIDTH}, {"MINORAXISB", 'N', DOUBLE_WIDTH}},
             rows);
    rows.clear();
    for (const mk_projection &p : k_projections)
        rows.push_back({p.name, p.datum, p.units, p.type, std::to_string(p.zone), mk_number(p.scale),
                        mk_number(p.origin_lon_deg), mk_number(p.origin_lat_deg), mk_number(p.false_east),
                        mk_number(p.false_north), mk_number(p.parallel1_deg), mk_number(p.parallel2_deg)});
    mk_table(dir, "PVPROJ",
             {{"PROJNAME", 'C', NAME_WIDTH},     {"DATUMNAME", 'C', NAME_WIDTH},   {"UNITS", 'C', NAME_WIDTH},
              {"PROJTYPE", 'C', NAME_WIDTH},     {"UTMZONE", 'N', INT_WIDTH},      {"SCALE", 'N', DOUBLE_WIDTH},
              {"ORIGINLONG", 'N', DOUBLE_WIDTH}, {"ORIGINLAT", 'N', DOUBLE_WIDTH}, {"FALSEEAST", 'N', DOUBLE_WIDTH},
              {"FALSENORTH", 'N', DOUBLE_WIDTH}, {"PARALLEL1", 'N', DOUBLE_WIDTH}, {"PARALLEL2", 'N', DOUBLE_WIDTH}},
             rows);
}

/* One field station of the sample project. */
struct mk_station {
    int number;
    const char *name;
    double easting_m, northing_m, elevation_m;   /* UTM zone 10, NAD27 */
    const char *rock;
};

const mk_station k_stations[] = {
    {1, "Cache Creek 1", 615230.5, 5620410.0, 455.2, "Limestone"},
    {2, "Cache Creek 2", 615980.0, 5621120.8, 478.0, "Chert"},
    {3, "Bonaparte", 617402.3, 5623055.1, 512.7, "Basalt"},
    {4, "Hat Creek", 603115.9, 5615480.4, 890.1, "Sandstone"},
    {5, "Marble Canyon", 596740.2, 5629910.6, 702.4, "Marble"},
};

/* Writes the sample project: its station table and setup tables. */
void mk_sample(const char *dir)
{
    std::vector<std::vector<std::string>> rows;
    for (const mk_station &s : k_stations)
        rows.push_back({std::to_string(s.number), std::to_string(s.number), s.name, mk_number(s.easting_m),
                        mk_number(s.northing_m), mk_number(s.elevation_m), s.rock});
    mk_table(dir, "STATN",
             {{"BASENUMBER", 'N', INT_WIDTH}, {"STN", 'N', INT_WIDTH}, {"NAME", 'C', SETUP_WIDTH},
              {"EASTING", 'N', DOUBLE_WIDTH}, {"NORTHING", 'N', DOUBLE_WIDTH}, {"ELEV", 'N', DOUBLE_WIDTH},
              {"ROCKTYPE", 'C', SETUP_WIDTH}},
             rows);
    /* The registry: STATN is a station table numbered by BASENUMBER, its
    ** station slot filled by STN. */
    const char *registry[] = {"TABLENAME", "TABLETYPE", "BASENUMBER", "ANALYSIS", "SAMPLE",  "COMPOSE", "ROCK",
                              "GENESIS",   "SEGMENT",   "STATION",    "OUTCROP",  "TRAVERSE", "BOUNDARY", "UNIT",
                              "LEGEND",    "REFERENCE", "DICTION",    "OTHER",    "GROUPING", "PNT",     "POINT"};
    std::vector<mk_column> cols;
    for (const char *c : registry) cols.push_back({c, 'C', SETUP_WIDTH});
    std::vector<std::string> row(cols.size());
    row[0] = "STATN";
    row[1] = "STATION";
    row[2] = "BASENUMBER";
    row[9] = "STN";
    mk_table(dir, "PVTABLE", cols, {row});
    mk_table(dir, "PVPOINT",
             {{"TABLENAME", 'C', SETUP_WIDTH}, {"XCOLUMN", 'C', SETUP_WIDTH}, {"YCOLUMN", 'C', SETUP_WIDTH},
              {"ZCOLUMN", 'C', SETUP_WIDTH}, {"SYMCOLUMN", 'C', SETUP_WIDTH}, {"PROJECTION", 'C', NAME_WIDTH}},
             {{"STATN", "EASTING", "NORTHING", "ELEV", "", "UTM 10 NAD27"}});
}

}  // namespace

int main()
{
    mk_projections("Projections");
    mk_sample("GEO");
    return 0;
}
