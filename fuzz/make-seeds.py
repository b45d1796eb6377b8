#!/usr/bin/env python3
"""Makes the seed corpus of the fuzz targets from what the virtual printer recorded.

  fuzz/make-seeds.py CAPTURE.log... --jobs JOB.prn... --backups FILE.eeprom...

Captures and jobs come from sessions of arvana-service --simulator=DIR (DIR/capture.log after
each command, DIR/jobs/*.prn); backups from the backup command. Seeds are written to
fuzz/corpus/<target>/ under names made from their contents, so running it twice adds nothing.
The hand-made seeds (typed text, device IDs, fault switches) are written as well.
"""
import argparse
import hashlib
import pathlib
import struct

CORPUS = pathlib.Path(__file__).resolve().parent / "corpus"
MAX_SEED = 24 * 1024


def write(target, data):
    folder = CORPUS / target
    folder.mkdir(parents=True, exist_ok=True)
    data = bytes(data[:MAX_SEED])
    (folder / hashlib.sha1(data).hexdigest()[:16]).write_bytes(data)


def records(path):
    for line in pathlib.Path(path).read_text().splitlines():
        parts = line.split()
        if len(parts) < 2 or parts[1] not in ("H>P", "P>H"):
            continue
        yield parts[1] == "H>P", bytes(int(h, 16) for h in parts[2:]), line


def from_capture(path):
    recs = list(records(path))
    lines = [line for _, _, line in recs]
    for start in range(0, len(lines), 80):
        write("capture_decoder", "\n".join(lines[start:start + 80]).encode() + b"\n")
    host = [data for from_host, data, _ in recs if from_host]
    replies = [data for from_host, data, _ in recs if not from_host and len(data) < 300]
    blocks = b"".join(b"\x02" + struct.pack("<H", len(b)) + b for b in host[:400])
    write("printer_blocks", blocks)
    stream = b"".join(host)[:MAX_SEED]
    write("printer_stream", b"".join(b"\x3f" + stream[i:i + 1009] for i in range(0, len(stream), 1009)))
    for flag in (0, 1):
        write("link_replies", bytes([flag]) + b"".join(struct.pack("<H", len(r)) + r for r in replies[:300]))


def from_job(path):
    job = pathlib.Path(path).read_bytes()
    head = bytes([0, 0, 0, 0, 0, 0, 0, 0, 8, 3])  # top margin, first dot, six Bi-D values, seed (8: the PNG is read back), clogs
    for start in (0, len(job) // 2):
        piece = job[start:start + MAX_SEED - 1024]
        write("print_stream", head + b"".join(bytes([255]) + piece[i:i + 256] for i in range(0, len(piece), 256)))


def hand_made():
    for kind, text in ((0, "3F"), (0, "a0"), (0, "G1"), (1, "AZAAAAAAAAAAC"), (1, "A1B2C3D4E5F6G"),
                       (2, "TZ3K048271"), (2, "tz3k04827"), (3, "-12"), (3, "+-5"), (3, "36"),
                       (4, "+72"), (4, "-0"), (4, "7x")):
        write("text_inputs", bytes([kind]) + text.encode())
    for text in ("MFG:VELOR;CMD:ESCPL2,BDC;MDL:Print 360;CLS:PRINTER;", "MANUFACTURER: velor ;MODEL:x;",
                 "MFG:Other;MDL:VELOR;", "", ";;:;MFG"):
        write("device_id", text.encode())
    head = ("seed = 7\nlast-used = 1796770153\n" + "".join(
        f"{name} = {'.' * 10}x{'.' * 37}\n" for name in ("black", "magenta", "cyan", "yellow", "light-magenta",
                                                        "light-cyan")) + "ink = 72.000 65.000 80.000 58.000 91.000 77.000\n")
    write("sim_files", b"\x00" + head.encode())
    write("sim_files", b"\x01# offsets\n2 -4 0 4 -2 6\n")
    write("sim_files", b"\x01+-5 0 0 0 0 0\n")
    for text in ("busy-ack = on\n", "power = off\npaper-out = true\n", "printer-error = 04\nheld-state = cleaning\n",
                 "eeprom-fault-cell = 3A\nshort-eeprom-reply = 1 # comment\n", "nonsense\n= on\n"):
        write("faults_file", text.encode())


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("captures", nargs="*")
    parser.add_argument("--jobs", nargs="*", default=[])
    parser.add_argument("--backups", nargs="*", default=[])
    arguments = parser.parse_args()
    for capture in arguments.captures:
        from_capture(capture)
    for job in arguments.jobs:
        from_job(job)
    for backup in arguments.backups:
        text = pathlib.Path(backup).read_bytes()
        write("backup_file", text)
        write("backup_file", text[: len(text) // 2])
        write("backup_file", text.replace(b"= 0", b"= 1", 1))
    hand_made()


if __name__ == "__main__":
    main()
