#include "imaging/codecs/FileBytes.h"

#include <cstdio>

namespace tavrel
{

bool ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& bytes, std::size_t maxBytes)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::size_t(size) <= maxBytes && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok)
    {
        bytes.resize(std::size_t(size));
        ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    }
    std::fclose(f);
    return ok;
}

bool ReadFileHead(const std::string& path, std::uint8_t* bytes, std::size_t n, std::size_t& got)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    got = std::fread(bytes, 1, n, f);
    std::fclose(f);
    return true;
}

} // namespace tavrel
