// The C++ runtime's locks with CreateSemaphoreW failing, as Windows 95/98's
// stub does: this program links the shipped binaries' loader object, and
// kernel32's CreateSemaphoreW is patched to fail before any other static
// object is constructed, so that the runtime creates every lock afterwards.
#include <windows.h>

#include <ext/concurrence.h>
#include <gtest/gtest.h>

#include <cstring>

#if defined(__i386__)

namespace {

LONG unicodeCalls = 0;

HANDLE WINAPI FailingCreateSemaphoreW(LPSECURITY_ATTRIBUTES, LONG, LONG, LPCWSTR)
{
    InterlockedIncrement(&unicodeCalls);
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return NULL;
}

// Writes a jump to FailingCreateSemaphoreW over the entry of kernel32's own.
bool MakeUnicodeSemaphoresFail()
{
    BYTE* entry = reinterpret_cast<BYTE*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSemaphoreW"));
    DWORD old = 0;
    if (entry == NULL || !VirtualProtect(entry, 5, PAGE_EXECUTE_READWRITE, &old))
        return false;
    const LONG offset = static_cast<LONG>(reinterpret_cast<BYTE*>(FailingCreateSemaphoreW) -
                                          (entry + 5));
    entry[0] = 0xE9;
    std::memcpy(entry + 1, &offset, sizeof offset);
    FlushInstructionCache(GetCurrentProcess(), entry, 5);
    return true;
}

struct UnicodeSemaphoresFail {
    UnicodeSemaphoresFail() { patched = MakeUnicodeSemaphoresFail(); }
    bool patched;
};
UnicodeSemaphoresFail beforeEverything __attribute__((init_priority(101)));

// Two threads in one locked region at once would show as an overlap. Each
// holds the lock a while, so that the other one waits on the semaphore.
struct Contended {
    __gnu_cxx::__mutex mutex;
    LONG inside = 0;
    LONG overlaps = 0;
    LONG rounds = 0;
};

DWORD WINAPI LockRepeatedly(LPVOID parameter)
{
    Contended* shared = static_cast<Contended*>(parameter);
    for (int i = 0; i < 20; ++i) {
        __gnu_cxx::__scoped_lock lock(shared->mutex);
        if (InterlockedIncrement(&shared->inside) != 1)
            InterlockedIncrement(&shared->overlaps);
        Sleep(5);
        ++shared->rounds;
        InterlockedDecrement(&shared->inside);
    }
    return 0;
}

struct SlowToBuild {
    SlowToBuild()
    {
        Sleep(300);
        InterlockedIncrement(&built);
    }
    static LONG built;
};
LONG SlowToBuild::built = 0;

DWORD WINAPI UseSlowStatic(LPVOID)
{
    static SlowToBuild once;
    return SlowToBuild::built;
}

// Runs `body` on two threads at once and waits for both.
void RunTwice(LPTHREAD_START_ROUTINE body, LPVOID parameter, DWORD results[2])
{
    HANDLE threads[2];
    for (HANDLE& thread : threads)
        thread = CreateThread(NULL, 0, body, parameter, 0, NULL);
    ASSERT_NE(nullptr, threads[0]);
    ASSERT_NE(nullptr, threads[1]);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 30000));
    for (int i = 0; i < 2; ++i) {
        GetExitCodeThread(threads[i], &results[i]);
        CloseHandle(threads[i]);
    }
}

}  // namespace

TEST(Win95Loader, TheRuntimesLocksWaitWithoutTheUnicodeSemaphore)
{
    ASSERT_TRUE(beforeEverything.patched);
    auto createW = reinterpret_cast<decltype(&CreateSemaphoreW)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "CreateSemaphoreW")));
    ASSERT_EQ(nullptr, createW(NULL, 0, 1, NULL)) << "the stub of 95/98 is in place";
    InterlockedDecrement(&unicodeCalls);

    // Two threads reach a function-local static while its constructor runs.
    DWORD built[2] = {};
    RunTwice(UseSlowStatic, NULL, built);
    EXPECT_EQ(1, SlowToBuild::built);
    EXPECT_EQ(1u, built[0]);
    EXPECT_EQ(1u, built[1]) << "the second thread waited for the first";

    Contended shared;
    DWORD unused[2];
    RunTwice(LockRepeatedly, &shared, unused);
    EXPECT_EQ(40, shared.rounds);
    EXPECT_EQ(0, shared.overlaps);
    EXPECT_EQ(0, unicodeCalls) << "the runtime asked for the Unicode function";
}

#else

TEST(Win95Loader, TheRuntimesLocksWaitWithoutTheUnicodeSemaphore)
{
    GTEST_SKIP() << "64-bit Windows has the Unicode functions";
}

#endif
