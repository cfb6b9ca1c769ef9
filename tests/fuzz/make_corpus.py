#!/usr/bin/env python3
"""Writes the seed inputs of the bmp, catalogue and replay fuzz targets.

The seeds are tiny and committed; run this again only to change them.
(The clp seeds come from `tavi encipher`, see corpus/clp/README.)"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))


def put(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("latin-1"))


def bmp(width, height, bits, palette, rows, compression=0, fix_sizes=True):
    table = b"".join(struct.pack("<BBBB", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF, 0)
                     for c in palette)
    stride = (width * bits + 31) // 32 * 4
    pixels = b"".join(bytes(r).ljust(stride, b"\0") for r in reversed(rows))
    offset = 54 + len(table)
    size = offset + len(pixels)
    head = b"BM" + struct.pack("<IHHI", size if fix_sizes else 0, 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(pixels),
                       2835, 2835, len(palette), 0)
    return head + info + table + pixels


def bmps():
    put("bmp", "bits24_2x2.bmp", bmp(2, 2, 24, [], [[0, 0, 255, 255, 255, 255], [0, 255, 0, 1, 2, 3]]))
    put("bmp", "bits8_3x2.bmp", bmp(3, 2, 8, [0xFF0000, 0x00FF00, 0xFFFFFF], [[0, 1, 2], [2, 1, 0]]))
    put("bmp", "bits4_5x1.bmp", bmp(5, 1, 4, [0x000000, 0xFFFFFF] + [0x123456] * 14, [[0x01, 0x23, 0x40]]))
    put("bmp", "bits1_8x1.bmp", bmp(8, 1, 1, [0, 0xFFFFFF], [[0xA5]]))
    put("bmp", "rle8.bmp", bmp(2, 2, 8, [0, 0xFFFFFF], [[0, 1], [1, 0]], compression=1))
    put("bmp", "truncated.bmp", bmp(4, 4, 24, [], [[9] * 12] * 4)[:70])
    put("bmp", "no_sizes.bmp", bmp(2, 1, 24, [], [[1, 2, 3, 4, 5, 6]], fix_sizes=False))
    put("bmp", "negative_height.bmp", bmp(1, -1, 24, [], [[1, 2, 3]]))
    put("bmp", "huge_dimensions.bmp", bmp(1, 1, 24, [], [[1, 2, 3]])[:18] +
        struct.pack("<ii", 0x7FFFFFFF, 0x7FFFFFFF) + bmp(1, 1, 24, [], [[1, 2, 3]])[26:])
    put("bmp", "header_only.bmp", bmp(1, 1, 8, [], [])[:54])
    put("bmp", "not_a_bitmap.bmp", "GIF89a not a bitmap at all")


def pages():
    head = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n<HTML><BODY><TABLE>\r\n"

    def row(page, name, author, desc):
        return ('<TR><TD><B><A HREF="/tshow/pages/%s.html">%s</A>%s<BR>%s</TD></TR>\r\n'
                % (page, name, author, desc))

    put("catalogue", "catalogue.html", head + row("castle", "Castle", "by Jo", "Dark.") +
        row("hidden", "$Test", "by No", "x") + row("castle2", "Castle", "by Jo", "Again.") +
        "</TABLE></BODY></HTML>\r\n")
    put("catalogue", "catalogue_cut.html", head + '<TR><TD><B><A HREF="/tshow/pages/cut')

    def cell(name, desc, author):
        return ('<TD width=125><BR><B>%s/B><DIV align=center><FONT size=-1>%s </FONT><BR>'
                '<FONT color="blue">%s </FONT></DIV></TD>\r\n' % (name, desc, author))

    put("catalogue", "enhanced.html", "HTTP/1.0 200 OK\r\n\r\n<HTML><TABLE><TR>\r\n" +
        cell("Star <", "Space", "Ann") + cell("$Beta <", "No", "T") + cell("Tight<", "x", "Cy") +
        "</TR></TABLE></HTML>\r\n")
    put("catalogue", "enhanced_cut.html", "HTTP/1.0 200 OK\r\n\r\n<TD width=125><BR><B>Cut")
    put("catalogue", "empty.html", "")


def replays():
    put("replay", "walkthrough.txt",
        "# a walkthrough\nopen\nclick\nwait 1.5\noption 2\nhover 6\nkey a\nkeydown left\n"
        "wait 0.25\nkeyup left\nkey ctrl\nmenu sounds\nmenu speed5\nanswer no\nsnapshot\n"
        "picture out dir/shot.png  \n")
    put("replay", "crlf.txt", "open\r\nclick\r\nwait 2\r\nsnapshot\r\n")
    put("replay", "bad_option.txt", "option 7\n")
    put("replay", "bad_key.txt", "key escape\n")
    put("replay", "bad_wait.txt", "wait -1\n")
    put("replay", "huge_wait.txt", "wait 1e300\n")
    put("replay", "hex_and_junk.txt", "option &H2\nwait 1e3x\n")
    put("replay", "menu_case.txt", "MENU Music\nAnswer YES\n")
    put("replay", "pad.txt", "open\npad START\npaddown dpleft\npadaxis lefttrigger 32767\n"
        "padaxis leftx -32768\npadup dpleft\npad leftshoulder\npadaxis righty 40000\n")
    put("replay", "comment_only.txt", "   # nothing\n\t\n")


if __name__ == "__main__":
    bmps()
    pages()
    replays()
