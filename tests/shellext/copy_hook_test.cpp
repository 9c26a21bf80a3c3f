#include "shell_ext.h"

#include "import_patch.h"
#include "japanese.h"
#include "shellext_env.h"
#include "test_windows.h"

#include <winspool.h>

#include <gtest/gtest.h>

namespace {

constexpr UINT kDelete = 0x13;  // PO_DELETE
constexpr UINT kRename = 0x14;  // PO_RENAME
constexpr char kEntryLog[] = "    TargetReg: software\\NORVA\\VTR3\\VTRData\\TXATarget\\P";

class CopyHook : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetProductKeys();
        extension->AddRef();
    }
    void TearDown() override { extension->Release(); }

    // Calls the hook, which never vetoes, with a fresh log; returns the log.
    std::string Call(UINT func, const char* source, const char* dest, UINT flags = 0,
                     DWORD sourceAttributes = 0, DWORD destAttributes = 0)
    {
        DeleteLog();
        EXPECT_EQ(static_cast<UINT>(IDYES), extension->CopyCallback(NULL, func, flags, source,
                                                                    sourceAttributes, dest,
                                                                    destAttributes));
        return ReadLog();
    }

    CShellExt* extension = new CShellExt();
};

}  // namespace

TEST_F(CopyHook, DeletingAProductPrinterRemovesExactlyItsEntry)
{
    AddTargetEntry(0, kSecondProductPrinter, 1);
    AddTargetEntry(1, kProductPrinter, 0);
    AddTargetEntry(2, kForeignPrinter, 1);
    const std::string head = "> CShellExt::CopyCallback(13,0,\"LP-1\",0,NULL,0)\r\n"
                             "    PO_DELETE:\r\n"
                             "    TargetPrinter(XIMP)\r\n";
    EXPECT_EQ(head + kEntryLog + "0000000000000001\r\n", Call(kDelete, kProductPrinter, NULL));
    const std::vector<std::string> expected = {"P0000000000000000=LP-1b,1",
                                               "P0000000000000002=Other Printer,1"};
    EXPECT_EQ(expected, Entries());

    EXPECT_EQ(head + "    TargetReg not found\r\n", Call(kDelete, kProductPrinter, NULL));
    EXPECT_EQ(expected, Entries());
}

TEST_F(CopyHook, RenamingStoresTheNewNameInTheEntryOfTheCurrentOne)
{
    // The shell passes the new name as the source, the current one as the
    // destination.
    const std::string head = "> CShellExt::CopyCallback(14,0,\"LP-1 new\",0,\"LP-1\",0)\r\n"
                             "    PO_RENAME:\r\n"
                             "    TargetPrinter(XIMP)\r\n";
    AddTargetEntry(0, kSecondProductPrinter, 1);
    EXPECT_EQ(head, Call(kRename, "LP-1 new", kProductPrinter)) << "no entry, nothing written";
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=LP-1b,1"}, Entries());

    AddTargetEntry(3, kProductPrinter, 0);
    EXPECT_EQ(head + kEntryLog + "0000000000000003\r\n", Call(kRename, "LP-1 new", kProductPrinter));
    const std::vector<std::string> expected = {"P0000000000000000=LP-1b,1",
                                               "P0000000000000003=LP-1 new,0"};
    EXPECT_EQ(expected, Entries());
}

TEST_F(CopyHook, OtherPrintersOperationsAndMissingNamesChangeNothing)
{
    const char* printers[] = {kOtherTypePrinter, kNoTypePrinter, kForeignPrinter, "Not Here",
                              kProductPrinter};
    for (unsigned i = 0; i < 5; ++i)
        AddTargetEntry(i, printers[i], 1);
    const std::vector<std::string> before = Entries();
    const std::string renamed = std::string(kEntryLog) + "0000000000000004\r\n";
    const struct {
        UINT func;
        const char* source;
        const char* dest;
        UINT flags;
        DWORD attributes[2];
        std::string log;
    } calls[] = {
        {kDelete, kOtherTypePrinter, NULL, 0, {0, 0},
         "> CShellExt::CopyCallback(13,0,\"LP-2\",0,NULL,0)\r\n    PO_DELETE:\r\n"},
        {kDelete, kNoTypePrinter, NULL, 0, {0, 0},
         "> CShellExt::CopyCallback(13,0,\"LP-3\",0,NULL,0)\r\n    PO_DELETE:\r\n"},
        {kDelete, kForeignPrinter, NULL, 0, {0, 0},
         "> CShellExt::CopyCallback(13,0,\"Other Printer\",0,NULL,0)\r\n    PO_DELETE:\r\n"
         "     Target Check : Regstry(software\\NORVA\\VTR3\\Driver\\Other Driver) Open Error\r\n"},
        {kRename, "new", kOtherTypePrinter, 0, {0, 0},
         "> CShellExt::CopyCallback(14,0,\"new\",0,\"LP-2\",0)\r\n    PO_RENAME:\r\n"},
        {0x20, kProductPrinter, "LPT2:", 0x1A, {0x10, 0xFFFFFFFF},
         "> CShellExt::CopyCallback(20,1a,\"LP-1\",10,\"LPT2:\",ffffffff)\r\n"},
        {kDelete, NULL, NULL, 0, {0x10, 0x20},
         "> CShellExt::CopyCallback(13,0,NULL,10,NULL,20)\r\n    PO_DELETE:\r\n"},
        {kRename, NULL, kProductPrinter, 0, {0, 0},
         "> CShellExt::CopyCallback(14,0,NULL,0,\"LP-1\",0)\r\n    PO_RENAME:\r\n"
         "    TargetPrinter(XIMP)\r\n" + renamed},
    };
    for (const auto& call : calls)
        EXPECT_EQ(call.log, Call(call.func, call.source, call.dest, call.flags,
                                 call.attributes[0], call.attributes[1]));
    EXPECT_EQ(before, Entries());
}

TEST_F(CopyHook, NamesAreNeverFormatsAndOverlongOnesAreNoTargets)
{
    AddTargetEntry(0, kOddPrinter, 1);
    AddTargetEntry(1, kProductPrinter, 1);
    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"LP \"%s%n%x\" 100%\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n"
              "    TargetPrinter(XIMP)\r\n" +
                  std::string(kEntryLog) + "0000000000000000\r\n",
              Call(kDelete, kOddPrinter, NULL));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000001=LP-1,1"}, Entries());

    const std::string huge(1000, 'Q');
    EXPECT_EQ(255u + 16u, Call(kDelete, huge.c_str(), NULL).size()) << "a cut line, PO_DELETE";
    Call(kRename, huge.c_str(), kProductPrinter);
    EXPECT_EQ(std::vector<std::string>{"P0000000000000001=" + huge + ",1"}, Entries())
        << "the shell named the printer so";
    Call(kRename, kProductPrinter, huge.c_str());
    EXPECT_EQ(std::vector<std::string>{"P0000000000000001=" + huge + ",1"}, Entries());
}

// Japanese printer names: characters whose second bytes are '\\' (ソ), ']'
// (評), '|' (ポ), '[' (ー) and 'A' or 'a' (ア, ヂ) find, rename and delete
// their own entries only.
TEST_F(CopyHook, JapanesePrinterNamesKeepTheirEntriesApart)
{
    REQUIRE_JAPANESE_SYSTEM();
    const std::string upper = AddProductPrinter("ソフト評価 ア");
    const std::string lower = AddProductPrinter("ソフト評価 ヂ");
    const std::string renamed = Ansi("ポーター");
    ASSERT_FALSE(upper.empty());
    ASSERT_FALSE(lower.empty());
    AddTargetEntry(0, upper, 1);
    AddTargetEntry(1, lower, 0);

    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"" + lower + "\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n    TargetPrinter(XIMP)\r\n" + kEntryLog + "0000000000000001\r\n",
              Call(kDelete, lower.c_str(), NULL));
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=" + upper + ",1"}, Entries());

    Call(kRename, renamed.c_str(), upper.c_str());
    EXPECT_EQ(std::vector<std::string>{"P0000000000000000=" + renamed + ",1"}, Entries());
}

namespace {

// The spooler as it answers a user who may use a printer but not manage it.
class PrintersNotManaged {
public:
    PrintersNotManaged()
        : real(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("winspool.drv"),
                                                      "OpenPrinterA")))
    {
        EXPECT_TRUE(PatchImports(real, reinterpret_cast<void*>(&Open)));
    }
    ~PrintersNotManaged() { PatchImports(reinterpret_cast<void*>(&Open), real); }

private:
    static BOOL WINAPI Open(LPSTR name, LPHANDLE printer, LPPRINTER_DEFAULTSA defaults)
    {
        if (defaults != NULL && defaults->DesiredAccess == PRINTER_ALL_ACCESS) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        return reinterpret_cast<decltype(&OpenPrinterA)>(realOpen)(name, printer, defaults);
    }
    static void* realOpen;
    void* const real;
};
void* PrintersNotManaged::realOpen =
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("winspool.drv"), "OpenPrinterA"));

}  // namespace

// On NT the spooler refuses to delete or rename a printer for a user who may
// not manage it, after the hook: the entry stays as it is. Windows 95/98
// let every user manage every printer.
TEST_F(CopyHook, AUserWhoMayNotManageThePrinterLeavesItsEntry)
{
    AddTargetEntry(0, kProductPrinter, 0);
    const std::vector<std::string> before = Entries();
    PrintersNotManaged notManaged;
    const std::string log = Call(kDelete, kProductPrinter, NULL);
    Call(kRename, "LP-1 new", kProductPrinter);
    if (!IsWindowsNT()) {
        EXPECT_TRUE(Entries().empty());
        return;
    }
    EXPECT_EQ(before, Entries());
    EXPECT_NE(std::string::npos, log.find("    Printer not managed by this user(5)\r\n")) << log;
}
