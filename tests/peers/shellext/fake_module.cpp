// Stands in for MONRUN and MONCFG: records the command line it was started
// with and the contents of the parameter file that the command line names
// (`... /F<length> "<path>"`), into "<own path>.txt", then ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The parameter file's path: <length> characters after ` /F<length> "`.
std::string ParameterFile(const std::string& commandLine)
{
    size_t switchAt = commandLine.rfind(" /F");
    if (switchAt == std::string::npos)
        return "";
    const char* digits = commandLine.c_str() + switchAt + 3;
    char* end = NULL;
    unsigned long length = std::strtoul(digits, &end, 10);
    if (end == digits || end[0] != ' ' || end[1] != '"')
        return "";
    size_t start = static_cast<size_t>(end + 2 - commandLine.c_str());
    return commandLine.substr(start, length);
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == NULL)
        return bytes;
    char chunk[512];
    size_t read;
    while ((read = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, read);
    std::fclose(file);
    return bytes;
}

}  // namespace

int main()
{
    std::string commandLine = GetCommandLineA();
    std::string contents = ReadBytes(ParameterFile(commandLine));
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, self, sizeof self);
    if (length == 0 || length >= sizeof self)
        return 1;
    // Written under a temporary name and renamed, so that a reader never sees
    // half a record.
    std::string record = std::string(self) + ".txt";
    std::string partial = record + ".part";
    std::FILE* file = std::fopen(partial.c_str(), "wb");
    if (file == NULL)
        return 1;
    std::fprintf(file, "%s\n", commandLine.c_str());
    std::fwrite(contents.data(), 1, contents.size(), file);
    std::fclose(file);
    DeleteFileA(record.c_str());  // a record of an earlier start gives way
    return MoveFileA(partial.c_str(), record.c_str()) ? 0 : 1;
}
