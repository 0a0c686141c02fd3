#include "capture/v4l2/MjpegDecoder.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace
{

struct ErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    int warnings;
};

void OnError(j_common_ptr info)
{
    auto* manager = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, manager->message);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr info, int level)
{
    // A corrupt-data warning means a damaged frame: count it, decide later.
    if (level < 0)
        ++reinterpret_cast<ErrorManager*>(info->err)->warnings;
}

// All libjpeg calls live in here so that the longjmp only crosses C frames
// and this function's own, which holds no objects with destructors.
bool Decode(const std::uint8_t* data, std::size_t size, DecodedFrame& frame, char* message)
{
    jpeg_decompress_struct info{};
    ErrorManager manager{};
    info.err = jpeg_std_error(&manager.base);
    manager.base.error_exit = OnError;
    manager.base.emit_message = OnMessage;
    if (setjmp(manager.jump))
    {
        jpeg_destroy_decompress(&info);
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", manager.message);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&info, TRUE);
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
    frame.bgr.resize(std::size_t(frame.width) * std::size_t(frame.height) * 3);
    while (info.output_scanline < info.output_height)
    {
        JSAMPROW row = frame.bgr.data() + std::size_t(info.output_scanline) * frame.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    if (manager.warnings > 0)
    {
        std::snprintf(message, JMSG_LENGTH_MAX, "corrupt or truncated frame");
        return false;
    }
    return true;
}

} // namespace

bool DecodeMjpeg(const std::uint8_t* data, std::size_t size, DecodedFrame& frame,
                 std::string* error)
{
    char message[JMSG_LENGTH_MAX] = {};
    if (!data || size < 4)
    {
        if (error)
            *error = "empty frame";
        return false;
    }
    if (Decode(data, size, frame, message))
        return true;
    if (error)
        *error = message;
    frame = {};
    return false;
}
