// CShellExt: the extension object of the Printers folder. One object serves
// the property sheet (IShellExtInit, IShellPropSheetExt) and the copy hook
// (ICopyHookA); IShellExtInit is the primary interface, also for IUnknown.
#pragma once

#include "launcher.h"
#include "printer_model.h"
#include "product_values.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <prsht.h>
#include <shlobj.h>

class CShellExt : public IShellExtInit, public IShellPropSheetExt, public ICopyHookA {
public:
    CShellExt();
    virtual ~CShellExt();
    CShellExt(const CShellExt&) = delete;
    CShellExt& operator=(const CShellExt&) = delete;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IShellExtInit
    STDMETHODIMP Initialize(LPCITEMIDLIST pidlFolder, IDataObject* pDataObj,
                            HKEY hkeyProgID) override;

    // IShellPropSheetExt
    STDMETHODIMP AddPages(LPFNADDPROPSHEETPAGE lpfnAddPage, LPARAM lParam) override;
    STDMETHODIMP ReplacePage(UINT uPageID, LPFNADDPROPSHEETPAGE lpfnReplacePage,
                             LPARAM lParam) override;

    // ICopyHookA
    STDMETHODIMP_(UINT) CopyCallback(HWND hwnd, UINT wFunc, UINT wFlags, LPCSTR pszSrcFile,
                                     DWORD dwSrcAttribs, LPCSTR pszDestFile,
                                     DWORD dwDestAttribs) override;

    // Drops what the utility page holds, once: the resource library and the
    // page's reference on this object (which may destroy it).
    void ReleasePage();

    // The model of the printer named by Initialize, asked of the spooler once.
    const PrinterModel& Model();

    // State shared with the utility page's callback and dialog procedure.
    LONG refCount = 0;
    IDataObject* dataObject = NULL;
    char printerName[kNameSize];
    HINSTANCE resourceLibrary = NULL;
    BOOL pageHeld = FALSE;
    // The model's MONRUN and MONCFG, found when the page is initialised: each
    // sheet runs on a thread of its own and keeps its own.
    ModulePaths modules;
    // Creates the page from its description: CreatePropertySheetPageA, or in
    // a test one that fails.
    HPROPSHEETPAGE(WINAPI* createPage)(LPCPROPSHEETPAGEA) = CreatePropertySheetPageA;

private:
    PrinterModel model;
    BOOL modelResolved = FALSE;

    HRESULT InitializeFrom(IDataObject* data);
    BOOL DataObjectDeliversName();
    HRESULT AddUtilityPage(LPFNADDPROPSHEETPAGE lpfnAddPage, LPARAM lParam);
};

// The registered clipboard format in which the shell hands over the
// printer's name.
CLIPFORMAT PrinterNameFormat();
