#include "ArchiveCodec.h"

#include <new>

namespace store {

namespace {

void PutWord(std::string& out, std::uint16_t w)
{
    out += static_cast<char>(w & 0xFF);
    out += static_cast<char>(w >> 8);
}

void PutDword(std::string& out, std::uint32_t d)
{
    PutWord(out, static_cast<std::uint16_t>(d & 0xFFFF));
    PutWord(out, static_cast<std::uint16_t>(d >> 16));
}

void PutLength(std::string& out, std::size_t length)
{
    if (length < 0xFF) {
        out += static_cast<char>(length);
    } else if (length < 0xFFFE) {
        out += '\xFF';
        PutWord(out, static_cast<std::uint16_t>(length));
    } else {
        out += '\xFF';
        PutWord(out, 0xFFFF);
        PutDword(out, static_cast<std::uint32_t>(length));
    }
}

// A wide value is the marker FF FE FF, its length in code units and the
// units; its bytes already are the UTF-16LE units.
void PutArchiveString(std::string& out, const std::string& text, bool wide = false)
{
    if (wide) {
        out += '\xFF';
        PutWord(out, 0xFFFE);
    }
    PutLength(out, wide ? text.size() / 2 : text.size());
    out += text;
}

// Keys and the header are 8-bit: a wide one keeps its ASCII characters and
// turns the rest into '?', with no code page involved.
std::string NarrowKey(const std::string& units)
{
    std::string text;
    text.reserve(units.size() / 2);
    for (std::size_t i = 0; i + 1 < units.size(); i += 2) {
        const unsigned unit = static_cast<std::uint8_t>(units[i]) | static_cast<std::uint8_t>(units[i + 1]) << 8;
        text += unit < 0x80 ? static_cast<char>(unit) : '?';
    }
    return text;
}

// A malformed string is not a short file: it gets the generic text, not the
// end-of-file one.
class Reader {
public:
    explicit Reader(std::string_view bytes) : m_bytes(bytes) {}

    ArchiveError Byte(std::uint8_t& b)
    {
        if (Left() < 1)
            return ArchiveError::EndOfFile;
        b = static_cast<std::uint8_t>(m_bytes[m_pos++]);
        return ArchiveError::None;
    }

    ArchiveError Word(std::uint16_t& w)
    {
        if (Left() < 2)
            return ArchiveError::EndOfFile;
        w = static_cast<std::uint16_t>(At(0) | At(1) << 8);
        m_pos += 2;
        return ArchiveError::None;
    }

    ArchiveError Dword(std::uint32_t& d)
    {
        if (Left() < 4)
            return ArchiveError::EndOfFile;
        d = static_cast<std::uint32_t>(At(0)) | static_cast<std::uint32_t>(At(1)) << 8 |
            static_cast<std::uint32_t>(At(2)) << 16 | static_cast<std::uint32_t>(At(3)) << 24;
        m_pos += 4;
        return ArchiveError::None;
    }

    ArchiveError Count(std::uint32_t& n)
    {
        std::uint16_t w = 0;
        if (const ArchiveError e = Word(w); e != ArchiveError::None)
            return e;
        if (w != 0xFFFF) {
            n = w;
            return ArchiveError::None;
        }
        return Dword(n);
    }

    // A wide string comes as its UTF-16LE bytes, with wide set.
    ArchiveError String(std::string& text, bool& wide)
    {
        std::uint32_t length = 0;
        if (const ArchiveError e = Length(length, wide); e != ArchiveError::None)
            return e;
        if (wide) {
            bool again = false;
            if (const ArchiveError e = Length(length, again); e != ArchiveError::None)
                return e;
            if (again)
                return ArchiveError::Generic;
            if (static_cast<std::uint64_t>(length) * 2 > Left())
                return ArchiveError::EndOfFile;
            text.assign(m_bytes.substr(m_pos, 2 * static_cast<std::size_t>(length)));
            m_pos += 2 * static_cast<std::size_t>(length);
            wide = true;
            return ArchiveError::None;
        }
        if (length > Left())
            return ArchiveError::EndOfFile;
        text.assign(m_bytes.substr(m_pos, length));
        m_pos += length;
        return ArchiveError::None;
    }

    // A key or the header: always 8-bit.
    ArchiveError String(std::string& text)
    {
        bool wide = false;
        const ArchiveError e = String(text, wide);
        if (e == ArchiveError::None && wide)
            text = NarrowKey(text);
        return e;
    }

private:
    std::size_t Left() const { return m_bytes.size() - m_pos; }
    unsigned At(std::size_t offset) const { return static_cast<std::uint8_t>(m_bytes[m_pos + offset]); }

    // One length prefix; wide is set instead when it is the UTF-16 marker.
    ArchiveError Length(std::uint32_t& length, bool& wide)
    {
        wide = false;
        std::uint8_t b = 0;
        if (const ArchiveError e = Byte(b); e != ArchiveError::None)
            return e;
        if (b < 0xFF) {
            length = b;
            return ArchiveError::None;
        }
        std::uint16_t w = 0;
        if (const ArchiveError e = Word(w); e != ArchiveError::None)
            return e;
        if (w == 0xFFFF)
            return Dword(length);
        if (w == 0xFFFE) {
            wide = true;
            length = 0;
            return ArchiveError::None;
        }
        length = w;
        return ArchiveError::None;
    }

    std::string_view m_bytes;
    std::size_t m_pos = 0;
};

DecodeResult Fail(ArchiveError error) { return DecodeResult{DecodeStatus::Failed, error}; }

}  // namespace

std::string EncodeArchive(const std::string& version, const CBucketMap& values)
{
    std::string out;
    PutArchiveString(out, version);
    const std::size_t count = values.Size();
    if (count < 0xFFFF) {
        PutWord(out, static_cast<std::uint16_t>(count));
    } else {
        PutWord(out, 0xFFFF);
        PutDword(out, static_cast<std::uint32_t>(count));
    }
    values.ForEachInWriteOrder([&out](const std::string& key, const std::string& value, bool wide) {
        PutArchiveString(out, key);
        PutArchiveString(out, value, wide);
    });
    return out;
}

ArchiveError DecodeHeader(std::string_view bytes, std::string& version)
{
    try {
        Reader reader(bytes);
        std::string header;
        const ArchiveError e = reader.String(header);
        if (e == ArchiveError::None)
            version = std::move(header);
        return e;
    } catch (const std::bad_alloc&) {
        return ArchiveError::OutOfMemory;
    }
}

DecodeResult DecodeArchive(std::string_view bytes, std::string& version, CBucketMap& values)
{
    try {
        Reader reader(bytes);
        std::string header;
        if (const ArchiveError e = reader.String(header); e != ArchiveError::None)
            return Fail(e);
        version = std::move(header);
        if (version != kArchiveVersion)
            return DecodeResult{DecodeStatus::WrongHeader, ArchiveError::None};

        std::uint32_t count = 0;
        if (const ArchiveError e = reader.Count(count); e != ArchiveError::None)
            return Fail(e);
        // Each pair takes at least two bytes, so a hostile count ends in
        // EndOfFile after at most size/2 rounds; nothing is sized by it.
        std::string key;
        std::string value;
        for (std::uint32_t i = 0; i < count; ++i) {
            bool wide = false;
            if (const ArchiveError e = reader.String(key); e != ArchiveError::None)
                return Fail(e);
            if (const ArchiveError e = reader.String(value, wide); e != ArchiveError::None)
                return Fail(e);
            values.Set(key, value, wide);
        }
        return DecodeResult{DecodeStatus::Complete, ArchiveError::None};
    } catch (const std::bad_alloc&) {
        return Fail(ArchiveError::OutOfMemory);
    }
}
}  // namespace store
