"""A small reader of PE images: the sections, the import table and the delay-import
descriptors, for the release checks of setup.exe."""

import struct
from dataclasses import dataclass, field


@dataclass
class Section:
    name: str
    virtual_address: int
    virtual_size: int
    raw_offset: int
    raw_size: int
    characteristics: int = 0

    @property
    def executable(self):
        return bool(self.characteristics & 0x20000000)  # IMAGE_SCN_MEM_EXECUTE


@dataclass
class Image:
    data: bytes
    machine: int
    image_base: int
    timestamp: int
    sections: list = field(default_factory=list)
    directories: list = field(default_factory=list)

    @property
    def is_64_bit(self):
        return self.machine == 0x8664

    def offset_of(self, rva):
        for s in self.sections:
            if s.virtual_address <= rva < s.virtual_address + max(s.virtual_size, s.raw_size):
                return s.raw_offset + rva - s.virtual_address
        raise ValueError(f"address {rva:#x} lies in no section")

    def contains(self, rva):
        return any(s.virtual_address <= rva < s.virtual_address + s.virtual_size
                   for s in self.sections)

    def section_of(self, rva):
        return next((s for s in self.sections
                     if s.virtual_address <= rva < s.virtual_address + s.virtual_size), None)

    def u16(self, rva):
        return struct.unpack_from("<H", self.data, self.offset_of(rva))[0]

    def u32(self, rva):
        return struct.unpack_from("<I", self.data, self.offset_of(rva))[0]

    def pointer(self, rva):
        fmt = "<Q" if self.is_64_bit else "<I"
        return struct.unpack_from(fmt, self.data, self.offset_of(rva))[0]

    def text(self, rva, limit=512):
        start = self.offset_of(rva)
        end = self.data.index(b"\0", start, start + limit)
        return self.data[start:end].decode("ascii")


def read_image(path):
    data = open(path, "rb").read()
    if data[:2] != b"MZ":
        raise ValueError(f"{path} is no program")
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[pe:pe + 4] != b"PE\0\0":
        raise ValueError(f"{path} has no PE header")
    machine, count, timestamp, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    if magic == 0x20B:
        image_base = struct.unpack_from("<Q", data, optional + 24)[0]
        directory_count = struct.unpack_from("<I", data, optional + 108)[0]
        directories_at = optional + 112
    else:
        image_base = struct.unpack_from("<I", data, optional + 28)[0]
        directory_count = struct.unpack_from("<I", data, optional + 92)[0]
        directories_at = optional + 96
    image = Image(data, machine, image_base, timestamp)
    for i in range(directory_count):
        image.directories.append(struct.unpack_from("<II", data, directories_at + 8 * i))
    table = optional + optional_size
    for i in range(count):
        raw = struct.unpack_from("<8sIIIIIIHHI", data, table + 40 * i)
        name = raw[0].rstrip(b"\0").decode("ascii")
        image.sections.append(Section(name, raw[2], raw[1], raw[4], raw[3], raw[9]))
    return image


def _thunk_names(image, rva):
    """The names (or #ordinals) of a null-ended list of import lookup entries."""
    names = []
    step = 8 if image.is_64_bit else 4
    ordinal_flag = 1 << (63 if image.is_64_bit else 31)
    while True:
        entry = image.pointer(rva)
        if entry == 0:
            return names
        if entry & ordinal_flag:
            names.append(f"#{entry & 0xFFFF}")
        else:
            names.append(image.text(entry + 2))
        rva += step


def imports(image):
    """{dll: [function, ...]} of the import table."""
    result = {}
    rva, _ = image.directories[1]
    while rva:
        lookup, _, _, name, address = struct.unpack_from("<IIIII", image.data, image.offset_of(rva))
        if name == 0:
            break
        result.setdefault(image.text(name), []).extend(_thunk_names(image, lookup or address))
        rva += 20
    return result


@dataclass
class DelayDescriptor:
    at: int  # where the descriptor itself lies
    dll: str
    address_table: int  # the function address slots, one per function
    functions: list


def delay_descriptors(image):
    """The delay-import descriptors. The linker does not always fill their directory entry, so
    the sections are scanned for descriptors: address-relative records whose name, module
    handle, address table and name table all lie in the image, whose name ends in .dll and
    whose bound and unload tables are empty."""
    result = []
    rva, size = image.directories[13] if len(image.directories) > 13 else (0, 0)
    candidates = []
    if rva:
        candidates = [(rva + 32 * i) for i in range(size // 32)]
    else:
        for s in image.sections:
            for offset in range(0, s.raw_size - 32 + 1, 4):
                candidates.append(s.virtual_address + offset)
    for at in candidates:
        try:
            fields = struct.unpack_from("<8I", image.data, image.offset_of(at))
        except (ValueError, struct.error):
            continue
        attributes, name, module, address, names, bound, unload, stamp = fields
        if attributes != 1 or bound or unload or stamp:
            continue
        if not all(image.contains(r) for r in (name, module, address, names)):
            continue
        try:
            dll = image.text(name, 64)
        except (ValueError, UnicodeDecodeError):
            continue
        if not dll.lower().endswith(".dll"):
            continue
        result.append(DelayDescriptor(at, dll, address, _thunk_names(image, names)))
    return result


def delay_imports(image):
    """{dll: [function, ...]} of the delay-import descriptors."""
    result = {}
    for descriptor in delay_descriptors(image):
        result.setdefault(descriptor.dll, []).extend(descriptor.functions)
    return result
