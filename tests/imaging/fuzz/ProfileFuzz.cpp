// Processing profile fuzz target: a profile that reads is (capture flavour)
// saved and read back alike, and applied to a small picture in both modes.
#include "../../shared/fuzz/FuzzFile.h"

#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/MessageBox.h"

#include <cstdlib>
#include <memory>
#include <string>

namespace
{

using namespace tavrel;

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

CDib SmallPicture()
{
    CDib picture;
    Check(picture.Create(12, 8, 24, 300) == 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 36; ++x)
            picture.Row(y)[x] = std::uint8_t(x * 7 + y * 29);
    return picture;
}

// The missing plug-in's message box, once for every profile, goes nowhere.
class Silence : public MessageBoxSink
{
public:
    int Show(HWND, const std::string&, const std::string&, unsigned) override { return IDOK; }
};

const std::string& SavedPath()
{
    static const tavrel::fuzz::ScratchFolder folder;
    static const std::string path = folder.Path("saved_cfg.xml");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::MemoryFile input;
    static const bool silenced = (SetMessageBoxSink(std::make_shared<Silence>()), true);
    (void)silenced;
    const std::string& path = input.Hold(data, size);
    for (ProfileFlavour flavour : {ProfileFlavour::Capture, ProfileFlavour::Manager})
    {
        CImageProfile profile(flavour);
        if (profile.LoadProfile(path) != 1)
            continue;
        // Saved as read (processing sets the restoration regions from the
        // picture, so it comes after).
        if (flavour == ProfileFlavour::Capture)
        {
            const std::u16string document = profile.BuildProfileDocument();
            Check(profile.SaveProfileAs(SavedPath()) == 1);
            CImageProfile again(flavour);
            Check(again.LoadProfile(SavedPath()) == 1);
            Check(again.BuildProfileDocument() == document);
        }
        for (int mode : {0, 1})
        {
            CDib picture = SmallPicture();
            Check(profile.ProcessImage(mode, picture) == 1 && picture.HasPixels());
        }
    }
    return 0;
}
