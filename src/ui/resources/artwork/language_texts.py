"""Reads the interface texts of language.ini the way the program does: a
section per language, entries key="text", \\t and \\n as tab and line feed."""
import re

_SECTION = re.compile(r'^\s*\[(.*)\]\s*$')
_ENTRY = re.compile(r'^\s*([^;].*)\s*=\s*"(.+)"\s*$')


def read_language_ini(path):
    """{section name: {key: text}}; the first value of a key wins."""
    sections = {}
    current = None
    with open(path, encoding="utf-8-sig") as source:
        for line in source:
            line = line.rstrip("\r\n")
            match = _SECTION.match(line)
            if match:
                current = sections.setdefault(match.group(1), {})
                continue
            match = _ENTRY.match(line)
            if match and current is not None:
                text = match.group(2).replace("\\t", "\t").replace("\\n", "\n")
                current.setdefault(match.group(1), text)
    return sections


def text_of(sections, language, key):
    """The language's text, else the English one (as the program falls back)."""
    text = sections.get(language, {}).get(key) or sections.get("English", {}).get(key)
    if not text:
        raise KeyError(f"language.ini has no text '{key}' for {language} or English")
    return text
