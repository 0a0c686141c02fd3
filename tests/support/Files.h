#pragma once
// Whole files as bytes, for tests that check what was written.

#include <string>

namespace tavrel::test
{

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Creates or replaces the file; false when it cannot be written.
bool WriteFile(const std::string& path, const std::string& bytes);

} // namespace tavrel::test
