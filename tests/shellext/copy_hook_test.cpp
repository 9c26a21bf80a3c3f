#include "shell_ext.h"

#include "shellext_env.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT kDelete = 0x13;
constexpr UINT kRename = 0x14;
constexpr UINT kPortChange = 0x20;
constexpr UINT kRenamePort = 0x34;

class CopyHook : public ::testing::Test {
protected:
    void SetUp() override
    {
        EnsureTestPrinters();
        ResetProductKeys();
        WriteModelKeys();
        SetLogSwitch(true);
        extension = new CShellExt();
        extension->AddRef();
    }
    void TearDown() override
    {
        extension->Release();
        DeleteHklmTree("software\\NORVA");
        DeleteLog();
    }

    // Calls the hook with a fresh log and returns what it logged.
    std::string Call(UINT func, const char* source, const char* dest, UINT flags = 0,
                     DWORD sourceAttributes = 0, DWORD destAttributes = 0)
    {
        DeleteLog();
        UINT result = extension->CopyCallback(NULL, func, flags, source, sourceAttributes, dest,
                                              destAttributes);
        EXPECT_EQ(static_cast<UINT>(IDYES), result);
        return ReadLog();
    }

    static std::vector<std::string> Describe(const std::vector<TargetEntry>& entries)
    {
        std::vector<std::string> lines;
        for (const TargetEntry& entry : entries)
            lines.push_back(entry.key + "=" + entry.name + "," + std::to_string(entry.monitoring));
        return lines;
    }

    static std::vector<std::string> Entries() { return Describe(TargetEntries()); }

    CShellExt* extension = NULL;
};

}  // namespace

TEST_F(CopyHook, DeletingAProductPrinterRemovesExactlyItsEntry)
{
    AddTargetEntry(0, kSecondProductPrinter, 1);
    AddTargetEntry(1, kProductPrinter, 0);
    AddTargetEntry(2, kForeignPrinter, 1);

    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"LP-1\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n"
              "    TargetPrinter(XIMP)\r\n"
              "    TargetReg: software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000001\r\n",
              Call(kDelete, kProductPrinter, NULL));
    std::vector<std::string> expected = {"P0000000000000000=LP-1b,1",
                                         "P0000000000000002=Other Printer,1"};
    EXPECT_EQ(expected, Entries());

    // Without an entry there is nothing to remove.
    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"LP-1\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n"
              "    TargetPrinter(XIMP)\r\n"
              "    TargetReg not found\r\n",
              Call(kDelete, kProductPrinter, NULL));
    EXPECT_EQ(expected, Entries());
}

TEST_F(CopyHook, RenamingStoresTheSourceNameInTheEntryOfTheDestination)
{
    AddTargetEntry(0, kSecondProductPrinter, 1);
    AddTargetEntry(3, kProductPrinter, 0);

    // The shell passes the printer's current name as the destination.
    EXPECT_EQ("> CShellExt::CopyCallback(14,0,\"LP-1 new\",0,\"LP-1\",0)\r\n"
              "    PO_RENAME:\r\n"
              "    TargetPrinter(XIMP)\r\n"
              "    TargetReg: software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000003\r\n",
              Call(kRename, "LP-1 new", kProductPrinter));
    std::vector<std::string> expected = {"P0000000000000000=LP-1b,1",
                                         "P0000000000000003=LP-1 new,0"};
    EXPECT_EQ(expected, Entries());
}

TEST_F(CopyHook, RenamingAPrinterWithoutEntryChangesNothing)
{
    AddTargetEntry(0, kSecondProductPrinter, 1);
    EXPECT_EQ("> CShellExt::CopyCallback(14,0,\"LP-1 new\",0,\"LP-1\",0)\r\n"
              "    PO_RENAME:\r\n"
              "    TargetPrinter(XIMP)\r\n",
              Call(kRename, "LP-1 new", kProductPrinter));
    std::vector<std::string> expected = {"P0000000000000000=LP-1b,1"};
    EXPECT_EQ(expected, Entries());
}

TEST_F(CopyHook, PrintersOfOtherModelsAreLeftAlone)
{
    AddTargetEntry(0, kOtherTypePrinter, 1);
    AddTargetEntry(1, kNoTypePrinter, 1);
    AddTargetEntry(2, kForeignPrinter, 1);
    AddTargetEntry(3, "Not In Spooler", 1);
    const std::vector<std::string> before = Entries();

    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"LP-2\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n",
              Call(kDelete, kOtherTypePrinter, NULL));
    Call(kDelete, kNoTypePrinter, NULL);
    Call(kDelete, "Not In Spooler", NULL);
    Call(kRename, "renamed", kOtherTypePrinter);
    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"Other Printer\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n"
              "     Target Check : Regstry(software\\NORVA\\VTR3\\Driver\\Other Driver) Open "
              "Error\r\n",
              Call(kDelete, kForeignPrinter, NULL));
    EXPECT_EQ(before, Entries());
}

TEST_F(CopyHook, OtherOperationsAreOnlyLogged)
{
    AddTargetEntry(0, kProductPrinter, 1);
    const std::vector<std::string> before = Entries();
    EXPECT_EQ("> CShellExt::CopyCallback(20,1a,\"LP-1\",10,\"LPT2:\",ffffffff)\r\n",
              Call(kPortChange, kProductPrinter, "LPT2:", 0x1A, 0x10, 0xFFFFFFFF));
    EXPECT_EQ("> CShellExt::CopyCallback(34,0,\"LP-1\",0,\"LP-1\",0)\r\n",
              Call(kRenamePort, kProductPrinter, kProductPrinter));
    EXPECT_EQ("> CShellExt::CopyCallback(2,0,\"LP-1\",0,NULL,0)\r\n",
              Call(FO_COPY, kProductPrinter, NULL));
    EXPECT_EQ(before, Entries());
}

TEST_F(CopyHook, MissingNamesAreLoggedAsNullAndChangeNothing)
{
    AddTargetEntry(0, kProductPrinter, 0);
    const std::vector<std::string> before = Entries();
    EXPECT_EQ("> CShellExt::CopyCallback(13,0,NULL,10,NULL,20)\r\n"
              "    PO_DELETE:\r\n",
              Call(kDelete, NULL, NULL, 0, 0x10, 0x20));
    // A rename without a new name finds the entry but has nothing to store.
    EXPECT_EQ("> CShellExt::CopyCallback(14,0,NULL,0,\"LP-1\",0)\r\n"
              "    PO_RENAME:\r\n"
              "    TargetPrinter(XIMP)\r\n"
              "    TargetReg: software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000000\r\n",
              Call(kRename, NULL, kProductPrinter));
    EXPECT_EQ(before, Entries());
}

TEST_F(CopyHook, NamesWithQuotesAndPercentSignsAreNeverFormats)
{
    AddTargetEntry(0, kOddPrinter, 1);
    AddTargetEntry(1, kProductPrinter, 1);
    std::string log = Call(kDelete, kOddPrinter, NULL);
    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"LP \"%s%n%x\" 100%\",0,NULL,0)\r\n"
              "    PO_DELETE:\r\n"
              "    TargetPrinter(XIMP)\r\n"
              "    TargetReg: software\\NORVA\\VTR3\\VTRData\\TXATarget\\P0000000000000000\r\n",
              log);
    std::vector<std::string> expected = {"P0000000000000001=LP-1,1"};
    EXPECT_EQ(expected, Entries());
}

TEST_F(CopyHook, OverlongNamesAreNoTargetsAndTheLogLineIsCut)
{
    const std::string huge(1000, 'Q');
    AddTargetEntry(0, kProductPrinter, 0);
    const std::vector<std::string> before = Entries();

    std::string log = Call(kDelete, huge.c_str(), NULL);
    EXPECT_EQ("> CShellExt::CopyCallback(13,0,\"QQQ", log.substr(0, 35));
    EXPECT_EQ("Q\r\n    PO_DELETE:\r\n", log.substr(252));
    log = Call(kRename, huge.c_str(), kProductPrinter);
    EXPECT_NE(std::string::npos, log.find("TargetReg: "));
    Call(kRename, "LP-1", huge.c_str());
    EXPECT_EQ(1u, TargetEntries().size());
    // The overlong new name is stored as the printer's name: the shell named
    // the printer so.
    EXPECT_EQ(huge, TargetEntries()[0].name);
}
