// Many full-size pictures back to back through the real channel: every one
// stored, none lost, nothing left in the temporary folder, and the
// receiver's memory and open descriptors do not grow.

#include "capture/HandoverSender.h"
#include "imaging/ImageProfile.h"
#include "imaging/cwimage/dib/Dib.h"
#include "platform/Desktop.h"
#include "platform/TempFiles.h"
#include "support/Process.h"
#include "support/Sandbox.h"
#include "support/Sanitizer.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace tavrel
{
namespace
{

long VmRssKb(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

int OpenDescriptors(pid_t pid)
{
    int n = 0;
    std::error_code ec;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec);
         it != fs::directory_iterator(); ++it)
        ++n;
    return n;
}

constexpr int kDefaultCount = test::kAddressSanitizer ? 40 : 200;

TEST(HandoverSoak, FullSizePicturesBackToBack)
{
    const char* countText = std::getenv("TAVREL_SOAK_COUNT");
    const int count = countText != nullptr ? std::atoi(countText) : kDefaultCount;
    test::Sandbox sandbox;
    const std::string dest = sandbox.Root() + "/dest";
    fs::create_directories(dest);
    // Under AddressSanitizer freed buffers wait in a quarantine of up to
    // 256 MB, which the memory bound would read as growth.
    const char* asanOptions = std::getenv("ASAN_OPTIONS");
    test::Process::Options hostOptions;
    hostOptions.env.emplace_back("ASAN_OPTIONS", std::string(asanOptions ? asanOptions : "") +
                                                     ":quarantine_size_mb=0");
    auto host = test::Process::Start("tavrel_handover_host", {dest}, hostOptions);
    ASSERT_TRUE(host);
    ASSERT_TRUE(test::WaitFor([] { return Desktop::FindWindow("Pelidor") != 0; }));

    CDib picture;
    picture.Create(2592, 1944, 24, 300);
    for (int y = 0; y < picture.Height(); ++y)
        for (int x = 0; x < picture.RowSize(); ++x)
            picture.Row(y)[x] = std::uint8_t((x / 3 + y) & 0xFF);
    CImageProfile profile(ProfileFlavour::Capture);
    ASSERT_EQ(profile.LoadProfile(std::string(std::getenv("TAVREL_SHARE_DIR")) + "/Positive.xml"),
              1);

    long rssAfterWarmUp = 0;
    int fdsAfterWarmUp = 0;
    const int warmUp = std::min(10, count / 2);
    for (int i = 0; i < count; ++i)
    {
        CHandoverSender sender;
        ASSERT_TRUE(sender.FindManager());
        ASSERT_TRUE(sender.PrepareNames());
        const auto result = sender.Send(picture, profile, kOutputJpeg, kBitDepth24);
        ASSERT_EQ(result.outcome, CHandoverSender::Outcome::Stored) << "picture " << i;
        if (i + 1 == warmUp)
        {
            rssAfterWarmUp = VmRssKb(host->Pid());
            fdsAfterWarmUp = OpenDescriptors(host->Pid());
        }
    }
    const long rssAtEnd = VmRssKb(host->Pid());
    // The last connection may still be closing on the receiver's side.
    test::WaitFor([&] { return OpenDescriptors(host->Pid()) <= fdsAfterWarmUp; },
                  std::chrono::seconds(5));
    const int fdsAtEnd = OpenDescriptors(host->Pid());
    std::printf("receiver VmRSS %ld kB after %d pictures, %ld kB after %d; fds %d -> %d\n",
                rssAfterWarmUp, warmUp, rssAtEnd, count, fdsAfterWarmUp, fdsAtEnd);

    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dest))
        names.insert(e.path().filename().string());
    EXPECT_EQ(int(names.size()), count);
    for (const auto& name : names)
        EXPECT_EQ(name.front() == '.', false) << name; // no partial file left
    EXPECT_TRUE(fs::is_empty(GetTempPath()));
    // One picture buffer is 15 MB: growth beyond a few MB would be a leak.
    // The sanitizer's own allocator keeps freed blocks cached, and its leak
    // check covers the receiver anyway.
    if (!test::kAddressSanitizer)
    {
        EXPECT_LT(rssAtEnd - rssAfterWarmUp, 8 * 1024);
    }
    EXPECT_LE(fdsAtEnd, fdsAfterWarmUp);
}

} // namespace
} // namespace tavrel
