#pragma once

inline constexpr const char* PortSerweraSwiata = "47100";

// One TCP connection attempt to port 47100 of the update server's host,
// IPv4, first address only, 3 s wait; nothing is sent.
bool SprawdzSerwerSwiata();
