#!/usr/bin/env python3
"""Generates the upper halves (bytes 0x80..0xFF) of the single-byte code pages
used by platform/CodePage.cpp from Python's codecs.

    tools/gen_codepages.py            print the tables
    tools/gen_codepages.py --update   rewrite the generated block in platform/CodePage.cpp

Bytes a page leaves undefined (only 0x98 of CP1251) become U+FFFD.
"""
import pathlib
import sys

PAGES = [
    ("kCp866", "cp866", "CP866 (DOS Cyrillic)"),
    ("kCp437", "cp437", "CP437 (DOS US)"),
    ("kCp850", "cp850", "CP850 (DOS Western Europe)"),
    ("kCp1251", "cp1251", "CP1251 (Windows Cyrillic)"),
    ("kKoi8r", "koi8_r", "KOI8-R"),
    ("kLatin1", "latin_1", "ISO-8859-1"),
]

BEGIN = "// BEGIN GENERATED TABLES (tools/gen_codepages.py)"
END = "// END GENERATED TABLES"


def upper_half(codec):
    out = []
    for b in range(0x80, 0x100):
        try:
            out.append(ord(bytes([b]).decode(codec)))
        except UnicodeDecodeError:
            out.append(0xFFFD)
    return out


def tables():
    lines = [BEGIN]
    for name, codec, title in PAGES:
        cps = upper_half(codec)
        lines.append(f"// {title}, bytes 0x80..0xFF.")
        lines.append(f"constexpr UpperHalf {name} = {{{{")
        for row in range(0, 128, 8):
            vals = ", ".join(f"0x{c:04X}" for c in cps[row:row + 8])
            lines.append(f"    {vals},  // {0x80 + row:02X}")
        lines.append("}};")
    lines.append(END)
    return "\n".join(lines) + "\n"


def main():
    text = tables()
    if len(sys.argv) > 1 and sys.argv[1] == "--update":
        path = pathlib.Path(__file__).resolve().parent.parent / "platform" / "CodePage.cpp"
        src = path.read_text(encoding="utf-8")
        start = src.index(BEGIN)
        stop = src.index(END) + len(END) + 1
        path.write_text(src[:start] + text + src[stop:], encoding="utf-8")
    else:
        sys.stdout.write(text)


if __name__ == "__main__":
    main()
