// Registry places and small helpers that several removal steps share. The
// product's key paths (kModelsKey, kTxaTargetKey, ...) are platform's; like
// the rest of MONCHK04 the steps open them in the program's own registry view.
#pragma once

#include "ansi_text.h"
#include "product_keys.h"
#include "registry.h"

#include <string>

// HKLM and HKCU: the product's tree "VTR3" below the maker's key (kNorvaKey).
extern const char kProductSubkey[];

// The model's driver key: "Software\NORVA\VTR3\Driver\<driverName>".
std::string ModelKeyPath(const std::string& driverName);

// How a walk over the models ended: `visit` stopped it, every model was
// visited (a Driver key that does not exist has none), or the models could
// not be read to the end. A walk that could not read them all has not shown
// that no other model needs what the run would remove.
enum class ModelWalk { kStopped, kEnded, kUnreadable };

// Walks the models under `models` (the Driver key) in enumeration order, all
// but `except` ("" for none), and calls `visit(name, key)` with each model's
// key opened for reading (not open when it cannot be opened) until `visit`
// returns true.
template <typename Visit>
ModelWalk VisitModels(const Registry& models, const std::string& except, Visit visit)
{
    if (!models.isOpen)
        return models.IsMissing() ? ModelWalk::kEnded : ModelWalk::kUnreadable;
    for (DWORD index = 0;; ++index) {
        // Empty past the last subkey (a subkey always has a name), or when
        // the enumeration failed: only the former ends the walk.
        const std::string name = models.EnumKey(index);
        if (name.empty())
            return GetLastError() == ERROR_NO_MORE_ITEMS ? ModelWalk::kEnded
                                                          : ModelWalk::kUnreadable;
        if (name == except)
            continue;
        const Registry model(HKEY_LOCAL_MACHINE, ModelKeyPath(name), NULL, FALSE,
                             Registry::kRead);
        if (visit(name, model))
            return ModelWalk::kStopped;
    }
}

// The full path of the running program, empty when it does not fit.
std::string OwnProgramPath();

// The Windows system directory, empty when it cannot be read.
std::string SystemDirectoryPath();
