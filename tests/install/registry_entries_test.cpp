#include "app_test_support.h"
#include "install_run.h"
#include "install_test_files.h"
#include "startup_links.h"
#include "uninstall_run.h"
#include "registry.h"
#include "test_frame.h"

#include <gtest/gtest.h>

namespace {

const char kTestKey[] = "Software\\NORVA\\Test";
const char kModelKey[] = "Software\\NORVA\\VTR3\\Driver\\NORVA LP-1";

class RegistryEntries : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        frame.settings.driverDir = "C:\\drivers";
        frame.settings.driverName = "NORVA LP-1";
        frame.settings.langMonitorName = "NORVA LM";
        frame.settings.langMonitorDll = "nrlm.dll";
    }

    BOOL Write(const std::string& installLines)
    {
        ini.reset();  // the old file goes first: the new one has its name
        ini.reset(new TempIni("[Install]\r\n" + installLines + "[Other]\r\n"));
        frame.settings.iniPath = ini->path;
        return InstallRun(frame).WriteRegistryEntries();
    }

    StoredValue Value(const char* name) const { return ReadValue(HKEY_LOCAL_MACHINE, kTestKey, name); }

    TestFrame frame;
    std::unique_ptr<TempIni> ini;
};

}  // namespace

TEST_F(RegistryEntries, SlotsDefineKeysAndEntriesWriteTheirValues)
{
    ASSERT_TRUE(Write("REGPATH=REG0,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Test\"\r\n"
                      "REGENTER=REG0,Default,\"text\"\r\n"
                      "REGENTER=REG0,\"Mode\",1\r\n"
                      "REGENTER=REG0,\"Hex\",0x10\r\n"
                      "REGENTER=REG0,\"Mixed\",12abc\r\n"
                      "REGENTER=REG0,\"Minus\",-1\r\n"
                      "REGENTER=REG0,\"Default\",\"named\"\r\n"
                      "REGENTER=REG0,\"Bare\"\r\n"
                      "REGENTER=REG0,\"Path\",DRIVERDIR+\"\\bin\"\r\n"))
        << frame.result.ErrorCode1() << "/" << frame.result.ErrorCode2();

    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Value(NULL).type);
    EXPECT_EQ("text", Value(NULL).Text());
    EXPECT_EQ(1u, Value("Mode").Dword());
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), Value("Mode").type);
    EXPECT_EQ(0u, Value("Hex").Dword());
    EXPECT_EQ(12u, Value("Mixed").Dword());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), Value("Minus").type);
    EXPECT_EQ("", Value("Minus").Text());
    EXPECT_EQ("named", Value("Default").Text());
    EXPECT_EQ(1u, Value("Bare").data.size()) << "an empty text is one NUL";
    EXPECT_EQ("C:\\drivers\\bin", Value("Path").Text());

    // The model's monitor record comes last.
    EXPECT_EQ("NORVA LM", StringValue(kModelKey, "LanguageMon"));
    EXPECT_EQ("nrlm.dll", StringValue(kModelKey, "LanguageMonDll"));
}

TEST_F(RegistryEntries, SlotNamesAndKeysMatchExactly)
{
    ASSERT_TRUE(Write("REGPATH=REG16,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Sixteen\"\r\n"
                      "REGPATH=REG01,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Zero1\"\r\n"
                      "REGENTER=REG16,\"x\",1\r\n"
                      "regpath=REG2,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Lower\"\r\n"
                      "REGPATH=REG3,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Test\"\r\n"
                      "REGPATH=REG3,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Second\"\r\n"
                      "REGENTER=REG3,\"v\",7\r\n"
                      "REGPATH=REG15,\"HKEY_CURRENT_USER\\Software\\NORVA\\User\"\r\n"
                      "REGENTER=REG15,\"u\",\"x\"\r\n"));
    EXPECT_FALSE(KeyExists("Software\\NORVA\\Sixteen"));
    EXPECT_FALSE(KeyExists("Software\\NORVA\\Zero1"));
    EXPECT_FALSE(KeyExists("Software\\NORVA\\Lower"));
    EXPECT_FALSE(KeyExists("Software\\NORVA\\Second")) << "the first definition of a slot wins";
    EXPECT_EQ(7u, Value("v").Dword());
    EXPECT_EQ("x", ReadValue(HKEY_CURRENT_USER, "Software\\NORVA\\User", "u").Text());
    Registry(HKEY_CURRENT_USER, "Software", NULL, FALSE, Registry::kAllAccess).DeleteKey("NORVA");
}

TEST_F(RegistryEntries, WithoutEntriesOnlyTheModelRecordIsWritten)
{
    frame.settings.langMonitorName.clear();
    frame.settings.langMonitorDll.clear();
    ASSERT_TRUE(Write("DRVNAME=x\r\n"));
    for (const char* name : {"LanguageMon", "LanguageMonDll"}) {
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), ReadValue(HKEY_LOCAL_MACHINE, kModelKey, name).type)
            << name << " is written even when empty";
    }
}

TEST_F(RegistryEntries, FailuresStopTheStep)
{
    EXPECT_FALSE(Write("REGENTER=REG2,\"x\",1\r\nREGPATH=REG2,\"HKEY_LOCAL_MACHINE\\Software\\NORVA\\Test\"\r\n"));
    EXPECT_EQ("3/31", Pair(frame));
    EXPECT_FALSE(KeyExists(kModelKey));

    EXPECT_FALSE(Write("REGPATH=REG0,\"hkey_local_machine\\Software\\NORVA\\Test\"\r\n"));
    EXPECT_EQ("6/7", Pair(frame));
    EXPECT_FALSE(Write("REGPATH=REG0,\"HKEY_USERS\\x\"\r\n"));
    EXPECT_EQ("6/7", Pair(frame));
    EXPECT_FALSE(Write("REGPATH=REG0,\"HKEY_LOCAL_MACHINE\"\r\n"));
    EXPECT_EQ("6/7", Pair(frame));

    frame.settings.iniPath = "C:\\no such dir\\setup.ini";
    EXPECT_FALSE(InstallRun(frame).WriteRegistryEntries());
    EXPECT_EQ("6/6", Pair(frame));

    frame.settings.driverDir.clear();
    EXPECT_FALSE(InstallRun(frame).WriteRegistryEntries());
    EXPECT_EQ("7/60", Pair(frame));
    frame.settings.iniPath.clear();
    EXPECT_FALSE(InstallRun(frame).WriteRegistryEntries());
    EXPECT_EQ("8/2", Pair(frame));
}
