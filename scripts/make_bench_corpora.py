#!/usr/bin/env python3
"""Usage: make_bench_corpora.py OUTDIR

Builds the two benchmark corpora from the recordings in tests/data, by repeating and
interleaving their lines verbatim (CRLF line endings), and checks their SHA-256:

  bench_ais.nmea    1,000,000 AIS lines: every VDM/VDO line of tests/data/ais/* in file
                    order, repeated; cut only where no multi-fragment message is open.
  bench_mixed.nmea  the same AIS lines interleaved about 1:1 with 1,000,000 GNSS
                    sentences (whole AIS chunks; GNSS from tests/data/gnss/* and the GNSS
                    lines of the AIS recordings that carry them).

Adapted from the make_bench.py that comes with the recordings; the output is byte for
byte the same. The corpora are large (51 MB and 107 MB): write them into a build or
temporary folder, never into the repository. Exit status 1 when a hash does not match."""
import collections
import glob
import hashlib
import os
import re
import sys

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'tests', 'data')
EXPECTED_SHA256 = {
    'bench_ais.nmea': '98809b6e5775f20fc0100e76273ec6177a059e91bab3701d73f2eeb4c3a5bff3',
    'bench_mixed.nmea': 'a6156bc1371b6e48229e86b07999af1c93f2e121e4ff2212a700be806cbe2683',
}
AIS_FILES = sorted(glob.glob(f'{DATA}/ais/*'))
GNSS_FILES = sorted(glob.glob(f'{DATA}/gnss/*')) + [
    f'{DATA}/ais/ais-nmea.log', f'{DATA}/ais/saab-r4.log', f'{DATA}/ais/ait250.log']
GNSS_TYPES = {'GGA', 'GLL', 'GSA', 'GSV', 'RMC', 'VTG', 'ZDA', 'GBS', 'GNS', 'HDT', 'ROT',
              'DTM', 'GRS', 'GST', 'TXT'}
TARGET = 1_000_000
FRAGMENT = re.compile(r'^!..VD[MO],(\d),(\d),')
NMEA = re.compile(r'^\$([A-Z]{2})([A-Z]{3}),[^*]*\*[0-9A-Fa-f]{2}$')


def lines(path):
    # Latin-1 maps every byte to one character and back, so lines stay verbatim.
    with open(path, 'rb') as f:
        for raw in f:
            yield raw.decode('latin-1').rstrip('\r\n')


def ais_chunks():
    """The AIS lines in groups that never split an open multi-fragment message."""
    pool = []
    for path in AIS_FILES:
        pool += [l for l in lines(path) if FRAGMENT.match(l)]
    chunks, current, open_messages = [], [], 0
    for l in pool:
        total, number = map(int, FRAGMENT.match(l).groups())
        current.append(l)
        if total > 1 and number == 1:
            open_messages += 1
        if total > 1 and number == total:
            open_messages = max(0, open_messages - 1)
        if open_messages == 0:
            chunks.append(current)
            current = []
    if current:
        chunks.append(current)
    return pool, chunks


def gnss_sentences():
    gnss = []
    for path in GNSS_FILES:
        for l in lines(path):
            m = NMEA.match(l)
            if m and m.group(2) in GNSS_TYPES:
                gnss.append(l)
    return gnss


def write(path, line_source):
    digest = hashlib.sha256()
    with open(path, 'wb') as f:
        block = []
        for l in line_source:
            block.append(l)
            if len(block) >= 65536:
                data = ('\r\n'.join(block) + '\r\n').encode('latin-1')
                f.write(data)
                digest.update(data)
                block = []
        if block:
            data = ('\r\n'.join(block) + '\r\n').encode('latin-1')
            f.write(data)
            digest.update(data)
    return digest.hexdigest()


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    pool, chunks = ais_chunks()
    gnss = gnss_sentences()
    ais_sequence, ais_lines = [], 0
    i = 0
    while True:
        chunk = chunks[i % len(chunks)]
        if ais_lines + len(chunk) > TARGET:
            break
        ais_sequence.append(chunk)
        ais_lines += len(chunk)
        i += 1

    def ais_only():
        for chunk in ais_sequence:
            yield from chunk

    mixed_ais_written = 0

    def mixed():
        # After GNSS sentence g, AIS chunks follow until the AIS share reaches (g+1)/TARGET.
        nonlocal mixed_ais_written
        ai = 0
        for gi in range(TARGET):
            yield gnss[gi % len(gnss)]
            while ai < len(ais_sequence) and mixed_ais_written * TARGET < (gi + 1) * ais_lines:
                yield from ais_sequence[ai]
                mixed_ais_written += len(ais_sequence[ai])
                ai += 1
        while ai < len(ais_sequence):
            yield from ais_sequence[ai]
            mixed_ais_written += len(ais_sequence[ai])
            ai += 1

    hashes = {
        'bench_ais.nmea': write(os.path.join(out, 'bench_ais.nmea'), ais_only()),
        'bench_mixed.nmea': write(os.path.join(out, 'bench_mixed.nmea'), mixed()),
    }
    print('AIS pool: lines', len(pool), 'chunks', len(chunks))
    print('GNSS pool: sentences', len(gnss),
          collections.Counter(l[3:6] for l in gnss).most_common())
    print('bench_ais: AIS lines', ais_lines)
    print('bench_mixed: GNSS sentences', TARGET, 'AIS lines', mixed_ais_written)
    ok = True
    for name, digest in hashes.items():
        match = digest == EXPECTED_SHA256[name]
        ok = ok and match
        print(f'{name}: sha256 {digest} {"matches" if match else "DOES NOT MATCH " + EXPECTED_SHA256[name]}')
    return 0 if ok else 1


if __name__ == '__main__':
    sys.exit(main())
