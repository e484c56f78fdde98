#!/usr/bin/env python3
"""Prints "<n> <roman> <alphabetic>" for n = 1 .. LAST (first argument).

An oracle for the list numbering tests, written independently of the C++
code: roman numerals by greedy subtraction, alphabetic labels by listing all
labels of one, two, three ... letters in order.
"""
import itertools
import string
import sys

GREEDY = [(900, "cm"), (500, "d"), (400, "cd"), (100, "c"), (90, "xc"), (50, "l"),
          (40, "xl"), (10, "x"), (9, "ix"), (5, "v"), (4, "iv"), (1, "i")]


def roman(n):
    # Only one to three thousands have a numeral; above that the thousands
    # digit writes nothing and higher digits are ignored.
    thousands = (n // 1000) % 10
    text = "m" * thousands if thousands <= 3 else ""
    rest = n % 1000
    for value, numeral in GREEDY:
        while rest >= value:
            text += numeral
            rest -= value
    return text or str(n)


def alphabetic_labels(count):
    labels = []
    for width in itertools.count(1):
        for letters in itertools.product(string.ascii_lowercase, repeat=width):
            labels.append("".join(letters))
            if len(labels) == count:
                return labels


def main():
    last = int(sys.argv[1])
    for n, label in enumerate(alphabetic_labels(last), start=1):
        print(n, roman(n), label)


if __name__ == "__main__":
    main()
