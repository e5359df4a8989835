/*
** item_hash.h: making and freeing the name table of an item tree's root
** (item_tree.cpp). The table holds the bucket chains that root->hash.buckets
** points at and, beside them, the index that finds a place in a chain
** without walking it; whoever makes or drops a root's table goes through
** these two.
**
**     if (item_hash_make(root) != 0) return ERR_NO_MEMORY;
*/
#ifndef PV_CORE_ITEM_HASH_H
#define PV_CORE_ITEM_HASH_H

struct item_node;

int item_hash_make(item_node *root);
void item_hash_free(item_node *root);

#endif
