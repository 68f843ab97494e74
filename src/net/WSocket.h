#pragma once

// The socket the program uses: every layer of the family, each in a file of its own (the
// base in WSocketBase.h, then SOCKS, line mode and the synchronous calls).

#include "net/WSocketSync.h"

class TWSocket : public TCustomSyncWSocket {
public:
    TWSocket() = default;
};

class TSocksWSocket : public TWSocket {
public:
    TSocksWSocket() = default;
};
