// tavrel-tool: the suite's command-line tool.

#include "tools/tool/ToolCommands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace tavrel
{

namespace
{

struct Command
{
    const char* name;
    int (*run)(const ToolArgs&);
    const char* usage;
};

const Command kCommands[] = {
    {"xml", XmlCommand, "xml [--dump] FILE"},
    {"profile", ProfileCommand, "profile FILE | profile --rewrite IN OUT"},
    {"process", ProcessCommand,
     "process [--flavour capture|manager] [--mode full|preview] --profile P IN OUT "
     "[--format-code N] [--calibration FILE.ver]"},
    {"calibrate", CalibrateCommand, "calibrate FRAME OUT.ver"},
    {"convert", ConvertCommand, "convert IN OUT --format-code N"},
    {"tiff", TiffCommand, "tiff IN OUT --bits 24|48"},
    {"send", SendCommand,
     "send [--kind 1001|1003|1008] [--format jpg|tiff] [--bits 24|48] --profile P FILE"},
    {"regfile", RegfileCommand, "regfile FILE"},
    {"yuy2", Yuy2Command, "yuy2 IN.yuy2 WIDTH HEIGHT OUT.bmp"},
    {"windows", WindowsCommand, "windows"},
    {"message", MessageCommand,
     "message [--post] [--class NAME] [--title TEXT] MSG [WPARAM [LPARAM]]"},
};

int Usage()
{
    std::fprintf(stderr, "usage:\n");
    for (const Command& c : kCommands)
        std::fprintf(stderr, "  tavrel-tool %s\n", c.usage);
    return 2;
}

} // namespace

} // namespace tavrel

int main(int argc, char** argv)
{
    using namespace tavrel;
    if (argc < 2)
        return Usage();
    for (const Command& c : kCommands)
    {
        if (std::strcmp(argv[1], c.name) == 0)
            return c.run(ToolArgs(argv + 2, argv + argc));
    }
    return Usage();
}
