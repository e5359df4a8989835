/*
** dcl_host.h: the editor's dialog interface as the module sees it.
**
** A dialog file (.DCL) is loaded once and gives an id; each modal dialog is
** created from it by name, its tiles are filled and given callbacks, and
** ads_start_dialog runs it until a callback calls ads_done_dialog. The
** stand-in editor under platform/dialog implements every function; a person
** answers at the terminal from a text form of the dialog, a script answers
** with lines that follow the dialog's name.
**
**   ads_hdlg h; int status;
**   ads_new_dialog("pv_logon", g_dcl_id, NULL, &h);
**   ads_action_tile(h, "accept", logon_accept_cb);
**   ads_start_dialog(h, &status);        // status given to ads_done_dialog
**
** Every function answers RTNORM (5100) on success and RTERROR (-5001) on a
** failure; the codes come from ads_host.h.
*/
#ifndef PV_PLATFORM_DCL_HOST_H
#define PV_PLATFORM_DCL_HOST_H

#include "ads_host.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Handles ----------------------------------------------------------- */
typedef void *ads_hdlg;   /* an open dialog, from ads_new_dialog until       */
                          /* ads_start_dialog returns                        */
typedef void *ads_htile;  /* a tile of an open dialog, given to callbacks    */

/* ---- Callback reasons -------------------------------------------------- */
#define CBR_SELECT       1  /* picked, selected, or RETURN in an edit box   */
#define CBR_LOST_FOCUS   2  /* an edit box lost the focus                   */
#define CBR_DRAG         3  /* a slider is being dragged                    */
#define CBR_DOUBLE_CLICK 4  /* a list box or image button double-clicked    */

/* ---- Dialog end statuses ----------------------------------------------- */
#define DLGCANCEL   0       /* ended by cancel                              */
#define DLGOK       1       /* ended by OK                                  */
#define DLGALLDONE (-1)     /* ended by ads_term_dialog                     */
#define DLGSTATUS   2       /* first status free for the application        */

/* ---- Modes of ads_mode_tile -------------------------------------------- */
#define MODE_ENABLE   0     /* the tile can be used                         */
#define MODE_DISABLE  1     /* the tile is greyed out                       */
#define MODE_SETFOCUS 2     /* the tile takes the focus                     */
#define MODE_SETSEL   3     /* the text of an edit box is selected          */
#define MODE_FLIP     4     /* an image's highlight is flipped              */

/* ---- Operations of ads_start_list -------------------------------------- */
#define LIST_CHANGE 1       /* replace the item at the given index          */
#define LIST_APPEND 2       /* add items at the end                         */
#define LIST_NEW    3       /* replace the whole list                       */

/* ---- Sizes ------------------------------------------------------------- */
#define TILE_STR_LIMIT 255  /* longest tile value ads_get_tile gives back,  */
                            /* without its NUL                              */

/* ---- Image colours ----------------------------------------------------- */
#define DCL_COLOR_BGLCOLOR  (-2)  /* the current background colour          */
#define DCL_COLOR_DLGBG     (-15) /* the dialog background                  */
#define DCL_COLOR_DLGFG     (-16) /* the dialog foreground (text)           */
#define DCL_COLOR_DLGLINE   (-18) /* the dialog line colour                 */

/* What a tile callback receives. */
typedef struct ads_callback_packet {
  ads_hdlg dialog;          /* the dialog of the tile                        */
  ads_htile tile;           /* the tile itself (see ads_get_attr_string)     */
  char *value;              /* the tile's value; the editor's, valid only    */
                            /* during the call                               */
  void *client_data;        /* what ads_client_data_tile attached            */
  int reason;               /* CBR_SELECT .. CBR_DOUBLE_CLICK                */
  long x, y;                /* the point picked in an image button           */
} ads_callback_packet;

/* A tile callback. */
typedef void (*CLIENTFUNC)(ads_callback_packet *cpkt);

/* ---- Dialog files ------------------------------------------------------ */
int ads_load_dialog(const char *dclfile, int *dcl_id);
int ads_unload_dialog(int dcl_id);

/* ---- Dialogs ----------------------------------------------------------- */
int ads_new_dialog(const char *dlgname, int dcl_id, CLIENTFUNC def_callback,
                   ads_hdlg *hdlg);
int ads_new_positioned_dialog(const char *dlgname, int dcl_id,
                              CLIENTFUNC def_callback, int x, int y,
                              ads_hdlg *hdlg);
int ads_start_dialog(ads_hdlg hdlg, int *status);
int ads_done_dialog(ads_hdlg hdlg, int status);
int ads_term_dialog(void);

/* ---- Tiles ------------------------------------------------------------- */
int ads_action_tile(ads_hdlg hdlg, const char *key, CLIENTFUNC tilefunc);
int ads_set_tile(ads_hdlg hdlg, const char *key, const char *value);
int ads_get_tile(ads_hdlg hdlg, const char *key, char *value, int maxlen);
int ads_mode_tile(ads_hdlg hdlg, const char *key, short mode);
int ads_client_data_tile(ads_hdlg hdlg, const char *key, void *clientdata);
int ads_get_attr_string(ads_htile tile, const char *attr, char *value,
                        int len);

/* ---- List tiles -------------------------------------------------------- */
int ads_start_list(ads_hdlg hdlg, const char *key, short operation,
                   short index);
int ads_add_list(const char *item);
int ads_end_list(void);

/* ---- Image tiles ------------------------------------------------------- */
int ads_dimensions_tile(ads_hdlg hdlg, const char *key, short *cx, short *cy);
int ads_start_image(ads_hdlg hdlg, const char *key);
int ads_fill_image(short x1, short y1, short width, short height,
                   short color);
int ads_vector_image(short x1, short y1, short x2, short y2, short color);
int ads_slide_image(short x1, short y1, short width, short height,
                    const char *slnam);
int ads_end_image(void);

#ifdef __cplusplus
}
#endif

#endif /* PV_PLATFORM_DCL_HOST_H */
