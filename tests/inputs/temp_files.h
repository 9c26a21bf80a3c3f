// A scratch directory of a test, removed with everything in it at the end.
#pragma once

#include <filesystem>
#include <string>

class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // Full path of `name` inside the directory.
    std::string Path(const std::string& name) const;
    // Writes `bytes` to `name` and returns its full path.
    std::string Write(const std::string& name, const std::string& bytes) const;
    bool Exists(const std::string& name) const;

private:
    std::filesystem::path dir;
};
