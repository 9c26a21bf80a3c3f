// A main frame made by a test, reading the command line the test gives.
#pragma once

#include "main_frame.h"

class TestFrame : public CMainFrame {
public:
    explicit TestFrame(std::string commandLine = std::string())
        : commandLine(std::move(commandLine)) {}

protected:
    std::string CommandLineText() const override { return commandLine; }

private:
    std::string commandLine;
};
