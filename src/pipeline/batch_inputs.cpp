// Filling the input file map from the files and folders a run names.

#include <string>
#include <utility>
#include <vector>

#include "pipeline/batch.h"
#include "platform/files.h"

namespace pictorb {
namespace {

constexpr const char* kNoSuchFile = "no such file or folder";
constexpr const char* kNotAFile = "not a regular file";

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

struct FolderCount {
    int32_t added = 0;
    int32_t bitmaps = 0;  // accepted files found, also those in the map already
};

// Every accepted file below `root`, each keyed by its path with its folder below root.
FolderCount AddFolder(JobContext& job, const Formats& formats, const std::string& root,
                      bool recursive, std::vector<InputProblem>& problems) {
    FolderCount count;
    std::vector<std::string> pending = {""};  // folders below root still to list, as "a/b/"
    while (!pending.empty()) {
        const std::string relative = std::move(pending.back());
        pending.pop_back();
        const std::string folder = root + "/" + relative;
        std::vector<FolderEntry> entries;
        std::string error;
        if (!ListFolder(folder, entries, error)) {
            problems.push_back({WithoutTrailingSlashes(folder), "cannot read folder: " + error});
            continue;
        }
        for (const FolderEntry& entry : entries) {
            const std::string path = folder + entry.name;
            if (entry.kind == FileKind::Folder) {
                if (recursive) pending.push_back(relative + entry.name + "/");
                continue;
            }
            // A link to a file counts as the file; a link to a folder is never followed.
            const FileKind kind = entry.kind == FileKind::Link ? entry.target : entry.kind;
            if (kind == FileKind::Folder || !IsAcceptedInput(formats, path)) continue;
            if (kind != FileKind::File) {
                // Named like a bitmap but a FIFO, a device or a broken link: said, not opened.
                problems.push_back({path, kind == FileKind::Missing ? kNoSuchFile : kNotAFile});
                continue;
            }
            ++count.bitmaps;
            if (job.inputFiles.Add(path, InputFileEntry{relative}, entry.identity)) ++count.added;
        }
    }
    return count;
}

}  // namespace

int32_t AddInputPath(JobContext& job, const Formats& formats, const std::string& path,
                     bool recursive, std::vector<InputProblem>& problems) {
    FileIdentity identity;
    const FileKind kind = QueryFileKind(path, &identity);
    if (kind == FileKind::Folder) {
        const std::size_t problemsBefore = problems.size();
        const FolderCount count =
            AddFolder(job, formats, WithoutTrailingSlashes(path), recursive, problems);
        if (count.bitmaps == 0 && problems.size() == problemsBefore)
            problems.push_back({path, "no bitmap (.bmp, .rle, .dib) in this folder"});
        return count.added;
    }
    if (kind == FileKind::Missing) {
        problems.push_back({path, kNoSuchFile});
        return 0;
    }
    if (!IsAcceptedInput(formats, path)) {
        problems.push_back({path, "not a bitmap (.bmp, .rle, .dib)"});
        return 0;
    }
    if (kind != FileKind::File) {
        problems.push_back({path, kNotAFile});
        return 0;
    }
    return job.inputFiles.Add(path, InputFileEntry{}, identity) ? 1 : 0;
}

}  // namespace pictorb
