#include "browser/ClipboardFiles.h"

#include <sstream>

namespace tavrel
{

namespace
{

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line))
    {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\0'))
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> PathsOfUris(const std::vector<std::string>& lines, std::size_t from)
{
    std::vector<std::string> paths;
    for (std::size_t i = from; i < lines.size(); ++i)
    {
        if (lines[i].empty() || lines[i][0] == '#')
            continue;
        if (auto path = FileUriToPath(lines[i]))
            paths.push_back(*path);
    }
    return paths;
}

} // namespace

std::string PathToFileUri(const std::string& path)
{
    static const char* hex = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path)
    {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '~' || c == '/')
            uri.push_back(static_cast<char>(c));
        else
        {
            uri.push_back('%');
            uri.push_back(hex[c >> 4]);
            uri.push_back(hex[c & 15]);
        }
    }
    return uri;
}

std::optional<std::string> FileUriToPath(const std::string& uri)
{
    if (uri.compare(0, 5, "file:") != 0)
        return std::nullopt;
    std::string rest = uri.substr(5);
    if (rest.compare(0, 2, "//") == 0)
    {
        const auto slash = rest.find('/', 2);
        const std::string host =
            rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        if (!host.empty() && host != "localhost")
            return std::nullopt;
        rest = slash == std::string::npos ? std::string() : rest.substr(slash);
    }
    if (rest.empty() || rest[0] != '/')
        return std::nullopt;
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i)
    {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0)
        {
            path.push_back(static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2])));
            i += 2;
        }
        else if (rest[i] == '?' || rest[i] == '#')
            break;
        else
            path.push_back(rest[i]);
    }
    // A NUL would cut the path short in every system call.
    if (path.find('\0') != std::string::npos)
        return std::nullopt;
    return path;
}

std::map<std::string, std::string> EncodeClipboardFiles(const ClipboardFiles& files)
{
    std::string uris, plain;
    for (const std::string& path : files.paths)
    {
        uris += PathToFileUri(path) + "\r\n";
        plain += (plain.empty() ? "" : "\n") + path;
    }
    std::string gnome = files.effect == ClipboardEffect::Move ? "cut" : "copy";
    for (const std::string& path : files.paths)
        gnome += "\n" + PathToFileUri(path);
    return {
        {kUriListMime, uris},
        {kGnomeCopiedFilesMime, gnome},
        {kKdeCutSelectionMime, files.effect == ClipboardEffect::Move ? "1" : "0"},
        {kPlainTextMime, plain},
    };
}

std::optional<ClipboardFiles>
DecodeClipboardFiles(const std::function<std::optional<std::string>(const std::string&)>& read)
{
    ClipboardFiles files;
    std::optional<std::string> effectLine;

    std::vector<std::string> gnome;
    if (auto text = read(kGnomeCopiedFilesMime))
        gnome = Lines(*text);
    else if (auto plain = read(kPlainTextMime))
    {
        // Newer file managers put the same list in plain text behind a mark.
        auto lines = Lines(*plain);
        if (!lines.empty() && lines[0] == "x-special/nautilus-clipboard")
            gnome.assign(lines.begin() + 1, lines.end());
    }
    if (!gnome.empty() && (gnome[0] == "cut" || gnome[0] == "copy"))
        effectLine = gnome[0];

    if (auto uris = read(kUriListMime))
        files.paths = PathsOfUris(Lines(*uris), 0);
    if (files.paths.empty() && effectLine)
        files.paths = PathsOfUris(gnome, 1);
    if (files.paths.empty())
        return std::nullopt;

    if (effectLine)
        files.effect = *effectLine == "cut" ? ClipboardEffect::Move : ClipboardEffect::Copy;
    else if (auto kde = read(kKdeCutSelectionMime); kde && !kde->empty() && (*kde)[0] == '1')
        files.effect = ClipboardEffect::Move;
    return files;
}

} // namespace tavrel
