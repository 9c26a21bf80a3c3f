// Prepares a Windows (a throwaway Wine prefix) for a demonstration install
// run of MONCHK04: a product printer driver with one printer, the language
// monitor DLL in the system directory, a stand-in SDK installer that answers
// "success, files replaced", a stand-in COPYEXEC program, and a setup INI.
// Prints the setup INI's path. Run it from the directory of the built tests.
#include "setup_host.h"
#include "spooler.h"

#include <cstdio>
#include <fstream>

namespace {

const char kDemoDir[] = "C:\\Demo";
const char kIni[] =
    "[Install]\r\n"
    "LANGUAGEMON1=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
    "LANGUAGEMON2=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
    "LANGUAGEMON3=\"TESTLMON.DLL\",\"NORVA LM\"\r\n"
    "DRVNAME=\"NORVA LP-1\"\r\n"
    "SHORTCUT=\"VTR3 Environment Check\"\r\n"
    "COPYEXEC=HTMLDIR+\"\\Tools\",\"vtrcopy.exe\"\r\n"
    "REGPATH=REG0,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\VTR3\\Demo\"\r\n"
    "REGENTER=REG0,\"DriverDir\",DRIVERDIR\r\n"
    "REGENTER=REG0,\"Mode\",1\r\n"
    "LPT_Channel01=3\r\n"
    "LPT_PrtMDLName=\"NORVA LP-1\"\r\n"
    "[Language]\r\n"
    "English=09,01\r\n"
    "[English]\r\n"
    "SHORTCUT=\"VTR3 Environment Check\"\r\n";

bool Copy(const std::string& name, const std::string& destination)
{
    if (CopyFileA(BesideThisProgram(name).c_str(), destination.c_str(), FALSE))
        return true;
    std::fprintf(stderr, "install_demo: cannot copy %s to %s\n", name.c_str(),
                 destination.c_str());
    return false;
}

}  // namespace

int main()
{
    SpoolerFixture spooler;
    if (!spooler.InstallDriver("NORVA LP-1") ||
        !spooler.InstallPrinter("NORVA LP-1", "NORVA LP-1")) {
        std::fprintf(stderr, "install_demo: spooler error %lu\n", spooler.lastError);
        return 1;
    }
    spooler.Keep();

    std::optional<DriverRecord> driver = InstalledDriver("NORVA LP-1");
    if (!driver)
        return 1;
    // The port settings go to the driver's key of a 32-bit system: right
    // under "Drivers" on Windows 98 (Wine files it under "Version-0"), under
    // "Windows NT x86" on NT (a 64-bit build sees "Windows x64"). Where Wine
    // does not make that key, it is made here.
    std::string driverKey = "System\\CurrentControlSet\\control\\Print\\Environments\\";
    if (GetVersion() & 0x80000000)
        driverKey += "Windows 4.0\\Drivers\\NORVA LP-1";
    else
        driverKey += "Windows NT x86\\Drivers\\Version-" + std::to_string(driver->version) +
                     "\\NORVA LP-1";
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

    CreateDirectoryA(kDemoDir, NULL);
    const std::string ini = std::string(kDemoDir) + "\\setup.ini";
    std::ofstream(ini, std::ios::binary) << kIni;
    std::printf("%s\n", ini.c_str());
    return 0;
}
