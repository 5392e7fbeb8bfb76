#!/usr/bin/env python3
"""The code's layout rules, checked over the source tree.

Faces (the command line, Python's module, the page's bindings; the page's
JavaScript aside, and Python's docstrings, which hold examples) convert the
engine's answers and add their own transport and words; they reach the
library through the engine alone, never parse the engine's sentences, take
every limit they tell of from the engine's constants, and name no parameter
or figure in their code: those come from the tables. The engine's rooms
include downwards only: the words include nothing of the others, and the
answers and the uncertainty nothing of the run.

Usage: structure.py SOURCE_DIR. Prints each breach as FILE:LINE: RULE and
exits 1 where there is one.
"""
import pathlib
import re
import sys

ROOT = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else '.').resolve()

# The command line's faces over the engine; tether-study prints the study
# from the library below it and is not one.
CPP_FACES = ['tools/tether-explore.cpp', 'tools/options.cpp', 'tools/options.hpp',
             'tools/request.cpp', 'tools/request.hpp', 'tools/output.cpp',
             'tools/output.hpp', 'src/python/bindings.cpp', 'src/web/bindings.cpp']
PY_FACES = ['src/python/tether/__init__.py']

# Which rooms of the engine each room may include.
ROOMS = {
    'words': {'words'},
    'threads': {'threads'},
    'answers': {'words', 'threads', 'answers'},
    'uncertainty': {'words', 'threads', 'uncertainty'},
    'run': {'words', 'threads', 'answers', 'uncertainty', 'run'},
}

LONGEST = 60  # lines in a face's C++ function, registration tables aside
REGISTRATIONS = re.compile(r'^(PYBIND11_MODULE|EMSCRIPTEN_BINDINGS)\b')

breaches = []


def breach(path, line, rule):
    breaches.append(f'{path}:{line}: {rule}')


def lines_of(path):
    p = ROOT / path
    return p.read_text(encoding='utf-8').split('\n') if p.exists() else []


def table_names():
    """The parameters' and the figures' names, from their tables."""
    names = set()
    design = (ROOT / 'src/tether/design.cpp').read_text(encoding='utf-8')
    names |= set(re.findall(r'^\s*\{"[a-z]+",\s*"([A-Za-z_0-9]+)",', design, re.M))
    vocabulary = (ROOT / 'src/engine/words/vocabulary.cpp').read_text(encoding='utf-8')
    names |= set(re.findall(r'^\s*\{"([a-z_0-9]+)",\s*"[^"]*",', vocabulary, re.M))
    return names


def number_value(text):
    text = text.replace(',', '').replace('\u2009', '')
    m = re.fullmatch(r'10\^(\d+)', text)
    try:
        return 10.0 ** int(m.group(1)) if m else float(text)
    except ValueError:
        return None


def limits():
    """The engine's and the climber's limits and defaults by value: the
    constants named max_, most_, min_ or default_, or a count of points, of
    10 and more (smaller numbers say too many other things)."""
    found = {}
    for header in list((ROOT / 'src/engine').rglob('*.hpp')) + list(
            (ROOT / 'src/climber').glob('*.hpp')):
        for m in re.finditer(r'inline constexpr [\w:]+ (\w+)\s*=\s*([0-9][0-9.e+\']*);',
                             header.read_text(encoding='utf-8')):
            value = number_value(m.group(2).replace("'", ''))
            limit = re.match(r'(max|most|min|default)_|\w+_points$', m.group(1))
            if limit and value is not None and value >= 10:
                found.setdefault(value, []).append(m.group(1))
    return found


NUMBER = re.compile(r'(?<![\w.^-])(10\^\d+|\d{1,3}(?:,\d{3})+|\d+(?:\.\d+)?(?:e[+-]?\d+)?)(?![\w^])')
CPP_STRING = re.compile(r'"((?:[^"\\]|\\.)*)"')
SCRIPT_STRING = re.compile(r'"((?:[^"\\]|\\.)*)"|\'((?:[^\'\\]|\\.)*)\'')


def check_includes():
    for path in CPP_FACES:
        for i, line in enumerate(lines_of(path), 1):
            if re.match(r'\s*#include "climber/', line):
                breach(path, i, 'a face includes the library below the engine')
    for room, allowed in ROOMS.items():
        for source in sorted((ROOT / 'src/engine' / room).rglob('*.[ch]pp')):
            rel = source.relative_to(ROOT)
            for i, line in enumerate(source.read_text(encoding='utf-8').split('\n'), 1):
                m = re.match(r'\s*#include "engine/(\w+)/', line)
                if m and m.group(1) not in allowed:
                    breach(rel, i, f'the engine\'s {room} include its {m.group(1)}')


PARSING = re.compile(
    r'\b(find|rfind|split|rsplit|partition|rpartition|index|indexOf|lastIndexOf)\(\s*'
    r'("[^"]*[:.;]\s*"|\'[^\']*[:.;]\s*\')')


def check_parsing():
    for path in CPP_FACES + PY_FACES:
        for i, line in code_lines(path):
            if PARSING.search(line):
                breach(path, i, 'a face cuts a sentence apart at its punctuation')


def code_lines(path):
    """(number, line) of a face's code: Python's docstrings aside."""
    quoted = False
    for i, line in enumerate(lines_of(path), 1):
        starts = quoted
        quoted ^= path.endswith('.py') and line.count('"""') % 2 == 1
        if not (starts or quoted or '"""' in line):
            yield i, line


def check_names(names):
    for path in CPP_FACES + PY_FACES:
        pattern = CPP_STRING if path.endswith(('.cpp', '.hpp')) else SCRIPT_STRING
        for i, line in code_lines(path):
            for m in pattern.finditer(line):
                text = next(g for g in m.groups() if g is not None)
                keyword = re.search(r'(py::arg|attr)\($', line[:m.start()])
                if text in names and not keyword:
                    breach(path, i, f'a face names "{text}": take it from the tables')


def help_texts():
    """(path, line, text) of the command line's help and Python's docstrings."""
    for i, line in enumerate(lines_of('tools/options.cpp'), 1):
        for m in CPP_STRING.finditer(line):
            if 'tether-explore ' not in m.group(1):  # an example's command line
                yield 'tools/options.cpp', i, m.group(1)
    for doc in sorted((ROOT / 'src/python/docs').glob('*')):
        example = False  # an example and its output, up to a blank line
        for i, line in enumerate(doc.read_text(encoding='utf-8').split('\n'), 1):
            example = line.lstrip().startswith('>>>') or (example and line.strip() != '')
            if not example:
                yield str(doc.relative_to(ROOT)), i, line


def check_limits(found):
    for path, i, text in help_texts():
        for m in NUMBER.finditer(text):
            value = number_value(m.group(1))
            if value in found:
                breach(path, i, f'{m.group(1)} is written out: the engine has it as '
                                f'{" or ".join(found[value])}')


def check_lengths():
    for path in CPP_FACES:
        lines = lines_of(path)
        for i, line in enumerate(lines):
            m = re.match(r'^(\s*)\{$', line)
            if not m or i == 0 or REGISTRATIONS.match(lines[i - 1]):
                continue
            head = lines[i - 1].rstrip()
            if not re.search(r'\)(\s*(const|noexcept|override|->\s*[\w:<>]+))*$', head):
                continue
            if re.match(r'\s*(if|for|while|switch|catch)\b', head) or head.endswith(';'):
                continue
            close = next((j for j in range(i + 1, len(lines))
                          if lines[j] == m.group(1) + '}' or lines[j].startswith(
                              m.group(1) + '};')), None)
            body = [b.strip() for b in lines[i + 1:close or i]]
            table = any(b.startswith('return {') for b in body) and body and body[-1] == '};'
            if close is not None and close - i - 1 > LONGEST and not table:
                breach(path, i, f'a function of {close - i - 1} lines (at most {LONGEST})')


check_includes()
check_parsing()
check_names(table_names())
check_limits(limits())
check_lengths()
for b in breaches:
    print(b)
sys.exit(1 if breaches else 0)
