// The utility page on a product printer's property sheet: a check box for
// the printer's "Monitoring" flag and buttons that start MONRUN and MONCFG.
// Its dialog template and bitmap come from the model's resource library.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

class CShellExt;

constexpr WORD kUtilityPageTemplate = 1000;
constexpr WORD kVtrButtonBitmap = 140;
constexpr int IDC_CHECK_MONITORING = 1001;
constexpr int IDC_UTILITY_CONTROL_2 = 1002;
constexpr int IDC_UTILITY_CONTROL_3 = 1003;
constexpr int IDC_BUTTON_VTR = 1004;
constexpr int IDC_BUTTON_MONITOR_SETTING = 1005;

// Fills the description of the page of `object`, whose resource library is
// loaded and which holds one reference for the page.
void FillUtilityPage(CShellExt* object, PROPSHEETPAGEA* page);

UINT CALLBACK NvUtyPageCallback(HWND hwnd, UINT uMsg, LPPROPSHEETPAGEA ppsp);
INT_PTR CALLBACK NvUtyPageDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
