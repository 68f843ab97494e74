// The HTTP client's reply path (status line, header, body of every length kind, chunks) fed
// with arbitrary bytes, split where the input says. Input: one byte giving the request kind
// and the piece size, then the reply.
#include "FuzzSupport.h"

#include "net/HttpProt.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

class ReplyReader : public THttpCli {
public:
    void Read(THttpRequest kind, const char* data, std::size_t size, std::size_t piece)
    {
        ExpectReply(kind);
        for (std::size_t at = 0; at < size; at += piece)
            AppendReceived(data + at, std::min(piece, size - at));
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    fuzzsupport::startInput();
    ReplyReader reader;
    platform::MemoryStream body;
    reader.RcvdStream = &body;
    const THttpRequest kind = data[0] & 0x80 ? httpHEAD : httpGET;
    const std::size_t piece = (data[0] & 0x7F) + 1;
    reader.Read(kind, reinterpret_cast<const char*>(data + 1), size - 1, piece);
    // What reached the body never exceeds what came in.
    if (body.size() > static_cast<std::int64_t>(size) || reader.RcvdCount() != body.size())
        std::abort();
    if (reader.ReplyHeaderLines().size() > 1000)
        std::abort();
    return 0;
}
