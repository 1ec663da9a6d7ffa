; The eleven interface languages of "language.ini". The program reads the
; installer's choice as a code from 1 to 11 (HKCU\${INIT_KEY}, "language")
; and turns it into the section name of "language.ini":
;
;   1 English     4 Français    7 简体中文     10 Português
;   2 Deutsch     5 Italiano    8 繁體中文     11 العربية
;   3 Español     6 日本語      9 Nederlands
;
; The setup program itself speaks the same languages; $LANGUAGE holds the
; Windows language identifier of the one in use.

; English first: the language of a system that speaks none of the others.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Spanish"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Japanese"
!insertmacro MUI_LANGUAGE "SimpChinese"
!insertmacro MUI_LANGUAGE "TradChinese"
!insertmacro MUI_LANGUAGE "Dutch"
!insertmacro MUI_LANGUAGE "Portuguese"
!insertmacro MUI_LANGUAGE "Arabic"

; The language plug-in is unpacked before anything else.
ReserveFile /plugin LangDLL.dll

; Asks for the language; each is offered under the name "language.ini"
; gives it, in its own script. The one in $LANGUAGE is preselected.
; Cancelling the page ends the setup (exit status 1).
Function tdu_language_page
    LangDLL::LangDialog "Installer Language" "Please select a language." A \
        "English" ${LANG_ENGLISH} \
        "Deutsch" ${LANG_GERMAN} \
        "Español" ${LANG_SPANISH} \
        "Français" ${LANG_FRENCH} \
        "Italiano" ${LANG_ITALIAN} \
        "日本語" ${LANG_JAPANESE} \
        "简体中文" ${LANG_SIMPCHINESE} \
        "繁體中文" ${LANG_TRADCHINESE} \
        "Nederlands" ${LANG_DUTCH} \
        "Português" ${LANG_PORTUGUESE} \
        "العربية" ${LANG_ARABIC} \
        ""
    Pop $0
    ${If} $0 == "cancel"
        SetErrorLevel 1
        Quit
    ${EndIf}
    StrCpy $LANGUAGE $0
FunctionEnd

; $R1: the text of /LANG=. Sets $LANGUAGE; any text but "1" to "11" ends
; the setup with exit status 2 before anything is written.
Function tdu_language_from_code
    ${Switch} $R1
        ${Case} "1"
            StrCpy $LANGUAGE ${LANG_ENGLISH}
            ${Break}
        ${Case} "2"
            StrCpy $LANGUAGE ${LANG_GERMAN}
            ${Break}
        ${Case} "3"
            StrCpy $LANGUAGE ${LANG_SPANISH}
            ${Break}
        ${Case} "4"
            StrCpy $LANGUAGE ${LANG_FRENCH}
            ${Break}
        ${Case} "5"
            StrCpy $LANGUAGE ${LANG_ITALIAN}
            ${Break}
        ${Case} "6"
            StrCpy $LANGUAGE ${LANG_JAPANESE}
            ${Break}
        ${Case} "7"
            StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
            ${Break}
        ${Case} "8"
            StrCpy $LANGUAGE ${LANG_TRADCHINESE}
            ${Break}
        ${Case} "9"
            StrCpy $LANGUAGE ${LANG_DUTCH}
            ${Break}
        ${Case} "10"
            StrCpy $LANGUAGE ${LANG_PORTUGUESE}
            ${Break}
        ${Case} "11"
            StrCpy $LANGUAGE ${LANG_ARABIC}
            ${Break}
        ${Default}
            MessageBox MB_OK|MB_ICONSTOP "Unknown language code $\"$R1$\": /LANG= takes 1 to 11." /SD IDOK
            SetErrorLevel 2
            Quit
    ${EndSwitch}
FunctionEnd

; Pushes the code of the language in $LANGUAGE. Every language of the setup
; has a code, so English (1) only stands for an identifier it never sets.
Function tdu_code_from_language
    ${Switch} $LANGUAGE
        ${Case} ${LANG_GERMAN}
            Push 2
            ${Break}
        ${Case} ${LANG_SPANISH}
            Push 3
            ${Break}
        ${Case} ${LANG_FRENCH}
            Push 4
            ${Break}
        ${Case} ${LANG_ITALIAN}
            Push 5
            ${Break}
        ${Case} ${LANG_JAPANESE}
            Push 6
            ${Break}
        ${Case} ${LANG_SIMPCHINESE}
            Push 7
            ${Break}
        ${Case} ${LANG_TRADCHINESE}
            Push 8
            ${Break}
        ${Case} ${LANG_DUTCH}
            Push 9
            ${Break}
        ${Case} ${LANG_PORTUGUESE}
            Push 10
            ${Break}
        ${Case} ${LANG_ARABIC}
            Push 11
            ${Break}
        ${Default}
            Push 1
    ${EndSwitch}
FunctionEnd
