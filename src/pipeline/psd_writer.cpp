#include "pipeline/psd_writer.h"

#include <IL/il.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <vector>

namespace pictorb {
namespace {

// DevIL's writer emits every byte through its put-character hook and ignores write errors.
// These hooks buffer the bytes, write them in large pieces and remember any failure.
class CheckedFile {
public:
    explicit CheckedFile(int fd) : fd_(fd) { buffer_.reserve(kBufferSize); }

    void Put(uint8_t byte) {
        if (buffer_.size() == kBufferSize) Flush();
        buffer_.push_back(byte);
    }
    void Write(const uint8_t* data, std::size_t size) {
        if (buffer_.size() + size > kBufferSize) Flush();
        if (size >= kBufferSize) {
            WriteAll(data, size);
        } else {
            buffer_.insert(buffer_.end(), data, data + size);
        }
    }
    int64_t Tell() const { return position_ + static_cast<int64_t>(buffer_.size()); }
    bool Seek(int64_t offset, int whence) {
        Flush();
        const off_t result = lseek(fd_, static_cast<off_t>(offset), whence);
        if (result < 0) {
            failed_ = true;
            return false;
        }
        position_ = result;
        return true;
    }
    // Writes what is left; false when any write failed.
    bool Finish() {
        Flush();
        return !failed_;
    }

private:
    static constexpr std::size_t kBufferSize = 1 << 20;

    void Flush() {
        if (!buffer_.empty()) WriteAll(buffer_.data(), buffer_.size());
        buffer_.clear();
    }
    void WriteAll(const uint8_t* data, std::size_t size) {
        while (size > 0 && !failed_) {
            const ssize_t written = ::write(fd_, data, size);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) {
                failed_ = true;
                break;
            }
            data += written;
            size -= static_cast<std::size_t>(written);
            position_ += written;
        }
    }

    int fd_;
    std::vector<uint8_t> buffer_;
    int64_t position_ = 0;
    bool failed_ = false;
};

// DevIL's hooks carry no user pointer besides the handle it got from the open hook; the
// writer opens the file itself and hands DevIL this one prepared file.
thread_local CheckedFile* preparedFile = nullptr;

ILHANDLE ILAPIENTRY OpenHook(ILconst_string) { return preparedFile; }
void ILAPIENTRY CloseHook(ILHANDLE) {}
ILint ILAPIENTRY PutHook(ILubyte byte, ILHANDLE handle) {
    static_cast<CheckedFile*>(handle)->Put(byte);
    return byte;
}
ILint ILAPIENTRY SeekHook(ILHANDLE handle, ILint offset, ILint origin) {
    const int whence = origin == IL_SEEK_CUR ? SEEK_CUR : origin == IL_SEEK_END ? SEEK_END : SEEK_SET;
    return static_cast<CheckedFile*>(handle)->Seek(offset, whence) ? 0 : -1;
}
ILint ILAPIENTRY TellHook(ILHANDLE handle) {
    return static_cast<ILint>(static_cast<CheckedFile*>(handle)->Tell());
}
ILint ILAPIENTRY WriteHook(const void* data, ILuint size, ILuint count, ILHANDLE handle) {
    static_cast<CheckedFile*>(handle)->Write(static_cast<const uint8_t*>(data),
                                             static_cast<std::size_t>(size) * count);
    return static_cast<ILint>(count);
}

class DevilImage {
public:
    DevilImage() {
        ilGenImages(1, &name_);
        ilBindImage(name_);
    }
    ~DevilImage() { ilDeleteImages(1, &name_); }
    DevilImage(const DevilImage&) = delete;
    DevilImage& operator=(const DevilImage&) = delete;

private:
    ILuint name_ = 0;
};

class UniqueFd {
public:
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() {
        if (fd_ >= 0) ::close(fd_);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return fd_; }
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

}  // namespace

RawPixels TakeRawPixels(Image image) {
    RawPixels raw;
    if (!image) return raw;
    // The raw export copies lines as they are, so the picture must be 32-bit already.
    if (image.Bpp() != 32) {
        image = Image(FreeImage_ConvertTo32Bits(image.get()));
        if (!image) return raw;
    }
    const uint64_t width = image.Width();
    const uint64_t height = image.Height();
    const uint64_t pitch = width * 4;
    const uint64_t size = pitch * height;
    if (size == 0 || pitch > 0x7fffffff || size > SIZE_MAX) return raw;
    // Every byte is overwritten by the export, so the buffer is not cleared first.
    raw.bytes.reset(new (std::nothrow) uint8_t[size]);
    if (!raw.bytes) return raw;
    FreeImage_ConvertToRawBits(raw.bytes.get(), image.get(), static_cast<int>(pitch), 32,
                               FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK, FI_RGBA_BLUE_MASK, FALSE);
    raw.width = static_cast<uint32_t>(width);
    raw.height = static_cast<uint32_t>(height);
    return raw;
}

WriteResult WritePsd(RawPixels pixels, const std::string& path) {
    if (!pixels.bytes) return WriteResult::OutOfMemory;

    DevilImage devilImage;
    const ILint depth = ilGetInteger(IL_IMAGE_DEPTH);
    if (!ilTexImage(pixels.width, pixels.height, static_cast<ILuint>(depth), 4, IL_BGRA,
                    IL_UNSIGNED_BYTE, pixels.bytes.get())) {
        return WriteResult::EncoderFailed;
    }
    pixels.bytes.reset();  // DevIL holds its own copy now

    UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.get() < 0) return WriteResult::CannotCreate;

    CheckedFile file(fd.get());
    preparedFile = &file;
    ilEnable(IL_FILE_OVERWRITE);
    ilSetWrite(OpenHook, CloseHook, PutHook, SeekHook, TellHook, WriteHook);
    const ILboolean saved = ilSave(IL_PSD, path.c_str());
    ilResetWrite();
    preparedFile = nullptr;

    WriteResult result = WriteResult::Ok;
    if (!saved) {
        result = WriteResult::EncoderFailed;
    } else if (!file.Finish()) {
        result = WriteResult::WriteFailed;
    }
    if (!fd.Close() && result == WriteResult::Ok) result = WriteResult::WriteFailed;
    if (result != WriteResult::Ok) ::unlink(path.c_str());
    return result;
}

}  // namespace pictorb
