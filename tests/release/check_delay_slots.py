#!/usr/bin/env python3
"""check_delay_slots.py [--refuses] PROGRAM MAP

Checks the functions PROGRAM binds at run time, in the linked image itself: before the first
call, every address slot must point at a lazy-binding entry of its own, which loads that same
slot and jumps to a tail that passes the slot's own descriptor to the delay-load helper (whose
address the linker's MAP gives). A slot of 0, or one that leads anywhere else, would make the
first call of that function jump to nowhere.

With --refuses, the check is tried on two damaged copies of a sound PROGRAM, made in memory:
one whose slots all point at the first slot's entry, one whose last slot holds 0. Both must
be refused."""

import re
import struct
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import pe_image  # noqa: E402


def helper_address(map_path):
    text = Path(map_path).read_text(errors="replace")
    found = re.search(r"^\s+0x([0-9a-f]+)\s+_*delayLoadHelper2(@8)?\s*$", text, re.M)
    return int(found.group(1), 16) if found else None


def code(image, rva, length):
    section = image.section_of(rva)
    if section is None or not section.executable:
        raise ValueError(f"{rva:#x} lies in no code section")
    start = image.offset_of(rva)
    return image.data[start:start + length]


def relative(at, data, offset):
    """The target of a 32-bit displacement at data[offset], relative to the next instruction
    (at + the end of the displacement)."""
    return at + offset + 4 + struct.unpack_from("<i", data, offset)[0]


def lazy_entry(image, rva):
    """(slot, tail) of the entry at rva: 'mov eax, slot; jmp tail' (i686) or
    'lea rax, [slot]; jmp tail' (x86_64)."""
    data = code(image, rva, 12)
    if not image.is_64_bit and data[0] == 0xB8 and data[5] == 0xE9:
        slot = struct.unpack_from("<I", data, 1)[0] - image.image_base
        return slot, relative(rva, data, 6)
    if image.is_64_bit and data[:3] == b"\x48\x8d\x05" and data[7] == 0xE9:
        return relative(rva, data, 3), relative(rva, data, 8)
    raise ValueError("not a lazy-binding entry")


def tail_merge(image, rva):
    """(descriptor, helper) of the tail at rva: it saves the argument registers, passes the
    descriptor and the slot to the helper, and jumps where the helper says."""
    data = code(image, rva, 64)
    if not image.is_64_bit and data[:4] == b"\x51\x52\x50\x68" and data[8] == 0xE8:
        descriptor = struct.unpack_from("<I", data, 4)[0] - image.image_base
        return descriptor, relative(rva, data, 9)
    if image.is_64_bit:
        at = data.find(b"\x48\x8d\x0d")
        if at >= 0 and data[at + 7] == 0xE8:
            return relative(rva, data, at + 3), relative(rva, data, at + 8)
    raise ValueError("not a tail that calls the delay-load helper")


def check(image, helper):
    faults, entries, count = [], set(), 0
    step = 8 if image.is_64_bit else 4
    for descriptor in pe_image.delay_descriptors(image):
        for index, function in enumerate(descriptor.functions):
            count += 1
            slot = descriptor.address_table + index * step
            name = f"{descriptor.dll}!{function}"
            value = image.pointer(slot)
            if value == 0:
                faults.append(f"{name}: its address slot holds 0 (the link left out its "
                              "lazy-binding entry)")
                continue
            entry = value - image.image_base
            try:
                loaded, tail = lazy_entry(image, entry)
                passed, called = tail_merge(image, tail)
            except ValueError as error:
                faults.append(f"{name}: its slot points at {entry:#x}: {error}")
                continue
            if entry in entries:
                faults.append(f"{name}: its slot shares the entry at {entry:#x}")
            entries.add(entry)
            if loaded != slot:
                faults.append(f"{name}: its entry binds the slot at {loaded:#x}, not its own "
                              f"at {slot:#x}")
            if passed != descriptor.at:
                faults.append(f"{name}: its tail passes the descriptor at {passed:#x}, not "
                              f"{descriptor.at:#x} of {descriptor.dll}")
            if called + image.image_base != helper:
                faults.append(f"{name}: its tail calls {called + image.image_base:#x}, not the "
                              f"delay-load helper at {helper:#x}")
    if count == 0:
        faults.append("no delay-bound function found")
    return faults, count


def damaged_copies(image):
    """(what, image) pairs: copies of image with the slots' contents changed."""
    fmt = "<Q" if image.is_64_bit else "<I"
    step = struct.calcsize(fmt)
    slots = [d.address_table + i * step for d in pe_image.delay_descriptors(image)
             for i in range(len(d.functions))]
    first = image.pointer(slots[0])
    for what, values in (("every slot at the first entry", [first] * len(slots)),
                         ("the last slot 0", [image.pointer(s) for s in slots[:-1]] + [0])):
        data = bytearray(image.data)
        for slot, value in zip(slots, values):
            struct.pack_into(fmt, data, image.offset_of(slot), value)
        yield what, pe_image.Image(bytes(data), image.machine, image.image_base,
                                   image.timestamp, image.sections, image.directories)


def main():
    refuses = sys.argv[1:2] == ["--refuses"]
    arguments = sys.argv[2:] if refuses else sys.argv[1:]
    if len(arguments) != 2:
        sys.exit(__doc__)
    program, map_path = arguments
    helper = helper_address(map_path)
    if helper is None:
        sys.exit(f"{map_path}: the delay-load helper is not in the map")
    image = pe_image.read_image(program)
    if refuses:
        status = 0
        for what, copy in damaged_copies(image):
            faults, _ = check(copy, helper)
            print(f"{what}: {len(faults)} faults" + "".join(f"\n  {f}" for f in faults))
            status |= 0 if faults else 1
        return status
    faults, count = check(image, helper)
    for line in faults:
        print(line)
    print(f"{program}: {count} delay-bound functions, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
