#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<Target>/.

The seeds are small pieces of the sample installations (samples/) and of the test
data (tests/e2e/data/), and a few hand-written inputs of each kind. Run it from any
directory after the samples change; the output is committed.
"""
import hashlib
import os
import pathlib
import shutil
import struct

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "fuzz" / "corpus"
DATA = ROOT / "tests" / "e2e" / "data"
SAMPLES = ROOT / "samples"


def read(path):
    return pathlib.Path(path).read_bytes()


def chunks(data, lines_per_chunk=40, limit=6):
    """Pieces of a log of whole lines each, at most `limit` of them."""
    lines = data.splitlines(keepends=True)
    out = []
    for i in range(0, len(lines), lines_per_chunk):
        out.append(b"".join(lines[i:i + lines_per_chunk]))
        if len(out) >= limit:
            break
    return out


class Corpus:
    def __init__(self):
        self.seeds = {}

    def add(self, target, data):
        self.seeds.setdefault(target, []).append(data)

    def write(self):
        if OUT.exists():
            shutil.rmtree(OUT)
        total = 0
        for target, seeds in sorted(self.seeds.items()):
            d = OUT / target
            d.mkdir(parents=True)
            for data in seeds:
                name = hashlib.sha1(data).hexdigest()[:16]
                (d / name).write_bytes(data)
                total += len(data)
        print(f"{sum(len(s) for s in self.seeds.values())} seeds, {total} bytes")


def with_len(first, rest):
    return struct.pack("<H", min(len(first), 0xFFFF)) + first + rest


def main():
    c = Corpus()

    # Addresses: a mode byte, then the text.
    for mode in (0, 1, 2, 5):
        for text in (b"2:5030/999.1@fidonet", b"5030/1", b"/1.2", b".3", b"*:*/*.*", b"ALL", b"Boss",
                     b"1", b"", b"32767:32767/32767.32767", b"2:5030/99999", b"2:*/1", b"0:1/2@d@e"):
            c.add("FidoAddrFuzz", bytes([mode]) + text)

    # Address lists: a mode byte, then an INI text.
    for mode in (0, 1, 3, 15):
        c.add("AddrListFuzz", bytes([mode]) + b"[List]\nAddrCnt=4\nAddr0=2:5030/1\nAddr1=!2:5030/*\n"
              b"Addr2=*:*/*.*\nAddr3=Boss\n[Lines]\n2:5020/52.1@fidonet=!ALL\n")
        c.add("AddrListFuzz", bytes([mode]) + b"[List]\nAddrCnt=999999999999\nAddr00=1:1/1\nAddr7=/5\n")

    # The configuration parser: a mode byte, then a.ctl.
    configs = [SAMPLES / "tmail" / "t-mail.ctl", SAMPLES / "brake" / "brake!.ctl",
               SAMPLES / "binkplus" / "binkley.cfg", SAMPLES / "fhmail" / "fhmail.cfg",
               SAMPLES / "sfmail" / "cfg" / "sf-mail.cfg"]
    for i, cfg in enumerate(configs):
        c.add("QParserFuzz", bytes([i * 37 & 0xFF]) + read(cfg))
    c.add("QParserFuzz", b"\x00Proc a b\r\nStr \"two words\"\r\nBool Yes\r\nInt -12\r\nList x\r\n"
          b"Enum two\r\nCustom c\r\nFile a.ctl\r\nDir sub\r\nDefine X = Y\r\nX\r\n")
    c.add("QParserFuzz", b"\x04Include sub\\c.ctl\r\n")
    c.add("QParserFuzz", b"\x00Include b.ctl\r\n")
    c.add("QParserFuzz", b"\x00include a.ctl\r\n")
    c.add("QParserFuzz", b"\x70[skip]\r\ndrop me\r\n[1]Str %TASKNO%\r\nend\r\nREQ x\r\nSTOP\r\n")
    c.add("QParserFuzz", b"\x08NoEnum x\nNoCustom y\nInt 99999999999\nBool maybe\nStr \"open\n")

    # Mailer language files.
    c.add("TMailLngFuzz", read(SAMPLES / "tmail" / "t-mail.lng"))
    c.add("TMailLngFuzz", b"one\0two %s\0three\0\0\x1a\0")
    c.add("SFMailLngFuzz", read(SAMPLES / "sfmail" / "sf-mail.lng"))
    c.add("FHMailLngFuzz", read(SAMPLES / "fhmail" / "fhmail.lng"))
    c.add("FHMailLngFuzz", b"; comment\r\nKEY 'text' 'second'\rOTHER'x'\nBAD 'open\n")
    c.add("BinkLngFuzz", read(SAMPLES / "binkplus" / "binkley.lng"))

    # Index files.
    c.add("Ndx2600Fuzz", read(SAMPLES / "tmail" / "index26.idx"))
    c.add("Ndx2604Fuzz", read(SAMPLES / "tmail" / "index2604.idx"))

    # files.bbs: the settings byte, the value byte, the file.
    for i, bbs in enumerate(sorted(SAMPLES.rglob("*"))):
        if bbs.name.lower() == "files.bbs":
            c.add("FilesBbsFuzz", bytes([i * 53 & 0xFF, i]) + read(bbs))
    c.add("FilesBbsFuzz", b"\x00\x01A.ZIP [012] x\r\n  more\rB.ZIP\nb.zip [x] y\n\nC [1")

    # Templates: a mode byte, then the text.
    for mode in (0, 1, 4, 16 | 8):
        c.add("TplFuzz", bytes([mode]) + b"Report of @date, @Time; a comment\r\n@Text in @name@@x\n"
              b"@Empty@Fail\n@Grow\n@nosuch @ @@Date\n#gone")

    # Custom formats: masks, error words, highlight strings, then a log.
    custom = read(DATA / "custom.log")
    c.add("CustomMaskFuzz", b"yyyy-mm-dd hh:nn:ss\n\nERROR\n2~ERR\t3Connect\n" + custom)
    c.add("CustomMaskFuzz", b"hh:nn:ss  x\n---- dd Mmm yyyy\nfail Error\n6Begin\t2~err\n"
          b"---- 29 Aug 2026\n00:41:34  Begin, binkd\n00:41:35  fail now\n---- 30 Aug 2026\n")
    c.add("CustomMaskFuzz", b"! dd-Mmm-yy hh:nn\n\n\n\n! 30-Dec-25 10:21 Calling\n")

    # INI texts and interface language files.
    for ini in sorted(DATA.glob("*.ini")):
        c.add("IniFileFuzz", read(ini))
    c.add("IniFileFuzz", b"pre=amble\n[a]\nx = \" q\\n\" \n[A]\ny=2\n;c\n[b]]\nbad line\n=v\n")
    c.add("IniFileFuzz", read(ROOT / "lng" / "QZ_Eng.lng"))
    for lng in sorted((ROOT / "lng").glob("*.lng")):
        c.add("LngFuzz", read(lng))
    c.add("LngFuzz", b"[Lng]\nVersion=beta 5\n[Strings]\nA=%s %d %f\nShortMonthNames=a,b,c,d,e,f,g,h,i,j,k,l\n"
          b"B=%*.*d\\n%1:s\n[Any]\nCaption=x\n")

    # Logs of the generic styles.
    for name, target in (("plain", "PlainLogFuzz"), ("garbage", "PlainLogFuzz"), ("bink", "BinkLogFuzz"),
                         ("garbage", "BinkLogFuzz"), ("frontdoor", "FrontDoorLogFuzz"),
                         ("custom", "CustomLogFuzz")):
        for piece in chunks(read(DATA / f"{name}.log")):
            c.add(target, piece)

    # Mailer logs, each in pieces.
    mailer_logs = {
        "TMailLogFuzz": [SAMPLES / "tmail" / "t-mail.log"],
        "BrakeLogFuzz": sorted((SAMPLES / "brake").glob("*.log")),
        "BinkPlusLogFuzz": [SAMPLES / "binkplus" / "binkley.log"],
        "FhMailLogFuzz": [SAMPLES / "fhmail" / "fhmail.log"],
        "SFMailLogFuzz": [SAMPLES / "sfmail" / "sf-mail.log"],
        "ArgusLogFuzz": sorted((SAMPLES / "argus").glob("*.log")) + [DATA / "argus-damaged.log"],
    }
    for target, logs in mailer_logs.items():
        for log in logs:
            for piece in chunks(read(log), limit=6 if len(logs) == 1 else 3):
                c.add(target, piece)

    # Language file and log together.
    with_lng = {
        "TMailLngLogFuzz": ("tmail/t-mail.lng", "tmail/t-mail.log"),
        "BinkPlusLngLogFuzz": ("binkplus/binkley.lng", "binkplus/binkley.log"),
        "FhMailLngLogFuzz": ("fhmail/fhmail.lng", "fhmail/fhmail.log"),
        "SFMailLngLogFuzz": ("sfmail/sf-mail.lng", "sfmail/sf-mail.log"),
    }
    for target, (lng, log) in with_lng.items():
        for piece in chunks(read(SAMPLES / log), lines_per_chunk=30, limit=4):
            c.add(target, with_len(read(SAMPLES / lng), piece))
    c.add("TMailLngLogFuzz", with_len(read(DATA / "tmail-damaged" / "t-mail-cut.lng"),
                                      chunks(read(SAMPLES / "tmail" / "t-mail.log"))[0]))

    # The side files of the samples: whole, and cut inside a record.
    tm = SAMPLES / "tmail"
    for mode in (0, 1):
        c.add("TMailTrafficFuzz", bytes([mode]) + read(tm / "t-mail.s01"))
    c.add("TMailTrafficFuzz", b"\x01" + read(tm / "t-mail.s01")[:150])
    c.add("SessHistoryFuzz", b"\x03" + read(tm / "t-hist.$01"))
    c.add("SessHistoryFuzz", b"\x02" + read(SAMPLES / "argus" / "binary_log"))
    c.add("SessHistoryFuzz", b"\x41" + read(tm / "t-hist.$01")[:130])
    c.add("FreqLimitsFuzz", b"\x02" + read(tm / "freqlim.bin"))
    c.add("FreqLimitsFuzz", b"\x00" + read(tm / "freqlim.bin")[:100])
    c.write()


if __name__ == "__main__":
    main()
