// Security attributes for the keys and directories the program creates: a
// DACL granting GENERIC_ALL to the running user and to Everyone, so that the
// setup's results stay usable by every user. Nothing is built on Windows 9x.
#pragma once

#include <windows.h>

class CAccessControl {
public:
    CAccessControl() = default;
    virtual ~CAccessControl();
    CAccessControl(const CAccessControl&) = delete;
    CAccessControl& operator=(const CAccessControl&) = delete;

    // Builds the attributes. Returns 0 on success (on Windows 9x with *out
    // left NULL), or 1 to 6 for the step that failed. *out points into this
    // object and is valid only as long as it lives.
    int Build(LPSECURITY_ATTRIBUTES* out);

    // Copies of the running user's SID and of the Everyone SID, allocated on
    // the process heap; the caller frees them with HeapFree.
    static BOOL GetUserSid(PSID* out);
    static BOOL GetEveryoneSid(PSID* out);

    PSID userSid = NULL;
    PSID everyoneSid = NULL;
    PACL dacl = NULL;
    SECURITY_DESCRIPTOR securityDescriptor;
    SECURITY_ATTRIBUTES attributes;

private:
    void FreeAll();
};

// TRUE when the caller's token (the thread's if it impersonates, else the
// process's) holds the built-in Administrators group, enabled or not.
BOOL IsAdministrator();
