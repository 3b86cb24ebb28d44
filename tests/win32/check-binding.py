#!/usr/bin/env python3
"""Checks, without running it, that a pelwick.exe can bind every function it names.

    check-binding.py EXE LIBRARIES [--bound DLL=HEADER ...]

EXE is read as a PE image, LIBRARIES is the folder of the system libraries of EXE's own kind
(Wine's i386-windows or x86_64-windows). It fails unless
- the import table names exactly the libraries a window needs and no others;
- every imported name is exported by that library;
- every delayed import (found through the image's directory, or through the descriptors'
  symbols where the linker left the directory empty) names an exported function, and each of
  its address slots holds an address inside the image, as the loader needs it to;
- every function the program binds at run time (the X(...) list of the header) is exported by
  its library and named in the image.
This is what can be seen of a build on a machine that cannot execute it.
"""
import re
import struct
import sys
from pathlib import Path

EXPECTED_LIBRARIES = ["advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "user32.dll"]


class Image:
    def __init__(self, path):
        self.path = path
        self.data = Path(path).read_bytes()
        d = self.data
        if d[:2] != b"MZ":
            raise SystemExit(f"{path}: not a PE image")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe : pe + 4] != b"PE\0\0":
            raise SystemExit(f"{path}: not a PE image")
        self.machine, sections, _, self.symbols_at, self.symbol_count, optional_size = (
            struct.unpack_from("<HHIIIH", d, pe + 4)
        )
        optional = pe + 24
        magic = struct.unpack_from("<H", d, optional)[0]
        self.wide = magic == 0x20B
        self.base = (
            struct.unpack_from("<Q", d, optional + 24)[0]
            if self.wide
            else struct.unpack_from("<I", d, optional + 28)[0]
        )
        self.size = struct.unpack_from("<I", d, optional + 56)[0]
        directories = optional + (112 if self.wide else 96)
        self.directories = [
            struct.unpack_from("<II", d, directories + 8 * i) for i in range(16)
        ]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, va, rsize, raw = struct.unpack_from("<8sIIII", d, table + 40 * i)
            self.sections.append((va, max(vsize, rsize), raw, rsize))

    @property
    def kind(self):
        return {0x14C: "32-bit", 0x8664: "64-bit"}.get(self.machine, hex(self.machine))

    def offset(self, rva):
        for va, size, raw, rsize in self.sections:
            if va <= rva < va + size:
                if rva - va >= rsize:
                    return None  # in memory only: zero-filled at load
                return raw + rva - va
        return None

    def u32(self, rva):
        at = self.offset(rva)
        return 0 if at is None else struct.unpack_from("<I", self.data, at)[0]

    def slot(self, rva):
        at = self.offset(rva)
        if at is None:
            return 0
        return struct.unpack_from("<Q" if self.wide else "<I", self.data, at)[0]

    def text(self, rva):
        at = self.offset(rva)
        end = self.data.index(b"\0", at)
        return self.data[at:end].decode("ascii")

    def names(self, table_rva, import_flag_bits):
        """The names (or '#ordinal') of one thunk table, until its terminating zero."""
        width = 8 if self.wide else 4
        ordinal_flag = 1 << (63 if self.wide else 31)
        found = []
        while True:
            entry = self.slot(table_rva + width * len(found))
            if entry == 0:
                return found
            if entry & ordinal_flag:
                found.append(f"#{entry & 0xFFFF}")
            else:
                found.append(self.text((entry & import_flag_bits) + 2))

    def imports(self):
        rva, size = self.directories[1]
        result = []
        while rva and size:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            if name == 0:
                break
            result.append((self.text(name), self.names(lookup or first, 0x7FFFFFFF)))
            rva += 20
        return result

    def coff_symbols(self):
        if not self.symbols_at or not self.symbol_count:
            return {}
        strings = self.symbols_at + 18 * self.symbol_count
        found = {}
        i = 0
        while i < self.symbol_count:
            at = self.symbols_at + 18 * i
            raw, value, section, _, _, aux = struct.unpack_from("<8sIhHBB", self.data, at)
            if raw[:4] == b"\0\0\0\0":
                offset = struct.unpack_from("<I", raw, 4)[0]
                end = self.data.index(b"\0", strings + offset)
                name = self.data[strings + offset : end].decode("latin-1")
            else:
                name = raw.rstrip(b"\0").decode("latin-1")
            if section > 0:
                found[name] = self.sections[section - 1][0] + value
            i += 1 + aux
        return found

    def delayed_imports(self):
        """(library, [(name, slot value)]) per delay-load descriptor."""
        descriptors = []
        rva, size = self.directories[13]
        while rva and size:
            if self.u32(rva + 4) == 0:
                break
            descriptors.append(rva)
            rva += 32
        if not descriptors:
            # MinGW's delayed imports leave the directory empty: the descriptors are found by
            # their symbols.
            descriptors = [
                address
                for name, address in self.coff_symbols().items()
                if "_DELAY_IMPORT_DESCRIPTOR_" in name
            ]
        width = 8 if self.wide else 4
        result = []
        for rva in descriptors:
            attributes, name, _, iat, int_ = struct.unpack_from("<IIIII", self.data, self.offset(rva))
            names = self.names(int_, 0x7FFFFFFF)
            slots = [self.slot(iat + width * i) for i in range(len(names))]
            result.append((self.text(name), list(zip(names, slots))))
        return result

    def exports(self):
        rva, size = self.directories[0]
        if not rva:
            return set()
        fields = struct.unpack_from("<IIHHIIIIIII", self.data, self.offset(rva))
        base, functions, names, address_table, name_table = fields[5:10]
        found = {f"#{base + i}" for i in range(functions) if self.u32(address_table + 4 * i)}
        for i in range(names):
            found.add(self.text(self.u32(name_table + 4 * i)))
        return found


def bound_names(header):
    text = Path(header).read_text()
    block = re.search(r"#define\s+PELWICK_\w+_FUNCTIONS\(X\)((?:[^\n]*\\\n)*[^\n]*)", text)
    if not block:
        raise SystemExit(f"{header}: no list of bound functions")
    return re.findall(r"X\((\w+)\)", block.group(1))


def main(argv):
    if len(argv) < 3:
        raise SystemExit(__doc__)
    exe, libraries = Image(argv[1]), Path(argv[2])
    bound = []
    rest = argv[3:]
    while rest:
        if rest[0] != "--bound" or len(rest) < 2:
            raise SystemExit(__doc__)
        bound.append(rest[1].split("=", 1))
        rest = rest[2:]

    failures = []
    cache = {}

    def exported(library):
        key = library.lower()
        if key not in cache:
            path = libraries / key
            if not path.is_file():
                raise SystemExit(f"no system library {path} to check {exe.path} against")
            library_image = Image(path)
            if library_image.machine != exe.machine:
                raise SystemExit(f"{path} is {library_image.kind}, {exe.path} is {exe.kind}")
            cache[key] = library_image.exports()
        return cache[key]

    imports = exe.imports()
    names = sorted(library.lower() for library, _ in imports)
    if names != EXPECTED_LIBRARIES:
        failures.append(f"imports {names}, expected {EXPECTED_LIBRARIES}")
    count = 0
    for library, functions in imports:
        for function in functions:
            count += 1
            if function not in exported(library):
                failures.append(f"imports {library}!{function}, which {library} does not export")

    delayed = exe.delayed_imports()
    for library, functions in delayed:
        for function, slot in functions:
            count += 1
            if function not in exported(library):
                failures.append(f"delay-imports {library}!{function}, which it does not export")
            if not exe.base <= slot < exe.base + exe.size:
                failures.append(
                    f"the delayed import {library}!{function} goes through an address slot "
                    f"holding {slot:#x}, outside the image: its first call jumps there"
                )

    for library, header in bound:
        for function in bound_names(header):
            count += 1
            if function not in exported(library):
                failures.append(f"binds {library}!{function} at run time; {library} does not export it")
            if function.encode() + b"\0" not in exe.data:
                failures.append(f"{function} of {header} is not named in the image")

    label = f"{exe.path} ({exe.kind})"
    if failures:
        for failure in failures:
            print(f"FAIL: {label}: {failure}", file=sys.stderr)
        return 1
    print(
        f"{label}: {count} functions checked against {libraries}: imports from "
        f"{', '.join(names)}; {sum(len(f) for _, f in delayed)} delayed; "
        f"{sum(len(bound_names(h)) for _, h in bound)} bound at run time; all exported"
    )
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
