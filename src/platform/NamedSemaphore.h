#pragma once
// A named semaphore used only as an existence mark: it exists while any
// process holds a handle to it, and vanishes with the last holder, also when
// that holder crashes. Names are per runtime directory.

#include <memory>
#include <string>

namespace tavrel
{

class NamedSemaphore
{
public:
    enum class Status
    {
        Created,       // this call made it
        AlreadyExists, // ERROR_ALREADY_EXISTS: the handle is still valid and held
        Failed         // no handle
    };

    // CreateSemaphoreW: returns a handle (also when it already existed) or null.
    static std::unique_ptr<NamedSemaphore> Create(const std::string& name, Status* status);
    virtual ~NamedSemaphore() = default; // CloseHandle
};

} // namespace tavrel
