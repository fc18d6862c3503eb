; The Windows installer of ポモのロビナ, built by tools/dist/dist.py with makensis (Unicode). It installs
; the program, the sample games and readme.txt, a Start-menu folder, an optional desktop shortcut,
; the game-file association and the entry in the list of installed programs.
;
; A player installs for themselves, with no administrator rights, into a folder they can write (adding a
; game file is the one thing a player does there); /ALLUSERS, or the option on the components page,
; installs for every user into Program Files. An upgrade goes where the program already is, in the
; scope it has there, unless /D= names another folder.
;
; The installer writes only into an empty folder or one of its own: a folder that holds other files
; gets a folder of the program's own inside it. One function (SettleFolder) decides the folder for /D=,
; the folder page, the default and an upgrade; the question on the folder page and the uninstall entry
; name what it decided. It records what it installed in install.log (hash, size, name); the
; uninstaller removes exactly those files, and only while they are unchanged; what it leaves it names
; in a new install.log, so that the folder stays the program's own. An installer's file whose bytes
; the player changed (install.log tells) is never replaced: it stays, and the installer says so.
; Files are written aside first and put in place only when every one is written: a failed write
; removes everything the run wrote. The free space is checked before anything is written. An upgrade
; into another folder carries the player's game files along and removes the old copy's own files.
; Neither runs while the program does.
;
; Silent: setup.exe /S [/ALLUSERS] [/D=FOLDER]; uninstall.exe /S [/PURGE] (/PURGE also removes the
; records). Exit statuses besides NSIS's own (1 cancelled, 2 aborted): EXIT_RUNNING ... EXIT_ARGUMENT
; below.
;
; Given on the command line: VERSION (1.04), VERSION_QUAD (1.0.4.0), STAGE (the staged files),
; OUTFILE, and SIGN (a command that signs a file in place) when the result is to be signed.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestSupportedOS all

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh
!include StrFunc.nsh
!include TextFunc.nsh
!include "${STAGE}/installed.nsh"
${UnStrStr}

!define PRODUCT "ポモのロビナ"
!define PUBLISHER "Mossleaf"
!define PROGRAM "Robina.exe"
!define UNINSTALLER "uninstall.exe"
!define LOG_FILE "install.log"
!define LOG_MARKER "Robina install log 1"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mossleaf Robina"
!define RECORDS_KEY "Software\Mossleaf\${PRODUCT}"
!define IDENTITY_FILE "$SYSDIR\wtconf.ini"
!define CLASS_KEY "Software\Classes\PomoRobina.vyg"
!define EXTENSION_KEY "Software\Classes\.vyg"
!define DEFAULT_FOLDER "Mossleaf\Robina"
!define OWN_FOLDER "Robina"         ; made inside a chosen folder that holds other files
!define INSTANCE_NAME "${PRODUCT}"  ; the program's single-instance mutex and its window class
!define EXIT_RUNNING 3              ; the program runs, and was not closed
!define EXIT_FOLDER 4               ; neither the folder nor a folder of the program's own in it is free
!define EXIT_RIGHTS 5               ; an install for every user without administrator rights
!define EXIT_SPACE 6                ; not enough free space: nothing was written
!define EXIT_KEPT 7                 ; installed, but files the player changed or owns were left as they
                                    ; were (the installer's message names them)
!define EXIT_WRITE 8                ; a write failed: every file this run wrote was removed again
!define EXIT_ARGUMENT 9             ; uninstaller: an _?= it cannot use
!define ASIDE "~robina-setup.tmp"   ; the folder inside the install folder that takes the files first
!define SPACE_MARGIN_KB 512         ; the uninstaller and the log, besides the files

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show
!ifdef SIGN
  !finalize '${SIGN} "%1"'
  !uninstfinalize '${SIGN} "%1"'
!endif

Var AllUsers      ; 1: this install is for every user
Var Existing      ; the folder of the install already there, or ""
Var ExistingVersion ; its version
Var Named         ; 1: /D= named the folder
Var Target        ; the folder the files go into, as SettleFolder decided
Var Made          ; the outermost folder this run made, or ""
Var NeededKB      ; the files, the uninstaller and the log
Var Greeting      ; the welcome page's text
Var OwnsEntry     ; uninstaller: 1 when the uninstall entry names this folder
Var Kept          ; the files left because the player changed or owns them, one a line
Var KeptLines     ; uninstaller: their lines of install.log

!define MUI_ICON "${STAGE}/robina.ico"
!define MUI_UNICON "${STAGE}/robina.ico"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${STAGE}/wizard.bmp"
!define MUI_CUSTOMFUNCTION_GUIINIT FitButtons
!define MUI_CUSTOMFUNCTION_UNGUIINIT un.FitButtons
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\readme.txt"
!define MUI_WELCOMEPAGE_TEXT "$Greeting$(MUI_TEXT_WELCOME_INFO_TEXT)"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE ComponentsLeave
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_SHOW DirectoryShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"
SpaceTexts none  ; the folder page shows the space of the folder SettleFolder decides (CheckSpace)

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileDescription" "${PRODUCT} セットアップ"
VIAddVersionKey /LANG=${LANG_JAPANESE} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_JAPANESE} "LegalCopyright" "(C) ${PUBLISHER}"

; Replacing or removing a running program's files would leave it half replaced: ask the player to
; close it; a silent run changes nothing and ends with its own status. The mutex is the program's own
; sign; the window class also catches a program that is still starting or ending.
!macro RefuseWhileRunning UN
Function ${UN}RefuseWhileRunning
  ${Do}
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_NAME}") p .r0'
    ${If} $0 P<> 0
      System::Call 'kernel32::CloseHandle(p r0)'
    ${Else}
      FindWindow $0 "${INSTANCE_NAME}"
      ${If} $0 = 0
        Return
      ${EndIf}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT}（${PROGRAM}）が起動しています。$\r$\nプログラムを終了してから「再試行」を押してください。" \
      /SD IDCANCEL IDRETRY again
    SetErrorLevel ${EXIT_RUNNING}
    Quit
    again:
  ${Loop}
FunctionEnd
!macroend
!insertmacro RefuseWhileRunning ""
!insertmacro RefuseWhileRunning "un."

; Every user's install needs the rights to write Program Files and the machine's part of the registry.
!macro RefuseWithoutRights UN
Function ${UN}RefuseWithoutRights
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_OK|MB_ICONSTOP \
      "すべてのユーザー用のインストールには管理者の権限が必要です。$\r$\nセットアップを「管理者として実行」してください。" /SD IDOK
    SetErrorLevel ${EXIT_RIGHTS}
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro RefuseWithoutRights ""
!insertmacro RefuseWithoutRights "un."

; Pushes "HASH SIZE" of the file named on the stack, as the install log has them (SHA-256 in lower-case
; hex, the size in ten digits), or "" when it cannot be read.
!macro FileDigest UN
Function ${UN}FileDigest
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  Push $5
  Push $6
  Push $7
  StrCpy $7 ""
  System::Call 'advapi32::CryptAcquireContextW(*p .r1, p 0, p 0, i 24, i 0xF0000000) i .r2'
  ClearErrors
  FileOpen $3 $0 r
  ${If} $2 <> 0
  ${AndIfNot} ${Errors}
    System::Call 'advapi32::CryptCreateHash(p r1, i 0x800C, p 0, i 0, *p .r4)'
    System::Alloc 65536
    Pop $5
    StrCpy $6 0
    ${Do}
      System::Call 'kernel32::ReadFile(p r3, p r5, i 65536, *i .r0, p 0) i .r2'
      ${If} $2 = 0
      ${OrIf} $0 = 0
        ${ExitDo}
      ${EndIf}
      System::Call 'advapi32::CryptHashData(p r4, p r5, i r0, i 0)'
      IntOp $6 $6 + $0
    ${Loop}
    System::Call 'advapi32::CryptGetHashParam(p r4, i 2, p r5, *i 32, i 0) i .r2'
    ${If} $2 <> 0
      ${For} $2 0 31
        IntOp $0 $5 + $2
        System::Call '*$0(&i1 .r0)'
        IntOp $0 $0 & 0xFF
        IntFmt $0 "%02x" $0
        StrCpy $7 "$7$0"
      ${Next}
      IntFmt $6 "%010u" $6
      StrCpy $7 "$7 $6"
    ${EndIf}
    System::Free $5
    System::Call 'advapi32::CryptDestroyHash(p r4)'
  ${EndIf}
  FileClose $3
  System::Call 'advapi32::CryptReleaseContext(p r1, i 0)'
  StrCpy $0 $7
  Pop $7
  Pop $6
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd
!macroend
!insertmacro FileDigest ""
!insertmacro FileDigest "un."

; The buttons at the foot take every text they show on any page, in the dialog's font at the screen's
; size of it: as wide as the widest text and one line's height more, right-aligned as before.
!macro WidenFor TEXT
  StrCpy $1 "${TEXT}"
  System::Call '*$R6(i 0, i 0, i 0, i 0)'
  System::Call 'user32::DrawTextW(p R3, w r1, i -1, p R6, i 0x420)'  ; DT_CALCRECT|DT_SINGLELINE
  System::Call '*$R6(i, i, i .r1, i .r2)'
  IntOp $1 $1 + $2
  ${IfThen} $1 > $R5 ${|} StrCpy $R5 $1 ${|}
!macroend
!macro FitButtons UN
; Button $0 at its width or $R5, whichever is larger, with the gap it had to the button placed before
; it (whose old left edge is $R7 and new one $R8; $R7 is "" for the first).
Function ${UN}PlaceButton
  GetDlgItem $1 $HWNDPARENT $0
  System::Call 'user32::GetWindowRect(p r1, p R6)'
  System::Call 'user32::MapWindowPoints(p 0, p $HWNDPARENT, p R6, i 2)'
  System::Call '*$R6(i .r2, i .r3, i .r4, i .r5)'
  IntOp $6 $4 - $2
  ${IfThen} $R5 > $6 ${|} StrCpy $6 $R5 ${|}
  ${If} $R7 != ""
    IntOp $7 $R7 - $4
    IntOp $4 $R8 - $7
  ${EndIf}
  StrCpy $R7 $2
  IntOp $R8 $4 - $6
  IntOp $5 $5 - $3
  System::Call 'user32::SetWindowPos(p r1, p 0, i R8, i r3, i r6, i r5, i 0x14)'  ; no z-order, no activation
FunctionEnd

Function ${UN}FitButtons
  GetDlgItem $R1 $HWNDPARENT 1
  SendMessage $R1 ${WM_GETFONT} 0 0 $R2
  System::Call 'user32::GetDC(p R1) p .R3'
  System::Call 'gdi32::SelectObject(p R3, p R2) p .R4'
  System::Call '*(i, i, i, i) p .R6'
  StrCpy $R5 0
  !insertmacro WidenFor "$(^BackBtn)"
  !insertmacro WidenFor "$(^NextBtn)"
  !insertmacro WidenFor "$(^InstallBtn)"
  !insertmacro WidenFor "$(^UninstallBtn)"
  !insertmacro WidenFor "$(^CancelBtn)"
  !insertmacro WidenFor "$(^CloseBtn)"
  !insertmacro WidenFor "$(MUI_BUTTONTEXT_FINISH)"
  System::Call 'gdi32::SelectObject(p R3, p R4)'
  System::Call 'user32::ReleaseDC(p R1, p R3)'
  StrCpy $R7 ""
  StrCpy $0 2  ; Cancel, then Next, then Back, from the right
  Call ${UN}PlaceButton
  StrCpy $0 1
  Call ${UN}PlaceButton
  StrCpy $0 3
  Call ${UN}PlaceButton
  System::Free $R6
FunctionEnd
!macroend
!insertmacro FitButtons ""
!insertmacro FitButtons "un."

Function ApplyScope
  ${If} $AllUsers = 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

Function DefaultFolder
  ${If} $AllUsers = 1
    StrCpy $INSTDIR "$PROGRAMFILES\${DEFAULT_FOLDER}"
  ${Else}
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${DEFAULT_FOLDER}"
  ${EndIf}
FunctionEnd

; The install already there: the current user's own first, then every user's.
Function FindExisting
  ReadRegStr $Existing HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $Existing != ""
    StrCpy $AllUsers 0
    ReadRegStr $ExistingVersion HKCU "${UNINSTALL_KEY}" "DisplayVersion"
    Return
  ${EndIf}
  ReadRegStr $Existing HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $Existing != ""
    StrCpy $AllUsers 1
    ReadRegStr $ExistingVersion HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${EndIf}
FunctionEnd

; Pushes 1 for a name an install of this program leaves in its folder besides its logged files: a
; game file, the program's debug log and its marker (and the folder's own "." and "..").
Function IsLeftByProgram
  Exch $0
  Push $1
  StrCpy $1 $0 "" -4
  ${If} $1 == ".vyg"
  ${OrIf} $0 == "."
  ${OrIf} $0 == ".."
  ${OrIf} $0 == "debug.log"
  ${OrIf} $0 == "debughqx.bin"
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; Pushes 1 when the folder on the stack may take the files: it does not exist, or it is the program's
; own: the folder of the install already there, one with this program's install log (an install, or
; what an uninstall left), or one that holds nothing but what IsLeftByProgram names. Else 0.
Function IsFree
  Exch $0
  Push $1
  Push $2
  Push $3
  StrCpy $3 1
  ${If} $0 == $Existing
  ${ElseIf} ${FileExists} "$0\*.*"
    StrCpy $2 ""
    ClearErrors
    FileOpen $1 "$0\${LOG_FILE}" r
    ${IfNot} ${Errors}
      FileRead $1 $2
      FileClose $1
    ${EndIf}
    ${If} $2 != "${LOG_MARKER}$\r$\n"
      FindFirst $1 $2 "$0\*"
      ${DoWhile} $2 != ""
        Push $2
        Call IsLeftByProgram
        Pop $3
        ${IfThen} $3 = 0 ${|} ${ExitDo} ${|}
        FindNext $1 $2
      ${Loop}
      FindClose $1
    ${EndIf}
  ${ElseIf} ${FileExists} "$0"
    StrCpy $3 0  ; a file of that name
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; $Target: $INSTDIR when it is free, else the program's own folder inside it; $0 is 0 when neither is.
Function SettleFolder
  StrCpy $Target $INSTDIR
  Push $Target
  Call IsFree
  Pop $0
  ${If} $0 = 1
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*.*"
    Push "$INSTDIR\${OWN_FOLDER}"
    Call IsFree
    Pop $0
    ${If} $0 = 1
      StrCpy $Target "$INSTDIR\${OWN_FOLDER}"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Pushes the free space, in KB, of the drive of the folder on the stack (its nearest existing
; folder), or -1 when it cannot be told.
Function FreeKB
  Exch $0
  Push $1
  ${DoUntil} ${FileExists} "$0\*.*"
    ${GetParent} $0 $1
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}
    StrCpy $0 $1
  ${Loop}
  StrCpy $0 "$0\"
  System::Call 'kernel32::GetDiskFreeSpaceExW(w r0, *l .r1, p 0, p 0) i .r0'
  ${If} $0 = 0
    StrCpy $0 -1
  ${Else}
    System::Int64Op $1 / 1024
    Pop $0
    System::Int64Op $0 > 0x7FFFFFFF  ; more than IntOp counts is plenty
    Pop $1
    ${IfThen} $1 = 1 ${|} StrCpy $0 0x7FFFFFFF ${|}
  ${EndIf}
  Pop $1
  Exch $0
FunctionEnd

; $4.$5: KB in megabytes with one decimal.
!macro MegabytesOf KB
  IntOp $4 ${KB} / 1024
  IntOp $5 ${KB} % 1024
  IntOp $5 $5 * 10
  IntOp $5 $5 / 1024
!macroend

; $0: 1 when the drive of $Target has room for the files, else 0, with $1 saying so in one line
; and $2 the space needed and free.
Function CheckSpace
  Push $Target
  Call FreeKB
  Pop $3
  !insertmacro MegabytesOf $NeededKB
  StrCpy $2 "必要なディスク容量: $4.$5 MB"
  StrCpy $1 ""
  StrCpy $0 1
  ${If} $3 >= 0
    !insertmacro MegabytesOf $3
    StrCpy $2 "$2　空き: $4.$5 MB"
    ${If} $3 < $NeededKB
      StrCpy $0 0
      StrCpy $1 "空き容量が足りないため、このドライブにはインストールできません。"
    ${EndIf}
  ${EndIf}
FunctionEnd

; Pushes the "HASH SIZE" that the log named first on the stack gives the file named second, or "".
Function LoggedDigest
  Exch $0  ; the name
  Exch
  Exch $1  ; the log
  Push $2
  Push $3
  StrCpy $3 ""
  ClearErrors
  FileOpen $1 $1 r
  ${IfNot} ${Errors}
    FileRead $1 $2
    ${If} $2 == "${LOG_MARKER}$\r$\n"
      ${Do}
        ClearErrors
        FileRead $1 $2
        ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
        ${TrimNewLines} $2 $2
        StrCpy $3 $2 "" 76
        ${If} $3 == $0
          StrCpy $3 $2 75
          ${ExitDo}
        ${EndIf}
        StrCpy $3 ""
      ${Loop}
    ${EndIf}
    FileClose $1
  ${EndIf}
  StrCpy $0 $3
  Pop $3
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; Notes in $Made the outermost of the folders of $Target that are still to be made, and makes them.
Function MakeFolder
  StrCpy $Made ""
  StrCpy $0 $Target
  ${DoUntil} ${FileExists} "$0\*.*"
    ${GetParent} $0 $1
    ${IfThen} $1 == "" ${|} ${ExitDo} ${|}  ; never a drive
    StrCpy $Made $0
    StrCpy $0 $1
  ${Loop}
  CreateDirectory $Target
FunctionEnd

; Puts the file written aside in its place unless a file of its name is there that this program did
; not put there as it is now (the player's, or one the player changed): that one stays, in $Kept.
; $R4: the name, $R3: its "HASH SIZE".
Function PlaceFile
  ${If} ${FileExists} "$INSTDIR\$R4"
    Push "$INSTDIR\$R4"
    Call FileDigest
    Pop $R5
    Push "$INSTDIR\${LOG_FILE}"
    Push $R4
    Call LoggedDigest
    Pop $R6
    ${If} $R5 != $R3  ; not the new file already
      ${If} $R6 == ""
      ${OrIf} $R5 != $R6  ; nor the old install's file as it was installed
        Delete "$INSTDIR\${ASIDE}\$R4"
        StrCpy $Kept "$Kept$\r$\n    $R4"
        DetailPrint "変更されていたため置き換えずに残しました: $R4"
        Return
      ${EndIf}
    ${EndIf}
    Delete "$INSTDIR\$R4"
  ${EndIf}
  Rename "$INSTDIR\${ASIDE}\$R4" "$INSTDIR\$R4"
FunctionEnd

; Every file written aside, then each put in place (PlaceFile), the log and the uninstaller last.
Function PlaceFiles
  StrCpy $Kept ""
  FileOpen $R1 "$INSTDIR\${ASIDE}\${LOG_FILE}" r
  FileRead $R1 $R2
  ${Do}
    ClearErrors
    FileRead $R1 $R2
    ${IfThen} ${Errors} ${|} ${ExitDo} ${|}
    ${TrimNewLines} $R2 $R2
    StrCpy $R3 $R2 75
    StrCpy $R4 $R2 "" 76
    Call PlaceFile
  ${Loop}
  FileClose $R1
  ; In a folder of its own, a log and an uninstaller there are an earlier install's.
  Delete "$INSTDIR\${LOG_FILE}"
  Rename "$INSTDIR\${ASIDE}\${LOG_FILE}" "$INSTDIR\${LOG_FILE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  Rename "$INSTDIR\${ASIDE}\${UNINSTALLER}" "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR\${ASIDE}"
FunctionEnd

; An upgrade into another folder: the old copy's files that are as installed go, its log and
; uninstaller too; the player's game files come along (unless the new folder has one of the name);
; whatever stays is named in $Kept, and the old folder goes when it is empty.
Function CarryOld
  ${If} $Existing == ""
  ${OrIf} $Existing == $INSTDIR
    Return
  ${EndIf}
  FindFirst $R1 $R2 "$Existing\*"
  ${DoWhile} $R2 != ""
    ${If} $R2 != "."
    ${AndIf} $R2 != ".."
    ${AndIf} $R2 != "${LOG_FILE}"
    ${AndIf} $R2 != "${UNINSTALLER}"
      Push "$Existing\${LOG_FILE}"
      Push $R2
      Call LoggedDigest
      Pop $R3
      Push "$Existing\$R2"
      Call FileDigest
      Pop $R4
      StrCpy $R5 $R2 "" -4
      ${If} $R3 != ""
      ${AndIf} $R3 == $R4
        Delete "$Existing\$R2"
      ${ElseIf} $R3 == ""
      ${AndIf} $R5 == ".vyg"
      ${AndIfNot} ${FileExists} "$INSTDIR\$R2"
        Rename "$Existing\$R2" "$INSTDIR\$R2"
        DetailPrint "ゲームファイルを移しました: $R2"
      ${EndIf}
      ${If} ${FileExists} "$Existing\$R2"
        StrCpy $Kept "$Kept$\r$\n    $Existing\$R2"
      ${EndIf}
    ${EndIf}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
  Delete "$Existing\${LOG_FILE}"
  Delete "$Existing\${UNINSTALLER}"
  RMDir "$Existing"
  ${If} ${FileExists} "$Existing\*.*"
    ; What is left stays the program's own folder for a later install.
    FileOpen $R1 "$Existing\${LOG_FILE}" w
    FileWrite $R1 "${LOG_MARKER}$\r$\n"
    FileClose $R1
  ${EndIf}
FunctionEnd

; The files that stayed as the player had them: a message on the pages, a status when silent.
Function ReportKept
  ${If} $Kept != ""
    MessageBox MB_OK|MB_ICONINFORMATION \
      "次のファイルはあなたが変更したか、あなたのファイルのため、置き換えずにそのまま残しました。$Kept" /SD IDOK
    SetErrorLevel ${EXIT_KEPT}
  ${EndIf}
FunctionEnd

; The player's games folder lies in each player's own Documents, which an install for every user
; cannot know: the Start-menu entry asks the program to open it (making it when it is missing).
!define GAMES_FOLDER_LINK "ゲームフォルダ.lnk"
!macro GamesFolderShortcut
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${GAMES_FOLDER_LINK}" "$INSTDIR\${PROGRAM}" "/folder" \
    "$INSTDIR\${PROGRAM}" 1 SW_SHOWNORMAL "" "ゲームファイル(.vyg)を入れる、あなたのゲームフォルダを開きます"
!macroend

Section "${PRODUCT}（本体とゲーム）" SectionProgram
  SectionIn RO
  Call RefuseWhileRunning
  StrCpy $INSTDIR $Target
  Call MakeFolder
  ClearErrors
  SetOutPath "$INSTDIR\${ASIDE}"
  !insertmacro InstallFiles
  FileOpen $0 "$INSTDIR\${ASIDE}\${LOG_FILE}" w
  FileWrite $0 "${LOG_MARKER}$\r$\n"
  !insertmacro WriteInstallLog $0
  FileClose $0
  WriteUninstaller "$INSTDIR\${ASIDE}\${UNINSTALLER}"
  ${If} ${Errors}
    Abort
  ${EndIf}
  SetOutPath "$INSTDIR"
  Call PlaceFiles
  Call CarryOld

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}のアンインストール.lnk" "$INSTDIR\${UNINSTALLER}"
  !insertmacro GamesFolderShortcut

  ; The same four entries the program writes at every start (quoted paths), in this install's scope.
  WriteRegStr SHCTX "${CLASS_KEY}" "" "ロビナ旅先ファイル"
  WriteRegStr SHCTX "${CLASS_KEY}\DefaultIcon" "" "$INSTDIR\${PROGRAM},1"
  WriteRegStr SHCTX "${CLASS_KEY}\shell\open\command" "" '"$INSTDIR\${PROGRAM}" "%1"'
  WriteRegStr SHCTX "${EXTENSION_KEY}" "" "PomoRobina.vyg"

  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
  Call ReportKept
SectionEnd

Section "デスクトップにショートカットを作る" SectionDesktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"
SectionEnd

; Chosen on this page or by /ALLUSERS; .onInit and ComponentsLeave act on it.
Section /o "すべてのユーザー用にインストールする（管理者）" SectionAllUsers
SectionEnd

; A write that failed (a full drive, a file that cannot be made): nothing this run wrote stays.
Function .onInstFailed
  SetOutPath $TEMP
  ${If} $Made != ""
    RMDir /r $Made
  ${Else}
    RMDir /r "$INSTDIR\${ASIDE}"
  ${EndIf}
  MessageBox MB_OK|MB_ICONSTOP \
    "「$INSTDIR」に書き込めなかったため、インストールを中止しました。$\r$\nこのインストールで書いたファイルはすべて削除しました。" /SD IDOK
  SetErrorLevel ${EXIT_WRITE}
FunctionEnd

Function .onInit
  Call RefuseWhileRunning
  StrCpy $Named 0
  ${If} $INSTDIR != ""
    StrCpy $Named 1
  ${EndIf}
  ; The folder page checks the space itself (CheckSpace), for the folder the files really go into.
  SectionGetSize ${SectionProgram} $NeededKB
  IntOp $NeededKB $NeededKB + ${SPACE_MARGIN_KB}
  SectionSetSize ${SectionProgram} 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  Call FindExisting
  Call ApplyScope
  ${If} $Named = 0
    StrCpy $INSTDIR $Existing
    ${If} $Existing == ""
      Call DefaultFolder
    ${EndIf}
  ${EndIf}
  StrCpy $Greeting ""
  ${If} $Existing != ""
    StrCpy $Greeting "「$Existing」にある ${PRODUCT} $ExistingVersion を ${VERSION} に更新します（$ExistingVersion からの更新）。あなたのゲームファイルと遊んだ記録はそのまま残ります。$\r$\n$\r$\n"
  ${EndIf}
  ${If} $AllUsers = 1
    !insertmacro SelectSection ${SectionAllUsers}
  ${EndIf}
  ${If} $Existing != ""
    !insertmacro SetSectionFlag ${SectionAllUsers} ${SF_RO}
    ${If} $AllUsers = 1
      Call RefuseWithoutRights
    ${EndIf}
  ${EndIf}
  ${If} ${Silent}
    ${If} $AllUsers = 1
      Call RefuseWithoutRights
    ${EndIf}
    Call SettleFolder
    ${If} $0 = 0
      SetErrorLevel ${EXIT_FOLDER}
      Quit
    ${EndIf}
    Call CheckSpace
    ${If} $0 = 0
      MessageBox MB_OK|MB_ICONSTOP "$1$\r$\n$2（$Target）" /SD IDOK
      SetErrorLevel ${EXIT_SPACE}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

; The scope chosen on the components page decides the default folder of the next page.
Function ComponentsLeave
  ${If} $Existing != ""
    Return
  ${EndIf}
  StrCpy $0 0
  ${If} ${SectionIsSelected} ${SectionAllUsers}
    StrCpy $0 1
    UserInfo::GetAccountType
    Pop $1
    ${If} $1 != "Admin"
      MessageBox MB_OK|MB_ICONEXCLAMATION \
        "すべてのユーザー用のインストールには管理者の権限が必要です。$\r$\nセットアップを「管理者として実行」するか、この項目を外してください。"
      Abort
    ${EndIf}
  ${EndIf}
  ${If} $0 != $AllUsers
    StrCpy $AllUsers $0
    Call ApplyScope
    ${If} $Named = 0
      Call DefaultFolder
    ${EndIf}
  ${EndIf}
FunctionEnd

; An upgrade says so above the folder, which stays the old one unless the player changes it.
Function DirectoryShow
  ${If} $Existing != ""
    FindWindow $0 "#32770" "" $HWNDPARENT
    GetDlgItem $0 $0 1006
    SendMessage $0 ${WM_SETTEXT} 0 "STR:${PRODUCT} $ExistingVersion からの更新です（インストール先: $Existing）。このフォルダのまま更新します。別のフォルダに移すときだけ、下のフォルダを変えてください。"
  ${EndIf}
FunctionEnd

; The space of the folder the files would go into, under the folder box; no room greys the button.
Function .onVerifyInstDir
  ${IfThen} ${Silent} ${|} Return ${|}
  StrCpy $Target $INSTDIR
  Call CheckSpace
  FindWindow $3 "#32770" "" $HWNDPARENT
  GetDlgItem $4 $3 1023
  SendMessage $4 ${WM_SETTEXT} 0 "STR:$2"
  ShowWindow $4 ${SW_SHOW}
  GetDlgItem $4 $3 1024
  SendMessage $4 ${WM_SETTEXT} 0 "STR:$1"
  ShowWindow $4 ${SW_SHOW}
  ${If} $0 = 0
    Abort
  ${EndIf}
FunctionEnd

Function DirectoryLeave
  Call SettleFolder
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "「$INSTDIR」には他のファイルがあり、その中の「${OWN_FOLDER}」も使えません。$\r$\n空のフォルダを選んでください。"
    Abort
  ${EndIf}
  ${If} $Target != $INSTDIR
    MessageBox MB_OKCANCEL|MB_ICONQUESTION \
      "「$INSTDIR」には他のファイルがあるため、その中にフォルダを作ってインストールします。$\r$\nインストール先: $Target" \
      IDOK settled
    Abort
    settled:
  ${EndIf}
  ${If} $Existing != ""
  ${AndIf} $Target != $Existing
    MessageBox MB_OKCANCEL|MB_ICONQUESTION \
      "「$Existing」にある ${PRODUCT} $ExistingVersion を「$Target」に移します。$\r$\nあなたのゲームファイルも一緒に移し、元のフォルダの ${PRODUCT} のファイルは削除します。" \
      IDOK moved
    Abort
    moved:
  ${EndIf}
FunctionEnd

; The uninstaller works in its own folder only. Run without _?=, NSIS starts a copy of it elsewhere
; with _?=FOLDER; _?= the copy still finds in its parameters was one NSIS could not use (quoted, or not
; last): it is used only when it names that same folder. An _?= that names another folder, or one
; without this uninstaller, is refused with a message, as nothing else is safe to do.
Function un.CheckFolderArgument
  ${GetParameters} $0
  ${UnStrStr} $1 $0 "_?="
  ${If} $1 != ""
    StrCpy $1 $1 "" 3
    ${UnStrStr} $2 $1 '"'
    StrLen $3 $2
    StrLen $4 $1
    IntOp $4 $4 - $3
    StrCpy $1 $1 $4
    ${If} $1 != $INSTDIR
      StrCpy $1 "_?=$1"
      Goto refuse
    ${EndIf}
  ${EndIf}
  StrCpy $1 "_?=$INSTDIR"
  StrCpy $2 $INSTDIR 2 1
  ${If} $2 == ":\"
    Push "$INSTDIR\${UNINSTALLER}"
    Call un.FileDigest
    Pop $3
    Push $EXEPATH
    Call un.FileDigest
    Pop $4
    ${If} $3 == $4
    ${AndIf} $3 != ""
      Return
    ${EndIf}
  ${EndIf}
  refuse:
  MessageBox MB_OK|MB_ICONSTOP \
    "アンインストールするフォルダの指定「$1」は使えません。$\r$\n_?= には、このアンインストーラーのあるフォルダを指定してください。" /SD IDOK
  SetErrorLevel ${EXIT_ARGUMENT}
  Quit
FunctionEnd

; The uninstaller works in the scope of the entry that names its folder. Without one (another copy
; took the entry) it removes only its files.
Function un.onInit
  Call un.CheckFolderArgument
  Call un.RefuseWhileRunning
  StrCpy $OwnsEntry 1
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext current
    Return
  ${EndIf}
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
    Call un.RefuseWithoutRights
    Return
  ${EndIf}
  StrCpy $OwnsEntry 0
  SetShellVarContext current
FunctionEnd


; Removes the files the log names while they are as installed; $Kept gets those that changed. A name
; that is not a plain file name of this folder is passed over: the log is a file anyone can edit.
Function un.RemoveLogged
  StrCpy $Kept ""
  StrCpy $KeptLines ""
  ClearErrors
  FileOpen $R1 "$INSTDIR\${LOG_FILE}" r
  IfErrors done
  FileRead $R1 $R2
  ${Do}
    ClearErrors
    FileRead $R1 $R2
    ${If} ${Errors}
      ${ExitDo}
    ${EndIf}
    StrCpy $R3 $R2 75
    StrCpy $R4 $R2 "" 76
    ${TrimNewLines} $R4 $R4
    ${GetFileName} $R4 $R5
    ${UnStrStr} $R6 $R4 "/"
    ${If} $R5 != $R4
    ${OrIf} $R6 != ""
    ${OrIf} $R4 == ".."
    ${OrIfNot} ${FileExists} "$INSTDIR\$R4"
      ${Continue}
    ${EndIf}
    Push "$INSTDIR\$R4"
    Call un.FileDigest
    Pop $R6
    ${If} $R6 == $R3
      Delete "$INSTDIR\$R4"
    ${EndIf}
    ${If} ${FileExists} "$INSTDIR\$R4"
      StrCpy $Kept "$Kept$\r$\n    $R4"
      StrCpy $KeptLines "$KeptLines$R2"
      DetailPrint "変更されていたため残しました: $R4"
    ${EndIf}
  ${Loop}
  FileClose $R1
  done:
FunctionEnd

; $R0: the names of the other files left in the program folder, one a line.
Function un.Leftovers
  StrCpy $R0 ""
  FindFirst $R1 $R2 "$INSTDIR\*"
  ${DoWhile} $R2 != ""
    ${UnStrStr} $R3 "$Kept$\r$\n" "$\r$\n    $R2$\r$\n"
    ${If} $R2 != "."
    ${AndIf} $R2 != ".."
    ${AndIf} $R3 == ""
      StrCpy $R0 "$R0$\r$\n    $R2"
      DetailPrint "インストールしたものではないため残しました: $R2"
    ${EndIf}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
FunctionEnd

; The association goes only when it names this program; another program's stays.
!macro RemoveAssociation ROOT
  ReadRegStr $0 ${ROOT} "${CLASS_KEY}\DefaultIcon" ""
  ${If} $0 == "$INSTDIR\${PROGRAM},1"
    DeleteRegKey ${ROOT} "${CLASS_KEY}"
    ReadRegStr $0 ${ROOT} "${EXTENSION_KEY}" ""
    ${If} $0 == "PomoRobina.vyg"
      DeleteRegKey ${ROOT} "${EXTENSION_KEY}"
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  Call un.RefuseWhileRunning
  Call un.RemoveLogged
  Delete "$INSTDIR\${LOG_FILE}"
  Delete "$INSTDIR\${UNINSTALLER}"
  ${If} $OwnsEntry = 1
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}のアンインストール.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${GAMES_FOLDER_LINK}"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${EndIf}
  !insertmacro RemoveAssociation HKLM
  !insertmacro RemoveAssociation HKCU

  ${GetParameters} $1
  ClearErrors
  ${GetOptions} $1 "/PURGE" $2
  ${If} ${Errors}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "遊んだ記録（ハイスコアや旅の記録）も削除しますか？$\r$\n「いいえ」を選ぶと記録は残り、もう一度インストールするとそのまま使えます。" \
      /SD IDNO IDYES purge
    DetailPrint "遊んだ記録は残しました（HKEY_CURRENT_USER\${RECORDS_KEY}）。"
    Goto records_done
  ${EndIf}
  purge:
    DeleteRegKey HKCU "${RECORDS_KEY}"
    ; The maker's key is shared with its other programs: it goes only when nothing else is in it.
    DeleteRegKey /ifempty HKCU "Software\Mossleaf"
    Delete "${IDENTITY_FILE}"
    DetailPrint "遊んだ記録を削除しました。"
  records_done:

  Call un.Leftovers
  StrCpy $1 ""
  ${If} $Kept != ""
    StrCpy $1 "次のファイルはインストールの後に変更されていたため、削除せずに残しました。$Kept$\r$\n"
  ${EndIf}
  ${If} $R0 != ""
    StrCpy $1 "$1次のファイルはインストールしたものではないため、削除せずに残しました。$R0$\r$\n"
  ${EndIf}
  ${If} $1 != ""
    MessageBox MB_OK|MB_ICONINFORMATION "$1フォルダ: $INSTDIR" /SD IDOK
  ${EndIf}
  RMDir "$INSTDIR"
  ; A folder that keeps the player's files stays the program's own for the next install: its log
  ; names the installed files that were kept.
  ${If} ${FileExists} "$INSTDIR\*.*"
    FileOpen $0 "$INSTDIR\${LOG_FILE}" w
    FileWrite $0 "${LOG_MARKER}$\r$\n$KeptLines"
    FileClose $0
  ${EndIf}
  ${If} $INSTDIR == "$PROGRAMFILES\${DEFAULT_FOLDER}"
  ${OrIf} $INSTDIR == "$LOCALAPPDATA\Programs\${DEFAULT_FOLDER}"
    ${GetParent} $INSTDIR $0
    RMDir $0
  ${EndIf}
SectionEnd
