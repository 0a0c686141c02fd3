#include "PeerFixture.h"

#include "platform/NamedSemaphore.h"
#include "platform/SharedSection.h"
#include "platform/Desktop.h"
#include "support/OtherUser.h"

#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::test
{

namespace
{

class SyncAcrossProcesses : public PeerTest
{
};

using SemStatus = NamedSemaphore::Status;
using SectionStatus = SharedSection::Status;

TEST_F(SyncAcrossProcesses, SemaphoreHeldByPeerExistsUntilItIsKilled)
{
    auto peer = StartPeer({"semaphore", "TAVREL_TEST"});
    ASSERT_TRUE(peer);
    EXPECT_TRUE(Reported(*peer, "semaphore created"));
    {
        SemStatus status;
        auto handle = NamedSemaphore::Create("TAVREL_TEST", &status);
        ASSERT_TRUE(handle);
        EXPECT_EQ(status, SemStatus::AlreadyExists);
    }
    peer->Kill();
    ASSERT_TRUE(peer->WaitForExit());
    SemStatus status;
    auto handle = NamedSemaphore::Create("TAVREL_TEST", &status);
    ASSERT_TRUE(handle);
    EXPECT_EQ(status, SemStatus::Created);
}

TEST_F(SyncAcrossProcesses, SecondHolderKeepsTheSemaphore)
{
    SemStatus status;
    auto first = NamedSemaphore::Create("TAVREL_TEST", &status);
    ASSERT_EQ(status, SemStatus::Created);
    auto peer = StartPeer({"semaphore", "TAVREL_TEST"});
    ASSERT_TRUE(peer);
    EXPECT_TRUE(Reported(*peer, "semaphore exists"));

    first.reset();
    auto again = NamedSemaphore::Create("TAVREL_TEST", &status);
    EXPECT_EQ(status, SemStatus::AlreadyExists);
    again.reset();

    peer->Kill();
    ASSERT_TRUE(peer->WaitForExit());
    auto last = NamedSemaphore::Create("TAVREL_TEST", &status);
    EXPECT_EQ(status, SemStatus::Created);
}

TEST_F(SyncAcrossProcesses, SectionOfALivePeerIsSharedAndExists)
{
    auto peer = StartPeer({"section", "TavrelImage", "4096", "171", "window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    EXPECT_TRUE(Reported(*peer, "section created"));

    auto opened = SharedSection::Open("TavrelImage");
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->Size(), 4096u);
    const std::uint8_t* data = opened->Map();
    ASSERT_TRUE(data);
    EXPECT_EQ(data[0], 171);
    EXPECT_EQ(data[4095], 171);

    SectionStatus status;
    auto created = SharedSection::Create("TavrelImage", 16, &status);
    ASSERT_TRUE(created);
    EXPECT_EQ(status, SectionStatus::AlreadyExists);
    EXPECT_EQ(created->Size(), 4096u);
    created.reset();

    // The creator's orderly close removes the name.
    ASSERT_TRUE(Desktop::SendMessage(Desktop::FindWindow("PeerClass"), WM_CLOSE).delivered);
    ASSERT_EQ(peer->WaitForExit(), 0);
    EXPECT_FALSE(SharedSection::Open("TavrelImage"));
    // A view taken before stays readable.
    EXPECT_EQ(data[100], 171);
}

TEST_F(SyncAcrossProcesses, SectionOfACrashedCreatorDoesNotBlockTheNextOne)
{
    auto peer = StartPeer({"section", "TavrelImage", "64", "1"});
    ASSERT_TRUE(peer);
    peer->Kill();
    ASSERT_TRUE(peer->WaitForExit());

    EXPECT_FALSE(SharedSection::Open("TavrelImage"));
    SectionStatus status;
    auto created = SharedSection::Create("TavrelImage", 32, &status);
    ASSERT_TRUE(created);
    EXPECT_EQ(status, SectionStatus::Created);
    EXPECT_EQ(created->Size(), 32u);
    ASSERT_TRUE(created->Map());
    EXPECT_EQ(created->Map()[0], 0);
}

TEST_F(SyncAcrossProcesses, SessionsDoNotSeeEachOthersObjects)
{
    auto peer = StartPeer({"section", "TavrelImage", "64", "1", "semaphore", "TAVREL_TEST",
                           "window", "PeerClass", ""});
    ASSERT_TRUE(peer);
    Sandbox other; // a second session, now current for this process
    EXPECT_FALSE(SharedSection::Open("TavrelImage"));
    SemStatus status;
    auto handle = NamedSemaphore::Create("TAVREL_TEST", &status);
    EXPECT_EQ(status, SemStatus::Created);
    EXPECT_EQ(Desktop::FindWindow("PeerClass"), 0u);
}

TEST(SharedSectionChecks, SectionsOpenedUpOrCutShortAreRefused)
{
    Sandbox sandbox;
    SectionStatus status;
    auto created = SharedSection::Create("TavrelImage", 4096, &status);
    ASSERT_TRUE(created);
    const std::vector<std::uint8_t> pixels(4096, 77);
    ASSERT_TRUE(created->Write(0, pixels.data(), pixels.size()));
    auto opened = SharedSection::Open("TavrelImage");
    ASSERT_TRUE(opened);
    std::vector<std::uint8_t> copy(4096);
    ASSERT_TRUE(opened->Read(0, copy.data(), copy.size()));
    EXPECT_EQ(copy, pixels);
    EXPECT_FALSE(opened->Read(1, copy.data(), copy.size())); // past the end

    // Cut down to its header by someone else: reads fail instead of faulting.
    const std::string object = SectionObjectPath("TavrelImage");
    ASSERT_EQ(::truncate(object.c_str(), 64), 0);
    EXPECT_FALSE(opened->Read(0, copy.data(), copy.size()));
    EXPECT_EQ(opened->Map(), nullptr);
    EXPECT_FALSE(SharedSection::Open("TavrelImage"));
    opened.reset();
    created.reset();

    // Our own, but opened up to others: anybody may have written to it.
    auto again = SharedSection::Create("TavrelImage", 64, &status);
    ASSERT_TRUE(again);
    ASSERT_EQ(::chmod(object.c_str(), 0644), 0);
    bool notOurs = false;
    EXPECT_FALSE(SharedSection::Open("TavrelImage", &notOurs));
    EXPECT_TRUE(notOurs);
}

} // namespace

} // namespace tavrel::test
