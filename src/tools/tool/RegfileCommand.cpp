#include "tools/tool/ToolCommands.h"

#include "capture/RegisterFile.h"

#include <cstdio>

namespace tavrel
{

int RegfileCommand(const ToolArgs& args)
{
    if (args.size() != 1)
    {
        std::fprintf(stderr, "usage: tavrel-tool regfile FILE\n");
        return 2;
    }
    RegisterList list;
    if (!ReadRegisterFile(args[0], list))
    {
        std::fprintf(stderr, "tavrel-tool: cannot open %s\n", args[0].c_str());
        return 1;
    }
    for (const RegisterWrite& w : list.writes)
    {
        if (w.kind == RegisterWrite::Kind::SensorRegister)
            std::printf("reg 0x%04x = 0x%02x\n", w.target & 0xFFFFu, w.value & 0xFFu);
        else
            std::printf("prop 0x%04x = 0x%04x\n", w.target, w.value);
    }
    std::printf("end\n");
    return 0;
}

} // namespace tavrel
