// Hand-over record fuzz target: a record that reads builds again to the
// same bytes (every field survives the trip), and the stride of its size
// never overflows.
#include "shared/PictureDescriptor.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const auto record = tavrel::ReadPictureDescriptor(data, size);
    if (!record)
        return 0;
    const auto bytes = tavrel::BuildPictureDescriptor(*record);
    if (!bytes)
        __builtin_trap();
    const auto again = tavrel::ReadPictureDescriptor(bytes->data(), bytes->size());
    if (!again || again->picturePath != record->picturePath ||
        again->profilePath != record->profilePath || again->width != record->width ||
        again->height != record->height || again->outputFormat != record->outputFormat ||
        again->bitDepthIndex != record->bitDepthIndex)
        __builtin_trap();
    const std::size_t stride = tavrel::SectionStride(record->width, record->bitsPerPixel);
    if (stride != 0 && stride < std::size_t(record->width) * std::size_t(record->bitsPerPixel) / 8)
        __builtin_trap();
    return 0;
}
