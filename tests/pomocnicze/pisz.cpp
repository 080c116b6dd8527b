// A child for the process-runner tests: does the steps given as arguments,
// in order, then exits with the code of the last k step (default 0).
//   h<hex>        writes those bytes to standard output (flushed at once)
//   e<hex>        the same to standard error
//   s<ms>         sleeps
//   k<code>       exit code
//   w<ms>:<hex>   starts a copy of itself that inherits the output handles,
//                 sleeps <ms> and then writes <hex>; waits only until that
//                 copy runs (so the test never depends on how fast a new
//                 process comes up) and says on standard error if it did not
//   z<handle>     signals the event with that inherited handle value
#include <windows.h>

#include <cstdint>
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
        case L'z': SetEvent((HANDLE)(uintptr_t)wcstoull(r.c_str(), nullptr, 10)); break;
        case L'w': {
            const size_t d = r.find(L':');
            wchar_t sciezka[MAX_PATH];
            GetModuleFileNameW(nullptr, sciezka, MAX_PATH);
            SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
            HANDLE dziala = CreateEventW(&sa, TRUE, FALSE, nullptr);
            std::wstring linia = L"\"" + std::wstring(sciezka) + L"\" z" +
                                 std::to_wstring((uintptr_t)dziala) + L" s" + r.substr(0, d) + L" h" + r.substr(d + 1);
            STARTUPINFOW si = {sizeof si};
            si.dwFlags = STARTF_USESTDHANDLES;
            // Inheritable copies, whatever the handles we were given are.
            const HANDLE ja = GetCurrentProcess();
            DuplicateHandle(ja, GetStdHandle(STD_OUTPUT_HANDLE), ja, &si.hStdOutput, 0, TRUE, DUPLICATE_SAME_ACCESS);
            DuplicateHandle(ja, GetStdHandle(STD_ERROR_HANDLE), ja, &si.hStdError, 0, TRUE, DUPLICATE_SAME_ACCESS);
            PROCESS_INFORMATION pi;
            if (!CreateProcessW(sciezka, linia.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                                &pi)) {
                Pisz(STD_ERROR_HANDLE, "pisz: wnuk nie wystartowal, blad " + std::to_string(GetLastError()) + "\n");
                break;
            }
            if (WaitForSingleObject(dziala, 20000) != WAIT_OBJECT_0)
                Pisz(STD_ERROR_HANDLE, "pisz: wnuk nie ruszyl w 20 s\n");
            CloseHandle(dziala);
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            break;
        }
        }
    }
    return kod;
}
