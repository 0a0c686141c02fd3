#include "manager/IncomingJobQueue.h"

namespace tavrel
{

void IncomingJobQueue::Push(const std::string& picturePath, const std::string& profilePath,
                            const std::string& folder)
{
    m_picturePaths.push_back(picturePath);
    m_profilePaths.push_back(profilePath);
    m_folders.push_back(folder);
    ++m_count;
}

bool IncomingJobQueue::IsEmpty() const
{
    return m_picturePaths.empty() || m_profilePaths.empty() || m_folders.empty();
}

void IncomingJobQueue::PopFront()
{
    if (IsEmpty())
        return;
    m_picturePaths.pop_front();
    m_profilePaths.pop_front();
    m_folders.pop_front();
    --m_count;
}

std::string IncomingJobQueue::FrontPicturePath() const
{
    return IsEmpty() ? std::string() : m_picturePaths.front();
}

std::string IncomingJobQueue::FrontProfilePath() const
{
    return IsEmpty() ? std::string() : m_profilePaths.front();
}

std::string IncomingJobQueue::FrontFolder() const
{
    return IsEmpty() ? std::string() : m_folders.front();
}

} // namespace tavrel
