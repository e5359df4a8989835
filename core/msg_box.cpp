/*
** msg_box.cpp: alerts, the wrapping alert, the question boxes and the
** message box of the dialog file.
**
** Each question box has a small table of its tiles and the status each one
** ends the dialog with; the status is then mapped to the host's result.
** The boxes' text goes into the tiles "line1" .. "lineN".
*/
#include "core/msg_box.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/pv_globals.h"
#include "platform/include/ads_host.h"
#include "platform/include/dcl_host.h"

namespace {

/* Lines and columns of the three box sizes. */
struct msg_box_shape {
    const char *suffix;  /* dialog name suffix */
    int lines;           /* text tiles "line1".."lineN" */
    int columns;         /* width of each text tile */
};

const msg_box_shape k_shapes[] = {
    {"small", 2, 40},
    {"medium", 4, 55},
    {"large", 8, 70},
};

/* Room for a text tile key "lineN". */
constexpr int MSG_KEY_SIZE = 16;

/* Dialog statuses of the question boxes beyond OK and cancel. */
constexpr int MSG_STATUS_NO = DLGSTATUS;

/* A tile of a question box and the status it ends the dialog with. */
struct msg_tile_action {
    const char *key;  /* tile key */
    int status;       /* status given to ads_done_dialog */
};

/* Ends the dialog with the status the tile carries as client data. */
void msg_end_cb(ads_callback_packet *pkt)
{
    if (pkt->reason != CBR_SELECT && pkt->reason != CBR_DOUBLE_CLICK) return;
    ads_done_dialog(pkt->dialog, (int)(intptr_t)pkt->client_data);
}

const msg_tile_action k_okquit_tiles[] = {{"accept", DLGOK}, {"cancel", DLGCANCEL}};
const msg_tile_action k_yesno_tiles[] = {{"accept", DLGOK}, {"no", MSG_STATUS_NO}};
const msg_tile_action k_ync_tiles[] = {{"accept", DLGOK}, {"no", MSG_STATUS_NO}, {"cancel", DLGCANCEL}};

/* Opens a dialog of the loaded dialog file; RTNORM with the handle, or
** RTERROR when no file is loaded or the file lacks it. */
int msg_open_dialog(const char *name, ads_hdlg *hdlg)
{
    if (g_dcl_id == PV_NO_DCL) return RTERROR;
    return ads_new_dialog(name, g_dcl_id, nullptr, hdlg);
}

/* Runs a question box of a kind over a text, with its tile table; answers
** the status it ended with, -2 for a null text, -9501 when it cannot be
** loaded. */
int msg_run_box(const char *kind, const char *text, const msg_tile_action *tiles, int ntiles)
{
    if (!text) return -2;
    msg_box_size size = msg_box_size_for(text);
    const msg_box_shape &shape = k_shapes[size];
    std::string name = msg_box_dialog_name(kind, size);
    ads_hdlg h = nullptr;
    if (msg_open_dialog(name.c_str(), &h) != RTNORM) return ERR_LOAD_DIALOG;
    std::vector<std::string> lines = msg_wrap_text(text, shape.columns);
    for (int i = 0; i < shape.lines && i < (int)lines.size(); ++i) {
        char key[MSG_KEY_SIZE];
        std::snprintf(key, sizeof key, "line%d", i + 1);
        ads_set_tile(h, key, lines[i].c_str());
    }
    for (int i = 0; i < ntiles; ++i) {
        ads_action_tile(h, tiles[i].key, msg_end_cb);
        ads_client_data_tile(h, tiles[i].key, (void *)(intptr_t)tiles[i].status);
    }
    int status = DLGCANCEL;
    if (ads_start_dialog(h, &status) != RTNORM) return ERR_LOAD_DIALOG;
    return status;
}

/* Shows a long alert in pv_alert_wrap; RTNORM, RTERROR when the dialog
** cannot be loaded (the caller then uses the host's alert). */
int msg_show_wrapped(const char *title, const char *text)
{
    ads_hdlg h = nullptr;
    if (msg_open_dialog("pv_alert_wrap", &h) != RTNORM) return RTERROR;
    ads_set_tile(h, "title", title);
    ads_start_list(h, "lines", LIST_NEW, 0);
    for (const std::string &line : msg_wrap_text(text, MSG_WRAP_COLUMNS))
        ads_add_list(line.c_str());
    ads_end_list();
    ads_action_tile(h, "accept", msg_end_cb);
    ads_client_data_tile(h, "accept", (void *)(intptr_t)DLGOK);
    int status = DLGCANCEL;
    return ads_start_dialog(h, &status) == RTNORM ? RTNORM : RTERROR;
}

}  // namespace

/* Wraps the text at the width (see msg_box.h). */
std::vector<std::string> msg_wrap_text(const char *text, int width)
{
    std::vector<std::string> out;
    if (!text || width <= 0) return out;
    const char *p = text;
    while (true) {
        const char *end = std::strchr(p, '\n');
        std::string para = end ? std::string(p, end) : std::string(p);
        /* Break the paragraph at blanks. */
        std::string line;
        size_t i = 0;
        bool any = false;
        while (i < para.size()) {
            while (i < para.size() && para[i] == ' ') ++i;
            size_t j = i;
            while (j < para.size() && para[j] != ' ') ++j;
            if (j == i) break;
            std::string word = para.substr(i, j - i);
            i = j;
            while ((int)word.size() > width) {
                if (!line.empty()) { out.push_back(line); line.clear(); }
                out.push_back(word.substr(0, width));
                word.erase(0, width);
            }
            if (word.empty()) continue;
            if (line.empty()) line = word;
            else if ((int)(line.size() + 1 + word.size()) <= width) line += " " + word;
            else { out.push_back(line); line = word; }
            any = true;
        }
        if (!line.empty() || !any) out.push_back(line);
        if (!end) break;
        p = end + 1;
    }
    /* A text ending with a line break gives no empty last line. */
    while (out.size() > 1 && out.back().empty()) out.pop_back();
    return out;
}

/* Answers the smallest box whose lines hold the wrapped text. */
msg_box_size msg_box_size_for(const char *text)
{
    for (int s = MSG_BOX_SMALL; s <= MSG_BOX_LARGE; ++s)
        if ((int)msg_wrap_text(text ? text : "", k_shapes[s].columns).size() <= k_shapes[s].lines)
            return (msg_box_size)s;
    return MSG_BOX_LARGE;
}

/* Answers "pv_<kind>_<size>". */
std::string msg_box_dialog_name(const char *kind, msg_box_size size)
{
    return std::string("pv_") + (kind ? kind : "ok") + "_" + k_shapes[size].suffix;
}

/* Formats into a buffer bounded by the lengths of title and format plus
** MSG_FORMAT_EXTRA and shows it; see msg_box.h for the results. */
int msg_alert(const char *title, const char *format, ...)
{
    if (!title || !format || !*format) return RTERROR;
    size_t size = std::strlen(title) + std::strlen(format) + MSG_FORMAT_EXTRA;
    char *text = (char *)std::malloc(size);
    if (!text) return RTERROR;
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(text, size, format, ap);
    va_end(ap);
    if (n < 0) text[0] = '\0';
    size_t tlen = std::strlen(title), xlen = std::strlen(text);
    int rc = RTERROR;
    if (tlen + xlen >= MSG_WRAP_THRESHOLD)
        rc = msg_show_wrapped(title, text);
    if (rc != RTNORM) {
        /* Short texts, and long ones when the wrapping alert cannot load. */
        std::string both = std::string(title) + "\n" + text;
        ads_alert(both.c_str());
    }
    std::free(text);
    return RTNORM;
}

/* OK/quit box; see msg_box.h. */
int msg_ok_quit(const char *text)
{
    int st = msg_run_box("okquit", text, k_okquit_tiles, 2);
    if (st < 0) return st;
    return st == DLGOK ? RTNORM : RTERROR;
}

/* Yes/no box; see msg_box.h. */
int msg_yes_no(const char *text)
{
    int st = msg_run_box("yesno", text, k_yesno_tiles, 2);
    if (st < 0) return st;
    return st == DLGOK ? RTNORM : RTERROR;
}

/* Yes/no box telling a cancel from no; see msg_box.h. */
int msg_yes_no_or_cancel(const char *text)
{
    int st = msg_run_box("yesno", text, k_yesno_tiles, 2);
    if (st < 0) return st;
    if (st == DLGOK) return RTNORM;
    return st == MSG_STATUS_NO ? RTERROR : RTCAN;
}

/* Yes/no/cancel box; see msg_box.h. */
int msg_yes_no_cancel(const char *text)
{
    int st = msg_run_box("ync", text, k_ync_tiles, 3);
    if (st < 0) return st;
    if (st == DLGOK) return RTNORM;
    return st == MSG_STATUS_NO ? RTERROR : RTCAN;
}

/* Shows title and text in pv_msg_box until OK; see msg_box.h. */
int pv_msg_box(const char *title, const char *text)
{
    if (!text) return -2;
    ads_hdlg h = nullptr;
    if (msg_open_dialog("pv_msg_box", &h) != RTNORM) return ERR_LOAD_DIALOG;
    ads_set_tile(h, "title", title ? title : "");
    ads_set_tile(h, "error", text);
    ads_action_tile(h, "accept", msg_end_cb);
    ads_client_data_tile(h, "accept", (void *)(intptr_t)DLGOK);
    int status = DLGCANCEL;
    if (ads_start_dialog(h, &status) != RTNORM) return ERR_LOAD_DIALOG;
    return RTNORM;
}
