#!/usr/bin/env python3
"""Writes the toolbar and window icons resources/icons/*.svg (32 by 32, one warm style with
bold outlines, plain SVG Tiny shapes for Qt's renderer). Run: python3 resources/drawing/icons_svg.py resources/icons"""
import math, os, sys
OUT = sys.argv[1]
INK = "#4a2e1a"
HEAD = '<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">\n'
S = f'stroke="{INK}" stroke-width="2" stroke-linejoin="round" stroke-linecap="round"'
S15 = f'stroke="{INK}" stroke-width="1.5" stroke-linejoin="round" stroke-linecap="round"'

def write(name, body):
    with open(os.path.join(OUT, name + ".svg"), "w") as f:
        f.write(HEAD + body.strip() + "\n</svg>\n")

def arrowhead(ex, ey, dx, dy, back=2.0, fwd=2.8, half=3.2):
    n = math.hypot(dx, dy); dx, dy = dx / n, dy / n
    px, py = -dy, dx
    tip = (ex + fwd * dx, ey + fwd * dy)
    b1 = (ex - back * dx + half * px, ey - back * dy + half * py)
    b2 = (ex - back * dx - half * px, ey - back * dy - half * py)
    return "M%.2f %.2f L%.2f %.2f L%.2f %.2f Z" % (tip + b1 + b2)

def pt(cx, cy, r, deg):
    a = math.radians(deg)
    return cx + r * math.cos(a), cy + r * math.sin(a)

# An open book, used by several drawings.
def open_book(y=0.0):
    return f'''
<path d="M2 {10+y} V{27+y} C7 {25.5+y} 12 {25.5+y} 16 {28+y} C20 {25.5+y} 25 {25.5+y} 30 {27+y} V{10+y}" fill="#b4532a" {S}/>
<path d="M16 {9+y} C12 {6.5+y} 7 {6.5+y} 3.5 {8+y} V{24.5+y} C7 {23+y} 12 {23+y} 16 {25.5+y} Z" fill="#fff8e7" {S}/>
<path d="M16 {9+y} C20 {6.5+y} 25 {6.5+y} 28.5 {8+y} V{24.5+y} C25 {23+y} 20 {23+y} 16 {25.5+y} Z" fill="#fff8e7" {S}/>
<path d="M6.5 {12+y} C9 {11+y} 11 {11+y} 13.5 {12.5+y} M6.5 {16+y} C9 {15+y} 11 {15+y} 13.5 {16.5+y} M6.5 {20+y} C9 {19+y} 11 {19+y} 13.5 {20.5+y} M18.5 {12.5+y} C21 {11+y} 23 {11+y} 25.5 {12+y} M18.5 {16.5+y} C21 {15+y} 23 {15+y} 25.5 {16+y} M18.5 {20.5+y} C21 {19+y} 23 {19+y} 25.5 {20+y}" fill="none" stroke="#c4a57a" stroke-width="1.3" stroke-linecap="round"/>
'''

# A closed book seen from the front.
def closed_book(x, y, w, h, cover="#b4532a"):
    return f'''
<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="2" fill="#fff8e7" {S}/>
<path d="M{x} {y+2} C{x} {y} {x+1} {y} {x+2} {y} H{x+w-3} V{y+h-3} H{x+2} C{x+1} {y+h-3} {x} {y+h-2} {x} {y+h-4} Z" fill="{cover}" {S}/>
<path d="M{x+3.5} {y+1.5} V{y+h-4.5}" stroke="#7a3418" stroke-width="1.5" stroke-linecap="round"/>
<rect x="{x+6}" y="{y+4}" width="{w-11}" height="{3}" rx="0.8" fill="#e9c46a"/>
'''

def magnifier(cx, cy, r, glass="#d8ecf5"):
    k = r * 0.7071
    return f'''
<path d="M{cx+k:.2f} {cy+k:.2f} L{cx+k+4.5:.2f} {cy+k+4.5:.2f}" stroke="{INK}" stroke-width="4.5" stroke-linecap="round"/>
<path d="M{cx+k:.2f} {cy+k:.2f} L{cx+k+4.5:.2f} {cy+k+4.5:.2f}" stroke="#a0622d" stroke-width="2" stroke-linecap="round"/>
<circle cx="{cx}" cy="{cy}" r="{r}" fill="{glass}" fill-opacity="0.85" {S}/>
<path d="M{cx-r*0.55:.2f} {cy-r*0.1:.2f} C{cx-r*0.5:.2f} {cy-r*0.45:.2f} {cx-r*0.3:.2f} {cy-r*0.55:.2f} {cx-r*0.05:.2f} {cy-r*0.6:.2f}" fill="none" stroke="#ffffff" stroke-width="1.5" stroke-linecap="round"/>
'''

def quill(scale=1.0, dx=0.0, dy=0.0):
    # A feather lying from the lower left (nib) to the upper right (plume).
    return f'''
<g transform="translate({dx} {dy}) scale({scale})">
<path d="M29.5 2 C22 3 15.5 8.5 12.5 17 L15 18.5 C21 15 26.5 9.5 29.5 2 Z" fill="#ffffff" {S}/>
<path d="M8 23 L28 3.5" stroke="{INK}" stroke-width="1.6" stroke-linecap="round"/>
<path d="M17 11.5 L19.5 13 M20.5 8 L23 9.5" stroke="#c4a57a" stroke-width="1.2" stroke-linecap="round"/>
<path d="M8 23 L6.5 25.5 L9 24.5 Z" fill="{INK}" stroke="{INK}" stroke-width="1" stroke-linejoin="round"/>
</g>
'''

write("book", open_book(-1))

write("quillmere", f'''
<g transform="translate(0 5) scale(1 0.85)">{open_book(-1)}</g>
<path d="M30 1.5 C22.5 2.5 16 8 13 16.5 L15.5 18 C21.5 14.5 27 9 30 1.5 Z" fill="#ffffff" {S}/>
<path d="M19.5 9.5 L22 11 M23 6.2 L25.3 7.6" stroke="#c4a57a" stroke-width="1.2" stroke-linecap="round"/>
<path d="M9 22 L28.5 3" stroke="{INK}" stroke-width="1.8" stroke-linecap="round"/>
<path d="M9.8 21.2 L7.2 24.6 L10.8 22.3 Z" fill="{INK}" stroke="{INK}" stroke-width="1.2" stroke-linejoin="round"/>
''')

write("find", closed_book(3, 2, 17, 24) + magnifier(20, 19, 6.5))

write("delete", closed_book(3, 2, 17, 24) + f'''
<circle cx="22.5" cy="22.5" r="7.5" fill="#c8312b" {S}/>
<path d="M19 19 L26 26 M26 19 L19 26" stroke="#ffffff" stroke-width="3" stroke-linecap="round"/>
''')

write("print", f'''
<rect x="8.5" y="3" width="15" height="10" fill="#ffffff" {S}/>
<rect x="2.5" y="11" width="27" height="12" rx="2.5" fill="#a0622d" {S}/>
<rect x="2.5" y="11" width="27" height="4" rx="2" fill="#c48a50"/>
<rect x="2.5" y="11" width="27" height="12" rx="2.5" fill="none" {S}/>
<circle cx="25" cy="15.5" r="1.5" fill="#7fd05a"/>
<path d="M8.5 19 H23.5 V29.5 H8.5 Z" fill="#ffffff" {S}/>
<path d="M11.5 23 H20.5 M11.5 26.2 H18" stroke="#c4a57a" stroke-width="1.4" stroke-linecap="round"/>
''')

write("send", f'''
<rect x="2.5" y="7" width="27" height="19" rx="2" fill="#fff8e7" {S}/>
<path d="M3 8 L16 18.5 L29 8" fill="none" {S}/>
<path d="M3 25.5 L12.5 16 M29 25.5 L19.5 16" fill="none" stroke="{INK}" stroke-width="1.5" stroke-linecap="round"/>
<circle cx="16" cy="18" r="3.6" fill="#c8312b" stroke="#8c1f1a" stroke-width="1.2"/>
''')

write("definition", closed_book(3, 2, 24, 28, cover="#2f6a4f") + f'''
<path d="M9.5 23 L12.5 13 L15.5 23 M10.6 19.5 H14.4" fill="none" stroke="#f3d27a" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>
<path d="M17 18 H19" stroke="#f3d27a" stroke-width="1.6" stroke-linecap="round"/>
<path d="M20 13 H25 L20 23 H25" fill="none" stroke="#f3d27a" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"/>
''')

write("picture", f'''
<rect x="2.5" y="5" width="27" height="22" rx="1.5" fill="#c8893f" {S}/>
<rect x="6" y="8.5" width="20" height="15" fill="#a9d8f0" stroke="#7a4a1e" stroke-width="1.5"/>
<circle cx="21" cy="12.5" r="2.2" fill="#f6c945"/>
<path d="M6.75 22.75 L12.5 15 L16 19 L19 16 L25.25 22.75 Z" fill="#5e9a3e" stroke="#3d6a28" stroke-width="1.2" stroke-linejoin="round"/>
''')

write("bookmark", f'''
<path d="M9 2.5 H23 V29 L16 22.5 L9 29 Z" fill="#c8312b" {S}/>
<path d="M12.5 3.5 V23" stroke="#e8675c" stroke-width="2" stroke-linecap="round"/>
''')

write("redpen", f'''
<path d="M4 29 C9 27 13 29.5 18 27.5" fill="none" stroke="#c8312b" stroke-width="2" stroke-linecap="round"/>
<g transform="rotate(45 16 14)">
<path d="M13 2 H19 V20 H13 Z" fill="#c8312b" {S}/>
<path d="M13 20 H19 L16 27.5 Z" fill="#f3e3c3" {S}/>
<path d="M15 25 L17 25 L16 27.8 Z" fill="#c8312b" stroke="{INK}" stroke-width="1" stroke-linejoin="round"/>
<path d="M13 6 H19" stroke="{INK}" stroke-width="1.5"/>
<path d="M15 8 V18" stroke="#ec8a80" stroke-width="1.5" stroke-linecap="round"/>
</g>
''')

write("erase", f'''
<path d="M3 29 H29" stroke="#c4a57a" stroke-width="1.8" stroke-linecap="round"/>
<g transform="rotate(-35 16 16)">
<rect x="4" y="10" width="24" height="11" rx="2" fill="#f19aa0" {S}/>
<path d="M15 10 H26 C27.1 10 28 10.9 28 12 V19 C28 20.1 27.1 21 26 21 H15 Z" fill="#5b84b8" {S}/>
<path d="M7 13 H12" stroke="#ffffff" stroke-width="1.5" stroke-linecap="round" stroke-opacity="0.8"/>
</g>
''')

write("search", f'''
<rect x="2.5" y="3" width="22" height="26" rx="1.5" fill="#fff8e7" {S}/>
<path d="M6.5 8.5 H20.5 M6.5 12.5 H20.5 M6.5 16.5 H14 M6.5 20.5 H12 M6.5 24.5 H12" stroke="#a88a62" stroke-width="1.8" stroke-linecap="round"/>
''' + magnifier(20, 18.5, 6.5))

write("copy", f'''
<path d="M3.5 2.5 H15.5 L19.5 6.5 V22.5 H3.5 Z" fill="#f3e7cb" {S}/>
<path d="M12.5 9.5 H23.5 L28.5 14.5 V29.5 H12.5 Z" fill="#ffffff" {S}/>
<path d="M23.5 9.5 V14.5 H28.5" fill="none" {S}/>
<path d="M15.5 17.5 H25.5 M15.5 21 H25.5 M15.5 24.5 H22" stroke="#a88a62" stroke-width="1.6" stroke-linecap="round"/>
<path d="M6.5 8 H13 M6.5 11.5 H10" stroke="#a88a62" stroke-width="1.6" stroke-linecap="round"/>
''')

ARROW_L = "M3 16 L14.5 4.5 V11 H28.5 V21 H14.5 V27.5 Z"
write("back", f'''
<path d="{ARROW_L}" fill="#4f9a3a" {S}/>
<path d="M6.5 16 L13 9.5" stroke="#9bd57c" stroke-width="1.6" stroke-linecap="round"/>
''')
write("forward", f'''
<g transform="translate(32 0) scale(-1 1)">
<path d="{ARROW_L}" fill="#4f9a3a" {S}/>
</g>
<path d="M25.5 16 L19 9.5" stroke="#9bd57c" stroke-width="1.6" stroke-linecap="round"/>
''')

write("stop", f'''
<circle cx="16" cy="16" r="13.5" fill="#c8312b" {S}/>
<path d="M10.5 10.5 L21.5 21.5 M21.5 10.5 L10.5 21.5" stroke="#ffffff" stroke-width="3.6" stroke-linecap="round"/>
''')

cx, cy, r = 16, 17.5, 7
a1s, a1e = pt(cx, cy, r, 195), pt(cx, cy, r, 325)
a2s, a2e = pt(cx, cy, r, 15), pt(cx, cy, r, 145)
def tangent(deg):
    a = math.radians(deg); return (-math.sin(a), math.cos(a))
h1 = arrowhead(a1e[0], a1e[1], *tangent(325))
h2 = arrowhead(a2e[0], a2e[1], *tangent(145))
arcs = "M%.2f %.2f A%d %d 0 0 1 %.2f %.2f M%.2f %.2f A%d %d 0 0 1 %.2f %.2f" % (a1s + (r, r) + a1e + a2s + (r, r) + a2e)
write("refresh", f'''
<path d="M5.5 2.5 H20.5 L26.5 8.5 V29.5 H5.5 Z" fill="#ffffff" {S}/>
<path d="M20.5 2.5 V8.5 H26.5" fill="none" {S}/>
<path d="{arcs}" fill="none" stroke="#2f7a2a" stroke-width="2.6" stroke-linecap="round"/>
<path d="{h1} {h2}" fill="#2f7a2a" stroke="#2f7a2a" stroke-width="0.8" stroke-linejoin="round"/>
''')

write("globe", f'''
<circle cx="13" cy="13" r="10.5" fill="#7cc0e0" {S}/>
<path d="M6 7.5 C8.5 8.5 9 11 7.5 13 C6.5 15 8.5 17.5 10.5 17 C12 19 11 21.5 12 23.4 M17.5 4 C16 5.5 16.5 8 19 8.5 C21 9 22.5 11 23.3 12.3 M14 13 C16 12 18 13.5 17 15.5 C16 17 17.5 18.5 19.5 18" fill="none" stroke="#3f8a3a" stroke-width="2.4" stroke-linecap="round"/>
<path d="M2.5 13 H23.5 M13 2.5 C8.5 7 8.5 19 13 23.5 M13 2.5 C17.5 7 17.5 19 13 23.5" fill="none" stroke="{INK}" stroke-width="1" stroke-opacity="0.55"/>
<circle cx="13" cy="13" r="10.5" fill="none" {S}/>
''' + magnifier(21.5, 21, 5.5))

write("camera", f'''
<path d="M10.5 9 L12.5 5 H19.5 L21.5 9" fill="#6b4a30" {S}/>
<rect x="2.5" y="8.5" width="27" height="18" rx="3" fill="#8a5a36" {S}/>
<rect x="2.5" y="12" width="27" height="3" fill="#6b4a30"/>
<rect x="2.5" y="8.5" width="27" height="18" rx="3" fill="none" {S}/>
<rect x="5" y="10.5" width="4" height="2.5" rx="0.6" fill="#f6e7a0"/>
<circle cx="16" cy="17.5" r="6.5" fill="#d9d2c4" {S}/>
<circle cx="16" cy="17.5" r="3.8" fill="#3b6f95" stroke="{INK}" stroke-width="1.2"/>
<circle cx="14.8" cy="16.3" r="1.2" fill="#ffffff"/>
''')

def lying_book(x, y, w, h, cover, band):
    return f'''
<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="1.5" fill="{cover}" {S}/>
<path d="M{x+w-4} {y+1.5} V{y+h-1.5}" stroke="#fff8e7" stroke-width="2"/>
<path d="M{x+4} {y+h/2} H{x+w-9}" stroke="{band}" stroke-width="2" stroke-linecap="round"/>
'''
write("books",
      lying_book(4, 22, 25, 7, "#b4532a", "#e9c46a") +
      lying_book(2, 15, 24, 7, "#2f6a4f", "#e9c46a") +
      lying_book(6, 8, 22, 7, "#3d5f8c", "#e9c46a") +
      f'<path d="M9 8 V3.5 L11.5 5.5 L14 3.5 V8" fill="#c8312b" stroke="{INK}" stroke-width="1.2" stroke-linejoin="round"/>')
