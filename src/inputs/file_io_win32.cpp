#include "file_io.h"

#include <windows.h>

namespace fileio {

namespace {
struct FileHandle {
    HANDLE h;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};
}  // namespace

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    // Others may read the file meanwhile, but not write it.
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL));
    if (file.h == INVALID_HANDLE_VALUE)
        return false;

    DWORD sizeHigh = 0;
    DWORD size = GetFileSize(file.h, &sizeHigh);
    if (size == INVALID_FILE_SIZE && GetLastError() != NO_ERROR)
        return false;
    if (sizeHigh != 0)
        return false;  // beyond 4 GB: not a setup file

    std::string bytes(size, '\0');
    DWORD done = 0;
    while (done < size) {
        DWORD got = 0;
        if (!ReadFile(file.h, &bytes[done], size - done, &got, NULL))
            return false;
        if (got == 0)
            break;  // the file shrank under us
        done += got;
    }
    bytes.resize(done);
    contents.swap(bytes);
    return true;
}

void RemoveFileQuietly(const std::string& path)
{
    DeleteFileA(path.c_str());
}

}  // namespace fileio
