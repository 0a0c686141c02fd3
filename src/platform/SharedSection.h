#pragma once
// Named page-file sections (CreateFileMappingW / OpenFileMappingW /
// MapViewOfFile) over POSIX shared memory, mode 0600, per runtime directory.
// The creator removes the name when it closes its handle; a section whose
// creator has died is treated as absent, so a crash never blocks later users.
//
// A section is only used when it is ours: owned by this user, mode 0600 and
// as large as its header says. Anything else under the name is refused
// (NotOurs), never read or written.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tavrel
{

class SharedSection
{
public:
    enum class Status
    {
        Created,
        AlreadyExists, // ERROR_ALREADY_EXISTS: the handle refers to the existing section
        Failed,
        NotOurs, // the name is held by an object of another user, or one tampered with
    };

    static std::unique_ptr<SharedSection> Create(const std::string& name, std::size_t size,
                                                 Status* status);
    // nullptr when no such section exists; *notOurs tells whether something
    // that failed the checks holds the name.
    static std::unique_ptr<SharedSection> Open(const std::string& name, bool* notOurs = nullptr);
    virtual ~SharedSection() = default; // unmaps; the creator also removes the name

    virtual std::size_t Size() const = 0;

    // Copies through the section's descriptor, not a mapping: a section that
    // another process cut short gives false here where a view would fault
    // (SIGBUS). False also past Size().
    virtual bool Read(std::size_t offset, void* data, std::size_t bytes) const = 0;
    virtual bool Write(std::size_t offset, const void* data, std::size_t bytes) = 0;

    // MapViewOfFile of the whole section; nullptr on failure (also when the
    // section is smaller than it should be). Stays valid until Unmap or
    // destruction. A view faults if another process cuts the section short
    // later: what another process provides is taken with Read.
    virtual std::uint8_t* Map() = 0;
    virtual void Unmap() = 0;
};

} // namespace tavrel
