#!/usr/bin/env python3
"""make_tables.py CAPTURE_DIR PLATFORM > xml/code_page_data.cpp

Turns the answers code_page_capture recorded (CAPTURE_DIR/cpNNNN.bin) into the compact tables
of xml/code_page_data.cpp, in the format xml/code_page_data.h describes. Before writing, it
expands them as xml/code_pages.cpp does and fails unless that gives back every answer.
"""
import base64
import struct
import sys

CODE_PAGES = (1252, 932, 936, 949, 950)
PLANE = 65536


class Capture:
    def __init__(self, path):
        data = open(path, "rb").read()
        self.default, self.lead_alone = struct.unpack_from("<HH", data, 0)
        self.lead = [bool(b) for b in data[4:260]]
        self.forward = struct.unpack_from("<%dH" % PLANE, data, 260)
        self.reverse = struct.unpack_from("<%dH" % PLANE, data, 260 + 2 * PLANE)

    def positions(self):
        """The reverse table's positions in stream order: bytes alone, then lead-trail pairs."""
        yield from range(256)
        for lead in range(256):
            if self.lead[lead]:
                for trail in range(1, 256):
                    yield lead << 8 | trail

    def lead_ranges(self):
        ranges = []
        for b in range(256):
            if self.lead[b]:
                if ranges and ranges[-1][1] == b - 1:
                    ranges[-1][1] = b
                else:
                    ranges.append([b, b])
        if len(ranges) > 3:
            sys.exit("more than three ranges of lead bytes")
        return [b for r in ranges for b in r] + [0] * (6 - 2 * len(ranges))


def encode_reverse(capture):
    values = [capture.reverse[p] for p in capture.positions()]
    fill = capture.lead_alone if capture.lead_alone else None
    out = bytearray()
    previous = 0
    i = 0
    while i < len(values):
        j = i
        while j < len(values) and values[j] == fill and j - i < 15 * 256:
            j += 1
        if j - i >= 2:
            n = j - i - 1
            out += bytes((0xF0 | n >> 8, n & 0xFF))
            i = j
            continue
        delta = values[i] - previous
        if -0x40 <= delta < 0x40:
            out.append(delta + 0x40)
        elif -0x2000 <= delta < 0x2000:
            d = delta + 0x2000
            out += bytes((0x80 | d >> 8, d & 0xFF))
        else:
            out += bytes((0xFF, values[i] >> 8, values[i] & 0xFF))
        previous = values[i]
        i += 1
        j = i
        while j < len(values) and values[j] == previous + (j - i) + 1 and j - i < 0x1000:
            j += 1
        n = j - i
        if n:
            if n <= 0x20:
                out.append(0xC0 | (n - 1))
            else:
                out += bytes((0xE0 | (n - 1) >> 8, (n - 1) & 0xFF))
            previous = values[j - 1]
            i = j
    return bytes(out)


def inverse(capture, reverse):
    """What the forward table is before its exceptions: for each unit, the first position that
    reads as it (lead bytes alone and pairs reading as one do not count), else the default."""
    forward = [None] * PLANE
    for p in capture.positions():
        unit = reverse[p]
        if (p > 0xFF and unit == capture.lead_alone) or (p <= 0xFF and capture.lead[p]):
            continue
        if forward[unit] is None:
            forward[unit] = p
    return [capture.default if f is None else f for f in forward]


def encode_exceptions(capture, base):
    changed = [(u, capture.forward[u]) for u in range(PLANE) if capture.forward[u] != base[u]]
    runs = []
    for unit, value in changed:
        if runs:
            first, count, same, bytes_ = runs[-1]
            if unit == first + count and count < 0x80:
                if count == 1 or not same:
                    if value == bytes_ + count:
                        runs[-1] = (first, count + 1, False, bytes_)
                        continue
                if count == 1 or same:
                    if value == bytes_:
                        runs[-1] = (first, count + 1, True, bytes_)
                        continue
        runs.append((unit, 1, False, value))
    out = bytearray()
    previous = 0
    for first, count, same, value in runs:
        delta = first - previous
        while delta >= 0x80:
            out.append(0x80 | delta & 0x7F)
            delta >>= 7
        out.append(delta)
        out.append((0x80 if same else 0) | (count - 1))
        out += bytes((value >> 8, value & 0xFF))
        previous = first
    return bytes(out), len(changed)


def decode_reverse(capture, data):
    """The expansion xml/code_pages.cpp does, to check the encoding."""
    values = []
    previous = 0
    i = 0
    while i < len(data):
        op = data[i]
        if op < 0x80:
            previous += op - 0x40
            values.append(previous)
            i += 1
        elif op < 0xC0:
            previous += ((op & 0x3F) << 8 | data[i + 1]) - 0x2000
            values.append(previous)
            i += 2
        elif op < 0xE0:
            for _ in range((op & 0x1F) + 1):
                previous += 1
                values.append(previous)
            i += 1
        elif op < 0xF0:
            for _ in range(((op & 0x0F) << 8 | data[i + 1]) + 1):
                previous += 1
                values.append(previous)
            i += 2
        elif op < 0xFF:
            values += [capture.lead_alone] * (((op & 0x0F) << 8 | data[i + 1]) + 1)
            i += 2
        else:
            previous = data[i + 1] << 8 | data[i + 2]
            values.append(previous)
            i += 3
    reverse = [0] * PLANE
    positions = list(capture.positions())
    if len(values) != len(positions):
        sys.exit("the reverse stream gives %d values for %d positions" %
                 (len(values), len(positions)))
    for p, v in zip(positions, values):
        reverse[p] = v
    return reverse


def apply_exceptions(forward, data):
    unit = 0
    i = 0
    while i < len(data):
        shift = 0
        delta = 0
        while True:
            b = data[i]
            i += 1
            delta |= (b & 0x7F) << shift
            shift += 7
            if b < 0x80:
                break
        unit += delta
        count = (data[i] & 0x7F) + 1
        same = data[i] & 0x80
        value = data[i + 1] << 8 | data[i + 2]
        i += 3
        for k in range(count):
            forward[unit + k] = value if same else value + k
    return forward


def literal(data, indent):
    """data in base64, as C string literal pieces, one per line, each at most 100 columns."""
    text = base64.b64encode(data).decode("ascii")
    width = (100 - indent - 3) // 4 * 4
    lines = ['"%s"' % text[i:i + width] for i in range(0, len(text), width)] or ['""']
    return ("\n" + " " * indent).join(lines)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    folder, platform = sys.argv[1], sys.argv[2]
    parts = []
    rows = []
    summary = []
    for number in CODE_PAGES:
        capture = Capture("%s/cp%d.bin" % (folder, number))
        reverse_data = encode_reverse(capture)
        reverse = decode_reverse(capture, reverse_data)
        for p in capture.positions():
            if reverse[p] != capture.reverse[p]:
                sys.exit("code page %d: position %04X reads back wrong" % (number, p))
        base = inverse(capture, reverse)
        forward_data, exceptions = encode_exceptions(capture, base)
        forward = apply_exceptions(list(base), forward_data)
        for u in range(PLANE):
            if forward[u] != capture.forward[u]:
                sys.exit("code page %d: unit %04X converts back wrong" % (number, u))
        parts.append("const char Reverse%d[] =\n    %s;\n" % (number, literal(reverse_data, 4)))
        parts.append("const char Forward%d[] =\n    %s;\n" % (number, literal(forward_data, 4)))
        leads = ", ".join("0x%02X" % b for b in capture.lead_ranges())
        rows.append("    {%d, 0x%04X, 0x%04X, {%s}, Reverse%d, Forward%d},\n" %
                    (number, capture.default, capture.lead_alone, leads, number, number))
        summary.append("%d: %d + %d bytes, %d exceptions" %
                       (number, len(reverse_data), len(forward_data), exceptions))
    print("// Generated by scripts/regenerate-code-pages from what WideCharToMultiByte and")
    print("// MultiByteToWideChar answered under %s; do not edit. The format is" % platform)
    print("// described in xml/code_page_data.h.")
    print("//")
    for line in summary:
        print("// %s" % line)
    print('#include "xml/code_page_data.h"')
    print()
    print("namespace {")
    print()
    print("\n".join(parts))
    print("} // namespace")
    print()
    print("const CodePageData codePageData[] = {")
    print("".join(rows) + "};")
    print()
    print("const unsigned codePageDataCount = sizeof codePageData / sizeof codePageData[0];")


if __name__ == "__main__":
    main()
