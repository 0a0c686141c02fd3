#pragma once
// The restoration plug-in "Negative_Restoration.so", loaded at run time by
// both programs and by tavrel-tool. Two exports, looked up by name, both with
// the C calling convention:
//
//   void Negative_Restoration(RestorationParams* block, uint8_t* pixels);
//     Restores the picture in place. `pixels` is its first byte: 24 bits per
//     pixel in the order blue, green, red, rows top-down, each row padded to a
//     multiple of 4 bytes; height and width are the block's first two fields.
//     Only bytes of the picture's pixels change (never the row padding), and
//     the size stays as it is, so the caller goes on with the same buffer.
//     The block is read, never written; its layout is in RestorationParams.h.
//     Which steps run, and from which fields, is listed at RestorePicture
//     (plugins/Restoration.h). A null pointer, a side of 0 or an absurd size
//     leaves everything unchanged. Safe to call from several threads at once.
//
//   void SetCallBack(int (*progress)(int32_t position, int32_t total));
//     Progress of later calls: position 0 to total (total 100) at the start,
//     between steps and at the end, on the thread that called
//     Negative_Restoration. Null stops the reports. The function is kept for
//     the process, not per caller.

#include "imaging/RestorationParams.h"

#include <cstdint>

extern "C"
{
    typedef int (*TavrelProgressFn)(std::int32_t position, std::int32_t total);

    __attribute__((visibility("default"))) void
    Negative_Restoration(tavrel::RestorationParams* block, std::uint8_t* pixels);
    __attribute__((visibility("default"))) void SetCallBack(TavrelProgressFn callback);
}
