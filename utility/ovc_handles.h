// Handles of the library's objects: numbers that are never reused within a process, so a stale
// or made-up handle is refused instead of reaching freed memory.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

template <class Object>
class OvcHandleTable {
  public:
    OvcHandleTable() { InitializeCriticalSection(&lock_); }
    ~OvcHandleTable() { DeleteCriticalSection(&lock_); }
    OvcHandleTable(const OvcHandleTable&) = delete;
    OvcHandleTable& operator=(const OvcHandleTable&) = delete;

    UINT_PTR Add(std::shared_ptr<Object> object) {
        EnterCriticalSection(&lock_);
        UINT_PTR handle = next_++;
        objects_[handle] = std::move(object);
        LeaveCriticalSection(&lock_);
        return handle;
    }
    // Null for an unknown handle. The object stays alive while the caller holds it.
    std::shared_ptr<Object> Find(UINT_PTR handle) {
        EnterCriticalSection(&lock_);
        auto found = objects_.find(handle);
        std::shared_ptr<Object> object = found == objects_.end() ? nullptr : found->second;
        LeaveCriticalSection(&lock_);
        return object;
    }
    // Takes the object out: later lookups of the handle fail. Null for an unknown handle.
    std::shared_ptr<Object> Remove(UINT_PTR handle) {
        EnterCriticalSection(&lock_);
        auto found = objects_.find(handle);
        std::shared_ptr<Object> object;
        if (found != objects_.end()) {
            object = std::move(found->second);
            objects_.erase(found);
        }
        LeaveCriticalSection(&lock_);
        return object;
    }

  private:
    CRITICAL_SECTION lock_;
    std::map<UINT_PTR, std::shared_ptr<Object>> objects_;
    UINT_PTR next_ = 1;
};
