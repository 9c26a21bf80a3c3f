// Small RAII owners for Win32 handles and memory blocks: each closes or frees
// its resource exactly once, on every path. Printers have their own header
// (printer_handle.h), since they need the spooler's library.
#pragma once

#include "nt_security.h"

#include <windows.h>

// A kernel object handle closed with CloseHandle. Both NULL and
// INVALID_HANDLE_VALUE count as "no handle".
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : handle(h) {}
    ~UniqueHandle() { reset(); }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle(other.handle) { other.handle = NULL; }
    UniqueHandle& operator=(UniqueHandle&& other) noexcept
    {
        if (this != &other) {
            reset(other.handle);
            other.handle = NULL;
        }
        return *this;
    }

    HANDLE get() const { return handle; }
    bool valid() const { return handle != NULL && handle != INVALID_HANDLE_VALUE; }
    void reset(HANDLE h = NULL)
    {
        if (valid())
            CloseHandle(handle);
        handle = h;
    }
    // For calls that return a handle through a pointer.
    HANDLE* receive()
    {
        reset();
        return &handle;
    }

private:
    HANDLE handle = NULL;
};

// A find handle of FindFirstFileA, closed with FindClose.
class FindHandle {
public:
    explicit FindHandle(HANDLE h) : handle(h) {}
    ~FindHandle()
    {
        if (valid())
            FindClose(handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return handle != INVALID_HANDLE_VALUE && handle != NULL; }

private:
    HANDLE handle;
};

// A block on the process heap, freed with HeapFree.
class HeapBuffer {
public:
    HeapBuffer() = default;
    ~HeapBuffer() { Free(); }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;
    HeapBuffer(HeapBuffer&& other) noexcept : block(other.release()) {}
    HeapBuffer& operator=(HeapBuffer&& other) noexcept
    {
        if (this != &other) {
            Free();
            block = other.release();
        }
        return *this;
    }

    bool Allocate(SIZE_T size)
    {
        Free();
        block = HeapAlloc(GetProcessHeap(), 0, size);
        return block != NULL;
    }
    // Frees the block; false when HeapFree fails.
    bool Free()
    {
        if (block == NULL)
            return true;
        void* old = block;
        block = NULL;
        return HeapFree(GetProcessHeap(), 0, old) != FALSE;
    }
    void* get() const { return block; }
    // Hands the block to the caller, who frees it with HeapFree.
    void* release()
    {
        void* owned = block;
        block = NULL;
        return owned;
    }

private:
    void* block = NULL;
};

// A SID from AllocateAndInitializeSid, freed with FreeSid.
class AllocatedSid {
public:
    AllocatedSid() = default;
    ~AllocatedSid() { reset(); }
    AllocatedSid(const AllocatedSid&) = delete;
    AllocatedSid& operator=(const AllocatedSid&) = delete;
    // For calls that return a SID through a pointer; an earlier one is freed.
    PSID* receive()
    {
        reset();
        return &sid;
    }
    PSID get() const { return sid; }
    void reset()
    {
        if (sid != NULL)
            ntsecurity::FreeSid(sid);
        sid = NULL;
    }

private:
    PSID sid = NULL;
};

// A global memory block of its own, locked for the owner's lifetime and
// freed afterwards.
class LockedGlobal {
public:
    LockedGlobal(UINT flags, SIZE_T size) : block(GlobalAlloc(flags, size))
    {
        if (block != NULL)
            data = GlobalLock(block);
    }
    ~LockedGlobal()
    {
        if (data != NULL)
            GlobalUnlock(block);
        if (block != NULL)
            GlobalFree(block);
    }
    LockedGlobal(const LockedGlobal&) = delete;
    LockedGlobal& operator=(const LockedGlobal&) = delete;
    void* get() const { return data; }

private:
    HGLOBAL block;
    void* data = NULL;
};

// A lock on a global memory block that someone else owns.
class GlobalLockGuard {
public:
    explicit GlobalLockGuard(HGLOBAL h) : block(h), data(h != NULL ? GlobalLock(h) : NULL) {}
    ~GlobalLockGuard()
    {
        if (data != NULL)
            GlobalUnlock(block);
    }
    GlobalLockGuard(const GlobalLockGuard&) = delete;
    GlobalLockGuard& operator=(const GlobalLockGuard&) = delete;
    const void* get() const { return data; }
    SIZE_T size() const { return data != NULL ? GlobalSize(block) : 0; }

private:
    HGLOBAL block;
    void* data;
};
