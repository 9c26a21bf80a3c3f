// The utility page on a product printer's property sheet: a check box for
// the printer's "Monitoring" flag and buttons that start MONRUN and MONCFG.
// Its dialog template and bitmap come from the model's resource library.
#pragma once

#include "printer_model.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

constexpr WORD kUtilityPageTemplate = 1000;
constexpr WORD kVtrButtonBitmap = 140;
constexpr int IDC_CHECK_MONITORING = 1001;
constexpr int IDC_UTILITY_CONTROL_2 = 1002;
constexpr int IDC_UTILITY_CONTROL_3 = 1003;
constexpr int IDC_BUTTON_VTR = 1004;
constexpr int IDC_BUTTON_MONITOR_SETTING = 1005;

// The extension object that adds a page. The page holds one reference on it
// from AddPages until the sheet releases the page.
class PageOwner {
public:
    virtual void AddPageReference() = 0;
    // May destroy the owner.
    virtual void ReleasePageReference() = 0;

protected:
    ~PageOwner() = default;
};

// AddPages' part after its checks: the page of `printerName`, whose model is
// `model`, with its own resource library, handed to `lpfnAddPage`. S_OK
// whether a page was added or not; each refusal writes its log line.
HRESULT AddUtilityPage(PageOwner& owner, const char* printerName, const PrinterModel& model,
                       LPFNADDPROPSHEETPAGE lpfnAddPage, LPARAM lParam);

UINT CALLBACK NvUtyPageCallback(HWND hwnd, UINT uMsg, LPPROPSHEETPAGEA ppsp);
INT_PTR CALLBACK NvUtyPageDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
