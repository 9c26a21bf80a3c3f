// The removal steps of the uninstall runs, in process: the service stop, the
// HTML files, the Startup-shortcut decision, the profile and product keys,
// and the deregistration of the components models share.
#include "app_test_support.h"
#include "debug_log.h"
#include "import_patch.h"
#include "install_test_files.h"
#include "registry.h"
#include "server.h"
#include "test_frame.h"
#include "test_windows.h"
#include "uninstall_run.h"
#include "uninstall_test_support.h"

#include <gtest/gtest.h>

namespace {

const char kDriver[] = "NORVA LP-1";
const char kOther[] = "NORVA LP-2";

class RemovalStep : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        frame.environment.osKind = OsKindOfThisWindows();
        frame.settings.driverName = kDriver;
    }
    void TearDown() override { StopFakeServices(); }

    TestFrame frame;
};

}  // namespace

// Which service program is started with " /R", by what the other models
// record; names are compared exactly.
TEST_F(RemovalStep, ServiceStopStartsOnlyAProgramNoOtherModelUses)
{
    const std::string service = SystemDirectory() + "\\vtrsrv.exe";
    ASSERT_TRUE(CopyPeer("fake_vtrsrv.exe", service));
    struct Case {
        const char* what;
        const char* driverName;  // as the run names the model
        Values other;            // the other model's values (none: no other model)
        bool started;
    } cases[] = {
        {"alone", kDriver, {}, true},
        {"shared", kDriver, {{"VTRSRV_NAME", "vtrsrv.exe"}}, false},
        {"other case", kDriver, {{"VTRSRV_NAME", "VTRSRV.EXE"}}, true},
        {"other program", kDriver, {{"VTRSRV_NAME", "other.exe"}}, true},
        // The model's own key, named in another letter case, counts as another model.
        {"own key in other case", "norva lp-1", {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetProductKeys();
        ForgetPeerRecord(service);
        SetModel(kDriver, {{"VTRSRV_NAME", "vtrsrv.exe"}});
        if (!c.other.empty())
            SetModel(kOther, c.other);
        TestFrame run;
        run.settings.driverName = c.driverName;
        EXPECT_TRUE(UninstallRun(run).StopVtrService());
        EXPECT_EQ(c.started, run.waits.vtr.Pending());
        EXPECT_EQ("0/0", Pair(run));
        if (c.started) {
            EXPECT_EQ(service, run.waits.vtr.file);
            std::vector<std::string> starts = PeerRecord(service, 1);
            ASSERT_EQ(1u, starts.size());
            EXPECT_NE(std::string::npos, starts[0].find("vtrsrv.exe /R")) << starts[0];
        }
    }
}

TEST_F(RemovalStep, ServiceStopWithoutProgramOrKeysStartsNothing)
{
    EnableTraceLog();
    debugLogEnabled = TRUE;
    EXPECT_FALSE(UninstallRun(frame).StopVtrService()) << "no model key: nothing told";
    EXPECT_EQ("3/62", Pair(frame));

    SetModel(kDriver, {{"VTRSRV_NAME", ""}});
    TestFrame empty;
    empty.settings.driverName = kDriver;
    EXPECT_TRUE(UninstallRun(empty).StopVtrService());
    EXPECT_EQ("0/0", Pair(empty)) << "no service program";

    DeleteFileA(kTraceLog);
    SetModel(kDriver, {{"VTRSRV_NAME", "missing.exe"}});
    TestFrame missing;
    missing.settings.driverName = kDriver;
    EXPECT_TRUE(UninstallRun(missing).StopVtrService());
    EXPECT_FALSE(missing.waits.vtr.Pending());
    EXPECT_EQ("0/0", Pair(missing)) << "a stop command that does not start is only logged";
    EXPECT_EQ("CMainFrame::StopVtrService()\n    Execute vtr service    " + SystemDirectory() +
                  "\\missing.exe /R\n    Execute vtr service    error\n"
                  "CMainFrame::StopVtrService() exit\n",
              FileText(kTraceLog));
    debugLogEnabled = FALSE;

    if (OsKindOfThisWindows() == 1)
        return;  // no key security: the keys below open
    LockedKey lock(HKEY_LOCAL_MACHINE, ModelPath(kOther));
    SetModel(kDriver, {{"VTRSRV_NAME", "vtrsrv.exe"}});
    CopyPeer("fake_vtrsrv.exe", SystemDirectory() + "\\vtrsrv.exe");
    TestFrame locked;
    locked.settings.driverName = kDriver;
    EXPECT_TRUE(UninstallRun(locked).StopVtrService());
    EXPECT_EQ("3/60", Pair(locked));
    EXPECT_TRUE(locked.waits.vtr.Pending()) << "an unreadable model does not share the program";
}

// The five patterns go from the model's folder, read-only files too; other
// files and subfolders stay, and so does the folder that still holds them.
TEST_F(RemovalStep, HtmlFilesOfTheFivePatternsGo)
{
    const std::string common = StringValue("Software\\Microsoft\\Windows\\CurrentVersion",
                                           "CommonFilesDir");
    const std::string html = common + "\\NORVA\\HTML";
    const std::string folder = html + "\\LP1";
    CreateDirectoryA((common + "\\NORVA").c_str(), NULL);
    CreateDirectoryA(html.c_str(), NULL);
    CreateDirectoryA(folder.c_str(), NULL);
    CreateDirectoryA((folder + "\\sub.htm").c_str(), NULL);
    for (const char* name : {"mon1.exe", "a.htm", "b.html", "c.gif", "d.jpg", "keep.txt",
                             "other.exe", "sub.htm\\inner.htm"})
        WriteText(folder + "\\" + name, "x");
    SetFileAttributesA((folder + "\\c.gif").c_str(), FILE_ATTRIBUTE_READONLY);
    SetModel(kDriver, {{"HTMLInstallPath", folder}});

    EXPECT_TRUE(UninstallRun(frame).DeleteHtmlFiles());
    for (const char* gone : {"mon1.exe", "a.htm", "b.html", "c.gif", "d.jpg"})
        EXPECT_FALSE(FileExists(folder + "\\" + gone)) << gone;
    for (const char* kept : {"keep.txt", "other.exe", "sub.htm\\inner.htm"})
        EXPECT_TRUE(FileExists(folder + "\\" + kept)) << kept;

    // Emptied folders, and the shared HTML folder with them, go in whole runs
    // (uninstall_run_test.cpp); an unknown model is reported.
    frame.settings.driverName = "NORVA unknown";
    EXPECT_FALSE(UninstallRun(frame).DeleteHtmlFiles());
    EXPECT_EQ("3/63", Pair(frame));
}

// Only the common files' NORVA\HTML folder and its subfolders lose files: a
// model key that names any other folder is refused with 3/63 and a log line,
// and does not keep the model's record.
TEST_F(RemovalStep, HtmlFolderOutsideTheProductsHelpFolderIsRefused)
{
    const std::string common = StringValue("Software\\Microsoft\\Windows\\CurrentVersion",
                                           "CommonFilesDir");
    CreateDirectoryA((common + "\\NORVA").c_str(), NULL);
    CreateDirectoryA((common + "\\NORVA\\HTMLX").c_str(), NULL);
    const std::string folders[] = {"C:\\", common + "\\NORVA\\HTML\\..\\HTMLX",
                                   common + "\\NORVA\\HTML\\...", common + "\\NORVA\\HTMLX",
                                   common + "\\NORVA"};
    EnableTraceLog();
    debugLogEnabled = TRUE;
    for (const std::string& folder : folders) {
        SCOPED_TRACE(folder);
        const std::string victim = (folder == "C:\\" ? folder : common + "\\NORVA\\HTMLX\\") +
                                   "monsetup.htm";
        WriteText(victim, "x");
        DeleteFileA(kTraceLog);
        SetModel(kDriver, {{"HTMLInstallPath", folder}});
        TestFrame run;
        run.settings.driverName = kDriver;
        // Nothing there is the model's, for a later run either.
        EXPECT_TRUE(UninstallRun(run).DeleteHtmlFiles());
        EXPECT_EQ("3/63", Pair(run));
        EXPECT_TRUE(FileExists(victim));
        EXPECT_EQ("    HTML folder refused(" + folder + ")\n", FileText(kTraceLog));
        DeleteFileA(victim.c_str());
    }
    debugLogEnabled = FALSE;
}

// A service program name that is more than a file name in the system
// directory starts nothing (and so deletes nothing later): 4/14, one line.
TEST_F(RemovalStep, ServiceNameReachingOutOfTheSystemDirectoryIsRefused)
{
    const std::string planted = SystemDirectory() + "\\..\\vtrsrv.exe";
    ASSERT_TRUE(CopyPeer("fake_vtrsrv.exe", planted));
    EnableTraceLog();
    debugLogEnabled = TRUE;
    for (const char* name : {"..\\vtrsrv.exe", "C:\\vtrsrv.exe", "../vtrsrv.exe",
                             "C:vtrsrv.exe", ".."}) {
        SCOPED_TRACE(name);
        ForgetPeerRecord(planted);
        DeleteFileA(kTraceLog);
        SetModel(kDriver, {{"VTRSRV_NAME", name}});
        TestFrame run;
        run.settings.driverName = kDriver;
        UninstallRun(run).StopVtrService();
        EXPECT_EQ("4/14", Pair(run));
        EXPECT_FALSE(run.waits.vtr.Pending());
        EXPECT_EQ(std::string("CMainFrame::StopVtrService()\n    VTR service name refused(") +
                      name + ")\nCMainFrame::StopVtrService() exit\n",
                  FileText(kTraceLog));
    }
    debugLogEnabled = FALSE;
    EXPECT_TRUE(PeerRecord(planted, 0, 500).empty()) << "never started";
    EXPECT_TRUE(FileExists(planted));
    DeleteFileA(planted.c_str());
}

// The Startup shortcut to this program may go only when no model names the
// program (in any letter case) as its shortcut's.
TEST_F(RemovalStep, ShortcutStaysWhileAModelNamesThisProgram)
{
    const std::string program = "uninstall_steps_tests.exe";
    // No other model at all: the last whole run shows the shortcut going.
    struct Case {
        Values model;
        BOOL mayGo;
    } cases[] = {
        {{{"SHORTCUTEXE_R", "other.exe"}}, TRUE},
        {{{"SHORTCUTEXE_R", program}}, FALSE},
        {{{"SHORTCUTEXE_R", "UNINSTALL_STEPS_TESTS.EXE"}}, FALSE},
    };
    for (const Case& c : cases) {
        ResetProductKeys();
        SetModel(kDriver, {{"ModelID", "ID1"}});
        SetModel(kOther, c.model);
        EXPECT_EQ(c.mayGo, UninstallRun(frame).DeleteShortcutExe())
            << c.model[0].second;
    }
}

// The model's key goes with its subkeys, and its profile value; the last
// model's run, which then removes the product's keys, is a whole run's.
TEST_F(RemovalStep, ProfileAndModelKeyGoButNeverTheDriverKey)
{
    const std::string profiles = "software\\NORVA\\VTR3\\Profile";
    SetModel(kDriver, {{"ModelID", "ID1"}});
    SetModel(kDriver + std::string("\\Sub"), {{"x", "y"}});
    SetModel(kOther, {{"ModelID", "ID2"}});
    SetString(HKEY_LOCAL_MACHINE, profiles, "ID1", "p1");
    SetString(HKEY_LOCAL_MACHINE, profiles, "ID2", "p2");
    EXPECT_FALSE(UninstallRun(frame).DeleteProfile()) << "another model is left";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath(kDriver)));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, profiles, "ID1"));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, profiles, "ID2"));

    // With no driver name the Driver key itself would go: nothing is deleted.
    frame.settings.driverName = "";
    EXPECT_FALSE(UninstallRun(frame).DeleteProfile());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath(kOther)));
}

namespace {

// RegEnumKeyExA fails while it lives, as for a key that cannot be read.
class FailingEnumeration {
public:
    FailingEnumeration()
        : real(reinterpret_cast<void*>(
              GetProcAddress(GetModuleHandleA("advapi32.dll"), "RegEnumKeyExA"))),
          patched(real != nullptr && PatchImports(real, reinterpret_cast<void*>(Fail)))
    {
    }
    ~FailingEnumeration()
    {
        if (patched)
            PatchImports(reinterpret_cast<void*>(Fail), real);
    }

private:
    static LONG WINAPI Fail(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME)
    {
        return ERROR_ACCESS_DENIED;
    }
    void* const real;

public:
    const bool patched;
};

}  // namespace

// Models that cannot be read to the end may need what the last model's run
// removes: neither the product's keys nor the Startup links may go.
TEST_F(RemovalStep, ModelsThatCannotBeReadAreNeverTakenForNone)
{
    SetModel(kDriver, {{"ModelID", "ID1"}});
    SetModel(kOther, {{"ModelID", "ID2"}});
    ASSERT_TRUE(UninstallRun(frame).DeleteShortcutExe()) << "readable: no model names it";
    FailingEnumeration failing;
    ASSERT_TRUE(failing.patched);
    EXPECT_FALSE(UninstallRun(frame).DeleteShortcutExe());
    EXPECT_FALSE(UninstallRun(frame).DeleteProfile());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath(kOther)));
}

// The deregistration of the four components a model may share.
namespace {

const char kClsidB[] = "{0B0B0B0B-0000-4000-8000-00000000000B}";
const char kApproved[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char* const kExtensionKeys[] = {"CLSID\\", "Printers\\shellex\\PropertySheetHandlers\\",
                                      "Printers\\shellex\\CopyHookHandlers\\"};
const char kNotifiers[] = "Software\\NORVA\\KALERT";
const char kCommon[] = "Software\\NORVA\\VTR3\\XIMPCommon";

// The extension's keys as its registration writes them, in one view.
void RegisterExtension(const std::string& clsid, REGSAM view)
{
    for (const char* parent : kExtensionKeys)
        SetString(HKEY_CLASSES_ROOT, parent + clsid, "", clsid, view);
    SetString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", "", "MONEXT01.dll", view);
    SetString(HKEY_LOCAL_MACHINE, kApproved, clsid, "MONEXT01", view);
}

// "4 of 4" when every key and the approval of the extension are there.
std::string ExtensionParts(const std::string& clsid, REGSAM view)
{
    int there = 0;
    for (const char* parent : kExtensionKeys)
        there += KeyExists(HKEY_CLASSES_ROOT, parent + clsid, view);
    there += ValueExists(HKEY_LOCAL_MACHINE, kApproved, clsid, view);
    return std::to_string(there) + " of 4";
}

void UnregisterExtension(const std::string& clsid)
{
    for (REGSAM view : {REGSAM(0), OtherView()}) {
        for (const char* parent : kExtensionKeys) {
            std::string path = parent + clsid;
            Registry(HKEY_CLASSES_ROOT, path.substr(0, path.size() - clsid.size() - 1), NULL,
                     FALSE, Registry::kAllAccess | view)
                .DeleteKey(clsid);
        }
        Registry(HKEY_LOCAL_MACHINE, kApproved, NULL, FALSE, Registry::kAllAccess | view)
            .DeleteValue(clsid);
    }
}

class Deregistration : public RemovalStep {
protected:
    void SetUp() override
    {
        RemovalStep::SetUp();
        ximp = SystemDirectory() + "\\ximpsrv.exe";
        ASSERT_TRUE(CopyPeer("fake_ximpsrv.exe", ximp));
        ours = {{"SHELLEXT_R", kShellExtClassId}, {"KALERT_R", "KAlert1"}, {"Type", "LP"},
                {"XIMPSRV_NAME", "ximpsrv.exe"}};
    }
    void TearDown() override
    {
        UnregisterExtension(kShellExtClassId);
        UnregisterExtension(kClsidB);
        RemovalStep::TearDown();
    }

    // The product as installed: both models' components registered.
    void Install(const Values& other)
    {
        ResetProductKeys();
        SetModel(kDriver, ours);
        SetModel(kOther, other);
        RegisterExtension(kShellExtClassId, 0);
        RegisterExtension(kClsidB, 0);
        SetString(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N1", "NOTIFYEXE", "kalert1");
        SetString(HKEY_LOCAL_MACHINE, kNotifiers, "KAlert1", "on");
        SetString(HKEY_LOCAL_MACHINE, kCommon, "Port", "LPT1");
    }

    Values ours;
    std::string ximp;
};

}  // namespace

// Each component goes unless the other model records the same value
// (exactly); the notifier's entries are matched ignoring letter case.
TEST_F(Deregistration, EachComponentGoesUnlessAnotherModelUsesIt)
{
    // The common settings go once the service has stopped, or at once when
    // no service is awaited, unless another model of the class remains.
    // A stop command that does not start (missing.exe) gives 4/12 and, like
    // a model without service program, nothing to wait for.
    enum Common { kLater, kNow, kStays };
    struct Case {
        Values other;
        const char* program;  // our model's XIMPSRV_NAME
        const char* pair;
        bool extension, notifier, service;
        Common common;
    } cases[] = {
        {{}, "ximpsrv.exe", "0/0", true, true, true, kLater},
        {{{"SHELLEXT_R", kShellExtClassId}}, "ximpsrv.exe", "0/0", false, true, true, kLater},
        {{{"SHELLEXT_R", "{a03c8cdd-e1ba-42d6-96a1-c98dbf4f32b2}"}}, "ximpsrv.exe", "0/0", true,
         true, true, kLater},
        {{{"KALERT_R", "KAlert1"}}, "ximpsrv.exe", "0/0", true, false, true, kLater},
        {{{"KALERT_R", "KALERT1"}}, "ximpsrv.exe", "0/0", true, true, true, kLater},
        {{{"XIMPSRV_NAME", "ximpsrv.exe"}}, "ximpsrv.exe", "0/0", true, true, false, kNow},
        {{{"XIMPSRV_NAME", "XIMPSRV.EXE"}}, "ximpsrv.exe", "0/0", true, true, true, kLater},
        {{{"Type", "LP"}}, "ximpsrv.exe", "0/0", true, true, true, kStays},
        {{}, "missing.exe", "4/12", true, true, false, kNow},
        {{}, "", "0/0", true, true, false, kNow},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.other.empty() ? std::string("nothing shared, ") + c.program
                                     : c.other[0].first + "=" + c.other[0].second);
        ours[3].second = c.program;
        Install(c.other);
        TestFrame run;
        run.settings.driverName = kDriver;
        EXPECT_TRUE(UninstallRun(run).DeleteRegXIMP());
        EXPECT_EQ(c.pair, Pair(run));
        EXPECT_EQ(c.extension ? "0 of 4" : "4 of 4", ExtensionParts(kShellExtClassId, 0));
        EXPECT_EQ("4 of 4", ExtensionParts(kClsidB, 0)) << "another extension";
        EXPECT_EQ(!c.notifier, KeyExists(HKEY_LOCAL_MACHINE, kNotifiers));
        EXPECT_EQ(c.service, run.waits.ximp.Pending());
        if (c.service) {
            EXPECT_EQ(ximp, run.waits.ximp.file);
            EXPECT_EQ("ximpsrv.exe", run.waits.ximpServiceName);
        }
        EXPECT_EQ(c.common == kLater, run.waits.deleteXimpCommonLater != FALSE);
        EXPECT_EQ(c.common != kNow, KeyExists(HKEY_LOCAL_MACHINE, kCommon));
    }
}

// Another class than MONEXT01's keeps its registration (3/83), and a service
// name reaching out of the system directory starts nothing (4/12); each is
// one log line.
TEST_F(Deregistration, ForeignClassAndServiceOutsideTheSystemDirectoryAreRefused)
{
    const std::string planted = SystemDirectory() + "\\..\\ximpsrv.exe";
    ASSERT_TRUE(CopyPeer("fake_ximpsrv.exe", planted));
    ForgetPeerRecord(planted);
    EnableTraceLog();
    debugLogEnabled = TRUE;
    struct Case {
        Values model;
        const char* pair;
        const char* line;
    } cases[] = {
        {{{"SHELLEXT_R", kClsidB}, {"XIMPSRV_NAME", ""}}, "3/83",
         "    Shell extension class refused({0B0B0B0B-0000-4000-8000-00000000000B})\n"},
        {{{"XIMPSRV_NAME", "..\\ximpsrv.exe"}}, "4/12",
         "    XIMP service name refused(..\\ximpsrv.exe)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pair);
        Install({});
        SetModel(kDriver, c.model);
        DeleteFileA(kTraceLog);
        TestFrame run;
        run.settings.driverName = kDriver;
        EXPECT_TRUE(UninstallRun(run).DeleteRegXIMP());
        EXPECT_EQ(c.pair, Pair(run));
        EXPECT_NE(std::string::npos, FileText(kTraceLog).find(c.line)) << FileText(kTraceLog);
        EXPECT_EQ("4 of 4", ExtensionParts(kClsidB, 0));
        EXPECT_FALSE(run.waits.ximp.Pending());
    }
    debugLogEnabled = FALSE;
    EXPECT_TRUE(PeerRecord(planted, 0, 500).empty()) << "never started";
    DeleteFileA(planted.c_str());
}

// The notifier's entries go by "NOTIFYEXE" (letter case aside), adjacent ones
// too; the KALERT key stays while another notifier's value is in it.
TEST_F(Deregistration, NotifierEntriesGoAndTheKeyWhenNoValueIsLeft)
{
    Install({});
    SetString(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N2", "NOTIFYEXE", "KALERT1");
    SetString(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N3", "NOTIFYEXE", "kalert2");
    SetString(HKEY_LOCAL_MACHINE, kNotifiers, "KAlert2", "on");
    EXPECT_TRUE(UninstallRun(frame).DeleteRegXIMP());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N1"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N2"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N3"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kNotifiers, "KAlert1"));

    if (OsKindOfThisWindows() == 1)
        return;
    // An entry that cannot be deleted is stepped over: the walk ends, and
    // the step says that a part is left.
    Install({});
    UndeletableKey undeletable(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N0");
    SetString(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N0", "NOTIFYEXE", "kalert1");
    TestFrame run;
    run.settings.driverName = kDriver;
    EXPECT_FALSE(UninstallRun(run).DeleteRegXIMP());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N0"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\N1"));
}

TEST_F(Deregistration, UnreadableKeysAreReported)
{
    EXPECT_FALSE(UninstallRun(frame).DeleteRegXIMP());
    EXPECT_EQ("3/80", Pair(frame));
    if (OsKindOfThisWindows() == 1)
        return;
    {
        Install({});
        LockedKey locked(HKEY_LOCAL_MACHINE, ModelPath(kOther));
        TestFrame sibling;
        sibling.settings.driverName = kDriver;
        EXPECT_TRUE(UninstallRun(sibling).DeleteRegXIMP());
        EXPECT_EQ("3/82", Pair(sibling));
        EXPECT_EQ("0 of 4", ExtensionParts(kShellExtClassId, 0)) << "the unreadable model shares nothing";
    }
    {
        Install({});
        LockedKey locked(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\Driver");
        TestFrame models;
        models.settings.driverName = kDriver;
        EXPECT_FALSE(UninstallRun(models).DeleteRegXIMP());
        EXPECT_EQ("3/81", Pair(models));
        EXPECT_EQ("4 of 4", ExtensionParts(kShellExtClassId, 0)) << "nothing is removed";
    }
}
