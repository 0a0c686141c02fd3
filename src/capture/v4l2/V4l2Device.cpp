#include "capture/v4l2/V4l2Device.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tavrel
{

namespace
{

constexpr unsigned kBufferCount = 4;

int Xioctl(int fd, unsigned long request, void* arg)
{
    int r;
    do
    {
        r = ::ioctl(fd, request, arg);
    } while (r < 0 && errno == EINTR);
    return r;
}

std::uint32_t FourCc(PixelFormat f)
{
    return f == PixelFormat::Mjpeg ? V4L2_PIX_FMT_MJPEG : V4L2_PIX_FMT_YUYV;
}

} // namespace

V4l2Device::~V4l2Device()
{
    Close();
}

bool V4l2Device::Open(const std::string& node)
{
    Close();
    m_fd = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    v4l2_capability cap{};
    const std::uint32_t caps =
        Xioctl(m_fd, VIDIOC_QUERYCAP, &cap) == 0
            ? ((cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities)
            : 0;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
    {
        Close();
        return false;
    }
    m_wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    ReadModes();
    return !m_modes.empty();
}

void V4l2Device::Close()
{
    StopStreaming();
    if (m_fd >= 0)
        ::close(m_fd);
    if (m_wakeFd >= 0)
        ::close(m_wakeFd);
    m_fd = m_wakeFd = -1;
    m_modes.clear();
}

void V4l2Device::ReadModes()
{
    m_modes.clear();
    for (std::uint32_t fi = 0;; ++fi)
    {
        v4l2_fmtdesc desc{};
        desc.index = fi;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (Xioctl(m_fd, VIDIOC_ENUM_FMT, &desc) != 0)
            break;
        PixelFormat pf;
        if (desc.pixelformat == V4L2_PIX_FMT_YUYV)
            pf = PixelFormat::Yuyv;
        else if (desc.pixelformat == V4L2_PIX_FMT_MJPEG)
            pf = PixelFormat::Mjpeg;
        else
            continue;
        for (std::uint32_t si = 0;; ++si)
        {
            v4l2_frmsizeenum size{};
            size.index = si;
            size.pixel_format = desc.pixelformat;
            if (Xioctl(m_fd, VIDIOC_ENUM_FRAMESIZES, &size) != 0 ||
                size.type != V4L2_FRMSIZE_TYPE_DISCRETE)
                break;
            VideoMode mode{pf, int(size.discrete.width), int(size.discrete.height), {}};
            for (std::uint32_t ii = 0;; ++ii)
            {
                v4l2_frmivalenum ival{};
                ival.index = ii;
                ival.pixel_format = desc.pixelformat;
                ival.width = size.discrete.width;
                ival.height = size.discrete.height;
                if (Xioctl(m_fd, VIDIOC_ENUM_FRAMEINTERVALS, &ival) != 0 ||
                    ival.type != V4L2_FRMIVAL_TYPE_DISCRETE)
                    break;
                if (ival.discrete.numerator > 0)
                    mode.frameRates.push_back(
                        int((ival.discrete.denominator + ival.discrete.numerator / 2) /
                            ival.discrete.numerator));
            }
            if (mode.frameRates.empty())
                mode.frameRates.push_back(30); // the driver gives no intervals
            m_modes.push_back(mode);
        }
    }
}

bool V4l2Device::StartStreaming(const ModeChoice& mode)
{
    StopStreaming();
    if (m_fd < 0)
        return false;
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = std::uint32_t(mode.format.width);
    fmt.fmt.pix.height = std::uint32_t(mode.format.height);
    fmt.fmt.pix.pixelformat = FourCc(mode.pixelFormat);
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (Xioctl(m_fd, VIDIOC_S_FMT, &fmt) != 0 ||
        fmt.fmt.pix.pixelformat != FourCc(mode.pixelFormat))
        return false;
    m_current = mode;
    m_current.format.width = int(fmt.fmt.pix.width);
    m_current.format.height = int(fmt.fmt.pix.height);
    v4l2_streamparm parm{};
    parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    parm.parm.capture.timeperframe = {
        1, std::uint32_t(mode.format.frameRate > 0 ? mode.format.frameRate : 30)};
    Xioctl(m_fd, VIDIOC_S_PARM, &parm); // best effort: the rate is a wish
    v4l2_requestbuffers req{};
    req.count = kBufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (Xioctl(m_fd, VIDIOC_REQBUFS, &req) != 0 || req.count < 2)
        return false;
    for (std::uint32_t i = 0; i < req.count; ++i)
    {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (Xioctl(m_fd, VIDIOC_QUERYBUF, &buf) != 0)
        {
            ReleaseBuffers();
            return false;
        }
        void* start =
            ::mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, m_fd, buf.m.offset);
        if (start == MAP_FAILED)
        {
            ReleaseBuffers();
            return false;
        }
        m_buffers.push_back({start, buf.length});
        if (Xioctl(m_fd, VIDIOC_QBUF, &buf) != 0)
        {
            ReleaseBuffers();
            return false;
        }
    }
    int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (Xioctl(m_fd, VIDIOC_STREAMON, &type) != 0)
    {
        ReleaseBuffers();
        return false;
    }
    m_streaming = true;
    return true;
}

void V4l2Device::StopStreaming()
{
    if (m_streaming && m_fd >= 0)
    {
        int type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        Xioctl(m_fd, VIDIOC_STREAMOFF, &type);
    }
    m_streaming = false;
    m_takenIndex = -1;
    m_frameData = nullptr;
    m_frameBytes = 0;
    ReleaseBuffers();
}

void V4l2Device::ReleaseBuffers()
{
    for (const Buffer& b : m_buffers)
        ::munmap(b.start, b.length);
    m_buffers.clear();
    if (m_fd >= 0)
    {
        v4l2_requestbuffers req{};
        req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        req.memory = V4L2_MEMORY_MMAP;
        Xioctl(m_fd, VIDIOC_REQBUFS, &req);
    }
}

V4l2Device::Wait V4l2Device::WaitFrame(int timeoutMs)
{
    if (!m_streaming)
        return Wait::Gone;
    pollfd fds[2] = {{m_fd, POLLIN, 0}, {m_wakeFd, POLLIN, 0}};
    const int r = ::poll(fds, 2, timeoutMs);
    if (r < 0)
        return errno == EINTR ? Wait::Timeout : Wait::Gone;
    if (fds[1].revents & POLLIN)
    {
        std::uint64_t n;
        [[maybe_unused]] const ssize_t got = ::read(m_wakeFd, &n, sizeof n);
        return Wait::Woken;
    }
    if (r == 0)
        return Wait::Timeout;
    if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
        return Wait::Gone;
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    if (Xioctl(m_fd, VIDIOC_DQBUF, &buf) != 0)
        return errno == EAGAIN ? Wait::Timeout : Wait::Gone;
    if (buf.index >= m_buffers.size())
        return Wait::Gone;
    m_takenIndex = int(buf.index);
    m_frameData = static_cast<const std::uint8_t*>(m_buffers[buf.index].start);
    m_frameBytes = std::min<std::size_t>(buf.bytesused, m_buffers[buf.index].length);
    if (buf.flags & V4L2_BUF_FLAG_ERROR)
        m_frameBytes = 0; // a damaged frame: skipped by the caller
    return Wait::Frame;
}

void V4l2Device::Requeue()
{
    if (m_takenIndex < 0 || m_fd < 0)
        return;
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    buf.index = std::uint32_t(m_takenIndex);
    Xioctl(m_fd, VIDIOC_QBUF, &buf);
    m_takenIndex = -1;
    m_frameData = nullptr;
    m_frameBytes = 0;
}

void V4l2Device::Wake()
{
    if (m_wakeFd >= 0)
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t put = ::write(m_wakeFd, &one, sizeof one);
    }
}

} // namespace tavrel
