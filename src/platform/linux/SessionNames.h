#pragma once
// Names that tie an object to one session, that is, to one runtime directory
// of one user, so that parallel sessions (and tests) never meet.

#include <string>

#include <sys/types.h>

namespace tavrel::detail
{

// "<uid>-<16 hex digits of a hash of the runtime directory and the session's
// secret>"; "" when there is no usable runtime directory. The secret, a file
// in the runtime directory, keeps the names out of other users' reach.
std::string SessionKey();
// Makes an object name safe as one file name component: letters, digits,
// '.', '_' and '-' stay, every other byte becomes "%XX".
std::string EncodeName(const std::string& name);
// True while the process with that id runs and is the one that started at
// `startTime` (0: not checked), so that a recycled pid is not taken for it.
bool ProcessAlive(pid_t pid, unsigned long long startTime);
// The start time of a process in clock ticks since boot, 0 if unknown.
unsigned long long ProcessStartTime(pid_t pid);

} // namespace tavrel::detail
