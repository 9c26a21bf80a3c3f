// Files and file search, each closing its handle when it goes.
#pragma once

#include <windows.h>

#include <string>

class CFile {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyWrite = 0x0020,
        shareDenyNone = 0x0040,
        modeNoTruncate = 0x2000,
        modeCreate = 0x1000,
    };

    CFile() = default;
    ~CFile() { Close(); }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    BOOL Open(const std::string& path, UINT flags);
    void Close();
    BOOL IsOpen() const { return handle != INVALID_HANDLE_VALUE; }

    DWORD GetLength() const;
    BOOL SeekToEnd();
    // Reads up to `count` bytes; returns the number read.
    DWORD Read(void* buffer, DWORD count);
    BOOL Write(const void* data, DWORD count);

    static BOOL Remove(const std::string& path) { return DeleteFileA(path.c_str()); }

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
};

class CFileFind {
public:
    CFileFind() = default;
    ~CFileFind() { Close(); }
    CFileFind(const CFileFind&) = delete;
    CFileFind& operator=(const CFileFind&) = delete;

    // Starts a search; TRUE when there is a first match, which FindNextFile
    // then makes current.
    BOOL FindFile(const std::string& pattern);
    // Makes the next match current; returns FALSE when it was the last one
    // (it is still current then). The usual loop:
    //   for (BOOL more = find.FindFile(p); more;) { more = find.FindNextFile(); ... }
    BOOL FindNextFile();
    void Close();

    std::string GetFileName() const { return current.cFileName; }
    std::string GetFilePath() const { return directory + current.cFileName; }
    BOOL IsDirectory() const { return (current.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    BOOL IsDots() const;

private:
    HANDLE handle = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA next{};
    WIN32_FIND_DATAA current{};
    bool hasNext = false;
    std::string directory;  // the pattern's directory, with its backslash
};
