// Helpers for the port, listener and music-link tests: a private port directory per test,
// raw sockets that speak (or abuse) the wire protocol, and leak counters.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Gives the test a port directory of its own and removes it afterwards.
struct ScopedPortDirectory {
    ScopedPortDirectory();
    ~ScopedPortDirectory();
    std::string dir;
};

// Open file descriptors of this process.
int openFds();

// Polls the condition every few milliseconds until it holds or ms have passed.
bool eventually(const std::function<bool()> &condition, long ms = 3000);

// A 1048-byte record as a sender puts it on the wire.
std::vector<unsigned char> wireRecord(int32_t command, uint8_t type = 5, uint16_t length = 1048);

// A raw connection to the public port of that name in the current port directory; −1 if none.
int rawConnect(const std::string &name);

// Reads up to size bytes within ms; the count read, 0 on end of file, −1 on time-out.
long readWithin(int fd, unsigned char *out, size_t size, long ms);

// The whole record written on fd.
bool writeAll(int fd, const std::vector<unsigned char> &bytes);

// A listening socket at the port directory's name, answering nothing by itself; −1 on failure.
int rawListen(const std::string &name);

// Milliseconds since start.
long millisSince(std::chrono::steady_clock::time_point start);
