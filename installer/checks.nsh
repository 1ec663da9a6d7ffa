; Refusals shared by the setup program and the uninstaller. Each shows its
; text (a silent run shows nothing) and ends the run with exit status 2
; before anything is changed.

ReserveFile /plugin UserInfo.dll
ReserveFile /plugin System.dll

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
            Quit
        ${EndIf}
    FunctionEnd

    ; The running program holds its single-instance mutex. Its files cannot
    ; be replaced or removed while it runs, and an uninstall would pull its
    ; settings and tasks from under it. A mutex that exists but may not be
    ; opened (another account's copy) counts as running too.
    Function ${PREFIX}tdu_refuse_while_running
        System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0 ?e'
        Pop $1
        ${If} $0 != 0
            System::Call 'kernel32::CloseHandle(p r0)'
        ${EndIf}
        ${If} $0 != 0
        ${OrIf} $1 = 5  ; ERROR_ACCESS_DENIED
            MessageBox MB_OK|MB_ICONSTOP "$(tdu_running)" /SD IDOK
            SetErrorLevel 2
            Quit
        ${EndIf}
    FunctionEnd
!macroend

!insertmacro tdu_checks "" "$(tdu_not_admin)"
!insertmacro tdu_checks "un." "$(tdu_un_not_admin)"
