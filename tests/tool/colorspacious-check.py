#!/usr/bin/python3
"""colorspacious-check.py RULVTOOL EXAMPLES_DIR: rulvtool inspect's figures
against an independent implementation of the same published formulas.

colorspacious (Debian's python3-colorspacious) converts sRGB to linear
light and to CIELAB (D65), and applies the colour-vision matrices of
Machado, Oliveira and Fernandes (2009); severity 100 is their matrix at 1.0,
the one rulvtool uses. It does not clip what a matrix leaves outside 0..1,
so the channels are clipped here in linear light, as rulvtool does, before
L*a*b* is taken. colorspacious has no CIEDE2000; the difference is a direct
transcription of Sharma, Wu and Dalal (2005), checked against some of
their published pairs first. Where two hues lie within a degree of 180°
apart, the formula's mean hue jumps by 180° (its one discontinuity, which
they describe), and the last digits of a matrix decide the side: there
either side's value counts.

Every L*, every step in every view and the summaries (min, median, max)
must agree to 0.01 (the rest is the last digits of the sRGB matrix:
colorspacious inverts the XYZ-to-sRGB one), below_jnd exactly where no
step lies within 0.01 of the just-noticeable difference. Exit status 0
when all agree, 1 when any does not, 77 (skipped) without colorspacious.
"""
import json
import math
import os
import subprocess
import sys
import tempfile

try:
    import numpy as np
    import colorspacious
except ImportError as missing:
    print(f"skipped: {missing} (install Debian's python3-colorspacious: make deps)")
    sys.exit(77)

TOLERANCE = 0.01
CVD_TYPES = {"protan": "protanomaly", "deutan": "deuteranomaly", "tritan": "tritanomaly"}


def delta_e_2000(first, second, other_side=False):
    """CIEDE2000, kL = kC = kH = 1, equations (2)-(22) of Sharma et al.;
    `other_side` takes the other mean hue where hues lie 180° apart."""
    l1, a1, b1 = first
    l2, a2, b2 = second
    c_mean = (math.hypot(a1, b1) + math.hypot(a2, b2)) / 2
    g = 0.5 * (1 - math.sqrt(c_mean**7 / (c_mean**7 + 25.0**7)))
    a1p, a2p = (1 + g) * a1, (1 + g) * a2
    c1p, c2p = math.hypot(a1p, b1), math.hypot(a2p, b2)
    h1p = math.degrees(math.atan2(b1, a1p)) % 360 if c1p else 0.0
    h2p = math.degrees(math.atan2(b2, a2p)) % 360 if c2p else 0.0
    if c1p * c2p == 0:
        dhp = 0.0
        h_mean = h1p + h2p
    else:
        dhp = h2p - h1p
        if dhp > 180:
            dhp -= 360
        elif dhp < -180:
            dhp += 360
        if abs(h1p - h2p) <= 180:
            h_mean = (h1p + h2p) / 2
        elif h1p + h2p < 360:
            h_mean = (h1p + h2p + 360) / 2
        else:
            h_mean = (h1p + h2p - 360) / 2
        if other_side:
            h_mean = (h_mean + 180) % 360
    d_h = 2 * math.sqrt(c1p * c2p) * math.sin(math.radians(dhp / 2))
    l_mean, c_mean_p = (l1 + l2) / 2, (c1p + c2p) / 2
    t = (1 - 0.17 * math.cos(math.radians(h_mean - 30)) + 0.24 * math.cos(math.radians(2 * h_mean))
         + 0.32 * math.cos(math.radians(3 * h_mean + 6)) - 0.20 * math.cos(math.radians(4 * h_mean - 63)))
    d_theta = 30 * math.exp(-(((h_mean - 275) / 25) ** 2))
    r_c = 2 * math.sqrt(c_mean_p**7 / (c_mean_p**7 + 25.0**7))
    s_l = 1 + 0.015 * (l_mean - 50) ** 2 / math.sqrt(20 + (l_mean - 50) ** 2)
    s_c = 1 + 0.045 * c_mean_p
    s_h = 1 + 0.015 * c_mean_p * t
    r_t = -math.sin(math.radians(2 * d_theta)) * r_c
    dl, dc, dh = (l2 - l1) / s_l, (c2p - c1p) / s_c, d_h / s_h
    return math.sqrt(dl * dl + dc * dc + dh * dh + r_t * dc * dh)


def check_delta_e():
    """Pairs 1, 7, 17, 25 and 34 of Sharma et al., Table 1."""
    pairs = [((50, 2.6772, -79.7751), (50, 0, -82.7485), 2.0425),
             ((50, 0, 0), (50, -1, 2), 2.3669),
             ((50, 2.5, 0), (73, 25, -18), 27.1492),
             ((60.2574, -34.0099, 36.2677), (60.4626, -34.1751, 39.4387), 1.2644),
             ((2.0776, 0.0795, -1.1350), (0.9033, -0.0636, -0.5514), 0.9082)]
    for first, second, published in pairs:
        if round(delta_e_2000(first, second), 4) != published:
            sys.exit(f"the transcription of CIEDE2000 is wrong for {first} {second}")


def near_opposite(first, second):
    """Whether the hues of CIEDE2000 lie within a degree of 180° apart."""
    c_mean = (math.hypot(first[1], first[2]) + math.hypot(second[1], second[2])) / 2
    g = 0.5 * (1 - math.sqrt(c_mean**7 / (c_mean**7 + 25.0**7)))
    hues = [math.degrees(math.atan2(lab[2], (1 + g) * lab[1])) % 360 for lab in (first, second)]
    return abs(abs(hues[0] - hues[1]) - 180) < 1


def steps_like(lab, ours):
    """The steps of the colours `lab`, each on the side of the discontinuity
    nearer to `ours` where there is a choice."""
    steps = []
    for i in range(1, len(lab)):
        step = delta_e_2000(lab[i - 1], lab[i])
        if near_opposite(lab[i - 1], lab[i]) and i - 1 < len(ours):
            other = delta_e_2000(lab[i - 1], lab[i], other_side=True)
            step = min(step, other, key=lambda value: abs(value - ours[i - 1]))
        steps.append(step)
    return steps


def lab_of(rgb, view):
    if view == "normal":
        linear = colorspacious.cspace_convert(rgb, "sRGB1", "sRGB1-linear")
    else:
        space = {"name": "sRGB1+CVD", "cvd_type": CVD_TYPES[view], "severity": 100}
        linear = np.clip(colorspacious.cspace_convert(rgb, space, "sRGB1-linear"), 0, 1)
    return colorspacious.cspace_convert(linear, "sRGB1-linear", "CIELab")


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


def run(tool, *arguments):
    return subprocess.run([tool, *arguments], check=True, capture_output=True, text=True).stdout


def compare(name, what, ours, theirs, failures):
    worst = max((abs(float(a) - b) for a, b in zip(ours, theirs)), default=0.0)
    if len(ours) != len(theirs) or worst > TOLERANCE:
        failures.append(f"{name}: {what} differ by {worst:.4f} ({len(ours)} against {len(theirs)} values)")
    return worst


def check_map(tool, path, failures):
    name = os.path.basename(path)
    colours = run(tool, "dump", path).split()
    rgb = np.array([[int(c[i:i + 2], 16) / 255 for i in (0, 2, 4)] for c in colours])
    figures = json.loads(run(tool, "inspect", path, "--format", "json"))
    worst = compare(name, "L*", figures["lightness"]["values"], lab_of(rgb, "normal")[:, 0], failures)
    for view, ours in figures["steps"].items():
        steps = steps_like(lab_of(rgb, view), ours["values"])
        worst = max(worst, compare(name, f"{view} steps", ours["values"], steps, failures))
        summary = [ours["min"], ours["median"], ours["max"]]
        compare(name, f"{view} min, median, max", summary, [min(steps), median(steps), max(steps)], failures)
        if all(abs(step - 1.0) > TOLERANCE for step in steps):
            if ours["below_jnd"] != sum(step < 1.0 for step in steps):
                failures.append(f"{name}: {view} below_jnd {ours['below_jnd']}")
    print(f"{name}: {len(colours)} colours, largest difference {worst:.4f}")


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: colorspacious-check.py RULVTOOL EXAMPLES_DIR")
    tool, examples = sys.argv[1:]
    check_delta_e()
    failures = []
    maps = [os.path.join(examples, f"{name}.rulv") for name in ("rainbow", "fire", "relief256", "aurora")]
    with tempfile.TemporaryDirectory() as folder:
        # Saturated colours, whose views a matrix takes furthest out of range.
        saturated = os.path.join(folder, "saturated.rulv")
        with open(saturated, "w", newline="") as file:
            for line in ["#GRAD FF0000,FFFF00,12", "#GRAD FFFF00,00FF00,12", "#GRAD 00FF00,00FFFF,12",
                         "#GRAD 00FFFF,0000FF,12", "#GRAD 0000FF,FF00FF,12", "#GRAD FF00FF,FF0000,12", "FF0000"]:
                file.write(line + "\r\n")
        for path in maps + [saturated]:
            check_map(tool, path, failures)
    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
