#include "delete_file.h"

BOOL DeleteFileEvenIfReadOnly(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        if (!SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY))
            return FALSE;
    }
    return DeleteFileA(path.c_str());
}
