; The names the setup program shares with the program itself. The program
; finds them by these exact texts: the settings and installer keys, the Run
; entry and the scheduled task are read and written by the program, the
; mutex is its single-instance rule.

!define PRODUCT_NAME "Tavrill Driver Updater"
!define PUBLISHER "Tavrill"
!define PROGRAM_FILE "TavrillDriverUpdater.exe"
!define UNINSTALLER_FILE "uninstall.exe"
; The product's pages on its web site, named in the list of programs.
!define ABOUT_URL "http://www.tavrill.com/driver-updater/"
!define HELP_URL "http://www.tavrill.com/help/driver-updater/"

; The running program owns a mutex of this name.
!define INSTANCE_MUTEX "${PRODUCT_NAME}"
; HKCU: the program's settings, and the installer's language choice that
; the program reads on its first run.
!define SETTINGS_KEY "SOFTWARE\${PRODUCT_NAME}"
!define INIT_KEY "SOFTWARE\Tavrill_Driver_Updater_Init"
; HKCU: the start-at-logon entry the program's settings write.
!define RUN_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Run"
!define RUN_VALUE "${PRODUCT_NAME}"
; The weekly scan task the settings dialog creates in the Task Scheduler.
!define SCAN_TASK "${PRODUCT_NAME}"
; HKLM: the endpoint override an administrator sets for every account
; (the program's registry view: 32-bit for x86, 64-bit for x64).
!define MACHINE_KEY "SOFTWARE\${PRODUCT_NAME}"
!define MACHINE_ENDPOINTS_VALUE "endpoints"
; HKLM (32-bit view): the system's list of installed programs.
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT_NAME}"

; The folders and files the program keeps in its own folder by default:
; the user's data, kept by an upgrade and (unless the user says otherwise)
; by the uninstaller.
!define DOWNLOAD_FOLDER "download"
!define BACKUP_FOLDER "backup"
!define BACKUP_CATALOGUE "backup.xml"
!define INSTALLED_LIST "setup.dat"

!searchparse /noerrors "${VERSION}" "" VERSION_MAJOR "." VERSION_MINOR "."
