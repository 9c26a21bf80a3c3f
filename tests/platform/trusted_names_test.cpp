#include "product_keys.h"
#include "trusted_names.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A code page 932 character whose trail byte is a backslash.
const std::string kHyo = "\x95\x5C";

bool Cp932()
{
    return GetACP() == 932;
}

}  // namespace

TEST(TrustedNames, ABareFileNameHasNoFolderColonOrStepUp)
{
    struct Case {
        const char* name;
        bool bare;
    } cases[] = {
        {"vtrsrv.exe", true},   {"TESTLMON.DLL", true}, {"a.b.dll", true},
        {"", false},            {"..", false},          {"..\\x.exe", false},
        {"sub\\x.exe", false},  {"sub/x.exe", false},   {"C:x.exe", false},
        {"C:\\x.dll", false},   {"x..dll", false},      {"\\\\host\\x.dll", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bare, IsBareFileName(c.name)) << c.name;
}

TEST(TrustedNames, AFolderIsWithinItsBaseByWholeComponentsWithoutStepsUp)
{
    const std::string base = "C:\\Program Files\\Common Files\\NORVA\\HTML";
    struct Case {
        std::string path;
        bool within;
    } cases[] = {
        {base, true},
        {base + "\\", true},
        {base + "\\LP1", true},
        {"c:\\program files\\common files\\norva\\html\\LP1", true},
        {base + "X", false},
        {base + "\\..\\X", false},
        {base + "\\LP1\\..\\..\\X", false},
        {base + "\\...", false},
        {base + "/../X", false},
        {"C:\\", false},
        {"C:\\Program Files", false},
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.within, IsFolderWithin(c.path, base)) << c.path;
    EXPECT_FALSE(IsFolderWithin(base, ""));
}

TEST(TrustedNames, KeysPlainUsersWriteAreTheReportsTheTargetsAndTheirOwn)
{
    struct Case {
        HKEY root;
        const char* path;
        bool writable;
    } cases[] = {
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\SDKResult", true},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\NORVA\\VTR3\\VTRCommon", true},
        {HKEY_LOCAL_MACHINE, "software\\NORVA\\VTR3\\VTRData", true},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\VTRData\\TXATarget", true},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000000",
         true},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\VTRData\\TXBTarget", true},
        {HKEY_CURRENT_USER, "Software\\NORVA\\User", true},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3", false},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA", false},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\Driver\\NORVA LP-1", false},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\Profile", false},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\VTRData\\Other", false},
        {HKEY_LOCAL_MACHINE, "Software\\NORVA\\VTR3\\SDKResultX", false},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\control\\Print\\Monitors\\NORVA LM",
         false},
        {HKEY_CLASSES_ROOT, "CLSID\\{x}", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.writable, IsUserWritableKey(c.root, c.path)) << c.path;
}

// Under code page 932 a trail byte equal to '\' is part of its character.
TEST(TrustedNames, DoubleByteCharactersAreWalkedWhole)
{
    if (!Cp932())
        GTEST_SKIP() << "code page 932 only (LANG=ja_JP)";
    EXPECT_TRUE(IsBareFileName(kHyo + ".dll"));
    EXPECT_TRUE(IsBareFileName("\x83\x2E\x83\x2E"));  // trail bytes '.', no step up
    EXPECT_TRUE(IsFolderWithin("C:\\X\\" + kHyo, "C:\\X"));
    EXPECT_TRUE(IsFolderWithin("C:\\" + kHyo + "\\sub", "C:\\" + kHyo));
    // A base that ends inside a character is no match.
    EXPECT_FALSE(IsFolderWithin("C:\\" + kHyo + "\\sub", "C:\\\x95"));
    EXPECT_EQ(1u, LastBackslash("a\\" + kHyo));
    EXPECT_TRUE(HasExtension((kHyo + ".exe").c_str()));
    EXPECT_FALSE(HasExtension(("x.d\\" + kHyo).c_str()));
}
