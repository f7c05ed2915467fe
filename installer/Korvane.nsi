; Korvane's Windows installer: a per-user installation that needs no
; administrator rights. makensis is run by installer/make-installer.cmake, which
; defines VERSION, VERSION4, ICON, SIDE_PICTURE, OUTFILE and FILES (the generated list of the
; program folder's files, so that whatever the build puts there is installed).

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include "${FILES}"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvane"
!define PROGID "Korvane.Source"
; The main window's class: a running Korvane holds its files open.
!define MAIN_WINDOW_CLASS "TMainForm"

Name "Korvane"
Caption "Korvane ${VERSION} Setup"
UninstallCaption "Korvane ${VERSION} Uninstall"
OutFile "${OUTFILE}"
; Beside the program live its preferences and profiles, which it writes:
; the user's own programs folder keeps them writable without elevation.
InstallDir "$LOCALAPPDATA\Programs\Korvane"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "Korvane ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION4}"
VIAddVersionKey "ProductName" "Korvane"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Korvane ${VERSION} Setup"
VIAddVersionKey "LegalCopyright" "Korvane"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE_PICTURE}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup will install Korvane ${VERSION}, the video splitter, for you alone. It needs no administrator rights.$\r$\n$\r$\nClose Korvane if it is running, then click Next to continue."
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Korvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Korvane"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The source types the program opens.
!macro ForEachSourceType MACRO
  !insertmacro ${MACRO} ".avi"
  !insertmacro ${MACRO} ".mpg"
  !insertmacro ${MACRO} ".mpeg"
  !insertmacro ${MACRO} ".mp4"
  !insertmacro ${MACRO} ".wmv"
  !insertmacro ${MACRO} ".mov"
  !insertmacro ${MACRO} ".vob"
  !insertmacro ${MACRO} ".asf"
!macroend

!macro RegisterOpenWith EXT
  WriteRegStr HKCU "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKCU "Software\Classes\Applications\Korvane.exe\SupportedTypes" "${EXT}" ""
  WriteRegStr HKCU "Software\Classes\SystemFileAssociations\${EXT}\shell\Korvane" "" "Open with Korvane"
  WriteRegStr HKCU "Software\Classes\SystemFileAssociations\${EXT}\shell\Korvane" "Icon" "$INSTDIR\Korvane.exe,0"
  WriteRegStr HKCU "Software\Classes\SystemFileAssociations\${EXT}\shell\Korvane\command" "" '"$INSTDIR\Korvane.exe" "%1"'
!macroend

!macro UnregisterOpenWith EXT
  DeleteRegValue HKCU "Software\Classes\${EXT}\OpenWithProgids" "${PROGID}"
  DeleteRegKey /ifempty HKCU "Software\Classes\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "Software\Classes\${EXT}"
  DeleteRegKey HKCU "Software\Classes\SystemFileAssociations\${EXT}\shell\Korvane"
  DeleteRegKey /ifempty HKCU "Software\Classes\SystemFileAssociations\${EXT}\shell"
  DeleteRegKey /ifempty HKCU "Software\Classes\SystemFileAssociations\${EXT}"
!macroend

; Waits until no Korvane window is open: files of a running program cannot be replaced
; or removed. Silently there is nobody to ask, and the run ends with exit code 2.
!macro WaitForKorvaneClosed UN
  Function ${UN}WaitForKorvaneClosed
    ${Do}
      FindWindow $0 "${MAIN_WINDOW_CLASS}"
      ${If} $0 = 0
        ${Break}
      ${EndIf}
      ${If} ${Silent}
        SetErrorLevel 2
        Quit
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Korvane is running. Close it, then click Retry." IDRETRY +3
      SetErrorLevel 2
      Quit
    ${Loop}
  FunctionEnd
!macroend
!insertmacro WaitForKorvaneClosed ""
!insertmacro WaitForKorvaneClosed "un."

Section "Korvane" SecProgram
  SectionIn RO
  Call WaitForKorvaneClosed
  ; Files a user may have changed (preferences, profiles) are never overwritten:
  ; a reinstallation or an upgrade keeps them, and only the version is brought
  ; up to date.
  !insertmacro KorvaneInstallFiles
  SetOutPath "$INSTDIR"
  WriteINIStr "$INSTDIR\Preferences.ini" "Main" "Version" "${VERSION}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  SetShellVarContext current
  CreateShortcut "$SMPROGRAMS\Korvane.lnk" "$INSTDIR\Korvane.exe" "" "$INSTDIR\Korvane.exe" 0 \
    SW_SHOWNORMAL "" "Split a video into clips"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Korvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Korvane.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Korvane"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Open with Korvane" SecOpenWith
  WriteRegStr HKCU "Software\Classes\${PROGID}" "" "Video for Korvane"
  WriteRegStr HKCU "Software\Classes\${PROGID}\DefaultIcon" "" "$INSTDIR\Korvane.exe,0"
  WriteRegStr HKCU "Software\Classes\${PROGID}\shell\open\command" "" '"$INSTDIR\Korvane.exe" "%1"'
  WriteRegStr HKCU "Software\Classes\Applications\Korvane.exe" "FriendlyAppName" "Korvane"
  WriteRegStr HKCU "Software\Classes\Applications\Korvane.exe\shell\open\command" "" '"$INSTDIR\Korvane.exe" "%1"'
  !insertmacro ForEachSourceType RegisterOpenWith
  ; Tells the shell that file types changed (SHCNE_ASSOCCHANGED).
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Function .onInit
  ; Silently, "/OPENWITH" on the command line chooses the optional part.
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/OPENWITH" $1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecOpenWith} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "The program, its converter, profiles and help, and a shortcut in the Start menu."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecOpenWith} "Offer Korvane in Explorer's menu of AVI, MPG, MPEG, MP4, WMV, MOV, VOB and ASF files."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; --- uninstallation ---------------------------------------------------------------------

Var UserFiles      ; the changed preferences and profiles, one per line, for the question
Var PrefsChanged   ; 1 when Preferences.ini holds other settings than the shipped ones

; $0 = installed file, $1 = shipped copy; $2 := 1 when their bytes differ.
; Uses $R0 to $R3 only: callers walk folders with $6 and $7.
Function un.FilesDiffer
  StrCpy $2 1
  ClearErrors
  FileOpen $R0 $0 r
  IfErrors done
  FileOpen $R1 $1 r
  IfErrors close0
  FileSeek $R0 0 END $R2
  FileSeek $R1 0 END $R3
  ${If} $R2 = $R3
    FileSeek $R0 0 SET
    FileSeek $R1 0 SET
    StrCpy $2 0
    ${Do}
      ClearErrors
      FileReadByte $R0 $R2
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      FileReadByte $R1 $R3
      ${If} $R2 <> $R3
        StrCpy $2 1
        ${Break}
      ${EndIf}
    ${Loop}
  ${EndIf}
  FileClose $R1
  close0:
  FileClose $R0
  done:
FunctionEnd

; $0 = section, $1 = key, $2 = the program's default; $3 := 1 when the installed
; preferences and the shipped ones hold different values (missing keys read as
; the program reads them). The program rewrites its preferences at every exit,
; so the bytes say nothing: only the values count.
Function un.PreferenceDiffers
  ClearErrors
  ReadINIStr $4 "$INSTDIR\Preferences.ini" $0 $1
  ${If} ${Errors}
    StrCpy $4 $2
  ${EndIf}
  ClearErrors
  ReadINIStr $5 "$PLUGINSDIR\shipped\Preferences.ini" $0 $1
  ${If} ${Errors}
    StrCpy $5 $2
  ${EndIf}
  StrCpy $3 0
  ${If} $4 != $5
    StrCpy $3 1
  ${EndIf}
FunctionEnd

!macro CheckPreference SECTION KEY DEFAULT
  StrCpy $0 "${SECTION}"
  StrCpy $1 "${KEY}"
  StrCpy $2 "${DEFAULT}"
  Call un.PreferenceDiffers
  ${If} $3 = 1
    StrCpy $PrefsChanged 1
  ${EndIf}
!macroend

!macro CheckPreferenceFlags SECTION
  !insertmacro CheckPreference "${SECTION}" "Preview" "1"
  !insertmacro CheckPreference "${SECTION}" "Overwrite" "1"
  !insertmacro CheckPreference "${SECTION}" "Aptotic" "1"
  !insertmacro CheckPreference "${SECTION}" "Output Dir" "$INSTDIR\"
  !insertmacro CheckPreference "${SECTION}" "Auto Open Dir" "1"
  !insertmacro CheckPreference "${SECTION}" "Auto Exit" "1"
  !insertmacro CheckPreference "${SECTION}" "Auto Turn Off" "1"
!macroend

Function un.FindUserFiles
  StrCpy $UserFiles ""
  StrCpy $PrefsChanged 0
  ${If} ${FileExists} "$INSTDIR\Preferences.ini"
    !insertmacro CheckPreferenceFlags "Main"
    !insertmacro CheckPreferenceFlags "Default"
    !insertmacro CheckPreference "Main" "Profile" "0"
    ${If} $PrefsChanged = 1
      StrCpy $UserFiles "$UserFiles$\r$\n    Preferences.ini"
    ${EndIf}
  ${EndIf}
  ; Every file in Profiles\ that is not a shipped profile as it was shipped.
  FindFirst $6 $7 "$INSTDIR\Profiles\*"
  ${DoWhile} $7 != ""
    ${IfNot} ${FileExists} "$INSTDIR\Profiles\$7\*.*"
      StrCpy $0 "$INSTDIR\Profiles\$7"
      StrCpy $1 "$PLUGINSDIR\shipped\Profiles\$7"
      Call un.FilesDiffer
      ${If} $2 = 1
        StrCpy $UserFiles "$UserFiles$\r$\n    Profiles\$7"
      ${EndIf}
    ${EndIf}
    FindNext $6 $7
  ${Loop}
  FindClose $6
FunctionEnd

; Removes the shipped profiles the user left as they were.
Function un.RemoveUnchangedProfiles
  FindFirst $6 $7 "$INSTDIR\Profiles\*"
  ${DoWhile} $7 != ""
    ${IfNot} ${FileExists} "$INSTDIR\Profiles\$7\*.*"
      StrCpy $0 "$INSTDIR\Profiles\$7"
      StrCpy $1 "$PLUGINSDIR\shipped\Profiles\$7"
      Call un.FilesDiffer
      ${If} $2 = 0
        Delete "$INSTDIR\Profiles\$7"
      ${EndIf}
    ${EndIf}
    FindNext $6 $7
  ${Loop}
  FindClose $6
FunctionEnd

Section "Uninstall"
  Call un.WaitForKorvaneClosed
  InitPluginsDir
  ; The shipped preferences and profiles, to tell the user's changes from them.
  SetDetailsPrint none
  !insertmacro KorvaneShippedUserFiles "$PLUGINSDIR\shipped"
  SetDetailsPrint both
  Call un.FindUserFiles

  StrCpy $8 0   ; 1: remove the user's files too
  ${If} $UserFiles != ""
  ${AndIfNot} ${Silent}
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "You have changed these preferences or profiles of Korvane:$\r$\n$UserFiles$\r$\n$\r$\nRemove them as well?$\r$\nChoose No to keep them in $INSTDIR." \
      /SD IDNO IDNO +2
    StrCpy $8 1
  ${EndIf}

  !insertmacro KorvaneRemoveProgramFiles
  Call un.RemoveUnchangedProfiles
  ${If} $8 = 1
  ${OrIf} $PrefsChanged = 0
    Delete "$INSTDIR\Preferences.ini"
  ${EndIf}
  ${If} $8 = 1
    RMDir /r "$INSTDIR\Profiles"
  ${EndIf}
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR\Profiles"
  RMDir "$INSTDIR"

  SetShellVarContext current
  Delete "$SMPROGRAMS\Korvane.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\Classes\${PROGID}"
  DeleteRegKey HKCU "Software\Classes\Applications\Korvane.exe"
  !insertmacro ForEachSourceType UnregisterOpenWith
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
