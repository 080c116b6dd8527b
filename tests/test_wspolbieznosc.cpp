// The shared state under load from many threads, natively under
// ThreadSanitizer (build-tsan): workers claim and release the busy flag and
// report into the journal and status while the "window" takes snapshots and
// picks games. Only the rules hold: one worker at a time, the journal stays
// bounded, the chosen game is always -1 or a valid index.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/stan.h"

namespace {

TEST(Wspolbieznosc, PracownicyOknoIDziennikPodObciazeniem) {
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        Stan.dziennik.clear();
        Stan.gry.clear();
        Stan.wybranaGra = -1;
    }
    Stan.zajety = false;
    Stan.terminZamkniecia = 0;
    std::atomic<int> wSrodku{0}, najwiecej{0}, prac{0};
    std::atomic<bool> blad{false}, koniec{false};
    const auto termin = std::chrono::steady_clock::now() + std::chrono::seconds(3);

    // A worker body like the real ones: claim, report, change the games, release.
    auto pracownik = [&](int nr) {
        while (std::chrono::steady_clock::now() < termin) {
            if (!ZajmijPrace()) {
                std::this_thread::yield();
                continue;
            }
            const int teraz = ++wSrodku;
            int n = najwiecej.load();
            while (teraz > n && !najwiecej.compare_exchange_weak(n, teraz)) {}
            UstawStatus("praca " + std::to_string(nr), 0.5f);
            for (int i = 0; i < 20; ++i) Loguj("  linia " + std::to_string(i));
            LogujBlad("błąd " + std::to_string(nr));
            {
                std::lock_guard<std::mutex> l(Stan.blokada);
                Stan.gry.assign(nr % 4, ZnalezionaGra{L"C:\\Gra", "inna"});
                Stan.wybranaGra = Stan.gry.empty() ? -1 : (int)Stan.gry.size() - 1;
            }
            UstawStatus("", -1.0f);
            --wSrodku;
            ++prac;
            ZwolnijPrace();
        }
    };
    // The window: a snapshot per frame under the lock, and clicks on the list.
    auto okno = [&] {
        int klatka = 0;
        while (!koniec) {
            Dziennik d;
            int wybrana;
            size_t ileGier;
            {
                std::lock_guard<std::mutex> l(Stan.blokada);
                d = Stan.dziennik;
                wybrana = Stan.wybranaGra;
                ileGier = Stan.gry.size();
                // A click is stored only while its index is valid in the list.
                if (++klatka % 3 == 0 && ileGier > 0) Stan.wybranaGra = klatka % (int)ileGier;
            }
            (void)Stan.postep.load();
            (void)Stan.zajety.load();
            // LogujBlad does not trim; the next Loguj does: at most one over.
            if (d.size() > LimitDziennika + 1) blad = true;
            if (wybrana < -1 || (wybrana >= 0 && (size_t)wybrana >= ileGier)) blad = true;
        }
    };
    std::thread o(okno);
    std::vector<std::thread> w;
    for (int i = 0; i < 6; ++i) w.emplace_back(pracownik, i);
    for (auto& t : w) t.join();
    koniec = true;
    o.join();

    EXPECT_EQ(najwiecej.load(), 1) << "two workers ran at once";
    EXPECT_FALSE(Stan.zajety.load());
    EXPECT_GT(prac.load(), 10);
    EXPECT_FALSE(blad.load()) << "journal over its bound or an invalid chosen game";
    std::lock_guard<std::mutex> l(Stan.blokada);
    EXPECT_LE(Stan.dziennik.size(), LimitDziennika + 1);
}

}  // namespace
