// What the shell hands to IShellExtInit::Initialize for a printer: its name
// as a drop list (DROPFILES) in the "PrinterFriendlyName" format.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

// Counts references without ever deleting itself: the test owns it.
class PrinterDataObject : public IDataObject {
public:
    // The name is UTF-16 when `wide` is true, ANSI otherwise; the DROPFILES
    // header says which (fWide).
    PrinterDataObject(const std::string& printer, bool wide);

    HRESULT failure = S_OK;     // GetData's answer instead of the name
    bool brokenOffset = false;  // the name's offset points past the block
    bool headerSaysWide;        // fWide, independent of how the name is written
    LONG references = 1;

    STDMETHODIMP QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
    STDMETHODIMP_(ULONG) Release() override { return --references; }
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
    std::string name;
    bool wideName;
};
