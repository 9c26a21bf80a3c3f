#include "file_io.h"

#include <cstdio>
#include <memory>

namespace fileio {

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
}  // namespace

bool ReadWholeFile(const std::string& path, std::string& contents)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        return false;

    std::string bytes;
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0)
        bytes.append(chunk, got);
    if (std::ferror(file.get()))
        return false;

    contents.swap(bytes);
    return true;
}

void RemoveFileQuietly(const std::string& path)
{
    std::remove(path.c_str());
}

}  // namespace fileio
