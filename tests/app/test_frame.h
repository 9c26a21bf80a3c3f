// A main frame made by a test, reading the command line the test gives and,
// when the test says so, answering the administrator check its way (Wine
// always runs programs as an administrator).
#pragma once

#include "main_frame.h"

#include <optional>
#include <string>

class TestFrame : public CMainFrame {
public:
    explicit TestFrame(std::string commandLine = std::string())
        : commandLine(std::move(commandLine)) {}

    BOOL IsAdministrator() override
    {
        return administrator ? *administrator : CMainFrame::IsAdministrator();
    }

    std::optional<BOOL> administrator;

protected:
    std::string CommandLineText() const override { return commandLine; }

private:
    std::string commandLine;
};
