#pragma once
// Pairs of texts and whether they are equal without regard to case: the
// portable comparison must agree with lstrcmpiW on every row.
namespace tdu::test {

struct ignore_case_case_t {
    const char16_t* a;
    const char16_t* b;
    bool equal;
};

inline const ignore_case_case_t ignore_case_cases[] = {
    {u"English", u"ENGLISH", true},
    {u"english", u"English", true},
    {u"Deutsch", u"Deutsch ", false},
    {u"Nederlands", u"Nederland", false},
    {u"", u"", true},
    {u"a", u"", false},
    {u"Español", u"ESPAÑOL", true},
    {u"Español", u"Espanol", false},
    {u"Français", u"FRANÇAIS", true},
    {u"Português", u"PORTUGUÊS", true},
    {u"Türkçe", u"TÜRKÇE", true},
    {u"Čeština", u"ČEŠTINA", true},
    {u"Polski łódź", u"POLSKI ŁÓDŹ", true},
    {u"Русский", u"РУССКИЙ", true},
    {u"Українська", u"УКРАЇНСЬКА", true},
    {u"Ελληνικά", u"ΕΛΛΗΝΙΚΆ", true},
    {u"日本語", u"日本語", true},
    {u"简体中文", u"繁體中文", false},
    {u"العربية", u"العربية", true},
    {u"ｗｉｄｅ", u"ＷＩＤＥ", true},
    {u"a1-b_2", u"A1-B_2", true},
    {u"[x]", u"{x}", false},
};

} // namespace tdu::test
