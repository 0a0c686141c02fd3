#include "tools/tool/ToolCommands.h"

#include "capture/Yuy2Converter.h"
#include "imaging/cwimage/dib/Dib.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

namespace tavrel
{

namespace
{

bool ParseSize(const std::string& text, int& value)
{
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || v <= 0 || v > 65535)
        return false;
    value = static_cast<int>(v);
    return true;
}

} // namespace

int Yuy2Command(const ToolArgs& args)
{
    int width = 0, height = 0;
    if (args.size() != 4 || !ParseSize(args[1], width) || !ParseSize(args[2], height))
    {
        std::fprintf(stderr, "usage: tavrel-tool yuy2 IN.yuy2 WIDTH HEIGHT OUT.bmp\n");
        return 2;
    }
    std::ifstream in(args[0], std::ios::binary);
    if (!in)
    {
        std::fprintf(stderr, "tavrel-tool: cannot open %s\n", args[0].c_str());
        return 1;
    }
    const std::vector<std::uint8_t> raw((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
    const std::size_t needed = std::size_t(width) * std::size_t(height) * 2;
    if (raw.size() < needed)
    {
        std::fprintf(stderr, "tavrel-tool: %s holds %zu bytes, %dx%d needs %zu\n", args[0].c_str(),
                     raw.size(), width, height, needed);
        return 1;
    }
    CDib image;
    if (!ConvertYuy2ToDib(raw.data(), raw.size(), width, height, image))
    {
        std::fprintf(stderr, "tavrel-tool: conversion failed\n");
        return 1;
    }
    if (!image.SaveFile(args[3], 0x03000000))
    {
        std::fprintf(stderr, "tavrel-tool: cannot write %s\n", args[3].c_str());
        return 1;
    }
    return 0;
}

} // namespace tavrel
