#include "tools/tool/ToolCommands.h"

#include <cerrno>
#include <cstdlib>

namespace tavrel
{

bool ParseFormatCode(const std::string& text, std::uint32_t& code)
{
    if (text.empty() || text[0] == '-' || text[0] == '+')
        return false;
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    errno = 0;
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull)
        return false;
    code = std::uint32_t(value);
    return true;
}

} // namespace tavrel
