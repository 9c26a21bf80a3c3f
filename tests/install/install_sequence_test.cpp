#include "app_test_support.h"
#include "install_test_files.h"
#include "test_frame.h"

#include <gtest/gtest.h>

namespace {

std::string CurrentDirectory()
{
    char path[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

bool IsDirectory(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class DirectoryPath : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        base = std::string(temp) + "monsetup dirs";
        CreateDirectoryA(base.c_str(), NULL);
        start = CurrentDirectory();
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(start.c_str());
        for (const char* dir : {"\\a\\b\\c", "\\a\\b", "\\a", "\\r\\s", "\\r"})
            RemoveDirectoryA((base + dir).c_str());
        DeleteFileA((base + "\\file").c_str());
        RemoveDirectoryA(base.c_str());
    }

    TestFrame frame;
    std::string base;
    std::string start;
};

}  // namespace

TEST_F(DirectoryPath, MissingLevelsAreCreatedAndTheCurrentDirectoryRestored)
{
    CreateDirectoryA((base + "\\a").c_str(), NULL);
    EXPECT_TRUE(frame.CreateDirectoryPath(base + "\\a\\b\\c", NULL));
    EXPECT_TRUE(IsDirectory(base + "\\a\\b\\c"));
    EXPECT_EQ(start, CurrentDirectory());

    // Existing levels are entered; a trailing backslash changes nothing.
    EXPECT_TRUE(frame.CreateDirectoryPath(base + "\\a\\b\\c\\", NULL));
    EXPECT_EQ(start, CurrentDirectory());
}

TEST_F(DirectoryPath, RelativePathsGrowBelowTheCurrentDirectory)
{
    ASSERT_TRUE(SetCurrentDirectoryA(base.c_str()));
    EXPECT_TRUE(frame.CreateDirectoryPath("r\\s", NULL));
    EXPECT_TRUE(IsDirectory(base + "\\r\\s"));
    EXPECT_EQ(base, CurrentDirectory());
}

TEST_F(DirectoryPath, AFileInTheWayFails)
{
    HANDLE file = CreateFileA((base + "\\file").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0,
                              NULL);
    CloseHandle(file);
    EXPECT_FALSE(frame.CreateDirectoryPath(base + "\\file\\sub", NULL));
    EXPECT_EQ(start, CurrentDirectory());
    EXPECT_FALSE(frame.CreateDirectoryPath("Q:\\nowhere", NULL)) << "a drive that is not there";
}
