#include "frame_reader.h"

#include "thread_priority.h"

namespace vistrel::display {

namespace {

std::size_t bytesOf(const ReadFrame &item)
{
    return static_cast<std::size_t>(item.frame.preview.sizeInBytes()) + item.frame.packet.size();
}

using Clock = std::chrono::steady_clock;
// How often a waiting writer looks at its stop flag.
constexpr auto kStopCheck = std::chrono::milliseconds(2);

} // namespace

FrameReader::FrameReader(cv::VideoCapture &capture, const std::atomic<bool> &loop,
                         std::function<cv::Size()> previewArea)
    : m_capture(capture), m_loop(loop), m_previewArea(std::move(previewArea))
{
}

FrameReader::~FrameReader()
{
    stop();
}

void FrameReader::start()
{
    m_thread = std::thread([this] { run(); });
}

void FrameReader::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool FrameReader::next(Item &item, const std::atomic<bool> &keepGoing)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_items.empty()) {
        if (!keepGoing)
            return false;
        m_changed.wait_for(lock, kStopCheck);
    }
    if (!keepGoing)
        return false;
    item = std::move(m_items.front());
    m_items.pop_front();
    m_queuedBytes -= bytesOf(item);
    const bool wakeReader = ReadAhead::worthWaking(m_items.size());
    lock.unlock();
    if (wakeReader)
        m_changed.notify_all();
    return true;
}

void FrameReader::rewind()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_rewindAsked = true;
    }
    m_changed.notify_all();
}

void FrameReader::run()
{
    lowerThisThreadForDecoding();
    while (!m_stopping) {
        Item item;
        if (read(item)) {
            if (!push(std::move(item)))
                return;
            continue;
        }
        // The end of the file (or a stream that breaks off, which ends the same way).
        const bool rewound = m_loop;
        item.kind = Item::EndOfFile;
        item.rewound = rewound;
        if (!push(std::move(item)))
            return;
        if (!rewound && !waitForRewind())
            return;
        goBackToStart();
    }
}

bool FrameReader::read(Item &item)
{
    const auto start = Clock::now();
    try {
        if (!m_capture.read(m_decoded) || m_decoded.empty())
            return false;
        item.frame = convertVideoFrame(m_decoded, m_previewArea());
    } catch (const cv::Exception &) {
        return false;
    }
    item.index = ++m_index;
    item.decodeTime = Clock::now() - start;
    return true;
}

// Waits for room; false once stopping.
bool FrameReader::push(Item item)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || m_readAhead.roomFor(m_items.size(), m_queuedBytes); });
    if (m_stopping)
        return false;
    m_queuedBytes += bytesOf(item);
    m_items.push_back(std::move(item));
    lock.unlock();
    m_changed.notify_all();
    return true;
}

bool FrameReader::waitForRewind()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopping || m_rewindAsked; });
    m_rewindAsked = false;
    return !m_stopping;
}

void FrameReader::goBackToStart()
{
    m_index = 0;
    try {
        m_capture.set(cv::CAP_PROP_POS_FRAMES, 0.0);
    } catch (const cv::Exception &) {
        // The next read then ends the pass at once, as an empty file would.
    }
}

} // namespace vistrel::display
