/*
** export_state.h: the state of the export command (pv_export): the options
** its dialog chose, the output columns, the current object that the entity
** walker fills from one drawing entity, the running count and extents, and
** the one open file of the text and SPANS writers. The output type is the
** plot state's plot_type (4 text, 5 E00, 6 MapInfo, 7 SPANS).
**
**   export_state_rec &s = export_state();
**   s.kind = EXPORT_KIND_LINES; ... export_run();  export_state_reset();
*/
#ifndef PV_OUTPUT_EXPORT_STATE_H
#define PV_OUTPUT_EXPORT_STATE_H

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "coords/geo_point.h"
#include "draw/link.h"

struct pjct_rec;
struct prj_rec;

/* Output types the export offers (the plot state's type numbers). */
constexpr int EXPORT_TYPE_TEXT = 4;
constexpr int EXPORT_TYPE_E00 = 5;
constexpr int EXPORT_TYPE_MIF = 6;
constexpr int EXPORT_TYPE_SPANS = 7;

/* What each entity becomes. */
constexpr int EXPORT_KIND_POINTS = 0;
constexpr int EXPORT_KIND_LINES = 1;
constexpr int EXPORT_KIND_POLYGONS = 2;

/* Most points of one line or polygon, its closing point counted. */
constexpr int EXPORT_POINTS_MAX = 4095;
/* Width of a memo attribute column in every output but text. */
constexpr int EXPORT_MEMO_WIDTH = 250;
/* SPANS type code of a coordinate column, with its width and decimals. */
constexpr int SPANS_CODE_COORD = 10;
constexpr int SPANS_COORD_WIDTH = 12;
constexpr int SPANS_COORD_DECIMALS = 6;
/* SPANS type codes from this one up are character columns. */
constexpr int SPANS_CODE_CHAR = 20;
/* Bytes of the stdio buffer of an export file. */
constexpr int EXPORT_FILE_BUFFER = 2048;

/* One output column. */
struct export_column_rec {
    std::string name;      /* column name in the file, unique within it */
    std::string row_name;  /* the linked row's column it shows, when renamed; else empty */
    std::string table;     /* table name; empty for a fixed column */
    int type = 0;          /* type code of the output type */
    int width = 0;         /* width in characters */
    int decimals = 0;      /* decimals */
    int value_type = 0;    /* host value type of an attribute (1 short .. 5 string) */
    bool exact = false;    /* an exact number's column (NUMERIC, DEC): digits a double may not hold */
    bool has_value = false; /* the current object gave the column a value */
    std::string text;      /* the current object's value as text */
};

/* The object the entity walker read last. */
struct export_object_rec {
    int ent_type = 0;          /* entity type code, 0 none */
    geo_point point{};         /* insertion point in the export projection (its columns "%.6lf") */
    std::string name;          /* text string or block name */
    std::string style;         /* text style's font file name */
    std::string layer;         /* layer */
    std::string linetype;      /* linetype (the layer's when the entity's is blank) */
    double height = 0.0;       /* height or scale (its column "%.3lf") */
    double angle_deg = 0.0;    /* rotation, degrees (its column "%.3lf") */
    double rotation_deg = 0.0; /* turn of the export's unit step, degrees */
    double scale_factor = 1.0; /* length of the export's unit step */
    int box_flag = 0;          /* 1 for a SHAPE or an INSERT label */
    int is_text = 0;           /* 1 for a TEXT entity */
    int has_attributes = 0;    /* 1 when a linked row gave the attribute values */
    std::vector<double> x, y;  /* the point list */
    double length = 0.0;       /* sum of the segment lengths */
    geo_point inside{};        /* a polygon's label point */
    geo_box box{};             /* the point list's box */
};

/* The walk's batch of attribute rows: the rows linked to the entities
** from `first` to before `end` of the selection, fetched ahead of them. */
struct export_batch_rec {
    struct link_rows_rec *rows = nullptr; /* the fetched rows; owned, null outside a walk */
    long ss[2] = {0, 0};            /* the selection walked (an ads_name) */
    long count = 0;                 /* its entities */
    long at = -1;                   /* index of the entity being read; -1 none */
    long first = 0;                 /* first index the batch covers */
    long end = 0;                   /* index after its last */
    std::vector<link_rec> links;    /* the links read from its entities */
    std::vector<int> slot;          /* per entity from first: its link in links, -1 none */
    std::map<std::string, std::string> linetypes; /* each layer's linetype, as looked up in the walk */
    std::map<std::string, std::string> fonts;     /* each text style's font file, likewise */
};

/* The export's state. */
struct export_state_rec {
    int kind = EXPORT_KIND_POINTS;  /* EXPORT_KIND_* */
    pjct_rec *project = nullptr;    /* project of the attribute columns; null none */
    std::string file_name;          /* output file with the type's extension */
    prj_rec *projection = nullptr;  /* export projection; not owned */
    char col_delim = 0;             /* field delimiter, 0 none */
    char txt_delim = 0;             /* text qualifier, 0 none */
    double height = 0.0;            /* text height of the dialog */
    double scale = 0.0;             /* point scale of the dialog */
    int text_as_attr = 0;           /* "txtdbf": texts carry attributes */
    int fixed_count = 0;            /* leading fixed columns of `columns` */
    std::vector<export_column_rec> columns; /* fixed, then attribute columns */
    std::vector<std::string> renamed; /* "OLD as NEW" per column renamed to stay unique */
    long count = 0;                 /* objects written in the current pass */
    long pass1_count = 0;           /* objects written in the first pass */
    int extents_set = 0;            /* 1 once a point widened the extents */
    geo_box extents{};              /* of every point of the export */
    int text_met = 0;               /* 1 when pass 1 met a TEXT entity */
    export_object_rec obj;          /* the current object */
    std::FILE *file = nullptr;      /* the one open file of the text and SPANS writers */
    char *buffer = nullptr;         /* its stdio buffer; owned */
    long header_size = 0;           /* bytes of the .TBA header as first written */
    export_batch_rec batch;         /* attribute rows of the walk, a batch at a time */
    std::string row_failure;        /* why a linked row could not be read ("row 3 of table
                                       SITES cannot be read: ..."); empty while every row read */
};

/* The export's one state. */
export_state_rec &export_state();
/* Closes the writers' file and clears every option, column and count. */
void export_state_reset();
/* Clears the current object. */
void export_object_clear();
/* Widens the extents by a point. */
void export_extents_add(double x, double y);

/* The output file name: name cut at the first "." of its last path
** component, blanks cut at both ends, and ext appended. Empty when nothing
** is left of the name. */
std::string export_file_name(const char *name, const char *ext);

/* The value of fixed column `column` of the current object for the kind:
** in text form its text, else its binary form as text (the ID is then the
** number of objects written before it). 1 with out set; 0 when the column
** does not exist for the kind. */
int export_fixed_value(int column, int text_form, int kind, std::string &out);

#endif /* PV_OUTPUT_EXPORT_STATE_H */
