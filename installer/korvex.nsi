; KORVEX-setup.exe: puts KORVEX.aaxplugin into the AAX plug-in folder and the KORVEX VST library into
; the product's install folder, names that folder in the registry value the module reads, and
; registers an uninstaller that takes all of it away again (and nothing a user made).
;   KORVEX-setup.exe [/S] [/PLUGINDIR=folder] [/D=install folder]    (/D last, unquoted)
; Built by CMake: makensis -DOUTFILE=... -DMODULE_FILE=... -DVST_FILE=... -DVERSION=1 korvex.nsi
; (the version is the package version the module registers)
; A 64-bit installer for a 64-bit product: it runs wherever the product can.
Target amd64-unicode
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "MUI2.nsh"
!include "x64.nsh"

!define PRODUCT_KEY "Software\TOLM-lab\KORVEX"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TOLM-lab KORVEX"

Name "K.O.R.V.E.X"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
InstallDir "$PROGRAMFILES64\TOLM-lab\KORVEX"
ShowInstDetails show
ShowUninstDetails show

Var PluginDir

!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "The KORVEX VST library goes into this folder (VST64\KORVEX.dll); the AAX module finds it here."
!insertmacro MUI_PAGE_DIRECTORY
!define MUI_PAGE_HEADER_TEXT "AAX plug-in folder"
!define MUI_PAGE_HEADER_SUBTEXT "Where your AAX host looks for plug-ins."
!define MUI_DIRECTORYPAGE_TEXT_TOP "KORVEX.aaxplugin goes into this folder."
!define MUI_DIRECTORYPAGE_VARIABLE $PluginDir
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "KORVEX is a 64-bit plug-in: it needs 64-bit Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
  StrCpy $PluginDir "$COMMONFILES64\AAX Plug-Ins"
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PLUGINDIR=" $R1
  ${IfNot} ${Errors}
  ${AndIf} $R1 != ""
    StrCpy $PluginDir $R1
  ${EndIf}
FunctionEnd

; The files an install made, wherever the previous one put them: an install over an existing one
; replaces it, in its folders or in new ones.
Function RemovePrevious
  ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R3 HKLM "${UNINSTALL_KEY}" "PluginFolder"
  ${If} $R3 != ""
    Delete "$R3\KORVEX.aaxplugin"
  ${EndIf}
  ${If} $R2 != ""
    Delete "$R2\VST64\KORVEX.dll"
    RMDir "$R2\VST64"
    Delete "$R2\uninstall.exe"
    RMDir "$R2"
  ${EndIf}
FunctionEnd

Section "KORVEX"
  SetRegView 64
  Call RemovePrevious
  SetOverwrite on
  SetOutPath "$INSTDIR\VST64"
  File "/oname=KORVEX.dll" "${VST_FILE}"
  SetOutPath "$PluginDir"
  File "/oname=KORVEX.aaxplugin" "${MODULE_FILE}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "installdirectory" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "K.O.R.V.E.X"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "TOLM-lab"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "PluginFolder" "$PluginDir"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; The uninstaller removes only the files the installer wrote, and the registry entries only while
; they still describe this install: a stale uninstaller run again, or one of an install that
; another has replaced, leaves the current install alone.
Section "Uninstall"
  SetRegView 64
  ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 == $INSTDIR
    ReadRegStr $R3 HKLM "${UNINSTALL_KEY}" "PluginFolder"
    ${If} $R3 != ""
      Delete "$R3\KORVEX.aaxplugin"
    ${EndIf}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
  ReadRegStr $R4 HKLM "${PRODUCT_KEY}" "installdirectory"
  ${If} $R4 == $INSTDIR
    DeleteRegValue HKLM "${PRODUCT_KEY}" "installdirectory"
    DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\TOLM-lab"
  ${EndIf}
  Delete "$INSTDIR\VST64\KORVEX.dll"
  RMDir "$INSTDIR\VST64"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
