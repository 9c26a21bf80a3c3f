// Redirects this program's calls of an imported function, for tests that
// make a system call fail.
#pragma once

// Replaces every import-table slot of this program that holds `from` with
// `to`. False when no slot held it.
bool PatchImports(void* from, void* to);
