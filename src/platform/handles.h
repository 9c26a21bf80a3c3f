// Small RAII owners for Win32 handles and heap blocks.
#pragma once

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

// A block on the process heap, freed with HeapFree.
class HeapBuffer {
public:
    HeapBuffer() = default;
    ~HeapBuffer() { Free(); }
    HeapBuffer(const HeapBuffer&) = delete;
    HeapBuffer& operator=(const HeapBuffer&) = delete;

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

private:
    void* block = NULL;
};
