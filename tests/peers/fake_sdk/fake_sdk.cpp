// A stand-in for the ZQAPI SDK's installer programs (the combined installer,
// the installer a setup INI names, and the uninstaller): tests copy it under
// the name they need. Beside itself, named after its own base name <base>, it
//   - writes <base>.cmdline: its command line exactly as it was given, and
//     <base>.cwd: its current directory;
//   - writes <base>.params: the contents of the file named by /F="...", if any;
//   - reads <base>.answer and posts the messages listed there, one a line, to
//     the reply addresses found in the command line or the parameter file:
//         installer <wParam> <lParam>   to the address of /WM=<hwnd>;<msg>
//         sdk <wParam> <lParam>         to the address of /Ret=WM:<hwnd>;<msg>
//     (numbers in C notation, so 0x200001 works); no file means no answer;
//   - writes <base>.done last, so a test knows the records are complete.
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

struct ReplyAddress {
    HWND window = NULL;
    UINT message = 0;
};

std::string OwnPathWithoutExtension()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string self(path, length < MAX_PATH ? length : 0);
    size_t dot = self.find_last_of('.');
    size_t slash = self.find_last_of('\\');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        self.erase(dot);
    return self;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWholeFile(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// The file named by /F="...", empty when there is none.
std::string ParameterFileName(const std::string& commandLine)
{
    const std::string key = "/F=\"";
    size_t start = commandLine.find(key);
    if (start == std::string::npos)
        return std::string();
    start += key.size();
    size_t end = commandLine.find('"', start);
    return commandLine.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// <hex window>;<hex message> after `key`.
ReplyAddress FindAddress(const std::string& text, const std::string& key)
{
    ReplyAddress address;
    size_t start = text.find(key);
    if (start == std::string::npos)
        return address;
    const char* cursor = text.c_str() + start + key.size();
    char* end = nullptr;
    unsigned long long window = std::strtoull(cursor, &end, 16);
    if (*end != ';')
        return address;
    address.window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(window));
    address.message = static_cast<UINT>(std::strtoul(end + 1, nullptr, 16));
    return address;
}

void PostAnswers(const std::string& answerFile, const ReplyAddress& installer,
                 const ReplyAddress& sdk)
{
    std::ifstream in(answerFile);
    std::string who;
    std::string wParam;
    std::string lParam;
    while (in >> who >> wParam >> lParam) {
        const ReplyAddress& to = who == "installer" ? installer : sdk;
        PostMessageA(to.window, to.message, std::strtoul(wParam.c_str(), nullptr, 0),
                     static_cast<LPARAM>(std::strtoul(lParam.c_str(), nullptr, 0)));
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const std::string base = OwnPathWithoutExtension();
    const std::string commandLine = GetCommandLineA();
    WriteWholeFile(base + ".cmdline", commandLine);
    char directory[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, directory);
    WriteWholeFile(base + ".cwd", directory);

    std::string addresses = commandLine;
    const std::string parameterFile = ParameterFileName(commandLine);
    if (!parameterFile.empty()) {
        const std::string parameters = ReadWholeFile(parameterFile);
        WriteWholeFile(base + ".params", parameters);
        addresses += " " + parameters;
    }

    PostAnswers(base + ".answer", FindAddress(addresses, "/WM="),
                FindAddress(addresses, "/Ret=WM:"));
    WriteWholeFile(base + ".done", "done");
    return 0;
}
