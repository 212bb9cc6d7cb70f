#pragma once
// Reads zip archives entry by entry with libarchive, from a file or from memory. Inside the
// themes folder only: the loader and the fuzz target open archives through it.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct archive;

namespace pictorb {

// Where an archive's bytes come from: a file, or bytes in memory that outlive the reader.
struct ArchiveSource {
    std::string path;
    std::string_view bytes;
    bool inMemory = false;

    static ArchiveSource File(std::string path) { return {std::move(path), {}, false}; }
    static ArchiveSource Memory(std::string_view bytes) { return {{}, bytes, true}; }
};

enum class EntryRead { Whole, Cut, Failed };

class ZipReader {
  public:
    explicit ZipReader(const ArchiveSource& source);
    bool IsOpen() const { return archive_ != nullptr; }

    // Moves to the next entry; false at the end or when the archive is damaged. `declaredSize`
    // is the unpacked size the archive claims (0 when it does not say); never trust it for
    // an allocation.
    bool NextEntry(std::string& name, int64_t& declaredSize);
    // Unpacks the current entry into `bytes`, reading in chunks and never more than `limit`
    // bytes: Cut when the entry holds more (`bytes` has the first `limit`), Failed when the
    // data are damaged.
    EntryRead ReadEntry(std::string& bytes, std::size_t limit);

  private:
    struct Closer {
        void operator()(archive* handle) const;
    };
    std::unique_ptr<archive, Closer> archive_;
};

}  // namespace pictorb
