// The Startup shortcut: written through Wine's real shell link object into
// the Startup folder the Windows version calls for, earlier links to the same
// program removed first, and old fixed-name links removed by pattern.
#include "app_test_support.h"
#include "test_frame.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>

#include <vector>

namespace {

const char kDriverDir[] = "C:\\Program Files\\Monsetup Drivers";

int OsKindUnderTest()
{
    const std::string windows = PresentedWindows();
    if (windows == "win98")
        return 1;
    return windows == "nt40" ? 2 : 3;
}

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

void TouchFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    CloseHandle(file);
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return shortPath;
}

std::wstring Wide(const std::string& text)
{
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

// The test's own use of the shell link object, to plant and inspect links.
class LinkObject {
public:
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
    LinkObject(const LinkObject&) = delete;
    LinkObject& operator=(const LinkObject&) = delete;

    static bool Write(const std::string& linkPath, const std::string& target)
    {
        LinkObject object;
        return object.file != nullptr && SUCCEEDED(object.link->SetPath(target.c_str())) &&
               SUCCEEDED(object.file->Save(Wide(linkPath).c_str(), TRUE));
    }

    // Target and description of a link file; false when it is none.
    static bool Read(const std::string& linkPath, std::string& target, std::string& description)
    {
        LinkObject object;
        if (object.file == nullptr || FAILED(object.file->Load(Wide(linkPath).c_str(), STGM_READ)))
            return false;
        char text[MAX_PATH] = "";
        object.link->GetPath(text, MAX_PATH, NULL, SLGP_RAWPATH);
        target = text;
        text[0] = '\0';
        object.link->GetDescription(text, MAX_PATH);
        description = text;
        return true;
    }

private:
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
};

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
        frame.osKind = OsKindUnderTest();
        const bool nt = frame.osKind != 1;
        startup = FolderPath(nt ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP);
        otherStartup = FolderPath(nt ? CSIDL_STARTUP : CSIDL_COMMON_STARTUP);
        ASSERT_FALSE(startup.empty());
        ASSERT_NE(startup, otherStartup);
        EmptyFolder(startup);
        EmptyFolder(otherStartup);

        CreateDirectoryA(kDriverDir, NULL);
        frame.driverDir = kDriverDir;
        target = std::string(kDriverDir) + "\\" + ThisProgramName();
        TouchFile(target);
    }

    void TearDown() override { SetCurrentDirectoryA(savedDirectory); }

    // Links in the Startup folder that point at the program, in any form.
    std::vector<std::string> LinksToProgram()
    {
        std::vector<std::string> found;
        for (const std::string& name : FilesIn(startup)) {
            std::string linkTarget;
            std::string description;
            if (LinkObject::Read(startup + "\\" + name, linkTarget, description) &&
                lstrcmpiA(ShortPath(linkTarget).c_str(), ShortPath(target).c_str()) == 0)
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
    frame.shortcutName = "VTR3 Monitor";
    ASSERT_TRUE(frame.CreateShortcuts());

    std::string linkTarget;
    std::string description = "<unread>";
    ASSERT_TRUE(LinkObject::Read(InStartup("VTR3 Monitor.lnk"), linkTarget, description));
    EXPECT_EQ(0, lstrcmpiA(ShortPath(target).c_str(), ShortPath(linkTarget).c_str()))
        << "link points at " << linkTarget;
    EXPECT_EQ("", description);
    EXPECT_TRUE(FilesIn(otherStartup).empty()) << "the other Startup folder was written";

    frame.shortcutName = "VTR3 Monitor renamed";
    ASSERT_TRUE(frame.CreateShortcuts());
    EXPECT_EQ(std::vector<std::string>{"VTR3 Monitor renamed.lnk"}, LinksToProgram());
    EXPECT_FALSE(FileExists(InStartup("VTR3 Monitor.lnk")));

    // The run stays in the Startup folder afterwards.
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, current);
    EXPECT_EQ(0, lstrcmpiA(startup.c_str(), current)) << current;
    EXPECT_EQ(0, frame.ErrorCode1);
}

TEST_F(StartupShortcuts, LinksToTheProgramGoInAnyCaseOrFormAndOthersStay)
{
    std::string upper = target;
    CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
    const std::string otherProgram = std::string(kDriverDir) + "\\OTHER.EXE";
    const std::string elsewhere = "C:\\" + ThisProgramName();
    TouchFile(otherProgram);
    TouchFile(elsewhere);
    TouchFile(InStartup("notes.lnk"));  // not a link at all
    CreateDirectoryA(InStartup("folder.lnk").c_str(), NULL);

    ASSERT_TRUE(LinkObject::Write(InStartup("as set.lnk"), target));
    ASSERT_TRUE(LinkObject::Write(InStartup("upper case.lnk"), upper));
    // Windows returns a link's target in its 8.3 form.
    ASSERT_TRUE(LinkObject::Write(InStartup("short form.lnk"), ShortPath(target)));
    ASSERT_TRUE(LinkObject::Write(InStartup("read-only.lnk"), target));
    SetFileAttributesA(InStartup("read-only.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(LinkObject::Write(InStartup("other.lnk"), otherProgram));
    ASSERT_TRUE(LinkObject::Write(InStartup("elsewhere.lnk"), elsewhere));

    ASSERT_TRUE(frame.DeleteLinksTo(target));
    EXPECT_FALSE(FileExists(InStartup("as set.lnk")));
    EXPECT_FALSE(FileExists(InStartup("upper case.lnk")));
    EXPECT_FALSE(FileExists(InStartup("short form.lnk")));
    EXPECT_FALSE(FileExists(InStartup("read-only.lnk")));
    EXPECT_TRUE(FileExists(InStartup("other.lnk")));
    EXPECT_TRUE(FileExists(InStartup("elsewhere.lnk")));
    EXPECT_TRUE(FileExists(InStartup("notes.lnk")));
    EXPECT_TRUE(FileExists(InStartup("folder.lnk")));
    EXPECT_EQ(0, frame.ErrorCode1);

    // Nothing left that points at it: nothing more goes, still a success.
    ASSERT_TRUE(frame.DeleteLinksTo(target));
    EXPECT_EQ(3u, FilesIn(startup).size());
    RemoveDirectoryA(InStartup("folder.lnk").c_str());
    DeleteFileA(otherProgram.c_str());
    DeleteFileA(elsewhere.c_str());
}

TEST_F(StartupShortcuts, OldFixedNameLinksGoByPattern)
{
    for (const char* name : {"MONLNK01.lnk", "MONLNKab.LNK", "monlnk9Z.Lnk", "MONLNK1.LNK",
                             "MONLNK001.LNK", "XMONLNK01.LNK"})
        TouchFile(InStartup(name));
    SetFileAttributesA(InStartup("MONLNKab.LNK").c_str(), FILE_ATTRIBUTE_READONLY);

    ASSERT_TRUE(frame.DeleteShortcutLinks());
    EXPECT_FALSE(FileExists(InStartup("MONLNK01.lnk")));
    EXPECT_FALSE(FileExists(InStartup("MONLNKab.LNK")));
    EXPECT_FALSE(FileExists(InStartup("monlnk9Z.Lnk")));
    EXPECT_TRUE(FileExists(InStartup("MONLNK1.LNK")));
    EXPECT_TRUE(FileExists(InStartup("MONLNK001.LNK")));
    EXPECT_TRUE(FileExists(InStartup("XMONLNK01.LNK")));
}

TEST(MatchesPattern, QuestionMarksTakeOneCharacterAndOnlyLettersFoldCase)
{
    const char* pattern = "MONLNK??.LNK";
    EXPECT_TRUE(CMainFrame::MatchesPattern("MONLNK01.LNK", pattern));
    EXPECT_TRUE(CMainFrame::MatchesPattern("monlnk..\x82\xa0lnk", "monlnk..??lnk"));
    EXPECT_TRUE(CMainFrame::MatchesPattern("MonLnk?x.lNk", pattern));
    EXPECT_FALSE(CMainFrame::MatchesPattern("MONLNK1.LNK", pattern));
    EXPECT_FALSE(CMainFrame::MatchesPattern("MONLNK001.LNK", pattern));
    EXPECT_FALSE(CMainFrame::MatchesPattern("MONLNK01.LN", pattern));
    EXPECT_FALSE(CMainFrame::MatchesPattern("", pattern));
    EXPECT_TRUE(CMainFrame::MatchesPattern("", ""));
    EXPECT_FALSE(CMainFrame::MatchesPattern("MONLNK01XLNK", pattern));
    // Characters 0x20 apart that are not letters stay different.
    EXPECT_FALSE(CMainFrame::MatchesPattern("[", "{"));
    EXPECT_FALSE(CMainFrame::MatchesPattern("@", "`"));
}

TEST_F(StartupShortcuts, ALinkThatCannotBeWrittenIsReported)
{
    // Beyond the path limit.
    frame.shortcutName = std::string(MAX_PATH, 'n');
    EXPECT_FALSE(frame.CreateShortcuts());
    EXPECT_EQ(std::make_pair(7L, 91L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));

    // In a folder that does not exist: the link object cannot save it.
    frame.ErrorCode1 = frame.ErrorCode2 = 0;
    frame.shortcutName = "no such folder\\VTR3 Monitor";
    EXPECT_FALSE(frame.CreateShortcuts());
    EXPECT_EQ(std::make_pair(7L, 91L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));
    EXPECT_TRUE(FilesIn(startup).empty());
}

TEST_F(StartupShortcuts, AMissingStartupFolderEndsEachOperationWithItsPair)
{
    frame.shortcutName = "VTR3 Monitor";
    ASSERT_TRUE(RemoveDirectoryA(startup.c_str()));

    // The shell has no folder to name.
    EXPECT_FALSE(frame.CreateShortcuts());
    EXPECT_EQ(std::make_pair(7L, 90L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));
    EXPECT_FALSE(frame.DeleteLinksTo(target));
    EXPECT_EQ(std::make_pair(7L, 95L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));
    EXPECT_FALSE(frame.DeleteShortcutLinks());
    EXPECT_EQ(std::make_pair(7L, 120L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));

    // A plain file in its place: the shell names it, but it cannot be entered.
    TouchFile(startup);
    EXPECT_FALSE(frame.CreateShortcuts());
    EXPECT_EQ(std::make_pair(7L, 96L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));
    EXPECT_FALSE(frame.DeleteShortcutLinks());
    EXPECT_EQ(std::make_pair(7L, 121L), std::make_pair(frame.ErrorCode1, frame.ErrorCode2));

    DeleteFileA(startup.c_str());
    CreateDirectoryA(startup.c_str(), NULL);
}
