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
;   tdu_folder_not_empty  a folder kept since it holds files the program did not make
;   tdu_data_kept         the user's data stays in the program folder
;   tdu_not_removed       a file of the program could not be removed
;   tdu_bad_folder        the folder given with /D= cannot be used
;   tdu_newer_installed   a newer version is installed: install this older one?
;   tdu_copy_elsewhere    a copy installed in another folder is removed first
;   tdu_copy_elsewhere_kept  that copy could not be removed: nothing installed

!macro tdu_strings LANG DESKTOP RUNNING NOT_ADMIN UN_NOT_ADMIN KEEP_DATA UNINSTALL_LINK FOLDER_KEPT \
        FOLDER_NOT_EMPTY DATA_KEPT NOT_REMOVED BAD_FOLDER NEWER_INSTALLED COPY_ELSEWHERE COPY_ELSEWHERE_KEPT
    LangString tdu_desktop_section ${LANG_${LANG}} "${DESKTOP}"
    LangString tdu_running ${LANG_${LANG}} "${RUNNING}"
    LangString tdu_not_admin ${LANG_${LANG}} "${NOT_ADMIN}"
    LangString tdu_un_not_admin ${LANG_${LANG}} "${UN_NOT_ADMIN}"
    LangString tdu_keep_data ${LANG_${LANG}} "${KEEP_DATA}"
    LangString tdu_uninstall_link ${LANG_${LANG}} "${UNINSTALL_LINK}"
    LangString tdu_folder_kept ${LANG_${LANG}} "${FOLDER_KEPT}"
    LangString tdu_folder_not_empty ${LANG_${LANG}} "${FOLDER_NOT_EMPTY}"
    LangString tdu_data_kept ${LANG_${LANG}} "${DATA_KEPT}"
    LangString tdu_not_removed ${LANG_${LANG}} "${NOT_REMOVED}"
    LangString tdu_bad_folder ${LANG_${LANG}} "${BAD_FOLDER}"
    LangString tdu_newer_installed ${LANG_${LANG}} "${NEWER_INSTALLED}"
    LangString tdu_copy_elsewhere ${LANG_${LANG}} "${COPY_ELSEWHERE}"
    LangString tdu_copy_elsewhere_kept ${LANG_${LANG}} "${COPY_ELSEWHERE_KEPT}"
!macroend

!insertmacro tdu_strings ENGLISH \
    "Desktop shortcut" \
    "${PRODUCT_NAME} is running. Please close it and try again." \
    "Administrator rights are needed to install ${PRODUCT_NAME}. Please run the setup as an administrator." \
    "Administrator rights are needed to remove ${PRODUCT_NAME}. Please run the uninstaller as an administrator." \
    "Keep your settings, downloaded drivers and driver backups?$\r$\n$\r$\nChoose No to remove them as well." \
    "Uninstall ${PRODUCT_NAME}" \
    "Folder kept (outside the program folder): " \
    "Folder kept (it holds files the program did not make): " \
    "Your settings, downloaded drivers and driver backups were kept in: " \
    "The program stays installed: this file could not be removed: " \
    "This folder cannot be used for the installation. Give a full path such as C:\Tools\${PRODUCT_NAME}, not a drive root, of at most 200 characters:$\r$\n$\r$\n" \
    "A newer version of ${PRODUCT_NAME} is installed. Replace it with this older version?" \
    "The copy of ${PRODUCT_NAME} installed in another folder is removed first (your data there is kept): " \
    "Nothing was installed: the copy in another folder could not be removed: "

!insertmacro tdu_strings GERMAN \
    "Verknüpfung auf dem Desktop" \
    "${PRODUCT_NAME} wird gerade ausgeführt. Bitte beenden Sie das Programm und versuchen Sie es erneut." \
    "Für die Installation von ${PRODUCT_NAME} sind Administratorrechte erforderlich. Bitte starten Sie das Setup als Administrator." \
    "Zum Entfernen von ${PRODUCT_NAME} sind Administratorrechte erforderlich. Bitte starten Sie die Deinstallation als Administrator." \
    "Möchten Sie Ihre Einstellungen, heruntergeladenen Treiber und Treibersicherungen behalten?$\r$\n$\r$\nWählen Sie „Nein“, um sie ebenfalls zu entfernen." \
    "${PRODUCT_NAME} deinstallieren" \
    "Ordner behalten (außerhalb des Programmordners): " \
    "Ordner behalten (er enthält Dateien, die nicht vom Programm stammen): " \
    "Ihre Einstellungen, heruntergeladenen Treiber und Treibersicherungen wurden behalten in: " \
    "Das Programm bleibt installiert: Diese Datei konnte nicht entfernt werden: " \
    "Dieser Ordner kann nicht für die Installation verwendet werden. Geben Sie einen vollständigen Pfad wie C:\Tools\${PRODUCT_NAME} an, kein Laufwerksstammverzeichnis, mit höchstens 200 Zeichen:$\r$\n$\r$\n" \
    "Eine neuere Version von ${PRODUCT_NAME} ist installiert. Möchten Sie sie durch diese ältere Version ersetzen?" \
    "Die in einem anderen Ordner installierte Kopie von ${PRODUCT_NAME} wird zuerst entfernt (Ihre Daten dort bleiben erhalten): " \
    "Es wurde nichts installiert: Die Kopie in einem anderen Ordner konnte nicht entfernt werden: "

!insertmacro tdu_strings SPANISH \
    "Acceso directo en el escritorio" \
    "${PRODUCT_NAME} se está ejecutando. Ciérrelo e inténtelo de nuevo." \
    "Se necesitan derechos de administrador para instalar ${PRODUCT_NAME}. Ejecute el programa de instalación como administrador." \
    "Se necesitan derechos de administrador para desinstalar ${PRODUCT_NAME}. Ejecute la desinstalación como administrador." \
    "¿Desea conservar su configuración, los controladores descargados y las copias de seguridad de controladores?$\r$\n$\r$\nElija «No» para eliminarlos también." \
    "Desinstalar ${PRODUCT_NAME}" \
    "Carpeta conservada (fuera de la carpeta del programa): " \
    "Carpeta conservada (contiene archivos que no creó el programa): " \
    "Su configuración, los controladores descargados y las copias de seguridad se han conservado en: " \
    "El programa sigue instalado: no se pudo eliminar este archivo: " \
    "Esta carpeta no se puede usar para la instalación. Indique una ruta completa como C:\Tools\${PRODUCT_NAME}, que no sea la raíz de una unidad, de 200 caracteres como máximo:$\r$\n$\r$\n" \
    "Hay instalada una versión más reciente de ${PRODUCT_NAME}. ¿Desea reemplazarla por esta versión anterior?" \
    "Primero se elimina la copia de ${PRODUCT_NAME} instalada en otra carpeta (sus datos allí se conservan): " \
    "No se ha instalado nada: no se pudo eliminar la copia de otra carpeta: "

!insertmacro tdu_strings FRENCH \
    "Raccourci sur le Bureau" \
    "${PRODUCT_NAME} est en cours d'exécution. Veuillez le fermer et réessayer." \
    "Des droits d'administrateur sont nécessaires pour installer ${PRODUCT_NAME}. Veuillez lancer l'installation en tant qu'administrateur." \
    "Des droits d'administrateur sont nécessaires pour désinstaller ${PRODUCT_NAME}. Veuillez lancer la désinstallation en tant qu'administrateur." \
    "Conserver vos paramètres, les pilotes téléchargés et les sauvegardes de pilotes ?$\r$\n$\r$\nChoisissez « Non » pour les supprimer également." \
    "Désinstaller ${PRODUCT_NAME}" \
    "Dossier conservé (hors du dossier du programme) : " \
    "Dossier conservé (il contient des fichiers que le programme n'a pas créés) : " \
    "Vos paramètres, pilotes téléchargés et sauvegardes de pilotes ont été conservés dans : " \
    "Le programme reste installé : ce fichier n'a pas pu être supprimé : " \
    "Ce dossier ne peut pas servir à l'installation. Indiquez un chemin complet comme C:\Tools\${PRODUCT_NAME}, pas la racine d'un lecteur, de 200 caractères au plus :$\r$\n$\r$\n" \
    "Une version plus récente de ${PRODUCT_NAME} est installée. La remplacer par cette version plus ancienne ?" \
    "La copie de ${PRODUCT_NAME} installée dans un autre dossier est d'abord supprimée (vos données y sont conservées) : " \
    "Rien n'a été installé : la copie d'un autre dossier n'a pas pu être supprimée : "

!insertmacro tdu_strings ITALIAN \
    "Collegamento sul desktop" \
    "${PRODUCT_NAME} è in esecuzione. Chiudere il programma e riprovare." \
    "Per installare ${PRODUCT_NAME} sono necessari i diritti di amministratore. Eseguire l'installazione come amministratore." \
    "Per disinstallare ${PRODUCT_NAME} sono necessari i diritti di amministratore. Eseguire la disinstallazione come amministratore." \
    "Conservare le impostazioni, i driver scaricati e i backup dei driver?$\r$\n$\r$\nScegliere «No» per rimuovere anche questi." \
    "Disinstalla ${PRODUCT_NAME}" \
    "Cartella conservata (fuori dalla cartella del programma): " \
    "Cartella conservata (contiene file non creati dal programma): " \
    "Le impostazioni, i driver scaricati e i backup dei driver sono stati conservati in: " \
    "Il programma resta installato: impossibile rimuovere questo file: " \
    "Questa cartella non può essere usata per l'installazione. Indicare un percorso completo come C:\Tools\${PRODUCT_NAME}, non la radice di un'unità, di al massimo 200 caratteri:$\r$\n$\r$\n" \
    "È installata una versione più recente di ${PRODUCT_NAME}. Sostituirla con questa versione precedente?" \
    "La copia di ${PRODUCT_NAME} installata in un'altra cartella viene prima rimossa (i dati lì presenti vengono conservati): " \
    "Non è stato installato nulla: impossibile rimuovere la copia in un'altra cartella: "

!insertmacro tdu_strings JAPANESE \
    "デスクトップのショートカット" \
    "${PRODUCT_NAME} が実行中です。終了してから、もう一度お試しください。" \
    "${PRODUCT_NAME} をインストールするには管理者権限が必要です。管理者としてセットアップを実行してください。" \
    "${PRODUCT_NAME} をアンインストールするには管理者権限が必要です。管理者としてアンインストールを実行してください。" \
    "設定、ダウンロードしたドライバー、ドライバーのバックアップを残しますか?$\r$\n$\r$\n一緒に削除する場合は [いいえ] を選択してください。" \
    "${PRODUCT_NAME} のアンインストール" \
    "プログラム フォルダーの外にあるため残したフォルダー: " \
    "プログラムが作成していないファイルがあるため残したフォルダー: " \
    "設定、ダウンロードしたドライバー、ドライバーのバックアップは次の場所に残しました: " \
    "プログラムはインストールされたままです。次のファイルを削除できませんでした: " \
    "このフォルダーにはインストールできません。C:\Tools\${PRODUCT_NAME} のような完全なパス (ドライブのルート以外、200 文字以内) を指定してください:$\r$\n$\r$\n" \
    "より新しいバージョンの ${PRODUCT_NAME} がインストールされています。この古いバージョンで置き換えますか?" \
    "別のフォルダーにインストールされている ${PRODUCT_NAME} を先に削除します (そこにあるデータは残ります): " \
    "何もインストールされませんでした。別のフォルダーのコピーを削除できませんでした: "

!insertmacro tdu_strings SIMPCHINESE \
    "桌面快捷方式" \
    "${PRODUCT_NAME} 正在运行。请关闭后重试。" \
    "安装 ${PRODUCT_NAME} 需要管理员权限。请以管理员身份运行安装程序。" \
    "卸载 ${PRODUCT_NAME} 需要管理员权限。请以管理员身份运行卸载程序。" \
    "是否保留您的设置、已下载的驱动程序和驱动程序备份?$\r$\n$\r$\n选择“否”将一并删除。" \
    "卸载 ${PRODUCT_NAME}" \
    "已保留程序文件夹之外的文件夹: " \
    "已保留含有非本程序创建文件的文件夹: " \
    "您的设置、已下载的驱动程序和驱动程序备份已保留在: " \
    "程序仍保持安装状态: 无法删除此文件: " \
    "此文件夹不能用于安装。请提供完整路径 (如 C:\Tools\${PRODUCT_NAME}), 不能是驱动器根目录, 最多 200 个字符:$\r$\n$\r$\n" \
    "已安装较新版本的 ${PRODUCT_NAME}。是否用此旧版本替换?" \
    "将先删除安装在其他文件夹中的 ${PRODUCT_NAME} (其中的数据将保留): " \
    "未安装任何内容: 无法删除其他文件夹中的副本: "

!insertmacro tdu_strings TRADCHINESE \
    "桌面捷徑" \
    "${PRODUCT_NAME} 正在執行。請將其關閉後再試一次。" \
    "安裝 ${PRODUCT_NAME} 需要系統管理員權限。請以系統管理員身分執行安裝程式。" \
    "解除安裝 ${PRODUCT_NAME} 需要系統管理員權限。請以系統管理員身分執行解除安裝程式。" \
    "是否保留您的設定、已下載的驅動程式和驅動程式備份?$\r$\n$\r$\n選擇「否」將一併移除。" \
    "解除安裝 ${PRODUCT_NAME}" \
    "已保留程式資料夾以外的資料夾: " \
    "已保留含有非本程式建立檔案的資料夾: " \
    "您的設定、已下載的驅動程式和驅動程式備份已保留在: " \
    "程式仍保持安裝狀態: 無法移除此檔案: " \
    "此資料夾無法用於安裝。請提供完整路徑 (例如 C:\Tools\${PRODUCT_NAME}), 不可為磁碟機根目錄, 最多 200 個字元:$\r$\n$\r$\n" \
    "已安裝較新版本的 ${PRODUCT_NAME}。是否以此舊版本取代?" \
    "將先移除安裝在其他資料夾中的 ${PRODUCT_NAME} (其中的資料將保留): " \
    "未安裝任何內容: 無法移除其他資料夾中的複本: "

!insertmacro tdu_strings DUTCH \
    "Snelkoppeling op het bureaublad" \
    "${PRODUCT_NAME} is actief. Sluit het programma en probeer het opnieuw." \
    "Voor de installatie van ${PRODUCT_NAME} zijn beheerdersrechten nodig. Start de installatie als beheerder." \
    "Voor het verwijderen van ${PRODUCT_NAME} zijn beheerdersrechten nodig. Start het verwijderen als beheerder." \
    "Wilt u uw instellingen, gedownloade stuurprogramma's en back-ups van stuurprogramma's bewaren?$\r$\n$\r$\nKies 'Nee' om ze ook te verwijderen." \
    "${PRODUCT_NAME} verwijderen" \
    "Map bewaard (buiten de programmamap): " \
    "Map bewaard (bevat bestanden die niet door het programma zijn gemaakt): " \
    "Uw instellingen, gedownloade stuurprogramma's en back-ups zijn bewaard in: " \
    "Het programma blijft geïnstalleerd: dit bestand kon niet worden verwijderd: " \
    "Deze map kan niet voor de installatie worden gebruikt. Geef een volledig pad zoals C:\Tools\${PRODUCT_NAME}, niet de hoofdmap van een station, van ten hoogste 200 tekens:$\r$\n$\r$\n" \
    "Er is een nieuwere versie van ${PRODUCT_NAME} geïnstalleerd. Wilt u deze vervangen door deze oudere versie?" \
    "De kopie van ${PRODUCT_NAME} in een andere map wordt eerst verwijderd (uw gegevens daar blijven bewaard): " \
    "Er is niets geïnstalleerd: de kopie in een andere map kon niet worden verwijderd: "

!insertmacro tdu_strings PORTUGUESE \
    "Atalho no ambiente de trabalho" \
    "O ${PRODUCT_NAME} está em execução. Feche-o e tente novamente." \
    "São necessários direitos de administrador para instalar o ${PRODUCT_NAME}. Execute a instalação como administrador." \
    "São necessários direitos de administrador para desinstalar o ${PRODUCT_NAME}. Execute a desinstalação como administrador." \
    "Manter as suas definições, os controladores transferidos e as cópias de segurança de controladores?$\r$\n$\r$\nEscolha «Não» para também os remover." \
    "Desinstalar o ${PRODUCT_NAME}" \
    "Pasta mantida (fora da pasta do programa): " \
    "Pasta mantida (contém ficheiros que o programa não criou): " \
    "As suas definições, controladores transferidos e cópias de segurança foram mantidos em: " \
    "O programa continua instalado: não foi possível remover este ficheiro: " \
    "Esta pasta não pode ser usada para a instalação. Indique um caminho completo como C:\Tools\${PRODUCT_NAME}, que não seja a raiz de uma unidade, com 200 caracteres no máximo:$\r$\n$\r$\n" \
    "Está instalada uma versão mais recente do ${PRODUCT_NAME}. Substituí-la por esta versão anterior?" \
    "A cópia do ${PRODUCT_NAME} instalada noutra pasta é removida primeiro (os seus dados nessa pasta são mantidos): " \
    "Nada foi instalado: não foi possível remover a cópia noutra pasta: "

!insertmacro tdu_strings ARABIC \
    "اختصار على سطح المكتب" \
    "برنامج ${PRODUCT_NAME} قيد التشغيل. يرجى إغلاقه والمحاولة مرة أخرى." \
    "يلزم امتلاك صلاحيات المسؤول لتثبيت ${PRODUCT_NAME}. يرجى تشغيل برنامج الإعداد كمسؤول." \
    "يلزم امتلاك صلاحيات المسؤول لإزالة ${PRODUCT_NAME}. يرجى تشغيل برنامج الإزالة كمسؤول." \
    "هل تريد الاحتفاظ بإعداداتك وبرامج التشغيل التي تم تنزيلها والنسخ الاحتياطية لبرامج التشغيل؟$\r$\n$\r$\nاختر «لا» لإزالتها أيضًا." \
    "إزالة ${PRODUCT_NAME}" \
    "تم الاحتفاظ بالمجلد (خارج مجلد البرنامج): " \
    "تم الاحتفاظ بالمجلد (يحتوي على ملفات لم ينشئها البرنامج): " \
    "تم الاحتفاظ بإعداداتك وبرامج التشغيل التي تم تنزيلها والنسخ الاحتياطية في: " \
    "يبقى البرنامج مثبتًا: تعذرت إزالة هذا الملف: " \
    "لا يمكن استخدام هذا المجلد للتثبيت. أدخل مسارًا كاملاً مثل C:\Tools\${PRODUCT_NAME}، وليس جذر محرك أقراص، بحد أقصى 200 حرف:$\r$\n$\r$\n" \
    "تم تثبيت إصدار أحدث من ${PRODUCT_NAME}. هل تريد استبداله بهذا الإصدار الأقدم؟" \
    "ستتم أولاً إزالة نسخة ${PRODUCT_NAME} المثبتة في مجلد آخر (مع الاحتفاظ ببياناتك فيه): " \
    "لم يتم تثبيت أي شيء: تعذرت إزالة النسخة الموجودة في مجلد آخر: "
