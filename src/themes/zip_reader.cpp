#include "themes/zip_reader.h"

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>

namespace pictorb {
namespace {

constexpr std::size_t kReadChunk = 16 * 1024;
constexpr std::size_t kFileBlock = 64 * 1024;

}  // namespace

void ZipReader::Closer::operator()(archive* handle) const {
    archive_read_free(handle);
}

ZipReader::ZipReader(const ArchiveSource& source) {
    std::unique_ptr<archive, Closer> handle(archive_read_new());
    if (!handle) return;
    // Only zip: a theme is a zip archive, and every other reader is attack surface. The
    // seekable reader takes names and sizes from the central directory.
    if (archive_read_support_format_zip_seekable(handle.get()) != ARCHIVE_OK) return;
    const int opened =
        source.inMemory
            ? archive_read_open_memory(handle.get(), source.bytes.data(), source.bytes.size())
            : archive_read_open_filename(handle.get(), source.path.c_str(), kFileBlock);
    if (opened != ARCHIVE_OK) return;
    archive_ = std::move(handle);
}

bool ZipReader::NextEntry(std::string& name, int64_t& declaredSize) {
    if (!archive_) return false;
    archive_entry* entry = nullptr;
    const int status = archive_read_next_header(archive_.get(), &entry);
    if (status != ARCHIVE_OK && status != ARCHIVE_WARN) {
        archive_.reset();  // a damaged directory ends the walk for good
        return false;
    }
    const char* path = archive_entry_pathname(entry);
    if (path == nullptr) path = archive_entry_pathname_utf8(entry);
    name = path != nullptr ? path : "";
    declaredSize = archive_entry_size_is_set(entry) ? archive_entry_size(entry) : 0;
    return true;
}

EntryRead ZipReader::ReadEntry(std::string& bytes, std::size_t limit) {
    bytes.clear();
    if (!archive_) return EntryRead::Failed;
    // Through a small buffer, so that memory grows with the data actually unpacked.
    char chunk[kReadChunk];
    for (;;) {
        // One byte past the limit tells a whole entry of `limit` bytes from a longer one.
        const std::size_t wanted = std::min(kReadChunk, limit + 1 - bytes.size());
        const la_ssize_t got = archive_read_data(archive_.get(), chunk, wanted);
        if (got < 0) return EntryRead::Failed;
        if (got == 0) return EntryRead::Whole;
        const std::size_t room = limit - bytes.size();
        bytes.append(chunk, std::min(static_cast<std::size_t>(got), room));
        if (static_cast<std::size_t>(got) > room) return EntryRead::Cut;
    }
}

}  // namespace pictorb
