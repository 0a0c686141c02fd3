#pragma once
// Files on the clipboard as the desktop's file managers put them there:
// "text/uri-list", "x-special/gnome-copied-files" ("copy" or "cut", then one
// URI a line) and "application/x-kde-cutselection" ("1" for a cut), plus the
// paths as plain text for text editors.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace tavrel
{

constexpr const char* kUriListMime = "text/uri-list";
constexpr const char* kGnomeCopiedFilesMime = "x-special/gnome-copied-files";
constexpr const char* kKdeCutSelectionMime = "application/x-kde-cutselection";
constexpr const char* kPlainTextMime = "text/plain";

enum class ClipboardEffect
{
    Copy,
    Move,
};

struct ClipboardFiles
{
    std::vector<std::string> paths;
    ClipboardEffect effect = ClipboardEffect::Copy;
};

// "file://" + the path with every byte outside the unreserved set and "/"
// percent-encoded.
std::string PathToFileUri(const std::string& path);
// The local path of a "file:" URI (empty or "localhost" host); nullopt for
// other URIs.
std::optional<std::string> FileUriToPath(const std::string& uri);

// MIME type -> content.
std::map<std::string, std::string> EncodeClipboardFiles(const ClipboardFiles& files);

// `read` gives the content of a MIME type, nullopt when the clipboard lacks
// it. The files come from "text/uri-list", else from the GNOME list (also as
// the newer plain-text form); the effect from the GNOME list's first line,
// else from the KDE cut mark, else a copy. nullopt without any local file.
std::optional<ClipboardFiles>
DecodeClipboardFiles(const std::function<std::optional<std::string>(const std::string&)>& read);

} // namespace tavrel
