/*
** dlg_state.cpp: the row-entry and browse state saved, restored and
** cleared. The state's own buffers move with it: a saved copy holds them
** until it is restored, so nothing is freed twice or lost.
*/
#include "core/dlg_state.h"

#include <cstdlib>

namespace {

/* Frees the buffers a state holds and clears their pointers. */
void dlg_state_free_buffers(row_state_rec *s)
{
    for (char *&line : s->page) {
        std::free(line);
        line = nullptr;
    }
    std::free(s->header);
    s->header = nullptr;
    std::free(s->selection);
    s->selection = nullptr;
    s->selection_words = 0;
}

/* Drops the buffer pointers of a state whose buffers another now holds. */
void dlg_state_forget_buffers(row_state_rec *s)
{
    for (char *&line : s->page) line = nullptr;
    s->header = nullptr;
    s->selection = nullptr;
    s->selection_words = 0;
}

}  // namespace

/* Copies the state to the heap, handing its buffers to the copy. */
row_state_rec *dlg_state_push(void)
{
    row_state_rec *copy = (row_state_rec *)std::malloc(sizeof *copy);
    if (!copy) return nullptr;
    *copy = g_row_state;
    copy->cur_row_no = g_cur_row;
    copy->row_count = g_row_count;
    dlg_state_forget_buffers(&g_row_state);
    return copy;
}

/* Puts a saved state back and frees the copy. */
void dlg_state_pop(row_state_rec *copy)
{
    if (!copy) return;
    dlg_state_free_buffers(&g_row_state);
    g_row_state = *copy;
    g_cur_row = copy->cur_row_no;
    g_row_count = copy->row_count;
    std::free(copy);
}

/* Clears the state and frees its buffers. */
void dlg_state_reset(void)
{
    dlg_state_free_buffers(&g_row_state);
    g_row_state = row_state_rec{};
    g_cur_row = -1;
    g_row_count = 0;
}
