// Decoding yields to pacing. On a machine with two cores a 3840 x 2160 stream
// keeps both busy, and the writer, woken once a period, must not queue
// behind the decoder for its turn: the threads that decode run at a lower
// priority than the writer and the window.
#ifndef VISTREL_DISPLAY_THREAD_PRIORITY_H
#define VISTREL_DISPLAY_THREAD_PRIORITY_H

namespace vistrel::display {

// How much lower, as a Unix nice step: enough for a woken writer to take a
// core from a decoder at once, while decoding still gets every cycle
// nobody else wants.
constexpr int kDecodingNiceStep = 5;

// Lowers the calling thread's priority. Threads it starts afterwards inherit
// the lower priority on Linux (FFmpeg's decoding threads, started when a file
// is opened); on Windows only the calling thread is lowered. Failing is
// harmless and silent: the stream then plays as before.
void lowerThisThreadForDecoding();

} // namespace vistrel::display

#endif
