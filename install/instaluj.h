#pragma once

// Install/update worker (body of a detached thread).
void Instaluj();
