// Reads a video ahead of the writer. A thread of its own decodes the next
// frames and converts them (panel frame and preview) while the video worker
// waits for its turn and writes the current one, so decoding overlaps the
// rest. It reads in runs of frames (ReadAhead). The worker starts it and joins it before its own run() ends, and is
// the only one that talks to it.
//
// Frames come in the file's order. At the end of the file the reader goes on
// from the start by itself when Loop Play is on, else only when the worker
// asks (Loop Play may be switched on during the last frame's period); a pass
// the worker decides not to play is simply never taken.
#ifndef VISTREL_DISPLAY_FRAME_READER_H
#define VISTREL_DISPLAY_FRAME_READER_H

#include "frame_conversion.h"
#include "read_ahead.h"

#include <opencv2/videoio.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vistrel::display {

// What the reader hands the writer: a frame ready to write, or the end of
// the file.
struct ReadFrame {
    enum Kind { Frame, EndOfFile };
    Kind kind = Frame;
    VideoFrame frame;
    std::int64_t index = 0;  // Frame: 1, 2, ... within the pass
    std::chrono::steady_clock::duration decodeTime{};  // reading and converting it
    bool rewound = false;    // EndOfFile: the reader went back to the start by itself
};

class FrameReader {
public:
    using Item = ReadFrame;

    // `previewArea` is asked for each frame, on the reader's thread.
    FrameReader(cv::VideoCapture &capture, const std::atomic<bool> &loop, std::function<cv::Size()> previewArea);
    ~FrameReader();  // stop()
    FrameReader(const FrameReader &) = delete;
    FrameReader &operator=(const FrameReader &) = delete;

    void start();
    // Takes the next item. Returns false, within a few milliseconds, once
    // keepGoing is cleared.
    bool next(Item &item, const std::atomic<bool> &keepGoing);
    // After an end of file that was not rewound: read the file again.
    void rewind();
    // Ends the thread and joins it; the capture is not touched afterwards.
    void stop();

private:
    void run();
    bool read(Item &item);
    bool push(Item item);
    bool waitForRewind();
    void goBackToStart();

    cv::VideoCapture &m_capture;
    const std::atomic<bool> &m_loop;
    std::function<cv::Size()> m_previewArea;
    cv::Mat m_decoded;  // reused: a frame of 3840 x 2160 is 24 MB to allocate and fault in
    std::int64_t m_index = 0;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;
    std::size_t m_queuedBytes = 0;
    ReadAhead m_readAhead;
    bool m_rewindAsked = false;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace vistrel::display

#endif
