// calibrate FRAME OUT.ver: the flat-field reference of a frame of the empty
// holder, as the capture program's lens calibration writes it.

#include "tools/tool/ToolCommands.h"

#include "imaging/FlatFieldMap.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cstdio>

namespace tavrel
{

int CalibrateCommand(const ToolArgs& args)
{
    if (args.size() != 2 || args[0].rfind("--", 0) == 0 || args[1].rfind("--", 0) == 0)
    {
        std::fprintf(stderr, "usage: tavrel-tool calibrate FRAME OUT.ver\n");
        return 2;
    }
    CDib frame;
    frame.LoadFile(args[0]);
    if (!frame.HasPixels())
    {
        std::fprintf(stderr, "tavrel-tool: cannot read picture %s\n", args[0].c_str());
        return 1;
    }
    BlankFrameFault fault = BlankFrameFault::None;
    const auto map = FlatFieldMap::FromBlankFrame(frame, &fault);
    if (!map)
    {
        const char* why = "is not a 24-bit frame of at least 32 x 24";
        if (fault == BlankFrameFault::TooDark)
            why = "shows no light to measure";
        else if (fault == BlankFrameFault::NotEmpty)
            why = "shows film or a holder: a frame of the empty, evenly lit holder is needed";
        std::fprintf(stderr, "tavrel-tool: %s %s\n", args[0].c_str(), why);
        return 1;
    }
    if (!map->Save(args[1]))
    {
        std::fprintf(stderr, "tavrel-tool: cannot write %s\n", args[1].c_str());
        return 1;
    }
    return 0;
}

} // namespace tavrel
