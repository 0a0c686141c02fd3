#include "imaging/codecs/FileBytes.h"

#include "platform/RegularFile.h"

#include <new>

namespace tavrel
{

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes)
{
    const tavrel::RegularFile file(path);
    if (!file.IsOpen() || file.Size() > maxBytes)
        return false;
    try
    {
        bytes.resize(std::size_t(file.Size()));
    }
    catch (const std::bad_alloc&)
    {
        return false;
    }
    return file.ReadAt(0, bytes.data(), bytes.size()) == bytes.size();
}

bool ReadFileHead(const std::string& path, std::uint8_t* bytes, std::size_t n, std::size_t& got)
{
    const tavrel::RegularFile file(path);
    if (!file.IsOpen())
        return false;
    got = file.ReadAt(0, bytes, n);
    return true;
}

} // namespace tavrel
