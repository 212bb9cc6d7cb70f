#pragma once
// Puts a finished document in place so that the output folder never holds a partial file:
// the bytes are written to a file without a name (O_TMPFILE) that is named only once it is
// complete; where the file system refuses such files, to a named temporary file that Ctrl+C
// and SIGTERM remove.

#include <span>
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

// Writes `bytes` as the file `outputPath`, replacing a file there (a read-only one too) only
// once the new one is complete. `tempPath`, in the same file system, is the name the file
// has between being complete and replacing the old output; it must not exist. On failure the
// old output is untouched and no temporary file remains, and errno holds systemError, so that
// a caller that passes on only the result can still say why.
Placement PlaceFile(const std::string& outputPath, const std::string& tempPath,
                    std::string_view bytes);
// The same for a file made of `pieces` written one after another, so that a document built
// around large blocks held elsewhere needs no copy of them.
Placement PlaceFile(const std::string& outputPath, const std::string& tempPath,
                    std::span<const std::string_view> pieces);

// Tests turn the unnamed route off to exercise the named one, as on NFS or FAT.
void AllowUnnamedFiles(bool allowed);

}  // namespace pictorb
