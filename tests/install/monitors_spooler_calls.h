// Watches the spooler calls this test program makes through its import
// table while a SpoolerCalls object lives, as lines of a log:
//   "SetPrinterA <printer>", "AddPrinterDriverA <monitor or (null)>",
//   "AddMonitorA <name> <environment> <dll>", "DeleteMonitorA <name>".
// One call can also be made to fail, with an error, before it reaches the
// spooler (OpenPrinterA, GetPrinterDriverA with a buffer, SetPrinterA,
// AddPrinterDriverA).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

class SpoolerCalls {
public:
    SpoolerCalls();
    ~SpoolerCalls();
    SpoolerCalls(const SpoolerCalls&) = delete;
    SpoolerCalls& operator=(const SpoolerCalls&) = delete;

    // False when a hook could not be put into the import table.
    bool Hooked() const { return hooked; }
    // The `nth` (1 = first) call of `function` from now fails with `error`.
    void FailCall(const std::string& function, int nth, DWORD error);

    std::vector<std::string> log;

private:
    bool hooked = false;
};
