#pragma once
// Puts a document in place so that the output folder never holds a partial file: the bytes are
// written to a file without a name (O_TMPFILE) that is named only once it is complete; where the
// file system refuses such files, to a named temporary file that Ctrl+C and SIGTERM remove.

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace pictorb {

enum class PlaceResult { Ok, CannotCreate, WriteFailed, CannotMove };
enum class PlaceRoute { Unnamed, Named };

struct Placement {
    PlaceResult result = PlaceResult::CannotCreate;
    PlaceRoute route = PlaceRoute::Named;  // the way the file was (or was to be) written
    int systemError = 0;  // on failure the system's errno for the failing step (0: none given)
};

// The file being written: bytes go to any offset, in any order, so a writer can fill parts
// whose place it knows before their neighbours are done.
class FileSink {
  public:
    explicit FileSink(int fd) : fd_(fd) {}
    // Everything or nothing: a full disk or the file-size limit show as false.
    bool WriteAt(uint64_t offset, std::string_view bytes);

  private:
    int fd_;
};

// Fills the file; false abandons it.
using FileWriter = std::function<bool(FileSink&)>;

// Writes the file `outputPath` through `write`, replacing a file there (a read-only one too)
// only once the new one is complete. `tempPath`, in the same file system, is the name the file
// has between being complete and replacing the old output; it must not exist. On failure (also
// when `write` gives false: WriteFailed) the old output is untouched and no temporary file
// remains, and errno holds systemError, so that a caller that passes on only the result can
// still say why.
Placement PlaceFile(const std::string& outputPath, const std::string& tempPath,
                    const FileWriter& write);
// The same for a file of `bytes`.
Placement PlaceFile(const std::string& outputPath, const std::string& tempPath,
                    std::string_view bytes);

// Tests turn the unnamed route off to exercise the named one, as on NFS or FAT.
void AllowUnnamedFiles(bool allowed);

}  // namespace pictorb
