#include "files.h"

#include "handles.h"

BOOL FileExists(const char* path)
{
    WIN32_FIND_DATAA data;
    FindHandle found(FindFirstFileA(path, &data));
    return found.valid();
}
