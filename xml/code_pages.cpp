// UTF-8 to and from the product's ANSI code pages.
#include "xml/code_pages.h"

#if defined(_WIN32)
#include <windows.h>

#include "base/local_heap.h"

namespace {

// Through UTF-16, as the system converts.
bool convert(UINT from, UINT to, const char* source, uint32_t length, char* destination,
             uint32_t* size) {
    // The system refuses an empty input; its conversion is empty.
    if (!length) {
        if (!destination)
            *size = 0;
        return true;
    }
    if (length > 0x7FFFFFFF)
        return false;
    int units = MultiByteToWideChar(from, 0, source, (int)length, nullptr, 0);
    if (units <= 0)
        return false;
    WCHAR* wide = (WCHAR*)heapAlloc((size_t)units * sizeof(WCHAR));
    if (!wide)
        return false;
    bool result = false;
    if (MultiByteToWideChar(from, 0, source, (int)length, wide, units) == units) {
        int needed = WideCharToMultiByte(to, 0, wide, units, nullptr, 0, nullptr, nullptr);
        if (!destination) {
            *size = needed > 0 ? (uint32_t)needed : 0;
            result = needed > 0;
        } else if (needed > 0 && *size >= (uint32_t)needed) {
            int capacity = *size > 0x7FFFFFFF ? 0x7FFFFFFF : (int)*size;
            result = WideCharToMultiByte(to, 0, wide, units, destination, capacity, nullptr,
                                         nullptr) == needed;
        }
    }
    heapFree(wide);
    return result;
}

} // namespace

bool utf8ToCodePage(unsigned codePage, const char* source, uint32_t length, char* destination,
                    uint32_t* size) {
    return convert(CP_UTF8, codePage, source, length, destination, size);
}

bool codePageToUtf8(unsigned codePage, const char* source, uint32_t length, char* destination,
                    uint32_t* size) {
    return convert(codePage, CP_UTF8, source, length, destination, size);
}

#else
#include <stdlib.h>

#include "xml/code_page_data.h"

namespace {

const unsigned PlaneSize = 65536;
const uint32_t ReplacementCharacter = 0xFFFD;

// A code page's tables, expanded from codePageData on first use.
struct Table {
    bool expanded;
    bool lead[256];
    uint16_t single[256]; // what each byte alone reads as
    uint8_t row[256];     // a lead byte's row in pairs
    uint8_t rowLead[256]; // the lead byte of each row
    uint16_t* pairs;      // 256 units a row, at the trail byte (a NUL trail: none)
    uint16_t* forward;    // the bytes of each UTF-16 unit
};

const unsigned MaxTables = 8;
Table tables[MaxTables];

// The bytes of a base64 text, one at a time; false at its end.
struct Base64Reader {
    const char* text;
    uint32_t bits;
    unsigned count;

    bool next(unsigned* byte) {
        while (count < 8) {
            char c = *text;
            unsigned value;
            if (c >= 'A' && c <= 'Z')
                value = (unsigned)(c - 'A');
            else if (c >= 'a' && c <= 'z')
                value = (unsigned)(c - 'a') + 26;
            else if (c >= '0' && c <= '9')
                value = (unsigned)(c - '0') + 52;
            else if (c == '+')
                value = 62;
            else if (c == '/')
                value = 63;
            else
                return false; // '=' or the NUL
            ++text;
            bits = bits << 6 | value;
            count += 6;
        }
        count -= 8;
        *byte = bits >> count & 0xFF;
        return true;
    }
};

// The reverse table's positions in stream order: bytes alone, then each row's trail bytes
// 0x01 to 0xFF.
struct Positions {
    Table* table;
    unsigned rows;
    unsigned next;

    unsigned total() const { return 256 + rows * 255; }
    bool store(uint16_t unit) {
        if (next >= total())
            return false;
        if (next < 256) {
            table->single[next] = unit;
        } else {
            unsigned k = next - 256;
            table->pairs[k / 255 * 256 + k % 255 + 1] = unit;
        }
        ++next;
        return true;
    }
};

bool expandReverse(const CodePageData& data, Table* table, unsigned rows) {
    Base64Reader in = {data.reverse, 0, 0};
    Positions out = {table, rows, 0};
    uint16_t previous = 0;
    unsigned code;
    while (in.next(&code)) {
        unsigned b = 0, c = 0;
        // The codes that take one more byte.
        if (code >= 0x80 && code != 0xFF && (code < 0xC0 || code >= 0xE0) && !in.next(&b))
            return false;
        if (code < 0x80) {
            previous = (uint16_t)(previous + code - 0x40);
            if (!out.store(previous))
                return false;
        } else if (code < 0xC0) {
            previous = (uint16_t)(previous + ((code & 0x3F) << 8 | b) - 0x2000);
            if (!out.store(previous))
                return false;
        } else if (code < 0xF0) {
            unsigned count = code < 0xE0 ? (code & 0x1F) + 1 : ((code & 0x0F) << 8 | b) + 1;
            for (unsigned i = 0; i < count; ++i) {
                if (!out.store(++previous))
                    return false;
            }
        } else if (code < 0xFF) {
            unsigned count = ((code & 0x0F) << 8 | b) + 1;
            for (unsigned i = 0; i < count; ++i) {
                if (!out.store(data.leadAloneUnit))
                    return false;
            }
        } else {
            if (!in.next(&b) || !in.next(&c))
                return false;
            previous = (uint16_t)(b << 8 | c);
            if (!out.store(previous))
                return false;
        }
    }
    return out.next == out.total();
}

// A run's first unit, as a distance from the previous run's: 7 bits a byte, low bits first.
bool readDistance(Base64Reader* in, unsigned b, unsigned* distance) {
    unsigned value = 0;
    unsigned shift = 0;
    while (b & 0x80) {
        value |= (b & 0x7F) << shift;
        shift += 7;
        if (shift > 14 || !in->next(&b))
            return false;
    }
    *distance = value | b << shift;
    return true;
}

bool expandForward(const CodePageData& data, Table* table, unsigned rows) {
    for (unsigned unit = 0; unit < PlaneSize; ++unit)
        table->forward[unit] = data.defaultBytes;
    // Backwards, so that the first position reading as a unit is the one kept.
    for (unsigned row = rows; row-- > 0;) {
        for (unsigned trail = 255; trail >= 1; --trail) {
            uint16_t unit = table->pairs[row * 256 + trail];
            if (unit != data.leadAloneUnit)
                table->forward[unit] = (uint16_t)(table->rowLead[row] << 8 | trail);
        }
    }
    for (unsigned b = 256; b-- > 0;) {
        if (!table->lead[b])
            table->forward[table->single[b]] = (uint16_t)b;
    }

    Base64Reader in = {data.forward, 0, 0};
    unsigned unit = 0;
    unsigned b;
    while (in.next(&b)) {
        unsigned distance, shape, high, low;
        if (!readDistance(&in, b, &distance) || !in.next(&shape) || !in.next(&high) ||
            !in.next(&low))
            return false;
        unit += distance;
        unsigned count = (shape & 0x7F) + 1;
        if (unit + count > PlaneSize)
            return false;
        for (unsigned k = 0; k < count; ++k)
            table->forward[unit + k] = (uint16_t)((high << 8 | low) + (shape & 0x80 ? 0 : k));
    }
    return true;
}

bool expand(const CodePageData& data, Table* table) {
    unsigned rows = 0;
    for (unsigned range = 0; range < 6; range += 2) {
        unsigned first = data.leadRanges[range], last = data.leadRanges[range + 1];
        for (unsigned b = first; first && b <= last; ++b) {
            table->lead[b] = true;
            table->row[b] = (uint8_t)rows;
            table->rowLead[rows++] = (uint8_t)b;
        }
    }
    uint16_t* units = (uint16_t*)malloc(((size_t)rows * 256 + PlaneSize) * sizeof(uint16_t));
    if (!units)
        return false;
    table->pairs = units;
    table->forward = units + (size_t)rows * 256;
    if (!expandReverse(data, table, rows) || !expandForward(data, table, rows)) {
        free(units);
        *table = Table();
        return false;
    }
    table->expanded = true;
    return true;
}

const Table* findTable(unsigned codePage) {
    for (unsigned i = 0; i < codePageDataCount && i < MaxTables; ++i) {
        if (codePageData[i].number != codePage)
            continue;
        if (!tables[i].expanded && !expand(codePageData[i], &tables[i]))
            return nullptr;
        return &tables[i];
    }
    return nullptr;
}

// Decodes one character at *p, before end, and advances past it, as the system's conversion
// reads UTF-8 (every case of up to five bytes was compared under Wine). A sequence the end cuts
// off gives one replacement character for all that is left. Otherwise a malformed sequence gives
// one for the bytes up to the fault; a second byte that is a continuation byte is taken along
// even when it makes the sequence overlong, a surrogate or beyond U+10FFFF.
uint32_t nextCodePoint(const unsigned char** p, const unsigned char* end) {
    const unsigned char* s = *p;
    unsigned char lead = *s++;
    if (lead < 0x80) {
        *p = s;
        return lead;
    }
    unsigned trailing;
    uint32_t value;
    if (lead >= 0xC2 && lead <= 0xDF) {
        trailing = 1;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        trailing = 2;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        trailing = 3;
        value = lead & 0x07;
    } else {
        *p = s;
        return ReplacementCharacter;
    }
    if ((size_t)(end - s) < trailing) {
        *p = end;
        return ReplacementCharacter;
    }
    for (unsigned i = 0; i < trailing; ++i) {
        if ((*s & 0xC0) != 0x80) {
            *p = s;
            return ReplacementCharacter;
        }
        value = value << 6 | (*s++ & 0x3F);
        bool outOfRange = trailing == 2 ? value < 0x20 || (value >= 0x360 && value < 0x380)
                                        : trailing == 3 && (value < 0x10 || value >= 0x110);
        if (i == 0 && outOfRange) {
            *p = s;
            return ReplacementCharacter;
        }
    }
    *p = s;
    return value;
}

// Writes the bytes of one UTF-16 unit (when out is not null) and returns their number.
unsigned putUnit(const Table& table, uint32_t unit, char* out) {
    uint16_t bytes = table.forward[unit];
    if (bytes <= 0xFF) {
        if (out)
            out[0] = (char)bytes;
        return 1;
    }
    if (out) {
        out[0] = (char)(bytes >> 8);
        out[1] = (char)(bytes & 0xFF);
    }
    return 2;
}

// A character beyond the plane goes as its two surrogates, each converted alone.
unsigned putCharacter(const Table& table, uint32_t character, char* out) {
    if (character < PlaneSize)
        return putUnit(table, character, out);
    uint32_t offset = character - PlaneSize;
    unsigned first = putUnit(table, 0xD800 + (offset >> 10), out);
    return first + putUnit(table, 0xDC00 + (offset & 0x3FF), out ? out + first : nullptr);
}

// What the bytes at *at read as, and past them: a lead byte takes the next byte as its trail,
// unless there is none or it is a NUL.
uint16_t readUnit(const Table& table, const unsigned char* source, uint32_t length, uint32_t* at) {
    unsigned char b = source[*at];
    if (table.lead[b] && *at + 1 < length && source[*at + 1]) {
        uint16_t unit = table.pairs[table.row[b] * 256 + source[*at + 1]];
        *at += 2;
        return unit;
    }
    *at += 1;
    return table.single[b];
}

unsigned putUtf8(uint16_t unit, char* out) {
    if (unit < 0x80) {
        if (out)
            out[0] = (char)unit;
        return 1;
    }
    if (unit < 0x800) {
        if (out) {
            out[0] = (char)(0xC0 | unit >> 6);
            out[1] = (char)(0x80 | (unit & 0x3F));
        }
        return 2;
    }
    if (out) {
        out[0] = (char)(0xE0 | unit >> 12);
        out[1] = (char)(0x80 | (unit >> 6 & 0x3F));
        out[2] = (char)(0x80 | (unit & 0x3F));
    }
    return 3;
}

// A character in UTF-8 itself, for conversions to UTF-8 (the tools compare with them).
unsigned putCodePoint(uint32_t character, char* out) {
    if (character < PlaneSize)
        return putUtf8((uint16_t)character, out);
    if (out) {
        out[0] = (char)(0xF0 | character >> 18);
        out[1] = (char)(0x80 | (character >> 12 & 0x3F));
        out[2] = (char)(0x80 | (character >> 6 & 0x3F));
        out[3] = (char)(0x80 | (character & 0x3F));
    }
    return 4;
}

// Runs write(nullptr) for the number of bytes, then, with a destination of at least that
// capacity, write(destination); with none, stores the number through size.
template <typename Write> bool measureThenWrite(Write write, char* destination, uint32_t* size) {
    uint64_t needed = write(nullptr);
    if (needed > 0xFFFFFFFFu)
        return false;
    if (!destination) {
        *size = (uint32_t)needed;
        return true;
    }
    if (*size < needed)
        return false; // nothing written
    write(destination);
    return true;
}

const unsigned Utf8CodePage = 65001;

} // namespace

bool utf8ToCodePage(unsigned codePage, const char* source, uint32_t length, char* destination,
                    uint32_t* size) {
    const Table* table = codePage == Utf8CodePage ? nullptr : findTable(codePage);
    if (!table && codePage != Utf8CodePage)
        return false;
    auto put = [table](uint32_t character, char* out) {
        return table ? putCharacter(*table, character, out) : putCodePoint(character, out);
    };
    const unsigned char* begin = (const unsigned char*)source;
    const unsigned char* end = begin + length;
    return measureThenWrite(
        [&](char* out) {
            uint64_t count = 0;
            for (const unsigned char* p = begin; p < end;)
                count += put(nextCodePoint(&p, end), out ? out + count : nullptr);
            return count;
        },
        destination, size);
}

bool utf8LastByteAlone(const char* source, uint32_t length) {
    const unsigned char* p = (const unsigned char*)source;
    const unsigned char* end = p + length;
    const unsigned char* last = p;
    while (p < end) {
        last = p;
        nextCodePoint(&p, end);
    }
    return length && last == end - 1;
}

bool codePageToUtf8(unsigned codePage, const char* source, uint32_t length, char* destination,
                    uint32_t* size) {
    const Table* table = findTable(codePage);
    if (!table)
        return false;
    const unsigned char* bytes = (const unsigned char*)source;
    return measureThenWrite(
        [&](char* out) {
            uint64_t count = 0;
            for (uint32_t at = 0; at < length;)
                count += putUtf8(readUnit(*table, bytes, length, &at), out ? out + count : nullptr);
            return count;
        },
        destination, size);
}
#endif
