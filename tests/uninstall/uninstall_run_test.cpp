// Whole uninstall runs of MONCHK04.exe, started by the setup host, after real
// install runs of two models. The models share MONCFG, the Startup shortcut's
// program and the shell extension; each has its own VTR and XIMP service
// program, HTML folder, notifier and class. MONCHK04 runs from the driver
// directory, as the product installs it there.
#include "app_test_support.h"
#include "import_patch.h"
#include "install_test_files.h"
#include "key_owners.h"
#include "registry.h"
#include "server.h"
#include "setup_host.h"
#include "spooler.h"
#include "test_frame.h"
#include "test_windows.h"
#include "uninstall_test_support.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

const char kTargets[] = "software\\NORVA\\VTR3\\VTRData\\TXATarget";
const char kTxbTargets[] = "software\\NORVA\\VTR3\\VTRData\\TXBTarget";
const char kRun[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\run";
const char kNotifiers[] = "Software\\NORVA\\KALERT";
const char kCommon[] = "Software\\NORVA\\VTR3\\XIMPCommon";
const char kProfiles[] = "software\\NORVA\\VTR3\\Profile";
const char kApproved[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char kSdkDir[] = "C:\\ZQAPI";
const char kMonitorKey[] = "System\\CurrentControlSet\\control\\Print\\Monitors\\NORVA LM";
const char kInstalledParts[] = "monitor \"NORVA LM\", LPT_VECP there";
const char kNoParts[] = "monitor \"\", LPT_VECP gone";

struct Model {
    const char* driver;
    const char* id;      // ModelID, also the suffix of its programs and folders
    const char* printers[2];
};
const Model kModels[] = {
    {"NORVA LP-1", "1", {"LP-1 A", "LP-1 B"}},
    {"NORVA LP-2", "2", {"LP-2 A", nullptr}},
};

bool IsNT()
{
    return OsKindOfThisWindows() != 1;
}

std::string StartupLink()
{
    LPITEMIDLIST list = NULL;
    char path[MAX_PATH] = "";
    if (SUCCEEDED(SHGetSpecialFolderLocation(NULL, IsNT() ? CSIDL_COMMON_STARTUP : CSIDL_STARTUP,
                                             &list))) {
        SHGetPathFromIDListA(list, path);
        CoTaskMemFree(list);
    }
    return std::string(path) + "\\VTR3 Check.lnk";
}

// Every key and value below root\path, as text, leaving out `except`.
std::string Dump(HKEY root, const std::string& path, const std::string& except = "")
{
    Registry key(root, path, NULL, FALSE, Registry::kRead);
    if (!key.isOpen || lstrcmpiA(path.c_str(), except.c_str()) == 0)
        return std::string();
    std::string text = path + "\n";
    for (DWORD i = 0;; ++i) {
        std::string name = key.EnumValue(i);
        if (name.empty() && i > 0)
            break;
        if (name.empty() && !ValueExists(root, path, ""))
            break;
        text += "  " + name + "=" + key.QueryString(name, "?", 1024) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        std::string name = key.EnumKey(i);
        if (name.empty())
            break;
        text += Dump(root, path + "\\" + name, except);
    }
    return text;
}

std::string ProductData()
{
    return Dump(HKEY_LOCAL_MACHINE, "Software\\NORVA", kSdkResultKey) +
           Dump(HKEY_CURRENT_USER, "Software\\NORVA") + Dump(HKEY_CURRENT_USER, kRun);
}

// Posts COUNT ticks of MONCHK04's wait timer (WM_TIMER, id 1) 20 ms apart
// once its window is there, from a process of its own (send_message).
class TimerTicks {
public:
    explicit TimerTicks(int count)
    {
        std::string line = "send_message.exe InstallExeClass \"Vantor3 Environment Check\" "
                           "0x113 1 0 60 " + std::to_string(count) + " 20";
        STARTUPINFOA startup;
        ZeroMemory(&startup, sizeof startup);
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        if (CreateProcessA(BesideThisProgram("send_message.exe").c_str(), &line[0], NULL, NULL,
                           FALSE, 0, NULL, NULL, &startup, &process)) {
            CloseHandle(process.hThread);
            poster = process.hProcess;
        }
        EXPECT_NE(nullptr, poster);
    }
    ~TimerTicks()
    {
        if (poster != NULL) {
            WaitForSingleObject(poster, 60000);
            CloseHandle(poster);
        }
    }
    TimerTicks(const TimerTicks&) = delete;
    TimerTicks& operator=(const TimerTicks&) = delete;

private:
    HANDLE poster = NULL;
};

class InstalledModels : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        Registry(HKEY_CURRENT_USER, "Software", NULL, FALSE, Registry::kAllAccess).DeleteKey("NORVA");
        system = SystemDirectory();
        html = StringValue("Software\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir") +
               "\\NORVA\\HTML";
        for (const Model& model : kModels) {
            ASSERT_TRUE(spooler.InstallDriver(model.driver)) << spooler.lastError;
            for (const char* printer : model.printers) {
                if (printer != nullptr) {
                    ASSERT_TRUE(spooler.InstallPrinter(printer, model.driver))
                        << spooler.lastError;
                }
            }
        }
        std::optional<DriverRecord> driver = InstalledDriver(kModels[0].driver);
        ASSERT_TRUE(driver.has_value());
        driverDir = driver->driverPath.substr(0, driver->driverPath.find_last_of('\\'));
        monchk = driverDir + "\\MONCHK04.exe";
        moncfg = driverDir + "\\moncfg.exe";
        ASSERT_TRUE(CopyPeer("MONCHK04.exe", monchk));
        ASSERT_TRUE(CopyPeer("moncfg_recorder.exe", moncfg));
        ASSERT_TRUE(CopyPeer("TESTLMON.DLL", system + "\\TESTLMON.DLL"));
        ASSERT_TRUE(CopyPeer("NR_Comb.exe", driverDir + "\\NR_Comb.exe"));
        WriteText(driverDir + "\\NR_Comb.answer", "installer 0 0x1\r\nsdk 0 0x1\r\n");
        CreateDirectoryA(kSdkDir, NULL);
        ASSERT_TRUE(CopyPeer("NR_Comb.exe", std::string(kSdkDir) + "\\zqapiset.exe"));
        WriteText(std::string(kSdkDir) + "\\zqapiset.answer", "sdk 0 0x1\r\n");
        SetString(HKEY_LOCAL_MACHINE, "Software\\NORVA\\ZQAPIInfo", "InstallDir", kSdkDir);
        for (const Model& model : kModels)
            Install(model, driver->version);
        ForgetPeerRecord(moncfg);
        DeleteFileA((std::string(kSdkDir) + "\\zqapiset.cmdline").c_str());
        RegisterExtension();
    }

    void TearDown() override
    {
        StopFakeServices();
        for (REGSAM view : {REGSAM(0), OtherView()}) {
            for (const char* parent : {"CLSID", "Printers\\shellex\\PropertySheetHandlers",
                                       "Printers\\shellex\\CopyHookHandlers"})
                Registry(HKEY_CLASSES_ROOT, parent, NULL, FALSE, Registry::kAllAccess | view)
                    .DeleteKey(kShellExtClassId);
            Registry(HKEY_LOCAL_MACHINE, kApproved, NULL, FALSE, Registry::kAllAccess | view)
                .DeleteValue(kShellExtClassId);
        }
        Registry(HKEY_CURRENT_USER, "Software", NULL, FALSE, Registry::kAllAccess).DeleteKey("NORVA");
    }

    // A real install run of the model, with a setup INI whose registry
    // entries record the model's components; then what the product's other
    // parts leave: help files, target entries with their Run values.
    void Install(const Model& model, DWORD driverVersion)
    {
        const std::string id = model.id;
        CreateKey(PortSettingsKey(model.driver, driverVersion));
        TempIni ini(
            "[Install]\r\n"
            "LANGUAGEMON1=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
            "LANGUAGEMON2=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
            "LANGUAGEMON3=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
            "DRVNAME=\"" + std::string(model.driver) + "\"\r\n"
            "LPT_VECP=1\r\n"
            "REGPATH=REG0,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\VTR3\\Driver\\" + model.driver + "\"\r\n"
            "REGENTER=REG0,\"MONCFG\",DRIVERDIR+\"\\moncfg.exe\"\r\n"
            "REGENTER=REG0,\"ModelID\",\"ID" + id + "\"\r\n"
            "REGENTER=REG0,\"VTRSRV_NAME\",\"vtrsrv" + id + ".exe\"\r\n"
            "REGENTER=REG0,\"XIMPSRV_NAME\",\"ximpsrv" + id + ".exe\"\r\n"
            "REGENTER=REG0,\"HTMLInstallPath\",HTMLDIR+\"\\LP" + id + "\"\r\n"
            "REGENTER=REG0,\"SHORTCUTEXE_R\",\"MONCHK04.exe\"\r\n"
            "REGENTER=REG0,\"SHELLEXT_R\",\"" + kShellExtClassId + "\"\r\n"
            "REGENTER=REG0,\"KALERT_R\",\"KAlert" + id + "\"\r\n"
            "REGENTER=REG0,\"Type\",\"LP" + id + "\"\r\n"
            "REGPATH=REG1,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\KALERT\\Notifier" + id + "\"\r\n"
            "REGENTER=REG1,\"NOTIFYEXE\",\"kalert" + id + "\"\r\n"
            "REGPATH=REG2,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\KALERT\"\r\n"
            "REGENTER=REG2,\"KAlert" + id + "\",\"on\"\r\n"
            "REGPATH=REG3,\"HKEY_LOCAL_MACHINE\\software\\NORVA\\VTR3\\Profile\"\r\n"
            "REGENTER=REG3,\"ID" + id + "\",\"profile.ini\"\r\n"
            "REGPATH=REG4,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\VTR3\\XIMPCommon\"\r\n"
            "REGENTER=REG4,\"Port\",\"LPT1\"\r\n"
            "[Language]\r\nEnglish=09,01\r\n"
            "[English]\r\nSHORTCUT=\"VTR3 Check\"\r\n",
            "monsetup uninstall.ini");
        ASSERT_EQ("1 message(s), last 1/0",
                  Posted(RunAsSetupHost(monchk, "/I:\"" + ini.path + "\"", 30000)));
        ASSERT_EQ("0/0", SdkResult()) << model.driver;

        ASSERT_TRUE(CopyPeer("fake_vtrsrv.exe", Program("vtrsrv", id)));
        ASSERT_TRUE(CopyPeer("fake_ximpsrv.exe", Program("ximpsrv", id)));
        WriteText(system + "\\ximpsrv" + id + ".delay", "1000");
        CreateDirectoryA(html.substr(0, html.size() - 5).c_str(), NULL);
        CreateDirectoryA(html.c_str(), NULL);
        CreateDirectoryA((html + "\\LP" + id).c_str(), NULL);
        for (const char* file : {"\\help.htm", "\\logo.gif", "\\monhelp.exe"})
            WriteText(html + "\\LP" + id + file, "x");
        for (const char* printer : model.printers) {
            if (printer != nullptr)
                AddTargets(printer);
        }
    }

    // Entries of the printer under HKLM TXATarget and HKCU TXATarget and
    // TXBTarget, and its Run value.
    void AddTargets(const std::string& printer)
    {
        for (auto target : {std::make_pair(HKEY_LOCAL_MACHINE, kTargets),
                            std::make_pair(HKEY_CURRENT_USER, kTargets),
                            std::make_pair(HKEY_CURRENT_USER, kTxbTargets)}) {
            Registry key(target.first, target.second, NULL, TRUE, 0);
            unsigned index = 0;
            while (!key.EnumKey(index).empty())
                ++index;
            char entry[24];
            std::snprintf(entry, sizeof entry, "\\P%016u", index);
            SetString(target.first, target.second + std::string(entry), "Name", printer);
        }
        SetString(HKEY_CURRENT_USER, kRun, printer, "monrun.exe");
    }

    // MONEXT01 registered by its own DllRegisterServer; on 64-bit Windows the
    // other build's registration in the other view.
    void RegisterExtension()
    {
        HMODULE extension = LoadLibraryA(BesideThisProgram("MONEXT01.dll").c_str());
        ASSERT_NE(static_cast<HMODULE>(NULL), extension);
        typedef HRESULT(STDAPICALLTYPE * RegisterFunction)();
        auto registerServer = reinterpret_cast<RegisterFunction>(
            reinterpret_cast<void*>(GetProcAddress(extension, "DllRegisterServer")));
        ASSERT_EQ(S_OK, registerServer());
        FreeLibrary(extension);
        if (OtherView() == 0)
            return;
        for (const char* parent : {"CLSID\\", "Printers\\shellex\\PropertySheetHandlers\\",
                                   "Printers\\shellex\\CopyHookHandlers\\"})
            SetString(HKEY_CLASSES_ROOT, parent + std::string(kShellExtClassId), "", "MONEXT01",
                      OtherView());
        SetString(HKEY_LOCAL_MACHINE, kApproved, kShellExtClassId, "MONEXT01", OtherView());
    }

    // The extension's keys and approval in both views (the one view
    // counted twice where there is only one).
    std::string ExtensionParts()
    {
        int there = 0;
        for (REGSAM view : {REGSAM(0), OtherView()}) {
            for (const char* parent : {"CLSID\\", "Printers\\shellex\\PropertySheetHandlers\\",
                                       "Printers\\shellex\\CopyHookHandlers\\"})
                there += KeyExists(HKEY_CLASSES_ROOT, parent + std::string(kShellExtClassId), view);
            there += ValueExists(HKEY_LOCAL_MACHINE, kApproved, kShellExtClassId, view);
        }
        return std::to_string(there) + " of 8";
    }

    // The port settings go to the driver's key of a 32-bit system.
    static std::string PortSettingsKey(const std::string& driver, DWORD driverVersion)
    {
        return std::string("System\\CurrentControlSet\\control\\Print\\Environments\\") +
               (IsNT() ? "Windows NT x86\\Drivers\\Version-" + std::to_string(driverVersion) + "\\"
                       : std::string("Windows 4.0\\Drivers\\")) +
               driver;
    }

    std::string Program(const char* name, const std::string& id) const
    {
        return system + "\\" + name + id + ".exe";
    }

    void StartXimpServices()
    {
        for (const char* id : {"1", "2"})
            ASSERT_TRUE(StartXimpService(Program("ximpsrv", id)));
    }

    HostResult Uninstall(const std::string& arguments, DWORD bound = 60000)
    {
        return RunAsSetupHost(monchk, arguments, bound);
    }

    // The printer names of the entries under root\path, in order.
    static std::string Targets(HKEY root, const char* path)
    {
        std::string names;
        Registry key(root, path, NULL, FALSE, Registry::kRead);
        for (DWORD i = 0;; ++i) {
            std::string name = key.EnumKey(i);
            if (name.empty())
                break;
            names += Registry(root, std::string(path) + "\\" + name, NULL, FALSE,
                              Registry::kRead).QueryString("Name", "?") + ";";
        }
        return names;
    }

    std::string SdkUninstaller() const
    {
        return FileText(std::string(kSdkDir) + "\\zqapiset.cmdline");
    }

    // What the install gave the model's driver: its monitor's name, and
    // whether its key still holds the port setting.
    std::string DriverParts(const char* driver)
    {
        std::optional<DriverRecord> record = InstalledDriver(driver);
        if (!record)
            return "no driver";
        return "monitor \"" + DriverMonitorName(driver) + "\", LPT_VECP " +
               (ValueExists(HKEY_LOCAL_MACHINE, PortSettingsKey(driver, record->version),
                            "LPT_VECP")
                    ? "there"
                    : "gone");
    }
    static bool MonitorInstalled()
    {
        return KeyExists(HKEY_LOCAL_MACHINE, kMonitorKey);
    }

    std::vector<std::string> MoncfgCalls(size_t atLeast)
    {
        std::vector<std::string> calls = PeerRecord(moncfg, atLeast);
        for (std::string& call : calls)
            call = call.substr(call.find("moncfg.exe") + 10);
        std::sort(calls.begin(), calls.end());
        return calls;
    }

    SpoolerFixture spooler;
    std::string system;
    std::string html;
    std::string driverDir;
    std::string monchk;
    std::string moncfg;
};

}  // namespace

// One printer of two, then the last printer of its driver while the other
// model stays, then the last printer of the last model.
TEST_F(InstalledModels, ByPrinterEachRunRemovesWhatNoPrinterOrModelStillNeeds)
{
    StartXimpServices();
    ASSERT_TRUE(FileExists(StartupLink()));

    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R:\"LP-1 A\"")));
    EXPECT_EQ("0/0", SdkResult());
    EXPECT_EQ("LP-1 B;LP-2 A;", Targets(HKEY_LOCAL_MACHINE, kTargets));
    EXPECT_EQ("LP-1 B;LP-2 A;", Targets(HKEY_CURRENT_USER, kTargets));
    EXPECT_EQ("LP-1 B;LP-2 A;", Targets(HKEY_CURRENT_USER, kTxbTargets));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, "LP-1 A"));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, kRun, "LP-1 B"));
    EXPECT_EQ((std::vector<std::string>{" /C", " /U /M\"ID1\""}), MoncfgCalls(2));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
    EXPECT_TRUE(PeerRecord(Program("vtrsrv", "1"), 0, 0).empty()) << "no service stop";
    EXPECT_TRUE(ServiceWindowThere(Program("ximpsrv", "1")));
    EXPECT_EQ("", SdkUninstaller()) << "no SDK uninstall";
    EXPECT_EQ(kInstalledParts, DriverParts("NORVA LP-1"));
    ASSERT_TRUE(DeletePrinterNamed("LP-1 A"));

    ForgetPeerRecord(moncfg);
    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R:\"LP-1 B\"")));
    EXPECT_EQ("0/0", SdkResult());
    EXPECT_EQ("LP-2 A;", Targets(HKEY_LOCAL_MACHINE, kTargets));
    EXPECT_EQ((std::vector<std::string>{" /C", " /U /M\"ID1\""}), MoncfgCalls(2));
    // The VTR service is stopped (on NT) and its file deleted once it ended.
    EXPECT_EQ(IsNT() ? 1u : 0u, PeerRecord(Program("vtrsrv", "1"), 0, 0).size());
    EXPECT_EQ(!IsNT(), FileExists(Program("vtrsrv", "1")));
    // The XIMP service closed its window within the wait; its class's
    // settings went after it, its file too on NT.
    EXPECT_FALSE(ServiceWindowThere(Program("ximpsrv", "1")));
    EXPECT_TRUE(ServiceWindowThere(Program("ximpsrv", "2")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kCommon));
    EXPECT_EQ(!IsNT(), FileExists(Program("ximpsrv", "1")));
    EXPECT_FALSE(FileExists(html + "\\LP1"));
    EXPECT_TRUE(FileExists(html + "\\LP2\\help.htm"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\Notifier1"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kNotifiers) + "\\Notifier2"));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, kProfiles, "ID1"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-2")));
    EXPECT_EQ("8 of 8", ExtensionParts()) << "shared";
    EXPECT_EQ(kNoParts, DriverParts("NORVA LP-1"));
    EXPECT_EQ(kInstalledParts, DriverParts("NORVA LP-2"));
    EXPECT_TRUE(MonitorInstalled()) << "the other driver names it";
    EXPECT_TRUE(FileExists(StartupLink())) << "the other model names this program";
    EXPECT_NE(std::string::npos, SdkUninstaller().find("zqapiset.exe\" /Act=Un /AN=\"NORVA LP-1\" /Ret=WM:"))
        << SdkUninstaller();
    ASSERT_TRUE(DeletePrinterNamed("LP-1 B"));

    ForgetPeerRecord(moncfg);
    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R:\"LP-2 A\"")));
    EXPECT_EQ((std::vector<std::string>{" /U /M\"ID2\""}), MoncfgCalls(1));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3"));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\NORVA\\VTR3"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\NORVA\\ZQAPIInfo"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\NORVA"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kNotifiers));
    EXPECT_EQ("0 of 8", ExtensionParts());
    EXPECT_EQ(kNoParts, DriverParts("NORVA LP-2"));
    EXPECT_FALSE(MonitorInstalled());
    EXPECT_FALSE(FileExists(StartupLink()));
    EXPECT_FALSE(FileExists(html));
    EXPECT_TRUE(FileExists(html.substr(0, html.size() - 5))) << "the NORVA folder stays";
    EXPECT_FALSE(ServiceWindowThere(Program("ximpsrv", "2")));
    EXPECT_NE(std::string::npos, SdkUninstaller().find("/AN=\"NORVA LP-2\"")) << SdkUninstaller();
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, "LP-2 A"));
}

TEST_F(InstalledModels, ByDriverRemovesTheModelAndLastTheProduct)
{
    StartXimpServices();
    EnableTraceLog();
    DeleteFileA(kTraceLog);
    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R2:\"NORVA LP-1\"")));
    EXPECT_EQ("0/0", SdkResult());
    // HKCU entries of the driver's printers go; HKLM's are not the run's.
    EXPECT_EQ("LP-2 A;", Targets(HKEY_CURRENT_USER, kTargets));
    EXPECT_EQ("LP-2 A;", Targets(HKEY_CURRENT_USER, kTxbTargets));
    EXPECT_EQ("LP-1 A;LP-1 B;LP-2 A;", Targets(HKEY_LOCAL_MACHINE, kTargets));
    EXPECT_EQ((std::vector<std::string>{" /C", " /U /M\"ID1\""}), MoncfgCalls(2));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kCommon));
    EXPECT_FALSE(FileExists(html + "\\LP1"));
    EXPECT_EQ(!IsNT(), FileExists(Program("vtrsrv", "1")));
    EXPECT_NE(std::string::npos, SdkUninstaller().find("/AN=\"NORVA LP-1\"")) << SdkUninstaller();

    std::string log = FileText(kTraceLog);
    const char* const steps[] = {
        "CMainFrame::UnInstall2()\n    Close icon\n    Execute moncfg\n"
        "    delete registry TXATarget\nCMainFrame::DeleteTargetKey2()\n",
        "    delete registry TXBTarget\nCMainFrame::DeleteTargetKey2()\n",
        "CMainFrame::DeleteRegXIMP\n",
        "CMainFrame::DeleteRegXIMP exit\n    Execute moncfg\n    delete shortcut icon\n"
        "    uninstall zqapi\nCMainFrame::UninstallZQAPI()\n",
        "CMainFrame::UnInstall2() exit\n",
        "    XIMP Service Wait timer 3\n",
        "CMainFrame::OnClose()\n",
    };
    size_t at = 0;
    for (const char* step : steps) {
        at = log.find(step, at);
        EXPECT_NE(std::string::npos, at) << step << "\nin\n" << log;
    }
    if (IsNT()) {
        EXPECT_NE(std::string::npos,
                  log.find("CMainFrame::StopVtrService()\n    Execute vtr service    " +
                           Program("vtrsrv", "1") + " /R\n    Execute vtr service    complete\n"))
            << log;
    }

    EXPECT_EQ(kNoParts, DriverParts("NORVA LP-1"));
    EXPECT_TRUE(MonitorInstalled());

    // The last model, by the product setup's own copy of the program: the
    // link to the installed copy goes too.
    ForgetPeerRecord(moncfg);
    const std::string setupCopy = std::string(kSdkDir) + "\\MONCHK04.exe";
    ASSERT_TRUE(CopyPeer("MONCHK04.exe", setupCopy));
    EXPECT_EQ("1 message(s), last 1/0", Posted(RunAsSetupHost(setupCopy, "/R2:\"NORVA LP-2\"", 60000)));
    EXPECT_EQ((std::vector<std::string>{" /U /M\"ID2\""}), MoncfgCalls(1));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3"));
    EXPECT_EQ("0 of 8", ExtensionParts());
    EXPECT_EQ(kNoParts, DriverParts("NORVA LP-2"));
    EXPECT_FALSE(MonitorInstalled()) << FileText(kTraceLog);
    EXPECT_FALSE(FileExists(StartupLink()));
    DeleteFileA(setupCopy.c_str());
}

namespace {

// Stand-ins that fail as Windows refuses access: a BOOL function with its
// last error, and RegEnumKeyExA with its answer.
template <typename... Args>
BOOL WINAPI Refuse(Args...)
{
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

LONG WINAPI RefuseEnumKey(HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME)
{
    return ERROR_ACCESS_DENIED;
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// A part of the model cannot be removed: the model's record stays (7/50),
// so that the uninstall run again finds what is left and ends the way one
// clean run does.
TEST_F(InstalledModels, APartLeftKeepsTheRecordForTheNextRun)
{
    struct Case {
        const char* module;
        const char* function;
        void* refuse;
        std::string driverParts;  // what the refused run leaves of the driver
        bool helpFolderLeft;
    };
    const Case cases[] = {
        // The spooler refuses the driver's record: the monitor stays attached.
        {"winspool.drv", "AddPrinterDriverA",
         reinterpret_cast<void*>(Refuse<LPSTR, DWORD, LPBYTE>),
         "monitor \"NORVA LM\", LPT_VECP gone", false},
        // The models cannot be listed: whether another model shares the
        // service program and components is not known, and they stay.
        {"advapi32.dll", "RegEnumKeyExA", reinterpret_cast<void*>(RefuseEnumKey), kNoParts,
         false},
        // The emptied help folder cannot be removed.
        {"kernel32.dll", "RemoveDirectoryA", reinterpret_cast<void*>(Refuse<LPCSTR>), kNoParts,
         true},
    };
    const DWORD version = InstalledDriver(kModels[0].driver)->version;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        if (&c != &cases[0])
            Install(kModels[0], version);
        {
            ScopedImportPatch refused(c.module, c.function, c.refuse);
            ASSERT_TRUE(refused.patched);
            TestFrame frame("/R2:\"NORVA LP-1\"");
            EXPECT_TRUE(frame.ExecuteOperation(FALSE));
            EXPECT_EQ("7/50", std::to_string(frame.result.ErrorCode1()) + "/" +
                                  std::to_string(frame.result.ErrorCode2()));
        }
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
        EXPECT_EQ(c.driverParts, DriverParts("NORVA LP-1"));
        EXPECT_EQ(c.helpFolderLeft, FolderExists(html + "\\LP1"));

        TestFrame again("/R2:\"NORVA LP-1\"");
        EXPECT_TRUE(again.ExecuteOperation(FALSE));
        EXPECT_EQ(0, again.result.ErrorCode1());
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
        EXPECT_EQ(kNoParts, DriverParts("NORVA LP-1"));
        EXPECT_FALSE(FolderExists(html + "\\LP1"));
    }
}

// Target entries that cannot be removed keep the product's keys, which hold
// them (they name their printers' Run values), for the next run.
TEST_F(InstalledModels, ATargetEntryLeftKeepsTheProductKeysForTheNextRun)
{
    if (!IsNT())
        GTEST_SKIP() << "Windows 95/98 has no key security";
    TestFrame other("/R2:\"NORVA LP-2\"");
    EXPECT_TRUE(other.ExecuteOperation(FALSE));
    {
        LockedKey locked(HKEY_CURRENT_USER, std::string(kTargets) + "\\P0000000000000000");
        TestFrame frame("/R2:\"NORVA LP-1\"");
        EXPECT_TRUE(frame.ExecuteOperation(FALSE));
        EXPECT_EQ("3/61", std::to_string(frame.result.ErrorCode1()) + "/" +
                              std::to_string(frame.result.ErrorCode2()));
    }
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\NORVA\\VTR3"));
    EXPECT_EQ("LP-1 A;LP-1 B;", Targets(HKEY_CURRENT_USER, kTargets));

    TestFrame again("/R2:\"NORVA LP-1\"");
    EXPECT_TRUE(again.ExecuteOperation(FALSE));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\NORVA\\VTR3"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3"));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, "LP-1 A"));
}

// In process, told it has no administrator rights: the last printer of a
// driver still loses the driver-wide parts, but the SDK is left alone on NT
// (Windows 95/98 knows no administrators). A model without an id gets
// MONCFG's uninstall call without " /M".
TEST_F(InstalledModels, WithoutAdministratorRightsTheSdkStaysOnNT)
{
    SetModel("NORVA LP-1", {{"ModelID", ""}});
    ASSERT_TRUE(DeletePrinterNamed("LP-1 A"));
    TestFrame frame("/R:\"LP-1 B\"");
    frame.administrator = FALSE;
    EXPECT_TRUE(frame.ExecuteOperation(FALSE));
    EXPECT_EQ(0, frame.result.ErrorCode1());
    EXPECT_EQ((std::vector<std::string>{" /C", " /U"}), MoncfgCalls(2));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
    EXPECT_EQ(IsNT(), frame.waits.vtr.Pending());
    EXPECT_EQ(!IsNT(), frame.waits.sdk.awaitSdkReply != FALSE);
    if (IsNT()) {
        EXPECT_EQ("", SdkUninstaller());
    }
}

// On NT, as administrator: a key that another user owns chooses no program.
// MONCFG's calls (the model key's "MONCFG") or the SDK's uninstaller
// (ZQAPIInfo's "InstallDir") are not started, the rest goes on.
TEST_F(InstalledModels, KeysAnotherUserOwnsChooseNoProgram)
{
    if (!IsNT())
        GTEST_SKIP() << "Windows 95/98 keep no owners";
    // By driver, another model staying: MONCFG uninstalls and cleans up, and
    // the SDK's uninstaller runs.
    const struct {
        const char* foreignKey;
        const char* pair;
        size_t moncfgCalls;
        bool sdkUninstalled;
    } cases[] = {
        {"Software\\NORVA\\ZQAPIInfo", "4/15", 2, false},
        {"Software\\NORVA\\VTR3\\Driver\\NORVA LP-1", "4/16", 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.foreignKey);
        SetKeySecurity(HKEY_LOCAL_MACHINE, c.foreignKey, Who::kOtherUser, Who::kEveryone,
                       KEY_ALL_ACCESS);
        TestFrame frame("/R2:\"NORVA LP-1\"");
        EXPECT_TRUE(frame.ExecuteOperation(FALSE));
        EXPECT_EQ(c.pair, std::to_string(frame.result.ErrorCode1()) + "/" +
                              std::to_string(frame.result.ErrorCode2()));
        EXPECT_EQ(c.moncfgCalls,
                  PeerRecord(moncfg, c.moncfgCalls, c.moncfgCalls != 0 ? 10000 : 500).size());
        EXPECT_EQ(c.sdkUninstalled, !SdkUninstaller().empty());
        if (c.moncfgCalls != 0) {
            EXPECT_EQ(driverDir, FileText(driverDir + "\\moncfg.cwd")) << "its own folder";
        }
        // The second case: the model recorded again, the SDK's key its own.
        SetModel("NORVA LP-1", {{"MONCFG", moncfg}});
        SetKeySecurity(HKEY_LOCAL_MACHINE, "Software\\NORVA\\ZQAPIInfo", Who::kAdministrators,
                       Who::kEveryone, KEY_ALL_ACCESS);
        ForgetPeerRecord(moncfg);
        DeleteFileA((std::string(kSdkDir) + "\\zqapiset.cmdline").c_str());
    }
}

// MONCFG under "C:\Program Files" is started by its own path and gets its
// command lines unchanged; a planted C:\Program.exe never runs.
TEST_F(InstalledModels, MoncfgWithBlanksInItsPathNeverStartsAPlantedProgramExe)
{
    const std::string folder = "C:\\Program Files\\Monsetup MONCFG";
    const std::string path = folder + "\\moncfg.exe";
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyPeer("moncfg_recorder.exe", path));
    ASSERT_TRUE(CopyPeer("moncfg_recorder.exe", "C:\\Program.exe"));
    ForgetPeerRecord(path);
    ForgetPeerRecord("C:\\Program.exe");
    SetModel("NORVA LP-1", {{"MONCFG", path}});
    TestFrame frame("/R:\"LP-1 A\"");
    EXPECT_TRUE(frame.ExecuteOperation(FALSE));
    std::vector<std::string> calls = PeerRecord(path, 2);
    std::sort(calls.begin(), calls.end());
    EXPECT_EQ((std::vector<std::string>{path + " /C", path + " /U /M\"ID1\""}), calls);
    EXPECT_TRUE(PeerRecord("C:\\Program.exe", 0, 500).empty());
    DeleteFileA("C:\\Program.exe");
}

// Names no printer or model has, names that need the counted form or a
// parameter file, values too long for their buffers: each run ends with its
// pair and one message, and removes nothing but the named printer's data.
TEST_F(InstalledModels, BadInputEndsWithItsPairAndRemovesNothingElse)
{
    EnableTraceLog();
    const std::string installed = ProductData();
    struct Case {
        std::string arguments;
        const char* pair;
        bool byDriverLogged;
    } unknown[] = {
        {"/R:\"No such printer\"", "8/1", false},
        {"/R:300 " + std::string(300, 'P'), "8/1", false},
        {"/R2:", "5/2", false},
        {"/R2:\"\"", "5/2", false},
        // No such model: each step records what it finds missing; the last
        // is the XIMP deregistration's.
        {"/R2:12 9 Odd/Driver", "3/80", true},
    };
    for (const Case& c : unknown) {
        SCOPED_TRACE(c.arguments);
        DeleteFileA(kTraceLog);
        EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall(c.arguments)));
        EXPECT_EQ(c.pair, SdkResult());
        EXPECT_EQ(installed, ProductData());
        EXPECT_EQ(c.byDriverLogged, FileText(kTraceLog).find("UnInstall2") != std::string::npos);
    }
    EXPECT_TRUE(PeerRecord(moncfg, 0, 0).empty());

    // A printer whose name begins with a digit and holds blanks and a slash,
    // by the counted form and through a parameter file.
    ASSERT_TRUE(spooler.InstallPrinter("7 Up/A B", "NORVA LP-2")) << spooler.lastError;
    for (const char* how : {"counted", "file"}) {
        SCOPED_TRACE(how);
        AddTargets("7 Up/A B");
        std::string arguments = "/R:8 7 Up/A B";
        std::unique_ptr<TempIni> file;
        if (std::string(how) == "file") {
            file.reset(new TempIni(arguments + "\r\n", "monsetup options.txt"));
            arguments = "/F:\"" + file->path + "\"";
        }
        EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall(arguments)));
        EXPECT_EQ("0/0", SdkResult());
        EXPECT_EQ(installed, ProductData());
    }

    // The model's values, too long for their buffers, count as missing.
    ASSERT_TRUE(DeletePrinterNamed("7 Up/A B"));
    const std::string tooLong(300, 'x');
    SetModel("NORVA LP-2", {{"MONCFG", tooLong}, {"ModelID", tooLong},
                            {"HTMLInstallPath", tooLong}, {"VTRSRV_NAME", tooLong}});
    ForgetPeerRecord(moncfg);
    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R:\"LP-2 A\"")));
    EXPECT_EQ("3/5", SdkResult());
    EXPECT_TRUE(PeerRecord(moncfg, 0, 0).empty());
    EXPECT_TRUE(FileExists(html + "\\LP2\\help.htm"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ModelPath("NORVA LP-1")));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, kProfiles, "ID1"));
}

TEST_F(InstalledModels, ThousandTargetEntriesOfPrintersGone)
{
    // After the three printers' entries.
    for (unsigned i = 0; i < 1000; ++i) {
        char entry[24];
        std::snprintf(entry, sizeof entry, "\\P%016u", i + 3);
        const std::string printer = "Gone " + std::to_string(i);
        SetString(HKEY_LOCAL_MACHINE, kTargets + std::string(entry), "Name", printer);
        SetString(HKEY_CURRENT_USER, kTxbTargets + std::string(entry), "Name", printer);
        SetString(HKEY_CURRENT_USER, kRun, printer, "monrun.exe");
    }
    // Its speed is scripts/bench.sh targets' to tell.
    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R:\"LP-1 A\"", 240000)));
    EXPECT_EQ("0/0", SdkResult());
    EXPECT_EQ("LP-1 B;LP-2 A;", Targets(HKEY_LOCAL_MACHINE, kTargets));
    EXPECT_EQ("LP-1 B;LP-2 A;", Targets(HKEY_CURRENT_USER, kTxbTargets));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, kRun, "Gone 999"));
}

// One real run with service programs that never stop: five tries three
// ticks apart, about 15 seconds, then 4/13 (the XIMP wait's, recorded after
// the VTR wait's 4/8 in the same tick). One Windows is enough: the waits'
// rules per Windows are driven tick by tick in tests/app.
TEST_F(InstalledModels, ServicesThatNeverStopEndTheRunAfterFiveTries)
{
    if (PresentedWindows() != "nt40")
        GTEST_SKIP() << "one whole run, under Windows NT 4.0";
    ASSERT_TRUE(CopyPeer("fake_vtrsrv_stuck.exe", Program("vtrsrv", "1")));
    ASSERT_TRUE(CopyPeer("fake_ximpsrv_stuck.exe", Program("ximpsrv", "1")));
    StartXimpServices();
    EnableTraceLog();
    DeleteFileA(kTraceLog);
    // The wait timer's ticks, posted in quick succession as the timer would
    // post them a second apart: five tries three ticks apart.
    TimerTicks ticks(20);
    EXPECT_EQ("1 message(s), last 1/0", Posted(Uninstall("/R2:\"NORVA LP-1\"")));
    const std::string log = FileText(kTraceLog);
    EXPECT_EQ("4/13", SdkResult());
    EXPECT_TRUE(ServiceWindowThere(Program("ximpsrv", "1")));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kCommon)) << "kept while the service runs";
    size_t failures = 0;
    for (size_t at = log.find("    Delete VTR service error\n"); at != std::string::npos;
         at = log.find("    Delete VTR service error\n", at + 1))
        ++failures;
    EXPECT_EQ(5u, failures) << log;
}
