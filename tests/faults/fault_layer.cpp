// See fault_layer.h. Each wrapper has the exact signature of the function it
// stands in for (deduced from its declaration), so a failing call returns
// the way the real one would, stdcall argument bytes included.
#define MONFAULT_BUILD
#include "fault_layer.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winspool.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

namespace {

struct Entry {
    const char* dll;
    const char* name;
    void* hook;
    void* real;
    long calls;
    bool failable;
    int holds;  // +1 makes a handle, key, page or bitmap (+2 two); -1 releases one
};

// Calls whose failure cannot reach the caller, or that release what a run
// holds (their failure would only leak), or that the compiler's run-time
// support makes on the program's behalf: counted never, failed never.
const char* const kNeverFail[] = {
    "GetLastError", "SetLastError", "GetCurrentProcess", "GetCurrentThread",
    "GetCurrentThreadId", "GetCurrentProcessId", "GetCommandLineA", "GetProcessHeap",
    "GetStartupInfoA", "GetUserDefaultLangID", "GetTickCount", "GetVersion",
    "lstrcmpA", "lstrcmpiA", "lstrlenA", "IsDBCSLeadByte", "IsDBCSLeadByteEx", "CharNextA",
    "CharPrevA", "wvsprintfA", "GetPrivateProfileStringA", "GetPrivateProfileSectionA",
    "GetPrivateProfileIntA", "InitializeCriticalSection", "EnterCriticalSection",
    "LeaveCriticalSection", "DeleteCriticalSection", "TlsAlloc", "TlsFree", "TlsGetValue",
    "TlsSetValue", "CreateSemaphoreW", "ReleaseSemaphore", "GetModuleHandleW",
    "LoadLibraryW", "VirtualProtect", "VirtualQuery", "SetUnhandledExceptionFilter", "Sleep",
    "CloseHandle", "RegCloseKey", "_lclose", "FindClose", "FreeLibrary", "HeapFree", "GlobalFree",
    "GlobalUnlock", "LocalFree", "DeleteObject", "FreeSid", "ClosePrinter",
    "DestroyPropertySheetPage", "DestroyWindow", "KillTimer", "ReleaseMutex",
    "ReleaseStgMedium", "GetLengthSid", "EqualSid", "DefWindowProcA", "DispatchMessageA",
    "TranslateMessage", "PostQuitMessage", "SendMessageA", "SendDlgItemMessageA",
    "EnableWindow", "ShowWindow", "IsDlgButtonChecked", "EndDialog", "free",
    // The product reads and writes only its own windows' data, at indices
    // every such window has: Windows refuses those for no window of the
    // calling thread.
    "GetWindowLongA", "SetWindowLongA", "GetWindowLongPtrA", "SetWindowLongPtrA",
    // Fails only for a window handle or message pointer that is not valid;
    // the program's loop asks for any window with its own message.
    "GetMessageA"};

// Failure values other than 0 / NULL / FALSE.
struct FailureValue {
    const char* name;
    INT_PTR value;
};
const FailureValue kFailureValues[] = {
    {"CreateFileA", -1},        {"FindFirstFileA", -1},  {"GetFileAttributesA", -1},
    {"GetFileSize", -1},        {"SetFilePointer", -1},  {"WaitForSingleObject", -1},
    {"OpenFile", -1},           {"_llseek", -1},
    {"_lwrite", -1},            {"_lread", -1},          {"_lopen", -1},
    {"_lcreat", -1},            {"DialogBoxParamA", -1},
    {"SHGetMalloc", E_FAIL},    {"SHGetSpecialFolderLocation", E_FAIL},
    {"SHGetDesktopFolder", E_FAIL}};

// What a caller holds until it releases it: handles, keys, bitmaps (a page
// is handed to the shell, which destroys it).
const char* const kMakers[] = {"RegOpenKeyExA", "RegCreateKeyExA", "RegOpenKeyA", "RegCreateKeyA",
                               "CreateFileA", "OpenFile", "FindFirstFileA", "CreateMutexA",
                               "OpenPrinterA", "LoadBitmapA",
                               "LoadLibraryA", "LoadLibraryExA", "OpenProcessToken",
                               "OpenThreadToken"};
// A started program's process and thread handles.
const char* const kPairMakers[] = {"CreateProcessA"};
const char* const kReleasers[] = {"RegCloseKey", "CloseHandle", "_lclose", "FindClose",
                                  "ClosePrinter", "DeleteObject",
                                  "FreeLibrary"};
long held = 0;

const char* const kMemoryCalls[] = {"HeapAlloc", "GlobalAlloc", "LocalAlloc", "GlobalLock",
                                    "VirtualAlloc", "malloc", "calloc", "realloc"};

template <typename List>
bool Listed(const List& list, const char* name)
{
    for (const char* entry : list) {
        if (std::strcmp(entry, name) == 0)
            return true;
    }
    return false;
}

bool StartsWith(const char* text, const char* prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

INT_PTR FailureOf(const char* name)
{
    for (const FailureValue& entry : kFailureValues) {
        if (std::strcmp(entry.name, name) == 0)
            return entry.value;
    }
    if (StartsWith(name, "Reg"))
        return ERROR_ACCESS_DENIED;
    if (StartsWith(name, "Co") || StartsWith(name, "Ole"))
        return E_FAIL;
    return 0;
}

DWORD ErrorOf(const Entry& entry)
{
    if (Listed(kMemoryCalls, entry.name))
        return ERROR_NOT_ENOUGH_MEMORY;
    if (std::strcmp(entry.dll, "winspool.drv") == 0)
        return ERROR_INVALID_PRINTER_NAME;
    if (std::strcmp(entry.dll, "kernel32.dll") == 0 || std::strcmp(entry.dll, "advapi32.dll") == 0)
        return ERROR_ACCESS_DENIED;
    return ERROR_NOT_ENOUGH_MEMORY;
}

// The state of one armed campaign step.
long target = 0;
std::string onlyFunction;
DWORD forcedError = 0;
long counted = 0;
const char* injected = nullptr;
std::string logPath;

void Log(const std::string& line)
{
    if (logPath.empty())
        return;
    if (FILE* file = std::fopen(logPath.c_str(), "a")) {
        std::fputs((line + "\n").c_str(), file);
        std::fclose(file);
    }
}

// Words on the stack above the failing call that point into the program's
// code: likely return addresses, for addr2line on an unstripped link.
std::string CodeWordsOnStack()
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
    auto headers = reinterpret_cast<IMAGE_NT_HEADERS*>(
        base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const BYTE* start = base + headers->OptionalHeader.BaseOfCode;
    const BYTE* end = start + headers->OptionalHeader.SizeOfCode;
    auto word = static_cast<BYTE**>(__builtin_frame_address(0));
    MEMORY_BASIC_INFORMATION stack;
    if (VirtualQuery(word, &stack, sizeof stack) == 0)
        return "";
    BYTE** top = reinterpret_cast<BYTE**>(static_cast<BYTE*>(stack.BaseAddress) + stack.RegionSize);
    std::string found;
    for (int seen = 0; word < top && seen < 10; ++word) {
        if (*word >= start && *word < end) {
            char text[16];
            std::snprintf(text, sizeof text, " %p", static_cast<void*>(*word));
            found += text;
            ++seen;
        }
    }
    return found;
}

// True when this call is the one to fail; sets its last error. The log names
// the return address, for addr2line (less the image base of the caller).
bool FailsNow(Entry& entry, void* caller)
{
    if (!entry.failable)
        return false;
    ++entry.calls;
    if (!onlyFunction.empty() && onlyFunction != entry.name)
        return false;
    const long number = InterlockedIncrement(&counted);
    if (target == 0 || number != target || injected != nullptr)
        return false;
    injected = entry.name;
    char at[32];
    std::snprintf(at, sizeof at, " at %p", caller);
    Log("fault " + std::to_string(number) + " " + entry.name + at);
    Log("stack" + CodeWordsOnStack());
    SetLastError(forcedError != 0 ? forcedError : ErrorOf(entry));
    return true;
}

Entry entries[] = {
#define FAULT_IMPORT(index, dll, function) {dll, #function, nullptr, nullptr, 0, false, 0},
#include "fault_imports.inc"
#undef FAULT_IMPORT
};

template <typename R>
R Failed(const Entry& entry)
{
    const INT_PTR value = FailureOf(entry.name);
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<R>(value);
    else
        return static_cast<R>(value);
}

// Whether `result` of a maker is something the caller now holds.
template <typename R>
bool Made(R result, const char* name)
{
    if constexpr (std::is_pointer_v<R>)
        return result != nullptr && result != INVALID_HANDLE_VALUE;
    else if constexpr (std::is_integral_v<R>)
        return StartsWith(name, "Reg") ? result == ERROR_SUCCESS
                                       : (result != 0 && result != static_cast<R>(-1));
    else
        return false;
}

FARPROC LookedUp(FARPROC found, HMODULE module, LPCSTR name);

template <int Id, typename R, typename... A>
R WINAPI Hook(A... args)
{
    Entry& entry = entries[Id];
    auto real = reinterpret_cast<R(WINAPI*)(A...)>(entry.real);
    if constexpr (std::is_void_v<R>) {
        real(args...);
    } else {
        if (FailsNow(entry, __builtin_return_address(0)))
            return Failed<R>(entry);
        R result = real(args...);
        // GetProcAddress: what the program looks up is wrapped as well.
        if constexpr (std::is_same_v<R, FARPROC>)
            result = LookedUp(result, args...);
        if (entry.holds > 0 && Made(result, entry.name))
            InterlockedExchangeAdd(&held, entry.holds);
        else if (entry.holds < 0)
            InterlockedDecrement(&held);
        return result;
    }
}

template <int Id, typename R, typename... A>
void* HookFor(R(WINAPI*)(A...))
{
    return reinterpret_cast<void*>(&Hook<Id, R, A...>);
}

#ifndef _WIN64
// The C runtime's allocators are cdecl where that differs.
template <int Id, typename R, typename... A>
R __cdecl HookC(A... args)
{
    Entry& entry = entries[Id];
    if (FailsNow(entry, __builtin_return_address(0)))
        return Failed<R>(entry);
    return reinterpret_cast<R(__cdecl*)(A...)>(entry.real)(args...);
}

template <int Id, typename R, typename... A>
void* HookFor(R(__cdecl*)(A...))
{
    return reinterpret_cast<void*>(&HookC<Id, R, A...>);
}
#endif

void* const hooks[] = {
#define FAULT_IMPORT(index, dll, function) HookFor<index>(&::function),
#include "fault_imports.inc"
#undef FAULT_IMPORT
};

Entry* Find(const char* dll, const char* name)
{
    for (Entry& entry : entries) {
        if (lstrcmpiA(entry.dll, dll) == 0 && std::strcmp(entry.name, name) == 0)
            return &entry;
    }
    return nullptr;
}

std::string unwrapped;

// Puts the layer's wrapper in place of `real` for one function.
void Wrap(Entry& entry, void* real)
{
    entry.real = real;
    entry.failable = !Listed(kNeverFail, entry.name);
    entry.holds = Listed(kMakers, entry.name)       ? 1
                  : Listed(kPairMakers, entry.name) ? 2
                  : Listed(kReleasers, entry.name)  ? -1
                                                    : 0;
}

// The NT security functions the product finds by name (its nt_security.cpp)
// fail, count and hold like imported ones.
FARPROC LookedUp(FARPROC found, HMODULE, LPCSTR name)
{
    if (found == NULL || HIWORD(reinterpret_cast<UINT_PTR>(name)) == 0)
        return found;
    Entry* entry = Find("advapi32.dll", name);
    if (entry == nullptr)
        return found;
    const size_t index = static_cast<size_t>(entry - entries);
    if (entry->real == nullptr)
        Wrap(*entry, reinterpret_cast<void*>(found));
    return reinterpret_cast<FARPROC>(hooks[index]);
}

void Replace(void** slot, void* to)
{
    DWORD protection = 0;
    VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
    *slot = to;
    VirtualProtect(slot, sizeof *slot, protection, &protection);
}

void WriteCounts()
{
    Log("calls " + std::to_string(counted));
    for (const Entry& entry : entries) {
        if (entry.calls > 0)
            Log(std::string("call ") + entry.name + " " + std::to_string(entry.calls));
    }
    if (!unwrapped.empty())
        Log(unwrapped.substr(0, unwrapped.size() - 1));
}

}  // namespace

int WINAPI FaultLayerPatch(HMODULE module)
{
    BYTE* base = reinterpret_cast<BYTE*>(module);
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    int patched = 0;
    auto descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        const char* dll = reinterpret_cast<const char*>(base + descriptor->Name);
        auto names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + descriptor->OriginalFirstThunk);
        auto slots = reinterpret_cast<void**>(base + descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const char* name = reinterpret_cast<const char*>(
                reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name);
            Entry* entry = Find(dll, name);
            if (entry == nullptr) {
                if (lstrcmpiA(dll, "msvcrt.dll") != 0 && lstrcmpiA(dll, "crtdll.dll") != 0 &&
                    lstrcmpiA(dll, "monfault.dll") != 0)
                    unwrapped += std::string("unwrapped ") + dll + " " + name + "\n";
                continue;
            }
            const size_t index = static_cast<size_t>(entry - entries);
            if (*slots == hooks[index])
                continue;
            Wrap(*entry, *slots);
            Replace(slots, hooks[index]);
            ++patched;
        }
    }
    return patched;
}

void WINAPI FaultLayerArm(long k, const char* function, DWORD error)
{
    target = k;
    onlyFunction = function != nullptr ? function : "";
    forcedError = error;
    counted = 0;
    injected = nullptr;
    for (Entry& entry : entries)
        entry.calls = 0;
}

long WINAPI FaultLayerHeld()
{
    return held;
}

long WINAPI FaultLayerCalls()
{
    return counted;
}

const char* WINAPI FaultLayerInjected()
{
    return injected;
}

BOOL WINAPI FaultLayerStartFromEnvironment()
{
    const char* fault = std::getenv("MONSETUP_FAULT");
    if (fault == nullptr || *fault == '\0')
        return FALSE;
    if (const char* path = std::getenv("MONSETUP_FAULT_LOG"))
        logPath = path;
    std::string setting = fault;
    long k = 0;
    std::string function;
    DWORD error = 0;
    if (setting != "count") {
        k = std::strtol(setting.c_str(), nullptr, 10);
        const size_t colon = setting.find(':');
        if (colon != std::string::npos) {
            function = setting.substr(colon + 1);
            const size_t second = function.find(':');
            if (second != std::string::npos) {
                error = std::strtoul(function.c_str() + second + 1, nullptr, 10);
                function.resize(second);
            }
        }
    }
    FaultLayerArm(k, function.empty() ? nullptr : function.c_str(), error);
    FaultLayerPatch(GetModuleHandleA(NULL));
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_DETACH && !logPath.empty())
        WriteCounts();
    return TRUE;
}
