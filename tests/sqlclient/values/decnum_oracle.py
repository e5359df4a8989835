"""Checks the packed decimal routines against Python's exact arithmetic.

Runs the filter program given as the only argument, feeds it a few thousand
random operations (addition, subtraction, comparison, multiplication,
division, resizing, increment, decrement, negation, conversion to double) at
random precisions and compares every answer with what Python's decimal
module says the routine must give: the same digits, sign digit, scale and
text, or an overflow exactly where the result does not fit.

Then the same for DECIMAL and NUMERIC values at random precisions and
scales: texts of values whose shown digits are all cut, zeros written with
exponents, exact values assigned to exact values, and texts whose fraction
must be cut to fit; each compared with the value Python's decimal gives at
the target's precision and scale.
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


CTX = decimal.Context(prec=400, rounding=decimal.ROUND_DOWN,
                      traps=[decimal.InvalidOperation, decimal.DivisionByZero])
decimal.setcontext(CTX)       # abs, unary minus and comparisons too


def shown(x, p, s):
    """The text of x (held at precision p) with s fractional digits: the
    integer digits (none for a pure fraction), the first s fractional digits
    cut, zeros added while at most p digits are written; a value whose
    shown digits are all zero is the unsigned zero of that layout."""
    a = abs(x)
    q = int(a)
    ints = str(q) if q else ""
    t = min(s, p - len(ints))
    frac = str(units(cut(a - q, t), t)).zfill(t) if t > 0 else ""
    if q == 0 and frac.strip("0") == "":
        return "0" + ("." + "0" * min(s, p - 1) if s else "")
    return ("-" if x < 0 else "") + ints + ("." + frac if s else "")


def record(R, S, n):
    """The printed form of the record holding R x 10^-S at precision n."""
    digits = str(R if R >= 0 else 10 ** n + R).zfill(n)
    text = shown(decimal.Decimal(R).scaleb(-S), n, S)
    return "%d %s %d %s" % (9 if R < 0 else 0, digits, S, text)


def record_of(x, n):
    """The record of the value x at precision n, trailing zeros dropped."""
    S = max(0, -x.normalize(context=CTX).as_tuple().exponent) if x else 0
    return record(units(x, S), S, n)


def as_double(x, S, p):
    """The double the record of x (scale S, precision p) converts to: the
    one nearest its value."""
    return float(decimal.Decimal(units(x, S)).scaleb(-S))


def int_digits(x):
    """The digits of the integer part of x, none for a pure fraction."""
    q = int(abs(x))
    return len(str(q)) if q else 0


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
        return repr(as_double(x, sa, p))
    raise ValueError(op)


# Text room of the values' setText (bytes).
SET_TEXT_MAX = 64

# The SQLSTATE a NUMERIC raises for a number too big, as the filter prints it.
OUT_OF_RANGE = "ERR 2203"


def cut_fraction(rng, p):
    """A value of precision p whose record scale is random and whose shown
    digits are often all cut: (integer m, scale, text)."""
    if rng.random() < 0.5:
        return operand(rng, p)
    sc = rng.randint(1, p)
    m = rng.randrange(1, 10 ** rng.randint(1, sc))
    while m % 10 == 0:
        m //= 10
    if rng.random() < 0.5:
        m = -m
    x = decimal.Decimal(m).scaleb(-sc)
    sc = max(0, -x.normalize(context=CTX).as_tuple().exponent)
    return m, sc, "{:f}".format(x)


def zero_text(rng):
    """A zero written with a random sign, layout and exponent (-40 to 40)."""
    sign = rng.choice(["", "-", "+"])
    mant = rng.choice(["0", "0.0", "00", ".000", "0.", "0.00000000000000000000000000000000000"])
    e = rng.randint(-40, 40)
    exp = rng.choice(["e", "E"]) + rng.choice(["", "+"] if e >= 0 else [""]) + str(e)
    return sign + mant + exp


def long_fraction(rng, p):
    """A text of i integer digits (0 to p + 2) and a long fraction."""
    i = rng.randint(0, p + 2)
    ints = (str(rng.randint(1, 9)) + "".join(rng.choice("0123456789") for _ in range(i - 1))) if i else rng.choice(["", "0"])
    room = SET_TEXT_MAX - 3 - len(ints)
    lead = "0" * rng.choice([0, 0, 1, 3])
    frac = lead + "".join(rng.choice("0123456789") for _ in range(rng.randint(0, min(40, room) - len(lead))))
    return rng.choice(["", "-"]) + ints + "." + frac


def parsed(t, p):
    """What parsing the text t (no exponent) at precision p gives: None when
    its integer part needs more than p digits, else the value with the
    fractional digits beyond the p positions cut."""
    x = decimal.Decimal(t)
    i = int_digits(x)
    if i > p:
        return None
    return cut(x, p - i)


def expect_value(kind, p, s, x, text):
    """The printed form of a value kind(p, s) given text whose parsed value
    is x (None: too many integer digits)."""
    if x is not None:
        return shown(x, p, s)
    return "DBL " + repr(float(text)) if kind == "D" else OUT_OF_RANGE


def value_cases(rng):
    """The cases of the four kinds of value faults: (line, want)."""
    cases = []
    for _ in range(CASES_PER_OP):
        p = rng.randint(1, MAX_DIGITS)
        s = rng.randint(0, p)
        kind = rng.choice("DN")
        m, sc, t = cut_fraction(rng, p)
        x = decimal.Decimal(t)
        cases.append(("txt %d %d %s" % (p, s, t), shown(x, p, s)))
        cases.append(("set %s %d %d %s" % (kind, p, s, t), shown(x, p, s)))
        n = len(shown(x, p, s)) + rng.randint(0, 3)
        cases.append(("chr %d %d %d %s" % (p, s, n, t), "[" + shown(x, p, s).ljust(n) + "]"))

        z = zero_text(rng)
        cases.append(("txp %d %s" % (p, z), "0 " + record(0, 0, p)))
        cases.append(("set %s %d %d %s" % (kind, p, s, z), shown(decimal.Decimal(0), p, s)))

        q = rng.randint(1, MAX_DIGITS)
        r = rng.randint(0, q)
        kind2 = rng.choice("DN")
        m, sa, t = operand(rng, p)
        x = decimal.Decimal(t)
        if int_digits(x) > q:
            want = "DBL " + repr(as_double(x, sa, p)) if kind2 == "D" else OUT_OF_RANGE
        else:
            want = shown(cut(x, min(sa, q - int_digits(x))), q, r)
        cases.append(("asn %s %d %d %s %d %d %s" % (kind, p, s, kind2, q, r, t), want))

        t = long_fraction(rng, p)
        y = parsed(t, p)
        cases.append(("txp %d %s" % (p, t), "1 " if y is None else "0 " + record_of(y, p)))
        cases.append(("set %s %d %d %s" % (kind, p, s, t), expect_value(kind, p, s, y, t)))
    return cases


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
    cases += value_cases(rng)
    feed = "".join(c[0] + "\n" for c in cases)
    out = subprocess.run([sys.argv[1]], input=feed, capture_output=True, text=True, check=True)
    got = out.stdout.split("\n")
    bad = 0
    for i, (line, want) in enumerate(cases):
        have = got[i] if i < len(got) else "<missing>"
        if line.startswith("dbl") and have not in ("", "<missing>"):
            have = repr(float(have))
        elif have.startswith("DBL "):
            have = "DBL " + repr(float(have[4:]))
        if have != want:
            bad += 1
            if bad <= 20:
                print("MISMATCH %s\n  want %s\n  have %s" % (line, want, have))
    print("%d cases, %d mismatches" % (len(cases), bad))
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
