#include "temp_files.h"

#include <atomic>
#include <chrono>
#include <fstream>

namespace fs = std::filesystem;

ScratchDir::ScratchDir()
{
    static std::atomic<unsigned> serial{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    dir = fs::temp_directory_path() /
          ("monsetup-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    fs::create_directories(dir);
}

ScratchDir::~ScratchDir()
{
    std::error_code ignored;
    fs::remove_all(dir, ignored);
}

std::string ScratchDir::Path(const std::string& name) const
{
    return (dir / name).string();
}

std::string ScratchDir::Write(const std::string& name, const std::string& bytes) const
{
    std::ofstream out(dir / name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return Path(name);
}

bool ScratchDir::Exists(const std::string& name) const
{
    return fs::exists(dir / name);
}
