#pragma once
// A fresh folder per test for the files written.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class CodecTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info->test_suite_name()) + "_" + info->name();
        for (char& c : name)
            if (c == '/')
                c = '_';
        m_folder = std::filesystem::temp_directory_path() /
                   ("tavrel-codecs-" + std::to_string(::getpid()) + "-" + name);
        std::filesystem::remove_all(m_folder);
        std::filesystem::create_directories(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }

    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(m_folder))
            names.push_back(e.path().filename().string());
        return names;
    }

    static std::vector<unsigned char> Bytes(const std::string& path)
    {
        std::vector<unsigned char> data;
        if (std::FILE* f = std::fopen(path.c_str(), "rb"))
        {
            int c;
            while ((c = std::fgetc(f)) != EOF)
                data.push_back(static_cast<unsigned char>(c));
            std::fclose(f);
        }
        return data;
    }

    static void WriteBytes(const std::string& path, const std::vector<unsigned char>& data)
    {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }

    std::filesystem::path m_folder;
};
