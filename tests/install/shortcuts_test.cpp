// The Startup shortcut: written through Wine's real shell link object into
// the Startup folder the Windows version calls for, earlier links to the same
// program removed first, and old fixed-name links removed by pattern.
#include "app_test_support.h"
#include "install_run.h"
#include "install_test_files.h"
#include "startup_links.h"
#include "uninstall_run.h"
#include "test_frame.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <vector>

namespace {

const char kDriverDir[] = "C:\\Program Files\\Monsetup Drivers";

std::string FolderPath(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, path, csidl, TRUE);
    return path;
}

std::string ThisProgramName()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string self(path, length);
    return self.substr(self.find_last_of('\\') + 1);
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return shortPath;
}

// Windows gives a link's target in its 8.3 form, Wine as it was set: both
// sides are brought to the short form before they are compared.
bool SameFile(const std::string& a, const std::string& b)
{
    return lstrcmpiA(ShortPath(a).c_str(), ShortPath(b).c_str()) == 0;
}

std::wstring Wide(const std::string& text)
{
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

// The test's own use of the shell link object, to plant and inspect links.
struct LinkObject {
    LinkObject()
    {
        CoInitialize(NULL);
        CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                         reinterpret_cast<void**>(&link));
        if (link != nullptr)
            link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    }
    ~LinkObject()
    {
        if (file != nullptr)
            file->Release();
        if (link != nullptr)
            link->Release();
    }

    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
};

bool WriteLink(const std::string& linkPath, const std::string& target)
{
    LinkObject object;
    return object.file != nullptr && SUCCEEDED(object.link->SetPath(target.c_str())) &&
           SUCCEEDED(object.file->Save(Wide(linkPath).c_str(), TRUE));
}

// The target of a link file as GetPath gives it; "" when it is none.
std::string LinkTarget(const std::string& linkPath)
{
    LinkObject object;
    char text[MAX_PATH] = "";
    if (object.file != nullptr && SUCCEEDED(object.file->Load(Wide(linkPath).c_str(), STGM_READ)))
        object.link->GetPath(text, MAX_PATH, NULL, SLGP_RAWPATH);
    return text;
}

// The files (not folders) in a folder, sorted.
std::vector<std::string> FilesIn(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void EmptyFolder(const std::string& folder)
{
    for (const std::string& name : FilesIn(folder)) {
        const std::string path = folder + "\\" + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path.c_str());
    }
}

class StartupShortcuts : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, savedDirectory);
        frame.environment.osKind = OsKindOfThisWindows();
        const bool nt = frame.environment.osKind != 1;
        startup = FolderPath(nt ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP);
        otherStartup = FolderPath(nt ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP);
        ASSERT_FALSE(startup.empty());
        ASSERT_NE(startup, otherStartup);
        EmptyFolder(startup);
        EmptyFolder(otherStartup);

        CreateDirectoryA(kDriverDir, NULL);
        frame.settings.driverDir = kDriverDir;
        target = std::string(kDriverDir) + "\\" + ThisProgramName();
        WriteText(target, "");
    }

    void TearDown() override { SetCurrentDirectoryA(savedDirectory); }

    // Links in the Startup folder that point at the program, in any form.
    std::vector<std::string> LinksToProgram()
    {
        std::vector<std::string> found;
        for (const std::string& name : FilesIn(startup)) {
            if (SameFile(LinkTarget(startup + "\\" + name), target))
                found.push_back(name);
        }
        return found;
    }

    std::string InStartup(const std::string& name) const { return startup + "\\" + name; }

    TestFrame frame;
    char savedDirectory[MAX_PATH] = "";
    std::string startup;
    std::string otherStartup;
    std::string target;
};

}  // namespace

TEST_F(StartupShortcuts, InstallingTwiceLeavesOneLinkEvenWhenItsNameChanged)
{
    frame.settings.shortcutName = "VTR3 Monitor";
    ASSERT_TRUE(InstallRun(frame).CreateShortcuts());

    const std::string linkTarget = LinkTarget(InStartup("VTR3 Monitor.lnk"));
    EXPECT_TRUE(SameFile(target, linkTarget)) << "link points at " << linkTarget;
    EXPECT_TRUE(FilesIn(otherStartup).empty()) << "the other Startup folder was written";

    frame.settings.shortcutName = "VTR3 Monitor renamed";
    ASSERT_TRUE(InstallRun(frame).CreateShortcuts());
    EXPECT_EQ(std::vector<std::string>{"VTR3 Monitor renamed.lnk"}, LinksToProgram());
    EXPECT_FALSE(FileExists(InStartup("VTR3 Monitor.lnk")));

    // The run stays in the Startup folder afterwards.
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(0, lstrcmpiA(startup.c_str(), current)) << current;
    EXPECT_EQ(0, frame.result.ErrorCode1());
}

TEST_F(StartupShortcuts, LinksToTheProgramGoInAnyCaseOrFormAndOthersStay)
{
    std::string upper = target;
    CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    const std::string otherProgram = std::string(kDriverDir) + "\\OTHER.EXE";
    const std::string elsewhere = "C:\\" + ThisProgramName();
    WriteText(otherProgram, "");
    WriteText(elsewhere, "");
    WriteText(InStartup("notes.lnk"), "");  // not a link at all
    CreateDirectoryA(InStartup("folder.lnk").c_str(), NULL);

    ASSERT_TRUE(WriteLink(InStartup("as set.lnk"), target));
    ASSERT_TRUE(WriteLink(InStartup("upper case.lnk"), upper));
    // Windows returns a link's target in its 8.3 form.
    ASSERT_TRUE(WriteLink(InStartup("short form.lnk"), ShortPath(target)));
    ASSERT_TRUE(WriteLink(InStartup("read-only.lnk"), target));
    SetFileAttributesA(InStartup("read-only.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(WriteLink(InStartup("other.lnk"), otherProgram));
    ASSERT_TRUE(WriteLink(InStartup("elsewhere.lnk"), elsewhere));

    const std::vector<std::string> others = {"elsewhere.lnk", "notes.lnk", "other.lnk"};
    ASSERT_TRUE(StartupLinks(frame.environment, frame.result).DeleteLinksTo(target));
    EXPECT_EQ(others, FilesIn(startup));
    EXPECT_TRUE(FileExists(InStartup("folder.lnk")));
    EXPECT_EQ("0/0", Pair(frame));

    // Nothing left that points at it: nothing more goes, still a success.
    ASSERT_TRUE(StartupLinks(frame.environment, frame.result).DeleteLinksTo(target));
    EXPECT_EQ(others, FilesIn(startup));
    RemoveDirectoryA(InStartup("folder.lnk").c_str());
    DeleteFileA(otherProgram.c_str());
    DeleteFileA(elsewhere.c_str());
}

TEST_F(StartupShortcuts, OldFixedNameLinksGoByPattern)
{
    for (const char* name : {"MONLNK01.lnk", "MONLNKab.LNK", "monlnk9Z.Lnk", "MONLNK1.LNK",
                             "MONLNK001.LNK", "XMONLNK01.LNK"})
        WriteText(InStartup(name), "");
    SetFileAttributesA(InStartup("MONLNKab.LNK").c_str(), FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(UninstallRun(frame).DeleteShortcutLinks());
    EXPECT_EQ((std::vector<std::string>{"MONLNK001.LNK", "MONLNK1.LNK", "XMONLNK01.LNK"}),
              FilesIn(startup));
}

TEST_F(StartupShortcuts, ALinkThatCannotBeWrittenIsReported)
{
    // Beyond the path limit.
    frame.settings.shortcutName = std::string(MAX_PATH, 'n');
    EXPECT_FALSE(InstallRun(frame).CreateShortcuts());
    EXPECT_EQ("7/91", Pair(frame));

    // In a folder that does not exist: the link object cannot save it.
    frame.result.Record({0, 0});
    frame.settings.shortcutName = "no such folder\\VTR3 Monitor";
    EXPECT_FALSE(InstallRun(frame).CreateShortcuts());
    EXPECT_EQ("7/91", Pair(frame));
    EXPECT_TRUE(FilesIn(startup).empty());
}

TEST_F(StartupShortcuts, AMissingStartupFolderEndsEachOperationWithItsPair)
{
    frame.settings.shortcutName = "VTR3 Monitor";
    ASSERT_TRUE(RemoveDirectoryA(startup.c_str()));

    // The shell has no folder to name.
    EXPECT_FALSE(InstallRun(frame).CreateShortcuts());
    EXPECT_EQ("7/90", Pair(frame));
    EXPECT_FALSE(StartupLinks(frame.environment, frame.result).DeleteLinksTo(target));
    EXPECT_EQ("7/95", Pair(frame));
    EXPECT_FALSE(UninstallRun(frame).DeleteShortcutLinks());
    EXPECT_EQ("7/120", Pair(frame));

    // A plain file in its place: the shell names it, but it cannot be entered.
    WriteText(startup, "");
    EXPECT_FALSE(InstallRun(frame).CreateShortcuts());
    EXPECT_EQ("7/96", Pair(frame));
    EXPECT_FALSE(UninstallRun(frame).DeleteShortcutLinks());
    EXPECT_EQ("7/121", Pair(frame));

    DeleteFileA(startup.c_str());
    CreateDirectoryA(startup.c_str(), NULL);
}
