#include "net/zaufanie.h"

#include <windows.h>
#include <bcrypt.h>

#include <thread>
#include <vector>

namespace {

struct Algorytm {
    BCRYPT_ALG_HANDLE h = nullptr;
    explicit Algorytm(const wchar_t* nazwa) {
        if (BCryptOpenAlgorithmProvider(&h, nazwa, nullptr, 0) != 0) h = nullptr;
    }
    ~Algorytm() {
        if (h) BCryptCloseAlgorithmProvider(h, 0);
    }
};

struct Hasz {
    BCRYPT_HASH_HANDLE h = nullptr;
    explicit Hasz(BCRYPT_ALG_HANDLE alg) {
        if (!alg || BCryptCreateHash(alg, &h, nullptr, 0, nullptr, 0, 0) != 0) h = nullptr;
    }
    ~Hasz() {
        if (h) BCryptDestroyHash(h);
    }
};

bool Sha256(const std::string& tresc, Skrot& skrot) {
    Algorytm alg(BCRYPT_SHA256_ALGORITHM);
    Hasz hasz(alg.h);
    return hasz.h && BCryptHashData(hasz.h, (PUCHAR)tresc.data(), (ULONG)tresc.size(), 0) == 0 &&
           BCryptFinishHash(hasz.h, skrot.data(), (ULONG)skrot.size(), 0) == 0;
}

}  // namespace

bool WymagaPodpisu() {
    return std::string(KluczePubliczneLaunchera).find_first_not_of("; ,\t\r\n") != std::string::npos;
}

bool WeryfikujPodpis(const std::string& tresc, const PodpisEcdsa& podpis, const KluczPubliczny& klucz) {
    Skrot skrot;
    if (!Sha256(tresc, skrot)) return false;
    Algorytm alg(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!alg.h) return false;
    std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + klucz.size());
    BCRYPT_ECCKEY_BLOB naglowek{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    memcpy(blob.data(), &naglowek, sizeof naglowek);
    memcpy(blob.data() + sizeof naglowek, klucz.data(), klucz.size());
    BCRYPT_KEY_HANDLE k = nullptr;
    if (BCryptImportKeyPair(alg.h, nullptr, BCRYPT_ECCPUBLIC_BLOB, &k, blob.data(), (ULONG)blob.size(), 0) != 0)
        return false;  // not a point of the curve: no signature can be good
    const NTSTATUS wynik = BCryptVerifySignature(k, nullptr, skrot.data(), (ULONG)skrot.size(),
                                                 (PUCHAR)podpis.data(), (ULONG)podpis.size(), 0);
    BCryptDestroyKey(k);
    return wynik == 0;
}

std::string OcenOgloszenie(const std::string& cialo, Ogloszenie& o, std::string& uzytyKlucz) {
    std::string powod;
    if (!CzytajOgloszenie(cialo, o, powod)) return powod;
    if (!WymagaPodpisu()) return "";
    std::vector<KluczPubliczny> klucze;
    // A broken key list must not turn into "no key, no check".
    if (!CzytajKlucze(KluczePubliczneLaunchera, klucze)) return "klucze wbudowane w launcher są błędne";
    return OcenPodpis(o, klucze, WeryfikujPodpis, uzytyKlucz);
}

bool Sha256Pliku(const std::wstring& plik, Skrot& skrot, uint64_t& rozmiar, const std::atomic<bool>* koniecZapisu) {
    auto koniec = [&] { return !koniecZapisu || koniecZapisu->load(); };
    // Shared with the writer, which may still hold the file open.
    const DWORD wspolny = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE f;
    for (;;) {
        // Read the flag first: once it is set, a file that isn't there won't come.
        const bool poZapisie = koniec();
        f = CreateFileW(plik.c_str(), GENERIC_READ, wspolny, nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (f != INVALID_HANDLE_VALUE) break;
        if (poZapisie) return false;
        Sleep(5);  // the writer has not created it yet
    }
    Algorytm alg(BCRYPT_SHA256_ALGORITHM);
    Hasz hasz(alg.h);
    std::vector<uint8_t> bufor(1 << 20);
    bool ok = hasz.h != nullptr;
    rozmiar = 0;
    while (ok) {
        const bool poZapisie = koniec();
        DWORD n = 0;
        if (!ReadFile(f, bufor.data(), (DWORD)bufor.size(), &n, nullptr)) {
            ok = false;
        } else if (n > 0) {
            ok = BCryptHashData(hasz.h, bufor.data(), n, 0) == 0;
            rozmiar += n;
        } else if (poZapisie) {
            break;  // the end, read after the writer was done
        } else {
            Sleep(2);  // caught up with the writer
        }
    }
    CloseHandle(f);
    return ok && BCryptFinishHash(hasz.h, skrot.data(), (ULONG)skrot.size(), 0) == 0;
}

bool ZapiszZeSkrotem(const std::wstring& plik, const std::function<bool()>& zapis, Skrot& skrot, uint64_t& rozmiar,
                     bool& odczytany) {
    // A file left from an earlier run would be read before the writer
    // truncates it.
    DeleteFileW(plik.c_str());
    std::atomic<bool> koniecZapisu{false};
    std::thread liczacy([&] { odczytany = Sha256Pliku(plik, skrot, rozmiar, &koniecZapisu); });
    const bool wynik = zapis();
    koniecZapisu = true;
    liczacy.join();
    return wynik;
}
