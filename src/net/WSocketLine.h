#pragma once

#include "net/WSocketSocks.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Line mode: received bytes are collected into lines, and the owner gets one complete line
// per OnDataAvailable, optionally echoing and editing what a terminal user types.
class TCustomLineWSocket : public TCustomSocksWSocket {
public:
    using TLineLimitEvent = std::function<void(TCustomWSocket* Sender, std::int32_t RcvdLength, bool& ClearData)>;

    TCustomLineWSocket() = default;

    bool LineMode() const { return lineMode_; }
    // Bytes already buffered are delivered again under the new mode, from the message loop.
    virtual void SetLineMode(bool Value);
    // Buffered bytes without a line end beyond this many are reported (0 or less: never).
    std::int32_t LineLimit = 65536;
    std::string LineEnd = "\r\n";
    bool LineEcho = false;
    bool LineEdit = false;
    TLineLimitEvent OnLineLimitExceeded;

    // Queues Line and sends LineEnd; the line's length plus 2, 0 for an empty line.
    virtual std::int32_t SendLine(const std::string& Line);

protected:
    virtual void TriggerLineLimitExceeded(std::int32_t Cnt, bool& ClearData);
    // Edits the Len bytes just received at the end of the buffer (backspace, tab, echo);
    // Len becomes the count of bytes from the first one the editing changed, which a
    // backspace may move into the bytes buffered before, to the end.
    virtual void EditLine(std::int32_t& Len);

    void WndProc(platform::UINT Msg, platform::WPARAM WParam, platform::LPARAM LParam) override;
    std::int32_t GetRcvdCount() override;
    bool TriggerDataAvailable(std::uint16_t ErrCode) override;
    void TriggerSessionClosed(std::uint16_t ErrCode) override;
    std::int32_t DoRecv(void* Buffer, std::int32_t BufferSize, int Flags) override;

    // Set when a line was found or the session closed; ReadLine waits for it.
    bool lineReceivedFlag_ = false;
    // Takes every buffered byte, a partial line included.
    std::string TakeBuffered();

private:
    // The owner is offered the pending line until it is taken; false when a round took
    // nothing, so that an owner that does not read cannot keep the loop going.
    bool DeliverLine();
    // Bytes left after line mode was switched off go to the owner raw, in order.
    void DeliverRaw();
    // Fires the owner's data-available event; false without a handler.
    bool OfferToOwner();
    void Replay();

    bool lineMode_ = false;
    std::vector<char> buffer_;
    std::size_t lineLength_ = 0;
    bool lineFound_ = false; // per replay round
};
