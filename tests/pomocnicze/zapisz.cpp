// A stand-in program for the tests: records its command line and working
// folder (UTF-8, one per line) in a file named after itself plus ".log".
// Serves as Steam's URL handler and as a game's witcher3.exe.
#include <windows.h>

#include <string>

static std::string Utf8(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), nullptr, 0, nullptr, nullptr);
    std::string s((size_t)n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), (int)w.size(), s.data(), n, nullptr, nullptr);
    return s;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t sciezka[MAX_PATH], folder[MAX_PATH];
    GetModuleFileNameW(nullptr, sciezka, MAX_PATH);
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::string tresc = Utf8(GetCommandLineW()) + "\n" + Utf8(folder) + "\n";
    std::wstring log = std::wstring(sciezka) + L".log";
    std::wstring tmp = log + L".tmp";
    HANDLE h = CreateFileW(tmp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD n;
    WriteFile(h, tresc.data(), (DWORD)tresc.size(), &n, nullptr);
    CloseHandle(h);
    MoveFileExW(tmp.c_str(), log.c_str(), MOVEFILE_REPLACE_EXISTING);  // whole or nothing
    return 0;
}
