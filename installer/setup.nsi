; The setup program of Tavrill Driver Updater: installs the program, the
; console front end, the interface texts and whatever the packager put into
; the packager folder into the Program Files folder of the program's
; architecture, records the chosen interface language where the program
; reads it on its first run, and registers the uninstaller.
;
; Each Windows build makes the setup of its own architecture:
;   x86  TavrillDriverUpdater-Setup-<version>.exe, a 32-bit setup that puts
;        the 32-bit program into the 32-bit Program Files folder and its
;        Uninstall entry into the registry's 32-bit view. On 64-bit Windows
;        it installs the same way: the 32-bit program runs there (it starts
;        the 64-bit driver installer tool itself), and an installation made
;        by an earlier setup is upgraded in its folder, with its data.
;   x64  TavrillDriverUpdater-Setup-<version>-x64.exe, a 64-bit setup (it
;        cannot start on 32-bit Windows) that puts the 64-bit program into
;        the 64-bit Program Files folder and its Uninstall entry into the
;        64-bit view, named "(x64)" so the list of programs tells the two
;        apart. The program's file names are the same in both folders.
;
; Built by the Windows build (installer/CMakeLists.txt), which defines:
;   ARCH           x86 or x64
;   VERSION        the product version, "4.2.0.1"
;   OUTFILE        the setup program to write
;   OUTFILE_NAME   its file name alone
;   PROGRAM_ICON   the program's icon (the setup's and the uninstaller's)
;   WIZARD_BITMAP  the picture of the welcome and finish pages, 164 x 314
;   PROGRAM_EXE    TavrillDriverUpdater.exe of the build
;   CLI_EXE        tdu-cli.exe of the build
;   UPDATER_EXE    update.exe of the build, installed into "update"
;   LANGUAGE_INI   the interface texts
;   PAYLOAD_NSH    the generated list of the packager's files
;
; Command line: /S installs silently; /LANG=n picks the interface language
; by its code 1 to 11 (see languages.nsh) and is required to be one of them;
; /DESKTOP adds the desktop shortcut in a silent install; /D=folder sets the
; folder and must come last (the installer system takes the rest of the
; line as the folder, spaces included, without quotes). Exit status:
; 0 installed, 1 cancelled by the user, 2 refused (the program is running,
; no administrator rights, an unknown /LANG code or a /D folder that cannot
; be used) or a file that could not be written: nothing was changed, or the
; installation is incomplete and said so.

!if "${ARCH}" == "x64"
    Target amd64-unicode
    !define DISPLAY_NAME "${PRODUCT_NAME} (x64)"
!else if "${ARCH}" == "x86"
    Unicode true
    !define DISPLAY_NAME "${PRODUCT_NAME}"
!else
    !error "ARCH must be x86 or x64"
!endif
ManifestSupportedOS all
; The pages are drawn for the system's DPI instead of being stretched.
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; A file that cannot be written is never skipped: the installation stops
; (Retry or Cancel) instead of reporting success without it.
AllowSkipFiles off

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"
!include "WordFunc.nsh"

!include "product.nsh"

; What "/?" shows (the switches are the same in every language).
!define HELP_TEXT "${PRODUCT_NAME} ${VERSION} Setup$\r$\n$\r$\n\
/S$\tinstall without pages or questions$\r$\n\
/LANG=n$\tthe interface language, 1 to 11:$\r$\n\
$\t1 English, 2 Deutsch, 3 Español, 4 Français, 5 Italiano,$\r$\n\
$\t6 日本語, 7 简体中文, 8 繁體中文, 9 Nederlands,$\r$\n\
$\t10 Português, 11 العربية$\r$\n\
/DESKTOP$\twith /S: add the desktop shortcut$\r$\n\
/D=folder$\tthe folder to install into: a full path of at most$\r$\n\
$\t200 characters, not a drive's root, without quotes;$\r$\n\
$\tlast on the line$\r$\n$\r$\n\
Exit status: 0 installed, 1 cancelled, 2 refused or failed.$\r$\n\
Uninstall silently: $\"uninstall.exe$\" /S _?=folder$\r$\n\
(0 removed, 1 cancelled, 2 refused)."
!include "${PAYLOAD_NSH}"

Name "${PRODUCT_NAME}"
OutFile "${OUTFILE}"
; The 32-bit program goes into the 32-bit Program Files folder (on 64-bit
; Windows too), the 64-bit one into the 64-bit folder. The 64-bit setup is a
; 64-bit process: its registry calls see the 64-bit view without asking.
!if "${ARCH}" == "x64"
InstallDir "$PROGRAMFILES64\${PRODUCT_NAME}"
!else
InstallDir "$PROGRAMFILES\${PRODUCT_NAME}"
!endif
; An upgrade goes into the folder of the installed copy.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT_NAME} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "${OUTFILE_NAME}"

!define MUI_ABORTWARNING
!define MUI_ICON "${PROGRAM_ICON}"
!define MUI_UNICON "${PROGRAM_ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${WIZARD_BITMAP}"
; The checks that show a text run once the chosen language is in use.
!define MUI_CUSTOMFUNCTION_GUIINIT tdu_gui_init
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.tdu_gui_init
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM_FILE}"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
; The description below the list of components, so that the list takes the
; page's width: the desktop shortcut's label is long in several languages.
!define MUI_COMPONENTSPAGE_SMALLDESC

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; After the pages: the languages bring the pages' texts.
!include "languages.nsh"
!include "strings.nsh"
!include "checks.nsh"

Var language_code  ; 1..11, written for the program's first run
Var folder_refused  ; 1 when /D= named a folder that cannot be used
Var folder_given    ; the text of /D=
Var newer_installed ; the version of an installed copy newer than this one

Section "${PRODUCT_NAME}" section_program
    SectionIn RO
    ; The program may have been started while the pages were shown.
    Call tdu_wait_while_running
    Call tdu_remove_copy_elsewhere
    SetShellVarContext all
    ; The Start menu folder is the program's own: the entries of an earlier
    ; installation (named in its language) make way for this one's.
    Delete "$SMPROGRAMS\${PRODUCT_NAME}\*.lnk"
    SetOutPath "$INSTDIR"
    ; An upgrade overwrites the program's files only: the settings (HKCU),
    ; the download and backup folders, "setup.dat" and "backup.xml" are the
    ; user's and stay as they are.
    File "/oname=${PROGRAM_FILE}" "${PROGRAM_EXE}"
    File "/oname=tdu-cli.exe" "${CLI_EXE}"
    File "/oname=language.ini" "${LANGUAGE_INI}"
    ; The updater may be the program running this setup: a running
    ; program's file cannot be overwritten, but it can be renamed out of the
    ; way; the old copy goes now, or with the next setup once it has ended.
    CreateDirectory "$INSTDIR\update"
    Delete "$INSTDIR\update\update.exe.old"
    Rename "$INSTDIR\update\update.exe" "$INSTDIR\update\update.exe.old"
    File "/oname=$INSTDIR\update\update.exe" "${UPDATER_EXE}"
    Delete "$INSTDIR\update\update.exe.old"
    !insertmacro tdu_install_packager_files
    SetOutPath "$INSTDIR"

    WriteUninstaller "$INSTDIR\${UNINSTALLER_FILE}"

    CreateDirectory "$SMPROGRAMS\${PRODUCT_NAME}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT_NAME}\${PRODUCT_NAME}.lnk" "$INSTDIR\${PROGRAM_FILE}" \
        "" "$INSTDIR\${PROGRAM_FILE}" 0
    CreateShortcut "$SMPROGRAMS\${PRODUCT_NAME}\$(tdu_uninstall_link).lnk" \
        "$INSTDIR\${UNINSTALLER_FILE}" "" "$INSTDIR\${UNINSTALLER_FILE}" 0

    ; The program takes this code as its interface language on its first
    ; run (when its settings key does not exist yet).
    WriteRegDWORD HKCU "${INIT_KEY}" "language" $language_code

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${DISPLAY_NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${ABOUT_URL}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "HelpLink" "${HELP_URL}"
    ${GetTime} "" "L" $0 $1 $2 $3 $4 $5 $6  ; day, month, year
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallDate" "$2$1$0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_FILE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_FILE}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_FILE}" /S _?=$INSTDIR'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" ${VERSION_MAJOR}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" ${VERSION_MINOR}
    ; The uninstaller speaks the language chosen here.
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Installer Language" $LANGUAGE
SectionEnd

Section /o "$(tdu_desktop_section)" section_desktop
    SetShellVarContext all
    CreateShortcut "$DESKTOP\${PRODUCT_NAME}.lnk" "$INSTDIR\${PROGRAM_FILE}" "" "$INSTDIR\${PROGRAM_FILE}" 0
SectionEnd

; Last, so that the size covers every section chosen; the uninstaller is
; made during the install and counted apart.
Section "-size"
    SectionGetSize ${section_program} $0
    ${If} ${SectionIsSelected} ${section_desktop}
        SectionGetSize ${section_desktop} $1
        IntOp $0 $0 + $1
    ${EndIf}
    FileOpen $1 "$INSTDIR\${UNINSTALLER_FILE}" r
    FileSeek $1 0 END $2
    FileClose $1
    IntOp $2 $2 + 1023
    IntOp $2 $2 / 1024
    IntOp $0 $0 + $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/?" $R1
    ${IfNot} ${Errors}
        MessageBox MB_OK|MB_ICONINFORMATION "${HELP_TEXT}" /SD IDOK
        SetErrorLevel 0
        Quit
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/LANG=" $R1
    ${If} ${Errors}
        ; Without /LANG=, the page offers the installed copy's language.
        ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "Installer Language"
        ${If} $R1 != ""
            StrCpy $LANGUAGE $R1
        ${EndIf}
    ${Else}
        Call tdu_language_from_code  ; $R1 -> $LANGUAGE, or refuses
    ${EndIf}
    ${IfNot} ${Silent}
        Call tdu_language_page
    ${EndIf}
    Call tdu_code_from_language
    Pop $language_code

    ClearErrors
    ${GetOptions} $R0 "/DESKTOP" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${section_desktop}
    ${EndIf}

    Call tdu_check_folder_switch
    Call tdu_check_installed_version

    ; With pages, the refusals show in tdu_gui_init, in the chosen language.
    ${If} ${Silent}
        ${If} $folder_refused = 1
        ${OrIf} $newer_installed != ""
            SetErrorLevel 2
            Quit
        ${EndIf}
        Call tdu_refuse_without_admin
        Call tdu_wait_while_running
    ${EndIf}
FunctionEnd

Function tdu_gui_init
    ${If} $folder_refused = 1
        MessageBox MB_OK|MB_ICONSTOP "$(tdu_bad_folder)$folder_given"
        SetErrorLevel 2
        Quit
    ${EndIf}
    ${If} $newer_installed != ""
        MessageBox MB_YESNO|MB_ICONEXCLAMATION|MB_DEFBUTTON2 \
            "$(tdu_newer_installed)$\r$\n$\r$\n$newer_installed > ${VERSION}" IDYES older_accepted
        SetErrorLevel 1
        Quit
    older_accepted:
    ${EndIf}
    Call tdu_refuse_without_admin
    Call tdu_wait_while_running
FunctionEnd

; An installed copy newer than this setup: newer_installed holds its
; version (a silent run refuses, the pages ask first).
Function tdu_check_installed_version
    StrCpy $newer_installed ""
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
    ${If} $0 != ""
        ${VersionCompare} $0 "${VERSION}" $1
        ${If} $1 = 1
            StrCpy $newer_installed $0
        ${EndIf}
    ${EndIf}
FunctionEnd

; An installed copy in another folder than the one chosen would be left
; without its uninstall entry: it is removed first by its own uninstaller,
; run quietly (which keeps the user's data in its folder), once the user
; agreed (a silent run goes ahead). Cancel ends the setup (exit status 1);
; an uninstaller that fails ends it with exit status 2, nothing written.
Function tdu_remove_copy_elsewhere
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 == ""
    ${OrIf} $0 == $INSTDIR
        Return
    ${EndIf}
    ${IfNot} ${FileExists} "$0\${UNINSTALLER_FILE}"
        Return
    ${EndIf}
    MessageBox MB_OKCANCEL|MB_ICONQUESTION "$(tdu_copy_elsewhere)$0" /SD IDOK IDOK remove_it
    SetErrorLevel 1
    Quit
remove_it:
    DetailPrint "$(tdu_copy_elsewhere)$0"
    ExecWait '"$0\${UNINSTALLER_FILE}" /S _?=$0' $1
    ${If} $1 != 0
        MessageBox MB_OK|MB_ICONSTOP "$(tdu_copy_elsewhere_kept)$0" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd

; The installer system reads /D= itself: it takes the rest of the command
; line, keeps at most ${NSIS_MAX_STRLEN} characters of it and quietly puts
; the default folder in place of one it does not accept. So the setup reads
; the switch from the command line too and refuses (folder_refused) a
; folder that is not a full path on a drive or share, is a drive's root,
; holds a character no path may hold, or is longer than 200 characters
; (the program's downloads add up to 59 characters below it, within
; Windows' limit of 260). An accepted folder is used with any "." and ".."
; resolved.
Function tdu_check_folder_switch
    StrCpy $folder_refused 0
    System::Call 'kernel32::GetCommandLineW() p .r0'
    System::Call 'kernel32::lstrlenW(p r0) i .r1'
    System::Call 'kernel32::GetCommandLineW() w .r2'
    ; Where " /D=" starts, or -1.
    StrLen $3 $2
    StrCpy $4 -1
    ${For} $5 0 $3
        StrCpy $6 $2 4 $5
        ${If} $6 S== " /D="
            StrCpy $4 $5
            ${Break}
        ${EndIf}
    ${Next}
    ${If} $4 < 0
        Return
    ${EndIf}
    IntOp $4 $4 + 4
    StrCpy $folder_given $2 "" $4
    StrCpy $7 $folder_given

    ; The line did not fit: the folder was cut.
    IntOp $3 ${NSIS_MAX_STRLEN} - 1
    ${If} $1 >= $3
        Goto refused
    ${EndIf}
    StrLen $3 $7
    ; "X:\..." or "\\server\share\..."
    StrCpy $5 $7 2
    StrCpy $6 $7 1 2
    ${If} $5 == "\\"
        StrCpy $8 4  ; characters may follow from here on
    ${Else}
        StrCpy $5 $7 1 1
        ${If} $5 != ":"
        ${OrIf} $6 != "\"
            Goto refused
        ${EndIf}
        StrCpy $5 $7 1
        ${If} $5 S< "A"
        ${OrIf} $5 S> "z"
            Goto refused
        ${EndIf}
        StrCpy $8 2
    ${EndIf}
    ${For} $5 $8 $3
        StrCpy $6 $7 1 $5
        ${If} $6 == ":"
        ${OrIf} $6 == "*"
        ${OrIf} $6 == "?"
        ${OrIf} $6 == "$\""
        ${OrIf} $6 == "<"
        ${OrIf} $6 == ">"
        ${OrIf} $6 == "|"
        ${OrIf} $6 == "$\t"
            Goto refused
        ${EndIf}
    ${Next}
    ; The full path, without a closing backslash: more than a drive's or
    ; share's root.
    System::Call 'kernel32::GetFullPathNameW(w r7, i ${NSIS_MAX_STRLEN}, w .r6, p 0) i .r5'
    ${If} $5 = 0
        Goto refused
    ${EndIf}
    ${Do}
        StrCpy $5 $6 "" -1
        ${If} $5 != "\"
            ${Break}
        ${EndIf}
        StrCpy $6 $6 -1
    ${Loop}
    StrLen $3 $6
    ${If} $3 > 200
        Goto refused
    ${EndIf}
    StrCpy $5 $6 2
    ${If} $5 == "\\"
        ; \\server\share\folder: a third backslash after the first two
        StrCpy $9 0
        ${For} $5 2 $3
            StrCpy $8 $6 1 $5
            ${If} $8 == "\"
                IntOp $9 $9 + 1
            ${EndIf}
        ${Next}
        ${If} $9 < 2
            Goto refused
        ${EndIf}
    ${ElseIf} $3 <= 2
        Goto refused
    ${EndIf}
    StrCpy $INSTDIR $6
    Return
refused:
    StrCpy $folder_refused 1
FunctionEnd

!include "uninstall.nsh"
