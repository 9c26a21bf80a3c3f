#include "shell_ext.h"

#include "ext_log.h"
#include "handles.h"
#include "server.h"

#include <shellapi.h>

#include <cstring>

namespace {

constexpr char kPrinterNameFormat[] = "PrinterFriendlyName";

FORMATETC NameFormat()
{
    FORMATETC format = {PrinterNameFormat(), NULL, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    return format;
}

// A storage medium from IDataObject::GetData, released with ReleaseStgMedium.
class Medium {
public:
    Medium() { ZeroMemory(&medium, sizeof medium); }
    ~Medium()
    {
        if (filled)
            ReleaseStgMedium(&medium);
    }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;

    HRESULT Get(IDataObject* data)
    {
        FORMATETC format = NameFormat();
        HRESULT result = data->GetData(&format, &medium);
        filled = SUCCEEDED(result);
        return result;
    }
    HGLOBAL global() const { return medium.tymed == TYMED_HGLOBAL ? medium.hGlobal : NULL; }

private:
    STGMEDIUM medium;
    bool filled = false;
};

// The first name of the drop list into `name` (kNameSize bytes): UTF-16 or
// ANSI as its header says (fWide). FALSE when the block is malformed or the
// name does not fit.
BOOL ReadDropListName(HGLOBAL block, char* name)
{
    GlobalLockGuard lock(block);
    const BYTE* data = static_cast<const BYTE*>(lock.get());
    SIZE_T size = lock.size();
    if (data == NULL || size < sizeof(DROPFILES))
        return FALSE;
    const DROPFILES* header = reinterpret_cast<const DROPFILES*>(data);
    SIZE_T offset = header->pFiles;
    if (offset >= size)
        return FALSE;
    SIZE_T available = size - offset;
    if (!header->fWide) {
        const char* text = reinterpret_cast<const char*>(data + offset);
        SIZE_T length = 0;
        while (length < available && length < kNameSize && text[length] != '\0')
            ++length;
        if (length == available || length == kNameSize)
            return FALSE;
        std::memcpy(name, text, length + 1);
        return TRUE;
    }
    WCHAR wide[kNameSize];
    SIZE_T length = 0;
    for (; length < available / sizeof(WCHAR) && length < kNameSize; ++length) {
        std::memcpy(&wide[length], data + offset + length * sizeof(WCHAR), sizeof(WCHAR));
        if (wide[length] == L'\0')
            break;
    }
    if (length == available / sizeof(WCHAR) || length == kNameSize)
        return FALSE;
    return WideCharToMultiByte(CP_ACP, 0, wide, -1, name, kNameSize, NULL, NULL) != 0;
}

}  // namespace

CLIPFORMAT PrinterNameFormat()
{
    return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(kPrinterNameFormat));
}

CShellExt::CShellExt()
{
    ZeroMemory(printerName, sizeof printerName);
    ExtDebugLog("CShellExt::CShellExt()\r\n");
    ServerAddRef();
}

CShellExt::~CShellExt()
{
    ExtDebugLog("CShellExt::~CShellExt()\r\n");
    if (dataObject != NULL)
        dataObject->Release();
    ServerRelease();
}

STDMETHODIMP CShellExt::QueryInterface(REFIID riid, void** ppv)
{
    return Guarded<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (IsEqualIID(riid, IID_IShellExtInit) || IsEqualIID(riid, IID_IUnknown)) {
            ExtDebugLog("CShellExt::QueryInterface()==>IID_IShellExtInit\r\n");
            *ppv = static_cast<IShellExtInit*>(this);
        } else if (IsEqualIID(riid, IID_IContextMenu)) {
            ExtDebugLog("CShellExt::QueryInterface()==>IID_IContextMenu\r\n");
        } else if (IsEqualIID(riid, IID_IExtractIconA)) {
            ExtDebugLog("CShellExt::QueryInterface()==>IID_IExtractIcon\r\n");
        } else if (IsEqualIID(riid, IID_IPersistFile)) {
            ExtDebugLog("CShellExt::QueryInterface()==>IPersistFile\r\n");
        } else if (IsEqualIID(riid, IID_IShellPropSheetExt)) {
            ExtDebugLog("CShellExt::QueryInterface()==>IShellPropSheetExt\r\n");
            *ppv = static_cast<IShellPropSheetExt*>(this);
        } else if (IsEqualIID(riid, IID_ICopyHookA)) {
            ExtDebugLog("CShellExt::QueryInterface()==>ICopyHook\r\n");
            *ppv = static_cast<ICopyHookA*>(this);
        }
        if (*ppv == NULL) {
            ExtDebugLog("CShellExt::QueryInterface()==>Unknown Interface!\r\n");
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    });
}

STDMETHODIMP_(ULONG) CShellExt::AddRef()
{
    ExtDebugLog("CShellExt::AddRef()\r\n");
    return InterlockedIncrement(&refCount);
}

STDMETHODIMP_(ULONG) CShellExt::Release()
{
    ExtDebugLog("CShellExt::Release()\r\n");
    return ReleaseReference(this, refCount);
}

const PrinterModel& CShellExt::Model()
{
    if (!modelResolved) {
        model = PrinterModel(printerName);
        modelResolved = TRUE;
    }
    return model;
}

STDMETHODIMP CShellExt::Initialize(LPCITEMIDLIST, IDataObject* pDataObj, HKEY)
{
    return Guarded<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
        ExtDebugLog("> CShellExt::Initialize()\r\n");
        if (dataObject != NULL) {
            dataObject->Release();
            dataObject = NULL;
        }
        printerName[0] = '\0';
        modelResolved = FALSE;
        if (pDataObj == NULL)
            return S_OK;
        return InitializeFrom(pDataObj);
    });
}

HRESULT CShellExt::InitializeFrom(IDataObject* data)
{
    // Held with a reference of its own from here on, whatever GetData says:
    // the destructor releases every object held.
    dataObject = data;
    dataObject->AddRef();
    Medium medium;
    HRESULT result = medium.Get(dataObject);
    if (FAILED(result)) {
        ExtDebugLog("    GetData Error (%lx)\r\n", static_cast<unsigned long>(result));
        return E_FAIL;
    }
    if (!ReadDropListName(medium.global(), printerName)) {
        printerName[0] = '\0';
        return E_FAIL;
    }
    ExtDebugLog("    PrinterName=%s\r\n", printerName);
    ExtDebugLog("    SUCCESS\r\n");
    return S_OK;
}

STDMETHODIMP CShellExt::AddPages(LPFNADDPROPSHEETPAGE lpfnAddPage, LPARAM lParam)
{
    return Guarded<HRESULT>(E_UNEXPECTED, [&]() -> HRESULT {
        ExtDebugLog("> CShellExt::AddPages()\r\n");
        ExtDebugLog("    PrinterName=%s\r\n", printerName);
        if (!IsXimpTarget(Model())) {
            ExtDebugLog("    Faild(NoXIMP)\r\n");
            return E_FAIL;
        }
        if (!DataObjectDeliversName() || pageHeld)
            return S_OK;
        return AddUtilityPage(*this, printerName, Model(), lpfnAddPage, lParam);
    });
}

BOOL CShellExt::DataObjectDeliversName()
{
    if (dataObject != NULL) {
        Medium medium;
        HRESULT result = medium.Get(dataObject);
        if (FAILED(result)) {
            ExtDebugLog("    FAILED(%lx)\r\n", static_cast<unsigned long>(result));
            return FALSE;
        }
    }
    ExtDebugLog("    SUCCEEDED\r\n");
    return TRUE;
}

STDMETHODIMP CShellExt::ReplacePage(UINT, LPFNADDPROPSHEETPAGE, LPARAM)
{
    ExtDebugLog("> CShellExt::ReplacePage()\r\n");
    return E_FAIL;
}

void CShellExt::AddPageReference()
{
    AddRef();
    pageHeld = TRUE;
}

void CShellExt::ReleasePageReference()
{
    pageHeld = FALSE;
    Release();
}
