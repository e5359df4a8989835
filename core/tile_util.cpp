/*
** tile_util.cpp: the shared dialog helpers: tile tables, list filling, and
** tile values as integers, index lists and texts.
*/
#include "core/tile_util.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/str_util.h"

/* Reads the tile as an integer; -1 when blank or not a number. */
int tile_get_int(ads_hdlg dialog, const char *key)
{
    char buf[TILE_BUF_SIZE];
    if (!dialog || !key || ads_get_tile(dialog, key, buf, sizeof buf) != RTNORM) return -1;
    str_trim(buf);
    if (!buf[0]) return -1;
    char *end = nullptr;
    long v = std::strtol(buf, &end, 10);
    if (end == buf) return -1;
    return (int)v;
}

/* Reads a list tile's selected indexes into a new array; see the header. */
int tile_get_int_list(ads_hdlg dialog, const char *key, int **out, int *count)
{
    if (!dialog || !key || !out || !count) return RTERROR;
    *out = nullptr;
    *count = 0;
    char buf[TILE_BUF_SIZE];
    if (ads_get_tile(dialog, key, buf, sizeof buf) != RTNORM) return RTERROR;
    /* At most one index per two characters of the value. */
    int room = (int)std::strlen(buf) / 2 + 1;
    int *list = (int *)std::malloc(sizeof(int) * (size_t)room);
    if (!list) return RTERROR;
    int n = 0;
    for (char *tok = std::strtok(buf, " \r\t\n"); tok && n < room; tok = std::strtok(nullptr, " \r\t\n"))
        list[n++] = std::atoi(tok);
    if (n == 0) {
        std::free(list);
        list = nullptr;
    }
    *out = list;
    *count = n;
    return RTNORM;
}

/* Reads a list tile's one selected index; see the header. */
int tile_get_one_index(ads_hdlg dialog, const char *key)
{
    int *list = nullptr, count = 0;
    if (tile_get_int_list(dialog, key, &list, &count) != RTNORM) {
        err_report(ERR_BAD_SELECTION, nullptr);
        return ERR_BAD_SELECTION;
    }
    int index = count == 1 ? list[0] : -1;
    std::free(list);
    if (count == 1 && index >= 0) return index;
    int code = count > 1 ? ERR_MANY_SELECTED : ERR_NONE_SELECTED;
    err_report(code, nullptr);
    return code;
}

/* Reads the tile's text; 5100 when it is not blank, else -1. */
int tile_get_str(ads_hdlg dialog, const char *key, char *buffer)
{
    if (!dialog || !key || !buffer) return -1;
    buffer[0] = '\0';
    if (ads_get_tile(dialog, key, buffer, TILE_BUF_SIZE) != RTNORM) return -1;
    return str_nonblank(buffer) == RTNORM ? RTNORM : -1;
}

/* Enables or disables a tile; see the header. */
void tile_enable(ads_hdlg dialog, const char *key, int on)
{
    ads_mode_tile(dialog, key, on ? MODE_ENABLE : MODE_DISABLE);
}

/* Reads a toggle; see the header. */
int tile_get_toggle(ads_hdlg dialog, const char *key)
{
    char value[TILE_BUF_SIZE] = "";
    if (!dialog || !key || ads_get_tile(dialog, key, value, TILE_BUF_SIZE) != RTNORM) return 0;
    return strcmp(value, "1") == 0;
}

/* Room for a number shown in a tile. */
static constexpr int TILE_NUMBER_SIZE = 16;

/* Registers the tile table; see the header. */
void dlg_register(ads_hdlg dlg, const dlg_tile *tiles, int n, void *data)
{
    for (int i = 0; i < n; ++i) {
        ads_action_tile(dlg, tiles[i].key, tiles[i].action);
        ads_client_data_tile(dlg, tiles[i].key, data);
    }
}

/* Fills a list tile; see the header. */
void dlg_fill_list(ads_hdlg dlg, const char *key, const char *const *texts, int n)
{
    ads_start_list(dlg, key, LIST_NEW, 0);
    for (int i = 0; i < n; ++i) ads_add_list(texts[i]);
    ads_end_list();
}

/* Sets a tile to an index; see the header. */
void dlg_set_index(ads_hdlg dlg, const char *key, int index)
{
    char text[TILE_NUMBER_SIZE];
    std::snprintf(text, sizeof text, "%d", index);
    ads_set_tile(dlg, key, text);
}

/* 1 when picked or double-clicked; see the header. */
int cb_acts(const ads_callback_packet *cpkt)
{
    return cpkt->reason == CBR_SELECT || cpkt->reason == CBR_DOUBLE_CLICK;
}
