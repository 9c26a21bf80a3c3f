// Registry places and small text helpers that several removal steps share.
#pragma once

#include <string>

// HKLM: one subkey per installed printer model, named by its driver.
extern const char kModelsKey[];
// HKLM (and HKCU): the product's own tree, and its parent.
extern const char kNorvaKey[];
extern const char kProductSubkey[];
// The monitor's target-printer keys (under HKCU and HKLM).
extern const char kTxaTargetKey[];
extern const char kTxbTargetKey[];

// The model's driver key: "Software\NORVA\VTR3\Driver\<driverName>".
std::string ModelKeyPath(const std::string& driverName);

// Equal when only the case of ASCII letters differs (no locale rules).
bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b);

// The full path of the running program, empty when it does not fit.
std::string OwnProgramPath();

// The Windows system directory, empty when it cannot be read.
std::string SystemDirectoryPath();
