#!/usr/bin/env python3
# Writes the sample 3D icons: one .an8 master per kind of file, named after the first
# extension it serves (aliases.txt lists the others; the build copies a master under each),
# and picture.bmp, the 64x64 four-colour gradient the picture icon shows. Deterministic: the
# same files every run. Needs python3 only.
#   data/icon3d/make-icons.py [directory]
import math
import os
import struct
import sys

HEADER = 'header { version { "1.0" } }\n'


def material(name, r, g, b, extra=""):
    return (f'  material {{ "{name}" surface {{ rgb {{ {r} {g} {b} }} ambiant {{ 0.45 }} diffuse {{ 0.8 }}'
            f'{extra} }} }}\n')


def point(p):
    return "(" + " ".join(f"{v:g}" for v in p) + ")"


def base(origin, orientation=None):
    text = f"base {{ origin {{ {point(origin)} }}"
    if orientation:
        text += f" orientation {{ {point(orientation)} }}"
    return text + " }"


def cube(name, mat, origin, scale, orientation=None):
    return (f'  cube {{ name {{ "{name}" }} material {{ "{mat}" }} {base(origin, orientation)}'
            f" scale {{ {scale[0]:g} {scale[1]:g} {scale[2]:g} }} }}\n")


def cylinder(name, mat, origin, length, diameter, top=None, slices=12, caps=True, orientation=None):
    text = (f'  cylinder {{ name {{ "{name}" }} material {{ "{mat}" }} {base(origin, orientation)}'
            f" length {{ {length:g} }} diameter {{ {diameter:g} }} topdiameter {{ {top if top else diameter:g} }}"
            f" longlat {{ {slices} 1 }}")
    if caps:
        text += " capstart { } capend { }"
    return text + " }\n"


def sphere(name, mat, origin, diameter, slices=12, stacks=6):
    return (f'  sphere {{ name {{ "{name}" }} material {{ "{mat}" }} {base(origin)}'
            f" longlat {{ {slices} {stacks} }} diameter {{ {diameter:g} }} }}\n")


def text(string, origin, size):
    return (f'  textcom {{ name {{ "tag" }} {base(origin)} typeface {{ "Arial" }} size {{ {size} }} bold {{ }}'
            f' string {{ "{string}" }} }}\n')


def obj(name, body):
    return f'object {{ "{name}"\n{body}}}\n'


def about_z(degrees):
    half = math.radians(degrees) / 2
    return (0, 0, round(math.sin(half), 4), round(math.cos(half), 4))


TURN_X = (0.7071, 0, 0, 0.7071)  # a cylinder's length along z, towards the viewer


def document():
    body = material("paper", 245, 245, 240) + material("ink", 40, 40, 60)
    body += cube("sheet", "paper", (0, 1, 0), (1.4, 2, 0.08))
    lines = "".join(cube(f"line{i}", "ink", (-0.1 if i == 3 else 0, 1.55 - 0.3 * i, 0.05), (0.9 if i == 3 else 1.1, 0.1, 0.04))
                    for i in range(4))
    body += f'  group {{ name {{ "text" }}\n{lines}  }}\n'
    return HEADER + obj("document", body)


def pdf():
    body = material("red", 200, 30, 30) + material("fold", 250, 190, 190)
    body += ('  mesh { name { "sheet" } material { "red" }\n'
             '    materiallist { materialname { "red" } materialname { "fold" } }\n'
             "    points { (-0.7 0 0) (0.7 0 0) (0.7 1.5 0) (0.2 2 0) (-0.7 2 0) (0.2 1.5 0.02) (0.7 1.5 0.02) (0.2 2 0.02) }\n"
             "    faces {\n"
             "      5 0 0 -1 ( (0) (1) (2) (3) (4) )\n"
             "      3 0 1 -1 ( (5) (6) (7) )\n"
             "    }\n  }\n")
    body += text("PDF", (-0.55, 0.5, 0.05), 3)
    return HEADER + obj("pdf", body)


def picture():
    body = material("photo", 255, 255, 255, ' texturename { "picture" }') + material("frame", 120, 80, 40)
    body += ('  mesh { name { "photo" } material { "photo" }\n'
             "    points { (-0.8 0.2 0) (0.8 0.2 0) (0.8 1.4 0) (-0.8 1.4 0) }\n"
             "    texcoords { (0 0) (1 0) (1 1) (0 1) }\n"
             "    faces { 4 4 0 -1 ( (0 0) (1 1) (2 2) (3 3) ) }\n  }\n")
    body += cube("bottom", "frame", (0, 0.15, 0), (1.8, 0.1, 0.1))
    body += cube("top", "frame", (0, 1.45, 0), (1.8, 0.1, 0.1))
    body += cube("left", "frame", (-0.85, 0.8, 0), (0.1, 1.2, 0.1))
    body += cube("right", "frame", (0.85, 0.8, 0), (0.1, 1.2, 0.1))
    return HEADER + 'texture { "picture" file { "picture.bmp" } }\n' + obj("picture", body)


def web():
    body = material("ocean", 40, 90, 220) + material("ring", 240, 240, 250)
    body += sphere("globe", "ocean", (0, 1, 0), 2, 16, 8)
    body += cylinder("equator", "ring", (0, 0.95, 0), 0.1, 2.2, caps=False, slices=16)
    return HEADER + obj("web", body)


def audio():
    body = material("note", 90, 60, 170)
    inner = (sphere("head", "note", (0, 0, 0), 0.8) +
             cylinder("stem", "note", (0.35, 0, 0), 1.7, 0.12, caps=False, slices=6) +
             cube("flag", "note", (0.65, 1.5, 0), (0.6, 0.25, 0.1), about_z(-25)))
    body += f'  group {{ name {{ "quaver" }} pivot {{ (0 0 0) }} {base((-0.2, 0.4, 0))}\n{inner}  }}\n'
    return HEADER + obj("audio", body)


def video():
    body = material("body", 60, 60, 70) + material("reel", 190, 190, 200) + material("glass", 60, 140, 230)
    reels = (cylinder("reel1", "reel", (-0.45, 0, -0.2), 0.4, 0.8, orientation=TURN_X) +
             cylinder("reel2", "reel", (0.45, 0, -0.2), 0.4, 0.8, orientation=TURN_X))
    lens = cylinder("lens", "glass", (0, 0, 0), 0.5, 0.4, 0.6, orientation=(0, 0, -0.7071, 0.7071))
    body += cube("body", "body", (0, 0.5, 0), (1.4, 0.9, 0.7))
    body += (f'  group {{ name {{ "camera top" }} {base((0, 1.35, 0))}\n'
             f'  group {{ name {{ "reels" }} {base((0, 0, 0))}\n{reels}  }}\n  }}\n')
    body += f'  group {{ name {{ "front" }} {base((0.7, 0.5, 0))}\n{lens}  }}\n'
    return HEADER + obj("video", body)


def archive():
    body = material("card", 180, 130, 70)
    body += ('  material { "band" surface { rgb { 220 40 40 } ambiant { 0.45 } diffuse { 0.8 } phong { 0.6 }'
             ' phongsize { 40 } brilliance { 0.2 } } backsurface { rgb { 120 20 20 } } }\n')
    body += cube("parcel", "card", (0, 0.6, 0), (1.6, 1.2, 1.2))
    body += cube("band1", "band", (0, 0.6, 0), (0.2, 1.24, 1.24))
    body += cube("band2", "band", (0, 0.6, 0), (1.64, 1.24, 0.2))
    return HEADER + obj("archive", body)


def tile(kind, colour, tag, size=4):
    body = material("tile", *colour)
    body += cube("tile", "tile", (0, 1, 0), (1.8, 2, 0.15))
    width = len(tag) * 0.55 * size * 0.2
    body += text(tag, (-width / 2, 0.8, 0.09), size)
    return HEADER + obj(kind, body)


def grid():
    body = material("sheet", 230, 240, 230) + material("cell", 40, 150, 70)
    points, faces = [], []
    for row in range(5):
        for col in range(5):
            points.append((-0.8 + 0.4 * col, 0.2 + 0.4 * row, 0.06))
    for row in range(4):
        for col in range(4):
            a = row * 5 + col
            faces.append(f"      4 0 {(row + col) % 2} -1 ( ({a}) ({a + 1}) ({a + 6}) ({a + 5}) )\n")
    body += cube("back", "sheet", (0, 1, 0), (1.8, 1.8, 0.08))
    body += ('  mesh { name { "cells" } material { "cell" }\n'
             '    materiallist { materialname { "cell" } materialname { "sheet" } }\n'
             "    points { " + " ".join(point(p) for p in points) + " }\n"
             "    faces {\n" + "".join(faces) + "    }\n  }\n")
    return HEADER + obj("data", body)


def config():
    body = material("steel", 150, 160, 175)
    body += cylinder("wheel", "steel", (0, 1, -0.15), 0.3, 1.4, slices=16, orientation=TURN_X)
    for i in range(8):
        angle = i * 45
        x, y = 0.78 * math.cos(math.radians(angle)), 1 + 0.78 * math.sin(math.radians(angle))
        body += cube(f"tooth{i}", "steel", (round(x, 4), round(y, 4), 0), (0.3, 0.25, 0.3), about_z(angle))
    return HEADER + obj("config", body)


def disc():
    body = material("disc", 200, 200, 220, " phong { 0.8 } phongsize { 60 }") + material("hub", 90, 90, 100)
    body += cylinder("disc", "disc", (0, 1, 0), 0.05, 2, slices=24, orientation=TURN_X)
    body += cylinder("hub", "hub", (0, 1, -0.02), 0.09, 0.5, orientation=TURN_X)
    return HEADER + obj("disc", body)


def library():
    body = material("brick", 200, 120, 40) + material("gem", 80, 200, 120)
    body += ('  solid { name { "block" } material { "brick" }\n'
             "    points { (-0.9 0 -0.6) (0.9 0 -0.6) (0 0 0.9) (0 1.5 0) }\n"
             "    faces {\n"
             "      3 0 0 -1 ( (0) (1) (2) )\n      3 0 0 -1 ( (0) (3) (1) )\n"
             "      3 0 0 -1 ( (1) (3) (2) )\n      3 0 0 -1 ( (2) (3) (0) )\n"
             "    }\n  }\n")
    body += ('  subdivision { name { "gem" } material { "gem" } base { origin { (0 1.9 0) } } divisions { 1 }\n'
             "    points { (0 0.4 0) (0.3 0 0) (0 0 0.3) (-0.3 0 0) (0 0 -0.3) (0 -0.4 0) }\n"
             "    faces {\n"
             "      3 0 0 -1 ( (0) (1) (2) )\n      3 0 0 -1 ( (0) (2) (3) )\n"
             "      3 0 0 -1 ( (0) (3) (4) )\n      3 0 0 -1 ( (0) (4) (1) )\n"
             "      3 0 0 -1 ( (5) (2) (1) )\n      3 0 0 -1 ( (5) (3) (2) )\n"
             "      3 0 0 -1 ( (5) (4) (3) )\n      3 0 0 -1 ( (5) (1) (4) )\n"
             "    }\n  }\n")
    return HEADER + obj("library", body)


def model():
    head = obj("head", material("skin", 240, 200, 160) + sphere("skull", "skin", (0, 0, 0), 0.6))
    limb = obj("limb", material("wood", 170, 120, 60) + cylinder("shape", "wood", (0, 0, 0), 0.8, 0.14, slices=8))
    figure = ('figure { "stick"\n'
              '  bone { "hips" length { 0.9 } orientation { (0 0 0 1) }\n'
              '    namedobject { "limb" name { "leftleg" } base { origin { (-0.2 -0.9 0) } } }\n'
              '    namedobject { "limb" name { "rightleg" } base { origin { (0.2 -0.9 0) } } }\n'
              '    namedobject { "limb" name { "body" } base { origin { (0 0 0) } } }\n'
              '    bone { "neck" length { 0.3 }\n'
              '      namedobject { "head" name { "head" } base { origin { (0 0.55 0) } } }\n'
              '      bone { "leftarm" orientation { (0 0 0.7071 0.7071) } length { 0.6 }\n'
              '        namedobject { "limb" name { "leftarm" } }\n      }\n'
              '      bone { "rightarm" orientation { (0 0 -0.7071 0.7071) } length { 0.6 }\n'
              '        namedobject { "limb" name { "rightarm" } }\n      }\n'
              "    }\n  }\n}\n")
    sequence = 'sequence { "wave" figure { "stick" } frames { 10 } }\n'
    scene = ('scene { "stage"\n  frames { 10 }\n'
             '  camera { "eye" loc { (0 1 6) } direction { (0 0 -1) } }\n'
             '  figureelement { "actor" "stick" loc { (0 0.9 0) } namedsequence { "wave" 0 } }\n'
             '  light { "lamp" loc { (2 4 3) } intensity { 1 } }\n}\n')
    return HEADER + head + limb + figure + sequence + scene


MASTERS = {
    "txt": document, "pdf": pdf, "jpg": picture, "html": web, "mp3": audio, "mp4": video, "zip": archive,
    "c": lambda: tile("code", (50, 55, 70), "C"), "h": lambda: tile("code", (50, 55, 70), "H"),
    "cpp": lambda: tile("code", (50, 55, 70), "C++", 3), "hpp": lambda: tile("code", (50, 55, 70), "H++", 3),
    "sh": lambda: tile("script", (25, 25, 25), ">_"), "py": lambda: tile("script", (25, 25, 25), "py"),
    "pl": lambda: tile("script", (25, 25, 25), "pl"), "json": lambda: tile("data", (70, 50, 90), "{ }", 3),
    "xml": lambda: tile("data", (70, 50, 90), "< >", 3), "csv": grid,
    "conf": config, "iso": disc, "so": library, "an8": model,
}


def gradient_bmp():
    """64x64, 24 bits: red, green, blue and yellow corners blended across."""
    size = 64
    corners = ((255, 0, 0), (0, 200, 0), (0, 0, 255), (255, 230, 0))  # bottom left, right; top left, right
    rows = []
    for y in range(size):  # BMP rows run from the bottom up
        fy = y / (size - 1)
        row = bytearray()
        for x in range(size):
            fx = x / (size - 1)
            rgb = [round((1 - fx) * (1 - fy) * corners[0][c] + fx * (1 - fy) * corners[1][c] +
                         (1 - fx) * fy * corners[2][c] + fx * fy * corners[3][c]) for c in range(3)]
            row += bytes((rgb[2], rgb[1], rgb[0]))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(pixels), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, size, size, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    return header + info + pixels


def main():
    directory = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    for extension, make in MASTERS.items():
        with open(os.path.join(directory, extension + ".an8"), "w", newline="\n") as out:
            out.write(make())
    with open(os.path.join(directory, "picture.bmp"), "wb") as out:
        out.write(gradient_bmp())


main()
