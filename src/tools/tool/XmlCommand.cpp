#include "tools/tool/ToolCommands.h"

#include "platform/Utf.h"
#include "shared/XmlDocument.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace tavrel
{

// xml [--dump] FILE: "valid" or "invalid", the parse message, and with
// --dump one line per element record in document order.
int XmlCommand(const ToolArgs& args)
{
    bool dump = false;
    std::string path;
    int files = 0;
    for (const std::string& arg : args)
    {
        if (arg == "--dump")
        {
            dump = true;
        }
        else
        {
            path = arg;
            ++files;
        }
    }
    if (files != 1)
    {
        std::fprintf(stderr, "usage: tavrel-tool xml [--dump] FILE\n");
        return 1;
    }
    std::u16string text;
    std::u16string message;
    if (!ReadUtf8File(path, text, message))
    {
        std::fprintf(stderr, "tavrel-tool: %s: %s\n", path.c_str(),
                     tavrel::Utf16ToUtf8(message).c_str());
        return 1;
    }
    CXmlDocument doc;
    const bool valid = doc.LoadFromFile(path);
    std::printf("%s\n%s\n", valid ? "valid" : "invalid",
                tavrel::Utf16ToUtf8(doc.GetParseMessage()).c_str());
    if (dump)
    {
        for (ElementIndex i = 1; i < doc.UsedRecords(); ++i)
        {
            const ElementRecord& r = doc.Record(i);
            const unsigned flags = r.levelAndFlags & 0xFFFF0000u;
            std::printf("%u %d %d %u %u %s%x %s\n", r.levelAndFlags & 0xFFFFu, r.start, r.length,
                        r.tagLengths & 0x2FFFFFu, r.tagLengths >> 22, flags ? "0x" : "", flags,
                        tavrel::Utf16ToUtf8(doc.TagName(i)).c_str());
        }
    }
    return 0;
}

} // namespace tavrel
