/*
** ads_host.h: the editor's C interface as the module sees it.
**
** Result codes, result-buffer type codes, the result buffer itself and the
** ads_* functions the module calls: function registration and dispatch,
** argument and result lists, system variables, entities and tables,
** selection sets, coordinate transformation, user input, host commands,
** text-screen output and file search. The stand-in editor under platform/
** implements every one of them; the module reaches the editor only through
** these names.
**
**   struct resbuf *e = ads_buildlist(RTDXF0, "LINE", 10, p1, 11, p2, 0);
**   if (ads_entmake(e) != RTNORM) ...;  ads_relrb(e);
*/
#ifndef PV_PLATFORM_ADS_HOST_H
#define PV_PLATFORM_ADS_HOST_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes of every ads_* call ---------------------------------- */
#define RTNONE    5000   /* no result: RETURN answered, nothing found      */
#define RTNORM    5100   /* success                                        */
#define RTERROR  (-5001) /* the call failed                                */
#define RTCAN    (-5002) /* the user cancelled                             */
#define RTREJ    (-5003) /* the editor rejected the request as invalid     */
#define RTFAIL   (-5004) /* the link to the editor failed                  */
#define RTKWORD  (-5005) /* a keyword (or an arbitrary input) was answered */
#define RTINPUTTRUNC (-5008) /* the answer did not fit the caller's buffer */

/* ---- Result-buffer type codes (restype) -------------------------------- */
#define RTREAL    5001   /* rreal                                          */
#define RTPOINT   5002   /* rpoint, 2D                                     */
#define RTSHORT   5003   /* rint                                           */
#define RTANG     5004   /* rreal, radians                                 */
#define RTSTR     5005   /* rstring                                        */
#define RTENAME   5006   /* rlname                                         */
#define RTPICKS   5007   /* rlname, a selection set                        */
#define RTORINT   5008   /* rreal, orientation                             */
#define RT3DPOINT 5009   /* rpoint, 3D                                     */
#define RTLONG    5010   /* rlong                                          */
#define RTVOID    5014   /* no value                                       */
#define RTLB      5016   /* list begin                                     */
#define RTLE      5017   /* list end                                       */
#define RTDOTE    5018   /* dotted pair                                    */
#define RTNIL     5019   /* nil                                            */
#define RTDXF0    5020   /* group 0 (entity type) in ads_buildlist         */
#define RTT       5021   /* T                                              */

/* In ads_command: an answer the user gives (a pause). */
#define PAUSE "\\"

/* ---- ads_initget bits -------------------------------------------------- */
#define RSG_NONULL  0x0001 /* RETURN is not accepted                       */
#define RSG_NOZERO  0x0002 /* zero is not accepted                         */
#define RSG_NONEG   0x0004 /* negative values are not accepted             */
#define RSG_NOLIM   0x0008 /* points outside the limits are accepted       */
#define RSG_GETZ    0x0010 /* 3D points                                    */
#define RSG_DASH    0x0020 /* rubber band drawn dashed                     */
#define RSG_2D      0x0040 /* distances in 2D                              */
#define RSG_OTHER   0x0080 /* arbitrary input answers RTKWORD              */

/* ---- Coordinate systems for ads_trans (rint of the from/to buffer) ----- */
#define ADS_TRANS_WCS   0  /* world                                        */
#define ADS_TRANS_UCS   1  /* current user system                          */
#define ADS_TRANS_DCS   2  /* display system of the current viewport       */
#define ADS_TRANS_PSDCS 3  /* paper-space display system                   */

/* ---- Sizes ------------------------------------------------------------- */
#define ADS_INPUT_MAX   133 /* room for an answer of ads_getstring & co,   */
                            /* ads_getkword and ads_getinput (with NUL)    */
#define ADS_PATH_MAX    512 /* room for a path of ads_findfile/ads_agetenv */
#define ADS_SYM_MAX     256 /* room for a table-entry name                 */

typedef double ads_real;          /* a real number                         */
typedef ads_real ads_point[3];    /* X, Y, Z                               */
typedef long ads_name[2];         /* entity or selection-set name: small   */
                                  /* ids kept by the editor, never pointers*/
typedef ads_real ads_matrix[4][4];/* homogeneous transformation, row-major */
typedef ads_real *ads_pointp;     /* pointer to a point                    */
typedef long *ads_namep;          /* pointer to a name                     */

/* Binary chunk of extended data (group 1004). */
struct ads_binary {
  short clen;                     /* length in bytes                       */
  char *buf;                      /* the bytes, owned by the buffer        */
};

/* Value of one result buffer; restype tells which member holds it. */
union ads_u_val {
  ads_real rreal;                 /* RTREAL, RTANG, RTORINT, groups 40-59  */
  ads_real rpoint[3];             /* RTPOINT, RT3DPOINT, groups 10-39      */
  short rint;                     /* RTSHORT, groups 60-79, 170-179        */
  char *rstring;                  /* RTSTR, groups 0-9, 1000-1003; owned   */
  long rlname[2];                 /* RTENAME, RTPICKS, groups -1, -2, 330  */
  int32_t rlong;                  /* RTLONG, groups 90-99, 1071            */
  struct ads_binary rbinary;      /* group 1004                            */
};

/* One element of a result-buffer chain. */
struct resbuf {
  struct resbuf *rbnext;          /* next element, NULL at the end         */
  short restype;                  /* RT* code or DXF group code            */
  union ads_u_val resval;         /* the value                             */
};

/* ---- Memory of result buffers ------------------------------------------ */
struct resbuf *ads_newrb(int v);
int ads_relrb(struct resbuf *rb);
struct resbuf *ads_buildlist(int rtype, ...);

/* ---- Function registration, arguments and results ---------------------- */
int ads_defun(const char *sname, short funcno);
int ads_undef(const char *sname, short funcno);
int ads_getfuncode(void);
struct resbuf *ads_getargs(void);
int ads_retlist(const struct resbuf *rbuf);
int ads_retval(const struct resbuf *rbuf);
int ads_rett(void);
int ads_retnil(void);
int ads_retvoid(void);
int ads_retint(int ival);
int ads_retreal(ads_real rval);
int ads_retstr(const char *s);

/* ---- Environment, files, applications ---------------------------------- */
int ads_agetenv(const char *sym, char *var);
int ads_findfile(const char *fname, char *result);
int ads_arxload(const char *app);
struct resbuf *ads_arxloaded(void);
/* Runs a LISP function another application defined; args: its name
** (RTSTR), then its arguments. RTNORM with its value in *result (the
** caller releases it), RTERROR when no application defines it. */
int ads_invoke(const struct resbuf *args, struct resbuf **result);

/* ---- System variables -------------------------------------------------- */
int ads_getvar(const char *sym, struct resbuf *result);
int ads_setvar(const char *sym, const struct resbuf *val);

/* ---- Entities and tables ----------------------------------------------- */
int ads_entmake(const struct resbuf *ent);
int ads_entmakex(const struct resbuf *ent, ads_name result);
struct resbuf *ads_entget(const ads_name ent);
struct resbuf *ads_entgetx(const ads_name ent, const struct resbuf *apps);
int ads_entmod(const struct resbuf *ent);
int ads_entupd(const ads_name ent);
int ads_entdel(const ads_name ent);
int ads_entlast(ads_name result);
int ads_entnext(const ads_name ent, ads_name result);
struct resbuf *ads_tblsearch(const char *tblname, const char *sym, int setnext);
struct resbuf *ads_tblnext(const char *tblname, int rewind);
int ads_regapp(const char *appname);
int ads_snvalid(const char *tbstr, int pipetest);

/* ---- Geometry ---------------------------------------------------------- */
int ads_trans(const ads_point pt, const struct resbuf *from,
              const struct resbuf *to, int disp, ads_point result);
ads_real ads_distance(const ads_point pt1, const ads_point pt2);

/* ---- Selection sets ---------------------------------------------------- */
int ads_ssget(const char *str, const void *pt1, const void *pt2,
              const struct resbuf *filter, ads_name ss);
int ads_ssadd(const ads_name ename, const ads_name sname, ads_name result);
int ads_ssdel(const ads_name ename, const ads_name ss);
int ads_ssfree(const ads_name sname);
int ads_sslength(const ads_name sname, long *len);
int ads_ssname(const ads_name ss, long i, ads_name entres);
int ads_ssmemb(const ads_name ename, const ads_name ss);
int ads_xformss(const ads_name ssname, ads_matrix genmat);
int ads_draggen(const ads_name ss, const char *pmt, int cursor,
                int (*scnf)(ads_point pt, ads_matrix mt), ads_point p);

/* ---- User input -------------------------------------------------------- */
int ads_initget(int val, const char *kwl);
int ads_getpoint(const ads_point pt, const char *prompt, ads_point result);
int ads_entsel(const char *str, ads_name entres, ads_point ptres);
int ads_getkword(const char *prompt, char *result);
int ads_getinput(char *str);
int ads_getint(const char *prompt, int *result);
int ads_getreal(const char *prompt, ads_real *result);
int ads_getstring(int cronly, const char *prompt, char *result);
int ads_getfiled(const char *title, const char *defawlt, const char *ext,
                 int flags, struct resbuf *result);

/* ---- Screen ------------------------------------------------------------ */
int ads_grdraw(const ads_point from, const ads_point to, int color, int hl);
int ads_redraw(const ads_name ent, int mode);
int ads_printf(const char *format, ...);
int ads_prompt(const char *str);
int ads_alert(const char *str);

/* ---- Host commands ----------------------------------------------------- */
int ads_command(int rtype, ...);
int ads_cmd(const struct resbuf *rbp);

#ifdef __cplusplus
}
#endif

#endif /* PV_PLATFORM_ADS_HOST_H */
