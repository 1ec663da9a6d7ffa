; The uninstaller: removes the program's files, its Start menu and desktop
; entries, its uninstall entry, the start-at-logon entry and the weekly scan
; task. The user's settings, downloaded packages and driver backups stay
; unless the user answers No to the question (a silent run keeps them:
; backups are the user's data). Kept settings no longer ask for the Run
; entry and the task it removed.
;
; Answered No, it removes only what the program made: the archives the
; backup catalogue names, the downloads (named by the digest of their link),
; the catalogue, the list of installed links, the settings and the
; machine-wide endpoint override; a folder that still holds other files is
; kept, with a line in the details saying why.
;
; Exit status: 0 removed, 1 cancelled, 2 refused (the program is running,
; no administrator rights, or a file of the program could not be removed):
; the uninstall entry stays so it can be run again. The registered quiet
; command runs the uninstaller in place ("/S _?=folder"), so that whoever
; started it waits for the end and reads this status.

Function un.onInit
    ; The language the setup ran in; without it, the system's.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Installer Language"
    ${If} $0 != ""
        StrCpy $LANGUAGE $0
    ${EndIf}
    ; With pages, the checks ask in un.tdu_gui_init, in that language.
    ${If} ${Silent}
        Call un.tdu_refuse_without_admin
        Call un.tdu_wait_while_running
    ${EndIf}
FunctionEnd

Function un.tdu_gui_init
    Call un.tdu_refuse_without_admin
    Call un.tdu_wait_while_running
FunctionEnd

Section "Uninstall"
    SetShellVarContext all

    StrCpy $R9 1  ; keep the user's data
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "$(tdu_keep_data)" /SD IDYES IDYES data_answered
    StrCpy $R9 0
data_answered:
    Call un.tdu_wait_while_running

    ; The program first: while it cannot be removed, nothing else is, the
    ; user's data included.
    Delete "$INSTDIR\${PROGRAM_FILE}"
    ${If} ${FileExists} "$INSTDIR\${PROGRAM_FILE}"
        DetailPrint "$(tdu_not_removed)$INSTDIR\${PROGRAM_FILE}"
        MessageBox MB_OK|MB_ICONSTOP "$(tdu_not_removed)$INSTDIR\${PROGRAM_FILE}" /SD IDOK
        SetErrorLevel 2
        Abort
    ${EndIf}

    ${If} $R9 = 1
        Call un.tdu_forget_removed_settings
    ${Else}
        Call un.tdu_remove_user_data
    ${EndIf}

    Call un.tdu_remove_scan_task
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"

    ; The Start menu folder is the program's own: its entries are named in
    ; the language the setup ran in.
    Delete "$SMPROGRAMS\${PRODUCT_NAME}\*.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT_NAME}"
    Delete "$DESKTOP\${PRODUCT_NAME}.lnk"

    Delete "$INSTDIR\tdu-cli.exe"
    Delete "$INSTDIR\language.ini"
    Delete "$INSTDIR\update\update.exe"
    Delete "$INSTDIR\update\update.exe.old"
    RMDir "$INSTDIR\update"
    !insertmacro tdu_remove_packager_files
    Delete "$INSTDIR\${UNINSTALLER_FILE}"

    DeleteRegKey HKCU "${INIT_KEY}"
    ; The uninstall entry goes once everything else has.
    DeleteRegKey HKLM "${UNINSTALL_KEY}"

    ; Only when empty: kept data stays in it.
    RMDir "$INSTDIR"
    ${If} $EXEDIR != $INSTDIR
    ${AndIf} ${FileExists} "$INSTDIR\*.*"
        DetailPrint "$(tdu_folder_not_empty)$INSTDIR"
    ${EndIf}
    Call un.tdu_remove_self_after_exit
SectionEnd

; The uninstaller's own file cannot be deleted while it runs. Run in place
; (the registered quiet command), it is the last file of the program
; folder; started without "_?=", the installer system runs a copy of it
; from a folder "~nsu*.tmp" in the temporary folder, which it would leave
; there. Either goes once this process has ended: a hidden command
; processor, working in the temporary folder, tries every second, up to
; eight times, to delete the file and then its folder. The program folder
; is left to it only when nothing else is in it (kept data keeps it).
Function un.tdu_remove_self_after_exit
    StrCpy $1 $EXEDIR
    ${If} $EXEDIR == $INSTDIR
        ${GetFileName} $EXEPATH $3
        FindFirst $4 $2 "$INSTDIR\*"
        ${DoWhile} $2 != ""
            ${If} $2 != "."
            ${AndIf} $2 != ".."
            ${AndIf} $2 != $3
                StrCpy $1 ""
            ${EndIf}
            FindNext $4 $2
        ${Loop}
        FindClose $4
    ${Else}
        ${GetFileName} $EXEDIR $2
        StrCpy $2 $2 4
        ${If} $2 != "~nsu"
            StrCpy $1 ""
        ${EndIf}
    ${EndIf}
    ; The paths reach the command processor through its environment, so
    ; that each try is short: a try deletes the file, then the folder (only
    ; when empty), and the next one follows a second later only while the
    ; file is still there. Stopping at once matters: a setup run right after
    ; this uninstaller writes a new uninstall.exe under the same name.
    ; (Wine's command processor does not run a FOR loop's parenthesised
    ; body correctly, so the tries are chained: each "if exist" takes the
    ; rest of the line as its command. Short names keep the line within the
    ; installer system's 1,024 characters.)
    System::Call 'kernel32::SetEnvironmentVariableW(w "TDU_U", w "$EXEPATH")'
    System::Call 'kernel32::SetEnvironmentVariableW(w "TDU_D", w "$1")'
    StrCpy $3 'ping -n 2 127.0.0.1 >nul & del /f /q "%TDU_U%" 2>nul & rd "%TDU_D%" 2>nul'
    StrCpy $4 ' & if exist "%TDU_U%" '
    ExpandEnvStrings $2 "%COMSPEC%"
    StrCpy $0 '"$2" /d /q /c $3$4$3$4$3$4$3$4$3$4$3$4$3$4$3'
    ; CREATE_NO_WINDOW; STARTUPINFOW is 104 bytes for x64, 68 for x86.
!if "${ARCH}" == "x64"
    System::Call '*(&l4, &i100) p .r2'
!else
    System::Call '*(&l4, &i64) p .r2'
!endif
    System::Call '*(p, p, i, i) p .r3'
    System::Call 'kernel32::CreateProcessW(p 0, w r0, p 0, p 0, i 0, i 0x08000000, p 0, w "$TEMP", p r2, p r3) i .r4'
    ${If} $4 != 0
        System::Call '*$3(p .r5, p .r6)'
        System::Call 'kernel32::CloseHandle(p r5)'
        System::Call 'kernel32::CloseHandle(p r6)'
    ${EndIf}
    System::Free $2
    System::Free $3
FunctionEnd

; Keeping the data keeps the settings, but not the two that stood for what
; was just removed: start at logon (the Run entry) and the weekly scan (the
; task). Otherwise a later installation would show both ticked with neither
; in place. Only values that exist are written: a settings key that the
; program has not made yet must stay missing (its first run makes it).
Function un.tdu_forget_removed_settings
    ClearErrors
    ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "autorun"
    ${IfNot} ${Errors}
        WriteRegDWORD HKCU "${SETTINGS_KEY}" "autorun" 0
    ${EndIf}
    ClearErrors
    ReadRegDWORD $0 HKCU "${SETTINGS_KEY}" "scheduled_scan"
    ${IfNot} ${Errors}
        WriteRegDWORD HKCU "${SETTINGS_KEY}" "scheduled_scan" 0
    ${EndIf}
    DetailPrint "$(tdu_data_kept)$INSTDIR"
FunctionEnd

; The weekly scan task, through the Task Scheduler's own interface
; (ITaskScheduler::Delete, the 8th method); the file is what the scheduler
; keeps of a task, removed too in case the scheduler could not be reached.
Function un.tdu_remove_scan_task
    System::Call 'ole32::CoInitialize(p 0) i .r3'
    System::Call 'ole32::CoCreateInstance(g "{148BD52A-A2AB-11CE-B11F-00AA00530503}", p 0, i 1, \
        g "{148BD527-A2AB-11CE-B11F-00AA00530503}", *p .r1) i .r0'
    ${If} $0 = 0
        System::Call '$1->7(w "${SCAN_TASK}") i .r2'
        System::Call '$1->2()'
    ${EndIf}
    ${If} $3 >= 0
        System::Call 'ole32::CoUninitialize()'
    ${EndIf}
    Delete "$WINDIR\Tasks\${SCAN_TASK}.job"
FunctionEnd

; Only after the user said No. The data folders are the ones the settings
; name and the default ones in the program folder. A folder outside the
; program folder may hold anything (a whole drive, a documents folder) and
; is left where it is, with a line in the details; one inside loses the
; files the program made, and goes when nothing else is left in it.
Function un.tdu_remove_user_data
    ReadRegStr $0 HKCU "${SETTINGS_KEY}" "backup_path"
    Call un.tdu_folder_inside
    ${If} $1 != ""
        Call un.tdu_remove_backups
        Call un.tdu_remove_folder_if_empty
    ${EndIf}
    StrCpy $1 "$INSTDIR\${BACKUP_FOLDER}"
    Call un.tdu_remove_backups
    Call un.tdu_remove_folder_if_empty

    ReadRegStr $0 HKCU "${SETTINGS_KEY}" "download_path"
    Call un.tdu_folder_inside
    ${If} $1 != ""
        Call un.tdu_remove_downloads
        Call un.tdu_remove_folder_if_empty
    ${EndIf}
    StrCpy $1 "$INSTDIR\${DOWNLOAD_FOLDER}"
    Call un.tdu_remove_downloads
    Call un.tdu_remove_folder_if_empty

    Delete "$INSTDIR\${BACKUP_CATALOGUE}"
    Delete "$INSTDIR\${BACKUP_CATALOGUE}.tmp"
    Delete "$INSTDIR\${INSTALLED_LIST}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    ; The update service an administrator set for every account goes with
    ; the data (kept with it otherwise).
    DeleteRegValue HKLM "${MACHINE_KEY}" "${MACHINE_ENDPOINTS_VALUE}"
    DeleteRegKey /ifempty HKLM "${MACHINE_KEY}"
FunctionEnd

; $0: a data folder from the settings (may be empty or missing). $1: its
; full path when it lies inside the program folder, else empty (and a line
; in the details for one outside).
Function un.tdu_folder_inside
    StrCpy $1 ""
    ${If} $0 == ""
        Return
    ${EndIf}
    ; The full path, with any ".." resolved, so that "program\..\.."
    ; never passes for a folder inside the program folder.
    GetFullPathName $2 $0
    ${If} $2 == ""
        Return  ; not there
    ${EndIf}
    StrLen $3 "$INSTDIR\"
    StrCpy $4 $2 $3
    StrLen $5 $2
    ${If} $4 == "$INSTDIR\"
    ${AndIf} $5 > $3
        StrCpy $1 $2
    ${Else}
        DetailPrint "$(tdu_folder_kept)$2"
    ${EndIf}
FunctionEnd

; $1: a folder; removed when empty, else kept with a line in the details.
Function un.tdu_remove_folder_if_empty
    ${IfNot} ${FileExists} "$1\*.*"
        Return
    ${EndIf}
    RMDir $1
    ${If} ${FileExists} "$1\*.*"
        DetailPrint "$(tdu_folder_not_empty)$1"
    ${EndIf}
FunctionEnd

; $1: a backup folder. Deletes from it each archive the catalogue names.
; TinyXML writes an archive's name on the line after "<file>", as
; "<![CDATA[name]]>"; a name on the same line, or without CDATA, is read
; too. A name holding a folder part is not the program's and is skipped.
Function un.tdu_remove_backups
    ClearErrors
    FileOpen $2 "$INSTDIR\${BACKUP_CATALOGUE}" r
    ${If} ${Errors}
        Return
    ${EndIf}
    StrCpy $4 0  ; 1 on the line after "<file>"
    ${Do}
        ClearErrors
        FileRead $2 $3
        ${If} ${Errors}
            ${Break}
        ${EndIf}
        Push $3
        Call un.tdu_trim
        Pop $3
        StrCpy $5 ""
        StrCpy $6 $3 6
        ${If} $6 == "<file>"
            StrCpy $5 $3 "" 6
            StrCpy $6 $5 "" -7
            ${If} $6 == "</file>"
                StrCpy $5 $5 -7
            ${EndIf}
            StrCpy $4 1
        ${ElseIf} $4 = 1
            StrCpy $5 $3
            StrCpy $4 0
        ${EndIf}
        StrCpy $6 $5 9
        StrCpy $7 $5 "" -3
        ${If} $6 == "<![CDATA["
        ${AndIf} $7 == "]]>"
            StrCpy $5 $5 -3 9
        ${EndIf}
        ${If} $5 != ""
            Push $5
            Call un.tdu_is_plain_name
            Pop $6
            ${If} $6 = 1
                Delete "$1\$5"
                StrCpy $4 0
            ${EndIf}
        ${EndIf}
    ${Loop}
    FileClose $2
FunctionEnd

; $1: a download folder. Deletes the files the download names: 32 hex
; digits (the digest of the link), then nothing or the link's extension and
; ".tmp" while incomplete. No other file is the program's.
Function un.tdu_remove_downloads
    ClearErrors
    FindFirst $2 $3 "$1\*"
    ${DoWhile} $3 != ""
        ${IfNot} ${FileExists} "$1\$3\*.*"
            Push $3
            Call un.tdu_is_download_name
            Pop $4
            ${If} $4 = 1
                Delete "$1\$3"
            ${EndIf}
        ${EndIf}
        FindNext $2 $3
    ${Loop}
    FindClose $2
FunctionEnd

; Pushes 1 when the name on the stack is a download's, else 0.
Function un.tdu_is_download_name
    Exch $0
    Push $1
    Push $2
    Push $3
    Push $4
    StrLen $1 $0
    ${If} $1 < 32
        StrCpy $0 0
        Goto done
    ${EndIf}
    StrCpy $1 $0 1 32
    ${If} $1 != ""
    ${AndIf} $1 != "."
        StrCpy $0 0
        Goto done
    ${EndIf}
    ${For} $1 0 31
        StrCpy $2 $0 1 $1
        StrCpy $4 0
        ${For} $3 0 15
            StrCpy $4 "0123456789abcdef" 1 $3
            ${If} $2 S== $4
                StrCpy $4 1
                ${Break}
            ${EndIf}
            StrCpy $4 0
        ${Next}
        ${If} $4 != 1
            StrCpy $0 0
            Goto done
        ${EndIf}
    ${Next}
    StrCpy $0 1
done:
    Pop $4
    Pop $3
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; Pushes 1 when the name on the stack is a plain file name (no folder
; part, not "." or ".."), else 0.
Function un.tdu_is_plain_name
    Exch $0
    Push $1
    Push $2
    ${If} $0 == "."
    ${OrIf} $0 == ".."
        StrCpy $0 0
        Goto done
    ${EndIf}
    StrLen $1 $0
    ${DoWhile} $1 > 0
        IntOp $1 $1 - 1
        StrCpy $2 $0 1 $1
        ${If} $2 == "\"
        ${OrIf} $2 == "/"
        ${OrIf} $2 == ":"
            StrCpy $0 0
            Goto done
        ${EndIf}
    ${Loop}
    StrCpy $0 1
done:
    Pop $2
    Pop $1
    Exch $0
FunctionEnd

; The text on the stack without spaces, TABs, CR and LF at either end.
Function un.tdu_trim
    Exch $0
    Push $1
    ${Do}
        StrCpy $1 $0 1
        ${If} $1 == " "
        ${OrIf} $1 == "$\t"
        ${OrIf} $1 == "$\r"
        ${OrIf} $1 == "$\n"
            StrCpy $0 $0 "" 1
        ${Else}
            ${Break}
        ${EndIf}
    ${Loop}
    ${Do}
        StrCpy $1 $0 "" -1
        ${If} $1 == " "
        ${OrIf} $1 == "$\t"
        ${OrIf} $1 == "$\r"
        ${OrIf} $1 == "$\n"
            StrCpy $0 $0 -1
        ${Else}
            ${Break}
        ${EndIf}
    ${Loop}
    Pop $1
    Exch $0
FunctionEnd
