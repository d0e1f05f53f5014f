// Internal: the object queue shared by every named kind of the toolkit (not for forms).
#pragma once

#include <cstring>

#include "gui/base.h"

namespace guiq
{

// Allocates the first node; 0 on success.
int init(GUIQUEUE& q);
// Deletes the first object with `del` until the kind is empty, then frees the first node.
int release(GUIQUEUE& q, int (*del)(void*));
bool full(const GUIQUEUE& q);
// Appends the object (reusing the first node for the first object); 0 on success.
int append(GUIQUEUE& q, void* obj);
// Unlinks the object's node; 0 on success, 1 when it is not in the queue.
int remove(GUIQUEUE& q, const void* obj);
bool contains(const GUIQUEUE& q, const void* obj);

// First object whose name (obtained by `name_of`) equals `name`, or 0.
template <typename T, typename F> T* find(const GUIQUEUE& q, const char* name, F name_of)
{
    if (!name || !q.pFirst || q.bCount == 0) return nullptr;
    for (GUIQNODE* n = q.pFirst; n; n = n->pNext) {
        T* obj = static_cast<T*>(n->pObj);
        const char* s = obj ? name_of(obj) : nullptr;
        if (s && std::strcmp(s, name) == 0) return obj;
    }
    return nullptr;
}

} // namespace guiq
