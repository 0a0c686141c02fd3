#pragma once
// The manager's user settings in "UserInfo.xml" in the program folder (the
// current directory): the file list's view mode and the folder tree's
// selection. The file is read again for every operation, so the file on disk
// is always the reference; the program never creates it. Each operation
// returns 1 on success and 0 when the file cannot be loaded (writes also when
// the element is missing), leaving outputs unchanged. The application owns
// the one object and hands it to whoever reads or writes the settings.

#include <string>

namespace tavrel
{

class CUserSettings
{
public:
    explicit CUserSettings(std::string path = "UserInfo.xml") : m_path(std::move(path)) {}

    int GetDefaultViewMode(int& mode) const;
    int SetDefaultViewMode(int mode) const;
    int GetSelectedItem(std::string& item) const;
    int GetSelection(std::string& selection) const;
    int SetSelectedItem(const std::string& item) const;

    const std::string& Path() const { return m_path; }

private:
    int Read(const char16_t* element, const char16_t* attribute, std::u16string& value) const;
    int Write(const char16_t* element, const char16_t* attribute,
              const std::u16string& value) const;

    std::string m_path;
};

} // namespace tavrel
