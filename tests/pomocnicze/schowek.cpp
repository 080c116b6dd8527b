// Prints the clipboard's Unicode text as UTF-8 on standard output, exactly
// (no newline added): how the tests read back what the launcher copied.
// Exit code 1 when the clipboard holds no text. With "--wyczysc" it empties
// the clipboard instead.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    for (int proba = 0; proba < 50 && !OpenClipboard(nullptr); ++proba) Sleep(20);
    if (argc > 1 && std::string(argv[1]) == "--wyczysc") {
        const bool ok = EmptyClipboard();
        CloseClipboard();
        return ok ? 0 : 1;
    }
    HANDLE dane = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* tekst = dane ? (const wchar_t*)GlobalLock(dane) : nullptr;
    std::string wynik;
    if (tekst) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, tekst, -1, nullptr, 0, nullptr, nullptr);
        wynik.resize(n > 0 ? n - 1 : 0);
        if (n > 1) WideCharToMultiByte(CP_UTF8, 0, tekst, -1, wynik.data(), n, nullptr, nullptr);
        GlobalUnlock(dane);
    }
    CloseClipboard();
    _setmode(_fileno(stdout), _O_BINARY);  // the text's own CR LF, not doubled
    fwrite(wynik.data(), 1, wynik.size(), stdout);
    return tekst ? 0 : 1;
}
