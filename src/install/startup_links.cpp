// The Startup folder of this Windows and the links in it: the link that runs
// the program at every logon, the removal of links that point at a program,
// and of links that older setups left under fixed names. Links are read and
// written through the shell's link object.
#include "startup_links.h"

#include "ansi_text.h"
#include "delete_file.h"
#include "file.h"

#include <objbase.h>
#include <shlobj.h>

namespace {

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

}  // namespace

StartupLinks::StartupLinks(const RunEnvironment& environment, RunResult& result)
    : environment(environment), result(result)
{
}

std::string StartupLinks::StartupFolder()
{
    // The all-users folder on Windows NT 4.0 and 2000, the user's own on 95/98.
    const int osKind = environment.osKind;
    return GetSpecialFolderPath((osKind == 2 || osKind == 3) ? CSIDL_COMMON_STARTUP
                                                             : CSIDL_STARTUP);
}

bool StartupLinks::BeginListing(CFileFind& find, std::string& folder,
                                const ListingFailures& failures)
{
    folder = StartupFolder();
    if (folder.empty()) {
        result.Record(failures.noFolder);
        return false;
    }
    if (!SetCurrentDirectoryA(folder.c_str())) {
        result.Record(failures.noEnter);
        return false;
    }
    if (!find.FindFile("*.*")) {
        result.Record(failures.noListing, GetLastError());
        return false;
    }
    return true;
}

BOOL StartupLinks::DeleteLinksTo(const std::string& target)
{
    std::string folder;
    CFileFind find;
    if (!BeginListing(find, folder, {pair::kLinkFolderNotFound, pair::kLinkFolderNotEntered,
                                     pair::kLinkFolderNotListed}))
        return FALSE;
    ComPtr<IShellLinkA> link;
    if (FAILED(CreateShellLink(link))) {
        result.Record(pair::kShellLinkNotCreated, GetLastError());
        return FALSE;
    }
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.receive()))) {
        result.Record(pair::kShellLinkNotPersistent);
        return FALSE;
    }

    const std::string wanted = ShortForm(target);
    for (BOOL more = TRUE; more;) {
        more = find.FindNextFile();
        if (find.IsDots())
            continue;
        const std::string path = InFolder(folder, find.GetFileName());
        const std::string linkTarget = LinkTarget(link.get(), file.get(), path);
        if (linkTarget.empty() || !EqualIgnoringAsciiCase(ShortForm(linkTarget), wanted))
            continue;
        // A link that cannot be removed stays; the others are still examined.
        DeleteFileEvenIfReadOnly(path);
    }
    return TRUE;
}

BOOL StartupLinks::CreateLink(const std::string& target, const std::string& linkPath,
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

std::string StartupLinks::GetSpecialFolderPath(int csidl)
{
    ShellItemList folder;
    if (SHGetSpecialFolderLocation(environment.replyWindow, csidl, &folder.list) != S_OK)
        return std::string();
    char path[MAX_PATH];
    if (!SHGetPathFromIDListA(folder.list, path))
        return std::string();
    path[MAX_PATH - 1] = '\0';
    return path;
}

BOOL StartupLinks::MatchesPattern(const std::string& name, const std::string& pattern)
{
    size_t n = 0;
    size_t p = 0;
    while (n < name.size() && p < pattern.size()) {
        const size_t nameChar = CharLength(name, n, AnsiLeadByte);
        const size_t patternChar = CharLength(pattern, p, AnsiLeadByte);
        if (pattern[p] != '?' &&
            !EqualIgnoringAsciiCase(name.substr(n, nameChar), pattern.substr(p, patternChar)))
            return FALSE;
        n += nameChar;
        p += patternChar;
    }
    return n == name.size() && p == pattern.size();
}
