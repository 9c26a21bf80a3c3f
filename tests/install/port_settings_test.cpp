#include "app_test_support.h"
#include "install_run.h"
#include "install_test_files.h"
#include "startup_links.h"
#include "uninstall_run.h"
#include "registry.h"
#include "test_frame.h"

#include <gtest/gtest.h>

namespace {

class PortSettings : public ::testing::Test {
protected:
    void SetUp() override
    {
        frame.environment.osKind = OsKindOfThisWindows();
        frame.settings.driverName = "NORVA LP-1";
        frame.settings.driverVersion = frame.environment.osKind == 2 ? 2 : 3;
        // The driver's key: the Version-N key of its version on NT.
        const std::string drivers =
            std::string("System\\CurrentControlSet\\control\\Print\\Environments\\") +
            (frame.environment.osKind == 1 ? "Windows 4.0\\Drivers"
                               : "Windows NT x86\\Drivers\\Version-" +
                                     std::to_string(frame.settings.driverVersion));
        driverKey = drivers + "\\" + frame.settings.driverName;
        Registry(HKEY_LOCAL_MACHINE, drivers, NULL, TRUE, 0).DeleteKey(frame.settings.driverName);
    }

    void CreateDriverKey() { Registry key(HKEY_LOCAL_MACHINE, driverKey, NULL, TRUE, 0); }

    BOOL Write(const std::string& installLines)
    {
        ini.reset();  // the old file goes first: the new one has its name
        ini.reset(new TempIni("[Install]\r\n" + installLines));
        frame.settings.iniPath = ini->path;
        return InstallRun(frame).WritePortSettings();
    }

    StoredValue Value(const char* name) const
    {
        return ReadValue(HKEY_LOCAL_MACHINE, driverKey, name);
    }

    bool Has(const char* name) const { return Value(name).type != REG_NONE; }

    TestFrame frame;
    std::string driverKey;
    std::unique_ptr<TempIni> ini;
};

}  // namespace

TEST_F(PortSettings, TheDriverKeyMustExistUnlessTheTSwitchIsGivenAndTheIniIsRead)
{
    EXPECT_FALSE(Write("LPT_VECP=1\r\n"));
    EXPECT_EQ("3/40", Pair(frame));

    frame.cmdLine.tFlag = true;
    EXPECT_TRUE(Write("LPT_VECP=1\r\n"));
    EXPECT_EQ(1u, Value("LPT_VECP").Dword());

    // A missing INI fails after the old values are gone.
    frame.settings.iniPath = "C:\\no such dir\\setup.ini";
    EXPECT_FALSE(InstallRun(frame).WritePortSettings());
    EXPECT_EQ("6/8", Pair(frame));
    EXPECT_FALSE(Has("LPT_VECP"));
}

TEST_F(PortSettings, OldPortValuesGoOtherValuesStay)
{
    CreateDriverKey();
    {
        Registry key(HKEY_LOCAL_MACHINE, driverKey, NULL, FALSE, Registry::kAllAccess);
        key.SetDword("LPT_A", 1);
        key.SetDword("Other", 2);
        key.SetString("LPT_B", "b");
        key.SetDword("lpt_x", 3);
        key.SetDword("LPT_Unknown", 4);
    }
    EXPECT_TRUE(Write("LPT_Unknown=9\r\nLPT_Channel01=3\r\nLPT_Channel=4\r\nLPT_Channel1=5\r\n"
                      "LPT_ChnlMode02=7\r\n"));
    EXPECT_FALSE(Has("LPT_A"));
    EXPECT_FALSE(Has("LPT_B"));
    EXPECT_FALSE(Has("LPT_Unknown")) << "deleted, and not a known setting";
    EXPECT_TRUE(Has("Other"));
    EXPECT_TRUE(Has("lpt_x"));
    EXPECT_EQ(3u, Value("LPT_Channel01").Dword());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), Value("LPT_Channel01").type);
    EXPECT_FALSE(Has("LPT_Channel"));
    EXPECT_FALSE(Has("LPT_Channel1"));
    EXPECT_EQ(7u, Value("LPT_ChnlMode02").Dword());
}

TEST_F(PortSettings, NT40TimeoutWinsOnNTOnly)
{
    CreateDriverKey();
    EXPECT_TRUE(Write("LPT_ReadTotalTimeOut_NT40=500\r\nLPT_ReadTotalTimeOut=100\r\n"));
    EXPECT_EQ(frame.environment.osKind == 1 ? 100u : 500u, Value("LPT_ReadTotalTimeOut").Dword());
    EXPECT_FALSE(Has("LPT_ReadTotalTimeOut_NT40"));

    // Standing after the plain entry, it overwrites it.
    EXPECT_TRUE(Write("LPT_ReadTotalTimeOut=100\r\nLPT_ReadTotalTimeOut_NT40=500\r\n"));
    EXPECT_EQ(frame.environment.osKind == 1 ? 100u : 500u, Value("LPT_ReadTotalTimeOut").Dword());
}

TEST_F(PortSettings, SetLptWritesOnTheSelectedSystems)
{
    CreateDriverKey();
    EXPECT_TRUE(Write("SETLPT=WINNT,\"LPT_Extra\",REG_SZ,\"abc\"\r\n"
                      "SETLPT=WIN9X,\"Nine\",REG_DWORD,-5\r\n"
                      "SETLPT=WINNT40,Four,REG_DWORD,4\r\n"
                      "SETLPT=WIN2000,Two,REG_DWORD,\"2\"\r\n"
                      "SETLPT=ALL,All,REG_SZ,x\r\n"
                      "SETLPT=all,Never,REG_SZ,x\r\n"));
    const int kind = frame.environment.osKind;
    EXPECT_EQ(kind != 1, Has("LPT_Extra"));
    if (kind != 1) {
        EXPECT_EQ("abc", Value("LPT_Extra").Text());
    }
    EXPECT_EQ(kind == 1, Has("Nine"));
    if (kind == 1) {
        EXPECT_EQ(0xFFFFFFFBu, Value("Nine").Dword());
    }
    EXPECT_EQ(kind == 2, Has("Four"));
    EXPECT_EQ(kind == 3, Has("Two"));
    if (kind == 3) {
        EXPECT_EQ(0u, Value("Two").Dword()) << "a quoted number gives 0";
    }
    EXPECT_EQ("x", Value("All").Text());
    EXPECT_FALSE(Has("Never"));
}

TEST_F(PortSettings, BadTypeFailsTheStepButTheWalkGoesOn)
{
    CreateDriverKey();
    EXPECT_FALSE(Write("SETLPT=ALL,Name,REG_BINARY,1\r\nLPT_PrtMDLName=\"LP-1 Pro\"\r\n"
                       "LPT_VECP=\"1\"\r\n"));
    EXPECT_EQ("6/9", Pair(frame));
    EXPECT_FALSE(Has("Name"));
    EXPECT_EQ("LP-1 Pro", Value("LPT_PrtMDLName").Text());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Value("LPT_PrtMDLName").type);
    EXPECT_EQ(0u, Value("LPT_VECP").Dword());
}
