// The hidden main frame: the program's only window and the holder of the
// run's state. ExecuteOperation chooses the run's operation and hands it the
// state; a run that started programs to be awaited leaves a wait set, the
// one-second timer and the reply messages clear it, and OnClose reports the
// result.
#pragma once

#include "access_control.h"
#include "frame_wnd.h"
#include "run_state.h"

#include <windows.h>

#include <memory>
#include <string>

// Names by which other copies and the wait dialog find the running program.
extern const char kFrameClassName[];   // "InstallExeClass"
extern const char kFrameTitle[];       // "Vantor3 Environment Check"

// The completion message to the caller.
const UINT WM_ENV_RESULT = 0x7FF1;

// wParam of the completion message.
const WPARAM kResultSuccess = 1;
const WPARAM kResultReplaced = 2;
const WPARAM kResultFailure = 3;

const UINT_PTR kWaitTimerId = 1;
const UINT kWaitTimerPeriod = 1000;
const int kSdkWaitTicks = 120;  // the SDK installers' replies

class CMainFrame : public CFrameWnd, public RunState {
public:
    // Registers the window class and creates the hidden window.
    CMainFrame();
    ~CMainFrame() override = default;

    BOOL ExecuteOperation(BOOL alreadyRunning);
    // A run cut short in ExecuteOperation (out of memory): 7/200, nothing
    // more awaited, and the caller still told. Never throws.
    void Interrupted() noexcept;
    void StartWaitTimer();

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnTimer(UINT_PTR id) override;
    void OnClose() override;

    static std::string FormatErrorText(DWORD code);

    // The operations of a run and the administrator check; tests replace them.
    virtual BOOL IsAdministrator();
    virtual BOOL Install();
    virtual BOOL UnInstall();
    virtual BOOL UnInstall2();
    virtual BOOL InstallLanguageMonitors();

    CAccessControl accessControl;
    UINT_PTR timerId = 0;

protected:
    // The process command line without the program name. Tests give their own.
    virtual std::string CommandLineText() const;

private:
    BOOL MaintenanceRun();
    void OnInstallerReply(LPARAM flags);
    void OnSdkReply(WPARAM wParam, LPARAM flags);
    void TickSdkWait();
    void TickVtrWait();
    void TickXimpWait();
    std::unique_ptr<class Registry> OpenVtrCommonForReport();
    void WriteReport(const RunResult& reported);
    void WriteInstallFlags(class Registry& vtrCommon, const RunResult& reported);
    void WriteResultKey(const RunResult& reported);
    void PostCompletion(const RunResult& reported);
};
