#include "tools/tool/ToolCommands.h"

#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/MessageBox.h"

#include <cstdio>
#include <string>

namespace tavrel
{

// tiff IN OUT --bits 24|48: read a picture and write it with the manager's
// RGB TIFF writers; prints the final path (its extension may have changed).
int TiffCommand(const ToolArgs& args)
{
    std::string in, out, bits;
    int files = 0;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--bits" && i + 1 < args.size())
            bits = args[++i];
        else if (files == 0 && ++files)
            in = args[i];
        else if (files == 1 && ++files)
            out = args[i];
        else
            files = 3;
    }
    if (files != 2 || (bits != "24" && bits != "48"))
    {
        std::fprintf(stderr, "usage: tavrel-tool tiff IN OUT --bits 24|48\n");
        return 1;
    }
    CDib picture;
    if (!picture.LoadFile(in))
    {
        std::fprintf(stderr, "tavrel-tool: cannot read the picture %s\n", in.c_str());
        return 1;
    }
    // The writers take 24-bit rows; grey and 1-bit pictures are widened first.
    CDib colour;
    const CDib* source = &picture;
    if (picture.BitsPerPixel() == 1)
    {
        CDib grey;
        if (!picture.ShrinkByFactor(&grey, 1) || !grey.GreyToRgb(&colour))
            return 1;
        source = &colour;
    }
    else if (picture.BitsPerPixel() == 8)
    {
        if (!picture.GreyToRgb(&colour))
            return 1;
        source = &colour;
    }
    tavrel::ClearRecordedMessageBoxes();
    const int written = bits == "48" ? WriteTiff48(out, source->Width(), source->Height(),
                                                   source->BitsPerPixel(), source->Pixels())
                                     : WriteTiff24(out, source->Width(), source->Height(),
                                                   source->BitsPerPixel(), source->Pixels());
    if (!written)
    {
        std::string reason = "cannot write the TIFF file";
        for (const std::string& message : tavrel::RecordedMessageBoxes())
            reason += ": " + message;
        std::fprintf(stderr, "tavrel-tool: %s %s\n", reason.c_str(), out.c_str());
        return 1;
    }
    std::printf("%s\n", out.c_str());
    return 0;
}

} // namespace tavrel
