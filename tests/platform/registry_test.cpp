#include "registry.h"

#include <gtest/gtest.h>

namespace {

const char kRoot[] = "Software\\MonsetupTest";

bool KeyExists(const std::string& path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { RemoveRoot(); }
    void TearDown() override { RemoveRoot(); }

    static void RemoveRoot()
    {
        Registry software(HKEY_CURRENT_USER, "Software", NULL, FALSE, Registry::kAllAccess);
        software.DeleteKey("MonsetupTest");
    }

    static std::string Path(const std::string& sub) { return std::string(kRoot) + "\\" + sub; }
};

}  // namespace

TEST_F(RegistryTest, MissingKeyGivesDefaultsAndTouchesNothing)
{
    Registry key(HKEY_CURRENT_USER, Path("missing"), NULL, FALSE, 0);
    EXPECT_FALSE(key.isOpen);
    EXPECT_EQ(Registry::kRead, key.access);
    EXPECT_EQ("dflt", key.QueryString("v", "dflt"));
    EXPECT_EQ(42u, key.QueryDword("v", 42));
    EXPECT_EQ("", key.EnumKey(0));
    EXPECT_EQ("", key.EnumValue(0));
    EXPECT_FALSE(key.SetString("v", "x"));
    EXPECT_FALSE(key.SetDword("v", 1));
    EXPECT_FALSE(key.DeleteValue("v"));
    EXPECT_FALSE(key.DeleteKey("sub"));
    EXPECT_FALSE(KeyExists(Path("missing")));
}

TEST_F(RegistryTest, CreateTellsNewKeysFromExistingOnes)
{
    Registry created(HKEY_CURRENT_USER, Path("a"), NULL, TRUE, 0);
    EXPECT_TRUE(created.isOpen);
    EXPECT_EQ(Registry::kAllAccess, created.access);
    EXPECT_TRUE(KeyExists(Path("a")));

    Registry again;
    EXPECT_FALSE(again.isOpen);
    EXPECT_FALSE(again.Create(HKEY_CURRENT_USER, Path("a"), NULL, NULL, Registry::kAllAccess));
    EXPECT_TRUE(again.isOpen);
    EXPECT_TRUE(again.Create(HKEY_CURRENT_USER, Path("b"), NULL, NULL, Registry::kAllAccess));
    EXPECT_TRUE(again.SetDword("d", 7));  // the second key is the one held
    Registry b(HKEY_CURRENT_USER, Path("b"), NULL, FALSE, 0);
    EXPECT_EQ(7u, b.QueryDword("d", 0));
}

TEST_F(RegistryTest, DeleteKeyRemovesAWholeSubtree)
{
    {
        Registry deep(HKEY_CURRENT_USER, Path("top\\mid1\\low"), NULL, TRUE, 0);
        deep.SetString("v", "x");
        Registry other(HKEY_CURRENT_USER, Path("top\\mid2"), NULL, TRUE, 0);
        other.SetDword("d", 1);
        Registry sibling(HKEY_CURRENT_USER, Path("keep"), NULL, TRUE, 0);
    }
    Registry root(HKEY_CURRENT_USER, kRoot, NULL, FALSE, Registry::kAllAccess);
    EXPECT_TRUE(root.DeleteKey("top"));
    EXPECT_FALSE(KeyExists(Path("top")));
    EXPECT_TRUE(KeyExists(Path("keep")));
    EXPECT_FALSE(root.DeleteKey("top"));
    EXPECT_FALSE(root.DeleteKey("never"));
}

TEST_F(RegistryTest, DwordQueriesTakeFourBytesOfAnyType)
{
    Registry key(HKEY_CURRENT_USER, Path("values"), NULL, TRUE, 0);
    EXPECT_EQ(5u, key.QueryDword("missing", 5));
    ASSERT_TRUE(key.SetDword("d", 0x12345678));
    EXPECT_EQ(0x12345678u, key.QueryDword("d", 0));
    ASSERT_TRUE(key.SetString("abc", "abc"));  // 4 bytes with the NUL
    EXPECT_EQ(0x00636261u, key.QueryDword("abc", 0));
    ASSERT_TRUE(key.SetString("long", "abcd"));  // 5 bytes: too long
    EXPECT_EQ(9u, key.QueryDword("long", 9));
}

TEST_F(RegistryTest, StringsKeepTheirNulAndRespectTheBufferSize)
{
    Registry key(HKEY_CURRENT_USER, Path("values"), NULL, TRUE, 0);
    ASSERT_TRUE(key.SetString("empty", ""));
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExA(key.hKey, "empty", NULL, &type, NULL, &size));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(1u, size);
    EXPECT_EQ("", key.QueryString("empty", "dflt"));

    ASSERT_TRUE(key.SetString("name", "NORVA Printer"));
    EXPECT_EQ("NORVA Printer", key.QueryString("name", ""));
    EXPECT_EQ("dflt", key.QueryString("name", "dflt", 10));  // does not fit
    EXPECT_EQ("NORVA Printer", key.QueryString("name", "", 14));

    // Data without a NUL that fills the buffer exactly stays bounded.
    const BYTE raw[4] = {'w', 'x', 'y', 'z'};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.hKey, "raw", 0, REG_BINARY, raw, 4));
    EXPECT_EQ("wxyz", key.QueryString("raw", "", 4));
    EXPECT_EQ("dflt", key.QueryString("missing", "dflt"));
}

TEST_F(RegistryTest, EnumerationListsNamesThenEnds)
{
    Registry key(HKEY_CURRENT_USER, Path("enum"), NULL, TRUE, 0);
    { Registry sub; sub.Create(key.hKey, "P1", "MyClass", NULL, Registry::kAllAccess); }
    key.SetString("first", "1");

    std::string cls = "unchanged";
    EXPECT_EQ("P1", key.EnumKey(0, &cls));
    EXPECT_EQ("MyClass", cls);
    cls = "unchanged";
    EXPECT_EQ("", key.EnumKey(1, &cls));
    EXPECT_EQ("unchanged", cls);
    EXPECT_EQ("first", key.EnumValue(0));
    EXPECT_EQ("", key.EnumValue(1));

    EXPECT_TRUE(key.DeleteValue("first"));
    EXPECT_FALSE(key.DeleteValue("first"));
}
