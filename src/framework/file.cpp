#include "file.h"

#include "ansi_text.h"

BOOL CFile::Open(const std::string& path, UINT flags)
{
    Close();
    DWORD access = GENERIC_READ;
    if (flags & modeWrite)
        access = GENERIC_WRITE;
    else if (flags & modeReadWrite)
        access = GENERIC_READ | GENERIC_WRITE;

    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if (flags & shareDenyWrite)
        share = FILE_SHARE_READ;

    DWORD creation = OPEN_EXISTING;
    if (flags & modeCreate)
        creation = (flags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;

    handle = CreateFileA(path.c_str(), access, share, NULL, creation, FILE_ATTRIBUTE_NORMAL,
                         NULL);
    return IsOpen();
}

void CFile::Close()
{
    if (IsOpen())
        CloseHandle(handle);
    handle = INVALID_HANDLE_VALUE;
}

DWORD CFile::GetLength() const
{
    DWORD size = IsOpen() ? GetFileSize(handle, NULL) : 0;
    return size == INVALID_FILE_SIZE ? 0 : size;
}

BOOL CFile::SeekToEnd()
{
    return IsOpen() && SetFilePointer(handle, 0, NULL, FILE_END) != INVALID_SET_FILE_POINTER;
}

DWORD CFile::Read(void* buffer, DWORD count)
{
    DWORD done = 0;
    if (IsOpen())
        ReadFile(handle, buffer, count, &done, NULL);
    return done;
}

BOOL CFile::Write(const void* data, DWORD count)
{
    DWORD done = 0;
    return IsOpen() && WriteFile(handle, data, count, &done, NULL) && done == count;
}

BOOL CFileFind::FindFile(const std::string& pattern)
{
    Close();
    size_t slash = FindLastChar(pattern, "\\/:", AnsiLeadByte);
    directory = slash == std::string::npos ? std::string() : pattern.substr(0, slash + 1);
    ZeroMemory(&current, sizeof current);
    handle = FindFirstFileA(pattern.c_str(), &next);
    hasNext = handle != INVALID_HANDLE_VALUE;
    return hasNext;
}

BOOL CFileFind::FindNextFile()
{
    if (!hasNext)
        return FALSE;
    current = next;
    hasNext = ::FindNextFileA(handle, &next) != FALSE;
    return hasNext;
}

void CFileFind::Close()
{
    if (handle != INVALID_HANDLE_VALUE)
        FindClose(handle);
    handle = INVALID_HANDLE_VALUE;
    hasNext = false;
}

BOOL CFileFind::IsDots() const
{
    const char* name = current.cFileName;
    return IsDirectory() && name[0] == '.' &&
           (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}
