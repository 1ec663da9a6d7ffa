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
;   PROGRAM_EXE    TavrillDriverUpdater.exe of the build
;   CLI_EXE        tdu-cli.exe of the build
;   LANGUAGE_INI   the interface texts
;   PAYLOAD_NSH    the generated list of the packager's files
;
; Command line: /S installs silently; /LANG=n picks the interface language
; by its code 1 to 11 (see languages.nsh) and is required to be one of them;
; /DESKTOP adds the desktop shortcut in a silent install; /D=folder (last)
; sets the folder. Exit status: 0 installed, 1 cancelled by the user,
; 2 refused (the program is running, no administrator rights, or an unknown
; /LANG code): nothing was changed.

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
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

!include "product.nsh"
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

!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM_FILE}"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT

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

Section "${PRODUCT_NAME}" section_program
    SectionIn RO
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    ; An upgrade overwrites the program's files only: the settings (HKCU),
    ; the download and backup folders, "setup.dat" and "backup.xml" are the
    ; user's and stay as they are.
    File "/oname=${PROGRAM_FILE}" "${PROGRAM_EXE}"
    File "/oname=tdu-cli.exe" "${CLI_EXE}"
    File "/oname=language.ini" "${LANGUAGE_INI}"
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
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM_FILE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_FILE}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_FILE}" /S'
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
    ${GetOptions} $R0 "/LANG=" $R1
    ${IfNot} ${Errors}
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

    Call tdu_refuse_without_admin
    Call tdu_refuse_while_running
FunctionEnd

!include "uninstall.nsh"
