#include "manager/FixedFolderPanes.h"

namespace tavrel
{

std::string CFixedFolderList::CurrentFolder() const
{
    std::lock_guard lock(m_mutex);
    return m_folder;
}

void CFixedFolderList::SetFolder(const std::string& folder)
{
    std::lock_guard lock(m_mutex);
    m_folder = folder;
}

void CFixedFolderList::OnPictureStored(unsigned long long, const std::string& path)
{
    std::function<void(const std::string&)> stored;
    {
        std::lock_guard lock(m_mutex);
        stored = m_stored;
    }
    if (stored)
        stored(path);
}

void CFixedFolderList::SetStoredCallback(std::function<void(const std::string&)> callback)
{
    std::lock_guard lock(m_mutex);
    m_stored = std::move(callback);
}

} // namespace tavrel
