// What the system's conversion answers for the product's ANSI code pages, captured under Wine
// (xml/code_page_data.cpp is generated: scripts/regenerate-code-pages) and kept compact;
// xml/code_pages.cpp expands a code page's tables on its first use.
//
// Both streams are base64 text, ended by a NUL.
//
// reverse: what MultiByteToWideChar reads, position by position: each byte alone (a lead byte
// alone reads as leadAloneUnit), then for each lead byte in increasing order the pairs with the
// trail bytes 0x01 to 0xFF. One code per step, "previous" being the last unit given other than by
// a fill (0 at the start):
//   0x00-0x7F          one unit: previous + code - 0x40
//   0x80-0xBF b        one unit: previous + ((code & 0x3F) << 8 | b) - 0x2000
//   0xC0-0xDF          (code & 0x1F) + 1 units, each previous + 1
//   0xE0-0xEF b        ((code & 0x0F) << 8 | b) + 1 units, each previous + 1
//   0xF0-0xFE b        ((code & 0x0F) << 8 | b) + 1 positions reading as leadAloneUnit
//   0xFF h l           one unit: h << 8 | l
//
// forward: WideCharToMultiByte's bytes for each UTF-16 unit are first taken from the reverse
// table: the bytes of the first position that reads as the unit (lead bytes alone and pairs
// reading as leadAloneUnit do not count), else defaultBytes. Then the exceptions (best fit, and
// the choice among several byte sequences that read as one unit) as runs, in increasing order:
//   the first unit as a distance from the previous run's first unit (7 bits a byte, low bits
//   first, 0x80 set on every byte but the last); a byte: count - 1 in bits 0-6, bit 7 set when
//   every unit of the run gets the same bytes (else each the next value); the first unit's
//   bytes, high byte first.
// Bytes are held as one value: a single byte b as b, a pair as lead << 8 | trail.
#pragma once

#include <stdint.h>

struct CodePageData {
    uint16_t number;
    uint16_t defaultBytes;
    uint16_t leadAloneUnit; // 0 for a code page without lead bytes
    uint8_t leadRanges[6];  // up to three first-last ranges of lead bytes, 0 when unused
    const char* reverse;
    const char* forward;
};

extern const CodePageData codePageData[];
extern const unsigned codePageDataCount;
