// Watches the spooler calls this test program makes through its import
// table while a SpoolerCalls object lives: which printers SetPrinterA was
// given, which monitor each AddPrinterDriverA named, which monitors were
// added and deleted. A call can also be made to fail once, with an error,
// before it reaches the spooler.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct AddedMonitor {
    std::string name;
    std::string environment;
    std::string dll;
    BOOL result = FALSE;
};

class SpoolerCalls {
public:
    SpoolerCalls();
    ~SpoolerCalls();
    SpoolerCalls(const SpoolerCalls&) = delete;
    SpoolerCalls& operator=(const SpoolerCalls&) = delete;

    // False when a hook could not be put into the import table.
    bool Hooked() const { return hooked; }

    // The next call of `function` ("OpenPrinterA", "GetPrinterDriverA",
    // "SetPrinterA", "AddPrinterDriverA") that is the `nth` (1 = first) from
    // now fails with `error` without reaching the spooler.
    void FailCall(const std::string& function, int nth, DWORD error);

    std::vector<std::string> setPrinter;        // pPrinterName of each record
    std::vector<std::string> driverMonitors;    // pMonitorName, "(null)" for NULL
    std::vector<AddedMonitor> addedMonitors;
    std::vector<std::string> deletedMonitors;
    int openPrinter = 0;
    int getPrinterDriverFills = 0;               // calls with a buffer

private:
    bool hooked = false;
};
