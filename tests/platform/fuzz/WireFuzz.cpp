// Wire protocol fuzz target: the bytes of a connection, in chunks of the
// sizes the input chooses, go through the request reader; a request it
// completes is served as a window would serve it.
#include "platform/linux/EndpointCore.h"
#include "platform/linux/WireProtocol.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace tavrel;
    using detail::RequestReader;
    if (size < 1)
        return 0;
    // The first byte sets the size of the pieces the rest arrives in.
    const std::size_t piece = 1 + data[0] % 64;
    ++data, --size;
    RequestReader reader;
    std::size_t at = 0;
    while (at < size && reader.Current() == RequestReader::State::Reading)
    {
        // As the endpoint reads: never more than the request still lacks.
        const std::size_t n = std::min({piece, size - at, reader.Missing()});
        reader.Take(data + at, n);
        at += n;
    }
    if (reader.Current() != RequestReader::State::Complete)
        return 0;
    const detail::RequestHeader& header = reader.Header();
    if (!detail::HeaderAcceptable(header) || reader.Payload().size() != header.payloadSize)
        __builtin_trap();
    static const auto core = std::make_shared<detail::EndpointCore>(
        [](const Message& message, std::vector<std::uint8_t>& reply) -> LRESULT
        {
            if (message.copyData)
                reply.assign(message.copyData->bytes.begin(),
                             message.copyData->bytes.begin() +
                                 std::min<std::size_t>(message.copyData->bytes.size(), 16));
            return LRESULT(message.message);
        },
        UiDispatcher{});
    (void)core->Serve(header, reader.Payload());
    return 0;
}
