; The Windows installer of ポモのロビナ, built by tools/dist/dist.py with makensis (Unicode). It installs
; the program, the sample games and readme.txt, a Start-menu folder, an optional desktop shortcut,
; the game-file association and the entry in the list of installed programs. An administrator
; installs for every user (Program Files, machine-wide classes); anyone else for themselves.
; Silent: setup.exe /S [/D=FOLDER]; uninstall.exe /S [/PURGE] (/PURGE also removes the records).
;
; Given on the command line: VERSION (1.04), VERSION_QUAD (1.0.4.0), STAGE (the staged files),
; OUTFILE, and SIGN (a command that signs a file in place) when the result is to be signed.
Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel highest
ManifestSupportedOS all

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include "${STAGE}/installed.nsh"

!define PRODUCT "ポモのロビナ"
!define PUBLISHER "Mossleaf"
!define PROGRAM "Robina.exe"
!define UNINSTALLER "uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Mossleaf Robina"
!define RECORDS_KEY "Software\Mossleaf\${PRODUCT}"
!define IDENTITY_FILE "$SYSDIR\wtconf.ini"
!define CLASS_KEY "Software\Classes\PomoRobina.vyg"
!define EXTENSION_KEY "Software\Classes\.vyg"
!define DEFAULT_FOLDER "Mossleaf\Robina"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${DEFAULT_FOLDER}"
BrandingText "${PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show
!ifdef SIGN
  !finalize '${SIGN} "%1"'
  !uninstfinalize '${SIGN} "%1"'
!endif

!define MUI_ICON "${STAGE}/robina.ico"
!define MUI_UNICON "${STAGE}/robina.ico"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${PROGRAM}"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\readme.txt"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
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

; Without the rights for Program Files the program goes to the user's own programs folder, unless
; /D= named a folder.
Function .onInit
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
    ${If} $INSTDIR == "$PROGRAMFILES\${DEFAULT_FOLDER}"
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${DEFAULT_FOLDER}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "${PRODUCT}（本体とゲーム）" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro InstallFiles
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\${PROGRAM}"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}のアンインストール.lnk" "$INSTDIR\${UNINSTALLER}"

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

; The uninstaller works in the scope the installer chose: machine-wide when its entry is there.
Function un.onInit
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
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

; $R0: the names of the files left in the program folder, one a line.
Function un.Leftovers
  StrCpy $R0 ""
  FindFirst $R1 $R2 "$INSTDIR\*"
  ${DoWhile} $R2 != ""
    ${If} $R2 != "."
    ${AndIf} $R2 != ".."
      StrCpy $R0 "$R0$\r$\n    $R2"
    ${EndIf}
    FindNext $R1 $R2
  ${Loop}
  FindClose $R1
FunctionEnd

Section "Uninstall"
  !insertmacro RemoveFiles
  Delete "$INSTDIR\${UNINSTALLER}"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}のアンインストール.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$DESKTOP\${PRODUCT}.lnk"
  !insertmacro RemoveAssociation HKLM
  !insertmacro RemoveAssociation HKCU
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"

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
    DeleteRegKey /ifempty HKCU "Software\Mossleaf"
    Delete "${IDENTITY_FILE}"
    DetailPrint "遊んだ記録を削除しました。"
  records_done:

  Call un.Leftovers
  ${If} $R0 != ""
    DetailPrint "インストールしたものではないファイルは残しました（$INSTDIR）:$R0"
    MessageBox MB_OK|MB_ICONINFORMATION \
      "次のファイルはインストールしたものではないため、削除せずに残しました。$\r$\nフォルダ: $INSTDIR$R0" /SD IDOK
  ${EndIf}
  RMDir "$INSTDIR"
  RMDir "$PROGRAMFILES\Mossleaf"
SectionEnd
