#include "imaging/codecs/JpegGlue.h"

#include <jerror.h>

namespace tavrel
{

namespace
{

void OnError(j_common_ptr cinfo)
{
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, manager->message);
    std::longjmp(manager->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return;
    auto* manager = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    switch (manager->base.msg_code)
    {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_NOT_SEQUENTIAL:
    case JWRN_BOGUS_PROGRESSION:
        manager->damaged = true;
        (*cinfo->err->format_message)(cinfo, manager->message);
        break;
    default:
        break;
    }
}

} // namespace

jpeg_error_mgr* InstallJpegErrors(JpegErrorManager& manager)
{
    jpeg_std_error(&manager.base);
    manager.base.error_exit = OnError;
    manager.base.emit_message = OnMessage;
    manager.base.output_message = [](j_common_ptr) {};
    manager.damaged = false;
    manager.message[0] = '\0';
    return &manager.base;
}

} // namespace tavrel
