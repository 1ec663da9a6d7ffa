; The uninstaller: removes the program's files, its Start menu and desktop
; entries, its uninstall entry, the start-at-logon entry and the weekly scan
; task. The user's settings, downloaded packages and driver backups stay
; unless the user answers No to the question (a silent run keeps them:
; backups are the user's data).
;
; Exit status: 0 removed, 1 cancelled, 2 refused (the program is running
; or no administrator rights): nothing was changed.

Function un.onInit
    ; The language the setup ran in; without it, the system's.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "Installer Language"
    ${If} $0 != ""
        StrCpy $LANGUAGE $0
    ${EndIf}
    Call un.tdu_refuse_without_admin
    Call un.tdu_refuse_while_running
FunctionEnd

Section "Uninstall"
    SetShellVarContext all

    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON1 "$(tdu_keep_data)" /SD IDYES IDYES data_kept
    Call un.tdu_remove_user_data
data_kept:

    Call un.tdu_remove_scan_task
    DeleteRegValue HKCU "${RUN_KEY}" "${RUN_VALUE}"

    ; The Start menu folder is the program's own: its entries are named in
    ; the language the setup ran in.
    Delete "$SMPROGRAMS\${PRODUCT_NAME}\*.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT_NAME}"
    Delete "$DESKTOP\${PRODUCT_NAME}.lnk"

    Delete "$INSTDIR\${PROGRAM_FILE}"
    Delete "$INSTDIR\tdu-cli.exe"
    Delete "$INSTDIR\language.ini"
    !insertmacro tdu_remove_packager_files
    Delete "$INSTDIR\${UNINSTALLER_FILE}"
    ; Only when empty: kept data stays in it.
    RMDir "$INSTDIR"

    DeleteRegKey HKCU "${INIT_KEY}"
    ; Last: the uninstall entry goes once everything else has.
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd

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

; Only after the user said No. The default folders in the program folder
; go, and so do folders the settings name inside it; a folder the user
; chose elsewhere may hold anything (a whole drive, a documents folder) and
; is left where it is, with a line in the details.
Function un.tdu_remove_user_data
    ReadRegStr $0 HKCU "${SETTINGS_KEY}" "download_path"
    Call un.tdu_remove_data_folder
    ReadRegStr $0 HKCU "${SETTINGS_KEY}" "backup_path"
    Call un.tdu_remove_data_folder
    RMDir /r "$INSTDIR\${DOWNLOAD_FOLDER}"
    RMDir /r "$INSTDIR\${BACKUP_FOLDER}"
    Delete "$INSTDIR\${BACKUP_CATALOGUE}"
    Delete "$INSTDIR\${INSTALLED_LIST}"
    DeleteRegKey HKCU "${SETTINGS_KEY}"
FunctionEnd

; $0: a data folder from the settings (may be empty or missing).
Function un.tdu_remove_data_folder
    ${If} $0 == ""
        Return
    ${EndIf}
    ; The full path, with any ".." resolved, so that "program\..\.."
    ; never passes for a folder inside the program folder.
    GetFullPathName $1 $0
    ${If} $1 == ""
        Return  ; not there
    ${EndIf}
    StrLen $2 "$INSTDIR\"
    StrCpy $4 $1 $2
    StrLen $5 $1
    ${If} $4 == "$INSTDIR\"
    ${AndIf} $5 > $2
        RMDir /r $1
    ${Else}
        DetailPrint "$(tdu_folder_kept)$1"
    ${EndIf}
FunctionEnd
