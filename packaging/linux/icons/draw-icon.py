#!/usr/bin/env python3
"""Draws the tool's icon (the hub of src/resources/images/title.png, redrawn at
256 x 256 so that it stays sharp) with ImageMagick 6, and a 48 x 48 copy.
Run from this folder; the PNGs are kept in the repository."""
import math
import subprocess

C = 128
spokes, dots = [], []
for i in range(8):
    a = math.radians(-90 + 45 * i)
    x1, y1 = C + 44 * math.cos(a), C + 44 * math.sin(a)
    x2, y2 = C + 88 * math.cos(a), C + 88 * math.sin(a)
    spokes.append(f"line {x1:.1f},{y1:.1f} {x2:.1f},{y2:.1f}")
    x, y = C + 92 * math.cos(a), C + 92 * math.sin(a)
    dots.append(f"circle {x:.1f},{y:.1f} {x + 19:.1f},{y:.1f}")

png = ["-depth", "8", "-define", "png:exclude-chunks=date,time", "-strip"]
subprocess.run(
    ["convert", "-size", "256x256", "xc:none",
     "(", "-size", "240x240", "gradient:rgb(40,196,208)-rgb(8,146,160)",
     "(", "-size", "240x240", "xc:none", "-fill", "white", "-draw", "roundrectangle 0,0 239,239 46,46", ")",
     "-compose", "DstIn", "-composite", ")",
     "-geometry", "+8+8", "-compose", "Over", "-composite",
     "-stroke", "white", "-strokewidth", "11", "-fill", "none", "-draw", " ".join(spokes),
     "-stroke", "white", "-strokewidth", "15", "-fill", "none", "-draw", f"circle {C},{C} {C + 36},{C}",
     "-stroke", "none", "-fill", "white", "-draw", " ".join(dots)] + png + ["vanto-hub8-256.png"],
    check=True)
subprocess.run(["convert", "vanto-hub8-256.png", "-resize", "48x48"] + png + ["vanto-hub8-48.png"], check=True)
