; The installer's and the uninstaller's own texts in each language they speak, beside the
; Modern UI's (korvamund.nsi includes this file after its MUI_LANGUAGE lines). Saved as
; UTF-8. $R2 is the file named, $1 what folder_rights.exe names.

; Each language: its name in the Modern UI, its Readme (NAME.txt, and the Start menu entry
; NAME.lnk) and its Start menu entry for the uninstaller. setup copies every Readme
; (FOR_EACH_GAME_FILE) and makes the entries of the language it speaks; the uninstaller
; removes those of every language.
!macro FOR_EACH_LANGUAGE DO
  !insertmacro ${DO} ENGLISH "Readme" "Uninstall ${GAME}"
  !insertmacro ${DO} FRENCH "Lisezmoi" "Désinstaller ${GAME}"
  !insertmacro ${DO} GERMAN "Liesmich" "${GAME} deinstallieren"
  !insertmacro ${DO} ITALIAN "Leggimi" "Disinstalla ${GAME}"
  !insertmacro ${DO} SPANISH "Leeme" "Desinstalar ${GAME}"
!macroend

!macro SHORTCUT_NAMES LANGUAGE README UNINSTALL
  LangString readme_name ${LANG_${LANGUAGE}} "${README}"
  LangString uninstall_shortcut ${LANG_${LANGUAGE}} "${UNINSTALL}"
!macroend
!insertmacro FOR_EACH_LANGUAGE SHORTCUT_NAMES

LangString show_readme ${LANG_ENGLISH} "&Show Readme"
LangString show_readme ${LANG_FRENCH} "Afficher &Lisezmoi"
LangString show_readme ${LANG_GERMAN} "&Liesmich anzeigen"
LangString show_readme ${LANG_ITALIAN} "Visualizza &Leggimi"
LangString show_readme ${LANG_SPANISH} "&Ver Leeme"

LangString desktop_shortcut ${LANG_ENGLISH} "Put a shortcut to ${GAME} on the desktop"
LangString desktop_shortcut ${LANG_FRENCH} "Créer un raccourci sur le bureau"
LangString desktop_shortcut ${LANG_GERMAN} "Verknüpfung auf dem Desktop erstellen"
LangString desktop_shortcut ${LANG_ITALIAN} "Crea un collegamento sul desktop"
LangString desktop_shortcut ${LANG_SPANISH} "Crear un acceso directo en el escritorio"

LangString need_admin ${LANG_ENGLISH} "${GAME} can only be installed or removed with administrator rights."
LangString need_admin ${LANG_FRENCH} "${GAME} ne peut être installé ou désinstallé qu'avec les droits d'administrateur."
LangString need_admin ${LANG_GERMAN} "${GAME} kann nur mit Administratorrechten installiert oder entfernt werden."
LangString need_admin ${LANG_ITALIAN} "${GAME} può essere installato o rimosso solo con i diritti di amministratore."
LangString need_admin ${LANG_SPANISH} "${GAME} solo puede instalarse o desinstalarse con derechos de administrador."

LangString missing_on_cd ${LANG_ENGLISH} "A file of ${GAME} is missing from the CD: $R2"
LangString missing_on_cd ${LANG_FRENCH} "Un fichier de ${GAME} manque sur le CD : $R2"
LangString missing_on_cd ${LANG_GERMAN} "Auf der CD fehlt eine Datei von ${GAME}: $R2"
LangString missing_on_cd ${LANG_ITALIAN} "Sul CD manca un file di ${GAME}: $R2"
LangString missing_on_cd ${LANG_SPANISH} "Falta un archivo de ${GAME} en el CD: $R2"

LangString copying ${LANG_ENGLISH} "Copy $R2 from the CD"
LangString copying ${LANG_FRENCH} "Copie de $R2 depuis le CD"
LangString copying ${LANG_GERMAN} "$R2 wird von der CD kopiert"
LangString copying ${LANG_ITALIAN} "Copia di $R2 dal CD"
LangString copying ${LANG_SPANISH} "Copiando $R2 desde el CD"

LangString copy_failed ${LANG_ENGLISH} "$R2 could not be copied into $INSTDIR."
LangString copy_failed ${LANG_FRENCH} "Impossible de copier $R2 dans $INSTDIR."
LangString copy_failed ${LANG_GERMAN} "$R2 konnte nicht nach $INSTDIR kopiert werden."
LangString copy_failed ${LANG_ITALIAN} "Impossibile copiare $R2 in $INSTDIR."
LangString copy_failed ${LANG_SPANISH} "No se ha podido copiar $R2 en $INSTDIR."

LangString folder_too_long ${LANG_ENGLISH} "The folder name is too long: at most ${INSTALL_DIR_LIMIT} characters."
LangString folder_too_long ${LANG_FRENCH} "Le nom du dossier est trop long : ${INSTALL_DIR_LIMIT} caractères au maximum."
LangString folder_too_long ${LANG_GERMAN} "Der Ordnername ist zu lang: höchstens ${INSTALL_DIR_LIMIT} Zeichen."
LangString folder_too_long ${LANG_ITALIAN} "Il nome della cartella è troppo lungo: al massimo ${INSTALL_DIR_LIMIT} caratteri."
LangString folder_too_long ${LANG_SPANISH} "El nombre de la carpeta es demasiado largo: como máximo ${INSTALL_DIR_LIMIT} caracteres."

LangString folder_foreign ${LANG_ENGLISH} "${GAME} cannot be installed into $INSTDIR: it holds $1, which is not part of ${GAME}. Choose a new or empty folder."
LangString folder_foreign ${LANG_FRENCH} "Impossible d'installer ${GAME} dans $INSTDIR : ce dossier contient $1, qui ne fait pas partie de ${GAME}. Choisissez un dossier nouveau ou vide."
LangString folder_foreign ${LANG_GERMAN} "${GAME} kann nicht in $INSTDIR installiert werden: Der Ordner enthält $1, das nicht zu ${GAME} gehört. Wählen Sie einen neuen oder leeren Ordner."
LangString folder_foreign ${LANG_ITALIAN} "Impossibile installare ${GAME} in $INSTDIR: la cartella contiene $1, che non fa parte di ${GAME}. Scegliere una cartella nuova o vuota."
LangString folder_foreign ${LANG_SPANISH} "No se puede instalar ${GAME} en $INSTDIR: la carpeta contiene $1, que no forma parte de ${GAME}. Elija una carpeta nueva o vacía."

LangString folder_link ${LANG_ENGLISH} "${GAME} cannot be installed into $INSTDIR: $1 is a junction or another link to a different place. Choose a new or empty folder."
LangString folder_link ${LANG_FRENCH} "Impossible d'installer ${GAME} dans $INSTDIR : $1 est une jonction ou un autre lien vers un autre emplacement. Choisissez un dossier nouveau ou vide."
LangString folder_link ${LANG_GERMAN} "${GAME} kann nicht in $INSTDIR installiert werden: $1 ist eine Verzeichnisverbindung oder ein anderer Verweis auf einen anderen Ort. Wählen Sie einen neuen oder leeren Ordner."
LangString folder_link ${LANG_ITALIAN} "Impossibile installare ${GAME} in $INSTDIR: $1 è una giunzione o un altro collegamento a una posizione diversa. Scegliere una cartella nuova o vuota."
LangString folder_link ${LANG_SPANISH} "No se puede instalar ${GAME} en $INSTDIR: $1 es una unión u otro vínculo a una ubicación distinta. Elija una carpeta nueva o vacía."

LangString folder_unreadable ${LANG_ENGLISH} "${GAME} cannot be installed into $INSTDIR: setup cannot look into $1. Choose another folder."
LangString folder_unreadable ${LANG_FRENCH} "Impossible d'installer ${GAME} dans $INSTDIR : le programme d'installation ne peut pas lire le contenu de $1. Choisissez un autre dossier."
LangString folder_unreadable ${LANG_GERMAN} "${GAME} kann nicht in $INSTDIR installiert werden: Das Setup kann den Inhalt von $1 nicht lesen. Wählen Sie einen anderen Ordner."
LangString folder_unreadable ${LANG_ITALIAN} "Impossibile installare ${GAME} in $INSTDIR: il programma di installazione non può leggere il contenuto di $1. Scegliere un'altra cartella."
LangString folder_unreadable ${LANG_SPANISH} "No se puede instalar ${GAME} en $INSTDIR: el programa de instalación no puede leer el contenido de $1. Elija otra carpeta."

LangString rights_not_set ${LANG_ENGLISH} "${GAME} is not installed: the rights of $1 could not be set."
LangString rights_not_set ${LANG_FRENCH} "${GAME} n'a pas été installé : impossible de définir les droits d'accès de $1."
LangString rights_not_set ${LANG_GERMAN} "${GAME} wurde nicht installiert: Die Zugriffsrechte von $1 konnten nicht gesetzt werden."
LangString rights_not_set ${LANG_ITALIAN} "${GAME} non è stato installato: impossibile impostare i diritti di accesso di $1."
LangString rights_not_set ${LANG_SPANISH} "${GAME} no se ha instalado: no se han podido establecer los permisos de $1."

LangString rights_set ${LANG_ENGLISH} "Players may add and replace setting files in $INSTDIR, and only read and run the programs."
LangString rights_set ${LANG_FRENCH} "Les joueurs peuvent ajouter et remplacer des fichiers de réglages dans $INSTDIR, mais seulement lire et lancer les programmes."
LangString rights_set ${LANG_GERMAN} "Spieler dürfen in $INSTDIR Einstellungsdateien hinzufügen und ersetzen, die Programme aber nur lesen und ausführen."
LangString rights_set ${LANG_ITALIAN} "I giocatori possono aggiungere e sostituire i file delle impostazioni in $INSTDIR, ma solo leggere ed eseguire i programmi."
LangString rights_set ${LANG_SPANISH} "Los jugadores pueden añadir y sustituir archivos de configuración en $INSTDIR, pero solo leer y ejecutar los programas."
