#include "launcher.h"

#include "setup_host.h"
#include "shellext_env.h"

#include <gtest/gtest.h>

namespace {

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
    int count = find != INVALID_HANDLE_VALUE ? 1 : 0;
    while (count > 0 && FindNextFileA(find, &data))
        ++count;
    FindClose(find);
    return count;
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        InstallProductModel();
    }
};

}  // namespace

TEST_F(Launcher, ModulesAreFoundThroughThePrintersModel)
{
    const PrinterModel model(kProductPrinter);
    ModulePaths paths;
    EXPECT_TRUE(LocateModules(model, paths));
    EXPECT_EQ(kMonrun, paths.monrun);
    EXPECT_EQ(kMoncfg, paths.moncfg);
    for (const char* printer : {kForeignPrinter, "Not In Spooler", ""}) {
        EXPECT_FALSE(LocateModules(PrinterModel(printer), paths)) << printer;
        EXPECT_EQ(kMonrun, paths.monrun) << "paths kept without a model";
    }

    SetProductString(DriverKey(kProductDriver), "MONCFG", kMoncfg + ".missing");
    EXPECT_FALSE(LocateModules(model, paths));
    EXPECT_EQ(kMonrun, paths.monrun) << "only the monitor's path is set";
    EXPECT_STREQ("", paths.moncfg);

    SetProductString(DriverKey(kProductDriver), "MONCFG", kMoncfg);
    SetProductString(DriverKey(kProductDriver), "MONRUN", kMonrun + ".missing");
    EXPECT_FALSE(LocateModules(model, paths));
    EXPECT_STREQ("", paths.monrun) << "without the monitor, MONCFG is not looked for";
    EXPECT_STREQ("", paths.moncfg);
}

TEST_F(Launcher, TheProgramGetsThePrinterNameThroughAParameterFile)
{
    for (const std::string& name : {std::string("LP-1"), std::string(kOddPrinter),
                                   std::string(1000, 'W')}) {
        SCOPED_TRACE(name);
        DeleteFileA((kMonrun + ".txt").c_str());
        DeleteLog();
        ASSERT_TRUE(ExecuteVtrModule(name.c_str(), kMonrun.c_str()));
        const std::string record = WaitForRecord(kMonrun);
        const size_t lineEnd = record.find('\n');
        const std::string commandLine = record.substr(0, lineEnd);
        const std::string parameters = "/P" + std::to_string(name.size()) + " \"" + name + "\"";
        EXPECT_EQ(parameters + "\r\n", record.substr(lineEnd + 1)) << "one line, CR LF on disk";

        // The command line ends in ` /F<length> "<parameter file>"`.
        const size_t quote = commandLine.find(" \"", kMonrun.size());
        const std::string file = commandLine.substr(quote + 2, commandLine.size() - quote - 3);
        EXPECT_EQ(kMonrun + " /F" + std::to_string(file.size()) + " \"" + file + "\"",
                  commandLine);
        EXPECT_EQ(0u, file.find(TempDirectory())) << file;
        if (name.size() < 200) {  // the log cuts longer lines
            EXPECT_EQ("     ExecuteVtrModule()\r\n"
                      "       Execute Command line (" + commandLine + ")\r\n"
                      "       (Parameter file (" + parameters + "))\r\n"
                      "       return TRUE\r\n",
                      ReadLog());
        }
    }
}

TEST_F(Launcher, WithoutAProgramNoFileIsMade)
{
    const int before = CountParameterFiles();
    EXPECT_FALSE(ExecuteVtrModule("LP-1", ""));
    EXPECT_FALSE(ExecuteVtrModule("LP-1", NULL));
    EXPECT_EQ(before, CountParameterFiles());
    EXPECT_EQ("     ExecuteVtrModule()\r\n       return FALSE\r\n"
              "     ExecuteVtrModule()\r\n       return FALSE\r\n",
              ReadLog());

    const std::string missing = kMonrun + ".missing";
    EXPECT_FALSE(ExecuteVtrModule("LP-1", missing.c_str()));
    const std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("Execute Command line (" + missing + " /F")) << log;
    EXPECT_EQ("       return FALSE\r\n", log.substr(log.size() - 21));
}

TEST_F(Launcher, WithoutATemporaryFileTheProgramStartsWithAnEmptyParameterFile)
{
    // A temporary folder that does not exist: GetTempFileNameA fails.
    char saved[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", saved, sizeof saved);
    char savedTemp[MAX_PATH] = "";
    GetEnvironmentVariableA("TEMP", savedTemp, sizeof savedTemp);
    SetEnvironmentVariableA("TMP", "C:\\NORVA\\no such folder");
    SetEnvironmentVariableA("TEMP", "C:\\NORVA\\no such folder");
    DeleteFileA((kMonrun + ".txt").c_str());
    const BOOL started = ExecuteVtrModule("LP-1", kMonrun.c_str());
    SetEnvironmentVariableA("TMP", saved);
    SetEnvironmentVariableA("TEMP", savedTemp);

    ASSERT_TRUE(started);
    EXPECT_EQ(kMonrun + " /F0 \"\"\n", WaitForRecord(kMonrun));
}

// A program under "C:\Program Files" is started by its own path: a
// C:\Program.exe that someone planted never runs in its place.
TEST_F(Launcher, AProgramPathWithBlanksNeverStartsAPlantedProgramExe)
{
    const std::string folder = "C:\\Program Files\\Monsetup Launcher";
    const std::string monrun = folder + "\\fake_monrun.exe";
    CreateDirectoryA(folder.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(BesideThisProgram("fake_monrun.exe").c_str(), monrun.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BesideThisProgram("fake_monrun.exe").c_str(), "C:\\Program.exe", FALSE));
    DeleteFileA("C:\\Program.exe.txt");

    ASSERT_TRUE(ExecuteVtrModule(kProductPrinter, monrun.c_str()));
    const std::string record = WaitForRecord(monrun);
    EXPECT_EQ(0u, record.find(monrun + " /F")) << "the command line as it always was";
    EXPECT_EQ("", ReadFileBytes("C:\\Program.exe.txt"));
    DeleteFileA("C:\\Program.exe");
}
