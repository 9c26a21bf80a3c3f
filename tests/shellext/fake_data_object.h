// The data object the shell hands to IShellExtInit::Initialize for a
// printer: the printer's name as a drop list in the "PrinterFriendlyName"
// format, UTF-16 on Windows NT and ANSI on Windows 95/98.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

class FakeDataObject : public IDataObject {
public:
    explicit FakeDataObject(const std::string& printerName);

    // GetData answers with `result` after `successes` successful calls.
    void FailAfter(int successes, HRESULT result);
    // The drop list's name offset points past the end of the block.
    void BreakOffset() { brokenOffset = true; }

    LONG references() const { return refCount; }
    int getDataCalls() const { return calls; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    STDMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }

private:
    HGLOBAL MakeDropList() const;

    std::string name;
    LONG refCount = 1;  // the test's own reference, on the stack
    int calls = 0;
    int failAfter = -1;
    HRESULT failure = S_OK;
    bool brokenOffset = false;
};
