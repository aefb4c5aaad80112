; The Korvamund installer and its uninstaller, built by makensis:
;
;   makensis -DOUT_FILE=<folder>/setup.exe -DICON=<startup.ico> -DGAME_SIZE_KB=<n>
;            -DINSTALL_DIR_LIMIT=<n> -DFOLDER_RIGHTS=<folder_rights.exe> korvamund.nsi
;
; (make_setup.sh works out the size of the files setup copies; the build passes the longest
; game folder the menu can use, from the menu's own source.)
; setup.exe lies on the CD beside the programs it installs and copies them from there.
; Switches: /S installs (or, for uninstall.exe, removes) without asking; /D=folder chooses
; the folder and must come last, unquoted even with blanks.
;
; The menu reads exactly two values: "Path" under App Paths\korv.exe (the game folder) and
; "UninstallString" under Uninstall\Korvamund. The other Uninstall values are what Windows
; shows in its list of installed programs.
Unicode true
; A 32-bit installer, as the menu and the programs on the CD are: one disc for 32- and 64-bit
; Windows. On 64-bit Windows it writes its registry keys in the 32-bit view, which the
; 32-bit menu reads, and installs into Program Files (x86).
Target x86-unicode
; The menu starts the installer by the name "setup.exe", which Windows takes for an
; installer and treats as one: it is that.
!pragma warning disable 9000

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh

!define GAME "Korvamund"
!define VERSION "1.0.0"
!define APP_PATHS_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\korv.exe"
!define UNINSTALL_KEY "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\Korvamund"
!ifndef INSTALL_DIR_LIMIT
  !error "INSTALL_DIR_LIMIT: the longest game folder the menu can use, from the build"
!endif
; Exit codes besides NSIS's own (1 cancelled, 2 aborted).
!define EXIT_BAD_FOLDER 3
!define EXIT_NOT_ON_CD 4
!define EXIT_COPY_FAILED 5
!define EXIT_RIGHTS_NOT_SET 6
!define EXIT_NOT_ELEVATED 7

Name "${GAME}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\${GAME}"
; Installing again offers the folder of the installation the menu knows.
InstallDirRegKey HKLM "${APP_PATHS_KEY}" "Path"
BrandingText "${GAME} ${VERSION}"
; The menu starts setup.exe and the uninstaller through WinExec, which cannot start a
; program whose manifest demands elevation. Both therefore start as the caller
; (asInvoker, which also keeps them out of file and registry virtualisation) and ask for
; elevation themselves when they lack it: see elevate.
RequestExecutionLevel user
; Written for Windows 7 to Windows 10 and 11, as the menu is.
ManifestSupportedOS Win7 Win8 Win8.1 Win10

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The Readme of the language setup speaks (the texts are in korvamund_texts.nsh).
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\$(readme_name).txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "$(show_readme)"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
; The finish page's other check box offers a shortcut to the menu on the desktop.
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "$(desktop_shortcut)"
!define MUI_FINISHPAGE_RUN_FUNCTION make_desktop_shortcut
; The progress pages stay when done, showing each step, until the player clicks Next.
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE
ShowInstDetails show
ShowUninstDetails show

!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE leave_folder_page
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
; Setup and the uninstaller speak the system's language where they have it, and English,
; the first, where they cannot tell (see CHOOSE_LANGUAGE). A language chosen by the player
; is remembered with the installation.
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "Installer Language"
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "French"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Italian"
!insertmacro MUI_LANGUAGE "Spanish"
!include /CHARSET=UTF8 "korvamund_texts.nsh"

; What setup copies from the CD, the uninstaller aside. The menu comes too, so that the
; installed game starts without the CD.
!macro FOR_EACH_GAME_FILE DO
  !insertmacro ${DO} "startup.exe"
  !insertmacro ${DO} "korv.exe"
  !insertmacro ${DO} "korv3dfx.exe"
  !insertmacro ${DO} "korvsw.exe"
  !insertmacro ${DO} "korvk6.exe"
  !insertmacro ${DO} "netlaunc.exe"
  !insertmacro ${DO} "mprofile.exe"
  !insertmacro ${DO} "Readme.txt"
  !insertmacro ${DO} "Lisezmoi.txt"
  !insertmacro ${DO} "Liesmich.txt"
  !insertmacro ${DO} "Leggimi.txt"
  !insertmacro ${DO} "Leeme.txt"
!macroend

; Files the menu and the detection program write into the game folder, and the temporaries
; they write each to before it replaces the old file (left only by a crash).
!macro FOR_EACH_WRITTEN_FILE DO
  !insertmacro ${DO} "mdrivers.dat"
  !insertmacro ${DO} "korvexe.dat"
  !insertmacro ${DO} "frontend.dat"
  !insertmacro ${DO} "mdrivers.dat.new"
  !insertmacro ${DO} "korvexe.dat.new"
  !insertmacro ${DO} "frontend.dat.new"
!macroend

; Without administrator rights, starts PROGRAM with PARAMETERS through the shell's "runas"
; verb, which shows the elevation prompt, and ends this copy.
!macro ELEVATE PROGRAM PARAMETERS
  System::Call 'shell32::IsUserAnAdmin() i .r0'
  ${If} $0 = 0
    ClearErrors
    ExecShell "runas" "${PROGRAM}" "${PARAMETERS}"
    ${If} ${Errors}
      MessageBox MB_ICONSTOP "$(need_admin)" /SD IDOK
      SetErrorLevel ${EXIT_NOT_ELEVATED}
    ${EndIf}
    Quit
  ${EndIf}
!macroend

; Windows picks setup's language by the system's display language; when that is none of
; setup's languages, the player chooses one (UNGET: the uninstaller takes the one remembered
; first). Silent runs are not asked.
!macro CHOOSE_LANGUAGE UNGET
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
  IntOp $0 $0 & 0x3FF  ; the primary language
  IntOp $1 $LANGUAGE & 0x3FF
  ${If} $0 <> $1
    !if "${UNGET}" == "yes"
      !insertmacro MUI_UNGETLANGUAGE
    !else
      !insertmacro MUI_LANGDLL_DISPLAY
    !endif
  ${EndIf}
!macroend

; The Start menu entries, for every user of the machine: the menu (started in the game
; folder), the Readme and the uninstaller; and the desktop shortcut the finish page offers.
!define START_MENU "$SMPROGRAMS\${GAME}"
!define MENU_SHORTCUT "${GAME}.lnk"
!define README_SHORTCUT "$(readme_name).lnk"
!define UNINSTALL_SHORTCUT "$(uninstall_shortcut).lnk"

; A running menu repaints, and so shows at once whether the game is installed.
!macro REFRESH_MENU
  FindWindow $0 "Korvamund Startup" "Korvamund Startup"
  ${If} $0 <> 0
    System::Call 'user32::RedrawWindow(p r0, p 0, p 0, i 0x85)'  ; RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN
  ${EndIf}
!macroend

; ---- setup.exe ----------------------------------------------------------------------

!macro REQUIRE_ON_CD NAME
  ${IfNot} ${FileExists} "$EXEDIR\${NAME}"
    StrCpy $R2 "${NAME}"
    MessageBox MB_ICONSTOP "$(missing_on_cd)" /SD IDOK
    SetErrorLevel ${EXIT_NOT_ON_CD}
    Abort
  ${EndIf}
!macroend

; Files on a CD are read-only, and so would be their copies; an earlier installation's
; copy is made writable first so that it can be replaced.
!macro COPY_FROM_CD NAME
  SetFileAttributes "$INSTDIR\${NAME}" NORMAL
  ClearErrors
  SetDetailsPrint none
  CopyFiles /SILENT "$EXEDIR\${NAME}" "$INSTDIR"
  SetDetailsPrint both
  StrCpy $R2 "${NAME}"
  DetailPrint "$(copying)"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$(copy_failed)" /SD IDOK
    SetErrorLevel ${EXIT_COPY_FAILED}
    Abort
  ${EndIf}
  SetFileAttributes "$INSTDIR\${NAME}" NORMAL
!macroend

; The game folder's rights and the check of a chosen folder are set by folder_rights.exe,
; which setup carries and unpacks for its own use. It leaves its exit code in $0 and what it
; names (a refused entry, or a path it could not give its rights) in $1.
!macro FOLDER_RIGHTS ARGUMENTS
  nsExec::ExecToStack '"$PLUGINSDIR\folder_rights.exe" ${ARGUMENTS}'
  Pop $0
  Pop $1
!macroend

!macro APPEND_QUOTED NAME
  StrCpy $R0 '$R0 "${NAME}"'
!macroend

Function .onInit
  ${If} ${Silent}
    StrCpy $1 "/S /D=$INSTDIR"
  ${Else}
    StrCpy $1 "/D=$INSTDIR"
  ${EndIf}
  !insertmacro ELEVATE "$EXEPATH" $1
  !insertmacro CHOOSE_LANGUAGE no
  !insertmacro FOR_EACH_GAME_FILE REQUIRE_ON_CD
  InitPluginsDir
  File "/oname=$PLUGINSDIR\folder_rights.exe" "${FOLDER_RIGHTS}"
  ; The folder page checks a chosen folder; a folder given with /S /D= is checked here.
  ${If} ${Silent}
    Call check_install_dir
    ${If} ${Errors}
      SetErrorLevel ${EXIT_BAD_FOLDER}
      Abort
    ${EndIf}
  ${EndIf}
FunctionEnd

Function leave_folder_page
  Call check_install_dir
  ${If} ${Errors}
    Abort
  ${EndIf}
FunctionEnd

; Tells the player and sets the error flag unless $INSTDIR is a folder setup may use: the
; menu can use at most INSTALL_DIR_LIMIT characters, and the folder is new, empty, or holds
; only the files setup and the menu write (a repair), and is no junction or other link:
; setup gives the folder and all it holds rights that other players must not have chosen.
Function check_install_dir
  StrLen $0 $INSTDIR
  ${If} $0 > ${INSTALL_DIR_LIMIT}
    MessageBox MB_ICONSTOP "$(folder_too_long)" /SD IDOK
    SetErrors
    Return
  ${EndIf}
  StrCpy $R0 ""
  !insertmacro FOR_EACH_GAME_FILE APPEND_QUOTED
  !insertmacro FOR_EACH_WRITTEN_FILE APPEND_QUOTED
  !insertmacro APPEND_QUOTED "uninstall.exe"
  !insertmacro FOLDER_RIGHTS 'check "$INSTDIR"$R0'
  ; The verdicts of folder_rights check (folder_verdict in folder_rights.h).
  ClearErrors
  ${If} $0 = 3
    MessageBox MB_ICONSTOP "$(folder_foreign)" /SD IDOK
    SetErrors
  ${ElseIf} $0 = 4
    MessageBox MB_ICONSTOP "$(folder_link)" /SD IDOK
    SetErrors
  ${ElseIf} $0 <> 0
    MessageBox MB_ICONSTOP "$(folder_unreadable)" /SD IDOK
    SetErrors
  ${EndIf}
FunctionEnd

Function make_desktop_shortcut
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateShortCut "$DESKTOP\${MENU_SHORTCUT}" "$INSTDIR\startup.exe"
FunctionEnd

; After folder_rights lock or protect: a failure stops the installation.
Function stop_unless_rights_set
  ${If} $0 <> 0
    MessageBox MB_ICONSTOP "$(rights_not_set)" /SD IDOK
    SetErrorLevel ${EXIT_RIGHTS_NOT_SET}
    Abort
  ${EndIf}
FunctionEnd

Section
  AddSize ${GAME_SIZE_KB}
  SetOutPath "$INSTDIR"
  ; While the files are copied, players may only read the folder; then each program gets
  ; rights that let players only read and run it, and the folder the rights that let them
  ; add and replace setting files.
  !insertmacro FOLDER_RIGHTS 'lock "$INSTDIR"'
  Call stop_unless_rights_set
  !insertmacro FOR_EACH_GAME_FILE COPY_FROM_CD
  WriteUninstaller "$INSTDIR\uninstall.exe"
  StrCpy $R0 ""
  !insertmacro FOR_EACH_GAME_FILE APPEND_QUOTED
  !insertmacro APPEND_QUOTED "uninstall.exe"
  !insertmacro FOLDER_RIGHTS 'protect "$INSTDIR"$R0'
  Call stop_unless_rights_set
  DetailPrint "$(rights_set)"

  SetShellVarContext all
  CreateDirectory "${START_MENU}"
  ; A shortcut starts its program in the output folder of its making: the game folder.
  CreateShortCut "${START_MENU}\${MENU_SHORTCUT}" "$INSTDIR\startup.exe"
  CreateShortCut "${START_MENU}\${README_SHORTCUT}" "$INSTDIR\$(readme_name).txt"
  CreateShortCut "${START_MENU}\${UNINSTALL_SHORTCUT}" "$INSTDIR\uninstall.exe"

  WriteRegStr HKLM "${APP_PATHS_KEY}" "" "$INSTDIR\korv.exe"
  WriteRegStr HKLM "${APP_PATHS_KEY}" "Path" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${GAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\korv.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${GAME}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  ${GetSize} "$INSTDIR" "/S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  !insertmacro REFRESH_MENU
SectionEnd

; ---- uninstall.exe ------------------------------------------------------------------
; NSIS runs the uninstaller from a copy in %TEMP%, so that it can delete its own file.
; $INSTDIR is the folder that uninstall.exe lies in.

; The Start menu entries of the Readme and the uninstaller, as setup named them in any of its
; languages.
!macro DELETE_SHORTCUTS LANGUAGE README UNINSTALL
  Delete "${START_MENU}\${README}.lnk"
  Delete "${START_MENU}\${UNINSTALL}.lnk"
!macroend

!macro DELETE_FROM_GAME_FOLDER NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; Deletes a file of the game folder that a program may still hold: the uninstall.exe that
; started this copy while it ends, or the installed menu while it runs. Tried for up to 30 s.
Function un.delete_when_free
  Pop $R1
  ${For} $R0 1 300
    ClearErrors
    Delete "$INSTDIR\$R1"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    Sleep 100
  ${Next}
FunctionEnd

Function un.onInit
  ${If} ${Silent}
    StrCpy $1 "/S"
  ${Else}
    StrCpy $1 ""
  ${EndIf}
  ; The elevated copy is started from the game folder, as the menu starts it.
  !insertmacro ELEVATE "$INSTDIR\uninstall.exe" $1
  !insertmacro CHOOSE_LANGUAGE yes
FunctionEnd

Section "Uninstall"
  ; The keys go first, and only while they name this folder: a later installation
  ; elsewhere keeps its registration. (NSIS compares without regard to letter case.)
  ; So do the Start menu entries and the desktop shortcut.
  ReadRegStr $0 HKLM "${APP_PATHS_KEY}" "Path"
  ${If} $0 == $INSTDIR
    DeleteRegKey HKLM "${APP_PATHS_KEY}"
    SetShellVarContext all
    Delete "${START_MENU}\${MENU_SHORTCUT}"
    !insertmacro FOR_EACH_LANGUAGE DELETE_SHORTCUTS
    RMDir "${START_MENU}"
    Delete "$DESKTOP\${MENU_SHORTCUT}"
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  ${If} $0 == '"$INSTDIR\uninstall.exe"'
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
  !insertmacro FOR_EACH_GAME_FILE DELETE_FROM_GAME_FOLDER
  !insertmacro FOR_EACH_WRITTEN_FILE DELETE_FROM_GAME_FOLDER
  ; A running program's file cannot be deleted. When the menu's file stayed, the installed
  ; menu runs (only one menu runs at a time): it is ended as Exit ends it.
  ${If} ${FileExists} "$INSTDIR\startup.exe"
    FindWindow $0 "Korvamund Startup" "Korvamund Startup"
    ${If} $0 <> 0
      SendMessage $0 ${WM_COMMAND} 8005 0 /TIMEOUT=5000
    ${EndIf}
    Push "startup.exe"
    Call un.delete_when_free
  ${EndIf}
  Push "uninstall.exe"
  Call un.delete_when_free
  ; Only when empty: files of the player's own stay, and with them the folder.
  RMDir "$INSTDIR"
  !insertmacro REFRESH_MENU
SectionEnd
