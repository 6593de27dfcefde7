#include "media/mp4_boxes.h"

#include <climits>
#include <cstring>

namespace media {

bool Mp4BoxWalker::read(std::uint64_t at, void* buffer, std::size_t count)
{
    if (count == 0)
        return true; // an empty box has no bytes, and maybe no buffer
    if (count > Mp4Limits::kBytesRead - bytesRead_)
        return false;
    bytesRead_ += count;
    return readAt_(at, buffer, count) == static_cast<long long>(count);
}

bool Mp4BoxWalker::load(const Mp4Box& box, std::uint64_t maxBody, std::string& bytes)
{
    if (box.end > size_ || box.end - box.body > maxBody)
        return false;
    bytes.resize(static_cast<std::size_t>(box.end - box.start));
    return read(box.start, bytes.data(), bytes.size());
}

Mp4Box Mp4BoxWalker::Loaded(const Mp4Box& box)
{
    return {box.type, 0, box.body - box.start, box.end - box.start, box.depth};
}

bool Mp4BoxWalker::fetch(std::string_view bytes, std::uint64_t at, std::uint8_t* buffer, std::size_t count)
{
    if (bytes.data() == nullptr) // the file itself
        return read(at, buffer, count);
    if (at > bytes.size() || count > bytes.size() - at)
        return false;
    std::memcpy(buffer, bytes.data() + at, count);
    return true;
}

bool Mp4BoxWalker::next(Cursor& cursor, std::string_view bytes, Mp4Box& box)
{
    const std::uint64_t at = cursor.at;
    if (at >= cursor.limit || cursor.limit - at < 8)
        return false;
    std::uint8_t h[16];
    if (++cursor.count > cursor.most || ++boxes_ > Mp4Limits::kBoxes || !fetch(bytes, at, h, 8)) {
        cursor.failed = true;
        return false;
    }
    std::uint64_t size = Mp4Be32(h);
    std::uint64_t headerSize = 8;
    if (size == 1) {
        if (cursor.limit - at < 16 || !fetch(bytes, at + 8, h + 8, 8)) {
            cursor.failed = true;
            return false;
        }
        size = Mp4Be64(h + 8);
        headerSize = 16;
    } else if (size == 0) {
        size = cursor.limit - at; // to the end of what holds it
    }
    box.type = Mp4Be32(h + 4);
    if (box.type == Mp4Tag("uuid"))
        headerSize += 16; // its own type, which no reader here needs
    // Inside a box, a child ends within it; at the top, the last box may be
    // cut off by the file's end, however far past it its header claims.
    if (size < headerSize || (!cursor.top && size > cursor.limit - at)) {
        cursor.failed = true;
        return false;
    }
    box.start = at;
    box.body = at + headerSize;
    box.end = size > UINT64_MAX - at ? UINT64_MAX : at + size;
    box.depth = cursor.depth;
    cursor.at = box.end;
    return true;
}

} // namespace media
