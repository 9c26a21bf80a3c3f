// Redirects this program's calls of an imported function, for tests that
// make a system call fail.
#pragma once

// Replaces every import-table slot of this program that holds `from` with
// `to`. False when no slot held it.
bool PatchImports(void* from, void* to);

// `module`'s `function` replaced by `standIn` in this program's import
// tables while this lives; `patched` tells whether any slot held it.
class ScopedImportPatch {
public:
    ScopedImportPatch(const char* module, const char* function, void* standIn);
    ~ScopedImportPatch();
    ScopedImportPatch(const ScopedImportPatch&) = delete;
    ScopedImportPatch& operator=(const ScopedImportPatch&) = delete;

private:
    void* const real;
    void* const standIn;

public:
    const bool patched;
};
