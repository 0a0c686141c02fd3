#pragma once
// The UI-language file "UIlanguage.xml" in the current directory names, per
// program entry ("Tavrel" for the manager, "Solvane" for the capture program),
// the translation library to use.

#include <string>

namespace tavrel
{

constexpr const char* kUiLanguageFile = "UIlanguage.xml";

// The library named for `entry` by the selected language, as UTF-8; "" when
// the file, an element or the entry is missing (the built-in texts stay).
std::string FindUiLanguageLibrary(const std::string& entry,
                                  const std::string& file = kUiLanguageFile);

} // namespace tavrel
