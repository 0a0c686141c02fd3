#include "plugins/NegativeRestoration.h"

#include "plugins/Restoration.h"

#include <atomic>
#include <exception>

namespace
{
std::atomic<TavrelProgressFn> g_progress{nullptr};
} // namespace

extern "C" void Negative_Restoration(tavrel::RestorationParams* block, std::uint8_t* pixels)
{
    if (block == nullptr || pixels == nullptr)
        return;
    const TavrelProgressFn progress = g_progress.load();
    try
    {
        tavrel::restoration::RestorePicture(*block, pixels,
                                            [progress](int position, int total)
                                            {
                                                if (progress != nullptr)
                                                    progress(position, total);
                                            });
    }
    catch (const std::exception&)
    {
        // Nothing may cross into a caller that knows no C++ exceptions; the
        // picture is then used as far as it got.
    }
}

extern "C" void SetCallBack(TavrelProgressFn callback)
{
    g_progress.store(callback);
}
