#include "operation_stubs.h"

#include "main_frame.h"

OperationStubs operationStubs;

BOOL CMainFrame::Install()
{
    operationStubs.calls.push_back("Install");
    return operationStubs.result;
}

BOOL CMainFrame::UnInstall()
{
    operationStubs.calls.push_back("UnInstall");
    return operationStubs.result;
}

BOOL CMainFrame::UnInstall2()
{
    operationStubs.calls.push_back("UnInstall2");
    return operationStubs.result;
}

BOOL CMainFrame::InstallLanguageMonitors()
{
    operationStubs.calls.push_back("InstallLanguageMonitors");
    return operationStubs.languageMonitorsResult;
}
