// A child for the process-runner tests: does the steps given as arguments,
// in order, then exits with the code of the last k step (default 0).
//   h<hex>        writes those bytes to standard output (flushed at once)
//   e<hex>        the same to standard error
//   s<ms>         sleeps
//   k<code>       exit code
//   w<ms>:<hex>   starts a copy of itself that inherits the output handles,
//                 sleeps <ms> and then writes <hex>; does not wait for it
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string ZHex(const std::wstring& hex) {
    std::string b;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) b += (char)wcstoul(hex.substr(i, 2).c_str(), nullptr, 16);
    return b;
}

void Pisz(DWORD uchwyt, const std::string& b) {
    DWORD w;
    WriteFile(GetStdHandle(uchwyt), b.data(), (DWORD)b.size(), &w, nullptr);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int kod = 0;
    for (int i = 1; i < argc; ++i) {
        const std::wstring a = argv[i];
        const std::wstring r = a.substr(1);
        switch (a[0]) {
        case L'h': Pisz(STD_OUTPUT_HANDLE, ZHex(r)); break;
        case L'e': Pisz(STD_ERROR_HANDLE, ZHex(r)); break;
        case L's': Sleep((DWORD)_wtoi(r.c_str())); break;
        case L'k': kod = _wtoi(r.c_str()); break;
        case L'w': {
            const size_t d = r.find(L':');
            wchar_t sciezka[MAX_PATH];
            GetModuleFileNameW(nullptr, sciezka, MAX_PATH);
            std::wstring linia = L"\"" + std::wstring(sciezka) + L"\" s" + r.substr(0, d) + L" h" + r.substr(d + 1);
            STARTUPINFOW si = {sizeof si};
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
            si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
            PROCESS_INFORMATION pi;
            if (CreateProcessW(sciezka, linia.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                               &pi)) {
                CloseHandle(pi.hThread);
                CloseHandle(pi.hProcess);
            }
            break;
        }
        }
    }
    return kod;
}
