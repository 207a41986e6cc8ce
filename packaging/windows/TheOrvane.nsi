; The Windows installer, in two modes (MultiUser.nsh):
; - for everyone (the default for an administrator): TheOrvane.scr into the system folder,
;   where Windows lists screen savers, the uninstaller and the licence in Program Files, the
;   uninstaller registered under HKLM;
; - just for me (the default for anyone else, no elevation asked): the program, the licence and
;   the uninstaller in %LOCALAPPDATA%\Programs\TheOrvane, registered under HKCU.
; Silent switches: /S, with /AllUsers or /CurrentUser. Either mode can make the program the
; installing user's screen saver and switch screen savers on.
; Built by packaging/windows/CMakeLists.txt, which defines VERSION (as in the top-level
; project()), VI_VERSION (four numbers), SCR (the built program), LICENSE (the licence with
; Windows line ends) and OUTFILE.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!define PRODUCT "The Orvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TheOrvane"
!define DESKTOP_KEY "Control Panel\Desktop"

; An administrator is asked to elevate and gets both modes; anyone else runs as they are and
; gets "Just for me" only.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_INSTALLMODE_INSTDIR "TheOrvane"
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_FUNCTION ModeChosen
!define MULTIUSER_INSTALLMODE_UNFUNCTION un.ModeChosen
!define MULTIUSER_INSTALLMODEPAGE_TEXT_TOP "Install ${PRODUCT} for everyone using this computer, or just for you."
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "&For everyone"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "&Just for me"
!define MULTIUSER_INSTALLMODEPAGE_SHOWUSERNAME
!include MultiUser.nsh
!include LogicLib.nsh
!include Sections.nsh
!include x64.nsh

Name "${PRODUCT}"
Caption "${PRODUCT} ${VERSION} Setup"
OutFile "${OUTFILE}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VI_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} screen saver setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 The Orvane developers (MIT License)"

; Where this mode's program goes (the uninstaller's $INSTDIR is its own folder).
Var ScrFile

!insertmacro MULTIUSER_PAGE_INSTALLMODE
Page components
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "The Orvane screen saver" SecProgram
  SectionIn RO
  ; A 64-bit installer sees the real System32 anyway; turning redirection off keeps it so
  ; whichever way this script is built.
  ${DisableX64FSRedirection}
  ${If} $MultiUser.InstallMode == "AllUsers"
    SetOutPath "$SYSDIR"
  ${Else}
    SetOutPath "$INSTDIR"
  ${EndIf}
  File "/oname=TheOrvane.scr" "${SCR}"
  ${EnableX64FSRedirection}

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; SHCTX is HKLM for everyone, HKCU just for me (MultiUser sets the shell context).
  SetRegView 64
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "The Orvane developers"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; Ticked by default, so a silent install (/S) sets it too. Just for me it cannot be unticked:
; Windows lists only the screen savers of its own folders and the one SCRNSAVE.EXE names.
Section "Make it my current screen saver" SecCurrent
  WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$ScrFile"
  ; A user who had "(None)" chosen has screen savers off; a chosen one would never start.
  ; 17 = SPI_SETSCREENSAVEACTIVE, 3 = SPIF_UPDATEINIFILE | SPIF_SENDCHANGE.
  System::Call 'user32::SystemParametersInfoW(i 17, i 1, p 0, i 3) i .r0'
  ${If} $0 == 0
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ${EndIf}
SectionEnd

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

; Called by MultiUser whenever the mode is set, on the command line or on its page.
Function ModeChosen
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $ScrFile "$SYSDIR\TheOrvane.scr"
    !insertmacro ClearSectionFlag ${SecCurrent} ${SF_RO}
  ${Else}
    StrCpy $ScrFile "$INSTDIR\TheOrvane.scr"
    !insertmacro SelectSection ${SecCurrent}
    !insertmacro SetSectionFlag ${SecCurrent} ${SF_RO}
  ${EndIf}
FunctionEnd

Function un.ModeChosen
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $ScrFile "$SYSDIR\TheOrvane.scr"
  ${Else}
    StrCpy $ScrFile "$INSTDIR\TheOrvane.scr"
  ${EndIf}
FunctionEnd

; $R0 becomes 1 when the folders $R1 and $R2 are the same (any case, long or short form).
Function un.SameFolder
  StrCpy $R0 0
  ${If} $R1 == $R2
    StrCpy $R0 1
  ${Else}
    GetFullPathName /SHORT $R3 "$R1"
    GetFullPathName /SHORT $R4 "$R2"
    ${If} $R3 != ""
    ${AndIf} $R3 == $R4
      StrCpy $R0 1
    ${EndIf}
  ${EndIf}
FunctionEnd

; The uninstaller removes the copy it was written beside, whichever mode the command line or
; the account type would suggest: an administrator may have both copies.
Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  SetRegView 64
  StrCpy $R2 $INSTDIR
  ReadRegStr $R1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  Call un.SameFolder
  ${If} $R0 == 1
    Call un.MultiUser.InstallMode.CurrentUser
    Return
  ${EndIf}
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  Call un.SameFolder
  ; Unregistered: a copy just for one user keeps its program beside the uninstaller.
  ${If} $R0 != 1
  ${AndIf} ${FileExists} "$INSTDIR\TheOrvane.scr"
    Call un.MultiUser.InstallMode.CurrentUser
    Return
  ${EndIf}
  ${If} $MultiUser.Privileges != "Admin"
  ${AndIf} $MultiUser.Privileges != "Power"
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} was installed for everyone: only an administrator can remove it." /SD IDOK
    SetErrorLevel 5 ; ERROR_ACCESS_DENIED
    Quit
  ${EndIf}
  Call un.MultiUser.InstallMode.AllUsers
FunctionEnd

Section "Uninstall"
  SetRegView 64
  ${DisableX64FSRedirection}
  ; The program first. While it runs (the show, its settings) Windows keeps the file: it then
  ; goes at the next restart. Where that cannot be arranged (only an administrator may), nothing
  ; is removed, so no program is left behind without its uninstaller.
  GetFullPathName /SHORT $1 "$ScrFile"
  Delete "$ScrFile"
  ${If} ${FileExists} "$ScrFile"
    ; MoveFileEx itself, for its answer: whether the restart will remove the file.
    ; 4 = MOVEFILE_DELAY_UNTIL_REBOOT.
    System::Call 'kernel32::MoveFileExW(w "$ScrFile", p 0, i 4) i .r0'
    ${If} $0 == 0
      ${EnableX64FSRedirection}
      MessageBox MB_OK|MB_ICONSTOP "${PRODUCT} is running (the screen saver or its settings). Close it, then remove it again." /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    SetRebootFlag true
    DetailPrint "$ScrFile is in use: Windows removes it at the next restart."
  ${EndIf}
  ; The screen saver setting is taken back only while it still names this program, in the
  ; long or the short (8.3) form; the comparison ignores case, as Windows does.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${If} $0 == "$ScrFile"
  ${OrIf} $0 == $1
    ${If} $0 != ""
      DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ${EndIf}
  ${EndIf}
  ${EnableX64FSRedirection}
  ; The user's settings (TheOrvane.ini, beside the program or under %APPDATA%\TheOrvane) stay.
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir /REBOOTOK "$INSTDIR"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  ${If} ${RebootFlag}
    MessageBox MB_YESNO|MB_ICONQUESTION "${PRODUCT} is removed when Windows restarts. Restart now?" /SD IDNO IDNO +2
      Reboot
  ${EndIf}
SectionEnd
