// Registry places and small helpers that several removal steps share. The
// product's key paths (kModelsKey, kTxaTargetKey, ...) are platform's; like
// the rest of MONCHK04 the steps open them in the program's own registry view.
#pragma once

#include "ansi_text.h"
#include "product_keys.h"

#include <string>

// HKLM and HKCU: the product's tree "VTR3" and the maker's key above it.
extern const char kNorvaKey[];
extern const char kProductSubkey[];

// The model's driver key: "Software\NORVA\VTR3\Driver\<driverName>".
std::string ModelKeyPath(const std::string& driverName);

// Walks the models under `models` (the open Driver key) in enumeration order,
// all but `except` ("" for none), and calls `visit(name, key)` with each
// model's key opened for reading (not open when it cannot be opened) until
// `visit` returns true. True when it did.
template <typename Visit>
bool VisitModels(const Registry& models, const std::string& except, Visit visit)
{
    for (DWORD index = 0;; ++index) {
        const std::string name = models.EnumKey(index);
        if (name.empty())
            return false;
        if (name == except)
            continue;
        const Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(name), NULL, FALSE,
                             Registry::kRead);
        if (visit(name, model))
            return true;
    }
}

// The full path of the running program, empty when it does not fit.
std::string OwnProgramPath();

// The Windows system directory, empty when it cannot be read.
std::string SystemDirectoryPath();
