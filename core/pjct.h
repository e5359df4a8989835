/*
** pjct.h: the record of one logged-on project and the list of them.
**
** The core owns `g_pjct_list` (newest first). Logon makes a pjct_rec,
** connects and runs the setup loaders, which hang the project's setup
** lists (registered tables, input rules, symbol and point setups, queries,
** pie and chemistry diagrams) from it; setup changes set the change bits
** of `flags`, and the setup saver writes those tables back and clears them.
**
**     for (pjct_rec *p = g_pjct_list; p; p = p->next)
**         if (p->flags & PJCT_CHG_TABLES) ...
**
** This header only declares the record; the project functions live with
** the core.
*/
#ifndef PV_CORE_PJCT_H
#define PV_CORE_PJCT_H

#include <cstdint>

struct tbl_rec;        /* registered table (core/tbl.h) */
struct col_attr_rec;   /* column input rule (core/col_attr.h) */
struct sym_rec;        /* symbol setup (core/sym_setup.h) */
struct pnt_rec;        /* point setup (core/pnt.h) */
struct qry_rec;        /* stored query (core/qry.h) */
struct pie_rec;        /* pie-diagram definition (core/pie_rec.h) */
struct chem_term_rec;  /* chemistry-diagram axis term (core/chem_term.h) */

/* Sizes of the project's texts, terminator included. */
#define PJCT_NAME_SIZE     257  /* project name, at most 256 characters */
#define PJCT_OWNER_SIZE     34  /* owner text of 33 characters */
#define PJCT_USER_SIZE      65  /* logon user name */
#define PJCT_PASSWORD_SIZE  65  /* logon password */

/* Bits of pjct_rec.flags: which setup tables must be written back. */
#define PJCT_CHG_TABLES     0x1u    /* PVTABLE: table registry */
#define PJCT_CHG_COLUMNS    0x2u    /* PVCOLUMN: column input rules */
#define PJCT_CHG_SYMBOLS    0x4u    /* PVSYMBOL: symbol setups */
#define PJCT_CHG_POINTS     0x8u    /* PVPOINT: point setups */
#define PJCT_CHG_DATUMS     0x10u   /* PVDATUM: ellipsoids (also set by the upgrade) */
#define PJCT_CHG_PROJS      0x20u   /* PVPROJ: projections (also set by the upgrade) */
#define PJCT_CHG_XFORMS     0x40u   /* PVXFORM: transformations */
#define PJCT_CHG_XPOINTS    0x80u   /* PVXPOINT: transformation control points */
#define PJCT_CHG_PIES       0x100u  /* PVPIE, PVPIEOUT: pie definitions */
#define PJCT_CHG_QUERIES    0x200u  /* PVQUERY, PVQOUT, PVQPOINT: queries */
#define PJCT_CHG_CHEM       0x400u  /* PVCHEM: chemistry diagrams */
#define PJCT_CHG_PROFILES   0x800u  /* profiles (item trees) changed */
/* Environment bits of pjct_rec.flags. */
#define PJCT_ENV_DB3        0x2000u /* dBASE environment "DB3" */
#define PJCT_ENV_SERVER     0x4000u /* any other (server) environment */

/* Bits of pjct_rec.link_flags. */
#define PJCT_LINKS_ON       0x1u    /* host links are made while set */

/* One logged-on project; the core allocates and frees it, and owns every
** list hung from it from logon to logoff. */
struct pjct_rec {
    uint32_t flags;                       /* PJCT_CHG_* and PJCT_ENV_* bits */
    uint32_t link_flags;                  /* PJCT_LINKS_ON */
    int32_t env_index;                    /* index into g_env_names */
    void *connection;                     /* SQL connection handle of the engine; owned */
    char name[PJCT_NAME_SIZE];            /* project name */
    char user[PJCT_USER_SIZE];            /* logon user */
    char password[PJCT_PASSWORD_SIZE];    /* logon password */
    char owner[PJCT_OWNER_SIZE];          /* owner text, written by the upgrade */
    char letter;                          /* project letter (legacy project number
                                             for old links), written by the upgrade; 0 none */
    tbl_rec *tables;                      /* registered tables, sorted by name; owned */
    col_attr_rec *col_attrs;              /* column input rules, newest first; owned */
    sym_rec *symbols;                     /* symbol setups; owned */
    pnt_rec *points;                      /* point setups, newest first; owned */
    qry_rec *queries;                     /* stored queries, sorted by name; owned */
    pie_rec *pies;                        /* pie definitions, newest first; owned */
    chem_term_rec *chem_terms;            /* chemistry terms, a diagram's terms together; owned */
    pjct_rec *prev;                       /* previous (newer) project of g_pjct_list */
    pjct_rec *next;                       /* next (older) project of g_pjct_list */
};

/* The logged-on projects, newest first (defined by the core). */
extern pjct_rec *g_pjct_list;

#endif
