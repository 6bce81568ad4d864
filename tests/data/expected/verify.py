#!/usr/bin/env python3
"""Independent re-computation of the details export, written from the description of the file
format and the statistics, without looking at the C++ code. Used to check the expected outputs
in this folder: python3 verify.py SAMPLE [--start-set N] [--columns all] [--override VAR=VALUE]...
prints what `tarnwell-reader --details` must print."""
import math
import re
import struct
import sys
from decimal import Decimal, ROUND_HALF_UP

VAR_MARK = "** VARIABLES " + "*" * 44
NOTES_MARK = "** NOTES " + "*" * 44
DATA_MARK = "** DATA " + "*" * 49
OFFSETS = {3: "BS", 4: "M", 5: "BOx", 6: "MZero", 7: "D", 8: "mUZero", 9: "VS", 10: "nuZero",
           11: "nuOxZero", 12: "muOxZero", 13: "muM", 14: "SensorID", 15: "SensorAx", 16: "SensorBx",
           17: "Vhpws", 18: "Vhp", 19: "Vgp", 20: "Tl", 21: "PsO2", 23: "PIDP", 24: "PIDI", 25: "PIDD",
           26: "RCDuration", 27: "RCThreshold", 31: "FGpO2", 32: "Alpha", 33: "CTO"}
NUM = re.compile(r"^ *[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def conv(s):
    if not NUM.match(s):
        return None
    return f32(float(s))


def trim(s):
    i, j = 0, len(s)
    while i < j and ord(s[i]) <= 32:
        i += 1
    while j > i and ord(s[j - 1]) <= 32:
        j -= 1
    return s[i:j]


def read_lines(path):
    b = open(path, "rb").read()
    if b.startswith(b"\xef\xbb\xbf"):
        t = b[3:].decode("utf-8")
    elif b.startswith(b"\xff\xfe"):
        t = b[2:].decode("utf-16-le")
    elif b.startswith(b"\xfe\xff"):
        t = b[2:].decode("utf-16-be")
    else:
        try:
            t = b.decode("utf-8")
        except UnicodeDecodeError:
            t = b.decode("cp1252")
    t = t.replace("\t", "")
    lines = re.split(r"\r\n|\n|\r", t)
    if lines and lines[-1] == "":
        lines.pop()
    return lines


class Step:
    def __init__(self):
        self.pts = []
        self.mode = self.step = 0
        self.sp = 0.0
        self.set_duration = 0.0
        self.final = 0.0
        self.final_pre = 0.0
        self.cur_final = self.cur_pre = 0.0
        self.charge = self.leak_total = self.leak_last = 0.0
        self.alpha2 = 0.0
        self.lqa2 = 0.0
        self.temp_k = 0.0
        self.o2hp = self.o2gp = self.och = 0.0
        self.stable = False
        self.potential = 0.0


def load(path):
    L = read_lines(path)
    v = {k: 0.0 for k in OFFSETS.values()}
    head = {"ExperimentName": "", "SampleName": "", "Saved": "", "Notes": ""}
    if not (len(L) > 0 and L[0] == VAR_MARK) and not (len(L) > 1 and L[1] == VAR_MARK):
        for i, k in ((2, "ExperimentName"), (3, "SampleName"), (4, "Saved")):
            if i < len(L):
                head[k] = trim(L[i])
    if VAR_MARK in L:
        V = L.index(VAR_MARK)
        for off in range(0, 35):
            if V + off < len(L) and off in OFFSETS:
                f = L[V + off].split(";")
                if len(f) == 4 and conv(f[0]) is not None:
                    v[OFFSETS[off]] = conv(f[0])
    if NOTES_MARK in L:
        i = L.index(NOTES_MARK) + 1
        while i < len(L) and L[i] != DATA_MARK:
            if trim(L[i]):
                head["Notes"] += trim(L[i]) + "\r\n"
            i += 1
    steps = []
    if DATA_MARK in L:
        D = L.index(DATA_MARK)
        cur = None
        prev_t = sys.float_info.max
        start = 0.0
        rec = dict(t=0.0, dt=0.0, T=0.0, V=0.0, I=0.0, P=0.0, pp=0.0, a=False, b=False, c=False)
        tm = ts = 0
        for line in L[D + 4:]:
            f = trim(line).split(";")
            if trim(f[0]) == "" or (len(f) > 3 and trim(f[3]) == ""):
                continue
            assert len(f) >= 16, line
            t = conv(trim(f[0].replace(":", ".")))
            if t is not None and t < prev_t:
                m = conv(trim(f[1]))
                if m is not None:
                    tm = round(m)
                s = conv(trim(f[2]))
                if s is not None:
                    ts = round(s)
                if tm in (15, 16) and ts == 1:
                    ref = Step()
                    ref.mode, ref.step, ref.set_duration = 15, 0, 1.0
                    p = dict(rec)
                    p["t"], p["dt"] = 0.0, 1.0
                    x = conv(trim(f[3]))
                    if x is not None:
                        p["T"] = x
                    x = conv(f[6].replace(" ", ""))
                    if x is not None:
                        p["P"] = x
                        ref.final = x
                    ref.pts.append(p)
                    steps.append(ref)
                cur = Step()
                steps.append(cur)
                start = 0.0
            x = conv(f[0].replace(":", "."))
            if x is not None:
                rec["t"], rec["dt"] = x, x - start
                prev_t = start = x
            x = conv(f[1])
            if x is not None:
                cur.mode = round(x)
            x = conv(f[2])
            if x is not None:
                cur.step = round(x)
            for k, col in (("T", 3), ("V", 4), ("I", 5), ("pp", 15)):
                x = conv(f[col])
                if x is not None:
                    rec[k] = x
            x = conv(f[6].replace(" ", ""))
            if x is not None:
                rec["P"] = x
            rec["a"], rec["b"], rec["c"] = f[9] == "True", f[10] == "True", f[12] == "True"
            if len(cur.pts) < 3:
                x = conv(f[13])
                cur.sp = x if x is not None else 0.0
            cur.pts.append(dict(rec))
    return head, v, steps


def root(x):
    return x ** 0.25 if x > 0 else 0.0


def average_last(s, w, key):
    if w <= 0 or s.set_duration < w:
        return 0.0
    W = S = 0.0
    for p in reversed(s.pts):
        if W >= w:
            break
        S += p["dt"] * p[key]
        W += p["dt"]
    return S / W if W > 0 else 0.0


def sums_pre(s, par):
    if not s.pts:
        return
    last = s.pts[-1]
    s.set_duration = last["t"]
    T = 0.0
    for p in s.pts:
        T += p["T"] * p["dt"]
    if s.set_duration > 0:
        T /= s.set_duration
    s.temp_k = T + 273.15
    s.final = average_last(s, par["RCDuration"], "P") if s.step >= 1 else last["P"]
    s.cur_final = average_last(s, par["RCDuration"], "I")
    s.leak_last = last["I"]
    s.cur_pre = 0.0
    s.charge = s.leak_total = 0.0
    for p in s.pts:
        s.charge += p["I"] * p["dt"]
        s.leak_total += s.cur_final * p["dt"]
    if s.temp_k > 0:
        s.o2hp = s.final * par["Vhpws"] / (0.08206 * s.temp_k)
    tl = par["Tl"] + 273.15
    if s.temp_k > 0 and tl > 0:
        if s.temp_k == tl:
            s.o2gp = s.final * par["Vgp"] / (0.08206 * s.temp_k)
        else:
            s.o2gp = (s.final * par["Vgp"] / 0.08206) * (math.log(s.temp_k) - math.log(tl)) / (s.temp_k - tl)
    else:
        s.o2gp = 0.0
    s.och = 2 * (s.o2hp + s.o2gp)
    s.stable = last["a"] and last["c"] and (last["b"] or s.mode != 15)
    s.potential = average_last(s, par["RCDuration"], "V")


def sums_post(s):
    d = root(s.final_pre) - root(s.final)
    if d != 0:
        s.alpha2 = (s.cur_final - s.cur_pre) / d
    s.lqa2 = 0.0
    for p in s.pts:
        s.lqa2 += ((root(s.final_pre) - root(p["P"])) * s.alpha2 + s.cur_pre) * p["dt"]


def inter_set_actions(steps, par):
    for k, s in enumerate(steps):
        sums_pre(s, par)
        if k >= 1:
            s.final_pre = steps[k - 1].final
            s.cur_pre = steps[k - 1].cur_final
    for s in steps:
        sums_post(s)


def fmt(pattern, x):
    """The runtime's FormatFloat for the patterns of the details table, plus the leading blank."""
    if math.isnan(x):
        return "NAN"
    if math.isinf(x):
        return " INF" if x > 0 else "-INF"
    neg = x < 0
    d = Decimal("%.14e" % abs(x))  # 15 significant digits
    if "E" in pattern:
        mant, exp = pattern.split("E")
        decimals = len(mant.split(".")[1]) if "." in mant else 0
        e = 0 if d == 0 else d.adjusted()
        m = (d.scaleb(-e)).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
        if m >= 10:
            e += 1
            m = (d.scaleb(-e)).quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
        digits = len(exp) - 1
        text = "%s%s%0*d" % (m, "E" + ("-" if e < 0 else "+"), digits, abs(e))
    else:
        decimals = len(pattern.split(".")[1]) if "." in pattern else 0
        q = d.quantize(Decimal(1).scaleb(-decimals), rounding=ROUND_HALF_UP)
        text = "%.*f" % (decimals, q)
        if pattern == "#0" and q == 0:
            text = "0"
    return ("-" if neg else " ") + text


COLUMNS = [("FN", "*", "0", 2, True), ("Mode", "*", "", 10, True), ("Step", "", "#0", 4, True),
           ("SP", "*", "0.000", 7, True), ("Temp", "*", "0.0", 7, False), ("pO2 s-1", "*", "0.000E+00", 10, False),
           ("pO2 s", "*", "0.000E+00", 10, True), ("St", "*", "", 2, True), ("Duration", "*", "0.0", 8, False),
           ("Potential", "*", "0.000E+00", 10, False), ("dQ", "*", "0.000E+00", 10, True),
           ("dQA", "*", "0.000E+00", 10, True), ("LeakILast", "*", "0.000000", 10, True),
           ("LeakIAvg", "*", "0.000E+00", 10, False), ("LeakIAvgPre", "*", "0.000E+00", 10, False),
           ("LeakQa", "*", "0.000E+00", 10, True), ("LeakQaA", "*", "0.000E+00", 10, True),
           ("Alpha2", "*", "0.000000", 10, False), ("dQI", "*", "0.000E+00", 10, True),
           ("dOp", "*", "0.000E+00", 10, True), ("dOl", "*", "0.000E+00", 10, False),
           ("dOe", "*", "0.000E+00", 10, True), ("dO", "*", "0.000E+00", 10, True),
           ("Och", "*", "0.000E+00", 10, True), ("dOch", "*", "0.000E+00", 10, True),
           ("r", "*", "0.00000000", 10, True), ("bc", "*", "0.000000", 10, True), ("bp", "*", "0.000000", 10, True),
           ("y", "*", "0.000000", 10, True), ("log|y|", "", "0.000000", 10, True), ("Gamma", "*", "0.000", 10, False),
           ("RCD", "*", "0", 5, False), ("RCP", "*", "0.00", 4, False)]
MODES = ["Uninitialized", "Paused", "ZeroCurrent", "SetVoltage", "PIDSet", "PIDStep", "PPS", "ToExit"]


def pad(w, t):
    return (t + " " * w)[:w]


def main():
    args = sys.argv[1:]
    path = args.pop(0)
    start_set, cols_all, overrides = 0, False, {}
    while args:
        a = args.pop(0)
        if a == "--start-set":
            start_set = int(args.pop(0))
        elif a == "--columns":
            cols_all = args.pop(0) == "all"
        elif a == "--override":
            k, x = args.pop(0).split("=")
            overrides[k] = f32(float(x))
    head, v, steps = load(path)
    par = dict(v)
    inter_set_actions(steps, par)  # when the file is added
    if overrides:  # selected on the details page with the overrides on
        par = dict(v)
        par["MZero"] = v["mUZero"]
        par.update(overrides)
    inter_set_actions(steps, par)
    expl = {}
    for line in open(__file__.replace("verify.py", "legend.txt"), encoding="utf-8"):
        name, text = line.rstrip("\n").split("\t")
        expl[name] = text
    shown = [c for c in COLUMNS if c[4] or cols_all]
    out = ["File: " + path, "Sets: %d" % len(steps), "Notes: " + head["Notes"], ""]
    out.append("".join(pad(c[3], c[0]) + " ; " for c in shown))
    out.append("")
    b0, bs, nu0 = par["BOx"], par["BS"], par["nuZero"]
    bp = 0.0
    for k, s in enumerate(steps):
        prev = steps[k - 1] if k > 0 else s
        dur = s.set_duration
        dOe = s.charge / 2 / 96485 - s.lqa2 / 2 / 96485
        dO = (s.charge - s.lqa2) / 2 / 96485
        bc = dO / nu0 if nu0 > 0 else 0.0
        bp = 0.0 if k < start_set else (b0 if k == start_set else bp - bc)
        diff = prev.och - s.och
        cell = {
            "FN": fmt("0", 1), "Mode": "Conditions" if start_set > 0 and s.step == start_set else
            (MODES[s.mode - 10] if 10 <= s.mode <= 17 else str(s.mode)),
            "Step": fmt("#0", s.step) if s.mode in (15, 16) else "", "SP": fmt("0.000", s.sp),
            "Temp": fmt("0.0", s.temp_k), "pO2 s-1": fmt("0.000E+00", s.final_pre) if s.final_pre > 0 else "",
            "pO2 s": fmt("0.000E+00", s.final), "St": "X" if s.stable else "", "Duration": fmt("0.0", dur),
            "Potential": fmt("0.000E+00", s.potential), "dQ": fmt("0.000E+00", s.charge),
            "dQA": fmt("0.000E+00", s.charge / dur if dur > 0 else 0.0), "LeakILast": fmt("0.000000", s.leak_last),
            "LeakIAvg": fmt("0.000E+00", s.cur_final), "LeakIAvgPre": fmt("0.000E+00", s.cur_pre),
            "LeakQa": fmt("0.000E+00", s.lqa2), "LeakQaA": fmt("0.000E+00", s.lqa2 / dur if dur > 0 else 0.0),
            "Alpha2": fmt("0.000000", s.alpha2), "dQI": fmt("0.000E+00", s.charge - s.lqa2),
            "dOp": fmt("0.000E+00", s.charge / 2 / 96485), "dOl": fmt("0.000E+00", s.lqa2 / 2 / 96485),
            "dOe": fmt("0.000E+00", dOe), "dO": fmt("0.000E+00", dO), "Och": fmt("0.000E+00", s.och),
            "dOch": fmt("0.000E+00", diff) if k > 0 else "",
            "r": fmt("0.00000000", dOe / diff) if k > 0 and diff != 0 else "",
            "bc": fmt("0.000000", bc), "bp": fmt("0.000000", bp), "y": fmt("0.000000", bp - bs),
            "log|y|": "" if bp == b0 else fmt("0.000000", math.log10(abs(bp - bs))),
            "Gamma": fmt("0.000", s.final / s.och) if s.och > 0 else "",
            "RCD": fmt("0", par["RCDuration"]), "RCP": fmt("0.00", par["RCThreshold"]),
        }
        out.append("".join(pad(c[3], cell[c[0]]) + " ; " for c in shown))
    out.append("")
    for c in shown:
        if c[1]:
            out.append(("          " + c[0])[-10:] + " = " + expl[c[0]])
    sys.stdout.write("\n".join(out).replace("\r\n", "\n") + "\n")


main()
