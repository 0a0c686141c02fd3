#pragma once
// The manager's queue of incoming pictures: three parallel lists in arrival
// order (picture path, profile path, destination folder) and a count.

#include <deque>
#include <string>

namespace tavrel
{

class IncomingJobQueue
{
public:
    void Push(const std::string& picturePath, const std::string& profilePath,
              const std::string& folder);
    // True when any of the lists is empty.
    bool IsEmpty() const;
    void PopFront();
    int Count() const { return m_count; }

    // The front entries; "" when the queue is empty.
    std::string FrontPicturePath() const;
    std::string FrontProfilePath() const;
    std::string FrontFolder() const;

private:
    std::deque<std::string> m_picturePaths;
    std::deque<std::string> m_profilePaths;
    std::deque<std::string> m_folders;
    int m_count = 0;
};

} // namespace tavrel
