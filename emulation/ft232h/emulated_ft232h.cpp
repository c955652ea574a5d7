#include "emulated_ft232h.h"

#include <umockdev.h>

#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <stdexcept>

namespace ftdiemu {

namespace {

constexpr std::uint32_t kCapabilities =
    USBDEVFS_CAP_ZERO_PACKET | USBDEVFS_CAP_BULK_CONTINUATION |
    USBDEVFS_CAP_NO_PACKET_SIZE_LIM | USBDEVFS_CAP_BULK_SCATTER_GATHER;
constexpr unsigned char kBulkOutEndpoint = 0x02;
constexpr unsigned char kBulkInEndpoint = 0x81;
constexpr std::size_t kSetupSize = 8;

std::string format(const char *pattern, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

// A block of the client's memory copied into this process; the copy goes
// back to the client when the ioctl completes.
class ClientMemory {
public:
    ClientMemory(UMockdevIoctlData *parent, std::size_t offset, std::size_t size)
        : m_data(umockdev_ioctl_data_resolve(parent, offset, size, nullptr)) {}
    ~ClientMemory() { if (m_data) g_object_unref(m_data); }
    ClientMemory(const ClientMemory &) = delete;
    ClientMemory &operator=(const ClientMemory &) = delete;

    explicit operator bool() const { return m_data != nullptr; }
    UMockdevIoctlData *get() const { return m_data; }
    UMockdevIoctlData *release() { UMockdevIoctlData *d = m_data; m_data = nullptr; return d; }
    template <typename T> T *as() const { return reinterpret_cast<T *>(m_data->data); }

private:
    UMockdevIoctlData *m_data;
};

struct Urb {
    UMockdevIoctlData *urb = nullptr;
    UMockdevIoctlData *buffer = nullptr;

    usbdevfs_urb *fields() const { return reinterpret_cast<usbdevfs_urb *>(urb->data); }
    unsigned char *bytes() const { return buffer ? buffer->data : nullptr; }
    int length() const { return buffer ? buffer->data_len : 0; }
    void finish(int status, int actual) const { fields()->status = status; fields()->actual_length = actual; }
    void release()
    {
        if (buffer) g_object_unref(buffer);
        if (urb) g_object_unref(urb);
        urb = buffer = nullptr;
    }
};

SetupPacket readSetup(const unsigned char *b)
{
    SetupPacket s;
    s.requestType = b[0];
    s.request = b[1];
    s.value = static_cast<std::uint16_t>(b[2] | b[3] << 8);
    s.index = static_cast<std::uint16_t>(b[4] | b[5] << 8);
    s.length = static_cast<std::uint16_t>(b[6] | b[7] << 8);
    return s;
}

} // namespace

struct EmulatedFt232h::Impl {
    explicit Impl(Identity identity) : chip(std::move(identity)) {}

    UMockdevTestbed *testbed = nullptr;
    UMockdevIoctlBase *handler = nullptr;
    std::string syspath;
    std::string devnode;

    mutable std::mutex lock;
    Ft232hChip chip;
    std::deque<Urb> done;      // completed, waiting to be reaped
    std::deque<Urb> held;      // bulk OUT held by a stalled panel
    UMockdevIoctlClient *claimedBy = nullptr;  // interface 0, one client at a time
    bool plugged = false;
    bool gone = false;
    bool denied = false;
    bool stalled = false;

    std::string sysfsRecord() const;
    void plug();
    void removeFromSysfs();
    void dropUrbs(std::deque<Urb> &queue);

    void handle(UMockdevIoctlClient *client);
    int dispatch(UMockdevIoctlClient *client, unsigned long request, UMockdevIoctlData *arg);
    int claim(UMockdevIoctlClient *client, bool take);
    int submit(UMockdevIoctlData *arg);
    int reap(UMockdevIoctlData *arg);
    int discard(UMockdevIoctlData *arg);
    int kernelDriverIoctl(UMockdevIoctlData *arg);
    int getDriver(UMockdevIoctlData *arg);
    void runControl(const Urb &urb);
    void runBulk(const Urb &urb);
};

namespace {

gboolean onIoctl(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer impl)
{
    static_cast<EmulatedFt232h::Impl *>(impl)->handle(client);
    return TRUE;
}

void onVanished(UMockdevIoctlBase *, UMockdevIoctlClient *client, gpointer impl)
{
    auto *d = static_cast<EmulatedFt232h::Impl *>(impl);
    std::lock_guard<std::mutex> guard(d->lock);
    if (d->claimedBy == client) {
        d->claimedBy = nullptr;
        d->chip.record().interfaceClaimed = false;
    }
    d->dropUrbs(d->done);
    d->dropUrbs(d->held);
}

} // namespace

std::string EmulatedFt232h::Impl::sysfsRecord() const
{
    // umockdev's device record: P path, N device node, E udev property,
    // A sysfs attribute, H binary attribute in hex.
    const Identity &id = chip.identity();
    std::string hex;
    for (std::uint8_t byte : chip.sysfsDescriptors())
        hex += format("%02x", byte);
    const std::string pid = format("%04x", id.productId);
    return "P: /devices/" + std::to_string(id.bus) + "-" + std::to_string(id.address) + "\n"
           "N: " + devnode.substr(5) + "\n"
           "E: DEVNAME=" + devnode + "\n"
           "E: DEVTYPE=usb_device\n"
           "E: SUBSYSTEM=usb\n"
           "E: BUSNUM=" + format("%03d", id.bus) + "\n"
           "E: DEVNUM=" + format("%03d", id.address) + "\n"
           "E: ID_VENDOR_ID=0403\n"
           "E: ID_MODEL_ID=" + pid + "\n"
           "E: ID_SERIAL_SHORT=" + id.serial + "\n"
           "A: idVendor=0403\n"
           "A: idProduct=" + pid + "\n"
           "A: bcdDevice=" + format("%04x", id.bcdDevice) + "\n"
           "A: manufacturer=" + id.manufacturer + "\n"
           "A: product=" + id.product + "\n"
           "A: serial=" + id.serial + "\n"
           "A: busnum=" + std::to_string(id.bus) + "\n"
           "A: devnum=" + std::to_string(id.address) + "\n"
           "A: speed=480\n"
           "A: bConfigurationValue=1\n"
           "A: bNumConfigurations=1\n"
           "A: bNumInterfaces= 1\n"
           "A: bMaxPacketSize0=64\n"
           "H: descriptors=" + hex + "\n";
}

void EmulatedFt232h::Impl::plug()
{
    const Identity &id = chip.identity();
    devnode = format("/dev/bus/usb/%03d/", id.bus) + format("%03d", id.address);
    syspath = "/sys/devices/" + std::to_string(id.bus) + "-" + std::to_string(id.address);
    GError *error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, sysfsRecord().c_str(), &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("umockdev refused the emulated FT232H: " + message);
    }

    handler = umockdev_ioctl_base_new();
    g_signal_connect(handler, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler, "client-vanished", G_CALLBACK(onVanished), this);
    if (!umockdev_testbed_attach_ioctl(testbed, devnode.c_str(), handler, &error)) {
        const std::string message = error ? error->message : "unknown error";
        g_clear_error(&error);
        throw std::runtime_error("cannot attach the usbdevfs handler: " + message);
    }
    plugged = true;
}

void EmulatedFt232h::Impl::removeFromSysfs()
{
    if (!plugged)
        return;
    plugged = false;
    umockdev_testbed_uevent(testbed, syspath.c_str(), "remove");
    umockdev_testbed_remove_device(testbed, syspath.c_str());
}

void EmulatedFt232h::Impl::dropUrbs(std::deque<Urb> &queue)
{
    for (Urb &urb : queue)
        urb.release();
    queue.clear();
}

void EmulatedFt232h::Impl::handle(UMockdevIoctlClient *client)
{
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData *arg = umockdev_ioctl_client_get_arg(client);
    int error = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        error = denied ? EACCES : dispatch(client, request, arg);
    }
    umockdev_ioctl_client_complete(client, error ? -1 : 0, error);
}

int EmulatedFt232h::Impl::dispatch(UMockdevIoctlClient *client, unsigned long request,
                                   UMockdevIoctlData *arg)
{
    switch (request) {
    case USBDEVFS_SUBMITURB: return submit(arg);
    case USBDEVFS_REAPURB:
    case USBDEVFS_REAPURBNDELAY: return reap(arg);
    case USBDEVFS_DISCARDURB: return discard(arg);
    default: break;
    }
    if (gone)
        return ENODEV;
    switch (request) {
    case USBDEVFS_GET_CAPABILITIES: {
        ClientMemory caps(arg, 0, sizeof(std::uint32_t));
        if (!caps) return EFAULT;
        *caps.as<std::uint32_t>() = kCapabilities;
        return 0;
    }
    case USBDEVFS_CLAIMINTERFACE: return claim(client, true);
    case USBDEVFS_RELEASEINTERFACE: return claim(client, false);
    case USBDEVFS_GETDRIVER: return getDriver(arg);
    case USBDEVFS_IOCTL: return kernelDriverIoctl(arg);
    case USBDEVFS_SETCONFIGURATION:
    case USBDEVFS_SETINTERFACE:
    case USBDEVFS_CLEAR_HALT:
    case USBDEVFS_RESET:
        return 0;
    default:
        return ENOTTY;
    }
}

int EmulatedFt232h::Impl::claim(UMockdevIoctlClient *client, bool take)
{
    // As the kernel does: an interface claimed through one open device node
    // is busy for every other.
    if (claimedBy && claimedBy != client)
        return take ? EBUSY : EINVAL;
    claimedBy = take ? client : nullptr;
    chip.record().interfaceClaimed = take;
    return 0;
}

int EmulatedFt232h::Impl::getDriver(UMockdevIoctlData *arg)
{
    if (!chip.record().kernelDriverBound)
        return ENODATA;
    ClientMemory memory(arg, 0, sizeof(usbdevfs_getdriver));
    if (!memory) return EFAULT;
    std::strcpy(memory.as<usbdevfs_getdriver>()->driver, "ftdi_sio");
    return 0;
}

int EmulatedFt232h::Impl::kernelDriverIoctl(UMockdevIoctlData *arg)
{
    ClientMemory memory(arg, 0, sizeof(usbdevfs_ioctl));
    if (!memory) return EFAULT;
    const unsigned long code = static_cast<unsigned int>(memory.as<usbdevfs_ioctl>()->ioctl_code);
    bool &bound = chip.record().kernelDriverBound;
    if (code == USBDEVFS_DISCONNECT) {
        if (!bound) return ENODATA;
        bound = false;
        return 0;
    }
    if (code == USBDEVFS_CONNECT) {
        bound = true;
        return 0;
    }
    return ENOTTY;
}

int EmulatedFt232h::Impl::submit(UMockdevIoctlData *arg)
{
    if (gone)
        return ENODEV;
    ClientMemory urbMemory(arg, 0, sizeof(usbdevfs_urb));
    if (!urbMemory) return EFAULT;
    Urb urb;
    urb.urb = urbMemory.get();
    const int length = urb.fields()->buffer_length;
    if (length < 0) return EINVAL;
    if (length > 0) {
        urb.buffer = umockdev_ioctl_data_resolve(urb.urb, offsetof(usbdevfs_urb, buffer),
                                                 static_cast<std::size_t>(length), nullptr);
        if (!urb.buffer) return EFAULT;
    }
    const unsigned char type = urb.fields()->type;
    const unsigned char endpoint = urb.fields()->endpoint;
    if (type == USBDEVFS_URB_TYPE_CONTROL) {
        runControl(urb);
    } else if (type == USBDEVFS_URB_TYPE_BULK &&
               (endpoint == kBulkOutEndpoint || endpoint == kBulkInEndpoint)) {
        if (endpoint == kBulkOutEndpoint && stalled) {
            held.push_back(urb);
            urbMemory.release();
            return 0;
        }
        runBulk(urb);
    } else {
        if (urb.buffer) g_object_unref(urb.buffer);
        return EINVAL;
    }
    done.push_back(urb);
    urbMemory.release();
    return 0;
}

void EmulatedFt232h::Impl::runControl(const Urb &urb)
{
    if (urb.length() < static_cast<int>(kSetupSize)) {
        urb.finish(-EPIPE, 0);
        return;
    }
    const SetupPacket setup = readSetup(urb.bytes());
    const ControlReply reply = chip.control(setup);
    if (reply.stall) {
        urb.finish(-EPIPE, 0);
        return;
    }
    if (setup.requestType & 0x80) {
        const std::size_t room = static_cast<std::size_t>(urb.length()) - kSetupSize;
        const std::size_t n = reply.data.size() < room ? reply.data.size() : room;
        std::memcpy(urb.bytes() + kSetupSize, reply.data.data(), n);
        urb.finish(0, static_cast<int>(n));
    } else {
        urb.finish(0, setup.length);
    }
}

void EmulatedFt232h::Impl::runBulk(const Urb &urb)
{
    const std::size_t length = static_cast<std::size_t>(urb.length());
    if (urb.fields()->endpoint == kBulkOutEndpoint) {
        chip.bulkOut(urb.bytes(), length);
        urb.finish(0, urb.length());
        return;
    }
    const std::vector<std::uint8_t> packet = chip.bulkIn(length);
    if (!packet.empty())
        std::memcpy(urb.bytes(), packet.data(), packet.size());
    urb.finish(0, static_cast<int>(packet.size()));
}

int EmulatedFt232h::Impl::reap(UMockdevIoctlData *arg)
{
    if (done.empty())
        return gone ? ENODEV : EAGAIN;
    ClientMemory slot(arg, 0, sizeof(void *));
    if (!slot) return EFAULT;
    Urb urb = done.front();
    done.pop_front();
    umockdev_ioctl_data_set_ptr(slot.get(), 0, urb.urb);
    urb.release();
    return 0;
}

int EmulatedFt232h::Impl::discard(UMockdevIoctlData *arg)
{
    unsigned long address = 0;
    std::memcpy(&address, arg->data, sizeof address);
    for (auto it = held.begin(); it != held.end(); ++it) {
        if (it->urb->client_addr != address)
            continue;
        it->finish(-ENOENT, 0);
        done.push_back(*it);
        held.erase(it);
        return 0;
    }
    return EINVAL;
}

EmulatedFt232h::EmulatedFt232h(UMockdevTestbed *testbed, Identity identity)
    : d(std::make_unique<Impl>(std::move(identity)))
{
    d->testbed = testbed;
    d->plug();
}

EmulatedFt232h::~EmulatedFt232h()
{
    {
        std::lock_guard<std::mutex> guard(d->lock);
        d->gone = true;
    }
    d->removeFromSysfs();
    umockdev_testbed_detach_ioctl(d->testbed, d->devnode.c_str(), nullptr);
    g_object_unref(d->handler);
    std::lock_guard<std::mutex> guard(d->lock);
    d->dropUrbs(d->done);
    d->dropUrbs(d->held);
}

const Identity &EmulatedFt232h::identity() const { return d->chip.identity(); }

std::string EmulatedFt232h::devnode() const { return d->devnode; }

void EmulatedFt232h::unplug()
{
    {
        std::lock_guard<std::mutex> guard(d->lock);
        d->gone = true;
        // Transfers in flight end the way the kernel ends them on disconnect.
        for (Urb &urb : d->held) {
            urb.finish(-ESHUTDOWN, 0);
            d->done.push_back(urb);
        }
        d->held.clear();
    }
    d->removeFromSysfs();
}

void EmulatedFt232h::makeUnopenable()
{
    // A folder where the node was: open() fails whoever runs the test (file
    // modes would not stop root).
    umockdev_testbed_detach_ioctl(d->testbed, d->devnode.c_str(), nullptr);
    gchar *root = umockdev_testbed_get_root_dir(d->testbed);
    const std::string node = std::string(root) + d->devnode;
    g_free(root);
    ::unlink(node.c_str());
    ::mkdir(node.c_str(), 0700);
}

void EmulatedFt232h::denyAccess()
{
    std::lock_guard<std::mutex> guard(d->lock);
    d->denied = true;
}

void EmulatedFt232h::stallBulkOut(bool stalled)
{
    std::lock_guard<std::mutex> guard(d->lock);
    d->stalled = stalled;
}

ChipRecord EmulatedFt232h::record() const
{
    std::lock_guard<std::mutex> guard(d->lock);
    return d->chip.record();
}

} // namespace ftdiemu
