; Checks shared by the setup program and the uninstaller. A refusal ends the
; run with exit status 2 before anything is changed.
;
; Texts chosen with $(...) in .onInit come from the language the run started
; in, not from the one .onInit chose (the installer system selects the
; language after .onInit). So a silent run refuses in .onInit, where it
; shows nothing, and a run with pages asks in .onGUIInit, in the chosen
; language.

ReserveFile /plugin UserInfo.dll
ReserveFile /plugin System.dll

; A refusing uninstaller that runs as the installer system's copy in the
; temporary folder removes that copy once it has ended (uninstall.nsh).
!macro tdu_before_refusal PREFIX
    !if "${PREFIX}" == "un."
        ${If} $EXEDIR != $INSTDIR
            Call un.tdu_remove_self_after_exit
        ${EndIf}
    !endif
!macroend

!macro tdu_checks PREFIX NOT_ADMIN_TEXT
    ; The program's files are in Program Files and its uninstall entry in
    ; HKLM: both need administrator rights. (Windows XP does not read the
    ; manifest's request, so a limited account gets here unelevated.)
    Function ${PREFIX}tdu_refuse_without_admin
        UserInfo::GetAccountType
        Pop $0
        ${If} $0 != "Admin"
            MessageBox MB_OK|MB_ICONSTOP "${NOT_ADMIN_TEXT}" /SD IDOK
            SetErrorLevel 2
            !insertmacro tdu_before_refusal "${PREFIX}"
            Quit
        ${EndIf}
    FunctionEnd

    ; Pushes 1 while the program runs, else 0. The running program holds its
    ; single-instance mutex. A mutex that exists but may not be opened
    ; (another account's copy) counts as running too.
    Function ${PREFIX}tdu_program_runs
        Push $0
        Push $1
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0 ?e'
        Pop $1
        ${If} $0 != 0
            System::Call 'kernel32::CloseHandle(p r0)'
        ${EndIf}
        ${If} $0 != 0
        ${OrIf} $1 = 5  ; ERROR_ACCESS_DENIED
            StrCpy $0 1
        ${Else}
            StrCpy $0 0
        ${EndIf}
        Pop $1
        Exch $0
    FunctionEnd

    ; The program's files cannot be replaced or removed while it runs, and an
    ; uninstall would pull its settings and tasks from under it. Called at
    ; the start and again right before the first file is written or removed
    ; (the user may start the program while the pages are shown): asks to
    ; close it, Retry looks again, Cancel (and a silent run, which cannot
    ; ask) ends the run with exit status 2, nothing changed.
    Function ${PREFIX}tdu_wait_while_running
        Push $0
    look_again:
        Call ${PREFIX}tdu_program_runs
        Pop $0
        ${If} $0 = 1
            MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(tdu_running)" /SD IDCANCEL IDRETRY look_again
            SetErrorLevel 2
            !insertmacro tdu_before_refusal "${PREFIX}"
            Quit
        ${EndIf}
        Pop $0
    FunctionEnd
!macroend

!insertmacro tdu_checks "" "$(tdu_not_admin)"
!insertmacro tdu_checks "un." "$(tdu_un_not_admin)"
