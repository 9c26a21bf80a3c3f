// A test frame whose operations are stand-ins, so that the frame's own rules
// can be tested alone. Each operation records that it ran and returns what
// the test chose.
#pragma once

#include "test_frame.h"

#include <string>
#include <vector>

struct OperationStubs {
    std::vector<std::string> calls;  // "Install", "UnInstall", ...
    BOOL result = TRUE;              // what each operation returns
    BOOL languageMonitorsResult = TRUE;
};

extern OperationStubs operationStubs;

class StubbedFrame : public TestFrame {
public:
    using TestFrame::TestFrame;

    BOOL Install() override { return Ran("Install", operationStubs.result); }
    BOOL UnInstall() override { return Ran("UnInstall", operationStubs.result); }
    BOOL UnInstall2() override { return Ran("UnInstall2", operationStubs.result); }
    BOOL InstallLanguageMonitors() override
    {
        return Ran("InstallLanguageMonitors", operationStubs.languageMonitorsResult);
    }

private:
    static BOOL Ran(const char* operation, BOOL result)
    {
        operationStubs.calls.push_back(operation);
        return result;
    }
};
