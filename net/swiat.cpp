#include "net/swiat.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "core/stan.h"
#include "core/tekst.h"

bool SprawdzSerwerSwiata() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    std::wstring host;
    {
        std::lock_guard<std::mutex> l(Stan.blokada);
        host = Stan.serwer.host;
    }
    bool odpowiada = false;
    const std::string hostUtf8 = NaUtf8(host);
    addrinfo wskazowki = {};
    wskazowki.ai_family = AF_INET;
    wskazowki.ai_socktype = SOCK_STREAM;
    addrinfo* adresy = nullptr;
    if (!hostUtf8.empty() && getaddrinfo(hostUtf8.c_str(), PortSerweraSwiata, &wskazowki, &adresy) == 0 && adresy) {
        SOCKET gniazdo = socket(adresy->ai_family, adresy->ai_socktype, adresy->ai_protocol);
        if (gniazdo != INVALID_SOCKET) {
            u_long nieblokujace = 1;
            ioctlsocket(gniazdo, FIONBIO, &nieblokujace);
            connect(gniazdo, adresy->ai_addr, (int)adresy->ai_addrlen);
            fd_set zapis, wyjatki;
            FD_ZERO(&zapis);
            FD_ZERO(&wyjatki);
            FD_SET(gniazdo, &zapis);
            FD_SET(gniazdo, &wyjatki);
            timeval czekanie = {3, 0};
            if (select(0, nullptr, &zapis, &wyjatki, &czekanie) > 0 && FD_ISSET(gniazdo, &zapis) &&
                !FD_ISSET(gniazdo, &wyjatki)) {
                // Some stacks (POSIX ones) mark a failed connect writable too:
                // only an established connection counts.
                int blad = 0;
                int dl = sizeof blad;
                odpowiada = getsockopt(gniazdo, SOL_SOCKET, SO_ERROR, (char*)&blad, &dl) == 0 && blad == 0;
            }
            closesocket(gniazdo);
        }
    }
    if (adresy) freeaddrinfo(adresy);
    WSACleanup();
    return odpowiada;
}
