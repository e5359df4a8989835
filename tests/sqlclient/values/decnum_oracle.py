"""Checks the packed decimal routines against Python's exact arithmetic.

Runs the filter program given as the only argument, feeds it a few thousand
random operations (addition, subtraction, comparison, multiplication,
division, resizing, conversion to double) at random precisions and compares
every answer with what the decimal and integer arithmetic of Python says the
routine must give: the same digits, sign digit, scale and text, or an
overflow exactly where the result does not fit.
"""
import random
import subprocess
import sys
from fractions import Fraction

MAX_DIGITS = 32
CASES_PER_OP = 1200
SEED = 20261207


def operand(rng, p):
    """A random value that fits precision p: (integer m, scale s, text)."""
    s = rng.randint(0, p)
    kind = rng.random()
    if kind < 0.15:
        m = 10 ** rng.randint(1, p) - 1          # all nines: overflow edges
    elif kind < 0.25:
        m = 0
    else:
        m = rng.randrange(10 ** rng.randint(1, p))
    if rng.random() < 0.5:
        m = -m
    while s > 0 and m % 10 == 0:
        m //= 10
        s -= 1
    if m == 0:
        s = 0
    q, r = divmod(abs(m), 10 ** s)
    lead = "0" * rng.choice([0, 0, 0, 1, 3])
    text = ("-" if m < 0 else "") + lead + str(q) + (("." + str(r).zfill(s)) if s else "")
    return m, s, text


def record(R, S, n):
    """The printed form of the record holding R x 10^-S at precision n."""
    digits = str(R if R >= 0 else 10 ** n + R).zfill(n)
    q, r = divmod(abs(R), 10 ** S)
    if S == 0:
        text = str(q)
    else:
        text = (str(q) if q else "") + "." + str(r).zfill(S)
    if R < 0:
        text = "-" + text
    return "%d %s %d %s" % (9 if R < 0 else 0, digits, S, text)


def trunc_div(a, b):
    """a / b rounded toward zero (integers)."""
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


def expect(op, p, n, a, b):
    ma, sa = a[0], a[1]
    if op in ("add", "sub"):
        S = max(sa, sb := b[1])
        A, B = ma * 10 ** (S - sa), b[0] * 10 ** (S - sb)
        if abs(A) >= 10 ** p or abs(B) >= 10 ** p:
            return "OVF"
        R = A + B if op == "add" else A - B
        return "OVF" if abs(R) >= 10 ** p else record(R, S, p)
    if op == "cmp":
        d = Fraction(ma, 10 ** sa) - Fraction(b[0], 10 ** b[1])
        return str((d > 0) - (d < 0))
    if op == "mul":
        R, S = ma * b[0], sa + b[1]
        if S > n:
            R, S = trunc_div(R, 10 ** (S - n)), n
        return "OVF" if abs(R) >= 10 ** n else record(R, S, n)
    if op == "div":
        A, B, sb = abs(ma), abs(b[0]), b[1]
        if A == 0:
            return record(0, 0, n)
        E = len(str(A)) - 1 + max(sb - sa, 0)
        F = n - 1 - E
        Q = Fraction(A * 10 ** sb, B * 10 ** sa)
        k = 0
        while k < F and (Q * 10 ** k).denominator != 1:
            k += 1
        k = max(k, 0)
        R = (Q * 10 ** k).numerator // (Q * 10 ** k).denominator
        if R >= 10 ** n:
            return "OVF"
        if (ma < 0) != (b[0] < 0):
            R = -R
        return record(R, k, n)
    if op == "res":
        if n >= p:
            return record(ma, sa, n) + " 0"
        M = abs(ma)
        sig = len(str(M)) if M else 0
        k = max(sig, n, sa)
        S = n - k + sa
        if S < 0:
            return "OVF"
        R = M // 10 ** (sa - S)
        return record(-R if ma < 0 else R, S, n) + " %d" % (4 if S < sa else 0)
    if op == "dbl":
        digits = str(abs(ma)).zfill(p)
        w = 1.0
        for _ in range(sa):
            w *= 0.1
        s = 0.0
        for ch in reversed(digits):
            if ch != "0":
                s += int(ch) * w
            w *= 10.0
        return repr(-s if ma < 0 else s)
    raise ValueError(op)


def main():
    rng = random.Random(SEED)
    cases = []
    for op in ("add", "sub", "cmp", "mul", "div", "res", "dbl"):
        for _ in range(CASES_PER_OP):
            p = rng.randint(1, MAX_DIGITS)
            n = rng.randint(1, MAX_DIGITS)
            a = operand(rng, p)
            b = operand(rng, p)
            if op == "div":
                while b[0] == 0:
                    b = operand(rng, p)
            if op in ("res", "dbl"):
                line = "%s %d%s %s" % (op, p, " %d" % n if op == "res" else "", a[2])
            elif op in ("mul", "div"):
                line = "%s %d %d %s %s" % (op, p, n, a[2], b[2])
            else:
                line = "%s %d %s %s" % (op, p, a[2], b[2])
            cases.append((line, expect(op, p, n, a, b)))
    feed = "".join(c[0] + "\n" for c in cases)
    out = subprocess.run([sys.argv[1]], input=feed, capture_output=True, text=True, check=True)
    got = out.stdout.split("\n")
    bad = 0
    for i, (line, want) in enumerate(cases):
        have = got[i] if i < len(got) else "<missing>"
        if line.startswith("dbl") and have not in ("", "<missing>"):
            have = repr(float(have))
        if have != want:
            bad += 1
            if bad <= 20:
                print("MISMATCH %s\n  want %s\n  have %s" % (line, want, have))
    print("%d cases, %d mismatches" % (len(cases), bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
