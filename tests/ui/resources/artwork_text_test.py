#!/usr/bin/env python3
"""The artwork generator's text handling: reading language.ini as the
program does, and breaking the pictures' texts into lines without losing or
reordering a character.

    artwork_text_test.py ARTWORK_SOURCE_DIR LANGUAGE_INI"""
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True
SOURCE_DIR, LANGUAGE_INI = sys.argv[1], sys.argv[2]
sys.path.insert(0, SOURCE_DIR)

import home_language  # noqa: E402
from language_texts import read_language_ini, text_of  # noqa: E402
from paint import font, text_width, wrap  # noqa: E402


class LanguageFile(unittest.TestCase):
    def read(self, text):
        with tempfile.NamedTemporaryFile("w", suffix=".ini", delete=False, encoding="utf-8") as f:
            f.write(text)
        self.addCleanup(os.unlink, f.name)
        return read_language_ini(f.name)

    def test_entries_as_the_program_reads_them(self):
        sections = self.read('; comment="no"\n[English]\na="one\\ntwo\\tthree"\na="later"\n'
                             '  b = "spaced"\nnot an entry\n[日本語]\na="日本"\n')
        self.assertEqual(sections["English"]["a"], "one\ntwo\tthree")  # escapes; first value wins
        self.assertEqual(sections["English"]["b "], "spaced")  # blanks before "=" stay in the key
        self.assertNotIn('; comment', sections["English"])
        self.assertEqual(sections["日本語"]["a"], "日本")

    def test_missing_text_falls_back_to_english_and_else_fails(self):
        sections = self.read('[English]\na="A"\n[Deutsch]\nb="B"\n')
        self.assertEqual(text_of(sections, "Deutsch", "a"), "A")
        with self.assertRaises(KeyError):
            text_of(sections, "Deutsch", "c")


class Wrapping(unittest.TestCase):
    CASES = [
        # (font, text, width)
        ("Noto Sans", "Drivers signed by Microsoft (WHQL) have passed its compatibility tests", 150),
        ("Noto Sans", "Kompatibilitätstestsbestandenundsicher", 60),  # one word wider than the line
        ("Noto Sans CJK JP", "Microsoft の署名付きドライバー (WHQL) は互換性テストに合格しており、最も安全な選択肢です。", 160),
        ("Noto Sans CJK JP", "经 Microsoft 签名的驱动程序 (WHQL) 已通过其兼容性测试，是最安全的选择。", 120),
        ("DejaVu Sans", "اجتازت برامج التشغيل الموقعة من Microsoft (WHQL) اختبارات التوافق", 140),
    ]

    def test_lines_keep_every_character_in_order_and_fit(self):
        for family, text, width in self.CASES:
            with self.subTest(text=text):
                face = font(family, 12)
                lines = wrap(face, text, width)
                self.assertEqual("".join(lines).replace(" ", ""), text.replace(" ", ""))
                self.assertGreater(len(lines), 1)
                for line in lines:
                    self.assertEqual(line, line.strip())
                    self.assertLessEqual(text_width(face, line), width, line)

    def test_closing_marks_never_start_a_line(self):
        face = font("Noto Sans CJK JP", 12)
        text = "合格しており、最も安全な選択肢です。"
        for width in range(40, 200, 7):
            for line in wrap(face, text, width)[1:]:
                self.assertNotIn(line[0], "、。", f"width {width}: {line}")


class LanguagePictures(unittest.TestCase):
    def test_every_language_fits_its_banner_and_button(self):
        # a text that cannot fit stops the build instead of being cut
        sections = read_language_ini(LANGUAGE_INI)
        for language, _, _ in home_language.LANGUAGE_PICTURES:
            with self.subTest(language=language):
                self.assertEqual(home_language.banner(sections, language).size, (520, 100))

    def test_a_text_too_long_for_the_banner_is_refused(self):
        sections = {"English": {"config_scheduled_task": "T", "config_enable_scheduled_automatic_scan": "x",
                                "download_cbb_best": "T", "sidebar_whql": "word " * 200}}
        with self.assertRaises(RuntimeError):
            home_language.banner(sections, "English")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
