// Prints the option record that MONCHK04 reads from a command line, parameter
// files included. A tool for setup engineers checking their command lines.
#include "cmd_line.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }

    CCmdLine cmd;
    cmd.Parse(commandLine);
    std::printf("command line   : %s\n", commandLine.c_str());
    std::printf("callerWindow   : %lu\n", static_cast<unsigned long>(cmd.callerWindow));
    std::printf("uninstallMode  : %d\n", cmd.uninstallMode);
    std::printf("uninstallArg   : [%s]\n", cmd.uninstallArg.c_str());
    std::printf("uninstallArg2  : [%s]\n", cmd.uninstallArg2.c_str());
    std::printf("install        : %s\n", cmd.install ? "TRUE" : "FALSE");
    std::printf("installArg     : [%s]\n", cmd.installArg.c_str());
    std::printf("npFlag         : %s\n", cmd.npFlag ? "TRUE" : "FALSE");
    std::printf("tFlag          : %s\n", cmd.tFlag ? "TRUE" : "FALSE");
    return 0;
}
