// The Startup folder of this Windows and the links in it, for the install
// (the link that runs the program at every logon) and the uninstall.
#pragma once

#include "run_state.h"

#include <windows.h>

#include <string>

class CFileFind;

class StartupLinks {
public:
    StartupLinks(const RunEnvironment& environment, RunResult& result);

    // The all-users Startup folder on NT 4.0 and 2000, the user's own on
    // 95/98; empty when the shell does not know it.
    std::string StartupFolder();
    std::string GetSpecialFolderPath(int csidl);

    // Removes every link in the Startup folder whose target is `target`
    // (letter case and the 8.3 form of the path do not matter).
    BOOL DeleteLinksTo(const std::string& target);
    BOOL CreateLink(const std::string& target, const std::string& linkPath,
                    const std::string& description);

    // The second result codes of a Startup folder listing that fails.
    struct ListingFailures {
        ResultPair noFolder;   // the folder is not known
        ResultPair noEnter;    // it cannot be made the current directory
        ResultPair noListing;  // its files cannot be listed
    };
    // Enters the Startup folder and starts listing its files; false with the
    // matching failure recorded when a step fails.
    bool BeginListing(CFileFind& find, std::string& folder, const ListingFailures& failures);

    // `pattern` matches a name of the same length; '?' matches any
    // character, ASCII letters match in either case.
    static BOOL MatchesPattern(const std::string& name, const std::string& pattern);

private:
    const RunEnvironment& environment;
    RunResult& result;
};
