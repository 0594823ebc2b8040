; The installer of the 32-bit Windows program: Kolvane.exe under Program Files, a Start-menu
; entry and an uninstaller. The tasks of each user (defaultSet.ini in %APPDATA%\Kolvane, or beside
; the program where it was written there) are the user's own: the uninstaller leaves them.
;
;   makensis -DKOLVANE_EXE=path/to/Kolvane.exe -DOUTFILE=path/to/kolvane-setup.exe kolvane.nsi
;
; /S installs and uninstalls without a question.

Unicode true
!ifndef KOLVANE_EXE
  !error "Give the program to install: -DKOLVANE_EXE=path/to/Kolvane.exe"
!endif
!ifndef OUTFILE
  !define OUTFILE "kolvane-setup.exe"
!endif
!ifndef VERSION
  !define VERSION "3.0"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kolvane"

Name "Kolvane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Kolvane"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "Kolvane"
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "/oname=Kolvane.exe" "${KOLVANE_EXE}"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\Kolvane.lnk" "$INSTDIR\Kolvane.exe" "" "$INSTDIR\Kolvane.exe" 0
  ; The entry of the system's list of installed programs, from which it can be removed.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Kolvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Kolvane.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  Delete "$SMPROGRAMS\Kolvane.lnk"
  Delete "$INSTDIR\Kolvane.exe"
  Delete "$INSTDIR\uninstall.exe"
  ; Not /r: a defaultSet.ini written beside the program keeps the folder, and stays.
  RMDir "$INSTDIR"
  ; The start at login of the user who uninstalls would start a program that is gone.
  SetShellVarContext current
  Delete "$SMSTARTUP\Kolvane.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
