"""Checks LIKE of the CHARACTER values against Python's re module.

Runs the filter program given as the only argument on a few thousand
random texts and patterns over a small alphabet (so that matches are
frequent) and compares each answer with re.fullmatch of the pattern
translated by the LIKE rules: "%" any run, "_" one character, the escape
character before "%", "_" or itself a literal, before anything else (or at
the end) the invalid escape sequence 22025; an escape value that is not
one character long is 22019.  The pattern loses its trailing blanks when
stored (unless it is all blanks), as every assigned text does.
"""
import random
import re
import subprocess
import sys

SEED = 20261207
CASES = 6000
ALPHABET = "ab %_!"
ESCAPES = ["!", "!", "!", "%", "_", "a", " ", "", "!!"]
BAD_ESCAPE_CHAR = "E2213"
BAD_ESCAPE_SEQ = "E2219"


def stored(text):
    """The text as a value keeps it: trailing blanks dropped unless all."""
    kept = text.rstrip(" ")
    return kept if kept else text


def expected(text, pattern, escape):
    """The answer the rules give: "1", "0" or the condition."""
    if len(escape) != 1:
        return BAD_ESCAPE_CHAR
    pat = stored(pattern)
    out = []
    i = 0
    while i < len(pat):
        c = pat[i]
        if c == escape:
            if i + 1 >= len(pat) or pat[i + 1] not in ("%", "_", escape):
                return BAD_ESCAPE_SEQ
            out.append(re.escape(pat[i + 1]))
            i += 2
            continue
        if c == "%":
            out.append(".*")
        elif c == "_":
            out.append(".")
        else:
            out.append(re.escape(c))
        i += 1
    return "1" if re.fullmatch("".join(out), text, re.DOTALL) else "0"


def random_text(rng, letters, longest):
    return "".join(rng.choice(letters) for _ in range(rng.randint(0, longest)))


def main():
    rng = random.Random(SEED)
    cases = []
    for n in range(CASES):
        text = random_text(rng, "ab %_", 8)
        if n % 3 == 0 and text:
            # A pattern made from the text, so that it often matches.
            pattern = "".join(rng.choice([c, c, "_", "%", "!" + c]) if c in "%_" or rng.random() < 0.5
                              else c for c in text)
        else:
            pattern = random_text(rng, ALPHABET, 6)
        escape = rng.choice(ESCAPES)
        cases.append((text, pattern, escape))
    # Trailing blanks of a text are part of it; the pattern's are not.
    cases += [("ab  ", "ab%", "!"), ("ab  ", "ab", "!"), ("  ", "  ", "!"),
              ("a", "a!", "!"), ("a%", "a!%", "!"), ("a!", "a!!", "!"), ("", "", "!"),
              ("", "%", "!"), ("abc", "%%%", "!"), ("a", "a", "")]
    data = "".join("%s|%s|%s\n" % c for c in cases)
    run = subprocess.run([sys.argv[1]], input=data.encode("latin-1"), stdout=subprocess.PIPE, check=True)
    answers = run.stdout.decode().split("\n")
    failures = 0
    matches = 0
    for (text, pattern, escape), got in zip(cases, answers):
        want = expected(text, pattern, escape)
        matches += want == "1"
        if got != want:
            failures += 1
            if failures <= 20:
                print("text %r pattern %r escape %r: got %s, want %s" % (text, pattern, escape, got, want))
    if len(answers) < len(cases):
        print("the filter answered only %d of %d cases" % (len(answers), len(cases)))
        return 1
    print("%d cases, %d matches, %d failures" % (len(cases), matches, failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
