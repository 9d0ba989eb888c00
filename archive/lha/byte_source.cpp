#include "archive/lha/byte_source.h"

#include <algorithm>
#include <cstring>

namespace lha {

std::size_t MemorySource::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset >= bytes_.size()) return 0;
    const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes_.size() - offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
}

bool FileSource::open(const std::filesystem::path& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    size_ = std::filesystem::file_size(path, ec);
    if (ec || !file_.open(path)) return false;
    position_ = 0;
    return true;
}

std::size_t FileSource::readAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (offset >= size_) return 0;
    if (offset != position_ && !file_.seek(offset)) {
        seekFailed_ = true;
        return 0;
    }
    const std::size_t n = file_.read(buffer, count);
    position_ = offset + n;
    return n;
}

}  // namespace lha
