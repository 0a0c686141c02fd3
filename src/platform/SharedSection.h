#pragma once
// Named page-file sections (CreateFileMappingW / OpenFileMappingW /
// MapViewOfFile) over POSIX shared memory, mode 0600, per runtime directory.
// The creator removes the name when it closes its handle; a section whose
// creator has died is treated as absent, so a crash never blocks later users.

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
        Failed
    };

    static std::unique_ptr<SharedSection> Create(const std::string& name, std::size_t size,
                                                 Status* status);
    // nullptr when no such section exists.
    static std::unique_ptr<SharedSection> Open(const std::string& name);
    virtual ~SharedSection() = default; // unmaps; the creator also removes the name

    virtual std::size_t Size() const = 0;
    // MapViewOfFile of the whole section; nullptr on failure. Stays valid until
    // Unmap or destruction.
    virtual std::uint8_t* Map() = 0;
    virtual void Unmap() = 0;
};

} // namespace tavrel
