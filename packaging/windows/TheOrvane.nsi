; The Windows installer: TheOrvane.scr into the system folder, where Windows lists screen
; savers; optionally the installing user's current screen saver; an uninstaller registered with
; Windows. Built by packaging/windows/CMakeLists.txt, which defines VERSION (as in the top-level
; project()), VI_VERSION (four numbers), SCR (the built program) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include x64.nsh

!define PRODUCT "The Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TheOrvane"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
; The uninstaller's own folder; the program itself goes into the system folder.
InstallDir "$PROGRAMFILES64\TheOrvane"
; The system folder and the machine-wide Uninstall key need an administrator.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VI_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} screen saver setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" ""

Page components
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "The Orvane screen saver" SecProgram
  SectionIn RO
  ; A 64-bit installer sees the real System32 anyway; turning redirection off keeps it so
  ; whichever way this script is built.
  ${DisableX64FSRedirection}
  SetOutPath "$SYSDIR"
  File "/oname=TheOrvane.scr" "${SCR}"
  ${EnableX64FSRedirection}

  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SetRegView 64
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Ticked by default, so a silent install (/S) sets it too.
Section "Make it my current screen saver" SecCurrent
  ${DisableX64FSRedirection}
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$SYSDIR\TheOrvane.scr"
  ${EnableX64FSRedirection}
SectionEnd

Section "Uninstall"
  SetRegView 64
  ${DisableX64FSRedirection}
  ; The screen saver setting is taken back only while it still names this program, in the
  ; long or the short (8.3) form; the comparison ignores case, as Windows does.
  GetFullPathName /SHORT $1 "$SYSDIR\TheOrvane.scr"
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$SYSDIR\TheOrvane.scr"
  ${OrIf} $0 == $1
    ${If} $0 != ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  Delete "$SYSDIR\TheOrvane.scr"
  ${EnableX64FSRedirection}
  ; The user's settings (TheOrvane.ini, beside the program or under %APPDATA%\TheOrvane) stay.
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
