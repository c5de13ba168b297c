#!/usr/bin/env python3
"""Writes the larger pictures resources/images/{doorway,about,share}.svg: the find-a-book
window's arched doorway, the about box's emblem and the share dialog's book with an envelope.
Run: python3 resources/drawing/images_svg.py resources/images"""
import math, os, sys
OUT = sys.argv[1]
INK = "#4a2e1a"
S = f'stroke="{INK}" stroke-width="2" stroke-linejoin="round" stroke-linecap="round"'

def write(name, size, body):
    with open(os.path.join(OUT, name + ".svg"), "w") as f:
        f.write(f'<svg xmlns="http://www.w3.org/2000/svg" width="{size}" height="{size}" viewBox="0 0 {size} {size}">\n')
        f.write(body.strip() + "\n</svg>\n")

# --- doorway: an arched stone doorway opening on a sunny country path ---
cx, cy, ri, ro = 64, 60, 27, 37
vouss = []
for k in range(10):
    a0 = math.radians(180 + k * 18)
    a1 = math.radians(180 + (k + 1) * 18)
    p = lambda r, a: (cx + r * math.cos(a), cy + r * math.sin(a))
    o0, o1, i1, i0 = p(ro, a0), p(ro, a1), p(ri, a1), p(ri, a0)
    shade = ["#d9c29a", "#cfb68a", "#e2cda6"][k % 3]
    vouss.append('<path d="M%.1f %.1f A%d %d 0 0 1 %.1f %.1f L%.1f %.1f A%d %d 0 0 0 %.1f %.1f Z" fill="%s" stroke="#7a5a3a" stroke-width="1.5" stroke-linejoin="round"/>'
                 % (o0 + (ro, ro) + o1 + i1 + (ri, ri) + i0 + (shade,)))
jambs = []
for side, x in (("l", 27), ("r", 91)):
    y = 60
    k = 0
    while y < 116:
        h = 14 if k % 2 == 0 else 12
        h = min(h, 116 - y)
        shade = ["#d9c29a", "#cfb68a", "#e2cda6"][(k + (side == "r")) % 3]
        jambs.append(f'<rect x="{x}" y="{y}" width="10" height="{h}" fill="{shade}" stroke="#7a5a3a" stroke-width="1.5"/>')
        y += h
        k += 1
wall = []
for row, y in enumerate(range(10, 110, 12)):
    off = 0 if row % 2 == 0 else 11
    for x in range(8 - off, 120, 22):
        wall.append(f'<rect x="{max(x, 8)}" y="{y}" width="{min(x + 22, 120) - max(x, 8)}" height="12" fill="none" stroke="#c9b48f" stroke-width="1"/>')
write("doorway", 128, f'''
<defs>
<linearGradient id="sky" x1="0" y1="30" x2="0" y2="90" gradientUnits="userSpaceOnUse">
<stop offset="0" stop-color="#8fc8ea"/><stop offset="1" stop-color="#fbefd0"/>
</linearGradient>
<linearGradient id="wall" x1="0" y1="0" x2="0" y2="128" gradientUnits="userSpaceOnUse">
<stop offset="0" stop-color="#efe2c6"/><stop offset="1" stop-color="#dcc7a0"/>
</linearGradient>
</defs>
<rect x="4" y="4" width="120" height="120" rx="10" fill="url(#wall)" stroke="#7a5a3a" stroke-width="2"/>
{"".join(wall)}
<path d="M37 116 V60 A27 27 0 0 1 91 60 V116 Z" fill="url(#sky)"/>
<circle cx="76" cy="48" r="6" fill="#f7d35c"/>
<path d="M37 88 C48 80 58 84 66 82 C76 79 84 76 91 80 V116 H37 Z" fill="#8fbf62"/>
<path d="M37 96 C50 90 62 94 91 90 V116 H37 Z" fill="#6fa64a"/>
<path d="M60 86 C62 86 66 86 68 86 C72 96 80 106 86 116 H44 C52 106 58 96 60 86 Z" fill="#e8cf9c"/>
<path d="M49 78 C49 72 55 70 56 76 C58 73 61 76 59 80 Z" fill="#4f8a3a"/>
<rect x="53" y="79" width="2" height="6" fill="#6b4a30"/>
<path d="M37 60 L49 66 V112 L37 116 Z" fill="#9a6232" stroke="#5a3a1e" stroke-width="1.5" stroke-linejoin="round"/>
<path d="M41 70 V108 M45 68 V110" stroke="#7a4a22" stroke-width="1.2"/>
<circle cx="46.5" cy="90" r="1.4" fill="#f0c64a"/>
{"".join(jambs)}
{"".join(vouss)}
<rect x="22" y="114" width="84" height="6" rx="1.5" fill="#bfa67c" stroke="#7a5a3a" stroke-width="1.5"/>
''')

# --- the program's emblem, for the about box ---
def open_book(y=0.0):
    return f'''
<path d="M2 {10+y} V{27+y} C7 {25.5+y} 12 {25.5+y} 16 {28+y} C20 {25.5+y} 25 {25.5+y} 30 {27+y} V{10+y}" fill="#b4532a" {S}/>
<path d="M16 {9+y} C12 {6.5+y} 7 {6.5+y} 3.5 {8+y} V{24.5+y} C7 {23+y} 12 {23+y} 16 {25.5+y} Z" fill="#fff8e7" {S}/>
<path d="M16 {9+y} C20 {6.5+y} 25 {6.5+y} 28.5 {8+y} V{24.5+y} C25 {23+y} 20 {23+y} 16 {25.5+y} Z" fill="#fff8e7" {S}/>
<path d="M6.5 {12+y} C9 {11+y} 11 {11+y} 13.5 {12.5+y} M6.5 {16+y} C9 {15+y} 11 {15+y} 13.5 {16.5+y} M6.5 {20+y} C9 {19+y} 11 {19+y} 13.5 {20.5+y} M18.5 {12.5+y} C21 {11+y} 23 {11+y} 25.5 {12+y} M18.5 {16.5+y} C21 {15+y} 23 {15+y} 25.5 {16+y} M18.5 {20.5+y} C21 {19+y} 23 {19+y} 25.5 {20+y}" fill="none" stroke="#c4a57a" stroke-width="1.1" stroke-linecap="round"/>
'''
S1 = f'stroke="{INK}" stroke-width="1.4" stroke-linejoin="round" stroke-linecap="round"'
stars = "".join(
    '<circle cx="%.1f" cy="%.1f" r="2.2" fill="#f3d27a"/>' % (64 + 55 * math.cos(math.radians(a)), 64 + 55 * math.sin(math.radians(a)))
    for a in range(0, 360, 30))
write("about", 128, f'''
<defs>
<radialGradient id="disc" cx="56" cy="50" r="60" gradientUnits="userSpaceOnUse">
<stop offset="0" stop-color="#fffaf0"/><stop offset="1" stop-color="#efdcb6"/>
</radialGradient>
</defs>
<circle cx="64" cy="64" r="61" fill="#8c3b1c" stroke="{INK}" stroke-width="2.5"/>
{stars}
<circle cx="64" cy="64" r="49" fill="url(#disc)" stroke="#e3a83b" stroke-width="4"/>
<circle cx="64" cy="64" r="49" fill="none" stroke="{INK}" stroke-width="1.5"/>
<g transform="translate(26 46) scale(2.4 2.1)" stroke-width="1.4">
{open_book(0).replace('stroke-width="2"', 'stroke-width="1.2"')}
</g>
<g transform="translate(30 14) scale(2.3)">
<path d="M30 1.5 C22.5 2.5 16 8 13 16.5 L15.5 18 C21.5 14.5 27 9 30 1.5 Z" fill="#ffffff" {S1}/>
<path d="M19.5 9.5 L22 11 M23 6.2 L25.3 7.6 M16.5 13 L18.6 14.2" stroke="#c4a57a" stroke-width="0.9" stroke-linecap="round"/>
<path d="M9 22 L28.5 3" stroke="{INK}" stroke-width="1.2" stroke-linecap="round"/>
<path d="M9.8 21.2 L7.2 24.6 L10.8 22.3 Z" fill="{INK}" stroke="{INK}" stroke-width="0.8" stroke-linejoin="round"/>
</g>
''')

# --- share: a book leaning on an envelope ---
write("share", 48, f'''
<rect x="4" y="4" width="22" height="31" rx="2" fill="#fff8e7" {S}/>
<path d="M4 6 C4 4.9 4.9 4 6 4 H22 V31 H6 C4.9 31 4 31.9 4 33 Z" fill="#b4532a" {S}/>
<path d="M8 6 V29" stroke="#7a3418" stroke-width="1.5" stroke-linecap="round"/>
<rect x="11" y="9" width="8" height="3.5" rx="0.8" fill="#e9c46a"/>
<rect x="17" y="22" width="28" height="20" rx="2" fill="#ffffff" {S}/>
<path d="M17.5 23 L31 33 L44.5 23" fill="none" {S}/>
<path d="M17.5 41.5 L27 31.5 M44.5 41.5 L35 31.5" fill="none" stroke="{INK}" stroke-width="1.5" stroke-linecap="round"/>
<circle cx="31" cy="32.5" r="3.4" fill="#c8312b" stroke="#8c1f1a" stroke-width="1.2"/>
''')
