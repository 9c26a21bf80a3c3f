// The Startup shortcut that runs the program at every logon, and the removal
// of shortcuts that point at it or that older setups left under fixed names.
// Links are read and written through the shell's link object.
#include "main_frame.h"

#include "file.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

const char kOldLinkPattern[] = "MONLNK??.LNK";

// One COM interface pointer, released when it goes.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* get() const { return pointer; }
    Interface* operator->() const { return pointer; }
    void** receive()
    {
        reset();
        return reinterpret_cast<void**>(&pointer);
    }
    void reset()
    {
        if (pointer != nullptr)
            pointer->Release();
        pointer = nullptr;
    }

private:
    Interface* pointer = nullptr;
};

// An item list from the shell, freed with the shell's allocator.
class ShellItemList {
public:
    ShellItemList() = default;
    ~ShellItemList()
    {
        IMalloc* allocator = nullptr;
        if (list != nullptr && SUCCEEDED(SHGetMalloc(&allocator))) {
            allocator->Free(list);
            allocator->Release();
        }
    }
    ShellItemList(const ShellItemList&) = delete;
    ShellItemList& operator=(const ShellItemList&) = delete;

    LPITEMIDLIST list = nullptr;
};

// The all-users Startup folder on Windows NT 4.0 and 2000, the user's own on
// Windows 95/98.
int StartupFolderId(int osKind)
{
    return (osKind == 2 || osKind == 3) ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP;
}

// COM stays initialised for the rest of the process once this has run.
HRESULT CreateShellLink(ComPtr<IShellLinkA>& link)
{
    CoInitialize(NULL);
    return CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                            link.receive());
}

// FALSE when the path does not fit into a path buffer.
BOOL ToWidePath(const std::string& path, WCHAR (&wide)[MAX_PATH])
{
    return MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) != 0;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

// The 8.3 form of an existing path, the path itself otherwise. The link
// object returns the short form of a link's target on Windows but the path
// as it was set under Wine; both sides of a comparison go through this so
// that either form of the same file compares equal.
std::string ShortForm(const std::string& path)
{
    char shortPath[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return path;
    return std::string(shortPath, length);
}

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Equal ignoring the case of ASCII letters only (no locale rules).
BOOL SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return FALSE;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return FALSE;
    }
    return TRUE;
}

BOOL IsAsciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The target path of the link file at `path`, empty when it is no link.
std::string LinkTarget(IShellLinkA* link, IPersistFile* file, const std::string& path)
{
    WCHAR widePath[MAX_PATH];
    if (!ToWidePath(path, widePath))
        return std::string();
    if (FAILED(file->Load(widePath, STGM_WRITE)))
        return std::string();
    char target[MAX_PATH] = "";
    WIN32_FIND_DATAA findData;
    if (link->GetPath(target, MAX_PATH, &findData, SLGP_SHORTPATH) != S_OK)
        return std::string();
    target[MAX_PATH - 1] = '\0';
    return target;
}

// The second result codes of a Startup folder listing that fails.
struct ListingFailures {
    LONG noFolder;    // the folder is not known
    LONG noEnter;     // it cannot be made the current directory
    LONG noListing;   // its files cannot be listed
};

// Enters the Startup folder of this Windows and starts listing its files.
// FALSE with the frame's result pair (7, ...) set when any step fails.
bool BeginStartupListing(CMainFrame& frame, CFileFind& find, std::string& folder,
                         const ListingFailures& failures)
{
    folder = frame.GetSpecialFolderPath(StartupFolderId(frame.osKind));
    if (folder.empty()) {
        frame.SetResult(7, failures.noFolder);
        return false;
    }
    if (!SetCurrentDirectoryA(folder.c_str())) {
        frame.SetResult(7, failures.noEnter);
        return false;
    }
    if (!find.FindFile("*.*")) {
        frame.LastError = GetLastError();
        frame.SetResult(7, failures.noListing);
        return false;
    }
    return true;
}

}  // namespace

BOOL CMainFrame::CreateShortcuts()
{
    char modulePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, modulePath, MAX_PATH);
    std::string self(modulePath, length < MAX_PATH ? length : 0);
    size_t slash = self.find_last_of('\\');
    const std::string target =
        driverDir + (slash == std::string::npos ? "\\" + self : self.substr(slash));

    const std::string folder = GetSpecialFolderPath(StartupFolderId(osKind));
    if (folder.empty()) {
        SetResult(7, 90);
        return FALSE;
    }
    const std::string linkPath = InFolder(folder, shortcutName + ".lnk");

    if (!DeleteLinksTo(target))
        return FALSE;
    if (!CreateLink(target, linkPath, "")) {
        SetResult(7, 91);
        return FALSE;
    }
    return TRUE;
}

BOOL CMainFrame::DeleteLinksTo(const std::string& target)
{
    std::string folder;
    CFileFind find;
    if (!BeginStartupListing(*this, find, folder, {95, 96, 97}))
        return FALSE;
    ComPtr<IShellLinkA> link;
    if (FAILED(CreateShellLink(link))) {
        LastError = GetLastError();
        SetResult(7, 98);
        return FALSE;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receive()))) {
        SetResult(7, 99);
        return FALSE;
    }

    const std::string wanted = ShortForm(target);
    for (BOOL more = TRUE; more;) {
        more = find.FindNextFile();
        if (find.IsDots())
            continue;
        const std::string path = InFolder(folder, find.GetFileName());
        const std::string linkTarget = LinkTarget(link.get(), file.get(), path);
        if (linkTarget.empty() || !SameIgnoringCase(ShortForm(linkTarget), wanted))
            continue;
        // A link that cannot be removed stays; the others are still examined.
        DeleteServiceFile(path);
    }
    return TRUE;
}

BOOL CMainFrame::DeleteShortcutLinks()
{
    std::string folder;
    CFileFind find;
    if (!BeginStartupListing(*this, find, folder, {120, 121, 122}))
        return FALSE;
    for (BOOL more = TRUE; more;) {
        more = find.FindNextFile();
        if (find.IsDots())
            continue;
        const std::string name = find.GetFileName();
        if (MatchesPattern(name, kOldLinkPattern))
            DeleteServiceFile(name);
    }
    return TRUE;
}

BOOL CMainFrame::CreateLink(const std::string& target, const std::string& linkPath,
                            const std::string& description)
{
    ComPtr<IShellLinkA> link;
    if (FAILED(CreateShellLink(link)))
        return FALSE;
    link->SetPath(target.c_str());
    link->SetDescription(description.c_str());

    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receive())))
        return FALSE;
    // A link that was not written is reported, not passed over.
    WCHAR widePath[MAX_PATH];
    if (!ToWidePath(linkPath, widePath))
        return FALSE;
    return SUCCEEDED(file->Save(widePath, TRUE));
}

std::string CMainFrame::GetSpecialFolderPath(int csidl)
{
    ShellItemList folder;
    if (SHGetSpecialFolderLocation(hwnd, csidl, &folder.list) != S_OK)
        return std::string();
    char path[MAX_PATH];
    if (!SHGetPathFromIDListA(folder.list, path))
        return std::string();
    path[MAX_PATH - 1] = '\0';
    return path;
}

BOOL CMainFrame::MatchesPattern(const std::string& name, const std::string& pattern)
{
    if (name.size() != pattern.size())
        return FALSE;
    for (size_t i = 0; i < name.size(); ++i) {
        const char n = name[i];
        const char p = pattern[i];
        if (p == '?' || n == p)
            continue;
        if (IsAsciiLetter(n) && IsAsciiLetter(p) && UpperAscii(n) == UpperAscii(p))
            continue;
        return FALSE;
    }
    return TRUE;
}
