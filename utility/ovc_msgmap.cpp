// Message maps: window and dialog procedures dispatched through tables of handlers.
#include "OrvCtl.h"

#include <algorithm>
#include <climits>

namespace {

// Work area words.
enum { kWorkTable = 0, kWorkIndex = 1 };

// One table entry under its key (the message for kind 1, the control id for kind 2).
struct IndexKey {
    UINT key;
    UINT position; // in the table, so that the first entry in table order wins
};

// Messages first, then commands, each sorted by key and table position.
struct MapIndex {
    UINT messageCount;
    UINT commandCount;
    IndexKey keys[1];
};

bool IsDispatchable(const OvcMmpEntry& entry) {
    if (!entry.handler)
        return false;
    // A command id is the low word of wParam: a larger id can never match.
    return entry.kind == OVC_MMP_MESSAGE || (entry.kind == OVC_MMP_COMMAND && entry.id <= 0xFFFF);
}

bool KeyLess(const IndexKey& a, const IndexKey& b) {
    return a.key != b.key ? a.key < b.key : a.position < b.position;
}

// A sorted index of the table, or null when there is no memory for it (dispatch then walks the
// table, which gives the same result more slowly).
MapIndex* BuildIndex(const OvcMmpEntry* table) {
    UINT count = 0;
    while (table[count].kind != OVC_MMP_END)
        ++count;
    SIZE_T bytes = sizeof(MapIndex) + sizeof(IndexKey) * (count ? count - 1 : 0);
    auto* index = static_cast<MapIndex*>(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!index)
        return nullptr;
    index->messageCount = 0;
    index->commandCount = 0;
    for (UINT i = 0; i < count; ++i)
        if (IsDispatchable(table[i]) && table[i].kind == OVC_MMP_MESSAGE)
            index->keys[index->messageCount++] = {table[i].message, i};
    IndexKey* commands = index->keys + index->messageCount;
    for (UINT i = 0; i < count; ++i)
        if (IsDispatchable(table[i]) && table[i].kind == OVC_MMP_COMMAND)
            commands[index->commandCount++] = {static_cast<UINT>(table[i].id), i};
    std::sort(index->keys, commands, KeyLess);
    std::sort(commands, commands + index->commandCount, KeyLess);
    return index;
}

// Table position of the first entry with key, or UINT_MAX.
UINT FindKey(const IndexKey* keys, UINT count, UINT key) {
    const IndexKey* end = keys + count;
    const IndexKey* found = std::lower_bound(keys, end, IndexKey{key, 0}, KeyLess);
    return found != end && found->key == key ? found->position : UINT_MAX;
}

bool Matches(const OvcMmpEntry& entry, UINT message, WPARAM wParam) {
    if (!IsDispatchable(entry))
        return false;
    if (entry.kind == OVC_MMP_MESSAGE)
        return entry.message == message;
    return message == WM_COMMAND && entry.id == LOWORD(wParam);
}

const OvcMmpEntry* FindEntry(const UINT_PTR* work, UINT message, WPARAM wParam) {
    if (!work)
        return nullptr;
    const auto* table = reinterpret_cast<const OvcMmpEntry*>(work[kWorkTable]);
    if (!table)
        return nullptr;
    const auto* index = reinterpret_cast<const MapIndex*>(work[kWorkIndex]);
    if (!index) {
        for (const OvcMmpEntry* entry = table; entry->kind != OVC_MMP_END; ++entry)
            if (Matches(*entry, message, wParam))
                return entry;
        return nullptr;
    }
    UINT position = FindKey(index->keys, index->messageCount, message);
    if (message == WM_COMMAND)
        position = std::min(position,
                            FindKey(index->keys + index->messageCount, index->commandCount, LOWORD(wParam)));
    return position != UINT_MAX ? table + position : nullptr;
}

} // namespace

extern "C" {

OVC_API int OVC_CALL OvcMmpInitTbl(const OvcMmpEntry* table, UINT_PTR* work) {
    if (!table || !work)
        return 0;
    // The first caller binds the table; a later or concurrent call leaves the work area as it is.
    auto** tableSlot = reinterpret_cast<void**>(&work[kWorkTable]);
    if (InterlockedCompareExchangePointer(tableSlot, const_cast<OvcMmpEntry*>(table), nullptr) != nullptr)
        return 1;
    // Published whole: a concurrent dispatch sees either no index (and walks the table) or all of it.
    InterlockedExchangePointer(reinterpret_cast<void**>(&work[kWorkIndex]), BuildIndex(table));
    return 1;
}

OVC_API LRESULT OVC_CALL OvcMmpWndMsgHandle(UINT_PTR* work, HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    const OvcMmpEntry* entry = FindEntry(work, message, wParam);
    if (entry)
        return entry->handler(window, message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

OVC_API INT_PTR OVC_CALL OvcMmpDlgMsgHandle(UINT_PTR* work, HWND dialog, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    const OvcMmpEntry* entry = FindEntry(work, message, wParam);
    if (entry)
        return static_cast<INT_PTR>(entry->handler(dialog, message, wParam, lParam));
    return FALSE;
}

} // extern "C"
