#pragma once
// libjpeg's error handling for every decoder and encoder of ours. An error
// returns by longjmp to the setjmp the caller placed in its own frame, which
// must hold no objects with destructors; warnings that mean the rows are
// partly made up (a truncated file, damaged entropy data) mark the result
// as damaged, harmless ones (extra bytes before a marker) do not.

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace tavrel
{

struct JpegErrorManager
{
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool damaged = false;
    char message[JMSG_LENGTH_MAX] = {};
};

// Sets up `manager` and returns what goes into the codec object's `err`.
jpeg_error_mgr* InstallJpegErrors(JpegErrorManager& manager);

} // namespace tavrel
