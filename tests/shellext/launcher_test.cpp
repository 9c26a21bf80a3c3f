#include "launcher.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const std::string kProgramDir = std::string(kInstallDir) + "\\bin";
const std::string kMonrun = kProgramDir + "\\fake_monrun.exe";
const std::string kMoncfg = kProgramDir + "\\fake_moncfg.exe";

std::string TempDirectory()
{
    char path[MAX_PATH];
    GetTempPathA(sizeof path, path);
    return path;
}

int CountParameterFiles()
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((TempDirectory() + "VTR*.tmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return 0;
    int count = 1;
    while (FindNextFileA(find, &data))
        ++count;
    FindClose(find);
    return count;
}

// What a fake program recorded: its command line, then the parameter file.
struct Record {
    std::string commandLine;
    std::string parameters;
};

Record WaitForRecord(const std::string& program)
{
    Record record;
    std::string path = program + ".txt";
    if (!WaitForFile(path))
        return record;
    std::string text = ReadBinaryFile(path);
    size_t lineEnd = text.find('\n');
    record.commandLine = text.substr(0, lineEnd);
    record.parameters = lineEnd == std::string::npos ? "" : text.substr(lineEnd + 1);
    return record;
}

// The parameter file's path from ` /F<length> "<path>"` at the end.
std::string ParameterPath(const std::string& commandLine)
{
    size_t quote = commandLine.find('"', commandLine.rfind(" /F"));
    if (quote == std::string::npos || commandLine.back() != '"')
        return "";
    return commandLine.substr(quote + 1, commandLine.size() - quote - 2);
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureTestPrinters();
        ResetProductKeys();
        WriteModelKeys();
        MakeDirectories(kProgramDir);
        ASSERT_TRUE(CopyBuiltFile("fake_monrun.exe", kMonrun));
        ASSERT_TRUE(CopyBuiltFile("fake_moncfg.exe", kMoncfg));
        DeleteFileA((kMonrun + ".txt").c_str());
        DeleteFileA((kMoncfg + ".txt").c_str());
        SetHklmString(DriverKey(kProductDriver), "MONRUN", kMonrun);
        SetHklmString(DriverKey(kProductDriver), "MONCFG", kMoncfg);
        SetLogSwitch(true);
        DeleteLog();
    }
    void TearDown() override
    {
        DeleteHklmTree("software\\NORVA");
        DeleteLog();
    }

    static void Preset(const char* run, const char* cfg)
    {
        lstrcpynA(monrunPath, run, sizeof monrunPath);
        lstrcpynA(moncfgPath, cfg, sizeof moncfgPath);
    }
};

}  // namespace

TEST_F(Launcher, BothProgramsAreFoundForAProductPrinter)
{
    Preset("old run", "old cfg");
    EXPECT_TRUE(LocateModules(kProductPrinter));
    EXPECT_EQ(kMonrun, monrunPath);
    EXPECT_EQ(kMoncfg, moncfgPath);
}

TEST_F(Launcher, AMissingSettingsProgramLeavesOnlyTheMonitorsPath)
{
    SetHklmString(DriverKey(kProductDriver), "MONCFG", kProgramDir + "\\missing.exe");
    Preset("old run", "old cfg");
    EXPECT_FALSE(LocateModules(kProductPrinter));
    EXPECT_EQ(kMonrun, monrunPath);
    EXPECT_STREQ("", moncfgPath);
}

TEST_F(Launcher, AMissingMonitorClearsBothPaths)
{
    DeleteFileA(kMonrun.c_str());
    Preset("old run", "old cfg");
    EXPECT_FALSE(LocateModules(kProductPrinter));
    EXPECT_STREQ("", monrunPath);
    EXPECT_STREQ("", moncfgPath);
}

TEST_F(Launcher, AnUnknownModelKeepsThePathsOfTheLastPage)
{
    Preset("old run", "old cfg");
    EXPECT_FALSE(LocateModules(kForeignPrinter));
    EXPECT_FALSE(LocateModules("Not In Spooler"));
    EXPECT_FALSE(LocateModules(""));
    EXPECT_STREQ("old run", monrunPath);
    EXPECT_STREQ("old cfg", moncfgPath);
}

TEST_F(Launcher, TheProgramGetsThePrinterNameThroughAParameterFile)
{
    ASSERT_TRUE(ExecuteVtrModule("LP-1", kMonrun.c_str()));
    Record record = WaitForRecord(kMonrun);

    EXPECT_EQ("/P4 \"LP-1\"\r\n", record.parameters);
    std::string parameterFile = ParameterPath(record.commandLine);
    ASSERT_FALSE(parameterFile.empty()) << record.commandLine;
    EXPECT_EQ(kMonrun + " /F" + std::to_string(parameterFile.size()) + " \"" + parameterFile +
                  "\"",
              record.commandLine);
    EXPECT_EQ(0u, parameterFile.find(TempDirectory()));
    EXPECT_TRUE(FileExists(parameterFile)) << "the parameter file is left in place";

    EXPECT_EQ("     ExecuteVtrModule()\r\n"
              "       Execute Command line (" + record.commandLine + ")\r\n"
              "       (Parameter file (/P4 \"LP-1\"))\r\n"
              "       return TRUE\r\n",
              ReadLog());
}

TEST_F(Launcher, QuotesAndPercentSignsInTheNameAreWrittenUnchanged)
{
    ASSERT_TRUE(ExecuteVtrModule(kOddPrinter, kMoncfg.c_str()));
    Record record = WaitForRecord(kMoncfg);
    EXPECT_EQ("/P" + std::to_string(std::strlen(kOddPrinter)) + " \"" + kOddPrinter + "\"\r\n",
              record.parameters);
}

TEST_F(Launcher, ALongNameIsWrittenWhole)
{
    const std::string huge(1000, 'W');
    ASSERT_TRUE(ExecuteVtrModule(huge.c_str(), kMonrun.c_str()));
    Record record = WaitForRecord(kMonrun);
    EXPECT_EQ("/P1000 \"" + huge + "\"\r\n", record.parameters);
}

TEST_F(Launcher, WithoutAProgramNoFileIsMade)
{
    int before = CountParameterFiles();
    EXPECT_FALSE(ExecuteVtrModule("LP-1", ""));
    EXPECT_FALSE(ExecuteVtrModule("LP-1", NULL));
    EXPECT_EQ(before, CountParameterFiles());
    EXPECT_EQ("     ExecuteVtrModule()\r\n"
              "       return FALSE\r\n"
              "     ExecuteVtrModule()\r\n"
              "       return FALSE\r\n",
              ReadLog());
}

TEST_F(Launcher, AProgramThatCannotStartGivesFalse)
{
    std::string missing = kProgramDir + "\\missing.exe";
    EXPECT_FALSE(ExecuteVtrModule("LP-1", missing.c_str()));
    std::string log = ReadLog();
    EXPECT_EQ(0u, log.find("     ExecuteVtrModule()\r\n       Execute Command line (" + missing +
                           " /F"));
    EXPECT_EQ("       return FALSE\r\n", log.substr(log.size() - 21));
}
