"""Checks the packed decimal routines against Python's exact arithmetic.

Runs the filter program given as the only argument, feeds it a few thousand
random operations (addition, subtraction, comparison, multiplication,
division, resizing, increment, decrement, negation, conversion to double) at
random precisions and compares every answer with what Python's decimal
module says the routine must give: the same digits, sign digit, scale and
text, or an overflow exactly where the result does not fit.
"""
import decimal
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


CTX = decimal.Context(prec=400, rounding=decimal.ROUND_DOWN,
                      traps=[decimal.InvalidOperation, decimal.DivisionByZero])
decimal.setcontext(CTX)       # abs, unary minus and comparisons too


def units(x, S):
    """The integer x x 10^S (exact)."""
    v = CTX.scaleb(x, S)
    assert v == v.to_integral_value(context=CTX)
    return int(v)


def fits(x, S, n):
    """1 when x at scale S needs at most n digits."""
    return abs(units(x, S)) < 10 ** n


def cut(x, S):
    """x cut toward zero to S fractional digits."""
    return x.quantize(decimal.Decimal(1).scaleb(-S), rounding=decimal.ROUND_DOWN, context=CTX)


def expect(op, p, n, a, b):
    """What the routine must answer, from Python's decimal arithmetic."""
    x, sa = decimal.Decimal(a[2]), a[1]
    y, sb = (decimal.Decimal(b[2]), b[1]) if b else (None, 0)
    if op in ("add", "sub"):
        S = max(sa, sb)
        if not fits(x, S, p) or not fits(y, S, p):
            return "OVF"
        r = CTX.add(x, y) if op == "add" else CTX.subtract(x, y)
        return record(units(r, S), S, p) if fits(r, S, p) else "OVF"
    if op == "cmp":
        return str(int(x.compare(y)))
    if op == "mul":
        r, S = CTX.multiply(x, y), sa + sb
        if S > n:
            r, S = cut(r, n), n
        return record(units(r, S), S, n) if fits(r, S, n) else "OVF"
    if op == "div":
        if x == 0:
            return record(0, 0, n)
        ka = len(str(units(abs(x), sa)))
        E = ka - 1 + max(sb - sa, 0)
        F = n - 1 - E
        q = CTX.divide(abs(x), abs(y))
        k = 0
        while k < F and CTX.remainder(CTX.scaleb(abs(x), k), abs(y)) != 0:
            k += 1
        r = cut(q, k)
        if not fits(r, k, n):
            return "OVF"
        return record(units(r if (x < 0) == (y < 0) else -r, k), k, n)
    if op == "res":
        if n >= p:
            return record(units(x, sa), sa, n) + " 0"
        digits = units(abs(x), sa)
        k = max(len(str(digits)) if digits else 0, n, sa)
        S = n - k + sa
        if S < 0:
            return "OVF"
        return record(units(cut(x, S), S), S, n) + " %d" % (4 if S < sa else 0)
    if op in ("inc", "dec", "neg"):
        if op == "neg":
            return record(-units(x, sa), sa, p)
        if sa >= p:
            return "OVF"
        r = CTX.add(x, 1) if op == "inc" else CTX.subtract(x, 1)
        return record(units(r, sa), sa, p) if fits(r, sa, p) else "OVF"
    if op == "dbl":
        digits = str(abs(units(x, sa))).zfill(p)
        w = 1.0
        for _ in range(sa):
            w *= 0.1
        s = 0.0
        for ch in reversed(digits):
            if ch != "0":
                s += int(ch) * w
            w *= 10.0
        return repr(-s if x < 0 else s)
    raise ValueError(op)


def main():
    rng = random.Random(SEED)
    cases = []
    for op in ("add", "sub", "cmp", "mul", "div", "res", "dbl", "inc", "dec", "neg"):
        for _ in range(CASES_PER_OP):
            p = rng.randint(1, MAX_DIGITS)
            n = rng.randint(1, MAX_DIGITS)
            a = operand(rng, p)
            b = operand(rng, p)
            if op == "div":
                while b[0] == 0:
                    b = operand(rng, p)
            if op in ("res", "dbl", "inc", "dec", "neg"):
                line = "%s %d%s %s" % (op, p, " %d" % n if op == "res" else "", a[2])
            elif op in ("mul", "div"):
                line = "%s %d %d %s %s" % (op, p, n, a[2], b[2])
            else:
                line = "%s %d %s %s" % (op, p, a[2], b[2])
            cases.append((line, expect(op, p, n, a, b if op not in ("res", "dbl", "inc", "dec", "neg") else None)))
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
