#pragma once
// A translation library named in the UI-language file is a Qt translation
// file; once loaded it stays installed on the application until exit.

#include <string>

namespace tavrel
{

// Looks for `library` relative to the current directory (the program
// folder), then beside the executable; the ".qm" suffix may be left out.
// False, with the built-in texts kept, when it cannot be loaded.
bool LoadUiTranslation(const std::string& library);

} // namespace tavrel
