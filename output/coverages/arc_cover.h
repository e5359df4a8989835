/*
** arc_cover.h: the ArcInfo binary coverage reader. A coverage is a
** directory of files (LAB, ARC, PAL, CNT and the indexes ARX, PAX, CNX),
** each under its plain name or with ".ADF" (in any case), big- or
** little-endian, single or double precision. The map-unit command, the arc
** table command and the legend checker open one, read its records by number
** from 1 to the counts it reports, and close it.
**
**   arc_cover_rec *c = arc_cover_alloc();
**   if (arc_cover_attach(c, "maps/geol") && arc_cover_read_polygon(c, 2)) ...
**   arc_cover_free(c);
**
** Nothing read from a file is trusted: every count is checked against the
** record's own length and the bytes left in the file, a short read fails
** the call, and record numbers are checked against their counts. Every
** operation answers 1 on success and 0 on failure, without a message.
*/
#ifndef PV_OUTPUT_ARC_COVER_H
#define PV_OUTPUT_ARC_COVER_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

/* Longest coverage directory path, in characters (with its separator). */
constexpr std::size_t ARC_COVER_PATH_MAX = 512;
/* Size of a file header, in bytes. */
constexpr int ARC_COVER_HEADER_SIZE = 100;
/* Offset of the header when a prefix stands before it, in bytes. */
constexpr int ARC_COVER_PREFIX_SIZE = 256;

/* File roles: the four data files, then the three indexes. */
constexpr int ARC_FILE_LAB = 0; /* label points          */
constexpr int ARC_FILE_ARC = 1; /* arcs                  */
constexpr int ARC_FILE_PAL = 2; /* polygons              */
constexpr int ARC_FILE_CNT = 3; /* centroids             */
constexpr int ARC_FILE_ARX = 4; /* arc index             */
constexpr int ARC_FILE_PAX = 5; /* polygon index         */
constexpr int ARC_FILE_CNX = 6; /* centroid index        */
constexpr int ARC_FILE_COUNT = 7;

/* Kinds of coverage. */
constexpr int ARC_KIND_NONE = -1;   /* before opening      */
constexpr int ARC_KIND_LABELS = 0;  /* label points only   */
constexpr int ARC_KIND_ARCS = 1;    /* arcs, no polygons   */
constexpr int ARC_KIND_POLYGONS = 2;

/* Precisions. */
constexpr int ARC_PREC_SINGLE = 0;
constexpr int ARC_PREC_DOUBLE = 1;

/* Name styles. */
constexpr int ARC_NAME_PLAIN = 0; /* "ARC"     */
constexpr int ARC_NAME_ADF = 1;   /* "ARC.ADF" */

/* Byte orders. */
constexpr int ARC_ORDER_LITTLE = 0;
constexpr int ARC_ORDER_BIG = 1;

/* How the values of one open file are stored. */
struct arc_file_format {
  int order = ARC_ORDER_BIG;     /* ARC_ORDER_...                                   */
  int precision = 0;             /* ARC_PREC_...                                    */
  long header_offset = 0;        /* 0 or ARC_COVER_PREFIX_SIZE                      */
  long long size = 0;            /* bytes in the file                               */
};

/* A label point record. */
struct arc_label_rec {
  int32_t label_id = 0;          /* the label's id                                  */
  int32_t polygon_id = 0;        /* the polygon it lies in                          */
  double x = 0, y = 0;           /* the point                                       */
  double x1 = 0, y1 = 0;         /* first extra point                               */
  double x2 = 0, y2 = 0;         /* second extra point                              */
};

/* The header of an arc record. */
struct arc_arc_hdr {
  int32_t number = 0;            /* arc number, equal to its record number          */
  int32_t length = 0;            /* record length in 16-bit words (after 8 bytes)   */
  int32_t user_id = 0;           /* user id                                         */
  int32_t from_node = 0;         /* from node                                       */
  int32_t to_node = 0;           /* to node                                         */
  int32_t left_poly = 0;         /* left polygon                                    */
  int32_t right_poly = 0;        /* right polygon                                   */
  int32_t npoints = 0;           /* number of points, at least 2                    */
};

/* A point of an arc. */
struct arc_point {
  double x = 0, y = 0;
};

/* An arc: its header and its own point list. */
struct arc_arc_rec {
  arc_arc_hdr hdr;               /* the header as read                              */
  std::vector<arc_point> points; /* its points, in drawing order                    */
};

/* The header of a centroid record. */
struct arc_cnt_hdr {
  int32_t number = 0;            /* centroid number, equal to its record number     */
  int32_t length = 0;            /* record length in 16-bit words (after 8 bytes)   */
  double x = 0, y = 0;           /* the centroid                                    */
  int32_t nlabels = 0;           /* number of label ids following                   */
};

/* The header of a polygon (PAL) record. */
struct arc_pal_hdr {
  int32_t number = 0;            /* polygon number, equal to its record number      */
  int32_t length = 0;            /* record length in 16-bit words (after 8 bytes)   */
  double xmin = 0, ymin = 0;     /* lower left of its box                           */
  double xmax = 0, ymax = 0;     /* upper right of its box                          */
  int32_t narcs = 0;             /* number of arc entries, at least 1               */
};

/* One arc entry of a PAL record. */
struct arc_pal_entry {
  int32_t arc = 0;               /* arc number, negative when run backwards, 0: break */
  int32_t node = 0;              /* node number                                     */
  int32_t adj_poly = 0;          /* polygon on the other side                       */
};

/* The coverage handle. */
struct arc_cover_rec {
  std::string path;              /* directory, ending in a separator                */
  std::string refused;           /* after a failed attach: the file at fault and why */
  int name_style = ARC_NAME_PLAIN; /* ARC_NAME_... of the last file opened          */
  int machine_order = ARC_ORDER_LITTLE; /* this machine's byte order                */
  int file_order = ARC_ORDER_BIG;  /* byte order of the last header checked         */
  int precision = ARC_PREC_SINGLE; /* precision of the last header checked          */
  long header_offset = 0;        /* header offset of the last header checked        */
  int kind = ARC_KIND_NONE;      /* ARC_KIND_...                                    */
  std::FILE *files[ARC_FILE_COUNT] = {}; /* the open files, owned                   */
  arc_file_format formats[ARC_FILE_COUNT]; /* how each open file is stored          */
  long nlabels = 0;              /* label points in LAB                             */
  long narcs = 0;                /* arcs (entries of ARX)                           */
  long npolygons = 0;            /* polygons (entries of PAX)                       */
  long ncentroids = 0;           /* centroids (entries of CNX)                      */
  arc_label_rec label;           /* the current label point                         */
  arc_arc_rec arc;               /* the current arc and its points                  */
  arc_cnt_hdr centroid;          /* the current centroid header                     */
  std::vector<int32_t> centroid_labels; /* its label ids                            */
  arc_pal_hdr pal;               /* the current PAL header                          */
  std::vector<arc_pal_entry> pal_arcs; /* its arc entries                           */
  /* The current assembled polygon. */
  arc_cnt_hdr poly_centroid;     /* its centroid                                    */
  std::vector<arc_label_rec> poly_labels; /* copies of its label points             */
  arc_pal_hdr poly_pal;          /* its PAL header                                  */
  std::vector<arc_arc_rec> poly_arcs; /* its arcs (an empty one: unreadable or 0)   */
  std::vector<int32_t> poly_unread; /* numbers of its arcs that could not be read     */
};

/* A new handle, reset; nullptr when out of memory. Free with arc_cover_free. */
arc_cover_rec *arc_cover_alloc();
/* Closes what the handle holds and frees it; nullptr is ignored. */
void arc_cover_free(arc_cover_rec *c);
/* Opens the coverage in directory dir (see the file comment). 1, or 0 when
** no data file opens, a file lacks its index or an index its file, a
** header is not a coverage header, or there is nothing to read (all closed). */
int arc_cover_attach(arc_cover_rec *c, const char *dir);
/* Opens data file role 0..3 under its plain or ".ADF" name; LAB's header is
** checked and its count taken. 1, or 0 when absent or not a coverage file. */
int arc_cover_open_file(arc_cover_rec *c, int role);
/* Opens index 1..3 (ARX, PAX, CNX), checks its header and takes its count.
** 1, or 0 when absent or not a coverage file. */
int arc_cover_open_index(arc_cover_rec *c, int index);
/* Checks a header read from a file's start (size bytes of it, up to 356)
** and sets the handle's byte order, precision and header offset. 1, or 0
** when no marker is found or a little-endian file has an ".ADF" name. */
int arc_cover_check_header(arc_cover_rec *c, const unsigned char *bytes, std::size_t size);
/* Reads label point n (1 to the label count). 1 or 0. */
int arc_cover_read_label(arc_cover_rec *c, long n);
/* Reads arc n and its points (1 to the arc count). 1 or 0. */
int arc_cover_read_arc(arc_cover_rec *c, long n);
/* Reads centroid n and its label ids. 1 or 0. */
int arc_cover_read_centroid(arc_cover_rec *c, long n);
/* Reads PAL record n and its arc entries. 1 or 0. */
int arc_cover_read_pal(arc_cover_rec *c, long n);
/* Assembles polygon n: centroid, label points, PAL header and arcs, the
** arcs of negative entries reversed; an arc that cannot be read is left
** empty and its number kept in poly_unread. 1, or 0 when its PAL cannot
** be read. */
int arc_cover_read_polygon(arc_cover_rec *c, long n);
/* Closes all files, frees the current records and resets the handle. 1. */
int arc_cover_close_files(arc_cover_rec *c);

#endif
