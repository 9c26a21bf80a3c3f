// A named mutex, closed when the object goes.
#pragma once

#include <windows.h>

class CMutex {
public:
    CMutex(BOOL initiallyOwn, const char* name)
        : handle(CreateMutexA(NULL, initiallyOwn, name)) {}
    ~CMutex() { if (handle != NULL) CloseHandle(handle); }
    CMutex(const CMutex&) = delete;
    CMutex& operator=(const CMutex&) = delete;

    // The result of waiting for the mutex (WAIT_OBJECT_0 when acquired);
    // WAIT_FAILED when it could not be created.
    DWORD Lock(DWORD timeout) const
    {
        return handle != NULL ? WaitForSingleObject(handle, timeout) : WAIT_FAILED;
    }
    BOOL Unlock() const { return handle != NULL && ReleaseMutex(handle); }

    HANDLE handle;
};
