#pragma once

#include <QByteArray>

#include <string>

namespace chattest {

// What a second caller hears before the window hangs up on it.
inline const std::string busyLine = "Busy ! Try later...\r\n";

// Python lines for a peer connected as `peer`: reads until the other side hangs up, then
// prints all it got as one line of hex.
inline const std::string printAllReceived = R"(
data = b""
while True:
    chunk = peer.recv(4096)
    if not chunk:
        break
    data += chunk
print(data.hex(), flush=True)
)";

// Bytes as printAllReceived prints them.
inline std::string hexLine(const std::string& bytes)
{
    return QByteArray::fromStdString(bytes).toHex().toStdString() + "\n";
}

} // namespace chattest
