// The V4L2 scanner's parts that need no camera: naming from a sysfs-like
// tree, the button latch from input events, the extension-unit settings.

#include "shared/camera/ButtonLatch.h"
#include "shared/camera/CameraControl.h"
#include "shared/camera/V4l2Devices.h"
#include "shared/camera/XuControl.h"

#include "support/Sandbox.h"
#include "support/Wait.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <linux/input.h>
#include <linux/videodev2.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavrel::test
{

namespace fs = std::filesystem;

namespace
{

void WriteText(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << text;
}

// Two USB cameras (the scanner with a metadata node, and another on a hub
// port), plus a virtual device with no USB parent.
class FakeSysfs
{
public:
    explicit FakeSysfs(const std::string& root) : m_root(root)
    {
        fs::path usb = Sys() / "devices/pci0000:00/0000:00:14.0/usb1/1-2";
        WriteText(usb / "idVendor", "0ac8\n");
        WriteText(usb / "idProduct", "3370\n");
        m_scannerInterface = usb / "1-2:1.0";
        WriteText(m_scannerInterface / "bInterfaceNumber", "00\n");
        AddNode("video0", m_scannerInterface, "USB2.0 Scanner: Film\n", "0\n");
        AddNode("video1", m_scannerInterface, "USB2.0 Scanner: Film\n", "1\n");
        fs::create_directories(m_scannerInterface / "input/input7/event5");

        fs::path hub = Sys() / "devices/pci0000:00/0000:00:14.0/usb3/3-1/3-1.4";
        WriteText(hub / "idVendor", "046D\n");
        WriteText(hub / "idProduct", "085B\n");
        WriteText(hub / "3-1.4:1.2/bInterfaceNumber", "02\n");
        AddNode("video3", hub / "3-1.4:1.2", "Webcam C925e\n", "0\n");

        fs::path vivid = Sys() / "devices/platform/vivid.0";
        fs::create_directories(vivid);
        AddNode("video2", vivid, "vivid\n", "0\n");
    }

    fs::path Sys() const { return m_root / "sys"; }
    fs::path Dev() const { return m_root / "dev"; }
    fs::path ScannerInterface() const { return m_scannerInterface; }

    V4l2Roots Roots(bool withCaps) const
    {
        V4l2Roots roots{Sys().string(), Dev().string(), {}};
        roots.queryCaps = [withCaps](const std::string& node) -> std::optional<std::uint32_t>
        {
            if (!withCaps)
            {
                return std::nullopt;
            }
            // video3 turns out to be a metadata node although its index is 0.
            bool meta = node.ends_with("video1") || node.ends_with("video3");
            return meta ? V4L2_CAP_META_CAPTURE : V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
        };
        return roots;
    }

private:
    void AddNode(const std::string& name, const fs::path& parent, const std::string& label,
                 const std::string& index)
    {
        fs::path node = parent / "video4linux" / name;
        WriteText(node / "name", label);
        WriteText(node / "index", index);
        fs::create_directory_symlink(parent, node / "device");
        fs::create_directories(Sys() / "class/video4linux");
        fs::create_directory_symlink(node, Sys() / "class/video4linux" / name);
    }

    fs::path m_root;
    fs::path m_scannerInterface;
};

void SendEvent(int fd, std::uint16_t type, std::uint16_t code, std::int32_t value, bool split)
{
    input_event event{};
    event.type = type;
    event.code = code;
    event.value = value;
    const char* bytes = reinterpret_cast<const char*>(&event);
    std::size_t first = split ? 5 : sizeof event;
    ASSERT_EQ(::write(fd, bytes, first), static_cast<ssize_t>(first));
    if (split)
    {
        ASSERT_EQ(::write(fd, bytes + first, sizeof event - first),
                  static_cast<ssize_t>(sizeof event - first));
    }
}

} // namespace

TEST(V4l2DevicesTest, NamesUsbCaptureNodesWithWindowsStylePaths)
{
    test::Sandbox sandbox;
    FakeSysfs tree(sandbox.Root());
    auto devices = EnumerateV4l2Devices(tree.Roots(false));
    ASSERT_EQ(devices.size(), 2u); // video1 is metadata, video2 is not USB
    EXPECT_EQ(devices[0].devicePath,
              "\\\\?\\usb#vid_0ac8&pid_3370&mi_00#1-2#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
              "\\global");
    EXPECT_EQ(devices[0].friendlyName, "USB2.0 Scanner: Film");
    EXPECT_EQ(devices[0].node, (tree.Dev() / "video0").string());
    EXPECT_EQ(devices[1].devicePath,
              "\\\\?\\usb#vid_046d&pid_085b&mi_02#3-1.4#{65e8773d-8f56-11d0-a3b9-00a0c9223196}"
              "\\global");
    EXPECT_EQ(devices[1].interfaceNumber, 2);
    EXPECT_NE(devices[0].devicePath.find("vid_0ac8&pid_337"), std::string::npos);
}

TEST(V4l2DevicesTest, CapabilitiesDecideOverTheIndexWhenTheNodeAnswers)
{
    test::Sandbox sandbox;
    FakeSysfs tree(sandbox.Root());
    auto devices = EnumerateV4l2Devices(tree.Roots(true));
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].productId, 0x3370);

    EXPECT_TRUE(EnumerateV4l2Devices({sandbox.Root() + "/nothing", "/dev", {}}).empty());
}

TEST(V4l2DevicesTest, FindsTheButtonEventNodeUnderTheSameInterface)
{
    test::Sandbox sandbox;
    FakeSysfs tree(sandbox.Root());
    auto devices = EnumerateV4l2Devices(tree.Roots(false));
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(FindButtonEventNodes(devices[0], tree.Roots(false)),
              std::vector<std::string>{(tree.Dev() / "input/event5").string()});
    EXPECT_TRUE(FindButtonEventNodes(devices[1], tree.Roots(false)).empty());
}

TEST(ButtonLatchTest, CameraKeyDownLatchesBitZeroFromAPipe)
{
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    ButtonLatch latch;
    latch.Write(0x0100);
    {
        ButtonEventReader reader(fds[0], latch);
        SendEvent(fds[1], EV_KEY, KEY_ENTER, 1, false);  // other keys do nothing
        SendEvent(fds[1], EV_KEY, KEY_CAMERA, 0, false); // release
        SendEvent(fds[1], EV_KEY, KEY_CAMERA, 2, false); // auto-repeat
        SendEvent(fds[1], EV_SYN, SYN_REPORT, 0, false);
        SendEvent(fds[1], EV_KEY, KEY_CAMERA, 1, true); // a record split across writes
        ASSERT_TRUE(latch.WaitForPresses(1, 20000));
        EXPECT_EQ(latch.Presses(), 1u);
        EXPECT_EQ(latch.Value(), 0x0101u);

        latch.Write(latch.Value() & ~1u);
        EXPECT_EQ(latch.Value(), 0x0100u);
        SendEvent(fds[1], EV_KEY, KEY_CAMERA, 1, false);
        ASSERT_TRUE(latch.WaitForPresses(2, 20000));
        EXPECT_EQ(latch.Value() & 1u, 1u);

        ::close(fds[1]); // the device went away
        EXPECT_TRUE(test::WaitFor([&] { return !reader.Running(); }));
    }
}

TEST(XuControlTest, ReadsTheUnitFromTheIniAndRefusesIncompleteSettings)
{
    test::Sandbox sandbox;
    std::string ini = sandbox.Root() + "/XuControl.ini";
    EXPECT_FALSE(LoadXuControl(ini, 0x0ac8, 0x3370)); // no file
    WriteText(ini, "[XuControl]\nUnitId=4\nSelector=2\nSize=8\nVendor=0AC8\nProduct=3370\n");
    auto xu = LoadXuControl(ini, 0x0ac8, 0x3370);
    ASSERT_TRUE(xu);
    EXPECT_EQ(xu->unitId, 4);
    EXPECT_EQ(xu->selector, 2);
    EXPECT_EQ(xu->Payload(0x3a01, 0x55),
              (std::vector<std::uint8_t>{0x01, 0x3a, 0x55, 0, 0, 0, 0, 0}));
    EXPECT_FALSE(LoadXuControl(ini, 0x0ac8, 0x3371));

    WriteText(ini, "[XuControl]\nUnitId=4\n");
    EXPECT_FALSE(LoadXuControl(ini, 0x0ac8, 0x3370));
    WriteText(ini, "[XuControl]\nUnitId=300\nSelector=1\n");
    EXPECT_FALSE(LoadXuControl(ini, 0x0ac8, 0x3370));
    WriteText(ini, "[XuControl]\nUnitId=3\nSelector=1\nSize=2\n");
    EXPECT_FALSE(LoadXuControl(ini, 0x0ac8, 0x3370));
}

// The whole component over the fake tree: the nodes are plain files and the
// button node a FIFO, so everything but the ioctls runs for real.
TEST(V4l2ScannerTest, ComponentOpensTheNodeAndLatchesTheButton)
{
    test::Sandbox sandbox;
    FakeSysfs tree(sandbox.Root());
    fs::create_directories(tree.Dev() / "input");
    WriteText(tree.Dev() / "video0", "");
    std::string event = (tree.Dev() / "input/event5").string();
    ASSERT_EQ(::mkfifo(event.c_str(), 0600), 0);
    SetV4l2Roots(tree.Roots(false));
    SetScannerBackend(ScannerBackend::V4l2);

    IXCEnumerator* enumerator = nullptr;
    IXCcontrol* control = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XCEnumerator, IID_IXCEnumerator,
                               reinterpret_cast<void**>(&enumerator)),
              S_OK);
    ASSERT_EQ(CoCreateInstance(CLSID_XCcontrol, IID_IXCcontrol, reinterpret_cast<void**>(&control)),
              S_OK);
    DeviceEntry table[kDeviceEntryCapacity];
    std::uint32_t count = kDeviceEntryCapacity;
    ASSERT_EQ(enumerator->Enumerate(table, &count, kDeviceEntryCapacity), S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(std::u16string(table[0].second), u"USB2.0 Scanner: Film");
    IUnknown* device = nullptr;
    std::uint64_t handle = 0;
    EXPECT_TRUE(FAILED(enumerator->Open(table[1].path, 0, &device, &handle))); // no node file
    ASSERT_EQ(enumerator->Open(table[0].path, 0, &device, &handle), S_OK);
    control->AttachHandle(handle);
    control->AttachDevice(device);
    device->Release();

    std::uint32_t value = 1;
    ASSERT_EQ(control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 0u);
    std::uint8_t address[2] = {0x00, 0x3a}, data[1] = {1};
    EXPECT_EQ(control->Reg_WriteSensor_Pro(2, address, 1, data), E_REGISTER_ACCESS_UNAVAILABLE);

    int writer = -1;
    ASSERT_TRUE(test::WaitFor(
        [&]
        {
            writer = ::open(event.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            return writer >= 0;
        }));
    SendEvent(writer, EV_KEY, KEY_CAMERA, 1, false);
    EXPECT_TRUE(test::WaitFor(
        [&] { return control->GetProperty(kButtonProperty, &value) == S_OK && value == 1; }));
    ASSERT_EQ(control->SetProperty(kButtonProperty, value & ~1u), S_OK);
    ASSERT_EQ(control->GetProperty(kButtonProperty, &value), S_OK);
    EXPECT_EQ(value, 0u);
    ::close(writer);

    fs::remove(tree.Sys() / "class/video4linux/video0"); // unplugged
    EXPECT_EQ(control->GetProperty(kButtonProperty, &value), E_DEVICE_NOT_CONNECTED);
    control->Release();
    enumerator->Release();
    SetV4l2Roots({});
}

} // namespace tavrel::test
