#include "tools/tool/ToolCommands.h"

#include <cstdio>

int SendCommand(const ToolArgs&)
{
    std::fprintf(stderr, "tavrel-tool: this command is not built yet\n");
    return 2;
}
