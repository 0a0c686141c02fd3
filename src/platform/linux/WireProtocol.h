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
// Larger payloads are refused rather than allocated.
constexpr std::uint64_t kMaxPayload = 1ull << 30;

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

// Whole reads and writes; a deadline of nullopt waits as long as it takes.
bool WriteAll(int fd, const void* data, std::size_t size);
bool ReadAll(int fd, void* data, std::size_t size, std::optional<Clock::time_point> deadline);
// The uid of the process at the other end of a connected socket.
std::optional<uid_t> PeerUid(int fd);

} // namespace tavrel::detail
