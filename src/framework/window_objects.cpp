#include "window_objects.h"

namespace window_objects {
namespace {

struct Slot {
    HWND hwnd;
    void* object;
};
Slot slots[16];

Slot* Find(HWND hwnd)
{
    for (Slot& slot : slots) {
        if (slot.hwnd == hwnd)
            return &slot;
    }
    return nullptr;
}

}  // namespace

void Remember(HWND hwnd, void* object)
{
    Slot* slot = Find(hwnd);
    if (slot == nullptr)
        slot = Find(NULL);
    if (slot != nullptr)
        *slot = {hwnd, object};
}

void* Recall(HWND hwnd)
{
    const Slot* slot = hwnd != NULL ? Find(hwnd) : nullptr;
    return slot != nullptr ? slot->object : nullptr;
}

void Forget(HWND hwnd)
{
    if (Slot* slot = hwnd != NULL ? Find(hwnd) : nullptr)
        *slot = {NULL, nullptr};
}

}  // namespace window_objects
