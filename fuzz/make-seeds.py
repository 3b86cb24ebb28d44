#!/usr/bin/env python3
# Writes the seed corpora of the fuzz targets (fuzz/corpus/<target>/); run it from anywhere.
import os
os.chdir(os.path.dirname(os.path.abspath(__file__)))
import math, struct
def ext(x):
    """x87 80-bit little-endian bytes of a double (exactly representable)."""
    if isinstance(x, bytes): return x
    sign = 0x8000 if math.copysign(1.0, x) < 0 else 0
    x = abs(x)
    if math.isinf(x): return struct.pack('<QH', 1 << 63, sign | 0x7FFF)
    if math.isnan(x): return struct.pack('<QH', 3 << 62, 0x7FFF)
    if x == 0: return struct.pack('<QH', 0, sign)
    m, e = math.frexp(x)  # x = m 2^e, m in [0.5, 1)
    sig = int(m * (1 << 64))
    assert sig >> 63 == 1
    return struct.pack('<QH', sig, sign | (e - 1 + 16383))
def f32(x): return struct.unpack('<f', struct.pack('<f', x))[0]
LDBL_MAX = struct.pack('<QH', (1 << 64) - 1, 0x7FFE)
LDBL_MIN = struct.pack('<QH', 1 << 63, 1)
DENORMAL = struct.pack('<QH', 12345, 0)
PSEUDO_DENORMAL = struct.pack('<QH', (1 << 63) | 5, 0)
UNNORMAL = struct.pack('<QH', 1 << 40, 0x4000)
PSEUDO_INF = struct.pack('<QH', 0, 0x7FFF)
TINY = struct.pack('<QH', (1 << 63) | 0xABCDEF, 3)  # near the bottom of the normal range
def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), 'wb') as f: f.write(data)

ints = ["42", "  42", "42 ", "", "   ", "$1F", "0x1f", "x1F", "-$10", "$FFFFFFFF", "2147483647",
        "2147483648", "-2147483648", "-2147483649", "007", "12a", "+-1", "-$80000000", "0x", "$",
        "$100000000", "$000000001F", "+", "\t1", "1,0"]
for i, t in enumerate(ints):
    write('corpus/FuzzTextToInteger', f'seed{i:02d}', t.encode())
write('corpus/FuzzTextToInteger', 'utf16-surrogate', b'\xff\xfe' + '4'.encode('utf-16le') + b'\x00\xd8')

floats = ["5,2", "5.2", "1.000,50", " 5,2 ", ",", ".", "5,", ",5", "1E", "1e-2", "1,5E2", "", "-",
          "E5", "1E4933", "1E5000", "1E-4999", "1E0499", "1e+499", "-0", "123456789012345678901234567890",
          "0,000000000000000000001", "1" + "0" * 40 + "E-40", "118973149535723176502E4912",
          "36451995318824746025E-4951", "5,2E", "5,2 x", "+,E-"]
for i, t in enumerate(floats):
    write('corpus/FuzzTextToExtended', f'seed{i:02d}', t.encode())
write('corpus/FuzzTextToExtended', 'utf16-nul', b'\xff\xfe' + '5,2'.encode('utf-16le') + b'\x00\x00')

formats = [("%7.0f  %10.2f\x80", [600, 195]), ("%7.0f  %10.2f\u20ac", [600.0, 195.0]),
           ("%10.2f", [1234.565]), ("%10.2f", [f32(1234.565)]), ("%10.2f", [2.675]),
           ("%10.2f", [0.125]), ("%7.0f", [0.5]), ("%7.0f", [-0.5]), ("%7.0f", [-0.4]),
           ("%10.2f", [-0.005]), ("%10.2f", [1e18]), ("%10.2f", [float('inf')]),
           ("%10.2f", [float('nan')]), ("%10.2f", [12345678.9]), ("%-8.3f|", [3.14159]),
           ("100%%", []), ("%d", [1.0]), ("%f", []), ("%.f", [1.0]), ("%5.20f", [1.0]),
           ("%.18f", [1 / 3]), ("%3.4f", [1.5e300]), ("abc%10.2F%7.0f", [-0.004, 12345678.9]),
           ("%", [1.0]), ("%-", [1.0]), ("%f%f", [1.0]), ("%0.0f", [LDBL_MAX]),
           ("%.2f", [DENORMAL]), ("%.3f", [UNNORMAL])]
for i, (f, vals) in enumerate(formats):
    write('corpus/FuzzFormatText', f'seed{i:02d}', f.encode() + b'\0' + b''.join(ext(v) for v in vals))

general = [0.0, -0.0, 4.5, -2.5, f32(5.2), f32(4.7), 5.25, 123456789012345.0, 1e15, 0.0001,
           0.00001, 1.2345678901234568e17, float('inf'), float('-inf'), float('nan'), 1 / 3,
           5e-324, 1.7976931348623157e308, 999999999999999.9, 0.00009999999999999999,
           LDBL_MAX, LDBL_MIN, DENORMAL, PSEUDO_DENORMAL, UNNORMAL, PSEUDO_INF, TINY]
for i, v in enumerate(general):
    write('corpus/FuzzFloatToGeneralText', f'seed{i:02d}', ext(v))

expansions = [(1234.5, 15, 255), (0.0001, 15, 255), (0.125, 18, 2), (2.675, 18, 2), (0.5, 18, 0),
              (-0.5, 18, 0), (-0.004, 18, 2), (9.5, 2, 0), (99.5, 2, 255), (1e18, 18, 2),
              (LDBL_MAX, 18, 255), (LDBL_MIN, 18, 255), (TINY, 18, 18), (DENORMAL, 15, 255),
              (UNNORMAL, 15, 255), (float('nan'), 15, 2), (float('-inf'), 15, 2), (f32(1234.565), 18, 2)]
for i, (v, p, d) in enumerate(expansions):
    write('corpus/FuzzDecimalExpansion', f'seed{i:02d}', ext(v) + bytes([p - 2, d]))

# FuzzHive: a reset byte, then steps of (name index, operation, arguments).
READ, WRITE, SETRAW, QUERY, ACCESSOR, KEYS = 0, 2, 4, 5, 6, 7
T = {'NONE': 0, 'SZ': 1, 'EXPAND_SZ': 2, 'BINARY': 3, 'DWORD': 4, 'MULTI_SZ': 5, 'QWORD': 6}
def u16(s): return s.encode('utf-16le')
def raw(name, t, data): return bytes([name, SETRAW, T[t], len(data)]) + data
def read(name, kind, extra=b''): return bytes([name, READ, kind]) + extra
hive = {
    'first-start-defaults': bytes([1]) + b''.join(read(n, k, b'\0\0\0\7') for n, k in
                                                [(0, 1), (1, 1), (2, 3), (3, 0), (4, 0), (5, 4), (6, 2)]),
    'write-read-int': bytes([0, 0, WRITE, 1, 0xFF, 0xFF, 0xFF, 0xFF]) + read(0, 1, b'\0\0\0\0') + read(7, 1, b'\0\0\0\0'),
    'sz-two-digits-as-int': bytes([0]) + raw(0, 'SZ', u16('42') + b'\0\0') + read(0, 1, b'\0\0\0\0'),
    'sz-one-digit-as-int': bytes([0]) + raw(0, 'SZ', u16('4') + b'\0\0') + read(0, 1, b'\0\0\0\0') + read(6, 2),
    'price-dword-and-short-binary': bytes([0]) + raw(2, 'DWORD', b'\1\0\0\0') + read(2, 3) + raw(2, 'BINARY', b'\0\0\0\0') + read(2, 3),
    'price-16-bytes': bytes([0]) + raw(2, 'BINARY', bytes(16)) + read(2, 3),
    'price-5.3-other-program': bytes([0]) + raw(2, 'BINARY', struct.pack('<d', 5.3)) + read(2, 3),
    'price-beyond-single': bytes([0]) + raw(2, 'BINARY', struct.pack('<d', 1e39)) + read(2, 3) + raw(2, 'BINARY', struct.pack('<d', float('nan'))) + read(2, 3) + raw(2, 'BINARY', struct.pack('<d', 1e-46)) + read(2, 3),
    'text-expand-nul-inside': bytes([0]) + raw(3, 'EXPAND_SZ', u16('%HOME%') + b'\0\0') + read(3, 0) + raw(3, 'SZ', u16('ab') + b'\0\0' + u16('cd') + b'\0\0') + read(3, 0) + raw(3, 'SZ', b'a') + read(3, 0),
    'text-wrong-types': bytes([0]) + raw(3, 'DWORD', b'\1\0\0\0') + read(3, 0) + raw(3, 'MULTI_SZ', u16('a') + b'\0\0\0\0') + read(3, 0) + raw(3, 'NONE', b'') + read(3, 0),
    'empty-text': bytes([0, 3, WRITE, 0, 1, 0]) + read(3, 0) + bytes([3, QUERY, 0]) + bytes([3, QUERY, 5]),
    'short-dword': bytes([0]) + raw(0, 'DWORD', b'\7') + read(0, 1, b'\0\0\0\0'),
    'query-sizes': bytes([0]) + raw(8, 'BINARY', bytes(range(12))) + bytes([8, QUERY, 0, 8, QUERY, 1, 8, QUERY, 2 * 11 + 1, 8, QUERY, 2 * 12 + 1, 9, QUERY, 1]),
    'keys': bytes([1, 0, KEYS, 25]) + u16('Software\\Korvenda\\Pelwi')[:25] + bytes([1]) + b'\0\0\0\2' + bytes([0, KEYS, 8]) + u16('\\abc') + bytes([6]) + b'\0\0\0\3',
    'accessors': bytes([0]) + b''.join(bytes([0, ACCESSOR, i]) + b'\x40\xa0\0\0' for i in range(14)),
    'name-case-and-unicode': bytes([0, 10, WRITE, 1, 0, 0, 0, 5]) + read(10, 1, b'\0\0\0\0') + bytes([8, WRITE, 1, 0, 0, 0, 6]) + read(6, 1, b'\0\0\0\0') + read(9, 0),
    'big-text': bytes([0, 3, WRITE, 0, 0, 0x0B, 0xB8]) + b'Ae' * 1500 + read(3, 0) + read(3, 1, b'\0\0\0\0'),
}
for name, data in hive.items():
    write('corpus/FuzzHive', name, data)
