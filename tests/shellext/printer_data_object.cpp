#include "printer_data_object.h"

#include <shlobj.h>

#include <cstring>

PrinterDataObject::PrinterDataObject(const std::string& printer, bool wide)
    : headerSaysWide(wide), name(printer), wideName(wide)
{
}

STDMETHODIMP PrinterDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (failure != S_OK)
        return failure;
    if (format->cfFormat != RegisterClipboardFormatA("PrinterFriendlyName"))
        return DV_E_FORMATETC;
    // The shell's UTF-16 name of an ANSI name (a Japanese one too).
    std::wstring wide(name.size() + 1, L'\0');
    const int converted = MultiByteToWideChar(CP_ACP, 0, name.c_str(), -1, &wide[0],
                                              static_cast<int>(wide.size()));
    wide.resize(converted > 0 ? static_cast<size_t>(converted) - 1 : 0);
    const size_t size = wideName ? (wide.size() + 1) * sizeof(WCHAR) : name.size() + 1;
    medium->tymed = TYMED_HGLOBAL;
    medium->pUnkForRelease = NULL;
    // Two spare zero bytes end the list as the shell does.
    medium->hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + size + 2);
    BYTE* data = static_cast<BYTE*>(GlobalLock(medium->hGlobal));
    DROPFILES* header = reinterpret_cast<DROPFILES*>(data);
    header->pFiles = brokenOffset ? 0x10000 : sizeof(DROPFILES);
    header->fWide = headerSaysWide;
    std::memcpy(data + sizeof(DROPFILES),
                wideName ? static_cast<const void*>(wide.c_str()) : name.c_str(), size);
    GlobalUnlock(medium->hGlobal);
    return S_OK;
}
