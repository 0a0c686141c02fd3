#pragma once
// The frames that carry a window message to its owner and the answer back,
// over one Unix-domain stream connection per message.

#include "platform/WinTypes.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

#include <sys/types.h>

namespace tavrel::detail
{

constexpr std::uint32_t kRequestMagic = 0x31575654; // "TVW1"
constexpr std::uint32_t kReplyMagic = 0x31525654;   // "TVR1"
constexpr std::uint32_t kFlagPost = 1;
constexpr std::uint32_t kFlagCopyData = 2;
// Payloads by kind: a plain or posted message carries none; copy-data (the
// largest the programs send is the 1068-byte picture descriptor) and replies
// at most a mebibyte. Anything larger is refused before a byte is stored.
constexpr std::uint64_t kMaxCopyDataPayload = 1 << 20;
constexpr std::uint64_t kMaxReplyPayload = 1 << 20;

struct RequestHeader
{
    std::uint32_t magic = kRequestMagic;
    std::uint32_t flags = 0;
    std::uint32_t message = 0;
    std::uint32_t reserved = 0;
    std::uint64_t hwnd = 0;
    std::uint64_t wParam = 0;
    std::int64_t lParam = 0;
    std::uint64_t copyDataKind = 0;
    std::uint64_t payloadSize = 0;
};

constexpr std::uint32_t kStatusHandled = 0;
constexpr std::uint32_t kStatusRefused = 1;

struct ReplyHeader
{
    std::uint32_t magic = kReplyMagic;
    std::uint32_t status = kStatusHandled;
    std::int64_t result = 0;
    std::uint64_t payloadSize = 0;
};

using Clock = std::chrono::steady_clock;

// Gathers one request from the bytes as they come: the header first, then
// the payload it announces, and never more room than has been filled.
class RequestReader
{
public:
    enum class State
    {
        Reading,
        Complete,
        Refused, // a bad header, or more bytes than it announced
    };

    // How many bytes the request still lacks (0 once it is complete or refused).
    std::size_t Missing() const;
    // Takes bytes as they arrived; extra bytes past the request refuse it.
    State Take(const std::uint8_t* bytes, std::size_t size);
    State Current() const { return m_state; }

    const RequestHeader& Header() const { return m_header; }
    std::vector<std::uint8_t>& Payload() { return m_payload; }

private:
    State m_state = State::Reading;
    std::uint8_t m_headerBytes[sizeof(RequestHeader)] = {};
    std::size_t m_headerFill = 0;
    RequestHeader m_header;
    std::vector<std::uint8_t> m_payload;
};

// Whether a request with this header may be served at all.
bool HeaderAcceptable(const RequestHeader& header);

// Whole reads and writes; a deadline of nullopt waits as long as it takes.
bool WriteAll(int fd, const void* data, std::size_t size);
bool ReadAll(int fd, void* data, std::size_t size, std::optional<Clock::time_point> deadline);
// The uid of the process at the other end of a connected socket.
std::optional<uid_t> PeerUid(int fd);

} // namespace tavrel::detail
