; The setup program's own texts in the eleven languages (the pages' texts
; come with the interface's language files).
;
;   tdu_desktop_section   the component that adds the desktop shortcut
;   tdu_running           the program runs: setup and uninstaller refuse
;   tdu_not_admin         the setup lacks administrator rights
;   tdu_un_not_admin      the uninstaller lacks administrator rights
;   tdu_keep_data         the uninstaller's question; Yes (the default) keeps
;   tdu_uninstall_link    the Start menu entry of the uninstaller
;   tdu_folder_kept       a data folder outside the program folder is kept

!macro tdu_strings LANG DESKTOP RUNNING NOT_ADMIN UN_NOT_ADMIN KEEP_DATA UNINSTALL_LINK FOLDER_KEPT
    LangString tdu_desktop_section ${LANG_${LANG}} "${DESKTOP}"
    LangString tdu_running ${LANG_${LANG}} "${RUNNING}"
    LangString tdu_not_admin ${LANG_${LANG}} "${NOT_ADMIN}"
    LangString tdu_un_not_admin ${LANG_${LANG}} "${UN_NOT_ADMIN}"
    LangString tdu_keep_data ${LANG_${LANG}} "${KEEP_DATA}"
    LangString tdu_uninstall_link ${LANG_${LANG}} "${UNINSTALL_LINK}"
    LangString tdu_folder_kept ${LANG_${LANG}} "${FOLDER_KEPT}"
!macroend

!insertmacro tdu_strings ENGLISH \
    "Desktop shortcut" \
    "${PRODUCT_NAME} is running. Please close it and try again." \
    "Administrator rights are needed to install ${PRODUCT_NAME}. Please run the setup as an administrator." \
    "Administrator rights are needed to remove ${PRODUCT_NAME}. Please run the uninstaller as an administrator." \
    "Keep your settings, downloaded drivers and driver backups?$\r$\n$\r$\nChoose No to remove them as well." \
    "Uninstall ${PRODUCT_NAME}" \
    "Folder kept (outside the program folder): "

!insertmacro tdu_strings GERMAN \
    "Verknüpfung auf dem Desktop" \
    "${PRODUCT_NAME} wird gerade ausgeführt. Bitte beenden Sie das Programm und versuchen Sie es erneut." \
    "Für die Installation von ${PRODUCT_NAME} sind Administratorrechte erforderlich. Bitte starten Sie das Setup als Administrator." \
    "Zum Entfernen von ${PRODUCT_NAME} sind Administratorrechte erforderlich. Bitte starten Sie die Deinstallation als Administrator." \
    "Möchten Sie Ihre Einstellungen, heruntergeladenen Treiber und Treibersicherungen behalten?$\r$\n$\r$\nWählen Sie „Nein“, um sie ebenfalls zu entfernen." \
    "${PRODUCT_NAME} deinstallieren" \
    "Ordner behalten (außerhalb des Programmordners): "

!insertmacro tdu_strings SPANISH \
    "Acceso directo en el escritorio" \
    "${PRODUCT_NAME} se está ejecutando. Ciérrelo e inténtelo de nuevo." \
    "Se necesitan derechos de administrador para instalar ${PRODUCT_NAME}. Ejecute el programa de instalación como administrador." \
    "Se necesitan derechos de administrador para desinstalar ${PRODUCT_NAME}. Ejecute la desinstalación como administrador." \
    "¿Desea conservar su configuración, los controladores descargados y las copias de seguridad de controladores?$\r$\n$\r$\nElija «No» para eliminarlos también." \
    "Desinstalar ${PRODUCT_NAME}" \
    "Carpeta conservada (fuera de la carpeta del programa): "

!insertmacro tdu_strings FRENCH \
    "Raccourci sur le Bureau" \
    "${PRODUCT_NAME} est en cours d'exécution. Veuillez le fermer et réessayer." \
    "Des droits d'administrateur sont nécessaires pour installer ${PRODUCT_NAME}. Veuillez lancer l'installation en tant qu'administrateur." \
    "Des droits d'administrateur sont nécessaires pour désinstaller ${PRODUCT_NAME}. Veuillez lancer la désinstallation en tant qu'administrateur." \
    "Conserver vos paramètres, les pilotes téléchargés et les sauvegardes de pilotes ?$\r$\n$\r$\nChoisissez « Non » pour les supprimer également." \
    "Désinstaller ${PRODUCT_NAME}" \
    "Dossier conservé (hors du dossier du programme) : "

!insertmacro tdu_strings ITALIAN \
    "Collegamento sul desktop" \
    "${PRODUCT_NAME} è in esecuzione. Chiudere il programma e riprovare." \
    "Per installare ${PRODUCT_NAME} sono necessari i diritti di amministratore. Eseguire l'installazione come amministratore." \
    "Per disinstallare ${PRODUCT_NAME} sono necessari i diritti di amministratore. Eseguire la disinstallazione come amministratore." \
    "Conservare le impostazioni, i driver scaricati e i backup dei driver?$\r$\n$\r$\nScegliere «No» per rimuovere anche questi." \
    "Disinstalla ${PRODUCT_NAME}" \
    "Cartella conservata (fuori dalla cartella del programma): "

!insertmacro tdu_strings JAPANESE \
    "デスクトップのショートカット" \
    "${PRODUCT_NAME} が実行中です。終了してから、もう一度お試しください。" \
    "${PRODUCT_NAME} をインストールするには管理者権限が必要です。管理者としてセットアップを実行してください。" \
    "${PRODUCT_NAME} をアンインストールするには管理者権限が必要です。管理者としてアンインストールを実行してください。" \
    "設定、ダウンロードしたドライバー、ドライバーのバックアップを残しますか?$\r$\n$\r$\n一緒に削除する場合は [いいえ] を選択してください。" \
    "${PRODUCT_NAME} のアンインストール" \
    "プログラム フォルダーの外にあるため残したフォルダー: "

!insertmacro tdu_strings SIMPCHINESE \
    "桌面快捷方式" \
    "${PRODUCT_NAME} 正在运行。请关闭后重试。" \
    "安装 ${PRODUCT_NAME} 需要管理员权限。请以管理员身份运行安装程序。" \
    "卸载 ${PRODUCT_NAME} 需要管理员权限。请以管理员身份运行卸载程序。" \
    "是否保留您的设置、已下载的驱动程序和驱动程序备份?$\r$\n$\r$\n选择“否”将一并删除。" \
    "卸载 ${PRODUCT_NAME}" \
    "已保留程序文件夹之外的文件夹: "

!insertmacro tdu_strings TRADCHINESE \
    "桌面捷徑" \
    "${PRODUCT_NAME} 正在執行。請將其關閉後再試一次。" \
    "安裝 ${PRODUCT_NAME} 需要系統管理員權限。請以系統管理員身分執行安裝程式。" \
    "解除安裝 ${PRODUCT_NAME} 需要系統管理員權限。請以系統管理員身分執行解除安裝程式。" \
    "是否保留您的設定、已下載的驅動程式和驅動程式備份?$\r$\n$\r$\n選擇「否」將一併移除。" \
    "解除安裝 ${PRODUCT_NAME}" \
    "已保留程式資料夾以外的資料夾: "

!insertmacro tdu_strings DUTCH \
    "Snelkoppeling op het bureaublad" \
    "${PRODUCT_NAME} is actief. Sluit het programma en probeer het opnieuw." \
    "Voor de installatie van ${PRODUCT_NAME} zijn beheerdersrechten nodig. Start de installatie als beheerder." \
    "Voor het verwijderen van ${PRODUCT_NAME} zijn beheerdersrechten nodig. Start het verwijderen als beheerder." \
    "Wilt u uw instellingen, gedownloade stuurprogramma's en back-ups van stuurprogramma's bewaren?$\r$\n$\r$\nKies 'Nee' om ze ook te verwijderen." \
    "${PRODUCT_NAME} verwijderen" \
    "Map bewaard (buiten de programmamap): "

!insertmacro tdu_strings PORTUGUESE \
    "Atalho no ambiente de trabalho" \
    "O ${PRODUCT_NAME} está em execução. Feche-o e tente novamente." \
    "São necessários direitos de administrador para instalar o ${PRODUCT_NAME}. Execute a instalação como administrador." \
    "São necessários direitos de administrador para desinstalar o ${PRODUCT_NAME}. Execute a desinstalação como administrador." \
    "Manter as suas definições, os controladores transferidos e as cópias de segurança de controladores?$\r$\n$\r$\nEscolha «Não» para também os remover." \
    "Desinstalar o ${PRODUCT_NAME}" \
    "Pasta mantida (fora da pasta do programa): "

!insertmacro tdu_strings ARABIC \
    "اختصار على سطح المكتب" \
    "برنامج ${PRODUCT_NAME} قيد التشغيل. يرجى إغلاقه والمحاولة مرة أخرى." \
    "يلزم امتلاك صلاحيات المسؤول لتثبيت ${PRODUCT_NAME}. يرجى تشغيل برنامج الإعداد كمسؤول." \
    "يلزم امتلاك صلاحيات المسؤول لإزالة ${PRODUCT_NAME}. يرجى تشغيل برنامج الإزالة كمسؤول." \
    "هل تريد الاحتفاظ بإعداداتك وبرامج التشغيل التي تم تنزيلها والنسخ الاحتياطية لبرامج التشغيل؟$\r$\n$\r$\nاختر «لا» لإزالتها أيضًا." \
    "إزالة ${PRODUCT_NAME}" \
    "تم الاحتفاظ بالمجلد (خارج مجلد البرنامج): "
