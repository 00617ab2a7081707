; SPDX-License-Identifier: GPL-3.0-or-later
; Vantrel's Windows installer, made by scripts/package-windows.sh with
; makensis -DVERSION=... -DFILES=folder -DOUTFILE=installer.exe. It installs
; the window and vantrel-cli into Program Files with a Start-menu shortcut
; and an entry in Apps & features, and lets the cameras' answers (UDP port
; 10000) in through Windows Defender Firewall for both programs. /S
; installs without a question, for IT departments.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantrel"
!define RULE "Vantrel: camera answers"

Name "Vantrel"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Vantrel"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Vantrel"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "Vantrel setup"
VIAddVersionKey "CompanyName" "The Vantrel developers"
VIAddVersionKey "LegalCopyright" "GNU General Public License, version 3 or later"

!define MUI_ICON "${FILES}\vantrel.ico"
!define MUI_UNICON "${FILES}\vantrel.ico"
!define MUI_FINISHPAGE_RUN "$INSTDIR\vantrel.exe"
!insertmacro MUI_PAGE_LICENSE "${FILES}\LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; One rule a program: the cameras answer a search with broadcasts to it.
!macro AllowCameras program
    nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall add rule name="${RULE}" dir=in action=allow protocol=UDP localport=10000 program="$INSTDIR\${program}" enable=yes'
    Pop $0
!macroend
!macro ForgetCameras program
    nsExec::ExecToLog '"$SYSDIR\netsh.exe" advfirewall firewall delete rule name="${RULE}" program="$INSTDIR\${program}"'
    Pop $0
!macroend

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Vantrel"
    SetOutPath "$INSTDIR"
    File "${FILES}\vantrel.exe"
    File "${FILES}\vantrel-cli.exe"
    File "${FILES}\LICENSE.txt"
    File "${FILES}\README-windows.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Vantrel.lnk" "$INSTDIR\vantrel.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Vantrel"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "The Vantrel developers"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vantrel.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

    !insertmacro AllowCameras "vantrel.exe"
    !insertmacro AllowCameras "vantrel-cli.exe"
SectionEnd

Section "Uninstall"
    !insertmacro ForgetCameras "vantrel.exe"
    !insertmacro ForgetCameras "vantrel-cli.exe"
    Delete "$SMPROGRAMS\Vantrel.lnk"
    Delete "$INSTDIR\vantrel.exe"
    Delete "$INSTDIR\vantrel-cli.exe"
    Delete "$INSTDIR\LICENSE.txt"
    Delete "$INSTDIR\README-windows.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
