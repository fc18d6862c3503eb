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
; gets a folder of the program's own inside it. It records what it installed in install.log (hash,
; size, name); the uninstaller removes exactly those files, and only while they are unchanged.
; Neither runs while the program does.
;
; Silent: setup.exe /S [/ALLUSERS] [/D=FOLDER]; uninstall.exe /S [/PURGE] (/PURGE also removes the
; records). Exit statuses besides NSIS's own (1 cancelled, 2 aborted): EXIT_RUNNING, EXIT_FOLDER,
; EXIT_RIGHTS below.
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
Var Named         ; 1: /D= named the folder
Var OwnsEntry     ; uninstaller: 1 when the uninstall entry names this folder
Var Kept          ; uninstaller: the installed files left because they changed, one a line

!define MUI_ICON "${STAGE}/robina.ico"
!define MUI_UNICON "${STAGE}/robina.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\readme.txt"
!insertmacro MUI_PAGE_WELCOME
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE ComponentsLeave
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Japanese"

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
    Return
  ${EndIf}
  ReadRegStr $Existing HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $Existing != ""
    StrCpy $AllUsers 1
  ${EndIf}
FunctionEnd

; Pushes 1 when the folder on the stack may take the files: it does not exist, is empty, or holds an
; install of this program (its log, or the folder of the uninstall entry); else 0.
Function IsFree
  Exch $0
  Push $1
  Push $2
  StrCpy $2 1
  ${If} ${FileExists} "$0\*.*"
    ${If} $0 != $Existing
      FileOpen $1 "$0\${LOG_FILE}" r
      FileRead $1 $2
      FileClose $1
      ${If} $2 == "${LOG_MARKER}$\r$\n"
        StrCpy $2 1
      ${Else}
        FindFirst $1 $2 "$0\*"
        ${Do}
          ${If} $2 != "."
          ${AndIf} $2 != ".."
            ${ExitDo}
          ${EndIf}
          FindNext $1 $2
        ${Loop}
        FindClose $1
        ${If} $2 == ""
          StrCpy $2 1
        ${Else}
          StrCpy $2 0
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${ElseIf} ${FileExists} "$0"
    StrCpy $2 0  ; a file of that name
  ${EndIf}
  StrCpy $0 $2
  Pop $2
  Pop $1
  Exch $0
FunctionEnd

; $INSTDIR as it is when free, else the program's own folder inside it; $0 is 0 when neither is free.
Function SettleFolder
  Push $INSTDIR
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
      StrCpy $INSTDIR "$INSTDIR\${OWN_FOLDER}"
    ${EndIf}
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
  SetOutPath "$INSTDIR"
  !insertmacro InstallFiles
  FileOpen $0 "$INSTDIR\${LOG_FILE}" w
  FileWrite $0 "${LOG_MARKER}$\r$\n"
  !insertmacro WriteInstallLog $0
  FileClose $0
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

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
SectionEnd

Section "デスクトップにショートカットを作る" SectionDesktop
  CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"
SectionEnd

; Chosen on this page or by /ALLUSERS; .onInit and ComponentsLeave act on it.
Section /o "すべてのユーザー用にインストールする（管理者）" SectionAllUsers
SectionEnd

Function .onInit
  Call RefuseWhileRunning
  StrCpy $Named 0
  ${If} $INSTDIR != ""
    StrCpy $Named 1
  ${EndIf}
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

Function DirectoryLeave
  StrCpy $1 $INSTDIR
  Call SettleFolder
  ${If} $0 = 0
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "「$1」には他のファイルがあり、その中の「${OWN_FOLDER}」も使えません。$\r$\n空のフォルダを選んでください。"
    Abort
  ${EndIf}
  ${If} $INSTDIR != $1
    MessageBox MB_OKCANCEL|MB_ICONQUESTION \
      "「$1」には他のファイルがあるため、その中にフォルダを作ってインストールします。$\r$\nインストール先: $INSTDIR" \
      IDOK settled
    StrCpy $INSTDIR $1
    Abort
    settled:
  ${EndIf}
FunctionEnd

; The uninstaller works in the scope of the entry that names its folder. Without one (another copy
; took the entry) it removes only its files.
Function un.onInit
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

; Pushes "HASH SIZE" of the file named on the stack, as the install log has them (SHA-256 in lower-case
; hex, the size in ten digits), or "" when it cannot be read.
Function un.FileDigest
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

; Removes the files the log names while they are as installed; $Kept gets those that changed. A name
; that is not a plain file name of this folder is passed over: the log is a file anyone can edit.
Function un.RemoveLogged
  StrCpy $Kept ""
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
  ${If} $INSTDIR == "$PROGRAMFILES\${DEFAULT_FOLDER}"
  ${OrIf} $INSTDIR == "$LOCALAPPDATA\Programs\${DEFAULT_FOLDER}"
    ${GetParent} $INSTDIR $0
    RMDir $0
  ${EndIf}
SectionEnd
