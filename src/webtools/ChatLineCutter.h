#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Cuts the bytes a chat peer sends into lines at every LF. It holds the bytes of the line
// not yet complete; whatever a peer sends, it neither throws nor holds more than one line.
class ChatLineCutter {
public:
    // Bytes a line may reach without its LF; such a line is given out as it stands, so a
    // peer that never ends its line cannot stop the conversation.
    static constexpr std::int32_t Capacity = 1023;

    // Where the next received bytes go, and how many of them fit there (never 0).
    char* Free() { return rcvBuffer + rcvCount; }
    std::int32_t Room() const { return Capacity - rcvCount; }
    // Takes count bytes written at Free() and gives the lines they complete, each without
    // its LF (a CR before it stays).
    std::vector<std::string> Take(std::int32_t count);
    // Forgets a partial line: a new conversation starts clean.
    void Reset() { rcvCount = 0; }
    std::int32_t Held() const { return rcvCount; }

private:
    char rcvBuffer[Capacity];
    std::int32_t rcvCount = 0;
};
