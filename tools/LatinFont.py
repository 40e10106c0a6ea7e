#!/usr/bin/python3
"""Makes the Latin face the windows put before their Chinese faces: the Latin
letters, digits and punctuation of Liberation Serif (Debian fonts-liberation2,
SIL Open Font License 1.1), renamed as the licence asks of a changed font, and
with the line height of AR PL UMing, the face that stands in for 宋体.

A line of text is as high as the tallest face on it. Liberation Serif's own
height (ascent 0.89 em, descent 0.22 em: 14 px at 12 px) would make every
line 2 px taller than the designed 12 px, with or without Latin letters on
it, and push the last lines of the windows' fixed-height texts out of sight.
With ascent 0.885 em and descent 0.115 em the face measures what UMing does
(Qt rounds): 11 + 1 px at 12 px and 12 + 2 px at 14 px; descenders of g, p
and y reach a pixel or two below the line, as the Chinese faces' own Latin
letters do.

Usage: LatinFont.py LIBERATION_SERIF_TTF OUTPUT_TTF
"""
import sys

from fontTools import subset
from fontTools.ttLib import TTFont

FAMILY = "Vandrel Latin Serif"
ASCENT = 0.885  # em
DESCENT = 0.115  # em
# Basic Latin, Latin-1, general punctuation (dashes, quotes, ellipsis).
CHARACTERS = list(range(0x20, 0x7F)) + list(range(0xA0, 0x100)) + list(range(0x2010, 0x2027))


def main(source, target):
    font = TTFont(source)
    options = subset.Options()
    options.name_IDs = []  # set below
    options.layout_features = ["*"]
    options.notdef_outline = True
    subsetter = subset.Subsetter(options)
    subsetter.populate(unicodes=CHARACTERS)
    subsetter.subset(font)

    style = "Bold" if font["head"].macStyle & 1 else "Regular"
    names = font["name"]
    names.names = []
    for name_id, value in ((0, "Glyphs from Liberation Serif: Copyright (c) 2012 Red Hat, Inc."), (1, FAMILY),
                           (2, style), (3, f"{FAMILY} {style}"), (4, f"{FAMILY} {style}"),
                           (6, f"{FAMILY.replace(' ', '')}-{style}"),
                           (13, "This Font Software is licensed under the SIL Open Font License, Version 1.1."),
                           (14, "https://openfontlicense.org")):
        names.setName(value, name_id, 3, 1, 0x409)

    units = font["head"].unitsPerEm
    ascent, descent = round(ASCENT * units), round(DESCENT * units)
    hhea, os2 = font["hhea"], font["OS/2"]
    hhea.ascent, hhea.descent, hhea.lineGap = ascent, -descent, 0
    os2.sTypoAscender, os2.sTypoDescender, os2.sTypoLineGap = ascent, -descent, 0
    os2.usWinAscent, os2.usWinDescent = ascent, descent
    font.save(target)


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2])
