#include "tools/tool/ToolCommands.h"

#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tavrel
{

// convert IN OUT --format-code N: read any picture file and save it with the
// format code; prints the written path.
int ConvertCommand(const ToolArgs& args)
{
    std::string in, out, codeText;
    int files = 0;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--format-code" && i + 1 < args.size())
            codeText = args[++i];
        else if (files == 0 && ++files)
            in = args[i];
        else if (files == 1 && ++files)
            out = args[i];
        else
            files = 3;
    }
    std::uint32_t code = 0;
    if (files != 2 || !ParseFormatCode(codeText, code))
    {
        std::fprintf(stderr, "usage: tavrel-tool convert IN OUT --format-code N\n");
        return 1;
    }
    CDib picture;
    if (!picture.LoadFile(in))
    {
        std::fprintf(stderr, "tavrel-tool: cannot read the picture %s\n", in.c_str());
        return 1;
    }
    if (!picture.SaveFile(out, code))
    {
        std::fprintf(stderr, "tavrel-tool: cannot write %s with format code 0x%08X\n", out.c_str(),
                     code);
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

} // namespace tavrel
