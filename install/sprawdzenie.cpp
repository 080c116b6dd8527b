#include "install/sprawdzenie.h"

#include "core/stan.h"
#include "core/tekst.h"
#include "install/folder_paczki.h"
#include "install/przejecie.h"
#include "net/sprawdz.h"

void SprawdzPoNaprawie() {
    SprawdzPo([] { NaprawFolderPaczki(FolderDanych()); });
}

void SprawdzPoPrzejeciu(DWORD poprzedni) {
    SprawdzPo([poprzedni] {
        UstawStatus("Czekam, aż poprzedni launcher się zamknie...", -1.0f);
        PoczekajNaPoprzedni(poprzedni);
        NaprawFolderPaczki(FolderDanych());
    });
}
