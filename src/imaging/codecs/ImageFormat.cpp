#include "imaging/codecs/ImageCodec.h"

#include <cctype>

namespace tavrel
{

namespace
{

bool EndsWith(std::string_view name, std::string_view tail)
{
    if (name.size() < tail.size())
        return false;
    const std::string_view end = name.substr(name.size() - tail.size());
    for (std::size_t i = 0; i < tail.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(end[i])) != tail[i])
            return false;
    return true;
}

struct FormatRow
{
    const char* endings[3];
    int code;
};

// First match wins, so "wbmp" has to come before "bmp". No dot is required.
constexpr FormatRow kFormats[] = {
    {{"wbmp"}, 9},        {{"bmp"}, 1},         {{"gif"}, 2},
    {{"jpg", "jpeg"}, 3}, {{"png"}, 4},         {{"mng", "jng"}, 17},
    {{"ico"}, 5},         {{"tif", "tiff"}, 6}, {{"tga"}, 7},
    {{"pcx"}, 8},         {{"wmf", "emf"}, 10}, {{"j2k", "jp2"}, 11},
    {{"j2c", "jpc"}, 12}, {{"pgx"}, 13},        {{"pnm", "pgm", "ppm"}, 14},
    {{"ras"}, 15},
};

} // namespace

int ImageFormatForName(std::string_view name)
{
    for (const FormatRow& row : kFormats)
        for (const char* ending : row.endings)
            if (ending && EndsWith(name, ending))
                return row.code;
    return 0;
}

} // namespace tavrel
