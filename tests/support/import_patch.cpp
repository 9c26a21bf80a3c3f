#include "import_patch.h"

#include <windows.h>

bool PatchImports(void* from, void* to)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(NULL));
    auto dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto headers = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    bool patched = false;
    auto descriptor = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; descriptor->Name != 0; ++descriptor) {
        for (auto slot = reinterpret_cast<void**>(base + descriptor->FirstThunk); *slot != NULL;
             ++slot) {
            if (*slot != from)
                continue;
            DWORD protection = 0;
            VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &protection);
            *slot = to;
            VirtualProtect(slot, sizeof *slot, protection, &protection);
            patched = true;
        }
    }
    return patched;
}

ScopedImportPatch::ScopedImportPatch(const char* module, const char* function, void* standIn)
    : real(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA(module), function))),
      standIn(standIn),
      patched(real != nullptr && PatchImports(real, standIn))
{
}

ScopedImportPatch::~ScopedImportPatch()
{
    if (patched)
        PatchImports(standIn, real);
}
