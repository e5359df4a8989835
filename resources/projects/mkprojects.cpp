/*
** mkprojects.cpp: writes the shipped DB3 projects as dBASE tables:
** "Projections", the built-in ellipsoids (PVDATUM) and coordinate systems
** (PVPROJ) every user gets, "GEO", a small sample project of field
** stations with its table registry (PVTABLE) and point setup (PVPOINT),
** and "RIDGE", a mineral property with structural measurements, rock
** geochemistry, drill-hole surveys and map units with their legend
** dictionaries and column rules (PVCOLUMN).
**
** The tables are committed; run this again after changing the lists (the
** build makes it as tests/mkprojects, and a test fails while the committed
** tables differ from what it writes):
**     cmake --build build --target mkprojects
**     (cd resources/projects && ../../build/tests/mkprojects)
** Semi-axes are the published values in meters; numbers are written as the
** shortest text that reads back as the same double.
*/
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "dbf/dbf.h"

namespace {

/* Field widths. */
constexpr int NAME_WIDTH = 32;     /* ellipsoid and coordinate-system names */
constexpr int SETUP_WIDTH = 20;    /* registry and column names */
constexpr int DOUBLE_WIDTH = 20;   /* N(20,6): a DOUBLE PRECISION column, declared as the */
constexpr int DOUBLE_DECIMALS = 6; /* DB3 driver declares it, so that other readers keep fractions */
constexpr int INT_WIDTH = 11;      /* N(11,0): an INTEGER column */
constexpr int NUMBER_TEXT = 32;    /* room for a number's text */

/* One column of a table to write. */
struct mk_column {
    const char *name;   /* field name */
    char type;          /* 'C' or 'N' */
    int width;          /* field width */
    int decimals = 0;   /* decimals of an N field: its numbers are written with as many */
    bool shortest = false; /* numbers written as their shortest text whatever the decimals */
};

/* A DOUBLE PRECISION column. */
mk_column mk_double(const char *name)
{
    return {name, 'N', DOUBLE_WIDTH, DOUBLE_DECIMALS, true};
}

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
        h->fields[i].decimals = (unsigned char)cols[i].decimals;
    }
    if (dbf_create(h) != DBF_OK) {
        std::fprintf(stderr, "mkprojects: cannot create %s/%s\n", dir, name);
        std::exit(1);
    }
    for (const auto &row : rows) {
        for (size_t i = 0; i < cols.size(); ++i) {
            char *f = dbf_field_at(h, (int)i);
            std::string t = i < row.size() ? row[i] : std::string();
            if (cols[i].decimals > 0 && !cols[i].shortest && !t.empty()) {
                char fixed[NUMBER_TEXT];
                std::snprintf(fixed, sizeof fixed, "%.*f", cols[i].decimals, std::strtod(t.c_str(), nullptr));
                t = fixed;
            }
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
             {{"DATUMNAME", 'C', NAME_WIDTH}, mk_double("MAJORAXISA"), mk_double("MINORAXISB")},
             rows);
    rows.clear();
    for (const mk_projection &p : k_projections)
        rows.push_back({p.name, p.datum, p.units, p.type, std::to_string(p.zone), mk_number(p.scale),
                        mk_number(p.origin_lon_deg), mk_number(p.origin_lat_deg), mk_number(p.false_east),
                        mk_number(p.false_north), mk_number(p.parallel1_deg), mk_number(p.parallel2_deg)});
    mk_table(dir, "PVPROJ",
             {{"PROJNAME", 'C', NAME_WIDTH},     {"DATUMNAME", 'C', NAME_WIDTH},   {"UNITS", 'C', NAME_WIDTH},
              {"PROJTYPE", 'C', NAME_WIDTH},     {"UTMZONE", 'N', INT_WIDTH},      mk_double("SCALE"),
              mk_double("ORIGINLONG"), mk_double("ORIGINLAT"), mk_double("FALSEEAST"),
              mk_double("FALSENORTH"), mk_double("PARALLEL1"), mk_double("PARALLEL2")},
             rows);
}

/* The registry's columns, in PVTABLE's order. */
const char *const k_registry_columns[] = {
    "TABLENAME", "TABLETYPE", "BASENUMBER", "ANALYSIS", "SAMPLE",    "COMPOSE", "ROCK",
    "GENESIS",   "SEGMENT",   "STATION",    "OUTCROP",  "TRAVERSE",  "BOUNDARY", "UNIT",
    "LEGEND",    "REFERENCE", "DICTION",    "OTHER",    "GROUPING",  "PNT",     "POINT"};
constexpr size_t REGISTRY_COLUMN_COUNT = sizeof k_registry_columns / sizeof k_registry_columns[0];

/* One registered table: name, kind and its key columns by registry column. */
struct mk_registered {
    const char *name;
    const char *kind;
    std::vector<std::pair<const char *, const char *>> keys;   /* registry column, table column */
};

/* Writes PVTABLE with one row per registered table. */
void mk_registry(const char *dir, const std::vector<mk_registered> &tables)
{
    std::vector<mk_column> cols;
    for (const char *c : k_registry_columns) cols.push_back({c, 'C', SETUP_WIDTH});
    std::vector<std::vector<std::string>> rows;
    for (const mk_registered &t : tables) {
        std::vector<std::string> row(REGISTRY_COLUMN_COUNT);
        row[0] = t.name;
        row[1] = t.kind;
        for (const auto &[slot, column] : t.keys)
            for (size_t i = 0; i < REGISTRY_COLUMN_COUNT; ++i)
                if (std::strcmp(k_registry_columns[i], slot) == 0) row[i] = column;
        rows.push_back(row);
    }
    mk_table(dir, "PVTABLE", cols, rows);
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

/* Writes a station table STATN: each station's row numbered by its number,
** its station number base above that. */
void mk_stations(const char *dir, const mk_station *stations, size_t count, int base)
{
    std::vector<std::vector<std::string>> rows;
    for (const mk_station *s = stations; s < stations + count; ++s)
        rows.push_back({std::to_string(s->number), std::to_string(base + s->number), s->name,
                        mk_number(s->easting_m), mk_number(s->northing_m), mk_number(s->elevation_m), s->rock});
    mk_table(dir, "STATN",
             {{"BASENUMBER", 'N', INT_WIDTH}, {"STN", 'N', INT_WIDTH}, {"NAME", 'C', SETUP_WIDTH},
              mk_double("EASTING"), mk_double("NORTHING"), mk_double("ELEV"),
              {"ROCKTYPE", 'C', SETUP_WIDTH}},
             rows);
}

/* Writes the sample project: its station table and setup tables. */
void mk_sample(const char *dir)
{
    mk_stations(dir, k_stations, sizeof k_stations / sizeof k_stations[0], 0);
    /* The registry: STATN is a station table numbered by BASENUMBER, its
    ** station slot filled by STN. */
    mk_registry(dir, {{"STATN", "STATION", {{"BASENUMBER", "BASENUMBER"}, {"STATION", "STN"}}}});
    mk_table(dir, "PVPOINT",
             {{"TABLENAME", 'C', SETUP_WIDTH}, {"XCOLUMN", 'C', SETUP_WIDTH}, {"YCOLUMN", 'C', SETUP_WIDTH},
              {"ZCOLUMN", 'C', SETUP_WIDTH}, {"SYMCOLUMN", 'C', SETUP_WIDTH}, {"PROJECTION", 'C', NAME_WIDTH}},
             {{"STATN", "EASTING", "NORTHING", "ELEV", "", "UTM 10 NAD27"}});
}

/* ---- RIDGE: a mineral property ---- */

/* A number's text, blank for a missing value (NaN). */
std::string mk_optional(double v) { return v == v ? mk_number(v) : std::string(); }

/* Stands for a measurement not taken. */
const double NONE = std::nan("");

/* Field widths of the property's tables. */
constexpr int COORD_WIDTH = 12;    /* N(12,2): UTM metres to the centimetre */
constexpr int VALUE_WIDTH = 8;     /* N(8,2): angles, lengths, percentages, ppm */
constexpr int VALUE_DECIMALS = 2;
constexpr int SHORT_TEXT = 8;      /* hole, sample, age and legend codes */
constexpr int WORD_WIDTH = 16;     /* rock names, structure kinds */
constexpr int DIX_NAME_WIDTH = 32; /* a dictionary item's names */
constexpr int DEFINITION_WIDTH = 70;

/* The property's stations are numbered from 101, apart from the
** regional stations of GEO that they join when the projects are merged. */
constexpr int RIDGE_STATION_BASE = 100;

/* One field station of the property (UTM zone 10, NAD27); its station
** number is RIDGE_STATION_BASE above its row number. */
const mk_station k_ridge_stations[] = {
    {1, "Ridge Camp", 618420.0, 5624310.0, 1105.0, "Granodiorite"},
    {2, "South Cut", 619350.5, 5624580.2, 1142.6, "Andesite"},
    {3, "Knob 1188", 618610.8, 5625720.4, 1188.0, "Till"},
    {4, "East Ridge", 619705.3, 5625390.9, 1210.7, "Granodiorite"},
    {5, "Contact Pit", 618940.2, 5624960.1, 1131.4, "Granodiorite"},
    {6, "Saddle Creek", 619480.0, 5624210.5, 1098.3, "Andesite"},
};

/* One structural measurement: a plane (strike by the right-hand rule, dip)
** and, where one was seen on it, a lineation (trend, plunge). */
struct mk_structure {
    int number, station;
    double easting_m, northing_m;
    const char *feature;
    double strike_deg, dip_deg, trend_deg, plunge_deg;
};

/* A station's second measurement was taken some 20 m off its first, so
** that on RIDGE's map (symbols 60 m long) the two symbols stand apart. */
const mk_structure k_structures[] = {
    {1, 101, 618425.0, 5624318.0, "foliation", 322, 58, 12, 41},
    {2, 101, 618444.0, 5624280.8, "joint", 48, 82, NONE, NONE},
    {3, 105, 618944.0, 5624966.5, "foliation", 315, 62, 5, 45},
    {4, 105, 618919.5, 5624941.0, "vein", 75, 71, NONE, NONE},
    {5, 102, 619356.0, 5624585.0, "bedding", 298, 34, 340, 22},
    {6, 106, 619486.2, 5624215.0, "bedding", 305, 29, 352, 18},
    {7, 104, 619710.0, 5625396.4, "foliation", 328, 55, 18, 38},
    {8, 104, 619674.7, 5625384.0, "joint", 52, 86, NONE, NONE},
    {9, 102, 619322.4, 5624562.3, "fault", 12, 74, 95, 70},
    {10, 106, 619457.2, 5624215.2, "joint", 140, 80, NONE, NONE},
};

/* One rock sample: major oxides in weight percent, metals in ppm. */
struct mk_sample_rec {
    int number;
    const char *sample;
    int station;
    double easting_m, northing_m;
    const char *rock;
    double sio2, tio2, al2o3, feo, mgo, cao, na2o, k2o;
    double cu_ppm, zn_ppm, pb_ppm;
};

/* Samples were taken 20 to 45 m from their station's measurements, so
** that their pies (30 m across) cover no strike symbol nor each other. */
const mk_sample_rec k_samples[] = {
    {1, "R-101", 101, 618398.2, 5624315.5, "granodiorite", 66.1, 0.52, 15.6, 3.9, 1.6, 3.9, 3.8, 3.0, 420, 55, 18},
    {2, "R-102", 105, 618977.1, 5624978.0, "granodiorite", 64.8, 0.58, 15.9, 4.3, 1.9, 4.2, 3.7, 2.8, 1850, 72, 25},
    {3, "R-103", 105, 618906.0, 5624970.2, "quartz diorite", 61.2, 0.71, 16.4, 5.6, 2.7, 5.5, 3.5, 2.1, 2630, 88, 31},
    {4, "R-104", 104, 619702.0, 5625358.0, "granodiorite", 67.4, 0.47, 15.2, 3.5, 1.3, 3.4, 3.9, 3.3, 210, 48, 16},
    {5, "R-105", 102, 619367.2, 5624551.6, "andesite", 58.3, 0.86, 17.1, 6.8, 3.4, 6.6, 3.6, 1.6, 95, 110, 42},
    {6, "R-106", 106, 619482.4, 5624247.0, "andesite", 56.9, 0.92, 17.3, 7.4, 3.9, 7.1, 3.4, 1.3, 130, 135, 64},
    {7, "R-107", 102, 619384.9, 5624605.3, "basaltic andesite", 53.6, 1.05, 17.0, 8.6, 5.1, 8.4, 3.1, 0.9, 160, 98, 12},
};

/* One survey row of a drill hole: from the collar, consecutive rows of a
** hole follow its trace (azimuth from north, dip down from horizontal,
** length along the hole). The station is the one the hole was drilled
** from, numbered as in every station table of the property. */
struct mk_survey {
    int number;
    const char *hole;
    double easting_m, northing_m;   /* the collar */
    double azimuth_deg, dip_deg, length_m;
    int station;
};

const mk_survey k_surveys[] = {
    {1, "RD-01", 618950.0, 5624900.0, 45, 60, 50, 105},  {2, "RD-01", 618950.0, 5624900.0, 47, 58, 50, 105},
    {3, "RD-01", 618950.0, 5624900.0, 50, 55, 60, 105},  {4, "RD-02", 619120.0, 5624650.0, 225, 65, 75, 102},
    {5, "RD-02", 619120.0, 5624650.0, 228, 62, 75, 102}, {6, "RD-03", 618700.0, 5624500.0, 0, 90, 120, 101},
};

/* One map unit: its number is the polygon's in the property's coverage;
** EASTING and NORTHING are its label point; the hatch pattern and colour
** of its legend item, which the unit number's setup takes. */
struct mk_unit {
    int number, unit;
    const char *age, *legend, *rock;
    double easting_m, northing_m;
    const char *pattern;
    int colour;
};

const mk_unit k_units[] = {
    {1, 2, "K", "Kgd", "granodiorite", 618500, 5624500, "GRANITE", 1},
    {2, 3, "T", "Tv", "andesite", 619500, 5624500, "BASALT", 3},
    {3, 4, "Q", "Qt", "till", 618500, 5625500, "CONGLOMERATE", 2},
    {4, 5, "K", "Kgd", "granodiorite", 619500, 5625500, "GRANITE", 1},
};

/* One arc of the coverage as the mapper recorded it: its polygons on the
** left and right and the kind of contact seen in the field. */
struct mk_arc {
    int number, left, right;
    const char *contact;
};

const mk_arc k_arcs[] = {
    {1, 2, 3, "INTRUSIONS"}, {2, 4, 5, "FAULTS"}, {3, 4, 2, "CONFORMABLE"}, {4, 5, 3, "UNCONFORMABLE"},
    {5, 1, 2, "BORDER"},     {6, 1, 3, "BORDER"}, {7, 1, 4, "BORDER"},      {8, 1, 5, "BORDER"},
};

/* Vertices of every arc of the coverage (two inside, three on the border). */
constexpr int ARC_INSIDE_VERTICES = 2;
constexpr int ARC_BORDER_VERTICES = 3;
constexpr int ARC_FIRST_BORDER = 5;

/* Letters of a dictionary name packed into a profile's header row, six
** bits each: A-Z 28.., a-z 28.., 0-9 12..; others are left out. */
int mk_name_code(char ch)
{
    if (ch >= 'A' && ch <= 'Z') return ch - '@' + 27;
    if (ch >= 'a' && ch <= 'z') return ch - 'a' + 28;
    if (ch >= '0' && ch <= '9') return ch - '0' + 12;
    return 0;
}

/* Most letters of a dictionary name packed into a profile header. */
constexpr int PACKED_LETTERS = 5;
constexpr int LETTER_BITS = 6;
constexpr int PARENT_MASK = 0xFFFF;

/* A profile header's PARENTNUM and WINDOW naming its dictionary. */
std::pair<long, long> mk_pack(const char *name)
{
    int c[PACKED_LETTERS] = {0, 0, 0, 0, 0};
    int n = 0;
    for (const char *p = name; *p && n < PACKED_LETTERS; ++p)
        if (int code = mk_name_code(*p)) c[n++] = code;
    long parent = (c[0] + (c[1] << LETTER_BITS) + (c[2] << (2 * LETTER_BITS))) & PARENT_MASK;
    long window = ((c[2] >> 4) & 3) + (c[3] << 2) + (c[4] << 8);
    return {parent, window};
}

/* A dictionary table: its header row (number 0, its own name), then the
** items numbered from 1; extra_column, when given, gets extra[i] per item. */
void mk_dictionary(const char *dir, const char *name, const std::vector<std::string> &items,
                   const char *extra_column = nullptr, const std::vector<std::string> &extra = {})
{
    std::vector<mk_column> cols = {{"BASENUMBER", 'N', INT_WIDTH},
                                   {"LONGNAME", 'C', DIX_NAME_WIDTH},
                                   {"SHORTNAME", 'C', DIX_NAME_WIDTH},
                                   {"DEFINITION", 'C', DEFINITION_WIDTH}};
    if (extra_column) cols.push_back({extra_column, 'C', DIX_NAME_WIDTH});
    std::vector<std::vector<std::string>> rows = {{"0", name, "", "", ""}};
    for (size_t i = 0; i < items.size(); ++i)
        rows.push_back({std::to_string(i + 1), items[i], "", "", i < extra.size() ? extra[i] : ""});
    mk_table(dir, name, cols, rows);
}

/* A profile over a dictionary: its header row, then (item, parent) in the
** tree's order. */
void mk_profile(const char *dir, const char *name, const char *dictionary,
                const std::vector<std::pair<int, int>> &items)
{
    auto [parent, window] = mk_pack(dictionary);
    std::vector<std::vector<std::string>> rows = {{"0", "0", std::to_string(parent), std::to_string(window)}};
    for (size_t i = 0; i < items.size(); ++i)
        rows.push_back({std::to_string(i + 1), std::to_string(items[i].first), std::to_string(items[i].second), "0"});
    mk_table(dir, name,
             {{"SORTNUMBER", 'N', INT_WIDTH}, {"BASENUMBER", 'N', INT_WIDTH}, {"PARENTNUM", 'N', INT_WIDTH},
              {"WINDOW", 'N', INT_WIDTH}},
             rows);
}

/* Writes the property's field tables. */
void mk_ridge_tables(const char *dir)
{
    mk_stations(dir, k_ridge_stations, sizeof k_ridge_stations / sizeof k_ridge_stations[0], RIDGE_STATION_BASE);
    std::vector<std::vector<std::string>> rows;
    for (const mk_structure &s : k_structures)
        rows.push_back({std::to_string(s.number), std::to_string(s.station), mk_number(s.easting_m),
                        mk_number(s.northing_m), s.feature, mk_number(s.strike_deg), mk_number(s.dip_deg),
                        mk_optional(s.trend_deg), mk_optional(s.plunge_deg)});
    mk_table(dir, "STRUC",
             {{"BASENUMBER", 'N', INT_WIDTH}, {"STN", 'N', INT_WIDTH}, {"EASTING", 'N', COORD_WIDTH, VALUE_DECIMALS},
              {"NORTHING", 'N', COORD_WIDTH, VALUE_DECIMALS}, {"FEATURE", 'C', WORD_WIDTH}, {"STRIKE", 'N', VALUE_WIDTH, VALUE_DECIMALS},
              {"DIP", 'N', VALUE_WIDTH, VALUE_DECIMALS}, {"TREND", 'N', VALUE_WIDTH, VALUE_DECIMALS}, {"PLUNGE", 'N', VALUE_WIDTH, VALUE_DECIMALS}},
             rows);
    rows.clear();
    for (const mk_sample_rec &s : k_samples)
        rows.push_back({std::to_string(s.number), s.sample, std::to_string(s.station), mk_number(s.easting_m),
                        mk_number(s.northing_m), s.rock, mk_number(s.sio2), mk_number(s.tio2), mk_number(s.al2o3),
                        mk_number(s.feo), mk_number(s.mgo), mk_number(s.cao), mk_number(s.na2o), mk_number(s.k2o),
                        mk_number(s.cu_ppm), mk_number(s.zn_ppm), mk_number(s.pb_ppm)});
    mk_table(dir, "GEOCH",
             {{"BASENUMBER", 'N', INT_WIDTH}, {"SAMPLE", 'C', SHORT_TEXT},  {"STN", 'N', INT_WIDTH},
              {"EASTING", 'N', COORD_WIDTH, VALUE_DECIMALS}, {"NORTHING", 'N', COORD_WIDTH, VALUE_DECIMALS}, {"ROCK", 'C', WORD_WIDTH + 4},
              {"SIO2", 'N', VALUE_WIDTH, VALUE_DECIMALS},    {"TIO2", 'N', VALUE_WIDTH, VALUE_DECIMALS},    {"AL2O3", 'N', VALUE_WIDTH, VALUE_DECIMALS},
              {"FEO", 'N', VALUE_WIDTH, VALUE_DECIMALS},     {"MGO", 'N', VALUE_WIDTH, VALUE_DECIMALS},     {"CAO", 'N', VALUE_WIDTH, VALUE_DECIMALS},
              {"NA2O", 'N', VALUE_WIDTH, VALUE_DECIMALS},    {"K2O", 'N', VALUE_WIDTH, VALUE_DECIMALS},     {"CU", 'N', VALUE_WIDTH, VALUE_DECIMALS},
              {"ZN", 'N', VALUE_WIDTH, VALUE_DECIMALS},      {"PB", 'N', VALUE_WIDTH, VALUE_DECIMALS}},
             rows);
    rows.clear();
    for (const mk_survey &s : k_surveys)
        rows.push_back({std::to_string(s.number), s.hole, mk_number(s.easting_m), mk_number(s.northing_m),
                        mk_number(s.azimuth_deg), mk_number(s.dip_deg), mk_number(s.length_m),
                        std::to_string(s.station)});
    mk_table(dir, "DDH",
             {{"BASENUMBER", 'N', INT_WIDTH}, {"HOLE", 'C', SHORT_TEXT}, {"EASTING", 'N', COORD_WIDTH, VALUE_DECIMALS},
              {"NORTHING", 'N', COORD_WIDTH, VALUE_DECIMALS}, {"AZIM", 'N', VALUE_WIDTH, VALUE_DECIMALS}, {"DIP", 'N', VALUE_WIDTH, VALUE_DECIMALS},
              {"LEN", 'N', VALUE_WIDTH, VALUE_DECIMALS}, {"STN", 'N', INT_WIDTH}},
             rows);
    rows.clear();
    for (const mk_unit &u : k_units)
        rows.push_back({std::to_string(u.number), std::to_string(u.unit), u.age, u.legend, u.rock,
                        mk_number(u.easting_m), mk_number(u.northing_m), u.pattern, std::to_string(u.colour)});
    mk_table(dir, "UNIT",
             {{"BASENUMBER", 'N', INT_WIDTH}, {"UNITNO", 'N', INT_WIDTH}, {"AGE", 'C', SHORT_TEXT},
              {"LEGEND", 'C', SHORT_TEXT}, {"ROCK", 'C', WORD_WIDTH}, {"EASTING", 'N', COORD_WIDTH, VALUE_DECIMALS},
              {"NORTHING", 'N', COORD_WIDTH, VALUE_DECIMALS}, {"PATTERN", 'C', WORD_WIDTH}, {"COLOUR", 'N', INT_WIDTH}},
             rows);
    rows.clear();
    for (const mk_arc &a : k_arcs) {
        int vertices = a.number >= ARC_FIRST_BORDER ? ARC_BORDER_VERTICES : ARC_INSIDE_VERTICES;
        rows.push_back({std::to_string(a.number), "0", std::to_string(a.number), "0", "0", std::to_string(a.left),
                        std::to_string(a.right), std::to_string(vertices), std::to_string(a.number), a.contact});
    }
    mk_table(dir, "ARCS",
             {{"ARC_NUM", 'N', INT_WIDTH}, {"REC_SIZE", 'N', INT_WIDTH}, {"ARC_ID", 'N', INT_WIDTH},
              {"FROM_NODE", 'N', INT_WIDTH}, {"TO_NODE", 'N', INT_WIDTH}, {"LEFT_POLY", 'N', INT_WIDTH},
              {"RIGHT_POLY", 'N', INT_WIDTH}, {"NUM_VERTEX", 'N', INT_WIDTH}, {"ARC_UNIQUE", 'N', INT_WIDTH},
              {"ARC_TYPE", 'C', DIX_NAME_WIDTH}},
             rows);
}

/* Writes the property's legend: the age classes ordered young under old,
** the rock types under their classes, the map legend under its ages with
** each legend item's rock type, and the kinds of contact. */
void mk_ridge_legend(const char *dir)
{
    mk_dictionary(dir, "AGES", {"K", "T", "Q"});
    mk_profile(dir, "AGEP", "AGES", {{1, 0}, {2, 1}, {3, 2}});
    mk_dictionary(dir, "ROCKS", {"sedimentary", "till", "volcanic", "andesite", "plutonic", "granodiorite"});
    mk_profile(dir, "ROCKP", "ROCKS", {{1, 0}, {2, 1}, {3, 0}, {4, 3}, {5, 0}, {6, 5}});
    mk_dictionary(dir, "LEGND", {"K", "T", "Q", "Kgd", "Tv", "Qt"}, "ROCKT",
                  {"", "", "", "granodiorite", "andesite", "till"});
    mk_profile(dir, "LEGP", "LEGND", {{1, 0}, {4, 1}, {2, 0}, {5, 2}, {3, 0}, {6, 3}});
    mk_dictionary(dir, "ATYPE",
                  {"BORDER", "SHORELINE", "FAULTS", "INTRUSIONS", "UNCONFORMABLE", "CONFORMABLE", "BASEMENT"});
}

/* One symbol setup of the property, in the columns of PVSYMBOL: of a
** table column (kind 2) or of a diagram (kind 6). */
struct mk_symbol {
    int owner_kind;
    const char *item, *table, *column;   /* the diagram, or the column */
    int flags;                            /* 1 text, 2 symbol, 4 fill, 8 solid fill */
    const char *symbol, *library;
    int shape_number;
    const char *pattern, *layer;
    int colour;
    double scale;
    const char *pattern_from, *colour_from;   /* associated columns */
};

/* Owner kinds of a setup. */
constexpr int SYM_OF_COLUMN = 2;
constexpr int SYM_OF_NOTHING = 6;

/* The property's map setups: each map unit is hatched with the pattern and
** colour its row names, at a scale that spaces the pattern some 50 m apart
** on the map; the pies fill each metal in a colour of its own; the
** stereonets mark poles and lineations with the OUTCROP shape at a size
** that shows on a net 400 m across. */
const mk_symbol k_ridge_symbols[] = {
    {SYM_OF_COLUMN, "", "UNIT", "UNITNO", 4, "", "", 0, "", "UNITS", 0, 250, "PATTERN", "COLOUR"},
    {SYM_OF_COLUMN, "", "GEOCH", "CU", 8, "", "", 0, "", "PIE_DIAGRAM", 1, 0, "", ""},
    {SYM_OF_COLUMN, "", "GEOCH", "ZN", 8, "", "", 0, "", "PIE_DIAGRAM", 5, 0, "", ""},
    {SYM_OF_COLUMN, "", "GEOCH", "PB", 8, "", "", 0, "", "PIE_DIAGRAM", 3, 0, "", ""},
    {SYM_OF_NOTHING, "STEREONET", "", "", 2, "OUTCROP", "PVSTRUCT", 7, "", "STEREONET", 0, 0.05, "", ""},
};

/* Writes PVSYMBOL with the property's setups. */
void mk_symbols(const char *dir)
{
    std::vector<std::vector<std::string>> rows;
    for (const mk_symbol &m : k_ridge_symbols) {
        rows.push_back({std::to_string(m.owner_kind), m.item, m.table, m.column, "", "", m.symbol, m.library, m.pattern, m.layer,
                        std::to_string(m.shape_number), "0", std::to_string(m.flags), std::to_string(m.colour),
                        mk_number(m.scale), "0", "0", "-1", "0", "0", "0", "0", "", "", "", "",
                        m.pattern_from, m.colour_from, "", "", "", ""});
    }
    mk_table(dir, "PVSYMBOL",
             {{"OWNERKIND", 'N', INT_WIDTH},     {"ITEMNAME", 'C', DIX_NAME_WIDTH}, {"TABLENAME", 'C', SETUP_WIDTH},
              {"COLUMNNAME", 'C', SETUP_WIDTH},  {"PROFILE", 'C', SETUP_WIDTH},     {"DICTIONARY", 'C', SETUP_WIDTH},
              {"SYMBOL", 'C', DIX_NAME_WIDTH},   {"LIBRARY", 'C', DIX_NAME_WIDTH},  {"PATTERN", 'C', DIX_NAME_WIDTH},
              {"LAYER", 'C', DIX_NAME_WIDTH},    {"SHAPENUM", 'N', INT_WIDTH},      {"SYMFORM", 'N', INT_WIDTH},
              {"TEXTFLAG", 'N', INT_WIDTH},      {"COLOR", 'N', INT_WIDTH},         {"SCALE", 'N', DOUBLE_WIDTH},
              {"ANGLE", 'N', DOUBLE_WIDTH},      {"LINEWIDTH", 'N', DOUBLE_WIDTH},  {"POSITION", 'N', INT_WIDTH},
              {"XOFFSET", 'N', DOUBLE_WIDTH},    {"YOFFSET", 'N', DOUBLE_WIDTH},    {"ZOFFSET", 'N', DOUBLE_WIDTH},
              {"ANGOFFSET", 'N', DOUBLE_WIDTH},  {"SYMASSOC", 'C', DIX_NAME_WIDTH}, {"LAYASSOC", 'C', DIX_NAME_WIDTH},
              {"ANGASSOC", 'C', DIX_NAME_WIDTH}, {"POSASSOC", 'C', DIX_NAME_WIDTH}, {"PATASSOC", 'C', DIX_NAME_WIDTH},
              {"CLRASSOC", 'C', DIX_NAME_WIDTH}, {"SCLASSOC", 'C', DIX_NAME_WIDTH}, {"AOFFASSOC", 'C', DIX_NAME_WIDTH},
              {"FNTASSOC", 'C', DIX_NAME_WIDTH}, {"LWDASSOC", 'C', DIX_NAME_WIDTH}},
             rows);
}

/* Writes the property's setup: registry, point setups, column rules (the
** legend columns on their dictionaries, and the columns that have a
** symbol setup) and the symbol setups. */
void mk_ridge_setup(const char *dir)
{
    mk_registry(dir, {{"STATN", "STATION", {{"BASENUMBER", "BASENUMBER"}, {"STATION", "STN"}}},
                      {"STRUC", "STATION", {{"BASENUMBER", "BASENUMBER"}, {"STATION", "STN"}}},
                      {"GEOCH", "STATION", {{"BASENUMBER", "BASENUMBER"}, {"STATION", "STN"}}},
                      {"DDH", "STATION", {{"BASENUMBER", "BASENUMBER"}, {"STATION", "STN"}}},
                      {"UNIT", "UNIT", {{"BASENUMBER", "BASENUMBER"}, {"UNIT", "UNITNO"}}},
                      {"LEGND", "DICTION", {{"BASENUMBER", "BASENUMBER"}}},
                      {"ARCS", "BOUNDARY", {{"BASENUMBER", "ARC_NUM"}, {"BOUNDARY", "ARC_UNIQUE"}}}});
    std::vector<std::vector<std::string>> points;
    for (const char *t : {"STATN", "STRUC", "GEOCH", "DDH", "UNIT"})
        points.push_back({t, "EASTING", "NORTHING", std::strcmp(t, "STATN") == 0 ? "ELEV" : "", "", "UTM 10 NAD27"});
    mk_table(dir, "PVPOINT",
             {{"TABLENAME", 'C', SETUP_WIDTH}, {"XCOLUMN", 'C', SETUP_WIDTH}, {"YCOLUMN", 'C', SETUP_WIDTH},
              {"ZCOLUMN", 'C', SETUP_WIDTH}, {"SYMCOLUMN", 'C', SETUP_WIDTH}, {"PROJECTION", 'C', NAME_WIDTH}},
             points);
    const char *rules[][4] = {{"AGE", "UNIT", "AGES", "AGEP"},      {"LEGEND", "UNIT", "LEGND", "LEGP"},
                              {"ROCK", "UNIT", "ROCKS", "ROCKP"},   {"ROCKT", "LEGND", "LEGND", "LEGP"},
                              {"ARC_TYPE", "ARCS", "ATYPE", ""},    {"UNITNO", "UNIT", "", ""},
                              {"CU", "GEOCH", "", ""},              {"ZN", "GEOCH", "", ""},
                              {"PB", "GEOCH", "", ""}};
    std::vector<std::vector<std::string>> rows;
    for (const auto &r : rules) rows.push_back({r[0], r[1], r[2], r[3], "1"});
    mk_table(dir, "PVCOLUMN",
             {{"COLUMNAME", 'C', SETUP_WIDTH}, {"TABLENAME", 'C', SETUP_WIDTH}, {"DICTIONARY", 'C', SETUP_WIDTH},
              {"PROFILE", 'C', SETUP_WIDTH}, {"FLAGS", 'N', INT_WIDTH}},
             rows);
    mk_symbols(dir);
}

}  // namespace

int main()
{
    mk_projections("Projections");
    mk_sample("GEO");
    mk_ridge_tables("RIDGE");
    mk_ridge_legend("RIDGE");
    mk_ridge_setup("RIDGE");
    return 0;
}
