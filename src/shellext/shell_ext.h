// CShellExt: the extension object of the Printers folder. One object serves
// the property sheet (IShellExtInit, IShellPropSheetExt) and the copy hook
// (ICopyHookA); IShellExtInit is the primary interface, also for IUnknown.
#pragma once

#include "printer_model.h"
#include "product_values.h"
#include "utility_page.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

class CShellExt : public IShellExtInit,
                  public IShellPropSheetExt,
                  public ICopyHookA,
                  private PageOwner {
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

private:
    // PageOwner: the utility page's reference, which also marks the page as
    // held.
    void AddPageReference() override;
    void ReleasePageReference() override;

    // The model of the printer named by Initialize, asked of the spooler once.
    const PrinterModel& Model();
    HRESULT InitializeFrom(IDataObject* data);
    BOOL DataObjectDeliversName();

    LONG refCount = 0;
    IDataObject* dataObject = NULL;
    char printerName[kNameSize];
    PrinterModel model;
    BOOL modelResolved = FALSE;
    // One page per object: while it lives, AddPages adds no other.
    BOOL pageHeld = FALSE;
};

// The registered clipboard format in which the shell hands over the
// printer's name.
CLIPFORMAT PrinterNameFormat();
