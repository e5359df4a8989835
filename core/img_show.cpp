/*
** img_show.cpp: image files named by row values, shown through the host's
** render module.
**
** The render module's replay function, the LISP function "c:replay" run
** through ads_invoke, draws an image file on the drawing screen. When the
** host has no render module to run it, an image is found and checked but
** reported as not shown.
*/
#include "core/img_show.h"

#include <cstring>
#include <string>

#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/str_util.h"
#include "platform/include/ads_host.h"

namespace {

/* Extensions of the image files the render module replays. */
const char *const k_image_exts[] = {"BMP", "TGA", "TIF", "TIFF", "GIF", "JPG", "JPEG", "PCX"};
constexpr int IMAGE_EXT_COUNT = 8;

/* Room for the question around a file name. */
constexpr int IMG_PROMPT_EXTRA = 40;

/* The row img_begin remembered and how many images it has shown. */
sql_col_rec *s_img_row = nullptr;
long s_img_shown = 0;

/* 1 when the name ends in an image extension. */
int img_has_image_ext(const char *name)
{
    const char *base = name;
    for (const char *p = name; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') base = p + 1;
    const char *dot = std::strrchr(base, '.');
    if (!dot || !dot[1]) return 0;
    return str_index_nocase(dot + 1, k_image_exts, IMAGE_EXT_COUNT) >= 0;
}

/* Asks whether to display the file; RTNORM yes, RTERROR no, RTCAN. */
int img_ask(const char *name)
{
    char prompt[ADS_PATH_MAX + IMG_PROMPT_EXTRA];
    std::snprintf(prompt, sizeof prompt, "\nDisplay %s?\nYes/No <Yes>: ", name);
    char answer[ADS_INPUT_MAX] = "";
    ads_initget(0, "Yes No");
    int rc = ads_getkword(prompt, answer);
    if (rc == RTCAN) return RTCAN;
    if (rc == RTNORM && str_eq_nocase(answer, "No")) return RTERROR;
    return RTNORM;
}

}  // namespace

/* Checks, finds and shows an image file; see img_show.h. */
int img_show(const pjct_rec *project, const char *file_name, int ask)
{
    (void)project; /* the file is searched on the host's path */
    if (!file_name || str_nonblank(file_name) != RTNORM) return -2;
    char name[ADS_PATH_MAX];
    std::snprintf(name, sizeof name, "%s", file_name);
    str_trim(name);
    if (!img_has_image_ext(name)) {
        msg_alert(ERR_TITLE, "Bad or missing file extension:\n%s.", name);
        return RTERROR;
    }
    char path[ADS_PATH_MAX];
    if (ads_findfile(name, path) != RTNORM) {
        err_report(ERR_OPEN_FILE, name);
        return ERR_OPEN_FILE;
    }
    if (ask) {
        int rc = img_ask(name);
        if (rc != RTNORM) return rc;
    }
    struct resbuf *call = ads_buildlist(RTSTR, "c:replay", RTSTR, path, 0);
    if (!call) return RTERROR;
    struct resbuf *value = nullptr;
    int rc = ads_invoke(call, &value);
    int shown = rc == RTNORM && value && value->restype == RTT;
    ads_relrb(call);
    ads_relrb(value);
    if (shown) return RTNORM;
    if (rc != RTNORM) ads_printf("\nCannot show %s: this editor has no image viewer.\n", path);
    return RTERROR;
}

/* Remembers the row of the images to show. */
int img_begin(sql_col_rec *row)
{
    if (!row) return -2;
    s_img_row = row;
    s_img_shown = 0;
    return RTNORM;
}

/* Shows the remembered row's image columns; see img_show.h. */
int img_show_row(long *count)
{
    if (!s_img_row || !count) return -2;
    for (sql_col_rec *c = s_img_row; c; c = c->next) {
        if (!c->attr || !(c->attr->flags & COL_ATTR_IMAGE) || !c->text) continue;
        if (str_nonblank(c->text) != RTNORM) continue;
        int rc = img_show(nullptr, c->text, 1);
        if (rc == RTCAN) return RTCAN;
        if (rc == RTNORM) {
            ++*count;
            ++s_img_shown;
        }
    }
    return RTNORM;
}

/* Ends the image display; see img_show.h. */
int img_end(void)
{
    if (s_img_shown > 0) {
        char answer[ADS_INPUT_MAX];
        ads_initget(0, "");
        ads_getkword("Press RETURN to continue...", answer);
    }
    s_img_row = nullptr;
    s_img_shown = 0;
    return RTNORM;
}
