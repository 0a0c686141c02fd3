#pragma once
// Pictures, profiles and hand-over records for the tests of this folder.

#include "imaging/ImageProfile.h"
#include "imaging/codecs/ImageCodec.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/Desktop.h"
#include "platform/SharedSection.h"
#include "platform/TempFiles.h"
#include "shared/PictureDescriptor.h"
#include "platform/Utf.h"
#include "support/Files.h"
#include "support/ImageCompare.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace tavrel::test
{

inline std::string ShippedFile(const std::string& name)
{
    const char* share = std::getenv("TAVREL_SHARE_DIR");
    if (share != nullptr && std::filesystem::exists(std::string(share) + "/" + name))
        return std::string(share) + "/" + name;
    const char* source = std::getenv("TAVREL_SOURCE_DIR");
    return std::string(source != nullptr ? source : ".") + "/resources/data/" + name;
}

// A channel profile file ("<unique>.tmp_cfg.xml") from the shipped positive
// profile, optionally with the inversion switch on.
inline std::string MakeChannelProfile(bool reverse = false)
{
    CImageProfile profile(ProfileFlavour::Capture);
    profile.LoadProfile(ShippedFile("Positive.xml"));
    profile.reverse = reverse ? 1 : 0;
    const std::string path = GetTempFileName(GetTempPath()) + "_cfg.xml";
    profile.SaveProfileAs(path);
    return path;
}

inline std::string MakeChannelPictureName()
{
    return GetTempFileName(GetTempPath()) + ".bmp";
}

// The sender's part: section with the pixels, and the copy-data record.
struct PreparedHandover
{
    std::unique_ptr<SharedSection> section;
    CopyData data;
};

inline PreparedHandover PrepareHandover(const CDib& picture, const std::string& picturePath,
                                        const std::string& profilePath,
                                        std::uint64_t kind = COPYDATA_PROCESSED_PICTURE,
                                        int outputFormat = kOutputJpeg, int bitDepth = 0,
                                        std::size_t sectionBytes = 0)
{
    PreparedHandover h;
    const std::size_t bytes = picture.PixelBytes();
    if (kind != COPYDATA_PICTURE_FILE)
    {
        SharedSection::Status status;
        h.section = SharedSection::Create(kPictureSectionName,
                                          sectionBytes != 0 ? sectionBytes : bytes, &status);
        if (h.section)
            std::memcpy(h.section->Map(), picture.Pixels(),
                        std::min(bytes, sectionBytes != 0 ? sectionBytes : bytes));
    }
    PictureDescriptor d;
    d.width = picture.Width();
    d.height = picture.Height();
    d.bitsPerPixel = picture.BitsPerPixel();
    d.picturePath = Utf8ToUtf16(picturePath);
    d.profilePath = Utf8ToUtf16(profilePath);
    d.outputFormat = outputFormat;
    d.bitDepthIndex = bitDepth;
    const auto record = BuildPictureDescriptor(d);
    h.data.kind = kind;
    if (record)
        h.data.bytes.assign(record->begin(), record->end());
    return h;
}

} // namespace tavrel::test
