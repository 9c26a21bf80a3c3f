// The state of one run of MONCHK04, in the groups that the steps of the run
// share: the command line, the system it runs on, the installation settings,
// the waits for the programs it started, and its result. The main frame holds
// one RunState; the install and uninstall steps work on it.
#pragma once

#include "ansi_text.h"
#include "cmd_line.h"
#include "parameter_file.h"
#include "result_codes.h"

#include <windows.h>

#include <functional>
#include <string>

// The result of the run: the last pair recorded, with the Windows error of
// that same failure (or 0). Recorded only through Record, so a failure never
// carries the error of an earlier, unrelated one.
class RunResult {
public:
    void Record(ResultPair pair, DWORD windowsError = 0)
    {
        code1 = pair.code1;
        code2 = pair.code2;
        lastError = windowsError;
    }

    LONG ErrorCode1() const { return code1; }
    LONG ErrorCode2() const { return code2; }
    DWORD LastError() const { return lastError; }
    ResultPair Pair() const { return {code1, code2}; }

private:
    LONG code1 = 0;
    LONG code2 = 0;
    DWORD lastError = 0;
};

// The system the run works on and the rights it has.
struct RunEnvironment {
    int osKind = 0;                                   // 1 = 95/98, 2 = NT 4.0, 3 = 2000
    BOOL isAdmin = FALSE;                             // always TRUE on 95/98
    // For the keys and directories the run creates: the protected kind, and
    // the kind for keys that plain users write (see access_control.h).
    LPSECURITY_ATTRIBUTES securityAttributes = NULL;
    LPSECURITY_ATTRIBUTES sharedSecurityAttributes = NULL;
    HWND replyWindow = NULL;                          // the frame: the SDK installers answer it
};

// What an install run learns from the setup INI, the system and the spooler.
struct InstallSettings {
    std::string driverDir;
    std::string driverName;
    DWORD driverVersion = 0;
    std::string langMonitorDll;
    std::string langMonitorName;
    std::string shortcutName;
    std::string iniPath;
    std::string sdkInstaller;
    std::string sdkIniFile;
    std::string copyExecDir;
    std::string htmlDir;
    std::string copyExecFile;
};

// The SDK installers' reply messages to the frame (told on their command lines).
const UINT WM_SDK_REPLY = WM_USER + 200;        // 1224, from the ZQAPI SDK setup
const UINT WM_INSTALLER_REPLY = WM_USER + 201;  // 1225, from the combined installer

// Flags of the SDK setup's reply (lParam of its message).
const DWORD kSdkSuccess = 0x00000001;
const DWORD kSdkInUse1 = 0x00000400;
const DWORD kSdkInUse2 = 0x00000800;
const DWORD kSdkReplaced = 0x00200000;
// Flags of the combined installer's reply.
const DWORD kInstallerSuccess = 0x00000001;
const DWORD kInstallerOsNotSupported = 0x00000020;
const DWORD kInstallerFailure = 0x00010000;

// The wait for the SDK installers' reply messages.
struct SdkWait {
    BOOL awaitSdkReply = FALSE;
    BOOL awaitInstallerReply = FALSE;
    int sdkWaitTicks = 0;
    BOOL sdkReplied = FALSE;
    WPARAM sdkReplyWParam = 0;
    DWORD sdkReplyFlags = 1;
    BOOL osNotSupported = FALSE;
    // The installer's parameter file, its folder held until the run ends.
    ParameterFile parameterFile;

    bool Pending() const { return awaitSdkReply || awaitInstallerReply; }
    // The SDK setup replied with success and replaced files.
    bool Replaced() const
    {
        return sdkReplied && (sdkReplyFlags & kSdkSuccess) && (sdkReplyFlags & kSdkReplaced);
    }
};

// The wait for a service program to stop after its stop command: every third
// tick of the one-second timer the caller's check is tried (has it stopped,
// could its file be removed); after the fifth failed try the wait gives up
// and records its result pair.
class ServiceWait {
public:
    static const int kTicksBetweenTries = 3;
    static const int kTries = 5;

    enum Outcome { kWaiting, kStopped, kGaveUp };

    // `label` names the service in the debug log ("VTR", "XIMP").
    ServiceWait(const char* label, ResultPair gaveUp) : label(label), gaveUp(gaveUp) {}

    // Starts waiting for the service program at `path`.
    void Start(const std::string& path)
    {
        file = path;
        pending = TRUE;
    }
    bool Pending() const { return pending != FALSE; }
    void Cancel() { pending = FALSE; }

    // One timer tick while the wait is pending; `tryStopped` is asked on
    // every third tick. kWaiting otherwise or while tries remain.
    Outcome Tick(RunResult& result, const std::function<bool()>& tryStopped);

    std::string file;  // the service program's full path
    int waitTicks = 0;
    int tries = 0;

private:
    const char* label;
    ResultPair gaveUp;
    BOOL pending = FALSE;
};

struct Waits {
    SdkWait sdk;
    ServiceWait vtr{"VTR", pair::kVtrServiceNotDeleted};
    ServiceWait ximp{"XIMP", pair::kXimpServiceStillRunning};
    std::string ximpServiceName;           // also the class of its window
    BOOL deleteXimpCommonLater = FALSE;    // remove XIMPCommon once XIMP stopped

    bool AnyPending() const { return sdk.Pending() || vtr.Pending() || ximp.Pending(); }
    void Clear()
    {
        sdk.awaitSdkReply = sdk.awaitInstallerReply = FALSE;
        vtr.Cancel();
        ximp.Cancel();
    }
};

struct RunState {
    CCmdLine cmdLine{AnsiLeadByte};
    RunEnvironment environment;
    InstallSettings settings;
    Waits waits;
    RunResult result;
};

// The base of the step classes: the groups of the run's state that every
// step works on.
class RunSteps {
protected:
    explicit RunSteps(RunState& run)
        : run(run),
          cmdLine(run.cmdLine),
          environment(run.environment),
          settings(run.settings),
          waits(run.waits),
          result(run.result)
    {
    }

    RunState& run;
    const CCmdLine& cmdLine;
    const RunEnvironment& environment;
    InstallSettings& settings;
    Waits& waits;
    RunResult& result;
};
