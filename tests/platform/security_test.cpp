#include "security.h"

#include "windows_version.h"

#include <gtest/gtest.h>

namespace {

ACL_SIZE_INFORMATION SizeOf(PACL acl)
{
    ACL_SIZE_INFORMATION size = {};
    EXPECT_TRUE(GetAclInformation(acl, &size, sizeof size, AclSizeInformation));
    return size;
}

}  // namespace

// The ACL is as large as its entries: no byte missing, none to spare.
TEST(Dacl, HoldsExactlyItsEntriesInOrder)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "95/98 have no security functions";
    AllocatedSid system;
    AllocatedSid everyone;
    AllocatedSid administrators;
    ASSERT_TRUE(AllocateLocalSystemSid(system));
    ASSERT_TRUE(AllocateEveryoneSid(everyone));
    ASSERT_TRUE(AllocateAdministratorsSid(administrators));  // 16 bytes, the others 12
    const AllowedAccess entries[] = {{administrators.get(), GENERIC_READ},
                                     {system.get(), KEY_ALL_ACCESS},
                                     {everyone.get(), GENERIC_ALL}};
    for (size_t count = 0; count <= 3; ++count) {
        HeapBuffer acl;
        ASSERT_EQ(DaclResult::kBuilt, BuildDacl(entries, count, acl, NULL)) << count;
        PACL list = static_cast<PACL>(acl.get());
        EXPECT_TRUE(IsValidAcl(list));
        const ACL_SIZE_INFORMATION size = SizeOf(list);
        EXPECT_EQ(count, size.AceCount);
        EXPECT_EQ(0u, size.AclBytesFree) << count << " entries";
        for (DWORD i = 0; i < count; ++i) {
            ACCESS_ALLOWED_ACE* ace = NULL;
            ASSERT_TRUE(GetAce(list, i, reinterpret_cast<void**>(&ace)));
            EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
            EXPECT_EQ(0, ace->Header.AceFlags) << "no inheritance";
            EXPECT_EQ(entries[i].mask, ace->Mask);
            EXPECT_TRUE(EqualSid(&ace->SidStart, entries[i].sid)) << "entry " << i;
        }
    }

    // The two-entry ACLs of the product keep the size they always had.
    HeapBuffer acl;
    ASSERT_EQ(DaclResult::kBuilt, BuildDacl(entries + 1, 2, acl, NULL));
    EXPECT_EQ(GetLengthSid(system.get()) + GetLengthSid(everyone.get()) + 24,
              static_cast<PACL>(acl.get())->AclSize);
}

TEST(Dacl, AnEntryThatCannotBeAddedIsNamed)
{
    if (!IsWindowsNT())
        GTEST_SKIP() << "95/98 have no security functions";
    AllocatedSid everyone;
    ASSERT_TRUE(AllocateEveryoneSid(everyone));
    // A SID of an unknown revision is refused.
    BYTE invalid[12] = {9, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
    const AllowedAccess entries[] = {{everyone.get(), GENERIC_ALL}, {invalid, GENERIC_ALL}};
    HeapBuffer acl;
    size_t failed = 99;
    EXPECT_EQ(DaclResult::kEntryFailed, BuildDacl(entries, 2, acl, &failed));
    EXPECT_EQ(1u, failed);
}
