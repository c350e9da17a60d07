#!/usr/bin/env python3
"""Writes the icons and the show-state strip of Vistero.rc from the pixel art below.

    make_images.py [DIR]          write Vistero.ico, Tray.grp and ShowStates.bmp into DIR
    make_images.py --check [DIR]  exit 1 if the files in DIR differ from what the art gives

DIR defaults to this script's folder, where the generated files are committed
so that the build never needs Python. After changing the art, run the build's
`resources` target (or this script) and commit the images with it.

Every image uses 4 bits per pixel and the standard 16-colour Windows palette,
so the letters below name colours of that palette. Standard library only.
"""

import os
import struct
import sys

# The standard 16-colour palette in the order Windows gives it, as (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00),  # 0  black
    (0x80, 0x00, 0x00),  # 1  dark red
    (0x00, 0x80, 0x00),  # 2  dark green
    (0x80, 0x80, 0x00),  # 3  dark yellow
    (0x00, 0x00, 0x80),  # 4  dark blue
    (0x80, 0x00, 0x80),  # 5  dark magenta
    (0x00, 0x80, 0x80),  # 6  dark cyan
    (0xC0, 0xC0, 0xC0),  # 7  light grey
    (0x80, 0x80, 0x80),  # 8  dark grey
    (0xFF, 0x00, 0x00),  # 9  red
    (0x00, 0xFF, 0x00),  # 10 green
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 magenta
    (0x00, 0xFF, 0xFF),  # 14 cyan
    (0xFF, 0xFF, 0xFF),  # 15 white
]

# Letters of the art: capitals are the bright colours, small letters the dark ones.
COLOURS = {
    'K': 0, 'r': 1, 'g': 2, 'y': 3, 'b': 4, 'm': 5, 'c': 6, 's': 7,
    'd': 8, 'R': 9, 'G': 10, 'Y': 11, 'B': 12, 'M': 13, 'C': 14, 'W': 15,
}
# In an icon '.' is transparent (set in the AND mask, black in the colour bits).
TRANSPARENT = '.'
# In the strip '.' is red, the image list's mask colour: the list draws nothing there.
MASK_RED = COLOURS['R']

# The program's icon: a day landscape in front of a night seascape, two
# wallpapers of a list. It is drawn for every size Windows asks for at 100,
# 125, 150 and 200 %: the small icon (SM_CXSMICON: the notification area's)
# at 16, 20, 24 and 32 pixels, the large one (SM_CXICON: Explorer's and the
# About box's) at 32, 40, 48 and 64. A size the icon lacks is scaled from
# another by the system, blurred or with pixels doubled unevenly.
#
# At 32x32, the large icon at 100 % and the small one at 200 %.
MAIN_32 = """
................................
........KKKKKKKKKKKKKKKKKKKKKKKK
........KWWWWWWWWWWWWWWWWWWWWWWK
........KWWWWWWWWWWWWWWWWWWWWWWK
........KWWbbbbbbYbbbbbbbWbbbWWK
........KWWbbWbbbYYbbbbbbbbbbWWK
........KWWbbbbbbYYbbbbbbbbbbWWK
........KWWbbbbbbYYYbbbbbbbWbWWK
........KWWbbbbWbbYYYYbbbbbbbWWK
KKKKKKKKKKKKKKKKKKKKKKKKbbbbbWWK
KWWWWWWWWWWWWWWWWWWWWWWKWbbbbWWK
KWWWWWWWWWWWWWWWWWWWWWWKbbbbbWWK
KWWCCCCCCCCCCCCCCCCCCWWKbbbbbWWK
KWWCCCCCCCCCCCCYYYYCCWWKcccccWWK
KWWCCCCCCCCCCCYYYYYYCWWKcCcccWWK
KWWCCCCCCCCCCCYYYYYYCWWKcccccWWK
KWWCCCCCCCCCCCCYYYYCCWWKcccCcWWK
KWWCCCCCCCCCCCCCCCCCCWWKcccccWWK
KWWCCCCCCCCCCGGGGCCCCWWKcCcccWWK
KWWCCCCCCCCGGGGGGGGCCWWKcccccWWK
KWWCCCCCCCGGGGGGGGGGCWWKWWWWWWWK
KWWGCCCCGGGGGGGGGGGGGWWKWWWWWWWK
KWWGGGggggGGGGGGGGGGGWWKKKKKKKKK
KWWGggggggggGGGGGGGGGWWK........
KWWgggggggggggGGGGGGgWWK........
KWWggggggggggggggggggWWK........
KWWggggggggggggggggggWWK........
KWWggggggggggggggggggWWK........
KWWWWWWWWWWWWWWWWWWWWWWK........
KWWWWWWWWWWWWWWWWWWWWWWK........
KKKKKKKKKKKKKKKKKKKKKKKK........
................................
"""

# At 16x16, the small icon at 100 %.
MAIN_16 = """
....KKKKKKKKKKKK
....KWWWWWWWWWWK
....KWbbbbbbbbWK
....KWbbbbbbWbWK
KKKKKKKKKKKKbbWK
KWWWWWWWWWWKbbWK
KWCCCCCCYYWKccWK
KWCCCCCYYYWKccWK
KWCCCCCCYYWKccWK
KWGGGCCCCCWKccWK
KWGGGGGCCGWKWWWK
KWggGGGGGGWKKKKK
KWgggggGggWK....
KWWWWWWWWWWK....
KKKKKKKKKKKK....
................
"""

# At 20x20, the small icon at 125 %.
MAIN_20 = """
.....KKKKKKKKKKKKKKK
.....KWWWWWWWWWWWWWK
.....KWbbbbYbbbbWbWK
.....KWbWbbYYbbbbbWK
.....KWbbbbbYYYbbbWK
KKKKKKKKKKKKKKKbbbWK
KWWWWWWWWWWWWWKbbbWK
KWCCCCCCCYYCCWKbbbWK
KWCCCCCCYYYYCWKcccWK
KWCCCCCCYYYYCWKcCcWK
KWCCCCCCCYYCCWKcccWK
KWCCCCCCCCCCCWKccCWK
KWCCCCCGGGGCCWKWWWWK
KWGCCGGGGGGGGWKKKKKK
KWGGgggGGGGGGWK.....
KWggggggggGGGWK.....
KWgggggggggggWK.....
KWWWWWWWWWWWWWK.....
KKKKKKKKKKKKKKK.....
....................
"""

# At 24x24, the small icon at 150 %.
MAIN_24 = """
......KKKKKKKKKKKKKKKKKK
......KWWWWWWWWWWWWWWWWK
......KWbbbbbbYbbbbWbbWK
......KWbbWbbbYYbbbbbbWK
......KWbbbbbbYYYbbbWbWK
......KWbbbbWbbYYYbbbbWK
KKKKKKKKKKKKKKKKKKbbbbWK
KWWWWWWWWWWWWWWWWKWbbbWK
KWCCCCCCCCCCCCCCWKbbbbWK
KWCCCCCCCCCYYYCCWKccccWK
KWCCCCCCCCYYYYYCWKcCccWK
KWCCCCCCCCYYYYYCWKccccWK
KWCCCCCCCCCYYYCCWKccCcWK
KWCCCCCCCCCCCCCCWKccccWK
KWCCCCCCCGGGGCCCWKcCccWK
KWCCCCCGGGGGGGGCWKWWWWWK
KWGCCCGGGGGGGGGGWKKKKKKK
KWGGgggGGGGGGGGGWK......
KWggggggggGGGGGGWK......
KWgggggggggggGGgWK......
KWggggggggggggggWK......
KWWWWWWWWWWWWWWWWK......
KKKKKKKKKKKKKKKKKK......
........................
"""

# At 40x40, the large icon at 125 %.
MAIN_40 = """
........................................
..........KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK
..........KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK
..........KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK
..........KWWbbbbbbbYbbbbbbbbWbbbbbbbWWK
..........KWWbbWbbbbYYbbbbbbbbbbbbbbbWWK
..........KWWbbbbbbbYYbbbbbWbbbbbbbbbWWK
..........KWWbbbbbbbYYYbbbbbbbbbbbbbbWWK
..........KWWbbbbbbbYYYYbbbbbbbbbWbbbWWK
..........KWWbbbbWbbbYYYYbbbbbbbbbbbbWWK
..........KWWbbbbbbbbbYYYYYbbbbbbbbbbWWK
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKbbbbbbbWWK
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWKbbbbbbbWWK
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWKbWbbbbbWWK
KWWCCCCCCCCCCCCCCCCCCCCCCCCWWKbbbbbbbWWK
KWWCCCCCCCCCCCCCCCYYYYYYCCCWWKbbbbbbbWWK
KWWCCCCCCCCCCCCCCYYYYYYYYCCWWKcccccccWWK
KWWCCCCCCCCCCCCCCYYYYYYYYCCWWKcCCccccWWK
KWWCCCCCCCCCCCCCCYYYYYYYYCCWWKcccccccWWK
KWWCCCCCCCCCCCCCCCYYYYYYCCCWWKcccCCccWWK
KWWCCCCCCCCCCCCCCCCCCCCCCCCWWKcccccccWWK
KWWCCCCCCCCCCCCCCCCCCCCCCCCWWKCCcccccWWK
KWWCCCCCCCCCCCCCGGGGGCCCCCCWWKcccccccWWK
KWWCCCCCCCCCCGGGGGGGGGGCCCCWWKccccCCcWWK
KWWCCCCCCCCCGGGGGGGGGGGGGCCWWKcccccccWWK
KWWCCCCCCCCGGGGGGGGGGGGGGGCWWKccCCcccWWK
KWWGCCCCCGGGGGGGGGGGGGGGGGGWWKWWWWWWWWWK
KWWGGGCCCGGGGGGGGGGGGGGGGGGWWKWWWWWWWWWK
KWWggggggggGGGGGGGGGGGGGGGGWWKKKKKKKKKKK
KWWgggggggggggGGGGGGGGGGGGGWWK..........
KWWgggggggggggggGGGGGGGGGGGWWK..........
KWWggggggggggggggGGGGGGGGGGWWK..........
KWWggggggggggggggggggggggggWWK..........
KWWggggggggggggggggggggggggWWK..........
KWWggggggggggggggggggggggggWWK..........
KWWggggggggggggggggggggggggWWK..........
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK..........
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWK..........
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKK..........
........................................
"""

# At 48x48, the large icon at 150 %.
MAIN_48 = """
................................................
............KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK
............KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK
............KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK
............KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK
............KWWWbbbbbbbbYYbbbbbbbbbWbbbbbbbbWWWK
............KWWWbbWbbbbbYYYbbbbbbbbbbbbbbbbbWWWK
............KWWWbbbbbbbbYYYbbbbbbbbbbbbbWbbbWWWK
............KWWWbbbbbbbbYYYbbbbbbbbbbbbWWWbbWWWK
............KWWWbbbbbbbbYYYYbbbbbbbbbbbbWbbbWWWK
............KWWWbbbbbbbbbYYYYbbWbbbbbbbbbbbbWWWK
............KWWWbbbbWbbbbbYYYYYYbbbbbbbbbbbbWWWK
............KWWWbbbbbbbbbbbYYYYYYbbbbbbbbbbbWWWK
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKbbbbbbbbWWWK
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKbbbbbbbbWWWK
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKbWbbbbbbWWWK
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKbbbbbbbbWWWK
KWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWKbbbbbbbbWWWK
KWWWCCCCCCCCCCCCCCCCCCYYYYYYCCCCWWWKbbbbbbbbWWWK
KWWWCCCCCCCCCCCCCCCCCYYYYYYYYCCCWWWKbbbbbbbbWWWK
KWWWCCCCCCCCCCCCCCCCCYYYYYYYYYCCWWWKccCCCcccWWWK
KWWWCCCCCCCCCCCCCCCCCYYYYYYYYYCCWWWKccccccccWWWK
KWWWCCCCCCCCCCCCCCCCCYYYYYYYYYCCWWWKccccCCccWWWK
KWWWCCCCCCCCCCCCCCCCCCYYYYYYYCCCWWWKccccccccWWWK
KWWWCCCCCCCCCCCCCCCCCCCCYYYCCCCCWWWKcCCcccccWWWK
KWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWKccccccccWWWK
KWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWKcccccCCcWWWK
KWWWCCCCCCCCCCCCCCGGGGGGGGCCCCCCWWWKccccccccWWWK
KWWWCCCCCCCCCCCCGGGGGGGGGGGGCCCCWWWKccCCCcccWWWK
KWWWCCCCCCCCCCGGGGGGGGGGGGGGGGCCWWWKccccccccWWWK
KWWWCCCCCCCCCGGGGGGGGGGGGGGGGGGCWWWKccccccccWWWK
KWWWCCCCCCCCGGGGGGGGGGGGGGGGGGGGWWWKWWWWWWWWWWWK
KWWWGGGCCCCGGGGGGGGGGGGGGGGGGGGGWWWKWWWWWWWWWWWK
KWWWgggggggGGGGGGGGGGGGGGGGGGGGGWWWKWWWWWWWWWWWK
KWWWgggggggggggGGGGGGGGGGGGGGGGGWWWKKKKKKKKKKKKK
KWWWgggggggggggggGGGGGGGGGGGGGGGWWWK............
KWWWgggggggggggggggGGGGGGGGGGGGGWWWK............
KWWWggggggggggggggggGGGGGGGGGGGGWWWK............
KWWWggggggggggggggggggGGGGGGGGGGWWWK............
KWWWggggggggggggggggggggggggggggWWWK............
KWWWggggggggggggggggggggggggggggWWWK............
KWWWggggggggggggggggggggggggggggWWWK............
KWWWggggggggggggggggggggggggggggWWWK............
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK............
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK............
KWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWK............
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK............
................................................
"""

# At 64x64, the large icon at 200 %: its outlines two pixels wide, the weight
# of everything else drawn on a screen at that scale.
MAIN_64 = """
................................................................
................KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK
................KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK
................KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK
................KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK
................KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK
................KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK
................KKWWWWbbbbbbbbbYYbbbbbbbbbbbbbbWbbbbbbbbbbWWWWKK
................KKWWWWbbbWbbbbbYYYbbbbbbbbbbbbbbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbbbbbYYYYbbbbbbbbbbbbbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbbbbbYYYYbbbbbbbbbbWbbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbbbbbYYYYbbbbbbbbbWWWbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbbbbbYYYYYbbbbbbbbbWbbbbbbbbWbbbWWWWKK
................KKWWWWbbbbbbbbbbYYYYYbbbbbWbbbbbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbWbbbbYYYYYYbbbbbbbbbbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbbbbbbbYYYYYYYYbbbbbbbbbbbbbbbbbWWWWKK
................KKWWWWbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbbWWWWKK
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKbbbbbbbbbbWWWWKK
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKbbbbbbbbbbWWWWKK
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKKbbbbbbbbbbWWWWKK
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKKbbWbbbbbbbWWWWKK
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKKbbbbbbbbbbWWWWKK
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKKbbbbbbbbbbWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWWKKbbbbbbbWbbWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCCYYYYYYCCCCCCWWWWKKbbbbbbbbbbWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYCCCCWWWWKKbbbbbbbbbbWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYYYCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYYYYCCCWWWWKKccCCCcccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYYYYCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYYYYCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYYYCCCWWWWKKcccccCCCccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCYYYYYYYYYCCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCCCYYYYYCCCCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWWKKcCCcccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCCCCCGGGGGGGGGGCCCCCCCCWWWWKKccccccCCCcWWWWKK
KKWWWWCCCCCCCCCCCCCCCCGGGGGGGGGGGGGGCCCCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCCGGGGGGGGGGGGGGGGGGCCCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCCCGGGGGGGGGGGGGGGGGGGGCCCWWWWKKcccCCCccccWWWWKK
KKWWWWCCCCCCCCCCCCGGGGGGGGGGGGGGGGGGGGGGCCWWWWKKccccccccccWWWWKK
KKWWWWCCCCCCCCCCCGGGGGGGGGGGGGGGGGGGGGGGGGWWWWKKWWWWWWWWWWWWWWKK
KKWWWWGGCCCCCCCCGGGGGGGGGGGGGGGGGGGGGGGGGGWWWWKKWWWWWWWWWWWWWWKK
KKWWWWGGGGCCCCCGGGGGGGGGGGGGGGGGGGGGGGGGGGWWWWKKWWWWWWWWWWWWWWKK
KKWWWWgggggggggGGGGGGGGGGGGGGGGGGGGGGGGGGGWWWWKKWWWWWWWWWWWWWWKK
KKWWWWgggggggggggggGGGGGGGGGGGGGGGGGGGGGGGWWWWKKKKKKKKKKKKKKKKKK
KKWWWWgggggggggggggggGGGGGGGGGGGGGGGGGGGGGWWWWKKKKKKKKKKKKKKKKKK
KKWWWWgggggggggggggggggGGGGGGGGGGGGGGGGGGGWWWWKK................
KKWWWWgggggggggggggggggggGGGGGGGGGGGGGGGGGWWWWKK................
KKWWWWggggggggggggggggggggGGGGGGGGGGGGGGGGWWWWKK................
KKWWWWggggggggggggggggggggggGGGGGGGGGGGGGGWWWWKK................
KKWWWWggggggggggggggggggggggggggggggggggggWWWWKK................
KKWWWWggggggggggggggggggggggggggggggggggggWWWWKK................
KKWWWWggggggggggggggggggggggggggggggggggggWWWWKK................
KKWWWWggggggggggggggggggggggggggggggggggggWWWWKK................
KKWWWWggggggggggggggggggggggggggggggggggggWWWWKK................
KKWWWWggggggggggggggggggggggggggggggggggggWWWWKK................
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK................
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK................
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK................
KKWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWKK................
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK................
KKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKKK................
................................................................
"""

# Every image of the program's icon, largest first as in Vistero.ico, and
# the sizes of the small icon, which the tray icon's group holds.
MAIN = {64: MAIN_64, 48: MAIN_48, 40: MAIN_40, 32: MAIN_32, 24: MAIN_24, 20: MAIN_20, 16: MAIN_16}
SMALL_SIZES = (32, 24, 20, 16)

# Show state Tiled: a 2x2 grid of panes, dotted lines where the tiling goes on.
TILED = """
KKKKKKKKKKKKK.K.
KWWWWWKWWWWWK...
KWWWWWKWWWWWK.K.
KWWWWWKWWWWWK...
KWWWWWKWWWWWK.K.
KWWWWWKWWWWWK...
KKKKKKKKKKKKK.K.
KWWWWWKWWWWWK...
KWWWWWKWWWWWK.K.
KWWWWWKWWWWWK...
KWWWWWKWWWWWK.K.
KWWWWWKWWWWWK...
KKKKKKKKKKKKK.K.
................
K.K.K.K.K.K.K.K.
................
"""

# Show state Centered: a small picture in the middle, arrowheads pointing at it.
CENTERED = """
................
................
......KKKK......
.......KK.......
................
.....KKKKKK.....
..K..KWWWWK..K..
..KK.KWWWWK.KK..
..KK.KWWWWK.KK..
..K..KWWWWK..K..
.....KKKKKK.....
................
.......KK.......
......KKKK......
................
................
"""

# Show state Stretched: a picture filling the cell, arrowheads pointing outward.
STRETCHED = """
KKKKKKKKKKKKKKKK
KWWWWWWWWWWWWWWK
KWWWWWWKKWWWWWWK
KWWWWWKKKKWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWKWWWWWWWWKWWK
KWKKWWWWWWWWKKWK
KWKKWWWWWWWWKKWK
KWWKWWWWWWWWKWWK
KWWWWWWWWWWWWWWK
KWWWWWWWWWWWWWWK
KWWWWWKKKKWWWWWK
KWWWWWWKKWWWWWWK
KWWWWWWWWWWWWWWK
KKKKKKKKKKKKKKKK
"""

# Show state None (the no-wallpaper entry): nothing but the mask colour.
NONE = "\n".join(["." * 16] * 16)


def parse(art, size):
    """The art as rows of characters, checked to be size x size."""
    rows = art.split()
    if len(rows) != size or any(len(row) != size for row in rows):
        raise ValueError(f"art is not {size}x{size}: {[len(row) for row in rows]}")
    for row in rows:
        for ch in row:
            if ch != TRANSPARENT and ch not in COLOURS:
                raise ValueError(f"unknown colour letter {ch!r}")
    return rows


def palette_bytes():
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)


def info_header(width, height, bits_size):
    # BITMAPINFOHEADER; height doubles in an icon, where the AND mask follows the colour bits.
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, bits_size, 0, 0, 0, 0)


def stride(width, bits_per_pixel):
    return (width * bits_per_pixel + 31) // 32 * 4


def four_bit_rows(rows, index_of):
    """Colour bits, bottom row first as a DIB stores them."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride(len(row), 4))
        for x, ch in enumerate(row):
            line[x // 2] |= index_of(ch) << (4 if x % 2 == 0 else 0)
        out += line
    return bytes(out)


def mask_rows(rows):
    """AND mask of an icon: 1 where the picture is transparent."""
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride(len(row), 1))
        for x, ch in enumerate(row):
            if ch == TRANSPARENT:
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def icon_image(rows):
    size = len(rows)
    colour = four_bit_rows(rows, lambda ch: 0 if ch == TRANSPARENT else COLOURS[ch])
    mask = mask_rows(rows)
    return info_header(size, size * 2, len(colour) + len(mask)) + palette_bytes() + colour + mask


def directory_entry(blob, size):
    """What an icon directory says of a square 4-bit image, but where it is."""
    return struct.pack("<BBBBHHI", size, size, 16, 0, 1, 4, len(blob))


def ico_file(images):
    """An .ico file (ICONDIR, ICONDIRENTRYs, images) of square 4-bit images."""
    blobs = [icon_image(rows) for rows in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for rows, blob in zip(images, blobs):
        out += directory_entry(blob, len(rows)) + struct.pack("<I", offset)
        offset += len(blob)
    return out + b"".join(blobs)


def group_file(images, ids):
    """An icon group resource (GRPICONDIR): the directory of an .ico file
    whose entries give the id of an RT_ICON resource in place of an offset."""
    out = struct.pack("<HHH", 0, 1, len(images))
    for rows, icon_id in zip(images, ids):
        out += directory_entry(icon_image(rows), len(rows)) + struct.pack("<H", icon_id)
    return out


def bmp_file(rows):
    """A 4-bit .bmp file; '.' is the red mask colour."""
    bits = four_bit_rows(rows, lambda ch: MASK_RED if ch == TRANSPARENT else COLOURS[ch])
    header = info_header(len(rows[0]), len(rows), len(bits))
    offset = 14 + len(header) + 16 * 4
    return struct.pack("<2sIHHI", b"BM", offset + len(bits), 0, 0, offset) + header + palette_bytes() + bits


def strip(cells):
    """Cells of equal height side by side."""
    return ["".join(cell[y] for cell in cells) for y in range(len(cells[0]))]


def images():
    main = [parse(art, size) for size, art in MAIN.items()]
    sizes = list(MAIN)
    cells = [parse(art, 16) for art in (TILED, CENTERED, STRETCHED, NONE)]
    return {
        "Vistero.ico": ico_file(main),
        # The tray icon is the program's small icon. Its group names the
        # images of Vistero.ico by the ids the resource compiler gives them,
        # 1 to 7 in the file's order (see Vistero.rc), so the exe holds each
        # picture once.
        "Tray.grp": group_file([main[sizes.index(size)] for size in SMALL_SIZES],
                               [sizes.index(size) + 1 for size in SMALL_SIZES]),
        "ShowStates.bmp": bmp_file(strip(cells)),
    }


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    folder = args[0] if args else os.path.dirname(os.path.abspath(__file__))
    stale = []
    for name, data in images().items():
        path = os.path.join(folder, name)
        if check:
            try:
                with open(path, "rb") as f:
                    if f.read() == data:
                        continue
            except OSError:
                pass
            stale.append(name)
        else:
            with open(path, "wb") as f:
                f.write(data)
    if stale:
        print("not generated from the current art: " + ", ".join(stale) +
              " (run res/make_images.py and commit the result)", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
