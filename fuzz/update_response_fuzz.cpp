// Feeds arbitrary server answers through the update check's buffer and body parsing. The
// first byte of every piece says how long it is, so the fuzzer also picks how the answer is
// split over reads; each read may claim more bytes than fit, as a broken read could.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "update/update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pictorb::ResponseBuffer buffer;
    while (size > 0 && !buffer.Full()) {
        const size_t wanted = data[0] == 0 ? size - 1 : data[0];
        ++data;
        --size;
        const size_t piece = wanted < size ? wanted : size;
        const size_t copied = piece < buffer.FreeSize() ? piece : buffer.FreeSize();
        std::memcpy(buffer.FreeSpace(), data, copied);
        buffer.Commit(piece);
        data += piece;
        size -= piece;
    }
    const std::string text = pictorb::VersionTextFromResponse(buffer.Text());
    if (text.size() > 3 || buffer.Text().size() > pictorb::kUpdateBufferSize) std::abort();
    pictorb::JudgeUpdate(text, 220);
    // What decides whether the answer is complete and counts, on every byte received.
    pictorb::AnswerStatusOk(buffer.Bytes());
    pictorb::AnswerBodyComplete(buffer.Bytes());
    return 0;
}
