// tavrel_handover_host DEST [--events FILE] [--list-folder DIR]
//                           [--computer-selected DOCS]
// Registers a "Pelidor" window served by a MessageLoop and hosts the
// manager's engine, as the program does; pictures are stored into what the file list shows (DEST,
// or DIR). Each thing the panes are told is appended to the events file as
// one line: "stored PATH", "pane2 TEXT", "progress-placed",
// "progress-hidden", "documents-selected". WM_CLOSE ends the host (after a
// storage run when one is in progress).

#include "manager/ManagerEngine.h"
#include "platform/MessageLoop.h"
#include "shared/PictureDescriptor.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace tavrel::test
{

namespace
{

class EventLog
{
public:
    explicit EventLog(const std::string& path)
        : m_file(path.empty() ? nullptr : std::fopen(path.c_str(), "a"))
    {
    }
    ~EventLog()
    {
        if (m_file != nullptr)
            std::fclose(m_file);
    }
    void Write(const std::string& line)
    {
        std::lock_guard lock(m_mutex);
        if (m_file == nullptr)
            return;
        std::fprintf(m_file, "%s\n", line.c_str());
        std::fflush(m_file);
    }

private:
    std::mutex m_mutex;
    std::FILE* m_file;
};

class RecordingList : public tavrel::IFileListPane
{
public:
    RecordingList(EventLog& log, std::string folder) : m_log(log), m_folder(std::move(folder)) {}
    std::string CurrentFolder() const override
    {
        std::lock_guard lock(m_mutex);
        return m_folder;
    }
    void SetFolder(const std::string& folder)
    {
        std::lock_guard lock(m_mutex);
        m_folder = folder;
    }
    void OnPictureStored(unsigned long long, const std::string& path) override
    {
        m_log.Write("stored " + path);
    }

private:
    EventLog& m_log;
    mutable std::mutex m_mutex;
    std::string m_folder;
};

class RecordingTree : public tavrel::IFolderTreePane
{
public:
    RecordingTree(EventLog& log, RecordingList& list, std::string documents)
        : m_log(log), m_list(list), m_documents(std::move(documents))
    {
    }
    bool IsComputerSelected() const override { return m_computerSelected; }
    void SelectDocuments() override
    {
        m_computerSelected = false;
        m_list.SetFolder(m_documents);
        m_log.Write("documents-selected");
    }

private:
    EventLog& m_log;
    RecordingList& m_list;
    std::string m_documents;
    bool m_computerSelected = true;
};

class RecordingStatusBar : public tavrel::IStatusBar
{
public:
    explicit RecordingStatusBar(EventLog& log) : m_log(log) {}
    void SetPaneText(int pane, const std::string& text) override
    {
        m_log.Write("pane" + std::to_string(pane) + " " + text);
    }
    tavrel::RECT GetPaneRect(int) const override { return tavrel::RECT{100, 2, 200, 20}; }
    void PlaceProgressBar(const tavrel::RECT&) override { m_log.Write("progress-placed"); }
    void SetProgressPos(int) override {}
    void MoveProgressBar(const tavrel::RECT& r) override
    {
        if (r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0)
            m_log.Write("progress-hidden");
    }

private:
    EventLog& m_log;
};

class HostFrame : public tavrel::IManagerFrame
{
public:
    explicit HostFrame(EventLog& log) : m_log(log) {}
    void HideFrame() override { m_log.Write("frame-hidden"); }

private:
    EventLog& m_log;
};

} // namespace

} // namespace tavrel::test

int main(int argc, char** argv)
{
    using namespace tavrel::test;
    if (argc < 2)
    {
        std::fprintf(stderr, "usage: tavrel_handover_host DEST [--events FILE] "
                             "[--list-folder DIR] [--computer-selected DOCS]\n");
        return 2;
    }
    std::string listFolder = argv[1];
    std::string eventsPath;
    std::string documents;
    for (int i = 2; i + 1 < argc; i += 2)
    {
        const std::string option = argv[i];
        if (option == "--events")
            eventsPath = argv[i + 1];
        else if (option == "--list-folder")
            listFolder = argv[i + 1];
        else if (option == "--computer-selected")
            documents = argv[i + 1];
    }

    EventLog log(eventsPath);
    RecordingList list(log, listFolder);
    RecordingTree tree(log, list, documents);
    RecordingStatusBar statusBar(log);
    tavrel::MessageLoop loop;
    HostFrame frame(log);
    tavrel::CUserSettings settings;
    tavrel::CManagerEngine engine(loop, settings, frame);
    engine.SetPanes(&list, documents.empty() ? nullptr : &tree, &statusBar);

    auto window = tavrel::WindowEndpoint::Create(
        tavrel::kManagerWindowClass, "TAVREL",
        [&](const tavrel::Message& message, std::vector<std::uint8_t>&) -> tavrel::LRESULT
        {
            if (message.message != tavrel::WM_CLOSE)
                return engine.HandleMessage(message);
            if (engine.Close())
                loop.Quit(0);
            return 0;
        },
        loop.Dispatcher());
    if (!window)
    {
        std::fprintf(stderr, "tavrel_handover_host: cannot register the window\n");
        return 1;
    }
    engine.Create(window->Handle());
    std::printf("ready\n");
    std::fflush(stdout);
    const int code = loop.Run();
    window.reset();
    return code;
}
