; Quillmere setup: a per-user install that needs no administrator rights.
;
; The program keeps Settings\ and Downloads\ beside its executable, so it must
; live in a folder the user can write to: %LOCALAPPDATA%\Programs\Quillmere,
; not Program Files. Installing over an earlier version replaces the program
; files only; uninstalling keeps both folders unless the user ticks the box on
; the uninstaller's components page (or passes /REMOVEUSERDATA with /S).
;
; Made by the "setup" build target (tools/package.sh), which passes:
;   VERSION   the project's version, e.g. 1.5.0
;   EXE       the built Quillmere.exe
;   README    the text shipped as README.txt
;   LICENCES  a folder of licence texts (*.txt)
;   ICON      the program's icon
;   OUTFILE   the setup program to write

!ifndef VERSION | EXE | README | LICENCES | ICON | OUTFILE
  !error "makensis needs -DVERSION -DEXE -DREADME -DLICENCES -DICON -DOUTFILE (see the build's setup target)"
!endif

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!define PRODUCT "Quillmere"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh
!include Sections.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
; A later install goes where the earlier one is, beside the user's settings.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

; The project states no copyright line of its own to put into LegalCopyright.
!pragma warning disable 9100
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillmere.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_COMPONENTSPAGE_TEXT_TOP "The program is always removed. Tick the second line only if you also want your settings and received files gone."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

Section "${PRODUCT}" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=Quillmere.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  SetOutPath "$INSTDIR\Licences"
  File "${LICENCES}\*.txt"
  ; Created when missing, never emptied: an earlier install's settings and
  ; received files stay as they are.
  CreateDirectory "$INSTDIR\Settings"
  CreateDirectory "$INSTDIR\Downloads"

  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SetOutPath "$INSTDIR"
  CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\Quillmere.exe" "" "$INSTDIR\Quillmere.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillmere.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.${PRODUCT} program files" UnSecProgram
  SectionIn RO
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\Quillmere.exe"
  Delete "$INSTDIR\README.txt"
  RMDir /r "$INSTDIR\Licences"
  Delete "$INSTDIR\Uninstall.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only when empty: kept settings and received files keep the folder.
  RMDir "$INSTDIR"
SectionEnd

; Off unless ticked: removing them cannot be undone.
Section /o "un.Settings and received files" UnSecUserData
  ; Only the two folders the program owns, never the install folder as a
  ; whole: the user may have chosen a folder that holds other things.
  RMDir /r "$INSTDIR\Settings"
  RMDir /r "$INSTDIR\Downloads"
  RMDir "$INSTDIR"
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "Quillmere.exe, the Start-menu shortcut and the entry in the installed programs."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecUserData} "Settings\ (servers, encryption passwords, favourites) and Downloads\ (received files, saved chats). Leave unticked to keep them for a later install."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVEUSERDATA" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecUserData}
  ${EndIf}
FunctionEnd
