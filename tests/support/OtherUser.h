#pragma once
// Acting as another local user, for tests of what such a user must not be
// able to do to ours. Only root can switch users; tests skip otherwise.

#include <functional>
#include <string>

namespace tavrel::test
{

constexpr unsigned kOtherUid = 65534; // nobody

bool CanActAsOtherUser();
// Runs `work` in a child process that has become the other user; its exit
// code, or -1 when it could not switch or died by a signal.
int RunAsOtherUser(const std::function<int()>& work);

// Where the section `name` of the current session lives in /dev/shm.
std::string SectionObjectPath(const std::string& name);

} // namespace tavrel::test
