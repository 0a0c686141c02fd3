#include "imaging/codecs/MjpegDecoder.h"

#include "imaging/codecs/JpegGlue.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

namespace tavrel
{

namespace
{

struct Expected
{
    int width;
    int height;
};

// Every libjpeg call lives in here, so the longjmp only crosses C frames and
// this function's own, which holds no objects with destructors.
bool Decode(const std::uint8_t* data, std::size_t size, Expected expected, DecodedFrame& frame,
            char* message)
{
    jpeg_decompress_struct info;
    JpegErrorManager manager;
    info.err = InstallJpegErrors(manager);
    if (setjmp(manager.jump))
    {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", manager.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
    if ((expected.width > 0 && int(info.image_width) != expected.width) ||
        (expected.height > 0 && int(info.image_height) != expected.height))
    {
        std::snprintf(message, JMSG_LENGTH_MAX, "frame of %ux%u, not %dx%d", info.image_width,
                      info.image_height, expected.width, expected.height);
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_EXT_BGR;
    info.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&info);
    if (info.output_components != 3 || info.output_width == 0 || info.output_height == 0)
    {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "unexpected output components");
        return false;
    }
    frame.width = static_cast<int>(info.output_width);
    frame.height = static_cast<int>(info.output_height);
    try
    {
        frame.bgr.resize(std::size_t(frame.width) * std::size_t(frame.height) * 3);
    }
    catch (const std::bad_alloc&)
    {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "no memory for a %dx%d frame", frame.width,
                      frame.height);
        return false;
    }
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = frame.bgr.data() + std::size_t(info.output_scanline) * frame.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (manager.damaged)
    {
        // Cut to the buffer's size: the start of the library's message says enough.
        const std::string text = std::string("corrupt or truncated frame: ") + manager.message;
        text.copy(message, JMSG_LENGTH_MAX - 1);
        message[std::min<std::size_t>(text.size(), JMSG_LENGTH_MAX - 1)] = '\0';
        return false;
    }
    return true;
}

} // namespace

bool DecodeMjpeg(const std::uint8_t* data, std::size_t size, DecodedFrame& frame,
                 std::string* error, int expectedWidth, int expectedHeight)
{
    char message[JMSG_LENGTH_MAX] = {};
    bool ok = false;
    if (!data || size < 4)
        std::snprintf(message, sizeof message, "empty frame");
    else
        ok = Decode(data, size, {expectedWidth, expectedHeight}, frame, message);
    if (ok)
        return true;
    if (error)
        *error = message;
    frame = {};
    return false;
}

} // namespace tavrel
