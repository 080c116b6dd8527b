#include "net/zaufanie.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
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

struct SkrotWTle::Wnetrze {
    Algorytm alg{BCRYPT_SHA256_ALGORITHM};
    Hasz hasz{alg.h};
    bool ok = hasz.h != nullptr;
    uint64_t rozmiar = 0;
    std::vector<uint8_t> zbierany;  // filled by Dodaj, handed over when full
    std::mutex m;
    std::condition_variable zmiana;
    std::deque<std::vector<uint8_t>> kolejka;
    std::vector<std::vector<uint8_t>> wolne;  // hashed blocks, reused: no fresh memory for each MiB
    bool koniec = false;
    std::thread watek;

    void Licz() {
        for (;;) {
            std::vector<uint8_t> blok;
            {
                std::unique_lock<std::mutex> l(m);
                zmiana.wait(l, [&] { return koniec || !kolejka.empty(); });
                if (kolejka.empty()) return;
                blok = std::move(kolejka.front());
                kolejka.pop_front();
            }
            zmiana.notify_all();
            if (ok) ok = BCryptHashData(hasz.h, blok.data(), (ULONG)blok.size(), 0) == 0;
            blok.clear();
            std::lock_guard<std::mutex> l(m);
            wolne.push_back(std::move(blok));
        }
    }
    void Oddaj() {
        if (zbierany.empty()) return;
        std::unique_lock<std::mutex> l(m);
        // A disk faster than the hash must not pile the package up in memory.
        zmiana.wait(l, [&] { return kolejka.size() < 8; });
        kolejka.push_back(std::move(zbierany));
        zbierany = {};
        if (!wolne.empty()) {
            zbierany = std::move(wolne.back());
            wolne.pop_back();
        }
        l.unlock();
        zmiana.notify_all();
    }
};

namespace {
constexpr size_t BlokSkrotu = 1 << 20;
}

SkrotWTle::SkrotWTle() : w(std::make_unique<Wnetrze>()) {
    w->watek = std::thread([this] { w->Licz(); });
}

SkrotWTle::~SkrotWTle() {
    if (!w->watek.joinable()) return;
    {
        std::lock_guard<std::mutex> l(w->m);
        w->koniec = true;
    }
    w->zmiana.notify_all();
    w->watek.join();
}

void SkrotWTle::Dodaj(const char* bajty, size_t ile) {
    w->rozmiar += ile;
    while (ile > 0) {
        if (w->zbierany.capacity() < BlokSkrotu) w->zbierany.reserve(BlokSkrotu);
        const size_t n = std::min(ile, BlokSkrotu - w->zbierany.size());
        w->zbierany.insert(w->zbierany.end(), (const uint8_t*)bajty, (const uint8_t*)bajty + n);
        bajty += n;
        ile -= n;
        if (w->zbierany.size() == BlokSkrotu) w->Oddaj();
    }
}

bool SkrotWTle::Zakoncz(Skrot& skrot, uint64_t& rozmiar) {
    w->Oddaj();
    {
        std::lock_guard<std::mutex> l(w->m);
        w->koniec = true;
    }
    w->zmiana.notify_all();
    w->watek.join();
    rozmiar = w->rozmiar;
    return w->ok && BCryptFinishHash(w->hasz.h, skrot.data(), (ULONG)skrot.size(), 0) == 0;
}

struct Sha256Kawalkami::Wnetrze {
    Algorytm alg{BCRYPT_SHA256_ALGORITHM};
    std::unique_ptr<Hasz> hasz = std::make_unique<Hasz>(alg.h);
};

Sha256Kawalkami::Sha256Kawalkami() : w(std::make_unique<Wnetrze>()) {}
Sha256Kawalkami::~Sha256Kawalkami() = default;

bool Sha256Kawalkami::Dodaj(const uint8_t* bajty, size_t ile) {
    return w->hasz->h && BCryptHashData(w->hasz->h, (PUCHAR)bajty, (ULONG)ile, 0) == 0;
}

bool Sha256Kawalkami::Zakoncz(Skrot& skrot) {
    const bool ok = w->hasz->h && BCryptFinishHash(w->hasz->h, skrot.data(), (ULONG)skrot.size(), 0) == 0;
    w->hasz = std::make_unique<Hasz>(w->alg.h);
    return ok;
}
