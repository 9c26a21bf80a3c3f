// Prepares a Windows (a throwaway Wine prefix) for a demonstration install
// run of MONCHK04: a product printer driver with one printer, the language
// monitor DLL in the system directory, a stand-in SDK installer that answers
// "success, files replaced", a stand-in COPYEXEC program, and a setup INI.
// For an uninstall afterwards, the setup INI also records the model's
// components (MONCFG, HTML help, VTR service program, notifier, profile),
// whose stand-ins are put in place, and the printer gets the monitor's target
// entries and start-up value; the SDK's uninstaller answers "success".
// MONCHK04 is copied into the driver directory, where the product installs it.
// Prints the setup INI's path, then that copy's path. Run it from the
// directory of the built tests.
//   install_demo [--japanese]
// --japanese: the same product with Japanese names, its setup INI written in
// code page 932 (the system's ANSI code page must be 932): driver, printer,
// help and COPYEXEC folders, shortcut, a registry value and the language
// section hold characters whose second bytes are '\\', '[', ']', '|', '^',
// '`', '{' and ASCII letters.
#include "japanese.h"
#include "setup_host.h"
#include "spooler.h"

#include <cstdio>
#include <fstream>

namespace {

const char kDemoDir[] = "C:\\Demo";

// The names the demonstration uses (ANSI code page), and the setup INI.
struct DemoNames {
    std::string driver;
    std::string printer;
    std::string helpFolder;   // under HTMLDIR; the model's help files
    std::string toolsFolder;  // under HTMLDIR; the COPYEXEC program
    std::string shortcut;
    std::string valueName;    // a value of the INI's registry entries
    std::string language;     // the [Language] entry and its section
};

DemoNames EnglishNames()
{
    return {"NORVA LP-1", "NORVA LP-1", "LP1", "Tools", "VTR3 Environment Check", "Mode",
            "English"};
}

// ポ '|', ー '[', タ '^', ブ 'u', プ 'v'; ソ '\\', フ 't', ト 'g', 評 ']';
// 表 '\\' ends the help folder; ツ 'c', ー '['; チ '`', ッ 'b', ク 'N';
// 本 '{'.
DemoNames JapaneseNames()
{
    return {Ansi("NORVA ポータブルプリンター"), Ansi("NORVA ソフト評価"), Ansi("LP1 一覧表"),
            Ansi("ツール一覧表"), Ansi("VTR3 環境チェック"), Ansi("表示モード"),
            Ansi("日本語")};
}

std::string SetupIni(const DemoNames& names)
{
    const std::string languageId = names.language == "English" ? "09,01" : "11,01";
    return "[Install]\r\n"
           "LANGUAGEMON1=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
           "LANGUAGEMON2=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
           "LANGUAGEMON3=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
           "DRVNAME=\"" + names.driver + "\"\r\n"
           "SHORTCUT=\"" + names.shortcut + "\"\r\n"
           "COPYEXEC=HTMLDIR+\"\\" + names.toolsFolder + "\",\"vtrcopy.exe\"\r\n"
           "REGPATH=REG0,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\VTR3\\Demo\"\r\n"
           "REGENTER=REG0,\"DriverDir\",DRIVERDIR\r\n"
           "REGENTER=REG0,\"" + names.valueName + "\",1\r\n"
           "SDKFILENAME=\"NR_Comb.exe\",\"zqapi.ini\"\r\n"
           "LPT_Channel01=3\r\n"
           "LPT_PrtMDLName=\"" + names.driver + "\"\r\n"
           "SETLPT=WIN9X,\"LPT_PortWait\",REG_DWORD,30\r\n"
           "SETLPT=WINNT,\"LPT_PortWait\",REG_DWORD,30\r\n"
           "SETLPT=WINNT,\"LPT_PortName\",REG_SZ,\"LPT1:\"\r\n"
           "REGPATH=REG1,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\VTR3\\Driver\\" + names.driver + "\"\r\n"
           "REGENTER=REG1,\"MONCFG\",DRIVERDIR+\"\\moncfg.exe\"\r\n"
           "REGENTER=REG1,\"ModelID\",\"LP1\"\r\n"
           "REGENTER=REG1,\"HTMLInstallPath\",HTMLDIR+\"\\" + names.helpFolder + "\"\r\n"
           "REGENTER=REG1,\"SHORTCUTEXE_R\",\"MONCHK04.exe\"\r\n"
           "REGENTER=REG1,\"VTRSRV_NAME\",\"vtrsrv.exe\"\r\n"
           "REGENTER=REG1,\"KALERT_R\",\"KAlert\"\r\n"
           "REGPATH=REG2,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\KALERT\"\r\n"
           "REGENTER=REG2,\"KAlert\",\"on\"\r\n"
           "REGPATH=REG3,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\KALERT\\Notifier\"\r\n"
           "REGENTER=REG3,\"NOTIFYEXE\",\"kalert.exe\"\r\n"
           "REGPATH=REG4,\"HKEY_LOCAL_MACHINE\\software\\NORVA\\VTR3\\Profile\"\r\n"
           "REGENTER=REG4,\"LP1\",\"lp1.ini\"\r\n"
           "[Language]\r\n" +
           names.language + "=" + languageId + "\r\n"
           "[" + names.language + "]\r\n"
           "SHORTCUT=\"" + names.shortcut + "\"\r\n";
}

bool Copy(const std::string& name, const std::string& destination)
{
    if (CopyFileA(BesideThisProgram(name).c_str(), destination.c_str(), FALSE))
        return true;
    std::fprintf(stderr, "install_demo: cannot copy %s to %s\n", name.c_str(),
                 destination.c_str());
    return false;
}

void SetString(HKEY root, const std::string& path, const char* name, const std::string& value)
{
    HKEY key;
    if (RegCreateKeyA(root, path.c_str(), &key) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

// What an uninstall finds besides what the install run writes: the programs
// it starts, the model's help files, the printer's target entries.
bool PrepareUninstall(const DemoNames& names, const std::string& driverDir,
                      const std::string& system)
{
    const char kSdkDir[] = "C:\\ZQAPI";
    CreateDirectoryA(kSdkDir, NULL);
    if (!Copy("MONCHK04.exe", driverDir + "\\MONCHK04.exe") ||
        !Copy("moncfg_recorder.exe", driverDir + "\\moncfg.exe") ||
        !Copy("fake_vtrsrv.exe", system + "\\vtrsrv.exe") ||
        !Copy("NR_Comb.exe", std::string(kSdkDir) + "\\zqapiset.exe"))
        return false;
    std::ofstream(std::string(kSdkDir) + "\\zqapiset.answer") << "sdk 0 0x1\n";
    SetString(HKEY_LOCAL_MACHINE, "Software\\NORVA\\ZQAPIInfo", "InstallDir", kSdkDir);

    char common[MAX_PATH] = "";
    DWORD size = sizeof common;
    HKEY key;
    if (RegOpenKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", &key) ==
        ERROR_SUCCESS) {
        RegQueryValueExA(key, "CommonFilesDir", NULL, NULL, reinterpret_cast<BYTE*>(common),
                         &size);
        RegCloseKey(key);
    }
    std::string html;
    for (const std::string& level : {std::string(), std::string("\\HTML"), "\\HTML\\" + names.helpFolder}) {
        html = std::string(common) + "\\NORVA" + level;
        CreateDirectoryA(html.c_str(), NULL);
    }
    for (const char* file : {"\\index.htm", "\\logo.gif", "\\monhelp.exe"})
        std::ofstream(html + file) << "demo";

    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        SetString(root, "software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000000", "Name",
                  names.printer);
    SetString(HKEY_CURRENT_USER, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
              names.printer.c_str(), "monrun.exe");
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool japanese = argc > 1 && std::string(argv[1]) == "--japanese";
    if (japanese && !JapaneseSystem()) {
        std::fprintf(stderr, "install_demo: the ANSI code page is %u, not 932\n", GetACP());
        return 1;
    }
    const DemoNames names = japanese ? JapaneseNames() : EnglishNames();
    SpoolerFixture spooler;
    if (!spooler.InstallDriver(names.driver) ||
        !spooler.InstallPrinter(names.printer, names.driver)) {
        std::fprintf(stderr, "install_demo: spooler error %lu\n", spooler.lastError);
        return 1;
    }
    spooler.Keep();

    std::optional<DriverRecord> driver = InstalledDriver(names.driver);
    if (!driver)
        return 1;
    // The port settings go to the driver's key of a 32-bit system: right
    // under "Drivers" on Windows 98 (Wine files it under "Version-0"), under
    // "Windows NT x86" on NT (a 64-bit build sees "Windows x64"). Where Wine
    // does not make that key, it is made here.
    std::string driverKey = "System\\CurrentControlSet\\control\\Print\\Environments\\";
    if (GetVersion() & 0x80000000)
        driverKey += "Windows 4.0\\Drivers\\" + names.driver;
    else
        driverKey += "Windows NT x86\\Drivers\\Version-" + std::to_string(driver->version) +
                     "\\" + names.driver;
    HKEY key;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, driverKey.c_str(), &key) == ERROR_SUCCESS)
        RegCloseKey(key);
    const std::string driverDir = driver->driverPath.substr(0, driver->driverPath.rfind('\\'));
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);

    if (!Copy("TESTLMON.DLL", std::string(system) + "\\TESTLMON.DLL") ||
        !Copy("NR_Comb.exe", driverDir + "\\NR_Comb.exe") ||
        !Copy("fake_copyexec.exe", driverDir + "\\vtrcopy.exe"))
        return 1;
    std::ofstream(driverDir + "\\NR_Comb.answer") << "installer 0 0x1\nsdk 0 0x200001\n";

    if (!PrepareUninstall(names, driverDir, system))
        return 1;

    CreateDirectoryA(kDemoDir, NULL);
    const std::string ini = std::string(kDemoDir) + "\\setup.ini";
    std::ofstream(ini, std::ios::binary) << SetupIni(names);
    std::printf("%s\n%s\\MONCHK04.exe\n", ini.c_str(), driverDir.c_str());
    return 0;
}
