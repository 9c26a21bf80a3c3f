// Small owners for the Win32 resources the extension holds: each closes or
// frees its resource exactly once, on every path.
#pragma once

#include <windows.h>
#include <winspool.h>

// An open registry key, closed with RegCloseKey.
class RegKey {
public:
    RegKey() = default;
    ~RegKey() { Close(); }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    BOOL Open(HKEY root, const char* subKey, REGSAM access)
    {
        Close();
        return RegOpenKeyExA(root, subKey, 0, access, &key) == ERROR_SUCCESS;
    }
    BOOL Create(HKEY root, const char* subKey)
    {
        Close();
        DWORD disposition = 0;
        char emptyClass[] = "";
        return RegCreateKeyExA(root, subKey, 0, emptyClass, REG_OPTION_NON_VOLATILE,
                               KEY_ALL_ACCESS, NULL, &key, &disposition) == ERROR_SUCCESS;
    }
    void Close()
    {
        if (key != NULL)
            RegCloseKey(key);
        key = NULL;
    }
    HKEY get() const { return key; }

private:
    HKEY key = NULL;
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
    bool valid() const { return handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
};

// A kernel object handle, closed with CloseHandle.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE h) : handle(h) {}
    ~KernelHandle()
    {
        if (handle != NULL && handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;

private:
    HANDLE handle;
};

// A printer opened with OpenPrinterA, closed with ClosePrinter.
class PrinterHandle {
public:
    PrinterHandle() = default;
    ~PrinterHandle()
    {
        if (handle != NULL)
            ClosePrinter(handle);
    }
    PrinterHandle(const PrinterHandle&) = delete;
    PrinterHandle& operator=(const PrinterHandle&) = delete;
    HANDLE* receive() { return &handle; }
    HANDLE get() const { return handle; }

private:
    HANDLE handle = NULL;
};

// A movable global memory block, locked for the owner's lifetime and freed
// afterwards.
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

// A SID from AllocateAndInitializeSid, freed with FreeSid.
class AllocatedSid {
public:
    AllocatedSid() = default;
    ~AllocatedSid()
    {
        if (sid != NULL)
            FreeSid(sid);
    }
    AllocatedSid(const AllocatedSid&) = delete;
    AllocatedSid& operator=(const AllocatedSid&) = delete;
    PSID* receive() { return &sid; }
    PSID get() const { return sid; }

private:
    PSID sid = NULL;
};

// A block on the process heap, freed with HeapFree.
class ProcessHeapBlock {
public:
    explicit ProcessHeapBlock(SIZE_T size) : block(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, size)) {}
    ~ProcessHeapBlock()
    {
        if (block != NULL)
            HeapFree(GetProcessHeap(), 0, block);
    }
    ProcessHeapBlock(const ProcessHeapBlock&) = delete;
    ProcessHeapBlock& operator=(const ProcessHeapBlock&) = delete;
    void* get() const { return block; }

private:
    void* block;
};
