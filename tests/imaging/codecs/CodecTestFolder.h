#pragma once
// A fresh folder per test for the files written.

#include "support/Files.h"
#include "support/Sandbox.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tavrel::test
{

class CodecTest : public ::testing::Test
{
protected:
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_folder))
            names.push_back(e.path().filename().string());
        return names;
    }

    static std::vector<unsigned char> Bytes(const std::string& path)
    {
        const std::string bytes = tavrel::test::ReadFile(path);
        return {bytes.begin(), bytes.end()};
    }

    static void WriteBytes(const std::string& path, const std::vector<unsigned char>& data)
    {
        ASSERT_TRUE(tavrel::test::WriteFile(path, std::string(data.begin(), data.end())));
    }

    tavrel::test::Sandbox m_sandbox;
    std::string m_folder = m_sandbox.Home();
};

} // namespace tavrel::test
