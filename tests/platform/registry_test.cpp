#include "registry.h"

#include "product_keys.h"
#include "registry_helpers.h"
#include "test_windows.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

const char kRoot[] = "Software\\MonsetupTest";

bool KeyExists(const std::string& path)
{
    return KeyExists(HKEY_CURRENT_USER, path);
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

// A value that is missing (or too long, as QueryString has it) is no failed
// read; a key that did not open is.
TEST_F(RegistryTest, QueryStringIfThereTellsAMissingValueFromAFailedRead)
{
    Registry key(HKEY_CURRENT_USER, Path("values"), NULL, TRUE, 0);
    ASSERT_TRUE(key.SetString("name", "NORVA Printer"));
    const Registry closed(HKEY_CURRENT_USER, Path("no such key"), NULL, FALSE, Registry::kRead);
    const struct {
        const Registry& key;
        const char* name;
        DWORD bufferSize;
        bool read;
        const char* value;
    } cases[] = {
        {key, "name", Registry::kDefaultBufferSize, true, "NORVA Printer"},
        {key, "missing", Registry::kDefaultBufferSize, true, "dflt"},
        {key, "name", 10, true, "dflt"},
        {closed, "name", Registry::kDefaultBufferSize, false, "dflt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " " + std::to_string(c.bufferSize));
        std::string value = "old";
        EXPECT_EQ(c.read, c.key.QueryStringIfThere(c.name, value, "dflt", c.bufferSize) != FALSE);
        EXPECT_EQ(c.value, value);
    }
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

TEST_F(RegistryTest, NamedWaysInOpenWithTheirAccessAndOnlyOneCreates)
{
    EXPECT_FALSE(Registry::OpenForReading(HKEY_CURRENT_USER, Path("a")).isOpen);
    SetLastError(0);
    Registry missing = Registry::OpenForWriting(HKEY_CURRENT_USER, Path("a"));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError()) << "why it did not open";
    EXPECT_FALSE(missing.isOpen);
    EXPECT_FALSE(KeyExists(Path("a")));

    Registry created = Registry::CreateWithSecurity(HKEY_CURRENT_USER, Path("a"), NULL);
    ASSERT_TRUE(created.isOpen);
    EXPECT_TRUE(created.SetDword("d", 5));
    EXPECT_TRUE(Registry::OpenWithAccess(HKEY_CURRENT_USER, Path("a"), WRITE_DAC).isOpen);

    // A moved key is held once: by its new owner.
    Registry moved = std::move(created);
    EXPECT_FALSE(created.isOpen);
    EXPECT_FALSE(created.SetDword("d", 6));
    ASSERT_TRUE(moved.isOpen);
    EXPECT_EQ(5u, moved.QueryDword("d", 0));
    moved = Registry::OpenForReading(HKEY_CURRENT_USER, Path("a"));
    EXPECT_EQ(Registry::kRead, moved.access);
    EXPECT_EQ(5u, moved.QueryDword("d", 0));
}

TEST_F(RegistryTest, SubkeysCountOpenAndGoOneByOne)
{
    Registry root = Registry::CreateWithSecurity(HKEY_CURRENT_USER, kRoot, NULL);
    DWORD count = 99;
    ASSERT_TRUE(root.CountSubkeys(&count));
    EXPECT_EQ(0u, count);
    for (const char* name : {"one", "two\\deep"})
        Registry::CreateWithSecurity(HKEY_CURRENT_USER, Path(name), NULL).SetString("v", name);
    ASSERT_TRUE(root.CountSubkeys(&count));
    EXPECT_EQ(2u, count);
    EXPECT_EQ("one", root.OpenSubkey("one", Registry::kRead).QueryString("v", ""));
    EXPECT_FALSE(root.OpenSubkey("three", Registry::kRead).isOpen);

    EXPECT_TRUE(root.DeleteSubkey("one"));
    EXPECT_FALSE(KeyExists(Path("one")));
    EXPECT_FALSE(root.DeleteSubkey("one"));
    EXPECT_FALSE(Registry().CountSubkeys(&count));
}

TEST_F(RegistryTest, StringsIntoBuffersAreWholeOrEmpty)
{
    Registry key = Registry::CreateWithSecurity(HKEY_CURRENT_USER, Path("values"), NULL);
    ASSERT_TRUE(key.SetString("name", "NORVA"));  // 6 bytes with the NUL
    const BYTE raw[6] = {'N', 'O', 'R', 'V', 'A', '!'};
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key.hKey, "raw", 0, REG_BINARY, raw, sizeof raw));
    const struct {
        const char* value;
        DWORD size;
        BOOL read;
        const char* text;
    } cases[] = {
        {"name", 260, TRUE, "NORVA"}, {"name", 6, TRUE, "NORVA"},   {"name", 5, FALSE, ""},
        {"raw", 7, TRUE, "NORVA!"},   {"raw", 6, FALSE, ""},        {"missing", 260, FALSE, ""},
    };
    for (const auto& c : cases) {
        char buffer[260];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(c.read, key.ReadString(c.value, buffer, c.size)) << c.value << " " << c.size;
        EXPECT_STREQ(c.text, buffer) << c.value << " " << c.size;
    }
    char buffer[8] = "x";
    EXPECT_FALSE(Registry().ReadString("name", buffer, sizeof buffer));
    EXPECT_STREQ("", buffer);
}

// The product's keys are where the 32-bit programs of the product keep them.
TEST(ProductKeys, AreInThe32BitViewOf64BitWindows)
{
    const std::string path = std::string(kProductKey) + "\\PlatformTest";
    DeleteTree(HKEY_LOCAL_MACHINE, path, kProductView);
    {
        Registry created = CreateProductKey(path + "\\child", NULL);
        ASSERT_TRUE(created.isOpen);
        EXPECT_TRUE(created.SetDword("d", 7));
    }
    Registry product = OpenProductKey(path);
    ASSERT_TRUE(product.isOpen);
    EXPECT_EQ(Registry::kRead | kProductView, product.access);
    EXPECT_EQ(7u, product.OpenSubkey("child", Registry::kRead | kProductView).QueryDword("d", 0))
        << "a subkey is in its parent's view";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, path + "\\child", kProductView));
#ifdef _WIN64
    if (IsWindowsNT()) {  // Wine presenting 95/98 ignores the view flags
        EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), kProductView);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY));
    }
#else
    EXPECT_EQ(0u, kProductView) << "Windows 95/98, NT 4.0 and 2000 know no views";
#endif
    EXPECT_TRUE(OpenProductKey(kProductKey, Registry::kAllAccess).DeleteKey("PlatformTest"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, path, kProductView));
}
