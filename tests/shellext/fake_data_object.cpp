#include "fake_data_object.h"

#include "test_windows.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

FakeDataObject::FakeDataObject(const std::string& printerName) : name(printerName) {}

void FakeDataObject::FailAfter(int successes, HRESULT result)
{
    failAfter = successes;
    failure = result;
}

STDMETHODIMP FakeDataObject::QueryInterface(REFIID riid, void** ppv)
{
    *ppv = NULL;
    if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IDataObject))
        return E_NOINTERFACE;
    *ppv = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) FakeDataObject::AddRef()
{
    return ++refCount;
}

STDMETHODIMP_(ULONG) FakeDataObject::Release()
{
    return --refCount;
}

STDMETHODIMP FakeDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    ++calls;
    if (failAfter >= 0 && calls > failAfter)
        return failure;
    if (format->cfFormat != RegisterClipboardFormatA("PrinterFriendlyName") ||
        !(format->tymed & TYMED_HGLOBAL) || format->dwAspect != DVASPECT_CONTENT ||
        format->lindex != -1)
        return DV_E_FORMATETC;
    ZeroMemory(medium, sizeof *medium);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = MakeDropList();
    return medium->hGlobal != NULL ? S_OK : E_OUTOFMEMORY;
}

HGLOBAL FakeDataObject::MakeDropList() const
{
    const bool wide = IsWindowsNT();
    std::vector<BYTE> names;
    if (wide) {
        int count = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, NULL, 0);
        std::vector<WCHAR> text(count + 1);
        MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, text.data(), count);
        names.assign(reinterpret_cast<BYTE*>(text.data()),
                     reinterpret_cast<BYTE*>(text.data() + text.size()));
    } else {
        names.assign(name.begin(), name.end());
        names.push_back(0);
        names.push_back(0);
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + names.size());
    BYTE* data = static_cast<BYTE*>(GlobalLock(block));
    DROPFILES* header = reinterpret_cast<DROPFILES*>(data);
    header->pFiles = brokenOffset ? 0x10000 : sizeof(DROPFILES);
    header->fWide = wide;
    std::memcpy(data + sizeof(DROPFILES), names.data(), names.size());
    GlobalUnlock(block);
    return block;
}
