// Stand-ins for the operations the main frame dispatches to, so that the
// frame's own rules can be tested alone. Each records that it ran and returns
// what the test chose.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct OperationStubs {
    std::vector<std::string> calls;  // "Install", "UnInstall", ...
    BOOL result = TRUE;              // what each operation returns
    BOOL languageMonitorsResult = TRUE;
};

extern OperationStubs operationStubs;
