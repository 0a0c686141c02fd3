#pragma once
// One function per tavrel-tool subcommand; args exclude the program name and
// the subcommand. Each returns the process exit code.

#include <cstdint>
#include <string>
#include <vector>

namespace tavrel
{

using ToolArgs = std::vector<std::string>;

// A picture format code: decimal or 0x-prefixed hexadecimal, the whole text,
// within 32 bits.
bool ParseFormatCode(const std::string& text, std::uint32_t& code);

int XmlCommand(const ToolArgs& args);       // xml [--dump] FILE
int ProfileCommand(const ToolArgs& args);   // profile [--rewrite IN OUT] FILE
int ProcessCommand(const ToolArgs& args);   // process ...
int ConvertCommand(const ToolArgs& args);   // convert IN OUT --format-code N
int TiffCommand(const ToolArgs& args);      // tiff IN OUT --bits 24|48
int SendCommand(const ToolArgs& args);      // send ...
int RegfileCommand(const ToolArgs& args);   // regfile FILE
int Yuy2Command(const ToolArgs& args);      // yuy2 IN WIDTH HEIGHT OUT
int CalibrateCommand(const ToolArgs& args); // calibrate FRAME OUT.ver
int WindowsCommand(const ToolArgs& args);   // windows
int MessageCommand(const ToolArgs& args);   // message [--post] [--class C] [--title T] MSG ...

} // namespace tavrel
