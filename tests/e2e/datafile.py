"""Writes and reads "Kestrava.dat" files for the tests, independently of the
program's own code: header "<<1.1>>", pair count, length-prefixed strings,
pairs in the writer's 17-bucket order."""
import struct

HEADER = b"<<1.1>>"
LETTERS = [chr(c) for c in range(ord("A"), ord("Z") + 1)]


def encode_length(n: int) -> bytes:
    if n < 0xFF:
        return bytes([n])
    if n < 0xFFFE:
        return b"\xff" + struct.pack("<H", n)
    return b"\xff\xff\xff" + struct.pack("<I", n)


def encode_wide(text: str) -> bytes:
    """The archive's wide string: FF FE FF, the length in UTF-16 units, the units."""
    units = text.encode("utf-16-le")
    return b"\xff\xfe\xff" + encode_length(len(units) // 2) + units


def encode_string(text: bytes) -> bytes:
    n = len(text)
    if n < 0xFF:
        return bytes([n]) + text
    if n < 0xFFFE:
        return b"\xff" + struct.pack("<H", n) + text
    return b"\xff\xff\xff" + struct.pack("<I", n) + text


def bucket(key: bytes) -> int:
    h = 0
    for c in key:
        signed = c - 256 if c > 127 else c
        h = (h * 33 + signed) & 0xFFFFFFFF
    return h % 17


def encode(pairs) -> bytes:
    """pairs: (key, value) byte strings in insertion order."""
    buckets = [[] for _ in range(17)]
    seen = {}
    for key, value in pairs:
        if key in seen:
            seen[key][1] = value
            continue
        entry = [key, value]
        seen[key] = entry
        buckets[bucket(key)].insert(0, entry)
    body = b"".join(encode_string(k) + (v.encoded if isinstance(v, Wide) else encode_string(v))
                    for b in buckets for k, v in b)
    count = len(seen)
    count_field = struct.pack("<H", count) if count < 0xFFFF else b"\xff\xff" + struct.pack("<I", count)
    return encode_string(HEADER) + count_field + body


class Wide:
    """A value written as the archive's wide string."""
    def __init__(self, text: str):
        self.encoded = encode_wide(text)


# Windows' code page 1252 maps the five bytes Python's leaves out onto the
# control characters of the same number, both ways.
CP1252_GAPS = {chr(b): bytes([b]) for b in (0x81, 0x8D, 0x8F, 0x90, 0x9D)}


def table_bytes(entries) -> bytes:
    """entries: {letter: (command, arguments, directory[, raise])}, texts as
    bytes, or as str: 8-bit in code page 1252 where it holds them, else wide,
    as Kestrava writes them. A true fourth item adds "L.Raise" = "1"."""
    def b(text):
        if isinstance(text, bytes):
            return text
        try:
            return b"".join(CP1252_GAPS.get(c) or c.encode("cp1252") for c in text)
        except UnicodeEncodeError:
            return Wide(text)
    pairs = []
    for letter in LETTERS:
        command, arguments, directory, *choice = entries.get(letter, ("", "", ""))
        pairs += [(f"{letter}.Target".encode(), b(command)), (f"{letter}.Dir".encode(), b(directory)),
                  (f"{letter}.Args".encode(), b(arguments))]
        if choice and choice[0]:
            pairs.append((f"{letter}.Raise".encode(), b"1"))
    return encode(pairs)


def write_table(path, entries):
    path.write_bytes(table_bytes(entries))


def decode(data: bytes) -> dict:
    """The pairs of a file written by the program: 8-bit values as bytes,
    wide ones as str."""
    pos = 0

    def take(n):
        nonlocal pos
        if pos + n > len(data):
            raise ValueError("truncated")
        chunk = data[pos:pos + n]
        pos += n
        return chunk

    def length():
        n = take(1)[0]
        if n == 0xFF:
            n = struct.unpack("<H", take(2))[0]
            if n == 0xFFFF:
                n = struct.unpack("<I", take(4))[0]
            elif n == 0xFFFE:
                return None
        return n

    def string():
        n = length()
        if n is None:
            return take(2 * length()).decode("utf-16-le")
        return take(n)

    if string() != HEADER:
        raise ValueError("header")
    count = struct.unpack("<H", take(2))[0]
    if count == 0xFFFF:
        count = struct.unpack("<I", take(4))[0]
    pairs = {}
    for _ in range(count):
        key = string()
        pairs[key] = string()
    return pairs
